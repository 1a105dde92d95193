// Marks: a waypoint made at once at the cursor or at the boat, linked into
// the default group so that it lives; and the edit and delete entries of the
// cursor-waypoint and last-waypoint menus.

#include <math.h>
#include <string.h>

#include "h_database.h"
#include "linuxsvc.h"
#include "t_n_history.h"
#include "t_nav_alarm.h"
#include "t_nav_group_data.h"
#include "t_nav_group_store.h"
#include "t_nav_int.h"
#include "t_nav_nvram_flash.h"
#include "t_nav_views.h"
#include "t_nav_wpm.h"
#include "u_storefault.h"
#include "u_view.h"
#include "u_wstring.h"
#include "ui_texts.h"

constexpr float NAV_MAX_DEPTH = 655.35f;

static BOOLEAN s_bMarkMenu;

static BOOLEAN MARK_bActive(void) {
  BOOLEAN b = FALSE;
  return H_DATABASE_bFetchBoolean(FCID("ICAC"), &b, nullptr, nullptr) && b;
}

static U16 MARK_u16Depth(float depth) {
  if (!isfinite(depth) || depth <= 0.0f) return 0;
  return (U16)lrintf((depth > NAV_MAX_DEPTH ? NAV_MAX_DEPTH : depth) * 100.0f);
}

// The boat's depth when it is valid, else 0.
static U16 MARK_u16BoatDepth(void) {
  float depth = 0.0f;
  BOOLEAN bValid = FALSE;
  return H_DATABASE_bFetchFloat(FCID("IDEP"), &depth, &bValid, nullptr) && bValid ? MARK_u16Depth(depth) : 0;
}

static BOOLEAN MARK_bBoat(POINT* pt) {
  if (NAV_bBoat(pt)) return TRUE;
  T_NAV_vSetNavUIError(Fix_Required);
  L_SEMA_Signal(SEMA_KEYCLICK_BAD);
  return FALSE;
}

static BOOLEAN MARK_bCursor(POINT* pt) {
  S32 lat = 0, lon = 0;
  if (!H_DATABASE_bFetchS32(FCID("ICLT"), &lat, nullptr, nullptr) ||
      !H_DATABASE_bFetchS32(FCID("ICLN"), &lon, nullptr, nullptr)) {
    return FALSE;
  }
  *pt = {lon, lat};
  return TRUE;
}

static BOOLEAN MARK_bSonarCursor(void) {
  BOOLEAN bPlaced = FALSE;
  return T_N_HISTORY_bIsMyCursorView(UNKNOWN_VIEW, UNKNOWN_SPLIT) &&
         H_DATABASE_bFetchBoolean(FCID("ICLV"), &bPlaced, nullptr, nullptr) && bPlaced;
}

// Where a mark goes and the depth it records; FALSE (refused) when there is
// no such place.
static BOOLEAN MARK_bWhere(POINT* pt, U16* pu16Depth, BOOLEAN bVesselPosition) {
  *pu16Depth = 0;
  if (bVesselPosition || !MARK_bActive()) {
    if (!MARK_bBoat(pt)) return FALSE;
    *pu16Depth = MARK_u16BoatDepth();
    return TRUE;
  }
  float depth = 0.0f;
  if (T_NAV_bIsMyChartCursorView(UNKNOWN_VIEW, UNKNOWN_SPLIT) && MARK_bCursor(pt)) return TRUE;
  if (!T_NAV_bIsMyChartCursorView(UNKNOWN_VIEW, UNKNOWN_SPLIT) && MARK_bSonarCursor() && MARK_bCursor(pt) &&
      H_DATABASE_bFetchFloat(FCID("ICDP"), &depth, nullptr, nullptr)) {
    *pu16Depth = MARK_u16Depth(depth);
    return TRUE;
  }
  L_SEMA_Signal(SEMA_KEYCLICK_BAD);
  return FALSE;
}

// A note naming the waypoint; the name is read under the store's lock.
static void MARK_vNote(const char* const* pText, U16 u16Index) {
  char name[NAV_WAYPOINT_NAME_SIZE * 2 + 2] = {};
  L_MUTEX_LockWait(RES_NAV_DATA);
  T_NAV_vCopyWaypointName(u16Index, name, sizeof name);
  T_NAV_vSetNavUINote(pText, name, TRUE);
  L_MUTEX_Unlock(RES_NAV_DATA);
}

