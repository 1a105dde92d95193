// Word-wise CRC-32 of the polynomial 0x04C11DB7, most significant bit first,
// without reflection or final inversion.
#pragma once

#include "basetypes.h"

U32 U_CRCST_u32Calc(U32 crc, const U32* words, U32 count);
