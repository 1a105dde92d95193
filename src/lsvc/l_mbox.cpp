// Each mailbox keeps its message blocks in priority order and signals its
// bound semaphore when a block arrives in the empty mailbox, so that a task
// waits for mail the way it waits for any other event.

#include "h_memory.h"
#include "l_internal.h"

struct tag_MBOX_INFO {
  RTXCMSG* MboxHeadPtr;
  SEMA MboxSemaphore;
  pthread_mutex_t MboxMutex;  // recursive
  pthread_cond_t MboxCond;    // monotonic
};
typedef tag_MBOX_INFO MBOX_INFO;

static std::atomic<MBOX_INFO*> s_pMboxes{nullptr};  // index = id - 1

static MBOX_INFO* MBOX_pInfo(MBOX id) {
  if (s_pMboxes == nullptr || id < 1 || id > nmboxes) return nullptr;
  return &s_pMboxes[id - 1];
}

void MBOX_Init(void) {
  MBOX_INFO* table = new (std::nothrow) MBOX_INFO[nmboxes]();
  if (table == nullptr) LSVC_vInitFailed(__FILE_NAME__, __LINE__, "mailbox records");
  for (S32 i = 0; i < nmboxes; i++) {
    LSVC_vInitRecursiveMutex(&table[i].MboxMutex);
    LSVC_vInitMonotonicCond(&table[i].MboxCond);
  }
  // Published whole: the log's own threads may already be reading.
  s_pMboxes.store(table, std::memory_order_release);
}

ERC L_MBOX_DefineSema(MBOX mbox, SEMA sema) {
  MBOX_INFO* m = MBOX_pInfo(mbox);
  if (m == nullptr) return -lsMBOX_INVALID;
  if (sema < 0 || sema > nsemas) return -lsSEMA_INVALID;
  pthread_mutex_lock(&m->MboxMutex);
  m->MboxSemaphore = sema;
  pthread_mutex_unlock(&m->MboxMutex);
  return 0;
}

ERC L_MBOX_Send(MBOX mbox, void* message, PRIORITY priority, SEMA ackSema) {
  MBOX_INFO* m = MBOX_pInfo(mbox);
  if (m == nullptr) return -lsMBOX_INVALID;
  RTXCMSG* msg = (RTXCMSG*)message;
  msg->sema = ackSema;
  msg->MsgPriority = priority;
  msg->task = L_TASK_GetID(0);
  msg->MsgNext = nullptr;
  msg->bAcknowledged = FALSE;

  pthread_mutex_lock(&m->MboxMutex);
  const BOOLEAN bWasEmpty = m->MboxHeadPtr == nullptr;
  const SEMA sema = m->MboxSemaphore;
  if (bWasEmpty) {
    m->MboxHeadPtr = msg;
  } else if (m->MboxHeadPtr->MsgPriority > priority) {
    msg->MsgNext = m->MboxHeadPtr;
    m->MboxHeadPtr = msg;
  } else {
    RTXCMSG* after = m->MboxHeadPtr;
    while (after->MsgNext != nullptr && after->MsgNext->MsgPriority <= priority) after = after->MsgNext;
    msg->MsgNext = after->MsgNext;
    after->MsgNext = msg;
  }
  pthread_mutex_unlock(&m->MboxMutex);
  // Only the turn from empty to non-empty signals: receivers drain. The
  // receiver is woken after the unlock, so that on a single processor it
  // does not wake only to wait for the mutex the sender still holds.
  if (bWasEmpty) {
    L_SEMA_Signal(sema);
    pthread_cond_signal(&m->MboxCond);
  }
  return 0;
}

ERC L_MBOX_SendWait(MBOX mbox, void* message, PRIORITY priority, SEMA ackSema) {
  L_SEMA_SetPending(ackSema);
  ERC rc = L_MBOX_Send(mbox, message, priority, ackSema);
  if (rc != 0) return rc;
  return L_SEMA_Wait(ackSema);
}

ERC L_MBOX_SendWaitTicks(MBOX mbox, void* message, PRIORITY priority, SEMA ackSema, TICKS ticks) {
  L_SEMA_SetPending(ackSema);
  ERC rc = L_MBOX_Send(mbox, message, priority, ackSema);
  if (rc != 0) return rc;
  return L_SEMA_WaitTicks(ackSema, ticks);
}

ERC L_MBOX_SendWaitSeconds(MBOX mbox, void* message, PRIORITY priority, SEMA ackSema, U32 seconds) {
  L_SEMA_SetPending(ackSema);
  ERC rc = L_MBOX_Send(mbox, message, priority, ackSema);
  if (rc != 0) return rc;
  return L_SEMA_WaitSeconds(ackSema, seconds);
}

