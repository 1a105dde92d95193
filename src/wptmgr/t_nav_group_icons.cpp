// Waypoint icons chosen by category, the icon of a whole selection, the
// "Waypoint Settings" dialog, the waypoint actions of the item menus and the
// waypoint form opened from the chart.

#include <stdio.h>
#include <string.h>

#include "h_database.h"
#include "layer_id.h"
#include "linuxsvc.h"
#include "t_chart.h"
#include "t_nav.h"
#include "t_nav_alarm.h"
#include "t_nav_group.h"
#include "t_nav_group_data.h"
#include "t_nav_group_edit.h"
#include "t_nav_group_icons.h"
#include "t_nav_group_sel.h"
#include "t_nav_twr.h"
#include "t_nav_views.h"
#include "u_keyboard.h"
#include "u_view.h"
#include "ui_texts.h"

const U16 ICONCATEGORY_MOB_ARRAY[1] = {MOB_ICON};

// ---------------------------------------------------------------------------
// Field hooks

void T_NAV_GROUP_vEditIconCategoryChange(POPUP_WINDOW* pWin) {
  EDIT_FIELD* f = ((POPUP_EDIT_WINDOW*)pWin)->pEditFields;
  for (U32 i = 0; f[i].name != nullptr && f[i + 1].name != nullptr; i++) {
    if (f[i].type != EDIT_TYPE_STRING_LIST || f[i + 1].type != EDIT_TYPE_ICON_ARRAY) continue;
    U16 n = 0;
    f[i + 1].pDisplayList = WPM_pCategoryIcons((U8)f[i].value_string[0], &n);
    f[i + 1].nDisplayList = n;
    f[i + 1].value_string[0] = 0;
    return;
  }
}

void T_NAV_GROUP_vEditTrackStyleChange(POPUP_WINDOW* pWin) {
  EDIT_FIELD* f = ((POPUP_EDIT_WINDOW*)pWin)->pEditFields;
  const U8 style = (U8)f[2].value_string[0];
  f[3].bInactive = style < 1 || style > 3;
}

U8 WPM_u8AllIndex(U8 u8Icon) {
  for (U32 i = 0; i < WPM_ICON_ALL_COUNT; i++) {
    if (ICONCATEGORY_DEFAULT_ARRAY[i] == u8Icon) return (U8)i;
  }
  return 0;
}

// The icon the chooser's icon field (row 1) points at.
static U8 WPM_u8ChosenIcon(const EDIT_FIELD* pIconRow) {
  const U8 at = (U8)pIconRow->value_string[0];
  const U16* pIcons = (const U16*)pIconRow->pDisplayList;
  return (U8)(pIcons != nullptr && at < pIconRow->nDisplayList ? pIcons[at] : 0);
}

static void WPM_vCategoryRows(EDIT_FIELD* f, const char* const* ppIconName, U8 u8AllIndex) {
  f[0] = WPM_Row(Icon_Category, EDIT_TYPE_STRING_LIST);
  f[0].pDisplayList = s_StringListIconCategory;
  f[0].nDisplayList = WPM_SEARCH_CATEGORIES;
  f[0].pHookDataFunc = T_NAV_GROUP_vEditIconCategoryChange;
  f[1] = WPM_Row(ppIconName, EDIT_TYPE_ICON_ARRAY);
  f[1].pDisplayList = ICONCATEGORY_DEFAULT_ARRAY;
  f[1].nDisplayList = WPM_ICON_ALL_COUNT;
  f[1].value_string[0] = (char)u8AllIndex;
}

// ---------------------------------------------------------------------------
// The icon of a selection

static EDIT_FIELD s_aIconFields[4];
static POPUP_EDIT_WINDOW s_IconForm;
static U8 s_u8ChosenIcon;

static BOOLEAN T_NAV_GROUP_vUpdateEditWaypointIcon(POPUP_WINDOW* pWin) {
  POPUP_EDIT_WINDOW* p = (POPUP_EDIT_WINDOW*)pWin;
  *(U8*)p->pData = WPM_u8ChosenIcon(&p->pEditFields[1]);
  return TRUE;
}

