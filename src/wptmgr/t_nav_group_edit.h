// The manager's edit forms: a titled popup over a zero-terminated table of
// field rows, edited with the cursor pad; the waypoint forms built on it.
#pragma once

#include <initializer_list>

#include "t_nav_group_priv.h"

typedef enum : U8 {
  EDIT_TYPE_INVALID = 0,
  EDIT_TYPE_SAVE = 10,
  EDIT_TYPE_STATIC = ' ',
  EDIT_TYPE_00 = '0',
  EDIT_TYPE_01 = '1',
  EDIT_TYPE_03 = '3',
  EDIT_TYPE_05 = '5',
  EDIT_TYPE_07 = '7',
  EDIT_TYPE_09 = '9',
  EDIT_TYPE_ICON_ARRAY = 'A',
  EDIT_TYPE_YESNO = 'B',
  EDIT_TYPE_CHAR = 'C',
  EDIT_TYPE_ICON = 'I',
  EDIT_TYPE_STRING_LIST = 'L',
  EDIT_TYPE_MIXED_CHAR = 'M',
  EDIT_TYPE_COLOR = 'O',
  EDIT_TYPE_NS = 'S',
  EDIT_TYPE_TRACKSTYLE = 'T',
  EDIT_TYPE_CHAR_U = 'U',
  EDIT_TYPE_ICON_VAR = 'V',
  EDIT_TYPE_EW = 'W',
} GROUP_MGR_EDIT_TYPE;

constexpr U32 EDIT_FIELD_VALUE_SIZE = 40;

typedef void (*EDIT_HOOK)(POPUP_WINDOW* pWin);

typedef struct tag_EDIT_FIELD {
  const char* const* name;
  S16 highlight;
  GROUP_MGR_EDIT_TYPE type;
  U16 string_len;
  char value_string[EDIT_FIELD_VALUE_SIZE];
  const char* candidate_mask;
  S16 left_part_percent;
  BOOLEAN bInactive;
  EDIT_HOOK pHookDataFunc;
  const void* pDisplayList;
  U16 nDisplayList;
  BOOLEAN bDisabled;
} EDIT_FIELD;

typedef BOOLEAN (*EDIT_UPDATE)(POPUP_WINDOW* pWin);
typedef void (*EDIT_SAVE)(void* pData, U32 u32Index);
typedef void (*EDIT_CANCEL)(U32 u32Index);

typedef struct tag_POPUP_EDIT_WINDOW {
  POPUP_WINDOW parent;
  EDIT_FIELD* pEditFields;
  BOOLEAN bDirty;
  EDIT_UPDATE pUpdateDataFunc;
  EDIT_SAVE pSaveFunc;
  EDIT_CANCEL pCancelFunc;
  void* pData;
  U32 u32Index;
} POPUP_EDIT_WINDOW;

// The forms' shared state: the character editor is open, the form came from
// the mark key, a new-item form is open and the counters before it.
typedef struct tag_WPM_FORM_STATE {
  BOOLEAN bEditMenuChange;
  BOOLEAN bMarkFlag;
  BOOLEAN bNewGroupCreated;
  BOOLEAN bNewWaypointCreated;
  BOOLEAN bNewRouteCreated;
  S32 s32OldGroupCount2Name;
  S32 s32OldWaypointCount2Name;
} WPM_FORM_STATE;
extern WPM_FORM_STATE g_WPMForm;

// The next (bForward) or previous candidate after cValue for the edit type;
// 255 for a type without candidates.
U8 T_NAV_GROUP_cEditWindowStepValue(const void* pDisplayList, const U16* pnDisplayList, U8 cValue,
                                    GROUP_MGR_EDIT_TYPE eType, BOOLEAN bForward);
BOOLEAN T_NAV_GROUP_bEditWindowHandleKeys(POPUP_WINDOW* pWin, const MSG_KEY_CHANGE* pMsg);
void T_NAV_GROUP_vEditWindowDraw(POPUP_WINDOW* pWin, BITMAP* pBitmap);
void T_NAV_GROUP_vEditWindowSaveAndExit(void);
void T_NAV_GROUP_vEditWindowCancelAndExit(void);
// Fills the window record, selects row 0 and installs the form.
void WPM_vOpenForm(POPUP_EDIT_WINDOW* pWin, const char* const* strTitle, S32 nWidth, S32 nHeight);
// A form's record from scratch, then opened as above.
typedef struct tag_WPM_FORM_LAYOUT {
  const char* const* strTitle;
  S32 nWidth;
  S32 nHeight;
  EDIT_UPDATE pUpdate;
  EDIT_SAVE pSave;
  void* pData;
  U32 u32Index;
  const char* const* ppStrFooter;
} WPM_FORM_LAYOUT;
void WPM_vInstallForm(POPUP_EDIT_WINDOW* pWin, EDIT_FIELD* pFields, const WPM_FORM_LAYOUT& form);

