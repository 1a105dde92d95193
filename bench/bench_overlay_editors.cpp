// One frame of each editor screen and route or track list, timed next to a
// memcpy of one full 800 x 480 frame in the same loop (x_memcpy: our time
// over the copy's). Goal: a frame under 2 ms (mean_ms).

#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <string.h>

#include <memory>
#include <vector>

#include "bench_timing.h"
#include "g_buffers.h"
#include "g_truetype.h"
#include "h_database.h"
#include "h_memory.h"
#include "linuxsvc.h"
#include "t_nav_edit_lists.h"
#include "t_nav_edit_rte.h"
#include "t_nav_edit_wpt.h"

namespace {

void Drain(void) {
  for (MBOX mbox : {M_VIEW, M_KEYB}) {
    while (void* p = L_MBOX_Receive(mbox)) H_MEMORY_vDumpMail(p);
  }
}

// 100 waypoints, ten routes of 50 points and ten saved tracks.
void Store(void) {
  static bool s_bDone = false;
  if (s_bDone) return;
  s_bDone = true;
  char dir[] = "/tmp/velmora-bench-editors-XXXXXX";
  if (mkdtemp(dir) != nullptr) setenv("VELMORA_DEVROOT", dir, 1);
  G_TRUETYPE_bInit();
  H_DATABASE_vInit();
  H_DATABASE_bUpdateValueU32(FCID("CCST"), 3, P_HIGHEST);
  H_DATABASE_bUpdateEverythingU32(FCID("TVUE"), M_VIEW, P_NORMAL, D_MAILBOX, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingU32(FCID("TKBD"), M_KEYB, P_NORMAL, D_MAILBOX, nullptr, DB_NEVER_STALE);
  T_NAV_vInitTracksWaypointsRoutes();
  for (U32 i = 0; i < 100; i++) {
    WAYPOINT* p = T_NAV_pGetWaypoint(i);
    *p = {};
    p->u8Status = WPT_STATUS_SAVED;
    p->u32DateTime = 1500000000u + i;
    p->pt = {(S32)i * 1000, 5000000 + (S32)(i % 7) * 900};
    snprintf(p->sName, sizeof p->sName, "W%04u", (unsigned)i);
  }
  for (U32 r = 0; r < 10; r++) {
    ROUTE* p = T_NAV_pGetRoute(r);
    *p = {};
    p->nCount = NAV_MAX_ROUTE_POINTS;
    p->u32DateTime = 1500000000u + r;
    snprintf(p->sName, sizeof p->sName, "ROUTE %02u", (unsigned)r);
    for (U32 i = 0; i < NAV_MAX_ROUTE_POINTS; i++) p->anWaypoint[i] = (U16)((r + i) % 100);
  }
  auto track = std::make_unique<TRACK>();
  for (U32 t = 0; t < 10; t++) {
    U_NAV_vClearTrack(&track->sHeader);
    for (S32 i = 0; i < 20; i++) U_NAV_vAddTrackPoint(track.get(), {i * 50, i * 20}, 0, FALSE);
    char name[TRACK_NAME_SIZE] = {};
    snprintf(name, sizeof name, "TRACK %02u", (unsigned)t);
    T_NAV_nAddTrack(track.get(), 1500000000u, name, FALSE);
  }
}

void Open(int64_t screen) {
  switch (screen) {
    case 0:
      T_NAV_EDIT_bEditWaypointSetup(3, nullptr, nullptr, nullptr);
      s_WptEdit.eState = WPT_EDIT_NAME_VALUE;
      break;
    case 1:
      T_NAV_EDIT_bEditRouteSetup(2, nullptr, nullptr, nullptr);
      s_RteEdit.eState = RTE_EDIT_MENU_DOWN;
      s_RteEdit.nRtePosition = 5;
      break;
    case 2:
      T_NAV_EDIT_vRouteInfoSetup(2, nullptr);
      break;
    case 3:
      T_NAV_EDIT_bSelectRouteSetup(TRUE, nullptr, nullptr, nullptr);
      s_RteSel.nPosition = 2;
      break;
    case 4:
      T_NAV_EDIT_bSelectTrackSetup(nullptr, nullptr, nullptr);
      s_TrkSel.nPosition = 1;
      break;
    default:
      T_NAV_EDIT_bEditTrackSetup(4, nullptr, nullptr, nullptr);
      s_TrkEdit.eState = TRK_EDIT_NAME_VALUE;
      break;
  }
}

void BM_EditorFrame(benchmark::State& state) {
  Store();
  Open(state.range(0));
  Drain();
  BITMAP* pBitmap = G_BUFFERS_pCreateFullScreenBitmap();
  const size_t bytes = (size_t)G_SCREEN_WIDTH * G_SCREEN_HEIGHT * sizeof(COLOR);
  std::vector<unsigned char> copy(bytes);
  WINDOW_SPECIFICATION windowSpec = {};
  BENCH_PAIR pair;
  for (auto _ : state) {
    BENCH_dTimePair(
        state, &pair, [&] { T_NAV_EDIT_vRender(pBitmap, &windowSpec); },
        [&] { memcpy(copy.data(), pBitmap->pBuffer, bytes); });
  }
  G_BUFFERS_vFreeBitmap(pBitmap);
  T_NAV_EDIT_vResetState();
  Drain();
  state.counters["x_memcpy"] = BENCH_dRatio(pair);
  state.counters["mean_ms"] = pair.u64Calls > 0 ? pair.dOurs / (double)pair.u64Calls * 1000.0 : 0;
}
// 0 waypoint editor, 1 route editor, 2 route info, 3 route picker, 4 track
// picker, 5 track editor.
BENCHMARK(BM_EditorFrame)->DenseRange(0, 5)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
