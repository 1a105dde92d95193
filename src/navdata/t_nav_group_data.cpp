// The group tree: group headers and the bodies of twelve links that chain
// their members, kept in the waypoint table's slots; the root with its
// shared chain and the lock chain in slot 2999; the default group; this
// unit's id; and the operations that link, unlink and search.
//
// Slots are copied out and written back whole (through the group-slot
// writer, which writes the file too): a slot is never changed in place
// through a pointer of another type. A new body is written before anything
// links it, and a body is unlinked before it is freed, so a crash between
// the two leaves an unreached slot for the collection, never a link into
// nothing. Walks are loops over explicit lists, never recursions: a tree of
// 3,000 nested groups must not need a deep stack.

#include "t_nav_group_data.h"

#include <stdio.h>
#include <string.h>

#include "h_database.h"
#include "linuxsvc.h"
#include "t_nav_data.h"
#include "t_nav_store_hooks.h"
#include "t_nav_twr.h"
#include "u_language.h"
#include "u_wstring.h"
#include "ui_texts.h"
#include "version.h"

#include "t_nav_group_data_int.h"

static U16 s_IdRootGroup = NAV_NONE;
static U16 s_DefaultGroupID = NAV_NONE;
static U16 s_u7UnitID = TREE_UNIT_STEP;

// The bodies met in the current walk, one flag per slot.
static U8 s_au8MetBody[NAV_MAX_WAYPOINTS];
// The groups a search still has to visit, and those it met.
static U16 s_au16Pending[NAV_MAX_WAYPOINTS];
static U8 s_au8MetHeader[NAV_MAX_WAYPOINTS];
// What a fresh root is filled with: every waypoint, route and track id.
static U16 s_au16Work[NAV_MAX_WAYPOINTS + NAV_MAX_ROUTES + NAV_MAX_TRACKS];

// ---------------------------------------------------------------------------
// Slots of a table: the live one, or a data space's

void TREE_vLock(void) { L_MUTEX_LockWait(RES_NAV_DATA); }
void TREE_vUnlock(void) { L_MUTEX_Unlock(RES_NAV_DATA); }

S32 TREE_nSlot(U16 u16Id) {
  U16 index;
  return T_NAV_RECORDS_eItemKind(u16Id, &index) == NAV_ITEM_GROUP ? (S32)index : -1;
}

U32 TREE_u32Slots(const NAV_DATA_SPACE* pData) {
  if (pData == nullptr) return NAV_MAX_WAYPOINTS;
  if (pData->pWaypoint == nullptr) return 0;
  return pData->u16WaypointCount < NAV_MAX_WAYPOINTS ? pData->u16WaypointCount : NAV_MAX_WAYPOINTS;
}

BOOLEAN TREE_bRead(const NAV_DATA_SPACE* pData, S32 nSlot, GROUP_SLOT* pSlot) {
  if (nSlot < 0 || (U32)nSlot >= TREE_u32Slots(pData)) return FALSE;
  if (pData == nullptr) {
    T_NAV_TWR_vReadSlot((U32)nSlot, pSlot);
  } else {
    memcpy(pSlot, &pData->pWaypoint[nSlot], sizeof *pSlot);
  }
  return TRUE;
}

U8 TREE_u8Status(const GROUP_SLOT* pSlot) { return pSlot->sHeader.u8Status; }

BOOLEAN TREE_bReadAs(const NAV_DATA_SPACE* pData, U16 u16Id, U8 u8Status, GROUP_SLOT* pSlot) {
  return TREE_bRead(pData, TREE_nSlot(u16Id), pSlot) && TREE_u8Status(pSlot) == u8Status;
}

BOOLEAN TREE_bWrite(NAV_DATA_SPACE* pData, U16 u16Id, const GROUP_SLOT* pSlot) {
  return pData == nullptr ? T_NAV_bSetGroupSlot(u16Id, pSlot) : T_NAV_bSetGroupSlotEX(pData, u16Id, pSlot);
}

static U16 TREE_u16Alloc(NAV_DATA_SPACE* pData, BOOLEAN bNotShared) {
  return pData == nullptr ? T_NAV_nAllocGroupSlot(bNotShared) : T_NAV_nAllocGroupSlotEX(pData, bNotShared);
}

static void TREE_vFree(NAV_DATA_SPACE* pData, U16 u16Id) {
  if (pData == nullptr) {
    T_NAV_vFreeGroupSlot(u16Id);
  } else {
    T_NAV_vFreeGroupSlotEX(pData, u16Id);
  }
}

U16 TREE_u16Root(NAV_DATA_SPACE* pData) { return pData == nullptr ? s_IdRootGroup : T_NAV_vGetRootGroupIDEx(pData); }

void TREE_vNewBody(GROUP_SLOT* pSlot, BOOLEAN bNotShared, U16 u16Next) {
  memset(pSlot, 0, sizeof *pSlot);
  pSlot->sBody.u8Status = WPT_STATUS_GROUP_BODY;
  pSlot->sBody.bWpNotShared = bNotShared;
  pSlot->sBody.u16NextIndex = u16Next;
  for (U16& item : pSlot->sBody.u16Item) item = NAV_NONE;
}

BOOLEAN TREE_bSameSlot(U16 u16A, U16 u16B) { return TREE_nSlot(u16A) >= 0 && TREE_nSlot(u16A) == TREE_nSlot(u16B); }

// Whether the slot the waypoint id names holds a waypoint (status 1-3).
static BOOLEAN TREE_bIsWaypoint(const NAV_DATA_SPACE* pData, U16 u16Slot) {
  GROUP_SLOT slot;
  if (!TREE_bRead(pData, u16Slot, &slot)) return FALSE;
  const U8 status = TREE_u8Status(&slot);
  return status >= WPT_STATUS_SAVED && status <= WPT_STATUS_SAVED_2;
}

void TREE_vMetReset(U16 u16Start) {
  memset(s_au8MetBody, 0, sizeof s_au8MetBody);
  const S32 slot = TREE_nSlot(u16Start);
  if (slot >= 0) s_au8MetBody[slot] = 1;
}

BOOLEAN T_NAV_GROUP_DATA_bIsUniqueLinkedGroupBodyEX(NAV_DATA_SPACE* pData, U16 groupBody) {
  if (groupBody == NAV_NONE) return TRUE;
  GROUP_SLOT slot;
  const S32 n = TREE_nSlot(groupBody);
  if (!TREE_bReadAs(pData, groupBody, WPT_STATUS_GROUP_BODY, &slot) || s_au8MetBody[n]) return FALSE;
  s_au8MetBody[n] = 1;
  return TRUE;
}

void T_NAV_GROUP_DATA_vDisplayGroupNavDataError(char*, U32) {}

// Whether the id names a live item of the table.
static BOOLEAN TREE_bIsValid(NAV_DATA_SPACE* pData, U16 u16Id) {
  if (pData == nullptr) return T_NAV_RECORDS_bIsItemValid(u16Id, s_u7UnitID);
  U16 index;
  GROUP_SLOT slot;
  switch (T_NAV_RECORDS_eItemKind(u16Id, &index)) {
    case NAV_ITEM_WAYPOINT: {
      const WAYPOINT* w = T_NAV_pGetWaypointEX(pData, index);
      return w != nullptr && w->u8Status >= WPT_STATUS_SAVED && w->u8Status <= WPT_STATUS_SAVED_2 && w->u32DateTime != 0;
    }
    case NAV_ITEM_GROUP:
      return TREE_bRead(pData, index, &slot) &&
             (TREE_u8Status(&slot) == WPT_STATUS_GROUP_HEADER || TREE_u8Status(&slot) == WPT_STATUS_GROUP_BODY);
    case NAV_ITEM_ROUTE: {
      const ROUTE* r = T_NAV_pGetRouteEX(pData, index);
      return r != nullptr && r->nCount <= NAV_MAX_ROUTE_POINTS && r->u32DateTime != 0;
    }
    case NAV_ITEM_TRACK: {
      if ((u16Id & NAV_ITEM_UNIT_BITS) != s_u7UnitID) return TRUE;
      const TRACK_HEADER* h = T_NAV_pGetTrackHeaderEX(pData, index);
      return h != nullptr && h->u32DateTime != 0 && !U_WSTRING_bIsStringNull(h->sName);
    }
    default:
      return FALSE;
  }
}

BOOLEAN T_NAV_GROUP_DATA_bIsValidGroupNavData(U16 nItemUid) { return TREE_bIsValid(nullptr, nItemUid); }

// ---------------------------------------------------------------------------
// The root, the default group, this unit's id

U16 T_NAV_GROUP_DATA_nGetRootGroup(void) { return s_IdRootGroup; }
U16 T_NAV_GROUP_DATA_vGetRootGroupIndex(void) { return s_IdRootGroup; }
U16 T_NAV_GROUP_DATA_nGetDefaultGroup(void) { return s_DefaultGroupID; }
U16 T_NAV_GROUP_DATA_u16Getu7UnitID(void) { return s_u7UnitID; }

static BOOLEAN TREE_bNamesHeader(U16 u16Id) {
  GROUP_SLOT slot;
  return u16Id != NAV_ITEM_ROOT_LOCK_BODY && TREE_bReadAs(nullptr, u16Id, WPT_STATUS_GROUP_HEADER, &slot);
}

BOOLEAN T_NAV_GROUP_DATA_bSetDefaultGroup(U16 groupID) {
  if (!TREE_bNamesHeader(groupID)) return FALSE;
  s_DefaultGroupID = groupID;
  H_DATABASE_bUpdateValueU32(FCID("SNDG"), groupID, P_NORMAL);
  return TRUE;
}

// The name of a root: the Home text of the language.
void TREE_vHomeName(char* pcName) {
  memset(pcName, 0, NAV_WAYPOINT_NAME_SIZE);
  U_WSTRING_vw_strncpy(pcName, Home[nCurrentLanguage()], NAV_WAYPOINT_NAME_SIZE, FALSE);
}

