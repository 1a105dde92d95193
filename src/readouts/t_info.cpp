// The info task. Until its work is built here it keeps its place in the start
// order: it publishes its mailbox, answers shutdown and frees what it is sent.

#include "t_info.h"

#include "u_taskstub.h"

void T_INFO_vMain(void) { U_TASKSTUB_vRun(FCID("TINF"), M_INFO, SEMA_MBOX_INFO); }

// No view has a data-box column until the data boxes are built here.
U32 T_INFO_u32XOrigin(void) { return 0; }

void T_INFO_vDrawInfoLayer_Instrumentation_SonarView(BITMAP*, WINDOW_SPECIFICATION_POINTER) {}
