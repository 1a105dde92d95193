// Drawing text in tests: the embedded fonts set up once per suite, the
// language and its 8-bit code page chosen together, and the first language
// and code page restored after each test.
#pragma once

#include <gtest/gtest.h>

#include "g_truetype.h"
#include "text_util.h"

// The language and the code page its 8-bit texts are drawn in (languages
// 15-17 use the second).
inline void SetLanguageAndFontSet(unsigned language) {
  SetLanguage(language);
  G_TRUETYPE_vSelectFontSet(language >= 15 && language <= 17 ? 1 : 0);
}

class FontTest : public LanguageTest {
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
