// The PC-link task: its entry.
#pragma once

void T_PCC_vMain(void);
