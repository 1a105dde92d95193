// The graphic context's lines and pixels are built here from its raster
// operations and spans: line clipping, the solid, patterned and brush lines,
// and the line pattern.
//
// Solid and patterned lines are clipped once, in floating point, and then
// walked in integers between two points inside the clip rectangle, so the
// walk itself never tests a pixel. The brush line is not clipped as a line;
// its walk is limited to the steps whose square can reach the clip
// rectangle, which draws the same pixels and keeps far-away ends cheap.

#include "gr_line.h"

#include <math.h>

#include <algorithm>

#include "gr_ink.h"

// Raster operations: pixel = (pixel AND keep) XOR flip, with keep and flip
// made from the colour C and the bits F of the field it occupies:
//   keep = NOT F OR ((F if keepField) XOR (C if keepColour)), flip = C if flipColour.
typedef struct tag_GR_RASTER_OP {
  U8 u8Mode;
  bool bKeepField;
  bool bKeepColour;
  bool bFlipColour;
} GR_RASTER_OP;

static const GR_RASTER_OP s_aRasterOps[] = {
    {GR_MODE_COPY, false, false, true},  // C
    {GR_MODE_AND, false, true, false},   // P AND C
    {GR_MODE_OR, true, true, true},      // (P AND NOT C) XOR C = P OR C
    {GR_MODE_XOR, true, false, true},    // P XOR C
};

void gr_RasterMasks(U8 mode, U32 field, U32 colour, U32* pKeep, U32* pFlip) {
  colour &= field;
  for (const GR_RASTER_OP& op : s_aRasterOps) {
    if (op.u8Mode != mode) continue;
    *pKeep = ~field | ((op.bKeepField ? field : 0) ^ (op.bKeepColour ? colour : 0));
    *pFlip = op.bFlipColour ? colour : 0;
    return;
  }
  // Any other mode writes nothing.
  *pKeep = 0xFFFFFFFFu;
  *pFlip = 0;
}

void gf_SetBit(U32* word, U32 position, U32 value, U8 mode) {
  if (position >= 32) return;
  U32 keep, flip;
  gr_RasterMasks(mode, (U32)(0xFFFFull << position), (U32)((U64)(value & 0xFFFF) << position), &keep, &flip);
  GR_U32* w = (GR_U32*)word;
  *w = (*w & keep) ^ flip;
}

void gf_PutPixel(GRCONTEXTPTR gc, SINT x, SINT row) { gr_Ink(gr_PixelAt(gc, x, row), gr_InkOf(gc)); }

COLOR gf_GetPixel(GRCONTEXTPTR gc, SINT x, SINT row) { return *gr_PixelAt(gc, x, row); }

// ---------------------------------------------------------------- spans

// count pixels from p on; two pixels to a word, four to a double word in the
// middle of the run.
template <bool kStore>
static void gr_Run(GR_U16* p, size_t count, GR_INK ink) {
  auto put16 = [&](GR_U16* q) {
    if (kStore) {
      *q = ink.flip;
    } else {
      gr_Ink(q, ink);
    }
  };
  if (count != 0 && ((uintptr_t)p & 2) != 0) {
    put16(p++);
    count--;
  }
  const U32 keep32 = ink.keep * 0x10001u, flip32 = ink.flip * 0x10001u;
  if (count >= 2 && ((uintptr_t)p & 4) != 0) {
    GR_U32* w = (GR_U32*)p;
    *w = kStore ? flip32 : ((*w & keep32) ^ flip32);
    p += 2;
    count -= 2;
  }
  const U64 keep64 = keep32 * 0x100000001ull, flip64 = flip32 * 0x100000001ull;
  GR_U64* d = (GR_U64*)p;
  const size_t doubles = count / 4;
  for (size_t i = 0; i < doubles; i++) d[i] = kStore ? flip64 : ((d[i] & keep64) ^ flip64);
  p += doubles * 4;
  count &= 3;
  if (count >= 2) {
    GR_U32* w = (GR_U32*)p;
    *w = kStore ? flip32 : ((*w & keep32) ^ flip32);
    p += 2;
    count -= 2;
  }
  if (count != 0) put16(p);
}

static void gr_InkRun(GR_U16* p, size_t count, GR_INK ink) {
  if (ink.keep == 0) {
    gr_Run<true>(p, count, ink);
  } else {
    gr_Run<false>(p, count, ink);
  }
}

// The first pixel and count of a span from start toward start + length.
static void gr_Span(SINT start, SINT length, S64* pFirst, S64* pCount) {
  *pFirst = length >= 0 ? (S64)start : (S64)start + length + 1;
  *pCount = length >= 0 ? (S64)length : -(S64)length;
}

void gf_HorLine(GRCONTEXTPTR gc, SINT x, SINT row, SINT length) {
  S64 first, count;
  gr_Span(x, length, &first, &count);
  if (count != 0) gr_InkRun(gr_PixelAt(gc, first, row), (size_t)count, gr_InkOf(gc));
}

