// The user's count-down timer of up to 23:59:59, kept by the alarm task: its
// editor, the count itself, and the "Timer Alarm" question when it runs out.
// The count is checked from the info task, the menu actions run on the menu
// task and the drawings on the view task, so every piece of the timer's state
// and every registration it makes is changed under RES_ALARMLIST; alarm 31
// itself comes and goes only by mail to the alarm task.

#include <stdio.h>

#include <atomic>

#include "color.h"
#include "g_box.h"
#include "g_string.h"
#include "h_database.h"
#include "linuxsvc.h"
#include "t_alarm.h"
#include "t_alarm_timer.h"
#include "t_info.h"
#include "u_dialog.h"
#include "u_language.h"
#include "u_menu.h"
#include "u_view.h"
#include "u_wstring.h"
#include "ui_texts.h"

// ---------------------------------------------------------------------------
// State

enum TIMER_ITEM : U8 {
  ITEM_HOURS = 0,
  ITEM_MINUTES = 1,
  ITEM_SECONDS = 2,
  ITEM_SAVE_AND_START = 3,
  ITEM_SAVE_AND_CLOSE = 4,
  ITEM_NUM_OF_ITEMS = 5,
};

static U32 s_u32TimerValue = 0;
static U32 s_u32TimerValueHours = 0;
static U32 s_u32TimerValueMinutes = 0;
static U32 s_u32TimerValueSeconds = 0;
static U32 s_u32TimerValueOld = 0;
static U32 s_u32StartTimer = 0;
static U32 s_u32ExceedTimer = 0;
static BOOLEAN s_bTimerLaunched = FALSE;
static BOOLEAN s_bTimerToConfirm = FALSE;
static BOOLEAN s_bTimerDisplayed = FALSE;
static BOOLEAN s_bExitWarning = FALSE;
static TIMER_ITEM s_u8TimerHighlightItem = ITEM_HOURS;
static BOOLEAN s_bCursorPressed = FALSE;
static CURSOR_POSITION s_cpCursorPosition = CURSOR_ILLEGAL;
static U8 ConfirmTimer = 0;
static U8 u8steps = 0;
static BOOLEAN s_bMenusRegistered = FALSE;
static std::atomic<U32 (*)(void)> s_pfnClock{nullptr};

// Every key but POWER; the editor takes the cursor pad on its own.
constexpr U32 TIMER_KEYS = 0x3FE;
constexpr U32 TIMER_KEYS_BUT_CURSOR = 0x3EE;
constexpr U32 TIMER_MAX_SECONDS = 23 * 3600 + 59 * 60 + 59;
// Ticks the question waits unanswered before it goes by itself.
constexpr U8 TIMER_CONFIRM_TICKS = 29;
constexpr MENU_PRIORITY MENU_TIMER_SETUP = 521;
constexpr MENU_PRIORITY MENU_TIMER_START_STOP = 522;
constexpr TICKS TIMER_DRAW_WAIT_MS = 100;

static const U32 s_au32Maximum[] = {23, 59, 59};

void T_ALARM_vSetClock(U32 (*pfnMilliseconds)(void)) { s_pfnClock = pfnMilliseconds; }

static U32 TIMER_u32Now(void) {
  U32 (*pfn)(void) = s_pfnClock;
  return pfn != nullptr ? pfn() : H_TICK_u32ReadFreeRunningTimerInMilliSeconds();
}

static void TIMER_vLock(void) { L_MUTEX_LockWait(RES_ALARMLIST); }
static void TIMER_vUnlock(void) { L_MUTEX_Unlock(RES_ALARMLIST); }

static void TIMER_vClick(BOOLEAN bGood) { L_SEMA_Signal(bGood ? SEMA_KEYCLICK_GOOD : SEMA_KEYCLICK_BAD); }

static U32* TIMER_pu32Field(TIMER_ITEM eItem) {
  if (eItem == ITEM_HOURS) return &s_u32TimerValueHours;
  return eItem == ITEM_MINUTES ? &s_u32TimerValueMinutes : &s_u32TimerValueSeconds;
}

static void TIMER_vJoin(void) {
  s_u32TimerValue = s_u32TimerValueHours * 3600 + s_u32TimerValueMinutes * 60 + s_u32TimerValueSeconds;
}

// A stored setting beyond 23:59:59 cannot come from the editor: it counts as none.
static void TIMER_vSplit(U32 u32Value) {
  if (u32Value > TIMER_MAX_SECONDS) u32Value = 0;
  s_u32TimerValue = u32Value;
  s_u32TimerValueHours = u32Value / 3600;
  s_u32TimerValueMinutes = u32Value / 60 % 60;
  s_u32TimerValueSeconds = u32Value % 60;
}

