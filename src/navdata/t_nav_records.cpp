// Item ids: one 16-bit name for any waypoint, group slot, route or track,
// with the kind in its top bits.

#include "t_nav_records.h"

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
      WAYPOINT w;
      T_NAV_vCopyWaypoint(index, &w);
      return w.u8Status >= WPT_STATUS_SAVED && w.u8Status <= WPT_STATUS_SAVED_2 && w.u32DateTime != 0;
    }
    case NAV_ITEM_GROUP: {
      WAYPOINT w;
      T_NAV_vCopyWaypoint(index, &w);
      return w.u8Status == WPT_STATUS_GROUP_HEADER || w.u8Status == WPT_STATUS_GROUP_BODY;
    }
    case NAV_ITEM_ROUTE: {
      ROUTE r;
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