void gf_VertLine(GRCONTEXTPTR gc, SINT x, SINT row, SINT length) {
  S64 first, count;
  gr_Span(row, length, &first, &count);
  const GR_INK ink = gr_InkOf(gc);
  const ptrdiff_t pitch = gr_Pitch(gc);
  GR_U16* p = gr_PixelAt(gc, x, first);
  for (S64 i = 0; i < count; i++, p += pitch) gr_Ink(p, ink);
}

void gr_InkRect(const GR_CONTEXT* gc, GR_INK ink, S64 x0, S64 r0, S64 x1, S64 r1) {
  if (x0 < gc->cliporig.px) x0 = gc->cliporig.px;
  if (x1 > gc->cliplim.px) x1 = gc->cliplim.px;
  if (r0 < gc->cliporig.py) r0 = gc->cliporig.py;
  if (r1 > gc->cliplim.py) r1 = gc->cliplim.py;
  if (x0 > x1) return;
  for (S64 r = r0; r <= r1; r++) gr_InkRun(gr_PixelAt(gc, x0, r), (size_t)(x1 - x0 + 1), ink);
}

static S64 gr_Modulo(S64 a, S64 n) {
  const S64 m = a % n;
  return m < 0 ? m + n : m;
}

void gf_HorLineWithPattern(GRCONTEXTPTR gc, SINT x, SINT row, SINT length) {
  const GR_PATTERN_INFO* info = &PatternInfo[gc->ptrnattrib.type];
  const S64 w = info->width, h = info->height;
  const U8* pattern = gc->ptrnattrib.ptr;
  if (length < 0 || w <= 0 || h <= 0 || pattern == nullptr) return;
  const S64 y = (S64)gc->pixdim.ph - 1 - row;
  const U8* line = pattern + (h - 1 - gr_Modulo(y, h)) * ((w + 7) / 8);
  const GR_INK ink = gr_InkOf(gc);
  GR_U16* p = gr_PixelAt(gc, x, row);
  S64 c = gr_Modulo(x, w);
  for (S64 i = 0; i <= length; i++, p++) {
    if ((line[c / 8] >> (c % 8)) & 1) gr_Ink(p, ink);
    if (++c == w) c = 0;
  }
}

// ---------------------------------------------------------------- pattern

void gf_ResetPattern(GRCONTEXTPTR gc) {
  gc->ptrnattrib.curbyte = 0;
  gc->ptrnattrib.curbit = 0;
  gc->ptrnattrib.zxcounter = 0;
}

// The phase moves before the bit is read: from a restart with zoom 1 the
// first pixel takes bit 1 of byte 0.
SINT gf_CheckPattern(GRCONTEXTPTR gc) {
  PATTERNATTRIB* a = &gc->ptrnattrib;
  // An unregistered pattern has no bits: it draws solid.
  if (!a->status || a->ptr == nullptr) return 1;
  // A zoom of 0 repeats every bit once, as 1 does.
  a->zxcounter = (a->zxcounter + 1 >= a->zx) ? 0 : (U8)(a->zxcounter + 1);
  if (a->zxcounter == 0) {
    a->curbit = (U8)((a->curbit + 1) & 7);
    if (a->curbit == 0) {
      const U32 next = a->curbyte + 1u;
      a->curbyte = next >= (U32)PatternInfo[a->type].stride ? 0 : (U8)next;
    }
  }
  return (a->ptr[a->curbyte] >> a->curbit) & 1;
}

// ---------------------------------------------------------------- clipping

static bool gr_ClipEmpty(const GR_CONTEXT* gc) {
  return gc->cliporig.px > gc->cliplim.px || gc->cliporig.py > gc->cliplim.py;
}

// Edges of the clip rectangle, in the order their crossings are tried.
typedef enum tag_GR_EDGE { GR_EDGE_TOP, GR_EDGE_BOTTOM, GR_EDGE_LEFT, GR_EDGE_RIGHT } GR_EDGE;

// Where the line through (x, row) running (dx, drow) crosses edge, truncated
// toward zero: FALSE unless that lies on the rectangle. With bClamp the
// crossing is pulled onto the rectangle instead.
static bool gr_Crossing(const GR_CONTEXT* gc, GR_EDGE edge, S64 x, S64 row, double dx, double drow, bool bClamp,
                        SINT* pX, SINT* pRow) {
  const bool horizontal = edge == GR_EDGE_TOP || edge == GR_EDGE_BOTTOM;
  const S64 e = edge == GR_EDGE_TOP      ? gc->cliporig.py
                : edge == GR_EDGE_BOTTOM ? gc->cliplim.py
                : edge == GR_EDGE_LEFT   ? gc->cliporig.px
                                         : gc->cliplim.px;
  const S64 lo = horizontal ? gc->cliporig.px : gc->cliporig.py;
  const S64 hi = horizontal ? gc->cliplim.px : gc->cliplim.py;
  const double v =
      horizontal ? (double)x + (dx / drow) * (double)(e - row) : (double)row + (drow / dx) * (double)(e - x);
  S64 t;
  if (fabs(v) < 2147483647.0) {
    t = (S64)v;
  } else if (bClamp) {
    t = v > 0 ? hi : lo;  // NaN goes low
  } else {
    return false;
  }
  if (t < lo || t > hi) {
    if (!bClamp) return false;
    t = t < lo ? lo : hi;
  }
  *pX = (SINT)(horizontal ? t : e);
  *pRow = (SINT)(horizontal ? e : t);
  return true;
}

