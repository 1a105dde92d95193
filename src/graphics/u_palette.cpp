// Empty on purpose: palette changes travel through SPAL, whose subscribers rewrite their colours.

#include "u_palette.h"

void U_PALETTE_vChangePalette(COLOR_PALETTE_ID palette) { (void)palette; }

void U_PALETTE_vRegisterMenuItem(void) {}
