// The manager's selection record and the operations that work on it:
// selecting, duplicating and moving, deleting, hiding, sharing, locking and
// marking for export. Everything here is read and written under mutex 9.
#pragma once

#include "t_nav_group_priv.h"

typedef enum : U8 {
  GROUP_MULTI_SELECT_INVALID = 0,
  GROUP_MULTI_SELECT_DELETE = 1,
  GROUP_MULTI_SELECT_EXPORT = 2,
  GROUP_MULTI_SELECT_DUPLICATE = 3,
  GROUP_MULTI_SELECT_MOVE = 4,
  GROUP_MULTI_SELECT_SHARE = 5,
  GROUP_MULTI_SELECT_LOCK = 6,
  GROUP_MULTI_SELECT_SHOW = 7,
  GROUP_MULTI_SELECT_HIDE = 8,
  GROUP_MULTI_SELECT_SETWAYPOINTICON = 9,
} GROUP_MGR_MULTI_SELECT_MODE;

typedef enum : U8 {
  CHANGE_ITEM_TO_SHARE = 0,
  CHANGE_ITEM_TO_LOCK = 1,
  CHANGE_ITEM_TO_HIDE = 2,
  CHANGE_ITEM_TO_SHOW = 3,
} CHANGE_ITEM_MODE;

typedef struct tag_NAV_GROUP_SELECTION {
  U16 au16SelectedIDs[NAV_GROUP_LIST_MAX];
  U16 au16SelectedIDParents[NAV_GROUP_LIST_MAX];
  U16 au16SelectedIDGrandparents[NAV_GROUP_LIST_MAX];
  U16 u16SelectedCount;
  BOOLEAN abSelectedWaypointInRoute[NAV_MAX_ROUTE_POINTS];
  GROUP_MGR_ACTION pfnMultiSelectDone;
  GROUP_MGR_MULTI_SELECT_MODE eMultiSelectMode;
  BOOLEAN bCutSelectedItems;
  U16 u16SelectedForExportCount;
  // The item an "All Instances" confirmation was asked for.
  U16 u16RouteInstanceIndex;
  U16 u16WaypointInstanceIndex;
} NAV_GROUP_SELECTION;

extern NAV_GROUP_SELECTION g_WPMSel;

// Items and their records (t_nav_group_list.cpp).
const GROUP_HEADER* WPM_pHeader(U16 id);
const ROUTE* WPM_pRoute(U16 id);
// The highlighted item of the list; 65535 when none.
U16 WPM_u16HighlightedItem(void);
// A group's parent; 65535 for none or no group.
U16 WPM_u16GroupParent(U16 id);
// Whether the group id lies strictly below the ancestor, following parent
// links a bounded number of steps.
BOOLEAN WPM_bIsBelow(U16 id, U16 ancestor);
// The direct links of a group in body order (each body walked once), at
// most u32Max; their number.
U32 WPM_u32GroupLinks(U16 group, U16* pOut, U32 u32Max);
// The record of an in-use waypoint; null for any other id or slot.
const WAYPOINT* WPM_pWaypoint(U16 id);
// Whether an item carries the not-shared flag.
BOOLEAN WPM_bNotShared(U16 id);

// Selection (t_nav_group_select.cpp).
void T_NAV_GROUP_vSelectItem(U32 arg);
BOOLEAN WPM_bIsSelectedHere(U16 id);
// Cursor east on a list item while selecting: the menu of a group or
// route, else the item toggled.
void WPM_vMultiSelectListEast(U16 id);
// The "Done" (or "Paste here") of the low selection bar.
void WPM_vMultiSelectDone(void);
void WPM_vSelectAppend(U16 id, U16 parent, U16 grand);
// An entry step: the selection emptied, its bar texts, "Done" and mode.
void WPM_vStartMultiSelect(const char* const* ppBar, const char* const* ppLabel, GROUP_MGR_ACTION pfnDone,
                           GROUP_MGR_MULTI_SELECT_MODE eMode, BOOLEAN bHideCheck);
