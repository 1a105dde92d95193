// The keyboard task decides who gets each key. Tasks register for keys with
// a usage class; each key keeps a list of registrants, highest class first
// and the newest first among equals, and only the head hears the key. The
// task polls the keypad every 25 ms, turns a held POWER key into the
// three-second shutdown count-down, and carries out shutdown requests.
//
// The point-of-sale demonstration (t_demo) runs here too: it gets this
// task's demonstration ticks, its notices and keys, and news of every poll.

#include "t_keyboard.h"

#include <string.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>

#include "error.h"
#include "h_database.h"
#include "h_dbtable.h"
#include "h_memory.h"
#include "h_shutdown.h"
#include "linuxsvc.h"
#include "t_demo.h"
#include "u_dialog.h"
#include "u_keyboard.h"
#include "u_language.h"
#include "u_menu.h"
#include "u_shutdown.h"
#include "u_taskstub.h"
#include "u_view.h"
#include "u_wstring.h"
#include "ui_texts.h"

// ---------------------------------------------------------------------------
// State

typedef struct tag_KEY_USER {
  U32 key_ID;
  KEY_USAGE usage;
  KEY_STATE state;
  CURSOR_MODE cursor_mode;
  BOOLEAN repeat;
  BOOLEAN accelerate;
  MBOX mailbox;
  U32 flag;
  struct tag_KEY_USER* next;
} KEY_USER;

static KEY_USER* s_pKeyPower = nullptr;
static KEY_USER* s_pKeyMenu = nullptr;
static KEY_USER* s_pKeyExit = nullptr;
static KEY_USER* s_pKeyView = nullptr;
static KEY_USER* s_pKeyCursor = nullptr;

typedef struct tag_KEY_CROSS_REFERENCE {
  HKEY_ID hKey;
  U32 u32Bit;
  const char* KeyName;
  KEY_USER** pListHead;
  const KEY_USER* pConfigured;  // the head last pushed to the keypad layer
} KEY_CROSS_REFERENCE;

// In HKEY_ID order.
static KEY_CROSS_REFERENCE s_crossKey[HKEY_NUM_KEYS] = {
    {HKEY_POWER, HKEY_MASK_POWER, "POWER", &s_pKeyPower, nullptr},
    {HKEY_MENU, HKEY_MASK_MENU, "MENU", &s_pKeyMenu, nullptr},
    {HKEY_EXIT, HKEY_MASK_EXIT, "EXIT", &s_pKeyExit, nullptr},
    {HKEY_VIEW, HKEY_MASK_VIEW, "VIEW", &s_pKeyView, nullptr},
    {HKEY_CURSOR, HKEY_MASK_CURSOR, "CURSOR", &s_pKeyCursor, nullptr},
};

// Registration takes the keys in this order; POWER only alone.
static const HKEY_ID s_aRegisterOrder[] = {HKEY_MENU, HKEY_VIEW, HKEY_EXIT, HKEY_CURSOR};
static const HKEY_ID s_aUnregisterOrder[] = {HKEY_POWER, HKEY_VIEW, HKEY_MENU, HKEY_EXIT, HKEY_CURSOR};

enum SHUTDOWN_MESSAGE : U8 { FIRST_SHUTDOWN_MESSAGE = 1, SECOND_SHUTDOWN_MESSAGE = 2, LAST_SHUTDOWN_MESSAGE = 3 };
enum SHUTDOWN_TYPE { POWER_DOWN = 1, RESET = 2 };

// Read by the count-down's draw function on the view task.
static std::atomic<U8> s_shutdown_message{FIRST_SHUTDOWN_MESSAGE};
static U64 power_down_timer = 0;
static int keypress_time = 0;

constexpr U32 KEYBOARD_POLL_FIRST_MS = 10;
constexpr U32 KEYBOARD_POLL_MS = 25;
constexpr PRIORITY KEY_CHANGE_PRIORITY = 1;
constexpr PRIORITY KEYBOARD_MAIL_PRIORITY = 3;
constexpr U32 COUNTDOWN_BUFFER = 100;

// ---------------------------------------------------------------------------
// Registration lists

static void KEYBOARD_vInsert(KEY_USER** ppHead, KEY_USER* pNew) {
  while (*ppHead != nullptr && (U32)(*ppHead)->usage > (U32)pNew->usage) ppHead = &(*ppHead)->next;
  pNew->next = *ppHead;
  *ppHead = pNew;
}

