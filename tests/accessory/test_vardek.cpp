// The anchor protocol between the unit and a peer at the other end of a
// socket pair: what the unit writes, byte for byte, and what it makes of
// the peer's answers, refusals and silence.

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "acc_test_util.h"
#include "u_authentication.h"
#include "u_bluetooth_vardek.h"

namespace {

struct CALL {
  U32 u32Id;
  vardekMsgType eType;
  vardekResultCode eResult;
  int value;  // the callback's first value (mode, left depth, ...), -2 for none
};
std::vector<CALL> g_calls;

int ResultCallback(vardekAddress*, U32 id, vardekMsgType type, vardekMethod, vardekResultCode result, void*) {
  g_calls.push_back({id, type, result, -2});
  return 5;
}
int ModeCallback(vardekAddress*, U32 id, vardekMsgType type, vardekMethod, vardekResultCode result,
                 vardekModeType mode, void*) {
  g_calls.push_back({id, type, result, mode});
  return 6;
}

class Vardek : public ::testing::Test {
 protected:
  int m_fds[2] = {-1, -1};  // the unit's end, the peer's end
  vardekAddress m_peer = {{1, 2, 3, 4, 5, 6}, 1};

  void SetUp() override {
    U_BLUETOOTH_VARDEK_vReset();
    g_calls.clear();
    ASSERT_EQ(0, socketpair(AF_UNIX, SOCK_STREAM, 0, m_fds));
    U_BLUETOOTH_VARDEK_nSetVardekControlMsgCallback(Send, this);
    UseTestKeys();
  }
  void TearDown() override {
    close(m_fds[0]);
    close(m_fds[1]);
  }

  // The transport: every outgoing message composed and written.
  static int Send(vardekMessage* pMsg, void* pThis) {
    U8 buffer[1024];
    const int n = U_BLUETOOTH_VARDEK_nComposeVardekMessage(pMsg, buffer, sizeof buffer);
    return n < 0 ? -1 : (int)write(((Vardek*)pThis)->m_fds[0], buffer, (size_t)n) == n ? 0 : -1;
  }

  static std::string ReadAvailable(int fd) {
    std::string text;
    char buffer[4096];
    // Both ends live in this thread: what was written is there already.
    for (pollfd p = {fd, POLLIN, 0}; poll(&p, 1, 0) == 1;) {
      const ssize_t n = read(fd, buffer, sizeof buffer);
      if (n <= 0) break;
      text.append(buffer, (size_t)n);
    }
    return text;
  }

  std::string PeerReads() { return ReadAvailable(m_fds[1]); }

  // The peer writes; the unit frames, parses and executes what arrives.
  // Returns the results of the execution (-9 for a message that did not parse).
  std::vector<int> PeerWrites(const std::string& text) {
    EXPECT_EQ((ssize_t)text.size(), write(m_fds[1], text.data(), text.size()));
    const std::string got = ReadAvailable(m_fds[0]);
    std::vector<int> results;
    int start = 0, size = 0;
    for (size_t at = 0; U_BLUETOOTH_VARDEK_bCompleteVardekMessage((const U8*)got.data() + at, (int)(got.size() - at),
                                                                  &start, &size);
         at += (size_t)(start + size)) {
      vardekMessage msg;
      if (U_BLUETOOTH_VARDEK_nParseVardekMessage(&m_peer, (const U8*)got.data() + at + start, size, &msg) != 0) {
        results.push_back(-9);
      } else {
        results.push_back(U_BLUETOOTH_VARDEK_nExecuteVardekMessage(&msg));
      }
    }
    return results;
  }

  int Parse(const std::string& text) {
    vardekMessage msg;
    return U_BLUETOOTH_VARDEK_nParseVardekMessage(&m_peer, (const U8*)text.data(), (int)text.size(), &msg);
  }
};

std::string Message(U32 id, const std::string& type, const std::string& method, const std::string& rest) {
  return R"({"apiver":1,"id":)" + std::to_string(id) + R"(,"type":")" + type + R"(","method":")" + method + "\"" +
         rest + "}";
}