BOOLEAN TREE_bIsHomeName(const char* pcName) {
  for (U32 language = 0; language < UI_TEXT_LANGUAGES; language++) {
    char acHome[NAV_WAYPOINT_NAME_SIZE] = {};
    const char* pcHome = Home[language];
    const U32 u32Bytes = language < UI_TEXT_FIRST_WIDE ? (U32)strlen(pcHome) : U_WSTRING_u32w_strlen(pcHome, TRUE);
    memcpy(acHome, pcHome, u32Bytes < NAV_WAYPOINT_NAME_SIZE ? u32Bytes : NAV_WAYPOINT_NAME_SIZE);
    if (memcmp(acHome, pcName, NAV_WAYPOINT_NAME_SIZE) == 0) return TRUE;
  }
  return FALSE;
}

// The lock chain is reached through 0xCFFF only: its body must be slot
// 2999. The live allocator hands that slot out first on the not-shared
// side; a data space's takes the lowest free one, so there it is written
// straight into slot 2999.
static U16 TREE_u16TakeLockSlot(NAV_DATA_SPACE* pData) {
  GROUP_SLOT slot;
  const S32 lock = TREE_nSlot(NAV_ITEM_ROOT_LOCK_BODY);
  if (pData != nullptr) return TREE_bRead(pData, lock, &slot) && TREE_u8Status(&slot) == WPT_STATUS_FREE ? NAV_ITEM_ROOT_LOCK_BODY : NAV_NONE;
  const U16 id = T_NAV_nAllocGroupSlot(TRUE);
  if (id != NAV_NONE && TREE_nSlot(id) != lock) {
    T_NAV_vFreeGroupSlot(id);
    return NAV_NONE;
  }
  return id;
}

BOOLEAN TREE_bAddShareLockBody(NAV_DATA_SPACE* pData, U16 indexGroup) {
  GROUP_SLOT header, shared, lock;
  if (indexGroup == NAV_ITEM_ROOT_LOCK_BODY || !TREE_bReadAs(pData, indexGroup, WPT_STATUS_GROUP_HEADER, &header)) {
    return TRUE;
  }
  TREE_vLock();
  BOOLEAN bDone = FALSE;
  const U16 sharedId = TREE_u16Alloc(pData, FALSE);
  if (sharedId != NAV_NONE) {
    TREE_vNewBody(&shared, FALSE, NAV_NONE);
    header.sHeader.u16FirstBodyIndex = sharedId;
    bDone = TREE_bWrite(pData, sharedId, &shared) && TREE_bWrite(pData, indexGroup, &header);
    if (!bDone) TREE_vFree(pData, sharedId);
  }
  const U16 lockId = bDone ? TREE_u16TakeLockSlot(pData) : NAV_NONE;
  bDone = lockId != NAV_NONE;
  if (bDone) {
    TREE_vNewBody(&lock, TRUE, NAV_NONE);
    shared.sBody.u16NextIndex = NAV_ITEM_ROOT_LOCK_BODY;
    bDone = TREE_bWrite(pData, NAV_ITEM_ROOT_LOCK_BODY, &lock) && TREE_bWrite(pData, sharedId, &shared);
  }
  if (!bDone && lockId != NAV_NONE && !TREE_bReadAs(pData, lockId, WPT_STATUS_GROUP_BODY, &lock)) {
    TREE_vFree(pData, lockId);
  }
  TREE_vUnlock();
  return bDone;
}

BOOLEAN T_NAV_GROUP_DATA_bAddShareLockBody(U16 indexGroup) { return TREE_bAddShareLockBody(nullptr, indexGroup); }

// Writes a new root header with that parent; its id, or 65535.
static U16 TREE_u16NewRootHeader(U16 u16Parent) {
  GROUP_SLOT header;
  memset(&header, 0, sizeof header);
  header.sHeader.u8Status = WPT_STATUS_GROUP_HEADER;
  header.sHeader.u8Icon = 1;
  header.sHeader.u16ParentIndex = u16Parent;
  header.sHeader.u16FirstBodyIndex = NAV_NONE;
  TREE_vHomeName(header.sHeader.sName);
  const U16 id = T_NAV_nAllocGroupSlot(FALSE);
  if (id == NAV_NONE) return NAV_NONE;
  if (!T_NAV_bSetGroupSlot(id, &header)) {
    T_NAV_vFreeGroupSlot(id);
    return NAV_NONE;
  }
  s_IdRootGroup = s_DefaultGroupID = id;
  H_DATABASE_bUpdateValueU32(FCID("SNDG"), id, P_NORMAL);
  return id;
}

BOOLEAN T_NAV_GROUP_DATA_bBuildRootGroup(void) {
  TREE_vLock();
  const U16 id = TREE_u16NewRootHeader(NAV_NONE);
  const BOOLEAN bDone = id != NAV_NONE && T_NAV_GROUP_DATA_bAddShareLockBody(id);
  TREE_vUnlock();
  return bDone;
}

BOOLEAN T_NAV_GROUP_DATA_bCreateRootGroupForLoading(void) {
  TREE_vLock();
  const BOOLEAN bDone = TREE_u16NewRootHeader(NAV_NONE) != NAV_NONE;
  TREE_vUnlock();
  return bDone;
}

BOOLEAN T_NAV_GROUP_DATA_bLoadRootGroup(void) {
  s_IdRootGroup = s_DefaultGroupID = 0;
  H_DATABASE_bUpdateValueU32(FCID("SNDG"), 0, P_NORMAL);
  return TRUE;
}

// A body of the chain from u16First whose next is 0xCFFF (or a first body
// 0xCFFF): the chain of a root.
static BOOLEAN TREE_bLeadsToLockChain(U16 u16First) {
  TREE_vMetReset(u16First);
  GROUP_SLOT body;
  for (U16 b = u16First; b != NAV_NONE;) {
    if (b == NAV_ITEM_ROOT_LOCK_BODY) return TRUE;
    if (!TREE_bReadAs(nullptr, b, WPT_STATUS_GROUP_BODY, &body)) return FALSE;
    b = body.sBody.u16NextIndex;
    if (b != NAV_ITEM_ROOT_LOCK_BODY && !T_NAV_GROUP_DATA_bIsUniqueLinkedGroupBodyEX(nullptr, b)) return FALSE;
  }
  return FALSE;
}

// Every slot is looked at: after an upgrade the root may lie above
// waypoints. Of the headers without a parent, the one whose chain leads to
// the lock body is the root (a group left unlinked by a crash has none);
// without such a one, the first.
static U16 TREE_u16FindRoot(void) {
  U16 first = NAV_NONE;
  GROUP_SLOT slot;
  for (U32 i = 0; i < NAV_MAX_WAYPOINTS; i++) {
    if (!TREE_bRead(nullptr, (S32)i, &slot) || TREE_u8Status(&slot) != WPT_STATUS_GROUP_HEADER ||
        slot.sHeader.u16ParentIndex != NAV_NONE) {
      continue;
    }
    const U16 id = (U16)(NAV_ITEM_GROUP_BASE | i);
    if (TREE_bLeadsToLockChain(slot.sHeader.u16FirstBodyIndex)) return id;
    if (first == NAV_NONE) first = id;
  }
  return first;
}

// ---------------------------------------------------------------------------
// The tree built whole

// A root header written while its tree is built: no start takes it for the
// root, so a crash before the tree is complete finds no root and builds the
// tree again, rather than collecting what was not yet linked.
constexpr U16 TREE_PARENT_BUILDING = 0xFFFE;

// What the last build of the tree could not link (none is deleted for it),
// and whether the last start built the tree rather than finding it.
static U32 s_u32Unplaced;
static BOOLEAN s_bRebuilt;
// The software's first start since an upgrade rebuilds the tree once; the
// tables loaded again later (an import) keep the root they hold.
static BOOLEAN s_bInitDone;

U32 TREE_u32FlatTreeSlots(U32 u32Shared, U32 u32Locked) {
  const U32 shared = (u32Shared + NAV_GROUP_BODY_ITEMS - 1) / NAV_GROUP_BODY_ITEMS;
  const U32 locked = (u32Locked + NAV_GROUP_BODY_ITEMS - 1) / NAV_GROUP_BODY_ITEMS;
  return 1 + (shared > 0 ? shared : 1) + (locked > 0 ? locked : 1);
}

BOOLEAN TREE_bNextLoadRebuildsAnyway(void) {
  return !s_bInitDone && VERSION_bIsUpgradingToGroupedWaypointManagement();
}

U32 T_NAV_GROUP_DATA_u32Unplaced(void) { return s_u32Unplaced; }
BOOLEAN T_NAV_GROUP_DATA_bRebuiltAtLoad(void) { return s_bRebuilt; }

static BOOLEAN TREE_bLinkedRoute(const ROUTE* r) {
  return (r->nCount >= 1 && r->nCount <= NAV_MAX_ROUTE_POINTS) || (r->nCount == 0 && r->u32DateTime != 0);
}

