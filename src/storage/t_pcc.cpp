// The PC-link task. Until its work is built here it keeps its place in the start
// order: it publishes its mailbox, answers shutdown and frees what it is sent.

#include "t_pcc.h"

#include "u_taskstub.h"

void T_PCC_vMain(void) { U_TASKSTUB_vRun(FCID("TPCC"), M_PCCOM, SEMA_MBOX_PCC); }
