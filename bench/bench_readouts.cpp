// The alarm and tone tasks' costs. Raise to current: an alarm mailed to the
// alarm task until it signals the view task to draw it, set against a bare
// mail from this thread to an echo task that signals back, in the same run
// (x_mail_round_trip over the means, _p50 over the medians). Tone edges: bursts played through a recording sink in place of
// the buzzer, each edge's lateness against the burst's requested times
// counted from its first edge, at p50 and p99.

#include <benchmark/benchmark.h>

#include <mutex>
#include <vector>

#include "bench_timing.h"
#include "h_database.h"
#include "h_memory.h"
#include "t_alarm.h"
#include "t_startup.h"
#include "t_tone.h"
#include "test_tasks.h"

namespace {

constexpr TASK kEchoTask = 60;
constexpr MBOX kEchoBox = M_RADAR;
constexpr SEMA kEchoSema = SEMA_TIMER_RADAR_SIM_MSG;
// Stand-ins for the view and keyboard tasks, emptied between samples.
constexpr MBOX kViewBox = M_VIEW;
constexpr MBOX kKeyboardBox = M_KEYB;

void Drain(MBOX mbox) {
  while (void* p = L_MBOX_Receive(mbox)) H_MEMORY_vDumpMail(p);
}

void Publish(FOURCHARID key, MBOX mbox) {
  H_DATABASE_bUpdateEverythingU32(key, (U32)mbox, P_NORMAL, D_MAILBOX, nullptr, DB_NEVER_STALE);
}

void Echo(void) {
  for (;;) {
    H_MEMORY_vDumpMail(L_MBOX_ReceiveWait(kEchoBox));
    L_SEMA_Signal(kEchoSema);
  }
}

// The sink's edges: each sound and each silence that follows one.
std::mutex s_lock;
std::vector<double> s_edgeMs;
bool s_bSounding = false;
void SinkStart(float) {
  std::lock_guard<std::mutex> guard(s_lock);
  s_edgeMs.push_back(BENCH_dNow() * 1000.0);
  s_bSounding = true;
}
void SinkStop(void) {
  std::lock_guard<std::mutex> guard(s_lock);
  if (s_bSounding) s_edgeMs.push_back(BENCH_dNow() * 1000.0);
  s_bSounding = false;
}
size_t Edges(void) {
  std::lock_guard<std::mutex> guard(s_lock);
  return s_edgeMs.size();
}

// Both tasks once: the tone task on the sink, the alarm task with every
// neighbour but the tone task stood in for.
bool SetUp(void) {
  static const bool s_bUp = [] {
    H_DATABASE_vInit();
    H_DATABASE_bUpdateEverythingU32(FCID("CCST"), STATE_NORMAL_RUN, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
    Publish(FCID("TVUE"), kViewBox);
    Publish(FCID("TKBD"), kKeyboardBox);
    L_MBOX_DefineSema(M_TONE, SEMA_MBOX_TONE);
    L_MBOX_DefineSema(M_ALARM, SEMA_MBOX_ALARM);
    T_TONE_vSetSink(SinkStart, SinkStop);
    TEST_StartTask(TONETASK, T_TONE_vMain);
    TEST_StartTask(ALARMTASK, T_ALARM_vMain);
    TEST_StartTask(kEchoTask, Echo);
    for (int i = 0; i < 2000 && T_ALARM_u32ActiveAlarms() != 0; i++) L_CLOCK_Sleep(1);
    U32 mbox = 0;
    for (int i = 0; i < 2000 && !H_DATABASE_bFetchU32(FCID("TALR"), &mbox, nullptr, nullptr); i++) L_CLOCK_Sleep(1);
    L_CLOCK_Sleep(200);
    return mbox == M_ALARM;
  }();
  return s_bUp;
}

void BM_RaiseToCurrent(benchmark::State& state) {
  if (!SetUp()) {
    state.SkipWithError("the alarm task did not start");
    return;
  }
  ALARM_SET_MESSAGE alarm = {};
  alarm.Priority = LOW_BATTERY_ALARM;
  alarm.pMessageString = "Low Voltage";
  alarm.InitialToneID = TONE_GENERAL_ALERT;
  BENCH_PAIR pair;
  std::vector<double> ourSamples, peerSamples;
  for (auto _ : state) {
    L_SEMA_SetPending(SEMA_VIEW_UPDATE);
    const double ours = BENCH_dTime([&] {
      U_ALARM_bSetAlarm(&alarm, FALSE);
      L_SEMA_Wait(SEMA_VIEW_UPDATE);
    });
    const double peer = BENCH_dTime([] {
      GENERIC_MESSAGE* pMsg = (GENERIC_MESSAGE*)H_MEMORY_pvCalloc(1, sizeof(GENERIC_MESSAGE));
      L_MBOX_Send(kEchoBox, pMsg, 3, 0);
      L_SEMA_Wait(kEchoSema);
    });
    pair.dOurs += ours;
    pair.dPeer += peer;
    ourSamples.push_back(ours);
    peerSamples.push_back(peer);
    state.SetIterationTime(ours);
    state.PauseTiming();
    L_SEMA_SetPending(SEMA_VIEW_UPDATE);
    U_ALARM_bClearAlarm(LOW_BATTERY_ALARM);
    L_SEMA_Wait(SEMA_VIEW_UPDATE);
    Drain(kViewBox);
    Drain(kKeyboardBox);
    state.ResumeTiming();
  }
  state.counters["x_mail_round_trip"] = BENCH_dRatio(pair);
  // Medians, which a busy machine's stalls of either side do not move.
  const double peerMedian = BENCH_dPercentile(peerSamples, 0.5);
  state.counters["x_mail_round_trip_p50"] = peerMedian > 0 ? BENCH_dPercentile(ourSamples, 0.5) / peerMedian : 0;
}

// Five pulses of 20 ms with 10 ms between them, three times with 30 ms
// between the repetitions: 30 edges a burst.
void BM_ToneEdgeLateness(benchmark::State& state) {
  if (!SetUp()) {
    state.SkipWithError("the tone task did not start");
    return;
  }
  static const TONE_BURST burst = {5,
                                   3,
                                   {{{0, 1000, 0}, 20, 10},
                                    {{0, 1100, 0}, 20, 10},
                                    {{0, 1200, 0}, 20, 10},
                                    {{0, 1300, 0}, 20, 10},
                                    {{0, 1400, 0}, 20, 10}},
                                   30};
  std::vector<double> requested;
  double t = 0;
  for (int r = 0; r < 3; r++) {
    if (r > 0) t += 30;
    for (int p = 0; p < 5; p++) {
      requested.push_back(t);
      t += 20;
      requested.push_back(t);
      t += 10;
    }
  }
  std::vector<double> lateness;
  L_CLOCK_Sleep(700);  // what the alarms before sounded has ended
  for (auto _ : state) {
    {
      std::lock_guard<std::mutex> guard(s_lock);
      s_edgeMs.clear();
    }
    U_TONE_bPlayTone(TONE_USE_CUSTOM, &burst, TRUE);
    for (int i = 0; i < 2000 && Edges() < requested.size(); i++) L_CLOCK_Sleep(1);
    std::lock_guard<std::mutex> guard(s_lock);
    if (s_edgeMs.size() < requested.size()) {
      state.SkipWithError("the burst did not end");
      return;
    }
    for (size_t i = 1; i < requested.size(); i++) lateness.push_back(s_edgeMs[i] - s_edgeMs[0] - requested[i]);
    L_CLOCK_Sleep(20);
  }
  state.counters["edges"] = (double)lateness.size();
  state.counters["p50_late_ms"] = BENCH_dPercentile(lateness, 0.5);
  state.counters["p99_late_ms"] = BENCH_dPercentile(lateness, 0.99);
}

BENCHMARK(BM_RaiseToCurrent)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ToneEdgeLateness)->Iterations(40)->Unit(benchmark::kMillisecond);

}  // namespace
