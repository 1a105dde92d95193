// What the store asks of the waypoint manager: default names, the visible
// groups and the search by content.
#pragma once

#include "basetypes.h"
#include "t_nav_records.h"

// The name for a new waypoint: "WP%03d" ("IC%03d" in ice mode) of the
// highest number in use + 1, which becomes SWID. A module buffer, valid
// until the next call; callers hold mutex 9.
char* T_NAV_GROUP_pGetDefaultWaypointName(void);
// The same number as wide text, without a prefix.
char* T_NAV_GROUP_pGetDefaultWaypointNameForUNICODE(void);
// The next default route name; null when none can be made.
char* T_NAV_GROUP_pGetDefaultRouteName(void);
// Whether the waypoint lies in a group that is shown; FALSE above 2999.
BOOLEAN T_NAV_GROUP_bCheckWaypointIsInVisibleGroup(U32 nIndex);
// The live slot of an in-use waypoint equal in status, icon, depth, date,
// position and name; 65535 when none.
U16 T_NAV_GROUP_u16FindWaypoint(WAYPOINT* pWaypoint);
