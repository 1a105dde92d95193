// The keyboard task with keys pressed through the rig's keypad FIFO: who
// hears a key, the refusal click, repeat timing, the POWER count-down and
// the reset broadcast.

#include <gtest/gtest.h>

#include <string.h>

#include <stdint.h>

#include <vector>

#include "g_buffers.h"
#include "h_database.h"
#include "h_keyboard.h"
#include "h_display.h"
#include "h_memory.h"
#include "t_keyboard.h"
#include "t_view.h"
#include "u_dialog.h"
#include "u_keyboard.h"
#include "test_timing.h"
#include "ui_frame.h"
#include "test_keys.h"

namespace {

// Waits until the keyboard task has handled everything sent to it before.
void Sync() {
  MSG_UNREGISTER_FOR_KEYS msg = {};
  msg.header.Cmd = CMD_ID_UNREGISTER_FOR_KEYS;
  ASSERT_TRUE(UI_bSendAcked(M_KEYB, &msg));
}

struct KEY_SEEN {
  double ms;
  U32 key;
  KEY_STATE state;
  U32 count;
  CURSOR_POSITION cursor;
};

// The key-change messages that reach mbox within ms (stretched as
// TEST_bWaitUntil stretches them), or until n have come, with their arrival
// times.
std::vector<KEY_SEEN> Collect(MBOX mbox, int ms, size_t n = SIZE_MAX) {
  std::vector<KEY_SEEN> seen;
  const U64 end = L_CLOCK_qwGetTimeInMillis() + TEST_u64SlackMs((U64)ms);
  for (U64 now = L_CLOCK_qwGetTimeInMillis(); now < end && seen.size() < n; now = L_CLOCK_qwGetTimeInMillis()) {
    GENERIC_MESSAGE* p = (GENERIC_MESSAGE*)L_MBOX_ReceiveWaitTicks(mbox, (TICKS)(end - now));
    if (p == nullptr) break;
    if (p->Cmd == CMD_ID_KEY_CHANGE) {
      const MSG_KEY_CHANGE* k = (const MSG_KEY_CHANGE*)p;
      seen.push_back({(double)L_CLOCK_qwGetTimeInMillis(), k->key, k->state, k->count, k->cursor});
    }
    H_MEMORY_vFree(p);
  }
  return seen;
}

// Drops what comes until the box has been quiet for 200 ms: the repeats a
// release leaves behind.
void Quiet(MBOX mbox) {
  while (GENERIC_MESSAGE* p = (GENERIC_MESSAGE*)L_MBOX_ReceiveWaitTicks(mbox, 200)) H_MEMORY_vFree(p);
}

class Keyboard : public ::testing::Test {
 protected:
  TEST_OWN_KEYS m_ownKeys;
  void SetUp() override {
    UI_vStart();
    UI_vReset();
  }
  void TearDown() override {
    H_KEYBOARD_vSetCursorKeyMode((HKEY_ID)3);
    UI_vReset();
  }
};

TEST_F(Keyboard, ExitGoesToTheMenuRegistrantThenTheNewerViewRegistrantThenTheOlder) {
  ASSERT_TRUE(U_KEYBOARD_bRegisterKeys(UI_MBOX_A, HKEY_MASK_EXIT, KEY_DOWN, FALSE, FALSE, NOT_CURSOR_KEY, REGISTER_VIEW));
  ASSERT_TRUE(U_KEYBOARD_bRegisterKeys(UI_MBOX_B, HKEY_MASK_EXIT, KEY_DOWN, FALSE, FALSE, NOT_CURSOR_KEY, REGISTER_VIEW));
  ASSERT_TRUE(U_KEYBOARD_bRegisterKeys(UI_MBOX_C, HKEY_MASK_EXIT, KEY_DOWN, FALSE, FALSE, NOT_CURSOR_KEY, REGISTER_MENU));
  Sync();
  for (MBOX expected : {UI_MBOX_C, UI_MBOX_B, UI_MBOX_A}) {
    // Held through the wait: a starved keyboard task could miss a tap.
    UI_vKey(UI_EXIT, 1);
    std::vector<KEY_SEEN> seen = Collect(expected, 300, 1);
    UI_vKey(UI_EXIT, 0);
    EXPECT_TRUE(UI_bWaitFor([] { return !H_KEYBOARD_bIsDown(HKEY_EXIT); })) << "the release taken";
    ASSERT_EQ(1u, seen.size()) << "mailbox " << expected;
    EXPECT_EQ(HKEY_MASK_EXIT, seen[0].key);
    EXPECT_EQ(KEY_DOWN, seen[0].state);
    EXPECT_EQ(CURSOR_UP, seen[0].cursor);
    for (MBOX other : {UI_MBOX_A, UI_MBOX_B, UI_MBOX_C}) {
      EXPECT_EQ(nullptr, L_MBOX_Receive(other)) << "only the head hears the key";
    }
    ASSERT_TRUE(U_KEYBOARD_bUnregisterKeys(expected, HKEY_MASK_EXIT));
    Sync();
  }
}

TEST_F(Keyboard, AKeyNobodyHoldsClicksRefusedOnPressOnlyAndAReleaseOnlyRegistrantHearsNoPress) {
  UI_vForget(SEMA_KEYCLICK_BAD);
  UI_vKey(UI_VIEW, 1);
  EXPECT_TRUE(UI_bSignalled(SEMA_KEYCLICK_BAD, 500));
  UI_vKey(UI_VIEW, 0);
  EXPECT_TRUE(UI_bNoSignal(SEMA_KEYCLICK_BAD, 300)) << "the release is not refused";

  ASSERT_TRUE(U_KEYBOARD_bRegisterKeys(UI_MBOX_A, HKEY_MASK_MENU, KEY_UP, FALSE, FALSE, NOT_CURSOR_KEY, REGISTER_VIEW));
  Sync();
  UI_vKey(UI_MENU, 1);
  EXPECT_TRUE(UI_bNoSignal(SEMA_KEYCLICK_BAD, 300)) << "a press the head does not want is dropped silently";
  UI_vKey(UI_MENU, 0);
  std::vector<KEY_SEEN> seen = Collect(UI_MBOX_A, 300, 1);
  ASSERT_EQ(1u, seen.size());
  EXPECT_EQ(KEY_UP, seen[0].state);
}

// A repeat is never early: it comes no sooner after the press than its
// delays allow, less the keyboard's 25 ms poll. A busy machine only makes
// it later.
constexpr double kPollMs = 25;

TEST_F(Keyboard, HeldViewRepeatsAfterHalfASecondThenEvery125MsCountingUp) {
  ASSERT_TRUE(U_KEYBOARD_bRegisterKeys(UI_MBOX_A, HKEY_MASK_VIEW, KEY_DOWN, TRUE, TRUE, NOT_CURSOR_KEY, REGISTER_VIEW));
  Sync();
  const double start = (double)L_CLOCK_qwGetTimeInMillis();
  UI_vKey(UI_VIEW, 1);
  std::vector<KEY_SEEN> seen = Collect(UI_MBOX_A, 800, 3);
  UI_vKey(UI_VIEW, 0);
  Quiet(UI_MBOX_A);
  ASSERT_GE(seen.size(), 3u);
  EXPECT_GE(seen[1].ms - start, 500 - kPollMs);
  EXPECT_GE(seen[2].ms - start, 500 + 125 - kPollMs);
  for (size_t i = 0; i < 3; i++) EXPECT_EQ(i + 1, seen[i].count) << i;
}

TEST_F(Keyboard, TheCursorPadRepeatsFirstAfter200MsOr400MsWhileAMenuIsShown) {
  ASSERT_TRUE(U_KEYBOARD_bRegisterKeys(UI_MBOX_A, HKEY_MASK_CURSOR, KEY_DOWN, TRUE, FALSE, CURSOR_4, REGISTER_VIEW));
  Sync();
  for (const auto& row : {std::pair<int, double>{3, 200}, std::pair<int, double>{1, 400}}) {
    H_KEYBOARD_vSetCursorKeyMode((HKEY_ID)row.first);
    const double start = (double)L_CLOCK_qwGetTimeInMillis();
    UI_vKey(UI_EAST, 1);
    std::vector<KEY_SEEN> seen = Collect(UI_MBOX_A, 520, 2);
    UI_vKey(UI_EAST, 0);
    Quiet(UI_MBOX_A);
    ASSERT_GE(seen.size(), 2u) << row.first;
    EXPECT_EQ(CURSOR_EAST, seen[0].cursor);
    EXPECT_GE(seen[1].ms - start, row.second - kPollMs) << row.first;
  }
}

// The count-down as the dialog draws this exact text.
std::vector<COLOR> Expected(const char* pText) {
  std::vector<COLOR> pixels(G_SCREEN_WIDTH * G_SCREEN_HEIGHT, 0);
  BITMAP page;
  G_BUFFERS_pCreateBitmap(G_SCREEN_WIDTH, G_SCREEN_HEIGHT, &page, (const U32*)pixels.data());
  U_DIALOG_vDrawDialog(&page, pText, myriad_pro_bold_size17_font_def_ptr, nullptr, nullptr, JUSTIFICATION_CENTER,
                       JUSTIFICATION_CENTER);
  return pixels;
}

std::vector<COLOR> CountdownFrame() {
  UI_vFrame();
  std::vector<COLOR> pixels(G_SCREEN_WIDTH * G_SCREEN_HEIGHT);
  memcpy(pixels.data(), H_DISPLAY_psbGetFrameBufferPointer(), pixels.size() * sizeof(COLOR));
  return pixels;
}

// Each count-down text is looked for from the press on: it shows no sooner
// than its second (less the poll), and a busy machine only shows it later.
TEST_F(Keyboard, PowerHeldShowsTwoAtOneSecondOneFromTwoSecondsAndTheReleaseRemovesIt) {
  UI_vShowBlackView();
  const std::vector<COLOR> two = Expected("Shutdown in 2 seconds"), one = Expected("Shutdown in 1 second");
  const double start = (double)L_CLOCK_qwGetTimeInMillis();
  UI_vKey(UI_POWER, 1);
  double shownTwo = 0, shownOne = 0;
  EXPECT_TRUE(UI_bWaitFor([&] {
    if (!T_VIEW_bIsLayerActive(SHUTDOWN_LAYER) || CountdownFrame() != two) return false;
    shownTwo = (double)L_CLOCK_qwGetTimeInMillis();
    return true;
  }, 1500));
  EXPECT_TRUE(UI_bWaitFor([&] {
    if (CountdownFrame() != one) return false;
    shownOne = (double)L_CLOCK_qwGetTimeInMillis();
    return true;
  }, 1500));
  UI_vKey(UI_POWER, 0);
  EXPECT_GE(shownTwo - start, 1000 - kPollMs);
  EXPECT_GE(shownOne - start, 2000 - kPollMs);
  EXPECT_TRUE(UI_bWaitFor([] { return !T_VIEW_bIsLayerActive(SHUTDOWN_LAYER); }, 500));
}

TEST_F(Keyboard, TheCountDownTextStaysInItsBufferWhateverTheTranslation) {
  char acText[16];
  memset(acText, 'x', sizeof acText);
  T_KEYBOARD_vCountdownText(acText, sizeof acText, "Off in {#} s", '2');
  EXPECT_STREQ("Off in 2 s", acText);
  T_KEYBOARD_vCountdownText(acText, sizeof acText, "Off in {# s", '2');
  EXPECT_STREQ("Off in 2", acText) << "no closing brace";
  T_KEYBOARD_vCountdownText(acText, 8, "Shutdown in {#} seconds", '1');
  EXPECT_STREQ("Shutdow", acText);
}

U64 s_u64DatabaseMs = 1000;
U64 DatabaseClock() { return s_u64DatabaseMs; }

TEST_F(Keyboard, TheResetReachesEveryTaskMailboxButTheKeyboardsAndSkipsStaleOrZeroKeys) {
  H_DATABASE_bUpdateEverythingU32(FCID("TQA1"), (U32)UI_MBOX_A, P_NORMAL, D_MAILBOX, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingU32(FCID("TQA2"), 0, P_NORMAL, D_MAILBOX, nullptr, DB_NEVER_STALE);
  // A key of a second's time-out, looked at a minute later.
  H_DATABASE_vSetClock(DatabaseClock);
  H_DATABASE_bUpdateEverythingU32(FCID("TQA3"), (U32)UI_MBOX_B, P_NORMAL, D_MAILBOX, nullptr, 1);
  s_u64DatabaseMs += 60000;
  UI_vForget(SEMA_KEYCLICK_GOOD);
  T_KEYBOARD_vRestoreFactoryDefaults();
  H_DATABASE_vSetClock(nullptr);
  EXPECT_TRUE(UI_bSignalled(SEMA_KEYCLICK_GOOD, 100));
  GENERIC_MESSAGE* p = UI_pReceive(UI_MBOX_A, 300);
  ASSERT_NE(nullptr, p);
  EXPECT_EQ(CMD_ID_RESET_POS, p->Cmd);
  H_MEMORY_vFree(p);
  EXPECT_TRUE(UI_bNoMail(UI_MBOX_B, 100));
  S32 level = 0;
  EXPECT_TRUE(H_DATABASE_bFetchS32(FCID("SBAK"), &level, nullptr, nullptr));
  EXPECT_EQ(10, level);
  for (FOURCHARID key : {FCID("TQA1"), FCID("TQA2"), FCID("TQA3")}) H_DATABASE_vDeleteEntry(key);
}

}  // namespace
