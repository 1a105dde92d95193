#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

#include <atomic>
#include <vector>

#include "test_tasks.h"
#include "test_timing.h"

namespace {

U64 NowUs() { return L_CLOCK_qwGetTimeInMicros(); }

TEST(Timer, OneShotSignalsOnceAfterItsTimeAndThenStands) {
  const SEMA s = SEMA_TIMER_RADAR_XMIT;
  U64 start = NowUs();
  TIMER_INFO* t = L_TIMER_Start(nullptr, 100, 0, s);
  ASSERT_NE(nullptr, t);
  EXPECT_GT(L_TIMER_GetRemaining(t), 50u);
  ASSERT_EQ(0, L_SEMA_WaitTicks(s, (TICKS)TEST_u64SlackMs(1000)));
  U64 elapsed = NowUs() - start;
  EXPECT_GE(elapsed, 99000u);
  EXPECT_EQ(RC_TIMEOUT, L_SEMA_WaitTicks(s, 150));
  EXPECT_EQ(-lsTIMER_INACTIVE, L_TIMER_Stop(t));
  EXPECT_EQ(0u, L_TIMER_GetRemaining(t));
  EXPECT_EQ(0, L_TIMER_Release(t));
}

TEST(Timer, PeriodicTimerSignalsFirstAtItsInitialTimeThenEveryPeriod) {
  const SEMA s = SEMA_TIMER_RADAR_WARMUP;
  U64 start = NowUs();
  TIMER_INFO* t = L_TIMER_Start(nullptr, 10, 25, s);
  ASSERT_NE(nullptr, t);
  std::vector<U64> at;
  for (int i = 0; i < 9; i++) {
    ASSERT_EQ(0, L_SEMA_WaitTicks(s, (TICKS)TEST_u64SlackMs(1000)));
    at.push_back(NowUs() - start);
  }
  EXPECT_EQ(0, L_TIMER_Stop(t));
  EXPECT_EQ(0, L_TIMER_Release(t));
  // No expiry comes before its time on the start's own schedule; a busy
  // host only wakes this thread later.
  for (U64 k = 0; k < at.size(); k++) EXPECT_GE(at[k], 9500 + 25000 * k) << k;
}

TEST(Timer, StartWithoutInitialTimeSignalsAtOnce) {
  const SEMA s = SEMA_TIMER_RADAR_HEARTBEAT;
  TIMER_INFO* t = L_TIMER_Start(nullptr, 0, 0, s);
  ASSERT_NE(nullptr, t);
  EXPECT_EQ(0, L_SEMA_WaitTicks(s, 0));
  EXPECT_EQ(-lsTIMER_INACTIVE, L_TIMER_Stop(t));
  EXPECT_EQ(MAINTHREAD_ID, t->OwningTaskID.load());
  EXPECT_EQ(0, L_TIMER_Release(t));
}

TEST(Timer, RestartDropsASignalStillStored) {
  const SEMA s = SEMA_TIMER_RADAR_PLAYBACK;
  TIMER_INFO* t = L_TIMER_Start(nullptr, 0, 0, s);
  ASSERT_NE(nullptr, t);
  ASSERT_EQ(t, L_TIMER_Start(t, 500, 0, -1));
  EXPECT_EQ(RC_TIMEOUT, L_SEMA_WaitTicks(s, 0)) << "the signal of the first start was dropped";
  EXPECT_EQ(0, L_TIMER_Stop(t));
  EXPECT_EQ(0, L_TIMER_Release(t));
}

// Each restart comes just as an expiry of the period has been counted, so
// that it is often still on its way to the timer thread: it must not pass
// for the one-shot's.
TEST(Timer, APeriodicTimerRestartedAsAOneShotFiresOnceAndNotBeforeItsTime) {
  const SEMA s = SEMA_TIMER_RADAR_CLIENT_XMIT;
  TIMER_INFO* t = L_TIMER_Allocate();
  ASSERT_NE(nullptr, t);
  int early = 0;
  for (int i = 0; i < 1000; i++) {
    ASSERT_EQ(t, L_TIMER_Start(t, 1, 1, s));
    const U32 fired = t->timer_fired_count;
    const U64 deadline = NowUs() + 5000000;
    while (t->timer_fired_count == fired && NowUs() < deadline) {
    }
    ASSERT_NE(fired, t->timer_fired_count.load()) << "restart " << i << ": the period never expired";
    const U64 start = NowUs();
    ASSERT_EQ(t, L_TIMER_Start(t, 2, 0, -1));
    ASSERT_EQ(0, L_SEMA_WaitTicks(s, 5000)) << "restart " << i << ": the one-shot never came";
    if (NowUs() - start < 2000 && ++early <= 3) ADD_FAILURE() << "restart " << i << ": fired early";
    EXPECT_EQ(-lsTIMER_INACTIVE, L_TIMER_Stop(t)) << "restart " << i << ": still armed after it fired";
  }
  EXPECT_EQ(0, early);
  EXPECT_EQ(0, L_TIMER_Release(t));
}

// An expiry the system never hands on (under ThreadSanitizer a second
// signal that comes while the first still waits is dropped) still fires the
// one-shot, if late.
TEST(Timer, AOneShotWhoseExpiryIsLostStillFires) {
  const SEMA s = SEMA_TIMER_RADAR_XMIT;
  TIMER_INFO* t = L_TIMER_Start(nullptr, 30, 0, s);
  ASSERT_NE(nullptr, t);
  const struct itimerspec never = {};
  ASSERT_EQ(0, timer_settime(t->TimerID, 0, &never, nullptr));
  EXPECT_EQ(0, L_SEMA_WaitTicks(s, (TICKS)TEST_u64SlackMs(2000)));
  EXPECT_EQ(RC_TIMEOUT, L_SEMA_WaitTicks(s, 100)) << "once";
  EXPECT_EQ(-lsTIMER_INACTIVE, L_TIMER_Stop(t));
  EXPECT_EQ(0, L_TIMER_Release(t));
}

// Expiries that come close together, as at start-up when many tasks arm
// their timers at once: every one-shot fires. Under ThreadSanitizer some of
// their signals are lost on the way.
TEST(Timer, OneShotsThatExpireTogetherAllFire) {
  std::vector<TIMER_INFO*> timers;
  // The board's emulator gives a process 32 system timers.
  for (int i = 0; i < 24; i++) timers.push_back(L_TIMER_Allocate());
  for (TIMER_INFO* t : timers) ASSERT_NE(nullptr, t);
  for (int round = 0; round < 50; round++) {
    for (TIMER_INFO* t : timers) ASSERT_EQ(t, L_TIMER_Start(t, 5, 0, -1));
    const auto bAllFired = [&] {
      for (TIMER_INFO* t : timers) {
        if (t->u8TimerState.load() != TIMER_STOPPED) return false;
      }
      return true;
    };
    ASSERT_TRUE(TEST_bWaitUntil(bAllFired, 2000)) << "round " << round;
  }
  for (TIMER_INFO* t : timers) EXPECT_EQ(0, L_TIMER_Release(t));
}

TEST(Timer, PoolHoldsSeventyFiveTimers) {
  std::vector<TIMER_INFO*> held;
  while (TIMER_INFO* t = L_TIMER_Allocate()) held.push_back(t);
  EXPECT_EQ((size_t)ntmrs, held.size());
  EXPECT_EQ(nullptr, L_TIMER_Start(nullptr, 10, 0, SEMA_TIMER_RADAR_UPDATE));
  for (TIMER_INFO* t : held) EXPECT_EQ(0, L_TIMER_Release(t));
}

TEST(Timer, OnlyTheOwnerMayStopOrReleaseATimer) {
  std::atomic<TIMER_INFO*> theirs{nullptr};
  const SEMA done = SEMA_TIMER_RADAR_STANDBY_MSG;
  ASSERT_EQ(0, TEST_StartTask(43, [&] {
    theirs = L_TIMER_Start(nullptr, 10000, 0, SEMA_RADAR_TRIGGER_DELAY);
    L_SEMA_Wait(done);
    EXPECT_EQ(0, L_TIMER_Release(theirs));
  }));
  ASSERT_TRUE(TEST_bWaitUntil([&] { return theirs != nullptr; }, 5000));
  EXPECT_EQ(-lsTIMER_ILLEGAL, L_TIMER_Stop(theirs));
  EXPECT_EQ(-lsTIMER_ILLEGAL, L_TIMER_Release(theirs));
  EXPECT_EQ(nullptr, L_TIMER_Start(theirs, 5, 0, -1));
  EXPECT_EQ(-lsTIMER_ILLEGAL, L_TIMER_Stop(nullptr));
  L_SEMA_Signal(done);
  EXPECT_TRUE(TEST_bJoinTask(43));
}

TEST(Timer, ATimerHeldByItsTaskWorksLikeAPoolTimer) {
  static TIMER_INFO s_own;
  const SEMA s = SEMA_TIMER_WAYPOINT_TIMER;
  ASSERT_EQ(0, L_TIMER_InitTimer(&s_own, MAINTHREAD_ID));
  ASSERT_EQ(&s_own, L_TIMER_Start(&s_own, 20, 0, s));
  EXPECT_EQ(0, L_SEMA_WaitTicks(s, (TICKS)TEST_u64SlackMs(1000)));
  EXPECT_EQ(0, L_TIMER_InitTimer(&s_own, MAINTHREAD_ID)) << "set up again, same slot";
  ASSERT_EQ(&s_own, L_TIMER_Start(&s_own, 20, 0, s));
  EXPECT_EQ(0, L_SEMA_WaitTicks(s, (TICKS)TEST_u64SlackMs(1000)));
}

TEST(Ticks, ElapsedTimeWrapsIn32Bits) {
  EXPECT_EQ(0x20u, H_TICK_u32ElapsedTime(0xFFFFFFF0u, 0x10u));
  U32 stamp = (U32)L_CLOCK_qwGetTimeInTicks();
  L_CLOCK_Sleep(20);
  U32 elapsed = L_TIMER_GetElapsed(&stamp);
  EXPECT_GE(elapsed, 20u);
  struct itimerspec ts;
  L_CLOCK_StoreTimerspec(&ts, 1500, 25);
  EXPECT_EQ(1500u, L_CLOCK_ScanTimerspec(&ts));
  EXPECT_EQ(25000000, ts.it_interval.tv_nsec);
}

}  // namespace
