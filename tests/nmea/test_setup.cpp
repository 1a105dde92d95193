// What the NMEA task says to its receivers: the binary messages byte for
// byte, the scan through the rates of a silent line, a baud change that
// reaches a receiver whatever rate it listens at, and a SiRF-type receiver
// taken through its binary protocol to SBAS and back.

#include <functional>
#include <mutex>
#include <thread>

#include "nmea_line.h"

namespace {

using namespace nmt;

std::string Hex(const U8* p, int n) {
  std::string out;
  char two[4];
  for (int i = 0; i < n; i++) {
    snprintf(two, sizeof two, "%02X ", p[i]);
    out += two;
  }
  return out.empty() ? out : out.substr(0, out.size() - 1);
}

TEST(ReceiverMessages, CarryTheirChecksums) {
  U8 frame[64];
  int n = T_NMEA_nGnssConfiguration(FALSE, frame, (int)sizeof frame);
  ASSERT_EQ(52, n);
  EXPECT_EQ("1C 8B", Hex(frame + n - 2, 2)) << "GLONASS off";
  n = T_NMEA_nGnssConfiguration(TRUE, frame, (int)sizeof frame);
  EXPECT_EQ("1E 91", Hex(frame + n - 2, 2)) << "GLONASS on";

  const U8 inf[] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00};
  n = T_NMEA_nUbxFrame(0x06, 0x02, inf, (int)sizeof inf, frame, (int)sizeof frame);
  EXPECT_EQ("B5 62 06 02 08 00 01 00 00 00 00 04 00 00 15 C2", Hex(frame, n));
  const U8 sbas[] = {0x03, 0x03, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00};
  n = T_NMEA_nUbxFrame(0x06, 0x16, sbas, (int)sizeof sbas, frame, (int)sizeof frame);
  EXPECT_EQ("B5 62 06 16 08 00 03 03 01 00 00 00 00 00 2B BD", Hex(frame, n));

  const U8 dgps[] = {0x85, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00};
  n = T_NMEA_nSirfFrame(dgps, (int)sizeof dgps, frame, (int)sizeof frame);
  EXPECT_EQ("A0 A2 00 07 85 01 00 00 00 00 00 00 86 B0 B3", Hex(frame, n));
  const U8 toNmea[] = {0x81, 0x02, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01,
                       0x00, 0x01, 0x00, 0x01, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0x96, 0x00};
  n = T_NMEA_nSirfFrame(toNmea, (int)sizeof toNmea, frame, (int)sizeof frame);
  EXPECT_EQ("01 27 B0 B3", Hex(frame + n - 4, 4));
  EXPECT_EQ(0, T_NMEA_nSirfFrame(toNmea, (int)sizeof toNmea, frame, 20)) << "too small a buffer";
}

class Setup : public Line {};

// The pieces of what call() sends on the GPS line, each with the speed it
// went out at. The test stands in the UART task's place for the rate
// changes: before passing each on it reads off the far end all the line has
// sent, which the NMEA task has seen out before asking for the change. A
// reader beside the line, on a starved machine, could read a piece only
// after the next change.
std::vector<std::pair<speed_t, std::string>> SentAtEachRate(int master, int slave, const std::function<void()>& call) {
  std::vector<std::pair<speed_t, std::string>> got;
  std::atomic<bool> bDone{false};
  std::thread tap([&] {
    while (!bDone) {
      GENERIC_MESSAGE* pMsg = nullptr;
      WaitFor([&] { return bDone || (pMsg = (GENERIC_MESSAGE*)L_MBOX_Receive(M_BT_REMOTE)) != nullptr; }, 1000);
      if (pMsg == nullptr) continue;
      struct termios tio;
      tcgetattr(slave, &tio);
      const std::string piece = ReadFar(master, 20);
      if (!piece.empty()) got.push_back({cfgetospeed(&tio), piece});
      L_MBOX_Send(M_COM1A, pMsg, pMsg->msghdr.MsgPriority, pMsg->msghdr.sema);
    }
  });
  H_DATABASE_bUpdateEverythingU32(FCID("TURT"), (U32)M_BT_REMOTE, P_NORMAL, D_MAILBOX, nullptr, DB_NEVER_STALE);
  call();
  H_DATABASE_bUpdateEverythingU32(FCID("TURT"), (U32)M_COM1A, P_NORMAL, D_MAILBOX, nullptr, DB_NEVER_STALE);
  bDone = true;
  tap.join();
  return got;
}

