// The records every navigation module shares: the waypoint slot, the route,
// the saved track (u_nav.h) and the 16-bit item id that names any of them.
// The same bytes live in RAM and, raw and little-endian, in the record
// files, so the layouts below are a file format.
#pragma once

#include "basetypes.h"
#include "g_types.h"
#include "u_nav.h"

constexpr U32 NAV_MAX_WAYPOINTS = 3000;
constexpr U32 NAV_MAX_ROUTES = 50;
constexpr U32 NAV_MAX_ROUTE_POINTS = 50;
constexpr U32 NAV_MAX_TRACKS = 50;
constexpr U32 NAV_WAYPOINT_NAME_SIZE = 12;
constexpr U32 NAV_ROUTE_NAME_SIZE = 20;
constexpr U16 NAV_NONE = 0xFFFF;
// Icons 0 (WAYPOINT1_ICON) to 82 (WAYPOINT_ICE_ICON).
constexpr U8 NAV_MAX_ICON = 82;
constexpr U8 NAVRO_GRAVANE_ICON = 71;

// Slot status (u8Status).
enum : U8 {
  WPT_STATUS_FREE = 0,
  WPT_STATUS_SAVED = 1,      // written, hashed, counted, listed
  WPT_STATUS_TEMPORARY = 2,  // RAM only until made permanent
  WPT_STATUS_SAVED_2 = 3,    // saved, listed first, no guard band
  WPT_STATUS_GROUP_HEADER = 16,
  WPT_STATUS_GROUP_BODY = 17,
  WPT_STATUS_GROUP_ANY = 63,
};

// One of the 3,000 slots: a waypoint, or a group slot sharing the first two
// bytes.
typedef struct tag_WAYPOINT {
  U8 u8Status : 6;
  U8 bHide : 1;         // not drawn on the chart
  U8 bWpNotShared : 1;  // a locked (local) item
  U8 u8Icon;
  U16 u16Depth;         // centimetres, as its creator recorded it
  U32 u32DateTime;      // IDTM encoding; 0 on a used slot: not a valid item
  POINT pt;             // Mercator metres
  char sName[NAV_WAYPOINT_NAME_SIZE];  // no terminator when it fills the field
} WAYPOINT;
typedef WAYPOINT WAYPOINT_V1;
typedef WAYPOINT WAYPOINT_V2;

typedef struct tag_ROUTE {
  U32 nCount : 30;  // points used, 0..50; 0 with date 0: a free slot
  U32 bHide : 1;
  U32 bRtNotShared : 1;
  U32 u32DateTime;
  char sName[NAV_ROUTE_NAME_SIZE];
  U16 anWaypoint[NAV_MAX_ROUTE_POINTS];  // waypoint slots; 65535 a point whose waypoint is gone
} ROUTE;
typedef ROUTE ROUTE_V3;

static_assert(sizeof(WAYPOINT) == 28);
static_assert(offsetof(WAYPOINT, u8Icon) == 1 && offsetof(WAYPOINT, u16Depth) == 2 &&
              offsetof(WAYPOINT, u32DateTime) == 4 && offsetof(WAYPOINT, pt) == 8 && offsetof(WAYPOINT, sName) == 16);
static_assert(sizeof(ROUTE) == 128);
static_assert(offsetof(ROUTE, u32DateTime) == 4 && offsetof(ROUTE, sName) == 8 && offsetof(ROUTE, anWaypoint) == 28);

// A group's header and the link pages of its chain share the waypoint
// table's slots; the first byte is laid out as a waypoint's.
typedef struct tag_GROUP_HEADER {
  U8 u8Status : 6;      // 16
  U8 bHide : 1;         // its members are not drawn
  U8 bWpNotShared : 1;  // the group's side
  U8 u8Icon;
  U16 u16Depth;
  U32 u32DateTime;
  U16 u16ParentIndex;     // the group that links it; 65535 for the root
  U16 u16Reserved1;
  U16 u16FirstBodyIndex;  // the chain's first body; 65535 when none
  U16 u16Reserved2;
  char sName[NAV_WAYPOINT_NAME_SIZE];
} GROUP_HEADER;
typedef GROUP_HEADER GROUP_HEADER_V1;

constexpr U32 NAV_GROUP_BODY_ITEMS = 12;
typedef struct tag_GROUP_BODY {
  U8 u8Status : 6;  // 17
  U8 bHide : 1;
  U8 bWpNotShared : 1;
  U8 u8Icon;
  U16 u16NextIndex;  // 65535 ends the chain; the root's shared chain goes on to 0xCFFF
  U16 u16Item[NAV_GROUP_BODY_ITEMS];  // item ids; 65535 a free place
} GROUP_BODY;
typedef GROUP_BODY GROUP_BODY_V1;

