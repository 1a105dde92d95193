#include <gtest/gtest.h>
#include <stdlib.h>

#include <random>

#include "canvas.h"
#include "g_line.h"
#include "g_pixel.h"

namespace {

PIXELS Line(Canvas& c, POINT a, POINT b) {
  G_BMP_vSet(c.get(), kBackground);
  G_LINE_vDraw(c.get(), kInk, &a, &b);
  return c.changed();
}

TEST(Line, GeneralLineTakesOnePixelPerColumnAndTheSameReversed) {
  Canvas c(16, 16);
  const PIXELS expected = FromArt(0, 3,
                                  {
                                      "......##",
                                      "....##..",
                                      "..##....",
                                      "##......",
                                  });
  EXPECT_PIXELS(expected, Line(c, {0, 0}, {7, 3}));
  EXPECT_PIXELS(expected, Line(c, {7, 3}, {0, 0}));
}

TEST(Line, SteepLineIsWalkedAlongY) {
  Canvas c(16, 16);
  const PIXELS expected = FromArt(0, 9, {"..#", "..#", "..#", ".#.", ".#.", ".#.", ".#.", "#..", "#..", "#.."});
  EXPECT_PIXELS(expected, Line(c, {0, 0}, {2, 9}));
  EXPECT_PIXELS(expected, Line(c, {2, 9}, {0, 0}));
}

TEST(Line, HorizontalAndVerticalLinesAreClampedToTheClip) {
  struct Row {
    const char* what;
    POINT a, b;
    PIXELS expected;
  };
  // Clip x 10..20, y 5..15 inside a 40 x 30 bitmap.
  const Row rows[] = {
      {"single point", {12, 12}, {12, 12}, {{12, 12}}},
      {"vertical through the clip", {12, 0}, {12, 29}, Rect(12, 5, 12, 15)},
      {"vertical downward", {12, 14}, {12, 9}, Rect(12, 9, 12, 14)},
      {"horizontal from outside", {-50, 7}, {17, 7}, Rect(10, 7, 17, 7)},
      {"horizontal leftward", {30, 7}, {15, 7}, Rect(15, 7, 20, 7)},
      {"vertical right of the clip", {21, 0}, {21, 29}, {}},
      {"horizontal above the clip", {0, 16}, {39, 16}, {}},
      // Wholly outside beyond one end: no stray pixel on the clip edge.
      {"vertical wholly above", {12, 20}, {12, 29}, {}},
      {"vertical wholly below", {12, -9}, {12, 4}, {}},
      {"horizontal wholly left", {-50, 7}, {9, 7}, {}},
      {"horizontal wholly right", {25, 7}, {39, 7}, {}},
      {"point above", {12, 16}, {12, 16}, {}},
  };
  Canvas c(40, 30);
  c->s32ClipLeft = 10;
  c->s32ClipRight = 20;
  c->s32ClipBottom = 5;
  c->s32ClipTop = 15;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    EXPECT_PIXELS(r.expected, Line(c, r.a, r.b));
  }
}

TEST(Line, LineBeyondTheScreenTopDrawsNothing) {
  Canvas c(800, 480);
  EXPECT_TRUE(Line(c, {5, 600}, {5, 700}).empty());
  EXPECT_PIXELS(Rect(5, 400, 5, 479), Line(c, {5, 400}, {5, 700}));
  EXPECT_PIXELS(Rect(0, 5, 50, 5), Line(c, {-50, 5}, {50, 5}));
}

