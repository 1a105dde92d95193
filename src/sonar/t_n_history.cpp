// The sonar history task. Until its work is built here it keeps its place in the start
// order: it publishes its mailbox, answers shutdown and frees what it is sent.

#include "t_n_history.h"

#include "u_taskstub.h"

void T_N_HISTORY_vMain(void) { U_TASKSTUB_vRun(FCID("TSMG"), M_HISTORY, SEMA_MBOX_HISTORY); }