// The ids of one of the five lists a new root is filled with (shared and
// not-shared waypoints, shared and not-shared routes, tracks); waypoints
// flagged in pu8Skip are left out. Their number.
static U32 TREE_u32RootList(int nPass, const U8* pu8Skip, U16* pu16List) {
  const S32 maxShared = T_NAV_s16GetMaxShareWaypointIndex(), minLocked = T_NAV_s16GetMinLockWaypointIndex();
  const S32 maxSharedRoute = T_NAV_s16GetMaxShareRouteIndex(), minLockedRoute = T_NAV_s16GetMinLockRouteIndex();
  GROUP_SLOT slot = {};
  U32 n = 0;
  if (nPass < 2) {
    const S32 from = nPass == 0 ? 0 : (minLocked < 0 ? 0 : minLocked);
    const S32 to = nPass == 0 ? maxShared : (S32)NAV_MAX_WAYPOINTS - 1;
    for (S32 i = from; i <= to; i++) {
      TREE_bRead(nullptr, i, &slot);
      const U8 status = TREE_u8Status(&slot);
      // A slot of the other side inside the range waits for its own pass.
      if (status >= WPT_STATUS_SAVED && status <= WPT_STATUS_SAVED_2 && slot.sHeader.bWpNotShared == (nPass == 1) &&
          !pu8Skip[i]) {
        pu16List[n++] = (U16)i;
      }
    }
  } else if (nPass < 4) {
    const S32 from = nPass == 2 ? 0 : (minLockedRoute < 0 ? 0 : minLockedRoute);
    const S32 to = nPass == 2 ? maxSharedRoute : (S32)NAV_MAX_ROUTES - 1;
    for (S32 i = from; i <= to; i++) {
      const ROUTE* r = T_NAV_pGetRoute((U32)i);
      if (TREE_bLinkedRoute(r) && r->bRtNotShared == (nPass == 3)) pu16List[n++] = (U16)(NAV_ITEM_ROUTE_BASE + i);
    }
  } else {
    for (U32 i = 0; i < NAV_MAX_TRACKS; i++) {
      if (T_NAV_pGetTrackHeader(i)->u16Count != 0) pu16List[n++] = (U16)(NAV_ITEM_TRACK_BASE + s_u7UnitID + i);
    }
  }
  return n;
}

// Slots no record holds.
static U32 TREE_u32FreeSlots(void) {
  GROUP_SLOT slot;
  U32 n = 0;
  for (U32 i = 0; i < NAV_MAX_WAYPOINTS; i++) {
    TREE_bRead(nullptr, (S32)i, &slot);
    n += TREE_u8Status(&slot) == WPT_STATUS_FREE;
  }
  return n;
}

// Every item into the new root, a side and a kind at a time. When the slots
// left cannot hold a link for every waypoint, waypoints that a linked route
// uses are not linked themselves, the highest slots first, as many as it
// takes: the route keeps them, and the links go to what nothing else keeps.
static void TREE_vLinkEverything(void) {
  static U8 s_au8Skip[NAV_MAX_WAYPOINTS];
  static U8 s_au8RoutePoint[NAV_MAX_WAYPOINTS];
  memset(s_au8Skip, 0, sizeof s_au8Skip);
  memset(s_au8RoutePoint, 0, sizeof s_au8RoutePoint);
  U32 shared = 0, locked = 0;
  for (int pass = 0; pass < 5; pass++) {
    const U32 n = TREE_u32RootList(pass, s_au8Skip, s_au16Work);
    (pass == 1 || pass == 3 ? locked : shared) += n;
  }
  for (U32 r = 0; r < NAV_MAX_ROUTES; r++) {
    const ROUTE* route = T_NAV_pGetRoute(r);
    if (!TREE_bLinkedRoute(route)) continue;
    for (U32 k = 0; k < route->nCount && k < NAV_MAX_ROUTE_POINTS; k++) {
      if (route->anWaypoint[k] < NAV_MAX_WAYPOINTS) s_au8RoutePoint[route->anWaypoint[k]] = 1;
    }
  }
  // The root, its first shared body and the lock body are there already.
  const U32 free = TREE_u32FreeSlots();
  GROUP_SLOT slot;
  for (S32 i = (S32)NAV_MAX_WAYPOINTS - 1; i >= 0 && TREE_u32FlatTreeSlots(shared, locked) - 3 > free; i--) {
    TREE_bRead(nullptr, i, &slot);
    const U8 status = TREE_u8Status(&slot);
    if (!s_au8RoutePoint[i] || status < WPT_STATUS_SAVED || status > WPT_STATUS_SAVED_2) continue;
    s_au8Skip[i] = 1;
    (slot.sHeader.bWpNotShared ? locked : shared)--;
  }
  for (int pass = 0; pass < 5; pass++) {
    const U32 n = TREE_u32RootList(pass, s_au8Skip, s_au16Work);
    if (n > 0 && !T_NAV_GROUP_DATA_bAddLinks(s_IdRootGroup, s_au16Work, n)) {
      log_me("[%d]%s: not every item found room in the new root\n", __LINE__, __func__);
    }
  }
}

// The records the root does not reach, directly or as a linked route's
// points: logged and counted, never deleted.
static U32 TREE_u32CountUnplaced(void) {
  static U8 s_au8Reached[NAV_MAX_WAYPOINTS + NAV_MAX_ROUTES + NAV_MAX_TRACKS];
  memset(s_au8Reached, 0, sizeof s_au8Reached);
  GROUP_SLOT slot;
  TREE_bReadAs(nullptr, s_IdRootGroup, WPT_STATUS_GROUP_HEADER, &slot);
  U32 steps = 0;
  for (U16 b = slot.sHeader.u16FirstBodyIndex; b != NAV_NONE && steps++ < NAV_MAX_WAYPOINTS;) {
    if (!TREE_bReadAs(nullptr, b, WPT_STATUS_GROUP_BODY, &slot)) break;
    for (U16 item : slot.sBody.u16Item) {
      U16 index;
      const NAV_ITEM_KIND eKind = T_NAV_RECORDS_eItemKind(item, &index);
      if (eKind == NAV_ITEM_WAYPOINT && index < NAV_MAX_WAYPOINTS) s_au8Reached[index] = 1;
      if (eKind == NAV_ITEM_ROUTE && index < NAV_MAX_ROUTES) s_au8Reached[NAV_MAX_WAYPOINTS + index] = 1;
      if (eKind == NAV_ITEM_TRACK && index < NAV_MAX_TRACKS) {
        s_au8Reached[NAV_MAX_WAYPOINTS + NAV_MAX_ROUTES + index] = 1;
      }
    }
    b = slot.sBody.u16NextIndex;
  }
  for (U32 r = 0; r < NAV_MAX_ROUTES; r++) {
    const ROUTE* route = T_NAV_pGetRoute(r);
    for (U32 k = 0; s_au8Reached[NAV_MAX_WAYPOINTS + r] && k < route->nCount && k < NAV_MAX_ROUTE_POINTS; k++) {
      if (route->anWaypoint[k] < NAV_MAX_WAYPOINTS) s_au8Reached[route->anWaypoint[k]] = 1;
    }
  }
  U32 unplaced = 0;
  for (U32 i = 0; i < NAV_MAX_WAYPOINTS + NAV_MAX_ROUTES + NAV_MAX_TRACKS; i++) {
    if (s_au8Reached[i]) continue;
    if (i < NAV_MAX_WAYPOINTS) {
      TREE_bRead(nullptr, (S32)i, &slot);
      const U8 status = TREE_u8Status(&slot);
      if (status != WPT_STATUS_SAVED && status != WPT_STATUS_SAVED_2) continue;
    } else if (i < NAV_MAX_WAYPOINTS + NAV_MAX_ROUTES) {
      const ROUTE* r = T_NAV_pGetRoute(i - NAV_MAX_WAYPOINTS);
      if (r->nCount == 0 && r->u32DateTime == 0) continue;
    } else if (T_NAV_pGetTrackHeader(i - NAV_MAX_WAYPOINTS - NAV_MAX_ROUTES)->u16Count == 0) {
      continue;
    }
    unplaced++;
  }
  if (unplaced > 0) log_me("[%d]%s: %u records found no place in the tree\n", __LINE__, __func__, unplaced);
  return unplaced;
}

static void TREE_vRebuild(void) {
  GROUP_SLOT slot;
  for (U32 i = 0; i < NAV_MAX_WAYPOINTS; i++) {
    TREE_bRead(nullptr, (S32)i, &slot);
    const U8 status = TREE_u8Status(&slot);
    if (status == WPT_STATUS_GROUP_HEADER || status == WPT_STATUS_GROUP_BODY || status == WPT_STATUS_GROUP_ANY) {
      T_NAV_vDeleteGpWpSlot((U16)(NAV_ITEM_GROUP_BASE | i));
    }
  }
  s_IdRootGroup = s_DefaultGroupID = NAV_NONE;
  T_NAV_TWR_vStatisticWaypointStore(FALSE);
  T_NAV_TWR_vStatisticRouteStore(FALSE);
  T_NAV_TWR_vPackGroupSlots(TRUE);
  const U16 root = TREE_u16NewRootHeader(TREE_PARENT_BUILDING);
  if (root == NAV_NONE || !T_NAV_GROUP_DATA_bAddShareLockBody(root)) {
    log_me("[%d]%s: no room for a root\n", __LINE__, __func__);
  } else {
    TREE_vLinkEverything();
  }
  T_NAV_TWR_vPackGroupSlots(FALSE);
  // Made the root last: its file lands after every body it reaches.
  if (TREE_bReadAs(nullptr, root, WPT_STATUS_GROUP_HEADER, &slot)) {
    slot.sHeader.u16ParentIndex = NAV_NONE;
    T_NAV_bSetGroupSlot(root, &slot);
  }
  s_u32Unplaced = root != NAV_NONE ? TREE_u32CountUnplaced() : 0;
}

// A root whose lock body is gone (a stream or files without it) gets an
// empty one when slot 2999 is free: not-shared items are linked through
// 0xCFFF, and the collection walks that body as the root's.
static void TREE_vMendLockBody(void) {
  GROUP_SLOT slot;
  const S32 lock = TREE_nSlot(NAV_ITEM_ROOT_LOCK_BODY);
  if (!TREE_bRead(nullptr, lock, &slot) || TREE_u8Status(&slot) != WPT_STATUS_FREE) return;
  log_me("[%d]%s: the root's lock body is made again\n", __LINE__, __func__);
  TREE_vNewBody(&slot, TRUE, NAV_NONE);
  T_NAV_bSetGroupSlot(NAV_ITEM_ROOT_LOCK_BODY, &slot);
}

static void TREE_vTakeDefaultGroup(void) {
  U32 stored;
  if (H_DATABASE_bFetchU32(FCID("SNDG"), &stored, nullptr, nullptr) && stored <= 0xFFFF &&
      TREE_bNamesHeader((U16)stored)) {
    s_DefaultGroupID = (U16)stored;
  } else {
    s_DefaultGroupID = s_IdRootGroup;
    H_DATABASE_bUpdateValueU32(FCID("SNDG"), s_IdRootGroup, P_NORMAL);
  }
}

