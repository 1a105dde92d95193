// The view task keeps the list of registered layers: base views (one full
// screen or the panes of a split) and overlays, in drawing order. Other tasks
// change it only by mail; the frames that draw from it are composed here too,
// once that work is built (until then nothing is drawn).

#include "t_view.h"

#include <ctype.h>
#include <string.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>

#include "error.h"
#include "g_iconset.h"
#include "gui.h"
#include "h_database.h"
#include "h_memory.h"
#include "linuxsvc.h"
#include "model_current.h"
#include "t_startup.h"
#include "u_language.h"
#include "u_menu.h"
#include "u_taskstub.h"
#include "u_view.h"
#include "ui_texts.h"

// ---------------------------------------------------------------------------
// State

static LAYER_ITEM* s_playerHeadPointer = nullptr;
static std::atomic<S32> s_currentLayer{NO_VIEW_PRIORITY};
static std::atomic<S32> s_activeWindow{SPLIT_RIGHT_WINDOW};
static std::atomic<U32> s_eDataBoxOption{0};
static BOOLEAN s_bSelectableLogged = FALSE;

constexpr U32 DATA_BOXES_ON = 2;

static const MENU_TEXT s_apHiddenVisible[] = {Hidden, Visible};
static const U32 s_au32HiddenVisible[] = {0, 1};
static const MENU_TEXT s_apUpperLower[] = {Upper, Lower};
static const MENU_TEXT s_apLeftRight[] = {Left, Right};
static const U32 s_au32Panes[] = {SPLIT_LEFT_WINDOW, SPLIT_RIGHT_WINDOW};

const LAYER_ITEM* T_VIEW_psFirstLayer(void) { return s_playerHeadPointer; }

LAYER_ID T_VIEW_eCurrentLayer(void) { return (LAYER_ID)s_currentLayer.load(); }

// ---------------------------------------------------------------------------
// Queries of other tasks

BOOLEAN T_VIEW_bIsLayerActive(LAYER_ID TargeLayer) {
  L_MUTEX_LockWait(RES_VIEW_LIST);
  BOOLEAN bFound = FALSE;
  for (const LAYER_ITEM* p = s_playerHeadPointer; p != nullptr && !bFound; p = p->next) bFound = p->layer == TargeLayer;
  L_MUTEX_Unlock(RES_VIEW_LIST);
  return bFound;
}

LAYER_ID T_VIEW_GetSelectableView(const char* selectableView) {
  const unsigned nLanguage = nCurrentLanguage();
  L_MUTEX_LockWait(RES_VIEW_LIST);
  if (!s_bSelectableLogged) {
    s_bSelectableLogged = TRUE;
    for (const LAYER_ITEM* p = s_playerHeadPointer; p != nullptr; p = p->next) {
      if (p->fcidDisplay == 0) continue;
      if (p->pString == nullptr) {
        log_me("[%d]%s: layer %d has no name text", __LINE__, __func__, p->layer);
      } else {
        log_me("[%d]%s: layer %d %s", __LINE__, __func__, p->layer, p->pString[0]);
      }
    }
  }
  LAYER_ID found = UNKNOWN_VIEW;
  for (const LAYER_ITEM* p = s_playerHeadPointer; p != nullptr && selectableView != nullptr; p = p->next) {
    if (p->fcidDisplay == 0) continue;
    if (p->pString == nullptr) {
      log_me("[%d]%s: layer %d has no name text", __LINE__, __func__, p->layer);
      continue;
    }
    char acName[64];
    const char* pName = p->pString[nLanguage];
    size_t n = pName != nullptr ? strnlen(pName, sizeof acName - 1) : 0;
    memcpy(acName, pName, n);
    acName[n] = '\0';
    for (size_t i = 0; i < n; i++) acName[i] = (char)toupper((unsigned char)acName[i]);
    if (strcmp(acName, selectableView) != 0) continue;
    H_DATABASE_bUpdateValueBoolean(p->fcidDisplay, TRUE, P_NORMAL);
    found = p->layer;
    break;
  }
  L_MUTEX_Unlock(RES_VIEW_LIST);
  return found;
}

