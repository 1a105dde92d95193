// The waypoint manager's window state, shared by its files: the mode and
// focus, the list of the directory shown and its visible rows, the path of
// nested groups, the popups and the timed note. Every field is read and
// written under mutex 9 (RES_NAV_DATA), in the navigation task (keys,
// notices, tick), the view task (render) and the message-box task
// (confirmation callbacks).
#pragma once

#include "basetypes.h"
#include "g_icon.h"
#include "g_types.h"
#include "t_nav_group.h"
#include "t_nav_records.h"

typedef enum : U8 {
  MODE_INVALID = 0,
  MODE_BROWSE = 1,
  MODE_EDIT_GROUP = 2,
  MODE_EDIT_ROUTE = 3,
  MODE_MULTI_SELECT = 4,
  MODE_SEARCH = 5,
  MODE_PASTE = 6,
  MODE_WAYPOINTSETTINGS = 7,
  MODE_REORDER_WAYPOINT_IN_ROUTE = 8,
} GROUP_MGR_MODE;

typedef enum : U8 {
  STATE_SLEEP = 0,
  STATE_ITEM_LIST = 1,
  STATE_OPTIONS_MENU = 2,
  STATE_SORTBY_MENU = 3,
} GROUP_MGR_INPUT_STATE;

typedef enum : U8 {
  SORTBY_ATOZ = 0,
  SORTBY_ZTOA = 1,
  SORTBY_NEWEST = 2,
  SORTBY_OLDEST = 3,
  SORTBY_DISTANCE = 4,
  SORTBY_ICON = 5,
} SORTBY_ORDER;

typedef enum : U8 {
  GROUP_MGR_MENU_ITEM_STATE_IDLE = 0,
  GROUP_MGR_MENU_ITEM_STATE_HIGHLIGHTED = 1,
  GROUP_MGR_MENU_ITEM_STATE_EXPANDED = 2,
} GROUP_MGR_MENU_ITEM_STATE;

typedef void (*GROUP_MGR_ACTION)(U32 arg);

// One node of a popup-menu tree.
typedef struct tag_GROUP_MGR_MENU_ITEM {
  GROUP_MGR_MENU_ITEM_STATE status;
  const char* const* strName;
  struct tag_GROUP_MGR_MENU_ITEM* parent;
  struct tag_GROUP_MGR_MENU_ITEM* first_child;
  GROUP_MGR_ACTION p2Function;
  struct tag_GROUP_MGR_MENU_ITEM* last;
  struct tag_GROUP_MGR_MENU_ITEM* next;
} GROUP_MGR_MENU_ITEM;

struct tag_POPUP_WINDOW;
typedef void (*POPUP_DRAW)(struct tag_POPUP_WINDOW* pWin, BITMAP* pBitmap);
typedef BOOLEAN (*POPUP_KEYS)(struct tag_POPUP_WINDOW* pWin, const MSG_KEY_CHANGE* pMsg);
typedef void (*POPUP_DESTROY)(struct tag_POPUP_WINDOW* pWin);

typedef struct tag_POPUP_WINDOW {
  const char* const* strTitle;
  BOOLEAN bActive;
  POINT ptAnchor;
  S32 nWidth;
  S32 nHeight;
  const char* const* ppStrFooter;
  POPUP_DRAW pDrawFunc;
  POPUP_KEYS pKeyHandleFunc;
  POPUP_DESTROY pDestoryFunc;
  void* pData;
} POPUP_WINDOW;

typedef struct tag_POPUP_MENU_WINDOW {
  POPUP_WINDOW parent;
  GROUP_MGR_MENU_ITEM* pMenu;
  BOOLEAN bVeticalCentered;
  void* pData;
} POPUP_MENU_WINDOW;

// A note is a whole sentence with up to two names, in the wide form too.
constexpr U32 NAV_GROUP_NOTE_SIZE = 256;
typedef struct tag_POPUP_ALARMWINDOW {
  POPUP_WINDOW parent;
  const char* pStrMessage;
  U32 nUINoteCountdown;
  BOOLEAN (*pExitHandleFunc)(void);
} POPUP_ALARMWINDOW;

constexpr U32 NAV_GROUP_LIST_MAX = 3100;
constexpr U32 NAV_GROUP_SHOW_MAX = 32;
constexpr U32 NAV_GROUP_PATH_LEVELS = 16;
constexpr U32 NAV_GROUP_PATH_NAME = 20;
constexpr U32 NAV_GROUP_MAX_PARENT_STEPS = 3000;

typedef void (*NAV_GROUP_CONFIRM)(void);

typedef struct tag_NAV_GROUP_WINDOW {
  GROUP_MGR_INPUT_STATE eInputState;
  GROUP_MGR_MODE eMode;
  BOOLEAN bWindowUp;
  U16 u16CurrentGroupID;
  U16 u16ParentGroupID;
  U16 u16CurrentEditGroupID;
  U16 au16ListIDs[NAV_GROUP_LIST_MAX];
  U16 u16ListCount;
  U16 u16MaxShowItems;
  U16 u16FirstShowItemIndexInList;
  U16 u16ShowItemsCount;
  U16 au16ShowItemIDs[NAV_GROUP_SHOW_MAX];
  U16 u16HighlightIndex;
  char aacGroupPath[NAV_GROUP_PATH_LEVELS][NAV_GROUP_PATH_NAME + 2];
  U16 u16PathDepth;
  char acHighBarText[64];
  char acLowBarText[64];
  char acInstructionText[256];
  POPUP_WINDOW* pPopupWindow;
  POPUP_ALARMWINDOW* pPopupAlarmWindow;
  NAV_GROUP_CONFIRM pfnConfYes;
  NAV_GROUP_CONFIRM pfnConfNo;
  U32 u32NavTimerCount;
  BOOLEAN bNoteRestart;
  SORTBY_ORDER eSortByOrder;
  S16 s16SortByMenuSelection;
  U16 u16NewMarkedWpUid;
  POINT ptItemListRightClickMenu;
  U32 u32XOriginOffset;
  U16 au16PreviewIDs[NAV_GROUP_LIST_MAX];
  U16 u16PreviewCount;
  POINT ptPreviewCentre;
  char acNote[NAV_GROUP_NOTE_SIZE];
} NAV_GROUP_WINDOW;

