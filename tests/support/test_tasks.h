// Tasks for tests: a task table whose rows run bodies that a test installs,
// and the service layer brought up once per test program.
#pragma once

#include <functional>

#include "linuxsvc.h"

// Brings the service layer up in main's order (idempotent).
void TEST_vInitServiceLayer(void);

// Starts task `id` running `body`; returns the result of L_TASK_Start.
ERC TEST_StartTask(TASK id, std::function<void()> body);
// Waits until task `id` has ended; FALSE when it still runs after `ms`.
BOOLEAN TEST_bJoinTask(TASK id, U32 ms = 5000);
