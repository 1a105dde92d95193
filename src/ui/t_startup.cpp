// The start-up task. Until the user interface is built here it does the part
// the rest of the unit depends on: it sets the fonts up, starts the early
// tasks in their order, waits for the NVR task's store, checks the stored
// software version, settles the system state on a normal run, reports itself
// initialised, tells every task the system runs, and runs the two-second
// sweep that makes stale live values invalid.

#include "t_startup.h"

#include "error.h"
#include "g_truetype.h"
#include "h_database.h"
#include "h_memory.h"
#include "linuxsvc.h"
#include "u_taskstub.h"
#include "version.h"

volatile U8 bStartupTaskInitialized;

// The tasks this task starts, in their order: display, view, analogue
// inputs, view key, NVR, keyboard, menu.
static const TASK s_aEarlyTasks[] = {DISPTASK, VIEWTASK, ADCTASK, VIEWKEYTASK, NVRTASK, KBDTASK, MENUTASK};

// The mailboxes told that the system runs, in the order they are told.
static const MBOX s_aRunSystemMailboxes[25] = {
    M_DISPLAY, M_KEYB,  M_MENU,  M_NVRAM,   M_VIEWKEY,  M_VIEW,        M_COM1A,   M_INLINETEST, M_TONE,
    M_INFO,    M_ACCESSORY, M_SPEED, M_CHART, M_NAV,    M_NMEA,        M_ALARM,   M_PCCOM,      M_WTEMP,
    M_BATTERY, M_PING,  M_PROCESS, M_HISTORY, M_SYSTIME_EDIT, M_MESSAGEBOX, M_BT_REMOTE,
};

constexpr U32 STARTUP_SWEEP_MS = 2000;
constexpr int STARTUP_NVR_POLLS = 50;
constexpr U32 STARTUP_NVR_POLL_MS = 100;

static void STARTUP_vSetState(SYSTEM_STATE state) {
  H_DATABASE_bUpdateEverythingU32(FCID("CCST"), state, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
}

// Settings are restored by the NVR task; nothing may go on before its store is there.
static void STARTUP_vWaitForNvr(void) {
  for (int i = 0; i < STARTUP_NVR_POLLS; i++) {
    U32 mbox = 0;
    BOOLEAN valid = FALSE;
    if (H_DATABASE_bFetchU32(FCID("TNVR"), &mbox, &valid, nullptr) && valid && mbox != 0) return;
    L_CLOCK_Sleep(STARTUP_NVR_POLL_MS);
  }
  ERROR_vFatal(__FILE_NAME__, __LINE__, "STARTUP: Where's tNVRAM");
}

void T_STARTUP_vMain(void) {
  U_TASKSTUB_vPublish(FCID("TTAR"), M_STARTUP);
  STARTUP_vSetState(STATE_STARTUP);
  // Every text on the screen needs the fonts, the display task's first.
  if (!G_TRUETYPE_bInit()) log_me("[%d]%s: no fonts, texts stay blank", __LINE__, __func__);
  for (TASK task : s_aEarlyTasks) {
    U_TASKSTUB_vStartTask(task);
    if (task == NVRTASK && !task_disabled[NVRTASK - 1]) STARTUP_vWaitForNvr();
  }
  // The stored settings are in now: they tell which version wrote them.
  VERSION_bDetectVersionChange();
  STARTUP_vSetState(STATE_NORMAL_RUN);
  __atomic_store_n(&bStartupTaskInitialized, (U8)TRUE, __ATOMIC_RELEASE);
  // A task started later by Main finds the command queued in its mailbox.
  for (MBOX mbox : s_aRunSystemMailboxes) {
    GENERIC_MESSAGE* pMsg = (GENERIC_MESSAGE*)H_MEMORY_pvCalloc(1, sizeof(GENERIC_MESSAGE));
    pMsg->Cmd = CMD_ID_RUN_SYSTEM;
    L_MBOX_Send(mbox, pMsg, 3, 0);
  }
  log_me("[%d]%s: run-system sent to %u tasks", __LINE__, __func__, (unsigned)(sizeof s_aRunSystemMailboxes / sizeof s_aRunSystemMailboxes[0]));

  if (L_TIMER_Start(nullptr, STARTUP_SWEEP_MS, STARTUP_SWEEP_MS, SEMA_TIMER_STARTUP) == nullptr) {
    ERROR_vFatal(__FILE_NAME__, __LINE__, "No start-up timer");
  }
  const SEMA events[] = {SEMA_MBOX_STARTUP, SEMA_TIMER_STARTUP, 0};
  for (;;) {
    S32 event = L_SEMA_WaitMultiple(events);
    if (event == SEMA_TIMER_STARTUP) {
      H_DATABASE_vSendAllInvalidData();
    } else if (event == SEMA_MBOX_STARTUP) {
      U_TASKSTUB_vDrain(M_STARTUP);
    }
  }
}
