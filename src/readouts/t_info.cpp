// The info task. Until its work is built here it keeps its place in the start
// order: it publishes its mailbox, answers shutdown and frees what it is sent.

#include "t_info.h"

#include "u_taskstub.h"

void T_INFO_vMain(void) { U_TASKSTUB_vRun(FCID("TINF"), M_INFO, SEMA_MBOX_INFO); }
