// Datum shifts against PROJ's Molodensky transformation, and the magnetic
// declination against NOAA's published test values of the model.

#include <gtest/gtest.h>
#include <math.h>

#include <random>
#include <thread>

#include "peer.h"
#include "test_timing.h"
#include "u_datum.h"
#include "u_geomag.h"

namespace {

TEST(Datum, WgsNamesAndUnknownDatumsLeaveThePositionAlone) {
  for (int dp : {0, 30, 63, 89, 111, 123, 124, 500}) {
    double lat = 0, lon = 0;
    WGS84_2_Datum(51.5, -0.25, &lat, &lon, (DATUM_PLANE)dp);
    EXPECT_EQ(51.5, lat) << dp;
    EXPECT_EQ(-0.25, lon) << dp;
    Datum_2_WGS84((DATUM_PLANE)dp, 51.5, -0.25, &lat, &lon);
    EXPECT_EQ(51.5, lat) << dp;
    EXPECT_EQ(-0.25, lon) << dp;
  }
}

TEST(Datum, AShiftPastTheSeamComesBackOnTheOtherSide) {
  // Chatham's dy of -38 m pushes east at 180 degrees, at 44 S by
  // 38 / (N cos 44) = 38 / 4,595,700 m radians = 4.7376e-4 degree.
  double lat = 0, lon = 0;
  Datum_2_WGS84(DATUM_Chatham_1971, -44.0, 179.9999, &lat, &lon);
  EXPECT_NEAR(-179.9996262, lon, 2e-7);
  WGS84_2_Datum(-44.0, -179.9999, &lat, &lon, DATUM_Chatham_1971);
  EXPECT_NEAR(179.9996262, lon, 2e-7);
  // There and back through one datum agrees to the one-step inverse's error.
  double back = 0, backLon = 0;
  Datum_2_WGS84(DATUM_North_American_1927_Mean, 40.0, -100.0, &lat, &lon);
  WGS84_2_Datum(lat, lon, &back, &backLon, DATUM_North_American_1927_Mean);
  EXPECT_NEAR(40.0, back, 1e-7);
  EXPECT_NEAR(-100.0, backLon, 1e-7);
}

TEST(Peers, EveryDatumRowShiftsAsProjMolodenskyBothWays) {
  if (!bHavePeer("cct")) GTEST_SKIP() << "cct (proj-bin) is not installed";
  std::mt19937 rng(8102);
  std::uniform_real_distribution<double> lat(-80, 80), lon(-180, 180);
  for (int row = 1; row < 30; row++) {
    const GEODETIC_DATUM& d = GeodeticDatum[row];
    // PROJ's source ellipsoid is the local one, made as the shift makes it.
    const double df = d.deltas.df * 1e-4;
    char pipeline[512];
    snprintf(pipeline, sizeof pipeline,
             "+proj=molodensky +a=%.17g +f=%.17g +da=%.17g +df=%.17g +dx=%g +dy=%g +dz=%g",
             6378137.0 - d.deltas.da, 0.00335281066474748 - df, d.deltas.da, df, d.deltas.dx, d.deltas.dy,
             d.deltas.dz);
    std::vector<std::pair<double, double>> points;
    std::ostringstream in;
    in.precision(17);
    for (int i = 0; i < 40; i++) {
      points.emplace_back(lat(rng), lon(rng));
      in << points.back().second << ' ' << points.back().first << " 0 0\n";
    }
    const std::vector<std::string> toWgs = RunPeer(std::string("cct -d 12 ") + pipeline, in.str());
    const std::vector<std::string> fromWgs = RunPeer(std::string("cct -d 12 -I ") + pipeline, in.str());
    ASSERT_EQ(points.size(), toWgs.size());
    ASSERT_EQ(points.size(), fromWgs.size());
    for (size_t i = 0; i < points.size(); i++) {
      double la, lo;
      Datum_2_WGS84(d.datum, points[i].first, points[i].second, &la, &lo);
      std::vector<double> peer = Numbers(toWgs[i]);
      EXPECT_NEAR(peer[1], la, 1e-8) << "row " << row << " to WGS 84";
      EXPECT_LE(BearingGap(peer[0], lo), 1e-8) << "row " << row << " to WGS 84";
      WGS84_2_Datum(points[i].first, points[i].second, &la, &lo, d.datum);
      peer = Numbers(fromWgs[i]);
      EXPECT_NEAR(peer[1], la, 1e-8) << "row " << row << " from WGS 84";
      EXPECT_LE(BearingGap(peer[0], lo), 1e-8) << "row " << row << " from WGS 84";
    }
  }
}

U32 Seconds(double year) { return (U32)((year - 1970.0) * 31557600.0); }

TEST(Declination, MatchesNoaaTestValues) {
  // The model's own test values (year, height km, latitude, longitude,
  // declination), published to 0.01 degree.
  const struct {
    double year, alt, lat, lon, decl;
  } rows[] = {
      {2015.0, 0, 80, 0, -3.85},     {2015.0, 0, 0, 120, 0.57},    {2015.0, 0, -80, 240, 69.81},
      {2015.0, 100, 80, 0, -4.27},   {2015.0, 100, 0, 120, 0.56},  {2015.0, 100, -80, 240, 69.22},
      {2017.5, 0, 80, 0, -2.75},     {2017.5, 0, 0, 120, 0.32},    {2017.5, 0, -80, 240, 69.58},
      {2017.5, 100, 80, 0, -3.17},   {2017.5, 100, 0, 120, 0.32},  {2017.5, 100, -80, 240, 69.00},
  };
  for (const auto& r : rows) {
    EXPECT_NEAR(r.decl, dMagneticVariation(r.alt, r.lat, r.lon, Seconds(r.year)), 0.01)
        << r.year << " " << r.alt << " km " << r.lat << "," << r.lon;
  }
}

TEST(Declination, TimeIsHeldToTheModelsFiveYears) {
  EXPECT_EQ(dMagneticVariation(0, 45, -93, Seconds(2014.5)), dMagneticVariation(0, 45, -93, Seconds(2001.0)));
  EXPECT_EQ(dMagneticVariation(0, 45, -93, Seconds(2020.5)), dMagneticVariation(0, 45, -93, Seconds(2035.0)));
  EXPECT_GT(fabs(dMagneticVariation(0, 45, -93, Seconds(2019.9)) - dMagneticVariation(0, 45, -93, Seconds(2018.9))),
            1e-3);
}

TEST(Declination, TwoTasksAtOnceGetTheAnswersOfOne) {
  const int kPoints = (int)TEST_u32Rounds(100000);
  std::vector<double> lat(kPoints), lon(kPoints), expected(kPoints);
  std::mt19937 rng(12);
  std::uniform_real_distribution<double> la(-89, 89), lo(-180, 180);
  for (int i = 0; i < kPoints; i++) {
    lat[i] = la(rng);
    lon[i] = lo(rng);
    expected[i] = dMagneticVariation(0, lat[i], lon[i], Seconds(2018.0));
  }
  int mismatches[2] = {0, 0};
  auto run = [&](int which) {
    for (int i = 0; i < kPoints; i++) {
      const int k = which == 0 ? i : kPoints - 1 - i;
      if (dMagneticVariation(0, lat[k], lon[k], Seconds(2018.0)) != expected[k]) mismatches[which]++;
    }
  };
  std::thread a(run, 0), b(run, 1);
  a.join();
  b.join();
  EXPECT_EQ(0, mismatches[0]);
  EXPECT_EQ(0, mismatches[1]);
}

}  // namespace
