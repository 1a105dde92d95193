#include "g_image32.h"

#include <math.h>
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <algorithm>
#include <mutex>
#include <vector>

#include "g_kept.h"
#include "g_span.h"

namespace {

// The previous pixel before the first pixel unit of a stream.
const U8 s_au8OpaqueBlack[4] = {0, 0, 0, 255};

bool IsRun(const U8* pu8Unit) { return pu8Unit[0] == 0x5A && pu8Unit[3] == 0; }

// Decodes one row of a 32-bit stream at *ppu8Data, calling put(column, unit)
// for each of the row's columns; *ppu8Previous carries the previous pixel
// unit from row to row. A run ends with its row.
template <typename PUT>
void DecodeRow32(const U8** ppu8Data, const U8** ppu8Previous, S32 s32Width, PUT&& put) {
  const U8* p = *ppu8Data;
  const U8* previous = *ppu8Previous;
  S32 j = 0;
  while (j < s32Width) {
    const U8* unit = p;
    p += 4;
    if (IsRun(unit)) {
      const S64 end = (S64)j + (unit[1] | ((U32)unit[2] << 8));
      const S32 stop = end < s32Width ? (S32)end : s32Width;
      for (; j < stop; j++) put(j, previous);
    } else {
      previous = unit;
      put(j, unit);
      j++;
    }
  }
  *ppu8Data = p;
  *ppu8Previous = previous;
}

COLOR Exact(const U8* pu8Unit) {
  return (COLOR)(((pu8Unit[0] & 0xF8) << 8) | ((pu8Unit[1] & 0xFC) << 3) | (pu8Unit[2] >> 3));
}

// Blend by 256; the caller skips invisible pixels.
COLOR Blend256(const U8* pu8Unit, COLOR colorOld) {
  const U32 a = pu8Unit[3];
  if (a == 255) return Exact(pu8Unit);
  const U32 n = 255 - a;
  const U32 r = (a * (pu8Unit[0] >> 3) + n * ((U32)colorOld >> 11)) >> 8;
  const U32 g = (a * (pu8Unit[1] >> 2) + n * (((U32)colorOld >> 5) & 63)) >> 8;
  const U32 b = (a * (pu8Unit[2] >> 3) + n * ((U32)colorOld & 31)) >> 8;
  return (COLOR)((r << 11) | (g << 5) | b);
}

// The blend by 255 of a partly covered pixel, from its colour's channels
// times the cover a.
COLOR BlendCovered255(U32 a, U32 red, U32 green, U32 blue, COLOR colorOld) {
  const U32 n = 255 - a;
  const U32 r = (red + n * ((U32)colorOld >> 11)) / 255;
  const U32 g = (green + n * (((U32)colorOld >> 5) & 63)) / 255;
  const U32 b = (blue + n * ((U32)colorOld & 31)) / 255;
  return (COLOR)((r << 11) | (g << 5) | b);
}

COLOR Blend255(const U8* pu8Unit, COLOR colorOld) {
  const U32 a = pu8Unit[3];
  if (a == 255) return Exact(pu8Unit);
  return BlendCovered255(a, a * (pu8Unit[0] >> 3), a * (pu8Unit[1] >> 2), a * (pu8Unit[2] >> 3), colorOld);
}

// A pixel written through the clip, blended by 255 (outside the clip the
// old colour would be black, but the write is dropped anyway).
void PutClipped255(const BITMAP* pDest, PIXEL x, PIXEL y, const U8* pu8Unit) {
  if (pu8Unit[3] == 0 || !G_SPAN_bInClip(pDest, x, y)) return;
  COLOR* p = G_SPAN_pcolAt(pDest, x, y);
  *p = Blend255(pu8Unit, *p);
}

void PutClipped256(const BITMAP* pDest, PIXEL x, PIXEL y, const U8* pu8Unit) {
  if (pu8Unit[3] == 0 || !G_SPAN_bInClip(pDest, x, y)) return;
  COLOR* p = G_SPAN_pcolAt(pDest, x, y);
  *p = Blend256(pu8Unit, *p);
}

bool WhollyInsideClip(const BITMAP* pDest, const POINT* pAt, S32 s32Width, S32 s32Height) {
  return pAt->x >= pDest->s32ClipLeft && (S64)pAt->x + s32Width - 1 <= pDest->s32ClipRight &&
         pAt->y >= pDest->s32ClipBottom && (S64)pAt->y + s32Height - 1 <= pDest->s32ClipTop;
}

// Blends count pixel units onto count pixels, eight at a time in 16-bit
// lanes (every sum stays below 2^15), then one by one. Images are mostly long
// stretches of pixel units, and this is where G_IMAGE32_vPut spends its time.

typedef U8 IMAGE32_V32U8 __attribute__((vector_size(32)));
typedef U8 IMAGE32_V8U8 __attribute__((vector_size(8)));
typedef U16 IMAGE32_V8U16 __attribute__((vector_size(16)));

G_SPAN_WIDE_CLONES
void BlendUnits(COLOR* pDest, const U8* pu8Units, size_t count) {
  size_t i = 0;
  for (; i + 8 <= count; i += 8) {
    IMAGE32_V32U8 u;
    memcpy(&u, pu8Units + 4 * i, sizeof u);
    IMAGE32_V8U16 old;
    memcpy(&old, pDest + i, sizeof old);
    const IMAGE32_V8U16 r = __builtin_convertvector(__builtin_shufflevector(u, u, 0, 4, 8, 12, 16, 20, 24, 28), IMAGE32_V8U16);
    const IMAGE32_V8U16 g = __builtin_convertvector(__builtin_shufflevector(u, u, 1, 5, 9, 13, 17, 21, 25, 29), IMAGE32_V8U16);
    const IMAGE32_V8U16 b = __builtin_convertvector(__builtin_shufflevector(u, u, 2, 6, 10, 14, 18, 22, 26, 30), IMAGE32_V8U16);
    const IMAGE32_V8U16 a = __builtin_convertvector(__builtin_shufflevector(u, u, 3, 7, 11, 15, 19, 23, 27, 31), IMAGE32_V8U16);
    const IMAGE32_V8U16 n = 255 - a;
    const IMAGE32_V8U16 blended = (((a * (r >> 3) + n * (old >> 11)) >> 8) << 11) |
                                  (((a * (g >> 2) + n * ((old >> 5) & 63)) >> 8) << 5) |
                                  ((a * (b >> 3) + n * (old & 31)) >> 8);
    const IMAGE32_V8U16 exact = ((r & 0xF8) << 8) | ((g & 0xFC) << 3) | (b >> 3);
    const IMAGE32_V8U16 invisible = (IMAGE32_V8U16)(a == 0), opaque = (IMAGE32_V8U16)(a == 255);
    const IMAGE32_V8U16 out = (old & invisible) | (exact & opaque) | (blended & ~(invisible | opaque));
    memcpy(pDest + i, &out, sizeof out);
  }
  for (; i < count; i++) {
    const U8* unit = pu8Units + 4 * i;
    if (unit[3] != 0) pDest[i] = Blend256(unit, pDest[i]);
  }
}

// The whole-image drawing of G_IMAGE32_vPut and G_IMAGE32_vPut_Half: rows
// r0..r1 and columns c0..c1 of the image are written, straight into memory.
void PutWhole(BITMAP* pDest, const IMAGE32* pImage32, const POINT* pAt, S32 r0, S32 r1, S32 c0, S32 c1) {
  const S32 w = pImage32->s32Width, h = pImage32->s32Height;
  if (h <= 0 || !WhollyInsideClip(pDest, pAt, w, h)) return;
  // Columns beyond the bitmap are skipped too.
  const S32 last = (S32)std::min<S64>(c1, (S64)pDest->pixels_wide - pAt->x - 1);
  const U8* data = pImage32->data;
  const U8* previous = s_au8OpaqueBlack;
  for (S32 k = 0; k < h; k++) {
    const PIXEL y = pAt->y + k;
    if (k < r0 || k > r1 || y >= pDest->pixels_high) {
      DecodeRow32(&data, &previous, w, [](S32, const U8*) {});
      continue;
    }
    COLOR* row = G_SPAN_pcolAt(pDest, pAt->x, y);
    S32 j = 0;
    while (j < w) {
      S32 stop;
      if (IsRun(data)) {
        const S64 end = (S64)j + (data[1] | ((U32)data[2] << 8));
        stop = end < w ? (S32)end : w;
        const S32 from = j < c0 ? c0 : j, to = stop - 1 < last ? stop - 1 : last;
        if (previous[3] == 255) {
          const COLOR color = Exact(previous);
          for (S32 i = from; i <= to; i++) row[i] = color;
        } else if (previous[3] != 0) {
          for (S32 i = from; i <= to; i++) row[i] = Blend256(previous, row[i]);
        }
        data += 4;
      } else {
        // The stretch of pixel units up to the next run or the row's end.
        S32 n = 1;
        while (j + n < w && !IsRun(data + 4 * n)) n++;
        stop = j + n;
        const S32 from = j < c0 ? c0 : j, to = stop - 1 < last ? stop - 1 : last;
        if (from <= to) BlendUnits(row + from, data + 4 * (from - j), (size_t)(to - from + 1));
        previous = data + 4 * (n - 1);
        data += 4 * n;
      }
      j = stop;
    }
  }
}

// Truncates a double into the PIXEL range.
PIXEL ToPixel(double d) {
  if (!(d > -1e9)) return -1000000000;
  if (d > 1e9) return 1000000000;
  return (PIXEL)d;
}

PIXEL Bound(PIXEL v, PIXEL limit) {
  if (v < 0) v = 0;
  return v < limit ? v : limit;
}

// The turn of PutRotated: the image's data and size, the centre that lands
// on the anchor, the sine and cosine in 16.16 fixed point, and whether the
// channel sums are divided by 255 x 65536 with the box bounded by the screen
// (otherwise shifted by 24 and bounded by the bitmap).
typedef struct tag_TURN {
  const U8* pu8Data;
  S32 s32Width;
  S32 s32Height;
  S64 cx;
  S64 cy;
  double s;
  double c;
  S64 s16;
  S64 c16;
  bool bDivide255;
} TURN;

TURN TurnOf(const U8* pu8Data, S32 s32Width, S32 s32Height, const POINT* pptCenter, double dAngle, bool bDivide255) {
  TURN t;
  t.pu8Data = pu8Data;
  t.s32Width = s32Width;
  t.s32Height = s32Height;
  t.cx = pptCenter->x;
  t.cy = pptCenter->y;
  t.s = sin(dAngle);
  t.c = cos(dAngle);
  t.s16 = (S64)(t.s * 65536.0);
  t.c16 = (S64)(t.c * 65536.0);
  t.s16 = t.s16 < -65536 ? -65536 : (t.s16 > 65536 ? 65536 : t.s16);
  t.c16 = t.c16 < -65536 ? -65536 : (t.c16 > 65536 ? 65536 : t.c16);
  t.bDivide255 = bDivide255;
  return t;
}

// The pixels of the bitmap that the turned image may reach from the anchor:
// columns x0 up to x1 and rows y0 up to y1, ends excluded.
typedef struct tag_TURN_BOX {
  PIXEL x0;
  PIXEL x1;
  PIXEL y0;
  PIXEL y1;
} TURN_BOX;

TURN_BOX BoxOf(const TURN* t, const BITMAP* pDest, const POINT* pptAnchor) {
  const S64 ax = pptAnchor->x, ay = pptAnchor->y;
  double minX = 0, maxX = 0, minY = 0, maxY = 0;
  const double dxs[2] = {(double)-t->cx, (double)(t->s32Width - t->cx)};
  const double dys[2] = {(double)-t->cy, (double)(t->s32Height - t->cy)};
  for (int i = 0; i < 4; i++) {
    const double dx = dxs[i & 1], dy = dys[i >> 1];
    const double X = (double)ax + t->c * dx - t->s * dy;
    const double Y = (double)ay + t->s * dx + t->c * dy;
    if (i == 0 || X < minX) minX = X;
    if (i == 0 || X > maxX) maxX = X;
    if (i == 0 || Y < minY) minY = Y;
    if (i == 0 || Y > maxY) maxY = Y;
  }
  const PIXEL wide = t->bDivide255 ? (PIXEL)G_SCREEN_WIDTH : pDest->pixels_wide;
  const PIXEL high = t->bDivide255 ? (PIXEL)G_SCREEN_HEIGHT : pDest->pixels_high;
  return {Bound(ToPixel(minX) - 1, wide), Bound(ToPixel(maxX) + 2, wide), Bound(ToPixel(minY) - 1, high),
          Bound(ToPixel(maxY) + 2, high)};
}

// What the turn puts at the pixel dx, dy from the anchor: nothing, a colour
// (in r), or a blend of the old pixel, whose channels are weighted by rest
// and added to r, g and b.
typedef enum tag_TURN_KIND : U8 { TURN_NONE = 0, TURN_COLOUR = 1, TURN_BLEND = 2 } TURN_KIND;
typedef struct tag_TURN_SAMPLE {
  TURN_KIND eKind;
  U32 r;
  U32 g;
  U32 b;
  U32 rest;
} TURN_SAMPLE;

// Channel values of 5 or 6 bits from sums: divided by 255 x 65536 through a
// multiply, or shifted by 24.
U32 Channel(U32 v, bool bDivide255) { return bDivide255 ? (U32)(((U64)v * 0x80808081ULL) >> 55) : v >> 24; }

TURN_SAMPLE SampleAt(const TURN* t, S64 dx, S64 dy) {
  TURN_SAMPLE out = {TURN_NONE, 0, 0, 0, 0};
  const S32 w = t->s32Width, h = t->s32Height;
  const S64 sx = t->cx * 65536 + t->c16 * dx + t->s16 * dy;
  const S64 sy = t->cy * 65536 - t->s16 * dx + t->c16 * dy;
  const S64 sxMax = ((S64)w << 16) + 65535, syMax = ((S64)h << 16) + 65535;
  if (sx < -65535 || sx > sxMax || sy < -65535 || sy > syMax) return out;
  const S32 x0 = (S32)(sx >> 16), y0 = (S32)(sy >> 16);
  const U32 wx0 = (U32)((((S64)x0 << 16) + 65536 - sx) >> 8);
  const U32 wy0 = (U32)((((S64)y0 << 16) + 65536 - sy) >> 8);
  const U32 wxs[2] = {wx0, 256 - wx0}, wys[2] = {wy0, 256 - wy0};
  // Bilinear weights add up to 65536, so with 8-bit channels every sum
  // stays below 2^32.
  U32 total = 0, sr = 0, sg = 0, sb = 0;
  for (int n = 0; n < 4; n++) {
    const S32 xi = x0 + (n >> 1), yi = y0 + (n & 1);
    if (xi < 0 || xi >= w || yi < 0 || yi >= h) continue;
    const U8* unit = t->pu8Data + ((size_t)yi * (size_t)w + (size_t)xi) * 4;
    if (unit[3] == 0) continue;
    const U32 wa = wxs[n >> 1] * wys[n & 1] * unit[3];
    total += wa;
    sr += wa * unit[0];
    sg += wa * unit[1];
    sb += wa * unit[2];
  }
  if (total <= 0x10000) return out;
  if (total >= 0xFE0000) {
    U32 r, g, b;
    if (t->bDivide255) {
      r = Channel(sr >> 3, true);
      g = Channel(sg >> 2, true);
      b = Channel(sb >> 3, true);
    } else {
      r = sr >> 27;
      g = sg >> 26;
      b = sb >> 27;
    }
    if (r > 31) r = 31;
    if (g > 63) g = 63;
    if (b > 31) b = 31;
    out.eKind = TURN_COLOUR;
    out.r = (r << 11) | (g << 5) | b;
    return out;
  }
  out.eKind = TURN_BLEND;
  out.r = sr >> 3;
  out.g = sg >> 2;
  out.b = sb >> 3;
  out.rest = 0x1000000 - total;
  return out;
}

COLOR Finish(const TURN_SAMPLE* p, COLOR old, bool bDivide255) {
  if (p->eKind == TURN_COLOUR) return (COLOR)p->r;
  U32 r = Channel(p->r + ((U32)old >> 11) * p->rest, bDivide255);
  U32 g = Channel(p->g + (((U32)old >> 5) & 63) * p->rest, bDivide255);
  U32 b = Channel(p->b + ((U32)old & 31) * p->rest, bDivide255);
  if (r > 31) r = 31;
  if (g > 63) g = 63;
  if (b > 31) b = 31;
  return (COLOR)((r << 11) | (g << 5) | b);
}

// Inverse mapping with bilinear filtering in 16.16 fixed point.
void PutRotated(BITMAP* pDest, const U8* pu8Data, S32 s32Width, S32 s32Height, const POINT* pptAnchor,
                const POINT* pptCenter, double dAngle, bool bDivide255) {
  if (s32Width <= 0 || s32Height <= 0) return;
  const TURN t = TurnOf(pu8Data, s32Width, s32Height, pptCenter, dAngle, bDivide255);
  const TURN_BOX box = BoxOf(&t, pDest, pptAnchor);
  for (PIXEL x = box.x0; x < box.x1; x++) {
    for (PIXEL y = box.y0; y < box.y1; y++) {
      if (!G_SPAN_bInClip(pDest, x, y)) continue;
      const TURN_SAMPLE sample = SampleAt(&t, (S64)x - pptAnchor->x, (S64)y - pptAnchor->y);
      if (sample.eKind == TURN_NONE) continue;
      COLOR* p = G_SPAN_pcolAt(pDest, x, y);
      *p = Finish(&sample, *p, bDivide255);
    }
  }
}

// Turned pictures of images that never change, kept for reuse: what the
// turn puts at each pixel it reaches, relative to the anchor, so that one
// picture serves every anchor. The least recently drawn is given up first.
typedef struct tag_KEPT_PIXEL {
  S16 dx;
  S16 dy;
  TURN_SAMPLE sample;
} KEPT_PIXEL;

typedef struct tag_KEPT_TURN {
  const U8* pu8Data;
  S32 s32Width;
  S32 s32Height;
  POINT centre;
  double dAngle;
  bool bDivide255;
  U64 u64Used;
  std::vector<KEPT_PIXEL> pixels;
  S32 nDxMin, nDxMax, nDyMin, nDyMax;  // the box round the pixels
} KEPT_TURN;

constexpr size_t KEPT_TURNS = 64;
constexpr S32 KEPT_TURN_MAX_SIDE = 256;
KEPT_TURN s_aKeptTurns[KEPT_TURNS];
U64 s_u64KeptUses;
std::mutex s_keptTurnsLock;

// Every pixel, relative to the anchor, whose sample falls on the image or
// the pixel round it: the corners of that ring turned back, with two pixels
// to spare for the fixed-point sine and cosine.
TURN_BOX KeptArea(const TURN* t) {
  const double us[2] = {-1.0 - (double)t->cx, (double)t->s32Width + 1.0 - (double)t->cx};
  const double vs[2] = {-1.0 - (double)t->cy, (double)t->s32Height + 1.0 - (double)t->cy};
  double x0 = 0, x1 = 0, y0 = 0, y1 = 0;
  for (int i = 0; i < 4; i++) {
    const double u = us[i & 1], v = vs[i >> 1];
    const double dx = t->c * u - t->s * v, dy = t->s * u + t->c * v;
    if (i == 0 || dx < x0) x0 = dx;
    if (i == 0 || dx > x1) x1 = dx;
    if (i == 0 || dy < y0) y0 = dy;
    if (i == 0 || dy > y1) y1 = dy;
  }
  return {(PIXEL)floor(x0) - 2, (PIXEL)ceil(x1) + 3, (PIXEL)floor(y0) - 2, (PIXEL)ceil(y1) + 3};
}

const KEPT_TURN* KeptTurn(const TURN* t, const POINT* pptCenter, double dAngle) {
  KEPT_TURN* pOldest = &s_aKeptTurns[0];
  for (KEPT_TURN& k : s_aKeptTurns) {
    if (k.pu8Data == t->pu8Data && k.s32Width == t->s32Width && k.s32Height == t->s32Height &&
        k.centre.x == pptCenter->x && k.centre.y == pptCenter->y && k.dAngle == dAngle &&
        k.bDivide255 == t->bDivide255) {
      k.u64Used = ++s_u64KeptUses;
      return &k;
    }
    if (k.u64Used < pOldest->u64Used) pOldest = &k;
  }
  KEPT_TURN* k = pOldest;
  k->pu8Data = t->pu8Data;
  k->s32Width = t->s32Width;
  k->s32Height = t->s32Height;
  k->centre = *pptCenter;
  k->dAngle = dAngle;
  k->bDivide255 = t->bDivide255;
  k->u64Used = ++s_u64KeptUses;
  k->pixels.clear();
  const TURN_BOX area = KeptArea(t);
  for (S64 dy = area.y0; dy < area.y1; dy++) {
    for (S64 dx = area.x0; dx < area.x1; dx++) {
      const TURN_SAMPLE sample = SampleAt(t, dx, dy);
      if (sample.eKind != TURN_NONE) k->pixels.push_back({(S16)dx, (S16)dy, sample});
    }
  }
  k->nDxMin = k->nDyMin = INT32_MAX;
  k->nDxMax = k->nDyMax = INT32_MIN;
  for (const KEPT_PIXEL& kp : k->pixels) {
    k->nDxMin = std::min<S32>(k->nDxMin, kp.dx);
    k->nDxMax = std::max<S32>(k->nDxMax, kp.dx);
    k->nDyMin = std::min<S32>(k->nDyMin, kp.dy);
    k->nDyMax = std::max<S32>(k->nDyMax, kp.dy);
  }
  return k;
}

// A fraction of a size, limited to 0..size.
S32 Part(float fFraction, S32 s32Size) {
  if (!(fFraction > 0.0f)) return 0;
  if (fFraction >= 1.0f) return s32Size;
  return (S32)(fFraction * (float)s32Size);
}

// Decodes one row of a 16-bit stream, calling put(column, colour).
template <typename PUT>
void DecodeRow16(const COLOR** ppData, S32 s32Width, PUT&& put) {
  const COLOR* p = *ppData;
  COLOR last = 0;
  S32 j = 0;
  while (j < s32Width) {
    const COLOR v = *p++;
    if (v == 0xFFFF) {
      const S64 end = (S64)j + *p++;
      const S32 stop = end < s32Width ? (S32)end : s32Width;
      for (; j < stop; j++) put(j, last);
    } else {
      last = v;
      put(j, v);
      j++;
    }
  }
  *ppData = p;
}

// The sector of G_IMAGE32_vPutCondition as two unit rays and the sweep
// between them, counter-clockwise from the start ray.
typedef struct tag_SECTOR {
  double sx, sy;  // start ray
  double ex, ey;  // end ray
  S32 s32Sweep;   // degrees, 0..360
  S64 s64Radius2;
} SECTOR;

BOOLEAN G_IMAGE32_Valid(PIXEL nX, PIXEL nY, const POINT* archor, const SECTOR* pSector) {
  const S64 dx = (S64)nX - archor->x, dy = (S64)nY - archor->y;
  if (dx * dx + dy * dy > pSector->s64Radius2) return FALSE;
  if (pSector->s32Sweep >= 360) return TRUE;
  if (pSector->s32Sweep == 0) return FALSE;
  const double fromStart = pSector->sx * (double)dy - pSector->sy * (double)dx;  // >= 0: at or past the start ray
  const double toEnd = (double)dx * pSector->ey - (double)dy * pSector->ex;      // >= 0: at or before the end ray
  if (pSector->s32Sweep <= 180) return fromStart >= 0 && toEnd >= 0;
  // A reflex sector is everything but the open sector from the end back to
  // the start.
  return !(fromStart < 0 && toEnd < 0);
}

}  // namespace

