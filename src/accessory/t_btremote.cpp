// The Bluetooth remote task: keeps the link to the dongle (presence, the
// remote's connection, heartbeat supervision, re-sending unacknowledged
// requests), runs the button machine that tells presses from holds, and
// owns the data bar and the pairing dialog. The actions behind the keys are
// in t_btremote_keys.cpp.
//
// Timers are deadlines on the task's own millisecond clock, checked each
// time the task wakes; the task sleeps until the nearest one (at most a
// second), so an idle link costs one wake-up per heartbeat period.

#include <stdio.h>
#include <string.h>

#include <atomic>

#include "color.h"
#include "error.h"
#include "g_bmp.h"
#include "g_box.h"
#include "g_icon.h"
#include "g_iconset.h"
#include "g_truetype.h"
#include "h_database.h"
#include "h_keyboard.h"
#include "h_memory.h"
#include "t_btremote_int.h"
#include "t_info.h"
#include "u_dialog.h"
#include "u_language.h"
#include "u_menu.h"
#include "u_view.h"
#include "ui_texts.h"

namespace {

constexpr U32 BTR_ACK_MS = 1000;
constexpr U32 BTR_HEARTBEAT_MS = 15000;
constexpr U32 BTR_LOST_MS = 46000;
constexpr U32 BTR_CONFIRM_MS = 2000;
constexpr U32 BTR_BUTTON_MS = 1000;
constexpr U32 BTR_MAX_SLEEP_MS = 1000;
constexpr PRIORITY BTR_MAIL_PRIORITY = 3;

struct BTR_TIMER_STATE {
  BOOLEAN bRunning;
  U32 u32Due;
};

std::atomic<U32 (*)(void)> s_pfnClock{nullptr};
std::atomic<void (*)(void)> s_pfnMark{nullptr};

BTR_TIMER_STATE s_aTimer[BTR_TIMER_COUNT];
const U32 s_au32TimerMs[BTR_TIMER_COUNT] = {BTR_BUTTON_MS, BTR_ACK_MS, BTR_HEARTBEAT_MS, BTR_CONFIRM_MS};

BOOLEAN s_bIceMode = FALSE;
BT_OP_MODE s_eBtOpMode = BT_OP_MODE_NOT_PRESENT;
BOOLEAN s_bRemoteConnected = FALSE;
BOOLEAN s_bWatching = FALSE;
U32 s_u32LastSeenMs = 0;

// The last request, kept for re-sending, and the checksum it went out with
// while its acknowledgement is awaited. A checksum can be 0, so a flag
// rather than the value says whether one is awaited.
REMOTE_MSG_TYPE s_eLastMsgType = (REMOTE_MSG_TYPE)0;
U8 s_u8LastValue = 0;
U8 s_u8AwaitedChecksum = 0;
BOOLEAN s_bAckAwaited = FALSE;

U32 s_u32KeyPressTimestamp = 0;
BOOLEAN s_bLastKeyPressAndHold = FALSE;
BOOLEAN s_bDoubleKeyPress = FALSE;

// Read by the drawing on the view task's thread.
std::atomic<BOOLEAN> s_bDataBarDisplayOn{FALSE};
std::atomic<U32> s_u32DataBarPage{1};
std::atomic<BOOLEAN> s_bDataFlashOn{FALSE};
std::atomic<U32> s_u32BatteryStatus{0};

BOOLEAN s_bSyncMessage = FALSE;
BOOLEAN s_bMenusRegistered = FALSE;
U32 s_u32Ymss = 0;
BOOLEAN s_bSiuf = FALSE;

}  // namespace

S32 g_s32BtrKey = BTR_KEY_NONE;

// ---------------------------------------------------------------------------
// Helpers

U32 BTR_u32Now(void) {
  U32 (*pfn)(void) = s_pfnClock;
  return pfn != nullptr ? pfn() : H_TICK_u32ReadFreeRunningTimerInMilliSeconds();
}

void T_BTREMOTE_vSetClock(U32 (*pfnMilliseconds)(void)) { s_pfnClock = pfnMilliseconds; }
void T_BTREMOTE_vSetMarkAction(void (*pfnMark)(void)) { s_pfnMark = pfnMark; }

void T_BTREMOTE_vSetDataBar(BOOLEAN bOn, U32 u32Page, U32 u32Battery) {
  s_bDataBarDisplayOn = bOn;
  s_u32DataBarPage = u32Page;
  s_u32BatteryStatus = u32Battery;
  // The next draw shows the invalid values: the blink phase is the drawing's
  // own, and would otherwise be wherever the last caller's draws left it.
  s_bDataFlashOn = FALSE;
}

