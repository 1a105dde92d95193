// The AIS decoder against two other decoders' readings of the same real
// sentences: gpsdecode's raw field values and libais' scaled ones, unit by
// unit of the corpus and message by message of gpsd's sample file; and the
// corpus through the rig's serial port into the running NMEA task.

#include <fcntl.h>
#include <math.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <set>
#include <sstream>
#include <thread>

#include "ais_sentences.h"
#include "nmea_line.h"

namespace {

using namespace aist;
using namespace nmt;

const std::string kAisData = VELMORA_AIS_DATA;

bool JTrue(const std::string& j, const std::string& key) {
  return j.find("\"" + key + "\":true") != std::string::npos || j.find("\"" + key + "\": true") != std::string::npos;
}

// A raw field of gpsdecode -u: the values that mean "not available", and
// ours as a raw value.
struct AIS_RAW {
  const char* key;
  U32 flag;
  bool (*known)(double raw);
  double (*ours)(const aisTargetINFO& r, double type);
};
const AIS_RAW kRaw[] = {
    {"turn", ROT_FLAG_INDEX, [](double v) { return v != -128; },
     [](const aisTargetINFO& r, double) { return copysign(llround(4.733 * sqrt(fabs(r.Rot.Value))), r.Rot.Value); }},
    {"speed", SOG_FLAG_INDEX, [](double v) { return v != 1023; },
     [](const aisTargetINFO& r, double type) { return (double)llround(type == 9 ? r.Sog : r.Sog * 10); }},
    {"course", COG_FLAG_INDEX, [](double v) { return v < 3600; },
     [](const aisTargetINFO& r, double) { return (double)llround(r.Cog * 10); }},
    {"heading", TRUEHEAD_FLAG_INDEX, [](double v) { return v < 360; },
     [](const aisTargetINFO& r, double) { return (double)r.TrueHeading; }},
    {"second", UTCSEC_FLAG_INDEX, [](double v) { return v < 60; },
     [](const aisTargetINFO& r, double) { return (double)r.TimeStamp_UTCsec; }},
    {"alt", ALTITUDE_FLAG_INDEX, [](double v) { return v != 4095; },
     [](const aisTargetINFO& r, double) { return (double)r.Altitude; }},
    {"imo", IMO_FLAG_INDEX, [](double v) { return v >= 1 && v <= 999999999; },
     [](const aisTargetINFO& r, double) { return (double)r.IMO; }},
    {"shiptype", SHIPTYPE_FLAG_INDEX, [](double v) { return v >= 1 && v <= 99; },
     [](const aisTargetINFO& r, double) { return (double)r.ShipType; }},
    {"draught", DRAUGHT_FLAG_INDEX, [](double v) { return v != 0; },
     [](const aisTargetINFO& r, double) { return (double)llround(r.Draught * 10); }},
    {"status", NAVSTATUS_FLAG_INDEX, [](double) { return true; },
     [](const aisTargetINFO& r, double) { return (double)r.NavStatus; }},
};

// A raw value the standard calls "not available" must leave our flag
// cleared; any other must set it and give that value back.
void ExpectGpsdecode(const aisTargetINFO& r, const std::string& j) {
  const BOOLEAN* flag = r.validityFlag;
  double v, type = 0, lat, lon, a, b, c, d;
  std::string s;
  JNumber(j, "type", &type);
  if (JNumber(j, "mmsi", &v)) { EXPECT_EQ(v, r.MMSI); }
  for (const AIS_RAW& f : kRaw) {
    if (!JNumber(j, f.key, &v)) continue;
    EXPECT_EQ(f.known(v), flag[f.flag] != 0) << f.key;
    if (f.known(v)) { EXPECT_EQ(v, f.ours(r, type)) << f.key; }
  }
  if (j.find("\"accuracy\"") != std::string::npos) { EXPECT_EQ(JTrue(j, "accuracy"), r.PosAccuracy == LOWER_TEN_METERS); }
  if (JNumber(j, "lat", &lat) && JNumber(j, "lon", &lon)) {
    const bool bKnown = fabs(lat) <= 54000000 && fabs(lon) <= 108000000;
    EXPECT_EQ(bKnown, flag[SHIPPOS_FLAG_INDEX] != 0);
    const std::pair<double, double> ours = {(double)llround(r.Latitude * 600000), (double)llround(r.Longitude * 600000)};
    if (bKnown) { EXPECT_EQ(std::make_pair(lat, lon), ours); }
  }
  for (auto [key, text, index] : {std::tuple{"shipname", r.Name, NAME_FLAG_INDEX},
                                  std::tuple{"callsign", r.CallSign, CALLSIGN_FLAG_INDEX},
                                  std::tuple{"destination", r.Destination, DEST_FLAG_INDEX}}) {
    if (!JString(j, key, &s)) continue;
    EXPECT_EQ(!s.empty(), flag[index] != 0) << key;
    if (!s.empty()) { EXPECT_EQ(s, text) << key; }
  }
  if (JNumber(j, "to_bow", &a) && JNumber(j, "to_stern", &b) && JNumber(j, "to_port", &c) &&
      JNumber(j, "to_starboard", &d)) {
    const bool bKnown = (a != 0 || b != 0) && (c != 0 || d != 0);
    const strDimRefPos& dim = r.ShipDimension;
    EXPECT_EQ(bKnown, flag[SHIPDIM_FLAG_INDEX] != 0);
    const std::vector<double> ours = {(double)dim.DimBow_A, (double)dim.DimStern_B, (double)dim.DimPort_C,
                                      (double)dim.DimStarboard_D};
    if (bKnown) { EXPECT_EQ((std::vector<double>{a, b, c, d}), ours); }
  }
  int month, day, hour, minute;
  if (JString(j, "eta", &s) && sscanf(s.c_str(), "%d-%dT%d:%dZ", &month, &day, &hour, &minute) == 4) {
    const bool bKnown = (month >= 1 && month <= 12 && day >= 1) || (hour < 24 && minute < 60);
    EXPECT_EQ(bKnown, flag[ETA_FLAG_INDEX] != 0);
    const std::pair<U32, U32> eta = {(U32)(day * 10000 + month * 100), (U32)(hour * 10000 + minute * 100)};
    if (bKnown) { EXPECT_EQ(eta, std::make_pair(r.Eta.Date, r.Eta.Time)); }
  }
}

// libais keeps the '@' padding of texts; what lies before the first '@',
// without trailing spaces, is the text.
std::string Unpadded(std::string s) {
  s = s.substr(0, s.find('@'));
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

// libais' scaled values, in single precision, where our flags say the field
// is known.
void ExpectLibais(const aisTargetINFO& r, const std::string& m) {
  const BOOLEAN* flag = r.validityFlag;
  double v, x, y;
  std::string s;
  if (JNumber(m, "mmsi", &v)) { EXPECT_EQ(v, r.MMSI); }
  if (JNumber(m, "x", &x) && JNumber(m, "y", &y) && flag[SHIPPOS_FLAG_INDEX]) {
    EXPECT_NEAR(x, r.Longitude, 1e-6);
    EXPECT_NEAR(y, r.Latitude, 1e-6);
  }
  if (JNumber(m, "sog", &v) && flag[SOG_FLAG_INDEX]) { EXPECT_NEAR(v, r.Sog, 1e-4); }
  if (JNumber(m, "cog", &v) && flag[COG_FLAG_INDEX]) { EXPECT_NEAR(v, r.Cog, 1e-4); }
  if (JNumber(m, "true_heading", &v) && flag[TRUEHEAD_FLAG_INDEX]) { EXPECT_EQ(v, r.TrueHeading); }
  if (JNumber(m, "rot", &v) && flag[ROT_FLAG_INDEX]) { EXPECT_NEAR(v, r.Rot.Value, 1e-3 * std::max(1.0, fabs(v))); }
  for (auto [key, text] : {std::pair{"name", r.Name}, std::pair{"callsign", r.CallSign},
                           std::pair{"destination", r.Destination}}) {
    if (!JString(m, key, &s)) continue;
    // libais' six-bit table has '-' for 31 and '`' for 39, where the
    // standard (and gpsdecode) has '_' and the apostrophe.
    std::string ours = text;
    std::replace(ours.begin(), ours.end(), '_', '-');
    std::replace(ours.begin(), ours.end(), '\'', '`');
    EXPECT_EQ(Unpadded(s), ours) << key;
  }
}

TEST_F(Ais, EveryCorpusUnitDecodesAsGpsdecodeAndLibaisDo) {
  const std::vector<std::string> sentences = Lines(kAisData + "/corpus/corpus.nmea");
  const std::vector<std::string> index = Lines(kAisData + "/corpus/index.tsv");
  const std::vector<std::string> gpsd = Lines(kAisData + "/corpus/corpus.gpsdecode-u.jsonl");
  const std::vector<std::string> libais = Lines(kAisData + "/corpus/corpus.libais.jsonl");
  ASSERT_EQ(index.size(), gpsd.size() + 1);
  ASSERT_EQ(gpsd.size(), libais.size());
  int gpsdUnits = 0, libaisMessages = 0;
  for (size_t u = 0; u < gpsd.size(); u++) {
    unsigned unit, first, last, mmsi;
    char type[16];
    ASSERT_EQ(5, sscanf(index[u + 1].c_str(), "%u %15s %*s %*s %*s %u %u %u", &unit, type, &first, &last, &mmsi));
    SCOPED_TRACE(::testing::Message() << "unit " << unit << " type " << type);
    T_NMEA_vAisInit();
    for (unsigned line = first; line <= last; line++) Feed(Framed(sentences[line - 1]));
    ASSERT_EQ(1u, T_NMEA_u32GetAisNumOfTargets());
    const aisTargetINFO& r = Held(mmsi)->aisInfo;
    if (gpsd[u] != "null") {
      ExpectGpsdecode(r, gpsd[u]);
      gpsdUnits++;
    }
    // One object per message of the unit; those libais refuses for their
    // bit count gpsdecode reads, and so do we.
    std::string array = libais[u];
    for (size_t at = 0; (at = array.find('{', at)) != std::string::npos; at++) {
      const std::string message = array.substr(at, array.find('}', at) - at + 1);
      if (message.find("\"error\"") != std::string::npos) continue;
      ExpectLibais(r, message);
      libaisMessages++;
    }
  }
  EXPECT_EQ(707, gpsdUnits);
  EXPECT_GT(libaisMessages, 730);
}

// Each message of a followed type in file order, decoded alone; one we
// refuse stands as a record without validTarget.
std::vector<aisTargetINFO> SampleMessages(const std::vector<std::string>& lines) {
  static AIS_MANAGER s_manager;
  ais_ResetManager(&s_manager);
  std::vector<aisTargetINFO> out;
  for (const std::string& line : lines) {
    if (line.empty() || line[0] != '!') continue;
    aisDataVDM data = {};
    aisTargetINFO record = {};
    const std::string framed = Framed(line);
    if (ais_DecodeSentence(&s_manager, framed.c_str(), &data, &record) != AIS_RESULT_OK) continue;
    std::vector<std::string> field;
    std::stringstream split(framed);
    for (std::string f; std::getline(split, f, ',');) field.push_back(f);
    const int id = data.bMessage ? (int)data.messageId : ais_n8Bit_2_6Bit(field[5][0]);
    if (data.fragmentNumber == data.fragmentCount && id != 24 && ais_u32CarriedFlags((U32)id, 0) != 0) {
      out.push_back(record);
    }
  }
  return out;
}

TEST_F(Ais, GpsdsSampleFileDecodesAsGpsdecodeReadsIt) {
  const std::vector<std::string> lines = Lines(kAisData + "/gpsd-sample/sample.aivdm");
  const std::vector<aisTargetINFO> ours = SampleMessages(lines);
  std::vector<std::string> theirs, type24;
  for (const std::string& j : Lines(kAisData + "/gpsd-sample/sample.aivdm.gpsdecode-u.json")) {
    double type = 0;
    JNumber(j, "type", &type);
    if (type == 24) type24.push_back(j);
    if (type == 1 || type == 2 || type == 3 || type == 5 || type == 9 || type == 18 || type == 19) theirs.push_back(j);
  }
  ASSERT_EQ(theirs.size(), ours.size());
  int refused = 0;
  for (size_t i = 0; i < ours.size(); i++) {
    SCOPED_TRACE(theirs[i]);
    // The sample's 163-bit position report (fill bits 5) is short of the
    // 168 bits of its type: gpsdecode reads what is there, we refuse it.
    if (!ours[i].validTarget) {
      refused++;
      continue;
    }
    ExpectGpsdecode(ours[i], theirs[i]);
  }
  EXPECT_EQ(1, refused);
  // gpsd reports a static report B once both its parts are in.
  for (const std::string& line : lines) {
    if (!line.empty() && line[0] == '!') Feed(Framed(line));
  }
  ASSERT_EQ(1u, type24.size());
  double mmsi = 0;
  JNumber(type24[0], "mmsi", &mmsi);
  ASSERT_NE(nullptr, Held((U32)mmsi));
  ExpectGpsdecode(Held((U32)mmsi)->aisInfo, type24[0]);
}

TEST(AisRig, TheCorpusFedIntoTtyO3FillsThePoolWhileTheFixKeepsArriving) {
  TOOL_RIG rig;
  ASSERT_EQ(0, Tool(rig.dir, "create " + rig.dir));
  if (!std::filesystem::exists(rig.dir + "/serial/ttyO3")) GTEST_SKIP() << "no socat: the rig has no serial ports";
  // The corpus with a fix every 40 lines, as a receiver sharing the line
  // would send it.
  const std::vector<std::string> fix = Lines(VELMORA_NMEA_FIX);
  const std::string feed = rig.dir + "/corpus-and-fix.nmea";
  std::vector<U32> expected;
  {
    std::ofstream out(feed);
    std::set<U32> seen;
    const std::vector<std::string> corpus = Lines(kAisData + "/corpus/corpus.nmea");
    for (size_t i = 0; i < corpus.size(); i++) {
      if (i % 40 == 0) out << fix[0] << "\r\n";
      out << corpus[i] << "\r\n";
    }
    // The first 150 MMSIs heard by VDM, the pool refusing any after them.
    const std::vector<std::string> index = Lines(kAisData + "/corpus/index.tsv");
    for (size_t u = 1; u < index.size() && seen.size() < AIS_MAX_TARGETS; u++) {
      unsigned mmsi;
      char sentence[16];
      if (sscanf(index[u].c_str(), "%*u %*s %15s %*s %*s %*s %*s %u", sentence, &mmsi) == 2 &&
          std::string(sentence).find("VDM") != std::string::npos) {
        seen.insert(mmsi);
      }
    }
    expected.assign(seen.begin(), seen.end());
  }
  setenv("VELMORA_DEVROOT", rig.dir.c_str(), 1);
  PrepareUnit();
  T_NMEA_vSetAisClock(nullptr);
  ASSERT_NO_FATAL_FAILURE(StartUart());
  ASSERT_NO_FATAL_FAILURE(StartNmea());
  ASSERT_NO_FATAL_FAILURE(WaitNmeaHoldsLine2());
  H_DATABASE_bUpdateEverythingBoolean(FCID("SAIS"), TRUE, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  // The feed at the line's pace, ten bit times a byte, while there is room.
  const int fd = open((rig.dir + "/serial/ttyO3").c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(fd, 0);
  const U32 received = T_UART_u32ReceivedBytes(2);
  std::atomic<U32> written{0};
  std::atomic<bool> bDone{false}, bStalled{false};
  std::thread feeder([&] {
    const U64 start = NowMs();
    std::ifstream in(feed, std::ios::binary);
    const std::string all((std::istreambuf_iterator<char>(in)), {});
    for (size_t at = 0, next; at < all.size(); at = next) {
      next = std::min(all.find('\n', at), all.size() - 1) + 1;
      const std::string bytes = all.substr(at, next - at);
      if (!WaitFor([&] { return RoomToFeed(written, received, bytes.size()); }, 5000)) {
        bStalled = true;
        break;
      }
      Write(fd, bytes);
      written += (U32)bytes.size();
      SleepUntil(start + (U64)written * 10 * 1000 / 38400);
    }
    bDone = true;
  });
  EXPECT_TRUE(WaitFor([] { return Fetch("ILAT").bValid; }, 3000));
  int samples = 0, valid = 0;
  for (; !bDone; samples++) {
    L_CLOCK_Sleep(500);
    valid += Fetch("ILAT").bValid;
  }
  feeder.join();
  close(fd);
  EXPECT_FALSE(bStalled) << "the task stopped reading its line";
  EXPECT_EQ(samples, valid);
  EXPECT_GT(samples, 10);
  EXPECT_TRUE(WaitFor([] { return T_NMEA_u32GetAisNumOfTargets() == AIS_MAX_TARGETS; }, 2000));
  L_MUTEX_LockWait(RES_AIS_DATA);
  std::vector<U32> held;
  ais_DeviceInfo* p;
  for (S32 i = 0; T_NMEA_bScanAisPoints(i, &p); i++) held.push_back(p->aisInfo.MMSI);
  L_MUTEX_Unlock(RES_AIS_DATA);
  EXPECT_EQ(expected, held);
  StopTasks();
  unsetenv("VELMORA_DEVROOT");
}

}  // namespace
