// The view task: its entry.
#pragma once

void T_VIEW_vMain(void);
