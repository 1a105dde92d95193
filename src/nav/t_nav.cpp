// The navigation task: start-up, the wait loop, the mailbox, the
// registrations of the first GPS detection, the change notices and keys,
// the start of normal running and the wipe of the navigation store.

#include "t_nav.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/syscall.h>
#include <unistd.h>


#include "error.h"
#include "g_box.h"
#include "color.h"
#include "h_database.h"
#include "h_keyboard.h"
#include "h_memory.h"
#include "linuxsvc.h"
#include "model_current.h"
#include "t_chart.h"
#include "t_highway.h"
#include "t_nav_alarm.h"
#include "t_nav_group_store.h"
#include "t_nav_int.h"
#include "t_nav_nvram_flash.h"
#include "t_nav_store_hooks.h"
#include "t_nav_twr.h"
#include "t_nav_views.h"
#include "t_nav_wpm.h"
#include "t_nmea.h"
#include "t_nmea_ais.h"
#include "t_startup.h"
#include "u_language.h"
#include "u_nav.h"
#include "u_nav_edit.h"
#include "u_nav_infobox.h"
#include "u_shutdown.h"
#include "u_view.h"
#include "u_wstring.h"
#include "ui_texts.h"

NAV_TASK g_NAV;

const NAV_VIEW_PANE g_aNavViews[NAV_VIEW_COUNT] = {
    {CHART_VIEW_PRIORITY, SPLIT_FULL_WINDOW},  {(LAYER_ID)65, SPLIT_FULL_WINDOW}, {(LAYER_ID)56, SPLIT_FULL_WINDOW},
    {(LAYER_ID)53, SPLIT_FULL_WINDOW},         {(LAYER_ID)55, SPLIT_LEFT_WINDOW}, {(LAYER_ID)55, SPLIT_RIGHT_WINDOW},
    {(LAYER_ID)50, SPLIT_RIGHT_WINDOW},        {(LAYER_ID)67, SPLIT_RIGHT_WINDOW}, {(LAYER_ID)54, SPLIT_LEFT_WINDOW},
    {(LAYER_ID)54, SPLIT_RIGHT_WINDOW},        {(LAYER_ID)66, SPLIT_RIGHT_WINDOW}, {(LAYER_ID)40, SPLIT_LEFT_WINDOW},
};

static U32 NAV_u32RealMilliseconds(void) { return H_TICK_u32ReadFreeRunningTimerInMilliSeconds(); }
static U32 (*s_pfnMilliseconds)(void) = NAV_u32RealMilliseconds;

void NAV_vSetClock(U32 (*pfnMilliseconds)(void)) {
  s_pfnMilliseconds = pfnMilliseconds != nullptr ? pfnMilliseconds : NAV_u32RealMilliseconds;
}
U32 NAV_u32Milliseconds(void) { return s_pfnMilliseconds(); }

// ---------------------------------------------------------------------------
// Client functions

BOOLEAN T_NAV_bGPSDetected(void) { return g_NAV.bGPSDetected; }
void T_NAV_vActivateUpdateHideStatus(void) { g_NAV.bUpdateHideStatus = true; }

static void NAV_vHeldWaypointGone(U32 u32Held) {
  switch (u32Held) {
    case NAV_HELD_CURSOR:
      T_NAV_vUpdateCursorWaypoint(NAV_NONE);
      break;
    case NAV_HELD_LAST_CREATED:
      T_NAV_vUnregister_Last_Waypoint_Menu();
      break;
    case NAV_HELD_TARGET:
      T_NAV_vRemoveTargetNow();
      break;
    case NAV_HELD_GRID:
      T_NAV_vRemoveGridNow();
      break;
    default:
      break;
  }
}

void T_NAV_vRegisterHooks(void) {
  T_NAV_STORE_bRegisterHeldWaypointGone(NAV_vHeldWaypointGone);
  T_NAV_STORE_bRegisterWaypointsChanged(T_NAV_vUpdateCursorToWaypointMenuRegistration);
  T_NAV_STORE_bRegisterSavedRouteGone(T_NAV_vUnregister_Last_Saved_Route_Menu);
  T_NAV_STORE_bRegisterRouteWaypointGone(T_NAV_vUpdateCurrentRouteArray);
  T_NAV_STORE_bRegisterHideBitsChanged(T_NAV_vActivateUpdateHideStatus);
  T_NMEA_bRegisterFirstAisSentence(T_NAV_vSetupAISMenuItems);
  T_NMEA_bRegisterAisTargetDropped(T_NAV_vDeleteTargetListIndex);
  T_NAV_EDIT_bRegisterTravelRoute(T_NAV_vTravelSavedRoute);
  T_NAV_INFOBOX_bRegisterCurrentRoute(T_NAV_pGetCurrentRoute);
}

void T_NAV_vRegisterArrivalAlarms(BOOLEAN bUnregister) {
  if (bUnregister) {
    U_MENU_bUnregisterMainMenuItem(Off_Course_Alarm, Alarms);
    U_MENU_bUnregisterMainMenuItem(Arrival_Alarm, Alarms);
    return;
  }
  U_MENU_bRegisterMainSliderMenu(Off_Course_Alarm, Alarms, 516, FCID("SNAO"), U_MENU_pLimitsOf(FCID("SNAO")), Off,
                                 nullptr, nullptr, M_BASIC);
  U_MENU_bRegisterMainSliderMenu(Arrival_Alarm, Alarms, 518, FCID("SNAA"), U_MENU_pLimitsOf(FCID("SNAA")), Off,
                                 nullptr, nullptr, M_BASIC);
}

