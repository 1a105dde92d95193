// Scanned by the keyboard task alone, so the key slots need no lock; the
// cursor timing selector is the one word another task writes.

#include "h_keyboard.h"

#include <atomic>

#include "dd_keyboard.h"
#include "linuxsvc.h"

// State byte indices.
enum {
  KEYBYTE_POWER = 0,
  KEYBYTE_MENU = 1,
  KEYBYTE_EXIT = 2,
  KEYBYTE_VIEW = 3,
  KEYBYTE_NORTH = 9,
  KEYBYTE_SOUTH = 10,
  KEYBYTE_WEST = 11,
  KEYBYTE_EAST = 12,
};

// Cursor mask bits.
constexpr U32 CURSOR_BIT_NORTH = 0x1;
constexpr U32 CURSOR_BIT_SOUTH = 0x2;
constexpr U32 CURSOR_BIT_WEST = 0x4;
constexpr U32 CURSOR_BIT_EAST = 0x8;

typedef struct tag_CURSOR_LOOKUP {
  CURSOR_POSITION direction;
  U8 u8Count;  // directions pressed; 2 is a diagonal
} CURSOR_LOOKUP;

// By cursor mask; masks above 10 are illegal without a look-up.
static const CURSOR_LOOKUP s_aCursorTable[11] = {
    {CURSOR_UP, 0},          {CURSOR_NORTH, 1},      {CURSOR_SOUTH, 1},      {CURSOR_ILLEGAL, 0},
    {CURSOR_WEST, 1},        {CURSOR_NORTH_WEST, 2}, {CURSOR_SOUTH_WEST, 2}, {CURSOR_ILLEGAL, 0},
    {CURSOR_EAST, 1},        {CURSOR_NORTH_EAST, 2}, {CURSOR_SOUTH_EAST, 2},
};

static H_KEY_STATE s_keyState[HKEY_NUM_KEYS];
static BOOLEAN s_bState[DD_KEYBOARD_NUM_KEYS];
static std::atomic<S32> s_keyType{3};

static void H_KEYBOARD_vStartRepeat(HKEY_ID key) {
  H_KEY_STATE* k = &s_keyState[key];
  k->count_down = H_KEYBOARD_FIRST_REPEAT_MS;
  // Every repeating press restarts the cursor pad's count-down as well.
  s_keyState[HKEY_CURSOR].count_down = s_keyType.load() == 3 ? 200 : 400;
  k->acceleration_count = 1;
  L_TIMER_GetElapsed(&k->elapsed);
}

static BOOLEAN H_KEYBOARD_bCheck(HKEY_ID key, BOOLEAN bKeyState) {
  H_KEY_STATE* k = &s_keyState[key];
  if (bKeyState) {
    if (k->state != KEY_DOWN) {
      __atomic_store_n(&k->state, KEY_DOWN, __ATOMIC_RELEASE);
      k->changed = TRUE;
      if (k->repeat) H_KEYBOARD_vStartRepeat(key);
      return TRUE;
    }
    if (!k->repeat || k->count_down == 0) return FALSE;
    k->count_down -= (S32)L_TIMER_GetElapsed(&k->elapsed);
    if (k->count_down > 0) return FALSE;
    // The overshoot carries over, so late scans do not stretch the period.
    k->count_down += H_KEYBOARD_REPEAT_MS;
    k->changed = TRUE;
    if (k->accelerate) k->acceleration_count++;
    return TRUE;
  }
  if (k->state == KEY_UP) return FALSE;
  __atomic_store_n(&k->state, KEY_UP, __ATOMIC_RELEASE);
  k->changed = TRUE;
  return TRUE;
}

void H_KEYBOARD_vInit(void) {
  DD_KEYBOARD_vInit();
  for (int key = HKEY_POWER; key <= HKEY_CURSOR; key++) {
    H_KEY_STATE* k = &s_keyState[key];
    k->accelerate = FALSE;
    k->c_mode = key == HKEY_CURSOR ? CURSOR_4 : NOT_CURSOR_KEY;
    k->cursor = CURSOR_UP;
    k->elapsed = 0;
    k->repeat = FALSE;
  }
  H_KEYBOARD_bProcessKeys();
  for (H_KEY_STATE& k : s_keyState) k.changed = FALSE;
}

