// The accessory task: its entry.
#pragma once

void T_ACC_vMain(void);
