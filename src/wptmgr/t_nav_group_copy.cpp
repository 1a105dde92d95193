// Duplicating and moving: the paste buffer filled from one item or from the
// selection, the paste into the group or route shown, and the copies that
// carry an item across the shared/not-shared boundary, since a link never
// joins items of different sides.

#include <stdio.h>
#include <string.h>

#include <bitset>
#include <vector>

#include "linuxsvc.h"
#include "t_nav.h"
#include "t_nav_alarm.h"
#include "t_nav_group.h"
#include "t_nav_group_data.h"
#include "t_nav_group_edit.h"
#include "t_nav_group_sel.h"
#include "t_nav_twr.h"
#include "ui_texts.h"

// ---------------------------------------------------------------------------
// Copies on the other side

// An in-use waypoint equal to the record, on the record's side (the store's
// content search does not look at the side).
static U16 WPM_u16FindOnSide(const WAYPOINT* pWaypoint) {
  S32 index = -1;
  WAYPOINT* p;
  while (T_NAV_bScanWaypoints(&index, &p, FALSE)) {
    if (p->u8Status == pWaypoint->u8Status && p->bWpNotShared == pWaypoint->bWpNotShared &&
        T_NAV_bWaypointCompare(p, pWaypoint)) {
      return (U16)index;
    }
  }
  return NAV_NONE;
}

U16 WPM_u16WaypointOnSide(U16 id, BOOLEAN bNotShared, BOOLEAN bFind) {
  const WAYPOINT* w = WPM_pWaypoint(id);
  if (w == nullptr) return NAV_NONE;
  WAYPOINT copy = *w;
  copy.u8Status = w->u8Status == WPT_STATUS_SAVED_2 ? WPT_STATUS_SAVED_2 : WPT_STATUS_SAVED;
  copy.bWpNotShared = bNotShared;
  if (bFind) {
    const U16 found = WPM_u16FindOnSide(&copy);
    if (found != NAV_NONE) return found;
  }
  return T_NAV_nAddWaypoint(&copy, FALSE);
}

// The route's points, each on the route's side; FALSE when a copy could not
// be stored.
static BOOLEAN WPM_bPointsOnSide(ROUTE* pRoute) {
  const U32 n = pRoute->nCount <= NAV_MAX_ROUTE_POINTS ? pRoute->nCount : NAV_MAX_ROUTE_POINTS;
  U32 kept = 0;
  for (U32 k = 0; k < n; k++) {
    const U16 w = pRoute->anWaypoint[k];
    if (WPM_eClass(w) != WPM_ITEM_WAYPOINT) continue;
    const U16 use = WPM_bNotShared(w) == (BOOLEAN)pRoute->bRtNotShared ? w
                                                                        : WPM_u16WaypointOnSide(w, pRoute->bRtNotShared, TRUE);
    if (use == NAV_NONE) return FALSE;
    pRoute->anWaypoint[kept++] = use;
  }
  for (U32 k = kept; k < NAV_MAX_ROUTE_POINTS; k++) pRoute->anWaypoint[k] = NAV_NONE;
  pRoute->nCount = kept;
  return TRUE;
}

U16 T_NAV_GROUP_u16CopyRouteContent(ROUTE* pRoute) {
  if (pRoute == nullptr) return NAV_NONE;
  ROUTE work = *pRoute;
  if (!WPM_bPointsOnSide(&work)) return NAV_NONE;
  T_NAV_vActivateUpdateHideStatus();
  const U16 index = T_NAV_nAddRoute(&work);
  return index < NAV_MAX_ROUTES ? (U16)(NAV_ITEM_ROUTE_BASE | index) : NAV_NONE;
}

static U16 WPM_u16RouteCopy(U16 id, BOOLEAN bNotShared, BOOLEAN bFind) {
  const ROUTE* r = WPM_pRoute(id);
  if (r == nullptr) return NAV_NONE;
  ROUTE work = *r;
  work.bRtNotShared = bNotShared;
  if (!bFind) return T_NAV_GROUP_u16CopyRouteContent(&work);
  if (!WPM_bPointsOnSide(&work)) return NAV_NONE;
  T_NAV_vActivateUpdateHideStatus();
  U16 index = T_NAV_u16FindRoute(&work);
  if (index >= NAV_MAX_ROUTES) index = T_NAV_nAddRoute(&work);
  return index < NAV_MAX_ROUTES ? (U16)(NAV_ITEM_ROUTE_BASE | index) : NAV_NONE;
}