// Views 58, 59, 60 and 66 need the ice feature: the point-of-sale
// demonstration of a unit without it never shows them.
static BOOLEAN VIEW_bPassedOver(LAYER_ID layer, U32 u32State) {
  if (u32State != STATE_POINT_OF_SALE || MODEL_bIceModel()) return FALSE;
  if (layer != SONAR_2D_PLUS_FLASHER_ICE_PRIORITY && layer != SONAR_2D_ZOOM_PLUS_FLASHER_ICE_PRIORITY &&
      layer != SONAR_FLASHER_ICE_PRIORITY && layer != CHART_PLUS_FLASHER_ICE_VIEW_PRIORITY) {
    return FALSE;
  }
  log_me("[%d]%s: layer is %d, keep going", __LINE__, __func__, layer);
  return TRUE;
}

static BOOLEAN VIEW_bCandidate(const LAYER_ITEM* p, U32 u32State) {
  return p->where_used == USED_BY_NONE && p->bCurrentDisplayMode && !VIEW_bPassedOver(p->layer, u32State);
}

void T_VIEW_vSetNextBackgroundLayer(void) {
  U32 u32State = 0;
  H_DATABASE_bFetchU32(FCID("CCST"), &u32State, nullptr, nullptr);
  L_MUTEX_LockWait(RES_VIEW_LIST);
  const LAYER_ID current = T_VIEW_eCurrentLayer();
  const LAYER_ITEM* pCurrent = s_playerHeadPointer;
  while (pCurrent != nullptr && !(pCurrent->layer == current && pCurrent->bCurrentDisplayMode)) pCurrent = pCurrent->next;
  const LAYER_ITEM* pFound = nullptr;
  for (const LAYER_ITEM* p = pCurrent != nullptr ? pCurrent->next : nullptr; p != nullptr && pFound == nullptr;
       p = p->next) {
    if (VIEW_bCandidate(p, u32State)) pFound = p;
  }
  for (const LAYER_ITEM* p = s_playerHeadPointer; p != nullptr && pFound == nullptr; p = p->next) {
    if (VIEW_bCandidate(p, u32State)) pFound = p;
  }
  const LAYER_ID next = pFound != nullptr ? pFound->layer : NO_VIEW_PRIORITY;
  L_MUTEX_Unlock(RES_VIEW_LIST);
  log_me("[%d]%s: call T_VIEWKEY_vSetBackgroundLayer(%d)", __LINE__, __func__, next);
  log_me("[%d]%s: update CVEW to %d", __LINE__, __func__, next);
  H_DATABASE_bUpdateValueS32(FCID("CVEW"), next, P_NORMAL);
}

// ---------------------------------------------------------------------------
// Split geometry

static U32 VIEW_u32Origin(void) { return s_eDataBoxOption == DATA_BOXES_ON ? U_VIEW_u32XOrigin() : 0; }

static S32 VIEW_s32Divider(S32 s32ViewWidth, S32 s32PositionPercent) {
  U32 o = VIEW_u32Origin();
  return (S32)(o + (U32)s32PositionPercent * ((U32)s32ViewWidth - o) / 100);
}

S32 T_VIEW_s32SplitViewLeftWidth(S32 s32ViewWidth, S32 s32PositionPercent) {
  return VIEW_s32Divider(s32ViewWidth, s32PositionPercent) - 2;
}

S32 T_VIEW_s32SplitViewRightWidth(S32 s32ViewWidth, S32 s32PositionPercent) {
  return s32ViewWidth - 3 - VIEW_s32Divider(s32ViewWidth, s32PositionPercent);
}

S32 T_VIEW_s32SplitViewClipLeft(S32 s32ViewWidth, S32 s32PositionPercent, SPLIT_WINDOW_TYPE eSplit) {
  if (eSplit != SPLIT_RIGHT_WINDOW) return (S32)U_VIEW_u32XOrigin();
  return VIEW_s32Divider(s32ViewWidth, s32PositionPercent) + 3;
}

S32 T_VIEW_s32SplitViewClipRight(S32 s32ViewWidth, S32 s32PositionPercent, SPLIT_WINDOW_TYPE eSplit) {
  if (eSplit != SPLIT_LEFT_WINDOW) return s32ViewWidth - 1;
  return VIEW_s32Divider(s32ViewWidth, s32PositionPercent) - 3;
}

// ---------------------------------------------------------------------------
// Registration and removal

