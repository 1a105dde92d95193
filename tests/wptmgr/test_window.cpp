// The window over a store: opening and closing, the list's pages and group
// entry, the six orders and the distances, the preview zoom, the keys of the
// list and the bars, and the timed note.

#include <algorithm>
#include <set>

#include "g_bmp.h"
#include "g_buffers.h"
#include "t_chart.h"
#include "g_truetype.h"
#include "text_util.h"
#include "u_language.h"
#include "ui_texts.h"
#include "wptmgr_rig.h"

namespace {


// Three groups and twenty waypoints in the root; names run W00..W19 with
// their cases mixed so the order is not the bytes' order.
void Fixture(std::vector<U16>* pWaypoints = nullptr) {
  for (const char* g : {"Gamma", "alpha", "Beta"}) Wpm::Group(g);
  for (int i = 0; i < 20; i++) {
    char name[8];
    snprintf(name, sizeof name, i % 2 ? "w%02d" : "W%02d", i);
    const U16 id = Wpm::Waypoint(name, kWpmRoot, 1000 * i, 0, 0x5F5E1000 + i, (U8)(i % 7));
    if (pWaypoints != nullptr) pWaypoints->push_back(id);
  }
}

TEST_F(Wpm, OpeningRegistersTheKeysAndLayerAndListsAToZInPagesOfSix) {
  Fixture();
  T_NAV_GROUP_vSetup();
  auto opened = Registrations();
  std::sort(opened.begin(), opened.end());
  EXPECT_EQ((std::vector<std::string>{"+10", "+286", "+FFEF"}), opened) << "keys 0xFFEF and the pad, layer 286";
  EXPECT_TRUE(T_NAV_GROUP_bIsWPMWindowUp());
  ASSERT_EQ(23u, g_WPM.u16ListCount);
  const std::vector<std::string> names = Names();
  EXPECT_EQ("alpha", names[0]);
  EXPECT_EQ("Beta", names[1]);
  EXPECT_EQ("Gamma", names[2]);
  EXPECT_EQ("W00", names[3]);
  EXPECT_EQ("w01", names[4]);
  EXPECT_EQ(6, g_WPM.u16ShowItemsCount);
  EXPECT_EQ(0, g_WPM.u16HighlightIndex);
  EXPECT_EQ(STATE_ITEM_LIST, g_WPM.eInputState);
  EXPECT_STREQ("Home", g_WPM.aacGroupPath[0]);

  // The first EXIT moves the focus to the low bar, the second closes.
  Click();
  EXPECT_TRUE(Key(HKEY_MASK_EXIT));
  EXPECT_EQ(STATE_OPTIONS_MENU, g_WPM.eInputState);
  EXPECT_EQ(0xFFFF, g_WPM.u16HighlightIndex);
  EXPECT_EQ(1, Click());
  EXPECT_TRUE(Key(HKEY_MASK_EXIT));
  EXPECT_FALSE(T_NAV_GROUP_bIsWPMWindowUp());
  EXPECT_EQ(STATE_SLEEP, g_WPM.eInputState);
  auto closed = Registrations();
  std::sort(closed.begin(), closed.end());
  EXPECT_EQ((std::vector<std::string>{"-286", "-FFFE"}), closed);
  EXPECT_FALSE(Key(HKEY_MASK_EXIT)) << "a closed window takes no key";
}

TEST_F(Wpm, EnteringWithAChildBringsItsPageAndDeepNamesAreCut) {
  std::vector<U16> w;
  Fixture(&w);
  const U16 deep = Group("Deep", 0xC000);
  const U16 inner = Group("InnerGroup", deep);
  T_NAV_GROUP_vSetup();
  // Position 7 in A to Z: alpha Beta Deep Gamma W00 w01 W02 w03.
  T_NAV_GROUP_bEnterGroup(kWpmRoot, w[3]);
  EXPECT_EQ(6, g_WPM.u16FirstShowItemIndexInList);
  EXPECT_EQ(1, g_WPM.u16HighlightIndex);
  EXPECT_EQ(w[3], g_WPM.au16ShowItemIDs[1]);

  T_NAV_GROUP_bEnterGroup(inner, 0xFFFF);
  ASSERT_EQ(3, g_WPM.u16PathDepth);
  EXPECT_STREQ("Deep", g_WPM.aacGroupPath[1]);
  EXPECT_STREQ("InnerGroup", g_WPM.aacGroupPath[2]);
  EXPECT_EQ(STATE_OPTIONS_MENU, g_WPM.eInputState) << "an empty group puts the focus on its options";

  char out[40];
  WPM_vFitRowName("Short", out, sizeof out);
  EXPECT_STREQ("Short", out);
  WPM_vFitRowName("MMMMMMMMMMMMMMMMMMMMMM", out, sizeof out);
  EXPECT_STREQ("MMMMMMMMM...", out) << "232 pixels or more keep 9 characters";
}

TEST_F(Wpm, TheDefaultGroupLineKeepsTheLowestNamesWithinItsBudget) {
  // Eight levels of 11 characters: with the "/" each takes 12 of the 63
  // characters (127 bytes of the wide form), so the lowest five show.
  U16 parent = 0xFFFF;
  for (int i = 0; i < 8; i++) {
    char name[32];
    snprintf(name, sizeof name, "Level%d_____", i);
    parent = Group(name, parent);
  }
  T_NAV_GROUP_DATA_bSetDefaultGroup(parent);
  T_NAV_GROUP_vSetup();
  EXPECT_STREQ("Default Group: Level3_____/Level4_____/Level5_____/Level6_____/Level7_____",
               g_WPM.acInstructionText);
  EXPECT_EQ(parent, g_WPM.u16CurrentGroupID) << "the window opens on the default group";
  EXPECT_EQ(9, g_WPM.u16PathDepth);
}

// The root keeps the name it was made with; the path names it in the
// language of the day.
TEST_F(Wpm, ThePathNamesTheRootInTheLanguageOfTheDay) {
  Fixture();
  ASSERT_STRNE("Home", Home[LANGUAGE_GERMAN]);
  SetLanguage(LANGUAGE_GERMAN);
  T_NAV_GROUP_vSetup();
  EXPECT_STREQ(Home[LANGUAGE_GERMAN], g_WPM.aacGroupPath[0]);
  EXPECT_STREQ("Home", T_NAV_pGetGroupSlot(kWpmRoot)->sHeader.sName) << "the stored name stays";
  const U16 inner = Group("Inner", kWpmRoot);
  T_NAV_GROUP_bEnterGroup(inner, 0xFFFF);
  EXPECT_STREQ(Home[LANGUAGE_GERMAN], g_WPM.aacGroupPath[0]);
  EXPECT_STREQ("Inner", g_WPM.aacGroupPath[1]);
  SetLanguage(LANGUAGE_ENGLISH);
}

TEST_F(Wpm, SortOrdersFollowTheirKeysAndTheBarStopsAtItsEnds) {
  const U16 g = Group("Sorts");
  const U16 a = Waypoint("apple", g, 30000, 0, 300, 9);
  const U16 b = Waypoint("Banana", g, 10000, 0, 100, 2);
  const U16 c = Waypoint("cherry", g, 20000, 0, 200, 40);
  const U16 sub = Group("Sub", g);
  T_NAV_GROUP_vSetup();
  T_NAV_GROUP_bEnterGroup(g, 0xFFFF);
  auto order = [] { return std::vector<U16>(g_WPM.au16ListIDs, g_WPM.au16ListIDs + g_WPM.u16ListCount); };
  EXPECT_EQ((std::vector<U16>{a, b, c, sub}), order());
  T_NAV_GROUP_vSortByOrder(SORTBY_ZTOA);
  EXPECT_EQ((std::vector<U16>{sub, c, b, a}), order()) << "case is ignored";
  T_NAV_GROUP_vSortByOrder(SORTBY_NEWEST);
  EXPECT_EQ((std::vector<U16>{sub, a, c, b}), order()) << "the group's date is the newest";
  T_NAV_GROUP_vSortByOrder(SORTBY_OLDEST);
  EXPECT_EQ((std::vector<U16>{b, c, a, sub}), order());
  T_NAV_GROUP_vSortByOrder(SORTBY_ICON);
  EXPECT_EQ((std::vector<U16>{sub, c, a, b}), order()) << "groups (200) before icons 40, 9, 2";

  // Without a fix distances are unknown: the order falls back to names.
  T_NAV_GROUP_vSortByOrder(SORTBY_DISTANCE);
  EXPECT_EQ((std::vector<U16>{a, b, c, sub}), order());
  double d = 0;
  EXPECT_FALSE(T_NAV_GROUP_bCalDistance({0, 0}, &d));
  // The boat near x = 12 km: Banana 2 km, cherry 8, apple 18; the group
  // takes its farthest member (none: 0, first).
  Boat(1000, 12000);
  T_NAV_GROUP_vSortByOrder(SORTBY_DISTANCE);
  EXPECT_EQ((std::vector<U16>{sub, b, c, a}), order());
  // One nautical mile is 1,852 m along the equator's scale; in km with SUDS 4.
  ASSERT_TRUE(T_NAV_GROUP_bCalDistance({12000, 1000 + 1852}, &d));
  EXPECT_NEAR(1.0, d, 0.01);
  H_DATABASE_bUpdateValueU32(FCID("SUDS"), 4, P_NORMAL);
  ASSERT_TRUE(T_NAV_GROUP_bCalDistance({12000, 1000 + 1852}, &d));
  EXPECT_NEAR(1.852, d, 0.02);

  // The bar: east from A to Z up to Icon, then refused; west back down.
  g_WPM.eSortByOrder = SORTBY_ATOZ;
  g_WPM.s16SortByMenuSelection = 0;
  g_WPM.eInputState = STATE_SORTBY_MENU;
  Click();
  for (int i = 0; i < 5; i++) ASSERT_TRUE(Cursor(CURSOR_EAST));
  EXPECT_EQ(SORTBY_ICON, g_WPM.eSortByOrder);
  EXPECT_EQ(1, Click());
  EXPECT_TRUE(Cursor(CURSOR_EAST));
  EXPECT_EQ(-1, Click());
  EXPECT_EQ(SORTBY_ICON, g_WPM.eSortByOrder);
  for (int i = 0; i < 5; i++) Cursor(CURSOR_WEST);
  EXPECT_EQ(SORTBY_ATOZ, g_WPM.eSortByOrder);
  Click();
  Cursor(CURSOR_WEST);
  EXPECT_EQ(-1, Click()) << "west at A to Z is refused";
}

TEST_F(Wpm, ThreeThousandNamesSortTheSameWayEachTimeAndAToZReversesZToA) {
  // Names collide in case and content: only the id orders the duplicates.
  // Slots 2-2998 written straight into the table (no files: this is about
  // the sort), and three route ids without a route (no name) make 3,000.
  g_WPM.u16ListCount = 3000;
  for (U16 i = 0; i < 2997; i++) {
    char name[8];
    snprintf(name, sizeof name, (i % 3) ? "n%03d" : "N%03d", (i * 7919) % 500);
    *T_NAV_pGetWaypoint(2 + i) = NAVTEST_Waypoint(i, 0, name);
    g_WPM.au16ListIDs[i] = (U16)(2 + i);
  }
  for (U16 i = 2997; i < 3000; i++) g_WPM.au16ListIDs[i] = (U16)(0x8800 | (i - 2990));
  T_NAV_GROUP_vSortByOrder(SORTBY_ATOZ);
  const std::vector<U16> first(g_WPM.au16ListIDs, g_WPM.au16ListIDs + 3000);
  std::reverse(g_WPM.au16ListIDs, g_WPM.au16ListIDs + 3000);
  T_NAV_GROUP_vSortByOrder(SORTBY_ATOZ);
  EXPECT_EQ(first, std::vector<U16>(g_WPM.au16ListIDs, g_WPM.au16ListIDs + 3000));
  T_NAV_GROUP_vSortByOrder(SORTBY_ZTOA);
  std::vector<U16> reversed(g_WPM.au16ListIDs, g_WPM.au16ListIDs + 3000);
  std::reverse(reversed.begin(), reversed.end());
  EXPECT_EQ(first, reversed);
  // Neighbours are in order by folded name, then by id.
  const std::vector<std::string> names = Names();
  for (size_t i = 1; i < names.size(); i++) {
    std::string x = names[i - 1], y = names[i];
    for (auto* s : {&x, &y}) std::transform(s->begin(), s->end(), s->begin(), ::tolower);
    ASSERT_GE(x, y) << i;
  }
  g_WPM.u16ListCount = 0;
}

TEST_F(Wpm, ThePreviewZoomFitsTheHighlightedItemAndTheZoomKeysStayInRange) {
  const U16 g = Group("Box");
  Waypoint("SW", g, 100000, 200000);
  Waypoint("NE", g, 120000, 210000);
  const U16 one = Group("One");
  Waypoint("Only", one, 5, 5);
  T_NAV_GROUP_vSetup();
  T_NAV_GROUP_bEnterGroup(kWpmRoot, g);
  // 20 km by 10 km: at zoom 19 the 20 km are 156 pixels of the 311, at 18
  // they would be 312.
  EXPECT_EQ(19, Zoom());
  T_NAV_GROUP_bEnterGroup(kWpmRoot, one);
  EXPECT_EQ(9, Zoom()) << "a single point";
  T_NAV_GROUP_bEnterGroup(g, 0xFFFF);
  EXPECT_EQ(16, Zoom()) << "a waypoint";
  g_WPM.au16ShowItemIDs[0] = (U16)(0x8000 | T_NAV_GROUP_DATA_u16Getu7UnitID() | 3);
  g_WPM.u16HighlightIndex = 0;
  T_NAV_GROUP_vComputeChartScale();
  EXPECT_EQ(15, Zoom()) << "a track";

  for (int i = 0; i < 8; i++) Key(0x40);
  EXPECT_EQ(23, Zoom());
  Click();
  Key(0x40);
  EXPECT_EQ(-1, Click()) << "zoom-out stops at 23";
  for (int i = 0; i < 14; i++) Key(0x20);
  EXPECT_EQ(9, Zoom());
  Click();
  Key(0x20);
  EXPECT_EQ(-1, Click()) << "zoom-in stops at 9";
  EXPECT_EQ(9, Zoom());
}

TEST_F(Wpm, CursorKeysMoveThroughListAndBarsAndGoToClosesTheWindow) {
  std::vector<U16> w;
  Fixture(&w);
  T_NAV_GROUP_vSetup();
  Click();
  for (CURSOR_POSITION c : {CURSOR_NORTH_EAST, CURSOR_SOUTH_EAST, CURSOR_SOUTH_WEST}) {
    EXPECT_TRUE(Cursor(c));
    EXPECT_EQ(0, Click()) << "diagonals are consumed silently";
  }
  for (int i = 0; i < 6; i++) Cursor(CURSOR_SOUTH);
  EXPECT_EQ(1, g_WPM.u16FirstShowItemIndexInList) << "the sixth south scrolls";
  EXPECT_EQ(5, g_WPM.u16HighlightIndex);
  for (int i = 0; i < 6; i++) Cursor(CURSOR_NORTH);
  EXPECT_EQ(0, g_WPM.u16FirstShowItemIndexInList);
  EXPECT_EQ(0, g_WPM.u16HighlightIndex);
  Cursor(CURSOR_NORTH);
  EXPECT_EQ(STATE_OPTIONS_MENU, g_WPM.eInputState);
  Click();
  EXPECT_TRUE(Cursor(CURSOR_WEST));
  EXPECT_EQ(-1, Click()) << "west at the root is refused";
  EXPECT_TRUE(Key(0x200));
  EXPECT_EQ(-1, Click()) << "a foreign key is refused and consumed";
  Cursor(CURSOR_NORTH);
  EXPECT_EQ(STATE_SORTBY_MENU, g_WPM.eInputState);
  Cursor(CURSOR_SOUTH);
  Cursor(CURSOR_SOUTH);
  EXPECT_EQ(STATE_ITEM_LIST, g_WPM.eInputState);

  // Into group "alpha" (row 0) through its menu's "Open", then west back
  // with it highlighted.
  Cursor(CURSOR_EAST);
  Cursor(CURSOR_EAST);
  EXPECT_NE(kWpmRoot, g_WPM.u16CurrentGroupID);
  EXPECT_EQ(2, g_WPM.u16PathDepth);
  g_WPM.eInputState = STATE_OPTIONS_MENU;
  Cursor(CURSOR_WEST);
  EXPECT_EQ(kWpmRoot, g_WPM.u16CurrentGroupID);
  EXPECT_EQ(1, g_WPM.u16PathDepth);
  EXPECT_EQ(0, g_WPM.u16HighlightIndex);

  // Go to on W00 (row 3).
  for (int i = 0; i < 3; i++) Cursor(CURSOR_SOUTH);
  ASSERT_EQ(w[0], g_WPM.au16ShowItemIDs[g_WPM.u16HighlightIndex]);
  EXPECT_TRUE(Key(0x100));
  EXPECT_FALSE(T_NAV_GROUP_bIsWPMWindowUp());
}

TEST_F(Wpm, ReversingARouteStoresItReversed) {
  const U16 a = Waypoint("A", kWpmRoot), b = Waypoint("B", kWpmRoot), c = Waypoint("C", kWpmRoot);
  const U16 r = Route("Trip", kWpmRoot, {a, b, c});
  T_NAV_GROUP_vSetup();
  g_WPM.u16PathDepth = 2;
  T_NAV_GROUP_bEnterRoute(r, 0xFFFF);
  EXPECT_STREQ("Trip", g_WPM.aacGroupPath[1]);
  EXPECT_EQ((std::vector<std::string>{"A", "B", "C"}), Names()) << "route order, never sorted";
  g_WPM.eInputState = STATE_SORTBY_MENU;
  Click();
  EXPECT_TRUE(Cursor(CURSOR_EAST));
  EXPECT_EQ(1, Click());
  const ROUTE* p = T_NAV_pGetRoute(r & 0x37FF);
  EXPECT_EQ((std::vector<U16>{c, b, a}), std::vector<U16>(p->anWaypoint, p->anWaypoint + 3));
  EXPECT_EQ((std::vector<std::string>{"C", "B", "A"}), Names());
  // West from the route's list goes back to the group it was entered from.
  g_WPM.eInputState = STATE_ITEM_LIST;
  g_WPM.u16HighlightIndex = 0;
  EXPECT_TRUE(Cursor(CURSOR_WEST));
  EXPECT_EQ(kWpmRoot, g_WPM.u16CurrentGroupID);
  EXPECT_EQ(r, g_WPM.au16ShowItemIDs[g_WPM.u16HighlightIndex]);
}

TEST_F(Wpm, ANoteLastsTwoTicksAfterItIsSeenAndAKeyOrNoticeTakesItDown) {
  Fixture();
  T_NAV_GROUP_vSetup();
  T_NAV_GROUP_vSetNavUIRawNoteWithTimeout("Note", 2);
  T_NAV_vHandleUpdateNAVUITimer();  // first seen: the count starts
  T_NAV_vHandleUpdateNAVUITimer();
  EXPECT_NE(nullptr, g_WPM.pPopupAlarmWindow);
  T_NAV_vHandleUpdateNAVUITimer();
  EXPECT_EQ(nullptr, g_WPM.pPopupAlarmWindow) << "gone on the second tick after";

  T_NAV_GROUP_vSetNavUIRawNoteWithTimeout("Note", 2);
  Key(HKEY_MASK_CURSOR, CURSOR_SOUTH);
  EXPECT_EQ(nullptr, g_WPM.pPopupAlarmWindow);

  T_NAV_GROUP_vSetNavUIRawNoteWithTimeout("Note", 2);
  const U16 added = Waypoint("Zz", kWpmRoot);
  MESSAGE_NEW_DATA m = {};
  m.Header.Cmd = CMD_ID_NEW_DATA;
  m.FourCharId = FCID("CLWC");
  m.dbValue.s32Val = added;
  g_WPM.eInputState = STATE_OPTIONS_MENU;
  T_NAV_GROUP_vHandleNewData(&m);
  EXPECT_EQ(nullptr, g_WPM.pPopupAlarmWindow);
  EXPECT_EQ(STATE_ITEM_LIST, g_WPM.eInputState);
  EXPECT_EQ(added, g_WPM.au16ShowItemIDs[g_WPM.u16HighlightIndex]) << "the new waypoint is highlighted";

  // A long wide-enough note is cut to its buffer, not overflowed.
  std::string longNote(300, 'x');
  T_NAV_GROUP_vSetNavUIRawNoteWithTimeout(longNote.c_str(), 2);
  EXPECT_EQ(NAV_GROUP_NOTE_SIZE - 1, strlen(g_WPM.pPopupAlarmWindow->pStrMessage));
}

// The preview pane's inside, as rows of the picture.
std::vector<COLOR> PreviewPane(const std::vector<COLOR>& picture) {
  std::vector<COLOR> pane;
  for (S32 y = 278; y <= 418; y++) {
    const COLOR* row = &picture[(size_t)(G_SCREEN_HEIGHT - 1 - y) * G_SCREEN_WIDTH];
    pane.insert(pane.end(), row + 404, row + 794);
  }
  return pane;
}

std::vector<std::string> s_drawn;
void Heard(const BITMAP*, const char* pText, const FONT_DEF*, const G_TEXT_BOX*) { s_drawn.emplace_back(pText); }

// The information pane's lines as drawn, from the first that starts with a label.
std::vector<std::string> InfoLines(const std::string& first) {
  s_drawn.clear();
  G_TRUETYPE_vSetTextObserver(Heard);
  Wpm::Picture();
  G_TRUETYPE_vSetTextObserver(nullptr);
  auto at = std::find_if(s_drawn.begin(), s_drawn.end(), [&](const std::string& t) { return t.rfind(first, 0) == 0; });
  return std::vector<std::string>(at, s_drawn.end());
}

bool StartsWith(const std::string& text, const char* head) { return text.rfind(head, 0) == 0; }

TEST_F(Wpm, AWaypointsInformationReadsLatitudeThenLongitudeAndNamesItsIconsCategory) {
  Waypoint("Perch", kWpmRoot, 0, 0, 0x5F5E1000, 32);     // an icon of the fish
  Waypoint("Spot", kWpmRoot, 0, 0, 0x5F5E1000, 71);      // an icon of no category
  T_NAV_GROUP_vSetup();
  std::vector<std::string> lines = InfoLines("Created");
  ASSERT_GE(lines.size(), 6u);
  EXPECT_TRUE(StartsWith(lines[1], "Latitude: ")) << lines[1];
  EXPECT_TRUE(StartsWith(lines[2], "Longitude: ")) << lines[2];
  EXPECT_TRUE(StartsWith(lines[3], "Visibility: ")) << lines[3];
  EXPECT_EQ("Icon Category: Fish", lines[4]);
  EXPECT_EQ("Name: Perch", lines[5]);
  g_WPM.u16HighlightIndex = 1;
  lines = InfoLines("Created");
  ASSERT_GE(lines.size(), 6u);
  EXPECT_EQ("Icon: ", lines[4]) << "no empty category";
}

TEST_F(Wpm, ThePreviewShowsTheHighlightedItemOnAChartUntilTheWindowCloses) {
  Boat(200000, 100000);
  H_DATABASE_bUpdateEverythingU32(FCID("IPFI"), 2, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingFloat(FCID("IHDG"), 0.0f, P_NORMAL, D_HEADING, nullptr, DB_NEVER_STALE);
  Waypoint("A", kWpmRoot, 100500, 200000);
  Waypoint("B", kWpmRoot, 99500, 200300);
  T_NAV_GROUP_vSetup();
  ASSERT_EQ(0, g_WPM.u16HighlightIndex);
  const std::vector<COLOR> first = PreviewPane(Picture());
  EXPECT_GT(std::set<COLOR>(first.begin(), first.end()).size(), 2u) << "a chart, not a plain fill";
  g_WPM.u16HighlightIndex = 1;
  T_NAV_GROUP_vComputeChartScale();
  EXPECT_NE(first, PreviewPane(Picture()));

  T_NAV_GROUP_vExitMainWindow();
  BITMAP* pBitmap = G_BUFFERS_pCreateFullScreenBitmap();
  G_BMP_vSet(pBitmap, 0x1234);
  WINDOW_SPECIFICATION windowSpec = {};
  windowSpec.drawWindow = {0, 479, 799, 0};
  POINT centre = {100000, 200000};
  U16 id = NAV_NONE;
  T_CHART_vDrawChartInPopupWindow(pBitmap, &windowSpec, &centre, &id);
  EXPECT_EQ(0x1234, ((const COLOR*)pBitmap->pBuffer)[0]) << "closing switches the preview off";
  G_BUFFERS_vFreeBitmap(pBitmap);
}

}  // namespace
