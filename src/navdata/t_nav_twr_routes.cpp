// The 50 routes and the 50 saved-track headers, written through to their
// files, and the drawing settings of each saved track, kept as nibbles in
// database settings. Routes name their points by waypoint slot; saved
// tracks keep their rings in their files only.

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "h_database.h"
#include "linuxsvc.h"
#include "t_nav_store_hooks.h"
#include "t_nav_group_data.h"
#include "t_nav_nvram_flash.h"
#include "t_nav_twr.h"
#include "u_wstring.h"

constexpr U32 ROUTES_PENDING_DELETES = 500;
constexpr U32 TRACK_STYLE_UNREADABLE = 4;
constexpr U32 TRACK_COLOR_UNREADABLE = 16;
constexpr U32 TRACK_COLOR_RANDOM = 16;

static ROUTE s_Route[NAV_MAX_ROUTES];
static ROUTE s_RouteBackup[NAV_MAX_ROUTES];  // each route as last written
static S16 s_nRoutesUsed;
static S16 s_nSeperateRouteIndex = -1;
static S16 s_nMaxShareRouteIndex = -1;
static S16 s_nMinLockRouteIndex = (S16)NAV_MAX_ROUTES - 1;
static TRACK_HEADER s_TrackHeader[NAV_MAX_TRACKS];
// Waypoint slots that route alignment left behind, for the route statistics.
static S16 s_nCheckWptDelete[ROUTES_PENDING_DELETES];
static S32 s_nCheckWptDelCount = -1;

static void ROUTES_vLock(void) { L_MUTEX_LockWait(RES_NAV_DATA); }
static void ROUTES_vUnlock(void) { L_MUTEX_Unlock(RES_NAV_DATA); }

static BOOLEAN ROUTES_bInUse(const ROUTE* p) { return p->nCount != 0 || p->u32DateTime != 0; }

static U32 ROUTES_u32Points(const ROUTE* p) {
  return p->nCount < NAV_MAX_ROUTE_POINTS ? p->nCount : NAV_MAX_ROUTE_POINTS;
}

static BOOLEAN ROUTES_bSamePoints(const ROUTE* p1, const ROUTE* p2) {
  return p1->nCount == p2->nCount &&
         memcmp(p1->anWaypoint, p2->anWaypoint, ROUTES_u32Points(p1) * sizeof p1->anWaypoint[0]) == 0;
}

// ---------------------------------------------------------------------------
// Route slots

U16 T_NAV_u16FindAvailableRoute(BOOLEAN bNotShared) {
  ROUTES_vLock();
  U16 slot = NAV_NONE;
  const BOOLEAN bSuspended = T_NAV_TWR_bSeparatorSuspended();
  const S32 sep = bSuspended ? -1 : s_nSeperateRouteIndex;
  if (bNotShared) {
    for (S32 i = (S32)NAV_MAX_ROUTES - 1; i > sep && slot == NAV_NONE; i--) {
      if (!ROUTES_bInUse(&s_Route[i])) slot = (U16)i;
    }
  } else {
    const S32 end = sep >= 0 ? sep : (S32)NAV_MAX_ROUTES;
    for (S32 i = 0; i < end && slot == NAV_NONE; i++) {
      if (!ROUTES_bInUse(&s_Route[i])) slot = (U16)i;
    }
  }
  if (!bSuspended && slot != NAV_NONE) {
    if (bNotShared && (S16)slot < s_nMinLockRouteIndex) s_nMinLockRouteIndex = (S16)slot;
    if (!bNotShared && (S16)slot > s_nMaxShareRouteIndex) s_nMaxShareRouteIndex = (S16)slot;
    if (s_nMinLockRouteIndex > s_nMaxShareRouteIndex) {
      s_nSeperateRouteIndex = (S16)((s_nMinLockRouteIndex + s_nMaxShareRouteIndex) / 2);
    }
  }
  ROUTES_vUnlock();
  return slot;
}

BOOLEAN T_NAV_bRouteStore(U32 nIndex, ROUTE* pRoute, BOOLEAN bOverridePointOfSale, BOOLEAN) {
  if (nIndex >= NAV_MAX_ROUTES || pRoute == nullptr || pRoute->nCount > NAV_MAX_ROUTE_POINTS) return FALSE;
  const ROUTE r = *pRoute;
  const BOOLEAN bUsed = ROUTES_bInUse(&r);
  if (bUsed && !T_NAV_NVRAM_bSaveRoute(&r, (U16)nIndex, bOverridePointOfSale)) return FALSE;
  if (bUsed && !ROUTES_bInUse(&s_Route[nIndex])) s_nRoutesUsed++;
  s_Route[nIndex] = r;
  if (bUsed) s_RouteBackup[nIndex] = r;
  return TRUE;
}

