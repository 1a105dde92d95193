// A run of database calls: one reading of the clock and one hold of the lock
// for the whole run, so a run's writes share one time stamp and no other
// thread sees the run half done.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "db_test_util.h"
#include "test_tasks.h"

namespace {

using dbtest::DatabaseTest;

std::atomic<int> g_nClockReads{0};
U64 CountedClock(void) {
  g_nClockReads++;
  return dbtest::FakeClock();
}

TEST_F(DatabaseTest, ARunReadsTheClockOnceAndKeepsOtherThreadsOutUntilItsEnd) {
  H_DATABASE_vSetClock(CountedClock);
  const FOURCHARID a = FCID("IRNA"), b = FCID("IRNB");  // b: what the other thread asks for
  ASSERT_FALSE(H_DATABASE_bUpdateEverythingU32(a, 1, P_EXTERNAL_GPS, D_UNSIGNED32, nullptr, 4));
  g_nClockReads = 0;
  std::atomic<bool> bOtherDone{false};
  std::thread other;
  H_DATABASE_vBeginRun();
  H_DATABASE_vBeginRun();
  other = std::thread([&] {
    BOOLEAN bValid = FALSE;
    H_DATABASE_bFetch(b, nullptr, &bValid, nullptr);
    bOtherDone = true;
  });
  H_DATABASE_bUpdateValueU32(a, 2, P_EXTERNAL_GPS);
  H_DATABASE_vEndRun();
  // Inside the run the clock stands still: four seconds later a is still
  // valid, since the run's time is that of its start.
  Advance(5000);
  BOOLEAN bValid = FALSE;
  EXPECT_TRUE(H_DATABASE_bFetch(a, nullptr, &bValid, nullptr));
  EXPECT_TRUE(bValid);
  EXPECT_EQ(1, g_nClockReads.load());
  EXPECT_FALSE(bOtherDone) << "a nested end leaves the run held";
  H_DATABASE_vEndRun();
  other.join();
  EXPECT_TRUE(bOtherDone);
  // After the run the real time counts again: a's stamp is five seconds old.
  EXPECT_TRUE(H_DATABASE_bFetch(a, nullptr, &bValid, nullptr));
  EXPECT_FALSE(bValid);
}

}  // namespace