static void TIMER_vWriteItaw(U32 u32Seconds) {
  H_DATABASE_bUpdateEverythingS32(FCID("ITAW"), (S32)u32Seconds, P_NORMAL, D_TIME, nullptr, DB_NEVER_STALE);
}

static void TIMER_vWriteStaw(void) {
  H_DATABASE_bUpdateEverythingU32(FCID("STAW"), s_u32TimerValue, P_NORMAL, D_TIME, nullptr, DB_NEVER_STALE);
}

// "Start Timer" while the count is idle, "Stop Timer" while it runs, in the
// same place of the "Alarms" tab.
static void TIMER_vOfferStartOrStop(BOOLEAN bRunning) {
  U_MENU_bUnregisterMainMenuItem(bRunning ? Start_Timer : Stop_Timer, Alarms);
  U_MENU_bRegisterMainActionMenu(bRunning ? Stop_Timer : Start_Timer, Alarms, MENU_TIMER_START_STOP,
                                 bRunning ? T_ALARM_vClearTimer : T_ALARM_vStartTimer, FALSE, M_BASIC);
}

void ALARM_TIMER_vRegisterMenus(void) {
  if (s_bMenusRegistered) return;
  const BOOLEAN bSetup =
      U_MENU_bRegisterMainActionMenu(Timer_Setup, Alarms, MENU_TIMER_SETUP, T_ALARM_vInitTimer, FALSE, M_BASIC);
  const BOOLEAN bStartStop =
      U_MENU_bRegisterMainActionMenu(s_bTimerLaunched ? Stop_Timer : Start_Timer, Alarms, MENU_TIMER_START_STOP,
                                     s_bTimerLaunched ? T_ALARM_vClearTimer : T_ALARM_vStartTimer, FALSE, M_BASIC);
  s_bMenusRegistered = bSetup && bStartStop;
}

void ALARM_TIMER_vStart(void) {
  U32 u32Stored = 0;
  if (!H_DATABASE_bFetchU32(FCID("STAW"), &u32Stored, nullptr, nullptr)) u32Stored = 0;
  TIMER_vSplit(u32Stored);
  s_u32TimerValueOld = s_u32TimerValue;
  s_bTimerLaunched = FALSE;
  s_bTimerToConfirm = FALSE;
  s_bTimerDisplayed = FALSE;
  s_bExitWarning = FALSE;
  s_bCursorPressed = FALSE;
  s_cpCursorPosition = CURSOR_ILLEGAL;
  ConfirmTimer = 0;
  u8steps = 0;
  s_bMenusRegistered = FALSE;
  ALARM_TIMER_vRegisterMenus();
}

BOOLEAN ALARM_TIMER_bEditorOpen(void) { return s_bTimerDisplayed; }
BOOLEAN ALARM_TIMER_bQuestionWaits(void) { return s_bTimerToConfirm; }

// ---------------------------------------------------------------------------
// The count

static void TIMER_vStartCount(void) {
  if (s_u32TimerValue == 0) {
    TIMER_vClick(FALSE);
    return;
  }
  TIMER_vClick(TRUE);
  s_u32StartTimer = TIMER_u32Now();
  s_u32ExceedTimer = s_u32StartTimer + s_u32TimerValue * 1000;
  TIMER_vOfferStartOrStop(TRUE);
  s_bTimerLaunched = TRUE;
}

static void TIMER_vRemoveQuestion(void) {
  U_VIEW_bUnRegisterLayer(ALARM_TIMER_WARNING_LAYER);
  U_KEYBOARD_bUnregisterKeys(M_ALARM, TIMER_KEYS);
  U_ALARM_bClearAlarm(TIMER_ALARM);
  s_bTimerToConfirm = FALSE;
}

// The question's layer and keys are given back only when the question holds
// them: another registration of this mailbox (the editor's, the alarm
// pop-up's) must not be taken instead.
static void TIMER_vStopCount(void) {
  TIMER_vWriteItaw(s_u32TimerValue);
  if (s_bTimerToConfirm) TIMER_vRemoveQuestion();
  TIMER_vOfferStartOrStop(FALSE);
  s_bTimerLaunched = FALSE;
  ConfirmTimer = 0;
}

void T_ALARM_vStartTimer(void) {
  TIMER_vLock();
  TIMER_vStartCount();
  TIMER_vUnlock();
}

