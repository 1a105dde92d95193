// The waypoint table: 3,000 slots shared by waypoints and group slots, the
// slot policy that keeps shared items low and not-shared (locked) items
// high with a separator and guard bands between them, compaction when a side
// runs out, write-through to the record files, default names, hashes, the
// icon declutter table, searches, and the start-up load of every table.
//
// A record's file is written before the table takes the record: when the
// write fails the slot is left as it was, so the table never holds a saved
// waypoint that a restart would lose. Under the lock the file is only
// prepared, and put in place once the lock is let go (t_nav_nvram_flash):
// a save or add that held the lock alone learns then whether it landed, and
// takes the table back when it did not.

#include "t_nav_twr.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "g_iconset.h"
#include "h_database.h"
#include "linuxsvc.h"
#include "model_current.h"
#include "navmath.h"
#include "t_nav_group_store.h"
#include "t_nav_store_hooks.h"
#include "t_nav_group_data.h"
#include "t_nav_data.h"
#include "t_nav_nvram_flash.h"
#include "u_crc16.h"
#include "u_language.h"
#include "u_wstring.h"
#include "ui_texts.h"

constexpr S32 TWR_LAST_WAYPOINT_SLOT = 2998;  // 2999 is the root group's
constexpr S32 TWR_GUARD_BAND = 6;
// Compaction moves items until the sides are this far apart: both guard
// bands, the separator and a free slot on either side then fit between them.
constexpr S32 TWR_COMPACT_GAP = 2 * TWR_GUARD_BAND + 3;
constexpr U32 TWR_SHARED_RING = 100;
constexpr S32 TWR_CAP_SMALL = 9999;
constexpr S32 TWR_CAP_LARGE = 99999;

static WAYPOINT s_Waypoint[NAV_MAX_WAYPOINTS];
static S32 s_nMaxUsedWaypointIndex;
static S16 s_nWaypointsUsed;
static S16 s_nNumberSharedWaypoints;
static S16 s_nNumberLockedWaypoints;
static S32 s_nSeperateWaypointIndex = -1;
static S32 s_nMaxShareWaypointIndex;
static S32 s_nMinLockWaypointIndex;
static BOOLEAN s_bDisableShareLockSeperator;
static U16 s_WaypointHashTable[NAV_MAX_WAYPOINTS];
static S32 s_bDeclutterWaypoints[NAV_MAX_WAYPOINTS];
static BOOLEAN s_bMultiWaypointAddDelete;
static S32 s_bTemporarilyDisableDeclutterScan;
static S32 s_bTemporarilyEnableCLWCUpdateForAllModels;
static S32 s_bTemporarilyDisableCLWCUpdate;
// Set while a compaction moves waypoints: one declutter rebuild at its end.
static BOOLEAN s_bCompacting;

typedef struct tag_TWR_MOVE {
  U16 u16From;
  U16 u16To;
} TWR_MOVE;
// The compaction's work tables: every not-shared waypoint in slot order, the
// newest 100 shared ones, and the moves made.
static TWR_MOVE s_aLockedTable[NAV_MAX_WAYPOINTS];
static TWR_MOVE s_aSharedRing[TWR_SHARED_RING];
static TWR_MOVE s_aMoves[NAV_MAX_WAYPOINTS];
// The moves of the last compaction that moved anything, and how many
// compactions moved waypoints since start.
static U32 s_u32LastMoves;
static U32 s_u32Compactions;

static void TWR_vLock(void) { L_MUTEX_LockWait(RES_NAV_DATA); }
static void TWR_vUnlock(void) { L_MUTEX_Unlock(RES_NAV_DATA); }

// After the unlock: FALSE when the write this thread prepared since u64Before
// was refused where it was put in place.
static BOOLEAN TWR_bLanded(U64 u64Before) {
  const U64 newest = T_NAV_NVRAM_u64NewestWrite();
  return newest == u64Before || !T_NAV_NVRAM_bWriteFailed(newest);
}

static BOOLEAN TWR_bIsWaypoint(U8 status) { return status >= WPT_STATUS_SAVED && status <= WPT_STATUS_SAVED_2; }
static BOOLEAN TWR_bIsSaved(U8 status) { return status == WPT_STATUS_SAVED || status == WPT_STATUS_SAVED_2; }
static BOOLEAN TWR_bIsGroup(U8 status) {
  return status == WPT_STATUS_GROUP_HEADER || status == WPT_STATUS_GROUP_BODY;
}

// The live IDTM, or 0 when it is missing or stale.
static U32 TWR_u32Now(void) {
  U32 now = 0;
  BOOLEAN bValid = FALSE;
  return H_DATABASE_bFetchU32(FCID("IDTM"), &now, &bValid, nullptr) && bValid ? now : 0;
}

static BOOLEAN TWR_bKeyNames(FOURCHARID id, U32 u32Value) {
  U32 value;
  return H_DATABASE_bFetchU32(id, &value, nullptr, nullptr) && value == u32Value;
}

U16 T_NAV_TWR_u16HashWaypoint(const WAYPOINT* pWaypoint) {
  U16 crc = 0;
  U_CRC16_vCrc16(&crc, (const U8*)pWaypoint, sizeof(WAYPOINT), TRUE);
  return crc;
}

static void TWR_vHashSlot(U32 nIndex) {
  s_WaypointHashTable[nIndex] = TWR_bIsSaved(s_Waypoint[nIndex].u8Status) ? T_NAV_TWR_u16HashWaypoint(&s_Waypoint[nIndex]) : 0;
}

static void TWR_vRaiseMaxUsed(U32 nIndex) {
  if ((S32)nIndex + 1 > s_nMaxUsedWaypointIndex) s_nMaxUsedWaypointIndex = (S32)nIndex + 1;
}

// ---------------------------------------------------------------------------
// Declutter

static S32 TWR_nChartZoom(void) {
  S32 zoom;
  if (H_DATABASE_bFetchS32(FCID("SNCS"), &zoom, nullptr, nullptr) && zoom >= 9 && zoom <= 23) return zoom;
  return 15;
}

typedef struct tag_TWR_DECLUTTER {
  S32 nLimitMM;  // 800 pixels' worth of metres
  S32 nFactor;   // pixels per metre x 2^20
  S32 nIconW;    // the first waypoint icon's size
  S32 nIconH;
} TWR_DECLUTTER;

static TWR_DECLUTTER TWR_Declutter(void) {
  const S32 zoom = TWR_nChartZoom();
  const S32 factor = 1 << (32 - zoom);
  return {U_NAV_CLIP_PIXELS_X_SCALE / factor, factor, Waypoint1_icon.nWidth, Waypoint1_icon.nHeight};
}

static BOOLEAN TWR_bDrawable(U32 n) {
  return TWR_bIsWaypoint(s_Waypoint[n].u8Status) && s_Waypoint[n].u32DateTime != 0;
}

static void TWR_vDeclutterPair(U32 a, U32 b, const TWR_DECLUTTER* d) {
  const S32 dx = U_NAV_nFoldX(s_Waypoint[b].pt.x - s_Waypoint[a].pt.x);
  const S64 dy = (S64)s_Waypoint[b].pt.y - s_Waypoint[a].pt.y;
  if (abs(dx) >= d->nLimitMM || dy >= d->nLimitMM || dy <= -d->nLimitMM) return;
  POINT px = {dx, (S32)dy};
  const POINT origin = {0, 0};
  U_NAV_vConvertMMToPixelNoRotation(&px, &origin, d->nFactor);
  // Within one and a half icons: 2 |p| < 3 size.
  const BOOLEAN bSameRow = 2 * abs(px.y) < 3 * d->nIconH;
  if (bSameRow && 2 * abs(px.x) < 3 * d->nIconW) {
    s_bDeclutterWaypoints[a] = s_bDeclutterWaypoints[b] = -1;
    return;
  }
  if (!bSameRow) return;
  if (dx >= 0 && abs(dx) < s_bDeclutterWaypoints[a]) s_bDeclutterWaypoints[a] = abs(dx);
  if (dx <= 0 && abs(dx) < s_bDeclutterWaypoints[b]) s_bDeclutterWaypoints[b] = abs(dx);
}

