#include "test_process.h"

#include <poll.h>
#include <stdio.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <dirent.h>

#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>

#include "test_timing.h"

extern char** environ;

static void ReadAll(TEST_PROCESS* p) {
  struct pollfd fds[2] = {{p->outFd, POLLIN, 0}, {p->errFd, POLLIN, 0}};
  int open = 2;
  char buffer[4096];
  while (open > 0) {
    if (poll(fds, 2, -1) < 0) continue;
    for (int i = 0; i < 2; i++) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
      if (n <= 0) {
        close(fds[i].fd);
        fds[i].fd = -1;
        open--;
        continue;
      }
      std::lock_guard<std::mutex> guard(p->lock);
      (i == 0 ? p->out : p->err).append(buffer, (size_t)n);
    }
  }
}

// On a cross build the programs under test are the board's: this host runs
// them through the emulator, which the test program itself runs under and
// whose exec of a foreign executable would fail.
static bool NeedsEmulator(const std::string& program) {
  if (std::string(VELMORA_EMULATOR).empty()) return false;
  FILE* f = fopen(program.c_str(), "rb");
  if (f == nullptr) return false;
  unsigned char head[20] = {};
  size_t n = fread(head, 1, sizeof head, f);
  fclose(f);
  const unsigned EM_ARM_MACHINE = 40;
  return n == sizeof head && memcmp(head, "\x7f" "ELF", 4) == 0 && (head[18] | head[19] << 8) == EM_ARM_MACHINE;
}

TEST_PROCESS::~TEST_PROCESS() {
  if (!reader.joinable()) return;
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  reader.join();
}

std::unique_ptr<TEST_PROCESS> TEST_Spawn(const std::string& given, const std::vector<std::string>& givenArgs,
                                         const std::vector<std::string>& env) {
  std::string program = given;
  std::vector<std::string> args = givenArgs;
  if (NeedsEmulator(given)) {
    program = VELMORA_EMULATOR;
    args.insert(args.begin(), given);
  }
  auto p = std::make_unique<TEST_PROCESS>();
  int out[2], err[2];
  if (pipe(out) != 0 || pipe(err) != 0) return nullptr;

  std::vector<std::string> envs;
  for (char** e = environ; *e != nullptr; e++) {
    std::string entry = *e;
    bool replaced = false;
    for (const std::string& extra : env) {
      replaced |= entry.compare(0, extra.find('=') + 1, extra, 0, extra.find('=') + 1) == 0;
    }
    if (!replaced) envs.push_back(entry);
  }
  for (const std::string& extra : env) envs.push_back(extra);
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (std::string& e : envs) envp.push_back(e.data());
  envp.push_back(nullptr);

  p->pid = fork();
  if (p->pid == 0) {
    dup2(out[1], 1);
    dup2(err[1], 2);
    close(out[0]);
    close(err[0]);
    close(out[1]);
    close(err[1]);
    execve(program.c_str(), argv.data(), envp.data());
    _exit(127);
  }
  close(out[1]);
  close(err[1]);
  p->outFd = out[0];
  p->errFd = err[0];
  p->reader = std::thread(ReadAll, p.get());
  return p;
}

bool TEST_bWaitForOutput(TEST_PROCESS* p, const std::string& text, int ms) {
  return TEST_bWaitUntil(
      [&] {
        std::lock_guard<std::mutex> guard(p->lock);
        return p->out.find(text) != std::string::npos;
      },
      (U64)ms);
}

void TEST_Signal(TEST_PROCESS* p, int signal) { kill(p->pid, signal); }

// What each thread of a process that would not end was doing: its state,
// where it sleeps in the kernel, its system call, and the signals pending
// on it and on the process.
static std::string ThreadStates(pid_t pid) {
  std::ostringstream text;
  const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
  DIR* dir = opendir(tasks.c_str());
  if (dir == nullptr) return "";
  text << "harness: process " << pid << " did not end in time; its threads:\n";
  for (struct dirent* e; (e = readdir(dir)) != nullptr;) {
    if (e->d_name[0] == '.') continue;
    const std::string task = tasks + "/" + e->d_name;
    const auto first = [&](const std::string& name) {
      std::string line;
      std::ifstream in(task + "/" + name);
      std::getline(in, line);
      return line;
    };
    text << "  " << e->d_name << " " << first("comm") << " wchan " << first("wchan") << " syscall "
         << first("syscall");
    std::ifstream status(task + "/status");
    for (std::string line; std::getline(status, line);) {
      if (line.rfind("State:", 0) == 0 || line.rfind("SigPnd:", 0) == 0 || line.rfind("ShdPnd:", 0) == 0 ||
          line.rfind("SigBlk:", 0) == 0) {
        text << " | " << line;
      }
    }
    text << "\n";
  }
  closedir(dir);
  return text.str();
}

TEST_RESULT TEST_Finish(std::unique_ptr<TEST_PROCESS> p, int ms) {
  TEST_RESULT r;
  int status = 0;
  struct rusage usage = {};
  if (!TEST_bWaitUntil([&] { return wait4(p->pid, &status, WNOHANG, &usage) != 0; }, (U64)ms)) {
    r.timedOut = true;
    const std::string threads = ThreadStates(p->pid);
    {
      std::lock_guard<std::mutex> guard(p->lock);
      p->err += threads;
    }
    kill(p->pid, SIGKILL);
    wait4(p->pid, &status, 0, &usage);
  }
  p->reader.join();
  if (WIFEXITED(status)) r.status = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) r.signal = WTERMSIG(status);
  r.out = p->out;
  r.err = p->err;
  r.cpuSeconds = (double)usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + (double)usage.ru_stime.tv_sec +
                 usage.ru_stime.tv_usec / 1e6;
  r.sleeps = usage.ru_nvcsw;
  return r;
}

TEST_RESULT TEST_Run(const std::string& program, const std::vector<std::string>& args,
                     const std::vector<std::string>& env, int ms) {
  return TEST_Finish(TEST_Spawn(program, args, env), ms);
}

std::string TEST_MakeTempDir(const char* prefix) {
  std::string dir = std::string(getenv("TMPDIR") ? getenv("TMPDIR") : "/tmp") + "/" + prefix + "-XXXXXX";
  if (mkdtemp(dir.data()) == nullptr) return "";
  return dir;
}

double TEST_dLogSeconds(const std::string& out, const std::string& text) {
  const size_t at = out.find(text);
  if (at == std::string::npos) return -1;
  size_t start = out.rfind('\n', at);
  start = start == std::string::npos ? 0 : start + 1;
  double sincePrevious = 0, seconds = -1;
  return sscanf(out.c_str() + start, "%lf %lf", &sincePrevious, &seconds) == 2 ? seconds : -1;
}
