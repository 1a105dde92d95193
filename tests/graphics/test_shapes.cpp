#include <gtest/gtest.h>

#include <vector>

#include "canvas.h"
#include "g_arc.h"
#include "g_box.h"
#include "g_circle.h"
#include "g_pixel.h"
#include "g_span.h"
#include "test_timing.h"

namespace {

constexpr COLOR kHalf = 0x7BEF;      // white over black at alpha 128
constexpr COLOR kHalfTwice = 0xBDF7;  // and again: 23, 47, 23

TEST(Box, OutlineAndFillCoverTheAnchoredRectangle) {
  Canvas c(40, 40);
  POINT at = {10, 20};
  G_BOX_vDraw(c.get(), kInk, &at, 5, 3);
  EXPECT_PIXELS(FromArt(10, 22, {"#####", "#...#", "#####"}), c.changed());
  G_BMP_vSet(c.get(), kBackground);
  G_BOX_vDrawFilled(c.get(), kInk, &at, 5, 3);
  EXPECT_PIXELS(Rect(10, 20, 14, 22), c.changed());
}

TEST(Box, BoxWithoutWidthOrHeightDrawsNothing) {
  Canvas c(20, 20);
  POINT at = {5, 5};
  const U32 sizes[2][2] = {{0, 4}, {4, 0}};
  for (const U32* s : sizes) {
    G_BOX_vDraw(c.get(), kInk, &at, s[0], s[1]);
    G_BOX_vDrawFilled(c.get(), kInk, &at, s[0], s[1]);
    G_BOX_vDrawAlpha(c.get(), kInk, &at, s[0], s[1], 0);
    G_BOX_vDrawFilledAlpha(c.get(), kInk, &at, s[0], s[1], 0);
    G_BOX_vDrawRounded(c.get(), kInk, &at, s[0], s[1], 0);
    G_BOX_vDrawRoundedFilled(c.get(), kInk, &at, s[0], s[1], 0);
    G_BOX_vDrawRoundedAlpha(c.get(), kInk, &at, s[0], s[1], 0, 0);
    G_BOX_vDrawRoundedFilledAlpha(c.get(), kInk, &at, s[0], s[1], 0, 0);
  }
  EXPECT_TRUE(c.changed().empty());
}

TEST(Box, BlendedOutlineBlendsItsCornersTwiceAndFillBlendsOnce) {
  Canvas c(30, 30, kBlack);
  POINT at = {3, 4};
  G_BOX_vDrawAlpha(c.get(), kWhite, &at, 6, 5, 128);
  EXPECT_PIXELS(PIXELS({{3, 4}, {8, 4}, {3, 8}, {8, 8}}), c.with(kHalfTwice));
  EXPECT_PIXELS(FromArt(3, 8, {".####.", "#....#", "#....#", "#....#", ".####."}), c.with(kHalf));
  G_BMP_vSet(c.get(), kBlack);
  G_BOX_vDrawFilledAlpha(c.get(), kWhite, &at, 6, 5, 128);
  EXPECT_PIXELS(Rect(3, 4, 8, 8), c.with(kHalf));
  EXPECT_EQ(c.changed(kBlack), c.with(kHalf));
}

TEST(Box, RoundedOutlineAndFillFollowTheCornerWalk) {
  Canvas c(40, 40);
  POINT at = {2, 3};
  const std::vector<std::string> outline = {
      "..########..",  //
      ".##......##.",  //
      "##........##",  //
      "#..........#",  //
      "#..........#",  //
      "#..........#",  //
      "##........##",  //
      ".##......##.",  //
      "..########..",
  };
  G_BOX_vDrawRounded(c.get(), kInk, &at, 12, 9, 3);
  EXPECT_PIXELS(FromArt(2, 11, outline), c.changed());
  G_BMP_vSet(c.get(), kBackground);
  G_BOX_vDrawRoundedFilled(c.get(), kInk, &at, 12, 9, 3);
  const std::vector<std::string> filled = {
      "..########..",  //
      ".##########.",  //
      "############",  //
      "############",  //
      "############",  //
      "############",  //
      "############",  //
      ".##########.",  //
      "..########..",
  };
  EXPECT_PIXELS(FromArt(2, 11, filled), c.changed());
}

// The blended rounded fill blends each pixel of its opaque twin exactly once,
// so a uniform background stays uniform wherever the shape lies.
void ExpectBlendedFillBlendsTheOpaquePixelsOnce(Canvas& opaque, Canvas& blended, POINT at, U32 w, U32 h, U32 r) {
  G_BMP_vSet(opaque.get(), kBlack);
  G_BMP_vSet(blended.get(), kBlack);
  G_BOX_vDrawRoundedFilled(opaque.get(), kWhite, &at, w, h, r);
  G_BOX_vDrawRoundedFilledAlpha(blended.get(), kWhite, &at, w, h, r, 128);
  const PIXELS shape = opaque.with(kWhite);
  ASSERT_EQ(shape, blended.with(kHalf)) << "opaque\n" << ToArt(shape) << "blended\n"
                                        << ToArt(blended.with(kHalf)) << "twice\n"
                                        << ToArt(blended.with(kHalfTwice));
  ASSERT_EQ(shape, blended.changed(kBlack));
}

// Corners up to wider and taller than the box itself: every size natively,
// an even spread of them with the smallest and largest in the slower runs.
TEST(Box, BlendedRoundedShapesCoverTheOpaqueShapes) {
  Canvas opaque(64, 64, kBlack), blended(64, 64, kBlack);
  for (U32 r = 0; r <= 12; r++) {
    const U32 sizes = 2 * r + 4;
    for (U32 w = 1; w <= sizes; w = 1 + TEST_u32NextCase(w - 1, sizes)) {
      for (U32 h = 1; h <= sizes; h = 1 + TEST_u32NextCase(h - 1, sizes)) {
        SCOPED_TRACE(testing::Message() << "width " << w << " height " << h << " radius " << r);
        POINT at = {30 - (PIXEL)w / 2, 30 - (PIXEL)h / 2};
        ExpectBlendedFillBlendsTheOpaquePixelsOnce(opaque, blended, at, w, h, r);
        if (HasFatalFailure()) return;

        G_BMP_vSet(opaque.get(), kBlack);
        G_BMP_vSet(blended.get(), kBlack);
        G_BOX_vDrawRounded(opaque.get(), kWhite, &at, w, h, r);
        G_BOX_vDrawRoundedAlpha(blended.get(), kWhite, &at, w, h, r, 128);
        ASSERT_EQ(opaque.with(kWhite), blended.changed(kBlack));
      }
    }
  }
}

// Tall boxes, some reaching past the bitmap's bottom and top, with corners
// of every proportion to the box.
TEST(Box, BlendedRoundedFillOfTallBoxesBlendsTheOpaquePixelsOnce) {
  Canvas opaque(48, 400, kBlack), blended(48, 400, kBlack);
  const U32 sizes[][3] = {{9, 300, 100}, {9, 300, 160}, {40, 390, 200}, {30, 520, 20}, {24, 700, 500}};
  for (const U32* s : sizes) {
    for (PIXEL y : {-170, 30}) {
      SCOPED_TRACE(testing::Message() << "width " << s[0] << " height " << s[1] << " radius " << s[2] << " at y " << y);
      ExpectBlendedFillBlendsTheOpaquePixelsOnce(opaque, blended, {10, y}, s[0], s[1], s[2]);
      if (HasFatalFailure()) return;
    }
  }
}

// Blending with black, as a pane is dimmed, keeps a / 256 of each channel,
// truncated: every colour at several weights, from an odd start and to an
// odd end so that no pixel escapes the vector steps' edges.
TEST(Box, BlendingWithBlackKeepsThatShareOfEachChannel) {
  std::vector<COLOR> row(65536 + 2);
  for (U32 a : {0u, 1u, 0x33u, 128u, 200u, 255u}) {
    for (U32 i = 0; i < row.size(); i++) row[i] = (COLOR)(i - 1);
    G_SPAN_vBlend(row.data() + 1, 65536 - 3, 0x0000, (U8)a);
    for (U32 c = 0; c < 65536 - 3; c++) {
      const U32 r = (c >> 11) * a >> 8, g = ((c >> 5) & 63) * a >> 8, b = (c & 31) * a >> 8;
      ASSERT_EQ((COLOR)(r << 11 | g << 5 | b), row[c + 1]) << a << " " << c;
    }
    EXPECT_EQ(0xFFFF, row[0]);
    EXPECT_EQ(65533, row[65534]);
  }
}

// A dimmed box goes two rows at a time where the rows share their alignment:
// an odd count of rows, and runs that start and end off the vector steps,
// in bitmaps whose rows are and are not a whole number of steps.
TEST(Box, DimmedBoxKeepsTheShareOfEachPixelInsideAndNothingOutside) {
  for (U32 width : {64u, 50u}) {
    Canvas c(width, 9);
    for (size_t i = 0; i < c.pixelCount(); i++) c.pixels()[i] = (COLOR)(i * 2654435761u >> 13);
    const std::vector<COLOR> before(c.pixels(), c.pixels() + c.pixelCount());
    POINT at = {3, 1};
    G_BOX_vDrawFilledAlpha(c.get(), 0x0000, &at, width - 7, 7, 0x33);
    for (PIXEL y = 0; y < 9; y++) {
      for (PIXEL x = 0; x < (PIXEL)width; x++) {
        const COLOR old = before[(size_t)(8 - y) * c->__u32PixelWidthOfBuffer + (size_t)x];
        const bool bInside = x >= 3 && x < (PIXEL)width - 4 && y >= 1 && y <= 7;
        const U32 r = (old >> 11) * 0x33 >> 8, g = ((old >> 5) & 63) * 0x33 >> 8, b = (old & 31) * 0x33 >> 8;
        ASSERT_EQ(bInside ? (COLOR)(r << 11 | g << 5 | b) : old, c.at(x, y)) << width << ": " << x << "," << y;
      }
    }
  }
}

TEST(Circle, OutlineAndFillOfDiameterTen) {
  Canvas c(40, 40);
  POINT centre = {10, 20};
  G_CIRCLE_vDraw(c.get(), kInk, &centre, 10);
  const std::vector<std::string> outline = {
      "....###....",  //
      "..##...##..",  //
      ".#.......#.",  //
      ".#.......#.",  //
      "#.........#",  //
      "#.........#",  //
      "#.........#",  //
      ".#.......#.",  //
      ".#.......#.",  //
      "..##...##..",  //
      "....###....",
  };
  EXPECT_PIXELS(FromArt(5, 25, outline), c.changed());
  EXPECT_TRUE(c.changed().count({10, 25}));  // topmost point: radius 5

  G_BMP_vSet(c.get(), kBackground);
  G_CIRCLE_vDrawFilled(c.get(), kInk, &centre, 10);
  const std::vector<std::string> filled = {
      "....###....",  //
      "..#######..",  //
      ".#########.",  //
      ".#########.",  //
      "###########",  //
      "###########",  //
      "###########",  //
      ".#########.",  //
      ".#########.",  //
      "..#######..",  //
      "....###....",
  };
  EXPECT_PIXELS(FromArt(5, 25, filled), c.changed());
}

TEST(Circle, BoundedOutlineRunsAlongTheBorderWhereTheOtherLeavesIt) {
  Canvas bounded(800, 200), unbounded(800, 200);
  POINT centre = {2, 100};
  G_CIRCLE_vDraw(bounded.get(), kInk, &centre, 20);
  G_CIRCLE_vDrawWithNoBound(unbounded.get(), kInk, &centre, 20);
  const PIXELS b = bounded.changed(), u = unbounded.changed();
  size_t column0Bounded = 0, column0Unbounded = 0;
  for (const XY& p : b) {
    if (p.first == 0) column0Bounded++;
    if (!u.count(p)) {
      EXPECT_EQ(0, p.first) << "extra pixel off the border at " << p.first << "," << p.second;
    }
  }
  for (const XY& p : u) {
    EXPECT_TRUE(b.count(p));
    if (p.first == 0) column0Unbounded++;
  }
  EXPECT_GT(column0Bounded, column0Unbounded + 8);
  EXPECT_TRUE(b.count({12, 100}) && u.count({12, 100}));
}

TEST(Circle, DiameterNegativeAsSignedDrawsNothing) {
  Canvas c(20, 20);
  POINT centre = {10, 10};
  G_CIRCLE_vDrawFilled(c.get(), kInk, &centre, 0x80000000u);
  G_CIRCLE_vDraw(c.get(), kInk, &centre, 0xFFFFFFFFu);
  EXPECT_TRUE(c.changed().empty());
  G_CIRCLE_vDrawFilled(c.get(), kInk, &centre, 0);
  EXPECT_PIXELS(PIXELS({{10, 10}}), c.changed());
}

PIXELS Arc(Canvas& c, float start, float end, U32 radius = 12) {
  G_BMP_vSet(c.get(), kBackground);
  POINT centre = {20, 20};
  G_ARC_vDraw(c.get(), kInk, &centre, radius, start, end);
  return c.changed();
}

TEST(Arc, OctantsAreCoveredFromTheStartToTheEndAngle) {
  Canvas c(40, 40);
  const PIXELS ring = Arc(c, 0, 359.9f);
  // The top of the ring from 30 to 150 degrees. The degree factor 0.017453
  // falls just short of pi / 180, which puts the 30-degree end at y + 5.
  const std::vector<std::string> top = {
      "........#####........",  //
      ".....####...####.....",  //
      "...###.........###...",  //
      "..##.............##..",  //
      ".##...............##.",  //
      "##.................##",  //
      "#...................#",  //
      "....................##",
  };
  EXPECT_PIXELS(FromArt(10, 32, top), Arc(c, 30, 150));

  // Across the x axis: octant 7 from its start upward, octant 0 up to its end.
  const PIXELS axis = Arc(c, 350, 10);
  EXPECT_PIXELS(FromArt(31, 22, {"##", ".#", ".#", ".#", "##", "#."}), axis);

  // Start after end inside one octant: everything but the gap between them
  // (rows y + 11 to y + 13 at radius 30).
  Canvas big(64, 64);
  const PIXELS wide = Arc(big, 0, 359.9f, 30), most = Arc(big, 30, 20, 30), gap = Arc(big, 20, 30, 30);
  size_t gapOnly = 0;
  for (const XY& p : gap) {
    EXPECT_TRUE(p.first > 20 && p.second > 20) << "gap pixel outside octant 0";
    if (!most.count(p)) {
      gapOnly++;
      EXPECT_TRUE(p.second >= 31 && p.second <= 33) << p.second;
    }
  }
  EXPECT_GT(gapOnly, 0u);
  PIXELS both = most;
  both.insert(gap.begin(), gap.end());
  EXPECT_EQ(wide, both);

  PIXELS quadrant = Arc(c, 0, 90);
  EXPECT_TRUE(quadrant.count({32, 20}) && quadrant.count({20, 32}));
  for (const XY& p : quadrant) EXPECT_TRUE(p.first >= 20 && p.second >= 20 && ring.count(p));
}

TEST(Arc, AnglesWrapAndNegativeAnglesOrNoRadiusDrawNothing) {
  Canvas c(40, 40);
  EXPECT_EQ(Arc(c, 10, 80), Arc(c, 370, 80));
  EXPECT_EQ(Arc(c, 10, 80), Arc(c, 10, 800));
  EXPECT_TRUE(Arc(c, -1, 90).empty());
  EXPECT_TRUE(Arc(c, 90, -1).empty());
  EXPECT_TRUE(Arc(c, 0, 90, 0).empty());
  EXPECT_TRUE(Arc(c, 0, __builtin_nanf(""), 10).empty());
  EXPECT_TRUE(Arc(c, __builtin_inff(), 90, 10).empty());
}

}  // namespace
