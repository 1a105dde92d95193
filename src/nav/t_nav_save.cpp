// Turning live navigation into stored records and throwing records away:
// saving the current route and track, track recording on and off, deleting
// all saved data, wiping the store, and the notices shown meanwhile.

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "g_fontdata.h"
#include "h_database.h"
#include "h_memory.h"
#include "linuxsvc.h"
#include "t_info.h"
#include "t_messagebox.h"
#include "t_nav_alarm.h"
#include "t_nav_group_data.h"
#include "t_nav_group_store.h"
#include "t_nav_int.h"
#include "t_nav_nvram_flash.h"
#include "t_nav_views.h"
#include "t_view.h"
#include "u_dialog.h"
#include "u_language.h"
#include "u_nav.h"
#include "u_nav_edit.h"
#include "u_shutdown.h"
#include "u_view.h"
#include "u_wstring.h"
#include "ui_texts.h"

constexpr LAYER_ID NAV_BUSY_LAYER = (LAYER_ID)318;
constexpr LAYER_ID NAV_FORMAT_LAYER = (LAYER_ID)308;

static BOOLEAN s_bProcessingData;

static void SAVE_vClick(BOOLEAN bGood) { L_SEMA_Signal(bGood ? SEMA_KEYCLICK_GOOD : SEMA_KEYCLICK_BAD); }
static const char* SAVE_pText(const char* const* pTable) { return pTable[nCurrentLanguage()]; }

// ---------------------------------------------------------------------------
// The current route

// The route's id in the group tree; 65535 beyond the route table.
static U16 SAVE_u16RouteId(U16 u16Index) {
  return u16Index < NAV_MAX_ROUTES ? (U16)(NAV_ITEM_ROUTE_BASE | (u16Index & 0x37FF)) : NAV_NONE;
}
static U16 SAVE_u16TrackId(U16 u16Index) {
  return u16Index < NAV_MAX_TRACKS
             ? (U16)(NAV_ITEM_TRACK_BASE | (u16Index & 0x203F) | T_NAV_GROUP_DATA_u16Getu7UnitID())
             : NAV_NONE;
}

U32 NAV_u32RecordDate(void) {
  U32 now = 0;
  BOOLEAN bValid = FALSE;
  return H_DATABASE_bFetchU32(FCID("IDTM"), &now, &bValid, nullptr) && bValid && now != 0 ? now : 1;
}

void T_NAV_vSaveCurrentRoute(void) {
  L_MUTEX_LockWait(RES_NAV_DATA);
  ROUTE* current = &g_NAV.CurrentRoute;
  if (current->nCount == 0) {
    L_MUTEX_Unlock(RES_NAV_DATA);
    SAVE_vClick(TRUE);
    return;
  }
  // 1. The first point is where navigation started.
  ROUTE route;
  memset(&route, 0, sizeof route);
  route.nCount = current->nCount - 1;
  for (U32 i = 1; i < current->nCount; i++) {
    route.anWaypoint[i - 1] = current->anWaypoint[i];
    T_NAV_bMakeWaypointPermanent(current->anWaypoint[i]);
  }
  g_NAV.bUpdateHideStatus = true;
  // 2.
  const U16 replace = g_NAV.u16UnifiedRouteSave;
  if (replace == NAV_NONE) {
    const char* name = T_NAV_GROUP_pGetDefaultRouteName();
    if (name == nullptr) {
      L_MUTEX_Unlock(RES_NAV_DATA);
      T_NAV_vSetNavUIError(No_Routes);
      SAVE_vClick(FALSE);
      return;
    }
    // The name comes widened already in the wide languages.
    memcpy(route.sName, name, NAV_ROUTE_NAME_SIZE);
    memcpy(current->sName, name, NAV_ROUTE_NAME_SIZE);
    route.u32DateTime = NAV_u32RecordDate();
  } else {
    memcpy(route.sName, current->sName, NAV_ROUTE_NAME_SIZE);
    route.u32DateTime = current->u32DateTime != 0 ? current->u32DateTime : NAV_u32RecordDate();
  }
  // 3. A route no group holds would go at the next collection.
  const U16 index = T_NAV_nAddRoute(&route);
  const BOOLEAN bLinked = index != NAV_NONE &&
                          T_NAV_GROUP_DATA_bAddLink(T_NAV_GROUP_DATA_nGetDefaultGroup(), SAVE_u16RouteId(index));
  if (index != NAV_NONE && !bLinked) T_NAV_bDeleteRoute(index, FALSE);
  char name[NAV_ROUTE_NAME_SIZE + 1] = {};
  if (bLinked) memcpy(name, T_NAV_pGetRoute(index)->sName, NAV_ROUTE_NAME_SIZE);
  // 4.
  if (replace != NAV_NONE) {
    T_NAV_bDeleteRoute(replace, FALSE);
    g_NAV.u16UnifiedRouteSave = NAV_NONE;
  }
  L_MUTEX_Unlock(RES_NAV_DATA);
  if (!bLinked) {
    T_NAV_vSetNavUIError(No_Routes);
    SAVE_vClick(FALSE);
    return;
  }
  T_NAV_vSetNavUINote(Route_Saved, name, FALSE);
  SAVE_vClick(TRUE);
}