static void T_NAV_GROUP_vSaveWaypointIconForMultiSelect(void* pData, U32) {
  const U8 icon = *(const U8*)pData;
  for (U32 i = 0; i < g_WPMSel.u16SelectedCount; i++) {
    const U16 id = g_WPMSel.au16SelectedIDs[i];
    const WAYPOINT* w = WPM_pWaypoint(id);
    if (w == nullptr || w->u8Icon == MOB_ICON) continue;
    WAYPOINT copy = *w;
    copy.u8Icon = icon;
    T_NAV_bSaveWaypoint(id, &copy, FALSE, FALSE);
  }
  WPM_vFinishOperation();
  WPM_vClick(TRUE);
}

static void T_NAV_GROUP_vCancelWaypointIconForMultiSelect(U32) {
  g_WPMSel.pfnMultiSelectDone = T_NAV_GROUP_vSetWaypointIconForSelectedItems;
  g_WPMSel.eMultiSelectMode = GROUP_MULTI_SELECT_SETWAYPOINTICON;
}

// The chooser sets the icon of waypoints already made: it is titled for
// that, not as the new waypoint's icon chooser of a mark.
void T_NAV_GROUP_vSetWaypointIconForSelectedItems(U32) {
  memset(s_aIconFields, 0, sizeof s_aIconFields);
  WPM_vCategoryRows(s_aIconFields, Icon, 0);
  s_aIconFields[2] = WPM_Row(Save, EDIT_TYPE_SAVE);
  WPM_vInstallForm(&s_IconForm, s_aIconFields,
                   {Set_Icon, 410, 202, T_NAV_GROUP_vUpdateEditWaypointIcon,
                    T_NAV_GROUP_vSaveWaypointIconForMultiSelect, &s_u8ChosenIcon, 0, nullptr});
  s_IconForm.pCancelFunc = T_NAV_GROUP_vCancelWaypointIconForMultiSelect;
}

// The waypoint menu's Set Icon: the icon chooser of the multi-select, for
// the highlighted waypoint alone.
void T_NAV_GROUP_vSetIconOfHighlighted(U32) {
  const U16 id = WPM_u16HighlightedItem();
  const WAYPOINT* w = WPM_eClass(id) == WPM_ITEM_WAYPOINT ? WPM_pWaypoint(id) : nullptr;
  if (w == nullptr || w->u8Status == WPT_STATUS_SAVED_2) {
    WPM_vClick(FALSE);
    return;
  }
  g_WPMSel.u16SelectedCount = 0;
  WPM_vSelectAppend(id, g_WPM.u16CurrentGroupID, g_WPM.u16ParentGroupID);
  T_NAV_GROUP_vSetWaypointIconForSelectedItems(0);
}

// ---------------------------------------------------------------------------
// Dialogs opened from outside the manager

void T_NAV_GROUP_vExitDialog(POPUP_WINDOW*) {
  g_WPM.eInputState = STATE_SLEEP;
  U_KEYBOARD_bUnregisterKeys(M_NAV, 0xFFFE);
  U_VIEW_bUnRegisterLayer(NAV_GROUP_MAIN_LAYER);
}

void T_NAV_GROUP_vWaypointSettingsRender(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER) {
  L_MUTEX_LockWait(RES_NAV_DATA);
  POPUP_ALARMWINDOW* pNote = g_WPM.pPopupAlarmWindow;
  if (pNote != nullptr && pNote->parent.bActive && pNote->parent.pDrawFunc != nullptr) {
    pNote->parent.pDrawFunc(&pNote->parent, pBitmap);
  }
  POPUP_WINDOW* pPopup = g_WPM.pPopupWindow;
  if (pPopup != nullptr && pPopup->bActive && pPopup->pDrawFunc != nullptr) pPopup->pDrawFunc(pPopup, pBitmap);
  L_MUTEX_Unlock(RES_NAV_DATA);
}

// The manager's keys and its layer, drawing only the dialog.
static void WPM_vDialogUp(void) {
  U_KEYBOARD_bRegisterKeys(M_NAV, 0xFFEF, KEY_DOWN, FALSE, FALSE, NOT_CURSOR_KEY, REGISTER_DIALOG_BOX);
  U_KEYBOARD_bRegisterKeys(M_NAV, HKEY_MASK_CURSOR, KEY_DOWN, TRUE, TRUE, CURSOR_4, REGISTER_DIALOG_BOX);
  U_VIEW_bRegisterLayer(T_NAV_GROUP_vWaypointSettingsRender, NAV_GROUP_MAIN_LAYER, USED_BY_ALL, 0, 0, TRUE, nullptr,
                        nullptr, nullptr);
  g_WPM.eInputState = STATE_ITEM_LIST;
  g_WPM.eMode = MODE_WAYPOINTSETTINGS;
}

