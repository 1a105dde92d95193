// Everything a task needs from the system comes through this layer: tasks,
// event semaphores, mailboxes, resource mutexes, timers, queues, block maps,
// the clock and the process's option variables. Every object is addressed by a
// small id from lsvc_ids.h.
#pragma once

#include <pthread.h>
#include <signal.h>
#include <time.h>

#include <atomic>

#include "basetypes.h"
#include "erc.h"
#include "lsvc_ids.h"
#include "msghdr.h"

// ---------------------------------------------------------------------------
// Task table and process options

typedef void (*TASK_ENTRY)(void);

struct tag_TASK_PARAM {
  U16 TParamStackSize;              // stack bytes the task asks for
  PRIORITY TParamPriority;          // table priority (100 - thread priority)
  TASK_ENTRY TParamStartFunction;   // entry, no argument, no result
};
typedef tag_TASK_PARAM TASK_PARAM;

// The task table. Row n describes task id n + 1. The program that links the
// service layer defines it (the unit's own table, or a test's).
extern const TASK_PARAM TaskParams[ntasks];

// One byte per task id (index id - 1); non-zero makes L_TASK_Start a no-op.
extern U8 task_disabled[ntasks];

// Option variables, written only by main before any task exists.
extern S32 opt_fakekey;          // -1 = off
extern S64 opt_sleeper;          // microseconds
extern S64 quit_seconds;         // milliseconds after the process's start, 0 = off
extern S32 debug_seconds;        // 0 = no watchdog
extern U8 opt_fake_transducer;
extern U8 opt_nolog;
extern U8 opt_noadc;
extern U8 opt_fsync;
extern U8 opt_nodisclaimer;
extern U8 opt_notone;

// Brings the whole layer up in its fixed order: mutexes, semaphores, block
// maps, timers, mailboxes, queues, tasks. Called once by main.
void LSVC_vInit(void);

// ---------------------------------------------------------------------------
// Tasks and threads

void TASK_Init(void);
ERC L_TASK_Start(TASK task);
// Ends a task. Another task leaves at its next service-layer wait (mutexes it
// holds are released then); the caller's own task ends at once.
ERC L_TASK_Terminate(TASK task);
// Id of a thread (0 = the caller): 1..71 for tasks, 72 for every other thread.
S32 L_TASK_GetID(pthread_t thread);
U16 L_TASK_GetPriority(TASK task);
ERC L_TASK_SetPriority(TASK task, PRIORITY priority);
ERC L_TASK_LockMutex(TASK task);
ERC L_TASK_UnlockMutex(TASK task);
ERC L_TASK_SignalConditional(TASK task);
ERC L_TASK_WaitConditional(TASK task);
ERC L_TASK_WaitConditionalTimed(TASK task, const struct timespec* deadline);
void L_TASK_Activate(void);
void L_TASK_Deactivate(void);
void L_TASK_Debug(void);
// TRUE while the id's thread exists (started and not yet ended).
BOOLEAN L_TASK_bIsRunning(TASK task);
// A task's state and counters as a tester sees them: a run is the time
// between two waits of the service layer (a sleep counts as a wait).
enum L_TASK_STATE : U8 { L_TASK_NOT_STARTED, L_TASK_RUNNING, L_TASK_WAITING, L_TASK_ENDED };
typedef struct tag_L_TASK_STATUS {
  L_TASK_STATE eState;
  U64 u64Mails;         // mail blocks it has taken
  U64 u64SinceRunMs;    // since its last run ended; 0 while it runs
  U64 u64LongestRunMs;  // its longest run, the current one included
} L_TASK_STATUS;
// FALSE for an id outside 1..72 (72: the main thread).
BOOLEAN L_TASK_bStatus(TASK task, L_TASK_STATUS* pStatus);

// A joinable thread with its own stack; 0 on failure.
pthread_t L_UTILS_threadCreateSimpleThread(const char* name, void* (*function)(void*), void* argument);
void show_linux_priority(const char* name);
// Asks for SCHED_FIFO at the given priority for the calling thread; without
// the privilege it logs and the thread stays at normal priority.
BOOLEAN L_UTILS_bSetRealTime(const char* name, int priority);

const char* get_task_name(S32 id);
const char* get_semaphore_name(S32 id);
const char* get_queue_name(S32 id);
const char* get_mutex_name(S32 id);
const char* get_mailbox_name(S32 id);
const char* get_memory_name(S32 id);

extern const char* const str_tasks[ntasks + 2];
extern const char* const str_semaphores[nsemas + 1];
extern const char* const str_mailboxes[nmboxes + 1];
extern const char* const str_queues[nqueues + 1];
extern const char* const str_mutexes[nres + 1];
extern const char* const str_memblocks[1];

