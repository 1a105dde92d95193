// The heap's eight block maps are carved from one static area. A request goes
// to the smallest partition that fits, spills to larger ones when that is
// empty, and waits only when every fitting partition is empty.

#include "h_memory.h"

#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <cstddef>

#include "error.h"
#include "l_internal.h"

// The board's block sizes include a 4-byte header holding the map id. Here
// the header is widened to the platform's alignment so that every block
// holds any type; the usable sizes, which decide the partition, stay the same.
struct PARTITION_ROW {
  U32 u32BlockSize;  // board bytes per block, header included
  U32 u32Count;
};
static constexpr PARTITION_ROW s_partitionConfig[8] = {
    {64, 4050}, {344, 1500}, {1028, 120}, {4100, 600}, {8800, 250}, {16388, 15}, {131080, 10}, {409700, 8},
};
constexpr U32 kBoardHeader = 4;
constexpr size_t kHeader = alignof(std::max_align_t);

static constexpr size_t HEAP_szStride(const PARTITION_ROW& row) {
  size_t bytes = row.u32BlockSize - kBoardHeader + kHeader;
  return (bytes + kHeader - 1) / kHeader * kHeader;
}

static constexpr size_t HEAP_szTotal() {
  size_t total = 0;
  for (const PARTITION_ROW& row : s_partitionConfig) total += HEAP_szStride(row) * row.u32Count;
  return total;
}

alignas(std::max_align_t) static U8 s_partitionData[HEAP_szTotal()];

struct PARTITION {
  U32 u32Usable;
  MAP map;
};
static PARTITION s_partitions[8];
static int s_nPartitions;
static std::once_flag s_CreateOnce;

int H_MEMORY_intCompareMapLists(const void* a, const void* b) {
  U32 ua = ((const PARTITION*)a)->u32Usable;
  U32 ub = ((const PARTITION*)b)->u32Usable;
  return ua < ub ? -1 : (ua > ub ? 1 : 0);
}

static void HEAP_vCreatePartitions(void) {
  U8* storage = s_partitionData;
  for (const PARTITION_ROW& row : s_partitionConfig) {
    if (row.u32BlockSize == 0 || row.u32Count == 0) continue;
    MAP map = L_MEM_Create(storage, (U32)HEAP_szStride(row), row.u32Count);
    if (map < 1) LSVC_vInitFailed(__FILE_NAME__, __LINE__, "heap partition");
    s_partitions[s_nPartitions++] = PARTITION{row.u32BlockSize - kBoardHeader, map};
    storage += HEAP_szStride(row) * row.u32Count;
  }
  qsort(s_partitions, (size_t)s_nPartitions, sizeof(PARTITION), H_MEMORY_intCompareMapLists);
}

// Index of the smallest partition that holds size bytes; fatal when none does.
static int HEAP_nSmallestFitting(U32 size) {
  std::call_once(s_CreateOnce, HEAP_vCreatePartitions);
  for (int i = 0; i < s_nPartitions; i++) {
    if (s_partitions[i].u32Usable >= size) return i;
  }
  ERROR_vFatal(__FILE_NAME__, __LINE__, "Requesting a partition that is too large");
}

static void* HEAP_pvFinish(U8* block, MAP map) {
  U8* payload = block + kHeader;
  U32 id = (U32)map;
  memcpy(payload - sizeof id, &id, sizeof id);
  return payload;
}

// The smallest fitting partition, then the larger ones; null when all are empty.
static void* HEAP_pvTry(int first) {
  for (int i = first; i < s_nPartitions; i++) {
    U8* block = (U8*)L_MEM_Allocate(s_partitions[i].map);
    if (block != nullptr) return HEAP_pvFinish(block, s_partitions[i].map);
  }
  return nullptr;
}

void* H_MEMORY_pvMalloc(U32 size) {
  int first = HEAP_nSmallestFitting(size);
  void* p = HEAP_pvTry(first);
  if (p != nullptr) return p;
  U8* block = (U8*)L_MEM_AllocateWait(s_partitions[first].map);
  return HEAP_pvFinish(block, s_partitions[first].map);
}

void* H_MEMORY_pvMallocNoWait(U32 size) {
  int first = HEAP_nSmallestFitting(size);
  void* p = HEAP_pvTry(first);
  if (p != nullptr) return p;
  U8* block = (U8*)L_MEM_Allocate(s_partitions[first].map);
  return block != nullptr ? HEAP_pvFinish(block, s_partitions[first].map) : nullptr;
}

void* H_MEMORY_pvCalloc(U32 count, U32 size) {
  U64 bytes = (U64)count * size;
  if (bytes > 0xFFFFFFFFu) ERROR_vFatal(__FILE_NAME__, __LINE__, "Requesting a partition that is too large");
  void* p = H_MEMORY_pvMalloc((U32)bytes);
  memset(p, 0, (size_t)bytes);
  return p;
}

static MAP HEAP_BlockMap(const void* pointer) {
  U32 id;
  memcpy(&id, (const U8*)pointer - sizeof id, sizeof id);
  return (MAP)id;
}

static const PARTITION* HEAP_pPartitionOf(MAP map) {
  for (int i = 0; i < s_nPartitions; i++) {
    if (s_partitions[i].map == map) return &s_partitions[i];
  }
  return nullptr;
}

void H_MEMORY_vFree(void* pointer) {
  if (pointer == nullptr) return;
  MAP map = HEAP_BlockMap(pointer);
  if (HEAP_pPartitionOf(map) == nullptr || L_MEM_Free(map, (U8*)pointer - kHeader) != 0) {
    ERROR_vFatal(__FILE_NAME__, __LINE__, "Freeing a block the heap does not hold");
  }
}

void* H_MEMORY_pvRealloc(void* pointer, U32 size) {
  if (pointer == nullptr) return H_MEMORY_pvMalloc(size);
  int target = HEAP_nSmallestFitting(size);
  MAP map = HEAP_BlockMap(pointer);
  const PARTITION* own = HEAP_pPartitionOf(map);
  if (own == nullptr) ERROR_vFatal(__FILE_NAME__, __LINE__, "Reallocating a block the heap does not hold");
  if (s_partitions[target].map == map) return pointer;
  void* fresh = H_MEMORY_pvMalloc(size);
  memcpy(fresh, pointer, std::min(own->u32Usable, size));
  H_MEMORY_vFree(pointer);
  return fresh;
}
