// The chart view's menu on a rig with a fix, keys and the remote only: a
// route of three marks built in the route editor, a waypoint renamed in the
// waypoint editor, the remote's PLUS zooming in, the route travelled, and
// after an orderly restart the waypoint manager listing both.

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "layer_id.h"
#include "rig_unit.h"
#include "test_timing.h"

namespace {

using namespace rigunit;

// A fix once a second at 48 07.038 N and the given minutes east of 11
// degrees, until the feed is ended.
std::unique_ptr<TEST_PROCESS> FixAt(const std::string& rig, const std::string& minutes) {
  const std::string file = rig + "/fix-" + minutes + ".nmea";
  std::ofstream(file) << NmeaLine("GPGGA,123519,4807.038,N,011" + minutes + ",E,1,08,0.9,545.4,M,46.9,M,,")
                      << NmeaLine("GPRMC,123519,A,4807.038,N,011" + minutes + ",E,000.0,084.4,071226,003.1,W");
  return TEST_Spawn(kRigTool, {"--rig", rig, "feed", "ttyO3", file, "--baud", "38400", "--repeat", "600", "--every", "1"},
                    {});
}

// Three marks at the boat from the chart's menu, the boat moved a fifth of
// a minute east between them (one place takes one waypoint): WP001 to
// WP003.
void ThreeMarks(const std::string& rig, TEST_PROCESS* unit, std::unique_ptr<TEST_PROCESS>& feed) {
  ShowView(rig, unit, 52);
  ASSERT_EQ(52, Stored(rig, "CVEW")) << Out(unit);
  for (int n = 0; n < 3; n++) {
    if (n > 0) {
      TEST_Signal(feed.get(), SIGTERM);
      TEST_Finish(std::move(feed), 5000);
      const std::string minutes = n == 1 ? "31.200" : "31.400";
      feed = FixAt(rig, minutes);
      const double east = 11 + std::stod(minutes) / 60;
      TEST_bWaitUntilEvery([&] { return std::fabs(Stored(rig, "ILND") - east) <= 1e-4; }, 10000, 100);
    }
    ASSERT_TRUE(RunChartMenuRow(rig, unit, "Mark")) << Out(unit);
  }
}

// A rig with a fix and a unit that has marked WP001 to WP003 there.
void StartWithMarks(const std::string& rig, const std::string& base, std::unique_ptr<TEST_PROCESS>& feed,
                    std::unique_ptr<TEST_PROCESS>& unit) {
  ASSERT_NO_FATAL_FAILURE(MakeRig(rig));
  SeedUnit(base, {{"SQCD", 1}});
  feed = FixAt(rig, "31.000");
  unit = Start(rig, base);
  ASSERT_NO_FATAL_FAILURE(ThreeMarks(rig, unit.get(), feed));
}

void End(std::unique_ptr<TEST_PROCESS> unit, std::unique_ptr<TEST_PROCESS> feed) {
  TEST_Signal(unit.get(), SIGTERM);
  TEST_Finish(std::move(unit), 10000);
  TEST_Signal(feed.get(), SIGTERM);
  TEST_Finish(std::move(feed), 5000);
}

// An orderly restart: POWER held until the shutdown has begun (a change is
// saved within seconds anyway, so a save alone says nothing of it).
std::unique_ptr<TEST_PROCESS> Restart(const std::string& rig, const std::string& base,
                                      std::unique_ptr<TEST_PROCESS> unit) {
  EXPECT_EQ(0, Tool(rig, "key press POWER"));
  EXPECT_TRUE(TEST_bWaitForOutput(unit.get(), "shutdown (power down)", 10000)) << Out(unit.get());
  Tool(rig, "key release POWER");  // refused when the unit has already ended
  EXPECT_EQ(10, TEST_Finish(std::move(unit), 15000).status);
  return Start(rig, base);
}

// The GPS diagnostic page, shown from the Views tab (SVGD), is one of the
// views VIEW steps through once the first sentence has brought it.
TEST(RigNavMenus, TheGpsDiagnosticPageShownInTheViewsTabIsAStepOfVIEW) {
  RIG_GUARD rig{TEST_MakeTempDir("velmora-rig")};
  const TEST_TEMP_DIR base{TEST_MakeTempDir("velmora-base")};
  ASSERT_NO_FATAL_FAILURE(MakeRig(rig.dir));
  SeedUnit(base.dir, {{"SQCD", 1}, {"SVGD", 1}});
  auto feed = FixAt(rig.dir, "31.000");
  auto unit = Start(rig.dir, base.dir);
  const double page = DIAGNOSTIC_GPS_CARTOGRAPHY;
  for (int press = 0; press < 16 && Stored(rig.dir, "CVEW") != page; press++) {
    const double view = Stored(rig.dir, "CVEW");
    PressKeys(rig.dir, unit.get(), {"VIEW"});
    TEST_bWaitUntilEvery([&] { return Stored(rig.dir, "CVEW") != view; }, 3000, 100);
  }
  EXPECT_EQ(page, Stored(rig.dir, "CVEW")) << Out(unit.get());
  End(std::move(unit), std::move(feed));
}

TEST(RigNavMenus, ARouteBuiltAndAWaypointRenamedFromTheChartMenuAreInTheManagerAfterARestart) {
  RIG_GUARD rig{TEST_MakeTempDir("velmora-rig")};
  const TEST_TEMP_DIR base{TEST_MakeTempDir("velmora-base")};
  std::unique_ptr<TEST_PROCESS> feed, unit;
  ASSERT_NO_FATAL_FAILURE(StartWithMarks(rig.dir, base.dir, feed, unit));

  // New Route: the route editor on its Name row; down to Waypoints, then
  // each mark added in turn from the list of all.
  ASSERT_TRUE(RunChartMenuRow(rig.dir, unit.get(), "New Route")) << Out(unit.get());
  PressKeys(rig.dir, unit.get(), {"DOWN", "RIGHT", "RIGHT", "LEFT", "DOWN", "RIGHT", "LEFT", "DOWN", "RIGHT", "EXIT", "DOWN", "RIGHT"});
  struct stat st = {};
  const std::string route = rig.dir + "/usr/velmora/routes/0";
  TEST_bWaitUntil([&] { return stat(route.c_str(), &st) == 0; }, 5000);
  ASSERT_EQ(0, stat(route.c_str(), &st)) << "the route is stored";

  // Edit Waypoint: no cursor, so the waypoint picker; its first waypoint's
  // first letter one step on, then Save.
  ASSERT_TRUE(RunChartMenuRow(rig.dir, unit.get(), "Edit Waypoint")) << Out(unit.get());
  PressKeys(rig.dir, unit.get(), {"DOWN", "RIGHT", "RIGHT", "UP", "EXIT", "DOWN", "DOWN", "DOWN", "DOWN", "RIGHT"});

  // The remote's PLUS on the chart: one step of zoom in. Its line shares
  // the port with the fix and may be cut by it: pressed again until taken.
  const double zoom = Stored(rig.dir, "SNCS");
  for (int i = 0; i < 20 && Stored(rig.dir, "SNCS") == zoom; i++) {
    RemotePress(rig.dir, "3C");
    TEST_bWaitUntilEvery([&] { return Stored(rig.dir, "SNCS") != zoom; }, 1000, 100);
  }
  EXPECT_EQ(zoom - 1, Stored(rig.dir, "SNCS")) << "PLUS zooms in one step";

  // Travel Route: the picker's first route, forward.
  ASSERT_TRUE(RunChartMenuRow(rig.dir, unit.get(), "Travel Route")) << Out(unit.get());
  PressKeys(rig.dir, unit.get(), {"DOWN", "RIGHT"});
  TEST_bWaitUntilEvery([&] { return Stored(rig.dir, "CCRT") == 0; }, 5000, 100);
  EXPECT_EQ(0, Stored(rig.dir, "CCRT")) << "route 0 is travelled";

  // An orderly restart, then the manager: the route and the renamed mark.
  auto again = Restart(rig.dir, base.dir, std::move(unit));
  ASSERT_TRUE(OpenManager(rig.dir, again.get())) << Out(again.get());
  const U32 kLeft = 0, kTop = 96, kWidth = 392, kHeight = 298;
  EXPECT_TRUE(ShowsGoldenBox(rig.dir, "chart_menu_route_in_manager", kLeft, kTop, kWidth, kHeight));
  End(std::move(again), std::move(feed));
}

// In the waypoint manager, keys only: a new route filled with the three
// marks, and a new group given two of them of which one is taken out
// again; after an orderly restart the group holds the other and the route
// all three.
TEST(RigNavMenus, TheManagerBuildsARouteAndAddsToAndRemovesFromAGroupThatStayAfterARestart) {
  RIG_GUARD rig{TEST_MakeTempDir("velmora-rig")};
  const TEST_TEMP_DIR base{TEST_MakeTempDir("velmora-base")};
  std::unique_ptr<TEST_PROCESS> feed, unit;
  ASSERT_NO_FATAL_FAILURE(StartWithMarks(rig.dir, base.dir, feed, unit));
  ASSERT_TRUE(OpenManager(rig.dir, unit.get())) << Out(unit.get());

  // Up to the low bar: Options, New, New Route, and its form's Plan Route.
  // The list then highlights RT001 above the marks: each one East adds.
  PressKeys(rig.dir, unit.get(), {"UP", "RIGHT", "RIGHT", "DOWN", "DOWN", "RIGHT", "DOWN", "DOWN", "RIGHT"});
  PressKeys(rig.dir, unit.get(), {"DOWN", "RIGHT", "DOWN", "RIGHT", "DOWN", "RIGHT", "EXIT", "RIGHT"});
  // Options, New, New Group, and its form's Add Items; GP001 heads the
  // list: WP001 and WP002 go in, and the edit is saved.
  PressKeys(rig.dir, unit.get(), {"RIGHT", "RIGHT", "RIGHT", "DOWN", "DOWN", "RIGHT"});
  PressKeys(rig.dir, unit.get(), {"DOWN", "DOWN", "RIGHT", "DOWN", "RIGHT", "EXIT", "RIGHT"});
  // GP001's Add/Remove, into the group, WP001 out (Yes), saved.
  PressKeys(rig.dir, unit.get(), {"DOWN", "RIGHT", "DOWN", "RIGHT", "RIGHT", "RIGHT", "RIGHT", "EXIT", "RIGHT"});

  auto again = Restart(rig.dir, base.dir, std::move(unit));
  ASSERT_TRUE(OpenManager(rig.dir, again.get())) << Out(again.get());
  const U32 kLeft = 0, kTop = 96, kWidth = 392, kHeight = 298;
  EXPECT_TRUE(ShowsGoldenBox(rig.dir, "manager_root_after_edits", kLeft, kTop, kWidth, kHeight));
  PressKeys(rig.dir, again.get(), {"RIGHT", "RIGHT"});  // GP001's menu, Open
  EXPECT_TRUE(ShowsGoldenBox(rig.dir, "manager_group_after_edits", kLeft, kTop, kWidth, kHeight));
  PressKeys(rig.dir, again.get(), {"LEFT", "DOWN", "RIGHT", "RIGHT"});  // up, RT001's menu, Open
  EXPECT_TRUE(ShowsGoldenBox(rig.dir, "manager_route_after_edits", kLeft, kTop, kWidth, kHeight));
  End(std::move(again), std::move(feed));
}

}  // namespace
