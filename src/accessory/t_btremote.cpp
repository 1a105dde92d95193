// The Bluetooth remote task. Until its work is built here it keeps its place in the start
// order: it publishes its mailbox, answers shutdown and frees what it is sent.

#include "t_btremote.h"

#include "u_taskstub.h"

void T_BTREMOTE_vMain(void) { U_TASKSTUB_vRun(FCID("TBTR"), M_BT_REMOTE, SEMA_MBOX_BTREMOTE); }
