// XMODEM of the PC link on pseudo-terminal lines: a megabyte each way
// against lrzsz's sx to rx over the same kind of line in the same run
// (bytes/s and CPU seconds per MB of the sending or receiving side; on both
// sides the program alone, without the socat that carries its line, and
// lrzsz's messages written to a file in every run, since read through a pipe
// they cost the process that reads them: this one, on the unit's side), a line
// paced at 115,200 baud against the 89.4 ms a 1 KB block takes on it, and
// the processor time of the wait for a receiver that never asks.

#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <filesystem>

#include "bench_timing.h"
#include "h_database.h"
#include "pclink_peer.h"
#include "t_uart.h"
#include "test_tasks.h"
#include "u_uart.h"

namespace {

using namespace pclink;

constexpr size_t kMegabyte = 1 << 20;

double ProcessCpu(void) {
  struct rusage u;
  getrusage(RUSAGE_SELF, &u);
  return (double)u.ru_utime.tv_sec + (double)u.ru_stime.tv_sec + ((double)u.ru_utime.tv_usec + (double)u.ru_stime.tv_usec) / 1e6;
}

// A rig with the UART task on ttyO3, channel 2 owned by the benchmark.
struct LINE {
  std::string dir;
  std::unique_ptr<TEST_PROCESS> socat;
  std::unique_ptr<PC_RELAY> relay;
  std::string tty;
  int hold = -1;

  explicit LINE(U32 u32PacedRate = 0) {
    dir = std::string(getenv("TMPDIR") ? getenv("TMPDIR") : "/tmp") + "/velmora-bench-pclink-XXXXXX";
    if (mkdtemp(dir.data()) == nullptr) return;
    mkdir((dir + "/dev").c_str(), 0700);
    setenv("VELMORA_DEVROOT", dir.c_str(), 1);
    if (u32PacedRate > 0) {
      relay = std::make_unique<PC_RELAY>();
      relay->Start(dir + "/dev/ttyO3", [](U8) { return true; }, u32PacedRate);
      tty = relay->tty;
    } else {
      tty = dir + "/pc";
      socat = SocatPair(dir + "/dev/ttyO3", tty);
      hold = open(tty.c_str(), O_RDWR | O_NOCTTY);
    }
    H_DATABASE_vInit();
    L_MBOX_DefineSema(M_COM1A, SEMA_MBOX_COM1A);
    TEST_StartTask(UARTTASK, T_UART_vMain);
    while (!H_DATABASE_bFetch(FCID("TURT"), nullptr, nullptr, nullptr) || T_UART_bInStartPeriod()) L_CLOCK_Sleep(5);
    U_UART_bAllocateChannel(2);
    while (!T_UART_bChannelIsOwned(2)) L_CLOCK_Sleep(5);
  }

