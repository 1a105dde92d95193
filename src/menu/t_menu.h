// The menu task: its entry.
#pragma once

void T_MENU_vMain(void);
