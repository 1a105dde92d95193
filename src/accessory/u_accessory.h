// The client side of the wired accessories' register protocol (read holding
// registers, command 3; preset multiple registers, command 16) and the
// accessory firmware download built on it. Requests travel as
// MSG_SEND_2_ACCESSORY mail to the accessory communication task, which
// frames them on the wire and returns the message with the reply.
#pragma once

#include "basetypes.h"
#include "linuxsvc.h"
#include "msghdr.h"

enum ACC_COMM_ERROR : int {
  ERROR_TIMEOUT = 1,
  ERROR_LRC = 2,
  ERROR_BAD_CHR = 3,
  ERROR_NO_TERMINATOR = 4,
  ERROR_OVERRUN_ON_INPUT = 5,
  ERROR_OVERRUN_ON_CONVERT = 6,
  ERROR_INTERNAL_ERROR = 7,
  ERROR_BAD_ID = 8,
  ERROR_NO_ERROR = 9,
  ERROR_NOT_SENT = 10,
};

// A request, and the same message coming back with the reply. Message and
// buffer are fixed-block heap blocks; pu8Transmit and pu8Receive are one
// buffer, so the reply overwrites the request.
struct MSG_SEND_2_ACCESSORY {
  GENERIC_MESSAGE header;
  U8* pu8Transmit;
  U32 u32TxCount;     // bytes to send
  U8* pu8Receive;
  U32 u32RxCount;     // size of the reply buffer
  ACC_COMM_ERROR error;
  MBOX replyMailbox;  // where the message comes back
  U32 private1;       // the requester's, carried through
  U32 private2;
};

enum E_STATUS : int { DOWNLOAD_RUNNING = 1, DOWNLOAD_FAIL = 2, DOWNLOAD_SUCCESS = 3 };
enum DESTINATION_ENDIAN_MODE : int { DESTINATION_BIG_ENDIAN = 1, DESTINATION_LITTLE_ENDIAN = 2 };

constexpr U8 ACC_READ_HOLDING_REGISTERS = 3;
constexpr U8 ACC_PRESET_MULTIPLE_REGISTERS = 16;
// A frame's byte count is one byte: no request moves more registers.
constexpr int ACC_MAX_REGISTERS = 127;
// The first block of a download carries this many image bytes.
constexpr U32 ACC_FIRST_BLOCK_BYTES = 60;

// The communication task's mailbox (key TACC), asked every 8 ms for up to
// u32WaitMs; 0 when it was not published in that time.
MBOX U_ACCESSORY_mboxFetchAccessoryTaskMailbox(U32 u32WaitMs = 1000);
// A preset request buffer for nWriteRegisterCount registers (address,
// command 16, count and byte count filled in; the caller sets the start
// register and the values). Null for a count outside 0-127.
U8* U_ACCESSORY_pu8GetTxMessageBuffer(int nWriteRegisterCount, U8 u8Destination);
void U_ACCESSORY_vSetStartRegister(U8* pu8Buffer, U16 u16StartRegister);
// Register i of a preset request: 16 bits, 32 bits over i and i + 1, or a
// float's bit pattern as 32 bits; most significant byte first.
void U_ACCESSORY_vInsertRegister(U8* pu8Buffer, int i, U16 u16Value);
void U_ACCESSORY_vInsertRegister32(U8* pu8Buffer, int i, U32 u32Value);
void U_ACCESSORY_vInsertRegisterFloat(U8* pu8Buffer, int i, const float* pfValue);
// Register i of a reply.
U16 U_ACCESSORY_u16ExtractRegister(const U8* pu8Reply, int i);
U32 U_ACCESSORY_u32ExtractRegister32(const U8* pu8Reply, int i);
float U_ACCESSORY_fExtractRegisterFloat(const U8* pu8Reply, int i);
// nCount 16-bit words from pu8Source into the registers from nStart on:
// as they stand for a big-endian accessory, each word's bytes exchanged
// otherwise.
void U_ACCESSORY_vStuffBuffer(U8* pu8Dest, const U8* pu8Source, int nStart, int nCount, DESTINATION_ENDIAN_MODE eEndian);
// Sends a preset request built in pu8Buffer (which the message then owns).
// FALSE when it could not be sent; message and buffer are then freed.
BOOLEAN U_ACCESSORY_bSendTransmitMessage(U8* pu8Buffer, U32 u32Response1, U32 u32Response2, MBOX mboxDestination,
                                         MBOX mboxReply);
// Builds and sends a read request; FALSE for a count outside 1-127 or a
// failed send.
BOOLEAN U_ACCESSORY_bSendReceiveMessage(U32 u32Response1, U32 u32Response2, MBOX mboxDestination, MBOX mboxReply,
                                        U16 u16StartRegister, int nReadRegisterCount, U8 u8Destination);
// Completes a message the caller built (reply mailbox, no error yet, the
// command) and sends it; FALSE when the mailbox refused it (the caller
// still owns it then).
BOOLEAN U_ACCESSORY_bSend2Accessory(MSG_SEND_2_ACCESSORY* pMsg, MBOX mboxDestination, MBOX mboxReply);
// The transaction went through and the accessory did not answer with an exception.
BOOLEAN U_ACCESSORY_bTransmitGood(const MSG_SEND_2_ACCESSORY* pMsg);
// The frame check: the byte sum negated, as 32 bits; its low byte makes the
// sum of the frame and the check byte 0 modulo 256.
U32 U_ACCESSORY_u32CalculateLRC(const U8* pu8Data, U32 u32Length);

// Starts a firmware download of an image of an even length of at least 60
// bytes: sends the switch to program mode. Returns the download's handle,
// or null for an image outside those limits or when the communication task
// is not there. Replies come to mboxHost.
void* U_ACCESSORY_pvStartCodeDownload(U8 u8AccessoryAddress, const U8* pu8Program, U32 u32CodeSize, MBOX mboxHost,
                                      U32 u32FirstWord, U32 u32ResponseCode1, DESTINATION_ENDIAN_MODE eEndian);
// Advances the download by one returned message (which it frees). After a
// result other than DOWNLOAD_RUNNING the handle is dead. Sleeps 2 s after
// the switch to program mode and 250 ms before a retry; a request is sent
// at most three times.
E_STATUS U_ACCESSORY_eProcessProgramming(void* pvHandle, MSG_SEND_2_ACCESSORY* pMsg);
