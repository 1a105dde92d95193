// The sorted lists of the store: waypoints, routes and tracks by name, time
// or distance from the boat, and the mixed list of waypoints and route ends
// that the selection screens show. Every comparison ends in a tie-break on
// the index, so the orders are total and the library's sort is well-defined.

#include <stdlib.h>
#include <string.h>

#include "h_database.h"
#include "linuxsvc.h"
#include "navmath.h"
#include "t_nav_twr.h"
#include "u_language.h"
#include "u_wstring.h"
#include "ui_texts.h"

constexpr U32 LISTS_NAME_CHARS = 24;

// Filled at the start of each sort by distance, under mutex 9.
static double s_adDistance[NAV_MAX_WAYPOINTS];
static POINT s_ptBoatMM;
static POSITION s_posBoat;

static void LISTS_vLock(void) { L_MUTEX_LockWait(RES_NAV_DATA); }
static void LISTS_vUnlock(void) { L_MUTEX_Unlock(RES_NAV_DATA); }

static int LISTS_nOrder(S64 a, S64 b) { return a < b ? -1 : (a > b ? 1 : 0); }

// The boat from ILAT/ILON (Mercator metres); 0, 0 in both forms without it.
static void LISTS_vTakeBoat(void) {
  for (double& d : s_adDistance) d = -1.0;
  DB_DATA_TYPE y, x;
  BOOLEAN bValid = FALSE;
  s_ptBoatMM = {0, 0};
  s_posBoat = {0.0, 0.0};
  if (H_DATABASE_bFetchPair(FCID("ILAT"), FCID("ILON"), &y, &x, &bValid) && bValid) {
    s_ptBoatMM = {x.s32Val, y.s32Val};
    if (nv_MeterToDegr(&s_ptBoatMM, &s_posBoat) != NV_OK) {
      s_ptBoatMM = {0, 0};
      s_posBoat = {0.0, 0.0};
    }
  }
}

// Rhumb-line nautical miles from the boat.
static double LISTS_dDistanceTo(POINT pt) {
  double course = 0.0, distance = 0.0;
  POSITION to;
  nv_RouteAngle(&s_ptBoatMM, &pt, &course);
  if (nv_MeterToDegr(&pt, &to) != NV_OK) return 1e9;
  nv_CalcDistance(&s_posBoat, &to, course, &distance);
  return distance;
}

static double LISTS_dWaypointDistance(U16 u16Slot) {
  if (u16Slot >= NAV_MAX_WAYPOINTS) return 1e9;
  if (s_adDistance[u16Slot] < 0.0) s_adDistance[u16Slot] = LISTS_dDistanceTo(T_NAV_pGetWaypoint(u16Slot)->pt);
  return s_adDistance[u16Slot];
}

static int LISTS_nCompareDoubles(double a, double b) { return a < b ? -1 : (a > b ? 1 : 0); }

// ---------------------------------------------------------------------------
// Slots, routes and tracks

static void LISTS_vWaypointName(U16 u16Slot, char* pcName) {
  memset(pcName, 0, NAV_WAYPOINT_NAME_SIZE + 2);
  memcpy(pcName, T_NAV_pGetWaypoint(u16Slot)->sName, NAV_WAYPOINT_NAME_SIZE);
}

int T_NAV_nCompareWaypointsByName(const void* p1, const void* p2) {
  const U16 a = *(const U16*)p1, b = *(const U16*)p2;
  char nameA[NAV_WAYPOINT_NAME_SIZE + 2], nameB[NAV_WAYPOINT_NAME_SIZE + 2];
  LISTS_vWaypointName(a, nameA);
  LISTS_vWaypointName(b, nameB);
  const int order = strcmp(nameA, nameB);
  return order != 0 ? order : LISTS_nOrder(a, b);
}

int T_NAV_nCompareWaypointsByTime(const void* p1, const void* p2) {
  const U16 a = *(const U16*)p1, b = *(const U16*)p2;
  const int order = LISTS_nOrder(T_NAV_pGetWaypoint(b)->u32DateTime, T_NAV_pGetWaypoint(a)->u32DateTime);
  return order != 0 ? order : LISTS_nOrder(a, b);
}

int T_NAV_nCompareWaypointsByDistance(const void* p1, const void* p2) {
  const U16 a = *(const U16*)p1, b = *(const U16*)p2;
  const int order = LISTS_nCompareDoubles(LISTS_dWaypointDistance(a), LISTS_dWaypointDistance(b));
  return order != 0 ? order : LISTS_nOrder(a, b);
}

