// The Setup tab on a rig with a fix, keys only: NMEA 0183 Output switched on
// sends RMC out of the GPS port, and Date and Time opens its screen.

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <string>

#include "rig_unit.h"
#include "test_timing.h"

namespace {

using namespace rigunit;

// Reads the far end of a port until the text comes (FALSE after ms,
// stretched as TEST_bWaitUntil stretches it).
bool Heard(int fd, const std::string& text, int ms) {
  std::string heard;
  return TEST_bWaitUntil(
      [&] {
        char buffer[512];
        for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) heard.append(buffer, (size_t)n);
        return heard.find(text) != std::string::npos;
      },
      (U64)ms);
}

TEST(RigSetupMenu, NmeaOutputSendsRmcOnTheGpsPortAndDateAndTimeOpensItsScreen) {
  RIG_GUARD rig{TEST_MakeTempDir("velmora-rig")};
  const TEST_TEMP_DIR base{TEST_MakeTempDir("velmora-base")};
  std::unique_ptr<TEST_PROCESS> feed;
  auto unit = StartWithFix(rig.dir, base.dir, &feed);
  ASSERT_TRUE(unit);
  const int fd = open((rig.dir + "/serial/ttyO3").c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(fd, 0);
  ASSERT_TRUE(OpenMainMenuWithFix(rig.dir, unit.get())) << Out(unit.get());
  // Setup after Alarms, Sonar and Nav; up from the tab is its last row, and
  // the output switch stands seven rows up, below its sentence choices.
  PressKeys(rig.dir, unit.get(), {"RIGHT", "RIGHT", "RIGHT", "UP", "UP", "UP", "UP", "UP", "UP", "UP", "RIGHT"});
  ASSERT_TRUE(WaitForCount(unit.get(), "write SNOE = 1 taken", 1, 5000)) << Out(unit.get());
  EXPECT_TRUE(Heard(fd, "RMC,", 10000)) << "RMC at the far end of the GPS port";
  close(fd);

  // Two rows further up: Date and Time.
  PressKeys(rig.dir, unit.get(), {"UP", "UP", "RIGHT"});
  ASSERT_TRUE(WaitForCount(unit.get(), "action Date and Time", 1, 5000)) << Out(unit.get());
  // One pixel in from the frame: its rounded corners show the view behind.
  EXPECT_TRUE(ShowsGoldenBox(rig.dir, "setup_date_and_time", 289, 107, 382, 267));

  TEST_Signal(unit.get(), SIGTERM);
  TEST_RESULT r = TEST_Finish(std::move(unit), 10000);
  EXPECT_EQ(std::string::npos, r.out.find("error:")) << r.out;
  TEST_Signal(feed.get(), SIGTERM);
  TEST_Finish(std::move(feed), 5000);
}

}  // namespace