static void KEYBOARD_vAddNode(HKEY_ID key, const MSG_REGISTER_FOR_KEYS* pMsg) {
  KEY_USER* pNode = (KEY_USER*)H_MEMORY_pvCalloc(1, sizeof(KEY_USER));
  pNode->key_ID = s_crossKey[key].u32Bit;
  pNode->usage = pMsg->usage;
  pNode->state = pMsg->state;
  pNode->cursor_mode = pMsg->cursor_mode;
  pNode->repeat = pMsg->repeat;
  pNode->accelerate = pMsg->accelerate;
  pNode->mailbox = pMsg->mailbox;
  pNode->flag = pMsg->flag;
  KEYBOARD_vInsert(s_crossKey[key].pListHead, pNode);
}

void T_KEYBOARD_vReConfigure(void) {
  for (HKEY_ID key : s_aRegisterOrder) {
    KEY_CROSS_REFERENCE& ref = s_crossKey[key];
    const KEY_USER* pHead = *ref.pListHead;
    if (pHead == ref.pConfigured) continue;
    ref.pConfigured = pHead;
    if (pHead != nullptr) {
      H_KEYBOARD_vSetupKey(key, pHead->repeat, pHead->accelerate, pHead->cursor_mode);
    } else {
      H_KEYBOARD_vSetupKey(key, FALSE, FALSE, CURSOR_4);
    }
  }
}

static void KEYBOARD_vHandleRegister(MSG_REGISTER_FOR_KEYS* pMsg) {
  if (pMsg->keys == HKEY_MASK_POWER) {
    KEYBOARD_vAddNode(HKEY_POWER, pMsg);
  } else {
    for (HKEY_ID key : s_aRegisterOrder) {
      if (pMsg->keys & s_crossKey[key].u32Bit) KEYBOARD_vAddNode(key, pMsg);
    }
  }
  pMsg->pass = TRUE;
  T_KEYBOARD_vReConfigure();
}

static void KEYBOARD_vHandleUnregister(const MSG_UNREGISTER_FOR_KEYS* pMsg) {
  for (HKEY_ID key : s_aUnregisterOrder) {
    if (!(pMsg->keys & s_crossKey[key].u32Bit)) continue;
    for (KEY_USER** pp = s_crossKey[key].pListHead; *pp != nullptr; pp = &(*pp)->next) {
      if ((*pp)->mailbox != pMsg->mailbox) continue;
      KEY_USER* pGone = *pp;
      *pp = pGone->next;
      H_MEMORY_vFree(pGone);
      break;
    }
  }
  T_KEYBOARD_vReConfigure();
}

// ---------------------------------------------------------------------------
// Shutdown

// The display task is told last, after every other task, and keeps the
// screen until then. The message outlives this call: the process ends here.
static void KEYBOARD_vShutdown(SHUTDOWN_TYPE type) {
  static const FOURCHARID s_aKeep[] = {FCID("TDSP"), FCID("TKBD"), FCID("TSND"), 0};
  log_me("[%d]%s: shutdown (%s)", __LINE__, __func__, type == POWER_DOWN ? "power down" : "reset");
  U_SHUTDOWN_vShutdown(s_aKeep);
  U32 mbox = 0;
  if (H_DATABASE_bFetchU32(FCID("TDSP"), &mbox, nullptr, nullptr) && mbox != 0) {
    static GENERIC_MESSAGE s_shutdown;
    s_shutdown.Cmd = CMD_ID_SHUTDOWN;
    L_SEMA_SetPending(SEMA_SHUTDOWN_KEYB);
    if (L_MBOX_Send((MBOX)mbox, &s_shutdown, KEYBOARD_MAIL_PRIORITY, SEMA_SHUTDOWN_KEYB) == 0) {
      U64 deadline = L_CLOCK_qwGetTimeInMillis() + 500;
      for (U64 now = L_CLOCK_qwGetTimeInMillis(); !L_MBOX_bIsAcknowledged(&s_shutdown) && now < deadline;
           now = L_CLOCK_qwGetTimeInMillis()) {
        L_SEMA_WaitTicks(SEMA_SHUTDOWN_KEYB, (TICKS)(deadline - now));
      }
    }
  }
  if (type == RESET) U_RESET_vReset();
  for (int i = 0; i < 20 && H_KEYBOARD_bIsPowerPressed(); i++) L_CLOCK_Sleep(250);
  H_SHUTDOWN_vShutdown();
}

// ---------------------------------------------------------------------------
// The POWER count-down

