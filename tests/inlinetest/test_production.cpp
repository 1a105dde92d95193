// The production tests against the co-processor stand-in, a fake I2C chip
// and a fake Bluetooth peer (and the real links, which this host does not
// have), the loop-back with nothing on the line, and the closing record.

#include <sys/socket.h>
#include <unistd.h>

#include <regex>
#include <thread>

#include "h_testlinks.h"
#include "inline_sink.h"
#include "sonar_test_util.h"

namespace {

using namespace inltest;

class Production : public InlineTest {
 protected:
  void SetUp() override {
    InlineTest::SetUp();
    sonartest::WriteConfig("coproc = 1\npresent = 1\ndepth_m = " + m_depth +
                           "\ndepth_swing_m = 0\nfish = 0\nrealtime = 0\n");
  }
  void TearDown() override {
    H_TESTLINKS_vUseI2cBus(nullptr);
    H_TESTLINKS_vUseBtLink(nullptr);
    InlineTest::TearDown();
  }
  // The timer's ticks, run here rather than by the task.
  static void Ticks(int n) {
    for (int i = 0; i < n; i++) T_INLINETEST_vHandleTimer();
  }
  std::string m_depth = "3.0";
};

TEST_F(Production, SonarBeamPassesItsLimitsAndReportsOnTheNextTick) {
  EXPECT_EQ("", Reply("t7,1,200,0,0,50,255,5,30,20,2000,3,500,40"));
  const SONAR_DISPLAY_DATA& d = INLINETEST_psState()->sonarCurrentDisplayData;
  EXPECT_FALSE(d.bDepthPass || d.bSignalPass || d.bNoisePass) << "flags cleared at the start";
  Caught().clear();
  Ticks(1);
  EXPECT_EQ(PASS, INLINETEST_psState()->eTestResult);
  EXPECT_EQ(9, d.u16Depth);
  EXPECT_EQ("", Caught()) << "the verdict goes out on the next tick";
  Ticks(2);
  EXPECT_TRUE(std::regex_match(Caught(), std::regex("Sonar Test Pass,[0-9]+,9,[0-9]+\r\n"))) << Caught();

  EXPECT_EQ("#NAK", Reply("t7,6,200,0,0,50,255,5,30,20,2000,3,500,40")) << "no beam row 6";
  EXPECT_EQ("#NAK", Reply("t21,-1,200,0,0,9,100"));
}

TEST_F(Production, SideBeamFailsItsSignalLimitsOnceTheBeamTimeOutHasPassed) {
  EXPECT_EQ("", Reply("t7,3,455,1,0,200,255,5,30,255,1000,3,500,40"));
  Caught().clear();
  Ticks(3);
  EXPECT_EQ(FAIL, INLINETEST_psState()->eTestResult);
  EXPECT_FALSE(INLINETEST_psState()->sonarCurrentDisplayData.bSignalPass);
  EXPECT_EQ(0u, Caught().rfind("Sonar Test Fail,", 0)) << Caught();
}

TEST_F(Production, TuningListsTheSamplesAroundTheDepthOrGivesThePeak) {
  const std::string window = Reply("t21,1,200,0,0,9,100");
  EXPECT_TRUE(std::regex_match(window, std::regex("([0-9]+, ){9}>> [0-9]+ << ([0-9]+, ){9}"))) << window;
  EXPECT_TRUE(std::regex_match(Reply("t21,1,200,0,0,9,0"), std::regex("[0-9]+")));
  EXPECT_TRUE(std::regex_match(Reply("t21,1,200,0,0,0,100"), std::regex(">> [0-9]+ << ([0-9]+, ){9}")));
}

class DeepProduction : public Production {
 protected:
  void SetUp() override {
    m_depth = "60.0";
    Production::SetUp();
  }
};

TEST_F(DeepProduction, APeakPastTheSixteenBitProductGivesTheRightDepth) {
  EXPECT_EQ("", Reply("t7,1,200,0,0,0,255,190,200,255,2000,3,500,40"));
  Ticks(1);
  EXPECT_TRUE(INLINETEST_psState()->sonarCurrentDisplayData.bDepthPass)
      << INLINETEST_psState()->sonarCurrentDisplayData.u16Depth;
}

TEST_F(Production, MeasuredTestsReplyWithTheirVerdictAndValue) {
  H_DATABASE_bUpdateEverythingFloat(FCID("ITMT"), 20.4f, P_NORMAL, D_UNKNOWN, nullptr, 100);
  EXPECT_EQ("Transducer Water Test Pass , 20", Reply("t9,25,20,0"));
  EXPECT_EQ(WAITING_FOR_TEST, INLINETEST_psState()->eCurrentTest);
  EXPECT_EQ(25, INLINETEST_psState()->testParams.s16MaxTransducerTemp);
  EXPECT_EQ("#NAK", Reply("t10,25,20,0")) << "no speed-port reading";
  EXPECT_EQ("Paddle Wheel Test --No speed detected", Reply("t8,10,0,30"));
  H_DATABASE_bUpdateEverythingFloat(FCID("IVLT"), 12.6f, P_NORMAL, D_UNKNOWN, nullptr, 100);
  EXPECT_EQ("Battery Test Fail , 13", Reply("t12,12,10,0"));

  const std::string file = sonartest::RigDir() + "/dev/sonar.cfg";
  EXPECT_EQ("NAND Map Test Fail ", Reply("t13," + file + ",/nonexistent,1"));
  EXPECT_EQ("NAND Simulator Test Pass ", Reply("t14," + file + ",/nonexistent,0"));
}

TEST_F(Production, LoopBackWithNothingOnTheLineFailsWithAnEmptyText) {
  const U64 start = L_CLOCK_qwGetTimeInMillis();
  EXPECT_EQ("External NMEA Test Fail", Reply("t18"));
  EXPECT_GE(L_CLOCK_qwGetTimeInMillis() - start, 250u);
  L_QUEUE_Purge(Q_TRANSMIT_UART2);
}

TEST_F(Production, ClosingRecordOfAPcDrivenTestSetsThePassedBit) {
  INLINETEST_psState()->eTestControl = PC_DRIVEN_TEST;
  H_DATABASE_bUpdateValueU32(FCID("STTP"), 0x5, P_TESTMODE);
  EXPECT_EQ("#ACK", Reply("t31"));
  U32 passed = 0;
  EXPECT_TRUE(H_DATABASE_bFetchU32(FCID("STTP"), &passed, nullptr, nullptr));
  EXPECT_EQ(0x40000005u, passed);
  EXPECT_EQ("#NAK", Reply("t32"));
  EXPECT_EQ(TESTING_FINISHED_FAIL, INLINETEST_psState()->eCurrentTest);
}

// ---------------------------------------------------------------------------
// Chip

class FAKE_CHIP : public II2cBus {
 public:
  std::vector<U8> regs;
  int failedReads = 0;
  BOOLEAN bOpen(const char*) override { return TRUE; }
  BOOLEAN bSelect(U8 u8Address) override { return u8Address == 0x11; }
  BOOLEAN bReadRegisters(U8, U8 u8Register, U8* pu8Out, U32 u32Count) override {
    if (failedReads > 0 && failedReads--) return FALSE;
    if (u8Register != 0 || u32Count != regs.size()) return FALSE;
    memcpy(pu8Out, regs.data(), u32Count);
    return TRUE;
  }
  void vClose(void) override {}
};

TEST_F(Production, AuthenticationChipIsJudgedByItsRegisters) {
  T_INLINETEST_vSetI2cDevice("/dev/i2c-1");
  EXPECT_EQ("Auth Chip--FAIL--cant open i2c bus", Reply("t46"));
  FAKE_CHIP chip;
  H_TESTLINKS_vUseI2cBus(&chip);
  chip.regs = {0x05, 0x01, 0x02, 0x00, 0x00, 0x00, 0x02, 0x00};
  chip.failedReads = 3;
  EXPECT_EQ("Auth Chip--PASS", Reply("t46"));
  chip.regs[3] = 0x01;
  EXPECT_EQ("FAIL--error code 0x08", Reply("t46"));
  chip.regs = {0x04, 0x01, 0x02, 0x00, 0x00, 0x00, 0x03, 0x00};
  EXPECT_EQ("FAIL--error code 0x11", Reply("t46"));
  EXPECT_EQ(WAITING_FOR_TEST, INLINETEST_psState()->eCurrentTest);
}

// ---------------------------------------------------------------------------
// Bluetooth

class FAKE_PEER : public IBtLink {
 public:
  std::vector<S32> rssi;
  bool echo = true;
  size_t reads = 0;
  std::thread peer;
  ~FAKE_PEER() override {
    if (peer.joinable()) peer.join();
  }
  int nConnect(const char*) override {
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) return -1;
    peer = std::thread([this, fd = fds[1]] {
      char buffer[32];
      const ssize_t n = read(fd, buffer, sizeof buffer);
      if (n > 0) {
        if (!echo) buffer[0] = 'J';
        (void)!write(fd, buffer, (size_t)n);
      }
      close(fd);
    });
    return fds[0];
  }
  BOOLEAN bReadRssi(const char*, S32* ps32Rssi) override {
    if (reads >= rssi.size()) return FALSE;
    *ps32Rssi = rssi[reads++];
    return TRUE;
  }
};