BOOLEAN T_NAV_bSaveRoute(U32 nIndex, ROUTE* pRoute, BOOLEAN bOverridePointOfSale) {
  ROUTES_vLock();
  const BOOLEAN bDone = T_NAV_bRouteStore(nIndex, pRoute, bOverridePointOfSale, FALSE);
  ROUTES_vUnlock();
  return bDone;
}

U16 T_NAV_u16RouteAdd(ROUTE* pRoute) {
  if (pRoute == nullptr || pRoute->nCount > NAV_MAX_ROUTE_POINTS) return NAV_NONE;
  ROUTES_vLock();
  const U16 slot = T_NAV_u16FindAvailableRoute(pRoute->bRtNotShared);
  ROUTE r = *pRoute;
  if (r.u32DateTime == 0) {
    BOOLEAN bValid = FALSE;
    if (!H_DATABASE_bFetchU32(FCID("IDTM"), &r.u32DateTime, &bValid, nullptr) || !bValid) r.u32DateTime = 0;
  }
  const BOOLEAN bDone = slot != NAV_NONE && T_NAV_bRouteStore(slot, &r, FALSE, FALSE);
  ROUTES_vUnlock();
  return bDone ? slot : NAV_NONE;
}

U16 T_NAV_nAddRoute(ROUTE* pRoute) {
  const U16 slot = T_NAV_u16RouteAdd(pRoute);
  if (slot != NAV_NONE) {
    H_DATABASE_bUpdateValueU32(FCID("CLRT"), slot, P_NORMAL);
    log_me("[%d]%s: CLRT updated to %d\n", __LINE__, __func__, slot);
  }
  return slot;
}

ROUTE* T_NAV_pGetRoute(U32 nIndex) {
  if (nIndex >= NAV_MAX_ROUTES) return nullptr;
  U_WSTRING_vReplaceNarrowWithWide(s_Route[nIndex].sName, sizeof s_Route[nIndex].sName);
  return &s_Route[nIndex];
}

void T_NAV_vCopyRoute(U32 nIndex, ROUTE* pRoute) {
  if (nIndex >= NAV_MAX_ROUTES || pRoute == nullptr) return;
  ROUTES_vLock();
  *pRoute = s_Route[nIndex];
  ROUTES_vUnlock();
}

// ---------------------------------------------------------------------------
// Finding and comparing routes

static BOOLEAN ROUTES_bSameRoute(const ROUTE* p1, const ROUTE* p2) {
  return ROUTES_bSamePoints(p1, p2) && p1->bRtNotShared == p2->bRtNotShared && p1->u32DateTime == p2->u32DateTime &&
         U_WSTRING_s32w_strncmp(p1->sName, p2->sName, NAV_ROUTE_NAME_SIZE) == 0;
}

static U16 ROUTES_u16Find(const ROUTE* pRoute, BOOLEAN (*pfSame)(const ROUTE*, const ROUTE*)) {
  if (pRoute == nullptr) return NAV_NONE;
  ROUTES_vLock();
  U16 found = NAV_NONE;
  for (U32 i = 0; i < NAV_MAX_ROUTES && found == NAV_NONE; i++) {
    if (ROUTES_bInUse(&s_Route[i]) && pfSame(&s_Route[i], pRoute)) found = (U16)i;
  }
  ROUTES_vUnlock();
  return found;
}

U16 T_NAV_u16FindRoute(ROUTE* pRoute) { return ROUTES_u16Find(pRoute, ROUTES_bSameRoute); }
U16 T_NAV_u16FindRouteByPts(ROUTE* pRoute) { return ROUTES_u16Find(pRoute, ROUTES_bSamePoints); }

BOOLEAN T_NAV_bCompareRoutes1(ROUTE* pRoute1, ROUTE* pRoute2) {
  return ROUTES_bSamePoints(pRoute1, pRoute2) && memcmp(pRoute1->sName, pRoute2->sName, NAV_ROUTE_NAME_SIZE) == 0;
}