// The point where the segment from the inside point (x, row) to the outside
// point (ox, orow) leaves the rectangle: the crossing with the first edge,
// top, bottom, left, right, that the outside point lies beyond.
static void gr_Exit(const GR_CONTEXT* gc, SINT x, SINT row, SINT ox, SINT orow, SINT* pX, SINT* pRow) {
  const double dx = (double)ox - x, drow = (double)orow - row;
  const bool beyond[4] = {orow < gc->cliporig.py, orow > gc->cliplim.py, ox < gc->cliporig.px, ox > gc->cliplim.px};
  for (int edge = GR_EDGE_TOP; edge <= GR_EDGE_RIGHT; edge++) {
    if (beyond[edge] && gr_Crossing(gc, (GR_EDGE)edge, x, row, dx, drow, false, pX, pRow)) return;
  }
  // Only rounding on a line through a corner gets here: the exit is at that
  // corner.
  for (int edge = GR_EDGE_TOP; edge <= GR_EDGE_RIGHT; edge++) {
    if (beyond[edge] && gr_Crossing(gc, (GR_EDGE)edge, x, row, dx, drow, true, pX, pRow)) return;
  }
}

U32 gf_ClipLine(GRCONTEXTPTR gc, SINT* x1, SINT* row1, SINT* x2, SINT* row2, SINT* drawLast, SINT* skipFirst) {
  *drawLast = 0;
  *skipFirst = 0;
  if (gr_ClipEmpty(gc)) return GR_OUT_OF_CLIP;
  const S64 L = gc->cliporig.px, R = gc->cliplim.px, T = gc->cliporig.py, B = gc->cliplim.py;
  const bool in1 = gf_InClip(gc, *x1, *row1), in2 = gf_InClip(gc, *x2, *row2);
  if (in1 && in2) return GR_DONE;

  if (!in1 && !in2) {
    if ((*x1 < L && *x2 < L) || (*x1 > R && *x2 > R) || (*row1 < T && *row2 < T) || (*row1 > B && *row2 > B)) {
      return GR_OUT_OF_CLIP;
    }
    *drawLast = 1;
    if (*x1 == *x2) {
      *row1 = (SINT)T;
      *row2 = (SINT)B;
      return GR_DONE;
    }
    if (*row1 == *row2) {
      *x1 = (SINT)L;
      *x2 = (SINT)R;
      return GR_DONE;
    }
    const double dx = (double)*x2 - *x1, drow = (double)*row2 - *row1;
    // The first two crossings that lie on the rectangle. A line through a
    // corner crosses two edges there at one point; the chord then runs to
    // the next crossing, if there is one.
    SINT px[3], prow[3];
    int found = 0;
    bool twice = false;
    for (int edge = GR_EDGE_TOP; edge <= GR_EDGE_RIGHT && found < 2; edge++) {
      if (!gr_Crossing(gc, (GR_EDGE)edge, *x1, *row1, dx, drow, false, &px[found], &prow[found])) continue;
      if (found == 1 && px[1] == px[0] && prow[1] == prow[0]) {
        twice = true;
        continue;
      }
      found++;
    }
    if (found == 0 || (found == 1 && !twice)) return GR_OUT_OF_CLIP;
    if (found == 1) {
      px[1] = px[0];
      prow[1] = prow[0];
    }
    *x1 = px[0];
    *row1 = prow[0];
    *x2 = px[1];
    *row2 = prow[1];
    return GR_DONE;
  }

  *drawLast = 1;
  if (in1) {
    gr_Exit(gc, *x1, *row1, *x2, *row2, x2, row2);
    return GR_DONE;
  }

  // Entering: walk from the inside end back to the edge, leaving out the
  // inside end as the unclipped line would.
  const SINT insideX = *x2, insideRow = *row2, outsideX = *x1, outsideRow = *row1;
  gr_Exit(gc, insideX, insideRow, outsideX, outsideRow, x2, row2);
  if (insideX == outsideX || insideRow == outsideRow) {
    const SINT stepX = outsideX > insideX ? 1 : outsideX < insideX ? -1 : 0;
    const SINT stepRow = outsideRow > insideRow ? 1 : outsideRow < insideRow ? -1 : 0;
    *x1 = insideX + stepX;
    *row1 = insideRow + stepRow;
    if (!gf_InClip(gc, *x1, *row1)) return GR_OUT_OF_CLIP;
  } else {
    *x1 = insideX;
    *row1 = insideRow;
    *skipFirst = 1;
  }
  return GR_DONE;
}

// ---------------------------------------------------------------- walks

