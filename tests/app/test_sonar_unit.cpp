// The unit's whole process on a rig: the stand-in read from the file the rig
// tool writes, and the end the ping task takes when the co-processor stops
// answering.

#include <gtest/gtest.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>

#include "s_sim.h"
#include "test_process.h"
#include "test_tempdir.h"

namespace {

const std::string kUnit = VELMORA_BINARY;
const std::string kRigTool = VELMORA_TOOLS_DIR "/rig";

struct RIG_GUARD {
  std::string dir;
  ~RIG_GUARD() {
    (void)!system(("python3 " + kRigTool + " --rig " + dir + " stop > /dev/null 2>&1").c_str());
    TEST_vRemoveUnlessFailed(dir);
  }
};

// The first log line from byte from on holding text, and its monotonic time
// in seconds.
bool FindLine(const std::string& out, const std::string& text, size_t* at, double* seconds, size_t from = 0) {
  *at = out.find(text, from);
  if (*at == std::string::npos) return false;
  size_t start = out.rfind('\n', *at);
  start = start == std::string::npos ? 0 : start + 1;
  double sincePrevious = 0;
  return sscanf(out.c_str() + start, "%lf %lf", &sincePrevious, seconds) == 2;
}

TEST(SonarUnit, ACoprocessorThatStopsAnsweringEndsTheUnitWithStatus25AfterAnOrderlyShutdown) {
  const TEST_TEMP_DIR rig{TEST_MakeTempDir("velmora-sonar-rig")};
  const TEST_TEMP_DIR base{TEST_MakeTempDir("velmora-base")};
  mkdir((rig.dir + "/dev").c_str(), 0777);
  std::ofstream(rig.dir + "/dev/sonar.cfg") << "fail_after = 20\n";
  TEST_RESULT r = TEST_Run(kUnit, {}, {"VELMORA_DEVROOT=" + rig.dir, "VELMORA_CWD=" + base.dir}, 30000);
  EXPECT_EQ(25, r.status) << r.out << r.err;
  size_t sent, failed, process, nvr, exitAt;
  double tSent, tFailed, tProcess, tNvr, tExit;
  ASSERT_TRUE(FindLine(r.out, "run-system sent", &sent, &tSent)) << r.out;
  ASSERT_TRUE(FindLine(r.out, "co-processor failed 10 times in a row, ending", &failed, &tFailed)) << r.out;
  ASSERT_TRUE(FindLine(r.out, "processing stopped for good", &process, &tProcess)) << r.out;
  // A change is saved within seconds too: the save of the shutdown is the one after the stop.
  ASSERT_TRUE(FindLine(r.out, "settings written", &nvr, &tNvr, process)) << r.out;
  ASSERT_TRUE(FindLine(r.out, "exit from file t_n_ping.cpp", &exitAt, &tExit)) << r.out;
  EXPECT_LT(sent, failed);
  EXPECT_LT(failed, process);
  EXPECT_LT(process, nvr) << "the NVR task is told last";
  EXPECT_LT(nvr, exitAt);
  EXPECT_NE(std::string::npos, r.out.find("status 25", exitAt));
  EXPECT_LE(tExit - tSent, 10.0);
}

TEST(SonarUnit, TheRigToolWritesEveryDefaultAndTheUnitTakesTheFileAsEdited) {
  RIG_GUARD rig{TEST_MakeTempDir("velmora-sonar-rig")};
  ASSERT_EQ(0, system(("python3 " + kRigTool + " create " + rig.dir + " > /dev/null").c_str()));
  const std::string file = rig.dir + "/dev/sonar.cfg";
  setenv("VELMORA_DEVROOT", rig.dir.c_str(), 1);
  S_SIM_vLoadConfig();
  S_SIM_CONFIG read, defaults;
  S_SIM_vGetConfig(&read);
  S_SIM_vDefaults(&defaults);
  EXPECT_EQ(0, memcmp(&read, &defaults, sizeof read)) << "the rig tool and the stand-in differ on a default";

  std::ifstream in(file);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const long badLine = std::count(text.begin(), text.end(), '\n') + 3;
  std::ofstream(file, std::ios::app) << "depth_m = 12\ndepth_swing_m = 0\nthis is no setting\n";

  const TEST_TEMP_DIR base{TEST_MakeTempDir("velmora-base")};
  auto unit = TEST_Spawn(kUnit, {}, {"VELMORA_DEVROOT=" + rig.dir, "VELMORA_CWD=" + base.dir});
  EXPECT_TRUE(TEST_bWaitForOutput(unit.get(), "bottom found at 12.00 m", 15000));
  TEST_Signal(unit.get(), SIGTERM);
  TEST_RESULT r = TEST_Finish(std::move(unit), 10000);
  EXPECT_EQ(2, r.status);
  EXPECT_NE(std::string::npos, r.out.find("sonar.cfg: ignored line " + std::to_string(badLine) + ": this is no"))
      << r.out;
  EXPECT_EQ(std::string::npos, r.out.find("error:")) << r.out;
}

}  // namespace
