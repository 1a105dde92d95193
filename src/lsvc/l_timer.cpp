// POSIX timers whose expiries one thread turns into semaphore signals, so that
// a task waits for time as it waits for everything else. An expiry arrives as
// SIGUSR1 directed at that thread; the handler only counts it and writes the
// timer's index into a pipe, so no service call runs in signal context. A
// restart must not be answered by an expiry of the arming before it, which
// may still sit in the pipe or in the kernel: every pipe entry carries the
// arming it belongs to, and the thread drops it when a start came since.
// An expiry can still be lost on its way: under ThreadSanitizer a signal that
// reaches the thread outside a blocking call waits there, and a second one
// in that time is dropped; natively a pipe that takes no entry loses one. A
// periodic timer comes again, a one-shot would never fire: so the thread
// also fires a one-shot itself once it is overdue by TIMER_LATE_US.

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <string.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "l_internal.h"

// The pool, then timers that tasks hold themselves, all reachable by index.
constexpr S32 kMaxTimers = ntmrs + 128;

static std::atomic<TIMER_INFO*> s_pPool{nullptr};
static std::atomic<TIMER_INFO*> s_apTimers[kMaxTimers];
static S32 s_nTimers;  // indices in use; guarded by TimerMutex
static pthread_mutex_t TimerMutex = PTHREAD_MUTEX_INITIALIZER;
// A start or a stop and the thread's hand-on of an expiry exclude each other:
// a signal the thread decided on before a restart is given before the
// restart drops it, never after.
static std::mutex s_ArmingMutex;
static int timer_pipe_handles[2] = {-1, -1};
static pthread_t timer_thread_id;
static std::atomic<pid_t> s_TimerTid;
static std::atomic<U32> timer_fired_count;
static std::atomic<U32> timer_queue_count;

static const char* const s_apcTimerStates[3] = {"idle", "running", "cycling"};

// What travels through the pipe (8 bytes: one write is never split).
struct TIMER_EXPIRY {
  S32 s32Index;
  U32 u32Arming;
};

static void TIMER_SignalHandler(int, siginfo_t* info, void*) {
  if (info->si_code != SI_TIMER) return;
  int index = info->si_value.sival_int;
  if (index < 0 || index >= kMaxTimers) return;
  TIMER_INFO* t = s_apTimers[index].load();
  if (t == nullptr) return;
  timer_fired_count++;
  t->timer_fired_count++;
  // One entry in the pipe per arming at most; later expiries before the
  // thread takes it are only counted.
  const TIMER_EXPIRY e = {index, t->u32Arming.load()};
  if (t->u32Queued.exchange(e.u32Arming) != e.u32Arming) {
    int saved = errno;
    if (write(timer_pipe_handles[1], &e, sizeof e) == (ssize_t)sizeof e) {
      timer_queue_count++;
      t->timer_queue_count++;
    } else {
      t->u32Queued = 0;  // the next expiry tries again
    }
    errno = saved;
  }
  U8 pending = t->u8TimerSignal.load();
  if (pending < 255) t->u8TimerSignal.store((U8)(pending + 1));
}

constexpr U64 TIMER_LATE_US = 20000;
// A one-shot armed while the thread waits does not wake it: the wait is
// bounded, so that one whose expiry is lost fires at most this much late.
constexpr int TIMER_LOOK_MS = 1000;

// Milliseconds until the first armed one-shot is overdue, at most
// TIMER_LOOK_MS; 0 when one is.
static int TIMER_nUntilOverdue(void) {
  const U64 now = L_CLOCK_qwGetTimeInMicros();
  U64 wait = (U64)TIMER_LOOK_MS * 1000;
  for (S32 i = 0; i < kMaxTimers; i++) {
    const TIMER_INFO* t = s_apTimers[i].load();
    if (t == nullptr || t->u8TimerState.load() != TIMER_ONESHOT) continue;
    const U64 overdue = t->qwDueUs.load() + TIMER_LATE_US;
    if (overdue <= now) return 0;
    if (overdue - now < wait) wait = overdue - now;
  }
  return (int)((wait + 999) / 1000);
}