static BOOLEAN TWR_bDeclutterSuppressed(void) {
  return s_bTemporarilyDisableDeclutterScan || s_bMultiWaypointAddDelete || s_bCompacting;
}

static void TWR_vDeclutterRebuild(void) {
  const TWR_DECLUTTER d = TWR_Declutter();
  for (S32& entry : s_bDeclutterWaypoints) entry = NAV_DECLUTTER_NONE;
  for (U32 a = 0; a < (U32)s_nMaxUsedWaypointIndex; a++) {
    if (!TWR_bDrawable(a)) continue;
    for (U32 b = a + 1; b < (U32)s_nMaxUsedWaypointIndex; b++) {
      if (TWR_bDrawable(b)) TWR_vDeclutterPair(a, b, &d);
    }
  }
}

static void TWR_vDeclutterSlot(U32 n) {
  if (!TWR_bDrawable(n)) return;
  const TWR_DECLUTTER d = TWR_Declutter();
  s_bDeclutterWaypoints[n] = NAV_DECLUTTER_NONE;
  for (U32 b = 0; b < (U32)s_nMaxUsedWaypointIndex; b++) {
    if (b != n && TWR_bDrawable(b)) TWR_vDeclutterPair(n, b, &d);
  }
}

void T_NAV_TWR_vInitialScan(void) {
  TWR_vLock();
  if (!s_bTemporarilyDisableDeclutterScan) TWR_vDeclutterRebuild();
  TWR_vUnlock();
}

void T_NAV_TWR_vDeclutterWaypointsScan(DCLTR_TABLE eTable) {
  if (eTable == DCLTR_TABLE_LEFT) return;
  T_NAV_TWR_vInitialScan();
}

void T_NAV_TWR_vDeclutterWaypointsAdd(U32 nIndex) {
  if (nIndex >= NAV_MAX_WAYPOINTS) return;
  TWR_vLock();
  TWR_vDeclutterSlot(nIndex);
  TWR_vUnlock();
}

S32* T_NAV_TWR_pGetDeclutterWaypointTable(BOOLEAN) { return s_bDeclutterWaypoints; }

void T_NAV_TWR_vSetMultiWaypointFlag(BOOLEAN bMulti) {
  TWR_vLock();
  s_bMultiWaypointAddDelete = bMulti;
  if (!bMulti && !s_bTemporarilyDisableDeclutterScan) TWR_vDeclutterRebuild();
  TWR_vUnlock();
}

BOOLEAN T_NAV_TWR_bGetMultiWaypointFlag(void) { return s_bMultiWaypointAddDelete; }
void T_NAV_TWR_vTemporarilyDisableDeclutterWaypointsScan(S32 bDisable) { s_bTemporarilyDisableDeclutterScan = bDisable; }
S32 T_NAV_TWR_bDeclutterScanDisabled(void) { return s_bTemporarilyDisableDeclutterScan; }
void T_NAV_TWR_vTemporarilyEnableCLWCUpdateForAllModels(BOOLEAN bEnable) {
  s_bTemporarilyEnableCLWCUpdateForAllModels = bEnable;
}
void T_NAV_TWR_vTemporarilyDisableCLWCUpdate(BOOLEAN bDisable) { s_bTemporarilyDisableCLWCUpdate = bDisable; }

BOOLEAN T_NAV_TWR_bDisableShareLockSeperator(BOOLEAN bDisable) {
  s_bDisableShareLockSeperator = bDisable;
  return TRUE;
}

BOOLEAN T_NAV_TWR_bSeparatorSuspended(void) { return s_bDisableShareLockSeperator; }

// ---------------------------------------------------------------------------
// Default names

static S32 TWR_s32Cap(void) { return MODEL_bInternationalModel3() ? TWR_CAP_LARGE : TWR_CAP_SMALL; }

// The number of a default name, -1 for any other name. A number beyond the
// cap (or none) counts as 1.
static S32 TWR_s32DefaultNumber(const char* pcName, BOOLEAN bWide, S32 s32Cap) {
  const U8* p = (const U8*)pcName;
  U32 at, step;
  if (bWide) {
    at = p[0] == 0xFD && p[1] == 0xFF ? 2 : 0;
    step = 2;
  } else {
    if (!((p[0] == 'W' && p[1] == 'P') || (p[0] == 'I' && p[1] == 'C'))) return -1;
    at = 2;
    step = 1;
  }
  S64 number = 0;
  U32 digits = 0;
  for (; at + step <= NAV_WAYPOINT_NAME_SIZE; at += step) {
    const U8 c = bWide ? p[at + 1] : p[at];
    if ((bWide && p[at] != 0) || (c != 0 && (c < '0' || c > '9'))) return -1;
    if (c == 0) break;
    if (number <= s32Cap) number = number * 10 + (c - '0');
    digits++;
  }
  if (bWide && digits == 0) return -1;
  return digits == 0 || number > s32Cap ? 1 : (S32)number;
}

static S32 TWR_s32StoredCounter(void) {
  S32 stored = 0;
  if (!H_DATABASE_bFetchS32(FCID("SWID"), &stored, nullptr, nullptr)) stored = 0;
  return stored;
}

S32 T_NAV_s32GetMaxWayPointCounter(void) {
  const BOOLEAN bWide = U_WSTRING_bIsUnicodeLanguage();
  const S32 cap = TWR_s32Cap();
  S32 highest = TWR_s32StoredCounter();
  TWR_vLock();
  for (U32 i = 0; i < NAV_MAX_WAYPOINTS; i++) {
    if (!TWR_bIsWaypoint(s_Waypoint[i].u8Status)) continue;
    const S32 n = TWR_s32DefaultNumber(s_Waypoint[i].sName, bWide, cap);
    if (n > highest) highest = n;
  }
  TWR_vUnlock();
  return highest;
}

void T_NAV_vUpdateWaypointCounter(U32 nIndex) {
  if (nIndex >= NAV_MAX_WAYPOINTS || !TWR_bIsSaved(s_Waypoint[nIndex].u8Status)) return;
  const S32 cap = TWR_s32Cap();
  const S32 n = TWR_s32DefaultNumber(s_Waypoint[nIndex].sName, U_WSTRING_bIsUnicodeLanguage(), cap);
  if (n < 0) return;
  S32 counter = TWR_s32StoredCounter();
  if (n > counter) counter = n;
  if (counter > cap) counter = cap;
  H_DATABASE_bUpdateValueS32(FCID("SWID"), counter, P_NORMAL);
}

void T_NAV_vCancelWaypointCounterIncrease(void) {
  const S32 counter = TWR_s32StoredCounter();
  if (counter > 0) H_DATABASE_bUpdateValueS32(FCID("SWID"), counter - 1, P_NORMAL);
}