// The express menu of a pane and its two items: which pane is active, and
// where the divider stands (not for the flasher splits, whose divider is fixed).
static void VIEW_vRegisterPaneMenu(const LAYER_ITEM* p) {
  const MENU_CHOICE_LIST pChoices = p->bHorizontalSplit ? s_apUpperLower : s_apLeftRight;
  U_MENU_bRegisterExpressMenu(p->layer, p->eSplit);
  U_MENU_bRegisterHotSelectorMenu(Active_Pane, &select_active_side, MENU_SELECT_ACTIVE_SIDE, FCID("CVAS"), 2, pChoices,
                                  s_au32Panes, M_BASIC, p->layer, p->eSplit);
  const BOOLEAN bFixedDivider = !p->bHorizontalSplit && (p->layer == SONAR_2D_PLUS_FLASHER_ICE_PRIORITY ||
                                                         p->layer == SONAR_2D_ZOOM_PLUS_FLASHER_ICE_PRIORITY ||
                                                         p->layer == CHART_PLUS_FLASHER_ICE_VIEW_PRIORITY);
  if (bFixedDivider) return;
  const MENU_LIMITS limits = {U_NONE, 20.0f, 80.0f, 10.0f};
  U_MENU_bRegisterHotSliderMenu(Split_Position, &adjust_screen_size, MENU_SET_SPLIT_LOCATION, p->fcidSplitControl,
                                &limits, pChoices[0], pChoices[1], nullptr, M_BASIC, p->layer, p->eSplit);
}

static void VIEW_vRemovePaneMenu(const LAYER_ITEM* p) {
  if (p->eSplit == SPLIT_FULL_WINDOW) return;
  U_MENU_bUnregisterHotMenuItem(Split_Position, p->layer, p->eSplit);
  U_MENU_bUnregisterHotMenuItem(Active_Pane, p->layer, p->eSplit);
}

// A new main node: shown at once without a display key; with one, shown by
// its value, offered on the "Views" tab and watched.
static void VIEW_vTakeMainNode(LAYER_ITEM* p) {
  if (p->fcidDisplay == 0) {
    p->bCurrentDisplayMode = TRUE;
  } else {
    DB_DATA_TYPE value;
    BOOLEAN bValid = FALSE;
    DB_ATTRIBUTES attributes = {};
    if (H_DATABASE_bFetch(p->fcidDisplay, &value, &bValid, &attributes)) {
      p->bCurrentDisplayMode = (value.u32Val & 0xFF) != 0;
      H_DATABASE_bRegisterForDataWithConditions(p->fcidDisplay, M_VIEW, TRUE, FALSE, FALSE);
      p->pString = attributes.ppcText;
      U_MENU_bRegisterMainSelectorMenu(p->pString, Views, (MENU_PRIORITY)p->layer, p->fcidDisplay, 2,
                                       s_apHiddenVisible, s_au32HiddenVisible, M_BASIC);
      GUI_vSetViewRegisteration(p->layer, TRUE);
    }
  }
  S32 s32Percent = 0;
  if (p->fcidSplitControl != 0 && H_DATABASE_bFetchS32(p->fcidSplitControl, &s32Percent, nullptr, nullptr)) {
    H_DATABASE_bRegisterForDataWithConditions(p->fcidSplitControl, M_VIEW, TRUE, FALSE, FALSE);
    p->s32SplitPercentage = s32Percent;
  }
}

// A further pane of an existing split view: refused when it would be a
// second full screen, a pane already there, or under another split key.
static BOOLEAN VIEW_bTakePane(LAYER_ITEM* pMain, LAYER_ITEM* pNew) {
  if (pNew->eSplit == SPLIT_FULL_WINDOW || pNew->fcidSplitControl != pMain->fcidSplitControl) return FALSE;
  LAYER_ITEM* pLast = pMain;
  for (LAYER_ITEM* p = pMain; p != nullptr; p = p->pSplit) {
    if (p->eSplit == pNew->eSplit || p->eSplit == SPLIT_FULL_WINDOW) return FALSE;
    pLast = p;
  }
  pNew->next = pLast->next;
  pNew->where_used = pLast->where_used;
  pNew->fcidDisplay = pLast->fcidDisplay;
  pNew->bDefault = pLast->bDefault;
  pNew->bCurrentDisplayMode = pLast->bCurrentDisplayMode;
  pNew->s32SplitPercentage = pLast->s32SplitPercentage;
  pNew->pString = pLast->pString;
  pNew->bHorizontalSplit = pLast->bHorizontalSplit;
  pLast->pSplit = pNew;
  return TRUE;
}

// Points the node before a place, and every pane of it, at pTo.
static void VIEW_vRelink(LAYER_ITEM* pBefore, LAYER_ITEM* pTo) {
  if (pBefore == nullptr) {
    s_playerHeadPointer = pTo;
    return;
  }
  for (LAYER_ITEM* p = pBefore; p != nullptr; p = p->pSplit) p->next = pTo;
}

