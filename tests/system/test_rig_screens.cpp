// What the screens tell a boater on a rig: the big digits' units inside
// their boxes in a wide script, and the readouts drawn whole beside the
// POWER pop-up's bar, a note and the route editor, where a note leaves the
// next key to the menu.

#include <signal.h>

#include <string>

#include "rig_unit.h"
#include "test_timing.h"

namespace {

using namespace rigunit;

void End(std::unique_ptr<TEST_PROCESS> unit) {
  TEST_Signal(unit.get(), SIGTERM);
  TEST_RESULT r = TEST_Finish(std::move(unit), 10000);
  EXPECT_EQ(std::string::npos, r.out.find("error:")) << r.out;
}

// Japanese with depths in fathoms: the still 12 m bottom is 6.6 fathoms,
// with its unit "尋" inside the Depth box's top right corner.
TEST(RigScreens, TheJapaneseBigDigitsDepthShowsItsFathomsInsideTheBox) {
  RIG_GUARD rig{TEST_MakeTempDir("velmora-rig")};
  ASSERT_NO_FATAL_FAILURE(MakeRig(rig.dir));
  StillWater(rig.dir, "12");
  const TEST_TEMP_DIR base{TEST_MakeTempDir("velmora-base")};
  SeedUnit(base.dir, {{"SQCD", 1}, {"SLNS", 1}, {"SLNG", 22}, {"SUDP", 12}});
  auto unit = Start(rig.dir, base.dir);
  ASSERT_TRUE(TEST_bWaitForOutput(unit.get(), "bottom found at", 10000)) << Out(unit.get());
  ShowView(rig.dir, unit.get(), 22);
  ASSERT_EQ(22, Stored(rig.dir, "CVEW"));
  const U32 kBoxWidth = 292, kBoxHeight = 158;
  EXPECT_TRUE(ShowsGoldenBox(rig.dir, "ja_fathoms_big_digits_depth", 0, 0, kBoxWidth, kBoxHeight));
  End(std::move(unit));
}

// With a fix and the sonar off (a picture that stands still), on the 2D
// view's readouts: the POWER pop-up's bar starts right of the clock; MENU
// pressed while a mark's note shows opens the menu; on the chart the route
// editor leaves out the clock it would cut.
TEST(RigScreens, ReadoutsStayWholeBesideThePowerBarAndTheRouteEditorAndANoteLeavesTheNextKey) {
  RIG_GUARD rig{TEST_MakeTempDir("velmora-rig")};
  ASSERT_NO_FATAL_FAILURE(MakeRig(rig.dir));
  const TEST_TEMP_DIR base{TEST_MakeTempDir("velmora-base")};
  SeedUnit(base.dir, {{"SQCD", 1}, {"SSEN", 0}});
  auto feed = FixFeed(rig.dir);
  auto unit = Start(rig.dir, base.dir);

  // The clock and the bar beside it, once the speed has its fixes (22.4
  // knots). The rows above the clock are left out: in the thread checker's
  // slow build the speed has been seen there in place of the depth's dashes.
  TEST_bWaitUntilEvery([&] { return Stored(rig.dir, "ISOG") > 11.5; }, 30000, 500);
  const U32 kClockTop = 432;
  HoldKey(rig.dir, unit.get(), "POWER", 100);
  EXPECT_TRUE(ShowsGoldenBox(rig.dir, "power_bar_beside_readouts", 0, kClockTop, 800, 480 - kClockTop, 20000));
  HoldKey(rig.dir, unit.get(), "EXIT", 100);

  // Mark, the first row of the menu every view shares; its note shows for
  // five seconds.
  ASSERT_TRUE(OpenExpressMenu(rig.dir, unit.get())) << Out(unit.get());
  const size_t marks = Count(Out(unit.get()), "action Mark");
  PressKeys(rig.dir, unit.get(), {"RIGHT"});
  ASSERT_TRUE(WaitForCount(unit.get(), "action Mark", marks + 1, 5000)) << Out(unit.get());
  const size_t express = Count(Out(unit.get()), "bBeginRoot: open express");
  PressKeys(rig.dir, unit.get(), {"MENU"});
  EXPECT_TRUE(WaitForCount(unit.get(), "bBeginRoot: open express", express + 1, 3000)) << "MENU spent on the note";
  PressKeys(rig.dir, unit.get(), {"EXIT"});

  ShowView(rig.dir, unit.get(), 52);
  const std::vector<COLOR> chart = StableBox(rig.dir, 160, 0, 16, 480);
  ASSERT_TRUE(RunChartMenuRow(rig.dir, unit.get(), "New Route")) << Out(unit.get());
  // The editor's left edge at x 160, over the chart.
  WaitForScreen(rig.dir, [&](const std::vector<COLOR>& s) { return Box(s, 160, 0, 16, 480) != Box(chart, 160, 0, 16, 480); },
                5000);
  EXPECT_TRUE(ShowsGoldenBox(rig.dir, "route_editor_beside_readouts", 0, 0, 176, 480));
  End(std::move(unit));
  TEST_Signal(feed.get(), SIGTERM);
  TEST_Finish(std::move(feed), 5000);
}

}  // namespace
