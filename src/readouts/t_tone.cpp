// The tone task. Until its work is built here it keeps its place in the start
// order: it publishes its mailbox, answers shutdown and frees what it is sent.

#include "t_tone.h"

#include "u_taskstub.h"

void T_TONE_vMain(void) { U_TASKSTUB_vRun(FCID("TTON"), M_TONE, SEMA_MBOX_TONE); }
