// Images are pictures with an opacity per pixel, drawn onto RGB565 bitmaps
// with blending, turned by any angle with bilinear filtering, cropped or
// masked.
//
// 32-bit pixel stream: 4-byte units, bottom row first, each row left to
// right. A unit is a pixel (red, green, blue, opacity: 0 invisible, 255
// opaque) or, when byte 0 is 0x5A and byte 3 is 0, a run: bytes 1-2 a
// little-endian count n of further copies of the previous pixel (opaque
// black before the first). A run ends with its row. The rotated drawings
// read a stream without runs, width x height units.
//
// 16-bit pixel stream: RGB565 values, bottom row first; 0xFFFF and a 16-bit
// count n is a run of n more pixels of the last colour of the row (black at
// the start of each row), ending with the row.
//
// Two blends of an image pixel (R, G, B, A) with the old RGB565 pixel occur:
// by 256, channel = (A * new + (255 - A) * old) >> 8, and by 255, the same
// sum / 255; A = 255 writes the colour exactly and A = 0 nothing.
#pragma once

#include "g_icon.h"
#include "g_types.h"

typedef struct tag_IMAGE32 {
  const U8* data;
  const U8* mask;  // not read here
  S32 s32Width;
  S32 s32Height;
  U32 eCompression;  // not read here
} IMAGE32;

typedef struct tag_IMAGE {
  const COLOR* data;
  const U8* mask;  // not read here
  S32 s32Width;
  S32 s32Height;
  U32 eCompression;  // not read here
} IMAGE;

// Lower-left corner at pptLowerLeft, blend by 256. An image not wholly inside
// the clip rectangle is not drawn at all.
void G_IMAGE32_vPut(BITMAP* pDest, const IMAGE32* pImage32, const POINT* pptLowerLeft);
void G_IMAGE32_vPutBitmap(BITMAP* pDest, const IMAGE32* pImage32, const POINT* pptLowerLeft);
// The 32-bit stream of an icon, clipped pixel by pixel, blend by 255.
void G_IMAGE32_vPutOld(BITMAP* pDest, const ICON* pImage32, const POINT* pptLowerLeft);
// The same for an icon compiled into the program: its stream is decoded once
// and kept.
void G_IMAGE32_vPutOldKept(BITMAP* pDest, const ICON* pImage32, const POINT* pptLowerLeft);
// Turned counter-clockwise by dRotateAngle radians about pptRotateCenter
// (image pixels from its lower-left corner), which lands on pptAnchor.
// Bilinear filtering; the faint fringe (accumulated weight at most 1/255) is
// left out.
void G_IMAGE32_vPutRotated(BITMAP* pDest, const IMAGE32* pImage32, const POINT* pptAnchor,
                           const POINT* pptRotateCenter, double dRotateAngle);
// The same for the stream of an icon, dividing by 255 rather than 256 and
// bounded by the screen rather than the bitmap.
void G_IMAGE32_vPutRotatedOld(BITMAP* pDest, const ICON* pImage32, const POINT* pptAnchor,
                              const POINT* pptRotateCenter, double dRotateAngle);
// The same two drawings for an image whose pixels never change, such as one
// compiled into the program: the turned picture is kept, keyed by the
// image's data, size, centre and angle, and drawn again at any anchor.
void G_IMAGE32_vPutRotatedKept(BITMAP* pDest, const IMAGE32* pImage32, const POINT* pptAnchor,
                               const POINT* pptRotateCenter, double dRotateAngle);
void G_IMAGE32_vPutRotatedOldKept(BITMAP* pDest, const ICON* pImage32, const POINT* pptAnchor,
                                  const POINT* pptRotateCenter, double dRotateAngle);
// As G_IMAGE32_vPut, keeping only part of the image: u8Top 1 the rows 0 to
// H / 2, 2 the rows H / 2 to H; u8Left 1 the columns 0 to W / 2, 2 the
// columns W / 2 to W; other values keep all (bounds included).
void G_IMAGE32_vPut_Half(BITMAP* pDest, const IMAGE32* pImage32, const POINT* pptLowerLeft, U8 u8Top, U8 u8Left);
// Pixel by pixel, blend by 255, only one side of the line through pptCenter
// whose slope is 1 / tan(u32RotatedAngle degrees): for 1 to 180 the pixels
// left of the centre and below the line, otherwise those not strictly right
// of the centre and below it.
void G_IMAGE32_PART_vPut(BITMAP* pDest, const IMAGE32* pImage32, const POINT* pptLowerLeft, const POINT* pptCenter,
                         U32 u32RotatedAngle);
// The lower-left fwidthPercent x fHightPercent of the image (fractions
// limited to 0..1), blend by 255.
void G_IMAGE32_PART_vPutNew(BITMAP* pDest, const IMAGE32* pImage32, const POINT* pptLowerLeft, float fwidthPercent,
                            float fHightPercent);
// Blend by 256, only inside the sector of the circle of u32Radius about
// archor from fStartAngle to fEndAngle (whole degrees, counter-clockwise from
// the x axis); direction >= 0 sweeps counter-clockwise from the start angle,
// < 0 clockwise. A sweep of 360 degrees or more is the whole disc.
void G_IMAGE32_vPutCondition(BITMAP* pDest, const IMAGE32* pImage32, const POINT* pptLowerLeft, U32 u32Radius,
                             float fStartAngle, float fEndAngle, POINT* archor, S32 direction);

// The 16-bit stream pixel by pixel, no blending.
void G_IMAGE_vPut(BITMAP* pDest, const IMAGE* pImage, const POINT* pptLowerLeft);
// The lower-left part of a 16-bit stream without runs; fractions above 1 are
// taken as 1.
void G_IMAGE_PART_vPut(BITMAP* pDest, const IMAGE* pImage, const POINT* pptLowerLeft, float fwidthPercent,
                       float fHightPercent);
// As G_IMAGE_PART_vPut for a stream that may hold runs; a height fraction
// above 1 draws the whole image.
void G_IMAGE_PART_vPutNew(BITMAP* pDest, const IMAGE* pImage, const POINT* pptLowerLeft, float fwidthPercent,
                          float fHightPercent);
