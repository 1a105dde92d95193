// The route editor: adding points from the waypoint list, the point menu's
// moves, the refusals of an incomplete route and the save into the store.

#include "overlay_test.h"
#include "t_nav_edit_rte.h"
#include "t_nav_twr.h"

namespace {

using ot::Click;
using ot::Key;
using ot::Pad;

class RouteEditor : public ot::OverlayTest {
 protected:
  // Waypoints A, B, C, D in slots 0-3 (sorted by name: the same order).
  void Open(void) {
    const char* names[] = {"A", "B", "C", "D"};
    for (U32 i = 0; i < 4; i++) ot::PutWaypoint(i, names[i], (S32)i * 1000, 0, 1000 + i);
    ASSERT_TRUE(T_NAV_EDIT_bEditRouteSetup(2, nullptr, nullptr, nullptr));
    ASSERT_EQ(NAV_EDIT_ROUTE, T_NAV_EDIT_eState());
    ASSERT_EQ(4u, s_RteEdit.nCount);
    Pad(CURSOR_SOUTH);
    Pad(CURSOR_EAST);
    ASSERT_EQ(RTE_EDIT_WPTS_ALL, s_RteEdit.eState);
    Click();
  }
  // Adds the waypoint at row nRow of the all-waypoints list.
  void Add(S32 nRow) {
    s_RteEdit.eState = RTE_EDIT_WPTS_ALL;
    s_RteEdit.nPosition = nRow;
    Pad(CURSOR_EAST);
  }
  static std::vector<U16> Points(const ROUTE& r) { return {r.anWaypoint, r.anWaypoint + r.nCount}; }
};

TEST_F(RouteEditor, AddRefusesTheRepeatedLastPointAndTheFiftyFirst) {
  Open();
  Add(1);
  EXPECT_EQ(1, Click());
  EXPECT_EQ(RTE_EDIT_WPTS_RTE, s_RteEdit.eState);
  Add(1);
  EXPECT_EQ(-1, Click());
  for (S32 i = 0; i < 49; i++) Add(i % 2 == 0 ? 2 : 1);
  Click();
  EXPECT_EQ(50u, s_RteEdit.Route.nCount);
  EXPECT_EQ(49, s_RteEdit.nRtePosition);
  EXPECT_EQ(42, s_RteEdit.nRteTop);
  Add(3);
  EXPECT_EQ(-1, Click());
  EXPECT_EQ(50u, s_RteEdit.Route.nCount);
}

TEST_F(RouteEditor, PointMenuMovesAndDeletesWithTheFocusFollowing) {
  Open();
  Add(0);
  Add(1);
  Add(2);  // A B C, C selected
  Pad(CURSOR_EAST);
  EXPECT_EQ(RTE_EDIT_MENU_UP, s_RteEdit.eState);
  Pad(CURSOR_EAST);  // A C B
  EXPECT_EQ(1, s_RteEdit.nRtePosition);
  EXPECT_EQ(RTE_EDIT_MENU_UP, s_RteEdit.eState);
  Pad(CURSOR_EAST);  // C A B: first, so the focus goes to Down
  EXPECT_EQ((std::vector<U16>{2, 0, 1}), Points(s_RteEdit.Route));
  EXPECT_EQ(RTE_EDIT_MENU_DOWN, s_RteEdit.eState);
  Click();
  Pad(CURSOR_NORTH);
  EXPECT_EQ(-1, Click());
  Pad(CURSOR_EAST);
  Pad(CURSOR_EAST);  // A B C: last, so the focus goes to Up
  EXPECT_EQ((std::vector<U16>{0, 1, 2}), Points(s_RteEdit.Route));
  EXPECT_EQ(RTE_EDIT_MENU_UP, s_RteEdit.eState);
  Pad(CURSOR_SOUTH);
  EXPECT_EQ(RTE_EDIT_MENU_DEL, s_RteEdit.eState);
  Pad(CURSOR_EAST);
  EXPECT_EQ((std::vector<U16>{0, 1}), Points(s_RteEdit.Route));
  EXPECT_EQ(1, s_RteEdit.nRtePosition);
  EXPECT_EQ(RTE_EDIT_MENU_DEL, s_RteEdit.eState);
  Pad(CURSOR_EAST);
  Pad(CURSOR_EAST);
  EXPECT_EQ(0u, s_RteEdit.Route.nCount);
  EXPECT_EQ(RTE_EDIT_WPTS_ALL, s_RteEdit.eState);
}

TEST_F(RouteEditor, IncompleteRouteIsNotSavedAndExitOffersToDiscard) {
  Open();
  Add(0);
  s_RteEdit.eState = RTE_EDIT_SAVE;
  Click();
  Pad(CURSOR_EAST);
  EXPECT_EQ(-1, Click());
  EXPECT_EQ(NAV_EDIT_ROUTE, T_NAV_EDIT_eState());
  EXPECT_EQ(0u, T_NAV_pGetRoute(2)->nCount);
  Key(HKEY_MASK_EXIT);
  EXPECT_EQ(NAV_EDIT_ROUTE, T_NAV_EDIT_eState());
  T_NAV_vERCancel();
  EXPECT_EQ(NAV_EDIT_NONE, T_NAV_EDIT_eState());
  EXPECT_EQ(0u, T_NAV_pGetRoute(2)->nCount);
}

TEST_F(RouteEditor, NamedRouteSavesAndReadsBack) {
  Open();
  Add(3);
  Add(1);
  Key(HKEY_MASK_EXIT);
  Pad(CURSOR_NORTH);
  Pad(CURSOR_NORTH);
  ASSERT_EQ(RTE_EDIT_NAME, s_RteEdit.eState);
  Pad(CURSOR_EAST);
  Pad(CURSOR_NORTH);  // the first character of the alphabet
  const char first = s_RteEdit.Route.sName[1];
  for (int i = 0; i < 4; i++) Pad(CURSOR_EAST);
  ASSERT_EQ(RTE_EDIT_SAVE, s_RteEdit.eState);
  U32 saved = 0;
  static U32* s_pSaved;
  s_pSaved = &saved;
  s_RteEdit.pSave = [](U32 nIndex) { *s_pSaved = nIndex + 1; };
  Click();
  Pad(CURSOR_EAST);
  EXPECT_EQ(1, Click());
  EXPECT_EQ(NAV_EDIT_NONE, T_NAV_EDIT_eState());
  EXPECT_EQ(3u, saved);
  const ROUTE* p = T_NAV_pGetRoute(2);
  EXPECT_EQ((std::vector<U16>{3, 1}), Points(*p));
  EXPECT_EQ(first, p->sName[0]);
  EXPECT_EQ(' ', p->sName[1]);  // stored as 8-bit text
}

TEST_F(RouteEditor, ADamagedCountIsCutToFiftyPoints) {
  ROUTE* p = T_NAV_pGetRoute(4);
  p->nCount = 1000;
  p->u32DateTime = 5;
  ASSERT_TRUE(T_NAV_EDIT_bEditRouteSetup(4, nullptr, nullptr, nullptr));
  EXPECT_EQ(50u, s_RteEdit.Route.nCount);
}

}  // namespace

