#include <gtest/gtest.h>
#include <math.h>

#include <random>
#include <string.h>
#include <vector>

#include "canvas.h"
#include "g_image32.h"

namespace {

constexpr COLOR kRed = 0xF800, kGreen = 0x07E0, kBlue = 0x001F;

typedef std::vector<U8> STREAM;

void Pixel(STREAM* s, U8 r, U8 g, U8 b, U8 a) { s->insert(s->end(), {r, g, b, a}); }
void RunOf(STREAM* s, U16 n) { s->insert(s->end(), {0x5A, (U8)(n & 0xFF), (U8)(n >> 8), 0}); }
// Widened by repeating the high bits, so that full channels stay 255.
void Opaque(STREAM* s, COLOR c) {
  const U32 r = c >> 11, g = (c >> 5) & 63, b = c & 31;
  Pixel(s, (U8)(r << 3 | r >> 2), (U8)(g << 2 | g >> 4), (U8)(b << 3 | b >> 2), 255);
}

IMAGE32 Image(const STREAM& s, S32 w, S32 h) { return {s.data(), nullptr, w, h, ICON_PNG_IMAGE32}; }
ICON IconOf(const STREAM& s, S32 w, S32 h) { return {s.data(), nullptr, w, h, ICON_PNG_IMAGE32}; }

// A w x h image whose pixel (i, j) is opaque red, green or blue by (i + j) % 3.
STREAM Stripes(S32 w, S32 h) {
  STREAM s;
  const COLOR colors[3] = {kRed, kGreen, kBlue};
  for (S32 j = 0; j < h; j++) {
    for (S32 i = 0; i < w; i++) Opaque(&s, colors[(i + j) % 3]);
  }
  return s;
}

TEST(Image32, OpaqueUnitIsWrittenExactlyAndOpacityZeroLeavesThePixel) {
  STREAM s;
  Pixel(&s, 200, 100, 50, 255);
  Pixel(&s, 1, 2, 3, 0);
  Canvas c(4, 4);
  POINT at = {1, 1};
  IMAGE32 image = Image(s, 2, 1);
  G_IMAGE32_vPut(c.get(), &image, &at);
  EXPECT_EQ(0xCB26, c.at(1, 1));
  EXPECT_EQ(kBackground, c.at(2, 1));
  ICON icon = IconOf(s, 2, 1);
  at = {1, 2};
  G_IMAGE32_vPutOld(c.get(), &icon, &at);
  EXPECT_EQ(0xCB26, c.at(1, 2));
  EXPECT_EQ(kBackground, c.at(2, 2));
}

TEST(Image32, PlainDrawingBlendsBy256AndTheIconDrawingBy255) {
  STREAM s;
  Pixel(&s, 255, 255, 255, 128);
  Canvas c(2, 2, kWhite);
  POINT at = {0, 0};
  IMAGE32 image = Image(s, 1, 1);
  G_IMAGE32_vPut(c.get(), &image, &at);
  EXPECT_EQ((30 << 11) | (62 << 5) | 30, c.at(0, 0));
  ICON icon = IconOf(s, 1, 1);
  at = {1, 1};
  G_IMAGE32_vPutOld(c.get(), &icon, &at);
  EXPECT_EQ(kWhite, c.at(1, 1));
}

// The blend of every pixel, by the rule itself, against the drawing's long
// stretches, their eight-pixel steps and their tails.
TEST(Image32, EveryPixelOfALongStretchFollowsTheBlendBy256) {
  std::mt19937 random(106);
  const S32 w = 37, h = 3;
  STREAM s;
  for (S32 i = 0; i < w * h; i++) {
    const U32 pick = random() % 4;
    const U8 a = pick == 0 ? 0 : pick == 1 ? 255 : (U8)random();
    Pixel(&s, (U8)random(), (U8)random(), (U8)random(), a);
  }
  Canvas c((U32)w, (U32)h);
  for (S32 y = 0; y < h; y++) {
    for (S32 x = 0; x < w; x++) c.at(x, y) = (COLOR)random();
  }
  std::vector<COLOR> before;
  for (S32 y = 0; y < h; y++) {
    for (S32 x = 0; x < w; x++) before.push_back(c.at(x, y));
  }
  IMAGE32 image = Image(s, w, h);
  POINT at = {0, 0};
  G_IMAGE32_vPut(c.get(), &image, &at);
  for (S32 i = 0; i < w * h; i++) {
    const U8* u = &s[4 * (size_t)i];
    const U32 old = before[(size_t)i], a = u[3], n = 255 - a;
    U32 expected = old;
    if (a == 255) {
      expected = ((u[0] & 0xF8u) << 8) | ((u[1] & 0xFCu) << 3) | (u[2] >> 3);
    } else if (a != 0) {
      expected = (((a * (u[0] >> 3) + n * (old >> 11)) >> 8) << 11) |
                 (((a * (u[1] >> 2) + n * ((old >> 5) & 63)) >> 8) << 5) | ((a * (u[2] >> 3) + n * (old & 31)) >> 8);
    }
    ASSERT_EQ(expected, c.at(i % w, i / w)) << "pixel " << i;
  }
}

TEST(Image32, AnImagePastTheClipIsDroppedWholeByPutButCutByPutOld) {
  const STREAM s = Stripes(4, 3);
  Canvas c(20, 10);
  c->s32ClipRight = 12;
  POINT at = {10, 2};  // one column wider than the three left of the clip edge
  IMAGE32 image = Image(s, 4, 3);
  G_IMAGE32_vPut(c.get(), &image, &at);
  EXPECT_TRUE(c.changed().empty());
  ICON icon = IconOf(s, 4, 3);
  G_IMAGE32_vPutOld(c.get(), &icon, &at);
  EXPECT_PIXELS(Rect(10, 2, 12, 4), c.changed());
  EXPECT_EQ(kGreen, c.at(11, 2));
  EXPECT_EQ(kBlue, c.at(11, 3));
}

TEST(Image32, RunsRepeatThePreviousPixelAndEndWithTheirRow) {
  STREAM s;
  RunOf(&s, 2);  // before any pixel: opaque black
  Pixel(&s, 0, 0, 0, 0);
  RunOf(&s, 1);  // repeats the invisible pixel: skips a column
  Pixel(&s, 255, 255, 255, 255);
  RunOf(&s, 10);  // four columns left in the row: the rest is dropped
  Opaque(&s, kRed);  // second row
  RunOf(&s, 0);
  RunOf(&s, 8);
  const S32 w = 9;
  for (int k = 0; k < 2; k++) {
    Canvas c(12, 4);
    POINT at = {1, 1};
    if (k == 0) {
      IMAGE32 image = Image(s, w, 2);
      G_IMAGE32_vPut(c.get(), &image, &at);
    } else {
      ICON icon = IconOf(s, w, 2);
      G_IMAGE32_vPutOld(c.get(), &icon, &at);
    }
    EXPECT_PIXELS(Rect(1, 1, 2, 1), c.with(kBlack));
    EXPECT_EQ(kBackground, c.at(3, 1));
    EXPECT_EQ(kBackground, c.at(4, 1));
    EXPECT_PIXELS(Rect(5, 1, 9, 1), c.with(kWhite));
    EXPECT_PIXELS(Rect(1, 2, 9, 2), c.with(kRed));
  }
}

TEST(Image32, RotationByZeroAboutTheOriginIsTheIdentity) {
  const STREAM s = Stripes(5, 4);
  Canvas expected(30, 30), actual(30, 30), old(30, 30);
  POINT at = {7, 9}, origin = {0, 0};
  IMAGE32 image = Image(s, 5, 4);
  G_IMAGE32_vPut(expected.get(), &image, &at);
  G_IMAGE32_vPutRotated(actual.get(), &image, &at, &origin, 0.0);
  ICON icon = IconOf(s, 5, 4);
  G_IMAGE32_vPutRotatedOld(old.get(), &icon, &at, &origin, 0.0);
  for (PIXEL y = 0; y < 30; y++) {
    for (PIXEL x = 0; x < 30; x++) {
      ASSERT_EQ(expected.at(x, y), actual.at(x, y)) << x << "," << y;
      ASSERT_EQ(expected.at(x, y), old.at(x, y)) << x << "," << y;
    }
  }
}

TEST(Image32, RotationTurnsCounterClockwiseAboutTheCentreOnTheAnchor) {
  STREAM s;
  Opaque(&s, kRed);
  Opaque(&s, kGreen);
  Opaque(&s, kBlue);
  Canvas c(30, 30);
  POINT anchor = {10, 10}, centre = {0, 0};
  IMAGE32 image = Image(s, 3, 1);
  G_IMAGE32_vPutRotated(c.get(), &image, &anchor, &centre, M_PI / 2);
  EXPECT_EQ(kRed, c.at(10, 10));
  EXPECT_EQ(kGreen, c.at(10, 11));
  EXPECT_EQ(kBlue, c.at(10, 12));
  EXPECT_EQ(3u, c.changed().size());
}

TEST(Image32, RotationLeavesTheFaintFringeUntouched) {
  for (U8 alpha : {1, 2}) {
    STREAM s;
    Pixel(&s, 0, 0, 0, alpha);
    Canvas c(8, 8, kWhite);
    POINT anchor = {3, 3}, centre = {0, 0};
    IMAGE32 image = Image(s, 1, 1);
    G_IMAGE32_vPutRotated(c.get(), &image, &anchor, &centre, 0.0);
    // Weight 1 x 65536 is at most 0x10000: nothing; weight 2 is written.
    EXPECT_EQ(alpha == 1 ? 0u : 1u, c.changed(kWhite).size());
  }
}

// A kept turned picture drawn at any anchor, over any background and clip,
// is what turning the image there afresh draws; it stays so after others
// push it out of the keeping and it is made again.
TEST(Image32, KeptTurnsDrawWhatAFreshTurnDraws) {
  std::mt19937 rng(57);
  auto any = [&](S32 lo, S32 hi) { return std::uniform_int_distribution<S32>(lo, hi)(rng); };
  // The keeping knows an image by its data, which must outlive the process's
  // pictures of it.
  static std::vector<STREAM> s_images;
  for (int i = 0; i < 6; i++) {
    STREAM s;
    const S32 n = 9 * 7;
    // Half of them opaque to the edge, so that their fringe reaches furthest.
    for (S32 k = 0; k < n; k++) {
      Pixel(&s, (U8)any(0, 255), (U8)any(0, 255), (U8)any(0, 255), i % 2 ? 255 : (U8)(any(0, 3) * 85));
    }
    s_images.push_back(s);
  }
  for (int round = 0; round < 400; round++) {
    const STREAM& data = s_images[(size_t)(round % 6)];
    const IMAGE32 image = Image(data, 9, 7);
    const ICON icon = IconOf(data, 9, 7);
    // Whole ten degrees as the chart turns its symbols, and any angle.
    const double angle = any(0, 1) ? any(0, 35) * 10 * M_PI / 180.0 : any(-7000, 7000) / 1000.0;
    const POINT centre = {any(-3, 12), any(-3, 10)}, anchor = {any(-12, 60), any(-12, 50)};
    const bool bOld = any(0, 1);
    Canvas fresh(50, 40), kept(50, 40);
    for (Canvas* c : {&fresh, &kept}) {
      std::mt19937 paint((unsigned)round);
      for (size_t k = 0; k < c->pixelCount(); k++) c->pixels()[k] = (COLOR)paint();
      (*c)->s32ClipLeft = round % 5;
      (*c)->s32ClipBottom = round % 7;
      (*c)->s32ClipRight = 49 - round % 3;
      (*c)->s32ClipTop = 39 - round % 4;
    }
    if (bOld) {
      G_IMAGE32_vPutRotatedOld(fresh.get(), &icon, &anchor, &centre, angle);
      G_IMAGE32_vPutRotatedOldKept(kept.get(), &icon, &anchor, &centre, angle);
    } else {
      G_IMAGE32_vPutRotated(fresh.get(), &image, &anchor, &centre, angle);
      G_IMAGE32_vPutRotatedKept(kept.get(), &image, &anchor, &centre, angle);
    }
    ASSERT_EQ(0, memcmp(fresh.pixels(), kept.pixels(), fresh.pixelCount() * sizeof(COLOR)))
        << "round " << round << " angle " << angle << " old " << bOld;
  }
}

TEST(Image32, HalfKeepsRowsByHeightAndColumnsByWidth) {
  const STREAM s = Stripes(6, 2);
  IMAGE32 image = Image(s, 6, 2);
  POINT at = {1, 1};
  Canvas left(10, 6);
  G_IMAGE32_vPut_Half(left.get(), &image, &at, 0, 1);
  EXPECT_PIXELS(Rect(1, 1, 4, 2), left.changed());
  Canvas top(10, 6);
  G_IMAGE32_vPut_Half(top.get(), &image, &at, 2, 2);
  EXPECT_PIXELS(Rect(4, 2, 6, 2), top.changed());
}

TEST(Image32, CroppedDrawingsKeepEachRowsOwnPixels) {
  const STREAM s = Stripes(3, 2);
  IMAGE32 image = Image(s, 3, 2);
  POINT at = {0, 0};
  Canvas c(5, 5);
  G_IMAGE32_PART_vPutNew(c.get(), &image, &at, 0.7f, 5.0f);
  EXPECT_PIXELS(Rect(0, 0, 1, 1), c.changed());
  EXPECT_EQ(kRed, c.at(0, 0));
  EXPECT_EQ(kGreen, c.at(0, 1));  // row 1 starts at its own first pixel
  EXPECT_EQ(kBlue, c.at(1, 1));

  std::vector<COLOR> plain = {kRed, kGreen, kBlue, kGreen, kBlue, kRed};
  IMAGE image16 = {plain.data(), nullptr, 3, 2, 0};
  for (float f : {0.7f, 3.0f}) {  // a fraction above 1 reads no further than the image
    Canvas p(5, 5);
    G_IMAGE_PART_vPut(p.get(), &image16, &at, f, f);
    const S32 n = f > 1 ? 3 : 2;
    EXPECT_PIXELS(Rect(0, 0, n - 1, f > 1 ? 1 : 0), p.changed());
    if (f > 1) {
      EXPECT_EQ(kGreen, p.at(0, 1));
      EXPECT_EQ(kRed, p.at(2, 1));
    }
  }
}

TEST(Image16, RunsRepeatTheRowsLastColourAndStartEachRowBlack) {
  std::vector<COLOR> s = {kRed, 0xFFFF, 2, kGreen,  // row 0: red x 3, green
                          0xFFFF, 9};               // row 1: black x 4, the rest dropped
  IMAGE image = {s.data(), nullptr, 4, 2, 0};
  Canvas c(6, 4);
  POINT at = {1, 1};
  G_IMAGE_vPut(c.get(), &image, &at);
  EXPECT_PIXELS(Rect(1, 1, 3, 1), c.with(kRed));
  EXPECT_EQ(kGreen, c.at(4, 1));
  EXPECT_PIXELS(Rect(1, 2, 4, 2), c.with(kBlack));

  Canvas n(6, 4);
  G_IMAGE_PART_vPutNew(n.get(), &image, &at, 0.5f, 0.5f);
  EXPECT_PIXELS(Rect(1, 1, 2, 1), n.changed());
}

TEST(Image32, PartKeepsOneSideOfTheLineThroughTheCentre) {
  const STREAM s = Stripes(8, 8);
  IMAGE32 image = Image(s, 8, 8);
  POINT at = {0, 0}, centre = {4, 10};
  const struct {
    U32 angle;
    PIXELS kept;
  } rows[] = {
      {90, Rect(0, 0, 3, 7)},   // a flat line above the image: left of the centre
      {270, Rect(0, 0, 4, 7)},  // the other side: not right of the centre
      {0, Rect(0, 0, 4, 7)},    // an infinite slope
      {180, Rect(0, 0, 3, 7)},  // a near-vertical line: all left of it is below
  };
  for (const auto& row : rows) {
    Canvas c(8, 8);
    G_IMAGE32_PART_vPut(c.get(), &image, &at, &centre, row.angle);
    EXPECT_PIXELS(row.kept, c.changed()) << row.angle;
  }
}

TEST(Image32, ConditionDrawsOnlyInsideTheSector) {
  const STREAM s = Stripes(21, 21);
  IMAGE32 image = Image(s, 21, 21);
  POINT at = {0, 0};
  POINT centre = {10, 10};
  const struct {
    float start, end;
    S32 direction;
  } rows[] = {{10, 80, 1}, {80, 10, -1}, {0, 450, 1}};
  for (const auto& row : rows) {
    Canvas c(21, 21);
    G_IMAGE32_vPutCondition(c.get(), &image, &at, 6, row.start, row.end, &centre, row.direction);
    PIXELS expected;
    for (PIXEL y = 0; y < 21; y++) {
      for (PIXEL x = 0; x < 21; x++) {
        const int dx = x - 10, dy = y - 10;
        const double degrees = atan2(dy, dx) * 180 / M_PI;
        const bool inside = row.end - row.start >= 360 || (dx == 0 && dy == 0) || (degrees > 10 && degrees < 80);
        if (dx * dx + dy * dy <= 36 && inside) expected.insert({x, y});
      }
    }
    EXPECT_PIXELS(expected, c.changed());
  }
}

}  // namespace
