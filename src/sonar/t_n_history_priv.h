// What the history task and the sonar views' draw functions share: the two
// scrolling histories, guarded by RES_HISTORY.
#pragma once

#include "basetypes.h"
#include "g_truetype.h"
#include "g_types.h"

constexpr U32 HISTORY_COLUMNS = 820;
constexpr U32 HISTORY_ROWS = 480;
constexpr U32 HISTORY_BEAMS = 2;
constexpr U32 HISTORY_LEVELS = 32;

// The beams by the values of SSSV, and the pane's user value that asks for
// the beam SSSV chooses.
constexpr U32 HISTORY_BEAM_200 = 0;
constexpr U32 HISTORY_BEAM_83 = 1;
constexpr U32 HISTORY_USER_CHOSEN = 2;

// One beam's history as a ring of columns: the newest is u32Write - 1
// (mod HISTORY_COLUMNS). The levels are the truth; the pixels are their
// colours, redone when the colours change.
typedef struct tag_HISTORY_BEAM {
  BITMAP bitmap;                                   // HISTORY_COLUMNS x HISTORY_ROWS, row 0 the surface
  U8 au8Levels[HISTORY_ROWS][HISTORY_COLUMNS];
  float afRangeM[HISTORY_COLUMNS];                 // the range each column was drawn at; 0 before any
  U32 u32Write;
  U32 u32Speed;                                    // chart-speed accumulator, tenths of a column
} HISTORY_BEAM;

// The beam's history (index 0: 200 kHz, 1: 83 kHz); the caller holds RES_HISTORY.
HISTORY_BEAM* HISTORY_psBeam(U32 u32Beam);
// The newest column's index.
U32 HISTORY_u32Newest(const HISTORY_BEAM* pHistory);

// Outlined text drawn as G_STRING_vPutWithOutline draws it, kept once drawn:
// the anchor moves past it. The width is the distance it moves.
void HISTORY_vPutText(BITMAP* pBitmap, POINT* pAt, const FONT_DEF* pFont, const char* pc, COLOR colText,
                      COLOR colOutline);
U32 HISTORY_u32TextWidth(const FONT_DEF* pFont, const char* pc, COLOR colText, COLOR colOutline);
