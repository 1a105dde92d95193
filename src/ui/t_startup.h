// The start-up task: brings the user interface up and starts the early tasks.
#pragma once

#include "basetypes.h"

void T_STARTUP_vMain(void);

// Set once the start-up task has finished its initialisation; Main waits for it.
extern volatile U8 bStartupTaskInitialized;
