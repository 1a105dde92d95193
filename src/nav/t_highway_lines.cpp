// Lines on the ground plane of the highway view: route legs, skipped legs
// and tracks. A point is projected only when it lies inside the view cone,
// beyond the near line and in range; a segment with an end outside is cut
// to the visible ground first, and one whose ends both lie beyond the same
// side is dropped without cutting.
//
// A full store holds fifty saved tracks of 21,836 points each, and the view
// shows a few kilometres of them. Each track is therefore cut into runs of
// points with the box round every run, so that a walk passes over a run that
// lies wholly beyond the view's reach in one step; and what a track draws
// for a view is kept as pixel steps until the view or the track changes.

#include <string.h>

#include <algorithm>
#include <vector>

#include "g_fonts.h"
#include "g_icon.h"
#include "g_iconset.h"
#include "g_string.h"
#include "gr_context.h"
#include "gr_line.h"
#include "h_database.h"
#include "navmath.h"
#include "t_chart_overlay.h"
#include "t_highway_int.h"
#include "t_nav_int.h"
#include "t_nav_twr.h"
#include "u_nav_edit.h"
#include "u_wstring.h"

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

// ---------------------------------------------------------------------------
// Pins

static void HWY_vPinCall(NAV_VIEW_INFO* pNVI, const T_CHART_OP* pOp, const char* pcLabel, T_CHART_EXTENT* pExtent,
                         BOOLEAN bDraw) {
  const ICON* pIcon = (const ICON*)pOp->p;
  const POINT p = {pOp->x, pOp->y};
  const S32 iconW = (S32)G_ICON_u32GetWidth(pIcon), iconH = (S32)G_ICON_u32GetHeight(pIcon);
  const POINT at = {p.x - (iconW - 1) / 2, p.y};
  if (bDraw) G_ICON_vPutKept(pNVI->pBitmap, pIcon, &at);
  const BOOLEAN bBox = pExtent != nullptr && pExtent->bBoxWanted;
  if (!bDraw && !bBox) return;
  const FONT_DEF* pFont = T_NAV_pFont14();
  const S32 w = (S32)T_NAV_EDIT_u32GetWidthWaypointName(pFont, (const BYTE*)pcLabel);
  POINT anchor = {p.x + 1 - w / 2, p.y + 1 + iconH};
  // The icon, and the label from its anchor (which the renderer raises by
  // 3) to its end: glyphs reach a little past both ends and up and down by
  // their size.
  const S32 h = (S32)G_FONTS_u32GetHeight(pFont) + 1, left = anchor.x, baseline = anchor.y + 3;
  auto box = [&](S32 end) {
    const T_CHART_BOX icon = {at.x - 1, at.y - 1, at.x + iconW, at.y + iconH};
    return T_CHART_union(icon, {left - h, baseline - 2 * h, end + h, baseline + 2 * h});
  };
  if (!bDraw) {
    // As far as the whole name reaches, widened as the renderer widens it.
    char sName[2 * 64 + 2] = {};
    memcpy(sName, pcLabel, pOp->u16TextSize < 2 * 64 ? pOp->u16TextSize : 2 * 64);
    U_WSTRING_vReplaceNarrowWithWide(sName, sizeof sName);
    const S32 wName = (S32)G_STRING_u32GetWidth(pFont, (const BYTE*)sName);
    pExtent->box = box(left + (wName > w ? wName : w));
    return;
  }
  // The name renderer keeps the anchor inside the pane, and glyphs stop only
  // at the bitmap's edges: the bitmap ends at the pane's top and right, and a
  // label reaching below the pane is left out. Drawn, the anchor stops where
  // the label ends.
  const BITMAP* b = pNVI->pBitmap;
  if (anchor.y - (S32)G_FONTS_u32GetDescenderHeight(pFont) >= b->s32ClipBottom) {
    BITMAP pane = *b;
    if (pane.pixels_wide > pane.s32ClipRight + 1) pane.pixels_wide = pane.s32ClipRight + 1;
    if (pane.pixels_high > pane.s32ClipTop + 1) pane.pixels_high = pane.s32ClipTop + 1;
    T_NAV_EDIT_vRenderWyptRteTrkName(&pane, pOp->colour, &anchor, pFont, pcLabel, pOp->u16TextSize);
  }
  if (bBox) pExtent->box = box(anchor.x);
}

void HWY_vPin(NAV_VIEW_INFO* pNVI, POINT p, const ICON* pIcon, const char* sLabel, U32 u32Size, COLOR colour) {
  // The label as far as the renderer reads it, to its end in the current
  // text form; what lies beyond in the caller's buffer is not kept.
  const U32 unit = U_WSTRING_bIsUnicodeLanguage() ? 2 : 1;
  U32 n = 0;
  while (n + unit <= u32Size && (sLabel[n] != 0 || (unit == 2 && sLabel[n + 1] != 0))) n += unit;
  n = n + unit <= u32Size ? n + unit : u32Size;
  T_CHART_OP op = T_CHART_op();
  op.p = pIcon;
  op.x = p.x;
  op.y = p.y;
  op.colour = colour;
  T_CHART_vCall(pNVI, HWY_vPinCall, op, sLabel, n);
}

// ---------------------------------------------------------------------------
// Pixel steps

