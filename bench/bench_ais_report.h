// A class A AIS report as the AIS benchmarks feed the decoder.
#pragma once

#include <math.h>

#include <string>

#include "basetypes.h"

// A class A report of mmsi at lat, lon (degrees), its course over ground in
// tenths of a degree and its speed in tenths of a knot.
inline std::string BENCH_AisReportAt(U32 mmsi, double dLat, double dLon, int nCogTenths, int nSogTenths) {
  std::string bits;
  auto put = [&](long long v, int width) {
    for (int i = width - 1; i >= 0; i--) bits += (char)('0' + ((v >> i) & 1));
  };
  put(1, 6), put(0, 2), put(mmsi, 30), put(0, 4), put(0, 8), put(nSogTenths, 10), put(1, 1);
  put(llround(dLon * 600000), 28), put(llround(dLat * 600000), 27);
  put(nCogTenths % 3600, 12), put(511, 9), put(60, 6), put(0, 25);
  std::string armour;
  for (size_t i = 0; i < bits.size(); i += 6) {
    const int v = std::stoi(bits.substr(i, 6), nullptr, 2);
    armour += (char)(v < 40 ? v + 48 : v + 56);
  }
  return "AIVDM,1,1,,A," + armour + ",0";
}

// A class A report of mmsi near 52 N 4 E, moving.
inline std::string BENCH_AisReport(U32 mmsi, int n) {
  return BENCH_AisReportAt(mmsi, 52.0 + (n % 41) * 0.01, 4.0 + (n % 37) * 0.01, (n * 97) % 3600, 50 + n % 200);
}
