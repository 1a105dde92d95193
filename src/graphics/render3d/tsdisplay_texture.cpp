// Ground textures are prepared ahead of drawing: tiled 512 x 512 textures from
// height and shade maps (optionally with an aerial photograph on high
// ground), shading, 24-bit resampling and half-size levels.
//
// RGB565 arithmetic is channel-parallel: a pixel spread to 32 bits with green
// moved to the upper half leaves gaps above each channel, so one multiply or
// add serves all three.

#include <stddef.h>

#include "tsdisplay.h"

constexpr u32 kSpreadMask = 0x07E0F81F;
constexpr i32 kSize = TS_TEXTURE_SIZE;

static inline u32 TEXTURE_u32Spread(u16 p) { return ((u32)p | (u32)p << 16) & kSpreadMask; }

static inline u16 TEXTURE_u16Fold(u32 spread) {
  spread &= kSpreadMask;
  return (u16)(spread | spread >> 16);
}

// Every channel times f / 32.
static inline u16 TEXTURE_u16Scale(u16 p, u32 f) { return TEXTURE_u16Fold((TEXTURE_u32Spread(p) * f) >> 5); }

void tsDisplay_FuseShadeHeight(u16* dst, u8* shadeMap, u8* heightMap, u16* colorMap) {
  for (i32 y = 0; y < kSize; y++) {
    const size_t row = (size_t)(kSize - 1 - y) * kSize;
    for (i32 x = 0; x < kSize; x++) {
      dst[TS_TexelIndex(x, y)] = colorMap[heightMap[row + x] * 256 + shadeMap[row + x]];
    }
  }
}

void tsDisplay_FusePhotoShadeHeight(u16* dst, u16* photoMap, u8* shadeMap, u8* heightMap, u16* colorMap, i32 enlarge) {
  for (i32 y = 0; y < kSize; y++) {
    const size_t row = (size_t)(kSize - 1 - y) * kSize;
    // The photograph runs top row first, one pixel per output pixel, or one
    // per 2 x 2 output pixels when enlarged.
    const u16* photo = enlarge ? photoMap + (size_t)(y >> 1) * (kSize / 2) : photoMap + (size_t)y * kSize;
    for (i32 x = 0; x < kSize; x++) {
      const u8 h = heightMap[row + x], s = shadeMap[row + x];
      u16 texel;
      if (h <= 128) {
        texel = colorMap[h * 256 + s];
      } else {
        // The brightest shade still keeps 31/32.
        texel = TEXTURE_u16Scale(photo[enlarge ? x >> 1 : x], (u32)(s < 239 ? s + 16 : 255) >> 3);
      }
      dst[TS_TexelIndex(x, y)] = texel;
    }
  }
}

void tsDisplay_Shade(u16* land, u8* shade) {
  for (i32 y = 0; y < 256; y++) {
    for (i32 x = 0; x < 256; x++) {
      const u8 s = shade[(size_t)(2 * y) * kSize + 2 * x];
      u16* p = &land[(size_t)y * 256 + x];
      *p = TEXTURE_u16Scale(*p, (u32)(s < 223 ? s + 33 : 256) >> 3);
    }
  }
}

// Point sampling of a 24-bit image (R, G, B bytes, row-major) into 512 x 512.
static void TEXTURE_vDownScale24(u16* dst, i32 width, i32 height, const void* pixels, bool flip) {
  if (width <= 0 || height <= 0) return;
  const i32 stepX = width / kSize, stepY = height / kSize;
  const u8* src = (const u8*)pixels;
  for (i32 y = 0; y < kSize; y++) {
    const u8* row = src + (size_t)y * stepY * width * 3;
    u16* out = dst + (size_t)(flip ? kSize - 1 - y : y) * kSize;
    for (i32 x = 0; x < kSize; x++) {
      const u8* p = row + (size_t)x * stepX * 3;
      out[x] = (u16)((p[0] & 0xF8) << 8 | (p[1] & 0xFC) << 3 | p[2] >> 3);
    }
  }
}

void tsDisplay_DownScale24(u16* dst, i32 width, i32 height, void* pixels) {
  TEXTURE_vDownScale24(dst, width, height, pixels, false);
}

void tsDisplay_FlipDownScale24(u16* final, i32 width, i32 height, void* pixels) {
  TEXTURE_vDownScale24(final, width, height, pixels, true);
}

void tsDisplay_UpScale24(u8* dst, i32 width, i32 height, void* pixels) {
  if (width <= 0 || height <= 0) return;
  const u16* src = (const u16*)pixels;
  const size_t count = (size_t)width * height;
  for (size_t i = 0; i < count; i++) {
    dst[3 * i] = (u8)((src[i] & 0xF800) >> 8);
    dst[3 * i + 1] = (u8)((src[i] & 0x07E0) >> 3);
    dst[3 * i + 2] = (u8)((src[i] & 0x1F) << 3);
  }
}

// w x h to w/2 x h/2: 2 x 2 averages, except that the last column copies
// the top-left pixel of its block and the last row averages only the top
// pair of each block.
static void TEXTURE_vHalve(u16* dst, const u16* src, i32 w, i32 h) {
  const i32 ow = w / 2, oh = h / 2;
  if (ow < 1 || oh < 1) return;
  for (i32 oy = 0; oy < oh; oy++) {
    const u16* top = src + (size_t)(2 * oy) * w;
    const u16* bottom = top + w;
    u16* out = dst + (size_t)oy * ow;
    const bool lastRow = oy == oh - 1;
    for (i32 ox = 0; ox < ow - 1; ox++) {
      const u32 pair = TEXTURE_u32Spread(top[2 * ox]) + TEXTURE_u32Spread(top[2 * ox + 1]);
      if (lastRow) {
        out[ox] = TEXTURE_u16Fold(pair >> 1);
      } else {
        out[ox] =
            TEXTURE_u16Fold((pair + TEXTURE_u32Spread(bottom[2 * ox]) + TEXTURE_u32Spread(bottom[2 * ox + 1])) >> 2);
      }
    }
    out[ow - 1] = top[2 * (ow - 1)];
  }
}

void tsDisplay_DownScale(u16* dst, i32 width, i32 height, void* pixels) {
  TEXTURE_vHalve(dst, (const u16*)pixels, width, height);
}

void tsDisplay_CreateMipMap(u16* dst, i32 width, i32 height, void* pixels, i32 levels) {
  (void)pixels;  // level 0 is the image already in dst
  u16* level = dst;
  i32 w = width, h = height;
  for (i32 k = 0; k < levels && w > 0 && h > 0; k++) {
    u16* next = level + (size_t)w * h;
    TEXTURE_vHalve(next, level, w, h);
    level = next;
    w /= 2;
    h /= 2;
  }
}
