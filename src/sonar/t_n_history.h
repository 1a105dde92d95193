// The sonar history task: its entry.
#pragma once

void T_N_HISTORY_vMain(void);
