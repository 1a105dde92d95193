// A line for the XMODEM module that plays back the fuzz input as the peer's
// bytes and swallows what the unit sends. Time passes only while the unit
// waits on a line with nothing left, so a transfer never sleeps.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "u_xmodem.h"

struct FUZZ_LINE {
  const uint8_t* pData = nullptr;
  size_t size = 0;
  size_t at = 0;
  U64 u64Now = 0;
  size_t sent = 0;
};
inline FUZZ_LINE g_fuzzLine;

inline BOOLEAN FUZZ_bLineGet(U8, U8* pu8Byte, TICKS ticks) {
  if (g_fuzzLine.at >= g_fuzzLine.size) {
    g_fuzzLine.u64Now += ticks;
    return FALSE;
  }
  *pu8Byte = g_fuzzLine.pData[g_fuzzLine.at++];
  return TRUE;
}
inline BOOLEAN FUZZ_bLinePut(U8, U8, TICKS) {
  g_fuzzLine.sent++;
  return TRUE;
}
inline U64 FUZZ_u64LineNow(void) { return g_fuzzLine.u64Now; }
inline void FUZZ_vLineSleep(TICKS ticks) { g_fuzzLine.u64Now += ticks; }
inline const XMODEM_LINK g_fuzzXmodemLink = {FUZZ_bLineGet, FUZZ_bLinePut, FUZZ_u64LineNow, FUZZ_vLineSleep, nullptr, nullptr};

inline void FUZZ_vLineStart(const uint8_t* pData, size_t size) { g_fuzzLine = {pData, size, 0, 0, 0}; }
