// The NVR task: its entry.
#pragma once

void T_NVRAM_vMain(void);
