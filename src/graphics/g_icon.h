// Icons are small constant pictures, stored as 4-bit colour indexes in one of
// five layouts or as a 32-bit stream with opacity, drawn unrotated or turned.
//
// 4-bit pixels are stored top row first, left to right, and show the colour
// lookup set by G_ICON_vSetIconPalette (entries 80-95 of the colour table).
// Icon pixel (nX, nY) counts nY from the bottom row, as everywhere in the
// drawing system.
#pragma once

#include <array>
#include <vector>

#include "g_types.h"

typedef enum tag_ICON_COMPRESSION : U32 {
  // pBitmap: a BITMAP whose buffer holds eight 4-bit pixels per 32-bit word,
  // first pixel in the most significant nibble, rows __u32PixelWidthOfBuffer
  // pixels apart. pMask: null or a BITMAP of mask nibbles (15 transparent).
  ICON_PADDED_BITMAPS = 0,
  // pBitmap: bytes of two pixels each, high nibble first, rows not padded.
  // pMask: null or mask nibbles laid out alike (15 transparent).
  ICON_UNPADDED_BUFFERS = 1,
  // As kind 1; pMask points at one byte, the transparent index.
  ICON_TRANSPARENT_COLOR = 2,
  // pBitmap: one nibble run-length stream of all pixels. pMask: null or a
  // second stream of mask nibbles (15 transparent).
  ICON_RLE_BUFFERS = 3,
  // As kind 3; pMask points at one byte, the transparent index.
  ICON_RLE_TRANSPARENT_COLOR = 4,
  // pBitmap: the 32-bit pixel stream of images (g_image32.h); pMask null.
  ICON_PNG_IMAGE32 = 5,
} ICON_COMPRESSION;

typedef struct tag_ICON {
  const void* pBitmap;
  const void* pMask;
  S32 nWidth;
  S32 nHeight;
  ICON_COMPRESSION eCompression;
} ICON;

typedef enum tag_G_ICON_ROTATION : U32 {
  G_ICON_ROTATE_0 = 0,
  G_ICON_ROTATE_90 = 1,
  G_ICON_ROTATE_180 = 2,
  G_ICON_ROTATE_270 = 3,
} G_ICON_ROTATION;

// Places icon pixel (nX, nY) relative to the anchor; vpOther is null.
typedef void G_ICON_PUT_PIXEL_FUNCTION(BITMAP* pDest, const POINT* pptAnchor, S32 nX, S32 nY, COLOR color,
                                       void* vpOther);

// Unrotated, the anchor is the lower-left corner.
void G_ICON_vRot0PutPixel(BITMAP* pDest, const POINT* pptAnchor, S32 nX, S32 nY, COLOR color, void* vpOther);
// A quarter turn clockwise about the anchor.
void G_ICON_vRot90PutPixel(BITMAP* pDest, const POINT* pptAnchor, S32 nX, S32 nY, COLOR color, void* vpOther);
void G_ICON_vRot180PutPixel(BITMAP* pDest, const POINT* pptAnchor, S32 nX, S32 nY, COLOR color, void* vpOther);
// Three quarter turns clockwise.
void G_ICON_vRot270PutPixel(BITMAP* pDest, const POINT* pptAnchor, S32 nX, S32 nY, COLOR color, void* vpOther);

// Lower-left corner at pptLowerLeft. Pixels outside the clip rectangle are
// dropped; a null icon, an unknown kind or a non-positive size draws nothing.
void G_ICON_vPut(BITMAP* pDest, const ICON* pIcon, const POINT* pptLowerLeft);
// The same for an icon compiled into the program, whose pixels never
// change: a 4-bit icon is decoded once and kept.
void G_ICON_vPutKept(BITMAP* pDest, const ICON* pIcon, const POINT* pptLowerLeft);
// A kept icon in the colours of the look-up as it stood when taken, for one
// task that draws the same few icons many times a frame (a track's dots):
// it takes them again before each batch, which costs a comparison of the
// look-up while that stays.
typedef struct tag_G_ICON_COLOURED {
  BOOLEAN bTaken;
  const ICON* pIcon;
  const void* pKept;  // its decoded runs; null for an icon G_ICON_vPutKept draws itself
  std::array<COLOR, 16> aLookup;
  std::vector<COLOR> colours;  // each drawn pixel's, in the runs' order
} G_ICON_COLOURED;
void G_ICON_vTakeColours(G_ICON_COLOURED* pColoured, const ICON* pIcon);
// What G_ICON_vPutKept draws for the icon, in the colours taken.
void G_ICON_vPutColoured(BITMAP* pDest, const G_ICON_COLOURED* pColoured, const POINT* pptLowerLeft);
// dRotateAngle in radians, counter-clockwise. 32-bit icons turn freely about
// pptRotateCenter (in icon pixels), which lands on pptAnchor; the others snap
// to the nearest quarter turn clockwise about pptAnchor, (degrees + 45) / 90
// truncated: 1, 2 and 3 turn, anything else draws unrotated.
void G_ICON_vPutRotatedAngle(BITMAP* pDest, const ICON* pIcon, const POINT* pptAnchor, const POINT* pptRotateCenter,
                             double dRotateAngle);
// The same for an icon compiled into the program: a 32-bit icon's turned
// picture is kept and drawn again (G_IMAGE32_vPutRotatedOldKept).
void G_ICON_vPutRotatedAngleKept(BITMAP* pDest, const ICON* pIcon, const POINT* pptAnchor,
                                 const POINT* pptRotateCenter, double dRotateAngle);
// Quarter turns clockwise about pptAnchor; a 32-bit icon draws nothing here.
void G_ICON_vPutRotated(BITMAP* pDest, const ICON* pIcon, const POINT* pptAnchor, G_ICON_ROTATION eRotation);
// 0 for a null icon.
U32 G_ICON_u32GetWidth(const ICON* pIcon);
U32 G_ICON_u32GetHeight(const ICON* pIcon);
// The 16 colours of the 4-bit indexes: normally &gCOLOR_pcolColorTable[80],
// so icons follow later changes of those entries. Until it is called, that
// is what icons use.
void G_ICON_vSetIconPalette(const COLOR* pcolorTable);
// Decodes a 4-bit icon and hands each drawn pixel to pPutPixel; 32-bit icons
// draw nothing here.
void G_ICON_vDecompressAndPutIndirect(BITMAP* pDest, const ICON* pIcon, const POINT* pptAnchor,
                                      G_ICON_PUT_PIXEL_FUNCTION* pPutPixel, void* vpOther);
// Index of pixel nX of row (counted from the top) of a kind-0 icon bitmap.
U8 G_ICON_u8GetIconPixelColor(const BITMAP* pBitmap, S32 row, S32 nX);
