// Accessory power: always on with this board; nothing to switch.
#pragma once

void DD_ACCPOWER_vPowerOn(void);
void DD_ACCPOWER_vPowerOff(void);
