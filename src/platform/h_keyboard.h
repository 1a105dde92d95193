// Key states for the keyboard task: press, release, auto-repeat with a
// growing repeat count, and the cursor pad's direction, built from the
// keypad driver's state bytes at every scan.
#pragma once

#include "basetypes.h"

typedef enum tag_HKEY_ID {
  HKEY_POWER = 0,
  HKEY_MENU = 1,
  HKEY_EXIT = 2,
  HKEY_VIEW = 3,
  HKEY_CURSOR = 4,
  HKEY_NUM_KEYS = 5,
} HKEY_ID;

typedef enum tag_KEY_STATE {
  KEY_UP = 1,
  KEY_DOWN = 2,
  KEY_CHANGE = 3,
} KEY_STATE;

typedef enum tag_CURSOR_POSITION {
  CURSOR_NORTH = 1,
  CURSOR_NORTH_EAST = 2,
  CURSOR_EAST = 3,
  CURSOR_SOUTH_EAST = 4,
  CURSOR_SOUTH = 5,
  CURSOR_SOUTH_WEST = 6,
  CURSOR_WEST = 7,
  CURSOR_NORTH_WEST = 8,
  CURSOR_UP = 9,        // no direction pressed
  CURSOR_ILLEGAL = 10,  // directions that make no sense together
} CURSOR_POSITION;

typedef enum tag_CURSOR_MODE {
  CURSOR_4 = 1,  // diagonals are illegal
  CURSOR_8 = 2,
  NOT_CURSOR_KEY = 3,
} CURSOR_MODE;

// Key mask bits of the key clients.
constexpr U32 HKEY_MASK_POWER = 0x1;
constexpr U32 HKEY_MASK_VIEW = 0x2;
constexpr U32 HKEY_MASK_MENU = 0x4;
constexpr U32 HKEY_MASK_EXIT = 0x8;
constexpr U32 HKEY_MASK_CURSOR = 0x10;
constexpr U32 HKEY_MASK_ALL_BUT_POWER = 0xFFFE;

// Milliseconds from a press to its first repeat, and between repeats.
constexpr S32 H_KEYBOARD_FIRST_REPEAT_MS = 500;
constexpr S32 H_KEYBOARD_REPEAT_MS = 125;

typedef struct tag_H_KEY_STATE {
  KEY_STATE state;             // 0 before the first scan
  CURSOR_POSITION cursor;      // CURSOR_UP outside the cursor slot
  CURSOR_MODE c_mode;
  BOOLEAN changed;             // an event is pending
  BOOLEAN repeat;
  BOOLEAN accelerate;
  S32 count_down;              // ms to the next repeat; 0 with repeat off
  U32 acceleration_count;      // the repeat count handed to clients
  TICKS elapsed;               // stamp of L_TIMER_GetElapsed
} H_KEY_STATE;

// Starts the driver, sets every key up without repeat and takes one scan
// whose events are dropped, so that keys held at start give no press.
void H_KEYBOARD_vInit(void);
// Drops a pending event of the key.
void H_KEYBOARD_vSetupKey(HKEY_ID key, BOOLEAN bRepeat, BOOLEAN bAccelerate, CURSOR_MODE cursor_mode);
// One scan; TRUE when any key has a new event.
BOOLEAN H_KEYBOARD_bProcessKeys(void);
// The first pending event in the order POWER, MENU, EXIT, VIEW, cursor;
// FALSE when none is pending.
BOOLEAN H_KEYBOARD_bFetchKeyEvent(HKEY_ID* phKey, KEY_STATE* pState, U32* pu32RepeatCount, CURSOR_POSITION* pCursor);
// Whether the scans last saw the key down; any thread may ask.
BOOLEAN H_KEYBOARD_bIsDown(HKEY_ID key);
// Reads the keypad afresh, whatever the scans have seen.
BOOLEAN H_KEYBOARD_bIsPowerPressed(void);
// 1 while a menu is shown, 3 otherwise: the cursor pad's first repeat comes
// after 400 or 200 ms.
void H_KEYBOARD_vSetCursorKeyMode(HKEY_ID mode);
HKEY_ID H_KEYBOARD_eCursorKeyMode(void);
