// The UART task, owner of the three serial channels: its entry, and what the
// client side of the channels reads of it.
#pragma once

#include "basetypes.h"

constexpr U8 UART_CHANNELS = 3;

// Channel 2 carries GPS and AIS together; its receive queue holds a second
// of a 38400-baud line, so that a task busy for a moment loses nothing.
constexpr U32 UART_RX2_DEPTH = 4096;
// Its transmit queue holds a whole XMODEM-1K packet, so that the PC link
// hands a packet over, and the writer the line, in one go.
constexpr U32 UART_TX2_DEPTH = 2048;

void T_UART_vMain(void);

// The channel's transmit queue (bTxNotRx non-zero) or receive queue; -1 for
// a channel above 2.
QUEUE T_UART_nGetQueue(U8 u8Channel, BOOLEAN bTxNotRx);
// TRUE while a task owns the channel; FALSE for a channel above 2.
BOOLEAN T_UART_bChannelIsOwned(U8 u8Channel);
// The task that owns the channel; 0 for none and for a channel above 2.
TASK T_UART_taskChannelOwner(U8 u8Channel);
// One transmit pass: after shutdown it empties the channel's queues, since
// nothing sends any more; before, the channel's writer drains the queue.
void T_UART_vHandleTransmit(U8 u8Channel);
// Sends bytes on the channel: straight to the line when nothing is queued
// before them and the line takes them without waiting, the rest by the
// transmit queue and the channel's writer, waiting up to ticks at a time for
// room. How many were taken; 0 for a channel above 2.
U32 T_UART_u32Send(U8 u8Channel, const U8* pu8Bytes, U32 u32Count, TICKS ticks);
// An owned channel's receiving lent to the caller, who then reads it with
// T_UART_s32ReadLent after emptying the receive queue, whose bytes came
// first: for a transfer that waits for an answer to every block, the
// driver's reader no longer wakes for each. FALSE, and nothing lent, for a
// channel not owned or a line that could not be lent.
BOOLEAN T_UART_bLendReceive(U8 u8Channel);
void T_UART_vEndLend(U8 u8Channel);
// Up to u32Max bytes of the lent line, waiting up to ticks for the first:
// how many, 0 when none came, -1 when the line failed or is not lent.
S32 T_UART_s32ReadLent(U8 u8Channel, U8* pu8Bytes, U32 u32Max, TICKS ticks);
// TRUE when the channel's transmit queue is empty and its writer holds no
// byte; TRUE for a channel above 2.
BOOLEAN T_UART_bTransmitIdle(U8 u8Channel);
// Received bytes lost to a full receive queue since the task started.
U32 T_UART_u32DroppedBytes(U8 u8Channel);
// Bytes taken to send that the line never took (it failed) since the task
// started.
U32 T_UART_u32UnsentBytes(U8 u8Channel);
// Bytes the task has taken from the channel's driver since the process
// started, discarded ones included: a count that has reached what the far
// end sent says no byte is still on its way through the driver.
U32 T_UART_u32ReceivedBytes(U8 u8Channel);
// TRUE during the first 800 ms of the task, while every byte is discarded.
BOOLEAN T_UART_bInStartPeriod(void);
// The rate the channel runs at; 0 for a channel above 2.
U32 T_UART_u32CurrentBaudRate(U8 u8Channel);
