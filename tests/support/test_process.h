// One way to run a process under test: start it with arguments and extra
// environment, collect its standard output and error, signal it, and read
// its exit status and CPU time.
#pragma once

#include <sys/types.h>

#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct TEST_PROCESS {
  pid_t pid = -1;
  int outFd = -1;
  int errFd = -1;
  std::mutex lock;
  std::string out;
  std::string err;
  std::thread reader;
  // A test that gives up early still leaves no process or thread behind.
  ~TEST_PROCESS();
};

struct TEST_RESULT {
  int status = -1;       // exit status, or -1 when killed by a signal
  int signal = 0;        // the signal that killed it, 0 otherwise
  bool timedOut = false; // killed by the harness after its time
  std::string out;
  std::string err;
  double cpuSeconds = 0; // user + system time of the process
  long sleeps = 0;        // times its threads gave up the processor to wait
};

// Starts program with args; env holds "NAME=value" entries added to (or
// replacing in) this process's environment.
std::unique_ptr<TEST_PROCESS> TEST_Spawn(const std::string& program, const std::vector<std::string>& args,
                                         const std::vector<std::string>& env = {});
// Waits until the standard output holds text (FALSE after ms, stretched as
// TEST_bWaitUntil stretches it).
bool TEST_bWaitForOutput(TEST_PROCESS* p, const std::string& text, int ms);
void TEST_Signal(TEST_PROCESS* p, int signal);
// Waits for the end (killing it after ms, stretched as TEST_bWaitUntil
// stretches it) and returns what it did.
TEST_RESULT TEST_Finish(std::unique_ptr<TEST_PROCESS> p, int ms);
TEST_RESULT TEST_Run(const std::string& program, const std::vector<std::string>& args,
                     const std::vector<std::string>& env = {}, int ms = 30000);

// The seconds the unit's log gives the first line holding text (the second
// column, the host's monotonic clock); -1 when there is none.
double TEST_dLogSeconds(const std::string& out, const std::string& text);

// A fresh empty directory under the test's temporary area.
std::string TEST_MakeTempDir(const char* prefix);
