#include "u_crcst.h"

#include <array>

static constexpr std::array<U32, 256> CRCST_MakeTable() {
  std::array<U32, 256> table{};
  for (U32 i = 0; i < 256; i++) {
    U32 crc = i << 24;
    for (int bit = 0; bit < 8; bit++) crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
    table[i] = crc;
  }
  return table;
}

static constexpr std::array<U32, 256> s_au32CrcTable = CRCST_MakeTable();

U32 U_CRCST_u32Calc(U32 crc, const U32* words, U32 count) {
  for (U32 i = 0; i < count; i++) {
    for (int shift = 24; shift >= 0; shift -= 8) {
      U32 byte = (words[i] >> shift) & 0xFF;
      crc = s_au32CrcTable[(crc ^ (byte << 24)) >> 24] ^ (crc << 8);
    }
  }
  return crc;
}
