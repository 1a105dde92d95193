// The analogue-input task: its entry.
#pragma once

void T_ADC_vMain(void);