// Adds the waypoint and links it so that the next collection keeps it; the
// index, or NAV_NONE (with the error shown) when the store has no room.
static U16 MARK_u16Add(const char* sName, U8 u8Icon, POINT pt, U16 u16Depth) {
  WAYPOINT w;
  memset(&w, 0, sizeof w);
  w.u8Status = WPT_STATUS_SAVED;
  w.u8Icon = u8Icon;
  w.u16Depth = u16Depth;
  w.u32DateTime = NAV_u32RecordDate();
  w.pt = pt;
  if (sName != nullptr) {
    const size_t limit = U_WSTRING_bIsUnicodeLanguage() ? 10 : NAV_WAYPOINT_NAME_SIZE;
    memcpy(w.sName, sName, strnlen(sName, limit));
  }
  const U32 u32Refused = U_STOREFAULT_u32Count(STORE_FAULT_CAUSES);
  L_MUTEX_LockWait(RES_NAV_DATA);
  const U64 u64Before = T_NAV_NVRAM_u64WritesNumbered();
  const U16 group = T_NAV_GROUP_DATA_nGetDefaultGroup();
  w.bWpNotShared = T_NAV_bIsNotSharedLinkEX(nullptr, group) ? 1 : 0;
  const U16 index = T_NAV_nAddWaypoint(&w, FALSE);
  BOOLEAN bLinked = index != NAV_NONE &&
                    T_NAV_GROUP_DATA_bAddLink(group, index < NAV_MAX_WAYPOINTS ? index : NAV_NONE);
  // A waypoint no group holds would go at the next collection: it is not
  // made at all.
  if (index != NAV_NONE && !bLinked) T_NAV_bDeleteWaypoint(index, FALSE);
  L_MUTEX_Unlock(RES_NAV_DATA);
  // The files land as the lock is let go. One the medium refused there
  // leaves a waypoint a restart would not find: the table lets it go too.
  if (bLinked && T_NAV_NVRAM_bWritesFailed(u64Before, T_NAV_NVRAM_u64NewestWrite())) {
    L_MUTEX_LockWait(RES_NAV_DATA);
    T_NAV_GROUP_DATA_bRemoveLink(group, index);
    T_NAV_bDeleteWaypoint(index, FALSE);
    L_MUTEX_Unlock(RES_NAV_DATA);
    bLinked = FALSE;
  }
  if (!bLinked) {
    // A store that refused the write is not out of waypoint memory. It is
    // told by the store's own note, which the refusal may just have raised:
    // one note, where an error banner of the same words came on top of it.
    if (U_STOREFAULT_u32Count(STORE_FAULT_CAUSES) != u32Refused) {
      U_STOREFAULT_vNote(U_STOREFAULT_ppcLastCauseText());
    } else {
      T_NAV_vSetNavUIError(No_Waypoints);
    }
    L_SEMA_Signal(SEMA_KEYCLICK_BAD);
    return NAV_NONE;
  }
  T_NAV_GROUP_vSetWaypointVisible(index);
  return index;
}

// Steps 3 to 6 of a mark: refuses a second waypoint at one place, else adds
// one.
static void MARK_vAt(const char* sName, U8 u8Icon, POINT pt, U16 u16Depth, BOOLEAN* pbHandled) {
  const U16 existing = T_NAV_nFindWaypointAtPosition(pt, TRUE);
  if (pbHandled != nullptr) *pbHandled = TRUE;
  if (existing != NAV_NONE) {
    MARK_vNote(Waypoint_Already_Exists, existing);
    L_SEMA_Signal(SEMA_KEYCLICK_GOOD);
    L_SEMA_Signal(SEMA_VIEW_UPDATE);
    return;
  }
  const U16 index = MARK_u16Add(sName, u8Icon, pt, u16Depth);
  if (index == NAV_NONE) return;
  T_NAV_WPM_vHighlight(index);
  MARK_vNote(Waypoint_Created, index);
  if (MARK_bActive()) T_NAV_vUpdateCursorWaypoint(index);
  L_SEMA_Signal(SEMA_VIEW_UPDATE);
  L_SEMA_Signal(SEMA_KEYCLICK_GOOD);
}

