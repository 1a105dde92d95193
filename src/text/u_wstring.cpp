#include "u_wstring.h"

#include <string.h>

#include "u_language.h"

static constexpr U16 UNIT_IDEOGRAPHIC_SPACE = 0x3000;
static constexpr U16 FULL_WIDTH_FIRST = 0xFF01;
static constexpr U16 FULL_WIDTH_LAST = 0xFF5E;
static constexpr U16 FULL_WIDTH_OFFSET = 0xFEE0;
static constexpr U16 PRIVATE_MARK_FIRST = 0xFDD0;
static constexpr U16 PRIVATE_MARK_LAST = 0xFDFF;

static inline U16 UnitAt(const char* p, U32 u32Offset) {
  return (U16)((U8)p[u32Offset] << 8 | (U8)p[u32Offset + 1]);
}

static inline void PutUnit(char* p, U32 u32Offset, U16 u16Unit) {
  p[u32Offset] = (char)(u16Unit >> 8);
  p[u32Offset + 1] = (char)(u16Unit & 0xFF);
}

static inline BOOLEAN bWideLanguage(void) { return nCurrentLanguage() >= LANGUAGE_FIRST_WIDE ? TRUE : FALSE; }

static inline BOOLEAN bWide(BOOLEAN bForceUnicode) { return bForceUnicode || bWideLanguage(); }

// Bytes before the zero unit, looking at no more than u32Limit bytes
// (0: no limit); a text unterminated within the limit counts as the limit
// cut to whole units.
static U32 WideLength(const char* p, U32 u32Limit) {
  U32 n = 0;
  while ((u32Limit == 0 || n + 2 <= u32Limit) && (p[n] != 0 || p[n + 1] != 0)) n += 2;
  return n;
}


static constexpr U32 READ_TO_TERMINATOR = 0xFFFFFFFFu;

// u32Readable is how many bytes the caller's limit lets an 8-bit reading of
// the text take. Under two, the text is 8-bit: copying it as wide would read
// a second byte that may lie past its buffer. A first byte that is not zero
// is an 8-bit character, so the byte after it (the next one or the
// terminator) is there to read.
static BOOLEAN bLooksWide(const char* p, U32 u32Readable) {
  if (u32Readable < 2) return FALSE;
  if (p[0] == 0) return TRUE;
  const U16 u = UnitAt(p, 0);
  return u >= 0xFF00 || (u >= 0x30A0 && u <= 0x30FF) || (u >= PRIVATE_MARK_FIRST && u <= PRIVATE_MARK_LAST);
}

// What an 8-bit reading of a source may take when at most u32MaxLen / 2
// characters of it are wanted (0: all of it).
static U32 u32CharactersReadable(U32 u32MaxLen) { return u32MaxLen == 0 ? READ_TO_TERMINATOR : u32MaxLen / 2; }

void U_WSTRING_vUpdateCurrentLanguage(void) { U_LANGUAGE_vFollowSetting(); }

BOOLEAN U_WSTRING_bIsUnicodeLanguage(void) { return bWideLanguage(); }

U32 U_WSTRING_u32w_strlen(const char* pUniStr, BOOLEAN bForceUnicode) {
  if (pUniStr == nullptr) return 0;
  return bWide(bForceUnicode) ? WideLength(pUniStr, 0) : (U32)strlen(pUniStr);
}

void U_WSTRING_vw_strncpy(char* pDest, const char* pSource, U32 u32MaxLen, BOOLEAN bForceUnicode) {
  if (pDest == nullptr || pSource == nullptr) return;
  if (!bWide(bForceUnicode)) {
    if (u32MaxLen == 0) {
      strcpy(pDest, pSource);
    } else {
      strncpy(pDest, pSource, u32MaxLen);
    }
    return;
  }
  const U32 u32Length = WideLength(pSource, u32MaxLen);
  memmove(pDest, pSource, u32Length);
  if (u32MaxLen == 0 || u32Length + 2 <= u32MaxLen) PutUnit(pDest, u32Length, 0);
}

