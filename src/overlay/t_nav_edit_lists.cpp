// The route and track pickers: a list of eight (routes) or six (tracks) rows
// in a frame under the title band, the highlighted entry's creation time and
// size below it, and for routes an optional direction row above the first.

#include "t_nav_edit_lists.h"

#include <string.h>

#include "linuxsvc.h"
#include "t_nav_edit_draw.h"
#include "u_language.h"
#include "u_menu.h"
#include "ui_texts.h"

NAV_RTE_SEL s_RteSel;
NAV_TRK_SEL s_TrkSel;

namespace {

constexpr U32 RTE_SEL_ROWS = 8;
constexpr U32 TRK_SEL_ROWS = 6;

MENU_TEXT const s_aDirectionChoices[] = {Forward, Reverse};
const U32 s_aDirectionValues[] = {0, 1};

BOOLEAN LIST_bOn(const S32 nPosition, U32 u32Count) { return nPosition >= 0 && (U32)nPosition < u32Count; }

// Closes the route picker and hands the highlighted route on. With bUnlock
// mutex 10 is given back before the callback runs.
void LIST_vTakeRoute(BOOLEAN bUnlock) {
  const NAV_RTE_SEL& s = s_RteSel;
  const NAV_EDIT_ROUTE_CALLBACK pSelect = s.pSelect;
  const BOOLEAN bRow = LIST_bOn(s.nPosition, s.nCount);
  const U32 index = bRow ? s.au16SortedIndexes[s.nPosition] : 0;
  const BOOLEAN bReverse = s.bReverse;
  NAV_EDIT_vClose();
  if (bUnlock) L_MUTEX_Unlock(RES_NAV_EDIT);
  if (pSelect != nullptr && bRow) {
    pSelect(index, bReverse);
  } else {
    NAV_EDIT_vClick(TRUE);
  }
}

void LIST_vTakeTrack(BOOLEAN bUnlock) {
  const NAV_TRK_SEL& s = s_TrkSel;
  const NAV_EDIT_INDEX_CALLBACK pSelect = s.pSelect;
  const BOOLEAN bRow = LIST_bOn(s.nPosition, s.nCount);
  const U32 index = bRow ? s.au16SortedIndexes[s.nPosition] : 0;
  NAV_EDIT_vClose();
  if (bUnlock) L_MUTEX_Unlock(RES_NAV_EDIT);
  if (pSelect != nullptr && bRow) {
    pSelect(index);
  } else {
    NAV_EDIT_vClick(TRUE);
  }
}

// NORTH and SOUTH of a picker; the click on the first event of a press.
void LIST_vCursor(const MSG_KEY_CHANGE* pMsg, S32* pnPosition, S32* pnTop, S32 nFirst, U32 u32Count, U32 u32Rows) {
  if (!NAV_EDIT_bListStep(pnPosition, pnTop, nFirst, u32Count, u32Rows, pMsg->cursor == CURSOR_NORTH)) {
    NAV_EDIT_vClick(FALSE);
  } else if (pMsg->count <= 1) {
    NAV_EDIT_vClick(TRUE);
  }
}

// EAST on a list row: the confirmation box, or the selection at once.
void LIST_vChoose(NAV_EDIT_TEXT pConfirmation, void (*pNo)(void), void (*pYes)(void), void (*pTake)(BOOLEAN)) {
  if (pConfirmation != nullptr) {
    NAV_EDIT_vAsk(pConfirmation, pNo, pYes);
    NAV_EDIT_vClick(TRUE);
  } else {
    pTake(FALSE);
  }
}

// The answers run on the message-box task: each acts only while its own
// picker is still open.
BOOLEAN LIST_bStillOpen(NAV_EDIT_STATE eState) {
  L_MUTEX_LockWait(RES_NAV_EDIT);
  if (s_eNavEditState == eState) return TRUE;
  L_MUTEX_Unlock(RES_NAV_EDIT);
  return FALSE;
}

void LIST_vCancel(NAV_EDIT_STATE eState) {
  if (!LIST_bStillOpen(eState)) return;
  NAV_EDIT_vClose();
  L_MUTEX_Unlock(RES_NAV_EDIT);
  NAV_EDIT_vClick(TRUE);
}

// The frame of a picker: outer outline, two inner outlines and the panel.
void LIST_vFrame(BITMAP* pBitmap, S32 x, U32 w, U32 h) {
  NAV_EDIT_vRounded(pBitmap, NAV_EDIT_MARK, x, 109, w, h, 4, FALSE);
  NAV_EDIT_vRounded(pBitmap, NAV_EDIT_INK, x + 1, 110, w - 2, h - 2, 4, FALSE);
  NAV_EDIT_vRounded(pBitmap, NAV_EDIT_INK, x + 2, 111, w - 4, h - 4, 2, FALSE);
  NAV_EDIT_vRounded(pBitmap, NAV_EDIT_PANEL, x + 3, 112, w - 6, h - 6, 2, TRUE);
}

// The box takes the row from past its label to the frame's inner edge, so
// either choice stands whole beside the label in every language.
constexpr S32 LIST_DIRECTION_LABEL = 341;
constexpr S32 LIST_DIRECTION_END = 624;

void LIST_vDirectionRow(BITMAP* pBitmap, S32 y, BOOLEAN bSelected) {
  const NAV_RTE_SEL& s = s_RteSel;
  const char* pLabel = NAV_EDIT_pText(Direction, s.nLang);
  NAV_EDIT_vInk(pBitmap, LIST_DIRECTION_LABEL, y, NAV_EDIT_pBoldFont(), pLabel);
  const S32 left = LIST_DIRECTION_LABEL + (S32)NAV_EDIT_u32Width(NAV_EDIT_pBoldFont(), pLabel) + 12;
  const S32 width = LIST_DIRECTION_END - left;
  if (width <= 0) return;
  const U8 choice = s.bReverse ? 1 : 0;
  if (bSelected) {
    M_SELECTION_BOX_PARAMETERS box = {0, s_aDirectionChoices, nullptr, s_aDirectionValues, choice, 2};
    const POINT at = {left, y - 5};
    U_MENU_vDrawControlSelectionBox(pBitmap, at, choice, &box, (U32)width, 26, NAV_EDIT_color(NAV_EDIT_PANEL));
    return;
  }
  NAV_EDIT_vRounded(pBitmap, NAV_EDIT_FIELD, left, y - 5, (U32)width + 1, 26, 3, FALSE);
  const char* pText = NAV_EDIT_pText(s_aDirectionChoices[choice], s.nLang);
  const FONT_DEF* pFont = NAV_EDIT_pSmallFont();
  NAV_EDIT_vInk(pBitmap, left + (width - (S32)NAV_EDIT_u32Width(pFont, pText)) / 2, y, pFont, pText);
}

}  // namespace

