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
#include "u_language.h"
#include "u_wstring.h"
#include "ui_texts.h"

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

typedef MenuTest MenuValues;

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
  EXPECT_STREQ("50", MT_Snap().aacValues[0]);
  EXPECT_EQ(1, MT_nKey(UI_EAST));
  EXPECT_NEAR((51.0 - 32.0) * 5.0 / 9.0, Stored(FCID("SQTW")), 0.001);  // 10.556 °C
  EXPECT_STREQ("51", MT_Snap().aacValues[0]);

  H_DATABASE_bUpdateValueU32(FCID("SUTE"), U_CELSIUS, P_NORMAL);
  H_DATABASE_bUpdateValueFloat(FCID("SQTW"), 10.0f, P_NORMAL);
  EXPECT_EQ(1, MT_nKey(UI_EAST));
  EXPECT_NEAR(11.0, Stored(FCID("SQTW")), 0.001);
  EXPECT_STREQ("11", MT_Snap().aacValues[0]);

  MT_nKey(UI_SOUTH);
  EXPECT_EQ(1, MT_nKey(UI_EAST));
  EXPECT_NEAR(6.0, Stored(FCID("SQRG")), 0.001) << "the unit-less entry, taken as it is";
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
  U32 set = 0, language = 0, again = 0;
  H_DATABASE_bFetchU32(FCID("SLNS"), &set, nullptr, nullptr);
  H_DATABASE_bFetchU32(FCID("SLNG"), &language, nullptr, nullptr);
  H_DATABASE_bFetchU32(FCID("SRDF"), &again, nullptr, nullptr);
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
