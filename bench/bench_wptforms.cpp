// The waypoint manager's search and forms against plain work of the same
// size in the same run: a name search over a full store (2,700 waypoints in
// nested groups, up to 50 routes of 50 points) against strcasestr over a flat
// list of the same names, and the draw of an open form against a copy of
// one frame. The counter "ratio" is ours over the peer.

#include <benchmark/benchmark.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "bench_timing.h"
#include "g_buffers.h"
#include "g_truetype.h"
#include "h_database.h"
#include "t_nav_group_data.h"
#include "t_nav_group_edit.h"
#include "t_nav_group_priv.h"
#include "t_nav_twr.h"
#include "test_process.h"
#include "t_nav.h"
#include "t_nav_group.h"

namespace {

constexpr U32 kGroups = 10;
constexpr U32 kPerGroup = 270;
std::vector<std::string> s_names;
U32 s_u32Routes = 0;

bool SetUp(void) {
  static const bool s_bUp = []() -> bool {
    setenv("VELMORA_DEVROOT", TEST_MakeTempDir("velmora-bench-wptforms").c_str(), 1);
    H_DATABASE_vInit();
    T_NAV_vRegisterHooks();
    T_NAV_GROUP_vRegisterHooks();
    // Point of sale: the store's records need not reach the disk.
    H_DATABASE_bUpdateEverythingU32(FCID("CCST"), 6, P_HIGHEST, D_UNKNOWN, nullptr, DB_NEVER_STALE);
    H_DATABASE_bUpdateEverythingS32(FCID("ILAT"), 5000000, P_NORMAL, D_POSITION_LAT_MM, nullptr, DB_NEVER_STALE);
    H_DATABASE_bUpdateEverythingS32(FCID("ILON"), -9000000, P_NORMAL, D_POSITION_LON_MM, nullptr, DB_NEVER_STALE);
    for (FOURCHARID key : {FCID("SITF"), FCID("SIDF")}) {
      H_DATABASE_bUpdateEverythingU32(key, 0, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
    }
    T_NAV_vInitTracksWaypointsRoutes();
    // Each group inside the one before.
    U16 parent = T_NAV_GROUP_DATA_nGetRootGroup();
    std::vector<U16> points;
    for (U32 g = 0; g < kGroups; g++) {
      GROUP_HEADER h = {};
      h.u8Status = WPT_STATUS_GROUP_HEADER;
      h.u16ParentIndex = parent;
      h.u16FirstBodyIndex = NAV_NONE;
      h.u32DateTime = 0x5F5E1000;
      snprintf(h.sName, sizeof h.sName, "Group%u", g);
      const U16 group = T_NAV_GROUP_DATA_nNewGroup(&h);
      if (group == NAV_NONE || !T_NAV_GROUP_DATA_bAddLink(parent, group)) return false;
      s_names.push_back(h.sName);
      for (U32 i = 0; i < kPerGroup; i++) {
        WAYPOINT w = {};
        w.u8Status = WPT_STATUS_SAVED;
        w.u8Icon = (U8)(i % 83);
        w.u32DateTime = 0x5F5E1000 + i * 3600;
        w.pt = {(S32)(i * 977 % 2000000) - 9000000, (S32)(i * 331 % 1000000) + 5000000};
        snprintf(w.sName, sizeof w.sName, (i & 1) ? "b%u" : "Reef%u", (g * kPerGroup + i) * 7919 % 3000);
        const U16 id = T_NAV_nAddWaypoint(&w, TRUE);
        if (id == NAV_NONE || !T_NAV_GROUP_DATA_bAddLink(group, id)) return false;
        s_names.push_back(w.sName);
        if (points.size() < 50) points.push_back(id);
      }
      parent = group;
    }
    for (U32 r = 0; r < 50; r++) {
      ROUTE route = {};
      route.u32DateTime = 0x5F5E1000;
      snprintf(route.sName, sizeof route.sName, "Route%u", r);
      route.nCount = 50;
      for (U32 i = 0; i < 50; i++) route.anWaypoint[i] = points[(i + r) % points.size()];
      // As many as the store takes (it keeps route slots of its own).
      const U16 index = T_NAV_nAddRoute(&route);
      if (index == NAV_NONE) break;
      if (!T_NAV_GROUP_DATA_bAddLink(T_NAV_GROUP_DATA_nGetRootGroup(), (U16)(0x8800 | index))) return false;
      s_u32Routes++;
      s_names.push_back(route.sName);
      for (U32 i = 0; i < 50; i++) s_names.push_back(s_names[1 + (i + r) % points.size()]);
    }
    return G_TRUETYPE_bInit() != FALSE;
  }();
  return s_bUp;
}

void BM_SearchByName(benchmark::State& state) {
  if (!SetUp()) {
    state.SkipWithError("no store or no fonts");
    return;
  }
  const char* pattern = "b1";
  U32 found = 0, peer = 0;
  const double ratio = BENCH_dCompare(
      state,
      [&] {
        g_WPMSearch.eMode = SEARCHBY_NAME;
        snprintf(g_WPMSearch.sName, sizeof g_WPMSearch.sName, "%s", pattern);
        WPM_vRunSearch();
        found = g_WPM.u16ListCount;
      },
      [&] {
        peer = 0;
        for (const std::string& name : s_names) peer += strcasestr(name.c_str(), pattern) != nullptr;
        benchmark::DoNotOptimize(peer);
      });
  state.counters["ratio"] = ratio;
  state.counters["found"] = found;
  state.counters["peer_found"] = peer;
  state.counters["routes"] = s_u32Routes;
  g_WPM.eMode = MODE_BROWSE;
}

void BM_FormDraw(benchmark::State& state) {
  if (!SetUp()) {
    state.SkipWithError("no store or no fonts");
    return;
  }
  BITMAP* pBitmap = G_BUFFERS_pCreateFullScreenBitmap();
  std::vector<COLOR> copy(G_SCREEN_WIDTH * G_SCREEN_HEIGHT);
  T_NAV_GROUP_vSetup();
  T_NAV_GROUP_vNewWaypoint(0);
  POPUP_WINDOW* pForm = g_WPM.pPopupWindow;
  if (pForm == nullptr || pForm->pDrawFunc == nullptr) {
    state.SkipWithError("the form did not open");
  } else {
    const double ratio = BENCH_dCompare(
        state, [&] { pForm->pDrawFunc(pForm, pBitmap); },
        [&] { memcpy(copy.data(), pBitmap->pBuffer, copy.size() * sizeof copy[0]); });
    state.counters["ratio"] = ratio;
  }
  T_NAV_GROUP_vShutdown();
  G_BUFFERS_vFreeBitmap(pBitmap);
}

}  // namespace

BENCHMARK(BM_SearchByName)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FormDraw)->UseManualTime()->Unit(benchmark::kMicrosecond);
