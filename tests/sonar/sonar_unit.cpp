// The unit's process with one step added: once the sonar tasks are up it
// sends them the run-system command, which the unit's start-up task does not
// send yet. Whole-process sonar tests run this program on a rig.

#include <signal.h>

#include "h_database.h"
#include "h_memory.h"
#include "linuxsvc.h"
#include "main.h"
#include "t_startup.h"

static void* UNIT_pvRunSystem(void*) {
  while (!__atomic_load_n(&bStartupTaskInitialized, __ATOMIC_ACQUIRE)) L_CLOCK_Sleep(10);
  for (int waited = 0; !H_DATABASE_bFetchU32(FCID("TSMG"), nullptr, nullptr, nullptr); waited += 10) {
    if (waited > 20000) {
      log_me("[%d]%s: the sonar tasks never came up", __LINE__, __func__);
      return nullptr;
    }
    L_CLOCK_Sleep(10);
  }
  for (MBOX mbox : {(MBOX)M_PING, (MBOX)M_PROCESS, (MBOX)M_HISTORY}) {
    GENERIC_MESSAGE* msg = (GENERIC_MESSAGE*)H_MEMORY_pvCalloc(1, sizeof(GENERIC_MESSAGE));
    msg->Cmd = CMD_ID_RUN_SYSTEM;
    L_MBOX_Send(mbox, msg, 3, 0);
  }
  log_me("[%d]%s: run-system sent to the sonar tasks", __LINE__, __func__);
  return nullptr;
}

int main(int argc, char** argv) {
  signal(SIGPIPE, SIG_IGN);
  log_me("%s start", model_string);
  MAIN_vParseOptions(argc, argv);
  LSVC_vInit();
  L_UTILS_threadCreateSimpleThread("runsystem", UNIT_pvRunSystem, nullptr);
  Main();
}
