// Position text in the three notations, byte for byte, and read back.

#include <gtest/gtest.h>
#include <math.h>

#include <random>

#include "text_util.h"
#include "u_language.h"
#include "u_nav.h"

namespace {

typedef LanguageTest PositionText;

std::string Format(DATA_TYPE type, double v, NAV_FORMAT_ENUM format, INFO_POSITION_SPACING space, U32 lang = 0) {
  char text[U_NAV_POSITION_TEXT_SIZE];
  U_NAV_vFormatPosition(type, v, text, format, lang, space);
  return text;
}

TEST_F(PositionText, EachNotationPrintsItsFieldsWithCarries) {
  const struct {
    DATA_TYPE type;
    double value;
    NAV_FORMAT_ENUM format;
    INFO_POSITION_SPACING space;
    const char* text;
  } rows[] = {
      {D_POSITION_LAT, 45.5, F_DD_MM_MMM, IPS_SPACE, "N 45\xBA" "30.000'"},
      {D_POSITION_LON, -122.25, F_DD_DDDDD, IPS_NO_SPACE, "W122.25000\xBA"},
      {D_POSITION_LON, 45.12345, F_DD_DDDDD, IPS_SPACE, "E 045.12345\xBA"},
      {D_POSITION_LAT, 10.99999, F_DD_MM_MMM, IPS_SPACE, "N 10\xBA" "59.999'"},
      {D_POSITION_LAT, 10.999995, F_DD_MM_MMM, IPS_SPACE, "N 11\xBA" "00.000'"},
      {D_POSITION_LAT, 30.0 + 59.0 / 60.0 + 59.6 / 3600.0, F_DD_MM_SS, IPS_SPACE, "N 31\xBA" "00'00\""},
      {D_POSITION_LON, -(5.0 + 4.0 / 60.0 + 3.0 / 3600.0), F_DD_MM_SS, IPS_SPACE, "W 005\xBA" "04'03\""},
      {D_POSITION_LAT, 0.0, F_24HOUR, IPS_SPACE, "N 00\xBA" "00.000'"},
      {D_POSITION_LON, 0.0, F_DD_DDDDD, IPS_NO_SPACE, "E000.00000\xBA"},
  };
  for (const auto& r : rows) EXPECT_EQ(std::string(r.text), Format(r.type, r.value, r.format, r.space)) << r.value;
  const std::string huge = Format(D_POSITION_LAT, -1e300, F_DD_DDDDD, IPS_SPACE);
  EXPECT_EQ(32u, huge.size()) << "cut at 30 characters, not overrun";
  EXPECT_EQ("S 10000000000000000", huge.substr(0, 19));
}

// The code page's degree sign (0xBA) is Unicode's masculine ordinal "\u00BA":
// wide text has the degree sign U+00B0, and reads back.
TEST_F(PositionText, WideLanguagesWidenTheTextWithUnicodesDegreeSign) {
  char text[U_NAV_POSITION_TEXT_SIZE];
  U_NAV_vFormatPosition(D_POSITION_LON, 45.12345, text, F_DD_DDDDD, LANGUAGE_ENGLISH_UNICODE, IPS_SPACE);
  EXPECT_EQ(u"E 045.12345\u00B0", Units(text));
  U_NAV_vFormatPosition(D_POSITION_LAT, -(33.0 + 52.0 / 60.0), text, F_DD_MM_MMM, LANGUAGE_KOREAN, IPS_SPACE);
  EXPECT_EQ(u"S 33\u00B052.000'", Units(text));
  SetLanguage(LANGUAGE_KOREAN);
  double v = 0;
  EXPECT_TRUE(U_NAV_bParsePosition(D_POSITION_LAT, text, &v, F_DD_MM_MMM, LANGUAGE_KOREAN));
  EXPECT_NEAR(-(33.0 + 52.0 / 60.0), v, 1e-12);
}

TEST_F(PositionText, ParsingNeedsTheBlankAndAHemisphereLetter) {
  double v = 0;
  EXPECT_TRUE(U_NAV_bParsePosition(D_POSITION_LAT, "S 33\xBA" "52.000'", &v, F_DD_MM_MMM, 0));
  EXPECT_NEAR(-(33.0 + 52.0 / 60.0), v, 1e-12);
  v = 7;
  EXPECT_FALSE(U_NAV_bParsePosition(D_POSITION_LAT, "S33\xBA" "52.000'", &v, F_DD_MM_MMM, 0));
  EXPECT_EQ(7, v);
  EXPECT_FALSE(U_NAV_bParsePosition(D_POSITION_LAT, "X 10\xBA", &v, F_DD_MM_MMM, 0));
  EXPECT_EQ(10, v);
  EXPECT_TRUE(U_NAV_bParsePosition(D_POSITION_LON, "W 005\xBA" "04'03\"", &v, F_DD_MM_SS, 0));
  EXPECT_NEAR(-(5.0 + 4.0 / 60.0 + 3.0 / 3600.0), v, 1e-12);
  EXPECT_TRUE(U_NAV_bParsePosition(D_POSITION_LON, "E 12", &v, F_DD_MM_SS, 0));
  EXPECT_EQ(0, v) << "no degree sign, no number";
  EXPECT_FALSE(U_NAV_bParsePosition(D_POSITION_LON, "", &v, F_DD_MM_SS, 0));
  SetLanguage(LANGUAGE_JAPANESE);
  EXPECT_TRUE(U_NAV_bParsePosition(D_POSITION_LAT, W(u"N\u300045\u00BA30.000'").data(), &v, F_DD_MM_MMM, 0));
  EXPECT_EQ(45.5, v);
  EXPECT_TRUE(U_NAV_bParsePosition(D_POSITION_LAT, W(u"S 45\u00BA\uFF13\uFF10.000'").data(), &v, F_DD_MM_MMM, 0));
  EXPECT_EQ(-45.5, v) << "full-width digits read as digits";
  EXPECT_FALSE(U_NAV_bParsePosition(D_POSITION_LAT, W(u"N_45\u00BA").data(), &v, F_DD_MM_MMM, 0));
  EXPECT_FALSE(U_NAV_bParsePosition(D_POSITION_LAT, W(u"N").data(), &v, F_DD_MM_MMM, 0));
}

TEST_F(PositionText, FormatThenParseReturnsWithinHalfTheLastPrintedUnit) {
  const struct {
    NAV_FORMAT_ENUM format;
    double halfUnit;
  } notations[] = {{F_DD_DDDDD, 0.000005}, {F_DD_MM_MMM, 0.0005 / 60.0}, {F_DD_MM_SS, 0.5 / 3600.0}};
  std::mt19937 rng(105);
  std::uniform_real_distribution<double> lat(-90, 90), lon(-180, 180);
  for (const auto& n : notations) {
    for (int i = 0; i < 10000; i++) {
      const DATA_TYPE type = (i & 1) ? D_POSITION_LAT : D_POSITION_LON;
      const double v = type == D_POSITION_LAT ? lat(rng) : lon(rng);
      double back = 1e9;
      ASSERT_TRUE(U_NAV_bParsePosition(type, Format(type, v, n.format, IPS_SPACE).c_str(), &back, n.format, 0));
      ASSERT_NEAR(v, back, n.halfUnit * (1 + 1e-9)) << Format(type, v, n.format, IPS_SPACE);
    }
  }
}

}  // namespace
