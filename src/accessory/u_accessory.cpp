// Register frames for wired accessories and the firmware download's state
// machine: switch to program mode, block 0 with the first word and 60 image
// bytes, 64-byte data blocks, and a last block marked by bit 15 of its
// sequence number.

#include "u_accessory.h"

#include <string.h>

#include "h_database.h"
#include "h_memory.h"

namespace {

constexpr PRIORITY ACC_MESSAGE_PRIORITY = 3;
constexpr U16 ACC_MODE_REGISTER = 5;
constexpr U16 ACC_PROGRAM_MODE = 0x0002;
constexpr U16 ACC_LOADER_REGISTER = 16;
constexpr U32 ACC_DATA_BLOCK_BYTES = 64;
constexpr U32 ACC_RETRIES = 2;
constexpr U32 ACC_PROGRAM_MODE_WAIT_MS = 2000;
constexpr U32 ACC_RETRY_WAIT_MS = 250;

enum I_STATUS : int {
  SENDING_SWITCH_TO_PROGRAM_MODE = 1,
  SENDING_RECORD_0 = 2,
  SENDING_DATA = 3,
  SENDING_LAST_RECORD = 4,
};

struct ACCESSORY_CODE_UPDATE {
  MBOX mboxAccComm;
  MBOX mboxHost;
  const U8* pu8CodeStart;
  const U8* pu8Current;
  U32 u32FirstWord;  // as block 0 carries it
  U16 u16Sequence;
  I_STATUS eInternalStatus;
  U32 u32ImageSize;
  U32 u32BytesLeft;
  U8 u8AccessoryAddress;
  U32 u32RetryCount;
  U32 u32LastTransmitSize;  // image bytes in the block last sent
  U32 u32ResponseCode1;
  DESTINATION_ENDIAN_MODE eEndian;
};

U32 ACC_u32BufferSize(int nRegisters) { return 2 * (U32)nRegisters + 7 > 3 ? 2 * (U32)nRegisters + 7 : 3; }

void ACC_vPut16(U8* pu8, U16 u16Value) {
  pu8[0] = (U8)(u16Value >> 8);
  pu8[1] = (U8)u16Value;
}

BOOLEAN ACC_bSendSwitchToProgramMode(ACCESSORY_CODE_UPDATE* pUpdate) {
  U8* pu8 = U_ACCESSORY_pu8GetTxMessageBuffer(1, pUpdate->u8AccessoryAddress);
  U_ACCESSORY_vSetStartRegister(pu8, ACC_MODE_REGISTER);
  U_ACCESSORY_vInsertRegister(pu8, 0, ACC_PROGRAM_MODE);
  return U_ACCESSORY_bSendTransmitMessage(pu8, pUpdate->u32ResponseCode1, 0, pUpdate->mboxAccComm, pUpdate->mboxHost);
}

// A loader block: register 0 the sequence word, then the first word (block
// 0 only), then u32Bytes image bytes from the current position.
BOOLEAN ACC_bSendBlock(ACCESSORY_CODE_UPDATE* pUpdate, U16 u16SequenceWord, BOOLEAN bFirst, U32 u32Bytes) {
  const int nHead = bFirst ? 3 : 1;
  const int nWords = (int)(u32Bytes / 2);
  U8* pu8 = U_ACCESSORY_pu8GetTxMessageBuffer(nHead + nWords, pUpdate->u8AccessoryAddress);
  U_ACCESSORY_vSetStartRegister(pu8, ACC_LOADER_REGISTER);
  U_ACCESSORY_vInsertRegister(pu8, 0, u16SequenceWord);
  if (bFirst) U_ACCESSORY_vInsertRegister32(pu8, 1, pUpdate->u32FirstWord);
  U_ACCESSORY_vStuffBuffer(pu8, pUpdate->pu8Current, nHead, nWords, pUpdate->eEndian);
  pUpdate->u32LastTransmitSize = u32Bytes;
  return U_ACCESSORY_bSendTransmitMessage(pu8, pUpdate->u32ResponseCode1, 0, pUpdate->mboxAccComm, pUpdate->mboxHost);
}

BOOLEAN ACC_bSendBlock0(ACCESSORY_CODE_UPDATE* pUpdate) {
  pUpdate->u16Sequence = 0;
  pUpdate->pu8Current = pUpdate->pu8CodeStart;
  pUpdate->u32BytesLeft = pUpdate->u32ImageSize;
  return ACC_bSendBlock(pUpdate, 0, TRUE, ACC_FIRST_BLOCK_BYTES);
}

BOOLEAN ACC_bSendLastBlock(ACCESSORY_CODE_UPDATE* pUpdate) {
  pUpdate->eInternalStatus = SENDING_LAST_RECORD;
  return ACC_bSendBlock(pUpdate, (U16)(pUpdate->u16Sequence | 0x8000), FALSE, pUpdate->u32BytesLeft);
}

// The request of the current state once more.
BOOLEAN ACC_bResend(ACCESSORY_CODE_UPDATE* pUpdate) {
  switch (pUpdate->eInternalStatus) {
    case SENDING_SWITCH_TO_PROGRAM_MODE: return ACC_bSendSwitchToProgramMode(pUpdate);
    case SENDING_RECORD_0: return ACC_bSendBlock0(pUpdate);
    case SENDING_DATA: return ACC_bSendBlock(pUpdate, pUpdate->u16Sequence, FALSE, pUpdate->u32LastTransmitSize);
    case SENDING_LAST_RECORD: return ACC_bSendLastBlock(pUpdate);
  }
  return FALSE;
}

E_STATUS ACC_eAdvance(ACCESSORY_CODE_UPDATE* pUpdate, BOOLEAN bGood) {
  if (!bGood) {
    L_CLOCK_Sleep(ACC_RETRY_WAIT_MS);
    if (pUpdate->u32RetryCount-- == 0) return DOWNLOAD_FAIL;
    return ACC_bResend(pUpdate) ? DOWNLOAD_RUNNING : DOWNLOAD_FAIL;
  }
  switch (pUpdate->eInternalStatus) {
    case SENDING_SWITCH_TO_PROGRAM_MODE:
      L_CLOCK_Sleep(ACC_PROGRAM_MODE_WAIT_MS);
      pUpdate->eInternalStatus = SENDING_RECORD_0;
      pUpdate->u32RetryCount = ACC_RETRIES;
      return ACC_bSendBlock0(pUpdate) ? DOWNLOAD_RUNNING : DOWNLOAD_FAIL;
    case SENDING_RECORD_0:
    case SENDING_DATA:
      pUpdate->u16Sequence++;
      pUpdate->pu8Current += pUpdate->u32LastTransmitSize;
      pUpdate->u32BytesLeft -= pUpdate->u32LastTransmitSize;
      pUpdate->eInternalStatus = SENDING_DATA;
      pUpdate->u32RetryCount = ACC_RETRIES;
      if (pUpdate->u32BytesLeft > ACC_DATA_BLOCK_BYTES) {
        return ACC_bSendBlock(pUpdate, pUpdate->u16Sequence, FALSE, ACC_DATA_BLOCK_BYTES) ? DOWNLOAD_RUNNING
                                                                                           : DOWNLOAD_FAIL;
      }
      return ACC_bSendLastBlock(pUpdate) ? DOWNLOAD_RUNNING : DOWNLOAD_FAIL;
    case SENDING_LAST_RECORD: return DOWNLOAD_SUCCESS;
  }
  return DOWNLOAD_FAIL;
}

// Frees a returned message with its buffer.
void ACC_vFreeMessage(MSG_SEND_2_ACCESSORY* pMsg) {
  if (pMsg == nullptr) return;
  H_MEMORY_vFree(pMsg->pu8Transmit);
  H_MEMORY_vFree(pMsg);
}

}  // namespace

