// The remote's button path: a dongle's PLUS press framed and parsed by the
// NMEA receiver, mailed to the remote task, and turned into the chart's zoom
// key in the navigation task's mailbox; against the framing of the same
// lines alone, which is the goal's yardstick (under twice its cost). And the
// remote task's processor time while the link is idle.

#include <stdlib.h>
#include <sys/resource.h>

#include <string>

#include "bench_timing.h"
#include "h_database.h"
#include "h_memory.h"
#include "layer_id.h"
#include "t_btremote.h"
#include "t_nmea_internal.h"
#include "test_tasks.h"

namespace {

std::string Sentence(const std::string& body) {
  char tail[8];
  snprintf(tail, sizeof tail, "*%02X\r\n", T_NMEA_u8Checksum(body.c_str()));
  return "$" + body + tail;
}

const std::string s_press = Sentence("PQVM100,3C,01,00");
const std::string s_release = Sentence("PQVM100,3C,00,00");

NMEA_PORT_INFO* s_pPort = nullptr;

// The remote task running in a chart view (PLUS zooms), once.
void Unit(void) {
  static bool s_bStarted = false;
  if (s_bStarted) return;
  s_bStarted = true;
  H_DATABASE_vInit();
  L_MBOX_DefineSema(M_BT_REMOTE, SEMA_MBOX_BTREMOTE);
  H_DATABASE_bUpdateEverythingU32(FCID("CVEW"), CHART_VIEW_PRIORITY, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  TEST_StartTask(BTREMOTETASK, T_BTREMOTE_vMain);
  while (!H_DATABASE_bFetchU32(FCID("TBTR"), nullptr, nullptr, nullptr)) L_CLOCK_Sleep(1);
  T_NMEA_vResetInput();
  s_pPort = T_NMEA_pInitPortInfo(ID_EXTERNAL_GPS);
}

void Frame(const std::string& line) {
  for (char c : line) T_NMEA_bFrameEntry(s_pPort, (U8)c);
}

void Publish(bool bRemote) {
  H_DATABASE_bUpdateEverythingU32(FCID("TBTR"), bRemote ? (U32)M_BT_REMOTE : 0, P_NORMAL, D_MAILBOX, nullptr,
                                  DB_NEVER_STALE);
  if (!bRemote) H_DATABASE_vRelinquishOwnership(FCID("TBTR"));
}

// The same two lines with nowhere to mail them: framing and parsing only.
void BM_ButtonFramingAlone(benchmark::State& state) {
  Unit();
  Publish(false);
  for (auto _ : state) {
    Frame(s_press);
    Frame(s_release);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ButtonFramingAlone)->Unit(benchmark::kMicrosecond);

// Press and release in; each sample ends with the zoom key's down and up in
// the navigation task's mailbox.
void BM_ButtonToKeyAction(benchmark::State& state) {
  Unit();
  Publish(true);
  for (auto _ : state) {
    Frame(s_press);
    for (int i = 0; i < 2; i++) {
      void* p = L_MBOX_ReceiveWaitTicks(M_NAV, 1000);
      if (p == nullptr) {
        state.SkipWithError("no zoom key");
        return;
      }
      H_MEMORY_vDumpMail(p);
    }
    Frame(s_release);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ButtonToKeyAction)->Unit(benchmark::kMicrosecond)->UseRealTime();

double CpuSeconds(void) {
  struct rusage usage = {};
  getrusage(RUSAGE_SELF, &usage);
  return (double)usage.ru_utime.tv_sec + (double)usage.ru_stime.tv_sec +
         ((double)usage.ru_utime.tv_usec + (double)usage.ru_stime.tv_usec) / 1e6;
}

// The process's processor time while only the idle remote task runs, as a
// share of one core (goal: under 0.1 %); VELMORA_IDLE_SECONDS, else 5.
void BM_RemoteIdleCpu(benchmark::State& state) {
  Unit();
  const char* text = getenv("VELMORA_IDLE_SECONDS");
  const U32 seconds = text != nullptr && atoi(text) > 0 ? (U32)atoi(text) : 5;
  double share = 0;
  for (auto _ : state) {
    const double before = CpuSeconds();
    L_CLOCK_Sleep(seconds * 1000);
    share = (CpuSeconds() - before) / seconds;
  }
  state.counters["core_percent"] = 100.0 * share;
}
BENCHMARK(BM_RemoteIdleCpu)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
