// The chart task: its entry, and the highway view's frame geometry.
#pragma once

#include "layer_id.h"
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

// ---- The plan chart ----
// The draw function of the chart layers and chart panes.
void T_CHART_vDrawChartView(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER psWindowSpec);
// A chart centred on *pChartCenterPosition in a window of the waypoint
// manager; draws nothing unless enabled below.
void T_CHART_vDrawChartInPopupWindow(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER psWindowSpec,
                                     POINT* pChartCenterPosition, U16* pTwrItemsToShow);
void T_CHART_vEnableChartInPopupWindow(BOOLEAN bEnable);
// The boat's position and heading for a frame; FALSE when there is no
// usable fix (raising the no-receiver or no-fix notice when it lasts).
BOOLEAN T_CHART_bCheckErrorConditions(POINT* pptBoat, float* pfHeading);
// A pane's bitmap header narrowed to its window and a drawing context in it
// (the colour index u8Transparent is left undrawn).
void T_CHART_vPrepareWindow(NAV_VIEW_INFO* pNVI, BITMAP* pCopy, const BITMAP* pBitmap, const WINDOW_LOCATION* w,
                            U8 u8Transparent);
// The window's pixels (columns nLeft.., rows nBottom..) to or from a kept
// picture of G_SCREEN_WIDTH pixels a row: a window as wide as the bitmap's
// rows is one block, kept in the bitmap's own row order.
void T_CHART_vCopyWindow(BITMAP* pBitmap, S32 nLeft, S32 nBottom, S32 nWidth, S32 nHeight, COLOR* pKept,
                         BOOLEAN bSave);
// The rectangle (x0, y0) to (x1, y1), edges included, of that window
// between the bitmap and the kept picture, cut to the window.
void T_CHART_vCopyRect(BITMAP* pBitmap, S32 nLeft, S32 nBottom, S32 nWidth, S32 nHeight, S32 x0, S32 y0, S32 x1,
                       S32 y1, COLOR* pKept, BOOLEAN bSave);
// A receiver reports, but its fix is incomplete.
BOOLEAN T_CHART_bGPSNoFix(void);
void* T_CHART_vpAlloc(void);
// The next frame draws its background anew.
void T_CHART_vReRenderAll(void);
// How many plan chart frames have drawn their background since start, not
// copied it: a frame whose centre, zoom or turn moved, or one asked to.
U32 T_CHART_u32BackgroundsDrawn(void);

// The zoom that shows the boat and the waypoint in a window of xSize by
// ySize pixels, one level of margin added; 9..23.
S32 T_CHART_sGetAutoRangeScale(const POINT* pptBoatMM, const POINT* pptWaypoint, U32 xSize, U32 ySize);
// The zoom of a speed over ground (metres per second); 0 below the slowest
// band.
S32 T_CHART_s32SpeedZoom(float fSpeedMS);
// The palettes of SPAL value u32Palette into the colour table.
void T_CHART_vLoadPalettes(U32 u32Palette);

// The chart task's start and one wake-up, apart for the tests.
void T_CHART_vStartUp(void);
void T_CHART_vHandleMail(void);
// GPS state of the frames: 0 at start, 1 no receiver, 2 no fix, 3 fix.
S32 T_CHART_nGPSState(void);
// Forgets every saved background and the GPS state (tests).
void T_CHART_vReset(void);

// The black-background sections of the colour table (the white ones are the
// table's initial values).
constexpr U32 T_CHART_NAV_PALETTE_START = 96;
constexpr U32 T_CHART_NAV_PALETTE_SIZE = 16;
constexpr U32 T_CHART_CHART_PALETTE_START = 148;
constexpr U32 T_CHART_CHART_PALETTE_SIZE = 48;
extern const COLOR acNavPaletteWhiteBackground[T_CHART_NAV_PALETTE_SIZE];
extern const COLOR acCartographyPaletteWhiteBackground[T_CHART_CHART_PALETTE_SIZE];
extern const COLOR acNavPaletteBlackBackground[T_CHART_NAV_PALETTE_SIZE];
extern const COLOR acCartographyPaletteBlackBackground[T_CHART_CHART_PALETTE_SIZE];
