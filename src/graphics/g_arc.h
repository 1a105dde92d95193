// Arcs are drawn one pixel wide from the same circle walk as full circles,
// so that an arc lies exactly on the circle it belongs to.
#pragma once

#include "g_types.h"

// The part of a 45-degree octant that an arc covers.
typedef enum tag_ARC_CONDITIONS {
  NO_PART = 0,
  STARTS_HERE = 1,
  ENTIRELY_FILLED = 2,
  ENDS_HERE = 3,
  ALL_HERE = 4,
  STARTS_ENDS_HERE = 5,
} ARC_CONDITIONS;

// From fStartAngle counter-clockwise to fEndAngle, in degrees from the
// positive x axis (y upward); angles of 360 and more wrap. A negative angle
// or a radius of 0 draws nothing.
void G_ARC_vDraw(BITMAP* pDest, COLOR color, POINT* pCenter, U32 u32Radius, float fStartAngle, float fEndAngle);
