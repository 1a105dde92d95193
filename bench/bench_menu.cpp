// The menu kit's cost: a full main-menu panel of 8 rows (tab strip, labels,
// selectors, a bar, an action, a check box, the selected row) laid out and
// drawn, set against a memcpy of one 768,000-byte frame in the same run
// (x_memcpy; the goal is at most 2): as a frame draws an open menu that
// stands still, and as one where the selection moves every frame, so that
// two rows are drawn afresh each time. The unit's model (SMDL) decides how
// much FreeType keeps: the default model keeps 32 KB and one size, and then
// every redrawn row renders its glyphs again; a domestic model keeps 256 KB.
//
// Then the menu task among the view and keyboard tasks on a rig of its own:
// from a south press written to the keypad FIFO until a page that shows the
// moved selection of the open main menu is handed to the display, over 200
// presses, as p50 and p99 (the goal: p99 within two frame periods, 200 ms).

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <atomic>
#include <random>
#include <string>
#include <vector>

#include "bench_timing.h"
#include "g_buffers.h"
#include "g_truetype.h"
#include "h_database.h"
#include "h_display.h"
#include "h_memory.h"
#include "t_keyboard.h"
#include "t_menu.h"
#include "t_view.h"
#include "test_process.h"
#include "test_tasks.h"
#include "u_menupanel.h"
#include "u_view.h"
#include "u_wstring.h"
#include "ui_texts.h"

