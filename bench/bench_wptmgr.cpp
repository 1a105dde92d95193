// The waypoint manager against plain work of the same size in the same run:
// the sort of a 3,100-entry list in each of the six orders (its keys built
// from the store, distances from a boat included) against std::sort of the
// same names, and a render of the main frame against a copy of one frame.
// The counter "ratio" is ours over the peer.

#include <benchmark/benchmark.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "bench_timing.h"
#include "g_bmp.h"
#include "g_buffers.h"
#include "g_truetype.h"
#include "h_database.h"
#include "t_nav_group_data.h"
#include "t_nav_group_priv.h"
#include "t_nav_twr.h"
#include "test_process.h"
#include "t_nav.h"
#include "t_nav_group.h"

namespace {

constexpr U32 kEntries = 3100;
std::vector<U16> s_list;
std::vector<std::string> s_names;

bool SetUp(void) {
  static const bool s_bUp = [] {
    setenv("VELMORA_DEVROOT", TEST_MakeTempDir("velmora-bench-wptmgr").c_str(), 1);
    H_DATABASE_vInit();
    T_NAV_vRegisterHooks();
    T_NAV_GROUP_vRegisterHooks();
    H_DATABASE_bUpdateEverythingU32(FCID("CCST"), 3, P_HIGHEST, D_UNKNOWN, nullptr, DB_NEVER_STALE);
    H_DATABASE_bUpdateEverythingS32(FCID("ILAT"), 5000000, P_NORMAL, D_POSITION_LAT_MM, nullptr, DB_NEVER_STALE);
    H_DATABASE_bUpdateEverythingS32(FCID("ILON"), -9000000, P_NORMAL, D_POSITION_LON_MM, nullptr, DB_NEVER_STALE);
    H_DATABASE_bUpdateEverythingS32(FCID("INCN"), 12, P_NORMAL, D_SIGNED32, nullptr, DB_NEVER_STALE);
    T_NAV_vInitTracksWaypointsRoutes();
    // Slots 2-2998 in the table itself: the store's files are not what is
    // measured. Routes and tracks fill the list to 3,100.
    for (U32 i = 0; i < 2997; i++) {
      WAYPOINT* w = T_NAV_pGetWaypoint(2 + i);
      memset(w, 0, sizeof *w);
      w->u8Status = WPT_STATUS_SAVED;
      w->u8Icon = (U8)(i % 83);
      w->u32DateTime = 1000 + (i * 7919) % 5000;
      w->pt = {(S32)(i * 977 % 2000000) - 9000000, (S32)(i * 331 % 1000000) + 5000000};
      snprintf(w->sName, sizeof w->sName, (i & 1) ? "b%u" : "B%u", (i * 7919) % 3000);
      s_list.push_back((U16)(2 + i));
    }
    for (U32 r = 0; r < 50; r++) s_list.push_back((U16)(0x8800 | r));
    while (s_list.size() < kEntries) {
      s_list.push_back((U16)(0x8000 | T_NAV_GROUP_DATA_u16Getu7UnitID() | (s_list.size() % 50)));
    }
    for (U16 id : s_list) {
      char name[32];
      WPM_bItemName(id, name, sizeof name);
      s_names.push_back(name);
    }
    return G_TRUETYPE_bInit();
  }();
  return s_bUp;
}

void BM_Sort(benchmark::State& state) {
  if (!SetUp()) {
    state.SkipWithError("no fonts");
    return;
  }
  const SORTBY_ORDER order = (SORTBY_ORDER)state.range(0);
  std::vector<std::string> names;
  const double ratio = BENCH_dCompare(
      state,
      [&] {
        g_WPM.u16ListCount = kEntries;
        std::copy(s_list.begin(), s_list.end(), g_WPM.au16ListIDs);
        T_NAV_GROUP_vSortByOrder(order);
      },
      [&] {
        names = s_names;
        std::sort(names.begin(), names.end());
      });
  state.counters["ratio"] = ratio;
}

void BM_RenderFrame(benchmark::State& state) {
  if (!SetUp()) {
    state.SkipWithError("no fonts");
    return;
  }
  BITMAP* pBitmap = G_BUFFERS_pCreateFullScreenBitmap();
  std::vector<COLOR> copy(G_SCREEN_WIDTH * G_SCREEN_HEIGHT);
  WINDOW_SPECIFICATION windowSpec = {};
  windowSpec.drawWindowType = SPLIT_FULL_WINDOW;
  windowSpec.drawWindow = {0, (S32)G_SCREEN_HEIGHT - 1, (S32)G_SCREEN_WIDTH - 1, 0};
  T_NAV_GROUP_vSetup();
  const double ratio = BENCH_dCompare(
      state, [&] { T_NAV_GROUP_vRender(pBitmap, &windowSpec); },
      [&] { memcpy(copy.data(), pBitmap->pBuffer, copy.size() * sizeof copy[0]); });
  state.counters["ratio"] = ratio;
  T_NAV_GROUP_vShutdown();
  G_BUFFERS_vFreeBitmap(pBitmap);
}

}  // namespace

BENCHMARK(BM_Sort)->DenseRange(SORTBY_ATOZ, SORTBY_ICON)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RenderFrame)->UseManualTime()->Unit(benchmark::kMicrosecond);
