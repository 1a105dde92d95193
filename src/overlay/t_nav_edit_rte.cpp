// The route editor's keys: the name, the two point lists, the point menu and
// the save.

#include "t_nav_edit_rte.h"

#include <string.h>

#include "h_database.h"
#include "linuxsvc.h"
#include "t_nav_alarm.h"
#include "t_nav_edit_wpt.h"
#include "u_language.h"
#include "u_wstring.h"
#include "ui_texts.h"

NAV_RTE_EDIT s_RteEdit;

namespace {

constexpr S32 RTE_NAME_LAST = 6;  // byte offset of the fourth character
constexpr S32 RTE_ROWS = 8;

U32 RE_u32Points(void) {
  const U32 n = s_RteEdit.Route.nCount;
  return n > NAV_MAX_ROUTE_POINTS ? NAV_MAX_ROUTE_POINTS : n;
}

U16 RE_u16Name(S32 n) { return (U16)(((U8)s_RteEdit.Route.sName[n] << 8) | (U8)s_RteEdit.Route.sName[n + 1]); }
void RE_vName(S32 n, U16 c) {
  s_RteEdit.Route.sName[n] = (char)(c >> 8);
  s_RteEdit.Route.sName[n + 1] = (char)c;
}

// Moves a list cursor by one row; FALSE at the ends.
BOOLEAN RE_bRow(S32* pnPosition, S32* pnTop, U32 u32Count, BOOLEAN bUp) {
  if (bUp) {
    if (*pnPosition <= 0) return FALSE;
    (*pnPosition)--;
    if (*pnPosition < *pnTop) *pnTop = *pnPosition;
  } else {
    if (*pnPosition + 1 >= (S32)u32Count) return FALSE;
    (*pnPosition)++;
    if (*pnPosition > *pnTop + RTE_ROWS - 1) (*pnTop)++;
  }
  return TRUE;
}

// The route list's top that keeps the selected point in sight.
void RE_vFollow(void) {
  NAV_RTE_EDIT& e = s_RteEdit;
  if (e.nRtePosition < e.nRteTop) e.nRteTop = e.nRtePosition;
  if (e.nRtePosition > e.nRteTop + RTE_ROWS - 1) e.nRteTop = e.nRtePosition - RTE_ROWS + 1;
}

void RE_vResetLists(void) {
  s_RteEdit.nPosition = s_RteEdit.nTop = s_RteEdit.nRtePosition = s_RteEdit.nRteTop = 0;
}

void RE_vLeave(void) {
  NAV_RTE_EDIT& e = s_RteEdit;
  if (!e.bDirty) {
    const NAV_EDIT_INDEX_CALLBACK pCancel = e.pCancel;
    NAV_EDIT_vClose();
    if (pCancel != nullptr) pCancel(e.nIndex);
  } else if (RE_u32Points() > 1) {
    NAV_EDIT_vAsk(Save_Changes, T_NAV_vERCancel, T_NAV_vERSave);
  } else {
    NAV_EDIT_vAsk(Discard_Incomplete_Route, nullptr, T_NAV_vERCancel);
  }
  NAV_EDIT_vClick(TRUE);
}

BOOLEAN RE_bSave(void) {
  NAV_RTE_EDIT& e = s_RteEdit;
  ROUTE r = e.Route;
  r.nCount = RE_u32Points();
  NAV_EDIT_vNarrowName(r.sName, e.Route.sName, NAV_ROUTE_NAME_SIZE);
  if (!T_NAV_bSaveRoute(e.nIndex, &r, FALSE)) return FALSE;
  const NAV_EDIT_INDEX_CALLBACK pSave = e.pSave;
  NAV_EDIT_vClose();
  if (pSave != nullptr) pSave(e.nIndex);
  return TRUE;
}

void RE_vExit(void) {
  NAV_RTE_EDIT& e = s_RteEdit;
  switch (e.eState) {
    case RTE_EDIT_NAME:
    case RTE_EDIT_WPTS:
    case RTE_EDIT_SAVE:
      RE_vLeave();
      return;
    case RTE_EDIT_NAME_VALUE:
      e.eState = RTE_EDIT_NAME;
      e.nPosition = 0;
      break;
    case RTE_EDIT_WPTS_ALL:
    case RTE_EDIT_WPTS_RTE:
      e.eState = RTE_EDIT_WPTS;
      RE_vResetLists();
      break;
    case RTE_EDIT_MENU_UP:
    case RTE_EDIT_MENU_DOWN:
    case RTE_EDIT_MENU_DEL:
      e.eState = RTE_EDIT_WPTS_RTE;
      break;
    default:
      NAV_EDIT_vClose();
      return;
  }
  NAV_EDIT_vClick(TRUE);
}

// ---- name

void RE_vNameStep(BOOLEAN bUp) {
  const S32 n = s_RteEdit.nPosition;
  RE_vName(n, NAV_EDIT_u16StepNameChar(s_RteEdit.nLang, RE_u16Name(n), bUp));
  s_RteEdit.bDirty = TRUE;
}

void RE_vNameRight(void) {
  NAV_RTE_EDIT& e = s_RteEdit;
  e.nPosition += 2;
  if (e.nPosition > RTE_NAME_LAST) {
    e.nPosition = 0;
    e.eState = RTE_EDIT_SAVE;
    return;
  }
  if (RE_u16Name(e.nPosition) == 0) RE_vName(e.nPosition, ' ');
}

void RE_vNameLeft(void) {
  NAV_RTE_EDIT& e = s_RteEdit;
  const U16 c = RE_u16Name(e.nPosition);
  if ((c == ' ' || c == 0x3000) && RE_u16Name(e.nPosition + 2) == 0) RE_vName(e.nPosition, 0);
  e.nPosition -= 2;
  if (e.nPosition < 0) {
    e.nPosition = 0;
    e.eState = RTE_EDIT_NAME;
  }
}

// ---- points

BOOLEAN RE_bAdd(void) {
  NAV_RTE_EDIT& e = s_RteEdit;
  const U32 n = RE_u32Points();
  if (n >= NAV_MAX_ROUTE_POINTS || e.nPosition < 0 || (U32)e.nPosition >= e.nCount) return FALSE;
  const U16 wpt = e.au16SortedIndexes[e.nPosition];
  if (n > 0 && e.Route.anWaypoint[n - 1] == wpt) return FALSE;
  e.Route.anWaypoint[n] = wpt;
  e.Route.nCount = n + 1;
  e.bDirty = TRUE;
  e.nRtePosition = (S32)n;
  e.nRteTop = n > 6 ? (S32)n + 1 - RTE_ROWS : 0;
  e.eState = RTE_EDIT_WPTS_RTE;
  return TRUE;
}

BOOLEAN RE_bFirst(void) { return s_RteEdit.nRtePosition <= 0; }
BOOLEAN RE_bLast(void) { return s_RteEdit.nRtePosition + 1 >= (S32)RE_u32Points(); }

void RE_vSwap(S32 a, S32 b) {
  U16* p = s_RteEdit.Route.anWaypoint;
  const U16 t = p[a];
  p[a] = p[b];
  p[b] = t;
  s_RteEdit.nRtePosition = b;
  s_RteEdit.bDirty = TRUE;
  RE_vFollow();
}

void RE_vDelete(void) {
  NAV_RTE_EDIT& e = s_RteEdit;
  const U32 n = RE_u32Points();
  if (n == 0) return;
  const S32 at = e.nRtePosition < (S32)n ? e.nRtePosition : (S32)n - 1;
  memmove(&e.Route.anWaypoint[at], &e.Route.anWaypoint[at + 1], (n - 1 - (U32)at) * sizeof(U16));
  e.Route.nCount = n - 1;
  e.bDirty = TRUE;
  if (n == 1) {
    e.eState = RTE_EDIT_WPTS_ALL;
    e.nRtePosition = e.nRteTop = 0;
    return;
  }
  if (e.nRtePosition > (S32)n - 2) e.nRtePosition = (S32)n - 2;
  const S32 maxTop = (S32)n - 1 > RTE_ROWS ? (S32)n - 1 - RTE_ROWS : 0;
  if (e.nRteTop > maxTop) e.nRteTop = maxTop;
  RE_vFollow();
}

typedef enum { RE_REFUSED = 0, RE_CLICK = 1, RE_FIRST_CLICK = 2, RE_SILENT = 3 } RE_RESULT;

RE_RESULT RE_eCursor(CURSOR_POSITION cursor) {
  NAV_RTE_EDIT& e = s_RteEdit;
  const BOOLEAN bN = cursor == CURSOR_NORTH, bE = cursor == CURSOR_EAST;
  const BOOLEAN bS = cursor == CURSOR_SOUTH, bW = cursor == CURSOR_WEST;
  switch (e.eState) {
    case RTE_EDIT_NAME:
      if (bE || bS) {
        e.eState = bE ? RTE_EDIT_NAME_VALUE : RTE_EDIT_WPTS;
        e.nPosition = 0;
      }
      return RE_CLICK;
    case RTE_EDIT_NAME_VALUE:
      if (bN || bS) RE_vNameStep(bN);
      if (bE) RE_vNameRight();
      if (bW) RE_vNameLeft();
      return RE_FIRST_CLICK;
    case RTE_EDIT_WPTS:
      if (bN || bW) e.eState = RTE_EDIT_NAME;
      if (bS) e.eState = RTE_EDIT_SAVE;
      if (bE) {
        e.eState = RE_u32Points() == 0 ? RTE_EDIT_WPTS_ALL : RTE_EDIT_WPTS_RTE;
        RE_vResetLists();
      }
      return RE_CLICK;
    case RTE_EDIT_WPTS_ALL:
      if (bN || bS) return RE_bRow(&e.nPosition, &e.nTop, e.nCount, bN) ? RE_FIRST_CLICK : RE_REFUSED;
      if (bE) return RE_bAdd() ? RE_CLICK : RE_REFUSED;
      if (bW) {
        e.eState = RTE_EDIT_WPTS;
        RE_vResetLists();
        return RE_CLICK;
      }
      return RE_SILENT;
    case RTE_EDIT_WPTS_RTE:
      if (bN || bS) return RE_bRow(&e.nRtePosition, &e.nRteTop, RE_u32Points(), bN) ? RE_FIRST_CLICK : RE_REFUSED;
      if (bE) {
        e.eState = !RE_bFirst() ? RTE_EDIT_MENU_UP : !RE_bLast() ? RTE_EDIT_MENU_DOWN : RTE_EDIT_MENU_DEL;
        return RE_CLICK;
      }
      if (bW) {
        e.eState = RTE_EDIT_WPTS_ALL;
        return RE_CLICK;
      }
      return RE_SILENT;
    case RTE_EDIT_MENU_UP:
      if (bN) return RE_REFUSED;
      if (bE) {
        if (RE_bFirst()) return RE_REFUSED;
        RE_vSwap(e.nRtePosition, e.nRtePosition - 1);
        if (RE_bFirst()) e.eState = RTE_EDIT_MENU_DOWN;
      }
      if (bS) e.eState = RE_bLast() ? RTE_EDIT_MENU_DEL : RTE_EDIT_MENU_DOWN;
      if (bW) e.eState = RTE_EDIT_WPTS_RTE;
      return bN || bE || bS || bW ? RE_CLICK : RE_SILENT;
    case RTE_EDIT_MENU_DOWN:
      if (bN) {
        if (RE_bFirst()) return RE_REFUSED;
        e.eState = RTE_EDIT_MENU_UP;
      }
      if (bE) {
        if (RE_bLast()) return RE_REFUSED;
        RE_vSwap(e.nRtePosition, e.nRtePosition + 1);
        if (RE_bLast()) e.eState = RTE_EDIT_MENU_UP;
      }
      if (bS) e.eState = RTE_EDIT_MENU_DEL;
      if (bW) e.eState = RTE_EDIT_WPTS_RTE;
      return bN || bE || bS || bW ? RE_CLICK : RE_SILENT;
    case RTE_EDIT_MENU_DEL:
      if (bN) {
        if (!RE_bLast()) {
          e.eState = RTE_EDIT_MENU_DOWN;
        } else if (!RE_bFirst()) {
          e.eState = RTE_EDIT_MENU_UP;
        } else {
          return RE_REFUSED;
        }
      }
      if (bE) RE_vDelete();
      if (bS) return RE_REFUSED;
      if (bW) e.eState = RTE_EDIT_WPTS_RTE;
      return bN || bE || bW ? RE_CLICK : RE_SILENT;
    case RTE_EDIT_SAVE:
      if (bN || bW) e.eState = RTE_EDIT_WPTS;
      if (bE) {
        if (!e.bDirty) {
          RE_vLeave();
          return RE_SILENT;
        }
        if (RE_u32Points() <= 1) {
          T_NAV_vSetNavUINote(Cant_Save_Incomplete_Route, nullptr, FALSE);
          return RE_REFUSED;
        }
        return RE_bSave() ? RE_CLICK : RE_REFUSED;
      }
      return RE_CLICK;
    default:
      return RE_SILENT;
  }
}

}  // namespace