MBOX U_ACCESSORY_mboxFetchAccessoryTaskMailbox(U32 u32WaitMs) {
  for (U32 u32Waited = 0;; u32Waited += 8) {
    U32 u32Mailbox = 0;
    if (H_DATABASE_bFetchU32(FCID("TACC"), &u32Mailbox, nullptr, nullptr) && u32Mailbox != 0) return (MBOX)u32Mailbox;
    if (u32Waited >= u32WaitMs) break;
    L_CLOCK_Sleep(8);
  }
  log_me("[%d]%s: no accessory communication task (TACC)", __LINE__, __func__);
  return 0;
}

U8* U_ACCESSORY_pu8GetTxMessageBuffer(int nWriteRegisterCount, U8 u8Destination) {
  if (nWriteRegisterCount < 0 || nWriteRegisterCount > ACC_MAX_REGISTERS) return nullptr;
  U8* pu8 = (U8*)H_MEMORY_pvCalloc(1, ACC_u32BufferSize(nWriteRegisterCount));
  pu8[0] = u8Destination;
  pu8[1] = ACC_PRESET_MULTIPLE_REGISTERS;
  ACC_vPut16(pu8 + 4, (U16)nWriteRegisterCount);
  pu8[6] = (U8)(2 * nWriteRegisterCount);
  return pu8;
}

