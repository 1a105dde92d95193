// The chart task: its entry, and the highway view's frame geometry.
#pragma once

#include "u_nav.h"

void T_CHART_vMain(void);

// The layer of the full-screen highway view.
constexpr S32 T_CHART_HIGHWAY_VIEW_LAYER = 56;

// Fills the highway fields of pNVI (centre pixel, eye offset, scale factor)
// from its zoom, the pane's clip edges and the view, and publishes them as
// IBCX, IBCY, IBEO, IBPM and IBCR.
void T_CHART_vCalculateHighwayParameters(NAV_VIEW_INFO* pNVI, S32 s32ClipLeft, S32 s32ClipRight, S32 eView);
// The eye distance behind the boat (Mercator metres) and the scale factor
// (pixels per metre x 2^20) at a zoom; 0 for a zoom they cannot be made for.
S32 T_CHART_nCalculateHighwayEyeOffsetMM(S32 zoom);
S32 T_CHART_nCalculateHighwayPixelsPerMMM(S32 zoom);
// The stretch of the ground line y = nY (x = nX), in metres relative to the
// boat, that the highway view shows; FALSE when none.
BOOLEAN T_CHART_bPerspectiveLimitsX(S32 nY, S32* nMinX, S32* nMaxX, const GP_ROTCONTEXT* pRotContext,
                                    S32 nEyeOffsetMM);
BOOLEAN T_CHART_bPerspectiveLimitsY(S32 nX, S32* nMinY, S32* nMaxY, const GP_ROTCONTEXT* pRotContext,
                                    S32 nEyeOffsetMM);