static void TREE_vMakeUnitId(void) {
  U32 unit = 0;
  BOOLEAN bValid = FALSE;
  if (H_DATABASE_bFetchU32(FCID("SUID"), &unit, &bValid, nullptr) && bValid && unit >= TREE_UNIT_STEP &&
      unit <= TREE_UNIT_MAX && unit % TREE_UNIT_STEP == 0) {
    s_u7UnitID = (U16)unit;
    return;
  }
  U32 model = 0, serial = 0;
  if (!H_DATABASE_bFetchU32(FCID("SMDL"), &model, nullptr, nullptr)) model = 0;
  if (!H_DATABASE_bFetchU32(FCID("SENU"), &serial, nullptr, nullptr)) serial = 0;
  const U64 mixed = ((U64)model << 32) + serial;
  s_u7UnitID = (U16)((mixed % 31 + 1) * TREE_UNIT_STEP);
  H_DATABASE_bUpdateValueU32(FCID("SUID"), s_u7UnitID, P_NORMAL);
}

void T_NAV_GROUP_DATA_vInitGroups(void) {
  TREE_vLock();
  TREE_vMakeUnitId();
  U32 groups;
  if (!H_DATABASE_bFetchU32(FCID("CGRP"), &groups, nullptr, nullptr)) H_DATABASE_bUpdateValueU32(FCID("CGRP"), 1, P_NORMAL);
  s_IdRootGroup = s_DefaultGroupID = NAV_NONE;
  const U16 root = TREE_bNextLoadRebuildsAnyway() ? NAV_NONE : TREE_u16FindRoot();
  s_bInitDone = TRUE;
  s_bRebuilt = root == NAV_NONE;
  s_u32Unplaced = 0;
  if (root != NAV_NONE) {
    s_IdRootGroup = root;
    T_NAV_TWR_vStatisticWaypointStore(TRUE);
    T_NAV_TWR_vStatisticRouteStore(TRUE);
    T_NAV_GROUP_DATA_vScanGroupForGarbageCollection(root);
    TREE_vMendLockBody();
    T_NAV_TWR_vStatisticWaypointStore(TRUE);
    T_NAV_TWR_vStatisticRouteStore(TRUE);
  } else {
    TREE_vRebuild();
  }
  TREE_vTakeDefaultGroup();
  TREE_vUnlock();
}

void T_NAV_GROUP_DATA_vReloadGroups(void) {
  TREE_vLock();
  s_IdRootGroup = s_DefaultGroupID = NAV_NONE;
  if (T_NAV_GROUP_DATA_bBuildRootGroup()) TREE_vLinkEverything();
  TREE_vTakeDefaultGroup();
  TREE_vUnlock();
}

// ---------------------------------------------------------------------------
// Groups

U16 T_NAV_GROUP_DATA_nNewGroupEX(NAV_DATA_SPACE* pData, GROUP_HEADER* pNewGroup) {
  if (pNewGroup == nullptr) return NAV_NONE;
  GROUP_SLOT slot;
  memcpy(&slot, pNewGroup, sizeof slot);
  TREE_vLock();
  U16 id = TREE_u16Alloc(pData, pNewGroup->bWpNotShared);
  if (id != NAV_NONE && !TREE_bWrite(pData, id, &slot)) {
    TREE_vFree(pData, id);
    id = NAV_NONE;
  }
  TREE_vUnlock();
  return id;
}

U16 T_NAV_GROUP_DATA_nNewGroup(GROUP_HEADER* pNewGroup) { return T_NAV_GROUP_DATA_nNewGroupEX(nullptr, pNewGroup); }

BOOLEAN T_NAV_GROUP_DATA_bModifyGroupEX(NAV_DATA_SPACE* pData, U16 indexGroup, GROUP_HEADER* pGroup) {
  if (pGroup == nullptr) return FALSE;
  GROUP_SLOT slot;
  memcpy(&slot, pGroup, sizeof slot);
  return TREE_bWrite(pData, indexGroup, &slot);
}

BOOLEAN T_NAV_GROUP_DATA_bModifyGroup(U16 indexGroup, GROUP_HEADER* pGroup) {
  return T_NAV_GROUP_DATA_bModifyGroupEX(nullptr, indexGroup, pGroup);
}

U16 T_NAV_GROUP_DATA_nGetGroupChildList(U16, U16, U16*, U32) { return 0; }

// What a visit does after a group: goes on into the groups it links, passes
// over them, or stops.
typedef enum tag_TREE_VISIT { TREE_ENTER, TREE_PASS, TREE_STOP } TREE_VISIT;

// Visits the groups below u16Group, and it, breadth first: pfVisit gets each
// header's id and copy. A body met twice ends its chain; a group met twice
// is not visited again. FALSE when the step limit ran out.
static BOOLEAN TREE_bVisitGroups(NAV_DATA_SPACE* pData, U16 u16Group, U32 u32StepLimit,
                                 TREE_VISIT (*pfVisit)(NAV_DATA_SPACE*, U16, GROUP_SLOT*, void*), void* pContext) {
  memset(s_au8MetHeader, 0, sizeof s_au8MetHeader);
  memset(s_au8MetBody, 0, sizeof s_au8MetBody);
  U32 head = 0, tail = 0, steps = 0;
  GROUP_SLOT header, body;
  if (!TREE_bReadAs(pData, u16Group, WPT_STATUS_GROUP_HEADER, &header)) return TRUE;
  s_au8MetHeader[TREE_nSlot(u16Group)] = 1;
  s_au16Pending[tail++] = u16Group;
  while (head < tail) {
    const U16 g = s_au16Pending[head++];
    if (!TREE_bReadAs(pData, g, WPT_STATUS_GROUP_HEADER, &header)) continue;
    if (++steps > u32StepLimit) return FALSE;
    const TREE_VISIT eNext = pfVisit(pData, g, &header, pContext);
    if (eNext == TREE_STOP) return TRUE;
    if (eNext == TREE_PASS) continue;
    for (U16 b = header.sHeader.u16FirstBodyIndex; b != NAV_NONE;) {
      const S32 n = TREE_nSlot(b);
      if (n < 0 || s_au8MetBody[n] || !TREE_bReadAs(pData, b, WPT_STATUS_GROUP_BODY, &body)) break;
      s_au8MetBody[n] = 1;
      for (U16 item : body.sBody.u16Item) {
        const S32 child = TREE_nSlot(item);
        if (++steps > u32StepLimit) return FALSE;
        if (child < 0 || item == NAV_ITEM_ROOT_LOCK_BODY || s_au8MetHeader[child] || tail >= NAV_MAX_WAYPOINTS) continue;
        s_au8MetHeader[child] = 1;
        s_au16Pending[tail++] = item;
      }
      b = body.sBody.u16NextIndex;
    }
  }
  return TRUE;
}

static TREE_VISIT TREE_eCollectGroup(NAV_DATA_SPACE*, U16, GROUP_SLOT*, void*) { return TREE_ENTER; }

// Calls pfPlace on every place of the live group's chain (at most 3,000
// bodies: the visit guards against loops, this walk only counts); a body
// whose places changed is written. FALSE when pfPlace said stop.
static BOOLEAN TREE_bEachPlace(const GROUP_SLOT* pHeader, BOOLEAN (*pfPlace)(U16*, void*, BOOLEAN*), void* pContext) {
  GROUP_SLOT body;
  U32 bodies = 0;
  for (U16 b = pHeader->sHeader.u16FirstBodyIndex; b != NAV_NONE && bodies++ < NAV_MAX_WAYPOINTS;) {
    if (!TREE_bReadAs(nullptr, b, WPT_STATUS_GROUP_BODY, &body)) break;
    BOOLEAN bChanged = FALSE, bGoOn = TRUE;
    for (U32 k = 0; k < NAV_GROUP_BODY_ITEMS && bGoOn; k++) bGoOn = pfPlace(&body.sBody.u16Item[k], pContext, &bChanged);
    if (bChanged) T_NAV_bSetGroupSlot(b, &body);
    if (!bGoOn) return FALSE;
    b = body.sBody.u16NextIndex;
  }
  return TRUE;
}

BOOLEAN T_NAV_GROUP_DATA_bDeleteGroupEX(NAV_DATA_SPACE* pData, U16 indexGroup) {
  GROUP_SLOT header;
  TREE_vLock();
  BOOLEAN bDone = TREE_bReadAs(pData, indexGroup, WPT_STATUS_GROUP_HEADER, &header);
  if (bDone) {
    // The visit leaves every group it reached in the pending list; the
    // deepest go first.
    TREE_bVisitGroups(pData, indexGroup, 0xFFFFFFFFu, TREE_eCollectGroup, nullptr);
    U32 count = 0;
    for (U32 i = 0; i < NAV_MAX_WAYPOINTS; i++) count += s_au8MetHeader[i];
    for (U32 i = count; i > 0; i--) {
      if (TREE_bReadAs(pData, s_au16Pending[i - 1], WPT_STATUS_GROUP_HEADER, &header)) {
        TREE_vFree(pData, s_au16Pending[i - 1]);
      }
    }
  }
  TREE_vUnlock();
  return bDone;
}

BOOLEAN T_NAV_GROUP_DATA_bDeleteGroup(U16 indexGroup) { return T_NAV_GROUP_DATA_bDeleteGroupEX(nullptr, indexGroup); }

// ---------------------------------------------------------------------------
// Links

// The value that cuts a chain: the root's shared chain goes on to the lock
// chain, every other chain ends.
static U16 TREE_u16CutValue(BOOLEAN bRootSharedChain) { return bRootSharedChain ? NAV_ITEM_ROOT_LOCK_BODY : NAV_NONE; }

static BOOLEAN TREE_bIsGroupItem(U16 u16Id) { return TREE_nSlot(u16Id) >= 0 && u16Id != NAV_ITEM_ROOT_LOCK_BODY; }