TEST_F(Setup, ABaudChangeSpeaksAtEveryRateAndEndsAtTheNewOneOrAt4800ForPointOfSale) {
  ASSERT_NO_FATAL_FAILURE(StartUart(false));
  NMEA_PORT_INFO* p = T_NMEA_pInitPortInfo(ID_EXTERNAL_GPS);
  ASSERT_NE(nullptr, p);
  p->eGPSType = GPS_TYPE_UBLOX;
  const std::string command = WithChecksum("PUBX,41,1,0007,0003,38400,0");
  for (U32 state : {(U32)STATE_NORMAL_RUN, (U32)STATE_POINT_OF_SALE}) {
    g_NMEA.u32SystemState = state;
    const auto got = SentAtEachRate(master[2], slave[2], [p] { T_NMEA_vChangeBaudRate(38400, p); });
    std::string all;
    std::vector<speed_t> speeds;
    for (const auto& g : got) {
      all += g.second;
      if (speeds.empty() || speeds.back() != g.first) speeds.push_back(g.first);
    }
    if (state == STATE_NORMAL_RUN) {
      EXPECT_EQ(command + command + command, all);
      EXPECT_EQ((std::vector<speed_t>{B4800, B9600, B38400}), speeds);
      EXPECT_EQ(38400u, T_UART_u32CurrentBaudRate(2));
    } else {
      EXPECT_EQ(3 * WithChecksum("PUBX,41,1,0007,0003,4800,0").size(), all.size()) << all;
      EXPECT_EQ(4800u, T_UART_u32CurrentBaudRate(2));
    }
  }
  g_NMEA.u32SystemState = STATE_NORMAL_RUN;
}

TEST_F(Setup, ASilentLineCyclesThroughTheRatesUntilItsChannelIsLocked) {
  ASSERT_NO_FATAL_FAILURE(StartUart(false));
  NMEA_PORT_INFO* p = T_NMEA_pInitPortInfo(ID_EXTERNAL_GPS);
  ASSERT_NE(nullptr, p);
  g_NMEA.u32SystemState = STATE_NORMAL_RUN;
  T_NMEA_pPortScanStatus(2)->bLocked = FALSE;
  std::vector<int> rates;
  for (int tick = 0; tick < 5; tick++) {
    T_NMEA_vHandleScanBaudRate(p, 1, 1);
    rates.push_back(p->pSerialInfo->nNewBaudRate);
  }
  EXPECT_EQ((std::vector<int>{38400, 9600, 4800, 38400, 9600}), rates);
  EXPECT_TRUE(WaitFor([] { return T_UART_u32CurrentBaudRate(2) == 9600; }, 2000));
  T_NMEA_pPortScanStatus(2)->bLocked = TRUE;
  T_NMEA_vHandleScanBaudRate(p, 1, 1);
  EXPECT_EQ(9600, p->pSerialInfo->nNewBaudRate) << "locked";
  T_NMEA_pPortScanStatus(2)->bLocked = FALSE;
}

// The external GPS port of a running system, its line scanned.
void ScanningPort(NMEA_PORT_INFO** ppPort) {
  ASSERT_NO_FATAL_FAILURE(StartUart(false));
  *ppPort = T_NMEA_pInitPortInfo(ID_EXTERNAL_GPS);
  ASSERT_NE(nullptr, *ppPort);
  g_NMEA.u32SystemState = STATE_NORMAL_RUN;
  g_NMEA.bIgnoreInput = FALSE;
  T_NMEA_pPortScanStatus(2)->bLocked = FALSE;
}

