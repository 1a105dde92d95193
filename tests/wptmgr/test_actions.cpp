// Working on items: the selection's toggling, duplicate and move with the
// guard against moving a group into itself, deletes with their refusals,
// hide, show, share and the export latch, and random sequences of them that
// must leave the store whole.

#include <algorithm>
#include <bitset>
#include <random>
#include <thread>

#include "h_memory.h"
#include "t_nav.h"
#include "t_nav_group.h"
#include "t_nav_group_data.h"
#include "t_nav_group_sel.h"
#include "t_nav_twr.h"
#include "t_nav_views.h"
#include "text_util.h"
#include "u_alarm.h"
#include "u_language.h"
#include "version.h"
#include "wptmgr_rig.h"

namespace {

class Actions : public Wpm {
 protected:
  void SetUp() override {
    Wpm::SetUp();
    H_DATABASE_bUpdateEverythingU32(FCID("TALR"), M_ALARM, P_NORMAL, D_MAILBOX, nullptr, DB_NEVER_STALE);
    g_WPMSel.u16SelectedCount = 0;
  }
  void TearDown() override {
    T_NAV_vCancelNavigation();
    Notes();
    g_WPM.eMode = MODE_BROWSE;
    g_WPMSel.u16SelectedCount = 0;
    Wpm::TearDown();
  }

