// The wired register protocol and the firmware download, through a stand-in
// for the accessory communication task that carries each request over a
// pseudo-terminal to a simulated accessory and returns its reply.

#include <gtest/gtest.h>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "acc_test_util.h"
#include "h_database.h"
#include "h_memory.h"
#include "test_tasks.h"
#include "test_timing.h"
#include "u_accessory.h"
#include "u_taskstub.h"

namespace {

// n bytes, or fewer when the line stays quiet for ms.
BYTES ReadExact(int fd, size_t n, int ms) {
  BYTES out;
  while (out.size() < n) {
    pollfd p = {fd, POLLIN, 0};
    if (poll(&p, 1, ms) != 1) break;
    U8 buffer[512];
    const ssize_t got = read(fd, buffer, std::min(sizeof buffer, n - out.size()));
    if (got <= 0) break;
    out.insert(out.end(), buffer, buffer + got);
  }
  return out;
}

// A frame on the line: its bytes and the check byte that makes their sum 0.
void WriteFrame(int fd, BYTES frame) {
  U8 sum = 0;
  for (U8 b : frame) sum = (U8)(sum + b);
  frame.push_back((U8)(0 - sum));
  ASSERT_EQ((ssize_t)frame.size(), write(fd, frame.data(), frame.size()));
}

bool SumsToZero(const BYTES& frame) {
  U8 sum = 0;
  for (U8 b : frame) sum = (U8)(sum + b);
  return sum == 0;
}

class Wired : public ::testing::Test {
 protected:
  int m_master = -1, m_slave = -1;
  std::atomic<bool> m_stop{false};
  std::atomic<bool> m_exceptions{false};  // the accessory refuses everything
  std::thread m_accessory;
  std::mutex m_lock;
  std::vector<BYTES> m_frames;  // requests as the accessory received them

  void SetUp() override {
    H_DATABASE_vInit();
    m_master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(m_master, 0);
    ASSERT_EQ(0, grantpt(m_master));
    ASSERT_EQ(0, unlockpt(m_master));
    m_slave = open(ptsname(m_master), O_RDWR | O_NOCTTY);
    ASSERT_GE(m_slave, 0);
    termios raw;
    tcgetattr(m_slave, &raw);
    cfmakeraw(&raw);
    tcsetattr(m_slave, TCSANOW, &raw);
    U_TASKSTUB_vPublish(FCID("TACC"), M_ACC_COMM);
    ASSERT_EQ(0, TEST_StartTask(ACCCOMM, [this] { CommunicationTask(); }));
    m_accessory = std::thread([this] { Accessory(); });
  }

  void TearDown() override {
    m_stop = true;
    m_accessory.join();
    TEST_bJoinTask(ACCCOMM);
    close(m_slave);
    close(m_master);
  }

  // The stand-in task: each request out over the line, the reply (or the
  // silence) back into the message, the message back to its sender.
  void CommunicationTask() {
    while (!m_stop) {
      MSG_SEND_2_ACCESSORY* pMsg = (MSG_SEND_2_ACCESSORY*)L_MBOX_ReceiveWaitTicks(M_ACC_COMM, 50);
      if (pMsg == nullptr) continue;
      WriteFrame(m_slave, BYTES(pMsg->pu8Transmit, pMsg->pu8Transmit + pMsg->u32TxCount));
      // The accessory always answers; a busy machine may keep it waiting.
      const int ms = (int)TEST_u64SlackMs(1000);
      BYTES reply = ReadExact(m_slave, 2, ms);
      if (reply.size() == 2) {
        const BYTES rest = ReadExact(m_slave, (reply[1] & 0x80) ? 2 : 5, ms);
        reply.insert(reply.end(), rest.begin(), rest.end());
      }
      pMsg->error = reply.empty() ? ERROR_TIMEOUT : SumsToZero(reply) ? ERROR_NO_ERROR : ERROR_LRC;
      memcpy(pMsg->pu8Receive, reply.data(), std::min<size_t>(reply.size(), pMsg->u32RxCount));
      L_MBOX_Send(pMsg->replyMailbox, pMsg, 3, 0);
    }
  }

