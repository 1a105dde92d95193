// The orderly shutdown: every task is told to stop, one after the other.
#pragma once

#include "fourcharid.h"

// Sends CMD_ID_SHUTDOWN to every task mailbox published under a "T" key,
// except the keyboard task's and those in noKillList (zero-terminated, may be
// null), waiting up to 500 ms for each answer; the NVR task is told last and
// waited for without a limit. Returns; the caller then ends the process.
void U_SHUTDOWN_vShutdown(const FOURCHARID* noKillList);
