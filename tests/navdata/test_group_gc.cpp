// The collection from the root: what nothing links goes with its file,
// temporary waypoints and other units' tracks stay, equal records merge,
// chains that share or loop are cut and the collection still ends, a tree
// of more bodies than any fixed list keeps everything; and delete-all.

#include <algorithm>

#include "navstore_rig.h"

namespace {

const U16 kRoot = 0xC000;

U16 AddGcWaypoint(S32 x, U8 status = WPT_STATUS_SAVED) {
  WAYPOINT w = NAVTEST_Waypoint(x, 7, "GC", status);
  return T_NAV_nAddWaypoint(&w, TRUE);
}

U16 NewGcGroup(const char* name) {
  GROUP_HEADER h = {};
  h.u8Status = WPT_STATUS_GROUP_HEADER;
  h.u16ParentIndex = h.u16FirstBodyIndex = 0xFFFF;
  strncpy(h.sName, name, sizeof h.sName);
  return T_NAV_GROUP_DATA_nNewGroup(&h);
}

U8 Status(U32 slot) { return T_NAV_pGetWaypoint(slot)->u8Status; }
void Collect() { T_NAV_GROUP_DATA_vScanGroupForGarbageCollection(kRoot); }

std::unique_ptr<TRACK> ShortTrack() {
  auto t = std::make_unique<TRACK>();
  U_NAV_vClearTrack(&t->sHeader);
  U_NAV_vAddTrackPoint(t.get(), {0, 0}, 0, FALSE);
  U_NAV_vAddTrackPoint(t.get(), {5, 5}, 0, FALSE);
  return t;
}

TEST_F(NavStore, WhatNothingLinksGoesWithItsFileButTemporaryWaypointsAndOtherUnitsTracksStay) {
  const U16 kept = AddGcWaypoint(1), lost = AddGcWaypoint(2), temporary = AddGcWaypoint(3, WPT_STATUS_TEMPORARY);
  NAVTEST_vKeep(kept);
  // A header nothing links, a body of no chain, a slot taken and never
  // written.
  const U16 header = NewGcGroup("LOOSE");
  GROUP_SLOT body;
  memset(&body, 0, sizeof body);
  body.sBody.u8Status = WPT_STATUS_GROUP_BODY;
  body.sBody.u16NextIndex = 0xFFFF;
  for (U16& item : body.sBody.u16Item) item = kept;
  const U16 stray = T_NAV_nAllocGroupSlot(FALSE);
  ASSERT_TRUE(T_NAV_bSetGroupSlot(stray, &body));
  const U16 reserved = T_NAV_nAllocGroupSlot(FALSE);
  // Track 3 of this unit is saved but unlinked; the root links track 3 of
  // unit 128.
  ASSERT_EQ(0, T_NAV_nAddTrack(ShortTrack().get(), 9, nullptr, FALSE));
  ASSERT_EQ(1, T_NAV_nAddTrack(ShortTrack().get(), 9, nullptr, FALSE));
  ASSERT_EQ(2, T_NAV_nAddTrack(ShortTrack().get(), 9, nullptr, FALSE));
  ASSERT_EQ(3, T_NAV_nAddTrack(ShortTrack().get(), 9, nullptr, FALSE));
  ASSERT_EQ(64, T_NAV_GROUP_DATA_u16Getu7UnitID());
  NAVTEST_vKeep(0x8000 + 128 + 3);
  NAVTEST_vKeep(NAVTEST_u16Track(1));

  Collect();
  EXPECT_EQ(WPT_STATUS_SAVED, Status(kept));
  EXPECT_EQ(WPT_STATUS_FREE, Status(lost));
  EXPECT_FALSE(Exists(File("wpts", lost)));
  EXPECT_EQ(WPT_STATUS_TEMPORARY, Status(temporary));
  for (U16 id : {header, stray, reserved}) {
    EXPECT_EQ(WPT_STATUS_FREE, Status(id & 0x0FFF)) << std::hex << id;
    EXPECT_FALSE(Exists(File("wpts", id & 0x0FFF))) << std::hex << id;
  }
  EXPECT_NE(0, T_NAV_pGetTrackHeader(1)->u16Count);
  for (U32 t : {0u, 2u, 3u}) {
    EXPECT_EQ(0, T_NAV_pGetTrackHeader(t)->u16Count) << t;
    EXPECT_FALSE(Exists(File("tracks", t))) << t;
  }
  const GROUP_BODY* shared = &T_NAV_pGetGroupSlot(0xC001)->sBody;
  EXPECT_EQ(0x8000 + 128 + 3, shared->u16Item[1]) << "another unit's track stays linked";
}

TEST_F(NavStore, EqualWaypointsOfASideBecomeOneAndRoutesFollow) {
  const U16 a = AddGcWaypoint(10), b = AddGcWaypoint(10), other = AddGcWaypoint(11);
  ASSERT_EQ(0, memcmp(T_NAV_pGetWaypoint(a), T_NAV_pGetWaypoint(b), sizeof(WAYPOINT)));
  const U16 g1 = NewGcGroup("ONE"), g2 = NewGcGroup("TWO");
  NAVTEST_vKeep(g1);
  NAVTEST_vKeep(g2);
  ASSERT_TRUE(T_NAV_GROUP_DATA_bAddLink(g1, a));
  ASSERT_TRUE(T_NAV_GROUP_DATA_bAddLink(g2, b));
  ROUTE r = {};
  r.nCount = 2;
  r.u32DateTime = 3;
  r.anWaypoint[0] = b;
  r.anWaypoint[1] = other;
  const U16 route = T_NAV_nAddRoute(&r);
  NAVTEST_vKeep((U16)(0x8800 + route));

  Collect();
  EXPECT_EQ(WPT_STATUS_FREE, Status(b));
  EXPECT_FALSE(Exists(File("wpts", b)));
  EXPECT_EQ(a, T_NAV_pGetRoute(route)->anWaypoint[0]);
  EXPECT_EQ(other, T_NAV_pGetRoute(route)->anWaypoint[1]);
  const U16 g2Body = T_NAV_pGetGroupSlot(g2)->sHeader.u16FirstBodyIndex;
  EXPECT_EQ(a, T_NAV_pGetGroupSlot(g2Body)->sBody.u16Item[0]);
  EXPECT_TRUE(T_NAV_GROUP_DATA_bIsInAnyGroup(other)) << "through its route";
}

// Group two's chain runs on into group one's body, and group one's last
// body leads back to its first: each body is kept by the chain that meets
// it first, the other link is cut and written, and the collection ends.
TEST_F(NavStore, ChainsThatShareOrLoopAreCutAndTheCollectionEnds) {
  const U16 g1 = NewGcGroup("ONE"), g2 = NewGcGroup("TWO");
  NAVTEST_vKeep(g1);
  NAVTEST_vKeep(g2);
  std::vector<U16> in1, in2;
  for (S32 i = 0; i < 13; i++) {
    in1.push_back(AddGcWaypoint(100 + i));
    ASSERT_TRUE(T_NAV_GROUP_DATA_bAddLink(g1, in1.back()));
  }
  in2.push_back(AddGcWaypoint(200));
  ASSERT_TRUE(T_NAV_GROUP_DATA_bAddLink(g2, in2.back()));
  const U16 first1 = T_NAV_pGetGroupSlot(g1)->sHeader.u16FirstBodyIndex;
  const U16 last1 = T_NAV_pGetGroupSlot(first1)->sBody.u16NextIndex;
  const U16 first2 = T_NAV_pGetGroupSlot(g2)->sHeader.u16FirstBodyIndex;
  GROUP_SLOT s;
  memcpy(&s, T_NAV_pGetGroupSlot(first2), sizeof s);
  s.sBody.u16NextIndex = first1;
  ASSERT_TRUE(T_NAV_bSetGroupSlot(first2, &s));
  memcpy(&s, T_NAV_pGetGroupSlot(last1), sizeof s);
  s.sBody.u16NextIndex = first1;
  ASSERT_TRUE(T_NAV_bSetGroupSlot(last1, &s));
  EXPECT_FALSE(T_NAV_GROUP_DATA_bIsGroupNavDataIntegralEX(nullptr, kRoot));

  Collect();
  EXPECT_TRUE(T_NAV_GROUP_DATA_bIsGroupNavDataIntegralEX(nullptr, kRoot));
  NAV_GC_STATS stats;
  T_NAV_GROUP_DATA_vGetGcStats(&stats);
  EXPECT_EQ(2u, stats.u32Runs) << "one repeat finds a clean tree";
  EXPECT_EQ(0xFFFF, T_NAV_pGetGroupSlot(first2)->sBody.u16NextIndex);
  EXPECT_EQ(0xFFFF, T_NAV_pGetGroupSlot(last1)->sBody.u16NextIndex);
  for (U16 w : in1) EXPECT_EQ(WPT_STATUS_SAVED, Status(w));
  for (U16 w : in2) EXPECT_EQ(WPT_STATUS_SAVED, Status(w));
  // The cut reached the files: a restart finds the same chains.
  T_NAV_vInitTracksWaypointsRoutes();
  EXPECT_EQ(0xFFFF, T_NAV_pGetGroupSlot(first2)->sBody.u16NextIndex);
}

// 900 groups of one waypoint each: 900 bodies and 901 headers, more than
// a list of 750 holds.
TEST_F(NavStore, ATreeOfMoreThan750BodiesIsCollectedWhole) {
  State(6);  // slots, not files
  std::vector<U16> waypoints, groups;
  for (S32 i = 0; i < 900; i++) {
    char name[12];
    snprintf(name, sizeof name, "G%d", (int)i);
    groups.push_back(NewGcGroup(name));
    waypoints.push_back(AddGcWaypoint(1000 + i));
    ASSERT_TRUE(T_NAV_GROUP_DATA_bAddLink(kRoot, groups.back())) << i;
    ASSERT_TRUE(T_NAV_GROUP_DATA_bAddLink(groups.back(), waypoints.back())) << i;
  }
  Collect();
  for (S32 i = 0; i < 900; i++) {
    ASSERT_EQ(WPT_STATUS_SAVED, Status(waypoints[i])) << i;
    ASSERT_EQ(WPT_STATUS_GROUP_HEADER, Status(groups[i] & 0x0FFF)) << i;
  }
  NAV_GC_STATS stats;
  T_NAV_GROUP_DATA_vGetGcStats(&stats);
  EXPECT_EQ(0u, stats.u32Swept + stats.u32Cut);
}

TEST_F(NavStore, DeleteAllLeavesTheNewRootsFilesAndTheJournal) {
  const U16 g = NewGcGroup("G");
  NAVTEST_vKeep(g);
  for (S32 i = 0; i < 30; i++) ASSERT_TRUE(T_NAV_GROUP_DATA_bAddLink(g, AddGcWaypoint(i)));
  ROUTE r = {};
  r.u32DateTime = 4;
  NAVTEST_vKeep((U16)(0x8800 + T_NAV_nAddRoute(&r)));
  NAVTEST_vKeep(NAVTEST_u16Track(T_NAV_nAddTrack(ShortTrack().get(), 9, nullptr, FALSE)));
  auto current = ShortTrack();
  T_NAV_NVRAM_vAddCurrentTrackPoint(current.get(), 0, 0xFFFF, FALSE);
  H_DATABASE_bUpdateValueS32(FCID("SWID"), 30, P_NORMAL);

  T_NAV_vDeleteAllTracksWaypointsRoutes(FALSE);
  std::vector<std::string> left;
  for (const char* dir : {"wpts", "routes", "tracks", "cr_track"}) {
    for (const auto& e : std::filesystem::directory_iterator(Dir(dir))) {
      left.push_back(std::string(dir) + "/" + e.path().filename().string());
    }
  }
  std::sort(left.begin(), left.end());
  EXPECT_EQ((std::vector<std::string>{"cr_track/track.2", "wpts/0", "wpts/1", "wpts/2999"}), left);
  EXPECT_EQ(0xC000, T_NAV_GROUP_DATA_nGetRootGroup());
  EXPECT_EQ(0xCFFF, T_NAV_pGetGroupSlot(0xC001)->sBody.u16NextIndex);
  S32 counter = -1;
  EXPECT_TRUE(H_DATABASE_bFetchS32(FCID("SWID"), &counter, nullptr, nullptr));
  EXPECT_EQ(0, counter);
}

}  // namespace
