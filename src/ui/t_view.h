// The view task: it owns the list of registered layers and composes the
// screen from it.
#pragma once

#include "basetypes.h"
#include "fourcharid.h"
#include "g_types.h"
#include "layer_id.h"
#include "msg_load_bitmap.h"
#include "msghdr.h"

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
  BOOLEAN bSkipReported;         // the frame logged once that it skips this node
} LAYER_ITEM;

// CMD_ID_SET_VIEW: the view the views-selection menu chose.
typedef struct tag_MSG_SET_VIEW {
  GENERIC_MESSAGE header;
  LAYER_ID layer;
} MSG_SET_VIEW;


void T_VIEW_vMain(void);

// A frame at once, not after the rest of the 100 ms: a frame being drawn is
// dropped and the view task runs at a higher priority until it is shown.
void T_VIEW_vRequestExpeditedViewUpdate(void);
// TRUE once a view change was asked for since the frame began; long
// renderers poll it to give up early.
BOOLEAN T_VIEW_bViewChangedWhileRendering(void);
// TRUE when the frame being drawn will be dropped.
BOOLEAN T_VIEW_bViewUpdateCancelled(void);
// Frames begun since the last call.
S32 T_VIEW_s32RefreshesSinceLastRequest(void);
// Writes CVEW and drops the frame being drawn.
void T_VIEW_vSetBackgroundLayer(LAYER_ID layer);
// Drops the frame being drawn because the view is about to change.
void T_VIEW_vMarkViewChanged(void);

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

// The active-pane mark with its lower-left corner at the point; for the left
// pane and a full screen it is moved left by its width first.
void T_VIEW_vDrawArrow(BITMAP* pBitmap, SPLIT_WINDOW_TYPE eSplit, const POINT* pPoint);
// Where the active pane's mark (active_pane_icon) goes, its lower-left
// corner, in the window of the pane described; FALSE when no pane is active.
BOOLEAN T_VIEW_bActivePaneIconAt(const WINDOW_SPECIFICATION* psWindowSpec, POINT* pAt);
// The highlight frame round the active pane of a split view while its express
// menu is open.
void T_VIEW_vDrawPaneHighlight(BITMAP* pBitmap, const WINDOW_SPECIFICATION* psWindowSpec);
// The draw function of the simulation and point-of-sale notice.
void T_VIEW_vDrawSimMessage(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER psWindowSpec);

// Asks the card task to load sName (its extension made "PNG") into *ppBitmap;
// when *ppBitmap is null a free page is taken for it, and the caller then owns
// page and header. The card task signals sema when it is done; the caller's
// wait for it must be bounded. FALSE, with a page taken here given back and
// *ppBitmap null again, when no page is free, there is no card task, or too
// many requests are still unanswered.
BOOLEAN T_VIEW_bRequestSnapshotImage(BITMAP** ppBitmap, const char* sName, SEMA sema);

// The head of the layer list. The view task walks it freely; any other task
// holds RES_VIEW_LIST while it walks.
const LAYER_ITEM* T_VIEW_psFirstLayer(void);
// Whether VIEW and EXIT step onto the main node: a view of its own (used
// over no other view, or registered as used over itself, as the GPS
// diagnostic page is) that is shown.
BOOLEAN T_VIEW_bInViewCycle(const LAYER_ITEM* p);
// The view task's copy of CVEW.
LAYER_ID T_VIEW_eCurrentLayer(void);

// Draws the current view and every layer over it into pPage, as a frame
// does; for the view task (and its benchmark, while the task is idle).
void T_VIEW_vComposeFrame(BITMAP* pPage);
// Frames are numbered from 1 as they begin: the number of the last frame
// begun, and of the last one put on display.
U32 T_VIEW_u32FramesBegun(void);
U32 T_VIEW_u32LastFrameShown(void);
