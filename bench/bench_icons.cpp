// Icon and image drawing costs, each set against a memcpy of one 800 x 480
// RGB565 frame (768,000 bytes) timed in the same run: the counter x_memcpy is
// the operation's time over the copy's. Reported, not gated.

#include <benchmark/benchmark.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "bench_timing.h"
#include "color.h"
#include "g_bmp.h"
#include "g_buffers.h"
#include "g_iconset.h"
#include "g_image32.h"
#include "test_tasks.h"

namespace {

constexpr size_t kFrameBytes = 800 * 480 * 2;

template <typename OP>
void CompareWithFrameCopy(benchmark::State& state, OP&& op) {
  std::vector<U8> src(kFrameBytes, 0x5A), dst(kFrameBytes, 0);
  state.counters["x_memcpy"] = BENCH_dCompare(state, op, [&] { memcpy(dst.data(), src.data(), kFrameBytes); });
}

// Where the i-th of the 1,000 icons goes: spread over the frame, some partly
// beyond its top or right edge.
POINT Place(size_t i) { return {(PIXEL)((i * 37) % 760), (PIXEL)((i * 53) % 440)}; }

// The icons of the 1,000 that put pixels on the frame, each drawn alone on a
// colour no icon has.
size_t DrawnIcons(BITMAP* frame, const std::vector<const ICON*>& icons) {
  constexpr COLOR kBackground = 0x0821;
  const COLOR* pixels = (const COLOR*)frame->pBuffer;
  const size_t count = (size_t)frame->__u32PixelWidthOfBuffer * frame->pixels_high_full_screen;
  size_t drawn = 0;
  for (size_t i = 0; i < 1000; i++) {
    G_BMP_vSet(frame, kBackground);
    const POINT at = Place(i);
    G_ICON_vPut(frame, icons[i % icons.size()], &at);
    drawn += std::any_of(pixels, pixels + count, [](COLOR c) { return c != kBackground; });
  }
  return drawn;
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
  const size_t drawn = DrawnIcons(frame, icons);
  if (drawn != 1000) state.SkipWithError(("only " + std::to_string(drawn) + " of 1000 icons are drawn").c_str());
  CompareWithFrameCopy(state, [&] {
    for (size_t i = 0; i < 1000; i++) {
      const POINT at = Place(i);
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