void T_ALARM_vClearTimer(void) {
  TIMER_vLock();
  TIMER_vClick(TRUE);
  TIMER_vStopCount();
  TIMER_vUnlock();
}

static void TIMER_vRunOut(void) {
  s_bTimerLaunched = FALSE;
  ConfirmTimer = 0;
  TIMER_vWriteItaw(0);
  U_VIEW_bRegisterLayer(T_ALARM_vDrawTimerWarning, ALARM_TIMER_WARNING_LAYER, USED_BY_ALL, 0, 0, TRUE, nullptr,
                        nullptr, nullptr);
  U_KEYBOARD_bRegisterKeys(M_ALARM, TIMER_KEYS, KEY_DOWN, FALSE, FALSE, CURSOR_8, REGISTER_ALARM);
  s_bTimerToConfirm = TRUE;
  ALARM_SET_MESSAGE alarm = {};
  alarm.Priority = TIMER_ALARM;
  alarm.InitialToneID = TONE_ALARM_ALERT;
  alarm.ReminderToneID = TONE_ALARM_ALERT;
  U_ALARM_bSetAlarm(&alarm, FALSE);
}

// The window from start to end is taken modulo 2^32, so a count across the
// wrap of the millisecond clock ends on time.
void T_ALARM_vCheckTimer(void) {
  TIMER_vLock();
  if (s_bTimerLaunched) {
    const U32 u32Now = TIMER_u32Now();
    if (u32Now - s_u32StartTimer >= s_u32ExceedTimer - s_u32StartTimer) {
      TIMER_vRunOut();
    } else {
      TIMER_vWriteItaw((s_u32ExceedTimer - u32Now) / 1000);
    }
  } else if (s_bTimerToConfirm) {
    if (ConfirmTimer <= TIMER_CONFIRM_TICKS) {
      ConfirmTimer++;
    } else {
      TIMER_vStopCount();
    }
  }
  TIMER_vUnlock();
}

void ALARM_TIMER_vReset(void) {
  H_DATABASE_bUpdateEverythingU32(FCID("STAW"), 0, P_NORMAL, D_TIME, nullptr, DB_NEVER_STALE);
  U32 u32Stored = 1;
  if (!H_DATABASE_bFetchU32(FCID("STAW"), &u32Stored, nullptr, nullptr) || u32Stored != 0) return;
  TIMER_vSplit(0);
  s_u32StartTimer = 0;
  s_u32ExceedTimer = 0;
  TIMER_vStopCount();
}

// ---------------------------------------------------------------------------
// The editor

void T_ALARM_vInitTimer(void) {
  TIMER_vLock();
  if (!s_bTimerDisplayed) {
    U_MENU_vClearMenus();
    s_u8TimerHighlightItem = ITEM_HOURS;
    s_bTimerDisplayed = TRUE;
    s_bExitWarning = FALSE;
    s_u32TimerValueOld = s_u32TimerValue;
    U_VIEW_bRegisterLayer(T_ALARM_vDrawTimer, ALARM_TIMER_LAYER, USED_BY_ALL, 0, 0, TRUE, nullptr, nullptr, nullptr);
    U_KEYBOARD_bRegisterKeys(M_ALARM, TIMER_KEYS_BUT_CURSOR, KEY_DOWN, FALSE, FALSE, CURSOR_8, REGISTER_ALARM);
    U_KEYBOARD_bRegisterKeys(M_ALARM, HKEY_MASK_CURSOR, KEY_CHANGE, FALSE, FALSE, CURSOR_8, REGISTER_ALARM);
  }
  TIMER_vClick(TRUE);
  TIMER_vUnlock();
}

static void TIMER_vCloseEditor(void) {
  s_bTimerDisplayed = FALSE;
  s_bExitWarning = FALSE;
  U_VIEW_bUnRegisterLayer(ALARM_TIMER_LAYER);
  U_KEYBOARD_bUnregisterKeys(M_ALARM, TIMER_KEYS);
}

static void TIMER_vSave(void) {
  TIMER_vCloseEditor();
  TIMER_vWriteItaw(s_u32TimerValue);
  TIMER_vWriteStaw();
}

// What a key did: accepted (good click and a redraw), refused (bad click),
// answered with a click of its own or none (and a redraw), or ignored.
enum TIMER_KEY_RESULT { TIMER_KEY_ACCEPTED, TIMER_KEY_REFUSED, TIMER_KEY_OWN_CLICK, TIMER_KEY_IGNORED };

