// The battery task: its entry.
#pragma once

void T_BATTERY_vMain(void);
