// The AIS screens: the limits editor's texts, digits and stores, and the
// target list over a real pool fed with VDM sentences: paging, the
// highlight following its ship, the cursor move, and the pool's time-out
// pass racing the list's drawing.

#include <float.h>
#include <string.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "../nmea/ais_sentences.h"
#include "h_memory.h"
#include "linuxsvc.h"
#include "overlay_test.h"
#include "t_info.h"
#include "u_convert.h"
#include "u_language.h"
#include "u_menu.h"
#include "ui_texts.h"
#include "text_util.h"

namespace {

using ot::Click;
using ot::Key;
using ot::Pad;

constexpr U32 kCheck = 0x200;

class AisLimits : public ot::OverlayTest {};

void SetFloat(const char (&pcKey)[5], float f, U32 u32Priority = P_NORMAL) {
  H_DATABASE_bUpdateEverythingFloat(FCID(pcKey), f, u32Priority, D_UNKNOWN, nullptr, DB_NEVER_STALE);
}

float GetFloat(const char (&pcKey)[5]) {
  float f = -1;
  H_DATABASE_bFetchFloat(FCID(pcKey), &f, nullptr, nullptr);
  return f;
}

TEST_F(AisLimits, OpeningFormatsAndClampsTheStoredLimits) {
  struct {
    float cpa;
    U32 tcpa;
    const char* sCPA;
    const char* sTCPA;
  } const cases[] = {{1.5f, 307, "01.50", "05:07"},
                     {FLT_MAX, 0xFFFFFFFF, "99.99", "99:59"},
                     {-3.0f, 6000, "00.00", "99:59"},
                     {150.0f, 0, "99.99", "00:00"}};
  for (const auto& c : cases) {
    SetFloat("SCPA", c.cpa);
    ot::Set("STCP", c.tcpa);
    T_NAV_EDIT_vAisLimitsSetUp();
    ASSERT_EQ(NAV_EDIT_AIS_CPA_LIMIT, T_NAV_EDIT_eState());
    EXPECT_STREQ(c.sCPA, s_AisEdit.sCPA) << c.cpa;
    EXPECT_STREQ(c.sTCPA, s_AisEdit.sTCPA) << c.tcpa;
    Pad(CURSOR_EAST);  // the value dialog draws the text too
    ot::Picture();
    Key(HKEY_MASK_EXIT);
    Key(HKEY_MASK_EXIT);
    EXPECT_EQ(NAV_EDIT_NONE, T_NAV_EDIT_eState());
  }
}

TEST_F(AisLimits, DigitsWrapWithoutCarryAndTheCursorLeavesAtTheEnds) {
  SetFloat("SCPA", 9.0f);
  T_NAV_EDIT_vAisLimitsSetUp();
  Pad(CURSOR_EAST);
  ASSERT_EQ(AIS_EDIT_CPA_VALUE, s_AisEdit.eState);
  Pad(CURSOR_SOUTH);  // '0' down to '9'
  Pad(CURSOR_EAST);
  Pad(CURSOR_NORTH);  // '9' up to '0', no carry
  EXPECT_STREQ("90.00", s_AisEdit.sCPA);
  Pad(CURSOR_EAST);
  EXPECT_EQ(3, s_AisEdit.nPosition);  // the point is skipped
  Pad(CURSOR_EAST);
  Pad(CURSOR_EAST);
  EXPECT_EQ(AIS_EDIT_TCPA, s_AisEdit.eState);
  EXPECT_EQ(0, s_AisEdit.nPosition);
  Pad(CURSOR_EAST);
  Pad(CURSOR_WEST);
  EXPECT_EQ(AIS_EDIT_TCPA, s_AisEdit.eState);
  Pad(CURSOR_SOUTH);
  Click();
  Pad(CURSOR_SOUTH);
  EXPECT_EQ(-1, Click());  // nothing below the Save row
}

TEST_F(AisLimits, TheMinuteFieldIsKeptWithinAnHour) {
  ot::Set("STCP", 307);
  T_NAV_EDIT_vAisLimitsSetUp();
  Pad(CURSOR_SOUTH);
  Pad(CURSOR_EAST);
  Pad(CURSOR_EAST);
  Pad(CURSOR_EAST);  // the tens of minutes
  for (int i = 0; i < 9; i++) Pad(CURSOR_NORTH);
  EXPECT_STREQ("05:97", s_AisEdit.sTCPA);
  Key(kCheck);
  EXPECT_EQ(359u, ot::Setting("STCP"));
  EXPECT_STREQ("05:59", s_AisEdit.sTCPA);
  EXPECT_EQ(AIS_EDIT_SAVE, s_AisEdit.eState);
}

// The keypad has no check key: MENU stores the value of an open dialog and
// is no one's key on the rows.
TEST_F(AisLimits, MenuStoresTheValueOfTheOpenDialog) {
  SetFloat("SCPA", 1.5f);
  T_NAV_EDIT_vAisLimitsSetUp();
  EXPECT_FALSE(Key(HKEY_MASK_MENU));
  EXPECT_EQ(AIS_EDIT_CPA, s_AisEdit.eState);
  Pad(CURSOR_EAST);
  Pad(CURSOR_NORTH);  // 01.50 to 11.50
  Key(HKEY_MASK_MENU);
  EXPECT_FLOAT_EQ(11.5f, GetFloat("SCPA"));
  EXPECT_EQ(AIS_EDIT_TCPA, s_AisEdit.eState);
}

// The limit is kept in nautical miles and edited in the user's unit:
// 1.5 nm is 2.778 km; 12.78 km is 6.9006 nm (1 nm = 1.852 km).
TEST_F(AisLimits, TheCpaIsEditedInTheUsersDistanceUnit) {
  ot::Set("SUDS", U_KM);
  SetFloat("SCPA", 1.5f);
  T_NAV_EDIT_vAisLimitsSetUp();
  EXPECT_STREQ("02.78", s_AisEdit.sCPA);
  Pad(CURSOR_EAST);
  Pad(CURSOR_NORTH);
  Key(HKEY_MASK_MENU);
  EXPECT_NEAR(6.9006, GetFloat("SCPA"), 1e-4);
  ot::Set("SUDS", U_NAUT_MILES_FT);
}

// In a wide language the value dialog's empty texts are read as wide ones:
// nothing may be drawn above the dialog, where the screen stays dark.
TEST_F(AisLimits, TheValueDialogOfAWideLanguageStaysInItsBox) {
  SetLanguage(LANGUAGE_JAPANESE);
  T_NAV_EDIT_vAisLimitsSetUp();
  const std::vector<COLOR> rows = ot::Picture();
  Pad(CURSOR_EAST);
  ASSERT_EQ(AIS_EDIT_CPA_VALUE, s_AisEdit.eState);
  const std::vector<COLOR> dialog = ot::Picture();
  const size_t above = 150 * G_SCREEN_WIDTH;  // the top 150 rows
  EXPECT_TRUE(std::equal(rows.begin(), rows.begin() + above, dialog.begin()));
  SetLanguage(LANGUAGE_ENGLISH);
}

TEST_F(AisLimits, ExitAfterAChangeAsksAndTheAnswersStoreOrNot) {
  SetFloat("SCPA", 1.5f);
  ot::Set("STCP", 307);
  T_NAV_EDIT_vAisLimitsSetUp();
  Pad(CURSOR_EAST);
  Pad(CURSOR_NORTH);
  Key(HKEY_MASK_EXIT);
  Key(HKEY_MASK_EXIT);
  EXPECT_EQ(NAV_EDIT_AIS_CPA_LIMIT, T_NAV_EDIT_eState());  // the question is queued
  T_NAV_vAisLimitsCancel();
  EXPECT_EQ(NAV_EDIT_NONE, T_NAV_EDIT_eState());
  EXPECT_FLOAT_EQ(1.5f, GetFloat("SCPA"));

  T_NAV_EDIT_vAisLimitsSetUp();
  Pad(CURSOR_EAST);
  Pad(CURSOR_NORTH);
  T_NAV_vAisLimitsSave();
  EXPECT_EQ(NAV_EDIT_NONE, T_NAV_EDIT_eState());
  EXPECT_FLOAT_EQ(11.5f, GetFloat("SCPA"));
  EXPECT_EQ(307u, ot::Setting("STCP"));

  // Without a change EXIT closes at once.
  T_NAV_EDIT_vAisLimitsSetUp();
  Key(HKEY_MASK_EXIT);
  EXPECT_EQ(NAV_EDIT_NONE, T_NAV_EDIT_eState());
}

TEST_F(AisLimits, ARefusedWriteKeepsTheEditorOpen) {
  SetFloat("SCPA", 1.5f, P_HIGHEST);
  T_NAV_EDIT_vAisLimitsSetUp();
  Pad(CURSOR_EAST);
  Pad(CURSOR_NORTH);
  Click();
  T_NAV_vAisLimitsSave();
  EXPECT_EQ(NAV_EDIT_AIS_CPA_LIMIT, T_NAV_EDIT_eState());
  EXPECT_EQ(-1, Click());
  EXPECT_FLOAT_EQ(1.5f, GetFloat("SCPA"));
}

// ---------------------------------------------------------------------------

std::atomic<U32> g_now{100000};
U32 Now(void) { return g_now.load(); }

class AisList : public ot::OverlayTest {
 protected:
  void SetUp() override {
    ot::OverlayTest::SetUp();
    U_CONVERT_vInitialiseConversionUtility();
    H_DATABASE_bUpdateEverythingBoolean(FCID("SAIS"), TRUE, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
    g_now = 100000;
    T_NMEA_vSetAisClock(Now);
    T_NMEA_vAisInit();
    // As the navigation task registers it before the tasks run.
    T_NMEA_bRegisterAisTargetDropped(T_NAV_vDeleteTargetListIndex);
  }
  void TearDown() override {
    T_NMEA_vSetAisClock(nullptr);
    ot::OverlayTest::TearDown();
  }
  static void Ship(U32 mmsi) { aist::Feed(aist::Type1(mmsi, 50.0 + mmsi % 100 * 0.01, -1.0, 5.0, 90.0)); }
  static std::vector<COLOR> Draw(void) { return ot::Picture(T_NAV_vAisRenderTargetList); }
  // Lit pixels of the screen row y counted from the bottom.
  static int Lit(const std::vector<COLOR>& picture, S32 y) {
    int n = 0;
    const S32 row = (S32)G_SCREEN_HEIGHT - 1 - y;
    for (U32 x = 0; x < G_SCREEN_WIDTH; x++) n += picture[row * G_SCREEN_WIDTH + x] != 0;
    return n;
  }
};

TEST_F(AisList, OpensOnlyWithAisOnAndATargetHeld) {
  EXPECT_FALSE(T_NAV_vAisTargetListSetup());
  Ship(211000001);
  H_DATABASE_bUpdateEverythingBoolean(FCID("SAIS"), FALSE, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  EXPECT_FALSE(T_NAV_vAisTargetListSetup());
  EXPECT_EQ(NAV_EDIT_NONE, T_NAV_EDIT_eState());
  H_DATABASE_bUpdateEverythingBoolean(FCID("SAIS"), TRUE, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  EXPECT_TRUE(T_NAV_vAisTargetListSetup());
  EXPECT_EQ(NAV_AIS_LIST, T_NAV_EDIT_eState());
  EXPECT_EQ(211000001u, s_AisList.nMMSI);
}

TEST_F(AisList, NineTargetsMakeTheBodyTallerWithAFooter) {
  const S32 H = (S32)G_SCREEN_HEIGHT;
  for (U32 i = 0; i < 8; i++) Ship(211000001 + i);
  ASSERT_TRUE(T_NAV_vAisTargetListSetup());
  auto eight = Draw();
  EXPECT_EQ(0, Lit(eight, H - 462));
  EXPECT_EQ(0, Lit(eight, H - 475));
  Ship(211000009);
  auto nine = Draw();
  EXPECT_GT(Lit(nine, H - 475), 600);  // the taller body
  // The footer icon's row differs from the plain fill row.
  int differing = 0;
  for (U32 x = 0; x < G_SCREEN_WIDTH; x++) {
    differing += nine[461 * G_SCREEN_WIDTH + x] != nine[474 * G_SCREEN_WIDTH + x];
  }
  EXPECT_GT(differing, 4);
}

TEST_F(AisList, TheHighlightFollowsItsShipAndPagesFollowTheHighlight) {
  for (U32 i = 0; i < 12; i++) Ship(211000010 + i);
  ASSERT_TRUE(T_NAV_vAisTargetListSetup());
  for (int i = 0; i < 9; i++) Pad(CURSOR_SOUTH);
  EXPECT_EQ(9, s_AisList.nSelIndex);
  EXPECT_EQ(2, s_AisList.nStartIndex);
  EXPECT_EQ(211000019u, s_AisList.nMMSI);
  Ship(211000001);  // sorts in ahead of every listed ship
  Ship(211000002);
  Draw();
  EXPECT_EQ(11, s_AisList.nSelIndex);
  EXPECT_EQ(4, s_AisList.nStartIndex);
  Click();
  Pad(CURSOR_WEST);
  EXPECT_EQ(-1, Click());
}

TEST_F(AisList, ATimedOutHighlightMovesToTheNewLastTarget) {
  for (U32 i = 0; i < 3; i++) Ship(211000001 + i);
  ASSERT_TRUE(T_NAV_vAisTargetListSetup());
  Pad(CURSOR_SOUTH);
  Pad(CURSOR_SOUTH);
  ASSERT_EQ(211000003u, s_AisList.nMMSI);
  g_now = 100000 + AIS_TARGET_TIMEOUT_S - 10;
  Ship(211000001);
  Ship(211000002);
  g_now = 100000 + AIS_TARGET_TIMEOUT_S + 1;
  T_NMEA_vAisCheckTargets(nullptr);
  EXPECT_EQ(2u, T_NMEA_u32GetAisNumOfTargets());
  EXPECT_EQ(211000002u, s_AisList.nMMSI);
  Draw();
  EXPECT_EQ(1, s_AisList.nSelIndex);
}

TEST_F(AisList, EveryShipsIconSitsInsideTheListAndItsRow) {
  for (U32 i = 0; i < 3; i++) Ship(211000001 + i);
  ASSERT_TRUE(T_NAV_vAisTargetListSetup());
  const std::vector<COLOR> picture = Draw();
  const S32 x0 = (S32)G_SCREEN_WIDTH / 2 - 320;  // the 640-pixel list in the middle of the screen
  const S32 H = (S32)G_SCREEN_HEIGHT;
  auto lit = [&](S32 left, S32 right, S32 bottom, S32 top) {
    int n = 0;
    for (S32 y = bottom; y <= top; y++) {
      for (S32 x = left; x <= right; x++) n += picture[(size_t)(H - 1 - y) * G_SCREEN_WIDTH + x] != 0;
    }
    return n;
  };
  EXPECT_EQ(0, lit(0, x0 - 1, 0, H - 1)) << "nothing left of the list's frame";
  // The rows lie between rules 47 pixels apart, the first under the headings.
  for (S32 r = 0; r < 3; r++) {
    const S32 top = H - 80 - 47 * r, bottom = H - 125 - 47 * r;
    EXPECT_GT(lit(x0 + 4, x0 + 40, bottom, top), 20) << "the icon of row " << r;
  }
}

// The big digits' data-box column is 300 wide: centred right of it the list
// would run 70 pixels past the screen's edge.
TEST_F(AisList, OverTheBigDigitsViewTheListStandsWholeAtTheRightEdge) {
  H_DATABASE_bUpdateEverythingS32(FCID("CVEW"), ZOLT_DIGIT_VIEW_PRIORITY, P_NORMAL, D_SIGNED32, nullptr,
                                  DB_NEVER_STALE);
  ASSERT_EQ(300u, T_INFO_u32XOrigin());
  for (U32 i = 0; i < 9; i++) Ship(211000001 + i);
  ASSERT_TRUE(T_NAV_vAisTargetListSetup());
  const std::vector<COLOR> picture = Draw();
  const S32 W = (S32)G_SCREEN_WIDTH, row = (S32)G_SCREEN_HEIGHT / 2;
  // The fill one pixel inside the (black) frame at either side.
  const COLOR fill = picture[(size_t)row * W + W - 2];
  EXPECT_NE(0, fill);
  EXPECT_EQ(fill, picture[(size_t)row * W + W - 639]) << "the left edge 640 pixels in";
  EXPECT_EQ(0, picture[(size_t)row * W + W - 641]) << "nothing left of it";
}

TEST_F(AisList, LongNamesWrapAfterTenCharacters) {
  char first[22], second[22];
  EXPECT_EQ(1u, T_NAV_u32AisSplitName("ABCDEFGHIJ", 21, first, second));
  EXPECT_STREQ("ABCDEFGHIJ", first);
  EXPECT_EQ(2u, T_NAV_u32AisSplitName("ABCDEFGHIJK", 21, first, second));
  EXPECT_STREQ("ABCDEFGHIJ-", first);
  EXPECT_STREQ("K", second);
  const char full[21] = {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K',
                         'L', 'M', 'N', 'O', 'P', 'Q', 'R', 'S', 'T', 'U'};  // unterminated
  EXPECT_EQ(2u, T_NAV_u32AisSplitName(full, sizeof full, first, second));
  EXPECT_STREQ("KLMNOPQRST", second);
}

// A name breaks at a space where both lines then hold their part, as far
// right as that allows; a word too long for it still breaks with "-".
TEST_F(AisList, LongNamesBreakAtASpaceWhereOneServes) {
  const struct {
    const char* name;
    const char* first;
    const char* second;
  } rows[] = {
      {"BALTIC TRADER", "BALTIC", "TRADER"},
      {"OCEAN SPIRIT", "OCEAN", "SPIRIT"},
      {"SEA OF GALILEE", "SEA OF", "GALILEE"},
      {"NORTHERN LIGHTS XV", "NORTHERN", "LIGHTS XV"},
      {"ABCDEFGHIJ KLM", "ABCDEFGHIJ", "KLM"},  // the space just after the first line
      {"MSC MEDITERRANEAN", "MSC MEDITE-", "RRANEAN"},  // "MEDITERRANEAN" fills no line
      {"CAPE  HORN EXPRESS", "CAPE  HORN", "EXPRESS"},
  };
  for (const auto& r : rows) {
    char first[22], second[22];
    EXPECT_EQ(2u, T_NAV_u32AisSplitName(r.name, 21, first, second)) << r.name;
    EXPECT_STREQ(r.first, first) << r.name;
    EXPECT_STREQ(r.second, second) << r.name;
  }
}

TEST_F(AisList, CursorRightMovesTheChartCursorOrIsRefused) {
  Ship(211000001);
  ASSERT_TRUE(T_NAV_vAisTargetListSetup());
  Click();
  Pad(CURSOR_EAST);
  EXPECT_EQ(NAV_EDIT_NONE, T_NAV_EDIT_eState());
  EXPECT_EQ(-1, Click());  // no boat position
  EXPECT_EQ(0xDEADBEEFu, ot::Setting("ICLT"));

  H_DATABASE_bUpdateEverythingS32(FCID("ILAT"), 6000000, P_NORMAL, D_POSITION_LAT_MM, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingS32(FCID("ILON"), -100000, P_NORMAL, D_POSITION_LON_MM, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingFloat(FCID("IHDG"), 45.0f, P_NORMAL, D_HEADING, nullptr, DB_NEVER_STALE);
  ASSERT_TRUE(T_NAV_vAisTargetListSetup());
  Click();
  Pad(CURSOR_EAST);
  EXPECT_EQ(1, Click());
  POSITION deg = {50.01, -1.0};
  POINT expected = {};
  nv_DegrToMeter(&deg, &expected);
  S32 lat = 0, lon = 0;
  BOOLEAN bValid = FALSE;
  ASSERT_TRUE(H_DATABASE_bFetchS32(FCID("ICLT"), &lat, &bValid, nullptr));
  EXPECT_TRUE(bValid);
  H_DATABASE_bFetchS32(FCID("ICLN"), &lon, nullptr, nullptr);
  EXPECT_NEAR(expected.y, lat, 2);
  EXPECT_NEAR(expected.x, lon, 2);
  EXPECT_FLOAT_EQ(45.0f, GetFloat("ICHD"));
  EXPECT_NEAR(50.01, GetFloat("ICTD"), 1e-4);
}

// The navigation task's one-second pass drops targets and tells the list
// while the view task draws it: the pass tells the list only after giving
// back the pool's lock, so the two never wait on each other.
TEST_F(AisList, TheTimeOutPassAndTheListDrawingNeverDeadlock) {
  for (U32 i = 0; i < 40; i++) Ship(211000001 + i);
  ASSERT_TRUE(T_NAV_vAisTargetListSetup());
  std::atomic<bool> done{false};
  std::thread view([&] {
    while (!done.load()) Draw();
  });
  for (U32 round = 0; round < 200; round++) {
    g_now = g_now + AIS_TARGET_TIMEOUT_S / 4;
    for (U32 i = round % 3; i < 40; i += 3) Ship(211000001 + i);
    Pad(round % 5 == 0 ? CURSOR_NORTH : CURSOR_SOUTH);
    T_NMEA_vAisCheckTargets(nullptr);
    if (T_NAV_EDIT_eState() != NAV_AIS_LIST) T_NAV_vAisTargetListSetup();
  }
  done = true;
  view.join();
  SUCCEED();
}

}  // namespace

namespace {

TEST_F(AisLimits, PicturesOfTheRowsAndTheValueDialog) {
  SetFloat("SCPA", 1.5f);
  ot::Set("STCP", 307);
  T_NAV_EDIT_vAisLimitsSetUp();
  Pad(CURSOR_SOUTH);
  EXPECT_TRUE(ot::MatchesGolden("ais-limits-tcpa-row", ot::Picture()));
  Pad(CURSOR_EAST);
  Pad(CURSOR_EAST);
  EXPECT_TRUE(ot::MatchesGolden("ais-limits-tcpa-value", ot::Picture()));
}

// One target at AIS's top speed, 102.2 kn (189.3 km/h), on the widest
// course: neither runs into the next column. A ship is named by its call
// sign until its name comes; one without either leaves the name empty
// beside its MMSI.
TEST_F(AisList, PictureOfNineTargets) {
  ot::Set("SUSP", U_KPH);
  for (U32 i = 0; i < 9; i++) Ship(211000001 + i);
  aist::Feed(aist::Type1(211000004, 50.04, -1.0, 102.2, 359.0));
  aist::Feed(aist::Type24A(211000002, "NORTHERN LIGHTS XV"));
  aist::Feed(aist::Type24A(211000003, "PILOT"));
  aist::Feed(aist::Type24B(211000005, "DKAB2"));
  ASSERT_TRUE(T_NAV_vAisTargetListSetup());
  Pad(CURSOR_SOUTH);
  EXPECT_TRUE(ot::MatchesGolden("ais-list-9", Draw()));
}

// In Korean the clock of the last message ends in a wide mark; the nine
// digits of an MMSI end before the clock's column starts.
TEST_F(AisList, PictureInKoreanWithTheTimesOfTheLastMessages) {
  SetLanguage(LANGUAGE_KOREAN);
  ot::Set("SITF", 0);
  H_DATABASE_bUpdateEverythingS32(FCID("SLTZ"), 0, P_NORMAL, D_SIGNED32, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingBoolean(FCID("SDST"), FALSE, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  ot::Set("IDTM", 1600000000 + 12 * 3600 + 59 * 60 + 59 - 1600000000 % 86400);  // 12:59:59 PM
  for (U32 i = 0; i < 3; i++) Ship(288888881 + i);
  aist::Feed(aist::Type24A(288888882, "BALTIC TRADER"));
  ASSERT_TRUE(T_NAV_vAisTargetListSetup());
  EXPECT_TRUE(ot::MatchesGolden("ais-list-korean", Draw()));
}

}  // namespace
