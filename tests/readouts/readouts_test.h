// The readouts' tasks in the test program: the tone, alarm and battery tasks
// run as in the unit; the view, keyboard and menu tasks (and a tone or alarm
// task a test leaves out) are mailboxes the tests read.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "g_types.h"
#include "layer_id.h"
#include "linuxsvc.h"
#include "u_alarm.h"
#include "u_keyboard.h"

namespace rt {

constexpr MBOX kViewBox = M_VIEW;
constexpr MBOX kKeyboardBox = M_KEYB;
constexpr MBOX kMenuBox = M_MENU;
enum TASKS : unsigned { TONE = 1, ALARM = 2, BATTERY = 4, INFO = 8, SPEED = 16, TEMP = 32 };

// Each test starts from an empty database with the stand-ins published and
// the system in its normal run, and starts the tasks it names.
class ReadoutsTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  void Start(unsigned tasks);
};

// What the recording sink in place of the buzzer heard: a frequency, or 0
// for silence, at ms since ClearEdges.
struct EDGE {
  double ms;
  float frequency;
};
std::vector<EDGE> Edges(void);
void ClearEdges(void);
bool WaitForEdges(size_t n, int ms);
// Expects count pulses of one frequency, on and off ms long, from edge first.
void ExpectPulses(const std::vector<EDGE>& edges, size_t first, float frequency, int count, double on, double off);

// What reached the stand-ins since the last call: "+330" or "-330" for a
// layer registered or removed, "+3FE/2" (keys and state) or "-3FE" for keys.
std::vector<std::string> ViewLog(void);
std::vector<std::string> KeyLog(void);
std::vector<CMD_ID> Commands(MBOX mbox);
// The alarm mail sent since the last call, as "+5/8 Low Voltage" (id,
// initial tone, text) or "-5"; the English names of the menu items asked
// of the menu task.
std::vector<std::string> AlarmMail(void);
std::vector<std::string> MenuNames(void);
// A bare command to a task, then Sync.
void Send(MBOX mbox, CMD_ID cmd);
// The alarm tones asked of the tone task while the task is left out.
std::vector<TONE_SEQUENCE> ToneRequests(void);

// Mail to the alarm task, each followed by Sync: a marker that comes back
// once the task has handled everything sent before it.
void Raise(ALARM_PRIORITY id, ALARM_SET_MESSAGE alarm = {}, bool bExtended = false);
void Clear(S32 id);
void Key(U32 key, CURSOR_POSITION cursor = CURSOR_UP, KEY_STATE state = KEY_DOWN, bool bSync = true);
void Sync(MBOX mbox, SEMA ackSema = SEMA_USER_TEST);
// The click of the last key: +1 accepted, -1 refused, 0 none within ms.
void ForgetClicks(void);
int Click(int ms = 500);
bool WaitFor(const std::function<bool()>& condition, int ms = 2000);
// Seconds of the stress tests: VELMORA_STRESS_SECONDS, else fallback.
U64 StressMs(U64 fallback);

// The full screen as the layer's last registered draw function (or the
// given one) leaves it on black, and against a PNG in tests/readouts/golden.
std::vector<COLOR> Picture(LAYER_ID layer);
std::vector<COLOR> Picture(DRAW_FUNCTION* pDraw);
::testing::AssertionResult MatchesGolden(const std::string& name, const std::vector<COLOR>& picture);

}  // namespace rt
