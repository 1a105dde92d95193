// The navigation task's one-second update at full load (a 50-point route,
// 150 AIS targets, a full current track journaled as it grows), as a share
// of the second it has (goal: under 0.1 %); and the run-system replay of two
// full current-track journals against only reading the two files (goal: at
// most 3 times as long).

#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "bench_ais_report.h"
#include "bench_timing.h"
#include "h_database.h"
#include "h_memory.h"
#include "navmath.h"
#include "t_nav_int.h"
#include "t_nav_nvram_flash.h"
#include "t_nav_twr.h"
#include "t_nmea_internal.h"
#include "u_convert.h"
#include "u_nav.h"
#include "t_nav.h"

namespace {

U32 g_u32Seconds;

// A started task on an empty store of its own, in the normal run, the boat
// near 52 N 4 E.
POINT Unit(void) {
  static char s_acRoot[] = "/tmp/velmora-bench-navtask-XXXXXX";
  static bool s_bMade = false;
  if (!s_bMade && mkdtemp(s_acRoot) != nullptr) s_bMade = true;
  setenv("VELMORA_DEVROOT", s_acRoot, 1);
  H_DATABASE_vInit();
  T_NAV_vRegisterHooks();
  U_CONVERT_vInitialiseConversionUtility();
  H_DATABASE_bUpdateValueU32(FCID("CCST"), NAV_STATE_NORMAL_RUN, P_HIGHEST);
  T_NAV_NVRAM_vEraseCurrentTrack();
  NAV_vStartUp();
  const POSITION own = {52.2, 4.2};
  POINT boat;
  nv_DegrToMeter(&own, &boat);
  H_DATABASE_bUpdateEverythingU32(FCID("IPFI"), 2, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingFloat(FCID("ISOG"), 4.0f, P_NORMAL, D_SPEED, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingFloat(FCID("IHDG"), 0.0f, P_NORMAL, D_HEADING, nullptr, DB_NEVER_STALE);
  return boat;
}

void Fix(POINT p) {
  H_DATABASE_bUpdateEverythingS32(FCID("ILAT"), p.y, P_NORMAL, D_POSITION_LAT_MM, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingS32(FCID("ILON"), p.x, P_NORMAL, D_POSITION_LON_MM, nullptr, DB_NEVER_STALE);
}

void BM_UpdateAtFullLoad(benchmark::State& state) {
  POINT boat = Unit();
  Fix(boat);
  // 50 route points ahead of the boat.
  for (S32 k = 1; T_NAV_pGetCurrentRoute()->nCount < NAV_MAX_ROUTE_POINTS; k++) {
    WAYPOINT w = {};
    w.u8Status = WPT_STATUS_SAVED;
    w.u32DateTime = 1;
    w.pt = {boat.x + (k % 2) * 300, boat.y + 2000 * k};
    snprintf(w.sName, sizeof w.sName, "R%d", (int)k);
    T_NAV_bWaypointToCurrentRoute(T_NAV_nAddWaypoint(&w, FALSE));
  }
  H_DATABASE_bUpdateValueBoolean(FCID("SAIS"), TRUE, P_NORMAL);
  T_NMEA_vSetAisClock([] { return g_u32Seconds; });
  T_NMEA_vAisInit();
  for (U32 i = 0; i < AIS_MAX_TARGETS; i++) T_NMEA_bAisDecodeVDM(BENCH_AisReport(1000 + 2 * i, (int)i).c_str(), 0);
  TRACK* t = &g_NAV.CurrentTrack;
  for (S32 i = 0; t->sHeader.u16Count < TRACK_MAX_COUNT; i++) U_NAV_vAddTrackPoint(t, {boat.x - 30000 + i, boat.y}, 0, FALSE);

  std::vector<double> samples;
  for (auto _ : state) {
    boat.y += 20;
    Fix(boat);
    const double s = BENCH_dTime([] { T_NAV_vHandleUpdateTimer(); });
    samples.push_back(s);
    state.SetIterationTime(s);
  }
  double sum = 0;
  for (double s : samples) sum += s;
  state.counters["targets"] = T_NMEA_u32GetAisNumOfTargets();
  state.counters["route_points"] = T_NAV_pGetCurrentRoute()->nCount;
  state.counters["track_points"] = t->sHeader.u16Count;
  state.counters["pct_of_period"] = samples.empty() ? 0 : 100.0 * sum / (double)samples.size();
  state.counters["p99_pct_of_period"] = 100.0 * BENCH_dPercentile(samples, 0.99);
}
BENCHMARK(BM_UpdateAtFullLoad)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(3000);

std::vector<char> Slurp(const std::string& path) {
  std::vector<char> bytes;
  FILE* f = fopen(path.c_str(), "rb");
  if (f == nullptr) return bytes;
  char chunk[65536];
  for (size_t n; (n = fread(chunk, 1, sizeof chunk, f)) > 0;) bytes.insert(bytes.end(), chunk, chunk + n);
  fclose(f);
  return bytes;
}

void BM_ReplayTwoFullJournals(benchmark::State& state) {
  POINT boat = Unit();
  // Two files of the journal filled by the update itself.
  for (U32 i = 0; i < 2 * TRACK_DELTA_ENTRIES - 10; i++) {
    boat.x += 25 + (S32)(i % 7);
    Fix(boat);
    T_NAV_vHandleUpdateTimer();
  }
  const std::string dir = std::string(getenv("VELMORA_DEVROOT")) + NAV_DIR_CURRENT_TRACK;
  size_t bytes = 0;
  const double ratio = BENCH_dCompare(
      state,
      [] {
        GENERIC_MESSAGE* p = (GENERIC_MESSAGE*)H_MEMORY_pvCalloc(1, sizeof(GENERIC_MESSAGE));
        p->Cmd = CMD_ID_RUN_SYSTEM;
        NAV_vHandleMessage(p);
      },
      [&] { bytes = Slurp(dir + "/track.1").size() + Slurp(dir + "/track.2").size(); });
  state.counters["journal_bytes"] = (double)bytes;
  state.counters["replayed_points"] = g_NAV.CurrentTrack.sHeader.u16Count;
  state.counters["x_read"] = ratio;
}
BENCHMARK(BM_ReplayTwoFullJournals)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(30);

}  // namespace
