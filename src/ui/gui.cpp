// The views-selection menu. Which views it offers is decided each time it is
// put together: a view needs its layer registered with the view task and its
// setting written once (the setting's value itself does not matter).

#include "gui.h"

#include <atomic>

#include "h_database.h"
#include "h_memory.h"
#include "linuxsvc.h"
#include "t_view.h"
#include "u_menu.h"
#include "ui_texts.h"

// ---------------------------------------------------------------------------
// The selectable views

// One action per view, bound to the view and its setting at compile time.
template <LAYER_ID layer, FOURCHARID fcid>
static void GUI_vSetViewAction(void) {
  GUI_vSetView(layer, fcid);
}

typedef struct tag_VIEW {
  MENU_TEXT pSubMenuItem;
  MENU_TEXT pParentMenuItem;
  MENU_PRIORITY pri;         // the item's place: the view's layer id
  void (*fun)(void);
  FOURCHARID fcid;           // the view's setting
} VIEW;

#define GUI_VIEW(item, menu, layer, key) \
  {item, menu, (MENU_PRIORITY)(layer), GUI_vSetViewAction<layer, FCID(key)>, FCID(key)}

static const VIEW viewInfo[] = {
    GUI_VIEW(Sonar_View, View_Sonar, SONAR_VIEW_PRIORITY, "SVSO"),
    GUI_VIEW(Sonar_Zoom_View, View_Sonar, SONAR_ZOOM_VIEW_PRIORITY, "SVSZ"),
    GUI_VIEW(Sonar_View, View_Sonar, SONAR_ICE_VIEW_PRIORITY, "SV14"),
    GUI_VIEW(Sonar_Zoom_View, View_Sonar, SONAR_ZOOM_ICE_VIEW_PRIORITY, "SV10"),
    GUI_VIEW(Split_Sonar_View, View_Sonar, SONAR_DUAL_BEAM_VIEW_PRIORITY, "SVSS"),
    GUI_VIEW(Split_Sonar_View, View_Sonar, SONAR_DUAL_BEAM_ICE_VIEW_PRIORITY, "SV16"),
    GUI_VIEW(Big_Digits_View, View_Sonar, ZOLT_DIGIT_VIEW_PRIORITY, "SVBD"),
    GUI_VIEW(Big_Digits_View, View_Sonar, ZOLT_DIGIT_ICE_VIEW_PRIORITY, "SV15"),
    GUI_VIEW(Flasher_View, View_Sonar, SONAR_FLASHER_ICE_PRIORITY, "SV13"),
    GUI_VIEW(Circular_Flasher_Sonar_Combo_View, View_Sonar, SONAR_2D_PLUS_FLASHER_ICE_PRIORITY, "SV12"),
    GUI_VIEW(Circular_Flasher_Sonar_Zoom_Combo_View, View_Sonar, SONAR_2D_ZOOM_PLUS_FLASHER_ICE_PRIORITY, "SV11"),
    GUI_VIEW(Side_Imaging_Top_Down_Imaging_Bottom_View, View_Sonar, SI_ON_TOP_AND_DI_ON_BOTTOM_VIEW_PRIORITY, "SVDH"),
    GUI_VIEW(Side_Imaging_Top_2D_Down_Imaging_Bottom_View, View_Sonar, SI_ON_TOP_AND_2D_DI_ON_BOTTOM_VIEW_PRIORITY,
             "SSDH"),
    GUI_VIEW(System_Status, View_System, DIAGNOSTIC_SELF_TEST, "SVST"),
    GUI_VIEW(Accessory_Test, View_System, DIAGNOSTIC_ACCESSORY_CATALOG, "SVAC"),
    GUI_VIEW(GPS_Diagnostic_View, View_System, DIAGNOSTIC_GPS_CARTOGRAPHY, "SVGD"),
    GUI_VIEW(Downrigger_View, View_System, DOWNRIGGER_VIEW_PRIORITY, "SVDR"),
};
constexpr size_t GUI_VIEWS = sizeof viewInfo / sizeof viewInfo[0];

// The engine views of an NMEA 2000 network, offered without those checks.
static const VIEW s_aEngineViews[] = {
    {One_Engine_View, VIEW_NMEA_2000, MENU_NMEA2K_ONE_ENGINE_VIEW,
     GUI_vSetViewAction<NMEA2K_ONEENGINE_VIEW, FCID("IVN1")>, FCID("IVN1")},
    {Engine_View, VIEW_NMEA_2000, MENU_NMEA2K_TWO_ENGINE_VIEW, GUI_vSetViewAction<NMEA2K_ENGINE_VIEW, FCID("IVNE")>,
     FCID("IVNE")},
    {Data_Box, VIEW_NMEA_2000, MENU_NMEA2K_DATA_VIEW, GUI_vSetViewAction<NMEA2K_DATA_VIEW, FCID("IVND")>,
     FCID("IVND")},
    {Gauge_View, VIEW_NMEA_2000, MENU_NMEA2K_GAUGE_VIEW, GUI_vSetViewAction<NMEA2K_GAGUE_VIEW, FCID("IVNG")>,
     FCID("IVNG")},
};

