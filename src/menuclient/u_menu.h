// The menu task's public face: the menu types, the one request that every
// client function mails to the menu task, the functions other tasks call on
// their own thread, and the drawing helpers that make other screens look
// like menus.
//
// It sits below the screen frame (the layer list, the keyboard, display and
// start-up tasks call it) and below the menu task's own library, which
// includes this header and answers the requests.
#pragma once

#include "basetypes.h"
#include "cmd_id.h"
#include "fourcharid.h"
#include "g_icon.h"
#include "g_types.h"
#include "h_database.h"
#include "layer_id.h"
#include "msghdr.h"

// ---------------------------------------------------------------------------
// Types

// The value of key CMNU: which menu is open.
enum ACTIVE_MENU : U32 {
  NO_MENU = 0,
  QUICK_SETUP_MENU = 1,
  EXPRESS_MENU = 2,
  MAIN_MENU = 3,
  EXPRESS_SUB_MENU = 4,
  MAIN_SUB_MENU = 5,
  MAIN_SUB_MENU_1 = 6,
  MAIN_SUB_MENU_2 = 7,
  MAIN_SUB_MENU_3 = 8,
  INFO_MENU = 9,
  FLOATING_MENU = 10,
  SINGLE_CENTERED_MENU = 11,
  INFO_SUB_MENU = 12,
  MAIN_GRP_MENU = 13,
};

// An item's place in its menu, ascending, ties in registration order; any
// U32 may be passed (the views-selection menu passes LAYER_ID values).
typedef U32 MENU_PRIORITY;
constexpr MENU_PRIORITY MENU_SELECT_ACTIVE_SIDE = 0;
constexpr MENU_PRIORITY MENU_SET_SPLIT_LOCATION = 16;
constexpr MENU_PRIORITY MENU_RESTORE_FACTORY_DEFAULTS = 127;
constexpr MENU_PRIORITY MENU_COMPASS_CALIBRATION = 137;
constexpr MENU_PRIORITY MENU_NMEA_OUTPUT = 182;
constexpr MENU_PRIORITY MENU_NMEA_TALKER_ID = 183;
constexpr MENU_PRIORITY MENU_SIM_MSG_MODE = 188;
constexpr MENU_PRIORITY MENU_HEADING_LINE = 229;
constexpr MENU_PRIORITY MENU_HEADING_OFFSET = 230;
constexpr MENU_PRIORITY MENU_BTREMOTE = 633;
constexpr MENU_PRIORITY MENU_NMEA2K_DATA_VIEW = 674;
constexpr MENU_PRIORITY MENU_NMEA2K_GAUGE_VIEW = 675;
constexpr MENU_PRIORITY MENU_NMEA2K_ONE_ENGINE_VIEW = 676;
constexpr MENU_PRIORITY MENU_NMEA2K_TWO_ENGINE_VIEW = 677;
constexpr MENU_PRIORITY MENU_NMEA2K_TO_SONAR_VIEW = 678;
constexpr MENU_PRIORITY MENU_NMEA2K_TO_SYSTEM_VIEW = 680;
constexpr MENU_PRIORITY MENU_NMEA2K_TO_DATA_VIEW = 681;

// A main-menu tab's place, ascending; 2 and 3 are free for the sonar and
// chart tabs.
typedef U32 TAB_PRIORITY;
constexpr TAB_PRIORITY ALARM_TAB_PRIORITY = 1;
constexpr TAB_PRIORITY NAV_TAB_PRIORITY = 4;
constexpr TAB_PRIORITY SETUP_TAB_PRIORITY = 5;
constexpr TAB_PRIORITY SELECT_VIEWS_TAB_PRIORITY = 6;
constexpr TAB_PRIORITY ACCESSORY_TAB_PRIORITY = 7;

enum MENU_USER_LEVEL : U32 {
  M_BASIC = 1,
  M_ADVANCED = 2,
  M_SUPER_USER = 3,
  M_DIAGNOSTIC = 4,
  M_EXCLUSIVE_BASIC = 5,
};

