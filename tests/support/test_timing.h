// Real-time bounds in tests. A lower bound is the code's own promise (a
// timer never fires early) and holds on any machine. An upper bound only
// says the code is not grossly late; a busy machine makes everything late,
// and a sanitizer or an emulated processor makes it later still, so upper
// bounds take their room from here.
#pragma once

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

// Room for `ms` of lateness on a native build, stretched where the program
// runs slower than that.
inline U64 TEST_u64SlackMs(U64 ms) {
  if (TEST_bEmulated()) return ms * 10;
  if (TEST_bSanitized()) return ms * 5;
  return ms;
}
