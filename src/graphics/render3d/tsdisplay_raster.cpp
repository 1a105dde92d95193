// The renderer fills texture-mapped quads and draws single-colour line strips.
// Quads are walked edge by edge into the per-row span table; each row then
// costs one perspective division and is stepped affinely, which is exact for
// the ground plane under a camera that only yaws and pitches (every row is a
// line of one depth).

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "dd_util.h"
#include "tsdisplay.h"
#include "tsfixed.h"

static inline i32 RASTER_nLow(i64 v) { return (i32)(u32)(u64)v; }

// Indices that the vertex buffers do not hold skip their primitive.
static BOOLEAN RASTER_bHeld(const tsDisplay* m, const i32* indices, int count) {
  for (int k = 0; k < count; k++) {
    if (indices[k] < 0 || indices[k] >= m->TVertCount || indices[k] >= m->SVertCount) return FALSE;
  }
  return TRUE;
}

i32 tsDisplay_CalcScans(tsDisplay* m, tsVertex* vtx0, tsVertex* vtx1) {
  if (vtx0->y == vtx1->y) return 1;
  const tsVertex* top = vtx0->y < vtx1->y ? vtx0 : vtx1;
  const tsVertex* bottom = vtx0->y < vtx1->y ? vtx1 : vtx0;

  // Row y is covered when top <= y < bottom, rows sampled at their integer line.
  i64 startY = ((i64)top->y + 0xFFFF) >> 16;
  i64 endY = ((i64)bottom->y + 0xFFFF) >> 16;
  if (startY < 0) startY = 0;
  if (endY > m->Height) endY = m->Height;
  if (startY < m->MinScan) m->MinScan = (i32)startY;
  if (endY > m->MaxScan) m->MaxScan = (i32)endY;
  if (startY >= endY) return 1;

  // Texture co-ordinates and the perspective term over w, linear on screen.
  const i64 zTop = TS_Shl(top->iw, 24), zBottom = TS_Shl(bottom->iw, 24);
  const i64 uTop = TS_Mul(top->u, top->iw) >> 8, uBottom = TS_Mul(bottom->u, bottom->iw) >> 8;
  const i64 vTop = TS_Mul(top->v, top->iw) >> 8, vBottom = TS_Mul(bottom->v, bottom->iw) >> 8;

  const i64 dy = (i64)bottom->y - top->y;
  const i64 dX = TS_Div(TS_Shl((i64)bottom->x - top->x, 16), dy);
  const i64 dU = TS_Div(TS_Shl(TS_Sub(uBottom, uTop), 16), dy);
  const i64 dV = TS_Div(TS_Shl(TS_Sub(vBottom, vTop), 16), dy);
  const i64 dZ = TS_Div(TS_Shl(TS_Sub(zBottom, zTop), 16), dy);

  const i64 p = startY * 65536 - top->y;
  i64 x = TS_Add(top->x, TS_FixMul(p, dX));
  i64 u = TS_Add(uTop, TS_FixMul(p, dU));
  i64 v = TS_Add(vTop, TS_FixMul(p, dV));
  i64 z = TS_Add(zTop, TS_FixMul(p, dZ));
  const i64 xMax = (i64)m->Width << 16;
  for (i64 row = startY; row < endY; row++) {
    tsScanInfo* r = &m->Scans[row];
    r->points++;
    r->z1 = z;
    const i64 xc = x < 0 ? 0 : (x > xMax ? xMax : x);
    if (r->points == 1) {
      r->x1 = r->x2 = (i32)xc;
      r->u1 = r->u2 = RASTER_nLow(u);
      r->v1 = r->v2 = RASTER_nLow(v);
    } else if (xc >= r->x1) {
      r->x2 = (i32)xc;
      r->u2 = RASTER_nLow(u);
      r->v2 = RASTER_nLow(v);
    } else {
      r->x1 = (i32)xc;
      r->u1 = RASTER_nLow(u);
      r->v1 = RASTER_nLow(v);
    }
    // The clamped position carries on.
    x = TS_Add(xc, dX);
    u = TS_Add(u, dU);
    v = TS_Add(v, dV);
    z = TS_Add(z, dZ);
  }
  return 1;
}

