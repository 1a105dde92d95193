// Weak stand-ins: they do nothing, and a module that defines the same name
// takes their place at link time. Delete each one when its module lands.

#include "g_setup_stubs.h"

__attribute__((weak)) void G_ICON_vSetIconPalette(const COLOR*) {}
__attribute__((weak)) void gr_SetColorPalette(const COLOR*) {}
