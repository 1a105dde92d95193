// The navigation task. Until its work is built here it keeps its place in the start
// order: it publishes its mailbox, answers shutdown and frees what it is sent.

#include "t_nav.h"

#include "u_taskstub.h"

void T_NAV_vMain(void) { U_TASKSTUB_vRun(FCID("TNAV"), M_NAV, SEMA_MBOX_NAV); }

// The cursor, menus, target and grid these act on do not exist yet: until
// they do, a deleted waypoint has nothing here to clear.
void T_NAV_vUpdateCursorWaypoint(U16) {}
void T_NAV_vUnregister_Last_Waypoint_Menu(void) {}
void T_NAV_vRemoveTargetNow(void) {}
void T_NAV_vRemoveGridNow(void) {}
void T_NAV_vUpdateCursorToWaypointMenuRegistration(void) {}
void T_NAV_vUnregister_Last_Saved_Route_Menu(void) {}
// No route is navigated yet, so no current route holds a waypoint.
void T_NAV_vUpdateCurrentRouteArray(U16) {}
// Nothing is drawn from the store yet whose hide state could be stale.
void T_NAV_vActivateUpdateHideStatus(void) {}
