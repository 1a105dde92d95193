// The plan chart's and the highway's frames as a boater's unit draws them,
// for a typical store (a 2,000-point current track, 100 waypoints, 2 routes,
// 20 AIS targets) and a full one (50 visible full tracks, a full current
// track, 3,000 waypoints, 50 routes, 150 targets): each as a ratio to a
// memcpy of one 800 x 480 frame in the same loop (x_memcpy). Before each
// timed frame, outside the timing, one of these happens:
//   unchanged   nothing: the frame shows what the last one showed
//   ship_moved  one AIS report: a ship on the screen moved and turned a little
//   boat_moved  one fix: the boat moved 4 m, the way it heads
//   redrawn     the background is drawn anew for the same view (a setting
//               changed); what a pan by whole pixels costs is boat_moved's
//               x_memcpy_redrawn
//   zoomed      the zoom steps in or out: every track is traced anew
// Goals with the background kept: the typical store at most 3x, the full
// store at most 10x; a full store drawn anew at most 40x.

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "bench_ais_report.h"
#include "bench_timing.h"
#include "g_buffers.h"
#include "g_truetype.h"
#include "h_database.h"
#include "navmath.h"
#include "t_chart.h"
#include "t_highway.h"
#include "t_nav.h"
#include "t_nav_int.h"
#include "t_nav_nvram_flash.h"
#include "t_nav_twr.h"
#include "t_nmea_ais.h"
#include "t_nmea_internal.h"
#include "u_convert.h"
#include "u_nav.h"

