// Fixed rings of equal-width entries, copied in and out by value, that signal
// semaphores when their fill state changes, so that producer and consumer
// tasks share no memory and wait on nothing but semaphores.

#include <stdlib.h>
#include <string.h>

#include <algorithm>

#include "l_internal.h"

const QUEUE_PARAM QueueParams[nqueues] = {
    {1, 128},  // Q_TRANSMIT_UART0
    {2, 1050}, // Q_RECEIVE_UART0
    {1, 256},  // Q_TRANSMIT_UART1
    {2, 1024}, // Q_RECEIVE_UART1
    {1, 128},  // Q_TRANSMIT_UART2
    {2, 256},  // Q_RECEIVE_UART2
    {1, 128},  // Q_TRANSMIT_UART3
    {2, 128},  // Q_RECEIVE_UART3
    {2, 64},   // Q_PING
    {4, 256},  // Q_ETHERNET_TX
    {2, 16},   // Q_SOUND
    {2, 1024}, // Q_RQXBCAST_RX
    {4, 200},  // Q_JSON_MSG
};

struct tag_QUEUE_INFO {
  QUEUE_PARAM QueueParam;
  U8* ptrQueueBase;
  U8* ptrQueueEnd;
  U32 QueueCount;
  U8* ptrQueuePut;
  U8* ptrQueueGet;
  U8* ptrQueueCreated;
  size_t sizQueueCreated;
  SEMA QueueSemas[QCOND_COUNT];
  pthread_mutex_t QueueMutex;  // recursive
  pthread_cond_t QueueCond;    // monotonic
};
typedef tag_QUEUE_INFO QUEUE_INFO;

static std::atomic<QUEUE_INFO*> s_pQueues{nullptr};  // index = id - 1

static QUEUE_INFO* QUEUE_pInfo(QUEUE id) {
  if (s_pQueues == nullptr || id < 1 || id > nqueues) return nullptr;
  return &s_pQueues[id - 1];
}

void QUEUE_Init(void) {
  QUEUE_INFO* table = new (std::nothrow) QUEUE_INFO[nqueues]();
  if (table == nullptr) LSVC_vInitFailed(__FILE_NAME__, __LINE__, "queue records");
  for (S32 i = 0; i < nqueues; i++) {
    table[i].QueueParam = QueueParams[i];
    LSVC_vInitRecursiveMutex(&table[i].QueueMutex);
    LSVC_vInitMonotonicCond(&table[i].QueueCond);
  }
  // Published whole: the log's own threads may already be reading.
  s_pQueues.store(table, std::memory_order_release);
}

// Storage of width x depth bytes, reusing what the layer allocated before
// when it is big enough. Caller holds the queue mutex.
static ERC QUEUE_CreateStorage(QUEUE_INFO* q, U32 width, U32 depth) {
  size_t size = (size_t)width * depth;
  if (q->ptrQueueCreated == nullptr || q->sizQueueCreated < size) {
    free(q->ptrQueueCreated);
    q->ptrQueueCreated = (U8*)malloc(size ? size : 1);
    q->sizQueueCreated = q->ptrQueueCreated ? size : 0;
  }
  q->QueueParam = QUEUE_PARAM{width, depth};
  q->QueueCount = 0;
  if (q->ptrQueueCreated == nullptr) {
    q->ptrQueueBase = q->ptrQueueEnd = q->ptrQueuePut = q->ptrQueueGet = nullptr;
    return -lsQUEUE_NO_MEMORY;
  }
  q->ptrQueueBase = q->ptrQueuePut = q->ptrQueueGet = q->ptrQueueCreated;
  q->ptrQueueEnd = q->ptrQueueBase + size;
  return 0;
}

