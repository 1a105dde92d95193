// One slot per alarm id, and the id is the priority: of the pending alarms
// the lowest id is shown, sounds its initial tone once and its reminder for
// as long as it stays shown, and takes every key but POWER unless it is a
// note, which goes by itself and takes none. The slots, the
// count and the current id are guarded by RES_ALARMLIST, which the view task
// also takes to draw; only this task changes them, and any other task raises
// and withdraws alarms by mail.

#include "t_alarm.h"

#include <string.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>

#include "error.h"
#include "h_database.h"
#include "h_memory.h"
#include "linuxsvc.h"
#include "t_alarm_timer.h"
#include "t_display.h"
#include "t_startup.h"
#include "t_tone.h"
#include "u_dialog.h"
#include "u_keyboard.h"
#include "u_language.h"
#include "u_view.h"
#include "u_wstring.h"
#include "ui_texts.h"

// ---------------------------------------------------------------------------
// State

// Every key but POWER.
constexpr U32 ALARM_KEYS = 0x3FE;
// A copied alarm text holds what the pop-up's line buffer does.
constexpr U32 ALARM_TEXT_BYTES = 204;
constexpr U32 ALARM_REMINDER_GAP_MS = 1000;
// A reminder burst that takes no time must not make the task spin.
constexpr U32 ALARM_MIN_REMINDER_MS = 100;
constexpr TICKS ALARM_DRAW_WAIT_MS = 100;
constexpr U32 ALARM_TONE_WAIT_MS = 5000;

static ALARM_SET_MESSAGE* pAlarmSetMessageList[NUMBER_OF_SUPPORTED_ALARMS];
static char s_aacAlarmText[NUMBER_OF_SUPPORTED_ALARMS][ALARM_TEXT_BYTES];
static U32 s_u32ActiveAlarmsInList = 0;
static S32 s_CurrentAlarmMessageBeingDisplayed = NO_ALARM;
static TIMER_INFO* s_pReminderToneTimer = nullptr;
// The layer is held exactly while an alarm is pending, the keys while the
// alarm shown takes them.
static BOOLEAN s_bShowing = FALSE;
static BOOLEAN s_bKeysTaken = FALSE;
static std::atomic<BOOLEAN> s_bAccepting{FALSE};

static BOOLEAN ALARM_bValidId(S32 s32Priority) { return s32Priority >= 0 && s32Priority < NUMBER_OF_SUPPORTED_ALARMS; }

static void ALARM_vLock(void) { L_MUTEX_LockWait(RES_ALARMLIST); }
static void ALARM_vUnlock(void) { L_MUTEX_Unlock(RES_ALARMLIST); }

ALARM_PRIORITY T_ALARM_eCurrentAlarm(void) {
  ALARM_vLock();
  const S32 s32Current = s_CurrentAlarmMessageBeingDisplayed;
  ALARM_vUnlock();
  return (ALARM_PRIORITY)s32Current;
}

U32 T_ALARM_u32ActiveAlarms(void) {
  ALARM_vLock();
  const U32 u32Count = s_u32ActiveAlarmsInList;
  ALARM_vUnlock();
  return u32Count;
}

BOOLEAN T_ALARM_bIsPending(S32 s32Priority) {
  if (!ALARM_bValidId(s32Priority)) return FALSE;
  ALARM_vLock();
  const BOOLEAN bPending = pAlarmSetMessageList[s32Priority] != nullptr;
  ALARM_vUnlock();
  return bPending;
}

// ---------------------------------------------------------------------------
// Showing and sounding

static void vDrawCurrentAlarm(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER psWindowSpec);

static void ALARM_vTakeKeys(BOOLEAN bTake) {
  if (bTake == s_bKeysTaken) return;
  s_bKeysTaken = bTake;
  if (bTake) {
    U_KEYBOARD_bRegisterKeys(M_ALARM, ALARM_KEYS, KEY_DOWN, FALSE, FALSE, CURSOR_8, REGISTER_ALARM);
  } else {
    U_KEYBOARD_bUnregisterKeys(M_ALARM, ALARM_KEYS);
  }
}

