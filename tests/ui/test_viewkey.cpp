// VIEW and EXIT through the keypad: cycling the views, the views-selection
// menu a held VIEW asks the menus for (read from the menu task's mailbox),
// the first view at start and the view kept at shutdown.

#include <gtest/gtest.h>

#include <vector>

#include "gui.h"
#include "h_database.h"
#include "h_memory.h"
#include "t_startup.h"
#include "t_view.h"
#include "u_keyboard.h"
#include "u_view.h"
#include "ui_frame.h"
#include "test_keys.h"

namespace {

void DrawNothing(BITMAP*, WINDOW_SPECIFICATION_POINTER) {}

void SetState(SYSTEM_STATE state) {
  H_DATABASE_bUpdateEverythingU32(FCID("CCST"), state, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
}

bool ViewBecomes(LAYER_ID view) {
  return UI_bWaitFor([view] { return U_VIEW_eCurrentView() == view && T_VIEW_eCurrentLayer() == view; });
}

class ViewKey : public ::testing::Test {
 protected:
  TEST_OWN_KEYS m_ownKeys;
  void SetUp() override {
    UI_vStart();
    UI_vReset();
    SetState(STATE_NORMAL_RUN);
    for (LAYER_ID view : {SONAR_VIEW_PRIORITY, CHART_VIEW_PRIORITY, SONAR_FLASHER_ICE_PRIORITY}) {
      ASSERT_TRUE(UI_bRegister({view, DrawNothing}));
    }
  }
  void TearDown() override { UI_vReset(); }
  // The keys as the task takes them after run-system.
  void TakeKeys() {
    ASSERT_TRUE(U_KEYBOARD_bRegisterKeys(M_VIEWKEY, HKEY_MASK_VIEW | HKEY_MASK_EXIT, KEY_CHANGE, FALSE, FALSE,
                                         NOT_CURSOR_KEY, REGISTER_EXCLUSIVE));
    // A key pressed before the keyboard task has them is refused.
    ASSERT_TRUE(UI_bSettled(M_KEYB));
  }
};

TEST_F(ViewKey, AtStartTheSavedViewComesBackAndVIEWAndEXITAreTaken) {
  static bool s_bRan = false;
  if (s_bRan) GTEST_SKIP() << "the task takes run-system once in its life";
  s_bRan = true;
  H_DATABASE_bUpdateEverythingS32(FCID("SVEW"), CHART_VIEW_PRIORITY, P_NORMAL, D_SIGNED32, nullptr, DB_NEVER_STALE);
  UI_vSend(M_VIEWKEY, CMD_ID_RUN_SYSTEM);
  EXPECT_TRUE(ViewBecomes(CHART_VIEW_PRIORITY));
  // The task has asked for its keys; the keyboard task has them.
  ASSERT_TRUE(UI_bSettled(M_VIEWKEY) && UI_bSettled(M_KEYB));
  EXPECT_EQ(1, UI_nTapClick(UI_EXIT));
  EXPECT_TRUE(ViewBecomes(SONAR_VIEW_PRIORITY));
}

TEST_F(ViewKey, VIEWReleasedAfter300MsShowsTheNextShownViewWithOneClickAndAsksForNoMenu) {
  TakeKeys();
  H_DATABASE_bUpdateEverythingBoolean(FCID("SVQ4"), FALSE, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  ASSERT_TRUE(UI_bRegister({SONAR_ZOOM_VIEW_PRIORITY, DrawNothing, USED_BY_NONE, FCID("SVQ4")}));
  H_DATABASE_bUpdateValueS32(FCID("CVEW"), SONAR_VIEW_PRIORITY, P_NORMAL);
  ASSERT_TRUE(ViewBecomes(SONAR_VIEW_PRIORITY));
  UI_MenuRequests();
  UI_vForget(SEMA_KEYCLICK_GOOD);
  UI_vKey(UI_VIEW, 1);
  L_CLOCK_Sleep(300);
  UI_vKey(UI_VIEW, 0);
  EXPECT_TRUE(ViewBecomes(CHART_VIEW_PRIORITY)) << "past the hidden zoom view";
  EXPECT_TRUE(UI_bSignalled(SEMA_KEYCLICK_GOOD, 100));
  EXPECT_TRUE(UI_bNoSignal(SEMA_KEYCLICK_GOOD, 100)) << "one click";
  EXPECT_TRUE(UI_MenuRequests().empty());
}

TEST_F(ViewKey, EXITOnTheFirstShownViewWrapsToTheLast) {
  TakeKeys();
  H_DATABASE_bUpdateValueS32(FCID("CVEW"), SONAR_VIEW_PRIORITY, P_NORMAL);
  ASSERT_TRUE(ViewBecomes(SONAR_VIEW_PRIORITY));
  EXPECT_EQ(1, UI_nTapClick(UI_EXIT));
  EXPECT_TRUE(ViewBecomes(SONAR_FLASHER_ICE_PRIORITY));
  EXPECT_EQ(1, UI_nTapClick(UI_EXIT));
  EXPECT_TRUE(ViewBecomes(CHART_VIEW_PRIORITY));
}

// The GPS diagnostic page is registered as used over itself, with its
// Views-tab setting: once shown there, VIEW and EXIT reach it as any view,
// and hidden again they pass it by.
TEST_F(ViewKey, AViewRegisteredOverItselfIsInTheCycleWhileTheViewsTabShowsIt) {
  TakeKeys();
  H_DATABASE_bUpdateEverythingBoolean(FCID("SVGD"), FALSE, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  ASSERT_TRUE(
      UI_bRegister({DIAGNOSTIC_GPS_CARTOGRAPHY, DrawNothing, DIAGNOSTIC_GPS_CARTOGRAPHY, FCID("SVGD")}));
  H_DATABASE_bUpdateValueBoolean(FCID("SVGD"), TRUE, P_NORMAL);
  ASSERT_TRUE(UI_bSettled(M_VIEW));
  H_DATABASE_bUpdateValueS32(FCID("CVEW"), SONAR_FLASHER_ICE_PRIORITY, P_NORMAL);
  ASSERT_TRUE(ViewBecomes(SONAR_FLASHER_ICE_PRIORITY));
  EXPECT_EQ(1, UI_nTapClick(UI_VIEW));
  EXPECT_TRUE(ViewBecomes(DIAGNOSTIC_GPS_CARTOGRAPHY));
  EXPECT_EQ(1, UI_nTapClick(UI_VIEW));
  EXPECT_TRUE(ViewBecomes(SONAR_VIEW_PRIORITY)) << "round to the first view";
  EXPECT_EQ(1, UI_nTapClick(UI_EXIT));
  EXPECT_TRUE(ViewBecomes(DIAGNOSTIC_GPS_CARTOGRAPHY));
  // Hidden while on display, the page gives way to the next view at the
  // view task's next frame: the page is left first, so that VIEW and EXIT
  // start from a view that stays.
  H_DATABASE_bUpdateValueS32(FCID("CVEW"), SONAR_FLASHER_ICE_PRIORITY, P_NORMAL);
  ASSERT_TRUE(ViewBecomes(SONAR_FLASHER_ICE_PRIORITY));
  H_DATABASE_bUpdateValueBoolean(FCID("SVGD"), FALSE, P_NORMAL);
  ASSERT_TRUE(UI_bSettled(M_VIEW));
  EXPECT_EQ(1, UI_nTapClick(UI_VIEW));
  EXPECT_TRUE(ViewBecomes(SONAR_VIEW_PRIORITY)) << "the hidden page passed by";
  EXPECT_EQ(1, UI_nTapClick(UI_EXIT));
  EXPECT_TRUE(ViewBecomes(SONAR_FLASHER_ICE_PRIORITY)) << "the hidden page passed by";
}

// Of the views below only the ice sonar view has both its layer and its
// setting; the engine views come with an NMEA 2000 network.
TEST_F(ViewKey, VIEWHeldASecondRebuildsTheViewsSelectionMenuWithTheViewsThatQualifyAndOpensIt) {
  TakeKeys();
  for (FOURCHARID key : {FCID("SV14"), FCID("SVQ5"), FCID("SVQ6"), FCID("SVSS")}) {
    H_DATABASE_bUpdateEverythingBoolean(key, TRUE, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  }
  H_DATABASE_bUpdateEverythingU32(FCID("SNID"), 1, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  ASSERT_TRUE(UI_bRegister({SONAR_ICE_VIEW_PRIORITY, DrawNothing, USED_BY_NONE, FCID("SVQ6")}));
  // Its setting SVSZ was never written (a factory reset earlier in the
  // program writes it).
  H_DATABASE_vDeleteEntry(FCID("SVSZ"));
  ASSERT_TRUE(UI_bRegister({SONAR_ZOOM_VIEW_PRIORITY, DrawNothing, USED_BY_NONE, FCID("SVQ5")}));
  // SVSS is written, but the split sonar view's layer is not there.
  UI_MenuRequests();
  // Held until the menu opens: a second at least, longer on a busy machine.
  UI_vKey(UI_VIEW, 1);
  std::vector<CMD_ID> requests;
  UI_bWaitFor(
      [&requests] {
        for (CMD_ID cmd : UI_MenuRequests()) requests.push_back(cmd);
        return !requests.empty() && requests.back() == CMD_ID_ACTIVATE_HOT_MENU;
      },
      2000);
  // The release is taken (the task clicks for it) before the test ends, or
  // it would reach the view-key task during the next test.
  UI_vForget(SEMA_KEYCLICK_GOOD);
  UI_vKey(UI_VIEW, 0);
  EXPECT_TRUE(UI_bSignalled(SEMA_KEYCLICK_GOOD, 1000));
  H_DATABASE_vDeleteEntry(FCID("SNID"));

  std::vector<CMD_ID> expected(24, CMD_ID_UNREGISTER_MENU_ITEM);
  for (CMD_ID cmd : {CMD_ID_REGISTER_HOT_MENU, CMD_ID_REGISTER_SUB_MENU, CMD_ID_REGISTER_SUB_MENU,
                     CMD_ID_REGISTER_MENU_ITEM, CMD_ID_REGISTER_SUB_MENU, CMD_ID_REGISTER_MENU_ITEM,
                     CMD_ID_REGISTER_MENU_ITEM, CMD_ID_REGISTER_MENU_ITEM, CMD_ID_REGISTER_MENU_ITEM,
                     CMD_ID_ACTIVATE_HOT_MENU}) {
    expected.push_back(cmd);
  }
  EXPECT_EQ(expected, requests);
}

TEST_F(ViewKey, ChoosingARegisteredViewShowsItAndClosesTheMenusAndAnUnregisteredOneIsRefused) {
  H_DATABASE_bUpdateEverythingBoolean(FCID("SVGD"), FALSE, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateValueS32(FCID("CVEW"), SONAR_VIEW_PRIORITY, P_NORMAL);
  ASSERT_TRUE(ViewBecomes(SONAR_VIEW_PRIORITY));
  UI_MenuRequests();
  UI_vForget(SEMA_KEYCLICK_GOOD);
  GUI_vSetView(CHART_VIEW_PRIORITY, FCID("SVGD"));
  EXPECT_TRUE(UI_bSignalled(SEMA_KEYCLICK_GOOD, 100));
  EXPECT_TRUE(ViewBecomes(CHART_VIEW_PRIORITY));
  BOOLEAN bShown = FALSE;
  EXPECT_TRUE(H_DATABASE_bFetchBoolean(FCID("SVGD"), &bShown, nullptr, nullptr) && bShown);
  EXPECT_EQ((std::vector<CMD_ID>{CMD_ID_CLEAR_MENU}), UI_MenuRequests());

  UI_vForget(SEMA_KEYCLICK_BAD);
  GUI_vSetView(DIAGNOSTIC_GPS_CARTOGRAPHY, FCID("SVGD"));
  EXPECT_TRUE(UI_bSignalled(SEMA_KEYCLICK_BAD, 100));
  EXPECT_TRUE(UI_bSettled(M_VIEW));
  EXPECT_EQ(CHART_VIEW_PRIORITY, U_VIEW_eCurrentView());
  EXPECT_TRUE(UI_MenuRequests().empty());
}

TEST_F(ViewKey, ShutdownInSimulationKeepsTheViewAndInTheShopDemonstrationDoesNot) {
  H_DATABASE_bUpdateValueS32(FCID("CVEW"), SONAR_FLASHER_ICE_PRIORITY, P_NORMAL);
  ASSERT_TRUE(ViewBecomes(SONAR_FLASHER_ICE_PRIORITY));
  for (SYSTEM_STATE state : {STATE_POINT_OF_SALE, STATE_SIMULATION}) {
    // Kept by nobody yet: an earlier test may have kept this very view.
    H_DATABASE_vDeleteEntry(FCID("SVEW"));
    SetState(state);
    GENERIC_MESSAGE shutdown = {};
    shutdown.Cmd = CMD_ID_SHUTDOWN;
    ASSERT_TRUE(UI_bSendAcked(M_VIEWKEY, &shutdown));
    S32 saved = 0;
    H_DATABASE_bFetchS32(FCID("SVEW"), &saved, nullptr, nullptr);
    EXPECT_EQ(state == STATE_SIMULATION, saved == SONAR_FLASHER_ICE_PRIORITY) << state;
  }
  H_DATABASE_vDeleteEntry(FCID("SVEW"));
  SetState(STATE_NORMAL_RUN);
}

}  // namespace
