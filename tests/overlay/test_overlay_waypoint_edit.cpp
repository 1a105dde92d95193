// The waypoint editor: its field operations through the keys of state 6, the
// position checks on leaving and saving, and the save back into the store.

#include <string.h>

#include "navmath.h"
#include "overlay_test.h"
#include "t_nav_edit_wpt.h"
#include "t_nav_twr.h"

namespace {

using ot::Click;
using ot::Key;
using ot::Pad;

class WaypointEditor : public ot::OverlayTest {
 protected:
  void Open(const char* pcName = "AB", double lat = 45.5, double lon = -123.25) {
    POSITION pos = {lat, lon};
    POINT pt = {};
    nv_DegrToMeter(&pos, &pt);
    ot::PutWaypoint(3, pcName, pt.x, pt.y, 1000);
    ASSERT_TRUE(T_NAV_EDIT_bEditWaypointSetup(3, nullptr, nullptr, nullptr));
    ASSERT_EQ(NAV_EDIT_WAYPOINT, T_NAV_EDIT_eState());
    Click();
  }
  // The index of the first character c of a narrow text.
  static S32 At(const char* s, char c) { return (S32)(strchr(s, c) - s); }
};

TEST_F(WaypointEditor, IconStepsSkipThirtyAndWrap) {
  Open();
  s_WptEdit.Waypoint.u8Icon = 0;
  EXPECT_TRUE(T_NAV_bEWIconUp());
  EXPECT_EQ(70, s_WptEdit.Waypoint.u8Icon);
  EXPECT_TRUE(T_NAV_bEWIconDown());
  EXPECT_EQ(0, s_WptEdit.Waypoint.u8Icon);
  s_WptEdit.Waypoint.u8Icon = 29;
  T_NAV_bEWIconDown();
  EXPECT_EQ(31, s_WptEdit.Waypoint.u8Icon);
  T_NAV_bEWIconUp();
  EXPECT_EQ(29, s_WptEdit.Waypoint.u8Icon);
  s_WptEdit.Waypoint.u8Icon = 71;
  T_NAV_bEWIconDown();
  EXPECT_EQ(0, s_WptEdit.Waypoint.u8Icon);
  EXPECT_TRUE(s_WptEdit.bDirty);
}

TEST_F(WaypointEditor, DigitLimitsFollowTheCharacterBefore) {
  Open("AB", 45.5, -100.25);
  // The first degree digit of a latitude runs to 7, of a longitude to 1.
  char* lat = s_WptEdit.sLat;
  const S32 first = At(lat, ' ') + 1;
  lat[first] = '7';
  s_WptEdit.nPosition = first;
  EXPECT_TRUE(T_NAV_bEWLatUp());
  EXPECT_EQ('0', lat[first]);
  EXPECT_TRUE(T_NAV_bEWLatDown());
  EXPECT_EQ('7', lat[first]);
  // The tens of minutes after the degree sign run to 5; other digits to 9.
  const S32 minutes = At(lat, (char)U_NAV_DEGREE_SIGN) + 1;
  lat[minutes] = '5';
  s_WptEdit.nPosition = minutes;
  T_NAV_bEWLatUp();
  EXPECT_EQ('0', lat[minutes]);
  lat[minutes + 1] = '0';
  s_WptEdit.nPosition = minutes + 1;
  T_NAV_bEWLatDown();
  EXPECT_EQ('9', lat[minutes + 1]);
  char* lon = s_WptEdit.sLon;
  const S32 hundreds = At(lon, ' ') + 1;
  ASSERT_EQ('1', lon[hundreds]);
  s_WptEdit.nPosition = hundreds;
  T_NAV_bEWLonUp();
  EXPECT_EQ('0', lon[hundreds]);
  T_NAV_bEWLonDown();
  EXPECT_EQ('1', lon[hundreds]);
  // The hemisphere letter toggles.
  s_WptEdit.nPosition = 0;
  ASSERT_EQ('N', lat[0]);
  T_NAV_bEWLatUp();
  EXPECT_EQ('S', lat[0]);
  EXPECT_TRUE(s_WptEdit.bLatDirty && s_WptEdit.bLonDirty);
}

TEST_F(WaypointEditor, RightWalksTheDigitsThenTheRows) {
  Open();
  Pad(CURSOR_SOUTH);
  ASSERT_EQ(WPT_EDIT_LAT, s_WptEdit.eState);
  Pad(CURSOR_EAST);
  ASSERT_EQ(WPT_EDIT_LAT_VALUE, s_WptEdit.eState);
  const S32 first = At(s_WptEdit.sLat, ' ') + 1;
  EXPECT_TRUE(Pad(CURSOR_EAST));
  EXPECT_EQ(first, s_WptEdit.nPosition);
  for (int i = 0; i < 20 && s_WptEdit.eState == WPT_EDIT_LAT_VALUE; i++) Pad(CURSOR_EAST);
  EXPECT_EQ(WPT_EDIT_LON, s_WptEdit.eState);
  EXPECT_EQ(0, s_WptEdit.nPosition);
}

TEST_F(WaypointEditor, OutOfRangePositionsAreRefusedOnLeavingAndSaving) {
  Open("AB", 45.5, -100.25);
  // 100 degrees becomes 190.
  s_WptEdit.eState = WPT_EDIT_LON_VALUE;
  s_WptEdit.nPosition = At(s_WptEdit.sLon, ' ') + 2;
  Pad(CURSOR_SOUTH);
  Pad(CURSOR_SOUTH);
  Click();
  s_WptEdit.nPosition = 0;
  EXPECT_TRUE(Pad(CURSOR_WEST));
  EXPECT_EQ(-1, Click());
  EXPECT_EQ(WPT_EDIT_LON_VALUE, s_WptEdit.eState);
  Key(HKEY_MASK_EXIT);
  EXPECT_EQ(WPT_EDIT_LON_VALUE, s_WptEdit.eState);
  // A latitude of 95 is refused the same way, and so is the save.
  s_WptEdit.eState = WPT_EDIT_LAT_VALUE;
  const S32 first = At(s_WptEdit.sLat, ' ') + 1;
  s_WptEdit.sLat[first] = '9';
  s_WptEdit.sLat[first + 1] = '5';
  s_WptEdit.bLatDirty = TRUE;
  s_WptEdit.nPosition = 0;
  Click();
  Pad(CURSOR_WEST);
  EXPECT_EQ(-1, Click());
  EXPECT_EQ(WPT_EDIT_LAT_VALUE, s_WptEdit.eState);
  const POINT before = T_NAV_pGetWaypoint(3)->pt;
  EXPECT_FALSE(T_NAV_bEWSave());
  EXPECT_EQ(NAV_EDIT_WAYPOINT, T_NAV_EDIT_eState());
  EXPECT_EQ(before.x, T_NAV_pGetWaypoint(3)->pt.x);
  EXPECT_EQ(before.y, T_NAV_pGetWaypoint(3)->pt.y);
}

TEST_F(WaypointEditor, NameRightAtTheEndTrimsAndMovesOn) {
  Open("ABCD");
  Pad(CURSOR_EAST);
  ASSERT_EQ(WPT_EDIT_NAME_VALUE, s_WptEdit.eState);
  for (int i = 0; i < 4; i++) Pad(CURSOR_EAST);
  EXPECT_EQ(8, s_WptEdit.nPosition);
  EXPECT_EQ(' ', s_WptEdit.Waypoint.sName[9]);  // the name grew by a space
  Pad(CURSOR_EAST);
  EXPECT_EQ(WPT_EDIT_LAT, s_WptEdit.eState);
  EXPECT_EQ(0, s_WptEdit.Waypoint.sName[9]);
  EXPECT_EQ('D', s_WptEdit.Waypoint.sName[7]);
  // A fixed point goes straight to the save row.
  s_WptEdit.Waypoint.u8Status = 3;
  s_WptEdit.eState = WPT_EDIT_NAME_VALUE;
  s_WptEdit.nPosition = 8;
  Pad(CURSOR_EAST);
  EXPECT_EQ(WPT_EDIT_SAVE, s_WptEdit.eState);
  Pad(CURSOR_NORTH);
  EXPECT_EQ(WPT_EDIT_NAME, s_WptEdit.eState);
}

TEST_F(WaypointEditor, SavedWaypointReadsBackWithTheEditedFields) {
  Open("AB", 45.5, -123.25);
  Pad(CURSOR_EAST);
  Pad(CURSOR_NORTH);  // A becomes B
  Pad(CURSOR_WEST);
  Pad(CURSOR_SOUTH);
  Pad(CURSOR_EAST);
  Pad(CURSOR_NORTH);  // N becomes S
  Pad(CURSOR_WEST);
  Pad(CURSOR_SOUTH);
  Pad(CURSOR_SOUTH);
  Pad(CURSOR_EAST);
  Pad(CURSOR_SOUTH);  // icon 0 becomes 1
  Key(HKEY_MASK_EXIT);
  Pad(CURSOR_SOUTH);
  ASSERT_EQ(WPT_EDIT_SAVE, s_WptEdit.eState);
  s_WptEdit.eState = WPT_EDIT_LAT_VALUE;
  s_WptEdit.nPosition = 3;
  EXPECT_TRUE(ot::MatchesGolden("waypoint-editor-latitude", ot::Picture()));
  s_WptEdit.eState = WPT_EDIT_SAVE;
  int saved = -1;
  static int* s_pSaved;
  s_pSaved = &saved;
  s_WptEdit.pSave = [](U32 nIndex) { *s_pSaved = (int)nIndex; };
  EXPECT_TRUE(Pad(CURSOR_EAST));
  EXPECT_EQ(NAV_EDIT_NONE, T_NAV_EDIT_eState());
  EXPECT_EQ(3, saved);
  const WAYPOINT* p = T_NAV_pGetWaypoint(3);
  EXPECT_STREQ("BB", p->sName);
  EXPECT_EQ(1, p->u8Icon);
  POSITION pos = {};
  nv_MeterToDegr(&p->pt, &pos);
  EXPECT_NEAR(-45.5, pos.lat, 1e-3);
  EXPECT_NEAR(-123.25, pos.lon, 1e-3);
}

TEST_F(WaypointEditor, ExitAfterAChangeAsksAndWithoutClosesAtOnce) {
  Open();
  Key(HKEY_MASK_EXIT);
  EXPECT_EQ(NAV_EDIT_NONE, T_NAV_EDIT_eState());
  Open();
  T_NAV_bEWIconDown();
  Key(HKEY_MASK_EXIT);
  EXPECT_EQ(NAV_EDIT_WAYPOINT, T_NAV_EDIT_eState());
  T_NAV_vEWCancel();
  EXPECT_EQ(NAV_EDIT_NONE, T_NAV_EDIT_eState());
  EXPECT_EQ(0, T_NAV_pGetWaypoint(3)->u8Icon);
}

}  // namespace
