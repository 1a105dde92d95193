// The unit's own process on a rig with the 2D sonar view up at default
// settings, against the same with the sonar off: the share of one core the
// whole process takes over a minute once the view is shown. cpu_share is
// that share; x_sonar_off the first run's over the second's. A minute each,
// so not among the quick benchmarks: run it on its own
// (VELMORA_SONAR_CPU_SECONDS shortens the window).

#include <benchmark/benchmark.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "bench_timing.h"
#include "nvram_files.h"
#include "test_process.h"

namespace {

const std::string kRigTool = VELMORA_TOOLS_DIR "/rig";

double WindowSeconds() {
  const char* pc = getenv("VELMORA_SONAR_CPU_SECONDS");
  const double seconds = pc != nullptr ? atof(pc) : 60.0;
  return seconds > 0 ? seconds : 60.0;
}

// User and system seconds of the process so far.
double CpuSeconds(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(in)), {});
  const size_t close = text.rfind(')');
  if (close == std::string::npos) return -1;
  unsigned long long utime = 0, stime = 0;
  // The fields after the name: state is the first, utime the twelfth.
  if (sscanf(text.c_str() + close + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu", &utime, &stime) != 2) {
    return -1;
  }
  return (double)(utime + stime) / (double)sysconf(_SC_CLK_TCK);
}

// One run: a set-up unit (serial number, quick set-up done) with the sonar
// on or off, measured from the first frame of the 2D view on.
double CpuShare(bool bSonar) {
  const std::string rig = TEST_MakeTempDir("velmora-cpu-rig");
  const std::string base = TEST_MakeTempDir("velmora-cpu-base");
  if (system(("python3 " + kRigTool + " create " + rig + " > /dev/null").c_str()) != 0) return -1;
  std::map<std::string, uint32_t> store = {
      {"NVER", nvfiles::kVersion}, {"SENU", 12345}, {"SENB", 7}, {"SETB", 2024}, {"SQCD", 1}};
  if (!bSonar) store["SSEN"] = 0;
  nvfiles::Seed(base, store);
  auto unit = TEST_Spawn(VELMORA_BINARY, {}, {"VELMORA_DEVROOT=" + rig, "VELMORA_CWD=" + base});
  double share = -1;
  if (TEST_bWaitForOutput(unit.get(), "update CVEW to 21", 30000)) {
    sleep(2);  // the start-up note and the first columns
    const double cpu0 = CpuSeconds(unit->pid);
    const double wall0 = BENCH_dNow();
    usleep((useconds_t)(WindowSeconds() * 1e6));
    const double cpu1 = CpuSeconds(unit->pid);
    share = cpu0 >= 0 && cpu1 >= 0 ? (cpu1 - cpu0) / (BENCH_dNow() - wall0) : -1;
  }
  TEST_Signal(unit.get(), SIGTERM);
  TEST_Finish(std::move(unit), 10000);
  system(("python3 " + kRigTool + " --rig " + rig + " stop > /dev/null 2>&1").c_str());
  std::error_code ignored;
  std::filesystem::remove_all(rig, ignored);
  std::filesystem::remove_all(base, ignored);
  return share;
}

void BM_WholeProcessCpuShareWithThe2DView(benchmark::State& state) {
  double on = 0, off = 0;
  for (auto _ : state) {
    on = CpuShare(true);
    off = CpuShare(false);
  }
  state.counters["cpu_share"] = on;
  state.counters["cpu_share_sonar_off"] = off;
  state.counters["x_sonar_off"] = off > 0 ? on / off : 0;
}
BENCHMARK(BM_WholeProcessCpuShareWithThe2DView)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
