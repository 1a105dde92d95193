// The searches: matching by name, date and distance, the walk over routes
// and nested or cyclic groups, the result cap, and jumping to or deleting a
// result.

#include <algorithm>

#include "h_memory.h"
#include "t_nav.h"
#include "t_nav_group_data.h"
#include "t_nav_group_edit.h"
#include "t_nav_twr.h"
#include "u_alarm.h"
#include "wptmgr_rig.h"

namespace {

class Search : public Wpm {
 protected:
  void SetUp() override {
    Wpm::SetUp();
    H_DATABASE_bUpdateEverythingU32(FCID("TALR"), M_ALARM, P_NORMAL, D_MAILBOX, nullptr, DB_NEVER_STALE);
    g_WPMSearch = {};
  }
  void TearDown() override {
    g_WPM.eMode = MODE_BROWSE;
    while (void* p = L_MBOX_Receive(M_ALARM)) H_MEMORY_vDumpMail(p);
    Wpm::TearDown();
  }

 public:
  static std::vector<std::string> ByName(const char* pattern) {
    g_WPMSearch.eMode = SEARCHBY_NAME;
    snprintf(g_WPMSearch.sName, sizeof g_WPMSearch.sName, "%s", pattern);
    WPM_vRunSearch();
    std::vector<std::string> names = Names();
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(Search, NamesMatchAnywhereIgnoringCaseAndAnEmptyNameListsTheWholeTree) {
  const U16 sub = Group("Sub");
  const U16 crab = Waypoint("CRAB", kWpmRoot), abby = Waypoint("Abby", sub);
  Waypoint("slab", sub);
  Waypoint("Boat", kWpmRoot);
  Route("Trip", sub, {crab, abby});
  T_NAV_GROUP_vSetup();
  EXPECT_EQ((std::vector<std::string>{"Abby", "Abby", "CRAB", "CRAB", "slab"}), ByName("ab"))
      << "route points are found in the route too";
  EXPECT_EQ(MODE_SEARCH, g_WPM.eMode);
  EXPECT_EQ((std::vector<std::string>{"Abby", "Abby", "Boat", "CRAB", "CRAB", "Sub", "Trip", "slab"}), ByName(""));
  EXPECT_EQ(nullptr, WPM_pcStrIStr("Boat", ""));
}

TEST_F(Search, DatesAreCheckedAndADistanceWithoutMaximumFindsEverythingBeyond) {
  EXPECT_FALSE(WPM_bValidDate("02/30/24"));
  EXPECT_TRUE(WPM_bValidDate("02/29/24"));
  EXPECT_FALSE(WPM_bValidDate("02/29/23"));
  EXPECT_FALSE(WPM_bValidDate("04/31/24"));
  EXPECT_FALSE(WPM_bValidDate("13/01/24"));

  Boat(1000, 1000);
  Waypoint("Near", kWpmRoot, 1000, 1000);
  Waypoint("Mid", kWpmRoot, 1000 + 5 * 1852, 1000);
  Waypoint("Far", kWpmRoot, 1000 + 50 * 1852, 1000);
  Group("NoDistance");
  T_NAV_GROUP_vSetup();
  g_WPMSearch.eMode = SEARCHBY_DISTANCE;
  g_WPMSearch.dMinNm = 1.0;
  g_WPMSearch.dMaxNm = 0.0;
  WPM_vRunSearch();
  std::vector<std::string> names = Names();
  std::sort(names.begin(), names.end());
  EXPECT_EQ((std::vector<std::string>{"Far", "Mid"}), names);
  g_WPMSearch.dMaxNm = 10.0;
  WPM_vRunSearch();
  EXPECT_EQ(std::vector<std::string>{"Mid"}, Names());
}

TEST_F(Search, ACyclicTreeIsWalkedOnceAndResultsStopAt3100) {
  const U16 a = Group("LoopA");
  const U16 b = Group("LoopB", a);
  ASSERT_TRUE(T_NAV_GROUP_DATA_bAddLink(b, a)) << "B holds A, which holds B";
  std::vector<U16> points;
  for (int i = 0; i < 800; i++) {
    char name[16];
    snprintf(name, sizeof name, "P%03d", i);
    const U16 w = Waypoint(name, i < 50 ? b : kWpmRoot);
    if (i < 50) points.push_back(w);
  }
  T_NAV_GROUP_vSetup();
  EXPECT_EQ(802u, ByName("").size()) << "800 points and two groups, each once";
  // 46 routes of 50 points bring it past the cap.
  for (int r = 0; r < 46; r++) {
    char name[16];
    snprintf(name, sizeof name, "R%02d", r);
    Route(name, kWpmRoot, points);
  }
  ByName("");
  EXPECT_EQ(WPM_SEARCH_MAX, g_WPM.u16ListCount);
}

TEST_F(Search, JumpingEntersTheContainerAndAWaypointOfTheNavigatedRouteIsNotDeleted) {
  const U16 sub = Group("Sub");
  Waypoint("Other", sub);
  const U16 target = Waypoint("Target", sub);
  T_NAV_GROUP_vSetup();
  ByName("Targ");
  ASSERT_EQ(1, g_WPM.u16ListCount);
  T_NAV_GROUP_vSearchJumpTo(0);
  EXPECT_EQ(MODE_BROWSE, g_WPM.eMode);
  EXPECT_EQ(sub, g_WPM.u16CurrentGroupID);
  EXPECT_EQ(target, g_WPM.au16ShowItemIDs[g_WPM.u16HighlightIndex]);

  ByName("Targ");
  Boat(1000, 1000);
  ASSERT_TRUE(T_NAV_bStartCurrentRouteWithWaypt(target));
  Click();
  T_NAV_GROUP_vSearchDeleteEX(0);
  T_NAV_GROUP_vNavConfYes();
  EXPECT_EQ(-1, Click());
  EXPECT_EQ(1, g_WPM.u16ListCount) << "kept while navigated to";

  T_NAV_vCancelNavigation();
  T_NAV_GROUP_vSearchDeleteEX(0);
  T_NAV_GROUP_vNavConfYes();
  EXPECT_EQ(0, g_WPM.u16ListCount);
  T_NAV_GROUP_vExitSearch();
  T_NAV_GROUP_bEnterGroup(sub, 0xFFFF);
  EXPECT_EQ(std::vector<std::string>{"Other"}, Names());
}

TEST_F(Search, ThePathLineFollowsTheHighlightedResult) {
  const U16 outer = Group("Outer"), inner = Group("Inner", outer);
  const U16 deep = Waypoint("Deep1", inner);
  Route("Leg", outer, {deep});
  T_NAV_GROUP_vSetup();
  ByName("Deep");
  ASSERT_EQ(2, g_WPM.u16ListCount) << "in its group and in the route";
  g_WPM.eInputState = STATE_ITEM_LIST;
  g_WPM.u16HighlightIndex = 0;
  auto Path = [] {
    std::vector<std::string> rows;
    for (U32 i = 1; i < g_WPM.u16PathDepth; i++) rows.emplace_back(g_WPM.aacGroupPath[i]);
    return rows;
  };
  // Whichever order the walk found them in, each row leads to its own place.
  auto Expected = [&](U32 at) {
    return WPM_bIsRouteId(g_WPMSearch.au16Parent[at]) ? std::vector<std::string>{"Outer", "Leg"}
                                                        : std::vector<std::string>{"Outer", "Inner"};
  };
  Cursor(CURSOR_SOUTH);
  EXPECT_EQ(1, g_WPMSearch.u16ResultIndex);
  EXPECT_EQ(Expected(1), Path());
  Cursor(CURSOR_NORTH);
  EXPECT_EQ(0, g_WPMSearch.u16ResultIndex);
  EXPECT_EQ(Expected(0), Path());
  EXPECT_NE(Expected(0), Expected(1));

  ByName("Inner");
  Cursor(CURSOR_SOUTH);  // refused on the only row: the path still follows it
  EXPECT_EQ(std::vector<std::string>{"Outer"}, Path()) << "a group shows the groups above it";
}

}  // namespace
