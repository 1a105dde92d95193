// The view task's client functions: layers are registered and removed by
// mail, and the current view and pane are read from the database. Also the
// answers the screen frame needs from the subsystems above it.
#pragma once

#include "basetypes.h"
#include "fourcharid.h"
#include "layer_id.h"
#include "msghdr.h"

// Mail to the view task (CMD_ID_REGISTER_LAYER). The view task writes flag:
// TRUE when the registration was taken.
typedef struct tag_MSG_REGISTER_LAYER {
  GENERIC_MESSAGE header;
  LAYER_ID layer;
  LAYER_ID where_used;               // USED_BY_NONE for a base view, a view, or USED_BY_ALL
  DRAW_FUNCTION* pDrawFunction;
  FOURCHARID fcidDisplayFlag;        // 0, or the boolean key that shows the layer
  BOOLEAN bDisplay;                  // that key's default
  U32 user;
  const char* const* pPlaybackString;
  const char* const* pSimString;
  const char* const* pPOSString;
  SPLIT_WINDOW_TYPE eLocation;
  FOURCHARID fcidSplitControl;       // 0, or the key of the split position in percent
  BOOLEAN bHorizontalSplit;
  BOOLEAN flag;
} MSG_REGISTER_LAYER;

// Mail to the view task (CMD_ID_UNREGISTER_LAYER); flag: TRUE when something
// was removed.
typedef struct tag_MSG_UNREGISTER_LAYER {
  GENERIC_MESSAGE header;
  LAYER_ID layer;
  SPLIT_WINDOW_TYPE eLocation;
  BOOLEAN flag;
} MSG_UNREGISTER_LAYER;

// Each sends its request to the mailbox under TVUE and returns TRUE; FALSE,
// sending nothing, while TVUE is missing or invalid. The layer is in the list
// once the view task has handled the message.
BOOLEAN U_VIEW_bRegisterLayer(DRAW_FUNCTION* pfnDraw, LAYER_ID layer, LAYER_ID layerWhereUsed, U32 u32User,
                              FOURCHARID fcidControl, BOOLEAN bDefaultState, const char* const* pPlaybackString,
                              const char* const* pSimString, const char* const* pPOSString);
BOOLEAN U_VIEW_bRegisterLayerSplit(DRAW_FUNCTION* pfnDraw, LAYER_ID layer, LAYER_ID layerWhereUsed, U32 u32User,
                                   FOURCHARID fcidControl, BOOLEAN bDefaultState,
                                   const char* const* pPlaybackString, const char* const* pSimString,
                                   const char* const* pPOSString, SPLIT_WINDOW_TYPE eLocation,
                                   FOURCHARID fcidSplitControl);
BOOLEAN U_VIEW_bRegisterLayerSplitHorizontal(DRAW_FUNCTION* pfnDraw, LAYER_ID layer, LAYER_ID layerWhereUsed,
                                             U32 u32User, FOURCHARID fcidControl, BOOLEAN bDefaultState,
                                             const char* const* pPlaybackString, const char* const* pSimString,
                                             const char* const* pPOSString, SPLIT_WINDOW_TYPE eLocation,
                                             FOURCHARID fcidSplitControl);
BOOLEAN U_VIEW_bUnRegisterLayer(LAYER_ID layer);
BOOLEAN U_VIEW_bUnRegisterLayerSplit(LAYER_ID layer, SPLIT_WINDOW_TYPE eLocation);

// CVEW, or NO_VIEW_PRIORITY when it cannot be fetched.
LAYER_ID U_VIEW_eCurrentView(void);
// CVAS, or NO_SPLIT_WINDOW when it cannot be fetched.
SPLIT_WINDOW_TYPE U_VIEW_eCurrentSplit(void);

// What the screen frame asks of the subsystems above it: the left edge of
// the view area right of the readouts' data-box column, and the navigation
// views' kinds (-3 stands for the current view or pane). Those libraries sit
// above this one, so they hand their answers in at start; until then there
// is no data-box column and no instrument view. A null entry keeps that
// answer's default.
typedef struct tag_U_VIEW_NEIGHBOURS {
  U32 (*pfnXOrigin)(void);
  BOOLEAN (*pfnIsInstrumentView)(S32 s32View);
  BOOLEAN (*pfnIsBirdsEyeCursorView)(S32 s32View, S32 s32Split);
} U_VIEW_NEIGHBOURS;
void U_VIEW_vSetNeighbours(const U_VIEW_NEIGHBOURS* pNeighbours);
U32 U_VIEW_u32XOrigin(void);
BOOLEAN U_VIEW_bIsInstrumentView(S32 s32View);
BOOLEAN U_VIEW_bIsBirdsEyeCursorView(S32 s32View, S32 s32Split);
