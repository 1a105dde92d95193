// Which waypoints the chart shows: those a shown group holds, directly or
// through a shown route, unless hidden themselves.

#include "t_nav_group.h"
#include "t_nav_group_data.h"
#include "t_nav_twr.h"
#include "wptmgr_rig.h"

namespace {

using Visibility = Wpm;

void SetHidden(U16 group) {
  GROUP_HEADER header = T_NAV_pGetGroupSlot(group)->sHeader;
  header.bHide = 1;
  ASSERT_TRUE(T_NAV_GROUP_DATA_bModifyGroup(group, &header));
}

TEST_F(Visibility, HiddenGroupsHideWhatOnlyTheyHoldAndShownRoutesShowTheirPoints) {
  const U16 shown = Group("Shown"), hidden = Group("Hidden");
  const U16 a = Waypoint("A", shown), b = Waypoint("B", hidden), both = Waypoint("Both", hidden);
  ASSERT_TRUE(T_NAV_GROUP_DATA_bAddLink(shown, both));
  const U16 viaRoute = Waypoint("ViaRoute", hidden);
  Route("Shown route", shown, {viaRoute});
  const U16 self = Waypoint("Self", shown);
  WAYPOINT w = *T_NAV_pGetWaypoint(self);
  w.bHide = 1;
  ASSERT_TRUE(T_NAV_bSaveWaypoint(self, &w, FALSE, FALSE));
  SetHidden(hidden);

  T_NAV_GROUP_vCheckWaypointInVisibleGroup();
  EXPECT_TRUE(T_NAV_GROUP_bCheckWaypointIsInVisibleGroup(a));
  EXPECT_FALSE(T_NAV_GROUP_bCheckWaypointIsInVisibleGroup(b));
  EXPECT_TRUE(T_NAV_GROUP_bCheckWaypointIsInVisibleGroup(both)) << "a shown group holds it too";
  EXPECT_TRUE(T_NAV_GROUP_bCheckWaypointIsInVisibleGroup(viaRoute));
  EXPECT_FALSE(T_NAV_GROUP_bCheckWaypointIsInVisibleGroup(self));
  EXPECT_FALSE(T_NAV_GROUP_bCheckWaypointIsInVisibleGroup(3000));

  T_NAV_GROUP_vSetWaypointVisible(b);  // a mark is shown before the next rebuild
  EXPECT_TRUE(T_NAV_GROUP_bCheckWaypointIsInVisibleGroup(b));
}

}  // namespace
