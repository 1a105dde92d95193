// A single pixel is clipped in logical coordinates, or written directly in
// physical ones (x, memory row) by inner loops that have clipped already.
#pragma once

#include "g_types.h"

// Nothing outside the working clip rectangle is written.
void G_PIXEL_vPut(const BITMAP* pDest, PIXEL nX, PIXEL nY, COLOR color);
// Physical (nX, row nY); unchecked.
void G_PIXEL_vPutDirect(const BITMAP* pDest, PIXEL nX, PIXEL nY, COLOR color);
// Physical (nX, row nY); unchecked.
COLOR G_PIXEL_colorGetPhysicalPixel(const BITMAP* pSrc, PIXEL nX, PIXEL nY);
// Clipped like G_PIXEL_vPut. u8Alpha is the weight of the old pixel in
// 256ths: 0 writes color unchanged.
void G_PIXEL_vPutAlpha(const BITMAP* pDest, PIXEL nX, PIXEL nY, COLOR color, U8 u8Alpha);
