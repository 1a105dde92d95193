// What the navigation views draw over a plan chart: the overlay in its fixed
// order, the own boat, the north arrow and the ruler lengths by zoom.
#pragma once

#include "g_fonts.h"
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