  // The accessory: takes preset requests and acknowledges them (address,
  // command, start, count), or answers each with an exception.
  void Accessory() {
    while (!m_stop) {
      BYTES frame = ReadExact(m_master, 7, 50);
      if (frame.size() < 7) continue;
      const BYTES rest = ReadExact(m_master, (size_t)frame[6] + 1, (int)TEST_u64SlackMs(1000));
      frame.insert(frame.end(), rest.begin(), rest.end());
      EXPECT_TRUE(SumsToZero(frame));
      frame.pop_back();
      {
        std::lock_guard<std::mutex> lock(m_lock);
        m_frames.push_back(frame);
      }
      if (m_exceptions) {
        WriteFrame(m_master, {frame[0], (U8)(frame[1] | 0x80), 4});
      } else {
        WriteFrame(m_master, BYTES(frame.begin(), frame.begin() + 6));
      }
    }
  }

  E_STATUS Download(const BYTES& image, DESTINATION_ENDIAN_MODE eEndian) {
    void* handle = U_ACCESSORY_pvStartCodeDownload(7, image.data(), (U32)image.size(), M_ACC_REPLY, 0x11223344, 99,
                                                   eEndian);
    EXPECT_NE(nullptr, handle);
    E_STATUS status = DOWNLOAD_FAIL;
    while (handle != nullptr) {
      auto* pMsg = (MSG_SEND_2_ACCESSORY*)L_MBOX_ReceiveWaitTicks(M_ACC_REPLY, 5000);
      EXPECT_NE(nullptr, pMsg);
      if (pMsg == nullptr) break;
      EXPECT_EQ(99u, pMsg->private1);
      status = U_ACCESSORY_eProcessProgramming(handle, pMsg);
      if (status != DOWNLOAD_RUNNING) break;
    }
    return status;
  }
};

// A loader block as the accessory must see it: register 16 on, the sequence
// word, then the words of the image bytes given.
BYTES Block(U16 sequence, const BYTES& head, const U8* data, size_t bytes) {
  const size_t registers = 1 + head.size() / 2 + bytes / 2;
  const U8 start[] = {7, 16, 0, 16, 0, (U8)registers, (U8)(2 * registers), (U8)(sequence >> 8), (U8)sequence};
  // Sized once and filled in place: GCC's -O3 takes appends to a short
  // vector for overruns it cannot rule out.
  BYTES frame(sizeof start + head.size() + bytes);
  std::copy(start, start + sizeof start, frame.begin());
  std::copy(head.begin(), head.end(), frame.begin() + sizeof start);
  if (bytes > 0) std::copy(data, data + bytes, frame.begin() + (long)(sizeof start + head.size()));
  return frame;
}

const BYTES kProgramMode = {7, 16, 0, 5, 0, 1, 2, 0, 2};

struct IMAGE_CASE {
  size_t size;
  DESTINATION_ENDIAN_MODE eEndian;
};
void PrintTo(const IMAGE_CASE& c, std::ostream* os) {
  *os << c.size << (c.eEndian == DESTINATION_BIG_ENDIAN ? " bytes, big-endian" : " bytes, little-endian");
}

class WiredImage : public Wired, public ::testing::WithParamInterface<IMAGE_CASE> {};

TEST_P(WiredImage, SendsProgramModeBlockZeroWholeBlocksAndAMarkedLastBlock) {
  BYTES image(GetParam().size);
  for (size_t i = 0; i < image.size(); i++) image[i] = (U8)(i * 7 + 1);
  const bool little = GetParam().eEndian == DESTINATION_LITTLE_ENDIAN;
  EXPECT_EQ(DOWNLOAD_SUCCESS, Download(image, GetParam().eEndian));

  // A little-endian accessory gets every word's bytes exchanged, the first
  // word's halves too.
  BYTES wire = image;
  if (little) {
    for (size_t i = 0; i < wire.size(); i += 2) std::swap(wire[i], wire[i + 1]);
  }
  const BYTES first = little ? BYTES{0x33, 0x44, 0x11, 0x22} : BYTES{0x11, 0x22, 0x33, 0x44};
  std::vector<BYTES> expected = {kProgramMode, Block(0, first, wire.data(), 60)};
  size_t at = 60;
  U16 sequence = 1;
  for (; image.size() - at > 64; at += 64) expected.push_back(Block(sequence++, {}, wire.data() + at, 64));
  expected.push_back(Block((U16)(sequence | 0x8000), {}, wire.data() + at, image.size() - at));
  std::lock_guard<std::mutex> lock(m_lock);
  EXPECT_EQ(expected, m_frames);
}

INSTANTIATE_TEST_SUITE_P(Sizes, WiredImage,
                         ::testing::Values(IMAGE_CASE{60, DESTINATION_BIG_ENDIAN},
                                           IMAGE_CASE{124, DESTINATION_LITTLE_ENDIAN},
                                           IMAGE_CASE{126, DESTINATION_BIG_ENDIAN}),
                         [](const ::testing::TestParamInfo<IMAGE_CASE>& info) {
                           return std::to_string(info.param.size) +
                                  (info.param.eEndian == DESTINATION_BIG_ENDIAN ? "BytesBigEndian" : "BytesLittleEndian");
                         });

TEST_F(Wired, ARefusingAccessoryIsAskedThreeTimesAndTheDownloadFails) {
  m_exceptions = true;
  EXPECT_EQ(DOWNLOAD_FAIL, Download(BYTES(64, 0xAA), DESTINATION_BIG_ENDIAN));
  std::lock_guard<std::mutex> lock(m_lock);
  EXPECT_EQ(std::vector<BYTES>(3, kProgramMode), m_frames);
}

TEST_F(Wired, RefusesImagesAndFramesBeyondTheFormatAndReadsReplies) {
  EXPECT_EQ(nullptr, U_ACCESSORY_pvStartCodeDownload(7, BYTES(58).data(), 58, M_ACC_REPLY, 0, 0, DESTINATION_BIG_ENDIAN));
  EXPECT_EQ(nullptr, U_ACCESSORY_pvStartCodeDownload(7, BYTES(61).data(), 61, M_ACC_REPLY, 0, 0, DESTINATION_BIG_ENDIAN));
  EXPECT_EQ(nullptr, U_ACCESSORY_pu8GetTxMessageBuffer(128, 7)) << "a byte count of 256";
  EXPECT_FALSE(U_ACCESSORY_bSendReceiveMessage(0, 0, M_ACC_COMM, M_ACC_REPLY, 0, 128, 7));
  U8* pu8 = U_ACCESSORY_pu8GetTxMessageBuffer(127, 7);
  ASSERT_NE(nullptr, pu8);
  EXPECT_EQ(254, pu8[6]);
  H_MEMORY_vFree(pu8);

  const U8 abc[] = {'a', 'b', 'c'};
  EXPECT_EQ(0xFFFFFEDAu, U_ACCESSORY_u32CalculateLRC(abc, 3));  // 0x61 + 0x62 + 0x63 = 0x126, negated
  // 1.5f is 0x3FC00000; registers high byte first.
  const U8 reply[] = {7, 3, 6, 0x12, 0x34, 0x3F, 0xC0, 0x00, 0x00};
  EXPECT_EQ(0x1234, U_ACCESSORY_u16ExtractRegister(reply, 0));
  EXPECT_EQ(1.5f, U_ACCESSORY_fExtractRegisterFloat(reply, 1));

  H_DATABASE_vInit();  // nothing publishes TACC now
  const U64 start = L_CLOCK_qwGetTimeInMillis();
  EXPECT_EQ(0, U_ACCESSORY_mboxFetchAccessoryTaskMailbox(100));
  EXPECT_LT(L_CLOCK_qwGetTimeInMillis() - start, 1000u) << "the look-up is bounded";
  EXPECT_EQ(nullptr, U_ACCESSORY_pvStartCodeDownload(7, BYTES(64).data(), 64, M_ACC_REPLY, 0, 0, DESTINATION_BIG_ENDIAN));
}

}  // namespace
