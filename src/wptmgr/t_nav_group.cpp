// The waypoint manager's window: opening and closing, the modes it returns
// to browsing from, new data, the timed note and its tick, reset and
// shutdown. Every group is still shown.

#include "t_nav_group.h"

#include <stdio.h>
#include <string.h>

#include "g_fonts.h"
#include "h_database.h"
#include "linuxsvc.h"
#include "t_chart.h"
#include "t_info.h"
#include "t_nav.h"
#include "t_nav_group_data.h"
#include "t_nav_group_edit.h"
#include "t_nav_group_priv.h"
#include "t_nav_group_sel.h"
#include "t_nav_store_hooks.h"
#include "t_nav_wpm.h"
#include "t_nav_twr.h"
#include "u_dialog.h"
#include "u_language.h"
#include "u_menu.h"
#include "u_view.h"
#include "u_wstring.h"
#include "ui_texts.h"

// ---------------------------------------------------------------------------
// The window

NAV_GROUP_WINDOW g_WPM = [] {
  NAV_GROUP_WINDOW w = {};
  w.u16CurrentGroupID = w.u16ParentGroupID = w.u16CurrentEditGroupID = NAV_NONE;
  w.u16MaxShowItems = 12;
  w.bNoteRestart = TRUE;
  return w;
}();

static POPUP_ALARMWINDOW s_Note, s_NoteLeft;

const char* WPM_pcText(const char* const* ppText) { return ppText[nCurrentLanguage()]; }

void WPM_vClick(BOOLEAN bAccepted) { L_SEMA_Signal(bAccepted ? SEMA_KEYCLICK_GOOD : SEMA_KEYCLICK_BAD); }


// Appends to dest of size bytes, cut to fit: a text already in the
// current language's form (a catalogue text or a name), or with bAscii an
// ASCII text, widened in a wide language. Which form a text has cannot be
// told from its bytes: a wide text may start with two ASCII-looking bytes.
static void WPM_vCat(char* dest, U32 size, const char* src, BOOLEAN bAscii = FALSE) {
  const U32 unit = U_WSTRING_bIsUnicodeLanguage() ? 2 : 1;
  const U32 used = U_WSTRING_u32w_strlen(dest, FALSE);
  if (used + unit >= size) return;
  const U32 room = (size - used - unit) & ~(unit - 1);
  if (room == 0) return;
  if (bAscii) {
    U_WSTRING_vAscii2UnicodeCat(dest, src, room);
  } else {
    U_WSTRING_vw_strncat(dest, src, room, FALSE);
  }
}

// "Default Group: " and the default group's path, its lowest names kept
// within 127 units.
static void WPM_vDefaultGroupLine(char* out, U32 size) {
  constexpr U32 kMaxNames = 64;
  char names[kMaxNames][NAV_WAYPOINT_NAME_SIZE + 2] = {};
  U32 count = 0, units = 0;
  const U32 unit = U_WSTRING_bIsUnicodeLanguage() ? 2 : 1;
  U16 id = T_NAV_GROUP_DATA_nGetDefaultGroup();
  for (U32 steps = 0; id != NAV_NONE && count < kMaxNames && steps < NAV_GROUP_MAX_PARENT_STEPS; steps++) {
    const GROUP_SLOT* s = WPM_bIsGroupId(id) ? T_NAV_pGetGroupSlot(id) : nullptr;
    if (s == nullptr || s->sHeader.u8Status != WPT_STATUS_GROUP_HEADER) break;
    char home[NAV_WAYPOINT_NAME_SIZE];
    memcpy(names[count], WPM_pcGroupName(&s->sHeader, home), NAV_WAYPOINT_NAME_SIZE);
    const U32 len = U_WSTRING_u32w_strlen(names[count], FALSE) / unit;
    if ((units + len + 1) * 2 > 127) break;
    units += len + 1;
    count++;
    id = s->sHeader.u16ParentIndex;
  }
  memset(out, 0, size);
  WPM_vJoinTexts(out, size, {WPM_pcText(Default_Group), ": "});
  for (U32 i = count; i-- > 0;) {
    WPM_vCat(out, size, names[i]);
    if (i > 0) WPM_vCat(out, size, "/", TRUE);
  }
}

void T_NAV_GROUP_vSwitchToBrowseMode(void) {
  WPM_vDefaultGroupLine(g_WPM.acInstructionText, sizeof g_WPM.acInstructionText);
  WPM_vJoinTexts(g_WPM.acHighBarText, sizeof g_WPM.acHighBarText,
                 {WPM_pcText(WPM_bIsRouteId(g_WPM.u16CurrentGroupID) ? Reverse : Sort_By)});
  WPM_vJoinTexts(g_WPM.acLowBarText, sizeof g_WPM.acLowBarText, {WPM_pcText(Options)});
  g_WPM.eMode = MODE_BROWSE;
  T_NAV_vActivateUpdateHideStatus();
}