// ---------------------------------------------------------------------------
// The current track

static void SAVE_vClearTrack(void) {
  U_NAV_vClearTrack(&g_NAV.CurrentTrack.sHeader);
  T_NAV_NVRAM_vEraseCurrentTrack();
}

void T_NAV_vSaveCurrentTrack(void) {
  // Without a clock the store names the track.
  const U32 now = NAV_u32RecordDate();
  char name[2 * 40 + 2] = {};
  char* pName = nullptr;
  if (now != 1) {
    char sTime[40] = {}, sDate[40] = {};
    T_INFO_vFormatTimeAscii((time_t)now, FALSE, FALSE, sTime, sDate, nullptr, FALSE);
    snprintf(name, sizeof name, "%s %s", sDate, sTime);
    pName = name;
  }
  L_MUTEX_LockWait(RES_NAV_DATA);
  const U16 index = T_NAV_nAddTrack(&g_NAV.CurrentTrack, now, pName, FALSE);
  const BOOLEAN bLinked = index != NAV_NONE &&
                          T_NAV_GROUP_DATA_bAddLink(T_NAV_GROUP_DATA_nGetDefaultGroup(), SAVE_u16TrackId(index));
  // A track no group holds would go at the next collection; the current
  // track stays as it is then.
  if (index != NAV_NONE && !bLinked) T_NAV_bDeleteTrack(index, FALSE);
  char saved[TRACK_NAME_SIZE + 1] = {};
  if (bLinked) {
    T_NAV_vCopyTrackInfo(index, saved, sizeof saved, nullptr, nullptr);
    SAVE_vClearTrack();
  }
  L_MUTEX_Unlock(RES_NAV_DATA);
  if (!bLinked) {
    T_NAV_vSetNavUIError(No_Tracks);
    SAVE_vClick(FALSE);
    return;
  }
  T_NAV_vSetNavUINote(Track_Saved, saved, FALSE);
  SAVE_vClick(TRUE);
}

void T_NAV_vClearCurrentTrack(void) {
  L_MUTEX_LockWait(RES_NAV_DATA);
  SAVE_vClearTrack();
  L_MUTEX_Unlock(RES_NAV_DATA);
  SAVE_vClick(TRUE);
}

void T_NAV_vCurrentTrackAppearance(void) {
  T_NAV_EDIT_vCurrentTrackAppearanceSetup();
  SAVE_vClick(TRUE);
}
void T_NAV_vTrackDefaults(void) {
  T_NAV_EDIT_vTrackDefaultsSetup();
  SAVE_vClick(TRUE);
}

