// A line covers both its end points, so that a polyline drawn with it leaves
// no gap at a vertex.
#pragma once

#include "g_types.h"

// Horizontal and vertical lines are clamped to the working clip rectangle
// (nothing when they lie wholly outside it); other lines are clipped pixel by
// pixel.
void G_LINE_vDraw(BITMAP* pDest, COLOR color, POINT* pStart, POINT* pEnd);
// thickness parallel copies of the line, shifted across its major direction;
// the extra copy of an even count falls on the negative side.
void G_LINE_vDrawThick(BITMAP* pDest, COLOR color, POINT* pStart, POINT* pEnd, U8 thickness);
// Horizontal or vertical dashes (other lines draw nothing), clamped to the
// full-screen clip rectangle; the clamped ends are written back into *pStart
// and *pEnd, except for a line wholly outside it, which draws nothing. The
// pattern repeats every 16 pixels from the start.
void G_LINE_vDrawPatterned(BITMAP* pDest, COLOR color, POINT* pStart, POINT* pEnd, PATTERN pattern);
// Horizontal and vertical lines blended (u8Alpha: weight of the old pixel);
// any other line is drawn opaque.
void G_LINE_vDrawAlpha(BITMAP* pDest, COLOR color, POINT* pStart, POINT* pEnd, U8 u8Alpha);