BOOLEAN T_NAV_bCompareRoutesEX(ROUTE* pRoute1, ROUTE* pRoute2, NAV_DATA_SPACE* pData) {
  if (pData == nullptr) return ROUTES_bSameRoute(pRoute1, pRoute2);
  if (pRoute1->nCount != pRoute2->nCount || pRoute1->u32DateTime != pRoute2->u32DateTime ||
      U_WSTRING_s32w_strncmp(pRoute1->sName, pRoute2->sName, NAV_ROUTE_NAME_SIZE) != 0) {
    return FALSE;
  }
  for (U32 k = 0; k < ROUTES_u32Points(pRoute1); k++) {
    const U16 live = pRoute1->anWaypoint[k], other = pRoute2->anWaypoint[k];
    if (live == NAV_NONE || other == NAV_NONE) {
      if (live != other) return FALSE;
      continue;
    }
    // A point beyond the data space has no record to be equal to.
    if (live >= NAV_MAX_WAYPOINTS || other >= pData->u16WaypointCount || pData->pWaypoint == nullptr) return FALSE;
    if (memcmp(T_NAV_pGetWaypoint(live), &pData->pWaypoint[other], sizeof(WAYPOINT)) != 0) return FALSE;
  }
  return TRUE;
}

BOOLEAN T_NAV_bWaypointUsedInRoute(U32 nIndex, ROUTE* pRoute) {
  if (pRoute == nullptr) return FALSE;
  for (U32 k = 0; k < ROUTES_u32Points(pRoute); k++) {
    if (pRoute->anWaypoint[k] == nIndex) return TRUE;
  }
  return FALSE;
}

BOOLEAN T_NAV_bWaypointUsedInSavedRoute(U32 nIndex) {
  ROUTES_vLock();
  BOOLEAN bUsed = FALSE;
  for (U32 i = 0; i < NAV_MAX_ROUTES && !bUsed; i++) bUsed = T_NAV_bWaypointUsedInRoute(nIndex, &s_Route[i]);
  ROUTES_vUnlock();
  return bUsed;
}

U32 T_NAV_u32GetRoutesUsingWaypoint(U32 nIndex, S32* routeList) {
  constexpr U32 LIST = 5;
  if (routeList == nullptr) return 0;
  for (U32 i = 0; i < LIST; i++) routeList[i] = -1;
  U32 filled = 0;
  ROUTES_vLock();
  for (U32 r = 0; r < NAV_MAX_ROUTES; r++) {
    if (!ROUTES_bInUse(&s_Route[r]) || !T_NAV_bWaypointUsedInRoute(nIndex, &s_Route[r])) continue;
    // Insertion by date, newest first; the oldest falls off a full list.
    U32 at = filled;
    while (at > 0 && s_Route[routeList[at - 1]].u32DateTime < s_Route[r].u32DateTime) at--;
    if (at >= LIST) continue;
    for (U32 k = (filled < LIST ? filled : LIST - 1); k > at; k--) routeList[k] = routeList[k - 1];
    routeList[at] = (S32)r;
    if (filled < LIST) filled++;
  }
  ROUTES_vUnlock();
  return filled;
}

U16 T_NAV_TWR_u16GetMaxUsedRoute(void) {
  for (U32 i = NAV_MAX_ROUTES; i > 0; i--) {
    if (s_Route[i - 1].nCount != 0) return (U16)i;
  }
  return 0;
}

BOOLEAN T_NAV_bScanRoutes(S32* pnIndex, ROUTE** ppRoute) {
  if (pnIndex == nullptr || ppRoute == nullptr || *pnIndex < -1 || *pnIndex + 1 >= (S32)NAV_MAX_ROUTES) return FALSE;
  ++*pnIndex;
  *ppRoute = &s_Route[*pnIndex];
  return TRUE;
}

static void ROUTES_vPendDelete(U16 u16Slot) {
  const S32 count = s_nCheckWptDelCount < 0 ? 0 : s_nCheckWptDelCount;
  for (S32 i = 0; i < count; i++) {
    if (s_nCheckWptDelete[i] == (S16)u16Slot) return;
  }
  if (count >= (S32)ROUTES_PENDING_DELETES) return;
  s_nCheckWptDelete[count] = (S16)u16Slot;
  s_nCheckWptDelCount = count + 1;
}

S32 T_NAV_TWR_nGetPendingWaypointDeletes(const S16** ppSlots) {
  if (ppSlots != nullptr) *ppSlots = s_nCheckWptDelete;
  return s_nCheckWptDelCount;
}

void T_NAV_TWR_vClearPendingWaypointDeletes(void) { s_nCheckWptDelCount = -1; }

