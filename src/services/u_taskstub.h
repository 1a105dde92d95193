// What a task that holds its place before its work is built does: publish
// its mailbox under its key, answer shutdown, free everything else.
#pragma once

#include "basetypes.h"
#include "fourcharid.h"
#include "linuxsvc.h"

// Publishes mbox under key (a "T" key) with the mailbox data type; another
// owner of the key is a fatal error.
void U_TASKSTUB_vPublish(FOURCHARID key, MBOX mbox);
// Takes every queued message and ends it: freed, or acknowledged when the
// sender waits for it (shutdown).
void U_TASKSTUB_vDrain(MBOX mbox);
// Publishes (unless key is 0) and serves the mailbox for ever, waking on sema.
[[noreturn]] void U_TASKSTUB_vRun(FOURCHARID key, MBOX mbox, SEMA sema);
// Starts a task the way one task starts another: raised priority for the
// start, a short pause, then its own priority again.
void U_TASKSTUB_vStartTask(TASK task);
