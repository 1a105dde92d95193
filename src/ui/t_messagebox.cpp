// The message-box task. Until its work is built here it keeps its place in the start
// order: it publishes its mailbox, answers shutdown and frees what it is sent.

#include "t_messagebox.h"

#include "u_taskstub.h"

void T_MESSAGEBOX_vMain(void) { U_TASKSTUB_vRun(FCID("TMBX"), M_MESSAGEBOX, SEMA_MBOX_MESSAGEBOX); }
