// Editing what a group or a route holds from the item list: while a group
// is edited, East on an item elsewhere links it in and East on one of the
// group's own items asks before taking it out; while a route is edited,
// East on a waypoint elsewhere appends it. Groups and routes open on East
// in both, so the user can walk to the items. The links stand in the store
// at once; the low bar's Save keeps them and a discard undoes them.

#include <stdio.h>
#include <string.h>

#include "linuxsvc.h"
#include "t_messagebox.h"
#include "t_nav_group.h"
#include "t_nav_group_data.h"
#include "t_nav_group_edit.h"
#include "t_nav_group_priv.h"
#include "t_nav_group_sel.h"
#include "t_nav_twr.h"
#include "ui_texts.h"

namespace {

constexpr U32 WPM_NOTE_SECONDS = 2;

const char* const* WPM_pKindText(WPM_ITEM_CLASS c) {
  switch (c) {
    case WPM_ITEM_WAYPOINT: return Waypoint;
    case WPM_ITEM_ROUTE: return Route;
    default: return Track;
  }
}

const char* const* WPM_pRemoveQuestion(WPM_ITEM_CLASS c) {
  switch (c) {
    case WPM_ITEM_WAYPOINT: return Delete_Waypoint_Q;
    case WPM_ITEM_ROUTE: return Delete_Route_Q;
    default: return Delete_Track_Q;
  }
}

// A note of the item's kind and name, what befell it and, unless holder is
// NAV_NONE, the group or route it concerns, cut to the note's size.
void WPM_vNote(BOOLEAN bLeft, const char* const* pKind, U16 id, const char* const* pWhat, U16 holder) {
  char name[NAV_GROUP_PATH_NAME + 4] = {};
  char into[NAV_GROUP_PATH_NAME + 4] = {};
  WPM_bItemName(id, name, sizeof name);
  if (holder != NAV_NONE) WPM_bItemName(holder, into, sizeof into);
  char ac[NAV_GROUP_NOTE_SIZE];
  snprintf(ac, sizeof ac, "%s %s %s%s%s", WPM_pcText(pKind), name, WPM_pcText(pWhat), holder != NAV_NONE ? " " : "",
           into);
  if (bLeft) {
    T_NAV_GROUP_vSetNavUIRawNoteLeftWithTimeout(ac, WPM_NOTE_SECONDS);
  } else {
    T_NAV_GROUP_vSetNavUIRawNoteWithTimeout(ac, WPM_NOTE_SECONDS);
  }
}

BOOLEAN WPM_bFixedWaypoint(U16 id) {
  const WAYPOINT* w = WPM_pWaypoint(id);
  return w == nullptr || w->u8Status == WPT_STATUS_SAVED_2;
}

void WPM_vOpenHighlighted(void) {
  T_NAV_GROUP_vOpenDirectory(0);
  WPM_vClick(TRUE);
}

}  // namespace

void WPM_vEditGroupListEast(U16 id) {
  const WPM_ITEM_CLASS c = WPM_eClass(id);
  const U16 edited = g_WPM.u16CurrentEditGroupID;
  if (c == WPM_ITEM_GROUP) {
    WPM_vOpenHighlighted();
    return;
  }
  if (c != WPM_ITEM_WAYPOINT && c != WPM_ITEM_ROUTE && c != WPM_ITEM_TRACK) {
    WPM_vClick(FALSE);
    return;
  }
  if (g_WPM.u16CurrentGroupID == edited) {
    g_WPM.pfnConfYes = T_NAV_GROUP_vRemoveItemConfirm;
    T_MESSAGEBOX_vSetupConfMessageWithTitle(WPM_pcText(WPM_pRemoveQuestion(c)), nullptr, T_NAV_GROUP_vNavConfYes,
                                            TRUE, 0);
    WPM_vClick(TRUE);
    return;
  }
  if (c == WPM_ITEM_WAYPOINT && WPM_bFixedWaypoint(id)) {
    WPM_vClick(FALSE);
    return;
  }
  const BOOLEAN bAdded = T_NAV_GROUP_DATA_bAddLink(edited, id);
  if (bAdded && g_WPMEdit.u32UndoCount < WPM_UNDO_MAX) g_WPMEdit.au32UndoList[g_WPMEdit.u32UndoCount++] = id;
  WPM_vNote(FALSE, WPM_pKindText(c), id, bAdded ? Added_To_Group : Already_In_The_Group, edited);
  WPM_vClick(TRUE);
}

void WPM_vEditRouteListEast(U16 id) {
  const WPM_ITEM_CLASS c = WPM_eClass(id);
  const U16 edited = g_WPM.u16CurrentEditGroupID;
  if (c == WPM_ITEM_GROUP || c == WPM_ITEM_ROUTE) {
    WPM_vOpenHighlighted();
    return;
  }
  if (g_WPM.u16CurrentGroupID == edited) {
    if (c == WPM_ITEM_WAYPOINT) {
      WPM_vOpenRouteEditMenu();
    } else {
      WPM_vClick(FALSE);
    }
    return;
  }
  const ROUTE* r = WPM_pRoute(edited);
  if (c != WPM_ITEM_WAYPOINT || r == nullptr || r->nCount >= NAV_MAX_ROUTE_POINTS || WPM_bFixedWaypoint(id)) {
    WPM_vClick(FALSE);
    return;
  }
  T_NAV_bStoreOldRoute(edited & 0x07FF);
  if (T_NAV_GROUP_DATA_bRouteAddLink(edited, id)) {
    WPM_vNote(FALSE, Waypoint, id, Added_To_Route, edited);
  } else {
    WPM_vNote(TRUE, Waypoint, id, Was_Last_Added, NAV_NONE);
  }
  WPM_vClick(TRUE);
}

// The Yes of "Delete ...?" while a group is edited: only the link goes; the
// item itself stays wherever else it is linked, and a discard puts the link
// back. An item no other group holds is collected at the Save, not here:
// collected now, it would be gone before a discard could link it again.
void T_NAV_GROUP_vRemoveItemConfirm(void) {
  const U16 id = WPM_u16HighlightedItem();
  if (id != NAV_NONE && T_NAV_GROUP_DATA_bRemoveLink(g_WPM.u16CurrentEditGroupID, id) &&
      g_WPMEdit.u32UndoCount < WPM_UNDO_MAX) {
    g_WPMEdit.au32UndoList[g_WPMEdit.u32UndoCount++] = WPM_UNDO_REMOVED | id;
  }
  const U16 cur = g_WPM.u16CurrentGroupID;
  if (WPM_bIsGroupId(cur)) {
    T_NAV_GROUP_bEnterGroup(cur, NAV_NONE);
  } else if (WPM_bIsRouteId(cur)) {
    T_NAV_GROUP_bEnterRoute(cur, NAV_NONE);
  }
  L_SEMA_Signal(SEMA_VIEW_UPDATE);
}
