// VDM sentences into the target pool: reports and their flags, fragments
// that must not splice, the pool's order, merging, time-out and alarm
// state, and closest approach against a relative-motion reference and a
// brute-force walk of two ships on the ellipsoid.

#include <math.h>

#include <algorithm>
#include <atomic>
#include <random>
#include <vector>

#include "ais_sentences.h"
#include "navmath.h"
#include "t_nmea.h"
#include "t_nmea_internal.h"
#include "ui_texts.h"

#if VELMORA_AIS_GEOGRAPHICLIB
#include <GeographicLib/Geodesic.hpp>
#include <GeographicLib/Rhumb.hpp>
#endif

namespace {

using namespace aist;

const char* const kEverDiadem1 = "AIVDM,2,1,1,A,55?MbV02;H;s<HtKR20EHE:0@T4@Dn2222222216L961O5Gf0NSQEp6ClRp8,0*1C";
const char* const kEverDiadem2 = "AIVDM,2,2,1,A,88888888880,2*25";
const char* const kMedum1 = "AIVDM,2,1,8,B,54S64>02;dlqK8@cL00lDADl0000000000000016;0<:65wj0?hCDm1DQ0C@,0*63";
const char* const kMedum2 = "AIVDM,2,2,8,B,00000000002,2*2D";

TEST_F(Ais, AClassAReportGivesItsFieldsAndFlagsTheFieldTableSays) {
  Feed("AIVDM,1,1,,A,15RTgt0PAso;90TKcjM8h6g208CQ,0*4A");
  const ais_DeviceInfo* t = Held(371798000);
  ASSERT_NE(nullptr, t);
  const aisTargetINFO& i = t->aisInfo;
  EXPECT_EQ(1, i.LastMsg);
  EXPECT_NEAR(12.3, i.Sog, 1e-9);
  EXPECT_NEAR(-123.395383, i.Longitude, 1e-6);
  EXPECT_NEAR(48.381633, i.Latitude, 1e-6);
  EXPECT_NEAR(224.0, i.Cog, 1e-9);
  EXPECT_EQ(215u, i.TrueHeading);
  EXPECT_EQ(33, i.TimeStamp_UTCsec);
  // gpsdecode: turn -127, turning to port at more than 5 degrees in 30 s.
  EXPECT_NEAR(-720.0, i.Rot.Value, 0.1);
  EXPECT_FALSE(i.Rot.Right);
  const std::vector<U32> carried = {MMSI_FLAG_INDEX, LASTMSG_FLAG_INDEX, NAVSTATUS_FLAG_INDEX, ROT_FLAG_INDEX,
                                    SOG_FLAG_INDEX,  COG_FLAG_INDEX,     POSACC_FLAG_INDEX,    SHIPPOS_FLAG_INDEX,
                                    TRUEHEAD_FLAG_INDEX, UTCSEC_FLAG_INDEX};
  for (U32 f = 0; f < LAST_VALFLAG_INDEX; f++) {
    EXPECT_EQ(std::count(carried.begin(), carried.end(), f) == 1, i.validityFlag[f] != 0) << f;
  }
}

TEST_F(Ais, AStaticReportInTwoFragmentsDecodesAtTheSecond) {
  Feed(kEverDiadem1);
  EXPECT_EQ(0u, T_NMEA_u32GetAisNumOfTargets());
  Feed(kEverDiadem2);
  const ais_DeviceInfo* t = Held(351759000);
  ASSERT_NE(nullptr, t);
  const aisTargetINFO& i = t->aisInfo;
  EXPECT_EQ(9134270u, i.IMO);
  EXPECT_STREQ("3FOF8", i.CallSign);
  EXPECT_STREQ("EVER DIADEM", i.Name);
  EXPECT_STREQ("NEW YORK", i.Destination);
  EXPECT_EQ(70, i.ShipType);
  EXPECT_EQ(225u, i.ShipDimension.DimBow_A);
  EXPECT_EQ(70u, i.ShipDimension.DimStern_B);
  EXPECT_EQ(1u, i.ShipDimension.DimPort_C);
  EXPECT_EQ(31u, i.ShipDimension.DimStarboard_D);
  EXPECT_EQ(150500u, i.Eta.Date);
  EXPECT_EQ(140000u, i.Eta.Time);
  EXPECT_NEAR(12.2, i.Draught, 1e-9);
  EXPECT_FALSE(i.validityFlag[SHIPPOS_FLAG_INDEX]);
}

// The label every screen and the alarm give a ship: its name once known,
// else its call sign, else its MMSI; a short buffer cuts it.
TEST_F(Ais, AShipIsCalledByItsNameElseItsCallSignElseItsMmsi) {
  char label[32];
  Feed(Type1(211000001, 54.0, 10.0));
  EXPECT_FALSE(T_NMEA_bAisLabel(&Held(211000001)->aisInfo, label, sizeof label));
  EXPECT_STREQ("211000001", label);
  Feed(Type24B(211000001, "DKAB2"));
  EXPECT_TRUE(T_NMEA_bAisLabel(&Held(211000001)->aisInfo, label, sizeof label));
  EXPECT_STREQ("DKAB2", label);
  Feed(Type5(211000001, "TEST", "SEA STAR"));
  EXPECT_TRUE(T_NMEA_bAisLabel(&Held(211000001)->aisInfo, label, sizeof label));
  EXPECT_STREQ("SEA STAR", label);
  Feed(kEverDiadem1);
  Feed(kEverDiadem2);
  EXPECT_TRUE(T_NMEA_bAisLabel(&Held(351759000)->aisInfo, label, sizeof label));
  EXPECT_STREQ("EVER DIADEM", label);
  char cut[5];
  T_NMEA_bAisLabel(&Held(351759000)->aisInfo, cut, sizeof cut);
  EXPECT_STREQ("EVER", cut);
}

TEST_F(Ais, BrokenSentencesAndStrayFragmentsLeaveThePoolEmpty) {
  const std::string good = Type1(211000001, 54.0, 10.0);
  const std::string payload = good.substr(13, 28);
  const std::vector<std::string> bad = {
      "AIVDM,1,1,,A," + payload.substr(0, 27) + ",0",       // 162 bits: short of a position report
      "AIVDM,1,1,,A," + payload.substr(0, 27) + "X,0",      // armour outside its two ranges
      "AIVDM,1,1,,A,,0",
      "AIVDM,0,1,,A," + payload + ",0",
      "AIVDM,1,1,,C," + payload + ",0",
      "AIVDM,1,1,,A," + payload + ",6",
      "AIVDM,1,1,,A," + payload,
      kEverDiadem2,                                          // the second fragment alone
      "AIVDM,2,1,1,A," + std::string(kEverDiadem1).substr(15),
      "AIVDM,2,2,2,A,88888888880,2",                         // another message's end: no splice
      "AIVDM,3,1,3,A," + std::string(kEverDiadem1).substr(15),
      "AIVDM,3,3,3,A,88888888880,2",                         // its middle never came
  };
  for (const std::string& s : bad) Feed(s);
  EXPECT_EQ(0u, T_NMEA_u32GetAisNumOfTargets());
  // The armour maps 40 to the backquote, the first of its upper range.
  EXPECT_EQ('`', ais_c6Bit_2_8Bit(40));
  EXPECT_EQ(40, ais_n8Bit_2_6Bit('`'));
}

TEST_F(Ais, InterleavedMultipartMessagesOfTwoChannelsEachDecode) {
  for (const char* s : {kEverDiadem1, kMedum1, kEverDiadem2, kMedum2}) Feed(s);
  ASSERT_NE(nullptr, Held(351759000));
  ASSERT_NE(nullptr, Held(305235000));
  EXPECT_STREQ("EVER DIADEM", Held(351759000)->aisInfo.Name);
  EXPECT_STREQ("MEDUM", Held(305235000)->aisInfo.Name);
}

TEST_F(Ais, TargetsAreHeldInMmsiOrderAndTheHundredAndFiftyFirstIsRefused) {
  for (U32 mmsi : {300u, 100u, 200u}) Feed(Type1(mmsi, 54.0, 10.0));
  ais_DeviceInfo* p;
  std::vector<U32> held;
  for (S32 i = 0; T_NMEA_bScanAisPoints(i, &p); i++) held.push_back(p->aisInfo.MMSI);
  EXPECT_EQ((std::vector<U32>{100, 200, 300}), held);
  for (U32 n = 0; n < 148; n++) Feed(Type1(1000 - 3 * n, 54.0, 10.0));
  EXPECT_EQ(150u, T_NMEA_u32GetAisNumOfTargets());
  EXPECT_EQ(nullptr, Held(1000 - 3 * 147));
  for (S32 i = 1; T_NMEA_bScanAisPoints(i, &p); i++) {
    ais_DeviceInfo* before;
    T_NMEA_bScanAisPoints(i - 1, &before);
    EXPECT_LT(before->aisInfo.MMSI, p->aisInfo.MMSI);
  }
  EXPECT_FALSE(T_NMEA_bScanAisPoints(150, &p));
}

TEST_F(Ais, AReportChangesOnlyTheFieldsItCarries) {
  Feed(kEverDiadem1);
  Feed(kEverDiadem2);
  Feed(Type1(351759000, 40.5, -73.9, 12.0, 90.0, 95));
  const aisTargetINFO& i = Held(351759000)->aisInfo;
  EXPECT_TRUE(i.validityFlag[SHIPPOS_FLAG_INDEX]);
  EXPECT_STREQ("EVER DIADEM", i.Name);
  EXPECT_EQ(70, i.ShipType);
  EXPECT_EQ(95u, i.TrueHeading);
  Feed(Type24A(351759000, "EVER DIADEM II"));
  EXPECT_STREQ("EVER DIADEM II", i.Name);
  EXPECT_STREQ("3FOF8", i.CallSign);
  EXPECT_EQ(24, i.LastMsg);
  EXPECT_NEAR(40.5, i.Latitude, 1e-9);
  // Heading "not available" clears that flag and no other.
  const aisTargetINFO before = i;
  Feed(Type1(351759000, 40.5, -73.9, 12.0, 90.0, 511));
  EXPECT_FALSE(i.validityFlag[TRUEHEAD_FLAG_INDEX]);
  for (U32 f = 0; f < LAST_VALFLAG_INDEX; f++) {
    if (f != TRUEHEAD_FLAG_INDEX && f != LASTMSG_FLAG_INDEX) {
      EXPECT_EQ(before.validityFlag[f], i.validityFlag[f]) << f;
    }
  }
}

U32 g_u32AisClock;
struct AIS_LIST_CALL {
  U32 mmsi;
  int index;
  bool bPoolFree;
};
std::vector<AIS_LIST_CALL> g_aListCalls;
std::vector<std::pair<bool, U32>> g_aAlarmCalls;
// The hook stays registered for the program's life; it listens only while
// the test that reads it runs.
std::atomic<bool> g_bListening{false};
void ListHears(U32 mmsi, int index) {
  if (!g_bListening) return;
  const bool bFree = L_MUTEX_Lock(RES_AIS_DATA) == 0;
  L_MUTEX_Unlock(RES_AIS_DATA);
  g_aListCalls.push_back({mmsi, index, bFree});
}

TEST_F(Ais, ASilentTargetGoesAfter960SecondsAndTheListHearsWithThePoolReleased) {
  T_NMEA_vSetAisClock([] { return g_u32AisClock; });
  ASSERT_TRUE(T_NMEA_bRegisterAisTargetDropped(ListHears));
  g_aListCalls.clear();
  struct LISTENING {
    LISTENING() { g_bListening = true; }
    ~LISTENING() { g_bListening = false; }
  } listening;
  g_aAlarmCalls.clear();
  auto alarm = [](BOOLEAN bAlarm, ais_DeviceInfo* p) { g_aAlarmCalls.push_back({bAlarm != 0, p->aisInfo.MMSI}); };
  g_u32AisClock = 1000;
  Feed(Type1(200, 54.0, 10.0));
  g_u32AisClock = 1100;
  // The GPS time of a report is kept for showing, not for ageing.
  H_DATABASE_bUpdateEverythingU32(FCID("IDTM"), 1796646919, P_EXTERNAL_GPS, D_DATETIME, nullptr, 4);
  Feed(Type1(300, 54.0, 10.0));
  EXPECT_EQ(1796646919u, Held(300)->ReceiveDateTime);
  EXPECT_EQ(0u, Held(200)->ReceiveDateTime);
  // One before them, in alarm: its flags and text stay its own as it moves.
  Feed(Type1(100, 54.0, 10.0));
  ais_DeviceInfo* p;
  ASSERT_TRUE(T_NMEA_bScanAisPoints(1, &p));
  p->bAisAlarmActive = TRUE;
  snprintf(p->sAlarmString, sizeof p->sAlarmString, "AIS Alarm for <%u>", p->aisInfo.MMSI);
  g_u32AisClock = 1000 + 959;
  T_NMEA_vAisCheckTargets(alarm);
  EXPECT_EQ(3u, T_NMEA_u32GetAisNumOfTargets());
  EXPECT_TRUE(g_aListCalls.empty());

  g_aAlarmCalls.clear();
  g_u32AisClock = 1000 + 960;
  T_NMEA_vAisCheckTargets(alarm);
  ASSERT_EQ(2u, T_NMEA_u32GetAisNumOfTargets());
  ASSERT_TRUE(T_NMEA_bScanAisPoints(1, &p));
  EXPECT_EQ(300u, p->aisInfo.MMSI);
  EXPECT_EQ(1100u, p->ReceiveLastTime);
  EXPECT_FALSE(p->bAisAlarmActive);
  ASSERT_EQ(1u, g_aListCalls.size());
  EXPECT_EQ(200u, g_aListCalls[0].mmsi);
  EXPECT_EQ(1, g_aListCalls[0].index);
  EXPECT_TRUE(g_aListCalls[0].bPoolFree);
  // The alarmed target's alarm was ended before it went.
  EXPECT_EQ((std::vector<std::pair<bool, U32>>{{false, 100}, {false, 200}, {false, 300}}), g_aAlarmCalls);

  // Alarm state moves with its entry on insertion too.
  ASSERT_TRUE(T_NMEA_bScanAisPoints(1, &p));
  p->bAisAlarmActive = TRUE;
  snprintf(p->sAlarmString, sizeof p->sAlarmString, "AIS Alarm for <300>");
  Feed(Type1(50, 54.0, 10.0));
  EXPECT_TRUE(Held(300)->bAisAlarmActive);
  EXPECT_STREQ("AIS Alarm for <300>", Held(300)->sAlarmString);
  EXPECT_FALSE(Held(100)->bAisAlarmActive);
  EXPECT_STREQ("", Held(50)->sAlarmString);
}

TEST(AisAlarmText, HoldsTheLongestLanguagesTextWithTheLargestMmsi) {
  for (unsigned language = 0; language < UI_TEXT_LANGUAGES; language++) {
    const bool wide = language >= UI_TEXT_FIRST_WIDE;
    size_t bytes = 0;
    while (Ais_Alarm[language][bytes] != 0 || (wide && Ais_Alarm[language][bytes + 1] != 0)) bytes += wide ? 2 : 1;
    const size_t tail = std::string(" <1073741823>").size() + 1;
    EXPECT_LE(bytes + (wide ? 2 : 1) * tail, sizeof(ais_DeviceInfo::sAlarmString)) << language;
  }
}

// ---- Closest approach ----

class AisCollision : public Ais {
 protected:
  void Own(double lat, double lon, double knots, double course) {
    POSITION pos = {lat, lon};
    POINT mm;
    ASSERT_EQ(NV_OK, nv_DegrToMeter(&pos, &mm));
    H_DATABASE_bUpdateEverythingS32(FCID("ILAT"), mm.y, P_EXTERNAL_GPS, D_POSITION_LAT_MM, nullptr, 4);
    H_DATABASE_bUpdateEverythingS32(FCID("ILON"), mm.x, P_EXTERNAL_GPS, D_POSITION_LON_MM, nullptr, 4);
    H_DATABASE_bUpdateEverythingFloat(FCID("ISOG"), (float)dConvertToInternal(knots, D_SPEED, U_KNOTS),
                                      P_EXTERNAL_GPS, D_SPEED, nullptr, 4);
    H_DATABASE_bUpdateEverythingFloat(FCID("IHDG"), (float)course, P_EXTERNAL_GPS, D_HEADING, nullptr, 4);
    H_DATABASE_bUpdateEverythingFloat(FCID("SCPA"), 0.5f, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
    H_DATABASE_bUpdateEverythingU32(FCID("STCP"), 15, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  }
  // A target dist nautical miles from (lat, lon) along a true bearing.
  static POSITION Offset(double lat, double lon, double bearing, double dist) {
    const double rad = M_PI / 180;
    return {lat + dist / 60 * cos(bearing * rad), lon + dist / 60 * sin(bearing * rad) / cos(lat * rad)};
  }
};

TEST_F(AisCollision, ReciprocalCoursesAtTenKnotsMeetInSixMinutes) {
  Own(50.0, -4.0, 10, 0);
  const POSITION t = Offset(50.0, -4.0, 0, 2.0);
  Feed(Type1(1, t.lat, t.lon, 10, 180));
  T_NMEA_vAisCalculateCollisionValue();
  EXPECT_NEAR(6.0, Held(1)->aisInfo.TCPA, 0.1);
  EXPECT_LT(Held(1)->aisInfo.CPA, 0.05);
}

TEST_F(AisCollision, AShipHeadingForABoatAtAnchorRaisesTheAlarm) {
  Own(50.0, -4.0, 0, 0);
  const POSITION t = Offset(50.0, -4.0, 90, 2.0);
  Feed(Type1(1, t.lat, t.lon, 10, 270));
  // Without a position a target is never a danger, even on top of the boat.
  Feed(PAYLOAD().Put(1, 6).Put(0, 2).Put(2, 30).Put(0, 12).Put(100, 10).Put(0, 1)
           .Put(108600000, 28).Put(54600000, 27).Put(2700, 12).Put(511, 9).Put(60, 6).Put(0, 25).Sentence());
  T_NMEA_vAisCalculateCollisionValue();
  L_MUTEX_LockWait(RES_AIS_DATA);
  EXPECT_NEAR(12.0, Held(1)->aisInfo.TCPA, 0.2);
  EXPECT_LT(Held(1)->aisInfo.CPA, 0.05);
  EXPECT_TRUE(T_NMEA_bAisHasAlarm(Held(1)));
  EXPECT_FALSE(T_NMEA_bAisHasAlarm(Held(2)));
  L_MUTEX_Unlock(RES_AIS_DATA);
}

// Through the sentence input a report sets the approach of its own target
// at once; the own boat's motion reaches every target in the pass that runs
// once a second of the pool's clock. Reciprocal courses 2 nm apart at 10 kn
// each meet in 6 minutes; with the own boat stopped, in 12.
TEST_F(AisCollision, AReportSetsItsTargetsApproachAndTheOwnMotionReachesAllOnceASecond) {
  T_NMEA_vSetAisClock([] { return g_u32AisClock; });
  g_u32AisClock = 777000;
  T_NMEA_vResetInput();
  NMEA_PORT_INFO* port = T_NMEA_pInitPortInfo(ID_EXTERNAL_GPS);
  ASSERT_NE(nullptr, port);
  Own(50.0, -4.0, 10, 0);
  const POSITION t = Offset(50.0, -4.0, 0, 2.0);
  T_NMEA_vParseSentence(Type1(1, t.lat, t.lon, 10, 180).c_str(), port);
  ASSERT_NE(nullptr, Held(1));
  EXPECT_NEAR(6.0, Held(1)->aisInfo.TCPA, 0.1);

  Own(50.0, -4.0, 0, 0);
  T_NMEA_vAisCalculateCollisionValueEverySecond();
  EXPECT_NEAR(12.0, Held(1)->aisInfo.TCPA, 0.2);
  Own(50.0, -4.0, 10, 0);
  T_NMEA_vAisCalculateCollisionValueEverySecond();
  EXPECT_NEAR(12.0, Held(1)->aisInfo.TCPA, 0.2) << "a second pass within the second";
  g_u32AisClock++;
  T_NMEA_vAisCalculateCollisionValueEverySecond();
  EXPECT_NEAR(6.0, Held(1)->aisInfo.TCPA, 0.1);
}

// CPA (nm) and TCPA (minutes) of two ships on straight courses in a flat
// local frame, exact sines.
std::pair<double, double> FlatCpa(POSITION own, double ownKn, double ownCourse, POSITION t, double tKn, double tCourse) {
  const double rad = M_PI / 180;
  const double rx = (t.lon - own.lon) * 60 * cos(own.lat * rad), ry = (t.lat - own.lat) * 60;
  const double vx = (tKn * sin(tCourse * rad) - ownKn * sin(ownCourse * rad)) / 60;
  const double vy = (tKn * cos(tCourse * rad) - ownKn * cos(ownCourse * rad)) / 60;
  const double tcpa = std::max(0.0, -(rx * vx + ry * vy) / (vx * vx + vy * vy));
  return {hypot(rx + vx * tcpa, ry + vy * tcpa), tcpa};
}

TEST_F(AisCollision, CrossingCasesAgreeWithRelativeMotionAndABruteForceWalkOnTheEllipsoid) {
  std::mt19937 rng(33);
  std::uniform_real_distribution<double> u(0, 1);
  for (int n = 0; n < 40; n++) {
    const POSITION own = {-60 + 120 * u(rng), -170 + 340 * u(rng)};
    const double ownKn = n % 5 == 0 ? 0.0 : 5 + (int)(20 * u(rng));
    const double ownCourse = (int)(360 * u(rng)), tKn = 5 + (int)(20 * u(rng)), tCourse = (int)(360 * u(rng));
    // Slow closings leave the closest point beyond the walk's hour.
    const double rad = M_PI / 180;
    const double closingKn = hypot(tKn * sin(tCourse * rad) - ownKn * sin(ownCourse * rad),
                                   tKn * cos(tCourse * rad) - ownKn * cos(ownCourse * rad));
    if (closingKn < 6) {
      n--;
      continue;
    }
    const POSITION raw = Offset(own.lat, own.lon, 360 * u(rng), 0.5 + 4.5 * u(rng));
    // The target's position as the report carries it.
    const POSITION t = {llround(raw.lat * 600000) / 600000.0, llround(raw.lon * 600000) / 600000.0};
    T_NMEA_vAisInit();
    Own(own.lat, own.lon, ownKn, ownCourse);
    Feed(Type1(7, t.lat, t.lon, tKn, tCourse));
    T_NMEA_vAisCalculateCollisionValue();
    const aisTargetINFO& got = Held(7)->aisInfo;
    const auto [cpa, tcpa] = FlatCpa(own, ownKn, ownCourse, t, tKn, tCourse);
    SCOPED_TRACE(::testing::Message() << n << ": own " << own.lat << "," << own.lon << " " << ownKn << " kn "
                                      << ownCourse << "; target " << tKn << " kn " << tCourse);
    // The unit steers by whole-degree sines: half a degree off the relative
    // track, times the miles run to the closest point.
    const double steer = 0.5 * rad * closingKn * tcpa / 60;
    EXPECT_NEAR(cpa, got.CPA, std::max(0.02, 0.02 * cpa) + steer);
    EXPECT_NEAR(tcpa, got.TCPA, 0.2);
#if VELMORA_AIS_GEOGRAPHICLIB
    const GeographicLib::Rhumb& rhumb = GeographicLib::Rhumb::WGS84();
    const GeographicLib::Geodesic& geod = GeographicLib::Geodesic::WGS84();
    double best = 1e9, bestT = 0;
    for (int s = 0; s <= 3600; s++) {
      double aLat, aLon, bLat, bLon, metres;
      rhumb.Direct(own.lat, own.lon, ownCourse, ownKn * 1852.0 * s / 3600, aLat, aLon);
      rhumb.Direct(t.lat, t.lon, tCourse, tKn * 1852.0 * s / 3600, bLat, bLon);
      geod.Inverse(aLat, aLon, bLat, bLon, metres);
      if (metres < best) {
        best = metres;
        bestT = s / 60.0;
      }
    }
    EXPECT_NEAR(best / 1852, got.CPA, std::max(0.02, 0.02 * best / 1852) + steer);
    EXPECT_NEAR(bestT, got.TCPA, 0.2);
#endif
  }
}

int s_nFirstAis = 0;
void CountFirstAis(void) { s_nFirstAis++; }

// The AIS menus belong to the navigation task: without its action the
// first AIS sentence asks nothing, with it the action runs.
TEST(FirstAisSentence, AsksNothingUntilAnActionIsRegistered) {
  // The action stays registered for the program's life: a run after the
  // first starts with it.
  static bool s_bRegistered = false;
  s_nFirstAis = 0;
  T_NMEA_vSetupAISMenuItems();
  EXPECT_EQ(s_bRegistered ? 1 : 0, s_nFirstAis);
  ASSERT_TRUE(T_NMEA_bRegisterFirstAisSentence(CountFirstAis));
  s_bRegistered = true;
  s_nFirstAis = 0;
  T_NMEA_vSetupAISMenuItems();
  EXPECT_EQ(1, s_nFirstAis);
}

}  // namespace
