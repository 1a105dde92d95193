// Data spaces, the store's tables detached from the live ones (the importing
// buffer and the selected space), and the shared side summarised, sent,
// received, kept aside and written back for a linked unit.
//
// A data space is plain memory: its operations write no file. Everything
// that comes from another unit is checked as the start-up reader checks
// files before it reaches the live tables.

#include <stdio.h>
#include <string.h>
#include <zlib.h>

#include "h_database.h"
#include "h_memory.h"
#include "linuxsvc.h"
#include "t_nav_data.h"
#include "t_nav_group_data.h"
#include "t_nav_group_data_int.h"
#include "t_nav_nvram_flash.h"
#include "t_nav_twr.h"
#include "u_wstring.h"

static void SPACES_vLock(void) { L_MUTEX_LockWait(RES_NAV_DATA); }
static void SPACES_vUnlock(void) { L_MUTEX_Unlock(RES_NAV_DATA); }

static BOOLEAN SPACES_bInUse(const ROUTE* r) { return r != nullptr && (r->nCount != 0 || r->u32DateTime != 0); }

static U32 SPACES_u32Waypoints(const NAV_DATA_SPACE* p) { return TREE_u32Slots(p); }
static U32 SPACES_u32Routes(const NAV_DATA_SPACE* p) {
  if (p->pRoute == nullptr) return 0;
  return p->u16RouteCount < NAV_MAX_ROUTES ? p->u16RouteCount : NAV_MAX_ROUTES;
}
static U32 SPACES_u32Tracks(const NAV_DATA_SPACE* p) {
  if (p->pTrackHeader == nullptr) return 0;
  return p->u16TrackCount < NAV_MAX_TRACKS ? p->u16TrackCount : NAV_MAX_TRACKS;
}

// ---------------------------------------------------------------------------
// Accessors

WAYPOINT* T_NAV_pGetWaypointEX(NAV_DATA_SPACE* pData, U32 nIndex) {
  if (pData == nullptr) return nIndex == NAV_NONE ? nullptr : T_NAV_pGetWaypoint(nIndex);
  return nIndex < SPACES_u32Waypoints(pData) ? &pData->pWaypoint[nIndex] : nullptr;
}

ROUTE* T_NAV_pGetRouteEX(NAV_DATA_SPACE* pData, U32 nIndex) {
  if (pData == nullptr) return T_NAV_pGetRoute(nIndex);
  return nIndex < SPACES_u32Routes(pData) ? &pData->pRoute[nIndex] : nullptr;
}

TRACK_HEADER* T_NAV_pGetTrackHeaderEX(NAV_DATA_SPACE* pData, U32 nIndex) {
  if (pData == nullptr) return T_NAV_pGetTrackHeader(nIndex);
  return nIndex < SPACES_u32Tracks(pData) ? &pData->pTrackHeader[nIndex] : nullptr;
}

GROUP_SLOT* T_NAV_pGetGroupSlotEX(NAV_DATA_SPACE* pData, U16 slotIndex) {
  if (pData == nullptr) return T_NAV_pGetGroupSlot(slotIndex);
  const S32 slot = TREE_nSlot(slotIndex);
  if (slot < 0 || (U32)slot >= SPACES_u32Waypoints(pData)) return nullptr;
  const U8 status = pData->pWaypoint[slot].u8Status;
  if (status != WPT_STATUS_GROUP_HEADER && status != WPT_STATUS_GROUP_BODY && status != WPT_STATUS_GROUP_ANY) {
    return nullptr;
  }
  return reinterpret_cast<GROUP_SLOT*>(&pData->pWaypoint[slot]);
}

// The first header named Home without a parent. Home in any language: a
// space made before the language changed still has its root.
static S32 SPACES_nRootSlot(const NAV_DATA_SPACE* pData) {
  GROUP_SLOT slot;
  for (U32 i = 0; i < SPACES_u32Waypoints(pData); i++) {
    memcpy(&slot, &pData->pWaypoint[i], sizeof slot);
    if (slot.sHeader.u8Status == WPT_STATUS_GROUP_HEADER && slot.sHeader.u16ParentIndex == NAV_NONE &&
        TREE_bIsHomeName(slot.sHeader.sName)) {
      return (S32)i;
    }
  }
  return -1;
}

GROUP_SLOT* T_NAV_pGetRootGroupSlotEX(NAV_DATA_SPACE* pData) {
  if (pData == nullptr) return T_NAV_pGetGroupSlot(T_NAV_GROUP_DATA_nGetRootGroup());
  const S32 slot = SPACES_nRootSlot(pData);
  return slot < 0 ? nullptr : reinterpret_cast<GROUP_SLOT*>(&pData->pWaypoint[slot]);
}

U16 T_NAV_vGetRootGroupIDEx(NAV_DATA_SPACE* pData) {
  if (pData == nullptr) return T_NAV_GROUP_DATA_nGetRootGroup();
  const S32 slot = SPACES_nRootSlot(pData);
  return slot < 0 ? NAV_NONE : (U16)(NAV_ITEM_GROUP_BASE | slot);
}

