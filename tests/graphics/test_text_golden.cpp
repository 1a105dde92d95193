// One sentence in every script the unit writes, at five sizes, compared with
// a golden picture.

#include <gtest/gtest.h>

#include <string>

#include "canvas.h"
#include "font_test.h"
#include "g_fonts.h"
#include "g_truetype.h"
#include "golden.h"
#include "text_util.h"
#include "u_language.h"
#include "u_unicode.h"

namespace {

struct SENTENCE {
  unsigned language;
  std::u16string text;
};

const SENTENCE kSentences[] = {
    {LANGUAGE_ENGLISH, u"Big fish near the boat: 12.5 m"},
    {LANGUAGE_GERMAN, u"Große Fische nahe am Boot: 12,5 m"},
    {LANGUAGE_POLISH, u"Duże ryby koło łodzi: źródło 12,5 m"},
    {LANGUAGE_CZECH, u"Velké ryby blízko člunu: hloubka 12,5 m"},
    {LANGUAGE_TURKISH, u"Teknenin yakınında büyük balık sürüsü: 12,5 m"},
    {LANGUAGE_GREEK, u"Μεγάλα ψάρια κοντά στο σκάφος: 12,5 m"},
    {LANGUAGE_RUSSIAN, u"Крупная рыба у лодки: 12,5 м"},
    {LANGUAGE_JAPANESE, u"ボートの近くに大きな魚: 12.5 m"},
    {LANGUAGE_KOREAN, u"보트 근처에 큰 물고기: 12.5 m"},
    {LANGUAGE_CHINESE_SIMPLIFIED, u"船附近有大鱼：12.5 米"},
    {LANGUAGE_CHINESE_TRADITIONAL, u"船附近有大魚：12.5 米"},
    {LANGUAGE_ENGLISH_UNICODE, u"Big fish near the boat: 12.5 m"},
};

struct SIZE_ROW {
  const FONT_DEF* const* latin;
  const FONT_DEF* const* unicode;
  PIXEL lineHeight;
};

const SIZE_ROW kSizes[] = {
    {&myriad_pro_size14_font_def_ptr, &arialuni_size14_font_def_ptr, 24},
    {&myriad_pro_size17_font_def_ptr, &arialuni_size17_font_def_ptr, 28},
    {&myriad_pro_size19_font_def_ptr, &arialuni_size19_font_def_ptr, 30},
    {&myriad_pro_size32_font_def_ptr, &arialuni_size32_font_def_ptr, 50},
    {&myriad_pro_size100_font_def_ptr, &arialuni_size100_font_def_ptr, 160},
};

// FreeType built for 32-bit ARM rounds a few hundred coverage values of the
// large glyphs differently from the 64-bit host build, so the board's
// picture is kept beside the host's; each is compared exactly.
#if defined(__arm__)
const char kGoldenName[] = "/text_scripts-armhf.png";
#else
const char kGoldenName[] = "/text_scripts.png";
#endif

class TextGolden : public FontTest {};

TEST_F(TextGolden, OneSentenceInEveryScriptAtFiveSizes) {
  PIXEL block = 0;
  for (const SIZE_ROW& size : kSizes) block += size.lineHeight;
  const PIXEL height = block * (PIXEL)(sizeof kSentences / sizeof kSentences[0]);
  Canvas canvas(800, (U32)height, 0x0000);
  PIXEL top = height;
  for (const SENTENCE& sentence : kSentences) {
    SetLanguage(sentence.language);
    const BOOLEAN wide = sentence.language >= LANGUAGE_FIRST_WIDE;
    G_TRUETYPE_vSelectFontSet(g_eFontSet[sentence.language] == FONT_SET_2 ? 1 : 0);
    std::string text;
    if (wide) {
      text = W(sentence.text);
    } else {
      char page[256];
      U_UNICODE_vToQX(page, (const UCHAR16*)sentence.text.c_str(), sizeof page, sentence.language);
      text = page;
      ASSERT_EQ(sentence.text.size(), text.size()) << "every character is on the page: " << sentence.language;
    }
    for (const SIZE_ROW& size : kSizes) {
      const FONT_DEF* font = wide ? *size.unicode : *size.latin;
      top -= size.lineHeight;
      POINT at = {4, top + size.lineHeight / 4};
      G_TRUETYPE_M_vPut(canvas.get(), text.data(), &at, 0xFFFF, font);
    }
  }
  EXPECT_TRUE(GOLDEN_MatchBitmap(std::string(GRAPHICS_GOLDEN_DIR) + kGoldenName, canvas.get()));
}

}  // namespace
