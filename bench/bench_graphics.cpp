// Drawing costs, each set against a plain memset or memcpy of one 800 x 480
// RGB565 frame (768,000 bytes) timed in the same run: the counter x_memset or
// x_memcpy is the operation's time over the baseline's. Goals: a full-frame
// fill within 1.1 x memset, a full-frame alpha box within 3 x memcpy.

#include <benchmark/benchmark.h>
#include <string.h>

#include <random>
#include <vector>

#include "bench_timing.h"
#include "g_bmp.h"
#include "g_box.h"
#include "g_buffers.h"
#include "g_circle.h"
#include "g_line.h"
#include "test_tasks.h"

namespace {

constexpr size_t kFrameBytes = 800 * 480 * 2;

enum BASELINE { MEMSET, MEMCPY };

// Times op against the baseline operation on the same frame's bytes;
// reports their ratio.
template <typename OP>
void Compare(benchmark::State& state, BASELINE baseline, const BITMAP* frame, OP&& op) {
  std::vector<U8> src(kFrameBytes, 0x5A);
  int fill = 0;
  const double ratio = BENCH_dCompare(state, op, [&] {
    if (baseline == MEMSET) {
      memset(frame->pBuffer, ++fill, kFrameBytes);
    } else {
      memcpy(frame->pBuffer, src.data(), kFrameBytes);
    }
  });
  state.counters[baseline == MEMSET ? "x_memset" : "x_memcpy"] = ratio;
}

void BM_FullFrameFill(benchmark::State& state) {
  BITMAP* frame = G_BUFFERS_pCreateFullScreenBitmap();
  COLOR color = 0;
  Compare(state, MEMSET, frame, [&] { G_BMP_vSet(frame, color += 0x0841); });
  G_BUFFERS_vFreeFullScreenBitmap(frame);
}
BENCHMARK(BM_FullFrameFill)->UseManualTime();

void BM_FullFrameFilledBox(benchmark::State& state) {
  BITMAP* frame = G_BUFFERS_pCreateFullScreenBitmap();
  POINT at = {0, 0};
  COLOR color = 0;
  Compare(state, MEMSET, frame, [&] { G_BOX_vDrawFilled(frame, color += 0x0841, &at, 800, 480); });
  G_BUFFERS_vFreeFullScreenBitmap(frame);
}
BENCHMARK(BM_FullFrameFilledBox)->UseManualTime();

void BM_FullFrameAlphaBox(benchmark::State& state) {
  BITMAP* frame = G_BUFFERS_pCreateFullScreenBitmap();
  G_BMP_vSet(frame, 0x1234);
  POINT at = {0, 0};
  Compare(state, MEMCPY, frame, [&] { G_BOX_vDrawFilledAlpha(frame, 0xFFFF, &at, 800, 480, 128); });
  G_BUFFERS_vFreeFullScreenBitmap(frame);
}
BENCHMARK(BM_FullFrameAlphaBox)->UseManualTime();

void BM_RandomLines1000(benchmark::State& state) {
  BITMAP* frame = G_BUFFERS_pCreateFullScreenBitmap();
  G_BMP_vSet(frame, 0);
  std::mt19937 rng(1);
  std::vector<POINT> ends(2000);
  for (POINT& p : ends) p = {(PIXEL)(rng() % 800), (PIXEL)(rng() % 480)};
  Compare(state, MEMSET, frame, [&] {
    for (size_t i = 0; i < ends.size(); i += 2) G_LINE_vDraw(frame, (COLOR)i, &ends[i], &ends[i + 1]);
  });
  G_BUFFERS_vFreeFullScreenBitmap(frame);
}
BENCHMARK(BM_RandomLines1000)->UseManualTime();

void BM_Circles100(benchmark::State& state) {
  BITMAP* frame = G_BUFFERS_pCreateFullScreenBitmap();
  G_BMP_vSet(frame, 0);
  std::mt19937 rng(2);
  struct CIRCLE {
    POINT centre;
    U32 diameter;
  };
  std::vector<CIRCLE> circles(100);
  for (CIRCLE& c : circles) c = {{(PIXEL)(rng() % 800), (PIXEL)(rng() % 480)}, (U32)(10 + rng() % 300)};
  Compare(state, MEMSET, frame, [&] {
    for (size_t i = 0; i < circles.size(); i++) {
      if (i & 1) {
        G_CIRCLE_vDrawFilled(frame, (COLOR)i, &circles[i].centre, circles[i].diameter);
      } else {
        G_CIRCLE_vDraw(frame, (COLOR)i, &circles[i].centre, circles[i].diameter);
      }
    }
  });
  G_BUFFERS_vFreeFullScreenBitmap(frame);
}
BENCHMARK(BM_Circles100)->UseManualTime();

// A sonar history of 820 columns shown as 800 columns of the frame.
void BM_ColumnBandCopy(benchmark::State& state) {
  BITMAP* history = G_BUFFERS_pCreateBitmap(820, 480, nullptr, nullptr);
  BITMAP* frame = G_BUFFERS_pCreateFullScreenBitmap();
  G_BMP_vSet(history, 0x4321);
  Compare(state, MEMCPY, frame, [&] { G_BMP_vCopyRegion(history, frame, 20, 0, 800); });
  G_BUFFERS_vFreeBitmap(history);
  G_BUFFERS_vFreeFullScreenBitmap(frame);
}
BENCHMARK(BM_ColumnBandCopy)->UseManualTime();

}  // namespace
