// The view-key task. Until its work is built here it keeps its place in the start
// order: it publishes its mailbox, answers shutdown and frees what it is sent.

#include "t_viewkey.h"

#include "u_taskstub.h"

void T_VIEWKEY_vMain(void) { U_TASKSTUB_vRun(FCID("TVKY"), M_VIEWKEY, SEMA_MBOX_VIEWKEY); }
