// The navigation task: its entry, and what the store tells it when a
// waypoint or a route goes away or the drawn items change.
#pragma once

#include "basetypes.h"

void T_NAV_vMain(void);

// Clears (65535) or sets the waypoint under the chart cursor.
void T_NAV_vUpdateCursorWaypoint(U16 u16Index);
// Removes the menu of the last waypoint created.
void T_NAV_vUnregister_Last_Waypoint_Menu(void);
// Removes the waypoint target, or the waypoint grid, at once.
void T_NAV_vRemoveTargetNow(void);
void T_NAV_vRemoveGridNow(void);
// Registers the cursor-to-waypoint menus that the waypoints now allow.
void T_NAV_vUpdateCursorToWaypointMenuRegistration(void);
// Removes the menu of the last route saved.
void T_NAV_vUnregister_Last_Saved_Route_Menu(void);
// The waypoint in that slot goes away: the current route's point list lets
// go of it.
void T_NAV_vUpdateCurrentRouteArray(U16 u16Index);
// Recomputes which stored items are drawn, after their hide bits changed.
void T_NAV_vActivateUpdateHideStatus(void);
