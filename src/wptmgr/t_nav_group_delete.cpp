// Deleting removes links: the highlighted item from the list it stands in,
// every link to one item anywhere under the root, or every selected entry
// from where it was selected; the collection then frees what nothing links.
// Items the running navigation uses are refused.

#include <string.h>

#include <bitset>
#include <vector>

#include "h_database.h"
#include "linuxsvc.h"
#include "t_messagebox.h"
#include "t_nav.h"
#include "t_nav_alarm.h"
#include "t_nav_group_data.h"
#include "t_nav_group_sel.h"
#include "t_nav_twr.h"
#include "ui_texts.h"

// The item a single-item confirmation was asked for, and its list.
static U16 s_u16DeleteItem = NAV_NONE;
static U16 s_u16DeleteOwner = NAV_NONE;

static BOOLEAN WPM_bWaypointNavigated(U16 id) {
  ROUTE* pRoute = T_NAV_pGetCurrentRoute();
  return pRoute != nullptr && WPM_eClass(id) == WPM_ITEM_WAYPOINT && T_NAV_bWaypointUsedInRoute(id, pRoute);
}

static BOOLEAN WPM_bRouteNavigated(U16 id) { return WPM_bIsRouteId(id) && T_NAV_bIsRouteActive(id & 0x07FF); }

static void WPM_vAsk(const char* const* ppText, NAV_GROUP_CONFIRM pfnYes) {
  s_u16DeleteItem = WPM_u16HighlightedItem();
  s_u16DeleteOwner = g_WPM.u16CurrentGroupID;
  g_WPM.pfnConfYes = pfnYes;
  T_MESSAGEBOX_vSetupConfMessageWithTitle(WPM_pcText(ppText), nullptr, T_NAV_GROUP_vNavConfYes, TRUE, 0);
}

static void WPM_vReenterList(void) {
  WPM_vEnterDirectory(g_WPM.u16CurrentGroupID, NAV_NONE);
  T_NAV_vActivateUpdateHideStatus();
}

static void WPM_vCollect(void) {
  T_NAV_GROUP_DATA_vScanGroupForGarbageCollection(T_NAV_GROUP_DATA_nGetRootGroup());
}

// ---------------------------------------------------------------------------
// The highlighted item

// A confirmed delete is final at once: a record left for a later collection
// would come back if the unit lost power before it, when the start-up tree
// is rebuilt and takes in every record it finds.
static void T_NAV_GROUP_vDeleteWaypoint(void) {
  if (WPM_eClass(s_u16DeleteItem) == WPM_ITEM_WAYPOINT && WPM_pWaypoint(s_u16DeleteItem) != nullptr) {
    T_NAV_GROUP_DATA_bRemoveLink(s_u16DeleteOwner, s_u16DeleteItem);
    WPM_vCollect();
  }
  WPM_vReenterList();
}

static void T_NAV_GROUP_vDeleteRoute(void) {
  if (WPM_bRouteNavigated(s_u16DeleteItem)) {
    T_NAV_vSetNavUINote(Route_In_Use_Cannot_Delete, nullptr, FALSE);
    WPM_vClick(FALSE);
    return;
  }
  T_NAV_GROUP_DATA_bRemoveLink(s_u16DeleteOwner, s_u16DeleteItem);
  WPM_vCollect();
  WPM_vReenterList();
}

static void T_NAV_GROUP_vDeleteTrack(void) {
  T_NAV_GROUP_DATA_bRemoveLink(s_u16DeleteOwner, s_u16DeleteItem);
  WPM_vCollect();
  WPM_vReenterList();
}

// The default group goes with the group that holds it: the root takes over.
static void WPM_vDefaultLeaves(U16 id) {
  const U16 def = T_NAV_GROUP_DATA_nGetDefaultGroup();
  if (def != id && !WPM_bIsBelow(def, id)) return;
  T_NAV_vSetNavUINoteWithTimeout(Default_Group_Deleted, nullptr, 2, FALSE);
  T_NAV_GROUP_DATA_bSetDefaultGroup(T_NAV_GROUP_DATA_nGetRootGroup());
  T_NAV_GROUP_vSwitchToBrowseMode();
}

static void T_NAV_GROUP_vDeleteGroup(void) {
  const U16 id = s_u16DeleteItem;
  if (WPM_pHeader(id) == nullptr) return;
  WPM_vDefaultLeaves(id);
  T_NAV_GROUP_DATA_bRemoveLink(s_u16DeleteOwner, id);
  const GROUP_HEADER* h = WPM_pHeader(id);
  if (h != nullptr) {
    GROUP_HEADER header = *h;
    header.u16ParentIndex = NAV_NONE;
    T_NAV_GROUP_DATA_bModifyGroup(id, &header);
  }
  WPM_vCollect();
  WPM_vReenterList();
}

