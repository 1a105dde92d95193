// Service-layer costs: mail round trip between two tasks, the fixed-block
// heap against the C library's, and the lateness of periodic timers.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <vector>

#include "h_memory.h"
#include "test_tasks.h"

namespace {

constexpr TASK kEchoTask = 60;
constexpr MBOX kEchoBox = M_RADAR;
constexpr SEMA kAckSema = SEMA_TIMER_RADAR_SIM_MSG;

double Percentile(std::vector<U64>& samples, double p) {
  if (samples.empty()) return 0;
  std::sort(samples.begin(), samples.end());
  size_t at = std::min(samples.size() - 1, (size_t)(p * (double)samples.size()));
  return (double)samples[at];
}

void BM_MailRoundTrip(benchmark::State& state) {
  TEST_StartTask(kEchoTask, [] {
    for (;;) {
      GENERIC_MESSAGE* m = (GENERIC_MESSAGE*)L_MBOX_ReceiveWait(kEchoBox);
      CMD_ID cmd = m->Cmd;
      H_MEMORY_vDumpMail(m);
      if (cmd == CMD_ID_SHUTDOWN) return;
    }
  });
  GENERIC_MESSAGE* msg = (GENERIC_MESSAGE*)H_MEMORY_pvCalloc(1, sizeof(GENERIC_MESSAGE));
  msg->Cmd = CMD_ID_NEW_DATA;
  std::vector<U64> samples;
  samples.reserve(1 << 20);
  for (auto _ : state) {
    U64 start = L_CLOCK_qwGetTimeInNans();
    L_MBOX_SendWait(kEchoBox, msg, 3, kAckSema);
    samples.push_back(L_CLOCK_qwGetTimeInNans() - start);
  }
  msg->Cmd = CMD_ID_SHUTDOWN;
  L_MBOX_SendWait(kEchoBox, msg, 3, kAckSema);
  TEST_bJoinTask(kEchoTask);
  H_MEMORY_vFree(msg);
  state.counters["p50_us"] = Percentile(samples, 0.50) / 1000.0;
  state.counters["p99_us"] = Percentile(samples, 0.99) / 1000.0;
  state.counters["msgs_per_s"] = benchmark::Counter((double)state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MailRoundTrip)->UseRealTime();

void BM_HeapMallocFree(benchmark::State& state) {
  const U32 size = (U32)state.range(0);
  for (auto _ : state) {
    void* p = H_MEMORY_pvMalloc(size);
    benchmark::DoNotOptimize(p);
    H_MEMORY_vFree(p);
  }
}
BENCHMARK(BM_HeapMallocFree)->Arg(60)->Arg(1024)->Arg(8000);

void BM_SystemMallocFree(benchmark::State& state) {
  const size_t size = (size_t)state.range(0);
  for (auto _ : state) {
    void* p = malloc(size);
    benchmark::DoNotOptimize(p);
    free(p);
  }
}
BENCHMARK(BM_SystemMallocFree)->Arg(60)->Arg(1024)->Arg(8000);

// How late a periodic timer's signal reaches a waiting thread, over 10 s.
void BM_PeriodicTimerLateness(benchmark::State& state) {
  const U32 period = (U32)state.range(0);
  const SEMA s = SEMA_TIMER_RADAR_CLIENT_XMIT;
  std::vector<U64> lateness;
  for (auto _ : state) {
    U64 start = L_CLOCK_qwGetTimeInMicros();
    TIMER_INFO* t = L_TIMER_Start(nullptr, period, period, s);
    const U32 count = 10000 / period;
    for (U32 k = 1; k <= count; k++) {
      L_SEMA_Wait(s);
      U64 due = start + (U64)k * period * 1000;
      U64 now = L_CLOCK_qwGetTimeInMicros();
      lateness.push_back(now > due ? now - due : 0);
    }
    L_TIMER_Stop(t);
    L_TIMER_Release(t);
  }
  state.counters["p50_ms"] = Percentile(lateness, 0.50) / 1000.0;
  state.counters["p99_ms"] = Percentile(lateness, 0.99) / 1000.0;
  state.counters["max_ms"] = Percentile(lateness, 1.0) / 1000.0;
}
BENCHMARK(BM_PeriodicTimerLateness)->Arg(25)->Arg(100)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
