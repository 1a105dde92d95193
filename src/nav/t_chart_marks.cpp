// Rings and marks of the chart overlay: casting rings round waypoints, the
// distance rings round the target waypoint, the grid round the grid
// waypoint, the cursor waypoint, the proximity flags and the alarm limits.

#include "t_chart_marks.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "color.h"
#include "g_box.h"
#include "g_circle.h"
#include "g_iconset.h"
#include "g_string.h"
#include "gp_rotate.h"
#include "gr_line.h"
#include "h_database.h"
#include "h_memory.h"
#include "navmath.h"
#include "t_chart_list.h"
#include "t_chart_overlay.h"
#include "t_nav_int.h"
#include "t_nav_twr.h"
#include "u_convert.h"
#include "u_wstring.h"
#include "ui_texts.h"

static U16 s_ProxTable[NAV_MAX_WAYPOINTS];
static U32 s_u32WPPCount;
static constexpr U32 NAV_MAX_PROXIMITY_FLAGS = 10;
static constexpr S32 NAV_PROXIMITY_MAX_ZOOM = 16;
static constexpr float NAV_PROXIMITY_MAX_SPEED = 15.0f;

static S32 MRK_nClip(const NAV_VIEW_INFO* pNVI) { return U_NAV_CLIP_PIXELS_X_SCALE / pNVI->nPixelsPerMMM; }

static U32 MRK_u32Palette(void) {
  U32 u = 0;
  H_DATABASE_bFetchU32(FCID("SPAL"), &u, nullptr, nullptr);
  return u;
}

// One ruler length in Mercator metres at the chart centre.
static S64 MRK_s64Unit(const NAV_VIEW_INFO* pNVI, const SCALE_BAR_LENGTHS* pRow) {
  return ((S64)pRow->nMeters * U_NAV_u16ScalingMMPerKm(pNVI->ptCenterMM.y)) >> 10;
}

// ---------------------------------------------------------------------------
// Proximity candidates

void T_NAV_vClearProximity(void) {
  for (U16& u : s_ProxTable) u = 65535;
  s_u32WPPCount = 0;
}

BOOLEAN T_NAV_bProximityWanted(const NAV_VIEW_INFO* pNVI) {
  BOOLEAN bFlags = FALSE;
  float fSpeed = 0.0f;
  if (!H_DATABASE_bFetchBoolean(FCID("SNWP"), &bFlags, nullptr, nullptr) || !bFlags) return FALSE;
  if (pNVI->nChartScale > NAV_PROXIMITY_MAX_ZOOM) return FALSE;
  if (!H_DATABASE_bFetchFloat(FCID("ISPD"), &fSpeed, nullptr, nullptr)) fSpeed = 0.0f;
  return fSpeed <= NAV_PROXIMITY_MAX_SPEED;
}

void T_NAV_vAddProximityIndex(S32 nIndex) {
  if (s_u32WPPCount < NAV_MAX_WAYPOINTS && nIndex >= 0) s_ProxTable[s_u32WPPCount++] = (U16)nIndex;
}

void T_NAV_vAddProximityCandidate(const NAV_VIEW_INFO* pNVI, S32 nIndex) {
  if (T_NAV_bProximityWanted(pNVI)) T_NAV_vAddProximityIndex(nIndex);
}

U32 T_NAV_u32ProximityCount(void) { return s_u32WPPCount; }

// ---------------------------------------------------------------------------
// Casting ring

U32 T_NAV_u32CastingRingDiameter(const NAV_VIEW_INFO* pNVI) {
  float fCast = 0.0f;
  if (pNVI->nChartScale > 12 || !H_DATABASE_bFetchFloat(FCID("SNCR"), &fCast, nullptr, nullptr)) return 0;
  const SCALE_BAR_LENGTHS* pRow = T_NAV_pGetScaleBarLengths(pNVI->nChartScale);
  const double u = (double)MRK_s64Unit(pNVI, pRow);
  const double d = 2.0 * (double)fCast * pNVI->nPixelsPerMMM / 1048576.0 * u / pRow->nMeters + 0.5;
  if (!(d >= 1.0) || d > 4096.0) return 0;
  return (U32)d;
}

