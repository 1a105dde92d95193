// The record files: their bytes laid out by hand from the file format, what
// the start-up reader takes, repairs and removes, the point-of-sale rule,
// the shared track buffer, and writes that a failing disk cannot half-do.

#include <dirent.h>

#include <algorithm>
#include <string>

#include "linuxsvc.h"
#include "navstore_rig.h"

namespace {

// Little-endian fields appended one by one, as the format table lists them.
struct LE {
  std::vector<U8> b;
  LE& u8(U32 v) { return b.push_back((U8)v), *this; }
  LE& u16(U32 v) { return u8(v).u8(v >> 8); }
  LE& u32(U32 v) { return u16(v).u16(v >> 16); }
  LE& text(const char* s, size_t n) {
    for (size_t i = 0; i < n; i++) u8(i < strlen(s) ? (U8)s[i] : 0);
    return *this;
  }
};

TEST_F(NavStore, ASavedWaypointFileIsItsHeadAndThe28BytesOfItsSlot) {
  WAYPOINT w = NAVTEST_Waypoint(-123456, 7654321, "ABCDEFGHIJKL", WPT_STATUS_SAVED, TRUE);
  w.bHide = 1;
  ASSERT_TRUE(T_NAV_bSaveWaypoint(17, &w, FALSE, FALSE));
  const std::vector<U8> expected = LE()
                                       .u32(0x00024210).u8(2).u8(3).u16(17)
                                       .u8(0x01 | 0x40 | 0x80).u8(3).u16(1250).u32(0x5F5E1000)
                                       .u32((U32)-123456).u32(7654321).text("ABCDEFGHIJKL", 12)
                                       .b;
  EXPECT_EQ(expected, Read(File("wpts", 17)));
  EXPECT_EQ((std::vector<U8>{0x10, 0x42, 0x02, 0x00, 0x02, 0x03, 0x11, 0x00}),
            std::vector<U8>(expected.begin(), expected.begin() + 8));
  // And it reads back whole at the next start, name to its last byte.
  NAVTEST_vKeep(17);
  T_NAV_vInitTracksWaypointsRoutes();
  EXPECT_EQ(0, memcmp(&w, T_NAV_pGetWaypoint(17), sizeof w));
  char name[20];
  T_NAV_vCopyWaypointName(17, name, sizeof name);
  EXPECT_STREQ("ABCDEFGHIJKL", name);
}

TEST_F(NavStore, TheReaderGoesByTheHeadNotTheFileName) {
  DropTree();
  Write(Dir("wpts") + "/5", NAVTEST_File(NAV_FILE_WAYPOINT, 7, NAVTEST_Waypoint(10, 20, "SEVEN")));
  Write(Dir("wpts") + "/8", NAVTEST_File(NAV_FILE_ROUTE, 8, ROUTE{}));  // a route among waypoints
  Write(Dir("wpts") + "/9", {0x11, 0x42, 0x02, 0x00, 2, 3, 9, 0});       // no record file
  Write(Dir("wpts") + "/12.tmp", NAVTEST_File(NAV_FILE_WAYPOINT, 12, NAVTEST_Waypoint(1, 2, "HALF")));
  T_NAV_vInitTracksWaypointsRoutes();
  EXPECT_STREQ("SEVEN", T_NAV_pGetWaypoint(7)->sName);
  EXPECT_EQ(WPT_STATUS_FREE, T_NAV_pGetWaypoint(5)->u8Status);
  EXPECT_EQ(WPT_STATUS_FREE, T_NAV_pGetWaypoint(8)->u8Status);
  EXPECT_EQ(WPT_STATUS_FREE, T_NAV_pGetWaypoint(12)->u8Status);
  EXPECT_TRUE(Exists(Dir("wpts") + "/8")) << "not the waypoint reader's to judge";
  EXPECT_FALSE(Exists(Dir("wpts") + "/9"));
  EXPECT_FALSE(Exists(Dir("wpts") + "/12.tmp"));
  // The reader's count: one past the highest slot it read.
  auto tables = std::make_unique<TRACK_HEADER[]>(NAV_MAX_TRACKS);
  auto slots = std::make_unique<WAYPOINT[]>(NAV_MAX_WAYPOINTS);
  auto routes = std::make_unique<ROUTE[]>(NAV_MAX_ROUTES);
  for (U32 i : {0u, 1u, 2999u}) unlink(File("wpts", i).c_str());
  S32 used = 0;
  T_NAV_NVRAM_vScan(tables.get(), slots.get(), &used, routes.get());
  EXPECT_EQ(8, used);
}

// Files of versions 1 and 2 (and above 3) are rewritten in version 3 at
// start; the record itself is the same in every version.
TEST_F(NavStore, WaypointFilesOfOtherVersionsAreRewrittenInTheCurrentOne) {
  DropTree();
  const U8 versions[] = {0, 1, 2, 3, 4};
  for (U16 i = 0; i < 5; i++) {
    std::vector<U8> file = NAVTEST_File(NAV_FILE_WAYPOINT, (U16)(100 + i), NAVTEST_Waypoint(i, 0, "OLD"));
    file[5] = versions[i];
    file[8 + 4] = (U8)(1 + i);  // dates differ: no two records are one
    Write(File("wpts", 100 + i), file);
  }
  T_NAV_vInitTracksWaypointsRoutes();
  const U8 expected[] = {0, 3, 3, 3, 3};
  for (U16 i = 0; i < 5; i++) EXPECT_EQ(expected[i], Read(File("wpts", 100 + i))[5]) << "version " << (int)versions[i];
}

// Records that would send a reader out of its tables are dropped with their
// file; small faults are repaired.
TEST_F(NavStore, LoadedRecordsAreCheckedDroppedOrRepaired) {
  WAYPOINT icon = NAVTEST_Waypoint(0, 0, "ICON");
  icon.u8Icon = 90;
  ROUTE route = {};
  route.nCount = 3;
  route.u32DateTime = 1;
  route.anWaypoint[0] = 4000;
  route.anWaypoint[1] = 65535;
  route.anWaypoint[2] = 2999;
  ROUTE tooLong = route;
  tooLong.nCount = 51;
  TRACK_HEADER track = {};
  track.u16Count = 21837;
  std::vector<U8> trackFile = NAVTEST_File(NAV_FILE_TRACK, 3, track);
  trackFile.resize(8 + sizeof(TRACK));
  std::vector<U8> shortTrack = NAVTEST_File(NAV_FILE_TRACK, 4, TRACK_HEADER{});
  std::vector<U8> shortWaypoint = NAVTEST_File(NAV_FILE_WAYPOINT, 102, NAVTEST_Waypoint(0, 0, "S"));
  shortWaypoint.pop_back();
  const struct {
    const char* dir;
    U32 name;
    std::vector<U8> bytes;
    bool kept;
  } rows[] = {
      {"wpts", 101, NAVTEST_File(NAV_FILE_WAYPOINT, 101, icon), true},
      {"wpts", 102, shortWaypoint, false},
      {"wpts", 103, NAVTEST_File(NAV_FILE_WAYPOINT, 103, NAVTEST_Waypoint(20038301, 0, "EAST")), false},
      {"wpts", 104, NAVTEST_File(NAV_FILE_WAYPOINT, 104, NAVTEST_Waypoint(0, -15433199, "SOUTH")), false},
      {"wpts", 105, NAVTEST_File(NAV_FILE_WAYPOINT, 3000, NAVTEST_Waypoint(0, 0, "FAR")), false},
      {"wpts", 106, NAVTEST_File(NAV_FILE_WAYPOINT, 106, NAVTEST_Waypoint(0, 0, "TEMP", WPT_STATUS_TEMPORARY)), false},
      {"routes", 1, NAVTEST_File(NAV_FILE_ROUTE, 1, route), true},
      {"routes", 2, NAVTEST_File(NAV_FILE_ROUTE, 2, tooLong), false},
      {"routes", 3, NAVTEST_File(NAV_FILE_ROUTE, 50, route), false},
      {"tracks", 3, trackFile, false},
      {"tracks", 4, shortTrack, false},
  };
  DropTree();
  for (const auto& row : rows) Write(File(row.dir, row.name), row.bytes);
  T_NAV_vInitTracksWaypointsRoutes();
  for (const auto& row : rows) EXPECT_EQ(row.kept, Exists(File(row.dir, row.name))) << row.dir << "/" << row.name;
  EXPECT_EQ(0, T_NAV_pGetWaypoint(101)->u8Icon);
  EXPECT_EQ(WPT_STATUS_FREE, T_NAV_pGetWaypoint(103)->u8Status);
  EXPECT_EQ(65535, T_NAV_pGetRoute(1)->anWaypoint[0]);
  EXPECT_EQ(65535, T_NAV_pGetRoute(1)->anWaypoint[1]);
  EXPECT_EQ(2999, T_NAV_pGetRoute(1)->anWaypoint[2]);
  EXPECT_EQ(0, T_NAV_pGetRoute(2)->nCount);
  EXPECT_EQ(0, T_NAV_pGetTrackHeader(3)->u16Count);
}

TEST_F(NavStore, ThePointOfSaleStateWritesOnlyWithTheOverride) {
  WAYPOINT w = NAVTEST_Waypoint(1, 2, "SHOP");
  State(6);
  ASSERT_TRUE(T_NAV_bSaveWaypoint(4, &w, FALSE, FALSE));
  EXPECT_FALSE(Exists(File("wpts", 4)));
  ASSERT_TRUE(T_NAV_bSaveWaypoint(4, &w, TRUE, FALSE));
  EXPECT_TRUE(Exists(File("wpts", 4)));
  EXPECT_TRUE(T_NAV_bDeleteWaypoint(4, FALSE));
  EXPECT_TRUE(Exists(File("wpts", 4)));
}

TEST_F(NavStore, AMissingTrackLoadsEmptyWithTheBufferLockHeld) {
  EXPECT_EQ(0, L_MUTEX_GetOwnerTaskID(RES_STATIC_TRACK));
  TRACK* t = T_NAV_NVRAM_pLoadTrack(12);
  EXPECT_EQ(0, t->sHeader.u16Count);
  EXPECT_NE(0, L_MUTEX_GetOwnerTaskID(RES_STATIC_TRACK));
  T_NAV_NVRAM_vReleaseTrack();
  EXPECT_EQ(0, L_MUTEX_GetOwnerTaskID(RES_STATIC_TRACK));
}

bool HasTemporaryFile(const std::string& dir) {
  DIR* d = opendir(dir.c_str());
  bool found = false;
  while (dirent* e = d != nullptr ? readdir(d) : nullptr) found |= strstr(e->d_name, ".tmp") != nullptr;
  if (d != nullptr) closedir(d);
  return found;
}

// Every way a disk can refuse a write, at every call of the write: the old
// record stays whole in its file and in the table, and the caller is told.
TEST_F(NavStore, AFailedWriteLeavesTheOldRecordAndSaysSo) {
  WAYPOINT old = NAVTEST_Waypoint(100, 200, "OLD");
  ASSERT_TRUE(T_NAV_bSaveWaypoint(9, &old, FALSE, FALSE));
  const std::vector<U8> before = Read(File("wpts", 9));
  WAYPOINT changed = NAVTEST_Waypoint(300, 400, "NEW");
  const FS_FAULT_KIND kinds[] = {FS_FAULT_DISK_FULL, FS_FAULT_IO_ERROR, FS_FAULT_SHORT_WRITE, FS_FAULT_READ_ONLY,
                                 FS_FAULT_NO_ACCESS};
  for (FS_FAULT_KIND kind : kinds) {
    for (U32 calls : {FS_CALL_OPEN, FS_CALL_WRITE, FS_CALL_SYNC, FS_CALL_RENAME}) {
      const FS_FAULT fault = {kind, nullptr, calls, FS_FAULT_UNTIL_CLEARED};
      FS_vSetFault(&fault);
      const BOOLEAN bSaved = T_NAV_bSaveWaypoint(9, &changed, FALSE, FALSE);
      const U16 added = T_NAV_nAddWaypoint(&changed, FALSE);
      const U32 hits = FS_u32FaultHits();
      FS_vSetFault(nullptr);
      if (hits == 0) {  // the kind does not touch these calls: all went through
        ASSERT_TRUE(T_NAV_bSaveWaypoint(9, &old, FALSE, FALSE));
        ASSERT_TRUE(T_NAV_bDeleteWaypoint(added, FALSE));
        continue;
      }
      SCOPED_TRACE(testing::Message() << "fault " << kind << " on calls " << calls);
      EXPECT_FALSE(bSaved);
      EXPECT_EQ(65535, added);
      EXPECT_EQ(before, Read(File("wpts", 9)));
      EXPECT_STREQ("OLD", T_NAV_pGetWaypoint(9)->sName);
      EXPECT_FALSE(HasTemporaryFile(Dir("wpts")));
    }
  }
  EXPECT_EQ(1, T_NAV_TWR_nGetWaypointCount());
}


// The renames and removals of record files, by name, and the forces made
// while their thread held the navigation data lock.
std::vector<std::string> s_landed;
U32 s_u32ForcedUnderLock;
std::vector<std::string> s_forced;  // temporary files, by name
U32 s_u32RenamedUnforced;
void TraceLandings(const FS_TRACE_RECORD* p) {
  const char* pcFrom = p->pcPath != nullptr ? strrchr(p->pcPath, '/') : nullptr;
  if (p->u32Call == FS_CALL_SYNC && pcFrom != nullptr) s_forced.push_back(pcFrom);
  if (p->u32Call == FS_CALL_RENAME && pcFrom != nullptr &&
      std::find(s_forced.begin(), s_forced.end(), pcFrom) == s_forced.end()) {
    s_u32RenamedUnforced++;
  }
  const char* pcName = p->u32Call == FS_CALL_RENAME && p->pcPathTo != nullptr ? strrchr(p->pcPathTo, '/')
                       : p->pcPath != nullptr                                 ? strrchr(p->pcPath, '/')
                                                                              : nullptr;
  if (p->u32Call == FS_CALL_SYNC) {
    const ERC rc = L_MUTEX_Lock(RES_NAV_DATA);
    if (rc == 0 || rc == -lsMUTEX_NESTED) L_MUTEX_Unlock(RES_NAV_DATA);
    s_u32ForcedUnderLock += rc == -lsMUTEX_NESTED;
  }
  if (pcName == nullptr || strstr(pcName, ".tmp") != nullptr) return;
  if (p->u32Call == FS_CALL_RENAME) s_landed.push_back(pcName + 1);
  if (p->u32Call == FS_CALL_UNLINK) s_landed.push_back(std::string("-") + (pcName + 1));
}

// Records changed under the navigation data lock reach their files only once
// the lock is let go, in the order they changed, none forced to the medium
// while the lock is held and none renamed into place before it was forced.
TEST_F(NavStore, ChangesUnderTheLockLandInTheirOrderOnceItIsLetGo) {
  s_landed.clear();
  s_forced.clear();
  s_u32ForcedUnderLock = 0;
  s_u32RenamedUnforced = 0;
  FS_vSetTrace(TraceLandings);
  const WAYPOINT a = NAVTEST_Waypoint(1, 1, "A"), b = NAVTEST_Waypoint(2, 2, "B"), c = NAVTEST_Waypoint(3, 3, "C"),
                 d = NAVTEST_Waypoint(4, 4, "D");
  WAYPOINT w = a;
  L_MUTEX_LockWait(RES_NAV_DATA);
  ASSERT_TRUE(T_NAV_bSaveWaypoint(5, &w, FALSE, FALSE));
  w = b;
  ASSERT_TRUE(T_NAV_bSaveWaypoint(5, &w, FALSE, FALSE));
  w = c;
  ASSERT_TRUE(T_NAV_bSaveWaypoint(6, &w, FALSE, FALSE));
  ASSERT_TRUE(T_NAV_bDeleteWaypoint(6, FALSE));
  w = d;
  ASSERT_TRUE(T_NAV_bSaveWaypoint(7, &w, FALSE, FALSE));
  EXPECT_TRUE(s_landed.empty());
  EXPECT_FALSE(Exists(File("wpts", 5)));
  L_MUTEX_Unlock(RES_NAV_DATA);
  FS_vSetTrace(nullptr);
  EXPECT_EQ((std::vector<std::string>{"5", "5", "6", "-6", "7"}), s_landed);
  EXPECT_EQ(0u, s_u32ForcedUnderLock);
  EXPECT_EQ(0u, s_u32RenamedUnforced);
  EXPECT_EQ(4u, s_forced.size());
  EXPECT_EQ(NAVTEST_File(2, 5, b), Read(File("wpts", 5)));
  EXPECT_FALSE(Exists(File("wpts", 6)));
  EXPECT_EQ(NAVTEST_File(2, 7, d), Read(File("wpts", 7)));
  EXPECT_FALSE(HasTemporaryFile(Dir("wpts")));
}

}  // namespace
