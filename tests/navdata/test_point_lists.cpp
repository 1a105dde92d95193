// The sorted lists: which waypoints and route ends they take, their orders
// by name, time and distance (worked from the positions), entry names, and
// the newest route from a waypoint.

#include "navstore_rig.h"

namespace {

struct LIST {
  std::vector<ST_POINT_TYPE_INDEX> entries = std::vector<ST_POINT_TYPE_INDEX>(NAV_POINT_LIST_SIZE);
  U32 count = 0;
};

LIST Listed(NAV_WPT_SORT_ORDER order, BOOLEAN bStartEnd = FALSE, BOOLEAN bTemp = FALSE) {
  LIST list;
  T_NAV_vGetSortedPointsList(order, &list.count, list.entries.data(), bTemp, FALSE, FALSE, bStartEnd);
  list.entries.resize(list.count);
  return list;
}

std::string Name(const ST_POINT_TYPE_INDEX& e, BOOLEAN bStartEnd = TRUE) {
  char name[40];
  T_NAV_vGetTwrPointName(&e, name, sizeof name, bStartEnd);
  return name;
}

std::vector<std::string> Names(const LIST& list) {
  std::vector<std::string> names;
  for (const auto& e : list.entries) names.push_back(Name(e));
  return names;
}

U16 AddListWaypoint(S32 x, S32 y, const char* name, U8 status = WPT_STATUS_SAVED, U32 date = 1000) {
  WAYPOINT w = NAVTEST_Waypoint(x, y, name, status);
  w.u32DateTime = date;
  return T_NAV_nAddWaypoint(&w, FALSE);
}

U16 AddRoute(const char* name, std::initializer_list<U16> points, U32 date = 1000) {
  ROUTE r = {};
  strncpy(r.sName, name, sizeof r.sName - 1);
  for (U16 p : points) r.anWaypoint[r.nCount++] = p;
  r.u32DateTime = date;
  return T_NAV_nAddRoute(&r);
}

TEST_F(NavStore, AnEmptyStoreListsNothingAndLeavesTheArray) {
  std::vector<ST_POINT_TYPE_INDEX> entries(NAV_POINT_LIST_SIZE);
  memset(entries.data(), 0xAB, entries.size() * sizeof entries[0]);
  U32 count = 99;
  T_NAV_vGetSortedPointsList(NAV_WPT_SORT_BY_NAME, &count, entries.data(), TRUE, FALSE, FALSE, TRUE);
  EXPECT_EQ(0u, count);
  for (const auto& e : entries) ASSERT_EQ(0xABABu, (U32)e.nIndex);
}

TEST_F(NavStore, RoutesWithTheirEndsListEachStartBeforeItsEnd) {
  for (int i = 0; i < 3; i++) AddRoute("SAME", {});
  const LIST list = Listed(NAV_WPT_SORT_BY_ROUTES, TRUE);
  ASSERT_EQ(6u, list.count);
  for (U32 k = 0; k < 6; k += 2) {
    EXPECT_EQ(list.entries[k].nIndex, list.entries[k + 1].nIndex);
    EXPECT_EQ(1u, list.entries[k].nRouteStartEnd);
    EXPECT_EQ(2u, list.entries[k + 1].nRouteStartEnd);
  }
  EXPECT_EQ("SAME to start", Name(list.entries[0]));
  EXPECT_EQ("SAME to end", Name(list.entries[1]));
  EXPECT_EQ(0u, Listed(NAV_WPT_SORT_BY_FERROWES, TRUE).count);
}

TEST_F(NavStore, SecondKindWaypointsComeFirstWhateverTheOrder) {
  AddListWaypoint(0, 9000, "ZULU", WPT_STATUS_SAVED_2, 10);
  AddListWaypoint(0, 100, "ALFA", WPT_STATUS_SAVED, 30);
  AddListWaypoint(0, 200, "TEMP", WPT_STATUS_TEMPORARY, 40);
  const U16 gravane = AddListWaypoint(0, 300, "GRAV", WPT_STATUS_SAVED, 20);
  T_NAV_pGetWaypoint(gravane)->u8Icon = NAVRO_GRAVANE_ICON;
  AddRoute("BRAVO", {gravane}, 50);
  EXPECT_EQ((std::vector<std::string>{"ZULU", "ALFA", "BRAVO", "GRAV"}), Names(Listed(NAV_WPT_SORT_BY_NAME)));
  EXPECT_EQ((std::vector<std::string>{"ZULU", "BRAVO", "TEMP", "ALFA", "GRAV"}),
            Names(Listed(NAV_WPT_SORT_BY_TIME, FALSE, TRUE)));
  EXPECT_EQ((std::vector<std::string>{"ZULU", "ALFA"}), Names(Listed(NAV_WPT_SORT_BY_WAYPOINTS)));
  EXPECT_EQ((std::vector<std::string>{"GRAV"}), Names(Listed(NAV_WPT_SORT_BY_GRAVANES)));
}

// Rhumb distances from the boat: without a position it stands at 0, 0.
TEST_F(NavStore, DistanceOrderRunsFromTheBoat) {
  AddListWaypoint(1000, 0, "EAST");
  AddListWaypoint(-500, 0, "WEST");
  AddListWaypoint(0, 2000, "NORTH");
  const U16 far = AddListWaypoint(0, 3000, "FAR");
  AddRoute("TO FAR", {far});
  EXPECT_EQ((std::vector<std::string>{"WEST", "EAST", "NORTH", "FAR", "TO FAR"}),
            Names(Listed(NAV_WPT_SORT_BY_DISTANCE)));
  H_DATABASE_bUpdateValueS32(FCID("ILAT"), 2900, P_NORMAL);
  H_DATABASE_bUpdateValueS32(FCID("ILON"), 0, P_NORMAL);
  EXPECT_EQ((std::vector<std::string>{"FAR", "TO FAR", "NORTH", "WEST", "EAST"}),
            Names(Listed(NAV_WPT_SORT_BY_DISTANCE)));
  U32 count;
  U16 slots[NAV_MAX_WAYPOINTS];
  T_NAV_vGetSortedWaypoints(NAV_WPT_SORT_BY_DISTANCE, &count, slots, FALSE, FALSE);
  ASSERT_EQ(4u, count);
  EXPECT_EQ(far, slots[0]);
}

TEST_F(NavStore, TheNewestShownRouteFromAWaypointIsFound) {
  const U16 a = AddListWaypoint(1, 1, "FULLNAMEXYZW");  // all 12 bytes
  const U16 b = AddListWaypoint(2, 2, "B");
  AddRoute("OLD", {a, b}, 100);
  const U16 newer = AddRoute("NEWER", {a}, 200);
  const U16 hidden = AddRoute("HIDDEN", {a}, 300);
  T_NAV_pGetRoute(hidden)->bHide = 1;
  AddRoute("FROM B", {b, a}, 400);
  EXPECT_EQ(newer, T_NAV_TWR_s32GetIndexOfLastRouteStartingAt(a));
  char name[NAV_ROUTE_NAME_SIZE + 2];
  ASSERT_TRUE(T_NAV_TWR_bGetNameOfLastRouteStartingAt(a, name));
  EXPECT_STREQ("NEWER", name);
  EXPECT_FALSE(T_NAV_TWR_bGetNameOfLastRouteStartingAt(0xFFFF, name));
  ST_POINT_TYPE_INDEX e = {};
  e.nIndex = a;
  EXPECT_EQ("FULLNAMEXYZW", Name(e));
  char cut[6];
  T_NAV_vGetTwrPointName(&e, cut, sizeof cut, FALSE);
  EXPECT_STREQ("FULLN", cut);
}

}  // namespace
