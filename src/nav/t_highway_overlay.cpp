// What the highway view shows over its ground, later items covering earlier
// ones: target rings, trolling grid, alarm circles, the navigated route with
// its skipped legs, tracks, waypoint pins with names, AIS targets, and last
// the own boat lying on the ground.

#include <math.h>
#include <stdio.h>
#include <string.h>

#include "color.h"
#include "g_fonts.h"
#include "g_iconset.h"
#include "g_image32.h"
#include "gp_rotate.h"
#include "gr_context.h"
#include "gr_line.h"
#include "h_database.h"
#include "linuxsvc.h"
#include "navmath.h"
#include "t_chart_ais.h"
#include "t_chart_overlay.h"
#include "t_highway_int.h"
#include "t_nav_group_store.h"
#include "t_nav_int.h"
#include "t_nav_nvram_flash.h"
#include "t_nav_twr.h"
#include "t_nmea_ais.h"
#include "u_nav_edit.h"
#include "u_wstring.h"

static constexpr U32 HWY_CONE = HWY_FAIL_LEFT | HWY_FAIL_RIGHT | HWY_FAIL_NEAR;

static BOOLEAN HWY_bIsTrue(const char (&key)[5]) {
  BOOLEAN b = FALSE;
  return H_DATABASE_bFetchBoolean(FCID(key), &b, nullptr, nullptr) && b;
}

static U32 HWY_u32Palette(void) {
  U32 u = 0;
  H_DATABASE_bFetchU32(FCID("SPAL"), &u, nullptr, nullptr);
  return u;
}

static S32 HWY_nEntry(U32 u32Entry) { return (S32)(0x80000000u | gCOLOR_pcolColorTable[u32Entry]); }

static void HWY_vPen(NAV_VIEW_INFO* pNVI, S32 colour, DRAWING_TOOL tool, S32 size) {
  T_CHART_vColour(pNVI, colour);
  T_CHART_vTool(pNVI, tool);
  T_CHART_vSize(pNVI, size);
}

static void HWY_vResetPen(NAV_VIEW_INFO* pNVI) {
  T_CHART_vPatternStatus(pNVI, FALSE);
  T_CHART_vTool(pNVI, STD_PEN);
  T_CHART_vSize(pNVI, 1);
}

// Ground metres to Mercator metres at the view's latitude.
static S64 HWY_s64Mercator(const NAV_VIEW_INFO* pNVI, S64 s64Metres) {
  return s64Metres * U_NAV_u16ScalingMMPerKm(pNVI->ptCenterMM.y) >> 10;
}

// A distance limit setting (ground metres) in Mercator metres; 0 for none.
static S64 HWY_s64Limit(const NAV_VIEW_INFO* pNVI, float fLimit) {
  if (!isfinite(fLimit) || fLimit <= 0.0f || fLimit > 1.0e7f) return 0;
  return ((S64)fLimit * U_NAV_u16ScalingMMPerKm(pNVI->ptCenterMM.y)) / 1024;
}

// ---------------------------------------------------------------------------
// Circles on the ground