// A held timer stays as it is, except the confirmation timer, which starts
// its two seconds again.
void BTR_vStartTimer(BTR_TIMER eTimer) {
  BTR_TIMER_STATE* t = &s_aTimer[eTimer];
  if (t->bRunning && eTimer != BTR_TIMER_CONFIRM) return;
  t->bRunning = TRUE;
  t->u32Due = BTR_u32Now() + s_au32TimerMs[eTimer];
}

void BTR_vStopTimer(BTR_TIMER eTimer) { s_aTimer[eTimer].bRunning = FALSE; }

MBOX BTR_mboxOf(FOURCHARID key) {
  U32 mbox = 0;
  BOOLEAN bValid = FALSE;
  if (!H_DATABASE_bFetchU32(key, &mbox, &bValid, nullptr) || !bValid) return 0;
  return (MBOX)mbox;
}

void BTR_vSendKey(MBOX mbox, U32 u32Key, KEY_STATE eState, CURSOR_POSITION eCursor) {
  if (mbox == 0) return;
  MSG_KEY_CHANGE* p = (MSG_KEY_CHANGE*)H_MEMORY_pvMallocNoWait(sizeof(MSG_KEY_CHANGE));
  if (p == nullptr) return;
  memset(p, 0, sizeof *p);
  p->header.Cmd = CMD_ID_KEY_CHANGE;
  p->key = u32Key;
  p->state = eState;
  p->count = 1;
  p->cursor = eCursor;
  if (L_MBOX_Send(mbox, p, BTR_MAIL_PRIORITY, 0) != 0) H_MEMORY_vFree(p);
}

void BTR_vSendKeyPair(MBOX mbox, U32 u32Key, CURSOR_POSITION eCursor) {
  BTR_vSendKey(mbox, u32Key, KEY_DOWN, eCursor);
  BTR_vSendKey(mbox, u32Key, KEY_UP, eCursor);
}

BOOLEAN BTR_bWideLanguage(void) { return nCurrentLanguage() >= LANGUAGE_FIRST_WIDE; }

static void BTR_vWriteFlag(FOURCHARID key, BOOLEAN bOn, U32 u32Priority) {
  H_DATABASE_bUpdateEverythingBoolean(key, bOn, u32Priority, D_UNKNOWN, nullptr, DB_NEVER_STALE);
}

// The one way requests reach the dongle: through the NMEA task, which
// answers with the checksum it sent. A copy of the request awaited goes out
// with the same checksum, so an acknowledgement of the earlier copy that
// arrives before the copy's notice still ends the retry; another request
// has another checksum, and the old one no longer counts.
static void BTR_vSendRequest(REMOTE_MSG_TYPE eType, U8 u8Value) {
  if (eType != s_eLastMsgType || u8Value != s_u8LastValue) s_bAckAwaited = FALSE;
  s_eLastMsgType = eType;
  s_u8LastValue = u8Value;
  MSG_BLUETOOTH_REMOTE_GENERIC* p =
      (MSG_BLUETOOTH_REMOTE_GENERIC*)H_MEMORY_pvMallocNoWait(sizeof(MSG_BLUETOOTH_REMOTE_GENERIC));
  if (p == nullptr) return;
  memset(p, 0, sizeof *p);
  p->Header.Cmd = CMD_ID_BLUETOOTH_REMOTE_TX;
  p->eMsgtype = eType;
  p->u8Value = u8Value;
  if (L_MBOX_Send(M_NMEA, p, BTR_MAIL_PRIORITY, 0) != 0) H_MEMORY_vFree(p);
}

static void BTR_vRegisterDialogKeys(void) {
  U_KEYBOARD_bRegisterKeys(M_BT_REMOTE, BTR_DIALOG_KEYS, KEY_DOWN, FALSE, FALSE, NOT_CURSOR_KEY, REGISTER_DIALOG_BOX);
  U_KEYBOARD_bRegisterKeys(M_BT_REMOTE, HKEY_MASK_CURSOR, KEY_DOWN, TRUE, TRUE, CURSOR_4, REGISTER_DIALOG_BOX);
}

// ---------------------------------------------------------------------------
// Data bar

static void BTR_vDataBarOff(void) {
  if (!s_bDataBarDisplayOn) return;
  s_bDataBarDisplayOn = FALSE;
  U_VIEW_bUnRegisterLayer(INFO_BT_REMOTE_LAYER);
  U_KEYBOARD_bUnregisterKeys(M_BT_REMOTE, BTR_ALL_KEYS);
}

static void BTR_vDataBarToggle(void) {
  if (s_bDataBarDisplayOn) {
    BTR_vDataBarOff();
    return;
  }
  s_bDataBarDisplayOn = TRUE;
  U_VIEW_bRegisterLayer(T_BTREMOTE_vDrawRemoteInfoLayer, INFO_BT_REMOTE_LAYER, (LAYER_ID)-1, 0, 0, TRUE, nullptr,
                        nullptr, nullptr);
  BTR_vRegisterDialogKeys();
}

