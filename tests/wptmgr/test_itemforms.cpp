// The route, track and group forms and the discard of an edit.

#include "golden.h"
#include "h_memory.h"
#include "t_nav_group_data.h"
#include "t_nav_group_edit.h"
#include "t_nav_group_routeinfo.h"
#include "t_nav_group_sel.h"
#include "t_nav_nvram_flash.h"
#include "t_nav_twr.h"
#include "u_alarm.h"
#include "ui_texts.h"
#include "wptmgr_rig.h"

namespace {

class ItemForms : public Wpm {
 protected:
  void SetUp() override {
    Wpm::SetUp();
    H_DATABASE_bUpdateEverythingU32(FCID("TALR"), M_ALARM, P_NORMAL, D_MAILBOX, nullptr, DB_NEVER_STALE);
    H_DATABASE_bUpdateEverythingU32(FCID("IDTM"), 0x5F5E3000, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
    Boat(1000, 1000);
    WPM_vClearEditState();
  }
  void TearDown() override {
    if (g_WPM.pPopupWindow != nullptr) g_WPM.pPopupWindow->bActive = FALSE;
    g_WPMForm = {};
    WPM_vClearEditState();
    while (void* p = L_MBOX_Receive(M_ALARM)) H_MEMORY_vDumpMail(p);
    Wpm::TearDown();
  }

 public:
  static EDIT_FIELD* Row(U32 i) {
    POPUP_WINDOW* p = g_WPM.pPopupWindow;
    if (p == nullptr || !p->bActive) return nullptr;
    return &((POPUP_EDIT_WINDOW*)p)->pEditFields[i];
  }
  static bool FormOpen() { return Row(0) != nullptr; }
  static void Highlight(U16 id) {
    for (U16 i = 0; i < g_WPM.u16ShowItemsCount; i++) {
      if (g_WPM.au16ShowItemIDs[i] == id) g_WPM.u16HighlightIndex = i;
    }
    ASSERT_EQ(id, g_WPM.au16ShowItemIDs[g_WPM.u16HighlightIndex]);
  }
  // The action row is the last selectable one.
  static void Save() {
    for (int i = 0; i < 5; i++) Cursor(CURSOR_SOUTH);
    Cursor(CURSOR_EAST);
  }
  static std::vector<std::string> In(U16 group) {
    T_NAV_GROUP_bEnterGroup(group, 0xFFFF);
    return Names();
  }
  static std::string LastError() {
    std::string text;
    while (void* p = L_MBOX_Receive(M_ALARM)) {
      if (((const GENERIC_MESSAGE*)p)->Cmd == CMD_ID_SET_ALARM) text = ((const ALARM_SET_MESSAGE*)p)->pMessageString;
      H_MEMORY_vDumpMail(p);
    }
    return text;
  }
};

TEST_F(ItemForms, NewRouteIsNamedByItsSlotAndADiscardTakesItBack) {
  const U16 w = Waypoint("A", kWpmRoot);
  for (const char* n : {"R1", "R2", "R3", "R4"}) Route(n, kWpmRoot, {w});
  T_NAV_GROUP_vSetup();
  const std::vector<std::string> before = In(kWpmRoot);
  T_NAV_GROUP_vNewRoute(0);
  ASSERT_TRUE(FormOpen());
  EXPECT_STREQ("RT005", Row(0)->value_string);
  Save();
  EXPECT_FALSE(FormOpen());
  EXPECT_EQ(MODE_EDIT_ROUTE, g_WPM.eMode);
  const U16 made = g_WPM.u16CurrentEditGroupID;
  ASSERT_EQ(0x8804, made);
  EXPECT_STREQ("RT005", T_NAV_pGetRoute(4)->sName);

  Key(HKEY_MASK_EXIT);  // focus to the bar
  Key(HKEY_MASK_EXIT);  // "Exit and Discard?"
  EXPECT_EQ(T_NAV_GROUP_vDiscardChangesConfirm, g_WPM.pfnConfYes);
  T_NAV_GROUP_vNavConfYes();
  EXPECT_EQ(MODE_BROWSE, g_WPM.eMode);
  EXPECT_EQ(0u, T_NAV_pGetRoute(4)->u32DateTime) << "the route made for the edit is gone";
  EXPECT_EQ(before, In(kWpmRoot));
}

TEST_F(ItemForms, SaveAsNeedsANewNameAndCopiesTheRoute) {
  const U16 a = Waypoint("A", kWpmRoot), b = Waypoint("B", kWpmRoot);
  const U16 r = Route("Trip", kWpmRoot, {a, b});
  T_NAV_GROUP_vSetup();
  Highlight(r);
  T_NAV_GROUP_vSaveAsRoute(0);
  ASSERT_TRUE(FormOpen());
  LastError();
  Cursor(CURSOR_SOUTH);
  Cursor(CURSOR_EAST);
  EXPECT_TRUE(FormOpen());
  EXPECT_EQ("You must specify a new name", LastError());
  Row(0)->value_string[0] = 'S';
  Cursor(CURSOR_EAST);
  EXPECT_FALSE(FormOpen());
  const ROUTE* copy = T_NAV_pGetRoute(1);
  EXPECT_STREQ("Srip", copy->sName);
  ASSERT_EQ(2u, copy->nCount);
  EXPECT_EQ(a, copy->anWaypoint[0]);
  EXPECT_EQ(b, copy->anWaypoint[1]);
}

TEST_F(ItemForms, NewGroupCounterAndAnUndoneEditLeaveTheTreeAsItWas) {
  H_DATABASE_bUpdateValueS32(FCID("SGID"), 7, P_NORMAL);
  T_NAV_GROUP_vSetup();
  T_NAV_GROUP_vNewGroup(0);
  ASSERT_TRUE(FormOpen());
  EXPECT_STREQ("GP007", Row(0)->value_string);
  S32 n = 0;
  H_DATABASE_bFetchS32(FCID("SGID"), &n, nullptr, nullptr);
  EXPECT_EQ(8, n);
  Key(HKEY_MASK_EXIT);
  H_DATABASE_bFetchS32(FCID("SGID"), &n, nullptr, nullptr);
  EXPECT_EQ(7, n) << "EXIT without a change gives the number back";

  const U16 g = Group("Edited");
  std::vector<U16> w;
  for (const char* name : {"W1", "W2", "W3", "W4"}) w.push_back(Waypoint(name, kWpmRoot));
  ASSERT_TRUE(T_NAV_GROUP_DATA_bAddLink(g, w[0]));
  const std::vector<std::string> before = In(g);
  T_NAV_GROUP_bEnterGroup(kWpmRoot, 0xFFFF);
  g_WPM.eMode = MODE_EDIT_GROUP;
  g_WPM.u16CurrentEditGroupID = g;
  // Three added, then the one it held removed.
  for (int i = 1; i < 4; i++) {
    ASSERT_TRUE(T_NAV_GROUP_DATA_bAddLink(g, w[i]));
    g_WPMEdit.au32UndoList[g_WPMEdit.u32UndoCount++] = w[i];
  }
  ASSERT_TRUE(T_NAV_GROUP_DATA_bRemoveLink(g, w[0]));
  g_WPMEdit.au32UndoList[g_WPMEdit.u32UndoCount++] = WPM_UNDO_REMOVED | w[0];
  T_NAV_GROUP_vDiscardChangesConfirm();
  EXPECT_EQ(0u, g_WPMEdit.u32UndoCount);
  EXPECT_EQ(MODE_BROWSE, g_WPM.eMode);
  EXPECT_EQ(before, In(g));
}

// The low bar's Save keeps what the edit did: the new route stays, and the
// group keeps the links it was given.
TEST_F(ItemForms, SavingFromTheLowBarKeepsTheEdit) {
  const U16 w = Waypoint("A", kWpmRoot);
  T_NAV_GROUP_vSetup();
  T_NAV_GROUP_vNewRoute(0);
  Save();
  ASSERT_EQ(MODE_EDIT_ROUTE, g_WPM.eMode);
  Key(HKEY_MASK_EXIT);  // focus to the bar
  Cursor(CURSOR_EAST);
  EXPECT_EQ(MODE_BROWSE, g_WPM.eMode);
  EXPECT_STREQ("RT001", T_NAV_pGetRoute(0)->sName);
  EXPECT_NE(0u, T_NAV_pGetRoute(0)->u32DateTime);
  EXPECT_EQ(NAV_NONE, g_WPMEdit.u16RouteIndexBackupForDelete) << "a later discard takes nothing back";

  const U16 g = Group("Edited");
  T_NAV_GROUP_bEnterGroup(kWpmRoot, 0xFFFF);
  g_WPM.eMode = MODE_EDIT_GROUP;
  g_WPM.u16CurrentEditGroupID = g;
  ASSERT_TRUE(T_NAV_GROUP_DATA_bAddLink(g, w));
  g_WPMEdit.au32UndoList[g_WPMEdit.u32UndoCount++] = w;
  g_WPM.eInputState = STATE_OPTIONS_MENU;
  Cursor(CURSOR_EAST);
  EXPECT_EQ(MODE_BROWSE, g_WPM.eMode);
  EXPECT_EQ(0u, g_WPMEdit.u32UndoCount);
  EXPECT_EQ(std::vector<std::string>{"A"}, In(g));
}

// The Yes of "Delete ...?" while a group is edited takes out the item the
// question named, wherever the highlight has gone meanwhile.
TEST_F(ItemForms, RemovingFromAnEditedGroupTakesOutTheItemTheQuestionNamed) {
  const U16 g = Group("Edited");
  const U16 a = Waypoint("A", g);
  Waypoint("B", g);
  const U16 c = Waypoint("C", g);
  T_NAV_GROUP_vSetup();
  T_NAV_GROUP_bEnterGroup(g, 0xFFFF);
  g_WPM.eMode = MODE_EDIT_GROUP;
  g_WPM.u16CurrentEditGroupID = g;
  g_WPM.eInputState = STATE_ITEM_LIST;
  Highlight(a);
  Cursor(CURSOR_EAST);
  ASSERT_EQ(T_NAV_GROUP_vRemoveItemConfirm, g_WPM.pfnConfYes);
  Highlight(c);
  T_NAV_GROUP_vNavConfYes();
  EXPECT_EQ((std::vector<std::string>{"B", "C"}), In(g));
}

TEST_F(ItemForms, SaveAsTrackCopiesTheWholeTrackAndAFailedAddKeepsNothing) {
  auto t = std::make_unique<TRACK>();
  U_NAV_vClearTrack(&t->sHeader);
  for (int i = 0; i < 3000; i++) U_NAV_vAddTrackPoint(t.get(), {i * 7, (i % 50) * 3}, (U16)i, FALSE);
  ASSERT_EQ(0, T_NAV_nAddTrack(t.get(), 9, nullptr, FALSE));
  const U16 id = (U16)(0x8000 | T_NAV_GROUP_DATA_u16Getu7UnitID());
  ASSERT_TRUE(T_NAV_GROUP_DATA_bAddLink(kWpmRoot, id));
  T_NAV_GROUP_vSetup();
  Highlight(id);
  T_NAV_GROUP_vSaveAsTrack(0);
  ASSERT_TRUE(FormOpen());
  Row(0)->value_string[0] = 'R';
  Cursor(CURSOR_SOUTH);
  Cursor(CURSOR_EAST);
  EXPECT_FALSE(FormOpen());
  auto source = std::make_unique<TRACK>();
  memcpy(source.get(), T_NAV_NVRAM_pLoadTrack(0), sizeof(TRACK));
  T_NAV_NVRAM_vReleaseTrack();
  const TRACK* copy = T_NAV_NVRAM_pLoadTrack(1);
  EXPECT_EQ(0, memcmp(source->aDelta, copy->aDelta, sizeof copy->aDelta)) << "every point";
  EXPECT_EQ(source->sHeader.u16Count, copy->sHeader.u16Count);
  EXPECT_EQ(0, strncmp("R1", copy->sHeader.sName, 3));
  T_NAV_NVRAM_vReleaseTrack();

  // With every slot taken the add fails: nothing linked, the block given back.
  for (U32 i = 2; i < NAV_MAX_TRACKS; i++) ASSERT_NE(0xFFFF, T_NAV_nAddTrack(t.get(), 9, nullptr, FALSE));
  const std::vector<std::string> names = In(kWpmRoot);
  for (int i = 0; i < 12; i++) {
    Highlight(id);
    T_NAV_GROUP_vSaveAsTrack(0);
    Row(0)->value_string[1] = (char)('a' + i);
    Cursor(CURSOR_SOUTH);
    Cursor(CURSOR_EAST);
  }
  EXPECT_EQ(names, In(kWpmRoot));
  void* p = H_MEMORY_pvMallocNoWait(WPM_TRACK_COPY_BYTES);
  EXPECT_NE(nullptr, p) << "twelve failed copies leaked no block";
  H_MEMORY_vFree(p);
}

TEST_F(ItemForms, TrackStyleZeroHidesTheColourRow) {
  auto t = std::make_unique<TRACK>();
  U_NAV_vClearTrack(&t->sHeader);
  U_NAV_vAddTrackPoint(t.get(), {0, 0}, 0, FALSE);
  U_NAV_vAddTrackPoint(t.get(), {5, 5}, 0, FALSE);
  ASSERT_EQ(0, T_NAV_nAddTrack(t.get(), 9, nullptr, FALSE));
  T_NAV_bSetTrackStyle(0, 1);
  const U16 id = (U16)(0x8000 | T_NAV_GROUP_DATA_u16Getu7UnitID());
  ASSERT_TRUE(T_NAV_GROUP_DATA_bAddLink(kWpmRoot, id));
  T_NAV_GROUP_vSetup();
  Highlight(id);
  T_NAV_GROUP_vEditTrack(0);
  ASSERT_TRUE(FormOpen());
  EXPECT_FALSE(Row(3)->bInactive);
  Cursor(CURSOR_SOUTH);
  Cursor(CURSOR_SOUTH);
  // The style row selected between its arrows, the colour as its swatch.
  const std::vector<COLOR> form = Picture();
  EXPECT_TRUE(GOLDEN_Match(WPTMGR_GOLDEN_DIR "/edit_track_form.png",
                           {form.data(), G_SCREEN_WIDTH, G_SCREEN_HEIGHT, G_SCREEN_WIDTH}));
  Cursor(CURSOR_EAST);  // style 1 -> 0
  EXPECT_TRUE(Row(3)->bInactive);
  Cursor(CURSOR_SOUTH);  // passes the hidden colour row
  EXPECT_EQ(0, Row(4)->highlight);
  Cursor(CURSOR_EAST);
  EXPECT_FALSE(FormOpen());
  EXPECT_EQ(0u, T_NAV_nGetTrackStyle(0));
}

TEST_F(ItemForms, SavingANotSharedGroupMovesItToTheSharedSideUnderItsNewName) {
  GROUP_HEADER h = {};
  h.u8Status = WPT_STATUS_GROUP_HEADER;
  h.bWpNotShared = 1;
  h.u16ParentIndex = h.u16FirstBodyIndex = 0xFFFF;
  memcpy(h.sName, "Mine", 4);
  const U16 locked = T_NAV_GROUP_DATA_nNewGroup(&h);
  ASSERT_TRUE(T_NAV_GROUP_DATA_bAddLink(kWpmRoot, locked));
  ROUTE r = {};
  r.bRtNotShared = 1;
  memcpy(r.sName, "Leg", 3);
  const U16 route = (U16)(0x8800 | T_NAV_nAddRoute(&r));
  ASSERT_TRUE(T_NAV_GROUP_DATA_bAddLink(kWpmRoot, route));
  T_NAV_GROUP_vSetup();
  auto Linked = [](const char* name) {
    T_NAV_GROUP_bEnterGroup(kWpmRoot, 0xFFFF);
    std::vector<U16> ids;
    for (U16 i = 0; i < g_WPM.u16ListCount; i++) {
      char n[24] = {};
      if (WPM_bItemName(g_WPM.au16ListIDs[i], n, sizeof n) && strcmp(n, name) == 0) ids.push_back(g_WPM.au16ListIDs[i]);
    }
    return ids;
  };

  Highlight(locked);
  T_NAV_GROUP_vEditGroup(0);
  Cursor(CURSOR_EAST);
  Picture();
  Cursor(CURSOR_NORTH);  // "Mine" -> "Nine"
  Key(HKEY_MASK_EXIT);
  Save();
  EXPECT_TRUE(Linked("Mine").empty());
  const std::vector<U16> moved = Linked("Nine");
  ASSERT_EQ(1u, moved.size());
  EXPECT_NE(locked, moved[0]);
  EXPECT_FALSE(WPM_bNotShared(moved[0]));

  // A route's form keeps the stored record, and so its side.
  T_NAV_GROUP_bEnterGroup(kWpmRoot, 0xFFFF);
  Highlight(route);
  T_NAV_GROUP_vEditRoute(0);
  Save();
  EXPECT_EQ(std::vector<U16>{route}, Linked("Leg"));
  EXPECT_TRUE(T_NAV_GROUP_DATA_bIsGroupNavDataIntegralEX(nullptr, kWpmRoot));
}

// East on the list while contents are edited: a waypoint from elsewhere
// goes into the edited group once; inside the group, Yes takes it out, and
// a discard puts it back. A route takes waypoints one after another, but
// not the one it got last.
TEST_F(ItemForms, EastAddsToTheEditedGroupOrRouteAndAskedRemovalsUndoOnDiscard) {
  const U16 a = Waypoint("A", kWpmRoot), b = Waypoint("B", kWpmRoot);
  const U16 g = Group("Edited");
  T_NAV_GROUP_vSetup();
  T_NAV_GROUP_bEnterGroup(kWpmRoot, 0xFFFF);
  g_WPM.eMode = MODE_EDIT_GROUP;
  g_WPM.u16CurrentEditGroupID = g;
  for (U16 id : {a, b, a}) {
    Highlight(id);
    Cursor(CURSOR_EAST);
  }
  EXPECT_EQ((std::vector<std::string>{"A", "B"}), In(g));
  EXPECT_EQ(2u, g_WPMEdit.u32UndoCount) << "the refused second link is not undone";
  Highlight(a);
  Cursor(CURSOR_EAST);
  T_NAV_GROUP_vNavConfYes();
  EXPECT_EQ(std::vector<std::string>{"B"}, In(g));
  T_NAV_GROUP_vDiscardChangesConfirm();
  EXPECT_TRUE(In(g).empty()) << "the edit's links all undone";

  T_NAV_GROUP_vNewRoute(0);
  Save();
  ASSERT_EQ(MODE_EDIT_ROUTE, g_WPM.eMode);
  T_NAV_GROUP_bEnterGroup(kWpmRoot, 0xFFFF);
  for (U16 id : {a, b, b, a}) {
    Highlight(id);
    Cursor(CURSOR_EAST);
  }
  const ROUTE* r = T_NAV_pGetRoute(0);
  ASSERT_EQ(3u, r->nCount & 0x3FFFFFFF);
  EXPECT_EQ((std::vector<U16>{a, b, a}), std::vector<U16>(r->anWaypoint, r->anWaypoint + 3));
}

// An item the edited group alone holds is only taken out while the edit is
// open: a discard puts it back, and a save lets it go with the link.
TEST_F(ItemForms, AnItemTakenOutOfItsOnlyGroupComesBackOnDiscardAndGoesOnSave) {
  const U16 g = Group("Edited");
  const U16 only = Waypoint("Only", g);
  T_NAV_GROUP_vSetup();
  const auto takeOut = [&] {
    T_NAV_GROUP_bEnterGroup(g, 0xFFFF);
    g_WPM.eMode = MODE_EDIT_GROUP;
    g_WPM.u16CurrentEditGroupID = g;
    Highlight(only);
    Cursor(CURSOR_EAST);
    T_NAV_GROUP_vNavConfYes();
  };
  takeOut();
  EXPECT_TRUE(In(g).empty());
  T_NAV_GROUP_vDiscardChangesConfirm();
  EXPECT_EQ(std::vector<std::string>{"Only"}, In(g));
  ASSERT_NE(nullptr, WPM_pWaypoint(only));

  takeOut();
  T_NAV_GROUP_vSaveChanges();
  EXPECT_TRUE(In(g).empty());
  EXPECT_EQ(nullptr, WPM_pWaypoint(only)) << "held nowhere, it is deleted as asked";
}

// The same for a route: a point the route alone holds, deleted from it in
// the route's edit, is there again when the edit is discarded.
TEST_F(ItemForms, APointOnlyTheRouteHoldsComesBackWhenItsEditIsDiscarded) {
  const U16 a = Waypoint("A", kWpmRoot), b = Waypoint("B", kWpmRoot);
  const U16 route = Route("R", kWpmRoot, {a, b});
  ASSERT_TRUE(T_NAV_GROUP_DATA_bRemoveLink(kWpmRoot, a));
  T_NAV_GROUP_vSetup();
  T_NAV_GROUP_bEnterGroup(kWpmRoot, 0xFFFF);
  Highlight(route);
  T_NAV_GROUP_vAddRemoveRoute(0);
  ASSERT_EQ(MODE_EDIT_ROUTE, g_WPM.eMode);
  Cursor(CURSOR_EAST);  // into the route
  Highlight(a);
  for (CURSOR_POSITION c : {CURSOR_EAST, CURSOR_SOUTH, CURSOR_EAST}) Cursor(c);  // its menu's Delete
  ASSERT_EQ(1u, T_NAV_pGetRoute(route & 0x07FF)->nCount & 0x3FFFFFFF);
  T_NAV_GROUP_vDiscardChangesConfirm();
  const ROUTE* r = T_NAV_pGetRoute(route & 0x07FF);
  ASSERT_EQ(2u, r->nCount & 0x3FFFFFFF);
  EXPECT_EQ(a, r->anWaypoint[0]);
  EXPECT_NE(nullptr, WPM_pWaypoint(a)) << "the restored route's point is still a waypoint";
}

}  // namespace
