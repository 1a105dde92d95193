// The keyboard task's client functions and the messages of every key client.
#pragma once

#include "basetypes.h"
#include "h_keyboard.h"
#include "msghdr.h"

// The usage class of a registration: a higher class takes the key from a lower.
typedef enum tag_KEY_USAGE : U32 {
  REGISTER_BASIC = 1,
  REGISTER_EXCLUSIVE = 2,
  REGISTER_VIEW = 3,
  REGISTER_POP_UP = 4,
  REGISTER_MENU = 5,
  REGISTER_DIALOG_BOX = 6,
  REGISTER_POS_TUTORIAL = 7,
  REGISTER_SYSTEM_STATUS = 8,
  REGISTER_PC_CONNECT = 9,
  REGISTER_ALARM = 10,
  REGISTER_CONTRAST = 11,
  REGISTER_SCREEN_CAPTURE = 12,
  REGISTER_STARTUP = 13,
  REGISTER_REFLASH = 14,
  REGISTER_DIAGNOSTIC = 15,
} KEY_USAGE;

// CMD_ID_REGISTER_FOR_KEYS.
typedef struct tag_MSG_REGISTER_FOR_KEYS {
  GENERIC_MESSAGE header;
  U32 keys;             // mask bits; POWER only when alone
  U32 flag;             // copied into every key-change message
  MBOX mailbox;
  KEY_STATE state;      // the edges wanted: KEY_UP releases, KEY_DOWN presses and repeats, KEY_CHANGE both
  KEY_USAGE usage;
  CURSOR_MODE cursor_mode;
  BOOLEAN repeat;
  BOOLEAN accelerate;
  BOOLEAN pass;         // set by the keyboard task when a node was inserted
} MSG_REGISTER_FOR_KEYS;

// CMD_ID_UNREGISTER_FOR_KEYS: one registration of each key in the mask.
typedef struct tag_MSG_UNREGISTER_FOR_KEYS {
  GENERIC_MESSAGE header;
  U32 keys;
  MBOX mailbox;
} MSG_UNREGISTER_FOR_KEYS;

// CMD_ID_KEY_CHANGE, to the head registrant of a key at message priority 1.
typedef struct tag_MSG_KEY_CHANGE {
  GENERIC_MESSAGE header;
  U32 key;                  // one mask bit
  KEY_STATE state;          // KEY_DOWN for a press or a repeat, KEY_UP for a release
  U32 count;                // the repeat count; 0 without repeat
  CURSOR_POSITION cursor;   // the pad's direction, CURSOR_UP for the other keys
  U32 flag;
} MSG_KEY_CHANGE;

// CMD_ID_INITIATE_SHUTDOWN: exactly one of the two flags asks for that end.
typedef struct tag_MSG_INITIATE_SHUTDOWN {
  GENERIC_MESSAGE header;
  BOOLEAN bReset;
  BOOLEAN bPowerOff;
} MSG_INITIATE_SHUTDOWN;

// Each mails its request to the mailbox under TKBD and returns TRUE; FALSE,
// sending nothing, while TKBD is missing or invalid.
BOOLEAN U_KEYBOARD_bRegisterKeys(MBOX mboxOwner, U32 u32Keys, KEY_STATE state, BOOLEAN bRepeat, BOOLEAN bAccelerate,
                                 CURSOR_MODE cursorMode, KEY_USAGE usage);
BOOLEAN U_KEYBOARD_bUnregisterKeys(MBOX mboxOwner, U32 u32Keys);
