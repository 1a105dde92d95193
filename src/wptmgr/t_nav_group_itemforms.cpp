// The group, route and track forms, and the discard of a group or route
// edit through its undo list.

#include <stdio.h>
#include <string.h>

#include "h_database.h"
#include "h_memory.h"
#include "linuxsvc.h"
#include "t_nav.h"
#include "t_nav_alarm.h"
#include "t_nav_group.h"
#include "t_nav_group_data.h"
#include "t_nav_group_edit.h"
#include "t_nav_group_sel.h"
#include "t_nav_nvram_flash.h"
#include "t_nav_twr.h"
#include "u_wstring.h"
#include "ui_texts.h"

WPM_EDIT_STATE g_WPMEdit = {{}, 0, NAV_NONE, NAV_NONE, NAV_NONE, NAV_NONE, {}};

void WPM_vClearEditState(void) {
  g_WPMEdit.u32UndoCount = 0;
  g_WPMEdit.u16GroupIndexBackupForDelete = NAV_NONE;
  g_WPMEdit.u16RouteIndexBackupForEdit = NAV_NONE;
  g_WPMEdit.u16RouteIndexBackupForDelete = NAV_NONE;
  g_WPMEdit.u16NewAddedItemParentGroupID = NAV_NONE;
}

// One form at a time: the rows, the window and the footer of whichever form
// is open, and the record copies it edits.
static EDIT_FIELD s_aFields[6];
static POPUP_EDIT_WINDOW s_Form;
static char s_acFooter[2][64];
static const char* s_apFooter[3];
static ROUTE s_Route;
static GROUP_HEADER s_Group;
typedef struct tag_TRACK_INFO {
  TRACK_HEADER trackHeader;
  U8 u8TrackVisible;
  U8 u8TrackStyle;
  U8 u8TrackColor;
} TRACK_INFO;
static TRACK_INFO s_Track;

static const WPM_NAME_SHAPE kRouteName = {"CCCCCCCCCCCCCCCCCCC", "UUUU"};
static const WPM_NAME_SHAPE kTrackName = {"CCCCCCCCCCCCCCCCCCC", "UUUUUUUUU"};
static const WPM_NAME_SHAPE kGroupName = {"CCCCCCCCCCC", "UUUUU"};

static void WPM_vFooter(U32 u32DateTime, const char* pcSecond) {
  WPM_vCreatedLine(s_acFooter[0], sizeof s_acFooter[0], u32DateTime);
  s_apFooter[0] = s_acFooter[0];
  s_apFooter[1] = nullptr;
  if (pcSecond != nullptr) {
    U_WSTRING_vw_strncpy(s_acFooter[1], pcSecond, sizeof s_acFooter[1] - 2, FALSE);
    s_apFooter[1] = s_acFooter[1];
  }
  s_apFooter[2] = nullptr;
}

static void WPM_vInstall(const char* const* strTitle, S32 w, S32 h, EDIT_UPDATE pUpdate, EDIT_SAVE pSave,
                         void* pData, U32 u32Index, BOOLEAN bFooter) {
  WPM_vInstallForm(&s_Form, s_aFields,
                   {strTitle, w, h, pUpdate, pSave, pData, u32Index, bFooter ? s_apFooter : nullptr});
}

static U32 WPM_u32Now(void) {
  U32 dt = 0;
  H_DATABASE_bFetchU32(FCID("IDTM"), &dt, nullptr, nullptr);
  return dt;
}

// The edit mode a new group or route starts: "Select items and save" and
// "Save <name>" on the low bar.
static void WPM_vStartEditing(U16 id, const char* pcName, GROUP_MGR_MODE eMode) {
  WPM_vJoinTexts(g_WPM.acInstructionText, sizeof g_WPM.acInstructionText, {WPM_pcText(Select_Items_And_Save)});
  WPM_vJoinTexts(g_WPM.acLowBarText, sizeof g_WPM.acLowBarText, {WPM_pcText(Save), " ", pcName});
  g_WPM.u16CurrentEditGroupID = id;
  g_WPM.eMode = eMode;
  g_WPM.eInputState = STATE_ITEM_LIST;
}

