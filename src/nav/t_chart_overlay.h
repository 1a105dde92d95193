// What the navigation views draw over a plan chart: the overlay in its fixed
// order, the own boat, the north arrow and the ruler lengths by zoom.
#pragma once

#include <span>
#include <vector>

#include "g_fonts.h"
#include "g_icon.h"
#include "t_chart_list.h"
#include "t_nav_icons.h"
#include "t_nav_records.h"
#include "u_nav.h"

// One row of a ruler table: the marks at one, two and three lengths, the
// unit's name (a text table) and one length in ground metres.
typedef struct tag_SCALE_BAR_LENGTHS {
  const char* sNumber;
  const char* sNumber2;
  const char* sNumber3;
  const char* const* sUnits;
  U32 nMeters;
} SCALE_BAR_LENGTHS;

constexpr S32 T_NAV_ZOOM_MIN = 9;
constexpr S32 T_NAV_ZOOM_MAX = 23;

// The row for nZoom in the current distance units; a zoom outside 9..23 is
// held to that range.
const SCALE_BAR_LENGTHS* T_NAV_pGetScaleBarLengths(S32 nZoom);
// The ASCII number and separator followed by the unit's text in the current
// language, as one text in its form (wide in languages 22-26); cut to
// u32Size bytes and always ended.
void T_NAV_vNumberAndUnit(char* pcOut, U32 u32Size, const char* pcNumber, const char* pcSeparator,
                          const char* const* ppUnit);

void T_NAV_vDrawChartOverlay(NAV_VIEW_INFO* pNVI, BOOLEAN bRenderCursorWaypoint, BOOLEAN bLeftPane);
void T_NAV_vRenderBoat(NAV_VIEW_INFO* pNVI);
void T_NAV_vRenderNupArrow(NAV_VIEW_INFO* pNVI);
// The course projection and compass heading lines from the moving boat at
// pixel ptBoat; dHeading is the boat's heading as shown (chart turn taken
// off), fSpeed its speed over ground in metres per second.
void T_NAV_vRenderCourseLines(NAV_VIEW_INFO* pNVI, POINT ptBoat, double dHeading, float fSpeed);
// A track drawn as pixel steps: traced once for a view, played in any
// colour.
typedef enum tag_T_NAV_TRACK_STEP_KIND : U8 {
  T_NAV_TRACK_MOVE = 0,
  T_NAV_TRACK_LINE = 1,
  T_NAV_TRACK_DOT = 2,
} T_NAV_TRACK_STEP_KIND;
typedef struct tag_T_NAV_TRACK_STEP {
  S32 x;
  S32 y;
  T_NAV_TRACK_STEP_KIND eKind;
  U8 u8Dot;  // the highway's dot size, 0 (far) to 10
} T_NAV_TRACK_STEP;
// Where a trace writes its steps. With bDropRepeats a move straight after a
// move is left out, and so is a line to the pixel the pen stands on when
// the step before was such a line already: lines leave out their far end,
// so the first line that goes nowhere paints the pen's pixel and a repeat
// paints it again. The dotted pattern runs on with every pixel, so its
// steps are all kept.
typedef struct tag_T_NAV_STEP_SINK {
  std::vector<T_NAV_TRACK_STEP>* pSteps;
  BOOLEAN bDropRepeats;
  BOOLEAN bStill;  // the last step was a line that went nowhere
  POINT pen;
} T_NAV_STEP_SINK;
void T_NAV_vAddTrackStep(T_NAV_STEP_SINK* pSink, T_NAV_TRACK_STEP_KIND eKind, POINT p, U8 u8Dot);
// A track's points in blocks of T_NAV_TRACK_BLOCK_POINTS with the box round
// each block's points: a trace passes in one step over a block wholly
// outside the view, or whose points all fall on one pixel.
constexpr U16 T_NAV_TRACK_BLOCK_POINTS = 8;
typedef struct tag_T_NAV_TRACK_BLOCK {
  S32 nMinX;
  S32 nMaxX;
  S32 nMinY;
  S32 nMaxY;
  POINT ptBefore;  // the scan's point and iterator at the block's start
  U16 u16It;
  U16 u16Count;
  U8 bAllNormal;
  U8 eLast;  // TRACKPOINT_TYPE
} T_NAV_TRACK_BLOCK;
// The blocks, and groups of T_NAV_TRACK_GROUP_BLOCKS of them, tried first.
constexpr size_t T_NAV_TRACK_GROUP_BLOCKS = 8;
typedef struct tag_T_NAV_TRACK_INDEX {
  std::vector<T_NAV_TRACK_BLOCK> blocks;
  std::vector<T_NAV_TRACK_BLOCK> groups;
} T_NAV_TRACK_INDEX;
void T_NAV_vIndexTrack(const TRACK* pTrack, T_NAV_TRACK_INDEX* pIndex);
// Where a trace of the current track stood after its last point: what its
// run on to the boat follows from.
typedef struct tag_T_NAV_TRACE_END {
  BOOLEAN bPrevVisible;
  U8 eLast;  // TRACKPOINT_TYPE
  BOOLEAN bStill;
  POINT pen;
} T_NAV_TRACE_END;
// The steps of a track for a view; with its index the same steps, sooner.
// With pEnd the current track's run on to the boat is left out, and pEnd
// tells T_NAV_vTraceRunOn where to take it up: the boat alone moved, the
// rest of the steps stay. Points show up to the screen's longer side from
// the centre, and nMorePixels further.
void T_NAV_vTraceTrack(const TRACK* pTrack, const NAV_VIEW_INFO* pNVI, BOOLEAN bCurrentTrack, U32 u32Style,
                       std::vector<T_NAV_TRACK_STEP>* pSteps, const T_NAV_TRACK_INDEX* pIndex = nullptr,
                       T_NAV_TRACE_END* pEnd = nullptr, S32 nMorePixels = 0);
