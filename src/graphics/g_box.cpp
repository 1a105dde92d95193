// Boxes. Outlines and rounded shapes are built from lines and pixels; square
// filled boxes write their clamped rows directly. Corners and sizes are worked
// out in 64 bits so that a box reaching past the PIXEL range still clips
// instead of wrapping.

#include "g_box.h"

#include "g_line.h"
#include "g_pixel.h"
#include "g_span.h"
#include "g_walk.h"

typedef struct tag_BOX_GEOMETRY {
  S64 x;
  S64 y;
  S64 right;
  S64 top;
  S64 r;  // corner radius
} BOX_GEOMETRY;

static BOX_GEOMETRY BOX_geometry(const POINT* pAnchor, U32 u32Width, U32 u32Height, U32 u32Radius) {
  BOX_GEOMETRY g;
  g.x = pAnchor->x;
  g.y = pAnchor->y;
  g.right = g.x + u32Width - 1;
  g.top = g.y + u32Height - 1;
  g.r = u32Radius;
  return g;
}

static void BOX_vLine(BITMAP* pDest, COLOR color, S64 x0, S64 y0, S64 x1, S64 y1) {
  POINT a = {G_SPAN_pixSaturate(x0), G_SPAN_pixSaturate(y0)};
  POINT b = {G_SPAN_pixSaturate(x1), G_SPAN_pixSaturate(y1)};
  G_LINE_vDraw(pDest, color, &a, &b);
}

static void BOX_vLineAlpha(BITMAP* pDest, COLOR color, S64 x0, S64 y0, S64 x1, S64 y1, U8 u8Alpha) {
  POINT a = {G_SPAN_pixSaturate(x0), G_SPAN_pixSaturate(y0)};
  POINT b = {G_SPAN_pixSaturate(x1), G_SPAN_pixSaturate(y1)};
  G_LINE_vDrawAlpha(pDest, color, &a, &b, u8Alpha);
}

// Rows below or above the clip rectangle draw nothing, so the row loops of
// filled shapes start and stop at its edges.
static S64 BOX_s64FirstRow(const BITMAP* pDest, S64 y) { return y < pDest->s32ClipBottom ? pDest->s32ClipBottom : y; }
static S64 BOX_s64LastRow(const BITMAP* pDest, S64 top) { return top > pDest->s32ClipTop ? pDest->s32ClipTop : top; }

void G_BOX_vDraw(BITMAP* pDest, COLOR color, const POINT* pAnchor, U32 u32Width, U32 u32Height) {
  if (u32Width == 0 || u32Height == 0) return;
  BOX_GEOMETRY g = BOX_geometry(pAnchor, u32Width, u32Height, 0);
  BOX_vLine(pDest, color, g.x, g.y, g.x, g.top);
  BOX_vLine(pDest, color, g.right, g.y, g.right, g.top);
  BOX_vLine(pDest, color, g.x, g.y, g.right, g.y);
  BOX_vLine(pDest, color, g.x, g.top, g.right, g.top);
}

// A filled box is one clamped column range over the rows inside the clip,
// the same pixels as a clamped line per row: its run's left end and length,
// and its first and last rows (top, bottom). FALSE when nothing is inside.
static BOOLEAN BOX_bRows(const BITMAP* pDest, const BOX_GEOMETRY& g, PIXEL* pLeft, size_t* pCount, S64* pTop,
                         S64* pBottom) {
  PIXEL hi;
  if (!G_SPAN_bClampRun(G_SPAN_pixSaturate(g.x), G_SPAN_pixSaturate(g.right), pDest->s32ClipLeft,
                        pDest->s32ClipRight, pLeft, &hi)) {
    return FALSE;
  }
  *pCount = (size_t)(hi - *pLeft) + 1;
  *pTop = BOX_s64LastRow(pDest, g.top);
  *pBottom = BOX_s64FirstRow(pDest, g.y);
  return *pTop >= *pBottom;
}

// Rows go top down, in memory order, which the prefetcher follows best.
template <typename SPAN>
static void BOX_vFill(BITMAP* pDest, const BOX_GEOMETRY& g, SPAN&& fnSpan) {
  PIXEL lo;
  size_t count;
  S64 top, bottom;
  if (!BOX_bRows(pDest, g, &lo, &count, &top, &bottom)) return;
  for (S64 row = top; row >= bottom; row--) fnSpan(G_SPAN_pcolAt(pDest, lo, (PIXEL)row), count);
}