void G_IMAGE32_vPut(BITMAP* pDest, const IMAGE32* pImage32, const POINT* pptLowerLeft) {
  PutWhole(pDest, pImage32, pptLowerLeft, 0, pImage32->s32Height - 1, 0, pImage32->s32Width - 1);
}

void G_IMAGE32_vPutBitmap(BITMAP* pDest, const IMAGE32* pImage32, const POINT* pptLowerLeft) {
  G_IMAGE32_vPut(pDest, pImage32, pptLowerLeft);
}

void G_IMAGE32_vPutOld(BITMAP* pDest, const ICON* pImage32, const POINT* pptLowerLeft) {
  const S32 w = pImage32->nWidth, h = pImage32->nHeight;
  const U8* data = (const U8*)pImage32->pBitmap;
  const U8* previous = s_au8OpaqueBlack;
  for (S32 k = 0; k < h; k++) {
    const PIXEL y = pptLowerLeft->y + k;
    DecodeRow32(&data, &previous, w,
                [&](S32 j, const U8* unit) { PutClipped255(pDest, pptLowerLeft->x + j, y, unit); });
  }
}

// An icon's 32-bit stream decoded once: its visible pixels with their
// places, drawn as G_IMAGE32_vPutOld draws them where the icon is clipped.
typedef struct tag_KEPT_UNIT {
  S32 nX;
  S32 nY;
  U8 au8Unit[4];
} KEPT_UNIT;

