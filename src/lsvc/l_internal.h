// Internals shared by the modules of the service layer; not for other folders.
#pragma once

#include <atomic>
#include <mutex>

#include "linuxsvc.h"

struct tag_TASK_INFO;

// Where a thread parks. Every blocking service waits on some condition
// variable under its mutex; the wait block records which one, so that
// L_TASK_Terminate can wake the thread wherever it waits and let it leave
// at a point where it holds nothing of the layer's.
//
// The wait point is two atomics rather than a pair under a lock: the parker
// publishes it before it looks at bTerminate and the terminator sets
// bTerminate before it reads the point, so one of them always sees the other.
// A point read half old and half new wakes no one wrongly: the new park has
// seen bTerminate by then and does not sleep.
struct tag_WAIT_BLOCK {
  pthread_mutex_t Mutex;  // recursive: the task's TaskMutex
  pthread_cond_t Cond;    // monotonic: the task's TaskCond
  std::atomic<BOOLEAN> bTerminate;
  std::atomic<pthread_cond_t*> pWaitCond;
  std::atomic<pthread_mutex_t*> pWaitMutex;
  // Semaphore signals that chose this block as their waiter and have not yet
  // signalled Cond; a thread's own block waits for them before it goes.
  std::atomic<int> nWakesInFlight;
  TASK id;                      // 1..71, or 72 for every other thread
  tag_TASK_INFO* pTask;         // null for threads without a control block
};
typedef tag_WAIT_BLOCK WAIT_BLOCK;

void LSVC_vInitWaitBlock(WAIT_BLOCK* block, TASK id, tag_TASK_INFO* task);
// The caller's wait block: its task's, or one of the thread's own.
WAIT_BLOCK* TASK_pMyWaitBlock(void);

// Result of a park cut short because the caller's task is to end.
constexpr S32 LSVC_TERMINATED = -1000;

// Parks the caller on cond with mutex held (and still held on return).
// 0 when woken, RC_TIMEOUT at the deadline (null = none), LSVC_TERMINATED.
S32 LSVC_s32Park(pthread_cond_t* cond, pthread_mutex_t* mutex, const struct timespec* deadline);
// Ends the calling thread if its task was told to terminate; call it where
// the caller holds none of the layer's locks.
void TASK_vLeaveIfTerminated(void);
// Counts a mail block taken by the calling task (nothing for other threads).
void TASK_vCountMail(void);

void LSVC_vInitRecursiveMutex(pthread_mutex_t* mutex);
void LSVC_vInitMonotonicCond(pthread_cond_t* cond);
// Initialisation that cannot go on is fatal: nothing would work afterwards.
[[noreturn]] void LSVC_vInitFailed(const char* file, int line, const char* what);
// The lock word of a system mutex, printed by the dumps.
int LSVC_nLockWord(const pthread_mutex_t* mutex);

// Releases every resource mutex the calling thread holds (a task that ends).
void MUTEX_vReleaseAllOfCaller(void);

// Stack bytes a thread gets on this target for a request of `bytes`: the
// board's sizes are exact; 64-bit frames and sanitizer instrumentation need
// more room than the board's 32-bit code.
size_t LSVC_szStackSize(size_t bytes);

// A dump is being printed by this thread (log lines of others stall).
extern std::atomic<BOOLEAN> g_bDumpInProgress;
extern std::atomic<pthread_t> g_DumpThread;
