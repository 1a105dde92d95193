// The view task's list of layers: drawing order, refused registrations,
// split panes, hidden views and the choice of the next view.

#include <gtest/gtest.h>

#include <vector>

#include "h_database.h"
#include "h_memory.h"
#include "t_view.h"
#include "u_view.h"
#include "ui_frame.h"
#include "ui_texts.h"
#include "test_keys.h"

namespace {

void DrawA(BITMAP*, WINDOW_SPECIFICATION_POINTER) {}
void DrawB(BITMAP*, WINDOW_SPECIFICATION_POINTER) {}

bool Register(LAYER_ID layer, SPLIT_WINDOW_TYPE eSplit = SPLIT_FULL_WINDOW, FOURCHARID splitKey = 0,
              DRAW_FUNCTION* pDraw = DrawA, FOURCHARID displayKey = 0, LAYER_ID whereUsed = USED_BY_NONE) {
  UI_LAYER l = {layer, pDraw, whereUsed, displayKey, eSplit, splitKey};
  return UI_bRegister(l);
}

bool Unregister(LAYER_ID layer, SPLIT_WINDOW_TYPE eSplit = SPLIT_FULL_WINDOW) {
  MSG_UNREGISTER_LAYER msg = {};
  msg.header.Cmd = CMD_ID_UNREGISTER_LAYER;
  msg.layer = layer;
  msg.eLocation = eSplit;
  EXPECT_TRUE(UI_bSendAcked(M_VIEW, &msg));
  return msg.flag;
}

struct NODE {
  LAYER_ID layer;
  std::vector<SPLIT_WINDOW_TYPE> panes;
  std::vector<LAYER_ID> nextOfPanes;
  BOOLEAN bShown;
  DRAW_FUNCTION* pDraw;
};

std::vector<NODE> List() {
  std::vector<NODE> nodes;
  L_MUTEX_LockWait(RES_VIEW_LIST);
  for (const LAYER_ITEM* p = T_VIEW_psFirstLayer(); p != nullptr; p = p->next) {
    NODE node = {p->layer, {}, {}, p->bCurrentDisplayMode, p->pDrawFunction};
    for (const LAYER_ITEM* q = p; q != nullptr; q = q->pSplit) {
      node.panes.push_back(q->eSplit);
      node.nextOfPanes.push_back(q->next != nullptr ? q->next->layer : NO_VIEW_PRIORITY);
    }
    nodes.push_back(node);
  }
  L_MUTEX_Unlock(RES_VIEW_LIST);
  return nodes;
}

std::vector<LAYER_ID> Layers() {
  std::vector<LAYER_ID> layers;
  for (const NODE& n : List()) layers.push_back(n.layer);
  return layers;
}

class Layers_ : public ::testing::Test {
 protected:
  TEST_OWN_KEYS m_ownKeys;
  void SetUp() override {
    UI_vStart();
    UI_vReset();
  }
  void TearDown() override { UI_vReset(); }
};

TEST_F(Layers_, LayersRegisteredOutOfOrderAreKeptInDrawingOrder) {
  for (LAYER_ID layer : {(LAYER_ID)300, SONAR_VIEW_PRIORITY, (LAYER_ID)240}) {
    ASSERT_TRUE(U_VIEW_bRegisterLayer(DrawA, layer, USED_BY_ALL, 0, 0, TRUE, nullptr, nullptr, nullptr));
  }
  ASSERT_TRUE(UI_bWaitFor([] { return Layers().size() == 3; }));
  EXPECT_EQ((std::vector<LAYER_ID>{SONAR_VIEW_PRIORITY, (LAYER_ID)240, (LAYER_ID)300}), Layers());
}

TEST_F(Layers_, ASecondFullWindowRegistrationOfALayerIsRefusedAndTheFirstStays) {
  EXPECT_TRUE(Register(CHART_VIEW_PRIORITY, SPLIT_FULL_WINDOW, 0, DrawA));
  EXPECT_FALSE(Register(CHART_VIEW_PRIORITY, SPLIT_FULL_WINDOW, 0, DrawB));
  EXPECT_FALSE(Register(CHART_VIEW_PRIORITY, SPLIT_LEFT_WINDOW, FCID("SQS1"), DrawB)) << "a pane of a full screen";
  std::vector<NODE> nodes = List();
  ASSERT_EQ(1u, nodes.size());
  EXPECT_EQ(DrawA, nodes[0].pDraw);
  EXPECT_EQ(1u, nodes[0].panes.size());
}

TEST_F(Layers_, SplitPanesChainUnderOneMainNodeAndTheRightPaneTakesOverWhenTheLeftGoes) {
  H_DATABASE_bUpdateEverythingS32(FCID("SQS1"), 40, P_NORMAL, D_SIGNED32, nullptr, DB_NEVER_STALE);
  const LAYER_ID split = SI_ON_TOP_AND_DI_ON_BOTTOM_VIEW_PRIORITY;
  ASSERT_TRUE(Register(SONAR_VIEW_PRIORITY));
  ASSERT_TRUE(Register((LAYER_ID)240));
  EXPECT_TRUE(Register(split, SPLIT_LEFT_WINDOW, FCID("SQS1")));
  EXPECT_TRUE(Register(split, SPLIT_RIGHT_WINDOW, FCID("SQS1")));
  EXPECT_FALSE(Register(split, SPLIT_RIGHT_WINDOW, FCID("SQS1"))) << "the same pane twice";
  EXPECT_FALSE(Register(split, SPLIT_QUICK_WINDOW, FCID("SQS2"))) << "another split key";

  std::vector<NODE> nodes = List();
  ASSERT_EQ(3u, nodes.size());
  EXPECT_EQ(split, nodes[1].layer);
  EXPECT_EQ((std::vector<SPLIT_WINDOW_TYPE>{SPLIT_LEFT_WINDOW, SPLIT_RIGHT_WINDOW}), nodes[1].panes);
  EXPECT_EQ((std::vector<LAYER_ID>{(LAYER_ID)240, (LAYER_ID)240}), nodes[1].nextOfPanes);
  // Each pane gets its express menu, the active-pane selector and the divider slider.
  EXPECT_EQ((std::vector<CMD_ID>{CMD_ID_REGISTER_HOT_MENU, CMD_ID_REGISTER_MENU_ITEM, CMD_ID_REGISTER_MENU_ITEM,
                                 CMD_ID_REGISTER_HOT_MENU, CMD_ID_REGISTER_MENU_ITEM, CMD_ID_REGISTER_MENU_ITEM}),
            UI_MenuRequests());

  EXPECT_TRUE(Unregister(split, SPLIT_LEFT_WINDOW));
  nodes = List();
  ASSERT_EQ(3u, nodes.size());
  EXPECT_EQ(split, nodes[0].nextOfPanes[0]) << "the predecessor links the remaining pane";
  EXPECT_EQ((std::vector<SPLIT_WINDOW_TYPE>{SPLIT_RIGHT_WINDOW}), nodes[1].panes);
  EXPECT_EQ((LAYER_ID)240, nodes[1].nextOfPanes[0]);
  EXPECT_EQ((std::vector<CMD_ID>{CMD_ID_UNREGISTER_MENU_ITEM, CMD_ID_UNREGISTER_MENU_ITEM}), UI_MenuRequests());
  EXPECT_FALSE(Unregister(split, SPLIT_LEFT_WINDOW)) << "nothing left to remove";

  // The flasher splits keep their divider where it is: no slider.
  EXPECT_TRUE(Register(SONAR_2D_PLUS_FLASHER_ICE_PRIORITY, SPLIT_LEFT_WINDOW, FCID("SQS1")));
  EXPECT_EQ((std::vector<CMD_ID>{CMD_ID_REGISTER_HOT_MENU, CMD_ID_REGISTER_MENU_ITEM}), UI_MenuRequests());
}

TEST_F(Layers_, AHiddenViewStaysListedAndItsKeyShowsItAgainWithoutANewRegistration) {
  H_DATABASE_bUpdateEverythingBoolean(FCID("SVQ1"), FALSE, P_NORMAL, D_UNKNOWN, Sonar, DB_NEVER_STALE);
  ASSERT_TRUE(Register(SONAR_ZOOM_VIEW_PRIORITY, SPLIT_FULL_WINDOW, 0, DrawA, FCID("SVQ1")));
  EXPECT_TRUE(T_VIEW_bIsLayerActive(SONAR_ZOOM_VIEW_PRIORITY));
  EXPECT_FALSE(List()[0].bShown);
  EXPECT_EQ((std::vector<CMD_ID>{CMD_ID_REGISTER_MENU_ITEM}), UI_MenuRequests()) << "offered on the Views tab";
  H_DATABASE_bUpdateValueBoolean(FCID("SVQ1"), TRUE, P_NORMAL);
  EXPECT_TRUE(UI_bWaitFor([] { return List()[0].bShown; }));
  // The script player finds it by its name in capitals.
  EXPECT_EQ(SONAR_ZOOM_VIEW_PRIORITY, T_VIEW_GetSelectableView("SONAR"));
  EXPECT_EQ(UNKNOWN_VIEW, T_VIEW_GetSelectableView("Sonar"));
}

TEST_F(Layers_, RemovingTheCurrentViewMovesToTheNextShownViewAndWithNoneLeftToMinusTwo) {
  ASSERT_TRUE(Register(SONAR_VIEW_PRIORITY));
  ASSERT_TRUE(Register(CHART_VIEW_PRIORITY));
  ASSERT_TRUE(Register(MESSAGEBOX_LAYER, SPLIT_FULL_WINDOW, 0, DrawA, 0, USED_BY_ALL));
  H_DATABASE_bUpdateValueS32(FCID("CVEW"), SONAR_VIEW_PRIORITY, P_NORMAL);
  ASSERT_TRUE(UI_bWaitFor([] { return T_VIEW_eCurrentLayer() == SONAR_VIEW_PRIORITY; }));
  EXPECT_TRUE(Unregister(SONAR_VIEW_PRIORITY));
  EXPECT_TRUE(UI_bWaitFor([] { return U_VIEW_eCurrentView() == CHART_VIEW_PRIORITY; }));
  EXPECT_TRUE(UI_bWaitFor([] { return T_VIEW_eCurrentLayer() == CHART_VIEW_PRIORITY; }));
  EXPECT_TRUE(Unregister(CHART_VIEW_PRIORITY));
  EXPECT_TRUE(UI_bWaitFor([] { return U_VIEW_eCurrentView() == NO_VIEW_PRIORITY; })) << "an overlay is no view";
}

TEST_F(Layers_, ClientsSendNothingWithoutTheViewTaskAndTheViewIsMinusTwoWithoutCVEW) {
  H_DATABASE_vDeleteEntry(FCID("TVUE"));
  EXPECT_FALSE(U_VIEW_bRegisterLayer(DrawA, SONAR_VIEW_PRIORITY, USED_BY_NONE, 0, 0, TRUE, nullptr, nullptr, nullptr));
  EXPECT_FALSE(U_VIEW_bUnRegisterLayer(SONAR_VIEW_PRIORITY));
  H_DATABASE_bUpdateEverythingU32(FCID("TVUE"), (U32)M_VIEW, P_NORMAL, D_MAILBOX, nullptr, DB_NEVER_STALE);
  H_DATABASE_vDeleteEntry(FCID("CVEW"));
  H_DATABASE_vDeleteEntry(FCID("CVAS"));
  EXPECT_EQ(NO_VIEW_PRIORITY, U_VIEW_eCurrentView());
  EXPECT_EQ(NO_SPLIT_WINDOW, U_VIEW_eCurrentSplit());
  H_DATABASE_bUpdateValueS32(FCID("CVAS"), SPLIT_RIGHT_WINDOW, P_NORMAL);
}

}  // namespace