// The highway's dots are icons of 11 sizes: a dot step carries its size.
typedef T_NAV_TRACK_STEP HWY_STEP;
typedef T_NAV_TRACK_STEP_KIND HWY_STEP_KIND;
constexpr HWY_STEP_KIND HWY_STEP_MOVE = T_NAV_TRACK_MOVE;
constexpr HWY_STEP_KIND HWY_STEP_LINE = T_NAV_TRACK_LINE;
constexpr HWY_STEP_KIND HWY_STEP_DOT = T_NAV_TRACK_DOT;

typedef T_NAV_STEP_SINK HWY_SINK;

static void HWY_vStep(HWY_SINK* pSink, HWY_STEP_KIND eKind, POINT p, U8 u8Dot = 0) {
  T_NAV_vAddTrackStep(pSink, eKind, p, u8Dot);
}

static const ICON* const s_apCurrentDots[11] = {&Wpt_Temp1, &Wpt_Temp2, &Wpt_Temp3, &Wpt_Temp4,
                                                &Wpt_Temp5, &Wpt_Temp6, &Wpt_Temp7, &Wpt_Temp8,
                                                &Wpt_Temp9, &Wpt_Temp10, &Wpt_Temp11};
static const ICON* const s_apSavedDots[11] = {&Wpt_Save1, &Wpt_Save2, &Wpt_Save3, &Wpt_Save4,
                                              &Wpt_Save5, &Wpt_Save6, &Wpt_Save7, &Wpt_Save8,
                                              &Wpt_Save9, &Wpt_Save10, &Wpt_Save11};

// With places, only the lines and dots that meet them, the pen moved past
// the other lines as drawing them would; a patterned pen draws every step.
static void HWY_vPlaySteps(NAV_VIEW_INFO* pNVI, const std::vector<HWY_STEP>& steps, BOOLEAN bCurrentTrack,
                           const std::vector<T_CHART_BOX>* pPlaces = nullptr) {
  const ICON* const* apDots = bCurrentTrack ? s_apCurrentDots : s_apSavedDots;
  const GR_CONTEXT* gc = &pNVI->GrContext;
  const BOOLEAN bListing = T_CHART_bListing();
  if (gc->ptrnattrib.status || bListing) pPlaces = nullptr;
  // Thousands of dots a frame in a few pictures: coloured once a track.
  static G_ICON_COLOURED s_aaColoured[2][11];  // the view task's only
  G_ICON_COLOURED* aColoured = s_aaColoured[bCurrentTrack ? 1 : 0];
  if (!bListing) {
    for (U32 k = 0; k < 11; k++) G_ICON_vTakeColours(&aColoured[k], apDots[k]);
  }
  for (const HWY_STEP& s : steps) {
    const POINT p = {s.x, s.y};
    switch (s.eKind) {
      case HWY_STEP_MOVE:
        T_CHART_vMove(pNVI, p);
        break;
      case HWY_STEP_LINE:
        if (pPlaces != nullptr &&
            !T_CHART_bMeetsPlaces(T_CHART_lineBox(gc, {gc->cp.px, gf_RowOf(gc, gc->cp.py)}, p), pPlaces)) {
          T_CHART_vMove(pNVI, p);
          break;
        }
        T_CHART_vLine(pNVI, p);
        break;
      case HWY_STEP_DOT: {
        const ICON* pDot = apDots[s.u8Dot];
        const T_CHART_BOX box = {p.x - 1, p.y - 1, p.x + (S32)G_ICON_u32GetWidth(pDot), p.y + (S32)G_ICON_u32GetHeight(pDot)};
        if (pPlaces != nullptr && !T_CHART_bMeetsPlaces(box, pPlaces)) break;
        if (bListing) {
          T_CHART_vIcon(pNVI, pDot, p);
        } else {
          G_ICON_vPutColoured(pNVI->pBitmap, &aColoured[s.u8Dot], &p);
        }
        break;
      }
    }
  }
}

// ---------------------------------------------------------------------------
// The pen walking a line

// Both ends beyond the same side of the cone, or both out of range while
// inside both sides: nothing of the segment can show.
static BOOLEAN HWY_bTriviallyHidden(U32 fP, U32 fQ) {
  const U32 sides = HWY_FAIL_LEFT | HWY_FAIL_RIGHT;
  if ((fP & fQ & (sides | HWY_FAIL_NEAR)) != 0) return TRUE;
  return (fP & fQ & HWY_FAIL_RANGE) != 0 && (fP & sides) == 0 && (fQ & sides) == 0;
}

// Down when the last point was shown.
typedef struct tag_HWY_PEN {
  POINT prev;
  U32 u32PrevFails;
  BOOLEAN bDown;
} HWY_PEN;

// The pen at a point that drew nothing: where a run passed over leaves it.
static void HWY_vPenAt(const NAV_VIEW_INFO* pNVI, HWY_PEN* pPen, POINT pt) {
  pPen->prev = pt;
  pPen->u32PrevFails = T_NAV_u32PerspectiveFails(pNVI, pt);
  pPen->bDown = pPen->u32PrevFails == 0;
}

static void HWY_vPenStart(const NAV_VIEW_INFO* pNVI, HWY_PEN* pPen, POINT pt, HWY_SINK* pSink) {
  HWY_vPenAt(pNVI, pPen, pt);
  if (pPen->bDown) HWY_vStep(pSink, HWY_STEP_MOVE, T_NAV_ptPerspectivePixel(pNVI, pt));
}