// ---------------------------------------------------------------------------
// Link

static void BTR_vLinkLost(void) {
  s_bRemoteConnected = FALSE;
  BTR_vWriteFlag(FCID("IBTR"), FALSE, P_NORMAL);
  BTR_vWriteFlag(FCID("IBTD"), FALSE, P_NORMAL);
  s_bWatching = FALSE;
}

static void BTR_vRegisterMenus(void) {
  if (s_bMenusRegistered || s_bIceMode) return;
  BTR_KEYS_vSetupMenus(FALSE);
  s_bMenusRegistered = TRUE;
}

static void BTR_vStartSupervision(void) {
  if (s_aTimer[BTR_TIMER_HEARTBEAT].bRunning) return;
  BTR_vStartTimer(BTR_TIMER_HEARTBEAT);
  BTR_vRegisterMenus();
  BTR_vSendRequest(BLUETOOTH_TYPE_STATUS, REMOTE_STATUS_OP_MODE);
}

static void BTR_vHandleBtOpMode(void) {
  if (BTR_bWideLanguage()) {
    s_bRemoteConnected = FALSE;
    BTR_vWriteFlag(FCID("IBTR"), FALSE, P_NORMAL);
    return;
  }
  if ((s_eBtOpMode >= BT_OP_MODE_FACTORY && s_eBtOpMode <= BT_OP_MODE_SCANNING) || s_eBtOpMode == BT_OP_MODE_IDLE) {
    s_bRemoteConnected = FALSE;
    BTR_vWriteFlag(FCID("IBTR"), FALSE, P_NORMAL);
  } else if (s_eBtOpMode == BT_OP_MODE_NORMAL) {
    if (s_bSyncMessage) {
      s_bRemoteConnected = TRUE;
      BTR_vWriteFlag(FCID("IBTR"), TRUE, P_NORMAL);
      U_VIEW_bUnRegisterLayer(INFO_BT_CONF_LAYER);
      s_bSyncMessage = FALSE;
      L_SEMA_Signal(SEMA_KEYCLICK_GOOD);
      BTR_KEYS_vSyncCompleteShown();
      L_SEMA_Signal(SEMA_VIEW_UPDATE);
    }
    U_KEYBOARD_bUnregisterKeys(M_BT_REMOTE, BTR_ALL_KEYS);
  }
  BTR_vWriteFlag(FCID("IBTD"), TRUE, P_NORMAL);
  BTR_vStartSupervision();
  s_bDoubleKeyPress = FALSE;
}

static BOOLEAN BTR_bHexDigit(U8 c, U8* pu8) {
  if (c >= '0' && c <= '9') {
    *pu8 = (U8)(c - '0');
  } else if (c >= 'A' && c <= 'F') {
    *pu8 = (U8)(c - 'A' + 10);
  } else {
    return FALSE;
  }
  return TRUE;
}

// ---------------------------------------------------------------------------
// Button machine

void BTR_KEYS_vMarkPress(void) {
  void (*pfn)(void) = s_pfnMark;
  if (pfn != nullptr) {
    pfn();
  } else {
    log_me("[%d]%s: no mark action is linked", __LINE__, __func__);
  }
}

static void BTR_vPressAction(S32 key) {
  switch (key) {
    case REMOTE_KEY_MENU: BTR_KEYS_vKeyMenu(FALSE); break;
    case REMOTE_KEY_DATA_BOX: BTR_vDataBarToggle(); break;
    case REMOTE_KEY_MARK: BTR_KEYS_vMarkPress(); break;
    default: break;
  }
}

static void BTR_vHoldAction(S32 key) {
  switch (key) {
    case REMOTE_KEY_MENU: BTR_KEYS_vKeyMenu(TRUE); break;
    case REMOTE_KEY_DATA_BOX:
      if (s_bDataBarDisplayOn) s_u32DataBarPage = s_u32DataBarPage == 1 ? 2 : 1;
      break;
    case REMOTE_KEY_MARK: BTR_KEYS_vKeyMarkHold(); break;
    default: break;
  }
}

static BOOLEAN BTR_bTimedKey(S32 key) {
  return key == REMOTE_KEY_MARK || key == REMOTE_KEY_MENU || key == REMOTE_KEY_DATA_BOX;
}

