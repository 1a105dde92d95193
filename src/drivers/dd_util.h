// Copy, byte-swap, base-36 digit and colour-keyed blit routines.
#pragma once

#include "basetypes.h"

// Copies n bytes between areas that do not overlap, at any alignment; returns dest.
void* DD_UTIL_Memcpy(void* dest, const void* src, U32 n);
// x with its four bytes in reverse order.
U32 DD_UTIL_EndianSwap(U32 x);
// Value of a base-36 digit ("0".."9", "A".."Z"); bit 7 is ignored; any other
// character gives 0.
U32 DD_UTIL_XlatCapNumeric(U8 c);
// The digit character of 0..35 (values above 35 give the characters after "Z").
U8 DD_UTIL_FormCapNumeric(U32 v);
// Where a destination pixel equals key, it takes the source pixel; exactly
// count pixels are visited.
void Neon_ChromaBlit16(U16* dest, const U16* src, S32 count, U16 key);