BOOLEAN NAV_EDIT_bEditorKeys(const MSG_KEY_CHANGE* pMsg, void (*pfExit)(void),
                             NAV_EDIT_KEY_CLICK (*pfCursor)(CURSOR_POSITION)) {
  if (pMsg->key == HKEY_MASK_EXIT) {
    pfExit();
    return TRUE;
  }
  if (pMsg->key != HKEY_MASK_CURSOR) return FALSE;
  const NAV_EDIT_KEY_CLICK eClick = pfCursor(pMsg->cursor);
  if (eClick == NAV_EDIT_REFUSED) {
    NAV_EDIT_vClick(FALSE);
  } else if (eClick == NAV_EDIT_CLICK || (eClick == NAV_EDIT_FIRST_CLICK && pMsg->count <= 1)) {
    NAV_EDIT_vClick(TRUE);
  }
  return TRUE;
}

void NAV_EDIT_vSaveAnswer(NAV_EDIT_STATE eState, BOOLEAN (*pfSave)(void)) {
  L_MUTEX_LockWait(RES_NAV_EDIT);
  const BOOLEAN bOpen = s_eNavEditState == eState;
  const BOOLEAN bSaved = bOpen && pfSave();
  L_MUTEX_Unlock(RES_NAV_EDIT);
  if (bOpen) NAV_EDIT_vClick(bSaved);
}

BOOLEAN NAV_EDIT_bListStep(S32* pnPosition, S32* pnTop, S32 nFirst, U32 u32Count, U32 u32Rows, BOOLEAN bUp) {
  if (bUp) {
    if (*pnPosition <= nFirst) return FALSE;
    (*pnPosition)--;
    if (*pnPosition < *pnTop) *pnTop = *pnPosition;
  } else {
    if (*pnPosition + 1 >= (S32)u32Count) return FALSE;
    (*pnPosition)++;
    if (*pnPosition > *pnTop + (S32)u32Rows - 1) (*pnTop)++;
  }
  return TRUE;
}

// ---------------------------------------------------------------------------
// Route picker