// Back to browsing after an operation: the selection emptied, the list
// re-entered at its first row.
void WPM_vFinishOperation(void);
// The navigation's busy notice around a long operation. The store's lock is
// let go while the notice goes up (it waits for a frame to show it) and
// taken again as it was held.
void WPM_vBusyOn(void);
void WPM_vBusyOff(void);
// Between the items of a long operation: the store's lock is let go whole,
// so that the records just changed reach the medium and other tasks reach
// the store, and taken again as it was held.
void WPM_vYieldStore(void);
void T_NAV_GROUP_vSelectMultipleAndDelete(U32 arg);
void T_NAV_GROUP_vSelectMultipleAndExport(U32 arg);
void T_NAV_GROUP_vSelectMultipleAndDuplicate(U32 arg);
void T_NAV_GROUP_vSelectMultipleAndMove(U32 arg);
void T_NAV_GROUP_vSelectMultipleAndShare(U32 arg);
void T_NAV_GROUP_vSelectMultipleAndLock(U32 arg);
void T_NAV_GROUP_vSelectMultipleAndShow(U32 arg);
void T_NAV_GROUP_vSelectMultipleAndHide(U32 arg);
void T_NAV_GROUP_vSelectAllAndDelete(U32 arg);
void T_NAV_GROUP_vSelectAllAndExport(U32 arg);
void T_NAV_GROUP_vSelectAllAndShow(U32 arg);
void T_NAV_GROUP_vSelectAllAndHide(U32 arg);
void T_NAV_GROUP_vSelectAllAndShare(U32 arg);
void T_NAV_GROUP_vSelectAllAndLock(U32 arg);

// Duplicate, move and paste (t_nav_group_copy.cpp).
void T_NAV_GROUP_vCopyHighlightedItem(U32 arg);
void T_NAV_GROUP_vCutHighlightedItem(U32 arg);
void T_NAV_GROUP_vDupicateRoute(U32 arg);
void T_NAV_GROUP_vDupicateTrack(U32 arg);
void T_NAV_GROUP_vMoveGroup(U32 arg);
void T_NAV_GROUP_vMoveRoute(U32 arg);
void T_NAV_GROUP_vMoveTrack(U32 arg);
void T_NAV_GROUP_vCopySelectedItems(U32 arg);
void T_NAV_GROUP_vCutSelectedItems(U32 arg);
void T_NAV_GROUP_vPasteSelectedItems(void);
// A waypoint copy on the given side: an equal one when found (bFind), else
// added; 65535 when the store is full.
U16 WPM_u16WaypointOnSide(U16 id, BOOLEAN bNotShared, BOOLEAN bFind);
U16 T_NAV_GROUP_u16CopyRouteContent(ROUTE* pRoute);
U16 T_NAV_GROUP_u16CopySelectedGroupContent(U16 groupID, U16 toParentGroup, BOOLEAN bNotShared);
// A route copied onto a side with its points converted, an equal route
// used when found; its id or 65535.
U16 WPM_u16RouteOnSide(U16 id, BOOLEAN bNotShared);

// Delete (t_nav_group_delete.cpp).
void T_NAV_GROUP_vDeleteWaypointEX(U32 arg);
void T_NAV_GROUP_vDeleteAllInstancesWaypoint(U32 arg);
void T_NAV_GROUP_vDeleteRouteEX(U32 arg);
void T_NAV_GROUP_vDeleteAllInstancesRoute(U32 arg);
void T_NAV_GROUP_vDeleteTrackEX(U32 arg);
void T_NAV_GROUP_vDeleteAllInstancesTrack(U32 arg);
void T_NAV_GROUP_vDeleteGroupEX(U32 arg);
void T_NAV_GROUP_vRouteEditDelete(U32 arg);
void T_NAV_GROUP_vDeleteSelectedConfirm(U32 arg);
void T_NAV_GROUP_vDeleteSelectedItemsEx(void);
void T_NAV_GROUP_vCancelDeleteSelectedItemsEx(void);
void T_NAV_GROUP_vDeleteAllInstancesFromGroup(U16 groupID, U16 itemID);
// The Yes of the "All Instances" boxes, called by the message-box task.
void T_NAV_GROUP_vDeleteAllInstancesWaypointMsgConfirm(void);
void T_NAV_GROUP_vDeleteAllInstancesRouteMsgConfirm(void);

// Visibility, sharing and export (t_nav_group_visibility.cpp).
void T_NAV_GROUP_vHideSelectedItems(U32 arg);
void T_NAV_GROUP_vShowSelectedItems(U32 arg);
void T_NAV_GROUP_vHideOneItem(U16 id);
void T_NAV_GROUP_vShowOneItem(U16 id);
void T_NAV_GROUP_vShareSelectedItems(U32 arg);
void T_NAV_GROUP_vNoShareSelectedItems(U32 arg);
S32 T_NAV_GROUP_s32HandleShareLockSelectedItem(U16 uId, U16 uParentGpIndex, BOOLEAN bDestNotShared);
S32 T_NAV_GROUP_s32ChangeAllItemShareOrHide(U16 groupID, CHANGE_ITEM_MODE eMode);
void T_NAV_GROUP_vExportSelectedItems(U32 arg);
void T_NAV_GROUP_vDoExportSelectedItems(void);
void T_NAV_GROUP_vCancelExportSelectedItems(void);
