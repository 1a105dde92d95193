// The ping, process and history tasks together, on the service layer and the
// database, against the stand-in on a rig of this test program.

#include <gtest/gtest.h>
#include <math.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "h_coproc.h"
#include "h_database.h"
#include "h_memory.h"
#include "linuxsvc.h"
#include "s_coproc.h"
#include "s_detect.h"
#include "s_share.h"
#include "s_sim.h"
#include "sonar_test_util.h"
#include "t_n_history.h"
#include "t_n_ping.h"
#include "t_n_process.h"
#include "t_startup.h"
#include "test_tasks.h"
#include "test_timing.h"

namespace {

using sonartest::WaitFor;
using sonartest::WriteConfig;

constexpr MBOX kProbe = (MBOX)M_SLPTEST;  // a mailbox no task of this program serves
const TASK kTasks[] = {PINGTASK, PROCESSTASK, HISTORYTASK};

void Drain(MBOX mbox, int* count = nullptr) {
  while (void* m = L_MBOX_Receive(mbox)) {
    if (count != nullptr) ++*count;
    H_MEMORY_vDumpMail(m);
  }
}

void Send(MBOX mbox, CMD_ID cmd) {
  GENERIC_MESSAGE* m = (GENERIC_MESSAGE*)H_MEMORY_pvCalloc(1, sizeof(GENERIC_MESSAGE));
  m->Cmd = cmd;
  ASSERT_EQ(0, L_MBOX_Send(mbox, m, 3, 0));
}

bool Depth(float* depth) {
  BOOLEAN valid = FALSE;
  return H_DATABASE_bFetchFloat(FCID("IDEP"), depth, &valid, nullptr) && valid;
}

bool DepthNear(float metres, float tolerance) {
  float d = 0;
  return Depth(&d) && fabsf(d - metres) <= tolerance;
}

// The ping task has handled everything sent to it before: it goes once
// round its loop, whose analogue reading and ping come before the next mail.
void Settle(void) {
  GENERIC_MESSAGE* m = (GENERIC_MESSAGE*)H_MEMORY_pvCalloc(1, sizeof(GENERIC_MESSAGE));
  ASSERT_EQ(0, L_MBOX_SendWaitTicks(M_PING, m, 3, SEMA_USER_TEST, (TICKS)TEST_u64SlackMs(2000)));
  EXPECT_TRUE(L_MBOX_bIsAcknowledged(m));
  H_MEMORY_vFree(m);
}

// Waits for n readings of the supply voltage (AD05) at kProbe, which the
// ping task makes twice a second whether it pings or not.
bool Readings(int n) {
  int seen = 0;
  return WaitFor([&] {
    Drain(kProbe, &seen);
    return seen >= n;
  }, 500 * n + 1000);
}

// Pings made while the analogue inputs are read twice, a second of the
// ping task's life: 0 when it holds still. No ping is under way first (every
// slot is back), so one that began before the hold is not counted.
U32 PingsOverTwoReadings(void) {
  EXPECT_TRUE(WaitFor([] { return L_QUEUE_Inquire(Q_PING) == 4; }, 2000)) << "a ping under way";
  Drain(kProbe);
  const U32 before = S_SHARE_u32PingCount();
  EXPECT_TRUE(Readings(2));
  return S_SHARE_u32PingCount() - before;
}

// Reads the analogue inputs until the thermistor shows the water's new
// stand-in (its 500 ms gate passes meanwhile), so that the next reading
// anyone asks for is of it.
bool ThermistorReads(U32 value) {
  return WaitFor([value] {
    H_COPROC_vReadAdcInputs();
    U32 v = 0;
    return H_DATABASE_bFetchU32(FCID("AD02"), &v, nullptr, nullptr) && v == value;
  }, 2000);
}

class SonarTasks : public ::testing::Test {
 protected:
  void SetUp() override {
    H_DATABASE_vInit();
    opt_noadc = 0;
    opt_fake_transducer = 0;
    T_N_PING_vSonarStandbyMode(FALSE);
    for (MBOX m : {(MBOX)M_PING, (MBOX)M_PROCESS, (MBOX)M_HISTORY, (MBOX)M_VIEW, kProbe}) Drain(m);
  }
  void TearDown() override {
    for (TASK t : kTasks) L_TASK_Terminate(t);
    for (TASK t : kTasks) EXPECT_TRUE(TEST_bJoinTask(t, 3000)) << t;
    Drain(M_VIEW);
    opt_noadc = 0;
    opt_fake_transducer = 0;
  }