// One step to Q, which fails the view's tests fQ; with bJoin FALSE (a gap)
// nothing is drawn, the pen only moves to Q when it shows.
static void HWY_vPenStep(const NAV_VIEW_INFO* pNVI, HWY_PEN* pPen, POINT Q, U32 fQ, BOOLEAN bJoin, HWY_SINK* pSink) {
  if (fQ == 0 && pPen->bDown) {
    HWY_vStep(pSink, bJoin ? HWY_STEP_LINE : HWY_STEP_MOVE, T_NAV_ptPerspectivePixel(pNVI, Q));
  } else if (pPen->bDown || !HWY_bTriviallyHidden(pPen->u32PrevFails, fQ)) {
    POINT a = pPen->prev, b = Q;
    if (bJoin && U_NAV_bClipLineToHighwayView(&a, &b, &pNVI->RotContext, pNVI->nEyeOffsetMM)) {
      HWY_vStep(pSink, HWY_STEP_MOVE, T_NAV_ptPerspectivePixel(pNVI, a));
      HWY_vStep(pSink, HWY_STEP_LINE, T_NAV_ptPerspectivePixel(pNVI, b));
    } else if (fQ == 0) {
      HWY_vStep(pSink, HWY_STEP_MOVE, T_NAV_ptPerspectivePixel(pNVI, Q));
    }
  }
  pPen->prev = Q;
  pPen->u32PrevFails = fQ;
  pPen->bDown = fQ == 0;
}

static void HWY_vThick(NAV_VIEW_INFO* pNVI) {
  T_CHART_vTool(pNVI, BRUSH);
  T_CHART_vSize(pNVI, 2);
}

static void HWY_vThin(NAV_VIEW_INFO* pNVI) {
  T_CHART_vPatternStatus(pNVI, FALSE);
  T_CHART_vTool(pNVI, STD_PEN);
  T_CHART_vSize(pNVI, 1);
}

void T_NAV_vRenderPerspectivePolyLineMM(POINT* pptBuffer, S32 nPointCount, NAV_VIEW_INFO* pNVI) {
  if (pptBuffer == nullptr || nPointCount < 2) return;
  static std::vector<HWY_STEP> s_steps;  // the view task's only
  s_steps.clear();
  HWY_SINK sink = {&s_steps, FALSE, FALSE, {0, 0}};
  HWY_PEN pen;
  HWY_vPenStart(pNVI, &pen, pptBuffer[0], &sink);
  const size_t nStart = s_steps.size();
  for (S32 i = 1; i < nPointCount; i++) {
    HWY_vPenStep(pNVI, &pen, pptBuffer[i], T_NAV_u32PerspectiveFails(pNVI, pptBuffer[i]), TRUE, &sink);
  }
  for (size_t k = 0; k < s_steps.size(); k++) {
    // The pen is set on the first point before the tool changes.
    if (k == nStart) HWY_vThick(pNVI);
    const POINT p = {s_steps[k].x, s_steps[k].y};
    if (s_steps[k].eKind == HWY_STEP_MOVE) {
      T_CHART_vMove(pNVI, p);
    } else {
      T_CHART_vLine(pNVI, p);
    }
  }
  if (nStart == s_steps.size()) HWY_vThick(pNVI);
}

// ---------------------------------------------------------------------------
// Tracks

// Points per run: a run is passed over whole, or walked point by point.
static constexpr U32 HWY_RUN_POINTS = 64;

// A run of a track's points: the box round them and round the point before
// the run, so that every segment that ends in the run lies in the box, and
// where the scan stands after the run's last point.
typedef struct tag_HWY_RUN {
  S32 nMinX;
  S32 nMaxX;
  S32 nMinY;
  S32 nMaxY;
  POINT ptLast;
  U16 u16ItAfter;
  U8 eLast;  // TRACKPOINT_TYPE
  BOOLEAN bAllNormal;
} HWY_RUN;

// A track's runs, and groups of runs with the same numbers for all of theirs
// together: most of a full store lies beside or behind the view, and is
// passed over a group at a time.
static constexpr size_t HWY_GROUP_RUNS = 16;
typedef struct tag_HWY_RUNS {
  std::vector<HWY_RUN> runs;
  std::vector<HWY_RUN> groups;
} HWY_RUNS;