void T_NAV_vDrawCastingRingsOf(NAV_VIEW_INFO* pNVI, POINT pt, U32 u32Diameter) {
  if (u32Diameter == 0) return;
  for (U32 k = 0; k < 4; k++) T_CHART_vCircle(pNVI, gCOLOR_pcolColorTable[37], pt, u32Diameter + k);
}

void T_NAV_vDrawCastingRings(NAV_VIEW_INFO* pNVI, POINT* pt) {
  T_NAV_vDrawCastingRingsOf(pNVI, *pt, T_NAV_u32CastingRingDiameter(pNVI));
}

// ---------------------------------------------------------------------------
// Circles in Mercator metres

// Projection inputs of the precision rule: a factor of 65,536 or more is
// shifted down and the metres up by the same amount.
typedef struct tag_MRK_SCALE {
  S32 nShift;
  S32 nFactor;
} MRK_SCALE;

static MRK_SCALE MRK_scale(const NAV_VIEW_INFO* pNVI) {
  MRK_SCALE s = {0, pNVI->nPixelsPerMMM};
  if (pNVI->nPixelsPerMMM >= 65536) {
    s.nShift = U_NAV_nIntLog2(pNVI->nPixelsPerMMM) - 15;
    s.nFactor = pNVI->nPixelsPerMMM >> s.nShift;
  }
  return s;
}

static POINT MRK_ptProject(const NAV_VIEW_INFO* pNVI, const MRK_SCALE& s, S64 x, S64 y) {
  POINT p = {(S32)(x << s.nShift), (S32)(y << s.nShift)};
  U_NAV_vConvertMMToPixel(&p, &pNVI->RotContext, &pNVI->CenterOffset, s.nFactor);
  return p;
}

// A circle of radius r round centre (metres relative to the chart centre) in
// 5-degree steps from a0 to a1; a segment only between points inside the
// clip square. TRUE when any point was inside; *pLowest gets the lowest
// screen point.
static BOOLEAN MRK_bArc(NAV_VIEW_INFO* pNVI, POINT c, S64 r, S32 a0, S32 a1) {
  const MRK_SCALE s = MRK_scale(pNVI);
  const S64 L = (S64)MRK_nClip(pNVI);
  S32 rs = 0;
  if (r >= 0x8000) {
    rs = U_NAV_nIntLog2((S32)(r > 0x7FFFFFFF ? 0x7FFFFFFF : r)) - 14;
    r >>= rs;
  }
  BOOLEAN bAny = FALSE, bPrev = FALSE;
  for (S32 a = a0; a <= a1; a += 5) {
    const S64 x = c.x + ((r * U_NAV_nIntSin(a)) >> (16 - rs));
    const S64 y = c.y + ((r * U_NAV_nIntCos(a)) >> (16 - rs));
    const BOOLEAN bIn = x >= -L && x <= L && y >= -L && y <= L;
    if (bIn) {
      const POINT p = MRK_ptProject(pNVI, s, x, y);
      if (bPrev) {
        T_CHART_vLine(pNVI, p);
      } else {
        T_CHART_vMove(pNVI, p);
      }
      bAny = TRUE;
    }
    bPrev = bIn;
  }
  return bAny;
}

static void MRK_vPen(NAV_VIEW_INFO* pNVI, S32 colour, S32 size) {
  T_CHART_vColour(pNVI, colour);
  T_CHART_vTool(pNVI, BRUSH);
  T_CHART_vSize(pNVI, size);
}

static void MRK_vResetPen(NAV_VIEW_INFO* pNVI) {
  T_CHART_vPatternStatus(pNVI, FALSE);
  T_CHART_vTool(pNVI, STD_PEN);
  T_CHART_vSize(pNVI, 1);
}

