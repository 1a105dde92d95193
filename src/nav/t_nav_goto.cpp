// Go-to, route travel, and the target rings and trolling grid around a
// waypoint: the menu entries that start navigation or mark a waypoint for
// the chart overlay. The navigation itself is the route code's.

#include <string.h>

#include "h_database.h"
#include "linuxsvc.h"
#include "t_n_history.h"
#include "t_nav_alarm.h"
#include "t_nav_int.h"
#include "t_nav_views.h"
#include "u_nav_edit.h"
#include "ui_texts.h"

static BOOLEAN s_bSonarCursorView;
static BOOLEAN s_bGoToMenu;

static BOOLEAN GOTO_bTrue(FOURCHARID id) {
  BOOLEAN b = FALSE;
  return H_DATABASE_bFetchBoolean(id, &b, nullptr, nullptr) && b;
}
static void GOTO_vClick(BOOLEAN bGood) { L_SEMA_Signal(bGood ? SEMA_KEYCLICK_GOOD : SEMA_KEYCLICK_BAD); }

static BOOLEAN GOTO_bMOB(void) {
  if (!T_NAV_bIsMOBInProgress()) return FALSE;
  T_NAV_vSetNavUINoteWithTimeout(MOB_navigation_in_progress, nullptr, 2, FALSE);
  GOTO_vClick(FALSE);
  return TRUE;
}

static BOOLEAN GOTO_bNavigating(void) {
  U32 leg = 0;
  BOOLEAN bValid = FALSE;
  return H_DATABASE_bFetchU32(FCID("INIP"), &leg, &bValid, nullptr) && bValid && leg != 0;
}

// The entries of the running navigation that both go-to menus end with.
template <typename ADD>
static void GOTO_vNavigationEntries(ADD add) {
  if (!GOTO_bNavigating()) return;
  BOOLEAN bCannotCancel = TRUE;
  if (H_DATABASE_bFetchBoolean(FCID("IPNE"), &bCannotCancel, nullptr, nullptr) && !bCannotCancel) {
    add(Cancel_Navigation, 636, T_NAV_vCancelNavigation, TRUE);
  }
  const U32 points = T_NAV_pGetCurrentRoute()->nCount;
  if (points > 0) add(Reset_XTE, 640, T_NAV_vResetXTE, FALSE);
  if (points > 2) add(Skip_Next_Waypoint, 637, T_NAV_vSkipNextWaypoint, TRUE);
}

// The floating Go To menu, with the cursor's position when it is active. The
// menu task runs its exit function whenever it closes the menu, which is
// what ends the Go To menu's flag.
static void GOTO_vFloatingMenu(BOOLEAN bActiveCursor) {
  U_MENU_bRegisterFloatingMenu(GoTo_, bActiveCursor ? T_NAV_vHandleGoTo_GoToCursorPosition : nullptr,
                               T_NAV_vClearGoToMenu, FALSE, nullptr);
  U_MENU_bRegisterFloatingActionMenu(GoTo_, Nav_Data, nullptr, 660, T_NAV_vHandleGoTo_NavData, FALSE, M_BASIC);
  if (bActiveCursor) {
    U_MENU_bRegisterFloatingActionMenu(GoTo_, GoTo_Position, nullptr, 635, T_NAV_vHandleGoTo_GoToCursorPosition,
                                       FALSE, M_BASIC);
  }
  GOTO_vNavigationEntries([](MENU_TEXT pName, MENU_PRIORITY priority, MENU_ACTION pAction, BOOLEAN bConfirm) {
    U_MENU_bRegisterFloatingActionMenu(GoTo_, pName, nullptr, priority, pAction, bConfirm, M_BASIC);
  });
  U_MENU_ActivateFloatingMenu(GoTo_);
  s_bGoToMenu = TRUE;
}

static void GOTO_vForwardFromPoint(void);
static void GOTO_vReverseFromPoint(void);