static void HWY_vIndexTrack(const TRACK* pTrack, HWY_RUNS* pIndex) {
  std::vector<HWY_RUN>* pRuns = &pIndex->runs;
  pRuns->clear();
  pIndex->groups.clear();
  U16 it = 0, depth = 0;
  POINT pt = {0, 0};
  BOOLEAN bBefore = FALSE;
  for (;;) {
    HWY_RUN run;
    memset(&run, 0, sizeof run);
    if (bBefore) run = {pt.x, pt.x, pt.y, pt.y, pt, 0, 0, TRUE};
    run.bAllNormal = TRUE;
    U32 n = 0;
    TRACKPOINT_TYPE eLast = TRACKPOINT_INVALID;
    while (n < HWY_RUN_POINTS) {
      const U16 itBefore = it;
      const TRACKPOINT_TYPE e = U_NAV_eScanTrack(pTrack, &it, &pt, &depth);
      if (e == TRACKPOINT_INVALID) {
        it = itBefore;
        break;
      }
      if (!bBefore && n == 0) run = {pt.x, pt.x, pt.y, pt.y, pt, 0, 0, TRUE};
      if (pt.x < run.nMinX) run.nMinX = pt.x;
      if (pt.x > run.nMaxX) run.nMaxX = pt.x;
      if (pt.y < run.nMinY) run.nMinY = pt.y;
      if (pt.y > run.nMaxY) run.nMaxY = pt.y;
      if (e != TRACKPOINT_NORMAL) run.bAllNormal = FALSE;
      eLast = e;
      n++;
    }
    if (n == 0) return;
    run.ptLast = pt;
    run.u16ItAfter = it;
    run.eLast = (U8)eLast;
    pRuns->push_back(run);
    if (pRuns->size() % HWY_GROUP_RUNS == 1) {
      pIndex->groups.push_back(run);
    } else {
      HWY_RUN* g = &pIndex->groups.back();
      g->nMinX = std::min(g->nMinX, run.nMinX);
      g->nMaxX = std::max(g->nMaxX, run.nMaxX);
      g->nMinY = std::min(g->nMinY, run.nMinY);
      g->nMaxY = std::max(g->nMaxY, run.nMaxY);
      g->ptLast = run.ptLast;
      g->u16ItAfter = run.u16ItAfter;
      g->eLast = run.eLast;
      g->bAllNormal = g->bAllNormal && run.bAllNormal;
    }
    bBefore = TRUE;
  }
}

// TRUE when nothing of a segment within the run can show: every point of
// the view, and every point the cut to the visible ground can keep, lies
// within 4 eye offsets of the centre; the reach allows for the turn's
// rounding with room to spare. The points take their x the short way round
// the globe, which moves a run whole only while it lies on one side of the
// point opposite the centre; a run across that point is walked.
static BOOLEAN HWY_bRunOutOfReach(const NAV_VIEW_INFO* pNVI, const HWY_RUN* r) {
  const S64 E = pNVI->nEyeOffsetMM, reach = 4 * E + E / 4 + 1024;
  const S64 y0 = (S64)r->nMinY - pNVI->ptCenterMM.y, y1 = (S64)r->nMaxY - pNVI->ptCenterMM.y;
  if (y0 > reach || y1 < -reach) return TRUE;
  S64 x0 = (S64)r->nMinX - pNVI->ptCenterMM.x, x1 = (S64)r->nMaxX - pNVI->ptCenterMM.x;
  if (x1 < -(S64)NV_X_LIMIT) {
    x0 += NV_X_CIRCUMFERENCE;
    x1 += NV_X_CIRCUMFERENCE;
  } else if (x0 > NV_X_LIMIT) {
    x0 -= NV_X_CIRCUMFERENCE;
    x1 -= NV_X_CIRCUMFERENCE;
  } else if (x0 < -(S64)NV_X_LIMIT || x1 > NV_X_LIMIT) {
    return FALSE;
  }
  return x0 > reach || x1 < -reach;
}

// How a run's points, with the one before them, lie in the view: none of
// them showing for lying beyond one side of the cone or before the near
// line, every one showing, or neither.
typedef enum tag_HWY_RUN_LIES { HWY_RUN_MIXED, HWY_RUN_HIDDEN, HWY_RUN_SHOWS } HWY_RUN_LIES;

// A run's box relative to the centre, [*pLo, *pHi]. Relative points are
// taken one by one the short way round and cut to 32 bits: the box holds
// for them only where neither happens, and FALSE says it does not.
static BOOLEAN HWY_bRelativeBox(const NAV_VIEW_INFO* pNVI, const HWY_RUN* r, POINT* pLo, POINT* pHi) {
  const S64 x0 = (S64)r->nMinX - pNVI->ptCenterMM.x, x1 = (S64)r->nMaxX - pNVI->ptCenterMM.x;
  const S64 y0 = (S64)r->nMinY - pNVI->ptCenterMM.y, y1 = (S64)r->nMaxY - pNVI->ptCenterMM.y;
  if (x0 < -NV_X_LIMIT || x1 > NV_X_LIMIT || y0 < -0x7FFFFFFF || y1 > 0x7FFFFFFF) return FALSE;
  *pLo = {(S32)x0, (S32)y0};
  *pHi = {(S32)x1, (S32)y1};
  return TRUE;
}