namespace {

constexpr size_t kFrameBytes = 800 * 480 * 2;

MENU_PANEL_ROW Row(const char* const* label, MENU_CONTROL_KIND control, const char* const* value) {
  MENU_PANEL_ROW r = {};
  r.pcLabel = label[0];
  r.eControl = control;
  r.pcValue = value != nullptr ? value[0] : nullptr;
  r.ePosition = MENU_CHOICE_MIDDLE;
  r.bArrow = TRUE;
  r.fFraction = 0.6f;
  return r;
}

void RunMainMenu(benchmark::State& state, bool bMoving) {
  static const bool s_bFonts = (H_DATABASE_vInit(), U_WSTRING_vUpdateCurrentLanguage(), G_TRUETYPE_bInit());
  if (!s_bFonts) {
    state.SkipWithError("no fonts");
    return;
  }
  static const char* const kTabs[] = {Alarms[0], Setup[0], Views[0], Accessories[0]};
  MENU_PANEL panel = {};
  panel.eKind = MENU_PANEL_MAIN;
  panel.ppcTabs = kTabs;
  panel.u32Tabs = 4;
  panel.u32SelectedTab = 1;
  const MENU_PANEL_ROW rows[MENU_PANEL_ROWS] = {
      Row(Language, MENU_CONTROL_SELECTOR, Language_English), Row(Restore_Defaults, MENU_CONTROL_ACTION, nullptr),
      Row(Sonar, MENU_CONTROL_SELECTOR, On),                  Row(Demonstration, MENU_CONTROL_SELECTOR, Off),
      Row(Light, MENU_CONTROL_PROGRESS_BAR, Percent),         Row(Night_Mode, MENU_CONTROL_SELECTOR, Off),
      Row(All_Tones, MENU_CONTROL_CHECK_BOX, nullptr),        Row(Water_Type, MENU_CONTROL_SLIDER, Auto),
  };
  memcpy(panel.aRows, rows, sizeof rows);
  panel.u32Rows = MENU_PANEL_ROWS;
  panel.aRows[2].bSelected = TRUE;
  BITMAP* pFrame = G_BUFFERS_pCreateFullScreenBitmap();
  std::vector<U8> src(kFrameBytes, 0x5A), dst(kFrameBytes, 0);
  U32 selected = 2;
  const double ratio = BENCH_dCompare(
      state,
      [&] {
        if (bMoving) {
          panel.aRows[selected].bSelected = FALSE;
          selected = (selected + 1) % MENU_PANEL_ROWS;
          panel.aRows[selected].bSelected = TRUE;
        }
        MENU_PANEL_BOX box;
        U_MENUPANEL_vLayout(&panel, 0, nullptr, &box);
        U_MENUPANEL_vDraw(pFrame, &panel, &box);
      },
      [&] { memcpy(dst.data(), src.data(), kFrameBytes); });
  state.counters["x_memcpy"] = ratio;
  G_BUFFERS_vFreeFullScreenBitmap(pFrame);
}

void BM_MainMenuOf8Rows(benchmark::State& state) { RunMainMenu(state, false); }
BENCHMARK(BM_MainMenuOf8Rows)->UseManualTime()->Unit(benchmark::kMicrosecond);

void BM_MainMenuOf8RowsSelectionMoving(benchmark::State& state) { RunMainMenu(state, true); }
BENCHMARK(BM_MainMenuOf8RowsSelectionMoving)->UseManualTime()->Unit(benchmark::kMicrosecond);

// ---------------------------------------------------------------------------
// Key to page

constexpr U16 kCodeMenu = 50, kCodeSouth = 108;
int s_nKeypad = -1;

// The selection the latest frame drew, and that frame's number.
std::atomic<U32> s_u32DrawnSelection{0xFFFFFFFE};
std::atomic<U32> s_u32DrawnFrame{0};
void RecordSelection(BITMAP*, WINDOW_SPECIFICATION_POINTER) {
  MENU_SNAPSHOT snapshot;
  T_MENU_vSnapshot(&snapshot);
  s_u32DrawnSelection = snapshot.u32Selected;
  s_u32DrawnFrame = T_VIEW_u32FramesBegun();
}

void DrawBlack(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER) {
  memset(pBitmap->pBuffer, 0, kFrameBytes);
}

void Press(U16 code, S32 value) {
  struct {
    struct timeval time;
    U16 type;
    U16 code;
    S32 value;
  } event = {};
  event.type = 1;
  event.code = code;
  event.value = value;
  (void)!write(s_nKeypad, &event, sizeof event);
}

bool WaitFor(bool (*bCondition)(void), int ms) {
  for (int i = 0; i < ms && !bCondition(); i++) L_CLOCK_Sleep(1);
  return bCondition();
}

const MENU_TEXT kOffOn[] = {Off, On};
const U32 kOffOnValues[] = {0, 1};
const MENU_LIMITS kLight[] = {{U_NONE, 0, 10, 1}};

// The view, keyboard and menu tasks on a rig, and a main menu of six rows open.
bool StartUnit(void) {
  const std::string rig = TEST_MakeTempDir("velmora-bench-menu");
  setenv("VELMORA_DEVROOT", rig.c_str(), 1);
  mkdir((rig + "/dev").c_str(), 0755);
  mkdir((rig + "/dev/input").c_str(), 0755);
  mkfifo((rig + "/dev/input/event6").c_str(), 0666);
  s_nKeypad = open((rig + "/dev/input/event6").c_str(), O_RDWR | O_NONBLOCK);
  const std::string fb = rig + "/dev/fb0";
  FILE* pFile = fopen(fb.c_str(), "wb");
  if (pFile == nullptr || s_nKeypad < 0) return false;
  fclose(pFile);
  if (truncate(fb.c_str(), (off_t)4 * kFrameBytes) != 0) return false;
  H_DATABASE_vInit();
  U_WSTRING_vUpdateCurrentLanguage();
  if (!G_TRUETYPE_bInit()) return false;
  H_DISPLAY_vInitScreen(0);
  for (auto [mbox, sema] : {std::pair{M_VIEW, SEMA_MBOX_VIEW}, {M_KEYB, SEMA_MBOX_KEYB}, {M_MENU, SEMA_MBOX_MENU}}) {
    L_MBOX_DefineSema(mbox, sema);
  }
  TEST_StartTask(VIEWTASK, T_VIEW_vMain);
  TEST_StartTask(KBDTASK, T_KEYBOARD_vMain);
  T_MENU_vRegisterHooks();
  TEST_StartTask(MENUTASK, T_MENU_vMain);
  if (!WaitFor([] { return H_DATABASE_bFetchU32(FCID("TMNU"), nullptr, nullptr, nullptr) &&
                           H_DATABASE_bFetchU32(FCID("TKBD"), nullptr, nullptr, nullptr) &&
                           H_DATABASE_bFetchU32(FCID("TVUE"), nullptr, nullptr, nullptr); }, 2000)) {
    return false;
  }
  GENERIC_MESSAGE* pRun = (GENERIC_MESSAGE*)H_MEMORY_pvCalloc(1, sizeof(GENERIC_MESSAGE));
  pRun->Cmd = CMD_ID_RUN_SYSTEM;
  L_MBOX_Send(M_MENU, pRun, 3, 0);
  U_VIEW_bRegisterLayer(DrawBlack, SONAR_VIEW_PRIORITY, USED_BY_NONE, 0, 0, TRUE, nullptr, nullptr, nullptr);
  U_VIEW_bRegisterLayer(RecordSelection, COLOR_PALETTE_DEBUG_LAYER, USED_BY_ALL, 0, 0, TRUE, nullptr, nullptr, nullptr);
  H_DATABASE_bUpdateEverythingU32(FCID("SQBL"), 7, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  U_MENU_bRegisterTab(Setup, SETUP_TAB_PRIORITY, nullptr, M_BASIC);
  U_MENU_bRegisterMainSelectorMenu(Sonar, Setup, 1, FCID("SSEN"), 2, kOffOn, kOffOnValues, M_BASIC);
  U_MENU_bRegisterMainActionMenu(Restore_Defaults, Setup, 2, T_KEYBOARD_vRestoreFactoryDefaults, TRUE, M_BASIC);
  U_MENU_bRegisterMainSelectorMenu(Demonstration, Setup, 3, FCID("SDEN"), 2, kOffOn, kOffOnValues, M_BASIC);
  U_MENU_bRegisterMainProgBarMenu(Light, Setup, 4, FCID("SQBL"), kLight, nullptr, nullptr, nullptr, M_BASIC);
  U_MENU_bRegisterMainSelectorMenu(Night_Mode, Setup, 5, FCID("SPAL"), 2, kOffOn, kOffOnValues, M_BASIC);
  U_MENU_bRegisterMainSliderMenu(Water_Type, Setup, 6, FCID("SQBL"), kLight, nullptr, nullptr, nullptr, M_BASIC);
  H_DATABASE_bUpdateValueS32(FCID("CVEW"), SONAR_VIEW_PRIORITY, P_NORMAL);
  L_CLOCK_Sleep(300);
  Press(kCodeMenu, 1);
  L_CLOCK_Sleep(60);
  Press(kCodeMenu, 0);
  return WaitFor([] {
    U32 u32Menu = 0;
    return H_DATABASE_bFetchU32(FCID("CMNU"), &u32Menu, nullptr, nullptr) && u32Menu == MAIN_MENU;
  }, 2000);
}

void BM_KeyToRedrawnMenuPage(benchmark::State& state) {
  static const bool s_bUp = StartUnit();
  if (!s_bUp) {
    state.SkipWithError("the unit's tasks did not come up");
    return;
  }
  std::mt19937 rng(19);
  std::uniform_real_distribution<double> phase(0.0, 100.0);
  std::vector<double> latencies;
  for (auto _ : state) {
    usleep((useconds_t)(phase(rng) * 1000));  // anywhere in the keypad's poll and the frame period
    MENU_SNAPSHOT before;
    T_MENU_vSnapshot(&before);
    const double written = BENCH_dNow();
    Press(kCodeSouth, 1);
    double shown = -1;
    for (int i = 0; i < 20000 && shown < 0; i++) {
      const U32 u32Frame = s_u32DrawnFrame;
      if (s_u32DrawnSelection != before.u32Selected && T_VIEW_u32LastFrameShown() >= u32Frame) shown = BENCH_dNow();
      usleep(50);
    }
    Press(kCodeSouth, 0);
    if (shown < 0) {
      state.SkipWithError("the moved selection never reached the display");
      break;
    }
    state.SetIterationTime(shown - written);
    latencies.push_back((shown - written) * 1000.0);
    L_CLOCK_Sleep(40);  // the release is polled before the next press
  }
  state.counters["p50_ms"] = BENCH_dPercentile(latencies, 0.5);
  state.counters["p99_ms"] = BENCH_dPercentile(latencies, 0.99);
}
BENCHMARK(BM_KeyToRedrawnMenuPage)->Iterations(200)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
