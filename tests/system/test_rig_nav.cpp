// The unit in point of sale on a host rig: the navigation task's
// demonstration boat moves the position every second. And a plain NMEA
// receiver on the GPS port, asked who it is once.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <sstream>
#include <string>

#include "rig_unit.h"
#include "test_process.h"
#include "test_timing.h"

namespace {

using namespace rigunit;

// The positions the log gives for the demonstration boat, in order.
std::vector<std::pair<long, long>> BoatPositions(const std::string& out) {
  std::vector<std::pair<long, long>> positions;
  const std::string key = "demonstration boat at ";
  for (size_t at = out.find(key); at != std::string::npos; at = out.find(key, at + 1)) {
    std::istringstream in(out.substr(at + key.size(), 40));
    long x = 0, y = 0;
    if (in >> x >> y) positions.push_back({x, y});
  }
  return positions;
}

// A unit in point of sale on the rig, once the demonstration boat has moved
// nMoves times.
std::unique_ptr<TEST_PROCESS> PointOfSaleUnit(const std::string& rig, size_t nMoves) {
  const TEST_TEMP_DIR base{TEST_MakeTempDir("velmora-base")};
  SeedUnit(base.dir, {{"SQCD", 1}});
  auto unit = TEST_Spawn(kVelmora, {"fake_transducer"}, {"VELMORA_DEVROOT=" + rig, "VELMORA_CWD=" + base.dir});
  EXPECT_TRUE(TEST_bWaitForOutput(unit.get(), "system state 6 (point of sale)", 20000)) << Out(unit.get());
  EXPECT_TRUE(WaitForCount(unit.get(), "demonstration boat at", nMoves, 30000)) << Out(unit.get());
  return unit;
}

TEST(RigNav, InPointOfSaleThePositionFollowsTheDemonstrationBoat) {
  RIG_GUARD rig{TEST_MakeTempDir("velmora-rig")};
  ASSERT_NO_FATAL_FAILURE(MakeRig(rig.dir));
  auto unit = PointOfSaleUnit(rig.dir, 3);
  TEST_Signal(unit.get(), SIGTERM);
  TEST_RESULT r = TEST_Finish(std::move(unit), 10000);
  const std::vector<std::pair<long, long>> p = BoatPositions(r.out);
  ASSERT_GE(p.size(), 3u);
  // Speeding up from rest toward its first aim point, east-south-east.
  EXPECT_GT(p[2].first - p[1].first, p[1].first - p[0].first) << r.out;
  EXPECT_GT(p[1].first, p[0].first);
  EXPECT_LT(p[2].second, p[0].second);
}

// The grid colours (16-18) of the chart's two palettes: the demonstration
// may switch to the black one.
constexpr COLOR kGridWhite = 0x2308, kGridBlack = 0x8C71, kGridBlackSeconds = 0x6B6D;

// Pixels of the chart: the boat symbol near the window's centre and the
// grid lines elsewhere.
struct CHART_LOOK {
  int boat = 0, grid = 0;
};
CHART_LOOK LookAtChart(const std::vector<COLOR>& screen) {
  CHART_LOOK look;
  if (screen.size() != 800u * 480u) return look;
  const COLOR background = screen[5 * 800 + 795];
  for (U32 row = 0; row < 480; row++) {
    for (U32 x = 0; x < 800; x++) {
      const COLOR c = screen[row * 800 + x];
      const bool bNearCentre = x >= 370 && x <= 430 && row >= 210 && row <= 270;
      if (bNearCentre && c != background) look.boat++;
      if (!bNearCentre && (c == kGridWhite || c == kGridBlack || c == kGridBlackSeconds)) look.grid++;
    }
  }
  return look;
}

// The shop tutorial takes the keys (VIEW is refused) and steps through the
// views on its own: it reaches the chart about 40 s after the start, with the
// boat near the window's centre and the grid in the chart's grid colours.
TEST(RigNav, InPointOfSaleTheTutorialShowsTheChartWithBoatAndGrid) {
  RIG_GUARD rig{TEST_MakeTempDir("velmora-rig")};
  ASSERT_NO_FATAL_FAILURE(MakeRig(rig.dir));
  auto unit = PointOfSaleUnit(rig.dir, 2);
  ASSERT_TRUE(WaitForCount(unit.get(), "update CVEW to 52", 1, 120000)) << Out(unit.get());
  // The chart stays up for some seconds; its first frames may still lack the grid.
  const CHART_LOOK look = LookAtChart(WaitForScreen(
      rig.dir,
      [](const std::vector<COLOR>& s) {
        const CHART_LOOK l = LookAtChart(s);
        return l.boat > 40 && l.grid > 400;
      },
      5000));
  EXPECT_GT(look.boat, 40) << "the boat symbol near the centre";
  EXPECT_GT(look.grid, 400) << "grid lines";
  TEST_Signal(unit.get(), SIGTERM);
  TEST_Finish(std::move(unit), 10000);
}

// Pixels of the highway view: the sky band across the top, the compass posts
// on its lower edge, and the boat lying on the ground below the middle.
struct HIGHWAY_LOOK {
  int sky = 0, posts = 0, boat = 0;
};
HIGHWAY_LOOK LookAtHighway(const std::vector<COLOR>& screen) {
  HIGHWAY_LOOK look;
  if (screen.size() != 800u * 480u) return look;
  constexpr COLOR kSky = 0x3B51;
  const COLOR ground = screen[470 * 800 + 5];
  for (U32 row = 0; row < 480; row++) {
    for (U32 x = 0; x < 800; x++) {
      const COLOR c = screen[row * 800 + x];
      if (row < 95 && c == kSky) look.sky++;
      // The posts stand on the band's lower edge.
      if (row >= 75 && row < 110 && c != kSky && c != ground) look.posts++;
      if (x >= 370 && x <= 430 && row >= 350 && row <= 400 && c != ground && c != kSky) look.boat++;
    }
  }
  return look;
}

// The tutorial goes on to the highway view: the sky band across the top with
// its compass posts, and the boat lying on the ground below the screen's middle.
TEST(RigNav, InPointOfSaleTheTutorialReachesTheHighwayWithCompassAndBoat) {
  RIG_GUARD rig{TEST_MakeTempDir("velmora-rig")};
  ASSERT_NO_FATAL_FAILURE(MakeRig(rig.dir));
  auto unit = PointOfSaleUnit(rig.dir, 2);
  ASSERT_TRUE(WaitForCount(unit.get(), "update CVEW to 56", 1, 120000)) << Out(unit.get());
  const HIGHWAY_LOOK look = LookAtHighway(WaitForScreen(
      rig.dir,
      [](const std::vector<COLOR>& s) {
        const HIGHWAY_LOOK l = LookAtHighway(s);
        return l.sky > 60000 && l.posts > 100 && l.boat > 40;
      },
      5000));
  EXPECT_GT(look.sky, 60000) << "the sky band";
  EXPECT_GT(look.posts, 100) << "compass posts and labels";
  EXPECT_GT(look.boat, 40) << "the boat";
  TEST_Signal(unit.get(), SIGTERM);
  TEST_Finish(std::move(unit), 10000);
}

// A receiver that keeps to plain NMEA on the GPS port, fed from before the
// start: asked who it is once, and with NMEA output off the port says
// nothing more, not in the wait that used to bring the probes again.
TEST(RigNav, APlainNmeaReceiverIsAskedWhoItIsOnceAndThenHearsNothing) {
  RIG_GUARD rig{TEST_MakeTempDir("velmora-rig")};
  const TEST_TEMP_DIR base{TEST_MakeTempDir("velmora-base")};
  ASSERT_NO_FATAL_FAILURE(MakeRig(rig.dir));
  SeedUnit(base.dir, {{"SQCD", 1}});
  const int line = open((rig.dir + "/serial/ttyO3").c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(line, 0);
  std::string heard;
  const auto hear = [&] {
    char buffer[1024];
    for (ssize_t n; (n = read(line, buffer, sizeof buffer)) > 0;) heard.append(buffer, (size_t)n);
  };
  auto feed = FixFeed(rig.dir);
  auto unit = Start(rig.dir, base.dir);
  EXPECT_TRUE(WaitForCount(unit.get(), "keeps to plain NMEA", 1, 20000)) << Out(unit.get());
  hear();
  const size_t asked = heard.size();
  // The probes came again 5.5 s after the last: a watch of 7 s on a quiet
  // machine, as long again as the unit is slowed, sees none.
  TEST_bWaitUntil([&] { return hear(), heard.size() > asked; }, 1750);
  close(line);
  TEST_Signal(feed.get(), SIGTERM);
  TEST_Finish(std::move(feed), 5000);
  TEST_Signal(unit.get(), SIGTERM);
  TEST_Finish(std::move(unit), 10000);
  EXPECT_EQ(1u, Count(heard, "$PUBX,04*")) << heard;
  EXPECT_EQ(1u, Count(heard, "$PSRF101,")) << heard;
  const size_t probe = heard.find("$PSRF101,"), end = heard.find("\r\n", probe);
  EXPECT_TRUE(probe != std::string::npos && end + 2 == heard.size()) << "after the probes: " << heard;
}

}  // namespace
