// The trolling-motor link's keys, chaining and envelope. Keys and vector are
// module state for the one task that drives the link.

#include "u_navrocrypt.h"

#include <string.h>

#include "h_memory.h"
#include "u_acckeys.h"
#include "u_aes.h"

static U32 s_au32AuthEncryptRkey[U_AES_MAX_RK_WORDS];
static U32 s_au32AuthDecryptRkey[U_AES_MAX_RK_WORDS];
static int s_nAuthRounds;  // 0 until the link key is derived
static U32 s_au32DataEncryptRkey[44];
static U32 s_au32DataDecryptRkey[44];
static int s_nDataRounds;  // 0 until a data key is set
static U8 s_au8IVector[16];

constexpr int NAVROCRYPT_HEADER = 18;  // vector and count before the payload

void U_NAVROCRYPT_vDeriveLinkKey(const U8 au8Initial[32], U8 au8Derived[32]) {
  memcpy(au8Derived, au8Initial, 32);
  for (int i = 9; i <= 232; i++) au8Derived[i % 32] ^= au8Derived[(3 * i + 17) % 32];
}

BOOLEAN U_NAVROCRYPT_bInit(void) {
  U8 au8Key[32];
  if (!U_ACCKEYS_bLinkKey(au8Key)) {
    s_nAuthRounds = 0;
    return FALSE;
  }
  U_NAVROCRYPT_vDeriveLinkKey(au8Key, au8Key);
  s_nAuthRounds = U_AES_nSetupEncrypt(s_au32AuthEncryptRkey, au8Key, 256);
  U_AES_nSetupDecrypt(s_au32AuthDecryptRkey, au8Key, 256);
  memset(au8Key, 0, sizeof au8Key);
  return TRUE;
}

void U_NAVROCRYPT_vSetDataKey(const U8 au8DataKey[16]) {
  s_nDataRounds = U_AES_nSetupEncrypt(s_au32DataEncryptRkey, au8DataKey, 128);
  U_AES_nSetupDecrypt(s_au32DataDecryptRkey, au8DataKey, 128);
}

void U_NAVROCRYPT_vSetIVector(const U8 au8IVector[16]) { memcpy(s_au8IVector, au8IVector, 16); }

void U_NAVROCRYPT_vChainEncrypt(void* pvData, U32 u32DataLen, const U32* pu32RoundKey, int nRounds) {
  U8* pu8 = (U8*)pvData;
  const U32 u32Blocks = (u32DataLen + 15) / 16;
  for (U32 b = 0; b < u32Blocks; b++) {
    U8* pu8Block = pu8 + 16 * b;
    if (b > 0) {
      for (int i = 0; i < 16; i++) pu8Block[i] ^= pu8Block[i - 16];
    }
    U_AES_vEncrypt(pu32RoundKey, nRounds, pu8Block, pu8Block);
  }
}

void U_NAVROCRYPT_vChainDecrypt(void* pvData, U32 u32DataLen, const U32* pu32RoundKey, int nRounds) {
  U8* pu8 = (U8*)pvData;
  const U32 u32Blocks = (u32DataLen + 15) / 16;
  for (U32 b = u32Blocks; b-- > 0;) {
    U8* pu8Block = pu8 + 16 * b;
    U_AES_vDecrypt(pu32RoundKey, nRounds, pu8Block, pu8Block);
    if (b > 0) {
      for (int i = 0; i < 16; i++) pu8Block[i] ^= pu8Block[i - 16];
    }
  }
}

BOOLEAN U_NAVROCRYPT_bEncryptAuth(NAVROCRYPT_AUTH* pAuth) {
  if (s_nAuthRounds == 0) return FALSE;
  U_NAVROCRYPT_vChainEncrypt(pAuth, sizeof *pAuth, s_au32AuthEncryptRkey, s_nAuthRounds);
  return TRUE;
}

BOOLEAN U_NAVROCRYPT_bDecryptAuth(NAVROCRYPT_AUTH* pAuth) {
  if (s_nAuthRounds == 0) return FALSE;
  U_NAVROCRYPT_vChainDecrypt(pAuth, sizeof *pAuth, s_au32AuthDecryptRkey, s_nAuthRounds);
  return TRUE;
}

