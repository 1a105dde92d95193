#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "canvas.h"
#include "color.h"
#include "g_icon.h"
#include "u_rle.h"

namespace {

// Distinct colours for the 16 indexes, none equal to the background.
const COLOR kPalette[16] = {0x0001, 0x1002, 0x2003, 0x3004, 0x4005, 0x5006, 0x6007, 0x7008,
                            0x8009, 0x900A, 0xA00B, 0xB00C, 0xC00D, 0xD00E, 0xE00F, 0xF010};

class Icon : public ::testing::Test {
 protected:
  void SetUp() override { G_ICON_vSetIconPalette(kPalette); }
  void TearDown() override { G_ICON_vSetIconPalette(gCOLOR_pcolColorTable + 80); }
};

int Hex(char c) { return c <= '9' ? c - '0' : c - 'a' + 10; }

// The canvas holds the picture whose rows (top row first, at logical row
// yTop) give palette indexes in hex, '.' for an untouched pixel.
::testing::AssertionResult Shows(const Canvas& c, PIXEL xLeft, PIXEL yTop, const std::vector<std::string>& rows) {
  std::string actual;
  bool same = true;
  for (size_t r = 0; r < rows.size(); r++) {
    for (size_t i = 0; i < rows[r].size(); i++) {
      const COLOR got = c.at(xLeft + (PIXEL)i, yTop - (PIXEL)r);
      char ch = '?';
      if (got == kBackground) ch = '.';
      for (int k = 0; k < 16; k++) {
        if (got == kPalette[k]) ch = "0123456789abcdef"[k];
      }
      actual += ch;
      same = same && ch == rows[r][i];
    }
    actual += '\n';
  }
  const size_t drawn = c.changed().size();
  size_t expected = 0;
  for (const std::string& row : rows) expected += row.size() - (size_t)std::count(row.begin(), row.end(), '.');
  if (same && drawn == expected) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "actual (" << drawn << " pixels changed)\n" << actual;
}

std::vector<U8> Nibbles(const std::string& hex) {
  std::vector<U8> out((hex.size() + 1) / 2, 0);
  for (size_t i = 0; i < hex.size(); i++) out[i / 2] |= (U8)(Hex(hex[i]) << ((i & 1) ? 0 : 4));
  return out;
}

// The nibbles coded with the run-length writer, exactly sized.
std::vector<U8> Coded(const std::string& hex) {
  std::string even = hex.size() % 2 ? hex + "0" : hex;
  std::vector<U8> in = Nibbles(even), out(in.size());
  const int n = U_RLE_NIBBLE_nCompress(in.data(), out.data(), (int)in.size());
  EXPECT_GT(n, 0) << hex;
  out.resize((size_t)n);
  return out;
}

TEST_F(Icon, PaddedBitmapReadsWordNibblesAndHonoursItsMask) {
  // 3 x 2, rows 8 pixels apart: "12f" over "4c5"; mask hides the top middle.
  U32 words[2] = {0x12F00000, 0x4C500000}, maskWords[2] = {0x0F000000, 0x00000000};
  BITMAP bitmap = {}, mask = {};
  bitmap.pBuffer = words;
  bitmap.__u32PixelWidthOfBuffer = 8;
  mask = bitmap;
  mask.pBuffer = maskWords;
  ICON icon = {&bitmap, nullptr, 3, 2, ICON_PADDED_BITMAPS};
  Canvas c(8, 8);
  POINT at = {2, 3};
  G_ICON_vPut(c.get(), &icon, &at);
  EXPECT_TRUE(Shows(c, 2, 4, {"12f", "4c5"}));
  Canvas m(8, 8);
  icon.pMask = &mask;
  G_ICON_vPut(m.get(), &icon, &at);
  EXPECT_TRUE(Shows(m, 2, 4, {"1.f", "4c5"}));
}

TEST_F(Icon, UnpaddedRowsOfOddWidthShareTheirMiddleByte) {
  const std::vector<U8> pixels = Nibbles("123456"), mask = Nibbles("0f00f0");
  const U8 transparent = 5;
  const struct {
    ICON_COMPRESSION kind;
    const void* mask;
    std::vector<std::string> shows;
  } rows[] = {
      {ICON_UNPADDED_BUFFERS, nullptr, {"123", "456"}},
      {ICON_UNPADDED_BUFFERS, mask.data(), {"1.3", "4.6"}},
      {ICON_TRANSPARENT_COLOR, &transparent, {"123", "4.6"}},
      {ICON_TRANSPARENT_COLOR, nullptr, {"...", "..."}},
  };
  for (const auto& row : rows) {
    ICON icon = {pixels.data(), row.mask, 3, 2, row.kind};
    Canvas c(6, 6);
    POINT at = {1, 1};
    G_ICON_vPut(c.get(), &icon, &at);
    EXPECT_TRUE(Shows(c, 1, 2, row.shows));
  }
}

TEST_F(Icon, RunLengthKindsDrawIndex15UnlessMaskedOrTransparent) {
  const std::string picture = "fffff77777777777fffff0000";  // 5 x 5
  const std::vector<U8> pixels = Coded(picture), mask = Coded("0000000000fffff00000000000");
  const U8 transparent = 0xF;
  const struct {
    ICON_COMPRESSION kind;
    const void* mask;
    std::vector<std::string> shows;
  } rows[] = {
      {ICON_RLE_BUFFERS, nullptr, {"fffff", "77777", "77777", "7ffff", "f0000"}},
      {ICON_RLE_BUFFERS, mask.data(), {"fffff", "77777", ".....", "7ffff", "f0000"}},
      {ICON_RLE_TRANSPARENT_COLOR, &transparent, {".....", "77777", "77777", "7....", ".0000"}},
      {ICON_RLE_TRANSPARENT_COLOR, nullptr, {".....", ".....", ".....", ".....", "....."}},
  };
  for (const auto& row : rows) {
    ICON icon = {pixels.data(), row.mask, 5, 5, row.kind};
    Canvas c(8, 8);
    POINT at = {2, 1};
    G_ICON_vPut(c.get(), &icon, &at);
    EXPECT_TRUE(Shows(c, 2, 5, row.shows));
  }
}

TEST_F(Icon, QuarterTurnsCoverTheTurnedRectangle) {
  // 3 x 2: "123" over "456"; anchor (10, 10).
  const std::vector<U8> pixels = Nibbles("123456");
  ICON icon = {pixels.data(), nullptr, 3, 2, ICON_UNPADDED_BUFFERS};
  const struct {
    G_ICON_ROTATION rotation;
    PIXEL xLeft, yTop;
    std::vector<std::string> shows;
  } rows[] = {
      {G_ICON_ROTATE_0, 10, 11, {"123", "456"}},
      {G_ICON_ROTATE_90, 10, 10, {"41", "52", "63"}},  // x 10..11, y 8..10
      {G_ICON_ROTATE_180, 8, 10, {"654", "321"}},
      {G_ICON_ROTATE_270, 9, 12, {"36", "25", "14"}},
      {(G_ICON_ROTATION)7, 10, 11, {"123", "456"}},
  };
  for (const auto& row : rows) {
    Canvas c(20, 20);
    POINT at = {10, 10};
    G_ICON_vPutRotated(c.get(), &icon, &at, row.rotation);
    EXPECT_TRUE(Shows(c, row.xLeft, row.yTop, row.shows)) << row.rotation;
  }
}

TEST_F(Icon, AnglesSnapToQuarterTurnsByTruncation) {
  const std::vector<U8> pixels = Nibbles("123456");
  ICON icon = {pixels.data(), nullptr, 3, 2, ICON_UNPADDED_BUFFERS};
  const struct {
    double radians;
    G_ICON_ROTATION same;
  } rows[] = {
      {1.5708, G_ICON_ROTATE_90}, {0.7854, G_ICON_ROTATE_90}, {0.785, G_ICON_ROTATE_0},
      {3.1416, G_ICON_ROTATE_180}, {4.7124, G_ICON_ROTATE_270}, {5.5, G_ICON_ROTATE_0},
      {-1.5708, G_ICON_ROTATE_0}, {1e300, G_ICON_ROTATE_0},
  };
  for (const auto& row : rows) {
    Canvas turned(20, 20), expected(20, 20);
    POINT at = {10, 10}, centre = {99, 99};
    G_ICON_vPutRotatedAngle(turned.get(), &icon, &at, &centre, row.radians);
    G_ICON_vPutRotated(expected.get(), &icon, &at, row.same);
    EXPECT_PIXELS(expected.changed(), turned.changed()) << row.radians;
  }
}

TEST_F(Icon, OnlyTheVisiblePartIsDrawnAndNullOrBadIconsDrawNothing) {
  const std::vector<U8> pixels = Nibbles("123456");
  ICON icon = {pixels.data(), nullptr, 3, 2, ICON_UNPADDED_BUFFERS};
  Canvas c(10, 10);
  c->s32ClipLeft = 2;
  POINT at = {1, 0};
  G_ICON_vPut(c.get(), &icon, &at);
  EXPECT_PIXELS(Rect(2, 0, 3, 1), c.changed());

  Canvas none(10, 10);
  at = {2, 2};
  G_ICON_vPut(none.get(), nullptr, &at);
  const ICON bad[] = {{pixels.data(), nullptr, 0, 2, ICON_UNPADDED_BUFFERS},
                      {pixels.data(), nullptr, 3, -1, ICON_UNPADDED_BUFFERS},
                      {pixels.data(), nullptr, 3, 2, (ICON_COMPRESSION)6}};
  for (const ICON& b : bad) G_ICON_vPut(none.get(), &b, &at);
  EXPECT_TRUE(none.changed().empty());
  EXPECT_EQ(0u, G_ICON_u32GetWidth(nullptr));
  EXPECT_EQ(0u, G_ICON_u32GetHeight(nullptr));
  EXPECT_EQ(3u, G_ICON_u32GetWidth(&icon));
  EXPECT_EQ(2u, G_ICON_u32GetHeight(&icon));
}

TEST_F(Icon, ThirtyTwoBitIconsGoToTheImageDrawingAndNotToQuarterTurns) {
  const U8 stream[4] = {255, 0, 0, 255};
  ICON icon = {stream, nullptr, 1, 1, ICON_PNG_IMAGE32};
  Canvas c(4, 4);
  POINT at = {1, 2}, centre = {0, 0};
  G_ICON_vPutRotated(c.get(), &icon, &at, G_ICON_ROTATE_90);
  EXPECT_TRUE(c.changed().empty());
  G_ICON_vPut(c.get(), &icon, &at);
  EXPECT_EQ(0xF800, c.at(1, 2));
  at = {2, 2};
  G_ICON_vPutRotatedAngle(c.get(), &icon, &at, &centre, 0.0);
  EXPECT_EQ(0xF800, c.at(2, 2));
}

TEST_F(Icon, IconsFollowTheColourTableFromEntry80) {
  G_ICON_vSetIconPalette(gCOLOR_pcolColorTable + 80);
  const COLOR saved = gCOLOR_pcolColorTable[83];
  const std::vector<U8> pixels = Nibbles("3");
  ICON icon = {pixels.data(), nullptr, 1, 1, ICON_UNPADDED_BUFFERS};
  Canvas c(2, 2);
  POINT at = {0, 0};
  G_ICON_vPut(c.get(), &icon, &at);
  EXPECT_EQ(saved, c.at(0, 0));
  gCOLOR_pcolColorTable[83] = 0x1234;
  G_ICON_vPut(c.get(), &icon, &at);
  EXPECT_EQ(0x1234, c.at(0, 0));
  gCOLOR_pcolColorTable[83] = saved;
}

}  // namespace
