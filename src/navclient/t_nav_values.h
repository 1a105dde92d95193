// Navigation values any screen may work out: the rhumb distance between two
// points and the cursor's bearing and distance (ICBH and ICBD).
#pragma once

#include "basetypes.h"
#include "g_types.h"

// Rhumb distance (internal distance unit) from a to b.
float T_NAV_fDistanceBetweenPoints(const POINT* a, const POINT* b);
// ICBH and ICBD: bearing and distance from one point to the other.
void T_NAV_vUpdateCursorDistAndBearing(const POINT* from, const POINT* to);
