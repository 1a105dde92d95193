// The battery task fed supply readings through the database; its alarms
// and its power-down request collect in the stand-in mailboxes.

#include <gtest/gtest.h>
#include <string.h>

#include <string>

#include "h_database.h"
#include "h_memory.h"
#include "readouts_test.h"
#include "t_battery.h"

namespace {

// Writes AD05 as the co-processor's reader does, for the supply whose raw
// reading shifted right by 6 is x: ((x x 227 + 7147) / 100) hundredths of a
// volt.
void Supply(U32 x) {
  H_DATABASE_bUpdateEverythingU32(FCID("AD05"), x << 6, P_NORMAL, D_UNKNOWN, nullptr, 4000);
  rt::Sync(M_BATTERY);
}

float Ivlt() {
  float value = 0;
  H_DATABASE_bFetchFloat(FCID("IVLT"), &value, nullptr, nullptr);
  return value;
}

S32 Ibat() {
  S32 value = -1;
  H_DATABASE_bFetchS32(FCID("IBAT"), &value, nullptr, nullptr);
  return value;
}

struct ALARM_MAIL {
  CMD_ID cmd;
  S32 id;
  TONE_SEQUENCE tone;
  std::string text;
  bool operator==(const ALARM_MAIL& o) const { return cmd == o.cmd && id == o.id && tone == o.tone && text == o.text; }
};

std::vector<ALARM_MAIL> AlarmMail() {
  std::vector<ALARM_MAIL> out;
  while (GENERIC_MESSAGE* p = (GENERIC_MESSAGE*)L_MBOX_Receive(M_ALARM)) {
    if (p->Cmd == CMD_ID_SET_ALARM) {
      const ALARM_SET_MESSAGE* a = (const ALARM_SET_MESSAGE*)p;
      out.push_back({p->Cmd, a->Priority, a->InitialToneID, a->pMessageString});
      EXPECT_EQ(nullptr, a->pInitialCustomTone);
      EXPECT_EQ(TONE_USE_CUSTOM, a->ReminderToneID);
    } else if (p->Cmd == CMD_ID_CLEAR_ALARM) {
      out.push_back({p->Cmd, ((const ALARM_CLEAR_MESSAGE*)p)->Priority, TONE_USE_CUSTOM, ""});
    }
    H_MEMORY_vDumpMail(p);
  }
  return out;
}

const ALARM_MAIL kLowRaised = {CMD_ID_SET_ALARM, LOW_BATTERY_ALARM, TONE_GENERAL_ALERT, "Low Voltage"};
const ALARM_MAIL kLowCleared = {CMD_ID_CLEAR_ALARM, LOW_BATTERY_ALARM, TONE_USE_CUSTOM, ""};

class Battery : public rt::ReadoutsTest {
 protected:
  void SetUp() override {
    rt::ReadoutsTest::SetUp();
    Start(rt::BATTERY);
  }
};

// Table entries, hand-interpolated: 12.00 V lies halfway from 11.95 (entry 4)
// to 12.05 (entry 5), 10 x (5 + 0.5) = 55.
TEST(BatteryCharge, FollowsTheTableFromEmptyToFull) {
  EXPECT_EQ(1201u, T_BATTERY_u32Centivolts(498u << 6));  // (498 x 227 + 7147) / 100
  EXPECT_EQ(55, T_BATTERY_s32Percentage(1200));
  EXPECT_EQ(0, T_BATTERY_s32Percentage(1049));
  EXPECT_EQ(0, T_BATTERY_s32Percentage(1050));
  EXPECT_EQ(5, T_BATTERY_s32Percentage(1105));   // 10 x (0.55 / 1.10)
  EXPECT_EQ(10, T_BATTERY_s32Percentage(1160));  // exactly on an entry
  EXPECT_EQ(90, T_BATTERY_s32Percentage(1225));
  EXPECT_EQ(100, T_BATTERY_s32Percentage(1235));
  EXPECT_EQ(100, T_BATTERY_s32Percentage(4095));
}

TEST_F(Battery, TheReadingGivesVoltageAndAChargeThatFallsAtOnceButRisesOnlyByMoreThanTwo) {
  Supply(498);
  EXPECT_FLOAT_EQ(12.01f, Ivlt());
  EXPECT_EQ(56, Ibat());  // 12.01: 10 x (5 + 0.06 / 0.10)
  const struct {
    U32 x;
    S32 shown;
    const char* why;
  } steps[] = {
      {495, 50, "11.95 V, 50 %: a fall shows at once"},
      {496, 50, "11.97 V, 52 %: a rise of 2 does not show"},
      {509, 91, "12.26 V, 91 %"},
      {510, 94, "12.29 V, 94 %: a rise of 3 shows"},
      {511, 94, "12.31 V, 96 %: 2 more do not"},
      {495, 50, "down to 50 % again at once"},
  };
  for (const auto& s : steps) {
    Supply(s.x);
    EXPECT_EQ(s.shown, Ibat()) << s.why;
  }
}

TEST_F(Battery, EighteenVoltsRaisesTheHighWarningOnceAndLessWithdrawsIt) {
  Supply(762);  // 18.01 V
  Supply(762);
  Supply(761);  // 17.98 V
  Supply(761);
  EXPECT_EQ((std::vector<ALARM_MAIL>{{CMD_ID_SET_ALARM, VOLTAGE_HIGH_WARNING, TONE_USE_CUSTOM, "Input Voltage High"},
                                     {CMD_ID_CLEAR_ALARM, VOLTAGE_HIGH_WARNING, TONE_USE_CUSTOM, ""}}),
            AlarmMail());
}

TEST_F(Battery, TheLowBatteryAlarmFollowsItsThresholdAndOffNeverRaisesIt) {
  Supply(453);  // 10.99 V, below the threshold once it is set
  EXPECT_TRUE(AlarmMail().empty()) << "8.0 V is Off";
  H_DATABASE_bUpdateValueFloat(FCID("SLBV"), 11.0f, P_NORMAL);
  Supply(453);
  Supply(453);
  EXPECT_EQ(std::vector<ALARM_MAIL>{kLowRaised}, AlarmMail());
  Supply(454);  // 11.02 V: above it, the shown alarm stays
  EXPECT_TRUE(AlarmMail().empty());
  Supply(453);
  EXPECT_EQ(std::vector<ALARM_MAIL>{kLowRaised}, AlarmMail()) << "it may come again";
  H_DATABASE_bUpdateValueFloat(FCID("SLBV"), 8.0f, P_NORMAL);
  rt::Sync(M_BATTERY);
  Supply(453);
  EXPECT_EQ(std::vector<ALARM_MAIL>{kLowCleared}, AlarmMail());
}

// 7.50 V is x = 299: (299 x 227 + 7147) / 100 = 750. The filter's register
// starts at 13 x 13.0 V; each sample makes it V + 12/13 of itself, and the
// smoothed supply is a thirteenth of it.
TEST_F(Battery, ASteadyLowSupplyAsksForPowerDownOnceTheFilterHasSettledAndThenOnlyListens) {
  int settled = 0;
  for (double r = 169.0; r / 13.0 >= 8.0; settled++) r = 7.5 + r * 12.0 / 13.0;
  ASSERT_GT(settled, 1) << "one low sample never powers down";
  for (int i = 1; i < settled; i++) Supply(299);
  EXPECT_TRUE(rt::Commands(rt::kKeyboardBox).empty()) << settled - 1 << " samples";
  Supply(299);
  EXPECT_EQ(std::vector<CMD_ID>{CMD_ID_SHUTDOWN}, rt::Commands(rt::kKeyboardBox));
  Supply(762);
  Supply(299);
  EXPECT_FLOAT_EQ(7.5f, Ivlt());
  EXPECT_TRUE(rt::Commands(rt::kKeyboardBox).empty());
  EXPECT_TRUE(AlarmMail().empty());
}

}  // namespace