// Row builders and helpers shared by the forms.
EDIT_FIELD WPM_Row(const char* const* name, GROUP_MGR_EDIT_TYPE eType);
// A name row's masks in the 8-bit and in the 16-bit languages; one position
// per mask character, and a wide mask beginning with 'M' makes a mixed row.
typedef struct tag_WPM_NAME_SHAPE {
  const char* pcMask;
  const char* pcWideMask;
} WPM_NAME_SHAPE;
// A name row holding the start of pcText (in the current string form) that
// fits its positions.
void WPM_vNameRow(EDIT_FIELD* f, const char* pcText, U32 u32TextSize, const WPM_NAME_SHAPE& shape);
// The name shape of waypoints and of the searches by name.
WPM_NAME_SHAPE WPM_WaypointNameShape(void);
// Rows whose buffers hold big-endian 16-bit characters.
BOOLEAN WPM_bWideRow(const EDIT_FIELD* f);
// In a 16-bit language an 8-bit text row becomes a 16-bit one with the same
// characters and mask, as every text row there is; a text too long for the
// buffer in 16 bits stays 8-bit.
void WPM_vWidenRow(EDIT_FIELD* f);
// A text row's characters as 8-bit text for a parser (a 16-bit character
// beyond 8 bits becomes '?'); out is always ended.
void WPM_vRowText(const EDIT_FIELD* f, char* out, U32 u32Size);
// A 16-bit character one step on for the kind of its position; 0xFFFF for
// a kind without candidates.
U16 T_NAV_GROUP_u16EditWindowStepWide(U16 c, GROUP_MGR_EDIT_TYPE eType, BOOLEAN bForward);
// A "Hidden"/"Visible" list row.
void WPM_vVisibilityRow(EDIT_FIELD* f, BOOLEAN bHide);
// The row's text into a cleared name field, trailing blanks removed (never
// the first character).
void WPM_vTakeName(char* pcName, U32 u32Size, const EDIT_FIELD* f);
// A name (in the current string form) that is empty or a single blank.
BOOLEAN WPM_bBlankName(const char* pcName);
// "Created: <date> <time>".
void WPM_vCreatedLine(char* out, U32 u32Size, U32 u32DateTime);
// A bar's text in the current string form: the parts at even places are
// texts of that form (the language's texts, names), those at odd places the
// ASCII that joins them. Cut to the room, always ended.
void WPM_vJoinTexts(char* out, U32 u32Size, std::initializer_list<const char*> parts);
// The directory shown entered again with the item highlighted.
void WPM_vReenter(U16 highlight);
// TRUE with a valid boat position; otherwise the fix error and the refused click.
BOOLEAN WPM_bNeedFix(void);
// The default waypoint icon (SWDI); 0 when unset or out of range.
U32 WPM_u32DefaultIcon(void);
// Names of the store's records as terminated text.
void WPM_vNameOf(char* out, U32 u32Size, const char* pcField, U32 u32FieldSize);
// A box outlined in colour entry 32 and filled with the given entry.
void WPM_vFramed(BITMAP* pBitmap, S32 x, S32 y, S32 w, S32 h, U32 fill);

// The edit state of group and route editing: the links an edit added (bit
// 31 clear) or removed (set), and the items made or changed for it.
constexpr U32 WPM_UNDO_MAX = 3100;
constexpr U32 WPM_UNDO_REMOVED = 0x80000000u;
typedef struct tag_WPM_EDIT_STATE {
  U32 au32UndoList[WPM_UNDO_MAX];
  U32 u32UndoCount;
  U16 u16GroupIndexBackupForDelete;
  U16 u16RouteIndexBackupForEdit;
  U16 u16RouteIndexBackupForDelete;
  U16 u16NewAddedItemParentGroupID;
  ROUTE RouteBackupForEdit;
} WPM_EDIT_STATE;
extern WPM_EDIT_STATE g_WPMEdit;
// Resets the edit state (nothing to undo).
void WPM_vClearEditState(void);
// "Exit and Discard?" Yes: undoes the group or route edit.
void T_NAV_GROUP_vDiscardChangesConfirm(void);
// The low bar's Save while a group or route is being edited.
void T_NAV_GROUP_vSaveChanges(void);
// East on a list row while a group's or a route's contents are edited.
void WPM_vEditGroupListEast(U16 id);
void WPM_vEditRouteListEast(U16 id);
// The Yes of taking the highlighted item out of the group being edited.
void T_NAV_GROUP_vRemoveItemConfirm(void);