// The group linked into g takes g as its parent.
static void TREE_vAdopt(NAV_DATA_SPACE* pData, U16 u16Item, U16 g, U16 u16Root) {
  GROUP_SLOT child;
  if (!TREE_bIsGroupItem(u16Item) || u16Item == u16Root ||
      !TREE_bReadAs(pData, u16Item, WPT_STATUS_GROUP_HEADER, &child) || child.sHeader.u16ParentIndex == g) {
    return;
  }
  child.sHeader.u16ParentIndex = g;
  TREE_bWrite(pData, u16Item, &child);
}

// Where a waypoint went when a compaction moved it meanwhile.
static U16 TREE_u16Follow(NAV_DATA_SPACE* pData, U16 u16Item, U32 u32CompactionsBefore) {
  if (pData != nullptr || T_NAV_TWR_u32Compactions() == u32CompactionsBefore) return u16Item;
  return T_NAV_TWR_u16MovedTo(u16Item);
}

// Writes the new body id holding the items and links it after the chain's
// last body (or as the header's first): written before it is linked. On
// failure the slot is freed.
static BOOLEAN TREE_bAppendBody(NAV_DATA_SPACE* pData, U16 g, GROUP_SLOT* pHeader, U16 u16Last, GROUP_SLOT* pLast,
                                U16 id, BOOLEAN bNotShared, BOOLEAN bRootShared, const U16* pu16Items,
                                U32 u32Items) {
  GROUP_SLOT body;
  TREE_vNewBody(&body, bNotShared, TREE_u16CutValue(bRootShared && !bNotShared));
  for (U32 k = 0; k < u32Items && k < NAV_GROUP_BODY_ITEMS; k++) body.sBody.u16Item[k] = pu16Items[k];
  BOOLEAN bDone = TREE_bWrite(pData, id, &body);
  if (bDone && pHeader->sHeader.u16FirstBodyIndex == NAV_NONE) {
    pHeader->sHeader.u16FirstBodyIndex = id;
    bDone = TREE_bWrite(pData, g, pHeader);
  } else if (bDone) {
    // Read again: a compaction since may have renumbered its links.
    if (u16Last != NAV_NONE && !TREE_bReadAs(pData, u16Last, WPT_STATUS_GROUP_BODY, pLast)) u16Last = NAV_NONE;
    const U16 next = u16Last != NAV_NONE ? pLast->sBody.u16NextIndex : 0;
    bDone = u16Last != NAV_NONE && (next == NAV_NONE || next == NAV_ITEM_ROOT_LOCK_BODY);
    if (bDone) {
      pLast->sBody.u16NextIndex = id;
      bDone = TREE_bWrite(pData, u16Last, pLast);
    }
  }
  if (!bDone) TREE_vFree(pData, id);
  return bDone;
}

// The chain to link u16Item into: the root's lock chain for a not-shared
// item, else the header's chain, the root first given a shared body.
static BOOLEAN TREE_bChainStart(NAV_DATA_SPACE* pData, U16 g, GROUP_SLOT* pHeader, BOOLEAN bRoot, U16 u16Item,
                                U16* pu16Start) {
  *pu16Start = pHeader->sHeader.u16FirstBodyIndex;
  if (!bRoot) return TRUE;
  if (T_NAV_bIsNotSharedLinkEX(pData, u16Item)) {
    *pu16Start = NAV_ITEM_ROOT_LOCK_BODY;
    return TRUE;
  }
  if (*pu16Start != NAV_ITEM_ROOT_LOCK_BODY) return TRUE;
  const U16 id = TREE_u16Alloc(pData, FALSE);
  if (id == NAV_NONE) return FALSE;
  GROUP_SLOT body;
  TREE_vNewBody(&body, FALSE, NAV_ITEM_ROOT_LOCK_BODY);
  pHeader->sHeader.u16FirstBodyIndex = id;
  if (!TREE_bWrite(pData, id, &body) || !TREE_bWrite(pData, g, pHeader)) {
    TREE_vFree(pData, id);
    return FALSE;
  }
  *pu16Start = id;
  return TRUE;
}

// Links u16Item into g (header copy pHeader) from the chain's start. Under
// mutex 9.
static BOOLEAN TREE_bLinkInto(NAV_DATA_SPACE* pData, U16 g, GROUP_SLOT* pHeader, U16 u16Root, U16 u16Item) {
  const BOOLEAN bRoot = g == u16Root;
  U16 start;
  if (!TREE_bChainStart(pData, g, pHeader, bRoot, u16Item, &start)) return FALSE;
  TREE_vMetReset(start);
  U16 freeBody = NAV_NONE, last = NAV_NONE;
  U32 freeAt = 0;
  GROUP_SLOT body, freeSlot, lastSlot;
  for (U16 b = start; b != NAV_NONE;) {
    if (!TREE_bReadAs(pData, b, WPT_STATUS_GROUP_BODY, &body)) break;
    last = b;
    lastSlot = body;
    if (TREE_bSameSlot(body.sBody.u16NextIndex, b)) break;
    for (U32 k = 0; k < NAV_GROUP_BODY_ITEMS; k++) {
      if (body.sBody.u16Item[k] == u16Item) return FALSE;
      if (body.sBody.u16Item[k] == NAV_NONE && freeBody == NAV_NONE) {
        freeBody = b;
        freeAt = k;
        freeSlot = body;
      }
    }
    const U16 next = body.sBody.u16NextIndex;
    if (next == NAV_NONE || next == NAV_ITEM_ROOT_LOCK_BODY ||
        !T_NAV_GROUP_DATA_bIsUniqueLinkedGroupBodyEX(pData, next)) {
      break;
    }
    b = next;
  }
  if (freeBody != NAV_NONE) {
    freeSlot.sBody.u16Item[freeAt] = u16Item;
    if (!TREE_bWrite(pData, freeBody, &freeSlot)) return FALSE;
    TREE_vAdopt(pData, u16Item, g, u16Root);
    return TRUE;
  }
  const BOOLEAN bNotShared = last == NAV_NONE                  ? (BOOLEAN)pHeader->sHeader.bWpNotShared
                             : last == NAV_ITEM_ROOT_LOCK_BODY ? TRUE
                                                               : (BOOLEAN)lastSlot.sBody.bWpNotShared;
  const U32 compactions = T_NAV_TWR_u32Compactions();
  const U16 id = TREE_u16Alloc(pData, bNotShared);
  if (id == NAV_NONE) return FALSE;
  // A compaction the allocation made may have moved the item.
  const U16 item = TREE_u16Follow(pData, u16Item, compactions);
  TREE_vAdopt(pData, item, g, u16Root);
  return TREE_bAppendBody(pData, g, pHeader, last, &lastSlot, id, bNotShared, bRoot, &item, 1);
}

BOOLEAN T_NAV_GROUP_DATA_bAddLinkEX(NAV_DATA_SPACE* pData, U16 indexGroup, U16 indexLinkToAdd) {
  U16 index, slot;
  const NAV_ITEM_KIND kind = T_NAV_RECORDS_eItemKind(indexGroup, &index);
  if (kind == NAV_ITEM_ROUTE) {
    if (T_NAV_RECORDS_eItemKind(indexLinkToAdd, &slot) == NAV_ITEM_WAYPOINT && TREE_bIsWaypoint(pData, slot)) {
      return T_NAV_GROUP_DATA_bRouteAddLinkEX(pData, indexGroup, indexLinkToAdd);
    }
    return FALSE;
  }
  if (!TREE_bIsGroupItem(indexGroup)) return FALSE;
  const U16 root = TREE_u16Root(pData);
  if (indexLinkToAdd == NAV_NONE || indexLinkToAdd == root || !TREE_bIsValid(pData, indexLinkToAdd)) return FALSE;
  if (pData == nullptr && T_NAV_bHasSameContentLinkInTargetGroup(indexGroup, indexLinkToAdd)) return FALSE;
  TREE_vLock();
  GROUP_SLOT header;
  BOOLEAN bDone = TREE_bReadAs(pData, indexGroup, WPT_STATUS_GROUP_HEADER, &header);
  U16 item = indexLinkToAdd;
  if (bDone && indexGroup != root && pData == nullptr &&
      T_NAV_RECORDS_eItemKind(indexLinkToAdd, nullptr) != NAV_ITEM_TRACK) {
    // While the manager copies, an item of the other side is copied to the
    // group's: a group copied is complete, anything else is linked.
    item = T_NAV_STORE_u16LinkCopy(header.sHeader.bWpNotShared, indexGroup, indexLinkToAdd);
    if ((TREE_bIsGroupItem(indexLinkToAdd) && item != indexLinkToAdd) ||
        T_NAV_bIsNotSharedLink(item) != (BOOLEAN)header.sHeader.bWpNotShared) {
      TREE_vUnlock();
      return TRUE;
    }
  }
  bDone = bDone && TREE_bLinkInto(pData, indexGroup, &header, root, item);
  TREE_vUnlock();
  return bDone;
}

BOOLEAN T_NAV_GROUP_DATA_bAddLink(U16 indexGroup, U16 indexLinkToAdd) {
  return T_NAV_GROUP_DATA_bAddLinkEX(nullptr, indexGroup, indexLinkToAdd);
}

