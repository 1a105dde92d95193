// Saving from the navigation views against the plain file work under it:
// a mark (the waypoint written through, its declutter slot, its hash and its
// link into the default group) and a saved track (written and linked), each
// timed next to a write, fsync and rename of the same bytes in the same
// loop (goal: at most 2 times as long).

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "bench_timing.h"
#include "h_database.h"
#include "navmath.h"
#include "t_nav_int.h"
#include "t_nav_nvram_flash.h"
#include "t_nav_twr.h"
#include "t_nav_views.h"
#include "u_convert.h"
#include "u_nav.h"

namespace {

std::string g_root;

// A started task on an empty store of its own, the boat near 52 N 4 E on a
// chart view.
POINT Unit(void) {
  static char s_acRoot[] = "/tmp/velmora-bench-navviews-XXXXXX";
  static bool s_bMade = false;
  if (!s_bMade && mkdtemp(s_acRoot) != nullptr) s_bMade = true;
  g_root = s_acRoot;
  setenv("VELMORA_DEVROOT", s_acRoot, 1);
  H_DATABASE_vInit();
  U_CONVERT_vInitialiseConversionUtility();
  H_DATABASE_bUpdateValueU32(FCID("CCST"), NAV_STATE_NORMAL_RUN, P_HIGHEST);
  T_NAV_NVRAM_vEraseRecords();
  T_NAV_NVRAM_vEraseCurrentTrack();
  NAV_vStartUp();
  H_DATABASE_bUpdateEverythingS32(FCID("CVEW"), 52, P_NORMAL, D_SIGNED32, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingU32(FCID("IDTM"), 1213461000u, P_NORMAL, D_DATETIME, nullptr, DB_NEVER_STALE);
  const POSITION own = {52.2, 4.2};
  POINT boat;
  nv_DegrToMeter(&own, &boat);
  return boat;
}

void Fix(POINT p) {
  H_DATABASE_bUpdateEverythingS32(FCID("ILAT"), p.y, P_NORMAL, D_POSITION_LAT_MM, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingS32(FCID("ILON"), p.x, P_NORMAL, D_POSITION_LON_MM, nullptr, DB_NEVER_STALE);
}

// The peer: the same bytes written, synced and renamed into place.
void RawSave(const std::vector<char>& bytes) {
  const std::string tmp = g_root + "/raw.tmp", dst = g_root + "/raw.rec";
  const int fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return;
  if (write(fd, bytes.data(), bytes.size()) != (ssize_t)bytes.size()) perror("write");
  fsync(fd);
  close(fd);
  rename(tmp.c_str(), dst.c_str());
}

void BM_MarkAgainstRawWrite(benchmark::State& state) {
  POINT boat = Unit();
  const std::vector<char> bytes(sizeof(FILE_HEADER) + sizeof(WAYPOINT), 'w');
  BENCH_PAIR pair;
  for (auto _ : state) {
    boat.x += 500;
    Fix(boat);
    BENCH_dTimePair(state, &pair, [] { T_NAV_vHandleMark(); }, [&] { RawSave(bytes); });
  }
  state.counters["waypoints"] = T_NAV_TWR_nGetWaypointCount();
  state.counters["x_raw"] = BENCH_dRatio(pair);
}
BENCHMARK(BM_MarkAgainstRawWrite)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(400);

void BM_SaveTrackAgainstRawWrite(benchmark::State& state) {
  POINT boat = Unit();
  const std::vector<char> bytes(sizeof(FILE_HEADER) + sizeof(TRACK), 't');
  BENCH_PAIR pair;
  for (auto _ : state) {
    for (int i = 0; i < 100; i++) U_NAV_vAddTrackPoint(&g_NAV.CurrentTrack, {boat.x + 10 * i, boat.y}, 0, FALSE);
    BENCH_dTimePair(state, &pair, [] { T_NAV_vSaveCurrentTrack(); }, [&] { RawSave(bytes); });
  }
  state.counters["x_raw"] = BENCH_dRatio(pair);
}
BENCHMARK(BM_SaveTrackAgainstRawWrite)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(40);

}  // namespace