// The line walk between two points inside the clip: every point from the
// start (unless skipFirst) up to the end, which is left out. The minor axis
// steps when the decision value is >= 0. plot gets each pixel's address.
template <typename PLOT>
static void gr_Walk(GRCONTEXTPTR gc, SINT x1, SINT row1, SINT x2, SINT row2, bool skipFirst, PLOT&& plot) {
  const S32 dx = x2 > x1 ? x2 - x1 : x1 - x2;
  const S32 drow = row2 > row1 ? row2 - row1 : row1 - row2;
  const ptrdiff_t stepX = x2 >= x1 ? 1 : -1;
  const ptrdiff_t stepRow = row2 >= row1 ? gr_Pitch(gc) : -gr_Pitch(gc);
  const bool xMajor = dx >= drow;
  const S32 major = xMajor ? dx : drow, minor = xMajor ? drow : dx;
  const ptrdiff_t majorStep = xMajor ? stepX : stepRow, minorStep = xMajor ? stepRow : stepX;
  GR_U16* p = gr_PixelAt(gc, x1, row1);
  S32 d = 2 * minor - major;
  const S32 withMinor = 2 * (minor - major), alone = 2 * minor;
  for (S32 k = 0; k < major; k++) {
    if (k != 0 || !skipFirst) plot(p);
    if (d >= 0) {
      p += minorStep;
      d += withMinor;
    } else {
      d += alone;
    }
    p += majorStep;
  }
}

static bool gr_Short(SINT x1, SINT row1, SINT x2, SINT row2) {
  const S64 dx = (S64)x2 - x1, drow = (S64)row2 - row1;
  return dx >= -1 && dx <= 1 && drow >= -1 && drow <= 1;
}

// The clip flag only spares the clipping of a line said to lie inside; a
// line that does not is clipped all the same, so a wrong promise cannot
// write outside the clip rectangle.
static U32 gr_ClipOrCheck(GRCONTEXTPTR gc, SINT clip, SINT* x1, SINT* row1, SINT* x2, SINT* row2, SINT* drawLast,
                          SINT* skipFirst) {
  if (clip == 0 && gf_InClip(gc, *x1, *row1) && gf_InClip(gc, *x2, *row2)) {
    *drawLast = 0;
    *skipFirst = 0;
    return GR_DONE;
  }
  return gf_ClipLine(gc, x1, row1, x2, row2, drawLast, skipFirst);
}

U32 gf_DrawSolidLine(GRCONTEXTPTR gc, SINT x1, SINT row1, SINT x2, SINT row2, SINT clip) {
  gc->cp.px = x2;
  gc->cp.py = row2;
  const GR_INK ink = gr_InkOf(gc);
  if (gr_Short(x1, row1, x2, row2)) {
    if (!gf_InClip(gc, x1, row1)) return GR_OUT_OF_CLIP;
    gr_Ink(gr_PixelAt(gc, x1, row1), ink);
    return GR_DONE;
  }
  SINT drawLast, skipFirst;
  const U32 status = gr_ClipOrCheck(gc, clip, &x1, &row1, &x2, &row2, &drawLast, &skipFirst);
  if (status != GR_DONE) return status;
  if (x1 == x2 || row1 == row2) {
    // A span leaves out its far end; a skipped start moves it one on.
    const bool vertical = x1 == x2;
    const SINT from = vertical ? row1 : x1, to = vertical ? row2 : x2;
    const SINT step = to > from ? 1 : -1;
    const SINT start = (skipFirst && from != to) ? from + step : from;
    if (vertical) {
      gf_VertLine(gc, x1, start, to - start);
    } else {
      gf_HorLine(gc, start, row1, to - start);
    }
  } else if (ink.keep == 0) {
    gr_Walk(gc, x1, row1, x2, row2, skipFirst, [&](GR_U16* p) { *p = ink.flip; });
  } else {
    gr_Walk(gc, x1, row1, x2, row2, skipFirst, [&](GR_U16* p) { gr_Ink(p, ink); });
  }
  if (drawLast) gr_Ink(gr_PixelAt(gc, x2, row2), ink);
  return GR_DONE;
}

U32 gf_DrawPttrnLine(GRCONTEXTPTR gc, SINT x1, SINT row1, SINT x2, SINT row2, SINT clip) {
  const U32 code = gc->ptrnattrib.type + 256u * gc->ptrnattrib.index;
  if (code == GR_PATTERN_CODE_WAVY) return gf_DrawUndulatedLine(gc, x1, row1, x2, row2);
  if (code == GR_PATTERN_CODE_TICKED) return gf_DrawCrossLine(gc, x1, row1, x2, row2);
  gc->cp.px = x2;
  gc->cp.py = row2;
  const GR_INK ink = gr_InkOf(gc);
  if (gr_Short(x1, row1, x2, row2)) {
    if (!gf_CheckPattern(gc) || !gf_InClip(gc, x1, row1)) return GR_OUT_OF_CLIP;
    gr_Ink(gr_PixelAt(gc, x1, row1), ink);
    return GR_DONE;
  }
  SINT drawLast, skipFirst;
  const U32 status = gr_ClipOrCheck(gc, clip, &x1, &row1, &x2, &row2, &drawLast, &skipFirst);
  if (status != GR_DONE) return status;
  gr_Walk(gc, x1, row1, x2, row2, skipFirst, [&](GR_U16* p) {
    if (gf_CheckPattern(gc)) gr_Ink(p, ink);
  });
  if (drawLast) gr_Ink(gr_PixelAt(gc, x2, row2), ink);
  return GR_DONE;
}