static TIMER_KEY_RESULT TIMER_eStepValue(TIMER_ITEM eItem, BOOLEAN bUp) {
  U32* pField = TIMER_pu32Field(eItem);
  if (bUp ? *pField >= s_au32Maximum[eItem] : *pField == 0) return TIMER_KEY_REFUSED;
  *pField = bUp ? *pField + 1 : *pField - 1;
  TIMER_vJoin();
  return TIMER_KEY_ACCEPTED;
}

static TIMER_KEY_RESULT TIMER_eQuestionKey(CURSOR_POSITION eCursor) {
  if (eCursor == CURSOR_EAST) {
    // "Repeat": the count starts again at once.
    TIMER_vRemoveQuestion();
    TIMER_vStartCount();
    return TIMER_KEY_OWN_CLICK;
  }
  if (eCursor == CURSOR_WEST) {
    T_ALARM_vClearTimer();
    return TIMER_KEY_OWN_CLICK;
  }
  return TIMER_KEY_REFUSED;
}

static TIMER_KEY_RESULT TIMER_eExitWarningKey(CURSOR_POSITION eCursor) {
  if (eCursor == CURSOR_EAST) {
    TIMER_vSave();
    return TIMER_KEY_ACCEPTED;
  }
  if (eCursor == CURSOR_WEST) {
    TIMER_vSplit(s_u32TimerValueOld);
    TIMER_vCloseEditor();
    return TIMER_KEY_ACCEPTED;
  }
  return TIMER_KEY_REFUSED;
}

static TIMER_KEY_RESULT TIMER_eRowKey(CURSOR_POSITION eCursor) {
  const TIMER_ITEM eItem = s_u8TimerHighlightItem;
  const BOOLEAN bValueRow = eItem <= ITEM_SECONDS;
  switch (eCursor) {
    case CURSOR_NORTH:
      if (eItem == ITEM_HOURS) return TIMER_KEY_REFUSED;
      s_u8TimerHighlightItem = (TIMER_ITEM)(eItem - 1);
      return TIMER_KEY_ACCEPTED;
    case CURSOR_SOUTH:
      if (eItem == ITEM_SAVE_AND_CLOSE) return TIMER_KEY_REFUSED;
      s_u8TimerHighlightItem = (TIMER_ITEM)(eItem + 1);
      return TIMER_KEY_ACCEPTED;
    case CURSOR_WEST:
      return bValueRow ? TIMER_eStepValue(eItem, FALSE) : TIMER_KEY_REFUSED;
    case CURSOR_EAST:
      if (bValueRow) return TIMER_eStepValue(eItem, TRUE);
      if (eItem == ITEM_SAVE_AND_CLOSE) {
        TIMER_vSave();
        return TIMER_KEY_ACCEPTED;
      }
      if (s_u32TimerValue == 0) return TIMER_KEY_REFUSED;
      TIMER_vCloseEditor();
      TIMER_vStartCount();
      TIMER_vWriteStaw();
      return TIMER_KEY_OWN_CLICK;
    default:
      return TIMER_KEY_REFUSED;
  }
}

static TIMER_KEY_RESULT TIMER_eKey(const MSG_KEY_CHANGE* pMsg) {
  if (pMsg->key == HKEY_MASK_EXIT) {
    if (s_bTimerToConfirm) return TIMER_KEY_IGNORED;
    if (s_bExitWarning || pMsg->state != KEY_DOWN) return TIMER_KEY_REFUSED;
    if (s_u32TimerValue == s_u32TimerValueOld) {
      TIMER_vCloseEditor();
    } else {
      s_bExitWarning = TRUE;
    }
    return TIMER_KEY_ACCEPTED;
  }
  if (pMsg->key != HKEY_MASK_CURSOR) return TIMER_KEY_REFUSED;
  s_bCursorPressed = TRUE;
  const CURSOR_POSITION eCursor = pMsg->cursor;
  if (eCursor == CURSOR_UP) {
    s_bCursorPressed = FALSE;
    s_cpCursorPosition = CURSOR_ILLEGAL;
    return TIMER_KEY_OWN_CLICK;
  }
  if (eCursor != CURSOR_NORTH && eCursor != CURSOR_SOUTH && eCursor != CURSOR_EAST && eCursor != CURSOR_WEST) {
    s_cpCursorPosition = CURSOR_ILLEGAL;
    return TIMER_KEY_REFUSED;
  }
  s_cpCursorPosition = eCursor;
  if (s_bTimerToConfirm) return TIMER_eQuestionKey(eCursor);
  if (s_bExitWarning) return TIMER_eExitWarningKey(eCursor);
  return TIMER_eRowKey(eCursor);
}