// The default name for an empty one, and the forms the Asian languages keep
// names in.
static void TWR_vPrepareName(WAYPOINT* w) {
  const BOOLEAN bWide = U_WSTRING_bIsUnicodeLanguage();
  if (w->sName[0] == 0 && (!bWide || w->sName[1] == 0)) {
    const char* pcName = bWide ? T_NAV_GROUP_pGetDefaultWaypointNameForUNICODE() : T_NAV_GROUP_pGetDefaultWaypointName();
    memset(w->sName, 0, sizeof w->sName);
    if (pcName != nullptr) {
      const U32 length = U_WSTRING_u32w_strlen(pcName, bWide);
      memcpy(w->sName, pcName, length < sizeof w->sName ? length : sizeof w->sName);
    }
  }
  const unsigned language = nCurrentLanguage();
  if (language == LANGUAGE_JAPANESE) {
    U_WSTRING_vReplaceNarrowWithWide(w->sName, sizeof w->sName);
  } else if (language == LANGUAGE_KOREAN || language == LANGUAGE_CHINESE_SIMPLIFIED ||
             language == LANGUAGE_CHINESE_TRADITIONAL) {
    const U16 first = (U16)((U8)w->sName[0] << 8 | (U8)w->sName[1]);
    if (first < 0xFDD0 || first > 0xFDFF) {
      memmove(w->sName + 2, w->sName, sizeof w->sName - 2);
      w->sName[0] = (char)0xFD;
      w->sName[1] = (char)0xFF;
    }
  }
}

// ---------------------------------------------------------------------------
// Slot policy

// Highest shared and lowest not-shared slot in use, waypoints and groups.
static void TWR_vExtents(void) {
  s_nMaxShareWaypointIndex = -1;
  s_nMinLockWaypointIndex = -1;
  for (U32 i = 0; i < NAV_MAX_WAYPOINTS; i++) {
    if (s_Waypoint[i].u8Status == WPT_STATUS_FREE) continue;
    if (!s_Waypoint[i].bWpNotShared) {
      s_nMaxShareWaypointIndex = (S32)i;
    } else if (s_nMinLockWaypointIndex < 0) {
      s_nMinLockWaypointIndex = (S32)i;
    }
  }
  if (s_nMinLockWaypointIndex < 0) s_nMinLockWaypointIndex = (S32)NAV_MAX_WAYPOINTS - 1;
}

// A free slot for an item of that side and guard band; 65535 when none.
static U16 TWR_u16FreeSlot(BOOLEAN bNotShared, S32 g) {
  if (s_bDisableShareLockSeperator) {
    // Slot 0 is never handed out here; the search goes on past it.
    for (S32 i = bNotShared ? TWR_LAST_WAYPOINT_SLOT : 1; i >= 1 && i <= TWR_LAST_WAYPOINT_SLOT; i += bNotShared ? -1 : 1) {
      if (s_Waypoint[i].u8Status == WPT_STATUS_FREE) return (U16)i;
    }
    return NAV_NONE;
  }
  const S32 sep = s_nSeperateWaypointIndex;
  S32 found = -1;
  if (bNotShared) {
    for (S32 i = TWR_LAST_WAYPOINT_SLOT; i >= sep + g && i >= 0; i--) {
      if (s_Waypoint[i].u8Status == WPT_STATUS_FREE) {
        found = i;
        break;
      }
    }
  } else {
    for (S32 i = 0; i <= sep - g && i <= TWR_LAST_WAYPOINT_SLOT; i++) {
      if (s_Waypoint[i].u8Status == WPT_STATUS_FREE) {
        found = i;
        break;
      }
    }
  }
  if (found < 0 || found == sep || found == sep - g || found == sep + g) return NAV_NONE;
  return (U16)found;
}

// Where a move takes the waypoint: a not-shared one to the highest free slot
// above the shared side, a shared one to the lowest free slot from 2 below
// the not-shared side.
static U16 TWR_u16MoveTarget(U32 nFrom) {
  if (s_Waypoint[nFrom].bWpNotShared) {
    for (S32 i = TWR_LAST_WAYPOINT_SLOT; i > s_nMaxShareWaypointIndex; i--) {
      if (s_Waypoint[i].u8Status == WPT_STATUS_FREE) return (U16)i;
    }
  } else {
    for (S32 i = 2; i < s_nMinLockWaypointIndex && i < TWR_LAST_WAYPOINT_SLOT; i++) {
      if (s_Waypoint[i].u8Status == WPT_STATUS_FREE) return (U16)i;
    }
  }
  return NAV_NONE;
}

static void TWR_vPublishLast(U32 nIndex) {
  if (s_bTemporarilyEnableCLWCUpdateForAllModels && TWR_bIsSaved(s_Waypoint[nIndex].u8Status)) {
    H_DATABASE_bUpdateValueU32(FCID("CLWC"), nIndex, P_NORMAL);
  }
}

static U16 TWR_u16MoveTo(U32 nFrom, U16 u16To) {
  if (s_Waypoint[nFrom].u8Status != WPT_STATUS_GROUP_BODY && s_Waypoint[nFrom].u8Status != WPT_STATUS_FREE) {
    U_WSTRING_vReplaceNarrowWithWide(s_Waypoint[nFrom].sName, sizeof s_Waypoint[nFrom].sName);
  }
  WAYPOINT w = s_Waypoint[nFrom];
  if (w.u32DateTime == 0) w.u32DateTime = TWR_u32Now();
  const BOOLEAN bSaved = TWR_bIsSaved(w.u8Status);
  if (bSaved && !T_NAV_NVRAM_bSaveWaypoint(&w, u16To, FALSE)) return NAV_NONE;
  if (bSaved && !T_NAV_NVRAM_bDeleteWaypoint((U16)nFrom, FALSE)) {
    // Two files of one waypoint would both come back at the next start.
    T_NAV_NVRAM_bDeleteWaypoint(u16To, FALSE);
    return NAV_NONE;
  }
  s_Waypoint[u16To] = w;
  s_nWaypointsUsed++;
  TWR_vRaiseMaxUsed(u16To);
  TWR_vHashSlot(u16To);
  TWR_vPublishLast(u16To);
  if (!TWR_bDeclutterSuppressed()) TWR_vDeclutterSlot(u16To);
  s_WaypointHashTable[nFrom] = 0;
  T_NAV_vProcessWaypointDeletion(nFrom, FALSE);
  return u16To;
}

U16 T_NAV_u16MoveWaypoint(int nOldIndex) {
  if (nOldIndex < 0 || nOldIndex >= (int)NAV_MAX_WAYPOINTS) return NAV_NONE;
  TWR_vLock();
  U16 to = NAV_NONE;
  if (s_Waypoint[nOldIndex].u8Status != WPT_STATUS_FREE) {
    to = TWR_u16MoveTarget((U32)nOldIndex);
    if (to != NAV_NONE) to = TWR_u16MoveTo((U32)nOldIndex, to);
  }
  TWR_vUnlock();
  return to;
}

