// Icon and image drawing costs, each set against a memcpy of one 800 x 480
// RGB565 frame (768,000 bytes) timed in the same run: the counter x_memcpy is
// the operation's time over the copy's. Reported, not gated.

#include <benchmark/benchmark.h>
#include <string.h>
#include <time.h>

#include <vector>

#include "color.h"
#include "g_buffers.h"
#include "g_iconset.h"
#include "g_image32.h"
#include "test_tasks.h"

namespace {

constexpr size_t kFrameBytes = 800 * 480 * 2;

double Now() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return (double)ts.tv_sec + (double)ts.tv_nsec * 1e-9;
}

template <typename OP>
void CompareWithFrameCopy(benchmark::State& state, OP&& op) {
  std::vector<U8> src(kFrameBytes, 0x5A), dst(kFrameBytes, 0);
  double opTime = 0, baseTime = 0;
  for (auto _ : state) {
    const double t0 = Now();
    op();
    benchmark::ClobberMemory();
    const double t1 = Now();
    memcpy(dst.data(), src.data(), kFrameBytes);
    benchmark::ClobberMemory();
    const double t2 = Now();
    opTime += t1 - t0;
    baseTime += t2 - t1;
    state.SetIterationTime(t1 - t0);
  }
  state.counters["x_memcpy"] = opTime / baseTime;
}

// 1,000 icons spread over the frame, cycling through every icon of the set
// but the images: run-length coded ones with and without transparency and
// 32-bit ones with opacity.
void BM_ThousandIconsOfMixedKinds(benchmark::State& state) {
  G_ICON_vSetIconPalette(gCOLOR_pcolColorTable + 80);
  BITMAP* frame = G_BUFFERS_pCreateFullScreenBitmap();
  std::vector<const ICON*> icons;
  for (const ICONSET_ENTRY& e : g_aIconSet) {
    if (e.pIcon != nullptr && e.pIcon->nWidth <= 64 && e.pIcon->nHeight <= 64) icons.push_back(e.pIcon);
  }
  U32 kinds[6] = {0};
  for (size_t i = 0; i < 1000; i++) kinds[icons[i % icons.size()]->eCompression]++;
  CompareWithFrameCopy(state, [&] {
    for (size_t i = 0; i < 1000; i++) {
      const POINT at = {(PIXEL)((i * 37) % 760), (PIXEL)((i * 53) % 440)};
      G_ICON_vPut(frame, icons[i % icons.size()], &at);
    }
  });
  state.counters["kind3"] = kinds[ICON_RLE_BUFFERS];
  state.counters["kind4"] = kinds[ICON_RLE_TRANSPARENT_COLOR];
  state.counters["kind5"] = kinds[ICON_PNG_IMAGE32];
  G_BUFFERS_vFreeFullScreenBitmap(frame);
}
BENCHMARK(BM_ThousandIconsOfMixedKinds)->UseManualTime();

// One 800 x 480 image whose opacity sweeps 0..255 across it, so every pixel
// but the invisible and opaque columns is blended.
void BM_FullScreenImageWithOpacity(benchmark::State& state) {
  BITMAP* frame = G_BUFFERS_pCreateFullScreenBitmap();
  std::vector<U8> stream;
  stream.reserve(800 * 480 * 4);
  for (U32 y = 0; y < 480; y++) {
    for (U32 x = 0; x < 800; x++) {
      stream.insert(stream.end(), {(U8)x, (U8)y, (U8)(x ^ y), (U8)((x * 255) / 799)});
    }
  }
  const IMAGE32 image = {stream.data(), nullptr, 800, 480, ICON_PNG_IMAGE32};
  const POINT at = {0, 0};
  CompareWithFrameCopy(state, [&] { G_IMAGE32_vPut(frame, &image, &at); });
  G_BUFFERS_vFreeFullScreenBitmap(frame);
}
BENCHMARK(BM_FullScreenImageWithOpacity)->UseManualTime();

}  // namespace
