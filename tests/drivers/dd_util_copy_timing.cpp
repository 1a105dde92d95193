// The frame copy timed where Google Benchmark is not built: the board's
// (armhf) build, whose copy has a NEON body. Copies one 800 x 480 RGB565
// frame (768,000 bytes) a few times at an aligned and at a skewed pair of
// addresses, checks every byte and the bytes beside the destination, and
// prints the times as a report; then copies either side of the hand-over to
// the C library, ours next to the library's. It never judges a time: under the emulator
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

void* (*volatile s_pfnMemcpy)(void*, const void*, size_t) = memcpy;

// Copies of n bytes at skewed addresses, ours and the C library's by turns:
// the sizes either side of the hand-over to the library are where the board
// tells whether it sits right. FALSE when a copy went wrong.
bool CompareWithLibrary(U32 n) {
  constexpr int kCopies = 2000;
  std::vector<U8> src(n + 16), dst(n + 16);
  for (size_t i = 0; i < src.size(); i++) src[i] = (U8)(i * 7 + 3);
  double ours = 0, library = 0;
  for (int run = 0; run < kRuns; run++) {
    double start = NowUs();
    for (int i = 0; i < kCopies; i++) DD_UTIL_Memcpy(dst.data() + 1, src.data() + 3, n);
    ours += NowUs() - start;
    start = NowUs();
    for (int i = 0; i < kCopies; i++) s_pfnMemcpy(dst.data() + 1, src.data() + 3, n);
    library += NowUs() - start;
  }
  if (memcmp(dst.data() + 1, src.data() + 3, n) != 0) {
    printf("%u bytes: wrong bytes\n", n);
    return false;
  }
  printf("%u bytes: ours %.3f us, the C library's %.3f us a copy\n", n, ours / (kRuns * kCopies),
         library / (kRuns * kCopies));
  return true;
}

}  // namespace

int main() {
#if defined(__ARM_NEON)
  const char* body = "NEON body";
#else
  const char* body = "portable body";
#endif
  printf("DD_UTIL_Memcpy, %s; a frame (%u bytes) and rows go to the C library%s\n", body, kFrame,
         getenv("VELMORA_ARMHF_EXE") != nullptr ? "; under the emulator: times are not the board's" : "");
  bool ok = TimeCopies(0, 0) && TimeCopies(3, 1);
  for (U32 n : {256u, 511u, 512u, 1600u}) ok = ok && CompareWithLibrary(n);
  return ok ? 0 : 1;
}
