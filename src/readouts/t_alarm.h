// The alarm task: its entry.
#pragma once

void T_ALARM_vMain(void);
