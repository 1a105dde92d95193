// The UART task on pseudo-terminal lines: who a line belongs to, what is
// discarded, rates, and a far end that stops taking bytes.

#include <atomic>
#include <vector>

#include "nmea_line.h"
#include "u_uart.h"

namespace {

using namespace nmt;

std::atomic<int> g_nNmeaSignals{0};
std::atomic<int> g_nPcSignals{0};

// A claimant that counts the signals of its claims, as the NMEA task and the
// PC link would.
void StartClaimant(TASK task, std::vector<BYTE> triggers, SEMA sema, std::atomic<int>* pnSignals) {
  pnSignals->store(-1);
  ASSERT_EQ(0, TEST_StartTask(task, [=] {
    for (BYTE trigger : triggers) U_UART_bRegisterForChannel(2, trigger, sema);
    pnSignals->store(0);
    const SEMA events[] = {sema, 0};
    for (;;) {
      if (L_SEMA_WaitMultiple(events) == sema) (*pnSignals)++;
    }
  }));
  ASSERT_TRUE(WaitFor([=] { return pnSignals->load() == 0; }, 5000));
}

class Uart : public Line {
 protected:
  // Every request mailed before it has been acted on once this returns.
  static void Sync(void) { EXPECT_FALSE(Rate(2, 0)); }

  // The task's verdict on a rate change asked by the test's thread.
  static bool Rate(U8 ch, U32 baud) {
    MSG_CHANGE_BAUD_RATE* pMsg = (MSG_CHANGE_BAUD_RATE*)H_MEMORY_pvCalloc(1, sizeof *pMsg);
    pMsg->Header.Cmd = CMD_ID_CHANGE_BAUD_RATE;
    pMsg->uart = ch;
    pMsg->baud_rate = baud;
    EXPECT_EQ(0, L_MBOX_SendWaitTicks(M_COM1A, pMsg, 3, SEMA_BAUDRATE_CHANGED, 5000));
    bool flag = pMsg->flag;
    H_MEMORY_vFree(pMsg);
    return flag;
  }

  speed_t LineSpeed(U8 ch) {
    struct termios tio;
    tcgetattr(slave[ch], &tio);
    return cfgetospeed(&tio);
  }

  // What channel 2's far end has read once it has u32Count bytes, or after
  // five seconds.
  std::string FarEnd(size_t u32Count) {
    std::string got;
    WaitFor([&] {
      got += ReadFar(master[2], 20);
      return got.size() >= u32Count;
    }, 5000);
    return got;
  }

