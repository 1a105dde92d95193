// Binary flags a task waits on, with the time of their last signal and at
// most one waiting thread. Every wait of a task is made here.

#include <string.h>

#include "l_internal.h"

enum : U8 { SEMA_BIT_WAITING = 1, SEMA_BIT_DONE = 2 };

struct tag_SEMA_INFO {
  std::atomic<U8> u8SemaState;  // bit 0 waiting, bit 1 signalled
  TASK WaitingTaskID;           // guarded by SemaMutex
  WAIT_BLOCK* pWaiter;          // the waiting thread's wait block
  U64 u64FireTimestamp;         // guarded by SemaMutex
  BOOLEAN bConflictTold;        // guarded by SemaMutex
  pthread_mutex_t SemaMutex;
};
typedef tag_SEMA_INFO SEMA_INFO;

static std::atomic<SEMA_INFO*> s_pSemas{nullptr};  // index = id - 1

static const char* const s_apcStateNames[4] = {"pending", "waiting", "done", "reset"};

static SEMA_INFO* SEMA_pInfo(SEMA id) {
  if (s_pSemas == nullptr || id < 1 || id > nsemas) return nullptr;
  return &s_pSemas[id - 1];
}

void SEMA_Init(void) {
  SEMA_INFO* table = new (std::nothrow) SEMA_INFO[nsemas];
  if (table == nullptr) LSVC_vInitFailed(__FILE_NAME__, __LINE__, "semaphore records");
  for (S32 i = 0; i < nsemas; i++) {
    table[i].u8SemaState = 0;
    table[i].WaitingTaskID = 0;
    table[i].pWaiter = nullptr;
    table[i].u64FireTimestamp = 0;
    table[i].bConflictTold = FALSE;
    pthread_mutex_init(&table[i].SemaMutex, nullptr);
  }
  // Published whole: the log's own threads may already be reading.
  s_pSemas.store(table, std::memory_order_release);
}

// Signals a waiter picked by SEMA_bFire (null: none), with no lock held.
static void SEMA_vWake(WAIT_BLOCK* waiter) {
  if (waiter == nullptr) return;
  pthread_cond_signal(&waiter->Cond);
  waiter->nWakesInFlight--;
}

// Sets "done"; the caller holds the semaphore's mutex. FALSE when it was
// signalled already (an overrun: nothing changes). The waiting thread, if
// any, is returned for SEMA_vWake once the caller has let go of the mutex:
// woken under it, on a single processor the waiter would run straight into
// that mutex and hand the processor back twice more.
static BOOLEAN SEMA_bFire(SEMA_INFO* s, WAIT_BLOCK** ppWake) {
  *ppWake = nullptr;
  if (s->u8SemaState & SEMA_BIT_DONE) return FALSE;
  s->u64FireTimestamp = L_CLOCK_qwGetTimeInNans();
  s->u8SemaState |= SEMA_BIT_DONE;
  WAIT_BLOCK* waiter = s->pWaiter;
  if (waiter != nullptr) {
    // Taken and given back at once: the waiter holds its Mutex from its look
    // at "done" until it sleeps on Cond, so from here on it either sleeps or
    // has seen "done", and the signal cannot fall between the two.
    pthread_mutex_lock(&waiter->Mutex);
    pthread_mutex_unlock(&waiter->Mutex);
    waiter->nWakesInFlight++;
    *ppWake = waiter;
  }
  return TRUE;
}

ERC L_SEMA_Signal(SEMA sema) {
  SEMA_INFO* s = SEMA_pInfo(sema);
  if (s == nullptr) return -lsSEMA_INVALID;
  WAIT_BLOCK* wake = nullptr;
  pthread_mutex_lock(&s->SemaMutex);
  BOOLEAN fired = SEMA_bFire(s, &wake);
  pthread_mutex_unlock(&s->SemaMutex);
  SEMA_vWake(wake);
  return fired ? 0 : -lsSEMA_OVERRUN;
}

