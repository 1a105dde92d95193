// The transfer stream of the store, both ways, and the conversions of its
// records.
//
// Export holds mutex 9 and one record buffer from its start to its end;
// its end call frees both on every path, so a transfer that breaks off
// leaves the store usable. Import never touches the live store while it
// receives: records are checked as the start-up reader checks files, held
// in the importing buffer (tracks go straight to a staging area on disk),
// and replace the store only when the caller ends the import as complete.
// The record files are then swapped whole (t_nav_nvram_flash) and the
// tables loaded from them, as at a start.

#include "t_nav_data.h"

#include <stdio.h>
#include <string.h>

#include "h_database.h"
#include "h_memory.h"
#include "linuxsvc.h"
#include "t_nav_store_hooks.h"
#include "t_nav_group_data.h"
#include "t_nav_group_data_int.h"
#include "t_nav_nvram_flash.h"
#include "t_nav_twr.h"
#include "u_wstring.h"

// How long a transfer waits for the store before it gives up.
constexpr TICKS DATA_LOCK_WAIT = 10000;
constexpr U32 DATA_WAYPOINT_SIZE = NAV_DATA_HEADER_SIZE + NAV_RECORD_SLOT_BYTES;
constexpr U32 DATA_ROUTE_SIZE = NAV_DATA_HEADER_SIZE + NAV_RECORD_ROUTE_BYTES;
// Where a route's fields stand in its stored form.
constexpr U32 DATA_ROUTE_NAME_AT = 8;
constexpr U32 DATA_ROUTE_POINTS_AT = 28;
constexpr U32 DATA_ROUTE_V1_RECORD = NAV_DATA_HEADER_SIZE + NAV_DATA_ROUTE_V1_SIZE;
constexpr U32 DATA_TRACK_V1_RECORD = NAV_DATA_HEADER_SIZE + NAV_DATA_TRACK_V1_SIZE;
constexpr U32 DATA_TRACK_V2_RECORD = NAV_DATA_HEADER_SIZE + NAV_DATA_TRACK_V2_SIZE;
// The stream without groups shows the first 31 icons only (up to MOB_ICON).
constexpr U8 DATA_LAST_PLAIN_ICON = 30;
// What the transport fills a short last block with.
constexpr U8 DATA_FILL_BYTE = 0x1A;

// ---------------------------------------------------------------------------
// Byte order

static void DATA_vSwap16(U8* p) {
  const U8 t = p[0];
  p[0] = p[1];
  p[1] = t;
}

static void DATA_vSwap32(U8* p) {
  U8 t = p[0];
  p[0] = p[3];
  p[3] = t;
  t = p[1];
  p[1] = p[2];
  p[2] = t;
}

// Host order is the board's, little-endian (asserted by the record files).
static U16 DATA_u16Host(const U8* p) { return (U16)(p[0] | p[1] << 8); }
static U32 DATA_u32Host(const U8* p) { return (U32)p[0] | (U32)p[1] << 8 | (U32)p[2] << 16 | (U32)p[3] << 24; }
static void DATA_vPutHost16(U8* p, U16 v) {
  p[0] = (U8)v;
  p[1] = (U8)(v >> 8);
}
static void DATA_vPutHost32(U8* p, U32 v) {
  for (int i = 0; i < 4; i++) p[i] = (U8)(v >> (8 * i));
}

U16 U_ACCESSORY_vExtractBigendianU16(const U8* p) { return (U16)(p[0] << 8 | p[1]); }
U32 U_ACCESSORY_vExtractBigendianU32(const U8* p) {
  return (U32)p[0] << 24 | (U32)p[1] << 16 | (U32)p[2] << 8 | (U32)p[3];
}

// A waypoint or group slot laid out as a header (16), a body (17) or a
// waypoint (anything else); the same both ways.
static void DATA_vSwapAs(U8* p, U8 u8Layout) {
  switch (u8Layout) {
    case WPT_STATUS_GROUP_HEADER:
      DATA_vSwap16(p + 2);
      DATA_vSwap32(p + 4);
      for (U32 at = 8; at < 16; at += 2) DATA_vSwap16(p + at);
      break;
    case WPT_STATUS_GROUP_BODY:
      for (U32 at = 2; at < NAV_RECORD_SLOT_BYTES; at += 2) DATA_vSwap16(p + at);
      break;
    default:
      DATA_vSwap16(p + 2);
      for (U32 at = 4; at < 16; at += 4) DATA_vSwap32(p + at);
      break;
  }
}

static void DATA_vSwapSlot(U8* p) { DATA_vSwapAs(p, p[0] & NAV_SLOT_STATUS_MASK); }

static U32 DATA_u32RouteCount(U32 u32Word) { return u32Word & 0x3FFFFFFFu; }

// A route body with u32Points entries at u32At; bHostBefore: the count is
// read before the swap (going out) or after it (coming in).
static void DATA_vSwapRoute(U8* p, U32 u32Entries, U32 u32At, BOOLEAN bHostBefore) {
  const U32 before = DATA_u32RouteCount(DATA_u32Host(p));
  DATA_vSwap32(p);
  DATA_vSwap32(p + 4);
  const U32 count = bHostBefore ? before : DATA_u32RouteCount(DATA_u32Host(p));
  for (U32 k = 0; k < count && k < u32Entries; k++) DATA_vSwap16(p + u32At + 2 * k);
}

// A track body: the header's count, first delta and nine words, and the
// first entries of its ring (triples of three halves, or the old pairs).
static void DATA_vSwapTrack(U8* p, U32 u32Entries, U32 u32EntrySize, U32 u32Words, U32 u32RingAt,
                            BOOLEAN bHostBefore) {
  const U32 before = DATA_u16Host(p);
  DATA_vSwap16(p);
  DATA_vSwap16(p + 2);
  for (U32 k = 0; k < u32Words; k++) DATA_vSwap32(p + 4 + 4 * k);
  const U32 count = bHostBefore ? before : DATA_u16Host(p);
  for (U32 k = 0; k < count && k < u32Entries; k++) {
    for (U32 half = 0; half < u32EntrySize; half += 2) DATA_vSwap16(p + u32RingAt + u32EntrySize * k + half);
  }
}

static void DATA_vSwapCurrentTrack(U8* p, BOOLEAN bHostBefore) {
  DATA_vSwapTrack(p, TRACK_DELTA_ENTRIES, NAV_RECORD_DELTA_BYTES, 9, NAV_RECORD_TRACK_HEADER_BYTES, bHostBefore);
}

void T_NAV_DATA_vHostToBigEndian(U8* pSource) {
  if (pSource == nullptr) return;
  DATA_vSwap16(pSource + 2);
  DATA_vSwap16(pSource + 4);
  U8* body = pSource + NAV_DATA_HEADER_SIZE;
  switch (pSource[0]) {
    case NAV_DATA_TYPE_WAYPOINT:
      DATA_vSwapSlot(body);
      break;
    case NAV_DATA_TYPE_ROUTE:
      DATA_vSwapRoute(body, NAV_MAX_ROUTE_POINTS, DATA_ROUTE_POINTS_AT, TRUE);
      break;
    case NAV_DATA_TYPE_TRACK:
      DATA_vSwapCurrentTrack(body, TRUE);
      break;
    default:
      break;
  }
}

