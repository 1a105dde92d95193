#include "dd_power.h"

#include "linuxsvc.h"

// The line number is part of the log line tools look for.
void DD_POWER_vShutdown(void) { lm_exit(__FILE_NAME__, 88, 10); }

void DD_POWER_vSetupPins(void) {}
