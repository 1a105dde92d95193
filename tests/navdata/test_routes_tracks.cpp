// Routes and saved tracks: what is stored and written, track names, the
// drawing settings kept as nibbles, route alignment across the sides, and
// the chart's iterator over visible tracks around the seam.

#include <set>

#include "navstore_rig.h"

namespace {

U32 Setting(FOURCHARID id) {
  U32 value = 0xDEADBEEF;
  H_DATABASE_bFetchU32(id, &value, nullptr, nullptr);
  return value;
}

TEST_F(NavStore, ARouteIsStoredWithPointsOrADateAndWrittenThen) {
  ROUTE dated = {};
  dated.u32DateTime = 5;
  const U16 a = T_NAV_nAddRoute(&dated);
  ASSERT_NE(65535, a);
  EXPECT_TRUE(Exists(File("routes", a)));
  EXPECT_EQ(a, Setting(FCID("CLRT")));
  ROUTE empty = {};
  const U16 b = T_NAV_u16RouteAdd(&empty);
  ASSERT_NE(65535, b);
  EXPECT_FALSE(Exists(File("routes", b)));
  U32 count = 0;
  U16 listed[NAV_MAX_ROUTES];
  T_NAV_vGetRoutes(&count, listed);
  EXPECT_EQ(1u, count);
  EXPECT_EQ(b, T_NAV_u16RouteAdd(&empty)) << "its slot is still free";
}

TEST_F(NavStore, DeletingATrackShowsItsSlotAgain) {
  H_DATABASE_bUpdateValueU32(FCID("SNV2"), 0, P_NORMAL);
  EXPECT_TRUE(T_NAV_bDeleteTrack(40, FALSE));
  EXPECT_EQ(0x100u, Setting(FCID("SNV2")));
}

std::unique_ptr<TRACK> TrackThrough(std::initializer_list<POINT> points) {
  auto t = std::make_unique<TRACK>();
  U_NAV_vClearTrack(&t->sHeader);
  for (const POINT& p : points) U_NAV_vAddTrackPoint(t.get(), p, 0, FALSE);
  return t;
}

TEST_F(NavStore, SavedTracksTakeSlotNamesAndTheDefaultLook) {
  State(6);  // 50 tracks of 131 KB need not reach the disk
  H_DATABASE_bUpdateValueU32(FCID("SNRC"), 16, P_NORMAL);
  H_DATABASE_bUpdateValueU32(FCID("SNDS"), 2, P_NORMAL);
  H_DATABASE_bUpdateValueU32(FCID("SNDV"), 0, P_NORMAL);
  auto t = TrackThrough({{0, 0}, {10, 10}});
  for (U16 i = 0; i < 50; i++) ASSERT_EQ(i, T_NAV_nAddTrack(t.get(), 100 + i, nullptr, FALSE));
  EXPECT_EQ(65535, T_NAV_nAddTrack(t.get(), 1, nullptr, FALSE));
  EXPECT_STREQ("01", T_NAV_pGetTrackHeader(0)->sName);
  EXPECT_STREQ("50", T_NAV_pGetTrackHeader(49)->sName);
  std::set<U32> colours;
  for (U32 i = 0; i < 50; i++) {
    colours.insert(T_NAV_nGetTrackColor(i));
    EXPECT_EQ(2u, T_NAV_nGetTrackStyle(i));
    EXPECT_FALSE(T_NAV_bGetTrackVisibility(i));
  }
  EXPECT_LE(*colours.rbegin(), 14u);
  EXPECT_GT(colours.size(), 3u) << "drawn at random";
  // Nibbles: track 9 is the second nibble of SNC2 and SNS2.
  EXPECT_EQ(2u, (Setting(FCID("SNS2")) >> 4) & 0xF);
  EXPECT_EQ(T_NAV_nGetTrackColor(9), (Setting(FCID("SNC2")) >> 4) & 0xF);
}

TEST_F(NavStore, ARenamedTrackKeepsItsPointsInItsFile) {
  auto t = TrackThrough({{0, 0}, {10, 10}, {20, 5}});
  const U16 slot = T_NAV_nAddTrack(t.get(), 77, (char*)"FIRST", FALSE);
  ASSERT_NE(65535, slot);
  ASSERT_TRUE(T_NAV_bRenameTrack(slot, (char*)"A NAME OF TWENTY-FIVE CHARS"));
  TRACK* loaded = T_NAV_NVRAM_pLoadTrack(slot);
  EXPECT_STREQ("A NAME OF TWENTY-FI", loaded->sHeader.sName);
  EXPECT_EQ(0, memcmp(t->aDelta, loaded->aDelta, 2 * sizeof t->aDelta[0]));
  T_NAV_NVRAM_vReleaseTrack();
  NAVTEST_vKeep(NAVTEST_u16Track(slot));
  T_NAV_vInitTracksWaypointsRoutes();
  EXPECT_STREQ("A NAME OF TWENTY-FI", T_NAV_pGetTrackHeader(slot)->sName);
  EXPECT_EQ(3, T_NAV_pGetTrackHeader(slot)->u16Count);
}

TEST_F(NavStore, ATrackAddedUnderItsHeadersOwnNameKeepsIt) {
  auto t = TrackThrough({{0, 0}, {10, 10}});
  snprintf(t->sHeader.sName, sizeof t->sHeader.sName, "OWN NAME");
  const U16 slot = T_NAV_nAddTrack(t.get(), 77, t->sHeader.sName, FALSE);
  ASSERT_NE(65535, slot);
  EXPECT_STREQ("OWN NAME", T_NAV_pGetTrackHeader(slot)->sName);
}

// Around x = 20,038,000 with a 5,000 m square: a track just across the seam
// is 1,600 m away and shows; one 38 km west or 10 km north does not.
TEST_F(NavStore, TheVisibleTrackIteratorHandsOutBoxesReachingTheSquare) {
  const std::initializer_list<POINT> tracks[] = {
      {{20037900, 0}, {20038100, 100}},   // around the centre
      {{-20037000, 0}, {-20036000, 0}},   // across the seam, 1,600 m east
      {{20000000, 0}, {20000100, 0}},     // 38 km west
      {{20038000, 10000}, {20038000, 12000}},  // 10 km north
      {{20038000, 0}, {20038000, 1}},     // hidden
  };
  for (const auto& points : tracks) ASSERT_NE(65535, T_NAV_nAddTrack(TrackThrough(points).get(), 1, nullptr, FALSE));
  T_NAV_vSetTrackVisibility(4, FALSE);
  const POINT centre = {20038000, 0};
  std::vector<S32> shown;
  TRACK_HEADER* h;
  for (S32 i = -1; T_NAV_bScanVisibleTracks(&centre, 5000, &i, &h);) shown.push_back(i);
  EXPECT_EQ((std::vector<S32>{0, 1}), shown);
}

TEST_F(NavStore, ARouteOfTheOtherSideGetsCopiesOfItsWaypoints) {
  WAYPOINT shared = NAVTEST_Waypoint(1, 2, "SHARED");
  const U16 wp = T_NAV_nAddWaypoint(&shared, FALSE);
  ROUTE r = {};
  r.bRtNotShared = 1;
  r.nCount = 1;
  r.u32DateTime = 9;
  r.anWaypoint[0] = wp;
  const U16 route = T_NAV_nAddRoute(&r);
  ASSERT_TRUE(T_NAV_bProcessRouteWaypoints(route, 65535));
  const U16 copy = T_NAV_pGetRoute(route)->anWaypoint[0];
  EXPECT_NE(wp, copy);
  EXPECT_TRUE(T_NAV_pGetWaypoint(copy)->bWpNotShared);
  EXPECT_TRUE(T_NAV_bWaypointCompare(T_NAV_pGetWaypoint(wp), T_NAV_pGetWaypoint(copy)));
  const S16* pending;
  ASSERT_EQ(1, T_NAV_TWR_nGetPendingWaypointDeletes(&pending));
  EXPECT_EQ((S16)wp, pending[0]);
  NAVTEST_vKeep((U16)(0x8800 + route));
  T_NAV_vInitTracksWaypointsRoutes();
  EXPECT_EQ(copy, T_NAV_pGetRoute(route)->anWaypoint[0]) << "the route's file holds the copy";
}

}  // namespace
