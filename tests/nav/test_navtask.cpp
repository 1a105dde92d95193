// The navigation task's settings and its life: the defaults and their
// priorities, the factory reset and the ice mode, the registrations of the
// GPS detection, the start of normal running and a change of view.

#include <map>
#include <set>

#include "h_keyboard.h"
#include "model_current.h"
#include "navtask_test.h"
#include "u_convert.h"
#include "u_nav_infobox.h"
#include "u_view.h"
#include "ui_texts.h"

namespace {

// The item's write priority, found by offering another value at each
// priority from the weakest up and putting the old one back.
U32 Priority(FOURCHARID id) {
  DB_DATA_TYPE v;
  if (!H_DATABASE_bFetch(id, &v, nullptr, nullptr)) return 99;
  for (U32 p = P_UNOWNED; p + 1 > 0; p--) {
    DB_DATA_TYPE other = v;
    other.u32Val ^= 0x10u;
    if (!H_DATABASE_bUpdateValue(id, other, p)) {
      H_DATABASE_bUpdateValue(id, v, p);
      return p;
    }
  }
  return 99;
}

U32 Raw(FOURCHARID id) {
  DB_DATA_TYPE v;
  v.u32Val = 0xDEADBEEF;
  H_DATABASE_bFetch(id, &v, nullptr, nullptr);
  return v.u32Val;
}

U32 FloatBits(double d) {
  DB_DATA_TYPE v;
  v.fVal = (float)d;
  return v.u32Val;
}

U32 Distance(double feet, double metres) {
  const bool bDomestic = MODEL_bDomesticModel();
  return FloatBits(dConvertToInternal(bDomestic ? feet : metres, D_DISTANCE, bDomestic ? U_FEET : U_METRES));
}

struct SETTING {
  FOURCHARID id;
  U32 value;
};

std::vector<SETTING> Defaults(void) {
  const bool bDomestic = MODEL_bDomesticModel();
  std::vector<SETTING> s = {
      {FCID("SUHD"), 30}, {FCID("SCUV"), 0}, {FCID("SNTI"), 1}, {FCID("SNTD"), Distance(16, 5)},
      {FCID("SNCR"), Distance(0, 0)}, {FCID("SNWP"), 0}, {FCID("SNWD"), 1}, {FCID("SSCW"), 266}, {FCID("SSDW"), 266},
      {FCID("SNAO"), Distance(300, 100)}, {FCID("SNAA"), Distance(150, 50)}, {FCID("CNDA"), Distance(0, 0)},
      {FCID("SDTM"), 0}, {FCID("SCCP"), 1}, {FCID("SPVO"), 1}, {FCID("SNGA"), FloatBits(0.0)}, {FCID("SNCM"), 0},
      {FCID("SNUP"), 1}, {FCID("SNOS"), FloatBits(2.2352)}, {FCID("SVOS"), 0}, {FCID("SAZM"), 0}, {FCID("SARS"), 0},
      {FCID("SDST"), 0}, {FCID("SLTZ"), (U32)-300}, {FCID("SIDF"), 0}, {FCID("SITF"), 3}, {FCID("SIPF"), 6},
      {FCID("SNBS"), 18}, {FCID("SNCS"), 17}, {FCID("SNCL"), 17}, {FCID("SNLT"), (U32)(bDomestic ? 2944465 : 6532084)},
      {FCID("SNLN"), (U32)(bDomestic ? -8930670 : -117220)}, {FCID("SNTV"), 0xFFFFFFFF}, {FCID("SNV2"), 0xFFFFFFFF},
      {FCID("SNS1"), 0}, {FCID("SNS8"), 0}, {FCID("SNC1"), 0}, {FCID("SNC8"), 0}, {FCID("SNRC"), 0},
      {FCID("SNDC"), 0}, {FCID("SNDS"), 0}, {FCID("SNDV"), 0xFFFFFFFF}, {FCID("SNCC"), 9}, {FCID("SNCP"), 3},
      {FCID("SV17"), 0}, {FCID("SVNA"), 1}, {FCID("SVHI"), 1}, {FCID("SVCB"), 1}, {FCID("SVCC"), 1},
      {FCID("SV20"), 0}, {FCID("SVCO"), 1}, {FCID("SV19"), 0}, {FCID("SVIC"), 0}, {FCID("SVI2"), 0},
      {FCID("SZCB"), 50}, {FCID("SZCC"), 50}, {FCID("SZCO"), 40}, {FCID("SZI2"), 50}, {FCID("INCN"), 16}};
  return s;
}

std::string Name(FOURCHARID id) { return std::string((const char*)&id, 4); }

TEST_F(NavTask, StartUpRegistersEverySettingWithItsDefaultAtPriority15) {
  for (const SETTING& s : Defaults()) {
    EXPECT_EQ(s.value, Raw(s.id)) << Name(s.id);
    EXPECT_EQ((U32)P_DEFAULT_SETTING, Priority(s.id)) << Name(s.id);
  }
}

TEST_F(NavTask, AForcedResetWritesAtPriority2AndEndsNavigationWithoutAsking) {
  // Start-up keeps a stored TRUE of auto zoom.
  H_DATABASE_bUpdateValueBoolean(FCID("SAZM"), TRUE, P_NVR);
  H_DATABASE_bUpdateValueU32(FCID("SSCW"), 7, P_NVR);
  NAV_vStartUp();
  EXPECT_TRUE(Bool(FCID("SAZM")));
  EXPECT_EQ(7u, U32Of(FCID("SSCW")));

  Boat(1000000, 5000000);
  for (S32 k = 1; k <= 3; k++) ASSERT_TRUE(T_NAV_bWaypointToCurrentRoute(Waypoint(1000000, 5000000 + 1000 * k, "R")));
  H_DATABASE_bUpdateValueS32(FCID("SNTI"), 5, P_NORMAL);
  Send(CMD_ID_RESET_POS);
  EXPECT_EQ(0u, U32Of(FCID("INIP")));
  EXPECT_EQ(0u, T_NAV_pGetCurrentRoute()->nCount);
  EXPECT_FALSE(NAV_ROUTE_bQuestionPending());
  EXPECT_FALSE(Bool(FCID("SAZM")));
  for (const SETTING& s : Defaults()) {
    if (s.id == FCID("SNLT") || s.id == FCID("SNLN") || s.id == FCID("INCN")) continue;
    EXPECT_EQ(s.value, Raw(s.id)) << Name(s.id);
    EXPECT_EQ((U32)P_NORMAL, Priority(s.id)) << Name(s.id);
  }
}

TEST_F(NavTask, AnOpenMenuGivesTheCursorPadTheLongerFirstRepeat) {
  for (U32 menu : {3u, 0u, 13u, 0u}) {
    H_DATABASE_bUpdateEverythingU32(FCID("CMNU"), menu, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
    Mail();
    EXPECT_EQ(menu != 0 ? 1 : 3, (int)H_KEYBOARD_eCursorKeyMode()) << "menu " << menu;
  }
}

TEST_F(NavTask, IceModeShowsTheIceViews) {
  H_DATABASE_bUpdateValueBoolean(FCID("SICE"), TRUE, P_NORMAL);
  Mail();
  for (FOURCHARID on : {FCID("SV17"), FCID("SV19")}) EXPECT_TRUE(Bool(on)) << Name(on);
  for (FOURCHARID off : {FCID("SVNA"), FCID("SVHI"), FCID("SVCB"), FCID("SVCC"), FCID("SVCO")}) {
    EXPECT_FALSE(Bool(off)) << Name(off);
  }
  EXPECT_EQ(5796519, S32Of(FCID("SNLT")));
  EXPECT_EQ((U32)NAV_MAX_ICON, U32Of(FCID("SWDI")));
}

TEST_F(NavTask, ASecondGpsDetectionDuplicatesNoOnceOnlyRegistration) {
  Waypoint(1000, 2000, "ONE");
  for (int round = 0; round < 2; round++) {
    NAV_vHandleEvent(SEMA_GPS_DETECTED);
    std::vector<MSG_MENU_REQUEST> all;
    MenuRequests(nullptr, &all);
    int tabs = 0, cursorTo = 0, goTo = 0;
    for (const MSG_MENU_REQUEST& r : all) {
      tabs += r.eKind == MENU_REQ_REGISTER_TAB && r.pContainerName == Nav;
      cursorTo += r.pItemName == Cursor_To_Waypoint;
      goTo += r.pItemName == GoTo_;
    }
    EXPECT_EQ(round == 0 ? 1 : 0, tabs) << "round " << round;
    EXPECT_EQ(round == 0 ? 9 : 0, cursorTo) << "round " << round;
    EXPECT_EQ(12, goTo) << "every detection registers the hot menus again";
  }
  EXPECT_TRUE(T_NAV_bGPSDetected());
  const TIMER_INFO* pTimer = g_NAV.pUpdateTimer;
  NAV_vHandleEvent(SEMA_GPS_DETECTED);
  EXPECT_EQ(pTimer, g_NAV.pUpdateTimer) << "one tick timer";
}

// A zone is chosen by its name, as the quick set-up offers it, never as a
// bare count of minutes; a trackpoint interval by its time.
TEST_F(NavTask, ZonesAndTrackpointIntervalsAreChosenByWhatTheyAre) {
  NAV_vHandleEvent(SEMA_GPS_DETECTED);
  std::vector<MSG_MENU_REQUEST> all;
  MenuRequests(nullptr, &all);
  auto choices = [&all](MENU_TEXT item) {
    std::map<S32, std::string> names;
    for (const MSG_MENU_REQUEST& r : all) {
      if (r.pItemName != item || r.eKind != MENU_REQ_MAIN_SELECTOR) continue;
      for (U32 i = 0; i < r.u32Count; i++) names[(S32)r.pu32Values[i]] = r.pChoiceList[i][0];
    }
    return names;
  };
  std::map<S32, std::string> names = choices(Local_Time_Zone);
  EXPECT_EQ(35u, names.size());
  EXPECT_EQ("UTC-05:00", names[-300]);
  EXPECT_EQ("UTC+05:45", names[345]);
  names = choices(Trackpoint_Interval);
  EXPECT_EQ(6u, names.size());
  EXPECT_EQ("5 sec", names[5]);
  EXPECT_EQ("60 sec", names[60]);
}

// The data boxes over the navigation views: the big-digits layer over the
// highway view, the track-chart layer over the chart; ice mode moves the
// chart's boxes to the ice chart and takes the highway's away.
TEST_F(NavTask, GpsDetectionRegistersTheDataBoxLayers) {
  H_DATABASE_bUpdateEverythingU32(FCID("TVUE"), M_VIEW, P_NORMAL, D_MAILBOX, nullptr, DB_NEVER_STALE);
  auto layers = [](std::map<S32, std::pair<S32, DRAW_FUNCTION*>>* pOn, std::set<S32>* pOff) {
    while (void* p = L_MBOX_Receive(M_VIEW)) {
      const GENERIC_MESSAGE* g = (const GENERIC_MESSAGE*)p;
      if (g->Cmd == CMD_ID_REGISTER_LAYER) {
        const MSG_REGISTER_LAYER* r = (const MSG_REGISTER_LAYER*)p;
        (*pOn)[r->layer] = {r->where_used, r->pDrawFunction};
        pOff->erase(r->layer);
      }
      if (g->Cmd == CMD_ID_UNREGISTER_LAYER) {
        pOn->erase(((const MSG_UNREGISTER_LAYER*)p)->layer);
        pOff->insert(((const MSG_UNREGISTER_LAYER*)p)->layer);
      }
      H_MEMORY_vDumpMail(p);
    }
  };
  std::map<S32, std::pair<S32, DRAW_FUNCTION*>> on;
  std::set<S32> off;
  NAV_vHandleEvent(SEMA_GPS_DETECTED);
  layers(&on, &off);
  ASSERT_EQ(1u, on.count(249));
  EXPECT_EQ(56, on[249].first);
  EXPECT_EQ(T_NAV_INFOBOX_vDrawInfoLayer_Instrumentation_BigDigitsViews, on[249].second);
  EXPECT_EQ(52, on[240].first);
  EXPECT_EQ(54, on[250].first);
  EXPECT_EQ(std::make_pair(53, &T_INFO_vDrawInfoLayer_Instrumentation_ChartInstrumentView), on[252]);
  EXPECT_EQ(std::make_pair(55, &T_INFO_vDrawInfoLayer_Instrumentation_ChartInstrumentView), on[265]);
  g_NAV.bInIceMode = TRUE;
  NAV_vHandleEvent(SEMA_GPS_DETECTED);
  layers(&on, &off);
  g_NAV.bInIceMode = FALSE;
  EXPECT_EQ(1u, off.count(249));
  EXPECT_EQ(1u, off.count(250));
  EXPECT_EQ(1u, off.count(252));
  EXPECT_EQ(1u, off.count(265));
  EXPECT_EQ(65, on[240].first);
  H_DATABASE_vDeleteEntry(FCID("TVUE"));
}

TEST_F(NavTask, RunSystemStartsTheSimulatorOnlyInPointOfSale) {
  for (U32 state : {3u, 6u}) {
    H_DATABASE_vDeleteEntry(FCID("ILAT"));
    g_NAV.bSimulatorStarted = FALSE;
    State(state);
    Send(CMD_ID_RUN_SYSTEM);
    EXPECT_EQ(state == 6, g_NAV.bSimulatorStarted != FALSE) << state;
    EXPECT_EQ(state == 6 ? S32Of(FCID("SNLT")) : -999, S32Of(FCID("ILAT"))) << state;
  }
}

TEST_F(NavTask, AChangeOfViewDropsTheCursorAndTheChartViewState) {
  H_DATABASE_bUpdateValueBoolean(FCID("ICAC"), TRUE, P_NORMAL);
  H_DATABASE_bUpdateValueS32(FCID("KZMC"), 5, P_NORMAL);
  H_DATABASE_bUpdateValueFloat(FCID("OMLC"), 12.5f, P_NORMAL);
  H_DATABASE_bUpdateValueS32(FCID("CVEW"), 56, P_NORMAL);
  Mail();
  EXPECT_FALSE(Bool(FCID("ICAC")));
  EXPECT_EQ(0u, U32Of(FCID("KZMC")));
  EXPECT_EQ(-380.0f, Float(FCID("OMLC")));
  EXPECT_EQ(-380.0f, Float(FCID("OLLC")));
}

}  // namespace
