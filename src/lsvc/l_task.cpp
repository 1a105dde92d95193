// The control blocks of the 71 task ids and the main thread, kept so that a
// task can be started, ended and reprioritised by its id, and the wait blocks
// every blocking service parks on.

#include <errno.h>
#include <sched.h>
#include <string.h>
#include <sys/time.h>

#include "l_internal.h"

struct tag_TASK_INFO {
  TASK_PARAM TaskParam;  // TParamPriority holds the converted priority
  std::atomic<pthread_t> ThreadID;
  WAIT_BLOCK Wait;       // TaskMutex and TaskCond
  BOOLEAN bKickedOff;    // guarded by s_KickOffMutex
  std::atomic<int> active_count;
  std::atomic<U64> activ_ns;
  std::atomic<U64> accum_ns;
  // Kept for the rig's status, each written by the task's own thread only.
  std::atomic<U64> mails;        // blocks taken from a mailbox
  std::atomic<U64> ran_until_ns; // the end of its last run, 0 before any
  std::atomic<U64> longest_ns;   // its longest run between two waits
  std::atomic<BOOLEAN> bStarted;
};
typedef tag_TASK_INFO TASK_INFO;

U8 task_disabled[ntasks];

static std::atomic<TASK_INFO*> s_pTasks{nullptr};  // ntasks + 1 blocks; the last is the main thread's
static pthread_mutex_t s_KickOffMutex = PTHREAD_MUTEX_INITIALIZER;
static pthread_cond_t s_KickOffCond = PTHREAD_COND_INITIALIZER;
static thread_local WAIT_BLOCK* t_pWait;

// ---------------------------------------------------------------------------
// Helpers shared by the layer

void LSVC_vInitRecursiveMutex(pthread_mutex_t* mutex) {
  pthread_mutexattr_t attr;
  pthread_mutexattr_init(&attr);
  pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE);
  pthread_mutex_init(mutex, &attr);
  pthread_mutexattr_destroy(&attr);
}

void LSVC_vInitMonotonicCond(pthread_cond_t* cond) {
  pthread_condattr_t attr;
  pthread_condattr_init(&attr);
  pthread_condattr_setclock(&attr, CLOCK_MONOTONIC);
  pthread_cond_init(cond, &attr);
  pthread_condattr_destroy(&attr);
}

int LSVC_nLockWord(const pthread_mutex_t* mutex) {
#if defined(__GLIBC__)
  return mutex->__data.__lock;
#else
  (void)mutex;
  return 0;
#endif
}

size_t LSVC_szStackSize(size_t bytes) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  const size_t extra = 1024 * 1024;
#else
  // The stack sizes in the task table are the board's budget for our own
  // frames; FreeType's rasteriser and glibc's formatted output add their own
  // on top, which overflowed the smaller tasks (the message box task) on the
  // board. Untouched stack pages cost no memory.
  const size_t extra = sizeof(void*) == 4 ? 64 * 1024 : 256 * 1024;
#endif
  size_t size = bytes + extra;
  if (size < (size_t)PTHREAD_STACK_MIN) size = PTHREAD_STACK_MIN;
  return size;
}

void LSVC_vInitWaitBlock(WAIT_BLOCK* block, TASK id, TASK_INFO* task) {
  LSVC_vInitRecursiveMutex(&block->Mutex);
  LSVC_vInitMonotonicCond(&block->Cond);
  block->bTerminate = FALSE;
  block->pWaitCond = nullptr;
  block->pWaitMutex = nullptr;
  block->nWakesInFlight = 0;
  block->id = id;
  block->pTask = task;
}

// A thread that is not a task gets its own wait block, so that two such
// threads never share one condition variable and steal each other's wake-ups.
struct OWN_WAIT_BLOCK {
  WAIT_BLOCK block;
  OWN_WAIT_BLOCK() { LSVC_vInitWaitBlock(&block, MAINTHREAD_ID, nullptr); }
  ~OWN_WAIT_BLOCK() {
    // A signaller that picked this thread as a semaphore's waiter may not
    // have reached Cond yet.
    while (block.nWakesInFlight.load() != 0) sched_yield();
    pthread_cond_destroy(&block.Cond);
    pthread_mutex_destroy(&block.Mutex);
  }
};

