// A process for the crash test of the NVR store: it runs the real NVR task on
// its base directory (VELMORA_CWD), reports every value the task restored,
// then saves 700 settings again and again, a new generation each time, until
// it is killed.
//
//   nvram_saver FIRST_GENERATION
//
// Output lines: "R <key hex> <value hex>" per restored setting, "begin" once
// restored, then "saving <g>" before and "saved <g>" after each save.
// Generation g of setting k is ((g & 0xFFFF) * 0x10001) ^ NVRSAVER_u32Mix(k),
// so a value made of the bytes of two generations does not decode.

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "h_database.h"
#include "h_memory.h"
#include "nvram_saver.h"
#include "t_nvram.h"
#include "test_tasks.h"

static void NVRSAVER_vSay(const char* format, unsigned a, unsigned b) {
  char line[64];
  int length = snprintf(line, sizeof line, format, a, b);
  // One write per line: a kill never leaves half a line behind.
  if (write(1, line, (size_t)length) != length) _exit(3);
}

int main(int argc, char** argv) {
  if (argc != 2) return 1;
  const U32 u32First = (U32)strtoul(argv[1], nullptr, 10);
  opt_nolog = 1;
  TEST_vInitServiceLayer();
  H_DATABASE_vInit();
  L_MBOX_DefineSema(M_NVRAM, SEMA_MBOX_NVRAM);
  if (TEST_StartTask(NVRTASK, T_NVRAM_vMain) != 0) return 2;
  for (int waited = 0; !H_DATABASE_bFetch(FCID("TNVR"), nullptr, nullptr, nullptr); waited++) {
    if (waited > 10000) return 2;
    L_CLOCK_Sleep(1);
  }

  for (U32 k = 0; k < NVRSAVER_KEYS; k++) {
    U32 value;
    if (H_DATABASE_bFetchU32(NVRSAVER_fcidKey(k), &value, nullptr, nullptr)) {
      NVRSAVER_vSay("R %08x %08x\n", NVRSAVER_fcidKey(k), value);
    }
  }
  NVRSAVER_vSay("begin\n", 0, 0);

  H_DATABASE_bUpdateValueU32(FCID("CCST"), 3, P_NORMAL);
  GENERIC_MESSAGE* msg = (GENERIC_MESSAGE*)H_MEMORY_pvCalloc(1, sizeof(GENERIC_MESSAGE));
  for (U32 g = u32First;; g++) {
    for (U32 k = 0; k < NVRSAVER_KEYS; k++) {
      H_DATABASE_bUpdateValueU32(NVRSAVER_fcidKey(k), NVRSAVER_u32Value(k, g), P_NORMAL);
    }
    NVRSAVER_vSay("saving %u\n", g, 0);
    msg->Cmd = CMD_ID_SHUTDOWN;  // the full save; the task keeps serving after it
    if (L_MBOX_SendWait(M_NVRAM, msg, 3, SEMA_PERSONAL_DATA) != 0) return 2;
    NVRSAVER_vSay("saved %u\n", g, 0);
  }
}
