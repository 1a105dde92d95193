// The sonar history task: its entry, and the column hand-over from the
// process task.
#pragma once

#include "basetypes.h"
#include "s_coproc.h"

void T_N_HISTORY_vMain(void);
// One column of a 2D beam: 480 rows, top first, levels 0..31. The caller
// keeps the levels.
void T_N_HISTORY_vAddColumn(BEAM eBeam, const U8* pu8Levels);
// Columns handed over for the beam since the process started.
U32 T_N_HISTORY_u32ColumnCount(BEAM eBeam);
