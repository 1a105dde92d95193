// Texts the message boxes wrap between words: each word within the wrap,
// and no more lines than the box holds.
#pragma once

#include "fit_test.h"
#include "u_dialog.h"
#include "u_wstring.h"

// A text wrapped between words: each word within the wrap, and the lines
// no more than allowed. The East Asian languages break anywhere. The text
// may be the table's own or one built around it.
inline void FIT_vWrappedText(FitFindings* pFit, const std::string& place, const char* const* ppTable,
                             const char* text, const FONT_DEF* pFont, U32 u32Wrap, U32 u32Lines) {
  const U32 language = nCurrentLanguage();
  if (language < LANGUAGE_JAPANESE || language == LANGUAGE_ENGLISH_UNICODE) {
    const U32 unit = language >= LANGUAGE_FIRST_WIDE ? 2 : 1;
    const U32 bytes = U_WSTRING_u32w_strlen(text, unit == 2);
    std::string word;
    for (U32 i = 0; i <= bytes; i += unit) {
      const bool bEnd = i == bytes || (unit == 1 ? text[i] == ' ' : text[i] == 0 && text[i + 1] == ' ');
      if (!bEnd) {
        word.append(text + i, unit);
        continue;
      }
      std::string ended = word + std::string(unit, '\0');
      pFit->Check(place + " word", ppTable, language, G_STRING_u32GetWidth(pFont, (const BYTE*)ended.c_str()),
                  u32Wrap - 1);
      word.clear();
    }
  }
  LINEOFTEXT lines[U_DIALOG_MAX_LINES];
  const U16 n = U_DIALOG_u16ExtractTextIntoLines(text, lines, pFont, (U16)u32Wrap, FALSE);
  pFit->Check(place, ppTable, language, n, u32Lines, "lines");
}

inline void FIT_vWrapped(FitFindings* pFit, const std::string& place, const char* const* ppTable,
                         const FONT_DEF* pFont, U32 u32Wrap, U32 u32Lines) {
  FIT_vWrappedText(pFit, place, ppTable, ppTable[nCurrentLanguage()], pFont, u32Wrap, u32Lines);
}
