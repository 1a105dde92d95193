// The graphic-context line engine on chart-like polylines: 10,000 short
// segments of a wandering track over an 800 x 480 frame, some legs running
// off the screen, drawn solid, dashed (pattern type 49) and with the 3-pixel
// brush. The counter x_g_line is the engine's time over the raster core's
// plain lines (G_LINE_vDraw) on the same segments, timed in the same run.
// Reported, not gated.

#include <benchmark/benchmark.h>
#include <math.h>

#include <random>
#include <vector>

#include "bench_timing.h"
#include "g_bmp.h"
#include "g_buffers.h"
#include "g_line.h"
#include "gr_context.h"
#include "gr_line.h"
#include "test_tasks.h"

namespace {

constexpr int kSegments = 10000;
const U8 kDashes[8] = {0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC};

// A track that turns gently, with legs of 4 to 40 pixels, kept loosely
// within a margin around the screen so that some legs are clipped.
std::vector<POINT> Track() {
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> turn(-0.6, 0.6), leg(4.0, 40.0);
  std::vector<POINT> points;
  double x = 400, y = 240, heading = 0.3;
  points.push_back({(PIXEL)x, (PIXEL)y});
  for (int i = 0; i < kSegments; i++) {
    heading += turn(rng);
    x += cos(heading) * leg(rng);
    y += sin(heading) * leg(rng);
    if (x < -60 || x > 860 || y < -60 || y > 540) heading += M_PI;
    points.push_back({(PIXEL)x, (PIXEL)y});
  }
  return points;
}

enum STYLE { MIXED, SOLID, DASHED, BRUSHED };

void SetStyle(GR_CONTEXT* gc, STYLE style) {
  gr_SetPatternStatus(gc, style == DASHED);
  gr_SetDrawingTool(gc, style == BRUSHED ? BRUSH : STD_PEN);
  gr_SetPixelSize(gc, style == BRUSHED ? 3 : 1);
}

void BM_ChartPolyline(benchmark::State& state) {
  const STYLE style = (STYLE)state.range(0);
  BITMAP* frame = G_BUFFERS_pCreateFullScreenBitmap();
  G_BMP_vSet(frame, 0);
  const std::vector<POINT> track = Track();
  gr_InitPattern(kDashes, 49, 8, 8, 8);
  GR_CONTEXT gc;
  const double ratio = BENCH_dCompare(
      state,
      [&] {
        gr_InitGC(&gc, 800, 480, frame->pBuffer);
        gr_SetPatternType(&gc, 49);
        gr_SetColor(&gc, (S32)0x8000F800u);
        SetStyle(&gc, style == MIXED ? SOLID : style);
        gr_SetAbsPenPos(&gc, track[0].x, track[0].y);
        for (int i = 1; i <= kSegments; i++) {
          // A third of the track in each style.
          if (style == MIXED && (i == kSegments / 3 || i == 2 * kSegments / 3)) {
            SetStyle(&gc, i == kSegments / 3 ? DASHED : BRUSHED);
          }
          gr_DrawAbsLine(&gc, track[i].x, track[i].y);
        }
      },
      [&] {
        for (int i = 1; i <= kSegments; i++) {
          POINT a = track[i - 1], b = track[i];
          G_LINE_vDraw(frame, 0x07E0, &a, &b);
        }
      });
  state.counters["x_g_line"] = ratio;
  G_BUFFERS_vFreeFullScreenBitmap(frame);
}
BENCHMARK(BM_ChartPolyline)->UseManualTime()->ArgName("style")->Arg(MIXED)->Arg(SOLID)->Arg(DASHED)->Arg(BRUSHED);

}  // namespace