U16 WPM_u16RouteOnSide(U16 id, BOOLEAN bNotShared) { return WPM_u16RouteCopy(id, bNotShared, TRUE); }

// Groups being copied on the way down: a tree that links back on itself is
// copied once.
typedef std::bitset<4096> WPM_COPYING;

static U16 WPM_u16CopyGroup(U16 groupID, U16 toParentGroup, BOOLEAN bNotShared, WPM_COPYING* pCopying) {
  const GROUP_HEADER* h = WPM_pHeader(groupID);
  if (h == nullptr || pCopying->test(groupID & 0x0FFF)) return NAV_NONE;
  pCopying->set(groupID & 0x0FFF);
  GROUP_HEADER header = {};
  header.u8Status = WPT_STATUS_GROUP_HEADER;
  header.bWpNotShared = bNotShared;
  header.bHide = h->bHide;
  header.u8Icon = h->u8Icon;
  header.u32DateTime = h->u32DateTime;
  header.u16FirstBodyIndex = NAV_NONE;
  header.u16ParentIndex = toParentGroup;
  memcpy(header.sName, h->sName, sizeof header.sName);
  const U16 made = T_NAV_GROUP_DATA_nNewGroup(&header);
  if (made == NAV_NONE) return NAV_NONE;
  if (groupID == T_NAV_GROUP_DATA_nGetDefaultGroup()) T_NAV_GROUP_DATA_bSetDefaultGroup(made);
  T_NAV_GROUP_DATA_bAddLink(toParentGroup, made);
  std::vector<U16> links(NAV_GROUP_LIST_MAX);
  const U32 n = WPM_u32GroupLinks(groupID, links.data(), NAV_GROUP_LIST_MAX);
  for (U32 i = 0; i < n; i++) {
    const U16 link = links[i];
    U16 use = NAV_NONE;
    switch (WPM_eClass(link)) {
      case WPM_ITEM_GROUP:
        WPM_u16CopyGroup(link, made, bNotShared, pCopying);
        break;
      case WPM_ITEM_WAYPOINT:
        use = WPM_u16WaypointOnSide(link, bNotShared, TRUE);
        break;
      case WPM_ITEM_ROUTE:
        use = WPM_u16RouteOnSide(link, bNotShared);
        break;
      case WPM_ITEM_TRACK:
        use = link;
        break;
      default:
        break;
    }
    if (use != NAV_NONE) T_NAV_GROUP_DATA_bAddLink(made, use);
  }
  return made;
}

U16 T_NAV_GROUP_u16CopySelectedGroupContent(U16 groupID, U16 toParentGroup, BOOLEAN bNotShared) {
  WPM_COPYING* pCopying = new WPM_COPYING();
  const U16 made = WPM_u16CopyGroup(groupID, toParentGroup, bNotShared, pCopying);
  delete pCopying;
  return made;
}

U16 T_NAV_GROUP_u16CopyContentForAddLink(U8 bNotShared, U16 groupID, U16 itemID) {
  const GROUP_MGR_MODE m = g_WPM.eMode;
  if (m != MODE_BROWSE && m != MODE_EDIT_GROUP && m != MODE_EDIT_ROUTE && m != MODE_PASTE) return itemID;
  const BOOLEAN bSide = bNotShared != 0;
  switch (WPM_eClass(itemID)) {
    case WPM_ITEM_WAYPOINT:
      if (WPM_pWaypoint(itemID) == nullptr) return NAV_NONE;
      return WPM_bNotShared(itemID) == bSide ? itemID : WPM_u16WaypointOnSide(itemID, bSide, FALSE);
    case WPM_ITEM_ROUTE:
      if (WPM_pRoute(itemID) == nullptr) return NAV_NONE;
      return WPM_bNotShared(itemID) == bSide ? itemID : WPM_u16RouteCopy(itemID, bSide, FALSE);
    case WPM_ITEM_GROUP:
      if (WPM_pHeader(itemID) == nullptr || WPM_bNotShared(itemID) == bSide) return itemID;
      return T_NAV_GROUP_u16CopySelectedGroupContent(itemID, groupID, bSide);
    default:
      return itemID;
  }
}

// ---------------------------------------------------------------------------
// Filling the buffer

