// Conversion between the 8-bit code page of a language's font set and
// native 16-bit Unicode, through the table Unicode_Table_Hex.
#pragma once

#include "basetypes.h"

typedef U16 UCHAR16;

// Each byte of qxStr becomes the Unicode of the first table row that holds
// it in the language's page, or '.'; at most nMaxLen - 1 units, then a zero
// unit. A language without an 8-bit page gives an empty result.
void U_UNICODE_vFromQX(UCHAR16* uStr, const char* qxStr, int nMaxLen, U32 u32Language);
// Each unit becomes its byte in the language's page; units the page lacks
// are dropped. At most nMaxLen - 1 bytes, then a zero byte; when nothing was
// written (or the language has no 8-bit page) the text "U-ERR", cut to
// nMaxLen bytes.
void U_UNICODE_vToQX(char* qxStr, const UCHAR16* uStr, int nMaxLen, U32 u32Language);
// The letter a letter with marks is built on (U+00E7 -> 'c'), by Unicode's
// canonical decomposition, for the letters of the code pages; 0 for any
// other unit.
UCHAR16 U_UNICODE_u16BaseLetter(UCHAR16 u16Letter);
// The same in 8-bit text of code page nPage (0 or 1): the byte of the base
// letter, 0 when the byte is no letter with marks or the page lacks its base.
U8 U_UNICODE_u8BaseLetter(U8 u8Letter, int nPage);
