// The keypad driver: a reader thread keeps one state byte per physical key
// from the input events of the keypad device.
#pragma once

#include "basetypes.h"

// Physical keys the driver keeps a byte for.
constexpr U32 DD_KEYBOARD_NUM_KEYS = 13;

// Starts the reader thread once; later calls do nothing.
void DD_KEYBOARD_vInit(void);
void* DD_KEYBOARD_vThread(void* pvArgument);
// Copies the 13 state bytes (1 pressed, 0 released) to pbList, after the
// fake key of the command line has had its turn. A key pressed and released
// since the last copy reads pressed once; one caller only (the keyboard
// task), since each copy uses up what it hands on.
void DD_KEYBOARD_vGetState(BOOLEAN* pbList);
// The key's level now, using up nothing; FALSE for an index beyond the 13.
BOOLEAN DD_KEYBOARD_bIsDown(U32 u32Index);
// Nothing to do on this keypad: it reports edges by itself.
void DD_KEYBOARD_vPhasedScan(void);
