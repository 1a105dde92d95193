// Straight lines take the cheapest path their direction allows. Horizontal and
// vertical lines write memory directly after clamping their ends to the clip
// rectangle; every other line takes the symmetric double-step walk, which
// draws from both ends toward the middle so that a line and its reverse cover
// the same pixels.

#include "g_line.h"

#include <math.h>

#include "g_span.h"

// Steep lines are walked along y: the co-ordinates come in swapped and
// plotting swaps them back.
template <bool kClip, bool kSteep>
static void LINE_vWalk(BITMAP* pDest, COLOR color, PIXEL xs, PIXEL ys, PIXEL xe, PIXEL ye) {
  S64 dx = (S64)xe - xs;
  S64 dy = (S64)ye - ys;
  const PIXEL step = ((dx < 0) == (dy < 0)) ? 1 : -1;
  dx = dx < 0 ? -dx : dx;
  dy = dy < 0 ? -dy : dy;
  if (kSteep) {
    PIXEL t = xs;
    xs = ys;
    ys = t;
    t = xe;
    xe = ye;
    ye = t;
    S64 d = dx;
    dx = dy;
    dy = d;
  }
  PIXEL x0 = xs, y0 = ys, x1 = xe, y1 = ye;
  if (x0 > x1) {
    x0 = xe;
    y0 = ye;
    x1 = xs;
    y1 = ys;
  }
  auto plot = [&](PIXEL u, PIXEL v) {
    PIXEL x = kSteep ? v : u;
    PIXEL y = kSteep ? u : v;
    if (!kClip || G_SPAN_bInClip(pDest, x, y)) *G_SPAN_pcolAt(pDest, x, y) = color;
  };

  const S64 xend = (dx - 1) / 4;
  const S64 pixelsLeft = (dx - 1) % 4;
  plot(x0, y0);
  plot(x1, y1);
  const S64 incr2 = 4 * dy - 2 * dx;
  if (incr2 < 0) {
    // Slope below one half.
    const S64 c = 2 * dy;
    const S64 incr1 = 2 * c;
    S64 D = incr1 - dx;
    for (S64 i = 0; i < xend; i++) {
      ++x0;
      --x1;
      if (D < 0) {
        plot(x0, y0);
        plot(++x0, y0);
        plot(x1, y1);
        plot(--x1, y1);
        D += incr1;
      } else {
        if (D < c) {
          plot(x0, y0);
          plot(++x0, y0 += step);
          plot(x1, y1);
          plot(--x1, y1 -= step);
        } else {
          plot(x0, y0 += step);
          plot(++x0, y0);
          plot(x1, y1 -= step);
          plot(--x1, y1);
        }
        D += incr2;
      }
    }
    if (pixelsLeft != 0) {
      if (D < 0) {
        plot(++x0, y0);
        if (pixelsLeft > 1) plot(++x0, y0);
        if (pixelsLeft > 2) plot(--x1, y1);
      } else if (D < c) {
        plot(++x0, y0);
        if (pixelsLeft > 1) plot(++x0, y0 += step);
        if (pixelsLeft > 2) plot(--x1, y1);
      } else {
        plot(++x0, y0 += step);
        if (pixelsLeft > 1) plot(++x0, y0);
        if (pixelsLeft > 2) plot(--x1, y1 -= step);
      }
    }
  } else {
    // Slope one half or more.
    const S64 c = 2 * (dy - dx);
    const S64 incr1 = 2 * c;
    S64 D = incr1 + dx;
    for (S64 i = 0; i < xend; i++) {
      ++x0;
      --x1;
      if (D > 0) {
        plot(x0, y0 += step);
        plot(++x0, y0 += step);
        plot(x1, y1 -= step);
        plot(--x1, y1 -= step);
        D += incr1;
      } else {
        if (D < c) {
          plot(x0, y0);
          plot(++x0, y0 += step);
          plot(x1, y1);
          plot(--x1, y1 -= step);
        } else {
          plot(x0, y0 += step);
          plot(++x0, y0);
          plot(x1, y1 -= step);
          plot(--x1, y1);
        }
        D += incr2;
      }
    }
    if (pixelsLeft != 0) {
      if (D > 0) {
        plot(++x0, y0 += step);
        if (pixelsLeft > 1) plot(++x0, y0 += step);
        if (pixelsLeft > 2) plot(--x1, y1 -= step);
      } else if (D < c) {
        plot(++x0, y0);
        if (pixelsLeft > 1) plot(++x0, y0 += step);
        if (pixelsLeft > 2) plot(--x1, y1);
      } else {
        plot(++x0, y0 += step);
        if (pixelsLeft > 1) plot(++x0, y0);
        if (pixelsLeft > 2) {
          if (D > c) {
            plot(--x1, y1 -= step);
          } else {
            plot(--x1, y1);
          }
        }
      }
    }
  }
}