BOOLEAN T_NAV_bIsNotSharedLinkEX(NAV_DATA_SPACE* pData, U16 indexLinkToAdd) {
  if (pData == nullptr) return T_NAV_bIsNotSharedLink(indexLinkToAdd);
  U16 index;
  switch (T_NAV_RECORDS_eItemKind(indexLinkToAdd, &index)) {
    case NAV_ITEM_WAYPOINT:
    case NAV_ITEM_GROUP:
      return index < SPACES_u32Waypoints(pData) && pData->pWaypoint[index].bWpNotShared;
    case NAV_ITEM_ROUTE:
      return index < SPACES_u32Routes(pData) && pData->pRoute[index].bRtNotShared;
    default:
      return FALSE;
  }
}

BOOLEAN T_NAV_bWaypointsExistEX(NAV_DATA_SPACE* pData) {
  if (pData == nullptr) return T_NAV_bWaypointsExist();
  for (U32 i = 0; i < SPACES_u32Waypoints(pData); i++) {
    const U8 status = pData->pWaypoint[i].u8Status;
    if (status >= WPT_STATUS_SAVED && status <= WPT_STATUS_SAVED_2) return TRUE;
  }
  return FALSE;
}

BOOLEAN T_NAV_bGroupCompare(const GROUP_HEADER* pGroup1, const GROUP_HEADER* pGroup2) {
  if (pGroup1 == nullptr || pGroup2 == nullptr) return FALSE;
  return memcmp(pGroup1, pGroup2, 1) == 0 && pGroup1->u8Icon == pGroup2->u8Icon &&
         pGroup1->u16Depth == pGroup2->u16Depth && pGroup1->u32DateTime == pGroup2->u32DateTime &&
         U_WSTRING_s32w_strncmp(pGroup1->sName, pGroup2->sName, NAV_WAYPOINT_NAME_SIZE) == 0;
}

BOOLEAN T_NAV_bFindRouteInGroup(ROUTE* pDataInMMC, NAV_DATA_SPACE* pData, U16 index) {
  if (pDataInMMC == nullptr) return FALSE;
  GROUP_SLOT header, body;
  BOOLEAN bFound = FALSE;
  SPACES_vLock();
  if (TREE_bReadAs(nullptr, index, WPT_STATUS_GROUP_HEADER, &header)) {
    TREE_vMetReset(header.sHeader.u16FirstBodyIndex);
    for (U16 b = header.sHeader.u16FirstBodyIndex; b != NAV_NONE && !bFound;) {
      if (!TREE_bReadAs(nullptr, b, WPT_STATUS_GROUP_BODY, &body)) break;
      for (U16 item : body.sBody.u16Item) {
        U16 r;
        if (!bFound && T_NAV_RECORDS_eItemKind(item, &r) == NAV_ITEM_ROUTE) {
          bFound = T_NAV_bCompareRoutesEX(T_NAV_pGetRoute(r), pDataInMMC, pData);
        }
      }
      const U16 next = body.sBody.u16NextIndex;
      if (!T_NAV_GROUP_DATA_bIsUniqueLinkedGroupBodyEX(nullptr, next)) break;
      b = next;
    }
  }
  SPACES_vUnlock();
  return bFound;
}

// ---------------------------------------------------------------------------
// Edits

static S32 SPACES_nFreeSlot(const NAV_DATA_SPACE* pData) {
  for (U32 i = 0; i < SPACES_u32Waypoints(pData); i++) {
    if (pData->pWaypoint[i].u8Status == WPT_STATUS_FREE) return (S32)i;
  }
  return -1;
}

U16 T_NAV_u16WaypointAddEX(NAV_DATA_SPACE* pData, WAYPOINT* pWaypoint, BOOLEAN bImport) {
  if (pData == nullptr) return T_NAV_u16WaypointAdd(pWaypoint, bImport, FALSE);
  if (pWaypoint == nullptr || pWaypoint->u8Status < WPT_STATUS_SAVED || pWaypoint->u8Status > WPT_STATUS_SAVED_2) {
    return NAV_NONE;
  }
  const S32 slot = SPACES_nFreeSlot(pData);
  if (slot < 0) {
    T_NAV_GROUP_DATA_vScanGroupForGarbageCollectionEX(pData, T_NAV_vGetRootGroupIDEx(pData));
    return NAV_NONE;
  }
  pData->pWaypoint[slot] = *pWaypoint;
  if (!bImport && U_WSTRING_bIsUnicodeLanguage()) {
    U_WSTRING_vReplaceNarrowWithWide(pData->pWaypoint[slot].sName, NAV_WAYPOINT_NAME_SIZE);
  }
  return (U16)slot;
}

U16 T_NAV_nAddWaypointEX(NAV_DATA_SPACE* pData, WAYPOINT* pWaypoint, BOOLEAN bImport) {
  return T_NAV_u16WaypointAddEX(pData, pWaypoint, bImport);
}

BOOLEAN T_NAV_bDeleteWaypointEX(NAV_DATA_SPACE* pData, U32 nIndex, BOOLEAN bOverridePointOfSale) {
  if (pData == nullptr) return T_NAV_bDeleteWaypoint(nIndex, bOverridePointOfSale);
  if (nIndex >= SPACES_u32Waypoints(pData) || pData->pWaypoint[nIndex].u8Status == WPT_STATUS_FREE) return FALSE;
  memset(&pData->pWaypoint[nIndex], 0, sizeof(WAYPOINT));
  return TRUE;
}

