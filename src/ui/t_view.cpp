// The view task. Until its work is built here it keeps its place in the start
// order: it publishes its mailbox, answers shutdown and frees what it is sent.

#include "t_view.h"

#include "u_taskstub.h"

void T_VIEW_vMain(void) { U_TASKSTUB_vRun(FCID("TVUE"), M_VIEW, SEMA_MBOX_VIEW); }