static RTXCMSG* MBOX_pTakeHead(MBOX_INFO* m) {
  RTXCMSG* msg = m->MboxHeadPtr;
  if (msg != nullptr) {
    m->MboxHeadPtr = msg->MsgNext;
    msg->MsgNext = nullptr;
  }
  return msg;
}

void* L_MBOX_Receive(MBOX mbox) {
  MBOX_INFO* m = MBOX_pInfo(mbox);
  if (m == nullptr) return nullptr;
  pthread_mutex_lock(&m->MboxMutex);
  RTXCMSG* msg = MBOX_pTakeHead(m);
  pthread_mutex_unlock(&m->MboxMutex);
  if (msg != nullptr) TASK_vCountMail();
  return msg;
}

static void* MBOX_pReceiveUntil(MBOX mbox, const struct timespec* deadline) {
  MBOX_INFO* m = MBOX_pInfo(mbox);
  if (m == nullptr) return nullptr;
  pthread_mutex_lock(&m->MboxMutex);
  S32 rc = 0;
  while (m->MboxHeadPtr == nullptr && rc == 0) rc = LSVC_s32Park(&m->MboxCond, &m->MboxMutex, deadline);
  RTXCMSG* msg = rc == LSVC_TERMINATED ? nullptr : MBOX_pTakeHead(m);
  pthread_mutex_unlock(&m->MboxMutex);
  if (rc == LSVC_TERMINATED) TASK_vLeaveIfTerminated();
  if (msg != nullptr) TASK_vCountMail();
  return msg;
}

void* L_MBOX_ReceiveWait(MBOX mbox) { return MBOX_pReceiveUntil(mbox, nullptr); }

void* L_MBOX_ReceiveWaitTicks(MBOX mbox, TICKS ticks) {
  struct timespec deadline;
  L_CLOCK_PrepTimeoutTicks(&deadline, ticks);
  return MBOX_pReceiveUntil(mbox, &deadline);
}

void* L_MBOX_ReceiveWaitSeconds(MBOX mbox, U32 seconds) {
  struct timespec deadline;
  L_CLOCK_PrepTimeoutSeconds(&deadline, seconds);
  return MBOX_pReceiveUntil(mbox, &deadline);
}

void L_MBOX_AckMessage(void* message) {
  if (message == nullptr) return;
  RTXCMSG* msg = (RTXCMSG*)message;
  SEMA sema = msg->sema;
  // The last touch of the receiver: after this the block is the sender's.
  __atomic_store_n(&msg->bAcknowledged, (U8)TRUE, __ATOMIC_RELEASE);
  L_SEMA_Signal(sema);
}

BOOLEAN L_MBOX_bIsAcknowledged(const void* message) {
  return __atomic_load_n(&((const RTXCMSG*)message)->bAcknowledged, __ATOMIC_ACQUIRE);
}

void H_MEMORY_vDumpMail(void* message) {
  if (message == nullptr) return;
  if (((RTXCMSG*)message)->sema == 0) {
    H_MEMORY_vFree(message);
  } else {
    L_MBOX_AckMessage(message);
  }
}

void L_MBOX_Debug(void) {
  if (s_pMboxes == nullptr) return;
  log_me("mbox information (%d total)", nmboxes);
  for (MBOX id = 1; id <= nmboxes; id++) {
    MBOX_INFO* m = &s_pMboxes[id - 1];
    const int lockWord = LSVC_nLockWord(&m->MboxMutex);
    // The queued headers are copied under the lock and printed after it.
    RTXCMSG queued[32];
    int count = 0;
    pthread_mutex_lock(&m->MboxMutex);
    const SEMA sema = m->MboxSemaphore;
    for (RTXCMSG* msg = m->MboxHeadPtr; msg != nullptr && count < 32; msg = msg->MsgNext) queued[count++] = *msg;
    pthread_mutex_unlock(&m->MboxMutex);
    log_me("  %02d %s: sema #%d (%s) mutex.lock %d", id, get_mailbox_name(id), sema, get_semaphore_name(sema),
           lockWord);
    for (int index = 0; index < count; index++) {
      const RTXCMSG& msg = queued[index];
      log_me("    msg #%d: sema %d (%s) priority %d task %d (%s)", index, msg.sema, get_semaphore_name(msg.sema),
             msg.MsgPriority, msg.task, get_task_name(msg.task));
    }
  }
}
