// XMODEM against lrzsz on a pseudo-terminal line, both ways and in both
// block sizes; a peer that loses an ACK or corrupts blocks; and scripted
// peers for the failures that must never read as success.

#include <stdio.h>

#include <deque>

#include "pclink_line.h"
#include "xmodem_script.h"

namespace {

using namespace pclink;

// Python's binascii.crc_hqx(data, 0) of each buffer, one hex value a line.
std::vector<unsigned> PythonCrcs(const std::vector<std::vector<U8>>& buffers, const std::string& dir) {
  std::string script = "import binascii,sys\nfor h in sys.stdin.read().split():\n"
                       "  print('%x' % binascii.crc_hqx(bytes.fromhex(h), 0))\n";
  WriteFile(dir + "/crc.py", std::vector<U8>(script.begin(), script.end()));
  std::string hex;
  for (const auto& b : buffers) {
    for (U8 byte : b) {
      char two[3];
      snprintf(two, sizeof two, "%02x", byte);
      hex += two;
    }
    hex += "\n";
  }
  WriteFile(dir + "/in.hex", std::vector<U8>(hex.begin(), hex.end()));
  FILE* p = popen(("python3 " + dir + "/crc.py < " + dir + "/in.hex").c_str(), "r");
  std::vector<unsigned> crcs;
  unsigned v;
  while (p != nullptr && fscanf(p, "%x", &v) == 1) crcs.push_back(v);
  if (p != nullptr) pclose(p);
  return crcs;
}

TEST(XmodemCrc, IsTheStandardCheckValueAndAgreesWithPythonsCrcHqx) {
  EXPECT_EQ(0x31C3, U_XMODEM_u16Crc((const U8*)"123456789", 9));
  std::vector<std::vector<U8>> buffers;
  for (unsigned i = 0; i < 40; i++) buffers.push_back(Random(i * 37 % 1100 + 1, i));
  const std::string dir = TEST_MakeTempDir("velmora-crc");
  const std::vector<unsigned> expected = PythonCrcs(buffers, dir);
  ASSERT_EQ(buffers.size(), expected.size());
  for (size_t i = 0; i < buffers.size(); i++) {
    EXPECT_EQ(expected[i], U_XMODEM_u16Crc(buffers[i].data(), (U32)buffers[i].size())) << i;
  }
  std::filesystem::remove_all(dir);
}

class Lrzsz : public PcLine {
 protected:
  // The unit sends; rx keeps what it receives.
  void SendToRx(const std::vector<U8>& data, const std::string& options = "") {
    auto peer = Peer("exec rx -X -c -b " + options + " out.bin");
    std::vector<U8> bytes = data;
    EXPECT_TRUE(U_XMODEM_bTransmit(2, bytes.data(), (S32)bytes.size(), nullptr, nullptr)) << data.size();
    TEST_RESULT r = TEST_Finish(std::move(peer), 20000);
    EXPECT_EQ(0, r.status) << r.err;
    EXPECT_TRUE(Padded(data, 1024) == ReadFile(m_dir + "/out.bin")) << data.size();
  }

