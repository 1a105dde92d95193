// The shop demonstration played by the running keyboard task, on a time base
// a hundred times faster than the unit's: the default loop and its pause for
// a customer, scripts that set, wait, press keys and halt on errors, and a
// balloon over a photo a stand-in card task loaded.

#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

#include "golden.h"
#include "h_database.h"
#include "h_memory.h"
#include "msg_load_bitmap.h"
#include "platform_rig.h"
#include "t_demo.h"
#include "t_startup.h"
#include "t_view.h"
#include "test_tasks.h"
#include "test_timing.h"
#include "u_demoscript.h"
#include "u_keyboard.h"
#include "u_taskstub.h"
#include "ui_frame.h"

namespace {

// Every delay of the demonstration a hundred times shorter than the unit's.
constexpr U32 DEMO_TIME_BASE = 10;

std::vector<U32> DemoDelays(void) {
  U32 delays[64];
  const U32 n = T_DEMO_u32Delays(delays, 64);
  return std::vector<U32>(delays, delays + n);
}

// The delays asked for, gathered until one equals u32Wanted (or ms pass).
std::vector<U32> DemoDelaysUntil(U32 u32Wanted, int ms) {
  std::vector<U32> seen;
  UI_bWaitFor(
      [&] {
        for (U32 d : DemoDelays()) seen.push_back(d);
        for (U32 d : seen) {
          if (d == u32Wanted) return true;
        }
        return false;
      },
      ms);
  return seen;
}

struct DEMO_VIEW_CHANGE {
  U64 ms;
  S32 view;
};

// CVEW notices reaching mbox until want have come, or ms (stretched as
// TEST_bWaitUntil stretches them) have passed.
std::vector<DEMO_VIEW_CHANGE> DemoViewChanges(MBOX mbox, int ms, size_t want) {
  std::vector<DEMO_VIEW_CHANGE> seen;
  const U64 end = L_CLOCK_qwGetTimeInMillis() + TEST_u64SlackMs((U64)ms);
  for (U64 now = L_CLOCK_qwGetTimeInMillis(); now < end && seen.size() < want; now = L_CLOCK_qwGetTimeInMillis()) {
    GENERIC_MESSAGE* p = (GENERIC_MESSAGE*)L_MBOX_ReceiveWaitTicks(mbox, (TICKS)(end - now));
    if (p == nullptr) break;
    const MESSAGE_NEW_DATA* d = (const MESSAGE_NEW_DATA*)p;
    if (p->Cmd == CMD_ID_NEW_DATA && d->FourCharId == FCID("CVEW")) {
      seen.push_back({L_CLOCK_qwGetTimeInMillis(), d->dbValue.s32Val});
    }
    H_MEMORY_vFree(p);
  }
  return seen;
}

class Demo : public ::testing::Test {
 protected:
  void SetUp() override {
    UI_vStart();
    UI_vReset();
    T_DEMO_vSetTimeBase(DEMO_TIME_BASE);
    DemoDelays();
  }
  void TearDown() override {
    H_DATABASE_vUnregisterMailbox(FCID("CVEW"), UI_MBOX_C);
    H_DATABASE_bUpdateValueU32(FCID("CCST"), STATE_NORMAL_RUN, P_NORMAL);
    EXPECT_TRUE(UI_bWaitFor([] { return !T_VIEW_bIsLayerActive(POS_MESSAGE_LAYER); }));
    T_DEMO_vSetScript(0, nullptr, 0);
    T_DEMO_vSetTimeBase(1000);
    // The other tests of this program change the state without a demonstration.
    for (FOURCHARID id : {FCID("CCST"), FCID("CSD0"), FCID("CSD1"), FCID("SDBV")}) {
      H_DATABASE_vUnregisterMailbox(id, M_KEYB);
    }
    UI_vReset();
  }
  // Puts the unit in the point-of-sale state with the script for English.
  void Enter(const std::string& script) {
    m_script = script;
    T_DEMO_vSetScript(0, m_script.data(), (U32)m_script.size());
    H_DATABASE_bUpdateValueU32(FCID("CCST"), STATE_POINT_OF_SALE, P_NORMAL);
    UI_vSend(M_KEYB, CMD_ID_RUN_SYSTEM);
  }
  std::string m_script;
};

void DemoDrawNothing(BITMAP*, WINDOW_SPECIFICATION_POINTER) {}

}  // namespace
extern const TUTORIAL_DATA g_DEMO_englishScript;
namespace {

TEST_F(Demo, WithoutAScriptTheLoopShowsFourViewsAndAKeyPausesItForThreeMinutes) {
  for (LAYER_ID view : {SONAR_VIEW_PRIORITY, SONAR_ZOOM_VIEW_PRIORITY, SONAR_DUAL_BEAM_VIEW_PRIORITY}) {
    ASSERT_TRUE(UI_bRegister({view, DemoDrawNothing}));
  }
  H_DATABASE_bRegisterForDataWithConditions(FCID("CVEW"), UI_MBOX_C, TRUE, FALSE, FALSE);
  const U64 entered = L_CLOCK_qwGetTimeInMillis();
  Enter("");
  // The sonar for 5 s and 25 s more, the dual beam for 15 s, the zoom for
  // 15 s, the sonar again (a hundred times faster here). Each row's timer
  // starts when the one before it fires, and no timer fires early (less a
  // tick): each view comes no sooner after the start than the rows before it
  // last. A busy machine only makes them later.
  std::vector<DEMO_VIEW_CHANGE> views = DemoViewChanges(UI_MBOX_C, 3000, 4);
  ASSERT_EQ(4u, views.size());
  const S32 expected[] = {SONAR_VIEW_PRIORITY, SONAR_DUAL_BEAM_VIEW_PRIORITY, SONAR_ZOOM_VIEW_PRIORITY,
                          SONAR_VIEW_PRIORITY};
  const U64 after[] = {0, 300, 450, 600};
  for (size_t i = 0; i < 4; i++) {
    EXPECT_EQ(expected[i], views[i].view) << i;
    EXPECT_GE(views[i].ms - entered + 10, after[i]) << i;
  }
  std::vector<U32> loop = DemoDelays();

  // A key while the zoom is shown: nothing moves until 180 s after it, then
  // the loop starts again at its first row.
  views = DemoViewChanges(UI_MBOX_C, 1000, 2);
  ASSERT_EQ(2u, views.size());
  ASSERT_EQ(SONAR_ZOOM_VIEW_PRIORITY, views[1].view);
  const U64 pressed = L_CLOCK_qwGetTimeInMillis();
  UI_vTap(UI_MENU);
  EXPECT_TRUE(UI_bWaitFor([] { return !T_VIEW_bIsLayerActive(POS_MESSAGE_LAYER); }));
  views = DemoViewChanges(UI_MBOX_C, 3000, 1);
  ASSERT_EQ(1u, views.size());
  EXPECT_EQ(SONAR_VIEW_PRIORITY, views[0].view);
  EXPECT_GE(views[0].ms - pressed, 1800u);
  EXPECT_TRUE(UI_bWaitFor([] { return T_VIEW_bIsLayerActive(POS_MESSAGE_LAYER); }));
  // The timer's requests, the 2 ms restarts left out, until the loop's
  // first row after the pause has asked for its time.
  std::vector<U32> rows;
  UI_bWaitFor([&] {
    for (U32 d : DemoDelays()) loop.push_back(d);
    rows.clear();
    for (U32 d : loop) {
      if (d >= 5000) rows.push_back(d);
    }
    return rows.size() >= 6 && rows[rows.size() - 2] == 180000u && rows.back() == 5000u;
  });
  ASSERT_GE(rows.size(), 6u);
  EXPECT_EQ((std::vector<U32>{5000, 25000, 15000, 15000}), std::vector<U32>(rows.begin(), rows.begin() + 4));
  EXPECT_EQ(180000u, rows[rows.size() - 2]);
  EXPECT_EQ(5000u, rows.back());
}

TEST_F(Demo, AScriptStepsThroughSevenViewsThenSetsWaitsAndPressesKeys) {
  ASSERT_TRUE(U_KEYBOARD_bRegisterKeys(UI_MBOX_A, HKEY_MASK_EXIT, KEY_CHANGE, FALSE, FALSE, NOT_CURSOR_KEY,
                                       REGISTER_VIEW));
  ASSERT_TRUE(U_KEYBOARD_bRegisterKeys(UI_MBOX_B, HKEY_MASK_VIEW, KEY_CHANGE, FALSE, FALSE, NOT_CURSOR_KEY,
                                       REGISTER_VIEW));
  H_DATABASE_bUpdateValueU32(FCID("SSPL"), 0, P_NORMAL);
  Enter("// test\nCHAPTER T\nSET SSPL 0x12\nWAIT 2.55\nKEY EXIT\nWAIT 9999\nENDCHAPTER\n");
  const std::vector<U32> delays = DemoDelaysUntil(9999000, 5000);
  U32 sspl = 0;
  EXPECT_TRUE(H_DATABASE_bFetchU32(FCID("SSPL"), &sspl, nullptr, nullptr));
  EXPECT_EQ(18u, sspl);
  // The last view of the preamble, the CHAPTER line, then SET, WAIT and KEY.
  const std::vector<U32> tail = {10000, 100, 300, 2500, 100, 9999000};
  ASSERT_GE(delays.size(), tail.size());
  EXPECT_EQ(tail, std::vector<U32>(delays.end() - (long)tail.size(), delays.end()));
  EXPECT_EQ(7, std::count(delays.begin(), delays.end(), 10000u));

  // The keyboard task holds EXIT itself, so the key goes to the next in line.
  std::vector<MSG_KEY_CHANGE> keys;
  for (GENERIC_MESSAGE* p; keys.size() < 2 && (p = UI_pReceive(UI_MBOX_A, 2000)) != nullptr; H_MEMORY_vFree(p)) {
    if (p->Cmd == CMD_ID_KEY_CHANGE) keys.push_back(*(MSG_KEY_CHANGE*)p);
  }
  ASSERT_EQ(2u, keys.size());
  EXPECT_EQ(KEY_DOWN, keys[0].state);
  EXPECT_EQ(KEY_UP, keys[1].state);
  for (const MSG_KEY_CHANGE& k : keys) {
    EXPECT_EQ(HKEY_MASK_EXIT, k.key);
    EXPECT_EQ(1u, k.count);
  }
  // The seven presses, then whatever else comes while the line is quiet.
  int views = 0;
  for (GENERIC_MESSAGE* p; views < 7 && (p = UI_pReceive(UI_MBOX_B, 2000)) != nullptr; H_MEMORY_vFree(p)) {
    views += p->Cmd == CMD_ID_KEY_CHANGE && ((MSG_KEY_CHANGE*)p)->state == KEY_DOWN;
  }
  while (GENERIC_MESSAGE* p = (GENERIC_MESSAGE*)L_MBOX_ReceiveWaitTicks(UI_MBOX_B, 50)) {
    views += p->Cmd == CMD_ID_KEY_CHANGE && ((MSG_KEY_CHANGE*)p)->state == KEY_DOWN;
    H_MEMORY_vFree(p);
  }
  EXPECT_EQ(7, views);
}

TEST_F(Demo, AViewThatCannotBeSelectedHaltsTheScriptWithItsErrorUntilExit) {
  UI_vShowBlackView();
  Enter("CHAPTER T\nVIEW NO SUCH VIEW\nWAIT 1\nENDCHAPTER\n");
  ASSERT_TRUE(UI_bWaitFor([] { return T_DEMO_eError() == ERR_BAD_VIEW; }, 5000));
  UI_vFrame();
  const std::vector<COLOR> screen = UI_Screen();
  ASSERT_EQ((size_t)G_SCREEN_WIDTH * G_SCREEN_HEIGHT, screen.size());
  int lit = 0;
  for (U32 y = 200; y < 280; y++) {
    for (U32 x = 200; x < 600; x++) lit += screen[y * G_SCREEN_WIDTH + x] != 0;
  }
  EXPECT_GT(lit, 400 * 80 / 2) << "the error dialog covers the middle of the screen";
  // The error is set where the step would have asked for its time.
  DemoDelays();
  EXPECT_FALSE(UI_bWaitFor([] { return !DemoDelays().empty(); }, 50)) << "a halted script asks for no further step";

  EXPECT_EQ(1, UI_nTapClick(UI_EXIT));
  EXPECT_EQ(NO_ERROR, T_DEMO_eError());
  EXPECT_EQ(180000u, DemoDelaysUntil(180000, 500).back());
}

TEST_F(Demo, LeavingThePointOfSaleStateGivesTheTutorialsKeysBack) {
  ASSERT_TRUE(U_KEYBOARD_bRegisterKeys(UI_MBOX_A, HKEY_MASK_MENU, KEY_DOWN, FALSE, FALSE, NOT_CURSOR_KEY,
                                       REGISTER_VIEW));
  Enter("CHAPTER T\nWAIT 9999\nENDCHAPTER\n");
  DemoDelaysUntil(10000, 2000);
  EXPECT_EQ(-1, UI_nTapClick(UI_MENU)) << "the tutorial holds MENU and refuses it";
  EXPECT_TRUE(UI_bNoMail(UI_MBOX_A, 50));
  H_DATABASE_bUpdateValueU32(FCID("CCST"), STATE_NORMAL_RUN, P_NORMAL);
  ASSERT_TRUE(UI_bWaitFor([] { return !T_VIEW_bIsLayerActive(POS_MESSAGE_LAYER); }));
  // The keys go back through the keyboard task.
  ASSERT_TRUE(UI_bSettled(M_KEYB));
  UI_vTap(UI_MENU);
  GENERIC_MESSAGE* p = UI_pReceive(UI_MBOX_A, 500);
  ASSERT_NE(nullptr, p);
  EXPECT_EQ(CMD_ID_KEY_CHANGE, p->Cmd);
  H_MEMORY_vFree(p);
}

// The card task as the view task meets it, over libpng: a photo's rows
// in RGB565, the high bits of each colour kept, then the request acknowledged
// and the view redrawn. The card task's own decoder is the storage tests'.
void DemoCardTask(void) {
  U_TASKSTUB_vPublish(FCID("TMMC"), M_MMC);
  const SEMA events[] = {SEMA_MBOX_MMC, 0};
  for (;;) {
    if (L_SEMA_WaitMultiple(events) != SEMA_MBOX_MMC) continue;
    while (GENERIC_MESSAGE* p = (GENERIC_MESSAGE*)L_MBOX_Receive(M_MMC)) {
      if (p->Cmd == CMD_ID_LOAD_BMP) {
        MSG_LOAD_BITMAP* load = (MSG_LOAD_BITMAP*)p;
        U32 w = 0, h = 0;
        std::vector<U8> rgb;
        const BITMAP* b = load->pBitmap;
        if (GOLDEN_bReadPng(load->pFileName, &w, &h, &rgb, nullptr) && w <= b->__u32PixelWidthOfBuffer &&
            h <= b->__u32PixelHeightOfBuffer) {
          COLOR* pixels = (COLOR*)b->pBuffer;
          for (U32 y = 0; y < h; y++) {
            for (U32 x = 0; x < w; x++) {
              const U8* c = &rgb[((size_t)y * w + x) * 3];
              pixels[(size_t)y * b->__u32PixelWidthOfBuffer + x] =
                  (COLOR)(((c[0] & 0xF8) << 8) | ((c[1] & 0xFC) << 3) | (c[2] >> 3));
            }
          }
        }
        H_MEMORY_vFree(load->pFileName);
        L_SEMA_Signal(SEMA_VIEW_UPDATE);
      }
      H_MEMORY_vDumpMail(p);
    }
  }
}

// The card task, started for the tests that load photos, and the photos on
// the rig's first card.
void DemoCards(void) {
  static bool s_bStarted = false;
  if (!s_bStarted) {
    s_bStarted = true;
    L_MBOX_DefineSema(M_MMC, SEMA_MBOX_MMC);
    ASSERT_EQ(0, TEST_StartTask(MMCTASK, DemoCardTask));
    mkdir(RIG_Path("/mnt").c_str(), 0755);
    mkdir(RIG_Path("/mnt/mmc0").c_str(), 0755);
    const std::string copy = "cp " DEMO_PHOTO_DIR "/CHART.PNG " + RIG_Path("/mnt/mmc0/");
    ASSERT_EQ(0, system(copy.c_str()));
  }
  ASSERT_TRUE(UI_bWaitFor([] { return H_DATABASE_bFetchU32(FCID("TMMC"), nullptr, nullptr, nullptr); }));
}

// The shipped script's first balloon over the sonar view, with the exit box
// clear of it and of the view's edges: the script up to its first wait,
// which here lasts.
TEST_F(Demo, TheFirstScreenOfTheShippedScript) {
  UI_vShowBlackView();
  const std::string shipped(g_DEMO_englishScript.data, g_DEMO_englishScript.dataSize);
  const size_t wait = shipped.find("\nWAIT ");
  ASSERT_NE(std::string::npos, wait);
  Enter(shipped.substr(0, wait) + "\nWAIT 9999\nENDCHAPTER\n");
  DemoDelaysUntil(9999000, TEST_u64SlackMs(5000));
  ASSERT_EQ(NO_ERROR, T_DEMO_eError());
  UI_vFrame();
  EXPECT_TRUE(UI_MatchGolden("demo_first_screen", UI_Screen(), G_SCREEN_WIDTH, G_SCREEN_HEIGHT));
}

TEST_F(Demo, ABalloonWithBulletsAndMoreInformationOverAPhoto) {
  DemoCards();
  UI_vShowBlackView();
  Enter("CHAPTER T\n"
        "PHOTO chart.png\n"
        "BALLOON 60 150 420 4 \"Chart view\" 640 330\n"
        "[BULLET] Waypoints, routes[HSPACE 12]and tracks\n"
        "[BULLET] Depth contours\n"
        "[VSPACE 6]Your position at all times\n"
        "ENDBALLOON\n"
        "MOREINFO MORE\n"
        "WAIT 9999\n"
        "ENDMOREINFO\n"
        "ENDCHAPTER\n"
        "CHAPTER MORE\n"
        "WAIT 8888\n"
        "ENDCHAPTER\n");
  DemoDelaysUntil(9999000, 5000);
  ASSERT_EQ(NO_ERROR, T_DEMO_eError());
  UI_vFrame();
  EXPECT_TRUE(UI_MatchGolden("demo_balloon", UI_Screen(), G_SCREEN_WIDTH, G_SCREEN_HEIGHT));

  // The cursor pad's right arrow enters the chapter the balloon offers.
  EXPECT_EQ(1, UI_nTapClick(UI_EAST));
  EXPECT_EQ(8888000u, DemoDelaysUntil(8888000, 2000).back());
  EXPECT_EQ(-1, UI_nTapClick(UI_EAST)) << "nothing more is offered inside it";
}

TEST_F(Demo, APhotoThatCannotLoadEndsWithItsErrorWhileKeysAreStillPolled) {
  DemoCards();
  Enter("CHAPTER T\nPHOTO NOSUCH.PNG\nENDCHAPTER\n");
  ASSERT_TRUE(UI_bWaitFor([] { return T_DEMO_eError() == ERR_NO_PHOTO; }, 5000));

  // A card task that never answers: the wait for it is bounded, at the
  // unit's own pace once the preamble is over.
  U32 card = 0;
  ASSERT_TRUE(H_DATABASE_bFetchU32(FCID("TMMC"), &card, nullptr, nullptr));
  H_DATABASE_bUpdateValueU32(FCID("TMMC"), (U32)UI_MBOX_C, P_NORMAL);
  ASSERT_TRUE(U_KEYBOARD_bRegisterKeys(UI_MBOX_A, HKEY_MASK_MENU, KEY_DOWN, FALSE, FALSE, NOT_CURSOR_KEY,
                                       REGISTER_SYSTEM_STATUS));
  H_DATABASE_bUpdateValueU32(FCID("CCST"), STATE_NORMAL_RUN, P_NORMAL);
  ASSERT_TRUE(UI_bWaitFor([] { return !T_VIEW_bIsLayerActive(POS_MESSAGE_LAYER); }));
  Enter("CHAPTER T\nWAIT 30\nPHOTO CHART.PNG\nENDCHAPTER\n");
  DemoDelaysUntil(30000, 5000);
  T_DEMO_vSetTimeBase(1000);
  // The stand-in also hears the demonstration's reset broadcasts.
  GENERIC_MESSAGE* pLoad = nullptr;
  while ((pLoad = UI_pReceive(UI_MBOX_C, 2000)) != nullptr && pLoad->Cmd != CMD_ID_LOAD_BMP) H_MEMORY_vFree(pLoad);
  ASSERT_NE(nullptr, pLoad);
  UI_vTap(UI_MENU);
  GENERIC_MESSAGE* pKey = UI_pReceive(UI_MBOX_A, 500);
  ASSERT_NE(nullptr, pKey) << "the key poll goes on while the photo is awaited";
  EXPECT_EQ(CMD_ID_KEY_CHANGE, pKey->Cmd);
  H_MEMORY_vFree(pKey);
  ASSERT_TRUE(UI_bWaitFor([] { return T_DEMO_eError() == ERR_NO_PHOTO; }, 8000));
  // The card task's late answer gives the page back.
  H_MEMORY_vDumpMail(pLoad);
  H_DATABASE_bUpdateValueU32(FCID("TMMC"), card, P_NORMAL);
}

}  // namespace
