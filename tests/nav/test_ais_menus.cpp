// The navigation task's AIS sub-menu opens the overlays' AIS screens and is
// put up once.

#include "h_memory.h"
#include "linuxsvc.h"
#include "overlay_test.h"
#include "t_nav_views.h"
#include "u_menu.h"
#include "ui_texts.h"

namespace {

using ot::Click;
using ot::Key;

class AisLimits : public ot::OverlayTest {};

TEST_F(AisLimits, TheAisSubMenuOpensTheScreensAndIsPutUpOnce) {
  T_NAV_vSetupAISMenuItems();
  MENU_ACTION pfLimits = nullptr;
  MENU_ACTION pfList = nullptr;
  while (void* p = L_MBOX_Receive(M_MENU)) {
    const MSG_MENU_REQUEST* r = (const MSG_MENU_REQUEST*)p;
    if (r->pItemName == CPA_Limits && r->pContainerName == AIS) pfLimits = r->action.p2Function;
    if (r->pItemName == Target_List && r->pContainerName == AIS) pfList = r->action.p2Function;
    H_MEMORY_vDumpMail(p);
  }
  ASSERT_NE(nullptr, pfLimits);
  ASSERT_NE(nullptr, pfList);
  EXPECT_TRUE(T_NAV_bIsAISAvailable());
  pfLimits();
  EXPECT_EQ(NAV_EDIT_AIS_CPA_LIMIT, T_NAV_EDIT_eState());
  Key(HKEY_MASK_EXIT);
  Click();
  pfList();  // AIS off: refused
  EXPECT_EQ(NAV_EDIT_NONE, T_NAV_EDIT_eState());
  EXPECT_EQ(-1, Click());
  T_NAV_vSetupAISMenuItems();
  EXPECT_EQ(nullptr, L_MBOX_Receive(M_MENU));
}

}  // namespace