// Fires every one-shot overdue: its expiry, should it still come, then finds
// it stopped and is dropped.
static void TIMER_vFireOverdue(void) {
  std::lock_guard<std::mutex> guard(s_ArmingMutex);
  const U64 now = L_CLOCK_qwGetTimeInMicros();
  for (S32 i = 0; i < kMaxTimers; i++) {
    TIMER_INFO* t = s_apTimers[i].load();
    if (t == nullptr || t->u8TimerState != TIMER_ONESHOT || now < t->qwDueUs + TIMER_LATE_US) continue;
    t->u8TimerState = TIMER_STOPPED;
    t->u8TimerSignal = 0;
    L_SEMA_Signal(t->Semaphore);
  }
}

static void* TIMER_Thread(void*) {
  pthread_detach(pthread_self());
  L_UTILS_bSetRealTime("timer", 98);
  s_TimerTid = (pid_t)syscall(SYS_gettid);
  for (;;) {
    const int wait = TIMER_nUntilOverdue();
    if (wait == 0) {
      TIMER_vFireOverdue();
      continue;
    }
    // poll first: the expiry signal is delivered to this thread, and a wait
    // in poll (never restarted) is where every runtime, sanitizers included,
    // lets the handler run.
    struct pollfd pfd = {timer_pipe_handles[0], POLLIN, 0};
    const int ready = poll(&pfd, 1, wait);
    if (ready <= 0) continue;
    TIMER_EXPIRY e;
    ssize_t n = read(timer_pipe_handles[0], &e, sizeof e);
    if (n < 0 && errno == EINTR) continue;
    if (n != (ssize_t)sizeof e) break;
    if (e.s32Index < 0 || e.s32Index >= kMaxTimers) continue;
    TIMER_INFO* t = s_apTimers[e.s32Index].load();
    if (t == nullptr) continue;
    U32 queued = e.u32Arming;
    t->u32Queued.compare_exchange_strong(queued, 0);
    std::lock_guard<std::mutex> guard(s_ArmingMutex);
    if (e.u32Arming != t->u32Arming) continue;  // the restart dropped it
    t->u8TimerSignal = 0;
    // A signal of the earlier arming that reached the handler only after the
    // restart carries the new arming; no real expiry comes before its time.
    if (L_CLOCK_qwGetTimeInMicros() < t->qwDueUs) continue;
    U8 state = t->u8TimerState;
    if (state == TIMER_ONESHOT) {
      t->u8TimerState = TIMER_STOPPED;
      L_SEMA_Signal(t->Semaphore);
    } else if (state == TIMER_PERIODIC) {
      L_SEMA_Signal(t->Semaphore);
    }
  }
  log_me("[%d]%s: timer pipe closed", __LINE__, __func__);
  return nullptr;
}

static BOOLEAN TIMER_bCreateSystemTimer(TIMER_INFO* t) {
  struct sigevent sev;
  memset(&sev, 0, sizeof sev);
  sev.sigev_notify = SIGEV_THREAD_ID;
  sev.sigev_signo = SIGUSR1;
  sev.sigev_value.sival_int = t->s32Index;
  sev._sigev_un._tid = s_TimerTid;
  if (timer_create(CLOCK_MONOTONIC, &sev, &t->TimerID) != 0) {
    log_me("[%d]%s: timer_create: %s", __LINE__, __func__, strerror(errno));
    return FALSE;
  }
  t->bCreated = TRUE;
  return TRUE;
}

