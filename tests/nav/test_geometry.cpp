// The plan and highway projections, their clipping and the ground scale,
// with expected pixels worked by hand from the view's geometry.

#include <gtest/gtest.h>
#include <math.h>
#include <stdlib.h>
#include <string.h>

#include <random>

#include "h_database.h"
#include "navmath.h"
#include "t_chart.h"
#include "test_timing.h"
#include "u_nav.h"

namespace {

const POINT kCentre = {400, 240};

GP_ROTCONTEXT Turned(double degrees) {
  GP_ROTCONTEXT rot;
  gr_ResetRotationContext(&rot);
  gr_SetRotationAngle(&rot, degrees);
  return rot;
}

POINT Plan(POINT p, S32 factor, const GP_ROTCONTEXT* rot = nullptr) {
  U_NAV_vConvertMMToPixel(&p, rot, &kCentre, factor);
  return p;
}

TEST(PlanView, PixelsAreMetresTimesTheScaleRoundedToNearest) {
  EXPECT_EQ(399, Plan({-1, 0}, 1 << 20).x) << "zoom 12: a metre is a pixel";
  EXPECT_EQ(240 + 123, Plan({5, 123}, 1 << 20).y);
  // Zoom 16 multiplies directly, zoom 15 works on x 16 and factor / 16: both
  // round x f / 2^20 to nearest (halves upward).
  std::mt19937 rng(16);
  std::uniform_int_distribution<S32> metres(-12800, 12800);
  for (S32 zoom : {15, 16, 9, 12}) {
    const S32 factor = 1 << (32 - zoom);
    for (int i = 0; i < 1000; i++) {
      const POINT p = {metres(rng), metres(rng)};
      const POINT px = Plan(p, factor);
      EXPECT_EQ(kCentre.x + (S32)floor(p.x * (double)factor / 1048576.0 + 0.5), px.x) << zoom << " " << p.x;
      EXPECT_EQ(kCentre.y + (S32)floor(p.y * (double)factor / 1048576.0 + 0.5), px.y) << zoom << " " << p.y;
    }
  }
  // Turned 30 degrees: sin 512, cos 886 (x 1,024, truncated); (1000, 0)
  // goes to (886,000 / 1,024, 512,000 / 1,024) = (865.2, 500).
  const GP_ROTCONTEXT rot = Turned(30.0);
  const POINT turned = Plan({1000, 0}, 1 << 20, &rot);
  EXPECT_EQ(400 + 865, turned.x);
  EXPECT_EQ(240 + 500, turned.y);
}

TEST(HighwayView, GroundPointsProjectFromTheEyeAboveAndBehind) {
  // Zoom 17: eye 2,048 m behind and 1,024 m up, 14 << 15 pixels per metre
  // x 2^20, so 448 pixels per kilometre at the picture plane.
  const GP_ROTCONTEXT north = Turned(0.0);
  const POINT horizon = {400, 551};
  auto Highway = [&](POINT p) {
    U_NAV_vConvertMMToHighwayViewPixel(&p, 0, &north, &horizon, 458752, 2048);
    return p;
  };
  // A point E ahead is seen at depth 2E, E/4 below the eye line: 512 m,
  // 224 pixels; E to the side at that depth is E/2 across: 448 pixels.
  EXPECT_EQ(551 - 224, Highway({0, 2048}).y);
  EXPECT_EQ(400 + 448, Highway({2048, 2048}).x);
  EXPECT_EQ(400 - 448, Highway({-2048, 2048}).x);
  const POINT atEye = Highway({300, -2048});
  EXPECT_EQ(0, atEye.x);
  EXPECT_EQ(0, atEye.y);
}

// Views of every zoom, turned anyhow, with points spread over the ground
// before the eye out to the view's range.
struct HIGHWAY_CASE {
  GP_ROTCONTEXT rot;
  S32 factor, eye;
  POINT rel;
};

HIGHWAY_CASE RandomHighway(std::mt19937* rng) {
  HIGHWAY_CASE c;
  const S32 zoom = std::uniform_int_distribution<S32>(9, 23)(*rng);
  c.rot = Turned(std::uniform_real_distribution<double>(0.0, 360.0)(*rng));
  c.factor = 14 << (32 - zoom);
  c.eye = zoom <= 17 ? 2048 << (17 - zoom) : 2048 >> (zoom - 17);
  std::uniform_int_distribution<S32> across(-4 * c.eye, 4 * c.eye), ahead(-c.eye / 2, 4 * c.eye);
  POINT t = {across(*rng), ahead(*rng)};
  // Ahead and across the turned view: back onto the ground.
  const GP_ROTCONTEXT back = Turned(-atan2(c.rot.IntSinAngle, c.rot.IntCosAngle) * 180.0 / M_PI);
  U_NAV_vRotatePoint(&back, &t, &c.rel);
  return c;
}

TEST(HighwayView, PointsTurnedFirstGetThePixelsOfTheWholeProjection) {
  std::mt19937 rng(29);
  for (int i = 0; i < 20000; i++) {
    const HIGHWAY_CASE c = RandomHighway(&rng);
    U_NAV_HIGHWAY hw;
    U_NAV_vHighwayPrepare(&hw, &c.rot, &kCentre, c.factor, c.eye);
    POINT whole = c.rel;
    U_NAV_vConvertMMToHighwayViewPixel(&whole, 0, &c.rot, &kCentre, c.factor, c.eye);
    const POINT split = U_NAV_ptHighwayPixel(&hw, U_NAV_ptHighwayTurned(&hw, c.rel));
    ASSERT_EQ(whole.x, split.x) << i;
    ASSERT_EQ(whole.y, split.y) << i;
  }
}

TEST(HighwayView, PointsFoundNearAPixelLieWithinReachOfItAndFewAreMissed) {
  std::mt19937 rng(31);
  int exactlyNear = 0, found = 0;
  for (int i = 0; i < 4000; i++) {
    const HIGHWAY_CASE c = RandomHighway(&rng);
    U_NAV_HIGHWAY hw;
    U_NAV_vHighwayPrepare(&hw, &c.rot, &kCentre, c.factor, c.eye);
    const POINT dot = U_NAV_ptHighwayPixel(&hw, U_NAV_ptHighwayTurned(&hw, c.rel));
    const S32 reach = std::uniform_int_distribution<S32>(0, 4)(rng);
    U_NAV_HIGHWAY_NEAR near;
    U_NAV_vHighwayNear(&hw, dot, reach, &near);
    // The same bounds from the quotients kept for the view's factor.
    static U_NAV_HIGHWAY_QUOTIENTS s_kept;
    U_NAV_HIGHWAY hwKept = hw;
    U_NAV_vHighwayKeepQuotients(&hwKept, &s_kept);
    U_NAV_HIGHWAY_NEAR nearKept;
    U_NAV_vHighwayNear(&hwKept, dot, reach, &nearKept);
    ASSERT_EQ(0, memcmp(&near, &nearKept, sizeof near)) << i;
    // Ground round the point a few pixels' worth wide at its depth.
    const POINT t = U_NAV_ptHighwayTurned(&hw, c.rel);
    const double depth = (double)t.y / (hw.bScaled ? 16 : 1) + c.eye;
    const double pixel = depth / c.eye * 1048576.0 / c.factor;
    std::uniform_int_distribution<S32> offset(-(S32)(pixel * (reach + 3)) - 1, (S32)(pixel * (reach + 3)) + 1);
    for (int k = 0; k < 50; k++) {
      const POINT rel = {c.rel.x + offset(rng), c.rel.y + offset(rng)};
      const POINT turned = U_NAV_ptHighwayTurned(&hw, rel);
      if ((S64)turned.y <= -(S64)hw.nEye) continue;
      const POINT p = U_NAV_ptHighwayPixel(&hw, turned);
      const bool bNear = abs(p.x - dot.x) <= reach && abs(p.y - dot.y) <= reach;
      exactlyNear += bNear;
      if (U_NAV_bHighwayNear(&near, turned)) {
        found++;
        ASSERT_TRUE(bNear) << i << " " << k << ": (" << p.x << ", " << p.y << ") is not within " << reach << " of ("
                           << dot.x << ", " << dot.y << ")";
      }
    }
  }
  ASSERT_GT(exactlyNear, 10000);
  EXPECT_GT(found, exactlyNear * 95 / 100) << "only the last rounding's edges may be missed";
}

// A box found near a dot holds no point that the point test finds far; and
// a box round one near point, or a pixel's worth of ground, is mostly found.
TEST(HighwayView, GroundFoundNearADotHoldsOnlyNearPoints) {
  std::mt19937 rng(37);
  int single = 0, singleFound = 0, boxesFound = 0;
  for (int i = 0; i < 3000; i++) {
    const HIGHWAY_CASE c = RandomHighway(&rng);
    U_NAV_HIGHWAY hw;
    U_NAV_vHighwayPrepare(&hw, &c.rot, &kCentre, c.factor, c.eye);
    const POINT t = U_NAV_ptHighwayTurned(&hw, c.rel);
    if ((S64)t.y <= -(S64)hw.nEye) continue;
    U_NAV_HIGHWAY_NEAR near;
    U_NAV_vHighwayNear(&hw, U_NAV_ptHighwayPixel(&hw, t), 3, &near);
    if (U_NAV_bHighwayNear(&near, t)) {
      single++;
      singleFound += U_NAV_bHighwayNearBox(&hw, &near, c.rel, c.rel);
    }
    const double depth = (double)t.y / (hw.bScaled ? 16 : 1) + c.eye;
    const S32 pixel = (S32)(depth / c.eye * 1048576.0 / c.factor) + 1;
    std::uniform_int_distribution<S32> half(0, 3 * pixel), shift(-2 * pixel, 2 * pixel);
    const POINT mid = {c.rel.x + shift(rng), c.rel.y + shift(rng)};
    const S32 hx = half(rng), hy = half(rng);
    const POINT lo = {mid.x - hx, mid.y - hy}, hi = {mid.x + hx, mid.y + hy};
    if (!U_NAV_bHighwayNearBox(&hw, &near, lo, hi)) continue;
    boxesFound++;
    std::uniform_int_distribution<S32> inX(lo.x, hi.x), inY(lo.y, hi.y);
    for (int k = 0; k < 200; k++) {
      const POINT p = k < 4 ? POINT{k & 1 ? hi.x : lo.x, k & 2 ? hi.y : lo.y} : POINT{inX(rng), inY(rng)};
      ASSERT_TRUE(U_NAV_bHighwayNear(&near, U_NAV_ptHighwayTurned(&hw, p))) << i << " " << k;
    }
  }
  EXPECT_GT(singleFound, single * 8 / 10);
  EXPECT_GT(boxesFound, 300);
}

TEST(Clipping, BoxClipKeepsInsideAndPullsCrossingEndsInside) {
  POINT a = {-5, 7}, b = {900, -999};
  U_NAV_vClipLineToBox(&a, &b, -1000, 1000);
  EXPECT_EQ(-5, a.x);
  EXPECT_EQ(-999, b.y);
  a = {0, 0};
  b = {2000, 0};
  U_NAV_vClipLineToBox(&a, &b, -1000, 1000);
  EXPECT_EQ(0, a.x);
  EXPECT_EQ(999, b.x) << "one step inside the edge it crosses";
  a = {-2000, 400};
  b = {0, 400};
  U_NAV_vClipLineToBox(&a, &b, -1000, 1000);
  EXPECT_EQ(-1000, a.x);
  EXPECT_EQ(400, a.y);
  a = {2000, 2000};
  b = {3000, 3000};
  U_NAV_vClipLineToBox(&a, &b, -1000, 1000);
  EXPECT_TRUE(a.x == 1000 && a.y == 1000 && b.x == 1000 && b.y == 1000) << "a miss collapses onto the boundary";
}

TEST(Clipping, IntersectionParametersAgreeWithExactArithmetic) {
  S32 cross = 0;
  EXPECT_EQ(0x7FFFFFFF, U_NAV_s32LineSegmentIntersection({0, 0}, {10, 10}, {0, 5}, {20, 25}, &cross));
  EXPECT_EQ(0, cross);
  EXPECT_EQ(32768, U_NAV_s32LineSegmentIntersection({0, 0}, {2, 2}, {0, 2}, {2, 0}, &cross));
  EXPECT_EQ(-8, cross);
  // Large coordinates take the shifted path; the parameter stays within one
  // unit of t = N / D x 65,536 in long double.
  std::mt19937 rng(6);
  std::uniform_int_distribution<S32> any(-1000000000, 1000000000);
  for (int i = 0; i < 10000; i++) {
    const POINT p[4] = {{any(rng), any(rng)}, {any(rng), any(rng)}, {any(rng), any(rng)}, {any(rng), any(rng)}};
    const long double d1x = p[1].x - (long double)p[0].x, d1y = p[1].y - (long double)p[0].y;
    const long double d2x = p[3].x - (long double)p[2].x, d2y = p[3].y - (long double)p[2].y;
    const long double D = d1x * d2y - d1y * d2x;
    const long double N = (p[0].y - (long double)p[2].y) * d2x - d2y * (p[0].x - (long double)p[2].x);
    const long double t = N * 65536.0L / D;
    if (fabsl(t) > 2e9L) continue;
    EXPECT_NEAR((double)t, U_NAV_s32LineSegmentIntersection(p[0], p[1], p[2], p[3], nullptr), 1.0) << i;
  }
}

TEST(Clipping, HighwayClipKeepsTheGroundInFrontOfTheEye) {
  const GP_ROTCONTEXT north = Turned(0.0);
  POINT a = {-100, -3000}, b = {100, -2500};
  EXPECT_FALSE(U_NAV_bClipLineToHighwayView(&a, &b, &north, 1000)) << "wholly behind the eye";
  a = {-100, 5000};
  b = {100, 5000};
  EXPECT_FALSE(U_NAV_bClipLineToHighwayView(&a, &b, &north, 1000)) << "beyond the far roof";
  a = {-50, -800};
  b = {50, -800};
  EXPECT_FALSE(U_NAV_bClipLineToHighwayView(&a, &b, &north, 1000)) << "inside the cone, parallel behind the near line";
  // Straight ahead from 2 km behind: it starts on the near line y = -E/2.
  a = {0, -2000};
  b = {0, 2000};
  EXPECT_TRUE(U_NAV_bClipLineToHighwayView(&a, &b, &north, 1000));
  EXPECT_EQ(0, a.x);
  EXPECT_EQ(-500, a.y);
  EXPECT_EQ(2000, b.y);
  // Across the view at 1 km ahead the cone is (y + E) / 2 = 1 km wide each way.
  a = {-5000, 1000};
  b = {5000, 1000};
  EXPECT_TRUE(U_NAV_bClipLineToHighwayView(&a, &b, &north, 1000));
  EXPECT_NEAR(-1000, a.x, 1);
  EXPECT_NEAR(1000, b.x, 1);
}

TEST(HighwayView, PerspectiveLimitsFollowTheConeTheNearLineAndTheCircle) {
  GP_ROTCONTEXT north = Turned(0.0);
  S32 lo = 0, hi = 0;
  EXPECT_TRUE(T_CHART_bPerspectiveLimitsX(0, &lo, &hi, &north, 1000));
  EXPECT_EQ(-500, lo);
  EXPECT_EQ(500, hi);
  EXPECT_TRUE(T_CHART_bPerspectiveLimitsX(3000, &lo, &hi, &north, 1000));
  EXPECT_EQ(-2000, lo);
  EXPECT_EQ(2000, hi);
  EXPECT_TRUE(T_CHART_bPerspectiveLimitsX(3800, &lo, &hi, &north, 1000));
  EXPECT_EQ(-1248, lo) << "sqrt(4000^2 - 3800^2) = 1248.9996, truncated";
  EXPECT_EQ(1248, hi);
  EXPECT_FALSE(T_CHART_bPerspectiveLimitsX(-1000, &lo, &hi, &north, 1000)) << "the eye's own line";
  EXPECT_FALSE(T_CHART_bPerspectiveLimitsX(4001, &lo, &hi, &north, 1000));
  EXPECT_TRUE(T_CHART_bPerspectiveLimitsY(0, &lo, &hi, &north, 1000));
  EXPECT_EQ(-500, lo);
  EXPECT_EQ(4000, hi);
  // Turned a quarter (sin 1,024, cos 0): x' = -y, y' = x; on y = 0 the view
  // needs x >= -E/2 and |x| <= 4E.
  GP_ROTCONTEXT quarter = Turned(90.0);
  EXPECT_TRUE(T_CHART_bPerspectiveLimitsX(0, &lo, &hi, &quarter, 1000));
  EXPECT_EQ(-500, lo);
  EXPECT_EQ(4000, hi);
}

TEST(HighwayView, FullScreenZoom17PublishesItsGeometry) {
  H_DATABASE_vInit();
  NAV_VIEW_INFO nvi = {};
  nvi.nChartScale = 17;
  T_CHART_vCalculateHighwayParameters(&nvi, 0, 799, T_CHART_HIGHWAY_VIEW_LAYER);
  const struct {
    FOURCHARID key;
    S32 expected;
  } rows[] = {{FCID("IBCX"), 400}, {FCID("IBCY"), 551}, {FCID("IBEO"), 2048}, {FCID("IBPM"), 458752},
              {FCID("IBCR"), 799}};
  for (const auto& r : rows) {
    S32 value = 0;
    EXPECT_TRUE(H_DATABASE_bFetchS32(r.key, &value, nullptr, nullptr));
    EXPECT_EQ(r.expected, value) << std::string((const char*)&r.key, 4);
  }
  T_CHART_vCalculateHighwayParameters(&nvi, 400, 799, 55);
  EXPECT_EQ(599, nvi.CenterOffset.x) << "a pane's centre is the middle of its clip";
  nvi.nChartScale = 40;
  T_CHART_vCalculateHighwayParameters(&nvi, 0, 799, T_CHART_HIGHWAY_VIEW_LAYER);
  EXPECT_EQ(0, nvi.nPixelsPerMMM);
  H_DATABASE_vInit();
}

TEST(GroundScale, RisesWithLatitudeFromTheEquatorToTheTableEnd) {
  EXPECT_EQ(1019, U_NAV_u16ScalingMMPerKm(0));
  EXPECT_EQ(7129, U_NAV_u16ScalingMMPerKm(20000000));
  EXPECT_EQ(7129, U_NAV_u16ScalingMMPerKm(-20000000));
  EXPECT_EQ(7129, U_NAV_u16ScalingMMPerKm(INT32_MIN));
  EXPECT_EQ(1160, U_NAV_u16ScalingMMPerKm(-50 * 65536));
  U16 previous = 0;
  for (S32 y = 0; y <= NV_Y_LIMIT; y += 4096) {
    const U16 entry = U_NAV_u16ScalingMMPerKm(y);
    EXPECT_GE(entry, previous) << y;
    previous = entry;
    // About 1,024 / cos(latitude) of the band.
    const POINT band = {0, ((y + 32768) >> 16) * 65536};
    POSITION pos;
    if (nv_MeterToDegr(&band, &pos) == NV_OK) {
      EXPECT_NEAR(1024.0 / cos(pos.lat * M_PI / 180.0), entry, 0.01 * entry);
    }
  }
}

TEST(PlanView, AMillionRandomSegmentsClipAndProjectWithinTheScreen) {
  std::mt19937 rng(103);
  std::uniform_int_distribution<S32> any(INT32_MIN, INT32_MAX), zoom(9, 23), angle(0, 359);
  S32 worst = 0;
  const int kSegments = (int)TEST_u32Rounds(1000000);
  for (int i = 0; i < kSegments; i++) {
    const S32 factor = 1 << (32 - zoom(rng));
    const S32 limit = U_NAV_CLIP_PIXELS_X_SCALE / factor;
    POINT a = {any(rng), any(rng)}, b = {any(rng) / (1 + (i & 0xFFFF)), any(rng)};
    U_NAV_vClipLineToBox(&a, &b, -limit, limit);
    const GP_ROTCONTEXT rot = Turned(angle(rng));
    for (POINT p : {a, b}) {
      const POINT px = Plan(p, factor, (i & 1) ? &rot : nullptr);
      worst = std::max(worst, (S32)hypot(px.x - kCentre.x, px.y - kCentre.y));
      if (!(i & 1)) {
        ASSERT_LE(std::max(abs(px.x - kCentre.x), abs(px.y - kCentre.y)), 800) << i;
      }
    }
  }
  EXPECT_LE(worst, 1132) << "800 pixels each way, turned";
}

}  // namespace
