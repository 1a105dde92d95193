#include "u_shutdown.h"

#include "error.h"
#include "h_database.h"
#include "h_memory.h"
#include "linuxsvc.h"

constexpr TICKS SHUTDOWN_WAIT_MS = 500;
constexpr PRIORITY SHUTDOWN_PRIORITY = 3;

static BOOLEAN SHUTDOWN_bListed(const FOURCHARID* list, FOURCHARID key) {
  for (; list != nullptr && *list != 0; list++) {
    if (*list == key) return TRUE;
  }
  return FALSE;
}

static GENERIC_MESSAGE* SHUTDOWN_pNewMessage(void) {
  GENERIC_MESSAGE* msg = (GENERIC_MESSAGE*)H_MEMORY_pvMallocNoWait(sizeof(GENERIC_MESSAGE));
  if (msg == nullptr) {
    ERROR_vFatal(__FILE_NAME__, __LINE__, "Out of messages in shutdown");
  }
  return msg;
}

// Sends the shutdown and waits for this message's own answer. The answer
// semaphore is shared by every send, and a task that answers late signals it
// while another is being waited for; only the message's acknowledged mark
// says whose answer it was.
static BOOLEAN SHUTDOWN_bTell(MBOX mbox, GENERIC_MESSAGE* msg, BOOLEAN bWaitForEver) {
  msg->Cmd = CMD_ID_SHUTDOWN;
  L_SEMA_SetPending(SEMA_SHUTDOWN_KEYB);
  if (L_MBOX_Send(mbox, msg, SHUTDOWN_PRIORITY, SEMA_SHUTDOWN_KEYB) != 0) return FALSE;
  U64 deadline = L_CLOCK_qwGetTimeInMillis() + SHUTDOWN_WAIT_MS;
  while (!L_MBOX_bIsAcknowledged(msg)) {
    if (bWaitForEver) {
      L_SEMA_Wait(SEMA_SHUTDOWN_KEYB);
      continue;
    }
    U64 now = L_CLOCK_qwGetTimeInMillis();
    if (now >= deadline) break;
    L_SEMA_WaitTicks(SEMA_SHUTDOWN_KEYB, (TICKS)(deadline - now));
  }
  return L_MBOX_bIsAcknowledged(msg);
}

void U_SHUTDOWN_vShutdown(const FOURCHARID* noKillList) {
  const FOURCHARID keyboard = FCID("TKBD");
  const FOURCHARID nvr = FCID("TNVR");
  GENERIC_MESSAGE* msg = SHUTDOWN_pNewMessage();
  MBOX nvrMbox = 0;

  MULTI_FETCH_CONTROL_STRUCTURE walk = {};
  walk.cMatch = 'T';
  walk.__bNotFirst = FALSE;
  while (H_DATABASE_bFetchNextBeginningWith(&walk)) {
    if (walk.id == keyboard || SHUTDOWN_bListed(noKillList, walk.id)) continue;
    if (walk.id == nvr) {
      nvrMbox = (MBOX)walk.data.u32Val;
      continue;
    }
    if (msg == nullptr) msg = SHUTDOWN_pNewMessage();
    // An unanswered block still belongs to its slow task: never send it again.
    if (!SHUTDOWN_bTell((MBOX)walk.data.u32Val, msg, FALSE)) msg = nullptr;
  }

  if (nvrMbox != 0) {
    if (msg == nullptr) msg = SHUTDOWN_pNewMessage();
    if (SHUTDOWN_bTell(nvrMbox, msg, TRUE)) H_MEMORY_vFree(msg);
  } else if (msg != nullptr) {
    H_MEMORY_vFree(msg);
  }
}
