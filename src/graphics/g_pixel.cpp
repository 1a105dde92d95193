#include "g_pixel.h"

#include "g_span.h"

void G_PIXEL_vPut(const BITMAP* pDest, PIXEL nX, PIXEL nY, COLOR color) {
  if (G_SPAN_bInClip(pDest, nX, nY)) *G_SPAN_pcolAt(pDest, nX, nY) = color;
}

void G_PIXEL_vPutDirect(const BITMAP* pDest, PIXEL nX, PIXEL nY, COLOR color) {
  *G_SPAN_pcolAtPhysical(pDest, nX, nY) = color;
}

COLOR G_PIXEL_colorGetPhysicalPixel(const BITMAP* pSrc, PIXEL nX, PIXEL nY) {
  return *G_SPAN_pcolAtPhysical(pSrc, nX, nY);
}

void G_PIXEL_vPutAlpha(const BITMAP* pDest, PIXEL nX, PIXEL nY, COLOR color, U8 u8Alpha) {
  if (!G_SPAN_bInClip(pDest, nX, nY)) return;
  COLOR* p = G_SPAN_pcolAt(pDest, nX, nY);
  *p = G_SPAN_colorBlend(color, *p, u8Alpha);
}
