// Waiting in tests. A test waits for a condition (a log line, a mail, a
// file, a pixel), never for a fixed time, and asserts no upper bound on how
// long the machine took: a busy machine makes everything late, a sanitizer
// or an emulated processor later still. A wait's bound only says how long a
// failing test takes, so it is generous; speed belongs in the benchmarks.
#pragma once

#include <chrono>
#include <thread>

#include "basetypes.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define TEST_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define TEST_SANITIZED 1
#endif
#endif
#ifndef TEST_SANITIZED
#define TEST_SANITIZED 0
#endif

// Set by the build for programs that run under a processor emulator.
#ifndef VELMORA_TEST_EMULATED
#define VELMORA_TEST_EMULATED 0
#endif

inline bool TEST_bSanitized(void) { return TEST_SANITIZED != 0; }
inline bool TEST_bEmulated(void) { return VELMORA_TEST_EMULATED != 0; }

// How many random cases (or kill points, or scenes) a test tries. A
// sanitizer or an emulated processor takes ten to a hundred times the native
// time per case: those runs walk the same code paths on a tenth of the cases,
// and the native run keeps its whole count.
inline U32 TEST_u32Rounds(U32 native) {
  if (!TEST_bSanitized() && !TEST_bEmulated()) return native;
  return native >= 10 ? native / 10 : 1;
}

// The case after `i` of `n` in a row that a test checks: every one natively;
// in the slower runs about a tenth of them (at least three) evenly spread,
// always the first and the last.
inline U32 TEST_u32NextCase(U32 i, U32 n) {
  if (i + 1 >= n) return n;
  const U32 kept = TEST_u32Rounds(n) < 3 ? 3 : TEST_u32Rounds(n);
  const U32 step = kept < n ? (n - 1) / (kept - 1) : 1;
  return i + step < n - 1 ? i + step : n - 1;
}

// The bound of a wait that takes at most `ms` on a quiet machine, stretched
// for a loaded machine, more where the program runs slower than native.
inline U64 TEST_u64SlackMs(U64 ms) {
  if (TEST_bEmulated()) return ms * 20;
  if (TEST_bSanitized()) return ms * 10;
  return ms * 4;
}

// Waits until condition() holds, looking again every everyMs (a condition
// that costs a process or a whole screen to look at is looked at less
// often); FALSE when it still does not once TEST_u64SlackMs(ms) has passed.
template <typename COND>
bool TEST_bWaitUntilEvery(COND condition, U64 ms, U64 everyMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(TEST_u64SlackMs(ms));
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return condition();
    std::this_thread::sleep_for(std::chrono::milliseconds(everyMs));
  }
  return true;
}

// The same, looking again every 2 ms.
template <typename COND>
bool TEST_bWaitUntil(COND condition, U64 ms) {
  return TEST_bWaitUntilEvery(condition, ms, 2);
}
