// A process for the crash tests of the NVR store: it runs the real NVR task
// on its base directory (VELMORA_CWD) and is killed at random moments.
//
//   nvram_saver FIRST_GENERATION
//
// reports every value the task restored, then saves 700 settings again and
// again, a new generation each time. Output lines: "R <key hex> <value hex>"
// per restored setting, "begin" once restored, then "saving <g>" before and
// "saved <g>" after each save. Generation g of setting k is
// ((g & 0xFFFF) * 0x10001) ^ NVRSAVER_u32Mix(k), so a value made of the bytes
// of two generations does not decode.
//
//   nvram_saver change
//
// changes the store's format again and again: it marks the store as one of
// another format (NVER first, then a setting the change must drop) and starts
// the task, which changes it. Output lines: "changing <n>" before the n-th
// start and "changed <n>" once the task runs.

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

// Starts the task and waits until it has restored the store and waits for work.
static BOOLEAN NVRSAVER_bStart(void) {
  if (TEST_StartTask(NVRTASK, T_NVRAM_vMain) != 0) return FALSE;
  for (int waited = 0; !H_DATABASE_bFetch(FCID("TNVR"), nullptr, nullptr, nullptr) ||
                       L_SEMA_GetWaitingTaskID(SEMA_MBOX_NVRAM) != NVRTASK;
       waited++) {
    if (waited > 10000) return FALSE;
    L_CLOCK_Sleep(1);
  }
  return TRUE;
}

static int NVRSAVER_nSave(U32 u32First) {
  for (U32 k = 0; k < NVRSAVER_KEYS; k++) {
    DB_DATA_TYPE value;
    if (H_DATABASE_bFetch(NVRSAVER_fcidKey(k), &value, nullptr, nullptr)) {
      NVRSAVER_vSay("R %08x %08x\n", NVRSAVER_fcidKey(k), value.u32Val);
    }
  }
  NVRSAVER_vSay("begin\n", 0, 0);

  H_DATABASE_bUpdateValueU32(FCID("CCST"), 3, P_NORMAL);
  GENERIC_MESSAGE* msg = (GENERIC_MESSAGE*)H_MEMORY_pvCalloc(1, sizeof(GENERIC_MESSAGE));
  for (U32 g = u32First;; g++) {
    for (U32 k = 0; k < NVRSAVER_KEYS; k++) {
      DB_DATA_TYPE value = {};
      value.u32Val = NVRSAVER_u32Value(k, g);
      H_DATABASE_bUpdateValue(NVRSAVER_fcidKey(k), value, P_NORMAL);
    }
    NVRSAVER_vSay("saving %u\n", g, 0);
    msg->Cmd = CMD_ID_SHUTDOWN;  // the full save; the task keeps serving after it
    if (L_MBOX_SendWait(M_NVRAM, msg, 3, SEMA_PERSONAL_DATA) != 0) return 2;
    NVRSAVER_vSay("saved %u\n", g, 0);
  }
}

static BOOLEAN NVRSAVER_bWrite(FOURCHARID id, U32 value) {
  NVR_ENTRY entry;
  entry.id = id;
  entry.data.vpPointer = nullptr;
  entry.data.RawData = value;
  return H_NVRAM_bWriteFCID(&entry);
}

static int NVRSAVER_nChange(void) {
  GENERIC_MESSAGE* msg = (GENERIC_MESSAGE*)H_MEMORY_pvCalloc(1, sizeof(GENERIC_MESSAGE));
  for (U32 n = 1;; n++) {
    if (n > 1) {
      // The shutdown gives back the task's save timer; without a system state it saves nothing.
      msg->Cmd = CMD_ID_SHUTDOWN;
      if (L_MBOX_SendWait(M_NVRAM, msg, 3, SEMA_PERSONAL_DATA) != 0) return 2;
      L_TASK_Terminate(NVRTASK);
      if (!TEST_bJoinTask(NVRTASK)) return 2;
      H_DATABASE_vInit();
      // The version first: a store of this format never holds the dropped setting.
      if (!NVRSAVER_bWrite(FCID("NVER"), NVRSAVER_OLD_VERSION) || !NVRSAVER_bWrite(FCID("SLNG"), 5)) return 2;
      H_NVRAM_vFlashWriteBack();
    }
    NVRSAVER_vSay("changing %u\n", n, 0);
    if (!NVRSAVER_bStart()) return 2;
    NVRSAVER_vSay("changed %u\n", n, 0);
  }
}

int main(int argc, char** argv) {
  if (argc != 2) return 1;
  opt_nolog = 1;
  TEST_vInitServiceLayer();
  H_DATABASE_vInit();
  // The store's test: settings of its own making, whatever the unit has.
  H_DATABASE_vAllowKeysOutsideTable(TRUE);
  L_MBOX_DefineSema(M_NVRAM, SEMA_MBOX_NVRAM);
  if (strcmp(argv[1], "change") == 0) return NVRSAVER_nChange();
  if (!NVRSAVER_bStart()) return 2;
  return NVRSAVER_nSave((U32)strtoul(argv[1], nullptr, 10));
}
