// Pictures compiled into the program, each prepared once for drawing and
// kept by its address: a table that a look-up reads without a lock. Entries
// are made under the table's lock and never change or go.
#pragma once

#include <stdint.h>

#include <atomic>
#include <mutex>

template <typename KEPT, size_t N>
struct G_KEPT_TABLE {
  std::atomic<const KEPT*> slots[N];
  std::mutex lock;
};

// The entry for pKey, made by make(pKey) (a new KEPT) the first time; null
// when the table is full.
template <typename KEPT, size_t N, typename MAKE>
const KEPT* G_KEPT_pFind(G_KEPT_TABLE<KEPT, N>* pTable, const void* pKey, MAKE&& make) {
  const size_t start = ((uintptr_t)pKey >> 3) % N;
  for (size_t probe = 0; probe < N; probe++) {
    const KEPT* k = pTable->slots[(start + probe) % N].load(std::memory_order_acquire);
    if (k == nullptr) break;
    if (k->pKey == pKey) return k;
  }
  const std::lock_guard<std::mutex> guard(pTable->lock);
  for (size_t probe = 0; probe < N; probe++) {
    std::atomic<const KEPT*>* pSlot = &pTable->slots[(start + probe) % N];
    const KEPT* k = pSlot->load(std::memory_order_acquire);
    if (k != nullptr && k->pKey == pKey) return k;
    if (k != nullptr) continue;
    const KEPT* pNew = make(pKey);
    pSlot->store(pNew, std::memory_order_release);
    return pNew;
  }
  return nullptr;
}