// ---------------------------------------------------------------------------
// Menus

void NAV_vRegisterHotInNavViews(MENU_TEXT pName, MENU_PRIORITY priority, MENU_ACTION pAction, BOOLEAN bConfirm,
                                MENU_USER_LEVEL eLevel) {
  for (const NAV_VIEW_PANE& v : g_aNavViews) {
    U_MENU_bRegisterHotActionMenu(pName, nullptr, priority, pAction, bConfirm, eLevel, v.eView, v.eSplit);
  }
}

void NAV_vUnregisterHotInNavViews(MENU_TEXT pName) {
  for (const NAV_VIEW_PANE& v : g_aNavViews) U_MENU_bUnregisterHotMenuItem(pName, v.eView, v.eSplit);
}

void NAV_vRegisterTrackMenus(BOOLEAN bRegister) {
  if (bRegister) {
    NAV_vRegisterHotInNavViews(Clear_Current_Track, 58, T_NAV_vClearCurrentTrack, TRUE, M_BASIC);
    NAV_vRegisterHotInNavViews(Save_Current_Track, 57, T_NAV_vSaveCurrentTrack, TRUE, M_BASIC);
  } else {
    NAV_vUnregisterHotInNavViews(Clear_Current_Track);
    NAV_vUnregisterHotInNavViews(Save_Current_Track);
  }
}

void NAV_vStartAutoZoomTimer(void) {
  if (g_NAV.pAutoZoom != nullptr) L_TIMER_Start(g_NAV.pAutoZoom, 5000, 0, SEMA_NAVI_AUTOZOOM_RESTORE);
}

static void NAV_vSubscribe(FOURCHARID id) { H_DATABASE_bRegisterForDataWithConditions(id, M_NAV, TRUE, FALSE, FALSE); }


// The overlay screens the menus open: their places in the Nav tab, and in
// a navigation view's MENU (0: not there).
typedef struct tag_NAV_OVERLAY_ITEM {
  const char* const* pName;
  U32 u32NavTab;
  U32 u32View;
  void (*pfnOpen)(void);
} NAV_OVERLAY_ITEM;

static const NAV_OVERLAY_ITEM s_aOverlayItems[] = {
    {Travel_Route, 194, 60, T_NAV_EDIT_vTravelRouteMenu},
    {New_Route, 194, 61, T_NAV_EDIT_vNewRouteMenu},
    {Edit_Route, 194, 0, T_NAV_EDIT_vEditRouteMenu},
    {Edit_Waypoint, 194, 62, T_NAV_EDIT_vEditWaypointMenu},
    {Edit_Track, 194, 0, T_NAV_EDIT_vEditTrackMenu},
};

