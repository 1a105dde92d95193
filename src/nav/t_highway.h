// The highway view: the ground ahead of the boat in perspective, seen from
// an eye behind and above it, with its grid, the navigation data, the own
// boat and a compass band along the far edge. Drawn full screen and in the
// bird's-eye panes of the chart splits.
#pragma once

#include "layer_id.h"
#include "t_nav_records.h"
#include "u_nav.h"

// The draw function of the highway layer and panes.
void T_CHART_vDrawHighwayView(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER psWindowSpec);
// Forgets every saved highway background and the compass edge (tests).
void T_CHART_vResetHighway(void);

// Everything of the navigation data over the background, and the own boat.
void T_NAV_vDrawHighwayOverlay(NAV_VIEW_INFO* pNVI);
// The own boat lying on the ground, turned by the cursor's view.
void T_NAV_vRenderPerspectiveBoat(NAV_VIEW_INFO* pNVI);
// Posts and labels along the far edge of the visible ground.
void T_NAV_vDrawHighwayCompass(NAV_VIEW_INFO* pNVI);
// The lowest compass post row drawn since start; the boat is drawn only
// while its top stays at or below it.
U32 T_NAV_u32BirdeyeEdge(void);

// ---- Perspective drawing on the ground plane ----

// Why a point relative to the centre is not shown: beyond the left or right
// side of the view cone, before the near line, or out of range. 0: shown.
constexpr U32 HWY_FAIL_LEFT = 1;
constexpr U32 HWY_FAIL_RIGHT = 2;
constexpr U32 HWY_FAIL_NEAR = 4;
constexpr U32 HWY_FAIL_RANGE = 8;
U32 T_NAV_u32PerspectiveFails(const NAV_VIEW_INFO* pNVI, POINT ptRelative);
// The pixel of a point relative to the centre (callers test it first).
POINT T_NAV_ptPerspectivePixel(const NAV_VIEW_INFO* pNVI, POINT ptRelative);

// The position of a waypoint slot in use (statuses 1 to 3).
BOOLEAN T_NAV_bPerspectiveWaypointAt(S64 nIndex, POINT* ppt);
// The open polyline through points relative to the centre in the current
// colour, tool 1 and pixel size 2; nothing for fewer than 2 points.
void T_NAV_vRenderPerspectivePolyLineMM(POINT* pptBuffer, S32 nPointCount, NAV_VIEW_INFO* pNVI);
// A saved track or the current track in style 0 (dots), 1 (dotted), 2 (thin)
// or 3 (thick), colour u32Color.
void T_NAV_vRenderPerspectiveTrack(const TRACK* pTrack, NAV_VIEW_INFO* pNVI, BOOLEAN bCurrentTrack, U32 u32Style,
                                   U32 u32Color);
// The legs of the stored route that the navigated route leaves out.
void T_NAV_vRenderPerspectiveSkipedLeg(const ROUTE* pRoute, NAV_VIEW_INFO* pNVI);