U16 T_NAV_nAllocGroupSlotEX(NAV_DATA_SPACE* pData, BOOLEAN bNotShared) {
  if (pData == nullptr) return T_NAV_nAllocGroupSlot(bNotShared);
  const S32 slot = SPACES_nFreeSlot(pData);
  if (slot < 0) {
    T_NAV_GROUP_DATA_vScanGroupForGarbageCollectionEX(pData, T_NAV_vGetRootGroupIDEx(pData));
    return NAV_NONE;
  }
  memset(&pData->pWaypoint[slot], 0, sizeof(WAYPOINT));
  pData->pWaypoint[slot].u8Status = WPT_STATUS_GROUP_ANY;
  return (U16)(NAV_ITEM_GROUP_BASE | slot);
}

void T_NAV_vFreeGroupSlotEX(NAV_DATA_SPACE* pData, U16 slotIndex) {
  if (pData == nullptr) {
    T_NAV_vFreeGroupSlot(slotIndex);
    return;
  }
  if (T_NAV_pGetGroupSlotEX(pData, slotIndex) != nullptr) {
    memset(&pData->pWaypoint[TREE_nSlot(slotIndex)], 0, sizeof(WAYPOINT));
  }
}

BOOLEAN T_NAV_bSetGroupSlotEX(NAV_DATA_SPACE* pData, U16 slotIndex, const GROUP_SLOT* pSlot) {
  if (pData == nullptr) return T_NAV_bSetGroupSlot(slotIndex, pSlot);
  const S32 slot = TREE_nSlot(slotIndex);
  if (pSlot == nullptr || slot < 0 || (U32)slot >= SPACES_u32Waypoints(pData)) return FALSE;
  const U8 status = pSlot->sHeader.u8Status;
  if (status != WPT_STATUS_GROUP_HEADER && status != WPT_STATUS_GROUP_BODY) return FALSE;
  if (status == WPT_STATUS_GROUP_BODY && TREE_nSlot(pSlot->sBody.u16NextIndex) == slot) return FALSE;
  memcpy(&pData->pWaypoint[slot], pSlot, sizeof(WAYPOINT));
  return TRUE;
}

U16 T_NAV_nAddTrackEX(NAV_DATA_SPACE* pData, TRACK* pTrack, U32 u32DateTime, char* sName,
                      BOOLEAN bOverridePointOfSale, U16 u16TrackIndex) {
  if (pData == nullptr) return T_NAV_nAddTrack(pTrack, u32DateTime, sName, bOverridePointOfSale);
  if (pTrack == nullptr || u16TrackIndex >= SPACES_u32Tracks(pData)) return NAV_NONE;
  pTrack->sHeader.u32DateTime = u32DateTime;
  // Built aside: the name given may be the header's own.
  char name[TRACK_NAME_SIZE] = {};
  if (sName != nullptr) {
    U_WSTRING_vw_strncpy(name, sName, TRACK_NAME_SIZE, FALSE);
    name[TRACK_NAME_SIZE - 1] = 0;
  } else {
    snprintf(name, TRACK_NAME_SIZE, "%02d", u16TrackIndex + 1);
    U_WSTRING_vReplaceNarrowWithWide(name, TRACK_NAME_SIZE);
  }
  memcpy(pTrack->sHeader.sName, name, TRACK_NAME_SIZE);
  pData->pTrackHeader[u16TrackIndex] = pTrack->sHeader;
  return u16TrackIndex;
}

void T_NAV_vDeleteTrackEX(NAV_DATA_SPACE* pData, U32 nIndex, BOOLEAN bOverridePointOfSale) {
  if (pData == nullptr) {
    T_NAV_bDeleteTrack(nIndex, bOverridePointOfSale);
  } else if (nIndex < SPACES_u32Tracks(pData)) {
    memset(&pData->pTrackHeader[nIndex], 0, sizeof(TRACK_HEADER));
  }
}

BOOLEAN T_NAV_bGetTrackVisibilityEX(NAV_DATA_SPACE* pData, U32 nIndex) {
  return pData == nullptr ? T_NAV_bGetTrackVisibility(nIndex) : nIndex < NAV_MAX_TRACKS;
}

static S32 SPACES_nFreeRoute(const NAV_DATA_SPACE* pData) {
  for (U32 i = 0; i < SPACES_u32Routes(pData); i++) {
    if (!SPACES_bInUse(&pData->pRoute[i])) return (S32)i;
  }
  return -1;
}

U16 T_NAV_u16FindAvailableRouteEX(NAV_DATA_SPACE* pData, BOOLEAN bNotShared) {
  if (pData == nullptr) return T_NAV_u16FindAvailableRoute(bNotShared);
  S32 slot = SPACES_nFreeRoute(pData);
  if (slot < 0) {
    T_NAV_GROUP_DATA_vScanGroupForGarbageCollectionEX(pData, T_NAV_vGetRootGroupIDEx(pData));
    slot = SPACES_nFreeRoute(pData);
  }
  return slot < 0 ? NAV_NONE : (U16)slot;
}

