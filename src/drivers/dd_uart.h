// The serial port driver: each port a raw tty with a reader thread that
// fills a 256-byte receive ring and signals the port's receive semaphore for
// every byte.
#pragma once

#include <pthread.h>

#include <atomic>

#include "basetypes.h"

constexpr U8 DD_UART_NUM_PORTS = 3;
constexpr U32 DD_UART_RING_SIZE = 256;

typedef struct tag_UART_INFO {
  const char* dev_name;
  int dev_handle;                       // -1 when closed
  SEMA receive_sema;
  std::atomic<BOOLEAN> xmit_enable;
  pthread_t uart_read_thread;           // 0 when none runs
  int stop_fd;                          // wakes the reader to end it
  std::atomic<BOOLEAN> bStopping;
  std::atomic<BOOLEAN> bReaderEnded;   // the reader left by itself (end of file, error)
  std::atomic<U32> getidx;              // advanced by the consumer
  std::atomic<U32> putidx;              // advanced by the reader thread
  std::atomic<U32> u32Received;         // bytes handed to the ring, wrapping
  U8 qbuffer[DD_UART_RING_SIZE];
} UART_INFO;

typedef struct tag_XLAT_BAUD {
  U32 baudrate;
  U32 baudbits;  // the termios speed constant
} XLAT_BAUD;

// TRUE when the rate is one of the table's.
BOOLEAN DD_UART_bIsSupportedBaudRate(U32 u32BaudRate);

// Opens the port as a raw line and starts its reader; a port that cannot be
// opened stays closed. Ports above 2 do not exist for any of these calls.
void DD_UART_vInit(U8 u8Port);
// A rate outside the table changes nothing.
void DD_UART_vChangeBaudRate(U8 u8Port, U32 u32BaudRate);
void DD_UART_vTxRxEnable(U8 u8Port, BOOLEAN bTxEnable, BOOLEAN bRxEnable);
// Dropped when transmit is off or the port is closed.
void DD_UART_vSendByte(U8 u8Port, U8 u8Data);
// The next received byte, 0xFF when none: ask DD_UART_bRxCharAvail first,
// since 0xFF is also a byte.
U8 DD_UART_u8Getch(U8 u8Port);
BOOLEAN DD_UART_bRxCharAvail(U8 u8Port);
// Bytes the reader has handed to the ring since the process started
// (wrapping): the far end can tell when all it wrote is in the unit's hands.
U32 DD_UART_u32ReceivedCount(U8 u8Port);
U32 DD_UART_u32FetchTxCount(U8 u8Port);
BOOLEAN DD_UART_bTxComplete(U8 u8Port);
BOOLEAN DD_UART_bIsTxShifterEmpty(U8 u8Port);
BOOLEAN DD_UART_bTxBufferEmpty(U8 u8Port);
U8 DD_UART_u8GetRxStatus(U8 u8Port);
U32 DD_UART_u32ReadReceiveError(U8 u8Port);
BOOLEAN DD_UART_bIsRxIntEnabled(U8 u8Port);
// Ends the reader thread and closes the port. Bytes left in the ring are
// still delivered after a reopen.
void DD_UART_vKill(U8 u8Port);
void* DD_UART_ReadThread(void* vptr);
// The port's reader thread, 0 when none runs.
pthread_t DD_UART_ReaderThread(U8 u8Port);
