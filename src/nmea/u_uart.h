// The client side of the serial channels: the requests other tasks mail to
// the UART task, and the bytes they send through a channel's transmit queue.
#pragma once

#include "basetypes.h"
#include "linuxsvc.h"
#include "msghdr.h"

// The claim kinds of MSG_CAPTURE_CHANNEL's semaphore field; any other value
// is a conditional claim notified on that semaphore.
constexpr SEMA UART_CLAIM_OUTRIGHT = 0;
constexpr SEMA UART_CLAIM_TAKE_OVER = (SEMA)-1;

// The task's verdict goes into flag (TRUE = done) of each request.
typedef struct tag_MSG_CHANGE_BAUD_RATE {
  GENERIC_MESSAGE Header;  // CMD_ID_CHANGE_BAUD_RATE
  U32 baud_rate;
  U8 uart;
  BOOLEAN flag;
} MSG_CHANGE_BAUD_RATE;

typedef struct tag_MSG_DISCONNECT {
  GENERIC_MESSAGE Header;  // CMD_ID_DISCONNECT
  U8 channel;
  BOOLEAN flag;            // request: TRUE returns the line to 4800 baud
} MSG_DISCONNECT;

typedef struct tag_MSG_CAPTURE_CHANNEL {
  GENERIC_MESSAGE Header;  // CMD_ID_CAPTURE_CHANNEL
  U8 uart;
  BYTE byteMatchCharacter;
  SEMA semaphore;
  BOOLEAN flag;
} MSG_CAPTURE_CHANNEL;

// Each request is mailed without acknowledgement, so the caller never sees
// the verdict: TRUE once sent; FALSE for a channel above 2 or while the
// UART task has not published its mailbox.
BOOLEAN U_UART_bAllocateChannel(U8 u8Channel);
BOOLEAN U_UART_bRegisterForChannel(U8 u8Channel, BYTE cTrigger, SEMA sema);
BOOLEAN U_UART_bReleaseChannel(U8 u8Channel, BOOLEAN bForce4800);
BOOLEAN U_UART_bChangeBaudRate(U8 u8Channel, U32 u32Baud);

// Queues the bytes for the channel, waiting for room while the line drains;
// a line that does not drain within half a second loses the rest of the
// bytes, with a log line, and the result is FALSE. FALSE for a channel above
// 2; TRUE for a count of 0 or less.
BOOLEAN U_UART_bTransmitData(U8 u8Channel, const U8* pu8Data, int nCount);
// Waits until everything queued for the channel has gone to the line; FALSE,
// with a log line, after u32TimeoutMs.
BOOLEAN U_UART_bWaitTransmitDone(U8 u8Channel, U32 u32TimeoutMs);
