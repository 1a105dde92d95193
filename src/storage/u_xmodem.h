// XMODEM in its CRC-16 form over one serial channel: 1,024-byte blocks out,
// 128- or 1,024-byte blocks in, from or to one caller buffer or a caller's
// block function. One transfer runs at a time in the whole system.
#pragma once

#include "basetypes.h"

constexpr U8 XMODEM_SOH = 0x01;
constexpr U8 XMODEM_STX = 0x02;
constexpr U8 XMODEM_EOT = 0x04;
constexpr U8 XMODEM_ACK = 0x06;
constexpr U8 XMODEM_NAK = 0x15;
constexpr U8 XMODEM_CAN = 0x18;
constexpr U8 XMODEM_CRC_REQUEST = 'C';
constexpr U8 XMODEM_PAD = 0x1A;
constexpr U32 XMODEM_BLOCK_SIZE = 1024;

typedef enum tag_XMODEM_STAT {
  XMODEM_ABORT = 1,
  XMODEM_RETRY = 2,
  XMODEM_TIMEOUT = 3,
  XMODEM_STX_FOUND = 4,
  XMODEM_SOH_FOUND = 5,
  XMODEM_EOT_FOUND = 6,
  XMODEM_CRC_ERROR = 7,
  XMODEM_OVERFLOW = 8,
  XMODEM_OK = 9,
} XMODEM_STAT;

// Fills pu8Buffer (1,024 bytes) with the next block; its byte count, 0 when
// nothing is left. Called only once the receiver has asked for data.
typedef U32 TRANSMIT_BLOCK_FUNCTION(U8* pu8Buffer, void* pParam);
// One received block of u32Count bytes (padding included); a last call with
// 0 and no buffer ends every transfer, whatever its outcome.
typedef void RECEIVE_BLOCK_FUNCTION(U32 u32Count, U8* pu8Buffer, void* pParam);

// Sends. With pfnBlock, pcBuffer is its 1,024-byte work buffer; without,
// pcBuffer holds the s32SizeOfBufferBytes bytes to send. Waits at most two
// minutes in all for the receiver's first 'C'. TRUE only when the receiver
// acknowledged the end.
BOOLEAN U_XMODEM_bTransmit(U8 u8Port, BYTE* pcBuffer, S32 s32SizeOfBufferBytes, TRANSMIT_BLOCK_FUNCTION* pfnBlock,
                           void* pParam);
// After a send: the byte from the receiver's side that ended the wait for
// the end's answer because it answered nothing (the PC's next request, when
// the receiver's last ACK was lost), once. FALSE when there is none.
BOOLEAN U_XMODEM_bTakeStrayByte(U8* pu8Byte);
// Receives. *ps32SizeOfBufferBytes is the room in pcBuffer on entry and the
// bytes received on return (with pfnBlock: the size of the last block; every
// block then goes to the start of pcBuffer). TRUE only when every block came
// whole and the sender's end was acknowledged; CAN, a time-out, too many
// errors or no room is FALSE.
BOOLEAN U_XMODEM_bReceive(U8 u8Port, BYTE* pcBuffer, S32* ps32SizeOfBufferBytes, RECEIVE_BLOCK_FUNCTION* pfnBlock,
                          void* pParam);
// Eight CAN on the port of the transfer in progress.
void U_XMODEM_vAbortReceive(void);

// The XMODEM CRC of a block: CRC-16 (0x1021, from 0) of the data stepped over
// two zero bytes.
U16 U_XMODEM_u16Crc(const U8* pu8Data, U32 u32Count);

// The line a transfer talks over. The default is the channel's queues and
// the service layer's clock; a fuzz target or a test may put a scripted line
// in its place (nullptr restores the default). Times are ticks (ms). The
// block forms move a packet's bytes in one hand-over; a line without them
// (null) is spoken to byte by byte.
typedef struct tag_XMODEM_LINK {
  BOOLEAN (*pfnGet)(U8 u8Port, U8* pu8Byte, TICKS ticks);  // FALSE after ticks without a byte
  BOOLEAN (*pfnPut)(U8 u8Port, U8 u8Byte, TICKS ticks);    // FALSE when refused for ticks
  U64 (*pfnNow)(void);
  void (*pfnSleep)(TICKS ticks);
  // The bytes that came before a pause of ticks, at most u32Count.
  U32 (*pfnGetBlock)(U8 u8Port, U8* pu8Bytes, U32 u32Count, TICKS ticks);
  // FALSE when the line took nothing for ticks.
  BOOLEAN (*pfnPutBlock)(U8 u8Port, const U8* pu8Bytes, U32 u32Count, TICKS ticks);
} XMODEM_LINK;
void U_XMODEM_vSetLink(const XMODEM_LINK* pLink);
