// Request lines of a service PC into the PC-connect receiver and its
// handlers, with a settings database to read and write. Every reply is
// framed by '#'. The wipe letter is read as another letter, since a wipe
// ends the process by design, and so is the slow return to normal speed;
// transfers meet a line that has nothing to say.

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include "fuzz_support.h"
#include "fuzz_xmodem_link.h"
#include "h_database.h"
#include "linuxsvc.h"
#include "t_nav_twr.h"
#include "t_pcc.h"

static void Reply(const U8* pu8Bytes, U32 u32Count) { FUZZ_CHECK(u32Count > 0 && pu8Bytes[0] == '#'); }

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  opt_nolog = 1;
  FUZZ_vInit();
  char rig[] = "/tmp/velmora-fuzz-pcc-XXXXXX";
  if (mkdtemp(rig) == nullptr) abort();
  setenv("VELMORA_DEVROOT", rig, 1);
  H_DATABASE_vInit();
  H_DATABASE_bUpdateValueU32(FCID("CCST"), 3, P_HIGHEST);
  T_NAV_vInitTracksWaypointsRoutes();
  T_PCC_vSetReplySink(Reply);
  U_XMODEM_vSetLink(&g_fuzzXmodemLink);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  H_DATABASE_bUpdateValueU32(FCID("SMDL"), 584, P_NORMAL);
  H_DATABASE_bUpdateValueU32(FCID("SAAA"), 1, P_NORMAL);
  H_DATABASE_bUpdateValueU32(FCID("FAAA"), 0x101, P_NORMAL);
  H_DATABASE_bUpdateValueU32(FCID("XX07"), 1, P_NORMAL);
  T_PCC_vResetReceiver();
  FUZZ_vLineStart(nullptr, 0);
  for (size_t i = 0; i < size; i++) {
    const U8 byte = data[i] == 'W' ? 'w' : data[i] == 'n' ? 'N' : data[i];
    T_PCC_bReceiveByte(byte);
  }
  return 0;
}
