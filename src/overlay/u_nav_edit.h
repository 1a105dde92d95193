// The overlays' client functions: the navigation task's modal screens (pickers,
// track appearance) with their keys and draw layer 304 under mutex 10
// (RES_NAV_EDIT), and the name labels that charts and the waypoint manager
// draw. Setups and keys run on the navigation task, drawing on the view task.
#pragma once

#include "basetypes.h"
#include "g_truetype.h"
#include "g_types.h"
#include "layer_id.h"
#include "t_nav_twr.h"
#include "u_keyboard.h"
#include "u_nav.h"

// Travels saved route nIndex (from its point u32StartAt, or in reverse): the
// navigation task registers it once, before the tasks run; without it a
// route picked to travel is not travelled.
typedef void (*NAV_EDIT_TRAVEL_ROUTE)(U32 nIndex, U32 u32StartAt, BOOLEAN bReverse);
BOOLEAN T_NAV_EDIT_bRegisterTravelRoute(NAV_EDIT_TRAVEL_ROUTE pfn);

typedef enum tag_NAV_EDIT_STATE {
  NAV_EDIT_NONE = 0,
  NAV_EDIT_SELECT_TRACK = 1,
  NAV_EDIT_CURRENT_TRACK_APPEARANCE = 2,
  NAV_EDIT_TRACK = 3,
  NAV_EDIT_TRACK_DEFAULT = 4,
  NAV_EDIT_SELECT_WAYPOINT = 5,
  NAV_EDIT_WAYPOINT = 6,
  NAV_EDIT_SELECT_ROUTE = 7,
  NAV_EDIT_ROUTE = 8,
  NAV_EDIT_ROUTE_INFO = 9,
  NAV_EDIT_AIS_CPA_LIMIT = 10,
  NAV_AIS_LIST = 11,
  NAV_EDIT_SELECT_TWR_POINT = 12,
  NAV_EDIT_SELECT_TWR_POINT_ACTION = 13,
} NAV_EDIT_STATE;

typedef enum tag_TRK_EDIT_STATE {
  TRK_EDIT_NONE = 0,
  TRK_EDIT_NAME = 1,
  TRK_EDIT_NAME_VALUE = 2,
  TRK_EDIT_VISIBILITY = 3,
  TRK_EDIT_VISIBILITY_VALUE = 4,
  TRK_EDIT_STYLE = 5,
  TRK_EDIT_STYLE_VALUE = 6,
  TRK_EDIT_COLOR = 7,
  TRK_EDIT_COLOR_VALUE = 8,
  TRK_EDIT_SAVE = 9,
} TRK_EDIT_STATE;

typedef void (*NAV_EDIT_INDEX_CALLBACK)(U32 nIndex);
typedef void (*NAV_EDIT_POINT_CALLBACK)(const ST_POINT_TYPE_INDEX* pPoint);
typedef const char* const* NAV_EDIT_TEXT;  // a 27-language text table

// The sorted point list holds every waypoint and both ends of every route.
constexpr U32 NAV_EDIT_POINT_LIST_SIZE = NAV_POINT_LIST_SIZE;
constexpr U32 NAV_EDIT_ROWS = 6;
constexpr U32 NAV_EDIT_MAX_TRACK_COLOR = 15;
constexpr U32 NAV_EDIT_RANDOM_TRACK_COLOR = 16;
// The names of the track colours, shown beside their swatches; the
// waypoint manager's forms offer one more, orange (16).
constexpr U32 NAV_EDIT_COLOR_NAMES = 17;
extern const NAV_EDIT_TEXT g_apNavEditColorName[NAV_EDIT_COLOR_NAMES];

// ---------------------------------------------------------------------------
// Opening and closing

// FALSE (nothing registered) when no waypoint is listed.
BOOLEAN T_NAV_EDIT_bSelectWaypointSetup(NAV_EDIT_INDEX_CALLBACK pSelect, NAV_EDIT_TEXT pConfirmation,
                                        NAV_EDIT_TEXT pTitle, BOOLEAN bDisplayNetworkedWaypoints);
// Opens even on an empty list; TRUE when the list holds something.
BOOLEAN T_NAV_EDIT_bSelectTWRPointSetup(NAV_EDIT_POINT_CALLBACK pSelect, NAV_EDIT_TEXT pConfirmation,
                                        NAV_EDIT_TEXT pTitle, BOOLEAN bDisplayNetworkedpoints,
                                        BOOLEAN bIncludeFerwStartEnd, BOOLEAN bAllowFlyoutPositionMenu);
