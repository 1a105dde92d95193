// The manager's one key entry: the note, the open popup, the window's
// global keys (exit, preview zoom, mark, go to), then the high selection
// bar, the low selection bar or the item list by where the focus is. Every
// key that reaches the list or a bar is consumed, so it never falls through
// to the views behind the window.

#include <string.h>

#include "h_database.h"
#include "linuxsvc.h"
#include "t_nav.h"
#include "t_nav_alarm.h"
#include "t_messagebox.h"
#include "t_nav_group_data.h"
#include "t_nav_group_edit.h"
#include "t_nav_group_icons.h"
#include "t_nav_group_priv.h"
#include "t_nav_group_routeinfo.h"
#include "t_nav_group_sel.h"
#include "t_nav_twr.h"
#include "ui_texts.h"


static BOOLEAN WPM_bIsDiagonal(CURSOR_POSITION c) {
  return c == CURSOR_NORTH_EAST || c == CURSOR_SOUTH_EAST || c == CURSOR_SOUTH_WEST || c == CURSOR_NORTH_WEST;
}

void T_NAV_GROUP_vReverseRoute(void) {
  const U16 id = g_WPM.u16CurrentGroupID;
  const U32 index = id & 0x37FF;
  ROUTE* r = (WPM_bIsRouteId(id) && index < NAV_MAX_ROUTES) ? T_NAV_pGetRoute(index) : nullptr;
  if (r == nullptr) {
    WPM_vClick(FALSE);
    return;
  }
  if (T_NAV_bIsRouteActive(index)) {
    T_NAV_vSetNavUINote(Data_In_Use_Cannot_Edit, nullptr, FALSE);
    WPM_vClick(FALSE);
    return;
  }
  const U32 n = g_WPM.u16ListCount;
  for (U32 i = 0; i < n / 2; i++) {
    const U16 t = g_WPM.au16ListIDs[i];
    g_WPM.au16ListIDs[i] = g_WPM.au16ListIDs[n - 1 - i];
    g_WPM.au16ListIDs[n - 1 - i] = t;
  }
  WPM_vRefillShown();
  T_NAV_bStoreOldRoute(index);
  ROUTE copy = *r;
  const U32 points = n < NAV_MAX_ROUTE_POINTS ? n : NAV_MAX_ROUTE_POINTS;
  memcpy(copy.anWaypoint, g_WPM.au16ListIDs, points * sizeof copy.anWaypoint[0]);
  T_NAV_bSaveRoute(index, &copy, FALSE);
  WPM_vClick(TRUE);
}

static void WPM_vResortAndShow(void) {
  T_NAV_GROUP_vSortByOrder(g_WPM.eSortByOrder);
  g_WPM.u16FirstShowItemIndexInList = 0;
  WPM_vRefillShown();
  g_WPM.u16HighlightIndex = NAV_NONE;
  WPM_vClick(TRUE);
}

static void WPM_vHighBarKeys(const MSG_KEY_CHANGE* pMsg) {
  if (pMsg->key != HKEY_MASK_CURSOR) {
    WPM_vClick(FALSE);
    return;
  }
  const BOOLEAN bRoute = WPM_bIsRouteId(g_WPM.u16CurrentGroupID);
  const BOOLEAN bSearch = g_WPM.eMode == MODE_SEARCH;
  switch (pMsg->cursor) {
    case CURSOR_SOUTH:
      g_WPM.eInputState = STATE_OPTIONS_MENU;
      WPM_vClick(TRUE);
      break;
    case CURSOR_EAST:
      if (bRoute) {
        if (bSearch) {
          WPM_vClick(FALSE);
        } else {
          T_NAV_GROUP_vReverseRoute();
        }
      } else if (g_WPM.s16SortByMenuSelection <= 4 && !bSearch) {
        g_WPM.s16SortByMenuSelection++;
        g_WPM.eSortByOrder = (SORTBY_ORDER)(g_WPM.eSortByOrder + 1);
        WPM_vResortAndShow();
      } else {
        WPM_vClick(FALSE);
      }
      break;
    case CURSOR_WEST:
      if (!bRoute && g_WPM.s16SortByMenuSelection >= 1 && !bSearch) {
        g_WPM.s16SortByMenuSelection--;
        g_WPM.eSortByOrder = (SORTBY_ORDER)(g_WPM.eSortByOrder - 1);
        WPM_vResortAndShow();
      } else {
        WPM_vClick(FALSE);
      }
      break;
    default:
      if (!WPM_bIsDiagonal(pMsg->cursor)) WPM_vClick(FALSE);
      break;
  }
}

static void WPM_vListNorth(void) {
  if (g_WPM.u16HighlightIndex != NAV_NONE && g_WPM.u16HighlightIndex > 0) {
    g_WPM.u16HighlightIndex--;
  } else if (g_WPM.u16FirstShowItemIndexInList > 0) {
    g_WPM.u16FirstShowItemIndexInList--;
    WPM_vRefillShown();
  } else {
    g_WPM.u16HighlightIndex = NAV_NONE;
    g_WPM.eInputState = STATE_OPTIONS_MENU;
    WPM_vClick(TRUE);
    return;
  }
  T_NAV_GROUP_vComputeChartScale();
  WPM_vClick(TRUE);
}

