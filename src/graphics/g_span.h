// Inner loops shared by the drawing modules: addressing, clip tests, the
// alpha blend and row and column runs. Internal to the graphics library;
// callers outside it use the G_PIXEL_, G_LINE_ and G_BOX_ operations.
#pragma once

#include <stddef.h>

#include "g_types.h"

// Address of logical (x, y); no checks.
static inline COLOR* G_SPAN_pcolAt(const BITMAP* pBitmap, PIXEL x, PIXEL y) {
  ptrdiff_t row = (ptrdiff_t)pBitmap->pixels_high_full_screen - 1 - y;
  return (COLOR*)pBitmap->pBuffer + row * (ptrdiff_t)pBitmap->__u32PixelWidthOfBuffer + x;
}

// Address of physical (x, memory row); no checks.
static inline COLOR* G_SPAN_pcolAtPhysical(const BITMAP* pBitmap, PIXEL x, PIXEL row) {
  return (COLOR*)pBitmap->pBuffer + (ptrdiff_t)row * (ptrdiff_t)pBitmap->__u32PixelWidthOfBuffer + x;
}

static inline bool G_SPAN_bInClip(const BITMAP* pBitmap, PIXEL x, PIXEL y) {
  return x >= pBitmap->s32ClipLeft && x <= pBitmap->s32ClipRight && y >= pBitmap->s32ClipBottom &&
         y <= pBitmap->s32ClipTop;
}

// u8Alpha is the weight of the old pixel in 256ths; each channel is blended
// in its own width with truncation. 0 gives colorNew exactly.
static inline COLOR G_SPAN_colorBlend(COLOR colorNew, COLOR colorOld, U8 u8Alpha) {
  const U32 a = u8Alpha;
  const U32 n = 256 - a;
  U32 r = (((U32)colorNew >> 11) * n + ((U32)colorOld >> 11) * a) >> 8;
  U32 g = ((((U32)colorNew >> 5) & 63) * n + (((U32)colorOld >> 5) & 63) * a) >> 8;
  U32 b = (((U32)colorNew & 31) * n + ((U32)colorOld & 31) * a) >> 8;
  return (COLOR)((r << 11) | (g << 5) | b);
}

// Coordinates worked out in 64 bits (corners of huge shapes) brought back to
// the PIXEL range; a saturated point stays outside every clip rectangle.
static inline PIXEL G_SPAN_pixSaturate(S64 v) {
  if (v > INT32_MAX) return INT32_MAX;
  if (v < INT32_MIN) return INT32_MIN;
  return (PIXEL)v;
}

// Clamps the run between a and b (either order) into min..max; FALSE when it
// lies wholly outside, so nothing is drawn.
static inline bool G_SPAN_bClampRun(PIXEL a, PIXEL b, PIXEL min, PIXEL max, PIXEL* pLow, PIXEL* pHigh) {
  PIXEL lo = a < b ? a : b;
  PIXEL hi = a < b ? b : a;
  if (hi < min || lo > max || min > max) return false;
  *pLow = lo < min ? min : lo;
  *pHigh = hi > max ? max : hi;
  return true;
}

// The one choice of wide code: on x86-64 hosts with AVX2 the loops marked
// with this get a second build in 32-byte vectors, picked once at load time
// by the processor's features; the board (NEON) and other hosts keep the one
// portable build. The load-time choice runs before a sanitizer's runtime is
// up, so instrumented builds keep the portable build too.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_THREAD__) && \
    !defined(__SANITIZE_ADDRESS__)
#define G_SPAN_WIDE_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define G_SPAN_WIDE_CLONES
#endif

// count pixels from p onward set to color.
void G_SPAN_vFill(COLOR* p, size_t count, COLOR color);
// count pixels from p onward blended with color (G_SPAN_colorBlend).
void G_SPAN_vBlend(COLOR* p, size_t count, COLOR color, U8 u8Alpha);
// rows runs of count pixels, the first at pTop and each next pitch pixels on
// in memory, blended with color as by G_SPAN_vBlend.
void G_SPAN_vBlendRows(COLOR* pTop, size_t count, size_t rows, size_t pitch, COLOR color, U8 u8Alpha);
// count pixels from p downward in memory, pitch pixels apart, set to color.
void G_SPAN_vFillColumn(COLOR* p, size_t count, size_t pitch, COLOR color);
void G_SPAN_vBlendColumn(COLOR* p, size_t count, size_t pitch, COLOR color, U8 u8Alpha);
