// Device paths over a host rig: how long a key takes from the keypad FIFO to
// the key layer when scanned every 25 ms, and a serial port taking 115,200
// baud for a while (no byte lost, CPU share of the reader thread and of the
// consumer task). --uart_seconds=N sets the serial run (3 s unless told;
// 30 s for the full measurement).

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <pthread.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "bench_timing.h"
#include "dd_uart.h"
#include "h_keyboard.h"
#include "h_uart.h"
#include "test_process.h"
#include "test_tasks.h"

namespace {

int s_nUartSeconds = 3;
std::string s_rig;

double NowMs() { return BENCH_dNow() * 1000.0; }

double ThreadCpuMs(pthread_t thread) {
  clockid_t clock;
  struct timespec t = {};
  if (pthread_getcpuclockid(thread, &clock) != 0 || clock_gettime(clock, &t) != 0) return 0;
  return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

// The input event record as this host lays it out.
struct INPUT_EVENT {
  struct timeval time;
  U16 type;
  U16 code;
  S32 value;
};

void SendKey(int fd, U16 code, S32 value) {
  INPUT_EVENT event = {};
  event.type = 1;
  event.code = code;
  event.value = value;
  (void)!write(fd, &event, sizeof event);
}

// Waits for the next key event, scanning on the 25 ms schedule that began at
// `start`; returns the time it was fetched.
double ScanUntilEvent(double start) {
  for (int scan = 1;; scan++) {
    double due = start + 25.0 * scan;
    double wait = due - NowMs();
    if (wait > 0) usleep((useconds_t)(wait * 1000));
    if (!H_KEYBOARD_bProcessKeys()) continue;
    HKEY_ID key;
    KEY_STATE state;
    U32 count;
    CURSOR_POSITION cursor;
    if (H_KEYBOARD_bFetchKeyEvent(&key, &state, &count, &cursor)) return NowMs();
  }
}

void BM_KeyLatency(benchmark::State& state) {
  H_KEYBOARD_vInit();
  int fd = open((s_rig + "/dev/input/event6").c_str(), O_RDWR | O_NONBLOCK);
  std::mt19937 rng(5);
  std::uniform_real_distribution<double> phase(0.0, 25.0);
  std::vector<double> latencies;
  for (auto _ : state) {
    double start = NowMs();
    usleep((useconds_t)(phase(rng) * 1000));
    double written = NowMs();
    SendKey(fd, 50, 1);
    double latency = ScanUntilEvent(start) - written;
    state.SetIterationTime(latency / 1000.0);
    latencies.push_back(latency);
    SendKey(fd, 50, 0);
    ScanUntilEvent(NowMs());
  }
  close(fd);
  double sum = 0;
  for (double l : latencies) sum += l;
  state.counters["mean_ms"] = sum / (double)latencies.size();
  state.counters["max_ms"] = BENCH_dPercentile(latencies, 1.0);
}
BENCHMARK(BM_KeyLatency)->Iterations(40)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_Uart115200(benchmark::State& state) {
  int master = posix_openpt(O_RDWR | O_NOCTTY);
  grantpt(master);
  unlockpt(master);
  struct termios tio;
  tcgetattr(master, &tio);
  cfmakeraw(&tio);
  tcsetattr(master, TCSANOW, &tio);
  std::string link = s_rig + "/dev/ttyO4";
  unlink(link.c_str());
  (void)!symlink(ptsname(master), link.c_str());
  H_UART_u32Setup(0, 115200, FALSE);

  const U64 total = (U64)s_nUartSeconds * 11520;
  std::atomic<U64> received{0}, wrong{0};
  std::atomic<double> consumerCpuMs{0};
  std::atomic<bool> done{false};
  // The consumer is a task waiting on the port's semaphore, as the UART task does.
  TEST_StartTask(UARTTASK, [&] {
    U8 expected = 0;
    while (!done) {
      if (L_SEMA_WaitTicks(SEMA_RECEIVE_RDY_UART0, 100) != 0) continue;
      while (DD_UART_bRxCharAvail(0)) {
        if ((U8)H_UART_u16FetchRx(0) != expected) wrong++;
        expected++;
        received++;
      }
    }
    consumerCpuMs = ThreadCpuMs(pthread_self());
  });

  for (auto _ : state) {
    double readerStart = ThreadCpuMs(DD_UART_ReaderThread(0));
    double start = NowMs();
    U8 chunk[64];
    U8 next = 0;
    // 11,520 bytes a second, in chunks as a UART's FIFO would hand them on.
    for (U64 sent = 0; sent < total; sent += sizeof chunk) {
      for (U8& b : chunk) b = next++;
      (void)!write(master, chunk, sizeof chunk);
      double due = start + (double)(sent + sizeof chunk) * 1000.0 / 11520.0;
      double wait = due - NowMs();
      if (wait > 0) usleep((useconds_t)(wait * 1000));
    }
    for (double end = NowMs() + 2000; received < total && NowMs() < end;) usleep(1000);
    double elapsed = NowMs() - start;
    double readerMs = ThreadCpuMs(DD_UART_ReaderThread(0)) - readerStart;
    done = true;
    TEST_bJoinTask(UARTTASK);
    state.SetIterationTime(elapsed / 1000.0);
    state.counters["bytes"] = (double)received.load();
    state.counters["lost"] = (double)(total > received ? total - received : 0);
    state.counters["out_of_order"] = (double)wrong.load();
    state.counters["reader_cpu_pct"] = 100.0 * readerMs / elapsed;
    state.counters["consumer_cpu_pct"] = 100.0 * consumerCpuMs.load() / elapsed;
  }
  H_UART_vShutdown(0);
  close(master);
}
BENCHMARK(BM_Uart115200)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

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
    if (strncmp(argv[i], "--uart_seconds=", 15) == 0) {
      s_nUartSeconds = std::max(1, atoi(argv[i] + 15));
    } else {
      args.push_back(argv[i]);
    }
  }
  int count = (int)args.size();
  MakeRig();
  TEST_vInitServiceLayer();
  benchmark::Initialize(&count, args.data());
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
