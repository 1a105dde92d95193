// The overlays over a fresh, empty store of their own, with the view and
// keyboard tasks as mailboxes whose mail the tests read.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "t_nav_edit_int.h"

namespace ot {

class OverlayTest : public ::testing::Test {
 protected:
  std::string m_root;
  void SetUp() override;
  void TearDown() override;
};

// "+304" / "-304" for the layer, "+K FFEF" / "-K FFFE" for keys, since the
// last call.
std::vector<std::string> Mail(void);
// A key-down of the open overlay; TRUE when it was taken.
BOOLEAN Key(U32 key, CURSOR_POSITION cursor = CURSOR_UP, U32 count = 1);
inline BOOLEAN Pad(CURSOR_POSITION cursor, U32 count = 1) { return Key(HKEY_MASK_CURSOR, cursor, count); }
// The clicks signalled since the last call: +1 accepted, -1 refused, 0 none.
int Click(void);
U32 Setting(const char (&pcKey)[5]);
void Set(const char (&pcKey)[5], U32 value);
// A saved waypoint written straight into slot u32Slot (no file).
void PutWaypoint(U32 u32Slot, const char* pcName, S32 x, S32 y, U32 u32DateTime);
// The full screen as the layer leaves it on black.
std::vector<COLOR> Picture(void (*pfRender)(BITMAP*, WINDOW_SPECIFICATION_POINTER) = T_NAV_EDIT_vRender);
::testing::AssertionResult MatchesGolden(const std::string& name, const std::vector<COLOR>& picture);

}  // namespace ot