template <bool kClip>
static void LINE_vWalkEither(BITMAP* pDest, COLOR color, const POINT* pStart, const POINT* pEnd) {
  const S64 dx = (S64)pEnd->x - pStart->x, dy = (S64)pEnd->y - pStart->y;
  if ((dx < 0 ? -dx : dx) < (dy < 0 ? -dy : dy)) {
    LINE_vWalk<kClip, true>(pDest, color, pStart->x, pStart->y, pEnd->x, pEnd->y);
  } else {
    LINE_vWalk<kClip, false>(pDest, color, pStart->x, pStart->y, pEnd->x, pEnd->y);
  }
}

// Lines that are neither horizontal nor vertical. Clipping per pixel is
// needed only when an end lies outside the clip: the walk never leaves the
// box spanned by its two ends.
static void line_Draw(BITMAP* pDest, COLOR color, POINT* pStart, POINT* pEnd) {
  if (G_SPAN_bInClip(pDest, pStart->x, pStart->y) && G_SPAN_bInClip(pDest, pEnd->x, pEnd->y)) {
    LINE_vWalkEither<false>(pDest, color, pStart, pEnd);
  } else {
    LINE_vWalkEither<true>(pDest, color, pStart, pEnd);
  }
}

// The clamped part of a vertical line at x, or of a horizontal line at y;
// FALSE when nothing of it lies inside the clip rectangle.
static bool LINE_bClampVertical(const BITMAP* pDest, const POINT* pStart, const POINT* pEnd, PIXEL* pLow,
                                PIXEL* pHigh) {
  if (pStart->x < pDest->s32ClipLeft || pStart->x > pDest->s32ClipRight) return false;
  return G_SPAN_bClampRun(pStart->y, pEnd->y, pDest->s32ClipBottom, pDest->s32ClipTop, pLow, pHigh);
}

static bool LINE_bClampHorizontal(const BITMAP* pDest, const POINT* pStart, const POINT* pEnd, PIXEL* pLow,
                                  PIXEL* pHigh) {
  if (pStart->y < pDest->s32ClipBottom || pStart->y > pDest->s32ClipTop) return false;
  return G_SPAN_bClampRun(pStart->x, pEnd->x, pDest->s32ClipLeft, pDest->s32ClipRight, pLow, pHigh);
}

void G_LINE_vDraw(BITMAP* pDest, COLOR color, POINT* pStart, POINT* pEnd) {
  PIXEL lo, hi;
  if (pStart->x == pEnd->x) {
    if (!LINE_bClampVertical(pDest, pStart, pEnd, &lo, &hi)) return;
    // From the upper end, which is the lower memory row.
    G_SPAN_vFillColumn(G_SPAN_pcolAt(pDest, pStart->x, hi), (size_t)(hi - lo) + 1, pDest->__u32PixelWidthOfBuffer,
                       color);
  } else if (pStart->y == pEnd->y) {
    if (!LINE_bClampHorizontal(pDest, pStart, pEnd, &lo, &hi)) return;
    G_SPAN_vFill(G_SPAN_pcolAt(pDest, lo, pStart->y), (size_t)(hi - lo) + 1, color);
  } else {
    line_Draw(pDest, color, pStart, pEnd);
  }
}

