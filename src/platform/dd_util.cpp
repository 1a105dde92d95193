// Portable bodies of the hand-tuned copy routines. The copy keeps the shape of
// the vector version: small sizes by the bits of n, then the destination
// aligned to 16 bytes and the bulk moved in 32-byte blocks that the compiler
// turns into vector moves.

#include "dd_util.h"

#include <string.h>

static inline void UTIL_vMove(U8*& d, const U8*& s, size_t n) {
  __builtin_memcpy(d, s, n);
  d += n;
  s += n;
}

// 0..15 bytes, largest pieces first.
static inline void UTIL_vTail(U8* d, const U8* s, U32 n) {
  if (n & 8) UTIL_vMove(d, s, 8);
  if (n & 4) UTIL_vMove(d, s, 4);
  if (n & 2) UTIL_vMove(d, s, 2);
  if (n & 1) *d = *s;
}

void* DD_UTIL_Memcpy(void* dest, const void* src, U32 n) {
  U8* d = (U8*)dest;
  const U8* s = (const U8*)src;
  if (n < 16) {
    UTIL_vTail(d, s, n);
    return dest;
  }
  if ((uintptr_t)d & 1) {
    UTIL_vMove(d, s, 1);
    n -= 1;
  }
  if ((uintptr_t)d & 2) {
    UTIL_vMove(d, s, 2);
    n -= 2;
  }
  if ((uintptr_t)d & 4) {
    UTIL_vMove(d, s, 4);
    n -= 4;
  }
  if ((uintptr_t)d & 8) {
    UTIL_vMove(d, s, 8);
    n -= 8;
  }
  // Large copies go to the C library's copy, which picks the widest moves
  // and the cache-bypassing stores this processor has.
  if (n >= 4096) {
    memcpy(d, s, n);
    return dest;
  }
  for (; n >= 32; n -= 32) UTIL_vMove(d, s, 32);
  if (n & 16) {
    UTIL_vMove(d, s, 16);
    n -= 16;
  }
  UTIL_vTail(d, s, n);
  return dest;
}

U32 DD_UTIL_EndianSwap(U32 x) { return __builtin_bswap32(x); }

U32 DD_UTIL_XlatCapNumeric(U8 c) {
  c &= 0x7F;
  if (c >= '0' && c <= '9') return (U32)(c - '0');
  if (c >= 'A' && c <= 'Z') return (U32)(c - 'A' + 10);
  return 0;
}

U8 DD_UTIL_FormCapNumeric(U32 v) { return (U8)(v + 0x30 + (v >= 10 ? 7 : 0)); }

void Neon_ChromaBlit16(U16* dest, const U16* src, S32 count, U16 key) {
  for (S32 i = 0; i < count; i++) {
    if (dest[i] == key) dest[i] = src[i];
  }
}
