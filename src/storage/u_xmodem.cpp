// XMODEM-CRC over a serial channel: bytes in from its receive queue and,
// while the transfer has the line lent, from the line itself; out by the
// UART module's send, which writes to an idle line at once. Every wait
// blocks with a time-out, so a silent peer costs no processor time, and a
// packet's bytes go in and come out as blocks. The
// receiver answers only whole, checked blocks; after a bad packet it lets the
// line go quiet before its NAK, so the rest of a bad packet is never read as
// headers, and only an acknowledged end of a complete transfer is success.

#include "u_xmodem.h"

#include <string.h>

#include "linuxsvc.h"
#include "t_uart.h"
#include "u_crc16.h"

// Receive queue of each port; a port is the UART channel of its number.
static const QUEUE s_aReceiveQueue[] = {Q_RECEIVE_UART0, Q_RECEIVE_UART1, Q_RECEIVE_UART2};
constexpr U8 XMODEM_PORTS = sizeof s_aReceiveQueue / sizeof s_aReceiveQueue[0];

constexpr TICKS XMODEM_PUT_TICKS = 1000;
constexpr TICKS XMODEM_BYTE_TICKS = 1000;
constexpr TICKS XMODEM_HEADER_TICKS = 5000;
constexpr U64 XMODEM_START_TICKS = 120000;
constexpr U32 XMODEM_TRIES = 10;
constexpr U32 XMODEM_MAX_ERRORS = 10;
constexpr TICKS XMODEM_RETRY_PAUSE = 100;
// A line without a byte for this long has finished sending a bad packet.
constexpr TICKS XMODEM_QUIET_TICKS = 1000;
constexpr U32 XMODEM_CAN_COUNT = 8;

// The transfer in progress; touched only under RES_XMODEM.
static U8 s_u8Port;
static U8* s_pu8Buffer;
static S32 s_s32BytesRemainingInBuffer;
static TRANSMIT_BLOCK_FUNCTION* s_pfnTransmitBlock;
static RECEIVE_BLOCK_FUNCTION* s_pfnReceiveBlock;
static void* s_pParam;
// The byte that ended a send's wait for the end's answer; kept for the caller.
static U8 s_u8Stray;
static BOOLEAN s_bStray;

// ---------------------------------------------------------------------------
// The line

// While a transfer runs its line is lent to it (T_UART_bLendReceive): the
// queue holds what came before, the line the rest. A read of the line may
// bring more than was asked; the rest waits here. Under RES_XMODEM.
static BOOLEAN s_bLent;
static BOOLEAN s_bQueueLeft;  // lent, and the queue may still hold bytes
static U8 s_au8Read[2 * XMODEM_BLOCK_SIZE];
static U32 s_u32ReadAt;
static U32 s_u32ReadEnd;

// Entries of the receive queue taken per hand-over.
constexpr U32 XMODEM_GET_RUN = XMODEM_BLOCK_SIZE;

// Up to u32Max bytes, waiting up to ticks for the first; how many.
static U32 XMODEM_u32Take(U8 u8Port, U8* pu8Bytes, U32 u32Max, TICKS ticks) {
  if (s_u32ReadAt < s_u32ReadEnd) {
    const U32 n = s_u32ReadEnd - s_u32ReadAt < u32Max ? s_u32ReadEnd - s_u32ReadAt : u32Max;
    memcpy(pu8Bytes, s_au8Read + s_u32ReadAt, n);
    s_u32ReadAt += n;
    return n;
  }
  static U16 s_au16Entries[XMODEM_GET_RUN];  // under RES_XMODEM, as the transfer
  const QUEUE queue = s_aReceiveQueue[u8Port];
  const U32 want = u32Max < XMODEM_GET_RUN ? u32Max : XMODEM_GET_RUN;
  // Nothing enters the queue while the line is lent: once empty, it stays so.
  S32 got = !s_bLent || s_bQueueLeft ? L_QUEUE_GetMany(queue, s_au16Entries, want, s_bLent ? 0 : ticks) : 0;
  if (got > 0) {
    for (S32 i = 0; i < got; i++) pu8Bytes[i] = (U8)s_au16Entries[i];
    return (U32)got;
  }
  if (!s_bLent) return 0;
  s_bQueueLeft = FALSE;
  got = T_UART_s32ReadLent(u8Port, s_au8Read, sizeof s_au8Read, ticks);
  if (got < 0) {
    // A failing line goes back to its reader, whose queue waits are bounded.
    T_UART_vEndLend(u8Port);
    s_bLent = FALSE;
    return 0;
  }
  s_u32ReadAt = 0;
  s_u32ReadEnd = (U32)got;
  return got > 0 ? XMODEM_u32Take(u8Port, pu8Bytes, u32Max, 0) : 0;
}