void T_NAV_DATA_vBigEndianToHost(NAV_DATA_STRUCTURE_HEADER* pHeader, U8* pSource) {
  if (pHeader == nullptr || pSource == nullptr) return;
  U8* h = (U8*)pHeader;
  DATA_vSwap16(h + 2);
  DATA_vSwap16(h + 4);
  const U8 version = pHeader->u8Version;
  switch (pHeader->u8Type) {
    case NAV_DATA_TYPE_WAYPOINT: {
      const U8 status = pSource[0] & NAV_SLOT_STATUS_MASK;
      if (status != WPT_STATUS_GROUP_HEADER && status != WPT_STATUS_GROUP_BODY && version > NAV_DATA_VERSION) {
        pHeader->u8Type = 0;
      } else {
        DATA_vSwapSlot(pSource);
      }
      break;
    }
    case NAV_DATA_TYPE_ROUTE:
      if (version < NAV_DATA_VERSION) {
        DATA_vSwapRoute(pSource, NAV_DATA_ROUTE_V1_POINTS, 8, FALSE);
      } else if (version == NAV_DATA_VERSION) {
        DATA_vSwapRoute(pSource, NAV_MAX_ROUTE_POINTS, DATA_ROUTE_POINTS_AT, FALSE);
      } else {
        pHeader->u8Type = 0;
      }
      break;
    case NAV_DATA_TYPE_TRACK:
      if (version <= 1) {
        DATA_vSwapTrack(pSource, NAV_DATA_TRACK_V1_PAIRS, 4, 5, 24, FALSE);
      } else if (version == 2) {
        DATA_vSwapTrack(pSource, NAV_DATA_TRACK_V2_PAIRS, 4, 5, 24, FALSE);
      } else if (version == NAV_DATA_VERSION) {
        DATA_vSwapCurrentTrack(pSource, FALSE);
      } else {
        pHeader->u8Type = 0;
      }
      break;
    default:
      pHeader->u8Type = 0;
      break;
  }
}

void T_NAV_DATA_vGNDHostToBigEndian(U8 DataType, U8* pSource) {
  if (pSource == nullptr) return;
  switch (DataType) {
    case NAV_DATA_TYPE_TRACK:
      DATA_vSwapCurrentTrack(pSource, TRUE);
      break;
    case NAV_DATA_TYPE_WAYPOINT:
      if ((pSource[0] & NAV_SLOT_STATUS_MASK) != WPT_STATUS_FREE) DATA_vSwapSlot(pSource);
      break;
    case NAV_DATA_TYPE_ROUTE:
      DATA_vSwapRoute(pSource, NAV_MAX_ROUTE_POINTS, DATA_ROUTE_POINTS_AT, TRUE);
      break;
    case WPT_STATUS_GROUP_HEADER:
    case WPT_STATUS_GROUP_BODY:
      DATA_vSwapSlot(pSource);
      break;
    default:
      break;
  }
}

void T_NAV_DATA_vGNDBigEndianToHost(U8, U8 dataType, U8* pSource) {
  if (pSource == nullptr) return;
  switch (dataType) {
    case NAV_DATA_TYPE_TRACK:
      DATA_vSwapCurrentTrack(pSource, FALSE);
      break;
    case NAV_DATA_TYPE_ROUTE:
      DATA_vSwapRoute(pSource, NAV_MAX_ROUTE_POINTS, DATA_ROUTE_POINTS_AT, FALSE);
      break;
    default:
      T_NAV_DATA_vGNDHostToBigEndian(dataType, pSource);
      break;
  }
}

// One slot of a given layout to host order, through a copy of its bytes.
static void DATA_vReverse(void* p, U8 u8Layout) {
  if (p == nullptr) return;
  U8 bytes[sizeof(WAYPOINT)];
  memcpy(bytes, p, sizeof bytes);
  DATA_vSwapAs(bytes, u8Layout);
  memcpy(p, bytes, sizeof bytes);
}

void U_ACCESSORY_vReverseGroupWaypoint(WAYPOINT* p) { DATA_vReverse(p, WPT_STATUS_SAVED); }
void U_ACCESSORY_vReverseGroupHeader(GROUP_HEADER* p) { DATA_vReverse(p, WPT_STATUS_GROUP_HEADER); }
void U_ACCESSORY_vReverseGroupBody(GROUP_BODY* p) { DATA_vReverse(p, WPT_STATUS_GROUP_BODY); }

// ---------------------------------------------------------------------------
// Versions

// An old track's ring unrolled into a current one, oldest point first, and
// its box grown over every point.
static void DATA_vConvertOldTrack(U8* pDest, const U8* pBody, U32 u32Pairs) {
  TRACK_HEADER h;
  memset(&h, 0, sizeof h);
  const U32 oldCount = DATA_u16Host(pBody);
  const U32 count = oldCount < u32Pairs ? oldCount : u32Pairs;
  h.u16Count = (U16)count;
  h.u16FirstDelta = 0;
  h.u32DateTime = DATA_u32Host(pBody + 4);
  h.ptFirst = {(S32)DATA_u32Host(pBody + 8), (S32)DATA_u32Host(pBody + 12)};
  h.ptLast = {(S32)DATA_u32Host(pBody + 16), (S32)DATA_u32Host(pBody + 20)};
  h.ptLowerLeft = h.ptUpperRight = h.ptFirst;
  const U32 nameAt = 24 + 4 * u32Pairs;
  memcpy(h.sName, pBody + nameAt, TRACK_NAME_SIZE);
  U8* ring = pDest + NAV_RECORD_TRACK_HEADER_BYTES;
  memset(ring, 0, NAV_RECORD_TRACK_BYTES - NAV_RECORD_TRACK_HEADER_BYTES);
  POINT at = h.ptFirst;
  U32 j = DATA_u16Host(pBody + 2) % u32Pairs;
  for (U32 i = 0; i < count; i++, j = (j + 1) % u32Pairs) {
    const S16 dx = (S16)DATA_u16Host(pBody + 24 + 4 * j), dy = (S16)DATA_u16Host(pBody + 26 + 4 * j);
    DATA_vPutHost16(ring + 6 * i, (U16)dx);
    DATA_vPutHost16(ring + 6 * i + 2, (U16)dy);
    at.x = U_NAV_nFoldX((S32)((S64)at.x + dx));
    at.y = U_NAV_nClampY((S32)((S64)at.y + dy));
    if (at.x < h.ptLowerLeft.x) h.ptLowerLeft.x = at.x;
    if (at.y < h.ptLowerLeft.y) h.ptLowerLeft.y = at.y;
    if (at.x > h.ptUpperRight.x) h.ptUpperRight.x = at.x;
    if (at.y > h.ptUpperRight.y) h.ptUpperRight.y = at.y;
  }
  T_NAV_RECORDS_vPutTrackHeader(pDest, &h);
}