BOOLEAN T_NAV_EDIT_bEditRouteSetup(U32 nIndex, NAV_EDIT_INDEX_CALLBACK pSave, NAV_EDIT_INDEX_CALLBACK pCancel,
                                   NAV_EDIT_TEXT pTitle) {
  L_MUTEX_LockWait(RES_NAV_EDIT);
  L_MUTEX_LockWait(RES_NAV_DATA);
  const ROUTE* pRoute = T_NAV_pGetRoute(nIndex);
  NAV_RTE_EDIT& e = s_RteEdit;
  if (pRoute != nullptr) {
    e = NAV_RTE_EDIT{};
    e.Route = *pRoute;
    e.Route.nCount = RE_u32Points();
    // The name is edited as 16-bit text in its own field.
    char name[NAV_ROUTE_NAME_SIZE] = {};
    memcpy(name, pRoute->sName, sizeof name - 2);
    U_WSTRING_vAscii2Unicode(e.Route.sName, name, NAV_ROUTE_NAME_SIZE - 2, TRUE);
  }
  L_MUTEX_Unlock(RES_NAV_DATA);
  if (pRoute != nullptr) {
    U32 order = NAV_EDIT_u32Setting(FCID("SNWS"), 0);
    if (order > NAV_WPT_SORT_BY_WAYPOINTS) order = NAV_WPT_SORT_BY_WAYPOINTS;
    e.eSortBy = (NAV_WPT_SORT_ORDER)order;
    T_NAV_vGetSortedWaypoints(e.eSortBy, &e.nCount, s_au16SortedIndexes, FALSE, TRUE);
    e.au16SortedIndexes = s_au16SortedIndexes;
    e.eState = RTE_EDIT_NAME;
    e.nIndex = nIndex;
    e.nLang = nCurrentLanguage();
    e.pSave = pSave;
    e.pCancel = pCancel;
    NAV_EDIT_vOpen(NAV_EDIT_ROUTE, pTitle);
  }
  L_MUTEX_Unlock(RES_NAV_EDIT);
  return pRoute != nullptr;
}

