// The sonar history task. Until its histories and views are built here it
// publishes its mailbox, counts the columns the process task hands over,
// takes note of their update messages and answers shutdown.

#include "t_n_history.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>

#include "h_memory.h"
#include "linuxsvc.h"
#include "s_share.h"
#include "u_taskstub.h"

static std::atomic<U32> s_au32Columns[2];

void T_N_HISTORY_vAddColumn(BEAM eBeam, const U8* pu8Levels) {
  // The levels are drawn once the histories exist; until then only counted.
  (void)pu8Levels;
  s_au32Columns[eBeam == BEAM_DOWN_1 ? 1 : 0]++;
}

U32 T_N_HISTORY_u32ColumnCount(BEAM eBeam) { return s_au32Columns[eBeam == BEAM_DOWN_1 ? 1 : 0].load(); }

void T_N_HISTORY_vMain(void) {
  log_me("[%d]%s: LWP ID %ld", __LINE__, __func__, (long)syscall(SYS_gettid));
  U_TASKSTUB_vPublish(FCID("TSMG"), M_HISTORY);
  BOOLEAN bShutdown = FALSE;
  for (;;) {
    GENERIC_MESSAGE* pMsg = (GENERIC_MESSAGE*)L_MBOX_ReceiveWaitTicks(M_HISTORY, 1000);
    for (; pMsg != nullptr; pMsg = (GENERIC_MESSAGE*)L_MBOX_Receive(M_HISTORY)) {
      if (pMsg->Cmd == CMD_ID_PING_UPDATE) {
        S_SHARE_vClearHistoryUpdate();
      } else if (pMsg->Cmd == CMD_ID_SHUTDOWN && !bShutdown) {
        bShutdown = TRUE;
        log_me("[%d]%s: history task shut down", __LINE__, __func__);
      }
      H_MEMORY_vDumpMail(pMsg);
    }
  }
}
