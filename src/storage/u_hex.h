// Bytes as hexadecimal text and back, for the text items of the PC link.
#pragma once

#include "basetypes.h"

// Each of the u32Count input bytes becomes two upper-case hexadecimal
// characters, high nibble first; no terminator is written.
void U_HEX_v2ASCII(const U8* pu8Input, U8* pu8Output, U32 u32Count);
// Each pair of hexadecimal characters (either case, high nibble first)
// becomes one byte, u32Count bytes in all. FALSE at the first character that
// is not a hexadecimal digit: a link item with such text is refused, and the
// bytes before it are all that was written.
BOOLEAN U_HEX_b2Hex(const U8* pu8Input, U8* pu8Output, U32 u32Count);
