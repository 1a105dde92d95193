// What the highway files share: the overlay as a list of drawing calls, and
// the tracks traced once per view. The overlay is first written down as the
// calls it would make and then made; a frame whose calls equal the last
// frame's over the same background shows the picture that the last frame
// left, pixel for pixel the same, without drawing it again.
#pragma once

#include <vector>

#include "color.h"
#include "g_icon.h"
#include "gr_context.h"
#include "t_highway.h"

typedef enum tag_HWY_OP_KIND : U32 {
  HWY_OP_COLOUR = 0,   // n: the context colour
  HWY_OP_TOOL = 1,     // n: DRAWING_TOOL
  HWY_OP_SIZE = 2,     // n: pixel size
  HWY_OP_PATTERN = 3,  // n: TRUE the dotted pattern from its start, FALSE none
  HWY_OP_MOVE = 4,     // x, y
  HWY_OP_LINE = 5,     // x, y
  HWY_OP_ICON = 6,     // p: ICON, anchor x, y
  HWY_OP_PIN = 7,      // p: ICON standing on x, y; label n bytes of the text at u32Text, colour
  HWY_OP_TRACE = 8,    // p: HWY_TRACE, n: its serial
} HWY_OP_KIND;

// Laid out without padding, so that two lists compare byte for byte.
typedef struct tag_HWY_OP {
  HWY_OP_KIND eKind;
  S32 x;
  S32 y;
  S32 n;
  U32 u32Text;
  COLOR colour;
  U16 u16Unused;
  const void* p;
} HWY_OP;
static_assert(sizeof(HWY_OP) == 6 * sizeof(U32) + sizeof(void*), "HWY_OP must have no padding");

typedef struct tag_HWY_LIST {
  std::vector<HWY_OP> ops;
  std::vector<char> text;
} HWY_LIST;

// While a list is given, the drawing calls below go into it; with none they
// draw at once. Only the view task draws the highway.
void HWY_vListInto(HWY_LIST* pList);
BOOLEAN HWY_bListsEqual(const HWY_LIST* a, const HWY_LIST* b);
// Makes the calls of the list in the bitmap and context of pNVI.
void HWY_vPlayList(NAV_VIEW_INFO* pNVI, const HWY_LIST* pList);

void HWY_vColour(NAV_VIEW_INFO* pNVI, S32 n);
void HWY_vTool(NAV_VIEW_INFO* pNVI, DRAWING_TOOL eTool);
void HWY_vSize(NAV_VIEW_INFO* pNVI, S32 n);
void HWY_vPattern(NAV_VIEW_INFO* pNVI, BOOLEAN bDotted);
void HWY_vMove(NAV_VIEW_INFO* pNVI, POINT p);
void HWY_vLine(NAV_VIEW_INFO* pNVI, POINT p);
// An icon standing on the projected point p with the label centred under it,
// u32Size bytes of sLabel at most.
void HWY_vPin(NAV_VIEW_INFO* pNVI, POINT p, const ICON* pIcon, const char* sLabel, U32 u32Size, COLOR colour);

// Saved track nIndex (kept copy, steps kept while the view stays) and the
// current track, as the overlay draws them.
void HWY_vRenderSavedTrack(NAV_VIEW_INFO* pNVI, S32 nIndex, const TRACK_HEADER* pHeader, U32 u32Style,
                           U32 u32Color);
void HWY_vRenderCurrentTrack(NAV_VIEW_INFO* pNVI, U32 u32Style, U32 u32Color);

// The overlay of the navigation data, without the boat, as a list; takes
// mutex 9 and, for the AIS targets, mutex 68.
void HWY_vListOverlay(NAV_VIEW_INFO* pNVI, HWY_LIST* pList);