// Lines queued as the UART task queues them, waiting for the NMEA task when
// the scan's next change of rate falls due.
TEST_F(Setup, WhatCameInBeforeTheScanChangesTheRateIsReadAndAHeardReceiverKeepsItsRate) {
  NMEA_PORT_INFO* p = nullptr;
  ASSERT_NO_FATAL_FAILURE(ScanningPort(&p));
  const auto queue = [](const std::string& line) {
    for (char c : line) {
      const U16 entry = (U8)c;
      ASSERT_EQ(0, L_QUEUE_Put(Q_RECEIVE_UART2, &entry));
    }
  };
  T_NMEA_vHandleScanBaudRate(p, 1, 1);  // 38400, the rate it runs at
  queue(WithChecksum("PQVM100,3B,01"));
  T_NMEA_vHandleScanBaudRate(p, 1, 1);
  GENERIC_MESSAGE* pMsg = (GENERIC_MESSAGE*)L_MBOX_Receive(M_BT_REMOTE);
  EXPECT_NE(nullptr, pMsg) << "the dongle's button";
  H_MEMORY_vDumpMail(pMsg);
  EXPECT_EQ(9600, p->pSerialInfo->nBaudRate) << "the dongle is no receiver: the scan goes on";

  queue(WithChecksum("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,"));
  T_NMEA_vHandleScanBaudRate(p, 1, 1);
  EXPECT_TRUE(p->bSentenceReceived);
  EXPECT_EQ(9600, p->pSerialInfo->nBaudRate);
  EXPECT_EQ(9600, p->pSerialInfo->nNewBaudRate);
  EXPECT_EQ(0, L_QUEUE_Inquire(Q_RECEIVE_UART2));
}

// The dongle's acknowledgements queued while the scan changes the rate at
// every step: each is heard, none lost to the change.
TEST_F(Setup, SentencesQueuedWhileTheScanChangesTheRateAreAllHeard) {
  NMEA_PORT_INFO* p = nullptr;
  ASSERT_NO_FATAL_FAILURE(ScanningPort(&p));
  constexpr int kAcks = 300;
  const std::string ack = WithChecksum("PQVM125,5A");
  std::atomic<bool> bDone{false};
  std::thread dongle([&] {
    for (int i = 0; i < kAcks; i++) {
      for (char c : ack) {
        const U16 entry = (U8)c;
        while (L_QUEUE_Put(Q_RECEIVE_UART2, &entry) != 0) std::this_thread::yield();
      }
    }
    bDone = true;
  });
  int heard = 0;
  const auto take = [&heard] {
    while (GENERIC_MESSAGE* pMsg = (GENERIC_MESSAGE*)L_MBOX_Receive(M_BT_REMOTE)) {
      heard++;
      H_MEMORY_vDumpMail(pMsg);
    }
  };
  while (!bDone) {
    T_NMEA_vHandleScanBaudRate(p, 1, 1);
    take();
  }
  dongle.join();
  while (L_QUEUE_Inquire(Q_RECEIVE_UART2) > 0) T_NMEA_vHandleReceive(FALSE, p);
  take();
  EXPECT_EQ(kAcks, heard);
  EXPECT_FALSE(p->bSentenceReceived) << "the dongle is no receiver";
}

// A SiRF-type receiver's binary message (a command acknowledgement).
std::string BinaryAnswer(void) {
  const U8 payload[] = {0x0B, 0x81};
  U8 frame[16];
  const int n = T_NMEA_nSirfFrame(payload, (int)sizeof payload, frame, (int)sizeof frame);
  return std::string((const char*)frame, (size_t)n);
}

const std::string kToBinary = WithChecksum("PSRF100,0,38400,8,1,0");
const std::string kSelectSbas("\xA0\xA2\x00\x07\x85\x01", 6);
const std::string kToNmea("\xA0\xA2\x00\x18\x81\x02", 6);

size_t Count(const std::string& all, const std::string& what) {
  size_t n = 0;
  for (size_t at = all.find(what); at != std::string::npos; at = all.find(what, at + 1)) n++;
  return n;
}

