// Files the unit stores or sends, written from fixed inputs and read back, so
// that the host's build and the board's (armhf) build can be held to the same
// bytes.
//
// Run plainly, as CTest does, each case writes its files into a fresh
// directory and reads them back. With VELMORA_STORED_WRITE=DIR the cases only
// write into DIR; with VELMORA_STORED_READ=DIR they only read what is there,
// which may come from the other build. tools/compare-stored-files.sh writes
// with both builds (the board's under qemu), requires the two directories to
// be the same byte for byte, and has each build read the other's.
//
// A new stored file or wire format is one more test here and nothing else:
// STORED_vCase(write, read), where write produces the files in the directory
// from inputs fixed in this file, through the unit's own writer (a writer that
// works under the base directory, VELMORA_CWD, is run there and its files are
// copied into the directory), and read decodes them with the unit's own
// reader and expects those inputs. Name files after what they hold; every
// file in the directory is compared. Link the library that holds the format
// in this folder's CMakeLists.txt.

#include <gtest/gtest.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "dd_util.h"
#include "h_database.h"
#include "h_nvram.h"
#include "linuxsvc.h"
#include "t_nav_data.h"
#include "t_nav_group_data.h"
#include "t_nav_nvram_flash.h"
#include "t_nav_twr.h"

namespace {

std::vector<U8> STORED_Load(const std::string& path) {
  std::vector<U8> bytes;
  FILE* f = fopen(path.c_str(), "rb");
  if (f == nullptr) {
    ADD_FAILURE() << "cannot open " << path;
    return bytes;
  }
  U8 chunk[4096];
  size_t n;
  while ((n = fread(chunk, 1, sizeof chunk, f)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
  fclose(f);
  return bytes;
}

void STORED_vSave(const std::string& path, const std::vector<U8>& bytes) {
  FILE* f = fopen(path.c_str(), "wb");
  ASSERT_NE(nullptr, f) << path;
  EXPECT_EQ(bytes.size(), fwrite(bytes.data(), 1, bytes.size(), f)) << path;
  EXPECT_EQ(0, fclose(f)) << path;
}

// Runs one case as the environment asks: write only, read only, or both.
void STORED_vCase(void (*write)(const std::string& dir), void (*read)(const std::string& dir)) {
  const char* writeDir = getenv("VELMORA_STORED_WRITE");
  const char* readDir = getenv("VELMORA_STORED_READ");
  if (writeDir != nullptr) {
    mkdir(writeDir, 0755);
    write(writeDir);
  }
  if (readDir != nullptr) read(readDir);
  if (writeDir == nullptr && readDir == nullptr) {
    const std::string dir = std::string(L_UTILS_cpGetPathnamePtr()) + "/stored";
    mkdir(dir.c_str(), 0755);
    write(dir);
    if (!::testing::Test::HasFatalFailure()) read(dir);
  }
}

// Transfer formats are big-endian: a field is swapped and its four bytes in
// memory are what goes out.
const U32 kWords[] = {0x00000000u, 0x00000012u, 0x12345678u, 0xFF000000u, 0x80000001u, 0xDEADBEEFu, 0xFFFFFFFFu};

void WriteByteOrder(const std::string& dir) {
  std::vector<U8> bytes;
  for (U32 v : kWords) {
    U32 wire = DD_UTIL_EndianSwap(v);
    U8 b[4];
    memcpy(b, &wire, 4);
    bytes.insert(bytes.end(), b, b + 4);
  }
  STORED_vSave(dir + "/byte_order.bin", bytes);
}

void ReadByteOrder(const std::string& dir) {
  std::vector<U8> bytes = STORED_Load(dir + "/byte_order.bin");
  ASSERT_EQ(sizeof kWords, bytes.size());
  for (size_t i = 0; i < sizeof kWords / sizeof kWords[0]; i++) {
    U32 wire;
    memcpy(&wire, &bytes[4 * i], 4);
    EXPECT_EQ(kWords[i], DD_UTIL_EndianSwap(wire)) << "word " << i;
    EXPECT_EQ((U8)(kWords[i] >> 24), bytes[4 * i]) << "word " << i << " starts with its highest byte";
  }
}

// Slot numbers of the NVR store: the digit of every value, then the value the
// digit conversion gives for every byte (bit 7 and plain char's signedness
// differ between processors).
void WriteBase36(const std::string& dir) {
  std::vector<U8> bytes;
  for (U32 v = 0; v < 36; v++) bytes.push_back(DD_UTIL_FormCapNumeric(v));
  for (U32 c = 0; c < 256; c++) bytes.push_back((U8)DD_UTIL_XlatCapNumeric((U8)c));
  STORED_vSave(dir + "/base36_digits.bin", bytes);
}

void ReadBase36(const std::string& dir) {
  std::vector<U8> bytes = STORED_Load(dir + "/base36_digits.bin");
  ASSERT_EQ(36u + 256u, bytes.size());
  EXPECT_EQ(0, memcmp("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ", bytes.data(), 36));
  for (U32 v = 0; v < 36; v++) EXPECT_EQ(v, DD_UTIL_XlatCapNumeric(bytes[v])) << v;
  for (U32 c = 0; c < 256; c++) EXPECT_EQ(DD_UTIL_XlatCapNumeric((U8)c), (U32)bytes[36 + c]) << "byte " << c;
}

// Numbers as text in every base the unit writes them in.
const struct {
  S32 value;
  int base;
} kNumbers[] = {{0, 10},      {-1, 10},   {INT_MIN, 10}, {INT_MAX, 10}, {INT_MAX, 16}, {-255, 16},
                {0x1234, 16}, {-1, 2},    {5, 2},        {35, 36},      {123456789, 36}};

void WriteNumberTexts(const std::string& dir) {
  std::string text;
  char buffer[40];
  for (const auto& row : kNumbers) text += std::string(itoa(row.value, buffer, row.base)) + "\n";
  STORED_vSave(dir + "/number_texts.txt", std::vector<U8>(text.begin(), text.end()));
}

void ReadNumberTexts(const std::string& dir) {
  std::vector<U8> bytes = STORED_Load(dir + "/number_texts.txt");
  std::string text(bytes.begin(), bytes.end());
  size_t at = 0;
  char buffer[40];
  for (const auto& row : kNumbers) {
    size_t end = text.find('\n', at);
    ASSERT_NE(std::string::npos, end) << "too few lines";
    std::string line = text.substr(at, end - at);
    at = end + 1;
    EXPECT_EQ(std::string(itoa(row.value, buffer, row.base)), line);
    if (row.base == 16 && row.value >= 0) {
      EXPECT_EQ((U32)row.value, atoh(line.c_str())) << line;
    }
  }
  EXPECT_EQ(text.size(), at) << "lines after the last number";
}

// The NVR store's two slot files, as a format change leaves them (replaced
// whole) and then as slots are written in place.
const struct {
  FOURCHARID id;
  U32 value;
} kNvrKeys[] = {{FCID("NVER"), NVRAM_VERSION}, {FCID("SMDL"), 584},        {FCID("SLNG"), 0x04030205u},
                {FCID("S000"), 0x80000001u},   {FCID("SZZZ"), 0xFFFFFFFFu}, {FCID("FFST"), 7}};
const char* const kNvrFiles[] = {"nvr_entries.dat", "nvr_statbit.dat"};

std::string NvrPath(const char* name) { return std::string(L_UTILS_cpGetPathnamePtr()) + "/" + name; }

void WriteNvrStore(const std::string& dir) {
  NVR_ENTRY entries[sizeof kNvrKeys / sizeof kNvrKeys[0]];
  for (size_t i = 0; i < sizeof kNvrKeys / sizeof kNvrKeys[0]; i++) {
    entries[i].id = kNvrKeys[i].id;
    entries[i].data.vpPointer = nullptr;
    entries[i].data.RawData = kNvrKeys[i].value;
  }
  H_NVRAM_eInit();
  ASSERT_TRUE(H_NVRAM_bReplaceStore(entries, 2));
  for (size_t i = 2; i < sizeof entries / sizeof entries[0]; i++) ASSERT_TRUE(H_NVRAM_bWriteFCID(&entries[i]));
  H_NVRAM_vFlashWriteBack();
  for (const char* name : kNvrFiles) STORED_vSave(dir + "/" + name, STORED_Load(NvrPath(name)));
}

void ReadNvrStore(const std::string& dir) {
  for (const char* name : kNvrFiles) STORED_vSave(NvrPath(name), STORED_Load(dir + "/" + name));
  H_NVRAM_eInit();
  for (const auto& key : kNvrKeys) {
    NVR_ENTRY entry;
    entry.id = key.id;
    ASSERT_TRUE(H_NVRAM_bGetItemByID(&entry)) << std::string((const char*)&key.id, 4);
    EXPECT_EQ(key.value, entry.data.RawData) << std::string((const char*)&key.id, 4);
  }
}

// The two raw blocks of the store (the sonar's and the owner's text), words
// of a fixed pattern whose bytes tell their order.
const char* const kBlockFiles[] = {"sonar.dat", "personal.dat"};

U16 BlockWord(U32 i) { return (U16)(0x0102 + 0x1111 * (i % 15)); }

void WriteNvrBlocks(const std::string& dir) {
  H_NVRAM_eInit();
  SONAR_DATA_BLOCK sonar;
  PERSONALIZATION_DATA_BLOCK personal;
  for (U32 i = 0; i < 254; i++) sonar.au16Data[i] = BlockWord(i);
  for (U32 i = 0; i < 126; i++) personal.au16Data[i] = BlockWord(i + 7);
  ASSERT_TRUE(H_NVRAM_bWriteSonarData(&sonar));
  ASSERT_TRUE(H_NVRAM_bWritePersonalizationData(&personal));
  for (const char* name : kBlockFiles) STORED_vSave(dir + "/" + name, STORED_Load(NvrPath(name)));
}

void ReadNvrBlocks(const std::string& dir) {
  for (const char* name : kBlockFiles) STORED_vSave(NvrPath(name), STORED_Load(dir + "/" + name));
  H_NVRAM_eInit();
  SONAR_DATA_BLOCK sonar;
  PERSONALIZATION_DATA_BLOCK personal;
  ASSERT_TRUE(H_NVRAM_bReadSonarData(&sonar));
  ASSERT_TRUE(H_NVRAM_bReadPersonalizationData(&personal));
  for (U32 i = 0; i < 254; i++) EXPECT_EQ(BlockWord(i), sonar.au16Data[i]) << i;
  for (U32 i = 0; i < 126; i++) EXPECT_EQ(BlockWord(i + 7), personal.au16Data[i]) << i;
}

// The navigation store's record files and its journal, written under a rig
// of their own (VELMORA_DEVROOT) and copied out; read back by loading a rig
// made of the copies.
const char* const kNavFiles[][2] = {{"wpts/17", "nav_waypoint_17.bin"},    {"wpts/0", "nav_group_0.bin"},
                                    {"wpts/1", "nav_group_1.bin"},          {"wpts/2999", "nav_group_2999.bin"},
                                    {"routes/3", "nav_route_3.bin"},        {"tracks/5", "nav_track_5.bin"},
                                    {"cr_track/track.2", "nav_journal.bin"}};

std::string NavRig(const char* pcName = "navrig") {
  const std::string rig = std::string(L_UTILS_cpGetPathnamePtr()) + "/" + pcName;
  std::filesystem::remove_all(rig);
  for (const char* sub : {"", "/usr", "/usr/velmora"}) mkdir((rig + sub).c_str(), 0755);
  setenv("VELMORA_DEVROOT", rig.c_str(), 1);
  H_DATABASE_vInit();
  H_DATABASE_bUpdateValueU32(FCID("CCST"), 3, P_HIGHEST);
  return rig + "/usr/velmora/";
}

WAYPOINT NavWaypoint(U8 status, BOOLEAN bNotShared) {
  WAYPOINT w;
  memset(&w, 0, sizeof w);
  w.u8Status = status;
  w.bHide = 1;
  w.bWpNotShared = bNotShared;
  w.u8Icon = 82;
  w.u16Depth = 0xBEEF;
  w.u32DateTime = 0x89ABCDEF;
  w.pt = {-20038300, 15433198};
  memcpy(w.sName, "TWELVE CHARS", 12);
  return w;
}

ROUTE NavRoute(void) {
  ROUTE r;
  memset(&r, 0, sizeof r);
  r.nCount = 50;
  r.bRtNotShared = 1;
  r.u32DateTime = 0x01020304;
  memcpy(r.sName, "A ROUTE OF 20 CHARS!", 20);
  for (U32 i = 0; i < 50; i++) r.anWaypoint[i] = (U16)(i * 61);
  r.anWaypoint[7] = 65535;
  return r;
}

// A few points across the seam, a long step and a gap.
const POINT kNavPoints[] = {{20038000, -5000}, {-20037000, -4000}, {-20037000, 60000}, {-20000000, 60001}};

void WriteNavStore(const std::string& dir) {
  const std::string base = NavRig();
  T_NAV_vInitTracksWaypointsRoutes();
  T_NAV_NVRAM_vEraseCurrentTrack();
  WAYPOINT w = NavWaypoint(WPT_STATUS_SAVED_2, TRUE);
  ASSERT_TRUE(T_NAV_bSaveWaypoint(17, &w, FALSE, FALSE));
  ROUTE r = NavRoute();
  for (U32 i = 0; i < 50; i++) r.anWaypoint[i] = i == 7 ? 65535 : 17;
  ASSERT_TRUE(T_NAV_bSaveRoute(3, &r, FALSE));
  static TRACK s_track;
  U_NAV_vClearTrack(&s_track.sHeader);
  for (U32 i = 0; i < sizeof kNavPoints / sizeof kNavPoints[0]; i++) {
    const U16 before = s_track.sHeader.u16Count;
    U_NAV_vAddTrackPoint(&s_track, kNavPoints[i], (U16)(100 * i), i == 3);
    for (U16 k = before; k < s_track.sHeader.u16Count; k++) {
      const U16 index = (U16)((k == 0 ? 0 : k - 1) % TRACK_DELTA_ENTRIES);
      const BOOLEAN bGap = U_NAV_bTrackDeltaIsGapPoint(&s_track, index);
      T_NAV_NVRAM_vAddCurrentTrackPoint(&s_track, index, k == 0 ? 0xFFFF : (U16)(s_track.sHeader.u16Count - 2), bGap);
      if (bGap) k += 2;
    }
  }
  s_track.sHeader.u32DateTime = 0x11223344;
  memcpy(s_track.sHeader.sName, "FIVE", 5);
  ASSERT_TRUE(T_NAV_NVRAM_bSaveTrack(&s_track, 5, FALSE));
  // The tree an empty store starts with (root 0, bodies 1 and 2999) keeps
  // them: the not-shared waypoint and route in the lock body, the track of
  // unit 64 (no SUID, SMDL or SENU) in the shared one.
  const U16 root = T_NAV_GROUP_DATA_nGetRootGroup();
  ASSERT_EQ(0xC000, root);
  ASSERT_TRUE(T_NAV_GROUP_DATA_bAddLink(root, 17));
  ASSERT_TRUE(T_NAV_GROUP_DATA_bAddLink(root, 0x8803));
  T_NAV_TWR_pTrackHeaderTable()[5] = s_track.sHeader;
  ASSERT_TRUE(T_NAV_GROUP_DATA_bAddLink(root, 0x8045));
  for (const auto& f : kNavFiles) STORED_vSave(dir + "/" + f[1], STORED_Load(base + f[0]));
  unsetenv("VELMORA_DEVROOT");
}

// The points the ring holds, worked by hand: the seam crossed as a step of
// 1,600 m, 64,000 m north halved, and 37,000 m east after a gap halved into
// two gap points.
void ExpectNavTrack(const TRACK* t) {
  const struct {
    POINT pt;
    U16 depth;
    TRACKPOINT_TYPE type;
  } expected[] = {{{20038000, -5000}, 0, TRACKPOINT_NORMAL},   {{-20037000, -4000}, 100, TRACKPOINT_NORMAL},
                  {{-20037000, 28000}, 200, TRACKPOINT_NORMAL}, {{-20037000, 60000}, 200, TRACKPOINT_NORMAL},
                  {{-20018500, 60000}, 300, TRACKPOINT_GAP},    {{-20000000, 60001}, 300, TRACKPOINT_GAP}};
  U16 it = 0, depth;
  POINT pt;
  for (const auto& e : expected) {
    ASSERT_EQ(e.type, U_NAV_eScanTrack(t, &it, &pt, &depth));
    EXPECT_EQ(e.pt.x, pt.x);
    EXPECT_EQ(e.pt.y, pt.y);
    EXPECT_EQ(e.depth, depth);
  }
  EXPECT_EQ(TRACKPOINT_INVALID, U_NAV_eScanTrack(t, &it, &pt, &depth));
}

void ReadNavStore(const std::string& dir) {
  const std::string base = NavRig();
  for (const char* sub : {"wpts", "routes", "tracks", "cr_track"}) mkdir((base + sub).c_str(), 0755);
  for (const auto& f : kNavFiles) STORED_vSave(base + f[0], STORED_Load(dir + "/" + f[1]));
  T_NAV_vInitTracksWaypointsRoutes();
  const WAYPOINT w = NavWaypoint(WPT_STATUS_SAVED_2, TRUE);
  ROUTE r = NavRoute();
  for (U32 i = 0; i < 50; i++) r.anWaypoint[i] = i == 7 ? 65535 : 17;
  EXPECT_EQ(0, memcmp(&w, T_NAV_pGetWaypoint(17), sizeof w));
  EXPECT_EQ(0, memcmp(&r, T_NAV_pGetRoute(3), sizeof r));
  // The tree, field by field from the group records' layout.
  const U8 rootHeader[28] = {0x10, 1, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0, 0, 0x01, 0xC0, 0, 0, 'H', 'o', 'm', 'e'};
  const U8 sharedBody[28] = {0x11, 0, 0xFF, 0xCF, 0x45, 0x80, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                             0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  const U8 lockBody[28] = {0x91, 0, 0xFF, 0xFF, 17, 0, 0x03, 0x88, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                           0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(0, memcmp(rootHeader, T_NAV_pGetWaypoint(0), 28));
  EXPECT_EQ(0, memcmp(sharedBody, T_NAV_pGetWaypoint(1), 28));
  EXPECT_EQ(0, memcmp(lockBody, T_NAV_pGetWaypoint(2999), 28));
  EXPECT_STREQ("FIVE", T_NAV_pGetTrackHeader(5)->sName);
  EXPECT_EQ(0x11223344u, T_NAV_pGetTrackHeader(5)->u32DateTime);
  ExpectNavTrack(T_NAV_NVRAM_pLoadTrack(5));
  T_NAV_NVRAM_vReleaseTrack();
  static TRACK s_replayed;
  T_NAV_NVRAM_vScanCurrentTrack(&s_replayed);
  ExpectNavTrack(&s_replayed);
  unsetenv("VELMORA_DEVROOT");
}

// A small store as the transfer stream carries it, and its synchronisation
// block; read back by importing the stream (in the transport's short
// blocks) into an empty store, which must then give the same block.
void FillTransferStore(void) {
  T_NAV_vInitTracksWaypointsRoutes();
  const U16 root = T_NAV_GROUP_DATA_nGetRootGroup();
  WAYPOINT shared = NavWaypoint(WPT_STATUS_SAVED, FALSE), locked = NavWaypoint(WPT_STATUS_SAVED_2, TRUE);
  locked.u16Depth = 0x1234;  // a group links one record of each content
  const U16 a = T_NAV_nAddWaypoint(&shared, TRUE), b = T_NAV_nAddWaypoint(&locked, TRUE);
  ROUTE r = NavRoute();
  r.bRtNotShared = 0;
  r.nCount = 2;
  r.anWaypoint[0] = a;
  r.anWaypoint[1] = a;
  const U16 route = T_NAV_nAddRoute(&r);
  static TRACK s_track;
  U_NAV_vClearTrack(&s_track.sHeader);
  for (U32 i = 0; i < sizeof kNavPoints / sizeof kNavPoints[0]; i++) {
    U_NAV_vAddTrackPoint(&s_track, kNavPoints[i], (U16)(100 * i), i == 3);
  }
  const U16 track = T_NAV_nAddTrack(&s_track, 0x11223344, (char*)"FIVE", FALSE);
  for (U16 id : {a, b, (U16)(0x8800 + route), (U16)(0x8040 + track)}) ASSERT_TRUE(T_NAV_GROUP_DATA_bAddLink(root, id));
}

std::vector<U8> SyncBlock(void) {
  std::vector<U8> block(NAV_SYNC_MAX_SIZE);
  block.resize(T_NAV_pGetGroupNavData(block.data()) - block.data());
  return block;
}

void WriteTransfer(const std::string& dir) {
  NavRig("navtransfer");
  FillTransferStore();
  std::vector<U8> stream;
  U8 segment[NAV_DATA_SEGMENT_SIZE];
  T_NAV_DATA_vFillBufferInit();
  for (U32 n; (n = T_NAV_DATA_u32FillBufferSegment(segment, nullptr)) != 0;) stream.insert(stream.end(), segment, segment + n);
  T_NAV_DATA_vFillBufferEnd();
  STORED_vSave(dir + "/nav_transfer.bin", stream);
  STORED_vSave(dir + "/nav_sync_block.bin", SyncBlock());
  unsetenv("VELMORA_DEVROOT");
}

void ReadTransfer(const std::string& dir) {
  NavRig("navtransfer");
  T_NAV_vInitTracksWaypointsRoutes();
  const std::vector<U8> stream = STORED_Load(dir + "/nav_transfer.bin");
  T_NAV_DATA_vSaveBufferInit();
  for (size_t at = 0; at < stream.size(); at += 128) {
    U8 block[128];
    memset(block, 0x1A, sizeof block);
    memcpy(block, stream.data() + at, std::min<size_t>(128, stream.size() - at));
    T_NAV_DATA_vSaveBufferSegment(sizeof block, block, nullptr);
  }
  ASSERT_TRUE(T_NAV_DATA_bSaveBufferEnd(TRUE));
  const WAYPOINT shared = NavWaypoint(WPT_STATUS_SAVED, FALSE);
  WAYPOINT locked = NavWaypoint(WPT_STATUS_SAVED_2, TRUE);
  locked.u16Depth = 0x1234;
  EXPECT_EQ(0, memcmp(&shared, T_NAV_pGetWaypoint(2), sizeof shared));
  EXPECT_EQ(0, memcmp(&locked, T_NAV_pGetWaypoint(2998), sizeof locked));
  EXPECT_EQ(2u, (U32)T_NAV_pGetRoute(0)->nCount);
  EXPECT_STREQ("A ROUTE OF 20 CHARS!", std::string(T_NAV_pGetRoute(0)->sName, 20).c_str());
  EXPECT_STREQ("FIVE", T_NAV_pGetTrackHeader(0)->sName);
  ExpectNavTrack(T_NAV_NVRAM_pLoadTrack(0));
  T_NAV_NVRAM_vReleaseTrack();
  EXPECT_EQ(STORED_Load(dir + "/nav_sync_block.bin"), SyncBlock());
  unsetenv("VELMORA_DEVROOT");
}

TEST(StoredFiles, NvrStoreFilesReadBackToTheirSettings) { STORED_vCase(WriteNvrStore, ReadNvrStore); }

TEST(StoredFiles, TheStoresRawBlocksReadBackToTheirWords) { STORED_vCase(WriteNvrBlocks, ReadNvrBlocks); }

TEST(StoredFiles, NavigationRecordsAndTheJournalReadBackToTheirPoints) { STORED_vCase(WriteNavStore, ReadNavStore); }

TEST(StoredFiles, TheTransferStreamAndSyncBlockReadBackToTheirStore) { STORED_vCase(WriteTransfer, ReadTransfer); }

TEST(StoredFiles, TransferFormatWordsAreBigEndian) { STORED_vCase(WriteByteOrder, ReadByteOrder); }

TEST(StoredFiles, SlotDigitsConvertTheSameEverywhere) { STORED_vCase(WriteBase36, ReadBase36); }

TEST(StoredFiles, NumberTextsReadBackToTheirValues) { STORED_vCase(WriteNumberTexts, ReadNumberTexts); }

}  // namespace