void G_LINE_vDrawThick(BITMAP* pDest, COLOR color, POINT* pStart, POINT* pEnd, U8 thickness) {
  if (thickness == 0) return;
  G_LINE_vDraw(pDest, color, pStart, pEnd);
  if (thickness == 1 || (pStart->x == pEnd->x && pStart->y == pEnd->y)) return;
  const double dx = (double)pEnd->x - (double)pStart->x;
  const double dy = (double)pEnd->y - (double)pStart->y;
  const double len = sqrt(dx * dx + dy * dy);
  const double fCosine = fabs(dx) / len;
  const double fSine = fabs(dy) / len;
  // A steep line is thickened along x, any other along y; the count grows
  // with the slant so that the line keeps its width across its direction.
  const bool bSteep = fSine > fCosine;
  const S32 n = (S32)(thickness / (bSteep ? fSine : fCosine));
  const S32 lo = (n & 1) ? -(n - 1) / 2 : -n / 2;
  const S32 hi = (n & 1) ? (n - 1) / 2 : (n - 2) / 2;
  for (S32 k = lo; k <= hi; k++) {
    if (k == 0) continue;
    POINT a = *pStart;
    POINT b = *pEnd;
    if (bSteep) {
      a.x = G_SPAN_pixSaturate((S64)a.x + k);
      b.x = G_SPAN_pixSaturate((S64)b.x + k);
    } else {
      a.y = G_SPAN_pixSaturate((S64)a.y + k);
      b.y = G_SPAN_pixSaturate((S64)b.y + k);
    }
    G_LINE_vDraw(pDest, color, &a, &b);
  }
}

// Clamps one co-ordinate of a patterned line into min..max, keeping its
// direction; FALSE when the line lies wholly outside.
static bool LINE_bClampPatterned(PIXEL* pA, PIXEL* pB, PIXEL min, PIXEL max) {
  PIXEL lo, hi;
  if (!G_SPAN_bClampRun(*pA, *pB, min, max, &lo, &hi)) return false;
  if (*pA < min) *pA = min;
  if (*pA > max) *pA = max;
  if (*pB < min) *pB = min;
  if (*pB > max) *pB = max;
  return true;
}

void G_LINE_vDrawPatterned(BITMAP* pDest, COLOR color, POINT* pStart, POINT* pEnd, PATTERN pattern) {
  const BITMAP* b = pDest;
  PIXEL first, last;
  COLOR* p;
  ptrdiff_t stride;
  if (pStart->x == pEnd->x) {
    if (pStart->x < b->s32ClipLeft_full_screen || pStart->x > b->s32ClipRight_full_screen) return;
    if (!LINE_bClampPatterned(&pStart->y, &pEnd->y, b->s32ClipBottom_full_screen, b->s32ClipTop_full_screen)) return;
    first = pStart->y;
    last = pEnd->y;
    p = G_SPAN_pcolAt(b, pStart->x, first);
    // Upward in logical y is backward in memory.
    stride = first < last ? -(ptrdiff_t)b->__u32PixelWidthOfBuffer : (ptrdiff_t)b->__u32PixelWidthOfBuffer;
  } else if (pStart->y == pEnd->y) {
    if (pStart->y < b->s32ClipBottom_full_screen || pStart->y > b->s32ClipTop_full_screen) return;
    if (!LINE_bClampPatterned(&pStart->x, &pEnd->x, b->s32ClipLeft_full_screen, b->s32ClipRight_full_screen)) return;
    first = pStart->x;
    last = pEnd->x;
    p = G_SPAN_pcolAt(b, first, pStart->y);
    stride = first < last ? 1 : -1;
  } else {
    return;
  }
  if (first == last) {
    *p = color;
    return;
  }
  const size_t count = (size_t)(first < last ? (S64)last - first : (S64)first - last) + 1;
  for (size_t i = 0; i < count; i++) {
    if (pattern & (0x8000u >> (i & 15))) p[(ptrdiff_t)i * stride] = color;
  }
}

void G_LINE_vDrawAlpha(BITMAP* pDest, COLOR color, POINT* pStart, POINT* pEnd, U8 u8Alpha) {
  PIXEL lo, hi;
  if (pStart->x == pEnd->x) {
    if (!LINE_bClampVertical(pDest, pStart, pEnd, &lo, &hi)) return;
    G_SPAN_vBlendColumn(G_SPAN_pcolAt(pDest, pStart->x, hi), (size_t)(hi - lo) + 1, pDest->__u32PixelWidthOfBuffer,
                        color, u8Alpha);
  } else if (pStart->y == pEnd->y) {
    if (!LINE_bClampHorizontal(pDest, pStart, pEnd, &lo, &hi)) return;
    G_SPAN_vBlend(G_SPAN_pcolAt(pDest, lo, pStart->y), (size_t)(hi - lo) + 1, color, u8Alpha);
  } else {
    line_Draw(pDest, color, pStart, pEnd);
  }
}
