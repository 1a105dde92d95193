// What the remote's MINUS, PLUS, MENU and MARK-hold do per kind of view:
// the stored choices (SK keys), the action tables, the "Wireless Remote"
// menus that edit the choices, and the visual confirmation that shows the
// changed setting for two seconds.

#include <stdio.h>
#include <string.h>

#include <atomic>

#include "color.h"
#include "g_iconset.h"
#include "g_truetype.h"
#include "h_database.h"
#include "h_keyboard.h"
#include "h_memory.h"
#include "t_btremote_int.h"
#include "u_dialog.h"
#include "u_language.h"
#include "u_menu.h"
#include "u_view.h"
#include "ui_texts.h"

namespace {

enum VISUAL_CONFIRMATION_TYPE { VISUAL_CONF_NONE = 0, VISUAL_CONF_MENU = 1, VISUAL_CONF_MESSAGEBOX = 2 };

struct REMOTE_KEY_ACTION {
  void (*pfn)(void);  // called instead of stepping a setting
  FOURCHARID fcid;
  VISUAL_CONFIRMATION_TYPE eConf;
  MENU_TEXT pString;
  MENU_TEXT pLocationMenuString;
  U32 u32AddMenuIndex;  // 0: the setting owner's own menu item
};

void BTR_vChartZoom(void);
void BTR_vPowerOff(void);
void BTR_vMOB(void);

const REMOTE_KEY_ACTION s_KeyActionSonar2D_PlusMinus[] = {
    {nullptr, FCID("SSS2"), VISUAL_CONF_MENU, Sensitivity, nullptr, 0},
    {nullptr, FCID("SSSP"), VISUAL_CONF_MENU, Chart_Speed, nullptr, 14},
    {nullptr, FCID("SSCL"), VISUAL_CONF_MENU, Surface_Clutter, Sonar, 0},
    {nullptr, FCID("SSMD"), VISUAL_CONF_MENU, Lower_Range, nullptr, 0},
    {nullptr, FCID("SSNF"), VISUAL_CONF_MENU, Noise_Filter, Sonar, 8},
};
const REMOTE_KEY_ACTION s_KeyActionSonar2D_Menu[] = {
    {nullptr, FCID("SSSV"), VISUAL_CONF_MESSAGEBOX, Display_Frequency_2D, Sonar, 0},
    {nullptr, FCID("SSRW"), VISUAL_CONF_MESSAGEBOX, RTS_Window, Sonar, 0},
    {nullptr, FCID("STVG"), VISUAL_CONF_MESSAGEBOX, Lumbrix_2D, Sonar, 0},
    {nullptr, FCID("SSEN"), VISUAL_CONF_MESSAGEBOX, Sonar, nullptr, 1},
    {nullptr, FCID("SSPL"), VISUAL_CONF_MESSAGEBOX, Sonar_Colors, nullptr, 0},
    {nullptr, FCID("SSFI"), VISUAL_CONF_MESSAGEBOX, Fish_ID_Plus, Sonar, 0},
};
const REMOTE_KEY_ACTION s_KeyActionChartNav_PlusMinus[] = {
    {BTR_vChartZoom, 0, VISUAL_CONF_NONE, Zoom, Chart, 0},
    {nullptr, FCID("SNCR"), VISUAL_CONF_MENU, Casting_Rings, Nav, 0},
    {nullptr, FCID("SCSD"), VISUAL_CONF_MENU, Shaded_Depth, Chart, 0},
};
const REMOTE_KEY_ACTION s_KeyActionChartNav_Menu[] = {
    {nullptr, FCID("SCDL"), VISUAL_CONF_MESSAGEBOX, Chart_Detail_Level, Chart, 0},
    {nullptr, FCID("SCOR"), VISUAL_CONF_MESSAGEBOX, Chart_Orientation, Chart, 0},
    {nullptr, FCID("SNWP"), VISUAL_CONF_MESSAGEBOX, Waypoint_Proximity_Flags, Nav, 9},
};
const REMOTE_KEY_ACTION s_KeyAction_MarkHold[] = {
    {BTR_vPowerOff, 0, VISUAL_CONF_NONE, Power_Off, nullptr, 0},
    {BTR_vMOB, 0, VISUAL_CONF_NONE, MOB_Short, nullptr, 0},
    {nullptr, FCID("SSEN"), VISUAL_CONF_MESSAGEBOX, Sonar, nullptr, 1},
};

struct ACTION_TABLE {
  const REMOTE_KEY_ACTION* p;
  U32 u32Rows;
};
template <size_t N>
constexpr ACTION_TABLE Table(const REMOTE_KEY_ACTION (&a)[N]) {
  return {a, (U32)N};
}
const ACTION_TABLE s_aPlusMinus[REMOTE_VIEW_COUNT] = {
    Table(s_KeyActionSonar2D_PlusMinus), {}, {}, {}, Table(s_KeyActionChartNav_PlusMinus), {}, {}};
const ACTION_TABLE s_aMenu[REMOTE_VIEW_COUNT] = {
    Table(s_KeyActionSonar2D_Menu), {}, {}, {}, Table(s_KeyActionChartNav_Menu), {}, {}};

// Columns of the key table: the remote key, plus 7 for its hold.
constexpr int COL_MINUS = 1, COL_PLUS = 2, COL_MENU = 3, COL_MARK_HOLD = 7, COL_MENU_HOLD = 10;
U32 s_u32ViewKeyDefs[REMOTE_VIEW_COUNT][14];

// View digit 1 to 7 of the SK keys names these key-table rows.
const int s_anDigitRow[7] = {0, 1, 2, 3, 5, 4, 6};

struct REMOTE_MENU_MAP {
  U32 u32MenuPosition;
  FOURCHARID fcid;
  MENU_TEXT pName;
  std::atomic<BOOLEAN> bIsSelected;  // read and set by the menu task too
};
REMOTE_MENU_MAP s_RemoteMenuMap[] = {
    {0, FCID("SK12"), Sensitivity, {}},       {1, FCID("SK12"), Chart_Speed, {}},
    {2, FCID("SK12"), Surface_Clutter, {}},   {3, FCID("SK12"), Lower_Range, {}},
    {4, FCID("SK12"), Noise_Filter, {}},      {0, FCID("SK13"), Display_Frequency_2D, {}},
    {1, FCID("SK13"), RTS_Window, {}},        {2, FCID("SK13"), Lumbrix_2D, {}},
    {3, FCID("SK13"), Sonar, {}},             {4, FCID("SK13"), Sonar_Colors, {}},
    {5, FCID("SK13"), Fish_ID_Plus, {}},      {0, FCID("SK14"), Display_Frequency_2D, {}},
    {1, FCID("SK14"), RTS_Window, {}},        {2, FCID("SK14"), Lumbrix_2D, {}},
    {3, FCID("SK14"), Sonar, {}},             {4, FCID("SK14"), Sonar_Colors, {}},
    {5, FCID("SK14"), Fish_ID_Plus, {}},      {0, FCID("SK62"), Zoom, {}},
    {1, FCID("SK62"), Casting_Rings, {}},     {2, FCID("SK62"), Shaded_Depth, {}},
    {0, FCID("SK63"), Chart_Detail_Level, {}}, {1, FCID("SK63"), Chart_Orientation, {}},
    {2, FCID("SK63"), Waypoint_Proximity_Flags, {}}, {0, FCID("SK64"), Chart_Detail_Level, {}},
    {1, FCID("SK64"), Chart_Orientation, {}}, {2, FCID("SK64"), Waypoint_Proximity_Flags, {}},
    {0, FCID("SK01"), Power_Off, {}},         {1, FCID("SK01"), MOB_Short, {}},
    {2, FCID("SK01"), Sonar, {}},
};
constexpr U32 MAP_ROWS = sizeof s_RemoteMenuMap / sizeof s_RemoteMenuMap[0];
static_assert(MAP_ROWS == 29);

// The check-box groups of the menus: parent sub-menu, its own parent, the
// priority under it, and the map rows it holds.
struct MENU_GROUP {
  MENU_TEXT pName;
  MENU_TEXT pParent;
  MENU_PRIORITY priority;
  U32 u32FirstRow;
  U32 u32Rows;
};
const MENU_GROUP s_aSonarGroups[] = {{Remote_Sonar_2D_Keys, Remote_Sonar_2D, 2, 0, 5},
                                     {Remote_Sonar_2D_Menu_Key, Remote_Sonar_2D, 3, 5, 6},
                                     {Remote_Sonar_2D_Menu_Hold, Remote_Sonar_2D, 4, 11, 6}};
const MENU_GROUP s_aChartGroups[] = {{Remote_Chart_Keys, Remote_Chart_Cartridge, 2, 17, 3},
                                     {Remote_Chart_Menu_Key, Remote_Chart_Cartridge, 3, 20, 3},
                                     {Remote_Chart_Menu_Hold, Remote_Chart_Cartridge, 4, 23, 3}};
const MENU_GROUP s_aOptionsGroups[] = {{Remote_Mark_Hold, Remote_Options, 2, 26, 3}};

// The confirmation box; its statement holds 47 characters and the terminator.
constexpr U32 BTR_STATEMENT_BYTES = 48;
struct CONF_MSG_BOX {
  MENU_TEXT pTitle;
  char cStatement[BTR_STATEMENT_BYTES];
  const ICON* pTitleIcon;
  int nLines;
  LINEOFTEXT lines[1];
};

// Under RES_BT_REMOTE: what the view task's drawing of the box reads.
MENU_TEXT s_pMenuTitle = nullptr;
BOOLEAN s_bMenuActive = FALSE;
MENU_TEXT s_pBoxTitle = nullptr;
CONF_MSG_BOX* s_pBox = nullptr;
std::atomic<BOOLEAN> s_bSyncComplete{FALSE};

// The choices of the centred menus this task makes itself.
const MENU_TEXT s_apNoise[] = {Off, Noise_Low, Noise_Medium, Noise_High_1, Noise_High_2, Noise_High_3};
const U32 s_au32Noise[] = {0, 25, 50, 75, 100, 125};
const MENU_TEXT s_apHidden[] = {Hidden, Visible};
const MENU_LIMITS s_aOneToTen[8] = {{U_NONE, 1, 10, 1}, {U_NONE, 1, 10, 1}, {U_NONE, 1, 10, 1}, {U_NONE, 1, 10, 1},
                                    {U_NONE, 1, 10, 1}, {U_NONE, 1, 10, 1}, {U_NONE, 1, 10, 1}, {U_NONE, 1, 10, 1}};

const char* const* const s_apPalette[19] = {Palette_1,  Palette_2,  Palette_3,  Palette_4,  Palette_5,
                                            Palette_6,  Palette_7,  Palette_8,  Palette_9,  Palette_10,
                                            Palette_11, Palette_12, Palette_13, Palette_14, Palette_15,
                                            Palette_16, Palette_17, Palette_18, Palette_19};
constexpr U32 SONAR_PALETTES = 19, IMAGING_PALETTES = 12;

// Rows of a key's action table (a stored value outside them has no action)
// and its value after defaults.
U32 BTR_u32RowsOf(FOURCHARID key) {
  if (key == FCID("SK12")) return 5;
  if (key == FCID("SK13") || key == FCID("SK14")) return 6;
  return 3;
}

U32 BTR_u32DefaultOf(FOURCHARID key) { return key == FCID("SK23") || key == FCID("SK24") ? 1 : 0; }

void BTR_vSelectMapRow(U32 u32Row) {
  const FOURCHARID key = s_RemoteMenuMap[u32Row].fcid;
  for (REMOTE_MENU_MAP& m : s_RemoteMenuMap) {
    if (m.fcid == key) m.bIsSelected = FALSE;
  }
  s_RemoteMenuMap[u32Row].bIsSelected = TRUE;
  H_DATABASE_bUpdateValueU32(key, s_RemoteMenuMap[u32Row].u32MenuPosition, P_NORMAL);
}

// The key-table cells a key fills.
void BTR_vSetSelected(FOURCHARID key, U32 u32Value) {
  const char* k = (const char*)&key;
  if (key == FCID("SK01")) {
    for (auto& row : s_u32ViewKeyDefs) row[COL_MARK_HOLD] = u32Value;
    return;
  }
  if (k[2] < '1' || k[2] > '7') return;
  U32* row = s_u32ViewKeyDefs[s_anDigitRow[k[2] - '1']];
  switch (k[3]) {
    case '2': row[COL_MINUS] = row[COL_PLUS] = u32Value; break;
    case '3': row[COL_MENU] = u32Value; break;
    case '4': row[COL_MENU_HOLD] = u32Value; break;
    default: break;
  }
}

// A stored value outside the key's rows (the PC link writes settings
// unchecked) is put back to the key's default.
U32 BTR_u32Checked(FOURCHARID key, U32 u32Value) {
  if (u32Value < BTR_u32RowsOf(key)) return u32Value;
  const U32 u32Default = BTR_u32DefaultOf(key);
  log_me("[%d]%s: %.4s = %u has no action; reset to %u", __LINE__, __func__, (const char*)&key, (unsigned)u32Value,
         (unsigned)u32Default);
  H_DATABASE_bUpdateValueU32(key, u32Default, P_NORMAL);
  return u32Default;
}

U32 BTR_u32FirstMapRow(FOURCHARID key) {
  for (U32 i = 0; i < MAP_ROWS; i++) {
    if (s_RemoteMenuMap[i].fcid == key) return i;
  }
  return MAP_ROWS;
}

void BTR_vChartZoom(void) {
  BTR_vSendKeyPair(M_NAV, g_s32BtrKey == REMOTE_KEY_PLUS ? 0x20 : 0x40, (CURSOR_POSITION)0);
}

void BTR_vPowerOff(void) {
  const MBOX mbox = BTR_mboxOf(FCID("TKBD"));
  if (mbox == 0) return;
  MSG_INITIATE_SHUTDOWN* p = (MSG_INITIATE_SHUTDOWN*)H_MEMORY_pvMallocNoWait(sizeof(MSG_INITIATE_SHUTDOWN));
  if (p == nullptr) return;
  memset(p, 0, sizeof *p);
  p->header.Cmd = CMD_ID_INITIATE_SHUTDOWN;
  p->bReset = FALSE;
  p->bPowerOff = TRUE;
  if (L_MBOX_Send(mbox, p, 3, 0) != 0) H_MEMORY_vFree(p);
}

// The man-overboard semaphore of the keyboard's long GOTO.
void BTR_vMOB(void) { L_SEMA_Signal(SEMA_KEYBOARD_LONG_GOTO); }

// The centred menus of the settings whose owners register none.
void BTR_vAddUnhandledMenu(U32 u32Index, const REMOTE_KEY_ACTION* a, BOOLEAN bDisplay, BOOLEAN bLoop) {
  switch (u32Index) {
    case 1:
    case 7:
      U_MENU_bRegisterSingleCenteredMenuSelectorMenu(a->pString, a->fcid, 2, U_MENU_apOffOn, U_MENU_au32OffOn, bDisplay, bLoop);
      break;
    case 8:
      U_MENU_bRegisterSingleCenteredMenuSelectorMenu(a->pString, a->fcid, 6, s_apNoise, s_au32Noise, bDisplay, bLoop);
      break;
    case 9:
      U_MENU_bRegisterSingleCenteredMenuSelectorMenu(a->pString, a->fcid, 2, s_apHidden, U_MENU_au32OffOn, bDisplay, bLoop);
      break;
    case 14:
      U_MENU_bRegisterSingleCenteredMenuSliderMenu(a->pString, a->fcid, s_aOneToTen, nullptr, nullptr, nullptr,
                                                   bDisplay, bLoop);
      break;
    default: break;
  }
}

void BTR_vShowMenu(const REMOTE_KEY_ACTION* a, BOOLEAN bDisplay, BOOLEAN bLoop) {
  if (a->u32AddMenuIndex != 0) {
    BTR_vAddUnhandledMenu(a->u32AddMenuIndex, a, bDisplay, bLoop);
  } else {
    U_MENU_vActivateSingleCenteredMenu(a->pString, U_VIEW_eCurrentView(), bDisplay, bLoop, a->pLocationMenuString);
  }
}

// With RES_BT_REMOTE held: the box of the held title, filled before its
// layer goes up so the drawing never sees half of it.
void BTR_vMakeBox(const REMOTE_KEY_ACTION* a, BOOLEAN bLoop) {
  if (s_pBoxTitle == nullptr || s_pBox != nullptr) return;
  BTR_vShowMenu(a, FALSE, bLoop);
  CONF_MSG_BOX* pBox = (CONF_MSG_BOX*)H_MEMORY_pvMallocNoWait(sizeof(CONF_MSG_BOX));
  if (pBox == nullptr) return;
  memset(pBox, 0, sizeof *pBox);
  pBox->pTitle = s_pBoxTitle;
  pBox->pTitleIcon = &confirm_icon;
  s_pBox = pBox;
  U_VIEW_bRegisterLayer(T_BTREMOTE_vRenderMessageBox, INFO_BT_CONF_LAYER, (LAYER_ID)-1, 0, 0, TRUE, nullptr, nullptr,
                        nullptr);
}

const REMOTE_KEY_ACTION* BTR_pRow(const ACTION_TABLE* pTables, REMOTE_KEY_VIEW eView, int column) {
  if (eView < 0 || eView >= REMOTE_VIEW_COUNT) return nullptr;
  const ACTION_TABLE& t = pTables[eView];
  const U32 row = s_u32ViewKeyDefs[eView][column];
  return t.p != nullptr && row < t.u32Rows ? &t.p[row] : nullptr;
}

// The menu task steps the shown setting: one cursor step forward.
void BTR_vStepForward(void) {
  if (BTR_mboxOf(FCID("TMNU")) != 0) BTR_vSendKeyPair(M_MENU, HKEY_MASK_CURSOR, CURSOR_EAST);
}

// The menu key and the MARK hold: show the setting, step it, time the
// confirmation. Returns after an action row has run its action.
void BTR_vMenuStep(const REMOTE_KEY_ACTION* a, BOOLEAN bLoop, BOOLEAN bTimeOnlyBoxes) {
  L_MUTEX_LockWait(RES_BT_REMOTE);
  if (a->eConf == VISUAL_CONF_MENU) s_pMenuTitle = a->pString;
  if (a->eConf == VISUAL_CONF_MESSAGEBOX) s_pBoxTitle = a->pString;
  BOOLEAN bDone = FALSE;
  if (s_pMenuTitle != nullptr && !s_bMenuActive) {
    BTR_vShowMenu(a, TRUE, bLoop);
    s_bMenuActive = TRUE;
    bDone = a->pfn != nullptr;
  } else {
    BTR_vMakeBox(a, bLoop);
    bDone = a->pfn != nullptr;
  }
  L_MUTEX_Unlock(RES_BT_REMOTE);
  if (bDone) {
    a->pfn();
    BTR_vStartTimer(BTR_TIMER_CONFIRM);
    return;
  }
  BTR_vStepForward();
  if (!bTimeOnlyBoxes || a->eConf == VISUAL_CONF_MESSAGEBOX) BTR_vStartTimer(BTR_TIMER_CONFIRM);
}

void BTR_vRegisterGroups(const MENU_GROUP* pGroups, size_t n) {
  for (size_t g = 0; g < n; g++) {
    const MENU_GROUP& group = pGroups[g];
    const MENU_TEXT names[] = {group.pName};
    U_MENU_bRegisterSubMenuSubMenu(group.pName, group.pParent, nullptr, group.priority, names, names, nullptr, 1,
                                   M_BASIC);
    for (U32 i = 0; i < group.u32Rows; i++) {
      const U32 row = group.u32FirstRow + i;
      U_MENU_bRegisterSubMenuCheckBoxMenu(s_RemoteMenuMap[row].pName, group.pName, nullptr,
                                          s_RemoteMenuMap[row].u32MenuPosition + 2, row, T_BTREMOTE_bIsSelected,
                                          T_BTREMOTE_bSelect, M_BASIC);
    }
  }
}

void BTR_vUnregisterGroups(const MENU_GROUP* pGroups, size_t n) {
  for (size_t g = n; g-- > 0;) {
    const MENU_GROUP& group = pGroups[g];
    for (U32 i = group.u32Rows; i-- > 0;) {
      U_MENU_bUnregisterSubMenuItem(group.pName, s_RemoteMenuMap[group.u32FirstRow + i].pName);
    }
    U_MENU_bUnregisterSubMenuItem(group.pParent, group.pName);
  }
}

void BTR_vTopMenu(MENU_TEXT pName, MENU_PRIORITY priority) {
  const MENU_TEXT names[] = {pName};
  U_MENU_bRegisterSubMenuSubMenu(pName, Wireless_Remote, nullptr, priority, names, names, nullptr, 1, M_BASIC);
}

void BTR_vSetupOptionsMenu(BOOLEAN bRegister) {
  if (bRegister) {
    BTR_vTopMenu(Remote_Options, 9);
    BTR_vRegisterGroups(s_aOptionsGroups, 1);
    U_MENU_bRegisterSubMenuActionMenu(Sync_New_Remote, Remote_Options, nullptr, 3, T_BTREMOTE_vSyncNewRemote, FALSE,
                                      M_BASIC);
  } else {
    U_MENU_bUnregisterSubMenuItem(Remote_Options, Sync_New_Remote);
    BTR_vUnregisterGroups(s_aOptionsGroups, 1);
    U_MENU_bUnregisterSubMenuItem(Wireless_Remote, Remote_Options);
  }
}

}  // namespace