// A row of a kept image from its first visible pixel to its last, with
// each pixel's colour channels times its cover, and the cover: by the blend
// by 255 a full cover gives the exact colour and none keeps the old one, so
// a row is blended whole, eight pixels at a time.
typedef struct tag_KEPT_ROW {
  S32 nY;
  S32 nX;
  U32 u32Count;
  U32 u32First;  // its first pixel in the channels
} KEPT_ROW;

typedef struct tag_KEPT_IMAGE {
  const void* pKey;  // the icon
  std::vector<KEPT_UNIT> units;
  std::vector<KEPT_ROW> rows;
  std::vector<U16> red, green, blue, cover;
} KEPT_IMAGE;

static void KeepRows(KEPT_IMAGE* k) {
  for (size_t i = 0; i < k->units.size();) {
    size_t end = i + 1;
    while (end < k->units.size() && k->units[end].nY == k->units[i].nY) end++;
    const KEPT_UNIT& first = k->units[i];
    const S32 nCount = k->units[end - 1].nX - first.nX + 1;
    const size_t at = k->cover.size();
    k->rows.push_back({first.nY, first.nX, (U32)nCount, (U32)at});
    for (std::vector<U16>* v : {&k->red, &k->green, &k->blue, &k->cover}) v->resize(at + (size_t)nCount, 0);
    for (; i < end; i++) {
      const KEPT_UNIT& u = k->units[i];
      const size_t c = at + (size_t)(u.nX - first.nX);
      // The covered part of the blend, as Blend255 reckons it.
      const U32 a = u.au8Unit[3];
      k->red[c] = (U16)(a * (u.au8Unit[0] >> 3));
      k->green[c] = (U16)(a * (u.au8Unit[1] >> 2));
      k->blue[c] = (U16)(a * (u.au8Unit[2] >> 3));
      k->cover[c] = (U16)a;
    }
  }
}

