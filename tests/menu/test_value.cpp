// Values edited in the units the user chose, the variable step, and the
// language selector that asks before it changes the language set.

#include <gtest/gtest.h>
#include <string.h>

#include <string>
#include <vector>

#include "h_database.h"
#include "h_memory.h"
#include "menu_rig.h"
#include "t_menulayer.h"
#include "t_nvram.h"
#include "t_startup.h"
#include "u_language.h"
#include "u_wstring.h"
#include "ui_texts.h"
#include "test_keys.h"

namespace {

const MENU_TEXT kSetup = ::Setup;  // the fixture's own Setup() would hide the tab's name

MT_TEXT(kUnits, "Units");
MT_TEXT(kWater, "Water");
MT_TEXT(kRange, "Range");
MT_TEXT(kDepth, "Depth");

float Stored(FOURCHARID key) {
  float value = -1;
  H_DATABASE_bFetchFloat(key, &value, nullptr, nullptr);
  return value;
}

class MenuValues : public MenuTest {
  TEST_OWN_KEYS m_ownKeys;  // sliders bound to keys of the test's own
};

TEST_F(MenuValues, ASliderStepsInTheUsersUnitsAndStoresTheInternalOne) {
  const MENU_LIMITS kTemperature[] = {{U_FAHRENHEIT, 32, 120, 1}, {U_CELSIUS, 0, 50, 1}, {U_NONE, 0, 0, 0}};
  // One unit-less entry: what follows it in memory is never read.
  const MENU_LIMITS kOneEntry[] = {{U_NONE, 0, 10, 1}, {U_FEET, 100, 200, 5}};
  KeyFloat(FCID("SQTW"), 10.0f, D_TEMPERATURE);
  KeyFloat(FCID("SQRG"), 5.0f, D_DEPTH);
  Key(FCID("SUTE"), U_FAHRENHEIT);
  Key(FCID("SUDP"), U_FEET);
  ASSERT_TRUE(U_MENU_bRegisterTab(kUnits, 3, nullptr, M_BASIC));
  Main(kUnits, [&] {
    return U_MENU_bRegisterMainSliderMenu(kWater, kUnits, 1, FCID("SQTW"), kTemperature, nullptr, nullptr, nullptr,
                                          M_BASIC);
  }, kWater);
  Main(kUnits, [&] {
    return U_MENU_bRegisterMainSliderMenu(kRange, kUnits, 2, FCID("SQRG"), kOneEntry, nullptr, nullptr, nullptr,
                                          M_BASIC);
  }, kRange);
  MT_vKeys({UI_MENU, UI_SOUTH});
  const std::string fahrenheit = std::string(" ") + Degrees_F[0], celsius = std::string(" ") + Degrees_C[0];
  EXPECT_EQ("50" + fahrenheit, MT_Snap().aacValues[0]);
  EXPECT_EQ(1, MT_nKey(UI_EAST));
  EXPECT_NEAR((51.0 - 32.0) * 5.0 / 9.0, Stored(FCID("SQTW")), 0.001);  // 10.556 °C
  EXPECT_EQ("51" + fahrenheit, MT_Snap().aacValues[0]);

  H_DATABASE_bUpdateValueU32(FCID("SUTE"), U_CELSIUS, P_NORMAL);
  H_DATABASE_bUpdateValueFloat(FCID("SQTW"), 10.0f, P_NORMAL);
  EXPECT_EQ(1, MT_nKey(UI_EAST));
  EXPECT_NEAR(11.0, Stored(FCID("SQTW")), 0.001);
  EXPECT_EQ("11" + celsius, MT_Snap().aacValues[0]);

  MT_nKey(UI_SOUTH);
  EXPECT_EQ(1, MT_nKey(UI_EAST));
  EXPECT_NEAR(6.0, Stored(FCID("SQRG")), 0.001) << "the unit-less entry, taken as it is";
}

// A short length on a distance key follows the distance unit: metres beside
// kilometres, feet beside miles, with the unit named; a duration in seconds
// reads as minutes and seconds.
TEST_F(MenuValues, ShortLengthsFollowTheDistanceUnitAndDurationsReadAsMinutes) {
  const MENU_LIMITS kLimit[] = {{U_FEET, 0, 5000, 50}, {U_METRES, 0, 1500, 10}, {U_NONE, 0, 0, 0}};
  const MENU_LIMITS kSeconds[] = {{U_NONE, 0, 3600, 10}};
  KeyFloat(FCID("SQAO"), 100.0f, D_DISTANCE);
  Key(FCID("SUDS"), U_KM);
  Key(FCID("SQCL"), 300, D_TIME);
  ASSERT_TRUE(U_MENU_bRegisterTab(kUnits, 3, nullptr, M_BASIC));
  Main(kUnits, [&] {
    return U_MENU_bRegisterMainSliderMenu(kRange, kUnits, 1, FCID("SQAO"), kLimit, nullptr, nullptr, nullptr, M_BASIC);
  }, kRange);
  Main(kUnits, [&] {
    return U_MENU_bRegisterMainSliderMenu(kWater, kUnits, 2, FCID("SQCL"), kSeconds, nullptr, nullptr, nullptr,
                                          M_BASIC);
  }, kWater);
  MT_vKeys({UI_MENU, UI_SOUTH});
  EXPECT_EQ(std::string("100 ") + m[0], MT_Snap().aacValues[0]);
  EXPECT_STREQ("5:00", MT_Snap().aacValues[1]);
  H_DATABASE_bUpdateValueU32(FCID("SUDS"), U_NAUT_MILES_FT, P_NORMAL);
  EXPECT_EQ(1, MT_nKey(UI_EAST));  // 328.08 ft onto the next 50
  EXPECT_NEAR(350 * 0.3048, Stored(FCID("SQAO")), 0.001);
  EXPECT_EQ(std::string("350 ") + ft[0], MT_Snap().aacValues[0]);
}

TEST_F(MenuValues, AVariableStepGrowsByFiveAndTenPastItsLevelsBothWays) {
  const MENU_LIMITS kFeet[] = {{U_FEET, 6, 360, 1}, {U_NONE, 0, 0, 0}};
  const MENU_STEP_LEVELS kLevels[] = {{U_FEET, 50, 150}, {U_NONE, 0, 0}};
  Key(FCID("SUDP"), U_FEET);
  KeyFloat(FCID("SQMD"), 0, D_DEPTH);
  ASSERT_TRUE(U_MENU_bRegisterSingleCenteredMenuVarStepSliderMenu(kDepth, nullptr, FCID("SQMD"), kFeet, kLevels, nullptr,
                                                                  nullptr, nullptr, FALSE, FALSE));
  Undo([] { U_MENU_bUnregisterSingleCenteredMenu(kDepth); });
  // Feet in metres, by hand: 0.3048 m each.
  struct WALK {
    double from;
    CURSOR_POSITION cursor;
    std::vector<double> to;
  };
  for (const WALK& w : {WALK{14.9352, CURSOR_EAST, {15.24, 16.764}},     // 49 -> 50 -> 55 ft
                        WALK{44.196, CURSOR_EAST, {45.72, 48.768}},      // 145 -> 150 -> 160
                        WALK{48.768, CURSOR_WEST, {45.72, 44.196}},      // 160 -> 150 -> 145
                        WALK{15.24, CURSOR_WEST, {14.9352}}}) {          // 50 -> 49
    H_DATABASE_bUpdateValueFloat(FCID("SQMD"), (float)w.from, P_NORMAL);
    for (double to : w.to) {
      MT_vMailKey(BTREMOTETASK, w.cursor);
      EXPECT_NEAR(to, Stored(FCID("SQMD")), 0.001) << "from " << w.from;
    }
  }
}

// The quick set-up's Max Depth: 0 is the automatic range, shown as "Auto"
// one step below the lowest fixed range (6 ft) and reached again from it.
TEST_F(MenuValues, AutoSitsOneStepBelowAVariableStepsLowestRangeBothWays) {
  const MENU_LIMITS kFeet[] = {{U_FEET, 6, 360, 1}, {U_NONE, 0, 0, 0}};
  const MENU_STEP_LEVELS kLevels[] = {{U_FEET, 50, 150}, {U_NONE, 0, 0}};
  Key(FCID("SUDP"), U_FEET);
  Key(FCID("SQCD"), FALSE);
  KeyFloat(FCID("SQMD"), 0, D_DEPTH);
  ASSERT_TRUE(U_MENU_bRegisterQuickVarStepSliderMenu(Max_Depth, 298, FCID("SQMD"), kFeet, kLevels, Auto, M_BASIC));
  MT_vSync();
  T_STARTUP_vShowQuickConfigMenu();
  ASSERT_EQ("Max Depth", MT_Selected());
  EXPECT_STREQ("Auto", MT_Snap().aacValues[0]);
  EXPECT_EQ(-1, MT_nKey(UI_WEST)) << "nothing below Auto";
  EXPECT_EQ(1, MT_nKey(UI_EAST));
  EXPECT_NEAR(1.8288, Stored(FCID("SQMD")), 0.001);  // 6 ft
  EXPECT_EQ(std::string("6 ") + ft[0], MT_Snap().aacValues[0]);
  EXPECT_EQ(1, MT_nKey(UI_EAST));
  EXPECT_NEAR(2.1336, Stored(FCID("SQMD")), 0.001);  // 7 ft
  EXPECT_EQ(1, MT_nKey(UI_WEST));
  EXPECT_EQ(1, MT_nKey(UI_WEST));
  EXPECT_EQ(0.0f, Stored(FCID("SQMD")));
  EXPECT_STREQ("Auto", MT_Snap().aacValues[0]);
  EXPECT_EQ(1, MT_nKey(UI_EXIT));
}

TEST_F(MenuValues, ALanguageOfTheSameSetIsWrittenAtOnceAndOneOfTheOtherSetWaitsForYes) {
  const MENU_TEXT kNames[] = {Language_English, Language_Spanish, Asian_Mode};
  const U32 kLanguages[] = {LANGUAGE_ENGLISH, LANGUAGE_SPANISH, LANGUAGE_ENGLISH_UNICODE};
  Key(FCID("SLNS"), 0);
  Key(FCID("SRDF"), FALSE);
  Key(FCID("TNVR"), (U32)UI_MBOX_B, D_MAILBOX);
  H_DATABASE_bUpdateValueU32(FCID("SLNG"), LANGUAGE_ENGLISH, P_NORMAL);
  Undo([] { H_DATABASE_bUpdateValueU32(FCID("SLNG"), LANGUAGE_ENGLISH, P_NORMAL); });
  ASSERT_TRUE(U_MENU_bRegisterTab(kSetup, SETUP_TAB_PRIORITY, nullptr, M_BASIC));
  Main(kSetup, [&] {
    return U_MENU_bRegisterMainSelectorMenu(Language, kSetup, 122, FCID("SLNG"), 3, kNames, kLanguages, M_BASIC);
  }, Language);
  MT_vKeys({UI_MENU, UI_SOUTH});
  EXPECT_EQ(1, MT_nKey(UI_EAST));
  EXPECT_EQ(LANGUAGE_SPANISH, nCurrentLanguage());
  EXPECT_STREQ(Language_Spanish[LANGUAGE_SPANISH], MT_Snap().aacValues[0]) << "drawn in Spanish now";

  ::testing::internal::CaptureStdout();
  EXPECT_EQ(1, MT_nKey(UI_EAST));
  const std::string log = ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(std::string::npos, log.find("write SLNG")) << "nothing written before Yes";
  EXPECT_EQ(LANGUAGE_SPANISH, nCurrentLanguage());
  UI_vFrame();
  MT_nKey(UI_WEST);  // the warning's Yes
  std::vector<FOURCHARID> stored;
  while (GENERIC_MESSAGE* p = UI_pReceive(UI_MBOX_B, 500)) {
    if (p->Cmd == CMD_ID_WRITE_TO_NVR) stored.push_back(((MSG_NVRAM_WRITE_TO_NVR*)p)->id);
    H_MEMORY_vFree(p);
    if (stored.size() == 3) break;
  }
  EXPECT_EQ((std::vector<FOURCHARID>{FCID("SLNS"), FCID("SLNG"), FCID("SRDF")}), stored);
  U32 set = 0, language = 0;
  BOOLEAN again = FALSE;
  H_DATABASE_bFetchU32(FCID("SLNS"), &set, nullptr, nullptr);
  H_DATABASE_bFetchU32(FCID("SLNG"), &language, nullptr, nullptr);
  H_DATABASE_bFetchBoolean(FCID("SRDF"), &again, nullptr, nullptr);
  EXPECT_EQ(1u, set);
  EXPECT_EQ((U32)LANGUAGE_ENGLISH_UNICODE, language);
  EXPECT_EQ((U32)TRUE, again) << "the set-up questions come again at the next start";

  // The row keeps the western list until the restart, and says so.
  MT_vSync();
  static MENU_PANEL s_panel;
  static MENU_PANEL_TEXTS s_texts;
  L_MUTEX_LockWait(RES_MENU);
  U_WSTRING_vUpdateCurrentLanguage();
  const BOOLEAN bOpen = T_MENULAYER_bDescribe(0, LANGUAGE_ENGLISH_UNICODE, &s_panel, &s_texts);
  L_MUTEX_Unlock(RES_MENU);
  ASSERT_TRUE(bOpen);
  const char* pcEnglish = "Japanese, Korean, Chinese: restart";
  char acWide[80] = {};
  U_WSTRING_vAscii2Unicode(acWide, pcEnglish, sizeof acWide, TRUE);
  const U32 u32Bytes = U_WSTRING_u32w_strlen(acWide, TRUE);
  ASSERT_EQ(2 * strlen(pcEnglish), u32Bytes);
  EXPECT_EQ(0, memcmp(acWide, s_panel.aRows[0].pcLabel, u32Bytes + 2)) << "in the unicode English the unit now speaks";
}

}  // namespace