// A label in a dark box, its lower-left corner at (x + 4 - w/2, y - 3).
static void MRK_vBoxLabel(NAV_VIEW_INFO* pNVI, POINT at, const char* sNarrow) {
  char sText[32];
  snprintf(sText, sizeof sText, "%s", sNarrow);
  U_WSTRING_vReplaceNarrowWithWide(sText, sizeof sText);
  const FONT_DEF* pFont = T_NAV_pFont14();
  const S32 w = (S32)G_STRING_u32GetWidth(pFont, (const BYTE*)sText);
  const POINT box = {at.x + 4 - w / 2, at.y - 3};
  const BITMAP* b = pNVI->pBitmap;
  if (box.x < b->s32ClipLeft || box.x + w + 8 > b->s32ClipRight + 1 || box.y < b->s32ClipBottom ||
      box.y + 19 > b->s32ClipTop + 1) {
    return;
  }
  T_CHART_vBox(pNVI, gCOLOR_pcolColorTable[238], box, (U32)w + 8, 19);
  T_CHART_vText(pNVI, gCOLOR_pcolColorTable[35], {box.x + 4, box.y + 4}, pFont, sText);
}

static BOOLEAN MRK_bWaypoint(S32 nIndex, POINT* ppt, const WAYPOINT** ppWaypoint = nullptr) {
  if (nIndex < 0 || nIndex == 65535) return FALSE;
  const WAYPOINT* p = T_NAV_pGetWaypoint((U32)nIndex);
  if (p == nullptr || p->u8Status == WPT_STATUS_FREE || p->u8Status > WPT_STATUS_SAVED_2) return FALSE;
  *ppt = p->pt;
  if (ppWaypoint != nullptr) *ppWaypoint = p;
  return TRUE;
}

void T_NAV_vRenderWaypointTarget(NAV_VIEW_INFO* pNVI) {
  S32 nTarget = 65535;
  POINT pt;
  if (!NAV_bFetchIndex(FCID("ITWP"), &nTarget) || !MRK_bWaypoint(nTarget, &pt)) return;
  const SCALE_BAR_LENGTHS* pRow = T_NAV_pGetScaleBarLengths(pNVI->nChartScale);
  const S64 u = MRK_s64Unit(pNVI, pRow);
  const POINT c = T_NAV_ptRelative(pNVI, pt);
  const char* const labels[3] = {pRow->sNumber, pRow->sNumber2, pRow->sNumber3};
  for (S32 k = 1; k <= 3; k++) {
    MRK_vPen(pNVI, 23, 2);
    if (!MRK_bArc(pNVI, c, k * u, 0, 360)) continue;
    // The ring's lowest screen point.
    POINT centre = c;
    U_NAV_vConvertMMToPixel(&centre, &pNVI->RotContext, &pNVI->CenterOffset, pNVI->nPixelsPerMMM);
    const S64 radius = ((k * u) * (S64)pNVI->nPixelsPerMMM + 0x80000) >> 20;
    const POINT low = {centre.x, (S32)((S64)centre.y - (radius > 100000 ? 100000 : radius))};
    MRK_vResetPen(pNVI);
    MRK_vBoxLabel(pNVI, low, labels[k - 1]);
  }
  MRK_vResetPen(pNVI);
}

