// The open overlay's keys: list cursors, sort rows, selections and closing.
// A key the open screen has no use for is left to the navigation task.

#include <string.h>

#include <algorithm>

#include "h_database.h"
#include "linuxsvc.h"
#include "t_nav_edit_int.h"
#include "t_nav_edit_rte.h"
#include "t_nav_edit_wpt.h"
#include "u_menu.h"

namespace {

typedef enum { KEY_NOT_TAKEN = 0, KEY_TAKEN = 1 } KEY_RESULT;

// The list cursor of the pickers: six rows a page, a sort row at -1.
KEY_RESULT KEYS_eListCursor(const MSG_KEY_CHANGE* pMsg, S32* pnPosition, S32* pnTop, U32 u32Count) {
  if (pMsg->cursor == CURSOR_NORTH) {
    if (*pnPosition <= -1) {
      NAV_EDIT_vClick(FALSE);
      return KEY_TAKEN;
    }
    (*pnPosition)--;
    if (*pnPosition < *pnTop) (*pnTop)--;
  } else {
    if (*pnPosition >= (S32)u32Count - 1) {
      NAV_EDIT_vClick(FALSE);
      return KEY_TAKEN;
    }
    (*pnPosition)++;
    if (*pnPosition > *pnTop + (S32)NAV_EDIT_ROWS - 1) (*pnTop)++;
  }
  // A held key scrolls without a click per repeat.
  if (pMsg->count <= 1) NAV_EDIT_vClick(TRUE);
  return KEY_TAKEN;
}

// EAST and WEST on the select-waypoint sort row.
BOOLEAN KEYS_bStepWaypointSort(BOOLEAN bEast, NAV_WPT_SORT_ORDER* peSortBy) {
  const NAV_WPT_SORT_ORDER e = *peSortBy;
  if (bEast) {
    if (e == NAV_WPT_SORT_BY_DISTANCE) return FALSE;
    *peSortBy = e == NAV_WPT_SORT_BY_NAME ? NAV_WPT_SORT_BY_TIME
                : e == NAV_WPT_SORT_BY_TIME ? NAV_WPT_SORT_BY_DISTANCE
                                            : NAV_WPT_SORT_BY_TIME;
  } else {
    if (e == NAV_WPT_SORT_BY_NAME) return FALSE;
    *peSortBy = e == NAV_WPT_SORT_BY_DISTANCE || e == NAV_WPT_SORT_BY_WAYPOINTS ? NAV_WPT_SORT_BY_TIME
                                                                               : NAV_WPT_SORT_BY_NAME;
  }
  return TRUE;
}

KEY_RESULT KEYS_eSelectWaypoint(const MSG_KEY_CHANGE* pMsg) {
  NAV_WPT_SEL& s = s_WptSel;
  if (pMsg->key == HKEY_MASK_EXIT) {
    NAV_EDIT_vClose();
    NAV_EDIT_vClick(TRUE);
    return KEY_TAKEN;
  }
  if (pMsg->key != HKEY_MASK_CURSOR) return KEY_NOT_TAKEN;
  switch (pMsg->cursor) {
    case CURSOR_NORTH:
    case CURSOR_SOUTH:
      return KEYS_eListCursor(pMsg, &s.nPosition, &s.nTop, s.nCount);
    case CURSOR_EAST:
    case CURSOR_WEST:
      if (s.nPosition < 0) {
        if (!KEYS_bStepWaypointSort(pMsg->cursor == CURSOR_EAST, &s.eSortBy)) {
          NAV_EDIT_vClick(FALSE);
          return KEY_TAKEN;
        }
        H_DATABASE_bUpdateValueU32(FCID("SNWS"), s.eSortBy, P_NORMAL);
        T_NAV_vGetSortedWaypoints(s.eSortBy, &s.nCount, s_au16SortedIndexes, TRUE, TRUE);
        NAV_EDIT_vClick(TRUE);
      } else if (pMsg->cursor == CURSOR_WEST) {
        NAV_EDIT_vClick(FALSE);
      } else if (s.pConfirmation != nullptr) {
        NAV_EDIT_vAsk(s.pConfirmation, T_NAV_vSWCancel, T_NAV_vSWSelect);
        NAV_EDIT_vClick(TRUE);
      } else {
        const NAV_EDIT_INDEX_CALLBACK pSelect = s.pSelect;
        const U32 index = (U32)s.nPosition < s.nCount ? s.au16SortedIndexes[s.nPosition] : 0xFFFF;
        NAV_EDIT_vClose();
        if (pSelect != nullptr && index != 0xFFFF) {
          pSelect(index);
        } else {
          NAV_EDIT_vClick(TRUE);
        }
      }
      return KEY_TAKEN;
    default:
      return KEY_TAKEN;
  }
}

KEY_RESULT KEYS_eSelectPoint(const MSG_KEY_CHANGE* pMsg) {
  NAV_POINT_SEL& s = s_TwrPointSel;
  if (pMsg->key == HKEY_MASK_EXIT) {
    NAV_EDIT_vClose();
    NAV_EDIT_vClick(TRUE);
    return KEY_TAKEN;
  }
  if (pMsg->key != HKEY_MASK_CURSOR) return KEY_NOT_TAKEN;
  switch (pMsg->cursor) {
    case CURSOR_NORTH:
    case CURSOR_SOUTH:
      return KEYS_eListCursor(pMsg, &s.nPosition, &s.nTop, s.nCount);
    case CURSOR_EAST:
    case CURSOR_WEST:
      if (s.nPosition < 0) {
        const BOOLEAN bEast = pMsg->cursor == CURSOR_EAST;
        if ((bEast && s.eSortBy >= NAV_WPT_SORT_BY_ROUTES) || (!bEast && s.eSortBy <= NAV_WPT_SORT_BY_NAME)) {
          NAV_EDIT_vClick(FALSE);
          return KEY_TAKEN;
        }
        s.eSortBy = (NAV_WPT_SORT_ORDER)(s.eSortBy + (bEast ? 1 : -1));
        H_DATABASE_bUpdateValueU32(FCID("SNWS"), s.eSortBy, P_NORMAL);
        T_NAV_vGetSortedPointsList(s.eSortBy, &s.nCount, s_atSortedPoints, TRUE, TRUE, FALSE, FALSE);
        NAV_EDIT_vClick(TRUE);
      } else if (pMsg->cursor == CURSOR_WEST) {
        NAV_EDIT_vClick(FALSE);
      } else if (s.pConfirmation != nullptr) {
        NAV_EDIT_vAsk(s.pConfirmation, T_NAV_vSWCancel, T_NAV_vSelectTWRPoint);
        NAV_EDIT_vClick(TRUE);
      } else {
        const NAV_EDIT_POINT_CALLBACK pSelect = s.pSelect;
        const BOOLEAN bRow = (U32)s.nPosition < s.nCount;
        const ST_POINT_TYPE_INDEX point = bRow ? s.atSortedList[s.nPosition] : ST_POINT_TYPE_INDEX{};
        T_MENU_vRemoveMenus();
        if (pSelect != nullptr && bRow) {
          pSelect(&point);
        } else {
          NAV_EDIT_vClick(TRUE);
        }
        NAV_EDIT_vClose();
      }
      return KEY_TAKEN;
    default:
      return KEY_TAKEN;
  }
}

KEY_RESULT KEYS_ePointAction(const MSG_KEY_CHANGE* pMsg) {
  NAV_POINT_ACTION& s = s_TwrPointSelAction;
  const BOOLEAN bExit = pMsg->key == HKEY_MASK_EXIT;
  if (!bExit && pMsg->key != HKEY_MASK_CURSOR) return KEY_NOT_TAKEN;
  if (bExit || pMsg->cursor == CURSOR_WEST) {
    s_eNavEditState = s_eNavEditStateSaved;
    s_eNavEditStateSaved = NAV_EDIT_NONE;
    if (bExit) NAV_EDIT_vClick(TRUE);
    return KEY_TAKEN;
  }
  if (pMsg->cursor == CURSOR_NORTH) {
    const BOOLEAN bMove = s.nPosition != s.nTop;
    if (bMove) s.nPosition--;
    NAV_EDIT_vClick(bMove);
  } else if (pMsg->cursor == CURSOR_SOUTH) {
    const BOOLEAN bMove = s.nPosition < (S32)s.nCount - 1;
    if (bMove) s.nPosition++;
    NAV_EDIT_vClick(bMove);
  } else if (pMsg->cursor == CURSOR_EAST) {
    if (s_TwrPointSel.pConfirmation != nullptr) {
      NAV_EDIT_vAsk(s_TwrPointSel.pConfirmation, T_NAV_vSWCancel, T_NAV_vSelectTWRPointAction);
      NAV_EDIT_vClick(TRUE);
    } else {
      const BOOLEAN bRow = (U32)s_TwrPointSel.nPosition < s_TwrPointSel.nCount;
      const ST_POINT_TYPE_INDEX point = bRow ? s_TwrPointSel.atSortedList[s_TwrPointSel.nPosition]
                                             : ST_POINT_TYPE_INDEX{};
      T_MENU_vRemoveMenus();
      if (s.pSelect != nullptr && bRow) {
        s.pSelect((U32)s.nPosition, &point);
      } else {
        NAV_EDIT_vClick(TRUE);
      }
      NAV_EDIT_vClose();
    }
  }
  return KEY_TAKEN;
}

KEY_RESULT KEYS_eRouteInfo(const MSG_KEY_CHANGE* pMsg) {
  NAV_RTE_INFO& s = s_RteInfo;
  if (pMsg->key == HKEY_MASK_EXIT) {
    NAV_EDIT_vClose();
    NAV_EDIT_vClick(TRUE);
    return KEY_TAKEN;
  }
  if (pMsg->key != HKEY_MASK_CURSOR) return KEY_NOT_TAKEN;
  if (pMsg->cursor == CURSOR_NORTH && s.nRteTop != -1) {
    s.nRteTop--;
    if (pMsg->count <= 1) NAV_EDIT_vClick(TRUE);
  } else if (pMsg->cursor == CURSOR_SOUTH && s.nRteTop + 8 < (S32)std::min<U32>(s.Route.nCount, NAV_MAX_ROUTE_POINTS)) {
    s.nRteTop++;
    if (pMsg->count <= 1) NAV_EDIT_vClick(TRUE);
  } else {
    NAV_EDIT_vClick(FALSE);
  }
  return KEY_TAKEN;
}

}  // namespace

