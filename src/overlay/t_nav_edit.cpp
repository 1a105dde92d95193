// The overlay spine: which screen is open, how a screen opens and closes,
// the answers of the confirmation boxes, the draw dispatch and the look the
// screens share.

#include "t_nav_edit_int.h"

#include <math.h>
#include <string.h>

#include "color.h"
#include "g_box.h"
#include "g_fonts.h"
#include "g_iconset.h"
#include "g_line.h"
#include "g_string.h"
#include "h_database.h"
#include "linuxsvc.h"
#include "navmath.h"
#include "t_messagebox.h"
#include "t_nav_edit_lists.h"
#include "t_nav_edit_rte.h"
#include "t_nav_edit_wpt.h"
#include "u_convert.h"
#include "u_language.h"
#include "u_menu.h"
#include "u_view.h"
#include "u_viewarea.h"
#include "u_wstring.h"
#include "ui_texts.h"

NAV_EDIT_STATE s_eNavEditState = NAV_EDIT_NONE;
NAV_EDIT_STATE s_eNavEditStateSaved = NAV_EDIT_NONE;
NAV_EDIT_TEXT s_pNavEditTitle = nullptr;
NAV_WPT_SEL s_WptSel;
NAV_POINT_SEL s_TwrPointSel;
NAV_POINT_ACTION s_TwrPointSelAction;
NAV_TRK_EDIT s_TrkEdit;
NAV_RTE_INFO s_RteInfo;
U16 s_au16SortedIndexes[NAV_MAX_WAYPOINTS];
ST_POINT_TYPE_INDEX s_atSortedPoints[NAV_EDIT_POINT_LIST_SIZE];

// ---------------------------------------------------------------------------
// Shared helpers

U32 NAV_EDIT_u32Setting(FOURCHARID id, U32 u32Fallback) {
  U32 value = u32Fallback;
  if (!H_DATABASE_bFetchU32(id, &value, nullptr, nullptr)) value = u32Fallback;
  return value;
}

void NAV_EDIT_vClick(BOOLEAN bGood) { L_SEMA_Signal(bGood ? SEMA_KEYCLICK_GOOD : SEMA_KEYCLICK_BAD); }

void NAV_EDIT_vAsk(NAV_EDIT_TEXT pQuestion, void (*pNo)(void), void (*pYes)(void)) {
  T_MESSAGEBOX_vSetupConfMessageWithTitle(pQuestion[nCurrentLanguage()], pNo, pYes, TRUE, 0);
}

void NAV_EDIT_vOpen(NAV_EDIT_STATE eState, NAV_EDIT_TEXT pTitle) {
  s_eNavEditState = eState;
  s_pNavEditTitle = pTitle;
  U_KEYBOARD_bRegisterKeys(M_NAV, 0xFFEF, KEY_DOWN, FALSE, FALSE, NOT_CURSOR_KEY, REGISTER_DIALOG_BOX);
  U_KEYBOARD_bRegisterKeys(M_NAV, HKEY_MASK_CURSOR, KEY_DOWN, TRUE, TRUE, CURSOR_4, REGISTER_DIALOG_BOX);
  U_VIEW_bRegisterLayer(T_NAV_EDIT_vRender, NAV_EDIT_LAYER, USED_BY_ALL, 0, 0, TRUE, nullptr, nullptr, nullptr);
}

void NAV_EDIT_vClose(void) {
  if (s_eNavEditState == NAV_EDIT_NONE) return;
  s_eNavEditState = NAV_EDIT_NONE;
  // The POWER bit registered at opening stays with the keyboard task's list:
  // unregistering it would take it from its own owner.
  U_KEYBOARD_bUnregisterKeys(M_NAV, 0xFFFE);
  U_VIEW_bUnRegisterLayer(NAV_EDIT_LAYER);
}

// In every language: a wide language's own characters come from the Unicode face.
const FONT_DEF* NAV_EDIT_pFont(void) { return myriad_pro_size17_font_def_ptr; }

const FONT_DEF* NAV_EDIT_pBoldFont(void) {
  return U_WSTRING_bIsUnicodeLanguage() ? arialuni_size17_font_def_ptr : myriad_pro_bold_size17_font_def_ptr;
}

COLOR NAV_EDIT_color(U32 u32Entry) { return gCOLOR_pcolColorTable[u32Entry]; }

