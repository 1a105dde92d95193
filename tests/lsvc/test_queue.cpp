#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "test_tasks.h"
#include "test_timing.h"

namespace {

// Q_SOUND redefined with 16-bit entries, its four conditions bound.
const QUEUE q = Q_SOUND;
const SEMA qne = SEMA_SOUND_DMA, qnf = SEMA_SOUND_COMPLETE, qf = SEMA_GDC3, qe = SEMA_IIC;
void DefineSoundQueue(U32 u32Depth) {
  ASSERT_EQ(0, L_QUEUE_Define(q, 2, u32Depth, nullptr, 0));
  ASSERT_EQ(0, L_QUEUE_DefineSema(q, qne, QNE));
  ASSERT_EQ(0, L_QUEUE_DefineSema(q, qnf, QNF));
  ASSERT_EQ(0, L_QUEUE_DefineSema(q, qf, QF));
  ASSERT_EQ(0, L_QUEUE_DefineSema(q, qe, QE));
}

TEST(Queue, FillStateChangesSignalTheirSemaphores) {
  ASSERT_NO_FATAL_FAILURE(DefineSoundQueue(2));
  EXPECT_EQ(-lsQCOND_INVALID, L_QUEUE_DefineSema(q, qe, 4));
  const SEMA all[] = {qne, qnf, qf, qe, 0};
  L_SEMA_SetPendingMultiple(all);

  U16 a = 0x1111, b = 0x2222, c = 0x3333, out = 0;
  EXPECT_EQ(0, L_QUEUE_Put(q, &a));
  EXPECT_EQ(RC_TIMEOUT, L_SEMA_WaitTicks(qf, 0));
  EXPECT_EQ(0, L_QUEUE_Put(q, &b));
  EXPECT_EQ(0, L_SEMA_WaitTicks(qf, 0)) << "the second put filled it";
  EXPECT_EQ(0, L_SEMA_WaitTicks(qne, 0));
  EXPECT_EQ(-lsQUEUE_FULL, L_QUEUE_Put(q, &c));
  EXPECT_EQ(2, L_QUEUE_Inquire(q));

  EXPECT_EQ(0, L_QUEUE_Get(q, &out));
  EXPECT_EQ(a, out);
  EXPECT_EQ(0, L_SEMA_WaitTicks(qnf, 0)) << "left the full state";
  EXPECT_EQ(RC_TIMEOUT, L_SEMA_WaitTicks(qe, 0));
  EXPECT_EQ(0, L_QUEUE_Get(q, &out));
  EXPECT_EQ(b, out);
  EXPECT_EQ(0, L_SEMA_WaitTicks(qe, 0));
  EXPECT_EQ(-lsQUEUE_EMPTY, L_QUEUE_Get(q, &out));
}

// Blocks move as many entries as fit, across the ring's wrap and in order,
// and signal each fill state they reach once; a waiting block get is woken
// by another task's put and takes what there is.
TEST(Queue, BlocksMoveWhatFitsAcrossTheWrapAndSignalEachStateOnce) {
  ASSERT_NO_FATAL_FAILURE(DefineSoundQueue(5));
  const SEMA all[] = {qne, qnf, qf, qe, 0};
  U16 v = 0;
  for (int i = 0; i < 3; i++) ASSERT_EQ(0, L_QUEUE_Put(q, &v));
  for (int i = 0; i < 3; i++) ASSERT_EQ(0, L_QUEUE_Get(q, &v));
  L_SEMA_SetPendingMultiple(all);

  // Seven offered at the ring's third slot: five go in, wrapping.
  const U16 in[7] = {10, 11, 12, 13, 14, 15, 16};
  EXPECT_EQ(5, L_QUEUE_PutMany(q, in, 7, 0));
  EXPECT_EQ(0, L_SEMA_WaitTicks(qne, 0));
  EXPECT_EQ(0, L_SEMA_WaitTicks(qf, 0));
  EXPECT_EQ(0, L_QUEUE_PutMany(q, in + 5, 2, 0)) << "full: nothing moves";
  EXPECT_EQ(0, L_QUEUE_PutMany(q, in + 5, 2, 20)) << "nor after a wait nobody ends";

  U16 out[8] = {};
  EXPECT_EQ(2, L_QUEUE_GetMany(q, out, 2, 0));
  EXPECT_EQ(0, L_SEMA_WaitTicks(qnf, 0));
  EXPECT_EQ(RC_TIMEOUT, L_SEMA_WaitTicks(qe, 0));
  EXPECT_EQ(3, L_QUEUE_GetMany(q, out + 2, 8, 0));
  EXPECT_EQ(0, L_SEMA_WaitTicks(qe, 0));
  EXPECT_EQ(std::vector<U16>(in, in + 5), std::vector<U16>(out, out + 5));
  EXPECT_EQ(0, L_QUEUE_GetMany(q, out, 8, 0));
  EXPECT_EQ(-lsQUEUE_INVALID, L_QUEUE_GetMany(14, out, 8, 0));

  ASSERT_EQ(0, TEST_StartTask(44, [&] {
    L_CLOCK_Sleep(20);
    L_QUEUE_PutMany(q, in, 3, 0);
  }));
  EXPECT_EQ(3, L_QUEUE_GetMany(q, out, 8, 10000));
  EXPECT_EQ(std::vector<U16>(in, in + 3), std::vector<U16>(out, out + 3));
  EXPECT_TRUE(TEST_bJoinTask(44));
}

TEST(Queue, FirstUseCreatesTheStorageOfTheTable) {
  const QUEUE q = Q_PING;
  U16 v;
  for (U16 i = 0; i < 64; i++) ASSERT_EQ(0, L_QUEUE_Put(q, &i)) << i;
  EXPECT_EQ(-lsQUEUE_FULL, L_QUEUE_Put(q, &v));
  // Order survives the ring's wrap.
  for (U16 round = 0; round < 3; round++) {
    for (U16 i = 0; i < 40; i++) {
      ASSERT_EQ(0, L_QUEUE_Get(q, &v));
      U16 next = (U16)(v + 64);
      ASSERT_EQ(0, L_QUEUE_Put(q, &next));
    }
  }
  U16 expected = 120;
  while (L_QUEUE_Get(q, &v) == 0) EXPECT_EQ(expected++, v);
  EXPECT_EQ(184, expected);
}

TEST(Queue, CallerBufferHoldsItsEntriesAndRejectsAnImpossibleCount) {
  const QUEUE q = Q_RQXBCAST_RX;
  static U32 buffer[4] = {7, 8, 0, 0};
  EXPECT_EQ(-lsQUEUE_INVALID, L_QUEUE_Define(q, 4, 4, buffer, 5));
  ASSERT_EQ(0, L_QUEUE_Define(q, 4, 4, buffer, 2));
  U32 v = 9;
  EXPECT_EQ(0, L_QUEUE_Put(q, &v));
  U32 out;
  EXPECT_EQ(0, L_QUEUE_Get(q, &out));
  EXPECT_EQ(7u, out);
  EXPECT_EQ(0, L_QUEUE_Purge(q));
  EXPECT_EQ(0, L_QUEUE_Inquire(q));
  EXPECT_EQ(-lsQUEUE_EMPTY, L_QUEUE_Get(q, &out));
  EXPECT_EQ(-lsQUEUE_INVALID, L_QUEUE_Inquire(0));
  EXPECT_EQ(-lsQUEUE_INVALID, L_QUEUE_Put(14, &v));
}

TEST(Queue, WaitingGetIsServedByAPutFromAnotherTask) {
  const QUEUE q = Q_JSON_MSG;
  U32 out = 0;
  U64 start = L_CLOCK_qwGetTimeInMillis();
  EXPECT_EQ(-lsQUEUE_EMPTY, L_QUEUE_GetWaitTicks(q, &out, 30));
  EXPECT_GE(L_CLOCK_qwGetTimeInMillis() - start, 30u);
  ASSERT_EQ(0, TEST_StartTask(44, [&] {
    L_CLOCK_Sleep(20);
    U32 v = 0xABCD;
    L_QUEUE_Put(q, &v);
  }));
  EXPECT_EQ(0, L_QUEUE_GetWaitTicks(q, &out, (TICKS)TEST_u64SlackMs(5000)));
  EXPECT_EQ(0xABCDu, out);
  EXPECT_TRUE(TEST_bJoinTask(44));
}

}  // namespace
