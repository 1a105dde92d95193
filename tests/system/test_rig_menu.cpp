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
  const std::string base = TEST_MakeTempDir("velmora-base");
  SeedUnit(base, {{"SQCD", 1}});
  auto unit = TEST_Spawn(kVelmora, {}, {"VELMORA_DEVROOT=" + rig.dir, "VELMORA_CWD=" + base});
  ASSERT_TRUE(TEST_bWaitForOutput(unit.get(), "run-system sent to", 20000));
  // The menu's box only: the sonar view round it scrolls. The tasks register
  // their items as they are told to run, so the rows are counted only once
  // the box shows them all.
  const U32 kLeft = 120, kTop = 11, kWidth = 560, kHeight = 384;

  // The main menu opens on its first tab (Alarms); Setup is the next one.
  // The rows below are counted from the items the unit's tasks register
  // today: a new item above one of them moves it.
  EXPECT_EQ(0, Tool(rig.dir, "key hold MENU --ms 100"));
  ASSERT_TRUE(WaitForCount(unit.get(), "CMNU 3", 1, 5000));
  EXPECT_EQ(0, Tool(rig.dir, "key hold RIGHT --ms 100"));
  EXPECT_TRUE(ShowsGoldenBox(rig.dir, "main_setup", kLeft, kTop, kWidth, kHeight));
  // From the tab down to Sonar, below the navigation task's item, the info
  // task's three, the NMEA task's two and the temperature task's two.
  for (const char* key :
       {"DOWN", "DOWN", "DOWN", "DOWN", "DOWN", "DOWN", "DOWN", "DOWN", "DOWN", "DOWN", "DOWN", "LEFT"}) {
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

}  // namespace
