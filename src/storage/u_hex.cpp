#include "u_hex.h"

static const char s_acDigits[] = "0123456789ABCDEF";

void U_HEX_v2ASCII(const U8* pu8Input, U8* pu8Output, U32 u32Count) {
  for (U32 i = 0; i < u32Count; i++) {
    pu8Output[2 * i] = (U8)s_acDigits[pu8Input[i] >> 4];
    pu8Output[2 * i + 1] = (U8)s_acDigits[pu8Input[i] & 0x0F];
  }
}

// The value of one hexadecimal digit, -1 for anything else.
static int U_HEX_nNibble(U8 c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

BOOLEAN U_HEX_b2Hex(const U8* pu8Input, U8* pu8Output, U32 u32Count) {
  for (U32 i = 0; i < u32Count; i++) {
    const int high = U_HEX_nNibble(pu8Input[2 * i]);
    if (high < 0) return FALSE;
    const int low = U_HEX_nNibble(pu8Input[2 * i + 1]);
    if (low < 0) return FALSE;
    pu8Output[i] = (U8)(high << 4 | low);
  }
  return TRUE;
}
