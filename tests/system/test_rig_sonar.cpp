// The sonar views of the unit on a rig: the simulated bottom on screen where
// its depth puts it, and VIEW going round the sonar views.

#include <fcntl.h>
#include <math.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "rig_unit.h"
#include "t_n_history.h"
#include "test_timing.h"

namespace {

using namespace rigunit;

// The light scheme's entry of a colour, -1 for none.
int Entry(COLOR c) {
  const COLOR* scheme = T_N_HISTORY_pcolScheme(FALSE);
  for (int e = 0; e < 32; e++) {
    if (scheme[e] == c) return e;
  }
  return -1;
}

// Where column x of the screen shows the bottom (the first row of entry 27
// or above, -1 for none), and how many of its rows above 371 are quiet.
struct COLUMN_LOOK {
  int bottom = -1, quiet = 0;
};
COLUMN_LOOK LookAtColumn(const std::vector<COLOR>& screen, U32 x) {
  COLUMN_LOOK look;
  for (U32 row = 40; row < 480 && look.bottom < 0; row++) {
    const int e = Entry(screen[row * 800 + x]);
    if (e >= 27) look.bottom = (int)row;
    if (row <= 370 && e >= 0 && e <= 2) look.quiet++;
  }
  return look;
}

// The newest columns are drawn at the 15 m range that a 12 m bottom settles
// on: each starts its bottom at row 12 / 15 x 480 = 384, below the transmit
// pulse and above it little but noise. Columns 740-790 lie right of any
// centred note and left of the range marks.
TEST(RigSonar, TheBottomAtTwelveMetresIsOnScreenAtRow384AndViewGoesRoundTheSonarViews) {
  RIG_GUARD rig{TEST_MakeTempDir("velmora-rig")};
  ASSERT_NO_FATAL_FAILURE(MakeRig(rig.dir));
  StillWater(rig.dir, "12");
  const TEST_TEMP_DIR base{TEST_MakeTempDir("velmora-base")};
  SeedUnit(base.dir, {{"SQCD", 1}});
  auto unit = TEST_Spawn(kVelmora, {}, {"VELMORA_DEVROOT=" + rig.dir, "VELMORA_CWD=" + base.dir});
  ASSERT_TRUE(TEST_bWaitForOutput(unit.get(), "update CVEW to 21", 20000)) << Out(unit.get());
  ASSERT_TRUE(TEST_bWaitForOutput(unit.get(), "bottom found at", 5000)) << Out(unit.get());
  // The range settles and the history scrolls the newest columns in.
  const std::vector<COLOR> screen = WaitForScreen(
      rig.dir,
      [](const std::vector<COLOR>& s) {
        if (s.size() != 800u * 480u) return false;
        for (U32 x = 740; x <= 790; x++) {
          const COLUMN_LOOK look = LookAtColumn(s, x);
          if (abs(look.bottom - 384) > 2 || look.quiet < 331 * 9 / 10) return false;
        }
        return true;
      },
      30000);
  ASSERT_EQ(800u * 480u, screen.size());
  for (U32 x = 740; x <= 790; x++) {
    const COLUMN_LOOK look = LookAtColumn(screen, x);
    EXPECT_NEAR(384, look.bottom, 2) << "column " << x;
    EXPECT_GE(look.quiet, 331 * 9 / 10) << "column " << x;
  }

  // VIEW goes round the sonar views; held, it offers them in the
  // views-selection menu.
  for (const char* next : {"22", "32", "33", "21"}) {
    EXPECT_EQ(0, Tool(rig.dir, "key hold VIEW --ms 100"));
    EXPECT_TRUE(WaitForCount(unit.get(), std::string("update CVEW to ") + next, 1 + (next[0] == '2' && next[1] == '1'),
                             5000))
        << next;
  }
  EXPECT_EQ(0, Tool(rig.dir, "key hold VIEW --ms 1500"));
  EXPECT_TRUE(WaitForCount(unit.get(), "CMNU", 1, 5000));
  EXPECT_EQ(0, Tool(rig.dir, "key hold RIGHT --ms 100"));
  EXPECT_TRUE(ShowsGoldenBox(rig.dir, "sonar_views_menu", 36, 37, 296, 196));

  TEST_Signal(unit.get(), SIGTERM);
  TEST_RESULT r = TEST_Finish(std::move(unit), 10000);
  EXPECT_EQ(2, r.status) << r.out << r.err;
  EXPECT_EQ(std::string::npos, r.out.find("error:")) << r.out;
}

// The water at depth_m (a still bottom, no fish), once the stand-in has read it.
void StillSonarWater(const std::string& rig, TEST_PROCESS* unit, double depth) {
  char read[64], text[16];
  snprintf(read, sizeof read, "depth %.2f m swing 0.00 m", depth);
  snprintf(text, sizeof text, "%.2f", depth);
  const size_t before = Count(Out(unit), read);
  StillWater(rig, text);
  ASSERT_TRUE(WaitForCount(unit, read, before + 1, 5000)) << Out(unit);
}

// IDEP as the unit holds it, NAN while it has none.
double HeldDepth(const std::string& rig) {
  const TEST_RESULT r = ToolRun(rig, {"db", "IDEP"});
  double d = NAN;
  if (r.status != 0 || sscanf(r.out.c_str(), "IDEP %lf", &d) != 1) return NAN;
  return d;
}

// The log's lines holding text, each with its time (the second column).
std::vector<std::pair<double, std::string>> TimedLogLines(const std::string& out, const std::string& text) {
  std::vector<std::pair<double, std::string>> lines;
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);) {
    double since = 0, at = 0;
    if (line.find(text) != std::string::npos && sscanf(line.c_str(), "%lf %lf", &since, &at) == 2) {
      lines.emplace_back(at, line);
    }
  }
  return lines;
}