BOOLEAN T_NAV_EDIT_bSelectRouteSetup(BOOLEAN bAskDirection, NAV_EDIT_ROUTE_CALLBACK pSelect,
                                     NAV_EDIT_TEXT pConfirmation, NAV_EDIT_TEXT pTitle) {
  L_MUTEX_LockWait(RES_NAV_EDIT);
  U32 count = 0;
  U16 list[NAV_MAX_ROUTES] = {};
  T_NAV_vGetRoutes(&count, list);
  if (count > NAV_MAX_ROUTES) count = NAV_MAX_ROUTES;
  if (count > 0) {
    NAV_RTE_SEL& s = s_RteSel;
    s = NAV_RTE_SEL{};
    memcpy(s.au16SortedIndexes, list, sizeof list);
    s.nCount = count;
    s.nPosition = s.nTop = bAskDirection ? -1 : 0;
    s.nLang = nCurrentLanguage();
    s.bAskDirection = bAskDirection;
    s.pSelect = pSelect;
    s.pConfirmation = pConfirmation;
    NAV_EDIT_vOpen(NAV_EDIT_SELECT_ROUTE, pTitle);
  }
  L_MUTEX_Unlock(RES_NAV_EDIT);
  return count > 0;
}

BOOLEAN T_NAV_bSelectRouteHandleKeys(const MSG_KEY_CHANGE* pMsg) {
  NAV_RTE_SEL& s = s_RteSel;
  if (pMsg->key == HKEY_MASK_EXIT) {
    NAV_EDIT_vClose();
    NAV_EDIT_vClick(TRUE);
    return TRUE;
  }
  if (pMsg->key != HKEY_MASK_CURSOR) return FALSE;
  const BOOLEAN bEast = pMsg->cursor == CURSOR_EAST;
  if (pMsg->cursor == CURSOR_NORTH || pMsg->cursor == CURSOR_SOUTH) {
    LIST_vCursor(pMsg, &s.nPosition, &s.nTop, s.bAskDirection ? -1 : 0, s.nCount, RTE_SEL_ROWS);
  } else if (bEast || pMsg->cursor == CURSOR_WEST) {
    if (s.nPosition < 0) {
      const BOOLEAN bStep = s.bReverse != bEast;
      if (bStep) s.bReverse = bEast;
      NAV_EDIT_vClick(bStep);
    } else if (!bEast) {
      NAV_EDIT_vClick(FALSE);
    } else {
      LIST_vChoose(s.pConfirmation, T_NAV_vSRCancel, T_NAV_vSRSelect, LIST_vTakeRoute);
    }
  }
  return TRUE;
}

void T_NAV_vSRSelect(void) {
  if (LIST_bStillOpen(NAV_EDIT_SELECT_ROUTE)) LIST_vTakeRoute(TRUE);
}

void T_NAV_vSRCancel(void) { LIST_vCancel(NAV_EDIT_SELECT_ROUTE); }

void T_NAV_vSelectRouteRender(BITMAP* pBitmap) {
  const NAV_RTE_SEL& s = s_RteSel;
  T_NAV_vDrawTitleBoxString(pBitmap, (const BYTE*)NAV_EDIT_pText(s_pNavEditTitle, s.nLang));
  LIST_vFrame(pBitmap, 328, 304, 263);
  POINT tab = {630, 110};
  T_NAV_vDrawScrollTab(pBitmap, &tab, 40, s.nTop != (s.bAskDirection ? -1 : 0),
                       s.nTop + (S32)RTE_SEL_ROWS < (S32)s.nCount);
  L_MUTEX_LockWait(RES_NAV_DATA);
  for (S32 row = 0; row < (S32)RTE_SEL_ROWS; row++) {
    const S32 k = s.nTop + row;
    const S32 y = 340 - 32 * row;
    if (k >= (S32)s.nCount) break;
    if (k < 0) {
      LIST_vDirectionRow(pBitmap, y, s.nPosition == k);
      continue;
    }
    if (k == s.nPosition) {
      NAV_EDIT_vMarked(pBitmap, 335, y - 3, 290, 29, NAV_EDIT_INK);
      NAV_EDIT_vArrow(pBitmap, 607, y);
    }
    const ROUTE* pRoute = T_NAV_pGetRoute(s.au16SortedIndexes[k]);
    if (pRoute != nullptr) NAV_EDIT_vName(pBitmap, 341, y, pRoute->sName, sizeof pRoute->sName);
  }
  const ROUTE* pRoute = LIST_bOn(s.nPosition, s.nCount) ? T_NAV_pGetRoute(s.au16SortedIndexes[s.nPosition]) : nullptr;
  if (pRoute != nullptr) {
    const U32 points = pRoute->nCount > NAV_MAX_ROUTE_POINTS ? NAV_MAX_ROUTE_POINTS : pRoute->nCount;
    NAV_EDIT_vDetailsBox(pBitmap);
    NAV_EDIT_vCreated(pBitmap, 310, 22, pRoute->u32DateTime, 654, s.nLang);
    NAV_EDIT_vCount(pBitmap, 310, 52, points, Waypoints, s.nLang);
  }
  L_MUTEX_Unlock(RES_NAV_DATA);
}

