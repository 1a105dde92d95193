// The one-second update: what it ignores, when the current track grows and
// is journaled, the leg values against GeographicLib, continuous mode, the
// track-memory warning and the demonstration boat.

#include <math.h>

#include <random>
#include <sstream>

#include "navmath.h"
#include "navtask_test.h"
#include "peer.h"
#include "t_nav_nvram_flash.h"
#include "u_nav.h"

namespace {

constexpr S32 kTickX = -8930670, kTickY = 2944465;

TEST_F(NavTask, AZeroCoordinateIsNoFix) {
  H_DATABASE_bUpdateValueU32(FCID("INIP"), 1, P_NORMAL);
  for (POINT p : {POINT{0, kTickY}, POINT{kTickX, 0}}) {
    Boat(p.x, p.y);
    Tick(3);
    EXPECT_EQ(0, g_NAV.CurrentTrack.sHeader.u16Count);
    EXPECT_EQ(-999.0f, Float(FCID("IDST")));
  }
}

TEST_F(NavTask, TheTrackGrowsOnlyBeyondTheMinimumDistanceAndIsJournaledInNormalRun) {
  const float minimum = Float(FCID("SNTD"));
  ASSERT_GT(minimum, 1.0f);
  Boat(kTickX, kTickY);
  Tick();
  ASSERT_EQ(1, g_NAV.CurrentTrack.sHeader.u16Count);
  S32 journal = T_NAV_NVRAM_s32JournalOffset();
  // Mercator metres are longer than ground metres away from the equator:
  // half the minimum in ground metres is well inside it.
  Boat(kTickX + (S32)(minimum / 2), kTickY);
  Tick(5);
  EXPECT_EQ(1, g_NAV.CurrentTrack.sHeader.u16Count);
  EXPECT_EQ(journal, T_NAV_NVRAM_s32JournalOffset());
  Boat(kTickX + (S32)(minimum * 3), kTickY);
  Tick();
  EXPECT_EQ(2, g_NAV.CurrentTrack.sHeader.u16Count);
  EXPECT_EQ(journal + (S32)NAV_JOURNAL_ENTRY_SIZE, T_NAV_NVRAM_s32JournalOffset());

  State(11);
  journal = T_NAV_NVRAM_s32JournalOffset();
  Boat(kTickX + (S32)(minimum * 6), kTickY);
  Tick();
  EXPECT_EQ(3, g_NAV.CurrentTrack.sHeader.u16Count);
  EXPECT_EQ(journal, T_NAV_NVRAM_s32JournalOffset()) << "only the normal run journals";
}

// A leg from the boat to a waypoint; the boat moved there after the start.
U16 GoTo(S32 x, S32 y, S32 bx, S32 by, float hdg, float sog) {
  WAYPOINT w;
  memset(&w, 0, sizeof w);
  w.u8Status = WPT_STATUS_SAVED;
  w.u32DateTime = 1;
  w.pt = {x, y};
  strcpy(w.sName, "DEST");
  const U16 n = T_NAV_nAddWaypoint(&w, FALSE);
  EXPECT_TRUE(T_NAV_bWaypointToCurrentRoute(n));
  NavTask::Boat(bx, by, hdg, sog);
  return n;
}

TEST_F(NavTask, HeadingAcrossTheBearingClosesNothing) {
  Boat(kTickX, kTickY);
  GoTo(kTickX, kTickY + 5000, kTickX, kTickY, 90.0f, 5.0f);
  Tick();
  EXPECT_NEAR(0.0f, Float(FCID("IDCV")), 1e-4);
  EXPECT_EQ(-1, S32Of(FCID("ITTG")));
  Boat(kTickX, kTickY, 0.0f, 5.0f);
  Tick();
  const float dtg = Float(FCID("IDTG"));
  EXPECT_NEAR(5.0f, Float(FCID("IDCV")), 1e-3);
  EXPECT_EQ(lround(dtg / 5.0f), S32Of(FCID("ITTG")));
}

TEST_F(NavTask, BearingAndDistanceToGoMatchGeographicLib) {
  if (!bHavePeer("RhumbSolve")) GTEST_SKIP() << "RhumbSolve (geographiclib-tools) is not installed";
  std::mt19937 rng(27);
  std::uniform_int_distribution<S32> x(-20000000, 20000000), y(-12000000, 12000000), d(-60000, 60000);
  std::ostringstream in;
  in.precision(17);
  std::vector<std::pair<float, float>> ours;
  for (int i = 0; i < 40; i++) {
    const POINT boat = {x(rng), y(rng)}, dest = {boat.x + d(rng), boat.y + d(rng)};
    Boat(boat.x, boat.y);
    GoTo(dest.x, dest.y, boat.x, boat.y, 0.0f, 1.0f);
    Tick();
    ours.push_back({Float(FCID("IBRG")), Float(FCID("IDTG"))});
    T_NAV_vEndNavigationOnly();
    POSITION a, b;
    nv_MeterToDegr(&boat, &a);
    nv_MeterToDegr(&dest, &b);
    in << a.lat << ' ' << a.lon << ' ' << b.lat << ' ' << b.lon << '\n';
  }
  const std::vector<std::string> peer = RunPeer("RhumbSolve -e 6378388 1/297 -p 9 -i", in.str());
  ASSERT_EQ(ours.size(), peer.size());
  for (size_t i = 0; i < ours.size(); i++) {
    const std::vector<double> p = Numbers(peer[i]);
    EXPECT_LE(BearingGap(ours[i].first, p[0]), 0.05) << "leg " << i;
    EXPECT_NEAR(p[1], ours[i].second, 0.006 * p[1]) << "leg " << i;
  }
}

TEST_F(NavTask, TheLastLegOfAContinuousRouteNeverArrivesButLatches) {
  H_DATABASE_bUpdateValueBoolean(FCID("SNCM"), TRUE, P_NORMAL);
  Boat(kTickX, kTickY);
  const U16 dest = GoTo(kTickX, kTickY + 2000, kTickX, kTickY + 1000, 0.0f, 3.0f);
  Tick();
  EXPECT_FALSE(Bool(FCID("CCNC")));
  Alarms();
  // Inside the arrival radius, then past the waypoint, then back.
  for (S32 dy : {1990, 2100, 1500}) {
    Boat(kTickX, kTickY + dy, 0.0f, 3.0f);
    Tick(7);
    EXPECT_TRUE(Bool(FCID("CCNC"))) << dy;
    EXPECT_EQ(1u, U32Of(FCID("INIP")));
    EXPECT_EQ(dest, U32Of(FCID("IDWP")));
  }
  for (const NAVTEST_ALARM& a : Alarms()) {
    EXPECT_TRUE(a.id != NAV_ARRIVAL_ALARM && a.id != NAV_PAST_WAYPOINT_ALARM) << a.id;
  }
}

TEST_F(NavTask, TheMemoryWarningComesWhenTheTrackIsAboutToDropPoints) {
  // SNTI x (21,836 - count) < 600 s: with one point a second, 599 left.
  TRACK* t = &g_NAV.CurrentTrack;
  for (S32 i = 0; t->sHeader.u16Count < TRACK_MAX_COUNT - 600; i++) U_NAV_vAddTrackPoint(t, {kTickX + 10 * i, kTickY}, 0, FALSE);
  S32 x = t->sHeader.ptLast.x;
  Boat(x += 20, kTickY);
  Tick();
  EXPECT_FALSE(g_NAV.bTrackingMemoryWarningDisplayed) << "600 s of room left";
  Boat(x += 20, kTickY);
  Tick();
  EXPECT_TRUE(g_NAV.bTrackingMemoryWarningDisplayed);
  for (int i = 0; i < 11; i++) {
    Boat(x += 20, kTickY);
    Tick();
  }
  EXPECT_FALSE(g_NAV.bTrackingMemoryWarningDisplayed) << "shown for ten updates";
  EXPECT_TRUE(g_NAV.bTrackingMemoryWarning) << "and not again while room stays short";

  // Full, the ring drops its oldest point for each new one, journaled.
  for (S32 i = 0; t->sHeader.u16Count < TRACK_MAX_COUNT; i++) U_NAV_vAddTrackPoint(t, {x += 20, kTickY}, 0, FALSE);
  const S32 journal = T_NAV_NVRAM_s32JournalOffset();
  Boat(x += 20, kTickY);
  Tick();
  EXPECT_EQ(TRACK_MAX_COUNT, t->sHeader.u16Count);
  EXPECT_EQ(x, t->sHeader.ptLast.x);
  EXPECT_EQ(journal + (S32)NAV_JOURNAL_ENTRY_SIZE, T_NAV_NVRAM_s32JournalOffset());
}

TEST_F(NavTask, TheDemonstrationBoatFollowsItsAimPointsAndStandsStillOnIce) {
  State(6);
  NAV_vStartSimulator();
  EXPECT_EQ(1213461000u, U32Of(FCID("IDTM")));
  const POINT start = g_NAV.ptSimulationStartPoint;
  EXPECT_EQ(start.y, S32Of(FCID("ILAT")));
  U32 visited = 0, previous = 0;
  bool wrapped = false;
  for (int i = 0; i < 20000 && !wrapped; i++) {
    const U32 before = U32Of(FCID("IDTM"));
    Tick();
    ASSERT_EQ(before + 1, U32Of(FCID("IDTM")));
    const U32 row = g_NAV.u32IndexInAimpointList;
    if (row != previous) {
      ASSERT_EQ((previous + 1) % 29, row) << "rows are followed in order";
      visited++;
      wrapped = row == 0;
      previous = row;
    }
    ASSERT_LT(abs(S32Of(FCID("ILON")) - start.x), 4000);
    ASSERT_LT(abs(S32Of(FCID("ILAT")) - start.y), 2000);
  }
  EXPECT_TRUE(wrapped) << visited << " rows reached";

  // On ice the boat's way is stopped at the first step.
  g_NAV.bInIceMode = TRUE;
  Tick();
  const S32 lat = S32Of(FCID("ILAT")), lon = S32Of(FCID("ILON"));
  Tick(20);
  EXPECT_EQ(0.0f, Float(FCID("ISOG")));
  EXPECT_EQ(lat, S32Of(FCID("ILAT")));
  EXPECT_EQ(lon, S32Of(FCID("ILON")));
}

}  // namespace