// The info menu of a cursor waypoint that routes pass through.
static void GOTO_vInfoMenu(const S32* pRoutes, U32 u32Count) {
  static const MENU_ACTION s_apfnRoute[5] = {T_NAV_vTravelForwardRoute0, T_NAV_vTravelForwardRoute1,
                                             T_NAV_vTravelForwardRoute2, T_NAV_vTravelForwardRoute3,
                                             T_NAV_vTravelForwardRoute4};
  M_INFO_MENU_ITEM aItems[MENU_MAX_INFO_ITEMS];
  U8 n = 0;
  auto add = [&](MENU_TEXT pName, MENU_PRIORITY, MENU_ACTION pAction, BOOLEAN bConfirm) {
    if (n < MENU_MAX_INFO_ITEMS) aItems[n++] = {pName, {pAction, bConfirm}};
  };
  const S32 travelled = NAV_s32Key(FCID("CCRT"), -1);
  char title[NAV_ROUTE_NAME_SIZE + 1] = {};
  add(GoTo_Position, 0, T_NAV_vHandleGoTo_GoToCursorPosition, FALSE);
  if (u32Count == 1 && pRoutes[0] != travelled) {
    add(Forward_from_Point, 0, GOTO_vForwardFromPoint, FALSE);
    add(Reverse_from_Point, 0, GOTO_vReverseFromPoint, FALSE);
    add(Travel_Forward, 0, T_NAV_vTravelForwardRoute0, FALSE);
    add(Travel_Reverse, 0, T_NAV_vTravelReverseRoute0, FALSE);
    L_MUTEX_LockWait(RES_NAV_DATA);
    const ROUTE* r = T_NAV_pGetRoute((U32)pRoutes[0]);
    if (r != nullptr) memcpy(title, r->sName, NAV_ROUTE_NAME_SIZE);
    L_MUTEX_Unlock(RES_NAV_DATA);
  } else {
    for (U32 i = 0; i < u32Count && i < 5; i++) {
      add(Route, 0, s_apfnRoute[i], FALSE);
    }
  }
  add(Nav_Data, 0, T_NAV_vHandleGoTo_NavData, FALSE);
  GOTO_vNavigationEntries(add);
  U_MENU_ActivateInfoMenu(GoTo_Menu, aItems, n, title[0] != 0, title[0] != 0 ? title : nullptr);
  GOTO_vClick(TRUE);
}

void T_NAV_vHandleGoTo(void) {
  // 1. 2.
  if (GOTO_bMOB()) return;
  POINT boat;
  if (!NAV_bBoat(&boat)) {
    T_NAV_vSetNavUIError(Fix_Required);
    GOTO_vClick(FALSE);
    return;
  }
  // 3.
  s_bSonarCursorView = T_N_HISTORY_bIsMyCursorView(UNKNOWN_VIEW, UNKNOWN_SPLIT);
  const BOOLEAN bChart = T_NAV_bIsMyChartCursorView(UNKNOWN_VIEW, UNKNOWN_SPLIT);
  if ((!bChart && !s_bSonarCursorView) || !GOTO_bTrue(FCID("ICAC"))) {
    GOTO_vFloatingMenu(FALSE);
    return;
  }
  // 4.
  S32 lat = 0, lon = 0;
  if (!H_DATABASE_bFetchS32(FCID("ICLT"), &lat, nullptr, nullptr) ||
      !H_DATABASE_bFetchS32(FCID("ICLN"), &lon, nullptr, nullptr)) {
    GOTO_vClick(FALSE);
    return;
  }
  const U32 waypoint = NAV_u32Key(FCID("ICWP"), NAV_NONE);
  S32 aRoutes[5] = {-1, -1, -1, -1, -1};
  U32 count = 0;
  if (bChart && waypoint != NAV_NONE) {
    L_MUTEX_LockWait(RES_NAV_DATA);
    count = T_NAV_u32GetRoutesUsingWaypoint(waypoint, aRoutes);
    L_MUTEX_Unlock(RES_NAV_DATA);
  }
  if (count > 0) {
    GOTO_vInfoMenu(aRoutes, count);
  } else {
    GOTO_vFloatingMenu(TRUE);
  }
  L_SEMA_Signal(SEMA_VIEW_UPDATE);
}

void T_NAV_vHandleGoTo_NavData(void) {
  if (GOTO_bMOB()) return;
  if (T_NAV_bWaypointsExist() &&
      T_NAV_EDIT_bSelectTWRPointSetup(T_NAV_vGoToPoint, nullptr, Select_Point_to_Go_To, TRUE, TRUE, FALSE)) {
    GOTO_vClick(TRUE);
    return;
  }
  T_NAV_EDIT_vResetState();
  T_NAV_vSetNavUIError(No_Saved_Waypoints);
  GOTO_vClick(FALSE);
}

// The menu client's clear takes the menu task's own lock; none is held here.
void T_NAV_vHandleGoTo_GoToCursorPosition(void) {
  U_MENU_vClearMenus();
  T_NAV_vHandleGoTo_Waypoint(NAV_u32Key(FCID("ICWP"), NAV_NONE));
}

