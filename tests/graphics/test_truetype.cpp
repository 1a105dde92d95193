// TrueType text is measured and drawn right at every size, with kerning, the
// preset names of the wide languages, and a glyph for every UI text.

#include <gtest/gtest.h>

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "canvas.h"
#include "g_fonts.h"
#include "g_string.h"
#include "g_truetype.h"
#include "model_current.h"
#include "text_util.h"
#include "u_language.h"
#include "ui_texts.h"

namespace {

class TrueTypeTest : public LanguageTest {
 protected:
  static void SetUpTestSuite() {
    H_DATABASE_vInit();
    ASSERT_TRUE(G_TRUETYPE_bInit());
  }
  void SetUp() override {
    LanguageTest::SetUp();
    G_TRUETYPE_vSelectFontSet(0);
    G_TRUETYPE_vSetASCIIMode(FALSE);
  }
  // Draws and returns how far the anchor moved.
  static PIXEL Draw(const Canvas& canvas, const std::string& text, const FONT_DEF* font, POINT at) {
    const PIXEL x0 = at.x;
    G_TRUETYPE_M_vPut(canvas.get(), text.data(), &at, kInk, font);
    return at.x - x0;
  }
};

#define UNI(n) arialuni_size##n##_font_def_ptr
#define REG(n) myriad_pro_size##n##_font_def_ptr
#define BOLD(n) myriad_pro_bold_size##n##_font_def_ptr
#define SIZES(F) F(12), F(14), F(16), F(17), F(19), F(21), F(26), F(32), F(38), F(44), F(57), F(62), F(71), F(76), F(100), F(133), F(161)
const FONT_DEF* const kAllHandles[] = {UNI(9), SIZES(UNI), SIZES(REG), BOLD(9), SIZES(BOLD)};
static_assert(sizeof kAllHandles / sizeof kAllHandles[0] == G_FONTS_HANDLE_COUNT);

TEST_F(TrueTypeTest, EveryHandleIsAFontOfItsSize) {
  ASSERT_EQ(53u, G_FONTS_HANDLE_COUNT);
  for (const FONT_DEF* font : kAllHandles) {
    ASSERT_NE(nullptr, font);
    EXPECT_NE(nullptr, font->pu8TTFdata);
    EXPECT_GT(font->u32Ascender, font->u32Height) << font->u32Height;
    EXPECT_GT(font->u32Descender, 0u) << font->u32Height;
    EXPECT_GT(font->u32MaxWidth, 0u) << font->u32Height;
    EXPECT_GT(G_TRUETYPE_M_u32GetWidth("0", font), 0u) << font->u32Height;
  }
  EXPECT_EQ(17u, myriad_pro_size17_font_def_ptr->u32Height);
  EXPECT_EQ(&myriad_pro_fonts[0][9], myriad_pro_bold_size9_font_def_ptr);
  EXPECT_EQ(&arialuni_fonts[0][161], arialuni_size161_font_def_ptr);
  EXPECT_GT(ARIALUNI.u32MaxWidth, MyriadPro_Regular_QXcoding.u32MaxWidth) << "file lengths";
}

TEST_F(TrueTypeTest, SpaceIsHalfTheSizeWide) {
  for (U32 size : {9u, 17u, 32u, 100u, 161u}) {
    EXPECT_EQ(size / 2, G_TRUETYPE_u32GetWidth(" ", size, 0)) << size;
    EXPECT_EQ(size / 2, G_TRUETYPE_u32GetWidth(" ", size, 1)) << size;
  }
  SetLanguage(LANGUAGE_JAPANESE);
  EXPECT_EQ(8u, G_TRUETYPE_u32GetWidth(W(u"\u3000").data(), 17, 0));
  EXPECT_EQ(8u, G_TRUETYPE_u32GetWidth(W(u" ").data(), 17, 0));
  for (U32 size : {0u, 162u, 1000u}) EXPECT_EQ(0u, G_TRUETYPE_u32GetWidth("abc", size, 0)) << size;
}

TEST_F(TrueTypeTest, DrawingMovesTheAnchorByTheMeasuredWidth) {
  struct ROW {
    unsigned language;
    std::string text;
    const FONT_DEF* font;
  } rows[] = {
      {LANGUAGE_ENGLISH, "Depth 12.5 m", myriad_pro_size17_font_def_ptr},
      {LANGUAGE_ENGLISH, "AVAWAY To", myriad_pro_bold_size32_font_def_ptr},
      {LANGUAGE_GERMAN, "Gr\xF6\xDF" "e", myriad_pro_size14_font_def_ptr},
      {LANGUAGE_ENGLISH, "88", myriad_pro_bold_size133_font_def_ptr},
      {LANGUAGE_ENGLISH, "0", myriad_pro_size161_font_def_ptr},
      {LANGUAGE_KOREAN, W(u"큰 물고기 12"), arialuni_size19_font_def_ptr},
      {LANGUAGE_JAPANESE, W(u"魚\u3000AV"), arialuni_size100_font_def_ptr},
  };
  for (const ROW& row : rows) {
    SetLanguage(row.language);
    Canvas canvas(800, 400);
    const U32 width = G_TRUETYPE_M_u32GetWidth(row.text.data(), row.font);
    EXPECT_GT(width, 0u);
    EXPECT_EQ((PIXEL)width, Draw(canvas, row.text, row.font, {5, 150})) << row.font->u32Height;
    EXPECT_FALSE(canvas.changed().empty());
  }
}

TEST_F(TrueTypeTest, KerningNarrowsPairs) {
  for (const FONT_DEF* font : {myriad_pro_size17_font_def_ptr, myriad_pro_bold_size44_font_def_ptr}) {
    const U32 pair = G_TRUETYPE_M_u32GetWidth("AV", font);
    const U32 apart = G_TRUETYPE_M_u32GetWidth("A", font) + G_TRUETYPE_M_u32GetWidth("V", font);
    EXPECT_LT(pair, apart) << font->u32Height;
    EXPECT_EQ(apart, G_TRUETYPE_M_u32GetWidth("A V", font) - font->u32Height / 2) << "no kerning across a space";
  }
  // Pairs are kept once looked up: more pairs of two faces than are kept,
  // measured again backwards and with the faces taken in turn, keep their
  // widths.
  const FONT_DEF* faces[2] = {myriad_pro_size17_font_def_ptr, myriad_pro_bold_size44_font_def_ptr};
  std::vector<std::pair<std::string, U32>> widths;
  for (const FONT_DEF* font : faces) {
    for (char a = 'A'; a <= 'z'; a++) {
      for (const char b : {'A', 'T', 'V', 'W', 'Y', 'a', 'e', 'o', 'y', '.', ','}) {
        const char text[3] = {a, b, 0};
        widths.push_back({text, G_TRUETYPE_M_u32GetWidth(text, font)});
      }
    }
  }
  const size_t half = widths.size() / 2;
  for (size_t k = half; k-- > 0;) {
    for (size_t f = 0; f < 2; f++) {
      const auto& [text, width] = widths[f * half + k];
      ASSERT_EQ(width, G_TRUETYPE_M_u32GetWidth(text.c_str(), faces[f])) << text << " in face " << f;
    }
  }
}

TEST_F(TrueTypeTest, BigDigitsDrawAndMeasureAsTheyAdvance) {
  for (const FONT_DEF* font : {myriad_pro_size133_font_def_ptr, myriad_pro_bold_size161_font_def_ptr,
                               myriad_pro_size100_font_def_ptr}) {
    Canvas canvas(800, 300);
    const PIXEL moved = Draw(canvas, "08", font, {10, 40});
    PIXELS ink = canvas.changed();
    ASSERT_FALSE(ink.empty()) << font->u32Height;
    PIXEL right = 0, top = 0;
    for (const XY& p : ink) {
      right = std::max(right, p.first);
      top = std::max(top, p.second);
    }
    // Two digits of a font whose pixel size is size * 60 / 44: each one well
    // over a third of that wide and tall, and the pen past the ink.
    const PIXEL pixelSize = (PIXEL)(font->u32Height * 60 / 44);
    EXPECT_GT(moved, pixelSize * 2 / 3) << font->u32Height;
    EXPECT_LT(moved, pixelSize * 2) << font->u32Height;
    EXPECT_GE(10 + moved, right) << font->u32Height;
    EXPECT_GT(top - 40, pixelSize / 2) << font->u32Height;
    EXPECT_EQ((PIXEL)G_TRUETYPE_M_u32GetWidth("08", font), moved);
  }
}

TEST_F(TrueTypeTest, AnchorOutsideTheClipDrawsNothing) {
  Canvas canvas(200, 60);
  canvas->s32ClipLeft = 20;
  canvas->s32ClipRight = 150;
  for (PIXEL x : {0, 19, 151, 199, -5}) {
    POINT at = {x, 20};
    G_TRUETYPE_M_vPut(canvas.get(), "Fish", &at, kInk, myriad_pro_size17_font_def_ptr);
    EXPECT_EQ(x, at.x);
  }
  EXPECT_TRUE(canvas.changed().empty());
  POINT at = {20, 20};
  G_TRUETYPE_M_vPut(canvas.get(), "", &at, kInk, myriad_pro_size17_font_def_ptr);
  EXPECT_EQ(20, at.x) << "an empty text does not move the anchor";
}

TEST_F(TrueTypeTest, GlyphsCrossingTopOrBottomStopTheText) {
  Canvas canvas(300, 40);
  // 'g' reaches below the baseline; at y 2 it would cross the bottom.
  POINT at = {10, 2};
  G_TRUETYPE_M_vPut(canvas.get(), "Abgh", &at, kInk, myriad_pro_size17_font_def_ptr);
  const PIXEL afterAb = 10 + (PIXEL)G_TRUETYPE_M_u32GetWidth("Ab", myriad_pro_size17_font_def_ptr);
  EXPECT_EQ(afterAb, at.x) << "the anchor holds the pen reached";
  // The top: 'a' fits under row 39, the capital does not.
  at = {10, 24};
  G_TRUETYPE_M_vPut(canvas.get(), "aA", &at, kInk, myriad_pro_size17_font_def_ptr);
  EXPECT_EQ(10 + (PIXEL)G_TRUETYPE_M_u32GetWidth("a", myriad_pro_size17_font_def_ptr), at.x);
}

TEST_F(TrueTypeTest, TextStopsAtTheRightEdge) {
  // A pane narrower than its buffer: nothing may land right of it.
  Canvas canvas(128, 40);
  canvas->pixels_wide = 100;
  canvas->s32ClipRight = 99;
  std::string text(500, 'W');
  POINT at = {90, 10};
  G_TRUETYPE_M_vPut(canvas.get(), text.data(), &at, kInk, myriad_pro_bold_size26_font_def_ptr);
  PIXELS ink = canvas.changed();
  EXPECT_FALSE(ink.empty());
  for (const XY& p : ink) ASSERT_LT(p.first, 100);
  EXPECT_GE(at.x, 100) << "the pen stops at the edge";
  EXPECT_LT(at.x, 100 + 60);
}

TEST_F(TrueTypeTest, MetricsAndSingleCharacters) {
  EXPECT_EQ(23u, G_FONTS_u32GetHeight(myriad_pro_size17_font_def_ptr));
  FONT_DEF shortLine = *myriad_pro_size100_font_def_ptr;
  shortLine.u32Ascender = 10;
  EXPECT_EQ(0u, G_FONTS_u32GetAscenderHeight(&shortLine)) << "no wrap below zero";
  Canvas canvas(200, 40);
  POINT at = {5, 10};
  G_FONTS_vPut(canvas.get(), kInk, &at, myriad_pro_size17_font_def_ptr, 'H');
  EXPECT_EQ(5 + (PIXEL)G_FONTS_u32GetWidth(myriad_pro_size17_font_def_ptr, 'H'), at.x);
  G_FONTS_vPut(canvas.get(), kInk, &at, nullptr, 'H');  // logged, not fatal
  SetLanguage(LANGUAGE_KOREAN);
  EXPECT_EQ(26u, G_FONTS_u32GetHeight(arialuni_size17_font_def_ptr));
  // Two strings from one anchor: the second right after the first.
  const std::string ab = W(u"ab");
  const PIXEL start = at.x;
  G_STRING_vPut(canvas.get(), kInk, &at, arialuni_size17_font_def_ptr, (const BYTE*)ab.data());
  G_STRING_vPutWithOutline(canvas.get(), kInk, &at, arialuni_size17_font_def_ptr, (const BYTE*)ab.data(), 0x001F);
  EXPECT_EQ(start + 2 * (PIXEL)G_STRING_u32GetWidth(arialuni_size17_font_def_ptr, (const BYTE*)ab.data()), at.x);
}

TEST_F(TrueTypeTest, PresetNamesStandForTheirWords) {
  SetLanguage(LANGUAGE_KOREAN);
  const FONT_DEF* font = arialuni_size17_font_def_ptr;
  const std::string buoy1 = W(u"\uFDD5" u"1"), buoy = W(u"\uFDD5"), word = W(u"부이"), one = W(u"1");
  const U32 wordWidth = G_TRUETYPE_M_u32GetWidth(word.data(), font);
  const U32 oneWidth = G_TRUETYPE_M_u32GetWidth(one.data(), font);
  EXPECT_EQ(wordWidth + oneWidth, G_STRING_u32GetWidth(font, (const BYTE*)buoy1.data()));
  EXPECT_EQ(wordWidth, G_STRING_u32GetWidth(font, (const BYTE*)buoy.data()));
  EXPECT_EQ(oneWidth, G_STRING_u32GetWidth(font, (const BYTE*)W(u"\uFDEE" u"1").data())) << "no preset 30";
  EXPECT_EQ(0u, G_STRING_u32GetWidth(font, (const BYTE*)W(u"").data()));

  Canvas drawn(200, 40), expected(200, 40);
  POINT at = {4, 12};
  G_STRING_vPut(drawn.get(), kInk, &at, font, (const BYTE*)buoy1.data());
  EXPECT_EQ(4 + (PIXEL)(wordWidth + oneWidth), at.x);
  POINT ref = {4, 12};
  G_TRUETYPE_M_vPut(expected.get(), word.data(), &ref, kInk, font);
  G_TRUETYPE_M_vPut(expected.get(), one.data(), &ref, kInk, font);
  EXPECT_EQ(expected.changed(), drawn.changed());

  // The same mark in Japanese reads the Japanese entry.
  SetLanguage(LANGUAGE_JAPANESE);
  EXPECT_EQ(G_TRUETYPE_M_u32GetWidth(W(u"ブイ").data(), font),
            G_STRING_u32GetWidth(font, (const BYTE*)buoy.data()));
}

TEST_F(TrueTypeTest, CodePagesAndAsciiModeReachTheRightGlyphs) {
  // 0xBA is the degree sign in both pages; in page 2 0xC0 is Cyrillic A.
  const std::string degree = "\xBA";
  Canvas a(60, 80), b(60, 80);
  Draw(a, degree, myriad_pro_size32_font_def_ptr, {5, 10});
  G_TRUETYPE_vSelectFontSet(1);
  Draw(b, degree, myriad_pro_size32_font_def_ptr, {5, 10});
  EXPECT_FALSE(a.changed().empty());
  EXPECT_EQ(a.changed(), b.changed());
  SetLanguage(LANGUAGE_RUSSIAN);
  EXPECT_EQ(G_TRUETYPE_M_u32GetWidth("\xC0", myriad_pro_size32_font_def_ptr),
            G_TRUETYPE_M_u32GetWidth("A", myriad_pro_size32_font_def_ptr));
  G_TRUETYPE_vSelectFontSet(7);
  // Byte 0x80 is a letter of page 1, but a control character read as
  // Latin-1 in ASCII mode: there it has no glyph.
  EXPECT_GT(G_TRUETYPE_M_u32GetWidth("\x80", myriad_pro_size32_font_def_ptr), 0u);
  G_TRUETYPE_vSetASCIIMode(TRUE);
  EXPECT_EQ(0u, G_TRUETYPE_M_u32GetWidth("\x80", myriad_pro_size32_font_def_ptr));
  G_TRUETYPE_vSetASCIIMode(FALSE);
}

// The two embedded Latin faces opened by FreeType itself, bold first, for
// what the font says of its own glyphs.
struct LatinFaces {
  FT_Library library = nullptr;
  FT_Face faces[2] = {nullptr, nullptr};
  LatinFaces() {
    EXPECT_EQ(0, FT_Init_FreeType(&library));
    const FONT_DEF* files[2] = {&MyriadPro_Bold_QXcoding, &MyriadPro_Regular_QXcoding};
    for (int f = 0; f < 2; f++) {
      EXPECT_EQ(0, FT_New_Memory_Face(library, files[f]->pu8TTFdata, (FT_Long)files[f]->u32MaxWidth, 0, &faces[f]));
      EXPECT_EQ(0, FT_Select_Charmap(faces[f], FT_ENCODING_UNICODE));
    }
  }
  ~LatinFaces() {
    for (FT_Face face : faces) FT_Done_Face(face);
    FT_Done_FreeType(library);
  }
};

// A letter with marks takes the room its base letter takes, changed only by
// what the font gives the two advances: an ogonek, a caron or a comma below
// reaching out beside the letter does not push the next one away. The
// advances come from FreeType's own hinting of the embedded faces.
TEST_F(TrueTypeTest, ALetterWithMarksIsSpacedAsTheFontSpacesItsBaseLetter) {
  LatinFaces latin;
  FT_Face* faces = latin.faces;
  auto advance = [](FT_Face face, char16_t letter) {
    EXPECT_EQ(0, FT_Load_Char(face, letter, FT_LOAD_DEFAULT));
    return (S32)(face->glyph->advance.x >> 6);
  };
  // Letters with marks of the unit's languages and the letter each is built
  // on: page 1 (Turkish, Czech, Polish, Baltic, Hungarian, Greek), page 2.
  const struct {
    char16_t marked, base;
    unsigned language;
  } kLetters[] = {{u'ç', u'c', LANGUAGE_TURKISH},   {u'ş', u's', LANGUAGE_TURKISH},  {u'İ', u'I', LANGUAGE_TURKISH},
                  {u'č', u'c', LANGUAGE_CZECH},     {u'ř', u'r', LANGUAGE_CZECH},    {u'ď', u'd', LANGUAGE_CZECH},
                  {u'ť', u't', LANGUAGE_CZECH},     {u'ą', u'a', LANGUAGE_POLISH},   {u'ę', u'e', LANGUAGE_POLISH},
                  {u'į', u'i', LANGUAGE_LITHUANIAN}, {u'ų', u'u', LANGUAGE_LITHUANIAN}, {u'ļ', u'l', LANGUAGE_LATVIAN},
                  {u'ķ', u'k', LANGUAGE_LATVIAN},   {u'ģ', u'g', LANGUAGE_LATVIAN},  {u'ő', u'o', LANGUAGE_HUNGARIAN},
                  {u'ά', u'α', LANGUAGE_GREEK},     {u'й', u'и', LANGUAGE_RUSSIAN},  {u'ё', u'е', LANGUAGE_RUSSIAN}};
  const FONT_DEF* const kFonts[] = {SIZES(BOLD), SIZES(REG)};
  int wrong = 0;
  for (const auto& letter : kLetters) {
    for (const FONT_DEF* font : kFonts) {
      const int f = font >= &myriad_pro_fonts[1][0] ? 1 : 0;
      const U32 pixels = font->u32Height * 60 / 44;
      ASSERT_EQ(0, FT_Set_Pixel_Sizes(faces[f], pixels, pixels));
      const S32 expected = advance(faces[f], letter.marked) - advance(faces[f], letter.base);
      for (unsigned language : {letter.language, (unsigned)LANGUAGE_JAPANESE}) {
        SetLanguage(language);
        G_TRUETYPE_vSelectFontSet(g_eFontSet[language] == FONT_SET_2 ? 1 : 0);
        std::string texts[2];
        for (int k = 0; k < 2; k++) {
          const char16_t one[2] = {k == 0 ? letter.marked : letter.base, 0};
          char page[8];
          U_UNICODE_vToQX(page, (const UCHAR16*)one, sizeof page, language);
          texts[k] = language >= LANGUAGE_FIRST_WIDE ? W(one) : std::string(page);
        }
        const S32 got = (S32)G_TRUETYPE_M_u32GetWidth(texts[0].data(), font) -
                        (S32)G_TRUETYPE_M_u32GetWidth(texts[1].data(), font);
        if (got != expected && wrong++ < 10) {
          ADD_FAILURE() << "U+" << std::hex << (unsigned)letter.marked << std::dec << " in language " << language
                        << " at size " << font->u32Height << (f == 0 ? " bold" : " regular") << ": " << got
                        << " px more than its base letter, the font " << expected;
        }
      }
    }
  }
  EXPECT_EQ(0, wrong);
}

// Two letters stand no further apart than the font sets them, but for the
// one pixel every pair of ours gets: a letter whose ink reaches past its
// advance in the font (a bold k, a T) does not leave a gap that reads as a
// space ("Türk çe"). The font's gap is the first letter's right bearing and
// the second's left one, from FreeType; ours is read off the drawing.
TEST_F(TrueTypeTest, LettersThatOverhangInTheFontLeaveNoWiderGap) {
  LatinFaces latin;
  FT_Face* faces = latin.faces;
  // The first or last column of a glyph's bitmap with ink that shows: an
  // edge fainter than 8 in 255 blends to nothing.
  auto visible = [](const FT_Bitmap& bitmap, bool bFirst) {
    S32 first = -1, last = -1;
    for (U32 c = 0; c < bitmap.width; c++) {
      for (U32 r = 0; r < bitmap.rows; r++) {
        if (bitmap.buffer[(ptrdiff_t)r * bitmap.pitch + c] >= 8) {
          if (first < 0) first = (S32)c;
          last = (S32)c;
          break;
        }
      }
    }
    return bFirst ? first : last;
  };
  int wrong = 0;
  for (const char* pair : {"kc", "kx", "Tu", "Ve", "yo", "rk"}) {
    for (const FONT_DEF* font : {BOLD(17), BOLD(21), BOLD(26), BOLD(44), REG(17), REG(26)}) {
      const int f = font >= &myriad_pro_fonts[1][0] ? 1 : 0;
      const U32 pixels = font->u32Height * 60 / 44;
      ASSERT_EQ(0, FT_Set_Pixel_Sizes(faces[f], pixels, pixels));
      ASSERT_EQ(0, FT_Load_Char(faces[f], (FT_ULong)pair[0], FT_LOAD_RENDER));
      const FT_GlyphSlot g = faces[f]->glyph;
      const S32 rightBearing = (S32)(g->advance.x >> 6) - g->bitmap_left - visible(g->bitmap, false) - 1;
      ASSERT_EQ(0, FT_Load_Char(faces[f], (FT_ULong)pair[1], FT_LOAD_RENDER));
      FT_Vector kern = {0, 0};
      FT_Get_Kerning(faces[f], FT_Get_Char_Index(faces[f], (FT_ULong)pair[0]),
                     FT_Get_Char_Index(faces[f], (FT_ULong)pair[1]), FT_KERNING_DEFAULT, &kern);
      const S32 fontGap = rightBearing + g->bitmap_left + visible(g->bitmap, true) + (S32)(kern.x >> 6);
      // The second letter's ink starts where the pair's drawing first
      // differs from the first letter's alone.
      Canvas alone(200, 200), both(200, 200);
      Draw(alone, std::string(1, pair[0]), font, {20, 150});
      Draw(both, pair, font, {20, 150});
      PIXEL firstRight = -1;
      for (const XY& p : alone.changed()) firstRight = std::max(firstRight, p.first);
      PIXEL secondLeft = 200;
      for (PIXEL y = 0; y < 200; y++) {
        for (PIXEL x = 0; x < secondLeft; x++) {
          if (alone.at(x, y) != both.at(x, y)) secondLeft = x;
        }
      }
      const S32 gap = secondLeft - firstRight - 1;
      const S32 extra = (S32)(font->u32Height >> 6) + 1;
      if (gap > fontGap + extra && wrong++ < 10) {
        ADD_FAILURE() << pair << " at size " << font->u32Height << (f == 0 ? " bold" : " regular") << ": " << gap
                      << " px apart, the font " << fontGap;
      }
    }
  }
  EXPECT_EQ(0, wrong);
}

// Every character of every shipped text has a glyph in the face that draws
// it: 8-bit entries through their page in both Latin faces, wide entries in
// the Unicode face.
TEST_F(TrueTypeTest, EveryShippedTextHasItsGlyphs) {
  FT_Library library;
  ASSERT_EQ(0, FT_Init_FreeType(&library));
  FT_Face faces[3];
  const FONT_DEF* files[3] = {&MyriadPro_Bold_QXcoding, &MyriadPro_Regular_QXcoding, &ARIALUNI};
  for (int f = 0; f < 3; f++) {
    ASSERT_EQ(0, FT_New_Memory_Face(library, files[f]->pu8TTFdata, (FT_Long)files[f]->u32MaxWidth, 0, &faces[f]));
  }
  ASSERT_EQ(0, FT_Select_Charmap(faces[2], FT_ENCODING_UNICODE));
  int missing = 0;
  for (const UI_TEXT_ENTRY& entry : g_aUiTextCatalogue) {
    for (U32 language = 0; language < UI_TEXT_LANGUAGES; language++) {
      const U8* p = (const U8*)entry.ppcTable[language];
      if (language >= UI_TEXT_FIRST_WIDE) {
        for (; p[0] != 0 || p[1] != 0; p += 2) {
          const FT_ULong unit = (FT_ULong)(p[0] << 8 | p[1]);
          if (unit == 0x20 || unit == 0x3000) continue;
          if (FT_Get_Char_Index(faces[2], unit) == 0 && missing++ < 10) {
            ADD_FAILURE() << entry.pcName << " " << language << " U+" << std::hex << unit;
          }
        }
        continue;
      }
      const int page = g_eFontSet[language] == FONT_SET_2 ? 1 : 0;
      for (int f = 0; f < 2; f++) {
        ASSERT_EQ(0, FT_Set_Charmap(faces[f], faces[f]->charmaps[page]));
        for (const U8* q = p; *q != 0; q++) {
          if (*q <= 0x20) continue;
          if (FT_Get_Char_Index(faces[f], *q) == 0 && missing++ < 10) {
            ADD_FAILURE() << entry.pcName << " " << language << " byte " << (int)*q;
          }
        }
      }
    }
  }
  EXPECT_EQ(0, missing);
  for (FT_Face face : faces) FT_Done_Face(face);
  FT_Done_FreeType(library);
}

// A readout in a wide language keeps the bold digits of the other languages;
// only the wide characters come from the Unicode face, whatever face the
// font handed in has.
TEST_F(TrueTypeTest, WideTextTakesLatinFromTheBoldFaceAndWideCharactersFromTheUnicodeFace) {
  auto picture = [](const std::string& text, const FONT_DEF* font) {
    Canvas canvas(300, 80);
    POINT at = {5, 12};
    G_TRUETYPE_M_vPut(canvas.get(), text.data(), &at, kInk, font);
    return std::vector<COLOR>(canvas.pixels(), canvas.pixels() + canvas.pixelCount());
  };
  const std::vector<COLOR> boldDigits = picture("12.5 m", BOLD(44));
  SetLanguage(LANGUAGE_JAPANESE);
  const std::string fish = W(u"\u9B5A");
  const std::vector<COLOR> wideFish = picture(fish, UNI(44));
  EXPECT_TRUE(picture(W(u"12.5 m"), UNI(44)) == boldDigits) << "digits and Latin in the bold face";
  EXPECT_TRUE(picture(fish, BOLD(44)) == wideFish) << "a wide character from the Unicode face";
  const U32 mixed = G_TRUETYPE_M_u32GetWidth(W(u"\u9B5A12").data(), UNI(44));
  EXPECT_EQ(G_TRUETYPE_M_u32GetWidth(fish.data(), UNI(44)) + G_TRUETYPE_M_u32GetWidth(W(u"12").data(), UNI(44)),
            mixed);
  SetLanguage(LANGUAGE_ENGLISH);
  EXPECT_GT(mixed, G_TRUETYPE_M_u32GetWidth("12", BOLD(44)));
  // By size and style: a regular text stays regular, a bold one bold.
  auto sized = [](const std::string& text, U32 style) {
    Canvas canvas(300, 80);
    const POINT at = {5, 12};
    G_TRUETYPE_vPut(canvas.get(), text.data(), &at, kInk, 44, style);
    return std::vector<COLOR>(canvas.pixels(), canvas.pixels() + canvas.pixelCount());
  };
  const std::vector<COLOR> regular = sized("GPS", 1), bold = sized("GPS", 2);
  SetLanguage(LANGUAGE_JAPANESE);
  EXPECT_TRUE(sized(W(u"GPS"), 1) == regular) << "a regular text's Latin in the regular face";
  EXPECT_TRUE(sized(W(u"GPS"), 2) == bold);
  EXPECT_TRUE(sized(fish, 1) == wideFish) << "its wide characters from the Unicode face";
  SetLanguage(LANGUAGE_ENGLISH);
}

TEST_F(TrueTypeTest, ADomesticModelDrawsWideTextWithTheLatinFace) {
  H_DATABASE_bUpdateEverythingU32(FCID("SMDL"), MODEL_DOMESTIC, P_NORMAL, D_UNSIGNED32, nullptr, 0xFFFFFFFF);
  ASSERT_TRUE(MODEL_bDomesticModel());
  ASSERT_TRUE(G_TRUETYPE_bInit());
  SetLanguage(LANGUAGE_ENGLISH_UNICODE);
  Canvas canvas(200, 40);
  const std::string text = W(u"Fish");
  EXPECT_EQ((PIXEL)G_TRUETYPE_M_u32GetWidth(text.data(), arialuni_size17_font_def_ptr),
            Draw(canvas, text, arialuni_size17_font_def_ptr, {5, 10}));
  EXPECT_FALSE(canvas.changed().empty());
  H_DATABASE_vInit();
  ASSERT_FALSE(MODEL_bDomesticModel());
  ASSERT_TRUE(G_TRUETYPE_bInit());
}

}  // namespace