// Moves not-shared waypoints up (lowest first), then shared ones down
// (newest first), until the sides are far enough apart or nothing more can
// move; the routes follow their waypoints. Returns the number of moves.
static U32 TWR_u32Compact(void) {
  U32 nLocked = 0, nShared = 0;
  for (U32 i = 0; i < NAV_MAX_WAYPOINTS; i++) {
    if (!TWR_bIsWaypoint(s_Waypoint[i].u8Status)) continue;
    if (s_Waypoint[i].bWpNotShared) {
      s_aLockedTable[nLocked++] = {(U16)i, NAV_NONE};
    } else {
      s_aSharedRing[nShared++ % TWR_SHARED_RING] = {(U16)i, NAV_NONE};
    }
  }
  U32 nMoves = 0, nextLocked = 0, ringLeft = nShared < TWR_SHARED_RING ? nShared : TWR_SHARED_RING;
  BOOLEAN bLockedStuck = FALSE;
  s_bCompacting = TRUE;
  while (s_nMinLockWaypointIndex <= s_nMaxShareWaypointIndex + TWR_COMPACT_GAP) {
    TWR_MOVE* pMove = nullptr;
    if (nextLocked >= nLocked) bLockedStuck = TRUE;
    if (!bLockedStuck && nextLocked < nLocked) {
      pMove = &s_aLockedTable[nextLocked];
      const U16 to = TWR_u16MoveTarget(pMove->u16From);
      // A move that does not widen the gap helps nobody.
      if (to != NAV_NONE && to > pMove->u16From) {
        pMove->u16To = TWR_u16MoveTo(pMove->u16From, to);
      }
      if (pMove->u16To == NAV_NONE) bLockedStuck = TRUE;
      if (!bLockedStuck) nextLocked++;
    }
    if (bLockedStuck) {
      if (ringLeft == 0) break;
      pMove = &s_aSharedRing[(nShared - 1) % TWR_SHARED_RING];
      nShared--;
      ringLeft--;
      const U16 to = TWR_u16MoveTarget(pMove->u16From);
      if (to == NAV_NONE || to > pMove->u16From) break;
      pMove->u16To = TWR_u16MoveTo(pMove->u16From, to);
      if (pMove->u16To == NAV_NONE) break;
    }
    s_aMoves[nMoves++] = *pMove;
    TWR_vExtents();
  }
  s_bCompacting = FALSE;
  if (nMoves > 0) {
    s_u32LastMoves = nMoves;
    s_u32Compactions++;
    static U16 s_au16From[NAV_MAX_WAYPOINTS], s_au16To[NAV_MAX_WAYPOINTS];
    for (U32 i = 0; i < nMoves; i++) {
      s_au16From[i] = s_aMoves[i].u16From;
      s_au16To[i] = s_aMoves[i].u16To;
    }
    T_NAV_TWR_vRenumberRoutePoints(s_au16From, s_au16To, nMoves);
    // Groups name waypoints by slot too: a link left on the old slot would
    // make the next collection take the moved waypoint for garbage.
    T_NAV_GROUP_DATA_vRenumberLinks(s_au16From, s_au16To, nMoves);
    log_me("[%d]%s: %u waypoints moved\n", __LINE__, __func__, nMoves);
  }
  return nMoves;
}

U32 T_NAV_TWR_u32Compactions(void) { return s_u32Compactions; }

U16 T_NAV_TWR_u16MovedTo(U16 u16Slot) {
  for (U32 i = 0; i < s_u32LastMoves; i++) {
    if (s_aMoves[i].u16From == u16Slot) return s_aMoves[i].u16To;
  }
  return u16Slot;
}

void T_NAV_TWR_vStatisticWaypointStore(BOOLEAN bOnlyStatistic) {
  TWR_vLock();
  TWR_vExtents();
  if (!bOnlyStatistic && TWR_u32Compact() > 0 && !TWR_bDeclutterSuppressed()) TWR_vDeclutterRebuild();
  s_nSeperateWaypointIndex = -1;
  if (s_nMaxShareWaypointIndex <= s_nMinLockWaypointIndex) {
    s_nSeperateWaypointIndex = (s_nMinLockWaypointIndex + s_nMaxShareWaypointIndex) / 2;
  }
  TWR_vUnlock();
}

// A slot for the item, compacting once when its side has none left.
static U16 TWR_u16Allocate(BOOLEAN bNotShared, S32 g) {
  U16 slot = TWR_u16FreeSlot(bNotShared, g);
  if (slot == NAV_NONE && !s_bDisableShareLockSeperator) {
    T_NAV_TWR_vStatisticWaypointStore(FALSE);
    slot = TWR_u16FreeSlot(bNotShared, g);
  }
  return slot;
}

BOOLEAN T_NAV_bThereIsMoreRoomForWP(BOOLEAN bWpNotShared) {
  TWR_vLock();
  const BOOLEAN bRoom = TWR_u16Allocate(bWpNotShared, TWR_GUARD_BAND) != NAV_NONE;
  TWR_vUnlock();
  return bRoom;
}

BOOLEAN T_NAV_bThereIsMoreRoomForGroup(BOOLEAN bNotShared) {
  TWR_vLock();
  BOOLEAN bRoom = FALSE;
  const S32 sep = s_bDisableShareLockSeperator ? -1 : s_nSeperateWaypointIndex;
  if (bNotShared) {
    for (S32 i = (S32)NAV_MAX_WAYPOINTS - 1; i > sep && i >= 0 && !bRoom; i--) bRoom = s_Waypoint[i].u8Status == 0;
  } else {
    const S32 top = sep < 0 ? TWR_LAST_WAYPOINT_SLOT : sep - 1;
    for (S32 i = 0; i <= top && i <= TWR_LAST_WAYPOINT_SLOT && !bRoom; i++) bRoom = s_Waypoint[i].u8Status == 0;
  }
  TWR_vUnlock();
  return bRoom;
}

void T_NAV_TWR_vGetSlotPolicy(NAV_SLOT_POLICY* pPolicy) {
  TWR_vLock();
  *pPolicy = {s_nSeperateWaypointIndex, s_nMaxShareWaypointIndex, s_nMinLockWaypointIndex, s_nMaxUsedWaypointIndex,
              s_nWaypointsUsed,         s_nNumberSharedWaypoints, s_nNumberLockedWaypoints};
  TWR_vUnlock();
}

// ---------------------------------------------------------------------------
// Adding, saving, deleting

U16 T_NAV_u16WaypointAdd(WAYPOINT* pWaypoint, BOOLEAN bImport, BOOLEAN) {
  if (pWaypoint == nullptr) return NAV_NONE;
  const U8 status = pWaypoint->u8Status;
  if (!TWR_bIsWaypoint(status)) return NAV_NONE;
  const S32 g = status == WPT_STATUS_SAVED_2 ? 0 : TWR_GUARD_BAND;
  const BOOLEAN bNotShared = pWaypoint->bWpNotShared;
  TWR_vLock();
  const U16 slot = TWR_u16Allocate(bNotShared, g);
  if (slot == NAV_NONE) {
    TWR_vUnlock();
    log_me("[%d]%s: no slot for a %s waypoint\n", __LINE__, __func__, bNotShared ? "not-shared" : "shared");
    return NAV_NONE;
  }
  WAYPOINT w = *pWaypoint;
  if (!bImport) TWR_vPrepareName(&w);
  if (w.u32DateTime == 0) w.u32DateTime = TWR_u32Now();
  const U64 before = T_NAV_NVRAM_u64NewestWrite();
  if (TWR_bIsSaved(status) && !T_NAV_NVRAM_bSaveWaypoint(&w, slot, FALSE)) {
    TWR_vUnlock();
    return NAV_NONE;
  }
  s_Waypoint[slot] = w;
  TWR_vRaiseMaxUsed(slot);
  TWR_vPublishLast(slot);
  s_nWaypointsUsed++;
  TWR_vHashSlot(slot);
  if (bNotShared && (S32)slot < s_nMinLockWaypointIndex) s_nMinLockWaypointIndex = slot;
  if (!bNotShared && (S32)slot > s_nMaxShareWaypointIndex) s_nMaxShareWaypointIndex = slot;
  if (!s_bMultiWaypointAddDelete) TWR_vDeclutterSlot(slot);
  TWR_vUnlock();
  if (!TWR_bLanded(before)) {
    TWR_vLock();
    if (memcmp(&s_Waypoint[slot], &w, sizeof w) == 0) {
      s_WaypointHashTable[slot] = 0;
      T_NAV_vProcessWaypointDeletion(slot, TRUE);
    } else {
      TWR_vUnlock();
    }
    return NAV_NONE;
  }
  return slot;
}

U16 T_NAV_nAddWaypoint(WAYPOINT* pWaypoint, BOOLEAN bImport) { return T_NAV_u16WaypointAdd(pWaypoint, bImport, FALSE); }

