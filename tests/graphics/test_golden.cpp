#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "canvas.h"
#include "color.h"
#include "g_arc.h"
#include "g_box.h"
#include "g_circle.h"
#include "g_line.h"
#include "g_pixel.h"
#include "golden.h"

namespace {

COLOR Entry(U32 index) { return gCOLOR_pcolColorTable[index]; }

// One picture with every primitive, drawn in colours of the colour table.
void DrawTestCard(BITMAP* b) {
  G_BMP_vSet(b, Entry(107));  // dark blue

  // Boxes: outline, filled, blended fill and outline across them.
  POINT at = {4, 80};
  G_BOX_vDrawFilled(b, Entry(36), &at, 30, 24);
  at = {2, 78};
  G_BOX_vDraw(b, Entry(35), &at, 34, 28);
  at = {20, 70};
  G_BOX_vDrawFilledAlpha(b, Entry(40), &at, 30, 20, 96);
  at = {18, 68};
  G_BOX_vDrawAlpha(b, Entry(38), &at, 34, 24, 64);

  // Rounded boxes.
  at = {60, 84};
  G_BOX_vDrawRoundedFilled(b, Entry(39), &at, 40, 26, 8);
  at = {58, 82};
  G_BOX_vDrawRounded(b, Entry(35), &at, 44, 30, 10);
  at = {80, 70};
  G_BOX_vDrawRoundedFilledAlpha(b, Entry(41), &at, 36, 24, 6, 128);
  at = {78, 68};
  G_BOX_vDrawRoundedAlpha(b, Entry(38), &at, 40, 28, 8, 32);

  // Circles: outline, filled, one leaving the top edge unbounded and one
  // pulled onto the right edge.
  POINT centre = {136, 92};
  G_CIRCLE_vDrawFilled(b, Entry(37), &centre, 30);
  G_CIRCLE_vDraw(b, Entry(35), &centre, 38);
  centre = {120, 116};
  G_CIRCLE_vDrawWithNoBound(b, Entry(38), &centre, 16);
  centre = {158, 60};
  G_CIRCLE_vDraw(b, Entry(36), &centre, 20);

  // Arcs, one per octant pair, and one across the x axis.
  centre = {30, 30};
  G_ARC_vDraw(b, Entry(38), &centre, 24, 10, 80);
  G_ARC_vDraw(b, Entry(39), &centre, 20, 100, 170);
  G_ARC_vDraw(b, Entry(40), &centre, 16, 190, 260);
  G_ARC_vDraw(b, Entry(41), &centre, 12, 280, 350);
  G_ARC_vDraw(b, Entry(35), &centre, 26, 350, 10);

  // A fan of general lines, thick lines, dashes and a blended band.
  POINT from = {80, 30};
  for (int k = 0; k < 12; k++) {
    POINT to = {80 + (k - 6) * 5, 30 + ((k % 2) ? 24 : -26)};
    G_LINE_vDraw(b, Entry(80 + (U32)k), &from, &to);
  }
  POINT s = {110, 6}, e = {150, 40};
  G_LINE_vDrawThick(b, Entry(36), &s, &e, 4);
  s = {112, 50};
  e = {156, 50};
  G_LINE_vDrawThick(b, Entry(38), &s, &e, 3);
  s = {104, 4};
  e = {104, 56};
  G_LINE_vDrawPatterned(b, Entry(35), &s, &e, 0xF0F0);
  s = {0, 62};
  e = {159, 62};
  G_LINE_vDrawPatterned(b, Entry(39), &s, &e, 0xCCCC);
  for (PIXEL y = 0; y < 6; y++) {
    s = {0, 2 + y};
    e = {70, 2 + y};
    G_LINE_vDrawAlpha(b, Entry(35), &s, &e, (U8)(40 * y));
  }

  // Pixels, plain and blended.
  for (PIXEL k = 0; k < 16; k++) {
    G_PIXEL_vPut(b, 150 + (k % 4) * 2, 10 + (k / 4) * 2, Entry(80 + (U32)k));
    G_PIXEL_vPutAlpha(b, 151 + (k % 4) * 2, 11 + (k / 4) * 2, Entry(35), (U8)(k * 16));
  }

  // Copies: the boxes' corner placed again, and a small sprite with a
  // transparent colour.
  POINT src = {2, 78}, dest = {52, 104};
  G_BMP_vPlaceLogicalOnLogical(b, &dest, b, &src, 12, 12);
  Canvas sprite(6, 6, 0xF81F);
  for (PIXEL k = 0; k < 6; k++) {
    sprite.at(k, k) = Entry(38);
    sprite.at(5 - k, k) = Entry(36);
  }
  POINT corner = {0, 0};
  dest = {40, 108};
  G_BMP_vCopyPhysicalToLogical(b, &dest, sprite.get(), &corner, 6, 6, 0xF81F);
}

TEST(Golden, TestCardWithEveryPrimitive) {
  Canvas card(160, 120);
  DrawTestCard(card.get());
  EXPECT_TRUE(GOLDEN_MatchBitmap(std::string(GRAPHICS_GOLDEN_DIR) + "/test_card.png", card.get()));
}

class GoldenHelper : public ::testing::Test {
 protected:
  void SetUp() override {
    char dir[] = "/tmp/golden-helper-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(dir));
    m_dir = dir;
    const char* update = getenv("UPDATE_GOLDEN");
    if (update != nullptr) m_update = update;
    unsetenv("UPDATE_GOLDEN");
    setenv("GOLDEN_OUT_DIR", m_dir.c_str(), 1);
  }
  void TearDown() override {
    if (!m_update.empty()) setenv("UPDATE_GOLDEN", m_update.c_str(), 1);
    unsetenv("GOLDEN_OUT_DIR");
    std::filesystem::remove_all(m_dir);
  }
  std::string m_dir, m_update;
};

TEST_F(GoldenHelper, EveryRgb565ColourSurvivesThePngRoundTrip) {
  std::vector<COLOR> all(65536);
  for (U32 i = 0; i < 65536; i++) all[i] = (COLOR)i;
  const GOLDEN_PICTURE picture = {all.data(), 256, 256, 256};
  const std::string path = m_dir + "/all.png";
  std::string error;
  ASSERT_TRUE(GOLDEN_bWritePng(path, 256, 256, GOLDEN_rgbFromPicture(picture), &error)) << error;
  EXPECT_TRUE(GOLDEN_Match(path, picture));
  U32 w, h;
  std::vector<U8> rgb;
  ASSERT_TRUE(GOLDEN_bReadPng(path, &w, &h, &rgb, &error)) << error;
  for (U32 i = 0; i < 65536; i++) {
    const COLOR back = (COLOR)(((rgb[3 * i] >> 3) << 11) | ((rgb[3 * i + 1] >> 2) << 5) | (rgb[3 * i + 2] >> 3));
    ASSERT_EQ(i, back);
  }
  EXPECT_EQ(0xFF, rgb[3 * 0xFFFF]);
}

TEST_F(GoldenHelper, MismatchReportsCountAndBoxAndWritesActualAndDifference) {
  Canvas c(20, 10);
  const std::string path = m_dir + "/card.png";
  ASSERT_TRUE(GOLDEN_bWritePng(path, 20, 10,
                               GOLDEN_rgbFromPicture({c.pixels(), 20, 10, c->__u32PixelWidthOfBuffer}), nullptr));
  EXPECT_TRUE(GOLDEN_MatchBitmap(path, c.get()));

  G_PIXEL_vPut(c.get(), 3, 8, kInk);  // top-down row 1
  G_PIXEL_vPut(c.get(), 7, 2, kInk);  // top-down row 7
  const ::testing::AssertionResult result = GOLDEN_MatchBitmap(path, c.get());
  ASSERT_FALSE(result);
  const std::string message = result.message();
  EXPECT_NE(std::string::npos, message.find("2 pixel(s) differ")) << message;
  EXPECT_NE(std::string::npos, message.find("columns 3..7, rows 1..7")) << message;

  U32 w, h;
  std::vector<U8> actual, diff;
  ASSERT_TRUE(GOLDEN_bReadPng(m_dir + "/card.actual.png", &w, &h, &actual, nullptr));
  ASSERT_TRUE(GOLDEN_bReadPng(m_dir + "/card.diff.png", &w, &h, &diff, nullptr));
  EXPECT_EQ(0xFF, actual[(1 * 20 + 3) * 3]);
  const U8* red = &diff[(7 * 20 + 7) * 3];
  EXPECT_TRUE(red[0] == 255 && red[1] == 0 && red[2] == 0);
  const U8* same = &diff[0];
  EXPECT_TRUE(same[0] == same[1] && same[1] == same[2] && same[0] < 64);
}

// A test program run by hand from the source tree leaves its pictures in the
// build tree, not among the sources where they would be committed.
TEST_F(GoldenHelper, WithoutAnOutDirectoryTheMismatchGoesToTheBuildTree) {
  Canvas c(8, 8);
  const std::string name = "helper-" + std::to_string(getpid());
  const std::string path = m_dir + "/" + name + ".png";
  ASSERT_TRUE(GOLDEN_bWritePng(path, 8, 8, GOLDEN_rgbFromPicture({c.pixels(), 8, 8, c->__u32PixelWidthOfBuffer}),
                               nullptr));
  G_PIXEL_vPut(c.get(), 1, 1, kInk);
  unsetenv("GOLDEN_OUT_DIR");
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(m_dir);
  EXPECT_FALSE(GOLDEN_MatchBitmap(path, c.get()));
  std::filesystem::current_path(before);
  const std::string kept = std::string(VELMORA_BUILD_DIR) + "/golden-out/" + name;
  EXPECT_FALSE(std::filesystem::exists(m_dir + "/golden-out"));
  EXPECT_TRUE(std::filesystem::remove(kept + ".actual.png"));
  EXPECT_TRUE(std::filesystem::remove(kept + ".diff.png"));
}

TEST_F(GoldenHelper, MissingGoldenFailsUnlessBeingUpdated) {
  Canvas c(8, 8);
  const std::string path = m_dir + "/new.png";
  const ::testing::AssertionResult missing = GOLDEN_MatchBitmap(path, c.get());
  ASSERT_FALSE(missing);
  EXPECT_NE(std::string::npos, std::string(missing.message()).find("UPDATE_GOLDEN=1"));
  EXPECT_EQ(0, access((m_dir + "/new.actual.png").c_str(), F_OK));
  setenv("UPDATE_GOLDEN", "1", 1);
  EXPECT_TRUE(GOLDEN_MatchBitmap(path, c.get()));
  unsetenv("UPDATE_GOLDEN");
  EXPECT_TRUE(GOLDEN_MatchBitmap(path, c.get()));
}

}  // namespace