static BOOLEAN XMODEM_bQueueGet(U8 u8Port, U8* pu8Byte, TICKS ticks) {
  return XMODEM_u32Take(u8Port, pu8Byte, 1, ticks) == 1;
}

static BOOLEAN XMODEM_bQueuePut(U8 u8Port, U8 u8Byte, TICKS ticks) {
  return T_UART_u32Send(u8Port, &u8Byte, 1, ticks) == 1;
}

static U32 XMODEM_u32QueueGetBlock(U8 u8Port, U8* pu8Bytes, U32 u32Count, TICKS ticks) {
  U32 done = 0;
  while (done < u32Count) {
    const U32 got = XMODEM_u32Take(u8Port, pu8Bytes + done, u32Count - done, ticks);
    if (got == 0) break;
    done += got;
  }
  return done;
}

static BOOLEAN XMODEM_bQueuePutBlock(U8 u8Port, const U8* pu8Bytes, U32 u32Count, TICKS ticks) {
  return T_UART_u32Send(u8Port, pu8Bytes, u32Count, ticks) == u32Count;
}

static const XMODEM_LINK s_queueLink = {XMODEM_bQueueGet,          XMODEM_bQueuePut,      L_CLOCK_qwGetTimeInMillis,
                                        L_CLOCK_Sleep,             XMODEM_u32QueueGetBlock, XMODEM_bQueuePutBlock};
static const XMODEM_LINK* s_pLink = &s_queueLink;

void U_XMODEM_vSetLink(const XMODEM_LINK* pLink) { s_pLink = pLink != nullptr ? pLink : &s_queueLink; }

static BOOLEAN XMODEM_bGet(U8* pu8Byte, TICKS ticks) { return s_pLink->pfnGet(s_u8Port, pu8Byte, ticks); }
static BOOLEAN XMODEM_bPut(U8 u8Byte) { return s_pLink->pfnPut(s_u8Port, u8Byte, XMODEM_PUT_TICKS); }

// TRUE when all u32Count bytes came, none more than XMODEM_BYTE_TICKS after
// the one before.
static BOOLEAN XMODEM_bGetBlock(U8* pu8Bytes, U32 u32Count) {
  if (s_pLink->pfnGetBlock != nullptr) {
    return s_pLink->pfnGetBlock(s_u8Port, pu8Bytes, u32Count, XMODEM_BYTE_TICKS) == u32Count;
  }
  for (U32 i = 0; i < u32Count; i++) {
    if (!XMODEM_bGet(&pu8Bytes[i], XMODEM_BYTE_TICKS)) return FALSE;
  }
  return TRUE;
}

static BOOLEAN XMODEM_bPutBlock(const U8* pu8Bytes, U32 u32Count) {
  if (s_pLink->pfnPutBlock != nullptr) return s_pLink->pfnPutBlock(s_u8Port, pu8Bytes, u32Count, XMODEM_PUT_TICKS);
  for (U32 i = 0; i < u32Count; i++) {
    if (!XMODEM_bPut(pu8Bytes[i])) return FALSE;
  }
  return TRUE;
}

