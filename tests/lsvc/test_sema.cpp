#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "test_tasks.h"
#include "test_timing.h"

namespace {

U64 NowMs() { return L_CLOCK_qwGetTimeInMillis(); }

TEST(Semaphore, SecondSignalBeforeAWaitIsAnOverrunThatCountsOnce) {
  const SEMA s = SEMA_TIMER_SONAR_TEST;
  ASSERT_EQ(0, L_SEMA_Signal(s));
  EXPECT_EQ(-lsSEMA_OVERRUN, L_SEMA_Signal(s));
  EXPECT_EQ(-lsSEMA_DONE, L_SEMA_GetWaitingTaskID(s));
  EXPECT_EQ(0, L_SEMA_WaitTicks(s, 0));
  EXPECT_EQ(RC_TIMEOUT, L_SEMA_WaitTicks(s, 20));
  EXPECT_EQ(-lsSEMA_PENDING, L_SEMA_GetWaitingTaskID(s));
}

TEST(Semaphore, WaitMultipleTakesTheOneSignalledFirstAndLeavesTheOther) {
  const SEMA a = SEMA_FINE_TIMER0, b = SEMA_FINE_TIMER1;
  const SEMA list[] = {a, b, 0};
  ASSERT_EQ(0, L_SEMA_Signal(b));
  L_CLOCK_Sleep(1);
  ASSERT_EQ(0, L_SEMA_Signal(a));
  EXPECT_EQ(b, L_SEMA_WaitMultiple(list));
  EXPECT_EQ(a, L_SEMA_WaitMultiple(list));
  EXPECT_EQ(RC_TIMEOUT, L_SEMA_WaitTicks(a, 0));
  EXPECT_EQ(RC_TIMEOUT, L_SEMA_WaitTicks(b, 0));
}

TEST(Semaphore, TimedWaitReturnsTheTimeoutCodeAfterAboutThatTime) {
  const SEMA s = SEMA_FINE_TIMER2;
  U64 start = NowMs();
  EXPECT_EQ(RC_TIMEOUT, L_SEMA_WaitTicks(s, 100));
  U64 elapsed = NowMs() - start;
  EXPECT_GE(elapsed, 100u);
  EXPECT_EQ(-lsSEMA_PENDING, L_SEMA_GetWaitingTaskID(s));
}

TEST(Semaphore, AWaitingTaskIsWokenBySignalAndSecondWaiterConflicts) {
  const SEMA s = SEMA_USER_TEST;
  std::atomic<S32> got{0};
  ASSERT_EQ(0, TEST_StartTask(40, [&] { got = L_SEMA_WaitMultiple((const SEMA[]){s, 0}); }));
  ASSERT_TRUE(TEST_bWaitUntil([&] { return L_SEMA_GetWaitingTaskID(s) == 40; }, 5000));
  EXPECT_EQ(-lsSEMA_WAIT_CONFLICT, L_SEMA_WaitTicks(s, 10));
  // A waiter's mark survives SetPending; the signal still arrives.
  EXPECT_EQ(0, L_SEMA_SetPending(s));
  EXPECT_EQ(0, L_SEMA_Signal(s));
  ASSERT_TRUE(TEST_bJoinTask(40));
  EXPECT_EQ(s, got.load());
}

TEST(Semaphore, SetPendingDropsASignalNobodyTook) {
  const SEMA s = SEMA_TEST_PARAMS;
  ASSERT_EQ(0, L_SEMA_Signal(s));
  EXPECT_EQ(0, L_SEMA_SetPending(s));
  EXPECT_EQ(RC_TIMEOUT, L_SEMA_WaitTicks(s, 0));
  const SEMA list[] = {s, 999, 0};
  EXPECT_EQ(0, L_SEMA_SignalMultiple(list));
  EXPECT_EQ(0, L_SEMA_SetPendingMultiple(list));
  EXPECT_EQ(RC_TIMEOUT, L_SEMA_WaitTicks(s, 0));
}

TEST(Semaphore, InvalidIdsAndListsAreRefused) {
  EXPECT_EQ(-lsSEMA_INVALID, L_SEMA_Signal(0));
  EXPECT_EQ(-lsSEMA_INVALID, L_SEMA_Signal(nsemas + 1));
  EXPECT_EQ(-lsSEMA_INVALID, L_SEMA_Wait(-3));
  EXPECT_EQ(-lsSEMA_INVALID, L_SEMA_WaitMultiple(nullptr));
  EXPECT_EQ(-lsSEMA_INVALID, L_SEMA_WaitMultiple((const SEMA[]){0}));
  EXPECT_EQ(-lsSEMA_INVALID, L_SEMA_WaitMultiple((const SEMA[]){400, -1, 0}));
  EXPECT_EQ(-lsSEMA_INVALID, L_SEMA_SignalMultiple((const SEMA[]){400, 0}));
  EXPECT_EQ(-lsSEMA_INVALID, L_SEMA_GetWaitingTaskID(318));
}

TEST(Semaphore, RepeatedIdInAListIsWaitedOnOnce) {
  const SEMA s = SEMA_A2D_TEST;
  ASSERT_EQ(0, L_SEMA_Signal(s));
  EXPECT_EQ(s, L_SEMA_WaitMultiple((const SEMA[]){s, s, 0}));
}

// Threads that are not tasks all report id 72; each must still be woken by
// its own semaphore and never take another's wake-up.
TEST(Semaphore, ThreadsThatAreNotTasksWaitIndependently) {
  const SEMA a = SEMA_GDC0, b = SEMA_GDC1;
  std::atomic<int> woken{0};
  std::thread ta([&] {
    EXPECT_EQ(0, L_SEMA_WaitTicks(a, (TICKS)TEST_u64SlackMs(3000)));
    woken++;
  });
  std::thread tb([&] {
    EXPECT_EQ(0, L_SEMA_WaitTicks(b, (TICKS)TEST_u64SlackMs(3000)));
    woken++;
  });
  ASSERT_TRUE(TEST_bWaitUntil(
      [&] { return L_SEMA_GetWaitingTaskID(a) == MAINTHREAD_ID && L_SEMA_GetWaitingTaskID(b) == MAINTHREAD_ID; }, 3000));
  L_SEMA_Signal(b);
  L_SEMA_Signal(a);
  ta.join();
  tb.join();
  EXPECT_EQ(2, woken.load()) << "each woken by its signal, not by its time-out";
}

// A thread that is not a task keeps its wait block in its own storage. Waits
// that give up as a signal picks them, in threads that then end, must leave
// every signal taken exactly once or still pending, and no block in use.
TEST(Semaphore, SignalsRacingTimeOutsOfEndingThreadsAreEachTakenOnceOrLeftPending) {
  const SEMA s = SEMA_FISH_ALARM_LARGE;
  std::atomic<bool> stop{false};
  std::atomic<int> fired{0}, taken{0};
  // A signal about every tick, so that one-tick waits often end as one comes.
  std::thread signaller([&] {
    while (!stop) {
      if (L_SEMA_Signal(s) == 0) fired++;
      L_CLOCK_Sleep(1);
    }
  });
  for (int i = 0; i < 100; i++) {
    std::thread([&] {
      for (TICKS k = 0; k < 4; k++) {
        if (L_SEMA_WaitTicks(s, k % 2) == 0) taken++;
      }
    }).join();
  }
  stop = true;
  signaller.join();
  if (L_SEMA_WaitTicks(s, 0) == 0) taken++;
  EXPECT_GT(taken.load(), 0);
  EXPECT_EQ(fired.load(), taken.load());
}

}  // namespace
