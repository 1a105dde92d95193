// The view task keeps the list of registered layers: base views (one full
// screen or the panes of a split) and overlays, in drawing order, and composes
// the frames from it: at most one every 100 ms, at once when a view change or
// a menu asks for it, each drawn straight into a free framebuffer page. Other
// tasks change the list only by mail.

#include "t_view.h"

#include <ctype.h>
#include <string.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <mutex>

#include "color.h"
#include "error.h"
#include "g_bmp.h"
#include "g_box.h"
#include "g_buffers.h"
#include "g_iconset.h"
#include "gui.h"
#include "h_database.h"
#include "h_display.h"
#include "h_memory.h"
#include "linuxsvc.h"
#include "model_current.h"
#include "t_startup.h"
#include "u_dialog.h"
#include "u_language.h"
#include "u_menu.h"
#include "u_view.h"
#include "u_viewarea.h"
#include "ui_texts.h"

// ---------------------------------------------------------------------------
// State

static LAYER_ITEM* s_playerHeadPointer = nullptr;
static std::atomic<S32> s_currentLayer{NO_VIEW_PRIORITY};
static std::atomic<S32> s_activeWindow{SPLIT_RIGHT_WINDOW};
static std::atomic<U32> s_eDataBoxOption{0};
static BOOLEAN s_bSelectableLogged = FALSE;

constexpr U32 DATA_BOXES_ON = 2;

// What each draw function is given; refilled before every call.
static WINDOW_SPECIFICATION s_windowSpec = {NO_VIEW_PRIORITY, SPLIT_RIGHT_WINDOW, SPLIT_FULL_WINDOW, {0, 0, 0, 0},
                                            FALSE, 0};

// Frame pacing. The flags are written by other tasks and read between layers.
enum VIEW_EXPEDITE : int { EXPEDITE_IDLE = 0, EXPEDITE_REQUESTED = 1, EXPEDITE_DRAWING = 2 };
static std::atomic<int> s_eExpeditedViewUpdateState{EXPEDITE_IDLE};
static std::atomic<BOOLEAN> s_bViewChanged{FALSE};
static std::atomic<BOOLEAN> s_bViewUpdateCancelled{FALSE};
static std::atomic<S32> s_s32RefreshesSinceLastRequest{0};
static std::atomic<U32> s_u32FramesBegun{0};
static std::atomic<U32> s_u32LastFrameShown{0};
static U64 s_u64LastFrameMs = 0;
static TIMER_INFO* s_pRefreshTimer = nullptr;
static BOOLEAN s_bRefreshDue = FALSE;  // the refresh timer runs for a frame not yet drawn
constexpr U32 VIEW_FRAME_PERIOD_MS = 100;
// Table priorities; 101 until the run-system command tells them.
constexpr U16 VIEW_PRIORITY_UNKNOWN = 101;
constexpr U16 VIEW_PRIORITY_RAISE = 30;
static std::atomic<U16> s_priorityNormal{VIEW_PRIORITY_UNKNOWN};
static std::atomic<U16> s_priorityHigh{VIEW_PRIORITY_UNKNOWN};

// The notice over the views in simulation, point of sale and playback: shown
// 3 s, hidden 8 s, while the super user has not switched it off.
static U32 s_state = STATE_STARTUP;
static BOOLEAN s_bSimPlaybackMsgEnabled = TRUE;
static std::atomic<BOOLEAN> s_bDisplaySimMessage{FALSE};
static TIMER_INFO* s_pSimMsgTimer = nullptr;
static U32 s_u32SimMsgTicks = 0;
constexpr U32 VIEW_SIM_SHOWN_TICKS = 3;
constexpr U32 VIEW_SIM_HIDDEN_TICKS = 8;
static BOOLEAN s_bRunSystemSeen = FALSE;


// Colours of the frame, by colour-table entry.
constexpr U32 VIEW_COLOR_BLACK = 32;
constexpr U32 VIEW_COLOR_BACKGROUND = 34;
constexpr U32 VIEW_COLOR_DIVIDER_EDGE = 128;
constexpr U32 VIEW_COLOR_DIVIDER = 131;
constexpr U32 VIEW_COLOR_HIGHLIGHT = 240;
constexpr U32 VIEW_COLOR_HIGHLIGHT_BAND = 241;
constexpr U32 VIEW_COLOR_HIGHLIGHT_SHADE = 242;
constexpr U8 VIEW_DIM_ALPHA = 0x33;

static const MENU_TEXT s_apHiddenVisible[] = {Hidden, Visible};
static const U32 s_au32HiddenVisible[] = {0, 1};
static const MENU_TEXT s_apUpperLower[] = {Upper, Lower};
static const MENU_TEXT s_apLeftRight[] = {Left, Right};
static const U32 s_au32Panes[] = {SPLIT_LEFT_WINDOW, SPLIT_RIGHT_WINDOW};

const LAYER_ITEM* T_VIEW_psFirstLayer(void) { return s_playerHeadPointer; }

LAYER_ID T_VIEW_eCurrentLayer(void) { return (LAYER_ID)s_currentLayer.load(); }

U32 T_VIEW_u32FramesBegun(void) { return s_u32FramesBegun; }

U32 T_VIEW_u32LastFrameShown(void) { return s_u32LastFrameShown; }



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

// A page registered as used over itself (the GPS diagnostic page is) is
// drawn as a view of its own, and the Views tab shows or hides it as any
// other: VIEW steps onto it too.
BOOLEAN T_VIEW_bInViewCycle(const LAYER_ITEM* p) {
  return (p->where_used == USED_BY_NONE || p->where_used == p->layer) && p->bCurrentDisplayMode;
}

