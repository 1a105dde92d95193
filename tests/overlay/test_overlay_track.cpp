// The track appearance screens: rows, steps at the ends of the ranges, and
// which settings a save writes.

#include "h_database.h"
#include "overlay_test.h"

namespace {

using ot::Click;
using ot::Key;
using ot::Pad;

class TrackScreens : public ot::OverlayTest {};

// Which settings were written since SetUp: a database of recorded keys.
bool Present(const char (&pcKey)[5]) { return H_DATABASE_bFetch(FCID(pcKey), nullptr, nullptr, nullptr); }

TEST_F(TrackScreens, WestOnWhitePicksRandomAndSaveWritesBothColourKeys) {
  ot::Set("SNDS", 2);
  ot::Set("SNRC", 15);
  ot::Set("SNDC", 15);
  T_NAV_EDIT_vTrackDefaultsSetup();
  Pad(CURSOR_SOUTH);
  Pad(CURSOR_SOUTH);
  ASSERT_EQ(TRK_EDIT_COLOR, s_TrkEdit.eState);
  Click();
  EXPECT_TRUE(Pad(CURSOR_WEST));
  EXPECT_TRUE(s_TrkEdit.bUseRandomColor);
  EXPECT_EQ(1, Click());
  EXPECT_TRUE(Pad(CURSOR_WEST));
  EXPECT_EQ(-1, Click());
  Pad(CURSOR_SOUTH);
  EXPECT_TRUE(Pad(CURSOR_EAST));
  EXPECT_EQ(NAV_EDIT_NONE, T_NAV_EDIT_eState());
  EXPECT_EQ(16u, ot::Setting("SNRC"));
  EXPECT_LE(ot::Setting("SNDC"), 14u);
  EXPECT_EQ(2u, ot::Setting("SNDS"));
}

TEST_F(TrackScreens, EastFromRandomGivesWhite) {
  ot::Set("SNDS", 1);
  ot::Set("SNRC", 16);
  T_NAV_EDIT_vTrackDefaultsSetup();
  s_TrkEdit.eState = TRK_EDIT_COLOR;
  EXPECT_TRUE(Pad(CURSOR_EAST));
  EXPECT_FALSE(s_TrkEdit.bUseRandomColor);
  EXPECT_EQ(15u, s_TrkEdit.u32ColorSetting);
  EXPECT_EQ(15u, s_TrkEdit.u32ActualColor);
}

TEST_F(TrackScreens, ChangingOnlyTheStyleWritesOnlyTheStyle) {
  T_NAV_EDIT_vCurrentTrackAppearanceSetup();
  ASSERT_TRUE(s_TrkEdit.bVisible);  // SCTV unreadable: shown
  EXPECT_EQ(3u, s_TrkEdit.u32Style);
  Pad(CURSOR_SOUTH);
  EXPECT_TRUE(Pad(CURSOR_WEST));
  Pad(CURSOR_SOUTH);
  Pad(CURSOR_SOUTH);
  ASSERT_EQ(TRK_EDIT_SAVE, s_TrkEdit.eState);
  Pad(CURSOR_EAST);
  EXPECT_EQ(2u, ot::Setting("SNCP"));
  EXPECT_FALSE(Present("SNCC"));
  EXPECT_FALSE(Present("SCTV"));
}

TEST_F(TrackScreens, ColourStepsStopAtTheEndsOfTheRange) {
  struct {
    U32 colour;
    CURSOR_POSITION cursor;
    U32 after;
    int click;
  } const steps[] = {{0, CURSOR_EAST, 0, -1}, {15, CURSOR_WEST, 15, -1}, {0, CURSOR_WEST, 1, 1}, {15, CURSOR_EAST, 14, 1}};
  for (const auto& s : steps) {
    ot::Set("SNCC", s.colour);
    T_NAV_EDIT_vCurrentTrackAppearanceSetup();
    s_TrkEdit.eState = TRK_EDIT_COLOR;
    Click();
    Pad(s.cursor);
    EXPECT_EQ(s.after, s_TrkEdit.u32ActualColor) << s.colour;
    EXPECT_EQ(s.click, Click()) << s.colour;
  }
}

TEST_F(TrackScreens, HidingTheCurrentTrackDropsStyleAndColourRows) {
  T_NAV_EDIT_vCurrentTrackAppearanceSetup();
  EXPECT_TRUE(Pad(CURSOR_WEST));
  EXPECT_FALSE(s_TrkEdit.bVisible);
  Pad(CURSOR_SOUTH);
  EXPECT_EQ(TRK_EDIT_SAVE, s_TrkEdit.eState);
  Pad(CURSOR_NORTH);
  EXPECT_EQ(TRK_EDIT_VISIBILITY, s_TrkEdit.eState);
  // The defaults screen keeps its style row when hidden.
  ot::Set("SNDV", 0);
  ot::Set("SNDS", 0);
  T_NAV_EDIT_vTrackDefaultsSetup();
  Pad(CURSOR_SOUTH);
  EXPECT_EQ(TRK_EDIT_STYLE, s_TrkEdit.eState);
  Pad(CURSOR_SOUTH);  // breadcrumbs: no colour row
  EXPECT_EQ(TRK_EDIT_SAVE, s_TrkEdit.eState);
}

TEST_F(TrackScreens, ExitAfterAChangeAsksAndTheSaveAnswerWritesTheDefaults) {
  ot::Set("SNDV", 0xFFFFFFFF);
  T_NAV_EDIT_vTrackDefaultsSetup();
  Pad(CURSOR_WEST);
  Pad(CURSOR_EAST);  // changed and changed back: still dirty
  Click();
  EXPECT_TRUE(Key(HKEY_MASK_EXIT));
  EXPECT_EQ(NAV_EDIT_TRACK_DEFAULT, T_NAV_EDIT_eState());
  EXPECT_EQ(1, Click());
  T_NAV_vEDTSave();
  EXPECT_EQ(NAV_EDIT_NONE, T_NAV_EDIT_eState());
  EXPECT_EQ(0xFFFFFFFFu, ot::Setting("SNDV"));
  // A second answer finds the screen closed and does nothing.
  ot::Set("SNDV", 0);
  T_NAV_vEDTSave();
  EXPECT_EQ(0u, ot::Setting("SNDV"));
}

}  // namespace
