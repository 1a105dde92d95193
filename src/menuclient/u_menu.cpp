// The client functions: each fills one request and mails it to the menu
// task. The hooks through which the screen frame reaches the menu task's
// own functions sit here too.

#include "u_menu.h"

#include <string.h>

#include <atomic>
#include <cstddef>

#include "h_memory.h"
#include "l_hook.h"
#include "linuxsvc.h"
#include "u_wstring.h"
#include "ui_texts.h"

constexpr PRIORITY MENU_CLIENT_PRIORITY = 3;

const MENU_TEXT U_MENU_apOffOn[2] = {Off, On};
const U32 U_MENU_au32OffOn[2] = {0, 1};

const CMD_ID g_aeMenuRequestCommand[MENU_REQ_COUNT] = {
    CMD_ID_REGISTER_MENU_TAB,                   // MENU_REQ_REGISTER_TAB
    CMD_ID_REGISTER_MENU_ITEM,                  // MENU_REQ_MAIN_SELECTOR
    CMD_ID_REGISTER_MENU_ITEM,                  // MENU_REQ_MAIN_SLIDER
    CMD_ID_REGISTER_MENU_ITEM,                  // MENU_REQ_MAIN_PROGRESS_BAR
    CMD_ID_REGISTER_MENU_ITEM,                  // MENU_REQ_MAIN_ACTION
    CMD_ID_REGISTER_MENU_ITEM,                  // MENU_REQ_MAIN_ACTION_LIST
    CMD_ID_REGISTER_SUB_MENU,                   // MENU_REQ_MAIN_SUB_MENU
    CMD_ID_UNREGISTER_MENU_ITEM,                // MENU_REQ_UNREGISTER_MAIN_ITEM
    CMD_ID_REGISTER_SUB_MENU,                   // MENU_REQ_SUB_SUB_MENU
    CMD_ID_REGISTER_MENU_ITEM,                  // MENU_REQ_SUB_ACTION
    CMD_ID_REGISTER_MENU_ITEM,                  // MENU_REQ_SUB_SELECTOR
    CMD_ID_REGISTER_MENU_ITEM,                  // MENU_REQ_SUB_SLIDER
    CMD_ID_REGISTER_MENU_ITEM,                  // MENU_REQ_SUB_CHECK_BOX
    CMD_ID_UNREGISTER_MENU_ITEM,                // MENU_REQ_UNREGISTER_SUB_ITEM
    CMD_ID_REGISTER_HOT_MENU,                   // MENU_REQ_EXPRESS_MENU
    CMD_ID_REGISTER_MENU_ITEM,                  // MENU_REQ_HOT_SELECTOR
    CMD_ID_REGISTER_MENU_ITEM,                  // MENU_REQ_HOT_SLIDER
    CMD_ID_REGISTER_MENU_ITEM,                  // MENU_REQ_HOT_ACTION
    CMD_ID_REGISTER_MENU_ITEM,                  // MENU_REQ_HOT_ACTION_LIST
    CMD_ID_REGISTER_SUB_MENU,                   // MENU_REQ_HOT_SUB_MENU_NO_ARROW
    CMD_ID_REGISTER_MENU_ITEM,                  // MENU_REQ_HOT_SUB_ACTION
    CMD_ID_UNREGISTER_MENU_ITEM,                // MENU_REQ_UNREGISTER_HOT_ITEM
    CMD_ID_ACTIVATE_HOT_MENU,                   // MENU_REQ_ACTIVATE_HOT
    CMD_ID_REGISTER_MENU_ITEM,                  // MENU_REQ_QUICK_SELECTOR
    CMD_ID_REGISTER_MENU_ITEM,                  // MENU_REQ_QUICK_VAR_STEP_SLIDER
    CMD_ID_UNREGISTER_MENU_ITEM,                // MENU_REQ_UNREGISTER_QUICK_ITEM
    CMD_ID_REGISTER_FLOATING_MENU,              // MENU_REQ_FLOATING_MENU
    CMD_ID_REGISTER_FLOATING_MENU_ITEM,         // MENU_REQ_FLOATING_ACTION
    CMD_ID_REGISTER_FLOATING_MENU_ITEM,         // MENU_REQ_FLOATING_ACTION_EXT
    CMD_ID_UNREGISTER_FLOATING_MENU_ITEM,       // MENU_REQ_UNREGISTER_FLOATING_ITEM
    CMD_ID_UNREGISTER_FLOATING_MENU,            // MENU_REQ_UNREGISTER_FLOATING_MENU
    CMD_ID_ACTIVATE_FLOATING_MENU,              // MENU_REQ_ACTIVATE_FLOATING
    CMD_ID_ACTIVATE_INFO_MENU,                  // MENU_REQ_ACTIVATE_INFO
    CMD_ID_REGISTER_SINGLE_CENTERED_MENU_ITEM,  // MENU_REQ_SINGLE_SELECTOR
    CMD_ID_REGISTER_SINGLE_CENTERED_MENU_ITEM,  // MENU_REQ_SINGLE_SLIDER
    CMD_ID_REGISTER_SINGLE_CENTERED_MENU_ITEM,  // MENU_REQ_SINGLE_VAR_STEP_SLIDER
    CMD_ID_UNREGISTER_SINGLE_CENTERED_MENU,     // MENU_REQ_UNREGISTER_SINGLE
    CMD_ID_ACTIVATE_SINGLE_CENTERED_MENU,       // MENU_REQ_ACTIVATE_SINGLE
    CMD_ID_CLEAR_MENU,                          // MENU_REQ_CLEAR
    CMD_ID_ACTIVATE_HOT_MENU,                   // MENU_REQ_ACTIVATE_QUICK: a menu over the view, as the express one
};

