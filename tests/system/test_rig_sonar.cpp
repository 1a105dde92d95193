// The sonar views of the unit on a rig: the simulated bottom on screen where
// its depth puts it, and VIEW going round the sonar views.

#include <signal.h>
#include <stdlib.h>

#include <fstream>
#include <regex>
#include <string>

#include "rig_unit.h"
#include "t_n_history.h"

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

}  // namespace
