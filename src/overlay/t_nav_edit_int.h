// What the overlay's files share: the open screen's records, the closing
// step and the look every screen draws with. All of it is guarded by mutex
// 10 (RES_NAV_EDIT).
#pragma once

#include "g_image32.h"
#include "h_database.h"
#include "u_nav_edit.h"

typedef struct tag_NAV_WPT_SEL {
  S32 nPosition;  // -1: the sort row
  S32 nTop;
  const U16* au16SortedIndexes;
  U32 nCount;
  NAV_WPT_SORT_ORDER eSortBy;
  NAV_FORMAT_ENUM ePosFormat;
  U32 nLang;
  NAV_EDIT_INDEX_CALLBACK pSelect;
  NAV_EDIT_TEXT pConfirmation;
} NAV_WPT_SEL;

typedef struct tag_NAV_POINT_SEL {
  S32 nPosition;
  S32 nTop;
  const ST_POINT_TYPE_INDEX* atSortedList;
  U32 nCount;
  NAV_WPT_SORT_ORDER eSortBy;
  NAV_FORMAT_ENUM ePosFormat;
  U32 nLang;
  NAV_EDIT_POINT_CALLBACK pSelect;
  NAV_EDIT_TEXT pConfirmation;
  BOOLEAN bAllowFlyoutPositionMenu;
} NAV_POINT_SEL;

typedef struct tag_NAV_POINT_ACTION {
  S32 nPosition;
  S32 nTop;
  U32 nCount;
  void (*pSelect)(U32 nAction, const ST_POINT_TYPE_INDEX* pPoint);
  U32 nLang;
  NAV_EDIT_TEXT pConfirmation;
} NAV_POINT_ACTION;

typedef struct tag_NAV_TRK_EDIT {
  TRK_EDIT_STATE eState;
  S32 nPosition;
  U32 nIndex;
  U32 nLang;
  NAV_EDIT_INDEX_CALLBACK pSave;
  NAV_EDIT_INDEX_CALLBACK pCancel;
  BOOLEAN bDirty;
  BOOLEAN bVisible;
  U32 u32Style;
  U32 u32ActualColor;
  U32 u32ColorSetting;
  BOOLEAN bVisibleDirty;
  BOOLEAN bColorDirty;
  BOOLEAN bStyleDirty;
  BOOLEAN bUseRandomColor;
} NAV_TRK_EDIT;

typedef struct tag_NAV_RTE_INFO {
  S32 nRteTop;
  U32 nIndex;
  ROUTE Route;
  U32 nLegs;
  UNIT_TYPE unitsBRG;
  UNIT_TYPE unitsDTG;
  double fBRG[NAV_MAX_ROUTE_POINTS];
  double fDTG[NAV_MAX_ROUTE_POINTS];
} NAV_RTE_INFO;

extern NAV_EDIT_STATE s_eNavEditState;
extern NAV_EDIT_STATE s_eNavEditStateSaved;
extern NAV_EDIT_TEXT s_pNavEditTitle;
extern NAV_WPT_SEL s_WptSel;
extern NAV_POINT_SEL s_TwrPointSel;
extern NAV_POINT_ACTION s_TwrPointSelAction;
extern NAV_TRK_EDIT s_TrkEdit;
extern NAV_RTE_INFO s_RteInfo;
extern U16 s_au16SortedIndexes[NAV_MAX_WAYPOINTS];
extern ST_POINT_TYPE_INDEX s_atSortedPoints[NAV_EDIT_POINT_LIST_SIZE];

// Registers the overlay's keys and layer 304 for state eState.
void NAV_EDIT_vOpen(NAV_EDIT_STATE eState, NAV_EDIT_TEXT pTitle);
// The closing step: state 0, keys and layer 304 given back.
void NAV_EDIT_vClose(void);
void NAV_EDIT_vClick(BOOLEAN bGood);
// A yes/no box in the current language whose answers run later.
void NAV_EDIT_vAsk(NAV_EDIT_TEXT pQuestion, void (*pNo)(void), void (*pYes)(void));
U32 NAV_EDIT_u32Setting(FOURCHARID id, U32 u32Fallback);
// A true bearing as the bearing units show it: magnetic when the units are
// and the variation is known.
double NAV_EDIT_dShownBearing(double dTrue, UNIT_TYPE units);

// The look: fonts by the current language's text width, the table colours.
const FONT_DEF* NAV_EDIT_pFont(void);
const FONT_DEF* NAV_EDIT_pBoldFont(void);
COLOR NAV_EDIT_color(U32 u32Entry);
const char* NAV_EDIT_pText(NAV_EDIT_TEXT pText, U32 nLang);
void NAV_EDIT_vText(BITMAP* pBitmap, S32 x, S32 y, const FONT_DEF* pFont, const char* pText);
void NAV_EDIT_vTextRight(BITMAP* pBitmap, S32 xRight, S32 y, const FONT_DEF* pFont, const char* pText);
void NAV_EDIT_vHLine(BITMAP* pBitmap, U32 u32Entry, S32 x0, S32 x1, S32 y);
void NAV_EDIT_vHighlight(BITMAP* pBitmap, S32 x, S32 y, U32 u32Width, U32 u32Height);