void T_NAV_GROUP_vReturnToBrowseState(void) {
  T_NAV_GROUP_vSwitchToBrowseMode();
  g_WPM.u16HighlightIndex = 0;
  g_WPM.eInputState = STATE_ITEM_LIST;
  WPM_vEnterDirectory(g_WPM.u16CurrentGroupID, NAV_NONE);
}

void T_NAV_GROUP_vSetup(void) {
  L_MUTEX_LockWait(RES_NAV_DATA);
  T_MENU_vUpdateActivateMenu(MAIN_GRP_MENU);
  T_NAV_GROUP_vSwitchToBrowseMode();
  g_WPM.u16HighlightIndex = 0;
  g_WPM.eInputState = STATE_ITEM_LIST;
  g_WPM.u16MaxShowItems = 6;
  g_WPM.u16PathDepth = 1;
  g_WPM.pPopupWindow = nullptr;
  // Where item menus open until the list has been drawn once.
  g_WPM.ptItemListRightClickMenu = {391, 331};
  const U16 def = T_NAV_GROUP_DATA_nGetDefaultGroup();
  if (WPM_bIsGroupId(def)) {
    T_NAV_GROUP_bEnterGroup(def, NAV_NONE);
    WPM_vRebuildPath(def);
  } else if (WPM_bIsRouteId(def)) {
    T_NAV_GROUP_bEnterRoute(def, NAV_NONE);
  }
  T_NAV_GROUP_vComputeChartScale();
  T_NAV_GROUP_vSwitchToBrowseMode();
  U_KEYBOARD_bRegisterKeys(M_NAV, 0xFFEF, KEY_DOWN, FALSE, FALSE, NOT_CURSOR_KEY, REGISTER_DIALOG_BOX);
  U_KEYBOARD_bRegisterKeys(M_NAV, HKEY_MASK_CURSOR, KEY_DOWN, TRUE, TRUE, CURSOR_4, REGISTER_DIALOG_BOX);
  U_VIEW_bRegisterLayer(T_NAV_GROUP_vRender, NAV_GROUP_MAIN_LAYER, USED_BY_ALL, 0, 0, TRUE, nullptr, nullptr,
                        nullptr);
  g_WPM.bWindowUp = TRUE;
  T_CHART_vEnableChartInPopupWindow(TRUE);
  L_MUTEX_Unlock(RES_NAV_DATA);
  L_SEMA_Signal(SEMA_KEYCLICK_GOOD);
}

static void WPM_vClose(BOOLEAN bCollect) {
  g_WPM.eInputState = STATE_SLEEP;
  g_WPM.pPopupWindow = nullptr;
  if (bCollect) T_NAV_GROUP_DATA_vScanGroupForGarbageCollection(T_NAV_GROUP_DATA_nGetRootGroup());
  T_CHART_vEnableChartInPopupWindow(FALSE);
  U_KEYBOARD_bUnregisterKeys(M_NAV, 0xFFFE);
  U_VIEW_bUnRegisterLayer(NAV_GROUP_MAIN_LAYER);
}

void T_NAV_GROUP_vExitMainWindow(void) {
  WPM_vClose(TRUE);
  g_WPM.bWindowUp = FALSE;
  T_MENU_vUpdateActivateMenu(NO_MENU);
}

void T_NAV_GROUP_vReset(U32) {
  L_MUTEX_LockWait(RES_NAV_DATA);
  if (g_WPM.eInputState != STATE_SLEEP) T_NAV_GROUP_vExitMainWindow();
  L_MUTEX_Unlock(RES_NAV_DATA);
}

void T_NAV_GROUP_vShutdown(void) {
  L_MUTEX_LockWait(RES_NAV_DATA);
  if (g_WPM.eInputState != STATE_SLEEP) WPM_vClose(FALSE);
  L_MUTEX_Unlock(RES_NAV_DATA);
}

BOOLEAN T_NAV_GROUP_bIsWPMWindowUp(void) { return g_WPM.bWindowUp; }

BOOLEAN T_NAV_GROUP_vKeepInputStateMode(void) { return g_WPM.eInputState == STATE_SLEEP; }

void T_NAV_GROUP_vSetCurrentHighlight(U16 nUid) {
  L_MUTEX_LockWait(RES_NAV_DATA);
  g_WPM.u16NewMarkedWpUid = nUid;
  L_MUTEX_Unlock(RES_NAV_DATA);
}

