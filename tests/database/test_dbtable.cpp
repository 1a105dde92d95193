// The key table: every key the sources name has its row, the rows hold
// together, start-up and Restore Defaults take their values from it, and a
// key used as another type than its own stops a test build.

#include <gtest/gtest.h>
#include <string.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "h_dbtable.h"
#include "test_tasks.h"
#include "u_convert.h"

namespace {

std::string KeyText(FOURCHARID id) { return std::string((const char*)&id, 4); }

FOURCHARID KeyOf(const std::string& text) {
  return (U32)(U8)text[0] | (U32)(U8)text[1] << 8 | (U32)(U8)text[2] << 16 | (U32)(U8)text[3] << 24;
}

// Four capitals or digits in quotes that are words of a protocol, a file
// format or a script, not keys.
const std::set<std::string> kNotKeys = {"COPY", "EAST", "EXIT", "FAIL", "FILE", "IDAT", "IEND", "IHDR", "MENU",
                                        "PASS", "PEMT", "PQVM", "PSMT", "PSRF", "PUBX", "UUUU", "VIEW", "WAIT",
                                        "WEST"};

// Four characters from the given place that could be a key: a capital, then
// capitals or digits.
bool IsKeyAt(const std::string& line, size_t at) {
  if (at + 4 > line.size() || line[at] < 'A' || line[at] > 'Z') return false;
  for (size_t i = at + 1; i < at + 4; i++) {
    if (!(line[i] >= 'A' && line[i] <= 'Z') && !(line[i] >= '0' && line[i] <= '9')) return false;
  }
  return true;
}

// The keys as the sources spell them: FCID("KEY"), a key in quotes handed to
// a helper, and the SET lines of the demonstration scripts. Scanned by hand:
// std::regex over every line of the sources took most of a minute in the
// unoptimised sanitizer build.
std::set<std::string> KeysNamedInSources(void) {
  std::set<std::string> keys;
  auto take = [&](const std::string& key) {
    // A '#' names the digits of a family of keys, the table's own.
    if (!kNotKeys.count(key) && key.find('#') == std::string::npos) keys.insert(key);
  };
  for (const auto& entry : std::filesystem::recursive_directory_iterator(VELMORA_SOURCE_DIR)) {
    const std::string ext = entry.path().extension().string();
    if (ext != ".cpp" && ext != ".h") continue;
    std::ifstream in(entry.path());
    std::string line;
    while (std::getline(in, line)) {
      // FCID(" then any four characters but a quote, then ").
      for (size_t at = line.find("FCID(\""); at != std::string::npos; at = line.find("FCID(\"", at + 1)) {
        if (at + 12 <= line.size() && line.compare(at + 10, 2, "\")") == 0 && line.find('"', at + 6) == at + 10) {
          take(line.substr(at + 6, 4));
        }
      }
      // A quote ends a key in quotes or may open the next one.
      for (size_t at = line.find('"'); at != std::string::npos;) {
        const bool bKey = IsKeyAt(line, at + 1) && at + 5 < line.size() && line[at + 5] == '"';
        if (bKey) take(line.substr(at + 1, 4));
        at = line.find('"', bKey ? at + 6 : at + 1);
      }
      if (line.compare(0, 4, "SET ") == 0 && IsKeyAt(line, 4) && line.size() > 8 && line[8] == ' ') {
        take(line.substr(4, 4));
      }
    }
  }
  return keys;
}

TEST(KeyTable, EveryKeyTheSourcesNameHasARow) {
  const std::set<std::string> keys = KeysNamedInSources();
  EXPECT_GT(keys.size(), 500u) << "the walk found the sources";
  for (const std::string& key : keys) EXPECT_NE(nullptr, H_DBTABLE_pRow(KeyOf(key))) << key;
}

U32 FloatWord(float f) {
  U32 u;
  memcpy(&u, &f, 4);
  return u;
}

// Defaults a row's own check refuses, slider spans that reach past its range
// and settings that nobody makes would each be a unit that cannot hold its
// own factory state.
TEST(KeyTable, EveryRowsDefaultsAndSliderSpansLieInItsRange) {
  U_CONVERT_vInitialiseConversionUtility();
  for (U32 i = 0; i < H_DBTABLE_u32Rows(); i++) {
    const DB_TABLE_ROW* r = H_DBTABLE_pRowAt(i);
    const std::string key = KeyText(r->id);
    EXPECT_TRUE(r->u8Owner >= 1 && r->u8Owner <= 16) << key;
    if (H_DBTABLE_bIsSetting(r)) {
      EXPECT_TRUE(r->sDefault.eKind != DBD_NONE || (r->u8Flags & DBF_OWNER) != 0) << key << " is made by nobody";
    }
    if (r->sDefault.eKind != DBD_NONE) {
      EXPECT_EQ(DBC_TAKEN, H_DBTABLE_eCheck(r->id, r->sDefault.u32Value)) << key;
    }
    if (r->sDefault.eKind != DBD_NONE && r->sDefault.eKind != DBD_FIXED) {
      EXPECT_EQ(DBC_TAKEN, H_DBTABLE_eCheck(r->id, r->sDefault.u32Other)) << key;
    }
    if (r->sRange.eKind == DBR_CHOICES) {
      EXPECT_GT(r->sRange.u32Choices, 0u) << key;
    }
    for (U32 s = 0; r->sRange.pShown != nullptr && s < DB_MAX_SHOWN; s++) {
      const DB_SHOWN_SPAN& span = r->sRange.pShown[s];
      if (span.eUnits == U_NONE && span.fStep == 0.0f) break;  // the end of the list
      EXPECT_GT(span.fStep, 0.0f) << key;
      EXPECT_EQ(DBC_TAKEN, H_DBTABLE_eCheckShownSpan(r->id, span.eUnits, span.fLow, span.fHigh))
          << key << " " << span.fLow << " to " << span.fHigh << " in units " << span.eUnits;
      if (span.eUnits == U_NONE) break;
    }
  }
}

// The quick set-up's Max Depth stops at 120 m, but the sonar menu's Lower
// Range, the same key, goes on to the deepest fixed range the sonar draws;
// a range the table refused would be dropped by the store at the next start.
TEST(KeyTable, TheLowerRangeTakesEveryFixedRangeTheSonarDraws) {
  U_CONVERT_vInitialiseConversionUtility();
  for (float fMetres : {0.0f, 2.0f, 120.0f, 200.0f, 300.0f}) {
    EXPECT_EQ(DBC_TAKEN, H_DBTABLE_eCheck(FCID("SSMD"), FloatWord(fMetres))) << fMetres << " m";
  }
  EXPECT_EQ(DBC_OUT_OF_RANGE, H_DBTABLE_eCheck(FCID("SSMD"), FloatWord(301.0f)));
  EXPECT_EQ(DBC_TAKEN, H_DBTABLE_eCheckShownSpan(FCID("SSMD"), U_FEET, 0.0f, 980.0f));
  EXPECT_EQ(DBC_OUT_OF_RANGE, H_DBTABLE_eCheckShownSpan(FCID("SSMD"), U_FEET, 0.0f, 1000.0f));
}

// The zone is one of the 35 the unit offers (-11:00 to +14:00, the odd ones
// +05:45 and +12:45 among them), not any minute offset; the model is one of
// the model table, not any number a damaged store or a PC sends.
TEST(KeyTable, TheTimeZoneAndTheModelTakeOnlyTheUnitsOwn) {
  for (S32 s32Zone : {-660, -210, 0, 345, 765, 840}) {
    EXPECT_EQ(DBC_TAKEN, H_DBTABLE_eCheck(FCID("SLTZ"), (U32)s32Zone)) << s32Zone;
  }
  for (S32 s32Zone : {-720, -7, 30, 601, 841}) {
    EXPECT_EQ(DBC_OUT_OF_RANGE, H_DBTABLE_eCheck(FCID("SLTZ"), (U32)s32Zone)) << s32Zone;
  }
  for (U32 u32Model : {471u, 584u, 585u, 643u}) EXPECT_EQ(DBC_TAKEN, H_DBTABLE_eCheck(FCID("SMDL"), u32Model));
  for (U32 u32Model : {0u, 600u, 3901694137u}) {
    EXPECT_EQ(DBC_OUT_OF_RANGE, H_DBTABLE_eCheck(FCID("SMDL"), u32Model)) << u32Model;
  }
}

class KeyTableInDatabase : public ::testing::Test {
 protected:
  void SetUp() override {
    TEST_vInitServiceLayer();
    H_DATABASE_vInit();
  }
  void TearDown() override { H_DATABASE_vInit(); }
  static U32 Word(const char (&key)[5]) {
    DB_DATA_TYPE v = {};
    v.u32Val = 0xDEADBEEF;
    EXPECT_TRUE(H_DATABASE_bFetch(FCID(key), &v, nullptr, nullptr)) << key;
    return v.u32Val;
  }
};

// The factory values a user is promised: a domestic model (584) shows depth
// in feet, the collision limits are 0.5 NM and 15 minutes, the off-course
// limit 300 ft, sensitivity 10.
TEST_F(KeyTableInDatabase, StartUpMakesEverySettingAndRestoreDefaultsPutsTheUnkeptBack) {
  ASSERT_FALSE(H_DATABASE_bUpdateValueU32(FCID("SMDL"), 584, P_NORMAL));
  H_DBTABLE_vCreateSettings();
  ASSERT_FALSE(H_DATABASE_bUpdateValueU32(FCID("SLNG"), 5, P_NORMAL)) << "restored from the store";
  H_DBTABLE_vSettleModelDefaults();
  EXPECT_EQ((U32)U_FEET, Word("SUDP"));
  EXPECT_EQ(FloatWord(0.5f), Word("SCPA"));
  EXPECT_EQ(15u, Word("STCP"));
  EXPECT_EQ(FloatWord((float)(300 * (double)0.3048f)), Word("SNAO"));
  EXPECT_EQ(10u, Word("SSS2"));
  EXPECT_EQ(5u, Word("SLNG"));
  EXPECT_FALSE(H_DATABASE_bFetch(FCID("SQCD"), nullptr, nullptr, nullptr)) << "its absence is the first start";
  for (U32 i = 0; i < H_DBTABLE_u32Rows(); i++) {
    const DB_TABLE_ROW* r = H_DBTABLE_pRowAt(i);
    if (H_DBTABLE_bIsSetting(r) && r->sDefault.eKind != DBD_NONE && (r->u8Flags & DBF_OWNER) == 0) {
      EXPECT_TRUE(H_DATABASE_bFetch(r->id, nullptr, nullptr, nullptr)) << KeyText(r->id);
    }
  }

  ASSERT_FALSE(H_DATABASE_bUpdateValueU32(FCID("SSS2"), 3, P_NORMAL));
  ASSERT_FALSE(H_DATABASE_bUpdateValueFloat(FCID("SCPA"), 2.0f, P_NORMAL));
  ASSERT_FALSE(H_DATABASE_bUpdateValueU32(FCID("SLNG"), 7, P_NORMAL));
  ASSERT_FALSE(H_DATABASE_bUpdateValueU32(FCID("SENU"), 12345, P_NORMAL));
  EXPECT_GT(H_DBTABLE_u32RestoreDefaults(), 200u);
  EXPECT_EQ(10u, Word("SSS2"));
  EXPECT_EQ(FloatWord(0.5f), Word("SCPA"));
  EXPECT_EQ(7u, Word("SLNG")) << "the language survives";
  EXPECT_EQ(12345u, Word("SENU")) << "the serial number survives";
}

// The keys two callers read or wrote as two types, each now one type.
TEST_F(KeyTableInDatabase, TheThirteenKeysOfTwoTypesReadAndWriteAsTheirOne) {
  const struct {
    FOURCHARID id;
    DB_VALUE_TYPE eType;
  } kKeys[] = {{FCID("CCNC"), DBT_BOOL}, {FCID("CVEW"), DBT_S32}, {FCID("ICAC"), DBT_BOOL}, {FCID("ICWP"), DBT_U32},
               {FCID("IGWP"), DBT_U32},  {FCID("INIP"), DBT_U32}, {FCID("ITAW"), DBT_S32},  {FCID("ITWP"), DBT_U32},
               {FCID("ITXD"), DBT_BOOL}, {FCID("SBAK"), DBT_S32}, {FCID("SMSU"), DBT_BOOL}, {FCID("SNDG"), DBT_U32},
               {FCID("SSEN"), DBT_BOOL}};
  for (const auto& k : kKeys) {
    ASSERT_NE(nullptr, H_DBTABLE_pRow(k.id)) << KeyText(k.id);
    EXPECT_EQ(k.eType, H_DBTABLE_pRow(k.id)->eType) << KeyText(k.id);
    switch (k.eType) {
      case DBT_BOOL: {
        BOOLEAN b = FALSE;
        EXPECT_FALSE(H_DATABASE_bUpdateValueBoolean(k.id, TRUE, P_NORMAL));
        EXPECT_TRUE(H_DATABASE_bFetchBoolean(k.id, &b, nullptr, nullptr) && b) << KeyText(k.id);
        break;
      }
      case DBT_S32: {
        S32 s = 0;
        EXPECT_FALSE(H_DATABASE_bUpdateValueS32(k.id, -2, P_NORMAL));
        EXPECT_TRUE(H_DATABASE_bFetchS32(k.id, &s, nullptr, nullptr) && s == -2) << KeyText(k.id);
        break;
      }
      default: {
        U32 u = 0;
        EXPECT_FALSE(H_DATABASE_bUpdateValueU32(k.id, 0xFFFF, P_NORMAL));
        EXPECT_TRUE(H_DATABASE_bFetchU32(k.id, &u, nullptr, nullptr) && u == 0xFFFF) << KeyText(k.id);
        break;
      }
    }
  }
}

TEST_F(KeyTableInDatabase, AKeyUsedAsAnotherTypeOrWithoutARowStopsATestBuild) {
#ifndef VELMORA_CHECK_DB_TYPES
  GTEST_SKIP() << "the check is in debug and test builds only";
#endif
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  U32 u = 0;
  EXPECT_DEATH(H_DATABASE_bFetchU32(FCID("SSEN"), &u, nullptr, nullptr), "SSEN is a BOOLEAN key, used as U32");
  EXPECT_DEATH(H_DATABASE_bUpdateValueFloat(FCID("STCP"), 15.0f, P_NORMAL), "STCP is a U32 key, used as float");
  EXPECT_DEATH(H_DATABASE_bFetch(FCID("QQQQ"), nullptr, nullptr, nullptr), "QQQQ .* has no row");
  // Sensitivity is 1 to 20: a menu that offered 30 would lose the user's
  // choice at the next start.
  EXPECT_DEATH(H_DBTABLE_vCheckOffered(FCID("SSS2"), H_DBTABLE_eCheckShownSpan(FCID("SSS2"), U_NONE, 1.0f, 30.0f),
                                       "Sensitivity"),
               "SSS2: the menu Sensitivity offers a value outside");
  H_DBTABLE_vCheckOffered(FCID("SSS2"), H_DBTABLE_eCheckShownSpan(FCID("SSS2"), U_NONE, 1.0f, 20.0f), "Sensitivity");
}

}  // namespace
