// The raisers' side of the alarms: a heap message per request, handed over
// to the alarm task without waiting for it.

#include "u_alarm.h"

#include <string.h>

#include "h_database.h"
#include "h_memory.h"
#include "linuxsvc.h"

constexpr PRIORITY ALARM_CLIENT_PRIORITY = 3;

static BOOLEAN ALARM_bMailbox(MBOX* pMbox) {
  U32 mbox = 0;
  BOOLEAN bValid = FALSE;
  if (!H_DATABASE_bFetchU32(FCID("TALR"), &mbox, &bValid, nullptr) || !bValid || mbox == 0) return FALSE;
  *pMbox = (MBOX)mbox;
  return TRUE;
}

static BOOLEAN ALARM_bSend(MBOX mbox, void* pMsg) {
  if (L_MBOX_Send(mbox, pMsg, ALARM_CLIENT_PRIORITY, 0) == 0) return TRUE;
  H_MEMORY_vFree(pMsg);
  return FALSE;
}

BOOLEAN U_ALARM_bSetAlarm(const ALARM_SET_MESSAGE* pAlarm, BOOLEAN bExtended) {
  MBOX mbox = 0;
  if (pAlarm == nullptr || !ALARM_bMailbox(&mbox)) return FALSE;
  ALARM_SET_MESSAGE* pMsg = (ALARM_SET_MESSAGE*)H_MEMORY_pvMalloc(sizeof(ALARM_SET_MESSAGE));
  memcpy(pMsg, pAlarm, sizeof *pMsg);
  memset(&pMsg->header.msghdr, 0, sizeof pMsg->header.msghdr);
  pMsg->header.Cmd = bExtended ? CMD_ID_SET_EXT_ALARM : CMD_ID_SET_ALARM;
  return ALARM_bSend(mbox, pMsg);
}

BOOLEAN U_ALARM_bClearAlarm(ALARM_PRIORITY ePriority) {
  MBOX mbox = 0;
  if (!ALARM_bMailbox(&mbox)) return FALSE;
  ALARM_CLEAR_MESSAGE* pMsg = (ALARM_CLEAR_MESSAGE*)H_MEMORY_pvCalloc(1, sizeof(ALARM_CLEAR_MESSAGE));
  pMsg->header.Cmd = CMD_ID_CLEAR_ALARM;
  pMsg->Priority = ePriority;
  return ALARM_bSend(mbox, pMsg);
}