static void VIEW_vHandleRegister(MSG_REGISTER_LAYER* pMsg) {
  LAYER_ITEM* pNew = (LAYER_ITEM*)H_MEMORY_pvCalloc(1, sizeof(LAYER_ITEM));
  pNew->layer = pMsg->layer;
  pNew->where_used = pMsg->where_used;
  pNew->pDrawFunction = pMsg->pDrawFunction;
  pNew->fcidDisplay = pMsg->fcidDisplayFlag;
  pNew->bDefault = pMsg->bDisplay;
  pNew->pPlaybackString = pMsg->pPlaybackString;
  pNew->pSimString = pMsg->pSimString;
  pNew->pPOSString = pMsg->pPOSString;
  pNew->user = pMsg->user;
  pNew->fcidSplitControl = pMsg->fcidSplitControl;
  pNew->eSplit = pMsg->eLocation;
  pNew->bHorizontalSplit = pMsg->bHorizontalSplit;

  L_MUTEX_LockWait(RES_VIEW_LIST);
  LAYER_ITEM* pBefore = nullptr;
  LAYER_ITEM* pAt = s_playerHeadPointer;
  while (pAt != nullptr && pAt->layer < pNew->layer) pBefore = pAt, pAt = pAt->next;
  BOOLEAN bTaken = TRUE;
  if (pAt == nullptr || pAt->layer != pNew->layer) {
    pNew->next = pAt;
    VIEW_vRelink(pBefore, pNew);
    VIEW_vTakeMainNode(pNew);
  } else {
    bTaken = VIEW_bTakePane(pAt, pNew);
  }
  pMsg->flag = bTaken;
  if (bTaken && pNew->eSplit != SPLIT_FULL_WINDOW) VIEW_vRegisterPaneMenu(pNew);
  L_MUTEX_Unlock(RES_VIEW_LIST);
  if (!bTaken) H_MEMORY_vFree(pNew);
}

static void VIEW_vHandleUnregister(MSG_UNREGISTER_LAYER* pMsg) {
  L_MUTEX_LockWait(RES_VIEW_LIST);
  LAYER_ITEM* pBefore = nullptr;
  LAYER_ITEM* pMain = s_playerHeadPointer;
  while (pMain != nullptr && pMain->layer != pMsg->layer) pBefore = pMain, pMain = pMain->next;
  pMsg->flag = FALSE;
  if (pMain != nullptr && pMain->eSplit == pMsg->eLocation) {
    if (pMain->pSplit != nullptr) {
      VIEW_vRelink(pBefore, pMain->pSplit);
    } else {
      VIEW_vRelink(pBefore, pMain->next);
      if (pMain->fcidDisplay != 0) {
        U_MENU_bUnregisterMainMenuItem(pMain->pString, Views);
        GUI_vSetViewRegisteration(pMain->layer, FALSE);
      }
    }
    VIEW_vRemovePaneMenu(pMain);
    H_MEMORY_vFree(pMain);
    pMsg->flag = TRUE;
  } else if (pMain != nullptr) {
    for (LAYER_ITEM* p = pMain; p->pSplit != nullptr; p = p->pSplit) {
      LAYER_ITEM* pPane = p->pSplit;
      if (pPane->eSplit != pMsg->eLocation) continue;
      p->pSplit = pPane->pSplit;
      VIEW_vRemovePaneMenu(pPane);
      H_MEMORY_vFree(pPane);
      pMsg->flag = TRUE;
      break;
    }
  }
  if (pMsg->layer == T_VIEW_eCurrentLayer()) T_VIEW_vSetNextBackgroundLayer();
  L_MUTEX_Unlock(RES_VIEW_LIST);
}

// A display or split key of a layer changed: the first node that watches it,
// with all its panes, takes the value.
static void VIEW_vHandleLayerKey(const MESSAGE_NEW_DATA* pMsg) {
  L_MUTEX_LockWait(RES_VIEW_LIST);
  for (LAYER_ITEM* pMain = s_playerHeadPointer; pMain != nullptr; pMain = pMain->next) {
    BOOLEAN bDisplay = pMain->fcidDisplay == pMsg->FourCharId;
    if (!bDisplay && pMain->fcidSplitControl != pMsg->FourCharId) continue;
    for (LAYER_ITEM* p = pMain; p != nullptr; p = p->pSplit) {
      if (bDisplay) {
        p->bCurrentDisplayMode = (pMsg->dbValue.u32Val & 0xFF) != 0;
      } else {
        p->s32SplitPercentage = pMsg->dbValue.s32Val;
      }
    }
    break;
  }
  L_MUTEX_Unlock(RES_VIEW_LIST);
}