// An arc of radius r (Mercator metres) round a position from bearing nFrom
// to nTo, walked in 5 degree steps; consecutive points inside the cone are
// joined. With bWholeDegrees the visible arc starts and ends on whole
// degrees. Where a metre is many pixels the walk runs on a finer grid, so
// small circles stay round.
static void HWY_vArc(NAV_VIEW_INFO* pNVI, POINT ptCentre, S64 r, S32 nFrom, S32 nTo, BOOLEAN bWholeDegrees) {
  const POINT c = T_NAV_ptRelative(pNVI, ptCentre);
  const S64 E = pNVI->nEyeOffsetMM, reach = 4 * E;
  const S64 dist = (S64)sqrt((double)c.x * c.x + (double)c.y * c.y);
  // Nothing of a circle wholly beyond the view, or wholly round it, shows.
  if (r <= 0 || dist - r > reach + E || r - dist > 64 * reach) return;
  NAV_VIEW_INFO v;
  memcpy(&v.RotContext, &pNVI->RotContext, sizeof v.RotContext);
  v.CenterOffset = pNVI->CenterOffset;
  v.nPixelsPerMMM = pNVI->nPixelsPerMMM;
  v.nEyeOffsetMM = pNVI->nEyeOffsetMM;
  S32 shift = v.nPixelsPerMMM >= 65536 ? U_NAV_nIntLog2(v.nPixelsPerMMM) - 15 : 0;
  const S64 extent = (S64)llabs(c.x) + llabs(c.y) + r + reach;
  while (shift > 0 && (extent << shift) >= ((S64)1 << 30)) shift--;
  if ((extent << shift) >= ((S64)1 << 31)) return;
  v.nPixelsPerMMM >>= shift;
  v.nEyeOffsetMM <<= shift;
  const S64 cx = (S64)c.x << shift, cy = (S64)c.y << shift, rs = r << shift;
  auto pointAt = [&](S32 a) {
    return POINT{(S32)(cx + ((U_NAV_nIntSin(a) * rs) >> 16)), (S32)(cy + ((U_NAV_nIntCos(a) * rs) >> 16))};
  };
  BOOLEAN bPenDown = FALSE;
  auto visit = [&](S32 a) {
    const POINT p = pointAt(a);
    if ((T_NAV_u32PerspectiveFails(&v, p) & HWY_CONE) != 0) {
      bPenDown = FALSE;
      return;
    }
    const POINT q = T_NAV_ptPerspectivePixel(&v, p);
    if (bPenDown) {
      T_CHART_vLine(pNVI, q);
    } else {
      T_CHART_vMove(pNVI, q);
    }
    bPenDown = TRUE;
  };
  BOOLEAN bPrevVisible = FALSE;
  for (S32 a = nFrom; a <= nTo; a += 5) {
    const BOOLEAN bVisible = (T_NAV_u32PerspectiveFails(&v, pointAt(a)) & HWY_CONE) == 0;
    if (bWholeDegrees && a > nFrom && bVisible != bPrevVisible) {
      for (S32 d = a - 4; d < a; d++) visit(d);
    }
    visit(a);
    bPrevVisible = bVisible;
  }
}

static void HWY_vRenderTargetRings(NAV_VIEW_INFO* pNVI) {
  S32 nTarget = 65535;
  POINT pt;
  if (!NAV_bFetchIndex(FCID("ITWP"), &nTarget) || nTarget == 65535 ||
      !T_NAV_bPerspectiveWaypointAt(nTarget, &pt)) {
    return;
  }
  const S64 unit = HWY_s64Mercator(pNVI, T_NAV_pGetScaleBarLengths(pNVI->nChartScale)->nMeters);
  HWY_vPen(pNVI, 23, BRUSH, 2);
  for (S64 k = 1; k <= 3; k++) HWY_vArc(pNVI, pt, k * unit, 0, 360, TRUE);
  HWY_vResetPen(pNVI);
}

