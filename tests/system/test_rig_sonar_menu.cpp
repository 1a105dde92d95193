// The Sonar tab of the main menu on a rig, keys only: Sensitivity brightens
// the 2D picture, a fixed Lower Range shows on the range scale, and the
// sonar switched off leaves the view saying so; then the remote's MINUS
// steps Sensitivity in its centred menu.

#include <signal.h>
#include <unistd.h>

#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "rig_unit.h"
#include "t_n_history.h"
#include "test_timing.h"

namespace {

using namespace rigunit;

// The summed colour levels of a box of the picture: the echo it shows.
long Echo(const std::vector<COLOR>& screen, U32 u32Left, U32 u32Top, U32 u32Width, U32 u32Height) {
  const COLOR* scheme = T_N_HISTORY_pcolScheme(FALSE);
  long sum = 0;
  for (COLOR c : Box(screen, u32Left, u32Top, u32Width, u32Height)) {
    for (int e = 1; e < 32; e++) {
      if (scheme[e] == c) sum += e;
    }
  }
  return sum;
}

TEST(RigSonarMenu, SensitivityBrightensThePictureLowerRangeFixesTheScaleAndSonarOffIsSaid) {
  RIG_GUARD rig{TEST_MakeTempDir("velmora-rig")};
  ASSERT_NO_FATAL_FAILURE(MakeRig(rig.dir));
  StillWater(rig.dir, "12");
  // Without noise the water above the bottom is plain, so what is drawn over
  // it can be compared.
  const std::string cfg = rig.dir + "/dev/sonar.cfg";
  std::ifstream in(cfg);
  std::string text((std::istreambuf_iterator<char>(in)), {});
  const std::string quiet = std::regex_replace(text, std::regex("(^|\n)noise(_swing)? *= *[0-9]+"), "$1noise$2 = 0");
  std::ofstream(cfg) << quiet;
  const TEST_TEMP_DIR base{TEST_MakeTempDir("velmora-base")};
  SeedUnit(base.dir, {{"SQCD", 1}});
  auto unit = Start(rig.dir, base.dir);
  ASSERT_TRUE(TEST_bWaitForOutput(unit.get(), "bottom found at", 10000)) << Out(unit.get());

  // Main menu, Sonar tab, Sensitivity from 10 to its top, 20.
  ASSERT_TRUE(OpenMainMenu(rig.dir, unit.get())) << Out(unit.get());
  PressKeys(rig.dir, unit.get(), {"RIGHT", "DOWN"});
  // The newest columns, right of the menu and left of the range marks.
  const long before = Echo(Screen(rig.dir), 740, 40, 50, 400);
  for (int i = 0; i < 10; i++) PressKeys(rig.dir, unit.get(), {"RIGHT"});
  ASSERT_TRUE(WaitForCount(unit.get(), "write SSS2 = 20 taken", 1, 5000)) << Out(unit.get());
  long after = 0;
  TEST_bWaitUntil([&] { return (after = Echo(Screen(rig.dir), 740, 40, 50, 400)) > before * 3 / 2; }, 10000);
  EXPECT_GT(after, before * 3 / 2) << "twice the gain shows more echo";

  // Lower Range two steps from Auto: 10 m.
  PressKeys(rig.dir, unit.get(), {"DOWN", "RIGHT", "RIGHT"});
  ASSERT_TRUE(WaitForCount(unit.get(), "write SSMD = 10.000 taken", 1, 5000)) << Out(unit.get());
  // The scale's corner once its columns are all of the new range, whose
  // 10 m end lies above the 12 m bottom.
  TEST_bWaitUntil([&] { return Echo(Screen(rig.dir), 740, 440, 60, 40) == 0; }, 20000);

  // The noise back: Surface Clutter at its top (in Advanced Sonar) clears
  // the weak returns under the surface from the newest columns.
  std::ofstream(cfg) << text;
  const auto band = [&rig] { return Echo(Screen(rig.dir), 770, 40, 20, 60); };
  TEST_bWaitUntil([&] { return band() > 0; }, 10000);
  ASSERT_GT(band(), 0) << "noise under the surface";
  PressKeys(rig.dir, unit.get(), {"DOWN", "DOWN", "DOWN", "DOWN", "RIGHT"});
  for (int i = 0; i < 10; i++) PressKeys(rig.dir, unit.get(), {"RIGHT"});
  ASSERT_TRUE(WaitForCount(unit.get(), "write SSCL = 10 taken", 1, 5000)) << Out(unit.get());
  long cleared = -1;
  TEST_bWaitUntil([&] { return (cleared = band()) == 0; }, 30000);
  EXPECT_EQ(0, cleared) << "no weak return left under the surface";

  // Quiet water again, scrolled through the scale's corner; then the sonar
  // off, a row above Advanced Sonar.
  std::ofstream(cfg) << quiet;
  PressKeys(rig.dir, unit.get(), {"EXIT"});
  TEST_bWaitUntil([&] { return Echo(Screen(rig.dir), 740, 440, 60, 40) == 0; }, 20000);
  PressKeys(rig.dir, unit.get(), {"UP", "LEFT"});
  ASSERT_TRUE(WaitForCount(unit.get(), "write SSEN = 0 taken", 1, 5000)) << Out(unit.get());
  const size_t closed = Count(Out(unit.get()), "CMNU 0");
  PressKeys(rig.dir, unit.get(), {"EXIT"});
  ASSERT_TRUE(WaitForCount(unit.get(), "CMNU 0", closed + 1, 5000)) << Out(unit.get());
  EXPECT_TRUE(ShowsGoldenBox(rig.dir, "sonar_off_note", 300, 200, 200, 60));
  EXPECT_TRUE(ShowsGoldenBox(rig.dir, "sonar_range_10m", 740, 440, 60, 40));

  // The remote's MINUS on the 2D view: the centred Sensitivity, one down.
  // The port's reader may drop a line while it settles: pressed again
  // until the menu opens.
  for (int i = 0; i < 10 && Count(Out(unit.get()), "open single Sensitivity") == 0; i++) {
    RemotePress(rig.dir, "3B");
    WaitForCount(unit.get(), "open single Sensitivity", 1, 1000);
  }
  EXPECT_TRUE(WaitForCount(unit.get(), "open single Sensitivity", 1, 0)) << Out(unit.get());
  EXPECT_TRUE(WaitForCount(unit.get(), "write SSS2 = 19 taken", 1, 5000)) << Out(unit.get());

  TEST_Signal(unit.get(), SIGTERM);
  TEST_RESULT r = TEST_Finish(std::move(unit), 10000);
  EXPECT_EQ(std::string::npos, r.out.find("error:")) << r.out;
}

}  // namespace