// With every point showing, their pixels lie within [*pLo, *pHi] when those
// are given (each bound costs a division on the board). A turned
// axis is its linear form, 1,024 times over, rounded: within half a unit of
// it. So the view's tests, linear in the turned point, hold for the whole
// box where they hold at its corners with two units to spare.
static HWY_RUN_LIES HWY_eRunLies(const NAV_VIEW_INFO* pNVI, const HWY_RUN* r, POINT* pLo, POINT* pHi,
                                 BOOLEAN bHiddenOnly = FALSE) {
  const S64 E = pNVI->nEyeOffsetMM, range = 4 * E;
  POINT lo, hi;
  if (E <= 0 || !HWY_bRelativeBox(pNVI, r, &lo, &hi)) return HWY_RUN_MIXED;
  const S64 x0 = lo.x, x1 = hi.x, y0 = lo.y, y1 = hi.y;
  const S64 c = pNVI->RotContext.IntCosAngle, s = pNVI->RotContext.IntSinAngle;
  const S64 ax[4] = {x0, x1, x0, x1}, ay[4] = {y0, y0, y1, y1};
  S64 minL = 0, maxL = 0, minR = 0, maxR = 0, minN = 0, maxN = 0;
  for (int k = 0; k < 4; k++) {
    const S64 A = c * ax[k] - s * ay[k], B = c * ay[k] + s * ax[k];
    const S64 L = 2 * A - B, R = 2 * A + B, N = 2 * B;
    if (k == 0 || L < minL) minL = L;
    if (k == 0 || L > maxL) maxL = L;
    if (k == 0 || R < minR) minR = R;
    if (k == 0 || R > maxR) maxR = R;
    if (k == 0 || N < minN) minN = N;
    if (k == 0 || N > maxN) maxN = N;
  }
  const S64 e = 1024 * E, spare = 2048;
  if (minL > e + spare || maxR < -e - spare || maxN < -e - spare) return HWY_RUN_HIDDEN;
  if (bHiddenOnly) return HWY_RUN_MIXED;
  if (maxL + spare > e || minR - spare < -e || minN - spare < -e || range > 0x7FFFFFFF) return HWY_RUN_MIXED;
  const POINT far = {(S32)(-x0 > x1 ? -x0 : x1), (S32)(-y0 > y1 ? -y0 : y1)};
  if (!U_NAV_bDistanceLessThanOrEqual(far, (S32)range)) return HWY_RUN_MIXED;
  if (pLo == nullptr) return HWY_RUN_SHOWS;
  if (!U_NAV_bHighwayViewPixelBox(lo, hi, &pNVI->RotContext, &pNVI->CenterOffset, pNVI->nPixelsPerMMM,
                                  pNVI->nEyeOffsetMM, pLo, pHi)) {
    return HWY_RUN_MIXED;
  }
  return HWY_RUN_SHOWS;
}

// Dots grow towards the viewer: size (horizon - y) * 11 / horizon of the
// row's distance below the horizon, from 0 to 10. A row has size k and more
// at and below the k-th of ten rows, found once a trace; every dot is sized
// without a division.
typedef struct tag_HWY_DOT_ROWS {
  BOOLEAN bAllLargest;  // no horizon above the bitmap's foot
  S32 anRow[10];        // the highest row of size 1, 2 ... 10
} HWY_DOT_ROWS;

static HWY_DOT_ROWS HWY_dotRows(const NAV_VIEW_INFO* pNVI) {
  const S64 horizon = pNVI->CenterOffset.y;
  HWY_DOT_ROWS r = {horizon <= 0, {}};
  if (r.bAllLargest) return r;
  // Size k and more where (horizon - y) * 11 >= k * horizon.
  for (S64 k = 1; k <= 10; k++) r.anRow[k - 1] = (S32)(horizon - (k * horizon + 10) / 11);
  return r;
}

static S32 HWY_nDotSize(const HWY_DOT_ROWS* pRows, S32 y) {
  if (pRows->bAllLargest) return 10;
  S32 n = 0;
  while (n < 10 && y <= pRows->anRow[n]) n++;
  return n;
}

// A point of a run that shows, relative to the centre: the run's box lies
// within half the globe's x and 32 bits of the centre, where T_NAV_ptRelative
// neither wraps nor cuts.
static inline POINT HWY_ptInside(const NAV_VIEW_INFO* pNVI, POINT pt) {
  return {(S32)((S64)pt.x - pNVI->ptCenterMM.x), (S32)((S64)pt.y - pNVI->ptCenterMM.y)};
}

// No step within the run (from the point before it) folded round the globe
// or stopped at a pole. A fold would leave two of the box's points nearly a
// circumference apart, less a step of at most 2^15; a stop at a pole leaves
// one on the limit.
static BOOLEAN HWY_bRunUnfolded(const HWY_RUN* r) {
  return (S64)r->nMaxX - r->nMinX <= NV_X_LIMIT && r->nMaxY < NV_Y_LIMIT && r->nMinY > -NV_Y_LIMIT;
}

// The points of a run that shows whole, relative to the centre, and their
// types.
typedef struct tag_HWY_SHOWN {
  POINT aRel[HWY_RUN_POINTS];
  U8 aeType[HWY_RUN_POINTS];  // TRACKPOINT_TYPE
  U32 n;
} HWY_SHOWN;

