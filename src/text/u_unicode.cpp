#include "u_unicode.h"

#include <string.h>

#include "u_language.h"
#include "ui_texts.h"

static const char s_acConversionError[] = "U-ERR";

// The code-page column of the language, or -1 when it has none.
static int PageOfLanguage(U32 u32Language) {
  if (u32Language >= LANGUAGE_COUNT) return -1;
  const FONT_SET eSet = g_eFontSet[u32Language];
  return eSet == FONT_SET_1 || eSet == FONT_SET_2 ? (int)eSet : -1;
}

void U_UNICODE_vFromQX(UCHAR16* uStr, const char* qxStr, int nMaxLen, U32 u32Language) {
  if (uStr == nullptr || nMaxLen <= 0) return;
  const int nPage = PageOfLanguage(u32Language);
  int nOut = 0;
  if (nPage >= 0 && qxStr != nullptr) {
    for (; nOut < nMaxLen - 1 && qxStr[nOut] != 0; nOut++) {
      const U8 c = (U8)qxStr[nOut];
      UCHAR16 u = '.';
      for (const UNICODE_TABLE_ROW& row : Unicode_Table_Hex) {
        if (row.charMap[nPage] == c) {
          u = row.uniValue;
          break;
        }
      }
      uStr[nOut] = u;
    }
  }
  uStr[nOut] = 0;
}

void U_UNICODE_vToQX(char* qxStr, const UCHAR16* uStr, int nMaxLen, U32 u32Language) {
  if (qxStr == nullptr || nMaxLen <= 0) return;
  const int nPage = PageOfLanguage(u32Language);
  int nOut = 0;
  if (nPage >= 0 && uStr != nullptr) {
    for (const UCHAR16* p = uStr; *p != 0 && nOut < nMaxLen - 1; p++) {
      for (const UNICODE_TABLE_ROW& row : Unicode_Table_Hex) {
        if (row.uniValue == *p && row.charMap[nPage] != 0) {
          qxStr[nOut++] = (char)row.charMap[nPage];
          break;
        }
      }
    }
  }
  if (nOut == 0) {
    const size_t n = (size_t)nMaxLen < sizeof s_acConversionError ? (size_t)nMaxLen : sizeof s_acConversionError;
    memcpy(qxStr, s_acConversionError, n);
    qxStr[n - 1] = 0;
    return;
  }
  qxStr[nOut] = 0;
}

UCHAR16 U_UNICODE_u16BaseLetter(UCHAR16 u16Letter) {
  U32 u32Low = 0, u32High = UNICODE_BASE_ROWS;
  while (u32Low < u32High) {
    const U32 u32Mid = (u32Low + u32High) / 2;
    const UNICODE_BASE_ROW& row = Unicode_Base_Letters[u32Mid];
    if (row.uniValue == u16Letter) return row.baseValue;
    if (row.uniValue < u16Letter) {
      u32Low = u32Mid + 1;
    } else {
      u32High = u32Mid;
    }
  }
  return 0;
}

U8 U_UNICODE_u8BaseLetter(U8 u8Letter, int nPage) {
  return nPage == 0 || nPage == 1 ? Page_Base_Letters[nPage][u8Letter] : 0;
}