BOOLEAN T_NAV_bProcessRouteWaypoints(U16 nOldIndex, U16 nNewIndex) {
  if (nOldIndex >= NAV_MAX_ROUTES || (nNewIndex >= NAV_MAX_ROUTES && nNewIndex != NAV_NONE)) return FALSE;
  ROUTES_vLock();
  ROUTE r = *T_NAV_pGetRoute(nOldIndex);
  BOOLEAN bChanged = FALSE;
  for (U32 k = 0; k < ROUTES_u32Points(&r); k++) {
    const U16 slot = r.anWaypoint[k];
    const WAYPOINT* w = slot < NAV_MAX_WAYPOINTS ? T_NAV_pGetWaypoint(slot) : nullptr;
    if (w == nullptr || w->u8Status == WPT_STATUS_FREE || w->bWpNotShared == r.bRtNotShared) continue;
    WAYPOINT copy = *w;
    copy.u8Status = WPT_STATUS_SAVED;
    copy.bWpNotShared = r.bRtNotShared;
    // The copy keeps its name as it is: bImport.
    const U16 newSlot = T_NAV_u16WaypointAdd(&copy, TRUE, FALSE);
    if (newSlot == NAV_NONE) continue;
    r.anWaypoint[k] = newSlot;
    ROUTES_vPendDelete(slot);
    bChanged = TRUE;
  }
  BOOLEAN bDone = TRUE;
  if (nNewIndex != NAV_NONE || bChanged) {
    bDone = T_NAV_bRouteStore(nNewIndex == NAV_NONE ? nOldIndex : nNewIndex, &r, FALSE, FALSE);
  }
  ROUTES_vUnlock();
  return bDone;
}

BOOLEAN T_NAV_bHasSameContentLinkInTargetRoute(U16 indexRoute, U16 nUidLinkToAdd) {
  U16 slot;
  if (indexRoute >= NAV_MAX_ROUTES || T_NAV_RECORDS_eItemKind(nUidLinkToAdd, &slot) != NAV_ITEM_WAYPOINT) return FALSE;
  ROUTES_vLock();
  const ROUTE* r = &s_Route[indexRoute];
  const U32 n = ROUTES_u32Points(r);
  const U16 last = n > 0 ? r->anWaypoint[n - 1] : NAV_NONE;
  const BOOLEAN bSame = last < NAV_MAX_WAYPOINTS && T_NAV_bWaypointCompare(T_NAV_pGetWaypoint(last), T_NAV_pGetWaypoint(slot));
  ROUTES_vUnlock();
  return bSame;
}

// ---------------------------------------------------------------------------
// Saved-track settings: a nibble per track in eight settings of each kind

static FOURCHARID TRACKS_fcidNibbleKey(char cKind, U32 nIndex) {
  return (FOURCHARID)'S' | (FOURCHARID)'N' << 8 | (FOURCHARID)(U8)cKind << 16 | (FOURCHARID)('1' + nIndex / 8) << 24;
}

static U32 TRACKS_u32Nibble(char cKind, U32 nIndex, U32 u32Unreadable) {
  U32 value;
  if (nIndex >= NAV_MAX_TRACKS || !H_DATABASE_bFetchU32(TRACKS_fcidNibbleKey(cKind, nIndex), &value, nullptr, nullptr)) {
    return u32Unreadable;
  }
  return (value >> (4 * (nIndex % 8))) & 0xF;
}

static BOOLEAN TRACKS_bSetNibble(char cKind, U32 nIndex, U32 u32Value) {
  if (nIndex >= NAV_MAX_TRACKS) return FALSE;
  const FOURCHARID id = TRACKS_fcidNibbleKey(cKind, nIndex);
  const U32 shift = 4 * (nIndex % 8);
  U32 value;
  if (!H_DATABASE_bFetchU32(id, &value, nullptr, nullptr)) value = 0;
  value = (value & ~(0xFu << shift)) | (u32Value & 0xF) << shift;
  return !H_DATABASE_bUpdateValueU32(id, value, P_NORMAL);
}

U32 T_NAV_nGetTrackStyle(U32 nIndex) { return TRACKS_u32Nibble('S', nIndex, TRACK_STYLE_UNREADABLE); }
U32 T_NAV_nGetTrackColor(U32 nIndex) { return TRACKS_u32Nibble('C', nIndex, TRACK_COLOR_UNREADABLE); }
BOOLEAN T_NAV_bSetTrackStyle(U32 nIndex, U32 u32Style) { return TRACKS_bSetNibble('S', nIndex, u32Style); }
BOOLEAN T_NAV_bSetTrackColor(U32 nIndex, U32 u32Color) { return TRACKS_bSetNibble('C', nIndex, u32Color); }

static FOURCHARID TRACKS_fcidVisibility(U32 nIndex) { return nIndex < 32 ? FCID("SNTV") : FCID("SNV2"); }