ERC L_SEMA_SignalMultiple(const SEMA* list) {
  if (list == nullptr) return -lsSEMA_INVALID;
  BOOLEAN any = FALSE;
  for (; *list != 0; list++) {
    SEMA_INFO* s = SEMA_pInfo(*list);
    if (s == nullptr) continue;
    any = TRUE;
    WAIT_BLOCK* wake = nullptr;
    pthread_mutex_lock(&s->SemaMutex);
    SEMA_bFire(s, &wake);
    pthread_mutex_unlock(&s->SemaMutex);
    SEMA_vWake(wake);
  }
  return any ? 0 : -lsSEMA_INVALID;
}

// Drops a signal nobody took; a waiting thread's mark is left alone. The
// waiting bit is set and cleared with the waiter's record under the mutex,
// so looking at the state word alone is enough.
ERC L_SEMA_SetPending(SEMA sema) {
  SEMA_INFO* s = SEMA_pInfo(sema);
  if (s == nullptr) return -lsSEMA_INVALID;
  U8 state = s->u8SemaState.load();
  while (state != 0 && (state & SEMA_BIT_WAITING) == 0) {
    if (s->u8SemaState.compare_exchange_weak(state, 0)) break;  // a failure reloads state
  }
  return 0;
}

ERC L_SEMA_SetPendingMultiple(const SEMA* list) {
  if (list == nullptr) return -lsSEMA_INVALID;
  BOOLEAN any = FALSE;
  for (; *list != 0; list++) {
    if (L_SEMA_SetPending(*list) == 0) any = TRUE;
  }
  return any ? 0 : -lsSEMA_INVALID;
}

// The valid, distinct ids of a zero-terminated list, in list order. A
// repeated id would otherwise lock its mutex twice.
static int SEMA_nCollect(const SEMA* list, SEMA_INFO** out, int capacity) {
  int n = 0;
  for (; *list != 0 && n < capacity; list++) {
    SEMA_INFO* s = SEMA_pInfo(*list);
    if (s == nullptr) continue;
    BOOLEAN seen = FALSE;
    for (int i = 0; i < n; i++) seen |= (out[i] == s);
    if (!seen) out[n++] = s;
  }
  return n;
}

static BOOLEAN SEMA_bAnyDone(SEMA_INFO* const* set, int n) {
  for (int i = 0; i < n; i++) {
    if (set[i]->u8SemaState & SEMA_BIT_DONE) return TRUE;
  }
  return FALSE;
}

// The one signalled first, or null; on equal stamps the earlier list entry.
static SEMA_INFO* SEMA_pFirstDone(SEMA_INFO* const* set, int n) {
  SEMA_INFO* first = nullptr;
  for (int i = 0; i < n; i++) {
    if ((set[i]->u8SemaState & SEMA_BIT_DONE) &&
        (first == nullptr || set[i]->u64FireTimestamp < first->u64FireTimestamp)) {
      first = set[i];
    }
  }
  return first;
}

static S32 SEMA_WaitInternal(const SEMA* list, const struct timespec* deadline) {
  if (list == nullptr) return -lsSEMA_INVALID;
  SEMA_INFO* set[64];
  int n = SEMA_nCollect(list, set, 64);
  if (n == 0) return -lsSEMA_INVALID;
  TASK me = L_TASK_GetID(0);
  if (me < 1) return me;
  WAIT_BLOCK* wb = TASK_pMyWaitBlock();

  for (int i = 0; i < n; i++) pthread_mutex_lock(&set[i]->SemaMutex);
  for (int i = 0; i < n; i++) {
    if (set[i]->WaitingTaskID != 0) {
      // A task that meets this loops without ever waiting: said once, since
      // the other waiter then takes everything signalled on it.
      const TASK other = set[i]->WaitingTaskID;
      const BOOLEAN bTell = !set[i]->bConflictTold;
      set[i]->bConflictTold = TRUE;
      const S32 id = (S32)(set[i] - s_pSemas.load()) + 1;
      for (int k = 0; k < n; k++) pthread_mutex_unlock(&set[k]->SemaMutex);
      if (bTell) {
        log_me("[%d]%s: task %d cannot wait on semaphore %d (%s): task %d waits on it", __LINE__, __func__, (int)me,
               (int)id, get_semaphore_name(id), (int)other);
      }
      return -lsSEMA_WAIT_CONFLICT;
    }
  }
  S32 result = 0;
  // A signal already there is taken without registering and parking.
  SEMA_INFO* first = SEMA_pFirstDone(set, n);
  if (first == nullptr) {
    for (int i = 0; i < n; i++) {
      set[i]->WaitingTaskID = me;
      set[i]->pWaiter = wb;
      set[i]->u8SemaState |= SEMA_BIT_WAITING;
    }
    pthread_mutex_lock(&wb->Mutex);
    for (int i = 0; i < n; i++) pthread_mutex_unlock(&set[i]->SemaMutex);
    while (!SEMA_bAnyDone(set, n)) {
      S32 rc = LSVC_s32Park(&wb->Cond, &wb->Mutex, deadline);
      if (rc != 0) {
        result = rc;
        break;
      }
    }
    pthread_mutex_unlock(&wb->Mutex);
    for (int i = 0; i < n; i++) pthread_mutex_lock(&set[i]->SemaMutex);
    // Picked while still marked waiting, which keeps SetPending off.
    if (result == 0) first = SEMA_pFirstDone(set, n);
    for (int i = 0; i < n; i++) {
      set[i]->WaitingTaskID = 0;
      set[i]->pWaiter = nullptr;
      set[i]->u8SemaState &= (U8)~SEMA_BIT_WAITING;
    }
  }
  if (first != nullptr) {
    first->u8SemaState &= (U8)~SEMA_BIT_DONE;
    result = (S32)(first - s_pSemas) + 1;
  }
  for (int i = 0; i < n; i++) pthread_mutex_unlock(&set[i]->SemaMutex);
  if (result == LSVC_TERMINATED) TASK_vLeaveIfTerminated();
  return result;
}

