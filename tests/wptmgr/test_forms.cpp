// The edit forms: stepping by edit type, the form keys, and the waypoint
// forms' defaults, checks and saves through the store.

#include <math.h>
#include <string.h>

#include "golden.h"
#include "h_memory.h"
#include "navmath.h"
#include "t_nav.h"
#include "t_nav_group_edit.h"
#include "t_nav_twr.h"
#include "u_alarm.h"
#include "u_nav.h"
#include "ui_texts.h"
#include "wptmgr_rig.h"

namespace {

// Texts of the alarms raised since the last call.
std::vector<std::string> Errors() {
  std::vector<std::string> out;
  while (void* p = L_MBOX_Receive(M_ALARM)) {
    if (((const GENERIC_MESSAGE*)p)->Cmd == CMD_ID_SET_ALARM) {
      const ALARM_SET_MESSAGE* a = (const ALARM_SET_MESSAGE*)p;
      out.push_back(a->pMessageString != nullptr ? a->pMessageString : "");
    }
    H_MEMORY_vDumpMail(p);
  }
  return out;
}

class Forms : public Wpm {
 protected:
  void SetUp() override {
    Wpm::SetUp();
    H_DATABASE_bUpdateEverythingU32(FCID("TALR"), M_ALARM, P_NORMAL, D_MAILBOX, nullptr, DB_NEVER_STALE);
    H_DATABASE_bUpdateEverythingU32(FCID("SIPF"), 6, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
    Errors();
  }
  void TearDown() override {
    if (g_WPM.pPopupWindow != nullptr) g_WPM.pPopupWindow->bActive = FALSE;
    g_WPMForm = {};
    Errors();
    Wpm::TearDown();
  }

 public:
  static POPUP_EDIT_WINDOW* Form() {
    POPUP_WINDOW* p = g_WPM.pPopupWindow;
    if (p == nullptr || !p->bActive || p->pKeyHandleFunc != T_NAV_GROUP_bEditWindowHandleKeys) return nullptr;
    return (POPUP_EDIT_WINDOW*)p;
  }
  static S32 Counter() {
    S32 n = -1;
    H_DATABASE_bFetchS32(FCID("SWID"), &n, nullptr, nullptr);
    return n;
  }
  static void ToSaveRowAndSave() {
    for (int i = 0; i < 6; i++) Cursor(CURSOR_SOUTH);
    Click();
    Cursor(CURSOR_EAST);
  }
  static void SetText(U32 row, DATA_TYPE eType, double d) {
    char text[U_NAV_POSITION_TEXT_SIZE] = {};
    U_NAV_vFormatPosition(eType, d, text, F_DD_MM_MMM, 0, IPS_SPACE);
    char* value = Form()->pEditFields[row].value_string;
    memset(value, 0, EDIT_FIELD_VALUE_SIZE);
    memcpy(value, text, strnlen(text, EDIT_FIELD_VALUE_SIZE - 1));
  }
};

U8 Step(U8 c, GROUP_MGR_EDIT_TYPE t, bool fwd, const U16* list = nullptr, U16 n = 0) {
  return T_NAV_GROUP_cEditWindowStepValue(list, &n, c, t, fwd ? TRUE : FALSE);
}

TEST_F(Forms, StepsFollowTheirEditTypes) {
  EXPECT_EQ('A', Step('+', EDIT_TYPE_CHAR, true));
  EXPECT_EQ('+', Step('A', EDIT_TYPE_CHAR, false));
  EXPECT_EQ('-', Step(0, EDIT_TYPE_CHAR, true)) << "an empty position counts as a space";
  EXPECT_EQ('9', Step(0, EDIT_TYPE_CHAR, false));
  EXPECT_EQ('0', Step('5', EDIT_TYPE_05, true));
  EXPECT_EQ('5', Step('0', EDIT_TYPE_05, false));
  EXPECT_EQ('A', Step('x', EDIT_TYPE_09, true)) << "a letter under a digit mask";
  EXPECT_EQ(' ', Step('9', EDIT_TYPE_00, true));
  EXPECT_EQ('S', Step('N', EDIT_TYPE_NS, true));
  EXPECT_EQ('E', Step('W', EDIT_TYPE_EW, false));
  EXPECT_EQ(0, Step(7, EDIT_TYPE_YESNO, true));
  EXPECT_EQ(71, Step(0, EDIT_TYPE_ICON, false));
  EXPECT_EQ(0, Step(15, EDIT_TYPE_COLOR, true));
  EXPECT_EQ(3, Step(0, EDIT_TYPE_TRACKSTYLE, false));
  EXPECT_EQ(255, Step(0, EDIT_TYPE_SAVE, true));

  const U16 icons[] = {29, 30, 31, 30};
  EXPECT_EQ(2, Step(0, EDIT_TYPE_ICON_ARRAY, true, icons, 4)) << "icon 30 is passed over";
  EXPECT_EQ(0, Step(2, EDIT_TYPE_ICON_ARRAY, false, icons, 4));
  EXPECT_EQ(0, Step(2, EDIT_TYPE_ICON_ARRAY, true, icons, 4)) << "wraps, passing the last 30";
  EXPECT_EQ(0, Step(3, EDIT_TYPE_STRING_LIST, true, nullptr, 4));
}

TEST_F(Forms, NewWaypointNeedsAFixAndItsDefaultNameReturnsOnExit) {
  T_NAV_GROUP_vSetup();
  Click();
  T_NAV_GROUP_vNewWaypoint(0);
  EXPECT_EQ(-1, Click());
  EXPECT_EQ(nullptr, Form());
  EXPECT_EQ(std::vector<std::string>{"GPS Fix required for this operation"}, Errors());

  Waypoint("WP041", kWpmRoot);
  Boat(1000, 2000);
  T_NAV_GROUP_vNewWaypoint(0);
  ASSERT_NE(nullptr, Form());
  EXPECT_STREQ("WP042", Form()->pEditFields[0].value_string);
  EXPECT_EQ(42, Counter());
  EXPECT_TRUE(Key(HKEY_MASK_EXIT));
  EXPECT_EQ(nullptr, Form()) << "an unchanged form closes";
  EXPECT_EQ(41, Counter()) << "the counter it advanced goes back";
  EXPECT_EQ(1, Click());
}

TEST_F(Forms, NewWaypointFromTheKeysIsStoredAndHighlighted) {
  Boat(-300000, 500000);
  H_DATABASE_bUpdateEverythingU32(FCID("IDTM"), 0x5F5E2000, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  // The footer's date is local time: keep the zone and formats fixed.
  H_DATABASE_bUpdateEverythingS32(FCID("SLTZ"), 0, P_NORMAL, D_SIGNED32, nullptr, DB_NEVER_STALE);
  for (FOURCHARID key : {FCID("SITF"), FCID("SIDF")}) {
    H_DATABASE_bUpdateEverythingU32(key, 0, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  }
  T_NAV_GROUP_vSetup();
  T_NAV_GROUP_vNewWaypoint(0);
  ASSERT_NE(nullptr, Form());
  // Name: one step north on the first letter turns "WP001" into "XP001".
  Cursor(CURSOR_EAST);
  ASSERT_EQ(1, Form()->pEditFields[0].highlight);
  std::vector<COLOR> editor = Picture();
  EXPECT_TRUE(g_WPMForm.bEditMenuChange) << "drawing a text cursor opens the editor";
  const GOLDEN_PICTURE picture = {editor.data(), G_SCREEN_WIDTH, G_SCREEN_HEIGHT, G_SCREEN_WIDTH};
  EXPECT_TRUE(GOLDEN_Match(WPTMGR_GOLDEN_DIR "/new_waypoint_editor.png", picture));
  Cursor(CURSOR_NORTH);
  EXPECT_TRUE(Form()->bDirty);
  Key(HKEY_MASK_EXIT);
  EXPECT_FALSE(g_WPMForm.bEditMenuChange);
  EXPECT_EQ(0, Form()->pEditFields[0].highlight);
  ToSaveRowAndSave();
  EXPECT_EQ(nullptr, Form());
  const U16 id = g_WPM.au16ShowItemIDs[g_WPM.u16HighlightIndex];
  const WAYPOINT* w = T_NAV_pGetWaypoint(id);
  ASSERT_NE(nullptr, w);
  EXPECT_STREQ("XP001", std::string(w->sName, strnlen(w->sName, sizeof w->sName)).c_str());
  EXPECT_NEAR(-300000, w->pt.y, 5) << "the position went through its text";
  EXPECT_NEAR(500000, w->pt.x, 5);
  EXPECT_EQ(1, w->u8Status);
  EXPECT_EQ(0x5F5E2000u, w->u32DateTime);
}

// A slot for the waypoint but none for a body to link it: the save is
// refused as on a full table, and no waypoint is left for a collection.
TEST_F(Forms, ANewWaypointNoGroupCanLinkIsRefusedAsMemoryFull) {
  for (S32 i = 0; i < 12; i++) Waypoint(("W" + std::to_string(i)).c_str(), kWpmRoot, i * 100);
  U16 first = NAV_NONE;
  for (U16 g; (g = T_NAV_nAllocGroupSlot(FALSE)) != NAV_NONE;) first = first == NAV_NONE ? g : first;
  while (T_NAV_nAllocGroupSlot(TRUE) != NAV_NONE) {
  }
  T_NAV_vFreeGroupSlot(first);
  Boat(1000, 2000);
  T_NAV_GROUP_vSetup();
  T_NAV_GROUP_vNewWaypoint(0);
  ASSERT_NE(nullptr, Form());
  ToSaveRowAndSave();
  EXPECT_EQ(std::vector<std::string>{"No more waypoints can be saved. Out of waypoint memory."}, Errors());
  EXPECT_EQ(12, T_NAV_TWR_nGetWaypointCount());
}

TEST_F(Forms, EditKeepsAnUntouchedPositionAndChecksTheTexts) {
  const U16 id = Waypoint("Reef", kWpmRoot, 123457, -98765, 0x5F5E1000, 3);
  T_NAV_GROUP_vSetup();
  T_NAV_GROUP_vEditWaypoint(0);
  ASSERT_NE(nullptr, Form());
  for (int i = 0; i < 2; i++) Cursor(CURSOR_SOUTH);
  Cursor(CURSOR_WEST);
  EXPECT_TRUE(Form()->bDirty) << "the icon stepped";
  ToSaveRowAndSave();
  EXPECT_EQ(nullptr, Form());
  const WAYPOINT* w = T_NAV_pGetWaypoint(id);
  EXPECT_EQ(123457, w->pt.x) << "not re-read from its rounded text";
  EXPECT_EQ(-98765, w->pt.y);
  EXPECT_EQ(4, w->u8Icon);

  T_NAV_GROUP_vEditWaypoint(0);
  SetText(4, D_POSITION_LAT, 80.001);
  ToSaveRowAndSave();
  ASSERT_NE(nullptr, Form()) << "latitude beyond 80 is refused";
  EXPECT_EQ(-1, Click());
  EXPECT_TRUE(Errors().empty());
  SetText(4, D_POSITION_LAT, 79.5);
  SetText(5, D_POSITION_LON, -180.5);
  Cursor(CURSOR_EAST);
  ASSERT_NE(nullptr, Form());
  EXPECT_EQ(std::vector<std::string>{"Invalid Longitude"}, Errors());
  SetText(5, D_POSITION_LON, -179.5);
  Cursor(CURSOR_EAST);
  EXPECT_EQ(nullptr, Form());
  POSITION pos = {};
  w = T_NAV_pGetWaypoint(id);
  nv_MeterToDegr(&w->pt, &pos);
  EXPECT_NEAR(79.5, pos.lat, 1e-4);
  EXPECT_NEAR(-179.5, pos.lon, 1e-4);
}

// A form is saved where its keys are handled, under the store's lock: the
// record reaches the medium once that lock is let go, and drawing could take
// the lock meanwhile.
TEST_F(Forms, ASavedFormReachesTheMediumOutsideTheStoreLock) {
  const U16 id = Waypoint("Reef", kWpmRoot);
  T_NAV_GROUP_vSetup();
  T_NAV_GROUP_vEditWaypoint(0);
  ASSERT_NE(nullptr, Form());
  for (int i = 0; i < 2; i++) Cursor(CURSOR_SOUTH);
  Cursor(CURSOR_WEST);
  NAVTEST_LOCK_WATCH watch;
  ToSaveRowAndSave();
  EXPECT_EQ(nullptr, Form());
  EXPECT_EQ(4, T_NAV_pGetWaypoint(id)->u8Icon);
  EXPECT_EQ(1u, watch.u32Forced);
  EXPECT_EQ(0u, watch.u32ForcedUnderLock);
  EXPECT_EQ(1, watch.nTakenMeanwhile);
}

TEST_F(Forms, AChangedFormAsksAndNoLeavesTheStoreAlone) {
  const U16 id = Waypoint("Reef", kWpmRoot);
  T_NAV_GROUP_vSetup();
  T_NAV_GROUP_vEditWaypoint(0);
  Cursor(CURSOR_SOUTH);
  Cursor(CURSOR_SOUTH);
  Cursor(CURSOR_EAST);
  Click();
  Key(HKEY_MASK_EXIT);
  ASSERT_NE(nullptr, Form()) << "waits for the answer";
  EXPECT_EQ(T_NAV_GROUP_vEditWindowSaveAndExit, g_WPM.pfnConfYes);
  T_NAV_GROUP_vNavConfNo();
  EXPECT_EQ(nullptr, Form());
  EXPECT_EQ(3, T_NAV_pGetWaypoint(id)->u8Icon);
  Key(0x2, CURSOR_UP);
  EXPECT_NE(-1, Click()) << "keys go back to the list";
}

// A "Go To" from the list navigates from a start waypoint of its own, which
// is temporary: ending the navigation takes it away and the tree stays whole.
TEST_F(Forms, GoToStartsFromATemporaryWaypointThatTheEndOfNavigationRemoves) {
  Waypoint("Reef", kWpmRoot, 500000, 500000);
  Boat(1000, 2000);
  T_NAV_GROUP_vSetup();
  g_WPM.u16HighlightIndex = 0;
  auto Temporary = [] {
    int n = 0;
    for (U32 i = 0; i < NAV_MAX_WAYPOINTS; i++) n += T_NAV_pGetWaypoint(i)->u8Status == WPT_STATUS_TEMPORARY;
    return n;
  };
  EXPECT_TRUE(Key(0x100));
  EXPECT_EQ(1, Temporary());
  T_NAV_vEndNavigationNow();
  EXPECT_EQ(0, Temporary());
  EXPECT_TRUE(T_NAV_GROUP_DATA_bIsGroupNavDataIntegralEX(nullptr, kWpmRoot));
}

}  // namespace
