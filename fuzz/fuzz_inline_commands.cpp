// Lines of a production-line PC into the in-line test's command receiver and
// its handlers, with a settings database to read and write. Every line sent
// back is whole: one CR LF, at its end. The exit letter is read as another
// letter, since it ends the process by design, and so is the test letter,
// whose tests wait on sensors for as long as the PC asks.

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "fuzz_support.h"
#include "h_database.h"
#include "linuxsvc.h"
#include "t_inlinetest.h"
#include "t_nav_twr.h"

static void Line(const U8* pu8Bytes, U32 u32Count) {
  FUZZ_CHECK(u32Count >= 2 && pu8Bytes[u32Count - 2] == '\r' && pu8Bytes[u32Count - 1] == '\n');
  FUZZ_CHECK(memchr(pu8Bytes, '\r', u32Count - 2) == nullptr && memchr(pu8Bytes, '\n', u32Count - 2) == nullptr);
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  opt_nolog = 1;
  FUZZ_vInit();
  char rig[] = "/tmp/velmora-fuzz-inline-XXXXXX";
  if (mkdtemp(rig) == nullptr) abort();
  setenv("VELMORA_DEVROOT", rig, 1);
  H_DATABASE_vInit();
  T_NAV_vInitTracksWaypointsRoutes();
  T_INLINETEST_vInitState();
  T_INLINETEST_vSetOutputSink(Line);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  H_DATABASE_bUpdateValueU32(FCID("SAAA"), 1, P_NORMAL);
  H_DATABASE_bUpdateValueU32(FCID("SHLD"), 2, P_HIGHEST);
  T_INLINETEST_vResetReceiver();
  for (size_t i = 0; i < size; i++) {
    const U8 byte = data[i] == 'x' ? 'g' : data[i] == 't' ? 'd' : data[i];
    T_INLINETEST_bReceiveByte(byte);
  }
  return 0;
}
