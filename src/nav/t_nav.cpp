// The navigation task. Until its work is built here it keeps its place in the start
// order: it publishes its mailbox, answers shutdown and frees what it is sent.

#include "t_nav.h"

#include "u_taskstub.h"

void T_NAV_vMain(void) { U_TASKSTUB_vRun(FCID("TNAV"), M_NAV, SEMA_MBOX_NAV); }