// The pickers' drawing and the track screens' drawing and keys.
void T_NAV_vSelectWaypointRender(BITMAP* pBitmap);
void T_NAV_vSelectTWRPointRender(BITMAP* pBitmap);
void T_NAV_vCurrentTrackAppearanceRender(BITMAP* pBitmap);
void T_NAV_vTrackDefaultsRender(BITMAP* pBitmap);
BOOLEAN T_NAV_vCurrentTrackAppearanceHandleKeys(const MSG_KEY_CHANGE* pMsg);
BOOLEAN T_NAV_vTrackDefaultsHandleKeys(const MSG_KEY_CHANGE* pMsg);
void T_NAV_vRouteInfoRender(BITMAP* pBitmap);
// The title band of the editor screens, centred right of the 160-pixel column.
void T_NAV_vDrawTitleBoxString(BITMAP* pBitmap, const BYTE* sTitle);
// The confirmation answers; each acts only while its screen is still open.
void T_NAV_vSWSelect(void);
void T_NAV_vSWCancel(void);
void T_NAV_vSelectTWRPoint(void);
void T_NAV_vSelectTWRPointAction(void);
void T_NAV_vECTSave(void);
void T_NAV_vEDTSave(void);
void T_NAV_vETCancel(void);

// The AIS screens: the limits editor (drawn by the dispatcher) and the target
// list (a layer of its own).
typedef enum tag_AIS_EDIT_STATE {
  AIS_EDIT_NONE = 0,
  AIS_EDIT_CPA = 1,
  AIS_EDIT_CPA_VALUE = 2,
  AIS_EDIT_TCPA = 3,
  AIS_EDIT_TCPA_VALUE = 4,
  AIS_EDIT_SAVE = 5,
} AIS_EDIT_STATE;

// The values are narrow program texts; a wide language widens them only to
// draw.
typedef struct tag_NAV_AIS_EDIT {
  AIS_EDIT_STATE eState;
  S32 nPosition;
  U32 nLang;
  char sCPA[16];   // dd.dd in the user's distance unit
  char sTCPA[12];  // hh:mm
  float fCPA;
  U32 nTCPA;       // minutes
  BOOLEAN bCPADirty;
  BOOLEAN bTCPADirty;
} NAV_AIS_EDIT;

typedef struct tag_NAV_AIS_TARGETS {
  S32 nSelIndex;
  U32 nMMSI;  // 0: not known
  U32 nLang;
  S32 nStartIndex;
} NAV_AIS_TARGETS;

struct tag_ais_DeviceInfo;
extern NAV_AIS_EDIT s_AisEdit;
extern NAV_AIS_TARGETS s_AisList;

// Clamps fCPA and nTCPA into the texts' forms and formats both texts.
void T_NAV_vAisLimitsFormat(void);
void T_NAV_vAisLimitsUp(AIS_EDIT_STATE state);
void T_NAV_vAisLimitsDown(AIS_EDIT_STATE state);
void T_NAV_vAisLimitsRight(AIS_EDIT_STATE state);
void T_NAV_vAisLimitsLeft(AIS_EDIT_STATE state);
// Store a dirty value; FALSE when the database refused it.
BOOLEAN T_NAV_bAisLimitsSaveCPA(void);
BOOLEAN T_NAV_EDIT_bAisLimitsSaveTCPAUsingCheckKey(void);
void T_NAV_vAisLimitsRender(BITMAP* pBitmap);
BOOLEAN T_NAV_bAisLimitsHandleKeys(const MSG_KEY_CHANGE* pMsg);
BOOLEAN T_NAV_bAisListHandleKeys(const MSG_KEY_CHANGE* pMsg);
const IMAGE32* T_NAV_pAisShipIcon(U32 u32ShipType);
// A name's first line and second line (empty when one line holds it); both
// outputs hold 22 bytes. Returns the line count.
U32 T_NAV_u32AisSplitName(const char* pName, U32 u32Size, char* sFirst, char* sSecond);
// The font of the target list's values (names, numbers, clock times).
const FONT_DEF* T_NAV_pAisListValueFont(void);
// Moves the chart cursor onto a target; FALSE (key refused) without a boat
// position and heading or a target position.
BOOLEAN T_NAV_bCursorToAisPoint(const struct tag_ais_DeviceInfo* pAisInfo);