// One kept row of count pixels onto pRow. From eight pixels on, eight at a
// time in 16-bit lanes (every sum is below 2^14). The last eight are blended
// from the row as it was and stored last, over the ones before with the same
// values.
G_SPAN_WIDE_CLONES
static void BlendKeptRow(COLOR* pRow, const KEPT_IMAGE* k, const KEPT_ROW& row) {
  const U16 *pRed = &k->red[row.u32First], *pGreen = &k->green[row.u32First], *pBlue = &k->blue[row.u32First],
            *pCover = &k->cover[row.u32First];
  const U32 u32Count = row.u32Count;
  if (u32Count < 8) {
    for (U32 c = 0; c < u32Count; c++) {
      if (pCover[c] != 0) pRow[c] = BlendCovered255(pCover[c], pRed[c], pGreen[c], pBlue[c], pRow[c]);
    }
    return;
  }
  auto blend = [&](U32 c) {
    IMAGE32_V8U16 old, r, g, b, a;
    memcpy(&old, pRow + c, sizeof old);
    memcpy(&r, pRed + c, sizeof r);
    memcpy(&g, pGreen + c, sizeof g);
    memcpy(&b, pBlue + c, sizeof b);
    memcpy(&a, pCover + c, sizeof a);
    const IMAGE32_V8U16 n = 255 - a;
    r += (old >> 11) * n;
    g += ((old >> 5) & 63) * n;
    b += (old & 31) * n;
    return (IMAGE32_V8U16)((r / 255 << 11) | (g / 255 << 5) | b / 255);
  };
  const U32 last = u32Count - 8;
  const IMAGE32_V8U16 tail = blend(last);
  for (U32 c = 0; c < last; c += 8) {
    const IMAGE32_V8U16 out = blend(c);
    memcpy(pRow + c, &out, sizeof out);
  }
  memcpy(pRow + last, &tail, sizeof tail);
}