static void HWY_vRenderWaypointGrid(NAV_VIEW_INFO* pNVI) {
  S32 nGrid = 65535;
  float fAngle = 0.0f;
  POINT pt;
  if (!NAV_bFetchIndex(FCID("IGWP"), &nGrid) || nGrid == 65535 ||
      !T_NAV_bPerspectiveWaypointAt(nGrid, &pt) || !H_DATABASE_bFetchFloat(FCID("SNGA"), &fAngle, nullptr, nullptr) ||
      !isfinite(fAngle)) {
    return;
  }
  const S64 s64 = HWY_s64Mercator(pNVI, T_NAV_pGetScaleBarLengths(pNVI->nChartScale)->nMeters);
  const S32 s = s64 > 10000000 ? 10000000 : (S32)s64;
  const POINT c = T_NAV_ptRelative(pNVI, pt);
  GP_ROTCONTEXT rot;
  gr_ResetRotationContext(&rot);
  gr_SetRotationAngle(&rot, fmod((double)fAngle, 360.0));
  auto place = [&](S32 x, S32 y) {
    POINT p = {x, y};
    U_NAV_vRotatePoint(&rot, &p, &p);
    const S64 px = (S64)p.x + c.x, py = (S64)p.y + c.y;
    auto cut = [](S64 v) { return (S32)(v > 0x7FFFFFFF ? 0x7FFFFFFF : v < -0x7FFFFFFF ? -0x7FFFFFFF : v); };
    return POINT{cut(px), cut(py)};
  };
  HWY_vPen(pNVI, 23, BRUSH, 2);
  for (S32 i = -3; i <= 3; i++) {
    POINT across[2] = {place(-3 * s, i * s), place(3 * s, i * s)};
    POINT along[2] = {place(i * s, -3 * s), place(i * s, 3 * s)};
    T_NAV_vRenderPerspectivePolyLineMM(across, 2, pNVI);
    T_NAV_vRenderPerspectivePolyLineMM(along, 2, pNVI);
  }
  HWY_vResetPen(pNVI);
}

static void HWY_vRenderAlarmLimits(NAV_VIEW_INFO* pNVI) {
  float fDrift = 0.0f;
  S32 nLat = 0, nLon = 0;
  HWY_vPen(pNVI, 20, BRUSH, 2);
  if (H_DATABASE_bFetchFloat(FCID("CNDA"), &fDrift, nullptr, nullptr) && fDrift > 0.0f &&
      H_DATABASE_bFetchS32(FCID("IDLT"), &nLat, nullptr, nullptr) &&
      H_DATABASE_bFetchS32(FCID("IDLN"), &nLon, nullptr, nullptr)) {
    HWY_vArc(pNVI, {nLon, nLat}, HWY_s64Limit(pNVI, fDrift), 0, 360, FALSE);
  }
  float fOffCourse = 0.0f, fArrival = 0.0f;
  S32 nLeg = 0;
  const ROUTE* pRoute = &g_NAV.CurrentRoute;
  const U32 n = pRoute->nCount > NAV_MAX_ROUTE_POINTS ? NAV_MAX_ROUTE_POINTS : (U32)pRoute->nCount;
  POINT ptDest, ptOrigin;
  if (g_NAV.u16MOBWaypoint != 65535 || !H_DATABASE_bFetchFloat(FCID("SNAO"), &fOffCourse, nullptr, nullptr) ||
      !H_DATABASE_bFetchFloat(FCID("SNAA"), &fArrival, nullptr, nullptr) ||
      !NAV_bFetchIndex(FCID("INIP"), &nLeg) || nLeg <= 0 || (U32)nLeg >= n ||
      HWY_bIsTrue("CCNC") || !T_NAV_bPerspectiveWaypointAt(pRoute->anWaypoint[nLeg], &ptDest)) {
    HWY_vResetPen(pNVI);
    return;
  }
  if (fArrival != 0.0f) HWY_vArc(pNVI, ptDest, HWY_s64Limit(pNVI, fArrival), 0, 360, FALSE);
  // The off-course corridor: half circles round both ends of the leg and
  // the two sides between them, from the recalculation point after a reset.
  const BOOLEAN bOrigin = g_NAV.bRecalculate ? (ptOrigin = g_NAV.ptRecalculateOrigin, TRUE)
                                             : T_NAV_bPerspectiveWaypointAt(pRoute->anWaypoint[nLeg - 1], &ptOrigin);
  const S64 r = HWY_s64Limit(pNVI, fOffCourse);
  if (r == 0 || !bOrigin) {
    HWY_vResetPen(pNVI);
    return;
  }
  float fTrack = 0.0f;
  H_DATABASE_bFetchFloat(FCID("ITRK"), &fTrack, nullptr, nullptr);
  const S32 a = isfinite(fTrack) ? (S32)fmod((double)fTrack, 360.0) : 0;
  HWY_vArc(pNVI, ptDest, r, a - 90, a + 90, FALSE);
  HWY_vArc(pNVI, ptOrigin, r, a + 90, a + 270, FALSE);
  const POINT o = T_NAV_ptRelative(pNVI, ptOrigin), d = T_NAV_ptRelative(pNVI, ptDest);
  for (S32 side : {a - 90, a + 90}) {
    const S64 ox = (r * U_NAV_nIntSin(side)) >> 16, oy = (r * U_NAV_nIntCos(side)) >> 16;
    auto cut = [](S64 v) { return (S32)(v > 0x7FFFFFFF ? 0x7FFFFFFF : v < -0x7FFFFFFF ? -0x7FFFFFFF : v); };
    POINT seg[2] = {{cut(o.x + ox), cut(o.y + oy)}, {cut(d.x + ox), cut(d.y + oy)}};
    T_NAV_vRenderPerspectivePolyLineMM(seg, 2, pNVI);
  }
  HWY_vResetPen(pNVI);
}

