// The menus through the keypad: the main menu and a selector, a write the
// database refuses, actions with and without confirmation and the threads
// they run on, check boxes, the quick set-up, single-centred, floating and
// info menus, action lists, a held cursor and the POWER pop-up over an open
// menu.

#include <gtest/gtest.h>
#include <string.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "h_database.h"
#include "h_memory.h"
#include "menu_rig.h"
#include "t_keyboard.h"
#include "t_messagebox.h"
#include "t_startup.h"
#include "t_view.h"
#include "ui_texts.h"

namespace {

const MENU_TEXT kSetup = ::Setup;  // the fixture's own Setup() would hide the tab's name

const MENU_TEXT kLanguages[] = {Language_English, Language_Spanish};
const U32 kLanguageValues[] = {0, 12};
const MENU_TEXT kOffOn[] = {Off, On};
const U32 kOffOnValues[] = {0, 1};

// The Setup tab as the unit has it: Language, Restore Defaults, Sonar.
class MenuKeys : public MenuTest {
 protected:
  void SetUp() override {
    MenuTest::SetUp();
    Key(FCID("SSEN"), 1);
    ASSERT_TRUE(U_MENU_bRegisterTab(kSetup, SETUP_TAB_PRIORITY, nullptr, M_BASIC));
    Main(kSetup, [] {
      return U_MENU_bRegisterMainSelectorMenu(Language, kSetup, 122, FCID("SLNG"), 2, kLanguages, kLanguageValues, M_BASIC);
    }, Language);
    Main(kSetup, [] {
      return U_MENU_bRegisterMainActionMenu(Restore_Defaults, kSetup, MENU_RESTORE_FACTORY_DEFAULTS,
                                            T_KEYBOARD_vRestoreFactoryDefaults, TRUE, M_BASIC);
    }, Restore_Defaults);
    Main(kSetup, [] {
      return U_MENU_bRegisterMainSelectorMenu(Sonar, kSetup, 184, FCID("SSEN"), 2, kOffOn, kOffOnValues, M_BASIC);
    }, Sonar);
  }
  // A queued box is drawn, and so takes the keys.
  static void BoxUp() {
    UI_vFrame();
    MT_vSync();
  }
};

TEST_F(MenuKeys, MenuOpensTheMainMenuOnItsTabAndWestWritesTheSelectorOnceThenIsRefused) {
  ASSERT_EQ(1, MT_nKey(UI_MENU));
  EXPECT_EQ(MAIN_MENU, MT_u32Cmnu());
  EXPECT_STREQ("Setup", MT_Snap().pcTitle);
  EXPECT_EQ("", MT_Selected()) << "the focus is on the tab strip";
  MT_vKeys({UI_SOUTH, UI_SOUTH, UI_SOUTH});
  EXPECT_EQ("Sonar", MT_Selected());
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(1, MT_nKey(UI_WEST));
  EXPECT_EQ(-1, MT_nKey(UI_WEST));
  const std::string log = ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(0u, MT_u32Fetch(FCID("SSEN")));
  EXPECT_NE(std::string::npos, log.find("write SSEN = 0 taken"));
  EXPECT_EQ(log.find("write SSEN"), log.rfind("write SSEN")) << "the refused key wrote nothing";

  EXPECT_EQ(1, MT_nKey(UI_EXIT));
  EXPECT_EQ(NO_MENU, MT_u32Cmnu());
  // Only the idle MENU node is left: the pad and EXIT reach nobody now.
  EXPECT_EQ(-1, MT_nKey(UI_SOUTH));
  EXPECT_EQ(-1, MT_nKey(UI_EXIT));
  EXPECT_EQ(1, MT_nKey(UI_MENU));
  EXPECT_EQ(MAIN_MENU, MT_u32Cmnu());
}

TEST_F(MenuKeys, AWriteAStrongerOwnerRefusesClicksRefusedAndTheRowKeepsTheStoredValue) {
  H_DATABASE_bUpdateEverythingBoolean(FCID("SSEN"), FALSE, P_TESTMODE, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  MT_vKeys({UI_MENU, UI_NORTH});
  ASSERT_EQ("Sonar", MT_Selected());
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(-1, MT_nKey(UI_EAST));
  const std::string log = ::testing::internal::GetCapturedStdout();
  EXPECT_NE(std::string::npos, log.find("write SSEN = 1 refused"));
  EXPECT_STREQ("Off", MT_Snap().aacValues[2]);
}

TEST_F(MenuKeys, AConfirmedActionWaitsForYesUnderTheOpenMenuAndRestoringDefaultsClosesIt) {
  Key(FCID("SRDF"), FALSE);
  MT_vKeys({UI_MENU, UI_SOUTH, UI_SOUTH});
  ASSERT_EQ("Restore Defaults", MT_Selected());
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(1, MT_nKey(UI_EAST));
  const std::string log = ::testing::internal::GetCapturedStdout();
  EXPECT_NE(std::string::npos, log.find("confirm Restore Defaults"));
  EXPECT_EQ(MAIN_MENU, MT_u32Cmnu());
  BoxUp();
  MT_nKey(UI_WEST);  // No
  EXPECT_EQ(FALSE, MT_u32Fetch(FCID("SRDF")));
  EXPECT_EQ(1, MT_nKey(UI_SOUTH)) << "the keys are back with the menu";
  EXPECT_EQ("Sonar", MT_Selected());

  MT_vKeys({UI_NORTH, UI_EAST});
  BoxUp();
  MT_nKey(UI_EAST);  // Yes
  EXPECT_TRUE(UI_bWaitFor([] { return MT_u32Fetch(FCID("SRDF")) == TRUE; }));
  EXPECT_TRUE(UI_bWaitFor([] { return MT_u32Cmnu() == NO_MENU; })) << "the reset closes the menus";
}

TEST_F(MenuKeys, RestoreDefaultsAsksWhetherToRestoreTheFactoryDefaults) {
  MT_vKeys({UI_MENU, UI_SOUTH, UI_SOUTH});
  ASSERT_EQ("Restore Defaults", MT_Selected());
  EXPECT_EQ(1, MT_nKey(UI_EAST));
  BoxUp();
  T_MESSAGEBOX_vRemoveAllMatching("Restore factory defaults?");
  BoxUp();
  EXPECT_EQ(1, MT_nKey(UI_SOUTH)) << "the box asked the question, and with it gone the keys are back with the menu";
  EXPECT_EQ("Sonar", MT_Selected());
}

struct SEEN {
  S32 task = 0;
  S32 menuOwner = -1;
  U32 cmnu = 0xFFFFFFFF;
};
std::atomic<int> s_nRuns{0};
SEEN s_seen;
void Probe() {
  s_seen.task = L_TASK_GetID(0);
  s_seen.menuOwner = L_MUTEX_GetOwnerTaskID(RES_MENU);
  s_seen.cmnu = MT_u32Fetch(FCID("CMNU"));
  s_nRuns++;
}
MT_TEXT(kProbe, "Probe");
MT_TEXT(kConfirmedProbe, "Confirmed Probe");

TEST_F(MenuKeys, AnActionRunsAfterTheMenusCloseOnTheMenuTaskOrAfterYesOnTheMessageBoxTask) {
  Main(kSetup, [] { return U_MENU_bRegisterMainActionMenu(kProbe, kSetup, 1, Probe, FALSE, M_BASIC); }, kProbe);
  Main(kSetup, [] { return U_MENU_bRegisterMainActionMenu(kConfirmedProbe, kSetup, 2, Probe, TRUE, M_BASIC); },
       kConfirmedProbe);
  s_nRuns = 0;
  MT_vKeys({UI_MENU, UI_SOUTH});
  EXPECT_EQ(0, MT_nKey(UI_EAST)) << "the action clicks for itself";
  ASSERT_EQ(1, s_nRuns.load());
  EXPECT_EQ(MENUTASK, s_seen.task);
  EXPECT_EQ(0, s_seen.menuOwner) << "RES_MENU is free";
  EXPECT_EQ((U32)NO_MENU, s_seen.cmnu) << "the menus closed first";

  MT_vKeys({UI_MENU, UI_SOUTH, UI_SOUTH, UI_EAST});
  EXPECT_EQ(1, s_nRuns.load()) << "nothing runs before Yes";
  BoxUp();
  MT_nKey(UI_EAST);
  ASSERT_TRUE(UI_bWaitFor([] { return s_nRuns.load() == 2; }));
  EXPECT_EQ(MESSAGEBOXTASK, s_seen.task);
  EXPECT_EQ((U32)MAIN_MENU, s_seen.cmnu) << "the menu stayed open under the box";
}

std::mutex s_checkLock;
BOOLEAN s_abChecked[3] = {TRUE, FALSE, FALSE};
int s_nGets = 0, s_nSets = 0;
BOOLEAN GetTone(U32 u32Context) {
  std::lock_guard<std::mutex> guard(s_checkLock);
  s_nGets++;
  return s_abChecked[u32Context];
}
// Choosing one tone clears the others.
BOOLEAN SetTone(U32 u32Context) {
  std::lock_guard<std::mutex> guard(s_checkLock);
  s_nSets++;
  for (U32 i = 0; i < 3; i++) s_abChecked[i] = i == u32Context;
  return TRUE;
}
int Gets() {
  std::lock_guard<std::mutex> guard(s_checkLock);
  return s_nGets;
}
int Sets() {
  std::lock_guard<std::mutex> guard(s_checkLock);
  return s_nSets;
}
MT_TEXT(kTones, "Tones");
MT_TEXT(kLow, "Low");
MT_TEXT(kMid, "Mid");
MT_TEXT(kHigh, "High");

TEST_F(MenuKeys, ACheckBoxSetterRunsOnceAndEveryBoxOfTheLevelIsReadAgainButNeverByTheDrawing) {
  {
    std::lock_guard<std::mutex> guard(s_checkLock);
    s_nGets = s_nSets = 0;
    s_abChecked[0] = TRUE;
    s_abChecked[1] = s_abChecked[2] = FALSE;
  }
  const MENU_TEXT apTones[] = {kTones};
  Main(kSetup, [&] { return U_MENU_bRegisterMainSubMenu(kTones, kSetup, 1, nullptr, apTones, nullptr, 1, M_BASIC); },
       kTones);
  static const MENU_TEXT kNames[] = {kLow, kMid, kHigh};
  for (U32 i = 0; i < 3; i++) {
    const MENU_TEXT pName = kNames[i];
    ASSERT_TRUE(U_MENU_bRegisterSubMenuCheckBoxMenu(pName, kTones, nullptr, i, i, GetTone, SetTone, M_BASIC));
    Undo([pName] { U_MENU_bUnregisterSubMenuItem(kTones, pName); });
  }
  MT_vKeys({UI_MENU, UI_SOUTH, UI_EAST});
  ASSERT_EQ(MAIN_SUB_MENU, MT_u32Cmnu());
  EXPECT_EQ(3, Gets()) << "read once as the level opens";
  MT_nKey(UI_SOUTH);
  EXPECT_EQ(1, MT_nKey(UI_EAST));
  EXPECT_EQ(1, Sets());
  EXPECT_EQ(6, Gets());
  const MENU_SNAPSHOT s = MT_Snap();
  EXPECT_EQ((std::vector<BOOLEAN>{FALSE, TRUE, FALSE}), std::vector<BOOLEAN>(s.abChecked, s.abChecked + 3));
  UI_vFrame();
  UI_vFrame();
  EXPECT_EQ(6, Gets()) << "frames draw the kept answers";
}

TEST_F(MenuKeys, TheQuickSetUpStaysUntilItsUserLeavesItAndThenTheStartUpTaskTakesItAway) {
  const MENU_TEXT kWater[] = {Off, On, Sonar};
  const U32 kWaterValues[] = {0, 2, 1};
  const MENU_LIMITS kDepth[] = {{U_NONE, 1, 10, 1}};
  const MENU_STEP_LEVELS kSteps[] = {{U_NONE, 15, 45}};
  Key(FCID("SSWA"), 0);
  Key(FCID("SQCD"), FALSE);
  ASSERT_TRUE(U_MENU_bRegisterQuickSelectorMenu(Water_Type, 299, FCID("SSWA"), 3, kWater, kWaterValues, M_BASIC));
  ASSERT_TRUE(U_MENU_bRegisterQuickVarStepSliderMenu(Max_Depth, 298, FCID("SSMD"), kDepth, kSteps, nullptr, M_BASIC));
  ASSERT_TRUE(U_MENU_bRegisterQuickSelectorMenu(Connected_Transducer, 317, FCID("SSWA"), 1, kWater, kWaterValues,
                                                M_BASIC));
  MT_vSync();
  T_STARTUP_vShowQuickConfigMenu();
  EXPECT_EQ(QUICK_SETUP_MENU, MT_u32Cmnu());
  EXPECT_TRUE(UI_bWaitFor([] { return T_VIEW_bIsLayerActive(QUICK_CONFIGURE_LAYER); }));
  EXPECT_EQ((std::vector<std::string>{"Max Depth", "Water Type", "Connected Transducer"}), MT_Labels());
  EXPECT_EQ("Max Depth", MT_Selected());
  EXPECT_EQ(-1, MT_nKey(UI_MENU));
  U_MENU_vClearMenus();
  T_MENU_vRemoveMenus();
  EXPECT_EQ(QUICK_SETUP_MENU, MT_u32Cmnu());

  ASSERT_TRUE(H_DATABASE_bRegisterForDataWithConditions(FCID("SQCD"), UI_MBOX_C, TRUE, TRUE, TRUE));
  EXPECT_EQ(1, MT_nKey(UI_EXIT));
  EXPECT_EQ(NO_MENU, MT_u32Cmnu());
  EXPECT_TRUE(UI_bWaitFor([] { return !T_VIEW_bIsLayerActive(QUICK_CONFIGURE_LAYER); }));
  int notices = 0;
  while (GENERIC_MESSAGE* p = UI_pReceive(UI_MBOX_C, 200)) {
    notices += ((MESSAGE_NEW_DATA*)p)->FourCharId == FCID("SQCD");
    H_MEMORY_vFree(p);
  }
  H_DATABASE_vUnregisterMailbox(FCID("SQCD"), UI_MBOX_C);
  EXPECT_EQ(1, notices) << "the start-up task was called once";
  EXPECT_EQ(TRUE, MT_u32Fetch(FCID("SQCD")));
  EXPECT_EQ(-1, MT_nKey(UI_SOUTH)) << "the keys went with it";
  EXPECT_EQ(1, MT_nKey(UI_MENU)) << "but for the idle MENU";
  T_MENU_vRemoveMenus();
  MT_vSync();
  T_STARTUP_vShowQuickConfigMenu();
  EXPECT_TRUE(MT_Labels().empty()) << "leaving took every quick item away";
}

TEST_F(MenuKeys, ASingleCenteredSelectorTakesTheRemotesKeysUntilAnotherTaskRemovesIt) {
  Key(FCID("SSEN"), 0);
  ASSERT_TRUE(U_MENU_bRegisterSingleCenteredMenuSelectorMenu(Sonar, FCID("SSEN"), 2, kOffOn, kOffOnValues, TRUE, TRUE));
  Undo([] { U_MENU_bUnregisterSingleCenteredMenu(Sonar); });
  EXPECT_EQ(SINGLE_CENTERED_MENU, MT_u32Cmnu());
  EXPECT_TRUE(UI_bWaitFor([] { return T_VIEW_bIsLayerActive(CONFIRM_MENU_LAYER); }));
  MT_vMailKey(BTREMOTETASK, CURSOR_EAST);
  EXPECT_EQ(1u, MT_u32Fetch(FCID("SSEN")));
  // The remote's confirmation box says the choice by the row's own name.
  char acText[48] = "untouched";
  EXPECT_EQ(1u, T_MENU_u32GetSelection(Sonar, acText));
  EXPECT_STREQ("On", acText);
  EXPECT_EQ(1u, T_MENU_u32GetSelection(Sonar, nullptr));
  MT_vMailKey(BTREMOTETASK, CURSOR_EAST);
  EXPECT_EQ(0u, MT_u32Fetch(FCID("SSEN"))) << "it loops";

  T_MENU_vDoRemoveSingleCenteredMenu();
  EXPECT_EQ(NO_MENU, MT_u32Cmnu());
  EXPECT_TRUE(UI_bWaitFor([] { return !T_VIEW_bIsLayerActive(CONFIRM_MENU_LAYER); }));
  EXPECT_EQ(1, MT_nKey(UI_MENU));
  MT_vMailKey(BTREMOTETASK, CURSOR_EAST);
  EXPECT_EQ(0u, MT_u32Fetch(FCID("SSEN"))) << "a remote never edits the row under the cursor";
  EXPECT_EQ(MAIN_MENU, MT_u32Cmnu());
}

// The remote opens a centred menu by the title of an item another task
// registered, naming a place it may not stand in: the item is found in a
// sub-menu all the same, and a title no task registered opens nothing.
MT_TEXT(kAdvanced, "Advanced");
MT_TEXT(kClutter, "Clutter");
MT_TEXT(kUnbuilt, "Unbuilt");
TEST_F(MenuKeys, TheRemoteFindsAnItemByItsTitleInASubMenuAndNothingForATitleNobodyRegistered) {
  const MENU_TEXT apAdvanced[] = {kAdvanced};
  const MENU_LIMITS kLevels[] = {{U_NONE, 0, 10, 1}};
  Key(FCID("SSCL"), 0);
  Main(kSetup, [&] { return U_MENU_bRegisterMainSubMenu(kAdvanced, kSetup, 1, nullptr, apAdvanced, nullptr, 1, M_BASIC); },
       kAdvanced);
  ASSERT_TRUE(U_MENU_bRegisterSubMenuSliderMenu(kClutter, kAdvanced, nullptr, 1, FCID("SSCL"), kLevels, Off, nullptr,
                                                nullptr, M_BASIC));
  Undo([] { U_MENU_bUnregisterSubMenuItem(kAdvanced, kClutter); });

  U_MENU_vActivateSingleCenteredMenu(kUnbuilt, SONAR_VIEW_PRIORITY, TRUE, FALSE, kSetup);
  EXPECT_EQ(NO_MENU, MT_u32Cmnu());
  U_MENU_vActivateSingleCenteredMenu(kClutter, SONAR_VIEW_PRIORITY, TRUE, FALSE, kSetup);
  EXPECT_EQ(SINGLE_CENTERED_MENU, MT_u32Cmnu());
  MT_vMailKey(BTREMOTETASK, CURSOR_EAST);
  EXPECT_EQ(1u, MT_u32Fetch(FCID("SSCL")));
}

std::mutex s_floatLock;
std::vector<std::string> s_calls;
void Record(const char* pcWhat) {
  std::lock_guard<std::mutex> guard(s_floatLock);
  s_calls.push_back(pcWhat);
}
std::vector<std::string> Calls() {
  MT_vSync();
  std::lock_guard<std::mutex> guard(s_floatLock);
  std::vector<std::string> calls = s_calls;
  s_calls.clear();
  return calls;
}
MT_TEXT(kGoTo, "Go To");
MT_TEXT(kWaypoint, "Waypoint");
MT_TEXT(kRoute, "Route");

TEST_F(MenuKeys, AFloatingMenuCallsItsExitCallbackOnceAtEveryCloseAndBeforeAnEntrysAction) {
  ASSERT_TRUE(U_MENU_bRegisterFloatingMenu(kGoTo, [] { Record("go to"); }, [] { Record("exit"); }, TRUE, "Cursor"));
  Undo([] { U_MENU_bUnregisterFloatingMenu(kGoTo); });
  ASSERT_TRUE(U_MENU_bRegisterFloatingActionMenu(kGoTo, kWaypoint, nullptr, 1, [] { Record("waypoint"); }, FALSE, M_BASIC));
  ASSERT_TRUE(U_MENU_bRegisterFloatingActionMenu(kGoTo, kRoute, nullptr, 2, [] { Record("route"); }, FALSE, M_BASIC));
  U_MENU_ActivateFloatingMenu(kGoTo);
  EXPECT_EQ(FLOATING_MENU, MT_u32Cmnu());
  EXPECT_EQ(1, MT_nKey(UI_EXIT));
  EXPECT_EQ(NO_MENU, MT_u32Cmnu());
  EXPECT_EQ((std::vector<std::string>{"exit"}), Calls());

  U_MENU_ActivateFloatingMenu(kGoTo);
  MT_vSync();
  MT_vKeys({UI_SOUTH, UI_EAST});
  EXPECT_EQ((std::vector<std::string>{"exit", "route"}), Calls());

  U_MENU_ActivateFloatingMenu(kGoTo);
  U_MENU_vClearMenus();
  EXPECT_EQ((std::vector<std::string>{"exit"}), Calls());
  EXPECT_EQ(NO_MENU, MT_u32Cmnu());
}

MT_TEXT(kTrack, "Track");
MT_TEXT(kSave, "Save");
MT_TEXT(kErase, "Erase");

TEST_F(MenuKeys, AnActionListOpensItsEntriesAndAnInfoMenuShowsTheEntriesItWasGiven) {
  static const MENU_TEXT kEntries[] = {kSave, kErase};
  static const MENU_ACTION kRuns[] = {[] { Record("save"); }, [] { Record("erase"); }};
  Main(kSetup, [] {
    return U_MENU_bRegisterMainActionListMenu(kTrack, kSetup, 1, kEntries, kRuns, 2, M_BASIC, 0, nullptr);
  }, kTrack);
  MT_vKeys({UI_MENU, UI_SOUTH, UI_EAST});
  EXPECT_EQ(MAIN_SUB_MENU, MT_u32Cmnu());
  EXPECT_EQ((std::vector<std::string>{"Save", "Erase"}), MT_Labels());
  EXPECT_STREQ("Track", MT_Snap().pcTitle);
  MT_vKeys({UI_SOUTH, UI_EAST});
  EXPECT_EQ((std::vector<std::string>{"erase"}), Calls());
  EXPECT_EQ(NO_MENU, MT_u32Cmnu());

  // Entries are copied: the caller's array may go.
  {
    M_INFO_MENU_ITEM info[2] = {{kSave, {[] { Record("info save"); }, FALSE}}, {kErase, {nullptr, FALSE}}};
    U_MENU_ActivateInfoMenu(kTrack, info, 2, TRUE, "Track 3");
    memset(info, 0, sizeof info);
  }
  EXPECT_EQ(INFO_MENU, MT_u32Cmnu());
  EXPECT_EQ((std::vector<std::string>{"Save", "Erase"}), MT_Labels());
  MT_nKey(UI_SOUTH);
  EXPECT_EQ(-1, MT_nKey(UI_EAST)) << "an entry without a function";
  MT_nKey(UI_NORTH);
  MT_nKey(UI_EAST);
  EXPECT_EQ((std::vector<std::string>{"info save"}), Calls());
}

TEST_F(MenuKeys, AHeldCursorKeepsWrappingWithOneClickAndThePowerPopUpBorrowsTheKeys) {
  MT_nKey(UI_MENU);
  UI_vForget(SEMA_KEYCLICK_GOOD);
  UI_vKey(UI_SOUTH, 1);
  EXPECT_TRUE(UI_bSignalled(SEMA_KEYCLICK_GOOD, 300));
  std::vector<std::string> seen;
  for (int i = 0; i < 28; i++) {
    L_CLOCK_Sleep(100);
    const std::string selected = MT_Selected();
    if (seen.empty() || seen.back() != selected) seen.push_back(selected);
  }
  UI_vKey(UI_SOUTH, 0);
  EXPECT_FALSE(UI_bSignalled(SEMA_KEYCLICK_GOOD, 10)) << "repeats make no click";
  EXPECT_GE(std::count(seen.begin(), seen.end(), ""), 2) << "the strip came round more than once";

  Key(FCID("SQCD"), TRUE);
  MT_vKeys({UI_EXIT, UI_MENU, UI_SOUTH, UI_POWER});
  ASSERT_TRUE(UI_bWaitFor([] { return T_VIEW_bIsLayerActive(CONTRAST_LAYER); }));
  MT_vKeys({UI_SOUTH, UI_EXIT, UI_EXIT});
  ASSERT_TRUE(UI_bWaitFor([] { return !T_VIEW_bIsLayerActive(CONTRAST_LAYER); }));
  EXPECT_EQ("Language", MT_Selected()) << "the pop-up had the keys";
  EXPECT_EQ(1, MT_nKey(UI_SOUTH));
  EXPECT_EQ("Restore Defaults", MT_Selected());
}

}  // namespace