S32 T_NAV_DATA_nConvertRecord(void* pDestHeader, void* pDestData, const U8* pSource) {
  if (pDestData == nullptr || pSource == nullptr) return 0;
  const U8 type = pSource[0], version = pSource[1];
  const U8* body = pSource + NAV_DATA_HEADER_SIZE;
  U8* dest = (U8*)pDestData;
  U8 newVersion = NAV_DATA_VERSION;
  U16 size = 0;
  if (type == NAV_DATA_TYPE_WAYPOINT) {
    memcpy(dest, body, NAV_RECORD_SLOT_BYTES);
    size = DATA_WAYPOINT_SIZE;
  } else if (type == NAV_DATA_TYPE_ROUTE && version >= NAV_DATA_VERSION) {
    memcpy(dest, body, NAV_RECORD_ROUTE_BYTES);
    size = DATA_ROUTE_SIZE;
  } else if (type == NAV_DATA_TYPE_ROUTE) {
    // The old count word keeps the destination's flags; only 20 points exist.
    const U32 oldCount = DATA_u32RouteCount(DATA_u32Host(body));
    const U32 flags = DATA_u32Host(dest) & ~0x3FFFFFFFu;
    DATA_vPutHost32(dest, flags | (oldCount < NAV_DATA_ROUTE_V1_POINTS ? oldCount : NAV_DATA_ROUTE_V1_POINTS));
    memcpy(dest + 4, body + 4, 4);
    memcpy(dest + DATA_ROUTE_NAME_AT, body + 8 + 2 * NAV_DATA_ROUTE_V1_POINTS, NAV_ROUTE_NAME_SIZE);
    memset(dest + DATA_ROUTE_POINTS_AT, 0, 2 * NAV_MAX_ROUTE_POINTS);
    memcpy(dest + DATA_ROUTE_POINTS_AT, body + 8, 2 * NAV_DATA_ROUTE_V1_POINTS);
    size = DATA_ROUTE_SIZE;
  } else if (type == NAV_DATA_TYPE_TRACK && version >= NAV_DATA_VERSION) {
    memcpy(dest, body, NAV_RECORD_TRACK_BYTES);
  } else if (type == NAV_DATA_TYPE_TRACK) {
    DATA_vConvertOldTrack(dest, body, version <= 1 ? NAV_DATA_TRACK_V1_PAIRS : NAV_DATA_TRACK_V2_PAIRS);
  } else {
    newVersion = 0;
  }
  if (pDestHeader != nullptr) {
    U8* h = (U8*)pDestHeader;
    memcpy(h, pSource, NAV_DATA_HEADER_SIZE);
    h[1] = newVersion;
    DATA_vPutHost16(h + 2, size);
  }
  return size;
}

BOOLEAN T_NAV_DATA_bTrackCompareEX(const TRACK_HEADER* p1, const TRACK_HEADER* p2) {
  if (p1 == nullptr || p2 == nullptr) return FALSE;
  return p1->u16Count == p2->u16Count && p1->u16FirstDelta == p2->u16FirstDelta &&
         p1->u32DateTime == p2->u32DateTime && memcmp(&p1->ptFirst, &p2->ptFirst, 4 * sizeof(POINT)) == 0 &&
         U_WSTRING_s32w_strncmp(p1->sName, p2->sName, TRACK_NAME_SIZE) == 0;
}

int T_NAV_DATA_nSplitString(char* pTemplate, char** pStringMarkers, int nMaxMessage, int nMaxStrings) {
  if (pTemplate == nullptr || pStringMarkers == nullptr || nMaxStrings < 1) return 1;
  pStringMarkers[0] = pTemplate;
  int pieces = 1;
  for (int i = 0; pTemplate[i] != '\0' && i < nMaxMessage && pieces < nMaxStrings; i++) {
    if (pTemplate[i] != '#') continue;
    pTemplate[i] = '\0';
    pStringMarkers[pieces++] = &pTemplate[i + 1];
  }
  return pieces;
}

// ---------------------------------------------------------------------------
// Export

static FILL_BUFFER_STATE s_eFillBufferState;
static S32 s_nFillIndex;
static U8* s_pu8FillBuffer;
static U32 s_nFillBufferPosition;
static U32 s_nFillBufferLength;
static BOOLEAN s_bFillLocked;

void T_NAV_DATA_vFillBufferEnd(void) {
  if (s_pu8FillBuffer != nullptr) H_MEMORY_vFree(s_pu8FillBuffer);
  s_pu8FillBuffer = nullptr;
  if (s_bFillLocked) L_MUTEX_Unlock(RES_NAV_DATA);
  s_bFillLocked = FALSE;
  s_eFillBufferState = FBS_DONE;
}

void T_NAV_DATA_vFillBufferInit(void) {
  T_NAV_DATA_vFillBufferEnd();
  s_nFillIndex = 0;
  s_nFillBufferPosition = s_nFillBufferLength = 0;
  s_pu8FillBuffer = (U8*)H_MEMORY_pvMallocNoWait(NAV_DATA_RECORD_MAX);
  const ERC rc = s_pu8FillBuffer != nullptr ? L_MUTEX_LockTime(RES_NAV_DATA, DATA_LOCK_WAIT) : -lsMUTEX_BUSY;
  if (rc != 0 && rc != -lsMUTEX_NESTED) {
    log_me("[%d]%s: no %s: nothing is exported\n", __LINE__, __func__, s_pu8FillBuffer == nullptr ? "buffer" : "store");
    T_NAV_DATA_vFillBufferEnd();
    return;
  }
  s_bFillLocked = TRUE;
  s_eFillBufferState = FBS_TRACKS;
}

static void DATA_vHeader(U8* p, U8 u8Type, U16 u16Size, U16 u16Index) {
  p[0] = u8Type;
  p[1] = NAV_DATA_VERSION;
  DATA_vPutHost16(p + 2, u16Size);
  DATA_vPutHost16(p + 4, u16Index);
  DATA_vPutHost16(p + 6, 0);
}

// The saved track's body from its file; FALSE when the file holds none (or,
// for a data space, another track than the header it holds).
static BOOLEAN DATA_bLoadTrack(U32 u32Index, const TRACK_HEADER* pExpected, U8* pBody) {
  const TRACK* t = T_NAV_NVRAM_pLoadTrack((S32)u32Index);
  const BOOLEAN bTaken = t->sHeader.u16Count != 0 &&
                         (pExpected == nullptr || T_NAV_DATA_bTrackCompareEX(&t->sHeader, pExpected));
  if (bTaken) T_NAV_RECORDS_vPutTrack(pBody, t);
  T_NAV_NVRAM_vReleaseTrack();
  return bTaken;
}