  // sx sends; the unit receives into one buffer.
  void ReceiveFromSx(const std::vector<U8>& data, const std::string& options, size_t block) {
    WriteFile(m_dir + "/in.bin", data);
    auto peer = Peer("exec sx -X -b " + options + " in.bin");
    std::vector<U8> buffer(data.size() + 2048);
    S32 s32Size = (S32)buffer.size();
    EXPECT_TRUE(U_XMODEM_bReceive(2, buffer.data(), &s32Size, nullptr, nullptr)) << data.size();
    buffer.resize((size_t)s32Size);
    // sx sends a short end in 128-byte blocks even when asked for 1 KB.
    EXPECT_TRUE(Padded(data, 128) == buffer || Padded(data, block) == buffer)
        << data.size() << " bytes in blocks of " << block << " arrived as " << s32Size;
    EXPECT_EQ(0, TEST_Finish(std::move(peer), 20000).status);
  }
};

const size_t kSizes[] = {0, 1, 1023, 1024, 1025, 1 << 20};

TEST_F(Lrzsz, TheUnitSendsEverySizeToRx) {
  ASSERT_NO_FATAL_FAILURE(OpenSocatLine());
  for (size_t size : kSizes) SendToRx(Random(size, (unsigned)size));
}

TEST_F(Lrzsz, SxSendsEverySizeToTheUnitIn1kAnd128ByteBlocks) {
  ASSERT_NO_FATAL_FAILURE(OpenSocatLine());
  for (size_t size : kSizes) ReceiveFromSx(Random(size, (unsigned)size + 1), "-k", 1024);
  for (size_t size : kSizes) {
    if (size < (1 << 20)) ReceiveFromSx(Random(size, (unsigned)size + 2), "", 128);
  }
}

TEST_F(Lrzsz, ATransferToARxThatFindsCrcErrorsStillCompletes) {
  ASSERT_NO_FATAL_FAILURE(OpenSocatLine());
  SendToRx(Random(8000, 7), "--errors 3000");
}

// sx waits a second for an answer, then sends the block again.
TEST_F(Lrzsz, ABlockRepeatedAfterALostAckIsAcknowledgedAndKeptOnce) {
  std::atomic<int> acks{0};
  ASSERT_NO_FATAL_FAILURE(OpenRelayLine([&](U8 byte) { return byte != XMODEM_ACK || ++acks != 2; }));
  const std::vector<U8> data = Random(5000, 11);
  WriteFile(m_dir + "/in.bin", data);
  auto peer = Peer("exec sx -X -k -b -t 10 in.bin");
  std::vector<U8> buffer(8192);
  S32 s32Size = (S32)buffer.size();
  EXPECT_TRUE(U_XMODEM_bReceive(2, buffer.data(), &s32Size, nullptr, nullptr));
  buffer.resize((size_t)s32Size);
  EXPECT_TRUE(Padded(data, 1024) == buffer);
  EXPECT_GE(acks.load(), 3) << "an ACK was lost";
  EXPECT_EQ(0, TEST_Finish(std::move(peer), 20000).status) << "sx saw its file through";
}

// A PC that answers the end with its ACK and its next request in one write:
// the request is left for the channel's owner, in the receive queue.
TEST_F(Lrzsz, BytesThatFollowTheLastAckAreLeftForTheChannelsOwner) {
  ASSERT_NO_FATAL_FAILURE(OpenSocatLine());
  const std::string script =
      "import os\n"
      "def take(n):\n"
      "  got = b''\n"
      "  while len(got) < n: got += os.read(0, n - len(got))\n"
      "os.write(1, b'C')\n"
      "take(1029)\n"
      "os.write(1, b'\\x06')\n"
      "take(1)\n"
      "os.write(1, b'\\x06#NEXT\\r\\n')\n";
  WriteFile(m_dir + "/pc.py", std::vector<U8>(script.begin(), script.end()));
  auto peer = Peer("exec python3 pc.py");
  std::vector<U8> data = Random(1024, 21);
  EXPECT_TRUE(U_XMODEM_bTransmit(2, data.data(), (S32)data.size(), nullptr, nullptr));
  std::string next;
  U16 entry = 0;
  while (next.size() < 7 && L_QUEUE_GetWaitTicks(T_UART_nGetQueue(2, FALSE), &entry, 5000) == 0) next += (char)entry;
  EXPECT_EQ("#NEXT\r\n", next);
  TEST_Finish(std::move(peer), 20000);
}

// ---------------------------------------------------------------------------
// Scripted peers

using namespace xmscript;

// Each scripted case on a line spoken to byte by byte and on one spoken to
// in blocks.
class Scripted : public ::testing::TestWithParam<const XMODEM_LINK*> {
 protected:
  void SetUp() override {
    TEST_vInitServiceLayer();
    U_XMODEM_vSetLink(GetParam());
    Reset();
  }
  void TearDown() override { U_XMODEM_vSetLink(nullptr); }