void T_NAV_vHandleNamedMarkWithIcon(const char* sWaypointName, U8 u8Icon, POINT* ptPos, BOOLEAN* pbHandled) {
  (void)ptPos;
  if (pbHandled != nullptr) *pbHandled = FALSE;
  POINT pt;
  U16 depth = 0;
  if (!MARK_bWhere(&pt, &depth, FALSE)) return;
  MARK_vAt(sWaypointName, u8Icon, pt, depth, pbHandled);
}

void T_NAV_vHandleNamedMark(const char* sWaypointName) {
  T_NAV_vHandleNamedMarkWithIcon(sWaypointName, 0, nullptr, nullptr);
}

void T_NAV_vHandleNamedMarkWithoutUpdatingPos(const char* sWaypointName, U8 u8Icon, POINT* ptPos,
                                              BOOLEAN* pbHandled) {
  if (pbHandled != nullptr) *pbHandled = FALSE;
  if (ptPos == nullptr) {
    L_SEMA_Signal(SEMA_KEYCLICK_BAD);
    return;
  }
  char name[NAV_WAYPOINT_NAME_SIZE + 1] = {};
  if (sWaypointName != nullptr) strncpy(name, sWaypointName, NAV_WAYPOINT_NAME_SIZE);
  MARK_vAt(sWaypointName != nullptr ? name : nullptr, u8Icon, *ptPos, MARK_bActive() ? 0 : MARK_u16BoatDepth(),
           pbHandled);
}

BOOLEAN T_NAV_vGetPosBeforeMark(POINT* ptMark, BOOLEAN bVesselPosition) {
  U16 depth = 0;
  POINT pt;
  if (ptMark == nullptr || !MARK_bWhere(&pt, &depth, bVesselPosition)) return FALSE;
  *ptMark = pt;
  return TRUE;
}

// The default icon when it is set and valid, else the first.
static U8 MARK_u8DefaultIcon(void) {
  U32 icon = 0;
  BOOLEAN bValid = FALSE;
  return H_DATABASE_bFetchU32(FCID("SWDI"), &icon, &bValid, nullptr) && bValid && icon <= NAV_MAX_ICON ? (U8)icon : 0;
}

void T_NAV_vHandleMark(void) {
  T_NAV_TWR_vTemporarilyEnableCLWCUpdateForAllModels(TRUE);
  T_NAV_vHandleNamedMarkWithIcon(nullptr, MARK_u8DefaultIcon(), nullptr, nullptr);
  T_NAV_TWR_vTemporarilyEnableCLWCUpdateForAllModels(FALSE);
}

// Man overboard: the place is marked before anything else can go wrong,
// with its own icon, however close another waypoint lies, and navigation to
// it starts at once.
void T_NAV_vManOverboard(void) {
  if (T_NAV_bIsMOBInProgress()) {
    T_NAV_vSetNavUINoteWithTimeout(MOB_navigation_in_progress, nullptr, 2, FALSE);
    L_SEMA_Signal(SEMA_KEYCLICK_BAD);
    return;
  }
  POINT boat;
  if (!MARK_bBoat(&boat)) return;
  const U16 index = MARK_u16Add(nullptr, NAV_MOB_ICON, boat, MARK_u16BoatDepth());
  if (index == NAV_NONE) return;
  log_me("[%d]%s: man overboard at waypoint %u", __LINE__, __func__, (unsigned)index);
  const BOOLEAN bStarted = T_NAV_bStartManOverboard(index, &boat);
  L_SEMA_Signal(SEMA_VIEW_UPDATE);
  L_SEMA_Signal(bStarted ? SEMA_KEYCLICK_GOOD : SEMA_KEYCLICK_BAD);
}

void T_NAV_vRemoveMarkMenu(void) {
  if (!s_bMarkMenu) return;
  U_MENU_vClearMenus();
  s_bMarkMenu = FALSE;
}

