// A production-line PC on ttyO3 of a host rig: the connect sequence, the
// command replies, a sonar beam against the stand-in at 3 m, the chip and
// Bluetooth tests without their devices, the test screen, and the exit.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

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
  WriteSonarConfig(rigDir, text + "\n" + lines);
}

// Sends "?" lines until the unit takes the line (the NMEA task keeps
// channel 2 for its first seconds), then everything up to "Unit Ready".
std::string ConnectTest(const PC_SESSION& session) {
  std::string got;
  const auto has = [&got](const char* text) {
    return [&got, text](const std::string& more) { return (got + more).find(text) != std::string::npos; };
  };
  for (int i = 0; i < 80 && got.find("#ACK") == std::string::npos; i++) {
    session.pc.Send("?\r\n");
    got += session.pc.Until(has("#ACK"), 500);
  }
  got += session.pc.Until(has(" seconds\r\n"), 30000);
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
  EXPECT_TRUE(ShowsGolden(session.rig.dir, "inlinetest_waiting"));

  EXPECT_EQ("", pc.Unanswered("?\r\n", "#wSLTZ,-420\r", "Command received--processing\r\n#ACK\r\n"))
      << "a second connect is ignored";
  EXPECT_EQ("Command received--processing\r\n-420\r\n", pc.Ask("#rSLTZ\r", 2));
  EXPECT_EQ("Command received--processing\r\n#NAK\r\n", pc.Ask("#wSLTZ,-7\r", 2)) << "no zone of the unit";
  EXPECT_EQ("Command received--processing\r\n#NAK\r\n", pc.Ask("#wSITW,-7\r", 2)) << "a key the unit has not";
  EXPECT_EQ("", pc.Unanswered("#Z\r", "#p\r", "Command received--processing\r\nNo GPU\r\n"));

  // Keypad test: the first prompt on the screen and on the line.
  const auto has = [](std::vector<std::string> texts) {
    return [texts](const std::string& got) {
      return std::all_of(texts.begin(), texts.end(), [&](const std::string& t) { return got.find(t) != std::string::npos; });
    };
  };
  pc.Send("#t1,60000\r");
  const std::string keypad = pc.Until(has({"Press VIEW Key\r\n"}));
  EXPECT_NE(std::string::npos, keypad.find("Press VIEW Key\r\n")) << keypad;
  EXPECT_TRUE(ShowsGolden(session.rig.dir, "inlinetest_keypad"));
  EXPECT_EQ(0, Tool(session.rig.dir, "key hold VIEW --ms 100"));
  const std::string view = pc.Until(has({"View Key--Pressed\r\n", "Press MENU Key\r\n"}));
  EXPECT_NE(std::string::npos, view.find("View Key--Pressed\r\n")) << view;
  EXPECT_NE(std::string::npos, view.find("Press MENU Key\r\n")) << view;

  // A beam at 9 ft passes; the verdict follows the command's reply.
  pc.Send("#t7,1,200,0,0,50,255,5,30,20,2000,3,500,40\r");
  const std::string sonar = pc.Until([](const std::string& got) {
    const size_t at = got.find("Sonar Test");
    return at != std::string::npos && got.find("\r\n", at) != std::string::npos;
  });
  EXPECT_TRUE(std::regex_search(sonar, std::regex("Sonar Test Pass,[0-9]+,9,[0-9]+\r\n"))) << sonar;
  pc.Ask("#S\r", 2);
  EXPECT_TRUE(ShowsGoldenBox(session.rig.dir, "inlinetest_sonar_depth", 0, 0, 800, 290));

  EXPECT_EQ("Command received--processing\r\nAuth Chip--FAIL--cant open i2c bus\r\n", pc.Ask("#t46\r", 2));
  std::string bluetooth = pc.Ask("#t47\r", 2);
  EXPECT_EQ("Command received--processing\r\nBluetooth Test--Fail--RSSI value: 9999\r\n", bluetooth);
  EXPECT_EQ("Command received--processing\r\nGPS Reset\r\n", pc.Ask("#g\r", 2));

  session.pc.Send("#x\r");
  const TEST_RESULT end = TEST_Finish(std::move(session.unit), 10000);
  EXPECT_EQ(10, end.status) << end.out << end.err;
}

TEST(Rig, ATestPcIsToldWhenTheCoprocessorNeverAnswers) {
  PC_SESSION session;
  ASSERT_NO_FATAL_FAILURE(session.Start({}, [](const std::string& rigDir) { SetSonar(rigDir, "coproc = 0\n"); }));
  ASSERT_NO_FATAL_FAILURE(session.Open());
  const std::string connect = ConnectTest(session);
  EXPECT_NE(std::string::npos, connect.find("Waiting for Coprocessor\r\nFAIL--Timeout waiting for Coprocessor\r\n"))
      << connect;
  EXPECT_NE(std::string::npos, connect.find("Unit Ready for Test--")) << connect;
  EXPECT_EQ("Command received--processing\r\nGPS Reset\r\n", session.pc.Ask("#g\r", 2));
}

}  // namespace
