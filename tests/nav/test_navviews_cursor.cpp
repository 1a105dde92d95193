// The chart cursor, marks and the view predicates.

#include <string>

#include "linux_fs.h"
#include "t_nav_nvram_flash.h"
#include "navmath.h"
#include "navviews_test.h"
#include "t_nav_wpm.h"
#include "u_storefault.h"

namespace {

S32 Moved(CURSOR_POSITION dir, S32 count, FOURCHARID axis = FCID("ICLT")) {
  const S32 before = NavTask::S32Of(axis);
  T_NAV_vHandleCursor(dir, count, KEY_DOWN);
  return NavTask::S32Of(axis) - before;
}

TEST(NavViewPredicates, SplitViewsCountOnlyTheirNavigationPane) {
  EXPECT_FALSE(T_NAV_bIsMyView(50, 2));
  EXPECT_TRUE(T_NAV_bIsMyView(50, 3));
  EXPECT_TRUE(T_NAV_bIsMyChartView(50));  // either pane of the chart-and-sonar view
  EXPECT_TRUE(T_NAV_bIsMyView(40, 2));
  EXPECT_FALSE(T_NAV_bIsMyChartCursorView(54, 2));
  EXPECT_TRUE(T_NAV_bIsMyBirdsEyeCursorView(54, 2));
  EXPECT_FALSE(T_NAV_bIsMyChartMainView(40, 2));
  EXPECT_TRUE(T_NAV_bIsMyInstrumentView(55));
  EXPECT_FALSE(T_NAV_bIsMyView(22, 1));
}

TEST_F(NavViews, ThePredicatesReadTheCurrentViewAndPane) {
  View(55, 2);
  EXPECT_TRUE(T_NAV_bIsMyBirdsEyeView(UNKNOWN_VIEW));
  EXPECT_FALSE(T_NAV_bIsMyChartCursorView(UNKNOWN_VIEW, UNKNOWN_SPLIT));
  View(55, 3);
  EXPECT_FALSE(T_NAV_bIsMyBirdsEyeView(UNKNOWN_VIEW));
  EXPECT_TRUE(T_NAV_bIsMyChartCursorView(UNKNOWN_VIEW, UNKNOWN_SPLIT));
}

TEST_F(NavViews, AHeldCursorKeyAcceleratesThenGrowsByTwoPixelsARepeat) {
  Chart();
  Cursor(1000000, 5000000);
  std::vector<S32> steps;
  for (S32 n = 1; n <= 12; n++) steps.push_back(Moved(CURSOR_NORTH, n));
  EXPECT_EQ((std::vector<S32>{1, 7, 13, 19, 25, 31, 37, 43, 49, 55, 57, 59}), steps);
  EXPECT_EQ(1, Clicks()) << "the first press clicks, the repeats do not";
  EXPECT_TRUE(Bool(FCID("ICAC")));
  // Zoomed far in, a step is still at least one metre's worth of pixels.
  Put(FCID("ICPM"), 1 << 23);
  EXPECT_EQ(1, Moved(CURSOR_EAST, 1, FCID("ICLN")));
}

// A hold starts with its press (a count of 1, one metre here), as on the
// unit: what an earlier hold left of a snap is forgotten then.
TEST_F(NavViews, TheCursorWrapsEastWestAndStopsAtTheNorthEdgeWithARefusal) {
  Chart();
  Cursor(20038298, 15433196);
  T_NAV_vHandleCursor(CURSOR_EAST, 1, KEY_DOWN);
  T_NAV_vHandleCursor(CURSOR_EAST, 2, KEY_DOWN);
  EXPECT_EQ(20038306 - 40076600, S32Of(FCID("ICLN")));
  Clicks();
  T_NAV_vHandleCursor(CURSOR_NORTH, 2, KEY_DOWN);
  EXPECT_EQ(15433198, S32Of(FCID("ICLT")));
  EXPECT_EQ(-1, Clicks());
}

TEST_F(NavViews, TheCursorPublishesItsDegreesBearingAndDistanceFromTheBoat) {
  Chart();
  T_NAV_vHandleCursor(CURSOR_EAST, 1, KEY_DOWN);
  T_NAV_vHandleCursor(CURSOR_EAST, 12, KEY_DOWN);
  EXPECT_EQ(1000000 + 1 + 59, S32Of(FCID("ICLN")));
  POINT cursor = {1000060, 5000000};
  POSITION deg = {};
  nv_MeterToDegr(&cursor, &deg);
  EXPECT_NEAR(deg.lon, Float(FCID("ICND")), 1e-4);
  EXPECT_NEAR(deg.lat, Float(FCID("ICTD")), 1e-4);
  EXPECT_NEAR(90.0f, Float(FCID("ICBH")), 0.5f);
  EXPECT_GT(Float(FCID("ICBD")), 0.0f);
}

TEST_F(NavViews, WithoutTheChartsScaleOrOutsideANavigationViewTheKeyIsRefused) {
  Chart();
  H_DATABASE_vDeleteEntry(FCID("ICPM"));
  T_NAV_vHandleCursor(CURSOR_NORTH, 1, KEY_DOWN);
  EXPECT_EQ(-1, Clicks());
  Put(FCID("ICPM"), 0);
  T_NAV_vHandleCursor(CURSOR_NORTH, 1, KEY_DOWN);
  EXPECT_EQ(-1, Clicks());
  EXPECT_NE(TRUE, Bool(FCID("ICAC")));
  Put(FCID("ICPM"), 1 << 20);
  View(22);
  T_NAV_vHandleCursor(CURSOR_NORTH, 1, KEY_DOWN);
  EXPECT_EQ(-1, Clicks());
}

TEST_F(NavViews, AReleaseNearAWaypointSnapsAndHoldsForFiveRepeats) {
  Chart();
  Cursor(1000000, 5000000);
  const U16 w = Waypoint(1000000, 5000004, "NEAR");
  T_NAV_vHandleCursor(CURSOR_NORTH, 1, KEY_DOWN);
  T_NAV_vHandleCursor(CURSOR_NORTH, 1, KEY_UP);
  EXPECT_EQ(w, U32Of(FCID("ICWP")));
  EXPECT_EQ(5000004, S32Of(FCID("ICLT")));
  std::vector<S32> steps;
  for (S32 n = 1; n <= 6; n++) steps.push_back(Moved(CURSOR_NORTH, n));
  EXPECT_EQ((std::vector<S32>{0, 0, 0, 0, 1, 7}), steps);
}

TEST_F(NavViews, TheBirdsEyeCursorMovesAlongItsHeadingAndTurnsThreeDegrees) {
  View(56);
  Boat(1000000, 5000000, 90.0f);
  Put(FCID("IBPM"), 1 << 20);
  T_NAV_vHandleCursor(CURSOR_NORTH, 1, KEY_DOWN);
  EXPECT_EQ(1000008, S32Of(FCID("ICLN")));
  EXPECT_EQ(5000000, S32Of(FCID("ICLT")));
  T_NAV_vHandleCursor(CURSOR_SOUTH_EAST, 2, KEY_DOWN);
  EXPECT_EQ(1000000, S32Of(FCID("ICLN")));
  EXPECT_NEAR(93.0f, Float(FCID("ICHD")), 1e-4);
  T_NAV_vHandleCursor(CURSOR_WEST, 3, KEY_DOWN);
  EXPECT_NEAR(90.0f, Float(FCID("ICHD")), 1e-4);
  Put(FCID("IBPM"), 1);
  T_NAV_vHandleCursor(CURSOR_NORTH, 4, KEY_DOWN);
  EXPECT_EQ(1000000 + 32767, S32Of(FCID("ICLN")));
}

TEST_F(NavViews, TheZoomKeysStepThePanesZoomWithinItsRangeAndTimeTheHold) {
  View(54, 2);
  MSG_KEY_CHANGE key = {};
  key.key = 0x20;
  key.state = KEY_DOWN;
  key.count = 1;
  const S32 birdsEye = S32Of(FCID("SNBS")), chart = S32Of(FCID("SNCS"));
  T_NAV_vHandleZoomKey(&key);
  EXPECT_EQ(birdsEye - 1, S32Of(FCID("SNBS")));
  EXPECT_EQ(chart, S32Of(FCID("SNCS")));
  EXPECT_NE(0u, g_NAV.u64ZoomKeyPressMs);
  key.state = KEY_UP;
  T_NAV_vHandleZoomKey(&key);
  EXPECT_EQ(0u, g_NAV.u64ZoomKeyPressMs);
  Clicks();
  View(52);
  Put(FCID("SNCS"), 23);
  key.key = 0x40;
  key.state = KEY_DOWN;
  T_NAV_vHandleZoomKey(&key);
  EXPECT_EQ(23, S32Of(FCID("SNCS")));
  EXPECT_EQ(-1, Clicks());
}

// ---------------------------------------------------------------------------
// Marks

TEST_F(NavViews, MarkingTwiceAtOnePlaceSaysItExists) {
  Chart();
  T_NAV_vHandleMark();
  EXPECT_EQ(1, Clicks());
  const U32 first = U32Of(FCID("CLWC"));
  EXPECT_NE(std::string::npos, Notes().find("Created"));
  T_NAV_vHandleMark();
  EXPECT_NE(std::string::npos, Notes().find("already exists at this location"));
  EXPECT_EQ(1, T_NAV_TWR_nGetWaypointCount());
  EXPECT_EQ(first, U32Of(FCID("CLWC")));
}

// The remote's man-overboard semaphore: a waypoint with the MOB icon at the
// boat even where another one stands, navigation to it with the MOB bar's
// values, Go To refused meanwhile, and the end of it like any navigation's.
TEST_F(NavViews, AManOverboardMarksTheBoatAndNavigatesThereUntilCancelled) {
  Chart();
  Linked(1000000, 5000000, "HERE");
  Notes();
  NAV_vHandleEvent(SEMA_KEYBOARD_LONG_GOTO);
  EXPECT_EQ(1, Clicks());
  ASSERT_TRUE(T_NAV_bIsMOBInProgress());
  const U16 w = T_NAV_u16GetMOBWaypoint();
  const WAYPOINT* p = T_NAV_pGetWaypoint(w);
  EXPECT_EQ(30, p->u8Icon);
  EXPECT_EQ("Man overboard: point " + std::string(p->sName) + " marked, navigating to it|", Notes())
      << "said as a man overboard, not as a route";
  EXPECT_EQ(WPT_STATUS_SAVED, p->u8Status);
  EXPECT_EQ(1000000, p->pt.x);
  EXPECT_EQ(5000000, p->pt.y);
  EXPECT_EQ(1u, U32Of(FCID("INIP")));
  EXPECT_EQ(w, U32Of(FCID("IDWP")));
  EXPECT_EQ(0, S32Of(FCID("MOBT")));
  EXPECT_TRUE(H_DATABASE_bFetch(FCID("MOBX"), nullptr, nullptr, nullptr));
  Tick(3);
  EXPECT_EQ(3, S32Of(FCID("MOBT")));
  Notes();
  T_NAV_vHandleGoTo();
  NAV_vHandleEvent(SEMA_KEYBOARD_LONG_GOTO);
  EXPECT_EQ("MOB navigation is in progress|MOB navigation is in progress|", Notes());
  EXPECT_EQ(-1, Clicks());

  T_NAV_vCancelNavigation();
  EXPECT_FALSE(T_NAV_bIsMOBInProgress());
  EXPECT_EQ(0u, U32Of(FCID("INIP")));
  EXPECT_FALSE(H_DATABASE_bFetch(FCID("MOBT"), nullptr, nullptr, nullptr)) << "no MOB bar after it";
  EXPECT_EQ(30, T_NAV_pGetWaypoint(w)->u8Icon) << "the place stays marked";
}

TEST_F(NavViews, AMarkWithoutAFixOrACursorNeedsTheFix) {
  View(52);
  T_NAV_vHandleMark();
  EXPECT_EQ("GPS Fix required for this operation|", Notes());
  EXPECT_EQ(-1, Clicks());
  EXPECT_EQ(0, T_NAV_TWR_nGetWaypointCount());
}

// Also without a clock: a record dated 0 would be no item the tree keeps.
TEST_F(NavViews, AMarkAtTheBoatKeepsItsDepthCappedAndOutlivesACollection) {
  Chart();
  H_DATABASE_vDeleteEntry(FCID("IDTM"));
  H_DATABASE_bUpdateEverythingFloat(FCID("IDEP"), 700.0f, P_NORMAL, D_DEPTH, nullptr, DB_NEVER_STALE);
  T_NAV_vHandleMark();
  const U16 w = T_NAV_nFindWaypointAtPosition({1000000, 5000000}, TRUE);
  ASSERT_NE(NAV_NONE, w);
  EXPECT_EQ(65535, T_NAV_pGetWaypoint(w)->u16Depth);
  T_NAV_GROUP_DATA_vScanGroupForGarbageCollection(T_NAV_GROUP_DATA_nGetRootGroup());
  EXPECT_EQ(WPT_STATUS_SAVED, T_NAV_pGetWaypoint(w)->u8Status);
}

// What a kill leaves is what the files hold: once the mark has returned they
// hold the waypoint and its link as the tables do.
TEST_F(NavViews, AMarkIsInItsFilesWhenItReturns) {
  Chart();
  T_NAV_vHandleMark();
  const U16 w = T_NAV_nFindWaypointAtPosition({1000000, 5000000}, TRUE);
  ASSERT_NE(NAV_NONE, w);
  static WAYPOINT s_aFiles[NAV_MAX_WAYPOINTS];
  memset(s_aFiles, 0, sizeof s_aFiles);
  T_NAV_NVRAM_vScan(nullptr, s_aFiles, nullptr, nullptr);
  U32 compared = 0;
  for (U32 i = 0; i < NAV_MAX_WAYPOINTS; i++) {
    const WAYPOINT* p = T_NAV_pGetWaypoint(i);
    if (p->u8Status == WPT_STATUS_FREE || p->u8Status == WPT_STATUS_TEMPORARY) continue;
    EXPECT_EQ(0, memcmp(p, &s_aFiles[i], sizeof *p)) << "slot " << i;
    compared++;
  }
  EXPECT_GE(compared, 3u) << "the waypoint, and the default group's header and body";
}

TEST_F(NavViews, AMarkWithTheCursorActiveGoesToTheCursorAndBecomesItsWaypoint) {
  Chart();
  Cursor(1000500, 5000500);
  T_NAV_vHandleMark();
  const U16 w = T_NAV_nFindWaypointAtPosition({1000500, 5000500}, TRUE);
  ASSERT_NE(NAV_NONE, w);
  EXPECT_EQ(w, U32Of(FCID("ICWP")));
}

// With no manager registered the task offers no manager entries, and the
// cursor waypoint's edit opens nothing.
TEST_F(NavViews, WithoutAManagerNoEntryIsOfferedAndTheCursorWaypointsEditOpensNothing) {
  EXPECT_EQ(nullptr, T_NAV_WPM_pfnOpenWindow());
  EXPECT_EQ(nullptr, T_NAV_WPM_pfnOpenSettings());
  MSG_KEY_CHANGE key = {};
  EXPECT_FALSE(T_NAV_WPM_bHandleKeys(&key));
  Chart();
  Put(FCID("ICWP"), Linked(1000500, 5000500, "A"));
  Clicks();
  T_NAV_vEditCursorWaypoint();
  EXPECT_EQ(0, Clicks());
}

// With no slot left for another link body, a mark's waypoint could not be
// kept by any group: it is not made.
TEST_F(NavViews, AMarkNoGroupCanHoldIsRefusedAndLeavesNoWaypoint) {
  Chart();
  for (U32 i = 0; i < NAV_GROUP_BODY_ITEMS; i++) Linked(2000000 + 100 * (S32)i, 5000000, "FILL");
  U16 first = NAV_NONE;
  for (U16 g; (g = T_NAV_nAllocGroupSlot(FALSE)) != NAV_NONE;) first = first == NAV_NONE ? g : first;
  while (T_NAV_nAllocGroupSlot(TRUE) != NAV_NONE) {
  }
  T_NAV_vFreeGroupSlot(first);
  const int before = T_NAV_TWR_nGetWaypointCount();
  T_NAV_vHandleMark();
  EXPECT_EQ("No more waypoints can be saved. Out of waypoint memory.|", Notes());
  EXPECT_EQ(-1, Clicks());
  EXPECT_EQ(before, T_NAV_TWR_nGetWaypointCount());
  EXPECT_EQ(NAV_NONE, T_NAV_nFindWaypointAtPosition({1000000, 5000000}, TRUE));
}

// The waypoint's file refused only as it is put in place, after the mark
// let go of the store: the table does not keep what a restart would lose.
TEST_F(NavViews, AMarkWhoseFileIsRefusedAsItLandsLeavesNoWaypoint) {
  Chart();
  const std::string wpts = m_root + "/usr/velmora/wpts/";
  const FS_FAULT refused = {FS_FAULT_IO_ERROR, wpts.c_str(), FS_CALL_RENAME, 1};
  FS_vSetFault(&refused);
  T_NAV_vHandleMark();
  FS_vSetFault(nullptr);
  EXPECT_EQ(-1, Clicks());
  EXPECT_EQ(NAV_NONE, T_NAV_nFindWaypointAtPosition({1000000, 5000000}, TRUE));
  T_NAV_vInitTracksWaypointsRoutes();
  EXPECT_EQ(0, T_NAV_TWR_nGetWaypointCount());
  T_NAV_vHandleMark();
  EXPECT_NE(NAV_NONE, T_NAV_nFindWaypointAtPosition({1000000, 5000000}, TRUE)) << "a later mark is made";
}

// A disk that is full is not a full waypoint table: the user is told which,
// by the store's note alone (which the message boxes show once), not by an
// error banner on top of it.
std::string s_storeNotes;
void StoreNote(const char* const* ppText, const char* pcText) {
  s_storeNotes += std::string(ppText != nullptr ? ppText[0] : pcText) + "|";
}

TEST_F(NavViews, AMarkOnAFullDiskSaysTheStorageIsFull) {
  Chart();
  s_storeNotes.clear();
  U_STOREFAULT_vSetNoteAction(StoreNote);
  const FS_FAULT full = {FS_FAULT_DISK_FULL, nullptr, 0, FS_FAULT_UNTIL_CLEARED};
  FS_vSetFault(&full);
  T_NAV_vHandleMark();
  FS_vSetFault(nullptr);
  U_STOREFAULT_vSetNoteAction(nullptr);
  EXPECT_EQ("", Notes());
  EXPECT_NE(std::string::npos, s_storeNotes.find("The storage is full: changes are not kept.|")) << s_storeNotes;
  EXPECT_EQ(-1, Clicks());
  EXPECT_EQ(0, T_NAV_TWR_nGetWaypointCount());
}

}  // namespace
