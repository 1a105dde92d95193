// Power of the board.
#pragma once

// Ends the process with exit status 10; does not return.
[[noreturn]] void DD_POWER_vShutdown(void);
void DD_POWER_vSetupPins(void);
