// Helpers of the text tests: wide literals and the current language.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "fourcharid.h"
#include "h_database.h"
#include "u_unicode.h"
#include "u_wstring.h"

// The wide (big-endian) form of a UTF-16 literal, with its zero unit.
inline std::string W(const std::u16string& text) {
  std::string out;
  for (char16_t c : text) {
    out += (char)(c >> 8);
    out += (char)(c & 0xFF);
  }
  out += std::string(2, '\0');
  return out;
}

// The units of a wide text up to its zero unit.
inline std::u16string Units(const char* wide) {
  std::u16string out;
  for (const unsigned char* p = (const unsigned char*)wide; p[0] != 0 || p[1] != 0; p += 2) {
    out += (char16_t)(p[0] << 8 | p[1]);
  }
  return out;
}

// An 8-bit text of the language's code page in Unicode.
inline std::u16string FromPage(const char* text, U32 language) {
  UCHAR16 out[512];
  U_UNICODE_vFromQX(out, text, 512, language);
  return std::u16string((const char16_t*)out);
}

inline void SetLanguage(unsigned language) {
  H_DATABASE_bUpdateEverythingU32(FCID("SLNG"), language, P_NORMAL, D_UNSIGNED32, nullptr, 0xFFFFFFFF);
  U_WSTRING_vUpdateCurrentLanguage();
}

// Runs the test body in one language and restores English afterwards.
class LanguageTest : public ::testing::Test {
 protected:
  void SetUp() override { H_DATABASE_vInit(); }
  void TearDown() override {
    SetLanguage(0);
    H_DATABASE_vInit();
  }
};
