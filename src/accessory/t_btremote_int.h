// What the remote task's link, button and key-mapping files share inside
// the task. Everything here runs on the task's thread unless it says so.
#pragma once

#include <atomic>

#include "basetypes.h"
#include "fourcharid.h"
#include "linuxsvc.h"
#include "msg_bluetooth_remote.h"
#include "t_btremote.h"
#include "u_keyboard.h"

// The task's timers, in the order their expiries are handled.
enum BTR_TIMER { BTR_TIMER_BUTTON, BTR_TIMER_ACK, BTR_TIMER_HEARTBEAT, BTR_TIMER_CONFIRM, BTR_TIMER_COUNT };

// The button machine's held key besides the remote's keys.
constexpr S32 BTR_KEY_NONE = -2;
constexpr S32 BTR_KEY_WAITING_FOR_RELEASE = -1;

// Modes the dongle reports.
enum BT_OP_MODE : S32 {
  BT_OP_MODE_NOT_PRESENT = -1,
  BT_OP_MODE_FACTORY = 0,
  BT_OP_MODE_DEBUG = 1,
  BT_OP_MODE_PAIRING = 2,
  BT_OP_MODE_NOT_PAIRED = 3,
  BT_OP_MODE_SCANNING = 4,
  BT_OP_MODE_NORMAL = 5,
  BT_OP_MODE_IDLE = 6,
};

constexpr U8 REMOTE_MODE_PAIRING = 4;
constexpr U8 REMOTE_STATUS_OP_MODE = 1;

// Keys the task registers while a dialog or the data bar is up.
constexpr U32 BTR_DIALOG_KEYS = 0xFFEE;
constexpr U32 BTR_ALL_KEYS = 0xFFFE;

U32 BTR_u32Now(void);
void BTR_vStartTimer(BTR_TIMER eTimer);
void BTR_vStopTimer(BTR_TIMER eTimer);
MBOX BTR_mboxOf(FOURCHARID key);
// Two key-change mails (down, then up) or one, to mbox at priority 3.
void BTR_vSendKey(MBOX mbox, U32 u32Key, KEY_STATE eState, CURSOR_POSITION eCursor);
void BTR_vSendKeyPair(MBOX mbox, U32 u32Key, CURSOR_POSITION eCursor);
BOOLEAN BTR_bWideLanguage(void);

// The held key of the button machine (a REMOTE_KEY or BTR_KEY_*).
extern S32 g_s32BtrKey;

// Key mapping (t_btremote_keys.cpp).
void BTR_KEYS_vKeyPlusMinus(REMOTE_KEY_STATE eState);
void BTR_KEYS_vKeyMenu(BOOLEAN bHold);
void BTR_KEYS_vKeyMarkHold(void);
void BTR_KEYS_vMarkPress(void);
void BTR_KEYS_vClearVisualConfirmation(void);
// A change notice of one of the SK keys.
BOOLEAN BTR_KEYS_bIsKeySetting(FOURCHARID key);
void BTR_KEYS_vSettingChanged(FOURCHARID key, U32 u32Value);
void BTR_KEYS_vSetDefaults(BOOLEAN bFactory);
void BTR_KEYS_vSetupMenus(BOOLEAN bOptionsOnly);
void BTR_KEYS_vRegisterChartMenu(void);
void BTR_KEYS_vUnregisterOptions(void);
void BTR_KEYS_vSyncCompleteShown(void);
// The remembered previous key of the confirmation rule.
extern S32 g_s32BtrLastKey;
