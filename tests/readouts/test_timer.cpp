// The count-down timer: its count on a clock the test turns, its alarm and
// question, and its editor, driven by keys mailed to the alarm task. The test
// itself stands in for the info task's once-a-second check.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <thread>

#include "h_database.h"
#include "h_memory.h"
#include "readouts_test.h"
#include "t_alarm.h"

namespace {

using rt::Click;
using rt::Key;

std::atomic<U32> g_now{0};
U32 Now() { return g_now; }

S32 Itaw() {
  S32 value = -1;
  H_DATABASE_bFetchS32(FCID("ITAW"), &value, nullptr, nullptr);
  return value;
}

S32 Staw() {
  U32 value = 0;
  return H_DATABASE_bFetchU32(FCID("STAW"), &value, nullptr, nullptr) ? (S32)value : -1;
}

class Timer : public rt::ReadoutsTest {
 protected:
  // The alarm task with a stored setting, on the test's clock.
  void StartWith(S32 s32Setting) {
    if (s32Setting >= 0) {
      H_DATABASE_bUpdateEverythingU32(FCID("STAW"), (U32)s32Setting, P_NORMAL, D_TIME, nullptr, DB_NEVER_STALE);
    }
    T_ALARM_vSetClock(Now);
    Start(rt::ALARM);
    rt::Commands(rt::kMenuBox);
    rt::ForgetClicks();
  }
  // The info task's tick, and the alarm task done with what it sent.
  static void Tick() {
    T_ALARM_vCheckTimer();
    rt::Sync(M_ALARM);
  }
  static int KeyClick(U32 key, CURSOR_POSITION cursor = CURSOR_UP) {
    rt::ForgetClicks();
    Key(key, cursor);
    return Click(50);
  }
};

TEST_F(Timer, StartingATimerOfNoTimeIsRefused) {
  StartWith(-1);
  T_ALARM_vStartTimer();
  EXPECT_EQ(-1, Click());
  EXPECT_TRUE(rt::Commands(rt::kMenuBox).empty()) << "the menu stays as it was";
}

TEST_F(Timer, AOneSecondTimerRaisesItsAlarmOnTheFirstTickPastItsEndAndItsQuestionGoesOnThe31st) {
  StartWith(1);
  g_now = 5000;
  T_ALARM_vStartTimer();
  EXPECT_EQ(1, Click());
  EXPECT_EQ((std::vector<CMD_ID>{CMD_ID_UNREGISTER_MENU_ITEM, CMD_ID_REGISTER_MENU_ITEM}), rt::Commands(rt::kMenuBox))
      << "Stop Timer in the place of Start Timer";
  g_now = 5999;
  Tick();
  EXPECT_EQ(0, Itaw());
  EXPECT_FALSE(T_ALARM_bIsPending(TIMER_ALARM));
  g_now = 6000;
  Tick();
  EXPECT_EQ(TIMER_ALARM, T_ALARM_eCurrentAlarm());
  std::vector<TONE_SEQUENCE> tones = rt::ToneRequests();
  ASSERT_FALSE(tones.empty());
  EXPECT_EQ(TONE_ALARM_ALERT, tones[0]);
  const std::vector<rt::VIEW_REQUEST> view = rt::ViewRequests();
  EXPECT_TRUE(rt::MatchesGolden("timer_question", rt::PICTURE(rt::Registered(view, ALARM_TIMER_WARNING_LAYER))));
  EXPECT_TRUE(rt::PICTURE(rt::Registered(view, ALARM_LAYER)) == rt::PICTURE(nullptr)) << "alarm 31 has no text";

  for (int tick = 1; tick <= 30; tick++) Tick();
  EXPECT_TRUE(T_ALARM_bIsPending(TIMER_ALARM));
  Tick();
  EXPECT_FALSE(T_ALARM_bIsPending(TIMER_ALARM));
  EXPECT_EQ(1, Itaw());
  EXPECT_EQ((std::vector<CMD_ID>{CMD_ID_UNREGISTER_MENU_ITEM, CMD_ID_REGISTER_MENU_ITEM}), rt::Commands(rt::kMenuBox))
      << "Start Timer back";
  EXPECT_EQ(0, Click(0)) << "the question went without a click";
  bool bQuestionGone = false;
  for (const rt::VIEW_REQUEST& r : rt::ViewRequests()) {
    bQuestionGone |= r.cmd == CMD_ID_UNREGISTER_LAYER && r.layer == ALARM_TIMER_WARNING_LAYER;
  }
  EXPECT_TRUE(bQuestionGone);
}

TEST_F(Timer, RepeatStartsTheCountAgainAndClearStopsIt) {
  StartWith(2);
  T_ALARM_vStartTimer();
  g_now = 2000;
  Tick();
  ASSERT_TRUE(T_ALARM_bIsPending(TIMER_ALARM));
  EXPECT_EQ(1, KeyClick(HKEY_MASK_CURSOR, CURSOR_EAST));
  rt::Sync(M_ALARM);
  EXPECT_FALSE(T_ALARM_bIsPending(TIMER_ALARM));
  g_now = 2500;
  Tick();
  EXPECT_EQ(1, Itaw());
  g_now = 4000;
  Tick();
  ASSERT_TRUE(T_ALARM_bIsPending(TIMER_ALARM));

  EXPECT_EQ(-1, KeyClick(HKEY_MASK_CURSOR, CURSOR_NORTH));
  EXPECT_EQ(0, KeyClick(HKEY_MASK_EXIT)) << "EXIT is ignored while the question waits";
  EXPECT_EQ(1, KeyClick(HKEY_MASK_CURSOR, CURSOR_WEST));
  rt::Sync(M_ALARM);
  EXPECT_FALSE(T_ALARM_bIsPending(TIMER_ALARM));
  EXPECT_EQ(2, Itaw());
  g_now = 60000;
  Tick();
  EXPECT_FALSE(T_ALARM_bIsPending(TIMER_ALARM));
}

// Started 2000 ms before the millisecond clock wraps, a 3 s count ends 1000
// ms after the wrap.
TEST_F(Timer, ACountAcrossTheWrapOfTheClockEndsOnTime) {
  StartWith(3);
  g_now = 0xFFFFF830u;
  T_ALARM_vStartTimer();
  g_now = 0xFFFFFE0Cu;
  Tick();
  EXPECT_EQ(1, Itaw());
  g_now = 0x320u;
  Tick();
  EXPECT_EQ(0, Itaw());
  EXPECT_FALSE(T_ALARM_bIsPending(TIMER_ALARM));
  g_now = 0x3E8u;
  Tick();
  EXPECT_TRUE(T_ALARM_bIsPending(TIMER_ALARM));
}

TEST_F(Timer, TheEditorKeepsEachValueInItsRangeAndSaves) {
  StartWith(-1);
  T_ALARM_vInitTimer();
  EXPECT_EQ(1, Click());
  std::vector<rt::KEY_REQUEST> keys = rt::KeyRequests();
  ASSERT_EQ(2u, keys.size());
  EXPECT_EQ(0x3EEu, keys[0].keys);
  EXPECT_EQ(KEY_DOWN, keys[0].state);
  EXPECT_EQ(0x10u, keys[1].keys);
  EXPECT_EQ(KEY_CHANGE, keys[1].state) << "the editor sees the cursor pad's release";

  EXPECT_EQ(-1, KeyClick(HKEY_MASK_CURSOR, CURSOR_WEST)) << "0 refuses a decrease";
  EXPECT_EQ(-1, KeyClick(HKEY_MASK_CURSOR, CURSOR_NORTH)) << "no row above the hours";
  EXPECT_EQ(-1, KeyClick(HKEY_MASK_MENU));
  const struct {
    int steps;
    const char* row;
  } rows[] = {{23, "hours"}, {59, "minutes"}, {59, "seconds"}};
  for (const auto& row : rows) {
    for (int i = 0; i < row.steps; i++) ASSERT_EQ(1, KeyClick(HKEY_MASK_CURSOR, CURSOR_EAST)) << row.row << " " << i;
    EXPECT_EQ(-1, KeyClick(HKEY_MASK_CURSOR, CURSOR_EAST)) << row.row << " stop at their top";
    if (row.steps == 23) {
      Key(HKEY_MASK_CURSOR, CURSOR_UP, KEY_UP);
      EXPECT_TRUE(rt::MatchesGolden("timer_editor", rt::PICTURE(rt::Registered(rt::ViewRequests(), ALARM_TIMER_LAYER))));
    }
    EXPECT_EQ(1, KeyClick(HKEY_MASK_CURSOR, CURSOR_SOUTH));
  }
  EXPECT_EQ(-1, KeyClick(HKEY_MASK_CURSOR, CURSOR_WEST)) << "the Start row takes no decrease";
  EXPECT_EQ(1, KeyClick(HKEY_MASK_CURSOR, CURSOR_SOUTH));
  EXPECT_EQ(-1, KeyClick(HKEY_MASK_CURSOR, CURSOR_SOUTH)) << "no row below Save";
  EXPECT_EQ(1, KeyClick(HKEY_MASK_CURSOR, CURSOR_EAST));
  EXPECT_EQ(23 * 3600 + 59 * 60 + 59, Staw());
  EXPECT_EQ(23 * 3600 + 59 * 60 + 59, Itaw());
  keys = rt::KeyRequests();
  ASSERT_EQ(1u, keys.size());
  EXPECT_EQ(CMD_ID_UNREGISTER_FOR_KEYS, keys[0].cmd);
  EXPECT_EQ(0x3FEu, keys[0].keys);
}

TEST_F(Timer, ExitWithoutAChangeClosesAndAfterOneAsksWhetherToSave) {
  StartWith(-1);
  T_ALARM_vInitTimer();
  rt::ViewRequests();
  EXPECT_EQ(1, KeyClick(HKEY_MASK_EXIT));
  std::vector<rt::VIEW_REQUEST> view = rt::ViewRequests();
  ASSERT_EQ(1u, view.size());
  EXPECT_EQ(CMD_ID_UNREGISTER_LAYER, view[0].cmd);

  T_ALARM_vInitTimer();
  Key(HKEY_MASK_CURSOR, CURSOR_EAST);
  EXPECT_EQ(1, KeyClick(HKEY_MASK_EXIT));
  EXPECT_EQ(-1, KeyClick(HKEY_MASK_EXIT)) << "Save Changes? is showing";
  EXPECT_EQ(1, KeyClick(HKEY_MASK_CURSOR, CURSOR_WEST)) << "No";
  EXPECT_EQ(-1, Staw());
  rt::ViewRequests();
  T_ALARM_vInitTimer();
  EXPECT_EQ(1, KeyClick(HKEY_MASK_EXIT));
  view = rt::ViewRequests();
  ASSERT_EQ(2u, view.size()) << "No put the old setting back, so EXIT closes at once";
  EXPECT_EQ(CMD_ID_UNREGISTER_LAYER, view[1].cmd);

  T_ALARM_vInitTimer();
  Key(HKEY_MASK_CURSOR, CURSOR_EAST);
  Key(HKEY_MASK_EXIT);
  EXPECT_EQ(1, KeyClick(HKEY_MASK_CURSOR, CURSOR_EAST)) << "Yes";
  EXPECT_EQ(3600, Staw());
  EXPECT_EQ(3600, Itaw());
}

// The check runs in the info task's stead on one thread, the menu's actions
// and the editor's drawing on two more, while keys arrive by mail.
TEST_F(Timer, TheCheckFromAnotherTaskAndKeysArrivingTogetherKeepTheTimerWhole) {
  StartWith(1);
  const char* text = getenv("VELMORA_STRESS_SECONDS");
  const U64 seconds = text != nullptr ? strtoull(text, nullptr, 10) : 1;
  const U64 end = L_CLOCK_qwGetTimeInMillis() + 1000 * (seconds > 0 ? seconds : 1);
  auto running = [end] { return L_CLOCK_qwGetTimeInMillis() < end; };
  std::thread info([&] {
    while (running()) {
      g_now += 400;
      T_ALARM_vCheckTimer();
      L_CLOCK_Sleep(1);
    }
  });
  std::thread menu([&] {
    for (unsigned i = 0; running(); i++) {
      if (i % 3 == 0) T_ALARM_vStartTimer();
      if (i % 3 == 1) T_ALARM_vInitTimer();
      if (i % 7 == 2) T_ALARM_vClearTimer();
      L_CLOCK_Sleep(1);
    }
  });
  std::thread view([&] {
    rt::PICTURE picture(nullptr);
    WINDOW_SPECIFICATION spec = {};
    while (running()) {
      T_ALARM_vDrawTimer(picture.pBitmap, &spec);
      T_ALARM_vDrawTimerWarning(picture.pBitmap, &spec);
    }
  });
  static const CURSOR_POSITION kCursor[] = {CURSOR_EAST, CURSOR_WEST, CURSOR_SOUTH, CURSOR_NORTH, CURSOR_UP};
  for (unsigned i = 0; running(); i++) {
    MSG_KEY_CHANGE* p = (MSG_KEY_CHANGE*)H_MEMORY_pvCalloc(1, sizeof(MSG_KEY_CHANGE));
    p->header.Cmd = CMD_ID_KEY_CHANGE;
    p->key = i % 11 == 0 ? HKEY_MASK_EXIT : HKEY_MASK_CURSOR;
    p->cursor = kCursor[i % 5];
    p->state = p->cursor == CURSOR_UP ? KEY_UP : KEY_DOWN;
    L_MBOX_Send(M_ALARM, p, 1, 0);
    if (i % 32 == 0) {
      rt::Sync(M_ALARM);
      for (MBOX mbox : {rt::kViewBox, rt::kKeyboardBox, rt::kMenuBox, (MBOX)M_TONE}) rt::Commands(mbox);
    }
  }
  info.join();
  menu.join();
  view.join();
  rt::Sync(M_ALARM);
  U32 occupied = 0;
  for (S32 id = 0; id < NUMBER_OF_SUPPORTED_ALARMS; id++) occupied += T_ALARM_bIsPending(id) ? 1 : 0;
  EXPECT_EQ(occupied, T_ALARM_u32ActiveAlarms());
}

}  // namespace
