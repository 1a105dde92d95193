// Data boxes and the instrument layers drawn on a full screen, with the info
// task running for its blink phase and its copy of the box option; pictures
// are compared with the PNGs in golden/.

#include <gtest/gtest.h>
#include <string.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

#include "astro.h"
#include "color.h"
#include "g_bmp.h"
#include "g_buffers.h"
#include "g_truetype.h"
#include "h_database.h"
#include "h_memory.h"
#include "readouts_test.h"
#include "t_info.h"
#include "test_keys.h"
#include "text_util.h"
#include "u_convert.h"
#include "u_language.h"
#include "u_nav.h"
#include "u_wstring.h"

namespace {

// A value word, whatever the key's type.
void Put(FOURCHARID id, U32 value, DATA_TYPE type = D_UNKNOWN) {
  DB_DATA_TYPE word = {};
  word.u32Val = value;
  H_DATABASE_bUpdateEverything(id, word, P_NORMAL, type, nullptr, DB_NEVER_STALE);
}

void PutFloat(FOURCHARID id, float value, DATA_TYPE type, U32 u32TimeOut = DB_NEVER_STALE) {
  H_DATABASE_bUpdateEverythingFloat(id, value, P_NORMAL, type, nullptr, u32TimeOut);
}

COLOR Pixel(const std::vector<COLOR>& picture, int x, int row) { return picture[(size_t)row * G_SCREEN_WIDTH + x]; }

// FreeType built for 32-bit ARM rounds some coverage values of the large
// digits differently from the 64-bit host build, so pictures with text keep
// the board's golden beside the host's; each is compared exactly.
::testing::AssertionResult MatchesTextGolden(const std::string& name, const std::vector<COLOR>& picture) {
#if defined(__arm__)
  return rt::MatchesGolden(name + "-armhf", picture);
#else
  return rt::MatchesGolden(name, picture);
#endif
}

// The layer over a mid-grey picture, so outlined text in either colour shows.
void OverGrey(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER psWindowSpec) {
  G_BMP_vSet(pBitmap, 0x8410);
  T_INFO_vDrawInfoLayer_Instrumentation_SonarView(pBitmap, psWindowSpec);
}

// The sonar view's layer drawn wholly within one blink phase.
std::vector<COLOR> PictureInPhase(BOOLEAN bOn) {
  for (int attempt = 0; attempt < 5; attempt++) {
    if (!rt::WaitFor([bOn] { return T_INFO_bBlinkState() == bOn; }, 3000)) break;
    std::vector<COLOR> picture = rt::Picture(T_INFO_vDrawInfoLayer_Instrumentation_SonarView);
    if (T_INFO_bBlinkState() == bOn) return picture;
  }
  ADD_FAILURE() << "no whole picture in blink phase " << (int)bOn;
  return {};
}

bool HasColour(const std::vector<COLOR>& picture, COLOR c) {
  return std::find(picture.begin(), picture.end(), c) != picture.end();
}

// The columns between which rows y0..y1 hold anything but the background.
struct Extent {
  int left = G_SCREEN_WIDTH, right = -1, bottom = G_SCREEN_HEIGHT, top = -1;
};
Extent TextExtent(const std::vector<COLOR>& picture, int y0, int y1, COLOR background, int x0 = 0,
                  int x1 = G_SCREEN_WIDTH) {
  Extent e;
  for (int y = y0; y <= y1; y++) {
    for (int x = x0; x < x1; x++) {
      if (Pixel(picture, x, G_SCREEN_HEIGHT - 1 - y) == background) continue;
      e.left = std::min(e.left, x);
      e.right = std::max(e.right, x);
      e.bottom = std::min(e.bottom, y);
      e.top = std::max(e.top, y);
    }
  }
  return e;
}

class InfoDrawing : public rt::ReadoutsTest {
 protected:
  TEST_OWN_KEYS m_ownKeys;
  void SetUp() override {
    rt::ReadoutsTest::SetUp();
    Start(rt::INFO);
    GENERIC_MESSAGE* run = (GENERIC_MESSAGE*)H_MEMORY_pvMalloc(sizeof(GENERIC_MESSAGE));
    *run = {};
    run->Cmd = CMD_ID_RUN_SYSTEM;
    ASSERT_EQ(0, L_MBOX_Send(M_INFO, run, 3, 0));
    rt::Sync(M_INFO);
    Put(FCID("SUDP"), U_FEET);
    Put(FCID("SUTE"), U_CELSIUS);
    Put(FCID("SUSP"), U_KNOTS);
    Put(FCID("SITF"), F_24HOUR);
    Put(FCID("CVEW"), SONAR_VIEW_PRIORITY);
    Put(FCID("BDEP"), FCID("IDEP"), D_FCID);
    Put(FCID("BTMP"), FCID("ITMP"), D_FCID);
    Put(FCID("BSPD"), FCID("ISPD"), D_FCID);
    PutFloat(FCID("IDEP"), 7.0104f, D_DEPTH);  // 23.0 ft
    PutFloat(FCID("ITMP"), 18.5f, D_TEMPERATURE);
    PutFloat(FCID("ISPD"), 2.5722f, D_SPEED);  // 5.0 kts
    Put(FCID("IDTM"), 1710936000, D_DATETIME);  // 2024-03-20 12:00 UTC
    Slots(FCID("BDEP"), 0, 0, 0, 0);
  }
  void Option(DATA_BOXES_OPTION eOption) {
    Put(FCID("SDBO"), eOption, D_FCID);
    rt::Sync(M_INFO);
    ASSERT_EQ(eOption, T_INFO_eDataBoxOption());
  }
  void Slots(U32 a, U32 b, U32 c, U32 d, U32 e) {
    const U32 v[] = {a, b, c, d, e};
    const FOURCHARID k[] = {FCID("SIS1"), FCID("SIS2"), FCID("SIS3"), FCID("SIS4"), FCID("SIS5")};
    for (int i = 0; i < 5; i++) Put(k[i], v[i], D_FCID);
  }
};

TEST_F(InfoDrawing, TheBoxColumnFlashesAnInvalidReadoutAndLeavesAnOffSlotEmpty) {
  Option(DATA_BOXES_ON);
  Slots(FCID("BDEP"), FCID("BTMP"), 0, FCID("BSPD"), 0);
  PutFloat(FCID("ITMP"), 18.5f, D_TEMPERATURE, 1);
  ASSERT_TRUE(rt::WaitFor([] {
    BOOLEAN bValid = TRUE;
    return H_DATABASE_bFetch(FCID("ITMP"), nullptr, &bValid, nullptr) && !bValid;
  }));
  H_DATABASE_vSendAllInvalidData();
  EXPECT_EQ(160u, T_INFO_u32XOrigin());
  const std::vector<COLOR> on = PictureInPhase(TRUE);
  const std::vector<COLOR> off = PictureInPhase(FALSE);
  EXPECT_TRUE(MatchesTextGolden("column_blink_on", on));
  EXPECT_TRUE(MatchesTextGolden("column_blink_off", off));
  // Only the invalid temperature's digits change between the phases.
  for (size_t i = 0; i < on.size(); i++) {
    const int x = (int)(i % G_SCREEN_WIDTH);
    const int y = (int)(G_SCREEN_HEIGHT - 1 - i / G_SCREEN_WIDTH);
    if (on[i] != off[i]) {
      ASSERT_LT(x, 158);
      ASSERT_GE(y, 289);
      ASSERT_LT(y, 385);
    }
  }
}

TEST_F(InfoDrawing, EverySixteenBarStyles) {
  T_INFO_vSetAlpha(0x80);
  const std::vector<COLOR> picture = rt::Picture([](BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER) {
    for (U32 s = 0; s <= 17; s++) {
      T_INFO_vDrawInfoBar(pBitmap, 300, 40, 40 + (S32)(s / 9) * 400, 20 + (S32)(s % 9) * 52, (INFO_BOX_STYLE)s);
    }
  });
  EXPECT_TRUE(rt::MatchesGolden("bar_styles", picture));
}

TEST_F(InfoDrawing, ABarAtTheBottomEdgeIsNotMovedDown) {
  const std::vector<COLOR> picture = rt::Picture([](BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER) {
    T_INFO_vDrawInfoBar(pBitmap, 10, 5, 0, 0, IBS_WHITE_BAR);
    T_INFO_vDrawInfoBar(pBitmap, 10, 5, 100, 10, IBS_WHITE_BAR);
  });
  const COLOR white = gCOLOR_pcolColorTable[128];
  auto at = [&](int x, int y) { return Pixel(picture, x, G_SCREEN_HEIGHT - 1 - y); };
  EXPECT_EQ(white, at(0, 0));
  EXPECT_EQ(white, at(0, 4));
  EXPECT_NE(white, at(0, 5));
  EXPECT_EQ(white, at(100, 9));  // one row more below and above
  EXPECT_EQ(white, at(100, 15));
  EXPECT_NE(white, at(100, 16));
  EXPECT_NE(white, at(100, 8));
}

// The manager's chart views fill the column only while the manager, once
// it has registered, says that its window is up.
TEST_F(InfoDrawing, TheManagersChartViewsFillTheColumnOnlyWhenTheManagerSaysItIsOpen) {
  Option(DATA_BOXES_ON);
  Slots(FCID("BDEP"), 0, 0, 0, 0);
  Put(FCID("CVEW"), 53);
  rt::Sync(M_INFO);
  ASSERT_NE(0u, T_INFO_u32XOrigin());
  auto filled = [] {
    const std::vector<COLOR> picture = rt::Picture(T_INFO_vDrawInfoLayer_Instrumentation_TrackChartView);
    return Pixel(picture, 80, G_SCREEN_HEIGHT - 1 - 100) == gCOLOR_pcolColorTable[238];
  };
  EXPECT_FALSE(filled());
  // The hook stays for the program's life; it says open only while asked to.
  static std::atomic<bool> s_bOpen{false};
  ASSERT_TRUE(T_INFO_bRegisterWaypointManagerOpen([]() -> BOOLEAN { return s_bOpen.load(); }));
  EXPECT_FALSE(filled());
  s_bOpen = true;
  EXPECT_TRUE(filled());
  s_bOpen = false;
}

TEST_F(InfoDrawing, TheSonarOverlayShowsOutlinedValuesAndNoColumn) {
  Option(DATA_BOXES_OVERLAY);
  Slots(FCID("BDEP"), FCID("BTMP"), 0, 0, 0);
  EXPECT_EQ(0u, T_INFO_u32XOrigin());
  const std::vector<COLOR> picture = rt::Picture(OverGrey);
  EXPECT_TRUE(MatchesTextGolden("sonar_overlay", picture));
  EXPECT_FALSE(HasColour(picture, gCOLOR_pcolColorTable[238]));
}

TEST_F(InfoDrawing, TheIceOverlayShowsMoonDatesAndTheNextSunEvent) {
  // The almanac is one for the unit and computes again only for a new
  // position: another test's computation here on another date is not ours.
  U32 h[6] = {};
  ASTRO_bGetSunriseSunsetTimes(-40.0, 0.0, 2024, 3, 20, 0.0, &h[0], &h[1], &h[2], &h[3], &h[4], &h[5]);
  H_DATABASE_bUpdateEverythingBoolean(FCID("SICE"), TRUE, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  rt::Sync(M_INFO);
  Option(DATA_BOXES_OVERLAY);
  PutFloat(FCID("ILTD"), 40.0f, D_POSITION_LAT);
  PutFloat(FCID("ILND"), 0.0f, D_POSITION_LON);
  Put(FCID("IBAT"), 56, D_PERCENT);
  Put(FCID("BBAT"), FCID("IBAT"), D_FCID);
  const std::vector<COLOR> picture = rt::Picture(OverGrey);
  EXPECT_TRUE(MatchesTextGolden("ice_overlay", picture));
  // On the 12-hour clock the sunset at about 18:10 reads 6:10 with a PM
  // after it, so the sun line ends further right.
  Put(FCID("SITF"), F_12HOUR);
  const std::vector<COLOR> twelve = rt::Picture(OverGrey);
  const Extent sun24 = TextExtent(picture, 85, 122, 0x8410), sun12 = TextExtent(twelve, 85, 122, 0x8410);
  EXPECT_GT(sun12.right, sun24.right + 10);
  EXPECT_EQ(sun12.left, sun24.left) << "the icon stays";
}

TEST_F(InfoDrawing, TheIceBigDigitsClockIsCentredInTheColumnAndAlwaysShown) {
  H_DATABASE_bUpdateEverythingBoolean(FCID("SICE"), TRUE, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  Put(FCID("CVEW"), ZOLT_DIGIT_ICE_VIEW_PRIORITY);
  rt::Sync(M_INFO);
  ASSERT_EQ(300u, T_INFO_u32XOrigin());
  Put(FCID("SITF"), F_12HOUR);
  // The depth box on top, the clock's box (rows 162..315) under it; the
  // digits lie in its lower half, inside the bar.
  auto clock = [](U32 u32Time) {
    Put(FCID("IDTM"), u32Time, D_DATETIME);
    const std::vector<COLOR> picture = rt::Picture(T_INFO_vDrawInfoLayer_Instrumentation_SonarView);
    return TextExtent(picture, 150, 240, Pixel(picture, 20, G_SCREEN_HEIGHT - 1 - 170), 2, 292);
  };
  const Extent narrow = clock(1710927660);  // 9:41, no AM/PM
  const Extent wide = clock(1710936000);    // 12:00
  for (const Extent& e : {narrow, wide}) {
    EXPECT_NEAR(150, (e.left + e.right) / 2, 4);
    EXPECT_GT(e.right - e.left, 120);
  }
  EXPECT_GT(narrow.top - narrow.bottom, wide.top - wide.bottom) << "only a time too wide for the column is smaller";
}

TEST_F(InfoDrawing, TheBigDigitsViewShowsThreeReadoutsBesideItsArea) {
  Put(FCID("CVEW"), ZOLT_DIGIT_VIEW_PRIORITY);
  EXPECT_EQ(300u, T_INFO_u32XOrigin());
  const std::vector<COLOR> picture = rt::Picture(T_INFO_vDrawInfoLayer_Instrumentation_SonarView);
  EXPECT_TRUE(MatchesTextGolden("big_digits", picture));
  for (size_t i = 0; i < picture.size(); i++) {
    if (picture[i] != 0) {
      ASSERT_LT((int)(i % G_SCREEN_WIDTH), 300);
    }
  }
}

TEST_F(InfoDrawing, TheBigDigitsViewWithItsWidestValues) {
  Put(FCID("CVEW"), ZOLT_DIGIT_VIEW_PRIORITY);
  PutFloat(FCID("IDEP"), 304.77f, D_DEPTH);        // 999.9 ft
  PutFloat(FCID("ITMP"), -99.9f, D_TEMPERATURE);   // -99.9 °C
  PutFloat(FCID("ISPD"), 51.39f, D_SPEED);         // 99.9 kts
  const std::vector<COLOR> picture = rt::Picture(T_INFO_vDrawInfoLayer_Instrumentation_SonarView);
  EXPECT_TRUE(MatchesTextGolden("big_digits_widest", picture));
  for (size_t i = 0; i < picture.size(); i++) {
    if (picture[i] != 0) {
      ASSERT_LT((int)(i % G_SCREEN_WIDTH), 292) << "inside the boxes";
    }
  }
}

TEST_F(InfoDrawing, APercentageInAWideLanguageHasWideUnits) {
  Put(FCID("IBAT"), 56, D_PERCENT);
  Put(FCID("SLNG"), LANGUAGE_JAPANESE);
  U_WSTRING_vUpdateCurrentLanguage();
  char value[40] = {};
  const char* units = nullptr;
  T_INFO_nInfoStrings(value, &units, nullptr, 158, FCID("IBAT"), T_INFO_pFont(62), T_INFO_pFont(14), T_INFO_pFont(32),
                      SMALL_TENTHS, 0, 40, nullptr, nullptr);
  const char wide56[] = {0, '5', 0, '6', 0, 0}, widePercent[] = {0, '%', 0, 0};
  EXPECT_EQ(0, memcmp(wide56, value, sizeof wide56));
  ASSERT_NE(nullptr, units);
  EXPECT_EQ(0, memcmp(widePercent, units, sizeof widePercent));
  Put(FCID("SLNG"), LANGUAGE_ENGLISH);
  U_WSTRING_vUpdateCurrentLanguage();
}

TEST_F(InfoDrawing, TheXOriginAndColumnWidthFollowTheSlots) {
  Option(DATA_BOXES_ON);
  Slots(0, 0, 0, 0, 0);
  EXPECT_EQ(0u, T_INFO_u32XOrigin());
  Slots(FCID("BDEP"), 0, 0, 0, 0);
  EXPECT_EQ(160u, T_INFO_u32XOrigin());
  Put(FCID("CVEW"), SONAR_2D_ZOOM_PLUS_FLASHER_ICE_PRIORITY);
  EXPECT_EQ(0u, T_INFO_u32XOrigin());
  Put(FCID("CVEW"), SONAR_VIEW_PRIORITY);
  Option(DATA_BOXES_OVERLAY);
  EXPECT_EQ(0u, T_INFO_u32XOrigin());

  // Slot 3 only: rows 189..290 hold a box.
  Slots(0, 0, FCID("BDEP"), 0, 0);
  const struct {
    S32 minY, maxY, width;
  } rows[] = {{0, 100, 0}, {0, 190, 162}, {290, 480, 162}, {291, 480, 0}, {100, 189, 0}};
  for (const auto& r : rows) EXPECT_EQ(r.width, T_INFO_nBoxWidth_SonarView(r.minY, r.maxY)) << r.minY << ".." << r.maxY;
  // A slot naming a readout whose live item is missing holds nothing.
  Put(FCID("BGON"), FCID("IGON"), D_FCID);
  Slots(0, 0, FCID("BGON"), 0, 0);
  EXPECT_EQ(0, T_INFO_nBoxWidth_SonarView(0, 480));
}

TEST_F(InfoDrawing, TheCursorAndManOverboardBarsAppearOnlyWhenTheirStateHolds) {
  Option(DATA_BOXES_ON);
  const COLOR edge = gCOLOR_pcolColorTable[239];
  const COLOR bar = gCOLOR_pcolColorTable[238];
  auto row = [](const std::vector<COLOR>& p, int y) {
    return std::vector<COLOR>(p.begin() + (size_t)(G_SCREEN_HEIGHT - 1 - y) * G_SCREEN_WIDTH,
                              p.begin() + (size_t)(G_SCREEN_HEIGHT - y) * G_SCREEN_WIDTH);
  };
  std::vector<COLOR> p = rt::Picture(T_INFO_vDrawInfoLayer_Instrumentation_SonarView);
  std::vector<COLOR> r = row(p, 440);
  EXPECT_EQ(0, std::count(r.begin() + 200, r.end(), edge));
  Put(FCID("ICAC"), 1);
  p = rt::Picture(T_INFO_vDrawInfoLayer_Instrumentation_SonarView);
  r = row(p, 421);
  EXPECT_GT(std::count(r.begin() + 200, r.end(), edge), 100);

  Put(FCID("ICAC"), 0);
  Put(FCID("MOBX"), 0);
  p = rt::Picture(T_INFO_vDrawInfoLayer_Instrumentation_SonarView);
  r = row(p, 30);
  EXPECT_EQ(0, std::count(r.begin() + 300, r.end(), bar));
  Put(FCID("INIP"), 1);
  Put(FCID("MOBT"), 125, D_TIME);
  p = rt::Picture(T_INFO_vDrawInfoLayer_Instrumentation_SonarView);
  EXPECT_TRUE(MatchesTextGolden("mob_bar", p));
  r = row(p, 30);
  EXPECT_GT(std::count(r.begin() + 170, r.end(), bar), 300);
  // Navigating without a man overboard: the waypoint bar instead, narrow.
  H_DATABASE_vDeleteEntry(FCID("MOBT"));
  p = rt::Picture(T_INFO_vDrawInfoLayer_Instrumentation_SonarView);
  r = row(p, 30);
  EXPECT_LT(std::count(r.begin() + 170, r.end(), bar), 100);
}

struct INK {
  std::string text;
  G_TEXT_BOX box;
};
std::vector<INK> s_ink;
void Ink(const BITMAP*, const char* pText, const FONT_DEF*, const G_TEXT_BOX* pBox) {
  s_ink.push_back({std::string(pText, U_WSTRING_u32w_strlen(pText, FALSE)), *pBox});
}
// The texts a layer draws on a full screen.
std::vector<INK> Ink(DRAW_FUNCTION* pfnLayer) {
  s_ink.clear();
  G_TRUETYPE_vSetTextObserver(Ink);
  rt::Picture(pfnLayer);
  G_TRUETYPE_vSetTextObserver(nullptr);
  return s_ink;
}

// The widest value a box shows, in each size of box the layers draw: its
// digits stay inside the bar and clear of the title and the units.
TEST_F(InfoDrawing, TheWidestValuesStayInsideEveryBoxSizeClearOfTitleAndUnits) {
  // The column's and the big digits' boxes, then the navigation boxes and the
  // cursor bar's, whose short titles sit beside the value, not above it.
  struct BOX {
    S32 width, height, x, y;
    U32 value, tenths, units;
    bool bTitleAbove;
  } boxes[] = {{158, 94, 0, 193, 62, 32, 17, true},   {158, 94, 0, 193, 62, 62, 17, true},
               {290, 154, 2, 322, 100, 62, 14, true}, {290, 154, 2, 322, 100, 100, 14, true},
               {158, 44, 300, 100, 26, 26, 14, false}, {150, 52, 300, 100, 32, 32, 14, false}};
  struct VALUE {
    FOURCHARID id;
    U32 unitKey, unit;
    float internal;
    DATA_TYPE type;
    const char* title;
  } values[] = {{FCID("IDEP"), FCID("SUDP"), U_FEET, 304.77f, D_DEPTH, "Depth"},     // 999.9 ft
                {FCID("IDEP"), FCID("SUDP"), U_METRES, 99.9f, D_DEPTH, "Depth"},
                {FCID("ITMP"), FCID("SUTE"), U_CELSIUS, -99.9f, D_TEMPERATURE, "Temp"},
                {FCID("ITMP"), FCID("SUTE"), U_FAHRENHEIT, -99.9f, D_TEMPERATURE, "Temp"},
                {FCID("ISPD"), FCID("SUSP"), U_KNOTS, 51.39f, D_SPEED, "Speed"}};         // 99.9 kts
  BITMAP* page = G_BUFFERS_pCreateFullScreenBitmap();
  for (const VALUE& v : values) {
    Put(v.unitKey, v.unit);
    PutFloat(v.id, v.internal, v.type);
    for (const BOX& b : boxes) {
      G_BMP_vSet(page, 0);
      s_ink.clear();
      G_TRUETYPE_vSetTextObserver(Ink);
      const S32 drawn = T_INFO_nDrawDigitsInfoBox(page, b.width, b.height, b.x, b.y, v.id, T_INFO_pFont(b.value),
                                                  T_INFO_pFont(b.units), T_INFO_pFont(b.tenths), DONT_FORCE,
                                                  IBS_SEMITRANSPARENT_VORNE_DARK_GRAY_BAR,
                                                  INSTRUMENTATION_JUSTIFY_RIGHT, LANGUAGE_ENGLISH);
      G_TRUETYPE_vSetTextObserver(nullptr);
      const std::string where = std::to_string(b.width) + "x" + std::to_string(b.value) + " " + v.title + " " +
                                std::to_string(v.unit);
      EXPECT_EQ(b.width, drawn) << where;
      std::vector<G_TEXT_BOX> digits, others;
      for (const INK& i : s_ink) {
        (i.text.find_first_of("0123456789") != std::string::npos ? digits : others).push_back(i.box);
      }
      ASSERT_FALSE(digits.empty()) << where;
      ASSERT_EQ(2u, others.size()) << where << ": a title and units";
      for (const G_TEXT_BOX& d : digits) {
        EXPECT_GE(d.left, b.x) << where;
        EXPECT_LT(d.right, b.x + b.width) << where << ": the last digit is cut";
        for (const G_TEXT_BOX& o : others) {
          if (!b.bTitleAbove) break;
          const bool apart = d.right < o.left || o.right < d.left || d.top < o.bottom || o.top < d.bottom;
          EXPECT_TRUE(apart) << where << ": digits under the title or units";
        }
      }
    }
  }
  G_BUFFERS_vFreeFullScreenBitmap(page);
}

// Without a bottom (the depth unwritten, or gone stale) every depth readout
// shows dashes, and steadily, so they are there in the blink phase that
// hides a flashing value: the column's box, the big digits' box in its place
// above the temperature's, and the overlay's line.
TEST_F(InfoDrawing, WithoutABottomEveryDepthReadoutShowsDashes) {
  auto layouts = [this] {
    std::vector<std::vector<INK>> seen;
    for (DATA_BOXES_OPTION eOption : {DATA_BOXES_ON, DATA_BOXES_OVERLAY}) {
      Option(eOption);
      seen.push_back(Ink(T_INFO_vDrawInfoLayer_Instrumentation_SonarView));
    }
    Put(FCID("CVEW"), ZOLT_DIGIT_VIEW_PRIORITY);
    seen.push_back(Ink(T_INFO_vDrawInfoLayer_Instrumentation_SonarView));
    Put(FCID("CVEW"), SONAR_VIEW_PRIORITY);
    return seen;
  };
  for (const char* how : {"unwritten", "stale"}) {
    if (how[0] == 'u') {
      H_DATABASE_vDeleteEntry(FCID("IDEP"));
    } else {
      PutFloat(FCID("IDEP"), 7.0104f, D_DEPTH, 1);
      L_CLOCK_Sleep(1100);
    }
    std::vector<std::vector<INK>> seen;
    for (int attempt = 0; attempt < 5 && seen.empty(); attempt++) {
      ASSERT_TRUE(rt::WaitFor([] { return !T_INFO_bBlinkState(); }, 3000));
      seen = layouts();
      if (T_INFO_bBlinkState()) seen.clear();
    }
    ASSERT_EQ(3u, seen.size()) << how;
    for (size_t i = 0; i < seen.size(); i++) {
      const auto dashes = std::find_if(seen[i].begin(), seen[i].end(), [](const INK& k) { return k.text == "--"; });
      EXPECT_NE(seen[i].end(), dashes) << how << ", layout " << i;
    }
    const auto title = [&](const char* text) {
      for (const INK& k : seen[2]) {
        if (k.text == text) return k.box.bottom;
      }
      return -1;
    };
    EXPECT_GT(title("Depth"), title("Temp")) << how << ": the depth keeps its place on top";
  }
}

// Navigating on the chart, the distance to go is shown in the distance unit
// chosen: nautical miles (with feet or metres for short distances) in
// nautical miles, where it fell to statute miles.
TEST_F(InfoDrawing, TheChartOverlaysDistanceToGoIsInTheUnitChosen) {
  Option(DATA_BOXES_OVERLAY);
  Put(FCID("CVEW"), 52);
  Put(FCID("INIP"), 1);
  PutFloat(FCID("IDTG"), (float)dConvertToInternal(12.3, D_DISTANCE, U_NAUT_MILES), D_DISTANCE);
  BITMAP* page = G_BUFFERS_pCreateFullScreenBitmap();
  const struct {
    U32 suds;
    const char* units;
  } cases[] = {{U_NAUT_MILES_FT, "nm"}, {U_NAUT_MILES_M, "nm"}, {U_KM, "km"}, {U_STAT_MILES, "sm"}};
  for (const auto& c : cases) {
    Put(FCID("SUDS"), c.suds);
    G_BMP_vSet(page, 0);
    s_ink.clear();
    G_TRUETYPE_vSetTextObserver(Ink);
    T_INFO_vDrawChartDataBoxOverlay(page, (LAYER_ID)52);
    G_TRUETYPE_vSetTextObserver(nullptr);
    bool bUnits = false, bTwelve = false;
    for (const INK& i : s_ink) {
      bUnits = bUnits || i.text == c.units;
      bTwelve = bTwelve || i.text == "12";
    }
    EXPECT_TRUE(bUnits) << c.suds << ": " << c.units;
    if (c.suds == U_NAUT_MILES_FT || c.suds == U_NAUT_MILES_M) {
      EXPECT_TRUE(bTwelve) << "12.3 nm";
    }
  }
  Put(FCID("INIP"), 0);
  G_BUFFERS_vFreeFullScreenBitmap(page);
}

// Every unit a box can show, in English and in each wide language, drawn in
// the top box of the big digits and of the column: the units text is drawn
// and stays inside the bar (a fathom in Japanese rose off the screen whole).
TEST_F(InfoDrawing, EveryUnitStaysInsideTheTopBoxesInEveryWideLanguage) {
  struct UNIT {
    FOURCHARID id, unitKey;
    UNIT_TYPE unit;
    float internal;
    DATA_TYPE type;
  } units[] = {{FCID("IDEP"), FCID("SUDP"), U_METRES, 12.0f, D_DEPTH},
               {FCID("IDEP"), FCID("SUDP"), U_FEET, 12.0f, D_DEPTH},
               {FCID("IDEP"), FCID("SUDP"), U_FATHOMS, 12.0f, D_DEPTH},
               {FCID("ITMP"), FCID("SUTE"), U_CELSIUS, 18.5f, D_TEMPERATURE},
               {FCID("ITMP"), FCID("SUTE"), U_FAHRENHEIT, 18.5f, D_TEMPERATURE},
               {FCID("ISPD"), FCID("SUSP"), U_KNOTS, 2.5f, D_SPEED},
               {FCID("ISPD"), FCID("SUSP"), U_MPH, 2.5f, D_SPEED},
               {FCID("ISPD"), FCID("SUSP"), U_KPH, 2.5f, D_SPEED}};
  struct BOX {
    S32 width, height, x, y;
    U32 value, tenths, units;
  } boxes[] = {{290, 154, 2, 322, 100, 62, 14}, {158, 94, 0, 385, 62, 32, 17}};
  BITMAP* page = G_BUFFERS_pCreateFullScreenBitmap();
  for (unsigned lang : {(unsigned)LANGUAGE_ENGLISH, 22u, 23u, 24u, 25u, 26u}) {
    SetLanguage(lang);
    for (const UNIT& u : units) {
      Put(u.unitKey, u.unit);
      PutFloat(u.id, u.internal, u.type);
      const char* text = H_DATABASE_pcUnitsString(u.unit, lang);
      const std::string unitsText(text, U_WSTRING_u32w_strlen(text, FALSE));
      for (const BOX& b : boxes) {
        const std::string where = "language " + std::to_string(lang) + " unit " + std::to_string(u.unit) + " box " +
                                  std::to_string(b.height);
        G_BMP_vSet(page, 0);
        s_ink.clear();
        G_TRUETYPE_vSetTextObserver(Ink);
        T_INFO_nDrawDigitsInfoBox(page, b.width, b.height, b.x, b.y, u.id, T_INFO_pFont(b.value),
                                  T_INFO_pFont(b.units), T_INFO_pFont(b.tenths), DONT_FORCE,
                                  IBS_SEMITRANSPARENT_VORNE_DARK_GRAY_BAR, INSTRUMENTATION_JUSTIFY_RIGHT, lang);
        G_TRUETYPE_vSetTextObserver(nullptr);
        const auto drawn = std::find_if(s_ink.begin(), s_ink.end(), [&](const INK& i) { return i.text == unitsText; });
        ASSERT_NE(s_ink.end(), drawn) << where << ": no units";
        EXPECT_GE(drawn->box.bottom, b.y - 1) << where;
        EXPECT_LE(drawn->box.top, b.y + b.height) << where << ": above the bar";
        EXPECT_LT(drawn->box.right, b.x + b.width) << where;
      }
    }
  }
  SetLanguage(LANGUAGE_ENGLISH);
  G_BUFFERS_vFreeFullScreenBitmap(page);
}

}  // namespace
