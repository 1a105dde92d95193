#include "u_language.h"

#include <atomic>
#include <mutex>

#include "fourcharid.h"
#include "h_database.h"

const FONT_SET g_eFontSet[LANGUAGE_COUNT] = {
    FONT_SET_1, FONT_SET_1, FONT_SET_1, FONT_SET_1, FONT_SET_1, FONT_SET_1, FONT_SET_1,  // 0-6
    FONT_SET_1, FONT_SET_1, FONT_SET_1, FONT_SET_1, FONT_SET_1, FONT_SET_1, FONT_SET_1,  // 7-13
    FONT_SET_1, FONT_SET_2, FONT_SET_2, FONT_SET_2, FONT_SET_1, FONT_SET_1, FONT_SET_1,  // 14-20
    FONT_SET_1, FONT_SET_3, FONT_SET_4, FONT_SET_4, FONT_SET_4, FONT_SET_4,              // 21-26
};

// Written by whichever task follows SLNG, read by every task that handles
// text; the mutex orders the followers, so that the last to read the setting
// is the last to store.
static std::atomic<unsigned> s_nLanguage{LANGUAGE_ENGLISH};
static std::mutex s_followLock;
static thread_local unsigned s_nHeldLanguage = LANGUAGE_ENGLISH;
static thread_local U32 s_u32Holds = 0;

unsigned nCurrentLanguage(void) {
  return s_u32Holds != 0 ? s_nHeldLanguage : s_nLanguage.load(std::memory_order_acquire);
}

void U_LANGUAGE_vFollowSetting(void) {
  const std::lock_guard<std::mutex> guard(s_followLock);
  U32 u32Language = 0;
  BOOLEAN bValid = FALSE;
  if (!H_DATABASE_bFetchU32(FCID("SLNG"), &u32Language, &bValid, nullptr) || !bValid ||
      u32Language >= LANGUAGE_COUNT) {
    u32Language = LANGUAGE_ENGLISH;
  }
  s_nLanguage.store(u32Language, std::memory_order_release);
}

void U_LANGUAGE_vHold(void) {
  if (s_u32Holds++ == 0) s_nHeldLanguage = s_nLanguage.load(std::memory_order_acquire);
}

void U_LANGUAGE_vRelease(void) {
  if (s_u32Holds > 0) s_u32Holds--;
}