// The track's points in scan order: for each point visit(type, relative
// position), for each run passed over as hidden skip(run), and each run
// whose points all show to shows(run, points, lo, hi), with bPixels on the
// pixels [lo, hi]. A run or group for which quiet(run) holds can add
// nothing, and is passed over as hidden.
template <typename VISIT, typename SKIP, typename SHOWS, typename QUIET>
static void HWY_vWalk(const TRACK* pTrack, const HWY_RUNS* pRuns, const NAV_VIEW_INFO* pNVI, BOOLEAN bPixels,
                      VISIT&& visit, SKIP&& skip, SHOWS&& shows, QUIET&& quiet) {
  U16 it = 0, depth = 0;
  POINT pt = {0, 0};
  if (pRuns == nullptr) {
    for (;;) {
      const TRACKPOINT_TYPE e = U_NAV_eScanTrack(pTrack, &it, &pt, &depth);
      if (e == TRACKPOINT_INVALID) return;
      visit(e, T_NAV_ptRelative(pNVI, pt));
    }
  }
  HWY_SHOWN shown;
  const std::vector<HWY_RUN>& runs = pRuns->runs;
  for (size_t nRun = 0; nRun < runs.size(); nRun++) {
    const HWY_RUN& r = runs[nRun];
    // A group hidden whole is passed over as its last run is: every run in
    // its box is hidden.
    POINT lo = {0, 0}, hi = {0, 0};
    const size_t nGroup = nRun / HWY_GROUP_RUNS;
    if (nRun % HWY_GROUP_RUNS == 0 && nGroup < pRuns->groups.size() && it != 0) {
      const HWY_RUN& g = pRuns->groups[nGroup];
      if (HWY_bRunOutOfReach(pNVI, &g) || quiet(g) || HWY_eRunLies(pNVI, &g, &lo, &hi, TRUE) == HWY_RUN_HIDDEN) {
        nRun = std::min(runs.size(), nRun + HWY_GROUP_RUNS) - 1;
        skip(runs[nRun]);
        it = g.u16ItAfter;
        pt = g.ptLast;
        continue;
      }
    }
    // The first run starts the pen: its points are walked.
    const HWY_RUN_LIES eLies = HWY_bRunOutOfReach(pNVI, &r) ? HWY_RUN_HIDDEN
                               : it == 0                      ? HWY_RUN_MIXED
                               : quiet(r)                     ? HWY_RUN_HIDDEN
                               : HWY_eRunLies(pNVI, &r, bPixels ? &lo : nullptr, bPixels ? &hi : nullptr);
    if (eLies == HWY_RUN_HIDDEN) {
      skip(r);
      it = r.u16ItAfter;
      pt = r.ptLast;
      continue;
    }
    shown.n = 0;
    // A run that shows without gaps, folds or clamps is decoded at once, as
    // steps from the point before it.
    const U32 plain = r.u16ItAfter > it ? (U32)(r.u16ItAfter - it) : 0;
    if (eLies == HWY_RUN_SHOWS && r.bAllNormal && plain <= HWY_RUN_POINTS && HWY_bRunUnfolded(&r) &&
        U_NAV_bScanPlainSteps(pTrack, &it, HWY_ptInside(pNVI, pt), plain, shown.aRel)) {
      pt = r.ptLast;
      memset(shown.aeType, TRACKPOINT_NORMAL, plain);
      shown.n = plain;
    }
    while (it < r.u16ItAfter) {
      const TRACKPOINT_TYPE e = U_NAV_eScanTrack(pTrack, &it, &pt, &depth);
      if (e == TRACKPOINT_INVALID) return;
      if (eLies == HWY_RUN_MIXED) {
        visit(e, T_NAV_ptRelative(pNVI, pt));
      } else if (shown.n < HWY_RUN_POINTS) {
        shown.aRel[shown.n] = HWY_ptInside(pNVI, pt);
        shown.aeType[shown.n++] = (U8)e;
      }
    }
    if (eLies == HWY_RUN_SHOWS) shows(r, shown, lo, hi);
  }
}

static void HWY_vTraceDots(const TRACK* pTrack, const HWY_RUNS* pRuns, const NAV_VIEW_INFO* pNVI,
                           HWY_SINK* pSink) {
  U_NAV_HIGHWAY hw;
  U_NAV_vHighwayPrepare(&hw, &pNVI->RotContext, &pNVI->CenterOffset, pNVI->nPixelsPerMMM, pNVI->nEyeOffsetMM);
  static U_NAV_HIGHWAY_QUOTIENTS s_quotients;  // the view task's only
  U_NAV_vHighwayKeepQuotients(&hw, &s_quotients);
  POINT last = {-1000, -1000};
  // Most points fall near the last dot: they are found so before dividing.
  U_NAV_HIGHWAY_NEAR nearLast;
  U_NAV_vHighwayNear(&hw, last, 3, &nearLast);
  const HWY_DOT_ROWS rows = HWY_dotRows(pNVI);
  auto dot = [&](TRACKPOINT_TYPE e, POINT rel) {
    const POINT t = U_NAV_ptHighwayTurned(&hw, rel);
    if (U_NAV_bHighwayNear(&nearLast, t)) return;
    const POINT p = U_NAV_ptHighwayPixel(&hw, t);
    if ((S64)p.x - last.x <= 3 && (S64)last.x - p.x <= 3 && (S64)p.y - last.y <= 3 && (S64)last.y - p.y <= 3) {
      return;
    }
    // A gap's first point moves the last dot without drawing one.
    if (e == TRACKPOINT_NORMAL) HWY_vStep(pSink, HWY_STEP_DOT, {p.x - 1, p.y - 1}, (U8)HWY_nDotSize(&rows, p.y));
    last = p;
    U_NAV_vHighwayNear(&hw, last, 3, &nearLast);
  };
  // Points whose ground lies wholly near the last dot add nothing: a run of
  // them is passed over undecoded.
  auto quiet = [&](const HWY_RUN& r) -> BOOLEAN {
    POINT lo, hi;
    return HWY_bRelativeBox(pNVI, &r, &lo, &hi) && U_NAV_bHighwayNearBox(&hw, &nearLast, lo, hi);
  };
  HWY_vWalk(
      pTrack, pRuns, pNVI, FALSE,
      [&](TRACKPOINT_TYPE e, POINT rel) {
        if (T_NAV_u32PerspectiveFails(pNVI, rel) == 0) dot(e, rel);
      },
      [](const HWY_RUN&) {},
      [&](const HWY_RUN&, const HWY_SHOWN& shown, POINT, POINT) {
        for (U32 k = 0; k < shown.n; k++) dot((TRACKPOINT_TYPE)shown.aeType[k], shown.aRel[k]);
      },
      quiet);
}

