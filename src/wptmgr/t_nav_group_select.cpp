// Selecting items for the multi-item operations: the record of what is
// selected where, the toggle that keeps a group and its content from both
// standing in it, the entry steps of each operation, its "Done" and the
// whole-tree operations.

#include <stdio.h>
#include <string.h>

#include <bitset>

#include "linuxsvc.h"
#include "t_nav.h"
#include "t_nav_alarm.h"
#include "t_nav_group_data.h"
#include "t_nav_group_edit.h"
#include "t_nav_group_sel.h"
#include "t_messagebox.h"
#include "t_nav_twr.h"
#include "t_nav_views.h"
#include "ui_texts.h"

NAV_GROUP_SELECTION g_WPMSel = [] {
  NAV_GROUP_SELECTION s = {};
  s.u16RouteInstanceIndex = s.u16WaypointInstanceIndex = NAV_NONE;
  return s;
}();

// ---------------------------------------------------------------------------
// Items

U16 WPM_u16HighlightedItem(void) {
  return g_WPM.u16HighlightIndex < g_WPM.u16ShowItemsCount ? g_WPM.au16ShowItemIDs[g_WPM.u16HighlightIndex] : NAV_NONE;
}

U16 WPM_u16GroupParent(U16 id) {
  const GROUP_HEADER* h = WPM_pHeader(id);
  return h != nullptr ? h->u16ParentIndex : NAV_NONE;
}

BOOLEAN WPM_bIsBelow(U16 id, U16 ancestor) {
  if (!WPM_bIsGroupId(ancestor)) return FALSE;
  U16 at = WPM_u16GroupParent(id);
  for (U32 steps = 0; at != NAV_NONE && steps < NAV_GROUP_MAX_PARENT_STEPS; steps++) {
    if (at == ancestor) return TRUE;
    at = WPM_u16GroupParent(at);
  }
  return FALSE;
}

U32 WPM_u32GroupLinks(U16 group, U16* pOut, U32 u32Max) {
  const GROUP_HEADER* h = WPM_pHeader(group);
  if (h == nullptr) return 0;
  std::bitset<4096> seenBody;
  U32 n = 0;
  U16 body = h->u16FirstBodyIndex;
  while (body != NAV_NONE && n < u32Max && !seenBody.test(body & 0x0FFF)) {
    seenBody.set(body & 0x0FFF);
    const GROUP_SLOT* s = T_NAV_pGetGroupSlot(body);
    if (s == nullptr || s->sBody.u8Status != WPT_STATUS_GROUP_BODY) break;
    for (U16 item : s->sBody.u16Item) {
      if (item != NAV_NONE && n < u32Max) pOut[n++] = item;
    }
    body = s->sBody.u16NextIndex;
  }
  return n;
}

const WAYPOINT* WPM_pWaypoint(U16 id) {
  if (WPM_eClass(id) != WPM_ITEM_WAYPOINT) return nullptr;
  const WAYPOINT* w = T_NAV_pGetWaypoint(id);
  const U8 status = w != nullptr ? w->u8Status : (U8)WPT_STATUS_FREE;
  return status == WPT_STATUS_SAVED || status == WPT_STATUS_TEMPORARY || status == WPT_STATUS_SAVED_2 ? w : nullptr;
}

BOOLEAN WPM_bNotShared(U16 id) {
  switch (WPM_eClass(id)) {
    case WPM_ITEM_GROUP: {
      const GROUP_HEADER* h = WPM_pHeader(id);
      return h != nullptr && h->bWpNotShared;
    }
    case WPM_ITEM_ROUTE: {
      const ROUTE* r = WPM_pRoute(id);
      return r != nullptr && r->bRtNotShared;
    }
    case WPM_ITEM_WAYPOINT: {
      const WAYPOINT* w = WPM_pWaypoint(id);
      return w != nullptr && w->bWpNotShared;
    }
    default:
      return FALSE;
  }
}

// ---------------------------------------------------------------------------
// The record

void WPM_vSelectAppend(U16 id, U16 parent, U16 grand) {
  if (g_WPMSel.u16SelectedCount >= NAV_GROUP_LIST_MAX) return;
  const U16 n = g_WPMSel.u16SelectedCount++;
  g_WPMSel.au16SelectedIDs[n] = id;
  g_WPMSel.au16SelectedIDParents[n] = parent;
  g_WPMSel.au16SelectedIDGrandparents[n] = grand;
}