// A blank name saves nothing: back to the list, the new-item form over.
static BOOLEAN WPM_bBlankSave(const char* pcName, BOOLEAN* pbNewItem) {
  if (!WPM_bBlankName(pcName)) return FALSE;
  g_WPM.eInputState = STATE_ITEM_LIST;
  WPM_vEnterDirectory(g_WPM.u16CurrentGroupID, NAV_NONE);
  *pbNewItem = FALSE;
  return TRUE;
}

// ---------------------------------------------------------------------------
// Routes

static BOOLEAN T_NAV_GROUP_bUpdateEditDataRoute(POPUP_WINDOW*) {
  WPM_vTakeName(s_Route.sName, sizeof s_Route.sName, &s_aFields[0]);
  s_Route.bHide = s_aFields[1].value_string[0] == 0;
  return TRUE;
}

static void T_NAV_GROUP_vSaveRouteHeader(void* pData, U32 u32Index) {
  const ROUTE* pCopy = (const ROUTE*)pData;
  if (WPM_bBlankSave(pCopy->sName, &g_WPMForm.bNewRouteCreated)) return;
  if (u32Index == NAV_NONE) {
    g_WPMForm.bNewRouteCreated = FALSE;
    ROUTE r = *pCopy;
    T_NAV_vActivateUpdateHideStatus();
    const U16 index = T_NAV_nAddRoute(&r);
    if (index == NAV_NONE) {
      T_NAV_vSetNavUIError(No_Routes);
      return;
    }
    const U16 id = (U16)(index | 0x8800);
    T_NAV_GROUP_DATA_bAddLink(g_WPM.u16CurrentGroupID, id);
    g_WPMEdit.u16RouteIndexBackupForDelete = id;
    g_WPMEdit.u16NewAddedItemParentGroupID = g_WPM.u16CurrentGroupID;
    WPM_vReenter(id);
    char name[NAV_ROUTE_NAME_SIZE + 1];
    WPM_vNameOf(name, sizeof name, r.sName, sizeof r.sName);
    WPM_vStartEditing(id, name, MODE_EDIT_ROUTE);
    return;
  }
  const ROUTE* pStored = T_NAV_pGetRoute(u32Index & 0x07FF);
  if (pStored == nullptr) return;
  ROUTE r = *pStored;
  memcpy(r.sName, pCopy->sName, sizeof r.sName);
  r.bHide = pCopy->bHide;
  U16 id = (U16)u32Index;
  if (r.bRtNotShared == pCopy->bRtNotShared) {
    T_NAV_bSaveRoute(u32Index & 0x07FF, &r, FALSE);
  } else {
    // The other side holds its own copy, linked where the route was.
    r.bRtNotShared = pCopy->bRtNotShared;
    const U16 made = T_NAV_GROUP_u16CopyRouteContent(&r);
    if (made != NAV_NONE) {
      T_NAV_GROUP_DATA_bAddLink(g_WPM.u16CurrentGroupID, made);
      T_NAV_GROUP_DATA_bRemoveLink(g_WPM.u16CurrentGroupID, id);
      T_NAV_GROUP_DATA_vScanGroupForGarbageCollection(T_NAV_GROUP_DATA_nGetRootGroup());
      id = made;
    }
  }
  g_WPMEdit.u16RouteIndexBackupForEdit = id;
  WPM_vReenter(id);
  T_NAV_GROUP_vSwitchToBrowseMode();
  WPM_vJoinTexts(g_WPM.acInstructionText, sizeof g_WPM.acInstructionText, {WPM_pcText(Edit_Route)});
  g_WPM.u16CurrentEditGroupID = (U16)u32Index;
  g_WPM.eInputState = STATE_ITEM_LIST;
}

static void WPM_vRouteRows(const char* pcName, BOOLEAN bHide, const char* const* action, BOOLEAN bVisibility) {
  memset(s_aFields, 0, sizeof s_aFields);
  WPM_vNameRow(&s_aFields[0], pcName, NAV_ROUTE_NAME_SIZE, kRouteName);
  U32 r = 1;
  if (bVisibility) WPM_vVisibilityRow(&s_aFields[r++], bHide);
  s_aFields[r] = WPM_Row(action, EDIT_TYPE_SAVE);
  for (U32 i = 0; i <= r; i++) s_aFields[i].left_part_percent = 21;
}

