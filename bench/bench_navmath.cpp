// The navigation maths against reference libraries on the same million
// points: Mercator both ways against PROJ, rhumb bearing and distance against
// GeographicLib's Rhumb, the declination against GeographicLib's spherical
// harmonic sum with our coefficients, and the plan projection against a
// plain copy of the points in the same run (x_memcpy).

#include <GeographicLib/Geocentric.hpp>
#include <GeographicLib/Rhumb.hpp>
#include <GeographicLib/SphericalHarmonic1.hpp>
#include <benchmark/benchmark.h>
#include <math.h>
#include <proj.h>
#include <string.h>

#include <random>
#include <vector>

#include "bench_timing.h"
#include "navmath.h"
#include "u_geomag.h"
#include "u_geomag_wmm2015.h"
#include "u_nav.h"

namespace {

constexpr int kPoints = 1000000;
constexpr U32 kTime2018 = (U32)((2018.0 - 1970.0) * 31557600.0);

struct POINTS {
  std::vector<POSITION> from, to;
  std::vector<POINT> relative;
  POINTS() {
    std::mt19937 rng(24);
    std::uniform_real_distribution<double> lat(-75, 75), lon(-180, 180), step(-2, 2);
    std::uniform_int_distribution<S32> metres(-400, 400);
    for (int i = 0; i < kPoints; i++) {
      from.push_back({lat(rng), lon(rng)});
      to.push_back({from.back().lat + step(rng), nv_Coangle(from.back().lon + step(rng))});
      relative.push_back({metres(rng) * 1000, metres(rng) * 1000});
    }
  }
};
const POINTS& Points() {
  static const POINTS s_points;
  return s_points;
}

void BM_Mercator_ForwardInverse(benchmark::State& state) {
  const POINTS& p = Points();
  for (auto _ : state) {
    for (const POSITION& pos : p.from) {
      POINT pt;
      POSITION back;
      nv_DegrToMeter(&pos, &pt);
      nv_MeterToDegr(&pt, &back);
      benchmark::DoNotOptimize(back);
    }
  }
  state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_Mercator_ForwardInverse)->Unit(benchmark::kMillisecond);

void BM_Proj_MercatorForwardInverse(benchmark::State& state) {
  const POINTS& p = Points();
  PJ_CONTEXT* ctx = proj_context_create();
  PJ* merc = proj_create(ctx, "+proj=merc +ellps=intl");
  std::vector<PJ_COORD> radians;
  for (const POSITION& pos : p.from) radians.push_back(proj_coord(proj_torad(pos.lon), proj_torad(pos.lat), 0, 0));
  for (auto _ : state) {
    for (const PJ_COORD& c : radians) {
      const PJ_COORD back = proj_trans(merc, PJ_INV, proj_trans(merc, PJ_FWD, c));
      benchmark::DoNotOptimize(back);
    }
  }
  proj_destroy(merc);
  proj_context_destroy(ctx);
  state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_Proj_MercatorForwardInverse)->Unit(benchmark::kMillisecond);

void BM_Rhumb_BearingDistance(benchmark::State& state) {
  const POINTS& p = Points();
  for (auto _ : state) {
    for (int i = 0; i < kPoints; i++) {
      double bearing, nm;
      nv_GeoRouteAngle(&p.from[i], &p.to[i], &bearing);
      nv_CalcDistance(&p.from[i], &p.to[i], bearing, &nm);
      benchmark::DoNotOptimize(nm);
    }
  }
  state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_Rhumb_BearingDistance)->Unit(benchmark::kMillisecond);

void BM_GeographicLib_RhumbInverse(benchmark::State& state) {
  const POINTS& p = Points();
  const GeographicLib::Rhumb rhumb(6378388.0, 1.0 / 297.0);
  for (auto _ : state) {
    for (int i = 0; i < kPoints; i++) {
      double s12, azi12;
      rhumb.Inverse(p.from[i].lat, p.from[i].lon, p.to[i].lat, p.to[i].lon, s12, azi12);
      benchmark::DoNotOptimize(s12);
    }
  }
  state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_GeographicLib_RhumbInverse)->Unit(benchmark::kMillisecond);

void BM_MagneticVariation(benchmark::State& state) {
  const POINTS& p = Points();
  for (auto _ : state) {
    for (const POSITION& pos : p.from) benchmark::DoNotOptimize(dMagneticVariation(0.0, pos.lat, pos.lon, kTime2018));
  }
  state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_MagneticVariation)->Unit(benchmark::kMillisecond);

// The same model for GeographicLib: our packed coefficients back to Schmidt
// semi-normalised g and h, in its column-major order. The model refers to
// the coefficient vectors, so they live as long as the program.
struct PEER_COEFFICIENTS {
  std::vector<double> C, S, C1, S1;
};
GeographicLib::SphericalHarmonic1 PeerModel() {
  static PEER_COEFFICIENTS s_k;
  constexpr int N = 12;
  double snorm[N + 1][N + 1] = {};
  snorm[0][0] = 1.0;
  for (int n = 1; n <= N; n++) {
    snorm[n][0] = snorm[n - 1][0] * (2 * n - 1) / n;
    for (int m = 1; m <= n; m++) snorm[n][m] = snorm[n][m - 1] * sqrt((n - m + 1) * (m == 1 ? 2.0 : 1.0) / (n + m));
  }
  if (s_k.C.empty()) {
    for (int m = 0; m <= N; m++) {
      for (int n = m; n <= N; n++) {
        s_k.C.push_back(n == 0 ? 0.0 : s_adGeomagMain[m][n] / snorm[n][m]);
        s_k.C1.push_back(n == 0 ? 0.0 : s_adGeomagSecular[m][n] / snorm[n][m]);
        if (m > 0) {
          s_k.S.push_back(s_adGeomagMain[n][m - 1] / snorm[n][m]);
          s_k.S1.push_back(s_adGeomagSecular[n][m - 1] / snorm[n][m]);
        }
      }
    }
  }
  return GeographicLib::SphericalHarmonic1(s_k.C, s_k.S, N, s_k.C1, s_k.S1, N, 6371200.0,
                                           GeographicLib::SphericalHarmonic1::SCHMIDT);
}

double PeerDeclination(const GeographicLib::SphericalHarmonic1& model, double tau, double lat, double lon) {
  double X, Y, Z, gx, gy, gz;
  std::vector<double> M(9);
  GeographicLib::Geocentric::WGS84().Forward(lat, lon, 0.0, X, Y, Z, M);
  model(tau, X, Y, Z, gx, gy, gz);
  const double east = M[0] * gx + M[3] * gy + M[6] * gz;
  const double north = M[1] * gx + M[4] * gy + M[7] * gz;
  return atan2(-east, -north) * 180.0 / M_PI;
}

void BM_GeographicLib_SphericalHarmonic12(benchmark::State& state) {
  const POINTS& p = Points();
  const GeographicLib::SphericalHarmonic1 model = PeerModel();
  const double tau = kTime2018 * 3.168876464081849e-8 - 45.0;
  // Both sides compute the same declination.
  for (int i = 0; i < 1000; i++) {
    const double gap = fabs(PeerDeclination(model, tau, p.from[i].lat, p.from[i].lon) -
                            dMagneticVariation(0.0, p.from[i].lat, p.from[i].lon, kTime2018));
    if (fmin(gap, 360.0 - gap) > 1e-6) {
      state.SkipWithError("the two models disagree");
      return;
    }
  }
  for (auto _ : state) {
    for (const POSITION& pos : p.from) benchmark::DoNotOptimize(PeerDeclination(model, tau, pos.lat, pos.lon));
  }
  state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_GeographicLib_SphericalHarmonic12)->Unit(benchmark::kMillisecond);

void BM_PlanProjection(benchmark::State& state) {
  const POINTS& p = Points();
  std::vector<POINT> out(kPoints);
  GP_ROTCONTEXT rot;
  gr_ResetRotationContext(&rot);
  gr_SetRotationAngle(&rot, 33.0);
  const POINT centre = {400, 240};
  std::vector<POINT> copy(kPoints);
  state.counters["x_memcpy"] = BENCH_dCompare(
      state,
      [&] {
        for (int i = 0; i < kPoints; i++) {
          out[i] = p.relative[i];
          U_NAV_vConvertMMToPixel(&out[i], &rot, &centre, 1 << 22);
        }
      },
      [&] { memcpy(copy.data(), p.relative.data(), kPoints * sizeof(POINT)); });
  state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_PlanProjection)->Unit(benchmark::kMillisecond)->UseManualTime();

}  // namespace