static void BTR_vPress(S32 k, U32 t) {
  if ((k == REMOTE_KEY_VIEW2 && g_s32BtrKey == REMOTE_KEY_VIEW1) ||
      (k == REMOTE_KEY_VIEW1 && g_s32BtrKey == REMOTE_KEY_VIEW2)) {
    BTR_vStopTimer(BTR_TIMER_BUTTON);
    g_s32BtrKey = BTR_KEY_NONE;
    s_bDoubleKeyPress = TRUE;
    return;
  }
  if (s_bDoubleKeyPress || g_s32BtrKey != BTR_KEY_NONE) return;
  g_s32BtrKey = k;
  const BOOLEAN bPlusMinus = k == REMOTE_KEY_PLUS || k == REMOTE_KEY_MINUS;
  const BOOLEAN bLastPlusMinus = g_s32BtrLastKey == REMOTE_KEY_PLUS || g_s32BtrLastKey == REMOTE_KEY_MINUS;
  if (g_s32BtrLastKey == BTR_KEY_NONE || (bPlusMinus && !bLastPlusMinus) || (!bPlusMinus && k != g_s32BtrLastKey)) {
    BTR_KEYS_vClearVisualConfirmation();
  }
  g_s32BtrLastKey = k;
  s_u32KeyPressTimestamp = t;
  switch (k) {
    case REMOTE_KEY_MARK:
    case REMOTE_KEY_MENU:
      BTR_vDataBarOff();
      BTR_vStartTimer(BTR_TIMER_BUTTON);
      break;
    case REMOTE_KEY_MINUS:
    case REMOTE_KEY_PLUS:
      BTR_vDataBarOff();
      BTR_KEYS_vKeyPlusMinus(REMOTE_KEY_PRESS);
      break;
    case REMOTE_KEY_DATA_BOX:
      L_SEMA_Signal(SEMA_KEYCLICK_GOOD);
      BTR_vStartTimer(BTR_TIMER_BUTTON);
      break;
    default:  // VIEW1, VIEW2
      BTR_vDataBarOff();
      L_SEMA_Signal(SEMA_KEYCLICK_GOOD);
      if (BTR_mboxOf(FCID("TVUE")) != 0) {
        BTR_vSendKeyPair(M_VIEWKEY, k == REMOTE_KEY_VIEW1 ? HKEY_MASK_EXIT : HKEY_MASK_VIEW, CURSOR_UP);
      }
      break;
  }
}

static void BTR_vRelease(U32 t) {
  s_bDoubleKeyPress = FALSE;
  const S32 k = g_s32BtrKey;
  if (BTR_bTimedKey(k)) {
    BTR_vStopTimer(BTR_TIMER_BUTTON);
    const BOOLEAN bHold = H_TICK_u32ElapsedTime(s_u32KeyPressTimestamp, t) > BTR_BUTTON_MS;
    if (s_bLastKeyPressAndHold != bHold) BTR_KEYS_vClearVisualConfirmation();
    s_bLastKeyPressAndHold = bHold;
    if (bHold) {
      BTR_vHoldAction(k);
    } else {
      BTR_vPressAction(k);
    }
  } else if (k == REMOTE_KEY_PLUS || k == REMOTE_KEY_MINUS) {
    BTR_KEYS_vKeyPlusMinus(REMOTE_KEY_RELEASE);
  }
  g_s32BtrKey = BTR_KEY_NONE;
}

static void BTR_vButtonExpired(void) {
  BTR_vStopTimer(BTR_TIMER_BUTTON);
  const S32 k = g_s32BtrKey;
  if (!BTR_bTimedKey(k)) return;
  if (!s_bLastKeyPressAndHold) BTR_KEYS_vClearVisualConfirmation();
  s_bLastKeyPressAndHold = TRUE;
  BTR_vHoldAction(k);
  g_s32BtrKey = BTR_KEY_WAITING_FOR_RELEASE;
}

// ---------------------------------------------------------------------------
// Mail

