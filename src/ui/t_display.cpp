// The display task. Until its work is built here it keeps its place in the start
// order: it publishes its mailbox, answers shutdown and frees what it is sent.

#include "t_display.h"

#include "u_taskstub.h"

void T_DISPLAY_vMain(void) { U_TASKSTUB_vRun(FCID("TDSP"), M_DISPLAY, SEMA_MBOX_DISPLAY); }
