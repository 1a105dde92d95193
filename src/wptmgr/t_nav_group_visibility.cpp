// Hiding and showing items, sharing and locking them (each replaced by a
// copy on the other side), and marking a selection for export.

#include <string.h>

#include <vector>

#include "linuxsvc.h"
#include "t_messagebox.h"
#include "t_nav.h"
#include "t_nav_alarm.h"
#include "t_nav_group.h"
#include "t_nav_group_data.h"
#include "t_nav_group_sel.h"
#include "t_nav_twr.h"
#include "ui_texts.h"

// ---------------------------------------------------------------------------
// Hide and show

static void WPM_vSetHidden(U16 id, BOOLEAN bHide) {
  switch (WPM_eClass(id)) {
    case WPM_ITEM_GROUP: {
      const GROUP_HEADER* h = WPM_pHeader(id);
      if (h == nullptr) break;
      GROUP_HEADER header = *h;
      header.bHide = bHide;
      T_NAV_GROUP_DATA_bModifyGroup(id, &header);
      break;
    }
    case WPM_ITEM_WAYPOINT: {
      const WAYPOINT* w = WPM_pWaypoint(id);
      if (w == nullptr) break;
      WAYPOINT copy = *w;
      copy.bHide = bHide;
      T_NAV_bSaveWaypoint(id, &copy, FALSE, FALSE);
      break;
    }
    case WPM_ITEM_ROUTE: {
      const ROUTE* r = WPM_pRoute(id);
      if (r == nullptr) break;
      ROUTE copy = *r;
      copy.bHide = bHide;
      T_NAV_bSaveRoute(id & 0x07FF, &copy, FALSE);
      break;
    }
    case WPM_ITEM_TRACK: {
      const U32 index = id & 63;
      if (T_NAV_pGetTrackHeader(index) == nullptr) break;
      if (T_NAV_bGetTrackVisibility(index) == bHide) T_NAV_vSetTrackVisibility(index, !bHide);
      break;
    }
    default:
      break;
  }
}

void T_NAV_GROUP_vHideOneItem(U16 id) {
  WPM_vSetHidden(id, TRUE);
  T_NAV_vActivateUpdateHideStatus();
}

void T_NAV_GROUP_vShowOneItem(U16 id) {
  WPM_vSetHidden(id, FALSE);
  T_NAV_vActivateUpdateHideStatus();
}

static void WPM_vHideSelection(BOOLEAN bHide) {
  WPM_vBusyOn();
  for (U32 i = 0; i < g_WPMSel.u16SelectedCount; i++) {
    if (g_WPMSel.au16SelectedIDParents[i] != NAV_NONE) WPM_vSetHidden(g_WPMSel.au16SelectedIDs[i], bHide);
  }
  T_NAV_GROUP_vSwitchToBrowseMode();
  g_WPMSel.u16SelectedCount = 0;
  WPM_vBusyOff();
  WPM_vEnterDirectory(g_WPM.u16CurrentGroupID, NAV_NONE);
  T_NAV_vActivateUpdateHideStatus();
}

void T_NAV_GROUP_vHideSelectedItems(U32) { WPM_vHideSelection(TRUE); }
void T_NAV_GROUP_vShowSelectedItems(U32) { WPM_vHideSelection(FALSE); }

// ---------------------------------------------------------------------------
// Share and lock

// The parent links the replacement instead of the item; the item's link
// comes back when the parent cannot take it.
static BOOLEAN WPM_bRelink(U16 parent, U16 item, U16 replacement) {
  T_NAV_GROUP_DATA_bRemoveLink(parent, item);
  if (T_NAV_GROUP_DATA_bAddLink(parent, replacement) || T_NAV_bHasSameContentLinkInTargetGroup(parent, replacement)) {
    return TRUE;
  }
  T_NAV_GROUP_DATA_bAddLink(parent, item);
  return FALSE;
}