void T_NAV_GROUP_vDeleteWaypointEX(U32) {
  const U16 id = WPM_u16HighlightedItem();
  if (WPM_eClass(id) != WPM_ITEM_WAYPOINT) return;
  if (WPM_bWaypointNavigated(id)) {
    T_NAV_vSetNavUIError(Cannot_delete_used_waypoint);
    WPM_vClick(FALSE);
    return;
  }
  WPM_vAsk(Delete_Waypoint_Q, T_NAV_GROUP_vDeleteWaypoint);
}

void T_NAV_GROUP_vDeleteRouteEX(U32) {
  if (WPM_eClass(WPM_u16HighlightedItem()) == WPM_ITEM_ROUTE) WPM_vAsk(Delete_Route_Q, T_NAV_GROUP_vDeleteRoute);
}

void T_NAV_GROUP_vDeleteTrackEX(U32) {
  if (WPM_eClass(WPM_u16HighlightedItem()) == WPM_ITEM_TRACK) WPM_vAsk(Delete_Track_Q, T_NAV_GROUP_vDeleteTrack);
}

void T_NAV_GROUP_vDeleteGroupEX(U32) {
  if (WPM_eClass(WPM_u16HighlightedItem()) == WPM_ITEM_GROUP) WPM_vAsk(Delete_Group_Q, T_NAV_GROUP_vDeleteGroup);
}

void T_NAV_GROUP_vRouteEditDelete(U32) {
  const U16 route = g_WPM.u16CurrentGroupID, id = WPM_u16HighlightedItem();
  if (!WPM_bIsRouteId(route) || WPM_eClass(id) != WPM_ITEM_WAYPOINT) return;
  const U32 at = (U32)g_WPM.u16FirstShowItemIndexInList + g_WPM.u16HighlightIndex;
  T_NAV_GROUP_DATA_bRouteRemoveLink(route, id);
  // The row keeps its place: the point that moved up into it is highlighted.
  const ROUTE* r = WPM_pRoute(route);
  U16 next = NAV_NONE;
  if (r != nullptr && r->nCount > 0) next = r->anWaypoint[at < r->nCount ? at : r->nCount - 1];
  T_NAV_GROUP_bEnterRoute(route, next);
}

// ---------------------------------------------------------------------------
// All instances

static void WPM_vRemoveEverywhere(U16 group, U16 item, std::bitset<4096>* pSeen) {
  if (!WPM_bIsGroupId(group) || pSeen->test(group & 0x0FFF)) return;
  pSeen->set(group & 0x0FFF);
  for (U32 n = 0; n < NAV_GROUP_LIST_MAX && T_NAV_GROUP_DATA_bRemoveLink(group, item); n++) {
  }
  std::vector<U16> links(NAV_GROUP_LIST_MAX);
  const U32 count = WPM_u32GroupLinks(group, links.data(), NAV_GROUP_LIST_MAX);
  for (U32 i = 0; i < count; i++) {
    const U16 link = links[i];
    if (WPM_bIsGroupId(link)) {
      WPM_vRemoveEverywhere(link, item, pSeen);
    } else if (WPM_bIsRouteId(link)) {
      for (U32 n = 0; n < NAV_MAX_ROUTE_POINTS && T_NAV_GROUP_DATA_bRemoveLink(link, item); n++) {
      }
    }
  }
}

void T_NAV_GROUP_vDeleteAllInstancesFromGroup(U16 groupID, U16 itemID) {
  if (!WPM_bIsGroupId(groupID) || WPM_bIsGroupId(itemID) || itemID == NAV_NONE) return;
  std::bitset<4096>* pSeen = new std::bitset<4096>();
  WPM_vRemoveEverywhere(groupID, itemID, pSeen);
  delete pSeen;
  T_NAV_vActivateUpdateHideStatus();
}

void T_NAV_GROUP_vDeleteAllInstancesWaypointMsgConfirm(void) {
  L_MUTEX_LockWait(RES_NAV_DATA);
  const U16 id = g_WPMSel.u16WaypointInstanceIndex;
  g_WPMSel.u16WaypointInstanceIndex = NAV_NONE;
  if (WPM_eClass(id) == WPM_ITEM_WAYPOINT) {
    T_NAV_GROUP_vDeleteAllInstancesFromGroup(T_NAV_GROUP_DATA_nGetRootGroup(), id);
    WPM_vCollect();
    WPM_vReenterList();
  }
  L_MUTEX_Unlock(RES_NAV_DATA);
}

