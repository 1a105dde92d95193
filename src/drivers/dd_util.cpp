// The hand-tuned copy routines. On the board (ARMv7 with NEON) the copy and
// the blit are NEON code; elsewhere a portable body runs. Both copies move
// small sizes by the bits of n and hand long ones to the C library; between
// the two the board aligns the destination to 16 bytes and moves 32-byte
// blocks.

#include "dd_util.h"

#include <string.h>

#if defined(__ARM_NEON)
#include <arm_neon.h>
#elif defined(__arm__)
#error "the board's processor has NEON: build with -mfpu=neon (cmake/toolchain-armhf.cmake)"
#endif

static inline void UTIL_vMove(U8*& d, const U8*& s, size_t n) {
  __builtin_memcpy(d, s, n);
  d += n;
  s += n;
}

#if defined(__ARM_NEON)

static inline void UTIL_vMove8(U8*& d, const U8*& s) {
  vst1_u8(d, vld1_u8(s));
  d += 8;
  s += 8;
}

// d is on a 16-byte boundary (s may be anywhere): telling the compiler so makes
// the stores the aligned 128-bit kind.
static inline void UTIL_vMove16Aligned(U8*& d, const U8*& s) {
  vst1q_u8((U8*)__builtin_assume_aligned(d, 16), vld1q_u8(s));
  d += 16;
  s += 16;
}

static inline void UTIL_vMove32Aligned(U8*& d, const U8*& s) {
  uint8x16_t a = vld1q_u8(s);
  uint8x16_t b = vld1q_u8(s + 16);
  U8* p = (U8*)__builtin_assume_aligned(d, 16);
  vst1q_u8(p, a);
  vst1q_u8(p + 16, b);
  d += 32;
  s += 32;
}

#else

static inline void UTIL_vMove8(U8*& d, const U8*& s) { UTIL_vMove(d, s, 8); }
static inline void UTIL_vMove16Aligned(U8*& d, const U8*& s) { UTIL_vMove(d, s, 16); }
static inline void UTIL_vMove32Aligned(U8*& d, const U8*& s) { UTIL_vMove(d, s, 32); }

#endif

// 0..15 bytes, largest pieces first.
static inline void UTIL_vTail(U8* d, const U8* s, U32 n) {
  if (n & 8) UTIL_vMove8(d, s);
  if (n & 4) UTIL_vMove(d, s, 4);
  if (n & 2) UTIL_vMove(d, s, 2);
  if (n & 1) *d = *s;
}

// Brings d to a 16-byte boundary; n is at least 16, so at most 15 go here.
static inline void UTIL_vAlignDestination(U8*& d, const U8*& s, U32& n) {
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
    UTIL_vMove8(d, s);
    n -= 8;
  }
}

// From this many bytes on the C library's copy runs. Its copy is chosen at
// load time for the processor it finds: on a host the widest vector moves,
// which beat our 16-byte moves at every size from 16 bytes to 4 KB, at any
// alignment; on the board a NEON copy with preload like ours. A frame row
// (1,600 bytes) or a sonar column (960) thus moves at the library's speed on
// both. The board's 512 leaves short copies their inline path without a
// call; dd_util_copy_timing prints both copies either side of it.
#if defined(__ARM_NEON)
constexpr U32 UTIL_LIBRARY_FROM = 512;
#else
constexpr U32 UTIL_LIBRARY_FROM = 16;
#endif

void* DD_UTIL_Memcpy(void* dest, const void* src, U32 n) {
  U8* d = (U8*)dest;
  const U8* s = (const U8*)src;
  if (n < 16) {
    UTIL_vTail(d, s, n);
    return dest;
  }
  if (n >= UTIL_LIBRARY_FROM) return memcpy(dest, src, n);
  UTIL_vAlignDestination(d, s, n);
#if defined(__ARM_NEON)
  // The preload runs further ahead as the copy proves long, but only while a
  // whole block remains at that distance: it never pulls in lines past the
  // source's end, which may belong to a device or to another task's buffer.
  U32 ahead = 32;
  while (n >= ahead + 32) {
    __builtin_prefetch(s + ahead);
    UTIL_vMove32Aligned(d, s);
    n -= 32;
    if (ahead < 320) ahead += 32;
  }
#endif
  for (; n >= 32; n -= 32) UTIL_vMove32Aligned(d, s);
  if (n & 16) UTIL_vMove16Aligned(d, s);
  UTIL_vTail(d, s, n & 15);
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
  S32 i = 0;
#if defined(__ARM_NEON)
  const uint16x8_t k = vdupq_n_u16(key);
  for (; count - i >= 16; i += 16) {
    uint16x8_t d0 = vld1q_u16(dest + i);
    uint16x8_t d1 = vld1q_u16(dest + i + 8);
    uint16x8_t s0 = vld1q_u16(src + i);
    uint16x8_t s1 = vld1q_u16(src + i + 8);
    vst1q_u16(dest + i, vbslq_u16(vceqq_u16(d0, k), s0, d0));
    vst1q_u16(dest + i + 8, vbslq_u16(vceqq_u16(d1, k), s1, d1));
  }
#endif
  for (; i < count; i++) {
    if (dest[i] == key) dest[i] = src[i];
  }
}
