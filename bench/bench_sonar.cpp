// One ping through the signal chain: the block split by channel, the noise
// floor, the bottom and the 480-row column. The time per iteration is the
// cost of one ping; items per second are pings a core could take. Then a
// frame of each sonar view, next to a copy of one whole frame (x_memcpy:
// ours over the copy). A column is scrolled into both histories before each
// frame, outside the timing, or inside it for the 2D view with its scroll
// (goal 1.2): that is the process task's work at the ping rate, timed on its
// own next to the same copy too.

#include <benchmark/benchmark.h>

#include <string.h>

#include <vector>

#include "bench_timing.h"
#include "g_buffers.h"
#include "g_truetype.h"
#include "h_database.h"
#include "h_memory.h"
#include "linuxsvc.h"
#include "s_bottom.h"
#include "s_coproc.h"
#include "s_demultiplex.h"
#include "s_sim.h"
#include "t_n_history.h"
#include "test_tasks.h"

namespace {

void BM_PingThroughTheChain(benchmark::State& state) {
  const U32 samples = (U32)state.range(0);
  S_SIM_CONFIG config;
  S_SIM_vDefaults(&config);
  config.fDepthSwingM = 0;
  MULTI_TX tx;
  S_COPROC_vBuildTxSequenceForSingleDown(&tx, 40, TXPOWER_HIGH, 0, samples, 200, 0, FALSE, 236, 200);
  std::vector<U8> block(S_COPROC_u32BlockBytes(samples));
  S_SIM_u32FillBlock(&config, &tx, 500, 1, FALSE, block.data(), (U32)block.size());
  std::vector<U8> noise(S_COPROC_NOISE_SAMPLES), echo(samples);
  U8 column[S_BOTTOM_ROWS];
  for (auto _ : state) {
    TX_SEQUENCE echoed;
    const U8* rx = nullptr;
    S_DEMULTIPLEX_bExtractTxSequence(block.data(), &echoed, &rx);
    S_DEMULTIPLEX_vGetExtractRxData(rx, 0, S_COPROC_NOISE_SAMPLES, samples, noise.data(), echo.data());
    U8 floor = S_BOTTOM_u8NoiseFloor(noise.data(), S_COPROC_NOISE_SAMPLES);
    S32 bottom = S_BOTTOM_s32FindBottom(echo.data(), samples, floor);
    S_BOTTOM_vMakeColumn(echo.data(), samples, floor, 15.0f, 10, column);
    benchmark::DoNotOptimize(bottom);
    benchmark::DoNotOptimize(column);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PingThroughTheChain)->Arg(4096)->Arg(17323)->Unit(benchmark::kMicrosecond);

// The history task running against a view-task mailbox that nobody reads,
// its histories made, and a depth to show.
void StartHistory() {
  static bool s_bStarted = false;
  if (s_bStarted) return;
  s_bStarted = true;
  H_DATABASE_vInit();
  G_TRUETYPE_bInit();
  H_DATABASE_bUpdateEverythingU32(FCID("TVUE"), M_VIEW, P_NORMAL, D_MAILBOX, nullptr, DB_NEVER_STALE);
  TEST_StartTask(HISTORYTASK, T_N_HISTORY_vMain);
  // The first registration comes once the histories are made.
  if (void* pMsg = L_MBOX_ReceiveWaitTicks(M_VIEW, 2000)) H_MEMORY_vDumpMail(pMsg);
  H_DATABASE_bUpdateEverythingFloat(FCID("IDEP"), 12.0f, P_NORMAL, D_DEPTH, nullptr, DB_NEVER_STALE);
}

constexpr U32 kFrameBytes = 800 * 480 * 2;

// With bScroll the ping's column scrolled into both histories is timed as
// part of the frame: what a frame of the 2D view costs at one ping a frame.
void BM_DrawAFullPane(benchmark::State& state, DRAW_FUNCTION* draw, bool bScroll) {
  StartHistory();
  BITMAP* page = G_BUFFERS_pCreateFullScreenBitmap();
  std::vector<U8> from(kFrameBytes, 0x5A), to(kFrameBytes);
  U8 column[S_BOTTOM_ROWS] = {};
  for (U32 r = 384; r < 400; r++) column[r] = 31;
  WINDOW_SPECIFICATION windowSpec = {};
  windowSpec.currentLayer = SONAR_VIEW_PRIORITY;
  windowSpec.activeWindow = SPLIT_FULL_WINDOW;
  windowSpec.drawWindowType = SPLIT_FULL_WINDOW;
  windowSpec.drawWindow = {0, 479, 799, 0};
  BENCH_PAIR pair;
  auto scroll = [&] {
    T_N_HISTORY_vAddColumn(BEAM_DOWN_0, column, 15.0f);
    T_N_HISTORY_vAddColumn(BEAM_DOWN_1, column, 15.0f);
  };
  for (auto _ : state) {
    if (!bScroll) scroll();
    BENCH_dTimePair(
        state, &pair,
        [&] {
          if (bScroll) scroll();
          draw(page, &windowSpec);
        },
        [&] { memcpy(to.data(), from.data(), kFrameBytes); });
  }
  benchmark::DoNotOptimize(to.data());
  state.counters["x_memcpy"] = BENCH_dRatio(pair);
  G_BUFFERS_vFreeFullScreenBitmap(page);
}
BENCHMARK_CAPTURE(BM_DrawAFullPane, sonar_2d, T_N_HISTORY_vDrawSonarSplit, false)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_DrawAFullPane, sonar_2d_with_scroll, T_N_HISTORY_vDrawSonarSplit, true)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_DrawAFullPane, zoom, T_N_HISTORY_vDrawZoomView, false)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_DrawAFullPane, flasher, T_N_HISTORY_vDrawCircularFlasher, false)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

// One ping's column into both histories, as the process task scrolls them.
void BM_ScrollBothHistories(benchmark::State& state) {
  StartHistory();
  std::vector<U8> from(kFrameBytes, 0x5A), to(kFrameBytes);
  U8 column[S_BOTTOM_ROWS] = {};
  for (U32 r = 384; r < 400; r++) column[r] = 31;
  state.counters["x_memcpy"] = BENCH_dCompare(
      state,
      [&] {
        T_N_HISTORY_vAddColumn(BEAM_DOWN_0, column, 15.0f);
        T_N_HISTORY_vAddColumn(BEAM_DOWN_1, column, 15.0f);
      },
      [&] { memcpy(to.data(), from.data(), kFrameBytes); });
  benchmark::DoNotOptimize(to.data());
}
BENCHMARK(BM_ScrollBothHistories)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace
