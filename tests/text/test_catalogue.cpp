// The generated text tables and the code pages they are written in.

#include <gtest/gtest.h>

#include <string>

#include "text_util.h"
#include "u_language.h"
#include "u_unicode.h"
#include "ui_texts.h"

namespace {

std::string ToPage(const std::u16string& text, U32 language, int size = 512) {
  char out[512];
  U_UNICODE_vToQX(out, (const UCHAR16*)text.c_str(), size, language);
  return out;
}

TEST(Catalogue, EveryTableHasEveryEntryInItsForm) {
  ASSERT_GT(UI_TEXT_TABLE_COUNT, 300u);
  for (const UI_TEXT_ENTRY& entry : g_aUiTextCatalogue) {
    for (U32 language = 0; language < UI_TEXT_LANGUAGES; language++) {
      const char* text = entry.ppcTable[language];
      ASSERT_NE(nullptr, text) << entry.pcName << " " << language;
      if (language >= UI_TEXT_FIRST_WIDE) {
        EXPECT_FALSE(Units(text).empty()) << entry.pcName << " " << language;
      } else {
        EXPECT_EQ(std::string(text), ToPage(FromPage(text, language), language)) << entry.pcName << " " << language;
      }
    }
  }
}

TEST(Catalogue, TranslationsFallBackToEnglish) {
  const struct {
    const char* const* table;
    U32 language;
    std::u16string text;
  } rows[] = {
      // The wide English file translates only the language names: the rest
      // of its texts are the English ones in the wide form.
      {Restore_Defaults, LANGUAGE_ENGLISH_UNICODE, u"Restore Defaults"},
      {Wypt_Buoy, LANGUAGE_ENGLISH_UNICODE, u"/Wypt_Buoy"},
      {Restore_Defaults, LANGUAGE_RUSSIAN, u"Заводские настройки"},
      {Restore_Defaults, LANGUAGE_CHINESE_TRADITIONAL, u"恢復預設值"},
      {Degrees_C, LANGUAGE_POLISH, u"°C"},
      {Degrees_C, LANGUAGE_JAPANESE, u"°C"},
      {Wypt_Buoy, LANGUAGE_ENGLISH, u"/Wypt_Buoy"},
      {Wypt_Buoy, LANGUAGE_JAPANESE, u"ブイ"},
      {Wypt_Buoy, LANGUAGE_KOREAN, u"부이"},
      {Wypt_Buoy, LANGUAGE_CHINESE_SIMPLIFIED, u"浮标"},
      {Wypt_Buoy, LANGUAGE_CHINESE_TRADITIONAL, u"浮標"},
      {Language_Russian, LANGUAGE_RUSSIAN, u"Русский"},
      {Language_Russian, LANGUAGE_ENGLISH_UNICODE, u"Русский"},
      {Language_Czech, LANGUAGE_CROATIAN, u"Čeština"},
      {Language_Turkish, LANGUAGE_TURKISH, u"Türkçe"},
      {Language_Japanese, LANGUAGE_KOREAN, u"日本語"},
      {Language_Japanese, LANGUAGE_ENGLISH_UNICODE, u"日本語"},
      {Language_Japanese, LANGUAGE_ENGLISH, u"Japanese"},
  };
  for (const auto& row : rows) {
    const char* text = row.table[row.language];
    EXPECT_EQ(row.text, row.language >= UI_TEXT_FIRST_WIDE ? Units(text) : FromPage(text, row.language))
        << row.language;
  }
  EXPECT_EQ('\xBA', Degrees_C[LANGUAGE_BULGARIAN][0]) << "0xBA is the degree sign in both pages";
  EXPECT_EQ(u"Eλληνικά", FromPage(Language_Greek[LANGUAGE_GREEK], LANGUAGE_GREEK))
      << "page 1 draws Greek capital epsilon with the Latin E";
}

TEST(CodePages, KeepAsciiAndConvertWithinLimits) {
  std::string ascii = "\n\r\003";
  for (int c = 0x20; c < 0x7F; c++) ascii += (char)c;
  const std::u16string wide(ascii.begin(), ascii.end());
  for (U32 language : {LANGUAGE_ENGLISH, LANGUAGE_CROATIAN}) {
    EXPECT_EQ(wide, FromPage(ascii.c_str(), language));
    EXPECT_EQ(ascii, ToPage(wide, language));
  }
  EXPECT_EQ("ABE", ToPage(u"ΑΒΕ", LANGUAGE_GREEK)) << "Greek capitals drawn like Latin ones share their byte";
  UCHAR16 three[3];
  U_UNICODE_vFromQX(three, "abcdef", 3, LANGUAGE_ENGLISH);
  EXPECT_EQ(u"ab", std::u16string((const char16_t*)three));
  EXPECT_EQ(u"", FromPage("abc", LANGUAGE_JAPANESE)) << "a wide language has no page";
  EXPECT_EQ("ab", ToPage(u"a日b", LANGUAGE_ENGLISH)) << "characters the page lacks are dropped";
  EXPECT_EQ("U-ERR", ToPage(u"日本", LANGUAGE_ENGLISH)) << "nothing convertible";
  EXPECT_EQ("U-ERR", ToPage(u"abc", 27));
  EXPECT_EQ("U-", ToPage(u"日", LANGUAGE_ENGLISH, 3)) << "the error text is cut to the buffer";
}

}  // namespace