BOOLEAN T_NAV_GROUP_DATA_bAddLinks(U16 indexGroup, U16* pLinksToAdd, U32 nLinksToAdd) {
  if (pLinksToAdd == nullptr || nLinksToAdd == 0) return FALSE;
  U16 index;
  if (T_NAV_RECORDS_eItemKind(indexGroup, &index) == NAV_ITEM_ROUTE) {
    for (U32 i = 0; i < nLinksToAdd; i++) {
      if (!T_NAV_GROUP_DATA_bRouteAddLink(indexGroup, pLinksToAdd[i])) return FALSE;
    }
    return TRUE;
  }
  if (!TREE_bIsGroupItem(indexGroup)) return FALSE;
  TREE_vLock();
  GROUP_SLOT header, body, last;
  if (!TREE_bReadAs(nullptr, indexGroup, WPT_STATUS_GROUP_HEADER, &header)) {
    TREE_vUnlock();
    return FALSE;
  }
  const U16 root = s_IdRootGroup;
  const BOOLEAN bRoot = indexGroup == root;
  U16 start;
  if (!TREE_bChainStart(nullptr, indexGroup, &header, bRoot, pLinksToAdd[0], &start)) {
    TREE_vUnlock();
    return FALSE;
  }
  const BOOLEAN bRootShared = bRoot && start != NAV_ITEM_ROOT_LOCK_BODY;
  // First pass: drop what the chain holds already, find its first free place
  // and its end; a chain that loops or breaks is ended where it does.
  TREE_vMetReset(start);
  U16 firstFree = NAV_NONE, lastId = NAV_NONE;
  for (U16 b = start; b != NAV_NONE;) {
    if (!TREE_bReadAs(nullptr, b, WPT_STATUS_GROUP_BODY, &body)) break;
    lastId = b;
    last = body;
    for (U16 item : body.sBody.u16Item) {
      if (item == NAV_NONE && firstFree == NAV_NONE) firstFree = b;
      for (U32 i = 0; i < nLinksToAdd && item != NAV_NONE; i++) {
        if (pLinksToAdd[i] == item) pLinksToAdd[i] = NAV_NONE;
      }
    }
    const U16 next = body.sBody.u16NextIndex;
    if (next == NAV_NONE || next == NAV_ITEM_ROOT_LOCK_BODY) break;
    if (TREE_bSameSlot(next, b) || !T_NAV_GROUP_DATA_bIsUniqueLinkedGroupBodyEX(nullptr, next)) {
      last.sBody.u16NextIndex = TREE_u16CutValue(bRootShared);
      T_NAV_bSetGroupSlot(b, &last);
      break;
    }
    b = next;
  }
  U32 at = 0;
  auto NextEntry = [&]() {
    while (at < nLinksToAdd && pLinksToAdd[at] == NAV_NONE) at++;
    return at < nLinksToAdd;
  };
  // Second pass: the free places from the first free body on.
  for (U16 b = firstFree; b != NAV_NONE && NextEntry();) {
    if (!TREE_bReadAs(nullptr, b, WPT_STATUS_GROUP_BODY, &body)) break;
    BOOLEAN bChanged = FALSE;
    for (U16& item : body.sBody.u16Item) {
      if (item == NAV_NONE && NextEntry()) {
        item = pLinksToAdd[at++];
        bChanged = TRUE;
      }
    }
    if (bChanged) T_NAV_bSetGroupSlot(b, &body);
    if (b == lastId) {
      last = body;
      break;
    }
    b = body.sBody.u16NextIndex;
  }
  // Then new bodies at the end, of the last body's side.
  BOOLEAN bDone = TRUE;
  while (bDone && NextEntry()) {
    const BOOLEAN bNotShared = lastId == NAV_NONE                  ? (BOOLEAN)header.sHeader.bWpNotShared
                               : lastId == NAV_ITEM_ROOT_LOCK_BODY ? TRUE
                                                                   : (BOOLEAN)last.sBody.bWpNotShared;
    const U32 compactions = T_NAV_TWR_u32Compactions();
    const U16 id = T_NAV_nAllocGroupSlot(bNotShared);
    if (id == NAV_NONE) {
      bDone = FALSE;
      break;
    }
    for (U32 i = at; i < nLinksToAdd; i++) pLinksToAdd[i] = TREE_u16Follow(nullptr, pLinksToAdd[i], compactions);
    U16 items[NAV_GROUP_BODY_ITEMS];
    U32 n = 0;
    for (; n < NAV_GROUP_BODY_ITEMS && NextEntry(); n++) items[n] = pLinksToAdd[at++];
    bDone = TREE_bAppendBody(nullptr, indexGroup, &header, lastId, &last, id, bNotShared, bRootShared, items, n);
    if (bDone) {
      lastId = id;
      TREE_bReadAs(nullptr, id, WPT_STATUS_GROUP_BODY, &last);
    }
  }
  TREE_vUnlock();
  return bDone;
}

BOOLEAN T_NAV_GROUP_DATA_bRemoveLinkEX(NAV_DATA_SPACE* pData, U16 indexGroup, U16 indexLinkToRemove) {
  U16 index;
  if (T_NAV_RECORDS_eItemKind(indexGroup, &index) == NAV_ITEM_ROUTE) {
    return T_NAV_GROUP_DATA_bRouteRemoveLinkEX(pData, indexGroup, indexLinkToRemove);
  }
  if (!TREE_bIsGroupItem(indexGroup) || indexLinkToRemove == NAV_NONE) return FALSE;
  TREE_vLock();
  GROUP_SLOT header, body, prevSlot, slot;
  if (!TREE_bReadAs(pData, indexGroup, WPT_STATUS_GROUP_HEADER, &header)) {
    TREE_vUnlock();
    return FALSE;
  }
  const U16 root = TREE_u16Root(pData);
  const BOOLEAN bLockChain = indexGroup == root && T_NAV_bIsNotSharedLinkEX(pData, indexLinkToRemove);
  const U16 start = bLockChain ? NAV_ITEM_ROOT_LOCK_BODY : header.sHeader.u16FirstBodyIndex;
  const BOOLEAN bRootShared = indexGroup == root && !bLockChain;
  // Links to a group that is gone are all cleared; any other item's first.
  const BOOLEAN bGroupGone = TREE_bIsGroupItem(indexLinkToRemove) &&
                             !(TREE_bRead(pData, TREE_nSlot(indexLinkToRemove), &slot) &&
                               TREE_u8Status(&slot) >= WPT_STATUS_GROUP_HEADER);
  TREE_vMetReset(start);
  BOOLEAN bDone = FALSE;
  U16 prev = NAV_NONE;
  for (U16 b = start; b != NAV_NONE;) {
    if (!TREE_bReadAs(pData, b, WPT_STATUS_GROUP_BODY, &body)) break;
    BOOLEAN bFound = FALSE;
    for (U16& item : body.sBody.u16Item) {
      if (item == indexLinkToRemove && (!bFound || bGroupGone)) {
        item = NAV_NONE;
        bFound = TRUE;
      }
    }
    if (bFound && !bGroupGone) {
      BOOLEAN bEmpty = TRUE;
      for (U16 item : body.sBody.u16Item) bEmpty = bEmpty && item == NAV_NONE;
      const U16 next = body.sBody.u16NextIndex;
      if (bEmpty && b != NAV_ITEM_ROOT_LOCK_BODY && next != NAV_ITEM_ROOT_LOCK_BODY &&
          TREE_nSlot(b) != TREE_nSlot(NAV_ITEM_ROOT_LOCK_BODY)) {
        // Unlinked first, then freed.
        if (prev == NAV_NONE) {
          header.sHeader.u16FirstBodyIndex = next;
          bDone = TREE_bWrite(pData, indexGroup, &header);
        } else {
          prevSlot.sBody.u16NextIndex = next;
          bDone = TREE_bWrite(pData, prev, &prevSlot);
        }
        if (bDone) TREE_vFree(pData, b);
      } else {
        bDone = TREE_bWrite(pData, b, &body);
      }
      break;
    }
    if (bFound) TREE_bWrite(pData, b, &body);
    const U16 next = body.sBody.u16NextIndex;
    if (next == NAV_NONE || next == NAV_ITEM_ROOT_LOCK_BODY) break;
    if (TREE_bSameSlot(next, b) || !T_NAV_GROUP_DATA_bIsUniqueLinkedGroupBodyEX(pData, next)) {
      // Ended where it loops or breaks, for the collection to repair.
      body.sBody.u16NextIndex = TREE_u16CutValue(bRootShared);
      TREE_bWrite(pData, b, &body);
      break;
    }
    prev = b;
    prevSlot = body;
    b = next;
  }
  TREE_vUnlock();
  return bDone;
}

BOOLEAN T_NAV_GROUP_DATA_bRemoveLink(U16 indexGroup, U16 indexLinkToRemove) {
  return T_NAV_GROUP_DATA_bRemoveLinkEX(nullptr, indexGroup, indexLinkToRemove);
}

BOOLEAN T_NAV_GROUP_DATA_bRemoveLinks(U16, U16*, U32) { return FALSE; }

BOOLEAN T_NAV_GROUP_DATA_bReplaceLinkEX(NAV_DATA_SPACE* pData, U16 indexGroup, U16 indexLinkToRemove,
                                        U16 indexLinkToAdd) {
  if (indexLinkToRemove == NAV_NONE) return FALSE;
  TREE_vLock();
  GROUP_SLOT header, body;
  BOOLEAN bDone = FALSE;
  if (TREE_bIsGroupItem(indexGroup) && TREE_bReadAs(pData, indexGroup, WPT_STATUS_GROUP_HEADER, &header)) {
    TREE_vMetReset(header.sHeader.u16FirstBodyIndex);
    for (U16 b = header.sHeader.u16FirstBodyIndex; b != NAV_NONE && !bDone;) {
      if (!TREE_bReadAs(pData, b, WPT_STATUS_GROUP_BODY, &body)) break;
      for (U16& item : body.sBody.u16Item) {
        if (item == indexLinkToRemove && !bDone) {
          item = indexLinkToAdd;
          bDone = TREE_bWrite(pData, b, &body);
          if (!bDone) break;
        }
      }
      const U16 next = body.sBody.u16NextIndex;
      if (!T_NAV_GROUP_DATA_bIsUniqueLinkedGroupBodyEX(pData, next)) break;
      b = next;
    }
  }
  TREE_vUnlock();
  return bDone;
}

BOOLEAN T_NAV_GROUP_DATA_bReplaceLink(U16 indexGroup, U16 indexLinkToRemove, U16 indexLinkToAdd) {
  return T_NAV_GROUP_DATA_bReplaceLinkEX(nullptr, indexGroup, indexLinkToRemove, indexLinkToAdd);
}