void ALARM_TIMER_vKey(const MSG_KEY_CHANGE* pMsg) {
  switch (TIMER_eKey(pMsg)) {
    case TIMER_KEY_ACCEPTED:
      TIMER_vClick(TRUE);
      L_SEMA_Signal(SEMA_VIEW_UPDATE);
      break;
    case TIMER_KEY_REFUSED:
      TIMER_vClick(FALSE);
      break;
    case TIMER_KEY_OWN_CLICK:
      L_SEMA_Signal(SEMA_VIEW_UPDATE);
      break;
    case TIMER_KEY_IGNORED:
      break;
  }
}

// ---------------------------------------------------------------------------
// Drawing (the view task's thread)

constexpr S32 TIMER_BOX_WIDTH = 410;
constexpr S32 TIMER_BOX_HEIGHT = 310;
constexpr S32 TIMER_BOX_Y = 170;
constexpr S32 TIMER_TITLE_HEIGHT = 38;
constexpr S32 TIMER_ROW_HEIGHT = 54;
constexpr S32 TIMER_MARGIN = 11;
constexpr U32 TIMER_ARROW = 15;
constexpr S32 TIMER_ARROW_GAP = 10;


static void TIMER_vText(BITMAP* pBitmap, U32 u32Entry, S32 x, S32 y, const FONT_DEF* pFont, const char* pText) {
  POINT at = {x, y};
  G_STRING_vPut(pBitmap, COLOR_colEntry(u32Entry), &at, pFont, (const BYTE*)pText);
}

static S32 TIMER_s32TextWidth(const FONT_DEF* pFont, const char* pText) {
  return (S32)G_STRING_u32GetWidth(pFont, (const BYTE*)pText);
}

// Held left or right on a value row, the value runs faster the longer the
// arrow is held; every other redraw starts the count again.
static void TIMER_vAccelerate(void) {
  const BOOLEAN bHeld = s_bCursorPressed && (s_cpCursorPosition == CURSOR_EAST || s_cpCursorPosition == CURSOR_WEST);
  if (!bHeld || s_u8TimerHighlightItem > ITEM_SECONDS || s_bTimerToConfirm || s_bExitWarning) {
    u8steps = 0;
    return;
  }
  if (u8steps < 0xFF) u8steps++;
  if (u8steps > 3) {
    for (U32 i = 0; i < (U32)u8steps / 5 + 1; i++) {
      TIMER_eStepValue(s_u8TimerHighlightItem, s_cpCursorPosition == CURSOR_EAST);
    }
  }
  // The next frame carries the run on in any view, not only in views that
  // redraw by themselves.
  L_SEMA_Signal(SEMA_VIEW_UPDATE);
}

static void TIMER_vDrawRow(BITMAP* pBitmap, S32 x, S32 y, TIMER_ITEM eItem) {
  static const MENU_TEXT s_apLabels[ITEM_NUM_OF_ITEMS] = {Timer_hr, min_LC, Timer_sec, Timer_Start, Save};
  const unsigned language = nCurrentLanguage();
  const FONT_DEF* pLabelFont = U_DIALOG_pTextFont();
  const FONT_DEF* pValueFont = U_DIALOG_pChoiceFont();
  const S32 textY = y + (TIMER_ROW_HEIGHT - (S32)G_FONTS_u32GetCoreHeight(pValueFont)) / 2;
  const BOOLEAN bHighlighted = eItem == s_u8TimerHighlightItem;
  TIMER_vText(pBitmap, 35, x + TIMER_MARGIN, textY, pLabelFont, s_apLabels[eItem][language]);
  if (bHighlighted) {
    for (S32 i = 0; i < 3; i++) {
      U_DIALOG_vOutline(pBitmap, 241, x + 1 + i, y + i, TIMER_BOX_WIDTH - 2 - 2 * i, TIMER_ROW_HEIGHT - 2 * i);
    }
  }
  if (eItem > ITEM_SECONDS) {
    if (bHighlighted) U_MENU_vDrawControlAction(pBitmap, POINT{x, y}, 1, TIMER_BOX_WIDTH, TIMER_ROW_HEIGHT);
    return;
  }
  char acValue[16];
  const U32 u32Value = *TIMER_pu32Field(eItem);
  snprintf(acValue, sizeof acValue, "%u", (unsigned)u32Value);
  char acText[34];
  U_WSTRING_vAscii2Unicode(acText, acValue, sizeof acText - 2, FALSE);
  const S32 width = TIMER_s32TextWidth(pValueFont, acText);
  if (!bHighlighted) {
    TIMER_vText(pBitmap, 241, x + TIMER_BOX_WIDTH - TIMER_MARGIN - width, textY, pValueFont, acText);
    return;
  }
  const S32 textX = x + (TIMER_BOX_WIDTH - width) / 2;
  TIMER_vText(pBitmap, 35, textX, textY, pValueFont, acText);
  const S32 arrowY = y + (TIMER_ROW_HEIGHT - (S32)TIMER_ARROW) / 2;
  if (u32Value < s_au32Maximum[eItem]) {
    U_MENU_vDrawArrowRight(pBitmap, textX + width + TIMER_ARROW_GAP, arrowY, TIMER_ARROW, COLOR_colEntry(35));
  }
  if (u32Value > 0) {
    U_MENU_vDrawArrowLeft(pBitmap, textX - TIMER_ARROW_GAP - (S32)(TIMER_ARROW + 1) / 2, arrowY, TIMER_ARROW,
                          COLOR_colEntry(35));
  }
}

