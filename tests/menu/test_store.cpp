// What the menus hold: items in the order of their priorities whatever the
// order they came in, one name at two places, items that come before their
// tab, user levels, and a store that is full.

#include <gtest/gtest.h>

#include <string>

#include "h_database.h"
#include "menu_rig.h"
#include "test_keys.h"

namespace {

MT_TEXT(kOrder, "Order");
MT_TEXT(kLate, "Late");
MT_TEXT(kA, "Alpha");
MT_TEXT(kB, "Bravo");
MT_TEXT(kC, "Charlie");
MT_TEXT(kTwin, "Sonar View");
MT_TEXT(kOn, "On");
MT_TEXT(kLevels, "Levels");
MT_TEXT(kHidden, "Hidden");
MT_TEXT(kBasic, "Basic");
MT_TEXT(kExpert, "Expert");
MT_TEXT(kInside, "Inside");
MT_TEXT(kDiagnostic, "Diagnostic");
MT_TEXT(kFull, "Full");

void DoNothing() {}
const MENU_TEXT kChoices[] = {kOn};
const U32 kValues[] = {1};

class MenuStore : public MenuTest {
  TEST_OWN_KEYS m_ownKeys;  // items bound to keys of the test's own
};

TEST_F(MenuStore, WithoutTheTasksKeyARegistrationIsNotSentAndNeverShows) {
  H_DATABASE_vDeleteEntry(FCID("TMNU"));
  EXPECT_FALSE(U_MENU_bRegisterMainActionMenu(kA, kOrder, 1, DoNothing, FALSE, M_BASIC));
  H_DATABASE_bUpdateEverythingU32(FCID("TMNU"), (U32)M_MENU, P_NORMAL, D_MAILBOX, nullptr, DB_NEVER_STALE);
  EXPECT_EQ(-1, MT_nKey(UI_MENU)) << "no tab has anything to show";
  EXPECT_EQ(NO_MENU, MT_u32Cmnu());
}

TEST_F(MenuStore, ItemsShowByPriorityAndANameAndPriorityAgainReplacesInPlace) {
  ASSERT_TRUE(U_MENU_bRegisterTab(kOrder, 3, nullptr, M_BASIC));
  for (auto [name, priority] : {std::pair{kC, 184u}, {kA, 122u}, {kB, 127u}}) {
    Main(kOrder, [=] { return U_MENU_bRegisterMainActionMenu(name, kOrder, priority, DoNothing, FALSE, M_BASIC); }, name);
  }
  // Bravo again, now a selector.
  ASSERT_TRUE(U_MENU_bRegisterMainSelectorMenu(kB, kOrder, 127, FCID("SQON"), 1, kChoices, kValues, M_BASIC));
  Key(FCID("SQON"), 1);
  ASSERT_EQ(1, MT_nKey(UI_MENU));
  EXPECT_EQ((std::vector<std::string>{"Alpha", "Bravo", "Charlie"}), MT_Labels());
  EXPECT_STREQ("On", MT_Snap().aacValues[1]) << "the selector took the action's place";

  // One name at two places is two rows; removing the name removes both.
  ASSERT_TRUE(U_MENU_bRegisterMainActionMenu(kTwin, kOrder, 61, DoNothing, FALSE, M_BASIC));
  ASSERT_TRUE(U_MENU_bRegisterMainActionMenu(kTwin, kOrder, 21, DoNothing, FALSE, M_BASIC));
  EXPECT_EQ((std::vector<std::string>{"Sonar View", "Sonar View", "Alpha", "Bravo", "Charlie"}), MT_Labels());
  ASSERT_TRUE(U_MENU_bUnregisterMainMenuItem(kTwin, kOrder));
  EXPECT_EQ((std::vector<std::string>{"Alpha", "Bravo", "Charlie"}), MT_Labels());
}

TEST_F(MenuStore, AnItemBeforeItsTabShowsOnceTheTabIsRegisteredInTheTabsPlace) {
  ASSERT_TRUE(U_MENU_bRegisterTab(kOrder, 3, nullptr, M_BASIC));
  Main(kOrder, [] { return U_MENU_bRegisterMainActionMenu(kA, kOrder, 1, DoNothing, FALSE, M_BASIC); }, kA);
  Main(kLate, [] { return U_MENU_bRegisterMainActionMenu(kB, kLate, 1, DoNothing, FALSE, M_BASIC); }, kB);
  ASSERT_EQ(1, MT_nKey(UI_MENU));
  // A tab stays registered for the program's life: a run after the first
  // finds Late registered already.
  static bool s_bLateRegistered = false;
  if (!s_bLateRegistered) {
    EXPECT_STREQ("Order", MT_Snap().pcTitle) << "a tab nobody registered comes after the registered ones";
  }
  MT_nKey(UI_EXIT);
  ASSERT_TRUE(U_MENU_bRegisterTab(kLate, 2, nullptr, M_BASIC));
  s_bLateRegistered = true;
  UI_vSend(M_MENU, CMD_ID_RESET_POS);  // forgets the tab last used
  ASSERT_EQ(1, MT_nKey(UI_MENU));
  EXPECT_STREQ("Late", MT_Snap().pcTitle);
  EXPECT_EQ((std::vector<std::string>{"Bravo"}), MT_Labels());
}

TEST_F(MenuStore, SuperUserItemsWaitForTheSettingDiagnosticOnesNeverShowAndEmptyTabsAreSkipped) {
  H_DATABASE_bUpdateEverythingBoolean(FCID("SMSU"), FALSE, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  Undo([] { H_DATABASE_bUpdateValueBoolean(FCID("SMSU"), FALSE, P_NORMAL); });
  ASSERT_TRUE(U_MENU_bRegisterTab(kLevels, 3, nullptr, M_BASIC));
  ASSERT_TRUE(U_MENU_bRegisterTab(kHidden, 4, nullptr, M_BASIC));
  ASSERT_TRUE(U_MENU_bRegisterTab(kOrder, 5, nullptr, M_BASIC));
  const MENU_TEXT apInside[] = {kInside};
  Main(kLevels, [] { return U_MENU_bRegisterMainActionMenu(kBasic, kLevels, 1, DoNothing, FALSE, M_BASIC); }, kBasic);
  Main(kLevels, [&] {
    return U_MENU_bRegisterMainSubMenu(kExpert, kLevels, 2, nullptr, apInside, nullptr, 1, M_SUPER_USER);
  }, kExpert);
  ASSERT_TRUE(U_MENU_bRegisterSubMenuActionMenu(kA, kInside, nullptr, 1, DoNothing, FALSE, M_BASIC));
  Undo([] { U_MENU_bUnregisterSubMenuItem(kInside, kA); });
  Main(kLevels, [] { return U_MENU_bRegisterMainActionMenu(kDiagnostic, kLevels, 3, DoNothing, FALSE, M_DIAGNOSTIC); },
       kDiagnostic);
  Main(kHidden, [] { return U_MENU_bRegisterMainActionMenu(kC, kHidden, 1, DoNothing, FALSE, M_DIAGNOSTIC); }, kC);
  Main(kOrder, [] { return U_MENU_bRegisterMainActionMenu(kB, kOrder, 1, DoNothing, FALSE, M_BASIC); }, kB);

  ASSERT_EQ(1, MT_nKey(UI_MENU));
  EXPECT_EQ((std::vector<std::string>{"Basic"}), MT_Labels());
  H_DATABASE_bUpdateValueBoolean(FCID("SMSU"), TRUE, P_NORMAL);
  EXPECT_EQ((std::vector<std::string>{"Basic", "Expert"}), MT_Labels());
  // East and west on the strip go round the tabs with something to show.
  EXPECT_STREQ("Levels", MT_Snap().pcTitle);
  MT_nKey(UI_EAST);
  EXPECT_STREQ("Order", MT_Snap().pcTitle);
  MT_nKey(UI_EAST);
  EXPECT_STREQ("Levels", MT_Snap().pcTitle);
  MT_nKey(UI_WEST);
  EXPECT_STREQ("Order", MT_Snap().pcTitle);
}

TEST_F(MenuStore, AnItemPastTheStoresEndIsDroppedWithALogLineAndTheMenusKeepWorking) {
  constexpr U32 kTried = 1100;
  const MENU_TEXT apFull[] = {kFull};
  ASSERT_TRUE(U_MENU_bRegisterTab(kOrder, 3, nullptr, M_BASIC));
  Main(kOrder, [&] { return U_MENU_bRegisterMainSubMenu(kFull, kOrder, 1, nullptr, apFull, nullptr, 1, M_BASIC); },
       kFull);
  Main(kOrder, [] { return U_MENU_bRegisterMainActionMenu(kB, kOrder, 2, DoNothing, FALSE, M_BASIC); }, kB);
  Undo([] { U_MENU_bUnregisterSubMenuItem(kFull, kA); });
  ::testing::internal::CaptureStdout();
  for (U32 i = 0; i < kTried; i++) {
    ASSERT_TRUE(U_MENU_bRegisterSubMenuActionMenu(kA, kFull, nullptr, i, DoNothing, FALSE, M_BASIC));
  }
  MT_vSync();
  const std::string log = ::testing::internal::GetCapturedStdout();
  MT_vKeys({UI_MENU, UI_SOUTH, UI_EAST});
  const MENU_SNAPSHOT s = MT_Snap();
  ASSERT_EQ(MAIN_SUB_MENU, s.eMenu);
  EXPECT_LT(s.u32Rows, 1024u);
  size_t lines = 0;
  for (size_t at = log.find("menu store full (Alpha)"); at != std::string::npos;
       at = log.find("menu store full (Alpha)", at + 1)) {
    lines++;
  }
  EXPECT_EQ(kTried - s.u32Rows, lines) << "one line for each item dropped";
  U_MENU_bUnregisterSubMenuItem(kFull, kA);
  EXPECT_EQ(MAIN_MENU, MT_Snap().eMenu) << "the emptied level closed";
  Main(kOrder, [] { return U_MENU_bRegisterMainActionMenu(kC, kOrder, 3, DoNothing, FALSE, M_BASIC); }, kC);
  EXPECT_EQ((std::vector<std::string>{"Bravo", "Charlie"}), MT_Labels()) << "room again once items leave";
}

}  // namespace
