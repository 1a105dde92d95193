// Real receiver logs through a line into the running tasks, read against two
// other readings of the same logs: pynmea2's field-by-field decode for the
// positions, gpsd's reports for time, speed and track.

#include <dirent.h>
#include <math.h>
#include <time.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <sstream>
#include <vector>

#include "nmea_line.h"

namespace {

using namespace nmt;

struct TRACE {
  std::string sentence;
  NMEA_FIX_TRACE fix;
};

std::mutex g_lock;
std::vector<TRACE> g_traces;

void Collect(const NMEA_FIX_TRACE* t) {
  std::lock_guard<std::mutex> hold(g_lock);
  g_traces.push_back({t->pcSentence, *t});
  g_traces.back().fix.pcSentence = nullptr;
}

std::vector<std::string> LogNames(void) {
  std::vector<std::string> names;
  if (DIR* dir = opendir(VELMORA_NMEA_DATA)) {
    while (dirent* e = readdir(dir)) {
      std::string name = e->d_name;
      if (name.size() > 4 && name.compare(name.size() - 4, 4, ".log") == 0) names.push_back(name);
    }
    closedir(dir);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream all;
  all << in.rdbuf();
  return all.str();
}

class Peers : public Line {
 protected:
  // The log through the line, in pieces the receive queue can hold.
  std::vector<TRACE> Through(const std::string& log) {
    {
      std::lock_guard<std::mutex> hold(g_lock);
      g_traces.clear();
    }
    const std::string bytes = FileBytes(std::string(VELMORA_NMEA_DATA) + "/" + log) + "\r\n";
    for (size_t at = 0; at < bytes.size(); at += 1024) {
      Send(2, bytes.substr(at, 1024));
      EXPECT_TRUE(Consumed());
      ReadFar(master[2], 0);
    }
    EXPECT_EQ(0u, T_UART_u32DroppedBytes(2));
    std::lock_guard<std::mutex> hold(g_lock);
    return g_traces;
  }

  // Every GGA, and every RMC with status A, that pynmea2 found a position in
  // gave the same position, and nothing else gave one.
  static void ExpectPynmea2Positions(const std::string& log, const std::vector<TRACE>& traces) {
    std::multiset<std::string> expected;
    std::map<std::string, std::pair<double, double>> position;
    for (const std::string& line : Lines(std::string(VELMORA_NMEA_DATA) + "/" + log + ".pynmea2.jsonl")) {
      std::string type, sentence, status, stamp;
      double lat, lon;
      if (!JString(line, "type", &type) || (type != "GGA" && type != "RMC")) continue;
      if (line.find("\"checksum_ok\": true") == std::string::npos || !JNumber(line, "lat_deg", &lat) ||
          !JNumber(line, "lon_deg", &lon) || !JString(line, "sentence", &sentence)) {
        continue;
      }
      if (type == "RMC" && (!JString(line, "status", &status) || status != "A" ||
                            !JString(line, "timestamp", &stamp) || stamp.size() < 6)) {
        continue;
      }
      expected.insert(Framed(sentence));
      position[Framed(sentence)] = {lat, lon};
    }
    // pynmea2 reads no line with anything before its start character; the
    // framing skips to the start character, as gpsd does.
    std::set<std::string> indented;
    for (const std::string& line : Lines(std::string(VELMORA_NMEA_DATA) + "/" + log)) {
      size_t start = line.find('$');
      if (start != std::string::npos && start > 0) indented.insert(Framed(line));
    }
    size_t found = 0;
    for (const TRACE& t : traces) {
      if (!t.fix.bPosition || indented.count(t.sentence) != 0) continue;
      found++;
      auto it = position.find(t.sentence);
      ASSERT_NE(position.end(), it) << t.sentence;
      EXPECT_NEAR(it->second.first, t.fix.dLat, 1e-7) << t.sentence;
      EXPECT_NEAR(it->second.second, t.fix.dLon, 1e-7) << t.sentence;
    }
    EXPECT_EQ(expected.size(), found);
  }

  // gpsd's reports against the RMC of the same time of day: the date where
  // gpsd's week rollover left the year alone, and speed (m/s) and track where
  // gpsd has them from the receiver: a report without a track carries gpsd's
  // own speed estimate from successive fixes. With bPositions the position
  // too (gpsd prints nine decimals).
  static void ExpectGpsdReports(const std::string& log, const std::vector<TRACE>& traces, bool bPositions) {
    int compared = 0;
    const bool bTimes = std::any_of(traces.begin(), traces.end(), [](const TRACE& t) { return t.fix.bTime != FALSE; });
    for (const std::string& line : Lines(std::string(VELMORA_NMEA_DATA) + "/" + log + ".chk")) {
      std::string stamp;
      if (line.rfind("{\"class\":\"TPV\"", 0) != 0 || !JString(line, "time", &stamp)) continue;
      struct tm gpsd = {};
      double seconds = 0;
      if (sscanf(stamp.c_str(), "%d-%d-%dT%d:%d:%lf", &gpsd.tm_year, &gpsd.tm_mon, &gpsd.tm_mday, &gpsd.tm_hour,
                 &gpsd.tm_min, &seconds) != 6) {
        continue;
      }
      const double tod = gpsd.tm_hour * 3600.0 + gpsd.tm_min * 60.0 + seconds;
      double speed, track, lat, lon;
      const bool bTrack = JNumber(line, "track", &track);
      const bool bSpeed = bTrack && JNumber(line, "speed", &speed);
      std::vector<std::string> misses;
      bool bMatch = false, bSameTime = false;
      for (const TRACE& t : traces) {
        if (!t.fix.bTime || fabs(t.fix.dTimeOfDay - tod) > 0.0005) continue;
        bSameTime = true;
        time_t ours = t.fix.u32DateTime;
        struct tm utc;
        gmtime_r(&ours, &utc);
        bool ok = utc.tm_hour == gpsd.tm_hour && utc.tm_min == gpsd.tm_min && utc.tm_sec == (int)seconds;
        if (utc.tm_year + 1900 == gpsd.tm_year) ok = ok && utc.tm_mon + 1 == gpsd.tm_mon && utc.tm_mday == gpsd.tm_mday;
        if (bSpeed && t.fix.bMotion) ok = ok && fabs(speed - t.fix.dKnots * 1852.0 / 3600.0) < 0.0006;
        if (bTrack && t.fix.bCourse) ok = ok && fabs(track - t.fix.dCourse) < 0.0001;
        if (bPositions && JNumber(line, "lat", &lat) && JNumber(line, "lon", &lon)) {
          ok = ok && fabs(lat - t.fix.dLat) < 1e-8 && fabs(lon - t.fix.dLon) < 1e-8;
        }
        bMatch = bMatch || ok;
        if (!ok) misses.push_back(t.sentence);
      }
      if (!bSameTime) continue;
      compared++;
      EXPECT_TRUE(bMatch) << line << "\n  against " << misses.front();
    }
    EXPECT_EQ(bTimes, compared > 0);
  }
};

TEST_F(Peers, EveryLogReadsAsPynmea2AndGpsdReadIt) {
  ASSERT_NO_FATAL_FAILURE(StartUnit());
  T_NMEA_vSetFixTrace(Collect);
  const std::vector<std::string> logs = LogNames();
  ASSERT_GE(logs.size(), 17u);
  for (const std::string& log : logs) {
    SCOPED_TRACE(log);
    std::vector<TRACE> traces = Through(log);
    ExpectPynmea2Positions(log, traces);
    ExpectGpsdReports(log, traces, log == "nmea-fuzzy-cases.log");
  }
}

// The receiver reports GPS, GLONASS, Galileo and BeiDou views; the GPS
// channels hold the last whole GPS group and nothing of the others.
TEST_F(Peers, AMultiSystemReceiverLeavesOnlyGpsSatellitesInTheGpsView) {
  ASSERT_NO_FATAL_FAILURE(StartUnit());
  const std::string log = "ublox-zed-f9p-nmea.log";
  Through(log);
  std::set<int> group, last;
  for (const std::string& line : Lines(std::string(VELMORA_NMEA_DATA) + "/" + log + ".pynmea2.jsonl")) {
    std::string type, talker, count, number;
    if (!JString(line, "type", &type) || type != "GSV" || !JString(line, "talker", &talker) || talker != "GP") continue;
    JString(line, "num_messages", &count);
    JString(line, "msg_num", &number);
    if (number == "1") group.clear();
    for (int i = 1; i <= 4; i++) {
      std::string prn;
      if (JString(line, "sv_prn_num_" + std::to_string(i), &prn) && !prn.empty()) group.insert(atoi(prn.c_str()));
    }
    if (number == count) last = group;
  }
  ASSERT_FALSE(last.empty());
  std::set<int> view;
  for (int channel = 1; channel <= 20; channel++) {
    std::string key = "ISA";
    key += (char)(channel <= 9 ? '0' + channel : 'A' + channel - 10);
    U32 record = Fetch(key).data.u32Val;
    if (record != 0) view.insert((int)(record & 0xFF));
  }
  EXPECT_EQ(last, view);
}

}  // namespace