// A slider's units, range and step. Callers pass one entry, or one entry per
// unit ended by an all-zero entry: reading stops before an all-zero entry,
// after a U_NONE entry, and after MENU_MAX_LIMITS entries.
typedef struct tag_MENU_LIMITS {
  UNIT_TYPE Units;
  float fMinimum;
  float fMaximum;
  float fIncrement;
} MENU_LIMITS;

// Where a variable-step slider's step grows (x5 from fStep1, x10 from
// fStep2); arrays are read as MENU_LIMITS arrays are.
typedef struct tag_MENU_STEP_LEVELS {
  UNIT_TYPE Units;
  float fStep1;
  float fStep2;
} MENU_STEP_LEVELS;

constexpr U32 MENU_MAX_LIMITS = 8;

// The slider span of a key as the key table gives it, one entry per display
// unit. The entries live as long as the process.
const MENU_LIMITS* U_MENU_pLimitsOf(FOURCHARID id);

typedef const char* const* MENU_TEXT;         // a 27-language text table
typedef const MENU_TEXT* MENU_CHOICE_LIST;    // an array of them

typedef void (*MENU_ACTION)(void);

typedef struct tag_M_ACTION_PARAMETERS {
  MENU_ACTION p2Function;
  BOOLEAN bConfirm;
} M_ACTION_PARAMETERS;

typedef struct tag_M_INFO_MENU_ITEM {
  MENU_TEXT pName;
  M_ACTION_PARAMETERS action;
} M_INFO_MENU_ITEM;

typedef struct tag_M_SELECTION_BOX_PARAMETERS {
  FOURCHARID FourCharId;                      // 0 for none
  MENU_CHOICE_LIST pSelectionList;
  const ICON* const* pSelectionIcons;         // may be null
  const U32* pSelectionValueArray;
  U8 CurSelection;
  U32 numberSelections;
} M_SELECTION_BOX_PARAMETERS;

typedef struct tag_M_PROGRESS_BAR_PARAMETERS {
  FOURCHARID FourCharId;
  float fMinimum;
  float fMaximum;
  MENU_TEXT pMinimumText;                     // shown at or below the minimum, may be null
  MENU_TEXT pMaximumText;                     // shown at or above the maximum, may be null
  const char* pcValueFormat;                  // printf format of one number; null: "%d" or "%.1f"
  MENU_TEXT pValueSuffix;                     // may be null
} M_PROGRESS_BAR_PARAMETERS;

// ---------------------------------------------------------------------------
// The request

// Which client function sent a request.
enum MENU_REQUEST_KIND : U32 {
  MENU_REQ_REGISTER_TAB,
  MENU_REQ_MAIN_SELECTOR,
  MENU_REQ_MAIN_SLIDER,
  MENU_REQ_MAIN_PROGRESS_BAR,
  MENU_REQ_MAIN_ACTION,
  MENU_REQ_MAIN_ACTION_LIST,
  MENU_REQ_MAIN_SUB_MENU,
  MENU_REQ_UNREGISTER_MAIN_ITEM,
  MENU_REQ_SUB_SUB_MENU,
  MENU_REQ_SUB_ACTION,
  MENU_REQ_SUB_SELECTOR,
  MENU_REQ_SUB_SLIDER,
  MENU_REQ_SUB_CHECK_BOX,
  MENU_REQ_UNREGISTER_SUB_ITEM,
  MENU_REQ_EXPRESS_MENU,
  MENU_REQ_HOT_SELECTOR,
  MENU_REQ_HOT_SLIDER,
  MENU_REQ_HOT_ACTION,
  MENU_REQ_HOT_ACTION_LIST,
  MENU_REQ_HOT_SUB_MENU_NO_ARROW,
  MENU_REQ_HOT_SUB_ACTION,
  MENU_REQ_UNREGISTER_HOT_ITEM,
  MENU_REQ_ACTIVATE_HOT,
  MENU_REQ_QUICK_SELECTOR,
  MENU_REQ_QUICK_VAR_STEP_SLIDER,
  MENU_REQ_UNREGISTER_QUICK_ITEM,
  MENU_REQ_FLOATING_MENU,
  MENU_REQ_FLOATING_ACTION,
  MENU_REQ_FLOATING_ACTION_EXT,
  MENU_REQ_UNREGISTER_FLOATING_ITEM,
  MENU_REQ_UNREGISTER_FLOATING_MENU,
  MENU_REQ_ACTIVATE_FLOATING,
  MENU_REQ_ACTIVATE_INFO,
  MENU_REQ_SINGLE_SELECTOR,
  MENU_REQ_SINGLE_SLIDER,
  MENU_REQ_SINGLE_VAR_STEP_SLIDER,
  MENU_REQ_UNREGISTER_SINGLE,
  MENU_REQ_ACTIVATE_SINGLE,
  MENU_REQ_CLEAR,
  MENU_REQ_ACTIVATE_QUICK,
  MENU_REQ_COUNT,
};

