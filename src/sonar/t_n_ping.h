// The ping task: its entry.
#pragma once

void T_N_PING_vMain(void);
