// The view-key task: its entry.
#pragma once

void T_VIEWKEY_vMain(void);
