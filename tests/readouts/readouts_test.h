// The readouts' tasks in the test program: the tone, alarm and battery tasks
// run as in the unit, while the view, keyboard, menu and (when a test leaves
// it out) tone and alarm tasks are stood in for by mailboxes the tests read.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "basetypes.h"
#include "fourcharid.h"
#include "g_types.h"
#include "h_keyboard.h"
#include "layer_id.h"
#include "linuxsvc.h"
#include "u_alarm.h"
#include "u_keyboard.h"

namespace rt {

// Mailboxes published under TVUE, TKBD and TMNU, read by nobody but the tests.
constexpr MBOX kViewBox = M_VIEW;
constexpr MBOX kKeyboardBox = M_KEYB;
constexpr MBOX kMenuBox = M_MENU;

enum TASKS : unsigned { TONE = 1, ALARM = 2, BATTERY = 4 };

// Every test starts from an empty database with the stand-ins published and
// the system running normally, and starts the tasks it names (a task left
// out has its key pointing at its mailbox, which the test reads).
class ReadoutsTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  void Start(unsigned tasks);
};

// A sound the recording sink heard: a frequency, or 0 for silence, at a time
// in ms since the recording was cleared.
struct EDGE {
  double ms;
  float frequency;
};
std::vector<EDGE> Edges(void);
void ClearEdges(void);
// Waits until the sink has heard n edges (FALSE after ms).
bool WaitForEdges(size_t n, int ms);

// Expects count pulses of one frequency, on and off ms long, from edge first on.
void ExpectPulses(const std::vector<EDGE>& edges, size_t first, float frequency, int count, double on, double off);

// Requests that reached a stand-in mailbox since the last call.
struct VIEW_REQUEST {
  CMD_ID cmd;
  LAYER_ID layer;
  DRAW_FUNCTION* pDraw;
};
std::vector<VIEW_REQUEST> ViewRequests(void);
struct KEY_REQUEST {
  CMD_ID cmd;
  U32 keys;
  KEY_STATE state;
  CURSOR_MODE cursor;
  U32 usage;
};
std::vector<KEY_REQUEST> KeyRequests(void);
std::vector<CMD_ID> Commands(MBOX mbox);
// Tone requests in the tone task's mailbox while the tone task is left out.
std::vector<TONE_SEQUENCE> ToneRequests(void);

// Mail to a task, and a marker behind it: when the marker comes back the task
// has handled everything sent before.
void Raise(ALARM_PRIORITY id, const ALARM_SET_MESSAGE& alarm = {}, bool bExtended = false);
void Clear(S32 id);
void Key(U32 key, CURSOR_POSITION cursor = CURSOR_UP, KEY_STATE state = KEY_DOWN);
void Sync(MBOX mbox, SEMA ackSema = SEMA_USER_TEST);
// The click a key got: +1 accepted, -1 refused, 0 none within ms. Clicks
// given before ForgetClicks do not count.
void ForgetClicks(void);
int Click(int ms = 500);

bool WaitFor(const std::function<bool()>& condition, int ms = 2000);

// A full-screen drawing on black, freed with the picture.
struct PICTURE {
  BITMAP* pBitmap;
  explicit PICTURE(DRAW_FUNCTION* pDraw);
  ~PICTURE();
  PICTURE(const PICTURE&) = delete;
  PICTURE& operator=(const PICTURE&) = delete;
  bool operator==(const PICTURE& other) const;
};
// The picture against a PNG in tests/readouts/golden.
::testing::AssertionResult MatchesGolden(const std::string& name, const PICTURE& picture);
// The draw function last registered for the layer.
DRAW_FUNCTION* Registered(const std::vector<VIEW_REQUEST>& requests, LAYER_ID layer);

}  // namespace rt
