// The hot menus that follow the chart cursor (the mark action, the cursor
// waypoint and the routes through it), "Cursor To Waypoint", the AIS menu
// and the chart-and-sonar views. Registrations run in the navigation task;
// the callbacks run where the menu service calls them.

#include <stdio.h>
#include <string.h>

#include <atomic>

#include "h_database.h"
#include "linuxsvc.h"
#include "t_chart.h"
#include "t_n_history.h"
#include "t_nav_group_store.h"
#include "t_nav_int.h"
#include "t_nav_views.h"
#include "t_nav_wpm.h"
#include "u_nav_edit.h"
#include "u_view.h"
#include "ui_texts.h"

constexpr U32 NAV_ROUTE_SLOTS = 5;

static BOOLEAN s_aDisplayRoutesMenu[NAV_ROUTE_SLOTS];
static S32 s_aRoutesUnderCursor[NAV_ROUTE_SLOTS] = {-1, -1, -1, -1, -1};
static std::atomic<bool> s_bAISMenusRegistered{false};  // the NMEA task puts them up
static BOOLEAN s_bComboViewRegistered;
static BOOLEAN s_bChartFlasherViewRegistered;
static BOOLEAN s_bChartPlusSIViewRegistered;

// The nine chart panes.
static const NAV_VIEW_PANE s_aChartViews[] = {
    {CHART_VIEW_PRIORITY, SPLIT_FULL_WINDOW}, {(LAYER_ID)65, SPLIT_FULL_WINDOW},  {(LAYER_ID)53, SPLIT_FULL_WINDOW},
    {(LAYER_ID)55, SPLIT_RIGHT_WINDOW},       {(LAYER_ID)50, SPLIT_RIGHT_WINDOW}, {(LAYER_ID)67, SPLIT_RIGHT_WINDOW},
    {(LAYER_ID)66, SPLIT_RIGHT_WINDOW},       {(LAYER_ID)54, SPLIT_RIGHT_WINDOW}, {(LAYER_ID)40, SPLIT_LEFT_WINDOW}};

static const FOURCHARID s_aRouteKeys[NAV_ROUTE_SLOTS] = {FCID("IRT0"), FCID("IRT1"), FCID("IRT2"), FCID("IRT3"),
                                                         FCID("IRT4")};

BOOLEAN NAV_bEditRouteForm(S32 s32Route) {
  return s32Route >= 0 && s32Route < (S32)NAV_MAX_ROUTES && T_NAV_WPM_bEditRoute((U16)s32Route);
}

U32 NAV_u32Key(FOURCHARID id, U32 u32Default) {
  U32 v = u32Default;
  return H_DATABASE_bFetchU32(id, &v, nullptr, nullptr) ? v : u32Default;
}
S32 NAV_s32Key(FOURCHARID id, S32 s32Default) {
  S32 v = s32Default;
  return H_DATABASE_bFetchS32(id, &v, nullptr, nullptr) ? v : s32Default;
}
BOOLEAN NAV_bFetchIndex(FOURCHARID id, S32* pIndex, BOOLEAN* pbValid) {
  U32 v = 0;
  if (!H_DATABASE_bFetchU32(id, &v, pbValid, nullptr)) return FALSE;
  *pIndex = (S32)v;
  return TRUE;
}

// The cursor's view and pane: the full pane of the plain chart views, else
// the active one.
static void MENUS_vCursorPane(LAYER_ID* pView, SPLIT_WINDOW_TYPE* pSplit) {
  *pView = U_VIEW_eCurrentView();
  *pSplit = *pView == CHART_VIEW_PRIORITY || *pView == (LAYER_ID)65 ? SPLIT_FULL_WINDOW
                                                                    : (SPLIT_WINDOW_TYPE)NAV_s32Key(FCID("CVAS"), 1);
}

// ---------------------------------------------------------------------------
// Routes under the cursor