  ~LINE() {
    L_TASK_Terminate(UARTTASK);
    TEST_bJoinTask(UARTTASK);
    relay.reset();
    if (hold >= 0) close(hold);
    if (socat) TEST_Signal(socat.get(), SIGTERM);
    socat.reset();
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
  }
};

struct RESULT {
  double dSeconds = 0;
  double dCpu = 0;  // of the side measured
  bool bDone = false;
};

// The unit sends the megabyte to rx; its CPU is this process's.
RESULT UnitToRx(LINE& line, std::vector<U8>& data) {
  auto pc = Peer(line.dir, line.tty, "exec rx -X -c -b out.bin 2>peer.err");
  RESULT r;
  const double cpu = ProcessCpu(), start = BENCH_dNow();
  r.bDone = U_XMODEM_bTransmit(2, data.data(), (S32)data.size(), nullptr, nullptr);
  r.dSeconds = BENCH_dNow() - start;
  r.dCpu = ProcessCpu() - cpu;
  TEST_Finish(std::move(pc), 30000);
  return r;
}

RESULT SxToUnit(LINE& line, std::vector<U8>& buffer) {
  auto pc = Peer(line.dir, line.tty, "exec sx -X -k -b in.bin 2>peer.err");
  RESULT r;
  S32 s32Size = (S32)buffer.size();
  const double cpu = ProcessCpu(), start = BENCH_dNow();
  r.bDone = U_XMODEM_bReceive(2, buffer.data(), &s32Size, nullptr, nullptr);
  r.dSeconds = BENCH_dNow() - start;
  r.dCpu = ProcessCpu() - cpu;
  TEST_Finish(std::move(pc), 30000);
  return r;
}

// The command run under a wrapper that writes the processor seconds of the
// command alone into dir/cpuFile, so that its socat and shell are left out
// as the unit's socat is.
std::string Measured(const std::string& cpuFile, const std::string& command) {
  return "exec /usr/bin/python3 -c 'import resource, subprocess, sys; subprocess.run(sys.argv[2:]); "
         "u = resource.getrusage(resource.RUSAGE_CHILDREN); "
         "open(sys.argv[1], \"w\").write(\"%.6f\" % (u.ru_utime + u.ru_stime))' " +
         cpuFile + " " + command;
}

double ReadSeconds(const std::string& path) {
  const std::vector<U8> text = ReadFile(path);
  return text.empty() ? 0 : atof(std::string(text.begin(), text.end()).c_str());
}

// sx to rx over a socat pair of their own; each side's CPU its own.
void SxToRx(const std::string& dir, double* pdSeconds, double* pdSxCpu, double* pdRxCpu) {
  unlink((dir + "/sx.cpu").c_str());
  unlink((dir + "/rx.cpu").c_str());
  auto socat = SocatPair(dir + "/a", dir + "/b");
  const int hold = open((dir + "/b").c_str(), O_RDWR | O_NOCTTY);
  auto rx = Peer(dir, dir + "/b", Measured("rx.cpu", "rx -X -c -b peer.bin") + " 2>rx.err");
  const std::string sx = "cd " + dir + " && " + Measured("sx.cpu", "sx -X -k -b in.bin") + " 2>sx.err\n";
  WriteFile(dir + "/sx.sh", std::vector<U8>(sx.begin(), sx.end()));
  const double start = BENCH_dNow();
  TEST_Run("/usr/bin/env", {"socat", "FILE:" + dir + "/a,raw,echo=0", "SYSTEM:sh " + dir + "/sx.sh"}, {}, 60000);
  TEST_Finish(std::move(rx), 30000);
  *pdSeconds = BENCH_dNow() - start;
  *pdSxCpu = ReadSeconds(dir + "/sx.cpu");
  *pdRxCpu = ReadSeconds(dir + "/rx.cpu");
  if (hold >= 0) close(hold);
  TEST_Signal(socat.get(), SIGTERM);
}

void BM_MegabyteAgainstLrzsz(benchmark::State& state) {
  LINE line;
  std::vector<U8> data = Random(kMegabyte, 5);
  WriteFile(line.dir + "/in.bin", data);
  std::vector<U8> buffer(kMegabyte + 2048);
  RESULT send, receive;
  double dSend = 0, dReceive = 0, dSendCpu = 0, dReceiveCpu = 0;
  double dPeer = 0, dSx = 0, dRx = 0;
  BOOLEAN bUnitFirst = TRUE;
  for (auto _ : state) {
    double dPeerSeconds = 0, dSxCpu = 0, dRxCpu = 0;
    if (!bUnitFirst) SxToRx(line.dir, &dPeerSeconds, &dSxCpu, &dRxCpu);
    send = UnitToRx(line, data);
    receive = SxToUnit(line, buffer);
    if (bUnitFirst) SxToRx(line.dir, &dPeerSeconds, &dSxCpu, &dRxCpu);
    bUnitFirst = !bUnitFirst;
    if (!send.bDone || !receive.bDone) state.SkipWithError("a transfer failed");
    state.SetIterationTime(send.dSeconds + receive.dSeconds);
    dSend += send.dSeconds;
    dReceive += receive.dSeconds;
    dSendCpu += send.dCpu;
    dReceiveCpu += receive.dCpu;
    dPeer += dPeerSeconds;
    dSx += dSxCpu;
    dRx += dRxCpu;
  }
  const double n = (double)state.iterations();
  state.counters["unit_send_Bps"] = n * (double)kMegabyte / dSend;
  state.counters["unit_receive_Bps"] = n * (double)kMegabyte / dReceive;
  state.counters["lrzsz_Bps"] = n * (double)kMegabyte / dPeer;
  state.counters["unit_send_cpu_s_per_MB"] = dSendCpu / n;
  state.counters["unit_receive_cpu_s_per_MB"] = dReceiveCpu / n;
  state.counters["sx_cpu_s_per_MB"] = dSx / n;
  state.counters["rx_cpu_s_per_MB"] = dRx / n;
  // Goal: at most 1.5 each.
  state.counters["send_cpu_vs_sx"] = dSx > 0 ? dSendCpu / dSx : 0;
  state.counters["receive_cpu_vs_rx"] = dRx > 0 ? dReceiveCpu / dRx : 0;
}
// Four rounds, the peer leading every other one: a single megabyte costs
// little enough processor time for one busy moment of the machine to swing
// its ratio twofold.
BENCHMARK(BM_MegabyteAgainstLrzsz)->UseManualTime()->Iterations(4)->Unit(benchmark::kSecond);

// sx through a relay that lets 11,520 bytes a second pass: a 1 KB block
// (1,029 bytes) cannot take less than 89.3 ms on such a line. Timed from
// the first block's arrival to the last's.
std::vector<double> g_blockTimes;
void TimeBlock(U32 u32Count, U8*, void*) {
  if (u32Count != 0) g_blockTimes.push_back(BENCH_dNow());
}

void BM_PacedLineEfficiency(benchmark::State& state) {
  constexpr U32 kRate = 11520;
  constexpr size_t kBlocks = 32;
  LINE line(kRate);
  WriteFile(line.dir + "/in.bin", Random(kBlocks * 1024, 9));
  double dEfficiency = 0, dPerBlock = 0;
  for (auto _ : state) {
    g_blockTimes.clear();
    auto pc = Peer(line.dir, line.tty, "exec sx -X -k -b in.bin 2>peer.err");
    U8 block[1024];
    S32 s32Size = sizeof block;
    const BOOLEAN bDone = U_XMODEM_bReceive(2, block, &s32Size, TimeBlock, nullptr);
    TEST_Finish(std::move(pc), 30000);
    if (!bDone || g_blockTimes.size() != kBlocks) {
      state.SkipWithError("the transfer failed");
      break;
    }
    const double took = g_blockTimes.back() - g_blockTimes.front();
    dPerBlock = took / (kBlocks - 1);
    dEfficiency = (1029.0 / kRate) / dPerBlock;
    state.SetIterationTime(took);
  }
  // Goal: at least 0.95.
  state.counters["efficiency"] = dEfficiency;
  state.counters["ms_per_block"] = dPerBlock * 1000.0;
}
BENCHMARK(BM_PacedLineEfficiency)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

// The sender waiting for a 'C' that never comes: 5 s measured, the share of
// a core it used is what a 120 s wait costs too.
void BM_WaitForReceiverCpu(benchmark::State& state) {
  LINE line;
  double dShare = 0;
  for (auto _ : state) {
    // The sender runs as a task, so that its end at a wait can be forced.
    TEST_StartTask(PCCTASK, [] {
      U8 data[16] = {};
      U_XMODEM_bTransmit(2, data, sizeof data, nullptr, nullptr);
    });
    L_CLOCK_Sleep(200);
    const double cpu = ProcessCpu(), start = BENCH_dNow();
    L_CLOCK_Sleep(5000);
    dShare = (ProcessCpu() - cpu) / (BENCH_dNow() - start);
    state.SetIterationTime(BENCH_dNow() - start);
    L_TASK_Terminate(PCCTASK);
    TEST_bJoinTask(PCCTASK);
  }
  // Goal: below 0.01 (the whole process, its UART task included).
  state.counters["core_share"] = dShare;
}
BENCHMARK(BM_WaitForReceiverCpu)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
