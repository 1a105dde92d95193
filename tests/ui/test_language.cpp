// The language of a frame's texts and the form they are read in, while the
// language is switched as the menu task switches it (SLNG written, then
// followed): a frame picks a text by the language and reads it, and the two
// never disagree, not even when the switch comes in the middle of the frame.

#include <gtest/gtest.h>
#include <string.h>

#include <atomic>
#include <thread>

#include "h_database.h"
#include "t_view.h"
#include "test_timing.h"
#include "u_language.h"
#include "u_view.h"
#include "u_wstring.h"
#include "ui_frame.h"
#include "ui_texts.h"

namespace {

// The view's frames count what they read wrongly. A frame that finds
// s_bPause set stops after picking its text until the test lets it go on.
std::atomic<U32> s_frames{0};
std::atomic<U32> s_misread{0};
std::atomic<bool> s_bPause{false};
std::atomic<bool> s_bPaused{false};
std::atomic<bool> s_bGoOn{false};

// "Waypoint" of the language, measured in the form the string functions
// read now: a wide text read as 8-bit stops at its first zero byte, an 8-bit
// one read as wide runs on in pairs.
void DrawWaypointWord(BITMAP*, WINDOW_SPECIFICATION_POINTER) {
  const unsigned language = nCurrentLanguage();
  const char* pcWord = Waypoint[language];
  if (s_bPause.exchange(false)) {
    s_bPaused = true;
    UI_bWaitFor([] { return s_bGoOn.load(); });
  }
  U32 u32Bytes = 0;
  if (language >= LANGUAGE_FIRST_WIDE) {
    while (pcWord[u32Bytes] != 0 || pcWord[u32Bytes + 1] != 0) u32Bytes += 2;
  } else {
    u32Bytes = (U32)strlen(pcWord);
  }
  const bool bWideForm = U_WSTRING_bIsUnicodeLanguage() != 0;
  if (U_WSTRING_u32w_strlen(pcWord, FALSE) != u32Bytes || bWideForm != (language >= LANGUAGE_FIRST_WIDE)) {
    s_misread++;
  }
  s_frames++;
}

void WriteLanguage(unsigned language) {
  H_DATABASE_bUpdateEverythingU32(FCID("SLNG"), language, P_NORMAL, D_UNSIGNED32, nullptr, DB_NEVER_STALE);
}

class Language : public ::testing::Test {
 protected:
  void SetUp() override {
    UI_vStart();
    UI_vReset();
    WriteLanguage(LANGUAGE_ENGLISH);
    U_WSTRING_vUpdateCurrentLanguage();
    s_misread = 0;
    s_bPause = false;
    s_bPaused = false;
    s_bGoOn = false;
    ASSERT_TRUE(UI_bRegister({SONAR_VIEW_PRIORITY, DrawWaypointWord}));
    H_DATABASE_bUpdateValueS32(FCID("CVEW"), SONAR_VIEW_PRIORITY, P_NORMAL);
    ASSERT_TRUE(UI_bWaitFor([] { return T_VIEW_eCurrentLayer() == SONAR_VIEW_PRIORITY; }));
  }
  void TearDown() override {
    s_bGoOn = true;
    WriteLanguage(LANGUAGE_ENGLISH);
    U_WSTRING_vUpdateCurrentLanguage();
    UI_vReset();
  }
};

// Between the setting's change and its being followed, frames still draw the
// old language in the old form.
TEST_F(Language, AFrameBetweenTheSettingAndItsFollowingDrawsTheOldLanguageWhole) {
  WriteLanguage(LANGUAGE_KOREAN);
  UI_vFrame();
  EXPECT_EQ((unsigned)LANGUAGE_ENGLISH, nCurrentLanguage());
  U_WSTRING_vUpdateCurrentLanguage();
  UI_vFrame();
  EXPECT_EQ((unsigned)LANGUAGE_KOREAN, nCurrentLanguage());
  EXPECT_TRUE(U_WSTRING_bIsUnicodeLanguage());
  WriteLanguage(LANGUAGE_GERMAN);
  UI_vFrame();
  U_WSTRING_vUpdateCurrentLanguage();
  UI_vFrame();
  EXPECT_EQ(0u, s_misread.load());
}

// The switch lands while a frame is between picking its text and reading
// it: the frame keeps the language it began with.
TEST_F(Language, ASwitchInTheMiddleOfAFrameWaitsForTheNextFrame) {
  for (const unsigned language : {LANGUAGE_JAPANESE, LANGUAGE_RUSSIAN, LANGUAGE_CHINESE_SIMPLIFIED}) {
    s_bPaused = false;
    s_bGoOn = false;
    s_bPause = true;
    // Whichever frame comes to the text first pauses there: asked for
    // again while waiting, as the unit's own tasks ask for frames all along.
    ASSERT_TRUE(UI_bWaitFor([] {
      if (!s_bPaused) T_VIEW_vRequestExpeditedViewUpdate();
      return s_bPaused.load();
    })) << language;
    // Counted only now: a frame that passed the text before the pause was
    // taken would otherwise pass for the paused one, and the next round
    // would take back the go-on it had not yet seen.
    const U32 u32Frames = s_frames;
    WriteLanguage(language);
    U_WSTRING_vUpdateCurrentLanguage();
    s_bGoOn = true;
    ASSERT_TRUE(UI_bWaitFor([u32Frames] { return s_frames > u32Frames; })) << language;
    EXPECT_EQ(0u, s_misread.load()) << language;
    EXPECT_EQ(language, nCurrentLanguage());
  }
}

// The menu task's switches, back and forth, while the view task draws frame
// after frame: no frame misreads, and (under ThreadSanitizer) no reader races
// the switch.
TEST_F(Language, SwitchingBackAndForthWhileFramesAreDrawnNeverMisreadsAText) {
  std::atomic<bool> bDone{false};
  std::thread frames([&bDone] {
    while (!bDone) {
      T_VIEW_vRequestExpeditedViewUpdate();
      L_CLOCK_Sleep(1);
    }
  });
  static const unsigned kLanguages[] = {LANGUAGE_KOREAN, LANGUAGE_GERMAN, LANGUAGE_CHINESE_TRADITIONAL,
                                        LANGUAGE_ENGLISH, LANGUAGE_ENGLISH_UNICODE, LANGUAGE_BULGARIAN};
  const U32 u32Frames = s_frames;
  for (U32 round = 0; round < 400 || s_frames < u32Frames + 20; round++) {
    WriteLanguage(kLanguages[round % 6]);
    L_CLOCK_Sleep(round % 3);
    U_WSTRING_vUpdateCurrentLanguage();
    if (round > 40000) break;
  }
  bDone = true;
  frames.join();
  EXPECT_GE(s_frames.load(), u32Frames + 20);
  EXPECT_EQ(0u, s_misread.load());
}

}  // namespace