U16 T_NAV_u16RouteAddEX(NAV_DATA_SPACE* pData, ROUTE* pRoute) {
  if (pData == nullptr) return T_NAV_u16RouteAdd(pRoute);
  if (pRoute == nullptr || pRoute->nCount > NAV_MAX_ROUTE_POINTS) return NAV_NONE;
  const U16 slot = T_NAV_u16FindAvailableRouteEX(pData, pRoute->bRtNotShared);
  if (slot == NAV_NONE) return NAV_NONE;
  pData->pRoute[slot] = *pRoute;
  U_WSTRING_vReplaceNarrowWithWide(pData->pRoute[slot].sName, NAV_ROUTE_NAME_SIZE);
  return slot;
}

U16 T_NAV_nAddRouteEX(NAV_DATA_SPACE* pData, ROUTE* pRoute) {
  return pData == nullptr ? T_NAV_nAddRoute(pRoute) : T_NAV_u16RouteAddEX(pData, pRoute);
}

void T_NAV_vRouteStoreEX(NAV_DATA_SPACE* pData, U32 nIndex, ROUTE* pRoute, BOOLEAN bOverridePointOfSale) {
  if (pData == nullptr) {
    T_NAV_bRouteStore(nIndex, pRoute, bOverridePointOfSale, FALSE);
  } else if (pRoute != nullptr && nIndex < SPACES_u32Routes(pData)) {
    pData->pRoute[nIndex] = *pRoute;
  }
}

void T_NAV_vSaveRouteEX(NAV_DATA_SPACE* pData, U32 nIndex, ROUTE* pRoute, BOOLEAN bOverridePointOfSale) {
  if (pData == nullptr) {
    T_NAV_bSaveRoute(nIndex, pRoute, bOverridePointOfSale);
  } else {
    T_NAV_vRouteStoreEX(pData, nIndex, pRoute, bOverridePointOfSale);
  }
}

BOOLEAN T_NAV_bDeleteRouteEX(NAV_DATA_SPACE* pData, U32 nIndex, BOOLEAN bOverridePointOfSale) {
  if (pData == nullptr) return T_NAV_bDeleteRoute(nIndex, bOverridePointOfSale);
  if (nIndex >= SPACES_u32Routes(pData) || !SPACES_bInUse(&pData->pRoute[nIndex])) return FALSE;
  memset(&pData->pRoute[nIndex], 0, sizeof(ROUTE));
  return TRUE;
}

// ---------------------------------------------------------------------------
// The importing buffer and the selected space

typedef struct tag_SPACES_TABLES {
  NAV_DATA_SPACE sSpace;
  WAYPOINT aWaypoint[NAV_MAX_WAYPOINTS];
  ROUTE aRoute[NAV_MAX_ROUTES];
  TRACK_HEADER aTrackHeader[NAV_MAX_TRACKS];
  U32 u32Next;  // the next slot an add from the buffer fills
} SPACES_TABLES;

static SPACES_TABLES* s_pImporting;
static SPACES_TABLES* s_pSelected;

static BOOLEAN SPACES_bMake(SPACES_TABLES** ppTables) {
  if (*ppTables == nullptr) *ppTables = (SPACES_TABLES*)H_MEMORY_pvMallocNoWait(sizeof(SPACES_TABLES));
  SPACES_TABLES* t = *ppTables;
  if (t == nullptr) return FALSE;
  memset(t, 0, sizeof *t);
  t->sSpace = {t->aWaypoint, t->aRoute, t->aTrackHeader, (U16)NAV_MAX_WAYPOINTS, (U16)NAV_MAX_ROUTES,
               (U16)NAV_MAX_TRACKS};
  return TRUE;
}

static void SPACES_vFree(SPACES_TABLES** ppTables) {
  if (*ppTables != nullptr) H_MEMORY_vFree(*ppTables);
  *ppTables = nullptr;
}

BOOLEAN T_NAV_vInitializeImportingBuffer(void) { return SPACES_bMake(&s_pImporting); }
void T_NAV_vFreeImportingBuffer(void) { SPACES_vFree(&s_pImporting); }
NAV_DATA_SPACE* T_NAV_pGetWaypointDataSpaceOnMMC(void) { return s_pImporting != nullptr ? &s_pImporting->sSpace : nullptr; }
BOOLEAN T_NAV_vInitializeNavDataBuffer(void) { return SPACES_bMake(&s_pSelected); }
void T_NAV_vFreeNavDataBuffer(void) { SPACES_vFree(&s_pSelected); }
NAV_DATA_SPACE* T_NAV_nGetSelectNavDataSpace(void) { return s_pSelected != nullptr ? &s_pSelected->sSpace : nullptr; }

WAYPOINT* T_NAV_pGetWaypointFromMMC(U32 nIndex) { return T_NAV_pGetWaypointEX(T_NAV_pGetWaypointDataSpaceOnMMC(), nIndex); }
ROUTE* T_NAV_pGetRouteFromMMC(U32 nIndex) {
  NAV_DATA_SPACE* p = T_NAV_pGetWaypointDataSpaceOnMMC();
  return p == nullptr ? nullptr : T_NAV_pGetRouteEX(p, nIndex);
}
TRACK_HEADER* T_NAV_pGetTrackHeaderFromMMC(U32 nIndex) {
  NAV_DATA_SPACE* p = T_NAV_pGetWaypointDataSpaceOnMMC();
  return p == nullptr ? nullptr : T_NAV_pGetTrackHeaderEX(p, nIndex);
}
GROUP_SLOT* T_NAV_pGetGroupSlotFromMMC(U16 slotIndex) {
  NAV_DATA_SPACE* p = T_NAV_pGetWaypointDataSpaceOnMMC();
  return p == nullptr ? nullptr : T_NAV_pGetGroupSlotEX(p, slotIndex);
}
GROUP_SLOT* T_NAV_pGetRootSlotFromMMC(void) {
  NAV_DATA_SPACE* p = T_NAV_pGetWaypointDataSpaceOnMMC();
  return p == nullptr ? nullptr : T_NAV_pGetRootGroupSlotEX(p);
}