void U_WSTRING_vw_strncat(char* pDest, const char* pSource, U32 u32MaxLen, BOOLEAN bForceUnicode) {
  if (pDest == nullptr || pSource == nullptr) return;
  if (!bWide(bForceUnicode)) {
    if (u32MaxLen == 0) {
      strcat(pDest, pSource);
    } else {
      strncat(pDest, pSource, u32MaxLen);
    }
    return;
  }
  char* pEnd = pDest + WideLength(pDest, 0);
  const U32 u32Length = WideLength(pSource, u32MaxLen);
  // Always terminated, as strncat does: a source that fills the limit
  // exactly cannot be told from a longer one without reading past the limit,
  // and the destination has room for the terminator either way.
  memmove(pEnd, pSource, u32Length);
  PutUnit(pEnd, u32Length, 0);
}

S32 U_WSTRING_s32w_strncmp(const char* pSource1, const char* pSource2, U32 u32MaxLen) {
  return U_WSTRING_s32w_strncmpAs(pSource1, pSource2, u32MaxLen, bWideLanguage());
}

S32 U_WSTRING_s32w_strncmpAs(const char* pSource1, const char* pSource2, U32 u32MaxLen, BOOLEAN bWideTexts) {
  if (!bWideTexts) {
    return u32MaxLen == 0 ? strcmp(pSource1, pSource2) : strncmp(pSource1, pSource2, u32MaxLen);
  }
  // Stepping stops at the first difference, which at the latest is the
  // shorter text's terminator: nothing past either text is read.
  for (U32 i = 0; u32MaxLen == 0 || i + 2 <= u32MaxLen; i += 2) {
    const U16 u1 = UnitAt(pSource1, i);
    const U16 u2 = UnitAt(pSource2, i);
    if (u1 != u2) return (S32)u1 - (S32)u2;
    if (u1 == 0) break;
  }
  return 0;
}

char* U_WSTRING_pw_strchr(const char* pSource, S32 sChar) {
  if (pSource == nullptr) return nullptr;
  if (!bWideLanguage()) return (char*)strchr(pSource, sChar);
  const U16 u16Char = (U16)(sChar & 0xFFFF);
  for (U32 i = 0;; i += 2) {
    const U16 u = UnitAt(pSource, i);
    if (u == u16Char) return (char*)pSource + i;
    if (u == 0) return nullptr;
  }
}

char* U_WSTRING_pw_strstr(const char* pS1, const char* pS2) {
  if (pS1 == nullptr || pS2 == nullptr) return nullptr;
  if (!bWideLanguage()) return (char*)strstr(pS1, pS2);
  const U32 u32Needle = WideLength(pS2, 0);
  if (u32Needle == 0) return (char*)pS1;
  const U32 u32Haystack = WideLength(pS1, 0);
  for (U32 i = 0; i + u32Needle <= u32Haystack; i += 2) {
    if (memcmp(pS1 + i, pS2, u32Needle) == 0) return (char*)pS1 + i;
  }
  return nullptr;
}

BOOLEAN U_WSTRING_bIsStringNull(const char* pString) {
  if (pString == nullptr || pString[0] != 0) return pString == nullptr;
  return bWideLanguage() ? pString[1] == 0 : TRUE;
}

BOOLEAN U_WSTRING_bIsCharEqual(U16 u16Unicode, U16 u16Char) {
  return u16Unicode == u16Char || u16Unicode == (U16)(u16Char + FULL_WIDTH_OFFSET);
}

// Each byte of pASCII becomes a unit after pOut, at most u32MaxLen / 2 of
// them (all when 0), then the zero unit (what lies past the limit is never
// read).
static void Widen(char* pOut, const char* pASCII, U32 u32MaxLen) {
  const U32 u32Count = u32MaxLen == 0 ? (U32)strlen(pASCII) : (U32)strnlen(pASCII, u32MaxLen / 2);
  // From the end, so that a source lying in the first half of the
  // destination is read before it is overwritten.
  for (U32 i = u32Count; i-- > 0;) PutUnit(pOut, 2 * i, (U8)pASCII[i]);
  PutUnit(pOut, 2 * u32Count, 0);
}

