// The GPS diagnostic view from a fixture of twelve satellites: where the sky
// plot puts them, the signal averages, and the page against its picture.

#include <gtest/gtest.h>

#include "g_bmp.h"
#include "g_buffers.h"
#include "g_truetype.h"
#include "golden.h"
#include "h_database.h"
#include "test_timing.h"
#include "t_info.h"
#include "t_nmea_internal.h"
#include "u_convert.h"

namespace {

U32 Sat(U32 number, U32 elevation, U32 azimuth, U32 cno, bool used) {
  return number | elevation << 8 | azimuth << 15 | cno << 24 | (used ? 1u << 31 : 0u);
}

void Put(FOURCHARID id, U32 raw) {
  H_DATABASE_bUpdateEverythingU32(id, raw, 2, D_SAT_DATA, nullptr, DB_NEVER_STALE);
}

// Twelve satellites over both lists; CNO 45 40 38 36 33 30 28 25 20 15 10 0.
void Fixture(void) {
  const U32 sats[] = {Sat(2, 60, 45, 45, true),  Sat(5, 30, 120, 40, true), Sat(7, 10, 200, 38, true),
                      Sat(9, 75, 300, 36, true), Sat(12, 5, 10, 33, false), Sat(15, 45, 170, 30, true),
                      Sat(17, 20, 250, 28, false), Sat(20, 50, 80, 25, true), Sat(24, 0, 330, 20, false),
                      Sat(26, 35, 220, 15, false), Sat(29, 15, 150, 10, false), Sat(31, 25, 275, 0, false)};
  const FOURCHARID ids[] = {FCID("ISA1"), FCID("ISA2"), FCID("ISA3"), FCID("ISA4"), FCID("ISA5"), FCID("ISA6"),
                            FCID("ISB1"), FCID("ISB2"), FCID("ISB3"), FCID("ISB4"), FCID("ISB5"), FCID("ISB6")};
  for (int i = 0; i < 12; i++) Put(ids[i], sats[i]);
}

class GpsPage : public ::testing::Test {
 protected:
  void SetUp() override {
    static const bool s_bFonts = G_TRUETYPE_bInit();
    ASSERT_TRUE(s_bFonts);
    H_DATABASE_vInit();
    U_CONVERT_vInitialiseConversionUtility();
  }
  static std::vector<COLOR> Page(void) {
    BITMAP* pBitmap = G_BUFFERS_pCreateFullScreenBitmap();
    T_NMEA_vDrawDiagnosticView(pBitmap, nullptr);
    const COLOR* p = (const COLOR*)pBitmap->pBuffer;
    std::vector<COLOR> pixels(p, p + G_SCREEN_WIDTH * G_SCREEN_HEIGHT);
    G_BUFFERS_vFreeBitmap(pBitmap);
    return pixels;
  }
};

TEST_F(GpsPage, NorthIsUpEastIsRightAndTheZenithIsTheCentre) {
  EXPECT_EQ(0, T_NMEA_ptSkyOffset(0, 0).x);
  EXPECT_EQ(90, T_NMEA_ptSkyOffset(0, 0).y) << "azimuth 0 above the centre (y up)";
  EXPECT_EQ(90, T_NMEA_ptSkyOffset(90, 0).x);
  EXPECT_EQ(0, T_NMEA_ptSkyOffset(90, 0).y);
  EXPECT_EQ(-60, T_NMEA_ptSkyOffset(180, 30).y);
  EXPECT_EQ(0, T_NMEA_ptSkyOffset(123, 90).x);
  EXPECT_EQ(0, T_NMEA_ptSkyOffset(123, 90).y);
}

TEST_F(GpsPage, CollectsBothListsByAzimuthAndAveragesTheReceivedSignals) {
  NMEA_DIAG_SAT sats[2 * NMEA_DIAG_LIST];
  S32 top4 = -1, average = -1;
  T_NMEA_vCnoAverages(sats, T_NMEA_u32CollectSatellites(sats), &top4, &average);
  EXPECT_EQ(0, top4);
  EXPECT_EQ(0, average);
  Fixture();
  const U32 n = T_NMEA_u32CollectSatellites(sats);
  ASSERT_EQ(12u, n);
  for (U32 i = 1; i < n; i++) EXPECT_LE(sats[i - 1].u16Azimuth, sats[i].u16Azimuth);
  EXPECT_EQ(12, sats[0].u8Number);
  T_NMEA_vCnoAverages(sats, n, &top4, &average);
  EXPECT_EQ(40, top4) << "(45 + 40 + 38 + 36) / 4 = 39.75";
  EXPECT_EQ(29, average) << "320 / 11 received = 29.09";
}

TEST_F(GpsPage, MatchesItsPictureAndAnInvalidPositionBlinks) {
  Fixture();
  H_DATABASE_bUpdateEverythingU32(FCID("IDTM"), 1700000000u, 2, D_DATETIME, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingFloat(FCID("ILTD"), 48.137f, 2, D_POSITION_LAT, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingFloat(FCID("ILND"), 11.575f, 2, D_POSITION_LON, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingU32(FCID("CGPS"), 7, 2, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingFloat(FCID("IHDP"), 0.9f, 2, D_FLOAT, nullptr, DB_NEVER_STALE);
  const std::vector<COLOR> page = Page();
  const GOLDEN_PICTURE golden = {page.data(), G_SCREEN_WIDTH, G_SCREEN_HEIGHT, G_SCREEN_WIDTH};
  EXPECT_TRUE(GOLDEN_Match(NMEA_GOLDEN_DIR "/gps_page.png", golden));

  // Stale: drawn only in the blink's on phase.
  H_DATABASE_bUpdateEverythingFloat(FCID("ILTD"), 48.137f, 2, D_POSITION_LAT, nullptr, 1);
  H_DATABASE_bUpdateEverythingFloat(FCID("ILND"), 11.575f, 2, D_POSITION_LON, nullptr, 1);
  EXPECT_TRUE(TEST_bWaitUntil(
      [] {
        BOOLEAN bLat = TRUE, bLon = TRUE;
        H_DATABASE_bFetch(FCID("ILTD"), nullptr, &bLat, nullptr);
        H_DATABASE_bFetch(FCID("ILND"), nullptr, &bLon, nullptr);
        return !bLat && !bLon;
      },
      2000));
  BITMAP* on = G_BUFFERS_pCreateFullScreenBitmap();
  BITMAP* off = G_BUFFERS_pCreateFullScreenBitmap();
  G_BMP_vSet(on, 0);
  G_BMP_vSet(off, 0);
  T_NMEA_vDrawDiagnosticLatLon(on, {0, 59}, TRUE, 0);
  T_NMEA_vDrawDiagnosticLatLon(off, {0, 59}, FALSE, 0);
  const size_t bytes = G_SCREEN_WIDTH * G_SCREEN_HEIGHT * sizeof(COLOR);
  EXPECT_NE(0, memcmp(on->pBuffer, off->pBuffer, bytes));
  G_BMP_vSet(on, 0);
  EXPECT_EQ(0, memcmp(on->pBuffer, off->pBuffer, bytes)) << "nothing in the off phase";
  G_BUFFERS_vFreeBitmap(on);
  G_BUFFERS_vFreeBitmap(off);
}

}  // namespace