// The command id each kind is mailed with.
extern const CMD_ID g_aeMenuRequestCommand[MENU_REQ_COUNT];

constexpr U32 MENU_ALT_NAME_BYTES = 64;
constexpr U32 MENU_MAX_INFO_ITEMS = 16;

// One layout for every request. The three names are the item itself; what
// holds it (its tab, parent sub-menu, floating-menu title, single-centred
// title, or the tab a tab registration names); and the sub-menu an entry
// opens (the first of its sub-menu names) or the location title of a
// single-centred activation. Fields a kind does not use are zero.
//
// The copies sit at the end, and a block holds only the head and the copies
// the request carries (alternative name, then limits, step levels, info
// entries), so that most requests take the small heap class. Read a copy only
// as far as its count says.
typedef struct tag_MSG_MENU_REQUEST {
  GENERIC_MESSAGE header;
  MENU_REQUEST_KIND eKind;
  MENU_TEXT pItemName;
  MENU_TEXT pContainerName;
  MENU_TEXT pSubMenuName;
  LAYER_ID eView;
  SPLIT_WINDOW_TYPE eSplit;
  U32 u32Priority;                          // MENU_PRIORITY, or TAB_PRIORITY for a tab
  MENU_USER_LEVEL eUserLevel;
  FOURCHARID FourCharId;
  const ICON* pIcon;
  const ICON* pIconRight;
  const ICON* const* ppIcons;               // per choice, or per sub-menu
  U32 u32Count;                             // choices, action-list entries or sub-menu names
  MENU_CHOICE_LIST pChoiceList;             // choices, action-list names or sub-menu choices
  const U32* pu32Values;
  const MENU_ACTION* ppFunctions;           // per action-list entry
  const BOOLEAN* pbConfirm;                 // per action-list entry
  M_ACTION_PARAMETERS action;
  U32 u32Context;
  BOOLEAN (*pGetter)(U32);
  BOOLEAN (*pSetter)(U32);
  MENU_ACTION pGoToFunction;
  MENU_ACTION pExitFunction;
  MENU_TEXT pControlTextLeft;
  MENU_TEXT pControlTextRight;
  MENU_TEXT pValueSuffix;
  BOOLEAN bDisplay;
  BOOLEAN bLoop;
  BOOLEAN bDisplayAltName;
  BOOLEAN bHasAltName;                      // acAltName was copied
  U8 u8LimitCount;
  U8 u8StepCount;
  U8 u8InfoCount;
  char acAltName[MENU_ALT_NAME_BYTES];      // the current language's form, terminated
  MENU_LIMITS aLimits[MENU_MAX_LIMITS];
  MENU_STEP_LEVELS aStepLevels[MENU_MAX_LIMITS];
  M_INFO_MENU_ITEM aInfoItems[MENU_MAX_INFO_ITEMS];
} MSG_MENU_REQUEST;

// The bytes a block must hold for the copies this request carries.
U32 U_MENU_u32RequestBytes(const MSG_MENU_REQUEST* pRequest);

// ---------------------------------------------------------------------------
// Client functions
//
// Each mails one request to the mailbox under TMNU at message priority 3 and
// returns TRUE ("sent"); while TMNU is missing or invalid it takes no block,
// sends nothing and returns FALSE (the void ones just return). Text tables,
// choice lists, value arrays, functions, flags and icons are kept by address
// and must outlive the registration; limits, step levels (8 entries each),
// the alternative name (63 bytes, or 62 in wide form) and info entries (16)
// are copied, so they may live on the caller's stack.

