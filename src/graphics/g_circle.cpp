#include "g_circle.h"

#include "g_line.h"
#include "g_pixel.h"
#include "g_span.h"
#include "g_walk.h"

static S64 CIRCLE_s64Clamp(S64 v, S64 max) { return v < 0 ? 0 : (v > max ? max : v); }

static void CIRCLE_vOutline(BITMAP* pDest, COLOR color, const POINT* pCenter, U32 u32Diameter, bool bBound) {
  if ((S32)u32Diameter < 0) return;
  const S64 cx = pCenter->x, cy = pCenter->y;
  auto put = [&](S64 x, S64 y) {
    if (bBound) {
      x = CIRCLE_s64Clamp(x, (S64)pDest->pixels_wide - 1);
      y = CIRCLE_s64Clamp(y, (S64)pDest->pixels_high - 1);
    }
    G_PIXEL_vPut(pDest, G_SPAN_pixSaturate(x), G_SPAN_pixSaturate(y), color);
  };
  G_WALK_vCircle(u32Diameter, [&](S64 a, S64 b) {
    put(cx + a, cy + b);
    put(cx - a, cy + b);
    put(cx + a, cy - b);
    put(cx - a, cy - b);
    put(cx + b, cy + a);
    put(cx - b, cy + a);
    put(cx + b, cy - a);
    put(cx - b, cy - a);
  });
}

void G_CIRCLE_vDraw(BITMAP* pDest, COLOR color, POINT* pCenter, U32 u32Diameter) {
  CIRCLE_vOutline(pDest, color, pCenter, u32Diameter, true);
}

void G_CIRCLE_vDrawWithNoBound(BITMAP* pDest, COLOR color, POINT* pCenter, U32 u32Diameter) {
  CIRCLE_vOutline(pDest, color, pCenter, u32Diameter, false);
}

void G_CIRCLE_vDrawFilled(BITMAP* pDest, COLOR color, POINT* pCenter, U32 u32Diameter) {
  if ((S32)u32Diameter < 0) return;
  const S64 cx = pCenter->x, cy = pCenter->y;
  auto row = [&](S64 y, S64 halfWidth) {
    POINT a = {G_SPAN_pixSaturate(cx - halfWidth), G_SPAN_pixSaturate(y)};
    POINT b = {G_SPAN_pixSaturate(cx + halfWidth), G_SPAN_pixSaturate(y)};
    G_LINE_vDraw(pDest, color, &a, &b);
  };
  G_WALK_vCircle(u32Diameter, [&](S64 a, S64 b) {
    row(cy + b, a);
    row(cy + a, b);
    row(cy - b, a);
    row(cy - a, b);
  });
}