// ---------------------------------------------------------------------------
// Waypoints into routes

static BOOLEAN TREE_bStoreRoute(NAV_DATA_SPACE* pData, U16 u16Index, ROUTE* pRoute) {
  if (pData == nullptr) return T_NAV_bSaveRoute(u16Index, pRoute, FALSE);
  T_NAV_vSaveRouteEX(pData, u16Index, pRoute, FALSE);
  return TRUE;
}

BOOLEAN T_NAV_GROUP_DATA_bRouteAddLinkEX(NAV_DATA_SPACE* pData, U16 indexRoute, U16 indexWaypointToAdd) {
  U16 r, w;
  if (T_NAV_RECORDS_eItemKind(indexWaypointToAdd, &w) != NAV_ITEM_WAYPOINT ||
      T_NAV_RECORDS_eItemKind(indexRoute, &r) != NAV_ITEM_ROUTE || !TREE_bIsWaypoint(pData, w)) {
    return FALSE;
  }
  const BOOLEAN bSidesDiffer = T_NAV_bIsNotSharedLinkEX(pData, indexRoute) != T_NAV_bIsNotSharedLinkEX(pData, w);
  if (pData == nullptr && bSidesDiffer && T_NAV_bHasSameContentLinkInTargetRoute(r, w)) return FALSE;
  TREE_vLock();
  const ROUTE* pRoute = T_NAV_pGetRouteEX(pData, r);
  BOOLEAN bDone = pRoute != nullptr && (pRoute->nCount != 0 || pRoute->u32DateTime != 0) &&
                  pRoute->nCount < NAV_MAX_ROUTE_POINTS;
  ROUTE route;
  if (bDone) route = *pRoute;
  if (bDone && bSidesDiffer) {
    WAYPOINT copy = *T_NAV_pGetWaypointEX(pData, w);
    copy.bWpNotShared = route.bRtNotShared;
    const U32 compactions = T_NAV_TWR_u32Compactions();
    w = pData == nullptr ? T_NAV_nAddWaypoint(&copy, FALSE) : T_NAV_nAddWaypointEX(pData, &copy, FALSE);
    bDone = w != NAV_NONE;
    // The copy may have compacted the table and moved the route's points.
    if (bDone && pData == nullptr && T_NAV_TWR_u32Compactions() != compactions) T_NAV_vCopyRoute(r, &route);
  }
  if (bDone && route.nCount > 0) {
    const U16 lastPoint = route.anWaypoint[route.nCount - 1];
    const WAYPOINT* pLast = lastPoint < NAV_MAX_WAYPOINTS ? T_NAV_pGetWaypointEX(pData, lastPoint) : nullptr;
    bDone = pLast == nullptr || !T_NAV_bWaypointCompare(pLast, T_NAV_pGetWaypointEX(pData, w));
  }
  if (bDone) {
    route.anWaypoint[route.nCount] = w;
    route.nCount = route.nCount + 1;
    bDone = TREE_bStoreRoute(pData, r, &route);
  }
  TREE_vUnlock();
  return bDone;
}

BOOLEAN T_NAV_GROUP_DATA_bRouteAddLink(U16 indexRoute, U16 indexWaypointToAdd) {
  return T_NAV_GROUP_DATA_bRouteAddLinkEX(nullptr, indexRoute, indexWaypointToAdd);
}

BOOLEAN T_NAV_GROUP_DATA_bRouteAddLinkOnline(U16 indexRoute, U16 indexWaypointToAdd, U32 nCount, U32* pIndex,
                                             U16* pLastIndex) {
  U16 r;
  if (indexWaypointToAdd >= NAV_MAX_WAYPOINTS) {
    T_NAV_STORE_vNote(Cannot_Add_This_Data[nCurrentLanguage()], 2);
    return FALSE;
  }
  if (pIndex == nullptr || pLastIndex == nullptr || T_NAV_RECORDS_eItemKind(indexRoute, &r) != NAV_ITEM_ROUTE ||
      *pIndex >= nCount || *pIndex >= NAV_MAX_ROUTE_POINTS || !TREE_bIsWaypoint(nullptr, indexWaypointToAdd)) {
    return FALSE;
  }
  TREE_vLock();
  ROUTE route;
  T_NAV_vCopyRoute(r, &route);
  BOOLEAN bDone = TRUE;
  const BOOLEAN bRepeat = *pLastIndex < NAV_MAX_WAYPOINTS &&
                          T_NAV_bWaypointCompare(T_NAV_pGetWaypoint(*pLastIndex), T_NAV_pGetWaypoint(indexWaypointToAdd));
  if (!bRepeat) {
    route.anWaypoint[*pIndex] = indexWaypointToAdd;
    if (route.nCount < *pIndex + 1) route.nCount = *pIndex + 1;
    bDone = T_NAV_bRouteStore(r, &route, FALSE, FALSE);
    if (bDone) {
      ++*pIndex;
      *pLastIndex = indexWaypointToAdd;
    }
  }
  TREE_vUnlock();
  return bDone;
}

BOOLEAN T_NAV_GROUP_DATA_bRouteRemoveLinkEX(NAV_DATA_SPACE* pData, U16 indexRoute, U16 indexWaypointToRemove) {
  U16 r;
  if (T_NAV_RECORDS_eItemKind(indexRoute, &r) != NAV_ITEM_ROUTE) return FALSE;
  TREE_vLock();
  const ROUTE* pRoute = T_NAV_pGetRouteEX(pData, r);
  BOOLEAN bDone = FALSE;
  if (pRoute != nullptr && pRoute->nCount > 0 && pRoute->nCount <= NAV_MAX_ROUTE_POINTS) {
    ROUTE route = *pRoute;
    for (U32 k = 0; k < route.nCount && !bDone; k++) {
      if (route.anWaypoint[k] != indexWaypointToRemove) continue;
      memmove(&route.anWaypoint[k], &route.anWaypoint[k + 1], (route.nCount - k - 1) * sizeof route.anWaypoint[0]);
      route.nCount = route.nCount - 1;
      bDone = TREE_bStoreRoute(pData, r, &route);
    }
  }
  TREE_vUnlock();
  return bDone;
}

BOOLEAN T_NAV_GROUP_DATA_bRouteRemoveLink(U16 indexRoute, U16 indexWaypointToRemove) {
  return T_NAV_GROUP_DATA_bRouteRemoveLinkEX(nullptr, indexRoute, indexWaypointToRemove);
}

// ---------------------------------------------------------------------------
// Membership and searches

typedef struct tag_TREE_SEARCH {
  U16 u16Waypoint;
  BOOLEAN bVisibleOnly;
  BOOLEAN bFound;
  U32 u32Steps;
} TREE_SEARCH;

static BOOLEAN TREE_bSearchPlace(U16* pItem, void* pContext, BOOLEAN*) {
  TREE_SEARCH* s = (TREE_SEARCH*)pContext;
  U16 index;
  if (++s->u32Steps > TREE_STEP_LIMIT) return FALSE;
  if (*pItem == s->u16Waypoint) {
    s->bFound = TRUE;
  } else if (T_NAV_RECORDS_eItemKind(*pItem, &index) == NAV_ITEM_ROUTE && s->u16Waypoint < NAV_MAX_WAYPOINTS) {
    const ROUTE* r = T_NAV_pGetRoute(index);
    s->bFound = !(s->bVisibleOnly && r->bHide) && r->nCount <= NAV_MAX_ROUTE_POINTS &&
                T_NAV_bWaypointUsedInRoute(s->u16Waypoint, (ROUTE*)r);
  }
  return !s->bFound;
}

// A hidden group is passed over with everything below it when only
// visible ones count.
static TREE_VISIT TREE_eSearchGroup(NAV_DATA_SPACE*, U16, GROUP_SLOT* pHeader, void* pContext) {
  TREE_SEARCH* s = (TREE_SEARCH*)pContext;
  if (s->bVisibleOnly && pHeader->sHeader.bHide) return TREE_PASS;
  return TREE_bEachPlace(pHeader, TREE_bSearchPlace, s) ? TREE_ENTER : TREE_STOP;
}

static BOOLEAN TREE_bIsIn(U16 u16Waypoint, BOOLEAN bVisibleOnly) {
  if (s_IdRootGroup == NAV_NONE) return FALSE;
  TREE_SEARCH search = {u16Waypoint, bVisibleOnly, FALSE, 0};
  TREE_vLock();
  TREE_bVisitGroups(nullptr, s_IdRootGroup, TREE_STEP_LIMIT, TREE_eSearchGroup, &search);
  TREE_vUnlock();
  return search.bFound && search.u32Steps <= TREE_STEP_LIMIT;
}

BOOLEAN T_NAV_GROUP_DATA_bIsInAnyGroup(U16 indexWaypoint) { return TREE_bIsIn(indexWaypoint, FALSE); }

typedef struct tag_TREE_VISIBLE {
  BOOLEAN* pbVisible;
  U32 u32Steps;
} TREE_VISIBLE;

static void TREE_vMarkVisible(TREE_VISIBLE* v, U16 u16Waypoint) {
  const WAYPOINT* w = u16Waypoint < NAV_MAX_WAYPOINTS ? T_NAV_pGetWaypoint(u16Waypoint) : nullptr;
  if (w != nullptr && !w->bHide) v->pbVisible[u16Waypoint] = TRUE;
}

static BOOLEAN TREE_bVisiblePlace(U16* pItem, void* pContext, BOOLEAN*) {
  TREE_VISIBLE* v = (TREE_VISIBLE*)pContext;
  U16 index;
  if (++v->u32Steps > TREE_STEP_LIMIT) return FALSE;
  switch (T_NAV_RECORDS_eItemKind(*pItem, &index)) {
    case NAV_ITEM_WAYPOINT:
      TREE_vMarkVisible(v, index);
      break;
    case NAV_ITEM_ROUTE: {
      // A shown route shows its points, whatever group holds them.
      const ROUTE* r = T_NAV_pGetRoute(index);
      if (r == nullptr || r->bHide) break;
      const U32 n = r->nCount <= NAV_MAX_ROUTE_POINTS ? r->nCount : NAV_MAX_ROUTE_POINTS;
      for (U32 i = 0; i < n; i++) TREE_vMarkVisible(v, r->anWaypoint[i]);
      break;
    }
    default:
      break;
  }
  return TRUE;
}

