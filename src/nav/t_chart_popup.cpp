// What the waypoint manager's chart preview shows of the item chosen there:
// the boat, and the waypoint, route or track.

#include "gr_line.h"
#include "h_database.h"
#include "linuxsvc.h"
#include "t_chart_marks.h"
#include "t_chart_overlay.h"
#include "t_highway.h"
#include "t_nav_group_data.h"
#include "t_nav_nvram_flash.h"
#include "t_nav_twr.h"

void T_NAV_vRenderRouteForPopupWindow(const ROUTE* pRoute, NAV_VIEW_INFO* pNVI) {
  POINT aRel[NAV_MAX_ROUTE_POINTS];
  const U32 nCount = pRoute->nCount & 0x3FFFFFFF;
  S32 n = 0;
  for (U32 i = 0; i < nCount && i < NAV_MAX_ROUTE_POINTS; i++) {
    POINT at;
    if (T_NAV_bPerspectiveWaypointAt(pRoute->anWaypoint[i], &at)) aRel[n++] = T_NAV_ptRelative(pNVI, at);
  }
  U32 u32Palette = 0;
  H_DATABASE_bFetchU32(FCID("SPAL"), &u32Palette, nullptr, nullptr);
  gr_SetColor(&pNVI->GrContext, u32Palette == 1 ? 32 : 236);
  gr_SetDrawingTool(&pNVI->GrContext, BRUSH);
  gr_SetPixelSize(&pNVI->GrContext, 2);
  T_NAV_vRenderPolyLineMM(aRel, n, pNVI);
  gr_SetDrawingTool(&pNVI->GrContext, STD_PEN);
  gr_SetPixelSize(&pNVI->GrContext, 1);
}

void T_NAV_vDrawChartTwrSelected(NAV_VIEW_INFO* pNVI, U16* pItem) {
  if (pNVI == nullptr || pNVI->pBitmap == nullptr || pNVI->nPixelsPerMMM <= 0) return;
  L_MUTEX_LockWait(RES_NAV_DATA);
  T_NAV_vRenderBoat(pNVI);
  const U16 id = pItem != nullptr ? *pItem : NAV_NONE;
  if (id < 0x4000 && id < NAV_MAX_WAYPOINTS) {
    const WAYPOINT* pWaypoint = T_NAV_pGetWaypoint(id);
    // The preview shows this one waypoint alone: no flags gathered from it.
    if (pWaypoint != nullptr) T_NAV_vRenderWaypoint(id, pWaypoint, pNVI, 0);
    T_NAV_vClearProximity();
  } else if ((id & 0xC800) == NAV_ITEM_ROUTE_BASE && (id & 0x07FF) < NAV_MAX_ROUTES) {
    const ROUTE* pRoute = T_NAV_pGetRoute(id & 0x07FF);
    if (pRoute != nullptr) T_NAV_vRenderRouteForPopupWindow(pRoute, pNVI);
  } else if ((id & 0xC800) == NAV_ITEM_TRACK_BASE && (id & 63) < NAV_MAX_TRACKS &&
             (id & NAV_ITEM_UNIT_BITS) == T_NAV_GROUP_DATA_u16Getu7UnitID()) {
    const U32 nIndex = id & 63;
    const TRACK* pTrack = T_NAV_NVRAM_pLoadTrack((S32)nIndex);
    T_NAV_vRenderTrack(pTrack, pNVI, FALSE, T_NAV_nGetTrackStyle(nIndex), T_NAV_nGetTrackColor(nIndex));
    T_NAV_NVRAM_vReleaseTrack();
  }
  L_MUTEX_Unlock(RES_NAV_DATA);
}
