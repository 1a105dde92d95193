// A route's legs in a popup, the route's editing and reordering entry, the
// move of one point, and travelling a route forward or in reverse.

#include <math.h>
#include <stdio.h>
#include <string.h>

#include "color.h"
#include "g_fonts.h"
#include "g_string.h"
#include "h_database.h"
#include "linuxsvc.h"
#include "navmath.h"
#include "t_chart.h"
#include "t_info.h"
#include "t_nav.h"
#include "t_nav_alarm.h"
#include "t_nav_group_data.h"
#include "t_nav_group_edit.h"
#include "t_nav_group_routeinfo.h"
#include "t_nav_group_sel.h"
#include "t_nav_twr.h"
#include "u_convert.h"
#include "u_dialog.h"
#include "u_language.h"
#include "u_menu.h"
#include "u_view.h"
#include "u_wstring.h"
#include "ui_texts.h"

WPM_ROUTE_INFO g_WPMRouteInfo = [] {
  WPM_ROUTE_INFO r = {};
  r.u16CurrentGroupIDForRouteInfo = NAV_NONE;
  r.u16MaxShowItemsForRouteInfo = 6;
  return r;
}();

// ---------------------------------------------------------------------------
// Legs

void WPM_vLeg(const POINT* pFrom, const POINT* pTo, double* pdBearing, double* pdDistance) {
  double course = 0.0, nm = 0.0;
  POSITION from, to;
  nv_RouteAngle(pFrom, pTo, &course);
  nv_MeterToDegr(pFrom, &from);
  nv_MeterToDegr(pTo, &to);
  nv_CalcDistance(&from, &to, course, &nm);
  *pdDistance = dConvertToInternal(nm, D_DISTANCE, U_NAUT_MILES);
  *pdBearing = course;
  float variation = 0.0f;
  if (H_DATABASE_CurrentUnits(D_HEADING) == U_DEG_MAGNETIC &&
      H_DATABASE_bFetchFloat(FCID("IMGV"), &variation, nullptr, nullptr)) {
    *pdBearing = (double)(float)fmod(course + 360.0 - (double)variation, 360.0);
  }
}

U32 WPM_u32Legs(const ROUTE* pRoute, double* pdBearing, double* pdDistance) {
  const U32 n = pRoute->nCount <= NAV_MAX_ROUTE_POINTS ? pRoute->nCount : NAV_MAX_ROUTE_POINTS;
  for (U32 i = 0; i + 1 < n; i++) {
    const WAYPOINT* a = WPM_pWaypoint(pRoute->anWaypoint[i]);
    const WAYPOINT* b = WPM_pWaypoint(pRoute->anWaypoint[i + 1]);
    if (a != nullptr && b != nullptr) WPM_vLeg(&a->pt, &b->pt, &pdBearing[i], &pdDistance[i]);
  }
  return n > 0 ? n - 1 : 0;
}

// ---------------------------------------------------------------------------
// The popup

static POPUP_WINDOW s_RouteInfoWindow;
constexpr S32 WPM_ROUTE_INFO_WIDTH = 490;

// The legs' lines keep the regular Latin face in a wide language too (its
// own characters come from the Unicode face through it): the Unicode
// face's Latin letters would crowd a leg's names into its bearing and
// distance.
static const FONT_DEF* WPM_pInfoFont(BOOLEAN bBold) {
  if (!bBold) return myriad_pro_size17_font_def_ptr;
  return U_WSTRING_bIsUnicodeLanguage() ? arialuni_size17_font_def_ptr : myriad_pro_bold_size17_font_def_ptr;
}

static void WPM_vPut(BITMAP* pBitmap, S32 x, S32 y, const char* pcText, BOOLEAN bBold) {
  POINT at = {x, y};
  G_STRING_vPut(pBitmap, gCOLOR_pcolColorTable[35], &at, WPM_pInfoFont(bBold), (const BYTE*)pcText);
}

static void WPM_vPointName(U16 id, char* out, U32 u32Size) {
  if (!WPM_bItemName(id, out, u32Size)) out[0] = '\0';
}