// Prepares the next record of the stream in the fill buffer.
static void DATA_vPrepareNext(NAV_DATA_SPACE* pData, BOOLEAN bNoGroups) {
  U8* p = s_pu8FillBuffer;
  U8* body = p + NAV_DATA_HEADER_SIZE;
  const U32 i = (U32)s_nFillIndex;
  s_nFillBufferLength = s_nFillBufferPosition = 0;
  switch (s_eFillBufferState) {
    case FBS_TRACKS: {
      if (i >= NAV_MAX_TRACKS) {
        s_eFillBufferState = FBS_WAYPOINTS;
        s_nFillIndex = 0;
        return;
      }
      const TRACK_HEADER* h = pData == nullptr ? T_NAV_pGetTrackHeader(i) : T_NAV_pGetTrackHeaderEX(pData, i);
      if (h != nullptr && h->u16Count != 0 && DATA_bLoadTrack(i, pData == nullptr ? nullptr : h, body)) {
        DATA_vHeader(p, NAV_DATA_TYPE_TRACK, 0, (U16)i);
        s_nFillBufferLength = NAV_DATA_RECORD_MAX;
      }
      break;
    }
    case FBS_WAYPOINTS: {
      if (i >= NAV_MAX_WAYPOINTS) {
        s_eFillBufferState = FBS_ROUTES;
        s_nFillIndex = 0;
        return;
      }
      WAYPOINT w;
      if (pData == nullptr) {
        T_NAV_TWR_vReadSlot(i, &w);
      } else if (i < pData->u16WaypointCount && pData->pWaypoint != nullptr) {
        w = pData->pWaypoint[i];
      } else {
        memset(&w, 0, sizeof w);
      }
      const U8 status = w.u8Status;
      const BOOLEAN bSaved = status == WPT_STATUS_SAVED || status == WPT_STATUS_SAVED_2;
      const BOOLEAN bGroup = status == WPT_STATUS_GROUP_HEADER || status == WPT_STATUS_GROUP_BODY;
      if (bSaved || (bGroup && !bNoGroups)) {
        if (bNoGroups) {
          w.bHide = 0;
          if (w.u8Icon > DATA_LAST_PLAIN_ICON) w.u8Icon = 0;
        }
        DATA_vHeader(p, NAV_DATA_TYPE_WAYPOINT, DATA_WAYPOINT_SIZE, (U16)i);
        T_NAV_RECORDS_vPutSlot(body, &w);
        s_nFillBufferLength = DATA_WAYPOINT_SIZE;
      }
      break;
    }
    case FBS_ROUTES: {
      if (i >= NAV_MAX_ROUTES) {
        s_eFillBufferState = FBS_DONE;
        s_nFillIndex = 0;
        return;
      }
      const ROUTE* r = pData == nullptr ? T_NAV_pGetRoute(i) : T_NAV_pGetRouteEX(pData, i);
      if (r != nullptr && (r->nCount != 0 || r->u32DateTime != 0)) {
        DATA_vHeader(p, NAV_DATA_TYPE_ROUTE, DATA_ROUTE_SIZE, (U16)i);
        T_NAV_RECORDS_vPutRoute(body, r);
        s_nFillBufferLength = DATA_ROUTE_SIZE;
      }
      break;
    }
    case FBS_DONE:
      return;
  }
  s_nFillIndex++;
  if (s_nFillBufferLength > 0) T_NAV_DATA_vHostToBigEndian(p);
}

static U32 DATA_u32Fill(NAV_DATA_SPACE* pData, BOOLEAN bNoGroups, U8* pu8Buffer) {
  if (s_pu8FillBuffer == nullptr || pu8Buffer == nullptr) return 0;
  U32 written = 0;
  while (written < NAV_DATA_SEGMENT_SIZE) {
    while (s_nFillBufferPosition == s_nFillBufferLength && s_eFillBufferState != FBS_DONE) {
      DATA_vPrepareNext(pData, bNoGroups);
    }
    if (s_nFillBufferPosition == s_nFillBufferLength) break;
    U32 n = s_nFillBufferLength - s_nFillBufferPosition;
    if (n > NAV_DATA_SEGMENT_SIZE - written) n = NAV_DATA_SEGMENT_SIZE - written;
    memcpy(pu8Buffer + written, s_pu8FillBuffer + s_nFillBufferPosition, n);
    s_nFillBufferPosition += n;
    written += n;
  }
  if (written == 0) T_NAV_DATA_vFillBufferEnd();
  return written;
}

U32 T_NAV_DATA_u32FillBufferSegment(U8* pu8Buffer, void*) { return DATA_u32Fill(nullptr, FALSE, pu8Buffer); }
U32 T_NAV_DATA_u32FillNoGroupBufferSegment(U8* pu8Buffer, void*) { return DATA_u32Fill(nullptr, TRUE, pu8Buffer); }
U32 T_NAV_DATA_u32FillSelectedBufferSegment(NAV_DATA_SPACE* pData, U8* pu8Buffer) {
  return pData == nullptr ? 0 : DATA_u32Fill(pData, FALSE, pu8Buffer);
}

// ---------------------------------------------------------------------------
// Import

static U8* s_pu8SaveBuffer;
// A whole record that ends in fill bytes, held until the stream shows more
// than fill after it (then it is taken) or ends (then the fill completed a
// record that the end of the stream cut). Its buffer changes places with
// the record buffer.
static U8* s_pu8HeldRecord;
static BOOLEAN s_bRecordHeld;
static U32 s_u32HeldLength;
// Bytes of the current record held, header first.
static U32 s_nSaveBufferPosition;
// The current record's whole length once its header is in; -1 before.
static S32 s_nSaveBufferExpecting;
// Whether the current record is one this side takes (else it is passed over).
static BOOLEAN s_bSaveRecord;
static BOOLEAN s_bImportActive;
static BOOLEAN s_bImportFailed;
// Records of the running (or last) import that were not taken, and those
// the importing buffer holds so far.
static U32 s_u32NotTaken;
static U32 s_u32Held;
// A record was cut by the end of the stream: only the transport's fill may
// follow.
static BOOLEAN s_bFillOnly;
static NAV_DATA_SPACE* s_pImport;
// An old track's body, moved aside while the new one is built in its place.
static U8 s_au8OldTrack[NAV_DATA_TRACK_V2_SIZE];

static void DATA_vFailImport(const char* pcWhy) {
  if (!s_bImportFailed) log_me("[%d]%s: import failed: %s\n", __LINE__, __func__, pcWhy);
  s_bImportFailed = TRUE;
}

void T_NAV_DATA_vSaveBufferInit(void) {
  if (s_bImportActive) T_NAV_DATA_vSaveBufferFree();
  s_bImportActive = TRUE;
  s_bImportFailed = FALSE;
  s_u32NotTaken = 0;
  s_u32Held = 0;
  s_bFillOnly = FALSE;
  s_bRecordHeld = FALSE;
  s_nSaveBufferPosition = 0;
  s_nSaveBufferExpecting = -1;
  s_pu8SaveBuffer = (U8*)H_MEMORY_pvMallocNoWait(NAV_DATA_RECORD_MAX);
  s_pImport = T_NAV_vInitializeImportingBuffer() ? T_NAV_pGetWaypointDataSpaceOnMMC() : nullptr;
  if (s_pu8SaveBuffer == nullptr || s_pImport == nullptr) {
    DATA_vFailImport("no memory");
  } else if (!T_NAV_NVRAM_bStageBegin()) {
    DATA_vFailImport("no staging area");
  }
}

// The length a record of this header must have; 0 to fail the import.
// *pbTake: whether this side takes it.
static U32 DATA_u32RecordLength(const U8* h, BOOLEAN* pbTake) {
  const U8 type = h[0], version = h[1];
  const U32 size = U_ACCESSORY_vExtractBigendianU16(h + 2);
  *pbTake = TRUE;
  if (type == NAV_DATA_TYPE_TRACK && version == NAV_DATA_VERSION) return size == 0 ? NAV_DATA_RECORD_MAX : 0;
  if (size < NAV_DATA_HEADER_SIZE) return 0;
  U32 expected = size;
  if (type == NAV_DATA_TYPE_WAYPOINT) {
    expected = DATA_WAYPOINT_SIZE;
  } else if (type == NAV_DATA_TYPE_ROUTE && version <= NAV_DATA_VERSION) {
    expected = version < NAV_DATA_VERSION ? DATA_ROUTE_V1_RECORD : DATA_ROUTE_SIZE;
  } else if (type == NAV_DATA_TYPE_TRACK && version < NAV_DATA_VERSION) {
    expected = version <= 1 ? DATA_TRACK_V1_RECORD : DATA_TRACK_V2_RECORD;
  } else {
    *pbTake = FALSE;  // another type or a newer version: passed over
  }
  return size == expected ? size : 0;
}

static BOOLEAN DATA_bAllFill(const U8* p, U32 u32Count) {
  for (U32 i = 0; i < u32Count; i++) {
    if (p[i] != DATA_FILL_BYTE) return FALSE;
  }
  return TRUE;
}

