// Texts against their rooms: each place a catalogue text is drawn gives it
// so many pixels, and every language's text must stay within them, since
// the renderer would cut it (or run it over what lies beside it). The
// findings of a whole check are gathered and reported together, each with
// the table's name, the language, the width and the room.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "font_test.h"
#include "g_string.h"
#include "u_language.h"
#include "u_wstring.h"
#include "ui_texts.h"

// The language files' names, by LANGUAGE value.
inline const char* FIT_pcLanguage(U32 language) {
  static const char* const s_apcCodes[UI_TEXT_LANGUAGES] = {
      "en", "da", "nl", "fi", "fr", "de", "el", "hu", "it", "nb", "pl", "pt", "es", "sv",
      "cs", "hr", "ru", "bg", "et", "lv", "lt", "tr", "ja", "ko", "zh_CN", "zh_TW", "en@wide"};
  return language < UI_TEXT_LANGUAGES ? s_apcCodes[language] : "?";
}

// The catalogue's name of a table.
inline const char* FIT_pcName(const char* const* ppTable) {
  for (const UI_TEXT_ENTRY& entry : g_aUiTextCatalogue) {
    if (entry.ppcTable == ppTable) return entry.pcName;
  }
  return "(not a catalogue table)";
}

// Texts in the current language's form: a table's, and ASCII (widened in
// the 16-bit languages); and the width of such a text, or of a joint one.
inline std::string FIT_Text(const char* const* ppTable) {
  const char* p = ppTable[nCurrentLanguage()];
  return std::string(p, U_WSTRING_u32w_strlen(p, FALSE));
}
inline std::string FIT_Ascii(const char* pcAscii) {
  std::string s;
  for (const char* p = pcAscii; *p != '\0'; p++) {
    if (U_WSTRING_bIsUnicodeLanguage()) s += '\0';
    s += *p;
  }
  return s;
}
inline S32 FIT_s32Width(const FONT_DEF* pFont, const std::string& text) {
  return (S32)G_STRING_u32GetWidth(pFont, (const BYTE*)(text + std::string(2, '\0')).c_str());
}

class FitFindings {
 public:
  // Notes the text when it is wider than its room.
  void Check(const std::string& place, const char* const* ppTable, U32 language, U32 u32Width, U32 u32Room,
             const char* pcUnit = "px") {
    m_checked++;
    if (u32Width <= u32Room) return;
    m_findings.push_back(place + ": " + FIT_pcName(ppTable) + " in " + FIT_pcLanguage(language) + " is " +
                         std::to_string(u32Width) + " " + pcUnit + ", room " + std::to_string(u32Room));
  }
  // The text of the table in the current language, measured in the face.
  void Measure(const std::string& place, const char* const* ppTable, const FONT_DEF* pFont, U32 u32Room) {
    const U32 language = nCurrentLanguage();
    Check(place, ppTable, language, G_STRING_u32GetWidth(pFont, (const BYTE*)ppTable[language]), u32Room);
  }
  void Note(const std::string& finding) { m_findings.push_back(finding); }
  ::testing::AssertionResult AllFit(U32 u32AtLeastChecked) const {
    if (m_checked < u32AtLeastChecked) {
      return ::testing::AssertionFailure() << "only " << m_checked << " texts measured";
    }
    if (m_findings.empty()) return ::testing::AssertionSuccess();
    ::testing::AssertionResult r = ::testing::AssertionFailure();
    r << m_findings.size() << " texts do not fit:";
    for (const std::string& f : m_findings) r << "\n  " << f;
    return r;
  }

 private:
  std::vector<std::string> m_findings;
  U32 m_checked = 0;
};
