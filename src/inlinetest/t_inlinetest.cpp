// The in-line test task. Until its work is built here it keeps its place in the start
// order: it publishes its mailbox, answers shutdown and frees what it is sent.

#include "t_inlinetest.h"

#include "u_taskstub.h"

void T_INLINETEST_vMain(void) { U_TASKSTUB_vRun(FCID("TTST"), M_INLINETEST, SEMA_MBOX_INLINETEST); }
