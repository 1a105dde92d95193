// CRC-16 of the CCITT polynomial 0x1021, most significant bit first, as the
// transfer protocol and the navigation-record files use it.
#pragma once

#include "basetypes.h"

// Feeds length bytes into *crc (cleared first when reset). No final
// augmentation: feed two zero bytes after the data for the XMODEM value.
void U_CRC16_vCrc16(U16* crc, const U8* bytes, U32 length, BOOLEAN reset);
// One byte into the register; the new register.
U16 U_CRC16_u16CrcByte(U8 byte, U16 crc);
// The finished CRC of length bytes from a cleared register: the value the
// two zero bytes above give, as the transfer protocol sends it.
U16 U_CRC16_u16Finished(const U8* bytes, U32 length);
// A 16-bit value, high byte first.
void U_CRC16_vCrcU16HighLow(U16* crc, U16 value, BOOLEAN reset);
