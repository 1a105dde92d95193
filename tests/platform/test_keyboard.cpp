// Keys through the keypad FIFO of a rig, into the driver's reader thread and
// out of the key layer's scans.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/time.h>
#include <unistd.h>

#include <vector>

#include "dd_keyboard.h"
#include "h_keyboard.h"
#include "linuxsvc.h"
#include "platform_rig.h"
#include "test_timing.h"

namespace {

enum : U16 { CODE_POWER = 46, CODE_MENU = 50, CODE_EXIT = 30, CODE_VIEW = 28, CODE_SPARE = 106,
             CODE_NORTH = 105, CODE_EAST = 49 };
enum { BYTE_POWER = 0, BYTE_MENU = 1, BYTE_EXIT = 2, BYTE_VIEW = 3, BYTE_SPARE = 4, BYTE_NORTH = 9, BYTE_EAST = 12 };

// The input event record as this host lays it out. The kernel's header is
// not included: its KEY_UP and KEY_DOWN macros would hide the key states.
struct INPUT_EVENT {
  struct timeval time;
  U16 type;
  U16 code;
  S32 value;
};
constexpr U16 EV_KEY = 1;
constexpr U16 EV_REL = 2;

// A scan's events with the clock read before and after it: the scan took
// its time in between, however late this thread ran.
struct KEY_EVENT {
  double before;
  double after;
  HKEY_ID key;
  KEY_STATE state;
  U32 count;
  CURSOR_POSITION cursor;
};

void Send(U16 code, S32 value, U16 type = EV_KEY) {
  static int s_fd = open(RIG_Path("/dev/input/event6").c_str(), O_RDWR | O_NONBLOCK);
  INPUT_EVENT event = {};
  event.type = type;
  event.code = code;
  event.value = value;
  ASSERT_EQ((ssize_t)sizeof event, write(s_fd, &event, sizeof event));
}

U8 Byte(int index) {
  BOOLEAN state[DD_KEYBOARD_NUM_KEYS];
  DD_KEYBOARD_vGetState(state);
  return state[index];
}

// Waits until the reader thread has taken the state byte: at least ten
// seconds, as an emulated board on two busy cores may take a while.
bool WaitForByte(int index, U8 value) {
  for (int i = 0; i < 10000; i++) {
    if (Byte(index) == value) return true;
    usleep(1000);
  }
  return false;
}

std::vector<KEY_EVENT> Fetch(double before = 0, double after = 0) {
  std::vector<KEY_EVENT> events;
  KEY_EVENT e;
  while (H_KEYBOARD_bFetchKeyEvent(&e.key, &e.state, &e.count, &e.cursor)) {
    e.before = before;
    e.after = after;
    events.push_back(e);
  }
  return events;
}

// Scans every 25 ms, as the keyboard task does, for `ms` or until `wanted`
// events have come.
std::vector<KEY_EVENT> Scan(double ms, size_t wanted) {
  std::vector<KEY_EVENT> events;
  double end = RIG_dNowMs() + ms;
  while (RIG_dNowMs() < end && events.size() < wanted) {
    double before = RIG_dNowMs();
    H_KEYBOARD_bProcessKeys();
    for (const KEY_EVENT& e : Fetch(before, RIG_dNowMs())) events.push_back(e);
    L_CLOCK_Sleep(25);
  }
  return events;
}

class Keypad : public ::testing::Test {
 protected:
  void SetUp() override {
    RIG_Dir();
    H_KEYBOARD_vInit();
  }
};

// Holds VIEW with repeat on until the press and seven repeats (due within
// 1.25 s) have come, and releases it.
std::vector<KEY_EVENT> HoldView(BOOLEAN bAccelerate) {
  H_KEYBOARD_vSetupKey(HKEY_VIEW, TRUE, bAccelerate, NOT_CURSOR_KEY);
  Send(CODE_VIEW, 1);
  std::vector<KEY_EVENT> events = Scan(1250 + (double)TEST_u64SlackMs(1000), 8);
  Send(CODE_VIEW, 0);
  for (const KEY_EVENT& e : Scan(25 + (double)TEST_u64SlackMs(1000), 1)) events.push_back(e);
  return events;
}

TEST_F(Keypad, HeldViewRepeatsAfterHalfASecondThenEvery125MsWithGrowingCounts) {
  std::vector<KEY_EVENT> events = HoldView(TRUE);
  ASSERT_EQ(9u, events.size());
  const KEY_EVENT& last = events.back();
  EXPECT_EQ(KEY_UP, last.state);
  events.pop_back();
  for (size_t i = 0; i < events.size(); i++) {
    SCOPED_TRACE(i);
    EXPECT_EQ(HKEY_VIEW, events[i].key);
    EXPECT_EQ(KEY_DOWN, events[i].state);
    EXPECT_EQ(i + 1, events[i].count);
    if (i == 0) continue;
    // Late scans do not push the later repeats back: each is due on the
    // press's own schedule.
    double due = 500.0 + 125.0 * (double)(i - 1);
    EXPECT_GT(events[i].after - events[0].before, due - 2);
  }
}

TEST_F(Keypad, WithoutAccelerationEveryRepeatCountsOne) {
  std::vector<KEY_EVENT> events = HoldView(FALSE);
  ASSERT_EQ(9u, events.size());
  for (size_t i = 0; i + 1 < events.size(); i++) EXPECT_EQ(1u, events[i].count) << i;
  EXPECT_EQ(KEY_UP, events.back().state);
}

TEST_F(Keypad, KernelRepeatsAndOtherEventTypesChangeNothing) {
  Send(CODE_VIEW, 2);
  Send(CODE_VIEW, 1, EV_REL);
  Send(CODE_SPARE, 1);
  ASSERT_TRUE(WaitForByte(BYTE_SPARE, 1));
  EXPECT_EQ(0, Byte(BYTE_VIEW));

  Send(CODE_VIEW, 1);
  Send(CODE_VIEW, 2);
  Send(CODE_SPARE, 0);
  ASSERT_TRUE(WaitForByte(BYTE_SPARE, 0));
  EXPECT_EQ(1, Byte(BYTE_VIEW));
  Send(CODE_VIEW, 0);
  ASSERT_TRUE(WaitForByte(BYTE_VIEW, 0));
}

TEST_F(Keypad, NorthWithEastIsIllegalOnAFourWayPadAndNorthEastOnAnEightWayPad) {
  const struct {
    CURSOR_MODE mode;
    CURSOR_POSITION expected;
  } rows[] = {{CURSOR_4, CURSOR_ILLEGAL}, {CURSOR_8, CURSOR_NORTH_EAST}};
  for (const auto& row : rows) {
    H_KEYBOARD_vSetupKey(HKEY_CURSOR, FALSE, FALSE, row.mode);
    Send(CODE_NORTH, 1);
    Send(CODE_EAST, 1);
    ASSERT_TRUE(WaitForByte(BYTE_NORTH, 1) && WaitForByte(BYTE_EAST, 1));
    EXPECT_TRUE(H_KEYBOARD_bProcessKeys());
    std::vector<KEY_EVENT> events = Fetch();
    ASSERT_EQ(1u, events.size());
    EXPECT_EQ(HKEY_CURSOR, events[0].key);
    EXPECT_EQ(KEY_DOWN, events[0].state);
    EXPECT_EQ(row.expected, events[0].cursor);

    Send(CODE_NORTH, 0);
    Send(CODE_EAST, 0);
    ASSERT_TRUE(WaitForByte(BYTE_NORTH, 0) && WaitForByte(BYTE_EAST, 0));
    H_KEYBOARD_bProcessKeys();
    events = Fetch();
    ASSERT_EQ(1u, events.size());
    EXPECT_EQ(KEY_UP, events[0].state);
    EXPECT_EQ(CURSOR_UP, events[0].cursor);
  }
}

TEST_F(Keypad, AKeyHeldAtStartGivesNoPressButItsReleaseIsReported) {
  Send(CODE_MENU, 1);
  ASSERT_TRUE(WaitForByte(BYTE_MENU, 1));
  H_KEYBOARD_vInit();
  EXPECT_FALSE(H_KEYBOARD_bProcessKeys());
  EXPECT_TRUE(H_KEYBOARD_bIsDown(HKEY_MENU));
  Send(CODE_MENU, 0);
  ASSERT_TRUE(WaitForByte(BYTE_MENU, 0));
  EXPECT_TRUE(H_KEYBOARD_bProcessKeys());
  std::vector<KEY_EVENT> events = Fetch();
  ASSERT_EQ(1u, events.size());
  EXPECT_EQ(HKEY_MENU, events[0].key);
  EXPECT_EQ(KEY_UP, events[0].state);
}

TEST_F(Keypad, KeysChangedInOneScanComeOutInKeyOrderAndReconfiguringDropsAPendingEvent) {
  for (U16 code : {CODE_VIEW, CODE_EXIT, CODE_MENU, CODE_POWER}) Send(code, 1);
  ASSERT_TRUE(WaitForByte(BYTE_POWER, 1) && WaitForByte(BYTE_VIEW, 1));
  EXPECT_TRUE(H_KEYBOARD_bIsPowerPressed());
  H_KEYBOARD_bProcessKeys();
  H_KEYBOARD_vSetupKey(HKEY_EXIT, FALSE, FALSE, NOT_CURSOR_KEY);
  std::vector<KEY_EVENT> events = Fetch();
  ASSERT_EQ(3u, events.size());
  EXPECT_EQ(HKEY_POWER, events[0].key);
  EXPECT_EQ(HKEY_MENU, events[1].key);
  EXPECT_EQ(HKEY_VIEW, events[2].key);
  for (U16 code : {CODE_VIEW, CODE_EXIT, CODE_MENU, CODE_POWER}) Send(code, 0);
  ASSERT_TRUE(WaitForByte(BYTE_POWER, 0) && WaitForByte(BYTE_VIEW, 0));
}

// A tap that begins and ends between two scans, as a quick finger's does on
// the keyboard task's 25 ms poll, still comes out as a press and then a
// release; two such taps as two of each, nothing more.
TEST_F(Keypad, TapsWithinOneScanComeOutAsEveryPressAndItsRelease) {
  // What earlier tests left in the driver goes first.
  for (int scan = 0; scan < 3; scan++) {
    H_KEYBOARD_bProcessKeys();
    Fetch();
  }
  for (int tap = 0; tap < 2; tap++) {
    Send(CODE_MENU, 1);
    ASSERT_TRUE(TEST_bWaitUntil([] { return DD_KEYBOARD_bIsDown(BYTE_MENU); }, 500));
    Send(CODE_MENU, 0);
    ASSERT_TRUE(TEST_bWaitUntil([] { return !DD_KEYBOARD_bIsDown(BYTE_MENU); }, 500));
  }
  std::vector<KEY_STATE> states;
  for (int scan = 0; scan < 6; scan++) {
    H_KEYBOARD_bProcessKeys();
    for (const KEY_EVENT& e : Fetch()) {
      EXPECT_EQ(HKEY_MENU, e.key);
      states.push_back(e.state);
    }
  }
  EXPECT_EQ((std::vector<KEY_STATE>{KEY_DOWN, KEY_UP, KEY_DOWN, KEY_UP}), states);
}

// The fake key turns over when its state is read, so each edge lies between
// the clock readings around the read that saw it.
TEST_F(Keypad, FakeKeyHoldsMenu100MsAndReleasesIt250MsOverAndOver) {
  opt_fakekey = 1;
  struct EDGE {
    double before, after;
    U8 state;
  };
  std::vector<EDGE> edges;
  U8 last = Byte(BYTE_MENU);
  for (double end = RIG_dNowMs() + 1600 + (double)TEST_u64SlackMs(1000); RIG_dNowMs() < end && edges.size() < 7;) {
    double before = RIG_dNowMs();
    U8 now = Byte(BYTE_MENU);
    if (now != last) edges.push_back({before, RIG_dNowMs(), now});
    last = now;
    usleep(2000);
  }
  // Let go before the fake key is switched off, so no later test finds MENU held.
  EXPECT_TRUE(TEST_bWaitUntil([] { return Byte(BYTE_MENU) == 0; }, 1000));
  opt_fakekey = -1;

  ASSERT_EQ(7u, edges.size());
  for (size_t i = 1; i < edges.size(); i++) {
    const double held = edges[i - 1].state == 1 ? 100 : 250;
    EXPECT_GT(edges[i].after - edges[i - 1].before, held - 1) << i;
  }
}

}  // namespace