// Whose layer is registered now, row by row of viewInfo.
static std::atomic<BOOLEAN> s_abRegistered[GUI_VIEWS];

static const MENU_TEXT s_apSonarName[] = {View_Sonar};
static const MENU_TEXT s_apSystemName[] = {View_System};
static const MENU_TEXT s_apEngineName[] = {VIEW_NMEA_2000};

constexpr MENU_USER_LEVEL GUI_LEVEL = M_BASIC;

// ---------------------------------------------------------------------------
// Entry points

void GUI_vSetViewRegisteration(LAYER_ID LayerID, BOOLEAN bRegister) {
  for (size_t i = 0; i < GUI_VIEWS; i++) {
    if (viewInfo[i].pri == (MENU_PRIORITY)LayerID) s_abRegistered[i] = bRegister;
  }
}

BOOLEAN bMoreThenOneEngine(void) { return TRUE; }

static void GUI_vRegisterSubMenu(MENU_TEXT pName, MENU_PRIORITY pri, const MENU_TEXT* pNames) {
  U_MENU_bRegisterHotSubMenuWithNoArrow(pName, nullptr, pri, nullptr, pNames, nullptr, 1, GUI_LEVEL,
                                        VIRTUAL_DISPLAY_VIEW_LAYER, SPLIT_FULL_WINDOW);
}

static void GUI_vRegisterItem(const VIEW& view) {
  U_MENU_bRegisterHotSubMenuActionMenu(view.pSubMenuItem, view.pParentMenuItem, nullptr, view.pri, view.fun, FALSE,
                                       GUI_LEVEL);
}

void GUI_vRegisterSelectViewMenu(void) {
  U_MENU_bRegisterExpressMenu(VIRTUAL_DISPLAY_VIEW_LAYER, SPLIT_FULL_WINDOW);
  GUI_vRegisterSubMenu(View_Sonar, MENU_NMEA2K_TO_SONAR_VIEW, s_apSonarName);
  GUI_vRegisterSubMenu(View_System, MENU_NMEA2K_TO_SYSTEM_VIEW, s_apSystemName);
  for (size_t i = 0; i < GUI_VIEWS; i++) {
    BOOLEAN bValue = FALSE;
    BOOLEAN bValid = FALSE;
    if (H_DATABASE_bFetchBoolean(viewInfo[i].fcid, &bValue, &bValid, nullptr) && bValid && s_abRegistered[i]) {
      GUI_vRegisterItem(viewInfo[i]);
    }
  }
  BOOLEAN bIce = FALSE;
  U32 u32Network = 0;
  H_DATABASE_bFetchBoolean(FCID("SICE"), &bIce, nullptr, nullptr);
  if (!bIce && H_DATABASE_bFetchU32(FCID("SNID"), &u32Network, nullptr, nullptr) && u32Network == 1) {
    GUI_vRegisterSubMenu(VIEW_NMEA_2000, MENU_NMEA2K_TO_DATA_VIEW, s_apEngineName);
    for (const VIEW& view : s_aEngineViews) GUI_vRegisterItem(view);
  }
}

void GUI_vUnRegisterSelectViewMenu(void) {
  for (const VIEW& view : viewInfo) U_MENU_bUnregisterSubMenuItem(view.pParentMenuItem, view.pSubMenuItem);
  for (const VIEW& view : s_aEngineViews) U_MENU_bUnregisterSubMenuItem(view.pParentMenuItem, view.pSubMenuItem);
  for (MENU_TEXT pMenu : {View_Sonar, VIEW_NMEA_2000, View_System}) {
    U_MENU_bUnregisterHotMenuItem(pMenu, VIRTUAL_DISPLAY_VIEW_LAYER, SPLIT_FULL_WINDOW);
  }
}

void GUI_vSetView(LAYER_ID layer, FOURCHARID fcid) {
  if (!T_VIEW_bIsLayerActive(layer)) {
    L_SEMA_Signal(SEMA_KEYCLICK_BAD);
    return;
  }
  MSG_SET_VIEW* pMsg = (MSG_SET_VIEW*)H_MEMORY_pvCalloc(1, sizeof(MSG_SET_VIEW));
  pMsg->header.Cmd = CMD_ID_SET_VIEW;
  pMsg->layer = layer;
  H_DATABASE_bUpdateValueBoolean(fcid, TRUE, P_NORMAL);
  L_SEMA_Signal(SEMA_KEYCLICK_GOOD);
  if (L_MBOX_Send(M_VIEW, pMsg, 3, 0) != 0) H_MEMORY_vFree(pMsg);
  U_MENU_vClearMenus();
}
