#include <gtest/gtest.h>
#include <stdint.h>

#include <random>
#include <vector>

#include "canvas.h"
#include "g_line.h"
#include "g_pixel.h"
#include "h_memory.h"

namespace {

TEST(Bitmap, PitchAndBufferRowsAreRoundedUpToEven) {
  const U32 rows[][4] = {{5, 3, 6, 4}, {1, 1, 2, 2}, {800, 480, 800, 480}, {33, 17, 34, 18}};
  for (const U32* r : rows) {
    BITMAP* b = G_BUFFERS_pCreateBitmap(r[0], r[1], nullptr, nullptr);
    ASSERT_NE(nullptr, b->pBuffer);
    EXPECT_EQ(0u, (uintptr_t)b->pBuffer % 4);
    const U32 geometry[] = {b->__u32PixelWidthOfBuffer, b->__u32PixelHeightOfBuffer};
    EXPECT_EQ(r[2], geometry[0]) << r[0] << " x " << r[1];
    EXPECT_EQ(r[3], geometry[1]) << r[0] << " x " << r[1];
    const S32 w = (S32)r[0], h = (S32)r[1];
    const std::vector<S32> expected = {w, h, 0, h - 1, w - 1, 0, w, h, 0, h - 1, w - 1, 0};
    const std::vector<S32> actual = {
        b->pixels_wide, b->pixels_high, b->s32ClipLeft, b->s32ClipTop, b->s32ClipRight, b->s32ClipBottom,
        b->pixels_wide_full_screen, b->pixels_high_full_screen, b->s32ClipLeft_full_screen,
        b->s32ClipTop_full_screen, b->s32ClipRight_full_screen, b->s32ClipBottom_full_screen};
    EXPECT_EQ(expected, actual) << r[0] << " x " << r[1];
    // Every pixel of the memory, padding included, is the bitmap's to write.
    G_BMP_vSet(b, 0x1234);
    const COLOR* p = (const COLOR*)b->pBuffer;
    for (size_t i = 0; i < (size_t)r[2] * r[3]; i++) ASSERT_EQ(0x1234, p[i]) << i;
    G_BUFFERS_vFreeBitmap(b);
  }
}

TEST(Bitmap, LogicalOriginIsTheFirstPixelOfTheLastMemoryRow) {
  BITMAP* b = G_BUFFERS_pCreateFullScreenBitmap();
  ASSERT_NE(nullptr, b->pBuffer);
  EXPECT_EQ(800u, b->__u32PixelWidthOfBuffer);
  EXPECT_EQ(480u, b->__u32PixelHeightOfBuffer);
  G_BMP_vSet(b, 0);
  const COLOR* p = (const COLOR*)b->pBuffer;
  G_PIXEL_vPut(b, 0, 0, 0x1111);
  G_PIXEL_vPut(b, 0, 479, 0x2222);
  G_PIXEL_vPut(b, 799, 0, 0x3333);
  EXPECT_EQ(0x1111, p[479 * 800]);
  EXPECT_EQ(0x2222, p[0]);
  EXPECT_EQ(0x3333, p[479 * 800 + 799]);
  EXPECT_EQ(0x1111, G_PIXEL_colorGetPhysicalPixel(b, 0, 479));
  G_PIXEL_vPutDirect(b, 5, 7, 0x4444);
  EXPECT_EQ(0x4444, p[7 * 800 + 5]);
  G_BUFFERS_vFreeFullScreenBitmap(b);
}

TEST(Bitmap, FullScreenHeaderHasTheScreenGeometryAndNoPixels) {
  BITMAP* b = G_BUFFERS_pCreateFullScreenBitmapHeader();
  EXPECT_EQ(nullptr, b->pBuffer);
  EXPECT_EQ(800, b->pixels_wide_full_screen);
  EXPECT_EQ(480, b->pixels_high_full_screen);
  EXPECT_EQ(799, b->s32ClipRight);
  EXPECT_EQ(479, b->s32ClipTop);
  std::vector<COLOR> frame(800 * 480, 0);
  b->pBuffer = (U32*)frame.data();
  G_PIXEL_vPut(b, 1, 0, 0xABCD);
  EXPECT_EQ(0xABCD, frame[479 * 800 + 1]);
  G_BUFFERS_vFreeFullScreenBitmapHeader(b);
}

TEST(Bitmap, CallerMemoryAndHeaderStayTheCallers) {
  std::vector<U32> memory(6 * 4 / 2, 0);
  BITMAP header;
  BITMAP* b = G_BUFFERS_pCreateBitmap(5, 3, &header, memory.data());
  EXPECT_EQ(&header, b);
  EXPECT_EQ(memory.data(), b->pBuffer);

  // Pixels from the heap under a caller's header: releasing them must not
  // hand the header to the heap, which would be fatal.
  BITMAP own;
  ASSERT_EQ(&own, G_BUFFERS_pCreateBitmap(64, 64, &own, nullptr));
  ASSERT_NE(nullptr, own.pBuffer);
  G_BUFFERS_vFreeBitmap(&own);
  EXPECT_EQ(nullptr, own.pBuffer);
}

// Screens and sonar histories are larger than the heap's largest block; every
// size must come back on release, or the largest partition runs dry.
TEST(Bitmap, PixelsOfEverySizeGoBackOnRelease) {
  for (int round = 0; round < 3; round++) {
    BITMAP* b[10];
    for (int i = 0; i < 8; i++) b[i] = G_BUFFERS_pCreateBitmap(452, 452, nullptr, nullptr);  // largest blocks
    b[8] = G_BUFFERS_pCreateFullScreenBitmap();
    b[9] = G_BUFFERS_pCreateBitmap(820, 480, nullptr, nullptr);
    for (BITMAP* p : b) {
      ASSERT_NE(nullptr, p->pBuffer);
      G_BMP_vSet(p, 0xFFFF);
      G_BUFFERS_vFreeBitmap(p);
    }
  }
  void* blocks[8];
  for (void*& p : blocks) EXPECT_NE(nullptr, p = H_MEMORY_pvMallocNoWait(H_MEMORY_MAX_REQUEST));
  for (void* p : blocks) H_MEMORY_vFree(p);
}

TEST(Pixel, WritesOnEveryClipEdgeAndNothingBeyond) {
  Canvas c(40, 30);
  c->s32ClipLeft = 10;
  c->s32ClipRight = 20;
  c->s32ClipBottom = 5;
  c->s32ClipTop = 15;
  struct Row {
    PIXEL x, y;
    bool written;
  };
  const Row rows[] = {{10, 5, true},   {20, 15, true},  {10, 15, true}, {20, 5, true},  {9, 10, false},
                      {21, 10, false}, {15, 4, false},  {15, 16, false}, {-1, -1, false}, {INT32_MIN, INT32_MAX, false}};
  for (const Row& r : rows) {
    G_PIXEL_vPut(c.get(), r.x, r.y, kInk);
    G_PIXEL_vPutAlpha(c.get(), r.x, r.y, kInk, 0);
  }
  PIXELS expected;
  for (const Row& r : rows) {
    if (r.written) expected.insert({r.x, r.y});
  }
  EXPECT_PIXELS(expected, c.changed());
}

TEST(Pixel, NarrowedClipStillCountsRowsFromTheBottomOfTheWholeBitmap) {
  Canvas c(20, 10);
  c->s32ClipBottom = 5;  // the upper pane
  c->pixels_high = 5;
  G_PIXEL_vPut(c.get(), 3, 6, kInk);
  EXPECT_EQ(kInk, c.pixels()[(10 - 1 - 6) * 20 + 3]);
  G_PIXEL_vPut(c.get(), 3, 4, kInk);
  EXPECT_EQ(kBackground, c.pixels()[(10 - 1 - 4) * 20 + 3]);
}

TEST(Pixel, AlphaWeighsTheOldPixelPerChannel) {
  struct Row {
    COLOR colorNew, colorOld;
    U8 alpha;
    COLOR expected;
  };
  const Row rows[] = {
      {0xFFFF, 0x0000, 128, 0x7BEF},  // red 15, green 31, blue 15
      {0xFFFF, 0x0000, 0, 0xFFFF},    {0x1234, 0xFFFF, 0, 0x1234},
      {0xFFFF, 0x0000, 255, 0x0000},  // 31 / 256 of white truncates away
      {0x0000, 0xFFFF, 255, 0xF7DE},  // 255 / 256 of white: 30, 62, 30
      {0xF800, 0x07E0, 64, 0xB9E0},   // red 31 * 192 / 256 = 23, green 63 * 64 / 256 = 15
      {0x001F, 0xF800, 192, 0xB807},  // red 31 * 192 / 256 = 23, blue 31 * 64 / 256 = 7
  };
  for (const Row& r : rows) {
    Canvas c(2, 1, r.colorOld);
    G_PIXEL_vPutAlpha(c.get(), 0, 0, r.colorNew, r.alpha);
    EXPECT_EQ(r.expected, c.at(0, 0)) << std::hex << r.colorNew << " over " << r.colorOld << " alpha " << std::dec
                                    << (int)r.alpha;
  }
}

// Blended spans go eight pixels at a time after an aligned start; every
// length, start and weight must match the one-pixel blend.
TEST(Pixel, BlendedSpansMatchTheSinglePixelBlend) {
  std::mt19937 rng(11);
  Canvas span(64, 2), single(64, 2);
  for (int alpha = 0; alpha < 256; alpha++) {
    for (int trial = 0; trial < 8; trial++) {
      for (PIXEL x = 0; x < 64; x++) span.at(x, 0) = single.at(x, 0) = (COLOR)rng();
      const COLOR color = (COLOR)rng();
      const PIXEL x0 = (PIXEL)(rng() % 20), x1 = x0 + (PIXEL)(rng() % 44);
      POINT a = {x0, 0}, b = {x1, 0};
      G_LINE_vDrawAlpha(span.get(), color, &a, &b, (U8)alpha);
      for (PIXEL x = x0; x <= x1; x++) G_PIXEL_vPutAlpha(single.get(), x, 0, color, (U8)alpha);
      for (PIXEL x = 0; x < 64; x++) {
        ASSERT_EQ(single.at(x, 0), span.at(x, 0)) << "alpha " << alpha << " x " << x << " span " << x0 << ".." << x1;
      }
    }
  }
}

// Filled spans go sixteen pixels per store after a start brought to a
// 32-byte boundary, four stores at a time: every start and length sets
// exactly its own pixels.
TEST(Pixel, FilledSpansSetExactlyTheirPixelsAtEveryStartAndLength) {
  Canvas c(160, 1);
  for (PIXEL x0 = 0; x0 < 20; x0++) {
    for (PIXEL length = 1; length <= 140; length++) {
      G_BMP_vSet(c.get(), kBackground);
      POINT a = {x0, 0}, b = {x0 + length - 1, 0};
      G_LINE_vDraw(c.get(), kInk, &a, &b);
      for (PIXEL x = 0; x < 160; x++) {
        ASSERT_EQ(x >= a.x && x <= b.x ? kInk : kBackground, c.at(x, 0)) << "x " << x << " span " << a.x << ".." << b.x;
      }
    }
  }
}

}  // namespace
