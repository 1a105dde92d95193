// The view-key task: VIEW and EXIT cycle the views, a held VIEW opens the
// views-selection menu.
#pragma once

void T_VIEWKEY_vMain(void);
