// Sentences one by one: framing, satellites, headings and speeds straight
// into the parser of a port record, and the remote's dongle through a line
// with both tasks running.

#include <math.h>

#include <string>
#include <vector>

#include "msg_bluetooth_remote.h"
#include "nmea_line.h"
#include "u_menu.h"
#include "ui_texts.h"

namespace {

using namespace nmt;

class Sentences : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("VELMORA_DEVROOT", RigDir().c_str(), 1);  // the clock is only logged
    H_DATABASE_vInit();
    U_CONVERT_vInitialiseConversionUtility();
    H_DATABASE_bUpdateEverythingU32(FCID("SDTM"), 0, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
    g_NMEA.u32SystemState = STATE_NORMAL_RUN;
    T_NMEA_vResetInput();
    ext = T_NMEA_pInitPortInfo(ID_EXTERNAL_GPS);
    ASSERT_NE(nullptr, ext);
    internal.eSourceID = ID_INTERNAL_GPS;
    internal.GPSWritePriority = P_INTERNAL_GPS;
  }

  // The bytes as the receive queue hands them over.
  void Frame(const std::string& bytes) {
    for (char c : bytes) T_NMEA_bFrameEntry(ext, (U8)c);
  }
  U32 Parsed(const std::string& bytes) {
    U32 before = T_NMEA_u32SentencesParsed();
    Frame(bytes);
    return T_NMEA_u32SentencesParsed() - before;
  }
  void Parse(const std::string& body, NMEA_PORT_INFO* p) { T_NMEA_vParseSentence(body.c_str(), p); }

  NMEA_PORT_INFO* ext = nullptr;
  NMEA_PORT_INFO internal = {};
};

// The port's status never goes stale, so a sentence that leaves it as it
// was does not write it again: subscribers hear of it once.
TEST_F(Sentences, AnUnchangedGpsStatusIsWrittenOnce) {
  ASSERT_TRUE(H_DATABASE_bRegisterForDataWithConditions(FCID("GPSE"), M_DORVISH, TRUE, TRUE, TRUE));
  const std::string gga = WithChecksum("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,");
  EXPECT_EQ(3u, Parsed(gga + gga + gga));
  int notices = 0;
  while (void* p = L_MBOX_Receive(M_DORVISH)) {
    EXPECT_EQ((U32)GPS_TYPE_LEGACY, ((MESSAGE_NEW_DATA*)p)->dbValue.u32Val);
    notices++;
    H_MEMORY_vDumpMail(p);
  }
  EXPECT_EQ(1, notices);
  H_DATABASE_vUnregisterMailbox(FCID("GPSE"), M_DORVISH);
}

TEST_F(Sentences, FramingKeepsWholeCheckedSentencesAndDropsTheRest) {
  const std::string gga = "GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,";
  const std::string body149 = "GPTXT," + std::string(149 - 6, 'a');
  const std::string body150 = body149 + "a";
  struct {
    std::string bytes;
    U32 parsed;
  } const rows[] = {
      {WithChecksum(gga), 1},
      {"$" + gga + "*48\r\n", 0},                            // wrong checksum (47 is right)
      {"$GPGGA,1\x01" "23*00\r\n", 0},                       // a control character
      {WithChecksum(body149), 1},                            // the longest body
      {WithChecksum(body150), 0},                            // one more
      {"$" + gga + "\r\n", 1},                               // no checksum, ended by CR
      {"$HEHDT,1.5,T*2b\r\n", 1},                            // lower-case digits (2B)
      {"junk$GPGG" + WithChecksum(gga), 1},                  // a second start restarts
      {"$HEHDT,1.5,T*2G\r\n$HEHDT,1.5,T\n", 0},             // a non-hex digit; LF is no end
  };
  for (const auto& row : rows) EXPECT_EQ(row.parsed, Parsed(row.bytes)) << row.bytes;
}