U16 T_NAV_u16ReplaceRootGroup(GROUP_SLOT* pSlot) {
  if (s_pImporting == nullptr || pSlot == nullptr) return NAV_NONE;
  const U8 status = pSlot->sHeader.u8Status;
  if (status != WPT_STATUS_GROUP_HEADER && status != WPT_STATUS_GROUP_BODY) return NAV_NONE;
  memcpy(&s_pImporting->aWaypoint[0], pSlot, sizeof(WAYPOINT));
  if (s_pImporting->u32Next < 1) s_pImporting->u32Next = 1;
  return 0;
}
U16 T_NAV_nReplaceRootGroup(GROUP_SLOT* pSlot) { return T_NAV_u16ReplaceRootGroup(pSlot); }

static U16 SPACES_u16AddFromMMC(const void* pRecord) {
  if (s_pImporting == nullptr || pRecord == nullptr || s_pImporting->u32Next >= NAV_MAX_WAYPOINTS) return NAV_NONE;
  const U32 slot = s_pImporting->u32Next++;
  memcpy(&s_pImporting->aWaypoint[slot], pRecord, sizeof(WAYPOINT));
  return (U16)slot;
}
U16 T_NAV_u16GroupAddFromMMC(GROUP_SLOT* pSlot) { return SPACES_u16AddFromMMC(pSlot); }
U16 T_NAV_u16WaypointAddFromMMC(WAYPOINT* pWaypoint) { return SPACES_u16AddFromMMC(pWaypoint); }
U16 T_NAV_nAddGroupFromMMC(GROUP_SLOT* pSlot) { return SPACES_u16AddFromMMC(pSlot); }
U16 T_NAV_nAddWaypointFromMMC(WAYPOINT* pWaypoint) { return SPACES_u16AddFromMMC(pWaypoint); }

U16 T_NAV_nAddTrackFromMMC(TRACK* pTrack, U32 u32DateTime) {
  if (s_pImporting == nullptr || pTrack == nullptr) return NAV_NONE;
  SPACES_vLock();
  U16 slot = NAV_NONE;
  for (U32 i = 0; i < NAV_MAX_TRACKS && slot == NAV_NONE; i++) {
    if (s_pImporting->aTrackHeader[i].u16Count == 0) slot = (U16)i;
  }
  if (slot != NAV_NONE) {
    pTrack->sHeader.u32DateTime = u32DateTime;
    s_pImporting->aTrackHeader[slot] = pTrack->sHeader;
  }
  SPACES_vUnlock();
  return slot;
}

U16 T_NAV_u16FindAvailableRouteFromMMC(void) {
  NAV_DATA_SPACE* p = T_NAV_pGetWaypointDataSpaceOnMMC();
  const S32 slot = p == nullptr ? -1 : SPACES_nFreeRoute(p);
  return slot < 0 ? NAV_NONE : (U16)slot;
}

void T_NAV_vSaveRouteFromMMC(U32 nIndex, ROUTE* pRoute) {
  NAV_DATA_SPACE* p = T_NAV_pGetWaypointDataSpaceOnMMC();
  if (p != nullptr && nIndex != NAV_NONE) T_NAV_vRouteStoreEX(p, nIndex, pRoute, FALSE);
}

// ---------------------------------------------------------------------------
// Hashes and synchronisation

// The big-endian copies the hashes are taken over, in the records' stored
// form.
static U8 s_BigendianWaypoint[NAV_MAX_WAYPOINTS][NAV_RECORD_SLOT_BYTES];
static U8 s_BigendianRoute[NAV_MAX_ROUTES][NAV_RECORD_ROUTE_BYTES];

static U32 SPACES_u32SharedSlots(void) { return (U32)(T_NAV_s16GetMaxShareWaypointIndex() + 1); }
static U32 SPACES_u32SharedRoutes(void) { return (U32)(T_NAV_s16GetMaxShareRouteIndex() + 1); }

// Slots and routes in the stream's form into the staging tables.
static void SPACES_vStage(U32 u32Slots, U32 u32Routes) {
  for (U32 i = 0; i < u32Slots; i++) {
    WAYPOINT w;
    T_NAV_TWR_vReadSlot(i, &w);
    T_NAV_RECORDS_vPutSlot(s_BigendianWaypoint[i], &w);
    T_NAV_DATA_vGNDHostToBigEndian(NAV_DATA_TYPE_WAYPOINT, s_BigendianWaypoint[i]);
  }
  for (U32 r = 0; r < u32Routes; r++) {
    ROUTE route;
    T_NAV_vCopyRoute(r, &route);
    T_NAV_RECORDS_vPutRoute(s_BigendianRoute[r], &route);
    T_NAV_DATA_vGNDHostToBigEndian(NAV_DATA_TYPE_ROUTE, s_BigendianRoute[r]);
  }
}