S32 T_NAV_GROUP_s32HandleShareLockSelectedItem(U16 uId, U16 uParentGpIndex, BOOLEAN bDestNotShared) {
  const WPM_ITEM_CLASS c = WPM_eClass(uId);
  const BOOLEAN bPresent = (c == WPM_ITEM_GROUP && WPM_pHeader(uId) != nullptr) ||
                           (c == WPM_ITEM_ROUTE && WPM_pRoute(uId) != nullptr) ||
                           (c == WPM_ITEM_WAYPOINT && WPM_pWaypoint(uId) != nullptr);
  if (!bPresent || WPM_bNotShared(uId) == bDestNotShared) return 1;
  switch (c) {
    case WPM_ITEM_GROUP:
      // The copy becomes the default when the group was, and links itself.
      if (T_NAV_GROUP_u16CopySelectedGroupContent(uId, uParentGpIndex, bDestNotShared) == NAV_NONE) return -1;
      T_NAV_GROUP_DATA_bRemoveLink(uParentGpIndex, uId);
      return 1;
    case WPM_ITEM_WAYPOINT: {
      const U16 copy = WPM_u16WaypointOnSide(uId, bDestNotShared, TRUE);
      if (copy == NAV_NONE || !WPM_bRelink(uParentGpIndex, uId, copy)) return -1;
      if (!T_NAV_GROUP_DATA_bIsInAnyGroup(uId)) T_NAV_bDeleteWaypoint(uId, FALSE);
      return 1;
    }
    case WPM_ITEM_ROUTE: {
      const U16 copy = WPM_u16RouteOnSide(uId, bDestNotShared);
      return copy != NAV_NONE && WPM_bRelink(uParentGpIndex, uId, copy) ? 1 : -1;
    }
    default:
      return 1;
  }
}

S32 T_NAV_GROUP_s32ChangeAllItemShareOrHide(U16 groupID, CHANGE_ITEM_MODE eMode) {
  const GROUP_HEADER* h = WPM_pHeader(groupID);
  if (h == nullptr || h->u16FirstBodyIndex == NAV_NONE) return 1;
  std::vector<U16> links(NAV_GROUP_LIST_MAX);
  const U32 n = WPM_u32GroupLinks(groupID, links.data(), NAV_GROUP_LIST_MAX);
  for (U32 i = 0; i < n; i++) {
    const U16 link = links[i];
    const WPM_ITEM_CLASS c = WPM_eClass(link);
    if (c == WPM_ITEM_WAYPOINT) {
      const WAYPOINT* w = WPM_pWaypoint(link);
      if (w != nullptr && w->u8Status == WPT_STATUS_SAVED_2) {
        WPM_vClick(FALSE);
        continue;
      }
    }
    if (eMode == CHANGE_ITEM_TO_HIDE || eMode == CHANGE_ITEM_TO_SHOW) {
      WPM_vSetHidden(link, eMode == CHANGE_ITEM_TO_HIDE);
      T_NAV_vActivateUpdateHideStatus();
    } else if (c != WPM_ITEM_NONE && c != WPM_ITEM_OTHER) {
      // Kept from the unit's flash timing: each rewrite settles first.
      L_CLOCK_Sleep(3);
      if (T_NAV_GROUP_s32HandleShareLockSelectedItem(link, groupID, eMode == CHANGE_ITEM_TO_LOCK) < 0) return -1;
    }
  }
  return 1;
}

static void WPM_vShareSelection(BOOLEAN bNotShared) {
  WPM_vBusyOn();
  BOOLEAN bFull = FALSE;
  // Each item removes a waypoint, and each removal would redo the whole
  // declutter table: it is redone once, at the end.
  const BOOLEAN bMulti = T_NAV_TWR_bGetMultiWaypointFlag();
  T_NAV_TWR_vSetMultiWaypointFlag(TRUE);
  for (U32 i = 0; i < g_WPMSel.u16SelectedCount && !bFull; i++) {
    const U16 id = g_WPMSel.au16SelectedIDs[i], parent = g_WPMSel.au16SelectedIDParents[i];
    if (id == NAV_NONE || parent == NAV_NONE) continue;
    bFull = T_NAV_GROUP_s32HandleShareLockSelectedItem(id, parent, bNotShared) < 0;
    WPM_vYieldStore();
  }
  T_NAV_TWR_vSetMultiWaypointFlag(bMulti);
  const U16 root = T_NAV_GROUP_DATA_nGetRootGroup();
  T_NAV_GROUP_DATA_vScanGroupForGarbageCollection(root);
  g_WPM.eInputState = STATE_ITEM_LIST;
  T_NAV_GROUP_vSwitchToBrowseMode();
  T_NAV_GROUP_bEnterGroup(root, NAV_NONE);
  g_WPMSel.u16SelectedCount = 0;
  WPM_vBusyOff();
  if (bFull) {
    T_NAV_vSetNavUINoteWithTimeout(Out_Of_Waypoint_Route_Memory, nullptr, 5, FALSE);
    L_SEMA_Signal(SEMA_VIEW_UPDATE);
  }
}

