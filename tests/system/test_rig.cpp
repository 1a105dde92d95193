// The unit's process on a host rig made by the rig tool, with the tools a
// person uses against it while it runs.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <regex>
#include <sstream>
#include <fstream>
#include <string>
#include <vector>

#include "golden.h"
#include "nvram_files.h"
#include "rig_pcline.h"
#include "rig_unit.h"
#include "test_process.h"
#include "test_timing.h"

namespace {

using namespace rigunit;

// A refusal is one line that names the tool, with status 2, never a trace.
void ExpectRefusal(const TEST_RESULT& r, const std::string& why) {
  EXPECT_EQ(2, r.status) << r.err;
  EXPECT_EQ(0u, r.err.rfind("rig: ", 0)) << r.err;
  EXPECT_EQ(1, std::count(r.err.begin(), r.err.end(), '\n')) << r.err;
  EXPECT_NE(std::string::npos, r.err.find(why)) << r.err;
}

TEST(Rig, TheUnitRunsOnARigAndTheScreenFeedAndSpeedToolsWorkAgainstIt) {
  RIG_GUARD rig{TEST_MakeTempDir("velmora-rig")};
  ASSERT_NO_FATAL_FAILURE(MakeRig(rig.dir));
  struct stat st;
  ASSERT_EQ(0, lstat((rig.dir + "/serial/ttyO4").c_str(), &st)) << "socat did not make the serial ports";

  const TEST_TEMP_DIR base{TEST_MakeTempDir("velmora-base")};
  auto unit = TEST_Spawn(kVelmora, {}, {"VELMORA_DEVROOT=" + rig.dir, "VELMORA_CWD=" + base.dir});
  ASSERT_TRUE(TEST_bWaitForOutput(unit.get(), "L_TASK_Start: task 71 ", 20000));

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

// The test holds the keypad's reading end as the unit's key thread does. The
// record layout's time field differs between hosts, so each record is read
// from its end: type, code and value.
TEST(Rig, AKeyReachesAKeypadReaderAndWithoutOneIsRefused) {
  RIG_GUARD rig{TEST_MakeTempDir("velmora-rig")};
  ASSERT_NO_FATAL_FAILURE(MakeRig(rig.dir));
  int reader = open((rig.dir + "/dev/input/event6").c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  EXPECT_EQ(0, ToolRun(rig.dir, {"key", "hold", "menu", "--ms", "10"}).status);
  char bytes[512];
  ssize_t n = read(reader, bytes, sizeof bytes);
  close(reader);
  ASSERT_GT(n, 0);
  ASSERT_EQ(0, n % 4);
  const size_t record = (size_t)n / 4;
  // EV_KEY for the MENU key's code 50 down, EV_SYN, the same key up, EV_SYN.
  const U16 expected[4][3] = {{1, 50, 1}, {0, 0, 0}, {1, 50, 0}, {0, 0, 0}};
  for (size_t i = 0; i < 4; i++) {
    U16 type, code;
    S32 value;
    const char* end = bytes + (i + 1) * record;
    memcpy(&type, end - 8, 2);
    memcpy(&code, end - 6, 2);
    memcpy(&value, end - 4, 4);
    EXPECT_EQ(expected[i][0], type) << "record " << i;
    EXPECT_EQ(expected[i][1], code) << "record " << i;
    EXPECT_EQ(expected[i][2], value) << "record " << i;
  }

  ExpectRefusal(ToolRun(rig.dir, {"key", "press", "MENU"}), "no unit reads the keypad");
  ExpectRefusal(ToolRun(rig.dir, {"key", "press", "BOGUS"}), "no key BOGUS");
}

TEST(Rig, AMissingFeedFileAndAStoppedRigAreRefused) {
  RIG_GUARD rig{TEST_MakeTempDir("velmora-rig")};
  ASSERT_NO_FATAL_FAILURE(MakeRig(rig.dir));
  ExpectRefusal(ToolRun(rig.dir, {"feed", "ttyO4", rig.dir + "/absent.nmea"}), "absent.nmea");
  std::string nmea = rig.dir + "/feed.nmea";
  std::ofstream(nmea) << "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\n";
  ASSERT_EQ(0, Tool(rig.dir, "stop"));
  ExpectRefusal(ToolRun(rig.dir, {"feed", "ttyO4", nmea}), "was stopped");
}

// A line fault on purpose: every byte flipped in exactly one bit, or every
// byte lost; a feed cut off by the rig's end says so in one line.
TEST(Rig, AFeedLosesOrFlipsBytesOnRequestAndEndsInOneLineWhenTheRigStops) {
  RIG_GUARD rig{TEST_MakeTempDir("velmora-rig")};
  ASSERT_NO_FATAL_FAILURE(MakeRig(rig.dir));
  PC_LINE unitEnd;
  ASSERT_NO_FATAL_FAILURE(unitEnd.OpenRaw(rig.dir + "/dev/ttyO4"));
  const std::string sentence = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47";
  const std::string nmea = rig.dir + "/feed.nmea";
  std::ofstream(nmea) << sentence << "\n";
  const std::string line = sentence + "\r\n";

  EXPECT_EQ(0, ToolRun(rig.dir, {"feed", "ttyO4", nmea, "--baud", "38400", "--corrupt", "1"}).status);
  const std::string flipped = unitEnd.Until([&line](const std::string& got) { return got.size() >= line.size(); });
  ASSERT_EQ(line.size(), flipped.size());
  for (size_t i = 0; i < line.size(); i++) {
    EXPECT_EQ(1, __builtin_popcount((U8)(line[i] ^ flipped[i]))) << "byte " << i;
  }
  EXPECT_EQ(0, ToolRun(rig.dir, {"feed", "ttyO4", nmea, "--baud", "38400", "--drop", "1"}).status);
  // The line keeps its order: a whole pass fed next arrives with nothing of
  // the dropped one before it.
  EXPECT_EQ(0, ToolRun(rig.dir, {"feed", "ttyO4", nmea, "--baud", "38400"}).status);
  EXPECT_EQ(line, unitEnd.Until([&line](const std::string& got) { return got.find(line) != std::string::npos; }));
  ExpectRefusal(ToolRun(rig.dir, {"feed", "ttyO4", nmea, "--drop", "1.5"}), "probability");

  auto feed = TEST_Spawn("/usr/bin/env", {"python3", kRigTool, "--rig", rig.dir, "feed", "ttyO4", nmea, "--baud",
                                          "38400", "--repeat", "100000", "--every", "0.05"});
  struct pollfd p = {unitEnd.fd, POLLIN, 0};
  ASSERT_EQ(1, poll(&p, 1, 10000)) << "the feed began";
  ASSERT_EQ(0, Tool(rig.dir, "stop"));
  ExpectRefusal(TEST_Finish(std::move(feed), 10000), "stopped while feeding ttyO4");
}

// The unit answers for its keys and tasks on the rig, and only while it
// runs: a new unit's model is 585.
TEST(Rig, TheRunningUnitTellsAKeysValueAndItsTasksCounters) {
  RIG_GUARD rig{TEST_MakeTempDir("velmora-rig")};
  ASSERT_NO_FATAL_FAILURE(MakeRig(rig.dir));
  const TEST_TEMP_DIR base{TEST_MakeTempDir("velmora-base")};
  SeedUnit(base.dir, {{"SQCD", 1}});
  ExpectRefusal(ToolRun(rig.dir, {"db", "SMDL"}), "no unit answers");
  auto unit = TEST_Spawn(kVelmora, {}, {"VELMORA_DEVROOT=" + rig.dir, "VELMORA_CWD=" + base.dir});
  ASSERT_TRUE(TEST_bWaitForOutput(unit.get(), "initialised after", 20000)) << Out(unit.get());

  const TEST_RESULT model = ToolRun(rig.dir, {"db", "SMDL"});
  EXPECT_EQ(0, model.status) << model.err;
  EXPECT_EQ("SMDL 585\n", model.out);
  ExpectRefusal(ToolRun(rig.dir, {"db", "QQQQ"}), "the unit has no QQQQ");
  ExpectRefusal(ToolRun(rig.dir, {"db", "ISOG"}), "ISOG has no value yet");  // no fix has come
  ExpectRefusal(ToolRun(rig.dir, {"db", "SMDLX"}), "four letters");

  const TEST_RESULT status = ToolRun(rig.dir, {"status"});
  EXPECT_EQ(0, status.status) << status.err;
  // One line a task, the main thread's last: id, name, state, mails, idle, longest.
  std::map<std::string, std::vector<std::string>> rows;
  std::istringstream lines(status.out);
  for (std::string text; std::getline(lines, text);) {
    std::smatch m;
    if (std::regex_match(text, m, std::regex(R"( *(\d+) (\S+) +(not started|running|waiting|ended) +(\d+) +(\d+) +(\d+))"))) {
      rows[m[2]] = {m[1], m[3], m[4]};
    }
  }
  EXPECT_EQ(72u, rows.size()) << status.out;
  EXPECT_EQ("not started", rows["RTXCBUG"][1]);
  EXPECT_NE("not started", rows["VIEWTASK"][1]);
  EXPECT_GT(std::stoul(rows["VIEWTASK"][2]), 0u) << "the view task took its layers by mail";

  TEST_Signal(unit.get(), SIGTERM);
  TEST_RESULT r = TEST_Finish(std::move(unit), 10000);
  ExpectRefusal(ToolRun(rig.dir, {"db", "SMDL"}), "no unit answers");
  EXPECT_EQ(std::string::npos, r.out.find("error:")) << r.out;
}

// Without a display the window cannot open: the tool says so and stops.
TEST(Rig, TheViewWindowWithoutADisplayIsRefused) {
  RIG_GUARD rig{TEST_MakeTempDir("velmora-rig")};
  ASSERT_NO_FATAL_FAILURE(MakeRig(rig.dir));
  ExpectRefusal(TEST_Run("/usr/bin/env", {"python3", kRigTool, "--rig", rig.dir, "view"},
                         {"DISPLAY=", "WAYLAND_DISPLAY=", "SDL_VIDEODRIVER="}, 20000),
                "no display");
}

// The panel is lit once the settings are restored, never darker than level 5
// (brightness 50) whatever level was stored. The unit is a set-up one: a
// unit in burn-in or on its first start runs at full light.
TEST(Rig, TheUnitLightsThePanelFromItsStoredLevel) {
  RIG_GUARD rig{TEST_MakeTempDir("velmora-rig")};
  ASSERT_NO_FATAL_FAILURE(MakeRig(rig.dir));
  const std::string brightness = rig.dir + "/sys/class/backlight/pwm-backlight/brightness";
  ASSERT_EQ(0, nvfiles::Size(brightness)) << "a fresh rig's panel is dark";
  const TEST_TEMP_DIR base{TEST_MakeTempDir("velmora-base")};
  SeedUnit(base.dir, {{"SQCD", 1}, {"SBAK", 3}});

  auto unit = TEST_Spawn(kVelmora, {}, {"VELMORA_DEVROOT=" + rig.dir, "VELMORA_CWD=" + base.dir});
  EXPECT_TRUE(TEST_bWaitUntil([&] { return nvfiles::Read(brightness) == std::vector<uint8_t>{'5', '0'}; }, 20000));
  TEST_Signal(unit.get(), SIGTERM);
  TEST_RESULT r = TEST_Finish(std::move(unit), 10000);
  EXPECT_EQ(2, r.status) << r.out << r.err;
  const std::vector<uint8_t> text = nvfiles::Read(brightness);
  EXPECT_EQ("50", std::string(text.begin(), text.end()));
}

TEST(Rig, PowerHeldThreeSecondsShutsTheUnitDownWithTheDisplayLastAndEndsItWithTen) {
  RIG_GUARD rig{TEST_MakeTempDir("velmora-rig")};
  ASSERT_NO_FATAL_FAILURE(MakeRig(rig.dir));
  const TEST_TEMP_DIR base{TEST_MakeTempDir("velmora-base")};
  auto unit = TEST_Spawn(kVelmora, {}, {"VELMORA_DEVROOT=" + rig.dir, "VELMORA_CWD=" + base.dir});
  ASSERT_TRUE(TEST_bWaitForOutput(unit.get(), "L_TASK_Start: task 71 ", 20000));
  ASSERT_TRUE(TEST_bWaitForOutput(unit.get(), "KEYBOARD_vInit: LWP ID", 5000));
  EXPECT_EQ(0, Tool(rig.dir, "key press POWER"));
  EXPECT_TRUE(TEST_bWaitForOutput(unit.get(), "shutdown (power down)", 10000)) << Out(unit.get());
  Tool(rig.dir, "key release POWER");  // refused when the unit has already ended
  TEST_RESULT r = TEST_Finish(std::move(unit), 15000);
  EXPECT_EQ(10, r.status) << r.out << r.err;
  const size_t shutdown = r.out.find("shutdown (power down)");
  ASSERT_NE(std::string::npos, shutdown) << r.out;
  // A first start writes its defaults too, at its own pace: the save looked
  // for is the one the shutdown asks for.
  const size_t saved = r.out.find("settings written", shutdown);
  const size_t display = r.out.find("display off");
  EXPECT_NE(std::string::npos, saved) << "the NVR task saves when it is told";
  EXPECT_LT(saved, display) << "the display task is told after every other task";
  EXPECT_EQ(std::string::npos, r.out.find("error:")) << r.out;
}

// A frame written to the rig shows in the window, and keys typed at the
// window reach the keypad FIFO as presses and releases.
TEST(Rig, TheViewWindowShowsThePageOnDisplayAndTypedKeysReachTheKeypad) {
  RIG_GUARD rig{TEST_MakeTempDir("velmora-rig")};
  ASSERT_NO_FATAL_FAILURE(MakeRig(rig.dir));
  std::vector<COLOR> page(800 * 480);
  for (size_t i = 0; i < page.size(); i++) page[i] = (COLOR)(i * 2654435761u >> 7);
  {
    std::fstream fb(rig.dir + "/dev/fb0", std::ios::in | std::ios::out | std::ios::binary);
    fb.seekp(2 * 800 * 480 * 2);
    fb.write((const char*)page.data(), (std::streamsize)(page.size() * 2));
    std::ofstream(rig.dir + "/dev/fb0.page") << "2\n";
  }
  int fifo = open((rig.dir + "/dev/input/event6").c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(fifo, 0);
  std::string png = rig.dir + "/window.png";
  ASSERT_EQ(0, system(("SDL_VIDEODRIVER=dummy python3 " + kRigTool + " --rig " + rig.dir +
                       " view --frames 3 --save " + png + " --inject RIGHT --inject MENU > /dev/null")
                          .c_str()));

  U32 width = 0, height = 0;
  std::vector<U8> rgb;
  std::string error;
  ASSERT_TRUE(GOLDEN_bReadPng(png, &width, &height, &rgb, &error)) << error;
  ASSERT_EQ(800u * 480u * 3u, rgb.size());
  EXPECT_TRUE(FromRgb(rgb) == page);

  struct INPUT_EVENT {
    struct timeval time;
    U16 type;
    U16 code;
    S32 value;
  } events[16];
  ssize_t got = read(fifo, events, sizeof events);
  close(fifo);
  std::vector<std::pair<int, int>> keys;
  for (ssize_t i = 0; i < got / (ssize_t)sizeof events[0]; i++) {
    if (events[i].type == 1) keys.emplace_back(events[i].code, events[i].value);
  }
  EXPECT_EQ((std::vector<std::pair<int, int>>{{49, 1}, {49, 0}, {50, 1}, {50, 0}}), keys);
}

// With the sonar off the live screen is the 2D sonar view with an empty
// history, which stays still, and the layers over all views. VIEW reaches the
// view-key task, which moves on to the big-digits view; POWER reaches the
// display task, whose pop-up is the next page on display, and EXIT takes it
// away again.
TEST(Rig, KeysFromTheKeypadReachTheirOwnersAndTheNextPageOnDisplayShowsWhatTheyDid) {
  RIG_GUARD rig{TEST_MakeTempDir("velmora-rig")};
  ASSERT_NO_FATAL_FAILURE(MakeRig(rig.dir));
  const TEST_TEMP_DIR base{TEST_MakeTempDir("velmora-base")};
  SeedUnit(base.dir, {{"SQCD", 1}, {"SSEN", 0}});
  auto unit = TEST_Spawn(kVelmora, {}, {"VELMORA_DEVROOT=" + rig.dir, "VELMORA_CWD=" + base.dir});
  ASSERT_TRUE(TEST_bWaitForOutput(unit.get(), "run-system sent to", 20000));
  ASSERT_TRUE(TEST_bWaitForOutput(unit.get(), "update CVEW to 21", 5000));
  // The transducer's water temperature has its data box before the picture.
  ASSERT_TRUE(TEST_bWaitForOutput(unit.get(), "water temperature sensor 0 found", 5000));
  EXPECT_TRUE(ShowsGolden(rig.dir, "rig_empty"));
  const std::vector<COLOR> empty = Screen(rig.dir);

  // The big-digits view shows the water temperature the rig's transducer
  // reads.
  EXPECT_EQ(0, Tool(rig.dir, "key hold VIEW --ms 100"));
  const std::vector<COLOR> digits = NextScreen(rig.dir, empty);

  EXPECT_EQ(0, Tool(rig.dir, "key hold POWER --ms 100"));
  EXPECT_TRUE(ShowsGolden(rig.dir, "rig_power_popup"));
  EXPECT_EQ(0, Tool(rig.dir, "key hold EXIT --ms 100"));
  std::vector<COLOR> after = WaitForScreen(rig.dir, [&](const std::vector<COLOR>& s) { return s == digits; }, 5000);
  EXPECT_TRUE(after == digits) << "the pop-up is gone";

  TEST_Signal(unit.get(), SIGTERM);
  TEST_RESULT r = TEST_Finish(std::move(unit), 10000);
  EXPECT_EQ(2, r.status) << r.out << r.err;
  EXPECT_EQ(std::string::npos, r.out.find("error:")) << r.out;
  EXPECT_TRUE(std::regex_search(r.out, std::regex(R"( VIEWKEYTASK \[\d+\]T_VIEW_vSetNextBackgroundLayer: update CVEW to 22)")))
      << "VIEW reached the view-key task";
}

}  // namespace