static void WPM_vEmpty(U32 i) {
  g_WPMSel.au16SelectedIDs[i] = g_WPMSel.au16SelectedIDParents[i] = g_WPMSel.au16SelectedIDGrandparents[i] = NAV_NONE;
}

static void WPM_vSqueeze(void) {
  U32 kept = 0;
  for (U32 i = 0; i < g_WPMSel.u16SelectedCount; i++) {
    if (g_WPMSel.au16SelectedIDs[i] == NAV_NONE) continue;
    g_WPMSel.au16SelectedIDs[kept] = g_WPMSel.au16SelectedIDs[i];
    g_WPMSel.au16SelectedIDParents[kept] = g_WPMSel.au16SelectedIDParents[i];
    g_WPMSel.au16SelectedIDGrandparents[kept] = g_WPMSel.au16SelectedIDGrandparents[i];
    kept++;
  }
  for (U32 i = kept; i < g_WPMSel.u16SelectedCount; i++) WPM_vEmpty(i);
  g_WPMSel.u16SelectedCount = (U16)kept;
}

BOOLEAN WPM_bIsSelectedHere(U16 id) {
  for (U32 i = 0; i < g_WPMSel.u16SelectedCount; i++) {
    if (g_WPMSel.au16SelectedIDs[i] == id && g_WPMSel.au16SelectedIDParents[i] == g_WPM.u16CurrentGroupID) return TRUE;
  }
  return FALSE;
}

// Whether the selected entry (a group or route) holds the list now shown.
static BOOLEAN WPM_bHoldsList(U16 entry, U16 owner, U16 grand) {
  if (entry == owner) return TRUE;
  if (!WPM_bIsGroupId(entry)) return FALSE;
  if (WPM_bIsRouteId(owner)) return entry == grand || WPM_bIsBelow(grand, entry);
  return WPM_bIsBelow(owner, entry);
}

// Every link of the group but one, as entries of their own.
static void WPM_vAppendOthers(U16 group, U16 leaveOut) {
  static U16 s_au16Links[NAV_GROUP_LIST_MAX];
  const U32 n = WPM_u32GroupLinks(group, s_au16Links, NAV_GROUP_LIST_MAX);
  const U16 parent = WPM_u16GroupParent(group);
  for (U32 i = 0; i < n; i++) {
    if (s_au16Links[i] != leaveOut) WPM_vSelectAppend(s_au16Links[i], group, parent);
  }
}

// The item is deselected inside a selected group or route: that entry is
// replaced by everything it covered except the way down to the item.
static void WPM_vSplit(U32 entry, U16 item, U16 owner, U16 grand) {
  const U16 target = g_WPMSel.au16SelectedIDs[entry];
  U16 from = owner, leave = item;
  BOOLEAN bClimb = TRUE;
  if (WPM_bIsRouteId(owner)) {
    const ROUTE* r = WPM_pRoute(owner);
    for (U32 k = 0; r != nullptr && k < r->nCount && k < NAV_MAX_ROUTE_POINTS; k++) {
      const U16 w = r->anWaypoint[k];
      if (w == NAV_NONE || w == item) continue;
      WPM_vSelectAppend(w, owner, grand);
      g_WPMSel.abSelectedWaypointInRoute[k] = TRUE;
    }
    bClimb = target != owner;
    from = grand;
    leave = owner;
  }
  for (U32 steps = 0; bClimb && from != NAV_NONE && steps < NAV_GROUP_MAX_PARENT_STEPS; steps++) {
    WPM_vAppendOthers(from, leave);
    if (from == target) break;
    leave = from;
    from = WPM_u16GroupParent(from);
  }
  WPM_vEmpty(entry);
}

void T_NAV_GROUP_vSelectItem(U32) {
  const U16 item = WPM_u16HighlightedItem();
  if (item == NAV_NONE) return;
  const U16 owner = g_WPM.u16CurrentGroupID, grand = g_WPM.u16ParentGroupID;
  memset(g_WPMSel.abSelectedWaypointInRoute, 0, sizeof g_WPMSel.abSelectedWaypointInRoute);
  BOOLEAN bDeselected = FALSE;
  const U32 n = g_WPMSel.u16SelectedCount;
  for (U32 i = 0; i < n && !bDeselected; i++) {
    const U16 id = g_WPMSel.au16SelectedIDs[i], parent = g_WPMSel.au16SelectedIDParents[i];
    if (id == NAV_NONE) continue;
    if (id == item && parent == owner) {
      WPM_vEmpty(i);
      bDeselected = TRUE;
    } else if ((WPM_bIsGroupId(id) || WPM_bIsRouteId(id)) && WPM_bHoldsList(id, owner, grand)) {
      WPM_vSplit(i, item, owner, grand);
      bDeselected = TRUE;
    } else if (WPM_bIsGroupId(item)) {
      const U16 at = WPM_bIsGroupId(parent) ? parent : g_WPMSel.au16SelectedIDGrandparents[i];
      if (at == item || WPM_bIsBelow(at, item)) WPM_vEmpty(i);
    } else if (WPM_bIsRouteId(item) && parent == item) {
      WPM_vEmpty(i);
    }
  }
  if (!bDeselected) WPM_vSelectAppend(item, owner, grand);
  WPM_vSqueeze();
}

