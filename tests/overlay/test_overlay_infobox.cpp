// The drawn navigation data boxes: what each draws with and without a
// navigation, the blinking position, the clock suffix, the row layout, the
// route-end box over an empty route, the catalogue, and a golden of all of
// them filled in.

#include <string.h>

#include "g_bmp.h"
#include "g_buffers.h"
#include "overlay_test.h"
#include "u_nav_infobox.h"

namespace {

class InfoBox : public ot::OverlayTest {};

// The route being navigated, as the navigation task would hand it over.
ROUTE s_Route;
ROUTE* CurrentRoute(void) { return &s_Route; }

struct NamedBox {
  const char* pcKey;
  INFO_BOX_RENDERING_FUNCTION* pRender;
};

const NamedBox kBoxes[] = {
    {"BPOS", IBRF_vRenderPositionInfoBox},
    {"BTIM", IBRF_vRenderTimeDateInfoBox},
    {"BSUN", IBRF_vRenderSunriseSunsetInfoBox},
    {"BMPH", IBRF_vRenderMoonPhaseInfoBox},
    {"BTMO", IBRF_vRenderTimeOnlyInfoBox},
    {"QCTD", IBRF_vRenderCrossTrackOverErrorDistanceToGoInfoBox},
    {"QTSP", IBRF_vRenderTimeToGoOverSpeedInfoBox},
    {"QWTG", IBRF_vRenderWayPointOverTimeToGoInfoBox},
    {"QDTG", IBRF_vRenderDistanceToGoOverTimeToGoInfoBox},
    {"QETA", IBRF_vRenderDistanceToGoOverEstimatedTimeArrivalInfoBox},
    {"QDTF", IBRF_vRenderDistanceToGoOverTimeToGoFinalInfoBox},
    {"QETF", IBRF_vRenderDistanceToGoOverEstimatedTimeArrivalFinalInfoBox},
    {"QCOS", IBRF_vRenderCourseMadeGoodOverSpeedMadeGoodInfoBox},
    {"QTOC", IBRF_vRenderCurrentTrackOverCourseMadeGoodInfoBox},
};

INFO_BOX_RENDERING_FUNCTION* Renderer(const char* pcKey) {
  for (const auto& b : kBoxes) {
    if (strcmp(b.pcKey, pcKey) == 0) return b.pRender;
  }
  return nullptr;
}

U32 FourCC(const char* pc) {
  char text[5] = {pc[0], pc[1], pc[2], pc[3], 0};
  return FCID(text);
}

// One box drawn at the first slot of the column on black.
std::vector<COLOR> Box(INFO_BOX_RENDERING_FUNCTION* pRender) {
  BITMAP* pBitmap = G_BUFFERS_pCreateFullScreenBitmap();
  G_BMP_vSet(pBitmap, 0x0000);
  POINT pt = {0, 385};
  pRender(pBitmap, &pt, VIBD_DOWN, 0);
  const COLOR* p = (const COLOR*)pBitmap->pBuffer;
  std::vector<COLOR> pixels(p, p + G_SCREEN_WIDTH * G_SCREEN_HEIGHT);
  G_BUFFERS_vFreeBitmap(pBitmap);
  return pixels;
}

bool Blank(const std::vector<COLOR>& picture) {
  for (COLOR c : picture) {
    if (c != 0) return false;
  }
  return true;
}

U64 g_u64Now = 1000;
U64 TestClock(void) { return g_u64Now; }

// Values written through Stale() time out a second later, on a clock of the
// test's own.
class StaleClock {
 public:
  StaleClock() { H_DATABASE_vSetClock(TestClock); }
  ~StaleClock() { H_DATABASE_vSetClock(nullptr); }
  void Age() { g_u64Now += 60000; }
};

void SetValid(const char (&pcKey)[5], float f, DATA_TYPE eType) {
  H_DATABASE_bUpdateEverythingFloat(FCID(pcKey), f, P_NORMAL, eType, nullptr, DB_NEVER_STALE);
}

void Stale(StaleClock* pClock, const char (&pcKey)[5], float f, DATA_TYPE eType) {
  H_DATABASE_bUpdateEverythingFloat(FCID(pcKey), f, P_NORMAL, eType, nullptr, 1);
  pClock->Age();
}

void SetTime(U32 u32Seconds, U32 u32TimeOut = DB_NEVER_STALE) {
  H_DATABASE_bUpdateEverythingU32(FCID("IDTM"), u32Seconds, P_NORMAL, D_DATETIME, nullptr, u32TimeOut);
}

// A boat at sea, a clock, a destination and a two-point route being
// followed, with every navigation value present.
void Navigate(bool bHandOverRoute = true) {
  SetValid("ILTD", 47.5f, D_POSITION_LAT);
  SetValid("ILND", -122.25f, D_POSITION_LON);
  SetTime(1718454600);  // 2024-06-15 12:30 UTC
  ot::Set("SITF", 3);
  ot::Set("SIDF", 0);
  H_DATABASE_bUpdateEverythingS32(FCID("SLTZ"), -480, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingBoolean(FCID("SDST"), TRUE, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  ot::Set("INIP", 1);
  ot::PutWaypoint(3, "HARBOUR", 1000, 2000, 1);
  ot::PutWaypoint(4, "REEF", 1200, 2400, 1);
  ot::Set("IDWP", 3);
  if (bHandOverRoute) {
    ASSERT_TRUE(T_NAV_INFOBOX_bRegisterCurrentRoute(CurrentRoute));
    s_Route.nCount = 2;
    s_Route.anWaypoint[0] = 3;
    s_Route.anWaypoint[1] = 4;
  }
  for (const char* pc : {"IXTE", "IDTG", "IDTF", "ISMG", "ISPD"}) {
    H_DATABASE_bUpdateEverythingFloat(FourCC(pc), 1.25f, P_NORMAL, D_DISTANCE, nullptr, DB_NEVER_STALE);
  }
  for (const char* pc : {"ICMG", "ITRK"}) {
    H_DATABASE_bUpdateEverythingFloat(FourCC(pc), 1.0f, P_NORMAL, D_HEADING, nullptr, DB_NEVER_STALE);
  }
  for (const char* pc : {"ITTG", "ITTF"}) {
    H_DATABASE_bUpdateEverythingS32(FourCC(pc), 754, P_NORMAL, D_TIME, nullptr, DB_NEVER_STALE);
  }
  for (const char* pc : {"IETA", "IETF"}) {
    H_DATABASE_bUpdateEverythingS32(FourCC(pc), 1718457600, P_NORMAL, D_DATETIME, nullptr, DB_NEVER_STALE);
  }
}

TEST_F(InfoBox, WithoutNavigationTheDualBoxesStayEmptyAndTheWaypointBoxesShowDashes) {
  ot::Set("INIP", 0);
  for (const char* pc : {"QCTD", "QTSP", "QCOS", "QTOC"}) EXPECT_TRUE(Blank(Box(Renderer(pc)))) << pc;
  for (const char* pc : {"QWTG", "QDTG", "QETA", "QDTF", "QETF"}) EXPECT_FALSE(Blank(Box(Renderer(pc)))) << pc;
}

// Until the navigation task hands its route over, the route-end box draws
// as for an empty route.
TEST_F(InfoBox, WithNoRouteHandedOverTheRouteEndBoxIsThatOfAnEmptyRoute) {
  s_Route.nCount = 0;
  Navigate(false);
  const auto none = Box(IBRF_vRenderDistanceToGoOverTimeToGoFinalInfoBox);
  ASSERT_TRUE(T_NAV_INFOBOX_bRegisterCurrentRoute(CurrentRoute));
  EXPECT_EQ(none, Box(IBRF_vRenderDistanceToGoOverTimeToGoFinalInfoBox));
}

TEST_F(InfoBox, AnEmptyRouteGivesTheRouteEndBoxesTheirDashes) {
  Navigate();
  const auto withRoute = Box(IBRF_vRenderDistanceToGoOverTimeToGoFinalInfoBox);
  s_Route.nCount = 0;
  const auto empty = Box(IBRF_vRenderDistanceToGoOverTimeToGoFinalInfoBox);
  EXPECT_NE(withRoute, empty);
  ot::Set("INIP", 0);
  for (const char* pc : {"ITTF", "IDTF", "IETF"}) H_DATABASE_vDeleteEntry(FourCC(pc));
  const auto idle = Box(IBRF_vRenderDistanceToGoOverTimeToGoFinalInfoBox);
  ot::Set("INIP", 1);
  EXPECT_EQ(idle, Box(IBRF_vRenderDistanceToGoOverTimeToGoFinalInfoBox));
  EXPECT_EQ(idle, Box(IBRF_vRenderDistanceToGoOverEstimatedTimeArrivalFinalInfoBox));
}

TEST_F(InfoBox, AStalePositionIsDrawnOnlyInTheOnHalfOfTheBlink) {
  ASSERT_FALSE(T_INFO_bBlinkState());  // no info task here: the blink stays off
  EXPECT_TRUE(Blank(Box(IBRF_vRenderPositionInfoBox)));
  SetValid("ILTD", 47.5f, D_POSITION_LAT);
  SetValid("ILND", -122.25f, D_POSITION_LON);
  const auto fresh = Box(IBRF_vRenderPositionInfoBox);
  StaleClock clock;
  Stale(&clock, "ILTD", 47.5f, D_POSITION_LAT);
  const auto stale = Box(IBRF_vRenderPositionInfoBox);
  EXPECT_NE(fresh, stale);
  // Only the bar is left: nothing of either line.
  BITMAP* pBitmap = G_BUFFERS_pCreateFullScreenBitmap();
  G_BMP_vSet(pBitmap, 0x0000);
  T_INFO_vDrawInfoBar(pBitmap, 158, 94, 0, 385, IBS_SEMITRANSPARENT_VORNE_DARK_GRAY_BAR);
  const COLOR* p = (const COLOR*)pBitmap->pBuffer;
  EXPECT_EQ(std::vector<COLOR>(p, p + G_SCREEN_WIDTH * G_SCREEN_HEIGHT), stale);
  G_BUFFERS_vFreeBitmap(pBitmap);
}

TEST_F(InfoBox, TheClockSuffixFollowsTheTimeFormat) {
  struct tm afternoon = {};
  afternoon.tm_hour = 12;
  struct tm morning = {};
  morning.tm_hour = 11;
  char s[IBRF_AMPM_SIZE];
  memset(s, 'x', sizeof s);
  IBRF_vAddAmPm(s, &afternoon);  // no SITF at all
  EXPECT_STREQ("", s);
  ot::Set("SITF", 3);
  IBRF_vAddAmPm(s, &afternoon);
  EXPECT_STREQ("PM", s);
  IBRF_vAddAmPm(s, &morning);
  EXPECT_STREQ("AM", s);
  ot::Set("SITF", 4);
  IBRF_vAddAmPm(s, &afternoon);
  EXPECT_STREQ("", s);
}

TEST_F(InfoBox, SunAndMoonNeedAValidPositionAndClock) {
  Navigate();
  const auto sun = Box(IBRF_vRenderSunriseSunsetInfoBox);
  const auto moon = Box(IBRF_vRenderMoonPhaseInfoBox);
  ot::Set("SITF", 4);
  EXPECT_NE(sun, Box(IBRF_vRenderSunriseSunsetInfoBox));  // the suffix went
  StaleClock clock;
  Stale(&clock, "ILND", -122.25f, D_POSITION_LON);
  const auto sunDashes = Box(IBRF_vRenderSunriseSunsetInfoBox);
  const auto moonDashes = Box(IBRF_vRenderMoonPhaseInfoBox);
  EXPECT_FALSE(Blank(sunDashes));
  EXPECT_NE(sun, sunDashes);
  EXPECT_NE(moon, moonDashes);
  SetValid("ILND", -122.25f, D_POSITION_LON);
  SetTime(1718454600, 1);
  clock.Age();
  EXPECT_EQ(sunDashes, Box(IBRF_vRenderSunriseSunsetInfoBox));
  EXPECT_EQ(moonDashes, Box(IBRF_vRenderMoonPhaseInfoBox));
  EXPECT_TRUE(Blank(Box(IBRF_vRenderTimeOnlyInfoBox)));
  EXPECT_TRUE(Blank(Box(IBRF_vRenderTimeDateInfoBox)));
}

TEST_F(InfoBox, OnlyTheWaypointOverTimeToGoBoxMovesOnInARow) {
  Navigate();
  BITMAP* pBitmap = G_BUFFERS_pCreateFullScreenBitmap();
  for (const auto& b : kBoxes) {
    POINT pt = {10, 200};
    b.pRender(pBitmap, &pt, VIBD_RIGHT, 0);
    EXPECT_EQ(strcmp(b.pcKey, "QWTG") == 0 ? 168 : 10, pt.x) << b.pcKey;
    EXPECT_EQ(200, pt.y) << b.pcKey;
    b.pRender(pBitmap, &pt, VIBD_DOWN, 0);
    EXPECT_EQ(strcmp(b.pcKey, "QWTG") == 0 ? 168 : 10, pt.x) << b.pcKey;
  }
  G_BUFFERS_vFreeBitmap(pBitmap);
}

TEST_F(InfoBox, TheCatalogueHoldsEachRendererWithItsTitle) {
  // The navigation task binds QDTG to a plain value first.
  H_DATABASE_bUpdateEverythingU32(FCID("QDTG"), FCID("IDTG"), P_NORMAL, D_FCID, nullptr, DB_NEVER_STALE);
  T_NAV_INFOBOX_vPublish();
  for (const auto& b : kBoxes) {
    DB_DATA_TYPE value = {};
    DB_ATTRIBUTES attributes = {};
    ASSERT_TRUE(H_DATABASE_bFetch(FourCC(b.pcKey), &value, nullptr, &attributes)) << b.pcKey;
    EXPECT_EQ(D_POINTER, attributes.DataType) << b.pcKey;
    EXPECT_EQ((void*)b.pRender, value.vpPointer) << b.pcKey;
    EXPECT_NE(nullptr, attributes.ppcText) << b.pcKey;
  }
}

TEST_F(InfoBox, AllFourteenBoxesWhileNavigating) {
  Navigate();
  ot::Set("SIPF", 6);
  BITMAP* pBitmap = G_BUFFERS_pCreateFullScreenBitmap();
  G_BMP_vSet(pBitmap, 0x0000);
  for (U32 i = 0; i < sizeof kBoxes / sizeof kBoxes[0]; i++) {
    POINT pt = {(S32)(i / 3) * 160, 385 - (S32)(i % 3) * 96};
    kBoxes[i].pRender(pBitmap, &pt, VIBD_DOWN, 0);
  }
  const COLOR* p = (const COLOR*)pBitmap->pBuffer;
  const std::vector<COLOR> picture(p, p + G_SCREEN_WIDTH * G_SCREEN_HEIGHT);
  G_BUFFERS_vFreeBitmap(pBitmap);
  // FreeType built for 32-bit ARM rounds some glyph coverage differently, so
  // the board keeps its own picture beside the host's.
#if defined(__arm__)
  EXPECT_TRUE(ot::MatchesGolden("infoboxes-armhf", picture));
#else
  EXPECT_TRUE(ot::MatchesGolden("infoboxes", picture));
#endif
}

}  // namespace
