// The keyboard task: the registrants of every key, the key poll, the POWER
// count-down and the unit's shutdown.
#pragma once

#include "g_types.h"
#include "h_keyboard.h"
#include "layer_id.h"

void T_KEYBOARD_vMain(void);
// The "Restore Defaults" action: settings back to their defaults and every
// task told of the reset.
void T_KEYBOARD_vRestoreFactoryDefaults(void);
// Pushes the head registrant's repeat and cursor wishes of each key to the
// keypad layer.
void T_KEYBOARD_vReConfigure(void);
// The count-down text: cDigit in place of the template's "{...}", in the
// current text form. A translation without the closing brace ends after the
// digit; the text never outgrows the u32Size bytes of pBuffer.
void T_KEYBOARD_vCountdownText(char* pBuffer, U32 u32Size, const char* pTemplate, char cDigit);
// Draw function of the shutdown count-down layer.
void T_KEYBOARD_vDrawShutdownMessage(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER psWindowSpec);
// CMD_ID_RESET_POS to every task but this one.
void T_KEYBOARD_vSendResetMessages(void);
// A press and then a release (count 1) for the first registrant of the key
// that is not this task; FALSE when there is none.
BOOLEAN T_KEYBOARD_bSendKeyPastSelf(HKEY_ID key, CURSOR_POSITION cursor);