// ---------------------------------------------------------------------------
// The multi-select menus

#define WPM_LEAF(text, fn) {GROUP_MGR_MENU_ITEM_STATE_IDLE, text, nullptr, nullptr, fn, nullptr, nullptr}
static GROUP_MGR_MENU_ITEM s_MenuMSBOpen = WPM_LEAF(Open, T_NAV_GROUP_vOpenDirectory);
static GROUP_MGR_MENU_ITEM s_MenuMSBSelect = WPM_LEAF(Select, T_NAV_GROUP_vSelectItem);
static GROUP_MGR_MENU_ITEM s_MenuMSBDeSelect = WPM_LEAF(Deselect, T_NAV_GROUP_vSelectItem);

void WPM_vMultiSelectListEast(U16 id) {
  const WPM_ITEM_CLASS c = WPM_eClass(id);
  const GROUP_MGR_MULTI_SELECT_MODE m = g_WPMSel.eMultiSelectMode;
  if (c == WPM_ITEM_GROUP || c == WPM_ITEM_ROUTE) {
    if (m == GROUP_MULTI_SELECT_SETWAYPOINTICON) {
      T_NAV_GROUP_vOpenDirectory(0);
      WPM_vClick(TRUE);
      return;
    }
    GROUP_MGR_MENU_ITEM* pChoice = WPM_bIsSelectedHere(id) ? &s_MenuMSBDeSelect : &s_MenuMSBSelect;
    GROUP_MGR_MENU_ITEM* pFirst = &s_MenuMSBOpen;
    if (m == GROUP_MULTI_SELECT_SHARE || m == GROUP_MULTI_SELECT_LOCK) {
      pFirst = pChoice;
      pChoice = nullptr;
    } else if (m == GROUP_MULTI_SELECT_DUPLICATE && c == WPM_ITEM_GROUP) {
      // Groups are not duplicated: they only open.
      pChoice = nullptr;
    }
    s_MenuMSBSelect.last = s_MenuMSBDeSelect.last = nullptr;
    s_MenuMSBSelect.next = s_MenuMSBDeSelect.next = nullptr;
    s_MenuMSBOpen.next = pChoice;
    if (pChoice != nullptr) pChoice->last = &s_MenuMSBOpen;
    WPM_vOpenMenu(pFirst, g_WPM.ptItemListRightClickMenu);
    return;
  }
  BOOLEAN bRefused = c == WPM_ITEM_NONE || c == WPM_ITEM_OTHER ||
                     (c == WPM_ITEM_TRACK && m == GROUP_MULTI_SELECT_SETWAYPOINTICON);
  if (c == WPM_ITEM_WAYPOINT && m != GROUP_MULTI_SELECT_DELETE && m != GROUP_MULTI_SELECT_EXPORT) {
    const WAYPOINT* w = WPM_pWaypoint(id);
    bRefused = w == nullptr || w->u8Status == WPT_STATUS_SAVED_2;
  }
  if (!bRefused) T_NAV_GROUP_vSelectItem(0);
  WPM_vClick(!bRefused);
}

// ---------------------------------------------------------------------------
// Entry steps

void WPM_vStartMultiSelect(const char* const* ppBar, const char* const* ppLabel, GROUP_MGR_ACTION pfnDone,
                           GROUP_MGR_MULTI_SELECT_MODE eMode, BOOLEAN bHideCheck) {
  g_WPMSel.u16SelectedCount = 0;
  g_WPM.eMode = MODE_MULTI_SELECT;
  g_WPM.eInputState = STATE_ITEM_LIST;
  g_WPM.u16HighlightIndex = 0;
  WPM_vJoinTexts(g_WPM.acLowBarText, sizeof g_WPM.acLowBarText, {WPM_pcText(ppBar)});
  WPM_vJoinTexts(g_WPM.acInstructionText, sizeof g_WPM.acInstructionText,
                 {WPM_pcText(Select_Items_To), " ", WPM_pcText(ppLabel)});
  g_WPMSel.pfnMultiSelectDone = pfnDone;
  g_WPMSel.eMultiSelectMode = eMode;
  if (bHideCheck) T_NAV_vActivateUpdateHideStatus();
}

