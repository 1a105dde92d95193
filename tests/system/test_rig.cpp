// The unit's process on a host rig made by the rig tool, with the tools a
// person uses against it while it runs.

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <fstream>
#include <string>
#include <vector>

#include "golden.h"
#include "nvram_files.h"
#include "test_process.h"

namespace {

const std::string kVelmora = VELMORA_BINARY;
const std::string kRigTool = VELMORA_TOOLS_DIR "/rig";

int Tool(const std::string& rig, const std::string& arguments) {
  std::string command = "python3 " + kRigTool + " --rig " + rig + " " + arguments + " > /dev/null";
  int status = system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Ends the rig's helpers (pseudo-terminal relays, the paddlewheel) whatever
// the test's outcome.
struct RIG_GUARD {
  std::string dir;
  ~RIG_GUARD() { Tool(dir, "stop"); }
};

TEST(Rig, TheUnitRunsOnARigAndTheKeyScreenFeedAndSpeedToolsWorkAgainstIt) {
  RIG_GUARD rig{TEST_MakeTempDir("velmora-rig")};
  std::string command = "python3 " + kRigTool + " create " + rig.dir + " > /dev/null";
  ASSERT_EQ(0, system(command.c_str()));
  struct stat st;
  ASSERT_EQ(0, lstat((rig.dir + "/serial/ttyO4").c_str(), &st)) << "socat did not make the serial ports";

  auto unit = TEST_Spawn(kVelmora, {},
                         {"VELMORA_DEVROOT=" + rig.dir, "VELMORA_CWD=" + TEST_MakeTempDir("velmora-base")});
  ASSERT_TRUE(TEST_bWaitForOutput(unit.get(), "L_TASK_Start: task 71 ", 20000));

  EXPECT_EQ(0, Tool(rig.dir, "key hold MENU --ms 50"));
  EXPECT_EQ(0, Tool(rig.dir, "key press VIEW"));
  EXPECT_EQ(0, Tool(rig.dir, "key release VIEW"));
  EXPECT_NE(0, Tool(rig.dir, "key press BOGUS 2>/dev/null"));

  std::string png = rig.dir + "/screen.png";
  ASSERT_EQ(0, Tool(rig.dir, "screen " + png));
  U32 width = 0, height = 0;
  std::vector<U8> rgb;
  std::string error;
  ASSERT_TRUE(GOLDEN_bReadPng(png, &width, &height, &rgb, &error)) << error;
  EXPECT_EQ(800u, width);
  EXPECT_EQ(480u, height);

  std::string nmea = rig.dir + "/feed.nmea";
  std::ofstream(nmea) << "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\n"
                         "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A\n";
  EXPECT_EQ(0, Tool(rig.dir, "feed ttyO4 " + nmea + " --baud 38400"));
  EXPECT_EQ(0, Tool(rig.dir, "speed 20"));
  EXPECT_EQ(0, Tool(rig.dir, "speed 0"));

  TEST_Signal(unit.get(), SIGTERM);
  TEST_RESULT r = TEST_Finish(std::move(unit), 10000);
  EXPECT_EQ(2, r.status) << r.out << r.err;
  EXPECT_EQ(std::string::npos, r.out.find("error:")) << r.out;
}

// The panel is lit once the settings are restored, never darker than level 5
// (brightness 50) whatever level was stored.
TEST(Rig, TheUnitLightsThePanelFromItsStoredLevel) {
  RIG_GUARD rig{TEST_MakeTempDir("velmora-rig")};
  ASSERT_EQ(0, system(("python3 " + kRigTool + " create " + rig.dir + " > /dev/null").c_str()));
  const std::string brightness = rig.dir + "/sys/class/backlight/pwm-backlight/brightness";
  ASSERT_EQ(0, nvfiles::Size(brightness)) << "a fresh rig's panel is dark";
  const std::string base = TEST_MakeTempDir("velmora-base");
  nvfiles::Seed(base, {{"NVER", nvfiles::kVersion}, {"SBAK", 3}});

  TEST_RESULT r = TEST_Run(kVelmora, {"quit_sec", "1"}, {"VELMORA_DEVROOT=" + rig.dir, "VELMORA_CWD=" + base}, 20000);
  EXPECT_EQ(4, r.status) << r.out << r.err;
  const std::vector<uint8_t> text = nvfiles::Read(brightness);
  EXPECT_EQ("50", std::string(text.begin(), text.end()));
}

}  // namespace