WAIT_BLOCK* TASK_pMyWaitBlock(void) {
  if (t_pWait == nullptr) {
    static thread_local OWN_WAIT_BLOCK s_own;
    t_pWait = &s_own.block;
  }
  return t_pWait;
}

S32 LSVC_s32Park(pthread_cond_t* cond, pthread_mutex_t* mutex, const struct timespec* deadline) {
  WAIT_BLOCK* me = TASK_pMyWaitBlock();
  me->pWaitMutex = mutex;
  me->pWaitCond = cond;
  S32 result = 0;
  if (me->bTerminate.load()) {
    result = LSVC_TERMINATED;
  } else {
    L_TASK_Deactivate();
    int rc = deadline ? pthread_cond_timedwait(cond, mutex, deadline) : pthread_cond_wait(cond, mutex);
    L_TASK_Activate();
    if (rc == ETIMEDOUT) result = RC_TIMEOUT;
    if (me->bTerminate.load()) result = LSVC_TERMINATED;
  }
  me->pWaitCond = nullptr;
  me->pWaitMutex = nullptr;
  return result;
}

// Wakes a thread wherever it is parked; the caller has set bTerminate.
static void TASK_vWake(WAIT_BLOCK* block) {
  pthread_cond_t* cond = block->pWaitCond;
  pthread_mutex_t* mutex = block->pWaitMutex;
  if (cond != nullptr && mutex != nullptr) {
    pthread_mutex_lock(mutex);
    pthread_cond_broadcast(cond);
    pthread_mutex_unlock(mutex);
  }
}

// ---------------------------------------------------------------------------
// Priorities

static PRIORITY TASK_u16ConvertPriority(PRIORITY table) {
  int q = 100 - (int)table;
  int max = sched_get_priority_max(SCHED_OTHER);
  int min = sched_get_priority_min(SCHED_OTHER);
  if (q <= 0 || max <= 0) return 0;
  if (q >= max) q = max - 1;
  if (q < min) q = min;
  return (PRIORITY)q;
}

static int TASK_nPolicy(PRIORITY converted) { return converted != 0 ? SCHED_FIFO : SCHED_OTHER; }

// ---------------------------------------------------------------------------
// Start and end

static TASK_INFO* TASK_pBlock(TASK id) {
  if (s_pTasks == nullptr || id < 1 || id > MAINTHREAD_ID) return nullptr;
  return &s_pTasks[id - 1];
}

// The block of a task argument, 0 standing for the caller.
static TASK_INFO* TASK_pArgument(TASK task) { return TASK_pBlock(task == 0 ? L_TASK_GetID(0) : task); }

void LSVC_vInit(void) {
  MUTEX_Init();
  SEMA_Init();
  MEM_Init();
  TIMER_Init();
  MBOX_Init();
  QUEUE_Init();
  TASK_Init();
}

void TASK_Init(void) {
  TASK_INFO* table = new (std::nothrow) TASK_INFO[ntasks + 1];
  if (table == nullptr) LSVC_vInitFailed(__FILE_NAME__, __LINE__, "task control blocks");
  for (TASK id = 1; id <= MAINTHREAD_ID; id++) {
    TASK_INFO* b = &table[id - 1];
    if (id <= ntasks) {
      b->TaskParam = TaskParams[id - 1];
      b->TaskParam.TParamPriority = TASK_u16ConvertPriority(TaskParams[id - 1].TParamPriority);
      b->ThreadID = 0;
    } else {
      b->TaskParam = TASK_PARAM{0, 0, nullptr};
      b->ThreadID = pthread_self();
    }
    LSVC_vInitWaitBlock(&b->Wait, id, b);
    b->bKickedOff = FALSE;
    b->active_count = 0;
    b->activ_ns = 0;
    b->accum_ns = 0;
    b->mails = 0;
    b->ran_until_ns = 0;
    b->longest_ns = 0;
    b->bStarted = id > ntasks;
  }
  // The thread that brings the layer up is the main thread (id 72).
  t_pWait = &table[MAINTHREAD_ID - 1].Wait;
  // Published whole: the log's own threads may already be reading.
  s_pTasks.store(table, std::memory_order_release);
}

