// Requests to the UART task go as mail without acknowledgement, so the sender
// goes on at once; bytes to send go straight into the channel's transmit
// queue, where the channel's writer takes them.

#include "u_uart.h"

#include "h_database.h"
#include "h_memory.h"
#include "t_uart.h"

constexpr PRIORITY UART_REQUEST_PRIORITY = 3;
constexpr U32 UART_TRANSMIT_WAIT_MS = 500;
constexpr U32 UART_DONE_POLL_MS = 10;

static MBOX UART_mboxTask(void) {
  U32 mbox = 0;
  BOOLEAN bValid = FALSE;
  if (!H_DATABASE_bFetchU32(FCID("TURT"), &mbox, &bValid, nullptr) || !bValid) return 0;
  return (MBOX)mbox;
}

// Mails a request that fill() completes; the task frees it.
template <typename MSG, typename FILL>
static BOOLEAN UART_bRequest(U8 u8Channel, CMD_ID cmd, FILL fill) {
  if (u8Channel >= UART_CHANNELS) return FALSE;
  MBOX mbox = UART_mboxTask();
  if (mbox == 0) return FALSE;
  MSG* pMsg = (MSG*)H_MEMORY_pvCalloc(1, sizeof(MSG));
  pMsg->Header.Cmd = cmd;
  fill(pMsg);
  if (L_MBOX_Send(mbox, pMsg, UART_REQUEST_PRIORITY, 0) != 0) {
    H_MEMORY_vFree(pMsg);
    return FALSE;
  }
  return TRUE;
}

BOOLEAN U_UART_bAllocateChannel(U8 u8Channel) {
  return UART_bRequest<MSG_CAPTURE_CHANNEL>(u8Channel, CMD_ID_CAPTURE_CHANNEL, [&](MSG_CAPTURE_CHANNEL* p) {
    p->uart = u8Channel;
    p->semaphore = UART_CLAIM_OUTRIGHT;
  });
}

BOOLEAN U_UART_bRegisterForChannel(U8 u8Channel, BYTE cTrigger, SEMA sema) {
  return UART_bRequest<MSG_CAPTURE_CHANNEL>(u8Channel, CMD_ID_CAPTURE_CHANNEL, [&](MSG_CAPTURE_CHANNEL* p) {
    p->uart = u8Channel;
    p->byteMatchCharacter = cTrigger;
    p->semaphore = sema;
  });
}

BOOLEAN U_UART_bReleaseChannel(U8 u8Channel, BOOLEAN bForce4800) {
  return UART_bRequest<MSG_DISCONNECT>(u8Channel, CMD_ID_DISCONNECT, [&](MSG_DISCONNECT* p) {
    p->channel = u8Channel;
    p->flag = bForce4800;
  });
}

BOOLEAN U_UART_bChangeBaudRate(U8 u8Channel, U32 u32Baud) {
  return UART_bRequest<MSG_CHANGE_BAUD_RATE>(u8Channel, CMD_ID_CHANGE_BAUD_RATE, [&](MSG_CHANGE_BAUD_RATE* p) {
    p->uart = u8Channel;
    p->baud_rate = u32Baud;
  });
}

BOOLEAN U_UART_bTransmitData(U8 u8Channel, const U8* pu8Data, int nCount) {
  QUEUE queue = T_UART_nGetQueue(u8Channel, TRUE);
  if (queue < 0) return FALSE;
  const U32 start = H_TICK_u32ReadFreeRunningTimerInMilliSeconds();
  for (int done = 0; done < nCount;) {
    S32 put = L_QUEUE_PutMany(queue, pu8Data + done, (U32)(nCount - done), 0);
    if (put <= 0) {
      // Full: after shutdown this empties the queue, else the writer drains it.
      T_UART_vHandleTransmit(u8Channel);
      const U32 waited = H_TICK_u32ElapsedTime(start, H_TICK_u32ReadFreeRunningTimerInMilliSeconds());
      const U32 left = waited < UART_TRANSMIT_WAIT_MS ? UART_TRANSMIT_WAIT_MS - waited : 0;
      if (left > 0) put = L_QUEUE_PutMany(queue, pu8Data + done, (U32)(nCount - done), left);
    }
    if (put <= 0) {
      log_me("[%d]%s: channel %u takes no bytes: %d of %d not sent", __LINE__, __func__, u8Channel, nCount - done,
             nCount);
      return FALSE;
    }
    done += put;
  }
  return TRUE;
}

BOOLEAN U_UART_bWaitTransmitDone(U8 u8Channel, U32 u32TimeoutMs) {
  for (U32 waited = 0; !T_UART_bTransmitIdle(u8Channel); waited += UART_DONE_POLL_MS) {
    if (waited >= u32TimeoutMs) {
      log_me("[%d]%s: channel %u still sending after %u ms", __LINE__, __func__, u8Channel, u32TimeoutMs);
      return FALSE;
    }
    L_CLOCK_Sleep(UART_DONE_POLL_MS);
  }
  return TRUE;
}
