// Service-layer costs: mail round trip between two tasks against a plain
// queue, the fixed-block heap against the C library's malloc and free in the
// same run (x_malloc), and the lateness of periodic timers.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "bench_timing.h"
#include "h_memory.h"
#include "test_tasks.h"

namespace {

constexpr TASK kEchoTask = 60;
constexpr MBOX kEchoBox = M_RADAR;
constexpr SEMA kAckSema = SEMA_TIMER_RADAR_SIM_MSG;

// The peer of the mail round trip: a queue under one mutex with a condition
// variable for each direction, its thread answering every request.
struct PEER_QUEUE {
  std::mutex mutex;
  std::condition_variable arrived, answered;
  std::deque<CMD_ID> requests;
  bool bAnswered = false;
  std::thread echo;

  PEER_QUEUE() : echo([this] { Echo(); }) {}
  ~PEER_QUEUE() {
    RoundTrip(CMD_ID_SHUTDOWN);
    echo.join();
  }
  void Echo() {
    for (;;) {
      std::unique_lock<std::mutex> lock(mutex);
      arrived.wait(lock, [this] { return !requests.empty(); });
      const CMD_ID cmd = requests.front();
      requests.pop_front();
      bAnswered = true;
      lock.unlock();
      answered.notify_one();
      if (cmd == CMD_ID_SHUTDOWN) return;
    }
  }
  void RoundTrip(CMD_ID cmd) {
    {
      std::lock_guard<std::mutex> lock(mutex);
      requests.push_back(cmd);
    }
    arrived.notify_one();
    std::unique_lock<std::mutex> lock(mutex);
    answered.wait(lock, [this] { return bAnswered; });
    bAnswered = false;
  }
};

// A message sent to a task and acknowledged by it, against the same through
// the peer queue; x_queue is the mail's time over the queue's. Run it under
// `taskset -c 0` for the board's single processor.
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
  std::vector<double> samples;
  samples.reserve(1 << 20);
  {
    PEER_QUEUE peer;
    BENCH_PAIR pair;
    for (auto _ : state) {
      samples.push_back(BENCH_dTimePair(
          state, &pair, [&] { L_MBOX_SendWait(kEchoBox, msg, 3, kAckSema); },
          [&] { peer.RoundTrip(CMD_ID_NEW_DATA); }));
    }
    state.counters["x_queue"] = BENCH_dRatio(pair);
  }
  msg->Cmd = CMD_ID_SHUTDOWN;
  L_MBOX_SendWait(kEchoBox, msg, 3, kAckSema);
  TEST_bJoinTask(kEchoTask);
  H_MEMORY_vFree(msg);
  state.counters["p50_us"] = BENCH_dPercentile(samples, 0.50) * 1e6;
  state.counters["p99_us"] = BENCH_dPercentile(samples, 0.99) * 1e6;
  state.counters["msgs_per_s"] = benchmark::Counter((double)state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MailRoundTrip)->UseManualTime();

// One pair is too short for the clock: each timing takes this many.
constexpr int kAllocationsPerTiming = 1000;

// A block taken and given back, ours next to malloc and free of the same size.
void BM_HeapMallocFree(benchmark::State& state) {
  const U32 size = (U32)state.range(0);
  state.counters["x_malloc"] = BENCH_dCompare(
      state,
      [&] {
        for (int i = 0; i < kAllocationsPerTiming; i++) {
          void* p = H_MEMORY_pvMalloc(size);
          benchmark::DoNotOptimize(p);
          H_MEMORY_vFree(p);
        }
      },
      [&] {
        for (int i = 0; i < kAllocationsPerTiming; i++) {
          void* p = malloc(size);
          benchmark::DoNotOptimize(p);
          free(p);
        }
      });
  state.SetItemsProcessed(state.iterations() * kAllocationsPerTiming);
}
BENCHMARK(BM_HeapMallocFree)->Arg(60)->Arg(1024)->Arg(8000)->UseManualTime();

// How late a periodic timer's signal reaches a waiting thread, over 300
// periods: enough that the 99th percentile is not the worst case.
constexpr U32 kTimerSamples = 300;

void BM_PeriodicTimerLateness(benchmark::State& state) {
  const U32 period = (U32)state.range(0);
  const SEMA s = SEMA_TIMER_RADAR_CLIENT_XMIT;
  std::vector<U64> lateness;
  for (auto _ : state) {
    U64 start = L_CLOCK_qwGetTimeInMicros();
    TIMER_INFO* t = L_TIMER_Start(nullptr, period, period, s);
    for (U32 k = 1; k <= kTimerSamples; k++) {
      L_SEMA_Wait(s);
      U64 due = start + (U64)k * period * 1000;
      U64 now = L_CLOCK_qwGetTimeInMicros();
      lateness.push_back(now > due ? now - due : 0);
    }
    L_TIMER_Stop(t);
    L_TIMER_Release(t);
  }
  state.SetLabel(std::to_string(lateness.size()) + " samples");
  state.counters["p50_ms"] = BENCH_dPercentile(lateness, 0.50) / 1000.0;
  state.counters["p99_ms"] = BENCH_dPercentile(lateness, 0.99) / 1000.0;
  state.counters["max_ms"] = BENCH_dPercentile(lateness, 1.0) / 1000.0;
}
BENCHMARK(BM_PeriodicTimerLateness)->Arg(25)->Arg(100)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