// "027°M  1.25 nm" for a leg.
static void WPM_vLegText(double dBearing, double dDistance, char* out, U32 u32Size) {
  const U32 lang = nCurrentLanguage();
  UNIT_TYPE units = H_DATABASE_CurrentUnits(D_DISTANCE);
  char distance[40] = {}, bearing[16];
  T_INFO_vFormatDistance(dDistance, &units, distance);
  snprintf(bearing, sizeof bearing, "%03.0f", dBearing);
  // The bearing and the gaps are ASCII; the distance comes from the
  // formatter and the units from the catalogue, both in the language's form.
  WPM_vJoinTexts(out, u32Size,
                 {nullptr, bearing, H_DATABASE_pcUnitsString(H_DATABASE_CurrentUnits(D_HEADING), lang), "  ",
                  distance, " ", H_DATABASE_pcUnitsString(units, lang)});
}

void T_NAV_GROUP_vRouteInfoWindowDraw(POPUP_WINDOW* pWin, BITMAP* pBitmap) {
  const WPM_ROUTE_INFO& ri = g_WPMRouteInfo;
  const ROUTE* r = WPM_pRoute(ri.u16CurrentGroupIDForRouteInfo);
  const S32 x = pWin->ptAnchor.x, y = pWin->ptAnchor.y, w = pWin->nWidth, h = pWin->nHeight;
  const S32 top = y + h;
  WPM_vFramed(pBitmap, x, y, w, h, 238);
  WPM_vFramed(pBitmap, x, top - 40, w, 40, 239);
  WPM_vPut(pBitmap, x + 10, top - 27, WPM_pcText(Route_Info), TRUE);
  if (r == nullptr) return;
  char name[NAV_ROUTE_NAME_SIZE + 2] = {};
  WPM_vPointName(ri.u16CurrentGroupIDForRouteInfo, name, sizeof name);
  WPM_vPut(pBitmap, x + 10, top - 66, name, TRUE);
  // The legs afresh, in arrays of the drawing's own.
  double bearing[NAV_MAX_ROUTE_POINTS] = {}, distance[NAV_MAX_ROUTE_POINTS] = {};
  ROUTE copy = *r;
  WPM_u32Legs(&copy, bearing, distance);
  for (U32 row = 0; row < ri.u16ShowItemsCountForRouteInfo; row++) {
    const U32 k = (U32)ri.u16FirstShowItemIndexInListForRouteInfo + row;
    const S32 rowBottom = top - 80 - 39 * (S32)(row + 1);
    if (row == ri.u16HighlightIndexForRouteInfo) U_DIALOG_vOutline(pBitmap, 241, x + 4, rowBottom, w - 8, 39);
    char from[32] = {}, to[32] = {}, leg[96] = {};
    if (k == 0) {
      WPM_vJoinTexts(from, sizeof from, {WPM_pcText(Current_Position)});
      WPM_vPointName(copy.nCount > 0 ? copy.anWaypoint[0] : NAV_NONE, to, sizeof to);
      POINT boat;
      const WAYPOINT* first = copy.nCount > 0 ? WPM_pWaypoint(copy.anWaypoint[0]) : nullptr;
      if (first != nullptr && WPM_bBoat(&boat)) {
        double b = 0.0, d = 0.0;
        WPM_vLeg(&boat, &first->pt, &b, &d);
        WPM_vLegText(b, d, leg, sizeof leg);
      }
    } else if (k < copy.nCount && k < NAV_MAX_ROUTE_POINTS) {
      WPM_vPointName(copy.anWaypoint[k - 1], from, sizeof from);
      WPM_vPointName(copy.anWaypoint[k], to, sizeof to);
      WPM_vLegText(bearing[k - 1], distance[k - 1], leg, sizeof leg);
    }
    char line[72];
    WPM_vJoinTexts(line, sizeof line, {from, " - ", to});
    WPM_vPut(pBitmap, x + 12, rowBottom + 12, line, FALSE);
    const S32 legWidth = (S32)G_STRING_u32GetWidth(WPM_pInfoFont(FALSE), (const BYTE*)leg);
    WPM_vPut(pBitmap, x + w - 12 - legWidth, rowBottom + 12, leg, FALSE);
  }
  char created[64] = {}, count[32] = {}, number[16];
  WPM_vCreatedLine(created, sizeof created, copy.u32DateTime);
  snprintf(number, sizeof number, "%d ", (int)copy.nCount);
  WPM_vJoinTexts(count, sizeof count, {nullptr, number, WPM_pcText(Waypoints)});
  WPM_vFramed(pBitmap, x, y, w, 60, 239);
  WPM_vPut(pBitmap, x + 10, y + 34, created, FALSE);
  WPM_vPut(pBitmap, x + 10, y + 10, count, FALSE);
}