TEST_F(Sentences, AFixWithNoSatellitesCountsTwelveAndALostFixKeepsTheLastPosition) {
  Parse("GPGGA,123519,4807.038,N,01131.000,E,1,00,0.9,545.4,M,46.9,M,,", ext);
  EXPECT_EQ(12u, Fetch("ISAN").data.u32Val);
  EXPECT_EQ(1u, Fetch("IPFI").data.u32Val);
  const S32 lat = Fetch("ILAT").data.s32Val;
  H_DATABASE_vDeleteEntry(FCID("ILAT"));
  Parse("GPGGA,123520,,,,,0,00,,,M,,M,,", ext);
  EXPECT_EQ(0u, Fetch("IPFI").data.u32Val);
  EXPECT_EQ(lat, Fetch("ILAT").data.s32Val);
}

// The records below: PRN | elevation << 8 | azimuth << 15 | SNR << 24, bit 31
// for a satellite in use. 1, 40, 83, 46 is 0x2E29A801.
TEST_F(Sentences, AGroupOfThreeFillsTwelveChannelsAndClearsTheRest) {
  Parse("GPGSA,A,3,01,,,,,,,,,,,,2.5,1.3,2.1", ext);
  for (int n = 1; n <= 5; n++) {
    std::string body = "GPGSV,5," + std::to_string(n) + ",20";
    for (int s = 0; s < 4; s++) body += ",3" + std::to_string(s) + ",10,100,20";
    Parse(body, ext);
  }
  EXPECT_NE(0u, Fetch("ISAK").data.u32Val);
  Parse("GPGSV,3,1,12,01,40,083,46,02,17,308,41,12,07,344,39,14,22,228,45", ext);
  Parse("GPGSV,3,2,12,04,33,050,44,05,62,120,47,09,15,260,38,24,48,180,43", ext);
  Parse("GPGSV,3,3,12,06,10,010,30,07,20,020,31,08,30,030,32,10,90,359,99", ext);
  EXPECT_EQ(0xAE29A801u, Fetch("ISA1").data.u32Val);
  EXPECT_EQ(10u | 90u << 8 | 359u << 15 | 99u << 24, Fetch("ISAC").data.u32Val);
  for (const char* key : {"ISAD", "ISAE", "ISAJ", "ISAK"}) EXPECT_EQ(0u, Fetch(key).data.u32Val) << key;
  EXPECT_TRUE(Fetch("ISAK").bValid);
  // GLONASS has its own view; a Galileo group touches neither.
  Parse("GLGSV,1,1,01,70,45,100,40", ext);
  Parse("GAGSV,1,1,01,03,45,100,40", ext);
  EXPECT_EQ(70u | 45u << 8 | 100u << 15 | 40u << 24, Fetch("ISB1").data.u32Val);
  EXPECT_EQ(0xAE29A801u, Fetch("ISA1").data.u32Val);
}

TEST_F(Sentences, AWeakerPortsSatellitesWaitWhileTheStrongerOneTalks) {
  Parse("GPGSV,1,1,01,01,40,083,46", ext);
  Parse("GPGSV,1,1,01,02,10,010,10", &internal);
  EXPECT_EQ(1u, Fetch("ISA1").data.u32Val & 0xFF);
  Parse("GPGSV,1,1,01,03,10,010,10", ext);
  EXPECT_EQ(3u, Fetch("ISA1").data.u32Val & 0xFF);
}

TEST_F(Sentences, HeadingsCarryTheVariationAndAverageAcrossNorth) {
  Parse("HCHDG,98.3,0.0,E,12.6,W", ext);
  EXPECT_FLOAT_EQ(98.3f, Fetch("IHDM").data.fVal);
  EXPECT_NEAR(85.7f, Fetch("IHDC").data.fVal, 1e-4);
  H_DATABASE_vDeleteEntry(FCID("IHDC"));
  Parse("HCHDG,50.0,0.0,E,12.6,", ext);
  EXPECT_FLOAT_EQ(50.0f, Fetch("IHDM").data.fVal);
  EXPECT_FALSE(Fetch("IHDC").bWritten);

  // True headings 357 .. 3 from the second sentence on; every other one is
  // written. The last five of the seventh, 359, 0, 1, 2, 3, average to 1.
  T_NMEA_vResetInput();
  const char* const trues[] = {"357.0,0.0,E,0.0,E", "358.0,0.0,E,0.0,E", "359.0,0.0,E,0.0,E", "0.0,0.0,E,0.0,E",
                               "0.5,0.0,E,0.5,E",   "2.0,0.0,E,0.0,E",   "4.0,0.0,E,1.0,W"};
  std::vector<float> written;
  for (const char* fields : trues) {
    H_DATABASE_vDeleteEntry(FCID("IHDC"));
    Parse(std::string("HCHDG,") + fields, ext);
    if (Fetch("IHDC").bWritten) written.push_back(Fetch("IHDC").data.fVal);
  }
  ASSERT_EQ(4u, written.size());
  EXPECT_NEAR(357.0f, written[0], 1e-4);
  EXPECT_NEAR(1.0f, written[2], 1e-4);
  EXPECT_NEAR(1.0f, written[3], 1e-4);
}