static void MENUS_vDeleteRoute0(void) { T_NAV_vDeleteCursoredRoute(0); }
static void MENUS_vDeleteRoute1(void) { T_NAV_vDeleteCursoredRoute(1); }
static void MENUS_vDeleteRoute2(void) { T_NAV_vDeleteCursoredRoute(2); }
static void MENUS_vDeleteRoute3(void) { T_NAV_vDeleteCursoredRoute(3); }
static void MENUS_vDeleteRoute4(void) { T_NAV_vDeleteCursoredRoute(4); }
static void MENUS_vEditRoute(U32 u32Slot) { NAV_bEditRouteForm(NAV_s32Key(s_aRouteKeys[u32Slot], -1)); }
static void MENUS_vEditRoute0(void) { MENUS_vEditRoute(0); }
static void MENUS_vEditRoute1(void) { MENUS_vEditRoute(1); }
static void MENUS_vEditRoute2(void) { MENUS_vEditRoute(2); }
static void MENUS_vEditRoute3(void) { MENUS_vEditRoute(3); }
static void MENUS_vEditRoute4(void) { MENUS_vEditRoute(4); }

static const MENU_TEXT s_aRouteChoices[] = {Travel_Forward, Travel_Reverse, Edit, Delete};
static const MENU_TEXT s_aTravelledRouteChoices[] = {Edit, Delete};
static const BOOLEAN s_abRouteConfirm[] = {FALSE, FALSE, FALSE, TRUE};
static const BOOLEAN s_abTravelledRouteConfirm[] = {FALSE, TRUE};
static const MENU_ACTION s_aapfnRoute[NAV_ROUTE_SLOTS][4] = {
    {T_NAV_vTravelForwardRoute0, T_NAV_vTravelReverseRoute0, MENUS_vEditRoute0, MENUS_vDeleteRoute0},
    {T_NAV_vTravelForwardRoute1, T_NAV_vTravelReverseRoute1, MENUS_vEditRoute1, MENUS_vDeleteRoute1},
    {T_NAV_vTravelForwardRoute2, T_NAV_vTravelReverseRoute2, MENUS_vEditRoute2, MENUS_vDeleteRoute2},
    {T_NAV_vTravelForwardRoute3, T_NAV_vTravelReverseRoute3, MENUS_vEditRoute3, MENUS_vDeleteRoute3},
    {T_NAV_vTravelForwardRoute4, T_NAV_vTravelReverseRoute4, MENUS_vEditRoute4, MENUS_vDeleteRoute4}};

void T_NAV_vRegister_Routes_Under_Cursor_Menu(S32 s32View, S32 s32Split, U32 u32Slot, S32 s32Route) {
  if (u32Slot >= NAV_ROUTE_SLOTS) return;
  H_DATABASE_bUpdateEverythingS32(s_aRouteKeys[u32Slot], s32Route, P_NORMAL, D_SIGNED32, nullptr, DB_NEVER_STALE);
  s_aRoutesUnderCursor[u32Slot] = s32Route;
  if (s_aDisplayRoutesMenu[u32Slot]) return;
  const BOOLEAN bTravelled = NAV_s32Key(FCID("CCRT"), -1) == s32Route;
  if (bTravelled) {
    U_MENU_bRegisterHotActionListMenu(Route, nullptr, 95 + u32Slot, s_aTravelledRouteChoices,
                                      &s_aapfnRoute[u32Slot][2], 2, M_BASIC, (LAYER_ID)s32View,
                                      (SPLIT_WINDOW_TYPE)s32Split, s_aRouteKeys[u32Slot], s_abTravelledRouteConfirm);
  } else {
    U_MENU_bRegisterHotActionListMenu(Route, nullptr, 95 + u32Slot, s_aRouteChoices, s_aapfnRoute[u32Slot], 4,
                                      M_BASIC, (LAYER_ID)s32View, (SPLIT_WINDOW_TYPE)s32Split, s_aRouteKeys[u32Slot],
                                      s_abRouteConfirm);
  }
  s_aDisplayRoutesMenu[u32Slot] = TRUE;
}