BOOLEAN T_NAV_bGetTrackVisibility(U32 nIndex) {
  U32 bits;
  if (nIndex >= NAV_MAX_TRACKS) return FALSE;
  if (!H_DATABASE_bFetchU32(TRACKS_fcidVisibility(nIndex), &bits, nullptr, nullptr)) return TRUE;
  return (bits >> (nIndex % 32)) & 1;
}

void T_NAV_vSetTrackVisibility(U32 nIndex, BOOLEAN bVisible) {
  if (nIndex >= NAV_MAX_TRACKS) return;
  const FOURCHARID id = TRACKS_fcidVisibility(nIndex);
  U32 bits;
  if (!H_DATABASE_bFetchU32(id, &bits, nullptr, nullptr)) bits = 0xFFFFFFFFu;
  const U32 bit = 1u << (nIndex % 32);
  H_DATABASE_bUpdateValueU32(id, bVisible ? bits | bit : bits & ~bit, P_NORMAL);
}

// ---------------------------------------------------------------------------
// Saved tracks

// At most 20 bytes of the name, the last forced to 0. The name may be the
// destination itself (a header given its own name), so it is copied aside
// before the destination is cleared.
static void TRACKS_vCopyName(char* pcDest, const char* pcName) {
  char name[TRACK_NAME_SIZE] = {};
  U_WSTRING_vw_strncpy(name, pcName, TRACK_NAME_SIZE, FALSE);
  name[TRACK_NAME_SIZE - 1] = 0;
  memcpy(pcDest, name, TRACK_NAME_SIZE);
}

U16 T_NAV_nAddTrack(TRACK* pTrack, U32 u32DateTime, char* sName, BOOLEAN bOverridePointOfSale) {
  if (pTrack == nullptr || pTrack->sHeader.u16Count == 0) return NAV_NONE;
  ROUTES_vLock();
  U16 slot = NAV_NONE;
  for (U32 i = 0; i < NAV_MAX_TRACKS && slot == NAV_NONE; i++) {
    if (s_TrackHeader[i].u16Count == 0) slot = (U16)i;
  }
  if (slot != NAV_NONE) {
    pTrack->sHeader.u32DateTime = u32DateTime;
    if (sName != nullptr) {
      TRACKS_vCopyName(pTrack->sHeader.sName, sName);
    } else {
      memset(pTrack->sHeader.sName, 0, TRACK_NAME_SIZE);
      snprintf(pTrack->sHeader.sName, TRACK_NAME_SIZE, "%02d", slot + 1);
    }
    if (!T_NAV_NVRAM_bSaveTrack(pTrack, slot, bOverridePointOfSale)) slot = NAV_NONE;
  }
  if (slot != NAV_NONE) {
    s_TrackHeader[slot] = pTrack->sHeader;
    U32 style = 0, color = 0, visible = 1;
    H_DATABASE_bFetchU32(FCID("SNDS"), &style, nullptr, nullptr);
    H_DATABASE_bFetchU32(FCID("SNRC"), &color, nullptr, nullptr);
    H_DATABASE_bFetchU32(FCID("SNDV"), &visible, nullptr, nullptr);
    if (color == TRACK_COLOR_RANDOM) color = (U32)(rand() % 15);
    T_NAV_bSetTrackStyle(slot, style);
    T_NAV_bSetTrackColor(slot, color);
    T_NAV_vSetTrackVisibility(slot, visible != 0);
  }
  ROUTES_vUnlock();
  return slot;
}

BOOLEAN T_NAV_bRenameTrack(U32 nIndex, char* sName) {
  if (nIndex >= NAV_MAX_TRACKS || sName == nullptr) return FALSE;
  ROUTES_vLock();
  TRACK* pTrack = T_NAV_NVRAM_pLoadTrack((S32)nIndex);
  BOOLEAN bDone = pTrack->sHeader.u16Count != 0;
  if (bDone) {
    TRACKS_vCopyName(pTrack->sHeader.sName, sName);
    bDone = T_NAV_NVRAM_bSaveTrack(pTrack, (U16)nIndex, FALSE);
    if (bDone) memcpy(s_TrackHeader[nIndex].sName, pTrack->sHeader.sName, TRACK_NAME_SIZE);
  }
  T_NAV_NVRAM_vReleaseTrack();
  ROUTES_vUnlock();
  return bDone;
}

