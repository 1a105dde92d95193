// The chart task: its entry.
#pragma once

void T_CHART_vMain(void);
