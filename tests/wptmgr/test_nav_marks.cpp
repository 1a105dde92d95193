// The navigation task's marks and cursor waypoint through the manager's
// forms: the icon chooser a mark waits for, the edit and delete of the
// cursor waypoint.

#include "navviews_test.h"
#include "t_nav_group.h"
#include "t_nav_group_edit.h"
#include "t_nav_group_icons.h"

namespace {

class NavMarks : public NavViews {
 public:
  void SetUp() override {
    T_NAV_GROUP_vRegisterHooks();
    NavViews::SetUp();
  }
};

// With asking for an icon on, the mark waits for the manager's chooser and
// goes where the cursor was when it was asked for.
TEST_F(NavMarks, AMarkAskingForAnIconIsMadeOnSaveWhereTheCursorWas) {
  Chart();
  Cursor(1000500, 5000500);
  H_DATABASE_bUpdateEverythingBoolean(FCID("STOS"), TRUE, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  T_NAV_vHandleMarkKey();
  EXPECT_EQ(0, T_NAV_TWR_nGetWaypointCount());
  POPUP_EDIT_WINDOW* pForm = (POPUP_EDIT_WINDOW*)g_WPM.pPopupWindow;
  ASSERT_NE(nullptr, pForm);
  Cursor(1009000, 5009000);
  pForm->pEditFields[1].value_string[0] = 7;
  ASSERT_TRUE(pForm->pUpdateDataFunc(&pForm->parent));
  pForm->pSaveFunc(pForm->pData, pForm->u32Index);
  T_NAV_GROUP_vExitDialog(&pForm->parent);
  const U16 w = T_NAV_nFindWaypointAtPosition({1000500, 5000500}, TRUE);
  ASSERT_NE(NAV_NONE, w);
  EXPECT_EQ(7, T_NAV_pGetWaypoint(w)->u8Icon);
  EXPECT_EQ(1, T_NAV_TWR_nGetWaypointCount());

  // Without a fix the vessel mark's chooser does not open.
  H_DATABASE_vDeleteEntry(FCID("ILAT"));
  Clicks();
  T_NAV_vHandleMarkAtPosition();
  EXPECT_EQ(-1, Clicks());
  EXPECT_EQ(STATE_SLEEP, g_WPM.eInputState);
}

TEST_F(NavMarks, TheCursorWaypointsEditOpensTheManagersFormAndItsDeleteLeavesNoLink) {
  Chart();
  const U16 w = Linked(1000500, 5000500, "A"), b = Linked(1000600, 5000500, "B");
  const U16 r = SavedRoute({b, w}, "R");
  Put(FCID("CLRT"), r);
  Clicks();
  T_NAV_vEditLastSavedRoute();
  ASSERT_NE(nullptr, g_WPM.pPopupWindow);
  EXPECT_EQ(STATE_ITEM_LIST, g_WPM.eInputState);
  T_NAV_GROUP_vExitDialog(g_WPM.pPopupWindow);
  T_NAV_bDeleteRoute(r, FALSE);

  Put(FCID("ICWP"), w);
  Clicks();
  T_NAV_vEditCursorWaypoint();
  EXPECT_EQ(1, Clicks());
  EXPECT_EQ(STATE_ITEM_LIST, g_WPM.eInputState);
  T_NAV_GROUP_vExitDialog(g_WPM.pPopupWindow);
  Put(FCID("ICWP"), 0xFFFF);
  T_NAV_vEditCursorWaypoint();
  EXPECT_EQ(0, Clicks()) << "nothing to edit opens nothing";

  Put(FCID("ICWP"), w);
  T_NAV_vDeleteCursorWaypoint();
  EXPECT_EQ(1, Clicks());
  EXPECT_EQ(NAV_NONE, T_NAV_nFindWaypointAtPosition({1000500, 5000500}, TRUE));
  EXPECT_TRUE(T_NAV_GROUP_DATA_bIsGroupNavDataIntegralEX(nullptr, T_NAV_GROUP_DATA_nGetRootGroup()));
}

}  // namespace
