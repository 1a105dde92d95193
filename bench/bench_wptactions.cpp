// The manager's operations on a full store against the store's own bulk
// work in the same run: every waypoint selected one by one and deleted with
// the collection, against the store deleting everything (the counter
// "ratio" is ours over the peer); and sharing a selection of 1,000 locked
// waypoints, run under the navigation data lock as the keys run it, while
// another thread takes that lock every millisecond as drawing would:
// "max_wait_ms" is its longest wait (goal: at most 100), "forced_under_lock"
// the record files forced to the medium while the sharing thread held the
// lock (goal: none).

#include <benchmark/benchmark.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <atomic>
#include <thread>
#include <vector>

#include "bench_timing.h"
#include "h_database.h"
#include "linux_fs.h"
#include "linuxsvc.h"
#include "t_nav_group_data.h"
#include "t_nav_group_sel.h"
#include "t_nav_twr.h"
#include "test_process.h"
#include "t_nav.h"
#include "t_nav_group.h"

namespace {

void SetUp(void) {
  static const bool s_bUp = [] {
    setenv("VELMORA_DEVROOT", TEST_MakeTempDir("velmora-bench-wptactions").c_str(), 1);
    H_DATABASE_vInit();
    T_NAV_vRegisterHooks();
    T_NAV_GROUP_vRegisterHooks();
    H_DATABASE_bUpdateEverythingU32(FCID("CCST"), 3, P_HIGHEST, D_UNKNOWN, nullptr, DB_NEVER_STALE);
    T_NAV_vInitTracksWaypointsRoutes();
    return true;
  }();
  (void)s_bUp;
}

// n waypoints of one side linked into the root; their ids.
std::vector<U16> Fill(U32 n, BOOLEAN bNotShared) {
  std::vector<U16> ids;
  const U16 root = T_NAV_GROUP_DATA_nGetRootGroup();
  for (U32 i = 0; i < n; i++) {
    WAYPOINT w = {};
    w.u8Status = WPT_STATUS_SAVED;
    w.bWpNotShared = bNotShared;
    w.u32DateTime = 0x5F5E1000 + i;
    w.pt = {(S32)(i * 977), (S32)(i * 331)};
    snprintf(w.sName, sizeof w.sName, "B%u", (unsigned)i);
    const U16 id = T_NAV_nAddWaypoint(&w, TRUE);
    if (id == 0xFFFF) break;
    T_NAV_GROUP_DATA_bAddLink(root, id);
    ids.push_back(id);
  }
  return ids;
}

void Select(const std::vector<U16>& ids) {
  g_WPM.u16CurrentGroupID = T_NAV_GROUP_DATA_nGetRootGroup();
  g_WPM.u16ParentGroupID = 0xFFFF;
  g_WPMSel.u16SelectedCount = 0;
  for (U16 id : ids) {
    g_WPM.au16ShowItemIDs[0] = id;
    g_WPM.u16ShowItemsCount = 1;
    g_WPM.u16HighlightIndex = 0;
    T_NAV_GROUP_vSelectItem(0);
  }
}

void BM_SelectAllAndDelete(benchmark::State& state) {
  SetUp();
  BENCH_PAIR pair;
  for (auto _ : state) {
    const std::vector<U16> ids = Fill(3000, FALSE);
    const double ours = BENCH_dTime([&] {
      Select(ids);
      T_NAV_GROUP_vDeleteSelectedItemsEx();
    });
    Fill(3000, FALSE);
    const double peer = BENCH_dTime([] { T_NAV_vDeleteAllTracksWaypointsRoutes(FALSE); });
    pair.dOurs += ours;
    pair.dPeer += peer;
    state.SetIterationTime(ours);
  }
  state.counters["ratio"] = BENCH_dRatio(pair);
}

std::atomic<U32> s_u32ForcedUnderLock{0};
void CountForcesUnderLock(const FS_TRACE_RECORD* p) {
  if (p->u32Call != FS_CALL_SYNC) return;
  const ERC rc = L_MUTEX_Lock(RES_NAV_DATA);
  if (rc == 0 || rc == -lsMUTEX_NESTED) L_MUTEX_Unlock(RES_NAV_DATA);
  if (rc == -lsMUTEX_NESTED) s_u32ForcedUnderLock++;
}

void BM_ShareSelection(benchmark::State& state) {
  SetUp();
  double maxWait = 0;
  s_u32ForcedUnderLock = 0;
  for (auto _ : state) {
    const std::vector<U16> ids = Fill((U32)state.range(0), TRUE);
    Select(ids);
    std::atomic<bool> bRunning{true};
    std::thread drawing([&] {
      while (bRunning) {
        const double wait = BENCH_dTime([] { L_MUTEX_LockWait(RES_NAV_DATA); });
        L_MUTEX_Unlock(RES_NAV_DATA);
        maxWait = wait > maxWait ? wait : maxWait;
        L_CLOCK_Sleep(1);
      }
    });
    FS_vSetTrace(CountForcesUnderLock);
    const double t = BENCH_dTime([] {
      L_MUTEX_LockWait(RES_NAV_DATA);
      T_NAV_GROUP_vShareSelectedItems(0);
      L_MUTEX_Unlock(RES_NAV_DATA);
    });
    FS_vSetTrace(nullptr);
    bRunning = false;
    drawing.join();
    state.SetIterationTime(t);
    T_NAV_vDeleteAllTracksWaypointsRoutes(FALSE);
  }
  state.counters["max_wait_ms"] = maxWait * 1000.0;
  state.counters["forced_under_lock"] = (double)s_u32ForcedUnderLock.load();
}

}  // namespace

BENCHMARK(BM_SelectAllAndDelete)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ShareSelection)->Arg(1000)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
