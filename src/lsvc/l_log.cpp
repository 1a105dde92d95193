// One routine writes every time-stamped line of the process to standard
// output, and since every task passes through it, it doubles as the watchdog
// point (quit time, debug watchdog) and holds the process's ends. SIGINT and
// SIGTERM are taken by a thread of their own, never in signal context.

#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include "l_internal.h"

S32 opt_fakekey = -1;
S64 opt_sleeper = 1000;
S64 quit_seconds = 0;
S32 debug_seconds = 0;
U8 opt_fake_transducer = 0;
U8 opt_nolog = 0;
U8 opt_noadc = 0;
U8 opt_fsync = 0;
U8 opt_nodisclaimer = 0;
U8 opt_notone = 0;

std::atomic<BOOLEAN> g_bDumpInProgress;
std::atomic<pthread_t> g_DumpThread;

static std::atomic<FILE*> s_output_handle;
static std::atomic<S64> last_time;  // monotonic milliseconds since boot of the previous line
static std::atomic<BOOLEAN> s_bExiting;
static std::atomic<BOOLEAN> s_bDebugThreadStarted;
static std::atomic<BOOLEAN> s_bQuitThreadStarted;
static std::once_flag s_FirstLineOnce;
static int s_anSignalPipe[2] = {-1, -1};

static S64 LOG_s64BootMillis(void) {
  struct timespec now;
  CLOCK_internalGetTimespec(&now);
  return (S64)now.tv_sec * 1000 + now.tv_nsec / 1000000;
}

S32 lm_gettime(struct timeval* tv) {
  struct timespec now;
  CLOCK_internalGetTimespec(&now);
  if (tv != nullptr) {
    tv->tv_sec = now.tv_sec;
    tv->tv_usec = now.tv_nsec / 1000;
  }
  return (S32)((S64)now.tv_sec * 1000 + now.tv_nsec / 1000000);
}

// Other threads stay quiet while one prints a dump and ends the process.
static void LOG_vStallIfDumping(void) {
  while (g_bDumpInProgress && !pthread_equal(g_DumpThread.load(), pthread_self())) sleep(60);
}

static void LOG_vFlush(void) {
  FILE* out = s_output_handle.load();
  if (out != nullptr) fflush(out);
  if (opt_fsync) fsync(fileno(out != nullptr ? out : stdout));
}

// Claims the end of the process and switches the log to standard error for
// the dump; FALSE when another thread is already ending it.
static BOOLEAN LOG_bBeginDump(void) {
  if (s_bExiting.exchange(TRUE)) return FALSE;
  g_DumpThread = pthread_self();
  g_bDumpInProgress = TRUE;
  fflush(stdout);
  s_output_handle = stderr;
  return TRUE;
}

void lm_vDebugDump(void) {
  L_TASK_Debug();
  L_TIMER_Debug();
  L_SEMA_Debug();
  L_QUEUE_Debug();
  L_MUTEX_Debug();
  L_MBOX_Debug();
  L_MEM_Debug();
}

void lm_exit(const char* file, int line, int status) {
  log_me("exit from file %s line #%d status %d", file, line, status);
  fflush(stdout);
  fflush(stderr);
  if (opt_fsync) fsync(1);
  // Other threads are still running: no static destructors under their feet.
  _exit(status);
}

static void sigterm_handler(int signal) {
  if (signal == SIGINT) {
    if (!LOG_bBeginDump()) return;
    lm_vDebugDump();
  } else if (s_bExiting.exchange(TRUE)) {
    return;
  }
  lm_exit(__FILE_NAME__, __LINE__, 2);
}

static void LOG_vSignalCatcher(int signal) {
  unsigned char byte = (unsigned char)signal;
  int saved = errno;
  (void)!write(s_anSignalPipe[1], &byte, 1);
  errno = saved;
}

static void* LOG_pvSignalThread(void*) {
  for (;;) {
    unsigned char signal;
    ssize_t n = read(s_anSignalPipe[0], &signal, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n != 1) {
      // Nothing would end the process on SIGTERM from now on: say so.
      log_me("[%d]%s: the signal pipe failed (%s): SIGINT and SIGTERM are no longer taken", __LINE__, __func__,
             n == 0 ? "closed" : strerror(errno));
      return nullptr;
    }
    sigterm_handler(signal);
  }
}

