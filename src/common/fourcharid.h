// Database keys: four ASCII characters in 32 bits, the first character in the
// low byte, so that the key's bytes in memory read as its text ("CREV" is
// 0x56455243). The first letter is the key's class (S settings, I live
// values, C control, T task mailboxes, B and Q data boxes, ...).
#pragma once

#include "basetypes.h"

typedef U32 FOURCHARID;

// The key of a four-character literal, usable in constant expressions and
// case labels: FCID("SMDL"). A literal of any other length does not compile.
constexpr FOURCHARID FCID(const char (&text)[5]) {
  return (U32)(U8)text[0] | (U32)(U8)text[1] << 8 | (U32)(U8)text[2] << 16 | (U32)(U8)text[3] << 24;
}

// The class letter of a key.
constexpr char FCID_cClass(FOURCHARID id) { return (char)(id & 0xFF); }