// ---------------------------------------------------------------- brush

static S64 gr_Sign(S64 v) { return (v > 0) - (v < 0); }

// Rows r0..r1 of column x, inside the clip.
static void gr_InkColumn(const GR_CONTEXT* gc, GR_INK ink, S64 x, S64 r0, S64 r1) {
  if (x < gc->cliporig.px || x > gc->cliplim.px) return;
  if (r0 < gc->cliporig.py) r0 = gc->cliporig.py;
  if (r1 > gc->cliplim.py) r1 = gc->cliplim.py;
  const ptrdiff_t pitch = gr_Pitch(gc);
  GR_U16* p = gr_PixelAt(gc, x, r0);
  for (S64 r = r0; r <= r1; r++, p += pitch) gr_Ink(p, ink);
}

// What a brush of radius r adds at (x, row) after the step (dx, drow): the
// leading column and the leading row, their shared corner once.
static void gr_BrushEdges(const GR_CONTEXT* gc, GR_INK ink, S64 x, S64 row, S64 r, S64 dx, S64 drow) {
  const S64 sx = gr_Sign(dx), srow = gr_Sign(drow);
  if (sx != 0) gr_InkColumn(gc, ink, x + r * sx, row - r, row + r);
  if (srow != 0) {
    const S64 left = sx < 0 ? x - r + 1 : x - r;
    const S64 right = sx > 0 ? x + r - 1 : x + r;
    gr_InkRect(gc, ink, left, row + r * srow, right, row + r * srow);
  }
}

void gf_PutBrushPixel(GRCONTEXTPTR gc, SINT x, SINT row, SINT dx, SINT drow) {
  const S64 r = (S64)gc->PixelSize - 1;
  const GR_INK ink = gr_InkOf(gc);
  if (x == gc->cp.px && row == gc->cp.py) {
    gr_InkRect(gc, ink, (S64)x - r, (S64)row - r, (S64)x + r, (S64)row + r);
  } else {
    gr_BrushEdges(gc, ink, x, row, r, dx, drow);
  }
}

// Minor offset j and decision value d of the walk at major step k, without
// walking there: j = floor((2mk + M) / 2M), d = 2m(k + 1) - M - 2Mj. The
// products can pass 64 bits, so j is estimated in floating point and made
// exact from the remainder, which is small and so exact modulo 2^64.
static void gr_WalkAt(S64 k, S64 M, S64 m, S64* pJ, S64* pD) {
  S64 j = (S64)floor(((double)(2 * m) * (double)k + (double)M) / (2.0 * (double)M));
  S64 rest = (S64)((U64)(2 * m) * (U64)k + (U64)M - (U64)(2 * M) * (U64)j);
  while (rest < 0) {
    j--;
    rest += 2 * M;
  }
  while (rest >= 2 * M) {
    j++;
    rest -= 2 * M;
  }
  *pJ = j;
  *pD = rest + 2 * m - 2 * M;
}

// Every square of the walk from (x1, row1) to (x2, row2) lies inside the
// clip.
static bool gr_BrushInside(const GR_CONTEXT* gc, S64 x1, S64 row1, S64 x2, S64 row2, S64 r) {
  const S64 xl = (x1 < x2 ? x1 : x2) - r, xh = (x1 > x2 ? x1 : x2) + r;
  const S64 rl = (row1 < row2 ? row1 : row2) - r, rh = (row1 > row2 ? row1 : row2) + r;
  return xl >= gc->cliporig.px && xh <= gc->cliplim.px && rl >= gc->cliporig.py && rh <= gc->cliplim.py;
}

// The walk of gf_DrawBrushLine over a line whose squares all lie inside the
// clip, by addresses: the first square whole, then at each step the leading
// column and row, as gr_BrushEdges adds them.
template <bool kStore>
static void gr_BrushWalkAs(const GR_CONTEXT* gc, GR_INK ink, S64 x, S64 row, S64 r, bool xMajor, S64 sMajor,
                           S64 sMinor, S64 M, S64 m, S64 d) {
  auto put = [ink](GR_U16* q) {
    if (kStore) {
      *q = ink.flip;
    } else {
      gr_Ink(q, ink);
    }
  };
  const ptrdiff_t pitch = gr_Pitch(gc);
  const ptrdiff_t majorStep = xMajor ? sMajor : sMajor * pitch, minorStep = xMajor ? sMinor * pitch : sMinor;
  GR_U16* p = gr_PixelAt(gc, x, row);
  for (S64 v = -r; v <= r; v++) {
    for (S64 u = -r; u <= r; u++) put(p + v * pitch + u);
  }
  S64 stepMinor = 0;
  for (S64 k = 1; k < M; k++) {
    if (d >= 0) {
      d += 2 * (m - M);
      stepMinor = sMinor;
    } else {
      d += 2 * m;
      stepMinor = 0;
    }
    p += majorStep + (stepMinor != 0 ? minorStep : 0);
    const S64 sx = xMajor ? sMajor : stepMinor, srow = xMajor ? stepMinor : sMajor;
    if (sx != 0) {
      GR_U16* q = p + sx * r - r * pitch;
      for (S64 v = -r; v <= r; v++, q += pitch) put(q);
    }
    if (srow != 0) {
      const S64 left = sx < 0 ? -r + 1 : -r, right = sx > 0 ? r - 1 : r;
      GR_U16* q = p + srow * r * pitch;
      for (S64 u = left; u <= right; u++) put(q + u);
    }
  }
}