static G_KEPT_TABLE<KEPT_IMAGE, 256> s_keptImages;

void G_IMAGE32_vPutOldKept(BITMAP* pDest, const ICON* pImage32, const POINT* pptLowerLeft) {
  const KEPT_IMAGE* k = G_KEPT_pFind(&s_keptImages, pImage32, [](const void* pKey) {
    const ICON* pIcon = (const ICON*)pKey;
    KEPT_IMAGE* pNew = new KEPT_IMAGE();
    pNew->pKey = pKey;
    const U8* data = (const U8*)pIcon->pBitmap;
    const U8* previous = s_au8OpaqueBlack;
    for (S32 row = 0; row < pIcon->nHeight; row++) {
      DecodeRow32(&data, &previous, pIcon->nWidth, [&](S32 j, const U8* unit) {
        if (unit[3] != 0) pNew->units.push_back({j, row, {unit[0], unit[1], unit[2], unit[3]}});
      });
    }
    KeepRows(pNew);
    return pNew;
  });
  if (k == nullptr) {
    G_IMAGE32_vPutOld(pDest, pImage32, pptLowerLeft);
    return;
  }
  if (WhollyInsideClip(pDest, pptLowerLeft, pImage32->nWidth, pImage32->nHeight)) {
    // Rows up the image are rows back in memory.
    COLOR* pCorner = G_SPAN_pcolAt(pDest, pptLowerLeft->x, pptLowerLeft->y);
    const ptrdiff_t pitch = (ptrdiff_t)pDest->__u32PixelWidthOfBuffer;
    for (const KEPT_ROW& row : k->rows) BlendKeptRow(pCorner - row.nY * pitch + row.nX, k, row);
    return;
  }
  for (const KEPT_UNIT& u : k->units) PutClipped255(pDest, pptLowerLeft->x + u.nX, pptLowerLeft->y + u.nY, u.au8Unit);
}

