// The store's side of the waypoint manager's module: default names for new
// waypoints and routes, the search by content, the waypoints in shown groups,
// and the shape of a choice of items for export.
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
// The live slot of an in-use waypoint equal in status, icon, depth, date,
// position and name; 65535 when none.
U16 T_NAV_GROUP_u16FindWaypoint(WAYPOINT* pWaypoint);

// Whether the waypoint lies in a group that is shown; FALSE above 2999.
BOOLEAN T_NAV_GROUP_bCheckWaypointIsInVisibleGroup(U32 nIndex);
// Rebuilds that table from the group tree (the navigation task's
// hide-status tick); marks one slot shown (a new mark).
void T_NAV_GROUP_vCheckWaypointInVisibleGroup(void);
void T_NAV_GROUP_vSetWaypointVisible(S32 nIndex);

// The items chosen for export.
constexpr U32 NAV_SELECT_EXPORT_MAX = 3000;
typedef struct tag_SELECT_EXPORT_DATA {
  U32 SelectedExportCount;
  U16 SelectedExportIDs[NAV_SELECT_EXPORT_MAX];
} SELECT_EXPORT_DATA;
