// The Sonar tab of the main menu: the settings that shape the 2D picture,
// each bound to its key. The remote's PLUS, MINUS and MENU find their
// centred menus here by name, so the names are the remote's too. The limits
// and choices the settings have no other home for are kept in this file.

#include "t_n_history.h"

#include "h_database.h"
#include "t_n_history_priv.h"
#include "u_menu.h"
#include "ui_texts.h"

namespace {

constexpr TAB_PRIORITY SONAR_TAB_PRIORITY = (TAB_PRIORITY)2;

// Places in the Sonar tab, and in its sub-menu.
constexpr MENU_PRIORITY SONAR_MENU_SENSITIVITY = (MENU_PRIORITY)10;
constexpr MENU_PRIORITY SONAR_MENU_LOWER_RANGE = (MENU_PRIORITY)20;
constexpr MENU_PRIORITY SONAR_MENU_CHART_SPEED = (MENU_PRIORITY)30;
constexpr MENU_PRIORITY SONAR_MENU_COLORS = (MENU_PRIORITY)40;
constexpr MENU_PRIORITY SONAR_MENU_SONAR = (MENU_PRIORITY)50;
constexpr MENU_PRIORITY SONAR_MENU_ADVANCED = (MENU_PRIORITY)60;
constexpr MENU_PRIORITY SONAR_MENU_SURFACE_CLUTTER = (MENU_PRIORITY)10;
constexpr MENU_PRIORITY SONAR_MENU_FREQUENCY = (MENU_PRIORITY)20;

const MENU_LIMITS s_sSensitivity[] = {{U_NONE, 1.0f, 20.0f, 1.0f}};
const MENU_LIMITS s_sChartSpeed[] = {{U_NONE, 1.0f, 10.0f, 1.0f}};
const MENU_LIMITS s_sSurfaceClutter[] = {{U_NONE, 0.0f, 10.0f, 1.0f}};
// 0 is Auto. The fixed ranges stop where the process task's do (300 m), as
// the key's range does, in steps that are round numbers in each depth unit.
const MENU_LIMITS s_asLowerRange[] = {
    {U_METRES, 0.0f, 300.0f, 5.0f}, {U_FEET, 0.0f, 980.0f, 10.0f}, {U_FATHOMS, 0.0f, 160.0f, 2.0f}, {}};

// The two colour schemes the history is drawn in, by the first palette
// number of each.
const MENU_TEXT s_apSchemes[] = {Sonar_Scheme_Light, Sonar_Scheme_Dark};
const U32 s_au32Schemes[] = {0, 8};
const MENU_TEXT s_apBeams[] = {Beam_200_kHz, Beam_83_kHz};
const U32 s_au32Beams[] = {HISTORY_BEAM_200, HISTORY_BEAM_83};
const MENU_TEXT s_apAdvanced[] = {Sonar_Advanced};

}  // namespace

void T_N_HISTORY_vRegisterMenus(void) {
  U_MENU_bRegisterTab(Sonar, SONAR_TAB_PRIORITY, nullptr, M_BASIC);
  U_MENU_bRegisterMainSliderMenu(Sensitivity, Sonar, SONAR_MENU_SENSITIVITY, FCID("SSS2"), s_sSensitivity, nullptr,
                                 nullptr, nullptr, M_BASIC);
  U_MENU_bRegisterMainSliderMenu(Lower_Range, Sonar, SONAR_MENU_LOWER_RANGE, FCID("SSMD"), s_asLowerRange, Auto,
                                 nullptr, nullptr, M_BASIC);
  U_MENU_bRegisterMainSliderMenu(Chart_Speed, Sonar, SONAR_MENU_CHART_SPEED, FCID("SSSP"), s_sChartSpeed, nullptr,
                                 nullptr, nullptr, M_BASIC);
  U_MENU_bRegisterMainSelectorMenu(Sonar_Colors, Sonar, SONAR_MENU_COLORS, FCID("SSPL"), 2, s_apSchemes,
                                   s_au32Schemes, M_BASIC);
  U_MENU_bRegisterMainSelectorMenu(Sonar, Sonar, SONAR_MENU_SONAR, FCID("SSEN"), 2, U_MENU_apOffOn, U_MENU_au32OffOn, M_BASIC);
  U_MENU_bRegisterMainSubMenu(Sonar_Advanced, Sonar, SONAR_MENU_ADVANCED, s_apAdvanced, s_apAdvanced, nullptr, 1,
                              M_BASIC);
  U_MENU_bRegisterSubMenuSliderMenu(Surface_Clutter, Sonar_Advanced, nullptr, SONAR_MENU_SURFACE_CLUTTER,
                                    FCID("SSCL"), s_sSurfaceClutter, Off, nullptr, nullptr, M_BASIC);
  U_MENU_bRegisterSubMenuSelectorMenu(Display_Frequency_2D, Sonar_Advanced, nullptr, SONAR_MENU_FREQUENCY,
                                      FCID("SSSV"), 2, s_apBeams, s_au32Beams, M_BASIC);
}
