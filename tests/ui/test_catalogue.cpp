// The generated text tables and the code pages they are written in.

#include <gtest/gtest.h>
#include <string.h>

#include <string>

#include "text_util.h"
#include "u_language.h"
#include "u_unicode.h"
#include "ui_texts.h"

namespace {

std::u16string FromPage(const char* text, U32 language) {
  UCHAR16 out[512];
  U_UNICODE_vFromQX(out, text, 512, language);
  return std::u16string((const char16_t*)out);
}

std::string ToPage(const std::u16string& text, U32 language) {
  char out[512];
  U_UNICODE_vToQX(out, (const UCHAR16*)text.c_str(), sizeof out, language);
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
        continue;
      }
      // Through the page of its font set to Unicode and back, unchanged.
      EXPECT_EQ(std::string(text), ToPage(FromPage(text, language), language)) << entry.pcName << " " << language;
    }
  }
}

TEST(Catalogue, UntranslatedTextsAreEnglishInBothForms) {
  EXPECT_STREQ("Restore Defaults", Restore_Defaults[LANGUAGE_GERMAN]);
  EXPECT_STREQ("Restore Defaults", Restore_Defaults[LANGUAGE_RUSSIAN]);
  EXPECT_EQ(u"Restore Defaults", Units(Restore_Defaults[LANGUAGE_CHINESE_TRADITIONAL]));
  EXPECT_EQ(u"Shutdown in {#} seconds", Units(Shutdown_in_seconds[LANGUAGE_ENGLISH_UNICODE]));
  EXPECT_STREQ("\xBA" "C", Degrees_C[LANGUAGE_POLISH]) << "0xBA is the degree sign";
  EXPECT_STREQ("\xBA" "C", Degrees_C[LANGUAGE_BULGARIAN]);
  EXPECT_EQ(u"\u00B0C", Units(Degrees_C[LANGUAGE_JAPANESE]));
}

TEST(Catalogue, PresetNamesAreTranslatedForKoreanAndChinese) {
  EXPECT_STREQ("/Wypt_Buoy", Wypt_Buoy[LANGUAGE_ENGLISH]);
  EXPECT_EQ(u"/Wypt_Buoy", Units(Wypt_Buoy[LANGUAGE_JAPANESE]));
  EXPECT_EQ(u"부이", Units(Wypt_Buoy[LANGUAGE_KOREAN]));
  EXPECT_EQ(u"浮标", Units(Wypt_Buoy[LANGUAGE_CHINESE_SIMPLIFIED]));
  EXPECT_EQ(u"浮標", Units(Wypt_Buoy[LANGUAGE_CHINESE_TRADITIONAL]));
  EXPECT_EQ(u"/Wypt_Buoy", Units(Wypt_Buoy[LANGUAGE_ENGLISH_UNICODE]));
}

TEST(Catalogue, LanguageNamesAreInTheirOwnScripts) {
  struct ROW {
    const char* const* table;
    std::u16string name;
  } rows[] = {
      {Language_Russian, u"Русский"}, {Language_Bulgarian, u"Български"}, {Language_Greek, u"Ελληνικά"},
      {Language_Czech, u"Čeština"},   {Language_Turkish, u"Türkçe"},      {Language_Lithuanian, u"Lietuvių"},
      {Language_Spanish, u"Español"},
  };
  for (const ROW& row : rows) {
    EXPECT_EQ(row.name, Units(row.table[LANGUAGE_ENGLISH_UNICODE]));
    // Every 8-bit language shows it too, in its own page.
    for (U32 language = 0; language < UI_TEXT_FIRST_WIDE; language++) {
      EXPECT_STRNE("", row.table[language]);
    }
  }
  EXPECT_EQ(u"Русский", FromPage(Language_Russian[LANGUAGE_RUSSIAN], LANGUAGE_RUSSIAN));
  // Page 1 draws Greek capital epsilon with the Latin E.
  EXPECT_EQ(u"Eλληνικά", FromPage(Language_Greek[LANGUAGE_GREEK], LANGUAGE_GREEK));
  EXPECT_EQ(u"日本語", Units(Language_Japanese[LANGUAGE_KOREAN]));
  EXPECT_EQ(u"日本語", Units(Language_Japanese[LANGUAGE_ENGLISH_UNICODE]));
  EXPECT_STREQ("Japanese", Language_Japanese[LANGUAGE_ENGLISH]);
}

