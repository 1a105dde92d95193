// A hook: a function a higher library hands a lower one once, before the
// tasks run, so that the lower one can call up without linking up. A slot
// takes one function for the life of the process: the same function again
// is accepted (a test rig sets up once per test), a different one is
// refused and logged, so nothing swaps a hook while the tasks use it.
#pragma once

#include <atomic>

#include "basetypes.h"
#include "linuxsvc.h"

template <typename F>
inline BOOLEAN L_HOOK_bSetOnce(std::atomic<F>* pSlot, F pfn, const char* pcName) {
  F expected = nullptr;
  if (pfn == nullptr) return FALSE;
  if (pSlot->compare_exchange_strong(expected, pfn) || expected == pfn) return TRUE;
  log_me("hook %s is registered already: the second registration is refused\n", pcName);
  return FALSE;
}
