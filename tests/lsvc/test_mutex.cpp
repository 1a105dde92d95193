#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "test_tasks.h"

namespace {

TEST(ResourceMutex, NestsForItsOwner) {
  const MUTEX m = RES_GDC0;
  EXPECT_EQ(0, L_MUTEX_Lock(m));
  EXPECT_EQ(-lsMUTEX_NESTED, L_MUTEX_LockWait(m));
  EXPECT_EQ(MAINTHREAD_ID, L_MUTEX_GetOwnerTaskID(m));
  EXPECT_EQ(-lsMUTEX_NESTED, L_MUTEX_Unlock(m));
  EXPECT_EQ(0, L_MUTEX_Unlock(m));
  EXPECT_EQ(0, L_MUTEX_GetOwnerTaskID(m));
  EXPECT_EQ(-lsMUTEX_BUSY, L_MUTEX_Unlock(m)) << "not held any more";
}

TEST(ResourceMutex, OthersAreRefusedUntilTheOwnerReleases) {
  const MUTEX m = RES_GDC1;
  const SEMA release = SEMA_GDC2;
  ASSERT_EQ(0, TEST_StartTask(42, [&] {
    EXPECT_EQ(0, L_MUTEX_Lock(m));
    L_SEMA_Wait(release);
    EXPECT_EQ(0, L_MUTEX_Unlock(m));
  }));
  while (L_MUTEX_GetOwnerTaskID(m) != 42) L_CLOCK_Sleep(1);
  EXPECT_EQ(-lsMUTEX_BUSY, L_MUTEX_Unlock(m));
  EXPECT_EQ(42, L_MUTEX_GetOwnerTaskID(m));
  EXPECT_EQ(-lsMUTEX_BUSY, L_MUTEX_Lock(m));
  U64 start = L_CLOCK_qwGetTimeInMillis();
  EXPECT_EQ(-lsMUTEX_BUSY, L_MUTEX_LockTime(m, 50));
  EXPECT_GE(L_CLOCK_qwGetTimeInMillis() - start, 50u);

  L_SEMA_Signal(release);
  EXPECT_EQ(0, L_MUTEX_LockWait(m));
  EXPECT_EQ(0, L_MUTEX_Unlock(m));
  EXPECT_TRUE(TEST_bJoinTask(42));
}

TEST(ResourceMutex, InvalidIdsAreRefused) {
  EXPECT_EQ(-lsMUTEX_INVALID, L_MUTEX_Lock(0));
  EXPECT_EQ(-lsMUTEX_INVALID, L_MUTEX_Lock(nres + 1));
  EXPECT_EQ(-lsMUTEX_INVALID, L_MUTEX_Unlock(118));
  EXPECT_EQ(-lsMUTEX_INVALID, L_MUTEX_GetOwnerTaskID(0));
}

// Two threads that are not tasks both report id 72; the second must not
// think it already holds what the first took.
TEST(ResourceMutex, ThreadsThatAreNotTasksDoNotShareAHold) {
  const MUTEX m = RES_GDC3;
  ASSERT_EQ(0, L_MUTEX_Lock(m));
  std::atomic<ERC> other{1};
  std::thread t([&] { other = L_MUTEX_Lock(m); });
  t.join();
  EXPECT_EQ(-lsMUTEX_BUSY, other.load());
  EXPECT_EQ(0, L_MUTEX_Unlock(m));
}

}  // namespace