void T_KEYBOARD_vCountdownText(char* pBuffer, U32 u32Size, const char* pTemplate, char cDigit) {
  if (pBuffer == nullptr || u32Size < 2 || pTemplate == nullptr) return;
  if (U_WSTRING_bIsUnicodeLanguage()) {
    char acDigit[2] = {cDigit, 0};
    char* apArgs[1] = {acDigit};
    U_WSTRING_vReplaceCrossHatchWithNString(pTemplate, pBuffer, u32Size, apArgs, 1, FALSE, TRUE);
    return;
  }
  U32 out = 0;
  const char* p = pTemplate;
  while (*p != '\0' && *p != '{' && out + 1 < u32Size) pBuffer[out++] = *p++;
  if (*p == '{') {
    if (out + 1 < u32Size) pBuffer[out++] = cDigit;
    while (*p != '\0' && *p != '}') p++;
    if (*p == '}') p++;
    while (*p != '\0' && out + 1 < u32Size) pBuffer[out++] = *p++;
  }
  pBuffer[out] = '\0';
}

// The last second has a text of its own. A language whose translators have
// not given it yet keeps its plural with the digit 1 rather than turning
// English for that second.
static BOOLEAN KEYBOARD_bOwnLastSecond(unsigned nLanguage) {
  const BOOLEAN bWide = nLanguage >= LANGUAGE_FIRST_WIDE;
  const unsigned nEnglish = bWide ? LANGUAGE_ENGLISH_UNICODE : LANGUAGE_ENGLISH;
  if (nLanguage == nEnglish) return TRUE;
  const char* pOwn = Shutdown_in_1_second[nLanguage];
  const char* pEnglish = Shutdown_in_1_second[nEnglish];
  return U_WSTRING_u32w_strlen(pOwn, bWide) != U_WSTRING_u32w_strlen(pEnglish, bWide) ||
         memcmp(pOwn, pEnglish, U_WSTRING_u32w_strlen(pOwn, bWide)) != 0;
}

void T_KEYBOARD_vDrawShutdownMessage(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER) {
  const unsigned nLanguage = nCurrentLanguage();
  char acText[COUNTDOWN_BUFFER] = {};
  U8 message = s_shutdown_message;
  if (message == LAST_SHUTDOWN_MESSAGE) {
    U_WSTRING_vw_strncpy(acText, Shutting_Down[nLanguage], sizeof acText - 2, FALSE);
  } else if (message == SECOND_SHUTDOWN_MESSAGE && KEYBOARD_bOwnLastSecond(nLanguage)) {
    U_WSTRING_vw_strncpy(acText, Shutdown_in_1_second[nLanguage], sizeof acText - 2, FALSE);
  } else {
    T_KEYBOARD_vCountdownText(acText, sizeof acText, Shutdown_in_seconds[nLanguage],
                            message == FIRST_SHUTDOWN_MESSAGE ? '2' : '1');
  }
  const FONT_DEF* pFont =
      U_WSTRING_bIsUnicodeLanguage() ? arialuni_size17_font_def_ptr : myriad_pro_bold_size17_font_def_ptr;
  U_DIALOG_vDrawDialog(pBitmap, acText, pFont, nullptr, nullptr, JUSTIFICATION_CENTER, JUSTIFICATION_CENTER);
}

static void KEYBOARD_vProcessPowerDown(void) {
  U64 t = L_CLOCK_qwGetTimeInMillis() - power_down_timer;
  if (t < 1000) {
    keypress_time = 0;
  } else if (keypress_time == 0) {
    keypress_time = 1;
    s_shutdown_message = FIRST_SHUTDOWN_MESSAGE;
    U_VIEW_bRegisterLayer(T_KEYBOARD_vDrawShutdownMessage, SHUTDOWN_LAYER, USED_BY_ALL, 0, 0, TRUE, nullptr, nullptr,
                          nullptr);
  } else if (keypress_time == 1 && t >= 2000) {
    keypress_time = 2;
    s_shutdown_message = SECOND_SHUTDOWN_MESSAGE;
    L_SEMA_Signal(SEMA_VIEW_UPDATE);
  } else if (keypress_time == 2 && t >= 3000) {
    s_shutdown_message = LAST_SHUTDOWN_MESSAGE;
    L_SEMA_Signal(SEMA_VIEW_UPDATE);
    KEYBOARD_vShutdown(POWER_DOWN);
  }
}

// ---------------------------------------------------------------------------
// Polling the keypad

static void KEYBOARD_vSendKey(const KEY_USER* pHead, KEY_STATE state, U32 u32Count, CURSOR_POSITION cursor) {
  MSG_KEY_CHANGE* pMsg = (MSG_KEY_CHANGE*)H_MEMORY_pvCalloc(1, sizeof(MSG_KEY_CHANGE));
  pMsg->header.Cmd = CMD_ID_KEY_CHANGE;
  pMsg->key = pHead->key_ID;
  pMsg->state = state;
  pMsg->count = u32Count;
  pMsg->cursor = cursor;
  pMsg->flag = pHead->flag;
  if (L_MBOX_Send(pHead->mailbox, pMsg, KEY_CHANGE_PRIORITY, 0) != 0) H_MEMORY_vFree(pMsg);
}

