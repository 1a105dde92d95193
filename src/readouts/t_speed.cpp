// The speed task. Until its work is built here it keeps its place in the start
// order: it publishes its mailbox, answers shutdown and frees what it is sent.

#include "t_speed.h"

#include "u_taskstub.h"

void T_SPEED_vMain(void) { U_TASKSTUB_vRun(FCID("TSPD"), M_SPEED, SEMA_MBOX_SPEED); }