TEST_F(Vardek, ComposesTheSetModeCommandLineForLine) {
  EXPECT_EQ(0, U_BLUETOOTH_VARDEK_nSetVardekMode(&m_peer, vardekModeRoughWater, ResultCallback, nullptr));
  EXPECT_EQ(
      "{\n"
      "   \"apiver\" : 1,\n"
      "   \"id\" : 1001,\n"
      "   \"type\" : \"vardekMsgCmd\",\n"
      "   \"method\" : \"setVardekMode\",\n"
      "   \"input\" : {\n"
      "      \"mode\" : \"vardekModeRoughWater\"\n"
      "   }\n"
      "}\n",
      PeerReads());
  EXPECT_EQ(0, U_BLUETOOTH_VARDEK_nGetVardekMode(&m_peer, ModeCallback, nullptr));
  EXPECT_NE(std::string::npos, PeerReads().find("\"id\" : 1002,\n   \"type\" : \"vardekMsgCmd\",\n   \"method\" : "
                                                 "\"getVardekMode\",\n   \"input\" : null\n}\n"));
  U_BLUETOOTH_VARDEK_nSetVardekControlMsgCallback(nullptr, nullptr);
  EXPECT_EQ(-1, U_BLUETOOTH_VARDEK_nCycleVardekLeds(&m_peer, ResultCallback, nullptr)) << "no transport";
}

TEST_F(Vardek, FramesByBraceDepthOutsideStrings) {
  int start = -1, size = -1;
  ASSERT_TRUE(U_BLUETOOTH_VARDEK_bCompleteVardekMessage((const U8*)R"({"a":"}"})", 9, &start, &size));
  EXPECT_EQ(9, size) << "a brace inside a string ends nothing";
  const std::string braces = R"(xx{"a":"}\"{"}{"b":1})";
  ASSERT_TRUE(U_BLUETOOTH_VARDEK_bCompleteVardekMessage((const U8*)braces.data(), (int)braces.size(), &start, &size));
  EXPECT_EQ(2, start);
  EXPECT_EQ(R"({"a":"}\"{"})", braces.substr(2, (size_t)size));
  const std::string rest = braces.substr((size_t)(start + size));
  ASSERT_TRUE(U_BLUETOOTH_VARDEK_bCompleteVardekMessage((const U8*)rest.data(), (int)rest.size(), &start, &size));
  EXPECT_EQ(R"({"b":1})", rest.substr((size_t)start, (size_t)size));
  EXPECT_FALSE(U_BLUETOOTH_VARDEK_bCompleteVardekMessage((const U8*)"ab{\"c\":{}", 9, &start, &size));
  EXPECT_EQ(2, start) << "an unfinished message is kept from its brace";
  EXPECT_EQ(0, size);
}