S32 g_s32BtrLastKey = BTR_KEY_NONE;

// ---------------------------------------------------------------------------
// Views

REMOTE_KEY_VIEW T_BTREMOTE_eViewKind(LAYER_ID view, SPLIT_WINDOW_TYPE split) {
  const BOOLEAN bLeft = split == SPLIT_LEFT_WINDOW, bRight = split == SPLIT_RIGHT_WINDOW;
  switch (view) {
    case SONAR_VIEW_PRIORITY:
    case ZOLT_DIGIT_VIEW_PRIORITY:
    case SONAR_2D_PLUS_DI_VIEW_PRIORITY:
    case SONAR_2D_PLUS_SI_VIEW_PRIORITY:
    case SONAR_ZOOM_VIEW_PRIORITY:
    case SONAR_DUAL_BEAM_VIEW_PRIORITY:
    case SONAR_ICE_VIEW_PRIORITY:
    case SONAR_ZOOM_ICE_VIEW_PRIORITY:
    case ZOLT_DIGIT_ICE_VIEW_PRIORITY:
    case SONAR_DUAL_BEAM_ICE_VIEW_PRIORITY: return REMOTE_VIEW_SONAR_2D;
    case DOWNIMAGING_VIEW_PRIORITY:
    case DI_PLUS_SI_VIEW_PRIORITY: return REMOTE_VIEW_SONAR_DI;
    case SONAR_SIDEVIEW:
    case DI_PLUS_SI_PLUS_SONAR_VIEW_PRIORITY: return REMOTE_VIEW_SONAR_SI;
    case SONAR_PPI_DISPLAY_VIEW_PRIORITY:
    case SONAR_PPI_DISPLAY_HALF_VIEW_PRIORITY: return REMOTE_VIEW_SONAR_360;
    case DOWNIMAGING_PLUS_2D_VIEW_PRIORITY: return bRight ? REMOTE_VIEW_SONAR_DI : REMOTE_VIEW_SONAR_2D;
    case SONAR_SIDEVIEW_AND_DOWN:
    case SI_ON_TOP_AND_DI_ON_BOTTOM_VIEW_PRIORITY: return bLeft ? REMOTE_VIEW_SONAR_SI : REMOTE_VIEW_SONAR_DI;
    case SONAR_SIDESCAN_PLUS_2D_PRIORITY:
    case DOWNIMAGING_PLUS_SIDESCAN_PLUS_2D_VIEW_PRIORITY:
      return bRight ? REMOTE_VIEW_SONAR_SI : REMOTE_VIEW_SONAR_2D;
    case SONAR_PPI_PLUS_2D_VIEW_PRIORITY: return bRight ? REMOTE_VIEW_SONAR_360 : REMOTE_VIEW_SONAR_2D;
    case DOWNIMAGING_PLUS_SIDESCAN_VIEW_PRIORITY: return bLeft ? REMOTE_VIEW_SONAR_DI : REMOTE_VIEW_SONAR_SI;
    case SI_ON_TOP_AND_2D_DI_ON_BOTTOM_VIEW_PRIORITY: return bLeft ? REMOTE_VIEW_SONAR_SI : REMOTE_VIEW_SONAR_2D;
    case CHART_ON_LEFT_PLUS_SI_DI_ON_RIGHT_VIEW_PRIORITY:
      return bLeft ? REMOTE_VIEW_CHART_NAV : REMOTE_VIEW_SONAR_SI;
    case CHART_PLUS_SIDESCAN_VIEW_PRIORITY:
    case CHART_PLUS_SI_VIEW_PRIORITY: return bRight ? REMOTE_VIEW_CHART_NAV : REMOTE_VIEW_SONAR_SI;
    case CHART_PLUS_2D_VIEW_PRIORITY:
    case CHART_PLUS_2D_ICE_VIEW_PRIORITY: return bRight ? REMOTE_VIEW_CHART_NAV : REMOTE_VIEW_SONAR_2D;
    case CHART_VIEW_PRIORITY:
    case CHART_PLUS_BIRDS_EYE_VIEW_PRIORITY:
    case BIRDS_EYE_VIEW_PRIORITY:
    case CHART_ICE_VIEW_PRIORITY: return REMOTE_VIEW_CHART_NAV;
    case CHART_PLUS_FLASHER_ICE_VIEW_PRIORITY: return bLeft ? REMOTE_VIEW_CHART_NAV : REMOTE_VIEW_INVALID;
    case CHART_PLUS_DOWNRIGGER_VIEW_PRIORITY: return bRight ? REMOTE_VIEW_CHART_NAV : REMOTE_VIEW_INVALID;
    default: return REMOTE_VIEW_INVALID;
  }
}