// ---------------------------------------------------------------------------
// The navigated route

// The route points relative to the view centre.
static void HWY_vTransformPoint(const NAV_VIEW_INFO* pNVI, const POINT* pIn, POINT* pOut, U32 n) {
  for (U32 i = 0; i < n; i++) pOut[i] = T_NAV_ptRelative(pNVI, pIn[i]);
}

static void HWY_vRenderRoute(NAV_VIEW_INFO* pNVI) {
  const ROUTE* pRoute = &g_NAV.CurrentRoute;
  const U32 n = pRoute->nCount > NAV_MAX_ROUTE_POINTS ? NAV_MAX_ROUTE_POINTS : (U32)pRoute->nCount;
  if (n == 0) return;
  if (g_NAV.u16MOBWaypoint != 65535 || HWY_bIsTrue("CCNC")) {
    POINT ptLast;
    if (!T_NAV_bPerspectiveWaypointAt(pRoute->anWaypoint[n - 1], &ptLast)) return;
    POINT leg[2] = {T_NAV_ptRelative(pNVI, pNVI->ptBoatMM), T_NAV_ptRelative(pNVI, ptLast)};
    T_CHART_vColour(pNVI, 20);
    T_NAV_vRenderPerspectivePolyLineMM(leg, 2, pNVI);
    HWY_vResetPen(pNVI);
    return;
  }
  if (g_NAV.s32CurrentRoute >= 0) {
    T_NAV_vRenderPerspectiveSkipedLeg(T_NAV_pGetRoute((U32)g_NAV.s32CurrentRoute), pNVI);
  }
  POINT aRel[NAV_MAX_ROUTE_POINTS];
  const U32 used = g_NAV.nRoutePointUsed > NAV_MAX_ROUTE_POINTS ? NAV_MAX_ROUTE_POINTS : g_NAV.nRoutePointUsed;
  const U32 target = g_NAV.nRoutePointTarget > used ? used : g_NAV.nRoutePointTarget;
  HWY_vTransformPoint(pNVI, g_NAV.aptRoutePoint, aRel, used);
  HWY_vPen(pNVI, 7, BRUSH, 2);
  T_NAV_vRenderPerspectivePolyLineMM(aRel, (S32)target, pNVI);
  if (target >= 1 && target < used) {
    T_CHART_vColour(pNVI, HWY_u32Palette() == 1 ? 0 : 24);
    T_NAV_vRenderPerspectivePolyLineMM(&aRel[target - 1], 2, pNVI);
  }
  if (target < used) {
    T_CHART_vColour(pNVI, HWY_nEntry(238));
    T_NAV_vRenderPerspectivePolyLineMM(&aRel[target], (S32)(used - target), pNVI);
  }
  HWY_vResetPen(pNVI);
}

// ---------------------------------------------------------------------------
// Tracks

