// Opening and closing the overlays, and the pickers' keys.

#include <vector>

#include "overlay_test.h"
#include "ui_texts.h"

namespace {

using ot::Click;
using ot::Key;
using ot::Mail;
using ot::Pad;

const std::vector<std::string> kOpened = {"+K FFEF", "+K 10", "+304"};
const std::vector<std::string> kClosed = {"-K FFFE", "-304"};

class Overlays : public ot::OverlayTest {
 protected:
  void Waypoints(U32 count) {
    for (U32 i = 0; i < count; i++) {
      char name[24];
      snprintf(name, sizeof name, "WP%03u", (unsigned)i);
      ot::PutWaypoint(i, name, (S32)i * 100, 0, 1000 + i);
    }
  }
};

TEST_F(Overlays, AnEmptyStoreOpensNoWaypointPickerButAnEmptyPointPicker) {
  EXPECT_FALSE(T_NAV_EDIT_bSelectWaypointSetup(nullptr, nullptr, Select_Waypoint_to_Go_To, TRUE));
  EXPECT_EQ(NAV_EDIT_NONE, T_NAV_EDIT_eState());
  EXPECT_TRUE(Mail().empty());

  EXPECT_FALSE(T_NAV_EDIT_bSelectTWRPointSetup(nullptr, nullptr, Select_Point_to_Go_To, TRUE, FALSE, FALSE));
  EXPECT_EQ(NAV_EDIT_SELECT_TWR_POINT, T_NAV_EDIT_eState());
  EXPECT_EQ(kOpened, Mail());
  EXPECT_TRUE(Key(HKEY_MASK_EXIT));
  EXPECT_EQ(kClosed, Mail());
  EXPECT_EQ(1, Click());
}

TEST_F(Overlays, AStoredSortOrderAboveThreeIsClampedForWaypointsOnly) {
  Waypoints(3);
  ot::Set("SNWS", 5);
  ASSERT_TRUE(T_NAV_EDIT_bSelectWaypointSetup(nullptr, nullptr, nullptr, TRUE));
  EXPECT_EQ(NAV_WPT_SORT_BY_WAYPOINTS, s_WptSel.eSortBy);
  EXPECT_EQ(5u, ot::Setting("SNWS"));
  EXPECT_EQ(-1, s_WptSel.nPosition);
  // Sorted by routes, of which there are none: open, and empty.
  EXPECT_FALSE(T_NAV_EDIT_bSelectTWRPointSetup(nullptr, nullptr, nullptr, TRUE, FALSE, FALSE));
  EXPECT_EQ(NAV_EDIT_SELECT_TWR_POINT, T_NAV_EDIT_eState());
  EXPECT_EQ(NAV_WPT_SORT_BY_ROUTES, s_TwrPointSel.eSortBy);
}

TEST_F(Overlays, ResetWritesTheSortOrderEvenWithNothingOpen) {
  ot::Set("SNWS", 2);
  T_NAV_EDIT_vReset(P_NORMAL);
  EXPECT_EQ(0u, ot::Setting("SNWS"));
  EXPECT_TRUE(Mail().empty());
}

TEST_F(Overlays, WaypointListCursorStopsAtTheSortRowAndTheLastEntry) {
  Waypoints(8);
  ASSERT_TRUE(T_NAV_EDIT_bSelectWaypointSetup(nullptr, nullptr, nullptr, TRUE));
  struct {
    CURSOR_POSITION cursor;
    U32 count;
    S32 position, top;
    int click;
  } const steps[] = {
      {CURSOR_NORTH, 1, -1, -1, -1},  // the sort row is the first row
      {CURSOR_SOUTH, 1, 0, -1, 1},    {CURSOR_NORTH, 1, -1, -1, 1},
      {CURSOR_SOUTH, 1, 0, -1, 1},    {CURSOR_SOUTH, 2, 1, -1, 0},  // held: no click per repeat
      {CURSOR_SOUTH, 3, 2, -1, 0},    {CURSOR_SOUTH, 4, 3, -1, 0},
      {CURSOR_SOUTH, 5, 4, -1, 0},    {CURSOR_SOUTH, 6, 5, 0, 0},   // the page scrolls by one
      {CURSOR_SOUTH, 1, 6, 1, 1},     {CURSOR_SOUTH, 1, 7, 2, 1},
      {CURSOR_SOUTH, 1, 7, 2, -1},    // the last entry
      {CURSOR_WEST, 1, 7, 2, -1},     // WEST on an entry is refused
  };
  for (const auto& s : steps) {
    EXPECT_TRUE(Pad(s.cursor, s.count));
    EXPECT_EQ(s.position, s_WptSel.nPosition);
    EXPECT_EQ(s.top, s_WptSel.nTop);
    EXPECT_EQ(s.click, Click()) << "to " << s.position;
  }
}

TEST_F(Overlays, SortRowStepsThroughTheWaypointOrders) {
  Waypoints(2);
  ASSERT_TRUE(T_NAV_EDIT_bSelectWaypointSetup(nullptr, nullptr, nullptr, TRUE));
  struct {
    U32 from;
    CURSOR_POSITION cursor;
    U32 to;
    int click;
  } const steps[] = {
      {0, CURSOR_EAST, 1, 1}, {1, CURSOR_EAST, 2, 1}, {2, CURSOR_EAST, 2, -1}, {3, CURSOR_EAST, 1, 1},
      {2, CURSOR_WEST, 1, 1}, {1, CURSOR_WEST, 0, 1}, {0, CURSOR_WEST, 0, -1}, {3, CURSOR_WEST, 1, 1},
  };
  for (const auto& s : steps) {
    s_WptSel.eSortBy = (NAV_WPT_SORT_ORDER)s.from;
    ot::Set("SNWS", s.from);
    EXPECT_TRUE(Pad(s.cursor));
    EXPECT_EQ(s.to, (U32)s_WptSel.eSortBy) << s.from;
    EXPECT_EQ(s.to, ot::Setting("SNWS")) << s.from;
    EXPECT_EQ(s.click, Click()) << s.from;
    EXPECT_EQ(-1, s_WptSel.nPosition);
  }
}

U32 s_u32Chosen = 0xFFFF;

TEST_F(Overlays, EastOnAWaypointClosesAndHandsTheSlotOn) {
  Waypoints(3);
  s_u32Chosen = 0xFFFF;
  ASSERT_TRUE(T_NAV_EDIT_bSelectWaypointSetup([](U32 n) { s_u32Chosen = n; }, nullptr, nullptr, TRUE));
  Mail();
  Pad(CURSOR_SOUTH);
  Pad(CURSOR_SOUTH);
  EXPECT_TRUE(Pad(CURSOR_EAST));
  EXPECT_EQ(1u, s_u32Chosen);
  EXPECT_EQ(NAV_EDIT_NONE, T_NAV_EDIT_eState());
  EXPECT_EQ(kClosed, Mail());
}

TEST_F(Overlays, OtherKeysAreLeftToTheNavigationTaskExceptInTheAisList) {
  Waypoints(1);
  // The limits editor on its rows, as it opens: an earlier test may have left
  // it in a value, where MENU is the check key.
  s_AisEdit.eState = AIS_EDIT_CPA;
  for (NAV_EDIT_STATE e : {NAV_EDIT_NONE, NAV_EDIT_SELECT_TRACK, NAV_EDIT_CURRENT_TRACK_APPEARANCE, NAV_EDIT_TRACK,
                           NAV_EDIT_TRACK_DEFAULT, NAV_EDIT_SELECT_WAYPOINT, NAV_EDIT_WAYPOINT, NAV_EDIT_SELECT_ROUTE,
                           NAV_EDIT_ROUTE, NAV_EDIT_ROUTE_INFO, NAV_EDIT_AIS_CPA_LIMIT, NAV_AIS_LIST,
                           NAV_EDIT_SELECT_TWR_POINT, NAV_EDIT_SELECT_TWR_POINT_ACTION}) {
    s_eNavEditState = e;
    for (U32 key : {HKEY_MASK_MENU, HKEY_MASK_VIEW}) {
      EXPECT_EQ(e == NAV_AIS_LIST, Key(key)) << "state " << e << " key " << key;
    }
  }
  s_eNavEditState = NAV_EDIT_NONE;
  Click();
}

// A confirmation answered after its picker closed and another screen opened
// must not act on the new screen.
TEST_F(Overlays, AStaleConfirmationAnswerDoesNothing) {
  Waypoints(2);
  s_u32Chosen = 0xFFFF;
  ASSERT_TRUE(T_NAV_EDIT_bSelectWaypointSetup([](U32 n) { s_u32Chosen = n; }, Save_Changes, nullptr, TRUE));
  Pad(CURSOR_SOUTH);
  EXPECT_TRUE(Pad(CURSOR_EAST));
  EXPECT_EQ(NAV_EDIT_SELECT_WAYPOINT, T_NAV_EDIT_eState());
  EXPECT_TRUE(Key(HKEY_MASK_EXIT));
  T_NAV_EDIT_vTrackDefaultsSetup();
  Mail();
  Click();
  T_NAV_vSWSelect();
  EXPECT_EQ(0xFFFFu, s_u32Chosen);
  EXPECT_EQ(NAV_EDIT_TRACK_DEFAULT, T_NAV_EDIT_eState());
  EXPECT_TRUE(Mail().empty());
  EXPECT_EQ(0, Click());
}

TEST_F(Overlays, AFullStoreBuildsThePointListAndARouteClaimingTooManyPointsGivesFortyNineLegs) {
  for (U32 i = 0; i < NAV_MAX_WAYPOINTS; i++) ot::PutWaypoint(i, "W", (S32)(i % 50) * 1000, (S32)(i / 50) * 1000, 5);
  for (U32 r = 0; r < NAV_MAX_ROUTES; r++) {
    ROUTE* p = T_NAV_pGetRoute(r);
    *p = {};
    p->nCount = 2;
    p->u32DateTime = 7;
    p->anWaypoint[0] = 0;
    p->anWaypoint[1] = 1;
  }
  ASSERT_TRUE(T_NAV_EDIT_bSelectTWRPointSetup(nullptr, nullptr, nullptr, TRUE, TRUE, FALSE));
  EXPECT_EQ(NAV_MAX_WAYPOINTS + NAV_MAX_ROUTES, s_TwrPointSel.nCount);
  for (int step = 0; step < 5; step++) EXPECT_TRUE(Pad(CURSOR_EAST));
  EXPECT_EQ(NAV_WPT_SORT_BY_ROUTES, s_TwrPointSel.eSortBy);
  EXPECT_EQ(NAV_MAX_ROUTES, s_TwrPointSel.nCount);

  ROUTE* p = T_NAV_pGetRoute(0);
  p->nCount = 1000;
  for (U32 i = 0; i < NAV_MAX_ROUTE_POINTS; i++) p->anWaypoint[i] = (U16)i;
  T_NAV_EDIT_vRouteInfoSetup(0, nullptr);
  EXPECT_EQ(NAV_MAX_ROUTE_POINTS - 1, s_RteInfo.nLegs);
  // Waypoints 48 and 49 lie 1000 m apart due east.
  EXPECT_NEAR(90.0, s_RteInfo.fBRG[48], 1e-6);
}

}  // namespace
