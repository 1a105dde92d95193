// The waypoint manager in the whole unit on a host rig: a waypoint made
// through the item menu and the form's keys is listed, written to the
// store's files and read back by the next start.

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "rig_unit.h"
#include "test_timing.h"

namespace {

using namespace rigunit;

void Keys(const std::string& rig, std::initializer_list<const char*> keys) {
  for (const char* key : keys) {
    EXPECT_EQ(0, Tool(rig, std::string("key hold ") + key + " --ms 100"));
    usleep(300 * 1000);
  }
}

// Whether a file of the store's waypoint directory holds the text.
bool InWaypointFiles(const std::string& rig, const std::string& text) {
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(rig + "/usr/velmora/wpts", ec)) {
    std::ifstream in(entry.path(), std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    if (bytes.str().find(text) != std::string::npos) return true;
  }
  return false;
}

// The unit started on the rig, its tasks told to run.
std::unique_ptr<TEST_PROCESS> Start(const std::string& rig, const std::string& base) {
  auto unit = TEST_Spawn(kVelmora, {}, {"VELMORA_DEVROOT=" + rig, "VELMORA_CWD=" + base});
  EXPECT_TRUE(TEST_bWaitForOutput(unit.get(), "run-system sent to", 20000)) << Out(unit.get());
  usleep(500 * 1000);  // the tasks register their items as they are told
  return unit;
}

// From the main menu's Nav tab into "Waypoints, Routes, Tracks". The express
// menu comes first once there is a fix (its Mark needs one): a second MENU
// goes on to the main menu; without a fix yet, the main menu is left and the
// next second's fix awaited.
bool OpenManager(const std::string& rig, TEST_PROCESS* unit) {
  for (int attempt = 0; attempt < 20; attempt++) {
    const size_t express = Count(Out(unit), "bBeginRoot: open express");
    const size_t main = Count(Out(unit), "bBeginRoot: open main");
    Keys(rig, {"MENU"});
    if (WaitForCount(unit, "bBeginRoot: open express", express + 1, 1500)) {
      Keys(rig, {"MENU"});
      if (!WaitForCount(unit, "bBeginRoot: open main", main + 1, 3000)) return false;
      const size_t before = Count(Out(unit), "action Waypoints, Routes, Tracks");
      Keys(rig, {"RIGHT", "DOWN", "DOWN", "RIGHT"});  // past "Current Track"
      if (!WaitForCount(unit, "action Waypoints, Routes, Tracks", before + 1, 3000)) return false;
      usleep(500 * 1000);  // the window takes the keys
      return true;
    }
    if (Count(Out(unit), "bBeginRoot: open main") > main) Keys(rig, {"EXIT"});
    usleep(700 * 1000);
  }
  return false;
}

TEST(RigWptMgr, AWaypointMadeThroughTheFormsIsListedAndSurvivesARestart) {
  RIG_GUARD rig{TEST_MakeTempDir("velmora-rig")};
  ASSERT_NO_FATAL_FAILURE(MakeRig(rig.dir));
  const std::string base = TEST_MakeTempDir("velmora-base");
  SeedUnit(base, {{"SQCD", 1}});
  auto feed = FixFeed(rig.dir);
  auto unit = Start(rig.dir, base);
  ASSERT_TRUE(OpenManager(rig.dir, unit.get())) << Out(unit.get());
  // The empty list leaves the focus on Options: its menu, New, New Waypoint;
  // then down the form's six rows to Save.
  Keys(rig.dir, {"RIGHT", "RIGHT", "DOWN", "RIGHT"});
  Keys(rig.dir, {"DOWN", "DOWN", "DOWN", "DOWN", "DOWN", "DOWN", "RIGHT"});
  EXPECT_TRUE(TEST_bWaitUntil([&] { return InWaypointFiles(rig.dir, "WP001"); }, 5000)) << Out(unit.get());
  const U32 kLeft = 0, kTop = 96, kWidth = 392, kHeight = 298;
  EXPECT_TRUE(ShowsGoldenBox(rig.dir, "wptmgr_listed_waypoint", kLeft, kTop, kWidth, kHeight));
  TEST_Signal(unit.get(), SIGTERM);
  TEST_Finish(std::move(unit), 10000);

  auto again = Start(rig.dir, base);
  ASSERT_TRUE(OpenManager(rig.dir, again.get())) << Out(again.get());
  EXPECT_TRUE(ShowsGoldenBox(rig.dir, "wptmgr_listed_waypoint", kLeft, kTop, kWidth, kHeight));
  TEST_Signal(again.get(), SIGTERM);
  TEST_Finish(std::move(again), 10000);
  TEST_Signal(feed.get(), SIGTERM);
  TEST_Finish(std::move(feed), 5000);
}

}  // namespace
