// Every drawing operation, thrown at random positions around a narrowed clip
// rectangle, must leave the band between the clip and the bitmap's edge, and
// the memory around the bitmap, untouched.

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "canvas.h"
#include "g_arc.h"
#include "g_box.h"
#include "g_circle.h"
#include "g_line.h"
#include "g_pixel.h"
#include "test_timing.h"

namespace {

constexpr U32 kW = 64, kH = 48, kGuardRows = 4;
constexpr COLOR kCanary = 0xDEAD;

class GuardedBitmap {
 public:
  GuardedBitmap() : m_memory((kH + 2 * kGuardRows) * kW, kCanary) {
    G_BUFFERS_pCreateBitmap(kW, kH, &m_bitmap, (const U32*)(m_memory.data() + kGuardRows * kW));
  }
  BITMAP* get() { return &m_bitmap; }
  void Reset(PIXEL left, PIXEL bottom, PIXEL right, PIXEL top) {
    std::fill(m_memory.begin(), m_memory.end(), kCanary);
    G_BMP_vSet(&m_bitmap, kBackground);
    m_bitmap.s32ClipLeft = m_bitmap.s32ClipLeft_full_screen = left;
    m_bitmap.s32ClipBottom = m_bitmap.s32ClipBottom_full_screen = bottom;
    m_bitmap.s32ClipRight = m_bitmap.s32ClipRight_full_screen = right;
    m_bitmap.s32ClipTop = m_bitmap.s32ClipTop_full_screen = top;
  }
  // The first pixel written outside the clip, as text; empty when none.
  std::string Stray() const {
    for (size_t i = 0; i < m_memory.size(); i++) {
      const size_t row = i / kW;
      if (row < kGuardRows || row >= kGuardRows + kH) {
        if (m_memory[i] != kCanary) return "memory beyond the bitmap, index " + std::to_string(i);
        continue;
      }
      const PIXEL x = (PIXEL)(i % kW), y = (PIXEL)(kH - 1 - (row - kGuardRows));
      const bool inside = x >= m_bitmap.s32ClipLeft && x <= m_bitmap.s32ClipRight && y >= m_bitmap.s32ClipBottom &&
                          y <= m_bitmap.s32ClipTop;
      if (!inside && m_memory[i] != kBackground) return "pixel " + std::to_string(x) + "," + std::to_string(y);
    }
    return "";
  }

 private:
  std::vector<COLOR> m_memory;
  BITMAP m_bitmap;
};

class Random {
 public:
  explicit Random(U32 seed) : m_rng(seed) {}
  S32 In(S32 lo, S32 hi) { return std::uniform_int_distribution<S32>(lo, hi)(m_rng); }
  // A co-ordinate near the bitmap, now and then far beyond the PIXEL range's
  // middle, where corner arithmetic could wrap.
  PIXEL Near(S32 size, bool allowFar) {
    if (allowFar && In(0, 99) == 0) return In(0, 1) ? INT32_MAX - In(0, 200) : INT32_MIN + In(0, 200);
    return In(-40, size + 40);
  }
  POINT Point(bool allowFar) { return {Near(kW, allowFar), Near(kH, allowFar)}; }
  U8 Byte() { return (U8)In(0, 255); }