void G_IMAGE32_vPutRotated(BITMAP* pDest, const IMAGE32* pImage32, const POINT* pptAnchor,
                           const POINT* pptRotateCenter, double dRotateAngle) {
  PutRotated(pDest, pImage32->data, pImage32->s32Width, pImage32->s32Height, pptAnchor, pptRotateCenter,
             dRotateAngle, false);
}

void G_IMAGE32_vPutRotatedOld(BITMAP* pDest, const ICON* pImage32, const POINT* pptAnchor,
                              const POINT* pptRotateCenter, double dRotateAngle) {
  PutRotated(pDest, (const U8*)pImage32->pBitmap, pImage32->nWidth, pImage32->nHeight, pptAnchor, pptRotateCenter,
             dRotateAngle, true);
}

// The kept picture drawn at the anchor, pixel for pixel what PutRotated
// draws there: within the box it would walk and the clip.
static void PutKept(BITMAP* pDest, const U8* pu8Data, S32 s32Width, S32 s32Height, const POINT* pptAnchor,
                    const POINT* pptCenter, double dAngle, bool bDivide255) {
  if (s32Width <= 0 || s32Height <= 0) return;
  const TURN t = TurnOf(pu8Data, s32Width, s32Height, pptCenter, dAngle, bDivide255);
  // A large image, or a centre far from it, is turned afresh every time.
  const BOOLEAN bSmall = s32Width <= KEPT_TURN_MAX_SIDE && s32Height <= KEPT_TURN_MAX_SIDE &&
                         llabs(t.cx) <= KEPT_TURN_MAX_SIDE && llabs(t.cy) <= KEPT_TURN_MAX_SIDE;
  if (!bSmall || !isfinite(dAngle)) {
    PutRotated(pDest, pu8Data, s32Width, s32Height, pptAnchor, pptCenter, dAngle, bDivide255);
    return;
  }
  TURN_BOX box = BoxOf(&t, pDest, pptAnchor);
  if (box.x0 < pDest->s32ClipLeft) box.x0 = pDest->s32ClipLeft;
  if (box.x1 > (S64)pDest->s32ClipRight + 1) box.x1 = pDest->s32ClipRight + 1;
  if (box.y0 < pDest->s32ClipBottom) box.y0 = pDest->s32ClipBottom;
  if (box.y1 > (S64)pDest->s32ClipTop + 1) box.y1 = pDest->s32ClipTop + 1;
  if (box.x0 >= box.x1 || box.y0 >= box.y1) return;
  const std::lock_guard<std::mutex> lock(s_keptTurnsLock);
  const KEPT_TURN* k = KeptTurn(&t, pptCenter, dAngle);
  const S64 ax = pptAnchor->x, ay = pptAnchor->y;
  if (k->pixels.empty()) return;
  // A picture wholly inside the box and the clip is drawn untested, by
  // offsets from the anchor's place in the buffer.
  if (ax + k->nDxMin >= box.x0 && ax + k->nDxMax < box.x1 && ay + k->nDyMin >= box.y0 && ay + k->nDyMax < box.y1) {
    COLOR* pBuffer = (COLOR*)pDest->pBuffer;
    const ptrdiff_t pitch = (ptrdiff_t)pDest->__u32PixelWidthOfBuffer;
    const ptrdiff_t anchor = ((ptrdiff_t)pDest->pixels_high_full_screen - 1 - (ptrdiff_t)ay) * pitch + (ptrdiff_t)ax;
    for (const KEPT_PIXEL& kp : k->pixels) {
      COLOR* p = pBuffer + (anchor + kp.dx - (ptrdiff_t)kp.dy * pitch);
      *p = Finish(&kp.sample, *p, bDivide255);
    }
    return;
  }
  for (const KEPT_PIXEL& kp : k->pixels) {
    const S64 x = ax + kp.dx, y = ay + kp.dy;
    if (x < box.x0 || x >= box.x1 || y < box.y0 || y >= box.y1) continue;
    COLOR* p = G_SPAN_pcolAt(pDest, (PIXEL)x, (PIXEL)y);
    *p = Finish(&kp.sample, *p, bDivide255);
  }
}

