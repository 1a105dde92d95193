// An empty task table for the fuzz targets, which start no task: the service
// layer's log needs one to name the calling thread.

#include "linuxsvc.h"

static void FUZZ_vNoTask(void) {}

#define ROW {1024, 100, FUZZ_vNoTask}
#define ROW10 ROW, ROW, ROW, ROW, ROW, ROW, ROW, ROW, ROW, ROW
const TASK_PARAM TaskParams[ntasks] = {ROW10, ROW10, ROW10, ROW10, ROW10, ROW10, ROW10, ROW};
#undef ROW10
#undef ROW