static const ALARM_SET_MESSAGE* ALARM_pCurrent(void) {
  const S32 s32Id = s_CurrentAlarmMessageBeingDisplayed;
  return ALARM_bValidId(s32Id) ? pAlarmSetMessageList[s32Id] : nullptr;
}

// The keys go with the alarm shown: a note leaves them to their owners.
static void ALARM_vShow(BOOLEAN bShow) {
  if (bShow != s_bShowing) {
    s_bShowing = bShow;
    if (bShow) {
      U_VIEW_bRegisterLayer(vDrawCurrentAlarm, ALARM_LAYER, USED_BY_ALL, 0, 0, TRUE, nullptr, nullptr, nullptr);
    } else {
      U_VIEW_bUnRegisterLayer(ALARM_LAYER);
    }
  }
  const ALARM_SET_MESSAGE* pCurrent = ALARM_pCurrent();
  ALARM_vTakeKeys(bShow && (pCurrent == nullptr || !pCurrent->bNote));
}

static BOOLEAN ALARM_bHasInitialTone(const ALARM_SET_MESSAGE* p) {
  return p->InitialToneID != TONE_USE_CUSTOM || p->pInitialCustomTone != nullptr;
}

static BOOLEAN ALARM_bHasReminderTone(const ALARM_SET_MESSAGE* p) {
  return p->ReminderToneID != TONE_USE_CUSTOM || p->pReminderCustomTone != nullptr;
}

static void ALARM_vStartReminder(U32 u32Ms) {
  L_TIMER_Start(s_pReminderToneTimer, u32Ms > ALARM_MIN_REMINDER_MS ? u32Ms : ALARM_MIN_REMINDER_MS, 0,
                SEMA_TIMER_ALARM);
}

static void ALARM_vStopReminder(void) {
  L_TIMER_Stop(s_pReminderToneTimer);
  L_SEMA_SetPending(SEMA_TIMER_ALARM);
}

// The initial tone plays once per raised alarm: its fields are cleared once
// sent, so an alarm that comes back after a more serious one is shown again
// in silence until its reminder.
static void ALARM_vBecomeCurrent(S32 s32Id) {
  ALARM_SET_MESSAGE* p = pAlarmSetMessageList[s32Id];
  s_CurrentAlarmMessageBeingDisplayed = s32Id;
  ALARM_vShow(TRUE);
  // The pop-up is asked for before the tone, so the screen does not wait on
  // the tone task.
  L_SEMA_Signal(SEMA_VIEW_UPDATE);
  ALARM_vStopReminder();
  if (ALARM_bHasInitialTone(p)) {
    U_TONE_bPlayTone(p->InitialToneID, p->pInitialCustomTone, TRUE);
    if (ALARM_bHasReminderTone(p)) {
      if (s32Id == TIMER_ALARM) {
        ALARM_vStartReminder(T_TONE_u32CalculateToneLength(p->ReminderToneID, p->pReminderCustomTone));
      } else {
        ALARM_vStartReminder(T_TONE_u32CalculateToneLength(p->InitialToneID, p->pInitialCustomTone) +
                             ALARM_REMINDER_GAP_MS);
      }
    }
    p->InitialToneID = TONE_USE_CUSTOM;
    p->pInitialCustomTone = nullptr;
  } else if (ALARM_bHasReminderTone(p)) {
    ALARM_vStartReminder(ALARM_REMINDER_GAP_MS);
  }
}

// vGetHighestPriorityAlarm: the lowest pending id becomes current.
static void vGetHighestPriorityAlarm(void) {
  S32 s32Lowest = NO_ALARM;
  for (S32 i = 0; i < NUMBER_OF_SUPPORTED_ALARMS && s32Lowest == NO_ALARM; i++) {
    if (pAlarmSetMessageList[i] != nullptr) s32Lowest = i;
  }
  if (s32Lowest == NO_ALARM) {
    s_CurrentAlarmMessageBeingDisplayed = NO_ALARM;
    s_u32ActiveAlarmsInList = 0;
    ALARM_vShow(FALSE);
    L_SEMA_Signal(SEMA_VIEW_UPDATE);
    ALARM_vStopReminder();
    return;
  }
  if (s32Lowest == s_CurrentAlarmMessageBeingDisplayed) return;
  ALARM_vBecomeCurrent(s32Lowest);
}

