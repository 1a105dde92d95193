#include "dd_accpower.h"

void DD_ACCPOWER_vPowerOn(void) {}
void DD_ACCPOWER_vPowerOff(void) {}