const char* NAV_EDIT_pText(NAV_EDIT_TEXT pText, U32 nLang) {
  if (pText == nullptr) return "";
  return pText[nLang < UI_TEXT_LANGUAGES ? nLang : 0];
}

void NAV_EDIT_vText(BITMAP* pBitmap, S32 x, S32 y, const FONT_DEF* pFont, const char* pText) {
  POINT at = {x, y};
  G_STRING_vPut(pBitmap, NAV_EDIT_color(35), &at, pFont, (const BYTE*)pText);
}

void NAV_EDIT_vTextRight(BITMAP* pBitmap, S32 xRight, S32 y, const FONT_DEF* pFont, const char* pText) {
  NAV_EDIT_vText(pBitmap, xRight - (S32)G_STRING_u32GetWidth(pFont, (const BYTE*)pText), y, pFont, pText);
}

void NAV_EDIT_vHLine(BITMAP* pBitmap, U32 u32Entry, S32 x0, S32 x1, S32 y) {
  POINT a = {x0, y}, b = {x1, y};
  G_LINE_vDraw(pBitmap, NAV_EDIT_color(u32Entry), &a, &b);
}

void NAV_EDIT_vHighlight(BITMAP* pBitmap, S32 x, S32 y, U32 u32Width, U32 u32Height) {
  const POINT at = {x, y};
  T_NAV_EDIT_vDrawBoldBox(pBitmap, NAV_EDIT_color(241), &at, u32Width, u32Height, 3);
}

void T_NAV_EDIT_vDrawBoldBox(BITMAP* pDest, COLOR color, const POINT* pAnchor, U32 u32Width, U32 u32Height,
                             U32 u32LineWidth) {
  POINT at = *pAnchor;
  for (U32 i = 0; i < u32LineWidth && u32Width > 2 * i && u32Height > 2 * i; i++) {
    G_BOX_vDraw(pDest, color, &at, u32Width - 2 * i, u32Height - 2 * i);
    at.x++;
    at.y++;
  }
}

void T_NAV_vDrawScrollTab(BITMAP* pBitmap, POINT* pAnchor, U32 u32Width, BOOLEAN bUp, BOOLEAN bDown) {
  if (!bUp && !bDown) return;
  const ICON* pIcon = bUp && bDown ? &QX_Vorne_Footer_Both : (bUp ? &QX_Vorne_Footer_Up : &QX_Vorne_Footer_Down);
  NAV_EDIT_vHLine(pBitmap, 236, pAnchor->x + (S32)u32Width, pAnchor->x, pAnchor->y);
  const POINT at = {pAnchor->x + ((S32)u32Width - (S32)G_ICON_u32GetWidth(pIcon)) / 2,
                    pAnchor->y - (S32)G_ICON_u32GetHeight(pIcon)};
  G_ICON_vPut(pBitmap, pIcon, &at);
}

// ---------------------------------------------------------------------------
// Setups

double NAV_EDIT_dShownBearing(double dTrue, UNIT_TYPE units) {
  float variation = 0;
  if (units != U_DEG_MAGNETIC || !H_DATABASE_bFetchFloat(FCID("IMGV"), &variation, nullptr, nullptr)) return dTrue;
  return fmod(dTrue + 360.0 - variation, 360.0);
}

static NAV_FORMAT_ENUM NAV_EDIT_ePosFormat(void) { return (NAV_FORMAT_ENUM)NAV_EDIT_u32Setting(FCID("SIPF"), 6); }

BOOLEAN T_NAV_EDIT_bSelectWaypointSetup(NAV_EDIT_INDEX_CALLBACK pSelect, NAV_EDIT_TEXT pConfirmation,
                                        NAV_EDIT_TEXT pTitle, BOOLEAN bDisplayNetworkedWaypoints) {
  L_MUTEX_LockWait(RES_NAV_EDIT);
  U32 order = NAV_EDIT_u32Setting(FCID("SNWS"), 0);
  if (order > NAV_WPT_SORT_BY_WAYPOINTS) order = NAV_WPT_SORT_BY_WAYPOINTS;
  U32 count = 0;
  T_NAV_vGetSortedWaypoints((NAV_WPT_SORT_ORDER)order, &count, s_au16SortedIndexes, TRUE, bDisplayNetworkedWaypoints);
  const BOOLEAN bAny = count > 0;
  if (bAny) {
    s_WptSel = {};
    s_WptSel.nPosition = s_WptSel.nTop = -1;
    s_WptSel.au16SortedIndexes = s_au16SortedIndexes;
    s_WptSel.nCount = count;
    s_WptSel.eSortBy = (NAV_WPT_SORT_ORDER)order;
    s_WptSel.ePosFormat = NAV_EDIT_ePosFormat();
    s_WptSel.nLang = nCurrentLanguage();
    s_WptSel.pSelect = pSelect;
    s_WptSel.pConfirmation = pConfirmation;
    NAV_EDIT_vOpen(NAV_EDIT_SELECT_WAYPOINT, pTitle);
  }
  L_MUTEX_Unlock(RES_NAV_EDIT);
  return bAny;
}

