// The views-selection menu's entry points for the view task.
#pragma once

#include "basetypes.h"
#include "layer_id.h"

// Marks a selectable view as registered or not.
void GUI_vSetViewRegisteration(LAYER_ID LayerID, BOOLEAN bRegister);