void U_ACCESSORY_vSetStartRegister(U8* pu8Buffer, U16 u16StartRegister) { ACC_vPut16(pu8Buffer + 2, u16StartRegister); }

void U_ACCESSORY_vInsertRegister(U8* pu8Buffer, int i, U16 u16Value) { ACC_vPut16(pu8Buffer + 7 + 2 * i, u16Value); }

void U_ACCESSORY_vInsertRegister32(U8* pu8Buffer, int i, U32 u32Value) {
  ACC_vPut16(pu8Buffer + 7 + 2 * i, (U16)(u32Value >> 16));
  ACC_vPut16(pu8Buffer + 9 + 2 * i, (U16)u32Value);
}

void U_ACCESSORY_vInsertRegisterFloat(U8* pu8Buffer, int i, const float* pfValue) {
  U32 u32Bits;
  memcpy(&u32Bits, pfValue, sizeof u32Bits);
  U_ACCESSORY_vInsertRegister32(pu8Buffer, i, u32Bits);
}

U16 U_ACCESSORY_u16ExtractRegister(const U8* pu8Reply, int i) {
  return (U16)(pu8Reply[3 + 2 * i] << 8 | pu8Reply[4 + 2 * i]);
}

U32 U_ACCESSORY_u32ExtractRegister32(const U8* pu8Reply, int i) {
  return (U32)U_ACCESSORY_u16ExtractRegister(pu8Reply, i) << 16 | U_ACCESSORY_u16ExtractRegister(pu8Reply, i + 1);
}

float U_ACCESSORY_fExtractRegisterFloat(const U8* pu8Reply, int i) {
  const U32 u32Bits = U_ACCESSORY_u32ExtractRegister32(pu8Reply, i);
  float f;
  memcpy(&f, &u32Bits, sizeof f);
  return f;
}

void U_ACCESSORY_vStuffBuffer(U8* pu8Dest, const U8* pu8Source, int nStart, int nCount,
                              DESTINATION_ENDIAN_MODE eEndian) {
  U8* pu8 = pu8Dest + 7 + 2 * nStart;
  for (int i = 0; i < nCount; i++) {
    const bool bSwap = eEndian != DESTINATION_BIG_ENDIAN;
    pu8[2 * i] = pu8Source[2 * i + (bSwap ? 1 : 0)];
    pu8[2 * i + 1] = pu8Source[2 * i + (bSwap ? 0 : 1)];
  }
}

BOOLEAN U_ACCESSORY_bSend2Accessory(MSG_SEND_2_ACCESSORY* pMsg, MBOX mboxDestination, MBOX mboxReply) {
  pMsg->replyMailbox = mboxReply;
  pMsg->error = ERROR_NO_ERROR;
  pMsg->header.Cmd = CMD_ID_SEND_2_ACCESSORY;
  if (mboxDestination <= 0 || L_MBOX_Send(mboxDestination, pMsg, ACC_MESSAGE_PRIORITY, 0) != 0) {
    log_me("[%d]%s: request to mailbox %d not sent", __LINE__, __func__, mboxDestination);
    return FALSE;
  }
  return TRUE;
}

// Wraps a request buffer in a message and sends it; frees both on failure.
static BOOLEAN ACC_bSendBuffer(U8* pu8Buffer, U32 u32TxCount, U32 u32RxCount, U32 u32Response1, U32 u32Response2,
                               MBOX mboxDestination, MBOX mboxReply) {
  MSG_SEND_2_ACCESSORY* pMsg = (MSG_SEND_2_ACCESSORY*)H_MEMORY_pvCalloc(1, sizeof(MSG_SEND_2_ACCESSORY));
  pMsg->pu8Transmit = pu8Buffer;
  pMsg->u32TxCount = u32TxCount;
  pMsg->pu8Receive = pu8Buffer;
  pMsg->u32RxCount = u32RxCount;
  pMsg->private1 = u32Response1;
  pMsg->private2 = u32Response2;
  if (U_ACCESSORY_bSend2Accessory(pMsg, mboxDestination, mboxReply)) return TRUE;
  ACC_vFreeMessage(pMsg);
  return FALSE;
}

BOOLEAN U_ACCESSORY_bSendTransmitMessage(U8* pu8Buffer, U32 u32Response1, U32 u32Response2, MBOX mboxDestination,
                                         MBOX mboxReply) {
  const U32 u32Count = (U32)pu8Buffer[6] + 7;
  return ACC_bSendBuffer(pu8Buffer, u32Count, u32Count, u32Response1, u32Response2, mboxDestination, mboxReply);
}

