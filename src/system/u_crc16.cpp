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

// Table k holds each byte's CRC followed by k zero bytes, so that a step of
// eight bytes is the sum of their tables, the first two taking the CRC so
// far with them; table 0 serves a byte at a time. A transfer block is most of what a send costs the
// processor besides the line.
typedef std::array<std::array<U16, 256>, 8> CRC16_TABLES;

static constexpr CRC16_TABLES CRC16_MakeTables() {
  CRC16_TABLES t{};
  t[0] = CRC16_MakeTable();
  for (U32 k = 1; k < 8; k++) {
    for (U32 i = 0; i < 256; i++) t[k][i] = (U16)(t[k - 1][i] << 8 ^ t[0][t[k - 1][i] >> 8]);
  }
  return t;
}

static constexpr CRC16_TABLES s_aCRCTabs = CRC16_MakeTables();

U16 U_CRC16_u16Finished(const U8* bytes, U32 length) {
  U16 crc = 0;
  const U8* p = bytes;
  for (; length >= 8; length -= 8, p += 8) {
    crc = (U16)(s_aCRCTabs[7][p[0] ^ (crc >> 8)] ^ s_aCRCTabs[6][p[1] ^ (crc & 0xFF)] ^ s_aCRCTabs[5][p[2]] ^
                s_aCRCTabs[4][p[3]] ^ s_aCRCTabs[3][p[4]] ^ s_aCRCTabs[2][p[5]] ^ s_aCRCTabs[1][p[6]] ^
                s_aCRCTabs[0][p[7]]);
  }
  for (; length > 0; length--) crc = (U16)(crc << 8 ^ s_aCRCTabs[0][(crc >> 8) ^ *p++]);
  return crc;
}

U16 U_CRC16_u16CrcByte(U8 byte, U16 crc) { return (U16)((byte | (U32)crc << 8) ^ s_aCRCTabs[0][crc >> 8]); }

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
