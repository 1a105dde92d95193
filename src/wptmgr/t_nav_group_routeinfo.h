// A route's legs shown in a popup, entering the route's editing and
// reordering, and travelling it; the waypoint actions that hand an item to
// the navigation task; the icon choosers and the waypoint settings.
#pragma once

#include "t_nav_group_priv.h"

typedef struct tag_WPM_ROUTE_INFO {
  U16 u16CurrentGroupIDForRouteInfo;
  U16 au16ListIDsForRouteInfo[NAV_MAX_ROUTE_POINTS];
  // The points + 1: the leg from the boat comes first.
  U16 u16ListCountForRouteInfo;
  U16 u16MaxShowItemsForRouteInfo;
  U16 u16FirstShowItemIndexInListForRouteInfo;
  U16 u16ShowItemsCountForRouteInfo;
  U16 u16HighlightIndexForRouteInfo;
  // Entry i: the leg from point i to point i + 1.
  double afBRGArray[NAV_MAX_ROUTE_POINTS];
  double afDTGArray[NAV_MAX_ROUTE_POINTS];
} WPM_ROUTE_INFO;
extern WPM_ROUTE_INFO g_WPMRouteInfo;

// The boat's position; FALSE without a fix (t_nav_group_sort.cpp).
BOOLEAN WPM_bBoat(POINT* pBoat);
// Bearing (degrees, magnetic when the heading unit is) and distance
// (internal unit) from one point to the other.
void WPM_vLeg(const POINT* pFrom, const POINT* pTo, double* pdBearing, double* pdDistance);
// The route's legs into the arrays; their number.
U32 WPM_u32Legs(const ROUTE* pRoute, double* pdBearing, double* pdDistance);

void T_NAV_GROUP_vRouteInfo(U32 arg);
void T_NAV_GROUP_vRouteInfoWindowDraw(POPUP_WINDOW* pWin, BITMAP* pBitmap);
BOOLEAN T_NAV_GROUP_vRouteInfoHandleKeys(POPUP_WINDOW* pWin, const MSG_KEY_CHANGE* pMsg);
void T_NAV_GROUP_vAddRemoveRoute(U32 arg);
void T_NAV_GROUP_vAddRemoveGroup(U32 arg);
void T_NAV_GROUP_vRouteEditReorder(U32 arg);
void T_NAV_GROUP_vRouteEditChangeWaypointOrder(S32 Index, BOOLEAN IsUp);
// Cursor east while reordering: the point stays, the route edit goes on.
void WPM_vPlaceReorderedPoint(void);
void T_NAV_GROUP_vTravelRouteForward(U32 arg);
void T_NAV_GROUP_vTravelRouteReverse(U32 arg);
