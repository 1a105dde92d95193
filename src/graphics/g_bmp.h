// Filling a whole bitmap and copying rectangles between bitmaps (or within
// one, as a history scrolls).
#pragma once

#include "g_types.h"

// The transparent colour of G_BMP_vCopyPhysicalToLogical that means "copy
// every pixel".
constexpr COLOR G_BMP_NO_TRANSPARENCY = 0xFFFE;

// Fills the whole pixel memory, row padding included, ignoring the clip.
void G_BMP_vSet(const BITMAP* pDest, const COLOR color);

// For every memory row of the source, copies u32Length pixels from column
// pixSource to column pixDestination of the same memory row of the
// destination. Unclipped: the caller keeps both bands inside both bitmaps and
// the destination at least as high as the source.
void G_BMP_vCopyRegion(BITMAP* pbitmapSource, BITMAP* pbitmapDestination, PIXEL pixSource, PIXEL pixDestination,
                       U32 u32Length);
// Copies the u32Width x u32Height rectangle with lower-left corner
// pLogicalSrc to the one with lower-left corner pLogicalDest. Unclipped.
void G_BMP_vPlaceLogicalOnLogical(const BITMAP* pDestBitmap, const POINT* pLogicalDest, const BITMAP* pSrcBitmap,
                                  const POINT* pLogicalSrc, U32 u32Width, U32 u32Height);
// Copies pixel by pixel the rectangle whose top-left corner is the physical
// point pSrc (column, memory row) to the one whose lower-left corner is
// pLogicalDest, upright and clipped to the destination's clip rectangle.
// Source pixels equal to colorTransparency are skipped, unless it is
// G_BMP_NO_TRANSPARENCY.
void G_BMP_vCopyPhysicalToLogical(const BITMAP* pDestBitmap, const POINT* pLogicalDest, const BITMAP* pSrcBitmap,
                                  const POINT* pSrc, U32 u32Width, U32 u32Height, const COLOR colorTransparency);
