// Item ids: one 16-bit name for any waypoint, group slot, route or track,
// with the kind in its top bits; and the records' stored form.

#include "t_nav_records.h"

#include <string.h>

#include "t_nav_twr.h"
#include "u_wstring.h"

NAV_ITEM_KIND T_NAV_RECORDS_eItemKind(U16 u16Id, U16* pu16Index) {
  NAV_ITEM_KIND eKind = NAV_ITEM_INVALID;
  U16 index = NAV_NONE;
  if (u16Id == NAV_NONE) {
    eKind = NAV_ITEM_NONE;
  } else if ((u16Id & 0xC000) == 0) {
    index = u16Id;
    eKind = NAV_ITEM_WAYPOINT;
  } else if (u16Id == NAV_ITEM_ROOT_LOCK_BODY) {
    index = NAV_MAX_WAYPOINTS - 1;
    eKind = NAV_ITEM_GROUP;
  } else if ((u16Id & 0xC000) == NAV_ITEM_GROUP_BASE) {
    // Bits 12 and 13 belong to no group id.
    index = (u16Id & 0x3000) == 0 ? u16Id & 0x0FFF : NAV_NONE;
    eKind = NAV_ITEM_GROUP;
  } else if ((u16Id & 0xC800) == NAV_ITEM_ROUTE_BASE) {
    index = (u16Id & 0x3000) == 0 ? u16Id & 0x07FF : NAV_NONE;
    eKind = NAV_ITEM_ROUTE;
  } else if ((u16Id & 0xC800) == NAV_ITEM_TRACK_BASE) {
    index = u16Id & 0x003F;
    eKind = NAV_ITEM_TRACK;
  }
  const U32 limit = eKind == NAV_ITEM_ROUTE ? NAV_MAX_ROUTES : eKind == NAV_ITEM_TRACK ? NAV_MAX_TRACKS : NAV_MAX_WAYPOINTS;
  if (eKind != NAV_ITEM_NONE && eKind != NAV_ITEM_INVALID && index >= limit) {
    eKind = NAV_ITEM_INVALID;
    index = NAV_NONE;
  }
  if (pu16Index != nullptr) *pu16Index = index;
  return eKind;
}

BOOLEAN T_NAV_RECORDS_bIsItemValid(U16 u16Id, U16 u16UnitBits) {
  U16 index;
  switch (T_NAV_RECORDS_eItemKind(u16Id, &index)) {
    case NAV_ITEM_WAYPOINT: {
      WAYPOINT w{};
      T_NAV_vCopyWaypoint(index, &w);
      return w.u8Status >= WPT_STATUS_SAVED && w.u8Status <= WPT_STATUS_SAVED_2 && w.u32DateTime != 0;
    }
    case NAV_ITEM_GROUP: {
      WAYPOINT w{};
      T_NAV_vCopyWaypoint(index, &w);
      return w.u8Status == WPT_STATUS_GROUP_HEADER || w.u8Status == WPT_STATUS_GROUP_BODY;
    }
    case NAV_ITEM_ROUTE: {
      ROUTE r{};
      T_NAV_vCopyRoute(index, &r);
      return r.nCount <= NAV_MAX_ROUTE_POINTS && r.u32DateTime != 0;
    }
    case NAV_ITEM_TRACK: {
      if ((u16Id & NAV_ITEM_UNIT_BITS) != (u16UnitBits & NAV_ITEM_UNIT_BITS)) return TRUE;
      char name[TRACK_NAME_SIZE];
      U32 date = 0;
      T_NAV_vCopyTrackInfo(index, name, sizeof name, nullptr, &date);
      return date != 0 && !U_WSTRING_bIsStringNull(name);
    }
    default:
      return FALSE;
  }
}

// ---------------------------------------------------------------------------
// The stored form

static void RECORDS_vPut16(U8* p, U16 v) {
  p[0] = (U8)v;
  p[1] = (U8)(v >> 8);
}
static void RECORDS_vPut32(U8* p, U32 v) {
  for (int i = 0; i < 4; i++) p[i] = (U8)(v >> (8 * i));
}
static U16 RECORDS_u16Get(const U8* p) { return (U16)(p[0] | p[1] << 8); }
static U32 RECORDS_u32Get(const U8* p) { return (U32)p[0] | (U32)p[1] << 8 | (U32)p[2] << 16 | (U32)p[3] << 24; }

static void RECORDS_vPutPoint(U8* p, POINT pt) {
  RECORDS_vPut32(p, (U32)pt.x);
  RECORDS_vPut32(p + 4, (U32)pt.y);
}
static POINT RECORDS_ptGet(const U8* p) { return {(S32)RECORDS_u32Get(p), (S32)RECORDS_u32Get(p + 4)}; }