static void GROUP_vMarkIcon(BOOLEAN bVesselMark) {
  if (bVesselMark) {
    T_NAV_GROUP_vSelectWaypointIconForVesselMark();
  } else {
    T_NAV_GROUP_vSelectWaypointIconForMark();
  }
}

static void GROUP_vStoreReloaded(void) {
  if (!T_NAV_GROUP_vKeepInputStateMode()) T_NAV_GROUP_vRefreshData();
}

void T_NAV_GROUP_vRegisterHooks(void) {
  T_NAV_STORE_bRegisterStoreReloaded(GROUP_vStoreReloaded);
  T_NAV_STORE_bRegisterNote(T_NAV_GROUP_vSetNavUIRawNoteWithTimeout);
  T_NAV_STORE_bRegisterLinkCopy(T_NAV_GROUP_u16CopyContentForAddLink);
  T_NAV_STORE_bRegisterExportChoice(T_NAV_GROUP_vExportSelectedDataItems);
  T_INFO_bRegisterWaypointManagerOpen(T_NAV_GROUP_bIsWPMWindowUp);
  T_NAV_WPM_bRegisterOpenWindow(T_NAV_GROUP_vSetup);
  T_NAV_WPM_bRegisterOpenSettings(T_NAV_GROUP_vWaypointSettings_Setup);
  T_NAV_WPM_bRegisterKeys(T_NAV_GROUP_bHandleKeys);
  T_NAV_WPM_bRegisterNotice(T_NAV_GROUP_vHandleNewData);
  T_NAV_WPM_bRegisterTick(T_NAV_vHandleUpdateNAVUITimer);
  T_NAV_WPM_bRegisterShutdown(T_NAV_GROUP_vShutdown);
  T_NAV_WPM_bRegisterReset(T_NAV_GROUP_vReset);
  T_NAV_WPM_bRegisterMarkIcon(GROUP_vMarkIcon);
  T_NAV_WPM_bRegisterHighlight(T_NAV_GROUP_vSetCurrentHighlight);
  T_NAV_WPM_bRegisterEditWaypoint(T_NAV_GROUP_bVerifyAndEditSpecifiedWaypoint_Setup);
  T_NAV_WPM_bRegisterEditRoute(T_NAV_GROUP_bVerifyAndEditSpecifiedRoute_Setup);
  T_NAV_WPM_bRegisterRemoveEverywhere(T_NAV_GROUP_vDeleteAllInstancesFromGroup);
}

void T_NAV_GROUP_vRefreshData(void) {
  L_MUTEX_LockWait(RES_NAV_DATA);
  const U16 def = T_NAV_GROUP_DATA_nGetDefaultGroup();
  WPM_vEnterDirectory(def, NAV_NONE);
  if (!WPM_bIsRouteId(def)) WPM_vRebuildPath(def);
  WPM_vDefaultGroupLine(g_WPM.acInstructionText, sizeof g_WPM.acInstructionText);
  g_WPM.u16HighlightIndex = NAV_NONE;
  L_MUTEX_Unlock(RES_NAV_DATA);
}

// ---------------------------------------------------------------------------
// New data

void T_NAV_GROUP_vHandleNewData(const void* pMessage) {
  const MESSAGE_NEW_DATA* p = (const MESSAGE_NEW_DATA*)pMessage;
  if (p == nullptr) return;
  L_MUTEX_LockWait(RES_NAV_DATA);
  BOOLEAN bNoteDown = FALSE, bRedraw = FALSE;
  if (g_WPM.pPopupAlarmWindow != nullptr && g_WPM.pPopupAlarmWindow->pExitHandleFunc != nullptr) {
    WPM_vTakeNoteDown();
    bNoteDown = TRUE;
  }
  if (g_WPM.eInputState == STATE_SLEEP ||
      (g_WPM.pPopupWindow != nullptr && g_WPM.pPopupWindow->bActive && g_WPM.pPopupWindow->pKeyHandleFunc != nullptr)) {
    L_MUTEX_Unlock(RES_NAV_DATA);
    return;
  }
  if (p->FourCharId == FCID("CLWC")) {
    const S32 wp = p->dbValue.s32Val;
    g_WPM.eInputState = STATE_ITEM_LIST;
    WPM_vEnterDirectory(g_WPM.u16CurrentGroupID, (wp >= 0 && wp < (S32)NAV_MAX_WAYPOINTS) ? (U16)wp : NAV_NONE);
    bRedraw = TRUE;
  } else {
    if (p->FourCharId == FCID("CLRT")) {
      log_me("[%d]%s: last saved route index = %d\n", __LINE__, "T_NAV_GROUP_vHandleNewData", (int)p->dbValue.s32Val);
    }
    bRedraw = bNoteDown;
  }
  L_MUTEX_Unlock(RES_NAV_DATA);
  if (bRedraw) L_SEMA_Signal(SEMA_VIEW_UPDATE);
}