void T_NAV_GROUP_vNewRoute(U32) {
  if (!WPM_bNeedFix()) return;
  memset(&s_Route, 0, sizeof s_Route);
  const U16 slot = T_NAV_u16FindAvailableRoute(FALSE);
  if (slot == NAV_NONE || slot >= NAV_MAX_ROUTES) {
    T_NAV_vSetNavUIError(No_Routes);
    WPM_vClick(FALSE);
    return;
  }
  if (!WPM_bIsGroupId(g_WPM.u16CurrentGroupID)) return;
  char name[2 * NAV_ROUTE_NAME_SIZE + 2] = {};
  snprintf(name, sizeof name, U_WSTRING_bIsUnicodeLanguage() ? "RT%02d" : "RT%03d", (int)slot + 1);
  U_WSTRING_vReplaceNarrowWithWide(name, sizeof name);
  WPM_vRouteRows(name, FALSE, Plan_Route, TRUE);
  s_Route.u32DateTime = WPM_u32Now();
  for (U16& w : s_Route.anWaypoint) w = NAV_NONE;
  WPM_vFooter(s_Route.u32DateTime, nullptr);
  g_WPMForm.bNewRouteCreated = TRUE;
  WPM_vInstall(New_Route, 420, 241, T_NAV_GROUP_bUpdateEditDataRoute, T_NAV_GROUP_vSaveRouteHeader, &s_Route,
               NAV_NONE, TRUE);
}

void T_NAV_GROUP_vEditRoute(U32) {
  const U16 id = WPM_u16HighlightedItem();
  if (!WPM_bIsRouteId(id)) return;
  if (T_NAV_bIsRouteActive(id & 0x07FF)) {
    T_NAV_vSetNavUINote(Data_In_Use_Cannot_Edit, nullptr, FALSE);
    WPM_vClick(FALSE);
    return;
  }
  const ROUTE* pStored = T_NAV_pGetRoute(id & 0x07FF);
  if (pStored == nullptr) return;
  s_Route = *pStored;
  WPM_vRouteRows(pStored->sName, pStored->bHide, Save, TRUE);
  WPM_vFooter(pStored->u32DateTime, nullptr);
  WPM_vInstall(Edit_Route, 420, 241, T_NAV_GROUP_bUpdateEditDataRoute, T_NAV_GROUP_vSaveRouteHeader, &s_Route, id,
               TRUE);
}

static BOOLEAN T_NAV_GROUP_bUpdateSaveAsDataRoute(POPUP_WINDOW*) {
  const ROUTE* pStored = T_NAV_pGetRoute(s_Form.u32Index & 0x07FF);
  if (pStored == nullptr) return FALSE;
  WPM_vTakeName(s_Route.sName, sizeof s_Route.sName, &s_aFields[0]);
  if (memcmp(s_Route.sName, pStored->sName, sizeof s_Route.sName) == 0) {
    T_NAV_vSetNavUIError(Must_Specify_New_Name);
    return FALSE;
  }
  return TRUE;
}

static void T_NAV_GROUP_vSaveAsRouteHeader(void* pData, U32 u32Index) {
  const ROUTE* pStored = T_NAV_pGetRoute(u32Index & 0x07FF);
  if (pStored == nullptr) return;
  ROUTE r = *pStored;
  memcpy(r.sName, ((const ROUTE*)pData)->sName, sizeof r.sName);
  T_NAV_vActivateUpdateHideStatus();
  const U16 index = T_NAV_nAddRoute(&r);
  if (index == NAV_NONE) {
    T_NAV_vSetNavUIError(No_Routes);
    return;
  }
  const U16 id = (U16)(index | 0x8800);
  T_NAV_GROUP_DATA_bAddLink(g_WPM.u16CurrentGroupID, id);
  WPM_vReenter(id);
}