static void WPM_vListSouth(void) {
  const U16 h = g_WPM.u16HighlightIndex;
  if (h == NAV_NONE) {
    WPM_vClick(FALSE);
    return;
  }
  if (h + 1 < g_WPM.u16ShowItemsCount) {
    g_WPM.u16HighlightIndex++;
  } else if (g_WPM.u16FirstShowItemIndexInList + g_WPM.u16ShowItemsCount < g_WPM.u16ListCount) {
    g_WPM.u16FirstShowItemIndexInList++;
    WPM_vRefillShown();
  } else if (g_WPM.eMode != MODE_SEARCH && g_WPM.eMode != MODE_REORDER_WAYPOINT_IN_ROUTE) {
    // The low bar lies under the list and holds the step that ends a paste
    // or a selection, so down from the last row reaches it as up from the
    // first does. A search keeps its results, a reorder its point.
    g_WPM.u16HighlightIndex = NAV_NONE;
    g_WPM.eInputState = STATE_OPTIONS_MENU;
    WPM_vClick(TRUE);
    return;
  } else {
    WPM_vClick(FALSE);
    return;
  }
  T_NAV_GROUP_vComputeChartScale();
  WPM_vClick(TRUE);
}

static void WPM_vListEast(void) {
  const U16 id = WPM_u16HighlightedItem();
  const WPM_ITEM_CLASS c = WPM_eClass(id);
  if (g_WPM.eMode == MODE_BROWSE || g_WPM.eMode == MODE_SEARCH) {
    if (c == WPM_ITEM_NONE || c == WPM_ITEM_OTHER) {
      WPM_vClick(FALSE);
    } else {
      WPM_vOpenItemMenu(id);
    }
    return;
  }
  if (g_WPM.eMode == MODE_MULTI_SELECT) {
    WPM_vMultiSelectListEast(id);
    return;
  }
  if (g_WPM.eMode == MODE_REORDER_WAYPOINT_IN_ROUTE) {
    WPM_vPlaceReorderedPoint();
    return;
  }
  if (g_WPM.eMode == MODE_PASTE) {
    const BOOLEAN bTarget =
        c == WPM_ITEM_ROUTE || (c == WPM_ITEM_GROUP && (g_WPMSel.u16SelectedCount == 0 || id != g_WPMSel.au16SelectedIDs[0]));
    if (bTarget) T_NAV_GROUP_vOpenDirectory(0);
    WPM_vClick(bTarget);
    return;
  }
  if (g_WPM.eMode == MODE_EDIT_GROUP) {
    WPM_vEditGroupListEast(id);
    return;
  }
  if (g_WPM.eMode == MODE_EDIT_ROUTE) {
    WPM_vEditRouteListEast(id);
    return;
  }
  if (g_WPM.eMode == MODE_WAYPOINTSETTINGS) {
    T_NAV_GROUP_vEditWaypointSettingsDiag(0);
    return;
  }
  WPM_vClick(FALSE);
}

// While reordering, the highlighted point moves with the highlight.
static void WPM_vReorderStep(BOOLEAN bUp) {
  if (g_WPM.eMode != MODE_REORDER_WAYPOINT_IN_ROUTE) return;
  T_NAV_GROUP_vRouteEditChangeWaypointOrder((S32)g_WPM.u16FirstShowItemIndexInList + g_WPM.u16HighlightIndex, bUp);
}

static void WPM_vListKeys(const MSG_KEY_CHANGE* pMsg) {
  if (pMsg->key != HKEY_MASK_CURSOR) {
    WPM_vClick(FALSE);
    return;
  }
  switch (pMsg->cursor) {
    case CURSOR_NORTH:
      WPM_vReorderStep(TRUE);
      WPM_vListNorth();
      WPM_vSearchFollowHighlight();
      break;
    case CURSOR_SOUTH:
      WPM_vReorderStep(FALSE);
      WPM_vListSouth();
      WPM_vSearchFollowHighlight();
      break;
    case CURSOR_WEST:
      if (g_WPM.eMode == MODE_SEARCH || g_WPM.eMode == MODE_REORDER_WAYPOINT_IN_ROUTE || !WPM_bGoUpFromList()) {
        WPM_vClick(FALSE);
        break;
      }
      T_NAV_GROUP_vComputeChartScale();
      WPM_vClick(TRUE);
      break;
    case CURSOR_EAST:
      WPM_vListEast();
      break;
    default:
      if (!WPM_bIsDiagonal(pMsg->cursor)) WPM_vClick(FALSE);
      break;
  }
}