BOOLEAN T_KEYBOARD_bSendKeyPastSelf(HKEY_ID key, CURSOR_POSITION cursor) {
  if ((U32)key >= HKEY_NUM_KEYS) return FALSE;
  const KEY_USER* pUser = *s_crossKey[key].pListHead;
  while (pUser != nullptr && pUser->mailbox == M_KEYB) pUser = pUser->next;
  if (pUser == nullptr) return FALSE;
  KEYBOARD_vSendKey(pUser, KEY_DOWN, 1, cursor);
  KEYBOARD_vSendKey(pUser, KEY_UP, 1, cursor);
  return TRUE;
}

static void KEYBOARD_vPollKeys(void) {
  if (H_KEYBOARD_bProcessKeys()) T_DEMO_vKeysPolled();
  HKEY_ID key;
  KEY_STATE state;
  U32 u32Count;
  CURSOR_POSITION cursor;
  while (H_KEYBOARD_bFetchKeyEvent(&key, &state, &u32Count, &cursor)) {
    if ((U32)key >= HKEY_NUM_KEYS) continue;
    if (key == HKEY_POWER) {
      if (state == KEY_DOWN) power_down_timer = L_CLOCK_qwGetTimeInMillis();
      if (state == KEY_UP) U_VIEW_bUnRegisterLayer(SHUTDOWN_LAYER);
    }
    const KEY_USER* pHead = *s_crossKey[key].pListHead;
    // Every press and release in the log, with whom it went to: a key pressed
    // before the last was taken is hard to tell from one that was lost.
    log_me("[%d]%s: key %s %s, for mailbox %d", __LINE__, __func__, s_crossKey[key].KeyName,
           state == KEY_DOWN ? "down" : "up", pHead != nullptr ? (int)pHead->mailbox : 0);
    if (pHead == nullptr) {
      if (state == KEY_DOWN) L_SEMA_Signal(SEMA_KEYCLICK_BAD);
      continue;
    }
    BOOLEAN bWanted = state == KEY_UP ? (pHead->state == KEY_UP || pHead->state == KEY_CHANGE)
                                      : (pHead->state == KEY_DOWN || pHead->state == KEY_CHANGE);
    if (bWanted) KEYBOARD_vSendKey(pHead, state, u32Count, cursor);
  }
  if (H_KEYBOARD_bIsDown(HKEY_POWER)) KEYBOARD_vProcessPowerDown();
}

// ---------------------------------------------------------------------------
// Factory defaults

// Every task but this one hears of the reset. A mailbox key that is stale,
// zero or out of range names no task to tell.
void T_KEYBOARD_vSendResetMessages(void) {
  MULTI_FETCH_CONTROL_STRUCTURE walk = {};
  walk.cMatch = 'T';
  walk.__bNotFirst = FALSE;
  while (H_DATABASE_bFetchNextBeginningWith(&walk)) {
    U32 mbox = walk.data.u32Val;
    if (!walk.bValid || mbox == 0 || mbox > (U32)nmboxes || mbox == (U32)M_KEYB) continue;
    GENERIC_MESSAGE* pMsg = (GENERIC_MESSAGE*)H_MEMORY_pvCalloc(1, 20);
    pMsg->Cmd = CMD_ID_RESET_POS;
    if (L_MBOX_Send((MBOX)mbox, pMsg, KEYBOARD_MAIL_PRIORITY, 0) != 0) H_MEMORY_vFree(pMsg);
  }
}

// Every setting the key table does not keep goes back to its factory value
// (balloons on, the backlight of the mode, the dialogs' "do not show again"
// cleared among them); then each task resets what it holds, and the quick
// set-up is asked for again.
void T_KEYBOARD_vRestoreFactoryDefaults(void) {
  const U32 u32Written = H_DBTABLE_u32RestoreDefaults();
  log_me("[%d]%s: %u settings back to their factory values", __LINE__, __func__, (unsigned)u32Written);
  T_KEYBOARD_vSendResetMessages();
  H_DATABASE_bUpdateValueBoolean(FCID("SRDF"), TRUE, P_NORMAL);
  L_SEMA_Signal(SEMA_KEYCLICK_GOOD);
}

// ---------------------------------------------------------------------------
// Mail