BOOLEAN T_NAV_bSaveWaypoint(U32 nIndex, WAYPOINT* pWaypoint, BOOLEAN bOverridePointOfSale, BOOLEAN) {
  if (nIndex >= NAV_MAX_WAYPOINTS || pWaypoint == nullptr) return FALSE;
  WAYPOINT w = *pWaypoint;
  w.u8Status = pWaypoint->u8Status == WPT_STATUS_SAVED_2 ? WPT_STATUS_SAVED_2 : WPT_STATUS_SAVED;
  TWR_vLock();
  const U64 before = T_NAV_NVRAM_u64NewestWrite();
  if (!T_NAV_NVRAM_bSaveWaypoint(&w, (U16)nIndex, bOverridePointOfSale)) {
    TWR_vUnlock();
    return FALSE;
  }
  const WAYPOINT previous = s_Waypoint[nIndex];
  if (s_Waypoint[nIndex].u8Status == WPT_STATUS_FREE) s_nWaypointsUsed++;
  s_Waypoint[nIndex] = w;
  TWR_vRaiseMaxUsed(nIndex);
  TWR_vHashSlot(nIndex);
  if (!s_bMultiWaypointAddDelete) TWR_vDeclutterSlot(nIndex);
  TWR_vUnlock();
  if (TWR_bLanded(before)) return TRUE;
  // The file still holds the record before: so does the table again, unless
  // a later change has taken the slot meanwhile.
  TWR_vLock();
  if (memcmp(&s_Waypoint[nIndex], &w, sizeof w) != 0) {
    TWR_vUnlock();
  } else if (previous.u8Status == WPT_STATUS_FREE) {
    s_WaypointHashTable[nIndex] = 0;
    T_NAV_vProcessWaypointDeletion(nIndex, TRUE);
  } else {
    s_Waypoint[nIndex] = previous;
    TWR_vHashSlot(nIndex);
    if (!s_bMultiWaypointAddDelete) TWR_vDeclutterSlot(nIndex);
    TWR_vUnlock();
  }
  return FALSE;
}

void T_NAV_vProcessWaypointDeletion(U32 nIndex, BOOLEAN bUnLock) {
  if (nIndex < NAV_MAX_WAYPOINTS && s_Waypoint[nIndex].u8Status != WPT_STATUS_FREE) {
    s_Waypoint[nIndex].u8Status = WPT_STATUS_FREE;
    if (s_nWaypointsUsed > 0) s_nWaypointsUsed--;
    if ((S32)nIndex + 1 == s_nMaxUsedWaypointIndex) s_nMaxUsedWaypointIndex = (S32)nIndex;
    if (TWR_bKeyNames(FCID("ICWP"), nIndex)) T_NAV_STORE_vHeldWaypointGone(NAV_HELD_CURSOR);
    if (TWR_bKeyNames(FCID("CLWC"), nIndex)) T_NAV_STORE_vHeldWaypointGone(NAV_HELD_LAST_CREATED);
    if (TWR_bKeyNames(FCID("ITWP"), nIndex)) {
      T_NAV_STORE_vHeldWaypointGone(NAV_HELD_TARGET);
    } else if (TWR_bKeyNames(FCID("IGWP"), nIndex)) {
      T_NAV_STORE_vHeldWaypointGone(NAV_HELD_GRID);
    }
    if (!TWR_bDeclutterSuppressed()) TWR_vDeclutterRebuild();
  }
  if (bUnLock) TWR_vUnlock();
  T_NAV_STORE_vWaypointsChanged();
}

BOOLEAN T_NAV_bDeleteWaypoint(U32 nIndex, BOOLEAN bOverridePointOfSale) {
  if (nIndex >= NAV_MAX_WAYPOINTS || s_Waypoint[nIndex].u8Status == WPT_STATUS_FREE) return FALSE;
  TWR_vLock();
  const BOOLEAN bSaved = TWR_bIsSaved(s_Waypoint[nIndex].u8Status);
  if (bSaved && !T_NAV_NVRAM_bDeleteWaypoint((U16)nIndex, bOverridePointOfSale)) {
    TWR_vUnlock();
    return FALSE;
  }
  s_WaypointHashTable[nIndex] = 0;
  T_NAV_vProcessWaypointDeletion(nIndex, TRUE);
  return bSaved;
}

static BOOLEAN TWR_bDropTemporary(U32 nIndex, BOOLEAN bDeclutter) {
  if (nIndex >= NAV_MAX_WAYPOINTS) return FALSE;
  TWR_vLock();
  const BOOLEAN bTemporary = s_Waypoint[nIndex].u8Status == WPT_STATUS_TEMPORARY;
  if (bTemporary) {
    memset(&s_Waypoint[nIndex], 0, sizeof s_Waypoint[nIndex]);
    s_WaypointHashTable[nIndex] = 0;
    if (s_nWaypointsUsed > 0) s_nWaypointsUsed--;
    if (bDeclutter && !TWR_bDeclutterSuppressed()) TWR_vDeclutterRebuild();
  }
  TWR_vUnlock();
  return bTemporary;
}

BOOLEAN T_NAV_bClearTemporaryWaypoint(U32 nIndex) { return TWR_bDropTemporary(nIndex, TRUE); }
BOOLEAN T_NAV_bDeleteTemporaryWaypoint(U32 nIndex) { return TWR_bDropTemporary(nIndex, FALSE); }

BOOLEAN T_NAV_bMakeWaypointPermanent(U32 nIndex) {
  if (nIndex >= NAV_MAX_WAYPOINTS) return FALSE;
  TWR_vLock();
  BOOLEAN bDone = s_Waypoint[nIndex].u8Status == WPT_STATUS_TEMPORARY;
  if (bDone) {
    WAYPOINT w = s_Waypoint[nIndex];
    w.u8Status = WPT_STATUS_SAVED;
    bDone = T_NAV_NVRAM_bSaveWaypoint(&w, (U16)nIndex, FALSE);
    if (bDone) {
      s_Waypoint[nIndex] = w;
      TWR_vHashSlot(nIndex);
    }
  }
  TWR_vUnlock();
  return bDone;
}

// ---------------------------------------------------------------------------
// Group slots

static BOOLEAN TWR_bIsGroupFamily(U8 status) { return TWR_bIsGroup(status) || status == WPT_STATUS_GROUP_ANY; }

// The slot a group id names, 0xCFFF being slot 2999; -1 for any other id.
static S32 TWR_nGroupSlot(U16 u16Id) {
  U16 index;
  return T_NAV_RECORDS_eItemKind(u16Id, &index) == NAV_ITEM_GROUP ? (S32)index : -1;
}

void T_NAV_TWR_vReadSlot(U32 nIndex, void* pSlot) {
  if (nIndex < NAV_MAX_WAYPOINTS && pSlot != nullptr) memcpy(pSlot, &s_Waypoint[nIndex], sizeof(WAYPOINT));
}

GROUP_SLOT* T_NAV_pGetGroupSlot(U16 slotIndex) {
  const S32 slot = TWR_nGroupSlot(slotIndex);
  if (slot < 0 || !TWR_bIsGroupFamily(s_Waypoint[slot].u8Status)) return nullptr;
  return reinterpret_cast<GROUP_SLOT*>(&s_Waypoint[slot]);
}

static void TWR_vGroupNote(const char* const* ppWhy) {
  T_NAV_STORE_vNote(ppWhy[nCurrentLanguage()], 2);
}

