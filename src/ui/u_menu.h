// The menu task's client functions that the screen frame calls, the menu
// types they take, and the menu drawing helpers that other screens borrow.
//
// They sit here, below the menu task's own library, because the layer list,
// the keyboard task and the display task call them and may only use lower
// libraries; the menu task's library includes this header.
#pragma once

#include "basetypes.h"
#include "fourcharid.h"
#include "g_icon.h"
#include "g_types.h"
#include "h_database.h"
#include "layer_id.h"

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

// An item's place in its menu, ascending; any U32 may be passed.
typedef U32 MENU_PRIORITY;
constexpr MENU_PRIORITY MENU_SELECT_ACTIVE_SIDE = 0;
constexpr MENU_PRIORITY MENU_SET_SPLIT_LOCATION = 16;
constexpr MENU_PRIORITY MENU_RESTORE_FACTORY_DEFAULTS = 127;

enum MENU_USER_LEVEL : U32 {
  M_BASIC = 1,
  M_ADVANCED = 2,
  M_SUPER_USER = 3,
  M_DIAGNOSTIC = 4,
  M_EXCLUSIVE_BASIC = 5,
};

// A slider's units, range and step.
typedef struct tag_MENU_LIMITS {
  UNIT_TYPE Units;
  float fMinimum;
  float fMaximum;
  float fIncrement;
} MENU_LIMITS;

typedef const char* const* MENU_TEXT;         // a 27-language text table
typedef const MENU_TEXT* MENU_CHOICE_LIST;    // an array of them

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
  const char* pcValueFormat;                  // printf format; null: "%d" or "%.1f"
  MENU_TEXT pValueSuffix;                     // may be null
} M_PROGRESS_BAR_PARAMETERS;

// Client functions: each mails its request to the mailbox under TMNU and
// returns TRUE ("sent"); FALSE, sending nothing, while TMNU is missing or
// invalid. The texts, lists, values and functions passed are kept as given
// and must outlive the registration.
BOOLEAN U_MENU_bRegisterMainSelectorMenu(MENU_TEXT pMenuName, MENU_TEXT pTabName, MENU_PRIORITY menuPriority,
                                         FOURCHARID FourCharId, U32 numSelections, MENU_CHOICE_LIST pSelectionList,
                                         const U32* pSelectionValues, MENU_USER_LEVEL userLevel);
BOOLEAN U_MENU_bRegisterMainActionMenu(MENU_TEXT pMenuName, MENU_TEXT pTabName, MENU_PRIORITY menuPriority,
                                       void (*p2Function)(void), BOOLEAN bConfirm, MENU_USER_LEVEL userLevel);
BOOLEAN U_MENU_bUnregisterMainMenuItem(MENU_TEXT pMenuName, MENU_TEXT pTabName);
BOOLEAN U_MENU_bRegisterExpressMenu(LAYER_ID view, SPLIT_WINDOW_TYPE splitType);
BOOLEAN U_MENU_bRegisterHotSelectorMenu(MENU_TEXT pMenuName, const ICON* pMenuIcon, MENU_PRIORITY menuPriority,
                                        FOURCHARID FourCharId, U32 numSelections, MENU_CHOICE_LIST pSelectionList,
                                        const U32* pSelectionValues, MENU_USER_LEVEL userLevel, LAYER_ID view,
                                        SPLIT_WINDOW_TYPE splitType);
BOOLEAN U_MENU_bRegisterHotSliderMenu(MENU_TEXT pMenuName, const ICON* pMenuIcon, MENU_PRIORITY menuPriority,
                                      FOURCHARID FourCharId, const MENU_LIMITS* pLimits, MENU_TEXT pControlTextLeft,
                                      MENU_TEXT pControlTextRight, MENU_TEXT pValueSuffix, MENU_USER_LEVEL userLevel,
                                      LAYER_ID view, SPLIT_WINDOW_TYPE splitType);
BOOLEAN U_MENU_bUnregisterHotMenuItem(MENU_TEXT pMenuName, LAYER_ID view, SPLIT_WINDOW_TYPE splitType);