void U_WSTRING_vAscii2Unicode(char* pUnicode, const char* pASCII, U32 u32MaxLen, BOOLEAN bForceUnicode) {
  if (pUnicode == nullptr || pASCII == nullptr) return;
  if (!bWide(bForceUnicode) || bLooksWide(pASCII, u32CharactersReadable(u32MaxLen))) {
    U_WSTRING_vw_strncpy(pUnicode, pASCII, u32MaxLen, bForceUnicode);
    return;
  }
  Widen(pUnicode, pASCII, u32MaxLen);
}

void U_WSTRING_vAscii2UnicodeCat(char* pUnicode, const char* pASCII, U32 u32MaxLen) {
  if (pUnicode == nullptr || pASCII == nullptr) return;
  if (!bWideLanguage()) {
    U_WSTRING_vw_strncat(pUnicode, pASCII, u32MaxLen, FALSE);
    return;
  }
  if (bLooksWide(pASCII, u32CharactersReadable(u32MaxLen))) {
    // Appended whole, but never read past the limit.
    U_WSTRING_vw_strncat(pUnicode, pASCII, u32MaxLen, TRUE);
    return;
  }
  Widen(pUnicode + WideLength(pUnicode, 0), pASCII, u32MaxLen);
}

void U_WSTRING_vUnicode2Ascii(char* pASCII, const char* pUnicode, U32 u32MaxLen, BOOLEAN bForceUnicode) {
  if (pASCII == nullptr || pUnicode == nullptr) return;
  if (!bWide(bForceUnicode)) {
    if (u32MaxLen == 0) {
      strcpy(pASCII, pUnicode);
    } else {
      strncpy(pASCII, pUnicode, u32MaxLen);
    }
    return;
  }
  if (u32MaxLen == 1) {
    pASCII[0] = 0;
    return;
  }
  if (!bLooksWide(pUnicode, u32MaxLen == 0 ? READ_TO_TERMINATOR : u32MaxLen - 1)) {
    const U32 u32Length = u32MaxLen == 0 ? (U32)strlen(pUnicode) : (U32)strnlen(pUnicode, u32MaxLen - 1);
    memmove(pASCII, pUnicode, u32Length);
    pASCII[u32Length] = 0;
    return;
  }
  // Every unit gives at most one byte, so (u32MaxLen - 1) / 2 units and the
  // terminator fit.
  U32 u32Out = 0;
  for (U32 i = 0; u32MaxLen == 0 || i + 2 <= u32MaxLen - 1; i += 2) {
    const U16 u = UnitAt(pUnicode, i);
    if (u == 0) break;
    if (u >= PRIVATE_MARK_FIRST && u <= PRIVATE_MARK_LAST) continue;
    char c = '_';
    if (u < 255) {
      c = (char)u;
    } else if (u == UNIT_IDEOGRAPHIC_SPACE) {
      c = ' ';
    } else if (u >= FULL_WIDTH_FIRST && u <= FULL_WIDTH_LAST) {
      c = (char)(u - FULL_WIDTH_OFFSET);
    }
    pASCII[u32Out++] = c;
  }
  pASCII[u32Out] = 0;
}

void U_WSTRING_vReplaceNarrowWithWide(char* pString, U32 u32BufferSize) {
  if (pString == nullptr || u32BufferSize < 2 || !bWideLanguage()) return;
  if (bLooksWide(pString, u32BufferSize)) return;
  // Widened from the end, each byte moves to twice its offset, so the text
  // is converted in place without a scratch copy.
  const U32 u32Fits = (u32BufferSize - 2) / 2;
  const U32 u32Count = (U32)strnlen(pString, u32Fits);
  for (U32 i = u32Count; i-- > 0;) PutUnit(pString, 2 * i, (U8)pString[i]);
  PutUnit(pString, 2 * u32Count, 0);
}

static BOOLEAN bIsPlaceholder(U16 u, BOOLEAN bBraceBracketed) {
  return u == '#' || u == 0xFF03 || (bBraceBracketed && (u == '{' || u == 0xFF5B));
}