void T_NAV_vUnregister_Routes_Under_Cursor_Menu(S32 s32View, S32 s32Split, S32 s32Slot) {
  for (U32 i = 0; i < NAV_ROUTE_SLOTS; i++) {
    if ((s32Slot >= 0 && (U32)s32Slot != i) || !s_aDisplayRoutesMenu[i]) continue;
    H_DATABASE_bUpdateEverythingS32(s_aRouteKeys[i], -1, P_NORMAL, D_SIGNED32, nullptr, DB_NEVER_STALE);
    s_aRoutesUnderCursor[i] = -1;
    U_MENU_bUnregisterHotMenuItem(Route, (LAYER_ID)s32View, (SPLIT_WINDOW_TYPE)s32Split);
    s_aDisplayRoutesMenu[i] = FALSE;
  }
}

// The route items of the routes through the waypoint, one per slot.
static void MENUS_vRegisterRoutesOf(U32 u32Waypoint, LAYER_ID eView, SPLIT_WINDOW_TYPE eSplit) {
  if (u32Waypoint >= NAV_MAX_WAYPOINTS) return;
  S32 aRoutes[NAV_ROUTE_SLOTS] = {-1, -1, -1, -1, -1};
  L_MUTEX_LockWait(RES_NAV_DATA);
  T_NAV_u32GetRoutesUsingWaypoint(u32Waypoint, aRoutes);
  L_MUTEX_Unlock(RES_NAV_DATA);
  for (U32 i = 0; i < NAV_ROUTE_SLOTS; i++) {
    if (aRoutes[i] >= 0) T_NAV_vRegister_Routes_Under_Cursor_Menu(eView, eSplit, i, aRoutes[i]);
  }
}

// Removing an item by name takes the last-waypoint and last-route lists of
// the same name with it: they come back in that pane.
static void MENUS_vRestoreLastLists(LAYER_ID eView, SPLIT_WINDOW_TYPE eSplit) {
  for (const NAV_VIEW_PANE& v : g_aNavViews) {
    if (v.eView != eView || v.eSplit != eSplit) continue;
    if (g_NAV.bLastWaypointMenuCreated) NAV_vRegisterLastWaypointList(v);
    if (g_NAV.bLastRouteMenuCreated) NAV_vRegisterLastRouteList(v);
  }
}

void T_NAV_vDeleteCursoredRoute(U32 u32Slot) {
  if (u32Slot >= NAV_ROUTE_SLOTS) return;
  const U32 waypoint = NAV_u32Key(FCID("ICWP"), NAV_NONE);
  const S32 route = NAV_s32Key(s_aRouteKeys[u32Slot], -1);
  LAYER_ID view;
  SPLIT_WINDOW_TYPE split;
  MENUS_vCursorPane(&view, &split);
  T_NAV_vUnregister_Routes_Under_Cursor_Menu(view, split, -1);
  MENUS_vRestoreLastLists(view, split);
  const BOOLEAN bDeleted = route >= 0 && T_NAV_bDeleteRoute((U32)route, FALSE);
  L_SEMA_Signal(bDeleted ? SEMA_KEYCLICK_GOOD : SEMA_KEYCLICK_BAD);
  MENUS_vRegisterRoutesOf(waypoint, view, split);
}

void NAV_vRefreshRoutesUnderCursor(void) {
  const U32 waypoint = NAV_u32Key(FCID("ICWP"), NAV_NONE);
  if (waypoint == NAV_NONE) return;
  LAYER_ID view;
  SPLIT_WINDOW_TYPE split;
  MENUS_vCursorPane(&view, &split);
  T_NAV_vUnregister_Routes_Under_Cursor_Menu(view, split, -1);
  MENUS_vRestoreLastLists(view, split);
  MENUS_vRegisterRoutesOf(waypoint, view, split);
}

// ---------------------------------------------------------------------------
// The cursor waypoint

