// The unit's process on a host rig made by the rig tool, with the tools a
// person uses against it while it runs.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <fstream>
#include <string>
#include <vector>

#include "golden.h"
#include "nvram_files.h"
#include "test_process.h"

namespace {

const std::string kVelmora = VELMORA_BINARY;
const std::string kRigTool = VELMORA_TOOLS_DIR "/rig";

// The tool widens RGB565 by repeating the high bits; the top bits give it back.
std::vector<COLOR> FromRgb(const std::vector<U8>& rgb) {
  std::vector<COLOR> pixels(rgb.size() / 3);
  for (size_t i = 0; i < pixels.size(); i++) {
    pixels[i] = (COLOR)((rgb[3 * i] >> 3) << 11 | (rgb[3 * i + 1] >> 2) << 5 | rgb[3 * i + 2] >> 3);
  }
  return pixels;
}

int Tool(const std::string& rig, const std::string& arguments) {
  std::string command = "python3 " + kRigTool + " --rig " + rig + " " + arguments + " > /dev/null";
  int status = system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_RESULT ToolRun(const std::string& rig, const std::vector<std::string>& arguments) {
  std::vector<std::string> args = {"python3", kRigTool, "--rig", rig};
  args.insert(args.end(), arguments.begin(), arguments.end());
  return TEST_Run("/usr/bin/env", args, {}, 20000);
}

// A refusal is one line that names the tool, with status 2, never a trace.
void ExpectRefusal(const TEST_RESULT& r, const std::string& why) {
  EXPECT_EQ(2, r.status) << r.err;
  EXPECT_EQ(0u, r.err.rfind("rig: ", 0)) << r.err;
  EXPECT_EQ(1, std::count(r.err.begin(), r.err.end(), '\n')) << r.err;
  EXPECT_NE(std::string::npos, r.err.find(why)) << r.err;
}

// Ends the rig's helpers (pseudo-terminal relays, the paddlewheel) and
// removes the rig whatever the test's outcome.
struct RIG_GUARD {
  std::string dir;
  ~RIG_GUARD() {
    Tool(dir, "stop");
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
  }
};

// The page on display as the rig's screen tool saves it, in RGB565; empty
// when it cannot be had.
std::vector<COLOR> Screen(const std::string& rig) {
  const std::string png = rig + "/screen.png";
  U32 width = 0, height = 0;
  std::vector<U8> rgb;
  std::string error;
  if (Tool(rig, "screen " + png) != 0 || !GOLDEN_bReadPng(png, &width, &height, &rgb, &error)) return {};
  return FromRgb(rgb);
}

void MakeRig(const std::string& dir) {
  std::string command = "python3 " + kRigTool + " create " + dir + " > /dev/null";
  ASSERT_EQ(0, system(command.c_str()));
}

TEST(Rig, TheUnitRunsOnARigAndTheScreenFeedAndSpeedToolsWorkAgainstIt) {
  RIG_GUARD rig{TEST_MakeTempDir("velmora-rig")};
  ASSERT_NO_FATAL_FAILURE(MakeRig(rig.dir));
  struct stat st;
  ASSERT_EQ(0, lstat((rig.dir + "/serial/ttyO4").c_str(), &st)) << "socat did not make the serial ports";

  auto unit = TEST_Spawn(kVelmora, {},
                         {"VELMORA_DEVROOT=" + rig.dir, "VELMORA_CWD=" + TEST_MakeTempDir("velmora-base")});
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

namespace {

TEST(Rig, PowerHeldThreeSecondsShutsTheUnitDownWithTheDisplayLastAndEndsItWithTen) {
  RIG_GUARD rig{TEST_MakeTempDir("velmora-rig")};
  ASSERT_EQ(0, system(("python3 " + kRigTool + " create " + rig.dir + " > /dev/null").c_str()));
  auto unit = TEST_Spawn(kVelmora, {},
                         {"VELMORA_DEVROOT=" + rig.dir, "VELMORA_CWD=" + TEST_MakeTempDir("velmora-base")});
  ASSERT_TRUE(TEST_bWaitForOutput(unit.get(), "L_TASK_Start: task 71 ", 20000));
  ASSERT_TRUE(TEST_bWaitForOutput(unit.get(), "KEYBOARD_vInit: LWP ID", 5000));
  EXPECT_EQ(0, Tool(rig.dir, "key press POWER"));
  usleep(3500 * 1000);
  EXPECT_EQ(0, Tool(rig.dir, "key release POWER"));
  TEST_RESULT r = TEST_Finish(std::move(unit), 15000);
  EXPECT_EQ(10, r.status) << r.out << r.err;
  size_t shutdown = r.out.find("shutdown (power down)");
  size_t saved = r.out.find("settings written");
  size_t display = r.out.find("display off");
  ASSERT_NE(std::string::npos, shutdown) << r.out;
  EXPECT_LT(shutdown, saved) << "the NVR task saves when it is told";
  EXPECT_LT(saved, display) << "the display task is told after every other task";
  EXPECT_EQ(std::string::npos, r.out.find("error:")) << r.out;
}

// A frame written to the rig shows in the window, and keys typed at the
// window reach the keypad FIFO as presses and releases.
TEST(Rig, TheViewWindowShowsThePageOnDisplayAndTypedKeysReachTheKeypad) {
  RIG_GUARD rig{TEST_MakeTempDir("velmora-rig")};
  ASSERT_EQ(0, system(("python3 " + kRigTool + " create " + rig.dir + " > /dev/null").c_str()));
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

}  // namespace

namespace {

// The screen on display once it differs from before (or after two seconds).
std::vector<COLOR> NextScreen(const std::string& rig, const std::vector<COLOR>& before) {
  std::vector<COLOR> screen;
  for (int i = 0; i < 40 && (screen = Screen(rig)) == before; i++) usleep(50 * 1000);
  return screen;
}

::testing::AssertionResult MatchesGolden(const std::string& name, const std::vector<COLOR>& screen) {
  if (screen.size() != 800u * 480u) return ::testing::AssertionFailure() << "no screen";
  GOLDEN_PICTURE picture = {screen.data(), 800, 480, 800};
  return GOLDEN_Match(RIG_GOLDEN_DIR "/" + name + ".png", picture);
}

// No view is registered in the unit yet: the live screen is the empty view
// with the layers over all views. VIEW reaches the view-key task, which finds
// no view to move to; POWER reaches the display task, whose pop-up is the
// next page on display, and EXIT takes it away again.
TEST(Rig, KeysFromTheKeypadReachTheirOwnersAndTheNextPageOnDisplayShowsWhatTheyDid) {
  RIG_GUARD rig{TEST_MakeTempDir("velmora-rig")};
  ASSERT_NO_FATAL_FAILURE(MakeRig(rig.dir));
  const std::string base = TEST_MakeTempDir("velmora-base");
  nvfiles::Seed(base, {{"NVER", nvfiles::kVersion}, {"SQCD", 1}});
  auto unit = TEST_Spawn(kVelmora, {}, {"VELMORA_DEVROOT=" + rig.dir, "VELMORA_CWD=" + base});
  ASSERT_TRUE(TEST_bWaitForOutput(unit.get(), "VIEWTASK [", 20000));
  ASSERT_TRUE(TEST_bWaitForOutput(unit.get(), "update CVEW to -2", 5000));
  const std::vector<COLOR> empty = NextScreen(rig.dir, {});
  EXPECT_TRUE(MatchesGolden("rig_empty", empty));

  EXPECT_EQ(0, Tool(rig.dir, "key hold VIEW --ms 100"));

  EXPECT_EQ(0, Tool(rig.dir, "key hold POWER --ms 100"));
  EXPECT_TRUE(MatchesGolden("rig_power_popup", NextScreen(rig.dir, empty)));
  EXPECT_EQ(0, Tool(rig.dir, "key hold EXIT --ms 100"));
  std::vector<COLOR> after = NextScreen(rig.dir, Screen(rig.dir));
  EXPECT_TRUE(after == empty) << "the pop-up is gone";

  TEST_Signal(unit.get(), SIGTERM);
  TEST_RESULT r = TEST_Finish(std::move(unit), 10000);
  EXPECT_EQ(2, r.status) << r.out << r.err;
  EXPECT_EQ(std::string::npos, r.out.find("error:")) << r.out;
  EXPECT_TRUE(std::regex_search(r.out, std::regex(R"( VIEWKEYTASK \[\d+\]T_VIEW_vSetNextBackgroundLayer: update CVEW to -2)")))
      << "VIEW reached the view-key task";
}

}  // namespace

namespace {

// The supply reading is the sonar stand-in's: a lower one in dev/sonar.cfg
// reaches the battery task within a second or two. 1724 reads 10.49 V
// ((1724 / 4 x 227 + 7147) / 100 hundredths), below the stored 11.0 V
// threshold and far above the power-down.
TEST(Rig, ALowSupplyShowsTheLowBatteryPopUpSoundsItsAlertAndAnyKeyAnswersIt) {
  RIG_GUARD rig{TEST_MakeTempDir("velmora-rig")};
  ASSERT_NO_FATAL_FAILURE(MakeRig(rig.dir));
  const std::string base = TEST_MakeTempDir("velmora-base");
  const float threshold = 11.0f;
  uint32_t bits = 0;
  memcpy(&bits, &threshold, sizeof bits);
  nvfiles::Seed(base, {{"NVER", nvfiles::kVersion}, {"SQCD", 1}, {"SLBV", bits}});
  auto unit = TEST_Spawn(kVelmora, {}, {"VELMORA_DEVROOT=" + rig.dir, "VELMORA_CWD=" + base});
  ASSERT_TRUE(TEST_bWaitForOutput(unit.get(), "update CVEW to -2", 20000));
  const std::vector<COLOR> empty = NextScreen(rig.dir, {});

  const std::string cfg = rig.dir + "/dev/sonar.cfg";
  std::ifstream in(cfg);
  std::string text((std::istreambuf_iterator<char>(in)), {});
  text = std::regex_replace(text, std::regex("adc_supply *= *[0-9]+"), "adc_supply = 1724");
  std::ofstream(cfg + ".new") << text;
  ASSERT_EQ(0, rename((cfg + ".new").c_str(), cfg.c_str()));
  std::vector<COLOR> shown;
  for (int i = 0; i < 10 && ((shown = NextScreen(rig.dir, empty)) == empty); i++) {
  }
  EXPECT_TRUE(MatchesGolden("rig_low_battery", shown));

  // Each tone appends its frequency to the buzzer as a 4-byte integer.
  std::vector<int32_t> tones;
  for (int i = 0; i < 40 && std::count(tones.begin(), tones.end(), 2070) < 3; i++) {
    usleep(50 * 1000);
    const std::vector<uint8_t> bytes = nvfiles::Read(rig.dir + "/dev/buzzer0");
    tones.assign(bytes.size() / 4, 0);
    memcpy(tones.data(), bytes.data(), tones.size() * 4);
  }
  EXPECT_EQ(3, std::count(tones.begin(), tones.end(), 2070)) << "the general alert at Normal pitch";

  EXPECT_EQ(0, Tool(rig.dir, "key hold EXIT --ms 100"));
  EXPECT_TRUE(NextScreen(rig.dir, shown) == empty) << "the answered pop-up is gone";

  TEST_Signal(unit.get(), SIGTERM);
  TEST_RESULT r = TEST_Finish(std::move(unit), 10000);
  EXPECT_EQ(2, r.status) << r.out << r.err;
  EXPECT_EQ(std::string::npos, r.out.find("error:")) << r.out;
}

}  // namespace