// Base views take their registered visibility again, except in the factory test.
static void VIEW_vHandleResetPos(void) {
  U32 u32State = 0;
  if (H_DATABASE_bFetchU32(FCID("CCST"), &u32State, nullptr, nullptr) && u32State == STATE_INLINE_TEST) return;
  L_MUTEX_LockWait(RES_VIEW_LIST);
  for (const LAYER_ITEM* p = s_playerHeadPointer; p != nullptr; p = p->next) {
    if (p->fcidDisplay != 0 && p->where_used == USED_BY_NONE) {
      H_DATABASE_bUpdateValueBoolean(p->fcidDisplay, p->bDefault, P_NORMAL);
    }
  }
  L_MUTEX_Unlock(RES_VIEW_LIST);
}

static void VIEW_vHandleNewData(const MESSAGE_NEW_DATA* pMsg) {
  switch (pMsg->FourCharId) {
    case FCID("CVEW"):
      s_currentLayer = pMsg->dbValue.s32Val;
      break;
    case FCID("CVAS"):
      s_activeWindow = pMsg->dbValue.s32Val;
      L_SEMA_Signal(SEMA_VIEW_UPDATE);
      break;
    case FCID("SDBO"):
      s_eDataBoxOption = pMsg->dbValue.u32Val;
      break;
    case FCID("CCST"):
    case FCID("SMSG"):
      break;
    default:
      VIEW_vHandleLayerKey(pMsg);
      break;
  }
}

static void VIEW_vDispatch(GENERIC_MESSAGE* pMsg) {
  switch (pMsg->Cmd) {
    case CMD_ID_REGISTER_LAYER:
      VIEW_vHandleRegister((MSG_REGISTER_LAYER*)pMsg);
      break;
    case CMD_ID_UNREGISTER_LAYER:
      VIEW_vHandleUnregister((MSG_UNREGISTER_LAYER*)pMsg);
      break;
    case CMD_ID_NEW_DATA:
      VIEW_vHandleNewData((const MESSAGE_NEW_DATA*)pMsg);
      break;
    case CMD_ID_RESET_POS:
      VIEW_vHandleResetPos();
      break;
    default:
      break;
  }
  H_MEMORY_vDumpMail(pMsg);
}

// ---------------------------------------------------------------------------
// The task

void T_VIEW_vMain(void) {
  log_me("[%d]%s: LWP ID %ld", __LINE__, __func__, (long)syscall(SYS_gettid));
  H_DATABASE_bUpdateEverythingS32(FCID("CVEW"), NO_VIEW_PRIORITY, P_DEFAULT_SETTING, D_SIGNED32, nullptr,
                                  DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingS32(FCID("CVAS"), SPLIT_RIGHT_WINDOW, P_DEFAULT_SETTING, D_SIGNED32, nullptr,
                                  DB_NEVER_STALE);
  S32 s32Value = 0;
  if (H_DATABASE_bFetchS32(FCID("CVEW"), &s32Value, nullptr, nullptr)) s_currentLayer = s32Value;
  if (H_DATABASE_bFetchS32(FCID("CVAS"), &s32Value, nullptr, nullptr)) s_activeWindow = s32Value;
  for (FOURCHARID key : {FCID("CVEW"), FCID("CVAS"), FCID("SDBO")}) {
    H_DATABASE_bRegisterForDataWithConditions(key, M_VIEW, TRUE, FALSE, FALSE);
  }
  if (H_DATABASE_bUpdateEverythingU32(FCID("TVUE"), (U32)M_VIEW, P_NORMAL, D_MAILBOX, nullptr, DB_NEVER_STALE)) {
    ERROR_vFatal(__FILE_NAME__, __LINE__, "Somebody else registered the View Task Maibox");
  }
  const SEMA events[] = {SEMA_MBOX_VIEW, 0};
  for (;;) {
    if (L_SEMA_WaitMultiple(events) != SEMA_MBOX_VIEW) continue;
    while (GENERIC_MESSAGE* pMsg = (GENERIC_MESSAGE*)L_MBOX_Receive(M_VIEW)) VIEW_vDispatch(pMsg);
  }
}