TEST_F(Vardek, RefusesMalformedHeadersAndParameterSets) {
  const std::string rsp = R"(,"result":"vardekResultSuccess","output":{"mode":"vardekModeStandard"})";
  EXPECT_EQ(0, Parse(Message(7, "vardekMsgRsp", "getVardekMode", rsp)));
  EXPECT_EQ(0, Parse(R"({"output":{"mode":"vardekModeStandard"},"result":"vardekResultSuccess","method":"getVardekMode",)"
                     R"("type":"vardekMsgRsp","id":7,"apiver":1})"))
      << "any order";
  const std::string bad[] = {
      R"({"apiver":2,"id":7,"type":"vardekMsgNak","method":"getVardekMode"})",
      R"({"apiver":1,"id":"7","type":"vardekMsgNak","method":"getVardekMode"})",
      Message(7, "vardekMsgNak", "getVardekMode", R"(,"extra":1)"),
      Message(7, "vardekMsgRsp", "getVardekMode", R"(,"output":{"mode":"vardekModeStandard"})"),
      Message(7, "vardekMsgNak", "getVardekMode", R"(,"result":"vardekResultSuccess")"),
      Message(7, "vardekMsgRsp", "getVardekMode", R"(,"result":"vardekResultSuccess","output":{"mode":"vardekModeUnknown"})"),
      Message(7, "vardekMsgRsp", "getVardekMode", R"(,"result":"vardekResultSuccess","output":{"mode":1})"),
      Message(7, "vardekMsgRsp", "getVardekState",
              R"(,"result":"vardekResultSuccess","output":{"leftState":"vardekStateHome","rightState":"vardekStateHome","leftDepth":3})"),
      Message(7, "vardekMsgNotify", "getVardekMode", R"(,"notify":{"mode":"vardekModeStandard"})"),
      Message(7, "vardekMsgCmd", "forgetDevice", R"(,"input":{"macAddress":"01:23:45"})"),
  };
  for (const std::string& text : bad) EXPECT_EQ(-1, Parse(text)) << text;
  vardekMessage msg;
  const std::string mac = Message(7, "vardekMsgCmd", "forgetDevice", R"(,"input":{"macAddress":"01:23:45:67:89:AB"})");
  ASSERT_EQ(0, U_BLUETOOTH_VARDEK_nParseVardekMessage(&m_peer, (const U8*)mac.data(), (int)mac.size(), &msg));
  EXPECT_EQ(0x01, msg.sVardekParams.tBdMacAddress.BD_ADDR5);
  EXPECT_EQ(0xAB, msg.sVardekParams.tBdMacAddress.BD_ADDR0);
  U8 text[512];
  const int n = U_BLUETOOTH_VARDEK_nComposeVardekMessage(&msg, text, sizeof text);
  EXPECT_NE(std::string::npos, std::string((char*)text, (size_t)n).find("\"macAddress\" : \"01:23:45:67:89:AB\""));
  EXPECT_EQ(-1, U_BLUETOOTH_VARDEK_nComposeVardekMessage(&msg, text, n)) << "one byte short of the terminator";
}

TEST_F(Vardek, AnswersReachTheirCallbacksByIdAndTheTableHoldsThirtyTwo) {
  for (int i = 0; i < 33; i++) U_BLUETOOTH_VARDEK_nGetVardekMode(&m_peer, ModeCallback, nullptr);
  PeerReads();
  const std::string rsp = R"(,"result":"vardekResultSuccess","output":{"mode":"vardekModeSoftBottom"})";
  EXPECT_EQ(std::vector<int>({6, -1}), PeerWrites(Message(1001, "vardekMsgRsp", "getVardekMode", rsp) +
                                                   Message(1033, "vardekMsgRsp", "getVardekMode", rsp)))
      << "two messages in one read; the 33rd command got no row";
  ASSERT_EQ(1u, g_calls.size());
  EXPECT_EQ(1001u, g_calls[0].u32Id);
  EXPECT_EQ(vardekModeSoftBottom, g_calls[0].value);
  EXPECT_EQ(std::vector<int>({-1}), PeerWrites(Message(1001, "vardekMsgRsp", "getVardekMode", rsp)))
      << "a one-time row is gone after its answer";
}

TEST_F(Vardek, AnUnansweredRequestTimesOutOnceAfterTwentyTicks) {
  U_BLUETOOTH_VARDEK_nGetVardekMode(&m_peer, ModeCallback, nullptr);
  for (int i = 0; i < 19; i++) U_BLUETOOTH_VARDEK_vTimerTick();
  EXPECT_TRUE(g_calls.empty());
  U_BLUETOOTH_VARDEK_vTimerTick();
  ASSERT_EQ(1u, g_calls.size());
  EXPECT_EQ(vardekResultTimeout, g_calls[0].eResult);
  EXPECT_EQ(vardekModeUnknown, g_calls[0].value);
  for (int i = 0; i < 40; i++) U_BLUETOOTH_VARDEK_vTimerTick();
  EXPECT_EQ(1u, g_calls.size());
  for (int i = 0; i < 32; i++) U_BLUETOOTH_VARDEK_nGetVardekMode(&m_peer, ModeCallback, nullptr);
  const std::string rsp = R"(,"result":"vardekResultSuccess","output":{"mode":"vardekModeStandard"})";
  EXPECT_EQ(std::vector<int>({6}), PeerWrites(Message(1033, "vardekMsgRsp", "getVardekMode", rsp)))
      << "the timed-out row was freed for the 32 after it";
}