void G_IMAGE32_vPutRotatedKept(BITMAP* pDest, const IMAGE32* pImage32, const POINT* pptAnchor,
                               const POINT* pptRotateCenter, double dRotateAngle) {
  PutKept(pDest, pImage32->data, pImage32->s32Width, pImage32->s32Height, pptAnchor, pptRotateCenter, dRotateAngle,
          false);
}

void G_IMAGE32_vPutRotatedOldKept(BITMAP* pDest, const ICON* pImage32, const POINT* pptAnchor,
                                  const POINT* pptRotateCenter, double dRotateAngle) {
  PutKept(pDest, (const U8*)pImage32->pBitmap, pImage32->nWidth, pImage32->nHeight, pptAnchor, pptRotateCenter,
          dRotateAngle, true);
}

void G_IMAGE32_vPut_Half(BITMAP* pDest, const IMAGE32* pImage32, const POINT* pptLowerLeft, U8 u8Top, U8 u8Left) {
  const S32 w = pImage32->s32Width, h = pImage32->s32Height;
  S32 r0 = 0, r1 = h, c0 = 0, c1 = w;
  if (u8Top == 1) r1 = h / 2;
  if (u8Top == 2) r0 = h / 2;
  if (u8Left == 1) c1 = w / 2;
  if (u8Left == 2) c0 = w / 2;
  PutWhole(pDest, pImage32, pptLowerLeft, r0, r1, c0, c1);
}

