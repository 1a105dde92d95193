// The NMEA output: what one run sends from the values in the database, its
// four-step cycle, the framing of every line, the fields that need care
// (rounded minutes, clamped leg values, time zones, waypoint ids), and
// gpsd's reading of it on a line.

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "h_database.h"
#include "navmath.h"
#include "nmea_line.h"
#include "t_nav_twr.h"
#include "t_nmea_internal.h"
#include "test_process.h"
#include "u_convert.h"

namespace {

std::vector<std::string> RunLines(const std::string& run) {
  std::vector<std::string> out;
  for (size_t at = 0, end; (end = run.find("\r\n", at)) != std::string::npos; at = end + 2) {
    out.push_back(run.substr(at, end - at + 2));
  }
  return out;
}

std::string OutputRun(int step, const char* talker = "IN") {
  NMEA_OUT_DATA data;
  T_NMEA_vGatherOutput(&data);
  char out[NMEA_OUT_RUN_SIZE];
  const int n = T_NMEA_nFormatRun(&data, step, talker, out, sizeof out);
  return std::string(out, (size_t)n);
}

// The sentence with this address (e.g. "INRMB") of one run, without its
// checksum and line end; "" when it was not sent.
std::string Sentence(const std::string& run, const std::string& address) {
  for (const std::string& line : RunLines(run)) {
    if (line.compare(1, address.size(), address) == 0) return line.substr(0, line.find('*'));
  }
  return "";
}

void OutFloat(const char (&id)[5], float f, DATA_TYPE type = D_FLOAT) {
  H_DATABASE_bUpdateEverythingFloat(FCID(id), f, 2, type, nullptr, DB_NEVER_STALE);
}
// Flags and numbers as value words.
void OutU32(const char (&id)[5], U32 u) {
  DB_DATA_TYPE word = {};
  word.u32Val = u;
  H_DATABASE_bUpdateEverything(FCID(id), word, 2, D_UNKNOWN, nullptr, DB_NEVER_STALE);
}
void OutS32(const char (&id)[5], S32 s) { H_DATABASE_bUpdateEverythingS32(FCID(id), s, 2, D_UNKNOWN, nullptr, DB_NEVER_STALE); }

void OutPosition(const char (&lat)[5], const char (&lon)[5], double dLat, double dLon) {
  POSITION pos = {dLat, dLon};
  POINT mm = {};
  ASSERT_EQ(NV_OK, nv_DegrToMeter(&pos, &mm));
  OutS32(lat, mm.y);
  OutS32(lon, mm.x);
}

class NmeaOutput : public ::testing::Test {
 protected:
  void SetUp() override {
    H_DATABASE_vInit();
    OutU32("SNOE", TRUE);
    OutU32("SNGE", TRUE);
    OutU32("SDST", FALSE);
    OutS32("SLTZ", 0);
    OutU32("IPFI", 1);
    OutPosition("ILAT", "ILON", 48.137, 11.575);
    OutU32("IDTM", 1700000000u);  // 2023-11-14 22:13:20 UTC
    OutFloat("IHDG", 90.0f);
    OutFloat("ISPD", (float)dConvertToInternal(10.0, D_SPEED, U_KNOTS), D_SPEED);
    OutFloat("IMGV", -2.5f);
    OutFloat("IDEP", (float)dConvertToInternal(12.3, D_DEPTH, U_METRES), D_DEPTH);
    OutFloat("SDPO", 0.0f, D_DEPTH);
    OutFloat("ITMP", 19.5f, D_TEMPERATURE);
  }
  void Navigate(float xteNm) {
    OutU32("SNNE", TRUE);
    OutU32("INIP", 1);
    OutU32("IOWP", 0);
    OutU32("IDWP", 0);
    OutFloat("ITRK", 45.0f);
    OutFloat("IBRG", 46.0f);
    OutFloat("IXTE", (float)dConvertToInternal(xteNm, D_DISTANCE, U_NAUT_MILES));
    OutFloat("IDTG", (float)dConvertToInternal(1500.0, D_DISTANCE, U_NAUT_MILES));
    OutFloat("IDCV", (float)dConvertToInternal(5.0, D_SPEED, U_KNOTS));
    OutU32("IACE", FALSE);
    OutU32("IPPD", FALSE);
  }
};

TEST_F(NmeaOutput, EveryLineIsFramedWithAValidChecksumAndTheCycleSpreadsTheSentencesOverFourSeconds) {
  Navigate(0.5f);
  std::map<std::string, int> count;
  for (int step = 0; step < 8; step++) {
    for (const std::string& line : RunLines(OutputRun(step % 4))) {
      ASSERT_LE(line.size(), 82u) << line;
      ASSERT_EQ('$', line[0]);
      const size_t star = line.find('*');
      ASSERT_EQ(line.size() - 5, star) << line;
      U8 sum = 0;
      for (size_t i = 1; i < star; i++) sum ^= (U8)line[i];
      EXPECT_EQ(sum, (U8)strtoul(line.substr(star + 1, 2).c_str(), nullptr, 16)) << line;
      count[line.substr(3, 3)]++;
    }
  }
  const std::map<std::string, int> expected = {{"DPT", 8}, {"HDG", 8}, {"HDT", 8}, {"RMC", 4}, {"RMB", 4},
                                               {"APB", 4}, {"BWR", 4}, {"MTW", 4}, {"GLL", 2}, {"VTG", 2},
                                               {"GGA", 2}, {"ZDA", 2}};
  EXPECT_EQ(expected, count);
  EXPECT_EQ("$GPRMC", Sentence(OutputRun(1, "GP"), "GPRMC").substr(0, 6));
}

TEST_F(NmeaOutput, WithoutAFixTheEmptyFormsGoOutAndWithOutputOffNothingDoes) {
  OutU32("IPFI", 0);
  Navigate(0.5f);
  const std::string even = OutputRun(0), odd = OutputRun(1), zda = OutputRun(2);
  EXPECT_EQ("$INGLL,,,,,,V", Sentence(even, "INGLL"));
  EXPECT_EQ("$INVTG,,T,,M,,N,,K", Sentence(even, "INVTG"));
  EXPECT_EQ("$INRMC,,V,,,,,,,,,", Sentence(odd, "INRMC"));
  EXPECT_EQ("$INGGA,,,,,,0,,,,,,,,", Sentence(zda, "INGGA"));
  EXPECT_EQ("$INZDA,,,,,,", Sentence(zda, "INZDA"));
  EXPECT_EQ("$INHDG,,,,,", Sentence(even, "INHDG"));
  EXPECT_EQ("$INHDT,,T", Sentence(even, "INHDT"));
  EXPECT_EQ("$INAPB,A,V,,,,V,V,,,,,,,", Sentence(even, "INAPB")) << "a leg needs a fix";
  EXPECT_EQ("$INDPT,12.3,0.0", Sentence(even, "INDPT"));
  EXPECT_EQ("$INMTW,19.5,C", Sentence(even, "INMTW"));
  OutU32("SNOE", FALSE);
  for (int step = 0; step < 4; step++) EXPECT_EQ("", OutputRun(step));
}

U64 s_qwClockMs;
U64 TestClock(void) { return s_qwClockMs; }

// A fix and no heading sensor: an autopilot must read no heading, not north.
TEST_F(NmeaOutput, HeadingSentencesAreEmptyUnlessAHeadingSourceIsValid) {
  EXPECT_EQ("$INHDG,,,,,", Sentence(OutputRun(0), "INHDG"));
  EXPECT_EQ("$INHDT,,T", Sentence(OutputRun(0), "INHDT"));
  s_qwClockMs = 1000000;
  H_DATABASE_vSetClock(TestClock);
  H_DATABASE_bUpdateEverythingFloat(FCID("IHDC"), 123.4f, 7, D_HEADING, nullptr, 4);
  H_DATABASE_bUpdateEverythingFloat(FCID("IHDM"), 126.0f, 7, D_HEADING, nullptr, 4);
  std::string run = OutputRun(0);
  EXPECT_EQ("$INHDT,123.4,T", Sentence(run, "INHDT"));
  EXPECT_EQ("$INHDG,126.0,", Sentence(run, "INHDG").substr(0, 13));
  s_qwClockMs += 5000;  // the sensor fell silent four seconds ago
  run = OutputRun(0);
  H_DATABASE_vSetClock(nullptr);
  EXPECT_EQ("$INHDG,,,,,", Sentence(run, "INHDG"));
  EXPECT_EQ("$INHDT,,T", Sentence(run, "INHDT"));
}

// HDG as a strict reader takes it apart: the checksum over the body, five
// fields, and each direction E or W beside its number, or empty with it.
// "INHDG,126.0,,,2.5,W" -> {"126.0", "", "", "2.5", "W"}.
std::vector<std::string> HdgFields(const std::string& run) {
  for (const std::string& line : RunLines(run)) {
    if (line.compare(0, 6, "$INHDG") != 0) continue;
    const size_t star = line.find('*');
    U8 sum = 0;
    for (size_t i = 1; i < star; i++) sum ^= (U8)line[i];
    EXPECT_EQ(sum, (U8)strtoul(line.substr(star + 1, 2).c_str(), nullptr, 16)) << line;
    std::vector<std::string> fields;
    std::stringstream body(line.substr(7, star - 7));
    for (std::string field; std::getline(body, field, ',');) fields.push_back(field);
    if (line[star - 1] == ',') fields.push_back("");
    EXPECT_EQ(5u, fields.size()) << line;
    if (fields.size() != 5) return {};
    for (size_t number : {1u, 3u}) {
      const std::string& direction = fields[number + 1];
      EXPECT_TRUE(direction == "E" || direction == "W" || direction.empty()) << line;
      EXPECT_EQ(fields[number].empty(), direction.empty()) << line;
    }
    return fields;
  }
  ADD_FAILURE() << "no HDG in " << run;
  return {};
}

TEST_F(NmeaOutput, HeadingSentenceFieldsReadAsAStrictReaderReadsThem) {
  const std::vector<std::string> empty(5, "");
  EXPECT_EQ(empty, HdgFields(OutputRun(0))) << "a fix without a heading source";
  OutU32("IPFI", 0);
  EXPECT_EQ(empty, HdgFields(OutputRun(0))) << "no fix";
  OutU32("IPFI", 1);
  OutFloat("IHDM", 126.0f, D_HEADING);
  EXPECT_EQ((std::vector<std::string>{"126.0", "", "", "2.5", "W"}), HdgFields(OutputRun(0)));
}

TEST_F(NmeaOutput, FieldsRoundTheMinutesClampTheLegAndCarryTheZone) {
  char position[26];
  T_NMEA_vFormatPosition(48.0 + 59.99997 / 60.0, -(7.0 + 0.5 / 60.0), position, sizeof position);
  EXPECT_STREQ("4900.0000,N,00700.5000,W,", position);

  Navigate(-12.0f);
  WAYPOINT* w = T_NAV_pGetWaypoint(0);
  ASSERT_NE(nullptr, w);
  memset(w->sName, 0, sizeof w->sName);
  memcpy(w->sName, "A,B*C$D!E\x01", 10);
  const std::string apb = Sentence(OutputRun(0), "INAPB"), rmb = Sentence(OutputRun(1), "INRMB");
  EXPECT_NE(std::string::npos, apb.find(",12.000,R,N,")) << apb;
  EXPECT_NE(std::string::npos, apb.find(",T,A_B_C_D_E_,46.0,T,")) << apb;
  EXPECT_NE(std::string::npos, rmb.find("RMB,A,9.990,R,A_B_C_D,A_B_C_D,")) << "ids shortened to fit the line: " << rmb;
  EXPECT_NE(std::string::npos, rmb.find(",999.900,46.0,5.0,V")) << rmb;

  OutS32("SLTZ", -330);
  OutU32("SDST", TRUE);
  EXPECT_EQ("$INZDA,221320,14,11,2023,-04,30", Sentence(OutputRun(2), "INZDA"));
  setenv("TZ", "America/New_York", 1);
  tzset();
  EXPECT_EQ("$INZDA,221320,14,11,2023,-04,30", Sentence(OutputRun(2), "INZDA")) << "the host's zone plays no part";
  unsetenv("TZ");
  tzset();
}

// Fixes arrive while the output reads them: the position sent is always one
// fix's, never one's latitude with the other's longitude.
TEST_F(NmeaOutput, APositionIsSentWholeWhileFixesArrive) {
  const POSITION fixes[2] = {{48.13711, 11.57511}, {48.13722, 11.57522}};  // one cell of the field model
  std::string sent[2];
  for (int i = 0; i < 2; i++) {
    ASSERT_TRUE(T_NMEA_bUpdateLatLon(&fixes[i], 1700000000u, P_NORMAL));
    NMEA_OUT_DATA d;
    T_NMEA_vGatherOutput(&d);
    sent[i] = d.sPosition;
  }
  ASSERT_NE(sent[0].substr(0, 12), sent[1].substr(0, 12));
  ASSERT_NE(sent[0].substr(12), sent[1].substr(12));
  std::atomic<bool> done{false};
  std::thread writer([&] {
    for (int i = 0; i < 20000; i++) T_NMEA_bUpdateLatLon(&fixes[i % 2], 1700000000u, P_NORMAL);
    done = true;
  });
  int reads = 0, torn = 0;
  for (; !done; reads++) {
    NMEA_OUT_DATA d;
    T_NMEA_vGatherOutput(&d);
    if (d.bGPSValid && d.sPosition != sent[0] && d.sPosition != sent[1] && ++torn <= 3) ADD_FAILURE() << d.sPosition;
  }
  writer.join();
  EXPECT_EQ(0, torn) << "of " << reads << " reads";
}

// A port nobody listens on now.
int FreePort(void) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a = {};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t n = sizeof a;
  bind(fd, (sockaddr*)&a, sizeof a);
  getsockname(fd, (sockaddr*)&a, &n);
  close(fd);
  return ntohs(a.sin_port);
}

