// The store killed again and again while it saves records and appends the
// journal: after every kill the next start finds each record whole, of one
// generation between the last finished save and the last begun one, and a
// current track that is exactly the points fed, up to the last one journaled.

#include <signal.h>
#include <unistd.h>

#include <random>
#include <sstream>

#include "navstore_feed.h"
#include "navstore_rig.h"

namespace {

struct SAVER_RUN {
  bool bBegun = false;
  U32 u32Restored = 0;  // points the run found at its start
  U32 u32Saving = 0;    // last generation begun
  U32 u32Saved = 0;     // last generation finished
  S64 s64Point = -1;    // last point journaled
};

SAVER_RUN Parse(const std::string& out) {
  SAVER_RUN run;
  std::istringstream lines(out);
  std::string word;
  while (lines >> word) {
    if (word == "begin") {
      run.bBegun = true;
      lines >> run.u32Restored;
    } else if (word == "saving") {
      lines >> run.u32Saving;
    } else if (word == "saved") {
      lines >> run.u32Saved;
    } else if (word == "point") {
      lines >> run.s64Point;
    }
  }
  return run;
}

TEST_F(NavStore, KillingTheStoreMidWriteLeavesWholeRecordsAndATrackPrefix) {
  std::mt19937 random(2525);
  U32 u32Finished = 0, u32Begun = 0, u32Track = 0;
  S64 s64Journaled = -1;
  int midSave = 0;
  auto track = std::make_unique<TRACK>();
  for (int i = 0; i < 51; i++) {
    auto p = TEST_Spawn(NAVSTORE_SAVER, {std::to_string(u32Begun + 1)},
                        {"VELMORA_DEVROOT=" + m_root, "VELMORA_CWD=" + m_root});
    ASSERT_NE(nullptr, p);
    ASSERT_TRUE(TEST_bWaitForOutput(p.get(), "begin", 20000)) << "start " << i;
    // On a slow disk a save can outlast every random delay: now and then one
    // is let finish.
    if (i % 5 == 4) {
      ASSERT_TRUE(TEST_bWaitForOutput(p.get(), "saved", 20000)) << "start " << i;
    }
    if (i < 50) usleep(random() % 40000);
    TEST_Signal(p.get(), SIGKILL);
    TEST_RESULT r = TEST_Finish(std::move(p), 20000);
    ASSERT_EQ(SIGKILL, r.signal) << "run " << i << " ended by itself with " << r.status << "\n" << r.out;
    const SAVER_RUN run = Parse(r.out);
    EXPECT_EQ(u32Track, run.u32Restored) << "run " << i << " restored another track than the last start";
    if (run.u32Saving > run.u32Saved) midSave++;
    u32Begun = std::max(u32Begun, run.u32Saving);
    u32Finished = std::max(u32Finished, run.u32Saved);
    s64Journaled = std::max(s64Journaled, run.s64Point);

    // What the next start will find.
    T_NAV_vInitTracksWaypointsRoutes();
    for (U32 k = 0; k < NAVSAVER_WAYPOINTS && u32Finished > 0; k++) {
      const WAYPOINT* w = T_NAV_pGetWaypoint(NAVSAVER_FIRST_SLOT + k);
      const U32 g = NAVSAVER_u32WaypointGeneration(k, w);
      const WAYPOINT expected = NAVSAVER_Waypoint(k, g);
      EXPECT_TRUE(g >= u32Finished && g <= u32Begun) << "run " << i << " waypoint " << k << " of generation " << g;
      EXPECT_EQ(0, memcmp(&expected, w, sizeof *w)) << "run " << i << " waypoint " << k << " is no whole record";
    }
    for (U32 k = 0; k < NAVSAVER_ROUTES && u32Finished > 0; k++) {
      const ROUTE* route = T_NAV_pGetRoute(k);
      const U32 g = NAVSAVER_u32RouteGeneration(k, route);
      const ROUTE expected = NAVSAVER_Route(k, g);
      EXPECT_TRUE(g >= u32Finished && g <= u32Begun) << "run " << i << " route " << k << " of generation " << g;
      EXPECT_EQ(0, memcmp(&expected, route, sizeof *route)) << "run " << i << " route " << k;
    }
    T_NAV_NVRAM_vScanCurrentTrack(track.get());
    U16 it = 0;
    POINT pt;
    u32Track = 0;
    for (TRACKPOINT_TYPE type; (type = U_NAV_eScanTrack(track.get(), &it, &pt, nullptr)) != TRACKPOINT_INVALID;) {
      const POINT fed = NAVSAVER_Point(u32Track);
      ASSERT_EQ(fed.x, pt.x) << "run " << i << " point " << u32Track;
      ASSERT_EQ(fed.y, pt.y) << "run " << i << " point " << u32Track;
      if (u32Track > 0) {
        ASSERT_EQ(NAVSAVER_bGap(u32Track) ? TRACKPOINT_GAP : TRACKPOINT_NORMAL, type) << "point " << u32Track;
      }
      u32Track++;
    }
    EXPECT_GE((S64)u32Track, s64Journaled + 1) << "run " << i << " lost journaled points";
    if (HasFailure()) break;
  }
  RecordProperty("kills_mid_save", midSave);
  EXPECT_GT(u32Finished, 0u);
  EXPECT_GE(midSave, 20) << "too few kills landed inside a save to tell";
}

}  // namespace

namespace {

// A start that builds a new tree, cut by a power loss after any of its
// writes: the next start finds every record and links each one.
TEST_F(NavStore, AStartCutWhileItBuildsTheTreeLosesNoRecord) {
  auto Flat = [this] {
    std::filesystem::remove_all(Dir("wpts"));
    T_NAV_NVRAM_vInit();
    for (U32 i = 0; i < 30; i++) {
      WAYPOINT w = NAVTEST_Waypoint((S32)i * 10, 0, "FLAT");
      ASSERT_TRUE(T_NAV_NVRAM_bSaveWaypoint(&w, (U16)i, FALSE));
    }
  };
  // Three bodies and the root: the cut falls before, between and after them.
  for (U32 cut = 1; cut <= 6; cut++) {
    ASSERT_NO_FATAL_FAILURE(Flat());
    TEST_RESULT r = TEST_Finish(TEST_Spawn(NAVSTORE_SAVER, {"load", std::to_string(cut)},
                                           {"VELMORA_DEVROOT=" + m_root, "VELMORA_CWD=" + m_root}),
                                20000);
    ASSERT_TRUE(r.status == 9 || r.out == "loaded\n") << cut << ": " << r.out << r.err;
    T_NAV_vInitTracksWaypointsRoutes();
    EXPECT_EQ(30, T_NAV_TWR_nGetWaypointCount()) << cut;
    for (U16 i = 0; i < 30; i++) EXPECT_TRUE(T_NAV_GROUP_DATA_bIsInAnyGroup(i)) << cut << " " << i;
  }
}

}  // namespace