void T_NAV_vTraceRunOn(const NAV_VIEW_INFO* pNVI, U32 u32Style, const T_NAV_TRACE_END* pEnd,
                       std::vector<T_NAV_TRACK_STEP>* pSteps, S32 nMorePixels = 0);
// Steps kept by their owner in chunks of T_NAV_STEP_CHUNK, each with a
// serial that changes with its steps: a list then shows which chunks of a
// long track changed (the current track's run on to the boat) rather than
// the whole track.
constexpr size_t T_NAV_STEP_CHUNK = 64;
typedef struct tag_T_NAV_KEPT_STEPS {
  std::vector<T_NAV_TRACK_STEP> steps;
  std::vector<U32> serials;
  size_t serialsBefore;
  BOOLEAN bKept;
} T_NAV_KEPT_STEPS;
// The n steps at a and at b are the same.
BOOLEAN T_NAV_bSameSteps(const T_NAV_TRACK_STEP* a, const T_NAV_TRACK_STEP* b, size_t n);
// Takes *pNew as the kept steps (it comes back with the old ones); a chunk
// the same as before keeps its serial, any other takes the next of
// *pu32Next.
void T_NAV_vKeepSteps(T_NAV_KEPT_STEPS* pKept, std::vector<T_NAV_TRACK_STEP>* pNew, U32* pu32Next);
// Kept steps in a track's pen, each moved by shift pixels: steps traced for
// one centre serve another of the same pixel grid.
void T_NAV_vPlayKeptSteps(const T_NAV_KEPT_STEPS* pKept, NAV_VIEW_INFO* pNVI, U32 u32Style, U32 u32Color,
                          POINT shift, std::span<const T_NAV_TRACK_STEP> tail = {});
// The pen of a track style (1 dotted, 3 wide, others thin) in colour index
// u32Color (0..15, turned for the palettes that would hide it).
void T_NAV_vTrackPen(NAV_VIEW_INFO* pNVI, U32 u32Style, U32 u32Color);
// Where kept steps are traced from, and how far they move on the screen.
// Unturned, a pixel is the point's offset from the centre times a power of
// two, rounded: a centre moved by whole pixels moves every pixel by as many.
// So a trace is made for an anchor on the centre's pixel grid, the corner of
// its square of 256 pixels, and serves every centre in the square: the
// boat's fixes and a pan redraw the chart without tracing anew. Turned, or
// where the anchor would fold, the anchor is the centre.
typedef struct tag_T_NAV_ANCHOR {
  POINT ptAnchorMM;
  POINT shift;  // pixels, from the anchor's steps to the centre's
  S32 nMorePixels;
} T_NAV_ANCHOR;
T_NAV_ANCHOR T_NAV_anchor(const NAV_VIEW_INFO* pNVI);

// What steps draw from the state pExtent gives, and where they leave the
// pen: a dot is the chart's 3 x 3 pixels, or with apDots the highway's icon
// of its size.
void T_NAV_vStepsExtent(std::span<const T_NAV_TRACK_STEP> steps, const ICON* const* apDots,
                        T_CHART_EXTENT* pExtent, POINT shift = {0, 0});