static U32 SPACES_u32Crc(const void* pSlots, U32 u32Slots, const void* pRoutes, U32 u32Routes) {
  uLong crc = crc32(0L, Z_NULL, 0);
  crc = crc32(crc, (const Bytef*)pSlots, (uInt)(u32Slots * NAV_RECORD_SLOT_BYTES));
  crc = crc32(crc, (const Bytef*)pRoutes, (uInt)(u32Routes * NAV_RECORD_ROUTE_BYTES));
  return (U32)crc;
}

static U32 SPACES_u32Hash(U32 u32Slots, U32 u32Routes) {
  SPACES_vLock();
  SPACES_vStage(u32Slots, u32Routes);
  const U32 crc = SPACES_u32Crc(s_BigendianWaypoint, u32Slots, s_BigendianRoute, u32Routes);
  SPACES_vUnlock();
  return crc;
}

U32 T_NAV_u32HashAllSharedNavData(void) { return SPACES_u32Hash(SPACES_u32SharedSlots(), SPACES_u32SharedRoutes()); }
U32 T_NAV_u32HashAllNavData(void) { return SPACES_u32Hash(NAV_MAX_WAYPOINTS, NAV_MAX_ROUTES); }

U32 T_NAV_u32HashAllSharedNavDataInBuffer(const U8* pu8NavData) {
  if (pu8NavData == nullptr) return 0;
  const U32 slots = SPACES_u32SharedSlots();
  return SPACES_u32Crc(pu8NavData, slots, pu8NavData + slots * NAV_RECORD_SLOT_BYTES, SPACES_u32SharedRoutes());
}

static void SPACES_vPutBe(U8* p, U32 u32Value, U32 u32Bytes) {
  for (U32 i = 0; i < u32Bytes; i++) p[i] = (U8)(u32Value >> (8 * (u32Bytes - 1 - i)));
}

U8* T_NAV_pGetGroupNavData(U8* p) {
  if (p == nullptr) return nullptr;
  SPACES_vLock();
  const U32 slots = SPACES_u32SharedSlots(), routes = SPACES_u32SharedRoutes();
  SPACES_vStage(slots, routes);
  U8* data = p + NAV_SYNC_HEAD_SIZE;
  memcpy(data, s_BigendianWaypoint, slots * NAV_RECORD_SLOT_BYTES);
  memcpy(data + slots * NAV_RECORD_SLOT_BYTES, s_BigendianRoute, routes * NAV_RECORD_ROUTE_BYTES);
  SPACES_vPutBe(p, SPACES_u32Crc(s_BigendianWaypoint, slots, s_BigendianRoute, routes), 4);
  SPACES_vPutBe(p + 4, slots, 2);
  SPACES_vPutBe(p + 6, routes, 2);
  SPACES_vPutBe(p + 8, 0, 4);
  SPACES_vUnlock();
  return data + slots * NAV_RECORD_SLOT_BYTES + routes * NAV_RECORD_ROUTE_BYTES;
}

U8* T_NAV_pBufferSendSyncedGroupNavDataBack(U8* p) { return T_NAV_pGetGroupNavData(p); }
U8* T_NAV_pBufferSendSyncedGroupNavDataToParvex(U8* p) { return T_NAV_pGetGroupNavData(p); }

// Puts a host-order slot into the live table with its file: saved waypoints
// and group slots as they are, anything else (or a record that fails the
// reader's checks) frees the slot.
static void SPACES_vStoreSlot(U32 nIndex, WAYPOINT* pSlot) {
  if (nIndex >= NAV_MAX_WAYPOINTS) return;
  GROUP_SLOT group;
  memcpy(&group, pSlot, sizeof group);
  const BOOLEAN bValid = T_NAV_NVRAM_bCheckWaypoint(pSlot);
  const U8 status = pSlot->u8Status;
  if (bValid && (status == WPT_STATUS_SAVED || status == WPT_STATUS_SAVED_2)) {
    T_NAV_bSaveWaypoint(nIndex, pSlot, FALSE, FALSE);
    return;
  }
  if (bValid && (status == WPT_STATUS_GROUP_HEADER || status == WPT_STATUS_GROUP_BODY)) {
    // A waypoint in the slot goes first, with its file.
    if (T_NAV_pGetGroupSlot((U16)(NAV_ITEM_GROUP_BASE | nIndex)) == nullptr) T_NAV_bDeleteWaypoint(nIndex, FALSE);
    T_NAV_bSetGroupSlot((U16)(NAV_ITEM_GROUP_BASE | nIndex), &group);
    return;
  }
  if (T_NAV_pGetGroupSlot((U16)(NAV_ITEM_GROUP_BASE | nIndex)) != nullptr) {
    T_NAV_vFreeGroupSlot((U16)(NAV_ITEM_GROUP_BASE | nIndex));
  } else {
    T_NAV_bDeleteWaypoint(nIndex, FALSE);
  }
}

static void SPACES_vStoreRoute(U32 nIndex, ROUTE* pRoute) {
  if (nIndex >= NAV_MAX_ROUTES) return;
  if (SPACES_bInUse(pRoute) && T_NAV_NVRAM_bCheckRoute(pRoute)) {
    T_NAV_bSaveRoute(nIndex, pRoute, FALSE);
  } else {
    T_NAV_bDeleteRoute(nIndex, FALSE);
  }
}