ERC L_SEMA_Wait(SEMA sema) {
  if (SEMA_pInfo(sema) == nullptr) return -lsSEMA_INVALID;
  SEMA list[2] = {sema, 0};
  S32 rc = SEMA_WaitInternal(list, nullptr);
  return rc > 0 ? 0 : rc;
}

ERC L_SEMA_WaitTicks(SEMA sema, TICKS ticks) {
  if (SEMA_pInfo(sema) == nullptr) return -lsSEMA_INVALID;
  struct timespec deadline;
  L_CLOCK_PrepTimeoutTicks(&deadline, ticks);
  SEMA list[2] = {sema, 0};
  S32 rc = SEMA_WaitInternal(list, &deadline);
  return rc > 0 ? 0 : rc;
}

ERC L_SEMA_WaitSeconds(SEMA sema, U32 seconds) {
  if (SEMA_pInfo(sema) == nullptr) return -lsSEMA_INVALID;
  struct timespec deadline;
  L_CLOCK_PrepTimeoutSeconds(&deadline, seconds);
  SEMA list[2] = {sema, 0};
  S32 rc = SEMA_WaitInternal(list, &deadline);
  return rc > 0 ? 0 : rc;
}

S32 L_SEMA_WaitMultiple(const SEMA* list) { return SEMA_WaitInternal(list, nullptr); }

S32 L_SEMA_GetWaitingTaskID(SEMA sema) {
  SEMA_INFO* s = SEMA_pInfo(sema);
  if (s == nullptr) return -lsSEMA_INVALID;
  pthread_mutex_lock(&s->SemaMutex);
  S32 result = s->WaitingTaskID;
  if (result == 0) result = (s->u8SemaState & SEMA_BIT_DONE) ? -lsSEMA_DONE : -lsSEMA_PENDING;
  pthread_mutex_unlock(&s->SemaMutex);
  return result;
}

void L_SEMA_Debug(void) {
  if (s_pSemas == nullptr) return;
  log_me("semaphore information (%d total)", nsemas);
  for (SEMA id = 1; id <= nsemas; id++) {
    SEMA_INFO* s = &s_pSemas[id - 1];
    const int lockWord = LSVC_nLockWord(&s->SemaMutex);
    pthread_mutex_lock(&s->SemaMutex);
    const U8 state = s->u8SemaState & 3;
    const TASK waiting = s->WaitingTaskID;
    const U64 fired = s->u64FireTimestamp;
    pthread_mutex_unlock(&s->SemaMutex);
    log_me("  %02d %s: %s task #%d (%s) fired at %lld mutex.lock %d", id, get_semaphore_name(id),
           s_apcStateNames[state], waiting, get_task_name(waiting), (long long)fired, lockWord);
  }
}
