// Rings, grid, cursor waypoint, proximity flags and alarm limits of the
// chart overlay. All run under mutex 9, held by the overlay.
#pragma once

#include "t_chart_overlay.h"

// The proximity candidates of one overlay draw.
void T_NAV_vClearProximity(void);
void T_NAV_vAddProximityCandidate(const NAV_VIEW_INFO* pNVI, S32 nIndex);
// The same in two steps, the first once for a frame's waypoints: whether
// this view collects candidates at all, and one candidate.
BOOLEAN T_NAV_bProximityWanted(const NAV_VIEW_INFO* pNVI);
void T_NAV_vAddProximityIndex(S32 nIndex);
U32 T_NAV_u32ProximityCount(void);
// Flags at the ten candidates nearest the boat, or the chart centre while
// the cursor is active (their tops then stop at row 421).
void T_NAV_vRenderProximityFlags(NAV_VIEW_INFO* pNVI, BOOLEAN bCursor);
void T_NAV_vDrawProximityFlag(NAV_VIEW_INFO* pNVI, POINT* pt, float WP_Dist, BOOLEAN bCursor);
int T_NAV_iProximitySortBoat(const void* a, const void* b);
int T_NAV_iProximitySortCenter(const void* a, const void* b);

void T_NAV_vDrawCastingRings(NAV_VIEW_INFO* pNVI, POINT* pt);
// The rings' first diameter in pixels at this view's zoom, 0 for none; and
// the rings of that diameter round pt.
U32 T_NAV_u32CastingRingDiameter(const NAV_VIEW_INFO* pNVI);
void T_NAV_vDrawCastingRingsOf(NAV_VIEW_INFO* pNVI, POINT pt, U32 u32Diameter);
void T_NAV_vRenderWaypointTarget(NAV_VIEW_INFO* pNVI);
void T_NAV_vRenderWaypointGrid(NAV_VIEW_INFO* pNVI);
void T_NAV_vRenderCursorWaypoint(NAV_VIEW_INFO* pNVI);
void T_NAV_vRenderAlarmLimits(NAV_VIEW_INFO* pNVI);
