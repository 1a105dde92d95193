// The tone task: every sound of the unit on the buzzer, at the chosen pitch
// and sound mode.
#pragma once

#include "basetypes.h"
#include "u_tone.h"

void T_TONE_vMain(void);

// Where the task's sounds go: by default the buzzer's host service. A test
// puts a recorder in its place before the task starts; nulls restore the
// buzzer.
void T_TONE_vSetSink(void (*pfnStart)(float fFrequency), void (*pfnStop)(void));