void T_NAV_GROUP_vSaveAsRoute(U32) {
  const U16 id = WPM_u16HighlightedItem();
  const ROUTE* pStored = WPM_bIsRouteId(id) ? T_NAV_pGetRoute(id & 0x07FF) : nullptr;
  if (pStored == nullptr) return;
  memset(&s_Route, 0, sizeof s_Route);
  WPM_vRouteRows(pStored->sName, FALSE, Save, FALSE);
  WPM_vInstall(Save_As_Route, 420, 148, T_NAV_GROUP_bUpdateSaveAsDataRoute, T_NAV_GROUP_vSaveAsRouteHeader,
               &s_Route, id, FALSE);
}

// ---------------------------------------------------------------------------
// Tracks

// The saved track's slot, or 65535 (the current track) for any other id.
static U32 WPM_u32TrackIndex(U32 id) { return WPM_eClass((U16)id) == WPM_ITEM_TRACK ? (id & 63) : NAV_NONE; }

static BOOLEAN T_NAV_GROUP_bUpdateEditDataTrack(POPUP_WINDOW*) {
  WPM_vTakeName(s_Track.trackHeader.sName, sizeof s_Track.trackHeader.sName, &s_aFields[0]);
  s_Track.u8TrackVisible = (U8)s_aFields[1].value_string[0];
  s_Track.u8TrackStyle = (U8)s_aFields[2].value_string[0];
  s_Track.u8TrackColor = (U8)s_aFields[3].value_string[0];
  return TRUE;
}

static void T_NAV_GROUP_vSaveTrack(void* pData, U32 u32Index) {
  TRACK_INFO* p = (TRACK_INFO*)pData;
  const U32 index = WPM_u32TrackIndex(u32Index);
  const TRACK_HEADER* pStored = T_NAV_pGetTrackHeader(index);
  if (pStored != nullptr && memcmp(pStored->sName, p->trackHeader.sName, sizeof p->trackHeader.sName) != 0) {
    T_NAV_bRenameTrack(index, p->trackHeader.sName);
  }
  if ((BOOLEAN)(p->u8TrackVisible != 0) != T_NAV_bGetTrackVisibility(index)) {
    T_NAV_vSetTrackVisibility(index, p->u8TrackVisible != 0);
  }
  if (p->u8TrackStyle != T_NAV_nGetTrackStyle(index)) T_NAV_bSetTrackStyle(index, p->u8TrackStyle);
  if (p->u8TrackColor != T_NAV_nGetTrackColor(index)) T_NAV_bSetTrackColor(index, p->u8TrackColor);
  WPM_vReenter((U16)u32Index);
}

void T_NAV_GROUP_vEditTrack(U32) {
  const U16 id = WPM_u16HighlightedItem();
  if (WPM_eClass(id) != WPM_ITEM_TRACK) return;
  const U32 index = id & 63;
  const TRACK_HEADER* pStored = T_NAV_pGetTrackHeader(index);
  if (pStored == nullptr) return;
  memset(&s_Track, 0, sizeof s_Track);
  s_Track.trackHeader = *pStored;
  memset(s_aFields, 0, sizeof s_aFields);
  WPM_vNameRow(&s_aFields[0], pStored->sName, sizeof pStored->sName, kTrackName);
  s_aFields[1] = WPM_Row(Visibility, EDIT_TYPE_STRING_LIST);
  WPM_vVisibilityRow(&s_aFields[1], !T_NAV_bGetTrackVisibility(index));
  s_aFields[2] = WPM_Row(Style, EDIT_TYPE_TRACKSTYLE);
  s_aFields[2].value_string[0] = (char)(T_NAV_nGetTrackStyle(index) & 3);
  s_aFields[3] = WPM_Row(Color, EDIT_TYPE_COLOR);
  s_aFields[3].value_string[0] = (char)(T_NAV_nGetTrackColor(index) & 15);
  s_aFields[3].bInactive = s_aFields[2].value_string[0] == 0;
  s_aFields[2].pHookDataFunc = T_NAV_GROUP_vEditTrackStyleChange;
  s_aFields[4] = WPM_Row(Save, EDIT_TYPE_SAVE);
  for (U32 i = 0; i < 4; i++) s_aFields[i].left_part_percent = 21;
  char points[64] = {};
  snprintf(points, sizeof points, "%d ", (int)pStored->u16Count);
  U_WSTRING_vReplaceNarrowWithWide(points, sizeof points);
  U_WSTRING_vw_strncat(points, WPM_pcText(Trackpoints), 40, FALSE);
  WPM_vFooter(pStored->u32DateTime, points);
  WPM_vInstall(Edit_Track, 420, 388, T_NAV_GROUP_bUpdateEditDataTrack, T_NAV_GROUP_vSaveTrack, &s_Track, id, TRUE);
}