// Drops what is waiting; FALSE when a CAN was among it.
static BOOLEAN XMODEM_bDiscardInput(void) {
  BOOLEAN bCancelled = FALSE;
  U8 byte;
  while (XMODEM_bGet(&byte, 0)) bCancelled |= byte == XMODEM_CAN;
  return !bCancelled;
}

// Reads until the line has been silent for XMODEM_QUIET_TICKS.
static void XMODEM_vPurgeUntilQuiet(void) {
  U8 byte;
  while (XMODEM_bGet(&byte, XMODEM_QUIET_TICKS)) {
  }
}

U16 U_XMODEM_u16Crc(const U8* pu8Data, U32 u32Count) { return U_CRC16_u16Finished(pu8Data, u32Count); }

void U_XMODEM_vAbortReceive(void) {
  for (U32 i = 0; i < XMODEM_CAN_COUNT; i++) XMODEM_bPut(XMODEM_CAN);
}

// The port's line lent to the transfer, on the UART channel only.
static BOOLEAN XMODEM_bLock(U8 u8Port) {
  if (u8Port >= XMODEM_PORTS) return FALSE;
  if (L_MUTEX_LockTime(RES_XMODEM, XMODEM_HEADER_TICKS) != 0) return FALSE;
  s_u8Port = u8Port;
  s_u32ReadAt = s_u32ReadEnd = 0;
  s_bLent = s_pLink == &s_queueLink && T_UART_bLendReceive(u8Port);
  s_bQueueLeft = TRUE;
  return TRUE;
}

// Bytes read past the transfer's end go back to the receive queue, which
// lending left empty, before its reader reads again.
static void XMODEM_vUnlock(void) {
  if (s_bLent) {
    static U16 s_au16Back[sizeof s_au8Read];  // under RES_XMODEM
    const U32 n = s_u32ReadEnd - s_u32ReadAt;
    for (U32 i = 0; i < n; i++) s_au16Back[i] = s_au8Read[s_u32ReadAt + i];
    if (n > 0) L_QUEUE_PutMany(s_aReceiveQueue[s_u8Port], s_au16Back, n, 0);
    T_UART_vEndLend(s_u8Port);
  }
  s_bLent = FALSE;
  s_u32ReadAt = s_u32ReadEnd = 0;
  L_MUTEX_Unlock(RES_XMODEM);
}

// ---------------------------------------------------------------------------
// Transmit

// Waits for the receiver's 'C', two minutes in all however chatty the line.
static BOOLEAN XMODEM_bWaitForCrcRequest(void) {
  const U64 start = s_pLink->pfnNow();
  for (;;) {
    const U64 waited = s_pLink->pfnNow() - start;
    if (waited >= XMODEM_START_TICKS) return FALSE;
    const TICKS left = (TICKS)(XMODEM_START_TICKS - waited);
    U8 byte;
    if (XMODEM_bGet(&byte, left < XMODEM_BYTE_TICKS ? left : XMODEM_BYTE_TICKS) && byte == XMODEM_CRC_REQUEST) {
      return TRUE;
    }
  }
}

static XMODEM_STAT XMODEM_eSendPacket(U8 u8Block, const U8* pu8Data, U32 u32Count) {
  if (!XMODEM_bDiscardInput()) return XMODEM_ABORT;
  U8 packet[3 + XMODEM_BLOCK_SIZE + 2];
  packet[0] = XMODEM_STX;
  packet[1] = u8Block;
  packet[2] = (U8)(255 - u8Block);
  for (U32 i = 0; i < XMODEM_BLOCK_SIZE; i++) packet[3 + i] = i < u32Count ? pu8Data[i] : XMODEM_PAD;
  const U16 crc = U_XMODEM_u16Crc(packet + 3, XMODEM_BLOCK_SIZE);
  packet[3 + XMODEM_BLOCK_SIZE] = (U8)(crc >> 8);
  packet[4 + XMODEM_BLOCK_SIZE] = (U8)crc;
  if (!XMODEM_bPutBlock(packet, sizeof packet)) return XMODEM_RETRY;
  // A NAK asks for the block again at once; other bytes are line noise.
  for (U32 i = 0; i < XMODEM_TRIES; i++) {
    U8 answer;
    if (!XMODEM_bGet(&answer, XMODEM_BYTE_TICKS)) continue;
    if (answer == XMODEM_ACK) return XMODEM_OK;
    if (answer == XMODEM_CAN) return XMODEM_ABORT;
    if (answer == XMODEM_NAK) return XMODEM_RETRY;
  }
  return XMODEM_RETRY;
}

