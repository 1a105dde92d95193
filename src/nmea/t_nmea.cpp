// The NMEA task. Until its work is built here it keeps its place in the start
// order: it publishes its mailbox, answers shutdown and frees what it is sent.

#include "t_nmea.h"

#include "u_taskstub.h"

void T_NMEA_vMain(void) { U_TASKSTUB_vRun(FCID("TNME"), M_NMEA, SEMA_MBOX_NMEA); }
