// Readouts in the frames the view task draws: a banner or bar drawn over
// them keeps clear of them, and a window that covers part of one has it
// left out of the frame, never cut.

#include <gtest/gtest.h>

#include <atomic>

#include "g_box.h"
#include "h_display.h"
#include "u_dialog.h"
#include "u_viewarea.h"
#include "ui_frame.h"
#include "test_keys.h"

namespace {

constexpr COLOR kReadout = 0x07E0;
constexpr COLOR kWindow = 0x001F;

// The page on display, y upward as the frame draws it.
COLOR PagePixel(S32 x, S32 y) {
  const COLOR* pPage = (const COLOR*)H_DISPLAY_psbGetFrameBufferPointer();
  return pPage[(G_SCREEN_HEIGHT - 1 - (U32)y) * G_SCREEN_WIDTH + (U32)x];
}

// How many pixels of the box show the colour.
U32 Shown(const VIEWAREA_BOX& b, COLOR c) {
  U32 n = 0;
  for (S32 y = b.y; y < b.y + b.h; y++) {
    for (S32 x = b.x; x < b.x + b.w; x++) n += PagePixel(x, y) == c;
  }
  return n;
}

U32 Painted(const VIEWAREA_BOX& b) { return (U32)(b.w * b.h) - Shown(b, 0); }

void FillBox(BITMAP* pBitmap, const VIEWAREA_BOX& b, COLOR c) {
  const POINT at = {b.x, b.y};
  G_BOX_vDrawFilled(pBitmap, c, &at, (U32)b.w, (U32)b.h);
}

// Readouts as the readouts' layers draw them: asked for first, then drawn.
std::atomic<int> s_nReadouts{0};
const VIEWAREA_BOX kReadouts[] = {{0, 436, 120, 44}, {10, 0, 160, 40}, {160, 0, 640, 48}};
void DrawReadouts(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER) {
  for (int i = 0; i < s_nReadouts; i++) {
    if (U_VIEWAREA_bReadout(&kReadouts[i])) FillBox(pBitmap, kReadouts[i], kReadout);
  }
}

// A window over the top left, while the test keeps it open.
std::atomic<bool> s_bWindow{false};
const VIEWAREA_BOX kWindowBox = {60, 200, 300, 260};
void DrawWindow(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER) {
  if (!s_bWindow) return;
  FillBox(pBitmap, kWindowBox, kWindow);
  U_VIEWAREA_vCovers(NAV_EDIT_LAYER, &kWindowBox);
}

std::atomic<bool> s_bBanner{false}, s_bBar{false};
void DrawBanners(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER) {
  if (s_bBanner) U_DIALOG_vDrawDialogAlarm(pBitmap, "AIS Alarm for <366000100>");
  if (s_bBar) U_DIALOG_vDrawDialogGenericNotification(pBitmap, "Press and hold POWER to turn unit Off");
}

class ViewArea : public ::testing::Test {
 protected:
  TEST_OWN_KEYS m_ownKeys;
  void SetUp() override {
    UI_vStart();
    UI_vReset();
    s_nReadouts = 0;
    s_bWindow = s_bBanner = s_bBar = false;
    UI_vShowBlackView();
    ASSERT_TRUE(UI_bRegister({INFO_SONAR_VIEW_LAYER, DrawReadouts, USED_BY_ALL}));
    ASSERT_TRUE(UI_bRegister({NAV_EDIT_LAYER, DrawWindow, USED_BY_ALL}));
    ASSERT_TRUE(UI_bRegister({ALARM_LAYER, DrawBanners, USED_BY_ALL}));
  }
  void TearDown() override { UI_vReset(); }
};

// The alarm banner at the top and the bar at the bottom pass beside the
// readouts in their rows, and over a readout as wide as the screen.
TEST_F(ViewArea, BannersAndBarsKeepClearOfEveryReadout) {
  s_nReadouts = 3;
  s_bBanner = s_bBar = true;
  UI_vFrame();
  for (const VIEWAREA_BOX& r : kReadouts) {
    EXPECT_EQ((U32)(r.w * r.h), Shown(r, kReadout)) << r.x << "," << r.y << " covered";
  }
  EXPECT_GT(Painted({124, 446, 676, 34}), 676u * 30) << "the banner beside the first";
  EXPECT_GT(Painted({0, 53, 800, 34}), 800u * 30) << "the bar, above the widest";
}

// A window over part of a readout: the readout is left out of the frame
// (never shown cut), and comes back once the window has gone; one wholly
// beside it stays.
TEST_F(ViewArea, AReadoutAWindowWouldCutIsLeftOutUntilTheWindowGoes) {
  s_nReadouts = 2;
  UI_vFrame();
  s_bWindow = true;
  UI_vFrame();
  EXPECT_EQ(0u, Shown({0, 436, 60, 44}, kReadout)) << "what the window leaves of the readout";
  EXPECT_EQ((U32)(160 * 40), Shown(kReadouts[1], kReadout));
  s_bWindow = false;
  UI_vFrame();
  EXPECT_EQ((U32)(120 * 44), Shown(kReadouts[0], kReadout));
}

}  // namespace