// The choices of every on/off setting: Off stored as 0, On as 1.
extern const MENU_TEXT U_MENU_apOffOn[2];
extern const U32 U_MENU_au32OffOn[2];

BOOLEAN U_MENU_bRegisterTab(MENU_TEXT pTabName, TAB_PRIORITY tabPriority, const ICON* pTabIcon,
                            MENU_USER_LEVEL userLevel);
BOOLEAN U_MENU_bRegisterMainSelectorMenu(MENU_TEXT pMenuName, MENU_TEXT pTabName, MENU_PRIORITY menuPriority,
                                         FOURCHARID FourCharId, U32 numSelections, MENU_CHOICE_LIST pSelectionList,
                                         const U32* pSelectionValues, MENU_USER_LEVEL userLevel);
BOOLEAN U_MENU_bRegisterMainSliderMenu(MENU_TEXT pMenuName, MENU_TEXT pTabName, MENU_PRIORITY menuPriority,
                                       FOURCHARID FourCharId, const MENU_LIMITS* pLimits, MENU_TEXT pControlTextLeft,
                                       MENU_TEXT pControlTextRight, MENU_TEXT pValueSuffix,
                                       MENU_USER_LEVEL userLevel);
BOOLEAN U_MENU_bRegisterMainProgBarMenu(MENU_TEXT pMenuName, MENU_TEXT pTabName, MENU_PRIORITY menuPriority,
                                        FOURCHARID FourCharId, const MENU_LIMITS* pLimits,
                                        MENU_TEXT pControlTextLeft, MENU_TEXT pControlTextRight,
                                        MENU_TEXT pValueSuffix, MENU_USER_LEVEL userLevel);
BOOLEAN U_MENU_bRegisterMainActionMenu(MENU_TEXT pMenuName, MENU_TEXT pTabName, MENU_PRIORITY menuPriority,
                                       MENU_ACTION p2Function, BOOLEAN bConfirm, MENU_USER_LEVEL userLevel);
BOOLEAN U_MENU_bRegisterMainActionListMenu(MENU_TEXT pMenuName, MENU_TEXT pTabName, MENU_PRIORITY menuPriority,
                                           MENU_CHOICE_LIST pChoiceNames, const MENU_ACTION* pFunctions,
                                           U32 numChoices, MENU_USER_LEVEL userLevel, FOURCHARID FourCharId,
                                           const BOOLEAN* pbConfirm);
BOOLEAN U_MENU_bRegisterMainSubMenu(MENU_TEXT pMenuName, MENU_TEXT pTabName, MENU_PRIORITY menuPriority,
                                    MENU_CHOICE_LIST pSubMenuChoices, MENU_CHOICE_LIST pSubMenuNames,
                                    const ICON* const* pSubMenuIcons, U32 numSubMenus, MENU_USER_LEVEL userLevel);
BOOLEAN U_MENU_bUnregisterMainMenuItem(MENU_TEXT pMenuName, MENU_TEXT pTabName);
BOOLEAN U_MENU_bRegisterSubMenuSubMenu(MENU_TEXT pMenuName, MENU_TEXT pParentSubMenuName, const ICON* pIcon,
                                       MENU_PRIORITY menuPriority, MENU_CHOICE_LIST pSubMenuChoices,
                                       MENU_CHOICE_LIST pSubMenuNames, const ICON* const* pSubMenuIcons,
                                       U32 numSubMenus, MENU_USER_LEVEL userLevel);
BOOLEAN U_MENU_bRegisterSubMenuActionMenu(MENU_TEXT pMenuName, MENU_TEXT pSubMenuName, const ICON* pIcon,
                                          MENU_PRIORITY menuPriority, MENU_ACTION p2Function, BOOLEAN bConfirm,
                                          MENU_USER_LEVEL userLevel);
BOOLEAN U_MENU_bRegisterSubMenuSelectorMenu(MENU_TEXT pMenuName, MENU_TEXT pSubMenuName, const ICON* pIcon,
                                            MENU_PRIORITY menuPriority, FOURCHARID FourCharId, U32 numSelections,
                                            MENU_CHOICE_LIST pSelectionList, const U32* pSelectionValues,
                                            MENU_USER_LEVEL userLevel);
