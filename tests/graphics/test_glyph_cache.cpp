// Text drawn from the glyph cache is pixel for pixel the text FreeType draws,
// also after a flood of distinct glyphs has made the cache let go.

#include <gtest/gtest.h>

#include <string.h>

#include <random>
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
      // Pairs whose glyphs cover a pixel together.
      {LANGUAGE_ENGLISH, 0, FALSE, "Fair KAT Tide", myriad_pro_size14_font_def_ptr},
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

G_TEXT_BOX s_lastBox;

// A text drawn again is drawn from the whole text's cover: over any
// background, in any colour and wherever it lies against the bitmap's
// edges, it draws what its glyphs drew one by one the first time (the
// caches let go between trials), moves the pen alike and tells the same box.
TEST_F(GlyphCache, TextsDrawnAgainDrawWhatTheirGlyphsDrew) {
  std::mt19937 rng(5);
  G_TRUETYPE_vSetTextObserver(
      [](const BITMAP*, const char*, const FONT_DEF*, const G_TEXT_BOX* pBox) { s_lastBox = *pBox; });
  U32 kept = 0;
  std::mt19937 noise(7);
  std::vector<COLOR> background(800 * 300);
  for (COLOR& c : background) c = (COLOR)noise();
  for (const SAMPLE& s : Samples()) {
    SetLanguage(s.language);
    G_TRUETYPE_vSelectFontSet(s.fontSet);
    G_TRUETYPE_vSetASCIIMode(s.ascii);
    for (int trial = 0; trial < 4; trial++) {
      ASSERT_TRUE(G_TRUETYPE_bInit());
      const POINT at = trial == 0 ? POINT{6, 60} : POINT{(S32)(rng() % 800), (S32)(rng() % 300)};
      const COLOR colour = (COLOR)rng();
      const U32 width = G_TRUETYPE_M_u32GetWidth(s.text.data(), s.font);
      std::vector<COLOR> first;
      for (int draw = 0; draw < 3; draw++) {
        Canvas canvas(800, 300);
        ASSERT_EQ(background.size(), canvas.pixelCount());
        memcpy(canvas.pixels(), background.data(), background.size() * sizeof(COLOR));
        POINT pen = at;
        s_lastBox = {0, 0, -1, -1};
        G_TRUETYPE_M_vPut(canvas.get(), s.text.data(), &pen, colour, s.font);
        std::vector<COLOR> drawn(canvas.pixels(), canvas.pixels() + canvas.pixelCount());
        for (S32 v : {pen.x, s_lastBox.left, s_lastBox.bottom, s_lastBox.right, s_lastBox.top}) {
          drawn.push_back((COLOR)v);
        }
        if (draw == 0) first = drawn;
        ASSERT_TRUE(drawn == first) << s.font->u32Height << " trial " << trial << " draw " << draw;
      }
      // Measured again after a measure in another size, from the kept one.
      const FONT_DEF* other = s.font == myriad_pro_size17_font_def_ptr ? myriad_pro_size14_font_def_ptr
                                                                       : myriad_pro_size17_font_def_ptr;
      G_TRUETYPE_M_u32GetWidth(s.text.data(), other);
      ASSERT_EQ(width, G_TRUETYPE_M_u32GetWidth(s.text.data(), s.font)) << s.font->u32Height;
      U32 bytes = 0;
      G_TRUETYPE_vTextCacheUse(nullptr, &bytes, nullptr);
      kept += bytes != 0;
    }
  }
  G_TRUETYPE_vSetTextObserver(nullptr);
  G_TRUETYPE_vSelectFontSet(0);
  G_TRUETYPE_vSetASCIIMode(FALSE);
  EXPECT_GT(kept, 10u) << "texts drawn again were kept";
  // Nothing but spaces still moves the pen.
  SetLanguage(LANGUAGE_ENGLISH);
  Canvas canvas(100, 40);
  for (int draw = 0; draw < 3; draw++) {
    POINT pen = {5, 20};
    G_TRUETYPE_M_vPut(canvas.get(), "   ", &pen, kInk, myriad_pro_size14_font_def_ptr);
    EXPECT_EQ(5 + 3 * (S32)(myriad_pro_size14_font_def_ptr->u32Height / 2), pen.x) << draw;
  }
}

// Many more texts than the cache holds: it lets them all go now and then
// and stays within its pool, and what it keeps afterwards still draws right.
TEST_F(GlyphCache, AFloodOfTextsStaysWithinThePoolAndLeavesTextRight) {
  const std::vector<SAMPLE> samples = Samples();
  std::vector<std::vector<COLOR>> cold;
  for (const SAMPLE& s : samples) cold.push_back(Draw(s));
  SetLanguage(LANGUAGE_ENGLISH);
  Canvas canvas(800, 300);
  for (int i = 0; i < 12000; i++) {
    const std::string text = "Waypoint " + std::to_string(i / 2);
    POINT at = {10, 100};
    G_TRUETYPE_M_vPut(canvas.get(), text.data(), &at, kInk, myriad_pro_size26_font_def_ptr);
    U32 bytes = 0;
    G_TRUETYPE_vTextCacheUse(nullptr, &bytes, nullptr);
    ASSERT_LE(bytes, G_TRUETYPE_TEXT_POOL_BYTES);
  }
  U32 letGo = 0;
  G_TRUETYPE_vTextCacheUse(nullptr, nullptr, &letGo);
  EXPECT_GT(letGo, 0u);
  for (int pass = 0; pass < 2; pass++) {
    for (size_t i = 0; i < samples.size(); i++) EXPECT_TRUE(Draw(samples[i]) == cold[i]) << samples[i].font->u32Height;
  }
}

}  // namespace
