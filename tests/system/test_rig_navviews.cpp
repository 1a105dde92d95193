// Wiping the navigation store from the Setup menu, and the chart cursor, on a
// host rig.

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>

#include "rig_unit.h"
#include "test_timing.h"

namespace {

using namespace rigunit;

size_t Files(const std::string& dir) {
  std::error_code ec;
  size_t n = 0;
  for (auto it = std::filesystem::directory_iterator(dir, ec); !ec && it != std::filesystem::directory_iterator();
       it.increment(ec)) {
    n++;
  }
  return ec ? 999 : n;
}

// Setup, "Format Nav Directories", Yes: the store is emptied, the unit ends
// with status 5, and the next start makes a new root and nothing else.
TEST(RigNavViews, FormatNavDirectoriesEmptiesTheStoreAndEndsTheUnitWithStatus5) {
  RIG_GUARD rig{TEST_MakeTempDir("velmora-rig")};
  ASSERT_NO_FATAL_FAILURE(MakeRig(rig.dir));
  const TEST_TEMP_DIR base{TEST_MakeTempDir("velmora-base")};
  SeedUnit(base.dir, {{"SQCD", 1}});
  const std::string store = rig.dir + "/usr/velmora/";
  auto unit = TEST_Spawn(kVelmora, {}, {"VELMORA_DEVROOT=" + rig.dir, "VELMORA_CWD=" + base.dir});
  ASSERT_TRUE(TEST_bWaitForOutput(unit.get(), "run-system sent to", 20000));
  EXPECT_TRUE(TEST_bWaitUntil([&] { return Files(store + "wpts") > 0; }, 5000)) << "the root of a new store";
  // Setup is the tab after Alarms and Sonar; the navigation task's item is its fifth
  // row once the tasks told to run have registered theirs.
  EXPECT_EQ(0, Tool(rig.dir, "key hold MENU --ms 100"));
  ASSERT_TRUE(WaitForCount(unit.get(), "CMNU 3", 1, 5000));
  EXPECT_EQ(0, Tool(rig.dir, "key hold RIGHT --ms 100"));
  EXPECT_EQ(0, Tool(rig.dir, "key hold RIGHT --ms 100"));
  EXPECT_TRUE(ShowsGoldenBox(rig.dir, "main_setup", 120, 11, 560, 384));
  for (const char* key : {"DOWN", "DOWN", "DOWN", "DOWN", "DOWN", "RIGHT"}) {
    EXPECT_EQ(0, Tool(rig.dir, std::string("key hold ") + key + " --ms 100"));
  }
  ASSERT_TRUE(WaitForCount(unit.get(), "action Format Nav Directories", 1, 5000)) << Out(unit.get());
  // Yes once the question is up.
  EXPECT_TRUE(ShowsGoldenBox(rig.dir, "navviews_format_question", 190, 173, 420, 135));
  EXPECT_EQ(0, Tool(rig.dir, "key hold RIGHT --ms 100"));
  TEST_RESULT r = TEST_Finish(std::move(unit), 20000);
  EXPECT_EQ(5, r.status) << r.out << r.err;
  for (const char* dir : {"wpts", "routes", "tracks", "cr_track"}) EXPECT_EQ(0u, Files(store + dir)) << dir;

  auto again = TEST_Spawn(kVelmora, {}, {"VELMORA_DEVROOT=" + rig.dir, "VELMORA_CWD=" + base.dir});
  ASSERT_TRUE(TEST_bWaitForOutput(again.get(), "run-system sent to", 20000));
  EXPECT_TRUE(TEST_bWaitUntil([&] { return Files(store + "wpts") > 0; }, 5000)) << "a new root";
  TEST_Signal(again.get(), SIGTERM);
  TEST_RESULT second = TEST_Finish(std::move(again), 10000);
  EXPECT_EQ(2, second.status) << second.out << second.err;
  EXPECT_GT(Files(store + "wpts"), 0u);
  EXPECT_EQ(0u, Files(store + "routes"));
  EXPECT_EQ(0u, Files(store + "tracks"));
}

// The pixels that differ between two pages.
size_t Changed(const std::vector<COLOR>& a, const std::vector<COLOR>& b) {
  size_t n = 0;
  for (size_t i = 0; i < a.size() && i < b.size(); i++) n += a[i] != b[i];
  return n;
}

// The centre of the pixels of one colour inside a box of the page; {-1, -1}
// when there are none.
std::pair<double, double> Centre(const std::vector<COLOR>& page, COLOR c, int left, int top, int right, int bottom) {
  double sx = 0, sy = 0;
  int n = 0;
  for (int y = top; y < bottom; y++) {
    for (int x = left; x < right; x++) {
      if (page[(size_t)y * 800 + (size_t)x] != c) continue;
      sx += x;
      sy += y;
      n++;
    }
  }
  return n == 0 ? std::pair{-1.0, -1.0} : std::pair{sx / n, sy / n};
}

// With a fix, VIEW brings up the chart with the boat in the middle; the
// first cursor key puts the cursor on it, and holding the key east moves
// the cursor away: the chart follows the cursor, so the boat slides west.
TEST(RigNavViews, CursorKeysOnTheChartViewMoveTheCursorOnTheSavedScreen) {
  RIG_GUARD rig{TEST_MakeTempDir("velmora-rig")};
  ASSERT_NO_FATAL_FAILURE(MakeRig(rig.dir));
  const TEST_TEMP_DIR base{TEST_MakeTempDir("velmora-base")};
  SeedUnit(base.dir, {{"SQCD", 1}});
  auto feed = FixFeed(rig.dir);
  auto unit = TEST_Spawn(kVelmora, {}, {"VELMORA_DEVROOT=" + rig.dir, "VELMORA_CWD=" + base.dir});
  ASSERT_TRUE(TEST_bWaitForOutput(unit.get(), "run-system sent to", 20000));
  // Each VIEW shows the next view; the chart is one of them.
  ASSERT_TRUE(ShowChart(rig.dir, unit.get())) << Out(unit.get());
  const std::vector<COLOR> plain = StableScreen(rig.dir);
  EXPECT_EQ(0, Tool(rig.dir, "key hold RIGHT --ms 100"));
  const std::vector<COLOR> placed = NextScreen(rig.dir, plain);
  HoldKey(rig.dir, unit.get(), "RIGHT", 1500);  // the cursor snaps on release
  const std::vector<COLOR> moved = StableScreen(rig.dir);
  ASSERT_EQ(800u * 480u, plain.size());
  ASSERT_EQ(800u * 480u, moved.size());
  // The boat: the commonest colour near the middle that nothing else on the
  // page has (the course line, the grid and the boat's outline share theirs
  // with the line, the labels and the cursor's position box).
  std::map<COLOR, int> near, elsewhere;
  for (int y = 0; y < 480; y++) {
    for (int x = 0; x < 800; x++) {
      const bool bMiddle = y >= 210 && y < 270 && x >= 370 && x < 430;
      (bMiddle ? near : elsewhere)[plain[(size_t)y * 800 + (size_t)x]]++;
    }
  }
  COLOR boat = 0;
  int most = 0;
  for (auto [c, n] : near) {
    if (n > most && elsewhere.count(c) == 0) boat = c, most = n;
  }
  ASSERT_GE(most, 5) << "no boat in the middle";
  EXPECT_GT(Changed(plain, placed), 0u) << "the cursor did not come up";
  const auto before = Centre(plain, boat, 0, 0, 800, 480), after = Centre(moved, boat, 0, 0, 800, 480);
  ASSERT_GE(after.first, 0.0) << "the boat left the page";
  // A held key repeats fewer times on a slow (sanitized) run: any clear slide will do.
  EXPECT_LT(after.first, before.first - 40) << "the boat did not slide west";
  EXPECT_NEAR(after.second, before.second, 40);
  TEST_Signal(unit.get(), SIGTERM);
  TEST_Finish(std::move(unit), 10000);
  TEST_Signal(feed.get(), SIGTERM);
  TEST_Finish(std::move(feed), 5000);
}

}  // namespace
