// The current-track journal: its offsets and roll-over, hand-made journals
// replayed, and a long random walk journaled the way the navigation task
// does it, replayed into a fresh ring and decoded by an independent Python
// reader.

#include <random>

#include "navstore_feed.h"
#include "navstore_rig.h"
#include "track_scan.h"
#include "u_storefault.h"
#include "ui_texts.h"

namespace {

std::vector<TRACKTEST_POINT> Replayed() {
  auto t = TRACKTEST_Fresh();
  T_NAV_NVRAM_vScanCurrentTrack(t.get());
  return TRACKTEST_Scan(t.get());
}

TEST_F(NavStore, TheJournalRollsOverPastItsSizeWithOnlyAStart) {
  auto t = TRACKTEST_Fresh();
  NAVTEST_vRecord(t.get(), {0, 0}, 0, FALSE);
  EXPECT_EQ(10, T_NAV_NVRAM_s32JournalOffset());
  for (S32 i = 1; i <= 21835; i++) NAVTEST_vRecord(t.get(), {i, 0}, 0, FALSE);
  EXPECT_EQ(131020, T_NAV_NVRAM_s32JournalOffset());
  EXPECT_EQ(131020u, Read(Dir("cr_track") + "/track.2").size());
  NAVTEST_vRecord(t.get(), {21836, 3}, 44, FALSE);
  EXPECT_EQ(131020u, Read(Dir("cr_track") + "/track.1").size());
  const std::vector<U8> start = Read(Dir("cr_track") + "/track.2");
  EXPECT_EQ((std::vector<U8>{0x4C, 0x55, 0, 0, 3, 0, 0, 0, 44, 0}), start);  // 21,836 = 0x554C
  EXPECT_EQ(TRACKTEST_Scan(t.get()), Replayed());
}

TEST_F(NavStore, HandMadeJournalsReplayEntryByEntry) {
  auto t = TRACKTEST_Fresh();
  // Start (1000, 2000); a step of (10, 0); a lone first marker at the end is
  // a step of its own.
  const std::vector<U8> lone = {0xE8, 0x03, 0, 0, 0xD0, 0x07, 0, 0, 5, 0,  //
                                10, 0, 0, 0, 6, 0,                          //
                                0xFF, 0x7F, 0xFF, 0x7F, 7, 0};
  EXPECT_EQ(22u, T_NAV_NVRAM_u32ReplayJournal(t.get(), lone.data(), (U32)lone.size()));
  auto points = TRACKTEST_Scan(t.get());
  ASSERT_EQ(3u, points.size());
  EXPECT_EQ(1010 + 32767, points[2].pt.x);
  EXPECT_EQ(2000 + 32767, points[2].pt.y);
  EXPECT_EQ(7, points[2].depth);
  // A gap right after the start marks the start; a marker pair cut off at
  // the end moves nothing and is not taken.
  auto u = TRACKTEST_Fresh();
  const std::vector<U8> gapped = {0xE8, 0x03, 0, 0, 0xD0, 0x07, 0, 0, 5, 0,  //
                                  0xFF, 0x7F, 0xFF, 0x7F, 5, 0, 0, 0x80, 0, 0x80, 5, 0, 1, 0, 1, 0, 5, 0,
                                  0xFF, 0x7F, 0xFF, 0x7F, 0, 0, 0, 0x80, 0, 0x80, 0, 0};
  EXPECT_EQ(28u, T_NAV_NVRAM_u32ReplayJournal(u.get(), gapped.data(), (U32)gapped.size()));
  EXPECT_EQ(1, u->sHeader.u16Count);
  // A start beyond the Mercator range is no journal.
  std::vector<U8> far = lone;
  far[3] = 0x7F;
  EXPECT_EQ(0u, T_NAV_NVRAM_u32ReplayJournal(TRACKTEST_Fresh().get(), far.data(), (U32)far.size()));
  // A crash's partial entry is cut off the file before anything follows it.
  std::vector<U8> cut = lone;
  cut.resize(19);
  Write(Dir("cr_track") + "/track.2", cut);
  auto v = TRACKTEST_Fresh();
  T_NAV_NVRAM_vScanCurrentTrack(v.get());
  EXPECT_EQ(16u, Read(Dir("cr_track") + "/track.2").size());
  NAVTEST_vRecord(v.get(), {1020, 2000}, 8, FALSE);
  EXPECT_EQ(TRACKTEST_Scan(v.get()), Replayed());
}

std::vector<TRACKTEST_POINT> Decoded(const std::vector<std::string>& files) {
  std::string command = std::string(VELMORA_PYTHON_PATH) + " " + NAVDATA_JOURNAL_DECODER;
  for (const std::string& f : files) command += " " + f;
  std::vector<TRACKTEST_POINT> out;
  FILE* p = popen(command.c_str(), "r");
  if (p == nullptr) return out;
  long x, y, depth, gap;
  while (fscanf(p, "%ld %ld %ld %ld", &x, &y, &depth, &gap) == 4) {
    out.push_back({{(S32)x, (S32)y}, (U16)depth, gap ? TRACKPOINT_GAP : TRACKPOINT_NORMAL});
  }
  EXPECT_EQ(0, pclose(p)) << command;
  return out;
}

// 45,000 steps: most short, some long enough to be halved into several
// entries at once, gaps, and jumps across the seam; the two roll-overs fall
// on a long step and on a gap, so that a fresh file begins while entries
// still wait.
TEST_F(NavStore, ARandomWalkReplaysIntoTheRingItWasRecordedIn) {
  auto t = TRACKTEST_Fresh();
  std::mt19937 random(2501);
  std::uniform_int_distribution<S32> step(-900, 900);
  POINT p = {20030000, 1000000};
  int rollOvers = 0;
  for (int i = 0; i < 45000; i++) {
    const bool bRollsNext = T_NAV_NVRAM_s32JournalOffset() > NAV_JOURNAL_ROLL_OFFSET;
    const int kind = bRollsNext ? 1 + rollOvers++ % 2 : (int)(random() % 100);
    BOOLEAN bGap = FALSE;
    if (kind == 1 || kind == 3) {
      p.y += p.y < 0 ? 150000 : -150000;  // halved into eight steps
    } else if (kind == 2 || kind == 4) {
      bGap = TRUE;
      p.x += i % 2 ? 40000 : -40000;
    } else if (kind == 5) {
      p.x = p.x > 0 ? -20035000 : 20035000;  // across the seam
    } else {
      p.x += step(random);
      p.y += step(random);
    }
    p.x = U_NAV_nFoldX(p.x);
    p.y = U_NAV_nClampY(p.y);
    NAVTEST_vRecord(t.get(), p, (U16)(i * 7), bGap);
  }
  ASSERT_EQ(2, rollOvers);
  const auto live = TRACKTEST_Scan(t.get());
  ASSERT_EQ(live, Replayed());
  const auto decoded = Decoded({Dir("cr_track") + "/track.1", Dir("cr_track") + "/track.2"});
  ASSERT_GE(decoded.size(), live.size());
  const size_t skip = decoded.size() - live.size();
  EXPECT_EQ(live[0].pt.x, decoded[skip].pt.x);
  EXPECT_EQ(live[0].pt.y, decoded[skip].pt.y);
  for (size_t k = 1; k < live.size(); k++) ASSERT_EQ(live[k], decoded[skip + k]) << "point " << k;
}

TEST_F(NavStore, AFailedAppendCostsOnlyItsOwnPoint) {
  auto t = TRACKTEST_Fresh();
  std::vector<TRACKTEST_POINT> kept;
  for (S32 i = 0; i < 40; i++) {
    const FS_FAULT fault = {FS_FAULT_DISK_FULL, nullptr, FS_CALL_WRITE, 1};
    if (i == 25) FS_vSetFault(&fault);
    NAVTEST_vRecord(t.get(), {i * 100, i * 50}, (U16)i, FALSE);
    if (i != 25) kept.push_back(TRACKTEST_Scan(t.get()).back());
  }
  auto replayed = Replayed();
  ASSERT_EQ(kept.size(), replayed.size());
  for (size_t k = 0; k < kept.size(); k++) {
    EXPECT_EQ(kept[k].pt.x, replayed[k].pt.x) << k;
    EXPECT_EQ(kept[k].pt.y, replayed[k].pt.y) << k;
  }
}

// A store that cannot be written is told to the user once for each cause,
// however often the journal tries again; the refusals are counted.
std::vector<const char* const*> g_notes;
void TakeNote(const char* const* ppText, const char*) { g_notes.push_back(ppText); }

TEST_F(NavStore, AReadOnlyOrFullStoreIsToldOncePerCause) {
  U_STOREFAULT_vReset();
  U_STOREFAULT_vSetNoteAction(TakeNote);
  g_notes.clear();
  auto t = TRACKTEST_Fresh();
  const FS_FAULT readOnly = {FS_FAULT_READ_ONLY, nullptr, 0, FS_FAULT_UNTIL_CLEARED};
  const FS_FAULT full = {FS_FAULT_DISK_FULL, nullptr, 0, FS_FAULT_UNTIL_CLEARED};
  FS_vSetFault(&readOnly);
  for (S32 i = 0; i < 30; i++) NAVTEST_vRecord(t.get(), {i * 100, i * 50}, (U16)i, FALSE);
  WAYPOINT w = NAVTEST_Waypoint(5, 5, "RO");
  EXPECT_EQ(65535, T_NAV_nAddWaypoint(&w, TRUE));
  FS_vSetFault(&full);
  for (S32 i = 30; i < 60; i++) NAVTEST_vRecord(t.get(), {i * 100, i * 50}, (U16)i, FALSE);
  FS_vSetFault(nullptr);
  U_STOREFAULT_vSetNoteAction(nullptr);
  EXPECT_EQ((std::vector<const char* const*>{Storage_Read_Only, Storage_Full}), g_notes);
  EXPECT_GE(U_STOREFAULT_u32Count(STORE_FAULT_READ_ONLY), 31u);
  EXPECT_GE(U_STOREFAULT_u32Count(STORE_FAULT_FULL), 30u);
}

TEST_F(NavStore, ErasingTheStoreBeginsTheJournalAgainWithAStart) {
  auto t = TRACKTEST_Fresh();
  for (S32 i = 0; i < 5; i++) NAVTEST_vRecord(t.get(), {i, 0}, 0, FALSE);
  T_NAV_NVRAM_vErase();
  T_NAV_NVRAM_vInit();
  NAVTEST_vRecord(t.get(), {5, 9}, 0, FALSE);
  EXPECT_EQ((std::vector<U8>{5, 0, 0, 0, 9, 0, 0, 0, 0, 0}), Read(Dir("cr_track") + "/track.2"));
}

}  // namespace
