// Pools of equal-size blocks that remember the owner of every block, kept
// for the fixed-block heap to build its partitions on.

#include <stdlib.h>

#include "l_internal.h"

struct tag_BLOCK_CTRL_INFO {
  TASK BlockOwner;  // 0 = free
};
typedef tag_BLOCK_CTRL_INFO BLOCK_CTRL_INFO;

struct tag_MAP_PARAM {
  U32 MParamBlockSize;
  U32 MParamBlockMax;  // 0 = a free dynamic entry
};
typedef tag_MAP_PARAM MAP_PARAM;

struct tag_MAP_INFO {
  MAP_PARAM MapParam;
  BLOCK_CTRL_INFO* MapCtrlArray;
  U8* MapBlockArray;
  U32 u32LowestFree;        // no free block below this index
  U32 u32Available;
  pthread_mutex_t MapMutex;  // recursive
  pthread_cond_t MapCond;    // monotonic
};
typedef tag_MAP_INFO MAP_INFO;

static std::atomic<MAP_INFO*> s_pMaps{nullptr};  // nmaps static then dnmaps dynamic; index = id - 1
static pthread_mutex_t s_CreateMutex = PTHREAD_MUTEX_INITIALIZER;

static MAP_INFO* MEM_pInfo(MAP id) {
  if (s_pMaps == nullptr || id < 1 || id > nmaps + dnmaps) return nullptr;
  return &s_pMaps[id - 1];
}

void MEM_Init(void) {
  MAP_INFO* table = new (std::nothrow) MAP_INFO[nmaps + dnmaps]();
  if (table == nullptr) LSVC_vInitFailed(__FILE_NAME__, __LINE__, "block maps");
  for (S32 i = 0; i < nmaps + dnmaps; i++) {
    LSVC_vInitRecursiveMutex(&table[i].MapMutex);
    LSVC_vInitMonotonicCond(&table[i].MapCond);
  }
  // Published whole: the log's own threads may already be reading.
  s_pMaps.store(table, std::memory_order_release);
}

MAP L_MEM_Create(void* storage, U32 blockSize, U32 count) {
  if (storage == nullptr || blockSize == 0 || count == 0) return -lsMAP_INVALID;
  if (s_pMaps == nullptr) return -lsMAP_NO_MEMORY;
  pthread_mutex_lock(&s_CreateMutex);
  MAP id = -lsMAP_NONE_AVAIL;
  for (S32 i = nmaps; i < nmaps + dnmaps; i++) {
    MAP_INFO* m = &s_pMaps[i];
    if (m->MapParam.MParamBlockMax != 0) continue;
    BLOCK_CTRL_INFO* owners = (BLOCK_CTRL_INFO*)calloc(count, sizeof(BLOCK_CTRL_INFO));
    if (owners == nullptr) {
      id = -lsMAP_NO_MEMORY;
      break;
    }
    pthread_mutex_lock(&m->MapMutex);
    m->MapCtrlArray = owners;
    m->MapBlockArray = (U8*)storage;
    m->MapParam = MAP_PARAM{blockSize, count};
    m->u32LowestFree = 0;
    m->u32Available = count;
    pthread_mutex_unlock(&m->MapMutex);
    id = i + 1;
    break;
  }
  pthread_mutex_unlock(&s_CreateMutex);
  return id;
}

// Takes the free block with the lowest index; the caller holds the map mutex.
static void* MEM_pTake(MAP_INFO* m) {
  if (m->u32Available == 0) return nullptr;
  for (U32 i = m->u32LowestFree; i < m->MapParam.MParamBlockMax; i++) {
    if (m->MapCtrlArray[i].BlockOwner == 0) {
      m->MapCtrlArray[i].BlockOwner = L_TASK_GetID(0);
      m->u32LowestFree = i + 1;
      m->u32Available--;
      return m->MapBlockArray + (size_t)i * m->MapParam.MParamBlockSize;
    }
  }
  return nullptr;
}