static void BTR_vRemoteMessage(const void* pMessage) {
  const MSG_BLUETOOTH_REMOTE_GENERIC* g = (const MSG_BLUETOOTH_REMOTE_GENERIC*)pMessage;
  s_bWatching = TRUE;
  s_u32LastSeenMs = BTR_u32Now();
  if (s_eBtOpMode == BT_OP_MODE_NOT_PRESENT) {
    s_eBtOpMode = BT_OP_MODE_IDLE;
    BTR_vHandleBtOpMode();
  }
  switch (g->eMsgtype) {
    case BLUETOOTH_TYPE_BUTTON: {
      const MSG_BLUETOOTH_REMOTE_BUTTON* b = (const MSG_BLUETOOTH_REMOTE_BUTTON*)pMessage;
      if (!s_bRemoteConnected) {
        s_bRemoteConnected = TRUE;
        BTR_vWriteFlag(FCID("IBTR"), TRUE, P_NORMAL);
      }
      if (b->eRemoteKey > REMOTE_KEY_VIEW2) break;
      if (b->eRemoteKeyState == REMOTE_KEY_PRESS) {
        BTR_vPress((S32)b->eRemoteKey, b->u32Timestamp);
      } else {
        BTR_vRelease(b->u32Timestamp);
      }
      break;
    }
    case BLUETOOTH_TYPE_STATUS: {
      const MSG_BLUETOOTH_REMOTE_STATUS* s = (const MSG_BLUETOOTH_REMOTE_STATUS*)pMessage;
      U8 hi = 0, lo = 0;
      if (s->eStatusType != REMOTE_STATUS_TYPE_OP_MODE || !BTR_bHexDigit(s->au8Status[0], &hi) ||
          !BTR_bHexDigit(s->au8Status[1], &lo)) {
        break;
      }
      const BT_OP_MODE eMode = (BT_OP_MODE)(hi * 16 + lo);
      if (eMode != s_eBtOpMode) {
        s_eBtOpMode = eMode;
        BTR_vHandleBtOpMode();
      }
      break;
    }
    case BLUETOOTH_TYPE_ACK:
      // Only the acknowledgement of the request in flight ends its re-sending:
      // one for an earlier copy leaves the retry running.
      if (s_bAckAwaited && g->u8Value == s_u8AwaitedChecksum) {
        s_bAckAwaited = FALSE;
        s_eLastMsgType = (REMOTE_MSG_TYPE)0;
        s_u8LastValue = 0;
        BTR_vStopTimer(BTR_TIMER_ACK);
      }
      break;
    case BLUETOOTH_TYPE_HEARTBEAT: s_u32BatteryStatus = g->u8Value; break;
    case BLUETOOTH_TYPE_HELLO: BTR_vStartSupervision(); break;
    case BLUETOOTH_TYPE_CHECKSUM:
      // The notice of a copy that left after its request was acknowledged.
      if (s_eLastMsgType == 0) break;
      s_u8AwaitedChecksum = g->u8Value;
      s_bAckAwaited = TRUE;
      BTR_vStartTimer(BTR_TIMER_ACK);
      break;
    default: break;
  }
}

static void BTR_vCancelSync(void) {
  L_SEMA_Signal(SEMA_KEYCLICK_GOOD);
  U_VIEW_bUnRegisterLayer(INFO_BT_CONF_LAYER);
  U_KEYBOARD_bUnregisterKeys(M_BT_REMOTE, BTR_ALL_KEYS);
  s_bSyncMessage = FALSE;
}

static void BTR_vKeyChange(const MSG_KEY_CHANGE* p) {
  BTR_vDataBarOff();
  if (!s_bSyncMessage) return;
  if (p->key == HKEY_MASK_EXIT || (p->key == HKEY_MASK_CURSOR && p->cursor == CURSOR_EAST)) {
    BTR_vCancelSync();
  } else {
    L_SEMA_Signal(SEMA_KEYCLICK_BAD);
  }
}

static void BTR_vNewData(const MESSAGE_NEW_DATA* p) {
  const U32 u32Value = p->dbValue.u32Val;
  if (BTR_KEYS_bIsKeySetting(p->FourCharId)) {
    BTR_KEYS_vSettingChanged(p->FourCharId, u32Value);
    return;
  }
  switch (p->FourCharId) {
    case FCID("CVEW"):
      BTR_vDataBarOff();
      BTR_KEYS_vClearVisualConfirmation();
      break;
    case FCID("YMSS"):
      if (s_bMenusRegistered && !(s_u32Ymss != 0 && u32Value != 0)) BTR_KEYS_vSetupMenus(TRUE);
      s_u32Ymss = u32Value;
      break;
    case FCID("SIUF"):
      if (s_bMenusRegistered && u32Value != 0 && !s_bSiuf) BTR_KEYS_vSetupMenus(TRUE);
      s_bSiuf = u32Value != 0;
      break;
    case FCID("IPEN"):
      if (s_bMenusRegistered) BTR_KEYS_vRegisterChartMenu();
      break;
    default: break;
  }
}

static void BTR_vSetDefaults(BOOLEAN bFactory) {
  BTR_KEYS_vSetDefaults(bFactory);
  H_DATABASE_bFetchU32(FCID("YMSS"), &s_u32Ymss, nullptr, nullptr);
  U32 u32Siuf = 0;
  H_DATABASE_bFetchU32(FCID("SIUF"), &u32Siuf, nullptr, nullptr);
  s_bSiuf = u32Siuf != 0;
  s_bRemoteConnected = FALSE;
  const U32 u32Priority = bFactory ? (U32)P_NORMAL : (U32)P_DEFAULT_SETTING;
  BTR_vWriteFlag(FCID("IBTR"), FALSE, u32Priority);
  BTR_vWriteFlag(FCID("IBTD"), FALSE, u32Priority);
}

static void BTR_vStartSync(void);

