// The chart task and the plan chart: palettes, the zoom rules, the GPS
// texts, the reuse of the background, exact frames, and random stores that
// must neither fault nor draw outside the pane.

#include "chart_test.h"
#include "font_test.h"
#include "u_language.h"
#include "ui_texts.h"

namespace {

TEST_F(Chart, PaletteNoticeSwitchesBothSectionsAndAsksForARedraw) {
  SetU("SPAL", PALETTE3);
  T_CHART_vStartUp();
  EXPECT_EQ(acNavPaletteBlackBackground[4], gCOLOR_pcolColorTable[100]);
  EXPECT_EQ(acCartographyPaletteBlackBackground[16], gCOLOR_pcolColorTable[164]);
  L_SEMA_SetPending(SEMA_VIEW_UPDATE);
  SetU("SPAL", PALETTE2);
  T_CHART_vHandleMail();
  EXPECT_EQ(0xFFFF, gCOLOR_pcolColorTable[100]);
  EXPECT_EQ(acCartographyPaletteWhiteBackground[16], gCOLOR_pcolColorTable[164]);
  EXPECT_EQ(0, L_SEMA_WaitTicks(SEMA_VIEW_UPDATE, 1));
  SetU("SPAL", PALETTE3);
  T_CHART_vHandleMail();
  EXPECT_EQ(0x0000, gCOLOR_pcolColorTable[100]);
  // The background and the grid differ from the marks drawn on them.
  EXPECT_NE(gCOLOR_pcolColorTable[100], gCOLOR_pcolColorTable[148 + 32]);
  EXPECT_NE(gCOLOR_pcolColorTable[100], gCOLOR_pcolColorTable[148 + 16]);
}

TEST_F(Chart, ZoomRules) {
  const POINT boat = {1000, kY}, near = {1001, kY};
  EXPECT_EQ(11, T_CHART_sGetAutoRangeScale(&boat, &near, 800, 480));
  // A 2 km leg across the 180th meridian zooms as one anywhere else.
  const POINT east = {NV_X_LIMIT - 1000, kY}, west = {-NV_X_LIMIT + 1000, kY};
  const POINT a = {0, kY}, b = {2000, kY};
  EXPECT_EQ(T_CHART_sGetAutoRangeScale(&a, &b, 800, 480), T_CHART_sGetAutoRangeScale(&east, &west, 800, 480));
  EXPECT_EQ(T_CHART_sGetAutoRangeScale(&a, &b, 800, 480), T_CHART_sGetAutoRangeScale(&west, &east, 800, 480));
  const POINT far = {NV_X_LIMIT, NV_Y_LIMIT}, farOther = {0, -NV_Y_LIMIT};
  EXPECT_EQ(23, T_CHART_sGetAutoRangeScale(&far, &farOther, 800, 480));
  // Speed bands in miles an hour, the speed in metres a second.
  const double mph = 1.609344 / 3.6;
  EXPECT_EQ(0, T_CHART_s32SpeedZoom((float)(5.9 * mph)));
  EXPECT_EQ(13, T_CHART_s32SpeedZoom((float)(6.0 * mph)));
  EXPECT_EQ(13, T_CHART_s32SpeedZoom((float)(19.9 * mph)));
  EXPECT_EQ(14, T_CHART_s32SpeedZoom((float)(20.5 * mph)));
  EXPECT_EQ(14, T_CHART_s32SpeedZoom((float)(48.9 * mph)));
  EXPECT_EQ(15, T_CHART_s32SpeedZoom((float)(49.5 * mph)));
  // The rulers: kilometres, nautical miles with feet, statute miles.
  SetU("SUDS", U_KM);
  EXPECT_EQ(500u, T_NAV_pGetScaleBarLengths(15)->nMeters);
  SetU("SUDS", U_NAUT_MILES_FT);
  EXPECT_STREQ("0.25", T_NAV_pGetScaleBarLengths(15)->sNumber);
  EXPECT_EQ(463u, T_NAV_pGetScaleBarLengths(15)->nMeters);
  SetU("SUDS", U_STAT_MILES);
  EXPECT_STREQ("20", T_NAV_pGetScaleBarLengths(21)->sNumber);
  EXPECT_STREQ("10", T_NAV_pGetScaleBarLengths(20)->sNumber);
}

// The ruler's label at the left edge names its unit as the language writes
// it, 8-bit (German nautical miles are "sm") or wide, from the first frame
// after the language changes.
TEST_F(Chart, TheRulerNamesItsUnitInTheLanguage) {
  Boat(0, kY);
  Set("SNCS", 15);
  SetU("SUDS", U_NAUT_MILES_FT);
  const std::pair<LANGUAGE, const char*> cases[] = {{LANGUAGE_GERMAN, "ruler_de"},
                                                    {LANGUAGE_ENGLISH_UNICODE, "ruler_wide"}};
  for (const auto& [language, name] : cases) {
    SetLanguageAndFontSet(language);
    Mail();
    Draw();
    const GOLDEN_PICTURE label = {G_SPAN_pcolAt(m_pPage, 0, 252), 130, 25, m_pPage->__u32PixelWidthOfBuffer};
    EXPECT_TRUE(GOLDEN_Match(std::string(NAV_GOLDEN_DIR "/chart_") + name + ".png", label));
  }
  SetLanguageAndFontSet(LANGUAGE_ENGLISH);
}

// The chart's distance labels (ruler, course projection, proximity flags)
// are a number and the unit as the language writes it, in its form; a short
// buffer cuts whole characters and still ends the text.
TEST_F(Chart, DistanceLabelsJoinTheNumberAndTheLanguagesUnit) {
  char out[40];
  SetLanguage(LANGUAGE_GERMAN);
  T_NAV_vNumberAndUnit(out, sizeof out, "0.25", " ", nm);
  EXPECT_STREQ("0.25 sm", out) << "German writes the nautical mile sm";
  SetLanguage(LANGUAGE_ENGLISH_UNICODE);
  T_NAV_vNumberAndUnit(out, sizeof out, "12", "", ft);
  EXPECT_EQ(u"12ft", Units(out));
  T_NAV_vNumberAndUnit(out, 8, "1500", "", ft);
  EXPECT_EQ(u"150", Units(out)) << "three units and the end mark";
  SetLanguage(LANGUAGE_ENGLISH);
}

TEST_F(Chart, UnreadableOrientationFillsTheBackgroundOnly) {
  Boat(0, kY);
  H_DATABASE_vDeleteEntry(FCID("SCUV"));
  Draw();
  const COLOR bg = gCOLOR_pcolColorTable[100];
  for (S32 y = 0; y < 480; y += 7) {
    for (S32 x = 0; x < 800; x += 3) ASSERT_EQ(bg, At(x, y)) << x << "," << y;
  }
}

TEST_F(Chart, GPSTextsAfterEightFrames) {
  Alarms();
  for (int i = 0; i < 8; i++) Draw();
  EXPECT_EQ("", Raised());
  Draw();
  EXPECT_EQ("[No GPS Receiver Connected]", Raised());
  for (int i = 0; i < 20; i++) Draw();
  EXPECT_EQ("", Raised());
  // A receiver without a complete fix.
  Boat(0, kY);
  SetU("IPFI", 0);
  for (int i = 0; i < 8; i++) Draw();
  EXPECT_EQ("[No GPS Position Fix]", Raised());
  EXPECT_EQ(2, T_CHART_nGPSState());
  EXPECT_TRUE(T_CHART_bGPSNoFix());
  SetU("IPFI", 2);
  Draw();
  EXPECT_EQ(3, T_CHART_nGPSState());
  EXPECT_FALSE(T_CHART_bGPSNoFix());
}

TEST_F(Chart, BackgroundIsReusedWhileTheCentreStaysWithinHalfAPixel) {
  Boat(0, kY);
  Set("SNCS", 20);  // 4,096 / 2^20 pixels a metre: half a pixel is 128 m
  Draw();
  const std::vector<COLOR> first = Pixels();
  // A reused frame copies its saved background: a changed background colour
  // does not show.
  const COLOR saved = gCOLOR_pcolColorTable[100];
  gCOLOR_pcolColorTable[100] = 0x1234;
  Boat(127, kY + 127);
  Draw();
  EXPECT_EQ(first, Pixels());
  Boat(128, kY);
  Draw();
  EXPECT_EQ(0x1234, At(799, 479));
  gCOLOR_pcolColorTable[100] = saved;
  // Another pane never takes this pane's background.
  Boat(128, kY);
  m_spec.currentLayer = (LAYER_ID)53;
  Draw();
  EXPECT_EQ(saved, At(799, 479));
}

TEST_F(Chart, GridOnWholeMinutesAtZoom17) {
  // The boat on 41 N 70 W: the whole-degree lines cross the centre.
  POSITION pos = {41.0, -70.0};
  POINT pt;
  ASSERT_EQ(NV_OK, nv_DegrToMeter(&pos, &pt));
  Boat(pt.x, pt.y);
  Draw();
  EXPECT_TRUE(GOLDEN_MatchBitmap(NAV_GOLDEN_DIR "/chart_grid_z17.png", m_pPage));
  EXPECT_EQ(gCOLOR_pcolColorTable[148 + 16], At(400, 100));
  EXPECT_EQ(gCOLOR_pcolColorTable[148 + 16], At(100, 240));
}

// A test card: a route across 180 degrees, a track with a gap, waypoints
// with long names, the boat moving.
TEST_F(Chart, TestCard) {
  for (U32 pal : {PALETTE1, PALETTE3}) {
    SetU("SPAL", pal);
    T_CHART_vLoadPalettes(pal);
    T_CHART_vReRenderAll();
    const S32 x0 = NV_X_LIMIT - 1500;
    Boat(x0, kY, 45.0f, 5.0f);
    Set("SNCS", 13);
    const U16 w1 = Waypoint(x0 - 800, kY + 300, "Westpoint");
    const U16 w2 = Waypoint(-NV_X_LIMIT + 600, kY - 200, "Eastern Harbour");
    TwoPointRoute(0, w1, w2);
    TRACK* pTrack = &g_NAV.CurrentTrack;
    U_NAV_vClearTrack(&pTrack->sHeader);
    for (int i = 0; i < 20; i++) U_NAV_vAddTrackPoint(pTrack, {x0 - 1200 + 40 * i, kY - 300}, 0, FALSE);
    for (int i = 0; i < 20; i++) U_NAV_vAddTrackPoint(pTrack, {x0 - 1200 + 40 * i, kY - 500}, 0, i == 0);
    SetU("SNCP", 2);
    SetU("SNCC", 12);
    H_DATABASE_bUpdateEverythingBoolean(FCID("SNUP"), TRUE, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
    Draw();
    EXPECT_TRUE(GOLDEN_MatchBitmap(std::string(NAV_GOLDEN_DIR "/chart_card_") + (pal == PALETTE1 ? "white" : "black") +
                                       ".png",
                                   m_pPage));
    T_NAV_vDeleteAllTracksWaypointsRoutes(TRUE);
  }
}

}  // namespace
