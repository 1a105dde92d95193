// Lines on the ground plane of the highway view: route legs, skipped legs
// and tracks. A point is projected only when it lies inside the view cone,
// beyond the near line and in range; a segment with an end outside is cut
// to the visible ground first, and one whose ends both lie beyond the same
// side is dropped without cutting.

#include <string.h>

#include "g_iconset.h"
#include "gr_context.h"
#include "gr_line.h"
#include "h_database.h"
#include "navmath.h"
#include "t_chart_overlay.h"
#include "t_highway.h"
#include "t_nav_int.h"
#include "t_nav_twr.h"

U32 T_NAV_u32PerspectiveFails(const NAV_VIEW_INFO* pNVI, POINT ptRelative) {
  POINT r;
  U_NAV_vRotatePoint(&pNVI->RotContext, &ptRelative, &r);
  const S64 E = pNVI->nEyeOffsetMM, x = r.x, y = r.y;
  U32 u32Fails = 0;
  if (2 * x - y > E) u32Fails |= HWY_FAIL_LEFT;
  if (2 * x + y < -E) u32Fails |= HWY_FAIL_RIGHT;
  if (2 * y < -E) u32Fails |= HWY_FAIL_NEAR;
  const S64 range = 4 * E;
  if (range > 0x7FFFFFFF || !U_NAV_bDistanceLessThanOrEqual(ptRelative, (S32)range)) u32Fails |= HWY_FAIL_RANGE;
  return u32Fails;
}

POINT T_NAV_ptPerspectivePixel(const NAV_VIEW_INFO* pNVI, POINT ptRelative) {
  U_NAV_vConvertMMToHighwayViewPixel(&ptRelative, 0, &pNVI->RotContext, &pNVI->CenterOffset, pNVI->nPixelsPerMMM,
                                     pNVI->nEyeOffsetMM);
  return ptRelative;
}

// Both ends beyond the same side of the cone, or both out of range while
// inside both sides: nothing of the segment can show.
static BOOLEAN HWY_bTriviallyHidden(U32 fP, U32 fQ) {
  const U32 sides = HWY_FAIL_LEFT | HWY_FAIL_RIGHT;
  if ((fP & fQ & (sides | HWY_FAIL_NEAR)) != 0) return TRUE;
  return (fP & fQ & HWY_FAIL_RANGE) != 0 && (fP & sides) == 0 && (fQ & sides) == 0;
}

// The pen walking a line: down when the last point was shown.
typedef struct tag_HWY_PEN {
  POINT prev;
  U32 u32PrevFails;
  BOOLEAN bDown;
} HWY_PEN;

static void HWY_vPenStart(NAV_VIEW_INFO* pNVI, HWY_PEN* pPen, POINT pt) {
  pPen->prev = pt;
  pPen->u32PrevFails = T_NAV_u32PerspectiveFails(pNVI, pt);
  pPen->bDown = pPen->u32PrevFails == 0;
  if (pPen->bDown) {
    const POINT p = T_NAV_ptPerspectivePixel(pNVI, pt);
    gr_SetAbsPenPos(&pNVI->GrContext, p.x, p.y);
  }
}

// One step to Q; with bJoin FALSE (a gap) nothing is drawn, the pen only
// moves to Q when it shows.
static void HWY_vPenStep(NAV_VIEW_INFO* pNVI, HWY_PEN* pPen, POINT Q, BOOLEAN bJoin) {
  GR_CONTEXT* gc = &pNVI->GrContext;
  const U32 fQ = T_NAV_u32PerspectiveFails(pNVI, Q);
  if (fQ == 0 && pPen->bDown) {
    const POINT q = T_NAV_ptPerspectivePixel(pNVI, Q);
    if (bJoin) {
      gr_DrawAbsLine(gc, q.x, q.y);
    } else {
      gr_SetAbsPenPos(gc, q.x, q.y);
    }
  } else if (pPen->bDown || !HWY_bTriviallyHidden(pPen->u32PrevFails, fQ)) {
    POINT a = pPen->prev, b = Q;
    if (bJoin && U_NAV_bClipLineToHighwayView(&a, &b, &pNVI->RotContext, pNVI->nEyeOffsetMM)) {
      const POINT pa = T_NAV_ptPerspectivePixel(pNVI, a), pb = T_NAV_ptPerspectivePixel(pNVI, b);
      gr_SetAbsPenPos(gc, pa.x, pa.y);
      gr_DrawAbsLine(gc, pb.x, pb.y);
    } else if (fQ == 0) {
      const POINT q = T_NAV_ptPerspectivePixel(pNVI, Q);
      gr_SetAbsPenPos(gc, q.x, q.y);
    }
  }
  pPen->prev = Q;
  pPen->u32PrevFails = fQ;
  pPen->bDown = fQ == 0;
}