// Empties a slot. Without bReselect the caller chooses the current alarm
// itself once it is done (a replacement, clearing everything), so no other
// alarm flashes up and sounds in between.
static void ALARM_vWithdraw(S32 s32Id, BOOLEAN bReselect) {
  if (!ALARM_bValidId(s32Id) || pAlarmSetMessageList[s32Id] == nullptr) return;
  H_MEMORY_vDumpMail(pAlarmSetMessageList[s32Id]);
  pAlarmSetMessageList[s32Id] = nullptr;
  if (s32Id == s_CurrentAlarmMessageBeingDisplayed) {
    ALARM_vStopReminder();
    if (!bReselect) s_CurrentAlarmMessageBeingDisplayed = NO_ALARM;
  }
  s_u32ActiveAlarmsInList--;
  if (bReselect) {
    if (s_u32ActiveAlarmsInList == 0) {
      s_CurrentAlarmMessageBeingDisplayed = NO_ALARM;
      ALARM_vShow(FALSE);
      L_SEMA_Signal(SEMA_VIEW_UPDATE);
    } else {
      vGetHighestPriorityAlarm();
    }
  }
  H_DATABASE_bUpdateValueU32(FCID("HACH"), 0, P_NORMAL);
}

// The stored alarm keeps its own copy of the text, cut to fit the pop-up, so
// the raiser may reuse its buffer at once.
static void ALARM_vKeepText(ALARM_SET_MESSAGE* p) {
  const char* pSource = p->pMessageString;
  if (pSource == nullptr) return;
  char* pCopy = s_aacAlarmText[p->Priority];
  const U32 u32Room = ALARM_TEXT_BYTES - 2;
  U32 n = 0;
  if (U_WSTRING_bIsUnicodeLanguage()) {
    while (n + 2 <= u32Room && (pSource[n] != 0 || pSource[n + 1] != 0)) n += 2;
  } else {
    while (n < u32Room && pSource[n] != 0) n++;
  }
  memcpy(pCopy, pSource, n);
  pCopy[n] = 0;
  pCopy[n + 1] = 0;
  p->pMessageString = pCopy;
}

// ---------------------------------------------------------------------------
// Raising and withdrawing

static void ALARM_vAdd(ALARM_SET_MESSAGE* p) {
  if (!ALARM_bValidId(p->Priority)) {
    log_me("[%d]%s: alarm id %d refused", __LINE__, __func__, (int)p->Priority);
    H_MEMORY_vDumpMail(p);
    return;
  }
  U32 u32State = 0;
  if (!s_bAccepting || !H_DATABASE_bFetchU32(FCID("CCST"), &u32State, nullptr, nullptr)) {
    H_MEMORY_vDumpMail(p);
    return;
  }
  ALARM_vLock();
  if (u32State == STATE_INLINE_TEST) {
    if (p->pFunctionAlarmCancel != nullptr) p->pFunctionAlarmCancel();
    ALARM_vUnlock();
    H_MEMORY_vDumpMail(p);
    return;
  }
  const S32 s32Id = p->Priority;
  ALARM_SET_MESSAGE* pOccupant = pAlarmSetMessageList[s32Id];
  if (pOccupant != nullptr) {
    if (pOccupant->pFunctionAlarmCancel != nullptr) pOccupant->pFunctionAlarmCancel();
    ALARM_vWithdraw(s32Id, FALSE);
  }
  p->bExtended = p->header.Cmd == CMD_ID_SET_EXT_ALARM;
  if (!p->bExtended) {
    p->pLeftChoice = nullptr;
    p->pRightChoice = nullptr;
    p->pFunctionCbLeftKeyAction = nullptr;
    p->pFunctionCbRightKeyAction = nullptr;
  }
  ALARM_vKeepText(p);
  pAlarmSetMessageList[s32Id] = p;
  s_u32ActiveAlarmsInList++;
  vGetHighestPriorityAlarm();
  ALARM_vShow(TRUE);
  ALARM_vUnlock();
}

