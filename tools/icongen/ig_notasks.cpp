// The generator starts no task, but the drawing libraries it links carry the
// service layer, whose task code names the unit's task table. Which of their
// objects the linker takes depends on how they were compiled (one file or a
// few files per object), so the generator gives the table, empty, itself.

#include "linuxsvc.h"

const TASK_PARAM TaskParams[ntasks] = {};
