// The history task on a stand-in view task: the sonar colours, the views it
// registers, the scrolling histories and the pictures of the sonar views.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "color.h"
#include "font_test.h"
#include "g_bmp.h"
#include "g_buffers.h"
#include "g_fonts.h"
#include "g_pixel.h"
#include "g_truetype.h"
#include "g_icon.h"
#include "g_iconset.h"
#include "golden.h"
#include "h_database.h"
#include "h_dbtable.h"
#include "h_memory.h"
#include "linuxsvc.h"
#include "s_bottom.h"
#include "s_coproc.h"
#include "s_demultiplex.h"
#include "s_share.h"
#include "s_sim.h"
#include "sonar_test_util.h"
#include "t_n_history.h"
#include "t_n_history_priv.h"
#include "t_view.h"
#include "test_tasks.h"
#include "u_convert.h"
#include "u_language.h"
#include "u_menu.h"
#include "u_view.h"

namespace {

using sonartest::WaitFor;

COLOR Rgb(U32 r, U32 g, U32 b) { return (COLOR)((r >> 3) << 11 | (g >> 2) << 5 | (b >> 3)); }

TEST(SonarSchemes, AnchorsOfBothSchemesAndWhichPalettesAreDark) {
  const COLOR* light = T_N_HISTORY_pcolScheme(FALSE);
  const COLOR* dark = T_N_HISTORY_pcolScheme(TRUE);
  EXPECT_EQ(Rgb(255, 255, 255), light[0]);
  EXPECT_EQ(Rgb(0, 0, 0), dark[0]);
  EXPECT_EQ(Rgb(40, 90, 220), light[8]);
  EXPECT_EQ(Rgb(40, 90, 220), dark[8]);
  EXPECT_EQ(Rgb(160, 20, 20), light[31]);
  EXPECT_EQ(Rgb(255, 40, 40), dark[31]);
  // Halfway between entries 14 and 18 lies the middle of cyan and green.
  EXPECT_EQ(Rgb(20, 190, 130), light[16]);
  for (U32 palette : {8u, 17u, 19u, 22u}) EXPECT_TRUE(T_N_HISTORY_bDarkScheme(palette)) << palette;
  for (U32 palette : {0u, 7u, 18u, 23u}) EXPECT_FALSE(T_N_HISTORY_bDarkScheme(palette)) << palette;
}

// Every end of every slider the Sonar tab registers, in each of its units,
// is a value its key takes: a setting the key refused would be lost at the
// next start, which restores only what the key takes.
TEST(SonarMenus, EachSlidersEndsAreValuesItsKeyTakes) {
  U_CONVERT_vInitialiseConversionUtility();
  H_DATABASE_bUpdateEverythingU32(FCID("TMNU"), M_MENU, P_NORMAL, D_MAILBOX, nullptr, DB_NEVER_STALE);
  T_N_HISTORY_vRegisterMenus();
  int sliders = 0;
  while (void* m = L_MBOX_Receive(M_MENU)) {
    const MSG_MENU_REQUEST* r = (const MSG_MENU_REQUEST*)m;
    const DB_TABLE_ROW* row = H_DBTABLE_pRow(r->FourCharId);
    for (U32 i = 0; row != nullptr && i < r->u8LimitCount; i++) {
      const MENU_LIMITS& l = r->aLimits[i];
      for (float f : {l.fMinimum, l.fMaximum}) {
        const double d = l.Units == U_NONE ? f : dConvertToInternal(f, H_DBTABLE_eDataType(row), l.Units) * 0.99999;
        U32 word = (U32)lround(d);
        if (row->eType == DBT_FLOAT) {
          const float fWord = (float)d;
          memcpy(&word, &fWord, 4);
        }
        EXPECT_EQ(DBC_TAKEN, H_DBTABLE_eCheck(r->FourCharId, word))
            << std::string((const char*)&r->FourCharId, 4) << " " << f << " in units " << l.Units;
      }
      sliders++;
    }
    H_MEMORY_vDumpMail(m);
  }
  EXPECT_GE(sliders, 6) << "Sensitivity, Chart Speed, Surface Clutter and Lower Range in three units";
}

// The view task's side: registrations kept by layer and pane, removals
// applied, every message freed.
struct FAKE_VIEW {
  std::map<std::pair<S32, S32>, MSG_REGISTER_LAYER> layers;

