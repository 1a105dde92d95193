// The navigation store against the plain file work under it, on the same
// file system in the same run: 3,000 waypoint adds against 3,000 raw 36-byte
// write-fsync-rename cycles, the start-up load of a full store (3,000
// slots, 50 routes, 50 saved tracks) against reading its 3,100 files, the
// replay of two full journals against reading them, the export and import
// of a full store's transfer stream against reading and writing its files,
// a collection of a full tree (with and without duplicates) and deleting
// everything against removing the same files. The counter "ratio" is ours
// over the raw work; "fsyncs" counts the forced writes of our side.

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
#include "linux_fs.h"
#include "t_nav_data.h"
#include "t_nav_group_data.h"
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

void State(U32 u32State) { H_DATABASE_bUpdateValueU32(FCID("CCST"), u32State, P_HIGHEST); }

// A full store: a hundred waypoints linked into the root, 50 routes of 50 of
// them and 50 full tracks linked too, then waypoints until the table takes
// no more (the bodies holding the links take their share of it); every
// record in its file. With u32Duplicates, that many waypoints are added once
// more in groups of their own, equal to ones linked from the root.
void FullStore(U32 u32Duplicates = 0) {
  FreshStore();
  const U16 root = T_NAV_GROUP_DATA_nGetRootGroup();
  State(6);
  T_NAV_TWR_vSetMultiWaypointFlag(TRUE);
  std::vector<U16> slots;
  auto Add = [&](U32 i) {
    WAYPOINT w = Waypoint(i);
    w.bWpNotShared = 0;
    const U16 slot = T_NAV_nAddWaypoint(&w, TRUE);
    if (slot == 65535) return false;
    if (!T_NAV_GROUP_DATA_bAddLink(root, slot)) {
      T_NAV_bDeleteWaypoint(slot, FALSE);
      return false;
    }
    slots.push_back(slot);
    return true;
  };
  for (U32 i = 0; i < 100; i++) Add(i);
  static TRACK s_track;
  U_NAV_vClearTrack(&s_track.sHeader);
  for (S32 i = 0; i < 21836; i++) U_NAV_vAddTrackPoint(&s_track, {i * 3, i % 100}, 0, FALSE);
  T_NAV_TWR_bDisableShareLockSeperator(TRUE);
  for (U32 r = 0; r < 50; r++) {
    ROUTE route = {};
    route.nCount = 50;
    route.u32DateTime = r + 1;
    for (U32 k = 0; k < 50; k++) route.anWaypoint[k] = slots[(r + k) % slots.size()];
    T_NAV_bSaveRoute(r, &route, FALSE);
    T_NAV_GROUP_DATA_bAddLink(root, (U16)(0x8800 + r));
  }
  T_NAV_TWR_bDisableShareLockSeperator(FALSE);
  T_NAV_TWR_vStatisticRouteStore(TRUE);
  State(3);
  const U16 unit = T_NAV_GROUP_DATA_u16Getu7UnitID();
  for (U32 t = 0; t < 50; t++) {
    T_NAV_GROUP_DATA_bAddLink(root, (U16)(0x8000 + unit + T_NAV_nAddTrack(&s_track, t + 1, nullptr, FALSE)));
  }
  State(6);
  for (U32 d = 0; d < u32Duplicates; d++) {
    GROUP_HEADER h = {};
    h.u8Status = WPT_STATUS_GROUP_HEADER;
    h.u16ParentIndex = h.u16FirstBodyIndex = 0xFFFF;
    snprintf(h.sName, sizeof h.sName, "D%u", d);
    const U16 g = T_NAV_GROUP_DATA_nNewGroup(&h);
    WAYPOINT w = Waypoint(d);
    w.bWpNotShared = 0;
    T_NAV_GROUP_DATA_bAddLink(root, g);
    T_NAV_GROUP_DATA_bAddLink(g, T_NAV_nAddWaypoint(&w, TRUE));
  }
  for (U32 i = 100; Add(i); i++) {
  }
  T_NAV_TWR_vSetMultiWaypointFlag(FALSE);
  State(3);
  T_NAV_vSolidStoreAllWaypointsRoutes();
}

U32 s_u32Fsyncs;
void CountFsyncs(const FS_TRACE_RECORD* p) { s_u32Fsyncs += p->u32Call == FS_CALL_SYNC; }

