// The screens as drawn, against PNGs in golden/.

#include "overlay_test.h"
#include "ui_texts.h"

namespace {

class Pictures : public ot::OverlayTest {
 protected:
  void SetUp() override {
    ot::OverlayTest::SetUp();
    ot::Set("SITF", F_12HOUR);
    ot::Set("SIDF", F_DDMMYY);
  }
  void Waypoints(U32 count) {
    for (U32 i = 0; i < count; i++) {
      char name[24];
      snprintf(name, sizeof name, "SPOT %02u", (unsigned)i);
      // Around 45N 5W, a minute apart, created a day apart from 2020-01-01.
      ot::PutWaypoint(i, name, -556597 + (S32)i * 1853, 5591295 + (S32)i * 2620, 1577880000u + i * 86400u);
    }
  }
};

TEST_F(Pictures, PointPickerWithNothingStored) {
  T_NAV_EDIT_bSelectTWRPointSetup(nullptr, nullptr, Select_Point_to_Go_To, TRUE, FALSE, FALSE);
  EXPECT_TRUE(ot::MatchesGolden("point-picker-empty", ot::Picture()));
}

TEST_F(Pictures, WaypointPickerWithThreeOnTheSortRow) {
  Waypoints(3);
  ASSERT_TRUE(T_NAV_EDIT_bSelectWaypointSetup(nullptr, nullptr, Select_Waypoint_to_Go_To, TRUE));
  EXPECT_TRUE(ot::MatchesGolden("waypoint-picker-3", ot::Picture()));
}

TEST_F(Pictures, WaypointPickerWithEightScrolledShowsFooterAndDetailsInTheDatum) {
  Waypoints(8);
  ot::Set("SDTM", 1);
  ASSERT_TRUE(T_NAV_EDIT_bSelectWaypointSetup(nullptr, nullptr, Select_Waypoint_To_Move_Cursor_To, TRUE));
  for (int i = 0; i < 7; i++) ot::Pad(CURSOR_SOUTH);
  EXPECT_TRUE(ot::MatchesGolden("waypoint-picker-8-bottom", ot::Picture()));
  for (int i = 0; i < 3; i++) ot::Pad(CURSOR_NORTH);
  EXPECT_TRUE(ot::MatchesGolden("waypoint-picker-8-middle", ot::Picture()));
}

TEST_F(Pictures, ALongNameWidensThePicker) {
  Waypoints(2);
  ot::PutWaypoint(1, "WWWWWWWWWWWW", 0, 0, 1577880000u);
  ASSERT_TRUE(T_NAV_EDIT_bSelectWaypointSetup(nullptr, nullptr, Select_Waypoint_to_Target, TRUE));
  ot::Pad(CURSOR_SOUTH);
  EXPECT_TRUE(ot::MatchesGolden("waypoint-picker-wide", ot::Picture()));
}

TEST_F(Pictures, TrackScreens) {
  T_NAV_EDIT_vCurrentTrackAppearanceSetup();
  EXPECT_TRUE(ot::MatchesGolden("track-current", ot::Picture()));
  ot::Set("SNDS", 2);
  ot::Set("SNRC", 16);
  T_NAV_EDIT_vTrackDefaultsSetup();
  ot::Pad(CURSOR_SOUTH);
  ot::Pad(CURSOR_SOUTH);
  EXPECT_TRUE(ot::MatchesGolden("track-defaults-random", ot::Picture()));
}

}  // namespace
