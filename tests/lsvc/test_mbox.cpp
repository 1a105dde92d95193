#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "h_memory.h"
#include "test_tasks.h"

namespace {

struct TEST_MESSAGE {
  GENERIC_MESSAGE gm;
  int n;
};

TEST_MESSAGE* NewMessage(int n) {
  TEST_MESSAGE* m = (TEST_MESSAGE*)H_MEMORY_pvCalloc(1, sizeof(TEST_MESSAGE));
  m->gm.Cmd = CMD_ID_NEW_DATA;
  m->n = n;
  return m;
}

TEST(Mailbox, OrdersByPriorityThenArrivalAndSignalsOnlyWhenTurningNonEmpty) {
  const MBOX box = M_BUTTON;
  const SEMA s = SEMA_MBOX_BUTTON;
  ASSERT_EQ(0, L_MBOX_DefineSema(box, s));
  L_SEMA_SetPending(s);
  const PRIORITY priorities[] = {3, 1, 3, 2};
  for (int i = 0; i < 4; i++) ASSERT_EQ(0, L_MBOX_Send(box, NewMessage(i), priorities[i], 0));
  EXPECT_EQ(0, L_SEMA_WaitTicks(s, 0));
  EXPECT_EQ(RC_TIMEOUT, L_SEMA_WaitTicks(s, 0)) << "later sends must not signal again";

  std::vector<int> order;
  while (TEST_MESSAGE* m = (TEST_MESSAGE*)L_MBOX_Receive(box)) {
    EXPECT_EQ(MAINTHREAD_ID, m->gm.msghdr.task);
    order.push_back(m->n);
    H_MEMORY_vDumpMail(m);
  }
  EXPECT_EQ((std::vector<int>{1, 3, 0, 2}), order);

  ASSERT_EQ(0, L_MBOX_Send(box, NewMessage(9), 5, 0));
  EXPECT_EQ(0, L_SEMA_WaitTicks(s, 0)) << "empty again, so the next send signals";
  H_MEMORY_vDumpMail(L_MBOX_Receive(box));
}

TEST(Mailbox, BadIdsLeaveTheMessageWithTheCaller) {
  TEST_MESSAGE* m = NewMessage(1);
  m->gm.msghdr.MsgPriority = 77;
  EXPECT_EQ(-lsMBOX_INVALID, L_MBOX_Send(0, m, 3, 0));
  EXPECT_EQ(-lsMBOX_INVALID, L_MBOX_Send(nmboxes + 1, m, 3, 0));
  EXPECT_EQ(77, m->gm.msghdr.MsgPriority);
  EXPECT_EQ(nullptr, L_MBOX_Receive(0));
  EXPECT_EQ(nullptr, L_MBOX_ReceiveWaitTicks(82, 1));
  EXPECT_EQ(-lsMBOX_INVALID, L_MBOX_DefineSema(82, 1));
  EXPECT_EQ(-lsSEMA_INVALID, L_MBOX_DefineSema(1, 318));
  H_MEMORY_vFree(m);
}

TEST(Mailbox, AnAcknowledgedMessageStaysWithItsSender) {
  const SEMA ack = SEMA_TIMER_DBPOLL;
  TEST_MESSAGE* m = NewMessage(5);
  L_SEMA_SetPending(ack);
  ASSERT_EQ(0, L_MBOX_Send(M_DORVISH, m, 3, ack));
  TEST_MESSAGE* got = (TEST_MESSAGE*)L_MBOX_Receive(M_DORVISH);
  ASSERT_EQ(m, got);
  EXPECT_FALSE(L_MBOX_bIsAcknowledged(m));
  H_MEMORY_vDumpMail(got);
  EXPECT_EQ(0, L_SEMA_WaitTicks(ack, 0));
  EXPECT_TRUE(L_MBOX_bIsAcknowledged(m));
  ASSERT_EQ(0, L_MBOX_Send(M_DORVISH, m, 3, ack));
  EXPECT_FALSE(L_MBOX_bIsAcknowledged(m)) << "a new send starts unanswered";
  EXPECT_EQ(m, L_MBOX_Receive(M_DORVISH));
  // Still ours: freeing it now is the first and only free (a second is fatal).
  m->n = 6;
  H_MEMORY_vFree(m);
}

TEST(Mailbox, ReceiveWaitTicksOnAnEmptyMailboxTimesOut) {
  U64 start = L_CLOCK_qwGetTimeInMillis();
  EXPECT_EQ(nullptr, L_MBOX_ReceiveWaitTicks(M_GATEWAY, 50));
  EXPECT_GE(L_CLOCK_qwGetTimeInMillis() - start, 50u);
}

TEST(Mailbox, SendWaitReturnsWhenTheReceiverAcknowledges) {
  const MBOX box = M_GATEWAY_NAV;
  std::atomic<int> seen{0};
  ASSERT_EQ(0, TEST_StartTask(41, [&] {
    TEST_MESSAGE* m = (TEST_MESSAGE*)L_MBOX_ReceiveWait(box);
    seen = m->n;
    H_MEMORY_vDumpMail(m);
  }));
  TEST_MESSAGE* m = NewMessage(42);
  EXPECT_EQ(0, L_MBOX_SendWait(box, m, 3, SEMA_TIMER_SIM_MSG));
  EXPECT_EQ(42, seen.load());
  EXPECT_TRUE(TEST_bJoinTask(41));
  // Nobody receives now: the wait gives up, and the message is still queued.
  EXPECT_EQ(RC_TIMEOUT, L_MBOX_SendWaitTicks(box, m, 3, SEMA_TIMER_SIM_MSG, 30));
  EXPECT_EQ(m, L_MBOX_Receive(box));
  H_MEMORY_vFree(m);
}

// The receiver sleeps on the mailbox's semaphore and drains the box on each
// wake, as the tasks do; two senders wait for every answer. Nothing is lost
// between a send and its signal.
TEST(Mailbox, AReceiverOnTheMailboxSemaphoreAnswersEveryMessageOfTwoSenders) {
  const MBOX box = M_VIEWKEY;
  const SEMA sema = SEMA_FISH_ALARM_MEDIUM;
  constexpr int kEach = 2000;
  ASSERT_EQ(0, L_MBOX_DefineSema(box, sema));
  std::atomic<int> received{0};
  ASSERT_EQ(0, TEST_StartTask(44, [&] {
    while (received < 2 * kEach && L_SEMA_WaitTicks(sema, 2000) == 0) {
      while (TEST_MESSAGE* m = (TEST_MESSAGE*)L_MBOX_Receive(box)) {
        received++;
        H_MEMORY_vDumpMail(m);
      }
    }
  }));
  std::atomic<int> answered{0};
  auto sender = [&](SEMA ack) {
    TEST_MESSAGE* m = NewMessage(0);
    // An unanswered block may still be queued: it is not sent again.
    for (int i = 0; i < kEach && L_MBOX_SendWaitTicks(box, m, (PRIORITY)(i % 3), ack, 2000) == 0; i++) answered++;
    H_MEMORY_vFree(m);
  };
  ASSERT_EQ(0, TEST_StartTask(45, [&] { sender(SEMA_CHART_AUTOZOOM_CHECK); }));
  sender(SEMA_NAVI_AUTOZOOM_RESTORE);
  EXPECT_TRUE(TEST_bJoinTask(45));
  EXPECT_TRUE(TEST_bJoinTask(44));
  EXPECT_EQ(2 * kEach, answered.load());
  EXPECT_EQ(2 * kEach, received.load());
  L_MBOX_DefineSema(box, 0);
}

}  // namespace