static void WPM_vPasteMode(BOOLEAN bCut) {
  g_WPMSel.bCutSelectedItems = bCut;
  WPM_vJoinTexts(g_WPM.acLowBarText, sizeof g_WPM.acLowBarText, {WPM_pcText(Paste_Here)});
  WPM_vJoinTexts(g_WPM.acInstructionText, sizeof g_WPM.acInstructionText, {WPM_pcText(Select_Directory_To_Paste)});
  g_WPM.eMode = MODE_PASTE;
  g_WPM.eInputState = STATE_ITEM_LIST;
  g_WPM.u16HighlightIndex = 0;
}

static void WPM_vTakeHighlighted(WPM_ITEM_CLASS eKind, BOOLEAN bCut, BOOLEAN bHideCheck) {
  const U16 id = WPM_u16HighlightedItem();
  if (WPM_eClass(id) != eKind) return;
  if (eKind == WPM_ITEM_WAYPOINT) {
    const WAYPOINT* w = WPM_pWaypoint(id);
    if (w == nullptr || w->u8Status == WPT_STATUS_SAVED_2) {
      WPM_vClick(FALSE);
      return;
    }
  }
  g_WPMSel.u16SelectedCount = 0;
  WPM_vSelectAppend(id, g_WPM.u16CurrentGroupID, g_WPM.u16ParentGroupID);
  WPM_vPasteMode(bCut);
  if (bHideCheck) T_NAV_vActivateUpdateHideStatus();
}

void T_NAV_GROUP_vCopyHighlightedItem(U32) { WPM_vTakeHighlighted(WPM_ITEM_WAYPOINT, FALSE, FALSE); }
void T_NAV_GROUP_vCutHighlightedItem(U32) { WPM_vTakeHighlighted(WPM_ITEM_WAYPOINT, TRUE, FALSE); }
void T_NAV_GROUP_vDupicateRoute(U32) { WPM_vTakeHighlighted(WPM_ITEM_ROUTE, FALSE, FALSE); }
void T_NAV_GROUP_vDupicateTrack(U32) { WPM_vTakeHighlighted(WPM_ITEM_TRACK, FALSE, FALSE); }
void T_NAV_GROUP_vMoveGroup(U32) { WPM_vTakeHighlighted(WPM_ITEM_GROUP, TRUE, TRUE); }
void T_NAV_GROUP_vMoveRoute(U32) { WPM_vTakeHighlighted(WPM_ITEM_ROUTE, TRUE, TRUE); }
void T_NAV_GROUP_vMoveTrack(U32) { WPM_vTakeHighlighted(WPM_ITEM_TRACK, TRUE, FALSE); }

void T_NAV_GROUP_vCopySelectedItems(U32) { WPM_vPasteMode(FALSE); }
void T_NAV_GROUP_vCutSelectedItems(U32) { WPM_vPasteMode(TRUE); }

// ---------------------------------------------------------------------------
// Pasting

static void WPM_vCountNote(const char* const* ppText, U32 u32Count) {
  char count[12];
  snprintf(count, sizeof count, "%d", (int)u32Count);
  T_NAV_vSetNavUINoteWithTimeout(ppText, count, 2, FALSE);
}

// A group holds an item once, so pasting an item into the group it came
// from changes nothing; a route may repeat a point and is not counted.
static BOOLEAN WPM_bAlreadyThere(U16 dest, U32 i) {
  return WPM_bIsGroupId(dest) && g_WPMSel.au16SelectedIDParents[i] == dest;
}

// The count of what was pasted; when nothing was and every item was already
// in the group, the reason instead.
static void WPM_vPastedNote(const char* const* ppCount, U32 u32Pasted, U32 u32Already) {
  if (u32Pasted == 0 && u32Already > 0) {
    T_NAV_vSetNavUINoteWithTimeout(Already_In_This_Group, nullptr, 2, FALSE);
  } else {
    WPM_vCountNote(ppCount, u32Pasted);
  }
}

static void WPM_vDuplicate(U16 dest) {
  BOOLEAN bGroupMet = FALSE;
  U32 linked = 0, already = 0;
  for (U32 i = 0; i < g_WPMSel.u16SelectedCount; i++) {
    const U16 item = g_WPMSel.au16SelectedIDs[i];
    if (item == NAV_NONE || g_WPMSel.au16SelectedIDParents[i] == NAV_NONE) continue;
    const WPM_ITEM_CLASS c = WPM_eClass(item);
    if (c == WPM_ITEM_GROUP) {
      if (!bGroupMet) T_NAV_vSetNavUINoteWithTimeout(All_Items_Except_Groups, nullptr, 2, FALSE);
      bGroupMet = TRUE;
      continue;
    }
    if (WPM_bIsRouteId(dest) && c != WPM_ITEM_WAYPOINT) continue;
    if (WPM_bAlreadyThere(dest, i)) {
      already++;
    } else if (T_NAV_GROUP_DATA_bAddLink(dest, item)) {
      linked++;
    }
  }
  if (!bGroupMet) WPM_vPastedNote(Total_Items_Copied, linked, already);
}

