// The remote task on a clock the test moves, fed the mail the NMEA task
// makes of the dongle's sentences; what it sends collects in the stand-in
// mailboxes of the NMEA, navigation, menu, view-key and keyboard tasks.

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "h_database.h"
#include "h_keyboard.h"
#include "h_memory.h"
#include "msg_bluetooth_remote.h"
#include "remote_test.h"
#include "t_btremote.h"
#include "t_nmea_internal.h"
#include "test_tasks.h"
#include "u_menu.h"
#include "u_view.h"
#include "ui_texts.h"

namespace {

std::atomic<U32> s_u32Now{0};
std::atomic<int> s_nMarks{0};

U32 Now(void) { return s_u32Now; }
void Mark(void) { s_nMarks++; }

U32 Fetch(FOURCHARID key) {
  DB_DATA_TYPE value = {};
  value.u32Val = 0xFFFF;
  H_DATABASE_bFetch(key, &value, nullptr, nullptr);
  return value.u32Val;
}

class Remote : public ::testing::Test {
 protected:
  void SetUp() override {
    static const bool s_bOnce = [] { return L_MBOX_DefineSema(M_BT_REMOTE, SEMA_MBOX_BTREMOTE) == 0; }();
    ASSERT_TRUE(s_bOnce);
    H_DATABASE_vInit();
    for (auto [key, mbox] : {std::pair{FCID("TVUE"), M_VIEW}, {FCID("TKBD"), M_KEYB}, {FCID("TMNU"), M_MENU}}) {
      H_DATABASE_bUpdateEverythingU32(key, (U32)mbox, P_NORMAL, D_MAILBOX, nullptr, DB_NEVER_STALE);
    }
    s_u32Now = 100000;
    s_nMarks = 0;
    T_BTREMOTE_vSetClock(Now);
    T_BTREMOTE_vSetMarkAction(Mark);
    ASSERT_EQ(0, TEST_StartTask(BTREMOTETASK, T_BTREMOTE_vMain));
    rmt::Sync();
    Drain();
  }
  void TearDown() override {
    L_TASK_Terminate(BTREMOTETASK);
    EXPECT_TRUE(TEST_bJoinTask(BTREMOTETASK));
    Drain();
    T_BTREMOTE_vSetClock(nullptr);
    T_BTREMOTE_vSetMarkAction(nullptr);
  }
  static void Drain() {
    for (MBOX m : {M_BT_REMOTE, M_VIEW, M_KEYB, M_MENU, M_NMEA, M_NAV, M_VIEWKEY}) rmt::Mail(m);
  }
  static void Advance(U32 ms) {
    s_u32Now += ms;
    rmt::Sync();
  }
  // Second by second, so that each heartbeat check falls at its time.
  static void Step(U32 ms) {
    for (U32 i = 0; i < ms; i += 1000) Advance(1000);
  }
  static void Button(REMOTE_KEY key, REMOTE_KEY_STATE state) {
    MSG_BLUETOOTH_REMOTE_BUTTON* p = (MSG_BLUETOOTH_REMOTE_BUTTON*)H_MEMORY_pvMalloc(sizeof *p);
    *p = {{{}, CMD_ID_BLUETOOTH_REMOTE_RX}, BLUETOOTH_TYPE_BUTTON, key, state, s_u32Now};
    rmt::Send(p);
  }
  static void Press(REMOTE_KEY key, U32 ms = 100) {
    Button(key, REMOTE_KEY_PRESS);
    Advance(ms);
    Button(key, REMOTE_KEY_RELEASE);
  }
  static void View(LAYER_ID view, SPLIT_WINDOW_TYPE split = SPLIT_RIGHT_WINDOW) {
    H_DATABASE_bUpdateEverythingS32(FCID("CVEW"), view, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
    H_DATABASE_bUpdateEverythingS32(FCID("CVAS"), split, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
    rmt::Sync();
  }
};

using Mail = std::vector<std::string>;

TEST_F(Remote, AnUnacknowledgedRequestIsSentAgainEverySecondUntilItsOwnAcknowledgement) {
  rmt::Generic(BLUETOOTH_TYPE_HELLO, 0);
  EXPECT_EQ(Mail({"tx 2/1"}), rmt::Mail(M_NMEA)) << "the hello asks for the operating mode";
  rmt::Generic(BLUETOOTH_TYPE_CHECKSUM, 0x5A);
  Advance(999);
  EXPECT_EQ(Mail(), rmt::Mail(M_NMEA));
  Advance(1);
  EXPECT_EQ(Mail({"tx 2/1"}), rmt::Mail(M_NMEA));
  rmt::Generic(BLUETOOTH_TYPE_CHECKSUM, 0x5A);
  rmt::Generic(BLUETOOTH_TYPE_ACK, 0x44);  // another sentence's: the retry goes on
  Advance(1000);
  EXPECT_EQ(Mail({"tx 2/1"}), rmt::Mail(M_NMEA));
  rmt::Generic(BLUETOOTH_TYPE_CHECKSUM, 0x00);  // a checksum of 0 is acknowledged like any other
  rmt::Generic(BLUETOOTH_TYPE_ACK, 0x00);
  Advance(5000);
  EXPECT_EQ(Mail(), rmt::Mail(M_NMEA));
}

// A slow NMEA task: the dongle's answers arrive late, one for a request
// already replaced by another, one for a copy whose successor has been
// asked for but whose checksum notice has not come back yet.
TEST_F(Remote, ALateAcknowledgementEndsTheRetryOfItsOwnRequestOnly) {
  rmt::Generic(BLUETOOTH_TYPE_HELLO, 0);
  rmt::Generic(BLUETOOTH_TYPE_CHECKSUM, 0x5A);
  T_BTREMOTE_vSyncNewRemote();
  rmt::Sync();
  EXPECT_EQ(Mail({"tx 2/1", "tx 6/4"}), rmt::Mail(M_NMEA));
  rmt::Generic(BLUETOOTH_TYPE_ACK, 0x5A);  // the mode question's
  rmt::Generic(BLUETOOTH_TYPE_CHECKSUM, 0x33);
  Advance(1000);
  EXPECT_EQ(Mail({"tx 6/4"}), rmt::Mail(M_NMEA)) << "the pairing request is still unanswered";
  rmt::Generic(BLUETOOTH_TYPE_ACK, 0x33);
  rmt::Generic(BLUETOOTH_TYPE_CHECKSUM, 0x33);
  Advance(5000);
  EXPECT_EQ(Mail(), rmt::Mail(M_NMEA)) << "acknowledged: asked no more";
}

TEST_F(Remote, FortyFiveSecondsOfSilenceKeepTheLinkAndFortySixLoseIt) {
  rmt::Generic(BLUETOOTH_TYPE_HELLO, 0);  // supervision every 15 s from here
  EXPECT_EQ(1u, Fetch(FCID("IBTD")));
  Step(15000);
  Press(REMOTE_KEY_DATA_BOX, 0);  // seen just after the check at 15 s
  EXPECT_EQ(1u, Fetch(FCID("IBTR")));
  Step(45000);  // the check at 60 s finds 45 s
  EXPECT_EQ(1u, Fetch(FCID("IBTR")));
  EXPECT_EQ(1u, Fetch(FCID("IBTD")));
  Step(14000);
  Press(REMOTE_KEY_DATA_BOX, 0);  // 74 s: the check at 120 s finds 46 s
  Step(45000);
  EXPECT_EQ(1u, Fetch(FCID("IBTR")));
  Step(1000);
  EXPECT_EQ(0u, Fetch(FCID("IBTR")));
  EXPECT_EQ(0u, Fetch(FCID("IBTD")));
}

TEST_F(Remote, MarkPressedBrieflyPlacesAMarkAndHeldRunsItsHoldActionOnce) {
  Press(REMOTE_KEY_MARK, 900);
  EXPECT_EQ(1, s_nMarks);
  EXPECT_EQ(Mail(), rmt::Mail(M_KEYB));
  Button(REMOTE_KEY_MARK, REMOTE_KEY_PRESS);
  Advance(999);
  EXPECT_EQ(Mail(), rmt::Mail(M_KEYB));
  Advance(1);
  EXPECT_EQ(Mail({"power off"}), rmt::Mail(M_KEYB)) << "after defaults the MARK hold powers off";
  Advance(2000);
  Button(REMOTE_KEY_MARK, REMOTE_KEY_RELEASE);
  rmt::Sync();
  EXPECT_EQ(Mail(), rmt::Mail(M_KEYB));
  EXPECT_EQ(1, s_nMarks);
}

TEST_F(Remote, BothViewKeysTogetherAreADoublePressThatSendsNothingMore) {
  View(SONAR_VIEW_PRIORITY);
  Button(REMOTE_KEY_VIEW1, REMOTE_KEY_PRESS);
  rmt::Sync();
  EXPECT_EQ(Mail({"key 8 down", "key 8 up"}), rmt::Mail(M_VIEWKEY));
  Button(REMOTE_KEY_VIEW2, REMOTE_KEY_PRESS);
  Button(REMOTE_KEY_PLUS, REMOTE_KEY_PRESS);
  rmt::Sync();
  EXPECT_EQ(Mail(), rmt::Mail(M_VIEWKEY));
  EXPECT_EQ(Mail(), rmt::Keys(M_MENU)) << "presses wait for a release";
  Button(REMOTE_KEY_VIEW2, REMOTE_KEY_RELEASE);
  Button(REMOTE_KEY_PLUS, REMOTE_KEY_PRESS);
  rmt::Sync();
  EXPECT_EQ(Mail({"key 10 down"}), rmt::Keys(M_MENU));
}

TEST_F(Remote, AfterDefaultsTheMenuKeyPressedOrHeldStepsTheDisplayFrequencyIn2D) {
  View(SONAR_VIEW_PRIORITY);
  Press(REMOTE_KEY_MENU);
  EXPECT_TRUE(rmt::MenuNamed(Display_Frequency_2D));
  EXPECT_EQ(Mail({"key 10 down", "key 10 up"}), rmt::Keys(M_MENU));
  Advance(3000);  // the confirmation goes
  Drain();
  Button(REMOTE_KEY_MENU, REMOTE_KEY_PRESS);
  Advance(1000);
  EXPECT_TRUE(rmt::MenuNamed(Display_Frequency_2D));
  EXPECT_EQ(Mail({"key 10 down", "key 10 up"}), rmt::Keys(M_MENU));
}

TEST_F(Remote, PlusZoomsTheChartPaneAndStepsTheSonarSettingInThe2DPane) {
  View(CHART_PLUS_2D_VIEW_PRIORITY, SPLIT_RIGHT_WINDOW);
  Press(REMOTE_KEY_PLUS);
  EXPECT_EQ(Mail({"key 20 down", "key 20 up"}), rmt::Keys(M_NAV));
  View(CHART_PLUS_2D_VIEW_PRIORITY, SPLIT_LEFT_WINDOW);
  Press(REMOTE_KEY_MINUS);
  EXPECT_EQ(Mail(), rmt::Keys(M_NAV));
  EXPECT_TRUE(rmt::MenuNamed(Sensitivity));
}

TEST_F(Remote, ChoosingCastingRingsStoresItAndUnchecksTheOtherChoices) {
  ASSERT_TRUE(T_BTREMOTE_bSelect(18));
  EXPECT_EQ(1u, Fetch(FCID("SK62")));
  EXPECT_FALSE(T_BTREMOTE_bIsSelected(17));
  EXPECT_TRUE(T_BTREMOTE_bIsSelected(18));
  EXPECT_FALSE(T_BTREMOTE_bIsSelected(19));
  EXPECT_FALSE(T_BTREMOTE_bSelect(29));
  rmt::Sync();
  View(CHART_VIEW_PRIORITY);
  Press(REMOTE_KEY_PLUS);
  EXPECT_TRUE(rmt::MenuNamed(Casting_Rings));
  EXPECT_EQ(Mail(), rmt::Keys(M_NAV));
}

TEST_F(Remote, AStoredAssignmentWithoutAnActionFallsBackToTheDefault) {
  H_DATABASE_bUpdateValueU32(FCID("SK12"), 999, P_NORMAL);
  rmt::Sync();
  EXPECT_EQ(0u, Fetch(FCID("SK12")));
  View(SONAR_VIEW_PRIORITY);
  Press(REMOTE_KEY_PLUS);
  EXPECT_TRUE(rmt::MenuNamed(Sensitivity));
}

TEST_F(Remote, PairingEndsWhenTheDongleReportsNormalOperation) {
  T_BTREMOTE_vSyncNewRemote();
  rmt::Sync();
  EXPECT_EQ(Mail({"tx 6/4"}), rmt::Mail(M_NMEA));
  EXPECT_EQ(Mail({"+272"}), rmt::Layers());
  rmt::Status(REMOTE_STATUS_TYPE_OP_MODE, "G7");  // not hex: no mode
  EXPECT_EQ(0u, Fetch(FCID("IBTR")));
  rmt::Status(REMOTE_STATUS_TYPE_OP_MODE, "05");
  EXPECT_EQ(1u, Fetch(FCID("IBTR")));
  EXPECT_EQ(1u, Fetch(FCID("IBTD")));
  EXPECT_EQ(Mail({"-272", "+272"}), rmt::Layers()) << "the dialog gives way to the completion notice";
  Advance(2000);
  EXPECT_EQ(Mail({"-272"}), rmt::Layers());
}

// The dongle's lines as the NMEA receiver hands them over (after '$'), each
// checksum worked out by a separate XOR model, into the running task.
TEST_F(Remote, ButtonSentencesBecomeKeyActionsAndMalformedOnesNothing) {
  NMEA_PORT_INFO* pPort = T_NMEA_pInitPortInfo(ID_EXTERNAL_GPS);
  View(CHART_VIEW_PRIORITY);
  for (const char* line : {"PQVM100,41,01,x*7B", "PQVM100,G7,01,x*0E", "PQVM100,3C*77"}) {
    T_NMEA_vParseSentence(line, pPort);
  }
  rmt::Sync();
  EXPECT_EQ(1u, Fetch(FCID("IBTR"))) << "key 7 still shows the remote is there";
  EXPECT_EQ(Mail(), rmt::Keys(M_NAV)) << "key 7, a bad hex digit and a missing field do nothing";
  T_NMEA_vParseSentence("PQVM100,3C,01,x*0E", pPort);
  rmt::Sync();
  EXPECT_EQ(Mail({"key 20 down", "key 20 up"}), rmt::Keys(M_NAV));
}

}  // namespace