BOOLEAN T_NAV_EDIT_bSelectTWRPointSetup(NAV_EDIT_POINT_CALLBACK pSelect, NAV_EDIT_TEXT pConfirmation,
                                        NAV_EDIT_TEXT pTitle, BOOLEAN bDisplayNetworkedpoints, BOOLEAN,
                                        BOOLEAN bAllowFlyoutPositionMenu) {
  L_MUTEX_LockWait(RES_NAV_EDIT);
  const U32 order = NAV_EDIT_u32Setting(FCID("SNWS"), 0);
  s_TwrPointSel = {};
  T_NAV_vGetSortedPointsList((NAV_WPT_SORT_ORDER)order, &s_TwrPointSel.nCount, s_atSortedPoints, TRUE,
                             bDisplayNetworkedpoints, FALSE, FALSE);
  s_TwrPointSel.nPosition = s_TwrPointSel.nTop = -1;
  s_TwrPointSel.atSortedList = s_atSortedPoints;
  s_TwrPointSel.eSortBy = (NAV_WPT_SORT_ORDER)order;
  s_TwrPointSel.ePosFormat = NAV_EDIT_ePosFormat();
  s_TwrPointSel.nLang = nCurrentLanguage();
  s_TwrPointSel.pSelect = pSelect;
  s_TwrPointSel.pConfirmation = pConfirmation;
  s_TwrPointSel.bAllowFlyoutPositionMenu = bAllowFlyoutPositionMenu;
  NAV_EDIT_vOpen(NAV_EDIT_SELECT_TWR_POINT, pTitle);
  const BOOLEAN bAny = s_TwrPointSel.nCount > 0;
  L_MUTEX_Unlock(RES_NAV_EDIT);
  return bAny;
}

void T_NAV_EDIT_vRouteInfoSetup(U32 nIndex, NAV_EDIT_TEXT pTitle) {
  L_MUTEX_LockWait(RES_NAV_EDIT);
  L_MUTEX_LockWait(RES_NAV_DATA);
  const ROUTE* pRoute = T_NAV_pGetRoute(nIndex);
  if (pRoute != nullptr) {
    s_RteInfo.nRteTop = -1;
    s_RteInfo.nIndex = nIndex;
    s_RteInfo.Route = *pRoute;
    // A damaged record may claim more points than a route holds: legs are
    // taken only between the points the record can carry.
    U32 count = s_RteInfo.Route.nCount & 0x3FFFFFFF;
    if (count > NAV_MAX_ROUTE_POINTS) count = NAV_MAX_ROUTE_POINTS;
    s_RteInfo.nLegs = 0;
    s_RteInfo.unitsBRG = H_DATABASE_CurrentUnits(D_HEADING);
    s_RteInfo.unitsDTG = H_DATABASE_CurrentUnits(D_DISTANCE);
    for (U32 i = 1; i < count; i++) {
      const WAYPOINT* pFrom = T_NAV_pGetWaypoint(s_RteInfo.Route.anWaypoint[i - 1]);
      const WAYPOINT* pTo = T_NAV_pGetWaypoint(s_RteInfo.Route.anWaypoint[i]);
      if (pFrom == nullptr || pTo == nullptr) continue;
      double bearing = 0, distance = 0;
      POSITION from, to;
      nv_RouteAngle(&pFrom->pt, &pTo->pt, &bearing);
      nv_MeterToDegr(&pFrom->pt, &from);
      nv_MeterToDegr(&pTo->pt, &to);
      nv_CalcDistance(&from, &to, bearing, &distance);
      s_RteInfo.fBRG[i - 1] = NAV_EDIT_dShownBearing(bearing, s_RteInfo.unitsBRG);
      s_RteInfo.fDTG[i - 1] = dConvertToInternal(distance, D_DISTANCE, U_NAUT_MILES);
      s_RteInfo.nLegs = i;
    }
  }
  L_MUTEX_Unlock(RES_NAV_DATA);
  if (pRoute != nullptr) NAV_EDIT_vOpen(NAV_EDIT_ROUTE_INFO, pTitle);
  L_MUTEX_Unlock(RES_NAV_EDIT);
}

