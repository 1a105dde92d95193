// The menu task. Until its work is built here it keeps its place in the start
// order: it publishes its mailbox, answers shutdown and frees what it is sent.

#include "t_menu.h"

#include "u_taskstub.h"

void T_MENU_vMain(void) { U_TASKSTUB_vRun(FCID("TMNU"), M_MENU, SEMA_MBOX_MENU); }
