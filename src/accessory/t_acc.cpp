// The accessory task. Until its work is built here it keeps its place in the start
// order: it publishes its mailbox, answers shutdown and frees what it is sent.

#include "t_acc.h"

#include "u_taskstub.h"

void T_ACC_vMain(void) { U_TASKSTUB_vRun(FCID("TAUX"), M_ACCESSORY, SEMA_MBOX_ACC); }
