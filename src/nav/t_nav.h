// The navigation task: its entry.
#pragma once

void T_NAV_vMain(void);
