// The unit in point of sale on a host rig: the navigation task's
// demonstration boat moves the position every second.

#include <gtest/gtest.h>
#include <signal.h>

#include <sstream>
#include <string>

#include "rig_unit.h"
#include "test_process.h"

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

TEST(RigNav, InPointOfSaleThePositionFollowsTheDemonstrationBoat) {
  RIG_GUARD rig{TEST_MakeTempDir("velmora-rig")};
  ASSERT_NO_FATAL_FAILURE(MakeRig(rig.dir));
  const std::string base = TEST_MakeTempDir("velmora-base");
  SeedUnit(base, {{"SQCD", 1}});
  auto unit = TEST_Spawn(kVelmora, {"fake_transducer"}, {"VELMORA_DEVROOT=" + rig.dir, "VELMORA_CWD=" + base});
  ASSERT_TRUE(TEST_bWaitForOutput(unit.get(), "system state 6 (point of sale)", 20000)) << Out(unit.get());
  ASSERT_TRUE(WaitForCount(unit.get(), "demonstration boat at", 3, 30000)) << Out(unit.get());
  TEST_Signal(unit.get(), SIGTERM);
  TEST_RESULT r = TEST_Finish(std::move(unit), 10000);
  const std::vector<std::pair<long, long>> p = BoatPositions(r.out);
  ASSERT_GE(p.size(), 3u);
  // Speeding up from rest toward its first aim point, east-south-east.
  EXPECT_GT(p[2].first - p[1].first, p[1].first - p[0].first) << r.out;
  EXPECT_GT(p[1].first, p[0].first);
  EXPECT_LT(p[2].second, p[0].second);
}

}  // namespace
