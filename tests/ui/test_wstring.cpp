// The wide-string helpers in both text forms.

#include <gtest/gtest.h>
#include <string.h>

#include <vector>

#include "text_util.h"
#include "u_language.h"
#include "u_wstring.h"

namespace {

typedef LanguageTest WideStringTest;

TEST_F(WideStringTest, CurrentLanguageFallsBackToEnglish) {
  H_DATABASE_vInit();
  EXPECT_EQ(0u, nCurrentLanguage()) << "absent";
  for (U32 bad : {27u, 28u, 1000u, 0xFFFFFFFFu}) {
    SetLanguage(bad);
    EXPECT_EQ(0u, nCurrentLanguage()) << bad;
    EXPECT_FALSE(U_WSTRING_bIsUnicodeLanguage()) << bad;
  }
  // Stale: written with a one-second time-out on a clock that has moved on.
  static U64 s_u64Now = 1000000;
  H_DATABASE_vSetClock([] { return s_u64Now; });
  H_DATABASE_bUpdateEverythingU32(FCID("SLNG"), LANGUAGE_KOREAN, P_NORMAL, D_UNSIGNED32, nullptr, 1);
  EXPECT_EQ((unsigned)LANGUAGE_KOREAN, nCurrentLanguage());
  s_u64Now += 5000;
  EXPECT_EQ(0u, nCurrentLanguage()) << "invalid";
  H_DATABASE_vSetClock(nullptr);
}

TEST_F(WideStringTest, LanguagesFromJapaneseOnAreWide) {
  for (unsigned language = 0; language < LANGUAGE_COUNT; language++) {
    SetLanguage(language);
    EXPECT_EQ(language, nCurrentLanguage());
    EXPECT_EQ(language >= 22, U_WSTRING_bIsUnicodeLanguage() != 0) << language;
    EXPECT_EQ(language >= 22, g_eFontSet[language] >= FONT_SET_3) << language;
  }
  EXPECT_EQ(FONT_SET_2, g_eFontSet[LANGUAGE_CROATIAN]);
  EXPECT_EQ(FONT_SET_2, g_eFontSet[LANGUAGE_BULGARIAN]);
  EXPECT_EQ(FONT_SET_3, g_eFontSet[LANGUAGE_JAPANESE]);
}

TEST_F(WideStringTest, LengthsCountBytes) {
  SetLanguage(LANGUAGE_JAPANESE);
  EXPECT_EQ(8u, U_WSTRING_u32w_strlen(W(u"Fish").data(), FALSE));
  EXPECT_EQ(0u, U_WSTRING_u32w_strlen(W(u"").data(), FALSE));
  SetLanguage(LANGUAGE_ENGLISH);
  EXPECT_EQ(4u, U_WSTRING_u32w_strlen("Fish", FALSE));
  EXPECT_EQ(8u, U_WSTRING_u32w_strlen(W(u"Fish").data(), TRUE)) << "forced";
}

TEST_F(WideStringTest, NarrowingMapsSpacesFullWidthAndOthers) {
  SetLanguage(LANGUAGE_JAPANESE);
  struct ROW {
    std::u16string wide;
    U32 u32MaxLen;
    std::string narrow;
  } rows[] = {
      {u"\uFF21\u3000\u4E2D", 64, "A _"},
      {u"\uFDD5Buoy", 64, "Buoy"},
      {u"\u00E9cole", 64, "\xE9" "cole"},
      {u"Shutdown", 5, "Sh"},  // (5 - 1) bytes of source: two units
      {u"", 64, ""},
      {u"AB", 0, "AB"},
  };
  for (const ROW& row : rows) {
    char out[64];
    memset(out, 'x', sizeof out);
    U_WSTRING_vUnicode2Ascii(out, W(row.wide).data(), row.u32MaxLen, FALSE);
    EXPECT_EQ(row.narrow, std::string(out)) << row.narrow;
  }
  // A text that does not look wide is already 8-bit; it is still bounded.
  char small[4];
  U_WSTRING_vUnicode2Ascii(small, "Temperature", sizeof small, FALSE);
  EXPECT_STREQ("Tem", small);
}

TEST_F(WideStringTest, WideningCopiesAndBoundsTheSource) {
  SetLanguage(LANGUAGE_KOREAN);
  char out[40];
  U_WSTRING_vAscii2Unicode(out, "Fish", 0, FALSE);
  EXPECT_EQ(u"Fish", Units(out));
  U_WSTRING_vAscii2Unicode(out, "Temperature", 6, FALSE);
  EXPECT_EQ(u"Tem", Units(out)) << "three characters and a terminator in 6 + 2 bytes";
  U_WSTRING_vAscii2Unicode(out, W(u"\uFF21\uFF22").data(), 0, FALSE);
  EXPECT_EQ(u"\uFF21\uFF22", Units(out)) << "already wide";
  U_WSTRING_vAscii2UnicodeCat(out, "cd", 0);
  EXPECT_EQ(u"\uFF21\uFF22cd", Units(out));

  SetLanguage(LANGUAGE_ENGLISH);
  U_WSTRING_vAscii2Unicode(out, "Fish", 0, FALSE);
  EXPECT_STREQ("Fish", out) << "8-bit language: a plain copy";
  U_WSTRING_vAscii2Unicode(out, "Fish", 0, TRUE);
  EXPECT_EQ(u"Fish", Units(out)) << "forced";
}

TEST_F(WideStringTest, ReplaceNarrowWithWideWorksInPlaceWithinTheBuffer) {
  SetLanguage(LANGUAGE_CHINESE_SIMPLIFIED);
  char buffer[12] = "Hello";
  U_WSTRING_vReplaceNarrowWithWide(buffer, sizeof buffer);
  EXPECT_EQ(u"Hello", Units(buffer));
  U_WSTRING_vReplaceNarrowWithWide(buffer, sizeof buffer);
  EXPECT_EQ(u"Hello", Units(buffer)) << "a wide text stays as it is";

  char tight[8] = "Harbour";  // 7 characters, room for 3 wide ones
  U_WSTRING_vReplaceNarrowWithWide(tight, sizeof tight);
  EXPECT_EQ(u"Har", Units(tight));

  SetLanguage(LANGUAGE_GERMAN);
  char narrow[8] = "Boot";
  U_WSTRING_vReplaceNarrowWithWide(narrow, sizeof narrow);
  EXPECT_STREQ("Boot", narrow) << "8-bit language: unchanged";
  U_WSTRING_vReplaceNarrowWithWide(nullptr, 8);
}

TEST_F(WideStringTest, CopyAndAppendKeepTheirLimits) {
  SetLanguage(LANGUAGE_JAPANESE);
  char out[16];
  memset(out, 'x', sizeof out);
  U_WSTRING_vw_strncpy(out, W(u"Route").data(), 6, FALSE);
  EXPECT_EQ(0, memcmp(out, W(u"Rou").data(), 6)) << "cut: three units";
  EXPECT_EQ('x', out[6]) << "no terminator past the limit";
  U_WSTRING_vw_strncpy(out, W(u"Ro").data(), 6, FALSE);
  EXPECT_EQ(u"Ro", Units(out));
  U_WSTRING_vw_strncat(out, W(u"ute").data(), 0, FALSE);
  EXPECT_EQ(u"Route", Units(out));
  U_WSTRING_vw_strncpy(out, W(u"Ro").data(), 0, FALSE);
  U_WSTRING_vw_strncat(out, W(u"uteXYZ").data(), 6, FALSE);
  EXPECT_EQ(0, memcmp(out, W(u"Route").data(), 10));
}

TEST_F(WideStringTest, ComparisonAndSearchStepByUnits) {
  SetLanguage(LANGUAGE_KOREAN);
  const std::string fish = W(u"Fish"), fishing = W(u"Fishing"), other = W(u"Fist");
  EXPECT_LT(U_WSTRING_s32w_strncmp(fish.data(), fishing.data(), 0), 0) << "a prefix sorts first";
  EXPECT_GT(U_WSTRING_s32w_strncmp(fishing.data(), fish.data(), 0), 0);
  EXPECT_EQ(0, U_WSTRING_s32w_strncmp(fish.data(), fish.data(), 0));
  EXPECT_EQ('h' - 't', U_WSTRING_s32w_strncmp(fish.data(), other.data(), 0));
  EXPECT_EQ(0, U_WSTRING_s32w_strncmp(fish.data(), other.data(), 6)) << "limited to three units";
  EXPECT_EQ(0, U_WSTRING_s32w_strncmp(fish.data(), other.data(), 1)) << "less than a unit";

  const std::string hay = W(u"Red Buoy");
  EXPECT_EQ(hay.data() + 8, U_WSTRING_pw_strstr(hay.data(), W(u"Buoy").data())) << "at the very end";
  EXPECT_EQ(hay.data(), U_WSTRING_pw_strstr(hay.data(), hay.data())) << "the whole haystack";
  EXPECT_EQ(hay.data(), U_WSTRING_pw_strstr(hay.data(), W(u"").data()));
  EXPECT_EQ(nullptr, U_WSTRING_pw_strstr(hay.data(), W(u"Red Buoys").data()));
  // "\x42\x75" would match across a unit boundary if the search stepped bytes.
  const std::string odd = W(u"\u4142\u7500");
  EXPECT_EQ(nullptr, U_WSTRING_pw_strstr(odd.data(), W(u"\u4275").data()));

  EXPECT_EQ(hay.data() + 6, U_WSTRING_pw_strchr(hay.data(), 0x10000 | ' ')) << "low 16 bits";
  EXPECT_EQ(hay.data() + 16, U_WSTRING_pw_strchr(hay.data(), 0)) << "the terminator";
  EXPECT_EQ(nullptr, U_WSTRING_pw_strchr(hay.data(), 'z'));

  EXPECT_TRUE(U_WSTRING_bIsStringNull(W(u"").data()));
  EXPECT_FALSE(U_WSTRING_bIsStringNull(W(u"a").data()));
  EXPECT_TRUE(U_WSTRING_bIsCharEqual('A' + 0xFEE0, 'A'));
  EXPECT_TRUE(U_WSTRING_bIsCharEqual('A', 'A'));
  EXPECT_FALSE(U_WSTRING_bIsCharEqual('B', 'A'));
}

TEST_F(WideStringTest, TemplatesTakeTheirArguments) {
  SetLanguage(LANGUAGE_JAPANESE);
  char out[80];
  const char* five[] = {"5"};
  U_WSTRING_vReplaceCrossHatchWithNString(W(u"Shutdown in {#} seconds").data(), out, sizeof out, (char**)five, 1,
                                          FALSE, TRUE);
  EXPECT_EQ(u"Shutdown in 5 seconds", Units(out));

  const std::string ab = W(u"AB");
  char* wideArgs[] = {(char*)ab.data()};
  U_WSTRING_vReplaceCrossHatchWithWString(W(u"###m").data(), out, sizeof out, wideArgs, 1, TRUE, FALSE);
  EXPECT_EQ(u"ABm", Units(out)) << "the placeholder and the two units after it are replaced";

  const char* two[] = {"1", "2"};
  U_WSTRING_vReplaceCrossHatchWithNString(W(u"\uFF03-#-#").data(), out, sizeof out, (char**)two, 2, FALSE, FALSE);
  EXPECT_EQ(u"1-2-#", Units(out)) << "arguments used up: the rest as it stands";

  const char* longArg[] = {"0123456789abcdefghij"};
  U_WSTRING_vReplaceCrossHatchWithNString(W(u"<#>").data(), out, sizeof out, (char**)longArg, 1, FALSE, FALSE);
  EXPECT_EQ(u"<0123456789abcde>", Units(out)) << "8-bit arguments are cut at 15 characters";

  char small[10];
  U_WSTRING_vReplaceCrossHatchWithNString(W(u"Waypoint {XXX} Created").data(), small, sizeof small, (char**)five,
                                          1, FALSE, TRUE);
  EXPECT_EQ(u"Wayp", Units(small)) << "cut to the output, terminator included";
}

}  // namespace
