// The screen frame's costs. Key latency: a key written to the keypad FIFO of
// a rig until its key-change message is in the registrant's mailbox, through
// the keyboard task's 25 ms poll, over --presses=N presses (1000 unless
// told), as p50 and p99. A 20-line confirmation box laid out and drawn, set
// against a memcpy of one 768,000-byte frame in the same run (x_memcpy).

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "bench_timing.h"
#include "g_buffers.h"
#include "g_truetype.h"
#include "h_database.h"
#include "h_memory.h"
#include "t_keyboard.h"
#include "test_process.h"
#include "test_tasks.h"
#include "u_dialog.h"
#include "u_keyboard.h"

namespace {

int s_nPresses = 1000;
std::string s_rig;
constexpr size_t kFrameBytes = 800 * 480 * 2;
constexpr U16 kCodeMenu = 50;

double NowMs() { return BENCH_dNow() * 1000.0; }

struct INPUT_EVENT {
  struct timeval time;
  U16 type;
  U16 code;
  S32 value;
};

void SendKey(int fd, S32 value) {
  INPUT_EVENT event = {};
  event.type = 1;
  event.code = kCodeMenu;
  event.value = value;
  (void)!write(fd, &event, sizeof event);
}

// Waits for the key-change message; its arrival time, or a negative value.
double ReceiveKey(MBOX mbox) {
  void* p = L_MBOX_ReceiveWaitTicks(mbox, 500);
  if (p == nullptr) return -1;
  double at = NowMs();
  H_MEMORY_vFree(p);
  return at;
}

void BM_KeyLatency(benchmark::State& state) {
  const MBOX mbox = M_NAV;
  L_MBOX_DefineSema(M_KEYB, SEMA_MBOX_KEYB);
  TEST_StartTask(KBDTASK, T_KEYBOARD_vMain);
  for (int i = 0; i < 200 && !U_KEYBOARD_bRegisterKeys(mbox, 0x4, KEY_CHANGE, FALSE, FALSE, NOT_CURSOR_KEY,
                                                        REGISTER_VIEW); i++) {
    L_CLOCK_Sleep(5);
  }
  int fd = open((s_rig + "/dev/input/event6").c_str(), O_RDWR | O_NONBLOCK);
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> phase(0.0, 25.0);
  std::vector<double> latencies;
  for (auto _ : state) {
    usleep((useconds_t)(phase(rng) * 1000));
    double written = NowMs();
    SendKey(fd, 1);
    double arrived = ReceiveKey(mbox);
    SendKey(fd, 0);
    ReceiveKey(mbox);
    if (arrived < 0) {
      state.SkipWithError("a press never arrived");
      break;
    }
    state.SetIterationTime((arrived - written) / 1000.0);
    latencies.push_back(arrived - written);
  }
  close(fd);
  if (latencies.empty()) return;
  state.counters["p50_ms"] = BENCH_dPercentile(latencies, 0.50);
  state.counters["p99_ms"] = BENCH_dPercentile(latencies, 0.99);
}

void BM_ConfirmBoxOf20Lines(benchmark::State& state) {
  BITMAP* pFrame = G_BUFFERS_pCreateFullScreenBitmap();
  std::string text;
  for (int i = 0; i < 40; i++) text += "Route point " + std::to_string(i) + " lies in shallow water. ";
  LINEOFTEXT lines[U_DIALOG_MAX_LINES];
  if (U_DIALOG_u16ExtractTextIntoLines(text.c_str(), lines, myriad_pro_size17_font_def_ptr, 576, FALSE) != 20) {
    state.SkipWithError("the text does not make 20 lines");
    return;
  }
  std::vector<U8> src(kFrameBytes, 0x5A), dst(kFrameBytes, 0);
  state.counters["x_memcpy"] = BENCH_dCompare(
      state,
      [&] {
        U_DIALOG_vDrawDialogWithConfirm(pFrame, "Confirm", text.c_str(), myriad_pro_size17_font_def_ptr, "No", "Yes",
                                        JUSTIFICATION_CENTER, JUSTIFICATION_CENTER, TRUE, TRUE, FALSE, 0);
      },
      [&] { memcpy(dst.data(), src.data(), kFrameBytes); });
  G_BUFFERS_vFreeFullScreenBitmap(pFrame);
}
BENCHMARK(BM_ConfirmBoxOf20Lines)->UseManualTime()->Unit(benchmark::kMicrosecond);

void MakeRig() {
  s_rig = TEST_MakeTempDir("velmora-bench-rig");
  setenv("VELMORA_DEVROOT", s_rig.c_str(), 1);
  mkdir((s_rig + "/dev").c_str(), 0755);
  mkdir((s_rig + "/dev/input").c_str(), 0755);
  mkfifo((s_rig + "/dev/input/event6").c_str(), 0666);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<char*> args;
  for (int i = 0; i < argc; i++) {
    if (strncmp(argv[i], "--presses=", 10) == 0) {
      s_nPresses = std::max(1, atoi(argv[i] + 10));
    } else {
      args.push_back(argv[i]);
    }
  }
  int count = (int)args.size();
  MakeRig();
  TEST_vInitServiceLayer();
  H_DATABASE_vInit();
  if (!G_TRUETYPE_bInit()) return 1;
  benchmark::RegisterBenchmark("BM_KeyLatency", BM_KeyLatency)
      ->Iterations(s_nPresses)
      ->UseManualTime()
      ->Unit(benchmark::kMillisecond);
  benchmark::Initialize(&count, args.data());
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