BOOLEAN T_NAV_bDeleteTrack(U32 nIndex, BOOLEAN bOverridePointOfSale) {
  if (nIndex >= NAV_MAX_TRACKS) return FALSE;
  ROUTES_vLock();
  const BOOLEAN bDone = s_TrackHeader[nIndex].u16Count == 0 || T_NAV_NVRAM_bDeleteTrack((U16)nIndex, bOverridePointOfSale);
  if (bDone) {
    memset(&s_TrackHeader[nIndex], 0, sizeof s_TrackHeader[nIndex]);
    T_NAV_vSetTrackVisibility(nIndex, TRUE);
  }
  ROUTES_vUnlock();
  return bDone;
}

TRACK_HEADER* T_NAV_pGetTrackHeader(U32 nIndex) {
  if (nIndex >= NAV_MAX_TRACKS) return nullptr;
  U_WSTRING_vReplaceNarrowWithWide(s_TrackHeader[nIndex].sName, TRACK_NAME_SIZE);
  return &s_TrackHeader[nIndex];
}

void T_NAV_vCopyTrackInfo(U32 nIndex, char* sName, U32 nLimit, U16* pu16Count, U32* pu32DateTime) {
  if (nIndex >= NAV_MAX_TRACKS) return;
  ROUTES_vLock();
  const TRACK_HEADER h = s_TrackHeader[nIndex];
  ROUTES_vUnlock();
  if (sName != nullptr && nLimit > 0) {
    memset(sName, 0, nLimit);
    memcpy(sName, h.sName, nLimit < TRACK_NAME_SIZE ? nLimit : TRACK_NAME_SIZE);
    sName[nLimit - 1] = 0;
    U_WSTRING_vReplaceNarrowWithWide(sName, nLimit);
  }
  if (pu16Count != nullptr) *pu16Count = h.u16Count;
  if (pu32DateTime != nullptr) *pu32DateTime = h.u32DateTime;
}

BOOLEAN T_NAV_bScanVisibleTracks(const POINT* pptCenterMM, S32 nMMClipLimit, S32* pnIndex,
                                 TRACK_HEADER** ppTrackHeader) {
  if (pptCenterMM == nullptr || pnIndex == nullptr || ppTrackHeader == nullptr || *pnIndex < -1) return FALSE;
  const S64 limit = nMMClipLimit;
  for (S32 i = *pnIndex + 1; i < (S32)NAV_MAX_TRACKS; i++) {
    const TRACK_HEADER* h = &s_TrackHeader[i];
    if (h->u16Count == 0 || !T_NAV_bGetTrackVisibility((U32)i)) continue;
    const S64 left = U_NAV_nFoldX((S32)((S64)h->ptLowerLeft.x - pptCenterMM->x));
    const S64 right = U_NAV_nFoldX((S32)((S64)h->ptUpperRight.x - pptCenterMM->x));
    const S64 bottom = (S64)h->ptLowerLeft.y - pptCenterMM->y;
    const S64 top = (S64)h->ptUpperRight.y - pptCenterMM->y;
    if (left <= limit && bottom <= limit && right >= -limit && top >= -limit) {
      *pnIndex = i;
      *ppTrackHeader = &s_TrackHeader[i];
      return TRUE;
    }
  }
  *pnIndex = (S32)NAV_MAX_TRACKS;
  return FALSE;
}

// ---------------------------------------------------------------------------
// Route sides: shared routes from 0 up, not-shared ones from 49 down

// The highest shared route, the lowest not-shared one (49 when there is
// none) and the separator halfway between when they do not cross.
static void ROUTES_vStatistics(void) {
  s_nMinLockRouteIndex = s_nMaxShareRouteIndex = s_nSeperateRouteIndex = -1;
  for (U32 i = 0; i < NAV_MAX_ROUTES; i++) {
    const ROUTE* r = &s_Route[i];
    if (!ROUTES_bInUse(r) || r->nCount > NAV_MAX_ROUTE_POINTS) continue;
    if (!r->bRtNotShared) {
      s_nMaxShareRouteIndex = (S16)i;
    } else if (s_nMinLockRouteIndex < 0) {
      s_nMinLockRouteIndex = (S16)i;
    }
  }
  if (s_nMinLockRouteIndex < 0) s_nMinLockRouteIndex = (S16)NAV_MAX_ROUTES - 1;
  if (s_nMaxShareRouteIndex <= s_nMinLockRouteIndex) {
    s_nSeperateRouteIndex = (S16)((s_nMaxShareRouteIndex + s_nMinLockRouteIndex) / 2);
  }
}

