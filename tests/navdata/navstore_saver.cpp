// A process for the crash tests of the navigation store: on the store under
// VELMORA_DEVROOT it restores the tables and the current track, then saves
// waypoints and routes and appends the journal until it is killed; or it
// imports a transfer stream and waits to be killed.
//
//   navstore_saver FIRST_GENERATION
//   navstore_saver import STREAM_FILE [N]
//   navstore_saver load N
//
// With N the import, or the start's load of the store, dies right after
// the N-th rename it makes, as a power cut there would leave the disk.
//
// Output lines: "begin <points restored>", then per generation g
// "saving <g>" before and "saved <g>" after its records, and "point <i>"
// once point i of the track is journaled; or "imported <1 or 0>"; or
// "loaded" when the load made fewer renames.

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "h_database.h"
#include "linux_fs.h"
#include "navstore_feed.h"
#include "t_nav_data.h"
#include "t_nav_group_data.h"
#include "t_nav_twr.h"
#include "test_tasks.h"

static void SAVER_vSay(const char* format, unsigned value) {
  char line[48];
  const int length = snprintf(line, sizeof line, format, value);
  // One write per line: a kill never leaves half a line behind.
  if (write(1, line, (size_t)length) != length) _exit(3);
}

static TRACK s_track;

static U32 s_u32DieAtRename;

static void SAVER_vTrace(const FS_TRACE_RECORD* pRecord) {
  if (pRecord->u32Call == FS_CALL_RENAME && pRecord->result == 0 && --s_u32DieAtRename == 0) _exit(9);
}

// Feeds the stream in the transport's 1,024-byte blocks, the last one
// filled as the transport fills it.
static int SAVER_nImport(const char* pcPath) {
  FILE* f = fopen(pcPath, "rb");
  if (f == nullptr) return 1;
  T_NAV_DATA_vSaveBufferInit();
  U8 block[NAV_DATA_SEGMENT_SIZE];
  size_t n;
  while ((n = fread(block, 1, sizeof block, f)) > 0) {
    memset(block + n, 0x1A, sizeof block - n);
    T_NAV_DATA_vSaveBufferSegment(sizeof block, block, nullptr);
  }
  fclose(f);
  SAVER_vSay("imported %u\n", T_NAV_DATA_bSaveBufferEnd(TRUE) ? 1 : 0);
  for (;;) pause();
}

int main(int argc, char** argv) {
  if (argc < 2 || argc > 4) return 1;
  opt_nolog = 1;
  TEST_vInitServiceLayer();
  H_DATABASE_vInit();
  H_DATABASE_bUpdateValueU32(FCID("CCST"), 3, P_HIGHEST);
  if (argc == 3 && strcmp(argv[1], "load") == 0) {
    s_u32DieAtRename = (U32)strtoul(argv[2], nullptr, 10);
    FS_vSetTrace(SAVER_vTrace);
    T_NAV_vInitTracksWaypointsRoutes();
    return write(1, "loaded\n", 7) == 7 ? 0 : 3;
  }
  T_NAV_vInitTracksWaypointsRoutes();
  T_NAV_NVRAM_vScanCurrentTrack(&s_track);
  U32 points = 0;
  POINT pt;
  for (U16 it = 0; U_NAV_eScanTrack(&s_track, &it, &pt, nullptr) != TRACKPOINT_INVALID;) points++;
  SAVER_vSay("begin %u\n", points);
  if (argc == 4) {
    s_u32DieAtRename = (U32)strtoul(argv[3], nullptr, 10);
    FS_vSetTrace(SAVER_vTrace);
  }
  if (argc >= 3) return SAVER_nImport(argv[2]);
  for (U32 g = (U32)strtoul(argv[1], nullptr, 10);; g++) {
    SAVER_vSay("saving %u\n", g);
    for (U32 k = 0; k < NAVSAVER_WAYPOINTS; k++) {
      WAYPOINT w = NAVSAVER_Waypoint(k, g);
      if (!T_NAV_bSaveWaypoint(NAVSAVER_FIRST_SLOT + k, &w, FALSE, FALSE)) return 2;
    }
    for (U32 r = 0; r < NAVSAVER_ROUTES; r++) {
      ROUTE route = NAVSAVER_Route(r, g);
      if (!T_NAV_bSaveRoute(r, &route, FALSE)) return 2;
    }
    // Linked into the root, or the next start's collection takes them; a
    // link made before is refused and stays.
    const U16 root = T_NAV_GROUP_DATA_nGetRootGroup();
    for (U32 k = 0; k < NAVSAVER_WAYPOINTS; k++) T_NAV_GROUP_DATA_bAddLink(root, (U16)(NAVSAVER_FIRST_SLOT + k));
    for (U32 r = 0; r < NAVSAVER_ROUTES; r++) T_NAV_GROUP_DATA_bAddLink(root, (U16)(0x8800 + r));
    SAVER_vSay("saved %u\n", g);
    for (U32 n = 0; n < NAVSAVER_POINTS_PER_GENERATION; n++, points++) {
      NAVTEST_vRecord(&s_track, NAVSAVER_Point(points), 0, NAVSAVER_bGap(points));
      SAVER_vSay("point %u\n", points);
    }
  }
}