BOOLEAN T_NAV_bSetGroupSlot(U16 slotIndex, const GROUP_SLOT* pSlot) {
  const S32 slot = TWR_nGroupSlot(slotIndex);
  if (slot < 0) {
    TWR_vGroupNote(Group_Slot_Index_Invalid);
    return FALSE;
  }
  if (pSlot == nullptr) return FALSE;
  WAYPOINT w;
  memcpy(&w, pSlot, sizeof w);
  if (!TWR_bIsGroup(w.u8Status)) return FALSE;
  if (w.u8Status == WPT_STATUS_GROUP_BODY && TWR_nGroupSlot(pSlot->sBody.u16NextIndex) == slot) {
    TWR_vGroupNote(Group_Slot_Links_Itself);
    return FALSE;
  }
  TWR_vLock();
  BOOLEAN bDone = T_NAV_NVRAM_bSaveWaypoint(&w, (U16)slot, FALSE);
  if (bDone) {
    if (s_Waypoint[slot].u8Status == WPT_STATUS_FREE) s_nWaypointsUsed++;
    s_Waypoint[slot] = w;
    s_WaypointHashTable[slot] = 0;
    TWR_vRaiseMaxUsed((U32)slot);
  }
  TWR_vUnlock();
  return bDone;
}

// While a whole tree is built at once, the group slots may close the gap
// between the sides: every item the table holds must find a link, and the
// separator's own slot and the slots past it are the last ones left.
static BOOLEAN s_bPackGroupSlots;

void T_NAV_TWR_vPackGroupSlots(BOOLEAN bPack) { s_bPackGroupSlots = bPack; }

// The free slot nearest the other side's closest item: the lowest below it
// for a shared item, the highest above it for a not-shared one; -1 if none.
static S32 TWR_nSlotShortOfOtherSide(BOOLEAN bNotShared) {
  const S32 top = (S32)NAV_MAX_WAYPOINTS - 1;
  if (bNotShared) {
    for (S32 i = top; i > s_nMaxShareWaypointIndex && i >= 0; i--) {
      if (s_Waypoint[i].u8Status == WPT_STATUS_FREE) return i;
    }
    return -1;
  }
  const S32 bound = s_nMinLockWaypointIndex > 0 && s_nMinLockWaypointIndex < top ? s_nMinLockWaypointIndex : top;
  for (S32 i = 0; i < bound; i++) {
    if (s_Waypoint[i].u8Status == WPT_STATUS_FREE) return i;
  }
  return -1;
}

// A slot for a tree built whole: on the item's side if need be after the
// other side's waypoints have moved out of the way; failing that, any free
// slot, since a record left unlinked would be lost to the next collection.
static S32 TWR_nPackedSlot(BOOLEAN bNotShared) {
  S32 slot = TWR_nSlotShortOfOtherSide(bNotShared);
  if (slot < 0) {
    T_NAV_TWR_vStatisticWaypointStore(FALSE);
    slot = TWR_nSlotShortOfOtherSide(bNotShared);
  }
  for (S32 i = 0; i < (S32)NAV_MAX_WAYPOINTS && slot < 0; i++) {
    const S32 at = bNotShared ? (S32)NAV_MAX_WAYPOINTS - 1 - i : i;
    if (s_Waypoint[at].u8Status == WPT_STATUS_FREE) slot = at;
  }
  return slot;
}

U16 T_NAV_nAllocGroupSlot(BOOLEAN bNotShared) {
  const BOOLEAN D = s_bDisableShareLockSeperator;
  BOOLEAN bSidesMeet = FALSE;
  if (!D) {
    if (s_nMaxShareWaypointIndex == s_nSeperateWaypointIndex || s_nMinLockWaypointIndex == s_nSeperateWaypointIndex) {
      T_NAV_TWR_vStatisticWaypointStore(FALSE);
    }
    bSidesMeet = s_nSeperateWaypointIndex != 0 && s_nMinLockWaypointIndex != 0 &&
                 (s_nMaxShareWaypointIndex == s_nSeperateWaypointIndex ||
                  s_nMinLockWaypointIndex == s_nSeperateWaypointIndex);
  }
  // Without a separator (suspended, or not yet counted) a side may take any
  // slot but the two ends that belong to the other.
  const S32 sep = D ? -1 : s_nSeperateWaypointIndex;
  const S32 top = (S32)NAV_MAX_WAYPOINTS - 1;
  S32 slot = -1;
  if (bNotShared) {
    for (S32 i = top; i >= (sep >= 0 ? sep : 1) && slot < 0 && !bSidesMeet; i--) {
      if (s_Waypoint[i].u8Status == WPT_STATUS_FREE) slot = i;
    }
  } else {
    for (S32 i = 0; i <= (sep >= 0 ? sep : top - 1) && slot < 0 && !bSidesMeet; i++) {
      if (s_Waypoint[i].u8Status == WPT_STATUS_FREE) slot = i;
    }
  }
  if ((sep >= 0 && slot == sep) || (D && (slot < 1 || slot > top - 1))) slot = -1;
  if (slot < 0 && s_bPackGroupSlots) slot = TWR_nPackedSlot(bNotShared);
  if (slot < 0) return NAV_NONE;
  memset(&s_Waypoint[slot], 0, sizeof s_Waypoint[slot]);
  s_Waypoint[slot].u8Status = WPT_STATUS_GROUP_ANY;
  s_WaypointHashTable[slot] = 0;
  s_nWaypointsUsed++;
  TWR_vRaiseMaxUsed((U32)slot);
  if (bNotShared) {
    s_nMinLockWaypointIndex = s_nMinLockWaypointIndex == 0 || slot < s_nMinLockWaypointIndex ? slot : s_nMinLockWaypointIndex;
  } else if (slot > s_nMaxShareWaypointIndex) {
    s_nMaxShareWaypointIndex = slot;
  }
  if (!D) {
    s_nSeperateWaypointIndex = s_nSeperateWaypointIndex != 0 && s_nMinLockWaypointIndex != 0
                                   ? (s_nMinLockWaypointIndex + s_nMaxShareWaypointIndex) / 2
                                   : s_nMaxShareWaypointIndex;
  }
  return (U16)(slot | NAV_ITEM_GROUP_BASE);
}

// Frees a group-family slot; its file goes with it.
static void TWR_vFreeGroupSlot(U16 slotIndex, BOOLEAN bOverridePointOfSale) {
  const S32 slot = TWR_nGroupSlot(slotIndex);
  if (slot < 0 || !TWR_bIsGroupFamily(s_Waypoint[slot].u8Status)) return;
  TWR_vLock();
  memset(&s_Waypoint[slot], 0, sizeof s_Waypoint[slot]);
  if (s_nWaypointsUsed > 0) s_nWaypointsUsed--;
  s_WaypointHashTable[slot] = 0;
  if (slot + 1 == s_nMaxUsedWaypointIndex) s_nMaxUsedWaypointIndex = slot;
  // A file left behind comes back at the next start, unreached, and the
  // next collection takes it.
  T_NAV_NVRAM_bDeleteWaypoint((U16)slot, bOverridePointOfSale);
  TWR_vUnlock();
}

void T_NAV_vFreeGroupSlot(U16 slotIndex) { TWR_vFreeGroupSlot(slotIndex, TRUE); }

void T_NAV_vDeleteGpWpSlot(U16 slotIndex) {
  U16 index;
  switch (T_NAV_RECORDS_eItemKind(slotIndex, &index)) {
    case NAV_ITEM_WAYPOINT:
      T_NAV_STORE_vRouteWaypointGone(index);
      T_NAV_bDeleteWaypoint(index, FALSE);
      break;
    case NAV_ITEM_GROUP:
      TWR_vFreeGroupSlot(slotIndex, FALSE);
      break;
    default:
      break;
  }
}