int T_NAV_nCompareRouteNames(const void* p1, const void* p2) {
  const U16 a = *(const U16*)p1, b = *(const U16*)p2;
  const int order = strncmp(T_NAV_pGetRoute(a)->sName, T_NAV_pGetRoute(b)->sName, NAV_ROUTE_NAME_SIZE);
  return order != 0 ? order : LISTS_nOrder(a, b);
}

int T_NAV_nCompareTracks(const void* p1, const void* p2) {
  const U16 a = *(const U16*)p1, b = *(const U16*)p2;
  const S32 order = U_WSTRING_s32w_strncmp(T_NAV_pGetTrackHeader(a)->sName, T_NAV_pGetTrackHeader(b)->sName,
                                           TRACK_NAME_SIZE);
  return order != 0 ? (order < 0 ? -1 : 1) : LISTS_nOrder(a, b);
}

static BOOLEAN LISTS_bTaken(U8 status, BOOLEAN bIncludeTemp) {
  return status == WPT_STATUS_SAVED || (bIncludeTemp && status == WPT_STATUS_TEMPORARY);
}

static int (*LISTS_pfSlotCompare(NAV_WPT_SORT_ORDER eSortBy))(const void*, const void*) {
  if (eSortBy == NAV_WPT_SORT_BY_TIME) return T_NAV_nCompareWaypointsByTime;
  if (eSortBy == NAV_WPT_SORT_BY_DISTANCE) return T_NAV_nCompareWaypointsByDistance;
  return T_NAV_nCompareWaypointsByName;
}

void T_NAV_vGetSortedWaypoints(NAV_WPT_SORT_ORDER eSortBy, U32* pnCount, U16* pu16Indexes,
                               BOOLEAN bIncludeTempWaypoints, BOOLEAN) {
  if (pnCount == nullptr || pu16Indexes == nullptr) return;
  LISTS_vLock();
  U32 n = 0;
  for (U32 i = 0; i < NAV_MAX_WAYPOINTS; i++) {
    if (T_NAV_pGetWaypoint(i)->u8Status == WPT_STATUS_SAVED_2) pu16Indexes[n++] = (U16)i;
  }
  const U32 nFirst = n;
  for (U32 i = 0; i < NAV_MAX_WAYPOINTS; i++) {
    if (LISTS_bTaken(T_NAV_pGetWaypoint(i)->u8Status, bIncludeTempWaypoints)) pu16Indexes[n++] = (U16)i;
  }
  if (eSortBy == NAV_WPT_SORT_BY_DISTANCE) LISTS_vTakeBoat();
  qsort(pu16Indexes, nFirst, sizeof *pu16Indexes, LISTS_pfSlotCompare(eSortBy));
  qsort(pu16Indexes + nFirst, n - nFirst, sizeof *pu16Indexes, LISTS_pfSlotCompare(eSortBy));
  LISTS_vUnlock();
  *pnCount = n;
}

static void LISTS_vUsedSorted(U32* pnCount, U16* pu16Indexes, BOOLEAN bTracks) {
  if (pnCount == nullptr || pu16Indexes == nullptr) return;
  LISTS_vLock();
  U32 n = 0;
  for (U32 i = 0; i < NAV_MAX_ROUTES; i++) {
    const BOOLEAN bUsed = bTracks ? T_NAV_pGetTrackHeader(i)->u16Count != 0
                                  : T_NAV_pGetRoute(i)->nCount != 0 || T_NAV_pGetRoute(i)->u32DateTime != 0;
    if (bUsed) pu16Indexes[n++] = (U16)i;
  }
  qsort(pu16Indexes, n, sizeof *pu16Indexes, bTracks ? T_NAV_nCompareTracks : T_NAV_nCompareRouteNames);
  LISTS_vUnlock();
  *pnCount = n;
}

void T_NAV_vGetRoutes(U32* pnCount, U16* pu16Indexes) { LISTS_vUsedSorted(pnCount, pu16Indexes, FALSE); }
void T_NAV_vGetTracks(U32* pnCount, U16* pu16Indexes) { LISTS_vUsedSorted(pnCount, pu16Indexes, TRUE); }

// ---------------------------------------------------------------------------
// The point list

static BOOLEAN LISTS_bIsRoute(const ST_POINT_TYPE_INDEX* p) {
  return p->nType == NAV_TWR_TYPE_ROUTE && p->nIndex < NAV_MAX_ROUTES;
}