BOOLEAN T_NAV_GROUP_vRouteInfoHandleKeys(POPUP_WINDOW* pWin, const MSG_KEY_CHANGE* pMsg) {
  WPM_ROUTE_INFO& ri = g_WPMRouteInfo;
  if (pMsg->key == HKEY_MASK_EXIT) {
    g_WPM.eInputState = STATE_ITEM_LIST;
    pWin->bActive = FALSE;
    if (g_WPM.pPopupWindow == pWin) g_WPM.pPopupWindow = nullptr;
    WPM_vClick(TRUE);
    return TRUE;
  }
  if (pMsg->key != HKEY_MASK_CURSOR) {
    WPM_vClick(FALSE);
    return TRUE;
  }
  const U32 rows = ri.u16ListCountForRouteInfo > 0 ? ri.u16ListCountForRouteInfo - 1u : 0u;
  switch (pMsg->cursor) {
    case CURSOR_NORTH:
      if (ri.u16HighlightIndexForRouteInfo > 0) {
        ri.u16HighlightIndexForRouteInfo--;
      } else if (ri.u16FirstShowItemIndexInListForRouteInfo > 0) {
        ri.u16FirstShowItemIndexInListForRouteInfo--;
      } else {
        WPM_vClick(FALSE);
        break;
      }
      WPM_vClick(TRUE);
      break;
    case CURSOR_SOUTH:
      if (ri.u16HighlightIndexForRouteInfo + 1u < ri.u16ShowItemsCountForRouteInfo) {
        ri.u16HighlightIndexForRouteInfo++;
      } else if ((U32)ri.u16FirstShowItemIndexInListForRouteInfo + ri.u16ShowItemsCountForRouteInfo < rows) {
        ri.u16FirstShowItemIndexInListForRouteInfo++;
      } else {
        WPM_vClick(FALSE);
        break;
      }
      WPM_vClick(TRUE);
      break;
    case CURSOR_EAST:
    case CURSOR_WEST:
      WPM_vClick(FALSE);
      break;
    default:
      break;
  }
  return TRUE;
}

