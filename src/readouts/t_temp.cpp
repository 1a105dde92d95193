// The water-temperature task. Until its work is built here it keeps its place in the start
// order: it publishes its mailbox, answers shutdown and frees what it is sent.

#include "t_temp.h"

#include "u_taskstub.h"

void T_TEMP_vMain(void) { U_TASKSTUB_vRun(FCID("TTEM"), M_WTEMP, SEMA_MBOX_WTEMP); }