BOOLEAN T_NAV_vEditRouteHandleKeys(const MSG_KEY_CHANGE* pMsg) {
  if (pMsg->key == HKEY_MASK_EXIT) {
    RE_vExit();
    return TRUE;
  }
  if (pMsg->key != HKEY_MASK_CURSOR) return FALSE;
  const RE_RESULT eResult = RE_eCursor(pMsg->cursor);
  if (eResult == RE_REFUSED) {
    NAV_EDIT_vClick(FALSE);
  } else if (eResult == RE_CLICK || (eResult == RE_FIRST_CLICK && pMsg->count <= 1)) {
    NAV_EDIT_vClick(TRUE);
  }
  return TRUE;
}

void T_NAV_vERSave(void) {
  L_MUTEX_LockWait(RES_NAV_EDIT);
  const BOOLEAN bOpen = s_eNavEditState == NAV_EDIT_ROUTE;
  const BOOLEAN bSaved = bOpen && RE_bSave();
  L_MUTEX_Unlock(RES_NAV_EDIT);
  if (bOpen) NAV_EDIT_vClick(bSaved);
}

void T_NAV_vERCancel(void) {
  L_MUTEX_LockWait(RES_NAV_EDIT);
  const BOOLEAN bOpen = s_eNavEditState == NAV_EDIT_ROUTE;
  const NAV_EDIT_INDEX_CALLBACK pCancel = s_RteEdit.pCancel;
  if (bOpen) NAV_EDIT_vClose();
  L_MUTEX_Unlock(RES_NAV_EDIT);
  if (bOpen) {
    if (pCancel != nullptr) pCancel(s_RteEdit.nIndex);
    NAV_EDIT_vClick(TRUE);
  }
}
