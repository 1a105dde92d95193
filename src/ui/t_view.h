// The view task: it owns the list of registered layers and composes the
// screen from it.
#pragma once

#include "basetypes.h"
#include "fourcharid.h"
#include "layer_id.h"

// One registered layer, or one further pane of a split view. Owned by the
// view task; main nodes are kept in ascending layer order, and the panes of
// a split view hang off their main node's pSplit chain, every pane's next
// pointing at the same following main node.
typedef struct tag_LAYER_ITEM {
  LAYER_ID layer;
  LAYER_ID where_used;
  DRAW_FUNCTION* pDrawFunction;
  FOURCHARID fcidDisplay;
  BOOLEAN bDefault;
  BOOLEAN bCurrentDisplayMode;   // the display key's value; TRUE without a key
  const char* const* pString;    // the display key's name text
  const char* const* pPlaybackString;
  const char* const* pSimString;
  const char* const* pPOSString;
  U32 user;
  struct tag_LAYER_ITEM* next;
  struct tag_LAYER_ITEM* pSplit;
  FOURCHARID fcidSplitControl;
  S32 s32SplitPercentage;
  SPLIT_WINDOW_TYPE eSplit;
  BOOLEAN bHorizontalSplit;
} LAYER_ITEM;

void T_VIEW_vMain(void);

// TRUE when a main node of the layer is in the list, shown or not.
BOOLEAN T_VIEW_bIsLayerActive(LAYER_ID TargeLayer);
// The base view whose name in the current language, in capitals, is
// selectableView; it is made visible. UNKNOWN_VIEW when none matches.
LAYER_ID T_VIEW_GetSelectableView(const char* selectableView);
// Chooses the shown base view after the current one (wrapping round) and
// writes it to CVEW; NO_VIEW_PRIORITY when there is none.
void T_VIEW_vSetNextBackgroundLayer(void);

// Split geometry for draw functions that lay out panes themselves: o is the
// data-box column's width while SDBO is DATA_BOXES_ON, else 0.
S32 T_VIEW_s32SplitViewLeftWidth(S32 s32ViewWidth, S32 s32PositionPercent);
S32 T_VIEW_s32SplitViewRightWidth(S32 s32ViewWidth, S32 s32PositionPercent);
S32 T_VIEW_s32SplitViewClipLeft(S32 s32ViewWidth, S32 s32PositionPercent, SPLIT_WINDOW_TYPE eSplit);
S32 T_VIEW_s32SplitViewClipRight(S32 s32ViewWidth, S32 s32PositionPercent, SPLIT_WINDOW_TYPE eSplit);

// The head of the layer list. The view task walks it freely; any other task
// holds RES_VIEW_LIST while it walks.
const LAYER_ITEM* T_VIEW_psFirstLayer(void);
// The view task's copy of CVEW.
LAYER_ID T_VIEW_eCurrentLayer(void);
