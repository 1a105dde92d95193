// The memory-card task. Until its work is built here it keeps its place in the start
// order: it publishes its mailbox, answers shutdown and frees what it is sent.

#include "t_mmc.h"

#include "u_taskstub.h"

void T_MMC_vMain(void) { U_TASKSTUB_vRun(FCID("TMMC"), M_MMC, SEMA_MBOX_MMC); }