void TIMER_Init(void) {
  TIMER_INFO* table = new (std::nothrow) TIMER_INFO[ntmrs];
  if (table == nullptr) LSVC_vInitFailed(__FILE_NAME__, __LINE__, "timer pool");
  if (pipe2(timer_pipe_handles, O_CLOEXEC) != 0) LSVC_vInitFailed(__FILE_NAME__, __LINE__, "timer pipe");
  timer_thread_id = L_UTILS_threadCreateSimpleThread("timer", TIMER_Thread, nullptr);
  if (timer_thread_id == 0) LSVC_vInitFailed(__FILE_NAME__, __LINE__, "timer thread");
  while (s_TimerTid == 0) L_CLOCK_Sleep(1);

  struct sigaction sa;
  memset(&sa, 0, sizeof sa);
  sa.sa_sigaction = TIMER_SignalHandler;
  sa.sa_flags = SA_SIGINFO | SA_RESTART;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGUSR1, &sa, nullptr);

  for (S32 i = 0; i < ntmrs; i++) {
    TIMER_INFO* t = &table[i];
    t->u8TimerState = TIMER_STOPPED;
    t->u8TimerSignal = 0;
    t->u32Arming = 0;
    t->u32Queued = 0;
    t->qwDueUs = 0;
    t->OwningTaskID = 0;
    t->Semaphore = 0;
    t->timer_fired_count = 0;
    t->timer_queue_count = 0;
    t->s32Index = i;
    t->bCreated = FALSE;
    s_apTimers[i] = t;
  }
  s_nTimers = ntmrs;
  // Published whole: the log's own threads may already be reading.
  s_pPool.store(table, std::memory_order_release);
}

ERC L_TIMER_InitTimer(TIMER_INFO* timer, TASK task) {
  if (timer == nullptr || s_pPool == nullptr) return -lsNO_TIMER;
  pthread_mutex_lock(&TimerMutex);
  S32 index = -1;
  for (S32 i = ntmrs; i < s_nTimers; i++) {
    if (s_apTimers[i].load() == timer) index = i;
  }
  if (index < 0 && s_nTimers < kMaxTimers) {
    index = s_nTimers++;
  }
  pthread_mutex_unlock(&TimerMutex);
  if (index < 0) return -lsNO_TIMER;
  if (timer->bCreated && timer->s32Index == index) timer_delete(timer->TimerID);
  timer->u8TimerState = TIMER_STOPPED;
  timer->u8TimerSignal = 0;
  timer->u32Arming = 0;
  timer->u32Queued = 0;
  timer->qwDueUs = 0;
  timer->Semaphore = 0;
  timer->timer_fired_count = 0;
  timer->timer_queue_count = 0;
  timer->bCreated = FALSE;
  timer->OwningTaskID = task;
  timer->s32Index = index;
  s_apTimers[index] = timer;
  return TIMER_bCreateSystemTimer(timer) ? 0 : -lsNO_TIMER;
}

TIMER_INFO* L_TIMER_Allocate(void) {
  if (s_pPool == nullptr) return nullptr;
  TIMER_INFO* found = nullptr;
  pthread_mutex_lock(&TimerMutex);
  for (S32 i = 0; i < ntmrs && found == nullptr; i++) {
    if (s_pPool[i].OwningTaskID == 0) found = &s_pPool[i];
  }
  if (found != nullptr) {
    found->u8TimerState = TIMER_STOPPED;
    found->OwningTaskID = L_TASK_GetID(0);
    found->Semaphore = 0;
  }
  pthread_mutex_unlock(&TimerMutex);
  return found;
}

static BOOLEAN TIMER_bArm(TIMER_INFO* t, U32 value, U32 interval) {
  // A pool entry gets its system timer when it is first armed: the system
  // allows a process only so many, and most pool entries are never used.
  if (!t->bCreated && (value != 0 || interval != 0) && !TIMER_bCreateSystemTimer(t)) return FALSE;
  struct itimerspec ts;
  L_CLOCK_StoreTimerspec(&ts, value, interval);
  return !t->bCreated || timer_settime(t->TimerID, 0, &ts, nullptr) == 0;
}

static void TIMER_vDisarm(TIMER_INFO* t) {
  TIMER_bArm(t, 0, 0);
  t->u8TimerState = TIMER_STOPPED;
}

static BOOLEAN TIMER_bOwnedByCaller(const TIMER_INFO* t) {
  return t != nullptr && t->OwningTaskID == L_TASK_GetID(0);
}