REMOTE_KEY_VIEW T_BTREMOTE_eActiveView(void) {
  return T_BTREMOTE_eViewKind(U_VIEW_eCurrentView(), U_VIEW_eCurrentSplit());
}

// ---------------------------------------------------------------------------
// Settings and menus

BOOLEAN T_BTREMOTE_bIsSelected(U32 u32Row) { return u32Row < MAP_ROWS && s_RemoteMenuMap[u32Row].bIsSelected; }

BOOLEAN T_BTREMOTE_bSelect(U32 u32Row) {
  if (u32Row >= MAP_ROWS) return FALSE;
  BTR_vSelectMapRow(u32Row);
  return TRUE;
}

BOOLEAN BTR_KEYS_bIsKeySetting(FOURCHARID key) {
  const char* k = (const char*)&key;
  if (key == FCID("SK01")) return TRUE;
  return k[0] == 'S' && k[1] == 'K' && k[2] >= '1' && k[2] <= '7' && k[3] >= '2' && k[3] <= '4';
}

void BTR_KEYS_vSettingChanged(FOURCHARID key, U32 u32Value) {
  const U32 u32Checked = BTR_u32Checked(key, u32Value);
  BTR_vSetSelected(key, u32Checked);
  const U32 first = BTR_u32FirstMapRow(key);
  for (U32 i = first; i < MAP_ROWS && s_RemoteMenuMap[i].fcid == key; i++) {
    s_RemoteMenuMap[i].bIsSelected = s_RemoteMenuMap[i].u32MenuPosition == u32Checked;
  }
}