TEST_F(Setup, BinaryMessagesAreToldFromNoiseAndLeaveTheSentencesAlone) {
  NMEA_PORT_INFO* p = T_NMEA_pInitPortInfo(ID_EXTERNAL_GPS);
  ASSERT_NE(nullptr, p);
  auto feed = [&](const std::string& bytes) {
    for (char c : bytes) T_NMEA_bFrameEntry(p, (U8)c);
  };
  std::string bad = BinaryAnswer();
  bad[6] ^= 1;
  feed(bad + "\xA0\xA2\x7F\xFF" + WithChecksum("PQVM999"));
  EXPECT_FALSE(p->bBinaryMsgReceived) << "bad sum, impossible length";
  EXPECT_TRUE(p->bSentenceReceived) << "the sentence after them";
  feed("\xA0" + BinaryAnswer());
  EXPECT_TRUE(p->bBinaryMsgReceived);

  // Heard only in binary while offline: a SiRF-type receiver.
  g_NMEA.u32SystemState = STATE_NORMAL_RUN;
  p = T_NMEA_pInitPortInfo(ID_EXTERNAL_GPS);
  feed(BinaryAnswer());
  T_NMEA_vPortTick(p);
  EXPECT_EQ(NMEA_STATE_NAVMAN_SBAS_1, p->eState);
  EXPECT_EQ(GPS_TYPE_NAVMAN, p->eGPSType);
}

// A SiRF-type receiver online at 38400 that does not answer the switch to
// binary: three tries, then it either goes on without SBAS (it still speaks
// NMEA) or is told to speak NMEA and looked for again (it says nothing).
TEST_F(Setup, AReceiverThatNeverAnswersInBinaryIsTriedThreeTimes) {
  ASSERT_NO_FATAL_FAILURE(StartUart());
  g_NMEA.u32SystemState = STATE_NORMAL_RUN;
  g_NMEA.bNmeaOutOn = FALSE;
  for (bool bSpeaksNmea : {false, true}) {
    NMEA_PORT_INFO* p = T_NMEA_pInitPortInfo(ID_EXTERNAL_GPS);
    ASSERT_NE(nullptr, p);
    p->eGPSType = GPS_TYPE_NAVMAN;
    p->eState = NMEA_STATE_ONLINE;
    ReadFar(master[2], 20);
    int ticks = 0;
    do {
      if (bSpeaksNmea) p->bSentenceReceived = TRUE, p->nDataTimeout = 0;
      T_NMEA_vPortTick(p);
    } while (p->eState == NMEA_STATE_NAVMAN_SBAS_1 && ++ticks < 100);
    const std::string sent = ReadFar(master[2], 200);
    EXPECT_EQ(3u, Count(sent, kToBinary)) << bSpeaksNmea;
    EXPECT_EQ(0u, Count(sent, kSelectSbas)) << bSpeaksNmea;
    if (bSpeaksNmea) {
      EXPECT_EQ(NMEA_STATE_ONLINE, p->eState);
      EXPECT_TRUE(p->bConfiguredNavmanSBAS);
      EXPECT_EQ(7u, Count(sent, "$PSRF103,"));
      T_NMEA_vPortTick(p);
      EXPECT_EQ(NMEA_STATE_ONLINE, p->eState) << "not tried again";
    } else {
      EXPECT_EQ(1u, Count(sent, kToNmea));
      EXPECT_LT(sent.rfind(kToBinary), sent.find(kToNmea));
      EXPECT_EQ(NMEA_STATE_OFFLINE, p->eState);
      EXPECT_EQ(GPS_TYPE_DISCONNECTED, p->eGPSType);
    }
  }
}

