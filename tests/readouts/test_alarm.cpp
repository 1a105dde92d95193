// The alarm task's list, its answers, its pop-up and its tones.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "h_database.h"
#include "h_memory.h"
#include "readouts_test.h"
#include "t_alarm.h"
#include "t_startup.h"

namespace {

using rt::Click;
using rt::Key;
using rt::Raise;

std::atomic<int> g_cancelled{0};
std::atomic<int> g_left{0};
std::atomic<int> g_right{0};
void Cancelled() { g_cancelled++; }
void Left() { g_left++; }
void Right() { g_right++; }

ALARM_SET_MESSAGE Plain(const char* text, TONE_SEQUENCE initial = TONE_GENERAL_ALERT) {
  ALARM_SET_MESSAGE a = {};
  a.pMessageString = text;
  a.InitialToneID = initial;
  a.pFunctionAlarmCancel = Cancelled;
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

// The tone task plays the alerts here; the keyboard and the view are stand-ins.
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
  for (const rt::EDGE& e : rt::Edges()) EXPECT_NE(2070.0f, e.frequency) << "25 came back without its tone";
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
  rt::ViewRequests();
  rt::KeyRequests();
  Raise(WATER_TEMPERATURE_ALARM, Plain("Temp. Alarm"));
  Raise(LOW_BATTERY_ALARM, Plain("Low Voltage"));
  std::vector<rt::VIEW_REQUEST> view = rt::ViewRequests();
  ASSERT_EQ(1u, view.size());
  EXPECT_EQ(CMD_ID_REGISTER_LAYER, view[0].cmd);
  EXPECT_EQ(ALARM_LAYER, view[0].layer);
  std::vector<rt::KEY_REQUEST> keys = rt::KeyRequests();
  ASSERT_EQ(1u, keys.size());
  EXPECT_EQ(CMD_ID_REGISTER_FOR_KEYS, keys[0].cmd);
  EXPECT_EQ(0x3FEu, keys[0].keys);
  EXPECT_EQ(KEY_DOWN, keys[0].state);
  EXPECT_EQ((U32)REGISTER_ALARM, keys[0].usage);

  H_DATABASE_bUpdateValueU32(FCID("HACH"), 7, P_NORMAL);
  rt::Clear(LOW_BATTERY_ALARM);
  EXPECT_EQ(0u, Hach());
  EXPECT_TRUE(rt::ViewRequests().empty()) << "one alarm is still pending";
  H_DATABASE_bUpdateValueU32(FCID("HACH"), 7, P_NORMAL);
  rt::Clear(LOW_BATTERY_ALARM);
  EXPECT_EQ(7u, Hach()) << "clearing what is not pending changes nothing";
  rt::Clear(WATER_TEMPERATURE_ALARM);
  EXPECT_EQ(0u, Hach());
  view = rt::ViewRequests();
  ASSERT_EQ(1u, view.size());
  EXPECT_EQ(CMD_ID_UNREGISTER_LAYER, view[0].cmd);
  EXPECT_EQ(ALARM_LAYER, view[0].layer);
  keys = rt::KeyRequests();
  ASSERT_EQ(1u, keys.size());
  EXPECT_EQ(CMD_ID_UNREGISTER_FOR_KEYS, keys[0].cmd);
  EXPECT_EQ(0x3FEu, keys[0].keys);
  EXPECT_EQ(NO_ALARM, T_ALARM_eCurrentAlarm());
}

TEST_F(Alarm, AnExtendedAlarmTakesOnlyLeftAndRightAndRunsTheirCallbacks) {
  Start(rt::ALARM);
  ALARM_SET_MESSAGE question = Plain("Next waypoint?");
  question.pLeftChoice = "No";
  question.pRightChoice = "Yes";
  question.pFunctionCbLeftKeyAction = Left;
  question.pFunctionCbRightKeyAction = Right;
  Raise(NAV_ARRIVAL_ALARM, question, true);
  rt::ForgetClicks();
  Key(HKEY_MASK_EXIT);
  EXPECT_EQ(-1, Click());
  Key(HKEY_MASK_CURSOR, CURSOR_NORTH);
  EXPECT_EQ(-1, Click());
  EXPECT_EQ(NAV_ARRIVAL_ALARM, T_ALARM_eCurrentAlarm());
  EXPECT_TRUE(rt::MatchesGolden("alarm_extended", rt::PICTURE(rt::Registered(rt::ViewRequests(), ALARM_LAYER))));
  Key(HKEY_MASK_CURSOR, CURSOR_WEST);
  EXPECT_EQ(1, Click());
  EXPECT_EQ(1, g_left);
  EXPECT_EQ(NO_ALARM, T_ALARM_eCurrentAlarm());

  Raise(NAV_ARRIVAL_ALARM, question, true);
  Key(HKEY_MASK_CURSOR, CURSOR_EAST);
  EXPECT_EQ(1, g_right);
  EXPECT_EQ(0, g_cancelled) << "an answered question is not cancelled";

  // The same message as a plain alarm loses its choices: any key answers it.
  Raise(NAV_ARRIVAL_ALARM, question, false);
  Key(HKEY_MASK_EXIT);
  EXPECT_EQ(1, g_cancelled);
  EXPECT_EQ(1, g_left);
  EXPECT_EQ(1, g_right);
  EXPECT_EQ(NO_ALARM, T_ALARM_eCurrentAlarm());
}

TEST_F(Alarm, ClearingAllEmptiesEverySlotAndTheInlineTestOnlyCancels) {
  Start(rt::ALARM);
  for (ALARM_PRIORITY id : {MOST_SERIOUS_ALARM, LOW_BATTERY_ALARM, TIMER_ALARM, LEAST_IMPORTANT_ALARM}) {
    Raise(id, Plain("alarm"));
  }
  rt::ToneRequests();
  L_SEMA_Signal(SEMA_CLEAR_ALARMS);
  ASSERT_TRUE(rt::WaitFor([] { return T_ALARM_u32ActiveAlarms() == 0; }));
  EXPECT_EQ(NO_ALARM, T_ALARM_eCurrentAlarm());
  EXPECT_TRUE(rt::ToneRequests().empty()) << "nothing sounds while the slots empty";
  EXPECT_EQ(0, g_cancelled);

  H_DATABASE_bUpdateValueU32(FCID("CCST"), STATE_INLINE_TEST, P_NORMAL);
  Raise(LOW_BATTERY_ALARM, Plain("Low Voltage"));
  EXPECT_EQ(1, g_cancelled);
  EXPECT_EQ(0u, T_ALARM_u32ActiveAlarms());
  EXPECT_TRUE(rt::ToneRequests().empty());
}

TEST_F(Alarm, IdsOutsideTheSlotsAreRefused) {
  Start(rt::ALARM);
  for (S32 id : {35, 40, -5, 0x7FFFFFFF, (S32)0x80000000}) {
    Raise((ALARM_PRIORITY)id, Plain("out of range"));
    rt::Clear(id);
  }
  rt::Clear(NO_ALARM);
  EXPECT_EQ(0u, T_ALARM_u32ActiveAlarms());
  EXPECT_EQ(NO_ALARM, T_ALARM_eCurrentAlarm());
  EXPECT_EQ(0, g_cancelled);
}

// A raiser may reuse its text buffer at once; a text longer than the pop-up
// holds is cut, not overrun.
TEST_F(Alarm, TheShownTextIsTheAlarmsOwnCopy) {
  Start(rt::ALARM);
  char text[32];
  strcpy(text, "AIS Alarm for <211234560>");
  Raise(AIS_CPA_ALARM, Plain(text));
  DRAW_FUNCTION* pDraw = rt::Registered(rt::ViewRequests(), ALARM_LAYER);
  ASSERT_NE(nullptr, pDraw);
  rt::PICTURE before(pDraw);
  strcpy(text, "AIS Alarm for <999999999>");
  rt::PICTURE after(pDraw);
  EXPECT_TRUE(before == after);

  const std::string thousand(1000, 'W');
  Raise(AIS_CPA_ALARM, Plain(thousand.c_str()));
  rt::PICTURE cut(pDraw);
  EXPECT_FALSE(cut == after);
  std::string longText(4000, 'W');
  Raise(AIS_CPA_ALARM, Plain(longText.c_str()));
  longText.assign(4000, 'i');
  EXPECT_TRUE(rt::PICTURE(pDraw) == cut) << "both texts are cut to what the pop-up holds";
}

// Four tasks mail raises, clears and keys at once; the list stays whole.
// Each waits for the alarm task now and then, so the mail never outgrows the
// heap the alarm task itself draws on.
TEST_F(Alarm, FourTasksRaisingClearingAndAnsweringLeaveTheCountEqualToTheOccupiedSlots) {
  Start(rt::ALARM);
  const char* text = getenv("VELMORA_STRESS_SECONDS");
  const U64 seconds = text != nullptr ? strtoull(text, nullptr, 10) : 2;
  const U64 end = L_CLOCK_qwGetTimeInMillis() + 1000 * (seconds > 0 ? seconds : 2);
  static const SEMA kAckSemas[] = {SEMA_USER_TEST, SEMA_PERSONAL_DATA, SEMA_GMSG_ALARM, SEMA_TIMER_ALARM_TONE};
  std::atomic<U64> sent{0};
  auto worker = [&](unsigned seed, SEMA ackSema) {
    for (unsigned n = 1; L_CLOCK_qwGetTimeInMillis() < end; n++) {
      seed = seed * 1103515245u + 12345u;
      const S32 id = (S32)(seed >> 16) % 36;
      ALARM_SET_MESSAGE a = Plain("stress", (seed & 0x100) ? TONE_GENERAL_ALERT : TONE_USE_CUSTOM);
      a.Priority = (ALARM_PRIORITY)id;
      switch ((seed >> 8) % 3) {
        case 0:
          U_ALARM_bSetAlarm(&a, (seed & 0x200) != 0);
          break;
        case 1:
          U_ALARM_bClearAlarm((ALARM_PRIORITY)id);
          break;
        default: {
          MSG_KEY_CHANGE* p = (MSG_KEY_CHANGE*)H_MEMORY_pvCalloc(1, sizeof(MSG_KEY_CHANGE));
          p->header.Cmd = CMD_ID_KEY_CHANGE;
          p->key = HKEY_MASK_CURSOR;
          p->state = KEY_DOWN;
          p->cursor = (seed & 0x400) ? CURSOR_EAST : CURSOR_SOUTH;
          L_MBOX_Send(M_ALARM, p, 1, 0);
        }
      }
      sent++;
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
  U32 occupied = 0;
  for (S32 id = 0; id < NUMBER_OF_SUPPORTED_ALARMS; id++) occupied += T_ALARM_bIsPending(id) ? 1 : 0;
  EXPECT_EQ(occupied, T_ALARM_u32ActiveAlarms());
  const ALARM_PRIORITY current = T_ALARM_eCurrentAlarm();
  if (occupied == 0) {
    EXPECT_EQ(NO_ALARM, current);
  } else {
    ASSERT_TRUE(T_ALARM_bIsPending(current));
    for (S32 id = 0; id < current; id++) EXPECT_FALSE(T_ALARM_bIsPending(id));
  }
  EXPECT_GT(sent.load(), 1000u);
}

}  // namespace
