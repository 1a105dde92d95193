// The water-temperature task: its entry.
#pragma once

void T_TEMP_vMain(void);