void T_NAV_GROUP_vRouteInfo(U32) {
  const U16 id = WPM_u16HighlightedItem();
  if (!WPM_bIsRouteId(id)) return;
  WPM_ROUTE_INFO& ri = g_WPMRouteInfo;
  // Read under mutex 9, which the menu holds and every store writer takes;
  // the overlay editors' mutex 10 is taken before 9 elsewhere, so it is not
  // taken here, after it.
  const ROUTE* r = WPM_pRoute(id);
  if (r == nullptr) return;
  ROUTE copy = *r;
  const U32 n = copy.nCount <= NAV_MAX_ROUTE_POINTS ? copy.nCount : NAV_MAX_ROUTE_POINTS;
  ri.u16CurrentGroupIDForRouteInfo = id;
  memset(ri.au16ListIDsForRouteInfo, 0xFF, sizeof ri.au16ListIDsForRouteInfo);
  memcpy(ri.au16ListIDsForRouteInfo, copy.anWaypoint, n * sizeof copy.anWaypoint[0]);
  ri.u16HighlightIndexForRouteInfo = 0;
  ri.u16FirstShowItemIndexInListForRouteInfo = 0;
  ri.u16ListCountForRouteInfo = (U16)(n + 1);
  ri.u16ShowItemsCountForRouteInfo = (U16)(n < ri.u16MaxShowItemsForRouteInfo ? n : ri.u16MaxShowItemsForRouteInfo);
  WPM_u32Legs(&copy, ri.afBRGArray, ri.afDTGArray);
  memset(&s_RouteInfoWindow, 0, sizeof s_RouteInfoWindow);
  s_RouteInfoWindow.strTitle = Show_Route_Information;
  s_RouteInfoWindow.bActive = TRUE;
  // Wide enough for the leg from the boat, its names and its values on one
  // row in every language, and still inside the narrowest view area.
  s_RouteInfoWindow.nWidth = WPM_ROUTE_INFO_WIDTH;
  s_RouteInfoWindow.nHeight = 460;
  const S32 origin = (S32)T_INFO_u32XOrigin();
  s_RouteInfoWindow.ptAnchor = {origin + (800 - WPM_ROUTE_INFO_WIDTH - origin) / 2, (480 - 460) / 2};
  s_RouteInfoWindow.pDrawFunc = T_NAV_GROUP_vRouteInfoWindowDraw;
  s_RouteInfoWindow.pKeyHandleFunc = T_NAV_GROUP_vRouteInfoHandleKeys;
  g_WPM.pPopupWindow = &s_RouteInfoWindow;
}

// ---------------------------------------------------------------------------
// Editing entry and reorder

static BOOLEAN WPM_bRouteInUse(U16 id) {
  if (!T_NAV_bIsRouteActive(id & 0x07FF)) return FALSE;
  T_NAV_vSetNavUINote(Data_In_Use_Cannot_Edit, nullptr, FALSE);
  WPM_vClick(FALSE);
  return TRUE;
}

// The route's record kept, so that a discarded edit puts it back.
static void WPM_vBackUp(U16 id) {
  const ROUTE* r = WPM_pRoute(id);
  if (r == nullptr) return;
  g_WPMEdit.RouteBackupForEdit = *r;
  g_WPMEdit.u16RouteIndexBackupForEdit = id;
}

// "Save <name>" on the low bar and "Edit Route: <name>, then select Save".
static void WPM_vEditRouteTexts(U16 id) {
  char name[NAV_ROUTE_NAME_SIZE + 2] = {};
  WPM_vPointName(id, name, sizeof name);
  WPM_vJoinTexts(g_WPM.acLowBarText, sizeof g_WPM.acLowBarText, {WPM_pcText(Save), " ", name});
  WPM_vJoinTexts(g_WPM.acInstructionText, sizeof g_WPM.acInstructionText,
                 {WPM_pcText(Edit_Route), ": ", name, ", ", WPM_pcText(Then_Select), " ", WPM_pcText(Save)});
}

void T_NAV_GROUP_vAddRemoveRoute(U32) {
  const U16 id = WPM_u16HighlightedItem();
  const ROUTE* r = WPM_pRoute(id);
  if (r == nullptr || WPM_bRouteInUse(id)) return;
  WPM_vEditRouteTexts(id);
  g_WPM.u16CurrentEditGroupID = id;
  WPM_vBackUp(id);
  g_WPM.eMode = MODE_EDIT_ROUTE;
}

void WPM_vPlaceReorderedPoint(void) {
  if (WPM_pRoute(g_WPM.u16CurrentGroupID) != nullptr) WPM_vEditRouteTexts(g_WPM.u16CurrentGroupID);
  g_WPM.eMode = MODE_EDIT_ROUTE;
  WPM_vClick(TRUE);
}

