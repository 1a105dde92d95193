// The waypoint symbols by icon number.
#pragma once

#include "basetypes.h"
#include "g_icon.h"

// A number beyond the table (a spoiled record or an import) draws the first.
const ICON* T_NAV_pWaypointIcon(U32 u32Icon);
