// The analogue-input task. Until its work is built here it keeps its place in the start
// order: it publishes its mailbox, answers shutdown and frees what it is sent.

#include "t_adc.h"

#include "u_taskstub.h"

void T_ADC_vMain(void) { U_TASKSTUB_vRun(0, M_ADC, SEMA_MBOX_ADC); }
