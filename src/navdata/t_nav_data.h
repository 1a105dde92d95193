// The transfer stream: the whole store as big-endian records for the PC
// link, produced a segment at a time (export) and taken a block at a time
// (import); the byte-order and version conversion of every record; the
// upgrade of old waypoint files at start; and the copy of chosen items into
// a data space.
//
// A record is an 8-byte header {type, version, size, index, 0} with its
// 16-bit fields big-endian, then the record's body with its listed fields
// big-endian. Tracks come first, then waypoint and group slots, then routes.
#pragma once

#include "basetypes.h"
#include "t_nav_records.h"

constexpr U32 NAV_DATA_HEADER_SIZE = 8;
constexpr U32 NAV_DATA_SEGMENT_SIZE = 1024;
// One header and the largest body, a track.
constexpr U32 NAV_DATA_RECORD_MAX = NAV_DATA_HEADER_SIZE + sizeof(TRACK);
constexpr U8 NAV_DATA_TYPE_TRACK = 1;
constexpr U8 NAV_DATA_TYPE_WAYPOINT = 2;
constexpr U8 NAV_DATA_TYPE_ROUTE = 3;
constexpr U8 NAV_DATA_VERSION = 3;

typedef struct tag_NAV_DATA_STRUCTURE_HEADER {
  U8 u8Type;       // 1 track, 2 waypoint or group slot, 3 route; 0 after a record is dropped
  U8 u8Version;
  U16 u16Size;     // header and body; 0 for a current track, which does not fit
  U16 u16Index;    // the slot it came from and goes to
  U16 u16Reserved;
} NAV_DATA_STRUCTURE_HEADER;
static_assert(sizeof(NAV_DATA_STRUCTURE_HEADER) == NAV_DATA_HEADER_SIZE);

// The old bodies an import still converts.
constexpr U32 NAV_DATA_ROUTE_V1_SIZE = 68;
constexpr U32 NAV_DATA_ROUTE_V1_POINTS = 20;
constexpr U32 NAV_DATA_TRACK_V1_SIZE = 2840;
constexpr U32 NAV_DATA_TRACK_V1_PAIRS = 699;
constexpr U32 NAV_DATA_TRACK_V2_SIZE = 8040;
constexpr U32 NAV_DATA_TRACK_V2_PAIRS = 1999;

typedef enum tag_FILL_BUFFER_STATE {
  FBS_DONE = 0,
  FBS_TRACKS = 1,
  FBS_WAYPOINTS = 2,
  FBS_ROUTES = 3,
} FILL_BUFFER_STATE;

// ---------------------------------------------------------------------------
// Export, on the PC-link task

// Starts an export: takes the record buffer and holds mutex 9 until the
// export ends, so the store stands still meanwhile. Without either the
// export is empty. A previous export not ended is ended first.
void T_NAV_DATA_vFillBufferInit(void);
// The next segment of the full stream (or of the stream without group
// slots, hide bits and the newer icons) into pu8Buffer: up to 1,024 bytes,
// their count returned. The call that finds nothing left ends the export
// and returns 0. pParam is not used.
U32 T_NAV_DATA_u32FillBufferSegment(U8* pu8Buffer, void* pParam);
U32 T_NAV_DATA_u32FillNoGroupBufferSegment(U8* pu8Buffer, void* pParam);
// The full stream of a data space; its tracks are the live track files whose
// headers the space holds.
U32 T_NAV_DATA_u32FillSelectedBufferSegment(NAV_DATA_SPACE* pData, U8* pu8Buffer);
// Ends the export on every path (done, failed, cancelled): frees the buffer
// and releases mutex 9. Called by the task that started it; a second call,
// or one after the producer ended, does nothing.
void T_NAV_DATA_vFillBufferEnd(void);

// ---------------------------------------------------------------------------
// Import, on the PC-link task

