// The alarm task's list, its answers, its pop-up and its tones.

#include <gtest/gtest.h>
#include <string.h>

#include <atomic>
#include <thread>

#include "h_database.h"
#include "readouts_test.h"
#include "t_alarm.h"
#include "t_startup.h"

namespace {

using rt::Click;
using rt::Key;
using rt::Raise;
using Log = std::vector<std::string>;

std::atomic<int> g_cancelled{0}, g_left{0}, g_right{0};

ALARM_SET_MESSAGE Plain(const char* text, TONE_SEQUENCE initial = TONE_GENERAL_ALERT) {
  ALARM_SET_MESSAGE a = {};
  a.pMessageString = text;
  a.InitialToneID = initial;
  a.pFunctionAlarmCancel = [] { g_cancelled++; };
  return a;
}

class Alarm : public rt::ReadoutsTest {
 protected:
  void SetUp() override {
    rt::ReadoutsTest::SetUp();
    g_cancelled = g_left = g_right = 0;
  }
};

U32 Hach() {
  U32 value = 99;
  H_DATABASE_bFetchU32(FCID("HACH"), &value, nullptr, nullptr);
  return value;
}

TEST_F(Alarm, TheMostSeriousIsShownWithItsToneAndAnsweringItBringsTheNextBackInSilence) {
  Start(rt::TONE | rt::ALARM);
  ASSERT_TRUE(rt::WaitForEdges(2, 1000));  // the start chirp
  Raise(WATER_TEMPERATURE_ALARM, Plain("Temp. Alarm"));
  ASSERT_TRUE(rt::WaitForEdges(8, 2000));
  L_CLOCK_Sleep(100);
  rt::ClearEdges();
  Raise(LOW_BATTERY_ALARM, Plain("Low Voltage"));
  EXPECT_EQ(LOW_BATTERY_ALARM, T_ALARM_eCurrentAlarm());
  ASSERT_TRUE(rt::WaitForEdges(6, 2000));
  rt::ExpectPulses(rt::Edges(), 0, 2070, 3, 150, 50);

  rt::ClearEdges();
  Key(HKEY_MASK_MENU);
  EXPECT_EQ(1, g_cancelled);
  EXPECT_EQ(WATER_TEMPERATURE_ALARM, T_ALARM_eCurrentAlarm());
  L_CLOCK_Sleep(300);
  EXPECT_TRUE(rt::Edges().empty()) << "25 came back without its tone";
}

TEST_F(Alarm, RaisingAPendingIdCancelsTheFirstAndSoundsTheSecondAgain) {
  Start(rt::ALARM);
  Raise(NAV_OFF_COURSE_ALARM, Plain("Off Course Alarm"));
  Raise(WATER_TEMPERATURE_ALARM, Plain("Temp. Alarm"));
  Raise(NAV_OFF_COURSE_ALARM, Plain("Off Course Alarm"));
  EXPECT_EQ(1, g_cancelled);
  EXPECT_EQ(2u, T_ALARM_u32ActiveAlarms());
  EXPECT_EQ(NAV_OFF_COURSE_ALARM, T_ALARM_eCurrentAlarm());
  EXPECT_EQ((std::vector<TONE_SEQUENCE>{TONE_GENERAL_ALERT, TONE_GENERAL_ALERT}), rt::ToneRequests())
      << "25 never came up in between";
}

TEST_F(Alarm, TheLayerAndEveryKeyButPowerAreHeldWhileAnAlarmIsPendingAndHachIsZeroAfterEachWithdrawal) {
  Start(rt::ALARM);
  Raise(WATER_TEMPERATURE_ALARM, Plain("Temp. Alarm"));
  Raise(LOW_BATTERY_ALARM, Plain("Low Voltage"));
  EXPECT_EQ(Log{"+330"}, rt::ViewLog());
  EXPECT_EQ(Log{"+3FE/2"}, rt::KeyLog());
  H_DATABASE_bUpdateValueU32(FCID("HACH"), 7, P_NORMAL);
  rt::Clear(LOW_BATTERY_ALARM);
  EXPECT_EQ(0u, Hach());
  H_DATABASE_bUpdateValueU32(FCID("HACH"), 7, P_NORMAL);
  rt::Clear(LOW_BATTERY_ALARM);
  EXPECT_EQ(7u, Hach()) << "clearing what is not pending changes nothing";
  EXPECT_TRUE(rt::ViewLog().empty());
  rt::Clear(WATER_TEMPERATURE_ALARM);
  EXPECT_EQ(0u, Hach());
  EXPECT_EQ(Log{"-330"}, rt::ViewLog());
  EXPECT_EQ(Log{"-3FE"}, rt::KeyLog());
  EXPECT_EQ(NO_ALARM, T_ALARM_eCurrentAlarm());
}

// A note takes no key: MENU pressed after a mark opens the menu, and the
// note stays until it is withdrawn. An alarm shown in front of it takes the
// keys, and gives them back when it goes.
TEST_F(Alarm, ANoteLeavesTheKeysToTheirOwnersAndAnAlarmBeforeItTakesThem) {
  Start(rt::ALARM);
  ALARM_SET_MESSAGE note = Plain("Waypoint WP001 Created", TONE_USE_CUSTOM);
  note.bNote = TRUE;
  Raise(NAV_UI_ALARM, note);
  EXPECT_EQ(Log{"+330"}, rt::ViewLog());
  EXPECT_TRUE(rt::KeyLog().empty()) << "no key taken for a note";
  Key(HKEY_MASK_MENU);
  EXPECT_EQ(NAV_UI_ALARM, T_ALARM_eCurrentAlarm()) << "a key on its way answers no note";
  EXPECT_EQ(0, g_cancelled);

  Raise(LOW_BATTERY_ALARM, Plain("Low Voltage", TONE_USE_CUSTOM));
  EXPECT_EQ(Log{"+3FE/2"}, rt::KeyLog());
  Key(HKEY_MASK_MENU);
  EXPECT_EQ(NAV_UI_ALARM, T_ALARM_eCurrentAlarm());
  EXPECT_EQ(Log{"-3FE"}, rt::KeyLog()) << "the note shown again leaves the keys";
  rt::Clear(NAV_UI_ALARM);
  EXPECT_EQ(Log{"-330"}, rt::ViewLog());
  EXPECT_TRUE(rt::KeyLog().empty());
}

TEST_F(Alarm, AnExtendedAlarmTakesOnlyLeftAndRightAndRunsTheirCallbacks) {
  Start(rt::ALARM);
  ALARM_SET_MESSAGE question = Plain("Next waypoint?");
  question.pLeftChoice = "No";
  question.pRightChoice = "Yes";
  question.pFunctionCbLeftKeyAction = [] { g_left++; };
  question.pFunctionCbRightKeyAction = [] { g_right++; };
  Raise(NAV_ARRIVAL_ALARM, question, true);
  EXPECT_TRUE(rt::MatchesGolden("alarm_extended", rt::Picture(ALARM_LAYER)));
  for (CURSOR_POSITION refused : {CURSOR_UP, CURSOR_NORTH}) {
    rt::ForgetClicks();
    Key(refused == CURSOR_UP ? HKEY_MASK_EXIT : HKEY_MASK_CURSOR, refused);
    EXPECT_EQ(-1, Click());
  }
  Key(HKEY_MASK_CURSOR, CURSOR_WEST);
  EXPECT_EQ(1, Click());
  Raise(NAV_ARRIVAL_ALARM, question, true);
  Key(HKEY_MASK_CURSOR, CURSOR_EAST);
  EXPECT_EQ(1, g_left);
  EXPECT_EQ(1, g_right);
  EXPECT_EQ(0, g_cancelled) << "an answered question is not cancelled";
  // As a plain alarm the same message loses its choices: any key answers it.
  Raise(NAV_ARRIVAL_ALARM, question, false);
  Key(HKEY_MASK_EXIT);
  EXPECT_EQ(1, g_cancelled);
  EXPECT_EQ(NO_ALARM, T_ALARM_eCurrentAlarm());
}

TEST_F(Alarm, ClearingAllEmptiesEverySlotInSilenceAndTheInlineTestOnlyCancels) {
  Start(rt::ALARM);
  for (ALARM_PRIORITY id : {MOST_SERIOUS_ALARM, LOW_BATTERY_ALARM, TIMER_ALARM, LEAST_IMPORTANT_ALARM}) {
    Raise(id, Plain("alarm"));
  }
  rt::ToneRequests();
  L_SEMA_Signal(SEMA_CLEAR_ALARMS);
  ASSERT_TRUE(rt::WaitFor([] { return T_ALARM_u32ActiveAlarms() == 0; }));
  EXPECT_EQ(NO_ALARM, T_ALARM_eCurrentAlarm());
  EXPECT_TRUE(rt::ToneRequests().empty());
  EXPECT_EQ(0, g_cancelled);
  H_DATABASE_bUpdateValueU32(FCID("CCST"), STATE_INLINE_TEST, P_NORMAL);
  Raise(LOW_BATTERY_ALARM, Plain("Low Voltage"));
  EXPECT_EQ(1, g_cancelled);
  EXPECT_EQ(0u, T_ALARM_u32ActiveAlarms());
}

TEST_F(Alarm, IdsOutsideTheSlotsAreRefused) {
  Start(rt::ALARM);
  for (S32 id : {35, 40, -5, 0x7FFFFFFF, (S32)0x80000000}) {
    Raise((ALARM_PRIORITY)id, Plain("out of range"));
    rt::Clear(id);
  }
  EXPECT_EQ(0u, T_ALARM_u32ActiveAlarms());
  EXPECT_EQ(0, g_cancelled);
}

// A raiser may reuse its text buffer at once; a text longer than the pop-up
// holds is cut, not overrun.
TEST_F(Alarm, TheShownTextIsTheAlarmsOwnCopy) {
  Start(rt::ALARM);
  char text[32];
  strcpy(text, "AIS Alarm for <211234560>");
  Raise(AIS_CPA_ALARM, Plain(text));
  const std::vector<COLOR> shown = rt::Picture(ALARM_LAYER);
  strcpy(text, "AIS Alarm for <999999999>");
  EXPECT_TRUE(rt::Picture(ALARM_LAYER) == shown);
  Raise(AIS_CPA_ALARM, Plain(std::string(1000, 'W').c_str()));
  const std::vector<COLOR> cut = rt::Picture(ALARM_LAYER);
  std::string longText(4000, 'W');
  Raise(AIS_CPA_ALARM, Plain(longText.c_str()));
  longText.assign(4000, 'i');
  EXPECT_TRUE(rt::Picture(ALARM_LAYER) == cut) << "both are cut to what the pop-up holds";
}

// Four tasks mail raises, clears and answers at once. Each waits for the
// alarm task now and then, so its mail never outgrows the heap.
TEST_F(Alarm, FourTasksRaisingClearingAndAnsweringLeaveTheCountEqualToTheOccupiedSlots) {
  Start(rt::ALARM);
  const U64 end = L_CLOCK_qwGetTimeInMillis() + rt::StressMs(2);
  static const SEMA kAckSemas[] = {SEMA_USER_TEST, SEMA_PERSONAL_DATA, SEMA_GMSG_ALARM, SEMA_TIMER_ALARM_TONE};
  auto worker = [end](unsigned seed, SEMA ackSema) {
    for (unsigned n = 1; L_CLOCK_qwGetTimeInMillis() < end; n++) {
      seed = seed * 1103515245u + 12345u;
      ALARM_SET_MESSAGE a = Plain("stress", (seed & 0x100) ? TONE_GENERAL_ALERT : TONE_USE_CUSTOM);
      a.Priority = (ALARM_PRIORITY)((seed >> 16) % 36);
      if (seed % 3 == 0) U_ALARM_bSetAlarm(&a, (seed & 0x200) != 0);
      if (seed % 3 == 1) U_ALARM_bClearAlarm(a.Priority);
      if (seed % 3 == 2) Key(HKEY_MASK_CURSOR, (seed & 0x400) ? CURSOR_EAST : CURSOR_SOUTH, KEY_DOWN, false);
      if (n % 16 == 0) {
        rt::Sync(M_ALARM, ackSema);
        for (MBOX mbox : {rt::kViewBox, rt::kKeyboardBox, (MBOX)M_TONE}) rt::Commands(mbox);
      }
    }
  };
  std::vector<std::thread> threads;
  for (unsigned i = 0; i < 4; i++) threads.emplace_back(worker, 17 + i, kAckSemas[i]);
  for (std::thread& t : threads) t.join();
  rt::Sync(M_ALARM);
  S32 lowest = NO_ALARM;
  U32 occupied = 0;
  for (S32 id = NUMBER_OF_SUPPORTED_ALARMS - 1; id >= 0; id--) {
    if (T_ALARM_bIsPending(id)) occupied++, lowest = id;
  }
  EXPECT_EQ(occupied, T_ALARM_u32ActiveAlarms());
  EXPECT_EQ(lowest, T_ALARM_eCurrentAlarm());
}

}  // namespace
