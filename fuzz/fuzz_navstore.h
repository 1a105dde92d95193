// What every record of the navigation store must be after a load or an
// import, however bad its files or stream: records a reader can trust,
// saved tracks that scan inside the Mercator range, and a whole tree.
#pragma once

#include <stdlib.h>

#include "fuzz_support.h"
#include "t_nav_group_data.h"
#include "t_nav_nvram_flash.h"
#include "t_nav_twr.h"

static inline bool FUZZ_bInRange(POINT p) {
  return p.x >= -20038300 && p.x <= 20038300 && p.y >= -15433198 && p.y <= 15433198;
}

static inline void FUZZ_vCheckStore(void) {
  for (U32 i = 0; i < NAV_MAX_WAYPOINTS; i++) {
    const WAYPOINT* w = T_NAV_pGetWaypoint(i);
    if (w->u8Status == 1 || w->u8Status == 3) FUZZ_CHECK(w->u8Icon <= 82 && FUZZ_bInRange(w->pt));
    // Slots taken for a group and never written are gone after the collection.
    FUZZ_CHECK(w->u8Status == 0 || w->u8Status == 1 || w->u8Status == 3 || w->u8Status == 16 || w->u8Status == 17);
  }
  for (U32 r = 0; r < NAV_MAX_ROUTES; r++) {
    const ROUTE* route = T_NAV_pGetRoute(r);
    FUZZ_CHECK(route->nCount <= 50);
    for (U16 point : route->anWaypoint) FUZZ_CHECK(point < 3000 || point == 65535);
  }
  for (U32 t = 0; t < NAV_MAX_TRACKS; t++) {
    const TRACK_HEADER* h = T_NAV_pGetTrackHeader(t);
    FUZZ_CHECK(h->u16Count <= 21836 && h->u16FirstDelta <= 21834);
    if (h->u16Count == 0) continue;
    FUZZ_CHECK(FUZZ_bInRange(h->ptFirst) && FUZZ_bInRange(h->ptLast) && FUZZ_bInRange(h->ptLowerLeft) &&
                FUZZ_bInRange(h->ptUpperRight));
    const TRACK* track = T_NAV_NVRAM_pLoadTrack((S32)t);
    U16 it = 0;
    POINT pt;
    U32 points = 0;
    while (U_NAV_eScanTrack(track, &it, &pt, nullptr) != TRACKPOINT_INVALID) {
      FUZZ_CHECK(FUZZ_bInRange(pt) && ++points <= 21836);
    }
    T_NAV_NVRAM_vReleaseTrack();
  }
  FUZZ_CHECK(T_NAV_GROUP_DATA_bIsGroupNavDataIntegralEX(nullptr, T_NAV_GROUP_DATA_nGetRootGroup()));
}
