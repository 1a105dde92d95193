// Drawing types shared by every graphics module and its callers.
#pragma once

#include "basetypes.h"

// RGB565: red bits 15-11, green 10-5, blue 4-0.
typedef U16 COLOR;
typedef S32 PIXEL;

typedef struct tag_POINT {
  PIXEL x;
  PIXEL y;
} POINT;

// On/off mask of a patterned line; bit 15 governs the first pixel.
typedef U16 PATTERN;

// A drawing target. Logical y grows upward from the bottom row of the whole
// bitmap: the memory row of y is pixels_high_full_screen - 1 - y, whatever
// the working clip. The first size and clip set is the working one and may be
// narrowed to a pane; the _full_screen set keeps the whole bitmap's values.
// Clip rectangles are inclusive; s32ClipTop is the greatest drawable y.
typedef struct tag_BITMAP {
  U32* pBuffer;  // COLOR pixels, row after row, pitch __u32PixelWidthOfBuffer
  S32 pixels_wide;
  S32 pixels_high;
  PIXEL s32ClipLeft;
  PIXEL s32ClipTop;
  PIXEL s32ClipRight;
  PIXEL s32ClipBottom;
  S32 pixels_wide_full_screen;
  S32 pixels_high_full_screen;
  PIXEL s32ClipLeft_full_screen;
  PIXEL s32ClipTop_full_screen;
  PIXEL s32ClipRight_full_screen;
  PIXEL s32ClipBottom_full_screen;
  U32 __u32PixelWidthOfBuffer;   // even, in pixels
  U32 __u32PixelHeightOfBuffer;  // even, in rows
} BITMAP;

// Screen geometry of the unit.
constexpr U32 G_SCREEN_WIDTH = 800;
constexpr U32 G_SCREEN_HEIGHT = 480;
