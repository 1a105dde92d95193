// The info task: its entry.
#pragma once

void T_INFO_vMain(void);
