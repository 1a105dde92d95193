#include "u_keyboard.h"

#include "h_database.h"
#include "h_memory.h"
#include "linuxsvc.h"

constexpr PRIORITY KEYBOARD_CLIENT_PRIORITY = 3;

static BOOLEAN KEYBOARD_bSend(void* pMsg) {
  U32 mbox = 0;
  BOOLEAN bValid = FALSE;
  if (H_DATABASE_bFetchU32(FCID("TKBD"), &mbox, &bValid, nullptr) && bValid && mbox != 0 &&
      L_MBOX_Send((MBOX)mbox, pMsg, KEYBOARD_CLIENT_PRIORITY, 0) == 0) {
    return TRUE;
  }
  H_MEMORY_vFree(pMsg);
  return FALSE;
}

// The request starts zeroed, so the flag copied into key-change messages is 0.
BOOLEAN U_KEYBOARD_bRegisterKeys(MBOX mboxOwner, U32 u32Keys, KEY_STATE state, BOOLEAN bRepeat, BOOLEAN bAccelerate,
                                 CURSOR_MODE cursorMode, KEY_USAGE usage) {
  MSG_REGISTER_FOR_KEYS* pMsg = (MSG_REGISTER_FOR_KEYS*)H_MEMORY_pvCalloc(1, sizeof(MSG_REGISTER_FOR_KEYS));
  pMsg->header.Cmd = CMD_ID_REGISTER_FOR_KEYS;
  pMsg->keys = u32Keys;
  pMsg->mailbox = mboxOwner;
  pMsg->state = state;
  pMsg->usage = usage;
  pMsg->cursor_mode = cursorMode;
  pMsg->repeat = bRepeat;
  pMsg->accelerate = bAccelerate;
  return KEYBOARD_bSend(pMsg);
}

BOOLEAN U_KEYBOARD_bUnregisterKeys(MBOX mboxOwner, U32 u32Keys) {
  MSG_UNREGISTER_FOR_KEYS* pMsg = (MSG_UNREGISTER_FOR_KEYS*)H_MEMORY_pvCalloc(1, sizeof(MSG_UNREGISTER_FOR_KEYS));
  pMsg->header.Cmd = CMD_ID_UNREGISTER_FOR_KEYS;
  pMsg->keys = u32Keys;
  pMsg->mailbox = mboxOwner;
  return KEYBOARD_bSend(pMsg);
}
