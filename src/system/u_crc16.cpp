#include "u_crc16.h"

#include <array>

static constexpr std::array<U16, 256> CRC16_MakeTable() {
  std::array<U16, 256> table{};
  for (U32 i = 0; i < 256; i++) {
    U32 crc = i << 8;
    for (int bit = 0; bit < 8; bit++) crc = (crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1;
    table[i] = (U16)crc;
  }
  return table;
}

static constexpr std::array<U16, 256> s_CRCTab = CRC16_MakeTable();

U16 U_CRC16_u16CrcByte(U8 byte, U16 crc) { return (U16)((byte | (U32)crc << 8) ^ s_CRCTab[crc >> 8]); }

void U_CRC16_vCrc16(U16* crc, const U8* bytes, U32 length, BOOLEAN reset) {
  if (reset) *crc = 0;
  U16 c = *crc;
  for (U32 i = 0; i < length; i++) c = U_CRC16_u16CrcByte(bytes[i], c);
  *crc = c;
}

void U_CRC16_vCrcU16HighLow(U16* crc, U16 value, BOOLEAN reset) {
  if (reset) *crc = 0;
  *crc = U_CRC16_u16CrcByte((U8)(value >> 8), *crc);
  *crc = U_CRC16_u16CrcByte((U8)value, *crc);
}