void T_NAV_vHandleGoTo_Waypoint(U32 nIndex) {
  if (nIndex == NAV_NONE) {
    S32 lat = 0, lon = 0;
    if (!H_DATABASE_bFetchS32(FCID("ICLT"), &lat, nullptr, nullptr) ||
        !H_DATABASE_bFetchS32(FCID("ICLN"), &lon, nullptr, nullptr)) {
      GOTO_vClick(FALSE);
      return;
    }
    WAYPOINT w;
    memset(&w, 0, sizeof w);
    w.u8Status = WPT_STATUS_TEMPORARY;
    w.pt = {lon, lat};
    L_MUTEX_LockWait(RES_NAV_DATA);
    const U16 index = T_NAV_nAddWaypoint(&w, FALSE);
    L_MUTEX_Unlock(RES_NAV_DATA);
    if (index == NAV_NONE) {
      T_NAV_vSetNavUIError(No_Waypoints);
      GOTO_vClick(FALSE);
      return;
    }
    if (!s_bSonarCursorView) T_NAV_vUpdateCursorWaypoint(index);
    nIndex = index;
  }
  GOTO_vClick(T_NAV_bWaypointToCurrentRoute(nIndex));
}

void T_NAV_vGoToPoint(const ST_POINT_TYPE_INDEX* pPoint) {
  if (pPoint != nullptr && pPoint->nType == NAV_TWR_TYPE_WAYPOINT && T_NAV_bWaypointToCurrentRoute(pPoint->nIndex)) {
    GOTO_vClick(TRUE);
    L_SEMA_Signal(SEMA_VIEW_UPDATE);
    return;
  }
  if (pPoint != nullptr && pPoint->nType == NAV_TWR_TYPE_ROUTE) {
    T_NAV_vTravelSavedRoute(pPoint->nIndex, 0, pPoint->nRouteStartEnd != 2);
  }
  GOTO_vClick(FALSE);
  L_SEMA_Signal(SEMA_VIEW_UPDATE);
}

void T_NAV_vGoToWaypointInMenu(void) {
  const U32 waypoint = NAV_u32Key(FCID("ICWP"), NAV_NONE);
  if (waypoint == NAV_NONE) return;
  T_NAV_vRemoveMarkMenu();
  U_MENU_vClearMenus();
  T_NAV_vHandleGoTo_Waypoint(waypoint);
}

static void GOTO_vToWaypoint(U32 nIndex) {
  GOTO_vClick(T_NAV_bWaypointToCurrentRoute(nIndex));
  L_SEMA_Signal(SEMA_VIEW_UPDATE);
  GOTO_vClick(TRUE);
}
void T_NAV_vGoToCursorWaypoint(void) { GOTO_vToWaypoint(NAV_u32Key(FCID("ICWP"), NAV_NONE)); }
void T_NAV_vGoToLastWaypoint(void) { GOTO_vToWaypoint(NAV_u32Key(FCID("CLWC"), NAV_NONE)); }
void T_NAV_vGoToWaypoint(U32 nIndex) {
  GOTO_vClick(T_NAV_bWaypointToCurrentRoute(nIndex));
  L_SEMA_Signal(SEMA_VIEW_UPDATE);
}

// ---------------------------------------------------------------------------
// Travelling routes

void T_NAV_vTravelSavedRoute(U32 nIndex, U32 u32StartAt, BOOLEAN bReverse) {
  g_NAV.pEndNavigationComplete = nullptr;
  T_NAV_vEndNavigationNow();
  NAV_vStartAutoZoomTimer();
  T_NAV_vUnregister_Current_Traveling_Route_Menu();
  g_NAV.bCurrentActiveRouteMenuCreated = FALSE;
  BOOLEAN bStarted = FALSE;
  L_MUTEX_LockWait(RES_NAV_DATA);
  ROUTE* r = nIndex < NAV_MAX_ROUTES ? T_NAV_pGetRoute(nIndex) : nullptr;
  if (r != nullptr && r->nCount > 0) bStarted = T_NAV_vTravelMemoryRoute(r, u32StartAt, bReverse);
  L_MUTEX_Unlock(RES_NAV_DATA);
  if (bStarted) {
    H_DATABASE_bUpdateEverythingS32(FCID("CCRT"), (S32)nIndex, P_NORMAL, D_SIGNED32, nullptr, DB_NEVER_STALE);
  }
  GOTO_vClick(bStarted);
}

void T_NAV_vTravelSelectedRoute(U32 nIndex, U32 u32StartAt, BOOLEAN bReverse) {
  T_NAV_vTravelSavedRoute(nIndex, u32StartAt, bReverse);
}

static void GOTO_vTravel(FOURCHARID id, BOOLEAN bReverse) {
  const S32 route = NAV_s32Key(id, -1);
  log_me("[%d]%s: (%c%c%c%c) travel route %d %s\n", __LINE__, __func__, (char)(id >> 24), (char)(id >> 16),
         (char)(id >> 8), (char)id, (int)route, bReverse ? "reverse" : "forward");
  if (route < 0) {
    GOTO_vClick(FALSE);
    return;
  }
  T_NAV_vTravelSavedRoute((U32)route, 0, bReverse);
}

void T_NAV_vTravelForwardRoute0(void) { GOTO_vTravel(FCID("IRT0"), FALSE); }
void T_NAV_vTravelForwardRoute1(void) { GOTO_vTravel(FCID("IRT1"), FALSE); }
void T_NAV_vTravelForwardRoute2(void) { GOTO_vTravel(FCID("IRT2"), FALSE); }
void T_NAV_vTravelForwardRoute3(void) { GOTO_vTravel(FCID("IRT3"), FALSE); }
void T_NAV_vTravelForwardRoute4(void) { GOTO_vTravel(FCID("IRT4"), FALSE); }
void T_NAV_vTravelReverseRoute0(void) { GOTO_vTravel(FCID("IRT0"), TRUE); }
void T_NAV_vTravelReverseRoute1(void) { GOTO_vTravel(FCID("IRT1"), TRUE); }
void T_NAV_vTravelReverseRoute2(void) { GOTO_vTravel(FCID("IRT2"), TRUE); }
void T_NAV_vTravelReverseRoute3(void) { GOTO_vTravel(FCID("IRT3"), TRUE); }
void T_NAV_vTravelReverseRoute4(void) { GOTO_vTravel(FCID("IRT4"), TRUE); }
void T_NAV_vTravelForward(void) { GOTO_vTravel(FCID("CLRT"), FALSE); }
void T_NAV_vTravelReverse(void) { GOTO_vTravel(FCID("CLRT"), TRUE); }

// The single route through the cursor waypoint, from that waypoint on.
static void GOTO_vFromPoint(BOOLEAN bReverse) {
  const S32 route = NAV_s32Key(FCID("IRT0"), -1);
  const U32 waypoint = NAV_u32Key(FCID("ICWP"), NAV_NONE);
  U32 at = 0;
  L_MUTEX_LockWait(RES_NAV_DATA);
  const ROUTE* r = route >= 0 ? T_NAV_pGetRoute((U32)route) : nullptr;
  for (U32 i = 0; r != nullptr && i < r->nCount; i++) {
    if (r->anWaypoint[i] == waypoint) {
      at = bReverse ? r->nCount - 1 - i : i;
      break;
    }
  }
  L_MUTEX_Unlock(RES_NAV_DATA);
  if (route < 0) {
    GOTO_vClick(FALSE);
    return;
  }
  T_NAV_vTravelSavedRoute((U32)route, at, bReverse);
}
static void GOTO_vForwardFromPoint(void) { GOTO_vFromPoint(FALSE); }
static void GOTO_vReverseFromPoint(void) { GOTO_vFromPoint(TRUE); }

void T_NAV_vReverseRoute(void) {
  const S32 travelled = NAV_s32Key(FCID("CCRT"), -1);
  if (travelled < 0) return;
  // 1. The start of this navigation goes back into the store as the point
  //    the reversed route ends at.
  const U32 leg = NAV_u32Key(FCID("INIP"), 0);
  POINT start = {};
  WAYPOINT w;
  memset(&w, 0, sizeof w);
  L_MUTEX_LockWait(RES_NAV_DATA);
  const ROUTE* current = T_NAV_pGetCurrentRoute();
  if (current->nCount > 0) T_NAV_vCopyWaypointPoint(current->anWaypoint[0], &start);
  w.u8Status = WPT_STATUS_TEMPORARY;
  w.pt = start;
  const U16 index = start.x != 0 || start.y != 0 ? T_NAV_nAddWaypoint(&w, FALSE) : NAV_NONE;
  L_MUTEX_Unlock(RES_NAV_DATA);
  g_NAV.s16RouteStartWPIndex = index == NAV_NONE ? -1 : (S16)index;
  g_NAV.bReverse = TRUE;
  log_me("[%d]%s: current stop = %d, start WP index = %d, WP name = %s\n", __LINE__, __func__, (int)leg,
         (int)g_NAV.s16RouteStartWPIndex, "");
  // 2.
  if (leg < 2) {
    T_NAV_vEndNavigationNow();
    NAV_vStartAutoZoomTimer();
    g_NAV.bReverse = FALSE;
    return;
  }
  // 3.
  U32 count = 0;
  L_MUTEX_LockWait(RES_NAV_DATA);
  const ROUTE* saved = T_NAV_pGetRoute((U32)travelled);
  if (saved != nullptr) count = saved->nCount;
  L_MUTEX_Unlock(RES_NAV_DATA);
  if (g_NAV.bCurrentRouteIsInReverse) {
    log_me("[%d]%s: currently going reverse, forward to wp index = %d, total WP = %d\n", __LINE__, __func__,
           (int)(count - leg), (int)count);
    T_NAV_vTravelSavedRoute((U32)travelled, count > leg ? count - leg : 0, FALSE);
  } else {
    T_NAV_vTravelSavedRoute((U32)travelled, leg - 2, TRUE);
  }
}