// ---------------------------------------------------------------------------
// Track picker

BOOLEAN T_NAV_EDIT_bSelectTrackSetup(NAV_EDIT_INDEX_CALLBACK pSelect, NAV_EDIT_TEXT pConfirmation,
                                     NAV_EDIT_TEXT pTitle) {
  L_MUTEX_LockWait(RES_NAV_EDIT);
  U32 count = 0;
  U16 list[NAV_MAX_TRACKS] = {};
  T_NAV_vGetTracks(&count, list);
  if (count > NAV_MAX_TRACKS) count = NAV_MAX_TRACKS;
  if (count > 0) {
    NAV_TRK_SEL& s = s_TrkSel;
    s = NAV_TRK_SEL{};
    memcpy(s.au16SortedIndexes, list, sizeof list);
    s.nCount = count;
    s.nLang = nCurrentLanguage();
    s.pSelect = pSelect;
    s.pConfirmation = pConfirmation;
    NAV_EDIT_vOpen(NAV_EDIT_SELECT_TRACK, pTitle);
  }
  L_MUTEX_Unlock(RES_NAV_EDIT);
  return count > 0;
}

BOOLEAN T_NAV_bSelectTrackHandleKeys(const MSG_KEY_CHANGE* pMsg) {
  NAV_TRK_SEL& s = s_TrkSel;
  if (pMsg->key == HKEY_MASK_EXIT) {
    NAV_EDIT_vClose();
    NAV_EDIT_vClick(TRUE);
    return TRUE;
  }
  if (pMsg->key != HKEY_MASK_CURSOR) return FALSE;
  if (pMsg->cursor == CURSOR_NORTH || pMsg->cursor == CURSOR_SOUTH) {
    LIST_vCursor(pMsg, &s.nPosition, &s.nTop, 0, s.nCount, TRK_SEL_ROWS);
  } else if (pMsg->cursor == CURSOR_WEST) {
    NAV_EDIT_vClick(FALSE);
  } else if (pMsg->cursor == CURSOR_EAST) {
    LIST_vChoose(s.pConfirmation, T_NAV_vSTCancel, T_NAV_vSTSelect, LIST_vTakeTrack);
  }
  return TRUE;
}

void T_NAV_vSTSelect(void) {
  if (LIST_bStillOpen(NAV_EDIT_SELECT_TRACK)) LIST_vTakeTrack(TRUE);
}

void T_NAV_vSTCancel(void) { LIST_vCancel(NAV_EDIT_SELECT_TRACK); }

void T_NAV_vSelectTrackRender(BITMAP* pBitmap) {
  const NAV_TRK_SEL& s = s_TrkSel;
  T_NAV_vDrawTitleBoxString(pBitmap, (const BYTE*)NAV_EDIT_pText(s_pNavEditTitle, s.nLang));
  LIST_vFrame(pBitmap, 343, 274, 296);
  POINT tab = {615, 110};
  T_NAV_vDrawScrollTab(pBitmap, &tab, 40, s.nTop != 0, s.nTop + (S32)TRK_SEL_ROWS < (S32)s.nCount);
  L_MUTEX_LockWait(RES_NAV_DATA);
  for (S32 row = 0; row < (S32)TRK_SEL_ROWS; row++) {
    const S32 k = s.nTop + row;
    const S32 y = 276 - 32 * row;
    if (k < 0 || k >= (S32)s.nCount) break;
    if (k == s.nPosition) {
      NAV_EDIT_vMarked(pBitmap, 350, y - 3, 260, 29, NAV_EDIT_INK);
      NAV_EDIT_vArrow(pBitmap, 592, y);
    }
    const TRACK_HEADER* pTrack = T_NAV_pGetTrackHeader(s.au16SortedIndexes[k]);
    if (pTrack != nullptr) NAV_EDIT_vName(pBitmap, 356, y, pTrack->sName, sizeof pTrack->sName);
  }
  const TRACK_HEADER* pTrack =
      LIST_bOn(s.nPosition, s.nCount) ? T_NAV_pGetTrackHeader(s.au16SortedIndexes[s.nPosition]) : nullptr;
  if (pTrack != nullptr) {
    NAV_EDIT_vDetailsBox(pBitmap);
    NAV_EDIT_vCreated(pBitmap, 310, 22, pTrack->u32DateTime, 654, s.nLang);
    NAV_EDIT_vCount(pBitmap, 310, 52, pTrack->u16Count, Trackpoints, s.nLang);
  }
  L_MUTEX_Unlock(RES_NAV_DATA);
}
