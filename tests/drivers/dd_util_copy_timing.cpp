// The frame copy timed where Google Benchmark is not built: the board's
// (armhf) build, whose copy is the NEON body. Copies one 800 x 480 RGB565
// frame (768,000 bytes) a few times at an aligned and at a skewed pair of
// addresses, checks every byte and the bytes beside the destination, and
// prints the times as a report. It never judges a time: under the emulator
// only the correctness means anything.

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include <vector>

#include "dd_util.h"

namespace {

constexpr U32 kFrame = 800 * 480 * 2;
constexpr int kRuns = 5;
constexpr U8 kGuard = 0xA5;

double NowUs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return (double)ts.tv_sec * 1e6 + (double)ts.tv_nsec * 1e-3;
}

// FALSE when a copy went wrong; prints the best and mean of the runs.
bool TimeCopies(U32 srcOffset, U32 dstOffset) {
  std::vector<U8> src(kFrame + 64), dst(kFrame + 64);
  double best = 0, total = 0;
  for (int run = 0; run < kRuns; run++) {
    for (size_t i = 0; i < src.size(); i++) src[i] = (U8)(i * 131 + (size_t)run * 17 + 1);
    memset(dst.data(), kGuard, dst.size());
    const double start = NowUs();
    DD_UTIL_Memcpy(dst.data() + dstOffset, src.data() + srcOffset, kFrame);
    const double us = NowUs() - start;
    if (memcmp(dst.data() + dstOffset, src.data() + srcOffset, kFrame) != 0 ||
        (dstOffset > 0 && dst[dstOffset - 1] != kGuard) || dst[dstOffset + kFrame] != kGuard) {
      printf("copy from +%u to +%u, run %d: wrong bytes\n", srcOffset, dstOffset, run);
      return false;
    }
    best = run == 0 || us < best ? us : best;
    total += us;
  }
  printf("copy from +%u to +%u: best %.0f us (%.0f MB/s), mean %.0f us over %d runs\n", srcOffset, dstOffset, best,
         kFrame / best, total / kRuns, kRuns);
  return true;
}

}  // namespace

int main() {
#if defined(__ARM_NEON)
  const char* body = "NEON body";
#else
  const char* body = "portable body (the bulk goes to the C library's memcpy)";
#endif
  printf("DD_UTIL_Memcpy, %u bytes, %s%s\n", kFrame, body,
         getenv("VELMORA_ARMHF_EXE") != nullptr ? ", under the emulator: times are not the board's" : "");
  const bool ok = TimeCopies(0, 0) && TimeCopies(3, 1);
  return ok ? 0 : 1;
}
