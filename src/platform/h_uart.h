// The host serial service the UART task calls.
#pragma once

#include "basetypes.h"

typedef enum tag_UART_MODE {
  UART_OFF = 1,
  UART_HALF_DUPLEX_RECEIVE = 2,
  UART_HALF_DUPLEX_TRANSMIT = 3,
  UART_FULL_DUPLEX = 4,
} UART_MODE;

// Opens the port at the rate with receive on and transmit off; returns the
// time of one character in microseconds (ten bits). Rate 0 opens it at its
// current rate and returns 0; a rate the port does not have returns 0 and
// changes nothing. bHalfDuplex has no effect.
U32 H_UART_u32Setup(U8 u8Port, U32 u32Baud, BOOLEAN bHalfDuplex);
// The character time of the new rate; 0, and nothing changed, for rate 0 or
// a rate the port does not have.
U32 H_UART_u32SetBaudRate(U8 u8Port, U32 u32BaudRate);
void H_UART_vSetMode(U8 u8Port, UART_MODE mode);
void H_UART_vPutChar(U8 u8Port, BYTE c);
U16 H_UART_u16FetchRx(U8 u8Port);
// The block forms: how many bytes went to the line, and how many received
// bytes (at most u32Max) were taken.
U32 H_UART_u32PutBlock(U8 u8Port, const U8* pu8Data, U32 u32Count);
U32 H_UART_u32FetchRxBlock(U8 u8Port, U8* pu8Bytes, U32 u32Max);
// As much of the bytes as the line takes without waiting; how many.
U32 H_UART_u32TryPutBlock(U8 u8Port, const U8* pu8Data, U32 u32Count);
// Received runs handed straight to pfnSink in the port's reader thread
// (null: to the ring that H_UART_u32FetchRxBlock empties). The ring's bytes
// are older than any run the sink gets, so the sink takes them first.
void H_UART_vSetReceiveSink(U8 u8Port, void (*pfnSink)(U8 u8Port, const U8* pu8Bytes, U32 u32Count));
// The port's receiving lent to one caller, read by it alone until the lend
// ends (DD_UART_bLend).
BOOLEAN H_UART_bLendReceive(U8 u8Port, U32 u32Ms);
void H_UART_vEndLend(U8 u8Port);
S32 H_UART_s32ReadLent(U8 u8Port, U8* pu8Bytes, U32 u32Max, U32 u32Ms);
void H_UART_vShutdown(U8 u8Port);