static void HWY_vTraceLines(const TRACK* pTrack, const HWY_RUNS* pRuns, const NAV_VIEW_INFO* pNVI,
                            BOOLEAN bCurrentTrack, HWY_SINK* pSink) {
  HWY_PEN pen = {};
  TRACKPOINT_TYPE ePrev = TRACKPOINT_INVALID;
  auto point = [&](TRACKPOINT_TYPE e, POINT rel, U32 fails) {
    if (ePrev == TRACKPOINT_INVALID) {
      HWY_vPenStart(pNVI, &pen, rel, pSink);
    } else {
      HWY_vPenStep(pNVI, &pen, rel, fails, e == TRACKPOINT_NORMAL && ePrev == TRACKPOINT_NORMAL, pSink);
    }
    ePrev = e;
  };
  HWY_vWalk(
      pTrack, pRuns, pNVI, TRUE,
      [&](TRACKPOINT_TYPE e, POINT rel) { point(e, rel, T_NAV_u32PerspectiveFails(pNVI, rel)); },
      [&](const HWY_RUN& r) {
        HWY_vPenAt(pNVI, &pen, T_NAV_ptRelative(pNVI, r.ptLast));
        ePrev = (TRACKPOINT_TYPE)r.eLast;
      },
      [&](const HWY_RUN& r, const HWY_SHOWN& shown, POINT lo, POINT hi) {
        // Joined points that all fall on the pen's next pixel: a line to it
        // for each, of which the sink keeps the first two.
        if (lo.x == hi.x && lo.y == hi.y && r.bAllNormal && ePrev == TRACKPOINT_NORMAL && pen.bDown) {
          const U32 n = pSink->bDropRepeats && shown.n > 2 ? 2 : shown.n;
          for (U32 k = 0; k < n; k++) HWY_vStep(pSink, HWY_STEP_LINE, lo);
          pen.prev = shown.aRel[shown.n - 1];
          pen.u32PrevFails = 0;
          return;
        }
        for (U32 k = 0; k < shown.n; k++) point((TRACKPOINT_TYPE)shown.aeType[k], shown.aRel[k], 0);
      },
      [](const HWY_RUN&) { return FALSE; });
  // The current track reaches the boat.
  if (bCurrentTrack && ePrev != TRACKPOINT_INVALID) {
    const POINT boat = T_NAV_ptRelative(pNVI, pNVI->ptBoatMM);
    HWY_vPenStep(pNVI, &pen, boat, T_NAV_u32PerspectiveFails(pNVI, boat), TRUE, pSink);
  }
}

static BOOLEAN HWY_bCurrentTrackHidden(void) {
  BOOLEAN bVisible = TRUE;
  return H_DATABASE_bFetchBoolean(FCID("SCTV"), &bVisible, nullptr, nullptr) && !bVisible;
}

// Whether a track of this style draws anything at all.
static BOOLEAN HWY_bTrackDraws(const TRACK* pTrack, BOOLEAN bCurrentTrack, U32 u32Style) {
  return u32Style == 0 || pTrack->sHeader.u16Count >= (bCurrentTrack ? 1 : 2);
}

// The steps of a track; with the runs of its index, and with the repeats
// left out that draw nothing new, when they are to be kept.
static void HWY_vTrace(const TRACK* pTrack, const HWY_RUNS* pRuns, const NAV_VIEW_INFO* pNVI,
                       BOOLEAN bCurrentTrack, U32 u32Style, std::vector<HWY_STEP>* pSteps) {
  pSteps->clear();
  HWY_SINK sink = {pSteps, pRuns != nullptr && u32Style != 1, FALSE, {0, 0}};
  if (u32Style == 0) {
    HWY_vTraceDots(pTrack, pRuns, pNVI, &sink);
  } else {
    HWY_vTraceLines(pTrack, pRuns, pNVI, bCurrentTrack, &sink);
  }
}

void T_NAV_vRenderPerspectiveTrack(const TRACK* pTrack, NAV_VIEW_INFO* pNVI, BOOLEAN bCurrentTrack, U32 u32Style,
                                   U32 u32Color) {
  if (pTrack == nullptr || pNVI == nullptr) return;
  if (bCurrentTrack && HWY_bCurrentTrackHidden()) return;
  if (!HWY_bTrackDraws(pTrack, bCurrentTrack, u32Style)) return;
  static std::vector<HWY_STEP> s_steps;  // the view task's only
  HWY_vTrace(pTrack, nullptr, pNVI, bCurrentTrack, u32Style, &s_steps);
  if (u32Style != 0) T_NAV_vTrackPen(pNVI, u32Style, u32Color);
  HWY_vPlaySteps(pNVI, s_steps, bCurrentTrack);
  if (u32Style != 0) HWY_vThin(pNVI);
}

