// The navigation task's AIS sub-menu opens the overlays' AIS screens and is
// put up once.

#include <string>

#include "h_database.h"
#include "h_memory.h"
#include "linuxsvc.h"
#include "overlay_test.h"
#include "t_menuvalue.h"
#include "u_language.h"
#include "t_nav_views.h"
#include "u_menu.h"
#include "ui_texts.h"

namespace {

using ot::Click;
using ot::Key;

class AisLimits : public ot::OverlayTest {};

TEST_F(AisLimits, TheAisSubMenuOpensTheScreensAndIsPutUpOnce) {
  T_NAV_vSetupAISMenuItems();
  // Put up once for the program's life: a run after the first finds no
  // request and takes what the first one saw.
  static MENU_ACTION s_pfLimits = nullptr;
  static MENU_ACTION s_pfList = nullptr;
  static MENU_VALUE s_courseLine = {};
  while (void* p = L_MBOX_Receive(M_MENU)) {
    const MSG_MENU_REQUEST* r = (const MSG_MENU_REQUEST*)p;
    if (r->pItemName == Target_Course_Line) {
      s_courseLine = {MENU_ITEM_SLIDER, r->FourCharId, 0, nullptr, nullptr, r->pControlTextLeft, r->pControlTextRight,
                      r->pValueSuffix, r->u8LimitCount, 0, {}, {}};
      for (U32 i = 0; i < r->u8LimitCount && i < MENU_MAX_LIMITS; i++) s_courseLine.aLimits[i] = r->aLimits[i];
    }
    if (r->pItemName == CPA_Limits && r->pContainerName == AIS) s_pfLimits = r->action.p2Function;
    if (r->pItemName == Target_List && r->pContainerName == AIS) s_pfList = r->action.p2Function;
    H_MEMORY_vDumpMail(p);
  }
  const MENU_ACTION pfLimits = s_pfLimits;
  const MENU_ACTION pfList = s_pfList;
  ASSERT_NE(nullptr, pfLimits);
  ASSERT_NE(nullptr, pfList);
  // The course line's row says its length is in minutes, at the end too.
  const MENU_VALUE& courseLine = s_courseLine;
  ASSERT_TRUE(courseLine.key != 0);
  for (const auto& [seconds, shown] : {std::pair{300, "5:00min"}, std::pair{3600, "60:00min"}}) {
    H_DATABASE_bUpdateEverythingS32(FCID("STCL"), seconds, P_NORMAL, D_TIME, nullptr, DB_NEVER_STALE);
    char text[MENU_VALUE_TEXT] = {};
    MENU_CHOICE_POSITION ePosition;
    float fFraction = 0;
    T_MENUVALUE_vShow(&courseLine, FALSE, LANGUAGE_ENGLISH, text, sizeof text, &ePosition, &fFraction);
    EXPECT_STREQ(shown, text);
  }
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
