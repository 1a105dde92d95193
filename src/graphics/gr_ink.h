// Every pixel the graphic context writes goes through these addressing and
// raster operations. Internal to the engine's modules.
#pragma once

#include <stddef.h>

#include "gr_context.h"

// The buffer is declared as 32-bit words and written as pixels, words and
// double words.
typedef U16 __attribute__((may_alias)) GR_U16;
typedef U32 __attribute__((may_alias)) GR_U32;
typedef U64 __attribute__((may_alias)) GR_U64;

// Every raster operation is written as pixel = (pixel AND keep) XOR flip, so
// that one loop serves them all; copy (keep 0) alone gets plain stores.
typedef struct tag_GR_INK {
  U16 keep;
  U16 flip;
} GR_INK;

// The masks of mode for a colour held in the bits field of a word:
// pixel = (pixel AND *pKeep) XOR *pFlip touches only the field.
void gr_RasterMasks(U8 mode, U32 field, U32 colour, U32* pKeep, U32* pFlip);

static inline GR_INK gr_InkOf(const GR_CONTEXT* gc) {
  U32 keep, flip;
  gr_RasterMasks(gc->mode, 0xFFFFu, gc->colour & 0xFFFFu, &keep, &flip);
  return GR_INK{(U16)keep, (U16)flip};
}

static inline ptrdiff_t gr_Pitch(const GR_CONTEXT* gc) { return (ptrdiff_t)gc->scrdim.rowsize * 2; }

static inline GR_U16* gr_PixelAt(const GR_CONTEXT* gc, S64 x, S64 row) {
  return (GR_U16*)gc->vsptr + (ptrdiff_t)row * gr_Pitch(gc) + (ptrdiff_t)x;
}

static inline void gr_Ink(GR_U16* p, GR_INK ink) { *p = (U16)((*p & ink.keep) ^ ink.flip); }

// The part of columns x0..x1 and rows r0..r1 inside the clip rectangle.
void gr_InkRect(const GR_CONTEXT* gc, GR_INK ink, S64 x0, S64 r0, S64 x1, S64 r1);