static void* MEM_pAllocate(MAP map, BOOLEAN wait, const struct timespec* deadline) {
  MAP_INFO* m = MEM_pInfo(map);
  if (m == nullptr || m->MapParam.MParamBlockMax == 0) return nullptr;
  pthread_mutex_lock(&m->MapMutex);
  void* block = MEM_pTake(m);
  S32 rc = 0;
  while (block == nullptr && wait && rc == 0) {
    rc = LSVC_s32Park(&m->MapCond, &m->MapMutex, deadline);
    block = MEM_pTake(m);
  }
  pthread_mutex_unlock(&m->MapMutex);
  if (rc == LSVC_TERMINATED && block == nullptr) TASK_vLeaveIfTerminated();
  return block;
}

void* L_MEM_Allocate(MAP map) { return MEM_pAllocate(map, FALSE, nullptr); }
void* L_MEM_AllocateWait(MAP map) { return MEM_pAllocate(map, TRUE, nullptr); }

void* L_MEM_AllocateWaitTicks(MAP map, TICKS ticks) {
  struct timespec deadline;
  L_CLOCK_PrepTimeoutTicks(&deadline, ticks);
  return MEM_pAllocate(map, TRUE, &deadline);
}

void* L_MEM_AllocateWaitSeconds(MAP map, U32 seconds) {
  struct timespec deadline;
  L_CLOCK_PrepTimeoutSeconds(&deadline, seconds);
  return MEM_pAllocate(map, TRUE, &deadline);
}

ERC L_MEM_Free(MAP map, void* block) {
  MAP_INFO* m = MEM_pInfo(map);
  if (m == nullptr) return -lsMAP_INVALID;
  pthread_mutex_lock(&m->MapMutex);
  ERC rc = -lsMAP_CROSSED;
  const U8* p = (const U8*)block;
  const U32 size = m->MapParam.MParamBlockSize;
  if (m->MapBlockArray != nullptr && p >= m->MapBlockArray) {
    size_t offset = (size_t)(p - m->MapBlockArray);
    size_t index = size ? offset / size : 0;
    // A block that is not owned is not ours to free again.
    if (size && offset % size == 0 && index < m->MapParam.MParamBlockMax && m->MapCtrlArray[index].BlockOwner != 0) {
      m->MapCtrlArray[index].BlockOwner = 0;
      if (index < m->u32LowestFree) m->u32LowestFree = (U32)index;
      m->u32Available++;
      pthread_cond_broadcast(&m->MapCond);
      rc = 0;
    }
  }
  pthread_mutex_unlock(&m->MapMutex);
  return rc;
}

S32 L_MEM_GetBlockSize(MAP map) {
  MAP_INFO* m = MEM_pInfo(map);
  if (m == nullptr) return -lsMAP_INVALID;
  return (S32)m->MapParam.MParamBlockSize;
}

void L_MEM_Debug(void) {
  if (s_pMaps == nullptr) return;
  log_me("memory block information (%d static %d dynamic)", nmaps, dnmaps);
  for (MAP id = 1; id <= nmaps + dnmaps; id++) {
    MAP_INFO* m = &s_pMaps[id - 1];
    const int lockWord = LSVC_nLockWord(&m->MapMutex);
    pthread_mutex_lock(&m->MapMutex);
    const MAP_PARAM param = m->MapParam;
    const U32 available = m->u32Available;
    pthread_mutex_unlock(&m->MapMutex);
    log_me("  %02d %s: available %d size %d max %d mutex.lock %d", id, get_memory_name(id), (int)available,
           (int)param.MParamBlockSize, (int)param.MParamBlockMax, lockWord);
    // Owners are read one at a time under the lock: the log line is not
    // written while holding it.
    for (U32 i = 0; i < param.MParamBlockMax; i++) {
      pthread_mutex_lock(&m->MapMutex);
      const TASK owner = m->MapCtrlArray[i].BlockOwner;
      pthread_mutex_unlock(&m->MapMutex);
      if (owner != 0) log_me("    blk #%d owned by task #%d (%s)", (int)i, owner, get_task_name(owner));
    }
  }
}