void T_NAV_GROUP_vShareSelectedItems(U32) { WPM_vShareSelection(FALSE); }
void T_NAV_GROUP_vNoShareSelectedItems(U32) { WPM_vShareSelection(TRUE); }

// ---------------------------------------------------------------------------
// Export: the selection is latched for a reader; nothing is written here.

static SELECT_EXPORT_DATA s_Export;

void T_NAV_GROUP_vSetExportSelection(const U16* pIds, U32 u32Count) {
  L_MUTEX_LockWait(RES_NAV_DATA);
  if (pIds == nullptr) u32Count = 0;
  if (u32Count > NAV_SELECT_EXPORT_MAX) u32Count = NAV_SELECT_EXPORT_MAX;
  if (u32Count > 0) memcpy(s_Export.SelectedExportIDs, pIds, u32Count * sizeof pIds[0]);
  s_Export.SelectedExportCount = u32Count;
  g_WPMSel.u16SelectedForExportCount = (U16)u32Count;
  L_MUTEX_Unlock(RES_NAV_DATA);
}

void T_NAV_GROUP_vExportSelectedDataItems(SELECT_EXPORT_DATA* p) {
  if (p == nullptr) return;
  L_MUTEX_LockWait(RES_NAV_DATA);
  const U32 n = g_WPMSel.u16SelectedForExportCount < NAV_SELECT_EXPORT_MAX ? g_WPMSel.u16SelectedForExportCount
                                                                             : NAV_SELECT_EXPORT_MAX;
  p->SelectedExportCount = n;
  memcpy(p->SelectedExportIDs, s_Export.SelectedExportIDs, n * sizeof s_Export.SelectedExportIDs[0]);
  g_WPMSel.u16SelectedForExportCount = 0;
  L_MUTEX_Unlock(RES_NAV_DATA);
}

void T_NAV_GROUP_vExportSelectedItems(U32) {
  T_MESSAGEBOX_vSetupConfMessageWithTitle(WPM_pcText(Mark_For_Export), T_NAV_GROUP_vCancelExportSelectedItems,
                                          T_NAV_GROUP_vDoExportSelectedItems, TRUE, 0);
  WPM_vClick(TRUE);
}

void T_NAV_GROUP_vDoExportSelectedItems(void) {
  L_MUTEX_LockWait(RES_NAV_DATA);
  WPM_vClick(TRUE);
  T_NAV_GROUP_vSwitchToBrowseMode();
  const U32 n = g_WPMSel.u16SelectedCount < NAV_SELECT_EXPORT_MAX ? g_WPMSel.u16SelectedCount : NAV_SELECT_EXPORT_MAX;
  memcpy(s_Export.SelectedExportIDs, g_WPMSel.au16SelectedIDs, n * sizeof s_Export.SelectedExportIDs[0]);
  s_Export.SelectedExportCount = n;
  g_WPMSel.u16SelectedForExportCount = (U16)n;
  WPM_vFinishOperation();
  L_MUTEX_Unlock(RES_NAV_DATA);
}

void T_NAV_GROUP_vCancelExportSelectedItems(void) {
  L_MUTEX_LockWait(RES_NAV_DATA);
  g_WPMSel.pfnMultiSelectDone = T_NAV_GROUP_vExportSelectedItems;
  g_WPMSel.eMultiSelectMode = GROUP_MULTI_SELECT_EXPORT;
  WPM_vClick(TRUE);
  L_MUTEX_Unlock(RES_NAV_DATA);
}
