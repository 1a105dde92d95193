// The navigation task: its entry, the route and leg operations other tasks
// and the menus call, the navigation values of the one-second update, and
// what the store tells it when a waypoint or a route goes away or the drawn
// items change.
#pragma once

#include "basetypes.h"
#include "g_types.h"
#include "t_nav_records.h"
#include "t_nav_values.h"

void T_NAV_vMain(void);
// Hands the libraries below what they tell or ask of the task (the store:
// waypoints gone, hide bits changed; the NMEA task: the first AIS sentence;
// the overlays: the route to travel and the route travelled); once, before
// the tasks run.
void T_NAV_vRegisterHooks(void);

// ---- Client functions ----

// TRUE once the first GPS detection has registered the navigation views.
BOOLEAN T_NAV_bGPSDetected(void);
// Recomputes which stored items are drawn, after their hide bits changed;
// takes effect on the next hide-status tick.
void T_NAV_vActivateUpdateHideStatus(void);
// Registers (FALSE) or removes (TRUE) the off-course and arrival sliders.
void T_NAV_vRegisterArrivalAlarms(BOOLEAN bUnregister);
// The man-overboard target: none in this system (65535).
BOOLEAN T_NAV_bIsMOBInProgress(void);
U16 T_NAV_u16GetMOBWaypoint(void);
// The route being navigated; callers hold mutex 9 while they read it.
ROUTE* T_NAV_pGetCurrentRoute(void);
// Settings with their defaults (priority 15), or forced back to them
// (priority 2) on a factory reset and an ice-mode change.
void T_NAV_vSetDefaultSettings(BOOLEAN bForceFactoryDefaults);

// ---- Route navigation ----

typedef void (*NAV_COMPLETE)(void);

// Go to a waypoint, or append it to the route being built.
BOOLEAN T_NAV_bWaypointToCurrentRoute(U32 nIndex);
// A two-point route from ptOrigin (or the boat) to waypoint nIndex.
BOOLEAN T_NAV_bStartRouteWithWayptOrigin(U32 nIndex, const POINT* ptOrigin);
BOOLEAN T_NAV_bStartCurrentRouteWithWaypt(U32 nIndex);
// Travel a route forward or in reverse; u16RouteNdx 65535 for one not saved.
void T_NAV_vTravelRoute(const ROUTE* pRoute, U16 u16RouteNdx, U16 u16StartNdx, BOOLEAN bReverse,
                        const POINT* ptStart);
// Travel a saved route, heading first for its point u32StartAt.
BOOLEAN T_NAV_vTravelMemoryRoute(ROUTE* pRoute, U32 u32StartAt, BOOLEAN bReverse);
void T_NAV_vUnifiedNextRouteWaypoint(U16 u16RteNdx);
// Arrival at the destination: the leg moves on, or navigation ends (asking
// whether to keep a route of more than two points); pComplete runs once the
// arrival is dealt with.
void T_NAV_vOnArrival(NAV_COMPLETE pComplete);
void T_NAV_vSkipCurrentRouteWaypoint(void);
void T_NAV_vSkipNextWaypoint(void);
void T_NAV_vRecalculate(void);
void T_NAV_vResetXTE(void);
void T_NAV_vCancelNavigation(void);
void T_NAV_vStopNavigating(BOOLEAN bConfirm, NAV_COMPLETE pComplete);
void T_NAV_vSaveChangedRouteAndEndNav(BOOLEAN bConfirm, NAV_COMPLETE pComplete, U16 u16SaveIndex,
                                      BOOLEAN bTempRoute);
void T_NAV_vEndNavigationNow(void);
// The Yes and No answers of "Save Current Route".
void T_NAV_vSaveRouteAndEndNavigation(void);
void T_NAV_vEndNavigationOnly(void);
// The saved route being travelled was edited: take over its points.
void T_NAV_vUpdateCurrentRoute(const ROUTE* pRoute);
// The waypoint in that slot goes away: the current route lets go of its
// first occurrence after the origin.
void T_NAV_vUpdateCurrentRouteArray(U16 u16Index);
BOOLEAN T_NAV_bIsRouteActive(U32 u32RteId);

// ---- Navigation values ----

// Bearing from the boat to point nTarget of the current route; 0 without a
// fix, a route or that waypoint.
float T_NAV_vGetTargetBearing(U32 nTarget);

// ---- What the store and the manager call ----

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