void T_NAV_GROUP_vAddRemoveGroup(U32) {
  const U16 id = WPM_u16HighlightedItem();
  if (WPM_pHeader(id) == nullptr) return;
  char name[NAV_WAYPOINT_NAME_SIZE + 2] = {};
  WPM_vPointName(id, name, sizeof name);
  WPM_vJoinTexts(g_WPM.acLowBarText, sizeof g_WPM.acLowBarText, {WPM_pcText(Save), " ", name});
  WPM_vJoinTexts(g_WPM.acInstructionText, sizeof g_WPM.acInstructionText,
                 {WPM_pcText(Edit_Group), ": ", name, ", ", WPM_pcText(Then_Select), " ", WPM_pcText(Save)});
  g_WPM.u16CurrentEditGroupID = id;
  g_WPMEdit.u32UndoCount = 0;
  g_WPM.eMode = MODE_EDIT_GROUP;
}

void T_NAV_GROUP_vRouteEditReorder(U32) {
  const U16 id = g_WPM.u16CurrentGroupID;
  const ROUTE* r = WPM_pRoute(id);
  if (r == nullptr || WPM_bRouteInUse(id)) return;
  if (g_WPM.eMode != MODE_EDIT_ROUTE || g_WPMEdit.u16RouteIndexBackupForEdit != id) WPM_vBackUp(id);
  g_WPM.u16CurrentEditGroupID = id;
  if (r->nCount < 2) {
    WPM_vClick(TRUE);
    return;
  }
  WPM_vJoinTexts(g_WPM.acInstructionText, sizeof g_WPM.acInstructionText, {WPM_pcText(Reorder_Instruction)});
  g_WPM.eMode = MODE_REORDER_WAYPOINT_IN_ROUTE;
}

void T_NAV_GROUP_vRouteEditChangeWaypointOrder(S32 Index, BOOLEAN IsUp) {
  const U16 id = g_WPM.u16CurrentGroupID;
  const ROUTE* r = WPM_pRoute(id);
  if (r == nullptr || r->nCount < 2) return;
  ROUTE copy = *r;
  const S32 count = (S32)(copy.nCount <= NAV_MAX_ROUTE_POINTS ? copy.nCount : NAV_MAX_ROUTE_POINTS);
  S32 a = -1;
  if (IsUp && Index >= 1 && Index < count) a = Index - 1;
  if (!IsUp && Index >= 0 && Index < count - 1) a = Index;
  if (a < 0) return;
  const U16 t = copy.anWaypoint[a];
  copy.anWaypoint[a] = copy.anWaypoint[a + 1];
  copy.anWaypoint[a + 1] = t;
  T_NAV_bSaveRoute(id & 0x07FF, &copy, FALSE);
  const U16 first = g_WPM.u16FirstShowItemIndexInList, highlight = g_WPM.u16HighlightIndex;
  T_NAV_GROUP_bEnterRoute(id, NAV_NONE);
  g_WPM.u16FirstShowItemIndexInList = first;
  g_WPM.u16HighlightIndex = highlight;
  WPM_vRefillShown();
  WPM_vJoinTexts(g_WPM.acHighBarText, sizeof g_WPM.acHighBarText, {WPM_pcText(Reverse)});
}

// ---------------------------------------------------------------------------
// Travel

static void WPM_vTravel(BOOLEAN bReverse) {
  const U16 id = WPM_u16HighlightedItem();
  const ROUTE* r = WPM_pRoute(id);
  if (r == nullptr) return;
  if (T_NAV_bIsMOBInProgress()) {
    T_NAV_vSetNavUINoteWithTimeout(MOB_navigation_in_progress, nullptr, 2, FALSE);
    WPM_vClick(FALSE);
    return;
  }
  const ROUTE copy = *r;
  T_NAV_vTravelRoute(&copy, (U16)(id & 0x07FF), 0, bReverse, nullptr);
  if (g_WPM.eInputState != STATE_SLEEP) {
    T_CHART_vEnableChartInPopupWindow(FALSE);
    T_NAV_GROUP_vExitMainWindow();
  }
}

void T_NAV_GROUP_vTravelRouteForward(U32) { WPM_vTravel(FALSE); }
void T_NAV_GROUP_vTravelRouteReverse(U32) { WPM_vTravel(TRUE); }
