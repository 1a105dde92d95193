// Circle outlines and discs about a centre point, from the half-step walk
// shared with arcs and rounded corners. A diameter that is negative as a
// signed value draws nothing.
#pragma once

#include "g_types.h"

// Outline of radius u32Diameter / 2; points beyond the bitmap are pulled onto
// its border, so a circle leaving the bitmap is drawn along the edge.
void G_CIRCLE_vDraw(BITMAP* pDest, COLOR color, POINT* pCenter, U32 u32Diameter);
// Outline whose points are clipped only by the clip rectangle.
void G_CIRCLE_vDrawWithNoBound(BITMAP* pDest, COLOR color, POINT* pCenter, U32 u32Diameter);
void G_CIRCLE_vDrawFilled(BITMAP* pDest, COLOR color, POINT* pCenter, U32 u32Diameter);
