// The remote's data bar, battery gauge and pairing dialog against their
// goldens in tests/accessory/golden.

#include <gtest/gtest.h>

#include <string>

#include "g_bmp.h"
#include "g_buffers.h"
#include "g_truetype.h"
#include "golden.h"
#include "h_database.h"
#include "t_btremote.h"
#include "u_convert.h"

namespace {

U64 s_u64DbMs = 0;
U64 DbClock(void) { return s_u64DbMs; }

// A data-bar item showing the live value of key; an invalid one goes stale
// after a second, which the database's clock passes in SetUp.
void Item(FOURCHARID item, FOURCHARID key, DATA_TYPE eType, float fValue, bool bValid) {
  H_DATABASE_bUpdateEverythingU32(item, key, P_NORMAL, D_FCID, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingFloat(key, fValue, P_NORMAL, eType, nullptr, bValid ? DB_NEVER_STALE : 1);
}

class RemoteDrawing : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(G_TRUETYPE_bInit());
    s_u64DbMs = 0;
    H_DATABASE_vSetClock(DbClock);
    H_DATABASE_vInit();
    U_CONVERT_vInitialiseConversionUtility();
    Item(FCID("BDEP"), FCID("IDEP"), D_DEPTH, 12.5f, true);
    Item(FCID("BSPD"), FCID("ISPD"), D_SPEED, 3.0f, true);
    Item(FCID("BHDG"), FCID("IHDG"), D_HEADING, 1.0f, false);
    Item(FCID("BVLT"), FCID("IVLT"), D_VOLTAGE, 12.6f, true);
    Item(FCID("BXTE"), FCID("IXTE"), D_DEPTH, 0.0f, false);
    Item(FCID("BBRG"), FCID("IBRG"), D_HEADING, 2.0f, true);
    s_u64DbMs = 10000;
    H_DATABASE_vSendAllInvalidData();
    m_pBitmap = G_BUFFERS_pCreateFullScreenBitmap();
  }
  void TearDown() override {
    G_BUFFERS_vFreeBitmap(m_pBitmap);
    T_BTREMOTE_vSetDataBar(FALSE, 1, 0);
    H_DATABASE_vSetClock(nullptr);
  }
  ::testing::AssertionResult Matches(const std::string& name, DRAW_FUNCTION* pDraw) {
    G_BMP_vSet(m_pBitmap, 0);
    pDraw(m_pBitmap, nullptr);
    // FreeType built for 32-bit ARM rounds some coverage values of the
    // large digits apart from the host build: the board keeps its own.
#if defined(__arm__)
    const std::string board = "-armhf";
#else
    const std::string board;
#endif
    return GOLDEN_MatchBitmap(std::string(ACCESSORY_GOLDEN_DIR) + "/" + name + board + ".png", m_pBitmap);
  }
  BITMAP* m_pBitmap = nullptr;
};

TEST_F(RemoteDrawing, TheDataBarPagesBlinkTheirInvalidValues) {
  T_BTREMOTE_vSetDataBar(TRUE, 1, 0);
  // Every redraw flips the blink phase: invalid values show every other time.
  EXPECT_TRUE(Matches("databar_page1_shown", T_BTREMOTE_vDrawRemoteInfoLayer));
  EXPECT_TRUE(Matches("databar_page1_hidden", T_BTREMOTE_vDrawRemoteInfoLayer));
  T_BTREMOTE_vSetDataBar(TRUE, 2, 0);
  EXPECT_TRUE(Matches("databar_page2_shown", T_BTREMOTE_vDrawRemoteInfoLayer));
  T_BTREMOTE_vSetDataBar(TRUE, 1, 0);
  EXPECT_TRUE(Matches("databar_page1_shown", T_BTREMOTE_vDrawRemoteInfoLayer)) << "set again, it starts shown";
}

TEST_F(RemoteDrawing, TheBatteryGaugeShowsAtMostAFullBattery) {
  for (U32 level : {0u, 50u, 100u, 255u}) {
    T_BTREMOTE_vSetDataBar(TRUE, 1, level);
    G_BMP_vSet(m_pBitmap, 0);
    T_BTREMOTE_vDrawRemoteInfoLayer(m_pBitmap, nullptr);
    const COLOR* pCorner = (const COLOR*)m_pBitmap->pBuffer + 740;
    const GOLDEN_PICTURE corner = {pCorner, 60, 80, 800};
    const std::string name = level == 255 ? "battery_100" : "battery_" + std::to_string(level);
    EXPECT_TRUE(GOLDEN_Match(std::string(ACCESSORY_GOLDEN_DIR) + "/" + name + ".png", corner)) << level;
  }
}

TEST_F(RemoteDrawing, ThePairingDialog) { EXPECT_TRUE(Matches("pairing_dialog", T_BTREMOTE_vRenderSyncMessage)); }

}  // namespace