void H_KEYBOARD_vSetupKey(HKEY_ID key, BOOLEAN bRepeat, BOOLEAN bAccelerate, CURSOR_MODE cursor_mode) {
  if ((U32)key >= HKEY_NUM_KEYS) return;
  H_KEY_STATE* k = &s_keyState[key];
  k->c_mode = cursor_mode;
  k->accelerate = bAccelerate;
  k->repeat = bRepeat;
  k->changed = FALSE;
  if (bRepeat) {
    H_KEYBOARD_vStartRepeat(key);
  } else {
    k->elapsed = 0;
    k->count_down = 0;
    k->acceleration_count = 0;
  }
}

BOOLEAN H_KEYBOARD_bProcessKeys(void) {
  DD_KEYBOARD_vGetState(s_bState);
  BOOLEAN bEvent = FALSE;
  bEvent |= H_KEYBOARD_bCheck(HKEY_POWER, s_bState[KEYBYTE_POWER]);
  bEvent |= H_KEYBOARD_bCheck(HKEY_MENU, s_bState[KEYBYTE_MENU]);
  bEvent |= H_KEYBOARD_bCheck(HKEY_VIEW, s_bState[KEYBYTE_VIEW]);
  bEvent |= H_KEYBOARD_bCheck(HKEY_EXIT, s_bState[KEYBYTE_EXIT]);

  U32 mask = (s_bState[KEYBYTE_NORTH] ? CURSOR_BIT_NORTH : 0) | (s_bState[KEYBYTE_SOUTH] ? CURSOR_BIT_SOUTH : 0) |
             (s_bState[KEYBYTE_WEST] ? CURSOR_BIT_WEST : 0) | (s_bState[KEYBYTE_EAST] ? CURSOR_BIT_EAST : 0);
  CURSOR_POSITION direction = CURSOR_ILLEGAL;
  if (mask <= 10) {
    direction = s_aCursorTable[mask].direction;
    if (s_keyState[HKEY_CURSOR].c_mode == CURSOR_4 && s_aCursorTable[mask].u8Count == 2) direction = CURSOR_ILLEGAL;
  }
  H_KEY_STATE* cursor = &s_keyState[HKEY_CURSOR];
  if (direction != cursor->cursor) {
    cursor->cursor = direction;
    cursor->changed = TRUE;
    bEvent = TRUE;
  }
  bEvent |= H_KEYBOARD_bCheck(HKEY_CURSOR, mask != 0);
  return bEvent;
}

BOOLEAN H_KEYBOARD_bFetchKeyEvent(HKEY_ID* phKey, KEY_STATE* pState, U32* pu32RepeatCount, CURSOR_POSITION* pCursor) {
  for (int key = HKEY_POWER; key <= HKEY_CURSOR; key++) {
    H_KEY_STATE* k = &s_keyState[key];
    if (!k->changed) continue;
    k->changed = FALSE;
    *phKey = (HKEY_ID)key;
    *pState = k->state;
    *pu32RepeatCount = k->acceleration_count;
    *pCursor = k->cursor;
    return TRUE;
  }
  return FALSE;
}

BOOLEAN H_KEYBOARD_bIsDown(HKEY_ID key) {
  return (U32)key < HKEY_NUM_KEYS && __atomic_load_n(&s_keyState[key].state, __ATOMIC_ACQUIRE) == KEY_DOWN;
}

// The level alone: the scans' copy of the keys is left to the scans.
BOOLEAN H_KEYBOARD_bIsPowerPressed(void) { return DD_KEYBOARD_bIsDown(KEYBYTE_POWER); }

void H_KEYBOARD_vSetCursorKeyMode(HKEY_ID mode) { s_keyType = (S32)mode; }

HKEY_ID H_KEYBOARD_eCursorKeyMode(void) { return (HKEY_ID)s_keyType.load(); }
