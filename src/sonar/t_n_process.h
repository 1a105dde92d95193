// The sonar process task: its entry.
#pragma once

void T_N_PROCESS_vMain(void);