void T_NAV_GROUP_vDeleteAllInstancesRouteMsgConfirm(void) {
  L_MUTEX_LockWait(RES_NAV_DATA);
  const U16 id = g_WPMSel.u16RouteInstanceIndex;
  g_WPMSel.u16RouteInstanceIndex = NAV_NONE;
  if (WPM_bRouteNavigated(id)) {
    T_NAV_vSetNavUINote(Route_In_Use_Cannot_Delete, nullptr, FALSE);
    WPM_vClick(FALSE);
  } else if (WPM_bIsRouteId(id)) {
    T_NAV_GROUP_vDeleteAllInstancesFromGroup(T_NAV_GROUP_DATA_nGetRootGroup(), id);
    WPM_vCollect();
    WPM_vReenterList();
  }
  L_MUTEX_Unlock(RES_NAV_DATA);
}

void T_NAV_GROUP_vDeleteAllInstancesWaypoint(U32) {
  const U16 id = WPM_u16HighlightedItem();
  if (WPM_eClass(id) != WPM_ITEM_WAYPOINT) return;
  if (WPM_bWaypointNavigated(id)) {
    T_NAV_vSetNavUIError(Cannot_delete_used_waypoint);
    WPM_vClick(FALSE);
    return;
  }
  g_WPMSel.u16WaypointInstanceIndex = id;
  T_MESSAGEBOX_vSetupConfMessageWithTitle(WPM_pcText(Delete_All_Waypoint_Instances), nullptr,
                                          T_NAV_GROUP_vDeleteAllInstancesWaypointMsgConfirm, TRUE, 0);
  WPM_vClick(TRUE);
}

void T_NAV_GROUP_vDeleteAllInstancesRoute(U32) {
  const U16 id = WPM_u16HighlightedItem();
  if (!WPM_bIsRouteId(id)) return;
  g_WPMSel.u16RouteInstanceIndex = id;
  T_MESSAGEBOX_vSetupConfMessageWithTitle(WPM_pcText(Delete_All_Route_Instances), nullptr,
                                          T_NAV_GROUP_vDeleteAllInstancesRouteMsgConfirm, TRUE, 0);
  WPM_vClick(TRUE);
}

void T_NAV_GROUP_vDeleteAllInstancesTrack(U32) {
  const U16 id = WPM_u16HighlightedItem();
  if (WPM_eClass(id) != WPM_ITEM_TRACK) return;
  T_NAV_GROUP_vDeleteAllInstancesFromGroup(T_NAV_GROUP_DATA_nGetRootGroup(), id);
  WPM_vReenterList();
}

// ---------------------------------------------------------------------------
// The selection

void T_NAV_GROUP_vDeleteSelectedConfirm(U32) {
  g_WPM.pfnConfYes = T_NAV_GROUP_vDeleteSelectedItemsEx;
  g_WPM.pfnConfNo = T_NAV_GROUP_vCancelDeleteSelectedItemsEx;
  T_MESSAGEBOX_vSetupConfMessageWithTitle(WPM_pcText(Confirm_Deletion), T_NAV_GROUP_vNavConfNo,
                                          T_NAV_GROUP_vNavConfYes, TRUE, 0);
}

static void WPM_vKeepSelectingForDelete(void) {
  g_WPMSel.pfnMultiSelectDone = T_NAV_GROUP_vDeleteSelectedConfirm;
  g_WPMSel.eMultiSelectMode = GROUP_MULTI_SELECT_DELETE;
}

void T_NAV_GROUP_vDeleteSelectedItemsEx(void) {
  g_WPM.pfnConfNo = nullptr;
  for (U32 i = 0; i < g_WPMSel.u16SelectedCount; i++) {
    const U16 id = g_WPMSel.au16SelectedIDs[i];
    if (WPM_bRouteNavigated(id) || WPM_bWaypointNavigated(id)) {
      T_NAV_vSetNavUINote(Some_Selected_Data_In_Use, nullptr, FALSE);
      WPM_vClick(FALSE);
      WPM_vKeepSelectingForDelete();
      return;
    }
  }
  WPM_vBusyOn();
  for (U32 i = 0; i < g_WPMSel.u16SelectedCount; i++) {
    const U16 id = g_WPMSel.au16SelectedIDs[i], parent = g_WPMSel.au16SelectedIDParents[i];
    if (WPM_bIsGroupId(id)) WPM_vDefaultLeaves(id);
    if (id != NAV_NONE && parent != NAV_NONE) T_NAV_GROUP_DATA_bRemoveLink(parent, id);
  }
  WPM_vCollect();
  WPM_vFinishOperation();
  WPM_vBusyOff();
  T_NAV_vActivateUpdateHideStatus();
}

void T_NAV_GROUP_vCancelDeleteSelectedItemsEx(void) {
  g_WPM.pfnConfYes = nullptr;
  WPM_vKeepSelectingForDelete();
  WPM_vClick(TRUE);
}