// The same walk for the chart's two-pixel brush (a square of three) in a
// copy: along the major axis each step adds the leading line of three
// across it, and a step across adds the two pixels of the leading row
// beside it, as gr_BrushEdges orders them.
static void gr_BrushWalk3(const GR_CONTEXT* gc, COLOR colour, S64 x, S64 row, bool xMajor, S64 sMajor, S64 sMinor,
                          S64 M, S64 m, S64 d) {
  const ptrdiff_t pitch = gr_Pitch(gc);
  const ptrdiff_t along = xMajor ? sMajor : sMajor * pitch, across = xMajor ? pitch : 1;
  const ptrdiff_t minorStep = xMajor ? sMinor * pitch : sMinor;
  GR_U16* p = gr_PixelAt(gc, x, row);
  for (ptrdiff_t v = -pitch; v <= pitch; v += pitch) {
    for (ptrdiff_t u = -1; u <= 1; u++) p[v + u] = colour;
  }
  for (S64 k = 1; k < M; k++) {
    const bool bStep = d >= 0;
    d += bStep ? 2 * (m - M) : 2 * m;
    p += along + (bStep ? minorStep : 0);
    GR_U16* q = p + along;
    if (!bStep) {
      q[-across] = colour;
      q[0] = colour;
      q[across] = colour;
      continue;
    }
    // The column (or row) along the major axis first, then the side one
    // without the shared corner.
    if (xMajor) {
      q[-pitch] = colour;
      q[0] = colour;
      q[pitch] = colour;
      GR_U16* s = p + minorStep;
      s[-sMajor] = colour;
      s[0] = colour;
    } else {
      GR_U16* s = p + minorStep;
      s[-pitch] = colour;
      s[0] = colour;
      s[pitch] = colour;
      q[-sMinor] = colour;
      q[0] = colour;
    }
  }
}

// A shallow line of the same brush, run by run: the centres of a run share
// their row, so their squares make a rectangle three rows high, filled row
// by row. Near-level legs take a fraction of the per-step walk's time.
static void gr_BrushRuns3(const GR_CONTEXT* gc, COLOR colour, S64 x, S64 row, S64 sMajor, S64 sMinor, S64 M, S64 m,
                          S64 d) {
  const ptrdiff_t pitch = gr_Pitch(gc);
  GR_U16* c = gr_PixelAt(gc, x, row);  // the run's first centre
  for (S64 k = 0; k < M;) {
    // Moves along the row while the decision value stays below 0.
    S64 along = d >= 0 ? 0 : m == 0 ? M : (-d + 2 * m - 1) / (2 * m);
    if (along > M - k - 1) along = M - k - 1;
    d += along * 2 * m;
    const S64 len = along + 1;
    GR_U16* left = (sMajor > 0 ? c : c - (len - 1)) - 1;
    for (ptrdiff_t v = -pitch; v <= pitch; v += pitch) std::fill_n(left + v, len + 2, colour);
    k += len;
    if (k < M) {
      d += 2 * (m - M);
      c += sMajor * len + sMinor * pitch;
    }
  }
}

static void gr_BrushWalk(const GR_CONTEXT* gc, GR_INK ink, S64 x, S64 row, S64 r, bool xMajor, S64 sMajor,
                         S64 sMinor, S64 M, S64 m, S64 d) {
  if (ink.keep == 0 && r == 1 && xMajor && 4 * m <= M) {
    gr_BrushRuns3(gc, ink.flip, x, row, sMajor, sMinor, M, m, d);
    return;
  }
  if (ink.keep == 0 && r == 1) {
    gr_BrushWalk3(gc, ink.flip, x, row, xMajor, sMajor, sMinor, M, m, d);
    return;
  }
  // A copy's pixels need not be read first.
  if (ink.keep == 0) {
    gr_BrushWalkAs<true>(gc, ink, x, row, r, xMajor, sMajor, sMinor, M, m, d);
  } else {
    gr_BrushWalkAs<false>(gc, ink, x, row, r, xMajor, sMajor, sMinor, M, m, d);
  }
}

