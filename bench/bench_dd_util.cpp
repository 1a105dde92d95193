// The copy routine against the C library's memcpy, timed in the same run: one
// 800 x 480 x 2-byte frame, and a sonar column of 480 pixels at skewed
// addresses, both sides between the same buffers. x_memcpy is our time over
// memcpy's. The C library's copy is called through a pointer the compiler
// cannot see through, so it is the library's code that runs, never a copy
// inlined for a known size.

#include <benchmark/benchmark.h>
#include <string.h>

#include <vector>

#include "bench_timing.h"
#include "dd_util.h"

namespace {

constexpr size_t kFrame = 800 * 480 * 2;
constexpr U32 kColumn = 480 * 2;
constexpr int kColumnsPerTiming = 512;  // one copy is too short for the clock

void* (*volatile s_pfnMemcpy)(void*, const void*, size_t) = memcpy;

void BM_DD_UTIL_Memcpy_Frame(benchmark::State& state) {
  std::vector<U8> src(kFrame, 1), dst(kFrame);
  state.counters["x_memcpy"] = BENCH_dCompare(
      state, [&] { DD_UTIL_Memcpy(dst.data(), src.data(), kFrame); },
      [&] { s_pfnMemcpy(dst.data(), src.data(), kFrame); });
  state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)kFrame);
#if !defined(__ARM_NEON)
  // From 16 bytes on the portable body hands every copy to the C library.
  state.SetLabel("memcpy by construction on this processor");
#endif
}
BENCHMARK(BM_DD_UTIL_Memcpy_Frame)->UseManualTime();

void BM_DD_UTIL_Memcpy_Column(benchmark::State& state) {
  std::vector<U8> src(kColumn + 3, 1), dst(kColumn + 16);
  state.counters["x_memcpy"] = BENCH_dCompare(
      state,
      [&] {
        for (int i = 0; i < kColumnsPerTiming; i++) {
          DD_UTIL_Memcpy(dst.data() + 1, src.data() + 3, kColumn);
          benchmark::ClobberMemory();
        }
      },
      [&] {
        for (int i = 0; i < kColumnsPerTiming; i++) {
          s_pfnMemcpy(dst.data() + 1, src.data() + 3, kColumn);
          benchmark::ClobberMemory();
        }
      });
  state.SetBytesProcessed((int64_t)state.iterations() * kColumnsPerTiming * kColumn);
#if defined(__ARM_NEON)
  state.SetLabel("512 columns per timing");
#else
  state.SetLabel("512 columns per timing; memcpy by construction on this processor");
#endif
}
BENCHMARK(BM_DD_UTIL_Memcpy_Column)->UseManualTime();

}  // namespace