// The depths of the DPT sentences heard on the NMEA port, each with the
// host's time it was read at; NAN for an empty sentence.
struct DPT_LISTENER {
  int fd = -1;
  std::string partial;
  std::vector<std::pair<double, double>> heard;
  void Pump() {
    char buffer[512];
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) partial.append(buffer, (size_t)n);
    for (size_t end; (end = partial.find('\n')) != std::string::npos; partial.erase(0, end + 1)) {
      const size_t at = partial.find("DPT,");
      if (at == std::string::npos || at > end) continue;
      double d = NAN;
      if (partial[at + 4] != ',') sscanf(partial.c_str() + at + 4, "%lf", &d);
      heard.emplace_back(Now(), d);
    }
  }
};

// Depths under the blanking publish none: dashes where the big digits show
// the depth, and no bottom found. From a metre on the true depth. Then off a
// drop-off to 80 m the bottom is lost and found again, and nothing measured
// before the loss is published after it, neither as the depth nor in DPT.
TEST(RigSonar, ShallowWaterShowsDashesAndNoDepthFromBeforeALostBottomIsPublished) {
  RIG_GUARD rig{TEST_MakeTempDir("velmora-rig")};
  ASSERT_NO_FATAL_FAILURE(MakeRig(rig.dir));
  StillWater(rig.dir, "0.3");
  const TEST_TEMP_DIR base{TEST_MakeTempDir("velmora-base")};
  SeedUnit(base.dir, {{"SQCD", 1}, {"SNOE", 1}});
  auto unit = TEST_Spawn(kVelmora, {}, {"VELMORA_DEVROOT=" + rig.dir, "VELMORA_CWD=" + base.dir});
  ASSERT_TRUE(TEST_bWaitForOutput(unit.get(), "update CVEW to 21", 20000)) << Out(unit.get());
  DPT_LISTENER nmea;
  nmea.fd = open((rig.dir + "/serial/ttyO3").c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(nmea.fd, 0);
  EXPECT_EQ(0, Tool(rig.dir, "key hold VIEW --ms 100"));
  ASSERT_TRUE(WaitForCount(unit.get(), "update CVEW to 22", 1, 5000));

  for (int cm = 30; cm <= 90; cm += 10) {
    ASSERT_NO_FATAL_FAILURE(StillSonarWater(rig.dir, unit.get(), cm / 100.0));
    EXPECT_TRUE(ShowsGoldenBox(rig.dir, "big_digits_no_depth", 0, 0, 300, 160)) << cm << " cm";
    EXPECT_TRUE(isnan(HeldDepth(rig.dir))) << cm << " cm";
  }
  EXPECT_EQ(0u, Count(Out(unit.get()), "bottom found at")) << Out(unit.get());
  for (int dm = 10; dm <= 20; dm++) {
    ASSERT_NO_FATAL_FAILURE(StillSonarWater(rig.dir, unit.get(), dm / 10.0));
    EXPECT_TRUE(TEST_bWaitUntilEvery([&] { return fabs(HeldDepth(rig.dir) - dm / 10.0) <= 0.05; }, 5000, 100))
        << dm / 10.0 << " m read as " << HeldDepth(rig.dir);
  }
  ASSERT_TRUE(TEST_bWaitUntil(
      [&] {
        nmea.Pump();
        return !nmea.heard.empty() && fabs(nmea.heard.back().second - 2.0) < 0.05;
      },
      5000))
      << "DPT with the depth on the NMEA port";

  StillWater(rig.dir, "80");
  ASSERT_TRUE(TEST_bWaitUntil(
      [&] {
        nmea.Pump();
        return Count(Out(unit.get()), "bottom found at") >= 2 && !nmea.heard.empty() &&
               fabs(nmea.heard.back().second - 80.0) < 0.5;
      },
      20000))
      << Out(unit.get());
  const std::string out = Out(unit.get());
  const auto lost = TimedLogLines(out, "bottom lost");
  const auto found = TimedLogLines(out, "bottom found at");
  ASSERT_EQ(1u, lost.size()) << out;
  ASSERT_EQ(2u, found.size()) << out;
  double first = 0;
  sscanf(found[1].second.c_str() + found[1].second.find("found at") + 9, "%lf", &first);
  EXPECT_NEAR(80.0, first, 0.5) << found[1].second;
  // A sentence made just before the loss may still be on its way.
  const double since = lost[0].first + TEST_u64SlackMs(250) / 1000.0;
  for (const auto& [at, depth] : nmea.heard) {
    if (at > since && !isnan(depth)) {
      EXPECT_NEAR(80.0, depth, 0.5) << at - lost[0].first << " s after the loss";
    }
  }
  close(nmea.fd);

  TEST_Signal(unit.get(), SIGTERM);
  TEST_RESULT r = TEST_Finish(std::move(unit), 10000);
  EXPECT_EQ(std::string::npos, r.out.find("error:")) << r.out;
}

// The mails the task took, as the rig's status tells them.
long TaskMails(const std::string& rig, const std::string& task) {
  std::istringstream in(ToolRun(rig, {"status"}).out);
  for (std::string line; std::getline(in, line);) {
    char name[32], state[32];
    long id = 0, mails = -1;
    if (sscanf(line.c_str(), "%ld %31s %31s %ld", &id, name, state, &mails) == 4 && task == name) return mails;
  }
  return -1;
}

// One setting of the rig's water and readings changed.
void EditSonarConfig(const std::string& rig, const std::string& key, const std::string& value) {
  const std::string cfg = rig + "/dev/sonar.cfg";
  std::ifstream in(cfg);
  std::string text((std::istreambuf_iterator<char>(in)), {});
  text = std::regex_replace(text, std::regex("(^|\n)" + key + " *= *[0-9.]+"), "$1" + key + " = " + value);
  WriteSonarConfig(rig, text);
}

// A bottom wavering about the edge between the 15 and 20 m ranges (12.75 m)
// switches the range at most once in a half a minute: down only well clear
// of the smaller range. Then Standby stops the pings and the picture, and
// POWER starts both again.
TEST(RigSonar, AWaveringBottomHoldsTheRangeAndStandbyStopsThePings) {
  RIG_GUARD rig{TEST_MakeTempDir("velmora-rig")};
  ASSERT_NO_FATAL_FAILURE(MakeRig(rig.dir));
  StillWater(rig.dir, "12.6");
  EditSonarConfig(rig.dir, "depth_swing_m", "0.3");
  EditSonarConfig(rig.dir, "depth_period_s", "15");
  const TEST_TEMP_DIR base{TEST_MakeTempDir("velmora-base")};
  SeedUnit(base.dir, {{"SQCD", 1}});
  auto unit = TEST_Spawn(kVelmora, {}, {"VELMORA_DEVROOT=" + rig.dir, "VELMORA_CWD=" + base.dir});
  ASSERT_TRUE(TEST_bWaitForOutput(unit.get(), "update CVEW to 21", 20000)) << Out(unit.get());
  ASSERT_TRUE(TEST_bWaitForOutput(unit.get(), "bottom found at", 5000)) << Out(unit.get());
  // Two swings of the bottom after the first bottom set the range.
  const double settled = Now() + 1;
  std::this_thread::sleep_for(std::chrono::seconds(31));
  size_t switches = 0;
  for (const auto& line : TimedLogLines(Out(unit.get()), "beam 0 range")) switches += line.first > settled;
  EXPECT_LE(switches, 1u) << Out(unit.get());

  // The pop-up's last row is Standby: up from the first, then on.
  ClickedKeys(rig.dir, {"POWER", "UP", "RIGHT"});
  ASSERT_TRUE(WaitForCount(unit.get(), "sonar standby on", 1, 5000)) << Out(unit.get());
  // Clear of the depth, the range marks and the data boxes.
  const U32 left = 600, top = 60, width = 180, height = 360;
  const std::vector<COLOR> still = Box(StableBox(rig.dir, left, top, width, height), left, top, width, height);
  const long pings = TaskMails(rig.dir, "PROCESSTASK");
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  EXPECT_EQ(pings, TaskMails(rig.dir, "PROCESSTASK")) << "no ping in standby";
  EXPECT_TRUE(still == Box(Screen(rig.dir), left, top, width, height)) << "the picture stands still";

  ClickedKeys(rig.dir, {"POWER"});
  ASSERT_TRUE(WaitForCount(unit.get(), "sonar standby off", 1, 5000)) << Out(unit.get());
  EXPECT_TRUE(TEST_bWaitUntilEvery([&] { return TaskMails(rig.dir, "PROCESSTASK") > pings; }, 2000, 100));
  EXPECT_FALSE(WaitForScreen(
                   rig.dir, [&](const std::vector<COLOR>& s) { return Box(s, left, top, width, height) != still; },
                   2000)
                   .empty());
  EXPECT_TRUE(Box(Screen(rig.dir), left, top, width, height) != still) << "the picture scrolls again";

  TEST_Signal(unit.get(), SIGTERM);
  TEST_RESULT r = TEST_Finish(std::move(unit), 10000);
  EXPECT_EQ(std::string::npos, r.out.find("error:")) << r.out;
}

}  // namespace
