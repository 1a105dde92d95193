// NVR costs with 700 stored settings, the real NVR task on a base directory of
// its own (VELMORA_CWD, a fresh temporary one unless set): a full save where
// every setting differs from the store (cold) and where none does (warm), and
// the restore of the full store at the task's start. Saves include their
// flushes, so the numbers depend on the file system under the base directory.

#include <benchmark/benchmark.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "h_database.h"
#include "h_memory.h"
#include "h_nvram.h"
#include "t_nvram.h"
#include "test_tasks.h"

namespace {

constexpr U32 kSettings = 700;
constexpr SEMA kAckSema = SEMA_PERSONAL_DATA;

FOURCHARID Key(U32 k) {
  const U32 slot = k * 66 + 7;
  return H_NVRAM_fcidXlatNumber(slot);
}

void WriteGeneration(U32 g) {
  for (U32 k = 0; k < kSettings; k++) H_DATABASE_bUpdateValueU32(Key(k), g * 1000 + k, P_NORMAL);
}

void StartTask() {
  TEST_StartTask(NVRTASK, T_NVRAM_vMain);
  while (!H_DATABASE_bFetch(FCID("TNVR"), nullptr, nullptr, nullptr)) usleep(20);
}

// The full save, the way the orderly shutdown asks for it: done when answered.
void Save() {
  static GENERIC_MESSAGE* s_pMsg = (GENERIC_MESSAGE*)H_MEMORY_pvCalloc(1, sizeof(GENERIC_MESSAGE));
  s_pMsg->Cmd = CMD_ID_SHUTDOWN;
  L_MBOX_SendWait(M_NVRAM, s_pMsg, 3, kAckSema);
}

// Told to shut down first, so that it gives its save timer back.
void StopTask() {
  Save();
  L_TASK_Terminate(NVRTASK);
  TEST_bJoinTask(NVRTASK);
}

// A task on an empty store with 700 settings saved once.
void FreshStore() {
  H_NVRAM_eInit();
  H_NVRAM_bScratchNVR(NVRAM_SCRATCH_CODE1, NVRAM_SCRATCH_CODE2);
  H_DATABASE_vInit();
  StartTask();
  H_DATABASE_bUpdateValueU32(FCID("CCST"), 3, P_NORMAL);
  WriteGeneration(1);
  Save();
}

void BM_SaveCold(benchmark::State& state) {
  FreshStore();
  U32 g = 2;
  for (auto _ : state) {
    state.PauseTiming();
    WriteGeneration(g++);
    state.ResumeTiming();
    Save();
  }
  StopTask();
  state.counters["settings_per_s"] =
      benchmark::Counter((double)state.iterations() * kSettings, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SaveCold)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SaveWarm(benchmark::State& state) {
  FreshStore();
  for (auto _ : state) Save();
  StopTask();
}
BENCHMARK(BM_SaveWarm)->Unit(benchmark::kMillisecond)->UseRealTime();

// From the task's start to its mailbox published: every setting in the table.
void BM_Restore(benchmark::State& state) {
  FreshStore();
  for (auto _ : state) {
    state.PauseTiming();
    StopTask();
    H_DATABASE_vInit();
    state.ResumeTiming();
    StartTask();
  }
  StopTask();
  U32 value = 0;
  if (!H_DATABASE_bFetchU32(Key(kSettings - 1), &value, nullptr, nullptr) || value != 1000 + kSettings - 1) {
    state.SkipWithError("the store was not restored");
  }
}
BENCHMARK(BM_Restore)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  if (getenv("VELMORA_CWD") == nullptr) {
    std::string dir = std::string(getenv("TMPDIR") ? getenv("TMPDIR") : "/tmp") + "/velmora-bench-XXXXXX";
    if (mkdtemp(dir.data()) != nullptr) setenv("VELMORA_CWD", dir.c_str(), 1);
  }
  opt_nolog = 1;
  TEST_vInitServiceLayer();
  L_MBOX_DefineSema(M_NVRAM, SEMA_MBOX_NVRAM);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