static BOOLEAN T_NAV_GROUP_bUpdateEditDataSaveAsTrack(POPUP_WINDOW*) {
  const TRACK_HEADER* pStored = T_NAV_pGetTrackHeader(WPM_u32TrackIndex(s_Form.u32Index));
  WPM_vTakeName(s_Track.trackHeader.sName, sizeof s_Track.trackHeader.sName, &s_aFields[0]);
  if (pStored != nullptr &&
      memcmp(s_Track.trackHeader.sName, pStored->sName, sizeof s_Track.trackHeader.sName) == 0) {
    T_NAV_vSetNavUIError(Must_Specify_New_Name);
    return FALSE;
  }
  return TRUE;
}

static void T_NAV_GROUP_vDoSaveAsTrack(void* pData, U32 u32Index) {
  TRACK_INFO* p = (TRACK_INFO*)pData;
  const U32 source = WPM_u32TrackIndex(u32Index);
  static_assert(sizeof(TRACK) <= WPM_TRACK_COPY_BYTES);
  TRACK* pCopy = (TRACK*)H_MEMORY_pvMalloc(WPM_TRACK_COPY_BYTES);
  if (pCopy == nullptr) return;
  // The loader holds the track buffer's lock until released; an unreadable
  // source comes back empty and is not copied.
  const TRACK* pTrack = T_NAV_NVRAM_pLoadTrack((S32)source);
  memcpy(pCopy, pTrack, sizeof(TRACK));
  T_NAV_NVRAM_vReleaseTrack();
  U16 index = NAV_NONE;
  if (pCopy->sHeader.u16Count > 0) {
    memcpy(pCopy->sHeader.sName, p->trackHeader.sName, sizeof pCopy->sHeader.sName);
    index = T_NAV_nAddTrack(pCopy, pCopy->sHeader.u32DateTime, pCopy->sHeader.sName, FALSE);
  }
  // A failed add makes no id: nothing is linked.
  if (index != NAV_NONE && index < NAV_MAX_TRACKS) {
    const U16 id = (U16)(0x8000 | (T_NAV_GROUP_DATA_u16Getu7UnitID() & 0x7FFF) | (index & 0x203F));
    if (WPM_eClass(id) == WPM_ITEM_TRACK) {
      T_NAV_vSetTrackVisibility(index, T_NAV_bGetTrackVisibility(source));
      T_NAV_bSetTrackStyle(index, T_NAV_nGetTrackStyle(source));
      T_NAV_bSetTrackColor(index, T_NAV_nGetTrackColor(source));
    }
    T_NAV_GROUP_DATA_bAddLink(g_WPM.u16CurrentGroupID, id);
    WPM_vReenter(id);
  }
  H_MEMORY_vFree(pCopy);
}

void T_NAV_GROUP_vSaveAsTrack(U32) {
  const U16 id = WPM_u16HighlightedItem();
  const TRACK_HEADER* pStored = T_NAV_pGetTrackHeader(WPM_u32TrackIndex(id));
  memset(&s_Track, 0, sizeof s_Track);
  memset(s_aFields, 0, sizeof s_aFields);
  if (pStored != nullptr) s_Track.trackHeader = *pStored;
  WPM_vNameRow(&s_aFields[0], s_Track.trackHeader.sName, sizeof s_Track.trackHeader.sName, kTrackName);
  s_aFields[1] = WPM_Row(Save, EDIT_TYPE_SAVE);
  WPM_vInstall(Save_As_Track, 420, 148, T_NAV_GROUP_bUpdateEditDataSaveAsTrack, T_NAV_GROUP_vDoSaveAsTrack,
               &s_Track, id, FALSE);
}

