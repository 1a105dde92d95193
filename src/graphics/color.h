// Most drawing picks its colours by index from this table of 256 RGB565
// entries, so that a palette change recolours every view by rewriting a
// section. Its sections are owned by the tasks that rewrite them when the
// palette setting SPAL changes; indices are trusted (start + count <= 256).
#pragma once

#include "g_types.h"

typedef enum tag_COLOR_PALETTE_ID {
  PALETTE1 = 1,
  PALETTE2 = 2,
  PALETTE3 = 3,
  PALETTE4 = 4,
  DEFAULT_PALETTE = PALETTE1,
} COLOR_PALETTE_ID;

// An entry whose colour differs between the point-of-sale demonstration and
// normal use.
typedef struct tag_POS_COLOR_VARIATION {
  U32 u32Index;
  COLOR colorStandard;
  COLOR colorPOS;
} POS_COLOR_VARIATION;

constexpr U32 COLOR_TABLE_SIZE = 256;

// The active table; every user reads and writes entries through it.
extern COLOR* gCOLOR_pcolColorTable;
inline COLOR COLOR_colEntry(U32 u32Entry) { return gCOLOR_pcolColorTable[u32Entry]; }

void COLOR_vSetColorTableSection(U32 u32StartIndex, U32 u32Count, const COLOR* pcolorSource);
void COLOR_vFetchColorTableSection(U32 u32StartIndex, U32 u32Count, COLOR* pcolorDest);
// Entry by entry in ascending order, so a section copied onto a later
// overlapping one repeats its first entries.
void COLOR_vCopyColorTableSection(U32 u32SourceIndex, U32 u32DestinationIndex, U32 u32Count);
// The palette hooks of the display task: point-of-sale or standard colours.
void COLOR_vSetPOSPalette(void);
void COLOR_vSetStandardPalette(void);
