// The menus of the whole unit on a host rig, driven through the keypad.

#include <gtest/gtest.h>
#include <signal.h>
#include <string.h>

#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "nvram_files.h"
#include "rig_unit.h"

namespace {

using namespace rigunit;

// The menus of the unit as it starts: MENU opens the main menu on its Setup
// tab, the Sonar selector writes its setting, and Restore Defaults asks
// first; the reset its Yes sends closes the menus.
TEST(Rig, TheMainMenuOpensOnSetupWritesTheSonarSettingAndAsksBeforeRestoringDefaults) {
  RIG_GUARD rig{TEST_MakeTempDir("velmora-rig")};
  ASSERT_NO_FATAL_FAILURE(MakeRig(rig.dir));
  const TEST_TEMP_DIR base{TEST_MakeTempDir("velmora-base")};
  SeedUnit(base.dir, {{"SQCD", 1}});
  auto unit = TEST_Spawn(kVelmora, {}, {"VELMORA_DEVROOT=" + rig.dir, "VELMORA_CWD=" + base.dir});
  ASSERT_TRUE(TEST_bWaitForOutput(unit.get(), "run-system sent to", 20000));
  // The menu's box only: the sonar view round it scrolls. The tasks register
  // their items as they are told to run, so the rows are counted only once
  // the box shows them all.
  const U32 kLeft = 120, kTop = 11, kWidth = 560, kHeight = 384;

  // The main menu opens on its first tab (Alarms); Setup comes after Sonar.
  // The rows below are counted from the items the unit's tasks register
  // today: a new item above one of them moves it.
  EXPECT_EQ(0, Tool(rig.dir, "key hold MENU --ms 100"));
  ASSERT_TRUE(WaitForCount(unit.get(), "CMNU 3", 1, 5000));
  EXPECT_EQ(0, Tool(rig.dir, "key hold RIGHT --ms 100"));
  EXPECT_EQ(0, Tool(rig.dir, "key hold RIGHT --ms 100"));
  EXPECT_TRUE(ShowsGoldenBox(rig.dir, "main_setup", kLeft, kTop, kWidth, kHeight));
  // From the tab down to Sonar, below the navigation task's item, the info
  // task's three, the NMEA task's five and the temperature task's two.
  for (const char* key : {"DOWN", "DOWN", "DOWN", "DOWN", "DOWN", "DOWN", "DOWN", "DOWN", "DOWN", "DOWN", "DOWN",
                          "DOWN", "DOWN", "DOWN", "LEFT"}) {
    EXPECT_EQ(0, Tool(rig.dir, std::string("key hold ") + key + " --ms 100"));
  }
  EXPECT_TRUE(WaitForCount(unit.get(), "write SSEN = 0 taken", 1, 5000));
  EXPECT_EQ(0, Tool(rig.dir, "key hold EXIT --ms 100"));
  EXPECT_TRUE(WaitForCount(unit.get(), "CMNU 0", 1, 5000));

  // The menu opens again on the tab it was left on, the focus on the tabs.
  for (const char* key : {"MENU", "DOWN", "DOWN", "DOWN", "DOWN", "RIGHT"}) {
    EXPECT_EQ(0, Tool(rig.dir, std::string("key hold ") + key + " --ms 100"));
  }
  ASSERT_TRUE(WaitForCount(unit.get(), "confirm Restore Defaults", 1, 5000));
  EXPECT_TRUE(ShowsGoldenBox(rig.dir, "main_confirm", kLeft, kTop, kWidth, kHeight));
  EXPECT_EQ(0, Tool(rig.dir, "key hold RIGHT --ms 100"));
  EXPECT_TRUE(WaitForCount(unit.get(), "CMNU 0", 2, 5000)) << "Yes restored the defaults and the reset closed the menu";

  TEST_Signal(unit.get(), SIGTERM);
  TEST_RESULT r = TEST_Finish(std::move(unit), 10000);
  EXPECT_EQ(2, r.status) << r.out << r.err;
  EXPECT_EQ(std::string::npos, r.out.find("error:")) << r.out;
}

// The Alarms tab of a metric unit with a fix: the navigation alarms in
// metres, the unit named (100 m and 50 m by factory default), never as bare
// feet.
TEST(Rig, TheAlarmsMenuOfAMetricUnitShowsItsDistancesInMetres) {
  RIG_GUARD rig{TEST_MakeTempDir("velmora-rig")};
  const TEST_TEMP_DIR base{TEST_MakeTempDir("velmora-base")};
  std::unique_ptr<TEST_PROCESS> feed;
  auto unit = StartWithFix(rig.dir, base.dir, &feed);
  ASSERT_TRUE(unit);
  ASSERT_TRUE(OpenMainMenuWithFix(rig.dir, unit.get())) << Out(unit.get());
  const U32 kLeft = 120, kTop = 11, kWidth = 560, kHeight = 384;
  EXPECT_TRUE(ShowsGoldenBox(rig.dir, "alarms_metric", kLeft, kTop, kWidth, kHeight));
  TEST_Signal(unit.get(), SIGTERM);
  TEST_RESULT r = TEST_Finish(std::move(unit), 10000);
  EXPECT_EQ(std::string::npos, r.out.find("error:")) << r.out;
  TEST_Signal(feed.get(), SIGTERM);
  TEST_Finish(std::move(feed), 5000);
}

// Feet chosen under Setup > Units - Depth, then POWER held: the next start
// shows the still 12 m bottom as 39.4 ft in the 2D view's readout and in the
// big-digits Depth box (12 / 0.3048 = 39.37).
TEST(Rig, DepthInFeetChosenInTheMenuIsShownInFeetAfterAnOrderlyRestart) {
  RIG_GUARD rig{TEST_MakeTempDir("velmora-rig")};
  ASSERT_NO_FATAL_FAILURE(MakeRig(rig.dir));
  StillWater(rig.dir, "12");
  const TEST_TEMP_DIR base{TEST_MakeTempDir("velmora-base")};
  SeedUnit(base.dir, {{"SQCD", 1}});
  const std::vector<std::string> environment = {"VELMORA_DEVROOT=" + rig.dir, "VELMORA_CWD=" + base.dir};
  auto unit = TEST_Spawn(kVelmora, {}, environment);
  ASSERT_TRUE(TEST_bWaitForOutput(unit.get(), "every task has taken run-system", 20000)) << Out(unit.get());
  for (const char* key : {"MENU", "RIGHT", "RIGHT", "DOWN", "RIGHT"}) {
    EXPECT_EQ(0, Tool(rig.dir, std::string("key hold ") + key + " --ms 100"));
  }
  ASSERT_TRUE(WaitForCount(unit.get(), "write SUDP = 11 taken", 1, 5000)) << Out(unit.get());
  const size_t closed = Count(Out(unit.get()), "CMNU 0");
  EXPECT_EQ(0, Tool(rig.dir, "key hold EXIT --ms 100"));
  EXPECT_TRUE(WaitForCount(unit.get(), "CMNU 0", closed + 1, 5000));
  EXPECT_EQ(0, Tool(rig.dir, "key press POWER"));
  EXPECT_TRUE(TEST_bWaitForOutput(unit.get(), "shutdown (power down)", 10000)) << Out(unit.get());
  Tool(rig.dir, "key release POWER");  // refused when the unit has already ended
  TEST_RESULT r = TEST_Finish(std::move(unit), 15000);
  EXPECT_EQ(10, r.status) << r.out << r.err;
  EXPECT_EQ(11u, nvfiles::Stored(base.dir, "SUDP")) << "feet";

  unit = TEST_Spawn(kVelmora, {}, environment);
  ASSERT_TRUE(TEST_bWaitForOutput(unit.get(), "update CVEW to 21", 20000)) << Out(unit.get());
  ASSERT_TRUE(TEST_bWaitForOutput(unit.get(), "bottom found at", 10000)) << Out(unit.get());
  const U32 kReadoutWidth = 130, kReadoutHeight = 44;
  EXPECT_TRUE(ShowsGoldenBox(rig.dir, "feet_2d_readout", 0, 0, kReadoutWidth, kReadoutHeight));
  EXPECT_EQ(0, Tool(rig.dir, "key hold VIEW --ms 100"));
  ASSERT_TRUE(WaitForCount(unit.get(), "update CVEW to 22", 1, 5000)) << Out(unit.get());
  const U32 kBoxWidth = 292, kBoxHeight = 158;
  EXPECT_TRUE(ShowsGoldenBox(rig.dir, "feet_big_digits_depth", 0, 0, kBoxWidth, kBoxHeight));
  TEST_Signal(unit.get(), SIGTERM);
  r = TEST_Finish(std::move(unit), 10000);
  EXPECT_EQ(std::string::npos, r.out.find("error:")) << r.out;
}

}  // namespace
