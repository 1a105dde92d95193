#include <gtest/gtest.h>
#include <string.h>

#include <random>
#include <vector>

#include "tsdisplay.h"

namespace {

constexpr size_t kTexels = 512 * 512;

// Each channel of an RGB565 pixel times f / 32, channel by channel.
u16 Scaled(u16 p, u32 f) {
  return (u16)(((p >> 11) * f >> 5) << 11 | ((p >> 5 & 63) * f >> 5) << 5 | (p & 31) * f >> 5);
}

TEST(Render3dTerrain, FusedTexturesAreTiledAndReadTheMapsBottomUp) {
  std::mt19937 rng(1);
  std::vector<u8> height(kTexels), shade(kTexels);
  for (size_t i = 0; i < kTexels; i++) height[i] = (u8)rng(), shade[i] = (u8)rng();
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
      const i32 at = ((y >> 4) << 13) + ((x >> 4) << 8) + ((y & 15) << 4) + (x & 15);
      ASSERT_EQ(colors[h * 256 + s], fused[at]) << x << "," << y;
      // High ground shows the photograph, the brightest shade keeping 31/32.
      const u32 f = (s < 239 ? s + 16u : 255u) >> 3;
      ASSERT_EQ(h <= 128 ? fused[at] : Scaled(photo[(size_t)y * 512 + x], f), withPhoto[at]) << x << "," << y;
      ASSERT_EQ(h <= 128 ? fused[at] : Scaled(photo[(size_t)(y / 2) * 256 + x / 2], f), enlarged[at]);
    }
  }
}

TEST(Render3dTerrain, ShadingTakesEverySecondSampleOfTheShadeMap) {
  std::vector<u16> land(256 * 256, 0xFFFF);
  std::vector<u8> shade(kTexels);
  // Odd rows and columns, never read, are dark; read samples run 0..255.
  for (size_t i = 0; i < kTexels; i++) shade[i] = (i / 512 % 2 || i % 2) ? 0 : (u8)(i / 1024);
  tsDisplay_Shade(land.data(), shade.data());
  EXPECT_EQ(0x18E3, land[0]);  // shade 0: 4/32
  EXPECT_EQ(Scaled(0xFFFF, (100 + 33) >> 3), land[100 * 256 + 5]);
  for (i32 y = 223; y < 256; y++) EXPECT_EQ(0xFFFF, land[(size_t)y * 256 + 7]) << y;
}

TEST(Render3dTerrain, TwentyFourBitImagesArePointSampled) {
  // 1024 x 1024 source: every second pixel of every second row.
  std::vector<u8> src(1024 * 1024 * 3);
  for (size_t i = 0; i < src.size(); i++) src[i] = (u8)(i * 2654435761u >> 13);
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
}

TEST(Render3dTerrain, HalvingAveragesBlocksCopiesTheLastColumnAndPairsTheLastRow) {
  // Blue values of a 4 x 4 image, then a red and blue block whose channels
  // must not mix.
  const u16 src[16] = {4, 8, 20, 1, 6, 2, 3, 3, 10, 13, 30, 2, 0, 0, 0, 0};
  const u16 mixed[16] = {0xF800, 0xF800, 0, 0, 0x001F, 0x001F};
  u16 out[5] = {0, 0, 0, 0, 0xBEEF};
  tsDisplay_DownScale(out, 4, 4, (void*)src);
  const u16 halved[5] = {5, 20, 11, 30, 0xBEEF};  // (4+8+6+2)/4, copy, (10+13)/2, copy
  EXPECT_EQ(0, memcmp(halved, out, sizeof out));
  tsDisplay_DownScale(out, 4, 4, (void*)mixed);
  EXPECT_EQ(0x780F, out[0]);

  // 8 x 8 and three levels after it: 4 x 4, 2 x 2, 1 x 1; none for 0 levels.
  std::vector<u16> chain(64 + 16 + 4 + 1 + 1, 0xBEEF);
  for (u16 i = 0; i < 64; i++) chain[i] = (u16)(i % 8 == 0 ? 8 : 0);
  tsDisplay_CreateMipMap(chain.data(), 8, 8, nullptr, 0);
  EXPECT_EQ(0xBEEF, chain[64]);
  tsDisplay_CreateMipMap(chain.data(), 8, 8, nullptr, 3);
  EXPECT_EQ(4, chain[64]);          // (8 + 0 + 8 + 0) / 4
  EXPECT_EQ(0, chain[64 + 3]);      // last column: copy of source column 6
  EXPECT_EQ(2, chain[80]);          // (4 + 0 + 4 + 0) / 4
  EXPECT_EQ(chain[80], chain[84]);  // width 1: the copied top-left
  EXPECT_EQ(0xBEEF, chain[85]);
}

}  // namespace