BOOLEAN T_NAV_bIsNotSharedLink(U16 indexLinkToAdd) {
  U16 index;
  switch (T_NAV_RECORDS_eItemKind(indexLinkToAdd, &index)) {
    case NAV_ITEM_WAYPOINT:
    case NAV_ITEM_GROUP:
      return s_Waypoint[index].bWpNotShared;
    case NAV_ITEM_ROUTE:
      return T_NAV_pGetRoute(index)->bRtNotShared;
    default:
      return FALSE;
  }
}

// A free slot on the item's side, short of the guard band next to the
// separator (the slot the waypoint add would take).
BOOLEAN T_NAV_vRoomForWptOrGroup(BOOLEAN bWpNotShared) {
  S32 from = 0, to = TWR_LAST_WAYPOINT_SLOT;
  TWR_vLock();
  if (!s_bDisableShareLockSeperator) {
    if (bWpNotShared) {
      from = s_nSeperateWaypointIndex + TWR_GUARD_BAND + 1;
    } else {
      to = s_nSeperateWaypointIndex - TWR_GUARD_BAND - 1;
    }
  }
  BOOLEAN bRoom = FALSE;
  for (S32 i = from < 0 ? 0 : from; i <= to && !bRoom; i++) bRoom = s_Waypoint[i].u8Status == WPT_STATUS_FREE;
  TWR_vUnlock();
  return bRoom;
}

S16 T_NAV_s16GetMaxShareWaypointIndex(void) { return (S16)s_nMaxShareWaypointIndex; }
S16 T_NAV_s16GetMinLockWaypointIndex(void) { return (S16)s_nMinLockWaypointIndex; }

// ---------------------------------------------------------------------------
// Deleting everything

// The waypoints the navigation task holds by slot: cursor, last created,
// target and grid.
static const FOURCHARID s_aHeldKeys[NAV_HELD_WAYPOINTS] = {FCID("ICWP"), FCID("CLWC"), FCID("ITWP"), FCID("IGWP")};

void T_NAV_TWR_vNoteHeldWaypoints(BOOLEAN abHeld[NAV_HELD_WAYPOINTS]) {
  for (U32 k = 0; k < NAV_HELD_WAYPOINTS; k++) {
    U32 slot;
    abHeld[k] = H_DATABASE_bFetchU32(s_aHeldKeys[k], &slot, nullptr, nullptr) && slot < NAV_MAX_WAYPOINTS &&
                s_Waypoint[slot].u8Status != WPT_STATUS_FREE;
  }
}

void T_NAV_TWR_vTellStoreReplaced(const BOOLEAN abHeld[NAV_HELD_WAYPOINTS]) {
  for (U32 k = 0; k < NAV_HELD_WAYPOINTS; k++) {
    if (abHeld[k]) T_NAV_STORE_vHeldWaypointGone(k);
  }
  T_NAV_STORE_vWaypointsChanged();
  T_NAV_STORE_vSavedRouteGone();
}

void T_NAV_vDeleteAllTracksWaypointsRoutes(BOOLEAN bOverridePointOfSale) {
  TWR_vLock();
  s_bMultiWaypointAddDelete = TRUE;
  BOOLEAN abHeld[NAV_HELD_WAYPOINTS];
  T_NAV_TWR_vNoteHeldWaypoints(abHeld);

  for (U32 t = 0; t < NAV_MAX_TRACKS; t++) T_NAV_bDeleteTrack(t, bOverridePointOfSale);
  T_NAV_TWR_vDeleteAllRoutes(bOverridePointOfSale);
  const S32 bDeclutterWas = s_bTemporarilyDisableDeclutterScan;
  s_bTemporarilyDisableDeclutterScan = TRUE;
  BOOLEAN bErased = FALSE;
  for (U32 i = 0; i < NAV_MAX_WAYPOINTS; i++) {
    const U8 status = s_Waypoint[i].u8Status;
    if (status == WPT_STATUS_FREE) continue;
    if (TWR_bIsSaved(status) && !bErased) {
      // The current track's journal stays: the track goes on being recorded.
      T_NAV_NVRAM_vEraseRecords();
      T_NAV_NVRAM_vInit();
      bErased = TRUE;
    } else if (TWR_bIsGroupFamily(status) && !bErased) {
      T_NAV_NVRAM_bDeleteWaypoint((U16)i, bOverridePointOfSale);
    }
    if (s_nWaypointsUsed > 0) s_nWaypointsUsed--;
    s_Waypoint[i].u8Status = WPT_STATUS_FREE;
    if ((S32)i + 1 == s_nMaxUsedWaypointIndex) s_nMaxUsedWaypointIndex = (S32)i;
    s_WaypointHashTable[i] = 0;
  }
  s_nMaxUsedWaypointIndex = 0;
  s_nWaypointsUsed = 0;
  H_DATABASE_bUpdateValueS32(FCID("SWID"), 0, P_NORMAL);
  // The emptied table decides where the new root goes.
  T_NAV_TWR_vStatisticWaypointStore(TRUE);
  T_NAV_TWR_vStatisticRouteStore(TRUE);
  T_NAV_GROUP_DATA_bBuildRootGroup();
  T_NAV_STORE_vStoreReloaded();
  T_NAV_TWR_vStatisticWaypointStore(TRUE);
  T_NAV_TWR_vStatisticRouteStore(TRUE);
  s_bMultiWaypointAddDelete = FALSE;
  s_bTemporarilyDisableDeclutterScan = bDeclutterWas;
  if (!TWR_bDeclutterSuppressed()) TWR_vDeclutterRebuild();
  TWR_vUnlock();

  T_NAV_TWR_vTellStoreReplaced(abHeld);
}

// ---------------------------------------------------------------------------
// Accessors and searches

WAYPOINT* T_NAV_pGetWaypoint(U32 nIndex) {
  if (nIndex >= NAV_MAX_WAYPOINTS) return nullptr;
  WAYPOINT* p = &s_Waypoint[nIndex];
  if (p->u8Status != WPT_STATUS_FREE && p->u8Status != WPT_STATUS_GROUP_BODY) {
    U_WSTRING_vReplaceNarrowWithWide(p->sName, sizeof p->sName);
  }
  return p;
}

void T_NAV_vCopyWaypoint(U32 nIndex, WAYPOINT* pWaypoint) {
  if (nIndex >= NAV_MAX_WAYPOINTS || pWaypoint == nullptr) return;
  TWR_vLock();
  *pWaypoint = s_Waypoint[nIndex];
  TWR_vUnlock();
}

U8 T_NAV_u8GetWaypointIcon(U32 nIndex) {
  if (nIndex >= NAV_MAX_WAYPOINTS) return 0;
  TWR_vLock();
  const U8 icon = s_Waypoint[nIndex].u8Icon;
  TWR_vUnlock();
  return icon;
}

void T_NAV_vCopyWaypointPoint(U32 nIndex, POINT* pPoint) {
  if (nIndex >= NAV_MAX_WAYPOINTS || pPoint == nullptr) return;
  TWR_vLock();
  *pPoint = s_Waypoint[nIndex].pt;
  TWR_vUnlock();
}

void T_NAV_vCopyWaypointName(U32 nIndex, char* sName, U32 nLimit) {
  if (nIndex >= NAV_MAX_WAYPOINTS || sName == nullptr || nLimit == 0) return;
  TWR_vLock();
  memset(sName, 0, nLimit);
  memcpy(sName, s_Waypoint[nIndex].sName, nLimit < NAV_WAYPOINT_NAME_SIZE ? nLimit : NAV_WAYPOINT_NAME_SIZE);
  TWR_vUnlock();
  sName[nLimit - 1] = 0;
  U_WSTRING_vReplaceNarrowWithWide(sName, nLimit);
}