void T_NAV_EDIT_vCurrentTrackAppearanceSetup(void);
void T_NAV_EDIT_vTrackDefaultsSetup(void);
// The AIS limits editor; the AIS target list (FALSE, nothing opened, when
// AIS is off or no target is held).
void T_NAV_EDIT_vAisLimitsSetUp(void);
BOOLEAN T_NAV_vAisTargetListSetup(void);
// The menu actions: open and click.
void T_NAV_vAisTargetList(void);
void T_NAV_vAisCPALimit(void);
void T_NAV_vAisLimitsSave(void);
void T_NAV_vAisLimitsCancel(void);
// The target list's layer, and the pool's notice of a dropped target.
void T_NAV_vAisRenderTargetList(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER psWindowSpec);
void T_NAV_vDeleteTargetListIndex(U32 nMMSI, int nIndex);
// The menu actions of the chart's menu and the Nav tab (menu task): a new
// route in the route editor; the route picker for editing or for travel
// (with its direction); the waypoint under the cursor, else one picked, in
// the waypoint editor; a picked saved track in the track editor. An empty
// list opens nothing and says so.
void T_NAV_EDIT_vNewRouteMenu(void);
void T_NAV_EDIT_vEditRouteMenu(void);
void T_NAV_EDIT_vTravelRouteMenu(void);
void T_NAV_EDIT_vEditWaypointMenu(void);
void T_NAV_EDIT_vEditTrackMenu(void);
// Route legs of the route-info screen, at most 50 whatever the record says.
void T_NAV_EDIT_vRouteInfoSetup(U32 nIndex, NAV_EDIT_TEXT pTitle);

// Closes the open overlay (nothing when none is open).
void T_NAV_EDIT_vResetState(void);
// Factory defaults: closes, then writes SNWS = 0 at u32Priority.
void T_NAV_EDIT_vReset(U32 u32Priority);
void T_NAV_EDIT_vResetState_PointAction(void);

NAV_EDIT_STATE T_NAV_EDIT_eState(void);

// The layer's draw function (view task).
void T_NAV_EDIT_vRender(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER psWindowSpec);
// TRUE when the open overlay took the key (navigation task).
BOOLEAN T_NAV_EDIT_bHandleKeys(MSG_KEY_CHANGE* pMsg);

// ---------------------------------------------------------------------------
// Name labels, shared with the chart, the highway view and the waypoint
// manager

typedef struct tag_CHINESE_WPT_TYPE {
  NAV_EDIT_TEXT sName;  // null: the end mark
  U16 u16Id;
} CHINESE_WPT_TYPE;
constexpr U32 NAV_EDIT_PRESET_ROWS = 31;

// Row index (0..30) of the presets; null beyond the table.
const CHINESE_WPT_TYPE* T_NAV_EDIT_sGetChineseWyptType(U8 index);
// Draws a preset's current-language text and moves the anchor past it; an
// unknown code draws nothing and moves the anchor by 2.
void T_NAV_EDIT_vPutChineseWypt(BITMAP* pDest, COLOR colorFont, POINT* pAnchor, const FONT_DEF* pFont, U16 u16Code);
U32 T_NAV_EDIT_u32GetWidthChineseWypt(const FONT_DEF* pFont, U16 u16Code);
// Width of a name as the chart labels lay it out.
U32 T_NAV_EDIT_u32GetWidthWaypointName(const FONT_DEF* pFont, const BYTE* pString);
// One name label, clipped whole: nothing is drawn when the anchor or the
// label's test width leaves the clip rectangle. Raises the anchor's y by 3 on
// every call. The caller's name (at most u32Size bytes, ended within them) is
// never written: a wide language widens a copy.
void T_NAV_EDIT_vRenderWyptRteTrkName(BITMAP* pDest, COLOR colorFont, POINT* pAnchor, const FONT_DEF* pFont,
                                      const char* pString, U32 u32Size);

// ---------------------------------------------------------------------------
// Alphabet stepping of the name editors

U16 T_NAV_u16NextWCharInAlphabet(U32 nLang, U16 cThis);
U16 T_NAV_u16PrevWCharInAlphabet(U32 nLang, U16 cThis);
char T_NAV_cNextCharInAlphabet(U32 nLang, char cThis);
char T_NAV_cPrevCharInAlphabet(U32 nLang, char cThis);

// -1, 0 or 1 with A-Z folded to a-z.
S32 T_NAV_EDIT_s32StrcmpIgnoreCase(const char* s1, const char* s2);
S32 T_NAV_EDIT_s32StrncmpIgnoreCase(const char* s1, const char* s2, U32 u32Length);

// ---------------------------------------------------------------------------
// Frame drawing

void T_NAV_EDIT_vDrawBoldBox(BITMAP* pDest, COLOR color, const POINT* pAnchor, U32 u32Width, U32 u32Height,
                             U32 u32LineWidth);
void T_NAV_vDrawScrollTab(BITMAP* pBitmap, POINT* pAnchor, U32 u32Width, BOOLEAN bUp, BOOLEAN bDown);
