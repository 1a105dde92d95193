#include "rig_unit.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <mutex>
#include <regex>
#include <sstream>
#include <utility>

#include "golden.h"
#include "nvram_files.h"
#include "test_timing.h"

namespace rigunit {

const std::string kVelmora = VELMORA_BINARY;
const std::string kRigTool = VELMORA_TOOLS_DIR "/rig";

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

void MakeRig(const std::string& dir) {
  std::string command = "python3 " + kRigTool + " create " + dir + " > /dev/null";
  ASSERT_EQ(0, system(command.c_str()));
}

RIG_GUARD::~RIG_GUARD() {
  Tool(dir, "stop");
  TEST_vRemoveUnlessFailed(dir);
}

std::vector<COLOR> FromRgb(const std::vector<U8>& rgb) {
  std::vector<COLOR> pixels(rgb.size() / 3);
  for (size_t i = 0; i < pixels.size(); i++) {
    pixels[i] = (COLOR)((rgb[3 * i] >> 3) << 11 | (rgb[3 * i + 1] >> 2) << 5 | rgb[3 * i + 2] >> 3);
  }
  return pixels;
}

std::vector<COLOR> Screen(const std::string& rig) { return GOLDEN_RigScreen(rig); }

std::vector<COLOR> WaitForScreen(const std::string& rig, const std::function<bool(const std::vector<COLOR>&)>& bShows,
                                 int ms) {
  std::vector<COLOR> screen;
  TEST_bWaitUntil([&] { return bShows(screen = Screen(rig)); }, (U64)ms);
  return screen;
}

std::vector<COLOR> NextScreen(const std::string& rig, const std::vector<COLOR>& before) {
  return WaitForScreen(rig, [&](const std::vector<COLOR>& s) { return !s.empty() && s != before; }, 5000);
}

std::vector<COLOR> StableScreen(const std::string& rig) { return StableBox(rig, 0, 0, 800, 480); }

std::vector<COLOR> Box(const std::vector<COLOR>& screen, U32 u32Left, U32 u32Top, U32 u32Width, U32 u32Height) {
  std::vector<COLOR> pixels;
  for (U32 y = u32Top; y < u32Top + u32Height && screen.size() == 800u * 480u; y++) {
    pixels.insert(pixels.end(), screen.begin() + y * 800 + u32Left, screen.begin() + y * 800 + u32Left + u32Width);
  }
  return pixels;
}

// Two looks 200 ms apart that agree: a frame or two after a key, where two
// frames shown one after the other could still both come before the key's
// own redraw.
std::vector<COLOR> StableBox(const std::string& rig, U32 u32Left, U32 u32Top, U32 u32Width, U32 u32Height) {
  std::vector<COLOR> before = Screen(rig), now;
  bool bFirst = true;
  TEST_bWaitUntilEvery(
      [&] {
        // The first look is the one just taken: only a look 200 ms later
        // can agree with it.
        if (std::exchange(bFirst, false)) return false;
        now = Screen(rig);
        const bool bSame =
            Box(now, u32Left, u32Top, u32Width, u32Height) == Box(before, u32Left, u32Top, u32Width, u32Height);
        before = now;
        return !now.empty() && bSame;
      },
      3000, 200);
  return now;
}

::testing::AssertionResult ShowsGoldenBox(const std::string& rig, const std::string& name, U32 u32Left, U32 u32Top,
                                          U32 u32Width, U32 u32Height, int ms) {
  // Making goldens: what settles in the box becomes the golden (the rest of
  // the screen may go on moving).
  if (getenv("UPDATE_GOLDEN") != nullptr) {
    return MatchesGoldenBox(name, StableBox(rig, u32Left, u32Top, u32Width, u32Height), u32Left, u32Top, u32Width,
                            u32Height);
  }
  U32 width = 0, height = 0;
  std::vector<U8> rgb;
  std::string error;
  if (!GOLDEN_bReadPng(RIG_GOLDEN_DIR "/" + name + ".png", &width, &height, &rgb, &error)) {
    return ::testing::AssertionFailure() << error;
  }
  const std::vector<COLOR> golden = FromRgb(rgb);
  const auto bShows = [&](const std::vector<COLOR>& s) {
    if (s.size() != 800u * 480u || width != u32Width || height != u32Height) return false;
    for (U32 row = 0; row < u32Height; row++) {
      const COLOR* p = s.data() + (u32Top + row) * 800 + u32Left;
      if (!std::equal(p, p + u32Width, golden.data() + row * u32Width)) return false;
    }
    return true;
  };
  return MatchesGoldenBox(name, WaitForScreen(rig, bShows, ms), u32Left, u32Top, u32Width, u32Height);
}

::testing::AssertionResult ShowsGolden(const std::string& rig, const std::string& name, int ms) {
  return ShowsGoldenBox(rig, name, 0, 0, 800, 480, ms);
}

::testing::AssertionResult MatchesGoldenBox(const std::string& name, const std::vector<COLOR>& screen, U32 u32Left,
                                            U32 u32Top, U32 u32Width, U32 u32Height) {
  if (screen.size() != 800u * 480u) return ::testing::AssertionFailure() << "no screen";
  if (u32Left + u32Width > 800 || u32Top + u32Height > 480) return ::testing::AssertionFailure() << "box off screen";
  GOLDEN_PICTURE picture = {screen.data() + u32Top * 800 + u32Left, u32Width, u32Height, 800};
  return GOLDEN_Match(RIG_GOLDEN_DIR "/" + name + ".png", picture);
}

::testing::AssertionResult MatchesGolden(const std::string& name, const std::vector<COLOR>& screen) {
  return MatchesGoldenBox(name, screen, 0, 0, 800, 480);
}

size_t Count(const std::string& out, const std::string& text) {
  size_t count = 0;
  for (size_t at = out.find(text); at != std::string::npos; at = out.find(text, at + 1)) count++;
  return count;
}

std::string Out(TEST_PROCESS* p) {
  std::lock_guard<std::mutex> guard(p->lock);
  return p->out;
}

std::unique_ptr<TEST_PROCESS> FixFeed(const std::string& rig) {
  return TEST_Spawn(kRigTool, {"--rig", rig, "feed", "ttyO3", VELMORA_TOOLS_DIR "/../tests/nmea/data/fix-munich.nmea",
                               "--baud", "38400", "--repeat", "600", "--every", "1"},
                    {});
}

bool WaitForCount(TEST_PROCESS* p, const std::string& text, size_t n, int ms) {
  return TEST_bWaitUntil([&] { return Count(Out(p), text) >= n; }, (U64)ms);
}

std::unique_ptr<TEST_PROCESS> Start(const std::string& rig, const std::string& base) {
  auto unit = TEST_Spawn(kVelmora, {}, {"VELMORA_DEVROOT=" + rig, "VELMORA_CWD=" + base});
  EXPECT_TRUE(TEST_bWaitForOutput(unit.get(), "every task has taken run-system", 20000)) << Out(unit.get());
  return unit;
}

void HoldKey(const std::string& rig, TEST_PROCESS* unit, const char* key, int ms) {
  // The unit's log line for each key let go, once it has gone to its taker.
  const char* const kReleased = " up, for mailbox ";
  const size_t released = Count(Out(unit), kReleased);
  EXPECT_EQ(0, Tool(rig, std::string("key hold ") + key + " --ms " + std::to_string(ms)));
  EXPECT_TRUE(WaitForCount(unit, kReleased, released + 1, 3000)) << key << " not taken";
}

void PressKeys(const std::string& rig, TEST_PROCESS* unit, std::initializer_list<const char*> keys) {
  for (const char* key : keys) HoldKey(rig, unit, key, 100);
}

// The tones the buzzer has sounded, four bytes each.
static size_t Clicks(const std::string& rig) {
  struct stat st;
  return stat((rig + "/dev/buzzer0").c_str(), &st) == 0 ? (size_t)st.st_size / 4 : 0;
}

void ClickedKeys(const std::string& rig, std::initializer_list<const char*> keys) {
  for (const char* key : keys) {
    const size_t before = Clicks(rig);
    EXPECT_EQ(0, Tool(rig, std::string("key hold ") + key + " --ms 100"));
    EXPECT_TRUE(TEST_bWaitUntil([&] { return Clicks(rig) > before; }, 5000)) << key << " made no click";
  }
}

std::string NmeaLine(const std::string& body) {
  unsigned sum = 0;
  for (char c : body) sum ^= (unsigned char)c;
  char tail[8];
  snprintf(tail, sizeof tail, "*%02X\r\n", sum);
  return "$" + body + tail;
}

void RemotePress(const std::string& rig, const std::string& key) {
  const int fd = open((rig + "/serial/ttyO3").c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(fd, 0);
  for (const char* state : {"01", "00"}) {
    const std::string line = NmeaLine("PQVM100," + key + "," + state);
    EXPECT_EQ((ssize_t)line.size(), write(fd, line.data(), line.size()));
    usleep(100 * 1000);  // a thumb's press
  }
  close(fd);
}

static size_t Opened(TEST_PROCESS* unit, const std::string& root) {
  return Count(Out(unit), "bBeginRoot: open " + root);
}

bool OpenExpressMenu(const std::string& rig, TEST_PROCESS* unit) {
  return TEST_bWaitUntil(
      [&] {
        const size_t express = Opened(unit, "express"), main = Opened(unit, "main");
        const size_t closed = Count(Out(unit), "CMNU 0");
        PressKeys(rig, unit, {"MENU"});
        if (!TEST_bWaitUntil([&] { return Opened(unit, "express") > express || Opened(unit, "main") > main; }, 3000)) {
          return false;
        }
        if (Opened(unit, "express") > express) return true;
        PressKeys(rig, unit, {"EXIT"});
        WaitForCount(unit, "CMNU 0", closed + 1, 3000);
        return false;
      },
      20000);
}

bool OpenMainMenuWithFix(const std::string& rig, TEST_PROCESS* unit) {
  if (!OpenExpressMenu(rig, unit)) return false;
  const size_t main = Opened(unit, "main");
  PressKeys(rig, unit, {"MENU"});
  return WaitForCount(unit, "bBeginRoot: open main", main + 1, 3000);
}

bool OpenMainMenu(const std::string& rig, TEST_PROCESS* unit) {
  // The menu task logs CMNU once it has settled the keys it takes: 3 is the
  // main menu (not 30 and up; a log line ends in CR LF).
  const size_t before = Count(Out(unit), "CMNU 3\r");
  PressKeys(rig, unit, {"MENU"});
  return WaitForCount(unit, "CMNU 3\r", before + 1, 3000);
}

double Now(void) {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return (double)ts.tv_sec + (double)ts.tv_nsec * 1e-9;
}

void StillWater(const std::string& rig, const std::string& depth) {
  const std::string cfg = rig + "/dev/sonar.cfg";
  std::ifstream in(cfg);
  std::string text((std::istreambuf_iterator<char>(in)), {});
  text = std::regex_replace(text, std::regex("(^|\n)depth_m *= *[0-9.]+"), "$1depth_m = " + depth);
  text = std::regex_replace(text, std::regex("depth_swing_m *= *[0-9.]+"), "depth_swing_m = 0");
  text = std::regex_replace(text, std::regex("(^|\n)fish *= *[0-9]+"), "$1fish = 0");
  WriteSonarConfig(rig, text);
}

void WriteSonarConfig(const std::string& rig, const std::string& text) {
  const std::string cfg = rig + "/dev/sonar.cfg";
  std::ofstream(cfg + ".new") << text;
  ASSERT_EQ(0, rename((cfg + ".new").c_str(), cfg.c_str()));
}

void SeedUnit(const std::string& base, const std::map<std::string, uint32_t>& more) {
  std::map<std::string, uint32_t> values = {
      {"NVER", nvfiles::kVersion}, {"SENU", 12345}, {"SENB", 7}, {"SETB", 2024}};
  for (const auto& [key, value] : more) values[key] = value;
  nvfiles::Seed(base, values);
}

std::unique_ptr<TEST_PROCESS> StartWithFix(const std::string& rig, const std::string& base,
                                           std::unique_ptr<TEST_PROCESS>* pFeed) {
  MakeRig(rig);
  if (::testing::Test::HasFatalFailure()) return nullptr;
  SeedUnit(base, {{"SQCD", 1}});
  *pFeed = FixFeed(rig);
  return Start(rig, base);
}

// The screen once it has left the given one and settled.
void SettledAfter(const std::string& rig, const std::vector<COLOR>& before) {
  WaitForScreen(rig, [&before](const std::vector<COLOR>& s) { return s != before; }, 10000);
  StableScreen(rig);
}

bool ShowChart(const std::string& rig, TEST_PROCESS* unit) {
  for (int press = 0; press < 12; press++) {
    const size_t views = Count(Out(unit), "update CVEW to "), charts = Count(Out(unit), "update CVEW to 52");
    EXPECT_EQ(0, Tool(rig, "key hold VIEW --ms 100"));
    EXPECT_TRUE(WaitForCount(unit, "update CVEW to ", views + 1, 3000));
    if (Count(Out(unit), "update CVEW to 52") > charts) return true;
  }
  return false;
}

// From the main menu's Nav tab (past Alarms and Sonar) into "Waypoints, Routes, Tracks".
bool OpenManager(const std::string& rig, TEST_PROCESS* unit) {
  if (!OpenMainMenuWithFix(rig, unit)) return false;
  const size_t opened = Count(Out(unit), "action Waypoints, Routes, Tracks");
  PressKeys(rig, unit, {"RIGHT", "RIGHT", "DOWN", "DOWN"});
  const std::vector<COLOR> menu = StableScreen(rig);
  PressKeys(rig, unit, {"RIGHT"});
  if (!WaitForCount(unit, "action Waypoints, Routes, Tracks", opened + 1, 3000)) return false;
  SettledAfter(rig, menu);  // the window is up and takes the keys
  return true;
}

double Stored(const std::string& rig, const std::string& key) {
  std::smatch m;
  const std::string out = ToolRun(rig, {"db", key}).out;
  return std::regex_search(out, m, std::regex(key + " (-?[0-9.]+)")) ? std::stod(m[1]) : -1;
}

bool RunChartMenuRow(const std::string& rig, TEST_PROCESS* unit, const std::string& name) {
  const std::string prefix = "@52.1\t";
  int index = -1;
  TEST_bWaitUntilEvery(
      [&] {
        std::istringstream rows(ToolRun(rig, {"menus"}).out);
        int n = 0;
        for (std::string line; std::getline(rows, line);) {
          if (line.rfind(prefix, 0) != 0) continue;
          if (line.rfind(prefix + name + "\t", 0) == 0) index = n;
          n++;
        }
        return index >= 0;
      },
      5000, 100);
  if (index < 0 || !OpenExpressMenu(rig, unit)) return false;
  const size_t before = Count(Out(unit), "action " + name);
  for (int i = 0; i < index; i++) PressKeys(rig, unit, {"DOWN"});
  const std::vector<COLOR> menu = StableScreen(rig);
  PressKeys(rig, unit, {"RIGHT"});
  if (!WaitForCount(unit, "action " + name, before + 1, 5000)) return false;
  // What the row opens is on screen, its keys taken, before the next key.
  SettledAfter(rig, menu);
  return true;
}

::testing::AssertionResult ShowsBannerGolden(const std::string& rig, const std::string& name, U32 u32Left) {
  constexpr U32 kHeight = 34, kBodyRow = 30;
  const auto bShows = [u32Left](const std::vector<COLOR>& s) {
    if (s.empty()) return false;
    const COLOR c = s[kBodyRow * G_SCREEN_WIDTH + u32Left + 10];
    if (c == 0xFFFF) return false;
    for (U32 x = u32Left + 10; x < u32Left + 30; x++) {
      if (s[kBodyRow * G_SCREEN_WIDTH + x] != c || s[kBodyRow * G_SCREEN_WIDTH + G_SCREEN_WIDTH - 40 + x - u32Left] != c) {
        return false;
      }
    }
    return true;
  };
  WaitForScreen(rig, bShows, 5000);
  return ShowsGoldenBox(rig, name, u32Left, 0, G_SCREEN_WIDTH - u32Left, kHeight);
}

void ShowView(const std::string& rig, TEST_PROCESS* unit, int view) {
  for (int press = 0; press < 14 && Stored(rig, "CVEW") != view; press++) {
    const double before = Stored(rig, "CVEW");
    PressKeys(rig, unit, {"VIEW"});
    TEST_bWaitUntilEvery([&] { return Stored(rig, "CVEW") != before; }, 3000, 100);
  }
}

}  // namespace rigunit

namespace {

// The whole unit on an emulated processor runs many times slower than on
// the board, so its screens and key timings say nothing there; the same code
// runs natively here and every library's unit tests run emulated.
class RIG_NATIVE_ONLY : public ::testing::Environment {
 public:
  void SetUp() override {
    if (TEST_bEmulated()) GTEST_SKIP() << "whole-unit runs are timed on the host's own processor";
  }
};

[[maybe_unused]] ::testing::Environment* const s_pNativeOnly =
    ::testing::AddGlobalTestEnvironment(new RIG_NATIVE_ONLY);

}  // namespace
