// Long and malformed texts through drawing and measuring: nothing is written
// outside the bitmap and nothing is read past the text (checked under
// AddressSanitizer).

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "canvas.h"
#include "g_fonts.h"
#include "g_string.h"
#include "g_truetype.h"
#include "test_timing.h"
#include "text_util.h"
#include "u_language.h"

namespace {

class HostileText : public LanguageTest {
 protected:
  static void SetUpTestSuite() {
    H_DATABASE_vInit();
    ASSERT_TRUE(G_TRUETYPE_bInit());
  }
};

// Texts on the heap in buffers of exactly their size.
std::vector<char> Exact(const std::string& text) { return std::vector<char>(text.begin(), text.end()); }

std::vector<std::string> NarrowTexts() {
  std::string all;
  for (int c = 1; c < 256; c++) all += (char)c;
  return {std::string(10000, 'W') + '\0', all + '\0', std::string(10000, '\xBA') + '\0', std::string(1, '\0')};
}

std::vector<std::string> WideTexts() {
  std::u16string surrogates(5000, u'\xD800'), privates, mixed;
  for (char16_t u = 0xFDD0; u <= 0xFDFF; u++) privates += u;
  for (int i = 0; i < 10000; i++) mixed += (char16_t)(0x4E00 + i * 7);
  std::string oddTail = W(u"ab");
  oddTail.insert(oddTail.size() - 2, 1, 'x');  // units 0x7800 then the zero unit
  oddTail += '\0';
  return {W(surrogates), W(privates), W(mixed), W(u"\uFDD0"), W(u"\uFDFF"), oddTail, W(u"")};
}

TEST_F(HostileText, DrawingStaysInsideTheBitmap) {
  for (unsigned language : {LANGUAGE_ENGLISH, LANGUAGE_RUSSIAN, LANGUAGE_KOREAN}) {
    // The emulated board keeps one narrow and the wide face: the test is
    // that build's longest, and Russian takes the narrow face's paths again.
    if (language == LANGUAGE_RUSSIAN && TEST_bEmulated()) continue;
    SetLanguage(language);
    const BOOLEAN wide = language >= LANGUAGE_FIRST_WIDE;
    const FONT_DEF* fonts[] = {wide ? arialuni_size161_font_def_ptr : myriad_pro_bold_size161_font_def_ptr,
                               wide ? arialuni_size14_font_def_ptr : myriad_pro_size14_font_def_ptr};
    for (const std::string& text : wide ? WideTexts() : NarrowTexts()) {
      std::vector<char> exact = Exact(text);
      // Measuring walks the whole text (at the big size every glyph would
      // be rendered afresh, so only the small one).
      G_TRUETYPE_M_u32GetWidth(exact.data(), fonts[1]);
      G_STRING_u32GetWidth(fonts[1], (const BYTE*)exact.data());
      for (const FONT_DEF* font : fonts) {
        for (POINT start : {POINT{798, 5}, POINT{1, -40}, POINT{400, 150}, POINT{1, 1000}, POINT{1, 5}}) {
          // Big glyphs are rendered afresh every time: two places suffice.
          if (font == fonts[0] && start.y != 5 && start.y != 150) continue;
          Canvas canvas(800, 240);
          POINT at = start;
          G_TRUETYPE_M_vPut(canvas.get(), exact.data(), &at, kInk, font);
          G_STRING_vPut(canvas.get(), kInk, &at, font, (const BYTE*)exact.data());
          G_STRING_vPutWithOutline(canvas.get(), kInk, &start, font, (const BYTE*)exact.data(), 0x001F);
        }
      }
      // From x 0 drawing measures first.
      Canvas canvas(800, 240);
      POINT at = {0, 100};
      G_TRUETYPE_M_vPut(canvas.get(), exact.data(), &at, kInk, fonts[1]);
    }
  }
}

TEST_F(HostileText, NumbersAndSizesOutOfRange) {
  Canvas canvas(200, 60);
  const std::string digits(10000, '8');
  std::vector<char> exact = Exact(digits + '\0');
  for (U32 size : {0u, 1u, 130u, 161u, 162u, 255u, 256u, 0xFFFFFFFFu}) {
    const POINT at = {3, 3};
    G_TRUETYPE_vPut(canvas.get(), exact.data(), &at, kInk, size, 0);
    G_TRUETYPE_vPutNumWidthFixed(canvas.get(), exact.data(), &at, kInk, size, 1);
    G_TRUETYPE_u32GetWidthNumWidthFixed(exact.data(), size, 0);
  }
  G_TRUETYPE_M_vPut(canvas.get(), "x", nullptr, kInk, myriad_pro_size14_font_def_ptr);
  G_TRUETYPE_M_vPut(nullptr, "x", nullptr, kInk, myriad_pro_size14_font_def_ptr);
  FONT_DEF empty = {};
  POINT at = {3, 3};
  G_TRUETYPE_M_vPut(canvas.get(), "x", &at, kInk, &empty);
  EXPECT_EQ(0u, G_TRUETYPE_M_u32GetWidth("x", &empty)) << "a font never filled";
}

}  // namespace
