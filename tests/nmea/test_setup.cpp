// What the NMEA task says to its receivers: the binary messages byte for
// byte, the scan through the rates of a silent line, and a baud change that
// reaches a receiver whatever rate it listens at.

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

// Held at the receiver's end: the speed the line had when each piece of a
// command arrived.
std::vector<std::pair<speed_t, std::string>> Arrivals(int master, int slave, const std::atomic<bool>& bDone) {
  std::vector<std::pair<speed_t, std::string>> got;
  while (!bDone) {
    const std::string piece = ReadFar(master, 20);
    if (piece.empty()) continue;
    struct termios tio;
    tcgetattr(slave, &tio);
    got.push_back({cfgetospeed(&tio), piece});
  }
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
    std::atomic<bool> bDone{false};
    std::vector<std::pair<speed_t, std::string>> got;
    std::thread far([&] { got = Arrivals(master[2], slave[2], bDone); });
    T_NMEA_vChangeBaudRate(38400, p);
    bDone = true;
    far.join();
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

}  // namespace
