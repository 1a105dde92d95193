// The plan chart's frame, drawn in full and with its background reused, for
// a typical store (a 2,000-point current track, 100 waypoints, 2 routes, 20
// AIS targets) and a full one (50 visible full tracks, a full current
// track, 3,000 waypoints, 50 routes, 150 targets), each as a ratio to a
// memcpy of one 800 x 480 frame in the same loop, with the track-file bytes
// read per frame. Goals for the typical store: reuse at most 3x, full redraw
// at most 10x.

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
#include "t_nav.h"
#include "t_nav_int.h"
#include "t_nav_nvram_flash.h"
#include "t_nav_twr.h"
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
    snprintf(w.sName, sizeof w.sName, "WP%u", (unsigned)i);
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
  for (U32 i = 0; i < targets; i++) T_NMEA_bAisDecodeVDM(BENCH_AisReport(1000 + 2 * i, (int)i).c_str(), 0);
  return boat;
}

void BM_ChartFrame(benchmark::State& state) {
  const bool bFull = state.range(0) != 0, bReuse = state.range(1) != 0;
  Store(bFull);
  BITMAP* pPage = G_BUFFERS_pCreateFullScreenBitmap();
  std::vector<U8> copy(kFrameBytes);
  WINDOW_SPECIFICATION windowSpec{};
  windowSpec.currentLayer = CHART_VIEW_PRIORITY;
  windowSpec.drawWindowType = SPLIT_FULL_WINDOW;
  windowSpec.drawWindow = {0, 479, 799, 0};
  T_CHART_vDrawChartView(pPage, &windowSpec);
  BENCH_PAIR pair;
  unsigned long long bytes = 0, frames = 0;
  // What reading the counter itself costs.
  const unsigned long long probe0 = ReadBytes(), probe = ReadBytes() - probe0;
  for (auto _ : state) {
    if (!bReuse) T_CHART_vReRenderAll();
    const unsigned long long before = ReadBytes();
    BENCH_dTimePair(
        state, &pair, [&] { T_CHART_vDrawChartView(pPage, &windowSpec); },
        [&] { memcpy(copy.data(), pPage->pBuffer, kFrameBytes); });
    const unsigned long long read = ReadBytes() - before;
    bytes += read > probe ? read - probe : 0;
    frames++;
  }
  G_BUFFERS_vFreeFullScreenBitmap(pPage);
  state.counters["x_memcpy"] = BENCH_dRatio(pair);
  state.counters["track_bytes_per_frame"] = frames ? (double)bytes / (double)frames : 0;
}
BENCHMARK(BM_ChartFrame)
    ->ArgNames({"full", "reuse"})
    ->Args({0, 1})
    ->Args({0, 0})
    ->Args({1, 1})
    ->Args({1, 0})
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(100);

}  // namespace

// The highway view on the same stores: a full frame (the view turned by a
// thousandth of a degree each time, so its background is drawn anew) and a
// frame that reuses its background, full screen or as the bird's-eye pane of
// the chart split beside the chart pane. Each is timed in the same loop as a
// memcpy of one frame (x_memcpy) and as the full-screen chart frame of the
// same store drawn the same way, its background reused or drawn anew
// (x_chart). Goals with the background reused: the typical store at most 3x
// the memcpy, the full store at most 10x the memcpy and 2x the chart.
#include "t_highway.h"

namespace {

void BM_HighwayFrame(benchmark::State& state) {
  const bool bFull = state.range(0) != 0, bReuse = state.range(1) != 0, bSplit = state.range(2) != 0;
  Store(bFull);
  H_DATABASE_bUpdateEverythingS32(FCID("SNBS"), 17, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  BITMAP* pPage = G_BUFFERS_pCreateFullScreenBitmap();
  std::vector<U8> copy(kFrameBytes);
  WINDOW_SPECIFICATION highway{}, chart{}, fullChart{};
  highway.currentLayer = (LAYER_ID)(bSplit ? 54 : 56);
  highway.drawWindowType = bSplit ? SPLIT_LEFT_WINDOW : SPLIT_FULL_WINDOW;
  highway.drawWindow = bSplit ? WINDOW_LOCATION{0, 479, 399, 0} : WINDOW_LOCATION{0, 479, 799, 0};
  chart.currentLayer = (LAYER_ID)54;
  chart.drawWindowType = SPLIT_RIGHT_WINDOW;
  chart.drawWindow = {400, 479, 799, 0};
  fullChart.currentLayer = CHART_VIEW_PRIORITY;
  fullChart.drawWindowType = SPLIT_FULL_WINDOW;
  fullChart.drawWindow = {0, 479, 799, 0};
  auto drawChart = [&](WINDOW_SPECIFICATION* pSpec) {
    if (!bReuse) T_CHART_vReRenderAll();
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
    if (!bReuse) {
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
BENCHMARK(BM_HighwayFrame)
    ->ArgNames({"full", "reuse", "split"})
    ->Args({0, 0, 0})
    ->Args({0, 1, 0})
    ->Args({1, 0, 0})
    ->Args({1, 1, 0})
    ->Args({0, 0, 1})
    ->Args({0, 1, 1})
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(100);

}  // namespace
