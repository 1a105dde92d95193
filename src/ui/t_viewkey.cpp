// The view-key task owns VIEW and EXIT while nothing above the views has
// taken them: a short press of VIEW shows the next view, holding it a second
// opens the views-selection menu, EXIT goes back a view. It also brings the
// saved view back at start and keeps the current one at shutdown. It changes
// the view only through CVEW; the view task follows that key.

#include "t_viewkey.h"

#include <sys/syscall.h>
#include <unistd.h>

#include "error.h"
#include "gui.h"
#include "h_database.h"
#include "h_memory.h"
#include "linuxsvc.h"
#include "t_startup.h"
#include "t_view.h"
#include "u_keyboard.h"
#include "u_menu.h"

// ---------------------------------------------------------------------------
// State

static KEY_STATE s_eViewKeyState = KEY_UP;
static TIMER_INFO* s_pQuickViewMenuTimer = nullptr;
static BOOLEAN s_bKeysRunSystemSeen = FALSE;

constexpr U32 VIEWKEY_HOLD_MS = 1000;
constexpr U32 VIEWKEY_KEYS = HKEY_MASK_VIEW | HKEY_MASK_EXIT;
// The keyboard task publishes its mailbox moments after this task starts;
// without a keyboard task at all the keys are given up after two seconds.
constexpr int VIEWKEY_REGISTER_TRIES = 2000;

// ---------------------------------------------------------------------------
// The views

static void VIEWKEY_vWriteView(LAYER_ID view) {
  log_me("[%d]%s: update CVEW to %d", __LINE__, __func__, view);
  H_DATABASE_bUpdateValueS32(FCID("CVEW"), view, P_NORMAL);
}

// The current view; the view task makes CVEW before anything can ask, so
// without it the start order is broken.
static LAYER_ID VIEWKEY_eCurrentView(void) {
  S32 view = 0;
  BOOLEAN bValid = FALSE;
  if (!H_DATABASE_bFetchS32(FCID("CVEW"), &view, &bValid, nullptr)) {
    ERROR_vFatal(__FILE_NAME__, __LINE__, "T_VIEW, no CVEW item");
  }
  if (!bValid) ERROR_vFatal(__FILE_NAME__, __LINE__, "T_VIEW, CVEW invalid");
  return (LAYER_ID)view;
}

// The shown base view before the current one; from the first, the last.
static LAYER_ID VIEWKEY_ePreviousView(LAYER_ID current) {
  L_MUTEX_LockWait(RES_VIEW_LIST);
  const LAYER_ITEM* pBefore = nullptr;
  const LAYER_ITEM* p = T_VIEW_psFirstLayer();
  for (; p != nullptr && p->layer != current; p = p->next) {
    if (T_VIEW_bInViewCycle(p)) pBefore = p;
  }
  if (pBefore == nullptr || p == nullptr) {
    pBefore = nullptr;
    for (p = T_VIEW_psFirstLayer(); p != nullptr; p = p->next) {
      if (T_VIEW_bInViewCycle(p)) pBefore = p;
    }
  }
  const LAYER_ID previous = pBefore != nullptr ? pBefore->layer : NO_VIEW_PRIORITY;
  L_MUTEX_Unlock(RES_VIEW_LIST);
  return previous;
}

// ---------------------------------------------------------------------------
// Message handlers

static void VIEWKEY_vHandleViewKey(KEY_STATE state) {
  if (state == KEY_DOWN) {
    L_TIMER_Start(s_pQuickViewMenuTimer, VIEWKEY_HOLD_MS, 0, SEMA_TIMER_QUICK_VIEW);
    s_eViewKeyState = KEY_DOWN;
  } else if (state == KEY_UP) {
    L_TIMER_Stop(s_pQuickViewMenuTimer);
    s_eViewKeyState = KEY_UP;
    T_VIEW_vSetNextBackgroundLayer();
    T_VIEW_vMarkViewChanged();
    L_SEMA_Signal(SEMA_KEYCLICK_GOOD);
  }
}

static void VIEWKEY_vHandleKeyChange(const MSG_KEY_CHANGE* pMsg) {
  if (pMsg->key == HKEY_MASK_VIEW) {
    VIEWKEY_vHandleViewKey(pMsg->state);
  } else if (pMsg->key == HKEY_MASK_EXIT && pMsg->state == KEY_DOWN) {
    VIEWKEY_vWriteView(VIEWKEY_ePreviousView(VIEWKEY_eCurrentView()));
    T_VIEW_vMarkViewChanged();
    L_SEMA_Signal(SEMA_KEYCLICK_GOOD);
  } else if (pMsg->state != KEY_UP) {
    L_SEMA_Signal(SEMA_KEYCLICK_BAD);
  }
}

// VIEW held a second: the views-selection menu, built afresh from the views
// there are now. In the shop demonstration only while key clicks are on.
static void VIEWKEY_vHandleHold(void) {
  U32 u32State = 0;
  BOOLEAN bClicks = FALSE;
  H_DATABASE_bFetchU32(FCID("CCST"), &u32State, nullptr, nullptr);
  H_DATABASE_bFetchBoolean(FCID("CKCK"), &bClicks, nullptr, nullptr);
  if (s_eViewKeyState == KEY_DOWN && (u32State != STATE_POINT_OF_SALE || bClicks)) {
    L_SEMA_Signal(SEMA_KEYCLICK_GOOD);
    GUI_vUnRegisterSelectViewMenu();
    GUI_vRegisterSelectViewMenu();
    U_MENU_vActivateSpecifiedHotMenu((U32)VIRTUAL_DISPLAY_VIEW_LAYER);
  }
  L_TIMER_Stop(s_pQuickViewMenuTimer);
}