static void KEYBOARD_vHandleNewData(const MESSAGE_NEW_DATA* pMsg) {
  if (pMsg->FourCharId == FCID("SMDL")) {
    T_KEYBOARD_vSendResetMessages();
  } else {
    T_DEMO_vNewData(pMsg);
  }
}

static void KEYBOARD_vHandleRunSystem(void) {
  U_MENU_bRegisterMainActionMenu(Restore_Defaults, Setup, MENU_RESTORE_FACTORY_DEFAULTS,
                                 T_KEYBOARD_vRestoreFactoryDefaults, TRUE, M_BASIC);
  H_DATABASE_bRegisterForDataWithConditions(FCID("CCST"), M_KEYB, TRUE, FALSE, FALSE);
  T_DEMO_vRunSystem();
}

static void KEYBOARD_vDispatch(GENERIC_MESSAGE* pMsg) {
  switch (pMsg->Cmd) {
    case CMD_ID_SHUTDOWN:
      H_MEMORY_vDumpMail(pMsg);
      KEYBOARD_vShutdown(POWER_DOWN);
      return;
    case CMD_ID_NEW_DATA:
      KEYBOARD_vHandleNewData((const MESSAGE_NEW_DATA*)pMsg);
      break;
    case CMD_ID_REGISTER_FOR_KEYS:
      KEYBOARD_vHandleRegister((MSG_REGISTER_FOR_KEYS*)pMsg);
      break;
    case CMD_ID_UNREGISTER_FOR_KEYS:
      KEYBOARD_vHandleUnregister((const MSG_UNREGISTER_FOR_KEYS*)pMsg);
      break;
    case CMD_ID_INITIATE_SHUTDOWN: {
      const MSG_INITIATE_SHUTDOWN* pShut = (const MSG_INITIATE_SHUTDOWN*)pMsg;
      BOOLEAN bPowerOff = pShut->bPowerOff && !pShut->bReset;
      BOOLEAN bReset = pShut->bReset && !pShut->bPowerOff;
      H_MEMORY_vDumpMail(pMsg);
      if (bPowerOff) KEYBOARD_vShutdown(POWER_DOWN);
      if (bReset) KEYBOARD_vShutdown(RESET);
      return;
    }
    case CMD_ID_RUN_SYSTEM:
      KEYBOARD_vHandleRunSystem();
      break;
    case CMD_ID_KEY_CHANGE:
      T_DEMO_vKeyChange((const MSG_KEY_CHANGE*)pMsg);
      break;
    default:
      break;
  }
  H_MEMORY_vDumpMail(pMsg);
}

// ---------------------------------------------------------------------------
// The task

static void KEYBOARD_vInit(void) {
  log_me("[%d]%s: LWP ID %ld", __LINE__, __func__, (long)syscall(SYS_gettid));
  if (H_DATABASE_bUpdateEverythingU32(FCID("TKBD"), (U32)M_KEYB, P_NORMAL, D_MAILBOX, nullptr, DB_NEVER_STALE)) {
    ERROR_vFatal(__FILE_NAME__, __LINE__, "Somebody else registered the Keyboard Task Maibox");
  }
  H_DATABASE_bRegisterForDataWithConditions(FCID("SMDL"), M_KEYB, TRUE, FALSE, FALSE);
  H_KEYBOARD_vInit();
  H_DATABASE_bUpdateEverythingBoolean(FCID("CKCK"), TRUE, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  if (L_TIMER_Start(nullptr, KEYBOARD_POLL_FIRST_MS, KEYBOARD_POLL_MS, SEMA_TIMER_KEYB) == nullptr) {
    ERROR_vFatal(__FILE_NAME__, __LINE__, "No keyboard poll timer");
  }
  H_DATABASE_bUpdateEverythingBoolean(FCID("CDSM"), FALSE, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
}

void T_KEYBOARD_vMain(void) {
  KEYBOARD_vInit();
  const SEMA events[] = {SEMA_MBOX_KEYB, SEMA_TIMER_KEYB, SEMA_TIMER_POS, SEMA_SERIAL_KEYBOARD_DISABLE, 0};
  for (;;) {
    S32 event = L_SEMA_WaitMultiple(events);
    if (event == SEMA_TIMER_KEYB) {
      KEYBOARD_vPollKeys();
    } else if (event == SEMA_MBOX_KEYB) {
      while (GENERIC_MESSAGE* pMsg = (GENERIC_MESSAGE*)L_MBOX_Receive(M_KEYB)) KEYBOARD_vDispatch(pMsg);
    } else if (event == SEMA_TIMER_POS) {
      T_DEMO_vTick();
    } else if (event == SEMA_SERIAL_KEYBOARD_DISABLE) {
      T_DEMO_vPhotoDone();
    }
  }
}