static void LOG_vFirstLine(void) {
  s_output_handle = stdout;
  if (pipe2(s_anSignalPipe, O_CLOEXEC) != 0) return;
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
  pthread_attr_setstacksize(&attr, LSVC_szStackSize(24576));
  pthread_t thread;
  if (pthread_create(&thread, &attr, LOG_pvSignalThread, nullptr) == 0) {
    pthread_setname_np(thread, "signal");
    struct sigaction sa;
    memset(&sa, 0, sizeof sa);
    sa.sa_handler = LOG_vSignalCatcher;
    sa.sa_flags = SA_RESTART;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
  }
  pthread_attr_destroy(&attr);
}

static void* lm_debug(void*) {
  pthread_detach(pthread_self());
  L_UTILS_bSetRealTime("debug", 98);
  for (;;) {
    S64 prev = last_time;
    struct timespec left = {debug_seconds, 0};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
      fprintf(stderr, "%d: after sleep %d remaining (last=%d prev=%d)\n", (int)L_TASK_GetID(0), (int)left.tv_sec,
              (int)last_time.load(), (int)prev);
    }
    if (last_time == prev) {
      if (!LOG_bBeginDump()) return nullptr;
      lm_vDebugDump();
      lm_exit(__FILE_NAME__, __LINE__, 3);
    }
  }
}

static void LOG_vWriteLine(const char* text) {
  S64 now = LOG_s64BootMillis();
  S64 delta = now - last_time;
  if (delta < 0) delta = 0;
  TASK id = L_TASK_GetID(0);
  char line[400];
  snprintf(line, sizeof line, "%5d.%03d %5d.%03d %2d %s %s\r\n", (int)(delta / 1000), (int)(delta % 1000),
           (int)(now / 1000), (int)(now % 1000), id, get_task_name(id), text);
  FILE* out = s_output_handle.load();
  fputs(line, out);
  last_time = now;
  LOG_vFlush();
}

static void LOG_vVWrite(const char* format, va_list args) {
  if (opt_nolog) {
    last_time = LOG_s64BootMillis();
    return;
  }
  char text[256];
  vsnprintf(text, sizeof text, format, args);
  LOG_vWriteLine(text);
}

static void LOG_vCheckQuit(void) {
  if (s_output_handle.load() != stderr && quit_seconds != 0 && (S64)L_CLOCK_qwGetTimeInMillis() >= quit_seconds) {
    if (LOG_bBeginDump()) {
      lm_vDebugDump();
      log_me("quit seconds expired");
      LOG_vFlush();
      lm_exit(__FILE_NAME__, __LINE__, 4);
    }
    LOG_vStallIfDumping();
  }
}

// A quiet unit writes no lines, yet its quit time must still end it.
static void* LOG_pvQuitThread(void*) {
  for (;;) {
    S64 left = quit_seconds - (S64)L_CLOCK_qwGetTimeInMillis();
    L_CLOCK_Sleep(left > 0 ? (U32)left : 1);
    LOG_vCheckQuit();
  }
}

void log_me(const char* format, ...) {
  LOG_vStallIfDumping();
  std::call_once(s_FirstLineOnce, LOG_vFirstLine);
  va_list args;
  va_start(args, format);
  LOG_vVWrite(format, args);
  va_end(args);

  LOG_vCheckQuit();
  if (quit_seconds != 0 && !s_bQuitThreadStarted.exchange(TRUE)) {
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
    pthread_t thread;
    if (pthread_create(&thread, &attr, LOG_pvQuitThread, nullptr) != 0) s_bQuitThreadStarted = FALSE;
    pthread_attr_destroy(&attr);
  }
  if (debug_seconds != 0 && !s_bDebugThreadStarted.exchange(TRUE)) {
    pthread_t thread;
    if (pthread_create(&thread, nullptr, lm_debug, nullptr) != 0) s_bDebugThreadStarted = FALSE;
  }
}

void bail_out(const char* format, ...) {
  std::call_once(s_FirstLineOnce, LOG_vFirstLine);
  va_list args;
  va_start(args, format);
  LOG_vVWrite(format, args);
  va_end(args);
  LOG_vFlush();
  // The log often goes to a file nobody reads until later (run.sh removes
  // its own): the person at the command line is told why too.
  if (s_output_handle.load() != stderr) {
    fprintf(stderr, "%s: ", program_invocation_short_name);
    va_start(args, format);
    vfprintf(stderr, format, args);
    va_end(args);
    fputc('\n', stderr);
  }
  lm_exit(__FILE_NAME__, __LINE__, 1);
}
