// The NMEA task: its entry.
#pragma once

void T_NMEA_vMain(void);
