// The NVR task. Until its work is built here it keeps its place in the start
// order: it publishes its mailbox, answers shutdown and frees what it is sent.

#include "t_nvram.h"

#include "u_taskstub.h"

void T_NVRAM_vMain(void) { U_TASKSTUB_vRun(FCID("TNVR"), M_NVRAM, SEMA_MBOX_NVRAM); }