void BM_StartupLoadAgainstRawReads(benchmark::State& state) {
  FullStore();
  U32 files = 0;
  const double ratio = BENCH_dCompare(state, [] { T_NAV_vInitTracksWaypointsRoutes(); }, [&] { files = RawReadStore(); });
  if (files < 3050 || T_NAV_TWR_nGetWaypointCount() < 2700) state.SkipWithError("the store is not full");
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

// Every record file read whole.
U64 RawReadWhole(std::vector<std::string>* pPaths) {
  static U8 s_buffer[sizeof(FILE_HEADER) + sizeof(TRACK)];
  U64 bytes = 0;
  pPaths->clear();
  for (const char* name : {"wpts", "routes", "tracks"}) {
    const std::string dir = Dir(name);
    DIR* d = opendir(dir.c_str());
    while (dirent* e = d != nullptr ? readdir(d) : nullptr) {
      if (e->d_name[0] == '.') continue;
      pPaths->push_back(std::string(name) + "/" + e->d_name);
      const int fd = open((dir + "/" + e->d_name).c_str(), O_RDONLY | O_CLOEXEC);
      const ssize_t n = fd >= 0 ? read(fd, s_buffer, sizeof s_buffer) : 0;
      bytes += n > 0 ? (U64)n : 0;
      if (fd >= 0) close(fd);
    }
    if (d != nullptr) closedir(d);
  }
  return bytes;
}

std::vector<U8> s_stream;

void ExportStream() {
  s_stream.clear();
  U8 segment[NAV_DATA_SEGMENT_SIZE];
  T_NAV_DATA_vFillBufferInit();
  for (U32 n; (n = T_NAV_DATA_u32FillBufferSegment(segment, nullptr)) != 0;) s_stream.insert(s_stream.end(), segment, segment + n);
  T_NAV_DATA_vFillBufferEnd();
}

void BM_ExportAgainstRawReads(benchmark::State& state) {
  FullStore();
  std::vector<std::string> paths;
  U64 bytes = 0;
  const double ratio = BENCH_dCompare(state, ExportStream, [&] { bytes = RawReadWhole(&paths); });
  if (paths.size() < 3050 || s_stream.size() < 6500000) state.SkipWithError("the store is not full");
  state.counters["ratio"] = ratio;
  state.counters["files"] = (double)paths.size();
  state.counters["MB"] = (double)s_stream.size() / 1e6;
}
BENCHMARK(BM_ExportAgainstRawReads)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

// The same files written raw: each written and forced out, as the import
// stages them, into a directory of their own.
void RawWrites(const std::vector<std::string>& paths) {
  static U8 s_record[sizeof(FILE_HEADER) + sizeof(TRACK)];
  const std::string raw = s_root + "/rawstore";
  if (system(("rm -rf " + raw + " && mkdir -p " + raw + "/wpts " + raw + "/routes " + raw + "/tracks").c_str()) != 0) abort();
  for (const std::string& path : paths) {
    const size_t size = path[0] == 't' ? sizeof s_record : path[0] == 'r' ? 136 : 36;
    const int fd = open((raw + "/" + path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0 || write(fd, s_record, size) != (ssize_t)size || fsync(fd) != 0) abort();
    close(fd);
  }
}

void BM_ImportAgainstRawWrites(benchmark::State& state) {
  FullStore();
  ExportStream();
  std::vector<std::string> paths;
  RawReadWhole(&paths);
  BENCH_PAIR pair;
  U32 fsyncs = 0;
  BOOLEAN bTaken = TRUE;
  for (auto _ : state) {
    BENCH_dTimePair(
        state, &pair,
        [&] {
          s_u32Fsyncs = 0;
          FS_vSetTrace(CountFsyncs);
          T_NAV_DATA_vSaveBufferInit();
          for (size_t at = 0; at < s_stream.size(); at += NAV_DATA_SEGMENT_SIZE) {
            const U32 n = (U32)std::min<size_t>(NAV_DATA_SEGMENT_SIZE, s_stream.size() - at);
            T_NAV_DATA_vSaveBufferSegment(n, s_stream.data() + at, nullptr);
          }
          bTaken = bTaken && T_NAV_DATA_bSaveBufferEnd(TRUE);
          FS_vSetTrace(nullptr);
          fsyncs = s_u32Fsyncs;
        },
        [&] { RawWrites(paths); });
  }
  if (!bTaken) state.SkipWithError("the import was not taken");
  state.counters["ratio"] = BENCH_dRatio(pair);
  state.counters["fsyncs"] = fsyncs;
}
BENCHMARK(BM_ImportAgainstRawWrites)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

// A collection of a full tree that finds nothing to do, and one that merges
// 300 waypoints into their equals.
void BM_CollectionOfAFullTree(benchmark::State& state) {
  const U32 duplicates = (U32)state.range(0);
  double seconds = 0;
  NAV_GC_STATS stats = {};
  for (auto _ : state) {
    state.PauseTiming();
    FullStore(duplicates);
    s_u32Fsyncs = 0;
    FS_vSetTrace(CountFsyncs);
    state.ResumeTiming();
    seconds += BENCH_dTime([] { T_NAV_GROUP_DATA_vScanGroupForGarbageCollection(T_NAV_GROUP_DATA_nGetRootGroup()); });
    state.PauseTiming();
    FS_vSetTrace(nullptr);
    T_NAV_GROUP_DATA_vGetGcStats(&stats);
    state.ResumeTiming();
  }
  if (duplicates > 0 && stats.u32Merged < duplicates) state.SkipWithError("the duplicates were not merged");
  state.counters["ms"] = seconds * 1e3 / (double)state.iterations();
  state.counters["merged"] = stats.u32Merged;
  state.counters["fsyncs"] = s_u32Fsyncs;
}
BENCHMARK(BM_CollectionOfAFullTree)->Arg(0)->Arg(300)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_DeleteAllAgainstRemovingTheFiles(benchmark::State& state) {
  BENCH_PAIR pair;
  U32 fsyncs = 0;
  std::vector<std::string> paths;
  for (auto _ : state) {
    state.PauseTiming();
    FullStore();
    RawReadWhole(&paths);
    RawWrites(paths);
    state.ResumeTiming();
    BENCH_dTimePair(
        state, &pair,
        [&] {
          s_u32Fsyncs = 0;
          FS_vSetTrace(CountFsyncs);
          T_NAV_vDeleteAllTracksWaypointsRoutes(FALSE);
          FS_vSetTrace(nullptr);
          fsyncs = s_u32Fsyncs;
        },
        [&] {
          for (const std::string& path : paths) unlink((s_root + "/rawstore/" + path).c_str());
        });
  }
  state.counters["ratio"] = BENCH_dRatio(pair);
  state.counters["files"] = (double)paths.size();
  state.counters["fsyncs"] = fsyncs;
}
BENCHMARK(BM_DeleteAllAgainstRemovingTheFiles)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

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
