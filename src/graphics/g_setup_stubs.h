// Set-up entries of graphics modules still to come: the icon drawing and the
// graphic-context engine. Platform set-up calls them by these names; the
// modules' own definitions replace the stand-ins in g_setup_stubs.cpp.
#pragma once

#include "g_types.h"

// The 16 colours icon indices 0..15 show.
void G_ICON_vSetIconPalette(const COLOR* pcolorTable);
// The colours of the graphic context's colour numbers.
void gr_SetColorPalette(const COLOR* palette);