static void ALARM_vClear(ALARM_CLEAR_MESSAGE* p) {
  if (p->Priority != NO_ALARM && !ALARM_bValidId(p->Priority)) {
    log_me("[%d]%s: alarm id %d refused", __LINE__, __func__, (int)p->Priority);
  } else if (s_bAccepting) {
    ALARM_vLock();
    ALARM_vWithdraw(p->Priority, TRUE);
    ALARM_vUnlock();
  }
  H_MEMORY_vDumpMail(p);
}

static void ALARM_vClearAll(void) {
  ALARM_vLock();
  for (S32 i = 0; i < NUMBER_OF_SUPPORTED_ALARMS; i++) ALARM_vWithdraw(i, FALSE);
  vGetHighestPriorityAlarm();
  ALARM_vUnlock();
  L_SEMA_Signal(SEMA_VIEW_UPDATE);
}

static void ALARM_vReminder(void) {
  if (!s_bAccepting) return;
  ALARM_vLock();
  const S32 s32Id = s_CurrentAlarmMessageBeingDisplayed;
  const ALARM_SET_MESSAGE* p = ALARM_bValidId(s32Id) ? pAlarmSetMessageList[s32Id] : nullptr;
  if (p != nullptr && ALARM_bHasReminderTone(p)) {
    BOOLEAN bStandby = FALSE;
    if (H_DATABASE_bFetchBoolean(FCID("CSBM"), &bStandby, nullptr, nullptr) && bStandby) {
      T_DISPLAY_vStandbyMode(FALSE);
    }
    U_TONE_bPlayTone(p->ReminderToneID, p->pReminderCustomTone, TRUE);
    ALARM_vStartReminder(T_TONE_u32CalculateToneLength(p->ReminderToneID, p->pReminderCustomTone));
  }
  ALARM_vUnlock();
}

// ---------------------------------------------------------------------------
// Keys

// Any key but POWER acknowledges a plain alarm; an extended one is answered
// only by left or right.
static void ALARM_vAnswer(const MSG_KEY_CHANGE* pMsg, ALARM_SET_MESSAGE* p) {
  if (pMsg->state != KEY_DOWN) return;
  const BOOLEAN bWest = pMsg->key == HKEY_MASK_CURSOR && pMsg->cursor == CURSOR_WEST;
  const BOOLEAN bEast = pMsg->key == HKEY_MASK_CURSOR && pMsg->cursor == CURSOR_EAST;
  if (p->bExtended && !bWest && !bEast) {
    L_SEMA_Signal(SEMA_KEYCLICK_BAD);
    return;
  }
  L_SEMA_Signal(SEMA_KEYCLICK_GOOD);
  ALARM_ACTION pAction = !p->bExtended ? p->pFunctionAlarmCancel
                         : bWest       ? p->pFunctionCbLeftKeyAction
                                       : p->pFunctionCbRightKeyAction;
  if (pAction != nullptr) pAction();
  ALARM_vWithdraw(s_CurrentAlarmMessageBeingDisplayed, TRUE);
}

static void ALARM_vKeyChange(const MSG_KEY_CHANGE* pMsg) {
  if (!s_bAccepting) return;
  ALARM_vLock();
  const S32 s32Current = s_CurrentAlarmMessageBeingDisplayed;
  if (s32Current == TIMER_ALARM) {
    if (ALARM_TIMER_bEditorOpen() || ALARM_TIMER_bQuestionWaits()) ALARM_TIMER_vKey(pMsg);
  } else if (s32Current == NO_ALARM || (ALARM_pCurrent() != nullptr && ALARM_pCurrent()->bNote)) {
    // A key on its way when a note came is no answer to the note.
    if (ALARM_TIMER_bEditorOpen()) {
      ALARM_TIMER_vKey(pMsg);
    } else if (pMsg->state == KEY_DOWN) {
      L_SEMA_Signal(SEMA_KEYCLICK_GOOD);
    }
  } else if (ALARM_bValidId(s32Current) && pAlarmSetMessageList[s32Current] != nullptr) {
    ALARM_vAnswer(pMsg, pAlarmSetMessageList[s32Current]);
  }
  ALARM_vUnlock();
}

