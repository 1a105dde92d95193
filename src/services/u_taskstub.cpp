#include "u_taskstub.h"

#include <stdio.h>
#include <unistd.h>

#include "error.h"
#include "h_database.h"
#include "h_memory.h"
#include "linuxsvc.h"

void U_TASKSTUB_vPublish(FOURCHARID key, MBOX mbox) {
  if (H_DATABASE_bUpdateEverythingU32(key, (U32)mbox, P_NORMAL, D_MAILBOX, nullptr, 0xFFFFFFFFu)) {
    char text[64];
    snprintf(text, sizeof text, "Somebody else registered the %.4s mailbox", (const char*)&key);
    ERROR_vFatal(__FILE_NAME__, __LINE__, text);
  }
}

void U_TASKSTUB_vDrain(MBOX mbox) {
  while (void* message = L_MBOX_Receive(mbox)) H_MEMORY_vDumpMail(message);
}

void U_TASKSTUB_vRun(FOURCHARID key, MBOX mbox, SEMA sema) {
  log_me("[%d]%s: %s holds its place", __LINE__, __func__, get_task_name(L_TASK_GetID(0)));
  if (key != 0) U_TASKSTUB_vPublish(key, mbox);
  const SEMA events[] = {sema, 0};
  for (;;) {
    if (L_SEMA_WaitMultiple(events) == sema) U_TASKSTUB_vDrain(mbox);
  }
}

void U_TASKSTUB_vStartTask(TASK task) {
  L_TASK_SetPriority(task, 2);
  L_TASK_Start(task);
  usleep(100);
  L_TASK_SetPriority(task, TaskParams[task - 1].TParamPriority);
}