  std::string Received(U8 ch) {
    std::string got;
    U16 entry;
    while (L_QUEUE_Get(T_UART_nGetQueue(ch, FALSE), &entry) == 0) got += (char)entry;
    return got;
  }
};

TEST_F(Uart, BytesOfTheFirst800msAndOfAStartMidLineAreDiscarded) {
  ASSERT_NO_FATAL_FAILURE(StartUart(false));
  StartClaimant(NMEATASK, {'$', '!'}, SEMA_NMEA_DETECTED, &g_nNmeaSignals);
  Send(2, "\r\n$GPGGA,early*00\r\n");
  ASSERT_TRUE(Consumed());
  // Taken while the start period still ran, the line was discarded; a
  // machine too slow to take it within 800 ms cannot tell.
  if (!T_UART_bInStartPeriod()) GTEST_SKIP() << "the line came after the start period";
  ASSERT_TRUE(WaitFor([] { return !T_UART_bInStartPeriod(); }, 5000));
  // After the start period the line is joined mid-line: a trigger there
  // claims nothing until a line end has passed.
  Feed("GGA,late$GPGGA,mid*00\r\n");
  EXPECT_FALSE(T_UART_bChannelIsOwned(2));
  EXPECT_EQ(0, g_nNmeaSignals.load());
  EXPECT_EQ("", Received(2));
}

TEST_F(Uart, ALineStartingWithItsTriggerHandsTheChannelOverForEveryLineAfter) {
  ASSERT_NO_FATAL_FAILURE(StartUart());
  StartClaimant(NMEATASK, {'$', '!'}, SEMA_NMEA_DETECTED, &g_nNmeaSignals);
  StartClaimant(PCCTASK, {'#'}, SEMA_PC_CONNECT, &g_nPcSignals);
  Sync();
  Feed("noise\r\nx$ not at a line start\r\n$GPGGA,1*00\r\n#PC line\r\n$GPRMC,2*00\r\n");
  EXPECT_TRUE(T_UART_bChannelIsOwned(2));
  EXPECT_TRUE(WaitFor([] { return g_nNmeaSignals.load() == 1; }, 1000));
  EXPECT_EQ(1, g_nNmeaSignals.load());
  EXPECT_EQ(0, g_nPcSignals.load());
  EXPECT_EQ("$GPGGA,1*00\r\n#PC line\r\n$GPRMC,2*00\r\n", Received(2));
}

// A PC sends its first request to a line quiet since the unit set it up:
// that request's '#' starts a line, though no line end came before it.
TEST_F(Uart, TheFirstByteAfterAQuietStartBeginsALine) {
  ASSERT_NO_FATAL_FAILURE(StartUart());
  StartClaimant(PCCTASK, {'#'}, SEMA_PC_CONNECT, &g_nPcSignals);
  Sync();
  Feed("#T\r");
  EXPECT_TRUE(WaitFor([] { return g_nPcSignals.load() == 1; }, 1000));
  EXPECT_EQ(PCCTASK, T_UART_taskChannelOwner(2));
  EXPECT_EQ("#T\r", Received(2));
}

TEST_F(Uart, OnlyTheOwnerReleasesAndAConditionalClaimOnAnOutrightOwnerIsRefused) {
  ASSERT_NO_FATAL_FAILURE(StartUart());
  EXPECT_TRUE(U_UART_bAllocateChannel(2));  // the test's thread owns it outright
  StartClaimant(PCCTASK, {'#'}, SEMA_PC_CONNECT, &g_nPcSignals);
  ASSERT_EQ(0, TEST_StartTask(NMEATASK, [] { U_UART_bReleaseChannel(2, TRUE); }));
  EXPECT_TRUE(TEST_bJoinTask(NMEATASK));
  Sync();
  EXPECT_TRUE(T_UART_bChannelIsOwned(2));
  EXPECT_EQ(38400u, T_UART_u32CurrentBaudRate(2));

  EXPECT_TRUE(U_UART_bReleaseChannel(2, TRUE));
  Sync();
  EXPECT_FALSE(T_UART_bChannelIsOwned(2));
  EXPECT_EQ(4800u, T_UART_u32CurrentBaudRate(2));
  EXPECT_EQ(B4800, LineSpeed(2));
  // The refused claim left no trigger behind.
  Feed("\r\n#PC line\r\n");
  EXPECT_FALSE(T_UART_bChannelIsOwned(2));
  EXPECT_EQ(0, g_nPcSignals.load());
}

TEST_F(Uart, ARateTheDriverDoesNotKnowIsRefusedAndTheLineKeepsItsRate) {
  ASSERT_NO_FATAL_FAILURE(StartUart());
  EXPECT_FALSE(Rate(2, 12345));
  EXPECT_EQ(38400u, T_UART_u32CurrentBaudRate(2));
  EXPECT_EQ(B38400, LineSpeed(2));
  EXPECT_TRUE(Rate(2, 9600));
  EXPECT_EQ(B9600, LineSpeed(2));
  EXPECT_FALSE(Rate(3, 9600));
}

TEST_F(Uart, AFarEndThatTakesNothingCostsTheSenderHalfASecondAndStopsNoReceiving) {
  ASSERT_NO_FATAL_FAILURE(StartUart());
  EXPECT_TRUE(U_UART_bAllocateChannel(2));
  Sync();
  ASSERT_EQ(0, tcflow(slave[2], TCOOFF));
  // More than the writer holds at the stopped line and the queue behind it.
  std::string bytes(3 * UART_TX2_DEPTH, 'x');
  U64 start = NowMs();
  EXPECT_FALSE(U_UART_bTransmitData(2, (const U8*)bytes.data(), (int)bytes.size()));
  U64 took = NowMs() - start;
  EXPECT_GE(took, 500u);
  EXPECT_FALSE(U_UART_bWaitTransmitDone(2, 100));
  Feed("still heard\r\n");
  EXPECT_EQ("still heard\r\n", Received(2));
  EXPECT_EQ(0u, T_UART_u32DroppedBytes(2));
  EXPECT_TRUE(U_UART_bTransmitData(2, nullptr, 0));
  EXPECT_FALSE(U_UART_bTransmitData(3, (const U8*)"x", 1));
}

// A line that fails (its far end gone: every write is refused) loses what
// it was given, but never unseen: every byte is counted, and the loss is
// logged once, not once per try.
TEST_F(Uart, BytesALineFailsToTakeAreCountedAndTheLossLoggedOnce) {
  ASSERT_NO_FATAL_FAILURE(StartUart());
  EXPECT_TRUE(U_UART_bAllocateChannel(2));
  Sync();
  close(master[2]);
  master[2] = -1;
  const U32 u32Before = T_UART_u32UnsentBytes(2);
  const std::string bytes(300, 'x');
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(bytes.size(), T_UART_u32Send(2, (const U8*)bytes.data(), (U32)bytes.size(), 100));
  const bool bCounted = WaitFor([&] { return T_UART_u32UnsentBytes(2) - u32Before == bytes.size(); }, 5000);
  // The writer counts the loss before it logs it.
  EXPECT_TRUE(U_UART_bWaitTransmitDone(2, 5000));
  const std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_TRUE(bCounted) << T_UART_u32UnsentBytes(2) - u32Before;
  const size_t logged = out.find("channel 2: the line took 0 of 300 bytes");
  EXPECT_NE(std::string::npos, logged) << out;
  EXPECT_EQ(logged, out.rfind("channel 2: the line took")) << out;
}

// A send writes to the line only when nothing is queued or being written
// before it, and never waits on the line itself: a stopped line leaves it
// the room of the queue and of the writer's block, within its time-out, and
// what it took arrives in order.
TEST_F(Uart, ASendToAStoppedLineNeverWaitsOnTheLineAndWhatItTookArrivesAfterTheBytesBeforeIt) {
  ASSERT_NO_FATAL_FAILURE(StartUart());
  EXPECT_TRUE(U_UART_bAllocateChannel(2));
  Sync();
  ASSERT_EQ(0, tcflow(slave[2], TCOOFF));
  const std::string first = "queued;";
  EXPECT_EQ(first.size(), T_UART_u32Send(2, (const U8*)first.data(), (U32)first.size(), 100));
  std::string bytes(3 * UART_TX2_DEPTH, ' ');
  for (size_t i = 0; i < bytes.size(); i++) bytes[i] = (char)('a' + i % 26);
  // The queue's room at least; more when the writer takes a block off it
  // meanwhile, but never all.
  const U32 taken = T_UART_u32Send(2, (const U8*)bytes.data(), (U32)bytes.size(), 100);
  EXPECT_GE(taken, UART_TX2_DEPTH - first.size());
  EXPECT_LT(taken, bytes.size());
  ASSERT_EQ(0, tcflow(slave[2], TCOON));
  EXPECT_EQ(first + bytes.substr(0, taken), FarEnd(first.size() + taken));
  // An idle line takes a send whole.
  EXPECT_EQ(3u, T_UART_u32Send(2, (const U8*)"end", 3, 100));
  EXPECT_EQ("end", FarEnd(3));
}

}  // namespace
