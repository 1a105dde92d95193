// The count-down timer on a clock the test turns: its count, alarm and
// question, and its editor, answered by keys mailed to the alarm task. The
// test stands in for the info task's once-a-second check.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "h_database.h"
#include "readouts_test.h"
#include "t_alarm.h"

namespace {

using Log = std::vector<std::string>;
using Cmds = std::vector<CMD_ID>;
const Cmds kMenuSwap = {CMD_ID_UNREGISTER_MENU_ITEM, CMD_ID_REGISTER_MENU_ITEM};

std::atomic<U32> g_now{0};

// The value word as a signed number, whatever the key's type.
S32 GetS32(FOURCHARID id) {
  DB_DATA_TYPE value = {};
  return H_DATABASE_bFetch(id, &value, nullptr, nullptr) ? value.s32Val : -1;
}

class Timer : public rt::ReadoutsTest {
 protected:
  // The alarm task with a stored setting (none when negative).
  void StartWith(S32 s32Setting) {
    g_now = 0;  // the clock another test turned is not this test's
    if (s32Setting >= 0) {
      H_DATABASE_bUpdateEverythingU32(FCID("STAW"), (U32)s32Setting, P_NORMAL, D_TIME, nullptr, DB_NEVER_STALE);
    }
    T_ALARM_vSetClock([] { return g_now.load(); });
    Start(rt::ALARM);
    rt::Commands(rt::kMenuBox);
  }
  static void Tick() {
    T_ALARM_vCheckTimer();
    rt::Sync(M_ALARM);
  }
  static int Press(U32 key, CURSOR_POSITION cursor = CURSOR_UP) {
    rt::ForgetClicks();
    rt::Key(key, cursor);
    return rt::Click(50);
  }
  static int Press(CURSOR_POSITION cursor) { return Press(HKEY_MASK_CURSOR, cursor); }
};

TEST_F(Timer, StartingATimerOfNoTimeIsRefused) {
  StartWith(-1);
  rt::ForgetClicks();
  T_ALARM_vStartTimer();
  EXPECT_EQ(-1, rt::Click());
  EXPECT_TRUE(rt::Commands(rt::kMenuBox).empty()) << "the menu stays as it was";
}

TEST_F(Timer, AOneSecondTimerRaisesItsAlarmOnTheFirstTickPastItsEndAndItsQuestionGoesOnThe31st) {
  StartWith(1);
  g_now = 5000;
  T_ALARM_vStartTimer();
  EXPECT_EQ(kMenuSwap, rt::Commands(rt::kMenuBox)) << "Stop Timer in the place of Start Timer";
  g_now = 5999;
  Tick();
  EXPECT_EQ(0, GetS32(FCID("ITAW")));
  EXPECT_FALSE(T_ALARM_bIsPending(TIMER_ALARM));
  g_now = 6000;
  Tick();
  EXPECT_EQ(TIMER_ALARM, T_ALARM_eCurrentAlarm());
  const std::vector<TONE_SEQUENCE> tones = rt::ToneRequests();
  ASSERT_FALSE(tones.empty());
  EXPECT_EQ(TONE_ALARM_ALERT, tones[0]);
  EXPECT_TRUE(rt::MatchesGolden("timer_question", rt::Picture(ALARM_TIMER_WARNING_LAYER)));
  EXPECT_TRUE(rt::Picture(ALARM_LAYER) == rt::Picture(nullptr)) << "alarm 31 has no text to show";
  rt::ViewLog();

  for (int tick = 1; tick <= 30; tick++) Tick();
  EXPECT_TRUE(T_ALARM_bIsPending(TIMER_ALARM));
  rt::ForgetClicks();
  Tick();
  EXPECT_FALSE(T_ALARM_bIsPending(TIMER_ALARM));
  EXPECT_EQ(1, GetS32(FCID("ITAW")));
  EXPECT_EQ(kMenuSwap, rt::Commands(rt::kMenuBox)) << "Start Timer back";
  EXPECT_EQ((Log{"-329", "-330"}), rt::ViewLog());
  EXPECT_EQ(0, rt::Click(0));
}

TEST_F(Timer, RepeatStartsTheCountAgainAndClearStopsIt) {
  StartWith(2);
  T_ALARM_vStartTimer();
  g_now = 2000;
  Tick();
  EXPECT_EQ(1, Press(CURSOR_EAST));
  rt::Sync(M_ALARM);
  EXPECT_FALSE(T_ALARM_bIsPending(TIMER_ALARM));
  g_now = 2500;
  Tick();
  EXPECT_EQ(1, GetS32(FCID("ITAW")));
  g_now = 4000;
  Tick();
  ASSERT_TRUE(T_ALARM_bIsPending(TIMER_ALARM));
  EXPECT_EQ(-1, Press(CURSOR_NORTH));
  EXPECT_EQ(0, Press(HKEY_MASK_EXIT)) << "EXIT is ignored while the question waits";
  EXPECT_EQ(1, Press(CURSOR_WEST));
  rt::Sync(M_ALARM);
  EXPECT_FALSE(T_ALARM_bIsPending(TIMER_ALARM));
  EXPECT_EQ(2, GetS32(FCID("ITAW")));
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
  const struct {
    U32 now;
    S32 left;
  } ticks[] = {{0xFFFFFE0Cu, 1}, {0x320u, 0}};
  for (const auto& t : ticks) {
    g_now = t.now;
    Tick();
    EXPECT_EQ(t.left, GetS32(FCID("ITAW")));
  }
  EXPECT_FALSE(T_ALARM_bIsPending(TIMER_ALARM));
  g_now = 0x3E8u;
  Tick();
  EXPECT_TRUE(T_ALARM_bIsPending(TIMER_ALARM));
}

TEST_F(Timer, TheEditorKeepsEachValueInItsRangeAndSaves) {
  StartWith(-1);
  T_ALARM_vInitTimer();
  EXPECT_EQ((Log{"+3EE/2", "+10/3"}), rt::KeyLog()) << "the editor sees the cursor pad's release";
  EXPECT_EQ(-1, Press(CURSOR_WEST)) << "0 refuses a decrease";
  EXPECT_EQ(-1, Press(CURSOR_NORTH));
  EXPECT_EQ(-1, Press(HKEY_MASK_MENU));
  for (int top : {23, 59, 59}) {
    for (int i = 0; i < top; i++) ASSERT_EQ(1, Press(CURSOR_EAST)) << top << " " << i;
    EXPECT_EQ(-1, Press(CURSOR_EAST)) << top;
    if (top == 23) {
      rt::Key(HKEY_MASK_CURSOR, CURSOR_UP, KEY_UP);
      EXPECT_TRUE(rt::MatchesGolden("timer_editor", rt::Picture(ALARM_TIMER_LAYER)));
    }
    EXPECT_EQ(1, Press(CURSOR_SOUTH));
  }
  EXPECT_EQ(-1, Press(CURSOR_WEST)) << "the Start row takes no decrease";
  EXPECT_EQ(1, Press(CURSOR_SOUTH));
  EXPECT_EQ(-1, Press(CURSOR_SOUTH)) << "no row below Save";
  EXPECT_EQ(1, Press(CURSOR_EAST));
  EXPECT_EQ(86399, GetS32(FCID("STAW")));  // 23:59:59
  EXPECT_EQ(86399, GetS32(FCID("ITAW")));
  EXPECT_EQ(Log{"-3FE"}, rt::KeyLog());
}

TEST_F(Timer, ExitWithoutAChangeClosesAndAfterOneAsksWhetherToSave) {
  StartWith(-1);
  T_ALARM_vInitTimer();
  EXPECT_EQ(1, Press(HKEY_MASK_EXIT));
  EXPECT_EQ((Log{"+328", "-328"}), rt::ViewLog());
  T_ALARM_vInitTimer();
  rt::Key(HKEY_MASK_CURSOR, CURSOR_EAST);
  EXPECT_EQ(1, Press(HKEY_MASK_EXIT));
  EXPECT_EQ(-1, Press(HKEY_MASK_EXIT)) << "Save Changes? is showing";
  EXPECT_EQ(1, Press(CURSOR_WEST)) << "No";
  EXPECT_EQ(-1, GetS32(FCID("STAW")));
  T_ALARM_vInitTimer();
  EXPECT_EQ(1, Press(HKEY_MASK_EXIT));
  EXPECT_EQ((Log{"+328", "-328", "+328", "-328"}), rt::ViewLog()) << "No put the old setting back";
  T_ALARM_vInitTimer();
  rt::Key(HKEY_MASK_CURSOR, CURSOR_EAST);
  rt::Key(HKEY_MASK_EXIT);
  EXPECT_EQ(1, Press(CURSOR_EAST)) << "Yes";
  EXPECT_EQ(3600, GetS32(FCID("STAW")));
  EXPECT_EQ(3600, GetS32(FCID("ITAW")));
}

// The check runs in the info task's stead, the menu's actions and the
// editor's drawing on two more threads, while keys arrive by mail.
TEST_F(Timer, TheCheckFromAnotherTaskAndKeysArrivingTogetherKeepTheTimerWhole) {
  StartWith(1);
  const U64 end = L_CLOCK_qwGetTimeInMillis() + rt::StressMs(1);
  auto running = [end] { return L_CLOCK_qwGetTimeInMillis() < end; };
  std::thread info([&] {
    for (; running(); L_CLOCK_Sleep(1)) g_now += 400, T_ALARM_vCheckTimer();
  });
  std::thread menu([&] {
    for (unsigned i = 0; running(); i++, L_CLOCK_Sleep(1)) {
      (i % 3 == 0 ? T_ALARM_vStartTimer : i % 3 == 1 ? T_ALARM_vInitTimer : T_ALARM_vClearTimer)();
    }
  });
  std::thread view([&] {
    while (running()) rt::Picture(T_ALARM_vDrawTimer), rt::Picture(T_ALARM_vDrawTimerWarning);
  });
  static const CURSOR_POSITION kCursor[] = {CURSOR_EAST, CURSOR_WEST, CURSOR_SOUTH, CURSOR_NORTH, CURSOR_UP};
  for (unsigned i = 0; running(); i++) {
    const CURSOR_POSITION cursor = kCursor[i % 5];
    rt::Key(i % 11 == 0 ? HKEY_MASK_EXIT : HKEY_MASK_CURSOR, cursor, cursor == CURSOR_UP ? KEY_UP : KEY_DOWN, false);
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
