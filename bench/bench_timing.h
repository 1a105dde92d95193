// The one timer of the benchmark programs: a monotonic clock in seconds, an
// operation timed next to its peer (a C library routine, another library, a
// plain queue) in the same loop, and percentiles of sample lists. Both sides
// of a comparison run in every iteration, first one and then the other
// leading, so that machine noise and cache warmth fall on both alike.
#pragma once

#include <benchmark/benchmark.h>
#include <math.h>
#include <time.h>

#include <algorithm>
#include <vector>

static inline double BENCH_dNow(void) {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return (double)ts.tv_sec + (double)ts.tv_nsec * 1e-9;
}

// Seconds one call of op takes, its stores forced out.
template <typename OP>
double BENCH_dTime(OP&& op) {
  const double start = BENCH_dNow();
  op();
  benchmark::ClobberMemory();
  return BENCH_dNow() - start;
}

struct BENCH_PAIR {
  double dOurs = 0;  // seconds, summed over the iterations
  double dPeer = 0;
  unsigned long long u64Calls = 0;
};

// Times ours and peer once each, the leader alternating from call to call,
// and makes ours the iteration's time (benchmarks with UseManualTime).
// Returns the seconds ours took.
template <typename OURS, typename PEER>
double BENCH_dTimePair(benchmark::State& state, BENCH_PAIR* pPair, OURS&& ours, PEER&& peer) {
  double dOurs, dPeer;
  if ((pPair->u64Calls++ & 1) == 0) {
    dOurs = BENCH_dTime(ours);
    dPeer = BENCH_dTime(peer);
  } else {
    dPeer = BENCH_dTime(peer);
    dOurs = BENCH_dTime(ours);
  }
  pPair->dOurs += dOurs;
  pPair->dPeer += dPeer;
  state.SetIterationTime(dOurs);
  return dOurs;
}

// Our time over the peer's; 0 before anything was timed.
static inline double BENCH_dRatio(const BENCH_PAIR& pair) { return pair.dPeer > 0 ? pair.dOurs / pair.dPeer : 0; }

// The whole benchmark loop of a plain comparison; returns BENCH_dRatio.
template <typename OURS, typename PEER>
double BENCH_dCompare(benchmark::State& state, OURS&& ours, PEER&& peer) {
  BENCH_PAIR pair;
  for (auto _ : state) BENCH_dTimePair(state, &pair, ours, peer);
  return BENCH_dRatio(pair);
}

// The sample at fraction p (0..1) of the sorted list by nearest rank: of n
// samples p = 0.99 takes the ceil(0.99 n)-th smallest, which lies below the
// maximum only from 100 samples on. Sorts the list; 0 when it is empty.
template <typename T>
double BENCH_dPercentile(std::vector<T>& samples, double p) {
  if (samples.empty()) return 0;
  std::sort(samples.begin(), samples.end());
  const size_t rank = std::clamp<size_t>((size_t)ceil(p * (double)samples.size()), 1, samples.size());
  return (double)samples[rank - 1];
}