TEST(CodePages, KeepAsciiAndTheDegreeSign) {
  std::string ascii;
  for (int c = 0x20; c < 0x7F; c++) ascii += (char)c;
  for (U32 language : {LANGUAGE_ENGLISH, LANGUAGE_GREEK, LANGUAGE_CROATIAN, LANGUAGE_RUSSIAN}) {
    std::u16string wide(ascii.begin(), ascii.end());
    EXPECT_EQ(wide, FromPage(ascii.c_str(), language)) << language;
    EXPECT_EQ(ascii, ToPage(wide, language)) << language;
    EXPECT_EQ(u"\u00B0", FromPage("\xBA", language));
    EXPECT_EQ("\n\r\003", ToPage(u"\n\r\003", language)) << "control bytes keep their meaning";
  }
}

TEST(CodePages, SpellTheTestedLanguages) {
  struct ROW {
    U32 language;
    std::u16string text;
  } rows[] = {
      {LANGUAGE_GERMAN, u"Größe über Fluss"},   {LANGUAGE_POLISH, u"Zażółć gęślą jaźń"},
      {LANGUAGE_CZECH, u"Příliš žluťoučký kůň"}, {LANGUAGE_TURKISH, u"Işık ğüşöç İ"},
      {LANGUAGE_GREEK, u"γαλήνη ψάρι Ώρα"},      {LANGUAGE_RUSSIAN, u"Съешь же ещё этих булок"},
      {LANGUAGE_CROATIAN, u"Đurđa čeka ćup"},    {LANGUAGE_LATVIAN, u"ķīmija ļoti ņemt"},
  };
  for (const ROW& row : rows) {
    const std::string page = ToPage(row.text, row.language);
    EXPECT_EQ(row.text, FromPage(page.c_str(), row.language)) << row.language;
  }
  // Greek capitals drawn like Latin ones share the Latin byte.
  EXPECT_EQ("ABE", ToPage(u"ΑΒΕ", LANGUAGE_GREEK));
}

TEST(CodePages, ConversionLimitsAndFailures) {
  UCHAR16 wide[4];
  U_UNICODE_vFromQX(wide, "abcdef", 4, LANGUAGE_ENGLISH);
  EXPECT_EQ(u"abc", std::u16string((const char16_t*)wide));
  U_UNICODE_vFromQX(wide, "abc", 4, LANGUAGE_JAPANESE);
  EXPECT_EQ(0, wide[0]) << "a wide language has no page";
  U_UNICODE_vFromQX(wide, "\xFF", 4, LANGUAGE_RUSSIAN);
  EXPECT_EQ(u"я", std::u16string((const char16_t*)wide));

  EXPECT_EQ("U-ERR", ToPage(u"日本", LANGUAGE_ENGLISH)) << "nothing convertible";
  EXPECT_EQ("U-ERR", ToPage(u"abc", LANGUAGE_KOREAN));
  EXPECT_EQ("U-ERR", ToPage(u"abc", 27));
  EXPECT_EQ("ab", ToPage(u"a日b", LANGUAGE_ENGLISH)) << "characters the page lacks are dropped";
  char tiny[3];
  U_UNICODE_vToQX(tiny, (const UCHAR16*)u"日", sizeof tiny, LANGUAGE_ENGLISH);
  EXPECT_STREQ("U-", tiny) << "the error text is cut to the buffer";
}

}  // namespace