void G_BOX_vDrawFilled(BITMAP* pDest, COLOR color, const POINT* pAnchor, U32 u32Width, U32 u32Height) {
  if (u32Width == 0 || u32Height == 0) return;
  BOX_vFill(pDest, BOX_geometry(pAnchor, u32Width, u32Height, 0),
            [&](COLOR* p, size_t count) { G_SPAN_vFill(p, count, color); });
}

void G_BOX_vDrawAlpha(BITMAP* pDest, COLOR color, const POINT* pAnchor, U32 u32Width, U32 u32Height, U8 u8Alpha) {
  if (u32Width == 0 || u32Height == 0) return;
  BOX_GEOMETRY g = BOX_geometry(pAnchor, u32Width, u32Height, 0);
  BOX_vLineAlpha(pDest, color, g.x, g.y, g.x, g.top, u8Alpha);
  BOX_vLineAlpha(pDest, color, g.right, g.y, g.right, g.top, u8Alpha);
  BOX_vLineAlpha(pDest, color, g.x, g.y, g.right, g.y, u8Alpha);
  BOX_vLineAlpha(pDest, color, g.x, g.top, g.right, g.top, u8Alpha);
}

// A blended box, as a pane is dimmed, reads back what was mostly drawn just
// before: its rows go in one call, which picks their order.
void G_BOX_vDrawFilledAlpha(BITMAP* pDest, COLOR color, const POINT* pAnchor, U32 u32Width, U32 u32Height,
                            U8 u8Alpha) {
  if (u32Width == 0 || u32Height == 0) return;
  PIXEL lo;
  size_t count;
  S64 top, bottom;
  if (!BOX_bRows(pDest, BOX_geometry(pAnchor, u32Width, u32Height, 0), &lo, &count, &top, &bottom)) return;
  G_SPAN_vBlendRows(G_SPAN_pcolAt(pDest, lo, (PIXEL)top), count, (size_t)(top - bottom) + 1,
                    pDest->__u32PixelWidthOfBuffer, color, u8Alpha);
}

// Straight edges between the corners, then the eight points of every step of
// the corner walk.
template <typename LINE, typename POINT_FN>
static void BOX_vRoundedOutline(const BOX_GEOMETRY& g, LINE&& fnLine, POINT_FN&& fnPoint) {
  const S64 r = g.r;
  fnLine(g.x + r, g.y, g.right - r, g.y);
  fnLine(g.x + r, g.top, g.right - r, g.top);
  fnLine(g.right, g.y + r, g.right, g.top - r);
  fnLine(g.x, g.y + r, g.x, g.top - r);
  G_WALK_vEveryStep(2 * r, [&](S64 a, S64 b) {
    fnPoint(g.x + r - b, g.top - r + a);
    fnPoint(g.x + r - b, g.y + r - a);
    fnPoint(g.x + r - a, g.top - r + b);
    fnPoint(g.x + r - a, g.y + r - b);
    fnPoint(g.right - r + b, g.top - r + a);
    fnPoint(g.right - r + b, g.y + r - a);
    fnPoint(g.right - r + a, g.top - r + b);
    fnPoint(g.right - r + a, g.y + r - b);
  });
}

void G_BOX_vDrawRounded(BITMAP* pDest, COLOR color, const POINT* pAnchor, U32 u32Width, U32 u32Height,
                        U32 u32Radius) {
  if (u32Width == 0 || u32Height == 0) return;
  BOX_vRoundedOutline(
      BOX_geometry(pAnchor, u32Width, u32Height, u32Radius),
      [&](S64 x0, S64 y0, S64 x1, S64 y1) { BOX_vLine(pDest, color, x0, y0, x1, y1); },
      [&](S64 x, S64 y) { G_PIXEL_vPut(pDest, G_SPAN_pixSaturate(x), G_SPAN_pixSaturate(y), color); });
}

