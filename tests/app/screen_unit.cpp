#include "screen_unit.h"

#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

#include "g_buffers.h"
#include "g_icon.h"
#include "g_iconset.h"
#include "h_database.h"
#include "linuxsvc.h"
#include "main.h"
#include "nvram_files.h"
#include "t_info.h"
#include "test_timing.h"

namespace screens {

static std::string s_rig, s_base;

static std::string Temp(const char* what) {
  std::string dir = std::string(getenv("TMPDIR") ? getenv("TMPDIR") : "/tmp") + "/velmora-" + what + "-XXXXXX";
  return mkdtemp(dir.data()) != nullptr ? dir : std::string();
}

static int RigTool(const std::string& arguments) {
  const std::string command = "python3 " VELMORA_TOOLS_DIR "/rig " + arguments + " > /dev/null";
  const int status = system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool WaitFor(const std::function<bool()>& condition, int ms) {
  const U64 end = L_CLOCK_qwGetTimeInMillis() + TEST_u64SlackMs((U64)ms);
  for (;;) {
    if (condition()) return true;
    if (L_CLOCK_qwGetTimeInMillis() >= end) return false;
    L_CLOCK_Sleep(10);
  }
}

// Flags, views and counts alike: the word of a small whole number is the
// same in each of those types.
void Write(FOURCHARID key, U32 value) {
  DB_DATA_TYPE word = {};
  word.u32Val = value;
  H_DATABASE_bUpdateValue(key, word, P_NORMAL);
}

bool StartUnit(void) {
  s_rig = Temp("screens-rig");
  s_base = Temp("screens-base");
  if (s_rig.empty() || s_base.empty() || RigTool("create " + s_rig) != 0) {
    fprintf(stderr, "no rig could be made\n");
    return false;
  }
  // A unit as it leaves the factory, its set-up questions answered.
  nvfiles::Seed(s_base, {{"NVER", nvfiles::kVersion}, {"SENU", 12345}, {"SENB", 7}, {"SETB", 2024}, {"SQCD", 1}});
  setenv("VELMORA_DEVROOT", s_rig.c_str(), 1);
  setenv("VELMORA_CWD", s_base.c_str(), 1);
  char program[] = "velmora", quiet[] = "no_log";
  char* argv[] = {program, quiet, nullptr};
  MAIN_vParseOptions(2, argv);
  LSVC_vInit();
  std::thread(Main).detach();
  S32 view = 0;
  BOOLEAN bValid = FALSE;
  const bool bUp = WaitFor(
      [&] {
        return H_DATABASE_bFetchS32(FCID("CVEW"), &view, &bValid, nullptr) && bValid && view == SONAR_VIEW_PRIORITY &&
               T_VIEW_bIsLayerActive(SONAR_DUAL_BEAM_VIEW_PRIORITY);
      },
      60000);
  if (!bUp) fprintf(stderr, "the unit did not show its first view\n");
  return bUp;
}

void StopRig(void) {
  if (!s_rig.empty()) RigTool("--rig " + s_rig + " stop");
  std::error_code ignored;
  for (const std::string& dir : {s_rig, s_base}) {
    if (!dir.empty()) std::filesystem::remove_all(dir, ignored);
  }
}

std::vector<std::vector<NODE>> Layers(void) {
  std::vector<std::vector<NODE>> layers;
  L_MUTEX_LockWait(RES_VIEW_LIST);
  for (const LAYER_ITEM* p = T_VIEW_psFirstLayer(); p != nullptr; p = p->next) {
    layers.emplace_back();
    for (const LAYER_ITEM* q = p; q != nullptr; q = q->pSplit) {
      layers.back().push_back({q->layer, q->where_used, q->pDrawFunction, q->eSplit, q->s32SplitPercentage,
                               q->bHorizontalSplit, q->bCurrentDisplayMode, q->fcidDisplay, q->user, q->pSimString,
                               q->pPOSString});
    }
  }
  L_MUTEX_Unlock(RES_VIEW_LIST);
  return layers;
}

// The window of a pane, from the split geometry: the divider's middle column
// lies pct % of the way across the width right of the data-box column (when
// the boxes are on), and each pane stops three pixels short of it.
static WINDOW_LOCATION Window(const NODE& n) {
  WINDOW_LOCATION w = {0, G_SCREEN_HEIGHT - 1, G_SCREEN_WIDTH - 1, 0};
  if (n.eSplit != SPLIT_LEFT_WINDOW && n.eSplit != SPLIT_RIGHT_WINDOW) return w;
  const S32 pct = n.percent < 0 ? 0 : n.percent > 100 ? 100 : n.percent;
  if (n.bHorizontal) {
    const S32 b = G_SCREEN_HEIGHT * (100 - pct) / 100;
    if (n.eSplit == SPLIT_LEFT_WINDOW) {
      w.s32ClipBottom = b + 3;
    } else {
      w.s32ClipTop = b - 3;
    }
    return w;
  }
  const S32 o = T_INFO_eDataBoxOption() == DATA_BOXES_ON ? (S32)T_INFO_u32XOrigin() : 0;
  const S32 s = o + pct * (G_SCREEN_WIDTH - o) / 100;
  if (n.eSplit == SPLIT_LEFT_WINDOW) {
    w.s32ClipRight = s - 3;
  } else {
    w.s32ClipLeft = s + 3;
  }
  return w;
}

std::vector<PIECE> Frame(LAYER_ID view, SPLIT_WINDOW_TYPE active) {
  std::vector<PIECE> pieces;
  const std::vector<std::vector<NODE>> layers = Layers();
  size_t at = 0;
  while (at < layers.size() && !(layers[at][0].layer == view && layers[at][0].bShown)) at++;
  if (at == layers.size()) return pieces;
  auto window = [&](const NODE& n) {
    WINDOW_SPECIFICATION w = {};
    w.currentLayer = view;
    w.activeWindow = active;
    w.drawWindowType = n.eSplit;
    w.drawWindow = Window(n);
    w.u32User = n.user;
    return w;
  };
  for (const NODE& pane : layers[at]) {
    const std::string name = "view " + std::to_string(view) + " pane " + std::to_string(pane.eSplit);
    pieces.push_back({pane, window(pane), false, name});
    if (pane.eSplit != SPLIT_FULL_WINDOW && pane.eSplit == active) {
      pieces.push_back({pane, window(pane), true, "the active pane's mark"});
    }
  }
  for (size_t i = at + 1; i < layers.size(); i++) {
    const NODE& n = layers[i][0];
    if (n.whereUsed != view && n.whereUsed != USED_BY_ALL) continue;
    pieces.push_back({n, window(n), false, "layer " + std::to_string(n.layer)});
  }
  return pieces;
}

void Draw(BITMAP* pPage, const PIECE& piece) {
  WINDOW_SPECIFICATION window = piece.window;
  if (piece.bMark) {
    POINT at;
    if (T_VIEW_bActivePaneIconAt(&window, &at)) G_ICON_vPut(pPage, &active_pane_icon, &at);
  } else if (piece.node.pDraw != nullptr) {
    piece.node.pDraw(pPage, &window);
  }
  G_BUFFERS_vRestoreWhole(pPage);
}

}  // namespace screens

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // Listing the tests (CTest's discovery) starts nothing.
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
  // The whole unit on an emulated processor is many times slower than on
  // the board; its screens are the same code as natively.
  if (TEST_bEmulated()) {
    GTEST_FLAG_SET(filter, "-*");
    return RUN_ALL_TESTS();
  }
  if (!screens::StartUnit()) {
    screens::StopRig();
    return 1;
  }
  const int result = RUN_ALL_TESTS();
  screens::StopRig();
  fflush(stdout);
  fflush(stderr);
  // The unit's tasks run on: the process ends here, without the destructors
  // of what they use.
  _exit(result);
}