void BTR_KEYS_vSetDefaults(BOOLEAN bFactory) {
  const U32 u32Priority = bFactory ? (U32)P_NORMAL : (U32)P_DEFAULT_SETTING;
  auto write = [u32Priority](FOURCHARID key, U32 value) {
    H_DATABASE_bUpdateEverythingU32(key, value, u32Priority, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  };
  write(FCID("SK01"), 0);
  write(FCID("SK05"), 0);
  for (char digit = '1'; digit <= '7'; digit++) {
    for (char column : {'2', '3', '4'}) {
      const char k[5] = {'S', 'K', digit, column, 0};
      write(FCID(k), BTR_u32DefaultOf(FCID(k)));
    }
  }
  for (FOURCHARID k : {FCID("SK01"), FCID("SK12"), FCID("SK13"), FCID("SK14"), FCID("SK62"), FCID("SK63"),
                       FCID("SK64")}) {
    U32 value = 0;
    H_DATABASE_bFetchU32(k, &value, nullptr, nullptr);
    value = BTR_u32Checked(k, value);
    BTR_vSelectMapRow(BTR_u32FirstMapRow(k) + value);
    BTR_vSetSelected(k, value);
  }
}

void BTR_KEYS_vSetupMenus(BOOLEAN bOptionsOnly) {
  if (bOptionsOnly) {
    BTR_vSetupOptionsMenu(FALSE);
    BTR_vSetupOptionsMenu(TRUE);
    return;
  }
  const MENU_TEXT names[] = {Wireless_Remote};
  U_MENU_bRegisterMainSubMenu(Wireless_Remote, Accessories, MENU_BTREMOTE, names, names, nullptr, 1, M_BASIC);
  BTR_vTopMenu(Remote_Sonar_2D, 2);
  BTR_vRegisterGroups(s_aSonarGroups, 3);
  BTR_vSetupOptionsMenu(TRUE);
}

void BTR_KEYS_vRegisterChartMenu(void) {
  BTR_vUnregisterGroups(s_aChartGroups, 3);
  U_MENU_bUnregisterSubMenuItem(Wireless_Remote, Remote_Chart_Cartridge);
  BTR_vTopMenu(Remote_Chart_Cartridge, 7);
  BTR_vRegisterGroups(s_aChartGroups, 3);
}

// ---------------------------------------------------------------------------
// Key actions

void BTR_KEYS_vKeyPlusMinus(REMOTE_KEY_STATE eState) {
  const REMOTE_KEY_ACTION* a = BTR_pRow(s_aPlusMinus, T_BTREMOTE_eActiveView(), COL_PLUS);
  if (a == nullptr) return;
  if (a->eConf != VISUAL_CONF_NONE) {
    L_MUTEX_LockWait(RES_BT_REMOTE);
    if (s_pMenuTitle == nullptr) {
      if (a->eConf == VISUAL_CONF_MENU) {
        s_pMenuTitle = a->pString;
        if (!s_bMenuActive) {
          BTR_vShowMenu(a, TRUE, FALSE);
          s_bMenuActive = TRUE;
        }
      } else {
        s_pBoxTitle = a->pString;
        BTR_vMakeBox(a, FALSE);
      }
    }
    L_MUTEX_Unlock(RES_BT_REMOTE);
  }
  if (eState == REMOTE_KEY_PRESS && a->pfn != nullptr) {
    a->pfn();
    return;
  }
  if (BTR_mboxOf(FCID("TMNU")) != 0) {
    BTR_vSendKey(M_MENU, HKEY_MASK_CURSOR, eState == REMOTE_KEY_PRESS ? KEY_DOWN : KEY_UP,
                 g_s32BtrKey == REMOTE_KEY_PLUS ? CURSOR_EAST : CURSOR_WEST);
  }
  if (eState == REMOTE_KEY_RELEASE) BTR_vStartTimer(BTR_TIMER_CONFIRM);
}

void BTR_KEYS_vKeyMenu(BOOLEAN bHold) {
  const REMOTE_KEY_ACTION* a = BTR_pRow(s_aMenu, T_BTREMOTE_eActiveView(), bHold ? COL_MENU_HOLD : COL_MENU);
  if (a != nullptr) BTR_vMenuStep(a, TRUE, FALSE);
}

void BTR_KEYS_vKeyMarkHold(void) {
  const U32 row = s_u32ViewKeyDefs[0][COL_MARK_HOLD];
  if (row >= sizeof s_KeyAction_MarkHold / sizeof s_KeyAction_MarkHold[0]) return;
  const REMOTE_KEY_ACTION* a = &s_KeyAction_MarkHold[row];
  if (a->pfn != nullptr && a->eConf == VISUAL_CONF_NONE) {
    a->pfn();
    return;
  }
  BTR_vMenuStep(a, a->fcid == FCID("SSEN"), TRUE);
}

void BTR_KEYS_vSyncCompleteShown(void) {
  s_bSyncComplete = TRUE;
  U_VIEW_bRegisterLayer(T_BTREMOTE_vRenderMessageBox, INFO_BT_CONF_LAYER, (LAYER_ID)-1, 0, 0, TRUE, nullptr, nullptr,
                        nullptr);
  BTR_vStartTimer(BTR_TIMER_CONFIRM);
}

void BTR_KEYS_vClearVisualConfirmation(void) {
  if (s_bSyncComplete) {
    BTR_vStopTimer(BTR_TIMER_CONFIRM);
    U_VIEW_bUnRegisterLayer(INFO_BT_CONF_LAYER);
    s_bSyncComplete = FALSE;
    return;
  }
  L_MUTEX_LockWait(RES_BT_REMOTE);
  BTR_vStopTimer(BTR_TIMER_CONFIRM);
  // The dialog layer is the pairing dialog's while that is up: only a box
  // of this confirmation takes it down.
  if (s_pBox != nullptr) U_VIEW_bUnRegisterLayer(INFO_BT_CONF_LAYER);
  if (s_pMenuTitle != nullptr) {
    T_MENU_vDoRemoveSingleCenteredMenu();
    U_MENU_bUnregisterSingleCenteredMenu(s_pMenuTitle);
    s_pMenuTitle = nullptr;
    s_bMenuActive = FALSE;
  }
  if (s_pBox != nullptr) {
    T_MENU_vDoRemoveSingleCenteredMenu();
    U_MENU_bUnregisterSingleCenteredMenu(s_pBoxTitle);
    H_MEMORY_vFree(s_pBox);
  }
  s_pBox = nullptr;
  s_pBoxTitle = nullptr;
  L_MUTEX_Unlock(RES_BT_REMOTE);
  g_s32BtrLastKey = BTR_KEY_NONE;
}

// ---------------------------------------------------------------------------
// The confirmation box, on the view task's thread

static void BTR_vFillStatement(CONF_MSG_BOX* pBox, U32 nLang) {
  const MENU_TEXT pTitle = pBox->pTitle;
  if (pTitle == Chart_Declutter) {
    snprintf(pBox->cStatement, sizeof pBox->cStatement, "%s", On[nLang]);
    return;
  }
  char buffer[BTR_STATEMENT_BYTES] = "";
  const U32 index = T_MENU_u32GetSelection(pTitle, buffer);
  // The row's own name for the choice first (the schemes of Sonar Colors
  // are named, not numbered); a palette's number only when it has none.
  if (index == 0xFFFFFFFFu || buffer[0] != '\0') {
    snprintf(pBox->cStatement, sizeof pBox->cStatement, "%s", buffer);
    return;
  }
  U32 u32Palettes = 0;
  if (pTitle == Sonar_Colors) u32Palettes = SONAR_PALETTES;
  if (pTitle == Imaging_Colors || pTitle == SI_Colors || pTitle == Color_360) u32Palettes = IMAGING_PALETTES;
  if (index < u32Palettes) snprintf(pBox->cStatement, sizeof pBox->cStatement, "%s", s_apPalette[index][nLang]);
}

void T_BTREMOTE_vRenderMessageBox(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER) {
  const U32 nLang = nCurrentLanguage();
  if (s_bSyncComplete) {
    U_DIALOG_vDrawDialogGenericNotification(pBitmap, Remote_Sync_Complete[nLang]);
    return;
  }
  L_MUTEX_LockWait(RES_BT_REMOTE);
  if (s_pBox != nullptr) {
    BTR_vFillStatement(s_pBox, nLang);
    const char* pTitle = s_pBox->pTitle[nLang];
    const U32 u32Title = G_TRUETYPE_u32GetWidth(pTitle, 19, 2);
    const U32 u32Statement = G_TRUETYPE_u32GetWidth(s_pBox->cStatement, 44, 2);
    const S32 width = (S32)(u32Title > u32Statement ? u32Title : u32Statement) + 66, height = 135;
    const S32 x0 = (S32)U_VIEW_u32XOrigin();
    const POINT anchor = {x0 + (800 - x0 - width) / 2, (480 - height) / 2};
    U_DIALOG_vDrawBorderAndTitle(pBitmap, &anchor, (const BYTE*)pTitle, JUSTIFICATION_CENTER, width, height, 80,
                                 FALSE);
    const POINT text = {anchor.x + (width - (S32)u32Statement) / 2, anchor.y + 28};
    G_TRUETYPE_vPut(pBitmap, s_pBox->cStatement, &text, gCOLOR_pcolColorTable[35], 44, 2);
  }
  L_MUTEX_Unlock(RES_BT_REMOTE);
}