void G_BOX_vDrawRoundedAlpha(BITMAP* pDest, COLOR color, const POINT* pAnchor, U32 u32Width, U32 u32Height,
                             U32 u32Radius, U8 u8Alpha) {
  if (u32Width == 0 || u32Height == 0) return;
  BOX_vRoundedOutline(
      BOX_geometry(pAnchor, u32Width, u32Height, u32Radius),
      [&](S64 x0, S64 y0, S64 x1, S64 y1) { BOX_vLineAlpha(pDest, color, x0, y0, x1, y1, u8Alpha); },
      [&](S64 x, S64 y) {
        G_PIXEL_vPutAlpha(pDest, G_SPAN_pixSaturate(x), G_SPAN_pixSaturate(y), color, u8Alpha);
      });
}

void G_BOX_vDrawRoundedFilled(BITMAP* pDest, COLOR color, const POINT* pAnchor, U32 u32Width, U32 u32Height,
                              U32 u32Radius) {
  if (u32Width == 0 || u32Height == 0) return;
  const BOX_GEOMETRY g = BOX_geometry(pAnchor, u32Width, u32Height, u32Radius);
  const S64 r = g.r;
  for (S64 row = BOX_s64FirstRow(pDest, g.y + r), last = BOX_s64LastRow(pDest, g.top - r); row <= last; row++) {
    BOX_vLine(pDest, color, g.x, row, g.right, row);
  }
  // A cap row at half-width w runs from x + r - w to right - r + w.
  auto capRow = [&](S64 row, S64 w) { BOX_vLine(pDest, color, g.x + r - w, row, g.right - r + w, row); };
  G_WALK_vRoundedFill(2 * r, [&](S64 a, S64 b) {
    capRow(g.top - r + b, a);
    capRow(g.top - r + a, b);
    capRow(g.y + r - b, a);
    capRow(g.y + r - a, b);
  });
}

// The opaque fill draws centred runs, some rows more than once: where the
// radius passes half the height the two caps share rows, and where it passes
// half the width a run's ends cross, so that it covers the columns between
// them the other way round. Runs with one centre nest, so a row holds the
// pixels of its longest run. The blended fill replays the opaque fill's runs
// for a band of rows at a time, keeps each row's longest, and blends every
// row once; the band keeps the work on the stack whatever the bitmap's height.
static const S64 BOX_BAND_ROWS = 128;

void G_BOX_vDrawRoundedFilledAlpha(BITMAP* pDest, COLOR color, const POINT* pAnchor, U32 u32Width,
                                   U32 u32Height, U32 u32Radius, U8 u8Alpha) {
  if (u32Width == 0 || u32Height == 0) return;
  const BOX_GEOMETRY g = BOX_geometry(pAnchor, u32Width, u32Height, u32Radius);
  const S64 r = g.r;
  // The run of half-width w goes from x + r - w to right - r + w.
  auto length = [&](S64 w) {
    const S64 n = g.right - g.x - 2 * r + 2 * w;
    return n < 0 ? -n : n;
  };
  const S64 first = BOX_s64FirstRow(pDest, g.y < g.top - r ? g.y : g.top - r);
  const S64 last = BOX_s64LastRow(pDest, g.top > g.y + r ? g.top : g.y + r);
  S64 aWidest[BOX_BAND_ROWS];
  for (S64 band = first; band <= last; band += BOX_BAND_ROWS) {
    const S64 bandLast = band + BOX_BAND_ROWS - 1 < last ? band + BOX_BAND_ROWS - 1 : last;
    for (S64& w : aWidest) w = -1;
    auto take = [&](S64 row, S64 w) {
      if (row < band || row > bandLast) return;
      S64& widest = aWidest[row - band];
      if (widest < 0 || length(w) > length(widest)) widest = w;
    };
    for (S64 row = g.y + r > band ? g.y + r : band; row <= g.top - r && row <= bandLast; row++) take(row, r);
    G_WALK_vRoundedFill(2 * r, [&](S64 a, S64 b) {
      take(g.top - r + b, a);
      take(g.top - r + a, b);
      take(g.y + r - b, a);
      take(g.y + r - a, b);
    });
    for (S64 row = band; row <= bandLast; row++) {
      const S64 w = aWidest[row - band];
      if (w >= 0) BOX_vLineAlpha(pDest, color, g.x + r - w, row, g.right - r + w, row, u8Alpha);
    }
  }
}