  // The start-up task's part: the system state and its transducer finding.
  static void Start(SYSTEM_STATE state, BOOLEAN bTransducer) {
    H_DATABASE_bUpdateEverythingU32(FCID("CCST"), state, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
    H_DATABASE_bUpdateEverythingBoolean(FCID("ITXD"), bTransducer, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
    // The history task registers its views with a view task: a mailbox that
    // takes them.
    H_DATABASE_bUpdateEverythingU32(FCID("TVUE"), M_VIEW, P_NORMAL, D_MAILBOX, nullptr, DB_NEVER_STALE);
    ASSERT_EQ(0, TEST_StartTask(PINGTASK, T_N_PING_vMain));
    ASSERT_EQ(0, TEST_StartTask(PROCESSTASK, T_N_PROCESS_vMain));
    ASSERT_EQ(0, TEST_StartTask(HISTORYTASK, T_N_HISTORY_vMain));
    ASSERT_TRUE(WaitFor(
        [] {
          return H_DATABASE_bFetchU32(FCID("TPNG"), nullptr, nullptr, nullptr) &&
                 H_DATABASE_bFetchU32(FCID("TSNR"), nullptr, nullptr, nullptr) &&
                 H_DATABASE_bFetchU32(FCID("TSMG"), nullptr, nullptr, nullptr);
        },
        2000));
  }
};

TEST_F(SonarTasks, TheDepthFollowsTheWaterAStepAndTheTransducerOffset) {
  WriteConfig("depth_m = 12\ndepth_swing_m = 0\n");
  Start(STATE_NORMAL_RUN, TRUE);
  Send(M_PING, CMD_ID_RUN_SYSTEM);
  EXPECT_TRUE(WaitFor([] { return DepthNear(12.0f, 0.05f); }, 3000));
  // The history task draws the pings after the process task, so on a slow run a little later.
  EXPECT_TRUE(WaitFor([] { return T_N_HISTORY_u32ColumnCount(BEAM_DOWN_0) + T_N_HISTORY_u32ColumnCount(BEAM_DOWN_1) > 0; },
                      3000));

  WriteConfig("depth_m = 20\ndepth_swing_m = 0\n", false);
  EXPECT_TRUE(WaitFor([] { return DepthNear(20.0f, 0.05f); }, 4000)) << "reload, range search, median";
  // The first depth after the search may come from the other beam.
  EXPECT_TRUE(WaitFor([] { return S_SHARE_fGetRangeMetres(BEAM_DOWN_0) >= 24.0f; }, 1000));

  H_DATABASE_bUpdateValueFloat(FCID("SDPO"), 0.5f, P_NORMAL);
  EXPECT_TRUE(WaitFor([] { return DepthNear(20.5f, 0.05f); }, 1000));
}

// Off a drop-off from 3.5 m to 80 m the bottom is lost for the search: the
// depth reads as none at once, and every depth published after the loss is
// the new one, never the old one or a median with it.
TEST_F(SonarTasks, AfterALostBottomNoDepthFromBeforeItIsPublished) {
  WriteConfig("depth_m = 3.5\ndepth_swing_m = 0\nfish = 0\n");
  Start(STATE_NORMAL_RUN, TRUE);
  Send(M_PING, CMD_ID_RUN_SYSTEM);
  ASSERT_TRUE(WaitFor([] { return DepthNear(3.5f, 0.05f); }, 3000));
  ASSERT_TRUE(H_DATABASE_bRegisterForDataWithConditions(FCID("IDEP"), kProbe, FALSE, FALSE, TRUE));
  WriteConfig("depth_m = 80\ndepth_swing_m = 0\nfish = 0\n", false);
  float d = 0;
  // The stand-in takes the edit within a second; three pings without a
  // bottom later it is lost, well before the old depth would go stale.
  EXPECT_TRUE(WaitFor([&] { return !Depth(&d); }, 2500));
  Drain(kProbe);
  ASSERT_TRUE(WaitFor([] { return DepthNear(80.0f, 0.1f); }, 20000));
  std::vector<float> published;
  while (void* m = L_MBOX_Receive(kProbe)) {
    const MESSAGE_NEW_DATA* n = (const MESSAGE_NEW_DATA*)m;
    if (n->FourCharId == FCID("IDEP") && n->bValid) published.push_back(n->dbValue.fVal);
    H_MEMORY_vDumpMail(m);
  }
  ASSERT_FALSE(published.empty());
  for (float depth : published) EXPECT_NEAR(80.0f, depth, 0.5f);
  H_DATABASE_vUnregisterMailbox(FCID("IDEP"), kProbe);
}

TEST_F(SonarTasks, TheDepthTracksASwingingBottomWithinThirtyCentimetres) {
  WriteConfig("depth_m = 12\ndepth_swing_m = 3\ndepth_period_s = 20\n");
  Start(STATE_NORMAL_RUN, TRUE);
  Send(M_PING, CMD_ID_RUN_SYSTEM);
  float d = 0;
  // The range settles on the bottom.
  ASSERT_TRUE(WaitFor([&] { return Depth(&d) && fabsf(d - S_SIM_fDepthAt((TICKS)L_CLOCK_qwGetTimeInMillis())) < 0.3f; },
                      3000));
  std::vector<float> errors;
  // A sample a fifth of a second, each after a ping processed since the one before.
  U64 next = L_CLOCK_qwGetTimeInMillis();
  for (int sample = 0; sample < 150; sample++) {
    const U32 pings = S_SHARE_u32PingCount();
    next += 200;
    ASSERT_TRUE(WaitFor([&] { return S_SHARE_u32PingCount() > pings && L_CLOCK_qwGetTimeInMillis() >= next; }, 1000))
        << sample;
    ASSERT_TRUE(Depth(&d)) << sample;
    errors.push_back(fabsf(d - S_SIM_fDepthAt((TICKS)L_CLOCK_qwGetTimeInMillis())));
  }
  // The depth is that of the last processed ping: a task made late by a
  // starved or slow machine reads a bottom that has swung on since, so the
  // tracking is judged by nine samples in ten, and the late ones only for a
  // gross fault.
  std::sort(errors.begin(), errors.end());
  EXPECT_LE(errors[errors.size() * 9 / 10], TEST_bSanitized() || TEST_bEmulated() ? 0.45f : 0.3f);
  EXPECT_LE(errors.back(), 1.0f);
}

TEST_F(SonarTasks, AnalogueInputsAreReadTwiceASecondFromTheStartAndNeverWithNoAdc) {
  WriteConfig("");
  U64 start = L_CLOCK_qwGetTimeInMillis();
  Start(STATE_STARTUP, FALSE);
  const struct {
    FOURCHARID key;
    U32 value;  // the raw reading << 4
  } items[] = {{FCID("AD05"), 33536}, {FCID("AD02"), 36352}, {FCID("AD00"), 65520}};
  for (const auto& item : items) {
    U32 v = 0;
    EXPECT_TRUE(WaitFor([&] { return H_DATABASE_bFetchU32(item.key, &v, nullptr, nullptr) == TRUE; }, 1000));
    EXPECT_EQ(item.value, v) << std::string((const char*)&item.key, 4);
  }
  EXPECT_LE(L_CLOCK_qwGetTimeInMillis() - start, 1000u);
  // Six readings more: five gaps of half a second at least.
  ASSERT_TRUE(H_DATABASE_bRegisterForDataWithConditions(FCID("AD05"), kProbe, FALSE, FALSE, TRUE));
  Drain(kProbe);
  const U64 from = L_CLOCK_qwGetTimeInMillis();
  EXPECT_TRUE(Readings(6));
  EXPECT_GE(L_CLOCK_qwGetTimeInMillis() - from, 2400u) << "no more than twice a second";
  H_DATABASE_vUnregisterMailbox(FCID("AD05"), kProbe);

  for (TASK t : kTasks) L_TASK_Terminate(t);
  for (TASK t : kTasks) ASSERT_TRUE(TEST_bJoinTask(t, 3000));
  H_DATABASE_vInit();
  opt_noadc = 1;
  Start(STATE_STARTUP, FALSE);
  // Past the task's first reading, made as it starts.
  Settle();
  EXPECT_FALSE(H_DATABASE_bFetchU32(FCID("AD05"), nullptr, nullptr, nullptr));
  EXPECT_FALSE(H_DATABASE_bFetchU32(FCID("AD02"), nullptr, nullptr, nullptr));
}

TEST_F(SonarTasks, StandbyAndSonarOffHoldThePingsButNotTheAnalogueInputs) {
  WriteConfig("depth_m = 12\ndepth_swing_m = 0\n");
  Start(STATE_NORMAL_RUN, TRUE);
  Send(M_PING, CMD_ID_RUN_SYSTEM);
  ASSERT_TRUE(WaitFor([] { return DepthNear(12.0f, 0.05f); }, 3000));
  ASSERT_TRUE(H_DATABASE_bRegisterForDataWithConditions(FCID("AD05"), kProbe, FALSE, FALSE, TRUE));
  const std::function<void(BOOLEAN)> holds[] = {
      [](BOOLEAN bHold) { T_N_PING_vSonarStandbyMode(bHold); },
      [](BOOLEAN bHold) {
        H_DATABASE_bUpdateEverythingBoolean(FCID("SSEN"), !bHold, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
      },
  };
  for (const auto& hold : holds) {
    hold(TRUE);
    Settle();  // the hold is taken
    EXPECT_EQ(0u, PingsOverTwoReadings());
    EXPECT_TRUE(WaitFor([] { return !DepthNear(12.0f, 1.0f); }, 4000)) << "the depth goes stale after 4 s";
    int updates = 0;
    Drain(kProbe, &updates);
    EXPECT_GE(updates, 2);
    hold(FALSE);
    EXPECT_TRUE(WaitFor([] { return DepthNear(12.0f, 0.05f); }, 1000));
  }
  H_DATABASE_vUnregisterMailbox(FCID("AD05"), kProbe);
}

TEST_F(SonarTasks, TheSimulationStatesPingTheModelAndANormalRunWithoutTransducerNothing) {
  WriteConfig("present = 0\ndepth_m = 12\ndepth_swing_m = 0\n");
  U32 exchanges = S_SIM_u32Exchanges();
  Start(STATE_POINT_OF_SALE, FALSE);
  Send(M_PING, CMD_ID_RUN_SYSTEM);
  EXPECT_TRUE(WaitFor([] { return DepthNear(12.0f, 0.05f); }, 3000));
  EXPECT_EQ(exchanges, S_SIM_u32Exchanges()) << "the co-processor saw no exchange";

  ASSERT_TRUE(H_DATABASE_bRegisterForDataWithConditions(FCID("AD05"), kProbe, FALSE, FALSE, TRUE));
  H_DATABASE_bUpdateValueU32(FCID("CCST"), STATE_NORMAL_RUN, P_NORMAL);
  Settle();  // a ping that began before the change has taken its slot
  EXPECT_EQ(0u, PingsOverTwoReadings());
  EXPECT_EQ(exchanges, S_SIM_u32Exchanges());
  H_DATABASE_vUnregisterMailbox(FCID("AD05"), kProbe);
}

TEST_F(SonarTasks, DetectionTrustsTheOptionTheSelectionTheThermistorAndThenEchoes) {
  WriteConfig("present = 1\n");
  ASSERT_TRUE(ThermistorReads(2272 << 4));  // about 20 C
  U32 exchanges = S_SIM_u32Exchanges();
  opt_fake_transducer = 1;
  EXPECT_FALSE(S_DETECT_bTransducerConnected());
  opt_fake_transducer = 0;
  EXPECT_TRUE(S_DETECT_bTransducerConnected()) << "the thermistor";
  EXPECT_EQ(exchanges, S_SIM_u32Exchanges());

  WriteConfig("present = 0\n");
  H_DATABASE_vInit();
  ASSERT_TRUE(ThermistorReads(4095 << 4));  // open: no transducer
  EXPECT_FALSE(S_DETECT_bTransducerConnected());
  EXPECT_EQ(exchanges + 3, S_SIM_u32Exchanges()) << "three test pings heard nothing";

  H_DATABASE_bUpdateEverythingU32(FCID("SSTS"), 5, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  EXPECT_TRUE(S_DETECT_bTransducerConnected());
  EXPECT_EQ(exchanges + 3, S_SIM_u32Exchanges());

  WriteConfig("present = 1\n");
  H_DATABASE_vInit();
  opt_noadc = 1;
  EXPECT_TRUE(S_DETECT_bTransducerConnected()) << "an echo without the thermistor";
  EXPECT_EQ(exchanges + 4, S_SIM_u32Exchanges());
}

TEST_F(SonarTasks, ShutdownIsAnsweredAtOnceAndLeavesTheCoprocessorToTheFactoryTest) {
  WriteConfig("depth_m = 3\ndepth_swing_m = 0\nfish = 0\n");
  Start(STATE_NORMAL_RUN, TRUE);
  Send(M_PING, CMD_ID_RUN_SYSTEM);
  ASSERT_TRUE(WaitFor([] { return S_SHARE_u32PingCount() >= 4; }, 3000));
  for (MBOX mbox : {(MBOX)M_PING, (MBOX)M_PROCESS, (MBOX)M_HISTORY}) {
    GENERIC_MESSAGE* m = (GENERIC_MESSAGE*)H_MEMORY_pvCalloc(1, sizeof(GENERIC_MESSAGE));
    m->Cmd = CMD_ID_SHUTDOWN;
    U64 start = L_CLOCK_qwGetTimeInMillis();
    EXPECT_EQ(0, L_MBOX_SendWaitTicks(mbox, m, 3, SEMA_SONAR_SHUTDOWN, 500)) << mbox;
    EXPECT_TRUE(L_MBOX_bIsAcknowledged(m)) << mbox;
    EXPECT_LE(L_CLOCK_qwGetTimeInMillis() - start, 500u) << mbox;
    H_MEMORY_vFree(m);
  }
  EXPECT_TRUE(WaitFor([] { return L_QUEUE_Inquire(Q_PING) == 4; }, 1000)) << "every slot came back";
  // Round its loop twice more, and no ping.
  const U32 pings = S_SHARE_u32PingCount();
  Settle();
  Settle();
  EXPECT_EQ(pings, S_SHARE_u32PingCount());

  MULTI_TX tx;
  S_COPROC_vBuildTxSequenceForSingleDown(&tx, 40, TXPOWER_HIGH, 0, 4096, 200, 0, FALSE, 236, 200);
  ASSERT_TRUE(H_COPROC_bCoprocessorReady());
  EXPECT_EQ(247, H_COPROC_s32Transfer(tx.au8Bytes, 247, SEND_TO_COPROC));
  EXPECT_EQ(12689, H_COPROC_s32Transfer(gpu8NonCachedDataBlock, S_COPROC_BLOCK_BYTES, RECEIVE_FROM_COPROC));
}

}  // namespace