// ---------------------------------------------------------------------------
// Groups

static BOOLEAN T_NAV_GROUP_bUpdateEditDataGroup(POPUP_WINDOW*) {
  WPM_vTakeName(s_Group.sName, sizeof s_Group.sName, &s_aFields[0]);
  s_Group.bHide = s_aFields[1].value_string[0] == 0;
  return TRUE;
}

static void T_NAV_GROUP_vSaveGroupHeader(void* pData, U32 u32Index) {
  const GROUP_HEADER* pCopy = (const GROUP_HEADER*)pData;
  if (WPM_bBlankSave(pCopy->sName, &g_WPMForm.bNewGroupCreated)) {
    g_WPMEdit.u32UndoCount = 0;
    return;
  }
  if (u32Index != NAV_NONE) {
    const GROUP_SLOT* pSlot = T_NAV_pGetGroupSlot((U16)u32Index);
    if (pSlot == nullptr) return;
    GROUP_HEADER h = pSlot->sHeader;
    memcpy(h.sName, pCopy->sName, sizeof h.sName);
    h.bHide = pCopy->bHide;
    U16 id = (U16)u32Index;
    if (h.bWpNotShared == pCopy->bWpNotShared) {
      T_NAV_GROUP_DATA_bModifyGroup(id, &h);
    } else {
      // The other side gets a copy of the whole group (it takes over as the
      // default group), under the new name; the old one is unlinked here.
      const U16 made = T_NAV_GROUP_u16CopySelectedGroupContent(id, h.u16ParentIndex, pCopy->bWpNotShared);
      if (made != NAV_NONE) {
        if (const GROUP_SLOT* pMade = T_NAV_pGetGroupSlot(made); pMade != nullptr) {
          GROUP_HEADER moved = pMade->sHeader;
          memcpy(moved.sName, h.sName, sizeof moved.sName);
          moved.bHide = h.bHide;
          T_NAV_GROUP_DATA_bModifyGroup(made, &moved);
        }
        T_NAV_GROUP_DATA_bRemoveLink(g_WPM.u16CurrentGroupID, id);
        T_NAV_GROUP_DATA_vScanGroupForGarbageCollection(T_NAV_GROUP_DATA_nGetRootGroup());
        id = made;
      }
    }
    WPM_vReenter(id);
    T_NAV_GROUP_vSwitchToBrowseMode();
    g_WPM.u16CurrentEditGroupID = id;
    g_WPMEdit.u32UndoCount = 0;
    g_WPM.eInputState = STATE_ITEM_LIST;
    return;
  }
  g_WPMForm.bNewGroupCreated = FALSE;
  GROUP_HEADER h = {};
  h.u8Status = WPT_STATUS_GROUP_HEADER;
  h.bHide = pCopy->bHide;
  h.bWpNotShared = pCopy->bWpNotShared;
  h.u8Icon = pCopy->u8Icon;
  h.u32DateTime = pCopy->u32DateTime;
  memcpy(h.sName, pCopy->sName, sizeof h.sName);
  h.u16ParentIndex = g_WPM.u16CurrentGroupID;
  h.u16FirstBodyIndex = NAV_NONE;
  const U16 id = T_NAV_GROUP_DATA_nNewGroup(&h);
  if (id == NAV_NONE) {
    T_NAV_vSetNavUIError(No_Groups);
    return;
  }
  T_NAV_GROUP_DATA_bAddLink(g_WPM.u16CurrentGroupID, id);
  WPM_vReenter(id);
  char name[NAV_WAYPOINT_NAME_SIZE + 1];
  WPM_vNameOf(name, sizeof name, h.sName, sizeof h.sName);
  g_WPMEdit.u16GroupIndexBackupForDelete = id;
  g_WPMEdit.u32UndoCount = 0;
  WPM_vStartEditing(id, name, MODE_EDIT_GROUP);
}

static void WPM_vGroupRows(const char* pcName, BOOLEAN bHide, const char* const* action) {
  memset(s_aFields, 0, sizeof s_aFields);
  WPM_vNameRow(&s_aFields[0], pcName, NAV_WAYPOINT_NAME_SIZE, kGroupName);
  WPM_vVisibilityRow(&s_aFields[1], bHide);
  s_aFields[2] = WPM_Row(action, EDIT_TYPE_SAVE);
}