BOOLEAN U_MENU_bRegisterSubMenuSliderMenu(MENU_TEXT pMenuName, MENU_TEXT pSubMenuName, const ICON* pIcon,
                                          MENU_PRIORITY menuPriority, FOURCHARID FourCharId,
                                          const MENU_LIMITS* pLimits, MENU_TEXT pControlTextLeft,
                                          MENU_TEXT pControlTextRight, MENU_TEXT pValueSuffix,
                                          MENU_USER_LEVEL userLevel);
BOOLEAN U_MENU_bRegisterSubMenuCheckBoxMenu(MENU_TEXT pMenuName, MENU_TEXT pSubMenuName, const ICON* pIcon,
                                            MENU_PRIORITY menuPriority, U32 u32Context, BOOLEAN (*pGetter)(U32),
                                            BOOLEAN (*pSetter)(U32), MENU_USER_LEVEL userLevel);
BOOLEAN U_MENU_bUnregisterSubMenuItem(MENU_TEXT pSubMenuName, MENU_TEXT pSubMenuItemName);
BOOLEAN U_MENU_bRegisterExpressMenu(LAYER_ID view, SPLIT_WINDOW_TYPE splitType);
BOOLEAN U_MENU_bRegisterHotSelectorMenu(MENU_TEXT pMenuName, const ICON* pMenuIcon, MENU_PRIORITY menuPriority,
                                        FOURCHARID FourCharId, U32 numSelections, MENU_CHOICE_LIST pSelectionList,
                                        const U32* pSelectionValues, MENU_USER_LEVEL userLevel, LAYER_ID view,
                                        SPLIT_WINDOW_TYPE splitType);
BOOLEAN U_MENU_bRegisterHotSliderMenu(MENU_TEXT pMenuName, const ICON* pMenuIcon, MENU_PRIORITY menuPriority,
                                      FOURCHARID FourCharId, const MENU_LIMITS* pLimits, MENU_TEXT pControlTextLeft,
                                      MENU_TEXT pControlTextRight, MENU_TEXT pValueSuffix, MENU_USER_LEVEL userLevel,
                                      LAYER_ID view, SPLIT_WINDOW_TYPE splitType);
// view USED_BY_ALL (-1): every view; the pane is then ignored.
BOOLEAN U_MENU_bRegisterHotActionMenu(MENU_TEXT pMenuName, const ICON* pMenuIcon, MENU_PRIORITY menuPriority,
                                      MENU_ACTION p2Function, BOOLEAN bConfirm, MENU_USER_LEVEL userLevel,
                                      LAYER_ID view, SPLIT_WINDOW_TYPE split);
BOOLEAN U_MENU_bRegisterHotActionListMenu(MENU_TEXT pMenuName, const ICON* pMenuIcon, MENU_PRIORITY menuPriority,
                                          MENU_CHOICE_LIST pChoiceNames, const MENU_ACTION* pFunctions,
                                          U32 numChoices, MENU_USER_LEVEL userLevel, LAYER_ID view,
                                          SPLIT_WINDOW_TYPE split, FOURCHARID FourCharId, const BOOLEAN* pbConfirm);
BOOLEAN U_MENU_bRegisterHotSubMenuWithNoArrow(MENU_TEXT pMenuName, const ICON* pMenuIcon, MENU_PRIORITY menuPriority,
                                              MENU_CHOICE_LIST pSubMenuChoices, MENU_CHOICE_LIST pSubMenuNames,
                                              const ICON* const* pSubMenuIcons, U32 numSubMenus,
                                              MENU_USER_LEVEL userLevel, LAYER_ID view, SPLIT_WINDOW_TYPE splitType);
BOOLEAN U_MENU_bRegisterHotSubMenuActionMenu(MENU_TEXT pMenuName, MENU_TEXT pSubMenuName, const ICON* pMenuIcon,
                                             MENU_PRIORITY menuPriority, MENU_ACTION p2Function, BOOLEAN bConfirm,
                                             MENU_USER_LEVEL userLevel);