// The last record of a stream cut short is completed by the transport's
// fill: a size the fill has reached into is no damage to the stream but the
// cut, and the record goes like one that fails its check. Anything but fill
// after it is a stream out of step, which fails the import.
static void DATA_vCutRecord(void) {
  s_u32NotTaken++;
  s_bFillOnly = TRUE;
  s_nSaveBufferPosition = 0;
  s_nSaveBufferExpecting = -1;
}

// Whether a record that ends in the fill byte can end so as its writer made
// it, rather than because the transport's fill completed a record the end
// of the stream cut. A unit ends a record in one such byte only as the low
// byte of a link (a 50-point route's last point, a group body's last place)
// or of a name that fills its field; a name ended earlier, or two fill
// bytes, is the fill's.
static BOOLEAN DATA_bWholeDespiteFill(const U8* pRecord, U32 u32Length) {
  if (u32Length < 2 || pRecord[u32Length - 2] == DATA_FILL_BYTE || pRecord[1] != NAV_DATA_VERSION) return FALSE;
  const U8* body = pRecord + NAV_DATA_HEADER_SIZE;
  if (pRecord[0] == NAV_DATA_TYPE_ROUTE) return DATA_u32RouteCount(U_ACCESSORY_vExtractBigendianU32(body)) == NAV_MAX_ROUTE_POINTS;
  if (pRecord[0] != NAV_DATA_TYPE_WAYPOINT) return FALSE;
  if ((body[0] & NAV_SLOT_STATUS_MASK) == WPT_STATUS_GROUP_BODY) return TRUE;
  const U8* name = body + NAV_RECORD_SLOT_BYTES - NAV_WAYPOINT_NAME_SIZE;
  for (U32 at = 0; at + 2 < NAV_WAYPOINT_NAME_SIZE; at++) {
    if (name[at] == 0 && name[at + 1] == 0) return FALSE;
  }
  return TRUE;
}

// A record just completed: taken, or held when it ends in fill.
static void DATA_vRecordDone(void) {
  const U32 u32Length = (U32)s_nSaveBufferExpecting;
  if (s_pu8SaveBuffer[u32Length - 1] == DATA_FILL_BYTE) {
    if (s_pu8HeldRecord == nullptr) s_pu8HeldRecord = (U8*)H_MEMORY_pvMallocNoWait(NAV_DATA_RECORD_MAX);
    if (s_pu8HeldRecord != nullptr) {
      U8* p = s_pu8HeldRecord;
      s_pu8HeldRecord = s_pu8SaveBuffer;
      s_pu8SaveBuffer = p;
      s_bRecordHeld = TRUE;
      s_u32HeldLength = u32Length;
      return;
    }
  }
  T_NAV_vConvertAndSaveItem((NAV_DATA_STRUCTURE_HEADER*)s_pu8SaveBuffer);
}

// More than fill came after the held record: it was whole.
static void DATA_vTakeHeld(void) {
  s_bRecordHeld = FALSE;
  T_NAV_vConvertAndSaveItem((NAV_DATA_STRUCTURE_HEADER*)s_pu8HeldRecord);
}

void T_NAV_DATA_vSaveBufferSegment(U32 u32Count, U8* pu8Buffer, void*) {
  if (!s_bImportActive || s_bImportFailed || pu8Buffer == nullptr) return;
  if (s_bFillOnly) {
    if (!DATA_bAllFill(pu8Buffer, u32Count)) DATA_vFailImport("data after a record cut short");
    return;
  }
  for (U32 o = 0; o < u32Count && !s_bImportFailed;) {
    if (s_bRecordHeld && pu8Buffer[o] != DATA_FILL_BYTE) DATA_vTakeHeld();
    if (s_nSaveBufferPosition < NAV_DATA_HEADER_SIZE) {
      U32 n = NAV_DATA_HEADER_SIZE - s_nSaveBufferPosition;
      if (n > u32Count - o) n = u32Count - o;
      memcpy(s_pu8SaveBuffer + s_nSaveBufferPosition, pu8Buffer + o, n);
      s_nSaveBufferPosition += n;
      o += n;
      if (s_nSaveBufferPosition < NAV_DATA_HEADER_SIZE) break;
      s_nSaveBufferExpecting = (S32)DATA_u32RecordLength(s_pu8SaveBuffer, &s_bSaveRecord);
      if (s_nSaveBufferExpecting == 0 && s_pu8SaveBuffer[NAV_DATA_HEADER_SIZE - 1] == DATA_FILL_BYTE) {
        DATA_vCutRecord();
        if (!DATA_bAllFill(pu8Buffer + o, u32Count - o)) DATA_vFailImport("data after a record cut short");
        break;
      }
      if (s_nSaveBufferExpecting == 0) {
        DATA_vFailImport("a record's size does not fit its type and version");
        break;
      }
    } else {
      U32 n = (U32)s_nSaveBufferExpecting - s_nSaveBufferPosition;
      if (n > u32Count - o) n = u32Count - o;
      if (s_bSaveRecord) memcpy(s_pu8SaveBuffer + s_nSaveBufferPosition, pu8Buffer + o, n);
      s_nSaveBufferPosition += n;
      o += n;
    }
    if (s_nSaveBufferPosition == (U32)s_nSaveBufferExpecting) {
      if (s_bSaveRecord) {
        DATA_vRecordDone();
      } else if (!DATA_bAllFill(s_pu8SaveBuffer, NAV_DATA_HEADER_SIZE)) {
        s_u32NotTaken++;
      }
      s_nSaveBufferPosition = 0;
      s_nSaveBufferExpecting = -1;
    }
  }
}

static BOOLEAN DATA_bIsGroupSlot(const WAYPOINT* w) {
  return w->u8Status == WPT_STATUS_GROUP_HEADER || w->u8Status == WPT_STATUS_GROUP_BODY ||
         w->u8Status == WPT_STATUS_GROUP_ANY;
}

static BOOLEAN DATA_bRouteUsed(const ROUTE* r) { return r->nCount != 0 || r->u32DateTime != 0; }