// The last code of a task thread: leave nothing held, clear the id, and let
// a waiting restart go on.
static void TASK_vEnd(TASK_INFO* b) {
  MUTEX_vReleaseAllOfCaller();
  L_TASK_Deactivate();
  pthread_mutex_lock(&s_KickOffMutex);
  b->ThreadID = 0;
  pthread_cond_broadcast(&s_KickOffCond);
  pthread_mutex_unlock(&s_KickOffMutex);
}

static void* TASK_KickOff(void* argument) {
  TASK_INFO* b = (TASK_INFO*)argument;
  t_pWait = &b->Wait;
  b->ThreadID = pthread_self();
  b->bStarted = TRUE;
  L_TASK_Activate();
  PRIORITY q = b->TaskParam.TParamPriority;
  struct sched_param sp = {};
  sp.sched_priority = q;
  pthread_setschedparam(pthread_self(), TASK_nPolicy(q), &sp);
  pthread_mutex_lock(&s_KickOffMutex);
  b->bKickedOff = TRUE;
  pthread_cond_broadcast(&s_KickOffCond);
  pthread_mutex_unlock(&s_KickOffMutex);

  b->TaskParam.TParamStartFunction();

  TASK_vEnd(b);
  return nullptr;
}

ERC L_TASK_Start(TASK task) {
  if (task == 0) task = L_TASK_GetID(0);
  if (task < 1 || task > ntasks || s_pTasks == nullptr) return -lsTASK_INVALID;
  if (task_disabled[task - 1]) return 0;
  TASK_INFO* b = &s_pTasks[task - 1];
  if (b->TaskParam.TParamStartFunction == nullptr) return -lsTASK_PARAMS;

  pthread_attr_t attr;
  pthread_attr_init(&attr);
  PRIORITY q = b->TaskParam.TParamPriority;
  struct sched_param sp = {};
  sp.sched_priority = q;
  if (pthread_attr_setstacksize(&attr, LSVC_szStackSize(b->TaskParam.TParamStackSize + 16384u)) != 0 ||
      pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED) != 0) {
    pthread_attr_destroy(&attr);
    return -lsTASK_PARAMS;
  }
  if (q != 0) {
    if (pthread_attr_setinheritsched(&attr, PTHREAD_EXPLICIT_SCHED) != 0 ||
        pthread_attr_setschedpolicy(&attr, SCHED_FIFO) != 0 || pthread_attr_setschedparam(&attr, &sp) != 0) {
      pthread_attr_destroy(&attr);
      return -lsTASK_PARAMS;
    }
  }

  pthread_mutex_lock(&s_KickOffMutex);
  // A task told to end is given the time to leave; a live one is never
  // started twice.
  while (b->ThreadID != 0 && b->Wait.bTerminate) pthread_cond_wait(&s_KickOffCond, &s_KickOffMutex);
  if (b->ThreadID != 0) {
    pthread_mutex_unlock(&s_KickOffMutex);
    pthread_attr_destroy(&attr);
    log_me("[%d]%s: task %d (%s) is already running", __LINE__, __func__, task, get_task_name(task));
    return -lsTASK_START;
  }
  b->Wait.bTerminate = FALSE;
  b->bKickedOff = FALSE;
  // A task started again in its slot is a new run: its status counts that run.
  b->mails = 0;
  b->longest_ns = 0;
  b->ran_until_ns = 0;
  // Logged by the starter before the thread exists, so the log shows the
  // start order itself even when the new task starts others at once.
  log_me("[%d]%s: task %d %s", __LINE__, __func__, task, get_task_name(task));
  pthread_t thread;
  ERC result = 0;
  if (pthread_create(&thread, &attr, TASK_KickOff, b) != 0) {
    log_me("[%d]%s: task %d could not be started", __LINE__, __func__, task);
    result = -lsTASK_START;
  } else {
    char name[16];
    snprintf(name, sizeof name, "%s", get_task_name(task));
    pthread_setname_np(thread, name);
    L_TASK_Deactivate();
    while (!b->bKickedOff) pthread_cond_wait(&s_KickOffCond, &s_KickOffMutex);
    L_TASK_Activate();
  }
  pthread_mutex_unlock(&s_KickOffMutex);
  pthread_attr_destroy(&attr);
  return result;
}