static BOOLEAN XMODEM_bSendBlock(U8 u8Block, const U8* pu8Data, U32 u32Count) {
  for (U32 attempt = 0; attempt < XMODEM_TRIES; attempt++) {
    const XMODEM_STAT eStat = XMODEM_eSendPacket(u8Block, pu8Data, u32Count);
    if (eStat == XMODEM_OK) return TRUE;
    if (eStat == XMODEM_ABORT) return FALSE;
    s_pLink->pfnSleep(XMODEM_RETRY_PAUSE);
  }
  return FALSE;
}

// EOT, sent once more when refused. Receivers take their time to answer it
// (lrzsz's rx first waits a second for stray bytes), so each EOT is given
// ten reads. A receiver may also end without its last ACK reaching us (lrzsz
// flushes its terminal as it exits): the PC then speaks its own protocol
// again, and the first byte that answers nothing ends the wait. It is kept
// for the caller, not swallowed.
static BOOLEAN XMODEM_bSendEnd(void) {
  for (U32 u32Eot = 0; u32Eot < 2; u32Eot++) {
    if (!XMODEM_bDiscardInput() || !XMODEM_bPut(XMODEM_EOT)) return FALSE;
    BOOLEAN bRefused = FALSE;
    for (U32 i = 0; i < XMODEM_TRIES && !bRefused; i++) {
      U8 answer;
      if (!XMODEM_bGet(&answer, XMODEM_BYTE_TICKS)) continue;
      if (answer == XMODEM_ACK) return TRUE;
      if (answer == XMODEM_CAN) return FALSE;
      bRefused = answer == XMODEM_NAK;
      if (!bRefused && answer != XMODEM_CRC_REQUEST) {
        s_u8Stray = answer;
        s_bStray = TRUE;
        return FALSE;
      }
    }
    if (!bRefused) return FALSE;
  }
  return FALSE;
}

static BOOLEAN XMODEM_bTransmitLocked(void) {
  if (!XMODEM_bWaitForCrcRequest()) return FALSE;
  U8 u8Block = 1;
  for (;;) {
    U32 u32Count;
    if (s_pfnTransmitBlock != nullptr) {
      u32Count = s_pfnTransmitBlock(s_pu8Buffer, s_pParam);
      if (u32Count > XMODEM_BLOCK_SIZE) u32Count = XMODEM_BLOCK_SIZE;
    } else {
      u32Count = s_s32BytesRemainingInBuffer > 0 ? (U32)s_s32BytesRemainingInBuffer : 0;
    }
    if (u32Count == 0) break;
    const U32 u32Send = u32Count < XMODEM_BLOCK_SIZE ? u32Count : XMODEM_BLOCK_SIZE;
    if (!XMODEM_bSendBlock(u8Block, s_pu8Buffer, u32Send)) return FALSE;
    u8Block++;
    if (s_pfnTransmitBlock == nullptr) {
      s_pu8Buffer += u32Send;
      s_s32BytesRemainingInBuffer -= (S32)u32Send;
    }
  }
  return XMODEM_bSendEnd();
}

BOOLEAN U_XMODEM_bTransmit(U8 u8Port, BYTE* pcBuffer, S32 s32SizeOfBufferBytes, TRANSMIT_BLOCK_FUNCTION* pfnBlock,
                           void* pParam) {
  if (!XMODEM_bLock(u8Port)) return FALSE;
  s_bStray = FALSE;
  s_pu8Buffer = pcBuffer;
  s_s32BytesRemainingInBuffer = s32SizeOfBufferBytes;
  s_pfnTransmitBlock = pfnBlock;
  s_pParam = pParam;
  const BOOLEAN bDone = XMODEM_bTransmitLocked();
  XMODEM_vUnlock();
  return bDone;
}

BOOLEAN U_XMODEM_bTakeStrayByte(U8* pu8Byte) {
  if (L_MUTEX_LockTime(RES_XMODEM, XMODEM_HEADER_TICKS) != 0) return FALSE;
  const BOOLEAN bStray = s_bStray;
  if (bStray) *pu8Byte = s_u8Stray;
  s_bStray = FALSE;
  L_MUTEX_Unlock(RES_XMODEM);
  return bStray;
}

// ---------------------------------------------------------------------------
// Receive

typedef struct tag_XMODEM_RECEIVE {
  U8* pu8Next;       // where the next block goes
  S32 s32Room;       // bytes left at pu8Next
  S32 s32Received;   // reported to the caller
  U8 u8Expected;     // block number of the next new block
  U32 u32Errors;     // NAKs since the last good block
} XMODEM_RECEIVE;

// One packet whose header gave u32Size. XMODEM_OK: a new block, handed on and
// acknowledged; XMODEM_RETRY: a repeat of the last block (its ACK was lost),
// acknowledged again and dropped; XMODEM_CRC_ERROR or XMODEM_TIMEOUT: bad or
// cut short; XMODEM_OVERFLOW: no room for it.
static XMODEM_STAT XMODEM_eReadPacket(XMODEM_RECEIVE* r, U32 u32Size) {
  U8 u8Block, u8Complement;
  if (!XMODEM_bGet(&u8Block, XMODEM_BYTE_TICKS) || !XMODEM_bGet(&u8Complement, XMODEM_BYTE_TICKS)) {
    return XMODEM_TIMEOUT;
  }
  if ((U8)(255 - u8Block) != u8Complement) return XMODEM_CRC_ERROR;
  const BOOLEAN bRepeat = u8Block == (U8)(r->u8Expected - 1) && r->s32Received > 0;
  if (u8Block != r->u8Expected && !bRepeat) return XMODEM_CRC_ERROR;
  if (r->s32Room < (S32)u32Size) return XMODEM_OVERFLOW;
  U8 au8Crc[2];
  if (!XMODEM_bGetBlock(r->pu8Next, u32Size) || !XMODEM_bGetBlock(au8Crc, 2)) return XMODEM_TIMEOUT;
  if ((U16)(au8Crc[0] << 8 | au8Crc[1]) != U_XMODEM_u16Crc(r->pu8Next, u32Size)) return XMODEM_CRC_ERROR;
  if (bRepeat) return XMODEM_RETRY;
  r->u8Expected++;
  if (s_pfnReceiveBlock != nullptr) {
    s_pfnReceiveBlock(u32Size, r->pu8Next, s_pParam);
    r->s32Received = (S32)u32Size;
  } else {
    r->pu8Next += u32Size;
    r->s32Room -= (S32)u32Size;
    r->s32Received += (S32)u32Size;
  }
  return XMODEM_OK;
}

// After the sender's EOT: the first is refused, as senders expect, and only
// an acknowledged second one ends the transfer well.
static BOOLEAN XMODEM_bAcceptEnd(void) {
  XMODEM_bPut(XMODEM_NAK);
  for (U32 i = 0; i < XMODEM_TRIES; i++) {
    U8 byte;
    if (!XMODEM_bGet(&byte, XMODEM_BYTE_TICKS)) continue;
    if (byte == XMODEM_EOT) {
      XMODEM_bPut(XMODEM_ACK);
      return TRUE;
    }
    if (byte == XMODEM_CAN) break;
  }
  U_XMODEM_vAbortReceive();
  return FALSE;
}

// A CAN is believed only when a second one follows.
static BOOLEAN XMODEM_bCancelled(TICKS ticks) {
  U8 byte;
  return XMODEM_bGet(&byte, ticks) && byte == XMODEM_CAN;
}

