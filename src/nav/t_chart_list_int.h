// What the writing and drawing of lists (t_chart_list.cpp) shares with the
// mending of kept pictures (t_chart_patch.cpp).
#pragma once

#include <stdint.h>

#include "t_chart_list.h"

typedef enum tag_T_CHART_OP_KIND : U32 {
  T_CHART_OP_COLOUR = 1,
  T_CHART_OP_TOOL,
  T_CHART_OP_SIZE,
  T_CHART_OP_PATTERN_TYPE,
  T_CHART_OP_PATTERN_INDEX,
  T_CHART_OP_PATTERN_RESET,
  T_CHART_OP_PATTERN_STATUS,
  T_CHART_OP_MOVE,
  T_CHART_OP_LINE,
  T_CHART_OP_PIXEL,
  T_CHART_OP_ICON,
  T_CHART_OP_IMAGE,
  T_CHART_OP_TURNED_IMAGE,
  T_CHART_OP_TURNED_ICON,
  T_CHART_OP_BOX,
  T_CHART_OP_CIRCLE,
  T_CHART_OP_TEXT,
  T_CHART_OP_OUTLINED,
  T_CHART_OP_FUNCTION,
} T_CHART_OP_KIND;

// The parts of the drawing state, as bits.
constexpr U32 LIST_PEN = 1;
constexpr U32 LIST_COLOUR = 2;
constexpr U32 LIST_TOOL = 4;  // tool and its size
constexpr U32 LIST_PATTERN = 8;

// Every list is written and drawn from this state.
void LIST_vStartState(GR_CONTEXT* gc);
T_CHART_PEN LIST_pen(const GR_CONTEXT* gc, BOOLEAN bPhaseUsed);
void LIST_vSetPen(GR_CONTEXT* gc, const T_CHART_PEN* pPen);
// The parts in which two states differ.
U32 LIST_u32PenDiffers(const T_CHART_PEN& a, const T_CHART_PEN& b);
U32 LIST_u32Differs(const GR_CONTEXT* a, BOOLEAN bPhaseA, const GR_CONTEXT* b, BOOLEAN bPhaseB);
// The parts an op of this kind draws with, and the parts it sets.
U32 LIST_u32Reads(U32 eKind);
// The parts this op draws with.
U32 LIST_u32OpReads(const T_CHART_OP& op);
U32 LIST_u32Sets(U32 eKind);
// An op that only changes the state changes it here; FALSE for one that
// draws.
BOOLEAN LIST_bApplyState(GR_CONTEXT* gc, const T_CHART_OP& op);
BOOLEAN LIST_bRestartsPhase(U32 eKind);
// What drawing op leaves in the state besides its pixels: the pen, and the
// pattern's phase used.
void LIST_vAfterDrawing(GR_CONTEXT* gc, const T_CHART_OP& op, BOOLEAN* pbPhaseUsed);

// The end of an op's text when it was drawn, or one of these.
constexpr S64 LIST_MEASURE = INT64_MIN;      // not drawn: measure it
constexpr S64 LIST_NOTHING = INT64_MIN + 1;  // drawn, and nothing showed
// What a drawing op may draw when it starts from pState.
T_CHART_BOX LIST_box(NAV_VIEW_INFO* pNVI, const GR_CONTEXT* pState, const T_CHART_OP& op, const char* pcText,
                     S64 s64TextEnd);
// Draws a drawing op in the bitmap and context of pNVI; what it may have
// drawn.
T_CHART_BOX LIST_draw(NAV_VIEW_INFO* pNVI, const T_CHART_OP& op, const char* pcText);
// Every op of a patterned stretch takes the stretch's box; then each
// element's box from its ops'.
void LIST_vUniteRuns(T_CHART_LIST* pList);
void LIST_vElementBox(T_CHART_LIST* pList, size_t e);
void LIST_vElementBoxes(T_CHART_LIST* pList);