static BOOLEAN LISTS_bIsWaypoint(const ST_POINT_TYPE_INDEX* p) {
  return p->nType == NAV_TWR_TYPE_WAYPOINT && p->nIndex < NAV_MAX_WAYPOINTS;
}

// Appends text in the current form after the text in pBuf, within size.
static void LISTS_vAppend(char* pBuf, U32 u32Size, const char* pcText) {
  const BOOLEAN bWide = U_WSTRING_bIsUnicodeLanguage();
  const U32 terminator = bWide ? 2 : 1;
  const U32 length = U_WSTRING_u32w_strlen(pBuf, FALSE);
  if (length + terminator >= u32Size) return;
  U32 room = u32Size - terminator - length;
  U32 add = U_WSTRING_u32w_strlen(pcText, FALSE);
  if (add > room) add = bWide ? room & ~1u : room;
  memcpy(pBuf + length, pcText, add);
}

void T_NAV_vGetTwrPointName(const ST_POINT_TYPE_INDEX* ptTwr, char* pBuf, int nBufLen, BOOLEAN bIncludeStartEnd) {
  if (pBuf == nullptr || nBufLen <= 0) return;
  memset(pBuf, 0, (size_t)nBufLen);
  if (ptTwr == nullptr) return;
  char name[NAV_ROUTE_NAME_SIZE + 2] = {};
  if (ptTwr->nType == NAV_TWR_TYPE_WAYPOINT) {
    if (ptTwr->nIndex >= NAV_MAX_WAYPOINTS) return;
    memcpy(name, T_NAV_pGetWaypoint(ptTwr->nIndex)->sName, NAV_WAYPOINT_NAME_SIZE);
  } else if (ptTwr->nType == NAV_TWR_TYPE_ROUTE) {
    if (ptTwr->nIndex >= NAV_MAX_ROUTES) return;
    memcpy(name, T_NAV_pGetRoute(ptTwr->nIndex)->sName, NAV_ROUTE_NAME_SIZE);
  } else {
    log_me("WRONG TWR nType: %d\n", (int)ptTwr->nType);
    return;
  }
  LISTS_vAppend(pBuf, (U32)nBufLen, name);
  if (bIncludeStartEnd && ptTwr->nType == NAV_TWR_TYPE_ROUTE &&
      (ptTwr->nRouteStartEnd == 1 || ptTwr->nRouteStartEnd == 2)) {
    const unsigned language = nCurrentLanguage();
    const char* pcEnd = (ptTwr->nRouteStartEnd == 1 ? to_start : to_end)[language];
    LISTS_vAppend(pBuf, (U32)nBufLen, U_WSTRING_bIsUnicodeLanguage() ? "\0 \0" : " ");
    LISTS_vAppend(pBuf, (U32)nBufLen, pcEnd);
  }
}

// The route's first point, or its last for an end entry.
static BOOLEAN LISTS_bRoutePoint(const ST_POINT_TYPE_INDEX* p, POINT* pPoint) {
  const ROUTE* r = T_NAV_pGetRoute(p->nIndex);
  const U32 n = r->nCount < NAV_MAX_ROUTE_POINTS ? r->nCount : NAV_MAX_ROUTE_POINTS;
  if (n == 0) return FALSE;
  const U16 slot = r->anWaypoint[p->nRouteStartEnd == 2 ? n - 1 : 0];
  if (slot >= NAV_MAX_WAYPOINTS) return FALSE;
  *pPoint = T_NAV_pGetWaypoint(slot)->pt;
  return TRUE;
}

void T_NAV_vGetTwrPointDateTime(const ST_POINT_TYPE_INDEX* ptTwr, U32* pu32DateTime, POINT* pptTWR) {
  if (ptTwr == nullptr || pu32DateTime == nullptr || pptTWR == nullptr) return;
  if (LISTS_bIsWaypoint(ptTwr)) {
    const WAYPOINT* w = T_NAV_pGetWaypoint(ptTwr->nIndex);
    *pu32DateTime = w->u32DateTime;
    *pptTWR = w->pt;
  } else if (LISTS_bIsRoute(ptTwr)) {
    *pu32DateTime = T_NAV_pGetRoute(ptTwr->nIndex)->u32DateTime;
    LISTS_bRoutePoint(ptTwr, pptTWR);
  }
}