// Texture co-ordinates carry 15 fraction bits a texel; the texture repeats.
static inline u16 RASTER_u16Texel(const u16* texture, u32 u, u32 v) {
  return texture[TS_TexelIndex((i32)((u >> 15) & 511), (i32)((v >> 15) & 511))];
}

// Pixels ceil(x1) to ceil(x2) - 1 of row y.
static void RASTER_vSpan(tsDisplay* m, i32 y, const tsScanInfo* r) {
  const i64 ceil1 = (i64)r->x1 + 0xFFFF;
  const i32 xs = (i32)(ceil1 >> 16);
  const i32 n = (i32)((((i64)r->x2 + 0xFFFF) >> 16) - xs);
  // n >= 1 keeps x2 - x1 above 0; z1 is 0 only for a vertex at infinity.
  if (n < 1 || r->z1 == 0) return;
  const i64 q = (ceil1 & ~(i64)0xFFFF) - r->x1;

  // The row's one perspective division.
  const i64 w = TS_Div((i64)1 << 56, r->z1);
  const u32 u1 = (u32)RASTER_nLow(TS_Mul(w, r->u1) >> 16), v1 = (u32)RASTER_nLow(TS_Mul(w, r->v1) >> 16);
  const u32 u2 = (u32)RASTER_nLow(TS_Mul(w, r->u2) >> 16), v2 = (u32)RASTER_nLow(TS_Mul(w, r->v2) >> 16);
  const i64 reciprocal = ((i64)1 << 32) / ((i64)r->x2 - r->x1);
  // Differences wrap at 32 bits like the co-ordinates, a whole number of
  // texture repeats.
  const u32 du = (u32)RASTER_nLow(TS_Mul((i32)(u2 - u1), reciprocal) >> 16);
  const u32 dv = (u32)RASTER_nLow(TS_Mul((i32)(v2 - v1), reciprocal) >> 16);
  u32 u = u1 + (u32)RASTER_nLow(TS_Mul((i32)du, q) >> 16);
  u32 v = v1 + (u32)RASTER_nLow(TS_Mul((i32)dv, q) >> 16);

  const u16* texture = m->CurTexturePtr;
  u16* dst = m->BackBuffer + (ptrdiff_t)y * m->Width + xs;
  i32 remaining = n;
  if (n > 2 && ((uintptr_t)dst & 2) != 0) {
    *dst++ = RASTER_u16Texel(texture, u, v);
    u += du;
    v += dv;
    remaining--;
  }
  if (n > 2) {
    for (; remaining >= 2; remaining -= 2, dst += 2) {
      u16 pair[2];
      pair[0] = RASTER_u16Texel(texture, u, v);
      pair[1] = RASTER_u16Texel(texture, u + du, v + dv);
      memcpy(dst, pair, sizeof pair);
      u += 2 * du;
      v += 2 * dv;
    }
  }
  for (; remaining > 0; remaining--) {
    *dst++ = RASTER_u16Texel(texture, u, v);
    u += du;
    v += dv;
  }
}

i32 tsDisplay_DrawScans(tsDisplay* m) {
  if (m->MinScan < 0) m->MinScan = 0;
  if (m->MaxScan > m->Height) m->MaxScan = m->Height;
  for (i32 y = m->MinScan; y < m->MaxScan; y++) {
    tsScanInfo* r = &m->Scans[y];
    if (r->points >= 2) RASTER_vSpan(m, y, r);
    r->points = 0;
  }
  return 0;
}

// A convex polygon in screen vertices, closing edge included.
static void RASTER_vFill(tsDisplay* m, tsVertex* v, i32 n) {
  m->MinScan = TS_MAX_SCANS;
  m->MaxScan = 0;
  for (i32 k = 0; k < n; k++) tsDisplay_CalcScans(m, &v[k], &v[(k + 1) % n]);
  tsDisplay_DrawScans(m);
}

