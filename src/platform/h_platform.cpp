#include "h_platform.h"

// The board's devices are brought up here as their drivers arrive.
void H_PLATFORM_vSetup(void) {}
