// One ping through the signal chain: the block split by channel, the noise
// floor, the bottom and the 480-row column. The time per iteration is the
// cost of one ping; items per second are pings a core could take.

#include <benchmark/benchmark.h>

#include <vector>

#include "s_bottom.h"
#include "s_coproc.h"
#include "s_demultiplex.h"
#include "s_sim.h"

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

}  // namespace