static const MENU_TEXT s_aWaypointChoices[] = {Edit, Delete, GoTo_, Target, Grid};
static const BOOLEAN s_abWaypointConfirm[] = {FALSE, TRUE, FALSE, FALSE, FALSE};
static const MENU_ACTION s_apfnCursorWaypoint[] = {T_NAV_vEditCursorWaypoint, T_NAV_vDeleteCursorWaypoint,
                                                   T_NAV_vGoToCursorWaypoint, T_NAV_vTargetCursorWaypoint,
                                                   T_NAV_vGridCursorWaypoint};
static const MENU_ACTION s_apfnLastWaypoint[] = {T_NAV_vEditLastWaypoint, T_NAV_vDeleteLastWaypoint,
                                                 T_NAV_vGoToLastWaypoint, T_NAV_vTargetLastWaypoint,
                                                 T_NAV_vGridLastWaypoint};
static const MENU_ACTION s_apfnLastRoute[] = {T_NAV_vTravelForward, T_NAV_vTravelReverse, T_NAV_vEditLastSavedRoute,
                                              T_NAV_vDeleteLastSavedRoute};

void NAV_vRegisterLastWaypointList(const NAV_VIEW_PANE& v) {
  U_MENU_bRegisterHotActionListMenu(Waypoint, nullptr, 94, s_aWaypointChoices, s_apfnLastWaypoint, 5, M_BASIC,
                                    v.eView, v.eSplit, FCID("CLWC"), s_abWaypointConfirm);
}
void NAV_vRegisterLastRouteList(const NAV_VIEW_PANE& v) {
  U_MENU_bRegisterHotActionListMenu(Route, nullptr, 101, s_aRouteChoices, s_apfnLastRoute, 4, M_BASIC, v.eView,
                                    v.eSplit, FCID("CLRT"), s_abRouteConfirm);
}

void T_NAV_vUpdateCursorWaypoint(U16 u16Index) {
  H_DATABASE_bUpdateEverythingU32(FCID("ICWP"), u16Index, P_NORMAL, D_WAYPOINT, nullptr, DB_NEVER_STALE);
  LAYER_ID view;
  SPLIT_WINDOW_TYPE split;
  MENUS_vCursorPane(&view, &split);
  if (u16Index == NAV_NONE) {
    U_MENU_bUnregisterHotMenuItem(Waypoint, view, split);
    T_NAV_vUnregister_Routes_Under_Cursor_Menu(view, split, -1);
    MENUS_vRestoreLastLists(view, split);
    if (g_NAV.bGPSDetected) {
      U_MENU_bRegisterHotActionMenu(Mark, nullptr, 24, T_NAV_vHandleMark, FALSE, M_BASIC, USED_BY_ALL,
                                    SPLIT_FULL_WINDOW);
    } else {
      U_MENU_bUnregisterHotMenuItem(Mark, USED_BY_ALL, SPLIT_FULL_WINDOW);
    }
    return;
  }
  U_MENU_bUnregisterHotMenuItem(Mark, USED_BY_ALL, SPLIT_FULL_WINDOW);
  T_NAV_vUnregister_Routes_Under_Cursor_Menu(view, split, -1);
  U_MENU_bRegisterHotActionListMenu(Waypoint, nullptr, 24, s_aWaypointChoices, s_apfnCursorWaypoint, 5, M_BASIC,
                                    view, split, FCID("ICWP"), s_abWaypointConfirm);
  MENUS_vRegisterRoutesOf(u16Index, view, split);
}

// ---------------------------------------------------------------------------
// Lists of the last waypoint and route, "Reverse", "Cursor To Waypoint"

void T_NAV_vUnregister_Last_Waypoint_Menu(void) {
  if (!g_NAV.bLastWaypointMenuCreated) return;
  NAV_vUnregisterHotInNavViews(Waypoint);
  g_NAV.bLastWaypointMenuCreated = FALSE;
}

