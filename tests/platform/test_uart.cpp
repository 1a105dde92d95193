// Serial ports over pseudo-terminals: the rig's port is a link to the slave
// end, and the test holds the master end as the far side of the line.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "dd_uart.h"
#include "h_uart.h"
#include "platform_rig.h"
#include "test_timing.h"

namespace {

class SerialPort : public ::testing::Test {
 protected:
  void SetUp() override {
    master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(0, grantpt(master));
    ASSERT_EQ(0, unlockpt(master));
    std::string link = RIG_Path("/dev/ttyO4");
    unlink(link.c_str());
    ASSERT_EQ(0, symlink(ptsname(master), link.c_str()));
    // The far side raw as well, so every byte passes as it is.
    struct termios tio;
    tcgetattr(master, &tio);
    cfmakeraw(&tio);
    tcsetattr(master, TCSANOW, &tio);
  }
  void TearDown() override {
    H_UART_vShutdown(0);
    close(master);
  }

  // What the unit's side has set on the line.
  struct termios LineSettings() {
    struct termios tio = {};
    int fd = open(ptsname(master), O_RDONLY | O_NOCTTY);
    tcgetattr(fd, &tio);
    close(fd);
    return tio;
  }

  // The bytes the line holds for the unit's side, not yet read.
  int WaitingOnLine() {
    int waiting = -1;
    const int fd = open(ptsname(master), O_RDONLY | O_NOCTTY | O_NONBLOCK);
    if (fd >= 0 && ioctl(fd, FIONREAD, &waiting) != 0) waiting = -1;
    if (fd >= 0) close(fd);
    return waiting;
  }

  // What the unit's side has sent so far: everything the master receives
  // before a mark the test writes on that side now. The line keeps its
  // order, so nothing sent before can come after the mark.
  std::string SentSoFar() {
    const char kMark = '~';
    const int fd = open(ptsname(master), O_WRONLY | O_NOCTTY);
    EXPECT_EQ(1, write(fd, &kMark, 1));
    std::string got;
    TEST_bWaitUntil(
        [&] {
          struct pollfd p = {master, POLLIN, 0};
          while (got.find(kMark) == std::string::npos && poll(&p, 1, 0) > 0) {
            char buffer[256];
            const ssize_t n = read(master, buffer, sizeof buffer);
            if (n <= 0) break;
            got.append(buffer, (size_t)n);
          }
          return got.find(kMark) != std::string::npos;
        },
        1000);
    close(fd);
    const size_t at = got.find(kMark);
    return at == std::string::npos ? got + "(no mark)" : got.substr(0, at);
  }

  // Takes bytes as the UART task does, until `count` or the time is up.
  std::vector<U8> Drain(size_t count, int ms) {
    std::vector<U8> got;
    for (double end = RIG_dNowMs() + ms; got.size() < count && RIG_dNowMs() < end;) {
      if (DD_UART_bRxCharAvail(0)) {
        got.push_back((U8)H_UART_u16FetchRx(0));
      } else {
        usleep(200);
      }
    }
    return got;
  }