// A receiver that keeps to plain NMEA, a fix every tick for 20 s: asked who
// it is once and then left alone. Fallen silent, it is warm-started and
// looked for again without a word to it; NMEA output turned on moves only
// the line to 4800 baud; and a line handed back hears no query.
TEST_F(Setup, APlainNmeaReceiverIsAskedWhoItIsOnceAndNeverConfigured) {
  NMEA_PORT_INFO* p = nullptr;
  ASSERT_NO_FATAL_FAILURE(ScanningPort(&p));
  g_NMEA.s8AcquisitionPeriod = -1;
  g_NMEA.bNmeaOutOn = FALSE;
  g_NMEA.bChannel2Released = FALSE;
  const std::string fix = WithChecksum("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,");
  ReadFar(master[2], 20);
  for (int tick = 0; tick < 40; tick++) {
    for (char c : fix) T_NMEA_bFrameEntry(p, (U8)c);
    T_NMEA_vPortTick(p);
  }
  const std::string asked = ReadFar(master[2], 200);
  EXPECT_EQ(1u, Count(asked, "$PUBX,04*")) << asked;
  EXPECT_EQ(1u, Count(asked, "$PSRF101,")) << asked;
  EXPECT_EQ(6u, Count(asked, "$PUBX,40,")) << asked;
  EXPECT_EQ(NMEA_STATE_ONLINE, p->eState);
  EXPECT_EQ(GPS_TYPE_LEGACY, p->eGPSType);

  for (int tick = 0; tick < 20 && p->eState == NMEA_STATE_ONLINE; tick++) T_NMEA_vPortTick(p);
  EXPECT_EQ(NMEA_STATE_OFFLINE, p->eState) << "looked for again";
  p->eGPSType = GPS_TYPE_LEGACY;
  T_NMEA_vChangeBaudRate(4800, p);
  EXPECT_EQ(4800u, T_UART_u32CurrentBaudRate(2));
  EXPECT_EQ("", ReadFar(master[2], 200)) << "warm starts and the move to 4800";

  p = T_NMEA_pInitPortInfo(ID_EXTERNAL_GPS);
  g_NMEA.s8AcquisitionPeriod = 40;
  g_NMEA.bChannel2Released = TRUE;
  T_NMEA_vPortTick(p);
  EXPECT_EQ("", ReadFar(master[2], 200)) << "given back";
  g_NMEA.bChannel2Released = FALSE;
  T_NMEA_vPortTick(p);
  EXPECT_EQ(WithChecksum("PSMT,0,0,0,2,appver,0"), ReadFar(master[2], 200)) << "held";
  g_NMEA.s8AcquisitionPeriod = -1;
}

// The receiver at the far end: NMEA until told to switch to binary, binary
// until told to switch back; it names itself when asked. As a u-blox one it
// answers only its own probe and has no binary mode.
struct FAKE_RECEIVER {
  FAKE_RECEIVER(int nFd, bool bIsUblox) : fd(nFd), bUblox(bIsUblox) {}
  int fd;
  bool bUblox;
  std::atomic<bool> bStop{false};
  std::mutex lock;
  std::string heard;

  void Run(bool bBinary) {
    size_t scanned = 0;
    while (!bStop) {
      std::string piece = ReadFar(fd, 50);
      std::lock_guard<std::mutex> hold(lock);
      heard += piece;
      for (size_t at; (at = heard.find_first_of("$\xA0", scanned)) != std::string::npos; scanned = at + 1) {
        if (heard.size() - at < 10) break;
        if (bUblox) {
          if (heard.compare(at, 9, "$PUBX,04*") == 0) Write(fd, "$PUBX,04*37\r\n");
          continue;
        }
        if (heard.compare(at, kToBinary.size(), kToBinary) == 0) bBinary = true;
        if (heard.compare(at, kToNmea.size(), kToNmea) == 0) bBinary = false;
        if (heard.compare(at, 9, "$PSRF101,") == 0) Write(fd, WithChecksum("PSRFTXT,fake"));
      }
      Write(fd, bBinary ? BinaryAnswer() : WithChecksum("GPGGA,120000.00,,,,,0,00,99.99,,,,,,"));
    }
  }
};