void T_NAV_GROUP_vNewGroup(U32) {
  memset(&s_Group, 0, sizeof s_Group);
  if (!WPM_bIsGroupId(g_WPM.u16CurrentGroupID)) return;
  if (!T_NAV_vRoomForWptOrGroup(FALSE)) {
    T_NAV_vSetNavUIError(No_Groups);
    WPM_vClick(FALSE);
    return;
  }
  S32 n = 1;
  if (!H_DATABASE_bFetchS32(FCID("SGID"), &n, nullptr, nullptr)) n = 1;
  g_WPMForm.s32OldGroupCount2Name = n;
  char name[32] = {};
  snprintf(name, sizeof name, "GP%03d", (int)(n % 1000));
  U_WSTRING_vReplaceNarrowWithWide(name, sizeof name);
  H_DATABASE_bUpdateValueS32(FCID("SGID"), n + 1, P_NORMAL);
  WPM_vGroupRows(name, FALSE, Add_Items);
  s_Group.u32DateTime = WPM_u32Now();
  WPM_vFooter(s_Group.u32DateTime, nullptr);
  g_WPMForm.bNewGroupCreated = TRUE;
  WPM_vInstall(Create_New_Group, 410, 241, T_NAV_GROUP_bUpdateEditDataGroup, T_NAV_GROUP_vSaveGroupHeader, &s_Group,
               NAV_NONE, TRUE);
}

void T_NAV_GROUP_vEditGroup(U32) {
  const U16 id = WPM_u16HighlightedItem();
  const GROUP_SLOT* pSlot = WPM_bIsGroupId(id) ? T_NAV_pGetGroupSlot(id) : nullptr;
  if (pSlot == nullptr) return;
  memset(&s_Group, 0, sizeof s_Group);
  WPM_vGroupRows(pSlot->sHeader.sName, pSlot->sHeader.bHide, Save);
  WPM_vFooter(pSlot->sHeader.u32DateTime, nullptr);
  WPM_vInstall(Edit_Group, 410, 241, T_NAV_GROUP_bUpdateEditDataGroup, T_NAV_GROUP_vSaveGroupHeader, &s_Group, id,
               TRUE);
}

// ---------------------------------------------------------------------------
// Discarding an edit

static void WPM_vReenterShown(U16 highlight) {
  const U16 cur = g_WPM.u16CurrentGroupID;
  if (WPM_bIsGroupId(cur) || WPM_bIsRouteId(cur)) WPM_vEnterDirectory(cur, highlight);
}

static void WPM_vDiscardGroupEdit(void) {
  const U16 edited = g_WPM.u16CurrentEditGroupID;
  while (g_WPMEdit.u32UndoCount > 0 && g_WPMEdit.u32UndoCount <= WPM_UNDO_MAX) {
    const U32 e = g_WPMEdit.au32UndoList[--g_WPMEdit.u32UndoCount];
    if (e & WPM_UNDO_REMOVED) {
      T_NAV_GROUP_DATA_bAddLink(edited, (U16)e);
    } else {
      T_NAV_GROUP_DATA_bRemoveLink(edited, (U16)e);
    }
  }
  g_WPMEdit.u32UndoCount = 0;
  const U16 made = g_WPMEdit.u16GroupIndexBackupForDelete;
  if (WPM_bIsGroupId(made)) {
    if (T_NAV_GROUP_DATA_nGetDefaultGroup() == made) {
      T_NAV_GROUP_vSetNavUIRawNoteWithTimeout(WPM_pcText(Default_Group_Deleted), 2);
      const U16 root = T_NAV_GROUP_DATA_nGetRootGroup();
      T_NAV_GROUP_DATA_bSetDefaultGroup(root);
      H_DATABASE_bUpdateValueU32(FCID("SNDG"), (U32)root, P_NORMAL);
    }
    const GROUP_SLOT* pSlot = T_NAV_pGetGroupSlot(made);
    const U16 parent = pSlot != nullptr ? pSlot->sHeader.u16ParentIndex : NAV_NONE;
    if (parent != NAV_NONE) T_NAV_GROUP_DATA_bRemoveLink(parent, made);
    T_NAV_GROUP_DATA_vScanGroupForGarbageCollection(T_NAV_GROUP_DATA_nGetRootGroup());
    if (g_WPM.u16CurrentGroupID == made && parent != NAV_NONE) g_WPM.u16CurrentGroupID = parent;
    T_NAV_vActivateUpdateHideStatus();
    g_WPMEdit.u16GroupIndexBackupForDelete = NAV_NONE;
  }
}