// Main menus of the navigation settings, under their tabs.
static void NAV_vRegisterMainMenus(void) {
  const BOOLEAN bDomestic = MODEL_bDomesticModel();
  U_MENU_bRegisterMainSelectorMenu(Auto_Zoom, Nav, 219, FCID("SAZM"), 2, U_MENU_apOffOn, U_MENU_au32OffOn, M_BASIC);
  U_MENU_bRegisterMainSelectorMenu(Auto_Range, Nav, 220, FCID("SARS"), 2, U_MENU_apOffOn, U_MENU_au32OffOn, M_BASIC);
  U_MENU_bRegisterMainSelectorMenu(Vessel_Offset, Nav, 221, FCID("SVOS"), 2, U_MENU_apOffOn, U_MENU_au32OffOn, M_ADVANCED);
  U_MENU_bRegisterMainSliderMenu(Offset_Speed, Nav, 222, FCID("SNOS"), U_MENU_pLimitsOf(FCID("SNOS")), nullptr,
                                 nullptr, nullptr, M_ADVANCED);
  MENU_CHOICE_LIST pZones = nullptr;
  const U32* pZoneValues = nullptr;
  const U32 u32Zones = T_STARTUP_u32TimeZoneChoices(bDomestic, &pZones, &pZoneValues);
  U_MENU_bRegisterMainSelectorMenu(Local_Time_Zone, Setup, 138, FCID("SLTZ"), u32Zones, pZones, pZoneValues, M_BASIC);
  U_MENU_bRegisterMainSelectorMenu(Daylight_Saving_Time, Setup, 139, FCID("SDST"), 2, U_MENU_apOffOn, U_MENU_au32OffOn, M_BASIC);
  T_NAV_vRegisterArrivalAlarms(FALSE);
  U_MENU_bRegisterMainSliderMenu(Drift_Alarm, Alarms, 519, FCID("CNDA"), U_MENU_pLimitsOf(FCID("CNDA")), Off, nullptr,
                                 nullptr, M_BASIC);
  U_MENU_bRegisterMainActionMenu(Saved_Tracks_Defaults, Nav, 194, T_NAV_vTrackDefaults, FALSE, M_ADVANCED);
  if (MENU_ACTION pfn = T_NAV_WPM_pfnOpenWindow()) {
    U_MENU_bRegisterMainActionMenu(Waypoints_Routes_Tracks, Nav, 192, pfn, FALSE, M_BASIC);
  }
  if (MENU_ACTION pfn = T_NAV_WPM_pfnOpenSettings()) {
    U_MENU_bRegisterMainActionMenu(Waypoint_Settings, Nav, 193, pfn, FALSE, M_BASIC);
  }
  // The overlay editors sit beside the waypoint manager, the other way in.
  for (const NAV_OVERLAY_ITEM& item : s_aOverlayItems) {
    U_MENU_bRegisterMainActionMenu(item.pName, Nav, item.u32NavTab, item.pfnOpen, FALSE, M_BASIC);
  }
  static const U32 s_aFour[] = {0, 1, 2, 3};
  static const MENU_TEXT s_aProjection[] = {Off, On, Auto, Auto};
  U_MENU_bRegisterMainSelectorMenu(Course_Projection_Line, Nav, 228, FCID("SCCP"), 4, s_aProjection, s_aFour,
                                   M_ADVANCED);
  U_MENU_bRegisterMainSliderMenu(Trolling_Grid_Rotation, Nav, 212, FCID("SNGA"), U_MENU_pLimitsOf(FCID("SNGA")),
                                 nullptr, nullptr, Degrees, M_ADVANCED);
  U_MENU_bRegisterMainSelectorMenu(Continuous_Navigation_Mode, Nav, 234, FCID("SNCM"), 2, U_MENU_apOffOn, U_MENU_au32OffOn,
                                   M_ADVANCED);
  U_MENU_bRegisterMainSliderMenu(Casting_Rings, Nav, 197, FCID("SNCR"), U_MENU_pLimitsOf(FCID("SNCR")), Off, nullptr,
                                 nullptr, M_BASIC);
  U_MENU_bRegisterMainSelectorMenu(North_Up_Indicator, Chart, 218, FCID("SNUP"), 2, U_MENU_apOffOn, U_MENU_au32OffOn, M_ADVANCED);
  U_MENU_bRegisterMainSelectorMenu(View_Orientation, Chart, 203, FCID("SCUV"), 2, U_MENU_apOffOn, U_MENU_au32OffOn, M_BASIC);
  // The remote asks for the chart's orientation by this name; the tab shows
  // it once, as View Orientation.
  U_MENU_bRegisterMainSelectorMenu(Chart_Orientation, Chart, 203, FCID("SCUV"), 2, U_MENU_apOffOn, U_MENU_au32OffOn, M_DIAGNOSTIC);
  static const U32 s_aInterval[] = {1, 5, 10, 15, 30, 60};
  static const MENU_TEXT s_aIntervalNames[] = {Interval_1_sec,  Interval_5_sec,  Interval_10_sec,
                                               Interval_15_sec, Interval_30_sec, Interval_60_sec};
  U_MENU_bRegisterMainSelectorMenu(Trackpoint_Interval, Nav, 213, FCID("SNTI"), 6, s_aIntervalNames, s_aInterval,
                                   M_ADVANCED);
  U_MENU_bRegisterMainSliderMenu(Track_Min_Distance, Nav, 214, FCID("SNTD"), U_MENU_pLimitsOf(FCID("SNTD")), nullptr,
                                 nullptr, nullptr, M_ADVANCED);
  U_MENU_bRegisterMainSelectorMenu(Waypoint_Proximity_Flags, Nav, 210, FCID("SNWP"), 2, U_MENU_apOffOn, U_MENU_au32OffOn,
                                   M_ADVANCED);
  U_MENU_bRegisterMainSelectorMenu(Waypoint_Decluttering, Nav, 211, FCID("SNWD"), 2, U_MENU_apOffOn, U_MENU_au32OffOn, M_ADVANCED);
}