char* itoa(S32 value, char* buffer, int base);
U32 atoh(const char* text);
char* U_UTILS_strdup(const char* text);

// ---------------------------------------------------------------------------
// Event semaphores

void SEMA_Init(void);
ERC L_SEMA_Signal(SEMA sema);
ERC L_SEMA_SignalMultiple(const SEMA* list);
ERC L_SEMA_SetPending(SEMA sema);
ERC L_SEMA_SetPendingMultiple(const SEMA* list);
ERC L_SEMA_Wait(SEMA sema);
ERC L_SEMA_WaitTicks(SEMA sema, TICKS ticks);
ERC L_SEMA_WaitSeconds(SEMA sema, U32 seconds);
// Waits on a zero-terminated list; returns the id taken (the one signalled
// first) or a negative error.
S32 L_SEMA_WaitMultiple(const SEMA* list);
S32 L_SEMA_GetWaitingTaskID(SEMA sema);
void L_SEMA_Debug(void);

// ---------------------------------------------------------------------------
// Mailboxes. Messages are heap blocks beginning with RTXCMSG.

void MBOX_Init(void);
ERC L_MBOX_DefineSema(MBOX mbox, SEMA sema);
ERC L_MBOX_Send(MBOX mbox, void* message, PRIORITY priority, SEMA ackSema);
ERC L_MBOX_SendWait(MBOX mbox, void* message, PRIORITY priority, SEMA ackSema);
ERC L_MBOX_SendWaitTicks(MBOX mbox, void* message, PRIORITY priority, SEMA ackSema, TICKS ticks);
ERC L_MBOX_SendWaitSeconds(MBOX mbox, void* message, PRIORITY priority, SEMA ackSema, U32 seconds);
void* L_MBOX_Receive(MBOX mbox);
void* L_MBOX_ReceiveWait(MBOX mbox);
void* L_MBOX_ReceiveWaitTicks(MBOX mbox, TICKS ticks);
void* L_MBOX_ReceiveWaitSeconds(MBOX mbox, U32 seconds);
void L_MBOX_AckMessage(void* message);
// TRUE once the receiver has acknowledged this message (since its last send).
BOOLEAN L_MBOX_bIsAcknowledged(const void* message);
void L_MBOX_Debug(void);

// ---------------------------------------------------------------------------
// Resource mutexes (owned by a thread, nesting for their owner)

void MUTEX_Init(void);
ERC L_MUTEX_Lock(MUTEX id);
ERC L_MUTEX_LockWait(MUTEX id);
ERC L_MUTEX_LockTime(MUTEX id, TICKS ticks);
ERC L_MUTEX_Unlock(MUTEX id);
// Runs pfnHook on every thread right after its outermost unlock of id, with
// the lock already free: the one way for the owner of a resource to finish
// work that must not be done under it (a store's writes reaching the medium).
// One hook a mutex, set after the mutexes are made; null removes it.
void L_MUTEX_vSetReleaseHook(MUTEX id, void (*pfnHook)(void));
S32 L_MUTEX_GetOwnerTaskID(MUTEX id);
void L_MUTEX_Debug(void);

// ---------------------------------------------------------------------------
// Clock and ticks. Times count from the process's first clock reading.

U64 L_CLOCK_qwGetTimeInNans(void);
U64 L_CLOCK_qwGetTimeInMicros(void);
U64 L_CLOCK_qwGetTimeInMillis(void);
U64 L_CLOCK_qwGetTimeInTicks(void);
// Raw monotonic reading (time since boot); fixes the process start on first use.
void CLOCK_internalGetTimespec(struct timespec* ts);
void L_CLOCK_PrepTimeoutTicks(struct timespec* deadline, TICKS ticks);
void L_CLOCK_PrepTimeoutSeconds(struct timespec* deadline, U32 seconds);
void L_CLOCK_StoreTimerspec(struct itimerspec* ts, U32 value_ms, U32 interval_ms);
U32 L_CLOCK_ScanTimerspec(const struct itimerspec* ts);
void L_CLOCK_Sleep(U32 ms);

U32 H_TICK_u32ReadFreeRunningTimer(void);
U32 H_TICK_u32ReadFreeRunningTimerInSystemTicks(void);
U32 H_TICK_u32ReadFreeRunningTimerInMilliSeconds(void);
U32 H_TICK_u32ElapsedTime(U32 start, U32 end);
void H_TICK_vSetFineTimer(U32 timer, U32 value, void (*function)(void));
void H_TICK_vHandleTick(void);

// ---------------------------------------------------------------------------
// Timers

enum TIMER_STATE : U8 { TIMER_STOPPED = 0, TIMER_ONESHOT = 1, TIMER_PERIODIC = 2 };