// The queue with its storage, locked; null (and nothing locked) when the id is
// bad or the storage cannot be made on first use.
static QUEUE_INFO* QUEUE_pLock(QUEUE id) {
  QUEUE_INFO* q = QUEUE_pInfo(id);
  if (q == nullptr) return nullptr;
  pthread_mutex_lock(&q->QueueMutex);
  if (q->ptrQueueBase == nullptr &&
      QUEUE_CreateStorage(q, q->QueueParam.QParamWidth, q->QueueParam.QParamDepth) != 0) {
    pthread_mutex_unlock(&q->QueueMutex);
    return nullptr;
  }
  return q;
}

ERC L_QUEUE_Define(QUEUE queue, U32 width, U32 depth, void* buffer, U32 count) {
  QUEUE_INFO* q = QUEUE_pInfo(queue);
  if (q == nullptr) return -lsQUEUE_INVALID;
  if (width == 0 || depth == 0 || (buffer != nullptr && count > depth)) return -lsQUEUE_INVALID;
  pthread_mutex_lock(&q->QueueMutex);
  ERC rc = 0;
  if (buffer != nullptr) {
    free(q->ptrQueueCreated);
    q->ptrQueueCreated = nullptr;
    q->sizQueueCreated = 0;
    q->QueueParam = QUEUE_PARAM{width, depth};
    q->ptrQueueBase = q->ptrQueueGet = (U8*)buffer;
    q->QueueCount = count;
    q->ptrQueuePut = q->ptrQueueBase + (size_t)width * (count % depth);
    q->ptrQueueEnd = q->ptrQueueBase + (size_t)width * depth;
  } else {
    rc = QUEUE_CreateStorage(q, width, depth);
  }
  pthread_mutex_unlock(&q->QueueMutex);
  return rc;
}

ERC L_QUEUE_DefineSema(QUEUE queue, SEMA sema, S32 condition) {
  QUEUE_INFO* q = QUEUE_pInfo(queue);
  if (q == nullptr) return -lsQUEUE_INVALID;
  if (condition < 0 || condition >= QCOND_COUNT) return -lsQCOND_INVALID;
  if (sema < 0 || sema > nsemas) return -lsSEMA_INVALID;
  pthread_mutex_lock(&q->QueueMutex);
  q->QueueSemas[condition] = sema;
  pthread_mutex_unlock(&q->QueueMutex);
  return 0;
}

static void QUEUE_vSignal(QUEUE_INFO* q, QUEUE_CONDITION condition) {
  if (q->QueueSemas[condition] != 0) L_SEMA_Signal(q->QueueSemas[condition]);
}

static void QUEUE_vPutLocked(QUEUE_INFO* q, const void* entry) {
  U32 width = q->QueueParam.QParamWidth;
  memcpy(q->ptrQueuePut, entry, width);
  q->ptrQueuePut += width;
  if (q->ptrQueuePut >= q->ptrQueueEnd) q->ptrQueuePut = q->ptrQueueBase;
  q->QueueCount++;
  QUEUE_vSignal(q, QNE);
  if (q->QueueCount == q->QueueParam.QParamDepth) QUEUE_vSignal(q, QF);
  pthread_cond_broadcast(&q->QueueCond);
}

static void QUEUE_vGetLocked(QUEUE_INFO* q, void* destination) {
  U32 width = q->QueueParam.QParamWidth;
  memcpy(destination, q->ptrQueueGet, width);
  q->ptrQueueGet += width;
  if (q->ptrQueueGet >= q->ptrQueueEnd) q->ptrQueueGet = q->ptrQueueBase;
  q->QueueCount--;
  if (q->QueueCount == q->QueueParam.QParamDepth - 1) QUEUE_vSignal(q, QNF);
  if (q->QueueCount == 0) QUEUE_vSignal(q, QE);
  pthread_cond_broadcast(&q->QueueCond);
}