// The first header, asking with 'C' about once a second for two minutes.
static XMODEM_STAT XMODEM_eAwaitStart(void) {
  const U64 start = s_pLink->pfnNow();
  while (s_pLink->pfnNow() - start <= XMODEM_START_TICKS) {
    if (!XMODEM_bPut(XMODEM_CRC_REQUEST)) return XMODEM_ABORT;
    U8 byte;
    if (!XMODEM_bGet(&byte, XMODEM_BYTE_TICKS)) continue;
    if (byte == XMODEM_SOH) return XMODEM_SOH_FOUND;
    if (byte == XMODEM_STX) return XMODEM_STX_FOUND;
    if (byte == XMODEM_EOT) return XMODEM_EOT_FOUND;
    if (byte == XMODEM_CAN && XMODEM_bCancelled(XMODEM_BYTE_TICKS)) return XMODEM_ABORT;
  }
  return XMODEM_TIMEOUT;
}

// The next header after a block's answer.
static XMODEM_STAT XMODEM_eAwaitHeader(void) {
  for (;;) {
    U8 byte;
    if (!XMODEM_bGet(&byte, XMODEM_HEADER_TICKS)) return XMODEM_TIMEOUT;
    if (byte == XMODEM_SOH) return XMODEM_SOH_FOUND;
    if (byte == XMODEM_STX) return XMODEM_STX_FOUND;
    if (byte == XMODEM_EOT) return XMODEM_EOT_FOUND;
    if (byte == XMODEM_CAN && XMODEM_bCancelled(XMODEM_HEADER_TICKS)) return XMODEM_ABORT;
  }
}

static BOOLEAN XMODEM_bReceiveLocked(XMODEM_RECEIVE* r) {
  XMODEM_STAT eHeader = XMODEM_eAwaitStart();
  for (;;) {
    if (eHeader == XMODEM_EOT_FOUND) return XMODEM_bAcceptEnd();
    if (eHeader != XMODEM_SOH_FOUND && eHeader != XMODEM_STX_FOUND) return FALSE;
    const XMODEM_STAT ePacket = XMODEM_eReadPacket(r, eHeader == XMODEM_STX_FOUND ? XMODEM_BLOCK_SIZE : 128);
    if (ePacket == XMODEM_OVERFLOW) {
      U_XMODEM_vAbortReceive();
      return FALSE;
    }
    if (ePacket == XMODEM_OK || ePacket == XMODEM_RETRY) {
      XMODEM_bPut(XMODEM_ACK);
      r->u32Errors = 0;
    } else {
      XMODEM_vPurgeUntilQuiet();
      if (++r->u32Errors > XMODEM_MAX_ERRORS) {
        U_XMODEM_vAbortReceive();
        return FALSE;
      }
      XMODEM_bPut(XMODEM_NAK);
    }
    eHeader = XMODEM_eAwaitHeader();
  }
}

BOOLEAN U_XMODEM_bReceive(U8 u8Port, BYTE* pcBuffer, S32* ps32SizeOfBufferBytes, RECEIVE_BLOCK_FUNCTION* pfnBlock,
                          void* pParam) {
  if (!XMODEM_bLock(u8Port)) {
    if (pfnBlock != nullptr) pfnBlock(0, nullptr, pParam);
    *ps32SizeOfBufferBytes = 0;
    return FALSE;
  }
  s_pu8Buffer = pcBuffer;
  s_s32BytesRemainingInBuffer = *ps32SizeOfBufferBytes;
  s_pfnReceiveBlock = pfnBlock;
  s_pParam = pParam;
  XMODEM_RECEIVE r = {pcBuffer, *ps32SizeOfBufferBytes, 0, 1, 0};
  const BOOLEAN bDone = XMODEM_bReceiveLocked(&r);
  *ps32SizeOfBufferBytes = r.s32Received;
  XMODEM_vUnlock();
  if (pfnBlock != nullptr) pfnBlock(0, nullptr, pParam);
  return bDone;
}