// ---------------------------------------------------------------------------
// Drawing (the view task's thread)

static void vDrawCurrentAlarm(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER) {
  // A frame without the pop-up beats a frame that waits on a busy list.
  if (L_MUTEX_LockTime(RES_ALARMLIST, ALARM_DRAW_WAIT_MS) != 0) return;
  const S32 s32Id = s_CurrentAlarmMessageBeingDisplayed;
  const ALARM_SET_MESSAGE* p = ALARM_bValidId(s32Id) ? pAlarmSetMessageList[s32Id] : nullptr;
  if (p != nullptr && p->pMessageString != nullptr) {
    if (p->bExtended) {
      U_DIALOG_vDrawDialogWithConfirm(pBitmap, Confirm_Colon[nCurrentLanguage()], p->pMessageString,
                                      U_DIALOG_pTextFont(), p->pLeftChoice, p->pRightChoice, JUSTIFICATION_CENTER,
                                      JUSTIFICATION_CENTER, p->pFunctionCbLeftKeyAction != nullptr,
                                      p->pFunctionCbRightKeyAction != nullptr, FALSE, 0);
    } else {
      U_DIALOG_vDrawDialogAlarm(pBitmap, p->pMessageString);
    }
  }
  ALARM_vUnlock();
}

// ---------------------------------------------------------------------------
// Factory defaults

// Settings of alarms this unit does not have; written back to their defaults
// so a store that travels between models stays consistent.
static const struct {
  FOURCHARID id;
  DATA_TYPE eType;
  float fValue;
} s_aResetSettings[] = {
    {FCID("SDA1"), D_DEPTH, 0.0f},        {FCID("SDA2"), D_DEPTH, 0.0f}, {FCID("SATP"), D_TEMPERATURE, -41.0f},
    {FCID("SWTP"), D_TEMPERATURE, 0.0f},  {FCID("SAI1"), D_PERCENT, 0.0f},
};
static const FOURCHARID s_aResetCounts[] = {FCID("SAI2"), FCID("SAI4"), FCID("SAI5"), FCID("SAI6"), FCID("SAI7"),
                                            FCID("SAI8"), FCID("SAI9"), FCID("SAIA"), FCID("SAIC")};

static void ALARM_vResetToDefaults(void) {
  ALARM_vLock();
  ALARM_TIMER_vReset();
  ALARM_vUnlock();
  for (const auto& s : s_aResetSettings) {
    H_DATABASE_bUpdateEverythingFloat(s.id, s.fValue, P_NORMAL, s.eType, nullptr, DB_NEVER_STALE);
  }
  for (FOURCHARID id : s_aResetCounts) {
    H_DATABASE_bUpdateEverythingU32(id, 0, P_NORMAL, D_UNSIGNED32, nullptr, DB_NEVER_STALE);
  }
}

// ---------------------------------------------------------------------------
// The task

static void ALARM_vShutdown(void) {
  s_bAccepting = FALSE;
  ALARM_vLock();
  for (S32 i = 0; i < NUMBER_OF_SUPPORTED_ALARMS; i++) {
    if (pAlarmSetMessageList[i] != nullptr) H_MEMORY_vDumpMail(pAlarmSetMessageList[i]);
    pAlarmSetMessageList[i] = nullptr;
  }
  s_u32ActiveAlarmsInList = 0;
  s_CurrentAlarmMessageBeingDisplayed = NO_ALARM;
  ALARM_vStopReminder();
  ALARM_vUnlock();
}

