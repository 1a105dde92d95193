// Saving from the navigation views against the plain file work under it:
// a mark (the waypoint written through, its declutter slot, its hash and its
// link into the default group) and a saved track (written and linked), each
// timed next to a write, fsync and rename of the same bytes in the same
// loop (goal for the mark: at most 2 times as long), the mark also next to
// two such writes, one for each of its files; and the delete-all of a full table
// of waypoints (3,000 slots) next to removing as many files of the same size.

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "bench_timing.h"
#include "h_database.h"
#include "linux_fs.h"
#include "linuxsvc.h"
#include "navmath.h"
#include "t_nav_group_data.h"
#include "t_nav_int.h"
#include "t_nav_nvram_flash.h"
#include "t_nav_twr.h"
#include "t_nav_views.h"
#include "u_convert.h"
#include "u_nav.h"
#include "t_nav.h"

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
  T_NAV_vRegisterHooks();
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
void RawSave(const std::vector<char>& bytes, const char* pcName = "raw") {
  const std::string tmp = g_root + "/" + pcName + ".tmp", dst = g_root + "/" + pcName + ".rec";
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

U32 s_u32MarkSyncs;
void CountMarkSyncs(const FS_TRACE_RECORD* p) { s_u32MarkSyncs += p->u32Call == FS_CALL_SYNC; }

// What the mark's files cost: the same mark next to two raw writes, one for
// the waypoint's record and one for its group's; "forces" counts the mark's
// files forced to the medium.
void BM_MarkAgainstTwoRawWrites(benchmark::State& state) {
  POINT boat = Unit();
  const std::vector<char> bytes(sizeof(FILE_HEADER) + sizeof(WAYPOINT), 'w');
  BENCH_PAIR pair;
  s_u32MarkSyncs = 0;
  for (auto _ : state) {
    boat.x += 500;
    Fix(boat);
    BENCH_dTimePair(
        state, &pair,
        [] {
          FS_vSetTrace(CountMarkSyncs);
          T_NAV_vHandleMark();
          FS_vSetTrace(nullptr);
        },
        [&] {
          RawSave(bytes, "raw");
          RawSave(bytes, "raw2");
        });
  }
  state.counters["forces"] = (double)s_u32MarkSyncs / (double)state.iterations();
  state.counters["x_two_raw"] = BENCH_dRatio(pair);
}
BENCHMARK(BM_MarkAgainstTwoRawWrites)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(400);

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

U32 s_u32Syncs;
void CountSyncs(const FS_TRACE_RECORD* p) { s_u32Syncs += p->u32Call == FS_CALL_SYNC; }

// A full waypoint table. Links are left out: the bodies holding them share
// the table, and delete-all takes every slot whatever links to it.
void FillWaypoints(POINT boat) {
  for (S32 i = 0; i < 3000; i++) {
    WAYPOINT w = {};
    w.u8Status = WPT_STATUS_SAVED;
    w.u32DateTime = 1213461000u;
    w.pt = {boat.x + 40 * (i % 60), boat.y + 40 * (i / 60)};
    snprintf(w.sName, sizeof w.sName, "W%04d", (int)i);
    if (T_NAV_nAddWaypoint(&w, FALSE) == NAV_NONE) break;
  }
}

// The peer: as many files of one record each, made beforehand and then
// removed, the directory synced once at the end.
std::vector<std::string> RawFiles(U32 count, size_t size) {
  const std::string dir = g_root + "/rawdel";
  mkdir(dir.c_str(), 0755);
  const std::vector<char> bytes(size, 'w');
  std::vector<std::string> paths;
  for (U32 i = 0; i < count; i++) {
    paths.push_back(dir + "/w" + std::to_string(i));
    const int fd = open(paths.back().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) continue;
    if (write(fd, bytes.data(), bytes.size()) != (ssize_t)bytes.size()) perror("write");
    close(fd);
  }
  return paths;
}

void RawRemove(const std::vector<std::string>& paths) {
  for (const std::string& path : paths) unlink(path.c_str());
  const int fd = open((g_root + "/rawdel").c_str(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

// The store's part of "Delete All" (the busy notice's one-second show left
// out): every waypoint, route and track goes.
void BM_DeleteAllAgainstRemovingTheFiles(benchmark::State& state) {
  const POINT boat = Unit();
  Fix(boat);
  BENCH_PAIR pair;
  U32 syncs = 0, waypoints = 0;
  for (auto _ : state) {
    FillWaypoints(boat);
    waypoints = (U32)T_NAV_TWR_nGetWaypointCount();
    const std::vector<std::string> paths = RawFiles(waypoints, sizeof(FILE_HEADER) + sizeof(WAYPOINT));
    BENCH_dTimePair(
        state, &pair,
        [&] {
          s_u32Syncs = 0;
          FS_vSetTrace(CountSyncs);
          L_MUTEX_LockWait(RES_NAV_DATA);
          T_NAV_vDeleteAllTracksWaypointsRoutes(FALSE);
          L_MUTEX_Unlock(RES_NAV_DATA);
          FS_vSetTrace(nullptr);
          syncs = s_u32Syncs;
        },
        [&] { RawRemove(paths); });
  }
  // The group slots of a fresh store keep a few of the 3,000 entries.
  if (waypoints < 2950 || T_NAV_TWR_nGetWaypointCount() != 0) state.SkipWithError("the full table was not deleted");
  state.counters["x_raw"] = BENCH_dRatio(pair);
  state.counters["syncs"] = syncs;
  state.counters["waypoints"] = waypoints;
}
BENCHMARK(BM_DeleteAllAgainstRemovingTheFiles)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
