#include "h_platform.h"

#include "color.h"
#include "g_icon.h"
#include "gr_context.h"

// Icon colour indices 0..15 show colour-table entries 80..95, and the chart
// engine's colour numbers start at entry 148, so both follow every later
// palette change of those sections.
void H_PLATFORM_vSetup(void) {
  G_ICON_vSetIconPalette(&gCOLOR_pcolColorTable[80]);
  gr_SetColorPalette(&gCOLOR_pcolColorTable[148]);
}
