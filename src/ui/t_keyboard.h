// The keyboard task: the registrants of every key, the key poll, the POWER
// count-down and the unit's shutdown.
#pragma once

#include "g_types.h"
#include "layer_id.h"

void T_KEYBOARD_vMain(void);
// The "Restore Defaults" action: settings back to their defaults and every
// task told of the reset.
void T_KEYBOARD_vRestoreFactoryDefaults(void);
// Pushes the head registrant's repeat and cursor wishes of each key to the
// keypad layer.
void T_KEYBOARD_vReConfigure(void);
// Draw function of the shutdown count-down layer.
void T_KEYBOARD_vDrawShutdownMessage(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER psWindowSpec);
