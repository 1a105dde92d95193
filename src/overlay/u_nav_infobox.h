// The navigation data boxes that are small drawings rather than one value:
// position, clock, sun and moon, two values stacked, and the three-row
// waypoint boxes. Each renderer keeps no state, reads the database and the
// waypoint store afresh on every call and allocates nothing; they run in
// the view task only (the almanac and the broken-down time are shared).
#pragma once

#include <time.h>

#include "t_info.h"
#include "t_nav_records.h"

// Writes the fourteen renderer readouts (B... and Q... keys, D_POINTER, with
// their titles) into the database; the navigation task calls it at start.
void T_NAV_INFOBOX_vPublish(void);
// The route being navigated (read under mutex 9), which the navigation task
// registers once, before the tasks run; without it the route-end boxes show
// their dashes.
typedef ROUTE* (*NAV_INFOBOX_CURRENT_ROUTE)(void);
BOOLEAN T_NAV_INFOBOX_bRegisterCurrentRoute(NAV_INFOBOX_CURRENT_ROUTE pfn);

// Every box is 158 x 94 with *ppt its lower-left corner.
void IBRF_vRenderPositionInfoBox(BITMAP* pBitmap, POINT* ppt, VIBD_DIRECTION eDirection, U32 nLang);
void IBRF_vRenderTimeDateInfoBox(BITMAP* pBitmap, POINT* ppt, VIBD_DIRECTION eDirection, U32 nLang);
void IBRF_vRenderSunriseSunsetInfoBox(BITMAP* pBitmap, POINT* ppt, VIBD_DIRECTION eDirection, U32 nLang);
void IBRF_vRenderMoonPhaseInfoBox(BITMAP* pBitmap, POINT* ppt, VIBD_DIRECTION eDirection, U32 nLang);
void IBRF_vRenderTimeOnlyInfoBox(BITMAP* pBitmap, POINT* ppt, VIBD_DIRECTION eDirection, U32 nLang);
void IBRF_vRenderCrossTrackOverErrorDistanceToGoInfoBox(BITMAP* pBitmap, POINT* ppt, VIBD_DIRECTION eDirection,
                                                        U32 nLang);
void IBRF_vRenderTimeToGoOverSpeedInfoBox(BITMAP* pBitmap, POINT* ppt, VIBD_DIRECTION eDirection, U32 nLang);
// The only renderer that moves *ppt: on by one box width in VIBD_RIGHT rows.
void IBRF_vRenderWayPointOverTimeToGoInfoBox(BITMAP* pBitmap, POINT* ppt, VIBD_DIRECTION eDirection, U32 nLang);
void IBRF_vRenderDistanceToGoOverTimeToGoInfoBox(BITMAP* pBitmap, POINT* ppt, VIBD_DIRECTION eDirection, U32 nLang);
void IBRF_vRenderDistanceToGoOverEstimatedTimeArrivalInfoBox(BITMAP* pBitmap, POINT* ppt, VIBD_DIRECTION eDirection,
                                                             U32 nLang);
void IBRF_vRenderDistanceToGoOverTimeToGoFinalInfoBox(BITMAP* pBitmap, POINT* ppt, VIBD_DIRECTION eDirection,
                                                      U32 nLang);
void IBRF_vRenderDistanceToGoOverEstimatedTimeArrivalFinalInfoBox(BITMAP* pBitmap, POINT* ppt,
                                                                  VIBD_DIRECTION eDirection, U32 nLang);
void IBRF_vRenderCourseMadeGoodOverSpeedMadeGoodInfoBox(BITMAP* pBitmap, POINT* ppt, VIBD_DIRECTION eDirection,
                                                        U32 nLang);
void IBRF_vRenderCurrentTrackOverCourseMadeGoodInfoBox(BITMAP* pBitmap, POINT* ppt, VIBD_DIRECTION eDirection,
                                                       U32 nLang);


// The big-digit chart views' data boxes: the track and chart view's column.
void T_NAV_INFOBOX_vDrawInfoLayer_Instrumentation_BigDigitsViews(BITMAP* pBitmap,
                                                                 WINDOW_SPECIFICATION_POINTER psWindowSpec);
