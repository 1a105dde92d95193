// AIS on a host rig: report sentences fed into the GPS port with tracking
// on fill the pool, and the keypad opens the target list from the AIS menu.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <string.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ais_payload.h"
#include "layer_id.h"
#include "nvram_files.h"
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

// A unit with AIS tracking on and nothing else set, running on the rig and
// reading its NMEA line.
std::unique_ptr<TEST_PROCESS> TrackingUnit(const std::string& rig, const std::string& base,
                                           std::map<std::string, uint32_t> more = {}) {
  MakeRig(rig);
  more["SQCD"] = 1;
  more["SAIS"] = 1;
  SeedUnit(base, more);
  auto unit = TEST_Spawn(kVelmora, {}, {"VELMORA_DEVROOT=" + rig, "VELMORA_CWD=" + base});
  EXPECT_TRUE(TEST_bWaitForOutput(unit.get(), "run-system sent to", 20000)) << Out(unit.get());
  // The NMEA task asks a silent line who is there once it takes input.
  const int line = open((rig + "/serial/ttyO3").c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
  EXPECT_GE(line, 0);
  std::string heard;
  EXPECT_TRUE(TEST_bWaitUntil(
      [&] {
        char buffer[256];
        for (ssize_t n; (n = read(line, buffer, sizeof buffer)) > 0;) heard.append(buffer, (size_t)n);
        return heard.find("$PSMT,") != std::string::npos;
      },
      5000));
  if (line >= 0) close(line);
  return unit;
}

// A tracking unit over the view saved in its store, fed the corpus's first
// 120 lines, with the target list opened from the menus; it shows the list
// as the golden box (left, width) once it ends, and leaves without a fatal
// error.
void ShowsTheTargetList(std::map<std::string, uint32_t> settings, const std::string& golden, U32 u32Left) {
  RIG_GUARD rig{TEST_MakeTempDir("velmora-rig")};
  const TEST_TEMP_DIR base{TEST_MakeTempDir("velmora-base")};
  auto unit = TrackingUnit(rig.dir, base.dir, std::move(settings));
  ASSERT_FALSE(::testing::Test::HasFailure());
  const std::string nmea = rig.dir + "/ais.nmea";
  WriteSentences(nmea, 120);
  // The tool sends at the line's pace and returns when the last byte is out;
  // the target list below shows the pool as it fills.
  EXPECT_EQ(0, Tool(rig.dir, "feed ttyO3 " + nmea + " --baud 38400"));
  // Main menu, over Sonar, Setup and Views to Accessories, into AIS, down
  // past Tracking Target and CPA Limits to Target List.
  ASSERT_TRUE(OpenMainMenu(rig.dir, unit.get())) << Out(unit.get());
  PressKeys(rig.dir, unit.get(), {"RIGHT", "RIGHT", "RIGHT", "RIGHT", "DOWN", "RIGHT", "DOWN", "DOWN", "RIGHT"});
  ASSERT_TRUE(WaitForCount(unit.get(), "action Target List", 1, 5000)) << Out(unit.get());
  EXPECT_TRUE(ShowsGoldenBox(rig.dir, golden, u32Left, 0, 640, 480));
  TEST_Signal(unit.get(), SIGTERM);
  TEST_RESULT r = TEST_Finish(std::move(unit), 10000);
  EXPECT_EQ(std::string::npos, r.out.find("error:")) << r.out;
}

// The first eight of the pool in MMSI order, the first highlighted, and the
// footer arrow for the rest. Without a fix or GPS time no TCPA is known:
// dashes, not "0:00"; speeds in the unit's kph.
TEST(RigAis, TheTargetListOpensFromTheAisMenuOverTheFedPool) { ShowsTheTargetList({}, "ais_target_list", 80); }

// Over the big digits view the data-box column is 300 pixels wide and the
// 640-pixel list cannot stand right of it: it stands at the screen's right
// edge instead, whole, with its TCPA column and the highlight's arrow.
TEST(RigAis, TheTargetListOverTheBigDigitsViewStandsWholeOnTheScreen) {
  ShowsTheTargetList({{"SVEW", ZOLT_DIGIT_VIEW_PRIORITY}}, "ais_target_list_big_digits", 160);
}

// A sentence with its checksum, as a receiver sends it.
std::string Sentence(char cStart, const std::string& body) {
  unsigned sum = 0;
  for (char c : body) sum ^= (unsigned char)c;
  char tail[8];
  snprintf(tail, sizeof tail, "*%02X\r\n", sum);
  return cStart + body + tail;
}

// A unit as it leaves the factory, with only AIS tracking turned on: no
// collision limits were ever saved. The boat runs north at 5 kn; a ship a
// nautical mile ahead comes south at 10 kn. They meet in four minutes well
// inside the factory limits (0.5 NM, 15 minutes): the alarm sounds its
// burst, 2600 Hz at the normal pitch, on the buzzer.
TEST(RigAis, AFreshUnitSoundsTheCollisionAlarmForAShipComingStraightAtIt) {
  RIG_GUARD rig{TEST_MakeTempDir("velmora-rig")};
  const TEST_TEMP_DIR base{TEST_MakeTempDir("velmora-base")};
  auto unit = TrackingUnit(rig.dir, base.dir);
  ASSERT_FALSE(::testing::Test::HasFailure());
  const std::string feed = rig.dir + "/collision.nmea";
  {
    std::ofstream out(feed);
    out << Sentence('$', "GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,");
    out << Sentence('$', "GPRMC,123519,A,4807.038,N,01131.000,E,005.0,000.0,071226,003.1,W");
    out << Sentence('!', aist::Type1(366000777, 48.1173 + 1.0 / 60, 11.5166667, 10, 180));
  }
  auto feeder = TEST_Spawn(kRigTool, {"--rig", rig.dir, "feed", "ttyO3", feed, "--baud", "38400", "--repeat", "120",
                                      "--every", "1"},
                           {});
  const bool bAlarm = TEST_bWaitUntil(
      [&] {
        const std::vector<uint8_t> bytes = nvfiles::Read(rig.dir + "/dev/buzzer0");
        std::vector<int32_t> tones(bytes.size() / 4);
        memcpy(tones.data(), bytes.data(), tones.size() * 4);
        return std::count(tones.begin(), tones.end(), 2600) > 0;
      },
      30000);
  EXPECT_TRUE(bAlarm) << Out(unit.get());
  TEST_Signal(feeder.get(), SIGTERM);
  TEST_Finish(std::move(feeder), 5000);
  TEST_Signal(unit.get(), SIGTERM);
  TEST_RESULT r = TEST_Finish(std::move(unit), 10000);
  EXPECT_EQ(std::string::npos, r.out.find("error:")) << r.out;
}

// A ship's static report names it on the chart: beside its symbol stands
// the name the target list and the alarm give it, not its call sign.
TEST(RigAis, TheChartLabelsAShipWithTheNameItsStaticReportGives) {
  RIG_GUARD rig{TEST_MakeTempDir("velmora-rig")};
  const TEST_TEMP_DIR base{TEST_MakeTempDir("velmora-base")};
  ASSERT_NO_FATAL_FAILURE(MakeRig(rig.dir));
  SeedUnit(base.dir, {{"SQCD", 1}, {"SAIS", 1}});
  const std::string feed = rig.dir + "/named.nmea";
  {
    std::ofstream out(feed);
    out << Sentence('$', "GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,");
    out << Sentence('$', "GPRMC,123519,A,4807.038,N,01131.000,E,000.0,000.0,071226,003.1,W");
    out << Sentence('!', aist::Type1(366000888, 48.1173 + 0.02, 11.5166667 + 0.02, 0, 0));
    out << Sentence('!', aist::Type5(366000888, "TEST", "SEA STAR"));
  }
  auto feeder = TEST_Spawn(kRigTool, {"--rig", rig.dir, "feed", "ttyO3", feed, "--baud", "38400", "--repeat", "600",
                                      "--every", "1"},
                           {});
  auto unit = Start(rig.dir, base.dir);
  ASSERT_TRUE(ShowChart(rig.dir, unit.get())) << Out(unit.get());
  // The ship, up and right of the boat, with its label; the boat's readouts
  // stay out of the box.
  EXPECT_TRUE(ShowsGoldenBox(rig.dir, "ais_chart_name", 450, 122, 150, 34));
  TEST_Signal(feeder.get(), SIGTERM);
  TEST_Finish(std::move(feeder), 5000);
  TEST_Signal(unit.get(), SIGTERM);
  TEST_RESULT r = TEST_Finish(std::move(unit), 10000);
  EXPECT_EQ(std::string::npos, r.out.find("error:")) << r.out;
}

}  // namespace