void T_NAV_vEditLastSavedRoute(void) {
  if (NAV_bEditRouteForm((S32)NAV_u32Key(FCID("CLRT"), (U32)-1))) GOTO_vClick(TRUE);
}

void T_NAV_vDeleteLastSavedRoute(void) {
  const S32 route = (S32)NAV_u32Key(FCID("CLRT"), (U32)-1);
  log_me("[%d]%s: index last route saved = %d\n", __LINE__, __func__, (int)route);
  GOTO_vClick(route >= 0 && T_NAV_bDeleteRoute((U32)route, FALSE));
}

// ---------------------------------------------------------------------------
// Target rings and the trolling grid: one waypoint carries one of the two

static void GOTO_vMarkWaypoint(U32 nIndex, FOURCHARID mine, MENU_TEXT pMine, MENU_PRIORITY priority,
                               MENU_ACTION pRemove, FOURCHARID other, MENU_TEXT pOther) {
  H_DATABASE_bUpdateEverythingU32(mine, nIndex, P_NORMAL, D_WAYPOINT, nullptr, DB_NEVER_STALE);
  NAV_vRegisterHotInNavViews(pMine, priority, pRemove, FALSE, M_BASIC);
  if (NAV_u32Key(other, NAV_NONE) != NAV_NONE) {
    H_DATABASE_bUpdateEverythingU32(other, NAV_NONE, P_NORMAL, D_WAYPOINT, nullptr, DB_NEVER_STALE);
    NAV_vUnregisterHotInNavViews(pOther);
    return;
  }
  GOTO_vClick(TRUE);
}

void T_NAV_vAddWaypointTarget(U32 nIndex) {
  GOTO_vMarkWaypoint(nIndex, FCID("ITWP"), Remove_Target, 84, T_NAV_vRemoveTarget, FCID("IGWP"), Remove_Grid);
}
void T_NAV_vAddWaypointGrid(U32 nIndex) {
  GOTO_vMarkWaypoint(nIndex, FCID("IGWP"), Remove_Grid, 85, T_NAV_vRemoveGrid, FCID("ITWP"), Remove_Target);
}
void T_NAV_vTargetCursorWaypoint(void) { T_NAV_vAddWaypointTarget(NAV_u32Key(FCID("ICWP"), NAV_NONE)); }
void T_NAV_vTargetLastWaypoint(void) { T_NAV_vAddWaypointTarget(NAV_u32Key(FCID("CLWC"), NAV_NONE)); }
void T_NAV_vTargetWaypoint(U32 nIndex) { T_NAV_vAddWaypointTarget(nIndex); }
void T_NAV_vGridCursorWaypoint(void) { T_NAV_vAddWaypointGrid(NAV_u32Key(FCID("ICWP"), NAV_NONE)); }
void T_NAV_vGridLastWaypoint(void) { T_NAV_vAddWaypointGrid(NAV_u32Key(FCID("CLWC"), NAV_NONE)); }
void T_NAV_vGridWaypoint(U32 nIndex) { T_NAV_vAddWaypointGrid(nIndex); }

void T_NAV_vRemoveTargetNow(void) {
  H_DATABASE_bUpdateEverythingU32(FCID("ITWP"), NAV_NONE, P_NORMAL, D_WAYPOINT, nullptr, DB_NEVER_STALE);
  NAV_vUnregisterHotInNavViews(Remove_Target);
}
void T_NAV_vRemoveGridNow(void) {
  H_DATABASE_bUpdateEverythingU32(FCID("IGWP"), NAV_NONE, P_NORMAL, D_WAYPOINT, nullptr, DB_NEVER_STALE);
  NAV_vUnregisterHotInNavViews(Remove_Grid);
}
void T_NAV_vRemoveTarget(void) {
  T_NAV_vRemoveTargetNow();
  GOTO_vClick(TRUE);
}
void T_NAV_vRemoveGrid(void) {
  T_NAV_vRemoveGridNow();
  GOTO_vClick(TRUE);
}

void T_NAV_vClearGoToMenu(void) { s_bGoToMenu = FALSE; }