// The first view: the one saved at the last shutdown, the 2D sonar view in
// the shop demonstration; the factory test and diagnostics choose their own.
static void VIEWKEY_vHandleRunSystem(void) {
  if (s_bKeysRunSystemSeen) return;
  s_bKeysRunSystemSeen = TRUE;
  U32 u32State = 0;
  if (!H_DATABASE_bFetchU32(FCID("CCST"), &u32State, nullptr, nullptr)) {
    VIEWKEY_vWriteView(SONAR_VIEW_PRIORITY);
  } else if (u32State == STATE_POINT_OF_SALE) {
    VIEWKEY_vWriteView(SONAR_VIEW_PRIORITY);
  } else if (u32State != STATE_INLINE_TEST && u32State != STATE_DIAGNOSTIC && u32State != STATE_PC_CONNECT) {
    // A PC that took the line as the system came up keeps its connect page.
    S32 saved = SONAR_VIEW_PRIORITY;
    H_DATABASE_bFetchS32(FCID("SVEW"), &saved, nullptr, nullptr);
    VIEWKEY_vWriteView((LAYER_ID)saved);
  }
  for (int i = 0; i < VIEWKEY_REGISTER_TRIES; i++) {
    if (U_KEYBOARD_bRegisterKeys(M_VIEWKEY, VIEWKEY_KEYS, KEY_CHANGE, FALSE, FALSE, NOT_CURSOR_KEY,
                                 REGISTER_EXCLUSIVE)) {
      return;
    }
    L_CLOCK_Sleep(1);
  }
  log_me("[%d]%s: no keyboard task, VIEW and EXIT not taken", __LINE__, __func__);
}

// The view is kept only from the states a user chose it in.
static void VIEWKEY_vSaveView(void) {
  U32 u32State = 0;
  if (!H_DATABASE_bFetchU32(FCID("CCST"), &u32State, nullptr, nullptr)) return;
  if (u32State != STATE_NORMAL_RUN && u32State != STATE_PLAYBACK && u32State != STATE_SIMULATION) return;
  const LAYER_ID view = VIEWKEY_eCurrentView();
  if (view != NO_VIEW_PRIORITY) {
    H_DATABASE_bUpdateEverythingS32(FCID("SVEW"), view, P_NORMAL, D_SIGNED32, nullptr, DB_NEVER_STALE);
  }
}

// A reset while the unit is still starting (a new unit's first start) leaves
// the splash on: the first view is chosen when the system runs. Connect mode
// keeps its page until it ends.
static void VIEWKEY_vHandleResetPos(void) {
  U32 u32State = 0;
  if (H_DATABASE_bFetchU32(FCID("CCST"), &u32State, nullptr, nullptr) &&
      (u32State == STATE_INLINE_TEST || u32State == STATE_STARTUP || u32State == STATE_PC_CONNECT)) {
    return;
  }
  VIEWKEY_vWriteView(SONAR_VIEW_PRIORITY);
}

static void VIEWKEY_vDispatch(GENERIC_MESSAGE* pMsg) {
  switch (pMsg->Cmd) {
    case CMD_ID_SHUTDOWN:
      VIEWKEY_vSaveView();
      break;
    case CMD_ID_RESET_POS:
      VIEWKEY_vHandleResetPos();
      break;
    case CMD_ID_KEY_CHANGE:
      VIEWKEY_vHandleKeyChange((const MSG_KEY_CHANGE*)pMsg);
      break;
    case CMD_ID_RUN_SYSTEM:
      VIEWKEY_vHandleRunSystem();
      break;
    default:
      break;
  }
  H_MEMORY_vDumpMail(pMsg);
}

// ---------------------------------------------------------------------------
// The task

void T_VIEWKEY_vMain(void) {
  log_me("[%d]%s: LWP ID %ld", __LINE__, __func__, (long)syscall(SYS_gettid));
  s_pQuickViewMenuTimer = L_TIMER_Allocate();
  if (s_pQuickViewMenuTimer == nullptr) ERROR_vFatal(__FILE_NAME__, __LINE__, "No view key timer");
  if (H_DATABASE_bUpdateEverythingU32(FCID("TVKY"), (U32)M_VIEWKEY, P_NORMAL, D_MAILBOX, nullptr, DB_NEVER_STALE)) {
    ERROR_vFatal(__FILE_NAME__, __LINE__, "Somebody else registered the View Key Task Maibox");
  }
  const SEMA events[] = {SEMA_MBOX_VIEWKEY, SEMA_TIMER_QUICK_VIEW, 0};
  for (;;) {
    const S32 event = L_SEMA_WaitMultiple(events);
    if (event == SEMA_MBOX_VIEWKEY) {
      while (GENERIC_MESSAGE* pMsg = (GENERIC_MESSAGE*)L_MBOX_Receive(M_VIEWKEY)) VIEWKEY_vDispatch(pMsg);
    } else if (event == SEMA_TIMER_QUICK_VIEW) {
      VIEWKEY_vHandleHold();
    }
  }
}