BOOLEAN U_ACCESSORY_bSendReceiveMessage(U32 u32Response1, U32 u32Response2, MBOX mboxDestination, MBOX mboxReply,
                                        U16 u16StartRegister, int nReadRegisterCount, U8 u8Destination) {
  if (nReadRegisterCount < 1 || nReadRegisterCount > ACC_MAX_REGISTERS) return FALSE;
  const U32 u32Size = ACC_u32BufferSize(nReadRegisterCount);
  U8* pu8 = (U8*)H_MEMORY_pvCalloc(1, u32Size);
  pu8[0] = u8Destination;
  pu8[1] = ACC_READ_HOLDING_REGISTERS;
  ACC_vPut16(pu8 + 2, u16StartRegister);
  ACC_vPut16(pu8 + 4, (U16)nReadRegisterCount);
  return ACC_bSendBuffer(pu8, 6, u32Size, u32Response1, u32Response2, mboxDestination, mboxReply);
}

BOOLEAN U_ACCESSORY_bTransmitGood(const MSG_SEND_2_ACCESSORY* pMsg) {
  return pMsg->error == ERROR_NO_ERROR && pMsg->u32RxCount >= 2 && (pMsg->pu8Receive[1] & 0x80) == 0;
}

U32 U_ACCESSORY_u32CalculateLRC(const U8* pu8Data, U32 u32Length) {
  U32 u32Sum = 0;
  for (U32 i = 0; i < u32Length; i++) u32Sum += pu8Data[i];
  return 0u - u32Sum;
}

void* U_ACCESSORY_pvStartCodeDownload(U8 u8AccessoryAddress, const U8* pu8Program, U32 u32CodeSize, MBOX mboxHost,
                                      U32 u32FirstWord, U32 u32ResponseCode1, DESTINATION_ENDIAN_MODE eEndian) {
  // Block 0 always carries 60 bytes, and blocks carry whole 16-bit words.
  if (pu8Program == nullptr || u32CodeSize < ACC_FIRST_BLOCK_BYTES || u32CodeSize % 2 != 0) {
    log_me("[%d]%s: image of %u bytes refused", __LINE__, __func__, u32CodeSize);
    return nullptr;
  }
  const MBOX mboxAccComm = U_ACCESSORY_mboxFetchAccessoryTaskMailbox();
  if (mboxAccComm == 0) return nullptr;
  ACCESSORY_CODE_UPDATE* pUpdate = (ACCESSORY_CODE_UPDATE*)H_MEMORY_pvCalloc(1, sizeof(ACCESSORY_CODE_UPDATE));
  pUpdate->mboxAccComm = mboxAccComm;
  pUpdate->mboxHost = mboxHost;
  pUpdate->pu8CodeStart = pu8Program;
  pUpdate->pu8Current = pu8Program;
  pUpdate->u32FirstWord = eEndian == DESTINATION_BIG_ENDIAN ? u32FirstWord : u32FirstWord << 16 | u32FirstWord >> 16;
  pUpdate->u32ImageSize = u32CodeSize;
  pUpdate->u32BytesLeft = u32CodeSize;
  pUpdate->u8AccessoryAddress = u8AccessoryAddress;
  pUpdate->u32ResponseCode1 = u32ResponseCode1;
  pUpdate->eEndian = eEndian;
  pUpdate->eInternalStatus = SENDING_SWITCH_TO_PROGRAM_MODE;
  pUpdate->u32RetryCount = ACC_RETRIES;
  if (!ACC_bSendSwitchToProgramMode(pUpdate)) {
    H_MEMORY_vFree(pUpdate);
    return nullptr;
  }
  return pUpdate;
}

E_STATUS U_ACCESSORY_eProcessProgramming(void* pvHandle, MSG_SEND_2_ACCESSORY* pMsg) {
  ACCESSORY_CODE_UPDATE* pUpdate = (ACCESSORY_CODE_UPDATE*)pvHandle;
  const BOOLEAN bGood = pMsg != nullptr && U_ACCESSORY_bTransmitGood(pMsg);
  ACC_vFreeMessage(pMsg);
  if (pUpdate == nullptr) return DOWNLOAD_FAIL;
  const E_STATUS eStatus = ACC_eAdvance(pUpdate, bGood);
  if (eStatus != DOWNLOAD_RUNNING) H_MEMORY_vFree(pUpdate);
  return eStatus;
}
