#include "h_uart.h"

#include "dd_uart.h"

// Microseconds of one character of ten bits.
static U32 UART_u32CharTime(U32 u32Baud) { return 1000000u / (u32Baud / 10u); }

U32 H_UART_u32Setup(U8 u8Port, U32 u32Baud, BOOLEAN) {
  if (u32Baud != 0 && !DD_UART_bIsSupportedBaudRate(u32Baud)) return 0;
  DD_UART_vInit(u8Port);
  if (u32Baud == 0) {
    DD_UART_vTxRxEnable(u8Port, FALSE, TRUE);
    return 0;
  }
  DD_UART_vChangeBaudRate(u8Port, u32Baud);
  DD_UART_vTxRxEnable(u8Port, FALSE, TRUE);
  return UART_u32CharTime(u32Baud);
}

U32 H_UART_u32SetBaudRate(U8 u8Port, U32 u32BaudRate) {
  if (u32BaudRate == 0 || !DD_UART_bIsSupportedBaudRate(u32BaudRate)) return 0;
  DD_UART_vChangeBaudRate(u8Port, u32BaudRate);
  return UART_u32CharTime(u32BaudRate);
}

typedef struct tag_UART_MODE_ENABLES {
  BOOLEAN bTx;
  BOOLEAN bRx;
} UART_MODE_ENABLES;

// By mode, UART_OFF first.
static const UART_MODE_ENABLES s_aModes[] = {
    {FALSE, FALSE},
    {FALSE, TRUE},
    {TRUE, FALSE},
    {TRUE, TRUE},
};

void H_UART_vSetMode(U8 u8Port, UART_MODE mode) {
  if (mode < UART_OFF || mode > UART_FULL_DUPLEX) return;
  const UART_MODE_ENABLES* e = &s_aModes[mode - UART_OFF];
  DD_UART_vTxRxEnable(u8Port, e->bTx, e->bRx);
}

void H_UART_vPutChar(U8 u8Port, BYTE c) {
  while (!DD_UART_bTxBufferEmpty(u8Port)) {
  }
  DD_UART_vSendByte(u8Port, c);
}

U16 H_UART_u16FetchRx(U8 u8Port) { return DD_UART_u8Getch(u8Port); }

U32 H_UART_u32PutBlock(U8 u8Port, const U8* pu8Data, U32 u32Count) {
  return DD_UART_u32SendBlock(u8Port, pu8Data, u32Count);
}

U32 H_UART_u32TryPutBlock(U8 u8Port, const U8* pu8Data, U32 u32Count) {
  return DD_UART_u32TrySendBlock(u8Port, pu8Data, u32Count);
}

U32 H_UART_u32FetchRxBlock(U8 u8Port, U8* pu8Bytes, U32 u32Max) { return DD_UART_u32Read(u8Port, pu8Bytes, u32Max); }

void H_UART_vSetReceiveSink(U8 u8Port, void (*pfnSink)(U8 u8Port, const U8* pu8Bytes, U32 u32Count)) {
  DD_UART_vSetSink(u8Port, pfnSink);
}

BOOLEAN H_UART_bLendReceive(U8 u8Port, U32 u32Ms) { return DD_UART_bLend(u8Port, u32Ms); }

void H_UART_vEndLend(U8 u8Port) { DD_UART_vEndLend(u8Port); }

S32 H_UART_s32ReadLent(U8 u8Port, U8* pu8Bytes, U32 u32Max, U32 u32Ms) {
  return DD_UART_s32ReadLent(u8Port, pu8Bytes, u32Max, u32Ms);
}

void H_UART_vShutdown(U8 u8Port) { DD_UART_vKill(u8Port); }