BOOLEAN U_MENU_bUnregisterHotMenuItem(MENU_TEXT pMenuName, LAYER_ID view, SPLIT_WINDOW_TYPE splitType);
void U_MENU_vActivateSpecifiedHotMenu(U32 view);
BOOLEAN U_MENU_bRegisterQuickSelectorMenu(MENU_TEXT pMenuName, MENU_PRIORITY menuPriority, FOURCHARID FourCharId,
                                          U32 numSelections, MENU_CHOICE_LIST pSelectionList,
                                          const U32* pSelectionValues, MENU_USER_LEVEL userLevel);
// pControlTextLeft, when given, stands for 0 one step below the lowest
// limit (an automatic choice beneath the fixed ones); nullptr: none.
BOOLEAN U_MENU_bRegisterQuickVarStepSliderMenu(MENU_TEXT pMenuName, MENU_PRIORITY menuPriority,
                                               FOURCHARID FourCharId, const MENU_LIMITS* pLimits,
                                               const MENU_STEP_LEVELS* pStepLevels, MENU_TEXT pControlTextLeft,
                                               MENU_USER_LEVEL userLevel);
BOOLEAN U_MENU_bUnregisterQuickMenuItem(MENU_TEXT pMenuName);
BOOLEAN U_MENU_bRegisterFloatingMenu(MENU_TEXT pMenuTitle, MENU_ACTION pGoToFunction, MENU_ACTION pExitFunction,
                                     BOOLEAN bDisplayAltName, const char* pAltName);
BOOLEAN U_MENU_bRegisterFloatingActionMenu(MENU_TEXT pMenuTitle, MENU_TEXT pItemName, const ICON* pIcon,
                                           MENU_PRIORITY menuPriority, MENU_ACTION p2Function, BOOLEAN bConfirm,
                                           MENU_USER_LEVEL userLevel);
BOOLEAN U_MENU_bRegisterFloatingMenuActionExtItem(MENU_TEXT pMenuTitle, MENU_TEXT pItemName, const ICON* pIcon,
                                                  const ICON* pIconRight, MENU_PRIORITY menuPriority,
                                                  MENU_ACTION p2Function, BOOLEAN bConfirm,
                                                  MENU_USER_LEVEL userLevel);
BOOLEAN U_MENU_bUnregisterFloatingMenuItem(MENU_TEXT pMenuTitle, MENU_TEXT pItemName);
BOOLEAN U_MENU_bUnregisterFloatingMenu(MENU_TEXT pMenuTitle);
void U_MENU_ActivateFloatingMenu(MENU_TEXT pMenuTitle);
// Entries beyond MENU_MAX_INFO_ITEMS are dropped.
void U_MENU_ActivateInfoMenu(MENU_TEXT pMenuName, const M_INFO_MENU_ITEM* pItems, U8 u8Count,
                             BOOLEAN bDisplayAltName, const char* pAltName);
BOOLEAN U_MENU_bRegisterSingleCenteredMenuSelectorMenu(MENU_TEXT pTitle, FOURCHARID FourCharId, U32 numSelections,
                                                       MENU_CHOICE_LIST pSelectionList, const U32* pSelectionValues,
                                                       BOOLEAN bDisplay, BOOLEAN bLoop);
BOOLEAN U_MENU_bRegisterSingleCenteredMenuSliderMenu(MENU_TEXT pTitle, FOURCHARID FourCharId,
                                                     const MENU_LIMITS* pLimits, MENU_TEXT pControlTextLeft,
                                                     MENU_TEXT pControlTextRight, MENU_TEXT pValueSuffix,
                                                     BOOLEAN bDisplay, BOOLEAN bLoop);
BOOLEAN U_MENU_bRegisterSingleCenteredMenuVarStepSliderMenu(MENU_TEXT pTitle, const ICON* pIcon,
                                                            FOURCHARID FourCharId, const MENU_LIMITS* pLimits,
                                                            const MENU_STEP_LEVELS* pStepLevels,
                                                            MENU_TEXT pControlTextLeft, MENU_TEXT pControlTextRight,
                                                            MENU_TEXT pValueSuffix, BOOLEAN bDisplay, BOOLEAN bLoop);
