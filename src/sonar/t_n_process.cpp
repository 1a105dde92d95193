// The sonar process task. Until its work is built here it keeps its place in the start
// order: it publishes its mailbox, answers shutdown and frees what it is sent.

#include "t_n_process.h"

#include "u_taskstub.h"

void T_N_PROCESS_vMain(void) { U_TASKSTUB_vRun(FCID("TSNR"), M_PROCESS, SEMA_MBOX_PROCESS); }