TIMER_INFO* L_TIMER_Start(TIMER_INFO* timer, U32 initial, U32 period, SEMA sema) {
  if (timer == nullptr) timer = L_TIMER_Allocate();
  if (timer == nullptr) return nullptr;
  if (!TIMER_bOwnedByCaller(timer)) return nullptr;
  std::lock_guard<std::mutex> guard(s_ArmingMutex);
  if (timer->u8TimerState != TIMER_STOPPED) TIMER_vDisarm(timer);
  if (sema >= 0) timer->Semaphore = sema;
  SEMA s = timer->Semaphore;
  if (s > 0) L_SEMA_SetPending(s);

  U32 first = initial;
  if (initial == 0) {
    if (s > 0) L_SEMA_Signal(s);
    if (period == 0) return timer;
    first = period;
  }
  // Due time, arming and state are set before arming, in this order: an
  // expiry found stopped, of an earlier arming, or before its time is dropped.
  timer->qwDueUs = L_CLOCK_qwGetTimeInMicros() + (U64)first * 1000;
  const U32 arming = timer->u32Arming + 1;
  timer->u32Arming = arming != 0 ? arming : 1;
  timer->u8TimerSignal = 0;
  timer->u8TimerState = period != 0 ? TIMER_PERIODIC : TIMER_ONESHOT;
  if (!TIMER_bArm(timer, first, period)) {
    timer->u8TimerState = TIMER_STOPPED;
    log_me("[%d]%s: timer %d cannot be armed", __LINE__, __func__, timer->s32Index);
    return nullptr;
  }
  return timer;
}

ERC L_TIMER_Stop(TIMER_INFO* timer) {
  if (!TIMER_bOwnedByCaller(timer)) return -lsTIMER_ILLEGAL;
  std::lock_guard<std::mutex> guard(s_ArmingMutex);
  if (timer->u8TimerState == TIMER_STOPPED) return -lsTIMER_INACTIVE;
  TIMER_vDisarm(timer);
  return 0;
}

ERC L_TIMER_Release(TIMER_INFO* timer) {
  if (s_pPool == nullptr) return -lsTIMER_UNINIT;
  if (!TIMER_bOwnedByCaller(timer)) return -lsTIMER_ILLEGAL;
  {
    std::lock_guard<std::mutex> guard(s_ArmingMutex);
    if (timer->u8TimerState != TIMER_STOPPED) TIMER_vDisarm(timer);
  }
  pthread_mutex_lock(&TimerMutex);
  timer->OwningTaskID = 0;
  pthread_mutex_unlock(&TimerMutex);
  return 0;
}

U32 L_TIMER_GetRemaining(TIMER_INFO* timer) {
  if (timer == nullptr || timer->u8TimerState == TIMER_STOPPED || !timer->bCreated) return 0;
  struct itimerspec ts;
  if (timer_gettime(timer->TimerID, &ts) != 0) return 0;
  return L_CLOCK_ScanTimerspec(&ts);
}

U32 L_TIMER_GetElapsed(U32* stamp) {
  U32 now = (U32)L_CLOCK_qwGetTimeInTicks();
  U32 elapsed = now - *stamp;
  *stamp = now;
  return elapsed;
}

void L_TIMER_Debug(void) {
  if (s_pPool == nullptr) return;
  log_me("timer information (%d total %d fired %d queued)", ntmrs, (int)timer_fired_count.load(),
         (int)timer_queue_count.load());
  for (S32 i = 0; i < s_nTimers; i++) {
    TIMER_INFO* t = s_apTimers[i].load();
    if (t == nullptr) continue;
    U8 state = t->u8TimerState;
    log_me("  %02d: %s %squeued owner task #%d (%s) semaphore #%d (%s) fired %d queued %d", i,
           s_apcTimerStates[state < 3 ? state : 0], t->u8TimerSignal ? "" : "not ", t->OwningTaskID.load(),
           get_task_name(t->OwningTaskID), t->Semaphore.load(), get_semaphore_name(t->Semaphore),
           (int)t->timer_fired_count.load(), (int)t->timer_queue_count.load());
  }
}
