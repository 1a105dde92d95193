// The waypoint manager in the whole unit on a host rig: a waypoint made
// through the item menu and the form's keys is listed, written to the
// store's files and read back by the next start; one deleted on screen
// stays deleted when the power goes at once.

#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "rig_unit.h"
#include "test_timing.h"

namespace {

using namespace rigunit;

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

// The list box of the manager's window.
const U32 kLeft = 0, kTop = 96, kWidth = 392, kHeight = 298;

// From the main menu's Nav tab (past Alarms and Sonar) into "Waypoints, Routes, Tracks", until the
// window shows its list as the golden has it. The express menu comes first
// once there is a fix (its Mark needs one): a second MENU goes on to the main
// menu. Without a fix yet, or with the navigation task's items not yet
// registered, the menus are left and tried again, as a user would, for as
// long as a fix may take (much longer under a sanitizer on a busy machine).
bool OpenManagerOnList(const std::string& rig, TEST_PROCESS* unit, const std::string& list) {
  bool bOpened = false;
  TEST_bWaitUntil(
      [&] {
        const size_t express = Count(Out(unit), "bBeginRoot: open express");
        const size_t main = Count(Out(unit), "bBeginRoot: open main");
        const size_t before = Count(Out(unit), "action Waypoints, Routes, Tracks");
        const size_t opens = Count(Out(unit), "bBeginRoot: open");
        ClickedKeys(rig, {"MENU"});
        WaitForCount(unit, "bBeginRoot: open", opens + 1, 3000);
        if (Count(Out(unit), "bBeginRoot: open express") > express) {
          ClickedKeys(rig, {"MENU"});
          if (WaitForCount(unit, "bBeginRoot: open main", main + 1, 3000)) {
            ClickedKeys(rig, {"RIGHT", "RIGHT", "DOWN", "DOWN", "RIGHT"});  // past Sonar and "Current Track"
            if (WaitForCount(unit, "action Waypoints, Routes, Tracks", before + 1, 3000)) return bOpened = true;
          }
        }
        // Back out of what opened; the next try has the next second's fix.
        const size_t closed = Count(Out(unit), "CMNU 0");
        for (int i = 0; i < 3 && Count(Out(unit), "bBeginRoot: open") > opens && Count(Out(unit), "CMNU 0") == closed;
             i++) {
          ClickedKeys(rig, {"EXIT"});
          WaitForCount(unit, "CMNU 0", closed + 1, 500);
        }
        return false;
      },
      20000);
  return bOpened && ShowsGoldenBox(rig, list, kLeft, kTop, kWidth, kHeight);
}

TEST(RigWptMgr, AWaypointMadeThroughTheFormsIsListedAndSurvivesARestart) {
  RIG_GUARD rig{TEST_MakeTempDir("velmora-rig")};
  const TEST_TEMP_DIR base{TEST_MakeTempDir("velmora-base")};
  std::unique_ptr<TEST_PROCESS> feed;
  auto unit = StartWithFix(rig.dir, base.dir, &feed);
  ASSERT_TRUE(unit);
  ASSERT_TRUE(OpenManagerOnList(rig.dir, unit.get(), "wptmgr_empty_list")) << Out(unit.get());
  // The empty list leaves the focus on Options: its menu, New, New Waypoint;
  // then down the form's six rows to Save.
  ClickedKeys(rig.dir, {"RIGHT", "RIGHT", "DOWN", "RIGHT"});
  ClickedKeys(rig.dir, {"DOWN", "DOWN", "DOWN", "DOWN", "DOWN", "DOWN", "RIGHT"});
  EXPECT_TRUE(TEST_bWaitUntil([&] { return InWaypointFiles(rig.dir, "WP001"); }, 5000)) << Out(unit.get());
  EXPECT_TRUE(ShowsGoldenBox(rig.dir, "wptmgr_listed_waypoint", kLeft, kTop, kWidth, kHeight));
  TEST_Signal(unit.get(), SIGTERM);
  TEST_Finish(std::move(unit), 10000);

  auto again = Start(rig.dir, base.dir);
  EXPECT_TRUE(OpenManagerOnList(rig.dir, again.get(), "wptmgr_listed_waypoint")) << Out(again.get());
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
  const TEST_TEMP_DIR base{TEST_MakeTempDir("velmora-base")};
  std::unique_ptr<TEST_PROCESS> feed;
  auto unit = StartWithFix(rig.dir, base.dir, &feed);
  ASSERT_TRUE(unit);
  ASSERT_TRUE(OpenManagerOnList(rig.dir, unit.get(), "wptmgr_empty_list")) << Out(unit.get());
  ClickedKeys(rig.dir, {"RIGHT", "RIGHT", "DOWN", "RIGHT"});
  ClickedKeys(rig.dir, {"DOWN", "DOWN", "DOWN", "DOWN", "DOWN", "DOWN", "RIGHT"});
  ASSERT_TRUE(TEST_bWaitUntil([&] { return InWaypointFiles(rig.dir, "WP001"); }, 5000)) << Out(unit.get());
  // The waypoint's menu, past Edit and Set Icon to Delete, Selected, and Yes in the confirmation,
  // which answers without a click.
  ClickedKeys(rig.dir, {"RIGHT", "DOWN", "DOWN", "RIGHT", "RIGHT"});
  EXPECT_EQ(0, Tool(rig.dir, "key hold RIGHT --ms 100"));
  TEST_bWaitUntil([&] { return !InWaypointFiles(rig.dir, "WP001"); }, 5000);
  TEST_Signal(unit.get(), SIGKILL);
  TEST_Finish(std::move(unit), 10000);

  auto again = Start(rig.dir, base.dir);
  ASSERT_TRUE(OpenManagerOnList(rig.dir, again.get(), "wptmgr_empty_list")) << Out(again.get());
  EXPECT_FALSE(InWaypointFiles(rig.dir, "WP001"));
  TEST_Signal(again.get(), SIGTERM);
  TEST_Finish(std::move(again), 10000);
  TEST_Signal(feed.get(), SIGTERM);
  TEST_Finish(std::move(feed), 5000);
}

}  // namespace
