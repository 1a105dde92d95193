// The AIS decoder by report type in messages a second, next to gpsdecode on
// the same corpus sentences in the same run, its start-up taken off; the
// unit's whole path (framing, decoding, pool, closest approach) next to it
// too; reports merged into a full pool and an insertion at its front; and
// the closest approach of 150 targets, against a millisecond.

#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "ais_manager.h"
#include "bench_ais_report.h"
#include "bench_gpsdecode.h"
#include "bench_timing.h"
#include "h_database.h"
#include "navmath.h"
#include "t_nmea_internal.h"
#include "t_startup.h"
#include "u_convert.h"

namespace {

const std::string kCorpus = VELMORA_AIS_DATA "/corpus/";

std::vector<std::string> FileLines(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The corpus sentences of the units of one type ("1", "5", "18", "24A"...,
// a prefix), and how many messages they hold.
std::vector<std::string> Sentences(const std::string& type, int* pMessages) {
  const std::vector<std::string> corpus = FileLines(kCorpus + "corpus.nmea");
  std::vector<std::string> out;
  *pMessages = 0;
  for (const std::string& row : FileLines(kCorpus + "index.tsv")) {
    unsigned first, last, messages;
    char unitType[16], sentence[16];
    if (sscanf(row.c_str(), "%*u %15s %15s %u %*u %u %u", unitType, sentence, &messages, &first, &last) != 5) continue;
    if (std::string(unitType).rfind(type, 0) != 0 || std::string(sentence).find("VDM") == std::string::npos) continue;
    if (type == "1" && std::string(unitType) != "1") continue;
    for (unsigned l = first; l <= last; l++) out.push_back(corpus[l - 1]);
    *pMessages += (int)messages;
  }
  return out;
}

// gpsdecode -u over the sentences repeated to about 200,000 lines, its
// start-up taken off: messages a processor second, 0 when it is not
// installed. Ours is counted in this thread's processor seconds too.
double GpsdecodeRate(const std::vector<std::string>& sentences, int messages) {
  const size_t repeat = 200000 / sentences.size() + 1;
  const double seconds = BENCH_dGpsdecodeSeconds("-u", sentences, repeat);
  return seconds > 0 ? (double)messages * (double)repeat / seconds : 0;
}

// The bare decoder: the same sentences decoded in a loop, nothing kept.
void BM_DecodeByType(benchmark::State& state, const std::string& type) {
  int messages = 0;
  const std::vector<std::string> lines = Sentences(type, &messages);
  const double peer = GpsdecodeRate(lines, messages);
  // As the framing hands them over: without the start character.
  std::vector<std::string> sentences;
  for (const std::string& s : lines) sentences.push_back(s.substr(1));
  static AIS_MANAGER s_manager;
  ais_ResetManager(&s_manager);
  int decoded = 0;
  const double start = BENCH_dThreadCpu();
  for (auto _ : state) {
    for (const std::string& s : sentences) {
      aisDataVDM data = {};
      aisTargetINFO record;
      ais_DecodeSentence(&s_manager, s.c_str(), &data, &record);
      decoded += data.bMessage;
      benchmark::DoNotOptimize(record);
    }
  }
  const double ours = decoded / (BENCH_dThreadCpu() - start);
  state.SetItemsProcessed(decoded);
  state.counters["messages"] = messages;
  state.counters["gpsdecode_per_s"] = peer;
  // How many times gpsdecode's rate ours is.
  state.counters["x_gpsdecode"] = peer > 0 ? ours / peer : 0;
}
BENCHMARK_CAPTURE(BM_DecodeByType, type1, std::string("1"))->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_DecodeByType, type5_two_part, std::string("5"))->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_DecodeByType, type18, std::string("18"))->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_DecodeByType, type24, std::string("24"))->Unit(benchmark::kMicrosecond);

U32 g_u32BenchClock;


