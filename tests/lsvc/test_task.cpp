#include <gtest/gtest.h>
#include <string.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "h_memory.h"
#include "test_tasks.h"
#include "test_timing.h"

namespace {

TEST(Task, ThreadsThatAreNotTasksReportTheMainThreadId) {
  EXPECT_EQ(MAINTHREAD_ID, L_TASK_GetID(0));
  S32 fromThread = 0;
  std::thread t([&] { fromThread = L_TASK_GetID(0); });
  t.join();
  EXPECT_EQ(MAINTHREAD_ID, fromThread);
  std::atomic<S32> inside{0};
  std::atomic<S32> bySearch{0};
  ASSERT_EQ(0, TEST_StartTask(46, [&] {
    inside = L_TASK_GetID(0);
    bySearch = L_TASK_GetID(pthread_self());
  }));
  ASSERT_TRUE(TEST_bJoinTask(46));
  EXPECT_EQ(46, inside.load());
  EXPECT_EQ(46, bySearch.load());
}

TEST(Task, DisabledAndInvalidIdsAreNotStarted) {
  std::atomic<bool> ran{false};
  task_disabled[46] = 1;
  EXPECT_EQ(0, TEST_StartTask(47, [&] { ran = true; }));
  task_disabled[46] = 0;
  L_CLOCK_Sleep(20);
  EXPECT_FALSE(ran.load());
  EXPECT_FALSE(L_TASK_bIsRunning(47));
  EXPECT_EQ(-lsTASK_INVALID, L_TASK_Start(73));
  EXPECT_EQ(-lsTASK_INVALID, L_TASK_Start(-1));
  EXPECT_EQ(-lsTASK_INVALID, L_TASK_Terminate(73));
}

TEST(Task, EveryTaskRunsAtTimeSharingPriority) {
  EXPECT_EQ(100, L_TASK_GetPriority(48));
  EXPECT_EQ(0, L_TASK_SetPriority(48, 2));
  EXPECT_EQ(100, L_TASK_GetPriority(48));
  EXPECT_EQ((U16)-lsTASK_INVALID, L_TASK_GetPriority(80));
}

TEST(Task, ALiveTaskIsNeverStartedTwiceButMayRunAgainAfterItEnded) {
  const SEMA go = SEMA_TIMER_RQX_DEPTH;
  std::atomic<int> runs{0};
  auto body = [&] {
    runs++;
    L_SEMA_Wait(go);
  };
  ASSERT_EQ(0, TEST_StartTask(49, body));
  while (L_SEMA_GetWaitingTaskID(go) != 49) L_CLOCK_Sleep(1);
  EXPECT_EQ(-lsTASK_START, L_TASK_Start(49));
  L_SEMA_Signal(go);
  ASSERT_TRUE(TEST_bJoinTask(49));
  ASSERT_EQ(0, TEST_StartTask(49, body));
  while (L_SEMA_GetWaitingTaskID(go) != 49) L_CLOCK_Sleep(1);
  L_SEMA_Signal(go);
  ASSERT_TRUE(TEST_bJoinTask(49));
  EXPECT_EQ(2, runs.load());
}

// A task ended from outside leaves at its wait, wherever it waits, and takes
// no resource mutex with it.
TEST(Task, TerminatedTaskLeavesFromEveryKindOfWaitAndReleasesItsMutexes) {
  const MUTEX held = RES_GDC4;
  const MUTEX wanted = RES_GDC5;
  struct Case {
    const char* what;
    std::function<void()> wait;
  };
  const Case cases[] = {
      {"semaphore", [] { L_SEMA_Wait(SEMA_TIMER_RQX_VIEW_OFFSET); }},
      {"semaphore with time-out", [] { L_SEMA_WaitTicks(SEMA_TIMER_RQX_VIEW_OFFSET, 60000); }},
      {"mailbox", [] { L_MBOX_ReceiveWait(M_XMWEATHER); }},
      {"queue", [] {
         U32 v;
         L_QUEUE_GetWait(Q_ETHERNET_TX, &v);
       }},
      {"mutex", [=] { L_MUTEX_LockWait(wanted); }},
  };
  ASSERT_EQ(0, L_MUTEX_Lock(wanted));
  for (const Case& c : cases) {
    std::atomic<bool> returned{false};
    std::atomic<bool> waiting{false};
    ASSERT_EQ(0, TEST_StartTask(50, [&] {
      L_MUTEX_Lock(held);
      waiting = true;
      c.wait();
      returned = true;
    })) << c.what;
    while (!waiting) L_CLOCK_Sleep(1);
    L_CLOCK_Sleep(20);
    EXPECT_EQ(50, L_MUTEX_GetOwnerTaskID(held)) << c.what;
    EXPECT_EQ(0, L_TASK_Terminate(50));
    ASSERT_TRUE(TEST_bJoinTask(50, 2000)) << c.what;
    EXPECT_FALSE(returned.load()) << c.what;
    EXPECT_EQ(0, L_MUTEX_GetOwnerTaskID(held)) << c.what;
  }
  EXPECT_EQ(0, L_MUTEX_Unlock(wanted));
  EXPECT_EQ(0, L_TASK_Terminate(50)) << "ending a task that does not run is no error";
}

TEST(Task, TerminatingItselfNeverReturns) {
  std::atomic<bool> after{false};
  ASSERT_EQ(0, TEST_StartTask(51, [&] {
    L_TASK_Terminate(0);
    after = true;
  }));
  ASSERT_TRUE(TEST_bJoinTask(51));
  EXPECT_FALSE(after.load());
}

// The counters the rig's status shows: a run lasts from one wait to the
// next, so the 30 ms the task spends busy is its longest.
TEST(Task, StatusCountsMailsTheLongestRunAndTheTimeSinceTheLastRun) {
  const TASK id = 53;
  const SEMA go = SEMA_TIMER_RQX_DEPTH;
  static bool s_bRanBefore = false;  // by this test, repeated in the one process
  L_TASK_STATUS s;
  ASSERT_TRUE(L_TASK_bStatus(id, &s));
  EXPECT_EQ(s_bRanBefore ? L_TASK_ENDED : L_TASK_NOT_STARTED, s.eState);
  s_bRanBefore = true;
  EXPECT_FALSE(L_TASK_bStatus(MAINTHREAD_ID + 1, &s));
  ASSERT_EQ(0, TEST_StartTask(id, [&] {
    for (int i = 0; i < 3; i++) H_MEMORY_vFree(L_MBOX_ReceiveWait(M_XMWEATHER));
    const U64 until = L_CLOCK_qwGetTimeInNans() + 30000000u;
    while (L_CLOCK_qwGetTimeInNans() < until) {
    }
    L_SEMA_Wait(go);
  }));
  for (int i = 0; i < 3; i++) ASSERT_EQ(0, L_MBOX_Send(M_XMWEATHER, H_MEMORY_pvCalloc(1, 64), 3, 0));
  // The task is named the waiter a moment before it parks.
  EXPECT_TRUE(TEST_bWaitUntil(
      [&] { return L_SEMA_GetWaitingTaskID(go) == id && L_TASK_bStatus(id, &s) && s.eState == L_TASK_WAITING; },
      5000));
  EXPECT_EQ(3u, s.u64Mails);
  EXPECT_GE(s.u64LongestRunMs, 30u);
  for (int i = 0; i < 2000 && s.u64SinceRunMs < 20; i++) {
    L_CLOCK_Sleep(5);
    L_TASK_bStatus(id, &s);
  }
  EXPECT_GE(s.u64SinceRunMs, 20u);
  L_SEMA_Signal(go);
  ASSERT_TRUE(TEST_bJoinTask(id));
  ASSERT_TRUE(L_TASK_bStatus(id, &s));
  EXPECT_EQ(L_TASK_ENDED, s.eState);

  // Started again, the slot counts the new run only.
  ASSERT_EQ(0, TEST_StartTask(id, [&] {
    H_MEMORY_vFree(L_MBOX_ReceiveWait(M_XMWEATHER));
    L_SEMA_Wait(go);
  }));
  ASSERT_EQ(0, L_MBOX_Send(M_XMWEATHER, H_MEMORY_pvCalloc(1, 64), 3, 0));
  EXPECT_TRUE(TEST_bWaitUntil(
      [&] { return L_SEMA_GetWaitingTaskID(go) == id && L_TASK_bStatus(id, &s) && s.eState == L_TASK_WAITING; },
      5000));
  EXPECT_EQ(1u, s.u64Mails);
  L_SEMA_Signal(go);
  ASSERT_TRUE(TEST_bJoinTask(id));
}

TEST(Names, TablesHoldOneTextPerIdAndInvalidAboveTheCount) {
  EXPECT_STREQ("", str_tasks[0]);
  EXPECT_STREQ("RTXCBUG", get_task_name(1));
  EXPECT_STREQ("UARTTASK", get_task_name(2));
  EXPECT_STREQ("VARDEKNETWORKTASK", get_task_name(71));
  EXPECT_STREQ("MAINTHREAD", get_task_name(72));
  EXPECT_STREQ("INVALID", get_task_name(73));
  EXPECT_STREQ("SEMA_KEYCLICK_GOOD", get_semaphore_name(100));
  EXPECT_STREQ("SEMA_TIMER_UNPAUSE_PING", get_semaphore_name(317));
  EXPECT_STREQ("RC_TIMEOUT", get_semaphore_name(RC_TIMEOUT));
  EXPECT_STREQ("M_VARDEK_NETWORKING", get_mailbox_name(81));
  EXPECT_STREQ("Q_JSON_MSG", get_queue_name(13));
  EXPECT_STREQ("RES_FUSION_7", get_mutex_name(54));
  EXPECT_STREQ("RES_GDC6", get_mutex_name(63));
  EXPECT_STREQ("RES_DEVICE_LIST", get_mutex_name(117));
  EXPECT_STREQ("INVALID", get_mutex_name(118));
}

TEST(Utils, NumberTexts) {
  char buffer[40];
  const struct {
    S32 value;
    int base;
    const char* text;
  } rows[] = {{0, 10, "0"}, {-42, 10, "-42"}, {255, 16, "FF"}, {35, 36, "Z"}, {-2147483647 - 1, 10, "-2147483648"},
              {5, 2, "101"}};
  for (const auto& row : rows) EXPECT_STREQ(row.text, itoa(row.value, buffer, row.base));
  EXPECT_EQ(0x1aFu, atoh("1aF"));
  EXPECT_EQ(0xABu, atoh("ABzz"));
  EXPECT_EQ(0u, atoh(""));
  char* copy = U_UTILS_strdup("velmora");
  EXPECT_STREQ("velmora", copy);
  H_MEMORY_vFree(copy);
}

}  // namespace