TEST_F(Vardek, ANakReachesTheWaitingCallbackOnce) {
  U_BLUETOOTH_VARDEK_nSetVardekLeds(&m_peer, vardekLedWork, vardekIntensityHigh, ResultCallback, nullptr);
  EXPECT_EQ(std::vector<int>({5, 0}), PeerWrites(Message(1001, "vardekMsgNak", "setVardekLeds", "") +
                                                  Message(1001, "vardekMsgNak", "setVardekLeds", "")));
  ASSERT_EQ(1u, g_calls.size());
  EXPECT_EQ(vardekMsgNak, g_calls[0].eType);
  EXPECT_EQ(vardekResultInvalidHeader, g_calls[0].eResult);
}

TEST_F(Vardek, AnswersDeviceInfoAndChallengesUnderKnownKeysOnly) {
  BD_ADDR_t self = {0x66, 0x55, 0x44, 0x33, 0x22, 0x11};
  U_BLUETOOTH_VARDEK_nSetDeviceInfo(&self, vardekPeerTypeVorne, "Velmora 7", "SN1", 2000);
  EXPECT_EQ(std::vector<int>({0}), PeerWrites(Message(42, "vardekMsgCmd", "getDeviceInfo", R"(,"input":null)")));
  const std::string info = PeerReads();
  EXPECT_EQ(0, Parse(info)) << info;
  for (const char* line : {"\"id\" : 42,", "\"result\" : \"vardekResultNoMoreDevices\"", "\"deviceName\" : \"Velmora 7\"",
                           "\"macAddress\" : \"11:22:33:44:55:66\"", "\"version\" : 2000", "\"connected\" : true"}) {
    EXPECT_NE(std::string::npos, info.find(line)) << line;
  }

  const U64 secret = 123456789;
  U64* cipher = U_AUTHENTICATION_ullConvertToCiphertext(7, 1, &secret);
  ASSERT_NE(nullptr, cipher);
  const std::string input = R"(,"input":{"encryptionKey":7,"data":)" + std::to_string(*cipher) + "}";
  free(cipher);
  EXPECT_EQ(std::vector<int>({0}), PeerWrites(Message(43, "vardekMsgCmd", "authChallenge", input)));
  EXPECT_NE(std::string::npos, PeerReads().find("\"output\" : {\n      \"data\" : 123456789\n   }"));
  EXPECT_EQ(std::vector<int>({-1}),
            PeerWrites(Message(44, "vardekMsgCmd", "authChallenge", R"(,"input":{"encryptionKey":10,"data":5})")));
  EXPECT_EQ(std::vector<int>({-1}), PeerWrites(Message(45, "vardekMsgCmd", "deployVardek",
                                                       R"(,"input":{"target":"vardekTargetAll"})")))
      << "commands the unit does not take";
  EXPECT_EQ("", PeerReads()) << "refusals are not answered";

  const std::string name32 = std::string(32, 'n');
  const std::string device = R"(,"result":"vardekResultSuccess","output":{"designation":"vardekDesignationLeft",)"
                             R"("macAddress":"01:02:03:04:05:06","peerType":"vardekPeerTypeVardek","version":1,)"
                             R"("connected":false,"battery":80,"serialNumber":"S","deviceName":")";
  EXPECT_EQ(0, Parse(Message(1, "vardekMsgRsp", "getDeviceInfo", device + name32 + "\"}")));
  EXPECT_EQ(-1, Parse(Message(1, "vardekMsgRsp", "getDeviceInfo", device + name32 + "n\"}"))) << "33 characters";
}

}  // namespace
