// The shop demonstration, run by the keyboard task while the unit is in the
// point-of-sale state: the language's script (views, keys, settings,
// balloons and photos) or, without one, a fixed loop of sonar views. The
// keyboard task hands it its ticks, the notices and keys addressed to it,
// and news of every key polled.
#pragma once

#include "basetypes.h"
#include "g_types.h"
#include "layer_id.h"
#include "u_demoscript.h"
#include "u_keyboard.h"

struct MESSAGE_NEW_DATA;

// CMD_ID_RUN_SYSTEM: the demonstration starts when the state is point of sale.
void T_DEMO_vRunSystem(void);
// Notices of CCST, CSD0, CSD1 and SDBV.
void T_DEMO_vNewData(const MESSAGE_NEW_DATA* pMsg);
// SEMA_TIMER_POS: one step.
void T_DEMO_vTick(void);
// SEMA_SERIAL_KEYBOARD_DISABLE: the card task is done with a photo.
void T_DEMO_vPhotoDone(void);
// The keypad reported events: outside the scripted tutorial they pause the
// demonstration for three minutes.
void T_DEMO_vKeysPolled(void);
// A key sent to the keyboard task while the tutorial holds the keys.
void T_DEMO_vKeyChange(const MSG_KEY_CHANGE* pMsg);
// Back to the script's start, paused for three minutes.
void T_KEYBOARD_vRestartTutorial(void);
// Draw function of POS_MESSAGE_LAYER: the error, the balloon, the photo and
// the exit box.
void T_KEYBOARD_vDrawPOSMessage(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER psWindowSpec);

// The script of a language (the data must outlive its use); an empty one
// selects the default loop, a null one brings back the program's own. For
// scripts of another origin than the program, and for tests.
void T_DEMO_vSetScript(unsigned nLanguage, const char* pData, U32 u32Size);
// Every delay of the demonstration is multiplied by u32Per1000 / 1000
// (1000 at start): tests run minutes of demonstration in seconds.
void T_DEMO_vSetTimeBase(U32 u32Per1000);
// The error the script halted on; NO_ERROR while it runs.
ERROR_CODE T_DEMO_eError(void);
// The delays (in unscaled ms) the demonstration asked for since the last
// call, oldest first, at most u32Max of the newest 64; returns the count.
U32 T_DEMO_u32Delays(U32* pu32Delays, U32 u32Max);
