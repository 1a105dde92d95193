// SHA-1: the 80-step compression of a 64-byte block, fed byte-wise or, for
// whole blocks, straight from the caller's data.

#include "u_sha1.h"

#include <string.h>

static inline U32 SHA1_u32Rotate(U32 x, int n) { return x << n | x >> (32 - n); }

// One step of a round: f is the round's function of b, c and d, k its
// constant; the schedule lives in a ring of 16 words, extended as it goes.
#define SHA1_STEP(f, k, a, b, c, d, e, t)                                                              \
  do {                                                                                                 \
    if ((t) >= 16) {                                                                                   \
      W[(t)&15] = SHA1_u32Rotate(W[((t) + 13) & 15] ^ W[((t) + 8) & 15] ^ W[((t) + 2) & 15] ^ W[(t)&15], 1); \
    }                                                                                                  \
    e += SHA1_u32Rotate(a, 5) + (f) + (k) + W[(t)&15];                                                 \
    b = SHA1_u32Rotate(b, 30);                                                                         \
  } while (0)
#define SHA1_F1(b, c, d) (d ^ (b & (c ^ d)))
#define SHA1_F2(b, c, d) (b ^ c ^ d)
#define SHA1_F3(b, c, d) ((b & c) | (d & (b | c)))
// Five steps rotate the roles of the five working words back to the start.
#define SHA1_FIVE(F, k, t)                        \
  do {                                              \
    SHA1_STEP(F(b, c, d), k, a, b, c, d, e, t);     \
    SHA1_STEP(F(a, b, c), k, e, a, b, c, d, t + 1); \
    SHA1_STEP(F(e, a, b), k, d, e, a, b, c, t + 2); \
    SHA1_STEP(F(d, e, a), k, c, d, e, a, b, t + 3); \
    SHA1_STEP(F(c, d, e), k, b, c, d, e, a, t + 4); \
  } while (0)

// Compresses one 64-byte block into H.
static void SHA1_vCompress(U32* H, const U8* pu8Block) {
  U32 W[16];
  for (int t = 0; t < 16; t++) {
    W[t] = (U32)pu8Block[4 * t] << 24 | (U32)pu8Block[4 * t + 1] << 16 | (U32)pu8Block[4 * t + 2] << 8 |
           pu8Block[4 * t + 3];
  }
  U32 a = H[0], b = H[1], c = H[2], d = H[3], e = H[4];
  for (int t = 0; t < 20; t += 5) SHA1_FIVE(SHA1_F1, 0x5A827999, t);
  for (int t = 20; t < 40; t += 5) SHA1_FIVE(SHA1_F2, 0x6ED9EBA1, t);
  for (int t = 40; t < 60; t += 5) SHA1_FIVE(SHA1_F3, 0x8F1BBCDC, t);
  for (int t = 60; t < 80; t += 5) SHA1_FIVE(SHA1_F2, 0xCA62C1D6, t);
  H[0] += a;
  H[1] += b;
  H[2] += c;
  H[3] += d;
  H[4] += e;
}

void U_SHA1_vReset(SHA1_CTX* pContext) {
  static const U32 s_au32Initial[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
  memcpy(pContext->H, s_au32Initial, sizeof s_au32Initial);
  pContext->u32LengthLow = 0;
  pContext->u32LengthHigh = 0;
  pContext->nIndex = 0;
  pContext->bComputed = FALSE;
  pContext->bCorrupted = FALSE;
}

void U_SHA1_vProcessBlock(SHA1_CTX* pContext) {
  SHA1_vCompress(pContext->H, pContext->au8Block);
  pContext->nIndex = 0;
}

// Adds u32Bytes x 8 to the bit count; FALSE when it passes 2^64 - 1.
static BOOLEAN SHA1_bCount(SHA1_CTX* pContext, U32 u32Bytes) {
  const U64 u64Bits = ((U64)pContext->u32LengthHigh << 32 | pContext->u32LengthLow);
  const U64 u64Added = (U64)u32Bytes * 8;
  if (u64Bits + u64Added < u64Bits) {
    pContext->bCorrupted = TRUE;
    return FALSE;
  }
  pContext->u32LengthLow = (U32)(u64Bits + u64Added);
  pContext->u32LengthHigh = (U32)((u64Bits + u64Added) >> 32);
  return TRUE;
}

void U_SHA1_vInput(SHA1_CTX* pContext, const void* pvData, U32 u32Length) {
  if (pContext->bComputed) pContext->bCorrupted = TRUE;
  if (pContext->bCorrupted || u32Length == 0) return;
  if (!SHA1_bCount(pContext, u32Length)) return;
  const U8* pu8 = (const U8*)pvData;
  while (u32Length > 0) {
    if (pContext->nIndex == 0 && u32Length >= 64) {
      SHA1_vCompress(pContext->H, pu8);
      pu8 += 64;
      u32Length -= 64;
      continue;
    }
    U32 u32Take = 64 - (U32)pContext->nIndex;
    if (u32Take > u32Length) u32Take = u32Length;
    memcpy(pContext->au8Block + pContext->nIndex, pu8, u32Take);
    pContext->nIndex += (int)u32Take;
    pu8 += u32Take;
    u32Length -= u32Take;
    if (pContext->nIndex == 64) U_SHA1_vProcessBlock(pContext);
  }
}

BOOLEAN U_SHA1_bFinal(SHA1_CTX* pContext) {
  if (pContext->bCorrupted || pContext->bComputed) return pContext->bCorrupted;
  const bool bSecondBlock = pContext->nIndex > 55;
  pContext->au8Block[pContext->nIndex++] = 0x80;
  if (bSecondBlock) {
    memset(pContext->au8Block + pContext->nIndex, 0, 64 - (size_t)pContext->nIndex);
    U_SHA1_vProcessBlock(pContext);
  }
  memset(pContext->au8Block + pContext->nIndex, 0, 56 - (size_t)pContext->nIndex);
  for (int i = 0; i < 4; i++) {
    pContext->au8Block[56 + i] = (U8)(pContext->u32LengthHigh >> (24 - 8 * i));
    pContext->au8Block[60 + i] = (U8)(pContext->u32LengthLow >> (24 - 8 * i));
  }
  U_SHA1_vProcessBlock(pContext);
  pContext->bComputed = TRUE;
  return FALSE;
}