void tsDisplay_DrawTextureQuad(tsDisplay* m, i32 count, i32* indices) {
  for (i32 first = 0; first + 4 <= count; first += 4) {
    const i32* idx = indices + first;
    if (!RASTER_bHeld(m, idx, 4)) continue;
    i32 codeAnd = 0x7F, codeOr = 0;
    for (int k = 0; k < 4; k++) {
      codeAnd &= m->TVerts[idx[k]].clip;
      codeOr |= m->TVerts[idx[k]].clip;
    }
    if (codeAnd != 0) continue;
    if ((codeOr & 0x7F) == 0) {
      tsVertex quad[4] = {m->SVerts[idx[0]], m->SVerts[idx[1]], m->SVerts[idx[2]], m->SVerts[idx[3]]};
      RASTER_vFill(m, quad, 4);
      continue;
    }
    if ((codeOr & TS_CLIP_W0) != 0) continue;
    for (int k = 0; k < 4; k++) DD_UTIL_Memcpy(&m->ClipTVerts[k], &m->TVerts[idx[k]], sizeof(tsTVertex));
    i32 order[4] = {0, 1, 2, 3};
    const i32 n = tsDisplay_ClipUVW(m, order, 4);
    if (n > 2) RASTER_vFill(m, m->ClipVerts, n);
  }
}

void tsDisplay_DrawLineStrip(tsDisplay* m, i32 count, i32* indices) {
  for (i32 k = 0; k < count; k++) {
    const i32* ends = indices + k;
    if (!RASTER_bHeld(m, ends, 2)) continue;
    const i32 ca = m->TVerts[ends[0]].clip, cb = m->TVerts[ends[1]].clip;
    if ((ca & cb) != 0) continue;
    if (((ca | cb) & 0x7F) == 0) {
      tsDisplay_DrawLine(m, &m->SVerts[ends[0]], &m->SVerts[ends[1]], m->CurColor);
      continue;
    }
    if (((ca | cb) & TS_CLIP_W0) != 0) continue;
    DD_UTIL_Memcpy(&m->ClipTVerts[0], &m->TVerts[ends[0]], sizeof(tsTVertex));
    DD_UTIL_Memcpy(&m->ClipTVerts[1], &m->TVerts[ends[1]], sizeof(tsTVertex));
    i32 order[2] = {0, 1};
    if (tsDisplay_ClipUV(m, order, 2) == 2) tsDisplay_DrawLine(m, &m->ClipVerts[0], &m->ClipVerts[1], m->CurColor);
  }
}

// Whole pixel of a 16.16 screen co-ordinate, kept on the screen.
static inline i32 RASTER_nPixel(i32 v, i32 size) {
  const i32 p = v >> 16;
  return p < 0 ? 0 : (p > size - 1 ? size - 1 : p);
}

void tsDisplay_DrawLine(tsDisplay* m, tsVertex* v1, tsVertex* v2, u32 color) {
  if (m->Width <= 0 || m->Height <= 0) return;
  const i32 x1 = RASTER_nPixel(v1->x, m->Width), y1 = RASTER_nPixel(v1->y, m->Height);
  const i32 x2 = RASTER_nPixel(v2->x, m->Width), y2 = RASTER_nPixel(v2->y, m->Height);
  const i32 dx = x2 > x1 ? x2 - x1 : x1 - x2;
  const i32 dy = y2 > y1 ? y2 - y1 : y1 - y2;
  const ptrdiff_t stepX = x2 >= x1 ? 1 : -1;
  const ptrdiff_t stepY = y2 >= y1 ? m->Width : -(ptrdiff_t)m->Width;
  const u16 c = (u16)color;
  u16* pixels = m->BackBuffer;
  ptrdiff_t at = (ptrdiff_t)y1 * m->Width + x1;
  // The last end is left for the next segment of a strip.
  if (dx < dy) {
    i32 balance = 2 * dx - dy;
    for (i32 i = 0; i < dy; i++) {
      pixels[at] = c;
      if (balance >= 0) {
        at += stepX + stepY;
        balance += 2 * dx - 2 * dy;
      } else {
        at += stepY;
        balance += 2 * dx;
      }
    }
  } else {
    i32 balance = 2 * dy - dx;
    for (i32 i = 0; i < dx; i++) {
      pixels[at] = c;
      if (balance < 0) {
        at += stepX;
        balance += 2 * dy;
      } else {
        at += stepX + stepY;
        balance += 2 * dy - 2 * dx;
      }
    }
  }
}
