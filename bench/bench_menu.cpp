// The menu kit's cost: a full main-menu panel of 8 rows (tab strip, labels,
// selectors, a bar, an action, a check box, the selected row) laid out and
// drawn, set against a memcpy of one 768,000-byte frame in the same run
// (x_memcpy; the goal is at most 2): as a frame draws an open menu that
// stands still, and as one where the selection moves every frame, so that
// two rows are drawn afresh each time. The unit's model (SMDL) decides how
// much FreeType keeps: the default model keeps 32 KB and one size, and then
// every redrawn row renders its glyphs again; a domestic model keeps 256 KB.

#include <benchmark/benchmark.h>
#include <string.h>

#include <vector>

#include "bench_timing.h"
#include "g_buffers.h"
#include "g_truetype.h"
#include "h_database.h"
#include "u_menupanel.h"
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

}  // namespace