void NAV_vTrackRecording(BOOLEAN bOn) {
  static const MENU_TEXT s_aRecording[] = {Save, Clear, Appearance, Stop_Tracking};
  static const MENU_ACTION s_apfnRecording[] = {T_NAV_vSaveCurrentTrack, T_NAV_vClearCurrentTrack,
                                                T_NAV_vCurrentTrackAppearance, T_NAV_vStopTrack};
  static const BOOLEAN s_abRecording[] = {TRUE, TRUE, FALSE, FALSE};
  static const MENU_TEXT s_aStopped[] = {Appearance, Start_Tracking};
  static const MENU_ACTION s_apfnStopped[] = {T_NAV_vCurrentTrackAppearance, T_NAV_vStartTrack};
  static const BOOLEAN s_abStopped[] = {FALSE, FALSE};
  U_MENU_bUnregisterMainMenuItem(Current_Track, Nav);
  if (bOn) {
    U_MENU_bRegisterMainActionListMenu(Current_Track, Nav, 191, s_aRecording, s_apfnRecording, 4, M_BASIC, 0,
                                       s_abRecording);
  } else {
    U_MENU_bRegisterMainActionListMenu(Current_Track, Nav, 191, s_aStopped, s_apfnStopped, 2, M_BASIC, 0,
                                       s_abStopped);
  }
  NAV_vRegisterTrackMenus(bOn);
  g_NAV.bTrackEnable = bOn;
  H_DATABASE_bUpdateEverythingBoolean(FCID("CTRE"), bOn, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
}

void T_NAV_vStartTrack(void) {
  NAV_vTrackRecording(TRUE);
  SAVE_vClick(TRUE);
}

void T_NAV_vStopTrack(void) {
  L_MUTEX_LockWait(RES_NAV_DATA);
  SAVE_vClearTrack();
  L_MUTEX_Unlock(RES_NAV_DATA);
  SAVE_vClick(TRUE);
  NAV_vTrackRecording(FALSE);
  T_NAV_vSetNavUINote(Track_cleared, nullptr, FALSE);
  SAVE_vClick(TRUE);
}

// ---------------------------------------------------------------------------
// Deleting and wiping

static void SAVE_vRestartNameCounters(void) {
  static const FOURCHARID s_aOne[] = {FCID("SGID"), FCID("SWCN"), FCID("SRCN")};
  for (FOURCHARID id : s_aOne) H_DATABASE_bUpdateValueS32(id, 1, P_NORMAL);
  H_DATABASE_bUpdateValueS32(FCID("SWID"), 0, P_NORMAL);
}

void T_NAV_vDeleteAllNavData(void) {
  SAVE_vRestartNameCounters();
  U32 leg = 0;
  if (H_DATABASE_bFetchU32(FCID("INIP"), &leg, nullptr, nullptr) && leg != 0) {
    T_NAV_vSetNavUINote(Delete_Canceled_By_Nav, nullptr, FALSE);
    SAVE_vClick(FALSE);
    return;
  }
  T_MESSAGEBOX_vSetupConfMessageWithTitle(SAVE_pText(Delete_All_Saved_Tracks_and_Waypoints), nullptr,
                                          T_NAV_vDoDeleteAllNavData, TRUE, 0);
  SAVE_vClick(TRUE);
}

void T_NAV_vDoDeleteAllNavData(void) {
  SAVE_vRestartNameCounters();
  T_NAV_vStartBusy();
  L_MUTEX_LockWait(RES_NAV_DATA);
  T_NAV_vDeleteAllTracksWaypointsRoutes(FALSE);
  L_MUTEX_Unlock(RES_NAV_DATA);
  T_NAV_vStopBusy();
  SAVE_vClick(TRUE);
}

// The wipe runs in the navigation task, which owns the store: the answer
// only asks it to.
static void SAVE_vAskForWipe(void) {
  GENERIC_MESSAGE* pMsg = (GENERIC_MESSAGE*)H_MEMORY_pvMallocNoWait(sizeof(GENERIC_MESSAGE));
  if (pMsg == nullptr) return;
  memset(pMsg, 0, sizeof *pMsg);
  pMsg->Cmd = CMD_ID_NAV_WIPE_FLASH;
  if (L_MBOX_Send(M_NAV, pMsg, 3, 0) != 0) H_MEMORY_vFree(pMsg);
}

void T_NAV_vWipeNav(void) {
  T_MESSAGEBOX_vSetupConfMessageWithTitle(SAVE_pText(Continue_Format_Nav_Directories), nullptr, SAVE_vAskForWipe,
                                          TRUE, 0);
  SAVE_vClick(TRUE);
}

void T_NAV_bWipeFlash(void) {
  static const FOURCHARID s_aNoKill[] = {FCID("TVUE"), FCID("TDSP"), 0};
  SAVE_vClick(TRUE);
  U_VIEW_bRegisterLayer(T_NAV_vBusyFormatNoticeDisplay, NAV_FORMAT_LAYER, USED_BY_ALL, 0, 0, TRUE, nullptr, nullptr,
                        nullptr);
  T_VIEW_vRequestExpeditedViewUpdate();
  L_CLOCK_Sleep(1000);
  // No key may be taken once the store is going.
  L_TASK_Terminate(8);
  L_MUTEX_LockWait(RES_NAV_DATA);
  T_NAV_NVRAM_vErase();
  T_NAV_NVRAM_vInit();
  L_MUTEX_Unlock(RES_NAV_DATA);
  U_SHUTDOWN_vShutdown(s_aNoKill);
  exit(5);
}

// ---------------------------------------------------------------------------
// Notices

void T_NAV_vStartBusy(void) {
  s_bProcessingData = TRUE;
  U_VIEW_bRegisterLayer(T_NAV_vBusyNoticeDisplay, NAV_BUSY_LAYER, USED_BY_ALL, 0, 0, TRUE, nullptr, nullptr, nullptr);
  T_VIEW_vRequestExpeditedViewUpdate();
  L_CLOCK_Sleep(1000);
}

void T_NAV_vStopBusy(void) {
  s_bProcessingData = FALSE;
  U_VIEW_bUnRegisterLayer(NAV_BUSY_LAYER);
}

BOOLEAN T_NAV_bIsBusyNotice(void) { return s_bProcessingData; }
void T_NAV_vSetBusyNotice(BOOLEAN bBusy) { s_bProcessingData = bBusy; }
void T_NAV_vRefreshBusy(void) {}

static void SAVE_vNotice(BITMAP* pBitmap, const char* const* pText) {
  if (pBitmap == nullptr) return;
  const FONT_DEF* pFont =
      U_WSTRING_bIsUnicodeLanguage() ? arialuni_size14_font_def_ptr : myriad_pro_bold_size14_font_def_ptr;
  U_DIALOG_vDrawDialog(pBitmap, SAVE_pText(pText), pFont, nullptr, nullptr, JUSTIFICATION_CENTER,
                       JUSTIFICATION_CENTER);
}

void T_NAV_vBusyNoticeDisplay(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER psWindowSpec) {
  (void)psWindowSpec;
  SAVE_vNotice(pBitmap, Processing_tracks_waypoints_and_routes);
}
void T_NAV_vBusyFormatNoticeDisplay(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER psWindowSpec) {
  (void)psWindowSpec;
  SAVE_vNotice(pBitmap, Formatting_Unit_will_reboot);
}
void T_NAV_vTrackMemoryWarning(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER psWindowSpec) {
  (void)psWindowSpec;
  SAVE_vNotice(pBitmap, Track_will_record_10_more_minutes);
}
