// The display task's POWER pop-up and standby, driven through the keypad.

#include <gtest/gtest.h>

#include "h_backlight.h"
#include "h_database.h"
#include "t_view.h"
#include "ui_frame.h"

namespace {

U32 Value(const char (&key)[5]) {
  DB_DATA_TYPE value = {};
  H_DATABASE_bFetch(FCID(key), &value, nullptr, nullptr);
  return value.u32Val;
}


bool PopUpShown() { return T_VIEW_bIsLayerActive(CONTRAST_LAYER); }

class Display : public ::testing::Test {
 protected:
  void SetUp() override {
    UI_vStart();
    UI_vReset();
    static bool s_bBacklight = (H_BACKLIGHT_vSetup(M_DISPLAY), true);
    (void)s_bBacklight;
    H_DATABASE_bUpdateValueS32(FCID("SBAK"), 10, P_NORMAL);
    H_DATABASE_bUpdateValueU32(FCID("SPAL"), 1, P_NORMAL);
    H_DATABASE_bUpdateEverythingBoolean(FCID("SQCD"), TRUE, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
    // POWER pressed before the keyboard task has the display task's keys is
    // refused.
    ASSERT_TRUE(UI_bSettled(M_DISPLAY) && UI_bSettled(M_KEYB));
  }
  void TearDown() override {
    H_DATABASE_bUpdateValueBoolean(FCID("SQCD"), FALSE, P_NORMAL);
    UI_vReset();
  }
};

TEST_F(Display, NightModeOnSetsPaletteThreeAndLevelSixAtTheNextFrameAndOffTurnsBothBack) {
  EXPECT_EQ(1, UI_nTapClick(UI_POWER));
  ASSERT_TRUE(UI_bWaitFor(PopUpShown));
  UI_vFrame();
  EXPECT_EQ(1, UI_nTapClick(UI_SOUTH));
  EXPECT_EQ(-1, UI_nTapClick(UI_EAST)) << "the backlight is already at 10";
  EXPECT_EQ(1, UI_nTapClick(UI_SOUTH));
  H_DATABASE_bUpdateValueS32(FCID("SBAK"), 10, P_NORMAL);

  EXPECT_EQ(1, UI_nTapClick(UI_EAST));
  EXPECT_EQ(3u, Value("SPAL"));
  UI_vFrame();
  EXPECT_EQ(6u, Value("SBAK"));
  EXPECT_EQ(-1, UI_nTapClick(UI_EAST)) << "night mode is the last choice";

  EXPECT_EQ(1, UI_nTapClick(UI_WEST));
  UI_vFrame();
  EXPECT_EQ(1u, Value("SPAL"));
  EXPECT_EQ(10u, Value("SBAK"));

  EXPECT_EQ(1, UI_nTapClick(UI_EXIT)) << "the first EXIT only goes back to the first row";
  EXPECT_TRUE(PopUpShown());
  EXPECT_EQ(1, UI_nTapClick(UI_EXIT));
  EXPECT_TRUE(UI_bWaitFor([] { return !PopUpShown(); }));
}

TEST_F(Display, InStandbyMenuIsSwallowedWithoutAClickAndPowerWakesTheUnit) {
  EXPECT_EQ(1, UI_nTapClick(UI_POWER));
  ASSERT_TRUE(UI_bWaitFor(PopUpShown));
  EXPECT_EQ(1, UI_nTapClick(UI_NORTH)) << "north from the first row wraps to Standby";
  EXPECT_EQ(1, UI_nTapClick(UI_EAST));
  EXPECT_EQ(1u, Value("CSBM"));
  EXPECT_TRUE(UI_bWaitFor([] { return !PopUpShown(); }));

  EXPECT_EQ(0, UI_nTapClick(UI_MENU));
  EXPECT_EQ(1u, Value("CSBM"));
  EXPECT_EQ(1, UI_nTapClick(UI_POWER));
  EXPECT_EQ(0u, Value("CSBM"));
  EXPECT_FALSE(PopUpShown());
}

TEST_F(Display, PowerBeforeTheQuickSetUpClicksAndSavesTheLevelButOpensNothing) {
  H_DATABASE_bUpdateValueBoolean(FCID("SQCD"), FALSE, P_NORMAL);
  H_DATABASE_bUpdateValueS32(FCID("SBAK"), 7, P_NORMAL);
  EXPECT_EQ(1, UI_nTapClick(UI_POWER));
  EXPECT_FALSE(UI_bWaitFor(PopUpShown, 300));
  H_DATABASE_bUpdateValueS32(FCID("SBAK"), 3, P_NORMAL);
  H_BACKLIGHT_vRestore();
  EXPECT_EQ(7u, Value("SBAK"));
}

}  // namespace