  void Drain() {
    while (void* m = L_MBOX_Receive(M_VIEW)) {
      const GENERIC_MESSAGE* g = (const GENERIC_MESSAGE*)m;
      if (g->Cmd == CMD_ID_REGISTER_LAYER) {
        const MSG_REGISTER_LAYER* r = (const MSG_REGISTER_LAYER*)m;
        layers[{r->layer, r->eLocation}] = *r;
      } else if (g->Cmd == CMD_ID_UNREGISTER_LAYER) {
        const MSG_UNREGISTER_LAYER* u = (const MSG_UNREGISTER_LAYER*)m;
        layers.erase({u->layer, u->eLocation});
      }
      H_MEMORY_vDumpMail(m);
    }
  }
  bool Has(S32 layer, S32 split = SPLIT_FULL_WINDOW) const { return layers.count({layer, split}) != 0; }
  const MSG_REGISTER_LAYER& At(S32 layer, S32 split = SPLIT_FULL_WINDOW) const { return layers.at({layer, split}); }
};

bool TableIs(const COLOR* scheme) {
  for (U32 i = 0; i < HISTORY_LEVELS; i++) {
    if (gCOLOR_pcolColorTable[i] != scheme[i]) return false;
  }
  return true;
}

class SonarHistory : public FontTest {
 protected:
  FAKE_VIEW view;