static BOOLEAN VIEW_bCandidate(const LAYER_ITEM* p, U32 u32State) {
  return T_VIEW_bInViewCycle(p) && !VIEW_bPassedOver(p->layer, u32State);
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

// A split key is a setting anyone may write: a position outside 0-100 % is
// taken as the nearer end, so that no pane reaches beyond the page.
static U32 VIEW_u32Percent(S32 s32PositionPercent) {
  return s32PositionPercent < 0 ? 0 : s32PositionPercent > 100 ? 100 : (U32)s32PositionPercent;
}

// The middle column of a left/right divider.
static S32 VIEW_s32Divider(S32 s32ViewWidth, S32 s32PositionPercent) {
  U32 o = VIEW_u32Origin();
  return (S32)(o + VIEW_u32Percent(s32PositionPercent) * ((U32)s32ViewWidth - o) / 100);
}

// The middle row of an upper/lower divider, y upward.
static S32 VIEW_s32HorizontalDivider(S32 s32ViewHeight, S32 s32PositionPercent) {
  return (S32)((U32)s32ViewHeight * (100 - VIEW_u32Percent(s32PositionPercent)) / 100);
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
                                &limits, pChoices[0], pChoices[1], Percent_Sign, M_BASIC, p->layer, p->eSplit);
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

// ---------------------------------------------------------------------------
// Pacing and the flags other tasks raise

S32 T_VIEW_s32RefreshesSinceLastRequest(void) { return s_s32RefreshesSinceLastRequest.exchange(0); }

BOOLEAN T_VIEW_bViewChangedWhileRendering(void) { return s_bViewChanged; }

BOOLEAN T_VIEW_bViewUpdateCancelled(void) { return s_bViewUpdateCancelled; }

void T_VIEW_vMarkViewChanged(void) {
  s_bViewChanged = TRUE;
  s_bViewUpdateCancelled = TRUE;
}

void T_VIEW_vSetBackgroundLayer(LAYER_ID layer) {
  log_me("[%d]%s: update CVEW to %d", __LINE__, __func__, layer);
  H_DATABASE_bUpdateValueS32(FCID("CVEW"), layer, P_NORMAL);
  T_VIEW_vMarkViewChanged();
}

// Requests raise the priority on the requester's thread while the view task
// lowers it on its own; the task block's priority word takes one at a time.
static void VIEW_vSetPriority(U16 u16Priority) {
  static std::mutex s_priorityLock;
  if (u16Priority == VIEW_PRIORITY_UNKNOWN) return;
  std::lock_guard<std::mutex> guard(s_priorityLock);
  L_TASK_SetPriority(VIEWTASK, u16Priority);
}

void T_VIEW_vRequestExpeditedViewUpdate(void) {
  // A frame may end between two looks at the state: look again, or the
  // request would be dropped with no frame to follow it.
  int state = s_eExpeditedViewUpdateState.load();
  while (state != EXPEDITE_REQUESTED) {
    const int was = state;
    if (!s_eExpeditedViewUpdateState.compare_exchange_strong(state, EXPEDITE_REQUESTED)) continue;
    if (was == EXPEDITE_IDLE) {
      s_bViewUpdateCancelled = TRUE;
      L_SEMA_Signal(SEMA_VIEW_UPDATE);
      VIEW_vSetPriority(s_priorityHigh);
    } else {
      // The frame being drawn may predate the request: a second one follows it.
      L_SEMA_Signal(SEMA_VIEW_UPDATE);
    }
    return;
  }
}

static void VIEW_vRefreshDisplay(void);

static void VIEW_vRestartStopwatch(void) { s_u64LastFrameMs = L_CLOCK_qwGetTimeInMillis(); }

// SEMA_VIEW_UPDATE: an expedited frame now; otherwise a frame now when the
// last one is 100 ms old, else once it will be.
static void VIEW_vHandleUpdateRequest(void) {
  int state = EXPEDITE_REQUESTED;
  if (s_eExpeditedViewUpdateState.compare_exchange_strong(state, EXPEDITE_DRAWING)) {
    VIEW_vRestartStopwatch();
    L_TIMER_Stop(s_pRefreshTimer);
    s_windowSpec.bExpedited = TRUE;
    VIEW_vRefreshDisplay();
    s_windowSpec.bExpedited = FALSE;
    state = EXPEDITE_DRAWING;
    if (s_eExpeditedViewUpdateState.compare_exchange_strong(state, EXPEDITE_IDLE)) VIEW_vSetPriority(s_priorityNormal);
    return;
  }
  if (L_TIMER_GetRemaining(s_pRefreshTimer) > 0) return;
  const U64 u64Elapsed = L_CLOCK_qwGetTimeInMillis() - s_u64LastFrameMs;
  if (u64Elapsed < VIEW_FRAME_PERIOD_MS) {
    s_bRefreshDue = L_TIMER_Start(s_pRefreshTimer, VIEW_FRAME_PERIOD_MS - (U32)u64Elapsed, 0,
                                  SEMA_TIMER_VIEW_UPDATE) != nullptr;
    return;
  }
  VIEW_vRestartStopwatch();
  VIEW_vRefreshDisplay();
}

// SEMA_TIMER_VIEW_UPDATE: the frame that was due. A request that came while
// the timer ran is served by this frame, unless it was an expedited one: its
// signal stays, or the request would wait for the next ordinary one. An
// expiry whose frame a request drew meanwhile (the timer ran out just as the
// request found it idle) draws nothing: two frames would follow each other.
static void VIEW_vHandleRefreshTimer(void) {
  if (!s_bRefreshDue) return;
  // Taken back first and given again if an expedited request stands: taking
  // it back after looking could swallow a request made in between, and with
  // it every later one, which find the state already requested.
  L_SEMA_SetPending(SEMA_VIEW_UPDATE);
  if (s_eExpeditedViewUpdateState == EXPEDITE_REQUESTED) L_SEMA_Signal(SEMA_VIEW_UPDATE);
  VIEW_vRestartStopwatch();
  VIEW_vRefreshDisplay();
}

// ---------------------------------------------------------------------------
// Frame composition

// The shown main node of a view, null when there is none.
static LAYER_ITEM* VIEW_pShownView(LAYER_ID layer) {
  for (LAYER_ITEM* p = s_playerHeadPointer; p != nullptr && p->layer <= layer; p = p->next) {
    if (p->layer == layer && p->bCurrentDisplayMode) return p;
  }
  return nullptr;
}

// The clip box of the pane a node fills, on the page's clip box.
static void VIEW_vSetupWindow(const BITMAP* pPage, const LAYER_ITEM* p) {
  const S32 L = pPage->s32ClipLeft_full_screen, T = pPage->s32ClipTop_full_screen;
  const S32 R = pPage->s32ClipRight_full_screen, B = pPage->s32ClipBottom_full_screen;
  WINDOW_LOCATION w = {L, T, R, B};
  if (p->eSplit == SPLIT_LEFT_WINDOW || p->eSplit == SPLIT_RIGHT_WINDOW) {
    const BOOLEAN bLeft = p->eSplit == SPLIT_LEFT_WINDOW;
    if (p->bHorizontalSplit) {
      const S32 b = VIEW_s32HorizontalDivider(pPage->pixels_high_full_screen, p->s32SplitPercentage);
      if (bLeft) {
        w.s32ClipBottom = b + 3;
      } else {
        w.s32ClipTop = b - 3;
      }
    } else {
      const S32 s = VIEW_s32Divider(pPage->pixels_wide_full_screen, p->s32SplitPercentage);
      if (bLeft) {
        w.s32ClipRight = s - 3;
      } else {
        w.s32ClipLeft = s + 3;
      }
    }
  }
  s_windowSpec.drawWindowType = p->eSplit;
  s_windowSpec.drawWindow = w;
  s_windowSpec.u32User = p->user;
}


// Sets up the node's window and calls its draw function. A node without one,
// or whose pane has no pixels, is skipped (and logged once): FALSE.
static BOOLEAN VIEW_bDrawNode(BITMAP* pPage, LAYER_ITEM* p) {
  VIEW_vSetupWindow(pPage, p);
  const WINDOW_LOCATION& w = s_windowSpec.drawWindow;
  if (p->pDrawFunction == nullptr || w.s32ClipRight < w.s32ClipLeft || w.s32ClipTop < w.s32ClipBottom) {
    if (!p->bSkipReported) {
      log_me("[%d]%s: layer %d pane %d skipped: %s", __LINE__, __func__, p->layer, p->eSplit,
             p->pDrawFunction == nullptr ? "no draw function" : "no pixels");
      p->bSkipReported = TRUE;
    }
    return FALSE;
  }
  // A draw function may narrow the page's clip; the next one gets the whole page.
  G_BUFFERS_vRestoreWhole(pPage);
  p->pDrawFunction(pPage, &s_windowSpec);
  G_BUFFERS_vRestoreWhole(pPage);
  return TRUE;
}

static void VIEW_vDrawHighlightLines(BITMAP* pBitmap, S32 L, S32 T, S32 R, S32 B) {
  U_DIALOG_vOutline(pBitmap, VIEW_COLOR_HIGHLIGHT, L, B, R + 1 - L, T + 1 - B);
  U_DIALOG_vOutline(pBitmap, VIEW_COLOR_HIGHLIGHT, L + 1, B + 1, R - 1 - L, T - 1 - B);
  for (S32 i = 0; i < 5; i++) {
    U_DIALOG_vOutline(pBitmap, VIEW_COLOR_HIGHLIGHT_BAND, L + 2 + i, B + 2 + i, R - 3 - L - 2 * i, T - 3 - B - 2 * i);
  }
  U_DIALOG_vOutline(pBitmap, VIEW_COLOR_HIGHLIGHT, L + 6, B + 7, R - 11 - L, T - 12 - B);
  U_DIALOG_vOutline(pBitmap, VIEW_COLOR_HIGHLIGHT, L + 7, B + 8, R - 13 - L, T - 14 - B);
  U_DIALOG_vLine(pBitmap, VIEW_COLOR_HIGHLIGHT_SHADE, L + 1, B, R + 1, B);
  U_DIALOG_vLine(pBitmap, VIEW_COLOR_HIGHLIGHT_SHADE, L + 2, B + 1, R + 1, B + 1);
  U_DIALOG_vLine(pBitmap, VIEW_COLOR_HIGHLIGHT_SHADE, R, T - 1, R, B);
  U_DIALOG_vLine(pBitmap, VIEW_COLOR_HIGHLIGHT_SHADE, R - 1, T - 2, R - 1, B);
  U_DIALOG_vLine(pBitmap, VIEW_COLOR_HIGHLIGHT_SHADE, L + 5, B + 7, L + 5, T - 6);
  U_DIALOG_vLine(pBitmap, VIEW_COLOR_HIGHLIGHT_SHADE, L + 6, B + 8, L + 6, T - 6);
  U_DIALOG_vLine(pBitmap, VIEW_COLOR_HIGHLIGHT_SHADE, L + 5, T - 6, R - 6, T - 6);
  U_DIALOG_vLine(pBitmap, VIEW_COLOR_HIGHLIGHT_SHADE, L + 5, T - 7, R - 7, T - 7);
  U_DIALOG_vOutline(pBitmap, VIEW_COLOR_BLACK, L + 7, B + 9, R - 14 - L, T - 16 - B);
}

// The highlight is the same in every pane row but a few near its top and
// bottom, and drawn line by line it walks a dozen columns down the whole
// pane. So it is drawn once into a strip (its bottom rows, one middle row,
// its top rows), the pixels the lines cover found by drawing over two
// backgrounds, and each pane row takes the covered runs of its strip row.
constexpr S32 VIEW_STRIP_EDGE = 24;  // rows at either end, beyond the deepest line's reach
constexpr S32 VIEW_STRIP_ROWS = 2 * VIEW_STRIP_EDGE + 1;
constexpr U32 VIEW_STRIP_RUNS = 8;
constexpr U32 VIEW_STRIP_KEYS = 4;

typedef struct tag_VIEW_RUN {
  U16 u16Left;
  U16 u16Count;
} VIEW_RUN;

typedef struct tag_VIEW_STRIP {
  S32 s32Width;  // 0 until drawn
  COLOR acolKey[VIEW_STRIP_KEYS];  // the colours it was drawn in
  BOOLEAN bUsable;  // FALSE: too intricate for runs, drawn line by line
  COLOR acol[VIEW_STRIP_ROWS][G_SCREEN_WIDTH];  // row 0 the bottom
  U32 au32Runs[VIEW_STRIP_ROWS];
  VIEW_RUN asRuns[VIEW_STRIP_ROWS][VIEW_STRIP_RUNS];
} VIEW_STRIP;

static VIEW_STRIP s_sStrip;
static std::mutex s_stripLock;  // a test or benchmark may compose beside the task
// Bitmaps round their rows up to an even count.
alignas(32) static U32 s_au32StripPixels[G_SCREEN_WIDTH * (VIEW_STRIP_ROWS + 1) / 2];

static void VIEW_vStripKeys(COLOR* pcolKeys) {
  static const U32 s_au32Entries[VIEW_STRIP_KEYS] = {VIEW_COLOR_HIGHLIGHT, VIEW_COLOR_HIGHLIGHT_BAND,
                                                     VIEW_COLOR_HIGHLIGHT_SHADE, VIEW_COLOR_BLACK};
  for (U32 i = 0; i < VIEW_STRIP_KEYS; i++) pcolKeys[i] = COLOR_colEntry(s_au32Entries[i]);
}

// The covered runs of strip row y of the two drawings; FALSE when there are
// too many to keep.
static BOOLEAN VIEW_bStripRuns(const BITMAP* pOnWhite, S32 y) {
  const COLOR* pcolWhite = (const COLOR*)pOnWhite->pBuffer + (VIEW_STRIP_ROWS - 1 - y) * pOnWhite->__u32PixelWidthOfBuffer;
  U32& runs = s_sStrip.au32Runs[y];
  runs = 0;
  for (S32 x = 0; x < s_sStrip.s32Width;) {
    if (pcolWhite[x] != s_sStrip.acol[y][x]) {
      x++;
      continue;
    }
    S32 end = x + 1;
    while (end < s_sStrip.s32Width && pcolWhite[end] == s_sStrip.acol[y][end]) end++;
    if (runs == VIEW_STRIP_RUNS) return FALSE;
    s_sStrip.asRuns[y][runs++] = {(U16)x, (U16)(end - x)};
    x = end;
  }
  return TRUE;
}

static BOOLEAN VIEW_bSameStripRows(S32 a, S32 b) {
  if (s_sStrip.au32Runs[a] != s_sStrip.au32Runs[b]) return FALSE;
  for (U32 i = 0; i < s_sStrip.au32Runs[a]; i++) {
    const VIEW_RUN& r = s_sStrip.asRuns[a][i];
    if (r.u16Left != s_sStrip.asRuns[b][i].u16Left || r.u16Count != s_sStrip.asRuns[b][i].u16Count ||
        memcmp(&s_sStrip.acol[a][r.u16Left], &s_sStrip.acol[b][r.u16Left], r.u16Count * sizeof(COLOR)) != 0) {
      return FALSE;
    }
  }
  return TRUE;
}

static void VIEW_vMakeStrip(S32 s32Width, const COLOR* pcolKeys) {
  s_sStrip.s32Width = s32Width;
  memcpy(s_sStrip.acolKey, pcolKeys, sizeof s_sStrip.acolKey);
  BITMAP strip;
  G_BUFFERS_pCreateBitmap((U32)s32Width, VIEW_STRIP_ROWS, &strip, s_au32StripPixels);
  G_BMP_vSet(&strip, 0x0000);
  VIEW_vDrawHighlightLines(&strip, 0, VIEW_STRIP_ROWS - 1, s32Width - 1, 0);
  for (S32 y = 0; y < VIEW_STRIP_ROWS; y++) {
    memcpy(s_sStrip.acol[y], (const COLOR*)strip.pBuffer + (VIEW_STRIP_ROWS - 1 - y) * strip.__u32PixelWidthOfBuffer,
           (size_t)s32Width * sizeof(COLOR));
  }
  G_BMP_vSet(&strip, 0xFFFF);
  VIEW_vDrawHighlightLines(&strip, 0, VIEW_STRIP_ROWS - 1, s32Width - 1, 0);
  s_sStrip.bUsable = TRUE;
  for (S32 y = 0; y < VIEW_STRIP_ROWS && s_sStrip.bUsable; y++) s_sStrip.bUsable = VIEW_bStripRuns(&strip, y);
  // The middle row stands for every row between the ends only if the lines
  // really are straight down there.
  s_sStrip.bUsable = s_sStrip.bUsable && VIEW_bSameStripRows(VIEW_STRIP_EDGE - 1, VIEW_STRIP_EDGE) &&
                     VIEW_bSameStripRows(VIEW_STRIP_EDGE + 1, VIEW_STRIP_EDGE);
}

// A run of the highlight is a few pixels down the sides: moved in place in
// 8-pixel pieces, the last one overlapping, rather than by a call per run.
static inline void VIEW_vCopyRun(COLOR* pcolTo, const COLOR* pcolFrom, U32 u32Count) {
  if (u32Count > 32) {
    memcpy(pcolTo, pcolFrom, u32Count * sizeof(COLOR));
  } else if (u32Count >= 8) {
    for (U32 i = 0; i + 8 < u32Count; i += 8) __builtin_memcpy(pcolTo + i, pcolFrom + i, 8 * sizeof(COLOR));
    __builtin_memcpy(pcolTo + u32Count - 8, pcolFrom + u32Count - 8, 8 * sizeof(COLOR));
  } else {
    for (U32 i = 0; i < u32Count; i++) pcolTo[i] = pcolFrom[i];
  }
}

// Pane row y takes strip row: its distance from the bottom near the bottom,
// the strip's top rows near the top, and the middle row between.
static void VIEW_vPutStrip(BITMAP* pBitmap, S32 L, S32 T, S32 B) {
  for (S32 y = B; y <= T; y++) {
    const S32 s = y - B < VIEW_STRIP_EDGE ? y - B : T - y < VIEW_STRIP_EDGE ? VIEW_STRIP_ROWS - 1 - (T - y) : VIEW_STRIP_EDGE;
    COLOR* row = (COLOR*)pBitmap->pBuffer + (pBitmap->pixels_high_full_screen - 1 - y) * pBitmap->__u32PixelWidthOfBuffer + L;
    for (U32 i = 0; i < s_sStrip.au32Runs[s]; i++) {
      const VIEW_RUN& r = s_sStrip.asRuns[s][i];
      VIEW_vCopyRun(row + r.u16Left, &s_sStrip.acol[s][r.u16Left], r.u16Count);
    }
  }
}

void T_VIEW_vDrawPaneHighlight(BITMAP* pBitmap, const WINDOW_SPECIFICATION* psWindowSpec) {
  if (pBitmap == nullptr || psWindowSpec == nullptr) return;
  const S32 L = psWindowSpec->drawWindow.s32ClipLeft, T = psWindowSpec->drawWindow.s32ClipTop;
  const S32 R = psWindowSpec->drawWindow.s32ClipRight, B = psWindowSpec->drawWindow.s32ClipBottom;
  const S32 width = R + 1 - L;
  // The strip stands in only where nothing of the highlight is clipped.
  const BOOLEAN bInside = L >= pBitmap->s32ClipLeft && R <= pBitmap->s32ClipRight && B >= pBitmap->s32ClipBottom &&
                          T <= pBitmap->s32ClipTop && width <= (S32)G_SCREEN_WIDTH;
  if (!bInside || T + 1 - B < VIEW_STRIP_ROWS || width <= 0) {
    VIEW_vDrawHighlightLines(pBitmap, L, T, R, B);
    return;
  }
  COLOR acolKeys[VIEW_STRIP_KEYS];
  VIEW_vStripKeys(acolKeys);
  std::lock_guard<std::mutex> guard(s_stripLock);
  if (s_sStrip.s32Width != width || memcmp(s_sStrip.acolKey, acolKeys, sizeof acolKeys) != 0) {
    VIEW_vMakeStrip(width, acolKeys);
  }
  if (s_sStrip.bUsable) {
    VIEW_vPutStrip(pBitmap, L, T, B);
  } else {
    VIEW_vDrawHighlightLines(pBitmap, L, T, R, B);
  }
}

void T_VIEW_vDrawArrow(BITMAP* pBitmap, SPLIT_WINDOW_TYPE eSplit, const POINT* pPoint) {
  if (pBitmap == nullptr || pPoint == nullptr) return;
  POINT at = *pPoint;
  if (eSplit == SPLIT_LEFT_WINDOW || eSplit == SPLIT_FULL_WINDOW) {
    at.x -= active_pane_icon.nWidth;
  } else if (eSplit != SPLIT_RIGHT_WINDOW) {
    return;
  }
  G_ICON_vPut(pBitmap, &active_pane_icon, &at);
}

// The keys asked are flags and numbers both: their words are compared.
static BOOLEAN VIEW_bKeyNonZero(FOURCHARID key) {
  DB_DATA_TYPE value = {};
  BOOLEAN bValid = FALSE;
  return H_DATABASE_bFetch(key, &value, &bValid, nullptr) && bValid && value.u32Val != 0;
}

// The mark of the active pane near the top of its window, in its right-hand
// corner below the range scale's first mark (a left pane's is next to the
// divider); lower where the view puts its own things at the top. A right
// pane's left-hand corner holds the pane's depth and frequency.
BOOLEAN T_VIEW_bActivePaneIconAt(const WINDOW_SPECIFICATION* psWindowSpec, POINT* pAt) {
  if (psWindowSpec == nullptr || pAt == nullptr) return FALSE;
  const WINDOW_LOCATION& w = psWindowSpec->drawWindow;
  const LAYER_ID view = psWindowSpec->currentLayer;
  S32 y = w.s32ClipTop - 66;
  if (view == SONAR_2D_PLUS_FLASHER_ICE_PRIORITY || view == SONAR_2D_ZOOM_PLUS_FLASHER_ICE_PRIORITY ||
      view == CHART_PLUS_FLASHER_ICE_VIEW_PRIORITY) {
    y = w.s32ClipTop - 90;
  }
  if (U_VIEW_bIsInstrumentView(view)) {
    y -= 81;
    if (VIEW_bKeyNonZero(FCID("ICAC"))) y -= 56;
  }
  if (psWindowSpec->activeWindow != SPLIT_LEFT_WINDOW && psWindowSpec->activeWindow != SPLIT_RIGHT_WINDOW) {
    return FALSE;
  }
  *pAt = {w.s32ClipRight - 14 - active_pane_icon.nWidth, y};
  return TRUE;
}

static void VIEW_vDrawActivePaneIcon(BITMAP* pPage) {
  POINT at;
  if (T_VIEW_bActivePaneIconAt(&s_windowSpec, &at)) G_ICON_vPut(pPage, &active_pane_icon, &at);
}

// The decoration of a split pane just drawn: while an express menu of a
// view is open the other pane is dimmed and this one framed; the active pane
// always carries its mark.
static void VIEW_vDecoratePane(BITMAP* pPage, BOOLEAN bExpressMenu) {
  const BOOLEAN bActive = s_windowSpec.drawWindowType == s_windowSpec.activeWindow;
  const WINDOW_LOCATION& w = s_windowSpec.drawWindow;
  if (bExpressMenu && !bActive) {
    POINT at = {w.s32ClipLeft, w.s32ClipBottom};
    G_BOX_vDrawFilledAlpha(pPage, COLOR_colEntry(VIEW_COLOR_DIVIDER), &at, (U32)(w.s32ClipRight + 1 - w.s32ClipLeft),
                           (U32)(w.s32ClipTop + 1 - w.s32ClipBottom), VIEW_DIM_ALPHA);
  }
  if (!bActive) return;
  if (bExpressMenu) T_VIEW_vDrawPaneHighlight(pPage, &s_windowSpec);
  VIEW_vDrawActivePaneIcon(pPage);
}

// Five lines between the panes: light edges round a dark middle.
static void VIEW_vDrawDivider(BITMAP* pPage, const LAYER_ITEM* pMain) {
  static const U32 s_au32Colors[5] = {VIEW_COLOR_DIVIDER_EDGE, VIEW_COLOR_DIVIDER, VIEW_COLOR_DIVIDER,
                                      VIEW_COLOR_DIVIDER, VIEW_COLOR_DIVIDER_EDGE};
  const S32 T = pPage->s32ClipTop_full_screen, R = pPage->s32ClipRight_full_screen;
  const S32 B = pPage->s32ClipBottom_full_screen;
  for (S32 i = 0; i < 5; i++) {
    if (pMain->bHorizontalSplit) {
      const S32 y = VIEW_s32HorizontalDivider(pPage->pixels_high_full_screen, pMain->s32SplitPercentage) - 2 + i;
      U_DIALOG_vLine(pPage, s_au32Colors[i], (S32)U_VIEW_u32XOrigin(), y, R, y);
    } else {
      const S32 x = VIEW_s32Divider(pPage->pixels_wide_full_screen, pMain->s32SplitPercentage) - 2 + i;
      U_DIALOG_vLine(pPage, s_au32Colors[i], x, B, x, T);
    }
  }
}

// The view's panes, each decorated, and a split view's divider.
static void VIEW_vDrawView(BITMAP* pPage, LAYER_ITEM* pView) {
  U32 u32Menu = 0;
  H_DATABASE_bFetchU32(FCID("CMNU"), &u32Menu, nullptr, nullptr);
  const U32 u32HotView = T_MENU_u32GetHotMenuView();
  const BOOLEAN bExpressMenu = u32Menu == EXPRESS_MENU && u32HotView != (U32)VIRTUAL_DISPLAY_VIEW_LAYER;
  for (LAYER_ITEM* pPane = pView; pPane != nullptr && !s_bViewUpdateCancelled; pPane = pPane->pSplit) {
    if (!VIEW_bDrawNode(pPage, pPane) || pPane->eSplit == SPLIT_FULL_WINDOW) continue;
    VIEW_vDecoratePane(pPage, bExpressMenu);
  }
  if (pView->eSplit != SPLIT_FULL_WINDOW) VIEW_vDrawDivider(pPage, pView);
}

static void VIEW_vComposeLayers(BITMAP* pPage) {
  s_windowSpec.currentLayer = T_VIEW_eCurrentLayer();
  s_windowSpec.activeWindow = (SPLIT_WINDOW_TYPE)s_activeWindow.load();
  LAYER_ITEM* pView = s_windowSpec.currentLayer == NO_VIEW_PRIORITY ? nullptr : VIEW_pShownView(s_windowSpec.currentLayer);
  // The view to show moves on once CVEW's notice is handled; this frame has none.
  if (pView == nullptr) T_VIEW_vSetNextBackgroundLayer();
  LAYER_ITEM* pLater = s_playerHeadPointer;
  if (pView == nullptr) {
    POINT origin = {0, 0};
    G_BOX_vDrawFilled(pPage, COLOR_colEntry(VIEW_COLOR_BACKGROUND), &origin, (U32)pPage->pixels_wide_full_screen,
                      (U32)pPage->pixels_high_full_screen);
  } else {
    VIEW_vDrawView(pPage, pView);
    pLater = pView->next;
  }
  if (s_windowSpec.currentLayer == STARTUP_CHART_DISCLAIMER) return;
  for (LAYER_ITEM* p = pLater; p != nullptr && !s_bViewUpdateCancelled; p = p->next) {
    if (p->where_used == s_windowSpec.currentLayer || p->where_used == USED_BY_ALL) VIEW_bDrawNode(pPage, p);
  }
}

// A language switch while the layers draw waits for the next frame: every
// text of this one is picked and read in one language.
void T_VIEW_vComposeFrame(BITMAP* pPage) {
  U_LANGUAGE_vHold();
  U_VIEWAREA_vFrameBegins();
  VIEW_vComposeLayers(pPage);
  U_LANGUAGE_vRelease();
  // A window that came (or went) over a readout drawn in this frame: the
  // frame would show the readout cut (or missing), so the next one is drawn
  // in its place.
  if (U_VIEWAREA_bFrameEnds()) {
    s_bViewUpdateCancelled = TRUE;
    L_SEMA_Signal(SEMA_VIEW_UPDATE);
  }
}

// One frame into a free page, shown unless a view change or an expedited
// request dropped it meanwhile.
static void VIEW_vRefreshDisplay(void) {
  s_bRefreshDue = FALSE;
  s_s32RefreshesSinceLastRequest++;
  const U32 u32Frame = ++s_u32FramesBegun;
  U32* pu32Page = H_DISPLAY_pu32GetDisplayBuffer();
  if (pu32Page == nullptr) return;
  BITMAP page;
  G_BUFFERS_pCreateBitmap(G_SCREEN_WIDTH, G_SCREEN_HEIGHT, &page, pu32Page);
  s_bViewChanged = FALSE;
  s_bViewUpdateCancelled = FALSE;
  T_VIEW_vComposeFrame(&page);
  if (s_bViewUpdateCancelled) {
    H_DISPLAY_vFreeDisplayBuffer(pu32Page);
    return;
  }
  H_DISPLAY_vDisplayBitmap(&page);
  s_u32LastFrameShown = u32Frame;
}

// ---------------------------------------------------------------------------
// The notice over simulated views

// Below a pane's depth and frequency, above the flasher's depth and the
// demonstration's exit box.
constexpr S32 VIEW_NOTE_BOTTOM = 330;
// The diagnostic pages list their rows from the top down: below the rows.
constexpr S32 VIEW_NOTE_BOTTOM_PAGE = 60;

static BOOLEAN VIEW_bNoticeState(U32 u32State) {
  return u32State == STATE_SIMULATION || u32State == STATE_POINT_OF_SALE || u32State == STATE_PLAYBACK;
}

void T_VIEW_vDrawSimMessage(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER) {
  BOOLEAN bDemoScreen = FALSE;
  H_DATABASE_bFetchBoolean(FCID("CDSM"), &bDemoScreen, nullptr, nullptr);
  if (bDemoScreen || !s_bDisplaySimMessage) return;
  const LAYER_ITEM* pView = VIEW_pShownView(T_VIEW_eCurrentLayer());
  if (pView == nullptr) return;
  const char* const* pTable = s_state == STATE_SIMULATION      ? pView->pSimString
                              : s_state == STATE_POINT_OF_SALE ? pView->pPOSString
                                                               : nullptr;
  if (pTable == nullptr || pTable[nCurrentLanguage()] == nullptr) return;
  // A short note in the middle rather than a bar across the bottom: the
  // views keep their readouts along their edges.
  const BOOLEAN bPage = pView->layer >= DIAGNOSTIC_1 && pView->layer <= DIAGNOSTIC_ACCESSORY_CATALOG;
  U_DIALOG_vDrawNote(pBitmap, pTable[nCurrentLanguage()], U_DIALOG_pChoiceFont(),
                     bPage ? VIEW_NOTE_BOTTOM_PAGE : VIEW_NOTE_BOTTOM);
}

static void VIEW_vShowSimNotice(void) {
  s_pSimMsgTimer = L_TIMER_Start(s_pSimMsgTimer, 1000, 1000, SEMA_TIMER_SIM_MSG);
  s_u32SimMsgTicks = 0;
  U_VIEW_bRegisterLayer(T_VIEW_vDrawSimMessage, SIMULATION_MESSAGE_LAYER, USED_BY_ALL, 0, 0, TRUE, nullptr, nullptr,
                        nullptr);
  s_bDisplaySimMessage = TRUE;
  L_SEMA_Signal(SEMA_VIEW_UPDATE);
}

static void VIEW_vHideSimNotice(void) {
  if (s_pSimMsgTimer != nullptr) L_TIMER_Stop(s_pSimMsgTimer);
  U_VIEW_bUnRegisterLayer(SIMULATION_MESSAGE_LAYER);
  s_bDisplaySimMessage = FALSE;
  L_SEMA_Signal(SEMA_VIEW_UPDATE);
}

static void VIEW_vHandleSimTick(void) {
  s_u32SimMsgTicks++;
  const U32 u32Phase = s_bDisplaySimMessage ? VIEW_SIM_SHOWN_TICKS : VIEW_SIM_HIDDEN_TICKS;
  if (s_u32SimMsgTicks < u32Phase) return;
  s_bDisplaySimMessage = !s_bDisplaySimMessage;
  s_u32SimMsgTicks = 0;
  L_SEMA_Signal(SEMA_VIEW_UPDATE);
}

static void VIEW_vHandleStateChange(U32 u32State) {
  const BOOLEAN bWas = VIEW_bNoticeState(s_state), bIs = VIEW_bNoticeState(u32State);
  s_state = u32State;
  if (!s_bSimPlaybackMsgEnabled || bWas == bIs) return;
  if (bIs) {
    VIEW_vShowSimNotice();
  } else {
    VIEW_vHideSimNotice();
  }
}

static void VIEW_vHandleSimSetting(BOOLEAN bEnabled) {
  const BOOLEAN bWas = s_bSimPlaybackMsgEnabled;
  s_bSimPlaybackMsgEnabled = bEnabled;
  if (bWas == bEnabled || !VIEW_bNoticeState(s_state)) return;
  if (bEnabled) {
    VIEW_vShowSimNotice();
  } else {
    VIEW_vHideSimNotice();
  }
}

// The notice's setting exists only for the super user; the notice itself
// follows the system state from now on.
static void VIEW_vHandleRunSystem(void) {
  if (s_bRunSystemSeen) return;
  s_bRunSystemSeen = TRUE;
  BOOLEAN bSuperUser = FALSE;
  H_DATABASE_bFetchBoolean(FCID("SMSU"), &bSuperUser, nullptr, nullptr);
  s_bSimPlaybackMsgEnabled = TRUE;
  if (bSuperUser) {
    BOOLEAN bEnabled = TRUE;
    if (H_DATABASE_bFetchBoolean(FCID("SMSG"), &bEnabled, nullptr, nullptr)) {
      s_bSimPlaybackMsgEnabled = bEnabled;
    } else {
      H_DATABASE_bUpdateEverythingBoolean(FCID("SMSG"), TRUE, P_NORMAL, D_UNKNOWN, Simulation_Playback_Messages,
                                          DB_NEVER_STALE);
    }
    U_MENU_bRegisterMainSelectorMenu(Simulation_Playback_Messages, Setup, MENU_SIM_MSG_MODE, FCID("SMSG"), 2,
                                     U_MENU_apOffOn, U_MENU_au32OffOn, M_BASIC);
    H_DATABASE_bRegisterForDataWithConditions(FCID("SMSG"), M_VIEW, TRUE, FALSE, FALSE);
  }
  H_DATABASE_bRegisterForDataWithConditions(FCID("CCST"), M_VIEW, TRUE, FALSE, FALSE);
  U32 u32State = STATE_STARTUP;
  H_DATABASE_bFetchU32(FCID("CCST"), &u32State, nullptr, nullptr);
  s_state = u32State;
  if (VIEW_bNoticeState(s_state) && s_bSimPlaybackMsgEnabled) VIEW_vShowSimNotice();
  const U16 u16Normal = L_TASK_GetPriority(VIEWTASK);
  if (u16Normal > VIEW_PRIORITY_RAISE && u16Normal < VIEW_PRIORITY_UNKNOWN) {
    s_priorityNormal = u16Normal;
    s_priorityHigh = (U16)(u16Normal - VIEW_PRIORITY_RAISE);
  }
}

// ---------------------------------------------------------------------------
// Images from the card

// Requests the card task has not yet answered (the name block is the card
// task's from the moment it is sent).
constexpr int VIEW_LOAD_REQUESTS = 4;
static std::mutex s_loadLock;
static MSG_LOAD_BITMAP* s_apLoadRequests[VIEW_LOAD_REQUESTS];
static std::atomic<U32> s_u32LatestRequestID{0};

// A free slot for a request, after giving back the answered ones; -1 when
// every slot still waits for its answer.
static int VIEW_nFreeLoadSlot(void) {
  int free = -1;
  for (int i = 0; i < VIEW_LOAD_REQUESTS; i++) {
    MSG_LOAD_BITMAP* p = s_apLoadRequests[i];
    if (p != nullptr && L_MBOX_bIsAcknowledged(p)) {
      H_MEMORY_vFree(p);
      s_apLoadRequests[i] = p = nullptr;
    }
    if (p == nullptr && free < 0) free = i;
  }
  return free;
}

// The name with everything from the first full stop of its last path element
// replaced by ".PNG"; a dot in a directory name stays.
static char* VIEW_pcImageName(const char* sName) {
  const char* pcSlash = strrchr(sName, '/');
  const char* pcDot = strchr(pcSlash != nullptr ? pcSlash : sName, '.');
  const size_t n = pcDot != nullptr ? (size_t)(pcDot - sName) : strlen(sName);
  char* pcName = (char*)H_MEMORY_pvCalloc(1, n + sizeof ".PNG");
  memcpy(pcName, sName, n);
  memcpy(pcName + n, ".PNG", sizeof ".PNG");
  return pcName;
}

BOOLEAN T_VIEW_bRequestSnapshotImage(BITMAP** ppBitmap, const char* sName, SEMA sema) {
  if (ppBitmap == nullptr || sName == nullptr) return FALSE;
  U32* pu32Page = nullptr;
  if (*ppBitmap == nullptr) {
    pu32Page = H_DISPLAY_pu32GetDisplayBuffer();
    if (pu32Page == nullptr) return FALSE;
    *ppBitmap = G_BUFFERS_pCreateFullScreenBitmapHeader();
    (*ppBitmap)->pBuffer = pu32Page;
  }
  POINT origin = {0, 0};
  G_BOX_vDrawFilled(*ppBitmap, COLOR_colEntry(VIEW_COLOR_BACKGROUND), &origin, (U32)(*ppBitmap)->pixels_wide_full_screen,
                    (U32)(*ppBitmap)->pixels_high_full_screen);
  char* pcName = VIEW_pcImageName(sName);
  U32 u32Card = 0;
  BOOLEAN bValid = FALSE;
  BOOLEAN bSent = FALSE;
  if (H_DATABASE_bFetchU32(FCID("TMMC"), &u32Card, &bValid, nullptr) && bValid && u32Card != 0) {
    std::lock_guard<std::mutex> guard(s_loadLock);
    const int slot = VIEW_nFreeLoadSlot();
    if (slot >= 0) {
      MSG_LOAD_BITMAP* pMsg = (MSG_LOAD_BITMAP*)H_MEMORY_pvCalloc(1, sizeof(MSG_LOAD_BITMAP));
      pMsg->header.Cmd = CMD_ID_LOAD_BMP;
      pMsg->pBitmap = *ppBitmap;
      pMsg->pFileName = pcName;
      pMsg->u32RequestID = ++s_u32LatestRequestID;
      pMsg->pu32LatestRequestID = &s_u32LatestRequestID;
      bSent = L_MBOX_Send((MBOX)u32Card, pMsg, 3, sema) == 0;
      if (bSent) {
        s_apLoadRequests[slot] = pMsg;
      } else {
        H_MEMORY_vFree(pMsg);
      }
    }
  }
  if (bSent) return TRUE;
  log_me("[%d]%s: %s not requested", __LINE__, __func__, pcName);
  H_MEMORY_vFree(pcName);
  if (pu32Page != nullptr) {
    H_DISPLAY_vFreeDisplayBuffer(pu32Page);
    G_BUFFERS_vFreeFullScreenBitmapHeader(*ppBitmap);
    *ppBitmap = nullptr;
  }
  return FALSE;
}

// ---------------------------------------------------------------------------
// Message handlers

static void VIEW_vHandleNewData(const MESSAGE_NEW_DATA* pMsg) {
  switch (pMsg->FourCharId) {
    case FCID("CVEW"):
      s_currentLayer = pMsg->dbValue.s32Val;
      T_VIEW_vRequestExpeditedViewUpdate();
      break;
    case FCID("CVAS"):
      s_activeWindow = pMsg->dbValue.s32Val;
      L_SEMA_Signal(SEMA_VIEW_UPDATE);
      break;
    case FCID("SDBO"):
      s_eDataBoxOption = pMsg->dbValue.u32Val;
      break;
    case FCID("CCST"):
      VIEW_vHandleStateChange(pMsg->dbValue.u32Val);
      break;
    case FCID("SMSG"):
      VIEW_vHandleSimSetting((pMsg->dbValue.u32Val & 0xFF) != 0);
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
    case CMD_ID_RUN_SYSTEM:
      VIEW_vHandleRunSystem();
      break;
    case CMD_ID_SET_VIEW:
      T_VIEW_vSetBackgroundLayer(((const MSG_SET_VIEW*)pMsg)->layer);
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
  s_pRefreshTimer = L_TIMER_Allocate();
  if (s_pRefreshTimer == nullptr) ERROR_vFatal(__FILE_NAME__, __LINE__, "No view refresh timer");
  const SEMA events[] = {SEMA_MBOX_VIEW, SEMA_TIMER_SIM_MSG, SEMA_TIMER_VIEW_UPDATE, SEMA_VIEW_UPDATE, 0};
  for (;;) {
    switch (L_SEMA_WaitMultiple(events)) {
      case SEMA_MBOX_VIEW:
        while (GENERIC_MESSAGE* pMsg = (GENERIC_MESSAGE*)L_MBOX_Receive(M_VIEW)) VIEW_vDispatch(pMsg);
        break;
      case SEMA_VIEW_UPDATE:
        VIEW_vHandleUpdateRequest();
        break;
      case SEMA_TIMER_VIEW_UPDATE:
        VIEW_vHandleRefreshTimer();
        break;
      case SEMA_TIMER_SIM_MSG:
        VIEW_vHandleSimTick();
        break;
      default:
        break;
    }
  }
}