static void BTR_vMessage(void* pMessage) {
  const GENERIC_MESSAGE* h = (const GENERIC_MESSAGE*)pMessage;
  switch (h->Cmd) {
    case CMD_ID_SHUTDOWN:
      BTR_vStopTimer(BTR_TIMER_BUTTON);
      BTR_vStopTimer(BTR_TIMER_ACK);
      BTR_vStopTimer(BTR_TIMER_HEARTBEAT);
      break;
    case CMD_ID_NEW_DATA: BTR_vNewData((const MESSAGE_NEW_DATA*)pMessage); break;
    case CMD_ID_RESET_POS: BTR_vSetDefaults(TRUE); break;
    case CMD_ID_KEY_CHANGE:
      if (!s_bIceMode) BTR_vKeyChange((const MSG_KEY_CHANGE*)pMessage);
      break;
    case CMD_ID_BLUETOOTH_REMOTE_RX:
      if (!s_bIceMode) BTR_vRemoteMessage(pMessage);
      break;
    case CMD_ID_BLUETOOTH_REMOTE_TX:  // "Sync New Remote", from the menu task
      if (!s_bIceMode) BTR_vStartSync();
      break;
    default: break;
  }
  H_MEMORY_vDumpMail(pMessage);
}

static void BTR_vTimerExpired(BTR_TIMER eTimer) {
  switch (eTimer) {
    case BTR_TIMER_BUTTON: BTR_vButtonExpired(); break;
    case BTR_TIMER_ACK:
      // The checksum notice of the copy starts the next second's wait.
      BTR_vStopTimer(BTR_TIMER_ACK);
      if (s_eLastMsgType != 0) BTR_vSendRequest(s_eLastMsgType, s_u8LastValue);
      break;
    case BTR_TIMER_HEARTBEAT:
      s_aTimer[BTR_TIMER_HEARTBEAT].u32Due += BTR_HEARTBEAT_MS;
      if (s_bWatching && BTR_u32Now() - s_u32LastSeenMs >= BTR_LOST_MS) BTR_vLinkLost();
      break;
    case BTR_TIMER_CONFIRM: BTR_KEYS_vClearVisualConfirmation(); break;
    default: break;
  }
}

// Runs the timers that are due, in their order; returns the milliseconds
// to the next one.
static U32 BTR_u32RunTimers(void) {
  for (int i = 0; i < BTR_TIMER_COUNT; i++) {
    const U32 now = BTR_u32Now();
    if (s_aTimer[i].bRunning && (S32)(now - s_aTimer[i].u32Due) >= 0) {
      if (!s_bIceMode) BTR_vTimerExpired((BTR_TIMER)i);
      if (i == BTR_TIMER_HEARTBEAT && (S32)(BTR_u32Now() - s_aTimer[i].u32Due) >= 0) {
        s_aTimer[i].u32Due = BTR_u32Now() + BTR_HEARTBEAT_MS;  // a stopped clock must not spin
      }
    }
  }
  U32 u32Sleep = BTR_MAX_SLEEP_MS;
  const U32 now = BTR_u32Now();
  for (const BTR_TIMER_STATE& t : s_aTimer) {
    if (!t.bRunning) continue;
    const S32 left = (S32)(t.u32Due - now);
    if (left <= 0) return 0;
    if ((U32)left < u32Sleep) u32Sleep = (U32)left;
  }
  return u32Sleep;
}

void T_BTREMOTE_vHandleMail(void* pMessage) {
  BTR_u32RunTimers();
  BTR_vMessage(pMessage);
}

// ---------------------------------------------------------------------------
// Pairing

// Starts on the task's own thread: the menu task runs the menu action, and
// the pairing state belongs to this task.
void T_BTREMOTE_vSyncNewRemote(void) {
  MSG_BLUETOOTH_REMOTE_GENERIC* p =
      (MSG_BLUETOOTH_REMOTE_GENERIC*)H_MEMORY_pvMallocNoWait(sizeof(MSG_BLUETOOTH_REMOTE_GENERIC));
  if (p == nullptr) return;
  memset(p, 0, sizeof *p);
  p->Header.Cmd = CMD_ID_BLUETOOTH_REMOTE_TX;
  p->eMsgtype = BLUETOOTH_TYPE_SET_MODE;
  p->u8Value = REMOTE_MODE_PAIRING;
  if (L_MBOX_Send(M_BT_REMOTE, p, BTR_MAIL_PRIORITY, 0) != 0) H_MEMORY_vFree(p);
}

static void BTR_vStartSync(void) {
  T_MENU_vRemoveMenus();
  BTR_vRegisterDialogKeys();
  s_bSyncMessage = TRUE;
  U_VIEW_bRegisterLayer(T_BTREMOTE_vRenderSyncMessage, INFO_BT_CONF_LAYER, (LAYER_ID)-1, 0, 0, TRUE, nullptr, nullptr,
                        nullptr);
  BTR_vSendRequest(BLUETOOTH_TYPE_SET_MODE, REMOTE_MODE_PAIRING);
}