struct tag_TIMER_INFO {
  std::atomic<U8> u8TimerState;   // TIMER_STATE; read by the timer thread without a lock
  std::atomic<U8> u8TimerSignal;  // expiries not yet handed on
  std::atomic<U32> u32Arming;     // counts the starts; an expiry carries the one it belongs to
  std::atomic<U32> u32Queued;     // the arming whose expiry waits in the pipe; 0 none
  std::atomic<U64> qwDueUs;       // service-layer time of this arming's first expiry
  std::atomic<TASK> OwningTaskID;
  std::atomic<SEMA> Semaphore;
  timer_t TimerID;
  std::atomic<U32> timer_fired_count;
  std::atomic<U32> timer_queue_count;
  S32 s32Index;                   // what travels through the expiry pipe; -1 = none
  BOOLEAN bCreated;
};
typedef tag_TIMER_INFO TIMER_INFO;
typedef tag_TIMER_INFO CLKBLK;

void TIMER_Init(void);
ERC L_TIMER_InitTimer(TIMER_INFO* timer, TASK task);
TIMER_INFO* L_TIMER_Allocate(void);
TIMER_INFO* L_TIMER_Start(TIMER_INFO* timer, U32 initial, U32 period, SEMA sema);
ERC L_TIMER_Stop(TIMER_INFO* timer);
ERC L_TIMER_Release(TIMER_INFO* timer);
U32 L_TIMER_GetRemaining(TIMER_INFO* timer);
U32 L_TIMER_GetElapsed(U32* stamp);
void L_TIMER_Debug(void);

// ---------------------------------------------------------------------------
// Queues

enum QUEUE_CONDITION { QNE = 0, QNF = 1, QF = 2, QE = 3, QCOND_COUNT = 4 };

struct tag_QUEUE_PARAM {
  U32 QParamWidth;  // bytes per entry
  U32 QParamDepth;  // entries
};
typedef tag_QUEUE_PARAM QUEUE_PARAM;
extern const QUEUE_PARAM QueueParams[nqueues];

void QUEUE_Init(void);
ERC L_QUEUE_Define(QUEUE queue, U32 width, U32 depth, void* buffer, U32 count);
ERC L_QUEUE_DefineSema(QUEUE queue, SEMA sema, S32 condition);
ERC L_QUEUE_Put(QUEUE queue, const void* entry);
ERC L_QUEUE_PutWait(QUEUE queue, const void* entry);
ERC L_QUEUE_PutWaitTicks(QUEUE queue, const void* entry, TICKS ticks);
ERC L_QUEUE_PutWaitSeconds(QUEUE queue, const void* entry, U32 seconds);
ERC L_QUEUE_Get(QUEUE queue, void* destination);
ERC L_QUEUE_GetWait(QUEUE queue, void* destination);
ERC L_QUEUE_GetWaitTicks(QUEUE queue, void* destination, TICKS ticks);
ERC L_QUEUE_GetWaitSeconds(QUEUE queue, void* destination, U32 seconds);
// Block hand-overs: up to u32Count entries in or out under one lock, with one
// signal per condition reached. When nothing can move, they wait up to ticks
// (0: not at all) for room or for an entry. The result is the number of
// entries moved, 0 at the deadline, or a negative ERC for a bad queue.
S32 L_QUEUE_PutMany(QUEUE queue, const void* entries, U32 u32Count, TICKS ticks);
S32 L_QUEUE_GetMany(QUEUE queue, void* destination, U32 u32Count, TICKS ticks);
ERC L_QUEUE_Purge(QUEUE queue);
S32 L_QUEUE_Inquire(QUEUE queue);
void L_QUEUE_Debug(void);

// ---------------------------------------------------------------------------
// Block maps (the layer under the fixed-block heap)

constexpr S32 nmaps = 0;   // static maps
constexpr S32 dnmaps = 8;  // dynamic maps

void MEM_Init(void);
MAP L_MEM_Create(void* storage, U32 blockSize, U32 count);
void* L_MEM_Allocate(MAP map);
void* L_MEM_AllocateWait(MAP map);
void* L_MEM_AllocateWaitTicks(MAP map, TICKS ticks);
void* L_MEM_AllocateWaitSeconds(MAP map, U32 seconds);
ERC L_MEM_Free(MAP map, void* block);
S32 L_MEM_GetBlockSize(MAP map);
void L_MEM_Debug(void);

// ---------------------------------------------------------------------------
// Logging and process end

void log_me(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Monotonic milliseconds since boot; fills tv (seconds, microseconds) when given.
S32 lm_gettime(struct timeval* tv);
[[noreturn]] void lm_exit(const char* file, int line, int status);
[[noreturn]] void bail_out(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Prints the seven table dumps in their fixed order.
void lm_vDebugDump(void);

// Base directory of every data file ("VELMORA_CWD", else "/usr/velmora").
const char* L_UTILS_cpGetPathnamePtr(void);
