// The overlays' costs over a full store (3,000 waypoints, 50 routes with
// start and end entries: 3,100 points). The point list built under mutex 9
// in each sort order, set against std::sort of the same keys in the same run
// (ratio); and one frame of each screen, as a share of the 100 ms redraw
// budget (budget_share).

#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "bench_timing.h"
#include "g_buffers.h"
#include "g_truetype.h"
#include "h_database.h"
#include "h_memory.h"
#include "linuxsvc.h"
#include "t_nav_edit_int.h"

namespace {

void Drain(void) {
  for (MBOX mbox : {M_VIEW, M_KEYB}) {
    while (void* p = L_MBOX_Receive(mbox)) H_MEMORY_vDumpMail(p);
  }
}

void Store(void) {
  static bool s_bDone = false;
  if (s_bDone) return;
  s_bDone = true;
  char dir[] = "/tmp/velmora-bench-overlay-XXXXXX";
  if (mkdtemp(dir) != nullptr) setenv("VELMORA_DEVROOT", dir, 1);
  G_TRUETYPE_bInit();
  H_DATABASE_vInit();
  H_DATABASE_bUpdateValueU32(FCID("CCST"), 3, P_HIGHEST);
  H_DATABASE_bUpdateEverythingU32(FCID("TVUE"), M_VIEW, P_NORMAL, D_MAILBOX, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingU32(FCID("TKBD"), M_KEYB, P_NORMAL, D_MAILBOX, nullptr, DB_NEVER_STALE);
  T_NAV_vInitTracksWaypointsRoutes();
  srand(7);
  for (U32 i = 0; i < NAV_MAX_WAYPOINTS; i++) {
    WAYPOINT* p = T_NAV_pGetWaypoint(i);
    *p = {};
    p->u8Status = WPT_STATUS_SAVED;
    p->u32DateTime = 1500000000u + (U32)rand() % 100000000u;
    p->pt = {rand() % 2000000 - 1000000, rand() % 2000000 + 4000000};
    snprintf(p->sName, sizeof p->sName, "W%06d", rand() % 1000000);
  }
  for (U32 r = 0; r < NAV_MAX_ROUTES; r++) {
    ROUTE* p = T_NAV_pGetRoute(r);
    *p = {};
    p->nCount = 2;
    p->u32DateTime = 1500000000u + r;
    snprintf(p->sName, sizeof p->sName, "ROUTE %02u", (unsigned)(r * 37 % 50));
    p->anWaypoint[0] = (U16)r;
    p->anWaypoint[1] = (U16)(r + 1);
  }
}

void BM_PointList(benchmark::State& state) {
  Store();
  const NAV_WPT_SORT_ORDER order = (NAV_WPT_SORT_ORDER)state.range(0);
  std::vector<ST_POINT_TYPE_INDEX> list(NAV_EDIT_POINT_LIST_SIZE);
  U32 count = 0;
  // The peer sorts the same keys: names, times or squared distances.
  std::vector<std::string> names;
  std::vector<double> numbers;
  for (U32 i = 0; i < NAV_MAX_WAYPOINTS; i++) {
    const WAYPOINT* w = T_NAV_pGetWaypoint(i);
    names.emplace_back(w->sName, strnlen(w->sName, sizeof w->sName));
    numbers.push_back(order == NAV_WPT_SORT_BY_TIME ? (double)w->u32DateTime
                                                   : (double)w->pt.x * w->pt.x + (double)w->pt.y * w->pt.y);
  }
  for (U32 r = 0; r < 2 * NAV_MAX_ROUTES; r++) {
    names.push_back(T_NAV_pGetRoute(r / 2)->sName);
    numbers.push_back((double)r);
  }
  double worst = 0;
  BENCH_PAIR pair;
  for (auto _ : state) {
    std::vector<std::string> nameKeys = names;
    std::vector<double> numberKeys = numbers;
    const double ours = BENCH_dTimePair(
        state, &pair,
        [&] {
          L_MUTEX_LockWait(RES_NAV_DATA);
          T_NAV_vGetSortedPointsList(order, &count, list.data(), TRUE, TRUE, FALSE, TRUE);
          L_MUTEX_Unlock(RES_NAV_DATA);
        },
        [&] {
          if (order == NAV_WPT_SORT_BY_NAME) {
            std::sort(nameKeys.begin(), nameKeys.end());
          } else {
            std::sort(numberKeys.begin(), numberKeys.end());
          }
        });
    worst = std::max(worst, ours);
  }
  state.counters["entries"] = count;
  state.counters["ratio"] = BENCH_dRatio(pair);
  state.counters["worst_ms"] = worst * 1000.0;
}
BENCHMARK(BM_PointList)->Arg(0)->Arg(1)->Arg(2)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_Render(benchmark::State& state) {
  Store();
  switch (state.range(0)) {
    case 0:
      T_NAV_EDIT_bSelectWaypointSetup(nullptr, nullptr, nullptr, TRUE);
      s_WptSel.nPosition = s_WptSel.nTop = 3;
      break;
    case 1:
      T_NAV_EDIT_bSelectTWRPointSetup(nullptr, nullptr, nullptr, TRUE, FALSE, FALSE);
      break;
    case 2:
      T_NAV_EDIT_vCurrentTrackAppearanceSetup();
      break;
    default:
      T_NAV_EDIT_vTrackDefaultsSetup();
      break;
  }
  Drain();
  BITMAP* pBitmap = G_BUFFERS_pCreateFullScreenBitmap();
  WINDOW_SPECIFICATION windowSpec = {};
  double total = 0;
  for (auto _ : state) {
    const double s = BENCH_dTime([&] { T_NAV_EDIT_vRender(pBitmap, &windowSpec); });
    state.SetIterationTime(s);
    total += s;
  }
  G_BUFFERS_vFreeBitmap(pBitmap);
  T_NAV_EDIT_vResetState();
  Drain();
  state.counters["budget_share"] = state.iterations() > 0 ? total / (double)state.iterations() / 0.100 : 0;
}
BENCHMARK(BM_Render)->DenseRange(0, 3)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
