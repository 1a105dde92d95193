// What the menu task keeps: the items other tasks registered, the containers
// that hold them (tabs, sub-menus, express menus, the quick set-up, floating
// menus), the single-centred definitions, and which menus are open now.
//
// Everything here is guarded by RES_MENU: the menu task changes it, the
// direct functions and the layer draw functions read and change it, always
// holding the mutex. Pools are fixed; nothing is taken from the heap.
#pragma once

#include "basetypes.h"
#include "layer_id.h"
#include "u_menu.h"

constexpr U32 MENU_MAX_ITEMS = 1024;
constexpr U32 MENU_MAX_CONTAINERS = 256;
constexpr U32 MENU_MAX_FLOATING = 8;
constexpr U32 MENU_MAX_SINGLE = 32;
constexpr U32 MENU_MAX_LEVELS = 5;       // a root and four sub-levels
constexpr U32 MENU_MAX_TABS = 32;        // tabs a tab strip lists
constexpr U16 MENU_NONE = 0xFFFF;
constexpr U32 MENU_NO_ROW = 0xFFFFFFFF;

// The two containers that always exist.
constexpr U16 MENU_QUICK_LIST = 0;
constexpr U16 MENU_ALL_VIEWS_LIST = 1;

enum MENU_ITEM_KIND : U8 {
  MENU_ITEM_SELECTOR,
  MENU_ITEM_SLIDER,
  MENU_ITEM_PROGRESS_BAR,
  MENU_ITEM_VAR_STEP_SLIDER,
  MENU_ITEM_ACTION,
  MENU_ITEM_ACTION_LIST,
  MENU_ITEM_SUB_MENU,
  MENU_ITEM_SUB_MENU_NO_ARROW,
  MENU_ITEM_CHECK_BOX,
};

// What a selector or slider edits; items and single-centred definitions
// share it. Choices, values and texts are the registrant's, kept by address;
// limits and step levels are copies.
typedef struct tag_MENU_VALUE {
  MENU_ITEM_KIND eKind;
  FOURCHARID key;
  U32 u32Count;                 // choices
  MENU_CHOICE_LIST pChoices;
  const U32* pValues;
  MENU_TEXT pLeft;              // shown at the minimum instead of the number
  MENU_TEXT pRight;             // shown at the maximum
  MENU_TEXT pSuffix;
  U8 u8Limits;
  U8 u8Steps;
  MENU_LIMITS aLimits[MENU_MAX_LIMITS];
  MENU_STEP_LEVELS aSteps[MENU_MAX_LIMITS];
} MENU_VALUE;

typedef struct tag_MENU_ITEM {
  BOOLEAN bUsed;
  U16 u16Next;                  // the next item of its container (or of the free list)
  U16 u16Container;
  MENU_TEXT pName;
  U32 u32Priority;
  MENU_USER_LEVEL eLevel;
  const ICON* pIcon;
  const ICON* pIconRight;
  MENU_VALUE value;             // kind, and for action lists the entry names and count
  const MENU_ACTION* ppFunctions;  // action-list entries
  const BOOLEAN* pbConfirm;
  M_ACTION_PARAMETERS action;
  MENU_TEXT pSubMenu;           // the sub-menu an entry opens
  U32 u32Context;
  BOOLEAN (*pGetter)(U32);
  BOOLEAN (*pSetter)(U32);
  BOOLEAN bChecked;             // the getter's last answer, read on the menu task
} MENU_ITEM;

enum MENU_CONTAINER_KIND : U8 {
  MENU_BOX_FREE,
  MENU_BOX_TAB,
  MENU_BOX_SUB,
  MENU_BOX_EXPRESS,
  MENU_BOX_ALL_VIEWS,
  MENU_BOX_QUICK,
  MENU_BOX_FLOATING,
};

typedef struct tag_MENU_CONTAINER {
  MENU_CONTAINER_KIND eKind;
  MENU_TEXT pName;              // tab, sub-menu, floating title
  LAYER_ID eView;               // express menus
  SPLIT_WINDOW_TYPE eSplit;
  BOOLEAN bRegistered;          // a tab registered as such (else made by its first item)
  U32 u32Priority;              // a registered tab's place
  U32 u32Order;                 // when first used: the order of implicit tabs
  MENU_USER_LEVEL eLevel;
  const ICON* pIcon;
  U16 u16First;                 // first item, by priority
  MENU_ACTION pGoTo;            // floating menus
  MENU_ACTION pExit;
  BOOLEAN bDisplayAltName;
  char acAltName[MENU_ALT_NAME_BYTES];
} MENU_CONTAINER;

typedef struct tag_MENU_SINGLE {
  BOOLEAN bUsed;
  MENU_TEXT pTitle;
  MENU_VALUE value;
  BOOLEAN bLoop;
} MENU_SINGLE;

// ---------------------------------------------------------------------------
// What is open

enum MENU_ROOT : U8 {
  MENU_ROOT_NONE,
  MENU_ROOT_EXPRESS,
  MENU_ROOT_MAIN,
  MENU_ROOT_FLOATING,
  MENU_ROOT_INFO,
  MENU_ROOT_QUICK,
};

enum MENU_LEVEL_KIND : U8 {
  MENU_LEVEL_ITEMS,    // the items of a container
  MENU_LEVEL_ENTRIES,  // the entries of an action list
  MENU_LEVEL_INFO,     // the entries of the info menu
};

