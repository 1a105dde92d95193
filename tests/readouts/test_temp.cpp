// The water-temperature task fed thermistor readings through the database,
// with its start delay on a clock the tests move.

#include <gtest/gtest.h>

#include <atomic>

#include "h_database.h"
#include "h_memory.h"
#include "u_menu.h"
#include "ui_texts.h"
#include "readouts_test.h"
#include "t_temp.h"

namespace {

using Mail = std::vector<std::string>;

// The transducer's calibration rows: index (top 10 bits) and degrees C.
const struct {
  U32 index;
  float celsius;
} kRows[] = {{128, 76.66f}, {192, 62.48f}, {256, 52.30f}, {320, 44.14f}, {384, 37.14f},
             {448, 30.84f}, {512, 24.95f}, {576, 19.27f}, {640, 13.59f}, {704, 7.72f},
             {768, 1.40f},  {832, -5.78f}, {896, -14.69f}, {960, -27.92f}};

TEST(TempTable, GivesTheCalibrationRowsAndFallsStrictlyBetweenTheShortedAndOpenEnds) {
  for (const auto& r : kRows) {
    EXPECT_NEAR(r.celsius, T_TEMP_fTemperature(r.index << 6, 0.0f, U_CELSIUS), 0.01) << r.index;
    EXPECT_NEAR(r.celsius + 2.0f, T_TEMP_fTemperature((r.index << 6) | 63, 2.0f, U_CELSIUS), 0.01)
        << "the low 6 bits do not count; the offset adds";
  }
  EXPECT_NEAR(19.27f + 5.0f, T_TEMP_fTemperature(576 << 6, 9.0f, U_FAHRENHEIT), 0.01) << "9 F is 5 C";
  EXPECT_FLOAT_EQ(99.9f, T_TEMP_afWaterTempLookup[66]);
  EXPECT_LT(T_TEMP_afWaterTempLookup[67], 99.9f);
  for (U32 i = 68; i <= 1022; i++) ASSERT_LT(T_TEMP_afWaterTempLookup[i], T_TEMP_afWaterTempLookup[i - 1]) << i;
  EXPECT_NEAR(-83.96f, T_TEMP_afWaterTempLookup[1022], 0.01);
  EXPECT_FLOAT_EQ(-65.0f, T_TEMP_afWaterTempLookup[1023]);
}

TEST(TempOffset, ConvertsBetweenUnitsAndKeepsFahrenheitWithinTheMenu) {
  EXPECT_NEAR(3.6f, T_TEMP_fConvertOffset(2.0f, U_CELSIUS, U_FAHRENHEIT), 1e-5);
  EXPECT_FLOAT_EQ(10.0f, T_TEMP_fConvertOffset(8.0f, U_CELSIUS, U_FAHRENHEIT));
  EXPECT_FLOAT_EQ(-10.0f, T_TEMP_fConvertOffset(-8.0f, U_CELSIUS, U_FAHRENHEIT));
  EXPECT_NEAR(2.0f, T_TEMP_fConvertOffset(3.6f, U_FAHRENHEIT, U_CELSIUS), 1e-5);
  EXPECT_FLOAT_EQ(8.0f, T_TEMP_fConvertOffset(8.0f, U_CELSIUS, U_CELSIUS));
}

// Set point 20 C, window and hysteresis 0.5 C.
TEST(TempAlarm, FiresEnteringTheBandFromEitherSideAndReArmsOnlyAfterLeavingItByTheHysteresis) {
  TEMP_ALARM_STATE state = INITIAL_STATE;
  std::vector<float> fired;
  auto walk = [&](std::initializer_list<float> temps) {
    for (float t : temps) {
      BOOLEAN bRaise = FALSE;
      state = T_TEMP_eAlarmStep(state, t, 20.0f, 0.5f, 0.5f, &bRaise);
      if (bRaise) fired.push_back(t);
    }
  };
  walk({15.0f, 18.0f, 19.4f, 19.5f, 19.8f, 19.1f, 19.5f});
  EXPECT_EQ(std::vector<float>{19.5f}, fired) << "warming: once at 19.5, not again from 19.1";
  walk({19.0f, 19.6f});
  EXPECT_EQ((std::vector<float>{19.5f, 19.6f}), fired) << "re-armed at 19.0";
  walk({21.0f, 20.4f});
  EXPECT_EQ((std::vector<float>{19.5f, 19.6f}), fired) << "21.0 is not above 21.0";
  walk({21.1f, 20.6f, 20.4f});
  EXPECT_EQ((std::vector<float>{19.5f, 19.6f, 20.4f}), fired) << "re-armed for falling above 21.0";
  fired.clear();
  state = INITIAL_STATE;
  walk({25.0f, 20.6f, 20.5f, 20.49f});
  EXPECT_EQ(std::vector<float>{20.49f}, fired) << "cooling from above fires below 20.5";
}

std::atomic<U64> s_u64Now{0};
U64 FakeClock(void) { return s_u64Now; }

class Temp : public rt::ReadoutsTest {
 protected:
  void SetUp() override {
    rt::ReadoutsTest::SetUp();
    s_u64Now = 1000;
    T_TEMP_vSetClock(FakeClock);
    H_DATABASE_bUpdateEverythingU32(FCID("SUTE"), U_CELSIUS, P_NORMAL, D_UNITS, nullptr, DB_NEVER_STALE);
  }
  void TearDown() override {
    rt::ReadoutsTest::TearDown();
    T_TEMP_vSetClock(nullptr);
  }
  static void Reading(U32 index) {
    H_DATABASE_bUpdateEverythingU32(FCID("AD02"), index << 6, P_NORMAL, D_UNKNOWN, nullptr, 1000);
    rt::Sync(M_WTEMP);
  }
  static void Setting(FOURCHARID id, float f) {
    H_DATABASE_bUpdateValueFloat(id, f, P_NORMAL);
    rt::Sync(M_WTEMP);
  }
  static float Item(FOURCHARID id) {
    float f = -1000.0f;
    EXPECT_TRUE(H_DATABASE_bFetchFloat(id, &f, nullptr, nullptr));
    return f;
  }
};

TEST_F(Temp, APlausibleReadingFindsTheSensorAndPublishesItWithTheOffsetAShortedProbeNothing) {
  Start(rt::TEMP);
  EXPECT_EQ(std::vector<std::string>{"Units - Temp"}, rt::MenuNames());
  Reading(40);
  EXPECT_FALSE(H_DATABASE_bFetch(FCID("ITMT"), nullptr, nullptr, nullptr)) << "99.9 C is a shorted probe";
  EXPECT_TRUE(rt::MenuNames().empty());
  Reading(576);
  EXPECT_NEAR(19.27f, Item(FCID("ITMT")), 0.01);
  EXPECT_NEAR(19.27f, Item(FCID("ITMP")), 0.01);
  BOOLEAN bFound = FALSE;
  H_DATABASE_bFetchBoolean(FCID("IFTS"), &bFound, nullptr, nullptr);
  EXPECT_TRUE(bFound);
  EXPECT_EQ((std::vector<std::string>{"Temp. Offset", "Temp. Alarm"}), rt::MenuNames());
  Setting(FCID("SCAT"), 2.0f);
  Reading(576);
  EXPECT_NEAR(21.27f, Item(FCID("ITMP")), 0.01);

  H_DATABASE_bUpdateValueU32(FCID("SUTE"), U_FAHRENHEIT, P_NORMAL);
  rt::Sync(M_WTEMP);
  EXPECT_NEAR(3.6f, Item(FCID("SCAT")), 1e-5);
  Reading(576);
  EXPECT_NEAR(21.27f, Item(FCID("ITMP")), 0.01) << "the same offset in the new units";
}

// The offset is stored in the user's unit, so its row must say which.
TEST_F(Temp, TheOffsetRowNamesTheTemperatureUnitAndFollowsAChangeOfIt) {
  auto offsetSuffixes = [] {
    std::vector<MENU_TEXT> out;
    while (GENERIC_MESSAGE* p = (GENERIC_MESSAGE*)L_MBOX_Receive(rt::kMenuBox)) {
      const MSG_MENU_REQUEST* r = (const MSG_MENU_REQUEST*)p;
      if (r->pItemName == Temp_Offset) out.push_back(r->pValueSuffix);
      H_MEMORY_vDumpMail(p);
    }
    return out;
  };
  H_DATABASE_bUpdateValueU32(FCID("SUTE"), U_FAHRENHEIT, P_NORMAL);
  Start(rt::TEMP);
  Reading(576);
  EXPECT_EQ(std::vector<MENU_TEXT>{Degrees_F}, offsetSuffixes());
  H_DATABASE_bUpdateValueU32(FCID("SUTE"), U_CELSIUS, P_NORMAL);
  rt::Sync(M_WTEMP);
  EXPECT_EQ(std::vector<MENU_TEXT>{Degrees_C}, offsetSuffixes());
}

TEST_F(Temp, TheAlarmWaitsOutTheStartDelayAndASetPointOfZeroWithdrawsIt) {
  Start(rt::TEMP);
  Setting(FCID("SATM"), 20.0f);
  Setting(FCID("SCAT"), 0.5f);
  Reading(576);  // 19.77 C, in the band
  s_u64Now = 5900;
  Reading(576);
  EXPECT_TRUE(rt::AlarmMail().empty()) << "within 5 s of the start";
  s_u64Now = 6100;
  Reading(640);  // 14.09 C: below the band
  Reading(576);
  EXPECT_EQ(Mail{"+25/8 Temp. Alarm"}, rt::AlarmMail());
  Setting(FCID("SATM"), 0.0f);
  EXPECT_EQ(Mail{"-25"}, rt::AlarmMail());
  Reading(640);
  Reading(576);
  EXPECT_TRUE(rt::AlarmMail().empty());
}

}  // namespace