// A hidden group hides everything below it that no shown group also holds.
static TREE_VISIT TREE_eVisibleGroup(NAV_DATA_SPACE*, U16, GROUP_SLOT* pHeader, void* pContext) {
  if (pHeader->sHeader.bHide) return TREE_PASS;
  return TREE_bEachPlace(pHeader, TREE_bVisiblePlace, pContext) ? TREE_ENTER : TREE_STOP;
}

BOOLEAN T_NAV_GROUP_DATA_bMarkVisibleWaypoints(BOOLEAN* pbVisible) {
  if (pbVisible == nullptr || s_IdRootGroup == NAV_NONE) return FALSE;
  TREE_VISIBLE visible = {pbVisible, 0};
  TREE_vLock();
  const BOOLEAN bDone = TREE_bVisitGroups(nullptr, s_IdRootGroup, TREE_STEP_LIMIT, TREE_eVisibleGroup, &visible) &&
                        visible.u32Steps <= TREE_STEP_LIMIT;
  TREE_vUnlock();
  return bDone;
}
BOOLEAN T_NAV_GROUP_DATA_bIsInAnyVisibleGroup(U16 indexWaypoint) { return TREE_bIsIn(indexWaypoint, TRUE); }

typedef struct tag_TREE_UNIT {
  U16 u16Old;
  U16 u16New;
  U32 u32Steps;
} TREE_UNIT;

// Written through: a table that differs from its files would give the
// tracks back their old unit at the next start.
static BOOLEAN TREE_bRenamePlace(U16* pItem, void* pContext, BOOLEAN* pbChanged) {
  TREE_UNIT* u = (TREE_UNIT*)pContext;
  U16 index;
  if (++u->u32Steps > TREE_STEP_LIMIT) return FALSE;
  if (T_NAV_RECORDS_eItemKind(*pItem, &index) == NAV_ITEM_TRACK && (*pItem & NAV_ITEM_UNIT_BITS) == u->u16Old) {
    *pItem = (U16)(NAV_ITEM_TRACK_BASE + u->u16New + index);
    *pbChanged = TRUE;
  }
  return TRUE;
}

static TREE_VISIT TREE_eRenameTracks(NAV_DATA_SPACE*, U16, GROUP_SLOT* pHeader, void* pContext) {
  return TREE_bEachPlace(pHeader, TREE_bRenamePlace, pContext) ? TREE_ENTER : TREE_STOP;
}

BOOLEAN T_NAV_GROUP_DATA_bChangeu7UnitID(U16 u7UnitID) {
  if (s_IdRootGroup == NAV_NONE) return FALSE;
  TREE_UNIT unit = {s_u7UnitID, (U16)(u7UnitID & NAV_ITEM_UNIT_BITS), 0};
  TREE_vLock();
  const BOOLEAN bDone = TREE_bVisitGroups(nullptr, s_IdRootGroup, TREE_STEP_LIMIT, TREE_eRenameTracks, &unit) &&
                        unit.u32Steps <= TREE_STEP_LIMIT;
  s_u7UnitID = unit.u16New;
  H_DATABASE_bUpdateValueU32(FCID("SUID"), s_u7UnitID, P_NORMAL);
  TREE_vUnlock();
  return bDone;
}

// Whether two items of one kind hold records of the same content.
static BOOLEAN TREE_bSameContent(U16 u16A, U16 u16B) {
  U16 a, b;
  const NAV_ITEM_KIND kind = T_NAV_RECORDS_eItemKind(u16A, &a);
  if (kind != T_NAV_RECORDS_eItemKind(u16B, &b)) return FALSE;
  switch (kind) {
    case NAV_ITEM_WAYPOINT:
      return T_NAV_bWaypointCompare(T_NAV_pGetWaypoint(a), T_NAV_pGetWaypoint(b));
    case NAV_ITEM_GROUP: {
      GROUP_SLOT ga, gb;
      return TREE_bReadAs(nullptr, u16A, WPT_STATUS_GROUP_HEADER, &ga) &&
             TREE_bReadAs(nullptr, u16B, WPT_STATUS_GROUP_HEADER, &gb) && T_NAV_bGroupCompare(&ga.sHeader, &gb.sHeader);
    }
    case NAV_ITEM_ROUTE:
      return T_NAV_bCompareRoutesEX(T_NAV_pGetRoute(a), T_NAV_pGetRoute(b), nullptr);
    case NAV_ITEM_TRACK:
      return ((u16A ^ u16B) & NAV_ITEM_UNIT_BITS) == 0 &&
             T_NAV_DATA_bTrackCompareEX(T_NAV_pGetTrackHeader(a), T_NAV_pGetTrackHeader(b));
    default:
      return FALSE;
  }
}

// Calls pfMatch on each item of the group's chain (on into the lock chain
// for the root) until it answers TRUE; that item, or 65535. Under mutex 9.
static U16 TREE_u16FindItem(U16 u16Group, BOOLEAN (*pfMatch)(U16, const void*), const void* pContext) {
  GROUP_SLOT header, body;
  if (!TREE_bReadAs(nullptr, u16Group, WPT_STATUS_GROUP_HEADER, &header)) return NAV_NONE;
  TREE_vMetReset(header.sHeader.u16FirstBodyIndex);
  for (U16 b = header.sHeader.u16FirstBodyIndex; b != NAV_NONE;) {
    if (!TREE_bReadAs(nullptr, b, WPT_STATUS_GROUP_BODY, &body) || TREE_bSameSlot(body.sBody.u16NextIndex, b)) break;
    for (U16 item : body.sBody.u16Item) {
      if (item != NAV_NONE && pfMatch(item, pContext)) return item;
    }
    const U16 next = body.sBody.u16NextIndex;
    if (!T_NAV_GROUP_DATA_bIsUniqueLinkedGroupBodyEX(nullptr, next)) break;
    b = next;
  }
  return NAV_NONE;
}

static BOOLEAN TREE_bMatchContent(U16 u16Item, const void* pContext) {
  return TREE_bSameContent(u16Item, *(const U16*)pContext);
}

BOOLEAN T_NAV_bHasSameContentLinkInTargetGroup(U16 indexGroup, U16 nUidLinkToAdd) {
  TREE_vLock();
  const BOOLEAN bFound = TREE_u16FindItem(indexGroup, TREE_bMatchContent, &nUidLinkToAdd) != NAV_NONE;
  TREE_vUnlock();
  return bFound;
}

typedef struct tag_TREE_FIND {
  COMPARE_STYLE eStyle;
  const void* pRecord;
} TREE_FIND;

static BOOLEAN TREE_bMatchRecord(U16 u16Item, const void* pContext) {
  const TREE_FIND* f = (const TREE_FIND*)pContext;
  U16 index;
  const NAV_ITEM_KIND kind = T_NAV_RECORDS_eItemKind(u16Item, &index);
  switch (f->eStyle) {
    case FIND_GROUPHEADER_IN_GROUP: {
      GROUP_SLOT g;
      GROUP_HEADER given;
      memcpy(&given, f->pRecord, sizeof given);
      return kind == NAV_ITEM_GROUP && TREE_bReadAs(nullptr, u16Item, WPT_STATUS_GROUP_HEADER, &g) &&
             T_NAV_bGroupCompare(&g.sHeader, &given);
    }
    case FIND_WAYPOINT_IN_GROUP:
      return kind == NAV_ITEM_WAYPOINT && T_NAV_bWaypointCompare(T_NAV_pGetWaypoint(index), (const WAYPOINT*)f->pRecord);
    case FIND_ROUTE_IN_GROUP:
      return kind == NAV_ITEM_ROUTE && T_NAV_bCompareRoutesEX(T_NAV_pGetRoute(index), (ROUTE*)f->pRecord, nullptr);
    case FIND_TRACK_IN_GROUP:
      return kind == NAV_ITEM_TRACK && (u16Item & NAV_ITEM_UNIT_BITS) == s_u7UnitID &&
             T_NAV_DATA_bTrackCompareEX(T_NAV_pGetTrackHeader(index), (const TRACK_HEADER*)f->pRecord);
    default:
      return FALSE;
  }
}

U16 T_NAV_u16FindInGroup(COMPARE_STYLE compareStyle, const void* pDataInMMC, U32 index) {
  if (pDataInMMC == nullptr || index > 0xFFFF) return NAV_NONE;
  const TREE_FIND find = {compareStyle, pDataInMMC};
  TREE_vLock();
  const U16 found = TREE_u16FindItem((U16)index, TREE_bMatchRecord, &find);
  TREE_vUnlock();
  return found;
}

void T_NAV_GROUP_DATA_vRenumberLinks(const U16* pu16From, const U16* pu16To, U32 u32Count) {
  if (pu16From == nullptr || pu16To == nullptr || u32Count == 0) return;
  TREE_vLock();
  GROUP_SLOT body;
  for (U32 i = 0; i < NAV_MAX_WAYPOINTS; i++) {
    if (!TREE_bRead(nullptr, (S32)i, &body) || TREE_u8Status(&body) != WPT_STATUS_GROUP_BODY) continue;
    BOOLEAN bChanged = FALSE;
    for (U16& item : body.sBody.u16Item) {
      for (U32 m = 0; m < u32Count && item != NAV_NONE; m++) {
        if (item == pu16From[m]) {
          item = pu16To[m];
          bChanged = TRUE;
          break;
        }
      }
    }
    if (bChanged) T_NAV_bSetGroupSlot((U16)(NAV_ITEM_GROUP_BASE | i), &body);
  }
  TREE_vUnlock();
}