// The chart, highway and split views; in ice mode only the ice chart.
static void NAV_vRegisterViews(void) {
  const char* const* pos = Optional_Accessory_Required_to_Support_This_View;
  if (g_NAV.bInIceMode) {
    U_VIEW_bRegisterLayer(T_CHART_vDrawChartView, (LAYER_ID)65, USED_BY_NONE, 0, FCID("SV17"), TRUE, nullptr, nullptr,
                          pos);
    U_VIEW_bUnRegisterLayer(CHART_VIEW_PRIORITY);
    static const LAYER_ID s_aGone[] = {(LAYER_ID)53, INFO_CHART_INSTRUMENT_LAYER,
                                       INFO_CHART_PLUS_BIRDS_EYE_INSTRUMENT_LAYER};
    for (LAYER_ID l : s_aGone) U_VIEW_bUnRegisterLayer(l);
    U_VIEW_bUnRegisterLayerSplit((LAYER_ID)55, SPLIT_LEFT_WINDOW);
    U_VIEW_bUnRegisterLayerSplit((LAYER_ID)55, SPLIT_RIGHT_WINDOW);
    return;
  }
  U_VIEW_bRegisterLayer(T_CHART_vDrawChartView, CHART_VIEW_PRIORITY, USED_BY_NONE, 0, FCID("SVNA"), TRUE, nullptr,
                        nullptr, pos);
  U_VIEW_bUnRegisterLayer((LAYER_ID)65);
  U_VIEW_bRegisterLayer(T_CHART_vDrawHighwayView, (LAYER_ID)56, USED_BY_NONE, 0, FCID("SVHI"), TRUE, nullptr, nullptr, pos);
  U_VIEW_bRegisterLayerSplit(T_CHART_vDrawHighwayView, (LAYER_ID)54, USED_BY_NONE, 0, FCID("SVCB"), TRUE, nullptr,
                             nullptr, pos, SPLIT_LEFT_WINDOW, FCID("SZCB"));
  U_VIEW_bRegisterLayerSplit(T_CHART_vDrawChartView, (LAYER_ID)54, USED_BY_NONE, 0, FCID("SVCB"), TRUE, nullptr,
                             nullptr, pos, SPLIT_RIGHT_WINDOW, FCID("SZCB"));
  U_VIEW_bRegisterLayerSplit(T_CHART_vDrawHighwayView, (LAYER_ID)55, USED_BY_NONE, 0, FCID("SVI2"), FALSE, nullptr,
                             nullptr, pos, SPLIT_LEFT_WINDOW, FCID("SZI2"));
  U_VIEW_bRegisterLayerSplit(T_CHART_vDrawChartView, (LAYER_ID)55, USED_BY_NONE, 0, FCID("SVI2"), FALSE, nullptr,
                             nullptr, pos, SPLIT_RIGHT_WINDOW, FCID("SZI2"));
  U_VIEW_bRegisterLayer(T_CHART_vDrawChartView, (LAYER_ID)53, USED_BY_NONE, 0, FCID("SVIC"), FALSE, nullptr, nullptr,
                        pos);
  // The two instrument views carry their own data-box layer with the
  // compass strip.
  U_VIEW_bRegisterLayer(T_INFO_vDrawInfoLayer_Instrumentation_ChartInstrumentView, INFO_CHART_INSTRUMENT_LAYER,
                        (LAYER_ID)53, 0, 0, TRUE, nullptr, nullptr, nullptr);
  U_VIEW_bRegisterLayer(T_INFO_vDrawInfoLayer_Instrumentation_ChartInstrumentView,
                        INFO_CHART_PLUS_BIRDS_EYE_INSTRUMENT_LAYER, (LAYER_ID)55, 0, 0, TRUE, nullptr, nullptr,
                        nullptr);
}

// The data-box layers over the navigation views.
static void NAV_vRegisterInstrumentLayers(void) {
  static const LAYER_ID s_aTrackChart[] = {INFO_CHART_LAYER, INFO_CHART_2D_LAYER, INFO_CHART_FLASHER_LAYER};
  for (LAYER_ID l : s_aTrackChart) U_VIEW_bUnRegisterLayer(l);
  const auto boxes = [](DRAW_FUNCTION* pfn, LAYER_ID layer, S32 view) {
    U_VIEW_bRegisterLayer(pfn, layer, (LAYER_ID)view, 0, 0, TRUE, nullptr, nullptr, nullptr);
  };
  DRAW_FUNCTION* const pfnTrackChart = T_INFO_vDrawInfoLayer_Instrumentation_TrackChartView;
  if (g_NAV.bInIceMode) {
    boxes(pfnTrackChart, INFO_CHART_LAYER, 65);
    boxes(pfnTrackChart, INFO_CHART_2D_LAYER, 67);
    boxes(pfnTrackChart, INFO_CHART_FLASHER_LAYER, 66);
    U_VIEW_bUnRegisterLayer(INFO_BIRDS_EYE_LAYER);
    U_VIEW_bUnRegisterLayer(INFO_CHART_BIRDS_EYE_LAYER);
    return;
  }
  boxes(pfnTrackChart, INFO_CHART_LAYER, CHART_VIEW_PRIORITY);
  boxes(pfnTrackChart, INFO_CHART_2D_LAYER, 50);
  boxes(T_NAV_INFOBOX_vDrawInfoLayer_Instrumentation_BigDigitsViews, INFO_BIRDS_EYE_LAYER, BIRDS_EYE_VIEW_PRIORITY);
  boxes(pfnTrackChart, INFO_CHART_BIRDS_EYE_LAYER, 54);
  boxes(pfnTrackChart, INFO_CHART_ON_LEFT_PLUS_SI_DI_ON_RIGHT_LAYER, 40);
}

static void NAV_vSonarNotice(FOURCHARID id, U32 u32Value);