namespace {

struct EXTENT {
  PIXEL left = 1 << 30, right = -(1 << 30), bottom = 1 << 30, top = -(1 << 30);
};

EXTENT ExtentOf(const PIXELS& pixels) {
  EXTENT e;
  for (const XY& p : pixels) {
    e.left = std::min(e.left, p.first);
    e.right = std::max(e.right, p.first);
    e.bottom = std::min(e.bottom, p.second);
    e.top = std::max(e.top, p.second);
  }
  return e;
}

TEST_F(TrueTypeTest, RotatedTextLandsOnItsAnchorAndTurnsAboutItsCentre) {
  const FONT_DEF* font = myriad_pro_bold_size32_font_def_ptr;
  const POINT anchor = {300, 200};
  const POINT origin = {0, 0};
  Canvas straight(800, 480), level(800, 480), turned(800, 480);
  POINT at = anchor;
  G_TRUETYPE_M_vPut(straight.get(), "Depth", &at, kInk, font);
  G_TRUETYPE_M_vPutRotated(level.get(), "Depth", &anchor, kInk, font, &origin, 0.0);
  const EXTENT a = ExtentOf(straight.changed()), b = ExtentOf(level.changed());
  ASSERT_FALSE(level.changed().empty());
  // Unturned, the picture lies where the plain text lies, its faint fringe aside.
  EXPECT_NEAR(a.left, b.left, 1);
  EXPECT_NEAR(a.right, b.right, 1);
  EXPECT_NEAR(a.bottom, b.bottom, 1);
  EXPECT_NEAR(a.top, b.top, 1);

  G_TRUETYPE_M_vPutRotated(turned.get(), "Depth", &anchor, kInk, font, &origin, 1.5707963267948966);
  const EXTENT c = ExtentOf(turned.changed());
  ASSERT_FALSE(turned.changed().empty());
  // A quarter turn counter-clockwise swaps the ink's width and height.
  EXPECT_NEAR(a.right - a.left, c.top - c.bottom, 2);
  EXPECT_NEAR(a.top - a.bottom, c.right - c.left, 2);
}

TEST_F(TrueTypeTest, RotatedTextTooLargeForOnePictureIsNotDrawn) {
  Canvas canvas(800, 480);
  const std::string text(400, 'W');
  const POINT anchor = {10, 100}, origin = {0, 0};
  G_TRUETYPE_M_vPutRotated(canvas.get(), text.c_str(), &anchor, kInk, myriad_pro_bold_size161_font_def_ptr, &origin,
                           0.3);
  EXPECT_TRUE(canvas.changed().empty());
  G_TRUETYPE_M_vPutRotated(canvas.get(), nullptr, &anchor, kInk, myriad_pro_bold_size17_font_def_ptr, &origin, 0.3);
  EXPECT_TRUE(canvas.changed().empty());
}

}  // namespace
