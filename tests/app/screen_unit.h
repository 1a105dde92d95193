// The whole unit in the test program: its own task table and Main on a rig
// and base directory of the program's own, so that a test can look at every
// view and layer the tasks register, and compose screens from them itself.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "g_types.h"
#include "layer_id.h"
#include "t_view.h"

namespace screens {

// Started by the program's main before the tests; FALSE when the unit did not
// come up (the reason is printed).
bool StartUnit(void);
// Ends the rig's helper processes and removes the rig and base directories.
void StopRig(void);

// Polls the condition every 10 ms; FALSE when it is still false after ms.
bool WaitFor(const std::function<bool()>& condition, int ms);
void Write(FOURCHARID key, U32 value);

// One node of the view task's list as it stood when taken.
struct NODE {
  LAYER_ID layer;
  LAYER_ID whereUsed;
  DRAW_FUNCTION* pDraw;
  SPLIT_WINDOW_TYPE eSplit;
  S32 percent;
  BOOLEAN bHorizontal;
  BOOLEAN bShown;
  FOURCHARID display;  // the key that shows or hides it; 0 for none
  U32 user;
  const char* const* pSimString;
  const char* const* pPOSString;
};
// The main nodes in drawing order, each with its further panes after it.
std::vector<std::vector<NODE>> Layers(void);

// One step of a frame: a node's draw function in its window, or the mark of
// the active pane.
struct PIECE {
  NODE node;
  WINDOW_SPECIFICATION window;
  bool bMark;
  std::string name;
};
// The steps of a frame of the view as the view task takes them: its panes,
// the mark of the active one, then every later layer for the view or for all.
std::vector<PIECE> Frame(LAYER_ID view, SPLIT_WINDOW_TYPE active);
void Draw(BITMAP* pPage, const PIECE& piece);

}  // namespace screens