// Once a heading sensor is there the Nav tab offers its correction, in
// degrees: a bare "5" says nothing of what it turns.
TEST_F(Sentences, TheHeadingOffsetRowNamesItsDegrees) {
  H_DATABASE_bUpdateEverythingU32(FCID("TMNU"), M_MENU, P_NORMAL, D_MAILBOX, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingBoolean(FCID("IPCD"), TRUE, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  g_NMEA.bCompassMenusOn = FALSE;
  T_NMEA_vUpdateNavCompassMenus();
  int rows = 0;
  while (void* pMsg = L_MBOX_Receive(M_MENU)) {
    const MSG_MENU_REQUEST* r = (const MSG_MENU_REQUEST*)pMsg;
    if (r->pItemName == Heading_Offset) {
      rows++;
      EXPECT_EQ(Degrees, r->pValueSuffix);
    }
    H_MEMORY_vDumpMail(pMsg);
  }
  EXPECT_EQ(1, rows);
  g_NMEA.bCompassMenusOn = FALSE;
}

// 0.2 knots is 0.2 x 1852 / 3600 = 0.102889 m/s.
TEST_F(Sentences, AStandingReceiversJitterAveragesToRestAndARealDriftDoesNot) {
  const std::string rmc = "GPRMC,123519,A,4807.038,N,01131.000,E,";
  for (int i = 0; i < 12; i++) Parse(rmc + "0.05,084.4,071226,003.1,W", ext);
  EXPECT_EQ(0.0f, Fetch("ISOG").data.fVal);
  for (int i = 0; i < 12; i++) Parse(rmc + "0.2,084.4,071226,003.1,W", ext);
  EXPECT_NEAR(0.102889f, Fetch("ISOG").data.fVal, 1e-5);
  Parse("GPRMC,123519,V,4807.038,N,01131.000,E,5.0,084.4,071226,003.1,W", ext);
  EXPECT_NEAR(0.102889f, Fetch("ISOG").data.fVal, 1e-5);
}

// 22.4 knots is 22.4 x 1852 / 3600 = 11.523556 m/s; 10 knots 5.144444 m/s.
TEST_F(Sentences, TheSpeedOfANewFixIsTheReceiversFromItsFirstSentence) {
  const std::string at = "GPRMC,123519,A,4807.038,N,01131.000,E,", after = ",084.4,071226,003.1,W";
  for (int i = 1; i <= 3; i++) {
    H_DATABASE_vDeleteEntry(FCID("ISOG"));
    Parse(at + "22.4" + after, ext);
    if (i % 2 == 1) {
      EXPECT_NEAR(11.523556f, Fetch("ISOG").data.fVal, 1e-4) << "sentence " << i;
    }
  }
  for (const char* lost : {"GPRMC,123522,V,,,,,,,071226,,", "GPGGA,123522,,,,,0,00,,,M,,M,,"}) {
    Parse(lost, ext);
    Parse(at + "10.0" + after, ext);
    EXPECT_NEAR(5.144444f, Fetch("ISOG").data.fVal, 1e-4) << "the first speed after " << lost;
    Parse(at + "22.4" + after, ext);
  }
}

// The answer to a status or hello gives the sentence's checksum back; one
// without a checksum is refused as a bad one would be.
TEST_F(Sentences, DongleSentencesWithoutAChecksumAreRefused) {
  H_DATABASE_bUpdateEverythingU32(FCID("TBTR"), M_BT_REMOTE, P_NORMAL, D_MAILBOX, nullptr, DB_NEVER_STALE);
  while (void* pMsg = L_MBOX_Receive(M_BT_REMOTE)) H_MEMORY_vDumpMail(pMsg);
  Parse("PQVM102", ext);
  Parse("PQVM101,02,ABCDEFGH", ext);
  Parse("PQVM102*4", ext);
  EXPECT_EQ(nullptr, L_MBOX_Receive(M_BT_REMOTE));
  Parse("PQVM102*" + WithChecksum("PQVM102").substr(9, 2), ext);
  GENERIC_MESSAGE* pMsg = (GENERIC_MESSAGE*)L_MBOX_Receive(M_BT_REMOTE);
  ASSERT_NE(nullptr, pMsg);
  EXPECT_EQ(BLUETOOTH_TYPE_HELLO, ((const MSG_BLUETOOTH_REMOTE_GENERIC*)pMsg)->eMsgtype);
  H_MEMORY_vFree(pMsg);
}

class Remote : public Line {
 protected:
  // The next mail to the remote task, null after a while.
  static GENERIC_MESSAGE* Mail(void) { return (GENERIC_MESSAGE*)L_MBOX_ReceiveWaitTicks(M_BT_REMOTE, 2000); }
};

TEST_F(Remote, DongleSentencesBecomeMailAndStatusIsAnsweredWithItsOwnChecksum) {
  ASSERT_NO_FATAL_FAILURE(StartUnit());
  for (const char* body : {"PQVM100,3B,01", "PQVM100,3b,01,00"}) {
    Feed(WithChecksum(body));
    GENERIC_MESSAGE* pMsg = Mail();
    ASSERT_NE(nullptr, pMsg) << body;
    const MSG_BLUETOOTH_REMOTE_BUTTON* b = (const MSG_BLUETOOTH_REMOTE_BUTTON*)pMsg;
    EXPECT_EQ(CMD_ID_BLUETOOTH_REMOTE_RX, b->Header.Cmd);
    EXPECT_EQ(BLUETOOTH_TYPE_BUTTON, b->eMsgtype);
    EXPECT_EQ(REMOTE_KEY_MINUS, b->eRemoteKey);
    EXPECT_EQ(REMOTE_KEY_PRESS, b->eRemoteKeyState);
    H_MEMORY_vFree(pMsg);
  }
  Feed(WithChecksum("PQVM100,3G,01") + WithChecksum("PQVM100,3B"));
  EXPECT_EQ(nullptr, L_MBOX_Receive(M_BT_REMOTE));

  const std::string status = WithChecksum("PQVM101,02,ABCDEFGHIJKL");
  const std::string received = status.substr(status.size() - 4, 2);
  ReadFar(master[2], 20);
  Feed(status);
  GENERIC_MESSAGE* pMsg = Mail();
  ASSERT_NE(nullptr, pMsg);
  const MSG_BLUETOOTH_REMOTE_STATUS* s = (const MSG_BLUETOOTH_REMOTE_STATUS*)pMsg;
  EXPECT_EQ(BLUETOOTH_TYPE_STATUS, s->eMsgtype);
  EXPECT_EQ(REMOTE_STATUS_TYPE_BATTERY, s->eStatusType);
  EXPECT_EQ("ABCDEFGH", std::string((const char*)s->au8Status, REMOTE_STATUS_BYTES));
  H_MEMORY_vFree(pMsg);
  EXPECT_NE(std::string::npos, ReadFar(master[2], 200).find(WithChecksum("PQVM125," + received)));
  // Without a checksum there is none to give back: refused, so only the
  // second hello is answered.
  const std::string hello = WithChecksum("PQVM102");
  Feed("$PQVM102\r" + hello);
  std::string answers;
  const std::string answer = WithChecksum("PQVM125," + hello.substr(hello.size() - 4, 2));
  EXPECT_TRUE(WaitFor([&] { return (answers += ReadFar(master[2], 20)).find(answer) != std::string::npos; }, 5000));
  EXPECT_EQ(answers.find("PQVM125"), answers.rfind("PQVM125")) << answers;
}

}  // namespace
