// The UART task, owner of the serial channels. Until its work is built here it keeps its place in the start
// order: it publishes its mailbox, answers shutdown and frees what it is sent.

#include "t_uart.h"

#include "u_taskstub.h"

void T_UART_vMain(void) { U_TASKSTUB_vRun(FCID("TURT"), M_COM1A, SEMA_MBOX_COM1A); }
