// The navigation task in a process of its own for the kill test: it starts
// up in the normal run on the store under VELMORA_DEVROOT, replays the
// current track on run-system, then is fed positions, one update each,
// until it is killed.
//
// Output lines: "begin <points restored>", then "point <i>" once the update
// has taken fed point i into the track and its journal.

#include <stdio.h>
#include <unistd.h>

#include "h_database.h"
#include "h_memory.h"
#include "navtask_feed.h"
#include "t_nav_int.h"
#include "test_tasks.h"

static void FEEDER_vSay(const char* format, unsigned value) {
  char line[48];
  const int length = snprintf(line, sizeof line, format, value);
  // One write per line: a kill never leaves half a line behind.
  if (write(1, line, (size_t)length) != length) _exit(3);
}

int main() {
  opt_nolog = 1;
  TEST_vInitServiceLayer();
  H_DATABASE_vInit();
  H_DATABASE_bUpdateValueU32(FCID("CCST"), NAV_STATE_NORMAL_RUN, P_HIGHEST);
  NAV_vStartUp();
  GENERIC_MESSAGE* pRun = (GENERIC_MESSAGE*)H_MEMORY_pvCalloc(1, sizeof(GENERIC_MESSAGE));
  pRun->Cmd = CMD_ID_RUN_SYSTEM;
  NAV_vHandleMessage(pRun);
  U32 points = 0;
  POINT pt;
  for (U16 it = 0; U_NAV_eScanTrack(&g_NAV.CurrentTrack, &it, &pt, nullptr) != TRACKPOINT_INVALID;) points++;
  FEEDER_vSay("begin %u\n", points);
  H_DATABASE_bUpdateEverythingU32(FCID("IPFI"), 2, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  for (U32 i = points;; i++) {
    const POINT p = NAVTASK_FeedPoint(i);
    H_DATABASE_bUpdateEverythingS32(FCID("ILAT"), p.y, P_NORMAL, D_POSITION_LAT_MM, nullptr, DB_NEVER_STALE);
    H_DATABASE_bUpdateEverythingS32(FCID("ILON"), p.x, P_NORMAL, D_POSITION_LON_MM, nullptr, DB_NEVER_STALE);
    T_NAV_vHandleUpdateTimer();
    FEEDER_vSay("point %u\n", i);
    // A few thousand points over the whole test: the ring never drops any.
    usleep(200);
  }
}
