// The battery task. Until its work is built here it keeps its place in the start
// order: it publishes its mailbox, answers shutdown and frees what it is sent.

#include "t_battery.h"

#include "u_taskstub.h"

void T_BATTERY_vMain(void) { U_TASKSTUB_vRun(FCID("TBAT"), M_BATTERY, SEMA_MBOX_BATT); }