void T_NAV_vUnregister_Last_Saved_Route_Menu(void) {
  NAV_vUnregisterHotInNavViews(Route);
  g_NAV.bLastRouteMenuCreated = FALSE;
  for (BOOLEAN& b : s_aDisplayRoutesMenu) b = FALSE;
  const U32 waypoint = NAV_u32Key(FCID("ICWP"), NAV_NONE);
  if (waypoint == NAV_NONE) return;
  LAYER_ID view;
  SPLIT_WINDOW_TYPE split;
  MENUS_vCursorPane(&view, &split);
  MENUS_vRegisterRoutesOf(waypoint, view, split);
}

void T_NAV_vUnregister_Current_Traveling_Route_Menu(void) {
  NAV_vUnregisterHotInNavViews(Reverse);
  g_NAV.bReverseMenuCreated = FALSE;
}

void T_NAV_vUpdateCursorToWaypointMenuRegistration(void) {
  const BOOLEAN bAny = T_NAV_bWaypointsExist();
  if (bAny == g_NAV.bCursorToWaypointMenuCreated) return;
  if (!bAny) {
    T_NAV_vUnregister_CursorTo_Waypoint_Menu();
    return;
  }
  for (const NAV_VIEW_PANE& v : s_aChartViews) {
    U_MENU_bRegisterHotActionMenu(Cursor_To_Waypoint, nullptr, 54, T_NAV_vSelectWaypointToCursorTo, FALSE, M_ADVANCED,
                                  v.eView, v.eSplit);
  }
  g_NAV.bCursorToWaypointMenuCreated = TRUE;
}

void T_NAV_vUnregister_CursorTo_Waypoint_Menu(void) {
  for (const NAV_VIEW_PANE& v : s_aChartViews) U_MENU_bUnregisterHotMenuItem(Cursor_To_Waypoint, v.eView, v.eSplit);
  g_NAV.bCursorToWaypointMenuCreated = FALSE;
}

BOOLEAN T_NAV_bCursorToWaypointMenuCreated(void) { return g_NAV.bCursorToWaypointMenuCreated; }

void T_NAV_vDeleteRouteMenuInTavrikMenu(ROUTE* pRoute) {
  if (pRoute != nullptr && T_NAV_bCompareRoutes1(pRoute, T_NAV_pGetCurrentRoute()) > 0) T_NAV_vEndNavigationNow();
}

void T_NAV_vUpdateChartMenu(void) {}

// ---------------------------------------------------------------------------
// AIS


void T_NAV_vSetupAISMenuItems(void) {
  if (s_bAISMenusRegistered.exchange(true)) return;
  static const MENU_LIMITS s_sCourseLine[] = {{U_NONE, 0, 3600, 10}};
  static const MENU_TEXT s_aAis[] = {AIS};
  U_MENU_bRegisterMainSubMenu(AIS, Accessories, 626, s_aAis, s_aAis, nullptr, 1, M_BASIC);
  U_MENU_bRegisterSubMenuSelectorMenu(Tracking_Target, AIS, nullptr, 627, FCID("SAIS"), 2, U_MENU_apOffOn, U_MENU_au32OffOn,
                                      M_BASIC);
  U_MENU_bRegisterSubMenuActionMenu(CPA_Limits, AIS, nullptr, 628, T_NAV_vAisCPALimit, FALSE, M_BASIC);
  U_MENU_bRegisterSubMenuActionMenu(Target_List, AIS, nullptr, 629, T_NAV_vAisTargetList, FALSE, M_BASIC);
  // The line's length is a time in minutes and seconds: "5:00" alone read
  // as a clock.
  U_MENU_bRegisterSubMenuSliderMenu(Target_Course_Line, AIS, nullptr, 630, FCID("STCL"), s_sCourseLine, Off,
                                    Sixty_Minutes, min_LC, M_BASIC);
}

BOOLEAN T_NAV_bIsAISAvailable(void) { return s_bAISMenusRegistered ? TRUE : FALSE; }

// ---------------------------------------------------------------------------
// The chart-and-sonar views