// One track's runs, and its steps for one view; each new set of steps has a
// serial of its own.
typedef struct tag_HWY_TRACE {
  BOOLEAN bIndexed;
  U32 u32Read;  // saved tracks: the copy the runs were made from
  TRACK_HEADER sHeader;
  HWY_RUNS runs;
  BOOLEAN bTraced;
  HWY_TRACE_VIEW view;
  U32 u32Serial;
  std::vector<HWY_STEP> steps;
} HWY_TRACE;

static HWY_TRACE s_aSavedTraces[NAV_MAX_TRACKS];
static HWY_TRACE s_currentTrace;
static U32 s_u32Serials;

HWY_TRACE_VIEW HWY_traceView(const NAV_VIEW_INFO* pNVI, BOOLEAN bCurrentTrack, U32 u32Style) {
  HWY_TRACE_VIEW v;
  memset(&v, 0, sizeof v);  // compared whole
  v.ptCenterMM = pNVI->ptCenterMM;
  v.CenterOffset = pNVI->CenterOffset;
  if (bCurrentTrack) v.ptBoatMM = pNVI->ptBoatMM;
  v.nPixelsPerMMM = pNVI->nPixelsPerMMM;
  v.nEyeOffsetMM = pNVI->nEyeOffsetMM;
  v.nCos = pNVI->RotContext.IntCosAngle;
  v.nSin = pNVI->RotContext.IntSinAngle;
  // Lines of every style but the dotted one trace alike.
  v.u32Style = u32Style == 0 || u32Style == 1 ? u32Style : 2;
  return v;
}

static void HWY_vPlayTrace(NAV_VIEW_INFO* pNVI, const T_CHART_OP* pOp, const char*, T_CHART_EXTENT* pExtent,
                           BOOLEAN bDraw) {
  const std::vector<HWY_STEP>& steps = ((const HWY_TRACE*)pOp->p)->steps;
  if (pExtent != nullptr && pExtent->pPlaces == nullptr) {
    T_NAV_vStepsExtent(steps, pOp->a ? s_apCurrentDots : s_apSavedDots, pExtent);
  }
  if (bDraw) HWY_vPlaySteps(pNVI, steps, (BOOLEAN)pOp->a, pExtent != nullptr ? pExtent->pPlaces : nullptr);
}

// Runs from the track unless they were made from the same copy or header;
// steps unless they were made for the same view.
static void HWY_vRenderKept(HWY_TRACE* pTrace, const TRACK* pTrack, U32 u32Read, NAV_VIEW_INFO* pNVI,
                            BOOLEAN bCurrentTrack, U32 u32Style, U32 u32Color) {
  if (!HWY_bTrackDraws(pTrack, bCurrentTrack, u32Style)) return;
  if (!pTrace->bIndexed || pTrace->u32Read != u32Read ||
      memcmp(&pTrace->sHeader, &pTrack->sHeader, sizeof pTrack->sHeader) != 0) {
    HWY_vIndexTrack(pTrack, &pTrace->runs);
    pTrace->u32Read = u32Read;
    pTrace->sHeader = pTrack->sHeader;
    pTrace->bIndexed = TRUE;
    pTrace->bTraced = FALSE;
  }
  const HWY_TRACE_VIEW view = HWY_traceView(pNVI, bCurrentTrack, u32Style);
  if (!pTrace->bTraced || memcmp(&pTrace->view, &view, sizeof view) != 0) {
    HWY_vTrace(pTrack, &pTrace->runs, pNVI, bCurrentTrack, u32Style, &pTrace->steps);
    pTrace->view = view;
    pTrace->u32Serial = ++s_u32Serials;
    pTrace->bTraced = TRUE;
  }
  if (u32Style != 0) T_NAV_vTrackPen(pNVI, u32Style, u32Color);
  T_CHART_OP op = T_CHART_op();
  op.p = pTrace;
  op.n = (S32)pTrace->u32Serial;
  op.a = bCurrentTrack;
  T_CHART_vCall(pNVI, HWY_vPlayTrace, op, nullptr, 0);
  if (u32Style != 0) HWY_vThin(pNVI);
}

void HWY_vRenderSavedTrack(NAV_VIEW_INFO* pNVI, S32 nIndex, const TRACK_HEADER* pHeader, U32 u32Style,
                           U32 u32Color) {
  U32 u32Read = 0;
  const TRACK* pTrack = T_NAV_pSavedTrackCopy(nIndex, pHeader, &u32Read);
  if (pTrack == nullptr) return;
  HWY_vRenderKept(&s_aSavedTraces[nIndex], pTrack, u32Read, pNVI, FALSE, u32Style, u32Color);
}

void HWY_vRenderCurrentTrack(NAV_VIEW_INFO* pNVI, U32 u32Style, U32 u32Color) {
  if (HWY_bCurrentTrackHidden()) return;
  HWY_vRenderKept(&s_currentTrace, &g_NAV.CurrentTrack, 0, pNVI, TRUE, u32Style, u32Color);
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
  T_CHART_vColour(pNVI, 7);
  if (n > 0 && abSkipped[0] && nNavigated > 0) HWY_vLeg(pNVI, pNavigated->anWaypoint[0], pRoute->anWaypoint[0]);
  for (U32 i = 1; i < n; i++) {
    if (abSkipped[i] || abSkipped[i - 1]) HWY_vLeg(pNVI, pRoute->anWaypoint[i - 1], pRoute->anWaypoint[i]);
  }
  HWY_vThin(pNVI);
}
