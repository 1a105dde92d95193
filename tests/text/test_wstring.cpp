// The current language and the wide-string helpers in both text forms.

#include <gtest/gtest.h>
#include <string.h>

#include "text_util.h"
#include "u_language.h"
#include "u_wstring.h"

namespace {

typedef LanguageTest WideStringTest;

// The language follows SLNG when it is told to, as the menu task is told by
// the setting's notice.
TEST_F(WideStringTest, CurrentLanguageFallsBackToEnglish) {
  U_WSTRING_vUpdateCurrentLanguage();
  EXPECT_EQ(0u, nCurrentLanguage()) << "absent";
  for (U32 bad : {27u, 1000u, 0xFFFFFFFFu}) {
    SetLanguage(bad);
    EXPECT_EQ(0u, nCurrentLanguage()) << bad;
  }
  static U64 s_u64Now = 1000000;
  H_DATABASE_vSetClock([] { return s_u64Now; });
  H_DATABASE_bUpdateEverythingU32(FCID("SLNG"), LANGUAGE_KOREAN, P_NORMAL, D_UNSIGNED32, nullptr, 1);
  U_WSTRING_vUpdateCurrentLanguage();
  EXPECT_EQ((unsigned)LANGUAGE_KOREAN, nCurrentLanguage());
  s_u64Now += 5000;
  U_WSTRING_vUpdateCurrentLanguage();
  EXPECT_EQ(0u, nCurrentLanguage()) << "stale, so invalid";
  H_DATABASE_vSetClock(nullptr);
  for (unsigned language = 0; language < LANGUAGE_COUNT; language++) {
    SetLanguage(language);
    EXPECT_EQ(language >= 22, U_WSTRING_bIsUnicodeLanguage() != 0) << language;
  }
}

TEST_F(WideStringTest, NarrowingMapsSpacesFullWidthAndOthers) {
  SetLanguage(LANGUAGE_JAPANESE);
  EXPECT_EQ(8u, U_WSTRING_u32w_strlen(W(u"Fish").data(), FALSE));
  const struct {
    std::u16string wide;
    U32 u32MaxLen;
    std::string narrow;
  } rows[] = {
      {u"\uFF21\u3000\u4E2D", 64, "A _"}, {u"\uFDD5Buoy", 64, "Buoy"}, {u"\u00E9t\u00E9", 64, "\xE9t\xE9"},
      {u"Shutdown", 5, "Sh"},  // (5 - 1) bytes of source: two units
      {u"", 64, ""},
  };
  for (const auto& row : rows) {
    char out[64];
    U_WSTRING_vUnicode2Ascii(out, W(row.wide).data(), row.u32MaxLen, FALSE);
    EXPECT_EQ(row.narrow, std::string(out)) << row.narrow;
  }
  char small[4];
  U_WSTRING_vUnicode2Ascii(small, "Temperature", sizeof small, FALSE);
  EXPECT_STREQ("Tem", small) << "an 8-bit source is copied, within the size";
}

TEST_F(WideStringTest, WideningCopyingAndAppendingKeepTheirLimits) {
  SetLanguage(LANGUAGE_KOREAN);
  char out[40];
  U_WSTRING_vAscii2Unicode(out, "Temperature", 6, FALSE);
  EXPECT_EQ(u"Tem", Units(out)) << "three characters and a terminator in 6 + 2 bytes";
  U_WSTRING_vAscii2Unicode(out, W(u"\uFF21").data(), 0, FALSE);
  U_WSTRING_vAscii2UnicodeCat(out, "cd", 0);
  EXPECT_EQ(u"\uFF21cd", Units(out)) << "an already wide source is copied as it is";

  char harbour[8] = "Harbour";
  U_WSTRING_vReplaceNarrowWithWide(harbour, sizeof harbour);
  EXPECT_EQ(u"Har", Units(harbour)) << "what does not fit the buffer is cut";
  U_WSTRING_vReplaceNarrowWithWide(harbour, sizeof harbour);
  EXPECT_EQ(u"Har", Units(harbour)) << "a wide text stays as it is";

  memset(out, 'x', sizeof out);
  U_WSTRING_vw_strncpy(out, W(u"Route").data(), 6, FALSE);
  EXPECT_EQ('x', out[6]) << "cut at the limit: no terminator past it";
  U_WSTRING_vw_strncpy(out, W(u"Ro").data(), 6, FALSE);
  U_WSTRING_vw_strncat(out, W(u"uteXYZ").data(), 6, FALSE);
  EXPECT_EQ(0, memcmp(out, W(u"Route").data(), 10));

  SetLanguage(LANGUAGE_GERMAN);
  char boot[8] = "Boot";
  U_WSTRING_vReplaceNarrowWithWide(boot, sizeof boot);
  EXPECT_STREQ("Boot", boot) << "8-bit language: unchanged";
  U_WSTRING_vAscii2Unicode(out, "Fish", 0, TRUE);
  EXPECT_EQ(u"Fish", Units(out)) << "forced";
}

TEST_F(WideStringTest, AppendingASourceThatFillsTheLimitStillTerminates) {
  SetLanguage(LANGUAGE_KOREAN);
  char out[12];
  memset(out, 'x', sizeof out);
  U_WSTRING_vw_strncpy(out, W(u"AB").data(), 0, FALSE);
  U_WSTRING_vw_strncat(out, W(u"CD").data(), 4, FALSE);
  EXPECT_EQ(0, memcmp(out, W(u"ABCD").data(), 10)) << "wide source";
  memset(out, 'x', sizeof out);
  U_WSTRING_vw_strncpy(out, W(u"AB").data(), 0, FALSE);
  U_WSTRING_vAscii2UnicodeCat(out, "CD", 4);
  EXPECT_EQ(0, memcmp(out, W(u"ABCD").data(), 10)) << "8-bit source";
}

TEST_F(WideStringTest, ComparisonAndSearchStepByUnits) {
  SetLanguage(LANGUAGE_KOREAN);
  const std::string fish = W(u"Fish"), fishing = W(u"Fishing"), fist = W(u"Fist"), hay = W(u"Red Buoy");
  EXPECT_LT(U_WSTRING_s32w_strncmp(fish.data(), fishing.data(), 0), 0) << "a prefix sorts first";
  EXPECT_EQ('h' - 't', U_WSTRING_s32w_strncmp(fish.data(), fist.data(), 0));
  EXPECT_EQ(0, U_WSTRING_s32w_strncmp(fish.data(), fist.data(), 6)) << "limited to three units";
  EXPECT_EQ(hay.data() + 8, U_WSTRING_pw_strstr(hay.data(), W(u"Buoy").data())) << "at the very end";
  EXPECT_EQ(hay.data(), U_WSTRING_pw_strstr(hay.data(), hay.data())) << "the whole haystack";
  EXPECT_EQ(nullptr, U_WSTRING_pw_strstr(hay.data(), W(u"Red Buoys").data()));
  EXPECT_EQ(nullptr, U_WSTRING_pw_strstr(W(u"\u4142\u7500").data(), W(u"\u4275").data())) << "not across units";
  EXPECT_EQ(hay.data() + 6, U_WSTRING_pw_strchr(hay.data(), 0x10000 | ' ')) << "low 16 bits";
  EXPECT_EQ(hay.data() + 16, U_WSTRING_pw_strchr(hay.data(), 0)) << "the terminator";
  EXPECT_FALSE(U_WSTRING_bIsStringNull(W(u"\u0100").data())) << "a first byte of 0 is not the end";
  EXPECT_TRUE(U_WSTRING_bIsCharEqual('A' + 0xFEE0, 'A'));
}

TEST_F(WideStringTest, TemplatesTakeTheirArguments) {
  SetLanguage(LANGUAGE_JAPANESE);
  char out[80];
  const char* five[] = {"5"};
  U_WSTRING_vReplaceCrossHatchWithNString(W(u"Shutdown in {#} seconds").data(), out, sizeof out, (char**)five, 1,
                                          FALSE, TRUE);
  EXPECT_EQ(u"Shutdown in 5 seconds", Units(out));
  const std::string ab = W(u"AB");
  char* wide[] = {(char*)ab.data()};
  U_WSTRING_vReplaceCrossHatchWithWString(W(u"###m").data(), out, sizeof out, wide, 1, TRUE, FALSE);
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

// A sentence's places filled in the current form, 8-bit and wide alike.
TEST_F(WideStringTest, ASentencesPlacesTakeTextsOfItsOwnForm) {
  char out[64];
  const char* names[] = {"WP001", "RT01"};
  U_WSTRING_vFillTemplate("Waypoint {NAME} added to route {ROUTE}", out, sizeof out, names, 2);
  EXPECT_STREQ("Waypoint WP001 added to route RT01", out);
  U_WSTRING_vFillTemplate("{A} and {B}", out, sizeof out, names, 1);
  EXPECT_STREQ("WP001 and {B}", out) << "a place without its argument stays";
  U_WSTRING_vFillTemplate("Waypoint {NAME} added", out, 12, names, 1);
  EXPECT_STREQ("Waypoint WP", out) << "cut to the output, terminator included";
  SetLanguage(LANGUAGE_KOREAN);
  const std::string wp = W(u"WP001"), route = W(u"항로1");
  const char* wide[] = {wp.data(), route.data()};
  U_WSTRING_vFillTemplate(W(u"웨이포인트 {NAME}을(를) 항로 {ROUTE}에 추가").data(), out, sizeof out, wide, 2);
  EXPECT_EQ(u"웨이포인트 WP001을(를) 항로 항로1에 추가", Units(out));
}

}  // namespace
