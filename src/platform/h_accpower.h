// Accessory power for the accessory task.
#pragma once

void H_ACCPOWER_vPowerOn(void);
void H_ACCPOWER_vPowerOff(void);