static void HWY_vThick(NAV_VIEW_INFO* pNVI) {
  gr_SetDrawingTool(&pNVI->GrContext, BRUSH);
  gr_SetPixelSize(&pNVI->GrContext, 2);
}

static void HWY_vThin(NAV_VIEW_INFO* pNVI) {
  gr_SetPatternStatus(&pNVI->GrContext, FALSE);
  gr_SetDrawingTool(&pNVI->GrContext, STD_PEN);
  gr_SetPixelSize(&pNVI->GrContext, 1);
}

void T_NAV_vRenderPerspectivePolyLineMM(POINT* pptBuffer, S32 nPointCount, NAV_VIEW_INFO* pNVI) {
  if (pptBuffer == nullptr || nPointCount < 2) return;
  HWY_PEN pen;
  HWY_vPenStart(pNVI, &pen, pptBuffer[0]);
  HWY_vThick(pNVI);
  for (S32 i = 1; i < nPointCount; i++) HWY_vPenStep(pNVI, &pen, pptBuffer[i], TRUE);
}

// ---------------------------------------------------------------------------
// Tracks

static const ICON* const s_apCurrentDots[11] = {&Wpt_Temp1, &Wpt_Temp2, &Wpt_Temp3, &Wpt_Temp4,
                                                &Wpt_Temp5, &Wpt_Temp6, &Wpt_Temp7, &Wpt_Temp8,
                                                &Wpt_Temp9, &Wpt_Temp10, &Wpt_Temp11};
static const ICON* const s_apSavedDots[11] = {&Wpt_Save1, &Wpt_Save2, &Wpt_Save3, &Wpt_Save4,
                                              &Wpt_Save5, &Wpt_Save6, &Wpt_Save7, &Wpt_Save8,
                                              &Wpt_Save9, &Wpt_Save10, &Wpt_Save11};

// Dots grow towards the viewer: by the row's distance below the horizon.
static S32 HWY_nDotSize(const NAV_VIEW_INFO* pNVI, S32 y) {
  const S32 horizon = pNVI->CenterOffset.y;
  if (horizon <= 0) return 10;
  const S64 i = ((S64)horizon - y) * 11 / horizon;
  return i < 0 ? 0 : i > 10 ? 10 : (S32)i;
}

static void HWY_vRenderDots(const TRACK* pTrack, NAV_VIEW_INFO* pNVI, BOOLEAN bCurrentTrack) {
  const ICON* const* apDots = bCurrentTrack ? s_apCurrentDots : s_apSavedDots;
  POINT last = {-1000, -1000};
  U16 it = 0, depth = 0;
  POINT pt = {0, 0};
  for (;;) {
    const TRACKPOINT_TYPE e = U_NAV_eScanTrack(pTrack, &it, &pt, &depth);
    if (e == TRACKPOINT_INVALID) break;
    const POINT rel = T_NAV_ptRelative(pNVI, pt);
    if (T_NAV_u32PerspectiveFails(pNVI, rel) != 0) continue;
    const POINT p = T_NAV_ptPerspectivePixel(pNVI, rel);
    if ((S64)p.x - last.x <= 3 && (S64)last.x - p.x <= 3 && (S64)p.y - last.y <= 3 && (S64)last.y - p.y <= 3) {
      continue;
    }
    last.y = p.y;
    if (e == TRACKPOINT_NORMAL) {
      const POINT at = {p.x - 1, p.y - 1};
      G_ICON_vPut(pNVI->pBitmap, apDots[HWY_nDotSize(pNVI, p.y)], &at);
      last = p;
    } else {
      last.x = p.x;
    }
  }
}

