// Long, unterminated and malformed texts through every string helper:
// nothing is written outside its buffer and nothing is read past a limit
// (checked under AddressSanitizer, with buffers of exactly their size).

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "text_util.h"
#include "u_language.h"
#include "u_unicode.h"
#include "u_wstring.h"

namespace {

typedef LanguageTest HostileStrings;

std::vector<char> Raw(size_t n, char fill) { return std::vector<char>(n, fill); }

// Bytes that end where an unreadable page begins: a read past them faults
// in any build, not only under AddressSanitizer.
class GuardedBytes {
 public:
  explicit GuardedBytes(const std::string& bytes) {
    m_page = (size_t)sysconf(_SC_PAGESIZE);
    m_base = (char*)mmap(nullptr, 2 * m_page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    mprotect(m_base + m_page, m_page, PROT_NONE);
    m_data = m_base + m_page - bytes.size();
    bytes.copy(m_data, bytes.size());
  }
  ~GuardedBytes() { munmap(m_base, 2 * m_page); }
  const char* data() const { return m_data; }

 private:
  size_t m_page = 0;
  char* m_base = nullptr;
  char* m_data = nullptr;
};

TEST_F(HostileStrings, LimitedHelpersReadNoFurtherThanTheirLimit) {
  for (unsigned language : {LANGUAGE_ENGLISH, LANGUAGE_JAPANESE}) {
    SetLanguage(language);
    for (char fill : {'A', '\x30', '\xFF', '\xFD'}) {
      std::vector<char> source = Raw(64, fill), out = Raw(64, 0), cat = Raw(130, 0), wide = Raw(66, 0);
      U_WSTRING_vw_strncpy(out.data(), source.data(), 64, TRUE);
      U_WSTRING_vw_strncat(cat.data(), source.data(), 64, TRUE);
      U_WSTRING_vUnicode2Ascii(out.data(), source.data(), 64, TRUE);
      U_WSTRING_vAscii2Unicode(wide.data(), source.data(), 64, TRUE);
      std::vector<char> wideCat = Raw(68, 0);
      U_WSTRING_vAscii2UnicodeCat(wideCat.data(), source.data(), 64);
      EXPECT_EQ(0, U_WSTRING_s32w_strncmp(source.data(), source.data(), 64));
    }
  }
}

TEST_F(HostileStrings, AOneByteSourceIsNotReadPastByTheLooksWideTest) {
  // A limit of 2 or 3 bytes allows one 8-bit character; which form the
  // source has must then be told from its first byte alone.
  SetLanguage(LANGUAGE_JAPANESE);
  const struct {
    std::string byte;
    std::u16string wide;
  } rows[] = {{"A", u"A"}, {"0", u"0"}, {"\xFD", u"\u00FD"}, {"\xFF", u"\u00FF"}, {std::string(1, '\0'), u""}};
  for (const auto& row : rows) {
    GuardedBytes source(row.byte);
    for (U32 limit : {2u, 3u}) {
      std::vector<char> wide = Raw(limit + 2, 'x'), cat = Raw(limit + 2, 0);
      U_WSTRING_vAscii2Unicode(wide.data(), source.data(), limit, FALSE);
      U_WSTRING_vAscii2UnicodeCat(cat.data(), source.data(), limit);
      EXPECT_EQ(row.wide, Units(wide.data())) << (int)(U8)row.byte[0] << " limit " << limit;
      EXPECT_EQ(row.wide, Units(cat.data())) << (int)(U8)row.byte[0] << " limit " << limit;
    }
    char narrow[2];
    U_WSTRING_vUnicode2Ascii(narrow, source.data(), sizeof narrow, FALSE);
    EXPECT_STREQ(row.byte.c_str(), narrow) << "taken as 8-bit text";
  }
}

TEST_F(HostileStrings, LongTextsAreCutToTheirDestinations) {
  SetLanguage(LANGUAGE_CHINESE_SIMPLIFIED);
  std::string narrow(10000, 'x');
  std::string wide = W(std::u16string(10000, u'\x4E2D')), bad = W(std::u16string(10000, u'\xDFFF'));
  std::u16string units(10000, u'\x00E9');
  for (U32 size : {1u, 2u, 3u, 7u, 160u}) {
    std::vector<char> out = Raw(size, 'z'), in = Raw(size, 'q'), filled = Raw(size, 0), page = Raw(size, 0);
    for (const std::string* source : {&wide, &bad, &narrow}) {
      U_WSTRING_vUnicode2Ascii(out.data(), source->data(), size, FALSE);
    }
    in[size - 1] = 0;
    U_WSTRING_vReplaceNarrowWithWide(in.data(), size);
    char* args[] = {narrow.data(), narrow.data()};
    U_WSTRING_vReplaceCrossHatchWithNString(W(u"{#}#").data(), filled.data(), size, args, 2, TRUE, TRUE);
    char* wideArgs[] = {wide.data(), bad.data()};
    U_WSTRING_vReplaceCrossHatchWithWString(W(u"##{###}").data(), filled.data(), size, wideArgs, 2, TRUE, TRUE);
    if (size >= 2) {
      EXPECT_EQ(0, filled[(size / 2 - 1) * 2]) << "terminated within the buffer";
    }
    std::vector<UCHAR16> fromPage(size);
    U_UNICODE_vFromQX(fromPage.data(), narrow.data(), (int)size, LANGUAGE_ENGLISH);
    U_UNICODE_vToQX(page.data(), (const UCHAR16*)units.c_str(), (int)size, LANGUAGE_POLISH);
  }
  char* none[20] = {};
  char out[64];
  U_WSTRING_vReplaceCrossHatchWithNString(W(u"####################").data(), out, sizeof out, none, 20, FALSE, FALSE);
  EXPECT_EQ(u"##########", Units(out)) << "ten arguments at most; null arguments are empty";
}

}  // namespace