// Two entries of one route: the start before the end. Otherwise the
// kind, the index and the end decide, so no two entries are equal.
static int LISTS_nTieBreak(const ST_POINT_TYPE_INDEX* a, const ST_POINT_TYPE_INDEX* b) {
  if (a->nType != b->nType) return LISTS_nOrder(a->nType, b->nType);
  if (a->nIndex != b->nIndex) return LISTS_nOrder(a->nIndex, b->nIndex);
  return LISTS_nOrder(a->nRouteStartEnd, b->nRouteStartEnd);
}

static BOOLEAN LISTS_bSameRoute(const ST_POINT_TYPE_INDEX* a, const ST_POINT_TYPE_INDEX* b) {
  return a->nType == NAV_TWR_TYPE_ROUTE && b->nType == NAV_TWR_TYPE_ROUTE && a->nIndex == b->nIndex;
}

int T_NAV_nCompareTwrPointsByName(const void* p1, const void* p2) {
  const ST_POINT_TYPE_INDEX *a = (const ST_POINT_TYPE_INDEX*)p1, *b = (const ST_POINT_TYPE_INDEX*)p2;
  if (LISTS_bSameRoute(a, b)) return LISTS_nTieBreak(a, b);
  char nameA[2 * LISTS_NAME_CHARS + 2], nameB[2 * LISTS_NAME_CHARS + 2];
  const int size = U_WSTRING_bIsUnicodeLanguage() ? (int)sizeof nameA : (int)LISTS_NAME_CHARS + 1;
  T_NAV_vGetTwrPointName(a, nameA, size, FALSE);
  T_NAV_vGetTwrPointName(b, nameB, size, FALSE);
  const int order = strcmp(nameA, nameB);
  return order != 0 ? order : LISTS_nTieBreak(a, b);
}

static U32 LISTS_u32Date(const ST_POINT_TYPE_INDEX* p) {
  if (LISTS_bIsWaypoint(p)) return T_NAV_pGetWaypoint(p->nIndex)->u32DateTime;
  if (LISTS_bIsRoute(p)) return T_NAV_pGetRoute(p->nIndex)->u32DateTime;
  return 0;
}

int T_NAV_nCompareTwrPointsByTime(const void* p1, const void* p2) {
  const ST_POINT_TYPE_INDEX *a = (const ST_POINT_TYPE_INDEX*)p1, *b = (const ST_POINT_TYPE_INDEX*)p2;
  if (LISTS_bSameRoute(a, b)) return LISTS_nTieBreak(a, b);
  const int order = LISTS_nOrder(LISTS_u32Date(b), LISTS_u32Date(a));
  return order != 0 ? order : LISTS_nTieBreak(a, b);
}

static double LISTS_dEntryDistance(const ST_POINT_TYPE_INDEX* p) {
  if (LISTS_bIsWaypoint(p)) return LISTS_dWaypointDistance(p->nIndex);
  POINT pt;
  if (LISTS_bIsRoute(p) && LISTS_bRoutePoint(p, &pt)) return LISTS_dDistanceTo(pt);
  return 1e9;  // nowhere: last
}

int T_NAV_nCompareTwrPointsByDistance(const void* p1, const void* p2) {
  const ST_POINT_TYPE_INDEX *a = (const ST_POINT_TYPE_INDEX*)p1, *b = (const ST_POINT_TYPE_INDEX*)p2;
  if (LISTS_bSameRoute(a, b)) return LISTS_nTieBreak(a, b);
  const int order = LISTS_nCompareDoubles(LISTS_dEntryDistance(a), LISTS_dEntryDistance(b));
  return order != 0 ? order : LISTS_nTieBreak(a, b);
}

static void LISTS_vPutWaypoint(ST_POINT_TYPE_INDEX* p, U32 u32Slot) {
  p->nType = NAV_TWR_TYPE_WAYPOINT;
  p->nIndex = u32Slot;
}

static void LISTS_vPutRoute(ST_POINT_TYPE_INDEX* p, U32 u32Route, U32 u32End) {
  p->nType = NAV_TWR_TYPE_ROUTE;
  p->nIndex = u32Route;
  p->nRouteStartEnd = u32End;
}