// Random lines against what any line of one-pixel width must be.
TEST(Line, GeneralLinesAreThinConnectedCloseAndSymmetric) {
  std::mt19937 rng(3);
  Canvas c(64, 64);
  for (int trial = 0; trial < 3000; trial++) {
    POINT a = {(PIXEL)(rng() % 64), (PIXEL)(rng() % 64)};
    POINT b = {(PIXEL)(rng() % 64), (PIXEL)(rng() % 64)};
    if (a.x == b.x || a.y == b.y) continue;
    const PIXELS forward = Line(c, a, b);
    ASSERT_EQ(forward, Line(c, b, a)) << a.x << "," << a.y << " - " << b.x << "," << b.y;
    const PIXEL dx = abs(b.x - a.x), dy = abs(b.y - a.y);
    const bool steep = dy > dx;
    ASSERT_EQ((size_t)std::max(dx, dy) + 1, forward.size()) << a.x << "," << a.y << " - " << b.x << "," << b.y;
    ASSERT_TRUE(forward.count({a.x, a.y}) && forward.count({b.x, b.y}));
    std::map<PIXEL, PIXEL> minorByMajor;
    for (const XY& p : forward) {
      const PIXEL major = steep ? p.second : p.first, minor = steep ? p.first : p.second;
      ASSERT_TRUE(minorByMajor.emplace(major, minor).second) << "two pixels at one step";
      // Distance along the minor axis from the ideal line.
      const double t = steep ? (double)(major - a.y) / (b.y - a.y) : (double)(major - a.x) / (b.x - a.x);
      const double ideal = steep ? a.x + t * (b.x - a.x) : a.y + t * (b.y - a.y);
      ASSERT_LE(std::abs(minor - ideal), 0.5 + 1e-9) << a.x << "," << a.y << " - " << b.x << "," << b.y;
    }
    PIXEL previous = minorByMajor.begin()->second;
    for (const auto& [major, minor] : minorByMajor) {
      ASSERT_LE(abs(minor - previous), 1);
      previous = minor;
    }
  }
}

TEST(Line, ClippedGeneralLineKeepsThePixelsOfTheWholeLineInsideTheClip) {
  std::mt19937 rng(5);
  Canvas whole(80, 80), clipped(80, 80);
  clipped->s32ClipLeft = 20;
  clipped->s32ClipRight = 59;
  clipped->s32ClipBottom = 25;
  clipped->s32ClipTop = 50;
  const PIXELS clip = Rect(20, 25, 59, 50);
  for (int trial = 0; trial < 500; trial++) {
    POINT a = {(PIXEL)(rng() % 80), (PIXEL)(rng() % 80)};
    POINT b = {(PIXEL)(rng() % 80), (PIXEL)(rng() % 80)};
    PIXELS expected;
    for (const XY& p : Line(whole, a, b)) {
      if (clip.count(p)) expected.insert(p);
    }
    ASSERT_EQ(expected, Line(clipped, a, b)) << a.x << "," << a.y << " - " << b.x << "," << b.y;
  }
}

PIXELS Thick(Canvas& c, POINT a, POINT b, U8 thickness) {
  G_BMP_vSet(c.get(), kBackground);
  G_LINE_vDrawThick(c.get(), kInk, &a, &b, thickness);
  return c.changed();
}

PIXELS Shifted(const PIXELS& pixels, PIXEL dx, PIXEL dy) {
  PIXELS out;
  for (const XY& p : pixels) out.insert({p.first + dx, p.second + dy});
  return out;
}

PIXELS Union(std::initializer_list<PIXELS> sets) {
  PIXELS out;
  for (const PIXELS& s : sets) out.insert(s.begin(), s.end());
  return out;
}

TEST(Line, ThickLinesAreParallelCopiesWithTheExtraOneBelowOrLeft) {
  Canvas c(64, 64);
  EXPECT_TRUE(Thick(c, {5, 20}, {30, 20}, 0).empty());
  EXPECT_PIXELS(Rect(5, 20, 30, 20), Thick(c, {5, 20}, {30, 20}, 1));
  EXPECT_PIXELS(Rect(5, 19, 30, 21), Thick(c, {5, 20}, {30, 20}, 3));
  EXPECT_PIXELS(Rect(5, 18, 30, 21), Thick(c, {5, 20}, {30, 20}, 4));
  EXPECT_PIXELS(Rect(9, 5, 11, 30), Thick(c, {10, 5}, {10, 30}, 3));
  EXPECT_PIXELS(Rect(9, 9, 9, 9), Thick(c, {9, 9}, {9, 9}, 5));

  // At 45 degrees three pixels across take four copies: 3 / cos 45 = 4.2.
  const PIXELS diagonal = Line(c, {10, 10}, {40, 40});
  EXPECT_PIXELS(Union({Shifted(diagonal, 0, -2), Shifted(diagonal, 0, -1), diagonal, Shifted(diagonal, 0, 1)}),
                Thick(c, {10, 10}, {40, 40}, 3));
  // A steep line is widened along x.
  const PIXELS steep = Line(c, {20, 5}, {23, 40});
  EXPECT_PIXELS(Union({Shifted(steep, -1, 0), steep}), Thick(c, {20, 5}, {23, 40}, 2));
}

