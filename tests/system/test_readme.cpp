// The README's first minutes as a new user takes them: the walk on a fresh
// rig checked step by step on the screen, and run.sh's Ctrl-C.

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "nvram_files.h"
#include "rig_unit.h"
#include "test_process.h"
#include "test_timing.h"

namespace {

using namespace rigunit;

std::string CurrentView(const std::string& rig) {
  const TEST_RESULT r = ToolRun(rig, {"db", "CVEW"});
  return r.status == 0 ? r.out : "";
}

// The first number `rig db` prints: the value as stored.
double StoredNumber(const std::string& rig, const std::string& key) {
  const TEST_RESULT r = ToolRun(rig, {"db", key});
  std::smatch m;
  return std::regex_search(r.out, m, std::regex(key + R"( (-?[0-9.]+))")) ? std::stod(m[1]) : -1;
}

TEST(Readme, TheWalkOnAFreshRigIsWhatTheUnitDoes) {
  RIG_GUARD rig{TEST_MakeTempDir("velmora-rig")};
  ASSERT_NO_FATAL_FAILURE(MakeRig(rig.dir));
  const TEST_TEMP_DIR base{TEST_MakeTempDir("velmora-base")};
  ASSERT_EQ(0, Tool(rig.dir, "unit " + base.dir));
  auto unit = TEST_Spawn(kVelmora, {}, {"VELMORA_DEVROOT=" + rig.dir, "VELMORA_CWD=" + base.dir});
  ASSERT_TRUE(TEST_bWaitForOutput(unit.get(), "initialised after", 20000)) << Out(unit.get());

  // The splash with its hint, two seconds after power-up: a new unit's
  // factory reset does not take it away.
  const double poweredUp = TEST_dLogSeconds(Out(unit.get()), "VORNE7_SONAR_b start");
  while (Now() < poweredUp + 2) usleep(20 * 1000);
  EXPECT_TRUE(ShowsGolden(rig.dir, "readme_splash"));

  // MENU: Normal, Simulator, System Status and PC Connect; RIGHT starts Normal.
  EXPECT_EQ(0, Tool(rig.dir, "key hold MENU --ms 100"));
  ASSERT_TRUE(TEST_bWaitForOutput(unit.get(), "start-up menu shown", 5000)) << Out(unit.get());
  EXPECT_TRUE(ShowsGolden(rig.dir, "readme_startup_menu"));
  EXPECT_EQ(0, Tool(rig.dir, "key hold RIGHT --ms 100"));
  ASSERT_TRUE(TEST_bWaitForOutput(unit.get(), "system state 3 (normal run)", 5000)) << Out(unit.get());

  // The set-up questions over the live sonar (the panel only): Max Depth one
  // step up is the lowest fixed range, 2 m, and one step back is Auto.
  ASSERT_TRUE(TEST_bWaitForOutput(unit.get(), "CMNU 1", 10000)) << Out(unit.get());
  // The keyboard task has taken the set-up's keys once it has taken run-system, sent after them.
  ASSERT_TRUE(TEST_bWaitForOutput(unit.get(), "every task has taken run-system", 20000)) << Out(unit.get());
  EXPECT_TRUE(ShowsGoldenBox(rig.dir, "startup_language", 120, 11, 560, 224));
  EXPECT_EQ(0, Tool(rig.dir, "key hold DOWN --ms 100"));
  EXPECT_EQ(0, Tool(rig.dir, "key hold RIGHT --ms 100"));
  EXPECT_TRUE(TEST_bWaitForOutput(unit.get(), "write SSMD = 2.000 taken", 5000)) << Out(unit.get());
  EXPECT_EQ(0, Tool(rig.dir, "key hold LEFT --ms 100"));
  EXPECT_TRUE(TEST_bWaitForOutput(unit.get(), "write SSMD = 0.000 taken", 5000)) << Out(unit.get());
  EXPECT_EQ("SSMD 0 = Auto\n", ToolRun(rig.dir, {"db", "SSMD"}).out) << "as the question names it";
  EXPECT_TRUE(ShowsGoldenBox(rig.dir, "readme_max_depth_auto", 120, 11, 560, 224));
  EXPECT_EQ(0, Tool(rig.dir, "key hold EXIT --ms 100"));
  ASSERT_TRUE(TEST_bWaitForOutput(unit.get(), "quick set-up done", 5000)) << Out(unit.get());

  // VIEW goes round the four sonar views and comes back to the first.
  std::vector<std::string> views = {CurrentView(rig.dir)};
  for (int press = 0; press < 4; press++) {
    EXPECT_EQ(0, Tool(rig.dir, "key hold VIEW --ms 100"));
    std::string view = views.back();
    TEST_bWaitUntilEvery([&] { return (view = CurrentView(rig.dir)) != views.back(); }, 5000, 100);
    views.push_back(view);
  }
  EXPECT_EQ("CVEW 21\n", views[0]) << "the 2D view first";
  EXPECT_EQ(views[0], views[4]);
  std::sort(views.begin(), views.begin() + 4);
  EXPECT_EQ(views.begin() + 4, std::unique(views.begin(), views.begin() + 4)) << "four different views";

  // The README's GPS fix on its port: 22.4 knots from the first fix on,
  // 22.4 x 1852 / 3600 = 11.5236 m/s.
  auto feed = FixFeed(rig.dir);
  double sog = -1;
  TEST_bWaitUntilEvery([&] { return (sog = StoredNumber(rig.dir, "ISOG")) >= 0; }, 20000, 200);
  EXPECT_NEAR(11.5236, sog, 0.001) << "the first speed";
  EXPECT_NE(std::string::npos, ToolRun(rig.dir, {"db", "ISOG"}).out.find("= 41.48 kph")) << "as the README shows it";
  TEST_Signal(feed.get(), SIGTERM);
  TEST_Finish(std::move(feed), 5000);

  // POWER held: the unit saves and ends with status 10.
  EXPECT_EQ(0, Tool(rig.dir, "key press POWER"));
  EXPECT_TRUE(TEST_bWaitForOutput(unit.get(), "shutdown (power down)", 10000)) << Out(unit.get());
  Tool(rig.dir, "key release POWER");  // refused when the unit has already ended
  TEST_RESULT r = TEST_Finish(std::move(unit), 20000);
  EXPECT_EQ(10, r.status) << r.out << r.err;
  EXPECT_EQ(std::string::npos, r.out.find("error:")) << r.out;
  const std::string beforeRunning = r.out.substr(0, r.out.find("system state 3 (normal run)"));
  EXPECT_EQ(std::string::npos, beforeRunning.find("VIEWKEY_vWriteView")) << "the splash stayed until then";
}

bool WaitForFileText(const std::string& path, const std::string& text, int ms) {
  return TEST_bWaitUntil(
      [&] {
        std::ifstream in(path);
        std::stringstream all;
        all << in.rdbuf();
        return all.str().find(text) != std::string::npos;
      },
      (U64)ms);
}

// run.sh in a copy of the tree whose build is this one's, with the package
// check and the build step stood in for: Ctrl-C (SIGINT to its process
// group, as a terminal sends it) switches the unit off as POWER held does, so
// with --keep the language chosen while it ran is in the kept store.
TEST(Readme, CtrlCInRunShSwitchesTheUnitOffInOrderAndKeepKeepsWhatWasSet) {
  namespace fs = std::filesystem;
  const TEST_TEMP_DIR treeDir{TEST_MakeTempDir("velmora-tree")};
  const std::string& tree = treeDir.dir;
  const fs::path source = fs::path(VELMORA_TOOLS_DIR).parent_path();
  fs::copy_file(source / "run.sh", tree + "/run.sh");
  fs::create_symlink(source / "README.md", tree + "/README.md");
  fs::create_symlink(VELMORA_BUILD_DIR, tree + "/build");
  fs::create_directory(tree + "/tools");
  fs::create_symlink(source / "tools" / "rig", tree + "/tools/rig");
  fs::create_directory(tree + "/stubs");
  for (const std::string& stub : {tree + "/tools/install-deps.sh", tree + "/stubs/cmake"}) {
    std::ofstream(stub) << "#!/bin/sh\nexit 0\n";
    chmod(stub.c_str(), 0755);
  }
  auto run = TEST_Spawn("/usr/bin/setsid", {tree + "/run.sh", "--keep"},
                        {"PATH=" + tree + "/stubs:" + std::string(getenv("PATH"))});
  ASSERT_TRUE(TEST_bWaitForOutput(run.get(), "they stay.", 30000)) << Out(run.get()) << run->err;
  std::smatch m;
  const std::string banner = Out(run.get());
  ASSERT_TRUE(std::regex_search(banner, m, std::regex(R"(on the rig (\S+)\n +base directory +(\S+)\n)"))) << banner;
  RIG_GUARD rig{m[1]};
  const TEST_TEMP_DIR kept{m[2]};
  const std::string& base = kept.dir;
  EXPECT_NE(std::string::npos, banner.find("feed ttyO3 " + tree + "/tests/nmea/data/fix-munich.nmea --baud 38400"))
      << "the README's GPS command, with this rig's paths: " << banner;

  ASSERT_TRUE(WaitForFileText(base + "/velmora.log", "CMNU 1", 20000));
  ASSERT_TRUE(WaitForFileText(base + "/velmora.log", "every task has taken run-system", 20000));
  EXPECT_EQ(0, Tool(rig.dir, "key hold RIGHT --ms 100"));
  ASSERT_TRUE(WaitForFileText(base + "/velmora.log", "write SLNG = 17 taken", 5000));  // Bulgarian
  kill(-run->pid, SIGINT);
  TEST_RESULT r = TEST_Finish(std::move(run), 60000);
  EXPECT_EQ(130, r.status) << r.out << r.err;
  EXPECT_NE(std::string::npos, r.out.find("The unit ended with status 10.")) << r.out;
  EXPECT_NE(std::string::npos, r.out.find("Kept the rig " + rig.dir)) << r.out;
  EXPECT_EQ(17u, nvfiles::Stored(base, "SLNG"));

  // The commands it printed start the unit again on what it kept.
  EXPECT_NE(std::string::npos, r.out.find("\n  tools/rig create " + rig.dir + "\n  VELMORA_DEVROOT=" + rig.dir +
                                          " VELMORA_CWD=" + base + " build/src/app/velmora"))
      << r.out;
  ASSERT_EQ(0, Tool(rig.dir, "create " + rig.dir));
  auto again = Start(rig.dir, base);
  EXPECT_EQ(17, StoredNumber(rig.dir, "SLNG"));
  TEST_Signal(again.get(), SIGTERM);
  EXPECT_EQ(2, TEST_Finish(std::move(again), 10000).status);
}

// The README's menu map against the menus of a started unit, first without a
// fix and then with one: every row the unit shows is in the map with the
// key it sets, every row of the map not marked as conditional is shown, and
// a row marked as coming with a fix is shown only with one.
TEST(Readme, TheMenuMapHoldsEveryRowTheMenusShowAndNoMore) {
  std::ifstream readme(std::string(VELMORA_TOOLS_DIR) + "/../README.md");
  std::map<std::string, std::string> map;  // "tab\titem" -> what it sets
  bool bIn = false;
  for (std::string line; std::getline(readme, line);) {
    if (line.rfind("## ", 0) == 0) bIn = line == "## Menus";
    std::smatch m;
    if (!bIn || !std::regex_match(line, m, std::regex(R"(\| (.+?) \| (.+?) \| (.+) \|)")) || m[1] == "Tab" ||
        m[1] == "---") {
      continue;
    }
    const std::string tab = m[1] == "Chart view (MENU)" ? "@52.1" : std::string(m[1]);
    map[tab + "\t" + std::string(m[2])] = m[3];
  }
  ASSERT_GT(map.size(), 50u) << "the README has its menu map";
  const auto always = [](const std::string& what) { return what.find("*only*") == std::string::npos; };
  const auto withFix = [](const std::string& what) { return what.find("*only* with a fix") != std::string::npos; };

  RIG_GUARD rig{TEST_MakeTempDir("velmora-rig")};
  ASSERT_NO_FATAL_FAILURE(MakeRig(rig.dir));
  const TEST_TEMP_DIR base{TEST_MakeTempDir("velmora-base")};
  SeedUnit(base.dir, {{"SQCD", 1}});
  auto unit = Start(rig.dir, base.dir);
  std::unique_ptr<TEST_PROCESS> feed;

  for (const bool bFix : {false, true}) {
    SCOPED_TRACE(bFix ? "with a fix" : "without a fix");
    if (bFix) feed = FixFeed(rig.dir);
    // The navigation rows come with the first fix, the speed's with the
    // first speed it gives: the menus are read until every row the map
    // expects shows (the check below names any that never came).
    std::string shown;
    TEST_bWaitUntil(
        [&] {
          shown = ToolRun(rig.dir, {"menus"}).out;
          for (const auto& [row, what] : map) {
            if ((always(what) || (bFix && withFix(what))) && shown.find(row + "\t") == std::string::npos) return false;
          }
          return true;
        },
        20000);
    std::set<std::string> seen;
    std::istringstream rows(shown);
    for (std::string line; std::getline(rows, line);) {
      const size_t a = line.find('\t'), b = line.rfind('\t');
      if (a == std::string::npos || a == b) continue;
      const std::string place = line.substr(0, a);
      if (place[0] == '@' && place != "@52.1") continue;
      const std::string row = line.substr(0, b), key = line.substr(b + 1);
      seen.insert(row);
      const auto it = map.find(row);
      if (it == map.end()) {
        ADD_FAILURE() << "not in the README's menu map: " << row;
      } else if (key != "-") {
        EXPECT_NE(std::string::npos, it->second.find("`" + key + "`")) << row << " sets " << key;
      }
    }
    for (const auto& [row, what] : map) {
      if (always(what) || withFix(what)) {
        EXPECT_EQ(always(what) || bFix, seen.count(row) == 1) << (seen.count(row) ? "shown: " : "not shown: ") << row;
      }
    }
  }
  TEST_Signal(unit.get(), SIGTERM);
  TEST_Finish(std::move(unit), 10000);
  TEST_Signal(feed.get(), SIGTERM);
  TEST_Finish(std::move(feed), 5000);
}

}  // namespace