U32 U_MENU_u32RequestBytes(const MSG_MENU_REQUEST* pRequest) {
  if (pRequest->u8InfoCount > 0) return sizeof(MSG_MENU_REQUEST);
  if (pRequest->u8StepCount > 0) return offsetof(MSG_MENU_REQUEST, aInfoItems);
  if (pRequest->u8LimitCount > 0) return offsetof(MSG_MENU_REQUEST, aStepLevels);
  if (pRequest->bHasAltName) return offsetof(MSG_MENU_REQUEST, aLimits);
  return offsetof(MSG_MENU_REQUEST, acAltName);
}

// A request on the caller's stack, filled field by field and then copied
// into a block of the size it needs.
static MSG_MENU_REQUEST MENU_request(MENU_REQUEST_KIND eKind) {
  MSG_MENU_REQUEST r;
  memset(&r, 0, sizeof r);
  r.eKind = eKind;
  r.header.Cmd = g_aeMenuRequestCommand[eKind];
  return r;
}

static BOOLEAN MENU_bSend(const MSG_MENU_REQUEST* pRequest) {
  U32 mbox = 0;
  BOOLEAN bValid = FALSE;
  if (!H_DATABASE_bFetchU32(FCID("TMNU"), &mbox, &bValid, nullptr) || !bValid || mbox == 0) return FALSE;
  const U32 u32Bytes = U_MENU_u32RequestBytes(pRequest);
  MSG_MENU_REQUEST* pMsg = (MSG_MENU_REQUEST*)H_MEMORY_pvMalloc(u32Bytes);
  memcpy((void*)pMsg, pRequest, u32Bytes);
  if (L_MBOX_Send((MBOX)mbox, pMsg, MENU_CLIENT_PRIORITY, 0) != 0) {
    H_MEMORY_vFree(pMsg);
    return FALSE;
  }
  return TRUE;
}

// A request that names only an item and what holds it (either may be null).
static BOOLEAN MENU_bNamed(MENU_REQUEST_KIND eKind, MENU_TEXT pItem, MENU_TEXT pContainer) {
  MSG_MENU_REQUEST r = MENU_request(eKind);
  r.pItemName = pItem;
  r.pContainerName = pContainer;
  return MENU_bSend(&r);
}

static BOOLEAN MENU_bZeroEntry(const MENU_LIMITS& e) {
  return e.Units == U_NONE && e.fMinimum == 0 && e.fMaximum == 0 && e.fIncrement == 0;
}

static BOOLEAN MENU_bZeroEntry(const MENU_STEP_LEVELS& e) {
  return e.Units == U_NONE && e.fStep1 == 0 && e.fStep2 == 0;
}

// Copies a limits or step-levels array by the reading rule: stop before an
// all-zero entry, after a U_NONE entry, after MENU_MAX_LIMITS entries. A
// single U_NONE entry is never read past.
template <typename ENTRY>
static U8 MENU_u8CopyEntries(ENTRY* pTo, const ENTRY* pFrom) {
  if (pFrom == nullptr) return 0;
  U8 n = 0;
  while (n < MENU_MAX_LIMITS && !MENU_bZeroEntry(pFrom[n])) {
    pTo[n] = pFrom[n];
    if (pFrom[n++].Units == U_NONE) break;
  }
  return n;
}

// The name in the current language's form, cut to fit with its terminator
// (one zero byte, or a zero unit in wide form).
static void MENU_vCopyAltName(MSG_MENU_REQUEST* pRequest, const char* pAltName) {
  if (pAltName == nullptr) return;
  const BOOLEAN bWide = U_WSTRING_bIsUnicodeLanguage();
  const U32 u32Room = bWide ? MENU_ALT_NAME_BYTES - 2 : MENU_ALT_NAME_BYTES - 1;
  U32 u32Bytes = U_WSTRING_u32w_strlen(pAltName, FALSE);
  if (u32Bytes > u32Room) u32Bytes = u32Room;
  memcpy(pRequest->acAltName, pAltName, u32Bytes);
  pRequest->bHasAltName = TRUE;
}

