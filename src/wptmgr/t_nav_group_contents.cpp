// Editing what a group or a route holds from the item list: while a group
// is edited, East on an item elsewhere links it in and East on one of the
// group's own items asks before taking it out; while a route is edited,
// East on a waypoint elsewhere appends it. Groups and routes open on East
// in both, so the user can walk to the items. The links stand in the store
// at once; the low bar's Save keeps them and a discard undoes them.

#include <string.h>

#include "g_string.h"
#include "linuxsvc.h"
#include "t_messagebox.h"
#include "t_nav_group.h"
#include "t_nav_group_data.h"
#include "t_nav_group_edit.h"
#include "t_nav_group_priv.h"
#include "t_nav_group_sel.h"
#include "t_nav_twr.h"
#include "u_language.h"
#include "u_wstring.h"
#include "ui_texts.h"

namespace {

constexpr U32 WPM_NOTE_SECONDS = 2;

// The item the remove question named, and the group it was asked for: the
// list may move, or the highlight with it, before the answer comes.
U16 s_u16RemoveItem = NAV_NONE;
U16 s_u16RemoveFrom = NAV_NONE;

// The note of an item linked into the edited group, or of one that was
// there already, by its kind: each is one sentence, so that the words around
// the names agree with the kind in every language.
const char* const* WPM_pGroupNote(WPM_ITEM_CLASS c, BOOLEAN bAdded) {
  switch (c) {
    case WPM_ITEM_WAYPOINT: return bAdded ? Waypoint_Added_To_Group : Waypoint_Already_In_Group;
    case WPM_ITEM_ROUTE: return bAdded ? Route_Added_To_Group : Route_Already_In_Group;
    default: return bAdded ? Track_Added_To_Group : Track_Already_In_Group;
  }
}

const char* const* WPM_pRemoveQuestion(WPM_ITEM_CLASS c) {
  switch (c) {
    case WPM_ITEM_WAYPOINT: return Delete_Waypoint_Q;
    case WPM_ITEM_ROUTE: return Delete_Route_Q;
    default: return Delete_Track_Q;
  }
}

// An item's name as a note shows it: in a wide language a preset name's
// mark becomes the preset's word, and another mark goes, as the list draws
// them (only a text's first unit is drawn that way, and here the name
// stands inside a sentence).
void WPM_vNoteName(U16 id, char* out, U32 u32Size) {
  char name[NAV_GROUP_PATH_NAME + 4] = {};
  memset(out, 0, u32Size);
  if (!WPM_bItemName(id, name, sizeof name)) return;
  const unsigned nLanguage = nCurrentLanguage();
  const U8 u8Mark = (U8)name[1];
  if (nLanguage < LANGUAGE_FIRST_WIDE || (U8)name[0] != 0xFD || u8Mark < 0xD0) {
    U_WSTRING_vw_strncpy(out, name, u32Size - 2, FALSE);
    return;
  }
  const U32 u32Preset = (U32)(u8Mark - 0xD0);
  if (u32Preset < G_STRING_PRESET_NAMES) {
    U_WSTRING_vw_strncpy(out, s_ChineseWaypoint[u32Preset][nLanguage], u32Size - 2, FALSE);
  }
  const U32 u32Used = U_WSTRING_u32w_strlen(out, FALSE);
  if (u32Used + 2 < u32Size) U_WSTRING_vw_strncat(out, name + 2, (u32Size - 2 - u32Used) & ~1u, FALSE);
}

// A timed note of one sentence whose places take the item's name and,
// unless holder is NAV_NONE, the group's or route's name.
void WPM_vNote(BOOLEAN bLeft, const char* const* pSentence, U16 id, U16 holder) {
  // The sentence and the names are taken in one language and one form.
  U_LANGUAGE_vHold();
  char name[2 * NAV_GROUP_PATH_NAME] = {};
  char into[2 * NAV_GROUP_PATH_NAME] = {};
  WPM_vNoteName(id, name, sizeof name);
  if (holder != NAV_NONE) WPM_vNoteName(holder, into, sizeof into);
  const char* apcNames[2] = {name, into};
  char ac[NAV_GROUP_NOTE_SIZE];
  U_WSTRING_vFillTemplate(WPM_pcText(pSentence), ac, sizeof ac, apcNames, holder != NAV_NONE ? 2 : 1);
  if (bLeft) {
    T_NAV_GROUP_vSetNavUIRawNoteLeftWithTimeout(ac, WPM_NOTE_SECONDS);
  } else {
    T_NAV_GROUP_vSetNavUIRawNoteWithTimeout(ac, WPM_NOTE_SECONDS);
  }
  U_LANGUAGE_vRelease();
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
    s_u16RemoveItem = id;
    s_u16RemoveFrom = edited;
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
  WPM_vNote(FALSE, WPM_pGroupNote(c, bAdded), id, edited);
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
    WPM_vNote(FALSE, Waypoint_Added_To_Route, id, edited);
  } else {
    WPM_vNote(TRUE, Waypoint_Last_Added, id, NAV_NONE);
  }
  WPM_vClick(TRUE);
}

// The Yes of "Delete ...?" while a group is edited: only the link goes; the
// item itself stays wherever else it is linked, and a discard puts the link
// back. An item no other group holds is collected at the Save, not here:
// collected now, it would be gone before a discard could link it again.
void T_NAV_GROUP_vRemoveItemConfirm(void) {
  const U16 id = s_u16RemoveItem;
  s_u16RemoveItem = NAV_NONE;
  if (id != NAV_NONE && s_u16RemoveFrom == g_WPM.u16CurrentEditGroupID &&
      T_NAV_GROUP_DATA_bRemoveLink(s_u16RemoveFrom, id) && g_WPMEdit.u32UndoCount < WPM_UNDO_MAX) {
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
