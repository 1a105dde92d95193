// The ping task. Until its work is built here it keeps its place in the start
// order: it publishes its mailbox, answers shutdown and frees what it is sent.

#include "t_n_ping.h"

#include "u_taskstub.h"

void T_N_PING_vMain(void) { U_TASKSTUB_vRun(FCID("TPNG"), M_PING, SEMA_MBOX_PING); }