U32 gf_DrawBrushLine(GRCONTEXTPTR gc, SINT x1, SINT row1, SINT x2, SINT row2) {
  gc->cp.px = x2;
  gc->cp.py = row2;
  if (x1 == x2 && row1 == row2) return GR_DONE;
  const GR_INK ink = gr_InkOf(gc);
  const S64 r = (S64)gc->PixelSize - 1;
  const S64 dx = (S64)x2 - x1, drow = (S64)row2 - row1;
  const S64 sx = gr_Sign(dx), srow = gr_Sign(drow);
  const bool xMajor = (dx < 0 ? -dx : dx) >= (drow < 0 ? -drow : drow);
  const S64 M = xMajor ? sx * dx : srow * drow, m = xMajor ? srow * drow : sx * dx;
  const S64 sMajor = xMajor ? sx : srow, sMinor = xMajor ? srow : sx;
  const S64 major0 = xMajor ? x1 : row1, minor0 = xMajor ? row1 : x1;

  // Steps whose square reaches the clip along the major axis; the squares
  // before and after them draw nothing.
  const S64 lo = (xMajor ? gc->cliporig.px : gc->cliporig.py) - r;
  const S64 hi = (xMajor ? gc->cliplim.px : gc->cliplim.py) + r;
  S64 kFirst = sMajor > 0 ? lo - major0 : major0 - hi;
  S64 kLast = sMajor > 0 ? hi - major0 : major0 - lo;
  if (kFirst < 0) kFirst = 0;
  if (kLast > M - 1) kLast = M - 1;
  if (gr_ClipEmpty(gc) || kFirst > kLast) return GR_DONE;
  // Along an axis the squares make one rectangle.
  if (m == 0) {
    const S64 end = major0 + sMajor * (M - 1);
    const S64 from = (major0 < end ? major0 : end) - r, to = (major0 > end ? major0 : end) + r;
    if (xMajor) {
      gr_InkRect(gc, ink, from, minor0 - r, to, minor0 + r);
    } else {
      gr_InkRect(gc, ink, minor0 - r, from, minor0 + r, to);
    }
    return GR_DONE;
  }

  S64 j, d;
  gr_WalkAt(kFirst, M, m, &j, &d);
  if (gr_BrushInside(gc, x1, row1, x2, row2, r) && kFirst == 0 && kLast == M - 1) {
    gr_BrushWalk(gc, ink, x1, row1, r, xMajor, sMajor, sMinor, M, m, d);
    return GR_DONE;
  }
  S64 stepMinor = 0;
  for (S64 k = kFirst; k <= kLast; k++) {
    const S64 major = major0 + sMajor * k, minor = minor0 + sMinor * j;
    const S64 x = xMajor ? major : minor, row = xMajor ? minor : major;
    if (k == kFirst) {
      // The whole square: at the pen, or where the squares before it lay
      // wholly outside the clip.
      gr_InkRect(gc, ink, x - r, row - r, x + r, row + r);
    } else {
      gr_BrushEdges(gc, ink, x, row, r, xMajor ? sMajor : stepMinor, xMajor ? stepMinor : sMajor);
    }
    if (d >= 0) {
      j++;
      d += 2 * (m - M);
      stepMinor = sMinor;
    } else {
      d += 2 * m;
      stepMinor = 0;
    }
  }
  return GR_DONE;
}

// ---------------------------------------------------------------- entries

// A brush wider than a pixel: each point of a line is a square.
static inline bool gr_bBrushPen(const GR_CONTEXT* gc) { return gc->DrTool == BRUSH && gc->PixelSize >= 2; }

template <bool kAlwaysClip>
static U32 gr_DrawTo(GRCONTEXTPTR gc, SINT x, SINT row, SINT clip) {
  const SINT x1 = gc->cp.px, row1 = gc->cp.py;
  const SINT c = kAlwaysClip ? 1 : clip;
  if (gc->ptrnattrib.status) return gf_DrawPttrnLine(gc, x1, row1, x, row, c);
  // A patterned line is always one pixel wide.
  if (gr_bBrushPen(gc)) return gf_DrawBrushLine(gc, x1, row1, x, row);
  return gf_DrawSolidLine(gc, x1, row1, x, row, c);
}

U32 gf_DrawAbsLine(GRCONTEXTPTR gc, SINT x, SINT row) { return gr_DrawTo<true>(gc, x, row, 1); }

U32 gf_DrawRelLine(GRCONTEXTPTR gc, SINT dx, SINT drow) {
  const S64 x = (S64)gc->cp.px + dx, row = (S64)gc->cp.py + drow;
  // Beyond the 32-bit range the end stays beyond every clip rectangle.
  const SINT sx = x > INT32_MAX ? INT32_MAX : x < INT32_MIN ? INT32_MIN : (SINT)x;
  const SINT srow = row > INT32_MAX ? INT32_MAX : row < INT32_MIN ? INT32_MIN : (SINT)row;
  return gr_DrawTo<true>(gc, sx, srow, 1);
}

U32 gr_DrawAbsLine(GRCONTEXTPTR gc, SINT x, SINT y) { return gr_DrawTo<true>(gc, x, gf_RowOf(gc, y), 1); }

// A brush line writes the squares of its walk up to its end, left out, cut
// to the clip, so brush lines that run on in one direction write the pixels
// of one line, some of them twice; a pattern's phase would tell. (A thin
// line cut by the clip writes the point on the edge, which a longer line
// may not reach.)
void gr_JoinStart(GR_JOINED_LINES* pJoin, GRCONTEXTPTR gc) {
  const GR_INK ink = gr_InkOf(gc);
  const BOOLEAN bJoins = gr_bBrushPen(gc) && !gc->ptrnattrib.status && (ink.keep & ink.flip) == 0;
  *pJoin = {gc, bJoins, FALSE, 0, 0, 0, 0};
}

