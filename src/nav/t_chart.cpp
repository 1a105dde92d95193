// The chart task. Until its work is built here it keeps its place in the start
// order: it publishes its mailbox, answers shutdown and frees what it is sent.

#include "t_chart.h"

#include "u_taskstub.h"

void T_CHART_vMain(void) { U_TASKSTUB_vRun(FCID("TCRT"), M_CHART, SEMA_MBOX_CHART); }
