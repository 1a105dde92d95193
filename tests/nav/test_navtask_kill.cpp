// The navigation task killed at random moments while it follows the boat:
// every restart replays exactly the points it was fed, in order, at least
// up to the last one it had journaled.

#include <signal.h>
#include <unistd.h>

#include <memory>
#include <random>
#include <sstream>

#include "navtask_feed.h"
#include "navtask_test.h"
#include "t_nav_nvram_flash.h"
#include "u_nav.h"

namespace {

TEST_F(NavTask, KilledAtRandomMomentsItRestartsWithAPrefixOfItsTrack) {
  std::mt19937 random(2727);
  S64 s64Journaled = -1;
  U32 u32Track = 0;
  auto track = std::make_unique<TRACK>();
  for (int i = 0; i < 30; i++) {
    auto p = TEST_Spawn(NAVTASK_FEEDER, {}, {"VELMORA_DEVROOT=" + m_root, "VELMORA_CWD=" + m_root});
    ASSERT_NE(nullptr, p);
    ASSERT_TRUE(TEST_bWaitForOutput(p.get(), "begin", 20000)) << "start " << i;
    usleep(random() % 30000);
    TEST_Signal(p.get(), SIGKILL);
    TEST_RESULT r = TEST_Finish(std::move(p), 20000);
    ASSERT_EQ(SIGKILL, r.signal) << "run " << i << " ended by itself with " << r.status << "\n" << r.err;
    std::istringstream lines(r.out);
    std::string word;
    U32 restored = 0;
    while (lines >> word) {
      if (word == "begin") lines >> restored;
      if (word == "point") lines >> s64Journaled;
    }
    EXPECT_EQ(u32Track, restored) << "run " << i << " restored another track than the last check";

    T_NAV_NVRAM_vScanCurrentTrack(track.get());
    U16 it = 0;
    POINT pt;
    u32Track = 0;
    while (U_NAV_eScanTrack(track.get(), &it, &pt, nullptr) != TRACKPOINT_INVALID) {
      const POINT fed = NAVTASK_FeedPoint(u32Track);
      ASSERT_EQ(fed.x, pt.x) << "run " << i << " point " << u32Track;
      ASSERT_EQ(fed.y, pt.y) << "run " << i << " point " << u32Track;
      u32Track++;
    }
    ASSERT_GE((S64)u32Track, s64Journaled + 1) << "run " << i << " lost journaled points";
  }
  EXPECT_GT(u32Track, 30u);
}

}  // namespace
