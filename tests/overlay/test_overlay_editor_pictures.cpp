// The editor screens and the route and track pickers as drawn, against PNGs
// in golden/.

#include <string.h>

#include <memory>

#include "model.h"
#include "overlay_test.h"
#include "t_nav_edit_lists.h"
#include "t_nav_edit_rte.h"
#include "t_nav_edit_wpt.h"
#include "t_nav_twr.h"
#include "u_language.h"
#include "text_util.h"
#include "ui_texts.h"

namespace {

class EditorPictures : public ot::OverlayTest {
 protected:
  void SetUp() override {
    ot::OverlayTest::SetUp();
    ot::Set("SITF", F_12HOUR);
    ot::Set("SIDF", F_DDMMYY);
    ot::Set("SUDS", U_NAUT_MILES_FT);
    ot::Set("SUHD", U_DEG_TRUE);
  }
  void TearDown() override {
    SetLanguage(0);
    ot::OverlayTest::TearDown();
  }
  // Waypoints "WPT 00".. around 45N 5W, two minutes apart.
  void Waypoints(U32 count) {
    for (U32 i = 0; i < count; i++) {
      char name[24];
      snprintf(name, sizeof name, "WPT %02u", (unsigned)i);
      ot::PutWaypoint(i, name, -556597 + (S32)i * 3706, 5591295 + (S32)(i % 5) * 5240, 1577880000u + i * 86400u);
    }
  }
  void PutRoute(U32 u32Slot, const char* pcName, U32 u32Points) {
    ROUTE* p = T_NAV_pGetRoute(u32Slot);
    *p = {};
    for (U32 i = 0; i < u32Points; i++) p->anWaypoint[i] = (U16)(i % 10);
    p->nCount = u32Points;
    p->u32DateTime = 1577880000u + u32Slot * 3600u;
    strncpy(p->sName, pcName, sizeof p->sName - 1);
  }
  static U16 AddTrack(const char* pcName, U32 u32Points) {
    auto t = std::make_unique<TRACK>();
    U_NAV_vClearTrack(&t->sHeader);
    for (U32 i = 0; i < u32Points; i++) U_NAV_vAddTrackPoint(t.get(), {(S32)i * 10, 0}, 0, FALSE);
    char name[TRACK_NAME_SIZE] = {};
    snprintf(name, sizeof name, "%s", pcName);
    return T_NAV_nAddTrack(t.get(), 1577880000u, name, FALSE);
  }
};

TEST_F(EditorPictures, RoutePickerWithTheDirectionRowAndARouteChosen) {
  Waypoints(10);
  PutRoute(0, "HARBOUR", 5);
  PutRoute(1, "BAY", 12);
  ASSERT_TRUE(T_NAV_EDIT_bSelectRouteSetup(TRUE, nullptr, nullptr, Routes));
  ot::Pad(CURSOR_EAST);
  EXPECT_TRUE(ot::MatchesGolden("route-picker-direction", ot::Picture()));
  ot::Pad(CURSOR_SOUTH);
  EXPECT_TRUE(ot::MatchesGolden("route-picker-route", ot::Picture()));
}

TEST_F(EditorPictures, RouteEditorWithThreePointsAndThePointMenu) {
  Waypoints(10);
  PutRoute(3, "", 0);
  ASSERT_TRUE(T_NAV_EDIT_bEditRouteSetup(3, nullptr, nullptr, ::Route));
  ot::Pad(CURSOR_SOUTH);
  ot::Pad(CURSOR_EAST);
  for (S32 row : {2, 5, 7}) {
    s_RteEdit.eState = RTE_EDIT_WPTS_ALL;
    s_RteEdit.nPosition = row;
    ot::Pad(CURSOR_EAST);
  }
  ot::Pad(CURSOR_NORTH);
  ot::Pad(CURSOR_EAST);  // the middle point's menu: Up, Down, Delete
  ASSERT_EQ(RTE_EDIT_MENU_UP, s_RteEdit.eState);
  ot::Pad(CURSOR_SOUTH);
  EXPECT_TRUE(ot::MatchesGolden("route-editor-3", ot::Picture()));
  // The menu is as wide as its widest entry, here the move down.
  s_RteEdit.nLang = LANGUAGE_TURKISH;
  EXPECT_TRUE(ot::MatchesGolden("route-editor-3-tr", ot::Picture()));
  s_RteEdit.nLang = LANGUAGE_ENGLISH;
}

TEST_F(EditorPictures, RouteEditorWithFiftyPointsAtTheEndOfItsList) {
  Waypoints(10);
  PutRoute(0, "LONG", 50);
  ASSERT_TRUE(T_NAV_EDIT_bEditRouteSetup(0, nullptr, nullptr, ::Route));
  ot::Pad(CURSOR_SOUTH);
  ot::Pad(CURSOR_EAST);
  for (int i = 0; i < 60; i++) ot::Pad(CURSOR_SOUTH, 2);
  EXPECT_EQ(42, s_RteEdit.nRteTop);
  ot::Pad(CURSOR_EAST);  // the last point's menu: Up, Delete
  EXPECT_TRUE(ot::MatchesGolden("route-editor-50", ot::Picture()));
}

TEST_F(EditorPictures, RouteEditorNameBeingTyped) {
  PutRoute(0, "AB", 0);
  ASSERT_TRUE(T_NAV_EDIT_bEditRouteSetup(0, nullptr, nullptr, ::Route));
  ot::Pad(CURSOR_EAST);
  ot::Pad(CURSOR_EAST);
  ot::Pad(CURSOR_EAST);
  EXPECT_TRUE(ot::MatchesGolden("route-editor-name", ot::Picture()));
}

TEST_F(EditorPictures, RouteLegsWithUnitsAndTheLiveLeg) {
  Waypoints(10);
  PutRoute(2, "COAST", 4);
  H_DATABASE_bUpdateEverythingS32(FCID("ILAT"), 5581295, P_NORMAL, D_POSITION_LAT_MM, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingS32(FCID("ILON"), -566597, P_NORMAL, D_POSITION_LON_MM, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingFloat(FCID("ILTD"), 44.94f, P_NORMAL, D_POSITION_LAT, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingFloat(FCID("ILND"), -5.09f, P_NORMAL, D_POSITION_LON, nullptr, DB_NEVER_STALE);
  T_NAV_EDIT_vRouteInfoSetup(2, ::Route);
  EXPECT_TRUE(ot::MatchesGolden("route-legs", ot::Picture()));
}

TEST_F(EditorPictures, TrackPickerAtItsTopWithSevenTracks) {
  for (int i = 0; i < 7; i++) {
    char name[TRACK_NAME_SIZE];
    snprintf(name, sizeof name, "TRIP %d", i + 1);
    ASSERT_EQ(i, AddTrack(name, 3 + (U32)i));
  }
  ASSERT_TRUE(T_NAV_EDIT_bSelectTrackSetup(nullptr, nullptr, ::Track));
  EXPECT_TRUE(ot::MatchesGolden("track-picker", ot::Picture()));
}

TEST_F(EditorPictures, TrackEditorWithADashedRedTrack) {
  const U16 slot = AddTrack("EVENING", 12);
  ASSERT_TRUE(T_NAV_bSetTrackStyle(slot, TRACK_STYLE_SHORT_DASHED_LINE));
  ASSERT_TRUE(T_NAV_bSetTrackColor(slot, 9));
  ASSERT_TRUE(T_NAV_EDIT_bEditTrackSetup(slot, nullptr, nullptr, ::Track));
  ot::Pad(CURSOR_SOUTH);
  ot::Pad(CURSOR_SOUTH);
  ot::Pad(CURSOR_EAST);
  ASSERT_EQ(TRK_EDIT_STYLE_VALUE, s_TrkEdit.eState);
  EXPECT_TRUE(ot::MatchesGolden("track-editor", ot::Picture()));
}

TEST_F(EditorPictures, WaypointEditorWithAPresetNameInSimplifiedChinese) {
  U32 model = 471;
  while (model < 5000 && !MODEL_bHasFeature((MODEL_TYPE)model, MODEL_BIT_INTERNATIONAL4)) model++;
  ASSERT_LT(model, 5000u);
  ot::Set("SMDL", model);
  SetLanguage(24);
  WAYPOINT* p = T_NAV_pGetWaypoint(0);
  *p = {};
  p->u8Status = WPT_STATUS_SAVED;
  p->u32DateTime = 1577880000u;
  const char name[] = {(char)0xFD, (char)0xD1, 0, '7', 0, 0};
  memcpy(p->sName, name, sizeof name);
  ASSERT_TRUE(T_NAV_EDIT_bEditWaypointSetup(0, nullptr, nullptr, Waypoint));
  ot::Pad(CURSOR_EAST);
  ot::Pad(CURSOR_EAST);  // the cursor on the digit after the preset
  EXPECT_TRUE(ot::MatchesGolden("waypoint-editor-preset", ot::Picture()));
}

}  // namespace