// Found speaking NMEA it is identified and switched to binary by the unit;
// found in binary (left so by an earlier run) it is taken on from there.
TEST_F(Setup, ASirfReceiverGoesThroughTheSbasSwitchAndBackToNmea) {
  for (bool bStartsInBinary : {false, true}) {
    ASSERT_NO_FATAL_FAILURE(StartUnit());
    FAKE_RECEIVER receiver(master[2], false);
    std::thread far([&] { receiver.Run(bStartsInBinary); });
    const bool bConfigured = WaitFor(
        [] {
          const NMEA_PORT_INFO* p = T_NMEA_pPortInfo(PORT_INDEX_EXTERNAL_GPS);
          return p->eState == NMEA_STATE_ONLINE && p->bConfiguredNavmanSBAS;
        },
        20000);
    receiver.bStop = true;
    far.join();
    StopTasks();
    ASSERT_TRUE(bConfigured) << bStartsInBinary;
    const std::string& heard = receiver.heard;
    const size_t sbas = heard.find(kSelectSbas);
    const size_t toNmea = heard.find(kToNmea, sbas);
    ASSERT_NE(std::string::npos, toNmea) << bStartsInBinary;
    if (!bStartsInBinary) {
      const size_t toBinary = heard.find(kToBinary);
      EXPECT_LT(heard.find("$PSRF101,"), toBinary) << "identified first";
      EXPECT_LT(toBinary, sbas);
    }
    EXPECT_NE(std::string::npos, heard.find("$PSRF103,04,00,01,01*", toNmea)) << "sentences set up afterwards";
    EXPECT_EQ(1u, Count(heard, kSelectSbas)) << bStartsInBinary;
  }
}

TEST_F(Setup, AUbloxReceiverIsIdentifiedSetUpAndGivenTheDiagnosticSetWhenTheGpsPageOpens) {
  ASSERT_NO_FATAL_FAILURE(StartUnit());
  FAKE_RECEIVER receiver(master[2], true);
  std::thread far([&] { receiver.Run(false); });
  const NMEA_PORT_INFO* p = T_NMEA_pPortInfo(PORT_INDEX_EXTERNAL_GPS);
  const std::string kSbas("\xB5\x62\x06\x16\x08\x00\x03\x03\x01\x00\x00\x00\x00\x00\x2B\xBD", 16);
  const std::string kInf("\xB5\x62\x06\x02\x08\x00\x01\x00\x00\x00\x00\x04\x00\x00\x15\xC2", 16);
  std::vector<std::string> setUpSent = {kSbas, kInf};
  for (const char* chart : {"RMC,0,1", "GGA,0,1", "GSV,0,0", "GSA,0,0", "VTG,0,0", "GLL,0,0"}) {
    setUpSent.push_back(WithChecksum(std::string("PUBX,40,") + chart + ",0,0"));
  }
  const std::vector<std::string> pageSent = {WithChecksum("PUBX,40,GSV,0,2,0,0"), WithChecksum("PUBX,40,GSA,0,2,0,0")};
  const auto heardAll = [&receiver](const std::vector<std::string>& texts, size_t from) {
    std::lock_guard<std::mutex> hold(receiver.lock);
    for (const std::string& t : texts) {
      if (receiver.heard.find(t, from) == std::string::npos) return false;
    }
    return true;
  };
  bool bOnline = WaitFor([&] { return p->eState == NMEA_STATE_ONLINE; }, 20000);
  size_t online = 0;
  if (bOnline) {
    WaitFor([&] { return heardAll(setUpSent, 0); }, 5000);
    std::lock_guard<std::mutex> hold(receiver.lock);
    online = receiver.heard.size();
  }
  T_NMEA_vConfigureGPS(DIAGNOSTIC_GPS_CARTOGRAPHY);
  const bool bDiag = WaitFor([&] { return p->eSentenceRate == NMEA_SENTENCE_RATE_DIAG; }, 5000);
  WaitFor([&] { return heardAll(pageSent, online); }, 5000);
  receiver.bStop = true;
  far.join();
  ASSERT_TRUE(bOnline);
  ASSERT_TRUE(bDiag);
  EXPECT_EQ(GPS_TYPE_UBLOX, p->eGPSType);
  const std::string setUp = receiver.heard.substr(0, online), page = receiver.heard.substr(online);
  for (const std::string& sent : setUpSent) EXPECT_NE(std::string::npos, setUp.find(sent)) << sent;
  for (const std::string& sent : pageSent) EXPECT_NE(std::string::npos, page.find(sent)) << sent;
}

}  // namespace
