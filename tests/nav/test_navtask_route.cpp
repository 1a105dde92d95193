// Route navigation driven as the unit drives it: go-to and route building,
// arrival through the one-second update and its alarm, skip, and the
// route's answer to a deleted waypoint.

#include <math.h>

#include "navtask_test.h"
#include "text_util.h"
#include "u_language.h"
#include "ui_texts.h"

namespace {

constexpr S32 kX = 1000000, kY = 5000000;

class NavRoute : public NavTask {
 protected:
  const ROUTE& Route() const { return *T_NAV_pGetCurrentRoute(); }
  // The boat 10 m short of a waypoint due north of it, heading there.
  static void Approach(U16 w) {
    const WAYPOINT* p = T_NAV_pGetWaypoint(w);
    Boat(p->pt.x, p->pt.y - 10, 0.0f, 2.0f);
  }
};

TEST_F(NavRoute, GoToWithoutAFixIsAnErrorAndStartsNothing) {
  const U16 a = Waypoint(kX, kY + 1000, "A");
  EXPECT_FALSE(T_NAV_bWaypointToCurrentRoute(a));
  const std::vector<NAVTEST_ALARM> shown = Alarms();
  ASSERT_EQ(1u, shown.size());
  EXPECT_EQ("GPS Fix required for this operation", shown[0].text);
  EXPECT_EQ(0u, Route().nCount);
  EXPECT_EQ(0u, U32Of(FCID("INIP")));
}

// The boat's start point is named in the language's text form.
TEST_F(NavRoute, TheStartIsNamedInTheWideFormInAWideLanguage) {
  SetLanguage(LANGUAGE_ENGLISH_UNICODE);
  Boat(kX, kY);
  ASSERT_TRUE(T_NAV_bWaypointToCurrentRoute(Waypoint(kX, kY + 1000, "A")));
  const WAYPOINT* start = T_NAV_pGetWaypoint(Route().anWaypoint[0]);
  SetLanguage(LANGUAGE_ENGLISH);
  EXPECT_EQ(std::string("\0S\0T\0A\0R\0T\0\0", 12), std::string(start->sName, 12));
}

TEST_F(NavRoute, TheLastPointAgainIsANoteAndTheFiftyFirstIsRefused) {
  Boat(kX, kY);
  const U16 a = Waypoint(kX, kY + 1000, "A");
  ASSERT_TRUE(T_NAV_bWaypointToCurrentRoute(a));
  EXPECT_EQ(2u, Route().nCount);
  EXPECT_EQ(1u, U32Of(FCID("INIP")));
  EXPECT_EQ(a, U32Of(FCID("IDWP")));
  EXPECT_EQ(WPT_STATUS_TEMPORARY, T_NAV_pGetWaypoint(Route().anWaypoint[0])->u8Status) << "the boat's START";
  Alarms();

  EXPECT_TRUE(T_NAV_bWaypointToCurrentRoute(a));
  std::vector<NAVTEST_ALARM> shown = Alarms();
  ASSERT_EQ(1u, shown.size());
  EXPECT_EQ("Waypoint A already in the current route", shown[0].text);
  EXPECT_EQ(2u, Route().nCount);

  for (int i = 0; Route().nCount < NAV_MAX_ROUTE_POINTS; i++) {
    ASSERT_TRUE(T_NAV_bWaypointToCurrentRoute(Waypoint(kX + 100 * i, kY + 2000, ("W" + std::to_string(i)).c_str())));
  }
  Alarms();
  EXPECT_FALSE(T_NAV_bWaypointToCurrentRoute(a));
  shown = Alarms();
  ASSERT_EQ(1u, shown.size());
  EXPECT_EQ("No more waypoints can be added to the route", shown[0].text);
  EXPECT_EQ(NAV_MAX_ROUTE_POINTS, Route().nCount);
}

TEST_F(NavRoute, ArrivingAtTheEndOfAGoToEndsItAndOfALongerRouteAsks) {
  Boat(kX, kY);
  const U16 a = Waypoint(kX, kY + 1000, "A"), b = Waypoint(kX, kY + 2000, "B");
  ASSERT_TRUE(T_NAV_bWaypointToCurrentRoute(a));
  const U16 start = Route().anWaypoint[0];
  Approach(a);
  Tick();
  EXPECT_EQ(" +13 +10", AlarmLog());
  Tick(5);
  EXPECT_EQ(0u, U32Of(FCID("INIP")));
  EXPECT_EQ(0u, Route().nCount);
  EXPECT_FALSE(NAV_ROUTE_bQuestionPending());
  EXPECT_EQ(WPT_STATUS_FREE, T_NAV_pGetWaypoint(start)->u8Status) << "the temporary start goes with the route";

  for (U32 state : {3u, 6u}) {
    State(state);
    Boat(kX, kY);
    ASSERT_TRUE(T_NAV_bWaypointToCurrentRoute(a));
    ASSERT_TRUE(T_NAV_bWaypointToCurrentRoute(b));
    Approach(a);
    Tick(6);
    EXPECT_EQ(2u, U32Of(FCID("INIP"))) << "on to the next leg";
    EXPECT_EQ(b, U32Of(FCID("IDWP")));
    EXPECT_NEAR(0.0f, Float(FCID("ITRK")), 0.01f);
    Approach(b);
    Tick(6);
    EXPECT_EQ(state == 3, NAV_ROUTE_bQuestionPending() != FALSE) << "state " << state;
    EXPECT_EQ(state == 3 ? 2u : 0u, U32Of(FCID("INIP"))) << "state " << state;
    T_NAV_vEndNavigationOnly();
    EXPECT_EQ(0u, Route().nCount);
  }
}

TEST_F(NavRoute, SkippingAMiddleLegDropsOnlyATemporaryDestination) {
  const U16 b = Waypoint(kX, kY + 2000, "B");
  for (U8 status : {WPT_STATUS_TEMPORARY, WPT_STATUS_SAVED}) {
    Boat(kX, kY);
    const U16 m = Waypoint(kX + 500, kY + 1000, "M", status);
    ASSERT_TRUE(T_NAV_bWaypointToCurrentRoute(m));
    ASSERT_TRUE(T_NAV_bWaypointToCurrentRoute(b));
    Boat(kX + 300, kY + 500);
    T_NAV_vSkipCurrentRouteWaypoint();
    EXPECT_EQ(2u, Route().nCount);
    EXPECT_EQ(b, Route().anWaypoint[1]);
    EXPECT_EQ(b, U32Of(FCID("IDWP")));
    EXPECT_EQ(status == WPT_STATUS_TEMPORARY ? WPT_STATUS_FREE : WPT_STATUS_SAVED,
              T_NAV_pGetWaypoint(m)->u8Status);
    // The leg now runs from the boat: B lies north-west of it.
    EXPECT_NEAR(360.0 - atan2(300.0, 1500.0) * 180.0 / M_PI, Float(FCID("ITRK")), 0.5);
    T_NAV_vEndNavigationOnly();
  }
}

TEST_F(NavRoute, ADeletedWaypointLeavesAtItsFirstPlaceAfterTheOrigin) {
  Boat(kX, kY);
  const U16 a = Waypoint(kX, kY + 1000, "A"), b = Waypoint(kX, kY + 2000, "B");
  for (U16 w : {a, b, a}) ASSERT_TRUE(T_NAV_bWaypointToCurrentRoute(w));
  const U16 start = Route().anWaypoint[0];
  T_NAV_vUpdateCurrentRouteArray(a);
  ASSERT_EQ(3u, Route().nCount);
  EXPECT_EQ(start, Route().anWaypoint[0]);
  EXPECT_EQ(b, Route().anWaypoint[1]);
  EXPECT_EQ(a, Route().anWaypoint[2]);
  T_NAV_vUpdateCurrentRouteArray(start);
  EXPECT_EQ(3u, Route().nCount) << "the origin stays";
}

}  // namespace
