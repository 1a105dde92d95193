// The unit's start, as a person sees it: the unit's own process on a fresh
// rig with a set-up store, timed from the spawn to the first frame on
// display (the page on display holds a drawn pixel) and to the system state
// normal run (the start-up task's log line, on the same monotonic clock).
// Each run takes about nine seconds; the counters are the mean over runs.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdint.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "bench_timing.h"
#include "nvram_files.h"
#include "test_process.h"

namespace {

const std::string kVelmora = VELMORA_BINARY;
const std::string kRigTool = VELMORA_TOOLS_DIR "/rig";
constexpr size_t kPageBytes = 800 * 480 * 2;

int Tool(const std::string& arguments) {
  const int status = system(("python3 " + kRigTool + " " + arguments + " > /dev/null").c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// TRUE once the page on display shows anything but the rig's zeroed memory.
bool FrameShown(const std::string& rig) {
  char text[16] = {};
  const int side = open((rig + "/dev/fb0.page").c_str(), O_RDONLY);
  if (side < 0) return false;
  const ssize_t n = read(side, text, sizeof text - 1);
  close(side);
  if (n <= 0) return false;
  const long page = strtol(text, nullptr, 10);
  const int fb = open((rig + "/dev/fb0").c_str(), O_RDONLY);
  if (fb < 0) return false;
  std::vector<uint16_t> row(800);
  bool drawn = false;
  for (int y = 0; y < 480 && !drawn; y += 60) {
    const off_t at = (off_t)page * (off_t)kPageBytes + (off_t)y * 800 * 2;
    if (pread(fb, row.data(), row.size() * 2, at) != (ssize_t)(row.size() * 2)) break;
    for (uint16_t pixel : row) drawn = drawn || pixel != 0;
  }
  close(fb);
  return drawn;
}


void BM_StartUp(benchmark::State& state) {
  double frameMs = 0, runMs = 0, initMs = 0;
  int runs = 0;
  for (auto _ : state) {
    const std::string rig = TEST_MakeTempDir("velmora-bench-rig");
    const std::string base = TEST_MakeTempDir("velmora-bench-base");
    if (Tool("create " + rig) != 0) {
      state.SkipWithError("the rig tool cannot make a rig");
      return;
    }
    nvfiles::Seed(base, {{"NVER", nvfiles::kVersion}, {"SENU", 12345}, {"SQCD", 1}});
    const double spawn = BENCH_dNow();
    auto unit = TEST_Spawn(kVelmora, {}, {"VELMORA_DEVROOT=" + rig, "VELMORA_CWD=" + base});
    double frame = -1;
    while (BENCH_dNow() - spawn < 20) {
      if (frame < 0 && FrameShown(rig)) frame = BENCH_dNow();
      if (frame >= 0) break;
      usleep(500);
    }
    const bool running = TEST_bWaitForOutput(unit.get(), "system state 3 (normal run)", 20000);
    TEST_Signal(unit.get(), SIGTERM);
    TEST_RESULT r = TEST_Finish(std::move(unit), 10000);
    Tool("--rig " + rig + " stop");
    std::error_code ignored;
    std::filesystem::remove_all(rig, ignored);
    std::filesystem::remove_all(base, ignored);
    if (frame < 0 || !running) {
      state.SkipWithError("the unit showed no frame or never ran");
      return;
    }
    frameMs += (frame - spawn) * 1000;
    runMs += (TEST_dLogSeconds(r.out, "system state 3 (normal run)") - spawn) * 1000;
    initMs += (TEST_dLogSeconds(r.out, "initialised after") - spawn) * 1000;
    runs++;
    state.SetIterationTime(frame - spawn);
  }
  state.counters["first_frame_ms"] = frameMs / runs;
  state.counters["initialised_ms"] = initMs / runs;
  state.counters["normal_run_ms"] = runMs / runs;
}
BENCHMARK(BM_StartUp)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
