// The sonar history task: its entry, the column hand-over from the process
// task, the sonar colours and the draw functions of the sonar views.
#pragma once

#include "basetypes.h"
#include "g_types.h"
#include "layer_id.h"
#include "s_coproc.h"

void T_N_HISTORY_vMain(void);
// One column of a 2D beam: 480 rows, top first, levels 0..31, made for the
// display range fRangeMetres. The caller keeps the levels.
void T_N_HISTORY_vAddColumn(BEAM eBeam, const U8* pu8Levels, float fRangeMetres);
// Columns handed over for the beam since the process started.
U32 T_N_HISTORY_u32ColumnCount(BEAM eBeam);
// The chart speed in force (SSSP as the task last took it, 1..10).
U32 T_N_HISTORY_u32ChartSpeed(void);

// The Sonar tab's items (the menu task must be up).
void T_N_HISTORY_vRegisterMenus(void);

// The 32 sonar colours: scheme of SSPL into entries 0-31 of the colour table.
void T_N_HISTORY_vSet2DColorTable(void);
// TRUE when SSPL selects the dark scheme.
BOOLEAN T_N_HISTORY_bDarkScheme(U32 u32Palette);
// The 32 colours of the light or the dark scheme.
const COLOR* T_N_HISTORY_pcolScheme(BOOLEAN bDark);

// TRUE when the view and pane (-3: the current one) show a sonar history
// with a cursor. No sonar view has a cursor yet.
BOOLEAN T_N_HISTORY_bIsMyCursorView(LAYER_ID eView, SPLIT_WINDOW_TYPE eSplit);
// The history of the pane's beam (u32User 1: 83 kHz, 2: the beam SSSV
// chooses, else 200 kHz), newest column at the right edge, with its range
// scale and the depth; with the sonar off, a note that says so.
void T_N_HISTORY_vDrawSonarSplit(BITMAP* pBitmap, WINDOW_SPECIFICATION* psWindowSpec);
// The newest 200 kHz column laid round a ring, the depth in its middle.
void T_N_HISTORY_vDrawCircularFlasher(BITMAP* pBitmap, WINDOW_SPECIFICATION* psWindowSpec);
// The 200 kHz history twice as tall round the bottom.
void T_N_HISTORY_vDrawZoomView(BITMAP* pBitmap, WINDOW_SPECIFICATION* psWindowSpec);
// The 200 kHz history right of the big readouts' panel.
void T_N_HISTORY_vDrawBigDigitsView(BITMAP* pBitmap, WINDOW_SPECIFICATION* psWindowSpec);
