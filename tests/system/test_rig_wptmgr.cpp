// The waypoint manager in the whole unit on a host rig: a waypoint made
// through the item menu and the form's keys is listed, written to the
// store's files and read back by the next start; one deleted on screen
// stays deleted when the power goes at once.

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "rig_unit.h"

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
  bool bStored = false;
  for (int i = 0; i < 50 && !(bStored = InWaypointFiles(rig.dir, "WP001")); i++) usleep(100 * 1000);
  EXPECT_TRUE(bStored) << Out(unit.get());
  const U32 kLeft = 0, kTop = 96, kWidth = 392, kHeight = 298;
  EXPECT_TRUE(MatchesGoldenBox("wptmgr_listed_waypoint", StableScreen(rig.dir), kLeft, kTop, kWidth, kHeight));
  TEST_Signal(unit.get(), SIGTERM);
  TEST_Finish(std::move(unit), 10000);

  auto again = Start(rig.dir, base);
  ASSERT_TRUE(OpenManager(rig.dir, again.get())) << Out(again.get());
  EXPECT_TRUE(MatchesGoldenBox("wptmgr_listed_waypoint", StableScreen(rig.dir), kLeft, kTop, kWidth, kHeight));
  TEST_Signal(again.get(), SIGTERM);
  TEST_Finish(std::move(again), 10000);
  TEST_Signal(feed.get(), SIGTERM);
  TEST_Finish(std::move(feed), 5000);
}

// The power goes (kill -9) right after a delete the user confirmed, before
// the unit ever saved its settings: the next start rebuilds the tree from
// the record files it finds, and the deleted waypoint must not be among them.
TEST(RigWptMgr, AWaypointDeletedOnScreenStaysDeletedAfterAKill) {
  RIG_GUARD rig{TEST_MakeTempDir("velmora-rig")};
  ASSERT_NO_FATAL_FAILURE(MakeRig(rig.dir));
  const std::string base = TEST_MakeTempDir("velmora-base");
  SeedUnit(base, {{"SQCD", 1}});
  auto feed = FixFeed(rig.dir);
  auto unit = Start(rig.dir, base);
  ASSERT_TRUE(OpenManager(rig.dir, unit.get())) << Out(unit.get());
  Keys(rig.dir, {"RIGHT", "RIGHT", "DOWN", "RIGHT"});
  Keys(rig.dir, {"DOWN", "DOWN", "DOWN", "DOWN", "DOWN", "DOWN", "RIGHT"});
  bool bStored = false;
  for (int i = 0; i < 50 && !(bStored = InWaypointFiles(rig.dir, "WP001")); i++) usleep(100 * 1000);
  ASSERT_TRUE(bStored) << Out(unit.get());
  // The waypoint's menu, past Edit and Set Icon to Delete, Selected, and
  // Yes in the confirmation.
  Keys(rig.dir, {"RIGHT", "DOWN", "DOWN", "RIGHT", "RIGHT", "RIGHT"});
  for (int i = 0; i < 50 && InWaypointFiles(rig.dir, "WP001"); i++) usleep(100 * 1000);
  TEST_Signal(unit.get(), SIGKILL);
  TEST_Finish(std::move(unit), 10000);

  auto again = Start(rig.dir, base);
  ASSERT_TRUE(OpenManager(rig.dir, again.get())) << Out(again.get());
  EXPECT_FALSE(InWaypointFiles(rig.dir, "WP001"));
  TEST_Signal(again.get(), SIGTERM);
  TEST_Finish(std::move(again), 10000);
  TEST_Signal(feed.get(), SIGTERM);
  TEST_Finish(std::move(feed), 5000);
}

}  // namespace
