// The readout formatters and choice lists, fed through the database as the
// owners of readouts write them; expected texts are worked by hand beside
// each row.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "g_fonts.h"
#include "g_string.h"
#include "h_database.h"
#include "h_memory.h"
#include "readouts_test.h"
#include "t_info.h"
#include "text_util.h"
#include "u_info.h"
#include "u_language.h"
#include "u_nav.h"
#include "ui_texts.h"
#include "test_keys.h"

namespace {

FOURCHARID FCID_FromText(const char* key) {
  FOURCHARID id = 0;
  memcpy(&id, key, 4);
  return id;
}

std::string FCID_ToText(FOURCHARID id) { return std::string((const char*)&id, 4); }

void PutFloat(const char* key, float value, DATA_TYPE type, bool bValid = true) {
  FOURCHARID id = FCID_FromText(key);
  H_DATABASE_bUpdateEverythingFloat(id, value, P_NORMAL, type, nullptr, bValid ? DB_NEVER_STALE : 1);
}

// A value word, whatever the key's type.
void PutU32(FOURCHARID id, U32 value, DATA_TYPE type = D_UNKNOWN, const char* const* title = nullptr) {
  DB_DATA_TYPE word = {};
  word.u32Val = value;
  H_DATABASE_bUpdateEverything(id, word, P_NORMAL, type, title, DB_NEVER_STALE);
}

std::string Text(FOURCHARID id, DIGITS_FORMAT format = SMALL_TENTHS, std::string* units = nullptr,
                 BOOLEAN* pbValid = nullptr) {
  char value[40] = {};
  const char* u = nullptr;
  BOOLEAN bValid = FALSE;
  const FONT_DEF* f = T_INFO_pFont(62);
  T_INFO_nInfoStrings(value, &u, &bValid, 158, id, f, T_INFO_pFont(14), T_INFO_pFont(32), format, 0, 40, nullptr,
                      nullptr);
  if (units != nullptr) *units = u != nullptr ? u : "(none)";
  if (pbValid != nullptr) *pbValid = bValid;
  return value;
}

class Formatters : public rt::ReadoutsTest {
  TEST_OWN_KEYS m_ownKeys;  // readouts bound to live items of the test's own
};

TEST_F(Formatters, DistancesSwitchToSmallUnitsAndKeepThreeFigures) {
  const struct {
    double metres;
    UNIT_TYPE unit;
    const char* text;
    UNIT_TYPE shown;
  } rows[] = {
      {0.05 * 1852, U_NAUT_MILES_FT, "304", U_FEET},  // 0.05 x 6076.1 = 303.8
      {0.05 * 1852, U_NAUT_MILES_M, "93", U_METRES},  // 92.6 m
      {0.05 * 1852, U_NAUT_MILES, "304", U_FEET},     // nautical feet, not statute ones
      {9994, U_KM, "9.99", U_KM},
      {9995, U_KM, "10.0", U_KM},
      {99950, U_KM, "100", U_KM},
      {500, U_KM, "500.00", U_METRES},            // two decimals kept below 1 km
      {-0.05 * 1609.344, U_STAT_MILES, "264", U_FEET},  // 0.05 x 5280, sign dropped
  };
  for (const auto& r : rows) {
    UNIT_TYPE unit = r.unit;
    char text[40] = {};
    T_INFO_vFormatDistance(r.metres, &unit, text);
    EXPECT_STREQ(r.text, text) << r.metres;
    EXPECT_EQ(r.shown, unit) << r.metres;
  }
  char depth[40] = {};
  T_INFO_vFormatDepth(30.48, U_FEET, depth, FALSE);
  EXPECT_STREQ("100", depth);  // 100 ft: no tenths from 99.95
  T_INFO_vFormatDepth(3.048, U_FEET, depth, FALSE);
  EXPECT_STREQ("10.0", depth);
  T_INFO_vFormatDepth(3.048, U_FEET, depth, TRUE);
  EXPECT_STREQ("10", depth);
}

TEST_F(Formatters, EachDataTypeHasItsTextAndUnits) {
  PutU32(FCID("SUHD"), U_DEG_TRUE);
  PutU32(FCID("SUTE"), U_FAHRENHEIT);
  PutU32(FCID("SUSP"), U_KNOTS);
  PutU32(FCID("SUDP"), U_FEET);
  PutFloat("IHDG", 359.6f, D_HEADING);
  PutFloat("ITMP", 20.0f, D_TEMPERATURE);  // 68.0 F
  PutFloat("ISPD", 5.144456f, D_SPEED);     // 10.0 kts: no tenths from 9.95
  PutFloat("ISTW", 2.5722f, D_SPEED);       // 5.0 kts
  PutFloat("IDEP", 3.048f, D_DEPTH);        // 10.0 ft
  PutFloat("IVLT", 12.04f, D_VOLTAGE);
  H_DATABASE_bUpdateEverythingS32(FCID("ITAW"), 3599, P_NORMAL, D_TIME, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingS32(FCID("ITTG"), 3600, P_NORMAL, D_TIME, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingS32(FCID("ITTF"), -1, P_NORMAL, D_TIME, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingS32(FCID("IELT"), 3723, P_NORMAL, D_LONG_TIME, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingS32(FCID("IFXP"), -98304, P_NORMAL, D_FIXED_POINT, nullptr, DB_NEVER_STALE);
  // Arrival times: -1 while the time to go is unknown, else a clock time
  // (2024-03-20 01:00 UTC, no zone set).
  PutU32(FCID("SITF"), F_24HOUR);
  H_DATABASE_bUpdateEverythingS32(FCID("IETA"), -1, P_NORMAL, D_DATETIME, nullptr, DB_NEVER_STALE);
  PutU32(FCID("IETF"), 1710896400u, D_DATETIME);
  PutU32(FCID("IBAT"), 56, D_PERCENT);
  PutU32(FCID("IRAW"), 0xBEEF, D_SAT_DATA);
  const std::string degrees = H_DATABASE_pcUnitsString(U_DEG_TRUE, 0);
  const std::string fahrenheit = H_DATABASE_pcUnitsString(U_FAHRENHEIT, 0);
  const struct {
    FOURCHARID id;
    DIGITS_FORMAT format;
    const char* text;
    std::string units;
  } rows[] = {
      {FCID("IHDG"), SMALL_TENTHS, "000", degrees},  // 359.6 rounds to 360, shown as 0
      {FCID("ITMP"), SMALL_TENTHS, "68.0", fahrenheit},
      {FCID("ITMP"), NO_TENTHS, "68", fahrenheit},
      {FCID("ISPD"), SMALL_TENTHS, "10", "kts"},
      {FCID("ISTW"), SMALL_TENTHS, "5.0", "kts"},
      {FCID("IDEP"), SMALL_TENTHS, "10.0", "ft"},
      {FCID("IVLT"), SMALL_TENTHS, "12.0", "V"},
      {FCID("ITAW"), SMALL_TENTHS, "59:59", ""},
      {FCID("ITTG"), SMALL_TENTHS, "1:00", ""},
      {FCID("ITTF"), SMALL_TENTHS, "---", ""},
      {FCID("IETA"), SMALL_TENTHS, "---", ""},
      {FCID("IETF"), SMALL_TENTHS, "01:00", ""},
      {FCID("IELT"), SMALL_TENTHS, "01:02:03", ""},
      {FCID("IFXP"), SMALL_TENTHS, "-1.50", ""},
      {FCID("IBAT"), SMALL_TENTHS, "56", "%"},
      {FCID("IRAW"), SMALL_TENTHS, "0000beef", ""},
  };
  for (const auto& r : rows) {
    std::string units;
    EXPECT_EQ(r.text, Text(r.id, r.format, &units)) << FCID_ToText(r.id);
    EXPECT_EQ(r.units, units) << FCID_ToText(r.id);
  }
  // Magnetic without a variation to apply is no heading at all.
  PutU32(FCID("SUHD"), U_DEG_MAGNETIC);
  std::string units;
  EXPECT_EQ("---", Text(FCID("IHDG"), SMALL_TENTHS, &units));
  EXPECT_EQ("", units);
  PutFloat("IMGV", 10.0f, D_HEADING);
  EXPECT_EQ("350", Text(FCID("IHDG")));
  // A missing item leaves the outputs alone and measures nothing.
  char value[40] = "untouched";
  const char* u = "kept";
  EXPECT_EQ(0, T_INFO_nInfoStrings(value, &u, nullptr, 0, FCID("INON"), T_INFO_pFont(62), T_INFO_pFont(14),
                                   T_INFO_pFont(62), SMALL_TENTHS, 0, 40, nullptr, nullptr));
  EXPECT_STREQ("untouched", value);
  EXPECT_STREQ("kept", u);
}

TEST_F(Formatters, AnInvalidHeadingSensorShowsDashesWhileOtherItemsKeepTheirLastValue) {
  PutU32(FCID("SUHD"), U_DEG_TRUE);
  PutFloat("IHDC", 45.0f, D_HEADING, false);
  PutFloat("IHDG", 45.0f, D_HEADING, false);
  ASSERT_TRUE(rt::WaitFor([] {
    BOOLEAN bValid = TRUE;
    return H_DATABASE_bFetch(FCID("IHDG"), nullptr, &bValid, nullptr) && !bValid;
  }));
  H_DATABASE_vSendAllInvalidData();
  BOOLEAN bValid = TRUE;
  EXPECT_EQ("---", Text(FCID("IHDC"), SMALL_TENTHS, nullptr, &bValid));
  EXPECT_FALSE(bValid);
  EXPECT_EQ("045", Text(FCID("IHDG"), SMALL_TENTHS, nullptr, &bValid));
  EXPECT_FALSE(bValid);
}

TEST_F(Formatters, SmallTenthsMeasureTheWholePartPlusAFourAndEightPixels) {
  PutU32(FCID("SUTE"), U_CELSIUS);
  PutFloat("ITMP", 12.3f, D_TEMPERATURE);
  const FONT_DEF* big = T_INFO_pFont(62);
  const FONT_DEF* small = T_INFO_pFont(32);
  char value[40] = {};
  const char* units = nullptr;
  S32 W = 0, U = 0;
  const S32 total = T_INFO_nInfoStrings(value, &units, nullptr, 0, FCID("ITMP"), big, T_INFO_pFont(14), small,
                                        SMALL_TENTHS, 0, 40, &W, &U);
  EXPECT_EQ((S32)(G_STRING_u32GetWidth(big, (const BYTE*)"12") + G_FONTS_u32GetWidth(small, '4') + 8), W);
  EXPECT_EQ((S32)G_STRING_u32GetWidth(T_INFO_pFont(14), (const BYTE*)units), U);
  EXPECT_EQ(W + U, total);
  // Large tenths, or one font for both, measure the whole text.
  T_INFO_nInfoStrings(value, &units, nullptr, 0, FCID("ITMP"), big, T_INFO_pFont(14), small, LARGE_TENTHS, 0, 40, &W,
                      &U);
  EXPECT_EQ((S32)G_STRING_u32GetWidth(big, (const BYTE*)"12.3"), W);
}

TEST_F(Formatters, ClockTimesFollowTheSettingsAndNeverTheHostTimeZone) {
  const time_t midnight = 1710892800;  // 2024-03-20 00:00:00 UTC
  PutU32(FCID("SITF"), F_12HOUR);
  PutU32(FCID("SIDF"), F_MMDDYY);
  const struct {
    time_t t;
    BOOLEAN bSeconds;
    const char* time;
  } rows[] = {
      {midnight + 5 * 60, FALSE, "12:05 AM"},
      {midnight + 13 * 3600 + 5 * 60, FALSE, "1:05 PM"},
      {midnight + 12 * 3600 + 5 * 60 + 9, TRUE, "12:05:09 PM"},
  };
  const char* zones[] = {"UTC", "Asia/Kolkata"};
  const char* saved = getenv("TZ");
  for (const char* zone : zones) {
    setenv("TZ", zone, 1);
    tzset();
    for (const auto& r : rows) {
      char time[40] = {}, date[40] = {};
      T_INFO_vFormatTimeAscii(r.t, r.bSeconds, TRUE, time, date, nullptr, FALSE);
      EXPECT_STREQ(r.time, time) << zone;
      EXPECT_STREQ("03/20/24", date) << zone;
    }
  }
  if (saved != nullptr) setenv("TZ", saved, 1); else unsetenv("TZ");
  tzset();
  // A language writes its own marks: Turkish afternoons are "ÖS" (öğleden sonra).
  SetLanguage(LANGUAGE_TURKISH);
  char turkish[40] = {};
  T_INFO_vFormatTimeAscii(midnight + 13 * 3600 + 5 * 60, FALSE, TRUE, turkish, nullptr, nullptr, FALSE);
  EXPECT_EQ(u"1:05 ÖS", FromPage(turkish, LANGUAGE_TURKISH));
  SetLanguage(LANGUAGE_ENGLISH);
  // The user's zone and summer time move the clock, and the 24-hour form.
  H_DATABASE_bUpdateEverythingS32(FCID("SLTZ"), -300, P_NORMAL, D_SIGNED32, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingBoolean(FCID("SDST"), TRUE, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  PutU32(FCID("SITF"), F_24HOUR);
  PutU32(FCID("SIDF"), F_DDMMYY);
  char time[40] = {}, date[40] = {};
  T_INFO_vFormatTime(midnight + 5 * 60, TRUE, FALSE, time, date, nullptr);
  EXPECT_STREQ("20:05:00", time);  // 00:05 less 5 h plus 1 h
  EXPECT_STREQ("19.03.24", date);
  T_INFO_vFormatTime(0, TRUE, FALSE, time, date, nullptr);
  EXPECT_STREQ("", time);
  H_DATABASE_vDeleteEntry(FCID("SITF"));
  T_INFO_vFormatTime(midnight, TRUE, FALSE, time, nullptr, nullptr);
  EXPECT_STREQ("---", time);
}

TEST_F(Formatters, SplitTenthsCutsAtThePoint) {
  char source[] = "12.3";
  char whole[8] = {};
  char* tenths = nullptr;
  EXPECT_TRUE(T_INFO_pSplitTenths(source, whole, &tenths, FALSE));
  EXPECT_STREQ("12", whole);
  EXPECT_STREQ(".3", tenths);
  EXPECT_TRUE(T_INFO_pSplitTenths(source, whole, &tenths, TRUE));
  EXPECT_STREQ("12.", whole);
  char plain[] = "123";
  EXPECT_FALSE(T_INFO_pSplitTenths(plain, whole, &tenths, FALSE));
  EXPECT_EQ(nullptr, tenths);
  EXPECT_FALSE(T_INFO_pSplitTenths(source, nullptr, &tenths, FALSE));
}

// ---------------------------------------------------------------------------
// Choice lists

// A title in every language.
struct TITLE {
  std::string text;
  const char* entries[27];
  explicit TITLE(const std::string& t) : text(t) {
    for (auto& e : entries) e = text.c_str();
  }
};

class ChoiceLists : public rt::ReadoutsTest {
  TEST_OWN_KEYS m_ownKeys;  // boxes of the test's own making
};

TEST_F(ChoiceLists, AreSortedOnTenCharactersWithOffAndAtMostFifty) {
  std::vector<std::unique_ptr<TITLE>> titles;
  auto add = [&](const char* key, const std::string& title) {
    titles.push_back(std::make_unique<TITLE>(title));
    PutU32(FCID_FromText(key), FCID("IDEP"), D_FCID, titles.back()->entries);
  };
  add("BZZZ", "Zulu");
  add("BAAA", "Alpha");
  add("BNOT", "Nothing");    // after "Off"? "No" < "Of": before it
  add("BLG1", "Longtitle-one");
  add("BLG2", "Longtitle-two");  // equal on 10 characters: walk order
  PutU32(FCID("BUNT"), FCID("IDEP"), D_FCID, nullptr);  // untitled: never offered
  const char* const* choices[INFO_CHOICES_MAX] = {};
  U32 values[INFO_CHOICES_MAX] = {};
  const U32 n = vFetchAllBeginningWith('B', choices, values, 0);
  std::vector<std::string> got;
  for (U32 i = 0; i < n; i++) got.push_back(choices[i][0]);
  // The two long titles in the order the database walk gives them.
  MULTI_FETCH_CONTROL_STRUCTURE walk = {};
  walk.cMatch = 'B';
  std::vector<std::string> longOnes;
  while (H_DATABASE_bFetchNextBeginningWith(&walk)) {
    if (walk.extras.ppcText != nullptr && std::string(walk.extras.ppcText[0]).rfind("Longtitle", 0) == 0) {
      longOnes.push_back(walk.extras.ppcText[0]);
    }
  }
  ASSERT_EQ(2u, longOnes.size());
  EXPECT_EQ((std::vector<std::string>{"Alpha", longOnes[0], longOnes[1], "Nothing", "Off", "Zulu"}), got);
  EXPECT_EQ(0u, values[4]);

  for (int i = 0; i < 60; i++) {
    const char key[5] = {'B', 'x', (char)('0' + i / 10), (char)('0' + i % 10), 0};
    add(key, "Extra " + std::to_string(i));
  }
  EXPECT_EQ(INFO_CHOICES_MAX, vFetchAllBeginningWith('B', choices, values, 0));
}

TEST_F(ChoiceLists, TheNavigatingListMergesWithoutRepeats) {
  TITLE depth("Depth"), bearing("Bearing"), speed("Speed");
  PutU32(FCID("BDEP"), FCID("IDEP"), D_FCID, depth.entries);
  PutU32(FCID("BSPD"), FCID("ISPD"), D_FCID, speed.entries);
  PutU32(FCID("QBRG"), FCID("IBRG"), D_FCID, bearing.entries);
  const char* const* b[INFO_CHOICES_MAX] = {};
  const char* const* q[INFO_CHOICES_MAX] = {};
  const char* const* merged[INFO_CHOICES_MAX] = {};
  U32 bv[INFO_CHOICES_MAX] = {}, qv[INFO_CHOICES_MAX] = {}, mv[INFO_CHOICES_MAX] = {};
  // The second time as while the language turns wide: the English lists are
  // still built and compared as English (a wide reading of "Off" ran past it).
  for (const LANGUAGE eSetting : {LANGUAGE_ENGLISH, LANGUAGE_JAPANESE}) {
    PutU32(FCID("SLNG"), eSetting, D_UNKNOWN, nullptr);
    U_WSTRING_vUpdateCurrentLanguage();
    const U32 nb = vFetchAllBeginningWith('B', b, bv, 0);
    const U32 nq = vFetchAllBeginningWith('Q', q, qv, 0);
    const U32 n = vCombineChoices(q, qv, nq, b, bv, nb, merged, mv, 0);
    std::vector<std::string> got;
    for (U32 i = 0; i < n; i++) got.push_back(merged[i][0]);
    EXPECT_EQ((std::vector<std::string>{"Bearing", "Depth", "Off", "Speed"}), got);
    EXPECT_EQ((std::vector<U32>{FCID("QBRG"), FCID("BDEP"), 0, FCID("BSPD")}), std::vector<U32>(mv, mv + n));
  }
  PutU32(FCID("SLNG"), LANGUAGE_ENGLISH, D_UNKNOWN, nullptr);
  U_WSTRING_vUpdateCurrentLanguage();
}

// ---------------------------------------------------------------------------
// Slots

class Slots : public rt::ReadoutsTest {};

U32 Slot(const char* key) {
  U32 value = 0xFFFFFFFF;
  H_DATABASE_bFetchU32(FCID_FromText(key), &value, nullptr, nullptr);
  return value;
}

TEST_F(Slots, IceModeRewritesTheDefaultsOverTheUsersChoice) {
  Start(rt::INFO);
  EXPECT_EQ((std::vector<U32>{FCID("BDEP"), FCID("BTMP"), FCID("BPOS"), FCID("BTMO"), FCID("BSPD")}),
            (std::vector<U32>{Slot("SIS1"), Slot("SIS2"), Slot("SIS3"), Slot("SIS4"), Slot("SIS5")}));
  GENERIC_MESSAGE* run = (GENERIC_MESSAGE*)H_MEMORY_pvMalloc(sizeof(GENERIC_MESSAGE));
  *run = {};
  run->Cmd = CMD_ID_RUN_SYSTEM;
  ASSERT_EQ(0, L_MBOX_Send(M_INFO, run, 3, 0));
  rt::Sync(M_INFO);
  H_DATABASE_bUpdateValueU32(FCID("SIS2"), FCID("BSPD"), P_NORMAL);
  H_DATABASE_bUpdateEverythingBoolean(FCID("SICE"), TRUE, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  rt::Sync(M_INFO);
  EXPECT_EQ((std::vector<U32>{FCID("BDEP"), FCID("BTMO"), FCID("BBAT"), FCID("BVLT"), FCID("BPOS")}),
            (std::vector<U32>{Slot("SIS1"), Slot("SIS2"), Slot("SIS3"), Slot("SIS4"), Slot("SIS5")}));
  // The battery readout is offered only now.
  const U32* values = nullptr;
  U32 n = 0;
  const char* const* const* choices = T_INFO_ppChoices('B', &values, &n);
  (void)choices;
  EXPECT_NE(values + n, std::find(values, values + n, FCID("BBAT")));
  H_DATABASE_bUpdateEverythingBoolean(FCID("SICE"), FALSE, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  rt::Sync(M_INFO);
  EXPECT_EQ(FCID("BTMP"), Slot("SIS2"));
  T_INFO_ppChoices('B', &values, &n);
  EXPECT_EQ(values + n, std::find(values, values + n, FCID("BBAT")));
}

void SetSlots(U32 s1, U32 s2, U32 s3, U32 s4, U32 s5) {
  const U32 v[] = {s1, s2, s3, s4, s5};
  const char* keys[] = {"SIS1", "SIS2", "SIS3", "SIS4", "SIS5"};
  for (int i = 0; i < 5; i++) PutU32(FCID_FromText(keys[i]), v[i], D_FCID);
}

TEST_F(Slots, ARequestedReadoutTakesTheNextFreeSlotFromItsWindowRound) {
  SetSlots(0, FCID("BTMP"), FCID("BPOS"), FCID("BTMO"), FCID("BDEP"));
  EXPECT_TRUE(U_INFO_bSelectBox(FCID("BSPD"), 4));
  EXPECT_EQ(FCID("BSPD"), Slot("SIS1"));
  EXPECT_TRUE(U_INFO_bSelectBox(FCID("BSPD"), 4));  // already shown: nothing moves
  EXPECT_EQ((std::vector<U32>{FCID("BSPD"), FCID("BTMP"), FCID("BPOS"), FCID("BTMO"), FCID("BDEP")}),
            (std::vector<U32>{Slot("SIS1"), Slot("SIS2"), Slot("SIS3"), Slot("SIS4"), Slot("SIS5")}));
  EXPECT_FALSE(U_INFO_bSelectBox(FCID("BSTW"), 2));  // no free slot
  EXPECT_FALSE(U_INFO_bSelectBox(FCID("BSTW"), 0));
  EXPECT_FALSE(U_INFO_bSelectBox(FCID("BSTW"), 6));
}

TEST_F(Slots, ASixthRequestIsRefusedWithoutLookingAtTheSlots) {
  SetSlots(0, 0, 0, 0, 0);
  const FOURCHARID asked[] = {FCID("BR01"), FCID("BR02"), FCID("BR03"), FCID("BR04"), FCID("BR05")};
  for (FOURCHARID id : asked) EXPECT_TRUE(U_INFO_bDisplayInInfoBox(id, 1));
  SetSlots(0, 0, 0, 0, 0);
  EXPECT_FALSE(U_INFO_bDisplayInInfoBox(FCID("BR06"), 1));
  EXPECT_EQ(0u, Slot("SIS1"));
  // The five recorded ones come back in order.
  U_INFO_vReinitializeInfoBoxes();
  EXPECT_EQ((std::vector<U32>{asked[0], asked[1], asked[2], asked[3], asked[4]}),
            (std::vector<U32>{Slot("SIS1"), Slot("SIS2"), Slot("SIS3"), Slot("SIS4"), Slot("SIS5")}));
}

// The speed and the temperature tasks ask from their own threads.
TEST_F(Slots, RequestsFromTwoTasksAtOnceEachLandOnce) {
  const U64 ms = rt::StressMs(1) / 4;
  const U64 end = L_CLOCK_qwGetTimeInMicros() / 1000 + ms;
  U32 rounds = 0;
  while (L_CLOCK_qwGetTimeInMicros() / 1000 < end || rounds < 20) {
    SetSlots(0, 0, 0, 0, 0);
    U_INFO_vForgetRequests();
    std::thread speed([] { U_INFO_bDisplayInInfoBox(FCID("BSPD"), 4); });
    std::thread temp([] { U_INFO_bDisplayInInfoBox(FCID("BTMP"), 4); });
    speed.join();
    temp.join();
    const std::vector<U32> slots = {Slot("SIS1"), Slot("SIS2"), Slot("SIS3"), Slot("SIS4"), Slot("SIS5")};
    ASSERT_EQ(1, std::count(slots.begin(), slots.end(), FCID("BSPD")));
    ASSERT_EQ(1, std::count(slots.begin(), slots.end(), FCID("BTMP")));
    ASSERT_EQ(3, std::count(slots.begin(), slots.end(), 0u));
    rounds++;
  }
}

}  // namespace