static void ALARM_vDispatch(GENERIC_MESSAGE* pMsg) {
  switch (pMsg->Cmd) {
    case CMD_ID_SET_ALARM:
    case CMD_ID_SET_EXT_ALARM:
      ALARM_vAdd((ALARM_SET_MESSAGE*)pMsg);
      return;
    case CMD_ID_CLEAR_ALARM:
      ALARM_vClear((ALARM_CLEAR_MESSAGE*)pMsg);
      return;
    case CMD_ID_KEY_CHANGE:
      ALARM_vKeyChange((const MSG_KEY_CHANGE*)pMsg);
      break;
    case CMD_ID_RESET_POS:
      ALARM_vResetToDefaults();
      break;
    case CMD_ID_RUN_SYSTEM:
      ALARM_vLock();
      ALARM_TIMER_vRegisterMenus();
      ALARM_vUnlock();
      break;
    case CMD_ID_SHUTDOWN:
      ALARM_vShutdown();
      break;
    default:
      break;
  }
  H_MEMORY_vDumpMail(pMsg);
}

// The tone task starts before this one; should it never come, the alarms are
// still shown, and their tones are asked for whenever it is there.
static void ALARM_vWaitForToneTask(void) {
  for (U32 waited = 0; waited < ALARM_TONE_WAIT_MS; waited++) {
    U32 mbox = 0;
    if (H_DATABASE_bFetchU32(FCID("TTON"), &mbox, nullptr, nullptr)) return;
    L_CLOCK_Sleep(1);
  }
  log_me("[%d]%s: no tone task, alarms go unheard until it comes", __LINE__, __func__);
}

static void ALARM_vInit(void) {
  log_me("[%d]%s: LWP ID %ld", __LINE__, __func__, (long)syscall(SYS_gettid));
  if (H_DATABASE_bUpdateEverythingU32(FCID("TALR"), (U32)M_ALARM, P_NORMAL, D_MAILBOX, nullptr, DB_NEVER_STALE)) {
    ERROR_vFatal(__FILE_NAME__, __LINE__, "Somebody else registered the Alarm Task Maibox");
  }
  H_DATABASE_bUpdateEverythingU32(FCID("HACH"), 0, P_NORMAL, D_UNSIGNED32, nullptr, DB_NEVER_STALE);
  ALARM_vWaitForToneTask();
  ALARM_vLock();
  for (S32 i = 0; i < NUMBER_OF_SUPPORTED_ALARMS; i++) pAlarmSetMessageList[i] = nullptr;
  s_u32ActiveAlarmsInList = 0;
  s_CurrentAlarmMessageBeingDisplayed = NO_ALARM;
  s_bShowing = FALSE;
  s_bKeysTaken = FALSE;
  // A restarted task keeps its timer: it is still this task's own.
  if (s_pReminderToneTimer == nullptr) s_pReminderToneTimer = L_TIMER_Allocate();
  if (s_pReminderToneTimer == nullptr) ERROR_vFatal(__FILE_NAME__, __LINE__, "Unable to allocate an Alarm Timer");
  L_SEMA_SetPending(SEMA_CLEAR_ALARMS);
  ALARM_TIMER_vStart();
  ALARM_vUnlock();
  s_bAccepting = TRUE;
}

void T_ALARM_vMain(void) {
  ALARM_vInit();
  const SEMA events[] = {SEMA_MBOX_ALARM, SEMA_TIMER_ALARM, SEMA_CLEAR_ALARMS, 0};
  for (;;) {
    switch (L_SEMA_WaitMultiple(events)) {
      case SEMA_MBOX_ALARM:
        while (GENERIC_MESSAGE* pMsg = (GENERIC_MESSAGE*)L_MBOX_Receive(M_ALARM)) ALARM_vDispatch(pMsg);
        break;
      case SEMA_TIMER_ALARM:
        ALARM_vReminder();
        break;
      case SEMA_CLEAR_ALARMS:
        ALARM_vClearAll();
        break;
      default:
        ERROR_vFatal(__FILE_NAME__, __LINE__, "Invalid event");
    }
  }
}
