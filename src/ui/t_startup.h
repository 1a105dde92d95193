// The start-up task: brings the user interface up and starts the early tasks.
#pragma once

#include "basetypes.h"

// The system state, the value of key CCST that every task consults.
enum SYSTEM_STATE : U32 {
  STATE_STARTUP = 1,
  STATE_BURN_IN = 2,
  STATE_NORMAL_RUN = 3,
  STATE_SIMULATION = 4,
  STATE_PRE_POINT_OF_SALE = 5,
  STATE_POINT_OF_SALE = 6,
  STATE_DIAGNOSTIC = 7,
  STATE_PC_CONNECT = 8,
  STATE_INLINE_TEST = 9,
  STATE_SPECIAL_IN_HOUSE = 10,
  STATE_PLAYBACK = 11,
  STATE_UPDATING_CODE = 12,
};

void T_STARTUP_vMain(void);
// The menu task calls it when the user leaves the quick set-up: the menu
// mailbox's keys and the quick set-up's layer and items go, and the set-up
// is recorded as done.
void T_STARTUP_vRemoveQuickConfigMenu(void);

// Set once the start-up task has finished its initialisation; Main waits for it.
extern volatile U8 bStartupTaskInitialized;
