// Long, unterminated and malformed texts through every string helper:
// nothing is written outside its buffer and nothing is read past a limit
// (checked under AddressSanitizer).

#include <gtest/gtest.h>
#include <string.h>

#include <string>
#include <vector>

#include "text_util.h"
#include "u_language.h"
#include "u_unicode.h"
#include "u_wstring.h"

namespace {

typedef LanguageTest HostileStrings;

// A heap buffer of exactly n bytes, filled with the fill byte (no terminator).
std::vector<char> Raw(size_t n, char fill) { return std::vector<char>(n, fill); }

TEST_F(HostileStrings, LimitedHelpersReadNoFurtherThanTheirLimit) {
  for (unsigned language : {LANGUAGE_ENGLISH, LANGUAGE_JAPANESE}) {
    SetLanguage(language);
    for (char fill : {'A', '\x30', '\xFF', '\xFD'}) {
      std::vector<char> source = Raw(64, fill);  // unterminated
      std::vector<char> out = Raw(64, 0);
      U_WSTRING_vw_strncpy(out.data(), source.data(), 64, FALSE);
      U_WSTRING_vw_strncpy(out.data(), source.data(), 64, TRUE);
      std::vector<char> dest = Raw(64 + 64 + 2, 0);
      U_WSTRING_vw_strncat(dest.data(), source.data(), 64, TRUE);
      U_WSTRING_vUnicode2Ascii(out.data(), source.data(), 64, TRUE);
      std::vector<char> wide = Raw(64 + 2, 0);
      U_WSTRING_vAscii2Unicode(wide.data(), source.data(), 64, TRUE);
      std::vector<char> wideCat = Raw(2 + 64 + 2, 0);
      U_WSTRING_vAscii2UnicodeCat(wideCat.data(), source.data(), 64);
      EXPECT_GE(U_WSTRING_s32w_strncmp(source.data(), source.data(), 64), 0);
    }
  }
}

TEST_F(HostileStrings, LongTextsAreCutToTheirDestinations) {
  SetLanguage(LANGUAGE_CHINESE_SIMPLIFIED);
  std::string longNarrow(10000, 'x');
  std::string longWide = W(std::u16string(10000, u'\x4E2D'));
  std::string badWide = W(std::u16string(10000, u'\xDFFF'));
  for (U32 size : {1u, 2u, 3u, 7u, 160u}) {
    std::vector<char> out = Raw(size, 'z');
    U_WSTRING_vUnicode2Ascii(out.data(), longWide.data(), size, FALSE);
    U_WSTRING_vUnicode2Ascii(out.data(), badWide.data(), size, FALSE);
    U_WSTRING_vUnicode2Ascii(out.data(), longNarrow.data(), size, FALSE);
    std::vector<char> in = Raw(size, 'q');
    in[size - 1] = 0;
    U_WSTRING_vReplaceNarrowWithWide(in.data(), size);
    std::vector<char> filled = Raw(size, 0);
    char* args[] = {longNarrow.data(), longNarrow.data()};
    U_WSTRING_vReplaceCrossHatchWithNString(longWide.substr(0, 200).append("\0#\0#\0\0", 6).data(), filled.data(),
                                            size, args, 2, TRUE, TRUE);
    char* wideArgs[] = {longWide.data(), badWide.data()};
    const std::string hashes = W(u"##{###}");
    U_WSTRING_vReplaceCrossHatchWithWString(hashes.data(), filled.data(), size, wideArgs, 2, TRUE, TRUE);
    if (size >= 2) {
      EXPECT_EQ(0, filled[(size / 2 - 1) * 2]) << "terminated within the buffer";
    }
    std::vector<UCHAR16> units(size);
    U_UNICODE_vFromQX(units.data(), longNarrow.data(), (int)size, LANGUAGE_ENGLISH);
    std::vector<char> page = Raw(size, 0);
    std::u16string longUnits(10000, u'\x00E9');
    U_UNICODE_vToQX(page.data(), (const UCHAR16*)longUnits.c_str(), (int)size, LANGUAGE_POLISH);
  }
  char* tooMany[20] = {};
  char out[64];
  U_WSTRING_vReplaceCrossHatchWithNString(W(u"####################").data(), out, sizeof out, tooMany, 20, FALSE,
                                          FALSE);
  EXPECT_EQ(u"##########", Units(out)) << "ten arguments at most; null arguments are empty";
}

}  // namespace
