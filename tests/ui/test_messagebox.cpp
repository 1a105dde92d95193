// Message boxes queued, drawn in frames, answered through the keypad and
// timed out on a clock the test steps.

#include <gtest/gtest.h>

#include <string.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

#include "g_buffers.h"
#include "h_display.h"
#include "h_memory.h"
#include "t_messagebox.h"
#include "t_view.h"
#include "u_keyboard.h"
#include "ui_frame.h"
#include "test_keys.h"

namespace {

U32 s_u32Now = 0;
U32 Now() { return s_u32Now; }

// The actions run on the message-box task; the test reads what they did.
std::mutex s_boxLock;
std::vector<std::string> s_actions;
void Did(const char* what) {
  std::lock_guard<std::mutex> guard(s_boxLock);
  s_actions.push_back(what);
}
void YesA() { Did("yes A"); }
void YesB() { Did("yes B"); }
void NoA() { Did("no A"); }
void Cancel() { Did("cancel"); }
void NoQueuingAnother() {
  Did("no");
  T_MESSAGEBOX_vSetupConfMessageWithTitle("Next one?", nullptr, YesB, TRUE, 0);
}

void SyncKeyboard() {
  MSG_UNREGISTER_FOR_KEYS msg = {};
  msg.header.Cmd = CMD_ID_UNREGISTER_FOR_KEYS;
  ASSERT_TRUE(UI_bSendAcked(M_KEYB, &msg));
}

// A frame, and the keys the boxes took in it in place.
void Frame() {
  UI_vFrame();
  SyncKeyboard();
}


// The actions done so far, once as many as expected are done (or after five seconds).
std::vector<std::string> Actions(size_t expected) {
  UI_bWaitFor([expected] {
    std::lock_guard<std::mutex> guard(s_boxLock);
    return s_actions.size() >= expected;
  }, 5000);
  std::lock_guard<std::mutex> guard(s_boxLock);
  return s_actions;
}

bool MenuReachedTheView() {
  GENERIC_MESSAGE* p = UI_pReceive(UI_MBOX_A, 300);
  bool bKey = p != nullptr && p->Cmd == CMD_ID_KEY_CHANGE && ((MSG_KEY_CHANGE*)p)->key == HKEY_MASK_MENU;
  H_MEMORY_vFree(p);
  return bKey;
}

class MessageBox : public ::testing::Test {
  TEST_OWN_KEYS m_ownKeys;  // split keys of views of the test's own