PIXELS Dashed(Canvas& c, POINT* a, POINT* b, PATTERN pattern) {
  G_BMP_vSet(c.get(), kBackground);
  G_LINE_vDrawPatterned(c.get(), kInk, a, b, pattern);
  return c.changed();
}

TEST(Line, PatternRepeatsEverySixteenPixelsFromTheStart) {
  Canvas c(40, 40);
  POINT a = {0, 5}, b = {15, 5};
  EXPECT_PIXELS(Union({Rect(0, 5, 3, 5), Rect(8, 5, 11, 5)}), Dashed(c, &a, &b, 0xF0F0));
  a = {15, 5}, b = {0, 5};
  EXPECT_PIXELS(Union({Rect(12, 5, 15, 5), Rect(4, 5, 7, 5)}), Dashed(c, &a, &b, 0xF0F0));
  a = {7, 2}, b = {7, 35};
  EXPECT_PIXELS(Union({Rect(7, 2, 7, 2), Rect(7, 18, 7, 18), Rect(7, 34, 7, 34)}), Dashed(c, &a, &b, 0x8000));
  a = {7, 35}, b = {7, 2};
  EXPECT_PIXELS(Union({Rect(7, 35, 7, 35), Rect(7, 19, 7, 19), Rect(7, 3, 7, 3)}), Dashed(c, &a, &b, 0x8000));
  a = {0, 0}, b = {15, 15};
  EXPECT_TRUE(Dashed(c, &a, &b, 0xFFFF).empty());
  a = {9, 9}, b = {9, 9};
  EXPECT_PIXELS(PIXELS({{9, 9}}), Dashed(c, &a, &b, 0x0000));
}

TEST(Line, PatternedLineClampsToTheWholeBitmapAndWritesTheEndsBack) {
  Canvas c(40, 40);
  c->s32ClipLeft = 10;  // a narrowed pane does not stop a patterned line
  c->s32ClipRight = 20;
  POINT a = {-5, 3}, b = {50, 3};
  EXPECT_PIXELS(Rect(0, 3, 39, 3), Dashed(c, &a, &b, 0xFFFF));
  EXPECT_EQ(0, a.x);
  EXPECT_EQ(39, b.x);
  a = {4, 60}, b = {4, 30};
  EXPECT_PIXELS(Union({Rect(4, 39, 4, 39), Rect(4, 31, 4, 31)}), Dashed(c, &a, &b, 0x8080));
  EXPECT_EQ(39, a.y);
  EXPECT_EQ(30, b.y);
  // Wholly outside: nothing, and the points are left alone.
  a = {4, 45}, b = {4, 60};
  EXPECT_TRUE(Dashed(c, &a, &b, 0xFFFF).empty());
  EXPECT_EQ(45, a.y);
  a = {40, 3}, b = {40, 30};
  EXPECT_TRUE(Dashed(c, &a, &b, 0xFFFF).empty());
}

TEST(Line, AlphaLinesBlendStraightRunsAndDrawOthersOpaque) {
  const COLOR white = 0xFFFF, black = 0x0000;
  Canvas c(32, 32, black);
  POINT a = {-4, 6}, b = {20, 6};
  G_LINE_vDrawAlpha(c.get(), white, &a, &b, 128);
  a = {25, 40}, b = {25, 3};
  G_LINE_vDrawAlpha(c.get(), white, &a, &b, 128);
  EXPECT_PIXELS(Union({Rect(0, 6, 20, 6), Rect(25, 3, 25, 31)}), c.with(0x7BEF));
  G_BMP_vSet(c.get(), black);
  a = {2, 2}, b = {12, 7};
  G_LINE_vDrawAlpha(c.get(), white, &a, &b, 255);
  EXPECT_EQ(11u, c.with(white).size());
  EXPECT_EQ(c.changed(black), c.with(white));
}

}  // namespace