typedef union tag_GROUP_SLOT {
  GROUP_HEADER sHeader;
  GROUP_BODY sBody;
} GROUP_SLOT;

static_assert(sizeof(GROUP_HEADER) == 28 && sizeof(GROUP_BODY) == 28 && sizeof(GROUP_SLOT) == 28);
static_assert(offsetof(GROUP_HEADER, u16ParentIndex) == 8 && offsetof(GROUP_HEADER, u16FirstBodyIndex) == 12 &&
              offsetof(GROUP_HEADER, sName) == 16);
static_assert(offsetof(GROUP_BODY, u16NextIndex) == 2 && offsetof(GROUP_BODY, u16Item) == 4);

// The first byte of every slot.
constexpr U8 NAV_SLOT_STATUS_MASK = 0x3F;
constexpr U8 NAV_SLOT_HIDE_BIT = 0x40;
constexpr U8 NAV_SLOT_NOT_SHARED_BIT = 0x80;

// A set of tables that is not the live one (an import buffer); a null
// pointer to it means the live tables.
typedef struct tag_NAV_DATA_SPACE {
  WAYPOINT* pWaypoint;
  ROUTE* pRoute;
  TRACK_HEADER* pTrackHeader;
  U16 u16WaypointCount;
  U16 u16RouteCount;
  U16 u16TrackCount;
} NAV_DATA_SPACE;

// ---- Item ids ----

typedef enum tag_NAV_ITEM_KIND {
  NAV_ITEM_NONE = 0,  // 65535
  NAV_ITEM_WAYPOINT,
  NAV_ITEM_GROUP,
  NAV_ITEM_ROUTE,
  NAV_ITEM_TRACK,
  NAV_ITEM_INVALID,   // no form, or an index beyond its table
} NAV_ITEM_KIND;

constexpr U16 NAV_ITEM_ROUTE_BASE = 0x8800;
constexpr U16 NAV_ITEM_TRACK_BASE = 0x8000;
constexpr U16 NAV_ITEM_GROUP_BASE = 0xC000;
// The one group id beyond 2999: the root group's lock body in slot 2999.
constexpr U16 NAV_ITEM_ROOT_LOCK_BODY = 0xCFFF;
// The bits of a track id that name the unit that recorded it.
constexpr U16 NAV_ITEM_UNIT_BITS = 0x17C0;

// The kind of an item id and its slot or index (when pu16Index is given).
NAV_ITEM_KIND T_NAV_RECORDS_eItemKind(U16 u16Id, U16* pu16Index);
// Whether the id names a record in use in the live tables: a waypoint of
// status 1-3 with a date, a group slot, a route with a date and at most 50
// points, a track of this unit (unit bits u16UnitBits) with a date and a
// name, or another unit's track.
BOOLEAN T_NAV_RECORDS_bIsItemValid(U16 u16Id, U16 u16UnitBits);

// ---- The stored form ----
// The records as the record files keep them and as the transfer stream
// carries them before its byte swap: each field at its stated offset and
// width, least significant byte first, whatever layout the compiler gives
// the structures above.
constexpr U32 NAV_RECORD_SLOT_BYTES = 28;
constexpr U32 NAV_RECORD_ROUTE_BYTES = 128;
constexpr U32 NAV_RECORD_TRACK_HEADER_BYTES = 60;
constexpr U32 NAV_RECORD_DELTA_BYTES = 6;
constexpr U32 NAV_RECORD_TRACK_BYTES = 131072;
// A journal's start: x and y (S32, Mercator metres) and the depth (U16).
constexpr U32 NAV_RECORD_JOURNAL_START_BYTES = 10;

// A slot as a waypoint, a group header or a group body, by its status.
void T_NAV_RECORDS_vPutSlot(U8* p, const WAYPOINT* pSlot);
void T_NAV_RECORDS_vGetSlot(const U8* p, WAYPOINT* pSlot);
void T_NAV_RECORDS_vPutRoute(U8* p, const ROUTE* pRoute);
void T_NAV_RECORDS_vGetRoute(const U8* p, ROUTE* pRoute);
void T_NAV_RECORDS_vPutTrackHeader(U8* p, const TRACK_HEADER* pHeader);
void T_NAV_RECORDS_vGetTrackHeader(const U8* p, TRACK_HEADER* pHeader);
void T_NAV_RECORDS_vPutDelta(U8* p, const TRACK_DELTA_DEPTH_TRIPLE* pDelta);
void T_NAV_RECORDS_vGetDelta(const U8* p, TRACK_DELTA_DEPTH_TRIPLE* pDelta);
// The whole track: header, ring and the reserved half-word.
void T_NAV_RECORDS_vPutTrack(U8* p, const TRACK* pTrack);
void T_NAV_RECORDS_vGetTrack(const U8* p, TRACK* pTrack);
