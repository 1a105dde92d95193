// What the menu kit's tests share: fonts and a language to draw in, and
// golden pictures kept beside the tests.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <string>

#include "g_truetype.h"
#include "g_types.h"
#include "golden.h"
#include "text_util.h"
#include "u_language.h"

// The language and the 8-bit code page that goes with it.
inline void MENU_vSetLanguage(unsigned language) {
  SetLanguage(language);
  G_TRUETYPE_vSelectFontSet(language >= 15 && language <= 17 ? 1 : 0);
}

class MenuDrawTest : public LanguageTest {
 protected:
  static void SetUpTestSuite() {
    H_DATABASE_vInit();
    ASSERT_TRUE(G_TRUETYPE_bInit());
  }
  void TearDown() override {
    G_TRUETYPE_vSelectFontSet(0);
    LanguageTest::TearDown();
  }
};

// FreeType built for 32-bit ARM rounds a few coverage values differently;
// where that shows, the board's picture is kept beside the host's.
inline ::testing::AssertionResult MENU_MatchGolden(const std::string& name, const BITMAP* pBitmap) {
  std::string path = std::string(MENU_GOLDEN_DIR "/") + name;
#if defined(__arm__)
  if (access((path + "-armhf.png").c_str(), R_OK) == 0) path += "-armhf";
#endif
  return GOLDEN_MatchBitmap(path + ".png", pBitmap);
}
