// Mercator conversions, rhumb bearings and distances, integer trigonometry
// and headings: edge cases worked by hand, and random legs against
// GeographicLib's rhumb lines and PROJ's ellipsoidal Mercator.

#include <gtest/gtest.h>
#include <math.h>
#include <stdlib.h>

#include <random>

#include "navmath.h"
#include "peer.h"
#include "u_nav.h"

namespace {

TEST(Mercator, LimitsAreExactAndOutOfRangeZeroesOneAxis) {
  POINT pt = {7, 7};
  POSITION pos = {80.0, 180.0};
  EXPECT_EQ(NV_OK, nv_DegrToMeter(&pos, &pt));
  EXPECT_EQ(15496980, pt.y);
  EXPECT_EQ(20038297, pt.x) << "lrint(180 x 111,323.8715697006), not clamped";
  pt = {7, 7};
  pos = {80.0000001, 10.0};
  EXPECT_EQ(0x2001u, nv_DegrToMeter(&pos, &pt));
  EXPECT_EQ(0, pt.y);
  EXPECT_EQ(7, pt.x);
  pos = {NAN, 10.0};
  EXPECT_EQ(NV_ERR_LATITUDE, nv_DegrToMeter(&pos, &pt));

  POSITION back = {1, 1};
  pt = {0, 15433198};
  EXPECT_EQ(NV_OK, nv_MeterToDegr(&pt, &back));
  EXPECT_NEAR(79.9, back.lat, 1e-5);
  pt = {0, 15433199};
  EXPECT_EQ(NV_ERR_LATITUDE, nv_MeterToDegr(&pt, &back));
  pt = {20038300, 0};
  EXPECT_EQ(NV_OK, nv_MeterToDegr(&pt, &back));
  EXPECT_EQ(180.0, back.lon);
  EXPECT_EQ(0.0, back.lat);
}

TEST(Rhumb, BearingsTakeTheShortWayAndDistancesTheRightBranch) {
  double bearing = 1;
  POINT a = {100, 200};
  EXPECT_EQ(0x10002007u, nv_RouteAngle(&a, &a, &bearing));
  EXPECT_EQ(0.0, bearing);
  POINT from = {20038000, 5000}, to = {-20038000, 5000};
  EXPECT_EQ(NV_OK, nv_RouteAngle(&from, &to, &bearing));
  EXPECT_NEAR(90.0, bearing, 1e-9) << "600 m east across the seam";
  POINT up = {20038000, 5600};
  EXPECT_EQ(NV_OK, nv_RouteAngle(&from, &up, &bearing));
  EXPECT_NEAR(0.0, bearing, 1e-6) << "2pi and the degree factor to ten digits";

  // From (0, 0) to (1, 1): along the parallel 60 cos(0.5 deg) / sin(course);
  // along the meridian 60 / cos(course).
  const POSITION p0 = {0, 0}, p1 = {1, 1};
  double nm = 0;
  EXPECT_EQ(NV_OK, nv_CalcDistance(&p0, &p1, 90.0, &nm));
  EXPECT_NEAR(60.0 * cos(0.5 * M_PI / 180.0), nm, 1e-6);
  EXPECT_EQ(NV_OK, nv_CalcDistance(&p0, &p1, 84.9, &nm));
  EXPECT_NEAR(60.0 / cos(84.9 * M_PI / 180.0), nm, 1e-3);
  EXPECT_EQ(NV_ERR_ANGLE, nv_CalcDistance(&p0, &p1, 360.5, &nm));
  EXPECT_EQ(0.0, nm);
}

TEST(Rhumb, FullTurnAndNegativeBearingsGoWhereTheirCompassPointIs) {
  POINT origin = {1000000, 2000000}, north, full, west, minus90;
  EXPECT_EQ(NV_OK, nv_PolarToGeographic(origin, 0.0, 10.0, &north));
  EXPECT_EQ(NV_OK, nv_PolarToGeographic(origin, 360.0, 10.0, &full));
  EXPECT_EQ(north.x, full.x);
  EXPECT_EQ(north.y, full.y);
  EXPECT_EQ(NV_OK, nv_PolarToGeographic(origin, 270.0, 10.0, &west));
  EXPECT_EQ(NV_OK, nv_PolarToGeographic(origin, -90.0, 10.0, &minus90));
  EXPECT_EQ(west.x, minus90.x);
  EXPECT_EQ(west.y, minus90.y);
  EXPECT_EQ(NV_ERR_DISTANCE, nv_PolarToGeographic(origin, 0.0, -1.0, &north));
}

TEST(Rhumb, ApparentWindIsTheVectorSumInEveryQuadrant) {
  double speed, angle, direction;
  EXPECT_EQ(NV_OK, nv_CalcAppWind(120.0, 0.0, 45.0, 6.0, &speed, &angle, &direction));
  EXPECT_EQ(6.0, speed);
  EXPECT_EQ(0.0, angle);
  EXPECT_EQ(45.0, direction);
  // Wind 10 across the bow, boat 5: sqrt(125) at atan(2) = 63.43.
  nv_CalcAppWind(90.0, 10.0, 350.0, 5.0, &speed, &angle, &direction);
  EXPECT_NEAR(sqrt(125.0), speed, 1e-9);
  EXPECT_EQ(63.0, angle);
  EXPECT_EQ(53.0, direction);
  // Wind 10 from 150 off, boat 5: (5 - 8.660, 5) points 126.2 degrees off.
  nv_CalcAppWind(150.0, 10.0, 0.0, 5.0, &speed, &angle, &direction);
  EXPECT_NEAR(6.1966, speed, 1e-4);
  EXPECT_EQ(127.0, angle) << "-53.79 truncated, turned half round";
  nv_CalcAppWind(210.0, 10.0, 0.0, 5.0, &speed, &angle, &direction);
  EXPECT_EQ(-127.0, angle);
  EXPECT_EQ(233.0, direction);
}

TEST(IntegerMaths, SinesAndHeadingsWrapAsACompassDoes) {
  EXPECT_EQ(32768, U_NAV_nIntSin(30));
  EXPECT_EQ(-32768, U_NAV_nIntSin(-30));
  EXPECT_EQ(32768, U_NAV_nIntSin(390));
  EXPECT_EQ(65536, U_NAV_nIntCos(0));
  EXPECT_EQ(1144, U_NAV_nIntSin(1));
  for (S32 a : {-100000, -721, -359, 0, 91, 200, 271, 719, 100000, INT32_MIN + 1, INT32_MAX}) {
    EXPECT_NEAR(sin(fmod(a, 360.0) * M_PI / 180.0) * 65536.0, U_NAV_nIntSin(a), 0.5) << a;
  }
  EXPECT_EQ(20, U_NAV_nHeadingDiff(10, 350));
  EXPECT_EQ(-20, U_NAV_nHeadingDiff(350, 10));
  EXPECT_EQ(180, U_NAV_nHeadingDiff(0, 180));
  EXPECT_EQ(10, U_NAV_nHeadingSum(350, 20));
  EXPECT_EQ(350, U_NAV_nHeadingSum(10, -20));
  EXPECT_EQ(4, U_NAV_nIntLog2(-31));
  // 3-4-5 triangles: on the circle is within, one metre more is not.
  EXPECT_TRUE(U_NAV_bDistanceLessThanOrEqual(POINT{3000, -4000}, 5000));
  EXPECT_FALSE(U_NAV_bDistanceLessThanOrEqual(POINT{3001, -4000}, 5000));
  EXPECT_TRUE(U_NAV_bDistanceLessThanOrEqual(POINT{-300000, 400000}, 500000));
  EXPECT_FALSE(U_NAV_bDistanceLessThanOrEqual(POINT{-300000, 400000}, 499000));
  EXPECT_FALSE(U_NAV_bDistanceLessThanOrEqual(POINT{INT32_MIN, 0}, INT32_MAX));
}

// The quotient found through a double is the integer one, at every size
// on both sides of where it stops being used, and at the halves that round.
TEST(IntegerMaths, RoundedQuotientsRoundHalvesAwayFromZero) {
  auto reference = [](S64 n, S64 d) {
    S64 q = n / d;
    const S64 r = n % d;
    if (2 * llabs(r) >= d) q += n < 0 ? -1 : 1;
    return q;
  };
  std::mt19937_64 rng(41);
  for (int i = 0; i < 200000; i++) {
    const S64 d = (S64)(rng() >> (24 + rng() % 40)) + 1;
    S64 n = (S64)(rng() >> (2 + rng() % 62));
    if (i % 4 == 1) n = (n / d) * d + d / 2;  // a half, or just short of one
    if (i % 4 == 2) n = (n / d) * d + (rng() % 3) - 1;
    if (rng() & 1) n = -n;
    ASSERT_EQ(reference(n, d), U_NAV_s64RoundedDivide(n, d)) << n << " / " << d;
  }
  const S64 edge = (S64)1 << 52;
  for (S64 n : {edge - 1, edge, -edge + 1, -edge, edge - 3, (S64)1 << 62, -((S64)1 << 62)}) {
    for (S64 d : {(S64)1, (S64)2, (S64)3, (S64)7, edge - 1, edge, (S64)1 << 40}) {
      EXPECT_EQ(reference(n, d), U_NAV_s64RoundedDivide(n, d)) << n << " / " << d;
    }
  }
  EXPECT_EQ(3, U_NAV_s64RoundedDivide(5, 2));
  EXPECT_EQ(-3, U_NAV_s64RoundedDivide(-5, 2));
  EXPECT_EQ(-2, U_NAV_s64RoundedDivide(-7, 4));
}

TEST(NavHelpers, SmallConversionsWorkedByHand) {
  POSITION mid;
  EXPECT_EQ(NV_OK, nv_MiddlePosition({10, 170}, {20, -170}, &mid));
  EXPECT_EQ(15.0, mid.lat);
  EXPECT_EQ(180.0, mid.lon) << "the middle across the seam, not at 0";
  EXPECT_EQ(NV_OK, nv_MiddlePosition({0, -10}, {0, 30}, &mid));
  EXPECT_EQ(10.0, mid.lon);
  EXPECT_EQ(40076599, nv_AllAround(-1));
  EXPECT_EQ(0, nv_AllAround(40076600));
  EXPECT_EQ(9923400, nv_AllAround(50000000));
  EXPECT_EQ(1, nv_AllAround(80153201));
  double d = 1;
  EXPECT_EQ(NV_OK, nv_SessToDecm(-10, 30, 36, &d));
  EXPECT_DOUBLE_EQ(-10.51, d);
  EXPECT_EQ(NV_ERR_ANGLE, nv_SessToDecm(10, 60, 0, &d));
  EXPECT_EQ(0.0, d);
  NV_TIME t;
  const double tenMiles = 10, oneMile = 1;
  EXPECT_EQ(NV_OK, nv_CalcTimeToGo(&tenMiles, 4.0, &t));
  EXPECT_TRUE(t.s32Hours == 2 && t.s32Minutes == 30 && t.s32Seconds == 0);
  EXPECT_EQ(NV_OK, nv_CalcTimeToGo(&oneMile, 7.0, &t));
  EXPECT_TRUE(t.s32Hours == 0 && t.s32Minutes == 8 && t.s32Seconds == 34) << "8 min 34.29 s";
  EXPECT_EQ(NV_WARN_NO_SPEED, nv_CalcTimeToGo(&oneMile, 0.05, &t));
  EXPECT_EQ(NV_OK, nv_DistCorrection(60.4, &d));
  EXPECT_NEAR(2.0, d, 1e-12) << "1 / cos 60";
  NV_RNGBRG rb;
  EXPECT_EQ(NV_OK, nv_CalcRngBrg({0, 0}, {111324, 0}, 10.0, &rb));
  EXPECT_NEAR(80.0, rb.dBearing, 1e-9);
  EXPECT_NEAR(60.0, rb.dDistance, 1e-3) << "a degree of longitude on the equator";
  POINT pt;
  NV_DEGMIN dm;
  EXPECT_EQ(NV_OK, nv_GeographicToMeters(-33, 52, 0, 151, 12, 30, &pt));
  EXPECT_EQ(NV_OK, nv_MetersToGeographic(&pt, &dm));
  EXPECT_EQ(-33, dm.s32LatDeg);
  EXPECT_NEAR(-52.0, dm.dLatMin, 1e-3);
  EXPECT_EQ(151, dm.s32LonDeg);
  EXPECT_NEAR(12.5, dm.dLonMin, 1e-3);
}

// Random legs of 10-500 km up to 75 degrees, as one batch per direction.
struct LEG {
  double lat, lon, azi, metres;
};

std::vector<LEG> RandomLegs(int count) {
  std::mt19937 rng(24);
  std::uniform_real_distribution<double> lat(-75, 75), lon(-180, 180), azi(0, 360), km(10, 500);
  std::vector<LEG> legs;
  for (int i = 0; i < count; i++) legs.push_back({lat(rng), lon(rng), azi(rng), km(rng) * 1000.0});
  return legs;
}

const char* const kRhumbSolve = "RhumbSolve -e 6378388 1/297 -p 9";

TEST(Peers, RhumbBearingsAndDistancesMatchGeographicLib) {
  if (!bHavePeer("RhumbSolve")) GTEST_SKIP() << "RhumbSolve (geographiclib-tools) is not installed";
  const std::vector<LEG> legs = RandomLegs(10000);
  // Inverse: the peer's end of each leg, our bearing and distance back.
  std::ostringstream direct;
  direct.precision(17);
  for (const LEG& l : legs) direct << l.lat << ' ' << l.lon << ' ' << l.azi << ' ' << l.metres << '\n';
  const std::vector<std::string> ends = RunPeer(kRhumbSolve, direct.str());
  ASSERT_EQ(legs.size(), ends.size());
  // Direct: our end of each leg from the Mercator origin, the peer's
  // bearing and distance to it.
  std::ostringstream inverse;
  inverse.precision(17);
  int failures = 0;
  for (size_t i = 0; i < legs.size(); i++) {
    const LEG& l = legs[i];
    const std::vector<double> end = Numbers(ends[i]);
    const POSITION from = {l.lat, l.lon}, to = {end[0], end[1]};
    double bearing = 0, nm = 0;
    ASSERT_EQ(NV_OK, nv_GeoRouteAngle(&from, &to, &bearing));
    ASSERT_EQ(NV_OK, nv_CalcDistance(&from, &to, bearing, &nm));
    const double peerNm = l.metres / 1852.0;
    if ((BearingGap(bearing, l.azi) > 0.05 || fabs(nm - peerNm) > 0.006 * peerNm) && ++failures <= 10) {
      ADD_FAILURE() << "leg " << i << ": bearing " << bearing << " vs " << l.azi << ", " << nm << " vs " << peerNm;
    }
    POINT origin, out;
    POSITION start, ours;
    ASSERT_EQ(NV_OK, nv_DegrToMeter(&from, &origin));
    ASSERT_EQ(NV_OK, nv_MeterToDegr(&origin, &start));
    ASSERT_EQ(NV_OK, nv_PolarToGeographic(origin, l.azi, peerNm, &out));
    ASSERT_EQ(NV_OK, nv_MeterToDegr(&out, &ours));
    inverse << start.lat << ' ' << start.lon << ' ' << ours.lat << ' ' << ours.lon << '\n';
  }
  const std::vector<std::string> answers = RunPeer(std::string(kRhumbSolve) + " -i", inverse.str());
  ASSERT_EQ(legs.size(), answers.size());
  // Going ahead counts a minute of latitude as a mile on both axes, so the
  // end lands within 0.6 % of the leg (a few tenths of a degree off
  // course), not on the rhumb line itself.
  for (size_t i = 0; i < legs.size(); i++) {
    const std::vector<double> a = Numbers(answers[i]);
    const double off = hypot(a[1] - legs[i].metres, legs[i].metres * BearingGap(a[0], legs[i].azi) * M_PI / 180.0);
    if (off > 0.006 * legs[i].metres && ++failures <= 10) {
      ADD_FAILURE() << "leg " << i << " ahead: " << a[0] << " vs " << legs[i].azi << ", " << a[1] << " m vs "
                    << legs[i].metres;
    }
  }

  EXPECT_EQ(0, failures);
}

TEST(Peers, MercatorMatchesProjOnTheInternationalEllipsoid) {
  if (!bHavePeer("cct")) GTEST_SKIP() << "cct (proj-bin) is not installed";
  std::mt19937 rng(8101);
  std::uniform_real_distribution<double> lat(-79.9, 79.9), lon(-180, 180);
  std::vector<POSITION> points;
  std::ostringstream in;
  in.precision(17);
  for (int i = 0; i < 10000; i++) {
    points.push_back({lat(rng), lon(rng)});
    in << points.back().lon << ' ' << points.back().lat << " 0 0\n";
  }
  const std::vector<std::string> out = RunPeer("cct -d 4 +proj=merc +ellps=intl", in.str());
  ASSERT_EQ(points.size(), out.size());
  double worstX = 0, worstY = 0;
  for (size_t i = 0; i < points.size(); i++) {
    POINT pt;
    ASSERT_EQ(NV_OK, nv_DegrToMeter(&points[i], &pt));
    const std::vector<double> xy = Numbers(out[i]);
    worstX = fmax(worstX, fabs(pt.x - xy[0]));
    worstY = fmax(worstY, fabs(pt.y - xy[1]));
  }
  EXPECT_LE(worstX, 1.0);
  EXPECT_LE(worstY, 25.0);
}

}  // namespace
