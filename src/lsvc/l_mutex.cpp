// Locks on shared resources, each held by one thread and nesting for it, so
// that a task may take a lock again inside its own hold. Ownership is kept by
// thread, so threads that are not tasks (all of them id 72) never mistake each
// other's hold for their own; waiting is a park like every other wait of the
// layer, so a task told to end leaves from here too.

#include "l_internal.h"

struct tag_MUTEX_INFO {
  std::atomic<TASK> OwningTaskID;  // reported owner, 0 when free
  std::atomic<pthread_t> OwnerThread;
  U32 NestLevel;                   // guarded by MutexStruct
  pthread_mutex_t MutexStruct;     // guards the fields; held only briefly
  pthread_cond_t Cond;             // monotonic; signalled when released
  std::atomic<void (*)(void)> pfnReleaseHook;
};
typedef tag_MUTEX_INFO MUTEX_INFO;

static std::atomic<MUTEX_INFO*> s_pMutexes{nullptr};  // index = id - 1

static MUTEX_INFO* MUTEX_pInfo(MUTEX id) {
  if (s_pMutexes == nullptr || id < 1 || id > nres) return nullptr;
  return &s_pMutexes[id - 1];
}

void MUTEX_Init(void) {
  MUTEX_INFO* table = new (std::nothrow) MUTEX_INFO[nres];
  if (table == nullptr) LSVC_vInitFailed(__FILE_NAME__, __LINE__, "mutex records");
  for (S32 i = 0; i < nres; i++) {
    table[i].OwningTaskID = 0;
    table[i].OwnerThread = 0;
    table[i].NestLevel = 0;
    table[i].pfnReleaseHook = nullptr;
    pthread_mutex_init(&table[i].MutexStruct, nullptr);
    LSVC_vInitMonotonicCond(&table[i].Cond);
  }
  // Published whole: the log's own threads may already be reading.
  s_pMutexes.store(table, std::memory_order_release);
}

static ERC MUTEX_Take(MUTEX id, BOOLEAN wait, const struct timespec* deadline) {
  MUTEX_INFO* m = MUTEX_pInfo(id);
  if (m == nullptr) return -lsMUTEX_INVALID;
  pthread_t self = pthread_self();
  pthread_mutex_lock(&m->MutexStruct);
  if (m->NestLevel > 0 && pthread_equal(m->OwnerThread.load(), self)) {
    m->NestLevel++;
    pthread_mutex_unlock(&m->MutexStruct);
    return -lsMUTEX_NESTED;
  }
  S32 rc = 0;
  while (m->NestLevel > 0) {
    if (!wait) {
      rc = -lsMUTEX_BUSY;
      break;
    }
    rc = LSVC_s32Park(&m->Cond, &m->MutexStruct, deadline);
    if (rc == RC_TIMEOUT) rc = -lsMUTEX_BUSY;
    if (rc != 0) break;
  }
  if (rc == 0) {
    m->OwnerThread = self;
    m->OwningTaskID = L_TASK_GetID(0);
    m->NestLevel = 1;
  }
  pthread_mutex_unlock(&m->MutexStruct);
  if (rc == LSVC_TERMINATED) TASK_vLeaveIfTerminated();
  return rc;
}

ERC L_MUTEX_Lock(MUTEX id) { return MUTEX_Take(id, FALSE, nullptr); }

ERC L_MUTEX_LockWait(MUTEX id) { return MUTEX_Take(id, TRUE, nullptr); }

ERC L_MUTEX_LockTime(MUTEX id, TICKS ticks) {
  struct timespec deadline;
  L_CLOCK_PrepTimeoutTicks(&deadline, ticks);
  return MUTEX_Take(id, TRUE, &deadline);
}

static void MUTEX_vFree(MUTEX_INFO* m) {
  m->NestLevel = 0;
  m->OwnerThread = 0;
  m->OwningTaskID = 0;
  // Every waiter rechecks; one that is leaving must not swallow the wake-up.
  pthread_cond_broadcast(&m->Cond);
}

ERC L_MUTEX_Unlock(MUTEX id) {
  MUTEX_INFO* m = MUTEX_pInfo(id);
  if (m == nullptr) return -lsMUTEX_INVALID;
  pthread_mutex_lock(&m->MutexStruct);
  ERC rc;
  if (m->NestLevel == 0 || !pthread_equal(m->OwnerThread.load(), pthread_self())) {
    rc = -lsMUTEX_BUSY;
  } else if (--m->NestLevel > 0) {
    rc = -lsMUTEX_NESTED;
  } else {
    MUTEX_vFree(m);
    rc = 0;
  }
  pthread_mutex_unlock(&m->MutexStruct);
  if (rc == 0) {
    if (void (*pfnHook)(void) = m->pfnReleaseHook.load()) pfnHook();
  }
  return rc;
}

void L_MUTEX_vSetReleaseHook(MUTEX id, void (*pfnHook)(void)) {
  if (MUTEX_INFO* m = MUTEX_pInfo(id)) m->pfnReleaseHook = pfnHook;
}

S32 L_MUTEX_GetOwnerTaskID(MUTEX id) {
  MUTEX_INFO* m = MUTEX_pInfo(id);
  if (m == nullptr) return -lsMUTEX_INVALID;
  return m->OwningTaskID;
}

void MUTEX_vReleaseAllOfCaller(void) {
  if (s_pMutexes == nullptr) return;
  pthread_t self = pthread_self();
  for (MUTEX id = 1; id <= nres; id++) {
    MUTEX_INFO* m = &s_pMutexes[id - 1];
    if (!pthread_equal(m->OwnerThread.load(), self)) continue;
    pthread_mutex_lock(&m->MutexStruct);
    BOOLEAN bFreed = FALSE;
    if (m->NestLevel > 0 && pthread_equal(m->OwnerThread.load(), self)) {
      log_me("[%d]%s: released %s held by an ending task", __LINE__, __func__, get_mutex_name(id));
      MUTEX_vFree(m);
      bFreed = TRUE;
    }
    pthread_mutex_unlock(&m->MutexStruct);
    if (bFreed) {
      if (void (*pfnHook)(void) = m->pfnReleaseHook.load()) pfnHook();
    }
  }
}

void L_MUTEX_Debug(void) {
  if (s_pMutexes == nullptr) return;
  log_me("mutex information (%d total)", nres);
  for (MUTEX id = 1; id <= nres; id++) {
    MUTEX_INFO* m = &s_pMutexes[id - 1];
    const int lockWord = LSVC_nLockWord(&m->MutexStruct);
    pthread_mutex_lock(&m->MutexStruct);
    const TASK owner = m->OwningTaskID;
    const U32 nest = m->NestLevel;
    pthread_mutex_unlock(&m->MutexStruct);
    log_me("  %02d %s: task #%d (%s) nest %d mutex.lock %d", id, get_mutex_name(id), owner, get_task_name(owner),
           (int)nest, lockWord);
  }
}
