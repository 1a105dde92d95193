// The menus that follow the cursor, go-to, targets and grids, saving and
// deleting, and the navigation question queue.

#include "navviews_test.h"
#include "u_view.h"
#include "u_nav.h"
#include "ui_texts.h"

namespace {

// The hot-menu requests of one kind naming the item, since the last call.
std::vector<MSG_MENU_REQUEST> Requests(MENU_TEXT name, MENU_REQUEST_KIND kind) {
  std::vector<MSG_MENU_REQUEST> all, out;
  NavTask::MenuRequests(name, &all);
  for (const MSG_MENU_REQUEST& r : all) {
    if (r.pItemName == name && r.eKind == kind) out.push_back(r);
  }
  return out;
}

TEST_F(NavViews, ACursorWaypointOnSixRoutesShowsFiveRouteItems) {
  Chart();
  const U16 a = Linked(1000000, 5000000, "A"), b = Linked(1000100, 5000000, "B");
  for (int i = 0; i < 6; i++) SavedRoute({a, b}, "R");
  MenuRequests(nullptr);
  T_NAV_vUpdateCursorWaypoint(a);
  const std::vector<MSG_MENU_REQUEST> routes = Requests(Route, MENU_REQ_HOT_ACTION_LIST);
  ASSERT_EQ(5u, routes.size());
  for (U32 i = 0; i < 5; i++) {
    EXPECT_EQ(95 + i, routes[i].u32Priority);
    EXPECT_EQ(4u, routes[i].u32Count);
    EXPECT_GE(S32Of(routes[i].FourCharId), 0);
  }
}

TEST_F(NavViews, TheRouteBeingTravelledOffersOnlyEditAndDelete) {
  Chart();
  const U16 a = Linked(1000000, 5000000, "A"), b = Linked(1000100, 5000000, "B");
  const U16 r = SavedRoute({a, b}, "R");
  Put(FCID("CCRT"), r);
  MenuRequests(nullptr);
  T_NAV_vUpdateCursorWaypoint(b);
  const std::vector<MSG_MENU_REQUEST> routes = Requests(Route, MENU_REQ_HOT_ACTION_LIST);
  ASSERT_EQ(1u, routes.size());
  EXPECT_EQ(2u, routes[0].u32Count);
  EXPECT_EQ(Edit, routes[0].pChoiceList[0]);
  EXPECT_EQ(Delete, routes[0].pChoiceList[1]);
}

TEST_F(NavViews, DeletingTheLastWaypointTakesCursorToWaypointFromTheNineChartPanes) {
  const U16 w = Linked(1000000, 5000000, "A");
  T_NAV_vUpdateCursorToWaypointMenuRegistration();
  EXPECT_EQ(9u, Requests(Cursor_To_Waypoint, MENU_REQ_HOT_ACTION).size());
  T_NAV_bDeleteWaypoint(w, FALSE);
  EXPECT_EQ(9u, Requests(Cursor_To_Waypoint, MENU_REQ_UNREGISTER_HOT_ITEM).size());
  EXPECT_FALSE(T_NAV_bCursorToWaypointMenuCreated());
}

// The layers of the view registered (+) or removed (-) since the last call.
std::string ViewChanges(S32 view) {
  std::string s;
  while (void* p = L_MBOX_Receive(M_VIEW)) {
    const GENERIC_MESSAGE* g = (const GENERIC_MESSAGE*)p;
    if (g->Cmd == CMD_ID_REGISTER_LAYER && ((const MSG_REGISTER_LAYER*)p)->layer == view) s += "+";
    if (g->Cmd == CMD_ID_UNREGISTER_LAYER && ((const MSG_UNREGISTER_LAYER*)p)->layer == view) s += "-";
    H_MEMORY_vDumpMail(p);
  }
  return s;
}

TEST_F(NavViews, TheChartAndSonarViewWaitsForADetectedTransducer) {
  H_DATABASE_bUpdateEverythingU32(FCID("TVUE"), M_VIEW, P_NORMAL, D_MAILBOX, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingBoolean(FCID("SDEN"), TRUE, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  T_NAV_vEnableSonarDisplays(TRUE, 5);
  EXPECT_EQ("", ViewChanges(50));
  H_DATABASE_bUpdateEverythingBoolean(FCID("ITXD"), TRUE, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  T_NAV_vEnableSonarDisplays(TRUE, 5);
  EXPECT_EQ("++", ViewChanges(50)) << "the sonar pane and the chart pane";
  T_NAV_vEnableSonarDisplays(FALSE, 5);
  EXPECT_EQ("--", ViewChanges(50));
  H_DATABASE_vDeleteEntry(FCID("TVUE"));
}

// ---------------------------------------------------------------------------
// Go-to, targets and grids

TEST_F(NavViews, GoToDuringAManOverboardNavigationOnlyNotesIt) {
  Chart();
  g_NAV.u16MOBWaypoint = 7;
  T_NAV_vHandleGoTo();
  g_NAV.u16MOBWaypoint = NAV_NONE;
  EXPECT_EQ("MOB navigation is in progress|", Notes());
  EXPECT_EQ(-1, Clicks());
  EXPECT_EQ(0, MenuRequests(GoTo_));
}

TEST_F(NavViews, GoToTheCursorOnOpenWaterNavigatesToATemporaryWaypointThere) {
  Chart();
  Cursor(1002000, 5003000);
  T_NAV_vHandleGoTo_GoToCursorPosition();
  const U16 w = T_NAV_nFindWaypointAtPosition({1002000, 5003000}, TRUE);
  ASSERT_NE(NAV_NONE, w);
  EXPECT_EQ(WPT_STATUS_TEMPORARY, T_NAV_pGetWaypoint(w)->u8Status);
  EXPECT_EQ(w, U32Of(FCID("ICWP")));
  EXPECT_EQ(w, U32Of(FCID("IDWP")));
  EXPECT_EQ(1u, U32Of(FCID("INIP")));
}

TEST_F(NavViews, AGridTakesTheTargetRingsFromAnotherWaypointWithoutAClick) {
  T_NAV_vAddWaypointTarget(3);
  EXPECT_EQ(1, Clicks());
  EXPECT_EQ(3u, U32Of(FCID("ITWP")));
  MenuRequests(nullptr);
  T_NAV_vAddWaypointGrid(5);
  EXPECT_EQ(0, Clicks());
  EXPECT_EQ(5u, U32Of(FCID("IGWP")));
  EXPECT_EQ(NAV_NONE, U32Of(FCID("ITWP")));
  EXPECT_EQ(12u, Requests(Remove_Target, MENU_REQ_UNREGISTER_HOT_ITEM).size());
}

TEST_F(NavViews, ReversingOnTheFirstLegEndsNavigation) {
  Chart();
  const U16 r = SavedRoute({Linked(1001000, 5001000, "A"), Linked(1002000, 5002000, "B"),
                            Linked(1003000, 5003000, "C")},
                           "R");
  T_NAV_vTravelSavedRoute(r, 0, FALSE);
  ASSERT_EQ(1u, U32Of(FCID("INIP")));
  EXPECT_EQ((S32)r, S32Of(FCID("CCRT")));
  T_NAV_vReverseRoute();
  EXPECT_EQ(0u, U32Of(FCID("INIP")));
  EXPECT_EQ(-1, S32Of(FCID("CCRT")));
}

TEST_F(NavViews, ARouteChosenInThePointSelectionIsTravelledFromItsStart) {
  Chart();
  const U16 a = Linked(1001000, 5001000, "A");
  const U16 r = SavedRoute({a, Linked(1002000, 5002000, "B")}, "R");
  ST_POINT_TYPE_INDEX point = {};
  point.nIndex = r;
  point.nType = NAV_TWR_TYPE_ROUTE;
  point.nRouteStartEnd = 2;
  T_NAV_vGoToPoint(&point);
  EXPECT_EQ(a, U32Of(FCID("IDWP")));
  EXPECT_EQ(2, Clicks()) << "the route starts, the selection itself still refuses";
}

// ---------------------------------------------------------------------------
// Saving and deleting

TEST_F(NavViews, SavingTheCurrentRouteKeepsItsWaypointsAsPermanentLinkedPoints) {
  Chart();
  const U16 w[3] = {Waypoint(1001000, 5001000, "A", WPT_STATUS_TEMPORARY),
                    Waypoint(1002000, 5002000, "B", WPT_STATUS_TEMPORARY),
                    Waypoint(1003000, 5003000, "C", WPT_STATUS_TEMPORARY)};
  for (U16 i : w) ASSERT_TRUE(T_NAV_bWaypointToCurrentRoute(i));
  Notes();
  T_NAV_vSaveCurrentRoute();
  const std::string notes = Notes();
  EXPECT_NE(std::string::npos, notes.find("Saved")) << notes;
  const U32 r = U32Of(FCID("CLRT"));
  T_NAV_GROUP_DATA_vScanGroupForGarbageCollection(T_NAV_GROUP_DATA_nGetRootGroup());
  const ROUTE* saved = T_NAV_pGetRoute(r);
  ASSERT_NE(nullptr, saved);
  ASSERT_EQ(3u, saved->nCount);
  for (U32 i = 0; i < 3; i++) {
    EXPECT_EQ(w[i], saved->anWaypoint[i]);
    EXPECT_EQ(WPT_STATUS_SAVED, T_NAV_pGetWaypoint(w[i])->u8Status);
  }
}

TEST_F(NavViews, ATrackSavedWithoutAClockTakesTheStoresNameAndTheCurrentOneEmpties) {
  U_NAV_vAddTrackPoint(&g_NAV.CurrentTrack, {1000000, 5000000}, 0, FALSE);
  U_NAV_vAddTrackPoint(&g_NAV.CurrentTrack, {1000100, 5000000}, 0, FALSE);
  T_NAV_vSaveCurrentTrack();
  EXPECT_EQ(1, Clicks());
  char name[TRACK_NAME_SIZE + 1] = {};
  T_NAV_vCopyTrackInfo(0, name, sizeof name, nullptr, nullptr);
  EXPECT_STREQ("01", name);
  EXPECT_EQ(0, g_NAV.CurrentTrack.sHeader.u16Count);
}

TEST_F(NavViews, AFullTrackTableKeepsTheCurrentTrack) {
  U_NAV_vAddTrackPoint(&g_NAV.CurrentTrack, {1000000, 5000000}, 0, FALSE);
  for (U32 i = 0; i < NAV_MAX_TRACKS; i++) T_NAV_nAddTrack(&g_NAV.CurrentTrack, 1213461000, nullptr, FALSE);
  U_NAV_vAddTrackPoint(&g_NAV.CurrentTrack, {1000100, 5000000}, 0, FALSE);
  const U16 count = g_NAV.CurrentTrack.sHeader.u16Count;
  T_NAV_vSaveCurrentTrack();
  EXPECT_EQ("No more tracks can be saved. Out of track memory.|", Notes());
  EXPECT_EQ(-1, Clicks());
  EXPECT_EQ(count, g_NAV.CurrentTrack.sHeader.u16Count);
}

TEST_F(NavViews, DeleteAllWhileNavigatingDeletesNothingYetRestartsTheNames) {
  Chart();
  const U16 w = Linked(1001000, 5001000, "A");
  ASSERT_TRUE(T_NAV_bWaypointToCurrentRoute(w));
  Put(FCID("SWCN"), 9);
  Notes();
  T_NAV_vDeleteAllNavData();
  EXPECT_NE(std::string::npos, Notes().find("cannot be deleted.  Delete all has been canceled."));
  EXPECT_EQ(-1, Clicks());
  EXPECT_EQ(1, S32Of(FCID("SWCN")));
  EXPECT_EQ(WPT_STATUS_SAVED, T_NAV_pGetWaypoint(w)->u8Status);
}

// ---------------------------------------------------------------------------
// The question queue

int s_nYes, s_nNo;
void Yes(void) { s_nYes++; }
void No(void) { s_nNo++; }

BOOLEAN Key(U32 key, CURSOR_POSITION cursor = CURSOR_UP) {
  MSG_KEY_CHANGE msg = {};
  msg.key = key;
  msg.state = KEY_DOWN;
  msg.count = 1;
  msg.cursor = cursor;
  return T_NAV_CONF_bHandleKeys(&msg);
}

int KeyRegistrations(void) {
  int n = 0;
  while (void* p = L_MBOX_Receive(M_KEYB)) {
    if (((const GENERIC_MESSAGE*)p)->Cmd == CMD_ID_REGISTER_FOR_KEYS) n++;
    H_MEMORY_vDumpMail(p);
  }
  return n;
}

TEST_F(NavViews, QueuedQuestionsShowInTurnAndAreAnsweredByTheCursorAndExit) {
  H_DATABASE_bUpdateEverythingU32(FCID("TKBD"), M_KEYB, P_NORMAL, D_MAILBOX, nullptr, DB_NEVER_STALE);
  KeyRegistrations();
  s_nYes = s_nNo = 0;
  static const char first[] = "First?", second[] = "Second?";
  T_NAV_CONF_vShowOptions(nullptr, nullptr, first, "No", "Yes", No, Yes);
  T_NAV_CONF_vShowOptions(nullptr, nullptr, second, "No", "Yes", No, Yes);
  EXPECT_EQ(2, KeyRegistrations()) << "the keys are taken once for the whole queue";
  EXPECT_TRUE(Key(HKEY_MASK_CURSOR, CURSOR_NORTH_EAST));
  EXPECT_EQ(-1, Clicks());
  EXPECT_EQ(2u, T_NAV_CONF_u32Pending());
  EXPECT_TRUE(Key(HKEY_MASK_EXIT));
  EXPECT_EQ(1, s_nNo);
  EXPECT_TRUE(Key(HKEY_MASK_CURSOR, CURSOR_EAST));
  EXPECT_EQ(1, s_nYes);
  EXPECT_EQ(0, KeyRegistrations());
  EXPECT_EQ(0u, T_NAV_CONF_u32Pending());
  EXPECT_FALSE(Key(HKEY_MASK_EXIT)) << "with nothing asked the key goes on";
  H_DATABASE_vDeleteEntry(FCID("TKBD"));
  Drain(M_KEYB);
}

}  // namespace
