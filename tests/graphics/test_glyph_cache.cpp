// Text drawn from the glyph cache is pixel for pixel the text FreeType draws,
// also after a flood of distinct glyphs has made the cache let go.

#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "canvas.h"
#include "g_fonts.h"
#include "g_truetype.h"
#include "text_util.h"
#include "u_language.h"

namespace {

struct SAMPLE {
  unsigned language;
  int fontSet;
  BOOLEAN ascii;
  std::string text;
  const FONT_DEF* font;
};

std::vector<SAMPLE> Samples() {
  return {
      {LANGUAGE_ENGLISH, 0, FALSE, "AVAWAY To 12.5 kn", myriad_pro_bold_size32_font_def_ptr},
      {LANGUAGE_ENGLISH, 0, FALSE, "Depth 88 ft", myriad_pro_size17_font_def_ptr},
      {LANGUAGE_GERMAN, 0, FALSE, "Gr\xF6\xDF" "e W\xE4rme", myriad_pro_size14_font_def_ptr},
      {LANGUAGE_RUSSIAN, 1, FALSE, "\xC3\xEB\xF3\xE1\xE8\xED\xE0", myriad_pro_size21_font_def_ptr},
      {LANGUAGE_ENGLISH, 0, TRUE, "Caf\xE9 AV", myriad_pro_size26_font_def_ptr},
      {LANGUAGE_ENGLISH, 0, FALSE, "08", myriad_pro_bold_size161_font_def_ptr},
      {LANGUAGE_JAPANESE, 0, FALSE, W(u"魚群探知機\u3000AV 12"), arialuni_size19_font_def_ptr},
      {LANGUAGE_KOREAN, 0, FALSE, W(u"큰 물고기 수심"), arialuni_size44_font_def_ptr},
      {LANGUAGE_CHINESE_SIMPLIFIED, 0, FALSE, W(u"航点航线"), arialuni_size100_font_def_ptr},
  };
}

// The pixels of one sample drawn on a fresh canvas, then the pen's end.
std::vector<COLOR> Draw(const SAMPLE& sample) {
  SetLanguage(sample.language);
  G_TRUETYPE_vSelectFontSet(sample.fontSet);
  G_TRUETYPE_vSetASCIIMode(sample.ascii);
  Canvas canvas(800, 300);
  POINT at = {6, 60};
  G_TRUETYPE_M_vPut(canvas.get(), sample.text.data(), &at, kInk, sample.font);
  std::vector<COLOR> pixels(canvas.pixels(), canvas.pixels() + canvas.pixelCount());
  pixels.push_back((COLOR)at.x);
  G_TRUETYPE_vSelectFontSet(0);
  G_TRUETYPE_vSetASCIIMode(FALSE);
  return pixels;
}

class GlyphCache : public LanguageTest {
 protected:
  void SetUp() override {
    LanguageTest::SetUp();
    ASSERT_TRUE(G_TRUETYPE_bInit());
  }
};

TEST_F(GlyphCache, CachedTextHasFreeTypesPixels) {
  const std::vector<SAMPLE> samples = Samples();
  std::vector<std::vector<COLOR>> cold;
  for (const SAMPLE& s : samples) {
    cold.push_back(Draw(s));
    ASSERT_NE((COLOR)6, cold.back().back()) << s.font->u32Height << " drew nothing";
  }
  U32 glyphs = 0;
  G_TRUETYPE_vGlyphCacheUse(&glyphs, nullptr);
  EXPECT_GT(glyphs, 30u);
  // Again, in the opposite order so that sizes alternate differently.
  for (size_t i = samples.size(); i-- > 0;) {
    EXPECT_TRUE(Draw(samples[i]) == cold[i]) << samples[i].font->u32Height;
  }
}

TEST_F(GlyphCache, AFloodOfGlyphsStaysWithinThePoolAndLeavesTextRight) {
  const std::vector<SAMPLE> samples = Samples();
  std::vector<std::vector<COLOR>> cold;
  for (const SAMPLE& s : samples) cold.push_back(Draw(s));

  SetLanguage(LANGUAGE_CHINESE_SIMPLIFIED);
  U32 most = 0, held = 0, bytes = 0;
  BOOLEAN bLetGo = FALSE;
  // Large ideographs fill the pool, small ones the slots (measuring looks
  // every glyph up as drawing does).
  for (const FONT_DEF* font : {arialuni_size76_font_def_ptr, arialuni_size9_font_def_ptr}) {
    for (char16_t c = 0x4E00; c < 0x4E00 + 4000; c += 8) {
      std::u16string line;
      for (char16_t k = 0; k < 8; k++) line += (char16_t)(c + k);
      G_TRUETYPE_u32GetWidth(W(line).data(), font->u32Height, 0);
      G_TRUETYPE_vGlyphCacheUse(&held, &bytes);
      ASSERT_LE(bytes, G_TRUETYPE_GLYPH_POOL_BYTES);
      if (held < most) bLetGo = TRUE;
      most = held;
    }
    EXPECT_TRUE(bLetGo) << font->u32Height;
    bLetGo = FALSE;
  }
  for (size_t i = 0; i < samples.size(); i++) EXPECT_TRUE(Draw(samples[i]) == cold[i]) << samples[i].font->u32Height;
}

}  // namespace