namespace {

constexpr size_t kFrameBytes = 800 * 480 * 2;

// Bytes this process has read through system calls so far.
unsigned long long ReadBytes(void) {
  FILE* f = fopen("/proc/self/io", "r");
  if (f == nullptr) return 0;
  char line[128];
  unsigned long long v = 0;
  while (fgets(line, sizeof line, f) != nullptr) {
    if (sscanf(line, "rchar: %llu", &v) == 1) break;
  }
  fclose(f);
  return v;
}

// Report k of target i: the targets lie across the screen round the boat
// at 52.2 N 4.2 E (zoom 17 shows some 0.37 degrees of longitude by 0.14 of
// latitude); each new report moves the ship 22 m north and turns it 4
// degrees, and the next one back.
std::string Ship(U32 i, int k) {
  const double dLat = 52.2 + ((int)(i % 13) - 6) * 0.009 + (k % 2) * 0.0002;
  const double dLon = 4.2 + ((int)(i % 23) - 11) * 0.014;
  return BENCH_AisReportAt(1000 + 2 * i, dLat, dLon, ((int)i * 97 + (k % 2) * 40) % 3600, 50 + (int)i % 200);
}

POINT Store(bool bFull) {
  static char s_acRoot[] = "/tmp/velmora-bench-chart-XXXXXX";
  static bool s_bMade = false;
  if (!s_bMade && mkdtemp(s_acRoot) != nullptr) s_bMade = true;
  setenv("VELMORA_DEVROOT", s_acRoot, 1);
  H_DATABASE_vInit();
  T_NAV_vRegisterHooks();
  U_CONVERT_vInitialiseConversionUtility();
  G_TRUETYPE_bInit();
  H_DATABASE_bUpdateValueU32(FCID("CCST"), NAV_STATE_NORMAL_RUN, P_HIGHEST);
  T_NAV_NVRAM_vEraseCurrentTrack();
  // The task starts once a row and repetition here, not once a process, and
  // each start takes these two timers anew: given back, the pool of 75 lasts.
  for (TIMER_INFO* pTimer : {g_NAV.pAutoZoom, g_NAV.pUpdateHideStatusTimer}) {
    if (pTimer != nullptr) L_TIMER_Release(pTimer);
  }
  NAV_vStartUp();
  T_NAV_vDeleteAllTracksWaypointsRoutes(TRUE);
  const POSITION own = {52.2, 4.2};
  POINT boat;
  nv_DegrToMeter(&own, &boat);
  H_DATABASE_bUpdateEverythingS32(FCID("ILAT"), boat.y, P_NORMAL, D_POSITION_LAT_MM, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingS32(FCID("ILON"), boat.x, P_NORMAL, D_POSITION_LON_MM, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingU32(FCID("IPFI"), 2, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingFloat(FCID("ISOG"), 4.0f, P_NORMAL, D_SPEED, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingFloat(FCID("IHDG"), 30.0f, P_NORMAL, D_HEADING, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingS32(FCID("SNCS"), 17, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingBoolean(FCID("SNUP"), TRUE, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateValueBoolean(FCID("SAIS"), TRUE, P_NORMAL);

  const U32 waypoints = bFull ? NAV_MAX_WAYPOINTS - 20 : 100;
  std::vector<U16> slots;
  for (U32 i = 0; i < waypoints; i++) {
    WAYPOINT w = {};
    w.u8Status = WPT_STATUS_SAVED;
    w.u32DateTime = 1;
    w.u8Icon = (U8)(i % 83);
    w.pt = {boat.x - 6000 + (S32)(i % 60) * 200, boat.y - 4000 + (S32)(i / 60) * 160};
    snprintf(w.sName, sizeof w.sName, "WP%u", (unsigned)(i % 100000));
    slots.push_back(T_NAV_nAddWaypoint(&w, TRUE));
  }
  const U32 routes = bFull ? NAV_MAX_ROUTES : 2;
  for (U32 r = 0; r < routes; r++) {
    ROUTE* pRoute = T_NAV_pGetRoute(r);
    memset(pRoute, 0, sizeof *pRoute);
    pRoute->u32DateTime = 1;
    pRoute->nCount = bFull ? NAV_MAX_ROUTE_POINTS : 10;
    for (U32 k = 0; k < pRoute->nCount; k++) pRoute->anWaypoint[k] = slots[(r * 37 + k * 11) % slots.size()];
  }
  TRACK* t = &g_NAV.CurrentTrack;
  const U32 points = bFull ? TRACK_MAX_COUNT : 2000;
  for (S32 i = 0; t->sHeader.u16Count < points; i++) {
    U_NAV_vAddTrackPoint(t, {boat.x - 20000 + 2 * i, boat.y + ((i / 500) % 2 ? 300 : -300)}, 0, FALSE);
  }
  if (bFull) {
    for (U32 k = 0; k < NAV_MAX_TRACKS; k++) {
      TRACK* pSaved = (TRACK*)calloc(1, sizeof(TRACK));
      for (S32 i = 0; pSaved->sHeader.u16Count < TRACK_MAX_COUNT; i++) {
        U_NAV_vAddTrackPoint(pSaved, {boat.x - 15000 + i, boat.y - 2500 + (S32)k * 100}, 0, FALSE);
      }
      char sName[20];
      snprintf(sName, sizeof sName, "T%u", (unsigned)k);
      const U16 index = T_NAV_nAddTrack(pSaved, 1, sName, TRUE);
      T_NAV_vSetTrackVisibility(index, TRUE);
      free(pSaved);
    }
  }
  T_NMEA_vAisInit();
  const U32 targets = bFull ? AIS_MAX_TARGETS : 20;
  for (U32 i = 0; i < targets; i++) T_NMEA_bAisDecodeVDM(Ship(i, 0).c_str(), T_NMEA_u32AisNow());
  return boat;
}

// What happens before a frame.
enum CHANGE { kUnchanged, kShipMoved, kBoatMoved, kRedrawn, kZoomed };

// Before frame n: one ship's report, or one fix of the boat (4 m at the
// heading of 30 degrees: 2 m east, 3.46 m north).
struct SCENE {
  POINT boat;
  U32 u32Targets;
  int n = 0;
  void Before(CHANGE e) {
    n++;
    if (e == kShipMoved) {
      const U32 i = (U32)n % u32Targets;
      T_NMEA_bAisDecodeVDM(Ship(i, n / (int)u32Targets + 1).c_str(), T_NMEA_u32AisNow());
    } else if (e == kZoomed) {
      H_DATABASE_bUpdateEverythingS32(FCID("SNCS"), 17 + n % 2, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
    } else if (e == kBoatMoved) {
      const POINT p = {boat.x + 2 * n, boat.y + (S32)(3.4641 * n)};
      H_DATABASE_bUpdateEverythingS32(FCID("ILAT"), p.y, P_NORMAL, D_POSITION_LAT_MM, nullptr, DB_NEVER_STALE);
      H_DATABASE_bUpdateEverythingS32(FCID("ILON"), p.x, P_NORMAL, D_POSITION_LON_MM, nullptr, DB_NEVER_STALE);
    }
  }
};

WINDOW_SPECIFICATION Window(S32 nLayer, SPLIT_WINDOW_TYPE ePane, WINDOW_LOCATION w) {
  WINDOW_SPECIFICATION window{};
  window.currentLayer = (LAYER_ID)nLayer;
  window.drawWindowType = ePane;
  window.drawWindow = w;
  return window;
}

void BM_ChartFrame(benchmark::State& state, CHANGE eChange) {
  const bool bFull = state.range(0) != 0;
  SCENE scene = {Store(bFull), bFull ? AIS_MAX_TARGETS : 20};
  BITMAP* pPage = G_BUFFERS_pCreateFullScreenBitmap();
  std::vector<U8> copy(kFrameBytes);
  WINDOW_SPECIFICATION windowSpec = Window(CHART_VIEW_PRIORITY, SPLIT_FULL_WINDOW, {0, 479, 799, 0});
  T_CHART_vDrawChartView(pPage, &windowSpec);
  BENCH_PAIR pair, kept, redrawn;
  unsigned long long bytes = 0, frames = 0;
  // What reading the counter itself costs.
  const unsigned long long probe0 = ReadBytes(), probe = ReadBytes() - probe0;
  for (auto _ : state) {
    scene.Before(eChange);
    if (eChange == kRedrawn) T_CHART_vReRenderAll();
    const U32 u32Backgrounds = T_CHART_u32BackgroundsDrawn();
    const unsigned long long before = ReadBytes();
    const double dOurs = BENCH_dTimePair(
        state, &pair, [&] { T_CHART_vDrawChartView(pPage, &windowSpec); },
        [&] { memcpy(copy.data(), pPage->pBuffer, kFrameBytes); });
    const unsigned long long read = ReadBytes() - before;
    bytes += read > probe ? read - probe : 0;
    frames++;
    // Which kind of frame the boat's fix made.
    BENCH_PAIR* pKind = T_CHART_u32BackgroundsDrawn() != u32Backgrounds ? &redrawn : &kept;
    pKind->dOurs += dOurs;
    pKind->dPeer += pair.dPeer / (double)pair.u64Calls;
    pKind->u64Calls++;
  }
  G_BUFFERS_vFreeFullScreenBitmap(pPage);
  state.counters["x_memcpy"] = BENCH_dRatio(pair);
  if (eChange == kBoatMoved) {
    state.counters["x_memcpy_kept"] = BENCH_dRatio(kept);
    state.counters["x_memcpy_redrawn"] = BENCH_dRatio(redrawn);
    state.counters["redrawn_share"] = frames ? (double)redrawn.u64Calls / (double)frames : 0;
  }
  state.counters["track_bytes_per_frame"] = frames ? (double)bytes / (double)frames : 0;
}

void ChartRows(benchmark::internal::Benchmark* b) {
  b->ArgName("full")->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(100);
}
BENCHMARK_CAPTURE(BM_ChartFrame, unchanged, kUnchanged)->Apply(ChartRows);
BENCHMARK_CAPTURE(BM_ChartFrame, ship_moved, kShipMoved)->Apply(ChartRows);
BENCHMARK_CAPTURE(BM_ChartFrame, boat_moved, kBoatMoved)->Apply(ChartRows);
BENCHMARK_CAPTURE(BM_ChartFrame, redrawn, kRedrawn)->Apply(ChartRows);
BENCHMARK_CAPTURE(BM_ChartFrame, zoomed, kZoomed)->Apply(ChartRows);

// The highway view on the same stores, full screen or as the bird's-eye pane
// of the chart split beside the chart pane. A redrawn frame turns the view
// by a thousandth of a degree; the boat's fix moves the view with it, so
// that every such frame is drawn anew. Each frame is timed in the same loop
// as a memcpy of one frame (x_memcpy) and as the full-screen chart frame of
// the same store after the same change (x_chart).
void BM_HighwayFrame(benchmark::State& state, CHANGE eChange) {
  const bool bFull = state.range(0) != 0, bSplit = state.range(1) != 0;
  SCENE scene = {Store(bFull), bFull ? AIS_MAX_TARGETS : 20};
  H_DATABASE_bUpdateEverythingS32(FCID("SNBS"), 17, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  BITMAP* pPage = G_BUFFERS_pCreateFullScreenBitmap();
  std::vector<U8> copy(kFrameBytes);
  WINDOW_SPECIFICATION highway = bSplit ? Window(54, SPLIT_LEFT_WINDOW, {0, 479, 399, 0})
                                        : Window(T_CHART_HIGHWAY_VIEW_LAYER, SPLIT_FULL_WINDOW, {0, 479, 799, 0});
  WINDOW_SPECIFICATION chart = Window(54, SPLIT_RIGHT_WINDOW, {400, 479, 799, 0});
  WINDOW_SPECIFICATION fullChart = Window(CHART_VIEW_PRIORITY, SPLIT_FULL_WINDOW, {0, 479, 799, 0});
  auto drawChart = [&](WINDOW_SPECIFICATION* pSpec) {
    if (eChange == kRedrawn) T_CHART_vReRenderAll();
    T_CHART_vDrawChartView(pPage, pSpec);
  };
  auto ours = [&] {
    T_CHART_vDrawHighwayView(pPage, &highway);
    if (bSplit) drawChart(&chart);
  };
  // Every kept picture made before the loop.
  ours();
  drawChart(&fullChart);
  BENCH_PAIR vsCopy, vsChart;
  int turn = 0;
  for (auto _ : state) {
    scene.Before(eChange);
    if (eChange == kRedrawn) {
      H_DATABASE_bUpdateEverythingFloat(FCID("IHDC"), 30.0f + 0.001f * (float)(turn++ % 2), P_NORMAL, D_HEADING,
                                        nullptr, DB_NEVER_STALE);
    }
    vsChart.dOurs += BENCH_dTimePair(state, &vsCopy, ours, [&] { memcpy(copy.data(), pPage->pBuffer, kFrameBytes); });
    vsChart.dPeer += BENCH_dTime([&] { drawChart(&fullChart); });
  }
  G_BUFFERS_vFreeFullScreenBitmap(pPage);
  state.counters["x_memcpy"] = BENCH_dRatio(vsCopy);
  state.counters["x_chart"] = BENCH_dRatio(vsChart);
}

void HighwayRows(benchmark::internal::Benchmark* b) {
  b->ArgNames({"full", "split"})->Args({0, 0})->Args({1, 0})->Args({0, 1});
  b->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(100);
}
BENCHMARK_CAPTURE(BM_HighwayFrame, unchanged, kUnchanged)->Apply(HighwayRows);
BENCHMARK_CAPTURE(BM_HighwayFrame, ship_moved, kShipMoved)->Apply(HighwayRows);
BENCHMARK_CAPTURE(BM_HighwayFrame, boat_moved, kBoatMoved)->Apply(HighwayRows);
BENCHMARK_CAPTURE(BM_HighwayFrame, redrawn, kRedrawn)->Apply(HighwayRows);

}  // namespace
