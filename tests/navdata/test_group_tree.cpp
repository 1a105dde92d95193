// The group tree: the root an empty store starts with, bodies added and
// freed as links come and go, links refused, this unit's id, the tree found
// again or rebuilt at start, group slots around the separator, and route
// appends. Bytes and slots are laid out by hand from the group records.

#include "navstore_rig.h"
#include "text_util.h"
#include "u_language.h"
#include "ui_texts.h"

namespace {

GROUP_SLOT Slot(U32 index) {
  GROUP_SLOT s;
  memcpy(&s, T_NAV_pGetWaypoint(index), sizeof s);
  return s;
}

U16 Next(U16 id) { return Slot(id & 0x0FFF).sBody.u16NextIndex; }

U16 AddWaypoint(S32 x, BOOLEAN bNotShared = FALSE, U8 status = WPT_STATUS_SAVED) {
  char name[16];
  snprintf(name, sizeof name, "W%d", (int)x);
  WAYPOINT w = NAVTEST_Waypoint(x, 0, name, status, bNotShared);
  return T_NAV_nAddWaypoint(&w, TRUE);
}

U16 NewGroup(const char* name, BOOLEAN bNotShared = FALSE) {
  GROUP_HEADER h = {};
  h.u8Status = WPT_STATUS_GROUP_HEADER;
  h.bWpNotShared = bNotShared;
  h.u16ParentIndex = h.u16FirstBodyIndex = 0xFFFF;
  strncpy(h.sName, name, sizeof h.sName);
  return T_NAV_GROUP_DATA_nNewGroup(&h);
}

TEST_F(NavStore, AnEmptyStoreStartsWithItsRootInSlot0AndBothChainsFiled) {
  EXPECT_EQ(0xC000, T_NAV_GROUP_DATA_nGetRootGroup());
  EXPECT_EQ(0xC000, T_NAV_GROUP_DATA_nGetDefaultGroup());
  const std::vector<U8> head = {0x10, 0x42, 0x02, 0x00, 0x02, 0x03};
  std::vector<U8> root = head, shared = head, lock = head;
  // Header: status 16, icon 1, parent 0xFFFF, first body 0xC001, "Home".
  root.insert(root.end(), {0, 0, 0x10, 1, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0, 0, 0x01, 0xC0, 0, 0, 'H', 'o', 'm', 'e',
                           0, 0, 0, 0, 0, 0, 0, 0});
  // Bodies: status 17 (0x91 with the not-shared bit), next, twelve free places.
  shared.insert(shared.end(), {1, 0, 0x11, 0, 0xFF, 0xCF});
  lock.insert(lock.end(), {0xB7, 0x0B, 0x91, 0, 0xFF, 0xFF});
  shared.resize(36, 0xFF);
  lock.resize(36, 0xFF);
  EXPECT_EQ(root, Read(File("wpts", 0)));
  EXPECT_EQ(shared, Read(File("wpts", 1)));
  EXPECT_EQ(lock, Read(File("wpts", 2999)));
}

TEST_F(NavStore, BodiesAreAddedAtTwelveLinksAndFreedWhenEmptyExceptTheRootsLast) {
  const U16 root = 0xC000;
  std::vector<U16> w;
  for (S32 i = 0; i < 13; i++) {
    w.push_back(AddWaypoint(i));
    ASSERT_TRUE(T_NAV_GROUP_DATA_bAddLink(root, w.back()));
  }
  // The 13th took a body that now ends the shared chain.
  const U16 second = Next(0xC001);
  ASSERT_EQ(0xC000, second & 0xF000);
  EXPECT_EQ(0xCFFF, Next(second));
  EXPECT_EQ(w[12], Slot(second & 0x0FFF).sBody.u16Item[0]);
  // Emptying the root's last shared body keeps it; emptying the one before
  // frees it and the header points past it.
  ASSERT_TRUE(T_NAV_GROUP_DATA_bRemoveLink(root, w[12]));
  EXPECT_EQ(WPT_STATUS_GROUP_BODY, Slot(second & 0x0FFF).sBody.u8Status);
  for (int i = 0; i < 12; i++) ASSERT_TRUE(T_NAV_GROUP_DATA_bRemoveLink(root, w[i]));
  EXPECT_EQ(WPT_STATUS_FREE, Slot(1).sBody.u8Status);
  EXPECT_FALSE(Exists(File("wpts", 1)));
  EXPECT_EQ(second, Slot(0).sHeader.u16FirstBodyIndex);

  // A group of three bodies loses its middle one: the first links the last.
  const U16 g = NewGroup("G");
  ASSERT_TRUE(T_NAV_GROUP_DATA_bAddLink(root, g));
  EXPECT_EQ(root, Slot(g & 0x0FFF).sHeader.u16ParentIndex);
  for (S32 i = 0; i < 25; i++) ASSERT_TRUE(T_NAV_GROUP_DATA_bAddLink(g, AddWaypoint(100 + i)));
  const U16 a = Slot(g & 0x0FFF).sHeader.u16FirstBodyIndex, b = Next(a), c = Next(b);
  EXPECT_EQ(0xFFFF, Next(c));
  for (U16 item : Slot(b & 0x0FFF).sBody.u16Item) ASSERT_TRUE(T_NAV_GROUP_DATA_bRemoveLink(g, item));
  EXPECT_EQ(c, Next(a));
  EXPECT_EQ(WPT_STATUS_FREE, Slot(b & 0x0FFF).sBody.u8Status);
}

TEST_F(NavStore, LinksThatCannotBeAreRefused) {
  const U16 root = 0xC000, w = AddWaypoint(1);
  ASSERT_TRUE(T_NAV_GROUP_DATA_bAddLink(root, w));
  EXPECT_FALSE(T_NAV_GROUP_DATA_bAddLink(root, w));
  EXPECT_FALSE(T_NAV_GROUP_DATA_bAddLink(root, AddWaypoint(1))) << "another waypoint of the same content";
  EXPECT_FALSE(T_NAV_GROUP_DATA_bAddLink(root, 0xFFFF));
  EXPECT_FALSE(T_NAV_GROUP_DATA_bAddLink(root, root));
  EXPECT_FALSE(T_NAV_GROUP_DATA_bSetDefaultGroup(0xCFFF));
  // A not-shared waypoint goes to the lock chain.
  const U16 locked = AddWaypoint(2, TRUE);
  ASSERT_TRUE(T_NAV_GROUP_DATA_bAddLink(root, locked));
  EXPECT_EQ(locked, Slot(2999).sBody.u16Item[0]);
  // A body whose next names itself is not written.
  const GROUP_SLOT before = Slot(1);
  GROUP_SLOT loop = before;
  loop.sBody.u16NextIndex = 0xC001;
  EXPECT_FALSE(T_NAV_bSetGroupSlot(0xC001, &loop));
  EXPECT_EQ(0, memcmp(&before, T_NAV_pGetWaypoint(1), sizeof before));
}

TEST_F(NavStore, AUnitIdOutOfRangeIsMadeFromTheModelAndSerial) {
  H_DATABASE_bUpdateValueU32(FCID("SUID"), 2000, P_NORMAL);
  H_DATABASE_bUpdateValueU32(FCID("SMDL"), 7, P_NORMAL);
  H_DATABASE_bUpdateValueU32(FCID("SENU"), 100, P_NORMAL);
  T_NAV_vInitTracksWaypointsRoutes();
  // (7 x 2^32 + 100) mod 31 = (7 x 4 + 100) mod 31 = 4: (4 + 1) x 64.
  EXPECT_EQ(320, T_NAV_GROUP_DATA_u16Getu7UnitID());
  H_DATABASE_vInit();
  State(3);
  T_NAV_vInitTracksWaypointsRoutes();
  EXPECT_EQ(64, T_NAV_GROUP_DATA_u16Getu7UnitID());
  U32 stored = 0;
  EXPECT_TRUE(H_DATABASE_bFetchU32(FCID("SUID"), &stored, nullptr, nullptr));
  EXPECT_EQ(64u, stored);
}

// Record files: shared waypoints "F<slot>" in slots [from, to), routes of
// 50 points each and tracks of ten points, in the slots [from, to) of theirs.
void Waypoints(U32 from, U32 to) {
  for (U32 i = from; i < to; i++) {
    WAYPOINT w = NAVTEST_Waypoint((S32)i * 10, 0, ("F" + std::to_string(i)).c_str());
    ASSERT_TRUE(T_NAV_NVRAM_bSaveWaypoint(&w, (U16)i, FALSE));
  }
}

void RoutesAndTracks(U32 from, U32 routes, U32 tracks) {
  for (U32 r = from; r < routes; r++) {
    ROUTE route = {};
    route.nCount = 50;
    route.u32DateTime = 500 + r;
    for (U32 k = 0; k < 50; k++) route.anWaypoint[k] = (U16)(r * 50 + k);
    ASSERT_TRUE(T_NAV_NVRAM_bSaveRoute(&route, (U16)r, FALSE));
  }
  static TRACK s_track;
  for (U32 t = from; t < tracks; t++) {
    U_NAV_vClearTrack(&s_track.sHeader);
    for (S32 i = 0; i < 10; i++) U_NAV_vAddTrackPoint(&s_track, {(S32)t * 1000 + i, i}, 0, FALSE);
    s_track.sHeader.u32DateTime = 77;
    strcpy(s_track.sHeader.sName, "T");
    ASSERT_TRUE(T_NAV_NVRAM_bSaveTrack(&s_track, (U16)t, FALSE));
  }
}

int Routes(void) {
  int n = 0;
  for (U32 r = 0; r < NAV_MAX_ROUTES; r++) n += T_NAV_pGetRoute(r)->u32DateTime != 0;
  return n;
}

int Tracks(void) {
  int n = 0;
  for (U32 t = 0; t < NAV_MAX_TRACKS; t++) n += T_NAV_pGetTrackHeader(t)->u16Count != 0;
  return n;
}

// A tree rebuilt at start links every record a full table holds, in every
// one of its slots, and a table too full for any tree loses nothing.
TEST_F(NavStore, ARebuildLinksEveryRecordOfAFullTableAndDeletesNoneThatFindNoPlace) {
  // 2,767 waypoints, 2 routes and 3 tracks: 2,772 links fill 231 bodies;
  // with the root and the lock body that is 233 slots, all that is left.
  DropTree();
  unlink(File("wpts", 2999).c_str());
  ASSERT_NO_FATAL_FAILURE(Waypoints(0, 2767));
  ASSERT_NO_FATAL_FAILURE(RoutesAndTracks(0, 2, 3));
  T_NAV_vInitTracksWaypointsRoutes();
  EXPECT_EQ(2767, T_NAV_TWR_nGetWaypointCount());
  EXPECT_EQ(233, T_NAV_TWR_nGetGroupTotalCount());
  EXPECT_EQ(0u, T_NAV_GROUP_DATA_u32Unplaced());
  for (U16 i = 0; i < 2767; i++) ASSERT_TRUE(T_NAV_GROUP_DATA_bIsInAnyGroup(i)) << i;
  T_NAV_vInitTracksWaypointsRoutes();
  EXPECT_FALSE(T_NAV_GROUP_DATA_bRebuiltAtLoad());
  EXPECT_EQ(2767, T_NAV_TWR_nGetWaypointCount());
  EXPECT_EQ(2, Routes());
  EXPECT_EQ(3, Tracks());

  // 50 routes and 50 tracks: more links than the slots hold. The waypoints
  // the routes hold live through them, and a restart's collection keeps
  // every record.
  DropTree();
  ASSERT_NO_FATAL_FAILURE(RoutesAndTracks(2, 50, 50));
  T_NAV_vInitTracksWaypointsRoutes();
  EXPECT_EQ(0u, T_NAV_GROUP_DATA_u32Unplaced());
  T_NAV_vInitTracksWaypointsRoutes();
  EXPECT_EQ(2767, T_NAV_TWR_nGetWaypointCount());
  EXPECT_EQ(50, Routes());
  EXPECT_EQ(50, Tracks());

  // 2,900 waypoints alone leave 100 slots: the root, the lock body and 98
  // bodies link 1,176 of them. The other 1,724 stay, with their files.
  DropTree();
  std::filesystem::remove_all(Dir("routes"));
  std::filesystem::remove_all(Dir("tracks"));
  T_NAV_NVRAM_vInit();
  ASSERT_NO_FATAL_FAILURE(Waypoints(2767, 2900));
  T_NAV_vInitTracksWaypointsRoutes();
  EXPECT_EQ(2900, T_NAV_TWR_nGetWaypointCount());
  EXPECT_EQ(1724u, T_NAV_GROUP_DATA_u32Unplaced());
  for (U16 i = 0; i < 2900; i += 97) EXPECT_TRUE(Exists(File("wpts", i))) << i;
}

// Waypoints in the lowest slots put a rebuilt root above them; a start
// that looks at every slot finds it there again and keeps the groups.
TEST_F(NavStore, ARootAboveWaypointsKeepsItsGroupsAndNoRootMeansAFlatRebuild) {
  DropTree();
  for (U16 i = 0; i < 20; i++) {
    WAYPOINT w = NAVTEST_Waypoint(i, 0, "LOW");
    w.u32DateTime = 1000u + i;
    ASSERT_TRUE(T_NAV_NVRAM_bSaveWaypoint(&w, i, FALSE));
  }
  T_NAV_vInitTracksWaypointsRoutes();
  const U16 root = T_NAV_GROUP_DATA_nGetRootGroup();
  ASSERT_EQ(0xC014, root);
  for (U16 i = 0; i < 20; i++) EXPECT_TRUE(T_NAV_GROUP_DATA_bIsInAnyGroup(i)) << i;
  const U16 g = NewGroup("G");
  ASSERT_TRUE(T_NAV_GROUP_DATA_bAddLink(root, g));
  ASSERT_TRUE(T_NAV_GROUP_DATA_bRemoveLink(root, 5));
  ASSERT_TRUE(T_NAV_GROUP_DATA_bAddLink(g, 5));
  T_NAV_vInitTracksWaypointsRoutes();
  EXPECT_EQ(root, T_NAV_GROUP_DATA_nGetRootGroup());
  EXPECT_EQ(WPT_STATUS_GROUP_HEADER, Slot(g & 0x0FFF).sHeader.u8Status);
  EXPECT_EQ(5, Slot(Slot(g & 0x0FFF).sHeader.u16FirstBodyIndex & 0x0FFF).sBody.u16Item[0]);

  // Without the root's header the groups go and every item hangs from a new
  // root.
  unlink(File("wpts", root & 0x0FFF).c_str());
  T_NAV_vInitTracksWaypointsRoutes();
  EXPECT_EQ(WPT_STATUS_FREE, Slot(g & 0x0FFF).sHeader.u8Status);
  EXPECT_FALSE(Exists(File("wpts", g & 0x0FFF)));
  for (U16 i = 0; i < 20; i++) EXPECT_TRUE(T_NAV_GROUP_DATA_bIsInAnyGroup(i)) << i;
}

TEST_F(NavStore, GroupSlotsKeepOffTheSeparatorAndRouteSidesAreCounted) {
  State(6);  // slots, not files
  T_NAV_TWR_vSetMultiWaypointFlag(TRUE);
  for (U32 i = 0; i < 2999; i++) {
    if (i == 1500) continue;
    WAYPOINT w = NAVTEST_Waypoint((S32)i, 0, "F", WPT_STATUS_SAVED, i > 1500);
    ASSERT_TRUE(T_NAV_bSaveWaypoint(i, &w, FALSE, FALSE));
  }
  T_NAV_TWR_vSetMultiWaypointFlag(FALSE);
  T_NAV_TWR_vStatisticWaypointStore(TRUE);
  // Shared up to 1499, not-shared from 1501: the separator is 1500.
  EXPECT_EQ(65535, T_NAV_nAllocGroupSlot(FALSE));
  ASSERT_TRUE(T_NAV_bDeleteWaypoint(1498, FALSE));
  EXPECT_EQ(0xC000 | 1498, T_NAV_nAllocGroupSlot(FALSE));

  T_NAV_TWR_vStatisticRouteStore(TRUE);
  EXPECT_EQ(49, T_NAV_s16GetMinLockRouteIndex());
  EXPECT_EQ(24, T_NAV_TWR_s16GetRouteSeparator()) << "(-1 + 49) / 2";
  ROUTE r = {};
  r.u32DateTime = 1;
  ASSERT_TRUE(T_NAV_bSaveRoute(10, &r, FALSE));
  T_NAV_TWR_vStatisticRouteStore(TRUE);
  EXPECT_EQ(29, T_NAV_TWR_s16GetRouteSeparator()) << "(10 + 49) / 2";
}

TEST_F(NavStore, ARouteTakesNoFiftyFirstPointNoRepeatAndACopyFromTheOtherSide) {
  const U16 a = AddWaypoint(1), b = AddWaypoint(2), locked = AddWaypoint(3, TRUE);
  ROUTE r = {};
  r.u32DateTime = 5;
  const U16 route = (U16)(0x8800 + T_NAV_nAddRoute(&r));
  EXPECT_TRUE(T_NAV_GROUP_DATA_bAddLink(route, a));
  EXPECT_FALSE(T_NAV_GROUP_DATA_bRouteAddLink(route, a)) << "the same waypoint twice in a row";
  ASSERT_TRUE(T_NAV_GROUP_DATA_bRouteAddLink(route, locked));
  const U16 copy = T_NAV_pGetRoute(route & 0x3F)->anWaypoint[1];
  EXPECT_NE(locked, copy);
  EXPECT_FALSE(T_NAV_pGetWaypoint(copy)->bWpNotShared);
  EXPECT_TRUE(T_NAV_bWaypointCompare(T_NAV_pGetWaypoint(locked), T_NAV_pGetWaypoint(copy)));
  for (int i = 2; i < 50; i++) ASSERT_TRUE(T_NAV_GROUP_DATA_bRouteAddLink(route, i % 2 ? a : b));
  EXPECT_FALSE(T_NAV_GROUP_DATA_bRouteAddLink(route, a + b - T_NAV_pGetRoute(route & 0x3F)->anWaypoint[49]));
  EXPECT_EQ(50u, (U32)T_NAV_pGetRoute(route & 0x3F)->nCount);
}

// The live root is the header without a parent, whatever language named
// it: a start in another language finds the same root with its groups, and
// makes no second one.
TEST_F(NavStore, TheRootAndItsGroupsOutliveALanguageChange) {
  const U16 root = T_NAV_GROUP_DATA_nGetRootGroup();
  const U16 g = NewGroup("G");
  NAVTEST_vKeep(g);
  const U16 w = AddWaypoint(7);
  ASSERT_TRUE(T_NAV_GROUP_DATA_bAddLink(g, w));
  for (U32 language : {LANGUAGE_GERMAN, LANGUAGE_KOREAN, LANGUAGE_ENGLISH}) {
    SetLanguage(language);
    T_NAV_vInitTracksWaypointsRoutes();
    EXPECT_EQ(root, T_NAV_GROUP_DATA_nGetRootGroup()) << language;
    U32 roots = 0;
    for (U32 i = 0; i < NAV_MAX_WAYPOINTS; i++) {
      const GROUP_SLOT s = Slot(i);
      roots += s.sHeader.u8Status == WPT_STATUS_GROUP_HEADER && s.sHeader.u16ParentIndex == 0xFFFF;
    }
    EXPECT_EQ(1u, roots) << language;
    EXPECT_EQ(root, Slot(g & 0x0FFF).sHeader.u16ParentIndex) << language;
    EXPECT_EQ(w, Slot(Slot(g & 0x0FFF).sHeader.u16FirstBodyIndex & 0x0FFF).sBody.u16Item[0]) << language;
  }
  // Every language's Home is a whole name, terminator included.
  for (U32 language = 0; language < UI_TEXT_LANGUAGES; language++) {
    const U32 bytes =
        language < UI_TEXT_FIRST_WIDE ? (U32)strlen(Home[language]) + 1 : 2 * (U32)Units(Home[language]).size() + 2;
    EXPECT_LE(bytes, NAV_WAYPOINT_NAME_SIZE) << language;
  }
}

}  // namespace