void G_IMAGE32_PART_vPut(BITMAP* pDest, const IMAGE32* pImage32, const POINT* pptLowerLeft, const POINT* pptCenter,
                         U32 u32RotatedAngle) {
  // Compared in double precision: the slope is infinite at 0 degrees and
  // huge near 180.
  const double k = 1.0 / tan((double)u32RotatedAngle * M_PI / 180.0);
  const bool lowerLeft = u32RotatedAngle >= 1 && u32RotatedAngle <= 180;
  const double px = pptCenter->x, py = pptCenter->y;
  const U8* data = pImage32->data;
  const U8* previous = s_au8OpaqueBlack;
  for (S32 r = 0; r < pImage32->s32Height; r++) {
    const PIXEL Y = pptLowerLeft->y + r;
    DecodeRow32(&data, &previous, pImage32->s32Width, [&](S32 j, const U8* unit) {
      const PIXEL X = pptLowerLeft->x + j;
      const double L = trunc(py + ((double)X - px) * k);
      const bool keep = lowerLeft ? ((double)X < px && (double)Y < L) : ((double)X <= px || (double)Y >= L);
      if (keep) PutClipped255(pDest, X, Y, unit);
    });
  }
}

void G_IMAGE32_PART_vPutNew(BITMAP* pDest, const IMAGE32* pImage32, const POINT* pptLowerLeft, float fwidthPercent,
                            float fHightPercent) {
  const S32 rows = Part(fHightPercent, pImage32->s32Height);
  const S32 cols = Part(fwidthPercent, pImage32->s32Width);
  const U8* data = pImage32->data;
  const U8* previous = s_au8OpaqueBlack;
  // Each row is decoded whole, so the next row starts where its data does.
  for (S32 r = 0; r < rows; r++) {
    const PIXEL y = pptLowerLeft->y + r;
    DecodeRow32(&data, &previous, pImage32->s32Width, [&](S32 j, const U8* unit) {
      if (j < cols) PutClipped255(pDest, pptLowerLeft->x + j, y, unit);
    });
  }
}

void G_IMAGE32_vPutCondition(BITMAP* pDest, const IMAGE32* pImage32, const POINT* pptLowerLeft, U32 u32Radius,
                             float fStartAngle, float fEndAngle, POINT* archor, S32 direction) {
  S32 start = (S32)ToPixel(fStartAngle), end = (S32)ToPixel(fEndAngle);
  if (direction < 0) {
    const S32 t = start;
    start = end;
    end = t;
  }
  SECTOR sector;
  const S64 sweep = (S64)end - start;
  sector.s32Sweep = (sweep >= 360 || sweep <= -360) ? 360 : (S32)(((sweep % 360) + 360) % 360);
  sector.sx = cos(start * 0.017453);
  sector.sy = sin(start * 0.017453);
  sector.ex = cos(end * 0.017453);
  sector.ey = sin(end * 0.017453);
  sector.s64Radius2 = (S64)u32Radius * u32Radius;

  const U8* data = pImage32->data;
  const U8* previous = s_au8OpaqueBlack;
  for (S32 r = 0; r < pImage32->s32Height; r++) {
    const PIXEL y = pptLowerLeft->y + r;
    DecodeRow32(&data, &previous, pImage32->s32Width, [&](S32 j, const U8* unit) {
      const PIXEL x = pptLowerLeft->x + j;
      if (G_IMAGE32_Valid(x, y, archor, &sector)) PutClipped256(pDest, x, y, unit);
    });
  }
}

void G_IMAGE_vPut(BITMAP* pDest, const IMAGE* pImage, const POINT* pptLowerLeft) {
  const COLOR* data = pImage->data;
  for (S32 r = 0; r < pImage->s32Height; r++) {
    const PIXEL y = pptLowerLeft->y + r;
    DecodeRow16(&data, pImage->s32Width, [&](S32 j, COLOR color) {
      if (G_SPAN_bInClip(pDest, pptLowerLeft->x + j, y)) *G_SPAN_pcolAt(pDest, pptLowerLeft->x + j, y) = color;
    });
  }
}

void G_IMAGE_PART_vPut(BITMAP* pDest, const IMAGE* pImage, const POINT* pptLowerLeft, float fwidthPercent,
                       float fHightPercent) {
  const S32 rows = Part(fHightPercent, pImage->s32Height);
  const S32 cols = Part(fwidthPercent, pImage->s32Width);
  for (S32 r = 0; r < rows; r++) {
    const COLOR* row = pImage->data + (size_t)r * (size_t)pImage->s32Width;
    for (S32 j = 0; j < cols; j++) {
      const PIXEL x = pptLowerLeft->x + j, y = pptLowerLeft->y + r;
      if (G_SPAN_bInClip(pDest, x, y)) *G_SPAN_pcolAt(pDest, x, y) = row[j];
    }
  }
}

void G_IMAGE_PART_vPutNew(BITMAP* pDest, const IMAGE* pImage, const POINT* pptLowerLeft, float fwidthPercent,
                          float fHightPercent) {
  if (fHightPercent > 1.0f) fwidthPercent = fHightPercent = 1.0f;
  const S32 rows = Part(fHightPercent, pImage->s32Height);
  const S32 cols = Part(fwidthPercent, pImage->s32Width);
  const COLOR* data = pImage->data;
  for (S32 r = 0; r < rows; r++) {
    const PIXEL y = pptLowerLeft->y + r;
    DecodeRow16(&data, pImage->s32Width, [&](S32 j, COLOR color) {
      const PIXEL x = pptLowerLeft->x + j;
      if (j < cols && G_SPAN_bInClip(pDest, x, y)) *G_SPAN_pcolAt(pDest, x, y) = color;
    });
  }
}