static BOOLEAN MENUS_bImagingTransducer(U32 u32Transducer) {
  static const U32 s_a[] = {5, 9, 10, 15, 16, 17, 18, 25, 26, 28, 30, 31, 33, 34, 35};
  for (U32 t : s_a) {
    if (t == u32Transducer) return TRUE;
  }
  return FALSE;
}

static void MENUS_vRegisterCombo(LAYER_ID eView, DRAW_FUNCTION* pfnSonar, FOURCHARID control, FOURCHARID size) {
  const char* const* pos = Optional_Accessory_Required_to_Support_This_View;
  U_VIEW_bRegisterLayerSplit(pfnSonar, eView, USED_BY_NONE, 0, control, TRUE, nullptr, nullptr, pos,
                             SPLIT_LEFT_WINDOW, size);
  U_VIEW_bRegisterLayerSplit(T_CHART_vDrawChartView, eView, USED_BY_NONE, 0, control, TRUE, nullptr, nullptr, pos,
                             SPLIT_RIGHT_WINDOW, size);
}

static void MENUS_vRemoveCombo(LAYER_ID eView) {
  U_VIEW_bUnRegisterLayerSplit(eView, SPLIT_LEFT_WINDOW);
  U_VIEW_bUnRegisterLayerSplit(eView, SPLIT_RIGHT_WINDOW);
}

void T_NAV_vEnableSonarDisplays(BOOLEAN bEnable, U32 u32Transducer) {
  U32 state = 0;
  BOOLEAN bSonar = FALSE;
  H_DATABASE_bFetchU32(FCID("CCST"), &state, nullptr, nullptr);
  if ((state == 1 || state == 3) && H_DATABASE_bFetchBoolean(FCID("SDEN"), &bSonar, nullptr, nullptr) && bSonar) {
    BOOLEAN bDetected = FALSE;
    BOOLEAN bValid = FALSE;
    if (!H_DATABASE_bFetchBoolean(FCID("ITXD"), &bDetected, &bValid, nullptr) || !bValid || !bDetected) {
      return;
    }
  }
  if (bEnable) {
    if (!s_bComboViewRegistered) {
      if (g_NAV.bInIceMode) {
        MENUS_vRegisterCombo((LAYER_ID)67, T_N_HISTORY_vDrawSonarSplit, FCID("SV19"), FCID("SZCO"));
      } else {
        MENUS_vRegisterCombo((LAYER_ID)50, T_N_HISTORY_vDrawSonarSplit, FCID("SVCO"), FCID("SZCO"));
      }
      s_bComboViewRegistered = TRUE;
    }
    if (g_NAV.bInIceMode && !s_bChartFlasherViewRegistered) {
      MENUS_vRegisterCombo((LAYER_ID)66, T_N_HISTORY_vDrawCircularFlasher, FCID("SV18"), FCID("SZGZ"));
      s_bChartFlasherViewRegistered = TRUE;
    }
    if (!s_bChartPlusSIViewRegistered) {
      s_bChartPlusSIViewRegistered = MENUS_bImagingTransducer(u32Transducer);
    } else {
      s_bChartPlusSIViewRegistered = !g_NAV.bInIceMode && MENUS_bImagingTransducer(u32Transducer);
    }
    return;
  }
  if (s_bComboViewRegistered) {
    MENUS_vRemoveCombo((LAYER_ID)50);
    MENUS_vRemoveCombo((LAYER_ID)67);
    s_bComboViewRegistered = FALSE;
  }
  if (s_bChartFlasherViewRegistered) {
    MENUS_vRemoveCombo((LAYER_ID)66);
    s_bChartFlasherViewRegistered = FALSE;
  }
  if (s_bChartPlusSIViewRegistered) s_bChartPlusSIViewRegistered = FALSE;
  static const U32 s_aKeep[] = {5, 25, 9, 10, 16, 26, 31, 34};
  for (U32 t : s_aKeep) {
    if (t == u32Transducer) return;
  }
  MENUS_vRemoveCombo((LAYER_ID)40);
}
