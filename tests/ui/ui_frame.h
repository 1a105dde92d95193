// The screen frame's tasks on a rig of the test program's own: the view,
// view-key, keyboard, display and message-box tasks run as they do in the
// unit, keys go in through the keypad FIFO, and the view task draws the frames.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "basetypes.h"
#include "fourcharid.h"
#include "g_types.h"
#include "layer_id.h"
#include "linuxsvc.h"

// Linux key codes of the keypad.
enum UI_KEY : U16 {
  UI_POWER = 46,
  UI_MENU = 50,
  UI_EXIT = 30,
  UI_VIEW = 28,
  UI_NORTH = 105,
  UI_SOUTH = 108,
  UI_WEST = 23,
  UI_EAST = 49,
};

// Mailboxes no running task reads, for registrants the tests play; the menu
// task's key TMNU names UI_MENU_MBOX, so menu requests collect there.
constexpr MBOX UI_MBOX_A = M_NAV;
constexpr MBOX UI_MBOX_B = M_CHART;
constexpr MBOX UI_MBOX_C = M_INFO;
constexpr MBOX UI_MENU_MBOX = M_MENU;

// Brings everything up once per test program.
void UI_vStart(void);
void UI_vKey(UI_KEY key, S32 value);
// Down and up in one write: the keypad's reader counts a press however
// soon its release follows, while a hold that a starved run stretched past
// the cursor keys' first repeat (200 ms) would press twice.
void UI_vTap(UI_KEY key);
// Taps a key and tells which click it got: +1 accepted, -1 refused, 0 none.
int UI_nTapClick(UI_KEY key);
// Waits until bCondition holds; FALSE when it still does not after ms
// (stretched as TEST_bWaitUntil stretches them).
bool UI_bWaitFor(const std::function<bool()>& bCondition, int ms = 2000);
// The next message in mbox (null after ms, stretched the same way); the
// caller frees it.
GENERIC_MESSAGE* UI_pReceive(MBOX mbox, int ms);
// TRUE when no message reaches mbox for ms: what must not come.
bool UI_bNoMail(MBOX mbox, int ms);
void UI_vDrain(MBOX mbox);
// UI_vForget clears a signal given before; UI_bSignalled is TRUE when sema
// is signalled within ms (stretched), UI_bNoSignal when it stays quiet for ms.
void UI_vForget(SEMA sema);
bool UI_bSignalled(SEMA sema, int ms);
bool UI_bNoSignal(SEMA sema, int ms);
// Waits until the task of mbox has handled everything sent to it before.
bool UI_bSettled(MBOX mbox);
// The commands of the menu requests that reached the menu task's mailbox
// since the last call, once the view-key and view tasks have handled what
// they were sent.
std::vector<CMD_ID> UI_MenuRequests(void);
// Sends a command to a task's mailbox.
void UI_vSend(MBOX mbox, CMD_ID cmd);
// A registration the tests make; the defaults give a full-screen base view.
struct UI_LAYER {
  LAYER_ID layer;
  DRAW_FUNCTION* pDraw;
  LAYER_ID whereUsed = USED_BY_NONE;
  FOURCHARID displayKey = 0;
  SPLIT_WINDOW_TYPE eSplit = SPLIT_FULL_WINDOW;
  FOURCHARID splitKey = 0;
  BOOLEAN bHorizontal = FALSE;
  const char* const* pSimString = nullptr;
  U32 user = 0;
};
// Registers and waits for the view task's answer: TRUE when it was taken.
bool UI_bRegister(const UI_LAYER& layer);
// Asks the view task for a frame at once and waits until one begun after the
// call is on display.
void UI_vFrame(void);
// A black full-screen view (layer 21) registered and made current, for
// pictures of what is drawn over the views.
void UI_vShowBlackView(void);
// The page on display of the rig, in RGB565, top row first.
std::vector<COLOR> UI_Screen(void);
// A picture against a PNG in tests/ui/golden.
::testing::AssertionResult UI_MatchGolden(const std::string& name, const std::vector<COLOR>& pixels, U32 u32Width,
                                          U32 u32Height);
// The whole screen, drawn frame after frame, once it shows the golden (a
// failure tells how the last frame differed); the looking ends at ms, or at
// the millisecond clock's u64GiveUpAtMs when that is not 0.
::testing::AssertionResult UI_ShowsGolden(const std::string& name, int ms = 2000, U64 u64GiveUpAtMs = 0);
// Sends a message and waits until its receiver is done with it; the block
// stays the caller's.
bool UI_bSendAcked(MBOX mbox, void* pMsg);
// Every layer and pane out of the list, every key of the test mailboxes and
// of the view-key task given back, no view current: the state each test
// starts from.
void UI_vReset(void);