// One put or get, waiting while the queue is full (or empty) until the
// deadline; wait = FALSE tries once.
static ERC QUEUE_Transfer(QUEUE queue, void* data, BOOLEAN put, BOOLEAN wait, const struct timespec* deadline) {
  QUEUE_INFO* q = QUEUE_pLock(queue);
  if (q == nullptr) return -lsQUEUE_INVALID;
  const ERC refusal = put ? -lsQUEUE_FULL : -lsQUEUE_EMPTY;
  S32 rc = 0;
  for (;;) {
    BOOLEAN blocked = put ? q->QueueCount >= q->QueueParam.QParamDepth : q->QueueCount == 0;
    if (!blocked) break;
    if (!wait) {
      rc = refusal;
      break;
    }
    rc = LSVC_s32Park(&q->QueueCond, &q->QueueMutex, deadline);
    if (rc == RC_TIMEOUT) rc = refusal;
    if (rc != 0) break;
  }
  if (rc == 0) {
    if (put) {
      QUEUE_vPutLocked(q, data);
    } else {
      QUEUE_vGetLocked(q, data);
    }
  }
  pthread_mutex_unlock(&q->QueueMutex);
  if (rc == LSVC_TERMINATED) TASK_vLeaveIfTerminated();
  return rc;
}

ERC L_QUEUE_Put(QUEUE queue, const void* entry) {
  return QUEUE_Transfer(queue, (void*)entry, TRUE, FALSE, nullptr);
}

ERC L_QUEUE_PutWait(QUEUE queue, const void* entry) {
  return QUEUE_Transfer(queue, (void*)entry, TRUE, TRUE, nullptr);
}

ERC L_QUEUE_PutWaitTicks(QUEUE queue, const void* entry, TICKS ticks) {
  struct timespec deadline;
  L_CLOCK_PrepTimeoutTicks(&deadline, ticks);
  return QUEUE_Transfer(queue, (void*)entry, TRUE, TRUE, &deadline);
}

ERC L_QUEUE_PutWaitSeconds(QUEUE queue, const void* entry, U32 seconds) {
  struct timespec deadline;
  L_CLOCK_PrepTimeoutSeconds(&deadline, seconds);
  return QUEUE_Transfer(queue, (void*)entry, TRUE, TRUE, &deadline);
}

ERC L_QUEUE_Get(QUEUE queue, void* destination) {
  return QUEUE_Transfer(queue, destination, FALSE, FALSE, nullptr);
}

ERC L_QUEUE_GetWait(QUEUE queue, void* destination) {
  return QUEUE_Transfer(queue, destination, FALSE, TRUE, nullptr);
}

ERC L_QUEUE_GetWaitTicks(QUEUE queue, void* destination, TICKS ticks) {
  struct timespec deadline;
  L_CLOCK_PrepTimeoutTicks(&deadline, ticks);
  return QUEUE_Transfer(queue, destination, FALSE, TRUE, &deadline);
}

ERC L_QUEUE_GetWaitSeconds(QUEUE queue, void* destination, U32 seconds) {
  struct timespec deadline;
  L_CLOCK_PrepTimeoutSeconds(&deadline, seconds);
  return QUEUE_Transfer(queue, destination, FALSE, TRUE, &deadline);
}

// Copies n entries between the ring and a flat buffer, in at most two runs
// since the ring wraps once. Caller holds the queue mutex.
static void QUEUE_vCopyRun(QUEUE_INFO* q, U8** ppRing, U8* flat, U32 n, BOOLEAN put) {
  size_t bytes = (size_t)n * q->QueueParam.QParamWidth;
  while (bytes > 0) {
    const size_t run = std::min(bytes, (size_t)(q->ptrQueueEnd - *ppRing));
    if (put) {
      memcpy(*ppRing, flat, run);
    } else {
      memcpy(flat, *ppRing, run);
    }
    flat += run;
    bytes -= run;
    *ppRing += run;
    if (*ppRing >= q->ptrQueueEnd) *ppRing = q->ptrQueueBase;
  }
}