typedef struct tag_MENU_LEVEL {
  MENU_LEVEL_KIND eKind;
  U16 u16Container;
  BOOLEAN bMergeAllViews;       // an express root of a real view shows the all-views list too
  U16 u16Item;                  // the entry that opened a sub-level; the action list
  MENU_TEXT pSelName;           // the selected item by identity; null: the first row
  U32 u32SelPriority;
  U32 u32SelEntry;              // the selected entry of an entries level
  U32 u32Top;                   // the first row shown
} MENU_LEVEL;

typedef struct tag_MENU_OPEN {
  MENU_ROOT eRoot;
  U32 u32Depth;                 // open sub-levels
  MENU_LEVEL aLevels[MENU_MAX_LEVELS];
  LAYER_ID eHotView;
  SPLIT_WINDOW_TYPE eHotSplit;
  U16 u16Tab;                   // the main menu's tab
  BOOLEAN bTabFocus;
  U16 u16LastTab;               // the tab the main menu opens on next time
  U16 u16Floating;
  MENU_TEXT pInfoTitle;
  BOOLEAN bInfoAltName;
  char acInfoAltName[MENU_ALT_NAME_BYTES];
  U8 u8InfoCount;
  M_INFO_MENU_ITEM aInfo[MENU_MAX_INFO_ITEMS];
  BOOLEAN bSingle;              // a single-centred menu is current
  BOOLEAN bSingleShown;
  MENU_SINGLE sSingle;
  ACTIVE_MENU eRecorded;        // what T_MENU_vUpdateActivateMenu recorded
} MENU_OPEN;

extern MENU_OPEN g_sMenuOpen;

// ---------------------------------------------------------------------------
// Names and texts

// Same table, or the same English (8-bit) text.
BOOLEAN T_MENUSTORE_bSameName(MENU_TEXT a, MENU_TEXT b);
// The English text for log lines; "?" for none.
const char* T_MENUSTORE_pcEnglish(MENU_TEXT pText);
// The entry of the language (current language's form); an empty text for none.
const char* T_MENUSTORE_pcText(MENU_TEXT pText, unsigned nLanguage);

// ---------------------------------------------------------------------------
// The store

void T_MENUSTORE_vClear(void);
MENU_ITEM* T_MENUSTORE_pItem(U16 u16Item);
MENU_CONTAINER* T_MENUSTORE_pContainer(U16 u16Container);

// The container of that kind and name (or view and pane for express menus);
// MENU_NONE when there is none.
U16 T_MENUSTORE_u16Find(MENU_CONTAINER_KIND eKind, MENU_TEXT pName, LAYER_ID eView, SPLIT_WINDOW_TYPE eSplit);
// The same, made when missing; MENU_NONE (and the log line) when the pool is full.
U16 T_MENUSTORE_u16Get(MENU_CONTAINER_KIND eKind, MENU_TEXT pName, LAYER_ID eView, SPLIT_WINDOW_TYPE eSplit);
// Gives a container and its items back (floating menus).
void T_MENUSTORE_vFreeContainer(U16 u16Container);
void T_MENUSTORE_vEmpty(U16 u16Container);

// Puts the item into the container: in place of the item of the same name and
// priority, else after the last item of a priority not above its own. The
// item index, or MENU_NONE (and the log line) when the pool is full.
U16 T_MENUSTORE_u16Put(U16 u16Container, const MENU_ITEM* pItem);
// Removes every item of that name; how many went.
U32 T_MENUSTORE_u32Remove(U16 u16Container, MENU_TEXT pName);

// ---------------------------------------------------------------------------
// What shows

void T_MENUSTORE_vSetSuperUser(BOOLEAN bSuperUser);
BOOLEAN T_MENUSTORE_bLevelShown(MENU_USER_LEVEL eLevel);
// An item shows when its user level does and, for an entry or an action
// list, something shows behind it; u32Depth is the level it would show on.
BOOLEAN T_MENUSTORE_bItemShown(const MENU_ITEM* pItem, U32 u32Depth);
// The visible items of a container in order, merged with the all-views list
// when asked; at most u32Max are written, all are counted.
U32 T_MENUSTORE_u32Rows(U16 u16Container, BOOLEAN bMergeAllViews, U32 u32Depth, U16* pRows, U32 u32Max);
// The visible tabs in their order.
U32 T_MENUSTORE_u32Tabs(U16* pTabs, U32 u32Max);

// ---------------------------------------------------------------------------
// Single-centred definitions

MENU_SINGLE* T_MENUSTORE_pFindSingle(MENU_TEXT pTitle);
// Stores or replaces; FALSE (and the log line) when the pool is full.
BOOLEAN T_MENUSTORE_bPutSingle(const MENU_SINGLE* pSingle);
void T_MENUSTORE_vRemoveSingle(MENU_TEXT pTitle);

// ---------------------------------------------------------------------------
// Open levels

// The rows of an open level: item indices, or entry numbers.
U32 T_MENUSTORE_u32LevelRows(U32 u32Level, U16* pRows, U32 u32Max);
// The selected row's place among the rows, MENU_NO_ROW on the tab strip or
// with no rows; a selection that is gone falls back to the first row.
U32 T_MENUSTORE_u32Selected(U32 u32Level, const U16* pRows, U32 u32Rows);
// Selects row u32Row of the level (its identity is kept) and keeps it in view.
void T_MENUSTORE_vSelect(U32 u32Level, const U16* pRows, U32 u32Rows, U32 u32Row);