S16 T_NAV_s16GetMaxShareRouteIndex(void) { return s_nMaxShareRouteIndex; }
S16 T_NAV_s16GetMinLockRouteIndex(void) { return s_nMinLockRouteIndex; }
S16 T_NAV_TWR_s16GetRouteSeparator(void) { return s_nSeperateRouteIndex; }

static void ROUTES_vClear(U32 nIndex) {
  memset(&s_Route[nIndex], 0, sizeof s_Route[nIndex]);
  memset(&s_RouteBackup[nIndex], 0, sizeof s_RouteBackup[nIndex]);
}

BOOLEAN T_NAV_bDeleteRoute(U32 nIndex, BOOLEAN bOverridePointOfSale) {
  if (nIndex >= NAV_MAX_ROUTES) return FALSE;
  ROUTES_vLock();
  BOOLEAN bDone = ROUTES_bInUse(&s_Route[nIndex]) && T_NAV_NVRAM_bDeleteRoute((U16)nIndex, bOverridePointOfSale);
  if (bDone) {
    if (s_nRoutesUsed > 0) s_nRoutesUsed--;
    ROUTES_vClear(nIndex);
    ROUTES_vStatistics();
  }
  ROUTES_vUnlock();
  U32 last;
  if (bDone && H_DATABASE_bFetchU32(FCID("CLRT"), &last, nullptr, nullptr) && last == nIndex) {
    T_NAV_STORE_vSavedRouteGone();
  }
  return bDone;
}

void T_NAV_TWR_vDeleteAllRoutes(BOOLEAN bOverridePointOfSale) {
  ROUTES_vLock();
  for (U32 i = 0; i < NAV_MAX_ROUTES; i++) {
    if (ROUTES_bInUse(&s_Route[i])) T_NAV_NVRAM_bDeleteRoute((U16)i, bOverridePointOfSale);
    ROUTES_vClear(i);
  }
  s_nRoutesUsed = 0;
  ROUTES_vUnlock();
}

U16 T_NAV_u16MoveRoute(U16 nOldIndex) {
  if (nOldIndex >= NAV_MAX_ROUTES) return NAV_NONE;
  ROUTES_vLock();
  U16 to = NAV_NONE;
  if (ROUTES_bInUse(&s_Route[nOldIndex])) {
    if (s_Route[nOldIndex].bRtNotShared) {
      for (S32 i = (S32)NAV_MAX_ROUTES - 1; i > s_nMaxShareRouteIndex && to == NAV_NONE; i--) {
        if (!ROUTES_bInUse(&s_Route[i])) to = (U16)i;
      }
    } else {
      for (S32 i = 0; i < s_nMinLockRouteIndex && to == NAV_NONE; i++) {
        if (!ROUTES_bInUse(&s_Route[i])) to = (U16)i;
      }
    }
  }
  if (to != NAV_NONE && (!T_NAV_bProcessRouteWaypoints(nOldIndex, to) || !T_NAV_NVRAM_bDeleteRoute(nOldIndex, FALSE))) {
    // The route stays where it was; a copy written meanwhile goes again.
    if (ROUTES_bInUse(&s_Route[to]) && T_NAV_NVRAM_bDeleteRoute(to, FALSE)) {
      ROUTES_vClear(to);
      s_nRoutesUsed--;
    }
    to = NAV_NONE;
  }
  if (to != NAV_NONE) {
    ROUTES_vClear(nOldIndex);
    s_nRoutesUsed--;
    const U16 from = (U16)(NAV_ITEM_ROUTE_BASE + nOldIndex), now = (U16)(NAV_ITEM_ROUTE_BASE + to);
    T_NAV_GROUP_DATA_vRenumberLinks(&from, &now, 1);
  }
  ROUTES_vUnlock();
  return to;
}

// Moves not-shared routes up and shared ones down until the sides are two
// slots apart; only moves that widen the gap are made.
static void ROUTES_vCompact(void) {
  for (;;) {
    S32 lowestLocked = -1;
    for (U32 i = 0; i < NAV_MAX_ROUTES && lowestLocked < 0; i++) {
      if (ROUTES_bInUse(&s_Route[i]) && s_Route[i].bRtNotShared) lowestLocked = (S32)i;
    }
    if (lowestLocked < 0 || s_nMaxShareRouteIndex < 0 || s_nMaxShareRouteIndex + 2 < lowestLocked) return;
    // A free slot above the lowest not-shared route is where the move takes
    // it (the highest free one); else one below the highest shared route.
    BOOLEAN bUp = FALSE, bDown = FALSE;
    for (S32 i = lowestLocked + 1; i < (S32)NAV_MAX_ROUTES; i++) bUp = bUp || !ROUTES_bInUse(&s_Route[i]);
    for (S32 i = 0; i < s_nMaxShareRouteIndex; i++) bDown = bDown || !ROUTES_bInUse(&s_Route[i]);
    const BOOLEAN bMoved = (bUp && T_NAV_u16MoveRoute((U16)lowestLocked) != NAV_NONE) ||
                           (bDown && T_NAV_u16MoveRoute((U16)s_nMaxShareRouteIndex) != NAV_NONE);
    ROUTES_vStatistics();
    if (!bMoved) {
      T_NAV_GROUP_DATA_vDisplayGroupNavDataError((char*)__FILE__, __LINE__);
      return;
    }
  }
}