void T_NAV_vGetSortedPointsList(NAV_WPT_SORT_ORDER eSortBy, U32* pnCount, ST_POINT_TYPE_INDEX* patSortedList,
                                BOOLEAN bIncludeTempWaypoints, BOOLEAN, BOOLEAN, BOOLEAN bInclFerwStartEnd) {
  if (pnCount == nullptr || patSortedList == nullptr) return;
  LISTS_vLock();
  U32 n = 0, nFirst = 0;
  if (eSortBy <= NAV_WPT_SORT_BY_WAYPOINTS) {
    const BOOLEAN bSkipGravanes = eSortBy == NAV_WPT_SORT_BY_WAYPOINTS;
    for (int pass = 0; pass < 2; pass++) {
      for (U32 i = 0; i < NAV_MAX_WAYPOINTS; i++) {
        const WAYPOINT* w = T_NAV_pGetWaypoint(i);
        const BOOLEAN bTaken = pass == 0 ? w->u8Status == WPT_STATUS_SAVED_2 : LISTS_bTaken(w->u8Status, bIncludeTempWaypoints);
        if (bTaken && !(bSkipGravanes && w->u8Icon == NAVRO_GRAVANE_ICON)) LISTS_vPutWaypoint(&patSortedList[n++], i);
      }
      if (pass == 0) nFirst = n;
    }
  } else if (eSortBy == NAV_WPT_SORT_BY_GRAVANES) {
    for (U32 i = 0; i < NAV_MAX_WAYPOINTS; i++) {
      const WAYPOINT* w = T_NAV_pGetWaypoint(i);
      if (LISTS_bTaken(w->u8Status, bIncludeTempWaypoints) && w->u8Icon == NAVRO_GRAVANE_ICON) {
        LISTS_vPutWaypoint(&patSortedList[n++], i);
      }
    }
  }
  if (eSortBy <= NAV_WPT_SORT_BY_DISTANCE || eSortBy == NAV_WPT_SORT_BY_ROUTES) {
    for (U32 r = 0; r < NAV_MAX_ROUTES; r++) {
      const ROUTE* route = T_NAV_pGetRoute(r);
      if (route->nCount == 0 && route->u32DateTime == 0) continue;
      if (bInclFerwStartEnd) {
        LISTS_vPutRoute(&patSortedList[n++], r, 1);
        LISTS_vPutRoute(&patSortedList[n++], r, 2);
      } else {
        LISTS_vPutRoute(&patSortedList[n++], r, 0);
      }
    }
  }
  if (n > 0) {
    int (*pfCompare)(const void*, const void*) = T_NAV_nCompareTwrPointsByName;
    if (eSortBy == NAV_WPT_SORT_BY_TIME) pfCompare = T_NAV_nCompareTwrPointsByTime;
    if (eSortBy == NAV_WPT_SORT_BY_DISTANCE) {
      pfCompare = T_NAV_nCompareTwrPointsByDistance;
      LISTS_vTakeBoat();
    }
    qsort(patSortedList, nFirst, sizeof *patSortedList, pfCompare);
    qsort(patSortedList + nFirst, n - nFirst, sizeof *patSortedList, pfCompare);
  }
  LISTS_vUnlock();
  *pnCount = n;
}

// ---------------------------------------------------------------------------
// The newest shown route from a waypoint

S32 T_NAV_TWR_s32GetIndexOfLastRouteStartingAt(S32 nIndex) {
  if (nIndex < 0 || nIndex >= (S32)NAV_MAX_WAYPOINTS) return -1;
  T_NAV_pGetWaypoint((U32)nIndex);
  LISTS_vLock();
  S32 found = -1;
  for (U32 r = 0; r < NAV_MAX_ROUTES; r++) {
    const ROUTE* route = T_NAV_pGetRoute(r);
    if (route->nCount == 0 || route->bHide || route->anWaypoint[0] != (U16)nIndex) continue;
    if (found < 0 || route->u32DateTime > T_NAV_pGetRoute((U32)found)->u32DateTime) found = (S32)r;
  }
  LISTS_vUnlock();
  return found;
}

BOOLEAN T_NAV_TWR_bGetNameOfLastRouteStartingAt(U32 nIndex, char* returnString) {
  const S32 route = nIndex == NAV_NONE ? -1 : T_NAV_TWR_s32GetIndexOfLastRouteStartingAt((S32)nIndex);
  if (route < 0 || returnString == nullptr) return FALSE;
  memset(returnString, 0, NAV_ROUTE_NAME_SIZE + 2);
  memcpy(returnString, T_NAV_pGetRoute((U32)route)->sName, NAV_ROUTE_NAME_SIZE);
  return TRUE;
}
