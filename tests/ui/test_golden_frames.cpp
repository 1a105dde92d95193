// Frames of the screen frame's boxes as the rig's screen tool saves them, in
// English and in Japanese, against golden pictures.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "t_messagebox.h"
#include "t_view.h"
#include "font_test.h"
#include "text_util.h"
#include "ui_texts.h"
#include "u_language.h"
#include "u_dialog.h"
#include "u_view.h"
#include "ui_frame.h"

namespace {

struct TEXTS {
  const char* name;
  unsigned language;
  std::u16string statement;
  std::u16string alarm;
  std::u16string notifications[4];
};

const TEXTS kTexts[] = {
    {"en", LANGUAGE_ENGLISH, u"Delete the route \"Harbour run\" and its 12 points?",
     u"Shallow water: the depth is 1.8 m, below the 2.0 m alarm depth set for this boat. Slow down and check "
     u"your course.",
     {u"Incoming call: Harbour master", u"Missed call: Marina office", u"Fuel dock opens at 6",
      u"Photo from Anna: the new buoy"}},
    {"ja", LANGUAGE_JAPANESE, u"ルート「港めぐり」と12個のポイントを削除しますか？",
     u"浅瀬アラーム：水深1.8mは設定した下限2.0mを下回っています。速度を落とし、進路を確認してください。",
     {u"着信：港湾事務所", u"不在着信：マリーナ", u"燃料桟橋は6時に開きます", u"アンナから写真：新しいブイ"}},
};

// The texts of the test in the language's form.
std::string Text(const TEXTS& t, const std::u16string& text) {
  if (t.language >= LANGUAGE_FIRST_WIDE) return W(text);
  return std::string(text.begin(), text.end());
}

std::string s_alarm;
void DrawAlarm(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER) { U_DIALOG_vDrawDialogAlarm(pBitmap, s_alarm.c_str()); }

void Nothing() {}

// The frame in the language (with its code page) over a black view, the
// message-box task running; and everything back to English after.
void StartFramesIn(unsigned language) {
  UI_vStart();
  UI_vReset();
  SetLanguageAndFontSet(language);
  UI_vShowBlackView();
  UI_vSend(M_MESSAGEBOX, CMD_ID_RUN_SYSTEM);
  ASSERT_TRUE(UI_bWaitFor([] { return T_VIEW_bIsLayerActive(MESSAGEBOX_LAYER); }));
}

void StopFrames() {
  for (int i = 0; i < 4; i++) T_MESSAGEBOX_vResetConfState();
  SetLanguageAndFontSet(LANGUAGE_ENGLISH);
  UI_vReset();
}

class GoldenFrames : public ::testing::TestWithParam<TEXTS> {
 protected:
  void SetUp() override { StartFramesIn(GetParam().language); }
  void TearDown() override { StopFrames(); }
  std::string Name(const char* what) { return std::string(what) + "_" + GetParam().name; }
};

TEST_P(GoldenFrames, ATitledConfirmationWithNoAndYes) {
  T_MESSAGEBOX_vSetupConfMessageWithTitle(Text(GetParam(), GetParam().statement).c_str(), Nothing, Nothing, TRUE, 0);
  UI_vFrame();
  EXPECT_TRUE(UI_MatchGolden(Name("confirm"), UI_Screen(), G_SCREEN_WIDTH, G_SCREEN_HEIGHT));
}

TEST_P(GoldenFrames, TheAlarmBannerWithTwoLines) {
  s_alarm = Text(GetParam(), GetParam().alarm);
  ASSERT_TRUE(U_VIEW_bRegisterLayer(DrawAlarm, ALARM_LAYER, USED_BY_ALL, 0, 0, TRUE, nullptr, nullptr, nullptr));
  ASSERT_TRUE(UI_bWaitFor([] { return T_VIEW_bIsLayerActive(ALARM_LAYER); }));
  UI_vFrame();
  EXPECT_TRUE(UI_MatchGolden(Name("alarm"), UI_Screen(), G_SCREEN_WIDTH, G_SCREEN_HEIGHT));
}

// The bottom 40 rows of four frames, one per icon, stacked.
TEST_P(GoldenFrames, ANotificationWithEachIcon) {
  constexpr U32 kRows = 40;
  std::vector<COLOR> strips;
  for (int icon = ICON_INCOMING_PHONE_CALL; icon <= ICON_ATTACTMENT_MESSAGE; icon++) {
    std::string text = Text(GetParam(), GetParam().notifications[icon - 1]);
    T_MESSAGEBOX_vSetupInfoMessageWithIcon(text.c_str(), (INFO_ICON_TYPE)icon, 0);
    UI_vFrame();
    std::vector<COLOR> screen = UI_Screen();
    strips.insert(strips.end(), screen.end() - kRows * G_SCREEN_WIDTH, screen.end());
    T_MESSAGEBOX_vRemoveAllMatchingInfo(text.c_str());
  }
  EXPECT_TRUE(UI_MatchGolden(Name("notifications"), strips, G_SCREEN_WIDTH, 4 * kRows));
}

// The count-down's first second, looked for until two seconds after the
// press, so that POWER is up well before the third would end the unit.
TEST_P(GoldenFrames, ThePowerCountDown) {
  const U64 pressed = L_CLOCK_qwGetTimeInMillis();
  UI_vKey(UI_POWER, 1);
  EXPECT_TRUE(UI_bWaitFor([] { return T_VIEW_bIsLayerActive(SHUTDOWN_LAYER); }, 1500));
  EXPECT_TRUE(UI_ShowsGolden(Name("countdown"), 2000, pressed + 2000));
  UI_vKey(UI_POWER, 0);
  EXPECT_TRUE(UI_bWaitFor([] { return !T_VIEW_bIsLayerActive(SHUTDOWN_LAYER); }));
}

INSTANTIATE_TEST_SUITE_P(Languages, GoldenFrames, ::testing::ValuesIn(kTexts),
                         [](const ::testing::TestParamInfo<TEXTS>& info) { return std::string(info.param.name); });

// A question of the catalogue in its box as six scripts write it, title and
// answers from the language files too. The Russian, Greek, Japanese, Korean
// and Chinese pictures follow their translations.
struct SCRIPT {
  const char* name;
  unsigned language;
};

class ScriptFrames : public ::testing::TestWithParam<SCRIPT> {
 protected:
  void SetUp() override { StartFramesIn(GetParam().language); }
  void TearDown() override { StopFrames(); }
};

TEST_P(ScriptFrames, AConfirmationOfTheCatalogue) {
  T_MESSAGEBOX_vSetupConfMessageWithTitle(Delete_Route_Q[GetParam().language], Nothing, Nothing, TRUE, 0);
  UI_vFrame();
  EXPECT_TRUE(UI_MatchGolden(std::string("confirm_catalogue_") + GetParam().name, UI_Screen(), G_SCREEN_WIDTH,
                             G_SCREEN_HEIGHT));
}

const SCRIPT kScripts[] = {{"de", LANGUAGE_GERMAN},   {"ru", LANGUAGE_RUSSIAN}, {"el", LANGUAGE_GREEK},
                           {"ja", LANGUAGE_JAPANESE}, {"ko", LANGUAGE_KOREAN},  {"zh_CN", LANGUAGE_CHINESE_SIMPLIFIED}};
INSTANTIATE_TEST_SUITE_P(Scripts, ScriptFrames, ::testing::ValuesIn(kScripts),
                         [](const ::testing::TestParamInfo<SCRIPT>& info) { return std::string(info.param.name); });

}  // namespace
