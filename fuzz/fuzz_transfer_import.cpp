// The import over streams of any content, in blocks of any size: the first
// byte says whether the transport ends the import as complete (bit 0) and
// how the rest is cut into blocks (bits 1-2: 128 bytes, 1,024 bytes, a
// length byte before each block, or one block). Whatever was taken, every
// record of the store must then be one a reader can trust, every saved track
// must scan inside the Mercator range, and the tree must be whole.

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "h_database.h"
#include "t_nav_data.h"
#include "t_nav_group_data.h"
#include "t_nav_nvram_flash.h"
#include "linuxsvc.h"
#include "t_nav_twr.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  opt_nolog = 1;
  LSVC_vInit();
  H_DATABASE_vInit();
  H_DATABASE_bUpdateValueU32(FCID("CCST"), 3, P_HIGHEST);
  char rig[] = "/tmp/velmora-fuzz-import-XXXXXX";
  if (mkdtemp(rig) == nullptr) abort();
  setenv("VELMORA_DEVROOT", rig, 1);
  T_NAV_vInitTracksWaypointsRoutes();
  return 0;
}

static bool InRange(POINT p) { return p.x >= -20038300 && p.x <= 20038300 && p.y >= -15433198 && p.y <= 15433198; }

static void Check(bool bHolds) {
  if (!bHolds) abort();
}

static void CheckStore(void) {
  for (U32 i = 0; i < NAV_MAX_WAYPOINTS; i++) {
    const WAYPOINT* w = T_NAV_pGetWaypoint(i);
    if (w->u8Status == 1 || w->u8Status == 3) Check(w->u8Icon <= 82 && InRange(w->pt));
    Check(w->u8Status == 0 || w->u8Status == 1 || w->u8Status == 3 || w->u8Status == 16 || w->u8Status == 17);
  }
  for (U32 r = 0; r < NAV_MAX_ROUTES; r++) {
    const ROUTE* route = T_NAV_pGetRoute(r);
    Check(route->nCount <= 50);
    for (U16 point : route->anWaypoint) Check(point < 3000 || point == 65535);
  }
  for (U32 t = 0; t < NAV_MAX_TRACKS; t++) {
    const TRACK_HEADER* h = T_NAV_pGetTrackHeader(t);
    Check(h->u16Count <= 21836 && h->u16FirstDelta <= 21834);
    if (h->u16Count == 0) continue;
    const TRACK* track = T_NAV_NVRAM_pLoadTrack((S32)t);
    U16 it = 0;
    POINT pt;
    U32 points = 0;
    while (U_NAV_eScanTrack(track, &it, &pt, nullptr) != TRACKPOINT_INVALID) Check(InRange(pt) && ++points <= 21836);
    T_NAV_NVRAM_vReleaseTrack();
  }
  Check(T_NAV_GROUP_DATA_bIsGroupNavDataIntegralEX(nullptr, T_NAV_GROUP_DATA_nGetRootGroup()));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const bool bComplete = data[0] & 1;
  const int mode = (data[0] >> 1) & 3;
  T_NAV_DATA_vSaveBufferInit();
  std::vector<U8> block;
  for (size_t at = 1; at < size;) {
    size_t n = mode == 0 ? 128 : mode == 1 ? 1024 : mode == 3 ? size - at : data[at++];
    if (at >= size) break;
    if (n > size - at) n = size - at;
    // The transport hands over blocks of its own memory, exactly n long.
    block.assign(data + at, data + at + n);
    T_NAV_DATA_vSaveBufferSegment((U32)n, block.data(), nullptr);
    at += n;
  }
  const BOOLEAN bTaken = T_NAV_DATA_bSaveBufferEnd(bComplete);
  if (bTaken) CheckStore();
  return 0;
}
