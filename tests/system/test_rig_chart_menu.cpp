// The chart view's menu on a rig with a fix, keys and the remote only: a
// route of three marks built in the route editor, a waypoint renamed in the
// waypoint editor, the remote's PLUS zooming in, the route travelled, and
// after an orderly restart the waypoint manager listing both.

#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "rig_unit.h"

namespace {

using namespace rigunit;

void Keys(const std::string& rig, std::initializer_list<const char*> keys) {
  for (const char* key : keys) {
    EXPECT_EQ(0, Tool(rig, std::string("key hold ") + key + " --ms 100"));
    usleep(200 * 1000);
  }
}

// The number `rig db` prints first for a key; -1 when it cannot be had.
long Stored(const std::string& rig, const std::string& key) {
  std::smatch m;
  const std::string out = ToolRun(rig, {"db", key}).out;
  return std::regex_search(out, m, std::regex(key + " (-?[0-9]+)")) ? std::stol(m[1]) : -1;
}

// MENU until the view's own menu is open (it has rows once there is a fix);
// the main menu that opens before is closed again.
bool OpenViewMenu(const std::string& rig, TEST_PROCESS* unit) {
  for (int attempt = 0; attempt < 20; attempt++) {
    const size_t before = Count(Out(unit), "bBeginRoot: open express");
    const size_t main = Count(Out(unit), "bBeginRoot: open main");
    Keys(rig, {"MENU"});
    if (WaitForCount(unit, "bBeginRoot: open express", before + 1, 1500)) return true;
    if (Count(Out(unit), "bBeginRoot: open main") > main) Keys(rig, {"EXIT"});
    usleep(500 * 1000);
  }
  return false;
}

// Opens the chart's menu and runs its row of that name, found where the
// menus say it is now (marks and navigation add rows above it).
bool RunChartMenuRow(const std::string& rig, TEST_PROCESS* unit, const std::string& name) {
  int index = -1;
  for (int i = 0; i < 50 && index < 0; i++) {
    if (i > 0) usleep(100 * 1000);
    std::istringstream rows(ToolRun(rig, {"menus"}).out);
    int n = 0;
    for (std::string line; std::getline(rows, line);) {
      if (line.rfind("@52.1\t", 0) != 0) continue;
      if (line.rfind("@52.1\t" + name + "\t", 0) == 0) index = n;
      n++;
    }
  }
  if (index < 0 || !OpenViewMenu(rig, unit)) return false;
  const size_t before = Count(Out(unit), "action " + name);
  for (int i = 0; i < index; i++) Keys(rig, {"DOWN"});
  Keys(rig, {"RIGHT"});
  return WaitForCount(unit, "action " + name, before + 1, 5000);
}

// An NMEA line with its checksum.
std::string Sentence(const std::string& body) {
  unsigned sum = 0;
  for (char c : body) sum ^= (unsigned char)c;
  char tail[8];
  snprintf(tail, sizeof tail, "*%02X\r\n", sum);
  return "$" + body + tail;
}

// A fix once a second at 48 07.038 N and the given minutes east of 11
// degrees, until the feed is ended.
std::unique_ptr<TEST_PROCESS> FixAt(const std::string& rig, const std::string& minutes) {
  const std::string file = rig + "/fix-" + minutes + ".nmea";
  std::ofstream(file) << Sentence("GPGGA,123519,4807.038,N,011" + minutes + ",E,1,08,0.9,545.4,M,46.9,M,,")
                      << Sentence("GPRMC,123519,A,4807.038,N,011" + minutes + ",E,000.0,084.4,071226,003.1,W");
  return TEST_Spawn(kRigTool, {"--rig", rig, "feed", "ttyO3", file, "--baud", "38400", "--repeat", "600", "--every", "1"},
                    {});
}

// The boat's longitude in degrees as the unit has it; 0 when unknown.
double Longitude(const std::string& rig) {
  std::smatch m;
  const std::string out = ToolRun(rig, {"db", "ILND"}).out;
  return std::regex_search(out, m, std::regex("ILND (-?[0-9.]+)")) ? std::stod(m[1]) : 0.0;
}

// A dongle line: the checksum is the XOR of everything between '$' and '*'.
std::string DongleLine(const std::string& body) {
  unsigned sum = 0;
  for (char c : body) sum ^= (unsigned char)c;
  char tail[8];
  snprintf(tail, sizeof tail, "*%02X\r\n", sum);
  return "$" + body + tail;
}

TEST(RigChartMenu, ARouteBuiltAndAWaypointRenamedFromTheChartMenuAreInTheManagerAfterARestart) {
  RIG_GUARD rig{TEST_MakeTempDir("velmora-rig")};
  ASSERT_NO_FATAL_FAILURE(MakeRig(rig.dir));
  const std::string base = TEST_MakeTempDir("velmora-base");
  SeedUnit(base, {{"SQCD", 1}});
  auto feed = FixAt(rig.dir, "31.000");
  auto unit = Start(rig.dir, base);

  bool bChart = false;
  for (int press = 0; press < 12 && !bChart; press++) {
    const size_t before = Count(Out(unit.get()), "update CVEW to 52");
    Keys(rig.dir, {"VIEW"});
    bChart = WaitForCount(unit.get(), "update CVEW to 52", before + 1, 3000);
  }
  ASSERT_TRUE(bChart) << Out(unit.get());
  // Three marks at the boat, moved a fifth of a minute east between them
  // (one place takes one waypoint).
  for (int n = 0; n < 3; n++) {
    if (n > 0) {
      TEST_Signal(feed.get(), SIGTERM);
      TEST_Finish(std::move(feed), 5000);
      const std::string minutes = n == 1 ? "31.200" : "31.400";
      feed = FixAt(rig.dir, minutes);
      const double east = 11 + std::stod(minutes) / 60;
      for (int i = 0; i < 100 && std::fabs(Longitude(rig.dir) - east) > 1e-4; i++) usleep(100 * 1000);
    }
    ASSERT_TRUE(RunChartMenuRow(rig.dir, unit.get(), "Mark")) << Out(unit.get());
  }

  // New Route: the route editor on its Name row; down to Waypoints, then
  // each mark added in turn from the list of all.
  ASSERT_TRUE(RunChartMenuRow(rig.dir, unit.get(), "New Route")) << Out(unit.get());
  Keys(rig.dir, {"DOWN", "RIGHT", "RIGHT", "LEFT", "DOWN", "RIGHT", "LEFT", "DOWN", "RIGHT", "EXIT", "DOWN", "RIGHT"});
  struct stat st = {};
  const std::string route = rig.dir + "/usr/velmora/routes/0";
  for (int i = 0; i < 50 && stat(route.c_str(), &st) != 0; i++) usleep(100 * 1000);
  ASSERT_EQ(0, stat(route.c_str(), &st)) << "the route is stored";

  // Edit Waypoint: no cursor, so the waypoint picker; its first waypoint's
  // first letter one step on, then Save.
  ASSERT_TRUE(RunChartMenuRow(rig.dir, unit.get(), "Edit Waypoint")) << Out(unit.get());
  Keys(rig.dir, {"DOWN", "RIGHT", "RIGHT", "UP", "EXIT", "DOWN", "DOWN", "DOWN", "DOWN", "RIGHT"});

  // The remote's PLUS on the chart: one step of zoom in.
  const long zoom = Stored(rig.dir, "SNCS");
  const int fd = open((rig.dir + "/serial/ttyO3").c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(fd, 0);
  const std::string down = DongleLine("PQVM100,3C,01"), up = DongleLine("PQVM100,3C,00");
  for (int i = 0; i < 20 && Stored(rig.dir, "SNCS") == zoom; i++) {
    ASSERT_EQ((ssize_t)down.size(), write(fd, down.data(), down.size()));
    usleep(100 * 1000);
    ASSERT_EQ((ssize_t)up.size(), write(fd, up.data(), up.size()));
    usleep(400 * 1000);
  }
  close(fd);
  EXPECT_EQ(zoom - 1, Stored(rig.dir, "SNCS")) << "PLUS zooms in one step";

  // Travel Route: the picker's first route, forward.
  ASSERT_TRUE(RunChartMenuRow(rig.dir, unit.get(), "Travel Route")) << Out(unit.get());
  Keys(rig.dir, {"DOWN", "RIGHT"});
  for (int i = 0; i < 50 && Stored(rig.dir, "CCRT") != 0; i++) usleep(100 * 1000);
  EXPECT_EQ(0, Stored(rig.dir, "CCRT")) << "route 0 is travelled";

  // An orderly restart, then the manager: the route and the renamed mark.
  EXPECT_EQ(0, Tool(rig.dir, "key press POWER"));
  EXPECT_TRUE(WaitForCount(unit.get(), "settings written", 1, 10000)) << Out(unit.get());
  EXPECT_EQ(0, Tool(rig.dir, "key release POWER"));
  EXPECT_EQ(10, TEST_Finish(std::move(unit), 15000).status);
  auto again = Start(rig.dir, base);
  ASSERT_TRUE(OpenMainMenuWithFix(rig.dir, again.get())) << Out(again.get());
  const size_t opened = Count(Out(again.get()), "action Waypoints, Routes, Tracks");
  Keys(rig.dir, {"RIGHT", "RIGHT", "DOWN", "DOWN", "RIGHT"});
  ASSERT_TRUE(WaitForCount(again.get(), "action Waypoints, Routes, Tracks", opened + 1, 3000)) << Out(again.get());
  const U32 kLeft = 0, kTop = 96, kWidth = 392, kHeight = 298;
  EXPECT_TRUE(MatchesGoldenBox("chart_menu_route_in_manager", StableBox(rig.dir, kLeft, kTop, kWidth, kHeight), kLeft,
                               kTop, kWidth, kHeight));
  TEST_Signal(again.get(), SIGTERM);
  TEST_Finish(std::move(again), 10000);
  TEST_Signal(feed.get(), SIGTERM);
  TEST_Finish(std::move(feed), 5000);
}

}  // namespace
