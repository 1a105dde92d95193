// The track ring: steps and their halving, the seam, gap markers, a full
// ring dropping its oldest points. Expected steps and positions are worked
// by hand from the metres added.

#include <gtest/gtest.h>
#include <string.h>

#include <algorithm>
#include <memory>
#include <random>
#include <vector>

#include "track_scan.h"
#include "u_nav.h"

namespace {


const TRACK_DELTA_DEPTH_TRIPLE& Entry(const TRACK* t, U32 k) {
  return t->aDelta[(t->sHeader.u16FirstDelta + k - 1) % TRACK_DELTA_ENTRIES];
}

TEST(TrackRing, TheFirstPointIsAbsoluteAndCarriesNoDepth) {
  auto t = TRACKTEST_Fresh();
  U_NAV_vAddTrackPoint(t.get(), {1000, -2000}, 77, TRUE);
  const TRACK_HEADER& h = t->sHeader;
  EXPECT_EQ(1, h.u16Count);
  for (const POINT& p : {h.ptFirst, h.ptLast, h.ptLowerLeft, h.ptUpperRight}) {
    EXPECT_EQ(1000, p.x);
    EXPECT_EQ(-2000, p.y);
  }
  const auto points = TRACKTEST_Scan(t.get());
  ASSERT_EQ(1u, points.size());
  EXPECT_EQ(0, points[0].depth);
  EXPECT_EQ(TRACKPOINT_NORMAL, points[0].type);
}

TEST(TrackRing, StepsUnder32768MetresAreOneEntryLongerOnesAreHalved) {
  auto t = TRACKTEST_Fresh();
  U_NAV_vAddTrackPoint(t.get(), {0, 0}, 0, FALSE);
  U_NAV_vAddTrackPoint(t.get(), {32767, -32767}, 5, FALSE);
  ASSERT_EQ(2, t->sHeader.u16Count);
  EXPECT_EQ(32767, Entry(t.get(), 1).x);
  EXPECT_EQ(-32767, Entry(t.get(), 1).y);
  // 32,768 further east: two halves of 16,384, both with the new depth.
  U_NAV_vAddTrackPoint(t.get(), {65535, -32767}, 9, FALSE);
  ASSERT_EQ(4, t->sHeader.u16Count);
  for (U32 k : {2u, 3u}) {
    EXPECT_EQ(16384, Entry(t.get(), k).x) << k;
    EXPECT_EQ(0, Entry(t.get(), k).y) << k;
    EXPECT_EQ(9, Entry(t.get(), k).u16Depth) << k;
  }
  // 100,000 m north: 50,000 is halved again (25,000 + 25,000), then 50,000
  // again: four steps of 25,000.
  U_NAV_vAddTrackPoint(t.get(), {65535, 100000 - 32767}, 1, FALSE);
  ASSERT_EQ(8, t->sHeader.u16Count);
  for (U32 k = 4; k < 8; k++) EXPECT_EQ(25000, Entry(t.get(), k).y) << k;
  EXPECT_EQ(65535, t->sHeader.ptLast.x);
  EXPECT_EQ(67233, t->sHeader.ptLast.y);
}

TEST(TrackRing, StepsAcrossTheSeamTakeTheShortWayRound) {
  auto t = TRACKTEST_Fresh();
  U_NAV_vAddTrackPoint(t.get(), {20038000, 0}, 0, FALSE);
  U_NAV_vAddTrackPoint(t.get(), {-20038000, 0}, 0, FALSE);
  ASSERT_EQ(2, t->sHeader.u16Count);
  EXPECT_EQ(600, Entry(t.get(), 1).x);  // 40,076,600 - 2 x 20,038,000
  EXPECT_EQ(-20038000, t->sHeader.ptLast.x);
  auto u = TRACKTEST_Fresh();
  U_NAV_vAddTrackPoint(u.get(), {-100, 5}, 0, FALSE);
  U_NAV_vAddTrackPoint(u.get(), {100, 5}, 0, FALSE);
  EXPECT_EQ(2, u->sHeader.u16Count);
  EXPECT_EQ(200, Entry(u.get(), 1).x);
}

TEST(TrackRing, AGapIsTwoMarkersBeforeItsStepAndScansAsAGapPoint) {
  auto t = TRACKTEST_Fresh();
  U_NAV_vAddTrackPoint(t.get(), {0, 0}, 0, FALSE);
  U_NAV_vAddTrackPoint(t.get(), {10, 20}, 3, FALSE);
  U_NAV_vAddTrackPoint(t.get(), {110, 20}, 4, TRUE);
  U_NAV_vAddTrackPoint(t.get(), {120, 20}, 5, FALSE);
  EXPECT_EQ(6, t->sHeader.u16Count);
  EXPECT_TRUE(U_NAV_bTrackDeltaIsGapPoint(t.get(), 1));
  EXPECT_FALSE(U_NAV_bTrackDeltaIsGapPoint(t.get(), 2));
  const auto points = TRACKTEST_Scan(t.get());
  ASSERT_EQ(4u, points.size());
  EXPECT_EQ(TRACKPOINT_GAP, points[2].type);
  EXPECT_EQ(110, points[2].pt.x);
  EXPECT_EQ(4, points[2].depth);
  EXPECT_EQ(TRACKPOINT_NORMAL, points[3].type);
  EXPECT_EQ(120, points[3].pt.x);
}

// Fills the ring to u16Count with 1-metre steps east from x = 0.
void FillTo(TRACK* t, U16 count) {
  while (t->sHeader.u16Count < count) U_NAV_vAddTrackPoint(t, {t->sHeader.ptLast.x + 1, 7}, 0, FALSE);
}

TEST(TrackRing, AGapIntoANearlyFullRingDropsTheOldestFirst) {
  auto t = TRACKTEST_Fresh();
  U_NAV_vAddTrackPoint(t.get(), {0, 7}, 0, FALSE);
  FillTo(t.get(), 21834);
  U_NAV_vAddTrackPoint(t.get(), {50000, 7}, 0, TRUE);
  EXPECT_EQ(21836, t->sHeader.u16Count);  // 21,834 - 1 dropped + 3
  EXPECT_EQ(1, t->sHeader.ptFirst.x);
  EXPECT_EQ(50000, t->sHeader.ptLast.x);
}

TEST(TrackRing, DroppingAnOldestGapRemovesThreeEntries) {
  auto t = TRACKTEST_Fresh();
  U_NAV_vAddTrackPoint(t.get(), {0, 7}, 0, FALSE);
  U_NAV_vAddTrackPoint(t.get(), {1000, 7}, 0, TRUE);
  FillTo(t.get(), TRACK_MAX_COUNT);
  U_NAV_vAddTrackPoint(t.get(), {t->sHeader.ptLast.x + 1, 7}, 0, FALSE);
  EXPECT_EQ(21834, t->sHeader.u16Count);
  EXPECT_EQ(1000, t->sHeader.ptFirst.x);
  EXPECT_EQ(TRACKPOINT_NORMAL, TRACKTEST_Scan(t.get())[1].type);
}

TEST(TrackRing, AFullRingKeepsTheNewestStepsAndTheWholeBox) {
  auto t = TRACKTEST_Fresh();
  std::vector<POINT> fed;
  for (S32 i = 0; i < 30000; i++) {
    fed.push_back({i * 7 - 5000, (i % 200) * 13 - 40000 + (i < 100 ? -3000 : 0)});
    U_NAV_vAddTrackPoint(t.get(), fed.back(), (U16)i, FALSE);
  }
  const auto points = TRACKTEST_Scan(t.get());
  ASSERT_EQ(21836u, points.size());
  for (size_t k = 0; k < points.size(); k++) {
    const POINT& expected = fed[fed.size() - points.size() + k];
    ASSERT_EQ(expected.x, points[k].pt.x) << k;
    ASSERT_EQ(expected.y, points[k].pt.y) << k;
    if (k > 0) {
      ASSERT_EQ((U16)(fed.size() - points.size() + k), points[k].depth) << k;
    }
  }
  EXPECT_EQ(-5000, t->sHeader.ptLowerLeft.x);
  EXPECT_EQ(-43000, t->sHeader.ptLowerLeft.y);
  EXPECT_EQ(29999 * 7 - 5000, t->sHeader.ptUpperRight.x);
  EXPECT_EQ(199 * 13 - 40000, t->sHeader.ptUpperRight.y);
}

// The bulk add against adding each point: steps near the seam and the pole
// limit, steps of -32,768 (which adding a point halves), gap markers falling
// off a full ring.
TEST(TrackRing, StepsInBulkBuildTheSameRingAsPointByPoint) {
  std::mt19937 random(104);
  std::uniform_int_distribution<S32> small(-2000, 2000);
  auto bulk = TRACKTEST_Fresh(), single = TRACKTEST_Fresh();
  U_NAV_vAddTrackPoint(bulk.get(), {20030000, 15420000}, 0, FALSE);
  U_NAV_vAddTrackPoint(single.get(), {20030000, 15420000}, 0, FALSE);
  for (int round = 0; round < 300; round++) {
    std::vector<TRACK_DELTA_DEPTH_TRIPLE> steps(1 + random() % 200);
    for (auto& s : steps) {
      const int kind = (int)(random() % 50);
      s = {(S16)(kind == 0 ? -32768 : small(random)), (S16)(kind == 1 ? -32768 : kind == 2 ? 32767 : small(random)),
           (U16)random()};
      const POINT last = single->sHeader.ptLast;
      U_NAV_vAddTrackPoint(single.get(), {U_NAV_nFoldX(last.x + s.x), U_NAV_nClampY(last.y + s.y)}, s.u16Depth, FALSE);
    }
    U_NAV_vAddTrackSteps(bulk.get(), steps.data(), (U32)steps.size());
    if (round % 7 == 0) {
      const POINT p = {single->sHeader.ptLast.x + 100, single->sHeader.ptLast.y};
      U_NAV_vAddTrackPoint(single.get(), p, 1, TRUE);
      U_NAV_vAddTrackPoint(bulk.get(), p, 1, TRUE);
    }
    ASSERT_EQ(0, memcmp(&single->sHeader, &bulk->sHeader, sizeof single->sHeader)) << "round " << round;
  }
  EXPECT_EQ(TRACK_MAX_COUNT, single->sHeader.u16Count);
  EXPECT_EQ(0, memcmp(single->aDelta, bulk->aDelta, sizeof single->aDelta));
}

// Points decoded at once as steps, in runs of 64 past the first point, are
// the scan's moved alike: across the end of a full ring, with steps that
// differ.
TEST(TrackRing, PlainPointsDecodedAtOnceAreTheScansAcrossTheRingsEnd) {
  auto t = TRACKTEST_Fresh();
  std::mt19937 rng(17);
  POINT p = {0, 0};
  for (S32 i = 0; i < 30000; i++) {
    p = {p.x + (S32)(rng() % 2001) - 1000, p.y + (S32)(rng() % 2001) - 1000};
    U_NAV_vAddTrackPoint(t.get(), p, 0, FALSE);
  }
  const auto points = TRACKTEST_Scan(t.get());
  U16 it = 1;
  const POINT centre = {-3000, 7000};
  std::vector<POINT> plain(64);
  for (size_t k = 1; k < points.size(); k += 64) {
    const U32 n = (U32)std::min<size_t>(64, points.size() - k);
    const POINT from = {points[k - 1].pt.x - centre.x, points[k - 1].pt.y - centre.y};
    ASSERT_TRUE(U_NAV_bScanPlainSteps(t.get(), &it, from, n, plain.data())) << k;
    for (U32 j = 0; j < n; j++) {
      ASSERT_EQ(points[k + j].pt.x - centre.x, plain[j].x) << k + j;
      ASSERT_EQ(points[k + j].pt.y - centre.y, plain[j].y) << k + j;
    }
  }
  EXPECT_FALSE(U_NAV_bScanPlainSteps(t.get(), &it, {0, 0}, 1, plain.data())) << "past the end";
}

}  // namespace
