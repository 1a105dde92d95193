// Route info, reorder and travel; icon categories, the waypoint settings,
// the icon of a selection, the waypoint actions and the chart's edits.

#include <math.h>

#include "g_bmp.h"
#include "g_buffers.h"
#include "golden.h"
#include "h_memory.h"
#include "navmath.h"
#include "t_nav.h"
#include "t_nav_group.h"
#include "t_nav_int.h"
#include "t_nav_group_data.h"
#include "t_nav_group_edit.h"
#include "t_nav_group_icons.h"
#include "t_nav_group_routeinfo.h"
#include "t_nav_group_sel.h"
#include "t_nav_twr.h"
#include "u_alarm.h"
#include "u_convert.h"
#include "ui_texts.h"
#include "wptmgr_rig.h"

namespace {

class Items : public Wpm {
 protected:
  void SetUp() override {
    Wpm::SetUp();
    H_DATABASE_bUpdateEverythingU32(FCID("TALR"), M_ALARM, P_NORMAL, D_MAILBOX, nullptr, DB_NEVER_STALE);
    NAV_ROUTE_vReset();
  }
  void TearDown() override {
    T_NAV_vCancelNavigation();
    while (void* p = L_MBOX_Receive(M_ALARM)) H_MEMORY_vDumpMail(p);
    g_WPM.eMode = MODE_BROWSE;
    g_WPMSel.u16SelectedCount = 0;
    Wpm::TearDown();
  }