static void SPACES_vRecount(void) {
  T_NAV_TWR_vHashWaypoints();
  T_NAV_TWR_vStatisticWaypointStore(TRUE);
  T_NAV_TWR_vStatisticRouteStore(TRUE);
}

void T_NAV_vStoreAllSyncedGroupNavDataReceived(U8* pNetworkWaypoints, U32 nTotalSyncedWpts, U8* pNetworkRoutes,
                                               U32 nTotalsyncedRoutes) {
  if (nTotalSyncedWpts > NAV_MAX_WAYPOINTS) nTotalSyncedWpts = NAV_MAX_WAYPOINTS;
  if (nTotalsyncedRoutes > NAV_MAX_ROUTES) nTotalsyncedRoutes = NAV_MAX_ROUTES;
  SPACES_vLock();
  const U32 oldSlots = SPACES_u32SharedSlots(), oldRoutes = SPACES_u32SharedRoutes();
  for (U32 i = 0; pNetworkWaypoints != nullptr && i < nTotalSyncedWpts; i++) {
    U8 record[NAV_RECORD_SLOT_BYTES];
    memcpy(record, pNetworkWaypoints + i * NAV_RECORD_SLOT_BYTES, sizeof record);
    T_NAV_DATA_vGNDBigEndianToHost(NAV_DATA_VERSION, NAV_DATA_TYPE_WAYPOINT, record);
    WAYPOINT w;
    T_NAV_RECORDS_vGetSlot(record, &w);
    SPACES_vStoreSlot(i, &w);
  }
  WAYPOINT slot;
  for (U32 i = pNetworkWaypoints != nullptr ? nTotalSyncedWpts : 0; i < oldSlots; i++) {
    T_NAV_TWR_vReadSlot(i, &slot);
    if (slot.u8Status != WPT_STATUS_FREE && !slot.bWpNotShared) {
      memset(&slot, 0, sizeof slot);
      SPACES_vStoreSlot(i, &slot);
    }
  }
  for (U32 r = 0; pNetworkRoutes != nullptr && r < nTotalsyncedRoutes; r++) {
    U8 record[NAV_RECORD_ROUTE_BYTES];
    memcpy(record, pNetworkRoutes + r * NAV_RECORD_ROUTE_BYTES, sizeof record);
    T_NAV_DATA_vGNDBigEndianToHost(NAV_DATA_VERSION, NAV_DATA_TYPE_ROUTE, record);
    ROUTE route;
    T_NAV_RECORDS_vGetRoute(record, &route);
    SPACES_vStoreRoute(r, &route);
  }
  for (U32 r = pNetworkRoutes != nullptr ? nTotalsyncedRoutes : 0; r < oldRoutes; r++) {
    if (!T_NAV_pGetRoute(r)->bRtNotShared) T_NAV_bDeleteRoute(r, FALSE);
  }
  SPACES_vRecount();
  SPACES_vUnlock();
}

BOOLEAN T_NAV_bReplaceSharedNavDataSpace(NAV_DATA_SPACE* pSrcNavData) {
  if (pSrcNavData == nullptr || pSrcNavData->pWaypoint == nullptr || pSrcNavData->pRoute == nullptr) return FALSE;
  SPACES_vLock();
  WAYPOINT live;
  for (U32 i = 0; i < NAV_MAX_WAYPOINTS; i++) {
    WAYPOINT w;
    if (i < SPACES_u32Waypoints(pSrcNavData)) {
      w = pSrcNavData->pWaypoint[i];
    } else {
      memset(&w, 0, sizeof w);
    }
    T_NAV_TWR_vReadSlot(i, &live);
    const BOOLEAN bSourceShared = w.u8Status != WPT_STATUS_FREE && !w.bWpNotShared;
    const BOOLEAN bLiveShared = live.u8Status != WPT_STATUS_FREE && !live.bWpNotShared;
    if (bSourceShared || (bLiveShared && w.u8Status == WPT_STATUS_FREE)) SPACES_vStoreSlot(i, &w);
  }
  for (U32 r = 0; r < NAV_MAX_ROUTES; r++) {
    ROUTE route;
    if (r < SPACES_u32Routes(pSrcNavData)) {
      route = pSrcNavData->pRoute[r];
    } else {
      memset(&route, 0, sizeof route);
    }
    const BOOLEAN bSourceShared = SPACES_bInUse(&route) && !route.bRtNotShared;
    const BOOLEAN bLiveShared = SPACES_bInUse(T_NAV_pGetRoute(r)) && !T_NAV_pGetRoute(r)->bRtNotShared;
    if (bSourceShared || (bLiveShared && !SPACES_bInUse(&route))) SPACES_vStoreRoute(r, &route);
  }
  SPACES_vRecount();
  SPACES_vUnlock();
  return TRUE;
}

void T_NAV_vSaveGpWpSlot(U16 slotIndex, U8* pSlotData) {
  if (pSlotData == nullptr || slotIndex >= NAV_MAX_WAYPOINTS) return;
  WAYPOINT w;
  memcpy(&w, pSlotData, sizeof w);
  T_NAV_DATA_vGNDBigEndianToHost(NAV_DATA_VERSION, NAV_DATA_TYPE_WAYPOINT, (U8*)&w);
  SPACES_vLock();
  SPACES_vStoreSlot(slotIndex, &w);
  SPACES_vUnlock();
}