// ---------------------------------------------------------------------------
// Main menu

// The fields every item registration (and a tab's) shares.
static MSG_MENU_REQUEST MENU_item(MENU_REQUEST_KIND eKind, MENU_TEXT pName, MENU_TEXT pContainer, const ICON* pIcon,
                                  MENU_PRIORITY priority, MENU_USER_LEVEL level) {
  MSG_MENU_REQUEST r = MENU_request(eKind);
  r.pItemName = pName;
  r.pContainerName = pContainer;
  r.pIcon = pIcon;
  r.u32Priority = priority;
  r.eUserLevel = level;
  return r;
}

BOOLEAN U_MENU_bRegisterTab(MENU_TEXT pTabName, TAB_PRIORITY tabPriority, const ICON* pTabIcon,
                            MENU_USER_LEVEL userLevel) {
  MSG_MENU_REQUEST r = MENU_item(MENU_REQ_REGISTER_TAB, nullptr, pTabName, pTabIcon, tabPriority, userLevel);
  return MENU_bSend(&r);
}

static void MENU_vSelector(MSG_MENU_REQUEST* r, FOURCHARID key, U32 n, MENU_CHOICE_LIST pList, const U32* pValues) {
  r->FourCharId = key;
  r->u32Count = n;
  r->pChoiceList = pList;
  r->pu32Values = pValues;
}

static void MENU_vSlider(MSG_MENU_REQUEST* r, FOURCHARID key, const MENU_LIMITS* pLimits, MENU_TEXT pLeft,
                         MENU_TEXT pRight, MENU_TEXT pSuffix) {
  r->FourCharId = key;
  r->u8LimitCount = MENU_u8CopyEntries(r->aLimits, pLimits);
  r->pControlTextLeft = pLeft;
  r->pControlTextRight = pRight;
  r->pValueSuffix = pSuffix;
}

static void MENU_vVarStepSlider(MSG_MENU_REQUEST* r, FOURCHARID key, const MENU_LIMITS* pLimits,
                                const MENU_STEP_LEVELS* pSteps, MENU_TEXT pLeft, MENU_TEXT pRight, MENU_TEXT pSuffix) {
  MENU_vSlider(r, key, pLimits, pLeft, pRight, pSuffix);
  r->u8StepCount = MENU_u8CopyEntries(r->aStepLevels, pSteps);
}

static void MENU_vActionList(MSG_MENU_REQUEST* r, MENU_CHOICE_LIST pNames, const MENU_ACTION* pFunctions, U32 n,
                             FOURCHARID key, const BOOLEAN* pbConfirm) {
  r->pChoiceList = pNames;
  r->ppFunctions = pFunctions;
  r->u32Count = n;
  r->FourCharId = key;
  r->pbConfirm = pbConfirm;
}

// A sub-menu entry opens the sub-menu of its first name (the task falls back
// to the entry's own name when there is none).
static void MENU_vSubMenu(MSG_MENU_REQUEST* r, MENU_CHOICE_LIST pChoices, MENU_CHOICE_LIST pNames,
                          const ICON* const* pIcons, U32 n) {
  r->pChoiceList = pChoices;
  r->pSubMenuName = pNames != nullptr && n > 0 ? pNames[0] : nullptr;
  r->ppIcons = pIcons;
  r->u32Count = n;
}

BOOLEAN U_MENU_bRegisterMainSelectorMenu(MENU_TEXT pMenuName, MENU_TEXT pTabName, MENU_PRIORITY menuPriority,
                                         FOURCHARID FourCharId, U32 numSelections, MENU_CHOICE_LIST pSelectionList,
                                         const U32* pSelectionValues, MENU_USER_LEVEL userLevel) {
  MSG_MENU_REQUEST r = MENU_item(MENU_REQ_MAIN_SELECTOR, pMenuName, pTabName, nullptr, menuPriority, userLevel);
  MENU_vSelector(&r, FourCharId, numSelections, pSelectionList, pSelectionValues);
  return MENU_bSend(&r);
}

BOOLEAN U_MENU_bRegisterMainSliderMenu(MENU_TEXT pMenuName, MENU_TEXT pTabName, MENU_PRIORITY menuPriority,
                                       FOURCHARID FourCharId, const MENU_LIMITS* pLimits, MENU_TEXT pControlTextLeft,
                                       MENU_TEXT pControlTextRight, MENU_TEXT pValueSuffix,
                                       MENU_USER_LEVEL userLevel) {
  MSG_MENU_REQUEST r = MENU_item(MENU_REQ_MAIN_SLIDER, pMenuName, pTabName, nullptr, menuPriority, userLevel);
  MENU_vSlider(&r, FourCharId, pLimits, pControlTextLeft, pControlTextRight, pValueSuffix);
  return MENU_bSend(&r);
}

