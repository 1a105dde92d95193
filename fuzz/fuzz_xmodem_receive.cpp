// The XMODEM receiver over a peer's byte stream: the first byte picks a
// buffer of its own or a block function, the rest is what the peer sends.
// Whatever arrives, nothing is written past the room given, the count stays
// within it, and success means whole blocks.

#include <stddef.h>
#include <stdint.h>

#include "fuzz_support.h"
#include "fuzz_xmodem_link.h"
#include "linuxsvc.h"

static U32 s_u32Blocks;
static BOOLEAN s_bEnded;

static void Sink(U32 u32Count, U8* pu8Buffer, void*) {
  FUZZ_CHECK(!s_bEnded);
  if (u32Count == 0) {
    FUZZ_CHECK(pu8Buffer == nullptr);
    s_bEnded = TRUE;
    return;
  }
  FUZZ_CHECK(u32Count == 128 || u32Count == 1024);
  s_u32Blocks++;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  opt_nolog = 1;
  FUZZ_vInit();
  U_XMODEM_vSetLink(&g_fuzzXmodemLink);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const BOOLEAN bSink = data[0] & 1;
  const S32 s32Room = (data[0] & 2) ? 1024 : 3000;
  FUZZ_vLineStart(data + 1, size - 1);
  s_u32Blocks = 0;
  s_bEnded = FALSE;
  static U8 buffer[3000];
  S32 s32Size = s32Room;
  const BOOLEAN bDone = U_XMODEM_bReceive(2, buffer, &s32Size, bSink ? Sink : nullptr, nullptr);
  FUZZ_CHECK(s32Size >= 0 && s32Size <= s32Room);
  FUZZ_CHECK(!bSink || s_bEnded);
  if (bDone && !bSink) FUZZ_CHECK(s32Size % 128 == 0);
  return 0;
}