// ---------------------------------------------------------------------------
// Closing

void T_NAV_EDIT_vResetState(void) {
  L_MUTEX_LockWait(RES_NAV_EDIT);
  NAV_EDIT_vClose();
  L_MUTEX_Unlock(RES_NAV_EDIT);
}

void T_NAV_EDIT_vReset(U32 u32Priority) {
  L_MUTEX_LockWait(RES_NAV_EDIT);
  NAV_EDIT_vClose();
  H_DATABASE_bUpdateEverythingU32(FCID("SNWS"), 0, u32Priority, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  L_MUTEX_Unlock(RES_NAV_EDIT);
}

void T_NAV_EDIT_vResetState_PointAction(void) {
  L_MUTEX_LockWait(RES_NAV_EDIT);
  if (s_eNavEditState == NAV_EDIT_SELECT_TWR_POINT_ACTION) s_eNavEditState = s_eNavEditStateSaved;
  s_eNavEditStateSaved = NAV_EDIT_NONE;
  L_MUTEX_Unlock(RES_NAV_EDIT);
}

NAV_EDIT_STATE T_NAV_EDIT_eState(void) {
  L_MUTEX_LockWait(RES_NAV_EDIT);
  const NAV_EDIT_STATE e = s_eNavEditState;
  L_MUTEX_Unlock(RES_NAV_EDIT);
  return e;
}

// ---------------------------------------------------------------------------
// Confirmation answers. They run on the message-box task, maybe long after
// the box was queued: each acts only while the screen that asked is still
// open, so a stale answer cannot act on a later screen's record.

static BOOLEAN NAV_EDIT_bStillOpen(NAV_EDIT_STATE eState) {
  L_MUTEX_LockWait(RES_NAV_EDIT);
  if (s_eNavEditState == eState) return TRUE;
  L_MUTEX_Unlock(RES_NAV_EDIT);
  return FALSE;
}

void T_NAV_vSWSelect(void) {
  if (!NAV_EDIT_bStillOpen(NAV_EDIT_SELECT_WAYPOINT)) return;
  const NAV_EDIT_INDEX_CALLBACK pSelect = s_WptSel.pSelect;
  const U32 index = s_WptSel.nPosition >= 0 && (U32)s_WptSel.nPosition < s_WptSel.nCount
                        ? s_WptSel.au16SortedIndexes[s_WptSel.nPosition]
                        : 0xFFFF;
  NAV_EDIT_vClose();
  L_MUTEX_Unlock(RES_NAV_EDIT);
  if (pSelect != nullptr && index != 0xFFFF) {
    pSelect(index);
  } else {
    NAV_EDIT_vClick(TRUE);
  }
}

// The no answer of both pickers and of the point actions.
void T_NAV_vSWCancel(void) {
  L_MUTEX_LockWait(RES_NAV_EDIT);
  const NAV_EDIT_STATE e = s_eNavEditState;
  const BOOLEAN bOurs = e == NAV_EDIT_SELECT_WAYPOINT || e == NAV_EDIT_SELECT_TWR_POINT ||
                        e == NAV_EDIT_SELECT_TWR_POINT_ACTION;
  if (bOurs) NAV_EDIT_vClose();
  L_MUTEX_Unlock(RES_NAV_EDIT);
  if (bOurs) NAV_EDIT_vClick(TRUE);
}

void T_NAV_vSelectTWRPoint(void) {
  if (!NAV_EDIT_bStillOpen(NAV_EDIT_SELECT_TWR_POINT)) return;
  const NAV_EDIT_POINT_CALLBACK pSelect = s_TwrPointSel.pSelect;
  ST_POINT_TYPE_INDEX point = {};
  const BOOLEAN bRow = s_TwrPointSel.nPosition >= 0 && (U32)s_TwrPointSel.nPosition < s_TwrPointSel.nCount;
  if (bRow) point = s_TwrPointSel.atSortedList[s_TwrPointSel.nPosition];
  NAV_EDIT_vClose();
  L_MUTEX_Unlock(RES_NAV_EDIT);
  T_MENU_vRemoveMenus();
  if (pSelect != nullptr && bRow) {
    pSelect(&point);
  } else {
    NAV_EDIT_vClick(TRUE);
  }
}

void T_NAV_vSelectTWRPointAction(void) {
  if (!NAV_EDIT_bStillOpen(NAV_EDIT_SELECT_TWR_POINT_ACTION)) return;
  const auto pSelect = s_TwrPointSelAction.pSelect;
  const U32 action = (U32)s_TwrPointSelAction.nPosition;
  ST_POINT_TYPE_INDEX point = {};
  const BOOLEAN bRow = s_TwrPointSel.nPosition >= 0 && (U32)s_TwrPointSel.nPosition < s_TwrPointSel.nCount;
  if (bRow) point = s_TwrPointSel.atSortedList[s_TwrPointSel.nPosition];
  NAV_EDIT_vClose();
  L_MUTEX_Unlock(RES_NAV_EDIT);
  T_MENU_vRemoveMenus();
  if (pSelect != nullptr && bRow) {
    pSelect(action, &point);
  } else {
    NAV_EDIT_vClick(TRUE);
  }
}

void T_NAV_vETCancel(void) {
  L_MUTEX_LockWait(RES_NAV_EDIT);
  const NAV_EDIT_STATE e = s_eNavEditState;
  const BOOLEAN bOurs = e == NAV_EDIT_CURRENT_TRACK_APPEARANCE || e == NAV_EDIT_TRACK_DEFAULT || e == NAV_EDIT_TRACK;
  const NAV_EDIT_INDEX_CALLBACK pCancel = s_TrkEdit.pCancel;
  const U32 index = s_TrkEdit.nIndex;
  if (bOurs) NAV_EDIT_vClose();
  L_MUTEX_Unlock(RES_NAV_EDIT);
  if (!bOurs) return;
  if (pCancel != nullptr) pCancel(index);
  NAV_EDIT_vClick(TRUE);
}

// ---------------------------------------------------------------------------
// Drawing

static void NAV_EDIT_vDrawScreen(BITMAP* pBitmap) {
  switch (s_eNavEditState) {
    case NAV_EDIT_CURRENT_TRACK_APPEARANCE:
      T_NAV_vCurrentTrackAppearanceRender(pBitmap);
      break;
    case NAV_EDIT_TRACK_DEFAULT:
      T_NAV_vTrackDefaultsRender(pBitmap);
      break;
    case NAV_EDIT_SELECT_WAYPOINT:
      T_NAV_vSelectWaypointRender(pBitmap);
      break;
    case NAV_EDIT_SELECT_TWR_POINT:
    case NAV_EDIT_SELECT_TWR_POINT_ACTION:
      T_NAV_vSelectTWRPointRender(pBitmap);
      break;
    case NAV_EDIT_AIS_CPA_LIMIT:
      T_NAV_vAisLimitsRender(pBitmap);
      break;
    case NAV_EDIT_WAYPOINT:
      T_NAV_vEditWaypointRender(pBitmap);
      break;
    case NAV_EDIT_ROUTE_INFO:
      T_NAV_vRouteInfoRender(pBitmap);
      break;
    case NAV_EDIT_SELECT_TRACK:
      T_NAV_vSelectTrackRender(pBitmap);
      break;
    case NAV_EDIT_TRACK:
      T_NAV_vEditTrackRender(pBitmap);
      break;
    case NAV_EDIT_SELECT_ROUTE:
      T_NAV_vSelectRouteRender(pBitmap);
      break;
    case NAV_EDIT_ROUTE:
      T_NAV_vEditRouteRender(pBitmap);
      break;
    default:
      // The AIS target list draws through a layer of its own.
      break;
  }
}

// A readout the open screen would cut is left out of the frames while it is
// open (the clock's "AM" beside the route editor, the cursor's position
// under the waypoint editor's title).
void T_NAV_EDIT_vRender(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER) {
  L_MUTEX_LockWait(RES_NAV_EDIT);
  U_VIEWAREA_vDrawCovering(NAV_EDIT_LAYER, pBitmap, NAV_EDIT_vDrawScreen);
  L_MUTEX_Unlock(RES_NAV_EDIT);
}