BOOLEAN U_MENU_bRegisterMainProgBarMenu(MENU_TEXT pMenuName, MENU_TEXT pTabName, MENU_PRIORITY menuPriority,
                                        FOURCHARID FourCharId, const MENU_LIMITS* pLimits,
                                        MENU_TEXT pControlTextLeft, MENU_TEXT pControlTextRight,
                                        MENU_TEXT pValueSuffix, MENU_USER_LEVEL userLevel) {
  MSG_MENU_REQUEST r = MENU_item(MENU_REQ_MAIN_PROGRESS_BAR, pMenuName, pTabName, nullptr, menuPriority, userLevel);
  MENU_vSlider(&r, FourCharId, pLimits, pControlTextLeft, pControlTextRight, pValueSuffix);
  return MENU_bSend(&r);
}

BOOLEAN U_MENU_bRegisterMainActionMenu(MENU_TEXT pMenuName, MENU_TEXT pTabName, MENU_PRIORITY menuPriority,
                                       MENU_ACTION p2Function, BOOLEAN bConfirm, MENU_USER_LEVEL userLevel) {
  MSG_MENU_REQUEST r = MENU_item(MENU_REQ_MAIN_ACTION, pMenuName, pTabName, nullptr, menuPriority, userLevel);
  r.action = {p2Function, bConfirm};
  return MENU_bSend(&r);
}

BOOLEAN U_MENU_bRegisterMainActionListMenu(MENU_TEXT pMenuName, MENU_TEXT pTabName, MENU_PRIORITY menuPriority,
                                           MENU_CHOICE_LIST pChoiceNames, const MENU_ACTION* pFunctions,
                                           U32 numChoices, MENU_USER_LEVEL userLevel, FOURCHARID FourCharId,
                                           const BOOLEAN* pbConfirm) {
  MSG_MENU_REQUEST r = MENU_item(MENU_REQ_MAIN_ACTION_LIST, pMenuName, pTabName, nullptr, menuPriority, userLevel);
  MENU_vActionList(&r, pChoiceNames, pFunctions, numChoices, FourCharId, pbConfirm);
  return MENU_bSend(&r);
}

BOOLEAN U_MENU_bRegisterMainSubMenu(MENU_TEXT pMenuName, MENU_TEXT pTabName, MENU_PRIORITY menuPriority,
                                    MENU_CHOICE_LIST pSubMenuChoices, MENU_CHOICE_LIST pSubMenuNames,
                                    const ICON* const* pSubMenuIcons, U32 numSubMenus, MENU_USER_LEVEL userLevel) {
  MSG_MENU_REQUEST r = MENU_item(MENU_REQ_MAIN_SUB_MENU, pMenuName, pTabName, nullptr, menuPriority, userLevel);
  MENU_vSubMenu(&r, pSubMenuChoices, pSubMenuNames, pSubMenuIcons, numSubMenus);
  return MENU_bSend(&r);
}

BOOLEAN U_MENU_bUnregisterMainMenuItem(MENU_TEXT pMenuName, MENU_TEXT pTabName) {
  return MENU_bNamed(MENU_REQ_UNREGISTER_MAIN_ITEM, pMenuName, pTabName);
}

// ---------------------------------------------------------------------------
// Sub-menus

BOOLEAN U_MENU_bRegisterSubMenuSubMenu(MENU_TEXT pMenuName, MENU_TEXT pParentSubMenuName, const ICON* pIcon,
                                       MENU_PRIORITY menuPriority, MENU_CHOICE_LIST pSubMenuChoices,
                                       MENU_CHOICE_LIST pSubMenuNames, const ICON* const* pSubMenuIcons,
                                       U32 numSubMenus, MENU_USER_LEVEL userLevel) {
  MSG_MENU_REQUEST r =
      MENU_item(MENU_REQ_SUB_SUB_MENU, pMenuName, pParentSubMenuName, pIcon, menuPriority, userLevel);
  MENU_vSubMenu(&r, pSubMenuChoices, pSubMenuNames, pSubMenuIcons, numSubMenus);
  return MENU_bSend(&r);
}

BOOLEAN U_MENU_bRegisterSubMenuActionMenu(MENU_TEXT pMenuName, MENU_TEXT pSubMenuName, const ICON* pIcon,
                                          MENU_PRIORITY menuPriority, MENU_ACTION p2Function, BOOLEAN bConfirm,
                                          MENU_USER_LEVEL userLevel) {
  MSG_MENU_REQUEST r = MENU_item(MENU_REQ_SUB_ACTION, pMenuName, pSubMenuName, pIcon, menuPriority, userLevel);
  r.action = {p2Function, bConfirm};
  return MENU_bSend(&r);
}

