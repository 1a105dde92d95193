#include "h_accpower.h"

#include "dd_accpower.h"

void H_ACCPOWER_vPowerOn(void) { DD_ACCPOWER_vPowerOn(); }
void H_ACCPOWER_vPowerOff(void) { DD_ACCPOWER_vPowerOff(); }