 private:
  std::mt19937 m_rng;
};

TEST(Clip, NoOperationWritesOutsideTheClipRectangle) {
  GuardedBitmap g;
  Random rnd(2024);
  Canvas source(40, 40);
  for (size_t i = 0; i < source.pixelCount(); i++) source.pixels()[i] = (COLOR)(i * 7919);
  const COLOR ink = 0x07E0;
  const int kBatches = (int)TEST_u32Rounds(100);
  for (int batch = 0; batch < kBatches; batch++) {
    const PIXEL left = rnd.In(0, 30), bottom = rnd.In(0, 20);
    g.Reset(left, bottom, rnd.In(left, kW - 1), rnd.In(bottom, kH - 1));
    BITMAP* b = g.get();
    for (int op = 0; op < 1000; op++) {
      const int kind = rnd.In(0, 21);
      POINT p = rnd.Point(true), q = rnd.Point(false);
      if (kind <= 4) {
        // Straight lines half the time: their ends are clamped, not cut.
        if (rnd.In(0, 1)) q.x = p.x; else q.y = p.y;
        if (p.x != q.x && p.y != q.y) p = rnd.Point(false);
      } else {
        p = rnd.Point(kind >= 9);
      }
      const U32 w = (U32)rnd.In(0, 80), h = (U32)rnd.In(0, 60), r = (U32)rnd.In(0, 20);
      switch (kind) {
        case 0: case 5: G_LINE_vDraw(b, ink, &p, &q); break;
        case 1: case 6: G_LINE_vDrawThick(b, ink, &p, &q, (U8)rnd.In(0, 9)); break;
        case 2: case 7: G_LINE_vDrawAlpha(b, ink, &p, &q, rnd.Byte()); break;
        case 3: case 8: G_LINE_vDrawPatterned(b, ink, &p, &q, (PATTERN)rnd.In(0, 0xFFFF)); break;
        case 4: G_PIXEL_vPut(b, p.x, p.y, ink); G_PIXEL_vPutAlpha(b, q.x, q.y, ink, rnd.Byte()); break;
        case 9: G_BOX_vDraw(b, ink, &p, w, h); break;
        case 10: G_BOX_vDrawFilled(b, ink, &p, w, h); break;
        case 11: G_BOX_vDrawAlpha(b, ink, &p, w, h, rnd.Byte()); break;
        case 12: G_BOX_vDrawFilledAlpha(b, ink, &p, w, h, rnd.Byte()); break;
        case 13: G_BOX_vDrawRounded(b, ink, &p, w, h, r); break;
        case 14: G_BOX_vDrawRoundedFilled(b, ink, &p, w, h, r); break;
        case 15: G_BOX_vDrawRoundedAlpha(b, ink, &p, w, h, r, rnd.Byte()); break;
        case 16: G_BOX_vDrawRoundedFilledAlpha(b, ink, &p, w, h, r, rnd.Byte()); break;
        case 17: G_CIRCLE_vDraw(b, ink, &p, (U32)rnd.In(0, 150)); break;
        case 18: G_CIRCLE_vDrawWithNoBound(b, ink, &p, (U32)rnd.In(0, 150)); break;
        case 19: G_CIRCLE_vDrawFilled(b, ink, &p, (U32)rnd.In(0, 150)); break;
        case 20: G_ARC_vDraw(b, ink, &p, (U32)rnd.In(0, 80), (float)rnd.In(-10, 720), (float)rnd.In(-10, 720)); break;
        case 21: {
          p = rnd.Point(false);
          const U32 cw = (U32)rnd.In(0, 40), ch = (U32)rnd.In(0, 40);
          POINT from = {rnd.In(0, 40 - (S32)cw), rnd.In(0, 40 - (S32)ch)};
          G_BMP_vCopyPhysicalToLogical(b, &p, source.get(), &from, cw, ch,
                                       rnd.In(0, 1) ? G_BMP_NO_TRANSPARENCY : source.pixels()[7]);
          break;
        }
      }
      const std::string stray = g.Stray();
      ASSERT_EQ("", stray) << "batch " << batch << " operation " << op << " kind " << kind << " at " << p.x << ","
                           << p.y << " / " << q.x << "," << q.y << " size " << w << " x " << h << " radius " << r;
    }
  }
}

// The two block copies trust their caller to stay inside the destination;
// kept there, they touch nothing but the destination rectangle.
TEST(Clip, BlockCopiesInsideTheDestinationTouchOnlyItsRectangle) {
  GuardedBitmap g;
  Random rnd(77);
  Canvas source(kW, kH);
  for (size_t i = 0; i < source.pixelCount(); i++) source.pixels()[i] = (COLOR)(0x8000 | i);
  for (int op = 0; op < 2000; op++) {
    const PIXEL left = rnd.In(0, kW - 1), bottom = rnd.In(0, kH - 1);
    g.Reset(left, bottom, rnd.In(left, kW - 1), rnd.In(bottom, kH - 1));
    BITMAP* b = g.get();
    const U32 w = (U32)rnd.In(0, b->s32ClipRight - left + 1), h = (U32)rnd.In(0, b->s32ClipTop - bottom + 1);
    POINT to = {rnd.In(left, b->s32ClipRight + 1 - (S32)w), rnd.In(bottom, b->s32ClipTop + 1 - (S32)h)};
    POINT from = {rnd.In(0, kW - (S32)w), rnd.In(0, kH - (S32)h)};
    if (rnd.In(0, 1)) {
      G_BMP_vPlaceLogicalOnLogical(b, &to, source.get(), &from, w, h);
    } else {
      // Column bands cover every row, so the clip takes the full height.
      b->s32ClipBottom = 0;
      b->s32ClipTop = kH - 1;
      G_BMP_vCopyRegion(source.get(), b, from.x, to.x, w);
    }
    ASSERT_EQ("", g.Stray()) << "operation " << op;
  }
}

}  // namespace
