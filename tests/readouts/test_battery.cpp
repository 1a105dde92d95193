// The battery task fed supply readings through the database; its alarms
// and its power-down request collect in the stand-in mailboxes.

#include <gtest/gtest.h>

#include "h_database.h"
#include "h_memory.h"
#include "readouts_test.h"
#include "t_battery.h"

namespace {

using rt::AlarmMail;
using Mail = std::vector<std::string>;

// AD05 as the co-processor's reader writes it, for the supply whose raw
// reading shifted right by 6 is x: (x x 227 + 7147) / 100 hundredths of a volt.
void Supply(U32 x) {
  H_DATABASE_bUpdateEverythingU32(FCID("AD05"), x << 6, P_NORMAL, D_UNKNOWN, nullptr, 4000);
  rt::Sync(M_BATTERY);
}

DB_DATA_TYPE GetSetting(FOURCHARID id) {
  DB_DATA_TYPE value = {};
  H_DATABASE_bFetch(id, &value, nullptr, nullptr);
  return value;
}

class Battery : public rt::ReadoutsTest {
 protected:
  void SetUp() override {
    rt::ReadoutsTest::SetUp();
    Start(rt::BATTERY);
  }
};

// 12.00 V lies halfway from the table's 11.95 (entry 4) to 12.05 (entry 5):
// 10 x (5 + 0.5) = 55.
TEST(BatteryCharge, FollowsTheTableFromEmptyToFull) {
  EXPECT_EQ(1201u, T_BATTERY_u32Centivolts(498u << 6));  // (498 x 227 + 7147) / 100
  const struct {
    U32 centivolts;
    S32 percent;
  } rows[] = {{1200, 55}, {1049, 0}, {1050, 0}, {1105, 5} /* 10 x 0.55 / 1.10 */, {1160, 10} /* on an entry */,
              {1225, 90}, {1235, 100}, {4095, 100}};
  for (const auto& r : rows) EXPECT_EQ(r.percent, T_BATTERY_s32Percentage(r.centivolts)) << r.centivolts;
}

TEST_F(Battery, TheReadingGivesVoltageAndAChargeThatFallsAtOnceButRisesOnlyByMoreThanTwo) {
  Supply(498);
  EXPECT_FLOAT_EQ(12.01f, GetSetting(FCID("IVLT")).fVal);
  EXPECT_EQ(56, GetSetting(FCID("IBAT")).s32Val);  // 10 x (5 + 0.06 / 0.10)
  const struct {
    U32 x;
    S32 shown;
    const char* why;
  } steps[] = {
      {495, 50, "11.95 V, 50 %: a fall shows at once"}, {496, 50, "11.97 V, 52 %: a rise of 2 does not show"},
      {509, 91, "12.26 V, 91 %"},                       {510, 94, "12.29 V, 94 %: a rise of 3 shows"},
      {511, 94, "12.31 V, 96 %: 2 more do not"},        {495, 50, "down to 50 % again at once"},
  };
  for (const auto& s : steps) {
    Supply(s.x);
    EXPECT_EQ(s.shown, GetSetting(FCID("IBAT")).s32Val) << s.why;
  }
}

// 762 reads 18.01 V and 761 17.98 V; 453 reads 10.99 V and 454 11.02 V.
TEST_F(Battery, HighAndLowVoltageRaiseTheirAlarmsOnceAndOffNeverRaisesTheLowOne) {
  for (U32 x : {762, 762, 761, 761}) Supply(x);
  EXPECT_EQ((Mail{"+33/0 Input Voltage High", "-33"}), AlarmMail());
  Supply(453);
  EXPECT_TRUE(AlarmMail().empty()) << "8.0 V is Off";
  H_DATABASE_bUpdateValueFloat(FCID("SLBV"), 11.0f, P_NORMAL);
  for (U32 x : {453, 453, 454, 453}) Supply(x);
  EXPECT_EQ((Mail{"+5/8 Low Voltage", "+5/8 Low Voltage"}), AlarmMail())
      << "once, and again after the supply was above the threshold, never withdrawn by it";
  H_DATABASE_bUpdateValueFloat(FCID("SLBV"), 8.0f, P_NORMAL);
  Supply(453);
  EXPECT_EQ(Mail{"-5"}, AlarmMail());
}

// 7.50 V is x = 299. The filter's register starts at 13 x 13.0 V; each sample
// makes it V + 12/13 of itself, and the smoothed supply is a thirteenth of it.
TEST_F(Battery, ASteadyLowSupplyAsksForPowerDownOnceTheFilterHasSettledAndThenOnlyListens) {
  int settled = 0;
  for (double r = 169.0; r / 13.0 >= 8.0; settled++) r = 7.5 + r * 12.0 / 13.0;
  ASSERT_GT(settled, 1) << "one low sample never powers down";
  for (int i = 1; i < settled; i++) Supply(299);
  EXPECT_TRUE(rt::Commands(rt::kKeyboardBox).empty()) << settled - 1 << " samples";
  Supply(299);
  EXPECT_EQ(std::vector<CMD_ID>{CMD_ID_SHUTDOWN}, rt::Commands(rt::kKeyboardBox));
  for (U32 x : {762, 299}) Supply(x);
  EXPECT_FLOAT_EQ(7.5f, GetSetting(FCID("IVLT")).fVal);
  EXPECT_TRUE(rt::Commands(rt::kKeyboardBox).empty());
  EXPECT_TRUE(AlarmMail().empty());
}

}  // namespace