BOOLEAN U_MENU_bUnregisterSingleCenteredMenu(MENU_TEXT pTitle);
void U_MENU_vActivateSingleCenteredMenu(MENU_TEXT pTitle, LAYER_ID view, BOOLEAN bDisplay, BOOLEAN bLoop,
                                        MENU_TEXT pLocationTitle);
void U_MENU_vClearMenus(void);

// Asks the menu task to open the quick set-up; it does so on its own thread.
void T_MENU_vActivateQuickMenu(void);

// ---------------------------------------------------------------------------
// Functions called on the caller's thread
//
// Their bodies belong to the menu task (library menu), which callers above
// the screen frame link. The one the screen frame itself calls goes through
// a hook the menu library registers once, before the tasks run (see
// l_hook.h): without it no express menu is open.

// The LAYER_ID of the view whose express menu is open (any level), or
// (U32)NO_VIEW_PRIORITY when none is.
U32 T_MENU_u32GetHotMenuView(void);
BOOLEAN U_MENU_bRegisterHotMenuView(U32 (*pfn)(void));

void T_MENU_vConfirmLanguageModeChange(void);
void T_MENU_vRemoveMenus(void);
void T_MENU_vUpdateActivateMenu(ACTIVE_MENU eMenu);
// The index of the stored choice of the current single-centred selector
// titled pTitle, or 0xFFFFFFFF; the value as the menu shows it (a choice's
// name, a slider's value) is copied into pBuffer when given (48 bytes with
// the terminator).
U32 T_MENU_u32GetSelection(MENU_TEXT pTitle, char* pBuffer);
void T_MENU_vDoRemoveSingleCenteredMenu(void);

// ---------------------------------------------------------------------------
// Drawing helpers: no menu state, any drawing thread; anchors are lower-left
// corners, y upward.

// The narrowest menu panel in pixels (300); screens that look like menus are
// at least this wide.
U32 T_MENU_u32GetMinMenuWidth(void);

// Dims the whole bitmap behind a menu in the full-screen diagnostic views
// 150-153; nothing in any other view.
void T_MENU_vDrawMaskBackground(BITMAP* pBitmap);
// A 24-pixel band with up and down marks; nothing when neither is asked for.
void T_MENU_vDrawMoreDownTab(BITMAP* pBitmap, POINT anchor, U32 u32Width, BOOLEAN bMoreUp, BOOLEAN bMoreDown);
// The current choice between left and right arrows. A choice found in the
// bound key's value is shown and stored back in parameters->CurSelection;
// otherwise u8CurSel is shown, and an index past the list shows no text.
void U_MENU_vDrawControlSelectionBox(BITMAP* pBitmap, POINT anchor, U8 u8CurSel,
                                     M_SELECTION_BOX_PARAMETERS* parameters, U32 u32selectorWidth,
                                     U32 u32selectorHeight, COLOR backgroundColor);
// dbValue is read by dataFormat: DF_FLOAT as a float, DF_SIGNED32 as signed,
// anything else as unsigned. A format that is not one printf conversion of a
// number is replaced by the default.
void U_MENU_vDrawControlProgressBar(BITMAP* pBitmap, POINT anchor, DB_DATA_TYPE dbValue,
                                    M_PROGRESS_BAR_PARAMETERS* parameters, DATA_FORMAT dataFormat, U32 u32barWidth,
                                    U32 u32barHeight);
// The action arrow at the right end of a row; orange when u32value (selected).
void U_MENU_vDrawControlAction(BITMAP* pBitmap, POINT anchor, U32 u32value, U32 u32menuWidth, U32 u32subMenuHeight);
// Filled triangles u32Size high and (u32Size + 1) / 2 wide, their bounding
// box's lower-left corner at (x, y).
void U_MENU_vDrawArrowLeft(BITMAP* pBitmap, S32 x, S32 y, U32 u32Size, COLOR color);
void U_MENU_vDrawArrowRight(BITMAP* pBitmap, S32 x, S32 y, U32 u32Size, COLOR color);