void T_NAV_vRenderWaypointGrid(NAV_VIEW_INFO* pNVI) {
  S32 nGrid = 65535;
  float fAngle = 0.0f;
  POINT pt;
  if (!NAV_bFetchIndex(FCID("IGWP"), &nGrid) || !MRK_bWaypoint(nGrid, &pt) ||
      !H_DATABASE_bFetchFloat(FCID("SNGA"), &fAngle, nullptr, nullptr) || !isfinite(fAngle)) {
    return;
  }
  const SCALE_BAR_LENGTHS* pRow = T_NAV_pGetScaleBarLengths(pNVI->nChartScale);
  const S64 u64 = MRK_s64Unit(pNVI, pRow);
  const S32 u = u64 > 100000000 ? 100000000 : (S32)u64;
  const POINT c = T_NAV_ptRelative(pNVI, pt);
  GP_ROTCONTEXT rot;
  gr_ResetRotationContext(&rot);
  gr_SetRotationAngle(&rot, fmod((double)fAngle, 360.0));
  const S32 L = MRK_nClip(pNVI);
  MRK_vPen(pNVI, 23, 2);
  auto place = [&](S32 x, S32 y) {
    POINT p = {x, y};
    U_NAV_vRotatePoint(&rot, &p, &p);
    const S64 px = (S64)p.x + c.x, py = (S64)p.y + c.y;
    auto cut = [](S64 v) { return (S32)(v > 0x7FFFFFFF ? 0x7FFFFFFF : v < -0x7FFFFFFF ? -0x7FFFFFFF : v); };
    return POINT{cut(px), cut(py)};
  };
  for (S32 i = 3; i >= -3; i--) {
    const S32 o = i * u;
    POINT lines[2][2] = {{place(-3 * u, o), place(3 * u, o)}, {place(o, -3 * u), place(o, 3 * u)}};
    for (auto& ln : lines) {
      U_NAV_vClipLineToBox(&ln[0], &ln[1], -L, L);
      T_NAV_vRenderPolyLineMM(ln, 2, pNVI);
    }
  }
  MRK_vResetPen(pNVI);
  const char* const labels[3] = {pRow->sNumber, pRow->sNumber2, pRow->sNumber3};
  for (S32 k = 1; k <= 3; k++) {
    POINT p = place(0, -k * u);
    if (!(p.x > -L && p.x < L && p.y > -L && p.y < L)) continue;
    U_NAV_vConvertMMToPixel(&p, &pNVI->RotContext, &pNVI->CenterOffset, pNVI->nPixelsPerMMM);
    MRK_vBoxLabel(pNVI, p, labels[k - 1]);
  }
}

void T_NAV_vRenderCursorWaypoint(NAV_VIEW_INFO* pNVI) {
  S32 nIndex = 65535;
  POINT pt;
  const WAYPOINT* pWaypoint = nullptr;
  if (!NAV_bFetchIndex(FCID("ICWP"), &nIndex) || !MRK_bWaypoint(nIndex, &pt, &pWaypoint)) {
    return;
  }
  const POINT rel = T_NAV_ptRelative(pNVI, pt);
  const S32 L = MRK_nClip(pNVI);
  if (!(rel.x > -L && rel.x < L && rel.y > -L && rel.y < L)) return;
  POINT p = rel;
  U_NAV_vConvertMMToPixel(&p, &pNVI->RotContext, &pNVI->CenterOffset, pNVI->nPixelsPerMMM);
  const ICON* pIcon = T_NAV_pWaypointIcon(pWaypoint->u8Icon);
  const POINT corner = {p.x + 1 - pIcon->nWidth / 2, p.y - pIcon->nHeight / 2};
  T_CHART_vIcon(pNVI, pIcon, corner);
  POINT centre = {corner.x + pIcon->nWidth / 2, corner.y + pIcon->nHeight / 2};
  T_NAV_vDrawCastingRings(pNVI, &centre);
  // Ended by two zero bytes, as a 16-bit name needs.
  char sName[NAV_WAYPOINT_NAME_SIZE + 2] = {};
  memcpy(sName, pWaypoint->sName, 10);
  const FONT_DEF* pFont = T_NAV_pFont17();
  const S32 w = (S32)G_STRING_u32GetWidth(pFont, (const BYTE*)sName);
  const POINT box = {p.x + 1 + pIcon->nWidth / 2 - 3, p.y - 12};
  T_CHART_vBox(pNVI, gCOLOR_pcolColorTable[238], box, (U32)w + 9, 23);
  T_CHART_vText(pNVI, gCOLOR_pcolColorTable[35], {p.x + 1 + pIcon->nWidth / 2 + 1, p.y - 11}, pFont, sName);
}

// ---------------------------------------------------------------------------
// Proximity flags

typedef struct tag_WP_NODE {
  float fDistToBoat;
  float fDistToCenter;
  POINT ptWyptMM;
} WP_NODE;