void Unit(void) {
  H_DATABASE_vInit();
  U_CONVERT_vInitialiseConversionUtility();
  const POSITION own = {52.2, 4.2};
  POINT mm;
  nv_DegrToMeter(&own, &mm);
  H_DATABASE_bUpdateEverythingS32(FCID("ILAT"), mm.y, P_NORMAL, D_POSITION_LAT_MM, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingS32(FCID("ILON"), mm.x, P_NORMAL, D_POSITION_LON_MM, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingFloat(FCID("ISOG"), (float)dConvertToInternal(9.0, D_SPEED, U_KNOTS), P_NORMAL,
                                    D_SPEED, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingFloat(FCID("IHDG"), 30.0f, P_NORMAL, D_HEADING, nullptr, DB_NEVER_STALE);
  T_NMEA_vSetAisClock([] { return g_u32BenchClock; });
  g_u32BenchClock = 0;
  T_NMEA_vAisInit();
}

// Every VDM sentence of the corpus through the unit as the line brings it:
// framing and checksum, decoding, the merge into the pool and the closest
// approach of the target it changed; against gpsdecode over the same
// sentences. Goal: x_gpsdecode at least 1.
void BM_UnitPathAgainstGpsdecode(benchmark::State& state) {
  Unit();
  H_DATABASE_bUpdateEverythingBoolean(FCID("SAIS"), TRUE, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  g_NMEA.u32SystemState = STATE_NORMAL_RUN;
  T_NMEA_vResetInput();
  NMEA_PORT_INFO* port = T_NMEA_pInitPortInfo(ID_EXTERNAL_GPS);
  int messages = 0;
  const std::vector<std::string> lines = Sentences("", &messages);
  const double peer = GpsdecodeRate(lines, messages);
  std::string stream;
  for (const std::string& s : lines) stream += s + "\r\n";
  size_t passes = 0;
  const double start = BENCH_dThreadCpu();
  for (auto _ : state) {
    for (char c : stream) T_NMEA_bFrameEntry(port, (U8)c);
    passes++;
  }
  const double ours = (double)messages * (double)passes / (BENCH_dThreadCpu() - start);
  state.SetItemsProcessed((int64_t)(messages * passes));
  state.counters["targets"] = T_NMEA_u32GetAisNumOfTargets();
  state.counters["gpsdecode_per_s"] = peer;
  state.counters["x_gpsdecode"] = peer > 0 ? ours / peer : 0;
}
BENCHMARK(BM_UnitPathAgainstGpsdecode)->Unit(benchmark::kMicrosecond);

// Reports of held targets: each decoded and merged field by field.
void BM_DecodeMergeIntoFullPool(benchmark::State& state) {
  Unit();
  std::vector<std::string> reports;
  for (U32 i = 0; i < AIS_MAX_TARGETS; i++) reports.push_back(BENCH_AisReport(1000 + 2 * i, (int)i));
  for (const std::string& r : reports) T_NMEA_bAisDecodeVDM(r.c_str(), 0);
  size_t n = 0;
  for (auto _ : state) {
    T_NMEA_bAisDecodeVDM(reports[n++ % reports.size()].c_str(), 0);
  }
  state.SetItemsProcessed((int64_t)state.iterations());
  state.counters["targets"] = T_NMEA_u32GetAisNumOfTargets();
}
BENCHMARK(BM_DecodeMergeIntoFullPool)->Unit(benchmark::kNanosecond);

// A new MMSI below all 149 held: inserted at the front (every entry moves
// up), then timed out again (every entry moves back).
void BM_InsertAtTheFrontAndDrop(benchmark::State& state) {
  Unit();
  for (U32 i = 0; i < AIS_MAX_TARGETS - 1; i++) {
    T_NMEA_bAisDecodeVDM(BENCH_AisReport(1000 + 2 * i, (int)i).c_str(), 5000);
  }
  const std::string front = BENCH_AisReport(7, 3);
  ais_DeviceInfo* p;
  for (auto _ : state) {
    g_u32BenchClock = 0;
    T_NMEA_bAisDecodeVDM(front.c_str(), 0);
    g_u32BenchClock = 5000;
    T_NMEA_bScanAisPoints(0, &p);
    T_NMEA_bAisCheckTimeout(p, 0);
  }
  state.SetItemsProcessed((int64_t)state.iterations());
}
BENCHMARK(BM_InsertAtTheFrontAndDrop)->Unit(benchmark::kNanosecond);

void BM_CollisionValuesOf150Targets(benchmark::State& state) {
  Unit();
  for (U32 i = 0; i < AIS_MAX_TARGETS; i++) T_NMEA_bAisDecodeVDM(BENCH_AisReport(1000 + 2 * i, (int)i).c_str(), 0);
  for (auto _ : state) T_NMEA_vAisCalculateCollisionValue();
  state.counters["targets"] = T_NMEA_u32GetAisNumOfTargets();
}
BENCHMARK(BM_CollisionValuesOf150Targets)->Unit(benchmark::kMicrosecond);

}  // namespace
