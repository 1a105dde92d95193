// The battery task: the supply voltage and charge from the analogue input,
// its low- and high-voltage alarms, and the power-down when it is too low.
#pragma once

#include "basetypes.h"

void T_BATTERY_vMain(void);

// The supply in hundredths of a volt from the raw analogue item AD05.
U32 T_BATTERY_u32Centivolts(U32 u32Raw);
// The charge in percent (0..100) of a lead battery at that supply.
S32 T_BATTERY_s32Percentage(U32 u32Centivolts);