// ---------------------------------------------------------------------------
// The icon of a new mark: the place is taken when the mark is asked for, so
// that a cursor or boat moving while the icon is chosen does not move it.

static POINT s_ptMark;
static BOOLEAN s_bMarkPos;
static U8 s_u8WaypointIconUsed;

static void T_NAV_GROUP_vSaveWaypointIcon(void* pData, U32) {
  if (!s_bMarkPos) return;
  POINT pt = s_ptMark;
  s_bMarkPos = FALSE;
  T_NAV_TWR_vTemporarilyEnableCLWCUpdateForAllModels(TRUE);
  T_NAV_vHandleNamedMarkWithoutUpdatingPos(nullptr, *(const U8*)pData, &pt, nullptr);
  T_NAV_TWR_vTemporarilyEnableCLWCUpdateForAllModels(FALSE);
  WPM_vClick(TRUE);
}

static void WPM_vSelectIconForMark(BOOLEAN bVesselPosition) {
  log_me("[%d]%s: in here\n", __LINE__, __func__);
  s_bMarkPos = FALSE;
  if (!T_NAV_vGetPosBeforeMark(&s_ptMark, bVesselPosition)) {
    WPM_vClick(FALSE);
    return;
  }
  s_bMarkPos = TRUE;
  L_MUTEX_LockWait(RES_NAV_DATA);
  WPM_vDialogUp();
  WPM_vClick(TRUE);
  U32 icon = 0;
  BOOLEAN bValid = FALSE;
  if (!H_DATABASE_bFetchU32(FCID("SWDI"), &icon, &bValid, nullptr) || !bValid || icon > NAV_MAX_ICON) {
    icon = 0;
    H_DATABASE_bUpdateEverythingU32(FCID("SWDI"), icon, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  }
  s_u8WaypointIconUsed = (U8)icon;
  memset(s_aIconFields, 0, sizeof s_aIconFields);
  WPM_vCategoryRows(s_aIconFields, Icon, WPM_u8AllIndex(s_u8WaypointIconUsed));
  s_aIconFields[0].left_part_percent = s_aIconFields[1].left_part_percent = 60;
  s_aIconFields[2] = WPM_Row(Save, EDIT_TYPE_SAVE);
  WPM_vInstallForm(&s_IconForm, s_aIconFields,
                   {New_Waypoint_Icon, 410, 202, T_NAV_GROUP_vUpdateEditWaypointIcon, T_NAV_GROUP_vSaveWaypointIcon,
                    &s_u8WaypointIconUsed, 0, nullptr});
  s_IconForm.parent.pDestoryFunc = T_NAV_GROUP_vExitDialog;
  L_MUTEX_Unlock(RES_NAV_DATA);
}

void T_NAV_GROUP_vSelectWaypointIconForMark(void) { WPM_vSelectIconForMark(FALSE); }
void T_NAV_GROUP_vSelectWaypointIconForVesselMark(void) { WPM_vSelectIconForMark(TRUE); }

static EDIT_FIELD s_aSettingsFields[5];
// Wider than the other forms: its rows' labels name the waypoint icon in
// full beside a picture or a choice.
constexpr S32 WPM_SETTINGS_WIDTH = 470;
static POPUP_EDIT_WINDOW s_SettingsForm;
static WAYPOINT_SETTINGS s_Settings;
static const char* const* const s_StringListMarkIcon[] = {Default, Select};

static BOOLEAN T_NAV_GROUP_vUpdateEditWaypointSettings(POPUP_WINDOW* pWin) {
  POPUP_EDIT_WINDOW* p = (POPUP_EDIT_WINDOW*)pWin;
  WAYPOINT_SETTINGS* s = (WAYPOINT_SETTINGS*)p->pData;
  s->u8DefaultWaypointIcon = WPM_u8ChosenIcon(&p->pEditFields[1]);
  s->s_bTurnOnSelection = p->pEditFields[2].value_string[0] != 0;
  return TRUE;
}

static void T_NAV_GROUP_vSaveWaypointSettings(void* pData, U32) {
  const WAYPOINT_SETTINGS* s = (const WAYPOINT_SETTINGS*)pData;
  H_DATABASE_bUpdateValueU32(FCID("SWDI"), s->u8DefaultWaypointIcon, P_NORMAL);
  H_DATABASE_bUpdateValueBoolean(FCID("STOS"), s->s_bTurnOnSelection, P_NORMAL);
  T_NAV_vActivateUpdateHideStatus();
  WPM_vClick(TRUE);
}

static BOOLEAN T_NAV_GROUP_bEditWaypointSettingsWindowHandleKeys(POPUP_WINDOW* pWin, const MSG_KEY_CHANGE* pMsg) {
  T_NAV_GROUP_bEditWindowHandleKeys(pWin, pMsg);
  return TRUE;
}

void T_NAV_GROUP_vEditWaypointSettingsDiag(U32) {
  U32 icon = 0;
  BOOLEAN bValid = FALSE, bIce = FALSE;
  H_DATABASE_bFetchBoolean(FCID("SICE"), &bIce, nullptr, nullptr);
  if (!H_DATABASE_bFetchU32(FCID("SWDI"), &icon, &bValid, nullptr) || !bValid || icon > NAV_MAX_ICON) {
    icon = bIce ? NAV_MAX_ICON : 0;
    H_DATABASE_bUpdateEverythingU32(FCID("SWDI"), icon, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  }
  BOOLEAN bSelect = FALSE;
  bValid = FALSE;
  if (!H_DATABASE_bFetchBoolean(FCID("STOS"), &bSelect, &bValid, nullptr) || !bValid) {
    bSelect = FALSE;
    H_DATABASE_bUpdateEverythingBoolean(FCID("STOS"), FALSE, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  }
  s_Settings.u8DefaultWaypointIcon = (U8)icon;
  s_Settings.s_bTurnOnSelection = bSelect;
  memset(s_aSettingsFields, 0, sizeof s_aSettingsFields);
  WPM_vCategoryRows(s_aSettingsFields, Default_Waypoint_Icon, WPM_u8AllIndex((U8)icon));
  s_aSettingsFields[2] = WPM_Row(New_Waypoint_Icon, EDIT_TYPE_STRING_LIST);
  s_aSettingsFields[2].pDisplayList = s_StringListMarkIcon;
  s_aSettingsFields[2].nDisplayList = 2;
  s_aSettingsFields[2].value_string[0] = bSelect ? 1 : 0;
  s_aSettingsFields[3] = WPM_Row(Save, EDIT_TYPE_SAVE);
  WPM_vInstallForm(&s_SettingsForm, s_aSettingsFields,
                   {Waypoint_Settings, WPM_SETTINGS_WIDTH, 256, T_NAV_GROUP_vUpdateEditWaypointSettings,
                    T_NAV_GROUP_vSaveWaypointSettings, &s_Settings, 0, nullptr});
  s_SettingsForm.parent.pKeyHandleFunc = T_NAV_GROUP_bEditWaypointSettingsWindowHandleKeys;
  s_SettingsForm.parent.pDestoryFunc = T_NAV_GROUP_vExitDialog;
}

void T_NAV_GROUP_vWaypointSettings_Setup(void) {
  L_MUTEX_LockWait(RES_NAV_DATA);
  WPM_vDialogUp();
  T_NAV_GROUP_vEditWaypointSettingsDiag(0);
  L_MUTEX_Unlock(RES_NAV_DATA);
  WPM_vClick(TRUE);
}

BOOLEAN T_NAV_GROUP_bVerifyAndEditSpecifiedWaypoint_Setup(U16 nIndex) {
  L_MUTEX_LockWait(RES_NAV_DATA);
  ROUTE* pRoute = T_NAV_pGetCurrentRoute();
  BOOLEAN bOpened = FALSE;
  if (WPM_pWaypoint(nIndex) == nullptr) {
    // Nothing stored there: no form.
  } else if (pRoute != nullptr && T_NAV_bWaypointUsedInRoute(nIndex, pRoute)) {
    T_NAV_vSetNavUINote(Data_In_Use_Cannot_Edit, nullptr, FALSE);
    WPM_vClick(FALSE);
  } else {
    g_WPM.u16CurrentGroupID = NAV_NONE;
    POPUP_EDIT_WINDOW* pForm = WPM_pOpenWaypointEdit(nIndex);
    if (pForm != nullptr) {
      EDIT_FIELD* f = pForm->pEditFields;
      if (WPM_pWaypoint(nIndex)->u8Icon == MOB_ICON) {
        // A man-overboard waypoint keeps its icon: the icon rows go.
        const BOOLEAN bOnIcons = f[1].highlight >= 0 || f[2].highlight >= 0;
        f[1].bInactive = f[2].bInactive = TRUE;
        f[2].pDisplayList = ICONCATEGORY_MOB_ARRAY;
        f[2].nDisplayList = 1;
        f[2].value_string[0] = 0;
        if (bOnIcons) {
          f[1].highlight = f[2].highlight = -1;
          f[0].highlight = 0;
        }
      }
      pForm->parent.pDestoryFunc = T_NAV_GROUP_vExitDialog;
      WPM_vDialogUp();
      bOpened = TRUE;
    }
  }
  L_MUTEX_Unlock(RES_NAV_DATA);
  if (bOpened) WPM_vClick(TRUE);
  return bOpened;
}

// The chart's route form edits the first 11 characters of the name (4 in
// the 16-bit languages); the rest of a longer stored name stays as it was.
static const WPM_NAME_SHAPE s_ChartRouteName = {"CCCCCCCCCCC", "UUUU"};
static EDIT_FIELD s_aChartRouteFields[4];
static POPUP_EDIT_WINDOW s_ChartRouteForm;
static ROUTE s_ChartRoute;
static char s_acChartRouteFooter[64];
static const char* s_apChartRouteFooter[2] = {s_acChartRouteFooter, nullptr};

// Character i of a name in u32Unit-byte characters.
static U16 WPM_u16NameChar(const char* pcName, U32 i, U32 u32Unit) {
  return u32Unit == 1 ? (U8)pcName[i] : (U16)((U8)pcName[2 * i] << 8 | (U8)pcName[2 * i + 1]);
}

static BOOLEAN T_NAV_GROUP_bUpdateChartRoute(POPUP_WINDOW*) {
  const EDIT_FIELD* f = &s_aChartRouteFields[0];
  const U32 unit = WPM_bWideRow(f) ? 2 : 1;
  const U32 positions = (U32)strlen(unit == 2 ? s_ChartRouteName.pcWideMask : s_ChartRouteName.pcMask);
  char name[2 * 11 + 2] = {};
  WPM_vTakeName(name, (positions + 1) * unit, f);
  if (WPM_bBlankName(name)) return FALSE;
  U32 taken = 0, stored = 0;
  while (taken < positions && WPM_u16NameChar(name, taken, unit) != 0) taken++;
  while (stored < NAV_ROUTE_NAME_SIZE / unit && WPM_u16NameChar(s_ChartRoute.sName, stored, unit) != 0) stored++;
  for (U32 i = 0; i < positions; i++) {
    const U16 c = i < taken ? WPM_u16NameChar(name, i, unit) : (stored > positions ? ' ' : 0);
    if (unit == 2) s_ChartRoute.sName[2 * i] = (char)(c >> 8);
    s_ChartRoute.sName[unit * i + unit - 1] = (char)c;
  }
  s_ChartRoute.bHide = s_aChartRouteFields[1].value_string[0] == 0;
  return TRUE;
}

static void T_NAV_GROUP_vSaveChartRouteHeader(void* pData, U32 u32Index) {
  const ROUTE* pCopy = (const ROUTE*)pData;
  const ROUTE* pStored = WPM_pRoute((U16)u32Index);
  if (pStored == nullptr) return;
  ROUTE r = *pStored;
  memcpy(r.sName, pCopy->sName, sizeof r.sName);
  r.bHide = pCopy->bHide;
  T_NAV_bSaveRoute(u32Index & 0x07FF, &r, FALSE);
  T_NAV_vActivateUpdateHideStatus();
}

BOOLEAN T_NAV_GROUP_bVerifyAndEditSpecifiedRoute_Setup(U16 u16Index) {
  const U16 id = (U16)(u16Index | NAV_ITEM_ROUTE_BASE);
  log_me("[%d]%s: route index to edit = %d\n", __LINE__, "T_NAV_GROUP_vEditSpecifiedRoute_Setup", (int)u16Index);
  log_me("[%d]%s: big index = %d\n", __LINE__, "T_NAV_GROUP_vEditSpecifiedRoute_Setup", (int)id);
  L_MUTEX_LockWait(RES_NAV_DATA);
  const ROUTE* r = u16Index < NAV_MAX_ROUTES ? WPM_pRoute(id) : nullptr;
  if (r == nullptr) {
    L_MUTEX_Unlock(RES_NAV_DATA);
    return FALSE;
  }
  s_ChartRoute = *r;
  memset(s_aChartRouteFields, 0, sizeof s_aChartRouteFields);
  WPM_vNameRow(&s_aChartRouteFields[0], r->sName, NAV_ROUTE_NAME_SIZE, s_ChartRouteName);
  s_aChartRouteFields[1] = WPM_Row(Visibility, EDIT_TYPE_STRING_LIST);
  WPM_vVisibilityRow(&s_aChartRouteFields[1], r->bHide);
  s_aChartRouteFields[2] = WPM_Row(Save, EDIT_TYPE_SAVE);
  for (U32 i = 0; i < 3; i++) s_aChartRouteFields[i].left_part_percent = 21;
  WPM_vCreatedLine(s_acChartRouteFooter, sizeof s_acChartRouteFooter, r->u32DateTime);
  WPM_vInstallForm(&s_ChartRouteForm, s_aChartRouteFields,
                   {Edit_Route, 420, 241, T_NAV_GROUP_bUpdateChartRoute, T_NAV_GROUP_vSaveChartRouteHeader,
                    &s_ChartRoute, id, s_apChartRouteFooter});
  s_ChartRouteForm.parent.pDestoryFunc = T_NAV_GROUP_vExitDialog;
  WPM_vDialogUp();
  L_MUTEX_Unlock(RES_NAV_DATA);
  WPM_vClick(TRUE);
  return TRUE;
}

// ---------------------------------------------------------------------------
// Waypoint actions

static U16 WPM_u16HighlightedWaypoint(void) {
  const U16 id = WPM_u16HighlightedItem();
  return WPM_pWaypoint(id) != nullptr ? id : NAV_NONE;
}

static void WPM_vCloseAfterAction(void) {
  if (g_WPM.eInputState == STATE_SLEEP) return;
  T_CHART_vEnableChartInPopupWindow(FALSE);
  T_NAV_GROUP_vExitMainWindow();
}

void T_NAV_GROUP_vWaypointCursorTo(U32) {
  const U16 id = WPM_u16HighlightedWaypoint();
  if (id == NAV_NONE) return;
  T_NAV_vCursorToWaypoint(id);
  WPM_vCloseAfterAction();
  S32 view = 0;
  if (H_DATABASE_bFetchS32(FCID("CVEW"), &view, nullptr, nullptr)) {
    BOOLEAN bIce = FALSE;
    H_DATABASE_bFetchBoolean(FCID("SICE"), &bIce, nullptr, nullptr);
    H_DATABASE_bUpdateValueS32(FCID("CVEW"), bIce ? CHART_ICE_VIEW_PRIORITY : CHART_VIEW_PRIORITY, P_NORMAL);
  }
}

// The navigation task does the work (and puts up its "Remove Target" or
// "Remove Grid" items); the manager only hands the waypoint over and closes.
static void WPM_vHandOver(void (*pfnNav)(U32)) {
  const U16 id = WPM_u16HighlightedWaypoint();
  if (id == NAV_NONE) return;
  pfnNav(id);
  WPM_vCloseAfterAction();
}

void T_NAV_GROUP_vWaypointGoTo(U32) { WPM_vHandOver(T_NAV_vGoToWaypoint); }
void T_NAV_GROUP_vWaypointTarget(U32) { WPM_vHandOver(T_NAV_vTargetWaypoint); }
void T_NAV_GROUP_vWaypointGrid(U32) { WPM_vHandOver(T_NAV_vGridWaypoint); }

// ---------------------------------------------------------------------------
// Multi-select entry

void T_NAV_GROUP_vSelectMultipleAndSetWaypointIcon(U32) {
  WPM_vStartMultiSelect(Select_Icon, Set_Waypoint_Icon, T_NAV_GROUP_vSetWaypointIconForSelectedItems,
                        GROUP_MULTI_SELECT_SETWAYPOINTICON, FALSE);
}
