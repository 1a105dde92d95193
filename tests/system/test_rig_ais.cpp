// AIS on a host rig: report sentences fed into the GPS port with tracking
// on fill the pool, and the keypad opens the target list from the AIS menu.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "rig_unit.h"
#include "test_timing.h"

namespace {

using namespace rigunit;

// The first lines of the shared AIS corpus.
void WriteSentences(const std::string& path, int nLines) {
  std::ifstream in(VELMORA_AIS_CORPUS);
  std::ofstream out(path);
  std::string line;
  for (int i = 0; i < nLines && std::getline(in, line); i++) out << line << "\r\n";
}

void Press(const std::string& rig, const char* key) {
  EXPECT_EQ(0, Tool(rig, std::string("key hold ") + key + " --ms 100"));
  usleep(150 * 1000);
}

TEST(RigAis, TheTargetListOpensFromTheAisMenuOverTheFedPool) {
  RIG_GUARD rig{TEST_MakeTempDir("velmora-rig")};
  ASSERT_NO_FATAL_FAILURE(MakeRig(rig.dir));
  const std::string base = TEST_MakeTempDir("velmora-base");
  SeedUnit(base, {{"SQCD", 1}, {"SAIS", 1}});
  auto unit = TEST_Spawn(kVelmora, {}, {"VELMORA_DEVROOT=" + rig.dir, "VELMORA_CWD=" + base});
  ASSERT_TRUE(TEST_bWaitForOutput(unit.get(), "run-system sent to", 20000));
  // The NMEA task asks a silent line who is there once it takes input.
  const int line = open((rig.dir + "/serial/ttyO3").c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(line, 0);
  std::string heard;
  EXPECT_TRUE(TEST_bWaitUntil(
      [&] {
        char buffer[256];
        for (ssize_t n; (n = read(line, buffer, sizeof buffer)) > 0;) heard.append(buffer, (size_t)n);
        return heard.find("$PSMT,") != std::string::npos;
      },
      5000));
  close(line);
  const std::string nmea = rig.dir + "/ais.nmea";
  WriteSentences(nmea, 120);
  // The tool sends at the line's pace and returns when the last byte is out;
  // the target list below shows the pool as it fills.
  EXPECT_EQ(0, Tool(rig.dir, "feed ttyO3 " + nmea + " --baud 38400"));
  // Main menu, over Setup and Views to Accessories, into AIS, down past
  // Tracking Target and CPA Limits to Target List.
  for (const char* key : {"MENU", "RIGHT", "RIGHT", "RIGHT", "DOWN", "RIGHT", "DOWN", "DOWN", "RIGHT"}) Press(rig.dir, key);
  ASSERT_TRUE(WaitForCount(unit.get(), "action Target List", 1, 5000)) << Out(unit.get());
  // The first eight of the pool in MMSI order, the first highlighted, and
  // the footer arrow for the rest. Without a fix or GPS time no TCPA is
  // known: dashes, not "0:00"; speeds in the unit's kph.
  EXPECT_TRUE(ShowsGoldenBox(rig.dir, "ais_target_list", 80, 0, 640, 480));
  TEST_Signal(unit.get(), SIGTERM);
  TEST_RESULT r = TEST_Finish(std::move(unit), 10000);
  EXPECT_EQ(std::string::npos, r.out.find("error:")) << r.out;
}

}  // namespace
