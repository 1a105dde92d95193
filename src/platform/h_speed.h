// Boat speed from the paddlewheel's pulse rate.
#pragma once

#include "basetypes.h"

void H_SPEED_vInit(void);
// The speed through the water since the previous call, in the internal speed
// unit. The first call only primes and leaves *pfData alone; so does a call
// in the same millisecond. No pulses give 0 and the previous verdict. TRUE
// when the speed is plausible (50 or less); an implausible one is still
// stored.
BOOLEAN H_SPEED_bGetSpeed(float* pfData);
