// The views-selection menu. Until it is built here, no menu offers the
// views, so a view's registration has nothing to update.

#include "gui.h"

void GUI_vSetViewRegisteration(LAYER_ID, BOOLEAN) {}