// Whether a buffered group would end up inside itself: the destination is
// the group or lies anywhere below it.
static BOOLEAN WPM_bMoveIntoItself(U16 dest) {
  const U16 at = WPM_bIsRouteId(dest) ? g_WPM.u16ParentGroupID : dest;
  for (U32 i = 0; i < g_WPMSel.u16SelectedCount; i++) {
    const U16 item = g_WPMSel.au16SelectedIDs[i];
    if (WPM_bIsGroupId(item) && (item == at || WPM_bIsBelow(at, item))) return TRUE;
  }
  return FALSE;
}

static void WPM_vMove(U16 dest, BOOLEAN bDestNotShared) {
  if (WPM_bMoveIntoItself(dest)) {
    T_NAV_vSetNavUINoteWithTimeout(Cannot_Move_Into, nullptr, 2, FALSE);
    return;
  }
  const BOOLEAN bRoot = dest == T_NAV_GROUP_DATA_nGetRootGroup();
  BOOLEAN bNewItems = FALSE, bFull = FALSE;
  U32 moved = 0, already = 0;
  for (U32 i = 0; i < g_WPMSel.u16SelectedCount; i++) {
    const U16 item = g_WPMSel.au16SelectedIDs[i], parent = g_WPMSel.au16SelectedIDParents[i];
    if (item == NAV_NONE || parent == NAV_NONE) continue;
    const WPM_ITEM_CLASS c = WPM_eClass(item);
    if (WPM_bIsRouteId(dest) && c != WPM_ITEM_WAYPOINT) continue;
    if (WPM_bAlreadyThere(dest, i)) {
      already++;
      continue;
    }
    const BOOLEAN bSame = WPM_bNotShared(item) == bDestNotShared;
    U16 use = item;
    if (c == WPM_ITEM_WAYPOINT && !bSame && !bRoot) {
      use = WPM_u16WaypointOnSide(item, bDestNotShared, TRUE);
      bNewItems = TRUE;
    } else if (c == WPM_ITEM_ROUTE && !bSame && !bRoot && WPM_pRoute(item) != nullptr) {
      use = WPM_u16RouteOnSide(item, bDestNotShared);
      bNewItems = TRUE;
    } else if (c == WPM_ITEM_GROUP && !bSame) {
      // The copy links itself into the destination.
      if (T_NAV_GROUP_u16CopySelectedGroupContent(item, dest, bDestNotShared) == NAV_NONE) {
        bFull = TRUE;
        continue;
      }
      T_NAV_GROUP_DATA_bRemoveLink(parent, item);
      bNewItems = TRUE;
      moved++;
      continue;
    }
    if (use == NAV_NONE) {
      // No room for the copy: the item stays where it was.
      bFull = TRUE;
      continue;
    }
    if (T_NAV_GROUP_DATA_bAddLink(dest, use)) {
      T_NAV_GROUP_DATA_bRemoveLink(parent, item);
      moved++;
    }
  }
  WPM_vPastedNote(Total_Items_Moved, moved, already);
  if (bFull) T_NAV_vSetNavUINoteWithTimeout(Out_Of_Waypoint_Route_Memory, nullptr, 5, FALSE);
  if (bNewItems) T_NAV_GROUP_DATA_vScanGroupForGarbageCollection(T_NAV_GROUP_DATA_nGetRootGroup());
}

void T_NAV_GROUP_vPasteSelectedItems(void) {
  const U16 dest = g_WPM.u16CurrentGroupID;
  BOOLEAN bDestNotShared = FALSE;
  if (WPM_bIsGroupId(dest)) {
    if (WPM_pHeader(dest) == nullptr) return;
    bDestNotShared = WPM_bNotShared(dest);
  } else if (WPM_bIsRouteId(dest)) {
    bDestNotShared = WPM_bNotShared(dest);
  } else {
    return;
  }
  WPM_vBusyOn();
  if (g_WPMSel.bCutSelectedItems) {
    WPM_vMove(dest, bDestNotShared);
  } else {
    WPM_vDuplicate(dest);
  }
  WPM_vFinishOperation();
  WPM_vBusyOff();
}