// ---------------------------------------------------------------------------
// The timed note

static void WPM_vSetNote(POPUP_ALARMWINDOW* pNote, POPUP_DRAW pDraw, const char* text, U32 seconds) {
  L_MUTEX_LockWait(RES_NAV_DATA);
  memset(pNote, 0, sizeof *pNote);
  // A copy, not the caller's pointer: the store builds its notes on its stack.
  memset(g_WPM.acNote, 0, sizeof g_WPM.acNote);
  if (text != nullptr) WPM_vCat(g_WPM.acNote, sizeof g_WPM.acNote, text);
  pNote->parent.pDrawFunc = pDraw;
  pNote->parent.bActive = TRUE;
  pNote->pStrMessage = g_WPM.acNote;
  pNote->nUINoteCountdown = seconds;
  pNote->pExitHandleFunc = T_NAV_GROUP_vExitAlarmMessage;
  g_WPM.pPopupAlarmWindow = pNote;
  g_WPM.bNoteRestart = TRUE;
  L_MUTEX_Unlock(RES_NAV_DATA);
}

static void WPM_vDrawNote(POPUP_WINDOW* pWin, BITMAP* pBitmap, JUSTIFICATION eText) {
  const POPUP_ALARMWINDOW* p = (const POPUP_ALARMWINDOW*)pWin;
  const FONT_DEF* pFont = U_WSTRING_bIsUnicodeLanguage() ? arialuni_size14_font_def_ptr : myriad_pro_bold_size14_font_def_ptr;
  U_DIALOG_vDrawDialog(pBitmap, p->pStrMessage, pFont, nullptr, nullptr, eText, JUSTIFICATION_CENTER);
}

static void T_NAV_GROUP_vDrawAlarmMessage(POPUP_WINDOW* pWin, BITMAP* pBitmap) {
  WPM_vDrawNote(pWin, pBitmap, JUSTIFICATION_CENTER);
}
static void T_NAV_GROUP_vDrawAlarmMessageLeft(POPUP_WINDOW* pWin, BITMAP* pBitmap) {
  WPM_vDrawNote(pWin, pBitmap, JUSTIFICATION_LEFT);
}

void T_NAV_GROUP_vSetNavUIRawNoteWithTimeout(const char* text, U32 seconds) {
  WPM_vSetNote(&s_Note, T_NAV_GROUP_vDrawAlarmMessage, text, seconds);
}

void T_NAV_GROUP_vSetNavUIRawNoteLeftWithTimeout(const char* text, U32 seconds) {
  WPM_vSetNote(&s_NoteLeft, T_NAV_GROUP_vDrawAlarmMessageLeft, text, seconds);
}

BOOLEAN T_NAV_GROUP_vExitAlarmMessage(void) {
  if (g_WPM.pPopupAlarmWindow != nullptr && g_WPM.pPopupAlarmWindow->parent.bActive) g_WPM.pPopupAlarmWindow = nullptr;
  return TRUE;
}

void WPM_vTakeNoteDown(void) {
  if (g_WPM.pPopupAlarmWindow != nullptr && g_WPM.pPopupAlarmWindow->pExitHandleFunc != nullptr) {
    g_WPM.pPopupAlarmWindow->pExitHandleFunc();
  }
  g_WPM.bNoteRestart = TRUE;
}

void T_NAV_vHandleUpdateNAVUITimer(void) {
  L_MUTEX_LockWait(RES_NAV_DATA);
  g_WPM.u32NavTimerCount = g_WPM.u32NavTimerCount >= 65535 ? 0 : g_WPM.u32NavTimerCount + 1;
  const POPUP_ALARMWINDOW* p = g_WPM.pPopupAlarmWindow;
  if (p != nullptr && p->parent.bActive && p->nUINoteCountdown >= 1 && p->nUINoteCountdown <= 65534) {
    if (g_WPM.bNoteRestart) {
      g_WPM.u32NavTimerCount = 0;
      g_WPM.bNoteRestart = FALSE;
    } else if (g_WPM.u32NavTimerCount == p->nUINoteCountdown) {
      WPM_vTakeNoteDown();
    }
  }
  L_MUTEX_Unlock(RES_NAV_DATA);
}
