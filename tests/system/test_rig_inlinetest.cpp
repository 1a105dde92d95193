// A production-line PC on ttyO3 of a host rig: the connect sequence, the
// command replies, a sonar beam against the stand-in at 3 m, the chip and
// Bluetooth tests without their devices, the test screen, and the exit.

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <string>

#include "rig_pcline.h"
#include "rig_unit.h"

namespace {

using namespace rigunit;

void SetSonar(const std::string& rigDir, const std::string& lines) {
  const std::string cfg = rigDir + "/dev/sonar.cfg";
  std::ifstream in(cfg);
  std::string text((std::istreambuf_iterator<char>(in)), {});
  for (const char* key : {"coproc", "depth_m", "depth_swing_m", "fish"}) {
    text = std::regex_replace(text, std::regex(std::string("(^|\n)") + key + " *= *[^\n]*"), "$1");
  }
  std::ofstream(cfg) << text << "\n" << lines;
}

// Sends "?" lines until the unit takes the line (the NMEA task keeps
// channel 2 for its first seconds), then everything up to "Unit Ready".
std::string ConnectTest(const PC_SESSION& session) {
  std::string got;
  for (int i = 0; i < 80 && got.find("#ACK") == std::string::npos; i++) got += session.pc.Ask("?\r\n");
  for (int i = 0; i < 60 && got.find("Unit Ready for Test--") == std::string::npos; i++) got += session.pc.Quiet(500);
  return got;
}

std::string Lines(const std::string& got) { return std::regex_replace(got, std::regex("\r\n"), "|"); }

TEST(Rig, ATestPcTakesTheUnitOverAndDrivesItsTestsOnTtyO3) {
  PC_SESSION session;
  ASSERT_NO_FATAL_FAILURE(session.Start({}, [](const std::string& rigDir) {
    SetSonar(rigDir, "coproc = 1\ndepth_m = 3.0\ndepth_swing_m = 0\nfish = 0\n");
  }));
  ASSERT_NO_FATAL_FAILURE(session.Open());
  const PC_LINE& pc = session.pc;
  const std::string connect = ConnectTest(session);
  EXPECT_TRUE(std::regex_search(Lines(connect),
                                std::regex("#ACK\\|Waiting for Coprocessor\\|Coprocessor Ready\\|Shutting down Tasks\\|"
                                           "All Conflicting tasks shut down\\|Unit Ready for Test--[0-9]+\\.[0-9]{6} "
                                           "seconds\\|$")))
      << connect;
  std::smatch ready;
  if (std::regex_search(connect, ready, std::regex("Unit Ready for Test--([0-9.]+) seconds"))) {
    printf("connect sequence to Unit Ready: %.1f ms\n", std::stod(ready[1]) * 1000.0);
  }
  EXPECT_TRUE(TEST_bWaitForOutput(session.unit.get(), "pinging stopped for good", 2000)) << "the ping task was stopped";
  EXPECT_EQ("", pc.Ask("?\r\n")) << "a second connect is ignored";
  EXPECT_TRUE(MatchesGolden("inlinetest_waiting", StableScreen(session.rig.dir)));

  EXPECT_EQ("Command received--processing\r\n#ACK\r\n", pc.Ask("#wSLTZ,-7\r"));
  EXPECT_EQ("Command received--processing\r\n-7\r\n", pc.Ask("#rSLTZ\r"));
  EXPECT_EQ("Command received--processing\r\n#NAK\r\n", pc.Ask("#wSITW,-7\r")) << "a key the unit has not";
  EXPECT_EQ("", pc.Ask("#Z\r"));
  EXPECT_EQ("Command received--processing\r\nNo GPU\r\n", pc.Ask("#p\r"));

  // Keypad test: the first prompt on the screen and on the line.
  const std::string keypad = pc.Ask("#t1,60000\r");
  EXPECT_NE(std::string::npos, keypad.find("Press VIEW Key\r\n")) << keypad;
  EXPECT_TRUE(MatchesGolden("inlinetest_keypad", StableScreen(session.rig.dir)));
  EXPECT_EQ(0, Tool(session.rig.dir, "key hold VIEW --ms 100"));
  const std::string view = pc.Quiet(800);
  EXPECT_NE(std::string::npos, view.find("View Key--Pressed\r\n")) << view;
  EXPECT_NE(std::string::npos, view.find("Press MENU Key\r\n")) << view;

  // A beam at 9 ft passes; the verdict follows the command's reply.
  std::string sonar = pc.Ask("#t7,1,200,0,0,50,255,5,30,20,2000,3,500,40\r");
  for (int i = 0; i < 10 && sonar.find("Sonar Test") == std::string::npos; i++) sonar += pc.Quiet(500);
  EXPECT_TRUE(std::regex_search(sonar, std::regex("Sonar Test Pass,[0-9]+,9,[0-9]+\r\n"))) << sonar;
  pc.Ask("#S\r");
  const std::vector<COLOR> sonarScreen = StableScreen(session.rig.dir);
  EXPECT_TRUE(MatchesGoldenBox("inlinetest_sonar_depth", sonarScreen, 0, 0, 800, 290));

  EXPECT_EQ("Command received--processing\r\nAuth Chip--FAIL--cant open i2c bus\r\n", pc.Ask("#t46\r"));
  std::string bluetooth = pc.Ask("#t47\r");
  EXPECT_EQ("Command received--processing\r\nBluetooth Test--Fail--RSSI value: 9999\r\n", bluetooth);
  EXPECT_EQ("Command received--processing\r\nGPS Reset\r\n", pc.Ask("#g\r"));

  session.pc.Send("#x\r");
  const TEST_RESULT end = TEST_Finish(std::move(session.unit), 10000);
  EXPECT_EQ(10, end.status) << end.out;
}

TEST(Rig, ATestPcIsToldWhenTheCoprocessorNeverAnswers) {
  PC_SESSION session;
  ASSERT_NO_FATAL_FAILURE(session.Start({}, [](const std::string& rigDir) { SetSonar(rigDir, "coproc = 0\n"); }));
  ASSERT_NO_FATAL_FAILURE(session.Open());
  const std::string connect = ConnectTest(session);
  EXPECT_NE(std::string::npos, connect.find("Waiting for Coprocessor\r\nFAIL--Timeout waiting for Coprocessor\r\n"))
      << connect;
  EXPECT_NE(std::string::npos, connect.find("Unit Ready for Test--")) << connect;
  EXPECT_EQ("Command received--processing\r\nGPS Reset\r\n", session.pc.Ask("#g\r"));
}

}  // namespace