BOOLEAN T_NAV_EDIT_bHandleKeys(MSG_KEY_CHANGE* pMsg) {
  if (pMsg == nullptr) return FALSE;
  L_MUTEX_LockWait(RES_NAV_EDIT);
  KEY_RESULT eResult = KEY_NOT_TAKEN;
  switch (s_eNavEditState) {
    case NAV_EDIT_CURRENT_TRACK_APPEARANCE:
      eResult = T_NAV_vCurrentTrackAppearanceHandleKeys(pMsg) ? KEY_TAKEN : KEY_NOT_TAKEN;
      break;
    case NAV_EDIT_TRACK_DEFAULT:
      eResult = T_NAV_vTrackDefaultsHandleKeys(pMsg) ? KEY_TAKEN : KEY_NOT_TAKEN;
      break;
    case NAV_EDIT_SELECT_WAYPOINT:
      eResult = KEYS_eSelectWaypoint(pMsg);
      break;
    case NAV_EDIT_WAYPOINT:
      eResult = T_NAV_bEditWaypointHandleKeys(pMsg) ? KEY_TAKEN : KEY_NOT_TAKEN;
      break;
    case NAV_EDIT_ROUTE:
      eResult = T_NAV_vEditRouteHandleKeys(pMsg) ? KEY_TAKEN : KEY_NOT_TAKEN;
      break;
    case NAV_EDIT_ROUTE_INFO:
      eResult = KEYS_eRouteInfo(pMsg);
      break;
    case NAV_AIS_LIST:
      eResult = T_NAV_bAisListHandleKeys(pMsg) ? KEY_TAKEN : KEY_NOT_TAKEN;
      break;
    case NAV_EDIT_AIS_CPA_LIMIT:
      eResult = T_NAV_bAisLimitsHandleKeys(pMsg) ? KEY_TAKEN : KEY_NOT_TAKEN;
      break;
    case NAV_EDIT_SELECT_TWR_POINT:
      eResult = KEYS_eSelectPoint(pMsg);
      break;
    case NAV_EDIT_SELECT_TWR_POINT_ACTION:
      eResult = KEYS_ePointAction(pMsg);
      break;
    default:
      // The track editor is not built yet: nothing opens it.
      break;
  }
  L_MUTEX_Unlock(RES_NAV_EDIT);
  if (eResult == KEY_TAKEN) L_SEMA_Signal(SEMA_VIEW_UPDATE);
  return eResult == KEY_TAKEN;
}
