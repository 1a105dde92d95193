// The speed task: its entry.
#pragma once

void T_SPEED_vMain(void);