void gr_JoinFlush(GR_JOINED_LINES* pJoin) {
  if (!pJoin->bHeld) return;
  pJoin->bHeld = FALSE;
  gr_DrawAbsLine(pJoin->gc, pJoin->x, pJoin->y);
}

void gr_JoinLine(GR_JOINED_LINES* pJoin, SINT x, SINT y) {
  GRCONTEXTPTR gc = pJoin->gc;
  if (!pJoin->bJoins) {
    gr_DrawAbsLine(gc, x, y);
    return;
  }
  const S64 dx = (S64)x - (pJoin->bHeld ? pJoin->x : gc->cp.px);
  const S64 dy = (S64)y - (pJoin->bHeld ? pJoin->y : gf_RowOf(gc, gc->cp.py));
  // A line to the pen writes nothing.
  if (dx == 0 && dy == 0) return;
  if (dx != 0 && dy != 0 && dx != dy && dx != -dy) {
    gr_JoinFlush(pJoin);
    gr_DrawAbsLine(gc, x, y);
    return;
  }
  const S32 ux = (S32)gr_Sign(dx), uy = (S32)gr_Sign(dy);
  if (pJoin->bHeld && ux == pJoin->nDx && uy == pJoin->nDy) {
    pJoin->x = x;
    pJoin->y = y;
    return;
  }
  gr_JoinFlush(pJoin);
  *pJoin = {gc, TRUE, TRUE, x, y, ux, uy};
}

U32 gr_ClipAndDrawAbsLine(GRCONTEXTPTR gc, SINT x, SINT y, SINT clip) {
  return gr_DrawTo<false>(gc, x, gf_RowOf(gc, y), clip);
}

// No pattern and no brush: a pixel is one pixel.
static bool gr_bPlainPen(const GR_CONTEXT* gc) {
  return !gc->ptrnattrib.status && !gr_bBrushPen(gc);
}

// The nine pixels round (x, y) with the context's pen, whose plainness and
// raster operation the caller found.
static void gr_Dot3x3(GRCONTEXTPTR gc, bool bPlain, GR_INK ink, SINT x, SINT y) {
  // gf_RowOf's row, unsaturated: the clip tests below take any row.
  const S64 row = (S64)gc->pixdim.ph - 1 - y;
  // Wholly inside the clip with a plain pen: the nine pixels at once.
  if (bPlain && (S64)x - 1 >= gc->cliporig.px && (S64)x + 1 <= gc->cliplim.px && row - 1 >= gc->cliporig.py &&
      row + 1 <= gc->cliplim.py) {
    const ptrdiff_t pitch = gr_Pitch(gc);
    GR_U16* p = gr_PixelAt(gc, (S64)x - 1, row + 1);
    for (int r = 0; r < 3; r++, p -= pitch) {
      for (int i = 0; i < 3; i++) gr_Ink(p + i, ink);
    }
    gc->cp.px = x + 1;
    gc->cp.py = (SINT)(row - 1);
    return;
  }
  // Wholly outside it each pixel would only move the pen.
  if ((S64)x + 1 < gc->cliporig.px || (S64)x - 1 > gc->cliplim.px || row + 1 < gc->cliporig.py ||
      row - 1 > gc->cliplim.py) {
    gc->cp.px = x + 1;
    gc->cp.py = gf_RowOf(gc, y + 1);
    return;
  }
  for (SINT dy = -1; dy <= 1; dy++) {
    for (SINT dx = -1; dx <= 1; dx++) gr_SetPixel(gc, x + dx, y + dy);
  }
}

U32 gr_SetPixels3x3(GRCONTEXTPTR gc, SINT x, SINT y) {
  gr_Dot3x3(gc, gr_bPlainPen(gc), gr_InkOf(gc), x, y);
  return GR_DONE;
}

void gr_DotsStart(GR_DOTS* pDots, GRCONTEXTPTR gc) {
  const GR_INK ink = gr_InkOf(gc);
  *pDots = {gc, gr_bPlainPen(gc), ink.keep, ink.flip};
}

void gr_DotsPut(const GR_DOTS* pDots, SINT x, SINT y) {
  gr_Dot3x3(pDots->gc, pDots->bPlain, {pDots->u16Keep, pDots->u16Flip}, x, y);
}

U32 gr_SetPixel(GRCONTEXTPTR gc, SINT x, SINT y) {
  gc->cp.px = x;
  gc->cp.py = gf_RowOf(gc, y);
  if (!gf_InClip(gc, gc->cp.px, gc->cp.py)) return GR_OUT_OF_CLIP;
  if (gc->ptrnattrib.status && !gf_CheckPattern(gc)) return GR_DONE;
  if (gr_bBrushPen(gc)) {
    gf_PutBrushPixel(gc, gc->cp.px, gc->cp.py, 0, 0);
  } else {
    gf_PutPixel(gc, gc->cp.px, gc->cp.py);
  }
  return GR_DONE;
}