void T_NAV_GROUP_vSelectMultipleAndDelete(U32) {
  WPM_vStartMultiSelect(Done, Delete, T_NAV_GROUP_vDeleteSelectedConfirm, GROUP_MULTI_SELECT_DELETE, TRUE);
}
void T_NAV_GROUP_vSelectMultipleAndExport(U32) {
  WPM_vStartMultiSelect(Done, Export, T_NAV_GROUP_vExportSelectedItems, GROUP_MULTI_SELECT_EXPORT, FALSE);
}
void T_NAV_GROUP_vSelectMultipleAndDuplicate(U32) {
  WPM_vStartMultiSelect(Paste_Here, Duplicate, T_NAV_GROUP_vCopySelectedItems, GROUP_MULTI_SELECT_DUPLICATE, TRUE);
}
void T_NAV_GROUP_vSelectMultipleAndMove(U32) {
  WPM_vStartMultiSelect(Paste_Here, Move, T_NAV_GROUP_vCutSelectedItems, GROUP_MULTI_SELECT_MOVE, TRUE);
}
void T_NAV_GROUP_vSelectMultipleAndShow(U32) {
  WPM_vStartMultiSelect(Done, Show, T_NAV_GROUP_vShowSelectedItems, GROUP_MULTI_SELECT_SHOW, FALSE);
}
void T_NAV_GROUP_vSelectMultipleAndHide(U32) {
  WPM_vStartMultiSelect(Done, Hide, T_NAV_GROUP_vHideSelectedItems, GROUP_MULTI_SELECT_HIDE, FALSE);
}

void T_NAV_GROUP_vSelectMultipleAndShare(U32) {
  const U16 owner = g_WPM.u16CurrentGroupID;
  const BOOLEAN bAllowed = owner == T_NAV_GROUP_DATA_nGetRootGroup() ||
                           ((WPM_pHeader(owner) != nullptr || WPM_pRoute(owner) != nullptr) && !WPM_bNotShared(owner));
  if (!bAllowed) {
    T_NAV_vSetNavUINote(Cannot_Be_Shared, nullptr, FALSE);
    return;
  }
  WPM_vStartMultiSelect(Done, Share, T_NAV_GROUP_vShareSelectedItems, GROUP_MULTI_SELECT_SHARE, FALSE);
}

void T_NAV_GROUP_vSelectMultipleAndLock(U32) {
  const U16 owner = g_WPM.u16CurrentGroupID;
  const BOOLEAN bSharedOwner = (WPM_pHeader(owner) != nullptr || WPM_pRoute(owner) != nullptr) && !WPM_bNotShared(owner);
  if (bSharedOwner && owner != T_NAV_GROUP_DATA_nGetRootGroup()) {
    T_NAV_vSetNavUINote(Cannot_Be_Locked, nullptr, FALSE);
    return;
  }
  WPM_vStartMultiSelect(Done, Lock, T_NAV_GROUP_vNoShareSelectedItems, GROUP_MULTI_SELECT_LOCK, FALSE);
}

void WPM_vMultiSelectDone(void) {
  const GROUP_MGR_MULTI_SELECT_MODE eMode = g_WPMSel.eMultiSelectMode;
  const GROUP_MGR_ACTION pfnDone = g_WPMSel.pfnMultiSelectDone;
  g_WPMSel.eMultiSelectMode = GROUP_MULTI_SELECT_INVALID;
  g_WPMSel.pfnMultiSelectDone = nullptr;
  if (eMode == GROUP_MULTI_SELECT_SETWAYPOINTICON && g_WPMSel.u16SelectedCount == 0) {
    T_NAV_GROUP_vReturnToBrowseState();
    WPM_vClick(TRUE);
    return;
  }
  // A cancel may store its "Done" and mode again while the action runs.
  if (pfnDone != nullptr) pfnDone(0);
  if (eMode == GROUP_MULTI_SELECT_DUPLICATE || eMode == GROUP_MULTI_SELECT_MOVE) T_NAV_GROUP_vPasteSelectedItems();
}

