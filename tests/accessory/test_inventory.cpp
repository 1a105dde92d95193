// The accessory task's inventory: the list in name order, the connected
// states from the database, the diagnostic view setting, and the list's
// rebuild while the view draws it.

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "g_buffers.h"
#include "g_truetype.h"
#include "h_database.h"
#include "remote_test.h"
#include "t_acc.h"
#include "t_startup.h"
#include "test_tasks.h"
#include "test_timing.h"
#include "u_language.h"

namespace {

void Write(FOURCHARID key, U32 value) {
  DB_DATA_TYPE word = {};
  word.u32Val = value;
  H_DATABASE_bUpdateEverything(key, word, P_NORMAL, D_UNKNOWN, nullptr, 4000);
}

class Inventory : public ::testing::Test {
 protected:
  void SetUp() override {
    static const bool s_bOnce = [] { return L_MBOX_DefineSema(M_ACCESSORY, SEMA_MBOX_ACC) == 0 && G_TRUETYPE_bInit(); }();
    ASSERT_TRUE(s_bOnce);
    H_DATABASE_vInit();
    H_DATABASE_bUpdateEverythingU32(FCID("TVUE"), (U32)M_VIEW, P_NORMAL, D_MAILBOX, nullptr, DB_NEVER_STALE);
    Write(FCID("SLNG"), 0);
    ASSERT_EQ(0, TEST_StartTask(ACCTASK, T_ACC_vMain));
    ASSERT_TRUE(TEST_bWaitUntil([] { return H_DATABASE_bFetchU32(FCID("TAUX"), nullptr, nullptr, nullptr); }, 2000));
    rmt::Sync(M_ACCESSORY);
  }
  void TearDown() override {
    L_TASK_Terminate(ACCTASK);
    EXPECT_TRUE(TEST_bJoinTask(ACCTASK));
    rmt::Mail(M_ACCESSORY);
    rmt::Mail(M_VIEW);
    // The task followed the tests' language changes into the shared
    // current language: the tests that follow draw in English.
    Write(FCID("SLNG"), 0);
    U_LANGUAGE_vFollowSetting();
  }
  // "Name" or "Name*" for a connected row, in list order, in English.
  static std::vector<std::string> Rows() {
    std::vector<std::string> out;
    T_ACC_vLockList();
    for (const SUPPORTED_ACCESSORY* p = T_ACC_pGetAccoryList(); p != nullptr; p = p->next) {
      out.push_back(std::string(p->pAccessoryName[0]) + (p->bConnected ? "*" : ""));
    }
    T_ACC_vUnlockList();
    return out;
  }
  static void Command(CMD_ID cmd) {
    GENERIC_MESSAGE* p = (GENERIC_MESSAGE*)H_MEMORY_pvMalloc(sizeof(GENERIC_MESSAGE));
    *p = {{}, cmd};
    rmt::Send(p, M_ACCESSORY);
  }
};

using Names = std::vector<std::string>;

TEST_F(Inventory, RowsFollowTheLanguageAndWideLanguagesHaveNoRemote) {
  EXPECT_EQ(Names({"GPS", "Remote", "Remote Dongle", "Speed", "Temperature"}), Rows());
  Write(FCID("SLNG"), LANGUAGE_FIRST_WIDE);
  rmt::Sync(M_ACCESSORY);
  const Names wide = Rows();
  EXPECT_EQ(3u, wide.size());
  for (const std::string& row : wide) EXPECT_EQ(std::string::npos, row.find("Remote")) << row;
  Write(FCID("SLNG"), 0);
  rmt::Sync(M_ACCESSORY);
  EXPECT_EQ(5u, Rows().size());
}

TEST_F(Inventory, TheGpsRowBecomesTheHeadingSensorAndBack) {
  Write(FCID("GPSC"), 5);
  rmt::Sync(M_ACCESSORY);
  EXPECT_EQ("GPS + Heading Sensor*", Rows()[0]);
  Write(FCID("IPFI"), 2);
  Write(FCID("GPSC"), 0);
  rmt::Sync(M_ACCESSORY);
  EXPECT_EQ("GPS*", Rows()[0]);
  H_DATABASE_bUpdateEverythingFloat(FCID("ISTW"), 0.0f, P_NORMAL, D_UNKNOWN, nullptr, 4000);
  Write(FCID("IBTD"), 1);
  rmt::Sync(M_ACCESSORY);
  EXPECT_EQ(Names({"GPS*", "Remote", "Remote Dongle*", "Speed", "Temperature"}), Rows())
      << "a water speed of exactly 0 is no sensor";
}

TEST_F(Inventory, TheAccessoryTestIsABaseViewWithItsDataBoxesOverIt) {
  std::vector<std::string> layers;
  while (GENERIC_MESSAGE* p = (GENERIC_MESSAGE*)L_MBOX_Receive(M_VIEW)) {
    if (p->Cmd == CMD_ID_REGISTER_LAYER) {
      const MSG_REGISTER_LAYER* r = (const MSG_REGISTER_LAYER*)p;
      layers.push_back(std::to_string(r->layer) + " over " + std::to_string(r->where_used));
    }
    H_MEMORY_vDumpMail(p);
  }
  EXPECT_EQ(Names({"153 over 0", "259 over 153"}), layers) << "the VIEW key reaches only base views (over 0)";
}

TEST_F(Inventory, TheDiagnosticStateShowsTheViewUntilShutdown) {
  BOOLEAN bShown = TRUE;
  ASSERT_TRUE(H_DATABASE_bFetchBoolean(FCID("SVAC"), &bShown, nullptr, nullptr));
  EXPECT_FALSE(bShown);
  Write(FCID("CCST"), STATE_DIAGNOSTIC);
  Command(CMD_ID_RUN_SYSTEM);
  H_DATABASE_bFetchBoolean(FCID("SVAC"), &bShown, nullptr, nullptr);
  EXPECT_TRUE(bShown);
  GENERIC_MESSAGE shutdown = {};
  shutdown.Cmd = CMD_ID_SHUTDOWN;
  ASSERT_EQ(0, L_MBOX_SendWaitTicks(M_ACCESSORY, &shutdown, 3, SEMA_USER_TEST, 30000));
  H_DATABASE_bFetchBoolean(FCID("SVAC"), &bShown, nullptr, nullptr);
  EXPECT_FALSE(bShown);
}

TEST_F(Inventory, TheListIsRebuiltWhileTheViewDrawsIt) {
  std::atomic<bool> bDone{false};
  std::thread view([&] {
    BITMAP* pBitmap = G_BUFFERS_pCreateFullScreenBitmap();
    while (!bDone) T_ACC_vDrawInventoryView(pBitmap, nullptr);
    G_BUFFERS_vFreeBitmap(pBitmap);
  });
  for (int round = 0; round < 10000; round++) {
    Write(FCID("SLNG"), round % 2);
    if (round % 50 == 0) rmt::Sync(M_ACCESSORY);
  }
  rmt::Sync(M_ACCESSORY);
  bDone = true;
  view.join();
  EXPECT_EQ(5u, Rows().size());
}

}  // namespace
