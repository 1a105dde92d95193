// The menu actions that open the overlays from the chart's menu and the Nav
// tab: a new route built point by point, a route picked to edit or travel,
// the waypoint under the cursor (or one picked) to edit, and a saved track
// to edit. They run on the menu task and click for themselves; the screens
// then belong to the navigation task's keys.

#include <stdio.h>
#include <string.h>

#include "l_hook.h"
#include "linuxsvc.h"
#include "t_nav_alarm.h"
#include "t_nav_edit_int.h"
#include "t_nav_edit_lists.h"
#include "t_nav_edit_rte.h"
#include "t_nav_edit_wpt.h"
#include "t_nav_group_data.h"
#include "t_nav_twr.h"
#include "ui_texts.h"

static std::atomic<NAV_EDIT_TRAVEL_ROUTE> s_pfnTravelRoute{nullptr};

BOOLEAN T_NAV_EDIT_bRegisterTravelRoute(NAV_EDIT_TRAVEL_ROUTE pfn) {
  return L_HOOK_bSetOnce(&s_pfnTravelRoute, pfn, "travel route");
}

namespace {

NAV_EDIT_TRAVEL_ROUTE MENUS_pfnTravelRoute(void) { return s_pfnTravelRoute.load(); }

constexpr U16 NAV_EDIT_ROUTE_ITEM = 0x8800;  // a route's id in the group tree

// A route made here gets what the waypoint manager gives its own new
// routes: a name when the user typed none, the time it was made, and a
// place in the default group, so the manager lists it.
void MENUS_vNewRouteSaved(U32 nIndex) {
  L_MUTEX_LockWait(RES_NAV_DATA);
  const ROUTE* pStored = T_NAV_pGetRoute(nIndex);
  if (pStored != nullptr) {
    ROUTE r = *pStored;
    BOOLEAN bChanged = FALSE;
    if (r.sName[0] == '\0' || r.sName[0] == ' ') {
      memset(r.sName, 0, sizeof r.sName);
      snprintf(r.sName, sizeof r.sName, "RT%03u", (unsigned)nIndex + 1);
      bChanged = TRUE;
    }
    if (r.u32DateTime == 0) {
      BOOLEAN bValid = FALSE;
      if (H_DATABASE_bFetchU32(FCID("IDTM"), &r.u32DateTime, &bValid, nullptr) && bValid) bChanged = TRUE;
    }
    if (bChanged) T_NAV_bSaveRoute(nIndex, &r, FALSE);
    T_NAV_GROUP_DATA_bAddLink(T_NAV_GROUP_DATA_nGetDefaultGroup(), (U16)(nIndex | NAV_EDIT_ROUTE_ITEM));
  }
  L_MUTEX_Unlock(RES_NAV_DATA);
}

void MENUS_vEditPickedRoute(U32 nIndex, BOOLEAN) {
  NAV_EDIT_vClick(T_NAV_EDIT_bEditRouteSetup(nIndex, nullptr, nullptr, Edit_Route));
}

void MENUS_vTravelPickedRoute(U32 nIndex, BOOLEAN bReverse) {
  if (NAV_EDIT_TRAVEL_ROUTE pfn = MENUS_pfnTravelRoute()) pfn(nIndex, 0, bReverse);
}

void MENUS_vEditPickedWaypoint(U32 nIndex) {
  NAV_EDIT_vClick(T_NAV_EDIT_bEditWaypointSetup(nIndex, nullptr, nullptr, Edit_Waypoint));
}

void MENUS_vEditPickedTrack(U32 nIndex) {
  NAV_EDIT_vClick(T_NAV_EDIT_bEditTrackSetup(nIndex, nullptr, nullptr, Edit_Track));
}

// An empty list opens nothing: the user is told why.
void MENUS_vOpened(BOOLEAN bOpened, const char* const* pEmpty) {
  if (bOpened) {
    NAV_EDIT_vClick(TRUE);
    return;
  }
  T_NAV_vSetNavUIError(pEmpty);
  NAV_EDIT_vClick(FALSE);
}

}  // namespace

void T_NAV_EDIT_vNewRouteMenu(void) {
  const U16 slot = T_NAV_u16FindAvailableRoute(FALSE);
  if (slot == NAV_NONE || slot >= NAV_MAX_ROUTES) {
    T_NAV_vSetNavUIError(No_Routes);
    NAV_EDIT_vClick(FALSE);
    return;
  }
  NAV_EDIT_vClick(T_NAV_EDIT_bEditRouteSetup(slot, MENUS_vNewRouteSaved, nullptr, New_Route));
}

void T_NAV_EDIT_vEditRouteMenu(void) {
  MENUS_vOpened(T_NAV_EDIT_bSelectRouteSetup(FALSE, MENUS_vEditPickedRoute, nullptr, Edit_Route), No_Saved_Routes);
}

void T_NAV_EDIT_vTravelRouteMenu(void) {
  MENUS_vOpened(T_NAV_EDIT_bSelectRouteSetup(TRUE, MENUS_vTravelPickedRoute, nullptr, Travel_Route), No_Saved_Routes);
}

void T_NAV_EDIT_vEditWaypointMenu(void) {
  U32 u32Cursor = NAV_NONE;
  BOOLEAN bValid = FALSE;
  if (H_DATABASE_bFetchU32(FCID("ICWP"), &u32Cursor, &bValid, nullptr) && bValid && u32Cursor < NAV_MAX_WAYPOINTS) {
    MENUS_vEditPickedWaypoint(u32Cursor);
    return;
  }
  MENUS_vOpened(T_NAV_EDIT_bSelectWaypointSetup(MENUS_vEditPickedWaypoint, nullptr, Edit_Waypoint, FALSE),
                No_Saved_Waypoints);
}

void T_NAV_EDIT_vEditTrackMenu(void) {
  MENUS_vOpened(T_NAV_EDIT_bSelectTrackSetup(MENUS_vEditPickedTrack, nullptr, Edit_Track), No_Saved_Tracks);
}
