// Helpers of the database tests: a clock the tests step by hand, and the
// notices a mailbox has received.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "h_database.h"
#include "h_memory.h"

namespace dbtest {

inline std::atomic<U64> g_u64NowMs{1000000};
inline U64 FakeClock(void) { return g_u64NowMs.load(); }

struct NOTICE {
  FOURCHARID id;
  DB_DATA_TYPE value;
  BOOLEAN bValid;
  PRIORITY priority;
};

// Every notice queued in the mailbox, oldest first; the blocks are freed.
inline std::vector<NOTICE> Drain(MBOX box) {
  std::vector<NOTICE> got;
  while (void* p = L_MBOX_Receive(box)) {
    MESSAGE_NEW_DATA* msg = (MESSAGE_NEW_DATA*)p;
    EXPECT_EQ(CMD_ID_NEW_DATA, msg->Header.Cmd);
    got.push_back({msg->FourCharId, msg->dbValue, msg->bValid, msg->Header.msghdr.MsgPriority});
    H_MEMORY_vDumpMail(msg);
  }
  return got;
}

// A fresh table on the hand-stepped clock for every test. The database's
// own rules hold for any key, so its tests make keys of their own.
class DatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    H_DATABASE_vInit();
    g_u64NowMs = 1000000;
    H_DATABASE_vSetClock(FakeClock);
    H_DATABASE_vAllowKeysOutsideTable(TRUE);
  }
  void TearDown() override {
    H_DATABASE_vAllowKeysOutsideTable(FALSE);
    H_DATABASE_vSetClock(nullptr);
    H_DATABASE_vInit();
  }
  static void Advance(U64 ms) { g_u64NowMs += ms; }
};

inline std::string KeyText(FOURCHARID id) {
  std::string text(4, ' ');
  for (int i = 0; i < 4; i++) text[i] = (char)(id >> (8 * i));
  return text;
}

inline FOURCHARID Key(char c0, char c1, char c2, char c3) {
  const char text[5] = {c0, c1, c2, c3, 0};
  return FCID(text);
}

}  // namespace dbtest