[[noreturn]] static void TASK_vExitThread(TASK_INFO* b) {
  TASK_vEnd(b);
  pthread_exit(nullptr);
}

void TASK_vLeaveIfTerminated(void) {
  WAIT_BLOCK* me = t_pWait;
  if (me == nullptr || me->pTask == nullptr || !me->bTerminate.load()) return;
  if (me->id > ntasks) return;  // the main thread is never ended from outside
  TASK_vExitThread(me->pTask);
}

ERC L_TASK_Terminate(TASK task) {
  TASK self = L_TASK_GetID(0);
  if (task == 0) task = self;
  TASK_INFO* b = TASK_pBlock(task);
  if (b == nullptr) return -lsTASK_INVALID;
  if (task == self && task <= ntasks) TASK_vExitThread(b);
  if (task == self) {
    // A thread without a task of its own ends itself.
    MUTEX_vReleaseAllOfCaller();
    pthread_exit(nullptr);
  }
  if (b->ThreadID == 0 || task > ntasks) return 0;
  b->Wait.bTerminate = TRUE;
  TASK_vWake(&b->Wait);
  return 0;
}

BOOLEAN L_TASK_bIsRunning(TASK task) {
  TASK_INFO* b = TASK_pBlock(task);
  return b != nullptr && task <= ntasks && b->ThreadID != 0;
}

S32 L_TASK_GetID(pthread_t thread) {
  if (thread == 0) return t_pWait != nullptr ? t_pWait->id : MAINTHREAD_ID;
  if (s_pTasks == nullptr) return MAINTHREAD_ID;
  for (TASK id = 1; id <= ntasks; id++) {
    if (pthread_equal(s_pTasks[id - 1].ThreadID.load(), thread)) return id;
  }
  return MAINTHREAD_ID;
}

U16 L_TASK_GetPriority(TASK task) {
  TASK_INFO* b = TASK_pArgument(task);
  if (b == nullptr) return (U16)-lsTASK_INVALID;
  return (U16)(100 - b->TaskParam.TParamPriority);
}

ERC L_TASK_SetPriority(TASK task, PRIORITY priority) {
  TASK_INFO* b = TASK_pArgument(task);
  if (b == nullptr) return -lsTASK_INVALID;
  PRIORITY q = TASK_u16ConvertPriority(priority);
  b->TaskParam.TParamPriority = q;
  pthread_t thread = b->ThreadID;
  if (thread != 0) {
    struct sched_param sp = {};
    sp.sched_priority = q;
    if (pthread_setschedparam(thread, TASK_nPolicy(q), &sp) != 0) return -lsTASK_PARAMS;
  }
  return 0;
}

// ---------------------------------------------------------------------------
// The task's own mutex and condition

ERC L_TASK_LockMutex(TASK task) {
  TASK_INFO* b = TASK_pArgument(task);
  if (b == nullptr) return -lsTASK_INVALID;
  pthread_mutex_lock(&b->Wait.Mutex);
  return 0;
}

ERC L_TASK_UnlockMutex(TASK task) {
  TASK_INFO* b = TASK_pArgument(task);
  if (b == nullptr) return -lsTASK_INVALID;
  pthread_mutex_unlock(&b->Wait.Mutex);
  return 0;
}

ERC L_TASK_SignalConditional(TASK task) {
  TASK_INFO* b = TASK_pArgument(task);
  if (b == nullptr) return -lsTASK_INVALID;
  pthread_mutex_lock(&b->Wait.Mutex);
  pthread_cond_signal(&b->Wait.Cond);
  pthread_mutex_unlock(&b->Wait.Mutex);
  return 0;
}

ERC L_TASK_WaitConditional(TASK task) { return L_TASK_WaitConditionalTimed(task, nullptr); }

