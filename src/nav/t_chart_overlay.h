// What the navigation views draw over a plan chart: the overlay in its fixed
// order, the own boat, the north arrow and the ruler lengths by zoom.
#pragma once

#include "g_fonts.h"
#include "g_icon.h"
#include "u_nav.h"

// One row of a ruler table: the marks at one, two and three lengths, the
// unit's name and one length in ground metres.
typedef struct tag_SCALE_BAR_LENGTHS {
  const char* sNumber;
  const char* sNumber2;
  const char* sNumber3;
  const char* sUnits;
  U32 nMeters;
} SCALE_BAR_LENGTHS;

constexpr S32 T_NAV_ZOOM_MIN = 9;
constexpr S32 T_NAV_ZOOM_MAX = 23;

// The row for nZoom in the current distance units; a zoom outside 9..23 is
// held to that range.
const SCALE_BAR_LENGTHS* T_NAV_pGetScaleBarLengths(S32 nZoom);

void T_NAV_vDrawChartOverlay(NAV_VIEW_INFO* pNVI, BOOLEAN bRenderCursorWaypoint, BOOLEAN bLeftPane);
void T_NAV_vRenderBoat(NAV_VIEW_INFO* pNVI);
void T_NAV_vRenderNupArrow(NAV_VIEW_INFO* pNVI);

// Text inside the bitmap's clip only; a line that does not fit vertically is
// left out, one too wide is cut at the right edge.
void T_NAV_vPutText(BITMAP* pBitmap, COLOR colour, POINT at, const FONT_DEF* pFont, const char* sText);
void T_NAV_vRenderOutlinedName(BITMAP* pBitmap, POINT at, const FONT_DEF* pFont, const char* sName, COLOR text,
                               COLOR outline);
const FONT_DEF* T_NAV_pFont14(void);
// A position relative to the view centre, x the short way round the globe.
POINT T_NAV_ptRelative(const NAV_VIEW_INFO* pNVI, POINT pt);
// The large waypoint symbol of an icon number; beyond the table, the first.
const ICON* T_NAV_pWaypointIcon(U32 u32Icon);
// The open polyline through points relative to the centre, with the pen the
// caller set, clipped so no product leaves 32 bits.
void T_NAV_vRenderPolyLineMM(POINT* pptBuffer, S32 nPointCount, NAV_VIEW_INFO* pNVI);