int T_NAV_iProximitySortBoat(const void* a, const void* b) {
  const float x = ((const WP_NODE*)a)->fDistToBoat, y = ((const WP_NODE*)b)->fDistToBoat;
  return x == y ? 0 : x > y ? 1 : -1;
}

int T_NAV_iProximitySortCenter(const void* a, const void* b) {
  const float x = ((const WP_NODE*)a)->fDistToCenter, y = ((const WP_NODE*)b)->fDistToCenter;
  return x == y ? 0 : x > y ? 1 : -1;
}

static float MRK_fDistance(const POINT* a, const POINT* b) {
  POSITION pa, pb;
  if (nv_MeterToDegr(a, &pa) != NV_OK || nv_MeterToDegr(b, &pb) != NV_OK) return 0.0f;
  double course = 0.0, distance = 0.0;
  nv_GeoRouteAngle(&pa, &pb, &course);
  nv_CalcDistance(&pa, &pb, course, &distance);
  return (float)dConvertToInternal(distance, D_DISTANCE, U_NAUT_MILES);
}

// The text table of a distance unit the flag shows.
static const char* const* MRK_ppUnitText(UNIT_TYPE eUnits) {
  switch (eUnits) {
    case U_FEET:
      return ft;
    case U_METRES:
      return m;
    case U_STAT_MILES:
      return sm;
    case U_NAUT_MILES:
      return nm;
    default:
      return km;
  }
}

void T_NAV_vDrawProximityFlag(NAV_VIEW_INFO* pNVI, POINT* pt, float WP_Dist, BOOLEAN bCursor) {
  U32 u32Units = 0;
  H_DATABASE_bFetchU32(FCID("SUDS"), &u32Units, nullptr, nullptr);
  const double d = WP_Dist;
  // Short distances in the short unit, whole; longer ones with two decimals.
  BOOLEAN bShort = FALSE;
  UNIT_TYPE eShort = U_METRES, eLong = U_KM;
  switch (u32Units) {
    case U_STAT_MILES:
      bShort = d * 3.2808333290409095 < 1000;
      eShort = U_FEET;
      eLong = U_STAT_MILES;
      break;
    case U_KM:
      bShort = d < 1000;
      break;
    case U_NAUT_MILES_FT:
      // The threshold factor is kept as the unit has always shown it.
      bShort = d * 3.775515267229085 < 1000;
      eShort = U_FEET;
      eLong = U_NAUT_MILES;
      break;
    case U_NAUT_MILES_M:
      bShort = d < 1000;
      eLong = U_NAUT_MILES;
      break;
    default:
      break;
  }
  const UNIT_TYPE eShown = bShort ? eShort : eLong;
  char sNumber[24];
  snprintf(sNumber, sizeof sNumber, bShort ? "%3.0f" : "%.2f", dConvertFromInternal(d, D_DISTANCE, eShown));
  char sText[40];
  T_NAV_vNumberAndUnit(sText, sizeof sText, sNumber, "", MRK_ppUnitText(eShown));
  const FONT_DEF* pFont = T_NAV_pFont14();
  const S32 w = (S32)G_STRING_u32GetWidth(pFont, (const BYTE*)sText);
  const S32 mid = PBox_Middle.nWidth > 0 ? PBox_Middle.nWidth : 1;
  const S32 n = w > 15 ? (w - 15 + mid - 1) / mid : 0;
  const S32 T = PBox_R.nWidth + PBox_End_R.nWidth - 15 + w;
  const BITMAP* b = pNVI->pBitmap;
  const S32 top = bCursor ? 421 : b->s32ClipTop;
  const BOOLEAN bHang = (S64)pt->y + PBox_R.nHeight > top;
  const BOOLEAN bLeft = (S64)pt->x + T > b->s32ClipRight;
  // Extent of the whole flag for the edge test.
  const S32 x0 = bLeft ? pt->x - T : pt->x, x1 = bLeft ? pt->x : pt->x + T;
  const S32 y0 = bHang ? pt->y - PBox_R.nHeight : pt->y, y1 = bHang ? pt->y : pt->y + PBox_R.nHeight;
  if (x0 < b->s32ClipLeft || x1 > b->s32ClipRight || y0 < b->s32ClipBottom || y1 > top) return;
  const ICON* pHead = bLeft ? &PBox_L : &PBox_R;
  const ICON* pEnd = bLeft ? &PBox_End_L : &PBox_End_R;
  // The band of middles and the end sit at the top of the head (or at its
  // bottom when the flag hangs).
  const S32 bandY = bHang ? pt->y - PBox_R.nHeight : pt->y + PBox_R.nHeight - PBox_Middle.nHeight;
  if (bHang) {
    const POINT centre = {pHead->nWidth / 2, pHead->nHeight / 2};
    const POINT at = {pt->x + (bLeft ? -pHead->nWidth / 2 : pHead->nWidth / 2), pt->y - pHead->nHeight / 2};
    T_CHART_vTurnedIcon(pNVI, pHead, at, centre, M_PI);
  } else {
    const POINT at = {bLeft ? pt->x - pHead->nWidth + 1 : pt->x, pt->y};
    T_CHART_vIcon(pNVI, pHead, at);
  }
  S32 x = bLeft ? pt->x - pHead->nWidth + 1 - mid : pt->x + pHead->nWidth - 1;
  const S32 textX = bLeft ? x - n * mid + mid : x;
  for (S32 i = 0; i < n; i++) {
    const POINT at = {x, bandY};
    T_CHART_vIcon(pNVI, &PBox_Middle, at);
    x += bLeft ? -mid : mid;
  }
  const POINT endAt = {bLeft ? x - pEnd->nWidth + mid : x, bandY};
  T_CHART_vIcon(pNVI, pEnd, endAt);
  const COLOR text = gCOLOR_pcolColorTable[MRK_u32Palette() == 2 ? 40 : 35];
  T_CHART_vText(pNVI, text, {textX - 8, bandY + 4}, pFont, sText);
}