BOOLEAN U_MENU_bRegisterSubMenuSelectorMenu(MENU_TEXT pMenuName, MENU_TEXT pSubMenuName, const ICON* pIcon,
                                            MENU_PRIORITY menuPriority, FOURCHARID FourCharId, U32 numSelections,
                                            MENU_CHOICE_LIST pSelectionList, const U32* pSelectionValues,
                                            MENU_USER_LEVEL userLevel) {
  MSG_MENU_REQUEST r = MENU_item(MENU_REQ_SUB_SELECTOR, pMenuName, pSubMenuName, pIcon, menuPriority, userLevel);
  MENU_vSelector(&r, FourCharId, numSelections, pSelectionList, pSelectionValues);
  return MENU_bSend(&r);
}

BOOLEAN U_MENU_bRegisterSubMenuSliderMenu(MENU_TEXT pMenuName, MENU_TEXT pSubMenuName, const ICON* pIcon,
                                          MENU_PRIORITY menuPriority, FOURCHARID FourCharId,
                                          const MENU_LIMITS* pLimits, MENU_TEXT pControlTextLeft,
                                          MENU_TEXT pControlTextRight, MENU_TEXT pValueSuffix,
                                          MENU_USER_LEVEL userLevel) {
  MSG_MENU_REQUEST r = MENU_item(MENU_REQ_SUB_SLIDER, pMenuName, pSubMenuName, pIcon, menuPriority, userLevel);
  MENU_vSlider(&r, FourCharId, pLimits, pControlTextLeft, pControlTextRight, pValueSuffix);
  return MENU_bSend(&r);
}

BOOLEAN U_MENU_bRegisterSubMenuCheckBoxMenu(MENU_TEXT pMenuName, MENU_TEXT pSubMenuName, const ICON* pIcon,
                                            MENU_PRIORITY menuPriority, U32 u32Context, BOOLEAN (*pGetter)(U32),
                                            BOOLEAN (*pSetter)(U32), MENU_USER_LEVEL userLevel) {
  MSG_MENU_REQUEST r = MENU_item(MENU_REQ_SUB_CHECK_BOX, pMenuName, pSubMenuName, pIcon, menuPriority, userLevel);
  r.u32Context = u32Context;
  r.pGetter = pGetter;
  r.pSetter = pSetter;
  return MENU_bSend(&r);
}

BOOLEAN U_MENU_bUnregisterSubMenuItem(MENU_TEXT pSubMenuName, MENU_TEXT pSubMenuItemName) {
  return MENU_bNamed(MENU_REQ_UNREGISTER_SUB_ITEM, pSubMenuItemName, pSubMenuName);
}

// ---------------------------------------------------------------------------
// Express (hot) menus

BOOLEAN U_MENU_bRegisterExpressMenu(LAYER_ID view, SPLIT_WINDOW_TYPE splitType) {
  MSG_MENU_REQUEST r = MENU_request(MENU_REQ_EXPRESS_MENU);
  r.eView = view;
  r.eSplit = splitType;
  return MENU_bSend(&r);
}

static MSG_MENU_REQUEST MENU_hot(MENU_REQUEST_KIND eKind, MENU_TEXT pName, const ICON* pIcon, MENU_PRIORITY priority,
                                 MENU_USER_LEVEL level, LAYER_ID view, SPLIT_WINDOW_TYPE split) {
  MSG_MENU_REQUEST r = MENU_item(eKind, pName, nullptr, pIcon, priority, level);
  r.eView = view;
  r.eSplit = split;
  return r;
}

BOOLEAN U_MENU_bRegisterHotSelectorMenu(MENU_TEXT pMenuName, const ICON* pMenuIcon, MENU_PRIORITY menuPriority,
                                        FOURCHARID FourCharId, U32 numSelections, MENU_CHOICE_LIST pSelectionList,
                                        const U32* pSelectionValues, MENU_USER_LEVEL userLevel, LAYER_ID view,
                                        SPLIT_WINDOW_TYPE splitType) {
  MSG_MENU_REQUEST r = MENU_hot(MENU_REQ_HOT_SELECTOR, pMenuName, pMenuIcon, menuPriority, userLevel, view, splitType);
  MENU_vSelector(&r, FourCharId, numSelections, pSelectionList, pSelectionValues);
  return MENU_bSend(&r);
}

BOOLEAN U_MENU_bRegisterHotSliderMenu(MENU_TEXT pMenuName, const ICON* pMenuIcon, MENU_PRIORITY menuPriority,
                                      FOURCHARID FourCharId, const MENU_LIMITS* pLimits, MENU_TEXT pControlTextLeft,
                                      MENU_TEXT pControlTextRight, MENU_TEXT pValueSuffix, MENU_USER_LEVEL userLevel,
                                      LAYER_ID view, SPLIT_WINDOW_TYPE splitType) {
  MSG_MENU_REQUEST r = MENU_hot(MENU_REQ_HOT_SLIDER, pMenuName, pMenuIcon, menuPriority, userLevel, view, splitType);
  MENU_vSlider(&r, FourCharId, pLimits, pControlTextLeft, pControlTextRight, pValueSuffix);
  return MENU_bSend(&r);
}