static void HWY_vRenderTracks(NAV_VIEW_INFO* pNVI) {
  S32 nTrack = -1;
  TRACK_HEADER* pHeader = nullptr;
  const S64 radius = 4 * (S64)pNVI->nEyeOffsetMM;
  while (T_NAV_bScanVisibleTracks(&pNVI->ptCenterMM, radius > 0x7FFFFFFF ? 0x7FFFFFFF : (S32)radius, &nTrack,
                                  &pHeader)) {
    if (nTrack < 0 || nTrack >= (S32)NAV_MAX_TRACKS || pHeader == nullptr) continue;
    T_CHART_vElement(T_HWY_PART_SAVED_TRACK, (U32)nTrack);
    HWY_vRenderSavedTrack(pNVI, nTrack, pHeader, T_NAV_nGetTrackStyle((U32)nTrack), T_NAV_nGetTrackColor((U32)nTrack));
  }
  U32 u32Style = 2, u32Colour = 0;
  if (!H_DATABASE_bFetchU32(FCID("SNCP"), &u32Style, nullptr, nullptr)) u32Style = 2;
  if (!H_DATABASE_bFetchU32(FCID("SNCC"), &u32Colour, nullptr, nullptr)) u32Colour = 0;
  T_CHART_vElement(T_HWY_PART_CURRENT_TRACK, 0);
  HWY_vRenderCurrentTrack(pNVI, u32Style, u32Colour);
}

// ---------------------------------------------------------------------------
// Waypoints and AIS targets

// Where each waypoint slot shows in the view of the last frames: the
// position it had then, whether it shows and its pixel. Kept while the view
// stays; a slot whose position changed is projected again.
typedef struct tag_HWY_SEEN {
  POINT pt;
  POINT pixel;
  U32 u32Generation;
  BOOLEAN bShown;
} HWY_SEEN;
static HWY_SEEN s_aSeen[NAV_MAX_WAYPOINTS];
static HWY_TRACE_VIEW s_seenView;
static U32 s_u32SeenGeneration;

static BOOLEAN HWY_bWaypointPixel(const NAV_VIEW_INFO* pNVI, S32 nIndex, POINT pt, POINT* pPixel) {
  HWY_SEEN* p = &s_aSeen[nIndex];
  if (p->u32Generation != s_u32SeenGeneration || p->pt.x != pt.x || p->pt.y != pt.y) {
    const POINT rel = T_NAV_ptRelative(pNVI, pt);
    p->bShown = T_NAV_u32PerspectiveFails(pNVI, rel) == 0;
    p->pixel = p->bShown ? T_NAV_ptPerspectivePixel(pNVI, rel) : POINT{0, 0};
    p->pt = pt;
    p->u32Generation = s_u32SeenGeneration;
  }
  *pPixel = p->pixel;
  return p->bShown;
}

static void HWY_vRenderWaypoint(NAV_VIEW_INFO* pNVI, S32 nIndex, const WAYPOINT* pWaypoint, BOOLEAN bLight) {
  POINT p;
  if (!HWY_bWaypointPixel(pNVI, nIndex, pWaypoint->pt, &p)) return;
  T_CHART_vElement(T_HWY_PART_WAYPOINT, (U32)nIndex);
  const ROUTE* pRoute = &g_NAV.CurrentRoute;
  const U32 n = pRoute->nCount > NAV_MAX_ROUTE_POINTS ? NAV_MAX_ROUTE_POINTS : (U32)pRoute->nCount;
  const BOOLEAN bFirst = n > 1 && pRoute->anWaypoint[0] == (U16)nIndex;
  const BOOLEAN bLast = n > 1 && pRoute->anWaypoint[n - 1] == (U16)nIndex;
  const ICON* pIcon = bLight ? (bFirst ? &Wpt_pin_start_icon : bLast ? &Wpt_pin_end_icon : &Wpt_pin_blk_icon)
                             : (bFirst ? &Wpt_pin_end_wht_icon : bLast ? &Wpt_pin_start_wht_icon : &Wpt_pin_icon);
  char sName[11];
  memcpy(sName, pWaypoint->sName, 10);
  sName[10] = 0;
  HWY_vPin(pNVI, p, pIcon, sName, sizeof sName, gCOLOR_pcolColorTable[bLight ? 32 : 35]);
}

