// Express menus: the two panes of a split view, and the views-selection menu
// a held VIEW opens.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gui.h"
#include "h_database.h"
#include "h_keyboard.h"
#include "menu_rig.h"
#include "t_view.h"
#include "u_keyboard.h"
#include "u_view.h"

namespace {

MT_TEXT(kLeftOnly, "Left Only");
MT_TEXT(kMark, "Mark");

void DrawNothing(BITMAP*, WINDOW_SPECIFICATION_POINTER) {}
void Nothing() {}

class MenuExpress : public MenuTest {
 protected:
  // A view registered with its display key, taken away again afterwards.
  void View(LAYER_ID layer, FOURCHARID display, SPLIT_WINDOW_TYPE eSplit = SPLIT_FULL_WINDOW, FOURCHARID split = 0) {
    if (H_DATABASE_bFetch(display, nullptr, nullptr, nullptr) == FALSE) Key(display, TRUE);
    ASSERT_TRUE(UI_bRegister({layer, DrawNothing, USED_BY_NONE, display, eSplit, split}));
    Undo([layer, eSplit] { U_VIEW_bUnRegisterLayerSplit(layer, eSplit); });
  }
};

TEST_F(MenuExpress, EachPaneOfASplitViewHasItsOwnExpressMenuAndActivePaneWalksBetweenThem) {
  constexpr LAYER_ID kSplit = (LAYER_ID)50;
  Key(FCID("SZCO"), 50);
  View(kSplit, FCID("SVCO"), SPLIT_LEFT_WINDOW, FCID("SZCO"));
  View(kSplit, FCID("SVCO"), SPLIT_RIGHT_WINDOW, FCID("SZCO"));
  ASSERT_TRUE(U_MENU_bRegisterHotActionMenu(kLeftOnly, nullptr, 20, Nothing, FALSE, M_BASIC, kSplit, SPLIT_LEFT_WINDOW));
  Undo([] { U_MENU_bUnregisterHotMenuItem(kLeftOnly, kSplit, SPLIT_LEFT_WINDOW); });
  Undo([] { H_DATABASE_bUpdateValueS32(FCID("CVAS"), SPLIT_RIGHT_WINDOW, P_NORMAL); });
  H_DATABASE_bUpdateValueS32(FCID("CVAS"), SPLIT_RIGHT_WINDOW, P_NORMAL);
  H_DATABASE_bUpdateValueS32(FCID("CVEW"), kSplit, P_NORMAL);
  ASSERT_TRUE(UI_bWaitFor([] { return T_VIEW_eCurrentLayer() == kSplit; }));

  ASSERT_EQ(1, MT_nKey(UI_MENU));
  EXPECT_EQ(EXPRESS_MENU, MT_u32Cmnu());
  EXPECT_EQ((U32)kSplit, T_MENU_u32GetHotMenuView());
  EXPECT_EQ((std::vector<std::string>{"Active Pane", "Split Position"}), MT_Labels());
  MT_nKey(UI_SOUTH);
  EXPECT_EQ(1, MT_nKey(UI_EAST));
  EXPECT_EQ(60u, MT_u32Fetch(FCID("SZCO")));
  MT_vKeys({UI_EAST, UI_EAST});
  EXPECT_EQ(80u, MT_u32Fetch(FCID("SZCO")));
  EXPECT_EQ(-1, MT_nKey(UI_EAST)) << "at the end of its range";
  MT_nKey(UI_NORTH);
  EXPECT_EQ(1, MT_nKey(UI_WEST));
  EXPECT_EQ((U32)SPLIT_LEFT_WINDOW, MT_u32Fetch(FCID("CVAS")));
  EXPECT_EQ((std::vector<std::string>{"Active Pane", "Split Position", "Left Only"}), MT_Labels())
      << "the left pane's own menu";
  EXPECT_EQ("Active Pane", MT_Selected());
  EXPECT_EQ(1, MT_nKey(UI_MENU));
  EXPECT_EQ(MAIN_MENU, MT_u32Cmnu());
  EXPECT_EQ(1, MT_nKey(UI_MENU));
  EXPECT_EQ(NO_MENU, MT_u32Cmnu());
  EXPECT_EQ((U32)NO_VIEW_PRIORITY, T_MENU_u32GetHotMenuView());
}

TEST_F(MenuExpress, HoldingViewOpensTheViewsSelectionWithoutItemsForAllViewsAndAChoiceShowsThatView) {
  View(ZOLT_DIGIT_VIEW_PRIORITY, FCID("SVBD"));
  View(SONAR_ZOOM_VIEW_PRIORITY, FCID("SVSZ"));
  ASSERT_TRUE(U_MENU_bRegisterHotActionMenu(kMark, nullptr, 1, Nothing, FALSE, M_BASIC, USED_BY_ALL, SPLIT_FULL_WINDOW));
  Undo([] { U_MENU_bUnregisterHotMenuItem(kMark, USED_BY_ALL, SPLIT_FULL_WINDOW); });
  // The view-key task's keys, as it takes them when the system runs.
  ASSERT_TRUE(U_KEYBOARD_bRegisterKeys(M_VIEWKEY, HKEY_MASK_VIEW | HKEY_MASK_EXIT, KEY_CHANGE, FALSE, FALSE,
                                       NOT_CURSOR_KEY, REGISTER_EXCLUSIVE));
  Undo([] {
    U_KEYBOARD_bUnregisterKeys(M_VIEWKEY, HKEY_MASK_VIEW | HKEY_MASK_EXIT);
    GUI_vUnRegisterSelectViewMenu();
  });
  MT_vSync();

  // Held until the menu opens (a second at least), then let go.
  UI_vKey(UI_VIEW, 1);
  EXPECT_TRUE(UI_bWaitFor([] { return MT_u32Cmnu() == EXPRESS_MENU; }, 3000));
  // The menu opened after the last look at the keyboard task: its hold on the
  // keys must reach that task before the release does.
  MT_vSync();
  UI_vKey(UI_VIEW, 0);
  EXPECT_TRUE(UI_bWaitFor([] { return !H_KEYBOARD_bIsDown(HKEY_VIEW); })) << "the release taken";
  MT_vSync();
  EXPECT_EQ(EXPRESS_MENU, MT_u32Cmnu());
  EXPECT_EQ((U32)VIRTUAL_DISPLAY_VIEW_LAYER, T_MENU_u32GetHotMenuView());
  EXPECT_EQ(SONAR_VIEW_PRIORITY, U_VIEW_eCurrentView()) << "the release went to the menu";
  EXPECT_EQ((std::vector<std::string>{"Sonar"}), MT_Labels()) << "no Mark, and System has no view";
  EXPECT_EQ(1, MT_nKey(UI_EAST));
  EXPECT_EQ(EXPRESS_SUB_MENU, MT_u32Cmnu());
  EXPECT_EQ((std::vector<std::string>{"Big Digits View", "Sonar Zoom View"}), MT_Labels());
  MT_vKeys({UI_SOUTH, UI_EAST});
  EXPECT_TRUE(UI_bWaitFor([] { return T_VIEW_eCurrentLayer() == SONAR_ZOOM_VIEW_PRIORITY; }));
  EXPECT_EQ(NO_MENU, MT_u32Cmnu());

  ASSERT_EQ(1, MT_nKey(UI_MENU));
  EXPECT_EQ((std::vector<std::string>{"Mark"}), MT_Labels()) << "a real view's express menu has it";
}

}  // namespace