void T_ALARM_vDrawTimer(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER) {
  if (L_MUTEX_LockTime(RES_ALARMLIST, TIMER_DRAW_WAIT_MS) != 0) return;
  TIMER_vAccelerate();
  T_MENU_vDrawMaskBackground(pBitmap);
  const S32 origin = (S32)T_INFO_u32XOrigin();
  const S32 x = origin + (390 - origin) / 2;
  const S32 y = TIMER_BOX_Y;
  const S32 top = y + TIMER_BOX_HEIGHT - 1;
  POINT corner = {x, y};
  G_BOX_vDrawFilled(pBitmap, COLOR_colEntry(237), &corner, TIMER_BOX_WIDTH, TIMER_BOX_HEIGHT);
  U_DIALOG_vOutline(pBitmap, 32, x, y, TIMER_BOX_WIDTH, TIMER_BOX_HEIGHT);
  const S32 barBottom = top - TIMER_TITLE_HEIGHT;
  POINT bar = {x + 1, barBottom};
  G_BOX_vDrawFilled(pBitmap, COLOR_colEntry(238), &bar, TIMER_BOX_WIDTH - 2, TIMER_TITLE_HEIGHT);
  U_DIALOG_vLine(pBitmap, 236, x + 1, top - 1, x + TIMER_BOX_WIDTH - 2, top - 1);
  U_DIALOG_vLine(pBitmap, 239, x + 1, barBottom, x + TIMER_BOX_WIDTH - 2, barBottom);
  const FONT_DEF* pTitleFont = U_DIALOG_pChoiceFont();
  TIMER_vText(pBitmap, 35, x + TIMER_MARGIN,
              barBottom + (TIMER_TITLE_HEIGHT - (S32)G_FONTS_u32GetCoreHeight(pTitleFont)) / 2, pTitleFont,
              Timer_Setup[nCurrentLanguage()]);
  for (S32 i = 0; i < ITEM_NUM_OF_ITEMS; i++) {
    const S32 rowY = barBottom - TIMER_ROW_HEIGHT * (i + 1);
    if (i > 0) {
      const S32 rule = rowY + TIMER_ROW_HEIGHT;
      U_DIALOG_vLine(pBitmap, 236, x + TIMER_MARGIN, rule, x + TIMER_BOX_WIDTH - 12, rule);
    }
    TIMER_vDrawRow(pBitmap, x, rowY, (TIMER_ITEM)i);
  }
  if (s_bExitWarning) {
    const unsigned language = nCurrentLanguage();
    U_DIALOG_vDrawDialogWithConfirm(pBitmap, Confirm_Colon[language], Save_Changes[language], U_DIALOG_pTextFont(),
                                    No[language], Yes[language], JUSTIFICATION_CENTER, JUSTIFICATION_CENTER, TRUE,
                                    TRUE, FALSE, 0);
  }
  TIMER_vUnlock();
}

void T_ALARM_vDrawTimerWarning(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER) {
  const unsigned language = nCurrentLanguage();
  U_DIALOG_vDrawDialogWithConfirm(pBitmap, Confirm_Colon[language], Timer_Alarm[language], U_DIALOG_pTextFont(),
                                  Clear[language], Repeat[language], JUSTIFICATION_CENTER, JUSTIFICATION_CENTER, TRUE,
                                  TRUE, FALSE, 0);
}
