// The keyboard task. Until its work is built here it keeps its place in the start
// order: it publishes its mailbox, answers shutdown and frees what it is sent.

#include "t_keyboard.h"

#include "u_taskstub.h"

void T_KEYBOARD_vMain(void) { U_TASKSTUB_vRun(FCID("TKBD"), M_KEYB, SEMA_MBOX_KEYB); }