void T_NAV_vSaveRouteSlot(U16 slotIndex, U8* pRoute) {
  if (pRoute == nullptr || slotIndex >= NAV_MAX_ROUTES) return;
  ROUTE route;
  memcpy(&route, pRoute, sizeof route);
  T_NAV_DATA_vGNDBigEndianToHost(NAV_DATA_VERSION, NAV_DATA_TYPE_ROUTE, (U8*)&route);
  SPACES_vLock();
  SPACES_vStoreRoute(slotIndex, &route);
  SPACES_vUnlock();
}

void T_NAV_vDeleteRouteSlot(U16 slotIndex) { T_NAV_bDeleteRoute(slotIndex, FALSE); }

// The shared side kept aside.
static BOOLEAN s_bWaypointsRoutesBackuped;
static WAYPOINT* s_pWaypointsBackup;
static ROUTE* s_pRoutesBackup;
static U32 s_cntWaypointsBackup;
static U32 s_cntRoutesBackup;

static void SPACES_vDropBackup(void) {
  if (s_pWaypointsBackup != nullptr) H_MEMORY_vFree(s_pWaypointsBackup);
  if (s_pRoutesBackup != nullptr) H_MEMORY_vFree(s_pRoutesBackup);
  s_pWaypointsBackup = nullptr;
  s_pRoutesBackup = nullptr;
  s_cntWaypointsBackup = s_cntRoutesBackup = 0;
  s_bWaypointsRoutesBackuped = FALSE;
}

BOOLEAN T_NAV_bBackupAllWaypointsRoutes(void) {
  SPACES_vLock();
  SPACES_vDropBackup();
  const U32 slots = SPACES_u32SharedSlots(), routes = SPACES_u32SharedRoutes();
  s_pWaypointsBackup = (WAYPOINT*)H_MEMORY_pvMallocNoWait(slots * sizeof(WAYPOINT) + 1);
  s_pRoutesBackup = (ROUTE*)H_MEMORY_pvMallocNoWait(routes * sizeof(ROUTE) + 1);
  if (s_pWaypointsBackup == nullptr || s_pRoutesBackup == nullptr) {
    SPACES_vDropBackup();
    SPACES_vUnlock();
    return FALSE;
  }
  for (U32 i = 0; i < slots; i++) T_NAV_TWR_vReadSlot(i, &s_pWaypointsBackup[i]);
  for (U32 r = 0; r < routes; r++) T_NAV_vCopyRoute(r, &s_pRoutesBackup[r]);
  s_cntWaypointsBackup = slots;
  s_cntRoutesBackup = routes;
  s_bWaypointsRoutesBackuped = TRUE;
  SPACES_vUnlock();
  return TRUE;
}

BOOLEAN T_NAV_bRestoreAllWaypointsRoutes(void) {
  SPACES_vLock();
  const BOOLEAN bHad = s_bWaypointsRoutesBackuped;
  if (bHad) {
    for (U32 i = 0; i < s_cntWaypointsBackup; i++) SPACES_vStoreSlot(i, &s_pWaypointsBackup[i]);
    for (U32 r = 0; r < s_cntRoutesBackup; r++) SPACES_vStoreRoute(r, &s_pRoutesBackup[r]);
    SPACES_vRecount();
  }
  SPACES_vDropBackup();
  SPACES_vUnlock();
  return bHad;
}

void T_NAV_vSolidStoreAllWaypointsRoutes(void) {
  SPACES_vLock();
  WAYPOINT w;
  for (U32 i = 0; i < NAV_MAX_WAYPOINTS; i++) {
    T_NAV_TWR_vReadSlot(i, &w);
    const U8 status = w.u8Status;
    if (status == WPT_STATUS_SAVED || status == WPT_STATUS_SAVED_2 || status == WPT_STATUS_GROUP_HEADER ||
        status == WPT_STATUS_GROUP_BODY) {
      T_NAV_NVRAM_bSaveWaypoint(&w, (U16)i, FALSE);
    }
  }
  for (U32 r = 0; r < NAV_MAX_ROUTES; r++) {
    ROUTE route;
    T_NAV_vCopyRoute(r, &route);
    if (SPACES_bInUse(&route)) T_NAV_bSaveRoute(r, &route, FALSE);
  }
  SPACES_vUnlock();
}

void T_NAV_vDeleteAllTracksWaypointsRoutesForKeepDataOnNetwork(BOOLEAN bOverridePointOfSale) {
  SPACES_vLock();
  for (U32 t = 0; t < NAV_MAX_TRACKS; t++) T_NAV_bDeleteTrack(t, bOverridePointOfSale);
  for (U32 r = 0; r < NAV_MAX_ROUTES; r++) {
    if (SPACES_bInUse(T_NAV_pGetRoute(r))) T_NAV_bDeleteRoute(r, bOverridePointOfSale);
  }
  for (U32 i = 0; i < NAV_MAX_WAYPOINTS; i++) T_NAV_NVRAM_bDeleteWaypoint((U16)i, bOverridePointOfSale);
  H_DATABASE_bUpdateValueS32(FCID("SWID"), 0, P_NORMAL);
  SPACES_vUnlock();
}
