// The chart overlay's marks and AIS targets: what each setting shows and
// hides, and exact frames of a card with rings, flags and targets.

#include <cstdlib>
#include <functional>
#include <initializer_list>
#include <memory>
#include <random>
#include <string>

#include "../nmea/ais_sentences.h"
#include "chart_test.h"
#include "g_bmp.h"
#include "g_iconset.h"
#include "g_truetype.h"
#include "gp_rotate.h"
#include "linuxsvc.h"
#include "t_chart_marks.h"
#include "t_nav_group_data.h"
#include "t_nav_nvram_flash.h"
#include "t_nav_twr.h"
#include "t_nmea_ais.h"
#include "u_language.h"
#include "u_wstring.h"

namespace {

U32 s_u32ChartAisClock = 100000;

class ChartOverlay : public Chart {
 public:
  POINT m_boat{};
  POSITION m_pos{};

  void SetUp() override {
    Chart::SetUp();
    U_CONVERT_vInitialiseConversionUtility();
    T_NMEA_vSetAisClock([] { return s_u32ChartAisClock; });
    T_NMEA_vAisInit();
    m_pos = {41.0, -70.0};
    ASSERT_EQ(NV_OK, nv_DegrToMeter(&m_pos, &m_boat));
    Boat(m_boat.x, m_boat.y);
    SetU("SUDS", U_KM);
  }
  void TearDown() override {
    T_NMEA_vSetAisClock(nullptr);
    Chart::TearDown();
  }
  // A target dLat, dLon degrees from the boat.
  void Target(U32 mmsi, double dLat, double dLon, double knots, double cog) {
    aist::Feed(aist::Type1(mmsi, m_pos.lat + dLat, m_pos.lon + dLon, knots, cog));
  }
  static ais_DeviceInfo* Held(U32 mmsi) { return (ais_DeviceInfo*)aist::Held(mmsi); }
  std::vector<COLOR> Frame() {
    T_CHART_vReRenderAll();
    Draw();
    return Pixels();
  }
};

TEST_F(ChartOverlay, AisTargetsByStateCourseAndLabel) {
  Set("SNCS", 14);
  SetB("SAIS", TRUE);
  SetB("SLBL", TRUE);
  Set("STCL", 300);
  Target(366000001, 0.004, -0.006, 12, 45);   // normal, course line
  Target(366000002, -0.004, -0.006, 12, 90);  // heard 11 minutes before the others
  Target(366000003, 0.004, 0.006, 8, 225);    // in alarm
  Target(366000004, -0.004, 0.006, 0, 360);   // no course over ground
  Held(366000002)->ReceiveLastTime -= 11 * 60;
  ais_DeviceInfo* pAlarm = Held(366000003);
  pAlarm->bAisAlarmActive = TRUE;
  pAlarm->aisInfo.TCPA = 3.0;
  Held(366000004)->aisInfo.validityFlag[COG_FLAG_INDEX] = FALSE;
  // Own speed 0.2 kn: the own CPA mark sits on the boat.
  Boat(m_boat.x, m_boat.y, 30.0f, (float)(0.2 * 1852.0 / 3600.0));
  Draw();
  EXPECT_TRUE(GOLDEN_MatchBitmap(NAV_GOLDEN_DIR "/chart_ais.png", m_pPage));
  // Without AIS tracking no target shows, and the pool is free afterwards.
  SetB("SAIS", FALSE);
  const std::vector<COLOR> hidden = Frame();
  L_MUTEX_LockWait(RES_AIS_DATA);
  L_MUTEX_Unlock(RES_AIS_DATA);
  T_NMEA_vAisInit();
  EXPECT_EQ(hidden, Frame());
}

// The label is the name the target list and the alarm give the ship: its
// call sign shows only until a name is known.
TEST_F(ChartOverlay, ALabelShowsTheShipsNameOnceKnownElseItsCallSign) {
  Set("SNCS", 14);
  SetB("SAIS", TRUE);
  SetB("SLBL", TRUE);
  const U32 mmsi = 366000010;
  const auto frame = [&](const std::string& report) {
    T_NMEA_vAisInit();
    Target(mmsi, 0.002, 0.002, 0, 0);
    aist::Feed(report);
    return Frame();
  };
  EXPECT_EQ(frame(aist::Type5(mmsi, "TEST", "SEA STAR")), frame(aist::Type5(mmsi, "OTHER", "SEA STAR")));
  EXPECT_NE(frame(aist::Type5(mmsi, "TEST", "SEA STAR")), frame(aist::Type5(mmsi, "TEST", "SEA WOLF")));
  EXPECT_NE(frame(aist::Type24B(mmsi, "TEST")), frame(aist::Type24B(mmsi, "OTHER")));
}

TEST_F(ChartOverlay, LabelsAboveZoom17AndCastingRingsAboveZoom12AreLeftOut) {
  SetB("SAIS", TRUE);
  Target(366000009, 0.001, 0.001, 5, 10);
  Set("SNCS", 18);
  SetB("SLBL", TRUE);
  const std::vector<COLOR> labelled = Frame();
  SetB("SLBL", FALSE);
  EXPECT_EQ(labelled, Frame());
  Set("SNCS", 17);
  const std::vector<COLOR> unlabelled = Frame();
  SetB("SLBL", TRUE);
  EXPECT_NE(unlabelled, Frame());

  SetB("SAIS", FALSE);
  Waypoint(m_boat.x + 300, m_boat.y, "Cast");
  for (S32 zoom : {13, 12}) {
    Set("SNCS", zoom);
    H_DATABASE_vDeleteEntry(FCID("SNCR"));
    const std::vector<COLOR> without = Frame();
    SetF("SNCR", 20.0f);
    if (zoom == 13) {
      EXPECT_EQ(without, Frame());
    } else {
      EXPECT_NE(without, Frame());
    }
  }
}

// Target rings at zoom 9 in kilometres, a trolling grid, proximity flags on
// twelve waypoints (ten drawn), a straight go-to without arrival circle.
TEST_F(ChartOverlay, MarksCard) {
  Set("SNCS", 9);
  Set("SNWD", 0);
  const U16 target = Waypoint(m_boat.x + 15, m_boat.y + 10, "Target");
  Set("ITWP", target);
  SetB("SNWP", TRUE);
  SetF("ISPD", 15.0f);
  for (int i = 0; i < 12; i++) Waypoint(m_boat.x - 48 + 7 * i, m_boat.y - 20 - 3 * (i % 3), "P");
  Draw();
  EXPECT_EQ(13u, T_NAV_u32ProximityCount());
  EXPECT_TRUE(GOLDEN_MatchBitmap(NAV_GOLDEN_DIR "/chart_marks.png", m_pPage));
  // Too fast, or zoomed out beyond 16: no candidates.
  SetF("ISPD", 15.5f);
  Draw();
  EXPECT_EQ(0u, T_NAV_u32ProximityCount());
  SetF("ISPD", 1.0f);
  Set("SNCS", 17);
  Draw();
  EXPECT_EQ(0u, T_NAV_u32ProximityCount());
}

// Hidden routes and the navigated saved route are not drawn as saved
// routes; a straight go-to shows neither arrival circle nor corridor.
TEST_F(ChartOverlay, RoutesHiddenAndStraightGoTo) {
  Set("SNCS", 15);
  Set("SNWD", 0);
  const U16 a = Waypoint(m_boat.x - 2000, m_boat.y + 1500, "A");
  const U16 b = Waypoint(m_boat.x + 2500, m_boat.y - 1200, "B");
  const std::vector<COLOR> empty = Frame();
  for (U32 r = 0; r < 2; r++) TwoPointRoute(r, a, b);
  T_NAV_pGetRoute(0)->bHide = 1;
  Set("CCRT", 1);
  EXPECT_EQ(empty, Frame());
  Set("CCRT", -1);
  EXPECT_NE(empty, Frame());
  // Going to B: with CCNC one straight line, nothing round B.
  ASSERT_TRUE(T_NAV_bWaypointToCurrentRoute(b));
  // The leg's start is named in the language of the moment: fixed here.
  WAYPOINT* pStart = T_NAV_pGetWaypoint(g_NAV.CurrentRoute.anWaypoint[0]);
  ASSERT_NE(nullptr, pStart);
  memset(pStart->sName, 0, sizeof pStart->sName);
  memcpy(pStart->sName, "START", 5);
  Set("INIP", 1);
  SetF("SNAA", 300.0f);
  SetF("SNAO", 200.0f);
  SetB("CCNC", FALSE);
  const std::vector<COLOR> legs = Frame();
  SetB("CCNC", TRUE);
  EXPECT_NE(legs, Frame());
  EXPECT_TRUE(GOLDEN_MatchBitmap(NAV_GOLDEN_DIR "/chart_straight_goto.png", m_pPage));
}

// A saved route travelled from its third point (its first legs grey), a
// route starting at the cursor waypoint (red, boxed name), a named route,
// and the automatic course projection with its distance and the compass
// heading line.
TEST_F(ChartOverlay, RouteCard) {
  Set("SNCS", 15);
  Set("SNWD", 0);
  const S32 x = m_boat.x, y = m_boat.y;
  const U16 a = Waypoint(x - 2500, y + 600, "A"), b = Waypoint(x - 1500, y + 1400, "B");
  const U16 c = Waypoint(x + 500, y + 1600, "C"), d = Waypoint(x + 2000, y + 800, "D");
  const U16 e = Waypoint(x - 2200, y - 1200, "E"), f = Waypoint(x - 600, y - 1800, "F");
  const U16 g = Waypoint(x + 900, y - 900, "G"), h = Waypoint(x + 2600, y - 1500, "H");
  auto route = [](U32 r, std::initializer_list<U16> pts, const char* name) {
    ROUTE* pRoute = T_NAV_pGetRoute(r);
    memset(pRoute, 0, sizeof *pRoute);
    pRoute->u32DateTime = 1;
    for (U16 p : pts) pRoute->anWaypoint[pRoute->nCount++] = p;
    memcpy(pRoute->sName, name, strlen(name));
    return pRoute;
  };
  T_NAV_vTravelRoute(route(0, {a, b, c, d}, "Harbour"), 0, 3, FALSE, nullptr);
  ASSERT_EQ(0, g_NAV.s32CurrentRoute);
  route(1, {e, f}, "Bay");
  route(2, {g, h}, "Reef");
  Set("ICWP", e);
  SetU("SCCP", 2);
  SetB("SNHL", TRUE);
  SetF("IHDC", 100.0f);
  Boat(x, y, 45.0f, 3.0f);
  Draw();
  EXPECT_TRUE(GOLDEN_MatchBitmap(NAV_GOLDEN_DIR "/chart_routes.png", m_pPage));
}

std::string s_acLabels;
void NoteLabel(const BITMAP*, const char* pText, const FONT_DEF*, const G_TEXT_BOX*) {
  s_acLabels += std::string("[") + pText + "]";
}

// Routes that start at one waypoint are all labelled with the name of the
// newest one shown; a hidden route names none.
TEST_F(ChartOverlay, RoutesStartingTogetherShowTheNewestShownName) {
  Set("SNCS", 15);
  const S32 x = m_boat.x, y = m_boat.y;
  const U16 a = Waypoint(x - 1500, y + 600, "A"), b = Waypoint(x + 1500, y + 900, "B");
  const U16 c = Waypoint(x + 1200, y - 900, "C");
  auto route = [&](U32 r, U16 to, U32 u32Time, const char* name) {
    ROUTE* pRoute = TwoPointRoute(r, a, to);
    pRoute->u32DateTime = u32Time;
    memcpy(pRoute->sName, name, strlen(name));
    return pRoute;
  };
  route(1, b, 5, "Older");
  ROUTE* pNewer = route(4, c, 9, "Newer");
  route(7, c, 20, "Hidden")->bHide = 1;
  auto labels = [&] {
    s_acLabels.clear();
    G_TRUETYPE_vSetTextObserver(NoteLabel);
    Frame();
    G_TRUETYPE_vSetTextObserver(nullptr);
    return s_acLabels;
  };
  std::string drawn = labels();
  EXPECT_NE(std::string::npos, drawn.find("[Newer]")) << drawn;
  EXPECT_EQ(std::string::npos, drawn.find("[Older]")) << drawn;
  EXPECT_EQ(std::string::npos, drawn.find("[Hidden]")) << drawn;
  pNewer->u32DateTime = 1;
  drawn = labels();
  EXPECT_NE(std::string::npos, drawn.find("[Older]")) << drawn;
  EXPECT_EQ(std::string::npos, drawn.find("[Newer]")) << drawn;
}

// Saved tracks are read once and drawn again from memory until the store
// changes a track, even one with the same header.
TEST_F(ChartOverlay, SavedTracksFollowTheStore) {
  Set("SNCS", 15);
  SetU("SCCP", 0);
  const std::vector<COLOR> empty = Frame();
  // A zigzag; the bent one moves one low point up inside the same box.
  auto track = [&](int bent) {
    TRACK* pTrack = (TRACK*)calloc(1, sizeof(TRACK));
    for (int i = 0; i < 40; i++) {
      const S32 dy = i % 2 ? 500 : i == bent ? 480 : 400;
      U_NAV_vAddTrackPoint(pTrack, {m_boat.x - 2000 + 100 * i, m_boat.y + dy}, 0, FALSE);
    }
    return std::unique_ptr<TRACK, decltype(&free)>(pTrack, &free);
  };
  auto straight = track(-1);
  const U16 slot = T_NAV_nAddTrack(straight.get(), 1, (char*)"T", TRUE);
  ASSERT_NE(NAV_NONE, slot);
  T_NAV_vSetTrackVisibility(slot, TRUE);
  const std::vector<COLOR> drawn = Frame();
  EXPECT_NE(empty, drawn);
  EXPECT_EQ(drawn, Frame());
  // The same header over other points: the file changed, so does the frame.
  auto bent = track(20);
  bent->sHeader = T_NAV_pGetTrackHeader(slot)[0];
  ASSERT_TRUE(T_NAV_NVRAM_bSaveTrack(bent.get(), slot, TRUE));
  const std::vector<COLOR> bentFrame = Frame();
  EXPECT_NE(drawn, bentFrame);
  EXPECT_NE(empty, bentFrame);
  ASSERT_TRUE(T_NAV_bDeleteTrack(slot, TRUE));
  EXPECT_EQ(empty, Frame());
  ASSERT_EQ(slot, T_NAV_nAddTrack(straight.get(), 1, (char*)"T", TRUE));
  T_NAV_vSetTrackVisibility(slot, TRUE);
  EXPECT_EQ(drawn, Frame());
}

// A frame shown from the kept picture of its background and overlay must
// equal one drawn afresh, whatever changed in between, even behind the
// store's back.
TEST_F(ChartOverlay, KeptPicturesFollowEveryChange) {
  Set("SNCS", 15);
  SetB("SAIS", TRUE);
  SetB("SLBL", TRUE);
  SetB("SNUP", TRUE);
  const U16 a = Waypoint(m_boat.x - 900, m_boat.y + 700, "Able");
  const U16 b = Waypoint(m_boat.x + 1200, m_boat.y - 500, "Baker");
  TwoPointRoute(0, a, b);
  Set("ITWP", b);
  Target(366000021, 0.006, -0.004, 10, 60);
  for (int i = 0; i < 30; i++) {
    U_NAV_vAddTrackPoint(&g_NAV.CurrentTrack, {m_boat.x - 40 * i, m_boat.y - 25 * i}, 0, FALSE);
  }
  Boat(m_boat.x, m_boat.y, 20.0f, 2.0f);
  auto kept = [&] {
    Draw();
    return Pixels();
  };
  std::vector<COLOR> last = kept();
  const std::function<void()> changes[] = {
      [] {},
      [&] { T_NAV_pGetWaypoint(a)->sName[0] = 'X'; },
      [&] { T_NAV_pGetWaypoint(b)->pt.y += 150; },
      [] { Held(366000021)->aisInfo.Latitude += 0.001; },
      [] { Held(366000021)->bAisAlarmActive = TRUE; },
      [] {
        // The context's colour 23, of the target rings only: the background
        // is kept whatever the colours until a palette change asks anew.
        const COLOR green = 0x07E0;
        COLOR_vSetColorTableSection(T_CHART_CHART_PALETTE_START + 23, 1, &green);
      },
      [] { SetB("SLBL", FALSE); },
      [&] { U_NAV_vAddTrackPoint(&g_NAV.CurrentTrack, {m_boat.x + 300, m_boat.y - 900}, 0, FALSE); },
  };
  for (size_t i = 0; i < std::size(changes); i++) {
    changes[i]();
    const std::vector<COLOR> shown = kept();
    EXPECT_EQ(Frame(), shown) << "change " << i;
    if (i > 0) {
      EXPECT_NE(last, shown) << "change " << i;
    }
    last = shown;
  }
}

// In a wide language names are 16-bit: shown whole, or cut by whole
// characters before "..." when the declutter room is short; the chart's
// own texts are widened.
TEST_F(ChartOverlay, WideNamesShowWholeOrCut) {
  Set("SNCS", 15);
  SetU("SCCP", 0);
  SetU("SLNG", LANGUAGE_ENGLISH_UNICODE);
  U_WSTRING_vUpdateCurrentLanguage();
  static const char s_acWide[10] = {0, 'W', 0, 'I', 0, 'D', 0, 'E', 0, 'N'};
  const U16 whole = Waypoint(m_boat.x + 300, m_boat.y - 300, "");
  const U16 cut = Waypoint(m_boat.x + 300, m_boat.y + 200, "");
  for (U16 i : {whole, cut}) memcpy(T_NAV_pGetWaypoint(i)->sName, s_acWide, sizeof s_acWide);
  Draw();
  const S32 ppm = S32Of(FCID("ICPM"));
  ASSERT_GT(ppm, 0);
  S32* pRoom = T_NAV_TWR_pGetDeclutterWaypointTable(FALSE);
  ASSERT_NE(nullptr, pRoom);
  pRoom[whole] = 0;
  // Room for the icon, "..." and about two letters.
  pRoom[cut] = (S32)(((S64)(Waypoint1_icon.nWidth + 40) << 20) / ppm);
  Set("SNWD", 1);
  SetB("SNUP", TRUE);
  Draw();
  EXPECT_TRUE(GOLDEN_MatchBitmap(NAV_GOLDEN_DIR "/chart_wide_names.png", m_pPage));
  SetU("SLNG", LANGUAGE_ENGLISH);
  U_WSTRING_vUpdateCurrentLanguage();
}

// Random stores at every zoom and turn: nothing faults and nothing lands
// outside the pane.
// The manager's preview shows the boat and the one item it names; an id
// that names nothing this unit can show leaves the boat alone.
TEST_F(ChartOverlay, PreviewShowsTheChosenItemOnly) {
  T_CHART_vEnableChartInPopupWindow(TRUE);
  Set("INCN", 15);
  const U16 a = Waypoint(m_boat.x - 1500, m_boat.y + 1000, "A");
  const U16 b = Waypoint(m_boat.x + 1500, m_boat.y - 800, "B");
  TwoPointRoute(3, a, b);
  std::unique_ptr<TRACK> pTrack(new TRACK());
  U_NAV_vClearTrack(&pTrack->sHeader);
  for (int i = 0; i < 10; i++) U_NAV_vAddTrackPoint(pTrack.get(), {m_boat.x + 300 * i, m_boat.y + 900}, 0, FALSE);
  const U16 slot = T_NAV_nAddTrack(pTrack.get(), 1, (char*)"T", TRUE);
  ASSERT_NE(NAV_NONE, slot);
  const U16 unit = T_NAV_GROUP_DATA_u16Getu7UnitID();
  auto preview = [&](U16 id) {
    G_BMP_vSet(m_pPage, 0);
    POINT centre = m_boat;
    T_CHART_vDrawChartInPopupWindow(m_pPage, &m_spec, &centre, &id);
    return Pixels();
  };
  const std::vector<COLOR> none = preview(NAV_NONE);
  const std::vector<COLOR> waypoint = preview(a), route = preview(NAV_ITEM_ROUTE_BASE | 3);
  EXPECT_NE(none, waypoint);
  EXPECT_NE(none, route);
  EXPECT_NE(waypoint, route);
  EXPECT_NE(none, preview((U16)(NAV_ITEM_TRACK_BASE | unit | slot)));
  EXPECT_EQ(none, preview((U16)(NAV_ITEM_TRACK_BASE | ((unit + 0x40) & NAV_ITEM_UNIT_BITS) | slot)));
  EXPECT_EQ(none, preview(NAV_ITEM_ROUTE_BASE | 60));
  EXPECT_EQ(none, preview(0x3FFF));
  T_CHART_vEnableChartInPopupWindow(FALSE);
  G_BMP_vSet(m_pPage, 0x1234);
  const std::vector<COLOR> before = Pixels();
  POINT centre = m_boat;
  U16 id = a;
  T_CHART_vDrawChartInPopupWindow(m_pPage, &m_spec, &centre, &id);
  EXPECT_EQ(before, Pixels());
}

TEST_F(ChartOverlay, RandomStoresStayInsideThePane) {
  const int kRounds = CHART_nRandomRounds(600, "CHART_RANDOM_ROUNDS");
  CHART_RANDOM random(28);
  auto any = [&](S32 lo, S32 hi) { return random.Any(lo, hi); };
  auto coord = [&](S32 limit) { return random.Coord(limit); };
  std::vector<U16> slots;
  for (int i = 0; i < 40; i++) slots.push_back(Waypoint(any(-1000, 1000) + 100 * i, kY, "W"));
  m_spec.drawWindow = {200, 360, 599, 120};
  const COLOR sentinel = 0x5A5A;
  SetU("SNWD", 1);
  SetB("SAIS", TRUE);
  SetB("SLBL", TRUE);
  SetB("SNWP", TRUE);
  for (U32 m = 0; m < 20; m++) Target(366100000 + m, 0.001 * m, -0.001 * m, 10, 10 * m);
  for (int round = 0; round < kRounds; round++) {
    // The settings' change notices would pile up in the mailboxes.
    for (MBOX m : {M_NAV, M_ALARM, M_MENU, M_CHART}) Drain(m);
    G_BMP_vSet(m_pPage, sentinel);
    for (U16 i : slots) {
      WAYPOINT* w = T_NAV_pGetWaypoint(i);
      w->u8Status = (U8)any(0, 3);
      w->u8Icon = (U8)any(0, 255);
      w->pt = {coord(NV_X_LIMIT), coord(NV_Y_LIMIT)};
      for (char& c : w->sName) c = (char)any(1, 255);
    }
    for (U32 r = 0; r < 3; r++) {
      ROUTE* pRoute = T_NAV_pGetRoute(r);
      pRoute->nCount = (U32)any(0, (1 << 30) - 1) >> any(0, 30);
      pRoute->bHide = any(0, 1);
      for (U16& n : pRoute->anWaypoint) n = (U16)any(0, 45);
    }
    ais_DeviceInfo* pAis = nullptr;
    for (S32 t = 0; T_NMEA_bScanAisPoints(t, &pAis); t++) {
      pAis->aisInfo.Latitude = any(-900, 900) / 10.0;
      pAis->aisInfo.Longitude = any(-1800, 1800) / 10.0;
      pAis->aisInfo.Cog = any(-1000, 1000);
      pAis->aisInfo.Sog = any(0, 1) ? 1e12 : any(0, 100);
      pAis->aisInfo.TCPA = any(0, 1) ? 1e12 : any(-10, 100);
      pAis->aisInfo.ShipType = (U8)any(0, 255);
      pAis->aisInfo.validityFlag[COG_FLAG_INDEX] = any(0, 1);
      pAis->bAisAlarmActive = any(0, 1);
    }
    Set("STCL", any(0, 1) ? 0x7FFFFFFF : any(0, 600));
    Set("ITWP", slots[any(0, 39)]);
    Set("IGWP", any(0, 1) ? slots[any(0, 39)] : any(-5, 70000));
    Set("ICWP", slots[any(0, 39)]);
    SetF("SNGA", (float)any(-720, 720));
    SetF("SNCR", (float)any(0, 100000));
    SetF("CNDA", (float)any(0, 100000));
    Set("IDLT", coord(NV_Y_LIMIT));
    Set("IDLN", coord(NV_X_LIMIT));
    SetF("ISPD", (float)any(0, 20));
    Boat(coord(NV_X_LIMIT), coord(NV_Y_LIMIT), (float)any(-720, 720), (float)any(0, 40));
    Set("SNCS", any(9, 23));
    const bool bCursor = any(0, 1) != 0;
    H_DATABASE_bUpdateEverythingBoolean(FCID("ICAC"), bCursor, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
    Set("ICLT", coord(NV_Y_LIMIT));
    Set("ICLN", coord(NV_X_LIMIT));
    SetF("ICHH", 0.0f);
    SetF("ICHD", (float)any(-1000, 1000));
    SetU("SNCP", (U32)any(0, 4));
    SetU("SCCP", (U32)any(0, 4));
    SetB("SNHL", any(0, 1));
    SetF("IHDC", (float)any(-1000, 1000));
    static const U32 s_aUnits[] = {U_STAT_MILES, U_NAUT_MILES, U_KM, U_NAUT_MILES_FT, U_NAUT_MILES_M, U_MPH};
    SetU("SUDS", s_aUnits[any(0, 5)]);
    // A travelled route, spoiled as a file could leave it.
    g_NAV.s32CurrentRoute = any(-1, 60);
    g_NAV.CurrentRoute.nCount = (U32)any(0, 60);
    for (U16& n : g_NAV.CurrentRoute.anWaypoint) n = (U16)any(0, 45);
    H_DATABASE_bUpdateEverythingBoolean(FCID("SNUP"), any(0, 1), P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
    Draw();
    for (S32 y = 0; y < 480; y++) {
      for (S32 x = 0; x < 800; x++) {
        if (x >= 200 && x <= 599 && y >= 120 && y <= 360) continue;
        ASSERT_EQ(sentinel, At(x, y)) << "round " << round << " at " << x << "," << y;
      }
    }
  }
  g_NAV.CurrentRoute.nCount = 0;
  g_NAV.s32CurrentRoute = -1;
}

// A trace that passes over blocks of points at once (wholly outside the
// view, all on one pixel, or all near the last dot) gives the steps of a
// walk over every point, and so does one whose run on to the boat is made
// apart:
// random tracks with gaps and crossings of the 180th meridian, in every
// style, zoom and turn.
TEST_F(ChartOverlay, TracingByBlocksGivesTheStepsOfEveryPoint) {
  const int kRounds = CHART_nRandomRounds(200, "CHART_TRACE_ROUNDS");
  CHART_RANDOM random(95);
  auto any = [&](S32 lo, S32 hi) { return random.Any(lo, hi); };
  std::unique_ptr<TRACK> pTrack(new TRACK());
  T_NAV_TRACK_INDEX blocks;
  std::vector<T_NAV_TRACK_STEP> walked, passed;
  auto same = [](const std::vector<T_NAV_TRACK_STEP>& a, const std::vector<T_NAV_TRACK_STEP>& b) {
    if (a.size() != b.size()) return false;
    for (size_t k = 0; k < a.size(); k++) {
      if (a[k].x != b[k].x || a[k].y != b[k].y || a[k].eKind != b[k].eKind) return false;
    }
    return true;
  };
  for (int round = 0; round < kRounds; round++) {
    U_NAV_vClearTrack(&pTrack->sHeader);
    const bool bAtTheMeridian = any(0, 3) == 0;
    POINT p = {bAtTheMeridian ? NV_X_LIMIT - any(0, 3000) : m_boat.x + any(-5000, 5000), m_boat.y + any(-5000, 5000)};
    const S32 step = any(0, 1) ? 3 : 60;
    for (int i = any(1, 2500); i > 0; i--) {
      p = {U_NAV_nFoldX(p.x + any(-step, step * 2)), p.y + any(-step, step)};
      U_NAV_vAddTrackPoint(pTrack.get(), p, 0, any(0, 40) == 0);
    }
    T_NAV_vIndexTrack(pTrack.get(), &blocks);
    NAV_VIEW_INFO NVI;
    memset(&NVI, 0, sizeof NVI);
    BITMAP view;
    const WINDOW_LOCATION w = {0, 479, 799, 0};
    T_CHART_vPrepareWindow(&NVI, &view, m_pPage, &w, 0);
    NVI.CenterOffset = {400, 240};
    NVI.nChartScale = any(9, 23);
    NVI.nPixelsPerMMM = (S32)(1u << (32 - NVI.nChartScale));
    NVI.ptCenterMM = bAtTheMeridian ? POINT{any(0, 1) ? NV_X_LIMIT : -NV_X_LIMIT, m_boat.y} : m_boat;
    NVI.ptBoatMM = {NVI.ptCenterMM.x + any(-300, 300), NVI.ptCenterMM.y + any(-300, 300)};
    gr_ResetRotationContext(&NVI.RotContext);
    if (any(0, 1)) gr_SetRotationAngle(&NVI.RotContext, any(0, 359));
    for (U32 style = 0; style <= 3; style++) {
      for (BOOLEAN bCurrent : {FALSE, TRUE}) {
        T_NAV_vTraceTrack(pTrack.get(), &NVI, bCurrent, style, &walked);
        T_NAV_vTraceTrack(pTrack.get(), &NVI, bCurrent, style, &passed, &blocks);
        ASSERT_TRUE(same(walked, passed)) << "round " << round << " style " << style << " zoom " << NVI.nChartScale;
        if (!bCurrent) continue;
        // The run on to the boat taken up where the rest of the trace ended.
        T_NAV_TRACE_END end;
        T_NAV_vTraceTrack(pTrack.get(), &NVI, TRUE, style, &passed, &blocks, &end);
        T_NAV_vTraceRunOn(&NVI, style, &end, &passed);
        ASSERT_TRUE(same(walked, passed)) << "round " << round << " style " << style << " with the run on apart";
      }
    }
  }
}

// Kept steps serve a chart that moved by whole pixels, and the chart moves
// by whole pixels: whatever the zoom and however far it panned, a kept track
// draws what a trace at the new centre draws. The track lies within the
// reach of both traces, which then hold the same points.
TEST_F(ChartOverlay, KeptTracksMovedByWholePixelsDrawWhatATraceAtTheCentreDraws) {
  const int kRounds = CHART_nRandomRounds(60, "CHART_KEPT_ROUNDS");
  CHART_RANDOM random(43);
  auto any = [&](S32 lo, S32 hi) { return random.Any(lo, hi); };
  std::unique_ptr<TRACK> pTrack(new TRACK());
  const WINDOW_LOCATION w = {0, 479, 799, 0};
  auto draw = [&](NAV_VIEW_INFO* pNVI, BOOLEAN bKept, U32 style) {
    memset(m_pPage->pBuffer, 0, (size_t)m_pPage->__u32PixelWidthOfBuffer * m_pPage->pixels_high_full_screen * 2);
    if (bKept) {
      T_NAV_vRenderCurrentTrack(pTrack.get(), pNVI, style, 3);
    } else {
      T_NAV_vRenderTrack(pTrack.get(), pNVI, TRUE, style, 3);
    }
    return Pixels();
  };
  for (int round = 0; round < kRounds; round++) {
    NAV_VIEW_INFO NVI;
    memset(&NVI, 0, sizeof NVI);
    BITMAP view;
    T_CHART_vPrepareWindow(&NVI, &view, m_pPage, &w, 0);
    NVI.CenterOffset = {400, 240};
    NVI.nChartScale = any(9, 23);
    NVI.nPixelsPerMMM = (S32)(1u << (32 - NVI.nChartScale));
    gr_ResetRotationContext(&NVI.RotContext);
    const S32 q = NVI.nChartScale > 12 ? 1 << (NVI.nChartScale - 12) : 1;  // metres a pixel, at least 1
    const S32 per = NVI.nChartScale < 12 ? 1 << (12 - NVI.nChartScale) : 1;  // pixels a metre, at least 1
    auto metres = [&](S32 pixels) { return pixels * q / per; };
    U_NAV_vClearTrack(&pTrack->sHeader);
    const POINT base = {m_boat.x + any(-q, q), m_boat.y + any(-q, q)};
    POINT p = base;
    const S32 step = metres(any(0, 1) ? 1 : 40) + 1;
    for (int i = any(2, 400); i > 0; i--) {
      const POINT next = {p.x + any(-step, step), p.y + any(-step, step)};
      // Within 400 pixels of the base: inside the reach from every centre below.
      if (std::abs(next.x - base.x) < metres(400) && std::abs(next.y - base.y) < metres(400)) p = next;
      U_NAV_vAddTrackPoint(pTrack.get(), p, 0, any(0, 30) == 0);
    }
    const U32 style = (U32)any(0, 3);
    NVI.ptBoatMM = p;
    for (int pan = 0; pan < 6; pan++) {
      // Whole pixels, and now and then across an anchor's square.
      const S32 dx = any(0, 3) == 0 ? any(-300, 300) : any(-3, 3), dy = any(0, 3) == 0 ? any(-300, 300) : any(-3, 3);
      NVI.ptCenterMM = {base.x + metres(dx), base.y + metres(dy)};
      const std::vector<COLOR> kept = draw(&NVI, TRUE, style);
      ASSERT_TRUE(kept == draw(&NVI, FALSE, style))
          << "round " << round << " pan " << pan << " zoom " << NVI.nChartScale << " style " << style;
    }
  }
}

}  // namespace
