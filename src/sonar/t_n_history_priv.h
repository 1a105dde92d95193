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

// The picture holds the newest columns a pane can show: one screen's width.
constexpr U32 HISTORY_PICTURE_COLUMNS = G_SCREEN_WIDTH;
constexpr U32 HISTORY_PICTURE_PIXELS = HISTORY_PICTURE_COLUMNS * HISTORY_ROWS;
static_assert(HISTORY_PICTURE_COLUMNS <= HISTORY_COLUMNS);

// The beams by the values of SSSV, and the pane's user value that asks for
// the beam SSSV chooses.
constexpr U32 HISTORY_BEAM_200 = 0;
constexpr U32 HISTORY_BEAM_83 = 1;
constexpr U32 HISTORY_USER_CHOSEN = 2;

// One beam's history as a ring of columns: the newest is u32Write - 1
// (mod HISTORY_COLUMNS). The levels are the truth; the pixels are their
// colours, redone when the colours change.
//
// The picture is one ring of pixels read as rows HISTORY_PICTURE_COLUMNS
// long from u32Origin on (row 0 the surface, the oldest column first). A
// new column moves the origin on by one pixel, which shifts every row one
// column older, and takes the places the oldest pixels leave: the row
// below's first. A whole screen of history thus lies in memory as a
// screen's rows do, and a full pane takes it in two plain copies.
typedef struct tag_HISTORY_BEAM {
  COLOR* pcolPicture;                              // HISTORY_PICTURE_PIXELS
  U32 u32Origin;
  U8 au8Levels[HISTORY_COLUMNS][HISTORY_ROWS];     // by column: a ping writes one row of it
  float afRangeM[HISTORY_COLUMNS];                 // the range each column was drawn at; 0 before any
  U32 u32Write;
  U32 u32Speed;                                    // chart-speed accumulator, tenths of a column
  U32 u32Pending;                                  // the newest columns not yet in the picture
  U32 u32Fresh;  // of those, the newest that came as new columns since the picture was last painted
} HISTORY_BEAM;

// The beam's history (index 0: 200 kHz, 1: 83 kHz), its picture brought up
// to date; the caller holds RES_HISTORY.
HISTORY_BEAM* HISTORY_psBeam(U32 u32Beam);
// The newest column's index.
U32 HISTORY_u32Newest(const HISTORY_BEAM* pHistory);
// The picture's pixel u32Back columns before the newest in row u32Row
// (u32Back below HISTORY_PICTURE_COLUMNS, u32Row below HISTORY_ROWS).
COLOR* HISTORY_pcolShown(const HISTORY_BEAM* pHistory, U32 u32Row, U32 u32Back);

// Outlined text drawn as G_STRING_vPutWithOutline draws it, kept once drawn:
// the anchor moves past it. The width is the distance it moves. The language
// is the current one, fetched once by the caller for all its texts.
void HISTORY_vPutText(BITMAP* pBitmap, POINT* pAt, const FONT_DEF* pFont, const char* pc, U32 u32Language,
                      COLOR colText, COLOR colOutline);
U32 HISTORY_u32TextWidth(const FONT_DEF* pFont, const char* pc, U32 u32Language, COLOR colText, COLOR colOutline);