// Route, track and group forms (menu actions; the argument is ignored).
void T_NAV_GROUP_vNewRoute(U32 arg);
void T_NAV_GROUP_vEditRoute(U32 arg);
void T_NAV_GROUP_vSaveAsRoute(U32 arg);
void T_NAV_GROUP_vEditTrack(U32 arg);
void T_NAV_GROUP_vSaveAsTrack(U32 arg);
void T_NAV_GROUP_vNewGroup(U32 arg);
void T_NAV_GROUP_vEditGroup(U32 arg);
// The 131,072-byte block a track copy goes through.
constexpr U32 WPM_TRACK_COPY_BYTES = 131072;

// Searches over the whole tree.
typedef enum : U8 {
  SEARCHBY_NAME = 0,
  SEARCHBY_DATE = 1,
  SEARCHBY_DISTANCE = 2,
  SEARCHBY_ICON = 3,
  SEARCHBY_ICON_CATEGORY = 4,
} SEARCHBY_MENU_MODE;
constexpr U32 WPM_SEARCH_MAX = 3100;
constexpr U32 WPM_SEARCH_CATEGORIES = 9;
// The criterion and, parallel to the manager's list, the container each
// result was found in and that container's own parent.
typedef struct tag_WPM_SEARCH_STATE {
  SEARCHBY_MENU_MODE eMode;
  char sName[24];
  char sDateTime[40];
  double dMinNm;
  double dMaxNm;
  U8 u8Icon;
  U8 u8IconCategory;
  U16 au16Parent[NAV_GROUP_LIST_MAX];
  U16 au16GrandParent[NAV_GROUP_LIST_MAX];
  U16 u16ResultIndex;  // the highlighted result's place in the list
} WPM_SEARCH_STATE;
extern WPM_SEARCH_STATE g_WPMSearch;
void T_NAV_GROUP_vSearchByName(U32 arg);
void T_NAV_GROUP_vSearchByDate(U32 arg);
void T_NAV_GROUP_vSearchByDistance(U32 arg);
void T_NAV_GROUP_vSearchByIcon(U32 arg);
void T_NAV_GROUP_vSearchByIconCategory(U32 arg);
void T_NAV_GROUP_vSearchJumpTo(U32 arg);
void T_NAV_GROUP_vSearchDeleteEX(U32 arg);
void T_NAV_GROUP_vExitSearch(void);
// The path line rewritten for the highlighted result: the root, then the
// groups (and the route) that lead to it.
void T_NAV_GROUP_vGetRootPath(void);
// After the highlight moved in the result list: the result index follows it
// and the path line is rebuilt.
void WPM_vSearchFollowHighlight(void);
// Runs the search of g_WPMSearch from the root into the manager's list.
void WPM_vRunSearch(void);
// The first occurrence of the pattern, case folded by bit 0x20; null for none
// or an empty pattern.
const char* WPM_pcStrIStr(const char* pcText, const char* pcPattern);
// A month/day/two-digit-year text that names a real day.
BOOLEAN WPM_bValidDate(const char* pcText);
BOOLEAN WPM_bIconInCategory(U8 u8Icon, U32 u32Category);
// The icons of a category in list order ("All" for 0 and out of range).
const U16* WPM_pCategoryIcons(U32 u32Category, U16* pu16Count);
extern const char* const* const s_StringListIconCategory[WPM_SEARCH_CATEGORIES];
// The category field's hook: the icon field that follows it shows the
// chosen category's icons from the first.
void T_NAV_GROUP_vEditIconCategoryChange(POPUP_WINDOW* pWin);
// The track form's style hook: breadcrumbs (style 0) have no colour row.
void T_NAV_GROUP_vEditTrackStyleChange(POPUP_WINDOW* pWin);
// The waypoint edit form opened on a stored waypoint; null when the index
// names none.
POPUP_EDIT_WINDOW* WPM_pOpenWaypointEdit(U32 u32Index);

// Waypoint forms (menu actions; the argument is ignored).
void T_NAV_GROUP_vNewWaypoint(U32 arg);
void T_NAV_GROUP_vEditWaypoint(U32 arg);
void T_NAV_GROUP_vSaveAsWaypoint(U32 arg);
// The icons offered by the "All" category.
constexpr U32 WPM_ICON_ALL_COUNT = 83;
extern const U16 ICONCATEGORY_DEFAULT_ARRAY[WPM_ICON_ALL_COUNT];