void T_NAV_vConvertAndSaveItem(NAV_DATA_STRUCTURE_HEADER* p) {
  if (p == nullptr || !s_bImportActive || s_bImportFailed) return;
  U8* record = (U8*)p;
  T_NAV_DATA_vBigEndianToHost(p, record + NAV_DATA_HEADER_SIZE);
  const U32 index = DATA_u16Host(record + 4);
  NAV_DATA_SPACE* d = s_pImport;
  BOOLEAN bTaken = FALSE;
  // A second record for one slot replaces the first, which is not taken.
  BOOLEAN bReplaces = FALSE;
  if (p->u8Type == NAV_DATA_TYPE_WAYPOINT && index < NAV_MAX_WAYPOINTS) {
    U8 image[NAV_RECORD_SLOT_BYTES];
    T_NAV_DATA_nConvertRecord(nullptr, image, record);
    WAYPOINT w;
    T_NAV_RECORDS_vGetSlot(image, &w);
    // Slot 2999 is the root's lock body: a waypoint has no place there.
    bTaken = T_NAV_NVRAM_bCheckWaypoint(&w) && (index < NAV_MAX_WAYPOINTS - 1 || DATA_bIsGroupSlot(&w));
    bReplaces = bTaken && d->pWaypoint[index].u8Status != WPT_STATUS_FREE;
    if (bTaken) d->pWaypoint[index] = w;
  } else if (p->u8Type == NAV_DATA_TYPE_ROUTE && index < NAV_MAX_ROUTES) {
    U8 image[NAV_RECORD_ROUTE_BYTES] = {};
    T_NAV_DATA_nConvertRecord(nullptr, image, record);
    ROUTE r;
    T_NAV_RECORDS_vGetRoute(image, &r);
    bTaken = T_NAV_NVRAM_bCheckRoute(&r);
    bReplaces = bTaken && DATA_bRouteUsed(&d->pRoute[index]);
    if (bTaken) d->pRoute[index] = r;
  } else if (p->u8Type == NAV_DATA_TYPE_TRACK && index < NAV_MAX_TRACKS) {
    U8* track = record + NAV_DATA_HEADER_SIZE;
    if (p->u8Version < NAV_DATA_VERSION) {
      // Built in place of the old body, which is moved aside first.
      const U32 size = p->u8Version <= 1 ? NAV_DATA_TRACK_V1_SIZE : NAV_DATA_TRACK_V2_SIZE;
      memcpy(s_au8OldTrack, track, size);
      DATA_vConvertOldTrack(track, s_au8OldTrack, p->u8Version <= 1 ? NAV_DATA_TRACK_V1_PAIRS : NAV_DATA_TRACK_V2_PAIRS);
    }
    TRACK_HEADER h;
    T_NAV_RECORDS_vGetTrackHeader(track, &h);
    bTaken = h.u16Count != 0 && T_NAV_NVRAM_bCheckTrackHeader(&h);
    bReplaces = bTaken && d->pTrackHeader[index].u16Count != 0;
    if (bTaken) {
      if (!T_NAV_NVRAM_bStageTrackRecord(track, (U16)index)) DATA_vFailImport("a track was not staged");
      d->pTrackHeader[index] = h;
    }
  }
  if (!bTaken || bReplaces) s_u32NotTaken++;
  if (bTaken && !bReplaces) s_u32Held++;
}

// What is held at the end is the transport's fill, or a record the end cut.
static BOOLEAN DATA_bEndsWhole(void) {
  const U32 held = s_nSaveBufferPosition < NAV_DATA_HEADER_SIZE ? s_nSaveBufferPosition : 1;
  return DATA_bAllFill(s_pu8SaveBuffer, held);
}

U32 T_NAV_DATA_u32RecordsNotTaken(void) { return s_u32NotTaken; }

// The held waypoints and routes to the staging area, beside the tracks.
static BOOLEAN DATA_bStageHeld(void) {
  const NAV_DATA_SPACE* d = s_pImport;
  for (U32 i = 0; i < NAV_MAX_WAYPOINTS; i++) {
    if (d->pWaypoint[i].u8Status != WPT_STATUS_FREE && !T_NAV_NVRAM_bStageWaypoint(&d->pWaypoint[i], (U16)i)) {
      return FALSE;
    }
  }
  for (U32 r = 0; r < NAV_MAX_ROUTES; r++) {
    const ROUTE* route = &d->pRoute[r];
    if ((route->nCount != 0 || route->u32DateTime != 0) && !T_NAV_NVRAM_bStageRoute(route, (U16)r)) return FALSE;
  }
  return TRUE;
}

// The store's new content replaces the old: what the navigation task held
// of the old one goes, as after deleting everything.
static void DATA_vTakeStaged(void) {
  BOOLEAN abHeld[NAV_HELD_WAYPOINTS];
  T_NAV_TWR_vNoteHeldWaypoints(abHeld);
  H_DATABASE_bUpdateValueS32(FCID("SWID"), 0, P_NORMAL);
  for (U32 t = 0; t < NAV_MAX_TRACKS; t++) T_NAV_vSetTrackVisibility(t, TRUE);
  T_NAV_vInitTracksWaypointsRoutes();
  // What the new tree could not reach was never the store's: it goes now,
  // not at some later collection, and is counted with the rest.
  if (T_NAV_GROUP_DATA_u32Unplaced() > 0) {
    T_NAV_GROUP_DATA_vScanGroupForGarbageCollection(T_NAV_GROUP_DATA_nGetRootGroup());
  }
  T_NAV_TWR_vInitialScan();
  T_NAV_STORE_vStoreReloaded();
  T_NAV_TWR_vTellStoreReplaced(abHeld);
}

// The items a user sees: waypoints, routes, tracks and groups.
typedef struct tag_DATA_COUNTS {
  U32 u32Waypoints;
  U32 u32Routes;
  U32 u32Tracks;
  U32 u32Groups;
} DATA_COUNTS;

// Of a data space, or of the live tables (null).
static DATA_COUNTS DATA_Counts(const NAV_DATA_SPACE* pData) {
  DATA_COUNTS c = {};
  GROUP_SLOT slot;
  for (U32 i = 0; TREE_bRead(pData, (S32)i, &slot); i++) {
    const U8 status = TREE_u8Status(&slot);
    c.u32Waypoints += status >= WPT_STATUS_SAVED && status <= WPT_STATUS_SAVED_2;
    c.u32Groups += status == WPT_STATUS_GROUP_HEADER;
  }
  for (U32 r = 0; r < NAV_MAX_ROUTES; r++) {
    c.u32Routes += DATA_bRouteUsed(pData == nullptr ? T_NAV_pGetRoute(r) : &pData->pRoute[r]);
  }
  for (U32 t = 0; t < NAV_MAX_TRACKS; t++) {
    c.u32Tracks += (pData == nullptr ? T_NAV_pGetTrackHeader(t) : &pData->pTrackHeader[t])->u16Count != 0;
  }
  return c;
}

static U32 DATA_u32Lost(U32 u32Sent, U32 u32Kept) { return u32Sent > u32Kept ? u32Sent - u32Kept : 0; }

// Whether the load after the swap keeps the tree the import brings: a root
// that a start would find (a header without a parent).
static BOOLEAN DATA_bBringsRoot(const NAV_DATA_SPACE* d) {
  if (TREE_bNextLoadRebuildsAnyway()) return FALSE;
  for (U32 i = 0; i < NAV_MAX_WAYPOINTS; i++) {
    const WAYPOINT* w = &d->pWaypoint[i];
    GROUP_SLOT slot;
    memcpy(&slot, w, sizeof slot);
    if (w->u8Status == WPT_STATUS_GROUP_HEADER && slot.sHeader.u16ParentIndex == NAV_NONE) return TRUE;
  }
  return FALSE;
}

// One held record left out of the import.
static void DATA_vLeaveOut(void) {
  s_u32Held--;
  s_u32NotTaken++;
}