static void HWY_vRenderWaypoints(NAV_VIEW_INFO* pNVI) {
  const HWY_TRACE_VIEW view = HWY_traceView(pNVI, FALSE, 0);
  if (s_u32SeenGeneration == 0 || memcmp(&view, &s_seenView, sizeof view) != 0) {
    s_seenView = view;
    if (++s_u32SeenGeneration == 0) s_u32SeenGeneration = 1;
  }
  const BOOLEAN bLight = HWY_u32Palette() == 1;
  S32 nIndex = -1;
  WAYPOINT* pWaypoint = nullptr;
  while (T_NAV_bScanWaypoints(&nIndex, &pWaypoint, FALSE)) {
    if (pWaypoint == nullptr || nIndex < 0 || nIndex >= (S32)NAV_MAX_WAYPOINTS) continue;
    const U8 status = pWaypoint->u8Status;
    if (status == WPT_STATUS_FREE || status > WPT_STATUS_SAVED_2) continue;
    if (status != WPT_STATUS_TEMPORARY &&
        (pWaypoint->bHide || !T_NAV_GROUP_bCheckWaypointIsInVisibleGroup((U32)nIndex))) {
      continue;
    }
    HWY_vRenderWaypoint(pNVI, nIndex, pWaypoint, bLight);
  }
}

// The bird's-eye symbol of each plan symbol, by family and state.
typedef struct tag_HWY_AIS_ICON {
  const IMAGE32* pPlan;
  const ICON* pBirdsEye;
} HWY_AIS_ICON;

static const HWY_AIS_ICON s_aAisIcons[] = {
    {&cargo_boat_0, &cargo_boat_birds_eye},         {&cargo_boat_grey0, &cargo_boat_birds_eye_grey},
    {&cargo_boat_red0, &cargo_boat_birds_eye_red},  {&dredge_boat_0, &dredge_boat_birds_eye},
    {&dredge_boat_grey0, &dredge_boat_birds_eye_grey}, {&dredge_boat_red0, &dredge_boat_birds_eye_red},
    {&law_boat_0, &law_boat_birds_eye},             {&law_boat_grey0, &law_boat_birds_eye_grey},
    {&law_boat_red0, &law_boat_birds_eye_red},      {&passenger_boat_0, &passenger_boat_birds_eye},
    {&passenger_boat_grey0, &passenger_boat_birds_eye_grey},
    {&passenger_boat_red0, &passenger_boat_birds_eye_red},
    {&sail_boat_0, &sail_boat_birds_eye},           {&sail_boat_grey0, &sail_boat_birds_eye_grey},
    {&sail_boat_red0, &sail_boat_birds_eye_red},    {&tow_boat_0, &tow_boat_birds_eye},
    {&tow_boat_grey0, &tow_boat_birds_eye_grey},    {&tow_boat_red0, &tow_boat_birds_eye_red},
    {&tug_boat_0, &tug_boat_birds_eye},             {&tug_boat_grey0, &tug_boat_birds_eye_grey},
    {&tug_boat_red0, &tug_boat_birds_eye_red},      {&unknown_boat_0, &unknown_boat_birds_eye},
    {&unknown_boat_grey0, &unknown_boat_birds_eye_grey}, {&unknown_boat_red0, &unknown_boat_birds_eye_red},
};

// A target unheard for more than this many whole minutes is grey.
static constexpr U32 HWY_AIS_STALE_MINUTES = 10;

