// The popup menus (walking, fitting, running a leaf), the confirmation
// callbacks, corrupt stores that must neither hang nor overflow a stack,
// concurrent use from the three tasks, and the frame's pictures.

#include <atomic>

#include "g_fonts.h"
#include "g_string.h"
#include "golden.h"
#include "test_tasks.h"
#include "ui_texts.h"
#include "wptmgr_rig.h"

namespace {


GROUP_MGR_MENU_ITEM* Highlighted(GROUP_MGR_MENU_ITEM* level) {
  for (int depth = 0; level != nullptr && depth < 8; depth++) {
    GROUP_MGR_MENU_ITEM* p = level;
    while (p != nullptr && p->status == GROUP_MGR_MENU_ITEM_STATE_IDLE) p = p->next;
    if (p == nullptr || p->status == GROUP_MGR_MENU_ITEM_STATE_HIGHLIGHTED) return p;
    level = p->first_child;
  }
  return nullptr;
}

const POPUP_MENU_WINDOW* Menu() { return (const POPUP_MENU_WINDOW*)g_WPM.pPopupWindow; }

TEST_F(Wpm, MenusWrapExpandCollapseAndALeafRunsItsAction) {
  const U16 g = Group("Grp");
  Waypoint("Inside", g);
  T_NAV_GROUP_vSetup();
  g_WPM.eInputState = STATE_OPTIONS_MENU;
  Click();
  ASSERT_TRUE(Cursor(CURSOR_EAST));
  ASSERT_NE(nullptr, Menu());
  GROUP_MGR_MENU_ITEM* top = Menu()->pMenu;
  EXPECT_EQ(top, Highlighted(top));
  EXPECT_EQ(1, Click());
  Cursor(CURSOR_NORTH);
  EXPECT_EQ(top + 4, Highlighted(top)) << "up from the first wraps to the last";
  Cursor(CURSOR_SOUTH);
  EXPECT_EQ(top, Highlighted(top)) << "down from the last wraps to the first";
  Cursor(CURSOR_EAST);
  EXPECT_EQ(GROUP_MGR_MENU_ITEM_STATE_EXPANDED, top->status);
  EXPECT_EQ(top->first_child, Highlighted(top));
  Cursor(CURSOR_WEST);
  EXPECT_EQ(top, Highlighted(top)) << "left collapses";
  Cursor(CURSOR_WEST);
  EXPECT_EQ(nullptr, g_WPM.pPopupWindow) << "left at the top closes";
  EXPECT_EQ(GROUP_MGR_MENU_ITEM_STATE_IDLE, top->status);

  // The group's menu: "Open" enters it.
  g_WPM.eInputState = STATE_ITEM_LIST;
  g_WPM.u16HighlightIndex = 0;
  Cursor(CURSOR_EAST);
  ASSERT_NE(nullptr, Menu());
  Click();
  Cursor(CURSOR_EAST);
  EXPECT_EQ(nullptr, g_WPM.pPopupWindow);
  EXPECT_EQ(g, g_WPM.u16CurrentGroupID);
  EXPECT_EQ(1, Click());

  // A one-entry level refuses up and down.
  static GROUP_MGR_MENU_ITEM s_alone = {GROUP_MGR_MENU_ITEM_STATE_IDLE, Open, nullptr, nullptr, nullptr,
                                        nullptr, nullptr};
  WPM_vOpenMenu(&s_alone, {100, 300});
  Click();
  Cursor(CURSOR_NORTH);
  EXPECT_EQ(-1, Click());
  Cursor(CURSOR_SOUTH);
  EXPECT_EQ(-1, Click());
  EXPECT_TRUE(Key(HKEY_MASK_EXIT));
  EXPECT_EQ(nullptr, g_WPM.pPopupWindow);
}

TEST_F(Wpm, MenuBoxesAreAtLeast210WideAndStayOnTheScreen) {
  static GROUP_MGR_MENU_ITEM s_short = {GROUP_MGR_MENU_ITEM_STATE_IDLE, Open, nullptr, nullptr, nullptr, nullptr,
                                        nullptr};
  S32 x0, y0, w, h;
  WPM_vMenuBox(&s_short, {100, 300}, &x0, &y0, &w, &h);
  EXPECT_EQ(210, w);
  EXPECT_EQ(41, h);
  EXPECT_EQ(101, x0);
  EXPECT_EQ(300 - 39 - 1, y0);
  // A long label: its width and margins, 32 more for the box.
  static GROUP_MGR_MENU_ITEM s_long = {GROUP_MGR_MENU_ITEM_STATE_IDLE, Only_groups_can_be_set_as_the_default,
                                       nullptr, nullptr, nullptr, nullptr, nullptr};
  WPM_vMenuBox(&s_long, {100, 300}, &x0, &y0, &w, &h);
  EXPECT_GT(w, 210);
  const S32 label = (S32)G_STRING_u32GetWidth(myriad_pro_size17_font_def_ptr,
                                              (const BYTE*)Only_groups_can_be_set_as_the_default[0]);
  EXPECT_GT(w, label + 32);
  EXPECT_LT(w, label + 32 + 30);
  // Near the right edge the box ends at pixel 799; near the bottom it moves up.
  WPM_vMenuBox(&s_short, {700, 20}, &x0, &y0, &w, &h);
  EXPECT_EQ(799, x0 + w - 1);
  EXPECT_GE(y0, 0);
}

TEST_F(Wpm, ConfirmationCallbacksRunOnceUnderTheLock) {
  static std::atomic<int> s_runs{0};
  s_runs = 0;
  g_WPM.pfnConfYes = [] {
    EXPECT_EQ(MESSAGEBOXTASK, L_MUTEX_GetOwnerTaskID(RES_NAV_DATA));
    s_runs++;
  };
  ASSERT_EQ(0, TEST_StartTask(MESSAGEBOXTASK, [] {
    T_NAV_GROUP_vNavConfYes();
    T_NAV_GROUP_vNavConfYes();
    T_NAV_GROUP_vNavConfNo();
  }));
  ASSERT_TRUE(TEST_bJoinTask(MESSAGEBOXTASK));
  EXPECT_EQ(1, s_runs.load()) << "a Yes already run does nothing";
}

// Corrupt trees: the render falls back and nothing loops.
TEST_F(Wpm, CorruptStoresNeitherHangNorOverflowAndTheRenderFallsBack) {
  const U16 a = Group("A"), b = Group("B", a), c = Group("C", b);
  for (int i = 0; i < 30; i++) Waypoint("P", c, i, i);
  // C's three bodies loop (the last leads back to the first), and C links
  // A: a group cycle under the root, as an import could bring.
  GROUP_SLOT* pc = T_NAV_pGetGroupSlot(c);
  const U16 first = pc->sHeader.u16FirstBodyIndex;
  U16 last = first;
  for (int i = 0; i < 5 && T_NAV_pGetGroupSlot(last)->sBody.u16NextIndex != 0xFFFF; i++) {
    last = T_NAV_pGetGroupSlot(last)->sBody.u16NextIndex;
  }
  ASSERT_NE(first, last);
  T_NAV_pGetGroupSlot(last)->sBody.u16NextIndex = first;
  T_NAV_pGetGroupSlot(last)->sBody.u16Item[11] = a;

  T_NAV_GROUP_vSetup();
  T_NAV_GROUP_bEnterGroup(c, 0xFFFF);
  EXPECT_EQ(31u, g_WPM.u16ListCount) << "each link once, the loop walked once";
  T_NAV_GROUP_bEnterGroup(kWpmRoot, a);  // the preview gathers A, B, C, A...
  EXPECT_EQ(30u, g_WPM.u16PreviewCount);
  EXPECT_EQ(0xFFFF, T_NAV_pGetGroupSlot(last)->sBody.u16NextIndex) << "the loop was cut where it was met";
  double d;
  Boat(10, 10);
  EXPECT_TRUE(T_NAV_GROUP_bCalGroupDistance(a, &d));

  // A parent cycle: B and C name each other, cut off from the root.
  T_NAV_pGetGroupSlot(b)->sHeader.u16ParentIndex = c;
  T_NAV_pGetGroupSlot(c)->sHeader.u16ParentIndex = b;
  T_NAV_GROUP_DATA_bSetDefaultGroup(b);
  g_WPM.u16CurrentGroupID = c;
  Picture();
  EXPECT_EQ(kWpmRoot, g_WPM.u16CurrentGroupID) << "neither C nor the default B reach the root";
  EXPECT_EQ(kWpmRoot, T_NAV_GROUP_DATA_nGetDefaultGroup());
  // The default group, when it still hangs under the root, comes first.
  T_NAV_GROUP_DATA_bSetDefaultGroup(a);
  g_WPM.u16CurrentGroupID = c;
  g_WPM.eInputState = STATE_OPTIONS_MENU;
  Picture();
  EXPECT_EQ(a, g_WPM.u16CurrentGroupID);
  EXPECT_EQ(0xFFFF, g_WPM.u16HighlightIndex);
}

TEST_F(Wpm, KeysNoticesRendersAndCallbacksMayRunTogether) {
  for (int i = 0; i < 20; i++) Waypoint("S", kWpmRoot, i, i);
  Group("G");
  T_NAV_GROUP_vSetup();
  std::atomic<bool> stop{false};
  // The view and message-box tasks as the unit runs them: mutex 9 is a
  // task's lock.
  ASSERT_EQ(0, TEST_StartTask(VIEWTASK, [&] {
    while (!stop) Picture();
  }));
  ASSERT_EQ(0, TEST_StartTask(MESSAGEBOXTASK, [&] {
    while (!stop) {
      L_MUTEX_LockWait(RES_NAV_DATA);
      g_WPM.pfnConfYes = [] { T_NAV_GROUP_vSetNavUIRawNoteWithTimeout("x", 2); };
      L_MUTEX_Unlock(RES_NAV_DATA);
      T_NAV_GROUP_vNavConfYes();
    }
  }));
  static const CURSOR_POSITION s_keys[] = {CURSOR_SOUTH, CURSOR_SOUTH, CURSOR_NORTH, CURSOR_EAST, CURSOR_WEST,
                                           CURSOR_NORTH, CURSOR_WEST, CURSOR_SOUTH};
  MESSAGE_NEW_DATA m = {};
  m.Header.Cmd = CMD_ID_NEW_DATA;
  m.FourCharId = FCID("CLWC");
  for (int i = 0; i < 400; i++) {
    Cursor(s_keys[i % 8]);
    if (i % 5 == 0) Key(HKEY_MASK_EXIT);
    m.dbValue.s32Val = i % 20;
    T_NAV_GROUP_vHandleNewData(&m);
    T_NAV_vHandleUpdateNAVUITimer();
    if (!T_NAV_GROUP_bIsWPMWindowUp()) {
      T_NAV_GROUP_vSetup();
      Registrations();
    }
  }
  stop = true;
  EXPECT_TRUE(TEST_bJoinTask(VIEWTASK));
  EXPECT_TRUE(TEST_bJoinTask(MESSAGEBOXTASK));
  Registrations();
}

TEST_F(Wpm, TheFrameWithAndWithoutADataBarAndTheOpenItemMenuMatchTheirPictures) {
  const U16 g = Group("Harbour");
  Waypoint("Buoy", g, 1000, 2000, 0x5F5E1000, 4);
  Waypoint("Reef", kWpmRoot, 3000, 2500);
  Route("Out", kWpmRoot, {});
  T_NAV_GROUP_vSetup();
  H_DATABASE_bUpdateEverythingU32(FCID("SIPF"), 0, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  // The info pane's dates are local time: keep the zone fixed.
  H_DATABASE_bUpdateEverythingS32(FCID("SLTZ"), 0, P_NORMAL, D_SIGNED32, nullptr, DB_NEVER_STALE);
  Cursor(CURSOR_SOUTH);
  const std::vector<COLOR> frame = Picture();
  const GOLDEN_PICTURE p = {frame.data(), G_SCREEN_WIDTH, G_SCREEN_HEIGHT, G_SCREEN_WIDTH};
  EXPECT_TRUE(GOLDEN_Match(WPTMGR_GOLDEN_DIR "/frame.png", p));
  // Behind a data bar (300 pixels in the big-digits view) the frame starts
  // at its edge.
  H_DATABASE_bUpdateEverythingS32(FCID("CVEW"), ZOLT_DIGIT_VIEW_PRIORITY, P_NORMAL, D_SIGNED32, nullptr,
                                  DB_NEVER_STALE);
  const std::vector<COLOR> bar = Picture();
  EXPECT_EQ(0u, g_WPM.u32XOriginOffset);
  const GOLDEN_PICTURE b = {bar.data(), G_SCREEN_WIDTH, G_SCREEN_HEIGHT, G_SCREEN_WIDTH};
  EXPECT_TRUE(GOLDEN_Match(WPTMGR_GOLDEN_DIR "/frame_data_bar.png", b));
  H_DATABASE_bUpdateValueS32(FCID("CVEW"), 0, P_NORMAL);
  Cursor(CURSOR_EAST);
  ASSERT_NE(nullptr, Menu());
  const std::vector<COLOR> menu = Picture();
  const GOLDEN_PICTURE q = {menu.data(), G_SCREEN_WIDTH, G_SCREEN_HEIGHT, G_SCREEN_WIDTH};
  EXPECT_TRUE(GOLDEN_Match(WPTMGR_GOLDEN_DIR "/item_menu.png", q));
}

}  // namespace