BOOLEAN U_MENU_bRegisterHotActionMenu(MENU_TEXT pMenuName, const ICON* pMenuIcon, MENU_PRIORITY menuPriority,
                                      MENU_ACTION p2Function, BOOLEAN bConfirm, MENU_USER_LEVEL userLevel,
                                      LAYER_ID view, SPLIT_WINDOW_TYPE split) {
  MSG_MENU_REQUEST r = MENU_hot(MENU_REQ_HOT_ACTION, pMenuName, pMenuIcon, menuPriority, userLevel, view, split);
  r.action = {p2Function, bConfirm};
  return MENU_bSend(&r);
}

BOOLEAN U_MENU_bRegisterHotActionListMenu(MENU_TEXT pMenuName, const ICON* pMenuIcon, MENU_PRIORITY menuPriority,
                                          MENU_CHOICE_LIST pChoiceNames, const MENU_ACTION* pFunctions,
                                          U32 numChoices, MENU_USER_LEVEL userLevel, LAYER_ID view,
                                          SPLIT_WINDOW_TYPE split, FOURCHARID FourCharId, const BOOLEAN* pbConfirm) {
  MSG_MENU_REQUEST r = MENU_hot(MENU_REQ_HOT_ACTION_LIST, pMenuName, pMenuIcon, menuPriority, userLevel, view, split);
  MENU_vActionList(&r, pChoiceNames, pFunctions, numChoices, FourCharId, pbConfirm);
  return MENU_bSend(&r);
}

BOOLEAN U_MENU_bRegisterHotSubMenuWithNoArrow(MENU_TEXT pMenuName, const ICON* pMenuIcon, MENU_PRIORITY menuPriority,
                                              MENU_CHOICE_LIST pSubMenuChoices, MENU_CHOICE_LIST pSubMenuNames,
                                              const ICON* const* pSubMenuIcons, U32 numSubMenus,
                                              MENU_USER_LEVEL userLevel, LAYER_ID view, SPLIT_WINDOW_TYPE splitType) {
  MSG_MENU_REQUEST r =
      MENU_hot(MENU_REQ_HOT_SUB_MENU_NO_ARROW, pMenuName, pMenuIcon, menuPriority, userLevel, view, splitType);
  MENU_vSubMenu(&r, pSubMenuChoices, pSubMenuNames, pSubMenuIcons, numSubMenus);
  return MENU_bSend(&r);
}

BOOLEAN U_MENU_bRegisterHotSubMenuActionMenu(MENU_TEXT pMenuName, MENU_TEXT pSubMenuName, const ICON* pMenuIcon,
                                             MENU_PRIORITY menuPriority, MENU_ACTION p2Function, BOOLEAN bConfirm,
                                             MENU_USER_LEVEL userLevel) {
  MSG_MENU_REQUEST r =
      MENU_item(MENU_REQ_HOT_SUB_ACTION, pMenuName, pSubMenuName, pMenuIcon, menuPriority, userLevel);
  r.action = {p2Function, bConfirm};
  return MENU_bSend(&r);
}

BOOLEAN U_MENU_bUnregisterHotMenuItem(MENU_TEXT pMenuName, LAYER_ID view, SPLIT_WINDOW_TYPE splitType) {
  MSG_MENU_REQUEST r = MENU_request(MENU_REQ_UNREGISTER_HOT_ITEM);
  r.pItemName = pMenuName;
  r.eView = view;
  r.eSplit = splitType;
  return MENU_bSend(&r);
}

void U_MENU_vActivateSpecifiedHotMenu(U32 view) {
  MSG_MENU_REQUEST r = MENU_request(MENU_REQ_ACTIVATE_HOT);
  r.eView = (LAYER_ID)view;
  MENU_bSend(&r);
}

// ---------------------------------------------------------------------------
// Quick set-up

BOOLEAN U_MENU_bRegisterQuickSelectorMenu(MENU_TEXT pMenuName, MENU_PRIORITY menuPriority, FOURCHARID FourCharId,
                                          U32 numSelections, MENU_CHOICE_LIST pSelectionList,
                                          const U32* pSelectionValues, MENU_USER_LEVEL userLevel) {
  MSG_MENU_REQUEST r = MENU_item(MENU_REQ_QUICK_SELECTOR, pMenuName, nullptr, nullptr, menuPriority, userLevel);
  MENU_vSelector(&r, FourCharId, numSelections, pSelectionList, pSelectionValues);
  return MENU_bSend(&r);
}

