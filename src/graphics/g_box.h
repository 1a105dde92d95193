// Boxes: outlined or filled, square or rounded, opaque or blended.
//
// A box is anchored at its lower-left corner and covers columns x to
// x + width - 1 and rows y to y + height - 1; a box without width or height
// draws nothing. u8Alpha is the weight of the old pixel in 256ths.
#pragma once

#include "g_types.h"

void G_BOX_vDraw(BITMAP* pDest, COLOR color, const POINT* pAnchor, U32 u32Width, U32 u32Height);
void G_BOX_vDrawFilled(BITMAP* pDest, COLOR color, const POINT* pAnchor, U32 u32Width, U32 u32Height);
// The four corner pixels belong to two edges and are blended twice.
void G_BOX_vDrawAlpha(BITMAP* pDest, COLOR color, const POINT* pAnchor, U32 u32Width, U32 u32Height, U8 u8Alpha);
// Every pixel blended once.
void G_BOX_vDrawFilledAlpha(BITMAP* pDest, COLOR color, const POINT* pAnchor, U32 u32Width, U32 u32Height,
                            U8 u8Alpha);

// Rounded boxes expect width and height of at least twice the radius.
void G_BOX_vDrawRounded(BITMAP* pDest, COLOR color, const POINT* pAnchor, U32 u32Width, U32 u32Height,
                        U32 u32Radius);
void G_BOX_vDrawRoundedFilled(BITMAP* pDest, COLOR color, const POINT* pAnchor, U32 u32Width, U32 u32Height,
                              U32 u32Radius);
// Pixels where the corner walk meets itself or the edges are blended each
// time they are reached.
void G_BOX_vDrawRoundedAlpha(BITMAP* pDest, COLOR color, const POINT* pAnchor, U32 u32Width, U32 u32Height,
                             U32 u32Radius, U8 u8Alpha);
// The pixels of G_BOX_vDrawRoundedFilled, each blended exactly once.
void G_BOX_vDrawRoundedFilledAlpha(BITMAP* pDest, COLOR color, const POINT* pAnchor, U32 u32Width,
                                   U32 u32Height, U32 u32Radius, U8 u8Alpha);
