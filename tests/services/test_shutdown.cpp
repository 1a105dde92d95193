#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <vector>

#include "h_database.h"
#include "h_memory.h"
#include "test_tasks.h"
#include "u_shutdown.h"
#include "test_keys.h"

namespace {

// Tasks that publish a "T" key and answer (or not) a shutdown as told.
struct STAND_IN {
  FOURCHARID key;
  TASK task;
  MBOX mbox;
  int answerAfterMs;  // -1 never
};

std::mutex s_lock;
std::vector<FOURCHARID> s_order;
std::atomic<int> s_received{0};
std::atomic<bool> s_stop{false};

void Publish(const STAND_IN& s) {
  ASSERT_FALSE(H_DATABASE_bUpdateEverythingU32(s.key, (U32)s.mbox, P_NORMAL, D_MAILBOX, nullptr, 0xFFFFFFFFu));
}

void StartStandIn(const STAND_IN s) {
  Publish(s);
  ASSERT_EQ(0, TEST_StartTask(s.task, [s] {
    for (;;) {
      GENERIC_MESSAGE* m = (GENERIC_MESSAGE*)L_MBOX_ReceiveWaitTicks(s.mbox, 50);
      if (m == nullptr) {
        if (s_stop) return;
        continue;
      }
      {
        std::lock_guard<std::mutex> guard(s_lock);
        s_order.push_back(s.key);
      }
      s_received++;
      EXPECT_EQ(CMD_ID_SHUTDOWN, m->Cmd);
      if (s.answerAfterMs < 0) continue;  // keeps the block, never answers
      L_CLOCK_Sleep((U32)s.answerAfterMs);
      H_MEMORY_vDumpMail(m);
    }
  }));
}

U64 TimedShutdown(const FOURCHARID* keep) {
  U64 start = L_CLOCK_qwGetTimeInMillis();
  U_SHUTDOWN_vShutdown(keep);
  return L_CLOCK_qwGetTimeInMillis() - start;
}

void StopStandIns() {
  s_stop = true;
  for (TASK t = 53; t <= 58; t++) EXPECT_TRUE(TEST_bJoinTask(t));
  s_stop = false;
}

class Shutdown : public ::testing::Test {
 protected:
  TEST_OWN_KEYS m_ownKeys;
  void SetUp() override {
    s_order.clear();
    s_received = 0;
    s_stop = false;
  }
  void TearDown() override {
    StopStandIns();
    // Keys stay in the database; later tests publish the same keys again.
    for (FOURCHARID k : {FCID("TQA1"), FCID("TQA2"), FCID("TQSL"), FCID("TNVR"), FCID("TKBD"), FCID("TQKP")}) {
      H_DATABASE_vDeleteEntry(k);
    }
  }
};

TEST_F(Shutdown, TellsEveryTaskButTheKeyboardAndTheKeptOnesWithTheNvrTaskLast) {
  StartStandIn({FCID("TQA1"), 53, M_SLPTEST, 0});
  StartStandIn({FCID("TNVR"), 54, M_SOCKET, 0});
  StartStandIn({FCID("TQA2"), 55, M_XID, 0});
  StartStandIn({FCID("TKBD"), 56, M_GMSG, 0});
  StartStandIn({FCID("TQKP"), 57, M_GMSG_TEST, 0});
  const FOURCHARID keep[] = {FCID("TQKP"), 0};
  TimedShutdown(keep);
  std::lock_guard<std::mutex> guard(s_lock);
  ASSERT_EQ(3u, s_order.size());
  EXPECT_EQ(FCID("TNVR"), s_order.back());
  EXPECT_NE(s_order.end(), std::find(s_order.begin(), s_order.end(), FCID("TQA1")));
  EXPECT_NE(s_order.end(), std::find(s_order.begin(), s_order.end(), FCID("TQA2")));
}

TEST_F(Shutdown, ATaskThatNeverAnswersCostsHalfASecondAndItsLateAnswerIsNotTakenForAnother) {
  // The slow task answers 700 ms late, while the NVR task (answering after a
  // full second) is being waited for: the shutdown must still wait for it.
  StartStandIn({FCID("TQSL"), 53, M_SLPTEST, 700});
  StartStandIn({FCID("TNVR"), 54, M_SOCKET, 1000});
  StartStandIn({FCID("TQA1"), 55, M_XID, 0});
  U64 took = TimedShutdown(nullptr);
  EXPECT_GE(took, 1500u) << "500 ms for the slow task, then a full second for the NVR task";
  EXPECT_EQ(3, s_received.load());
  EXPECT_EQ(nullptr, L_MBOX_Receive(M_SLPTEST));
  EXPECT_EQ(nullptr, L_MBOX_Receive(M_XID));
  EXPECT_EQ(nullptr, L_MBOX_Receive(M_SOCKET));

  // A task that never answers at all: the shutdown goes on without it.
  s_received = 0;
  StopStandIns();
  H_DATABASE_vDeleteEntry(FCID("TQA1"));
  StartStandIn({FCID("TQSL"), 53, M_SLPTEST, -1});
  StartStandIn({FCID("TNVR"), 54, M_SOCKET, 0});
  took = TimedShutdown(nullptr);
  EXPECT_GE(took, 500u);
  EXPECT_EQ(2, s_received.load());
}

}  // namespace