// The first byte of every slot: status in bits 0-5, hidden 6, not shared 7.
static U8 RECORDS_u8FirstByte(U8 u8Status, U8 bHide, U8 bNotShared) {
  return (U8)((u8Status & NAV_SLOT_STATUS_MASK) | (bHide ? NAV_SLOT_HIDE_BIT : 0) |
              (bNotShared ? NAV_SLOT_NOT_SHARED_BIT : 0));
}

void T_NAV_RECORDS_vPutSlot(U8* p, const WAYPOINT* pSlot) {
  GROUP_SLOT g;
  memcpy(&g, pSlot, sizeof g);
  p[0] = RECORDS_u8FirstByte(pSlot->u8Status, pSlot->bHide, pSlot->bWpNotShared);
  p[1] = pSlot->u8Icon;
  if (pSlot->u8Status == WPT_STATUS_GROUP_BODY) {
    RECORDS_vPut16(p + 2, g.sBody.u16NextIndex);
    for (U32 i = 0; i < NAV_GROUP_BODY_ITEMS; i++) RECORDS_vPut16(p + 4 + 2 * i, g.sBody.u16Item[i]);
    return;
  }
  RECORDS_vPut16(p + 2, pSlot->u16Depth);
  RECORDS_vPut32(p + 4, pSlot->u32DateTime);
  if (pSlot->u8Status == WPT_STATUS_GROUP_HEADER) {
    RECORDS_vPut16(p + 8, g.sHeader.u16ParentIndex);
    RECORDS_vPut16(p + 10, g.sHeader.u16Reserved1);
    RECORDS_vPut16(p + 12, g.sHeader.u16FirstBodyIndex);
    RECORDS_vPut16(p + 14, g.sHeader.u16Reserved2);
  } else {
    RECORDS_vPutPoint(p + 8, pSlot->pt);
  }
  memcpy(p + 16, pSlot->sName, NAV_WAYPOINT_NAME_SIZE);
}

void T_NAV_RECORDS_vGetSlot(const U8* p, WAYPOINT* pSlot) {
  GROUP_SLOT g;
  memset(&g, 0, sizeof g);
  const U8 u8Status = p[0] & NAV_SLOT_STATUS_MASK;
  if (u8Status == WPT_STATUS_GROUP_BODY) {
    g.sBody.u16NextIndex = RECORDS_u16Get(p + 2);
    for (U32 i = 0; i < NAV_GROUP_BODY_ITEMS; i++) g.sBody.u16Item[i] = RECORDS_u16Get(p + 4 + 2 * i);
  } else if (u8Status == WPT_STATUS_GROUP_HEADER) {
    g.sHeader.u16Depth = RECORDS_u16Get(p + 2);
    g.sHeader.u32DateTime = RECORDS_u32Get(p + 4);
    g.sHeader.u16ParentIndex = RECORDS_u16Get(p + 8);
    g.sHeader.u16Reserved1 = RECORDS_u16Get(p + 10);
    g.sHeader.u16FirstBodyIndex = RECORDS_u16Get(p + 12);
    g.sHeader.u16Reserved2 = RECORDS_u16Get(p + 14);
    memcpy(g.sHeader.sName, p + 16, NAV_WAYPOINT_NAME_SIZE);
  }
  WAYPOINT w;
  memcpy(&w, &g, sizeof w);
  if (u8Status != WPT_STATUS_GROUP_BODY && u8Status != WPT_STATUS_GROUP_HEADER) {
    w.u16Depth = RECORDS_u16Get(p + 2);
    w.u32DateTime = RECORDS_u32Get(p + 4);
    w.pt = RECORDS_ptGet(p + 8);
    memcpy(w.sName, p + 16, NAV_WAYPOINT_NAME_SIZE);
  }
  w.u8Status = u8Status;
  w.bHide = (p[0] & NAV_SLOT_HIDE_BIT) != 0;
  w.bWpNotShared = (p[0] & NAV_SLOT_NOT_SHARED_BIT) != 0;
  w.u8Icon = p[1];
  *pSlot = w;
}