ERC L_TASK_WaitConditionalTimed(TASK task, const struct timespec* deadline) {
  TASK_INFO* b = TASK_pArgument(task);
  if (b == nullptr) return -lsTASK_INVALID;
  S32 rc = LSVC_s32Park(&b->Wait.Cond, &b->Wait.Mutex, deadline);
  return rc == RC_TIMEOUT ? RC_TIMEOUT : 0;
}

// ---------------------------------------------------------------------------
// Run-time bookkeeping

void L_TASK_Activate(void) {
  WAIT_BLOCK* me = t_pWait;
  if (me == nullptr || me->pTask == nullptr) return;
  // The start before the count, and in Deactivate the count last: a status
  // read from another thread that sees the count sees the times that go
  // with it.
  me->pTask->activ_ns = L_CLOCK_qwGetTimeInNans();
  me->pTask->active_count++;
}

void L_TASK_Deactivate(void) {
  WAIT_BLOCK* me = t_pWait;
  if (me == nullptr || me->pTask == nullptr) return;
  TASK_INFO* b = me->pTask;
  const U64 now = L_CLOCK_qwGetTimeInNans();
  const U64 run = now - b->activ_ns;
  b->accum_ns += run;
  b->ran_until_ns.store(now, std::memory_order_relaxed);
  if (run > b->longest_ns.load(std::memory_order_relaxed)) b->longest_ns.store(run, std::memory_order_relaxed);
  b->active_count--;
}

void TASK_vCountMail(void) {
  WAIT_BLOCK* me = t_pWait;
  if (me != nullptr && me->pTask != nullptr) me->pTask->mails.fetch_add(1, std::memory_order_relaxed);
}

BOOLEAN L_TASK_bStatus(TASK task, L_TASK_STATUS* pStatus) {
  TASK_INFO* b = TASK_pBlock(task);
  if (b == nullptr || pStatus == nullptr) return FALSE;
  const U64 now = L_CLOCK_qwGetTimeInNans();
  const BOOLEAN bRunning = b->active_count.load() > 0;
  U64 longest = b->longest_ns.load(std::memory_order_relaxed);
  const U64 current = bRunning ? now - b->activ_ns.load() : 0;
  if (current > longest) longest = current;
  const U64 ranUntil = b->ran_until_ns.load(std::memory_order_relaxed);
  if (b->ThreadID.load() == 0) {
    pStatus->eState = b->bStarted ? L_TASK_ENDED : L_TASK_NOT_STARTED;
  } else {
    pStatus->eState = bRunning ? L_TASK_RUNNING : L_TASK_WAITING;
  }
  pStatus->u64Mails = b->mails.load(std::memory_order_relaxed);
  pStatus->u64SinceRunMs = bRunning || ranUntil == 0 || ranUntil > now ? 0 : (now - ranUntil) / 1000000u;
  pStatus->u64LongestRunMs = longest / 1000000u;
  return TRUE;
}

void L_TASK_Debug(void) {
  if (s_pTasks == nullptr) return;
  U64 run = L_CLOCK_qwGetTimeInNans();
  U64 total = 0;
  log_me("task information (%d total)", ntasks);
  for (TASK id = 1; id <= MAINTHREAD_ID; id++) {
    TASK_INFO* b = &s_pTasks[id - 1];
    U64 acc = b->accum_ns;
    total += acc;
    int percent = run ? (int)(acc * 100 / run) : 0;
    log_me("  %02d %s: active %d time (%d%%) %d.%06d priority %d pthread ID #%d mutex.lock %d", id,
           get_task_name(id), b->active_count.load(), percent, (int)(acc / 1000000000u),
           (int)(acc / 1000u % 1000000u), 100 - b->TaskParam.TParamPriority, (int)b->ThreadID.load(),
           LSVC_nLockWord(&b->Wait.Mutex));
  }
  log_me("run time %d.%06d accumulated time %d.%06d", (int)(run / 1000000000u), (int)(run / 1000u % 1000000u),
         (int)(total / 1000000000u), (int)(total / 1000u % 1000000u));
}