void T_NAV_vRenderProximityFlags(NAV_VIEW_INFO* pNVI, BOOLEAN bCursor) {
  if (s_u32WPPCount == 0) return;
  // A frame does not wait for the heap: without a block it shows no flags.
  WP_NODE* pNodes = (WP_NODE*)H_MEMORY_pvMallocNoWait(s_u32WPPCount * (U32)sizeof(WP_NODE));
  if (pNodes == nullptr) return;
  U32 used = 0;
  for (U32 i = 0; i < s_u32WPPCount; i++) {
    const WAYPOINT* p = T_NAV_pGetWaypoint(s_ProxTable[i]);
    if (p == nullptr) continue;
    pNodes[used].ptWyptMM = p->pt;
    pNodes[used].fDistToBoat = MRK_fDistance(&pNVI->ptBoatMM, &p->pt);
    pNodes[used].fDistToCenter = MRK_fDistance(&pNVI->ptCenterMM, &p->pt);
    used++;
  }
  qsort(pNodes, used, sizeof(WP_NODE), bCursor ? T_NAV_iProximitySortCenter : T_NAV_iProximitySortBoat);
  const U32 kept = used < NAV_MAX_PROXIMITY_FLAGS ? used : NAV_MAX_PROXIMITY_FLAGS;
  for (U32 i = kept; i-- > 0;) {
    POINT p = T_NAV_ptRelative(pNVI, pNodes[i].ptWyptMM);
    U_NAV_vConvertMMToPixel(&p, &pNVI->RotContext, &pNVI->CenterOffset, pNVI->nPixelsPerMMM);
    T_NAV_vDrawProximityFlag(pNVI, &p, bCursor ? pNodes[i].fDistToCenter : pNodes[i].fDistToBoat, bCursor);
  }
  H_MEMORY_vFree(pNodes);
}

// ---------------------------------------------------------------------------
// Alarm limits

