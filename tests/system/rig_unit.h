// The unit's own process on a host rig as the rig tests drive it: the rig
// tool, the page on display against goldens, and the unit's log.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "g_types.h"
#include "test_process.h"
#include "test_tempdir.h"

namespace rigunit {

extern const std::string kVelmora;
extern const std::string kRigTool;

// The tool's exit status; its output is dropped.
int Tool(const std::string& rig, const std::string& arguments);
// The tool's run with what it printed.
TEST_RESULT ToolRun(const std::string& rig, const std::vector<std::string>& arguments);
void MakeRig(const std::string& dir);

// Ends the rig's helpers (pseudo-terminal relays, the paddlewheel) and
// removes the rig, unless the test failed: then it stays to be looked at.
struct RIG_GUARD {
  std::string dir;
  ~RIG_GUARD();
};

// The tool widens RGB565 by repeating the high bits; the top bits give it back.
std::vector<COLOR> FromRgb(const std::vector<U8>& rgb);
// The page on display, in RGB565; empty when it cannot be had.
std::vector<COLOR> Screen(const std::string& rig);
// The page on display once bShows holds for it, or the last one looked at
// when it still does not after ms (stretched as TEST_bWaitUntil stretches).
std::vector<COLOR> WaitForScreen(const std::string& rig, const std::function<bool(const std::vector<COLOR>&)>& bShows,
                                 int ms);
// The page on display once it differs from before (the same after 5 s).
std::vector<COLOR> NextScreen(const std::string& rig, const std::vector<COLOR>& before);
// The page on display once two looks 200 ms apart agree (the last look
// after three seconds of change).
std::vector<COLOR> StableScreen(const std::string& rig);
// The box of a screen from (left, top), top row first; empty without a screen.
std::vector<COLOR> Box(const std::vector<COLOR>& screen, U32 u32Left, U32 u32Top, U32 u32Width, U32 u32Height);
// The page on display once the box from (left, top) looks the same twice
// 200 ms apart (the last look after three seconds of change): a readout
// over a view that scrolls.
std::vector<COLOR> StableBox(const std::string& rig, U32 u32Left, U32 u32Top, U32 u32Width, U32 u32Height);
::testing::AssertionResult MatchesGolden(const std::string& name, const std::vector<COLOR>& screen);
// Only the box of the screen from (left, top), top row first: a panel over a
// view that changes from frame to frame.
::testing::AssertionResult MatchesGoldenBox(const std::string& name, const std::vector<COLOR>& screen, U32 u32Left,
                                            U32 u32Top, U32 u32Width, U32 u32Height);
// The screen (or its box) shows the golden within ms; a failure tells how
// the last look differed. With UPDATE_GOLDEN=1 the settled screen becomes
// the golden.
::testing::AssertionResult ShowsGolden(const std::string& rig, const std::string& name, int ms = 10000);
::testing::AssertionResult ShowsGoldenBox(const std::string& rig, const std::string& name, U32 u32Left, U32 u32Top,
                                          U32 u32Width, U32 u32Height, int ms = 10000);

// A GPS fix on the rig's GPS port once a second, for ten minutes.
std::unique_ptr<TEST_PROCESS> FixFeed(const std::string& rig);

// The unit started on the rig over the base directory, once every task has
// taken its order to run (and so has sent the items it registers then).
std::unique_ptr<TEST_PROCESS> Start(const std::string& rig, const std::string& base);

// MENU until the view's express menu opens: it has rows once there is a fix
// (its Mark needs one). Without a fix yet the main menu opens instead and is
// left again for the next try. FALSE when none has worked within 20 s
// (stretched as TEST_bWaitUntil stretches it).
bool OpenExpressMenu(const std::string& rig, TEST_PROCESS* unit);
// The express menu, then a second MENU on to the main menu.
bool OpenMainMenuWithFix(const std::string& rig, TEST_PROCESS* unit);
// MENU on a unit whose view has no express menu (no fix yet): the main menu,
// once the menu task has asked for the keys, so that the next key goes to
// it and not to the view under it. FALSE when it did not open.
bool OpenMainMenu(const std::string& rig, TEST_PROCESS* unit);

// The key held for ms, then let go; back once the unit's keyboard has
// handed on the release.
void HoldKey(const std::string& rig, TEST_PROCESS* unit, const char* key, int ms);
// Each key held a tenth of a second in turn.
void PressKeys(const std::string& rig, TEST_PROCESS* unit, std::initializer_list<const char*> keys);
// Each key once the one before has been taken, as its click tells (the
// buzzer clicks for each key someone takes or refuses): a window the key
// opened has asked for the keys by then, which the hand-over of the release
// alone does not tell.
void ClickedKeys(const std::string& rig, std::initializer_list<const char*> keys);

// An NMEA (or remote dongle) line: $, the body, its checksum, CR LF.
std::string NmeaLine(const std::string& body);
// The remote's key (the two hex digits of its dongle line: PLUS "3C",
// MINUS "3B") pressed and let go on the GPS port, where the dongle talks.
void RemotePress(const std::string& rig, const std::string& key);

// Waits until the unit's output holds text at least n times (FALSE after
// ms, stretched as TEST_bWaitUntil stretches it).
bool WaitForCount(TEST_PROCESS* p, const std::string& text, size_t n, int ms);
size_t Count(const std::string& out, const std::string& text);
// What the unit has written so far, for a failure's message.
std::string Out(TEST_PROCESS* p);
// The host's monotonic clock, the log's (TEST_dLogSeconds).
double Now(void);

// The rig's water: a still bottom at depth_m, no fish.
void StillWater(const std::string& rig, const std::string& depth);
// The rig's sonar.cfg replaced whole at once: the stand-in, reading a file
// caught half written, would take the defaults for the rest for a second.
void WriteSonarConfig(const std::string& rig, const std::string& text);

// A base directory whose store holds a unit as it leaves the factory: its
// serial number, and any further settings given.
void SeedUnit(const std::string& base, const std::map<std::string, uint32_t>& more = {});

// The screen once it has left the given one and settled.
void SettledAfter(const std::string& rig, const std::vector<COLOR>& before);

// A fresh rig and a unit past its first-start questions, started with a GPS
// fix fed on its port (*pFeed); null when the rig could not be made.
std::unique_ptr<TEST_PROCESS> StartWithFix(const std::string& rig, const std::string& base,
                                           std::unique_ptr<TEST_PROCESS>* pFeed);

// VIEW until the chart (view 52) is up; FALSE when twelve presses did not
// bring it.
bool ShowChart(const std::string& rig, TEST_PROCESS* unit);

// From the main menu's Nav tab into "Waypoints, Routes, Tracks", once the
// window takes keys.
bool OpenManager(const std::string& rig, TEST_PROCESS* unit);

// The number `rig db` prints first for a key; -1 when it cannot be had.
double Stored(const std::string& rig, const std::string& key);
// Opens the chart's menu and runs its row of that name, found where the
// menus say it is now (marks and navigation add rows above it); back once
// what it opened has settled.
bool RunChartMenuRow(const std::string& rig, TEST_PROCESS* unit, const std::string& name);
// The alarm banner at the top of the screen, once it shows right of x
// (its body row the same colour at both ends, not the view's white), then
// against the golden: a note or alarm over a view that scrolls.
::testing::AssertionResult ShowsBannerGolden(const std::string& rig, const std::string& name, U32 u32Left);
// VIEW until the view is in front, each press awaited by its view change.
void ShowView(const std::string& rig, TEST_PROCESS* unit, int view);

}  // namespace rigunit