  static void Add(const std::vector<U8>& bytes) { g_script.insert(g_script.end(), bytes.begin(), bytes.end()); }

  static BOOLEAN Receive(S32* ps32Size) {
    static U8 buffer[8192];
    *ps32Size = sizeof buffer;
    return U_XMODEM_bReceive(2, buffer, ps32Size, nullptr, nullptr);
  }
};

TEST_P(Scripted, OnlyAnAcknowledgedEndAfterWholeBlocksIsSuccess) {
  const std::vector<U8> block(128, 0x55);
  S32 s32Size;
  Add(Packet(XMODEM_SOH, 1, 254, block));
  Add({XMODEM_EOT, XMODEM_EOT});
  EXPECT_TRUE(Receive(&s32Size));
  EXPECT_EQ(128, s32Size);
  EXPECT_EQ(std::vector<U8>({'C', XMODEM_ACK, XMODEM_NAK, XMODEM_ACK}), g_sent);

  // The first EOT and then silence, or a CAN: failure.
  SetUp();
  Add(Packet(XMODEM_SOH, 1, 254, block));
  Add({XMODEM_EOT});
  EXPECT_FALSE(Receive(&s32Size));
  SetUp();
  Add({XMODEM_EOT, XMODEM_CAN});
  EXPECT_FALSE(Receive(&s32Size));
}

TEST_P(Scripted, ACorruptedBlockNumberOrAnEotInsideABadPacketIsNeverSuccess) {
  std::vector<U8> eots(1024, XMODEM_EOT);
  S32 s32Size;
  // A wrong block number: the rest of the packet is let go by, then NAK.
  Add(Packet(XMODEM_STX, 1, 254, Random(1024, 3)));
  Add(Packet(XMODEM_STX, 7, 248, eots));
  EXPECT_FALSE(Receive(&s32Size));
  EXPECT_EQ(std::vector<U8>({'C', XMODEM_ACK, XMODEM_NAK}), g_sent) << "no ACK for anything in the bad packet";

  // A bad complement before data bytes of 0x04.
  SetUp();
  Add(Packet(XMODEM_STX, 1, 0, eots));
  EXPECT_FALSE(Receive(&s32Size));
  EXPECT_EQ(0, std::count(g_sent.begin(), g_sent.end(), XMODEM_ACK));
}

TEST_P(Scripted, APeerThatStopsMidFileFailsAndAFullBufferIsCancelled) {
  S32 s32Size;
  std::vector<U8> cut = Packet(XMODEM_STX, 1, 254, Random(1024, 4));
  cut.resize(600);
  Add(cut);
  EXPECT_FALSE(Receive(&s32Size));
  EXPECT_EQ(0, s32Size);

  SetUp();
  for (int i = 1; i <= 9; i++) Add(Packet(XMODEM_STX, (U8)i, (U8)(255 - i), Random(1024, i)));
  EXPECT_FALSE(Receive(&s32Size));
  EXPECT_EQ(8192, s32Size);
  EXPECT_EQ(8, std::count(g_sent.begin(), g_sent.end(), XMODEM_CAN));
}

TEST_P(Scripted, TheSenderGivesUpAfterTwoMinutesOfNoCrcRequestHoweverChattyTheLine) {
  U8 data[10] = {};
  // A NAK every 100 ms for 200 s: the line is never quiet, yet no 'C' comes.
  g_u32ByteTicks = 100;
  for (int i = 0; i < 2000; i++) Add({XMODEM_NAK});
  EXPECT_FALSE(U_XMODEM_bTransmit(2, data, sizeof data, nullptr, nullptr));
  EXPECT_TRUE(g_sent.empty());
  EXPECT_GE(g_u64Now, 120000u);
  EXPECT_LE(g_u64Now, 121000u);
}

INSTANTIATE_TEST_SUITE_P(Lines, Scripted, ::testing::Values(&kScripted, &kScriptedBlocks),
                         [](const ::testing::TestParamInfo<const XMODEM_LINK*>& info) {
                           return info.param == &kScripted ? std::string("Bytes") : std::string("Blocks");
                         });

}  // namespace