// What the first GPS position brings: run again on every detection, with
// the once-only groups guarded by their flags.
static void NAV_vGPSDetected(void) {
  g_NAV.bGPSDetected = TRUE;
  NAV_vSubscribe(FCID("SSEN"));
  NAV_vSubscribe(FCID("SSTS"));
  static const MENU_LIMITS s_sZoom[] = {{U_NONE, 9, 23, 1}};
  for (const NAV_VIEW_PANE& v : g_aNavViews) {
    U_MENU_bRegisterExpressMenu(v.eView, v.eSplit);
    const BOOLEAN bBirdsEye = v.eView == 56 || ((v.eView == 54 || v.eView == 55) && v.eSplit == SPLIT_LEFT_WINDOW);
    U_MENU_bRegisterHotSliderMenu(Zoom, nullptr, 55, bBirdsEye ? FCID("SNBS") : FCID("SNCS"), s_sZoom, nullptr,
                                  nullptr, nullptr, M_BASIC, v.eView, v.eSplit);
    U_MENU_bRegisterHotActionMenu(GoTo_, nullptr, 56, T_NAV_vHandleGoTo, FALSE, M_BASIC, v.eView, v.eSplit);
    for (const NAV_OVERLAY_ITEM& item : s_aOverlayItems) {
      if (item.u32View == 0) continue;
      U_MENU_bRegisterHotActionMenu(item.pName, nullptr, item.u32View, item.pfnOpen, FALSE, M_BASIC, v.eView,
                                    v.eSplit);
    }
  }
  NAV_vTrackRecording(g_NAV.bTrackEnable);
  U_MENU_bRegisterHotActionMenu(Mark, nullptr, 24, T_NAV_vHandleMark, FALSE, M_BASIC, USED_BY_ALL, SPLIT_FULL_WINDOW);
  T_NAV_vUpdateCursorToWaypointMenuRegistration();
  if (!g_NAV.bNavAndChartTabsRegistered) U_MENU_bRegisterTab(Nav, NAV_TAB_PRIORITY, nullptr, M_BASIC);
  NAV_vRegisterMainMenus();

  const struct {
    FOURCHARID box;
    FOURCHARID key;
  } s_aBoxes[] = {{FCID("BHDG"), FCID("IHDG")}, {FCID("BSOG"), FCID("ISOG")}, {FCID("BTAW"), FCID("ITAW")},
                  {FCID("QTTG"), FCID("ITTG")}, {FCID("QBRG"), FCID("IBRG")}, {FCID("QXTE"), FCID("IXTE")},
                  {FCID("QDTG"), FCID("IDTG")}, {FCID("QVMG"), FCID("IVMG")}};
  H_DATABASE_bUpdateEverythingS32(FCID("ITAW"), 0, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  for (const auto& b : s_aBoxes) {
    H_DATABASE_bUpdateEverythingU32(b.box, b.key, P_NORMAL, D_FCID, nullptr, DB_NEVER_STALE);
  }
  // The drawn boxes; QDTG's renderer replaces its plain binding above.
  T_NAV_INFOBOX_vPublish();
  H_DATABASE_bUpdateEverythingFloat(FCID("IXTE"), 0.0f, P_NORMAL, D_DISTANCE, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingFloat(FCID("IBRG"), 0.0f, P_NORMAL, D_HEADING, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingFloat(FCID("IVMG"), 0.0f, P_NORMAL, D_SPEED, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingS32(FCID("ITTG"), -1, P_NORMAL, D_TIME, nullptr, DB_NEVER_STALE);
  L_SEMA_Signal(SEMA_INFOBOX_UPDATE);

  NAV_vRegisterViews();
  NAV_vSonarNotice(FCID("SSEN"), 0);
  NAV_vRegisterInstrumentLayers();

  if (g_NAV.pUpdateTimer == nullptr) {
    g_NAV.pUpdateTimer = L_TIMER_Allocate();
    if (g_NAV.pUpdateTimer != nullptr) L_TIMER_Start(g_NAV.pUpdateTimer, 1000, 1000, SEMA_TIMER_NAV);
  }
  g_NAV.bNavAndChartTabsRegistered = TRUE;
}

// ---------------------------------------------------------------------------
// Change notices and keys

// Inside a menu a held cursor key waits longer before it repeats, so an
// ordinary press does not step a setting twice.
static void NAV_vMenuState(U32 u32Menu) {
  g_NAV.bMenuNotActive = u32Menu == 0;
  H_KEYBOARD_vSetCursorKeyMode(u32Menu != 0 ? (HKEY_ID)1 : (HKEY_ID)3);
}

// The chart-and-sonar views follow the sonar's switch (SSEN) and its
// transducer (SSTS).
static void NAV_vSonarNotice(FOURCHARID id, U32 u32Value) {
  U32 transducer = 0;
  BOOLEAN bSonar = FALSE;
  H_DATABASE_bFetchU32(FCID("SSTS"), &transducer, nullptr, nullptr);
  if (id == FCID("SSTS")) {
    T_NAV_vEnableSonarDisplays(u32Value != 0, u32Value);
  } else if (H_DATABASE_bFetchBoolean(FCID("SSEN"), &bSonar, nullptr, nullptr) && bSonar) {
    T_NAV_vEnableSonarDisplays(transducer != 0, transducer);
  } else if (id == FCID("SSEN") && g_NAV.bGPSDetected) {
    T_NAV_vEnableSonarDisplays(FALSE, transducer);
  }
}

static void NAV_vNewData(const MESSAGE_NEW_DATA* p) {
  switch (p->FourCharId) {
    case FCID("SLNG"):
      g_NAV.u32CurrentLanguage = p->dbValue.u32Val;
      // The kept chart background holds the ruler's unit name.
      T_CHART_vReRenderAll();
      break;
    case FCID("CVEW"): {
      T_NAV_vCheckKeyRegistration(p->dbValue.s32Val, UNKNOWN_SPLIT);
      T_NAV_vMakeCursorInactive();
      // The chart view's zoom and pan state starts afresh in a new view: whole
      // numbers and floats alike, the word 0 is zero in each.
      static const FOURCHARID s_aZero[] = {FCID("KZMC"), FCID("KZLC"), FCID("KSMC"), FCID("KSLC"), FCID("KTMC"),
                                           FCID("KTLC"), FCID("OLPC"), FCID("OMPC"), FCID("OMCC"), FCID("OLCC")};
      DB_DATA_TYPE zero = {};
      for (FOURCHARID id : s_aZero) H_DATABASE_bUpdateValue(id, zero, P_NORMAL);
      H_DATABASE_bUpdateValueFloat(FCID("OMLC"), -380.0f, P_NORMAL);
      H_DATABASE_bUpdateValueFloat(FCID("OLLC"), -380.0f, P_NORMAL);
      break;
    }
    case FCID("CVAS"):
      T_NAV_vCheckKeyRegistration(UNKNOWN_VIEW, p->dbValue.s32Val);
      T_NAV_vMakeCursorInactive();
      break;
    case FCID("SSEN"):
    case FCID("SSTS"):
      NAV_vSonarNotice(p->FourCharId, p->dbValue.u32Val);
      break;
    case FCID("CMNU"):
      NAV_vMenuState(p->dbValue.u32Val);
      break;
    case FCID("SICE"):
      g_NAV.bInIceMode = (p->dbValue.u32Val & 0xFF) != 0;
      T_NAV_vSetDefaultSettings(TRUE);
      H_DATABASE_bUpdateEverythingU32(FCID("SWDI"), g_NAV.bInIceMode ? NAV_MAX_ICON : 0, P_NORMAL, D_UNKNOWN, nullptr,
                                      DB_NEVER_STALE);
      L_SEMA_Signal(SEMA_NVRAM_UPDATE);
      log_me("[%d]%s: ice mode change done", __LINE__, __func__);
      break;
    case FCID("SNHL"):
      g_NAV.bHeadingLine = (p->dbValue.u32Val & 0xFF) != 0;
      break;
    case FCID("CNDA"): {
      POINT boat;
      if (NAV_bBoat(&boat)) {
        H_DATABASE_bUpdateEverythingS32(FCID("IDLT"), boat.y, P_NORMAL, D_POSITION_LAT_MM, nullptr, DB_NEVER_STALE);
        H_DATABASE_bUpdateEverythingS32(FCID("IDLN"), boat.x, P_NORMAL, D_POSITION_LON_MM, nullptr, DB_NEVER_STALE);
      } else {
        T_NAV_vSetNavUIError(Fix_Required);
      }
      break;
    }
    case FCID("CCRT"):
      if (p->dbValue.s32Val >= 0 && !g_NAV.bReverseMenuCreated) {
        NAV_vRegisterHotInNavViews(Reverse, 100, T_NAV_vReverseRoute, FALSE, M_BASIC);
        g_NAV.bReverseMenuCreated = TRUE;
      }
      NAV_vRefreshRoutesUnderCursor();
      break;
    case FCID("CLRT"):
      log_me("[%d]%s: index last saved route = %d\n", __LINE__, __func__, (int)p->dbValue.s32Val);
      if (!g_NAV.bLastRouteMenuCreated) {
        for (const NAV_VIEW_PANE& v : g_aNavViews) NAV_vRegisterLastRouteList(v);
        g_NAV.bLastRouteMenuCreated = TRUE;
      }
      NAV_vRefreshRoutesUnderCursor();
      break;
    case FCID("CLWC"):
      if (!g_NAV.bLastWaypointMenuCreated) {
        for (const NAV_VIEW_PANE& v : g_aNavViews) NAV_vRegisterLastWaypointList(v);
        g_NAV.bLastWaypointMenuCreated = TRUE;
      }
      T_NAV_vUpdateCursorToWaypointMenuRegistration();
      break;
    default:
      break;
  }
}

static void NAV_vKey(const MSG_KEY_CHANGE* p) {
  if (g_NAV.bTrackingMemoryWarningDisplayed) {
    U_VIEW_bUnRegisterLayer((LAYER_ID)268);
    U_KEYBOARD_bUnregisterKeys(M_NAV, HKEY_MASK_EXIT);
    g_NAV.bTrackingMemoryWarningDisplayed = FALSE;
    return;
  }
  // A pending question, the overlay screens, then the waypoint manager's
  // window have the keys first while open.
  if (T_NAV_CONF_bHandleKeys(p)) return;
  if (T_NAV_EDIT_bHandleKeys(const_cast<MSG_KEY_CHANGE*>(p))) return;
  if (T_NAV_WPM_bHandleKeys(const_cast<MSG_KEY_CHANGE*>(p))) return;
  if (p->key == HKEY_MASK_EXIT) {
    g_NAV.bChartSnapEnable = FALSE;
    const LAYER_ID view = U_VIEW_eCurrentView();
    if (view == 56 || view == 54 || (view == 55 && U_VIEW_eCurrentSplit() == SPLIT_LEFT_WINDOW)) {
      H_DATABASE_bUpdateValueFloat(FCID("ICHD"), 0.0f, P_NORMAL);
    }
    BOOLEAN bCursor = FALSE;
    if (H_DATABASE_bFetchBoolean(FCID("ICAC"), &bCursor, nullptr, nullptr) && bCursor) {
      T_NAV_vMakeCursorInactive();
      L_SEMA_Signal(SEMA_KEYCLICK_GOOD);
    } else {
      L_SEMA_Signal(SEMA_KEYCLICK_BAD);
    }
  } else if (p->key == HKEY_MASK_CURSOR) {
    log_me("Get cursor message %u\n", (unsigned)NAV_u32Milliseconds());
    if (p->state == KEY_DOWN) {
      if (g_NAV.pChartSnap != nullptr) L_TIMER_Stop(g_NAV.pChartSnap);
      T_NAV_vHandleCursor(p->cursor, (S32)p->count, p->state);
      g_NAV.bCursorMoveKeyDown = TRUE;
    } else if (g_NAV.bCursorMoveKeyDown) {
      g_NAV.bCursorMoveKeyDown = FALSE;
      g_NAV.bChartSnapEnable = TRUE;
      g_NAV.lastCursorKeyChange = *p;
      if (g_NAV.pChartSnap == nullptr) g_NAV.pChartSnap = L_TIMER_Allocate();
      if (g_NAV.pChartSnap != nullptr) L_TIMER_Start(g_NAV.pChartSnap, 600, 0, SEMA_CURSOR_STOP);
    }
  } else if (p->key == 0x20 || p->key == 0x40) {
    T_NAV_vHandleZoomKey(p);
  } else {
    L_SEMA_Signal(SEMA_KEYCLICK_BAD);
  }
}

static void NAV_vRunSystem(void) {
  U32 state = 0;
  if (H_DATABASE_bFetchU32(FCID("CCST"), &state, nullptr, nullptr) && state == NAV_STATE_POINT_OF_SALE) {
    NAV_vStartSimulator();
  }
  L_MUTEX_LockWait(RES_NAV_DATA);
  T_NAV_NVRAM_vScanCurrentTrack(&g_NAV.CurrentTrack);
  T_NAV_TWR_vInitialScan();
  L_MUTEX_Unlock(RES_NAV_DATA);
  if (g_NAV.pUpdateHideStatusTimer != nullptr) {
    L_TIMER_Start(g_NAV.pUpdateHideStatusTimer, 500, 5000, SEMA_TIMER_WAYPOINT_TIMER);
  }
  U_MENU_bRegisterMainActionMenu(Format_Nav_Directories, Setup, 129, T_NAV_vWipeNav, FALSE, M_ADVANCED);
}

// One message: TRUE when the mailbox is to be drained further.
static BOOLEAN NAV_bMessage(void* pMessage) {
  const GENERIC_MESSAGE* p = (const GENERIC_MESSAGE*)pMessage;
  BOOLEAN bMore = TRUE;
  switch (p->Cmd) {
    case CMD_ID_SHUTDOWN:
      T_NAV_WPM_vShutdown();
      bMore = FALSE;
      break;
    case CMD_ID_NEW_DATA:
      NAV_vNewData((const MESSAGE_NEW_DATA*)pMessage);
      T_NAV_WPM_vNotice(pMessage);
      break;
    case CMD_ID_RESET_POS: {
      T_NAV_vSetDefaultSettings(TRUE);
      BOOLEAN bRestore = FALSE;
      H_DATABASE_bFetchBoolean(FCID("SSRD"), &bRestore, nullptr, nullptr);
      break;
    }
    case CMD_ID_KEY_CHANGE:
      NAV_vKey((const MSG_KEY_CHANGE*)pMessage);
      break;
    case CMD_ID_RUN_SYSTEM:
      NAV_vRunSystem();
      break;
    case CMD_ID_NAV_WIPE_FLASH:
      H_MEMORY_vDumpMail(pMessage);
      T_NAV_bWipeFlash();
    default:
      break;
  }
  H_MEMORY_vDumpMail(pMessage);
  return bMore;
}

void NAV_vHandleMessage(void* pMessage) { NAV_bMessage(pMessage); }

// ---------------------------------------------------------------------------
// Start-up and the loop

void NAV_vStartUp(void) {
  log_me("[%d]%s: LWP ID %ld", __LINE__, __func__, (long)syscall(SYS_gettid));
  g_NAV.pAutoZoom = L_TIMER_Allocate();
  if (H_DATABASE_bUpdateEverythingU32(FCID("TNAV"), (U32)M_NAV, P_NORMAL, D_MAILBOX, nullptr, DB_NEVER_STALE)) {
    ERROR_vFatal(__FILE_NAME__, __LINE__, "Somebody else registered the Nav Task Mailbox");
  }
  g_NAV.bUpdateHideStatus = true;
  g_NAV.dDistanceTravelled = -1.0;
  g_NAV.bTrackEnable = TRUE;
  g_NAV.bPowerOnGap = TRUE;
  g_NAV.bSimulatorStarted = FALSE;
  g_NAV.u32TrackTicks = 0;
  g_NAV.bTrackingMemoryWarning = FALSE;
  g_NAV.bTrackingMemoryWarningDisplayed = FALSE;
  g_NAV.bGPSDetected = FALSE;
  g_NAV.pUpdateHideStatusTimer = L_TIMER_Allocate();
  if (g_NAV.pUpdateHideStatusTimer == nullptr) {
    ERROR_vFatal(__FILE_NAME__, __LINE__, "Could allocate waypoint management hide status timer");
  }
  g_NAV.u32CurrentLanguage = nCurrentLanguage();
  NAV_vSubscribe(FCID("SLNG"));
  BOOLEAN bIce = FALSE;
  H_DATABASE_bFetchBoolean(FCID("SICE"), &bIce, nullptr, nullptr);
  g_NAV.bInIceMode = bIce;
  NAV_ROUTE_vReset();
  T_NAV_vSetDefaultSettings(FALSE);
  T_NAV_ALARM_vInit();
  NAV_vSubscribe(FCID("CVEW"));
  NAV_vSubscribe(FCID("CNDA"));
  NAV_vSubscribe(FCID("CVAS"));
  NAV_vSubscribe(FCID("SCCP"));
  static const FOURCHARID s_aStart[] = {FCID("CCNC"), FCID("SCTV"), FCID("IARO"), FCID("IARA"), FCID("IAZR")};
  static const BOOLEAN s_abStart[] = {FALSE, TRUE, FALSE, TRUE, TRUE};
  for (U32 i = 0; i < 5; i++) {
    H_DATABASE_bUpdateEverythingBoolean(s_aStart[i], s_abStart[i], P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  }
  H_DATABASE_bUpdateValueBoolean(FCID("KZHD"), FALSE, P_NORMAL);
  NAV_vSubscribe(FCID("SNHL"));
  NAV_vSubscribe(FCID("SICE"));

  L_MUTEX_LockWait(RES_NAV_DATA);
  U_NAV_vClearTrack(&g_NAV.CurrentTrack.sHeader);
  NAV_ROUTE_vReset();
  T_NAV_vInitTracksWaypointsRoutes();
  L_MUTEX_Unlock(RES_NAV_DATA);

  g_NAV.bLastRouteMenuCreated = FALSE;
  g_NAV.bCurrentActiveRouteMenuCreated = FALSE;
  g_NAV.bLastWaypointMenuCreated = FALSE;
  g_NAV.bCursorToWaypointMenuCreated = FALSE;
  g_NAV.bNavAndChartTabsRegistered = FALSE;
  g_NAV.bReverseMenuCreated = FALSE;
  NAV_vSubscribe(FCID("CLWC"));
  NAV_vSubscribe(FCID("CLRT"));
  H_DATABASE_bUpdateEverythingS32(FCID("CCRT"), -1, P_NORMAL, D_SIGNED32, nullptr, DB_NEVER_STALE);
  NAV_vSubscribe(FCID("CCRT"));
  static const FOURCHARID s_aRoutes[] = {FCID("IRT0"), FCID("IRT1"), FCID("IRT2"), FCID("IRT3"), FCID("IRT4")};
  for (FOURCHARID id : s_aRoutes) NAV_vSubscribe(id);
  NAV_vSubscribe(FCID("CMNU"));
  U32 menu = 0;
  H_DATABASE_bFetchU32(FCID("CMNU"), &menu, nullptr, nullptr);
  NAV_vMenuState(menu);
}

void NAV_vHandleEvent(S32 s32Event) {
  switch (s32Event) {
    case SEMA_TIMER_NAV:
      T_NAV_vHandleUpdateTimer();
      T_NAV_WPM_vTick();
      break;
    case SEMA_MBOX_NAV:
      while (void* pMessage = L_MBOX_Receive(M_NAV)) {
        if (!NAV_bMessage(pMessage)) break;
      }
      break;
    case SEMA_GPS_DETECTED:
      NAV_vGPSDetected();
      break;
    case SEMA_KEYBOARD_LONG_GOTO:
      T_NAV_vManOverboard();
      break;
    case SEMA_NAVI_AUTOZOOM_RESTORE:
      if (g_NAV.pAutoZoom != nullptr) {
        H_DATABASE_bUpdateEverythingBoolean(FCID("IAZR"), TRUE, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
      }
      break;
    case SEMA_CURSOR_STOP:
      // The released cursor key, replayed once the key has rested, snaps.
      if (g_NAV.bChartSnapEnable && g_NAV.pChartSnap != nullptr && !g_NAV.bCursorMoveKeyDown) {
        g_NAV.bChartSnapEnable = FALSE;
        T_NAV_vHandleCursor(g_NAV.lastCursorKeyChange.cursor, (S32)g_NAV.lastCursorKeyChange.count,
                            g_NAV.lastCursorKeyChange.state);
      }
      break;
    case SEMA_TIMER_WAYPOINT_TIMER:
      if (g_NAV.bUpdateHideStatus.exchange(false)) {
        T_NAV_GROUP_vCheckWaypointInVisibleGroup();
        L_SEMA_Signal(SEMA_VIEW_UPDATE);
      }
      break;
    default:
      break;
  }
}

void T_NAV_vMain(void) {
  NAV_vStartUp();
  // 99 is the man-overboard semaphore the remote signals.
  static const SEMA s_aEvents[] = {SEMA_MBOX_NAV,    SEMA_TIMER_NAV,    SEMA_TIMER_WAYPOINT_TIMER, SEMA_GPS_DETECTED,
                                   SEMA_NAVI_AUTOZOOM_RESTORE, SEMA_CURSOR_STOP, SEMA_KEYBOARD_LONG_GOTO, 0};
  for (;;) NAV_vHandleEvent(L_SEMA_WaitMultiple(s_aEvents));
}