// Steps kept by their owner go into a list by reference with the serial
// that changes with them; other steps (serial 0) go in one by one.
void T_NAV_vPlayTrack(const std::vector<T_NAV_TRACK_STEP>& steps, NAV_VIEW_INFO* pNVI, U32 u32Style, U32 u32Color,
                      U32 u32Serial = 0);
// One track in a style (0 dots, 1 dotted, 2 thin, 3 wide) and colour index;
// the current track also runs on to the boat.
void T_NAV_vRenderTrack(const TRACK* pTrack, NAV_VIEW_INFO* pNVI, BOOLEAN bCurrentTrack, U32 u32Style,
                        U32 u32Color);
// The current track (unless SCTV hides it), on to the boat. Under mutex 9.
void T_NAV_vRenderCurrentTrack(const TRACK* pTrack, NAV_VIEW_INFO* pNVI, U32 u32Style, U32 u32Color);
// Every visible saved track of the view, each in its own style and colour.
// The flag is not used.
void T_NAV_vRenderSavedTracks(NAV_VIEW_INFO* pNVI, BOOLEAN bUnused);
// The kept copy of saved track nIndex whose store header is *pHeader, read
// from its file only when the store has written tracks or the header changed
// since; *pu32Read changes with every read. Valid until the next call for
// the same slot. Under mutex 9.
const TRACK* T_NAV_pSavedTrackCopy(S32 nIndex, const TRACK_HEADER* pHeader, U32* pu32Read);

// Text inside the bitmap's clip only; a line that does not fit vertically is
// left out, one too wide is cut at the right edge.
void T_NAV_vPutText(BITMAP* pBitmap, COLOR colour, POINT at, const FONT_DEF* pFont, const char* sText);
void T_NAV_vRenderOutlinedName(BITMAP* pBitmap, POINT at, const FONT_DEF* pFont, const char* sName, COLOR text,
                               COLOR outline);
// The same two, giving where the pen stopped, INT32_MIN when the text was
// left out; and whether text at this anchor shows at all.
S32 T_NAV_s32PutText(BITMAP* pBitmap, COLOR colour, POINT at, const FONT_DEF* pFont, const char* sText);
S32 T_NAV_s32RenderOutlinedName(BITMAP* pBitmap, POINT at, const FONT_DEF* pFont, const char* sName, COLOR text,
                                COLOR outline);
BOOLEAN T_NAV_bTextShows(const BITMAP* pBitmap, POINT at, const FONT_DEF* pFont, BOOLEAN bOutlined);
const FONT_DEF* T_NAV_pFont14(void);
const FONT_DEF* T_NAV_pFont17(void);
// A position relative to the view centre, x the short way round the globe.
POINT T_NAV_ptRelative(const NAV_VIEW_INFO* pNVI, POINT pt);
// The large waypoint symbol of an icon number; beyond the table, the first.
// The open polyline through points relative to the centre, with the pen the
// caller set, clipped so no product leaves 32 bits.
void T_NAV_vRenderPolyLineMM(POINT* pptBuffer, S32 nPointCount, NAV_VIEW_INFO* pNVI);

// The ground the bird's-eye pane shows, as a closed outline relative to this
// plan pane's centre (at most 20 points); 0 points while that pane has not
// published its geometry.
S32 T_NAV_nBuild3DViewOutline(const NAV_VIEW_INFO* pNVI, POINT* pOut);
// That outline, on the plan pane of the chart and bird's-eye splits when
// SPVO asks for it.
void T_NAV_vRender3DViewOutline(NAV_VIEW_INFO* pNVI);

// One waypoint slot: its icon, rings and name (cut or hidden by the
// declutter entry), gathered for the proximity flags.
void T_NAV_vRenderWaypoint(S32 nIndex, const WAYPOINT* pWaypoint, NAV_VIEW_INFO* pNVI, S32 s32DeclutterWaypoint);

// The waypoint manager's chart preview: the boat and the one item *pItem
// names (a waypoint slot, a route or one of this unit's tracks; NAV_NONE for
// none). Takes mutex 9.
void T_NAV_vDrawChartTwrSelected(NAV_VIEW_INFO* pNVI, U16* pItem);
// A route as one polyline through its waypoints, for that preview.
void T_NAV_vRenderRouteForPopupWindow(const ROUTE* pRoute, NAV_VIEW_INFO* pNVI);