void U_WSTRING_vReplaceCrossHatchWithWString(const char* pUnicodeIn, char* pUnicodeOut, U32 u32OutSize,
                                             char** pArgStrings, int nArgCount, BOOLEAN bFixedWidth,
                                             BOOLEAN bBraceBracketed) {
  if (pUnicodeOut == nullptr || u32OutSize < 2) return;
  // Room for units before the terminator.
  const U32 u32Room = (u32OutSize / 2 - 1) * 2;
  U32 out = 0;
  U32 in = 0;
  int nArg = 0;
  if (pUnicodeIn == nullptr || pArgStrings == nullptr) nArgCount = 0;
  while (pUnicodeIn != nullptr) {
    const U16 u = UnitAt(pUnicodeIn, in);
    if (u == 0) break;
    if (nArg >= nArgCount || !bIsPlaceholder(u, bBraceBracketed)) {
      if (out + 2 > u32Room) break;
      PutUnit(pUnicodeOut, out, u);
      out += 2;
      in += 2;
      continue;
    }
    const char* pArg = pArgStrings[nArg++];
    U32 u32ArgUnits = 0;
    for (U32 a = 0; pArg != nullptr && UnitAt(pArg, a) != 0; a += 2) {
      u32ArgUnits++;
      if (out + 2 <= u32Room) {
        PutUnit(pUnicodeOut, out, UnitAt(pArg, a));
        out += 2;
      }
    }
    in += 2;
    if (bFixedWidth) {
      for (U32 k = 0; k < u32ArgUnits && UnitAt(pUnicodeIn, in) != 0; k++) in += 2;
    }
    if (bBraceBracketed) {
      for (;;) {
        const U16 v = UnitAt(pUnicodeIn, in);
        if (v == 0) break;
        in += 2;
        if (v == '}' || v == 0xFF5D) break;
      }
    }
  }
  PutUnit(pUnicodeOut, out, 0);
}

void U_WSTRING_vReplaceCrossHatchWithNString(const char* pUnicodeIn, char* pUnicodeOut, U32 u32OutSize,
                                             char** pArgStrings, int nArgCount, BOOLEAN bFixedWidth,
                                             BOOLEAN bBraceBracketed) {
  char acWide[U_WSTRING_MAX_NARROW_ARGS][2 * U_WSTRING_MAX_NARROW_ARG_CHARS + 2] = {};
  char* apWide[U_WSTRING_MAX_NARROW_ARGS] = {};
  if (pArgStrings == nullptr || nArgCount < 0) nArgCount = 0;
  if (nArgCount > U_WSTRING_MAX_NARROW_ARGS) nArgCount = U_WSTRING_MAX_NARROW_ARGS;
  for (int i = 0; i < nArgCount; i++) {
    apWide[i] = acWide[i];
    if (pArgStrings[i] != nullptr) {
      U_WSTRING_vAscii2Unicode(acWide[i], pArgStrings[i], 2 * U_WSTRING_MAX_NARROW_ARG_CHARS, TRUE);
    }
  }
  U_WSTRING_vReplaceCrossHatchWithWString(pUnicodeIn, pUnicodeOut, u32OutSize, apWide, nArgCount, bFixedWidth,
                                          bBraceBracketed);
}

void U_WSTRING_vFillTemplate(const char* pTemplate, char* pOut, U32 u32OutSize, const char* const* ppArgs,
                             int nArgCount) {
  if (pOut == nullptr || u32OutSize == 0) return;
  if (ppArgs == nullptr || nArgCount < 0) nArgCount = 0;
  if (bWideLanguage()) {
    if (u32OutSize < 2) {
      pOut[0] = 0;
      return;
    }
    U_WSTRING_vReplaceCrossHatchWithWString(pTemplate, pOut, u32OutSize, (char**)ppArgs, nArgCount, FALSE, TRUE);
    return;
  }
  U32 u32Out = 0;
  int nArg = 0;
  for (const char* p = pTemplate; p != nullptr && *p != 0 && u32Out + 1 < u32OutSize;) {
    if (*p != '{' || nArg >= nArgCount) {
      pOut[u32Out++] = *p++;
      continue;
    }
    for (const char* a = ppArgs[nArg++]; a != nullptr && *a != 0 && u32Out + 1 < u32OutSize; a++) pOut[u32Out++] = *a;
    while (*p != 0 && *p != '}') p++;
    if (*p == '}') p++;
  }
  pOut[u32Out] = 0;
}