int Connect(int port) {
  for (int tries = 0; tries < 100; tries++, usleep(50000)) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_port = htons((uint16_t)port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, (sockaddr*)&a, sizeof a) == 0) return fd;
    close(fd);
  }
  return -1;
}

// Runs a second apart on a line Debian's gpsd reads: its position, time,
// speed and track reports are the database's values.
TEST_F(NmeaOutput, GpsdReadsTheDatabasesFixFromTheOutput) {
  std::string program;
  for (const char* where : {"/usr/sbin/gpsd", "/usr/bin/gpsd", "/usr/local/sbin/gpsd"}) {
    if (program.empty() && access(where, X_OK) == 0) program = where;
  }
  if (program.empty()) GTEST_SKIP() << "gpsd is not installed";
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(0, grantpt(master));
  ASSERT_EQ(0, unlockpt(master));
  const std::string dir = TEST_MakeTempDir("velmora-gpsd");
  const int port = FreePort();
  auto gpsd = TEST_Spawn(program, {"-N", "-n", "-b", "-S", std::to_string(port), "-F", dir + "/control",
                                  ptsname(master)});
  const int client = Connect(port);
  ASSERT_GE(client, 0);
  const std::string watch = "?WATCH={\"enable\":true,\"json\":true};";
  ASSERT_EQ((ssize_t)watch.size(), write(client, watch.data(), watch.size()));
  std::string reports;
  auto collect = [&](int ms) {
    struct pollfd p = {client, POLLIN, 0};
    char buffer[4096];
    for (U64 end = nmt::NowMs() + (U64)ms; nmt::NowMs() < end;) {
      if (poll(&p, 1, 20) <= 0) continue;
      const ssize_t n = read(client, buffer, sizeof buffer);
      if (n <= 0) break;
      reports.append(buffer, (size_t)n);
    }
  };
  const auto fixesWithSpeed = [&] {
    size_t n = 0;
    for (size_t at = reports.find("\"speed\":"); at != std::string::npos; at = reports.find("\"speed\":", at + 1)) n++;
    return n;
  };
  collect(300);
  // The runs at the unit's own pace, which gpsd takes for its cycle. A
  // starved gpsd may miss some while it hunts for the line's rate: more
  // runs follow, within ten seconds of the fix's time, until two fixes are in.
  for (int step = 0; step < 10 && fixesWithSpeed() < 2; step++) {
    OutU32("IDTM", 1700000000u + (U32)step);
    nmt::Write(master, OutputRun(step % 4));
    collect(700);
  }
  // It may also report late.
  nmt::WaitFor([&] { return collect(20), fixesWithSpeed() >= 2; }, 2000);
  close(client);
  TEST_Signal(gpsd.get(), SIGTERM);
  TEST_Finish(std::move(gpsd), 5000);
  close(master);
  // The database holds Mercator millimetres: their degrees, to the 1e-4
  // minute the sentences carry.
  POSITION where = {48.137, 11.575};
  POINT mm = {};
  ASSERT_EQ(NV_OK, nv_DegrToMeter(&where, &mm));
  ASSERT_EQ(NV_OK, nv_MeterToDegr(&mm, &where));
  int fixes = 0;
  for (size_t at = 0, end; (end = reports.find('\n', at)) != std::string::npos; at = end + 1) {
    const std::string line = reports.substr(at, end - at);
    std::string cls, time;
    double lat = 0, lon = 0, speed = 0, track = 0;
    if (!nmt::JString(line, "class", &cls) || cls != "TPV" || !nmt::JNumber(line, "lat", &lat)) continue;
    fixes++;
    EXPECT_NEAR(where.lat, lat, 1e-6) << line;
    EXPECT_TRUE(nmt::JNumber(line, "lon", &lon));
    EXPECT_NEAR(where.lon, lon, 1e-6) << line;
    EXPECT_TRUE(nmt::JString(line, "time", &time));
    EXPECT_EQ(0u, time.find("2023-11-14T22:13:2")) << line;
    EXPECT_TRUE(nmt::JNumber(line, "speed", &speed));
    EXPECT_NEAR(10.0 * 1852.0 / 3600.0, speed, 0.01) << line;
    EXPECT_TRUE(nmt::JNumber(line, "track", &track));
    EXPECT_NEAR(90.0, track, 0.05) << line;
  }
  EXPECT_GE(fixes, 2) << reports;
}

}  // namespace