// As many entries as can move now, or after waiting until the deadline
// when none can; the conditions the move reaches are signalled once each.
static S32 QUEUE_s32TransferMany(QUEUE queue, U8* data, U32 u32Count, BOOLEAN put, TICKS ticks) {
  struct timespec deadline;
  if (ticks != 0) L_CLOCK_PrepTimeoutTicks(&deadline, ticks);
  QUEUE_INFO* q = QUEUE_pLock(queue);
  if (q == nullptr) return -lsQUEUE_INVALID;
  const U32 depth = q->QueueParam.QParamDepth;
  S32 rc = 0;
  U32 n = 0;
  for (;;) {
    n = std::min(u32Count, put ? depth - q->QueueCount : q->QueueCount);
    if (n > 0 || u32Count == 0 || ticks == 0) break;
    rc = LSVC_s32Park(&q->QueueCond, &q->QueueMutex, &deadline);
    if (rc != 0) break;
  }
  if (n > 0) {
    const U32 before = q->QueueCount;
    if (put) {
      QUEUE_vCopyRun(q, &q->ptrQueuePut, data, n, TRUE);
      q->QueueCount += n;
      QUEUE_vSignal(q, QNE);
      if (q->QueueCount == depth) QUEUE_vSignal(q, QF);
    } else {
      QUEUE_vCopyRun(q, &q->ptrQueueGet, data, n, FALSE);
      q->QueueCount -= n;
      if (before == depth) QUEUE_vSignal(q, QNF);
      if (q->QueueCount == 0) QUEUE_vSignal(q, QE);
    }
    pthread_cond_broadcast(&q->QueueCond);
  }
  pthread_mutex_unlock(&q->QueueMutex);
  if (rc == LSVC_TERMINATED) TASK_vLeaveIfTerminated();
  return (S32)n;
}

S32 L_QUEUE_PutMany(QUEUE queue, const void* entries, U32 u32Count, TICKS ticks) {
  return QUEUE_s32TransferMany(queue, (U8*)entries, u32Count, TRUE, ticks);
}

S32 L_QUEUE_GetMany(QUEUE queue, void* destination, U32 u32Count, TICKS ticks) {
  return QUEUE_s32TransferMany(queue, (U8*)destination, u32Count, FALSE, ticks);
}

ERC L_QUEUE_Purge(QUEUE queue) {
  QUEUE_INFO* q = QUEUE_pLock(queue);
  if (q == nullptr) return -lsQUEUE_INVALID;
  BOOLEAN wasFull = q->QueueCount >= q->QueueParam.QParamDepth;
  q->QueueCount = 0;
  q->ptrQueueGet = q->ptrQueuePut;
  if (wasFull) QUEUE_vSignal(q, QNF);
  QUEUE_vSignal(q, QE);
  pthread_cond_broadcast(&q->QueueCond);
  pthread_mutex_unlock(&q->QueueMutex);
  return 0;
}

S32 L_QUEUE_Inquire(QUEUE queue) {
  QUEUE_INFO* q = QUEUE_pInfo(queue);
  if (q == nullptr) return -lsQUEUE_INVALID;
  pthread_mutex_lock(&q->QueueMutex);
  S32 count = (S32)q->QueueCount;
  pthread_mutex_unlock(&q->QueueMutex);
  return count;
}

void L_QUEUE_Debug(void) {
  if (s_pQueues == nullptr) return;
  log_me("queue information (%d total)", nqueues);
  for (QUEUE id = 1; id <= nqueues; id++) {
    QUEUE_INFO* q = &s_pQueues[id - 1];
    const int lockWord = LSVC_nLockWord(&q->QueueMutex);
    pthread_mutex_lock(&q->QueueMutex);
    const QUEUE_PARAM param = q->QueueParam;
    const U32 count = q->QueueCount;
    SEMA semas[QCOND_COUNT];
    for (int c = 0; c < QCOND_COUNT; c++) semas[c] = q->QueueSemas[c];
    pthread_mutex_unlock(&q->QueueMutex);
    log_me("  %02d %s: width %d depth %d count %d QNE %d QNF %d QF %d QE %d mutex.lock %d", id, get_queue_name(id),
           (int)param.QParamWidth, (int)param.QParamDepth, (int)count, semas[QNE], semas[QNF], semas[QF], semas[QE],
           lockWord);
  }
}