// Drawing helpers: no menu state, any drawing thread; anchors are lower-left
// corners, y upward.
// Dims the whole bitmap behind a menu in the full-screen diagnostic views
// 150-153; nothing in any other view.
void T_MENU_vDrawMaskBackground(BITMAP* pBitmap);
// A 24-pixel band with up and down marks; nothing when neither is asked for.
void T_MENU_vDrawMoreDownTab(BITMAP* pBitmap, POINT anchor, U32 u32Width, BOOLEAN bMoreUp, BOOLEAN bMoreDown);
// The current choice between left and right arrows. A choice found in the
// bound key's value is stored back in parameters->CurSelection.
void U_MENU_vDrawControlSelectionBox(BITMAP* pBitmap, POINT anchor, U8 u8CurSel,
                                     M_SELECTION_BOX_PARAMETERS* parameters, U32 u32selectorWidth,
                                     U32 u32selectorHeight, COLOR backgroundColor);
void U_MENU_vDrawControlProgressBar(BITMAP* pBitmap, POINT anchor, DB_DATA_TYPE dbValue,
                                    M_PROGRESS_BAR_PARAMETERS* parameters, DATA_FORMAT dataFormat, U32 u32barWidth,
                                    U32 u32barHeight);
// The action arrow at the right end of a row; orange when u32value (selected).
void U_MENU_vDrawControlAction(BITMAP* pBitmap, POINT anchor, U32 u32value, U32 u32menuWidth, U32 u32subMenuHeight);
// Filled triangles u32Size high and (u32Size + 1) / 2 wide, their bounding
// box's lower-left corner at (x, y).
void U_MENU_vDrawArrowLeft(BITMAP* pBitmap, S32 x, S32 y, U32 u32Size, COLOR color);
void U_MENU_vDrawArrowRight(BITMAP* pBitmap, S32 x, S32 y, U32 u32Size, COLOR color);

// ---------------------------------------------------------------------------
// The views-selection menu's requests: the hot submenus of the express menu
// of a view, the actions inside them, their removal, opening that express
// menu and closing every menu, and the places of its items and of the
// simulation notice's setting. Client functions as above.
constexpr MENU_PRIORITY MENU_SIM_MSG_MODE = 188;
constexpr MENU_PRIORITY MENU_NMEA2K_DATA_VIEW = 674;
constexpr MENU_PRIORITY MENU_NMEA2K_GAUGE_VIEW = 675;
constexpr MENU_PRIORITY MENU_NMEA2K_ONE_ENGINE_VIEW = 676;
constexpr MENU_PRIORITY MENU_NMEA2K_TWO_ENGINE_VIEW = 677;
constexpr MENU_PRIORITY MENU_NMEA2K_TO_SONAR_VIEW = 678;
constexpr MENU_PRIORITY MENU_NMEA2K_TO_SYSTEM_VIEW = 680;
constexpr MENU_PRIORITY MENU_NMEA2K_TO_DATA_VIEW = 681;
BOOLEAN U_MENU_bRegisterHotSubMenuWithNoArrow(MENU_TEXT pMenuName, const ICON* pMenuIcon, MENU_PRIORITY menuPriority,
                                              MENU_CHOICE_LIST pSubMenuChoices, MENU_CHOICE_LIST pSubMenuNames,
                                              const ICON* const* pSubMenuIcons, U32 numSubMenus,
                                              MENU_USER_LEVEL userLevel, LAYER_ID view, SPLIT_WINDOW_TYPE splitType);
BOOLEAN U_MENU_bRegisterHotSubMenuActionMenu(MENU_TEXT pMenuName, MENU_TEXT pSubMenuName, const ICON* pMenuIcon,
                                             MENU_PRIORITY menuPriority, void (*p2Function)(void), BOOLEAN bConfirm,
                                             MENU_USER_LEVEL userLevel);
BOOLEAN U_MENU_bUnregisterSubMenuItem(MENU_TEXT pSubMenuName, MENU_TEXT pSubMenuItemName);
void U_MENU_vActivateSpecifiedHotMenu(U32 view);
void U_MENU_vClearMenus(void);

// ---------------------------------------------------------------------------
// A slider item of a main-menu tab, bound to its key, for the readouts'
// settings. Client function as above; the limits are copied into the request.
BOOLEAN U_MENU_bRegisterMainSliderMenu(MENU_TEXT pMenuName, MENU_TEXT pTabName, MENU_PRIORITY menuPriority,
                                       FOURCHARID FourCharId, const MENU_LIMITS* pLimits, MENU_TEXT pControlTextLeft,
                                       MENU_TEXT pControlTextRight, MENU_TEXT pValueSuffix,
                                       MENU_USER_LEVEL userLevel);
