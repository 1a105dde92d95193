// The display task: its entry.
#pragma once

void T_DISPLAY_vMain(void);
