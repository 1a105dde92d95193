#include "u_view.h"

#include <atomic>

#include "h_database.h"
#include "h_memory.h"
#include "linuxsvc.h"

constexpr PRIORITY VIEW_CLIENT_PRIORITY = 3;

static MBOX VIEW_mboxViewTask(void) {
  U32 mbox = 0;
  BOOLEAN bValid = FALSE;
  if (!H_DATABASE_bFetchU32(FCID("TVUE"), &mbox, &bValid, nullptr) || !bValid || mbox == 0) return 0;
  return (MBOX)mbox;
}

// Mails a request to the view task; the block is freed when it cannot go.
static BOOLEAN VIEW_bSend(MBOX mbox, void* pMsg) {
  if (L_MBOX_Send(mbox, pMsg, VIEW_CLIENT_PRIORITY, 0) == 0) return TRUE;
  H_MEMORY_vFree(pMsg);
  return FALSE;
}

static BOOLEAN VIEW_bRegister(DRAW_FUNCTION* pfnDraw, LAYER_ID layer, LAYER_ID layerWhereUsed, U32 u32User,
                              FOURCHARID fcidControl, BOOLEAN bDefaultState, const char* const* pPlaybackString,
                              const char* const* pSimString, const char* const* pPOSString,
                              SPLIT_WINDOW_TYPE eLocation, FOURCHARID fcidSplitControl, BOOLEAN bHorizontal) {
  MBOX mbox = VIEW_mboxViewTask();
  if (mbox == 0) return FALSE;
  MSG_REGISTER_LAYER* pMsg = (MSG_REGISTER_LAYER*)H_MEMORY_pvCalloc(1, sizeof(MSG_REGISTER_LAYER));
  pMsg->header.Cmd = CMD_ID_REGISTER_LAYER;
  pMsg->layer = layer;
  pMsg->where_used = layerWhereUsed;
  pMsg->pDrawFunction = pfnDraw;
  pMsg->fcidDisplayFlag = fcidControl;
  pMsg->bDisplay = bDefaultState;
  pMsg->user = u32User;
  pMsg->pPlaybackString = pPlaybackString;
  pMsg->pSimString = pSimString;
  pMsg->pPOSString = pPOSString;
  pMsg->eLocation = eLocation;
  pMsg->fcidSplitControl = fcidSplitControl;
  pMsg->bHorizontalSplit = bHorizontal;
  return VIEW_bSend(mbox, pMsg);
}

BOOLEAN U_VIEW_bRegisterLayer(DRAW_FUNCTION* pfnDraw, LAYER_ID layer, LAYER_ID layerWhereUsed, U32 u32User,
                              FOURCHARID fcidControl, BOOLEAN bDefaultState, const char* const* pPlaybackString,
                              const char* const* pSimString, const char* const* pPOSString) {
  return VIEW_bRegister(pfnDraw, layer, layerWhereUsed, u32User, fcidControl, bDefaultState, pPlaybackString,
                        pSimString, pPOSString, SPLIT_FULL_WINDOW, 0, FALSE);
}

BOOLEAN U_VIEW_bRegisterLayerSplit(DRAW_FUNCTION* pfnDraw, LAYER_ID layer, LAYER_ID layerWhereUsed, U32 u32User,
                                   FOURCHARID fcidControl, BOOLEAN bDefaultState,
                                   const char* const* pPlaybackString, const char* const* pSimString,
                                   const char* const* pPOSString, SPLIT_WINDOW_TYPE eLocation,
                                   FOURCHARID fcidSplitControl) {
  return VIEW_bRegister(pfnDraw, layer, layerWhereUsed, u32User, fcidControl, bDefaultState, pPlaybackString,
                        pSimString, pPOSString, eLocation, fcidSplitControl, FALSE);
}

BOOLEAN U_VIEW_bRegisterLayerSplitHorizontal(DRAW_FUNCTION* pfnDraw, LAYER_ID layer, LAYER_ID layerWhereUsed,
                                             U32 u32User, FOURCHARID fcidControl, BOOLEAN bDefaultState,
                                             const char* const* pPlaybackString, const char* const* pSimString,
                                             const char* const* pPOSString, SPLIT_WINDOW_TYPE eLocation,
                                             FOURCHARID fcidSplitControl) {
  return VIEW_bRegister(pfnDraw, layer, layerWhereUsed, u32User, fcidControl, bDefaultState, pPlaybackString,
                        pSimString, pPOSString, eLocation, fcidSplitControl, TRUE);
}

BOOLEAN U_VIEW_bUnRegisterLayerSplit(LAYER_ID layer, SPLIT_WINDOW_TYPE eLocation) {
  MBOX mbox = VIEW_mboxViewTask();
  if (mbox == 0) return FALSE;
  MSG_UNREGISTER_LAYER* pMsg = (MSG_UNREGISTER_LAYER*)H_MEMORY_pvCalloc(1, sizeof(MSG_UNREGISTER_LAYER));
  pMsg->header.Cmd = CMD_ID_UNREGISTER_LAYER;
  pMsg->layer = layer;
  pMsg->eLocation = eLocation;
  return VIEW_bSend(mbox, pMsg);
}

BOOLEAN U_VIEW_bUnRegisterLayer(LAYER_ID layer) { return U_VIEW_bUnRegisterLayerSplit(layer, SPLIT_FULL_WINDOW); }

LAYER_ID U_VIEW_eCurrentView(void) {
  S32 view = 0;
  if (!H_DATABASE_bFetchS32(FCID("CVEW"), &view, nullptr, nullptr)) return NO_VIEW_PRIORITY;
  return (LAYER_ID)view;
}

SPLIT_WINDOW_TYPE U_VIEW_eCurrentSplit(void) {
  S32 split = 0;
  if (!H_DATABASE_bFetchS32(FCID("CVAS"), &split, nullptr, nullptr)) return NO_SPLIT_WINDOW;
  return (SPLIT_WINDOW_TYPE)split;
}

// ---------------------------------------------------------------------------
// Answers of the subsystems above

static std::atomic<U32 (*)(void)> s_pfnXOrigin{nullptr};
static std::atomic<BOOLEAN (*)(S32)> s_pfnIsInstrumentView{nullptr};
static std::atomic<BOOLEAN (*)(S32, S32)> s_pfnIsBirdsEyeCursorView{nullptr};

void U_VIEW_vSetNeighbours(const U_VIEW_NEIGHBOURS* pNeighbours) {
  s_pfnXOrigin = pNeighbours != nullptr ? pNeighbours->pfnXOrigin : nullptr;
  s_pfnIsInstrumentView = pNeighbours != nullptr ? pNeighbours->pfnIsInstrumentView : nullptr;
  s_pfnIsBirdsEyeCursorView = pNeighbours != nullptr ? pNeighbours->pfnIsBirdsEyeCursorView : nullptr;
}

U32 U_VIEW_u32XOrigin(void) {
  U32 (*pfn)(void) = s_pfnXOrigin;
  return pfn != nullptr ? pfn() : 0;
}

BOOLEAN U_VIEW_bIsInstrumentView(S32 s32View) {
  BOOLEAN (*pfn)(S32) = s_pfnIsInstrumentView;
  return pfn != nullptr ? pfn(s32View) : FALSE;
}

BOOLEAN U_VIEW_bIsBirdsEyeCursorView(S32 s32View, S32 s32Split) {
  BOOLEAN (*pfn)(S32, S32) = s_pfnIsBirdsEyeCursorView;
  return pfn != nullptr ? pfn(s32View, s32Split) : FALSE;
}
