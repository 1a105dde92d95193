// The AIS sub-menu of the accessories tab: target tracking on or off, the
// limits editor, the target list and the course line length. The NMEA task
// puts it up once, at the first AIS sentence it reads.

#include <atomic>

#include "u_menu.h"
#include "u_nav_edit.h"
#include "ui_texts.h"

static std::atomic<bool> s_bAISMenusRegistered{false};

void T_NAV_vSetupAISMenuItems(void) {
  if (s_bAISMenusRegistered.exchange(true)) return;
  static const MENU_TEXT s_apNames[] = {AIS};
  U_MENU_bRegisterMainSubMenu(AIS, Accessories, 626, s_apNames, s_apNames, nullptr, 1, M_BASIC);
  static const MENU_TEXT s_apOnOff[] = {Off, On};
  static const U32 s_au32OnOff[] = {0, 1};
  U_MENU_bRegisterSubMenuSelectorMenu(Tracking_Target, AIS, nullptr, 627, FCID("SAIS"), 2, s_apOnOff, s_au32OnOff,
                                      M_BASIC);
  U_MENU_bRegisterSubMenuActionMenu(CPA_Limits, AIS, nullptr, 628, T_NAV_vAisCPALimit, FALSE, M_BASIC);
  U_MENU_bRegisterSubMenuActionMenu(Target_List, AIS, nullptr, 629, T_NAV_vAisTargetList, FALSE, M_BASIC);
  static const MENU_LIMITS s_sCourseLine[] = {{U_NONE, 0, 3600, 10}};
  U_MENU_bRegisterSubMenuSliderMenu(Target_Course_Line, AIS, nullptr, 630, FCID("STCL"), s_sCourseLine, Off,
                                    Sixty_Minutes, nullptr, M_BASIC);
}

BOOLEAN T_NAV_bIsAISAvailable(void) { return s_bAISMenusRegistered ? TRUE : FALSE; }
