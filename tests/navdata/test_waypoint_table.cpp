// The waypoint table: the slot policy around the separator, compaction, a
// store rebuilt from its files, default names, temporary waypoints, hashes,
// declutter, the nearby search and item ids. Slots and distances are worked
// by hand, the hash with Python's binascii.

#include <random>

#include "navstore_rig.h"

namespace {

// Saves shared waypoints into [sharedFrom, sharedTo] and not-shared ones into
// [lockedFrom, lockedTo] straight into their slots, then counts the sides.
void Fill(S32 sharedFrom, S32 sharedTo, S32 lockedFrom, S32 lockedTo) {
  T_NAV_TWR_vSetMultiWaypointFlag(TRUE);
  for (S32 i = sharedFrom; i <= sharedTo; i++) {
    WAYPOINT w = NAVTEST_Waypoint(i, 0, "S");
    ASSERT_TRUE(T_NAV_bSaveWaypoint((U32)i, &w, FALSE, FALSE));
  }
  for (S32 i = lockedFrom; i <= lockedTo; i++) {
    WAYPOINT w = NAVTEST_Waypoint(i, 0, "L", WPT_STATUS_SAVED, TRUE);
    ASSERT_TRUE(T_NAV_bSaveWaypoint((U32)i, &w, FALSE, FALSE));
  }
  T_NAV_TWR_vSetMultiWaypointFlag(FALSE);
  T_NAV_TWR_vStatisticWaypointStore(TRUE);
}

S32 Separator() {
  NAV_SLOT_POLICY policy;
  T_NAV_TWR_vGetSlotPolicy(&policy);
  return policy.nSeparator;
}

U16 Add(U8 status, BOOLEAN bNotShared) {
  WAYPOINT w = NAVTEST_Waypoint(5, 5, "ADD", status, bNotShared);
  return T_NAV_nAddWaypoint(&w, FALSE);
}

// Shared 0-1493 and not-shared 1507-2998 put the separator at
// (1507 + 1493) / 2 = 1500 with only the guard bands free.
TEST_F(NavStore, OrdinaryWaypointsKeepOutOfTheGuardBandsAndStatus3MayUseThem) {
  State(6);  // no files: the test is about slots
  Fill(0, 1493, 1507, 2998);
  ASSERT_EQ(1500, Separator());
  EXPECT_EQ(65535, Add(WPT_STATUS_SAVED, FALSE));
  EXPECT_EQ(65535, Add(WPT_STATUS_TEMPORARY, TRUE));
  EXPECT_EQ(1500, Separator()) << "nothing could move";
  for (U16 slot = 1494; slot <= 1499; slot++) EXPECT_EQ(slot, Add(WPT_STATUS_SAVED_2, FALSE));
  for (U16 slot = 1506; slot >= 1501; slot--) EXPECT_EQ(slot, Add(WPT_STATUS_SAVED_2, TRUE));
  EXPECT_EQ(WPT_STATUS_FREE, T_NAV_pGetWaypoint(1500)->u8Status);
}

TEST_F(NavStore, AFullSideMovesTheOtherSideAwayAndTheRoutesFollow) {
  State(6);
  Fill(0, 1493, 1507, 1507);
  ASSERT_EQ(1500, Separator());
  ROUTE r = {};
  r.nCount = 2;
  r.u32DateTime = 7;
  r.anWaypoint[0] = 3;
  r.anWaypoint[1] = 1507;
  ASSERT_NE(65535, T_NAV_nAddRoute(&r));
  EXPECT_EQ(1494, Add(WPT_STATUS_SAVED, FALSE));
  // The not-shared waypoint went to the top free slot; the separator lies
  // halfway between the sides: (2998 + 1494) / 2 at the next count.
  EXPECT_STREQ("L", T_NAV_pGetWaypoint(2998)->sName);
  EXPECT_EQ(WPT_STATUS_FREE, T_NAV_pGetWaypoint(1507)->u8Status);
  EXPECT_EQ(2998, T_NAV_pGetRoute(0)->anWaypoint[1]);
  EXPECT_EQ(3, T_NAV_pGetRoute(0)->anWaypoint[0]);
  T_NAV_TWR_vStatisticWaypointStore(TRUE);
  EXPECT_EQ(2246, Separator());
}

// Waypoints added until the table is full and linked into the root, which
// takes a body for every twelve: whatever the adds and links made, the
// collection keeps what is linked and a restart gives the same table back.
TEST_F(NavStore, AStoreOfMixedAddsComesBackWholeFromItsFiles) {
  std::mt19937 random(3000);
  T_NAV_TWR_vSetMultiWaypointFlag(TRUE);
  int added = 0;
  const U16 root = T_NAV_GROUP_DATA_nGetRootGroup();
  for (int i = 0; i < 3000; i++) {
    const U8 status = random() % 10 == 0 ? WPT_STATUS_SAVED_2 : WPT_STATUS_SAVED;
    WAYPOINT w = NAVTEST_Waypoint((S32)(random() % 2000000) - 1000000, (S32)(random() % 2000000), "",
                                  status, random() % 3 == 0);
    w.u32DateTime = (U32)i + 1;
    const U16 slot = T_NAV_nAddWaypoint(&w, FALSE);
    added += slot != 65535 && T_NAV_GROUP_DATA_bAddLink(root, slot);
  }
  T_NAV_TWR_vSetMultiWaypointFlag(FALSE);
  T_NAV_GROUP_DATA_vScanGroupForGarbageCollection(root);
  T_NAV_TWR_vStatisticWaypointStore(TRUE);
  // 2,997 slots hold n waypoints and n / 12 bodies at best: 2,766.
  EXPECT_GT(added, 2700);
  std::vector<WAYPOINT> table(NAV_MAX_WAYPOINTS);
  for (U32 i = 0; i < NAV_MAX_WAYPOINTS; i++) table[i] = *T_NAV_pGetWaypoint(i);
  const std::vector<U16> hashes(T_NAV_TWR_pu16GetWaypointsHash(), T_NAV_TWR_pu16GetWaypointsHash() + NAV_MAX_WAYPOINTS);
  NAV_SLOT_POLICY live;
  T_NAV_TWR_vGetSlotPolicy(&live);

  T_NAV_vInitTracksWaypointsRoutes();
  NAV_SLOT_POLICY restarted;
  T_NAV_TWR_vGetSlotPolicy(&restarted);
  for (U32 i = 0; i < NAV_MAX_WAYPOINTS; i++) {
    const WAYPOINT* w = T_NAV_pGetWaypoint(i);
    ASSERT_EQ(table[i].u8Status, w->u8Status) << i;
    if (w->u8Status != WPT_STATUS_FREE) {
      ASSERT_EQ(0, memcmp(&table[i], w, sizeof *w)) << i;
    }
  }
  EXPECT_EQ(hashes, std::vector<U16>(T_NAV_TWR_pu16GetWaypointsHash(), T_NAV_TWR_pu16GetWaypointsHash() + NAV_MAX_WAYPOINTS));
  EXPECT_EQ(live.nMaxUsed, restarted.nMaxUsed);
  EXPECT_EQ(live.nSeparator, restarted.nSeparator);
  EXPECT_EQ(live.nUsed, restarted.nUsed);
  EXPECT_EQ(added, restarted.nShared + restarted.nLocked);
}

TEST_F(NavStore, AnEmptyNameTakesTheNextDefaultNameUnlessImported) {
  WAYPOINT w = NAVTEST_Waypoint(1, 1, "");
  EXPECT_STREQ("WP001", T_NAV_pGetWaypoint(T_NAV_nAddWaypoint(&w, FALSE))->sName);
  EXPECT_STREQ("WP002", T_NAV_pGetWaypoint(T_NAV_nAddWaypoint(&w, FALSE))->sName);
  EXPECT_STREQ("", T_NAV_pGetWaypoint(T_NAV_nAddWaypoint(&w, TRUE))->sName);
  WAYPOINT named = NAVTEST_Waypoint(1, 1, "WP0041");
  T_NAV_nAddWaypoint(&named, FALSE);
  H_DATABASE_bUpdateValueBoolean(FCID("SICE"), TRUE, P_NORMAL);
  EXPECT_STREQ("IC042", T_NAV_pGetWaypoint(T_NAV_nAddWaypoint(&w, FALSE))->sName);
  S32 counter = 0;
  EXPECT_TRUE(H_DATABASE_bFetchS32(FCID("SWID"), &counter, nullptr, nullptr));
  EXPECT_EQ(42, counter);
}

TEST_F(NavStore, ATemporaryWaypointIsWrittenOnlyOnceMadePermanent) {
  WAYPOINT w = NAVTEST_Waypoint(100000, -200000, "ABCDEFGHIJKL", WPT_STATUS_TEMPORARY);
  const U16 slot = T_NAV_nAddWaypoint(&w, FALSE);
  ASSERT_NE(65535, slot);
  EXPECT_FALSE(Exists(File("wpts", slot)));
  EXPECT_EQ(0, T_NAV_TWR_pu16GetWaypointsHash()[slot]);
  ASSERT_TRUE(T_NAV_bMakeWaypointPermanent(slot));
  EXPECT_TRUE(Exists(File("wpts", slot)));
  // The register of the CRC-16 without augmentation: binascii.crc_hqx of the
  // first 26 bytes, xor the last two as a big-endian word.
  EXPECT_EQ(0x7E9B, T_NAV_TWR_pu16GetWaypointsHash()[slot]);
  EXPECT_FALSE(T_NAV_bClearTemporaryWaypoint(slot)) << "no longer temporary";
}

TEST_F(NavStore, DeletingTheTopSlotLowersTheMaxUsedIndexByOne) {
  T_NAV_vFreeGroupSlot(0xCFFF);  // the root's lock body held the top slot
  EXPECT_EQ(2999, T_NAV_TWR_u16GetMaxUsedWaypoint());
  WAYPOINT w = NAVTEST_Waypoint(1, 1, "X");
  ASSERT_TRUE(T_NAV_bSaveWaypoint(2990, &w, FALSE, FALSE));
  ASSERT_TRUE(T_NAV_bSaveWaypoint(2998, &w, FALSE, FALSE));
  EXPECT_EQ(2999, T_NAV_TWR_u16GetMaxUsedWaypoint());
  EXPECT_TRUE(T_NAV_bDeleteWaypoint(2998, FALSE));
  EXPECT_FALSE(Exists(File("wpts", 2998)));
  EXPECT_EQ(2998, T_NAV_TWR_u16GetMaxUsedWaypoint());
  EXPECT_TRUE(T_NAV_bDeleteWaypoint(2990, FALSE));
  EXPECT_EQ(2998, T_NAV_TWR_u16GetMaxUsedWaypoint());
  EXPECT_FALSE(T_NAV_bDeleteWaypoint(2990, FALSE)) << "already free";
}

// Zoom 12: a metre is a pixel, 800 m the reach, icons 24 pixels: within 36
// pixels both ways the icons overlap.
TEST_F(NavStore, DeclutterMarksOverlapsAndTheDistanceToTheNextIconEast) {
  H_DATABASE_bUpdateValueS32(FCID("SNCS"), 12, P_NORMAL);
  const POINT at[] = {{0, 0}, {10, 5}, {1000, 0}, {1100, 20}, {5000, 500}, {20038290, 9000}, {-20038290, 9000}};
  for (U32 i = 0; i < sizeof at / sizeof at[0]; i++) {
    WAYPOINT w = NAVTEST_Waypoint(at[i].x, at[i].y, "D");
    ASSERT_TRUE(T_NAV_bSaveWaypoint(i, &w, FALSE, FALSE));
  }
  T_NAV_TWR_vInitialScan();
  const S32* d = T_NAV_TWR_pGetDeclutterWaypointTable(FALSE);
  EXPECT_EQ(-1, d[0]);
  EXPECT_EQ(-1, d[1]);
  EXPECT_EQ(100, d[2]);
  EXPECT_EQ(NAV_DECLUTTER_NONE, d[3]);
  EXPECT_EQ(NAV_DECLUTTER_NONE, d[4]);
  EXPECT_EQ(-1, d[5]) << "20 m apart across the seam";
  EXPECT_EQ(-1, d[6]);
}

TEST_F(NavStore, TheNearbySearchTakesTheNearestInsideTheSquare) {
  const POINT at[] = {{100, 0}, {0, 90}, {500, 500}, {-20038250, 7}};
  for (U32 i = 0; i < sizeof at / sizeof at[0]; i++) {
    WAYPOINT w = NAVTEST_Waypoint(at[i].x, at[i].y, "N");
    ASSERT_TRUE(T_NAV_bSaveWaypoint(i, &w, FALSE, FALSE));
  }
  EXPECT_EQ(1, T_NAV_nFindNearbyWaypoint({0, 0}, 200, 50, 0));
  EXPECT_EQ(65535, T_NAV_nFindNearbyWaypoint({0, 0}, 80, 80, 0));
  EXPECT_EQ(3, T_NAV_nFindNearbyWaypoint({20038250, 0}, 150, 0, 0)) << "100 m east across the seam";
  EXPECT_EQ(2, T_NAV_nFindWaypointAtPosition({500, 500}, FALSE));
}

TEST(ItemIds, KindAndIndexComeFromTheTopBits) {
  const struct {
    U16 id;
    NAV_ITEM_KIND kind;
    U16 index;
  } rows[] = {
      {0x0000, NAV_ITEM_WAYPOINT, 0},    {0x0BB7, NAV_ITEM_WAYPOINT, 2999}, {0x0BB8, NAV_ITEM_INVALID, 65535},
      {0xCFFF, NAV_ITEM_GROUP, 2999},    {0xC005, NAV_ITEM_GROUP, 5},       {0xD005, NAV_ITEM_INVALID, 65535},
      {0xE005, NAV_ITEM_INVALID, 65535}, {0xCBB8, NAV_ITEM_INVALID, 65535}, {0x8805, NAV_ITEM_ROUTE, 5},
      {0x9805, NAV_ITEM_INVALID, 65535}, {0xA805, NAV_ITEM_INVALID, 65535}, {0x8832, NAV_ITEM_INVALID, 65535},
      {0x8045, NAV_ITEM_TRACK, 5},       {0x9071, NAV_ITEM_TRACK, 49},      {0x4000, NAV_ITEM_INVALID, 65535},
      {0xFFFF, NAV_ITEM_NONE, 65535},
  };
  for (const auto& row : rows) {
    U16 index = 1234;
    EXPECT_EQ(row.kind, T_NAV_RECORDS_eItemKind(row.id, &index)) << std::hex << row.id;
    EXPECT_EQ(row.index, index) << std::hex << row.id;
  }
}

}  // namespace
