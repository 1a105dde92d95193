// The ping task: it makes the pings, alternating the two 2D beams, and reads
// the analogue inputs on its clock.
#pragma once

#include "basetypes.h"

// Descriptor slots handed between the ping and the process task through Q_PING.
constexpr U16 T_N_PING_SLOTS = 4;
// Co-processor failures in a row that end the process with status 25.
constexpr U32 T_N_PING_FAILURES_TO_END = 10;

void T_N_PING_vMain(void);
// The display task's standby: TRUE stops the pings, FALSE resumes them. The
// analogue inputs are read either way.
void T_N_PING_vSonarStandbyMode(BOOLEAN bOn);
