// Fills and copies work a whole row segment at a time through the platform's
// copy routine; a copy within one bitmap whose source and destination overlap
// (scrolling a history by a few columns or rows) takes an overlap-safe path
// instead, so it never reads a pixel it has already overwritten.

#include "g_bmp.h"

#include <stdint.h>
#include <string.h>

#include "dd_util.h"
#include "g_span.h"

void G_BMP_vSet(const BITMAP* pDest, const COLOR color) {
  G_SPAN_vFill((COLOR*)pDest->pBuffer,
               (size_t)pDest->__u32PixelHeightOfBuffer * (size_t)pDest->__u32PixelWidthOfBuffer, color);
}

static bool BMP_bOverlap(const COLOR* a, const COLOR* b, size_t count) {
  uintptr_t ua = (uintptr_t)a, ub = (uintptr_t)b, bytes = count * sizeof(COLOR);
  return ua < ub + bytes && ub < ua + bytes;
}

static void BMP_vCopyRow(COLOR* pDest, const COLOR* pSrc, size_t count) {
  if (BMP_bOverlap(pDest, pSrc, count)) {
    memmove(pDest, pSrc, count * sizeof(COLOR));
  } else {
    DD_UTIL_Memcpy(pDest, pSrc, (U32)(count * sizeof(COLOR)));
  }
}

void G_BMP_vCopyRegion(BITMAP* pbitmapSource, BITMAP* pbitmapDestination, PIXEL pixSource, PIXEL pixDestination,
                       U32 u32Length) {
  if (u32Length == 0) return;
  const S32 rows = pbitmapSource->pixels_high_full_screen;
  for (S32 r = 0; r < rows; r++) {
    BMP_vCopyRow(G_SPAN_pcolAtPhysical(pbitmapDestination, pixDestination, r),
                 G_SPAN_pcolAtPhysical(pbitmapSource, pixSource, r), u32Length);
  }
}

void G_BMP_vPlaceLogicalOnLogical(const BITMAP* pDestBitmap, const POINT* pLogicalDest, const BITMAP* pSrcBitmap,
                                  const POINT* pLogicalSrc, U32 u32Width, U32 u32Height) {
  if (u32Height == 0 || u32Width == 0) return;
  // Memory rows of the top rows of both rectangles; the copy runs downward.
  const S64 srcTop = (S64)pSrcBitmap->pixels_high_full_screen - 1 - ((S64)pLogicalSrc->y + u32Height - 1);
  const S64 destTop = (S64)pDestBitmap->pixels_high_full_screen - 1 - ((S64)pLogicalDest->y + u32Height - 1);
  // Within one bitmap, a destination below the source is copied from the
  // bottom up, so no source row is overwritten before it is read.
  const bool bUpward = pSrcBitmap->pBuffer == pDestBitmap->pBuffer && destTop > srcTop;
  for (U32 k = 0; k < u32Height; k++) {
    const S64 step = bUpward ? (S64)u32Height - 1 - k : (S64)k;
    BMP_vCopyRow(G_SPAN_pcolAtPhysical(pDestBitmap, pLogicalDest->x, (PIXEL)(destTop + step)),
                 G_SPAN_pcolAtPhysical(pSrcBitmap, pLogicalSrc->x, (PIXEL)(srcTop + step)), u32Width);
  }
}

void G_BMP_vCopyPhysicalToLogical(const BITMAP* pDestBitmap, const POINT* pLogicalDest, const BITMAP* pSrcBitmap,
                                  const POINT* pSrc, U32 u32Width, U32 u32Height, const COLOR colorTransparency) {
  // Only the part that lands inside the clip rectangle is visited.
  const S64 x0 = pLogicalDest->x, y0 = pLogicalDest->y;
  S64 jFirst = (S64)pDestBitmap->s32ClipLeft - x0;
  S64 jLast = (S64)pDestBitmap->s32ClipRight - x0;
  S64 kFirst = (S64)pDestBitmap->s32ClipBottom - y0;
  S64 kLast = (S64)pDestBitmap->s32ClipTop - y0;
  if (jFirst < 0) jFirst = 0;
  if (kFirst < 0) kFirst = 0;
  if (jLast > (S64)u32Width - 1) jLast = (S64)u32Width - 1;
  if (kLast > (S64)u32Height - 1) kLast = (S64)u32Height - 1;
  const bool bTransparent = colorTransparency != G_BMP_NO_TRANSPARENCY;
  if (jFirst > jLast) return;
  for (S64 k = kFirst; k <= kLast; k++) {
    const COLOR* pFrom =
        G_SPAN_pcolAtPhysical(pSrcBitmap, (PIXEL)(pSrc->x + jFirst), (PIXEL)((S64)pSrc->y + u32Height - 1 - k));
    COLOR* pTo = G_SPAN_pcolAt(pDestBitmap, (PIXEL)(x0 + jFirst), (PIXEL)(y0 + k));
    for (S64 j = 0, n = jLast - jFirst + 1; j < n; j++) {
      const COLOR c = pFrom[j];
      if (!bTransparent || c != colorTransparency) pTo[j] = c;
    }
  }
}