namespace {

class RouteInfo : public ot::OverlayTest {
 protected:
  void Open(U32 u32Count) {
    for (U32 i = 0; i < 3; i++) ot::PutWaypoint(i, "P", (S32)i * 2000, (S32)i * 500, 1000);
    ROUTE* p = T_NAV_pGetRoute(1);
    p->u32DateTime = 5;
    for (U32 i = 0; i < NAV_MAX_ROUTE_POINTS; i++) p->anWaypoint[i] = (U16)(i % 3);
    p->nCount = u32Count;
    T_NAV_EDIT_vRouteInfoSetup(1, nullptr);
    ASSERT_EQ(NAV_EDIT_ROUTE_INFO, T_NAV_EDIT_eState());
    Click();
  }
};

TEST_F(RouteInfo, EightPointsScrollOnceFromTheCurrentPositionRow) {
  Open(8);
  EXPECT_EQ(-1, s_RteInfo.nRteTop);
  EXPECT_EQ(7u, s_RteInfo.nLegs);
  EXPECT_GT(s_RteInfo.fDTG[0], 0.0);
  EXPECT_TRUE(ot::MatchesGolden("route-info-8", ot::Picture()));
  Pad(CURSOR_SOUTH);
  EXPECT_EQ(1, Click());
  EXPECT_EQ(0, s_RteInfo.nRteTop);
  Pad(CURSOR_SOUTH);
  EXPECT_EQ(-1, Click());
  Pad(CURSOR_NORTH);
  EXPECT_EQ(-1, s_RteInfo.nRteTop);
}

TEST_F(RouteInfo, ADamagedCountShowsFiftyPointsAtMost) {
  Open(1000);
  EXPECT_EQ(49u, s_RteInfo.nLegs);
  for (int i = 0; i < 100; i++) Pad(CURSOR_SOUTH);
  EXPECT_EQ(42, s_RteInfo.nRteTop);
  const std::vector<COLOR> picture = ot::Picture();
  EXPECT_EQ(G_SCREEN_WIDTH * G_SCREEN_HEIGHT, picture.size());
}

}  // namespace
