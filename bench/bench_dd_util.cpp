// The bulk copy against the C library's, on one 800 x 480 x 2-byte frame.

#include <benchmark/benchmark.h>
#include <string.h>

#include <vector>

#include "dd_util.h"

static constexpr size_t kFrame = 800 * 480 * 2;

static void BM_Memcpy_Frame(benchmark::State& state) {
  std::vector<U8> src(kFrame, 1), dst(kFrame);
  for (auto _ : state) {
    memcpy(dst.data(), src.data(), kFrame);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)kFrame);
}
BENCHMARK(BM_Memcpy_Frame);

static void BM_DD_UTIL_Memcpy_Frame(benchmark::State& state) {
  std::vector<U8> src(kFrame, 1), dst(kFrame);
  for (auto _ : state) {
    DD_UTIL_Memcpy(dst.data(), src.data(), kFrame);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)kFrame);
}
BENCHMARK(BM_DD_UTIL_Memcpy_Frame);

static void BM_DD_UTIL_Memcpy_Column(benchmark::State& state) {
  // A sonar column: 480 pixels.
  std::vector<U8> src(960 + 3, 1), dst(960 + 16);
  for (auto _ : state) {
    DD_UTIL_Memcpy(dst.data() + 1, src.data() + 3, 960);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed((int64_t)state.iterations() * 960);
}
BENCHMARK(BM_DD_UTIL_Memcpy_Column);

static void BM_Memcpy_Column(benchmark::State& state) {
  std::vector<U8> src(960 + 3, 1), dst(960 + 16);
  for (auto _ : state) {
    memcpy(dst.data() + 1, src.data() + 3, 960);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed((int64_t)state.iterations() * 960);
}
BENCHMARK(BM_Memcpy_Column);


