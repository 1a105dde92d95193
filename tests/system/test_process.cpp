// The unit's process as a whole: its command line, its start order, its ends.

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "test_process.h"
#include "test_timing.h"

namespace {

const std::string kVelmora = VELMORA_BINARY;

std::vector<std::string> FreshBase() { return {"VELMORA_CWD=" + TEST_MakeTempDir("velmora-proc")}; }

// The task ids in the order the log says they were started.
std::vector<int> StartOrder(const std::string& out) {
  std::vector<int> ids;
  std::regex started(R"(L_TASK_Start: task (\d+) )");
  for (auto it = std::sregex_iterator(out.begin(), out.end(), started); it != std::sregex_iterator(); ++it) {
    ids.push_back(std::stoi((*it)[1]));
  }
  return ids;
}

TEST(Process, QuitSecondsEndTheUnitWithStatusFour) {
  TEST_RESULT r = TEST_Run(kVelmora, {"quit_sec", "3"}, FreshBase(), 20000);
  EXPECT_EQ(4, r.status) << r.out << r.err;
  std::string first = r.out.substr(0, r.out.find('\n'));
  EXPECT_TRUE(std::regex_match(first, std::regex(R"( *\d+\.\d{3} +\d+\.\d{3} 72 MAINTHREAD VORNE7_SONAR_b start\r)")))
      << first;
  EXPECT_NE(std::string::npos, r.err.find("quit seconds expired"));
}

TEST(Process, ABadCommandLineEndsWithStatusOne) {
  const struct {
    std::vector<std::string> args;
    const char* text;
  } rows[] = {
      {{"task_add"}, "specifier required for argument task_add"},
      {{"quit_sec", "2", "fake_key"}, "specifier required for argument fake_key"},
      {{"bogus"}, "invalid argument bogus"},
      {{"Quit_sec", "2"}, "invalid argument Quit_sec"},
      {{"quit_sec", "soon"}, "invalid argument quit_sec soon"},
  };
  for (const auto& row : rows) {
    TEST_RESULT r = TEST_Run(kVelmora, row.args, FreshBase(), 10000);
    EXPECT_EQ(1, r.status) << row.text;
    EXPECT_NE(std::string::npos, r.out.find(row.text)) << r.out;
    // After the program's name, which under the board's emulator is the
    // emulator's.
    EXPECT_NE(std::string::npos, r.err.find(std::string(": ") + row.text + "\n")) << "told, not only logged";
    EXPECT_TRUE(StartOrder(r.out).empty()) << "no task may exist before the command line is read";
  }
}

TEST(Process, TasksStartInTheirOrder) {
  auto p = TEST_Spawn(kVelmora, {}, FreshBase());
  ASSERT_TRUE(TEST_bWaitForOutput(p.get(), "L_TASK_Start: task 71 ", 10000));
  TEST_Signal(p.get(), SIGTERM);
  TEST_RESULT r = TEST_Finish(std::move(p), 10000);
  EXPECT_EQ(2, r.status);
  const std::vector<int> expected = {2,  18, 4,  5,  7,  6,  14, 8,  15, 27, 19, 10, 24, 64, 9,
                                     29, 13, 16, 20, 21, 26, 22, 25, 12, 11, 30, 63, 17, 71};
  EXPECT_EQ(expected, StartOrder(r.out)) << r.out;
}

TEST(Process, TaskSelectionStartsOnlyTheChosenTasks) {
  // Two tasks start at once; the seconds only bound a slow machine's start.
  const std::string quit = std::to_string(TEST_u64SlackMs(500) / 1000);
  TEST_RESULT r = TEST_Run(kVelmora, {"task_flush", "task_add", "2,18", "quit_sec", quit}, FreshBase(), 60000);
  EXPECT_EQ(4, r.status);
  EXPECT_EQ((std::vector<int>{2, 18}), StartOrder(r.out)) << r.out;
  auto p = TEST_Spawn(kVelmora, {"task_rem", "27,64,99"}, FreshBase());
  EXPECT_TRUE(TEST_bWaitForOutput(p.get(), "L_TASK_Start: task 71 ", 10000));
  TEST_Signal(p.get(), SIGTERM);
  r = TEST_Finish(std::move(p), 10000);
  std::vector<int> order = StartOrder(r.out);
  EXPECT_EQ(27u, order.size());
  EXPECT_EQ(order.end(), std::find(order.begin(), order.end(), 27));
  EXPECT_EQ(order.end(), std::find(order.begin(), order.end(), 64));
}

TEST(Process, SigintDumpsTheTablesAndEndsWithStatusTwo) {
  auto p = TEST_Spawn(kVelmora, {}, FreshBase());
  ASSERT_TRUE(TEST_bWaitForOutput(p.get(), "L_TASK_Start: task 71 ", 10000));
  TEST_Signal(p.get(), SIGINT);
  TEST_RESULT r = TEST_Finish(std::move(p), 10000);
  EXPECT_EQ(2, r.status);
  size_t at = 0;
  for (const char* table : {"task information", "timer information", "semaphore information", "queue information",
                            "mutex information", "mbox information", "memory block information"}) {
    size_t found = r.err.find(table, at);
    ASSERT_NE(std::string::npos, found) << table;
    at = found;
  }
  EXPECT_NE(std::string::npos, r.err.find("  02 UARTTASK: active"));
}

// The user and system seconds a running process has spent so far; -1 when
// it cannot be read.
double CpuSecondsSoFar(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // The name in parentheses may hold spaces: the fields are counted after it.
  const size_t close = stat.rfind(')');
  if (close == std::string::npos) return -1;
  std::istringstream fields(stat.substr(close + 2));
  std::string field;
  unsigned long long utime = 0, stime = 0;
  for (int i = 3; i <= 15 && fields >> field; i++) {
    if (i == 14) utime = std::stoull(field);
    if (i == 15) stime = std::stoull(field);
  }
  return (double)(utime + stime) / (double)sysconf(_SC_CLK_TCK);
}

// The times a process's threads have so far given up the processor to wait;
// -1 when they cannot be read. A thread that ends before the process adds
// its own to the process's total, which only the last wait reports.
long SleepsSoFar(pid_t pid) {
  const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
  std::error_code ec;
  long sleeps = 0;
  for (const auto& task : std::filesystem::directory_iterator(tasks, ec)) {
    std::ifstream status(task.path() / "status");
    for (std::string line; std::getline(status, line);) {
      if (line.rfind("voluntary_ctxt_switches:", 0) == 0) sleeps += std::stol(line.substr(24));
    }
  }
  return ec ? -1 : sleeps;
}

// An idle unit of waiting tasks must leave the processor alone: few
// wake-ups, and little CPU time. The wake-ups are what a task waking too
// often adds, whatever the machine; the CPU time catches a task that works
// or spins without waiting, and is bounded loosely, since a wake-up costs
// more on a loaded or virtual machine and much more under a sanitizer. The
// start-up's own work (fonts, the store, the first frames) is left out: the
// unit is measured from its last task's start to its end, long enough that
// a task waking too often shows.
TEST(Process, AnIdleUnitUsesLittleOfOneCore) {
  if (TEST_bEmulated()) GTEST_SKIP() << "an emulated processor spends its own time on every wake-up";
  auto p = TEST_Spawn(kVelmora, {"quit_sec", "25"}, FreshBase());
  ASSERT_TRUE(TEST_bWaitForOutput(p.get(), "L_TASK_Start: task 71 ", 20000));
  const auto from = std::chrono::steady_clock::now();
  const double before = CpuSecondsSoFar(p->pid);
  const long sleptBefore = SleepsSoFar(p->pid);
  ASSERT_GE(before, 0);
  ASSERT_GE(sleptBefore, 0);
  TEST_RESULT r = TEST_Finish(std::move(p), 60000);
  ASSERT_EQ(4, r.status);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - from).count();
  ASSERT_GT(seconds, 10) << "the unit took most of its 25 s to start";
  const double idle = r.cpuSeconds - before;
  const double wakeups = (double)(r.sleeps - sleptBefore) / seconds;
  RecordProperty("cpu_seconds", std::to_string(idle));
  RecordProperty("wakeups_per_second", std::to_string(wakeups));
  // About 200 a second: the keypad's and the sonar's own pace, a frame's.
  EXPECT_LT(wakeups, 400) << r.sleeps - sleptBefore << " wake-ups in " << seconds << " s";
  const double share = TEST_bSanitized() ? 0.15 : 0.05;
  EXPECT_LT(idle / seconds, share) << idle << " s of CPU in " << seconds << " s";
}

}  // namespace