// An import without a tree of its own gets a new one, whose links need
// slots of the same table: the import keeps only what that tree can link.
// Its group slots go (the new tree replaces them); then, while the
// waypoints and the links they need overflow the table, the waypoint in
// the highest slot that no route uses, or else the route of the highest
// index, is left out. A waypoint a route uses needs no link of its own.
static void DATA_vFitTree(NAV_DATA_SPACE* d) {
  static U8 s_au8Uses[NAV_MAX_WAYPOINTS];
  if (DATA_bBringsRoot(d)) return;
  memset(s_au8Uses, 0, sizeof s_au8Uses);
  for (U32 i = 0; i < NAV_MAX_WAYPOINTS; i++) {
    if (DATA_bIsGroupSlot(&d->pWaypoint[i])) {
      memset(&d->pWaypoint[i], 0, sizeof d->pWaypoint[i]);
      DATA_vLeaveOut();
    }
  }
  U32 waypoints = 0, links[2] = {0, 0}, points[2] = {0, 0};
  for (U32 t = 0; t < NAV_MAX_TRACKS; t++) links[0] += d->pTrackHeader[t].u16Count != 0;
  for (U32 r = 0; r < NAV_MAX_ROUTES; r++) {
    const ROUTE* route = &d->pRoute[r];
    if (!DATA_bRouteUsed(route)) continue;
    links[route->bRtNotShared]++;
    for (U32 k = 0; k < route->nCount && k < NAV_MAX_ROUTE_POINTS; k++) {
      if (route->anWaypoint[k] < NAV_MAX_WAYPOINTS && s_au8Uses[route->anWaypoint[k]] < 0xFF) s_au8Uses[route->anWaypoint[k]]++;
    }
  }
  for (U32 i = 0; i < NAV_MAX_WAYPOINTS; i++) {
    const WAYPOINT* w = &d->pWaypoint[i];
    if (w->u8Status == WPT_STATUS_FREE) continue;
    waypoints++;
    links[w->bWpNotShared]++;
    points[w->bWpNotShared] += s_au8Uses[i] != 0;
  }
  S32 nextWaypoint = (S32)NAV_MAX_WAYPOINTS - 1, nextRoute = (S32)NAV_MAX_ROUTES - 1;
  while (waypoints + TREE_u32FlatTreeSlots(links[0] - points[0], links[1] - points[1]) > NAV_MAX_WAYPOINTS) {
    while (nextWaypoint >= 0 && (d->pWaypoint[nextWaypoint].u8Status == WPT_STATUS_FREE || s_au8Uses[nextWaypoint])) {
      nextWaypoint--;
    }
    if (nextWaypoint >= 0) {
      WAYPOINT* w = &d->pWaypoint[nextWaypoint];
      links[w->bWpNotShared]--;
      waypoints--;
      memset(w, 0, sizeof *w);
      DATA_vLeaveOut();
      continue;
    }
    while (nextRoute >= 0 && !DATA_bRouteUsed(&d->pRoute[nextRoute])) nextRoute--;
    if (nextRoute < 0) break;
    ROUTE* route = &d->pRoute[nextRoute];
    links[route->bRtNotShared]--;
    for (U32 k = 0; k < route->nCount && k < NAV_MAX_ROUTE_POINTS; k++) {
      const U16 slot = route->anWaypoint[k];
      if (slot >= NAV_MAX_WAYPOINTS || s_au8Uses[slot] == 0 || --s_au8Uses[slot] != 0) continue;
      if (d->pWaypoint[slot].u8Status != WPT_STATUS_FREE) points[d->pWaypoint[slot].bWpNotShared]--;
      // Free of every route now: a candidate again.
      if ((S32)slot > nextWaypoint) nextWaypoint = slot;
    }
    memset(route, 0, sizeof *route);
    DATA_vLeaveOut();
  }
  if (s_u32NotTaken > 0) log_me("[%d]%s: %u records left out for the tree\n", __LINE__, __func__, s_u32NotTaken);
}

BOOLEAN T_NAV_DATA_bSaveBufferEnd(BOOLEAN bComplete) {
  if (!s_bImportActive) return FALSE;
  BOOLEAN bTaken = bComplete && !s_bImportFailed;
  if (bTaken && !DATA_bEndsWhole()) DATA_vCutRecord();
  if (bTaken && s_bRecordHeld && DATA_bWholeDespiteFill(s_pu8HeldRecord, s_u32HeldLength)) {
    DATA_vTakeHeld();
  } else if (bTaken && s_bRecordHeld) {
    // Completed by the fill alone, after the cut.
    s_u32NotTaken++;
  }
  s_bRecordHeld = FALSE;
  // A stream without a whole record to take changes nothing.
  bTaken = bTaken && s_u32Held > 0;
  if (bTaken) DATA_vFitTree(s_pImport);
  DATA_COUNTS sent = {};
  if (bTaken) sent = DATA_Counts(s_pImport);
  bTaken = bTaken && DATA_bStageHeld();
  if (bTaken) {
    const ERC rc = L_MUTEX_LockTime(RES_NAV_DATA, DATA_LOCK_WAIT);
    bTaken = rc == 0 || rc == -lsMUTEX_NESTED;
    if (bTaken) {
      bTaken = T_NAV_NVRAM_bStageCommit();
      if (bTaken) {
        DATA_vTakeStaged();
        const DATA_COUNTS kept = DATA_Counts(nullptr);
        // A tree built anew is none of the import's groups.
        const U32 keptGroups = T_NAV_GROUP_DATA_bRebuiltAtLoad() ? 0 : kept.u32Groups;
        s_u32NotTaken += DATA_u32Lost(sent.u32Waypoints, kept.u32Waypoints) + DATA_u32Lost(sent.u32Routes, kept.u32Routes) +
                         DATA_u32Lost(sent.u32Tracks, kept.u32Tracks) + DATA_u32Lost(sent.u32Groups, keptGroups);
      }
      L_MUTEX_Unlock(RES_NAV_DATA);
    }
  }
  if (!bTaken) {
    T_NAV_NVRAM_vStageAbort();
    // The store is as it was: nothing the stream held was taken.
    s_u32NotTaken += s_u32Held;
    s_u32Held = 0;
  }
  for (U8** pp : {&s_pu8SaveBuffer, &s_pu8HeldRecord}) {
    if (*pp != nullptr) H_MEMORY_vFree(*pp);
    *pp = nullptr;
  }
  T_NAV_vFreeImportingBuffer();
  s_pImport = nullptr;
  s_bImportActive = FALSE;
  if (bTaken) {
    log_me("[%d]%s: import taken, %u records not\n", __LINE__, __func__, s_u32NotTaken);
  } else {
    log_me("[%d]%s: import dropped (%u records); the store is unchanged\n", __LINE__, __func__, s_u32NotTaken);
  }
  return bTaken;
}

void T_NAV_DATA_vSaveBufferFree(void) { T_NAV_DATA_bSaveBufferEnd(FALSE); }

// ---------------------------------------------------------------------------
// Old waypoint files

static U8 s_u8RewriteWaypointFlags[NAV_MAX_WAYPOINTS];
static BOOLEAN s_bRewriteNoted;

void T_NAV_DATA_vFixBadGravaneIcon(U16 u16Index, U8 u8Version, WAYPOINT*) {
  if (u16Index >= NAV_MAX_WAYPOINTS) return;
  if (u8Version > s_u8RewriteWaypointFlags[u16Index]) s_u8RewriteWaypointFlags[u16Index] = u8Version;
  s_bRewriteNoted = TRUE;
}

void T_NAV_DATA_vRewriteFlaggedWaypoints(WAYPOINT* pWaypoints) {
  if (!s_bRewriteNoted || pWaypoints == nullptr) return;
  for (U32 i = 0; i < NAV_MAX_WAYPOINTS; i++) {
    const U8 flag = s_u8RewriteWaypointFlags[i], status = pWaypoints[i].u8Status;
    if (flag != 0 && flag != NAV_DATA_VERSION && status != WPT_STATUS_FREE && status != WPT_STATUS_TEMPORARY) {
      T_NAV_NVRAM_bSaveWaypoint(&pWaypoints[i], (U16)i, TRUE);
    }
  }
  memset(s_u8RewriteWaypointFlags, 0, sizeof s_u8RewriteWaypointFlags);
  s_bRewriteNoted = FALSE;
}

