// The buzzer: a device that sounds the frequency written to it.
#pragma once

#include "basetypes.h"

void H_TONE_vInit(void);
// Sounds the integer part of fFrequency (Hz). The device is opened at the
// first tone and kept open until H_TONE_vStopTone; with the notone option it
// is never touched.
void H_TONE_vStartTone(float fFrequency);
void H_TONE_vStopTone(void);
