// The start-up reader over record files of any content: the input is a
// list of files, each [control][name][length][bytes]: control bits 0-1 pick
// the directory (waypoints, routes, tracks; 3: a waypoint temporary file),
// bit 2 pads the file with zeros to a saved track's size. After the load
// every record in the tables must be one a reader can trust, and every
// saved track must scan inside the Mercator range.

#include <fcntl.h>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "h_database.h"
#include "t_nav_nvram_flash.h"
#include "t_nav_twr.h"
#include "fuzz_support.h"

static std::string s_base;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  opt_nolog = 1;
  FUZZ_vInit();
  H_DATABASE_vInit();
  H_DATABASE_bUpdateValueU32(FCID("CCST"), 3, P_HIGHEST);
  char rig[] = "/tmp/velmora-fuzz-load-XXXXXX";
  if (mkdtemp(rig) == nullptr) abort();
  setenv("VELMORA_DEVROOT", rig, 1);
  s_base = std::string(rig) + "/usr/velmora/";
  return 0;
}

static bool InRange(POINT p) { return p.x >= -20038300 && p.x <= 20038300 && p.y >= -15433198 && p.y <= 15433198; }

static void Check(bool bHolds) {
  if (!bHolds) abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  T_NAV_NVRAM_vErase();
  T_NAV_NVRAM_vInit();
  static const char* const dirs[] = {"wpts/", "routes/", "tracks/", "wpts/"};
  for (size_t at = 0; at + 3 <= size;) {
    const uint8_t control = data[at], name = data[at + 1], length = data[at + 2];
    at += 3;
    const size_t n = length < size - at ? length : size - at;
    std::string path = s_base + dirs[control & 3] + std::to_string(name) + ((control & 3) == 3 ? ".tmp" : "");
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (fd < 0) abort();
    if (write(fd, data + at, n) != (ssize_t)n) abort();
    if ((control & 4) && ftruncate(fd, (off_t)(sizeof(FILE_HEADER) + sizeof(TRACK))) != 0) abort();
    close(fd);
    at += n;
  }
  T_NAV_vInitTracksWaypointsRoutes();
  for (U32 i = 0; i < NAV_MAX_WAYPOINTS; i++) {
    const WAYPOINT* w = T_NAV_pGetWaypoint(i);
    if (w->u8Status == 1 || w->u8Status == 3) Check(w->u8Icon <= 82 && InRange(w->pt));
    Check(w->u8Status == 0 || w->u8Status == 1 || w->u8Status == 3 || w->u8Status == 16 || w->u8Status == 17 ||
          w->u8Status == 63);
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
    Check(InRange(h->ptFirst) && InRange(h->ptLast) && InRange(h->ptLowerLeft) && InRange(h->ptUpperRight));
    const TRACK* track = T_NAV_NVRAM_pLoadTrack((S32)t);
    U16 it = 0;
    POINT pt;
    U32 points = 0;
    while (U_NAV_eScanTrack(track, &it, &pt, nullptr) != TRACKPOINT_INVALID) {
      Check(InRange(pt) && ++points <= 21836);
    }
    T_NAV_NVRAM_vReleaseTrack();
  }
  return 0;
}