  void SetUp() override {
    FontTest::SetUp();
    while (void* m = L_MBOX_Receive(M_VIEW)) H_MEMORY_vDumpMail(m);
    H_DATABASE_bUpdateEverythingU32(FCID("TVUE"), M_VIEW, P_NORMAL, D_MAILBOX, nullptr, DB_NEVER_STALE);
    ASSERT_EQ(0, TEST_StartTask(HISTORYTASK, T_N_HISTORY_vMain));
    ASSERT_TRUE(WaitFor(
        [this] {
          view.Drain();
          return view.Has(INFO_DUAL_BEAM_VIEW_LAYER);
        },
        2000));
  }
  void TearDown() override {
    L_TASK_Terminate(HISTORYTASK);
    EXPECT_TRUE(TEST_bJoinTask(HISTORYTASK, 3000));
    view.Drain();
    FontTest::TearDown();
  }
};

TEST_F(SonarHistory, RegistersTheNormalSetAndSwapsToTheIceSetAndItsColoursFollowTheScheme) {
  struct {
    LAYER_ID view;
    FOURCHARID display;
    LAYER_ID info;
  } normal[] = {{SONAR_VIEW_PRIORITY, FCID("SVSO"), INFO_SONAR_VIEW_LAYER},
                {ZOLT_DIGIT_VIEW_PRIORITY, FCID("SVBD"), INFO_ZOLT_DIGIT_LAYER},
                {SONAR_ZOOM_VIEW_PRIORITY, FCID("SVSZ"), INFO_SONAR_ZOOM_VIEW_LAYER}};
  for (const auto& n : normal) {
    ASSERT_TRUE(view.Has(n.view)) << n.view;
    EXPECT_EQ(n.display, view.At(n.view).fcidDisplayFlag) << n.view;
    EXPECT_EQ(USED_BY_NONE, view.At(n.view).where_used);
    BOOLEAN bShown = FALSE;
    EXPECT_TRUE(H_DATABASE_bFetchBoolean(n.display, &bShown, nullptr, nullptr) && bShown) << n.view;
    ASSERT_TRUE(view.Has(n.info)) << n.info;
    EXPECT_EQ(n.view, view.At(n.info).where_used);
  }
  // The dual-beam view: 83 kHz on the left, 200 kHz on the right, one split key.
  ASSERT_TRUE(view.Has(SONAR_DUAL_BEAM_VIEW_PRIORITY, SPLIT_LEFT_WINDOW));
  ASSERT_TRUE(view.Has(SONAR_DUAL_BEAM_VIEW_PRIORITY, SPLIT_RIGHT_WINDOW));
  EXPECT_EQ(1u, view.At(SONAR_DUAL_BEAM_VIEW_PRIORITY, SPLIT_LEFT_WINDOW).user);
  EXPECT_EQ(0u, view.At(SONAR_DUAL_BEAM_VIEW_PRIORITY, SPLIT_RIGHT_WINDOW).user);
  EXPECT_EQ(FCID("SZSS"), view.At(SONAR_DUAL_BEAM_VIEW_PRIORITY, SPLIT_LEFT_WINDOW).fcidSplitControl);
  EXPECT_EQ(FCID("SZSS"), view.At(SONAR_DUAL_BEAM_VIEW_PRIORITY, SPLIT_RIGHT_WINDOW).fcidSplitControl);
  EXPECT_EQ(SONAR_DUAL_BEAM_VIEW_PRIORITY, view.At(INFO_DUAL_BEAM_VIEW_LAYER).where_used);
  EXPECT_EQ(9u, view.layers.size());
  EXPECT_TRUE(TableIs(T_N_HISTORY_pcolScheme(FALSE)));

  H_DATABASE_bUpdateEverythingU32(FCID("SSPL"), 10, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  EXPECT_TRUE(WaitFor([] { return TableIs(T_N_HISTORY_pcolScheme(TRUE)); }, 1000));

  H_DATABASE_bUpdateEverythingBoolean(FCID("SICE"), TRUE, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  // The swap ends with the normal dual-beam view's right pane going; until
  // then the task may be between any two of its requests.
  ASSERT_TRUE(WaitFor(
      [this] {
        view.Drain();
        return !view.Has(SONAR_DUAL_BEAM_VIEW_PRIORITY, SPLIT_RIGHT_WINDOW);
      },
      2000));
  for (S32 ice = SONAR_2D_PLUS_FLASHER_ICE_PRIORITY; ice <= SONAR_DUAL_BEAM_ICE_VIEW_PRIORITY; ice++) {
    const bool bSplit = ice == SONAR_2D_PLUS_FLASHER_ICE_PRIORITY || ice == SONAR_2D_ZOOM_PLUS_FLASHER_ICE_PRIORITY ||
                        ice == SONAR_DUAL_BEAM_ICE_VIEW_PRIORITY;
    EXPECT_TRUE(view.Has(ice, bSplit ? SPLIT_LEFT_WINDOW : SPLIT_FULL_WINDOW)) << ice;
  }
  EXPECT_EQ(FCID("SZFS"), view.At(SONAR_2D_PLUS_FLASHER_ICE_PRIORITY, SPLIT_RIGHT_WINDOW).fcidSplitControl);
  EXPECT_EQ(SONAR_ICE_VIEW_PRIORITY, view.At(INFO_SONAR_VIEW_LAYER).where_used);
  EXPECT_EQ(SONAR_FLASHER_ICE_PRIORITY, view.At(INFO_FLASHER_SONAR_LAYER).where_used);
  // Seven views, three of them split, and five information layers.
  EXPECT_EQ(15u, view.layers.size());
}

TEST_F(SonarHistory, EachColumnScrollsAtFullChartSpeedAndSlowerSpeedsKeepTheStrongestEcho) {
  U8 a[HISTORY_ROWS] = {}, b[HISTORY_ROWS] = {};
  a[10] = 3, a[20] = 5, b[10] = 7, b[20] = 1, b[30] = 40;  // 40: out of range, drawn as the strongest
  L_MUTEX_LockWait(RES_HISTORY);
  const U32 start = HISTORY_psBeam(1)->u32Write;
  L_MUTEX_Unlock(RES_HISTORY);
  T_N_HISTORY_vAddColumn(BEAM_DOWN_1, a, 15.0f);
  T_N_HISTORY_vAddColumn(BEAM_DOWN_1, b, 15.0f);
  L_MUTEX_LockWait(RES_HISTORY);
  const HISTORY_BEAM* h = HISTORY_psBeam(1);
  EXPECT_EQ((start + 2) % HISTORY_COLUMNS, h->u32Write);
  const U32 newest = HISTORY_u32Newest(h);
  EXPECT_EQ(7, h->au8Levels[newest][10]);
  EXPECT_EQ(31, h->au8Levels[newest][30]);
  EXPECT_EQ(gCOLOR_pcolColorTable[31], *HISTORY_pcolShown(h, 30, 0));
  EXPECT_EQ(0, HISTORY_psBeam(0)->au8Levels[newest][10]) << "the other beam is untouched";
  L_MUTEX_Unlock(RES_HISTORY);

  H_DATABASE_bUpdateEverythingU32(FCID("SSSP"), 5, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  ASSERT_TRUE(WaitFor([] { return T_N_HISTORY_u32ChartSpeed() == 5; }, 1000));
  for (int i = 0; i < 5; i++) T_N_HISTORY_vAddColumn(BEAM_DOWN_1, i % 2 ? b : a, 15.0f);
  L_MUTEX_LockWait(RES_HISTORY);
  EXPECT_EQ((start + 4) % HISTORY_COLUMNS, h->u32Write) << "two of five columns scrolled";
  EXPECT_EQ(7, h->au8Levels[HISTORY_u32Newest(h)][10]);
  EXPECT_EQ(5, h->au8Levels[HISTORY_u32Newest(h)][20]);
  L_MUTEX_Unlock(RES_HISTORY);
}

// A full history of both beams over a 12 m bottom in the 15 m range, from
// the echo model with seed 1 and no fish, so every picture is the same.
void FillHistories() {
  S_SIM_CONFIG cfg;
  S_SIM_vDefaults(&cfg);
  cfg.fDepthM = 12.0f;
  cfg.fDepthSwingM = 0.0f;
  cfg.u32Fish = 0;
  cfg.u32Seed = 1;
  const float range = 15.0f;
  const U32 n = (U32)(1.1f * range / 0.01905f) + 1;
  std::vector<U8> block(S_COPROC_BLOCK_BYTES), noise(S_COPROC_NOISE_SAMPLES), echo(n);
  U8 column[S_BOTTOM_ROWS];
  for (U32 i = 0; i < HISTORY_COLUMNS; i++) {
    for (BEAM beam : {BEAM_DOWN_0, BEAM_DOWN_1}) {
      const U16 khz = beam == BEAM_DOWN_0 ? 200 : 83;
      MULTI_TX tx;
      S_COPROC_vBuildTxSequenceForSingleDown(&tx, 40, TXPOWER_HIGH, 0, n, khz, 0, FALSE, 236, khz);
      S_SIM_u32FillBlock(&cfg, &tx, 0, 2 * i + beam, TRUE, block.data(), (U32)block.size());
      TX_SEQUENCE echoed;
      const U8* samples = nullptr;
      S_DEMULTIPLEX_bExtractTxSequence(block.data(), &echoed, &samples);
      S_DEMULTIPLEX_vGetExtractRxData(samples, 0, S_COPROC_NOISE_SAMPLES, n, noise.data(), echo.data());
      const U8 nf = S_BOTTOM_u8NoiseFloor(noise.data(), S_COPROC_NOISE_SAMPLES);
      S_BOTTOM_vMakeColumn(echo.data(), n, nf, range, 10, column);
      T_N_HISTORY_vAddColumn(beam, column, range);
    }
  }
  S_SHARE_vSetLastBottomMetres(BEAM_DOWN_0, 12.0f);
  H_DATABASE_bUpdateEverythingFloat(FCID("IDEP"), 12.0f, P_NORMAL, D_DEPTH, nullptr, 60);
}

void Draw(BITMAP* page, DRAW_FUNCTION* draw, SPLIT_WINDOW_TYPE pane, S32 left, S32 right, U32 user) {
  WINDOW_SPECIFICATION windowSpec = {};
  windowSpec.currentLayer = SONAR_VIEW_PRIORITY;
  windowSpec.activeWindow = pane;
  windowSpec.drawWindowType = pane;
  windowSpec.drawWindow = {left, 479, right, 0};
  windowSpec.u32User = user;
  draw(page, &windowSpec);
}

using SonarText = FontTest;

// A stripy pane, so that every edge pixel of a text blends with something.
void Stripes(std::vector<U32>* pPixels, BITMAP* pBitmap) {
  G_BUFFERS_pCreateBitmap(200, 100, pBitmap, pPixels->data());
  COLOR* p = (COLOR*)pBitmap->pBuffer;
  for (U32 i = 0; i < 200 * 100; i++) p[i] = (COLOR)(i % 7 == 0 ? 0xF800 : 0x07FF + i);
}

// A kept text cut by the clip on all four sides: inside the clip the pixels
// of the same text drawn whole, outside it the pane untouched.
TEST_F(SonarText, AKeptTextCutByTheClipMatchesTheWholeOneInsideIt) {
  std::vector<U32> wholePixels(200 * 100 / 2), cutPixels(200 * 100 / 2), panePixels(200 * 100 / 2);
  BITMAP whole, cut, pane;
  Stripes(&wholePixels, &whole);
  Stripes(&cutPixels, &cut);
  Stripes(&panePixels, &pane);
  POINT at = {20, 40};
  HISTORY_vPutText(&whole, &at, myriad_pro_bold_size32_font_def_ptr, "12.8", LANGUAGE_ENGLISH, 0x0000, 0xFFFF);
  const S32 advance = at.x - 20;
  ASSERT_GT(advance, 40);
  cut.s32ClipLeft = 35, cut.s32ClipRight = 20 + advance - 15, cut.s32ClipBottom = 45, cut.s32ClipTop = 55;
  at = {20, 40};
  HISTORY_vPutText(&cut, &at, myriad_pro_bold_size32_font_def_ptr, "12.8", LANGUAGE_ENGLISH, 0x0000, 0xFFFF);
  EXPECT_EQ(20 + advance, at.x);
  auto pixel = [](const BITMAP& b, S32 x, S32 y) { return G_PIXEL_colorGetPhysicalPixel(&b, x, 99 - y); };
  U32 changed = 0;
  for (S32 y = 0; y < 100; y++) {
    for (S32 x = 0; x < 200; x++) {
      const bool inside = x >= cut.s32ClipLeft && x <= cut.s32ClipRight && y >= cut.s32ClipBottom && y <= cut.s32ClipTop;
      ASSERT_EQ(inside ? pixel(whole, x, y) : pixel(pane, x, y), pixel(cut, x, y)) << x << "," << y;
      changed += pixel(cut, x, y) != pixel(pane, x, y);
    }
  }
  EXPECT_GT(changed, 50u);
}

// A kept text over a pane of one colour is copied from the rows it last
// blended over that colour: each pixel must still be what blending it over
// its own pane pixel gives, as over a pane of two colours in columns, where
// every row is blended anew; and a change of colour, or of text in the slot,
// must not show an older row.
TEST_F(SonarText, AKeptTextOverAPlainPaneMatchesItBlendedPixelByPixel) {
  const COLOR colours[2] = {0x041F, 0xFD20};
  std::vector<U32> plainPixels[2] = {std::vector<U32>(200 * 100 / 2), std::vector<U32>(200 * 100 / 2)};
  BITMAP plain[2];
  auto fill = [](BITMAP* b, const std::function<COLOR(S32)>& colourOfColumn) {
    COLOR* p = (COLOR*)b->pBuffer;
    for (S32 i = 0; i < 200 * 100; i++) p[i] = colourOfColumn(i % 200);
  };
  auto put = [](BITMAP* b, const char* pc) {
    POINT at = {20, 40};
    HISTORY_vPutText(b, &at, myriad_pro_bold_size32_font_def_ptr, pc, LANGUAGE_ENGLISH, 0x0000, 0xFFFF);
  };
  for (int round = 0; round < 3; round++) {
    std::vector<U32> firstPixels;
    for (int k : {0, 1, 0}) {
      if (k == 1) firstPixels = plainPixels[0];
      G_BUFFERS_pCreateBitmap(200, 100, &plain[k], plainPixels[k].data());
      fill(&plain[k], [&](S32) { return colours[k]; });
      put(&plain[k], "12.8");
    }
    ASSERT_TRUE(firstPixels == plainPixels[0]) << "round " << round << ": the same text over the same colour";
    std::vector<U32> mixedPixels(200 * 100 / 2);
    BITMAP mixed;
    G_BUFFERS_pCreateBitmap(200, 100, &mixed, mixedPixels.data());
    fill(&mixed, [&](S32 x) { return colours[(x / 3) % 2]; });
    put(&mixed, "12.8");
    U32 covered = 0;
    for (S32 i = 0; i < 200 * 100; i++) {
      const COLOR want = ((const COLOR*)plain[(i % 200 / 3) % 2].pBuffer)[i];
      ASSERT_EQ(want, ((const COLOR*)mixed.pBuffer)[i]) << "round " << round << ", pixel " << i;
      covered += want != colours[(i % 200 / 3) % 2];
    }
    EXPECT_GT(covered, 300u);
    // Other texts through every slot, so that "12.8" is drawn anew.
    for (int i = 0; i < 16; i++) {
      fill(&plain[0], [&](S32) { return colours[0]; });
      put(&plain[0], std::to_string(100 + i).c_str());
    }
  }
}

// Column i of this test at level (i + row) % 32, with no range, so the pane
// has no scale: below the depth, each page pixel is the colour of the column
// its distance from the pane's right edge says, level 0 before the first.
// Early on the ring's end falls inside the narrow pane's last row; later a
// full pane starts deep into the ring.
TEST_F(SonarHistory, APaneShowsItsNewestColumnsWhereverTheRingStands) {
  H_DATABASE_bUpdateEverythingU32(FCID("SSSP"), 10, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  ASSERT_TRUE(WaitFor([] { return T_N_HISTORY_u32ChartSpeed() == 10; }, 1000));
  BITMAP* page = G_BUFFERS_pCreateFullScreenBitmap();
  ASSERT_NE(nullptr, page);
  S32 added = 0;
  auto addUpTo = [&](S32 total) {
    for (; added < total; added++) {
      U8 column[HISTORY_ROWS];
      for (U32 r = 0; r < HISTORY_ROWS; r++) column[r] = (U8)((added + (S32)r) % 32);
      T_N_HISTORY_vAddColumn(BEAM_DOWN_0, column, 0.0f);
    }
  };
  auto check = [&](S32 left, S32 right) {
    G_BMP_vSet(page, 0x8410);
    Draw(page, T_N_HISTORY_vDrawSonarSplit, left == 0 && right == 799 ? SPLIT_FULL_WINDOW : SPLIT_RIGHT_WINDOW,
         left, right, 0);
    for (S32 row = 80; row < (S32)HISTORY_ROWS; row++) {
      for (S32 x = left; x <= right; x++) {
        const S32 i = added - 1 - (right - x);
        const COLOR expected = gCOLOR_pcolColorTable[i < 0 ? 0 : (i + row) % 32];
        ASSERT_EQ(expected, G_PIXEL_colorGetPhysicalPixel(page, x, row)) << added << " " << x << "," << row;
      }
    }
  };
  addUpTo(150);
  check(500, 799);
  check(0, 799);
  addUpTo(1234);
  check(500, 799);
  check(0, 799);
  check(3, 402);
  G_BUFFERS_vFreeFullScreenBitmap(page);
}

// Panes drawn after every one to three pings, at full and at half chart
// speed, over columns of wide bands whose rows often match the rows the
// picture drops: each pane matches the columns kept by a model of the
// scroll, merged pings keeping their strongest echo.
TEST_F(SonarHistory, APaneDrawnEveryFewPingsShowsTheNewestColumnsAtEachChartSpeed) {
  BITMAP* page = G_BUFFERS_pCreateFullScreenBitmap();
  ASSERT_NE(nullptr, page);
  std::vector<std::vector<U8>> model;
  U32 speed = 10, tenths = 0, ping = 0;
  auto add = [&](U32 count) {
    for (U32 k = 0; k < count; k++, ping++) {
      std::vector<U8> column(HISTORY_ROWS);
      for (U32 r = 0; r < HISTORY_ROWS; r++) column[r] = (U8)((r / 40 + ping / 9 + (r == 200 + ping % 50)) % 3 * 13);
      T_N_HISTORY_vAddColumn(BEAM_DOWN_0, column.data(), 0.0f);
      tenths += speed;
      if (tenths >= 10) {
        tenths -= 10;
        model.push_back(column);
      } else {
        for (U32 r = 0; r < HISTORY_ROWS; r++) model.back()[r] = std::max(model.back()[r], column[r]);
      }
    }
  };
  auto check = [&] {
    G_BMP_vSet(page, 0x8410);
    Draw(page, T_N_HISTORY_vDrawSonarSplit, SPLIT_FULL_WINDOW, 0, 799, 0);
    const COLOR* pixels = (const COLOR*)page->pBuffer;
    for (U32 row = 80; row < HISTORY_ROWS; row++) {
      for (U32 x = 0; x < 800; x++) {
        const S32 i = (S32)model.size() - 800 + (S32)x;
        const COLOR expected = gCOLOR_pcolColorTable[i < 0 ? 0 : model[(size_t)i][row]];
        ASSERT_EQ(expected, pixels[row * page->__u32PixelWidthOfBuffer + x]) << ping << " " << x << "," << row;
      }
    }
  };
  auto setSpeed = [&](U32 s) {
    H_DATABASE_bUpdateEverythingU32(FCID("SSSP"), s, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
    ASSERT_TRUE(WaitFor([s] { return T_N_HISTORY_u32ChartSpeed() == s; }, 1000));
    speed = s;
  };
  setSpeed(10);
  add(900);
  check();
  for (U32 i = 0; i < 30; i++) {
    add(1 + i % 3);
    check();
  }
  setSpeed(5);
  for (U32 i = 0; i < 30; i++) {
    add(1 + i % 3);
    check();
  }
  G_BUFFERS_vFreeFullScreenBitmap(page);
}

// The panes of a split at 50 %: the divider's middle column is 400.
TEST_F(SonarHistory, EachSonarViewMatchesItsPicture) {
  FillHistories();
  BITMAP* page = G_BUFFERS_pCreateFullScreenBitmap();
  ASSERT_NE(nullptr, page);
  struct {
    const char* name;
    DRAW_FUNCTION* left;
    U32 leftUser;
    DRAW_FUNCTION* right;
  } views[] = {
      {"sonar_2d", T_N_HISTORY_vDrawSonarSplit, 0, nullptr},
      {"sonar_big_digits", T_N_HISTORY_vDrawBigDigitsView, 0, nullptr},
      {"sonar_zoom", T_N_HISTORY_vDrawZoomView, 0, nullptr},
      {"sonar_dual_beam", T_N_HISTORY_vDrawSonarSplit, 1, T_N_HISTORY_vDrawSonarSplit},
      {"sonar_flasher", T_N_HISTORY_vDrawCircularFlasher, 0, nullptr},
      {"sonar_2d_flasher", T_N_HISTORY_vDrawSonarSplit, 0, T_N_HISTORY_vDrawCircularFlasher},
  };
  for (const auto& v : views) {
    G_BMP_vSet(page, 0x8410);
    if (v.right == nullptr) {
      Draw(page, v.left, SPLIT_FULL_WINDOW, 0, 799, v.leftUser);
    } else {
      Draw(page, v.left, SPLIT_LEFT_WINDOW, 0, 397, v.leftUser);
      Draw(page, v.right, SPLIT_RIGHT_WINDOW, 403, 799, 0);
    }
    EXPECT_TRUE(GOLDEN_MatchBitmap(std::string(SONAR_GOLDEN_DIR "/") + v.name + ".png", page)) << v.name;
  }
  // The dark scheme recolours what is there.
  H_DATABASE_bUpdateEverythingU32(FCID("SSPL"), 10, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  ASSERT_TRUE(WaitFor([] { return TableIs(T_N_HISTORY_pcolScheme(TRUE)); }, 1000));
  Draw(page, T_N_HISTORY_vDrawSonarSplit, SPLIT_FULL_WINDOW, 0, 799, 0);
  EXPECT_TRUE(GOLDEN_MatchBitmap(SONAR_GOLDEN_DIR "/sonar_2d_dark.png", page));
  G_BUFFERS_vFreeFullScreenBitmap(page);
}

// The texts drawn on the page (not those drawn to be kept).
const BITMAP* s_pPage;
std::vector<std::string> s_texts;
void Heard(const BITMAP* pBmp, const char* pText, const FONT_DEF*, const G_TEXT_BOX*) {
  if (pBmp == s_pPage) s_texts.push_back(pText);
}

// The depth readouts of the 2D view and the flasher: the depth while it is
// valid, dashes where it stands without a bottom (none yet, lost or stale).
TEST_F(SonarHistory, TheDepthReadoutShowsDashesWithoutABottom) {
  FillHistories();  // writes IDEP = 12.0
  BITMAP* page = G_BUFFERS_pCreateFullScreenBitmap();
  ASSERT_NE(nullptr, page);
  s_pPage = page;
  auto heard = [&](const char* text) {
    s_texts.clear();
    G_TRUETYPE_vSetTextObserver(Heard);
    Draw(page, T_N_HISTORY_vDrawSonarSplit, SPLIT_FULL_WINDOW, 0, 799, 0);
    Draw(page, T_N_HISTORY_vDrawCircularFlasher, SPLIT_FULL_WINDOW, 0, 799, 0);
    G_TRUETYPE_vSetTextObserver(nullptr);
    return std::count(s_texts.begin(), s_texts.end(), std::string(text));
  };
  EXPECT_EQ(2, heard("12.0"));
  H_DATABASE_vDeleteEntry(FCID("IDEP"));
  EXPECT_EQ(2, heard("--"));
  H_DATABASE_bUpdateEverythingFloat(FCID("IDEP"), 12.0f, P_NORMAL, D_DEPTH, nullptr, 1);
  ASSERT_TRUE(WaitFor([] {
    BOOLEAN bValid = TRUE;
    return H_DATABASE_bFetch(FCID("IDEP"), nullptr, &bValid, nullptr) && !bValid;
  }, 3000));
  EXPECT_EQ(2, heard("--"));
  G_BUFFERS_vFreeFullScreenBitmap(page);
}

// The 2D view as it registers draws the beam that 2D Display Frequency
// chooses: the pane of the dual-beam view that shows that beam.
TEST_F(SonarHistory, The2DViewShowsTheBeamItsDisplayFrequencyChooses) {
  FillHistories();
  BITMAP* page = G_BUFFERS_pCreateFullScreenBitmap();
  ASSERT_NE(nullptr, page);
  const MSG_REGISTER_LAYER& twoD = view.At(SONAR_VIEW_PRIORITY);
  auto picture = [&](DRAW_FUNCTION* draw, U32 user) {
    G_BMP_vSet(page, 0x8410);
    Draw(page, draw, SPLIT_FULL_WINDOW, 0, 799, user);
    const COLOR* p = (const COLOR*)page->pBuffer;
    return std::vector<COLOR>(p, p + 800 * 480);
  };
  for (U32 beam : {1u, 0u}) {
    H_DATABASE_bUpdateEverythingU32(FCID("SSSV"), beam, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
    const U32 dualPane = view.At(SONAR_DUAL_BEAM_VIEW_PRIORITY, beam == 1 ? SPLIT_LEFT_WINDOW : SPLIT_RIGHT_WINDOW).user;
    EXPECT_TRUE(picture(twoD.pDrawFunction, twoD.user) == picture(T_N_HISTORY_vDrawSonarSplit, dualPane)) << beam;
  }
  G_BUFFERS_vFreeFullScreenBitmap(page);
}

// The split views with their right pane active, as the view task draws
// their panes and the active pane's mark: the mark clear of the depth and
// the frequency at the top of the right pane.
TEST_F(SonarHistory, TheSplitViewsWithTheRightPaneActiveMatchTheirPictures) {
  FillHistories();
  BITMAP* page = G_BUFFERS_pCreateFullScreenBitmap();
  ASSERT_NE(nullptr, page);
  struct {
    const char* name;
    LAYER_ID view;
    DRAW_FUNCTION* left;
    U32 leftUser;
    DRAW_FUNCTION* right;
  } splits[] = {{"split_33_right_active", SONAR_DUAL_BEAM_VIEW_PRIORITY, T_N_HISTORY_vDrawSonarSplit, 1,
                 T_N_HISTORY_vDrawSonarSplit},
                {"split_58_right_active", SONAR_2D_PLUS_FLASHER_ICE_PRIORITY, T_N_HISTORY_vDrawSonarSplit, 0,
                 T_N_HISTORY_vDrawCircularFlasher}};
  for (const auto& v : splits) {
    G_BMP_vSet(page, 0x8410);
    WINDOW_SPECIFICATION window = {};
    window.currentLayer = v.view;
    window.activeWindow = SPLIT_RIGHT_WINDOW;
    window.drawWindowType = SPLIT_LEFT_WINDOW;
    window.drawWindow = {0, 479, 397, 0};
    window.u32User = v.leftUser;
    v.left(page, &window);
    G_BUFFERS_vRestoreWhole(page);
    window.drawWindowType = SPLIT_RIGHT_WINDOW;
    window.drawWindow = {403, 479, 799, 0};
    window.u32User = 0;
    v.right(page, &window);
    G_BUFFERS_vRestoreWhole(page);
    POINT mark;
    ASSERT_TRUE(T_VIEW_bActivePaneIconAt(&window, &mark));
    G_ICON_vPut(page, &active_pane_icon, &mark);
    EXPECT_TRUE(GOLDEN_MatchBitmap(std::string(SONAR_GOLDEN_DIR "/") + v.name + ".png", page)) << v.name;
  }
  G_BUFFERS_vFreeFullScreenBitmap(page);
}

}  // namespace