static void WPM_vDiscardRouteEdit(void) {
  const U16 edited = g_WPMEdit.u16RouteIndexBackupForEdit;
  if (WPM_bIsRouteId(edited)) T_NAV_bSaveRoute(edited & 0x07FF, &g_WPMEdit.RouteBackupForEdit, FALSE);
  const U16 made = g_WPMEdit.u16RouteIndexBackupForDelete;
  if (WPM_bIsRouteId(made)) {
    if (g_WPMEdit.u16NewAddedItemParentGroupID != NAV_NONE) {
      T_NAV_GROUP_DATA_bRemoveLink(g_WPMEdit.u16NewAddedItemParentGroupID, made);
    }
    T_NAV_bDeleteRoute(made & 0x07FF, FALSE);
    if (g_WPM.u16CurrentGroupID == made && g_WPMEdit.u16NewAddedItemParentGroupID != NAV_NONE) {
      g_WPM.u16CurrentGroupID = g_WPMEdit.u16NewAddedItemParentGroupID;
    }
  }
  g_WPMEdit.u16RouteIndexBackupForEdit = NAV_NONE;
  g_WPMEdit.u16RouteIndexBackupForDelete = NAV_NONE;
  g_WPMEdit.u16NewAddedItemParentGroupID = NAV_NONE;
}

// The low bar's Save of a group or route edit: the links already stand in
// the store, so a group only forgets what it would have undone; a route is
// written with its points as they now are.
void T_NAV_GROUP_vSaveChanges(void) {
  switch (g_WPM.eMode) {
    case MODE_EDIT_GROUP:
      g_WPMEdit.u32UndoCount = 0;
      g_WPMEdit.u16GroupIndexBackupForDelete = NAV_NONE;
      break;
    case MODE_EDIT_ROUTE:
    case MODE_REORDER_WAYPOINT_IN_ROUTE: {
      const U16 id = g_WPM.u16CurrentEditGroupID;
      const ROUTE* pRoute = WPM_pRoute(id);
      if (pRoute != nullptr) {
        ROUTE copy = *pRoute;
        if (!T_NAV_bSaveRoute(id & 0x07FF, &copy, FALSE)) {
          WPM_vClick(FALSE);
          return;
        }
      }
      g_WPMEdit.u16RouteIndexBackupForEdit = NAV_NONE;
      g_WPMEdit.u16RouteIndexBackupForDelete = NAV_NONE;
      g_WPMEdit.u16NewAddedItemParentGroupID = NAV_NONE;
      break;
    }
    default:
      return;
  }
  // What the edit took out of the last group or route that held it goes
  // now, no longer while a discard could still want it back.
  T_NAV_GROUP_DATA_vScanGroupForGarbageCollection(T_NAV_GROUP_DATA_nGetRootGroup());
  WPM_vReenterShown(WPM_u16HighlightedItem());
  T_NAV_GROUP_vSwitchToBrowseMode();
  WPM_vClick(TRUE);
}

void T_NAV_GROUP_vDiscardChangesConfirm(void) {
  switch (g_WPM.eMode) {
    case MODE_EDIT_GROUP:
      WPM_vDiscardGroupEdit();
      break;
    case MODE_EDIT_ROUTE:
    case MODE_REORDER_WAYPOINT_IN_ROUTE:
      WPM_vDiscardRouteEdit();
      break;
    default:
      return;
  }
  g_WPM.eInputState = STATE_ITEM_LIST;
  WPM_vReenterShown(WPM_u16HighlightedItem());
  T_NAV_GROUP_vSwitchToBrowseMode();
}