  int master = -1;
};

TEST_F(SerialPort, TheRateGivesTheCharacterTimeAndARateOutsideTheTableChangesNothing) {
  EXPECT_EQ(2083u, H_UART_u32Setup(0, 4800, FALSE));
  struct termios tio = LineSettings();
  EXPECT_EQ(B4800, cfgetospeed(&tio));
  EXPECT_EQ(86u, H_UART_u32Setup(0, 115200, FALSE));
  EXPECT_EQ(1041u, H_UART_u32SetBaudRate(0, 9600));
  EXPECT_EQ(0u, H_UART_u32SetBaudRate(0, 0));
  EXPECT_EQ(0u, H_UART_u32Setup(0, 12345, FALSE));
  EXPECT_EQ(0u, H_UART_u32SetBaudRate(0, 7));
  tio = LineSettings();
  EXPECT_EQ(B9600, cfgetospeed(&tio));
  EXPECT_EQ(0u, tio.c_lflag);
  EXPECT_EQ((tcflag_t)(CS8 | CREAD | CLOCAL), tio.c_cflag & ~(tcflag_t)CBAUD);
  EXPECT_EQ(0u, H_UART_u32Setup(0, 0, FALSE));
  tio = LineSettings();
  EXPECT_EQ(B9600, cfgetospeed(&tio));
}

TEST_F(SerialPort, BytesArrivingWhileTheConsumerSleepsAllArriveInOrder) {
  H_UART_u32Setup(0, 115200, FALSE);
  std::vector<U8> sent(300);
  for (size_t i = 0; i < sent.size(); i++) sent[i] = (U8)(255 - i * 7);
  ASSERT_EQ(0xFF, sent[0]);
  ASSERT_EQ((ssize_t)sent.size(), write(master, sent.data(), sent.size()));
  EXPECT_TRUE(TEST_bWaitUntil([] { return DD_UART_bRxCharAvail(0); }, TEST_u64SlackMs(1000)));
  // The consumer sleeps on until the reader has taken every byte off the line.
  EXPECT_TRUE(TEST_bWaitUntil([this] { return WaitingOnLine() == 0; }, 1000));
  EXPECT_EQ(sent, Drain(sent.size(), 5000));
  EXPECT_FALSE(DD_UART_bRxCharAvail(0));
  EXPECT_EQ(0xFF, DD_UART_u8Getch(0));
}

TEST_F(SerialPort, SendingFollowsTheModeAndOffDropsEveryByte) {
  H_UART_u32Setup(0, 4800, FALSE);
  H_UART_vPutChar(0, 'a');
  H_UART_vSetMode(0, UART_OFF);
  // A pseudo-terminal keeps its receiver on whatever it is told, so only
  // the transmit side of the mode shows here.
  H_UART_vPutChar(0, 'b');
  H_UART_vSetMode(0, UART_HALF_DUPLEX_TRANSMIT);
  H_UART_vPutChar(0, 'c');
  H_UART_vSetMode(0, UART_FULL_DUPLEX);
  H_UART_vPutChar(0, 'd');
  EXPECT_TRUE(DD_UART_bTxComplete(0) || DD_UART_u32FetchTxCount(0) > 0);
  EXPECT_EQ("cd", SentSoFar());
}

TEST_F(SerialPort, ShuttingAPortEndsItsReaderAtOnceAndReopeningReadsAgain) {
  H_UART_u32Setup(0, 9600, FALSE);
  ASSERT_NE(0u, (unsigned long)DD_UART_ReaderThread(0));
  H_UART_vShutdown(0);
  EXPECT_EQ(0u, (unsigned long)DD_UART_ReaderThread(0));
  EXPECT_FALSE(DD_UART_bRxCharAvail(0));
  H_UART_vPutChar(0, 'x');
  EXPECT_EQ("", SentSoFar());

  H_UART_u32Setup(0, 9600, FALSE);
  ASSERT_EQ(1, write(master, "z", 1));
  EXPECT_EQ(std::vector<U8>{'z'}, Drain(1, 2000));
}

// A lent line is read by the borrower alone, in order, and its reader
// takes up the line again where the borrower left it; a closed port lends
// nothing, and shutting a lent port ends its reader all the same.
TEST_F(SerialPort, ALentLineIsReadByTheBorrowerAloneUntilItIsGivenBack) {
  H_UART_u32Setup(0, 115200, FALSE);
  ASSERT_EQ(1, write(master, "a", 1));
  ASSERT_EQ(std::vector<U8>{'a'}, Drain(1, 2000));
  ASSERT_TRUE(H_UART_bLendReceive(0, 1000));
  ASSERT_EQ(5, write(master, "bcdef", 5));
  // They reach the line and the reader leaves them there: a tenth of a
  // second for it to take them.
  ASSERT_TRUE(TEST_bWaitUntil([this] { return WaitingOnLine() == 5; }, TEST_u64SlackMs(1000)));
  EXPECT_FALSE(TEST_bWaitUntil([this] { return WaitingOnLine() != 5 || DD_UART_bRxCharAvail(0); }, 100));
  std::string lent;
  for (double end = RIG_dNowMs() + 5000; lent.size() < 5 && RIG_dNowMs() < end;) {
    U8 bytes[8];
    const S32 n = H_UART_s32ReadLent(0, bytes, 3, 100);
    ASSERT_GE(n, 0);
    lent.append((const char*)bytes, (size_t)n);
  }
  EXPECT_EQ("bcdef", lent);
  EXPECT_FALSE(DD_UART_bRxCharAvail(0));
  U8 none[4];
  EXPECT_EQ(0, H_UART_s32ReadLent(0, none, sizeof none, 1));
  H_UART_vEndLend(0);
  EXPECT_EQ(-1, H_UART_s32ReadLent(0, none, sizeof none, 1));
  ASSERT_EQ(1, write(master, "g", 1));
  EXPECT_EQ(std::vector<U8>{'g'}, Drain(1, 2000));

  ASSERT_TRUE(H_UART_bLendReceive(0, 1000));
  H_UART_vShutdown(0);
  EXPECT_EQ(0u, (unsigned long)DD_UART_ReaderThread(0));
  EXPECT_FALSE(H_UART_bLendReceive(0, 100));
  H_UART_vEndLend(0);
}

TEST_F(SerialPort, APortThatIsMissingOrOutOfRangeStaysSilent) {
  unlink(RIG_Path("/dev/ttyO1").c_str());
  H_UART_u32Setup(1, 4800, FALSE);
  H_UART_vSetMode(1, UART_FULL_DUPLEX);
  H_UART_vPutChar(1, 'x');
  EXPECT_FALSE(DD_UART_bRxCharAvail(1));
  EXPECT_TRUE(DD_UART_bTxComplete(1));
  H_UART_vShutdown(1);

  EXPECT_EQ(0xFF, DD_UART_u8Getch(3));
  EXPECT_FALSE(DD_UART_bRxCharAvail(3));
  EXPECT_TRUE(DD_UART_bIsTxShifterEmpty(3));
  DD_UART_vKill(3);
}

}  // namespace