// ---------------------------------------------------------------------------
// Entry

void T_BTREMOTE_vMain(void) {
  log_me("[%d]%s: started", __LINE__, __func__);
  if (H_DATABASE_bUpdateEverythingU32(FCID("TBTR"), (U32)M_BT_REMOTE, P_NORMAL, D_MAILBOX, nullptr, DB_NEVER_STALE)) {
    ERROR_vFatal(__FILE_NAME__, __LINE__, "Somebody else registered the Bluetooth Remote Task Maibox");
  }
  for (FOURCHARID key : {FCID("CVEW"), FCID("CVAS"), FCID("IPEN"), FCID("SK01")}) {
    H_DATABASE_bRegisterForDataWithConditions(key, M_BT_REMOTE, TRUE, FALSE, FALSE);
  }
  for (char digit = '1'; digit <= '7'; digit++) {
    for (char column : {'2', '3', '4'}) {
      const char key[5] = {'S', 'K', digit, column, 0};
      H_DATABASE_bRegisterForDataWithConditions(FCID(key), M_BT_REMOTE, TRUE, FALSE, FALSE);
    }
  }
  H_DATABASE_bRegisterForDataWithConditions(FCID("YMSS"), M_BT_REMOTE, TRUE, FALSE, TRUE);
  H_DATABASE_bRegisterForDataWithConditions(FCID("SIUF"), M_BT_REMOTE, TRUE, FALSE, TRUE);
  BOOLEAN bIce = FALSE;
  H_DATABASE_bFetchBoolean(FCID("SICE"), &bIce, nullptr, nullptr);
  s_bIceMode = bIce;
  s_eBtOpMode = BT_OP_MODE_NOT_PRESENT;
  s_bWatching = FALSE;
  s_bMenusRegistered = FALSE;
  s_bSyncMessage = FALSE;
  s_bDoubleKeyPress = FALSE;
  s_bAckAwaited = FALSE;
  s_eLastMsgType = (REMOTE_MSG_TYPE)0;
  g_s32BtrKey = BTR_KEY_NONE;
  g_s32BtrLastKey = BTR_KEY_NONE;
  s_bDataBarDisplayOn = FALSE;
  s_u32DataBarPage = 1;
  for (BTR_TIMER_STATE& t : s_aTimer) t.bRunning = FALSE;
  BTR_vSetDefaults(FALSE);
  for (;;) {
    const U32 u32Sleep = BTR_u32RunTimers();
    if (u32Sleep == 0) continue;
    if (L_SEMA_WaitTicks(SEMA_MBOX_BTREMOTE, u32Sleep) != 0) continue;
    // Timers that fell due while the mail waited go first.
    while (void* p = L_MBOX_Receive(M_BT_REMOTE)) T_BTREMOTE_vHandleMail(p);
  }
}

// ---------------------------------------------------------------------------
// Drawing, on the view task's thread