BOOLEAN U_MENU_bRegisterQuickVarStepSliderMenu(MENU_TEXT pMenuName, MENU_PRIORITY menuPriority,
                                               FOURCHARID FourCharId, const MENU_LIMITS* pLimits,
                                               const MENU_STEP_LEVELS* pStepLevels, MENU_TEXT pControlTextLeft,
                                               MENU_USER_LEVEL userLevel) {
  MSG_MENU_REQUEST r =
      MENU_item(MENU_REQ_QUICK_VAR_STEP_SLIDER, pMenuName, nullptr, nullptr, menuPriority, userLevel);
  MENU_vVarStepSlider(&r, FourCharId, pLimits, pStepLevels, pControlTextLeft, nullptr, nullptr);
  return MENU_bSend(&r);
}

BOOLEAN U_MENU_bUnregisterQuickMenuItem(MENU_TEXT pMenuName) {
  return MENU_bNamed(MENU_REQ_UNREGISTER_QUICK_ITEM, pMenuName, nullptr);
}

// ---------------------------------------------------------------------------
// Floating and info menus

BOOLEAN U_MENU_bRegisterFloatingMenu(MENU_TEXT pMenuTitle, MENU_ACTION pGoToFunction, MENU_ACTION pExitFunction,
                                     BOOLEAN bDisplayAltName, const char* pAltName) {
  MSG_MENU_REQUEST r = MENU_request(MENU_REQ_FLOATING_MENU);
  r.pContainerName = pMenuTitle;
  r.pGoToFunction = pGoToFunction;
  r.pExitFunction = pExitFunction;
  r.bDisplayAltName = bDisplayAltName;
  MENU_vCopyAltName(&r, pAltName);
  return MENU_bSend(&r);
}

static BOOLEAN MENU_bFloatingItem(MENU_REQUEST_KIND eKind, MENU_TEXT pMenuTitle, MENU_TEXT pItemName,
                                  const ICON* pIcon, const ICON* pIconRight, MENU_PRIORITY menuPriority,
                                  MENU_ACTION p2Function, BOOLEAN bConfirm, MENU_USER_LEVEL userLevel) {
  MSG_MENU_REQUEST r = MENU_item(eKind, pItemName, pMenuTitle, pIcon, menuPriority, userLevel);
  r.pIconRight = pIconRight;
  r.action = {p2Function, bConfirm};
  return MENU_bSend(&r);
}

BOOLEAN U_MENU_bRegisterFloatingActionMenu(MENU_TEXT pMenuTitle, MENU_TEXT pItemName, const ICON* pIcon,
                                           MENU_PRIORITY menuPriority, MENU_ACTION p2Function, BOOLEAN bConfirm,
                                           MENU_USER_LEVEL userLevel) {
  return MENU_bFloatingItem(MENU_REQ_FLOATING_ACTION, pMenuTitle, pItemName, pIcon, nullptr, menuPriority,
                            p2Function, bConfirm, userLevel);
}

BOOLEAN U_MENU_bRegisterFloatingMenuActionExtItem(MENU_TEXT pMenuTitle, MENU_TEXT pItemName, const ICON* pIcon,
                                                  const ICON* pIconRight, MENU_PRIORITY menuPriority,
                                                  MENU_ACTION p2Function, BOOLEAN bConfirm,
                                                  MENU_USER_LEVEL userLevel) {
  return MENU_bFloatingItem(MENU_REQ_FLOATING_ACTION_EXT, pMenuTitle, pItemName, pIcon, pIconRight, menuPriority,
                            p2Function, bConfirm, userLevel);
}

BOOLEAN U_MENU_bUnregisterFloatingMenuItem(MENU_TEXT pMenuTitle, MENU_TEXT pItemName) {
  return MENU_bNamed(MENU_REQ_UNREGISTER_FLOATING_ITEM, pItemName, pMenuTitle);
}

BOOLEAN U_MENU_bUnregisterFloatingMenu(MENU_TEXT pMenuTitle) {
  return MENU_bNamed(MENU_REQ_UNREGISTER_FLOATING_MENU, nullptr, pMenuTitle);
}

void U_MENU_ActivateFloatingMenu(MENU_TEXT pMenuTitle) { MENU_bNamed(MENU_REQ_ACTIVATE_FLOATING, nullptr, pMenuTitle); }

void U_MENU_ActivateInfoMenu(MENU_TEXT pMenuName, const M_INFO_MENU_ITEM* pItems, U8 u8Count,
                             BOOLEAN bDisplayAltName, const char* pAltName) {
  MSG_MENU_REQUEST r = MENU_request(MENU_REQ_ACTIVATE_INFO);
  r.pContainerName = pMenuName;
  r.bDisplayAltName = bDisplayAltName;
  MENU_vCopyAltName(&r, pAltName);
  if (pItems != nullptr) {
    r.u8InfoCount = u8Count < MENU_MAX_INFO_ITEMS ? u8Count : (U8)MENU_MAX_INFO_ITEMS;
    memcpy(r.aInfoItems, pItems, r.u8InfoCount * sizeof(M_INFO_MENU_ITEM));
  }
  MENU_bSend(&r);
}