 public:
  static void Highlight(U16 dir, U16 id) {
    WPM_vEnterDirectory(dir, id);
    ASSERT_EQ(id, WPM_u16HighlightedItem());
  }
  static POPUP_EDIT_WINDOW* Form(void) { return (POPUP_EDIT_WINDOW*)g_WPM.pPopupWindow; }
  static void Put(FOURCHARID key, U32 value) {
    H_DATABASE_bUpdateEverythingU32(key, value, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  }
};

TEST_F(Items, RouteInfoLegsVariationAndScrolling) {
  std::vector<U16> pts;
  for (int i = 0; i < 12; i++) {
    pts.push_back(Waypoint(("P" + std::to_string(i)).c_str(), kWpmRoot, 1000 * i, 5000 * (i % 3)));
  }
  const U16 r = Route("Long", kWpmRoot, pts);
  T_NAV_GROUP_vSetup();
  Highlight(kWpmRoot, r);
  T_NAV_GROUP_vRouteInfo(0);
  ASSERT_NE(nullptr, g_WPM.pPopupWindow);
  EXPECT_EQ(13, g_WPMRouteInfo.u16ListCountForRouteInfo);
  EXPECT_EQ(6, g_WPMRouteInfo.u16ShowItemsCountForRouteInfo);
  for (int i = 0; i + 1 < 12; i++) {
    const POINT a = T_NAV_pGetWaypoint(pts[i])->pt, b = T_NAV_pGetWaypoint(pts[i + 1])->pt;
    double course = 0, nm = 0;
    POSITION pa, pb;
    nv_RouteAngle(&a, &b, &course);
    nv_MeterToDegr(&a, &pa);
    nv_MeterToDegr(&b, &pb);
    nv_CalcDistance(&pa, &pb, course, &nm);
    EXPECT_DOUBLE_EQ(course, g_WPMRouteInfo.afBRGArray[i]) << i;
    EXPECT_DOUBLE_EQ(dConvertToInternal(nm, D_DISTANCE, U_NAUT_MILES), g_WPMRouteInfo.afDTGArray[i]) << i;
  }
  Click();
  Cursor(CURSOR_NORTH);
  EXPECT_EQ(-1, Click()) << "refused at the top";
  for (int i = 0; i < 11; i++) Cursor(CURSOR_SOUTH);
  Click();
  EXPECT_EQ(6, g_WPMRouteInfo.u16FirstShowItemIndexInListForRouteInfo);
  Cursor(CURSOR_SOUTH);
  EXPECT_EQ(-1, Click()) << "refused at the bottom";
  Key(HKEY_MASK_EXIT);
  EXPECT_EQ(nullptr, g_WPM.pPopupWindow);

  Put(FCID("SUHD"), U_DEG_MAGNETIC);
  H_DATABASE_bUpdateEverythingFloat(FCID("IMGV"), 10.0f, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  double bearing = 0, distance = 0;
  const POINT from = {0, 0}, north = {0, 100000};
  WPM_vLeg(&from, &north, &bearing, &distance);
  EXPECT_NEAR(350.0, bearing, 0.01);
  const POINT east5 = {(S32)(100000 * tan(5.0 * M_PI / 180.0)), 100000};
  WPM_vLeg(&from, &east5, &bearing, &distance);
  EXPECT_EQ(355, (int)lround(bearing)) << "true 5 less a variation of 10";
}

TEST_F(Items, ReorderSavesTheRouteAndTravelStartsItAndCloses) {
  const U16 a = Waypoint("A", kWpmRoot, 0, 0), b = Waypoint("B", kWpmRoot, 900, 0), c = Waypoint("C", kWpmRoot, 0, 900);
  const U16 r = Route("R", kWpmRoot, {a, b, c});
  T_NAV_GROUP_vSetup();
  Highlight(kWpmRoot, r);
  T_NAV_GROUP_vOpenDirectory(0);
  T_NAV_GROUP_vRouteEditReorder(0);
  EXPECT_EQ(MODE_REORDER_WAYPOINT_IN_ROUTE, g_WPM.eMode);
  T_NAV_GROUP_vRouteEditChangeWaypointOrder(0, TRUE);
  T_NAV_GROUP_vRouteEditChangeWaypointOrder(2, FALSE);
  T_NAV_GROUP_vRouteEditChangeWaypointOrder(2, TRUE);
  const ROUTE* stored = T_NAV_pGetRoute(r & 0x07FF);
  EXPECT_EQ((std::vector<U16>{a, c, b}), std::vector<U16>(stored->anWaypoint, stored->anWaypoint + 3));
  EXPECT_EQ((std::vector<std::string>{"A", "C", "B"}), Names());
  g_WPM.u16HighlightIndex = 2;
  Cursor(CURSOR_NORTH);
  EXPECT_EQ((std::vector<std::string>{"A", "B", "C"}), Names()) << "the point goes up with the highlight";
  EXPECT_EQ(b, WPM_u16HighlightedItem());

  T_NAV_GROUP_vDiscardChangesConfirm();
  Highlight(kWpmRoot, r);
  Boat(1, 1);
  g_NAV.u16MOBWaypoint = a;
  Click();
  T_NAV_GROUP_vTravelRouteForward(0);
  EXPECT_EQ(-1, Click()) << "a man-overboard navigation keeps its route";
  EXPECT_TRUE(T_NAV_GROUP_bIsWPMWindowUp());
  g_NAV.u16MOBWaypoint = 0xFFFF;
  T_NAV_GROUP_vTravelRouteReverse(0);
  EXPECT_FALSE(T_NAV_GROUP_bIsWPMWindowUp());
  const ROUTE* travelled = T_NAV_pGetCurrentRoute();
  ASSERT_GE((U32)travelled->nCount, 3u);
  EXPECT_EQ(a, travelled->anWaypoint[travelled->nCount - 1]) << "reversed: the first point comes last";
}

TEST_F(Items, CategoriesDefaultIconsAndTheSelectionsIconSparesManOverboard) {
  H_DATABASE_bUpdateEverythingBoolean(FCID("SICE"), TRUE, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  T_NAV_GROUP_vWaypointSettings_Setup();
  ASSERT_NE(nullptr, Form());
  U32 icon = 0;
  EXPECT_TRUE(H_DATABASE_bFetchU32(FCID("SWDI"), &icon, nullptr, nullptr));
  EXPECT_EQ(82u, icon) << "no stored icon in ice mode";
  EXPECT_EQ(82, ((const U16*)Form()->pEditFields[1].pDisplayList)[(U8)Form()->pEditFields[1].value_string[0]]);
  T_NAV_GROUP_vExitDialog(&Form()->parent);

  Put(FCID("SWDI"), 71);
  T_NAV_GROUP_vEditWaypointSettingsDiag(0);
  EDIT_FIELD* f = Form()->pEditFields;
  EXPECT_EQ(0, f[1].value_string[0]) << "71 is not offered: the first icon";
  f[0].value_string[0] = 2;
  T_NAV_GROUP_vEditIconCategoryChange(&Form()->parent);
  EXPECT_EQ(9, f[1].nDisplayList);
  EXPECT_EQ(3, ((const U16*)f[1].pDisplayList)[(U8)f[1].value_string[0]]) << "the first fish";

  EDIT_FIELD track[5] = {WPM_Row(Name, EDIT_TYPE_CHAR), WPM_Row(Visibility, EDIT_TYPE_STRING_LIST),
                         WPM_Row(Style, EDIT_TYPE_TRACKSTYLE), WPM_Row(Color, EDIT_TYPE_COLOR)};
  POPUP_EDIT_WINDOW w = {};
  w.pEditFields = track;
  for (char style = 0; style < 4; style++) {
    track[2].value_string[0] = style;
    T_NAV_GROUP_vEditTrackStyleChange(&w.parent);
    EXPECT_EQ(style == 0, (bool)track[3].bInactive) << (int)style;
  }

  const U16 mob = Waypoint("MOB", kWpmRoot, 0, 0, 0x5F5E1000, MOB_ICON), plain = Waypoint("Plain", kWpmRoot, 9, 9);
  T_NAV_GROUP_vSetup();
  T_NAV_GROUP_vSelectMultipleAndSetWaypointIcon(0);
  for (U16 id : {mob, plain}) {
    Highlight(kWpmRoot, id);
    T_NAV_GROUP_vSelectItem(0);
  }
  WPM_vMultiSelectDone();
  ASSERT_NE(nullptr, Form());
  Form()->pEditFields[1].value_string[0] = 7;
  Form()->pUpdateDataFunc(&Form()->parent);
  Form()->pSaveFunc(Form()->pData, Form()->u32Index);
  EXPECT_EQ(MOB_ICON, T_NAV_pGetWaypoint(mob)->u8Icon);
  EXPECT_EQ(7, T_NAV_pGetWaypoint(plain)->u8Icon);
}

// The waypoint menu's Set Icon, second in the menu: the chooser for the
// highlighted waypoint alone, titled for what it does (not as a new
// waypoint's), back to browsing after its Save.
TEST_F(Items, SetIconInTheWaypointMenuSetsTheHighlightedWaypointsIconOnly) {
  const U16 other = Waypoint("Other", kWpmRoot, 0, 0), chosen = Waypoint("Chosen", kWpmRoot, 9, 9);
  T_NAV_GROUP_vSetup();
  Highlight(kWpmRoot, chosen);
  g_WPM.eInputState = STATE_ITEM_LIST;
  for (CURSOR_POSITION c : {CURSOR_EAST, CURSOR_SOUTH, CURSOR_EAST}) Cursor(c);
  ASSERT_NE(nullptr, Form());
  ASSERT_TRUE(Form()->parent.bActive);
  EXPECT_EQ(Set_Icon, Form()->parent.strTitle);
  Form()->pEditFields[1].value_string[0] = 7;
  Form()->pUpdateDataFunc(&Form()->parent);
  Form()->pSaveFunc(Form()->pData, Form()->u32Index);
  EXPECT_EQ(7, T_NAV_pGetWaypoint(chosen)->u8Icon);
  EXPECT_EQ(3, T_NAV_pGetWaypoint(other)->u8Icon);
  EXPECT_EQ(MODE_BROWSE, g_WPM.eMode);
}

TEST_F(Items, CursorToClosesOnTheChartViewAndChartEditsOpenOnlyStoredItems) {
  const U16 w = Waypoint("W", kWpmRoot, 100, 200);
  // The navigation places the cursor only with a fix and a heading.
  Boat(10, 10);
  H_DATABASE_bUpdateEverythingFloat(FCID("IHDG"), 0.0f, P_NORMAL, D_HEADING, nullptr, DB_NEVER_STALE);
  for (BOOLEAN bIce : {FALSE, TRUE}) {
    H_DATABASE_bUpdateEverythingBoolean(FCID("SICE"), bIce, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
    H_DATABASE_bUpdateEverythingS32(FCID("CVEW"), 21, P_NORMAL, D_SIGNED32, nullptr, DB_NEVER_STALE);
    T_NAV_GROUP_vSetup();
    Highlight(kWpmRoot, w);
    T_NAV_GROUP_vWaypointCursorTo(0);
    EXPECT_FALSE(T_NAV_GROUP_bIsWPMWindowUp());
    S32 view = 0, lat = 0;
    H_DATABASE_bFetchS32(FCID("CVEW"), &view, nullptr, nullptr);
    H_DATABASE_bFetchS32(FCID("ICLT"), &lat, nullptr, nullptr);
    EXPECT_EQ(bIce ? 65 : 52, view);
    EXPECT_EQ(200, lat);
  }
  U32 cursorWaypoint = 0;
  H_DATABASE_bFetchU32(FCID("ICWP"), &cursorWaypoint, nullptr, nullptr);
  EXPECT_EQ(w, cursorWaypoint);

  // Target and grid go to the navigation, which keeps one of the two.
  U32 target = 0, grid = 0;
  T_NAV_GROUP_vSetup();
  Highlight(kWpmRoot, w);
  T_NAV_GROUP_vWaypointTarget(0);
  EXPECT_FALSE(T_NAV_GROUP_bIsWPMWindowUp());
  T_NAV_GROUP_vSetup();
  Highlight(kWpmRoot, w);
  T_NAV_GROUP_vWaypointGrid(0);
  H_DATABASE_bFetchU32(FCID("ITWP"), &target, nullptr, nullptr);
  H_DATABASE_bFetchU32(FCID("IGWP"), &grid, nullptr, nullptr);
  EXPECT_EQ(NAV_NONE, target);
  EXPECT_EQ(w, grid);

  EXPECT_FALSE(T_NAV_GROUP_bVerifyAndEditSpecifiedWaypoint_Setup(0xFFFF));
  EXPECT_FALSE(T_NAV_GROUP_bVerifyAndEditSpecifiedRoute_Setup(50));
  EXPECT_EQ(STATE_SLEEP, g_WPM.eInputState) << "no form";

  const U16 mob = Waypoint("MOB", kWpmRoot, 0, 0, 0x5F5E1000, MOB_ICON);
  ASSERT_TRUE(T_NAV_GROUP_bVerifyAndEditSpecifiedWaypoint_Setup(mob));
  EXPECT_TRUE(Form()->pEditFields[1].bInactive);
  EXPECT_TRUE(Form()->pEditFields[2].bInactive);
  ASSERT_TRUE(Form()->pUpdateDataFunc(&Form()->parent));
  Form()->pSaveFunc(Form()->pData, Form()->u32Index);
  EXPECT_EQ(MOB_ICON, T_NAV_pGetWaypoint(mob)->u8Icon);
  T_NAV_GROUP_vExitDialog(&Form()->parent);

  const U16 r = Route("ABCDEFGHIJKLMNOPQRS", kWpmRoot, {w});
  ASSERT_TRUE(T_NAV_GROUP_bVerifyAndEditSpecifiedRoute_Setup(r & 0x07FF));
  EDIT_FIELD* name = &Form()->pEditFields[0];
  EXPECT_EQ(11, name->string_len);
  name->value_string[0] = 'Z';
  ASSERT_TRUE(Form()->pUpdateDataFunc(&Form()->parent));
  Form()->pSaveFunc(Form()->pData, Form()->u32Index);
  EXPECT_EQ(std::string("ZBCDEFGHIJKLMNOPQRS"), std::string(T_NAV_pGetRoute(r & 0x07FF)->sName, 19));
  T_NAV_GROUP_vExitDialog(&Form()->parent);
}

TEST_F(Items, RouteInfoAndWaypointSettingsMatchTheirPictures) {
  H_DATABASE_bUpdateEverythingS32(FCID("SLTZ"), 0, P_NORMAL, D_SIGNED32, nullptr, DB_NEVER_STALE);
  const U16 a = Waypoint("Dock", kWpmRoot, 0, 0), b = Waypoint("Reef", kWpmRoot, 4000, 9000);
  const U16 r = Route("Out", kWpmRoot, {a, b, a});
  T_NAV_GROUP_vSetup();
  Highlight(kWpmRoot, r);
  T_NAV_GROUP_vRouteInfo(0);
  const std::vector<COLOR> info = Picture();
  EXPECT_TRUE(GOLDEN_Match(WPTMGR_GOLDEN_DIR "/route_info.png",
                           {info.data(), G_SCREEN_WIDTH, G_SCREEN_HEIGHT, G_SCREEN_WIDTH}));
  T_NAV_GROUP_vExitMainWindow();

  Put(FCID("SWDI"), 3);
  T_NAV_GROUP_vWaypointSettings_Setup();
  BITMAP* pBitmap = G_BUFFERS_pCreateFullScreenBitmap();
  G_BMP_vSet(pBitmap, 0x0000);
  WINDOW_SPECIFICATION windowSpec = {};
  windowSpec.drawWindowType = SPLIT_FULL_WINDOW;
  windowSpec.drawWindow = {0, (S32)G_SCREEN_HEIGHT - 1, (S32)G_SCREEN_WIDTH - 1, 0};
  T_NAV_GROUP_vWaypointSettingsRender(pBitmap, &windowSpec);
  const COLOR* p = (const COLOR*)pBitmap->pBuffer;
  const std::vector<COLOR> dialog(p, p + G_SCREEN_WIDTH * G_SCREEN_HEIGHT);
  G_BUFFERS_vFreeBitmap(pBitmap);
  EXPECT_TRUE(GOLDEN_Match(WPTMGR_GOLDEN_DIR "/waypoint_settings.png",
                           {dialog.data(), G_SCREEN_WIDTH, G_SCREEN_HEIGHT, G_SCREEN_WIDTH}));
  T_NAV_GROUP_vExitDialog(g_WPM.pPopupWindow);
}

}  // namespace
