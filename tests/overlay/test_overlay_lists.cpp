// The route and track pickers and the saved-track editor: cursor limits,
// the direction row, what a selection hands on, and what a save stores.

#include <string.h>

#include <memory>

#include "overlay_test.h"
#include "t_nav_edit_lists.h"
#include "t_nav_edit_rte.h"
#include "t_nav_edit_wpt.h"
#include "t_nav_twr.h"
#include "ui_texts.h"

namespace {

using ot::Click;
using ot::Key;
using ot::Pad;

U32 s_u32Picked;
BOOLEAN s_bReversePicked;

// Route slot i named "R<i>" with two points, so that name order is slot order.
void PutRoutes(U32 u32Count) {
  for (U32 i = 0; i < u32Count; i++) {
    ROUTE* p = T_NAV_pGetRoute(i);
    *p = {};
    p->nCount = 2;
    p->anWaypoint[1] = 1;
    p->u32DateTime = 1577880000u + i;
    snprintf(p->sName, sizeof p->sName, "R%u", (unsigned)i);
  }
}

// A saved track of two points; its slot.
U16 AddTrack(const char* pcName) {
  auto t = std::make_unique<TRACK>();
  U_NAV_vClearTrack(&t->sHeader);
  U_NAV_vAddTrackPoint(t.get(), {0, 0}, 0, FALSE);
  U_NAV_vAddTrackPoint(t.get(), {5, 5}, 0, FALSE);
  char name[TRACK_NAME_SIZE] = {};
  strncpy(name, pcName, sizeof name - 1);
  return T_NAV_nAddTrack(t.get(), 1577880000u, name, FALSE);
}

class Pickers : public ot::OverlayTest {
 protected:
  void SetUp() override {
    ot::OverlayTest::SetUp();
    s_u32Picked = 0xFFFF;
    s_bReversePicked = FALSE;
  }
};

void PickRoute(U32 nIndex, BOOLEAN bReverse) {
  s_u32Picked = nIndex;
  s_bReversePicked = bReverse;
}
void PickTrack(U32 nIndex) { s_u32Picked = nIndex; }

TEST_F(Pickers, EmptyListsOpenNothing) {
  EXPECT_FALSE(T_NAV_EDIT_bSelectRouteSetup(TRUE, PickRoute, nullptr, nullptr));
  EXPECT_FALSE(T_NAV_EDIT_bSelectTrackSetup(PickTrack, nullptr, nullptr));
  EXPECT_TRUE(ot::Mail().empty());
  EXPECT_EQ(NAV_EDIT_NONE, T_NAV_EDIT_eState());
}

TEST_F(Pickers, RouteDirectionRowStepsOnceEachWayAndTheChoiceGoesWithTheRoute) {
  PutRoutes(10);
  ASSERT_TRUE(T_NAV_EDIT_bSelectRouteSetup(TRUE, PickRoute, nullptr, nullptr));
  EXPECT_EQ(-1, s_RteSel.nPosition);
  Pad(CURSOR_NORTH);
  EXPECT_EQ(-1, Click());
  Pad(CURSOR_WEST);
  EXPECT_EQ(-1, Click());
  Pad(CURSOR_EAST);
  EXPECT_EQ(1, Click());
  Pad(CURSOR_EAST);
  EXPECT_EQ(-1, Click());
  EXPECT_TRUE(s_RteSel.bReverse);
  // Eight rows a page: the tenth route (row 9) puts the top at 2.
  for (int i = 0; i < 10; i++) Pad(CURSOR_SOUTH, i == 0 ? 1 : 2);
  EXPECT_EQ(1, Click());
  EXPECT_EQ(9, s_RteSel.nPosition);
  EXPECT_EQ(2, s_RteSel.nTop);
  Pad(CURSOR_SOUTH);
  EXPECT_EQ(-1, Click());
  Pad(CURSOR_WEST);
  EXPECT_EQ(-1, Click());
  EXPECT_FALSE(Key(HKEY_MASK_MENU));
  Pad(CURSOR_EAST);
  EXPECT_EQ(NAV_EDIT_NONE, T_NAV_EDIT_eState());
  EXPECT_EQ(9u, s_u32Picked);
  EXPECT_TRUE(s_bReversePicked);
}

int s_nTravels;
void Travel(U32, U32, BOOLEAN) { s_nTravels++; }

// "Travel Route" hands the picked route to the navigation task once that
// has registered; before, the pick travels nothing.
TEST_F(Pickers, ATravelPickGoesToTheRegisteredTravelOnly) {
  PutRoutes(2);
  s_nTravels = 0;
  // A hook stays for the program's life: a run after the first starts
  // registered.
  static bool s_bRegistered = false;
  for (int n = s_bRegistered ? 1 : 0; n < 2; n++) {
    if (n == 1) {
      ASSERT_TRUE(T_NAV_EDIT_bRegisterTravelRoute(Travel));
      s_bRegistered = true;
    }
    T_NAV_EDIT_vTravelRouteMenu();
    Pad(CURSOR_SOUTH);
    Pad(CURSOR_EAST);
    EXPECT_EQ(NAV_EDIT_NONE, T_NAV_EDIT_eState());
    EXPECT_EQ(n, s_nTravels);
  }
}

// The menus' Edit Route and Edit Track: refused on an empty store, else
// the picker, whose pick opens the editor on that route or track; Edit
// Waypoint skips the picker for the waypoint under the cursor.
TEST_F(Pickers, EditRouteTrackAndWaypointOpenTheEditorOnThePickedItemOrTheOneUnderTheCursor) {
  T_NAV_EDIT_vEditRouteMenu();
  T_NAV_EDIT_vEditTrackMenu();
  EXPECT_EQ(-1, Click());
  EXPECT_EQ(NAV_EDIT_NONE, T_NAV_EDIT_eState());

  PutRoutes(2);
  T_NAV_EDIT_vEditRouteMenu();
  EXPECT_EQ(NAV_EDIT_SELECT_ROUTE, T_NAV_EDIT_eState());
  Pad(CURSOR_SOUTH);
  Pad(CURSOR_EAST);
  EXPECT_EQ(NAV_EDIT_ROUTE, T_NAV_EDIT_eState());
  EXPECT_EQ(1u, s_RteEdit.nIndex);
  T_NAV_EDIT_vResetState();

  const U16 track = AddTrack("T");
  T_NAV_EDIT_vEditTrackMenu();
  EXPECT_EQ(NAV_EDIT_SELECT_TRACK, T_NAV_EDIT_eState());
  Pad(CURSOR_EAST);
  EXPECT_EQ(NAV_EDIT_TRACK, T_NAV_EDIT_eState());
  EXPECT_EQ(track, s_TrkEdit.nIndex);
  T_NAV_EDIT_vResetState();

  // Edit Waypoint takes the waypoint under the chart's cursor without a pick.
  ot::PutWaypoint(0, "A", 0, 0, 1577880000u);
  ot::PutWaypoint(1, "B", 9, 9, 1577880000u);
  ot::Set("ICWP", 1);
  T_NAV_EDIT_vEditWaypointMenu();
  EXPECT_EQ(NAV_EDIT_WAYPOINT, T_NAV_EDIT_eState());
  EXPECT_EQ(1u, s_WptEdit.nIndex);
}

TEST_F(Pickers, AConfirmedRouteIsTakenOnlyWhileThePickerIsOpen) {
  PutRoutes(2);
  ASSERT_TRUE(T_NAV_EDIT_bSelectRouteSetup(FALSE, PickRoute, Save_Changes, nullptr));
  EXPECT_EQ(0, s_RteSel.nPosition);
  Pad(CURSOR_SOUTH);
  Pad(CURSOR_EAST);
  EXPECT_EQ(NAV_EDIT_SELECT_ROUTE, T_NAV_EDIT_eState());
  T_NAV_vSRSelect();
  EXPECT_EQ(1u, s_u32Picked);
  EXPECT_FALSE(s_bReversePicked);
  s_u32Picked = 0xFFFF;
  T_NAV_vSRSelect();  // a stale answer
  EXPECT_EQ(0xFFFFu, s_u32Picked);
}

TEST_F(Pickers, TrackPickerPagesBySixAndHandsOnTheTrack) {
  for (int i = 0; i < 7; i++) {
    char name[8];
    snprintf(name, sizeof name, "T%d", i);
    ASSERT_EQ(i, AddTrack(name));
  }
  ASSERT_TRUE(T_NAV_EDIT_bSelectTrackSetup(PickTrack, nullptr, nullptr));
  EXPECT_EQ(0, s_TrkSel.nPosition);
  Click();
  Pad(CURSOR_NORTH);
  EXPECT_EQ(-1, Click());
  for (int i = 0; i < 6; i++) Pad(CURSOR_SOUTH);
  EXPECT_EQ(6, s_TrkSel.nPosition);
  EXPECT_EQ(1, s_TrkSel.nTop);
  Click();
  Pad(CURSOR_WEST);
  EXPECT_EQ(-1, Click());
  Pad(CURSOR_EAST);
  EXPECT_EQ(NAV_EDIT_NONE, T_NAV_EDIT_eState());
  EXPECT_EQ(6u, s_u32Picked);
}

class TrackEditor : public ot::OverlayTest {
 protected:
  U16 m_slot = 0;
  void Open(void) {
    m_slot = AddTrack("AB");
    ASSERT_LT(m_slot, NAV_MAX_TRACKS);
    ASSERT_TRUE(T_NAV_bSetTrackStyle(m_slot, TRACK_STYLE_THIN_LINE));
    ASSERT_TRUE(T_NAV_EDIT_bEditTrackSetup(m_slot, nullptr, nullptr, nullptr));
    ASSERT_EQ(NAV_EDIT_TRACK, T_NAV_EDIT_eState());
    Click();
  }
};

TEST_F(TrackEditor, AnEmptySlotDoesNotOpen) {
  EXPECT_FALSE(T_NAV_EDIT_bEditTrackSetup(3, nullptr, nullptr, nullptr));
  EXPECT_FALSE(T_NAV_EDIT_bEditTrackSetup(NAV_MAX_TRACKS, nullptr, nullptr, nullptr));
  EXPECT_EQ(NAV_EDIT_NONE, T_NAV_EDIT_eState());
}

TEST_F(TrackEditor, ValuesStopAtTheirEndsAndSaveStoresNameAndAppearance) {
  Open();
  Pad(CURSOR_EAST);  // into the name
  Pad(CURSOR_EAST);
  Pad(CURSOR_EAST);  // a third character, blank until stepped
  Pad(CURSOR_NORTH);
  const char third = s_TrkName.sName[5];
  EXPECT_NE(' ', third);
  for (int i = 0; i < 7; i++) Pad(CURSOR_EAST);  // past the ninth character
  ASSERT_EQ(TRK_EDIT_VISIBILITY, s_TrkEdit.eState);
  Pad(CURSOR_EAST);
  Click();
  Pad(CURSOR_SOUTH);  // already shown
  EXPECT_EQ(-1, Click());
  Pad(CURSOR_NORTH);
  EXPECT_FALSE(s_TrkEdit.bVisible);
  Pad(CURSOR_EAST);  // on to the style row
  Pad(CURSOR_EAST);
  Pad(CURSOR_SOUTH);
  Click();
  Pad(CURSOR_SOUTH);
  EXPECT_EQ(-1, Click());
  EXPECT_EQ(3u, s_TrkEdit.u32Style);
  Pad(CURSOR_EAST);  // wide line: on to the colour row
  ASSERT_EQ(TRK_EDIT_COLOR, s_TrkEdit.eState);
  Pad(CURSOR_EAST);
  s_TrkEdit.u32ActualColor = 0;
  Click();
  Pad(CURSOR_NORTH);
  EXPECT_EQ(-1, Click());
  Pad(CURSOR_SOUTH);
  Pad(CURSOR_SOUTH);
  Pad(CURSOR_EAST);
  ASSERT_EQ(TRK_EDIT_SAVE, s_TrkEdit.eState);
  Pad(CURSOR_EAST);
  EXPECT_EQ(NAV_EDIT_NONE, T_NAV_EDIT_eState());
  const TRACK_HEADER* h = T_NAV_pGetTrackHeader(m_slot);
  EXPECT_EQ(0, memcmp(h->sName, "AB", 2));
  EXPECT_EQ(third, h->sName[2]);
  EXPECT_FALSE(T_NAV_bGetTrackVisibility(m_slot));
  EXPECT_EQ(3u, T_NAV_nGetTrackStyle(m_slot));
  EXPECT_EQ(2u, T_NAV_nGetTrackColor(m_slot));
}

TEST_F(TrackEditor, AnUneditedLongNameStaysWhole) {
  const U16 slot = AddTrack("EVENING RUN HOME");
  ASSERT_TRUE(T_NAV_bSetTrackStyle(slot, TRACK_STYLE_WIDE_LINE));
  ASSERT_TRUE(T_NAV_EDIT_bEditTrackSetup(slot, nullptr, nullptr, nullptr));
  s_TrkEdit.eState = TRK_EDIT_STYLE_VALUE;
  Pad(CURSOR_NORTH);
  T_NAV_vETSave();
  EXPECT_EQ(NAV_EDIT_NONE, T_NAV_EDIT_eState());
  EXPECT_STREQ("EVENING RUN HOME", T_NAV_pGetTrackHeader(slot)->sName);
  EXPECT_EQ(2u, T_NAV_nGetTrackStyle(slot));
}

TEST_F(TrackEditor, ExitAfterAChangeAsksAndTheNoAnswerKeepsTheTrack) {
  Open();
  s_TrkEdit.eState = TRK_EDIT_STYLE;
  Pad(CURSOR_EAST);
  Pad(CURSOR_NORTH);
  Key(HKEY_MASK_EXIT);
  EXPECT_EQ(TRK_EDIT_STYLE, s_TrkEdit.eState);
  Key(HKEY_MASK_EXIT);
  EXPECT_EQ(NAV_EDIT_TRACK, T_NAV_EDIT_eState());
  T_NAV_vETCancel();
  EXPECT_EQ(NAV_EDIT_NONE, T_NAV_EDIT_eState());
  EXPECT_EQ(2u, T_NAV_nGetTrackStyle(m_slot));
  // Save's NORTH skips the colour row of a breadcrumb track.
  ASSERT_TRUE(T_NAV_bSetTrackStyle(m_slot, TRACK_STYLE_BREADCRUMBS));
  ASSERT_TRUE(T_NAV_EDIT_bEditTrackSetup(m_slot, nullptr, nullptr, nullptr));
  s_TrkEdit.eState = TRK_EDIT_SAVE;
  Click();
  Pad(CURSOR_NORTH);
  EXPECT_EQ(TRK_EDIT_STYLE, s_TrkEdit.eState);
  EXPECT_EQ(0, Click());
}

}  // namespace