// ---------------------------------------------------------------------------
// Single-centred menus

static MSG_MENU_REQUEST MENU_single(MENU_REQUEST_KIND eKind, MENU_TEXT pTitle, FOURCHARID key, BOOLEAN bDisplay,
                                    BOOLEAN bLoop) {
  MSG_MENU_REQUEST r = MENU_request(eKind);
  r.pContainerName = pTitle;
  r.FourCharId = key;
  r.bDisplay = bDisplay;
  r.bLoop = bLoop;
  return r;
}

BOOLEAN U_MENU_bRegisterSingleCenteredMenuSelectorMenu(MENU_TEXT pTitle, FOURCHARID FourCharId, U32 numSelections,
                                                       MENU_CHOICE_LIST pSelectionList, const U32* pSelectionValues,
                                                       BOOLEAN bDisplay, BOOLEAN bLoop) {
  MSG_MENU_REQUEST r = MENU_single(MENU_REQ_SINGLE_SELECTOR, pTitle, FourCharId, bDisplay, bLoop);
  MENU_vSelector(&r, FourCharId, numSelections, pSelectionList, pSelectionValues);
  return MENU_bSend(&r);
}

BOOLEAN U_MENU_bRegisterSingleCenteredMenuSliderMenu(MENU_TEXT pTitle, FOURCHARID FourCharId,
                                                     const MENU_LIMITS* pLimits, MENU_TEXT pControlTextLeft,
                                                     MENU_TEXT pControlTextRight, MENU_TEXT pValueSuffix,
                                                     BOOLEAN bDisplay, BOOLEAN bLoop) {
  MSG_MENU_REQUEST r = MENU_single(MENU_REQ_SINGLE_SLIDER, pTitle, FourCharId, bDisplay, bLoop);
  MENU_vSlider(&r, FourCharId, pLimits, pControlTextLeft, pControlTextRight, pValueSuffix);
  return MENU_bSend(&r);
}

BOOLEAN U_MENU_bRegisterSingleCenteredMenuVarStepSliderMenu(MENU_TEXT pTitle, const ICON* pIcon,
                                                            FOURCHARID FourCharId, const MENU_LIMITS* pLimits,
                                                            const MENU_STEP_LEVELS* pStepLevels,
                                                            MENU_TEXT pControlTextLeft, MENU_TEXT pControlTextRight,
                                                            MENU_TEXT pValueSuffix, BOOLEAN bDisplay, BOOLEAN bLoop) {
  MSG_MENU_REQUEST r = MENU_single(MENU_REQ_SINGLE_VAR_STEP_SLIDER, pTitle, FourCharId, bDisplay, bLoop);
  r.pIcon = pIcon;
  MENU_vVarStepSlider(&r, FourCharId, pLimits, pStepLevels, pControlTextLeft, pControlTextRight, pValueSuffix);
  return MENU_bSend(&r);
}

BOOLEAN U_MENU_bUnregisterSingleCenteredMenu(MENU_TEXT pTitle) {
  return MENU_bNamed(MENU_REQ_UNREGISTER_SINGLE, nullptr, pTitle);
}

void U_MENU_vActivateSingleCenteredMenu(MENU_TEXT pTitle, LAYER_ID view, BOOLEAN bDisplay, BOOLEAN bLoop,
                                        MENU_TEXT pLocationTitle) {
  MSG_MENU_REQUEST r = MENU_single(MENU_REQ_ACTIVATE_SINGLE, pTitle, 0, bDisplay, bLoop);
  r.eView = view;
  r.pSubMenuName = pLocationTitle;
  MENU_bSend(&r);
}

void U_MENU_vClearMenus(void) { MENU_bNamed(MENU_REQ_CLEAR, nullptr, nullptr); }

void T_MENU_vActivateQuickMenu(void) { MENU_bNamed(MENU_REQ_ACTIVATE_QUICK, nullptr, nullptr); }

// ---------------------------------------------------------------------------
// The hook into the menu task

static std::atomic<U32 (*)(void)> s_pfnGetHotMenuView{nullptr};

BOOLEAN U_MENU_bRegisterHotMenuView(U32 (*pfn)(void)) {
  return L_HOOK_bSetOnce(&s_pfnGetHotMenuView, pfn, "hot menu view");
}

U32 T_MENU_u32GetHotMenuView(void) {
  U32 (*pfn)(void) = s_pfnGetHotMenuView;
  return pfn != nullptr ? pfn() : (U32)NO_VIEW_PRIORITY;
}
