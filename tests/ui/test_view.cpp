// Frames as the view task draws them: their pacing, frames dropped by a view
// change, the empty screen, split panes and their decoration, the notice in
// simulation, and image requests to the card task.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <vector>

#include "test_timing.h"
#include "g_box.h"
#include "h_database.h"
#include "h_display.h"
#include "h_memory.h"
#include "g_buffers.h"
#include "t_startup.h"
#include "t_view.h"
#include "u_menu.h"
#include "u_view.h"
#include "ui_frame.h"
#include "test_keys.h"

namespace {

// The page on display, y upward as the frame draws it.
COLOR Pixel(S32 x, S32 y) {
  const COLOR* pPage = (const COLOR*)H_DISPLAY_psbGetFrameBufferPointer();
  return pPage[(G_SCREEN_HEIGHT - 1 - (U32)y) * G_SCREEN_WIDTH + (U32)x];
}

void Fill(BITMAP* pBitmap, const WINDOW_LOCATION& w, COLOR color) {
  POINT at = {w.s32ClipLeft, w.s32ClipBottom};
  G_BOX_vDrawFilled(pBitmap, color, &at, (U32)(w.s32ClipRight + 1 - w.s32ClipLeft),
                    (U32)(w.s32ClipTop + 1 - w.s32ClipBottom));
}

// Each pane fills its window with its user word as the colour and leaves the
// window behind.
std::mutex s_viewLock;
std::vector<WINDOW_LOCATION> s_windows;
void DrawPane(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER pSpec) {
  Fill(pBitmap, pSpec->drawWindow, (COLOR)pSpec->u32User);
  std::lock_guard<std::mutex> guard(s_viewLock);
  s_windows.push_back(pSpec->drawWindow);
}

// Stripes of four colours, so that a dimmed pane shows in a picture.
void DrawStripes(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER pSpec) {
  static const COLOR kColors[] = {0xF800, 0x07E0, 0x001F, 0xFFE0};
  WINDOW_LOCATION w = pSpec->drawWindow;
  for (S32 x = w.s32ClipLeft, i = 0; x <= w.s32ClipRight; x += 40, i++) {
    WINDOW_LOCATION stripe = {x, w.s32ClipTop, std::min(x + 39, w.s32ClipRight), w.s32ClipBottom};
    Fill(pBitmap, stripe, kColors[i % 4]);
  }
}

// The overlay over every view notes when each frame reached it.
std::vector<U64> s_overlayMs;
void DrawOverlay(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER) {
  POINT at = {0, 0};
  G_BOX_vDrawFilled(pBitmap, 0xFFFF, &at, 10, 10);
  std::lock_guard<std::mutex> guard(s_viewLock);
  s_overlayMs.push_back(L_CLOCK_qwGetTimeInMillis());
}
std::vector<U64> OverlayMs() {
  std::lock_guard<std::mutex> guard(s_viewLock);
  return s_overlayMs;
}

void DrawRed(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER pSpec) { Fill(pBitmap, pSpec->drawWindow, 0xF800); }

// A view that takes as long as the test holds it.
std::atomic<bool> s_bHold{false}, s_bHeld{false};
void DrawSlowly(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER pSpec) {
  s_bHeld = s_bHold.load();
  for (int i = 0; i < 2000 && s_bHold; i++) L_CLOCK_Sleep(1);
  DrawRed(pBitmap, pSpec);
}

std::atomic<U32> s_u32HotView{(U32)NO_VIEW_PRIORITY};
U32 HotView() { return s_u32HotView; }

int FreePages() {
  std::vector<U32*> pages;
  while (U32* p = H_DISPLAY_pu32GetDisplayBuffer()) pages.push_back(p);
  for (U32* p : pages) H_DISPLAY_vFreeDisplayBuffer(p);
  return (int)pages.size();
}

class View : public ::testing::Test {
 protected:
  TEST_OWN_KEYS m_ownKeys;
  void SetUp() override {
    UI_vStart();
    UI_vReset();
    std::lock_guard<std::mutex> guard(s_viewLock);
    s_windows.clear();
    s_overlayMs.clear();
  }
  void TearDown() override {
    H_DATABASE_bUpdateEverythingU32(FCID("CMNU"), 0, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
    H_DATABASE_bUpdateValueS32(FCID("CVAS"), SPLIT_RIGHT_WINDOW, P_NORMAL);
    s_u32HotView = (U32)NO_VIEW_PRIORITY;
    UI_vReset();
  }
  void Show(LAYER_ID view) {
    H_DATABASE_bUpdateValueS32(FCID("CVEW"), view, P_NORMAL);
    ASSERT_TRUE(UI_bWaitFor([view] { return T_VIEW_eCurrentLayer() == view; }));
    UI_vFrame();
  }
};

// Two requests 30 ms apart after a frame, then one every 5 ms for a second.
// A frame begins no sooner than 100 ms after the one before, and its overlay
// is stamped after it began; a frame asked for while none is due begins no
// sooner than the asking. Stamps are measured from moments before such
// beginnings, so a busy machine only makes them later.
TEST_F(View, RequestsAfterAFrameAreDrawnOnceAHundredMillisecondsAfterIt) {
  ASSERT_TRUE(UI_bRegister({COLOR_PALETTE_DEBUG_LAYER, DrawOverlay, USED_BY_ALL}));
  // Both requests inside the frame's 100 ms: a starved run that made the
  // second late is staged again once its frames are drawn.
  U64 framed = 0;
  size_t first = 0;
  ASSERT_TRUE(UI_bWaitFor(
      [&] {
        framed = L_CLOCK_qwGetTimeInMillis();
        UI_vFrame();
        first = OverlayMs().size() - 1;
        for (int ms : {10, 30}) {
          L_CLOCK_Sleep((U32)ms);
          L_SEMA_Signal(SEMA_VIEW_UPDATE);
        }
        const bool bStaged = L_CLOCK_qwGetTimeInMillis() - framed < 100;
        UI_bWaitFor([first] { return OverlayMs().size() >= first + 2; }, 300);
        return bStaged;
      },
      5000));
  ASSERT_GE(OverlayMs().size(), first + 2);
  EXPECT_FALSE(UI_bWaitFor([first] { return OverlayMs().size() > first + 2; }, 150)) << "one frame after the last";
  std::vector<U64> frames = OverlayMs();
  EXPECT_GE(frames[first + 1] - framed, 100u - 1);
  const U64 start = L_CLOCK_qwGetTimeInNans() / 1000000;
  for (int i = 0; i < 200; i++) {
    L_SEMA_Signal(SEMA_VIEW_UPDATE);
    L_CLOCK_Sleep(5);
  }
  const U64 elapsed = L_CLOCK_qwGetTimeInNans() / 1000000 - start;
  frames = OverlayMs();
  EXPECT_LE((double)(frames.size() - first - 2), (double)elapsed / 100.0 + 2.5) << "one at 0, 100, ... ms of " << elapsed;
  for (size_t m = 1; first + 1 + m < frames.size(); m++) {
    EXPECT_GE(frames[first + 1 + m] + 1, start + 100 * (m - 1)) << m;
  }
}

TEST_F(View, AViewChangeDuringALongDrawDropsThatFrameAndShowsTheNewViewAtOnce) {
  ASSERT_TRUE(UI_bRegister({SONAR_VIEW_PRIORITY, DrawSlowly}));
  ASSERT_TRUE(UI_bRegister({CHART_VIEW_PRIORITY, DrawPane, USED_BY_NONE, 0, SPLIT_FULL_WINDOW, 0, FALSE, nullptr, 0x07E0}));
  ASSERT_TRUE(UI_bRegister({COLOR_PALETTE_DEBUG_LAYER, DrawOverlay, USED_BY_ALL}));
  Show(SONAR_VIEW_PRIORITY);
  const U32 begun = T_VIEW_u32FramesBegun();
  const size_t overlays = OverlayMs().size();
  s_bHold = true;
  T_VIEW_vRequestExpeditedViewUpdate();
  ASSERT_TRUE(UI_bWaitFor([] { return s_bHeld.load(); }));
  T_VIEW_vSetBackgroundLayer(CHART_VIEW_PRIORITY);
  s_bHold = false;
  ASSERT_TRUE(UI_bWaitFor([begun] { return T_VIEW_u32LastFrameShown() == begun + 2; }));
  L_CLOCK_Sleep(150);
  EXPECT_EQ(begun + 2, T_VIEW_u32FramesBegun()) << "the dropped frame and the new view's";
  EXPECT_EQ(overlays + 1, OverlayMs().size()) << "the dropped frame stopped before the overlay";
  EXPECT_EQ(0x07E0, Pixel(400, 240)) << "the chart view's";
  EXPECT_EQ(3, FreePages()) << "the dropped frame's page is free again";
}

TEST_F(View, WithNoShownViewTheViewIsMinusTwoAndFramesAreTheBackgroundWithTheOverlaysForAllViews) {
  H_DATABASE_bUpdateEverythingBoolean(FCID("SVQ3"), FALSE, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  ASSERT_TRUE(UI_bRegister({SONAR_VIEW_PRIORITY, DrawRed, USED_BY_NONE, FCID("SVQ3")}));
  ASSERT_TRUE(UI_bRegister({COLOR_PALETTE_DEBUG_LAYER, DrawOverlay, USED_BY_ALL}));
  ASSERT_TRUE(UI_bRegister({SWEEP_NOTE_LAYER, DrawRed, SONAR_VIEW_PRIORITY}));
  H_DATABASE_bUpdateValueS32(FCID("CVEW"), SONAR_VIEW_PRIORITY, P_NORMAL);
  ASSERT_TRUE(UI_bWaitFor([] { return OverlayMs().size() >= 2; })) << "the hidden view's frame, then -2's";
  EXPECT_EQ(NO_VIEW_PRIORITY, U_VIEW_eCurrentView());
  UI_vFrame();
  size_t other = 0;
  for (S32 y = 0; y < (S32)G_SCREEN_HEIGHT; y++) {
    for (S32 x = 0; x < (S32)G_SCREEN_WIDTH; x++) {
      // Colour 34 of the standard palette, and the overlay's white corner.
      other += Pixel(x, y) != (x < 10 && y < 10 ? 0xFFFF : 0xA514);
    }
  }
  EXPECT_EQ(0u, other);
}

// At 50 %: left/right on 800 pixels, upper/lower on 480, y upward.
TEST_F(View, SplitPanesEndThreePixelsEitherSideOfTheirFiveLineDivider) {
  H_DATABASE_bUpdateEverythingS32(FCID("SQS5"), 50, P_NORMAL, D_SIGNED32, nullptr, DB_NEVER_STALE);
  const struct {
    LAYER_ID view;
    BOOLEAN bHorizontal;
    std::vector<S32> windows;  // left, top, right, bottom of the left (upper) pane, then the other
    POINT probe;               // the first of seven pixels across the divider
    POINT step;
  } kRows[] = {{CHART_PLUS_2D_VIEW_PRIORITY, FALSE, {0, 479, 397, 0, 403, 479, 799, 0}, {397, 100}, {1, 0}},
               {SI_ON_TOP_AND_DI_ON_BOTTOM_VIEW_PRIORITY, TRUE, {0, 479, 799, 243, 0, 237, 799, 0}, {500, 243}, {0, -1}}};
  for (const auto& row : kRows) {
    for (SPLIT_WINDOW_TYPE pane : {SPLIT_LEFT_WINDOW, SPLIT_RIGHT_WINDOW}) {
      ASSERT_TRUE(UI_bRegister({row.view, DrawPane, USED_BY_NONE, 0, pane, FCID("SQS5"), row.bHorizontal, nullptr,
                                pane == SPLIT_LEFT_WINDOW ? 0x001Fu : 0x07E0u}));
    }
    Show(row.view);
    std::vector<S32> windows;
    {
      std::lock_guard<std::mutex> guard(s_viewLock);
      for (const WINDOW_LOCATION& w : {s_windows[s_windows.size() - 2], s_windows.back()}) {
        windows.insert(windows.end(), {w.s32ClipLeft, w.s32ClipTop, w.s32ClipRight, w.s32ClipBottom});
      }
    }
    EXPECT_EQ(row.windows, windows);
    std::vector<COLOR> across;
    for (S32 i = 0; i < 7; i++) across.push_back(Pixel(row.probe.x + i * row.step.x, row.probe.y + i * row.step.y));
    EXPECT_EQ((std::vector<COLOR>{0x001F, 0xFFFF, 0x0000, 0x0000, 0x0000, 0xFFFF, 0x07E0}), across) << row.view;
  }
}

// A pane without pixels or a layer without a draw function is left out of
// the frame, which is shown all the same.
TEST_F(View, ASplitKeyBeyondTheScreenAndAMissingDrawFunctionAreSkipped) {
  H_DATABASE_bUpdateEverythingS32(FCID("SQS6"), 150, P_NORMAL, D_SIGNED32, nullptr, DB_NEVER_STALE);
  ASSERT_TRUE(UI_bRegister({CHART_PLUS_2D_VIEW_PRIORITY, DrawPane, USED_BY_NONE, 0, SPLIT_LEFT_WINDOW, FCID("SQS6")}));
  ASSERT_TRUE(UI_bRegister({CHART_PLUS_2D_VIEW_PRIORITY, DrawPane, USED_BY_NONE, 0, SPLIT_RIGHT_WINDOW, FCID("SQS6")}));
  ASSERT_TRUE(UI_bRegister({SWEEP_NOTE_LAYER, nullptr, USED_BY_ALL}));
  ASSERT_TRUE(UI_bRegister({COLOR_PALETTE_DEBUG_LAYER, DrawOverlay, USED_BY_ALL}));
  Show(CHART_PLUS_2D_VIEW_PRIORITY);
  std::lock_guard<std::mutex> guard(s_viewLock);
  ASSERT_EQ(s_overlayMs.size(), s_windows.size()) << "only the left pane has pixels, and every frame is whole";
  EXPECT_EQ(797, s_windows.back().s32ClipRight) << "taken as 100 %";
}

// Left/right with the right pane active and upper/lower with the upper one,
// while a view's express menu is open.
TEST_F(View, AnExpressMenuDimsTheOtherPaneAndFramesTheActiveOneButNotInTheViewsSelectionMenu) {
  H_DATABASE_bUpdateEverythingS32(FCID("SQS7"), 40, P_NORMAL, D_SIGNED32, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingU32(FCID("CMNU"), EXPRESS_MENU, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  ASSERT_TRUE(U_MENU_bRegisterHotMenuView(HotView));
  const struct {
    LAYER_ID view;
    BOOLEAN bHorizontal;
    SPLIT_WINDOW_TYPE active;
    const char* golden;
  } kRows[] = {{CHART_PLUS_2D_VIEW_PRIORITY, FALSE, SPLIT_RIGHT_WINDOW, "split_express_right"},
               {SI_ON_TOP_AND_DI_ON_BOTTOM_VIEW_PRIORITY, TRUE, SPLIT_LEFT_WINDOW, "split_express_upper"}};
  for (const auto& row : kRows) {
    ASSERT_TRUE(UI_bRegister({row.view, DrawStripes, USED_BY_NONE, 0, SPLIT_LEFT_WINDOW, FCID("SQS7"), row.bHorizontal}));
    ASSERT_TRUE(UI_bRegister({row.view, DrawStripes, USED_BY_NONE, 0, SPLIT_RIGHT_WINDOW, FCID("SQS7"), row.bHorizontal}));
    H_DATABASE_bUpdateValueS32(FCID("CVAS"), row.active, P_NORMAL);
    s_u32HotView = (U32)row.view;
    Show(row.view);
    EXPECT_TRUE(UI_MatchGolden(row.golden, UI_Screen(), G_SCREEN_WIDTH, G_SCREEN_HEIGHT));
  }
  // Over the views-selection menu the panes keep their colours; the mark stays.
  s_u32HotView = (U32)VIRTUAL_DISPLAY_VIEW_LAYER;
  UI_vFrame();
  EXPECT_EQ(0xF800, Pixel(5, 5)) << "the lower pane is not dimmed";
  EXPECT_EQ(0xF800, Pixel(5, 470)) << "the upper pane has no frame";
}

TEST_F(View, AnImageRequestWithoutACardTaskGivesItsPageBackAndFails) {
  // The card task's key as it was, given back however the test ends.
  struct CARD_KEY {
    U32 u32Mbox = 0;
    BOOLEAN bThere = H_DATABASE_bFetchU32(FCID("TMMC"), &u32Mbox, nullptr, nullptr);
    ~CARD_KEY() {
      H_DATABASE_vDeleteEntry(FCID("TMMC"));
      if (bThere) H_DATABASE_bUpdateEverythingU32(FCID("TMMC"), u32Mbox, P_NORMAL, D_MAILBOX, nullptr, DB_NEVER_STALE);
    }
  } cardKey;
  UI_vFrame();
  H_DATABASE_vDeleteEntry(FCID("TMMC"));
  BITMAP* pBitmap = nullptr;
  EXPECT_FALSE(T_VIEW_bRequestSnapshotImage(&pBitmap, "photo.jpg", SEMA_USER_TEST));
  EXPECT_EQ(nullptr, pBitmap);
  EXPECT_EQ(3, FreePages());

  // A card task that does not answer gets four requests, then no more.
  H_DATABASE_bUpdateEverythingU32(FCID("TMMC"), (U32)UI_MBOX_C, P_NORMAL, D_MAILBOX, nullptr, DB_NEVER_STALE);
  BITMAP* apPages[3] = {};
  for (BITMAP*& pPage : apPages) ASSERT_TRUE(T_VIEW_bRequestSnapshotImage(&pPage, "x", SEMA_USER_TEST));
  BITMAP* pOwn = G_BUFFERS_pCreateFullScreenBitmap();
  BITMAP* pNone = nullptr;
  EXPECT_FALSE(T_VIEW_bRequestSnapshotImage(&pNone, "x", SEMA_USER_TEST)) << "no page left";
  ASSERT_TRUE(T_VIEW_bRequestSnapshotImage(&pOwn, "x", SEMA_USER_TEST));
  std::vector<MSG_LOAD_BITMAP*> requests;
  while (GENERIC_MESSAGE* p = UI_pReceive(UI_MBOX_C, 50)) requests.push_back((MSG_LOAD_BITMAP*)p);
  ASSERT_EQ(4u, requests.size());
  EXPECT_STREQ("x.PNG", requests[0]->pFileName);
  EXPECT_EQ(pOwn, requests[3]->pBitmap);
  EXPECT_EQ(requests[0]->u32RequestID + 3, *requests[3]->pu32LatestRequestID);
  EXPECT_FALSE(T_VIEW_bRequestSnapshotImage(&pOwn, "y", SEMA_USER_TEST));
  L_MBOX_AckMessage(requests[0]);
  ASSERT_TRUE(T_VIEW_bRequestSnapshotImage(&pOwn, "SHOT.1.JPG", SEMA_USER_TEST));
  MSG_LOAD_BITMAP* pNext = (MSG_LOAD_BITMAP*)UI_pReceive(UI_MBOX_C, 50);
  ASSERT_NE(nullptr, pNext);
  EXPECT_STREQ("SHOT.PNG", pNext->pFileName);
  for (MSG_LOAD_BITMAP* p : {requests[1], requests[2], requests[3], pNext}) L_MBOX_AckMessage(p);
  for (BITMAP* pPage : apPages) {
    H_DISPLAY_vFreeDisplayBuffer(pPage->pBuffer);
    G_BUFFERS_vFreeFullScreenBitmapHeader(pPage);
  }
  G_BUFFERS_vFreeFullScreenBitmap(pOwn);
  H_DATABASE_vDeleteEntry(FCID("TMMC"));
}

bool NoticeShown() {
  UI_vFrame();
  for (S32 y = 0; y < (S32)G_SCREEN_HEIGHT; y++) {
    for (S32 x = 0; x < (S32)G_SCREEN_WIDTH; x++) {
      if (Pixel(x, y) != 0x0000) return true;
    }
  }
  return false;
}

TEST_F(View, SimulationShowsTheViewsNoticeForThreeSecondsAndLeavingItRemovesTheNotice) {
  static const std::vector<const char*> kSimulation(27, "SIMULATION");
  ASSERT_TRUE(
      UI_bRegister({SONAR_VIEW_PRIORITY, DrawPane, USED_BY_NONE, 0, SPLIT_FULL_WINDOW, 0, FALSE, kSimulation.data()}));
  Show(SONAR_VIEW_PRIORITY);
  EXPECT_FALSE(NoticeShown());
  // The notice comes after the change and stays its three seconds (less a
  // tick) however late this thread looks; a busy machine only keeps it longer.
  const U64 entered = L_CLOCK_qwGetTimeInMillis();
  H_DATABASE_bUpdateEverythingU32(FCID("CCST"), STATE_SIMULATION, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  ASSERT_TRUE(UI_bWaitFor([] { return T_VIEW_bIsLayerActive(SIMULATION_MESSAGE_LAYER); }));
  EXPECT_TRUE(NoticeShown());
  EXPECT_TRUE(UI_bWaitFor([] { return !NoticeShown(); }, 3500));
  EXPECT_GE(L_CLOCK_qwGetTimeInMillis() - entered, 3000u - 10);
  H_DATABASE_bUpdateValueU32(FCID("CCST"), STATE_NORMAL_RUN, P_NORMAL);
  EXPECT_TRUE(UI_bWaitFor([] { return !T_VIEW_bIsLayerActive(SIMULATION_MESSAGE_LAYER); }));
}

}  // namespace
