// The view task draws while the navigation task takes keys and a late
// confirmation answer closes the overlay; under ThreadSanitizer no race may
// be reported, and no round may hang.

#include <atomic>
#include <thread>

#include "g_bmp.h"
#include "g_buffers.h"
#include "overlay_test.h"

namespace {

class OverlayThreads : public ot::OverlayTest {};

TEST_F(OverlayThreads, DrawingKeysAndALateAnswerShareTheOverlay) {
  for (U32 i = 0; i < 12; i++) ot::PutWaypoint(i, "RACE", (S32)i * 100, 0, 1000 + i);
  std::atomic<bool> done{false};
  std::thread view([&] {
    BITMAP* pBitmap = G_BUFFERS_pCreateFullScreenBitmap();
    WINDOW_SPECIFICATION windowSpec = {};
    while (!done.load()) T_NAV_EDIT_vRender(pBitmap, &windowSpec);
    G_BUFFERS_vFreeBitmap(pBitmap);
  });
  std::thread answers([&] {
    while (!done.load()) {
      T_NAV_vSWCancel();
      std::this_thread::yield();
    }
  });
  for (int round = 0; round < 10000; round++) {
    ot::Pad(CURSOR_SOUTH);
    if (round % 2 == 0) {
      T_NAV_EDIT_bSelectWaypointSetup(nullptr, nullptr, nullptr, TRUE);
      ot::Pad(CURSOR_SOUTH);
      ot::Pad(CURSOR_EAST);
    } else {
      // Moves only: a change would queue a save question every round.
      T_NAV_EDIT_vTrackDefaultsSetup();
      ot::Pad(CURSOR_SOUTH);
      ot::Pad(CURSOR_NORTH);
      ot::Key(HKEY_MASK_EXIT);
    }
    if (round % 64 == 0) ot::Mail();
  }
  done.store(true);
  view.join();
  answers.join();
  T_NAV_EDIT_vResetState();
  ot::Mail();
  ot::Click();
  EXPECT_EQ(NAV_EDIT_NONE, T_NAV_EDIT_eState());
}

}  // namespace