static S64 MRK_s64Radius(const NAV_VIEW_INFO* pNVI, float fLimit) {
  if (!isfinite(fLimit) || fLimit <= 0.0f || fLimit > 1.0e7f) return 0;
  return ((S64)fLimit * U_NAV_u16ScalingMMPerKm(pNVI->ptCenterMM.y)) / 1024;
}

void T_NAV_vRenderAlarmLimits(NAV_VIEW_INFO* pNVI) {
  float fDrift = 0.0f;
  S32 nLat = 0, nLon = 0;
  MRK_vPen(pNVI, 20, 2);
  if (H_DATABASE_bFetchFloat(FCID("CNDA"), &fDrift, nullptr, nullptr) && fDrift > 0.0f &&
      H_DATABASE_bFetchS32(FCID("IDLT"), &nLat, nullptr, nullptr) &&
      H_DATABASE_bFetchS32(FCID("IDLN"), &nLon, nullptr, nullptr)) {
    MRK_bArc(pNVI, T_NAV_ptRelative(pNVI, {nLon, nLat}), MRK_s64Radius(pNVI, fDrift), 0, 360);
  }
  float fOff = 0.0f, fArrive = 0.0f;
  S32 nLeg = 0;
  BOOLEAN bStraight = FALSE;
  const ROUTE* pRoute = &g_NAV.CurrentRoute;
  if (g_NAV.u16MOBWaypoint == 65535 && H_DATABASE_bFetchFloat(FCID("SNAO"), &fOff, nullptr, nullptr) &&
      H_DATABASE_bFetchFloat(FCID("SNAA"), &fArrive, nullptr, nullptr) &&
      NAV_bFetchIndex(FCID("INIP"), &nLeg) && nLeg > 0 &&
      (U32)nLeg < (pRoute->nCount < NAV_MAX_ROUTE_POINTS ? pRoute->nCount : NAV_MAX_ROUTE_POINTS) &&
      !(H_DATABASE_bFetchBoolean(FCID("CCNC"), &bStraight, nullptr, nullptr) && bStraight)) {
    POINT dest, origin;
    if (MRK_bWaypoint(pRoute->anWaypoint[nLeg], &dest)) {
      const POINT d = T_NAV_ptRelative(pNVI, dest);
      if (fArrive != 0.0f) MRK_bArc(pNVI, d, MRK_s64Radius(pNVI, fArrive), 0, 360);
      const BOOLEAN bOrigin = g_NAV.bRecalculate ? (origin = g_NAV.ptRecalculateOrigin, TRUE)
                                                 : MRK_bWaypoint(pRoute->anWaypoint[nLeg - 1], &origin);
      if (fOff != 0.0f && bOrigin) {
        const POINT o = T_NAV_ptRelative(pNVI, origin);
        const S64 r = MRK_s64Radius(pNVI, fOff);
        float fTrack = 0.0f;
        H_DATABASE_bFetchFloat(FCID("ITRK"), &fTrack, nullptr, nullptr);
        const S32 a = isfinite(fTrack) ? (S32)fmod((double)fTrack, 360.0) : 0;
        MRK_bArc(pNVI, d, r, a - 90, a + 90);
        MRK_bArc(pNVI, o, r, a + 90, a + 270);
        const S32 L = MRK_nClip(pNVI);
        for (S32 side : {a - 90, a + 90}) {
          const S64 ox = (r * U_NAV_nIntSin(side)) >> 16, oy = (r * U_NAV_nIntCos(side)) >> 16;
          auto cut = [](S64 v) { return (S32)(v > 0x7FFFFFFF ? 0x7FFFFFFF : v < -0x7FFFFFFF ? -0x7FFFFFFF : v); };
          POINT seg[2] = {{cut(o.x + ox), cut(o.y + oy)}, {cut(d.x + ox), cut(d.y + oy)}};
          U_NAV_vClipLineToBox(&seg[0], &seg[1], -L, L);
          T_NAV_vRenderPolyLineMM(seg, 2, pNVI);
        }
      }
    }
  }
  MRK_vResetPen(pNVI);
}
