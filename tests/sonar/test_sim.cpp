// The rig's configuration of the co-processor stand-in.

#include <gtest/gtest.h>
#include <unistd.h>

#include <random>
#include <string>

#include "linuxsvc.h"
#include "s_sim.h"
#include "sonar_test_util.h"

namespace {

TEST(SonarConfig, GoodLinesApplyAndBadOnesChangeNothing) {
  const struct {
    const char* line;
    bool taken;
  } rows[] = {
      {"depth_m = 20.5", true},
      {"  fish=4   # four of them", true},
      {"seed = 4294967295", true},
      {"# only a comment", true},
      {"   ", true},
      {"depth_m 20", false},
      {"bogus = 1", false},
      {"fish = 1.5", false},
      {"fish = -1", false},
      {"coproc = 2", false},
      {"depth_m = nan", false},
      {"depth_m = 1e999", false},
      {"noise = 12abc", false},
      {"depth_period_s = 0", false},
      {"= 3", false},
  };
  for (const auto& row : rows) {
    S_SIM_CONFIG before, after;
    S_SIM_vDefaults(&before);
    after = before;
    EXPECT_EQ(row.taken, S_SIM_bParseLine(row.line, &after) == TRUE) << row.line;
    if (!row.taken) {
      EXPECT_EQ(0, memcmp(&before, &after, sizeof before)) << row.line;
    }
  }
}

TEST(SonarConfig, AFileKeepsItsGoodLinesAroundBadOnesAndGarbageCrashesNothing) {
  sonartest::WriteConfig("depth_m = 7\nthis is no setting\n  fish=0   # none\n" + std::string(400, 'x') + "\nnoise = 9\n");
  S_SIM_CONFIG c;
  S_SIM_vGetConfig(&c);
  EXPECT_EQ(7.0f, c.fDepthM);
  EXPECT_EQ(0u, c.u32Fish);
  EXPECT_EQ(9u, c.u32Noise);
  EXPECT_EQ(3.0f, c.fDepthSwingM) << "a key the file does not name keeps its default";

  std::mt19937 random(7);
  for (int file = 0; file < 50; file++) {
    std::string garbage(1 + random() % 2000, '\0');
    for (char& ch : garbage) ch = (char)random();
    sonartest::WriteConfig(garbage);
    S_SIM_vGetConfig(&c);
  }
}

TEST(SonarConfig, AChangedFileIsInForceWithinASecondAndAMissingOneMeansDefaults) {
  sonartest::WriteConfig("depth_m = 12\n");
  // From here on only the stand-in's own polling can notice a change.
  std::string path = sonartest::RigDir() + "/dev/sonar.cfg";
  FILE* f = fopen(path.c_str(), "w");
  ASSERT_NE(nullptr, f);
  fputs("depth_m = 20.0\n", f);
  fclose(f);
  U64 start = L_CLOCK_qwGetTimeInMillis();
  S_SIM_CONFIG c;
  ASSERT_TRUE(sonartest::WaitFor([&] { return S_SIM_vGetConfig(&c), c.fDepthM == 20.0f; }, 1000));
  EXPECT_LE(L_CLOCK_qwGetTimeInMillis() - start, 1000u);

  unlink(path.c_str());
  ASSERT_TRUE(sonartest::WaitFor([&] { return S_SIM_vGetConfig(&c), c.fDepthM == 12.0f; }, 1000));
  S_SIM_CONFIG defaults;
  S_SIM_vDefaults(&defaults);
  EXPECT_EQ(0, memcmp(&defaults, &c, sizeof c));
}

}  // namespace