void WPM_vBusyOn(void) {
  const ERC rc = L_MUTEX_Unlock(RES_NAV_DATA);
  T_NAV_vStartBusy();
  if (rc == 0 || rc == -lsMUTEX_NESTED) L_MUTEX_LockWait(RES_NAV_DATA);
}

void WPM_vBusyOff(void) { T_NAV_vStopBusy(); }

void WPM_vYieldStore(void) {
  U32 u32Levels = 0;
  ERC rc;
  while ((rc = L_MUTEX_Unlock(RES_NAV_DATA)) == -lsMUTEX_NESTED) u32Levels++;
  if (rc != 0) return;  // not held
  for (U32 i = 0; i <= u32Levels; i++) L_MUTEX_LockWait(RES_NAV_DATA);
}

void WPM_vFinishOperation(void) {
  T_NAV_GROUP_vSwitchToBrowseMode();
  g_WPMSel.u16SelectedCount = 0;
  g_WPM.u16HighlightIndex = 0;
  g_WPM.eInputState = STATE_ITEM_LIST;
  WPM_vEnterDirectory(g_WPM.u16CurrentGroupID, NAV_NONE);
}

// ---------------------------------------------------------------------------
// The whole tree

static void WPM_vDeleteEverything(void) {
  T_NAV_vDeleteAllTracksWaypointsRoutes(FALSE);
  g_WPM.eInputState = STATE_ITEM_LIST;
  T_NAV_GROUP_vSwitchToBrowseMode();
  T_NAV_GROUP_bEnterGroup(T_NAV_GROUP_DATA_nGetRootGroup(), NAV_NONE);
}

// Everything goes, so the user is asked first.
void T_NAV_GROUP_vSelectAllAndDelete(U32) {
  g_WPM.pfnConfYes = WPM_vDeleteEverything;
  T_MESSAGEBOX_vSetupConfMessageWithTitle(WPM_pcText(Confirm_Deletion), T_NAV_GROUP_vNavConfNo, T_NAV_GROUP_vNavConfYes,
                                          TRUE, 0);
}
void T_NAV_GROUP_vSelectAllAndExport(U32) {}

static void WPM_vSelectAllVisibility(CHANGE_ITEM_MODE eMode) {
  WPM_vBusyOn();
  T_NAV_GROUP_s32ChangeAllItemShareOrHide(T_NAV_GROUP_DATA_nGetRootGroup(), eMode);
  WPM_vBusyOff();
  T_NAV_GROUP_vReturnToBrowseState();
}
void T_NAV_GROUP_vSelectAllAndShow(U32) { WPM_vSelectAllVisibility(CHANGE_ITEM_TO_SHOW); }
void T_NAV_GROUP_vSelectAllAndHide(U32) { WPM_vSelectAllVisibility(CHANGE_ITEM_TO_HIDE); }

static void WPM_vSelectAllShareLock(CHANGE_ITEM_MODE eMode) {
  WPM_vBusyOn();
  T_NAV_TWR_bDisableShareLockSeperator(TRUE);
  const U16 root = T_NAV_GROUP_DATA_nGetRootGroup();
  const S32 result = T_NAV_GROUP_s32ChangeAllItemShareOrHide(root, eMode);
  WPM_vBusyOff();
  T_NAV_TWR_bDisableShareLockSeperator(FALSE);
  T_NAV_TWR_vStatisticWaypointStore(TRUE);
  T_NAV_TWR_vStatisticRouteStore(TRUE);
  if (result < 0) {
    T_NAV_vSetNavUINoteWithTimeout(Out_Of_Waypoint_Route_Memory, nullptr, 5, FALSE);
    L_SEMA_Signal(SEMA_VIEW_UPDATE);
  }
  T_NAV_GROUP_DATA_vScanGroupForGarbageCollection(root);
  T_NAV_TWR_vStatisticWaypointStore(TRUE);
  T_NAV_TWR_vStatisticRouteStore(TRUE);
  g_WPM.eInputState = STATE_ITEM_LIST;
  T_NAV_GROUP_vSwitchToBrowseMode();
  T_NAV_GROUP_bEnterGroup(root, NAV_NONE);
}
void T_NAV_GROUP_vSelectAllAndShare(U32) { WPM_vSelectAllShareLock(CHANGE_ITEM_TO_SHARE); }
void T_NAV_GROUP_vSelectAllAndLock(U32) { WPM_vSelectAllShareLock(CHANGE_ITEM_TO_LOCK); }
