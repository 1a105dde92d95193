// The alarm task. Until its work is built here it keeps its place in the start
// order: it publishes its mailbox, answers shutdown and frees what it is sent.

#include "t_alarm.h"

#include "u_taskstub.h"

void T_ALARM_vMain(void) { U_TASKSTUB_vRun(FCID("TALR"), M_ALARM, SEMA_MBOX_ALARM); }
