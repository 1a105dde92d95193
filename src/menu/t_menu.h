// The menu task: its entry. Its functions for other threads are declared
// with its public face in u_menu.h.
#pragma once

void T_MENU_vMain(void);
