// The cipher layer of the trolling-motor link: a link key derived from the
// provisioned initial key protects the authentication record; a data key set
// per connection answers the peer's challenge and encrypts the envelope
// records of the generic message system.
//
// The formats are fixed by the peer and give confidentiality only: CBC with
// an all-zero initial vector, no MAC, padding taken from the predictable
// vector. A record altered in transit is not detected unless its length
// field no longer fits; nothing built on this layer may trust a record's
// content as authenticated.
#pragma once

#include "basetypes.h"

// The authentication record the peer sends under the link key.
struct NAVROCRYPT_AUTH {
  U8 au8Random[16];
  U8 au8Key[16];   // the connection's data key
  U8 au8Chal[16];  // the challenge to answer under it
};

// A type of the generic message system, as far as the envelope uses it.
// Counts and sizes are bytes; a negative result is a failure.
struct tag_G_DATA_TYPE;
typedef tag_G_DATA_TYPE G_DATA_TYPE;
typedef int (*G_SERIALIZE)(void* pvStruct, void** ppvSerialized, int* pnRemaining, int* pnSize,
                           const G_DATA_TYPE* pDataType);
typedef int (*G_DESERIALIZE)(void** ppvStruct, void* pvSerialized, int* pnRemaining, int* pnSize,
                             const G_DATA_TYPE* pDataType);
typedef int (*G_LENGTH)(void* pvStruct, const G_DATA_TYPE* pDataType);
typedef int (*G_DEALLOCATE)(void* pvStruct, BOOLEAN bTypeAllocated, const G_DATA_TYPE* pDataType);
struct tag_G_DATA_TYPE {
  const char* pTypeId;
  G_SERIALIZE pfSerialize;
  G_DESERIALIZE pfDeserialize;
  G_LENGTH pfLength;
  G_DEALLOCATE pfDeallocate;
  const G_DATA_TYPE* const* DataTypes;  // components; an envelope's first is its payload type
};

// Derives the link key from the key file's initial key and expands it.
// FALSE without a key file: the authentication record then stays closed.
BOOLEAN U_NAVROCRYPT_bInit(void);
// The link key derivation: 224 in-place XOR steps over the 32 bytes.
void U_NAVROCRYPT_vDeriveLinkKey(const U8 au8Initial[32], U8 au8Derived[32]);
// Sets the connection's AES-128 data key.
void U_NAVROCRYPT_vSetDataKey(const U8 au8DataKey[16]);
// Sets the vector that the envelope records carry (zero until set).
void U_NAVROCRYPT_vSetIVector(const U8 au8IVector[16]);
// CBC with a zero initial vector, in place over (u32DataLen + 15) / 16
// whole blocks: the buffer must hold them.
void U_NAVROCRYPT_vChainEncrypt(void* pvData, U32 u32DataLen, const U32* pu32RoundKey, int nRounds);
void U_NAVROCRYPT_vChainDecrypt(void* pvData, U32 u32DataLen, const U32* pu32RoundKey, int nRounds);
// The 48-byte record in place under the link key; FALSE (record untouched)
// before a successful U_NAVROCRYPT_bInit.
BOOLEAN U_NAVROCRYPT_bEncryptAuth(NAVROCRYPT_AUTH* pAuth);
BOOLEAN U_NAVROCRYPT_bDecryptAuth(NAVROCRYPT_AUTH* pAuth);
// pu8Resp = AES-128 of the 16-byte challenge under the data key; FALSE
// before a data key is set.
BOOLEAN U_NAVROCRYPT_bCalculateResponse(U8* pu8Resp, const U8* pu8Chal);

// The envelope type's functions. The serialiser builds a record of
// 16 x ceil((L + 18) / 16) bytes for a payload of L bytes into the buffer
// *ppvSerialized of *pnRemaining bytes, or, when *ppvSerialized is null, into
// a block of the fixed-block heap that it hands out there (the caller frees
// it). Returns the record's length; -10 when the given buffer is too small,
// -3 when no block can be had, -1 without a data key or for a payload over
// 65,535 bytes, or the payload type's own negative result.
int U_NAVROCRYPT_nGmsgSerializer(void* pvStruct, void** ppvSerialized, int* pnRemaining, int* pnSize,
                                 const G_DATA_TYPE* pDataType);
// Opens a record of *pnRemaining bytes in place and hands its payload to the
// payload type; -1 for a length under 32 or not a multiple of 16 (nothing is
// decrypted then), or a payload count that does not fit.
int U_NAVROCRYPT_nGmsgDeserializer(void** ppvStruct, void* pvSerialized, int* pnRemaining, int* pnSize,
                                   const G_DATA_TYPE* pDataType);
// Forwards to the payload type.
int U_NAVROCRYPT_nGmsgDeallocator(void* pvStruct, BOOLEAN bTypeAllocated, const G_DATA_TYPE* pDataType);
// The envelope has no length of its own: -1.
int U_NAVROCRYPT_nGmsgLength(void* pvStruct, const G_DATA_TYPE* pDataType);
