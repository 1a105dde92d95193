// A service PC on ttyO3 of a host rig: the exact bytes of the link's
// requests and replies, a long line that hides a wipe, a key pressed while
// connected, and leaving connect mode.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <regex>
#include <string>

#include "nvram_files.h"
#include "rig_unit.h"

namespace {

using namespace rigunit;

// The PC's end of the line.
struct PC_LINE {
  int fd = -1;
  ~PC_LINE() {
    if (fd >= 0) close(fd);
  }

  void Send(const std::string& bytes) const { ASSERT_EQ((ssize_t)bytes.size(), write(fd, bytes.data(), bytes.size())); }

  // Everything that arrives until the line has been quiet for ms.
  std::string Quiet(int ms = 400) const {
    std::string got;
    struct pollfd p = {fd, POLLIN, 0};
    while (poll(&p, 1, ms) > 0) {
      char buffer[512];
      const ssize_t n = read(fd, buffer, sizeof buffer);
      if (n <= 0) break;
      got.append(buffer, (size_t)n);
    }
    return got;
  }

  std::string Ask(const std::string& request) const {
    Send(request);
    return Quiet();
  }
};

std::vector<int32_t> Tones(const std::string& rig) {
  const std::vector<uint8_t> bytes = nvfiles::Read(rig + "/dev/buzzer0");
  std::vector<int32_t> tones(bytes.size() / 4);
  memcpy(tones.data(), bytes.data(), tones.size() * 4);
  return tones;
}

TEST(Rig, AServicePcOnTtyO3GetsExactRepliesAndCannotSlipAWipeIntoALongLine) {
  RIG_GUARD rig{TEST_MakeTempDir("velmora-rig")};
  ASSERT_NO_FATAL_FAILURE(MakeRig(rig.dir));
  const std::string base = TEST_MakeTempDir("velmora-base");
  SeedUnit(base, {{"SQCD", 1}, {"SMDL", 30}});
  auto unit = TEST_Spawn(kVelmora, {}, {"VELMORA_DEVROOT=" + rig.dir, "VELMORA_CWD=" + base});
  ASSERT_TRUE(TEST_bWaitForOutput(unit.get(), "update CVEW to -2", 20000)) << Out(unit.get());
  const std::vector<COLOR> normal = StableScreen(rig.dir);

  PC_LINE pc;
  pc.fd = open((rig.dir + "/serial/ttyO3").c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(pc.fd, 0);
  struct termios tio;
  tcgetattr(pc.fd, &tio);
  cfmakeraw(&tio);
  tcsetattr(pc.fd, TCSANOW, &tio);
  pc.Ask("\r\n");
  // The NMEA task keeps channel 2 for its first 20 s without sentences; a
  // PC tool asks until the unit answers.
  std::string test;
  for (int i = 0; i < 80 && test != "#1234567890\r\n"; i++) {
    test = pc.Ask("\r\n#T\r\n");
    test = test.substr(std::min(test.size(), test.rfind('#') == std::string::npos ? test.size() : test.rfind('#')));
  }
  ASSERT_EQ("#1234567890\r\n", test);

  const std::string version = pc.Ask("#V\r\n");
  EXPECT_TRUE(std::regex_match(version, std::regex("#Ver\\.2\\.000;Dat\\.Mar 13 2019;Rev\\.[^;]*;Spd\\.800Mhz\r\n")))
      << version;
  EXPECT_EQ("#1234567890\r\n", pc.Ask("#T\r"));
  EXPECT_EQ("#2\r\n", pc.Ask("#C\r"));
  EXPECT_EQ("#3,3,3\r\n", pc.Ask("#c\r"));
  const std::string space = pc.Ask("#I\r");
  EXPECT_TRUE(std::regex_match(space, std::regex("#W:0/3000,G:[0-9]+/[0-9]+,R:0/50,T:0/50\r\n"))) << space;
  EXPECT_EQ("#0000001E\r\n", pc.Ask("#M\r"));
  EXPECT_EQ("#NAK\n\r", pc.Ask("#A\r")) << "no accessory";
  EXPECT_EQ("#NAK\n\r", pc.Ask("#X\r"));
  EXPECT_EQ("#NAK\n\r", pc.Ask("##V\r"));
  EXPECT_EQ("", pc.Ask("#VX"));

  const std::string settings = pc.Ask("#s\r");
  EXPECT_TRUE(std::regex_match(settings, std::regex("#S[A-Z0-9]{3}0x[0-9A-F]{8}(,S[A-Z0-9]{3}0x[0-9A-F]{8})*\r\n")))
      << settings;
  EXPECT_NE(std::string::npos, settings.find("SMDL0x0000001E"));
  EXPECT_EQ("#SMDL0x0000001E\r\n", pc.Ask("#sSMDL\r"));
  EXPECT_EQ("#ACK\n\r", pc.Ask("#sSMDL0x0000001F\r"));
  EXPECT_EQ("#SMDL0x0000001F\r\n", pc.Ask("#RSMDL\r"));
  EXPECT_EQ("#NAK\n\r", pc.Ask("#sTNAV0x00000001\r"));

  const std::string line = "#s" + std::string(300, 'x') + "#WALL" + std::string(295, 'y') + "\r";
  EXPECT_EQ("#NAK\n\r", pc.Ask(line));
  EXPECT_EQ("#1234567890\r\n", pc.Ask("#T\r")) << "still running, nothing wiped";
  EXPECT_EQ(12345u, nvfiles::Stored(base, "SENU").value_or(0));

  // Connect mode takes every key but POWER and refuses it with the refused
  // click alone: its two tones at the normal pitch.
  const std::vector<COLOR> connected = StableScreen(rig.dir);
  EXPECT_TRUE(connected != normal);
  const size_t before = Tones(rig.dir).size();
  EXPECT_EQ(0, Tool(rig.dir, "key hold MENU --ms 100"));
  usleep(500 * 1000);
  const std::vector<int32_t> tones = Tones(rig.dir);
  EXPECT_EQ(std::vector<int32_t>({1010, 990}), std::vector<int32_t>(tones.begin() + (long)before, tones.end()));
  EXPECT_TRUE(StableScreen(rig.dir) == connected);

  EXPECT_EQ("#ACK\n\r", pc.Ask("#Q\r"));
  EXPECT_TRUE(StableScreen(rig.dir) != connected) << "connect mode left";

  TEST_Signal(unit.get(), SIGTERM);
  TEST_RESULT r = TEST_Finish(std::move(unit), 10000);
  EXPECT_EQ(2, r.status) << r.out << r.err;
}

}  // namespace