extern NAV_GROUP_WINDOW g_WPM;

// Item classes of the list, in the order the tests are made.
typedef enum : U8 {
  WPM_ITEM_NONE = 0,
  WPM_ITEM_GROUP,
  WPM_ITEM_WAYPOINT,
  WPM_ITEM_ROUTE,
  WPM_ITEM_TRACK,
  WPM_ITEM_OTHER,
} WPM_ITEM_CLASS;
WPM_ITEM_CLASS WPM_eClass(U16 id);
BOOLEAN WPM_bIsGroupId(U16 id);
BOOLEAN WPM_bIsRouteId(U16 id);
// The item's name, terminated, in out (at least 24 bytes); FALSE when its
// record cannot be fetched.
BOOLEAN WPM_bItemName(U16 id, char* out, U32 u32Size);
// The large picture of a waypoint icon number; beyond the table, the first.
const ICON* WPM_pIconPicture(U32 u32Icon);
// The item's date-time; 0 when none.
U32 WPM_u32ItemDate(U16 id);

// List and entry (t_nav_group_list.cpp).
BOOLEAN T_NAV_GROUP_bEnterGroup(U16 indexGroup, U16 indexChildToHighlight);
BOOLEAN T_NAV_GROUP_bEnterRoute(U16 indexRoute, U16 indexChildToHighlight);
void WPM_vEnterDirectory(U16 id, U16 child);
void WPM_vRebuildPath(U16 groupId);
// A group's name as the manager shows it; pcHome (NAV_WAYPOINT_NAME_SIZE
// bytes) holds the root's.
const char* WPM_pcGroupName(const GROUP_HEADER* h, char* pcHome);
void WPM_vRefillShown(void);
void T_NAV_GROUP_vComputeChartScale(void);
void T_NAV_GROUP_vComputeCenterPosition(POINT* pPosition, POINT* pPositionMin, POINT* pPositionMax);
void T_NAV_GROUP_vShowGroupList(U16 indexGroup);
BOOLEAN T_NAV_GROUP_bLowSelectionBarHandleKeys(const MSG_KEY_CHANGE* pMsg);
void T_NAV_GROUP_vSetAsDefaultGroup(U32 arg);
void T_NAV_GROUP_vOpenDirectory(U32 arg);
// Whether a group's parent chain reaches the root within the step bound.
BOOLEAN WPM_bReachesRoot(U16 groupId);

// Sort and distances (t_nav_group_sort.cpp).
void T_NAV_GROUP_vSortByOrder(SORTBY_ORDER eOrder);
// Distance from the boat in nautical miles; FALSE without a boat position.
BOOLEAN WPM_bDistanceNm(POINT pt, double* pdNm);
// Distance from the boat in the display unit; FALSE without a boat position.
BOOLEAN T_NAV_GROUP_bCalDistance(POINT ptWaypointMM, double* pfDistance);
// The largest distance of the group's contents; FALSE without a position.
BOOLEAN T_NAV_GROUP_bCalGroupDistance(U16 indexGroup, double* pfDistance);

// Window life (t_nav_group.cpp).
void T_NAV_GROUP_vSwitchToBrowseMode(void);
void T_NAV_GROUP_vReturnToBrowseState(void);
void T_NAV_GROUP_vExitMainWindow(void);
BOOLEAN T_NAV_GROUP_vExitAlarmMessage(void);
void WPM_vTakeNoteDown(void);
void WPM_vClick(BOOLEAN bAccepted);
const char* WPM_pcText(const char* const* ppText);

// Menus (t_nav_group_menu.cpp).
extern GROUP_MGR_MENU_ITEM s_MenuNew[];
void WPM_vOpenMenu(GROUP_MGR_MENU_ITEM* pFirst, POINT anchor);
void WPM_vOpenItemMenu(U16 id);
// The menu of a point of the route being edited (Reorder, Delete).
void WPM_vOpenRouteEditMenu(void);
BOOLEAN T_NAV_GROUP_bMenuWindowHandleKeys(POPUP_WINDOW* pWin, const MSG_KEY_CHANGE* pMsg);
void T_NAV_GROUP_vMenuWindowDraw(POPUP_WINDOW* pWin, BITMAP* pBitmap);
// The box of one menu level at an anchor: left edge, lower edge, width.
void WPM_vMenuBox(GROUP_MGR_MENU_ITEM* pFirst, POINT anchor, S32* px0, S32* py0, S32* pnWidth, S32* pnHeight);
void T_NAV_GROUP_vNavConfYes(void);
void T_NAV_GROUP_vNavConfNo(void);

// Drawing (t_nav_group_draw.cpp).
void T_NAV_GROUP_vDrawMainFrame(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER psWindowSpec);
void T_NAV_GROUP_vDrawItemList(BITMAP* pBitmap, POINT anchor, S32 nWidth);
// The name as drawn in a row: cut to 9 characters and "..." when it is
// 232 pixels or wider.
void WPM_vFitRowName(const char* pcName, char* out, U32 u32Size);

// Keys (t_nav_group_keys.cpp).
void T_NAV_GROUP_vReverseRoute(void);
// Up one level from the list or the low bar; FALSE at the root.
BOOLEAN WPM_bGoUpFromList(void);