// Starts an import into a staging area; the live store is not touched.
void T_NAV_DATA_vSaveBufferInit(void);
// Takes u32Count bytes of the stream (blocks of any size, 128 or 1,024 from
// the transport). A record is checked as the start-up reader checks files and
// held apart; one of another type, or a newer version, is passed over. A size
// below 8 or not that of its type and version fails the import (the rest is
// ignored), unless the transport's fill reached into it: then the stream was
// cut there, and only fill may follow. pParam is not used.
void T_NAV_DATA_vSaveBufferSegment(U32 u32Count, U8* pu8Buffer, void* pParam);
// Ends the import. With bComplete (the transport received the whole stream)
// and nothing failed, the held records replace the whole store, tables and
// files (the current-track journal stays): TRUE. Otherwise nothing changes:
// FALSE. A crash meanwhile leaves the old store or the new one.
BOOLEAN T_NAV_DATA_bSaveBufferEnd(BOOLEAN bComplete);
// Records of the last import that were not taken: failed their checks, of
// another type or a newer version, out of range, or cut by the stream's end
// (which otherwise leaves the rest of the import good).
U32 T_NAV_DATA_u32RecordsNotTaken(void);
// Ends an import that did not complete: nothing changes.
void T_NAV_DATA_vSaveBufferFree(void);
// Converts one whole received record (still big-endian) and holds it for the
// running import; without one, or when it fails the checks, it is dropped.
void T_NAV_vConvertAndSaveItem(NAV_DATA_STRUCTURE_HEADER* p);

// ---------------------------------------------------------------------------
// Conversions

// In place, one whole record in host order (header and current body) to the
// stream's order.
void T_NAV_DATA_vHostToBigEndian(U8* pSource);
// In place, back: the header, then the body by type and version; a record
// this side does not take gets type 0.
void T_NAV_DATA_vBigEndianToHost(NAV_DATA_STRUCTURE_HEADER* pHeader, U8* pSource);
// A host-order record (header and body at pSource) as a current body at
// pDestData and, when pDestHeader is given, a current header; the current
// record's length (36, 136; 0 for tracks and other types). pDestData must
// not overlap the source.
S32 T_NAV_DATA_nConvertRecord(void* pDestHeader, void* pDestData, const U8* pSource);
// A bare body: 1 track, 2 waypoint slot (by its status), 3 route, 16 group
// header, 17 group body; anything else is left. dataVersion is not used.
void T_NAV_DATA_vGNDHostToBigEndian(U8 DataType, U8* pSource);
void T_NAV_DATA_vGNDBigEndianToHost(U8 dataVersion, U8 dataType, U8* pSource);
U16 U_ACCESSORY_vExtractBigendianU16(const U8* p);
U32 U_ACCESSORY_vExtractBigendianU32(const U8* p);
void U_ACCESSORY_vReverseGroupWaypoint(WAYPOINT* p);
void U_ACCESSORY_vReverseGroupHeader(GROUP_HEADER* p);
void U_ACCESSORY_vReverseGroupBody(GROUP_BODY* p);
// Equal first and last points, box, count, first delta, date and name.
BOOLEAN T_NAV_DATA_bTrackCompareEX(const TRACK_HEADER* p1, const TRACK_HEADER* p2);
// Cuts the text at every '#' into at most nMaxStrings pieces (nMaxMessage
// characters at most); the number of pieces.
int T_NAV_DATA_nSplitString(char* pTemplate, char** pStringMarkers, int nMaxMessage, int nMaxStrings);

// ---------------------------------------------------------------------------
// Waypoint files of older versions, rewritten at start

// The reader notes the version of each waypoint file it loads.
void T_NAV_DATA_vFixBadGravaneIcon(U16 u16Index, U8 u8Version, WAYPOINT* pWaypt);
// Rewrites, in the current version, the files read in versions 1 and 2 (and
// any above 3) of saved waypoints and group slots.
void T_NAV_DATA_vRewriteFlaggedWaypoints(WAYPOINT* pWaypoints);

// ---------------------------------------------------------------------------
// Chosen items into a data space

// The items the waypoint manager chose, copied into the data space under a
// new group named Home: waypoints as saved ones, routes with their
// waypoints, track headers, groups with what they hold.
void T_NAV_DATA_vCopySelectedBufferSegment(NAV_DATA_SPACE* pData);
// A live group copied with its content under the data space's group
// ToIndexGroup; FALSE when nothing could be copied.
BOOLEAN T_NAV_DATA_vCopySelectedGroupBufferSegment(NAV_DATA_SPACE* pData, U16 FromIndexGroup, U16 ToIndexGroup);
