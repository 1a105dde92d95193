// The serial port driver: each port a raw tty with a reader thread that
// fills a receive ring and signals the port's receive semaphore for every
// run of bytes it adds, or, once a sink is set, hands each run read to the
// sink itself, so that a packet reaches its reader without a task between.
// The ring takes four XMODEM-1K packets, so that a packet reaches the UART
// task in one or two hand-overs, not in a dozen.
#pragma once

#include <pthread.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

#include "basetypes.h"

constexpr U8 DD_UART_NUM_PORTS = 3;
constexpr U32 DD_UART_RING_SIZE = 4096;

// Called in the reader thread with every run of bytes read, in line order.
typedef void DD_UART_SINK(U8 u8Port, const U8* pu8Bytes, U32 u32Count);

typedef struct tag_UART_INFO {
  const char* dev_name;
  int dev_handle;                       // -1 when closed
  SEMA receive_sema;
  std::atomic<BOOLEAN> xmit_enable;
  pthread_t uart_read_thread;           // 0 when none runs
  int stop_fd;                          // wakes the reader to end or park it
  std::atomic<BOOLEAN> bStopping;
  std::atomic<BOOLEAN> bReaderEnded;   // the reader left by itself (end of file, error)
  std::atomic<U32> getidx;              // advanced by the consumer
  std::atomic<U32> putidx;              // advanced by the reader thread
  std::atomic<DD_UART_SINK*> pfnSink;   // null: runs go to the ring
  U8 qbuffer[DD_UART_RING_SIZE];
  // A line lent to one reader: the reader thread stands still meanwhile.
  std::mutex lendLock;
  std::condition_variable lendChanged;
  std::atomic<BOOLEAN> bLent;
  BOOLEAN bParked;  // under lendLock: the reader thread stands still
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
// Writes the bytes in as few calls as the line takes them; returns how many
// went out (0 when transmit is off or the port is closed). Blocks while the
// line does not drain.
U32 DD_UART_u32SendBlock(U8 u8Port, const U8* pu8Data, U32 u32Count);
// As much of the bytes as the line takes without waiting; how many.
U32 DD_UART_u32TrySendBlock(U8 u8Port, const U8* pu8Data, U32 u32Count);
// From the next run read on, runs go to the sink (null: to the ring again).
// Bytes already in the ring stay there: the sink's owner takes them first.
void DD_UART_vSetSink(U8 u8Port, DD_UART_SINK* pfnSink);
// Takes up to u32Max received bytes from the ring; how many it took.
U32 DD_UART_u32Read(U8 u8Port, U8* pu8Bytes, U32 u32Max);
// The next received byte, 0xFF when none: ask DD_UART_bRxCharAvail first,
// since 0xFF is also a byte.
U8 DD_UART_u8Getch(U8 u8Port);
BOOLEAN DD_UART_bRxCharAvail(U8 u8Port);
U32 DD_UART_u32FetchTxCount(U8 u8Port);
BOOLEAN DD_UART_bTxComplete(U8 u8Port);
BOOLEAN DD_UART_bIsTxShifterEmpty(U8 u8Port);
BOOLEAN DD_UART_bTxBufferEmpty(U8 u8Port);
U8 DD_UART_u8GetRxStatus(U8 u8Port);
U32 DD_UART_u32ReadReceiveError(U8 u8Port);
BOOLEAN DD_UART_bIsRxIntEnabled(U8 u8Port);
// Lends the line's receiving to the caller: the reader thread stops reading
// (after handing on what it has read), and bytes are read with
// DD_UART_s32ReadLent until DD_UART_vEndLend. FALSE, and nothing lent, when
// the port is closed or the reader does not stop within u32Ms. Saves the
// reader's wake-up on every answer a transfer waits for.
BOOLEAN DD_UART_bLend(U8 u8Port, U32 u32Ms);
void DD_UART_vEndLend(U8 u8Port);
// Up to u32Max bytes of a lent line, waiting up to u32Ms for the first: how
// many (0 when none came), -1 when the line failed or ended.
S32 DD_UART_s32ReadLent(U8 u8Port, U8* pu8Bytes, U32 u32Max, U32 u32Ms);
// Ends the reader thread and closes the port. Bytes left in the ring are
// still delivered after a reopen.
void DD_UART_vKill(U8 u8Port);
void* DD_UART_ReadThread(void* vptr);
// The port's reader thread, 0 when none runs.
pthread_t DD_UART_ReaderThread(U8 u8Port);