void T_NAV_TWR_vStatisticRouteStore(BOOLEAN bOnlyStatistic) {
  ROUTES_vLock();
  ROUTES_vStatistics();
  if (!bOnlyStatistic) {
    s_nCheckWptDelCount = 0;
    ROUTES_vCompact();
    for (S32 i = s_nMaxShareRouteIndex < 0 ? 0 : s_nMaxShareRouteIndex; i < (S32)NAV_MAX_ROUTES; i++) {
      if (ROUTES_bInUse(&s_Route[i])) T_NAV_bProcessRouteWaypoints((U16)i, NAV_NONE);
    }
    // Waypoints the alignment replaced go, unless a route or a group still
    // holds them.
    for (S32 k = 0; k < s_nCheckWptDelCount; k++) {
      const U16 slot = (U16)s_nCheckWptDelete[k];
      BOOLEAN bUsed = FALSE;
      for (U32 r = 0; r < NAV_MAX_ROUTES && !bUsed; r++) {
        bUsed = s_Route[r].nCount != 0 && T_NAV_bWaypointUsedInRoute(slot, &s_Route[r]);
      }
      if (!bUsed && !T_NAV_GROUP_DATA_bIsInAnyGroup(slot)) T_NAV_bDeleteWaypoint(slot, FALSE);
    }
    s_nCheckWptDelCount = -1;
    ROUTES_vStatistics();
  }
  ROUTES_vUnlock();
}

BOOLEAN T_NAV_bStoreOldRoute(U32 nIndex) { return nIndex < NAV_MAX_ROUTES; }
ROUTE* T_NAV_pGetOldRoute(U32 nIndex) { return nIndex < NAV_MAX_ROUTES ? &s_RouteBackup[nIndex] : nullptr; }

// ---------------------------------------------------------------------------
// Start-up and compaction

ROUTE* T_NAV_TWR_pRouteTable(void) { return s_Route; }
TRACK_HEADER* T_NAV_TWR_pTrackHeaderTable(void) { return s_TrackHeader; }

void T_NAV_TWR_vClearRoutesAndTracks(void) {
  memset(s_TrackHeader, 0, sizeof s_TrackHeader);
  for (ROUTE& r : s_Route) {
    r.nCount = 0;
    r.bHide = 0;
    r.bRtNotShared = 0;
    r.u32DateTime = 0;
  }
}

void T_NAV_TWR_vRoutesLoaded(void) {
  s_nRoutesUsed = 0;
  for (U32 i = 0; i < NAV_MAX_ROUTES; i++) {
    if (!ROUTES_bInUse(&s_Route[i])) {
      memset(&s_Route[i], 0, sizeof s_Route[i]);
      continue;
    }
    s_nRoutesUsed++;
  }
  memcpy(s_RouteBackup, s_Route, sizeof s_Route);
  ROUTES_vStatistics();
  s_nCheckWptDelCount = -1;
}

void T_NAV_TWR_vRenumberRoutePoints(const U16* pu16From, const U16* pu16To, U32 u32Count) {
  ROUTES_vLock();
  for (U32 r = 0; r < NAV_MAX_ROUTES; r++) {
    ROUTE route = s_Route[r];
    if (route.nCount == 0 || route.u32DateTime == 0) continue;
    BOOLEAN bChanged = FALSE;
    for (U32 k = 0; k < ROUTES_u32Points(&route); k++) {
      for (U32 m = 0; m < u32Count; m++) {
        if (route.anWaypoint[k] == pu16From[m]) {
          route.anWaypoint[k] = pu16To[m];
          bChanged = TRUE;
          break;
        }
      }
    }
    // A route whose file keeps the old slots would point elsewhere after the
    // next start; it is kept in RAM either way.
    if (bChanged && !T_NAV_bRouteStore(r, &route, FALSE, FALSE)) s_Route[r] = route;
  }
  ROUTES_vUnlock();
}