 public:
  // The notes raised since the last call.
  static std::vector<std::string> Notes(void) {
    std::vector<std::string> notes;
    while (GENERIC_MESSAGE* p = (GENERIC_MESSAGE*)L_MBOX_Receive(M_ALARM)) {
      const ALARM_SET_MESSAGE* a = (const ALARM_SET_MESSAGE*)p;
      if (p->Cmd == CMD_ID_SET_ALARM && a->pMessageString != nullptr) notes.push_back(a->pMessageString);
      H_MEMORY_vDumpMail(p);
    }
    return notes;
  }
  // The same for a wide language's notes.
  static std::vector<std::u16string> WideNotes(void) {
    std::vector<std::u16string> notes;
    while (GENERIC_MESSAGE* p = (GENERIC_MESSAGE*)L_MBOX_Receive(M_ALARM)) {
      const ALARM_SET_MESSAGE* a = (const ALARM_SET_MESSAGE*)p;
      if (p->Cmd == CMD_ID_SET_ALARM && a->pMessageString != nullptr) notes.push_back(Units(a->pMessageString));
      H_MEMORY_vDumpMail(p);
    }
    return notes;
  }
  static void Open(U16 dir) { WPM_vEnterDirectory(dir, 0xFFFF); }
  // The item highlighted in the directory shown.
  static void Highlight(U16 id) {
    for (U32 i = 0; i < g_WPM.u16ListCount; i++) {
      if (g_WPM.au16ListIDs[i] != id) continue;
      g_WPM.u16FirstShowItemIndexInList = (U16)i;
      WPM_vRefillShown();
      g_WPM.u16HighlightIndex = 0;
      return;
    }
    ADD_FAILURE() << "not listed: " << id;
  }
  static void Toggle(U16 dir, U16 id) {
    Open(dir);
    Highlight(id);
    T_NAV_GROUP_vSelectItem(0);
  }
  static std::vector<U16> Selected(void) {
    return std::vector<U16>(g_WPMSel.au16SelectedIDs, g_WPMSel.au16SelectedIDs + g_WPMSel.u16SelectedCount);
  }
  static std::vector<U16> Links(U16 group) {
    std::vector<U16> links(3100);
    links.resize(WPM_u32GroupLinks(group, links.data(), 3100));
    std::sort(links.begin(), links.end());
    return links;
  }
  // The confirmation's Yes, answered from another task.
  static void Yes(void) { std::thread(T_NAV_GROUP_vNavConfYes).join(); }
  static U16 Root(void) { return T_NAV_GROUP_DATA_nGetRootGroup(); }
};

TEST_F(Actions, SelectingCoversContentAndDeselectingInsideSplitsTheCover) {
  const U16 g = Group("G"), sub = Group("Sub", g);
  const U16 a = Waypoint("A", g), b = Waypoint("B", g), c = Waypoint("C", sub);
  const U16 r = Route("R", g, {a, b, c});
  T_NAV_GROUP_vSetup();
  T_NAV_GROUP_vSelectMultipleAndDelete(0);
  Toggle(g, a);
  Toggle(Root(), g);
  EXPECT_EQ(std::vector<U16>{g}, Selected()) << "the group covers its waypoint";

  Toggle(g, b);
  std::vector<U16> left = Selected();
  std::sort(left.begin(), left.end());
  EXPECT_EQ((std::vector<U16>{a, r, sub}), std::vector<U16>(left.begin(), left.end()));
  EXPECT_FALSE(WPM_bIsSelectedHere(b));

  g_WPMSel.u16SelectedCount = 0;
  Toggle(g, r);
  Open(r);
  Toggle(r, b);
  EXPECT_EQ((std::vector<U16>{a, c}), Selected());
  EXPECT_TRUE(g_WPMSel.abSelectedWaypointInRoute[0]);
  EXPECT_FALSE(g_WPMSel.abSelectedWaypointInRoute[1]);
  EXPECT_TRUE(g_WPMSel.abSelectedWaypointInRoute[2]);

  g_WPMSel.u16SelectedCount = 0;
  for (U32 i = 0; i < NAV_GROUP_LIST_MAX; i++) WPM_vSelectAppend((U16)(i % 3000), 0xC123, 0xFFFF);
  Toggle(g, a);
  EXPECT_EQ(NAV_GROUP_LIST_MAX, g_WPMSel.u16SelectedCount) << "a full record takes nothing more";
}

TEST_F(Actions, DuplicateIntoARouteLinksWaypointsOnlyAndAGroupIsNeverMovedIntoItself) {
  const U16 g = Group("G"), child = Group("Child", g), grand = Group("Grand", child);
  const U16 a = Waypoint("A", Root()), b = Waypoint("B", Root());
  const U16 r = Route("R", Root(), {b});
  T_NAV_GROUP_vSetup();
  Notes();
  T_NAV_GROUP_vSelectMultipleAndDuplicate(0);
  Toggle(Root(), a);
  Toggle(Root(), b);
  Toggle(Root(), g);
  Open(r);
  WPM_vMultiSelectDone();
  EXPECT_EQ((std::vector<std::string>{"All items except groups will be copied"}), Notes());
  ASSERT_NE(nullptr, WPM_pRoute(r));
  EXPECT_EQ(3u, (U32)WPM_pRoute(r)->nCount);
  EXPECT_EQ(MODE_BROWSE, g_WPM.eMode);

  for (U16 into : {g, child, grand}) {
    Open(Root());
    Highlight(g);
    T_NAV_GROUP_vMoveGroup(0);
    Open(into);
    T_NAV_GROUP_vPasteSelectedItems();
    EXPECT_EQ((std::vector<std::string>{"The items cannot be moved into the desired directory."}), Notes());
    EXPECT_EQ(Root(), WPM_u16GroupParent(g));
    EXPECT_EQ(std::vector<U16>{child}, Links(g));
    EXPECT_EQ(std::vector<U16>{grand}, Links(child));
  }
}

TEST_F(Actions, DownFromTheLastRowReachesPasteHereAndAPasteIntoTheOwnGroupSaysWhyNothingChanged) {
  const U16 g = Group("G"), other = Group("Other");
  const U16 a = Waypoint("A", g), b = Waypoint("B", g);
  T_NAV_GROUP_vSetup();
  Notes();
  for (void (*take)(U32) : {T_NAV_GROUP_vCopyHighlightedItem, T_NAV_GROUP_vCutHighlightedItem}) {
    Open(g);
    Highlight(a);
    take(0);
    Click();
    ASSERT_EQ(MODE_PASTE, g_WPM.eMode);
    Cursor(CURSOR_SOUTH);
    Cursor(CURSOR_SOUTH);
    EXPECT_EQ(STATE_OPTIONS_MENU, g_WPM.eInputState) << "down from the last row";
    EXPECT_EQ(1, Click());
    Cursor(CURSOR_EAST);  // Paste here
    EXPECT_EQ((std::vector<std::string>{"Nothing pasted: the items are already in this group."}), Notes());
    EXPECT_EQ((std::vector<U16>{a, b}), Links(g));
  }
  Open(g);
  Highlight(b);
  T_NAV_GROUP_vCutHighlightedItem(0);
  Open(other);
  T_NAV_GROUP_vPasteSelectedItems();
  EXPECT_EQ((std::vector<std::string>{"Total 1 items moved."}), Notes()) << "elsewhere the count as before";
  EXPECT_EQ(std::vector<U16>{a}, Links(g));
}

// The paste notes in a wide language: whole wide sentences, the count in
// its place.
TEST_F(Actions, ThePasteNotesOfAWideLanguageAreWholeWideSentences) {
  SetLanguage(LANGUAGE_KOREAN);
  const U16 g = Group(W(u"항구").c_str()), other = Group(W(u"만").c_str());
  const U16 a = Waypoint("A", g), b = Waypoint("B", g);
  T_NAV_GROUP_vSetup();
  WideNotes();
  Open(g);
  Highlight(a);
  T_NAV_GROUP_vCopyHighlightedItem(0);
  T_NAV_GROUP_vPasteSelectedItems();
  EXPECT_EQ(std::vector<std::u16string>{u"붙여넣지 않음: 항목이 이미 이 그룹에 있습니다."}, WideNotes());
  Highlight(b);
  T_NAV_GROUP_vCutHighlightedItem(0);
  Open(other);
  T_NAV_GROUP_vPasteSelectedItems();
  EXPECT_EQ(std::vector<std::u16string>{u"총 1개 항목을 이동했습니다."}, WideNotes());
  Open(kWpmRoot);
  Highlight(other);
  T_NAV_GROUP_vMoveGroup(0);
  Open(other);
  T_NAV_GROUP_vPasteSelectedItems();
  EXPECT_EQ(std::vector<std::u16string>{u"항목을 해당 폴더로 이동할 수 없습니다."}, WideNotes());
  SetLanguage(LANGUAGE_ENGLISH);
}

TEST_F(Actions, MovingALockedWaypointIntoASharedGroupRelinksItsSharedTwin) {
  const U16 shared = Group("Shared");
  GROUP_HEADER h = {};
  h.u8Status = WPT_STATUS_GROUP_HEADER;
  h.bWpNotShared = 1;
  h.u16ParentIndex = h.u16FirstBodyIndex = 0xFFFF;
  const U16 locked = T_NAV_GROUP_DATA_nNewGroup(&h);
  ASSERT_TRUE(T_NAV_GROUP_DATA_bAddLink(Root(), locked));
  const U16 twin = Waypoint("Twin", shared);
  WAYPOINT w = *T_NAV_pGetWaypoint(twin);
  w.bWpNotShared = 1;
  const U16 mine = T_NAV_nAddWaypoint(&w, TRUE);
  ASSERT_TRUE(T_NAV_GROUP_DATA_bAddLink(locked, mine));
  T_NAV_GROUP_DATA_bRemoveLink(shared, twin);
  ASSERT_TRUE(T_NAV_GROUP_DATA_bAddLink(Root(), twin));
  T_NAV_GROUP_vSetup();
  Open(locked);
  Highlight(mine);
  T_NAV_GROUP_vCutHighlightedItem(0);
  Open(shared);
  T_NAV_GROUP_vPasteSelectedItems();
  EXPECT_EQ(std::vector<U16>{twin}, Links(shared));
  EXPECT_TRUE(Links(locked).empty());
}

// The power goes right after a confirmed delete, before the unit ever saved
// its settings: the next start finds no version and rebuilds the tree from
// every record file it reads. A deleted waypoint or track must not be among
// them.
TEST_F(Actions, AConfirmedDeleteOutlivesAPowerLossAndARebuild) {
  const U16 g = Group("G");
  const U16 a = Waypoint("A", g), b = Waypoint("B", g);
  T_NAV_GROUP_vSetup();
  Open(g);
  Highlight(a);
  T_NAV_GROUP_vDeleteWaypointEX(0);
  Yes();
  T_NAV_GROUP_vShutdown();
  H_DATABASE_vInit();
  State(3);
  VERSION_bDetectVersionChange();
  ASSERT_TRUE(VERSION_bIsUpgradingToGroupedWaypointManagement());
  T_NAV_vInitTracksWaypointsRoutes();
  EXPECT_EQ(WPT_STATUS_FREE, T_NAV_pGetWaypoint(a)->u8Status);
  EXPECT_FALSE(Exists(File("wpts", a)));
  EXPECT_EQ(WPT_STATUS_SAVED, T_NAV_pGetWaypoint(b)->u8Status);
  // The next start is an ordinary one again.
  for (FOURCHARID id : {FCID("SFVR"), FCID("SAGS"), FCID("SAGE")}) {
    H_DATABASE_bUpdateEverythingU32(id, id == FCID("SFVR") ? VERSION_STORED_NUMBER : 1, P_NORMAL, D_UNKNOWN, nullptr,
                                    DB_NEVER_STALE);
  }
  VERSION_bDetectVersionChange();
  ASSERT_FALSE(VERSION_bIsUpgradingToGroupedWaypointManagement());
}

TEST_F(Actions, DeletesRefuseNavigatedItemsAndAllInstancesKeepsTheAskedItem) {
  const U16 g = Group("G");
  const U16 a = Waypoint("A", g), b = Waypoint("B", g);
  const U16 r = Route("R", Root(), {a, b});
  ASSERT_TRUE(T_NAV_GROUP_DATA_bSetDefaultGroup(g));
  T_NAV_GROUP_vSetup();
  Boat(1000, 1000);
  ASSERT_TRUE(T_NAV_bStartCurrentRouteWithWaypt(a));
  Click();
  Open(g);
  Highlight(a);
  T_NAV_GROUP_vDeleteWaypointEX(0);
  EXPECT_EQ(-1, Click());
  T_NAV_GROUP_vDeleteAllInstancesWaypoint(0);
  EXPECT_EQ(-1, Click());
  T_NAV_GROUP_vSelectMultipleAndDelete(0);
  Toggle(Root(), r);
  WPM_vMultiSelectDone();
  Yes();
  EXPECT_EQ(-1, Click());
  EXPECT_EQ(GROUP_MULTI_SELECT_DELETE, g_WPMSel.eMultiSelectMode) << "the selection stays for another try";
  EXPECT_EQ(std::vector<U16>{r}, Selected());
  T_NAV_vCancelNavigation();

  Open(g);
  Highlight(b);
  T_NAV_GROUP_vDeleteAllInstancesWaypoint(0);
  Highlight(a);
  std::thread(T_NAV_GROUP_vDeleteAllInstancesWaypointMsgConfirm).join();
  EXPECT_EQ(std::vector<U16>{a}, Links(g)) << "the waypoint asked for goes, not the one highlighted";
  EXPECT_EQ(nullptr, WPM_pWaypoint(b));
  EXPECT_EQ(1u, (U32)WPM_pRoute(r)->nCount);

  Open(Root());
  Highlight(g);
  T_NAV_GROUP_vDeleteGroupEX(0);
  Yes();
  EXPECT_EQ(Root(), T_NAV_GROUP_DATA_nGetDefaultGroup());
  U32 sndg = 0;
  EXPECT_TRUE(H_DATABASE_bFetchU32(FCID("SNDG"), &sndg, nullptr, nullptr));
  EXPECT_EQ(Root(), sndg);
  EXPECT_EQ(nullptr, WPM_pHeader(g));
}

TEST_F(Actions, HideAndShowSetTheirBitsAndExportLatchesAtMost3000) {
  const U16 g = Group("G");
  const U16 a = Waypoint("A", Root());
  const U16 r = Route("R", Root(), {a});
  auto t = std::make_unique<TRACK>();
  U_NAV_vClearTrack(&t->sHeader);
  U_NAV_vAddTrackPoint(t.get(), {0, 0}, 0, FALSE);
  const U16 track = NAVTEST_u16Track(T_NAV_nAddTrack(t.get(), 3, nullptr, FALSE));
  T_NAV_GROUP_DATA_bAddLink(Root(), track);
  T_NAV_GROUP_vSetup();
  for (BOOLEAN bHide : {TRUE, FALSE}) {
    bHide ? T_NAV_GROUP_vSelectMultipleAndHide(0) : T_NAV_GROUP_vSelectMultipleAndShow(0);
    for (U16 id : {g, r, track}) Toggle(Root(), id);
    WPM_vMultiSelectDone();
    EXPECT_EQ(bHide, (BOOLEAN)WPM_pHeader(g)->bHide);
    EXPECT_EQ(bHide, (BOOLEAN)WPM_pRoute(r)->bHide);
    EXPECT_EQ(!bHide, T_NAV_bGetTrackVisibility(track & 63));
    EXPECT_FALSE(WPM_pWaypoint(a)->bHide);
  }

  // The busy notice lets the store's lock go while it shows and gives it
  // back as deeply held as before.
  L_MUTEX_LockWait(RES_NAV_DATA);
  L_MUTEX_LockWait(RES_NAV_DATA);
  WPM_vBusyOn();
  EXPECT_TRUE(T_NAV_bIsBusyNotice());
  WPM_vBusyOff();
  EXPECT_FALSE(T_NAV_bIsBusyNotice());
  EXPECT_EQ(-lsMUTEX_NESTED, L_MUTEX_Unlock(RES_NAV_DATA));
  EXPECT_EQ(0, L_MUTEX_Unlock(RES_NAV_DATA));

  T_NAV_GROUP_vSelectMultipleAndExport(0);
  for (U32 i = 0; i < NAV_GROUP_LIST_MAX; i++) WPM_vSelectAppend((U16)(i % 3000), Root(), 0xFFFF);
  WPM_vMultiSelectDone();
  T_NAV_GROUP_vDoExportSelectedItems();
  auto out = std::make_unique<SELECT_EXPORT_DATA>();
  T_NAV_GROUP_vExportSelectedDataItems(out.get());
  EXPECT_EQ(NAV_SELECT_EXPORT_MAX, out->SelectedExportCount);
  T_NAV_GROUP_vExportSelectedDataItems(out.get());
  EXPECT_EQ(0u, out->SelectedExportCount) << "read once";
}

// Every group's links, group by group.
std::vector<U16> Tree(void) {
  std::vector<U16> all;
  for (U32 i = 0; i < NAV_MAX_WAYPOINTS; i++) {
    if (WPM_pHeader((U16)(0xC000 | i)) == nullptr) continue;
    all.push_back((U16)(0xC000 | i));
    const std::vector<U16> l = Actions::Links((U16)(0xC000 | i));
    all.insert(all.end(), l.begin(), l.end());
  }
  return all;
}

// Every group reached once from the root with the parent it was reached
// from, every link naming a live item, every live waypoint and group reached.
void ExpectWhole(const char* step) {
  const U16 root = T_NAV_GROUP_DATA_nGetRootGroup();
  std::bitset<4096> met;
  std::vector<U16> todo{root};
  met.set(root & 0x0FFF);
  while (!todo.empty()) {
    const U16 g = todo.back();
    todo.pop_back();
    for (U16 link : Actions::Links(g)) {
      ASSERT_TRUE(T_NAV_GROUP_DATA_bIsValidGroupNavData(link)) << step << ": dangling " << link;
      if (!WPM_bIsGroupId(link)) continue;
      ASSERT_FALSE(met.test(link & 0x0FFF)) << step << ": group met twice " << link;
      ASSERT_EQ(g, WPM_u16GroupParent(link)) << step;
      met.set(link & 0x0FFF);
      todo.push_back(link);
    }
  }
  for (U32 i = 0; i < NAV_MAX_WAYPOINTS; i++) {
    const GROUP_SLOT* s = T_NAV_pGetGroupSlot((U16)(0xC000 | i));
    if (s != nullptr && s->sHeader.u8Status == WPT_STATUS_GROUP_HEADER) {
      ASSERT_TRUE(met.test(i)) << step << ": orphan group " << i;
    }
    const WAYPOINT* w = T_NAV_pGetWaypoint(i);
    if (w != nullptr && w->u8Status == WPT_STATUS_SAVED) {
      ASSERT_TRUE(T_NAV_GROUP_DATA_bIsInAnyGroup((U16)i)) << step << ": orphan waypoint " << i;
    }
  }
}

// Sharing locked waypoints replaces each with a shared copy: three records a
// waypoint. Run under the store's lock as the keys run it, it lets go of the
// lock after each waypoint while its records reach the medium, so drawing is
// never held up behind the whole run or a single force.
TEST_F(Actions, SharingLetsGoOfTheStoreLockWhileItsRecordsReachTheMedium) {
  std::vector<U16> locked;
  for (int i = 0; i < 12; i++) {
    WAYPOINT w = NAVTEST_Waypoint(i * 100, 0, ("L" + std::to_string(i)).c_str(), WPT_STATUS_SAVED, TRUE);
    locked.push_back(T_NAV_nAddWaypoint(&w, TRUE));
    ASSERT_TRUE(T_NAV_GROUP_DATA_bAddLink(Root(), locked.back()));
  }
  T_NAV_GROUP_vSetup();
  Open(Root());
  for (U16 id : locked) {
    Highlight(id);
    T_NAV_GROUP_vSelectItem(0);
  }
  ASSERT_EQ(locked, Selected());
  NAVTEST_LOCK_WATCH watch;
  L_MUTEX_LockWait(RES_NAV_DATA);
  watch.bDuring = TRUE;
  T_NAV_GROUP_vShareSelectedItems(0);
  watch.bDuring = FALSE;
  L_MUTEX_Unlock(RES_NAV_DATA);
  EXPECT_GE(watch.u32ForcedDuring, 12u) << "each waypoint's records land before the next is shared";
  EXPECT_EQ(0u, watch.u32ForcedUnderLock);
  EXPECT_EQ(1, watch.nTakenMeanwhile);
  U32 shared = 0;
  for (U16 id : Links(Root())) {
    const WAYPOINT* w = WPM_pWaypoint(id);
    shared += w != nullptr && !w->bWpNotShared && w->sName[0] == 'L';
  }
  EXPECT_EQ(12u, shared);
  for (U16 id : locked) EXPECT_EQ(WPT_STATUS_FREE, T_NAV_pGetWaypoint(id)->u8Status) << id;
}

TEST_F(Actions, RandomOperationsKeepTheStoreWhole) {
  std::mt19937 rng(38);
  std::vector<U16> groups{Root()};
  for (int i = 0; i < 6; i++) groups.push_back(Group(("G" + std::to_string(i)).c_str(), groups[rng() % groups.size()]));
  std::vector<U16> wps;
  for (int i = 0; i < 24; i++) {
    wps.push_back(Waypoint(("W" + std::to_string(i)).c_str(), groups[rng() % groups.size()], (S32)i * 100, 0));
  }
  Route("R0", groups[1], {wps[0], wps[1], wps[2]});
  Route("R1", groups[2], {wps[3], wps[0]});
  T_NAV_GROUP_vSetup();
  T_NAV_GROUP_DATA_vScanGroupForGarbageCollection(Root());
  ExpectWhole("start");
  U32 changed = 0;
  for (int step = 0; step < 40 && !HasFatalFailure(); step++) {
    std::vector<U16> live;
    for (U16 g : groups) {
      if (WPM_pHeader(g) != nullptr) live.push_back(g);
    }
    const int op = (int)(rng() % 6);
    static GROUP_MGR_ACTION const s_aStart[] = {T_NAV_GROUP_vSelectMultipleAndDelete,
                                                T_NAV_GROUP_vSelectMultipleAndMove,
                                                T_NAV_GROUP_vSelectMultipleAndDuplicate,
                                                T_NAV_GROUP_vSelectMultipleAndShare,
                                                T_NAV_GROUP_vSelectMultipleAndHide,
                                                T_NAV_GROUP_vSelectMultipleAndLock};
    const std::vector<U16> tree = Tree();
    Open(live[rng() % live.size()]);
    s_aStart[op](0);
    for (int k = 0; k < 3 && g_WPM.u16ListCount > 0; k++) {
      Highlight(g_WPM.au16ListIDs[rng() % g_WPM.u16ListCount]);
      T_NAV_GROUP_vSelectItem(0);
      if (rng() % 2 == 0) Open(live[rng() % live.size()]);
    }
    Open(live[rng() % live.size()]);
    if (g_WPM.eMode == MODE_MULTI_SELECT) WPM_vMultiSelectDone();
    if (g_WPM.pfnConfYes != nullptr) Yes();
    T_NAV_GROUP_vReturnToBrowseState();
    T_NAV_GROUP_DATA_vScanGroupForGarbageCollection(Root());
    changed += Tree() != tree;
    const std::string name = "step " + std::to_string(step) + " op " + std::to_string(op);
    ExpectWhole(name.c_str());
    std::vector<WAYPOINT> before(NAV_MAX_WAYPOINTS);
    for (U32 i = 0; i < NAV_MAX_WAYPOINTS; i++) T_NAV_TWR_vReadSlot(i, &before[i]);
    T_NAV_GROUP_DATA_vScanGroupForGarbageCollection(Root());
    for (U32 i = 0; i < NAV_MAX_WAYPOINTS; i++) {
      WAYPOINT after;
      T_NAV_TWR_vReadSlot(i, &after);
      ASSERT_EQ(0, memcmp(&before[i], &after, sizeof after)) << name << ": a second collection changed slot " << i;
    }
  }
  EXPECT_GT(changed, 10u) << "the operations did change the tree";
  Notes();
}

}  // namespace