TEST_F(Production, BluetoothEchoesWithItsRssiAndFailsWithoutALink) {
  EXPECT_EQ("Bluetooth Test--Fail--RSSI value: 9999", Reply("t47,00:11:22:33:44:55"));
  EXPECT_EQ("GPS Reset", Reply("g")) << "still answering";
  {
    FAKE_PEER peer;
    peer.rssi = std::vector<S32>(99, 0);
    peer.rssi.push_back(-40);
    H_TESTLINKS_vUseBtLink(&peer);
    EXPECT_EQ("Bluetooth Test--Pass--RSSI value: -40", Reply("t47"))
        << "a negative RSSI on the last try still has the echo checked";
  }
  {
    FAKE_PEER peer;
    peer.rssi = {3, -12};
    peer.echo = false;
    H_TESTLINKS_vUseBtLink(&peer);
    EXPECT_EQ("Bluetooth Test--Fail--RSSI value: -12", Reply("t47"));
  }
  {
    FAKE_PEER peer;
    H_TESTLINKS_vUseBtLink(&peer);
    EXPECT_EQ("Bluetooth Test--Fail--RSSI value: 9999", Reply("t47")) << "the RSSI cannot be read";
    H_TESTLINKS_vUseBtLink(nullptr);
  }
}

}  // namespace
