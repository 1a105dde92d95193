// The paddlewheel: a pulse counter device whose every read gives the running
// count.
#pragma once

#include "basetypes.h"

// Opens the device; a missing device is fatal (the board always has one).
void DD_SPEED_vInit(void);
// Pulses since the previous call (modulo 2^32); 0 on the first successful
// read, which only primes, and on a short read.
U32 DD_SPEED_u32GetPulses(void);
