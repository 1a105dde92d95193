// A frame over the kept background is made from the last frame's picture,
// mended where the overlay changed. Every mended frame must equal the
// overlay drawn whole over the same background, whatever changed: a ship,
// the boat, a waypoint, a route, the zoom.

#include <functional>
#include <memory>
#include <utility>

#include "../nmea/ais_sentences.h"
#include "chart_test.h"
#include "t_chart_list.h"
#include "t_highway.h"
#include "t_nav_nvram_flash.h"
#include "t_nav_twr.h"
#include "t_nmea_ais.h"

namespace {

U32 s_u32MendAisClock = 100000;

class ChartMend : public Chart {
 public:
  POINT m_boat{};
  POSITION m_pos{};
  WINDOW_SPECIFICATION m_highway{};

  void SetUp() override {
    Chart::SetUp();
    T_CHART_vResetHighway();
    U_CONVERT_vInitialiseConversionUtility();
    T_NMEA_vSetAisClock([] { return s_u32MendAisClock; });
    T_NMEA_vAisInit();
    m_pos = {41.0, -70.0};
    ASSERT_EQ(NV_OK, nv_DegrToMeter(&m_pos, &m_boat));
    Boat(m_boat.x, m_boat.y, 30.0f, 3.0f);
    SetU("SUDS", U_KM);
    Set("SNCS", 15);
    Set("SNBS", 15);
    SetB("SAIS", TRUE);
    SetB("SLBL", TRUE);
    SetB("SNUP", TRUE);
    m_highway.currentLayer = (LAYER_ID)T_CHART_HIGHWAY_VIEW_LAYER;
    m_highway.drawWindowType = SPLIT_FULL_WINDOW;
    m_highway.drawWindow = {0, 479, 799, 0};
  }
  void TearDown() override {
    T_CHART_vComposeWhole(FALSE);
    T_NMEA_vSetAisClock(nullptr);
    Chart::TearDown();
  }
  // A report of a target dLat, dLon degrees from the boat.
  void Target(U32 mmsi, double dLat, double dLon, double knots, double cog) {
    aist::Feed(aist::Type1(mmsi, m_pos.lat + dLat, m_pos.lon + dLon, knots, cog));
  }
  // The frame as the kept picture mends it, and how it was made; then the
  // same frame with its overlay drawn whole over the same background.
  struct TWICE {
    std::vector<COLOR> mended;
    std::vector<COLOR> whole;
    U32 u32How;
  };
  TWICE Twice(const std::function<void()>& draw) {
    TWICE t;
    draw();
    t.mended = Pixels();
    t.u32How = T_CHART_lastCompose().u32How;
    T_CHART_vComposeWhole(TRUE);
    draw();
    T_CHART_vComposeWhole(FALSE);
    t.whole = Pixels();
    return t;
  }
  void DrawHighway() { T_CHART_vDrawHighwayView(m_pPage, &m_highway); }
  // A store with something of every part near the boat, the lines dotted
  // where a style allows, so that patterns are mended too.
  void Store() {
    const U16 a = Waypoint(m_boat.x - 900, m_boat.y + 700, "Able");
    const U16 b = Waypoint(m_boat.x + 1200, m_boat.y - 500, "Baker");
    const U16 c = Waypoint(m_boat.x + 300, m_boat.y + 1500, "Charlie");
    ROUTE* pRoute = TwoPointRoute(0, a, b);
    pRoute->nCount = 3;
    pRoute->anWaypoint[2] = c;
    Set("ITWP", b);
    SetU("SNCP", 1);
    for (int i = 0; i < 60; i++) {
      U_NAV_vAddTrackPoint(&g_NAV.CurrentTrack, {m_boat.x - 40 * i, m_boat.y - 25 * i + (i % 7) * 9}, 0, FALSE);
    }
    std::unique_ptr<TRACK> pSaved(new TRACK());
    U_NAV_vClearTrack(&pSaved->sHeader);
    for (int i = 0; i < 40; i++) U_NAV_vAddTrackPoint(pSaved.get(), {m_boat.x + 60 * i - 1200, m_boat.y + 300}, 0, FALSE);
    const U16 slot = T_NAV_nAddTrack(pSaved.get(), 1, (char*)"T", TRUE);
    ASSERT_NE(NAV_NONE, slot);
    T_NAV_vSetTrackVisibility(slot, TRUE);
    T_NAV_bSetTrackStyle(slot, 1);
    Target(366000021, 0.006, -0.004, 10, 60);
    Target(366000022, -0.003, 0.005, 4, 300);
  }
};

// Each kind of change a boater's unit sees, on the plan chart: the kept
// picture is mended, not drawn again, and shows what drawing it whole shows.
TEST_F(ChartMend, EachKindOfChangeMendsThePlanChartAsDrawingItWholeWould) {
  Store();
  Draw();
  std::vector<COLOR> last = Pixels();
  struct CHANGE {
    const char* pcName;
    std::function<void()> make;
    U32 u32How;  // of T_CHART_lastCompose
  };
  const CHANGE changes[] = {
      {"a ship moved and turned", [&] { Target(366000021, 0.0065, -0.0035, 10, 75); }, 2},
      {"the boat moved 3 m and turned", [&] { Boat(m_boat.x + 2, m_boat.y + 2, 45.0f, 3.0f); }, 2},
      {"a waypoint was added", [&] { Waypoint(m_boat.x - 400, m_boat.y - 900, "Delta"); }, 2},
      {"the zoom changed", [&] { Set("SNCS", 16); }, 0},
      {"a ship came", [&] { Target(366000023, 0.001, 0.001, 7, 200); }, 2},
      {"a route lost its last point", [&] { T_NAV_pGetRoute(0)->nCount = 2; }, 2},
      {"a route was hidden", [&] { T_NAV_pGetRoute(0)->bHide = TRUE; }, 2},
  };
  for (const CHANGE& change : changes) {
    change.make();
    const TWICE t = Twice([&] { Draw(); });
    EXPECT_EQ(change.u32How, t.u32How) << change.pcName;
    EXPECT_NE(last, t.mended) << change.pcName << ": the frame shows the change";
    EXPECT_TRUE(t.whole == t.mended) << change.pcName;
    last = t.mended;
  }
}

// A chart pane beside the full chart traces the same routes for its own
// view; the full chart's next frame, drawn whole, has its routes where they
// were, not where the pane's view put them.
TEST_F(ChartMend, RoutesTracedForAnotherPaneAreTracedAgainForThisOne) {
  Store();
  T_CHART_vComposeWhole(TRUE);
  Draw();
  const std::vector<COLOR> full = Pixels();
  const WINDOW_SPECIFICATION fullSpec = m_spec;
  m_spec.drawWindow = {400, 479, 799, 0};
  m_spec.drawWindowType = SPLIT_RIGHT_WINDOW;
  m_spec.currentLayer = (LAYER_ID)54;
  Draw();
  m_spec = fullSpec;
  Draw();
  EXPECT_TRUE(full == Pixels());
}

// The boat's fixes move the chart by whole pixels: the kept picture is
// moved, and mended where the move cannot carry it (the strips it uncovers,
// the boat, calls cut at the edges), as drawing it whole would show.
TEST_F(ChartMend, AChartMovedByWholePixelsIsMadeFromItsKeptPictureMoved) {
  CHART_RANDOM random(7);
  const U16 a = Waypoint(m_boat.x - 900, m_boat.y + 700, "Able");
  const U16 b = Waypoint(m_boat.x + 2200, m_boat.y - 500, "Baker");
  const U16 c = Waypoint(m_boat.x + 300, m_boat.y - 2000, "Charlie");
  ROUTE* pRoute = TwoPointRoute(0, a, b);
  pRoute->nCount = 3;
  pRoute->anWaypoint[2] = c;
  std::unique_ptr<TRACK> pSaved(new TRACK());
  U_NAV_vClearTrack(&pSaved->sHeader);
  // Across the whole screen and beyond both sides.
  for (int i = 0; i < 80; i++) U_NAV_vAddTrackPoint(pSaved.get(), {m_boat.x + 150 * i - 6000, m_boat.y + 300 + (i % 3) * 20}, 0, FALSE);
  const U16 slot = T_NAV_nAddTrack(pSaved.get(), 1, (char*)"T", TRUE);
  ASSERT_NE(NAV_NONE, slot);
  T_NAV_vSetTrackVisibility(slot, TRUE);
  POINT boat = {m_boat.x - 1500, m_boat.y - 900};
  for (int i = 0; i < 40; i++) {
    boat = {boat.x + 30, boat.y + 20 + (i % 4) * 3};
    U_NAV_vAddTrackPoint(&g_NAV.CurrentTrack, boat, 0, FALSE);
  }
  Target(366000021, 0.006, -0.004, 10, 60);
  Boat(boat.x, boat.y, 60.0f, 3.0f);
  Draw();
  int nMended = 0;
  for (int i = 0; i < 16; i++) {
    boat = {boat.x + random.Any(-40, 40), boat.y + random.Any(-40, 40)};
    U_NAV_vAddTrackPoint(&g_NAV.CurrentTrack, boat, 0, FALSE);
    Boat(boat.x, boat.y, 60.0f, 3.0f);
    const TWICE t = Twice([&] { Draw(); });
    ASSERT_TRUE(t.whole == t.mended) << "fix " << i;
    nMended += t.u32How == 2;
  }
  EXPECT_GE(nMended, 10) << "most moves were made from the kept picture";
}

// The same on the highway, whose ships are drawn over everything else.
TEST_F(ChartMend, EachKindOfChangeMendsTheHighwayAsDrawingItWholeWould) {
  Store();
  Set("SNBS", 18);
  // Pins ahead of the boat, which heads 30 degrees.
  auto ahead = [&](S32 metres, S32 across) { return POINT{m_boat.x + metres / 2 + across, m_boat.y + metres * 7 / 8}; };
  U16 pin = NAV_NONE;
  for (int i = 0; i < 12; i++) {
    const POINT p = ahead(400 + 150 * i, (i % 3 - 1) * 120);
    pin = Waypoint(p.x, p.y, "Pin");
  }
  const POINT ship = ahead(900, 60);
  POSITION pos;
  ASSERT_EQ(NV_OK, nv_MeterToDegr(&ship, &pos));
  Target(366000031, pos.lat - m_pos.lat, pos.lon - m_pos.lon, 6, 10);
  DrawHighway();
  std::vector<COLOR> last = Pixels();
  // The boat's fix and the zoom move the whole view: it is drawn anew.
  const std::pair<U32, std::function<void()>> changes[] = {
      {2, [&] { Target(366000031, pos.lat - m_pos.lat + 0.0005, pos.lon - m_pos.lon, 6, 15); }},
      {2,
       [&] {
         const POINT p = ahead(700, -200);
         Waypoint(p.x, p.y, "Echo");
       }},
      {2, [&] { T_NAV_pGetWaypoint(pin)->sName[0] = 'Z'; }},
      {0, [&] { Boat(m_boat.x + 2, m_boat.y + 3, 30.0f, 3.0f); }},
      {0, [&] { Set("SNBS", 17); }},
  };
  for (size_t i = 0; i < std::size(changes); i++) {
    changes[i].second();
    const TWICE t = Twice([&] { DrawHighway(); });
    EXPECT_EQ(changes[i].first, t.u32How) << "change " << i;
    EXPECT_NE(last, t.mended) << "change " << i;
    EXPECT_TRUE(t.whole == t.mended) << "change " << i;
    last = t.mended;
  }
}

// Random stores under random changes, full screen and in a pane: every
// mended frame equals the whole one.
TEST_F(ChartMend, RandomChangesMendAsDrawingWholeWould) {
  const int kRounds = CHART_nRandomRounds(150, "CHART_MEND_ROUNDS");
  CHART_RANDOM random(69);
  auto any = [&](S32 lo, S32 hi) { return random.Any(lo, hi); };
  std::vector<U16> slots;
  for (int i = 0; i < 30; i++) {
    slots.push_back(Waypoint(m_boat.x + any(-3000, 3000), m_boat.y + any(-2000, 2000), i % 2 ? "Wpt" : "LongName"));
  }
  for (U32 r = 0; r < 3; r++) {
    ROUTE* pRoute = TwoPointRoute(r, slots[r], slots[r + 5]);
    pRoute->nCount = 4;
    pRoute->anWaypoint[2] = slots[r + 10];
    pRoute->anWaypoint[3] = slots[r + 15];
  }
  for (int i = 0; i < 80; i++) {
    U_NAV_vAddTrackPoint(&g_NAV.CurrentTrack, {m_boat.x - 30 * i, m_boat.y - 20 * i + (i % 5) * 15}, 0, FALSE);
  }
  for (U32 m = 0; m < 10; m++) Target(366200000 + m, any(-15, 15) * 0.001, any(-20, 20) * 0.001, any(0, 20), any(0, 359));
  POINT boat = m_boat;
  const WINDOW_LOCATION windows[] = {{0, 479, 799, 0}, {400, 479, 799, 0}};
  int nMended = 0;
  for (int round = 0; round < kRounds; round++) {
    for (MBOX m : {M_NAV, M_ALARM, M_MENU, M_CHART}) Drain(m);
    for (int k = any(1, 3); k > 0; k--) {
      switch (any(0, 8)) {
        case 0: Target(366200000 + (U32)any(0, 12), any(-15, 15) * 0.001, any(-20, 20) * 0.001, any(0, 20), any(0, 359)); break;
        case 1: boat = {boat.x + any(-2, 2), boat.y + any(-2, 2)}; Boat(boat.x, boat.y, (float)any(0, 359), (float)any(0, 5)); break;
        case 2: T_NAV_pGetWaypoint(slots[any(0, 29)])->sName[any(0, 3)] = (char)any('A', 'Z'); break;
        case 3: T_NAV_pGetWaypoint(slots[any(0, 29)])->pt.x += any(-200, 200); break;
        case 4: SetB("SLBL", any(0, 1)); break;
        case 5: SetU("SNCP", (U32)any(0, 3)); break;
        case 6: T_NAV_pGetRoute((U32)any(0, 2))->nCount = (U32)any(2, 4); break;
        case 7: boat = {boat.x + any(-90, 90), boat.y + any(-90, 90)}; Boat(boat.x, boat.y, 30.0f, 3.0f); break;
        default: U_NAV_vAddTrackPoint(&g_NAV.CurrentTrack, {boat.x, boat.y}, 0, FALSE); break;
      }
    }
    if (any(0, 9) == 0) Set("SNCS", any(14, 16));
    // A few frames in a row in each window, so that a chart that moved is
    // made from the picture it kept.
    const int pane = round / 4 % 2;
    m_spec.drawWindow = windows[pane];
    m_spec.drawWindowType = pane ? SPLIT_RIGHT_WINDOW : SPLIT_FULL_WINDOW;
    m_spec.currentLayer = (LAYER_ID)(pane ? 54 : CHART_VIEW_PRIORITY);
    const TWICE chart = Twice([&] { Draw(); });
    ASSERT_TRUE(chart.whole == chart.mended) << "chart, round " << round;
    const TWICE highway = Twice([&] { DrawHighway(); });
    ASSERT_TRUE(highway.whole == highway.mended) << "highway, round " << round;
    nMended += (chart.u32How == 2) + (highway.u32How == 2);
  }
  EXPECT_GT(nMended, kRounds / 2) << "most frames were mended, not drawn whole";
}

}  // namespace