namespace {

struct BTR_CELL {
  POINT title, value, units;
};
const BTR_CELL s_aCell[4] = {
    {{13, 430}, {388, 252}, {388, 430}},   // top-left
    {{412, 430}, {787, 252}, {737, 430}},  // top-right
    {{412, 191}, {787, 13}, {787, 191}},   // bottom-right
    {{13, 191}, {388, 13}, {388, 191}},    // bottom-left
};
const POINT s_aCellOrigin[4] = {{13, 252}, {412, 252}, {412, 13}, {13, 13}};
const FOURCHARID s_afcidPage1[4] = {FCID("BDEP"), FCID("BSPD"), FCID("BHDG"), FCID("BVLT")};
const FOURCHARID s_afcidPage2[4] = {FCID("BXTE"), FCID("BSPD"), FCID("BHDG"), FCID("BBRG")};
const char* const* const s_apTitle1[4] = {Depth, Speed, Course, Voltage};
const char* const* const s_apTitle2[4] = {XTE, Speed, Course, Bearing};

constexpr U32 BTR_FONT_REGULAR = 1;
constexpr U32 BTR_FONT_BOLD = 2;

void BTR_vRightText(BITMAP* pBitmap, const char* pText, POINT right, COLOR color, U32 u32Size, U32 u32Style) {
  const POINT at = {right.x - (S32)G_TRUETYPE_u32GetWidth(pText, u32Size, u32Style), right.y};
  G_TRUETYPE_vPut(pBitmap, pText, &at, color, u32Size, u32Style);
}

void BTR_vDrawCell(BITMAP* pBitmap, int cell, FOURCHARID item, const char* const* pTitle, BOOLEAN bFlash, U32 nLang) {
  DB_DATA_TYPE value = {};
  DB_ATTRIBUTES attributes = {};
  if (!H_DATABASE_bFetch(item, &value, nullptr, &attributes)) return;
  const COLOR text = gCOLOR_pcolColorTable[35];
  if (attributes.DataType == D_POINTER) {
    INFO_BOX_RENDERING_FUNCTION* pRender = (INFO_BOX_RENDERING_FUNCTION*)value.vpPointer;
    POINT pt = s_aCellOrigin[cell];
    if (pRender != nullptr) pRender(pBitmap, &pt, VIBD_DOWN, nLang);
    return;
  }
  if (attributes.DataType != D_FCID) return;
  BOOLEAN bValid = FALSE;
  char sValue[40] = "";
  char sUnits[21] = "";
  T_INFO_vGetData(value.u32Val, &bValid, sValue, sUnits, nullptr, nullptr, nLang);
  if (!bValid && !bFlash) return;
  G_TRUETYPE_vPut(pBitmap, pTitle[nLang], &s_aCell[cell].title, text, 38, BTR_FONT_BOLD);
  BTR_vRightText(pBitmap, sValue, s_aCell[cell].value, text, 100, BTR_FONT_REGULAR);
  BTR_vRightText(pBitmap, sUnits, s_aCell[cell].units, text, 38, BTR_FONT_REGULAR);
}

void BTR_vDrawBattery(BITMAP* pBitmap, U32 u32Battery) {
  if (u32Battery == 0) return;
  // The gauge shows at most a full battery whatever the remote reports.
  const U32 level = ((u32Battery > 100 ? 100 : u32Battery) + 9) / 10;
  const COLOR outline = gCOLOR_pcolColorTable[35];
  const POINT body = {747, 410};
  G_BOX_vDraw(pBitmap, outline, &body, 44, 64);
  const POINT cap = {759, 474};
  G_BOX_vDrawFilled(pBitmap, outline, &cap, 20, 5);
  if (level > 0) {
    const BOOLEAN bGood = level > 2;
    const U32 height = (level - 1) * 6 + 5;
    const POINT light = {752, 416}, middle = {755, 416}, dark = {786, 416};
    G_BOX_vDrawFilled(pBitmap, bGood ? 0x9ED4 : 0xFC10, &light, 3, height);
    G_BOX_vDrawFilled(pBitmap, bGood ? 0x3DA9 : 0xF800, &middle, 31, height);
    G_BOX_vDrawFilled(pBitmap, bGood ? 0x1AC4 : 0x7800, &dark, 3, height);
  }
  const POINT icon = {755, 421};
  G_ICON_vPut(pBitmap, &Remote_Battery_Symbol, &icon);
}

}  // namespace

void T_BTREMOTE_vDrawRemoteInfoLayer(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER) {
  const U32 nLang = nCurrentLanguage();
  const COLOR line = gCOLOR_pcolColorTable[35];
  G_BMP_vSet(pBitmap, gCOLOR_pcolColorTable[32]);  // black under white text
  const POINT origin = {0, 0}, inner = {2, 2};
  G_BOX_vDraw(pBitmap, line, &origin, 800, 480);
  G_BOX_vDraw(pBitmap, line, &inner, 796, 476);
  const POINT lower = {398, 13}, upper = {398, 252}, middle = {13, 238};
  G_BOX_vDrawFilled(pBitmap, line, &lower, 4, 225);
  G_BOX_vDrawFilled(pBitmap, line, &upper, 4, 225);
  G_BOX_vDrawFilled(pBitmap, line, &middle, 774, 4);
  const BOOLEAN bFlash = !s_bDataFlashOn.load();
  s_bDataFlashOn = bFlash;
  const BOOLEAN bPage2 = s_u32DataBarPage == 2;
  for (int cell = 0; cell < 4; cell++) {
    BTR_vDrawCell(pBitmap, cell, bPage2 ? s_afcidPage2[cell] : s_afcidPage1[cell],
                  bPage2 ? s_apTitle2[cell] : s_apTitle1[cell], bFlash, nLang);
  }
  BTR_vDrawBattery(pBitmap, s_u32BatteryStatus);
}

void T_BTREMOTE_vRenderSyncMessage(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER) {
  const U32 nLang = nCurrentLanguage();
  U_DIALOG_vDrawTwoInstructionDialogWithIconAndConfirm(
      pBitmap, Sync_New_Remote[nLang], &Remote_Sync_Graphic, Remote_Sync_Step_1[nLang], Remote_Sync_Step_2[nLang],
      U_DIALOG_pTextFont(), nullptr, Cancel[nLang], JUSTIFICATION_LEFT, JUSTIFICATION_CENTER, FALSE, TRUE, 620, 400);
}
