// The navigation store against the plain file work under it, on the same
// file system in the same run: 3,000 waypoint adds against 3,000 raw 36-byte
// write-fsync-rename cycles, the start-up load of a full store (3,000
// waypoints, 50 routes, 50 saved tracks) against reading its 3,100 files,
// and the replay of two full journals against reading them. The counter
// "ratio" is ours over the raw work.

#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "bench_timing.h"
#include "h_database.h"
#include "t_nav_nvram_flash.h"
#include "t_nav_twr.h"
#include "test_tasks.h"

namespace {

std::string s_root;

std::string Dir(const char* name) { return s_root + "/usr/velmora/" + name; }

void FreshStore() {
  T_NAV_NVRAM_vErase();
  T_NAV_vInitTracksWaypointsRoutes();
}

WAYPOINT Waypoint(U32 i) {
  WAYPOINT w;
  memset(&w, 0, sizeof w);
  w.u8Status = WPT_STATUS_SAVED;
  w.bWpNotShared = i % 3 == 0;
  w.u8Icon = (U8)(i % 83);
  w.u32DateTime = 1000 + i;
  w.pt = {(S32)(i * 977 % 2000000), (S32)(i * 331 % 1000000)};
  snprintf(w.sName, sizeof w.sName, "B%u", i);
  return w;
}

// What a record write is at the least: a temporary file, 36 bytes, fsync,
// rename.
void RawWrites(const std::string& dir, U32 count) {
  U8 bytes[36] = {0x10, 0x42, 0x02, 0x00, 2, 3};
  for (U32 i = 0; i < count; i++) {
    const std::string path = dir + "/" + std::to_string(i), temp = path + ".tmp";
    const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    bytes[6] = (U8)i;
    if (fd < 0 || write(fd, bytes, sizeof bytes) != (ssize_t)sizeof bytes || fsync(fd) != 0) abort();
    close(fd);
    if (rename(temp.c_str(), path.c_str()) != 0) abort();
  }
}

void BM_WaypointAddsAgainstRawWrites(benchmark::State& state) {
  const std::string raw = s_root + "/raw";
  mkdir(raw.c_str(), 0777);
  BENCH_PAIR pair;
  for (auto _ : state) {
    FreshStore();
    // Both sides make new files: replacing existing ones costs more.
    if (system(("rm -f " + raw + "/*").c_str()) != 0) abort();
    BENCH_dTimePair(
        state, &pair,
        [] {
          for (U32 i = 0; i < 3000; i++) {
            WAYPOINT w = Waypoint(i);
            T_NAV_nAddWaypoint(&w, FALSE);
          }
        },
        [&] { RawWrites(raw, 3000); });
  }
  if (T_NAV_TWR_nGetWaypointCount() < 2900) state.SkipWithError("the store took too few waypoints");
  state.counters["ratio"] = BENCH_dRatio(pair);
}
BENCHMARK(BM_WaypointAddsAgainstRawWrites)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

// Every file of the store's directories opened and read up to its record.
U32 RawReadStore() {
  U32 files = 0;
  U8 buffer[sizeof(FILE_HEADER) + sizeof(ROUTE)];
  for (const char* name : {"wpts", "routes", "tracks"}) {
    const std::string dir = Dir(name);
    DIR* d = opendir(dir.c_str());
    while (dirent* e = d != nullptr ? readdir(d) : nullptr) {
      if (e->d_name[0] == '.') continue;
      const int fd = open((dir + "/" + e->d_name).c_str(), O_RDONLY | O_CLOEXEC);
      if (fd >= 0 && read(fd, buffer, sizeof buffer) > 0) files++;
      if (fd >= 0) close(fd);
    }
    if (d != nullptr) closedir(d);
  }
  return files;
}

void BM_StartupLoadAgainstRawReads(benchmark::State& state) {
  FreshStore();
  T_NAV_TWR_vSetMultiWaypointFlag(TRUE);
  for (U32 i = 0; i < 3000; i++) {
    WAYPOINT w = Waypoint(i);
    T_NAV_nAddWaypoint(&w, FALSE);
  }
  T_NAV_TWR_vSetMultiWaypointFlag(FALSE);
  static TRACK s_track;
  U_NAV_vClearTrack(&s_track.sHeader);
  for (S32 i = 0; i < 21836; i++) U_NAV_vAddTrackPoint(&s_track, {i * 3, i % 100}, 0, FALSE);
  for (U32 r = 0; r < 50; r++) {
    ROUTE route = {};
    route.nCount = 50;
    route.u32DateTime = r + 1;
    for (U32 k = 0; k < 50; k++) route.anWaypoint[k] = (U16)(r * 50 + k);
    T_NAV_bSaveRoute(r, &route, FALSE);
    T_NAV_nAddTrack(&s_track, r + 1, nullptr, FALSE);
  }
  U32 files = 0;
  const double ratio = BENCH_dCompare(state, [] { T_NAV_vInitTracksWaypointsRoutes(); }, [&] { files = RawReadStore(); });
  if (files < 3050 || T_NAV_TWR_nGetWaypointCount() < 2950) state.SkipWithError("the store is not full");
  state.counters["ratio"] = ratio;
  state.counters["files"] = files;
}
BENCHMARK(BM_StartupLoadAgainstRawReads)->Unit(benchmark::kMillisecond)->UseManualTime()->MinTime(2.0);

void BM_JournalReplayAgainstRawReads(benchmark::State& state) {
  FreshStore();
  T_NAV_NVRAM_vEraseCurrentTrack();
  static TRACK s_live, s_replayed;
  U_NAV_vClearTrack(&s_live.sHeader);
  // Points one step each: the journal is appended entry by entry until both
  // files are full (one more roll-over would drop the older).
  for (S32 i = 0; i < 2 * 21836; i++) {
    const BOOLEAN bFirst = s_live.sHeader.u16Count == 0;
    U_NAV_vAddTrackPoint(&s_live, {i * 5, i % 321}, (U16)i, FALSE);
    const U16 newest = (U16)((s_live.sHeader.u16FirstDelta + s_live.sHeader.u16Count - 2) % TRACK_DELTA_ENTRIES);
    T_NAV_NVRAM_vAddCurrentTrackPoint(&s_live, bFirst ? s_live.sHeader.u16FirstDelta : newest, bFirst ? 0xFFFF : newest,
                                      FALSE);
  }
  static U8 s_buffer[2 * NAV_JOURNAL_MAX_SIZE];
  size_t bytes = 0;
  const double ratio = BENCH_dCompare(
      state, [] { T_NAV_NVRAM_vScanCurrentTrack(&s_replayed); },
      [&] {
        bytes = 0;
        for (const char* name : {"/track.1", "/track.2"}) {
          const int fd = open((Dir("cr_track") + name).c_str(), O_RDONLY | O_CLOEXEC);
          const ssize_t n = fd >= 0 ? read(fd, s_buffer + bytes, NAV_JOURNAL_MAX_SIZE) : 0;
          bytes += n > 0 ? (size_t)n : 0;
          if (fd >= 0) close(fd);
        }
      });
  const TRACK_HEADER &live = s_live.sHeader, &replayed = s_replayed.sHeader;
  if (bytes < 250000 || live.u16Count != replayed.u16Count || live.ptFirst.x != replayed.ptFirst.x ||
      live.ptLast.x != replayed.ptLast.x || live.ptLast.y != replayed.ptLast.y) {
    state.SkipWithError("the journal did not replay to the live track");
  }
  state.counters["ratio"] = ratio;
  state.counters["bytes"] = (double)bytes;
}
BENCHMARK(BM_JournalReplayAgainstRawReads)->Unit(benchmark::kMicrosecond)->UseManualTime()->MinTime(1.0);

}  // namespace

int main(int argc, char** argv) {
  opt_nolog = 1;
  TEST_vInitServiceLayer();
  H_DATABASE_vInit();
  H_DATABASE_bUpdateValueU32(FCID("CCST"), 3, P_HIGHEST);
  std::string dir = std::string(getenv("TMPDIR") ? getenv("TMPDIR") : "/tmp") + "/velmora-bench-navdata-XXXXXX";
  if (mkdtemp(dir.data()) == nullptr) return 1;
  s_root = dir;
  setenv("VELMORA_DEVROOT", dir.c_str(), 1);
  setenv("VELMORA_CWD", dir.c_str(), 0);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ignored;
  std::filesystem::remove_all(dir, ignored);
  return 0;
}
