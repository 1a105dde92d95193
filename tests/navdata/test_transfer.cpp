// The transfer stream: records laid out by hand, headers split across
// blocks, the stream without groups, old record versions, a full store
// round trip checked against an independent decoder, transfers that break
// off, an import killed at random moments, and the synchronisation block's
// CRC against Python's binascii.

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <random>

#include "linuxsvc.h"
#include "navstore_rig.h"
#include "t_nav_data.h"
#include "t_nav_store_hooks.h"
#include "test_timing.h"
#include "text_util.h"
#include "u_language.h"

namespace {

typedef std::map<std::string, std::vector<U8>> FILES;

// The choice for export as the manager hands it over: taken once.
std::vector<U16> s_au16Chosen;
void TakeChosen(SELECT_EXPORT_DATA* p) {
  p->SelectedExportCount = (U32)s_au16Chosen.size();
  std::copy(s_au16Chosen.begin(), s_au16Chosen.end(), p->SelectedExportIDs);
  s_au16Chosen.clear();
}

std::vector<U8> Export(U32 (*pfProducer)(U8*, void*)) {
  T_NAV_DATA_vFillBufferInit();
  std::vector<U8> stream;
  U8 segment[NAV_DATA_SEGMENT_SIZE];
  for (U32 n; (n = pfProducer(segment, nullptr)) != 0;) {
    EXPECT_LE(n, NAV_DATA_SEGMENT_SIZE);
    stream.insert(stream.end(), segment, segment + n);
  }
  T_NAV_DATA_vFillBufferEnd();
  return stream;
}

// Feeds the stream in blocks of that size, the last filled with 0x1A as the
// transport fills it; ends the import as complete.
BOOLEAN Import(const std::vector<U8>& stream, U32 block) {
  T_NAV_DATA_vSaveBufferInit();
  std::vector<U8> segment(block);
  for (size_t at = 0; at < stream.size(); at += block) {
    const size_t n = std::min<size_t>(block, stream.size() - at);
    memcpy(segment.data(), stream.data() + at, n);
    memset(segment.data() + n, 0x1A, block - n);
    T_NAV_DATA_vSaveBufferSegment(block, segment.data(), nullptr);
  }
  return T_NAV_DATA_bSaveBufferEnd(TRUE);
}

// Every record file of the store under a rig.
FILES Files(const std::string& root) {
  FILES files;
  for (const char* dir : {"wpts", "routes", "tracks"}) {
    const std::string path = root + "/usr/velmora/" + dir;
    if (!std::filesystem::exists(path)) continue;
    for (const auto& e : std::filesystem::directory_iterator(path)) {
      files[std::string(dir) + "/" + e.path().filename().string()] = NavStore::Read(e.path().string());
    }
  }
  return files;
}

// A store under a rig of its own, made the live one.
void UseRig(const std::string& root) {
  std::filesystem::create_directories(root);
  setenv("VELMORA_DEVROOT", root.c_str(), 1);
  T_NAV_vInitTracksWaypointsRoutes();
}

// Waypoints linked into the root (every third one not shared): the first
// hundred, then routes of 50 of them and tracks of `points` points, then
// more until the table takes no more; every record in its file.
void FillStore(U32 waypoints, U32 routes, U32 tracks, U32 points) {
  const U16 root = T_NAV_GROUP_DATA_nGetRootGroup();
  std::vector<U16> slots[2];
  auto AddWaypoints = [&](U32 from, U32 to) {
    for (U32 i = from; i < to; i++) {
      char name[12];
      snprintf(name, sizeof name, "F%u", i);
      WAYPOINT w = NAVTEST_Waypoint((S32)(i * 977 % 2000000), (S32)(i * 331 % 1000000), name, WPT_STATUS_SAVED,
                                    i % 3 == 0);
      w.u8Icon = (U8)(i % 83);
      w.u32DateTime = 1000 + i;
      U16 slot = T_NAV_nAddWaypoint(&w, TRUE);
      // Past the guard bands the second kind of saved waypoint still fits.
      if (slot == 65535) {
        w.u8Status = WPT_STATUS_SAVED_2;
        slot = T_NAV_nAddWaypoint(&w, TRUE);
      }
      if (slot == 65535) return;
      if (!T_NAV_GROUP_DATA_bAddLink(root, slot)) {
        T_NAV_bDeleteWaypoint(slot, FALSE);
        return;
      }
      slots[i % 3 == 0].push_back(slot);
    }
  };
  H_DATABASE_bUpdateValueU32(FCID("CCST"), 6, P_HIGHEST);  // files once, at the end
  AddWaypoints(0, std::min(waypoints, 100u));
  // Fifty routes fill every slot, the one between the sides too.
  T_NAV_TWR_bDisableShareLockSeperator(TRUE);
  for (U32 r = 0; r < routes; r++) {
    ROUTE route = {};
    route.bRtNotShared = r % 5 == 0;
    const std::vector<U16>& side = slots[route.bRtNotShared];
    route.nCount = 50;
    route.u32DateTime = 500 + r;
    snprintf(route.sName, sizeof route.sName, "ROUTE %u", r);
    for (U32 k = 0; k < 50; k++) route.anWaypoint[k] = side[(r * 7 + k) % side.size()];
    const U16 index = T_NAV_nAddRoute(&route);
    ASSERT_NE(65535, index);
    ASSERT_TRUE(T_NAV_GROUP_DATA_bAddLink(root, (U16)(0x8800 + index)));
  }
  T_NAV_TWR_bDisableShareLockSeperator(FALSE);
  T_NAV_TWR_vStatisticRouteStore(TRUE);
  H_DATABASE_bUpdateValueU32(FCID("CCST"), 3, P_HIGHEST);
  static TRACK s_track;
  for (U32 t = 0; t < tracks; t++) {
    U_NAV_vClearTrack(&s_track.sHeader);
    for (S32 i = 0; i < (S32)points; i++) {
      U_NAV_vAddTrackPoint(&s_track, {(S32)(t * 100000) + i * 3, i % 97 * 5}, (U16)i, i % 1000 == 999);
    }
    const U16 index = T_NAV_nAddTrack(&s_track, 2000 + t, nullptr, FALSE);
    ASSERT_EQ(t, index);
    ASSERT_TRUE(T_NAV_GROUP_DATA_bAddLink(root, NAVTEST_u16Track(index)));
  }
  H_DATABASE_bUpdateValueU32(FCID("CCST"), 6, P_HIGHEST);
  AddWaypoints(100, waypoints);
  H_DATABASE_bUpdateValueU32(FCID("CCST"), 3, P_HIGHEST);
  T_NAV_vSolidStoreAllWaypointsRoutes();
}

std::string RunPython(const std::string& args) {
  std::string out;
  FILE* p = popen((std::string(VELMORA_PYTHON_PATH) + " " + args + " 2>&1").c_str(), "r");
  char line[512];
  while (p != nullptr && fgets(line, sizeof line, p) != nullptr) out += line;
  const int status = p != nullptr ? pclose(p) : -1;
  EXPECT_EQ(0, status) << out;
  return out;
}

TEST_F(NavStore, AStoreWithoutWaypointsExportsNothingAndOneWaypointIts36Bytes) {
  EXPECT_TRUE(Export(T_NAV_DATA_u32FillNoGroupBufferSegment).empty());
  EXPECT_EQ(0, L_MUTEX_GetOwnerTaskID(RES_NAV_DATA));
  WAYPOINT w = NAVTEST_Waypoint(-123456, 7654321, "ABCDEFGHIJKL");
  const U16 slot = T_NAV_nAddWaypoint(&w, TRUE);
  ASSERT_EQ(2, slot);
  const std::vector<U8> expected = {2,    3,    0,    36,   0,    2,    0,    0,     // type, version, size, index
                                    0x01, 3,    0x04, 0xE2,                          // status, icon, depth 1250
                                    0x5F, 0x5E, 0x10, 0x00,                          // date
                                    0xFF, 0xFE, 0x1D, 0xC0, 0x00, 0x74, 0xCB, 0xB1,  // x -123456, y 7654321
                                    'A',  'B',  'C',  'D',  'E',  'F',  'G',  'H',  'I', 'J', 'K', 'L'};
  EXPECT_EQ(expected, Export(T_NAV_DATA_u32FillNoGroupBufferSegment));
}

TEST_F(NavStore, TheStreamWithoutGroupsCarriesNoGroupSlotHideBitOrNewerIcon) {
  WAYPOINT w = NAVTEST_Waypoint(1, 1, "HIDDEN");
  w.bHide = 1;
  w.u8Icon = 50;
  NAVTEST_vKeep(T_NAV_nAddWaypoint(&w, TRUE));
  const std::vector<U8> stream = Export(T_NAV_DATA_u32FillNoGroupBufferSegment);
  ASSERT_EQ(36u, stream.size());
  EXPECT_EQ(0x01, stream[8]) << "status 1, hide bit clear";
  EXPECT_EQ(0, stream[9]) << "icon 50 is newer than the 31 the stream shows";
  // The full stream has the root's three slots too.
  EXPECT_EQ(4 * 36u, Export(T_NAV_DATA_u32FillBufferSegment).size());
}

// Three waypoint records in two pieces, the second record's header cut
// after k bytes.
TEST_F(NavStore, AHeaderSplitAfterAnyByteIsPutTogether) {
  for (S32 i = 0; i < 3; i++) {
    WAYPOINT w = NAVTEST_Waypoint(i * 1000, -i, "SPLIT");
    NAVTEST_vKeep(T_NAV_nAddWaypoint(&w, TRUE));
  }
  const std::vector<U8> stream = Export(T_NAV_DATA_u32FillNoGroupBufferSegment);
  ASSERT_EQ(108u, stream.size());
  const FILES before = Files(m_root);
  for (U32 k = 1; k <= 7; k++) {
    T_NAV_DATA_vSaveBufferInit();
    std::vector<U8> piece(stream.begin(), stream.begin() + 36 + k);
    T_NAV_DATA_vSaveBufferSegment((U32)piece.size(), piece.data(), nullptr);
    piece.assign(stream.begin() + 36 + k, stream.end());
    T_NAV_DATA_vSaveBufferSegment((U32)piece.size(), piece.data(), nullptr);
    ASSERT_TRUE(T_NAV_DATA_bSaveBufferEnd(TRUE)) << k;
    EXPECT_TRUE(before == Files(m_root)) << k;
  }
}

// A whole transfer of a stream cut inside its last record, wherever the cut
// falls (in the header, in the body, just before a block's end or after it,
// where the fill completes the record): the records before the cut are
// taken and the cut one is counted as not taken, as a record that fails its
// check is. A fill that is followed by data is no cut stream.
TEST_F(NavStore, AStreamCutInsideItsLastRecordIsTakenWithoutIt) {
  for (S32 i = 0; i < 40; i++) {
    WAYPOINT w = NAVTEST_Waypoint(i * 1000, -i, "CUT");
    NAVTEST_vKeep(T_NAV_nAddWaypoint(&w, TRUE));
  }
  const std::vector<U8> stream = Export(T_NAV_DATA_u32FillNoGroupBufferSegment);
  ASSERT_EQ(40 * 36u, stream.size());
  // 1,023 and 1,025 bytes both cut the 29th record: 28 whole ones before it.
  for (U32 cut = 28 * 36 + 1; cut < 29 * 36; cut++) {
    ASSERT_TRUE(Import(std::vector<U8>(stream.begin(), stream.begin() + cut), 1024)) << cut;
    EXPECT_EQ(28, T_NAV_TWR_nGetWaypointCount()) << cut;
    EXPECT_EQ(1u, T_NAV_DATA_u32RecordsNotTaken()) << cut;
  }
  ASSERT_TRUE(Import(std::vector<U8>(stream.begin(), stream.begin() + 36 * 36), 1024));
  EXPECT_EQ(36, T_NAV_TWR_nGetWaypointCount());
  EXPECT_EQ(0u, T_NAV_DATA_u32RecordsNotTaken());

  // The unit's own stream whose last record ends in the fill byte as it is:
  // a 50-point route whose last point is slot 26 (0x001A) comes back whole.
  ASSERT_EQ(WPT_STATUS_SAVED, T_NAV_pGetWaypoint(26)->u8Status);
  ROUTE route = {};
  route.nCount = 50;
  route.u32DateTime = 9;
  for (U32 k = 0; k < 50; k++) route.anWaypoint[k] = (U16)(k % 2 ? 26 : 27);
  NAVTEST_vKeep((U16)(0x8800 + T_NAV_nAddRoute(&route)));
  const std::vector<U8> own = Export(T_NAV_DATA_u32FillBufferSegment);
  ASSERT_EQ(0x1A, own.back());
  const FILES before = Files(m_root);
  ASSERT_TRUE(Import(own, 1024));
  EXPECT_EQ(0u, T_NAV_DATA_u32RecordsNotTaken());
  EXPECT_TRUE(before == Files(m_root));
  // Cut by its last byte, the fill completes the route's last point: that
  // route is as the stream gave it, the only reading the bytes allow.
  ASSERT_TRUE(Import(std::vector<U8>(own.begin(), own.end() - 1), 1024));
  EXPECT_EQ(0u, T_NAV_DATA_u32RecordsNotTaken());
  EXPECT_TRUE(before == Files(m_root));
  ASSERT_TRUE(Import(std::vector<U8>(stream.begin(), stream.begin() + 36 * 36), 1024));

  // A record cut two bytes in, the block padded out, then the stream again.
  std::vector<U8> filled(1024 + stream.size() - 28 * 36, 0x1A);
  std::copy(stream.begin(), stream.begin() + 28 * 36 + 2, filled.begin());
  std::copy(stream.begin() + 28 * 36, stream.end(), filled.begin() + 1024);
  EXPECT_FALSE(Import(filled, 1024));
  EXPECT_EQ(36, T_NAV_TWR_nGetWaypointCount());
}

// A stream of waypoint records in slots 0 up, without a tree: the new tree's
// links need slots of the same table.
std::vector<U8> Waypoints(U32 count) {
  std::vector<U8> stream;
  for (U32 i = 0; i < count; i++) {
    const U8 x = (U8)(i >> 8), y = (U8)i;
    const std::vector<U8> record = {2, 3, 0, 36, x, y, 0, 0, 1, 3, 0, 0, 0, 0, 1, 0, 0, 0, x, y, 0, 0, 0, 9, 'P', x, y};
    stream.insert(stream.end(), record.begin(), record.end());
    stream.resize(stream.size() + 9, 0);
  }
  return stream;
}

// An import takes what the table can hold with the tree that links it, and
// says how many records it did not take: 2,767 waypoints fill the 3,000
// slots with the 231 bodies that link them, the root and the lock body. Of
// 3,100, a hundred have no slot and slot 2999 is the lock body's.
TEST_F(NavStore, AnImportTakesWhatItsTreeCanLinkAndCountsTheRest) {
  for (U32 sent : {2900u, 3100u}) {
    ASSERT_TRUE(Import(Waypoints(sent), 1024)) << sent;
    EXPECT_EQ(2767, T_NAV_TWR_nGetWaypointCount()) << sent;
    EXPECT_EQ(sent - 2767, T_NAV_DATA_u32RecordsNotTaken()) << sent;
  }
  ASSERT_TRUE(Import(Waypoints(2767), 1024));
  EXPECT_EQ(0u, T_NAV_DATA_u32RecordsNotTaken());
  EXPECT_EQ(3000, T_NAV_TWR_nGetWaypointCount() + T_NAV_TWR_nGetGroupTotalCount());
  T_NAV_vInitTracksWaypointsRoutes();
  EXPECT_EQ(2767, T_NAV_TWR_nGetWaypointCount()) << "after a restart";
}

// A version-1 route of 12 points: count, date, 20 points, 20 name bytes.
TEST_F(NavStore, AnOldRouteImportsWithItsTwentyPointsAndZerosAfter) {
  std::vector<U8> stream = {3, 1, 0, 76, 0, 7, 0, 0, 0, 0, 0, 12, 0, 0, 1, 0};
  for (U16 i = 0; i < 20; i++) stream.insert(stream.end(), {(U8)0, (U8)(3 * (i + 1))});
  const char name[20] = "OLD ROUTE";
  stream.insert(stream.end(), name, name + 20);
  ASSERT_TRUE(Import(stream, 1024));
  const ROUTE* r = T_NAV_pGetRoute(7);
  EXPECT_EQ(12u, (U32)r->nCount);
  EXPECT_EQ(256u, r->u32DateTime);
  EXPECT_EQ(0u, (U32)r->bHide + r->bRtNotShared);
  EXPECT_STREQ("OLD ROUTE", r->sName);
  for (U32 i = 0; i < 12; i++) EXPECT_EQ(3 * (i + 1), r->anWaypoint[i]) << i;
  for (U32 i = 20; i < 50; i++) EXPECT_EQ(0, r->anWaypoint[i]) << i;
}

// A version-2 track of 600 pairs whose ring starts at entry 1,500 of 1,999:
// the points come back oldest first, summed here from the pairs. As for
// every track, the first 600 pairs of the array travel big-endian and the
// rest as they are.
TEST_F(NavStore, AnOldTrackImportsInTimeOrder) {
  const POINT first = {1000, 2000};
  auto pair = [](U32 j) { return POINT{(S32)(j % 11) - 5, (S32)(j % 7) - 3}; };
  std::vector<U8> body(8040, 0);
  auto be = [&](U32 at, U32 v, U32 bytes) {
    for (U32 i = 0; i < bytes; i++) body[at + i] = (U8)(v >> (8 * (bytes - 1 - i)));
  };
  be(0, 600, 2);
  be(2, 1500, 2);
  be(4, 77, 4);
  be(8, (U32)first.x, 4);
  be(12, (U32)first.y, 4);
  be(16, 5, 4);
  be(20, 6, 4);
  for (U32 j = 0; j < 1999; j++) {
    be(24 + 4 * j, (U16)pair(j).x, 2);
    be(26 + 4 * j, (U16)pair(j).y, 2);
    if (j >= 600) std::swap(body[24 + 4 * j], body[25 + 4 * j]), std::swap(body[26 + 4 * j], body[27 + 4 * j]);
  }
  memcpy(&body[8020], "V2", 2);
  std::vector<U8> stream = {1, 2, 0x1F, 0x70, 0, 4, 0, 0};  // size 8,048
  stream.insert(stream.end(), body.begin(), body.end());
  ASSERT_TRUE(Import(stream, 128));
  const TRACK_HEADER* h = T_NAV_pGetTrackHeader(4);
  ASSERT_EQ(600, h->u16Count);
  EXPECT_EQ(0, h->u16FirstDelta);
  EXPECT_STREQ("V2", h->sName);
  const TRACK* t = T_NAV_NVRAM_pLoadTrack(4);
  U16 it = 0, depth = 1;
  POINT at, expected = first;
  for (U32 i = 0; i < 600; i++) {
    ASSERT_NE(TRACKPOINT_INVALID, U_NAV_eScanTrack(t, &it, &at, &depth)) << i;
    ASSERT_EQ(expected.x, at.x) << i;
    ASSERT_EQ(expected.y, at.y) << i;
    EXPECT_EQ(0, depth);
    EXPECT_TRUE(at.x >= h->ptLowerLeft.x && at.x <= h->ptUpperRight.x && at.y >= h->ptLowerLeft.y &&
                at.y <= h->ptUpperRight.y) << i;
    expected.x += pair((1500 + i) % 1999).x;
    expected.y += pair((1500 + i) % 1999).y;
  }
  T_NAV_NVRAM_vReleaseTrack();
}

// A full store: export, import into fresh stores in 1,024- and 128-byte
// blocks, export again; the independent decoder writes the same files.
TEST_F(NavStore, AFullStoreGoesRoundTripByteForByte) {
  FillStore(3000, 50, 50, 21836);
  ASSERT_GE(T_NAV_TWR_nGetWaypointCount(), 2700);
  const std::vector<U8> stream = Export(T_NAV_DATA_u32FillBufferSegment);
  EXPECT_GT(stream.size(), 6600000u);
  const FILES a = Files(m_root);
  ASSERT_GE(a.size(), 2995u + 50 + 50) << "the table is full but for the separator and its neighbours";

  const std::string file = m_root + "/stream.bin", decoded = m_root + "/decoded";
  Write(file, stream);
  const std::string counts = "tracks 50 waypoints " + std::to_string(a.size() - 100) + " routes 50\n";
  EXPECT_EQ(counts, RunPython(std::string(NAVDATA_TRANSFER_DECODER) + " " + file + " " + decoded + "/usr/velmora"));
  EXPECT_TRUE(a == Files(decoded)) << "the decoder's files differ from the store's";

  for (U32 block : {1024u, 128u}) {
    UseRig(m_root + "/b" + std::to_string(block));
    ASSERT_TRUE(Import(stream, block)) << block;
    EXPECT_TRUE(a == Files(m_root + "/b" + std::to_string(block))) << block;
    EXPECT_TRUE(stream == Export(T_NAV_DATA_u32FillBufferSegment)) << block;
  }
}

TEST_F(NavStore, ATransferThatBreaksOffLeavesTheStoreAndItsLock) {
  FillStore(200, 3, 2, 3000);
  const FILES a = Files(m_root);
  const std::vector<U8> stream = Export(T_NAV_DATA_u32FillBufferSegment);
  // Ended after 10 blocks, twelve times: the lock is free each time and the
  // buffer given back (the heap holds eight of its size).
  for (int i = 0; i < 12; i++) {
    T_NAV_DATA_vFillBufferInit();
    U8 segment[NAV_DATA_SEGMENT_SIZE];
    for (int k = 0; k < 10; k++) ASSERT_EQ(NAV_DATA_SEGMENT_SIZE, T_NAV_DATA_u32FillBufferSegment(segment, nullptr));
    T_NAV_DATA_vFillBufferEnd();
    T_NAV_DATA_vFillBufferEnd();
    ASSERT_EQ(0, L_MUTEX_GetOwnerTaskID(RES_NAV_DATA)) << i;
    EXPECT_EQ(0u, T_NAV_DATA_u32FillBufferSegment(segment, nullptr));
  }
  EXPECT_TRUE(stream == Export(T_NAV_DATA_u32FillBufferSegment));

  // Transfers the transport broke off at random blocks, or holding a record
  // of a wrong size, change nothing.
  std::mt19937 random(26);
  std::vector<U8> segment(1024);
  for (int i = 0; i < 6; i++) {
    T_NAV_DATA_vSaveBufferInit();
    const size_t cut = random() % (stream.size() / 1024);
    for (size_t b = 0; b < cut; b++) T_NAV_DATA_vSaveBufferSegment(1024, (U8*)stream.data() + 1024 * b, nullptr);
    EXPECT_FALSE(T_NAV_DATA_bSaveBufferEnd(FALSE)) << cut;
  }
  std::vector<U8> bad = stream;
  const size_t firstWaypoint = 2 * NAV_DATA_RECORD_MAX + 36 * 10;
  ASSERT_EQ(2, bad[firstWaypoint]);
  bad[firstWaypoint + 3] = 35;
  EXPECT_FALSE(Import(bad, 1024));
  EXPECT_TRUE(a == Files(m_root));
  EXPECT_FALSE(Exists(Dir("import")));
  // A whole stream without a whole record changes nothing: an empty one,
  // and one of a single byte, a record cut, which is not taken.
  EXPECT_FALSE(Import({}, 1024));
  EXPECT_EQ(0u, T_NAV_DATA_u32RecordsNotTaken());
  EXPECT_FALSE(Import({stream[0]}, 1024));
  EXPECT_EQ(1u, T_NAV_DATA_u32RecordsNotTaken());
  EXPECT_TRUE(a == Files(m_root));
}

// The waypoint manager's choice copied into the selected data space under a
// new group named Home: a waypoint, a route with its points, a group with
// its waypoint, a track's header. The space's stream carries them.
TEST_F(NavStore, ChosenItemsAreCopiedIntoADataSpaceUnderHome) {
  WAYPOINT w = NAVTEST_Waypoint(10, 10, "ONE");
  const U16 a = T_NAV_nAddWaypoint(&w, TRUE);
  w = NAVTEST_Waypoint(20, 20, "TWO");
  const U16 b = T_NAV_nAddWaypoint(&w, TRUE);
  w = NAVTEST_Waypoint(30, 30, "INNER");
  const U16 inner = T_NAV_nAddWaypoint(&w, TRUE);
  ROUTE r = {};
  r.nCount = 2;
  r.u32DateTime = 8;
  r.anWaypoint[0] = a;
  r.anWaypoint[1] = b;
  const U16 route = (U16)(0x8800 + T_NAV_nAddRoute(&r));
  GROUP_HEADER h = {};
  h.u8Status = WPT_STATUS_GROUP_HEADER;
  h.u16ParentIndex = h.u16FirstBodyIndex = 0xFFFF;
  strcpy(h.sName, "SUB");
  const U16 group = T_NAV_GROUP_DATA_nNewGroup(&h);
  NAVTEST_vKeep(group);
  ASSERT_TRUE(T_NAV_GROUP_DATA_bAddLink(group, inner));
  auto t = std::make_unique<TRACK>();
  U_NAV_vClearTrack(&t->sHeader);
  U_NAV_vAddTrackPoint(t.get(), {0, 0}, 0, FALSE);
  U_NAV_vAddTrackPoint(t.get(), {9, 9}, 0, FALSE);
  const U16 track = T_NAV_nAddTrack(t.get(), 3, nullptr, FALSE);
  const U16 chosen[] = {a, route, group, NAVTEST_u16Track(track)};
  s_au16Chosen.assign(std::begin(chosen), std::end(chosen));
  ASSERT_TRUE(T_NAV_STORE_bRegisterExportChoice(TakeChosen));

  ASSERT_TRUE(T_NAV_vInitializeNavDataBuffer());
  NAV_DATA_SPACE* space = T_NAV_nGetSelectNavDataSpace();
  T_NAV_DATA_vCopySelectedBufferSegment(space);
  const U16 home = T_NAV_vGetRootGroupIDEx(space);
  ASSERT_NE(0xFFFF, home);
  // Made in English, the space keeps its root in another language, 8-bit or
  // wide: the root is named Home in whichever language it was made.
  for (U32 language : {LANGUAGE_GERMAN, LANGUAGE_JAPANESE}) {
    SetLanguage(language);
    EXPECT_EQ(home, T_NAV_vGetRootGroupIDEx(space)) << language;
  }
  SetLanguage(LANGUAGE_ENGLISH);
  std::vector<std::string> names;
  for (U32 i = 0; i < NAV_MAX_WAYPOINTS; i++) {
    if (space->pWaypoint[i].u8Status == WPT_STATUS_SAVED) names.push_back(space->pWaypoint[i].sName);
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ((std::vector<std::string>{"INNER", "ONE", "TWO"}), names);
  const ROUTE* copy = &space->pRoute[0];
  ASSERT_EQ(2u, (U32)copy->nCount);
  EXPECT_STREQ("ONE", space->pWaypoint[copy->anWaypoint[0]].sName);
  EXPECT_STREQ("TWO", space->pWaypoint[copy->anWaypoint[1]].sName);
  EXPECT_EQ(2, space->pTrackHeader[track].u16Count);
  EXPECT_TRUE(T_NAV_GROUP_DATA_bIsGroupNavDataIntegralEX(space, home));

  // Home, its two bodies, the group SUB and its body, three waypoints; a
  // route and a track.
  T_NAV_DATA_vFillBufferInit();
  std::vector<U8> stream;
  U8 segment[NAV_DATA_SEGMENT_SIZE];
  for (U32 n; (n = T_NAV_DATA_u32FillSelectedBufferSegment(space, segment)) != 0;) stream.insert(stream.end(), segment, segment + n);
  T_NAV_DATA_vFillBufferEnd();
  EXPECT_EQ(NAV_DATA_RECORD_MAX + 8 * 36 + 136, stream.size());
  T_NAV_vFreeNavDataBuffer();
}

// The saver imports the stream of another store and is killed at random
// moments: after every kill the next start finds one store or the other.
TEST_F(NavStore, AnImportKilledAtAnyMomentLeavesTheOldStoreOrTheNew) {
  const std::string fresh = m_root + "/fresh";
  UseRig(fresh);
  FillStore(400, 6, 3, 5000);
  const FILES newer = Files(fresh);
  const std::string file = m_root + "/stream.bin";
  Write(file, Export(T_NAV_DATA_u32FillBufferSegment));
  UseRig(m_root);
  FillStore(150, 2, 1, 2000);
  const FILES older = Files(m_root);
  auto Restore = [&] {
    for (const char* dir : {"wpts", "routes", "tracks", "import"}) std::filesystem::remove_all(Dir(dir));
    for (const char* dir : {"wpts", "routes", "tracks"}) std::filesystem::create_directories(Dir(dir));
    for (const auto& f : older) Write(m_root + "/usr/velmora/" + f.first, f.second);
  };
  auto Spawn = [&] {
    return TEST_Spawn(NAVSTORE_SAVER, {"0", file}, {"VELMORA_DEVROOT=" + m_root, "VELMORA_CWD=" + m_root});
  };
  // One run to the end tells how long an import takes.
  auto p = Spawn();
  ASSERT_TRUE(TEST_bWaitForOutput(p.get(), "begin", 20000));
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(TEST_bWaitForOutput(p.get(), "imported 1", 60000));
  const U32 micros =
      (U32)std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start).count();
  TEST_Signal(p.get(), SIGKILL);
  TEST_Finish(std::move(p), 20000);
  // Half the kills anywhere, half near the end, where the store is swapped;
  // the slower runs kill fewer times, still enough anywhere that some land
  // before the swap.
  std::mt19937 random(2626);
  const int kKills = std::max(10, (int)TEST_u32Rounds(30));
  int old = 0, fresher = 0;
  for (int i = 0; i < kKills; i++) {
    Restore();
    p = Spawn();
    ASSERT_TRUE(TEST_bWaitForOutput(p.get(), "begin", 20000)) << i;
    usleep(i % 2 ? random() % (micros + 1) : micros * 4 / 5 + random() % (micros / 3 + 1));
    TEST_Signal(p.get(), SIGKILL);
    TEST_Finish(std::move(p), 20000);
    T_NAV_vInitTracksWaypointsRoutes();
    const FILES now = Files(m_root);
    EXPECT_TRUE(now == older || now == newer) << "kill " << i << " left a mix";
    EXPECT_FALSE(Exists(Dir("import"))) << i;
    old += now == older;
    fresher += now == newer;
    if (HasFailure()) break;
  }
  RecordProperty("old", old);
  RecordProperty("new", fresher);
  EXPECT_GT(old, 0);
  // Dead right after each rename of the swap: the marker was made first, so
  // the next start finishes the swap.
  for (U32 n = 1; n <= 7; n = 1 + TEST_u32NextCase(n - 1, 7)) {
    Restore();
    const TEST_RESULT r = TEST_Run(NAVSTORE_SAVER, {"0", file, std::to_string(n)},
                                   {"VELMORA_DEVROOT=" + m_root, "VELMORA_CWD=" + m_root});
    ASSERT_EQ(9, r.status) << "rename " << n << ": " << r.out;
    T_NAV_vInitTracksWaypointsRoutes();
    EXPECT_TRUE(Files(m_root) == newer) << "rename " << n;
  }
}

TEST_F(NavStore, TheSyncBlockCarriesTheCrc32OfItsDataPart) {
  for (S32 i = 0; i < 5; i++) {
    WAYPOINT w = NAVTEST_Waypoint(i, i, "S");
    NAVTEST_vKeep(T_NAV_nAddWaypoint(&w, TRUE));
  }
  WAYPOINT locked = NAVTEST_Waypoint(9, 9, "L", WPT_STATUS_SAVED, TRUE);
  NAVTEST_vKeep(T_NAV_nAddWaypoint(&locked, TRUE));
  ROUTE r = {};
  r.nCount = 1;
  r.u32DateTime = 3;
  r.anWaypoint[0] = 2;
  NAVTEST_vKeep((U16)(0x8800 + T_NAV_nAddRoute(&r)));
  std::vector<U8> block(NAV_SYNC_MAX_SIZE);
  const U8* end = T_NAV_pGetGroupNavData(block.data());
  // Shared slots 0-6 (root, body, five waypoints) and route 0.
  ASSERT_EQ(12u + 7 * 28 + 128, (size_t)(end - block.data()));
  EXPECT_EQ((std::vector<U8>{0, 7, 0, 1, 0, 0, 0, 0}), std::vector<U8>(block.begin() + 4, block.begin() + 12));
  block.resize(end - block.data());
  Write(m_root + "/sync.bin", block);
  // The block received by a unit whose shared side was empty gives it the
  // same side.
  std::vector<U8> received = block;
  UseRig(m_root + "/peer");
  T_NAV_vStoreAllSyncedGroupNavDataReceived(received.data() + 12, 7, received.data() + 12 + 7 * 28, 1);
  std::vector<U8> again(NAV_SYNC_MAX_SIZE);
  again.resize(T_NAV_pGetGroupNavData(again.data()) - again.data());
  EXPECT_TRUE(block == again);
  EXPECT_EQ("True\n", RunPython("-c \"import binascii,struct,sys; d=open(sys.argv[1],'rb').read(); "
                                "print(struct.unpack('>I', d[:4])[0] == binascii.crc32(d[12:]))\" " +
                                m_root + "/sync.bin"));
}

}  // namespace