// ---------------------------------------------------------------------------
// Chosen items into a data space

static SELECT_EXPORT_DATA s_Selection;
// Live groups still to copy, each with the data space's group it goes under.
static U16 s_au16CopyFrom[NAV_MAX_WAYPOINTS];
static U16 s_au16CopyUnder[NAV_MAX_WAYPOINTS];
static U8 s_au8CopyMet[NAV_MAX_WAYPOINTS];
static U32 s_u32CopyPending;

// The data space's slot of a live saved waypoint: found there, or added.
static U16 DATA_u16CopyWaypoint(NAV_DATA_SPACE* pData, U16 u16Slot, BOOLEAN bFindFirst) {
  if (u16Slot >= NAV_MAX_WAYPOINTS) return NAV_NONE;
  WAYPOINT w;
  T_NAV_vCopyWaypoint(u16Slot, &w);
  if (w.u8Status < WPT_STATUS_SAVED || w.u8Status > WPT_STATUS_SAVED_2) return NAV_NONE;
  if (w.u8Status != WPT_STATUS_SAVED_2) w.u8Status = WPT_STATUS_SAVED;
  const U16 found = bFindFirst ? T_NAV_TWR_u16FindWaypointEX(pData, &w) : NAV_NONE;
  return found != NAV_NONE ? found : T_NAV_nAddWaypointEX(pData, &w, TRUE);
}

static void DATA_vCopyItem(NAV_DATA_SPACE* pData, U16 u16Item, U16 u16Under) {
  U16 index;
  U16 copy = NAV_NONE;
  switch (T_NAV_RECORDS_eItemKind(u16Item, &index)) {
    case NAV_ITEM_WAYPOINT:
      copy = DATA_u16CopyWaypoint(pData, index, FALSE);
      break;
    case NAV_ITEM_ROUTE: {
      ROUTE r;
      T_NAV_vCopyRoute(index, &r);
      if (r.nCount == 0 && r.u32DateTime == 0) return;
      for (U32 k = 0; k < r.nCount && k < NAV_MAX_ROUTE_POINTS; k++) {
        r.anWaypoint[k] = DATA_u16CopyWaypoint(pData, r.anWaypoint[k], TRUE);
      }
      const U16 slot = T_NAV_nAddRouteEX(pData, &r);
      copy = slot == NAV_NONE ? NAV_NONE : (U16)(NAV_ITEM_ROUTE_BASE + slot);
      break;
    }
    case NAV_ITEM_TRACK: {
      // Headers only: the rings stay in the live files, under the same index.
      const TRACK_HEADER* h = T_NAV_pGetTrackHeader(index);
      if (h->u16Count == 0 || index >= pData->u16TrackCount || pData->pTrackHeader == nullptr) return;
      pData->pTrackHeader[index] = *h;
      copy = u16Item;
      break;
    }
    case NAV_ITEM_GROUP:
      if (s_u32CopyPending < NAV_MAX_WAYPOINTS && u16Item != NAV_ITEM_ROOT_LOCK_BODY && !s_au8CopyMet[index]) {
        s_au8CopyMet[index] = 1;
        s_au16CopyFrom[s_u32CopyPending] = u16Item;
        s_au16CopyUnder[s_u32CopyPending++] = u16Under;
      }
      return;
    default:
      return;
  }
  if (copy != NAV_NONE) T_NAV_GROUP_DATA_bAddLinkEX(pData, u16Under, copy);
}

// Copies the pending groups, breadth first: each header under its new
// parent, then what its chain holds.
static BOOLEAN DATA_bCopyGroups(NAV_DATA_SPACE* pData) {
  BOOLEAN bAny = FALSE;
  for (U32 next = 0; next < s_u32CopyPending; next++) {
    GROUP_SLOT header, body;
    const U16 from = s_au16CopyFrom[next], under = s_au16CopyUnder[next];
    L_MUTEX_LockWait(RES_NAV_DATA);
    const BOOLEAN bHeader = T_NAV_pGetGroupSlot(from) != nullptr;
    if (bHeader) memcpy(&header, T_NAV_pGetGroupSlot(from), sizeof header);
    L_MUTEX_Unlock(RES_NAV_DATA);
    if (!bHeader || header.sHeader.u8Status != WPT_STATUS_GROUP_HEADER) continue;
    const U16 firstBody = header.sHeader.u16FirstBodyIndex;
    header.sHeader.u16ParentIndex = under;
    header.sHeader.u16FirstBodyIndex = NAV_NONE;
    const U16 group = T_NAV_GROUP_DATA_nNewGroupEX(pData, &header.sHeader);
    if (group == NAV_NONE) continue;
    bAny = TRUE;
    T_NAV_GROUP_DATA_bAddLinkEX(pData, under, group);
    U32 bodies = 0;
    for (U16 b = firstBody; b != NAV_NONE && bodies++ < NAV_MAX_WAYPOINTS;) {
      L_MUTEX_LockWait(RES_NAV_DATA);
      const GROUP_SLOT* p = T_NAV_pGetGroupSlot(b);
      const BOOLEAN bBody = p != nullptr && p->sBody.u8Status == WPT_STATUS_GROUP_BODY;
      if (bBody) memcpy(&body, p, sizeof body);
      L_MUTEX_Unlock(RES_NAV_DATA);
      if (!bBody) break;
      for (U16 item : body.sBody.u16Item) {
        if (item != NAV_NONE) DATA_vCopyItem(pData, item, group);
      }
      b = body.sBody.u16NextIndex;
    }
  }
  return bAny;
}

BOOLEAN T_NAV_DATA_vCopySelectedGroupBufferSegment(NAV_DATA_SPACE* pData, U16 FromIndexGroup, U16 ToIndexGroup) {
  if (pData == nullptr) return FALSE;
  memset(s_au8CopyMet, 0, sizeof s_au8CopyMet);
  s_u32CopyPending = 0;
  DATA_vCopyItem(pData, FromIndexGroup, ToIndexGroup);
  const BOOLEAN bDone = DATA_bCopyGroups(pData);
  T_NAV_STORE_vHideBitsChanged();
  return bDone;
}

void T_NAV_DATA_vCopySelectedBufferSegment(NAV_DATA_SPACE* pData) {
  if (pData == nullptr) return;
  T_NAV_STORE_vExportChoice(&s_Selection);
  GROUP_HEADER home;
  memset(&home, 0, sizeof home);
  home.u8Status = WPT_STATUS_GROUP_HEADER;
  home.u8Icon = 1;
  home.u16ParentIndex = NAV_NONE;
  home.u16FirstBodyIndex = NAV_NONE;
  TREE_vHomeName(home.sName);
  const U16 group = T_NAV_GROUP_DATA_nNewGroupEX(pData, &home);
  // The new group is the space's root: its chains are prepared as a root's.
  if (group != NAV_NONE && TREE_bAddShareLockBody(pData, group)) {
    memset(s_au8CopyMet, 0, sizeof s_au8CopyMet);
    s_u32CopyPending = 0;
    const U32 count = s_Selection.SelectedExportCount < NAV_SELECT_EXPORT_MAX ? s_Selection.SelectedExportCount
                                                                             : NAV_SELECT_EXPORT_MAX;
    for (U32 i = 0; i < count; i++) DATA_vCopyItem(pData, s_Selection.SelectedExportIDs[i], group);
    DATA_bCopyGroups(pData);
  }
  T_NAV_STORE_vHideBitsChanged();
}
