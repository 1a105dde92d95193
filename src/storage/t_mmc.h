// The memory-card task: its entry.
#pragma once

void T_MMC_vMain(void);
