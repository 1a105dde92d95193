// Palette changes travel through the SPAL setting, whose subscribers rewrite
// their own sections of the colour table; these two stay for their callers and
// do nothing.
#pragma once

#include "color.h"

void U_PALETTE_vChangePalette(COLOR_PALETTE_ID palette);
void U_PALETTE_vRegisterMenuItem(void);