// Asking for an icon first (STOS) hands the mark to the manager's icon
// choice, which makes it once an icon is saved.
static BOOLEAN MARK_bAskIcon(void) {
  BOOLEAN bAsk = FALSE, bValid = FALSE;
  return H_DATABASE_bFetchBoolean(FCID("STOS"), &bAsk, &bValid, nullptr) && bValid && bAsk;
}

void T_NAV_vHandleMarkKey(void) {
  T_NAV_vRemoveMarkMenu();
  if (MARK_bAskIcon()) {
    T_NAV_WPM_vMarkIcon(FALSE);
    return;
  }
  T_NAV_vHandleMark();
}
void T_NAV_vHandleMarkPreCheck(void) { T_NAV_vHandleMarkKey(); }

void T_NAV_vHandleMarkAtPosition(void) {
  if (MARK_bAskIcon()) {
    T_NAV_WPM_vMarkIcon(TRUE);
    return;
  }
  POINT pt;
  U16 depth = 0;
  if (!MARK_bWhere(&pt, &depth, TRUE)) return;
  T_NAV_TWR_vTemporarilyEnableCLWCUpdateForAllModels(TRUE);
  MARK_vAt(nullptr, MARK_u8DefaultIcon(), pt, depth, nullptr);
  T_NAV_TWR_vTemporarilyEnableCLWCUpdateForAllModels(FALSE);
}

// ---------------------------------------------------------------------------
// Cursor-waypoint and last-waypoint entries

static void MARK_vEdit(U32 nIndex) {
  if (T_NAV_WPM_bEditWaypoint(nIndex < NAV_MAX_WAYPOINTS ? (U16)nIndex : NAV_NONE)) {
    L_SEMA_Signal(SEMA_KEYCLICK_GOOD);
  }
}

// A waypoint a route needs stays; otherwise it leaves its group and the store.
static void MARK_vDelete(U32 nIndex) {
  L_MUTEX_LockWait(RES_NAV_DATA);
  const WAYPOINT* w = nIndex < NAV_MAX_WAYPOINTS ? T_NAV_pGetWaypoint(nIndex) : nullptr;
  if (w == nullptr || w->u8Status < WPT_STATUS_SAVED || w->u8Status > WPT_STATUS_SAVED_2) {
    L_MUTEX_Unlock(RES_NAV_DATA);
    L_SEMA_Signal(SEMA_KEYCLICK_BAD);
    return;
  }
  if (T_NAV_bWaypointUsedInRoute(nIndex, T_NAV_pGetCurrentRoute()) || T_NAV_bWaypointUsedInSavedRoute(nIndex)) {
    L_MUTEX_Unlock(RES_NAV_DATA);
    T_NAV_vSetNavUIError(Cannot_delete_used_waypoint);
    L_SEMA_Signal(SEMA_KEYCLICK_BAD);
    return;
  }
  T_NAV_WPM_vRemoveEverywhere(T_NAV_GROUP_DATA_nGetRootGroup(), (U16)nIndex);
  const BOOLEAN bDeleted = T_NAV_bDeleteWaypoint(nIndex, FALSE);
  L_MUTEX_Unlock(RES_NAV_DATA);
  L_SEMA_Signal(bDeleted ? SEMA_KEYCLICK_GOOD : SEMA_KEYCLICK_BAD);
}

void T_NAV_vEditCursorWaypoint(void) { MARK_vEdit(NAV_u32Key(FCID("ICWP"), NAV_NONE)); }
void T_NAV_vDeleteCursorWaypoint(void) { MARK_vDelete(NAV_u32Key(FCID("ICWP"), NAV_NONE)); }
void T_NAV_vEditLastWaypoint(void) { MARK_vEdit(NAV_u32Key(FCID("CLWC"), NAV_NONE)); }
void T_NAV_vDeleteLastWaypoint(void) { MARK_vDelete(NAV_u32Key(FCID("CLWC"), NAV_NONE)); }
void T_NAV_vGravaneCursorWaypoint(void) {}
void T_NAV_vCircleCursorWaypoint(void) {}
void T_NAV_vGravaneLastWaypoint(void) {}
void T_NAV_vCircleLastWaypoint(void) {}
