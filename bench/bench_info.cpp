// The data boxes' costs per frame. The box column (five boxes in 62-point
// digits) and the big-digits layer are timed next to a memcpy of one
// 768,000-byte frame in the same loop (x_frame_copy; goal for the column:
// within 5). The formatter per data type, alone. The almanac with a change of
// position each time, next to libnova where the host has it (x_libnova): the
// same events on both sides (rise and set and civil twilight today, rise and
// set tomorrow), each found from the sun's place, which ours takes from the
// almanac's low-precision formula and libnova from VSOP87, iterating each
// event. Ours also dates the next four moon phases from the mean synodic
// month, which libnova has no counterpart of (its phase is ELP2000's).

#include <benchmark/benchmark.h>
#include <string.h>

#include <vector>

#include "astro.h"
#include "bench_timing.h"
#include "g_bmp.h"
#include "g_buffers.h"
#include "h_database.h"
#include "h_memory.h"
#include "t_info.h"
#include "test_tasks.h"

#if VELMORA_BENCH_LIBNOVA
#include <libnova/solar.h>
#endif

namespace {

constexpr size_t kFrameBytes = 768000;

void Put(FOURCHARID id, U32 value, DATA_TYPE type) {
  H_DATABASE_bUpdateEverythingU32(id, value, P_NORMAL, type, nullptr, DB_NEVER_STALE);
}
void PutFloat(FOURCHARID id, float value, DATA_TYPE type) {
  H_DATABASE_bUpdateEverythingFloat(id, value, P_NORMAL, type, nullptr, DB_NEVER_STALE);
}

// The info task once, running with the boxes option on and five readouts.
bool SetUp(void) {
  static const bool s_bUp = [] {
    H_DATABASE_vInit();
    L_MBOX_DefineSema(M_INFO, SEMA_MBOX_INFO);
    TEST_StartTask(INFOTASK, T_INFO_vMain);
    U32 mbox = 0;
    for (int i = 0; i < 2000 && !H_DATABASE_bFetchU32(FCID("TINF"), &mbox, nullptr, nullptr); i++) L_CLOCK_Sleep(1);
    GENERIC_MESSAGE* run = (GENERIC_MESSAGE*)H_MEMORY_pvMalloc(sizeof(GENERIC_MESSAGE));
    *run = {};
    run->Cmd = CMD_ID_RUN_SYSTEM;
    L_MBOX_Send(M_INFO, run, 3, 0);
    L_CLOCK_Sleep(50);
    Put(FCID("SDBO"), DATA_BOXES_ON, D_FCID);
    for (int i = 0; i < 2000 && T_INFO_eDataBoxOption() != DATA_BOXES_ON; i++) L_CLOCK_Sleep(1);
    Put(FCID("CVEW"), SONAR_VIEW_PRIORITY, D_UNKNOWN);
    Put(FCID("SUDP"), U_FEET, D_UNKNOWN);
    Put(FCID("SUTE"), U_CELSIUS, D_UNKNOWN);
    Put(FCID("SUSP"), U_KNOTS, D_UNKNOWN);
    const struct {
      FOURCHARID slot, readout, live;
      DATA_TYPE type;
      float value;
    } boxes[] = {{FCID("SIS1"), FCID("BDEP"), FCID("IDEP"), D_DEPTH, 7.01f},
                 {FCID("SIS2"), FCID("BTMP"), FCID("ITMP"), D_TEMPERATURE, 18.5f},
                 {FCID("SIS3"), FCID("BSPD"), FCID("ISPD"), D_SPEED, 2.57f},
                 {FCID("SIS4"), FCID("BSTW"), FCID("ISTW"), D_SPEED, 2.41f},
                 {FCID("SIS5"), FCID("BVLT"), FCID("IVLT"), D_VOLTAGE, 12.6f}};
    for (const auto& b : boxes) {
      PutFloat(b.live, b.value, b.type);
      Put(b.readout, b.live, D_FCID);
      Put(b.slot, b.readout, D_FCID);
    }
    return T_INFO_eDataBoxOption() == DATA_BOXES_ON;
  }();
  return s_bUp;
}

// A layer drawn into a full-screen page, next to one frame copied.
void FrameRatio(benchmark::State& state, DRAW_FUNCTION* pDraw, LAYER_ID view) {
  if (!SetUp()) {
    state.SkipWithError("the info task did not start");
    return;
  }
  Put(FCID("CVEW"), (U32)view, D_UNKNOWN);
  BITMAP* pBitmap = G_BUFFERS_pCreateFullScreenBitmap();
  std::vector<unsigned char> from(kFrameBytes, 0x5A), to(kFrameBytes);
  WINDOW_SPECIFICATION windowSpec = {};
  windowSpec.drawWindowType = SPLIT_FULL_WINDOW;
  windowSpec.u32User = 0x333333;
  const double ratio = BENCH_dCompare(
      state, [&] { pDraw(pBitmap, &windowSpec); }, [&] { memcpy(to.data(), from.data(), kFrameBytes); });
  benchmark::DoNotOptimize(to.data());
  state.counters["x_frame_copy"] = ratio;
  G_BUFFERS_vFreeBitmap(pBitmap);
}

void BM_BoxColumn(benchmark::State& state) {
  FrameRatio(state, T_INFO_vDrawInfoLayer_Instrumentation_SonarView, SONAR_VIEW_PRIORITY);
}
BENCHMARK(BM_BoxColumn)->UseManualTime();

void BM_BigDigits(benchmark::State& state) {
  FrameRatio(state, T_INFO_vDrawInfoLayer_Instrumentation_SonarView, ZOLT_DIGIT_VIEW_PRIORITY);
}
BENCHMARK(BM_BigDigits)->UseManualTime();

// One live item of each kind the boxes show.
const struct {
  const char* name;
  FOURCHARID id;
  DATA_TYPE type;
  U32 raw;
} kItems[] = {
    {"depth", FCID("XDEP"), D_DEPTH, 0x40E00000},        // 7.0
    {"temperature", FCID("XTMP"), D_TEMPERATURE, 0x41940000},  // 18.5
    {"speed", FCID("XSPD"), D_SPEED, 0x40200000},        // 2.5
    {"distance", FCID("XDST"), D_DISTANCE, 0x447A0000},  // 1000
    {"heading", FCID("XHDG"), D_HEADING, 0x43340000},    // 180
    {"voltage", FCID("XVLT"), D_VOLTAGE, 0x41480000},    // 12.5
    {"time", FCID("XTIM"), D_TIME, 3725},
    {"long_time", FCID("XLTM"), D_LONG_TIME, 3725},
    {"datetime", FCID("XDTM"), D_DATETIME, 1710936000},
    {"percent", FCID("XPCT"), D_PERCENT, 56},
};

void BM_InfoStrings(benchmark::State& state) {
  if (!SetUp()) {
    state.SkipWithError("the info task did not start");
    return;
  }
  const auto& item = kItems[state.range(0)];
  Put(FCID("SUDS"), U_NAUT_MILES, D_UNKNOWN);
  Put(FCID("SUHD"), U_DEG_TRUE, D_UNKNOWN);
  Put(FCID("SITF"), 4, D_UNKNOWN);
  Put(item.id, item.raw, item.type);
  char value[40];
  const char* units = nullptr;
  for (auto _ : state) {
    S32 w = T_INFO_nInfoStrings(value, &units, nullptr, 158, item.id, T_INFO_pFont(62), T_INFO_pFont(14),
                                T_INFO_pFont(32), SMALL_TENTHS, 0, 40, nullptr, nullptr);
    benchmark::DoNotOptimize(w);
  }
  state.SetLabel(item.name);
}
BENCHMARK(BM_InfoStrings)->DenseRange(0, sizeof kItems / sizeof kItems[0] - 1);

void BM_SunriseSunsetWithPositionChange(benchmark::State& state) {
  U32 h[6] = {};
  double lat = 40.0;
#if VELMORA_BENCH_LIBNOVA
  const double jd = 2460389.5;  // 2024-03-20 0h UTC
  const double ratio = BENCH_dCompare(
      state,
      [&] {
        lat = lat > 59.0 ? 40.0 : lat + 0.01;
        ASTRO_bGetSunriseSunsetTimes(lat, -3.0, 2024, 3, 20, 0.0, &h[0], &h[1], &h[2], &h[3], &h[4], &h[5]);
        benchmark::DoNotOptimize(h);
      },
      [&] {
        ln_lnlat_posn observer = {-3.0, lat};
        ln_rst_time today = {}, twilight = {}, tomorrow = {};
        ln_get_solar_rst(jd, &observer, &today);
        ln_get_solar_rst_horizon(jd, &observer, LN_SOLAR_CIVIL_HORIZON, &twilight);
        ln_get_solar_rst(jd + 1, &observer, &tomorrow);
        benchmark::DoNotOptimize(today);
        benchmark::DoNotOptimize(twilight);
        benchmark::DoNotOptimize(tomorrow);
      });
  state.counters["x_libnova"] = ratio;
#else
  for (auto _ : state) {
    const double t = BENCH_dTime([&] {
      lat = lat > 59.0 ? 40.0 : lat + 0.01;
      ASTRO_bGetSunriseSunsetTimes(lat, -3.0, 2024, 3, 20, 0.0, &h[0], &h[1], &h[2], &h[3], &h[4], &h[5]);
    });
    state.SetIterationTime(t);
  }
#endif
}
BENCHMARK(BM_SunriseSunsetWithPositionChange)->UseManualTime();

}  // namespace
