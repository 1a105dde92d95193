// The info task: its entry, and what other views need to know of its data
// boxes.
#pragma once

#include "basetypes.h"
#include "layer_id.h"

void T_INFO_vMain(void);
// The width in pixels of the data-box column on the left of the current
// view; 0 when the view has none.
U32 T_INFO_u32XOrigin(void);
// The information layer over the sonar views. Draws nothing until the data
// boxes are built here.
void T_INFO_vDrawInfoLayer_Instrumentation_SonarView(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER psWindowSpec);