static void WPM_vExitKey(void) {
  if (g_WPM.eInputState == STATE_ITEM_LIST) {
    g_WPM.u16HighlightIndex = NAV_NONE;
    g_WPM.eInputState = STATE_OPTIONS_MENU;
    WPM_vClick(TRUE);
    return;
  }
  switch (g_WPM.eMode) {
    case MODE_BROWSE:
      T_NAV_GROUP_vExitMainWindow();
      WPM_vClick(TRUE);
      break;
    case MODE_EDIT_GROUP:
    case MODE_EDIT_ROUTE:
    case MODE_REORDER_WAYPOINT_IN_ROUTE:
      g_WPM.pfnConfYes = T_NAV_GROUP_vDiscardChangesConfirm;
      T_MESSAGEBOX_vSetupConfMessageWithTitle(WPM_pcText(Exit_And_Discard), nullptr, T_NAV_GROUP_vNavConfYes, TRUE,
                                              0);
      WPM_vClick(TRUE);
      break;
    case MODE_SEARCH:
      T_NAV_GROUP_vExitSearch();
      break;
    default:
      T_NAV_GROUP_vReturnToBrowseState();
      WPM_vClick(TRUE);
      break;
  }
}

static void WPM_vZoomKey(S32 step) {
  S32 zoom = 0;
  if (H_DATABASE_bFetchS32(FCID("INCN"), &zoom, nullptr, nullptr) && (step < 0 ? zoom > 9 : zoom <= 22)) {
    H_DATABASE_bUpdateValueS32(FCID("INCN"), zoom + step, P_NORMAL);
    WPM_vClick(TRUE);
  } else {
    WPM_vClick(FALSE);
  }
}

static BOOLEAN WPM_bGoToKey(void) {
  if (g_WPM.eMode != MODE_BROWSE && g_WPM.eMode != MODE_SEARCH) return FALSE;
  if (g_WPM.u16HighlightIndex >= g_WPM.u16ShowItemsCount) return FALSE;
  const U16 id = g_WPM.au16ShowItemIDs[g_WPM.u16HighlightIndex];
  if ((id & 0xC000) != 0 || (id & 0x0FFF) > 2999) return FALSE;
  T_NAV_bStartCurrentRouteWithWaypt(id);
  if (g_WPM.eInputState != STATE_SLEEP) T_NAV_GROUP_vExitMainWindow();
  WPM_vClick(TRUE);
  return TRUE;
}

static BOOLEAN WPM_bKeys(MSG_KEY_CHANGE* pMsg) {
  if (g_WPM.pPopupAlarmWindow != nullptr && g_WPM.pPopupAlarmWindow->pExitHandleFunc != nullptr) WPM_vTakeNoteDown();
  if (g_WPM.eInputState == STATE_SLEEP) return FALSE;
  POPUP_WINDOW* pPopup = g_WPM.pPopupWindow;
  if (pPopup != nullptr && pPopup->bActive && pPopup->pKeyHandleFunc != nullptr) {
    return pPopup->pKeyHandleFunc(pPopup, pMsg);
  }
  switch (pMsg->key) {
    case HKEY_MASK_EXIT:
      WPM_vExitKey();
      return TRUE;
    case 0x20:
      WPM_vZoomKey(-1);
      return TRUE;
    case 0x40:
      WPM_vZoomKey(+1);
      return TRUE;
    case 0x80: {
      log_me("[%d]%s\n", __LINE__, __func__);
      if (g_WPM.eMode == MODE_SEARCH) T_NAV_GROUP_vExitSearch();
      BOOLEAN bCursor = FALSE;
      if (H_DATABASE_bFetchBoolean(FCID("ICAC"), &bCursor, nullptr, nullptr) && bCursor) {
        H_DATABASE_bUpdateValueBoolean(FCID("ICAC"), FALSE, P_NORMAL);
      }
      // The mark itself is the navigation task's; its waypoint arrives as
      // CLWC and is highlighted then.
      g_WPM.eInputState = STATE_ITEM_LIST;
      WPM_vEnterDirectory(g_WPM.u16CurrentGroupID, g_WPM.u16NewMarkedWpUid);
      return TRUE;
    }
    case 0x100:
      if (WPM_bGoToKey()) return TRUE;
      break;
    default:
      break;
  }
  switch (g_WPM.eInputState) {
    case STATE_OPTIONS_MENU:
      return T_NAV_GROUP_bLowSelectionBarHandleKeys(pMsg);
    case STATE_SORTBY_MENU:
      WPM_vHighBarKeys(pMsg);
      return TRUE;
    case STATE_ITEM_LIST:
      WPM_vListKeys(pMsg);
      return TRUE;
    default:
      return FALSE;
  }
}

BOOLEAN T_NAV_GROUP_bHandleKeys(MSG_KEY_CHANGE* pMsg) {
  if (pMsg == nullptr) return FALSE;
  L_MUTEX_LockWait(RES_NAV_DATA);
  const BOOLEAN bTaken = WPM_bKeys(pMsg);
  L_MUTEX_Unlock(RES_NAV_DATA);
  if (bTaken) L_SEMA_Signal(SEMA_VIEW_UPDATE);
  return bTaken;
}
