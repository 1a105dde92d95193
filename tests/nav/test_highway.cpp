// The highway view: what it shows without a zoom or fix, when it keeps its
// background, its grid colours, the perspective lines and dots, exact
// frames of a full scene, the split panes keeping apart, and random scenes
// that must stay inside the window.

#include <math.h>

#include <functional>
#include <random>

#include "../nmea/ais_sentences.h"
#include "chart_test.h"
#include "g_bmp.h"
#include "g_box.h"
#include "g_iconset.h"
#include "gr_context.h"
#include "t_chart_overlay.h"
#include "t_highway.h"
#include "t_info.h"
#include "t_nmea_ais.h"
#include "track_scan.h"

namespace {

U32 s_u32HighwayAisClock = 100000;

constexpr WINDOW_LOCATION kFull = {0, 479, 799, 0};
constexpr WINDOW_LOCATION kLeft = {0, 479, 399, 0};
constexpr WINDOW_LOCATION kRight = {400, 479, 799, 0};

class Highway : public Chart {
 public:
  POINT m_boat{};
  POSITION m_pos{};

  void SetUp() override {
    Chart::SetUp();
    T_CHART_vResetHighway();
    U_CONVERT_vInitialiseConversionUtility();
    T_NMEA_vSetAisClock([] { return s_u32HighwayAisClock; });
    T_NMEA_vAisInit();
    m_spec.currentLayer = (LAYER_ID)56;
    Set("SNBS", 17);
    SetU("SUDS", U_KM);
    m_pos = {41.0004, -70.0004};
    ASSERT_EQ(NV_OK, nv_DegrToMeter(&m_pos, &m_boat));
    Boat(m_boat.x, m_boat.y);
  }
  void TearDown() override {
    T_NMEA_vSetAisClock(nullptr);
    Chart::TearDown();
  }
  static void SetB(const char (&key)[5], BOOLEAN b) {
    H_DATABASE_bUpdateEverythingBoolean(FCID(key), b, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  }
  void Pane(S32 layer, SPLIT_WINDOW_TYPE pane, WINDOW_LOCATION w) {
    m_spec.currentLayer = (LAYER_ID)layer;
    m_spec.drawWindowType = pane;
    m_spec.drawWindow = w;
  }
  void DrawHighway() { T_CHART_vDrawHighwayView(m_pPage, &m_spec); }
  std::vector<COLOR> Frame() {
    DrawHighway();
    return Pixels();
  }
  std::vector<COLOR> Frame2() {
    Draw();
    return Pixels();
  }
  // The split's highway pane and chart pane.
  ::testing::AssertionResult Split(const std::string& golden) {
    Pane(54, SPLIT_LEFT_WINDOW, kLeft);
    DrawHighway();
    Pane(54, SPLIT_RIGHT_WINDOW, kRight);
    Draw();
    return GOLDEN_MatchBitmap(NAV_GOLDEN_DIR "/" + golden + ".png", m_pPage);
  }
  void FullAndSplit(const std::string& full, const std::string& split) {
    Pane(56, SPLIT_FULL_WINDOW, kFull);
    DrawHighway();
    EXPECT_TRUE(GOLDEN_MatchBitmap(NAV_GOLDEN_DIR "/" + full + ".png", m_pPage));
    EXPECT_TRUE(Split(split));
  }
  // A position d metres from the boat on bearing a degrees.
  POINT Ahead(double d, double a) const {
    const double r = a * M_PI / 180.0;
    return {m_boat.x + (S32)lrint(d * sin(r)), m_boat.y + (S32)lrint(d * cos(r))};
  }
  S32 Count(COLOR c) const {
    S32 n = 0;
    for (S32 y = 0; y < 480; y++) {
      for (S32 x = 0; x < 800; x++) n += At(x, y) == c;
    }
    return n;
  }

  // A frame's view state drawn straight into the page, for the lines.
  NAV_VIEW_INFO View(S32 zoom, float heading) {
    NAV_VIEW_INFO v;
    memset(&v, 0, sizeof v);
    m_pPage->s32ClipLeft = 0;
    m_pPage->s32ClipRight = 799;
    m_pPage->s32ClipBottom = 0;
    m_pPage->s32ClipTop = 479;
    v.pBitmap = m_pPage;
    gr_InitGC(&v.GrContext, (SINT)m_pPage->__u32PixelWidthOfBuffer, m_pPage->pixels_high_full_screen,
              m_pPage->pBuffer);
    gr_SetClipArea(&v.GrContext, 0, 0, 800, 480);
    gr_SetColorPalette(&gCOLOR_pcolColorTable[T_CHART_CHART_PALETTE_START]);
    v.ptBoatMM = v.ptCenterMM = m_boat;
    v.fHeading = v.fBoatHeading = heading;
    v.nChartScale = zoom;
    gr_ResetRotationContext(&v.RotContext);
    gr_SetRotationAngle(&v.RotContext, heading);
    T_CHART_vCalculateHighwayParameters(&v, 0, 799, 56);
    gr_SetColor(&v.GrContext, (S32)(0x80000000u | 0xF800u));
    G_BMP_vSet(m_pPage, 0);
    return v;
  }
  // The box round every pixel that is not black: {x0, y0, x1, y1}, or
  // x0 > x1 when there is none.
  std::array<S32, 4> Drawn() const {
    std::array<S32, 4> b = {800, 480, -1, -1};
    for (S32 y = 0; y < 480; y++) {
      for (S32 x = 0; x < 800; x++) {
        if (At(x, y) == 0) continue;
        b = {std::min(b[0], x), std::min(b[1], y), std::max(b[2], x), std::max(b[3], y)};
      }
    }
    return b;
  }

  // Route A-B-C navigated from the stored route A-D-B-C (D skipped), a
  // current and a saved track, four AIS targets.
  void Scene(double scale) {
    const U16 a = Waypoint(Ahead(900 * scale, 10).x, Ahead(900 * scale, 10).y, "Alpha");
    const U16 d = Waypoint(Ahead(1800 * scale, -40).x, Ahead(1800 * scale, -40).y, "Delta");
    const U16 b = Waypoint(Ahead(2600 * scale, 15).x, Ahead(2600 * scale, 15).y, "Bravo");
    const U16 c = Waypoint(Ahead(4200 * scale, 40).x, Ahead(4200 * scale, 40).y, "Charlie");
    Waypoint(Ahead(3000 * scale, -15).x, Ahead(3000 * scale, -15).y, "Temp", WPT_STATUS_TEMPORARY);
    ROUTE* pStored = T_NAV_pGetRoute(0);
    memset(pStored, 0, sizeof *pStored);
    pStored->nCount = 4;
    pStored->u32DateTime = 1;
    const U16 stored[] = {a, d, b, c};
    memcpy(pStored->anWaypoint, stored, sizeof stored);
    ROUTE* pRoute = &g_NAV.CurrentRoute;
    memset(pRoute, 0, sizeof *pRoute);
    pRoute->nCount = 3;
    const U16 nav[] = {a, b, c};
    memcpy(pRoute->anWaypoint, nav, sizeof nav);
    g_NAV.s32CurrentRoute = 0;
    g_NAV.aptRoutePoint[0] = m_boat;
    for (int i = 0; i < 3; i++) g_NAV.aptRoutePoint[i + 1] = T_NAV_pGetWaypoint(nav[i])->pt;
    g_NAV.nRoutePointUsed = 4;
    g_NAV.nRoutePointTarget = 2;
    for (int i = 0; i <= 12; i++) {
      const POINT p = Ahead((1500 - 120 * i) * scale, -60 + 4 * i);
      U_NAV_vAddTrackPoint(&g_NAV.CurrentTrack, p, 0, i == 7);
    }
    std::unique_ptr<TRACK> saved(new TRACK());
    U_NAV_vClearTrack(&saved->sHeader);
    for (int i = 0; i <= 10; i++) U_NAV_vAddTrackPoint(saved.get(), Ahead((800 + 300 * i) * scale, 55 - 3 * i), 0, 0);
    ASSERT_NE(65535, T_NAV_nAddTrack(saved.get(), 1, nullptr, TRUE));
    SetB("SAIS", TRUE);
    int n = 0;
    for (double bearing : {-25.0, 0.0, 25.0, 50.0}) {
      POSITION p;
      const POINT at = Ahead(3500 * scale, bearing);
      ASSERT_EQ(NV_OK, nv_MeterToDegr(&at, &p));
      aist::Feed(aist::Type1(366000100 + n++, p.lat, p.lon, 10, 90));
    }
    ((ais_DeviceInfo*)aist::Held(366000101))->bAisAlarmActive = TRUE;
    // Rings round Charlie, a trolling grid on Delta, an anchor circle, and
    // arrival circle and corridor on the leg to Bravo.
    Set("ITWP", c);
    Set("IGWP", d);
    SetF("SNGA", 20.0f);
    SetF("CNDA", (float)(300 * scale));
    const POINT anchor = Ahead(1200 * scale, -20);
    Set("IDLT", anchor.y);
    Set("IDLN", anchor.x);
    Set("INIP", 1);
    SetF("SNAA", (float)(150 * scale));
    SetF("SNAO", (float)(100 * scale));
    SetF("ITRK", 15.0f);
  }
};

// A ship's pin carries the name the chart and the list give it: its call
// sign only until a name is known.
TEST_F(Highway, AShipsPinShowsItsNameOnceKnownElseItsCallSign) {
  Set("SNCS", 17);
  SetB("SAIS", TRUE);
  POSITION p;
  const POINT at = Ahead(2000, 0);
  ASSERT_EQ(NV_OK, nv_MeterToDegr(&at, &p));
  const U32 mmsi = 366000200;
  const auto frame = [&](const std::string& report) {
    T_NMEA_vAisInit();
    aist::Feed(aist::Type1(mmsi, p.lat, p.lon, 0, 0));
    aist::Feed(report);
    return Frame();
  };
  EXPECT_EQ(frame(aist::Type5(mmsi, "TEST", "SEA STAR")), frame(aist::Type5(mmsi, "OTHER", "SEA STAR")));
  EXPECT_NE(frame(aist::Type5(mmsi, "TEST", "SEA STAR")), frame(aist::Type5(mmsi, "TEST", "SEA WOLF")));
  EXPECT_NE(frame(aist::Type24B(mmsi, "TEST")), frame(aist::Type24B(mmsi, "OTHER")));
}

TEST_F(Highway, NoZoomOrFixShowsColour100AndTheCursorNeedsItsHeading) {
  H_DATABASE_vDeleteEntry(FCID("SNBS"));
  DrawHighway();
  EXPECT_EQ(800 * 480, Count(gCOLOR_pcolColorTable[100]));
  Set("SNBS", 17);
  const std::vector<COLOR> boatView = Frame();
  EXPECT_NE(800 * 480, Count(gCOLOR_pcolColorTable[100]));
  SetB("ICAC", TRUE);
  Set("ICLT", m_boat.y + 3000);
  Set("ICLN", m_boat.x - 2000);
  EXPECT_EQ(boatView, Frame());
  SetF("ICHD", 90.0f);
  EXPECT_NE(boatView, Frame());
}

TEST_F(Highway, TinyTurnsKeepTheBackgroundTurnsAndZoomsRedrawIt) {
  SetF("IHDC", 10.0f);
  const std::vector<COLOR> first = Frame();
  SetF("IHDC", 10.00005f);
  EXPECT_EQ(first, Frame());
  SetF("IHDC", 10.5f);
  EXPECT_NE(first, Frame());
  SetF("IHDC", 10.0f);
  EXPECT_EQ(first, Frame());
  Set("SNBS", 18);
  EXPECT_NE(first, Frame());
  // A palette change must not bring back the old colours.
  Set("SNBS", 17);
  T_CHART_vLoadPalettes(PALETTE3);
  EXPECT_NE(first, Frame());
}

TEST_F(Highway, GridLinesByDegreeMinuteAndFraction) {
  // Three colours found nowhere else in the frame.
  const COLOR grid[3] = {0x0841, 0x1082, 0x18C3};
  COLOR_vSetColorTableSection(T_CHART_CHART_PALETTE_START + 16, 3, grid);
  struct {
    S32 zoom;
    bool degree, minute, rest;
  } cases[] = {{23, true, false, false}, {17, true, true, false}, {16, true, false, true}};
  for (const auto& c : cases) {
    Set("SNBS", c.zoom);
    DrawHighway();
    EXPECT_EQ(c.degree, Count(grid[0]) > 0) << c.zoom;
    EXPECT_EQ(c.minute, Count(grid[1]) > 0) << c.zoom;
    EXPECT_EQ(c.rest, Count(grid[2]) > 0) << c.zoom;
  }
}

TEST_F(Highway, PerspectiveLines) {
  NAV_VIEW_INFO v = View(17, 0.0f);
  const S32 E = v.nEyeOffsetMM;
  POINT one[1] = {{0, E}};
  T_NAV_vRenderPerspectivePolyLineMM(one, 1, &v);
  EXPECT_GT(Drawn()[0], Drawn()[2]);
  POINT left[2] = {{-3 * E, E}, {-4 * E, 2 * E}};
  T_NAV_vRenderPerspectivePolyLineMM(left, 2, &v);
  EXPECT_GT(Drawn()[0], Drawn()[2]);
  // From behind the eye to a visible point: cut at the near line, so the
  // line starts at the near line's row and runs up to the point.
  POINT behind[2] = {{0, -3 * E}, {0, 2 * E}};
  T_NAV_vRenderPerspectivePolyLineMM(behind, 2, &v);
  const POINT nearEnd = T_NAV_ptPerspectivePixel(&v, {0, -E / 2});
  const POINT farEnd = T_NAV_ptPerspectivePixel(&v, {0, 2 * E});
  const auto box = Drawn();
  EXPECT_NEAR(nearEnd.y < 0 ? 0 : nearEnd.y, box[1], 2);
  EXPECT_NEAR(farEnd.y, box[3], 2);
}

TEST_F(Highway, TracksGapsBoatSegmentAndDots) {
  NAV_VIEW_INFO v = View(17, 0.0f);
  const S32 E = v.nEyeOffsetMM;
  std::unique_ptr<TRACK> t(new TRACK());
  U_NAV_vClearTrack(&t->sHeader);
  // A gap between two pieces across the view is not bridged.
  U_NAV_vAddTrackPoint(t.get(), {m_boat.x - E, m_boat.y + E}, 0, FALSE);
  U_NAV_vAddTrackPoint(t.get(), {m_boat.x - E / 2, m_boat.y + E}, 0, FALSE);
  U_NAV_vAddTrackPoint(t.get(), {m_boat.x + E / 2, m_boat.y + E}, 0, TRUE);
  U_NAV_vAddTrackPoint(t.get(), {m_boat.x + E, m_boat.y + E}, 0, FALSE);
  T_NAV_vRenderPerspectiveTrack(t.get(), &v, FALSE, 2, 1);
  const POINT mid = T_NAV_ptPerspectivePixel(&v, {0, E});
  EXPECT_EQ(0, At(mid.x, mid.y));
  EXPECT_NE(0, At(mid.x - 300, mid.y));
  // One point: a saved track shows nothing, the current track its segment
  // to the boat, unless hidden.
  G_BMP_vSet(m_pPage, 0);
  U_NAV_vClearTrack(&t->sHeader);
  U_NAV_vAddTrackPoint(t.get(), {m_boat.x, m_boat.y + E}, 0, FALSE);
  T_NAV_vRenderPerspectiveTrack(t.get(), &v, FALSE, 2, 1);
  EXPECT_GT(Drawn()[0], Drawn()[2]);
  T_NAV_vRenderPerspectiveTrack(t.get(), &v, TRUE, 2, 1);
  const POINT boat = T_NAV_ptPerspectivePixel(&v, {0, 0});
  EXPECT_NEAR(boat.y, Drawn()[1], 2);
  EXPECT_NEAR(mid.y, Drawn()[3], 2);
  G_BMP_vSet(m_pPage, 0);
  SetB("SCTV", FALSE);
  T_NAV_vRenderPerspectiveTrack(t.get(), &v, TRUE, 2, 1);
  EXPECT_GT(Drawn()[0], Drawn()[2]);
  // Dots: the largest on the bottom row, small ones by the horizon.
  SetB("SCTV", TRUE);
  auto dotWidth = [&](S32 y) {
    G_BMP_vSet(m_pPage, 0);
    U_NAV_vClearTrack(&t->sHeader);
    U_NAV_vAddTrackPoint(t.get(), {m_boat.x, m_boat.y + y}, 0, FALSE);
    T_NAV_vRenderPerspectiveTrack(t.get(), &v, FALSE, 0, 1);
    return Drawn()[2] - Drawn()[0] + 1;
  };
  auto iconWidth = [&](const ICON* pIcon) {
    G_BMP_vSet(m_pPage, 0);
    const POINT at = {100, 100};
    G_ICON_vPut(m_pPage, pIcon, &at);
    return Drawn()[2] - Drawn()[0] + 1;
  };
  EXPECT_EQ(iconWidth(&Wpt_Save11), dotWidth(-370));
  EXPECT_LE(dotWidth(4 * E - 10), iconWidth(&Wpt_Save2));
}

TEST_F(Highway, SkippedLegsAndTheBoatLyingOnTheGround) {
  NAV_VIEW_INFO v = View(17, 0.0f);
  const S32 E = v.nEyeOffsetMM;
  const U16 a = Waypoint(m_boat.x, m_boat.y + E, "A");
  const U16 b = Waypoint(m_boat.x + E / 2, m_boat.y + 2 * E, "B");
  ROUTE r;
  memset(&r, 0, sizeof r);
  r.nCount = 2;
  r.anWaypoint[0] = a;
  r.anWaypoint[1] = b;
  g_NAV.CurrentRoute = r;
  T_NAV_vRenderPerspectiveSkipedLeg(&r, &v);
  EXPECT_GT(Drawn()[0], Drawn()[2]);
  g_NAV.CurrentRoute.anWaypoint[1] = a;
  T_NAV_vRenderPerspectiveSkipedLeg(&r, &v);
  EXPECT_LE(Drawn()[0], Drawn()[2]);
  // The arrow's rows are pressed harder from its top at row 241 upwards.
  auto boatHeight = [&](S32 y0) {
    v.CenterOffset.y += y0 - (T_NAV_ptPerspectivePixel(&v, {0, 0}).y - (S32)(16 * 0.70710677));
    G_BMP_vSet(m_pPage, 0);
    T_NAV_vRenderPerspectiveBoat(&v);
    return Drawn()[3] - Drawn()[1] + 1;
  };
  const S32 h240 = boatHeight(240), h241 = boatHeight(241);
  EXPECT_GT(h240, h241 + 4);
  EXPECT_GT(h241, 5);
}

// Exact frames of the full scene, full screen and in the split beside the
// chart, north up at zoom 17 and with a cursor turned view at zoom 23.
TEST_F(Highway, SceneFrames) {
  Set("SNCS", 17);
  Scene(0.6);
  FullAndSplit("highway_z17", "highway_split54_z17");
}

TEST_F(Highway, CursorFramesInTheBlackPalette) {
  Set("SNCS", 23);
  Set("SNBS", 23);
  SetU("SPAL", PALETTE3);
  T_CHART_vLoadPalettes(PALETTE3);
  Scene(40.0);
  SetB("ICAC", TRUE);
  const POINT c = Ahead(30000, 20);
  Set("ICLT", c.y);
  Set("ICLN", c.x);
  SetF("ICHD", 35.0f);
  SetF("ICHH", 0.0f);
  FullAndSplit("highway_z23_cursor_black", "highway_split54_z23_cursor_black");
}

TEST_F(Highway, CursorFramesAtZoom17) {
  Set("SNCS", 17);
  Scene(0.6);
  SetB("ICAC", TRUE);
  const POINT c = Ahead(700, -10);
  Set("ICLT", c.y);
  Set("ICLN", c.x);
  SetF("ICHD", 300.0f);
  SetF("ICHH", 0.0f);
  // The split on screen: its plan pane outlines the cursor's view.
  Set("CVEW", 54);
  SetB("SPVO", TRUE);
  FullAndSplit("highway_z17_cursor", "highway_split54_z17_cursor");
}

TEST_F(Highway, BoatFramesAtZoom23) {
  Set("SNCS", 23);
  Set("SNBS", 23);
  Scene(40.0);
  FullAndSplit("highway_z23", "highway_split54_z23");
}

// A big-digits column 300 wide moves the vanishing point and narrows the
// scale of both the full view and the split pane.
TEST_F(Highway, FramesBesideTheBigDigitsColumn) {
  Set("SNCS", 17);
  Scene(0.6);
  Set("CVEW", ZOLT_DIGIT_VIEW_PRIORITY);
  ASSERT_EQ(300u, T_INFO_u32XOrigin());
  FullAndSplit("highway_z17_column300", "highway_split54_z17_column300");
}

// The plan pane's outline is the ground the bird's-eye pane shows: its near
// corners fall on that pane's bottom corners and its far arc on the horizon
// between the pane's sides. It shows only in the split views when SPVO asks.
TEST_F(Highway, OutlineOfTheBirdsEyePane) {
  const float kHeading = 30.0f;
  Boat(m_boat.x, m_boat.y, kHeading);
  Set("CVEW", 54);
  SetB("SPVO", TRUE);
  Set("SNCS", 16);
  Pane(54, SPLIT_LEFT_WINDOW, kLeft);
  DrawHighway();
  NAV_VIEW_INFO plan{};
  plan.ptBoatMM = plan.ptCenterMM = m_boat;
  plan.fBoatHeading = kHeading;
  POINT outline[20];
  const S32 n = T_NAV_nBuild3DViewOutline(&plan, outline);
  ASSERT_GE(n, 5);
  EXPECT_EQ(outline[0].x, outline[n - 1].x);
  EXPECT_EQ(outline[0].y, outline[n - 1].y);
  NAV_VIEW_INFO bird{};
  bird.nChartScale = 17;
  gr_ResetRotationContext(&bird.RotContext);
  gr_SetRotationAngle(&bird.RotContext, kHeading);
  T_CHART_vCalculateHighwayParameters(&bird, kLeft.s32ClipLeft, kLeft.s32ClipRight, 54);
  std::vector<POINT> px;
  for (S32 i = 0; i < n - 1; i++) px.push_back(T_NAV_ptPerspectivePixel(&bird, outline[i]));
  EXPECT_NEAR(0, px[0].x, 2);
  EXPECT_NEAR(399, px[1].x, 2);
  EXPECT_NEAR(0, px[0].y, 2);
  EXPECT_NEAR(0, px[1].y, 2);
  EXPECT_NEAR(399, px[2].x, 2);
  EXPECT_NEAR(0, px.back().x, 2);
  for (size_t i = 2; i < px.size(); i++) {
    EXPECT_NEAR(px[2].y, px[i].y, 2) << i;
    EXPECT_TRUE(px[i].x >= -2 && px[i].x <= 401) << i << ": " << px[i].x;
  }
  EXPECT_GT(px[2].y, px[0].y + 100);
  // On the plan pane.
  Pane(54, SPLIT_RIGHT_WINDOW, kRight);
  const std::vector<COLOR> shown = Frame2();
  SetB("SPVO", FALSE);
  const std::vector<COLOR> hidden = Frame2();
  EXPECT_NE(shown, hidden);
  SetB("SPVO", TRUE);
  Set("CVEW", 52);
  EXPECT_EQ(hidden, Frame2());
}

// A still boat with equal chart and highway zooms: neither pane may ever be
// shown the other's saved background.
TEST_F(Highway, SplitPanesKeepTheirOwnBackgrounds) {
  Set("SNCS", 17);
  Scene(0.6);
  ASSERT_TRUE(Split("highway_split54_z17"));
  const std::vector<COLOR> both = Pixels();
  for (int frame = 0; frame < 100; frame++) {
    const bool bLeft = frame % 2 == 0;
    const WINDOW_LOCATION w = bLeft ? kLeft : kRight;
    const POINT at = {w.s32ClipLeft, 0};
    G_BOX_vDrawFilled(m_pPage, 0x1234, &at, 400, 480);
    Pane(54, bLeft ? SPLIT_LEFT_WINDOW : SPLIT_RIGHT_WINDOW, w);
    if (bLeft) {
      DrawHighway();
    } else {
      Draw();
    }
    ASSERT_EQ(both, Pixels()) << "frame " << frame;
  }
}

// The overlay keeps each track's steps for a view and passes over runs of
// points beyond the view's reach; what it draws must be what a walk through
// every point draws, before and after the track grows, in every style.
TEST_F(Highway, KeptTracksDrawWhatAWalkOfEveryPointDraws) {
  CHART_RANDOM random(57);
  const int kRounds = CHART_nRandomRounds(40, "HIGHWAY_TRACK_ROUNDS");
  std::unique_ptr<TRACK> saved(new TRACK());
  for (int round = 0; round < kRounds; round++) {
    const S32 zoom = random.Any(9, 23);
    const S32 E = T_CHART_nCalculateHighwayEyeOffsetMM(zoom);
    NAV_VIEW_INFO v = View(zoom, (float)random.Any(0, 359));
    // Every fourth round the boat sits by the 180th meridian, so that the
    // track crosses the seam and the meridian opposite the view.
    if (round % 4 == 3) v.ptBoatMM = v.ptCenterMM = {NV_X_LIMIT - random.Any(0, 2 * E), m_boat.y};
    auto wander = [&](TRACK* t, S32 n) {
      U_NAV_vClearTrack(&t->sHeader);
      S64 x = v.ptCenterMM.x + random.Any(-8 * E, 8 * E), y = v.ptCenterMM.y + random.Any(-8 * E, 8 * E);
      for (S32 i = 0; i < n; i++) {
        const S32 kind = random.Any(0, 50), step = kind == 0 ? 40000 : kind < 20 ? 2 : E / 16 + 2;
        x += random.Any(-step, step);
        y += random.Any(-step, step);
        if (llabs(y - v.ptCenterMM.y) > 12 * (S64)E) y = v.ptCenterMM.y;
        U_NAV_vAddTrackPoint(t, {U_NAV_nFoldX((S32)x), U_NAV_nClampY((S32)y)}, 0, random.Any(0, 20) == 0);
      }
    };
    const U32 style = (U32)random.Any(0, 3), savedStyle = (U32)random.Any(0, 3);
    SetU("SNCP", style);
    SetU("SNCC", 1);
    wander(&g_NAV.CurrentTrack, random.Any(1, 3000));
    T_NAV_vDeleteAllTracksWaypointsRoutes(TRUE);
    S32 nSaved = -1;
    if (round % 2 == 0) {
      wander(saved.get(), random.Any(2, 3000));
      nSaved = T_NAV_nAddTrack(saved.get(), 1, nullptr, TRUE);
      ASSERT_LT(nSaved, (S32)NAV_MAX_TRACKS);
      T_NAV_vSetTrackVisibility((U32)nSaved, TRUE);
      T_NAV_bSetTrackStyle((U32)nSaved, savedStyle);
    }
    for (int pass = 0; pass < 3; pass++) {
      if (pass == 2) U_NAV_vAddTrackPoint(&g_NAV.CurrentTrack, v.ptCenterMM, 0, FALSE);
      G_BMP_vSet(m_pPage, 0);
      T_NAV_vDrawHighwayOverlay(&v);
      const std::vector<COLOR> kept = Pixels();
      G_BMP_vSet(m_pPage, 0);
      if (nSaved >= 0) {
        T_NAV_vRenderPerspectiveTrack(saved.get(), &v, FALSE, savedStyle, T_NAV_nGetTrackColor((U32)nSaved));
      }
      T_NAV_vRenderPerspectiveTrack(&g_NAV.CurrentTrack, &v, TRUE, style, 1);
      T_NAV_vRenderPerspectiveBoat(&v);
      ASSERT_EQ(Pixels(), kept) << "round " << round << " pass " << pass << " zoom " << zoom << " style " << style;
    }
  }
}

// Points a millimetre or so apart, as a drifting boat logs them, across the
// view and out of it: whole runs of them fall on one pixel, near one dot, or
// beyond a side of the view.
TEST_F(Highway, DenseKeptTracksDrawWhatAWalkOfEveryPointDraws) {
  std::unique_ptr<TRACK> saved(new TRACK());
  for (S32 zoom : {17, 21, 23}) {
    for (U32 style : {0u, 1u, 2u}) {
      const S32 E = T_CHART_nCalculateHighwayEyeOffsetMM(zoom), step = 1 + E / 40000;
      NAV_VIEW_INFO v = View(zoom, 30.0f);
      // Across the view ahead, the boat heading 30 degrees.
      auto drift = [&](TRACK* t, S32 dy) {
        U_NAV_vClearTrack(&t->sHeader);
        for (S32 i = 0; i < 20000; i++) {
          const S32 x = m_boat.x + E / 2 + (i - 10000) * step, y = m_boat.y + E + dy - (i - 10000) * step / 2 + (i / 700 % 2) * step;
          U_NAV_vAddTrackPoint(t, {x, y}, 0, i % 300 == 299);
        }
      };
      T_NAV_vDeleteAllTracksWaypointsRoutes(TRUE);
      drift(saved.get(), -E / 3);
      const S32 nSaved = T_NAV_nAddTrack(saved.get(), 1, nullptr, TRUE);
      ASSERT_LT(nSaved, (S32)NAV_MAX_TRACKS);
      T_NAV_vSetTrackVisibility((U32)nSaved, TRUE);
      T_NAV_bSetTrackStyle((U32)nSaved, style);
      SetU("SNCP", style);
      SetU("SNCC", 1);
      drift(&g_NAV.CurrentTrack, E / 3);
      G_BMP_vSet(m_pPage, 0);
      T_NAV_vDrawHighwayOverlay(&v);
      const std::vector<COLOR> kept = Pixels();
      G_BMP_vSet(m_pPage, 0);
      T_NAV_vRenderPerspectiveTrack(saved.get(), &v, FALSE, style, T_NAV_nGetTrackColor((U32)nSaved));
      T_NAV_vRenderPerspectiveTrack(&g_NAV.CurrentTrack, &v, TRUE, style, 1);
      T_NAV_vRenderPerspectiveBoat(&v);
      ASSERT_EQ(Pixels(), kept) << "zoom " << zoom << " style " << style;
    }
  }
}

// A frame shown from the kept picture must equal one drawn from nothing,
// whatever changed in between, even behind the store's back.
TEST_F(Highway, KeptPicturesFollowEveryChange) {
  Set("SNCS", 17);
  Scene(0.6);
  Pane(56, SPLIT_FULL_WINDOW, kFull);
  std::vector<COLOR> last = Frame();
  auto fresh = [&] {
    T_CHART_vResetHighway();
    return Frame();
  };
  U32 alpha = 0;
  while (strcmp(T_NAV_pGetWaypoint(alpha)->sName, "Alpha") != 0) alpha++;
  const std::function<void()> changes[] = {
      [] {},
      [&] { T_NAV_pGetWaypoint(alpha)->sName[0] = 'Z'; },
      [&] { T_NAV_pGetWaypoint(alpha)->pt.x += 40; },
      [] { ((ais_DeviceInfo*)aist::Held(366000102))->aisInfo.Latitude += 0.002; },
      [&] { U_NAV_vAddTrackPoint(&g_NAV.CurrentTrack, Ahead(400, 30), 0, FALSE); },
      [] { SetU("SNCP", 0); },
      [] {
        const COLOR red = 0xF800;
        COLOR_vSetColorTableSection(35, 1, &red);
      },
  };
  for (size_t i = 0; i < std::size(changes); i++) {
    changes[i]();
    const std::vector<COLOR> kept = Frame();
    EXPECT_EQ(fresh(), kept) << "change " << i;
    if (i > 0) {
      EXPECT_NE(last, kept) << "change " << i;
    }
    last = kept;
  }
}

// Random scenes: nothing faults and nothing lands outside the window.
TEST_F(Highway, RandomScenesStayInsideTheWindow) {
  const int kRounds = CHART_nRandomRounds(500, "HIGHWAY_RANDOM_ROUNDS");
  CHART_RANDOM random(30);
  auto any = [&](S32 lo, S32 hi) { return random.Any(lo, hi); };
  auto coord = [&](S32 limit) { return random.Coord(limit); };
  std::vector<U16> slots;
  for (int i = 0; i < 30; i++) slots.push_back(Waypoint(m_boat.x + 100 * i, m_boat.y, "W"));
  for (U32 m = 0; m < 12; m++) aist::Feed(aist::Type1(366200000 + m, 41.0 + 0.001 * m, -70.0, 10, 10 * m));
  SetB("SAIS", TRUE);
  const COLOR sentinel = 0x5A5A;
  for (int round = 0; round < kRounds; round++) {
    for (MBOX m : {M_NAV, M_ALARM, M_MENU, M_CHART}) Drain(m);
    G_BMP_vSet(m_pPage, sentinel);
    const S32 zoom = any(9, 23);
    const S32 E = T_CHART_nCalculateHighwayEyeOffsetMM(zoom);
    const POINT boat = {coord(NV_X_LIMIT), coord(NV_Y_LIMIT)};
    auto near = [&]() {
      return any(0, 3) == 0 ? POINT{coord(NV_X_LIMIT), coord(NV_Y_LIMIT)}
                            : POINT{U_NAV_nFoldX(boat.x + any(-5 * E, 5 * E)), boat.y + any(-5 * E, 5 * E)};
    };
    for (U16 i : slots) {
      WAYPOINT* w = T_NAV_pGetWaypoint(i);
      w->u8Status = (U8)any(0, 3);
      w->bHide = any(0, 1);
      w->pt = near();
      for (char& c : w->sName) c = (char)any(1, 255);
    }
    ROUTE* pRoute = &g_NAV.CurrentRoute;
    pRoute->nCount = (U32)any(0, (1 << 30) - 1) >> any(0, 30);
    for (U16& n : pRoute->anWaypoint) n = any(0, 5) == 0 ? (U16)any(0, 65535) : slots[(size_t)any(0, 29)];
    *T_NAV_pGetRoute(0) = *pRoute;
    T_NAV_pGetRoute(0)->nCount = (U32)any(0, (1 << 30) - 1) >> any(0, 30);
    g_NAV.s32CurrentRoute = any(-1, 0);
    g_NAV.nRoutePointUsed = (U32)any(0, 60);
    g_NAV.nRoutePointTarget = (U32)any(0, 60);
    for (POINT& p : g_NAV.aptRoutePoint) p = near();
    g_NAV.u16MOBWaypoint = any(0, 5) == 0 ? slots[0] : 65535;
    U_NAV_vClearTrack(&g_NAV.CurrentTrack.sHeader);
    for (int k = any(0, 40); k > 0; k--) U_NAV_vAddTrackPoint(&g_NAV.CurrentTrack, near(), 0, any(0, 6) == 0);
    ais_DeviceInfo* pAis = nullptr;
    for (S32 t = 0; T_NMEA_bScanAisPoints(t, &pAis); t++) {
      POSITION pos;
      const POINT p = near();
      nv_MeterToDegr(&p, &pos);
      pAis->aisInfo.Latitude = pos.lat;
      pAis->aisInfo.Longitude = pos.lon;
      pAis->aisInfo.ShipType = (U8)any(0, 255);
      pAis->bAisAlarmActive = any(0, 1);
    }
    Set("ITWP", any(0, 1) ? slots[(size_t)any(0, 29)] : any(-5, 70000));
    Set("IGWP", any(0, 1) ? slots[(size_t)any(0, 29)] : any(-5, 70000));
    SetF("SNGA", (float)any(-720, 720));
    SetF("CNDA", (float)any(0, 100000));
    const POINT anchor = near();
    Set("IDLT", anchor.y);
    Set("IDLN", anchor.x);
    SetF("SNAA", (float)any(0, 100000));
    SetF("SNAO", (float)any(0, 1000));
    Set("INIP", any(-2, 60));
    SetU("SNCP", (U32)any(0, 4));
    SetU("SNCC", (U32)any(0, 20));
    Boat(boat.x, boat.y, (float)any(-720, 720), 3.0f);
    SetF("IHDC", (float)any(-720, 720) / 7.0f);
    Set("SNBS", zoom);
    SetB("ICAC", any(0, 1));
    const POINT cursor = near();
    Set("ICLT", cursor.y);
    Set("ICLN", cursor.x);
    SetF("ICHD", (float)any(-1000, 1000));
    static const std::pair<S32, SPLIT_WINDOW_TYPE> panes[] = {
        {56, SPLIT_FULL_WINDOW}, {54, SPLIT_LEFT_WINDOW}, {55, SPLIT_LEFT_WINDOW}};
    const auto& pane = panes[any(0, 2)];
    Pane(pane.first, pane.second, {200, 360, 599, 120});
    DrawHighway();
    for (S32 y = 0; y < 480; y++) {
      for (S32 x = 0; x < 800; x++) {
        if (x >= 200 && x <= 599 && y >= 120 && y <= 360) continue;
        ASSERT_EQ(sentinel, At(x, y)) << "round " << round << " at " << x << "," << y << " zoom " << zoom << " pane " << pane.first;
      }
    }
  }
}

}  // namespace