// The first word: the point count in bits 0-29, hidden 30, not shared 31.
void T_NAV_RECORDS_vPutRoute(U8* p, const ROUTE* pRoute) {
  RECORDS_vPut32(p, (U32)pRoute->nCount | (U32)pRoute->bHide << 30 | (U32)pRoute->bRtNotShared << 31);
  RECORDS_vPut32(p + 4, pRoute->u32DateTime);
  memcpy(p + 8, pRoute->sName, NAV_ROUTE_NAME_SIZE);
  for (U32 i = 0; i < NAV_MAX_ROUTE_POINTS; i++) RECORDS_vPut16(p + 28 + 2 * i, pRoute->anWaypoint[i]);
}

void T_NAV_RECORDS_vGetRoute(const U8* p, ROUTE* pRoute) {
  const U32 u32First = RECORDS_u32Get(p);
  pRoute->nCount = u32First & 0x3FFFFFFFu;
  pRoute->bHide = (u32First >> 30) & 1;
  pRoute->bRtNotShared = (u32First >> 31) & 1;
  pRoute->u32DateTime = RECORDS_u32Get(p + 4);
  memcpy(pRoute->sName, p + 8, NAV_ROUTE_NAME_SIZE);
  for (U32 i = 0; i < NAV_MAX_ROUTE_POINTS; i++) pRoute->anWaypoint[i] = RECORDS_u16Get(p + 28 + 2 * i);
}

void T_NAV_RECORDS_vPutTrackHeader(U8* p, const TRACK_HEADER* pHeader) {
  RECORDS_vPut16(p, pHeader->u16Count);
  RECORDS_vPut16(p + 2, pHeader->u16FirstDelta);
  RECORDS_vPut32(p + 4, pHeader->u32DateTime);
  RECORDS_vPutPoint(p + 8, pHeader->ptFirst);
  RECORDS_vPutPoint(p + 16, pHeader->ptLast);
  RECORDS_vPutPoint(p + 24, pHeader->ptLowerLeft);
  RECORDS_vPutPoint(p + 32, pHeader->ptUpperRight);
  memcpy(p + 40, pHeader->sName, TRACK_NAME_SIZE);
}

void T_NAV_RECORDS_vGetTrackHeader(const U8* p, TRACK_HEADER* pHeader) {
  pHeader->u16Count = RECORDS_u16Get(p);
  pHeader->u16FirstDelta = RECORDS_u16Get(p + 2);
  pHeader->u32DateTime = RECORDS_u32Get(p + 4);
  pHeader->ptFirst = RECORDS_ptGet(p + 8);
  pHeader->ptLast = RECORDS_ptGet(p + 16);
  pHeader->ptLowerLeft = RECORDS_ptGet(p + 24);
  pHeader->ptUpperRight = RECORDS_ptGet(p + 32);
  memcpy(pHeader->sName, p + 40, TRACK_NAME_SIZE);
}

void T_NAV_RECORDS_vPutDelta(U8* p, const TRACK_DELTA_DEPTH_TRIPLE* pDelta) {
  RECORDS_vPut16(p, (U16)pDelta->x);
  RECORDS_vPut16(p + 2, (U16)pDelta->y);
  RECORDS_vPut16(p + 4, pDelta->u16Depth);
}

void T_NAV_RECORDS_vGetDelta(const U8* p, TRACK_DELTA_DEPTH_TRIPLE* pDelta) {
  pDelta->x = (S16)RECORDS_u16Get(p);
  pDelta->y = (S16)RECORDS_u16Get(p + 2);
  pDelta->u16Depth = RECORDS_u16Get(p + 4);
}

void T_NAV_RECORDS_vPutTrack(U8* p, const TRACK* pTrack) {
  T_NAV_RECORDS_vPutTrackHeader(p, &pTrack->sHeader);
  U8* pRing = p + NAV_RECORD_TRACK_HEADER_BYTES;
  for (U32 i = 0; i < TRACK_DELTA_ENTRIES; i++) T_NAV_RECORDS_vPutDelta(pRing + NAV_RECORD_DELTA_BYTES * i, &pTrack->aDelta[i]);
  RECORDS_vPut16(p + NAV_RECORD_TRACK_BYTES - 2, pTrack->u16Reserved);
}

void T_NAV_RECORDS_vGetTrack(const U8* p, TRACK* pTrack) {
  T_NAV_RECORDS_vGetTrackHeader(p, &pTrack->sHeader);
  const U8* pRing = p + NAV_RECORD_TRACK_HEADER_BYTES;
  for (U32 i = 0; i < TRACK_DELTA_ENTRIES; i++) T_NAV_RECORDS_vGetDelta(pRing + NAV_RECORD_DELTA_BYTES * i, &pTrack->aDelta[i]);
  pTrack->u16Reserved = RECORDS_u16Get(p + NAV_RECORD_TRACK_BYTES - 2);
}