BOOLEAN T_NAV_bScanWaypoints(S32* pnIndex, WAYPOINT** ppWaypoint, BOOLEAN) {
  if (pnIndex == nullptr || ppWaypoint == nullptr || *pnIndex + 1 >= s_nMaxUsedWaypointIndex || *pnIndex < -1) {
    return FALSE;
  }
  ++*pnIndex;
  *ppWaypoint = &s_Waypoint[*pnIndex];
  return TRUE;
}

static int TWR_nCount(BOOLEAN (*pfWanted)(U8)) {
  int n = 0;
  TWR_vLock();
  for (const WAYPOINT& w : s_Waypoint) n += pfWanted(w.u8Status) ? 1 : 0;
  TWR_vUnlock();
  return n;
}

BOOLEAN T_NAV_bWaypointsExist(void) { return TWR_nCount(TWR_bIsWaypoint) > 0; }
int T_NAV_TWR_nGetWaypointCount(void) { return TWR_nCount(TWR_bIsSaved); }
int T_NAV_TWR_nGetGroupVisibleCount(void) {
  return TWR_nCount([](U8 status) -> BOOLEAN { return status == WPT_STATUS_GROUP_HEADER; });
}
int T_NAV_TWR_nGetGroupTotalCount(void) { return TWR_nCount(TWR_bIsGroup); }
U16 T_NAV_TWR_u16GetMaxUsedWaypoint(void) { return s_nMaxUsedWaypointIndex > 0 ? (U16)s_nMaxUsedWaypointIndex : 0; }

BOOLEAN T_NAV_bWaypointCompare(const WAYPOINT* pWaypoint1, const WAYPOINT* pWaypoint2) {
  return pWaypoint1->u8Icon == pWaypoint2->u8Icon && pWaypoint1->u16Depth == pWaypoint2->u16Depth &&
         pWaypoint1->u32DateTime == pWaypoint2->u32DateTime && pWaypoint1->pt.x == pWaypoint2->pt.x &&
         pWaypoint1->pt.y == pWaypoint2->pt.y &&
         memcmp(pWaypoint1->sName, pWaypoint2->sName, NAV_WAYPOINT_NAME_SIZE) == 0;
}

U16 T_NAV_TWR_u16FindWaypointEX(NAV_DATA_SPACE* pData, WAYPOINT* pWaypoint) {
  if (pWaypoint == nullptr) return NAV_NONE;
  if (pData == nullptr) return T_NAV_GROUP_u16FindWaypoint(pWaypoint);
  const U32 count = pData->u16WaypointCount < NAV_MAX_WAYPOINTS ? pData->u16WaypointCount : NAV_MAX_WAYPOINTS;
  for (U32 i = 0; pData->pWaypoint != nullptr && i < count; i++) {
    if (TWR_bIsSaved(pData->pWaypoint[i].u8Status) && T_NAV_bWaypointCompare(&pData->pWaypoint[i], pWaypoint)) {
      return (U16)i;
    }
  }
  return NAV_NONE;
}

U16 T_NAV_nFindNearbyWaypoint(POINT ptMM, S32 nWidthMM, S32 nLengthMM, U16) {
  const S64 r = nWidthMM > nLengthMM ? nWidthMM : nLengthMM;
  U16 best = NAV_NONE;
  S64 bestDistance = 0;
  TWR_vLock();
  for (S32 i = 0; i < s_nMaxUsedWaypointIndex; i++) {
    if (!TWR_bIsWaypoint(s_Waypoint[i].u8Status)) continue;
    const S64 dx = U_NAV_nFoldX((S32)((S64)s_Waypoint[i].pt.x - ptMM.x));
    const S64 dy = (S64)s_Waypoint[i].pt.y - ptMM.y;
    if (llabs(dx) > r || llabs(dy) > r) continue;
    const S64 distance = llabs(dx) + llabs(dy);
    if (best == NAV_NONE || distance < bestDistance) {
      best = (U16)i;
      bestDistance = distance;
    }
  }
  TWR_vUnlock();
  return best;
}

U16 T_NAV_nFindWaypointAtPosition(POINT ptMM, BOOLEAN) {
  TWR_vLock();
  U16 found = NAV_NONE;
  for (S32 i = 0; i < s_nMaxUsedWaypointIndex && found == NAV_NONE; i++) {
    if (TWR_bIsWaypoint(s_Waypoint[i].u8Status) && s_Waypoint[i].pt.x == ptMM.x && s_Waypoint[i].pt.y == ptMM.y) {
      found = (U16)i;
    }
  }
  TWR_vUnlock();
  return found;
}

// ---------------------------------------------------------------------------
// Hashes

void T_NAV_vUpdateWaypointHashTableItem(U16 u16Index) {
  if (u16Index >= NAV_MAX_WAYPOINTS) return;
  TWR_vLock();
  TWR_vHashSlot(u16Index);
  TWR_vUnlock();
}

void T_NAV_TWR_vHashWaypoints(void) {
  TWR_vLock();
  s_nWaypointsUsed = s_nNumberSharedWaypoints = s_nNumberLockedWaypoints = 0;
  for (U32 i = 0; i < NAV_MAX_WAYPOINTS; i++) {
    TWR_vHashSlot(i);
    const U8 status = s_Waypoint[i].u8Status;
    if (status != WPT_STATUS_FREE) s_nWaypointsUsed++;
    if (TWR_bIsSaved(status)) (s_Waypoint[i].bWpNotShared ? s_nNumberLockedWaypoints : s_nNumberSharedWaypoints)++;
  }
  TWR_vUnlock();
}

const U16* T_NAV_TWR_pu16GetWaypointsHash(void) { return s_WaypointHashTable; }

// ---------------------------------------------------------------------------
// Start-up

void T_NAV_vInitTracksWaypointsRoutes(void) {
  TWR_vLock();
  const S32 bDeclutterWas = s_bTemporarilyDisableDeclutterScan;
  s_bTemporarilyDisableDeclutterScan = TRUE;
  T_NAV_TWR_vClearRoutesAndTracks();
  for (U32 i = 0; i < NAV_MAX_WAYPOINTS; i++) {
    s_Waypoint[i].u8Status = WPT_STATUS_FREE;
    s_WaypointHashTable[i] = 0;
  }
  s_nMaxUsedWaypointIndex = 0;
  s_nSeperateWaypointIndex = -1;
  s_nMaxShareWaypointIndex = s_nMinLockWaypointIndex = 0;
  T_NAV_NVRAM_vRecover();
  T_NAV_NVRAM_vInit();
  T_NAV_NVRAM_vScan(T_NAV_TWR_pTrackHeaderTable(), s_Waypoint, &s_nMaxUsedWaypointIndex, T_NAV_TWR_pRouteTable());
  T_NAV_DATA_vRewriteFlaggedWaypoints(s_Waypoint);
  for (WAYPOINT& w : s_Waypoint) {
    if (w.u8Status == WPT_STATUS_FREE) memset(&w, 0, sizeof w);
  }
  T_NAV_TWR_vRoutesLoaded();
  S32 counter = T_NAV_s32GetMaxWayPointCounter();
  if (counter > TWR_CAP_LARGE) counter = TWR_CAP_LARGE;
  S32 stored;
  if (!H_DATABASE_bFetchS32(FCID("SWID"), &stored, nullptr, nullptr) || stored != counter) {
    H_DATABASE_bUpdateValueS32(FCID("SWID"), counter, P_NORMAL);
  }
  T_NAV_TWR_vHashWaypoints();
  // The tree keeps what it reaches and sets the sides up.
  T_NAV_GROUP_DATA_vInitGroups();
  s_bTemporarilyDisableDeclutterScan = bDeclutterWas;
  TWR_vUnlock();
}
