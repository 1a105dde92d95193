#include <gtest/gtest.h>

#include <string.h>

#include <random>
#include <vector>

#include "tsdisplay.h"

namespace {

constexpr size_t kTexels = 512 * 512;

// Each channel of an RGB565 pixel times f / 32, channel by channel.
u16 Scaled(u16 p, u32 f) {
  const u32 r = (p >> 11) * f >> 5, g = ((p >> 5) & 63) * f >> 5, b = (p & 31) * f >> 5;
  return (u16)(r << 11 | g << 5 | b);
}

std::vector<u8> Random(size_t n, u32 seed) {
  std::mt19937 rng(seed);
  std::vector<u8> v(n);
  for (u8& b : v) b = (u8)rng();
  return v;
}

TEST(Render3dTerrain, FusedTexturesAreTiledAndReadTheMapsBottomUp) {
  std::vector<u8> height = Random(kTexels, 1), shade = Random(kTexels, 2);
  std::vector<u16> colors(65536), photo(kTexels), fused(kTexels), withPhoto(kTexels), enlarged(kTexels);
  for (size_t i = 0; i < colors.size(); i++) colors[i] = (u16)(i * 7919);
  for (size_t i = 0; i < photo.size(); i++) photo[i] = (u16)(i * 40503 + 11);
  tsDisplay_FuseShadeHeight(fused.data(), shade.data(), height.data(), colors.data());
  tsDisplay_FusePhotoShadeHeight(withPhoto.data(), photo.data(), shade.data(), height.data(), colors.data(), 0);
  tsDisplay_FusePhotoShadeHeight(enlarged.data(), photo.data(), shade.data(), height.data(), colors.data(), 1);
  for (i32 y = 0; y < 512; y++) {
    for (i32 x = 0; x < 512; x++) {
      const size_t map = (size_t)(511 - y) * 512 + x;
      const u8 h = height[map], s = shade[map];
      const i32 at = TS_TexelIndex(x, y);
      ASSERT_EQ(colors[h * 256 + s], fused[at]) << x << "," << y;
      // High ground shows the photograph, the brightest shade keeping 31/32.
      const u32 f = (s < 239 ? s + 16u : 255u) >> 3;
      ASSERT_EQ(h <= 128 ? fused[at] : Scaled(photo[(size_t)y * 512 + x], f), withPhoto[at]) << x << "," << y;
      ASSERT_EQ(h <= 128 ? fused[at] : Scaled(photo[(size_t)(y / 2) * 256 + x / 2], f), enlarged[at]);
    }
  }
  EXPECT_EQ(0, TS_TexelIndex(0, 0));
  EXPECT_EQ(8192 + 256 + 16 + 1, TS_TexelIndex(17, 17));
}

TEST(Render3dTerrain, ShadingTakesEverySecondSampleOfTheShadeMap) {
  std::vector<u16> land(256 * 256, 0xFFFF);
  std::vector<u8> shade(kTexels, 0);
  // Odd rows and columns, never read, are bright; read samples run 0..255.
  for (size_t i = 0; i < kTexels; i++) {
    const size_t y = i / 512, x = i % 512;
    shade[i] = (y % 2 || x % 2) ? 255 : (u8)(y / 2);
  }
  tsDisplay_Shade(land.data(), shade.data());
  EXPECT_EQ(Scaled(0xFFFF, 4), land[0]);  // shade 0: 4/32
  EXPECT_EQ(0x18E3, land[0]);
  EXPECT_EQ(Scaled(0xFFFF, (100 + 33) >> 3), land[100 * 256 + 5]);
  for (i32 y = 223; y < 256; y++) EXPECT_EQ(0xFFFF, land[(size_t)y * 256 + 7]) << y;
}

TEST(Render3dTerrain, TwentyFourBitImagesAreSampledAndExpanded) {
  // 1024 x 1024 source: every second pixel of every second row.
  std::vector<u8> src(1024 * 1024 * 3);
  for (size_t i = 0; i < 1024 * 1024; i++) {
    src[3 * i] = (u8)(i / 1024), src[3 * i + 1] = (u8)(i % 1024), src[3 * i + 2] = (u8)(i % 1024 >> 2);
  }
  std::vector<u16> down(kTexels), flipped(kTexels);
  tsDisplay_DownScale24(down.data(), 1024, 1024, src.data());
  tsDisplay_FlipDownScale24(flipped.data(), 1024, 1024, src.data());
  for (i32 y = 0; y < 512; y += 3) {
    for (i32 x = 0; x < 512; x += 5) {
      const u8* p = &src[((size_t)2 * y * 1024 + 2 * x) * 3];
      const u16 expected = (u16)((p[0] & 0xF8) << 8 | (p[1] & 0xFC) << 3 | p[2] >> 3);
      ASSERT_EQ(expected, down[(size_t)y * 512 + x]) << x << "," << y;
      ASSERT_EQ(expected, flipped[(size_t)(511 - y) * 512 + x]) << x << "," << y;
    }
  }

  u16 pixels[3] = {0xFFFF, 0xF800, 0x07E1};
  u8 rgb[9];
  tsDisplay_UpScale24(rgb, 3, 1, pixels);
  const u8 expected[9] = {0xF8, 0xFC, 0xF8, 0xF8, 0, 0, 0, 0xFC, 0x08};
  EXPECT_EQ(0, memcmp(expected, rgb, sizeof rgb));
}

TEST(Render3dTerrain, HalvingAveragesBlocksCopiesTheLastColumnAndPairsTheLastRow) {
  // Blue values in a 4 x 4 image, and a red/blue block to show that channels
  // do not mix.
  const u16 src[16] = {4, 8, 20, 1, 6, 2, 3, 3, 10, 13, 30, 2, 0, 0, 0, 0};
  u16 out[5] = {0, 0, 0, 0, 0xBEEF};
  tsDisplay_DownScale(out, 4, 4, (void*)src);
  EXPECT_EQ(5, out[0]);   // (4 + 8 + 6 + 2) / 4
  EXPECT_EQ(20, out[1]);  // copy of the block's top-left
  EXPECT_EQ(11, out[2]);  // (10 + 13) / 2
  EXPECT_EQ(30, out[3]);
  EXPECT_EQ(0xBEEF, out[4]);

  const u16 mixed[16] = {0xF800, 0xF800, 0, 0, 0x001F, 0x001F};
  tsDisplay_DownScale(out, 4, 4, (void*)mixed);
  EXPECT_EQ(0x780F, out[0]);

  // An 8 x 8 image and three levels after it: 4 x 4, 2 x 2, 1 x 1.
  std::vector<u16> chain(64 + 16 + 4 + 1 + 1, 0xBEEF);
  for (u16 i = 0; i < 64; i++) chain[i] = (u16)(i % 8 == 0 ? 8 : 0);
  tsDisplay_CreateMipMap(chain.data(), 8, 8, nullptr, 3);
  EXPECT_EQ(4, chain[64]);           // (8 + 0 + 8 + 0) / 4
  EXPECT_EQ(0, chain[64 + 3]);       // last column: copy of source column 6
  EXPECT_EQ(2, chain[80]);           // (4 + 0 + 4 + 0) / 4
  EXPECT_EQ(chain[80], chain[84]);   // width 1: the copied top-left
  EXPECT_EQ(0xBEEF, chain[85]);
  tsDisplay_CreateMipMap(chain.data(), 8, 8, nullptr, 0);
  EXPECT_EQ(0xBEEF, chain[85]);
}

}  // namespace
