// The SHA-1 hash with an incremental interface: reset, input in any pieces,
// final. The digest is the five words of H, each most significant byte first.
#pragma once

#include "basetypes.h"

struct SHA1_CTX {
  U32 H[5];
  U32 u32LengthLow;   // message length in bits, low half
  U32 u32LengthHigh;  // and high half
  U8 au8Block[64];
  int nIndex;          // bytes in au8Block
  BOOLEAN bComputed;   // finished
  BOOLEAN bCorrupted;  // input after the finish, or 2^64 bits or more
};

void U_SHA1_vReset(SHA1_CTX* pContext);
// Input to a finished context marks it corrupted and is ignored.
void U_SHA1_vInput(SHA1_CTX* pContext, const void* pvData, U32 u32Length);
// Pads and finishes (once; a second call changes nothing). TRUE when the
// context is corrupted and H is no digest of the input.
BOOLEAN U_SHA1_bFinal(SHA1_CTX* pContext);
// Compresses au8Block into H and empties it.
void U_SHA1_vProcessBlock(SHA1_CTX* pContext);