static const ICON* HWY_pAisPerspectiveIcon(const ais_DeviceInfo* pInfo, U32 u32Now) {
  S32 eState = 0;
  if (pInfo->bAisAlarmActive) {
    eState = 2;
  } else if (H_TICK_u32ElapsedTime(pInfo->ReceiveLastTime, u32Now) / 60 > HWY_AIS_STALE_MINUTES) {
    eState = 1;
  }
  const IMAGE32* pPlan = T_NAV_vGetAisIcon(pInfo->aisInfo.ShipType, eState);
  for (const HWY_AIS_ICON& m : s_aAisIcons) {
    if (m.pPlan == pPlan) return m.pBirdsEye;
  }
  return &unknown_boat_birds_eye;
}

static void HWY_vRenderAis(NAV_VIEW_INFO* pNVI) {
  if (!HWY_bIsTrue("SAIS")) return;
  L_MUTEX_LockWait(RES_AIS_DATA);
  const U32 u32Now = T_NMEA_u32AisNow();
  ais_DeviceInfo* pInfo = nullptr;
  for (S32 i = 0; T_NMEA_bScanAisPoints(i, &pInfo); i++) {
    if (pInfo == nullptr) continue;
    const aisTargetINFO* t = &pInfo->aisInfo;
    POSITION pos = {t->Latitude, t->Longitude};
    POINT pt;
    if (!isfinite(pos.lat) || !isfinite(pos.lon) || !T_NAV_bAisPositionMM(i, &pos, &pt)) continue;
    const POINT rel = T_NAV_ptRelative(pNVI, pt);
    if (T_NAV_u32PerspectiveFails(pNVI, rel) != 0) continue;
    T_CHART_vElement(T_HWY_PART_AIS, t->MMSI);
    char sLabel[2 * (sizeof t->Name + 1)];
    T_NMEA_bAisLabel(t, sLabel, sizeof sLabel / 2);
    U_WSTRING_vReplaceNarrowWithWide(sLabel, sizeof sLabel);
    HWY_vPin(pNVI, T_NAV_ptPerspectivePixel(pNVI, rel), HWY_pAisPerspectiveIcon(pInfo, u32Now), sLabel,
             sizeof sLabel, gCOLOR_pcolColorTable[101]);
  }
  L_MUTEX_Unlock(RES_AIS_DATA);
}

// ---------------------------------------------------------------------------
// The overlay

void HWY_vListOverlay(NAV_VIEW_INFO* pNVI, T_CHART_LIST* pList) {
  T_CHART_vListInto(pList, pNVI);
  if (pNVI != nullptr && pNVI->pBitmap != nullptr && pNVI->nPixelsPerMMM > 0 && pNVI->nEyeOffsetMM > 0) {
    L_MUTEX_LockWait(RES_NAV_DATA);
    T_CHART_vElement(T_HWY_PART_TARGET, 0);
    HWY_vRenderTargetRings(pNVI);
    T_CHART_vElement(T_HWY_PART_GRID, 0);
    HWY_vRenderWaypointGrid(pNVI);
    T_CHART_vElement(T_HWY_PART_ALARMS, 0);
    HWY_vRenderAlarmLimits(pNVI);
    T_CHART_vElement(T_HWY_PART_ROUTE, 0);
    HWY_vRenderRoute(pNVI);
    HWY_vRenderTracks(pNVI);
    HWY_vRenderWaypoints(pNVI);
    HWY_vRenderAis(pNVI);
    L_MUTEX_Unlock(RES_NAV_DATA);
  }
  T_CHART_vListInto(nullptr, nullptr);
}

void T_NAV_vDrawHighwayOverlay(NAV_VIEW_INFO* pNVI) {
  if (pNVI == nullptr || pNVI->pBitmap == nullptr || pNVI->nPixelsPerMMM <= 0 || pNVI->nEyeOffsetMM <= 0) return;
  static T_CHART_LIST s_list;  // the view task's only
  HWY_vListOverlay(pNVI, &s_list);
  T_CHART_vPlayList(pNVI, &s_list);
  T_NAV_vRenderPerspectiveBoat(pNVI);
}