void T_NAV_vRenderPerspectiveTrack(const TRACK* pTrack, NAV_VIEW_INFO* pNVI, BOOLEAN bCurrentTrack, U32 u32Style,
                                   U32 u32Color) {
  if (pTrack == nullptr || pNVI == nullptr) return;
  if (bCurrentTrack) {
    BOOLEAN bVisible = TRUE;
    if (H_DATABASE_bFetchBoolean(FCID("SCTV"), &bVisible, nullptr, nullptr) && !bVisible) return;
  }
  if (u32Style == 0) {
    HWY_vRenderDots(pTrack, pNVI, bCurrentTrack);
    return;
  }
  if (pTrack->sHeader.u16Count < (bCurrentTrack ? 1 : 2)) return;
  // A colour is one of the palette's first sixteen entries, whatever a
  // setting or a track file says.
  u32Color &= 15;
  U32 u32Palette = 0;
  H_DATABASE_bFetchU32(FCID("SPAL"), &u32Palette, nullptr, nullptr);
  if (u32Palette == 1 && u32Color == 15) u32Color = 0;
  if (u32Palette == 2 && u32Color == 12) u32Color = 15;
  if (u32Palette == 3 && u32Color == 0) u32Color = 15;
  GR_CONTEXT* gc = &pNVI->GrContext;
  HWY_vThin(pNVI);
  gr_SetColor(gc, (S32)u32Color);
  if (u32Style == 1) {
    gr_SetPatternType(gc, 49);
    gr_SetPatternIndex(gc, 0);
    gr_ResetPattern(gc);
    gr_SetPatternStatus(gc, TRUE);
  } else if (u32Style == 3) {
    HWY_vThick(pNVI);
  }
  HWY_PEN pen = {};
  U16 it = 0, depth = 0;
  POINT pt = {0, 0};
  TRACKPOINT_TYPE ePrev = TRACKPOINT_INVALID;
  for (;;) {
    const TRACKPOINT_TYPE e = U_NAV_eScanTrack(pTrack, &it, &pt, &depth);
    if (e == TRACKPOINT_INVALID) break;
    const POINT rel = T_NAV_ptRelative(pNVI, pt);
    if (ePrev == TRACKPOINT_INVALID) {
      HWY_vPenStart(pNVI, &pen, rel);
    } else {
      HWY_vPenStep(pNVI, &pen, rel, e == TRACKPOINT_NORMAL && ePrev == TRACKPOINT_NORMAL);
    }
    ePrev = e;
  }
  // The current track reaches the boat.
  if (bCurrentTrack && ePrev != TRACKPOINT_INVALID) {
    HWY_vPenStep(pNVI, &pen, T_NAV_ptRelative(pNVI, pNVI->ptBoatMM), TRUE);
  }
  HWY_vThin(pNVI);
}

// ---------------------------------------------------------------------------
// Skipped legs

BOOLEAN T_NAV_bPerspectiveWaypointAt(S64 nIndex, POINT* ppt) {
  if (nIndex < 0 || nIndex >= (S64)NAV_MAX_WAYPOINTS) return FALSE;
  const WAYPOINT* p = T_NAV_pGetWaypoint((U32)nIndex);
  if (p == nullptr || p->u8Status == WPT_STATUS_FREE || p->u8Status > WPT_STATUS_SAVED_2) return FALSE;
  *ppt = p->pt;
  return TRUE;
}

// A two-point polyline between waypoints; nothing when either is gone.
static void HWY_vLeg(NAV_VIEW_INFO* pNVI, U32 nFrom, U32 nTo) {
  POINT a, b;
  if (!T_NAV_bPerspectiveWaypointAt(nFrom, &a) || !T_NAV_bPerspectiveWaypointAt(nTo, &b)) return;
  POINT leg[2] = {T_NAV_ptRelative(pNVI, a), T_NAV_ptRelative(pNVI, b)};
  T_NAV_vRenderPerspectivePolyLineMM(leg, 2, pNVI);
}

void T_NAV_vRenderPerspectiveSkipedLeg(const ROUTE* pRoute, NAV_VIEW_INFO* pNVI) {
  if (pRoute == nullptr || pNVI == nullptr) return;
  // Files and imports may claim more points than a route holds.
  const U32 n = pRoute->nCount > NAV_MAX_ROUTE_POINTS ? NAV_MAX_ROUTE_POINTS : pRoute->nCount;
  const ROUTE* pNavigated = &g_NAV.CurrentRoute;
  const U32 nNavigated =
      pNavigated->nCount > NAV_MAX_ROUTE_POINTS ? NAV_MAX_ROUTE_POINTS : (U32)pNavigated->nCount;
  BOOLEAN abSkipped[NAV_MAX_ROUTE_POINTS] = {};
  for (U32 i = 0; i < n; i++) {
    abSkipped[i] = TRUE;
    for (U32 k = 0; k < nNavigated && abSkipped[i]; k++) {
      if (pNavigated->anWaypoint[k] == pRoute->anWaypoint[i]) abSkipped[i] = FALSE;
    }
  }
  HWY_vThick(pNVI);
  gr_SetColor(&pNVI->GrContext, 7);
  if (n > 0 && abSkipped[0] && nNavigated > 0) HWY_vLeg(pNVI, pNavigated->anWaypoint[0], pRoute->anWaypoint[0]);
  for (U32 i = 1; i < n; i++) {
    if (abSkipped[i] || abSkipped[i - 1]) HWY_vLeg(pNVI, pRoute->anWaypoint[i - 1], pRoute->anWaypoint[i]);
  }
  HWY_vThin(pNVI);
}