BOOLEAN U_NAVROCRYPT_bCalculateResponse(U8* pu8Resp, const U8* pu8Chal) {
  if (s_nDataRounds == 0) return FALSE;
  U_AES_vEncrypt(s_au32DataEncryptRkey, s_nDataRounds, pu8Chal, pu8Resp);
  return TRUE;
}

int U_NAVROCRYPT_nGmsgSerializer(void* pvStruct, void** ppvSerialized, int* pnRemaining, int* pnSize,
                                 const G_DATA_TYPE* pDataType) {
  const G_DATA_TYPE* pPayload = pDataType->DataTypes[0];
  const int nLength = pPayload->pfLength(pvStruct, pPayload);
  if (nLength < 0) return nLength;
  if (s_nDataRounds == 0 || nLength > 0xFFFF) return -1;
  const int nRecord = (nLength + 33) & ~15;
  const bool bAllocated = *ppvSerialized == nullptr;
  if (bAllocated) {
    void* pvBlock = H_MEMORY_pvMallocNoWait((U32)nRecord);
    if (pvBlock == nullptr) return -3;
    *ppvSerialized = pvBlock;
    *pnRemaining = nRecord;
    *pnSize = 0;
  } else if (nRecord > *pnRemaining) {
    return -10;
  }
  U8* pu8Record = (U8*)*ppvSerialized;
  // The padding is whatever the payload leaves of the old vector in the last block.
  memcpy(pu8Record + nRecord - 16, s_au8IVector, 16);
  void* pvPosition = pu8Record + NAVROCRYPT_HEADER;
  int nRemaining = nLength, nSize = 0;
  const int nCount = pPayload->pfSerialize(pvStruct, &pvPosition, &nRemaining, &nSize, pPayload);
  if (nCount < 0 || nCount > nLength) {
    if (bAllocated) {
      H_MEMORY_vFree(pu8Record);
      *ppvSerialized = nullptr;
    }
    return nCount < 0 ? nCount : -1;
  }
  // The vector's first word counts up by 11 per record, little-endian as
  // both the peer and the board store it.
  U32 u32Word = (U32)s_au8IVector[0] | (U32)s_au8IVector[1] << 8 | (U32)s_au8IVector[2] << 16 |
                (U32)s_au8IVector[3] << 24;
  u32Word += 11;
  for (int i = 0; i < 4; i++) s_au8IVector[i] = (U8)(u32Word >> (8 * i));
  memcpy(pu8Record, s_au8IVector, 16);
  pu8Record[16] = (U8)nCount;
  pu8Record[17] = (U8)(nCount >> 8);
  U_NAVROCRYPT_vChainEncrypt(pu8Record, (U32)nRecord, s_au32DataEncryptRkey, s_nDataRounds);
  *pnSize = nRecord;
  return nRecord;
}

int U_NAVROCRYPT_nGmsgDeserializer(void** ppvStruct, void* pvSerialized, int* pnRemaining, int* pnSize,
                                   const G_DATA_TYPE* pDataType) {
  const int nRecord = *pnRemaining;
  if (nRecord < 32 || nRecord % 16 != 0 || s_nDataRounds == 0) return -1;
  U8* pu8Record = (U8*)pvSerialized;
  U_NAVROCRYPT_vChainDecrypt(pu8Record, (U32)nRecord, s_au32DataDecryptRkey, s_nDataRounds);
  const int nCount = pu8Record[16] | pu8Record[17] << 8;
  if (nCount > nRecord - NAVROCRYPT_HEADER) return -1;
  *pnRemaining = nCount;
  const G_DATA_TYPE* pPayload = pDataType->DataTypes[0];
  return pPayload->pfDeserialize(ppvStruct, pu8Record + NAVROCRYPT_HEADER, pnRemaining, pnSize, pPayload);
}

int U_NAVROCRYPT_nGmsgDeallocator(void* pvStruct, BOOLEAN bTypeAllocated, const G_DATA_TYPE* pDataType) {
  const G_DATA_TYPE* pPayload = pDataType->DataTypes[0];
  return pPayload->pfDeallocate(pvStruct, bTypeAllocated, pPayload);
}

int U_NAVROCRYPT_nGmsgLength(void*, const G_DATA_TYPE*) { return -1; }