 protected:
  void SetUp() override {
    UI_vStart();
    UI_vReset();
    {
      std::lock_guard<std::mutex> guard(s_boxLock);
      s_actions.clear();
    }
    s_u32Now = 1000;
    T_MESSAGEBOX_vSetClock(Now);
    UI_vShowBlackView();
    UI_vSend(M_MESSAGEBOX, CMD_ID_RUN_SYSTEM);
    ASSERT_TRUE(UI_bWaitFor([] { return T_VIEW_bIsLayerActive(MESSAGEBOX_LAYER); }));
    // The view itself listens to MENU, below every box.
    ASSERT_TRUE(U_KEYBOARD_bRegisterKeys(UI_MBOX_A, HKEY_MASK_MENU, KEY_DOWN, FALSE, FALSE, NOT_CURSOR_KEY,
                                         REGISTER_VIEW));
    SyncKeyboard();
  }
  void TearDown() override {
    for (int i = 0; i < 8; i++) T_MESSAGEBOX_vResetConfState();
    T_MESSAGEBOX_vSetClock(nullptr);
    UI_vReset();
  }
};

TEST_F(MessageBox, TwoConfirmationsQueuedAtOnceAreShownOneAfterTheOther) {
  T_MESSAGEBOX_vSetupConfMessageWithTitle("Delete route 1?", NoA, YesA, TRUE, 0);
  T_MESSAGEBOX_vSetupConfMessageWithTitle("Delete route 2?", nullptr, YesB, TRUE, 0);
  Frame();
  EXPECT_EQ(-1, UI_nTapClick(UI_MENU)) << "the box holds every key";
  EXPECT_EQ(0, UI_nTapClick(UI_EAST));
  EXPECT_EQ((std::vector<std::string>{"yes A"}), Actions(1));
  Frame();
  EXPECT_EQ(0, UI_nTapClick(UI_EAST));
  EXPECT_EQ((std::vector<std::string>{"yes A", "yes B"}), Actions(2));
  Frame();
  UI_vTap(UI_MENU);
  EXPECT_TRUE(MenuReachedTheView());
}

TEST_F(MessageBox, AFiveSecondBoxLeavesFiveSecondsAfterItWasFirstDrawnAndTheKeysWorkAgain) {
  // Drawn first just before the clock wraps: its end lies beyond the wrap.
  T_MESSAGEBOX_vSetupConfMessageWithTitle("Arrived", NoA, YesA, TRUE, 5);
  s_u32Now = 0xFFFFF000u;
  Frame();
  EXPECT_EQ(-1, UI_nTapClick(UI_MENU));
  s_u32Now = 0xFFFFF000u + 4999;
  Frame();
  EXPECT_EQ(-1, UI_nTapClick(UI_MENU)) << "still shown a millisecond before its time";
  s_u32Now = 0xFFFFF000u + 5000;
  Frame();
  SyncKeyboard();
  UI_vTap(UI_MENU);
  EXPECT_TRUE(MenuReachedTheView()) << "the box gave the keys back";
  EXPECT_TRUE(Actions(0).empty()) << "a time-out answers nothing";
}

TEST_F(MessageBox, ExitRunsTheLeftChoiceOnceAfterTheBoxHasLeftSoABoxItQueuesIsShownNext) {
  T_MESSAGEBOX_vSetupConfMessageWithTitle("Stop navigating?", NoQueuingAnother, YesA, TRUE, 0);
  Frame();
  EXPECT_EQ(0, UI_nTapClick(UI_EXIT));
  EXPECT_EQ((std::vector<std::string>{"no"}), Actions(1));
  Frame();
  EXPECT_EQ(0, UI_nTapClick(UI_EAST));
  EXPECT_EQ((std::vector<std::string>{"no", "yes B"}), Actions(2));
}

TEST_F(MessageBox, CursorEastOnACancelOnlyBoxIsRefusedAndExitRunsTheCancel) {
  T_MESSAGEBOX_vSetupConfMessageNoTitleWithCancel("Searching...", Cancel, 0);
  Frame();
  EXPECT_EQ(-1, UI_nTapClick(UI_EAST));
  EXPECT_TRUE(Actions(0).empty());
  EXPECT_EQ(0, UI_nTapClick(UI_EXIT));
  EXPECT_EQ((std::vector<std::string>{"cancel"}), Actions(1));
}

// The notification at the bottom of the page on display, against the same
// text drawn alone.
bool Shows(const char* pText) {
  std::vector<COLOR> expected(G_SCREEN_WIDTH * G_SCREEN_HEIGHT, 0);
  BITMAP page;
  G_BUFFERS_pCreateBitmap(G_SCREEN_WIDTH, G_SCREEN_HEIGHT, &page, (const U32*)expected.data());
  U_DIALOG_vDrawDialogGenericNotification(&page, pText);
  UI_vFrame();
  return memcmp(expected.data(), H_DISPLAY_psbGetFrameBufferPointer(), expected.size() * sizeof(COLOR)) == 0;
}

TEST_F(MessageBox, RemovingNotificationsByTextKeepsTheOthersInTheirOrder) {
  for (const char* text : {"alpha", "beta", "alpha", "gamma"}) T_MESSAGEBOX_vSetupInfoMessage(text, 1);
  T_MESSAGEBOX_vRemoveAllMatchingInfo("alpha");
  for (const char* text : {"beta", "gamma"}) {
    EXPECT_TRUE(Shows(text)) << text;
    s_u32Now += 1000;
    UI_vFrame();
  }
  UI_vFrame();
  const COLOR* pPage = (const COLOR*)H_DISPLAY_psbGetFrameBufferPointer();
  EXPECT_EQ(pPage + G_SCREEN_WIDTH * G_SCREEN_HEIGHT,
            std::find_if(pPage, pPage + G_SCREEN_WIDTH * G_SCREEN_HEIGHT, [](COLOR c) { return c != 0; }))
      << "nothing left to show";
}

// One fault told twice at once (a full store, by the store and by the mark
// it refused) is one notification, shown for its time from the second.
TEST_F(MessageBox, ANotificationQueuedAgainIsShownOnceForItsTimeAnew) {
  const auto blank = [] {
    UI_vFrame();
    const COLOR* pPage = (const COLOR*)H_DISPLAY_psbGetFrameBufferPointer();
    return std::all_of(pPage, pPage + G_SCREEN_WIDTH * G_SCREEN_HEIGHT, [](COLOR c) { return c == 0; });
  };
  T_MESSAGEBOX_vSetupInfoMessage("The storage is full", 2);
  EXPECT_TRUE(Shows("The storage is full"));
  s_u32Now += 1500;
  T_MESSAGEBOX_vSetupInfoMessage("The storage is full", 2);
  EXPECT_TRUE(Shows("The storage is full"));
  s_u32Now += 1500;
  EXPECT_TRUE(Shows("The storage is full")) << "two seconds from the second";
  s_u32Now += 1000;
  UI_vFrame();  // its last: it goes once drawn
  EXPECT_TRUE(blank()) << "gone, and not shown a second time";
}

TEST_F(MessageBox, HostileStatementsAreCopiedAndDrawnWithinTheirBuffers) {
  std::string statement;
  while (statement.size() < 10000) statement += "depth alarm ";
  const std::string word(300, 'W');
  T_MESSAGEBOX_vSetupConfMessageWithTitle(statement.c_str(), NoA, YesA, TRUE, 0);
  T_MESSAGEBOX_vSetupInfoMessageWithIcon(statement.c_str(), ICON_NORMAL_MESSAGE, 0);
  T_MESSAGEBOX_vSetupLocalConfMessageNoTitle(word.c_str(), NoA, YesA, TRUE, 0, FCID("SQS1"), SPLIT_LEFT_WINDOW);
  const std::string original = statement;
  statement.assign(statement.size(), 'x');  // the boxes keep copies of their own
  Frame();
  EXPECT_EQ(0, UI_nTapClick(UI_EXIT));
  EXPECT_EQ((std::vector<std::string>{"no A"}), Actions(1));
  UI_vFrame();
  T_MESSAGEBOX_vRemoveAllMatchingInfo(original.c_str());
  T_MESSAGEBOX_vRemoveAllMatching(word.c_str());
  T_MESSAGEBOX_vRemoveAllMatchingIcon(nullptr);
}

}  // namespace
