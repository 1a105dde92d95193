// The waypoint and point pickers: a list under a title band that reaches the
// top of the screen, a sort row above the first entry, six rows a page, and
// below the list the highlighted entry's position and creation time.

#include <string.h>
#include <time.h>

#include "g_box.h"
#include "g_icon.h"
#include "g_iconset.h"
#include "g_string.h"
#include "h_database.h"
#include "linuxsvc.h"
#include "navmath.h"
#include "t_info.h"
#include "t_nav_edit_int.h"
#include "u_datum.h"
#include "u_menu.h"
#include "u_view.h"
#include "u_wstring.h"
#include "ui_texts.h"

namespace {

constexpr S32 SEL_ROW = 40;
constexpr S32 SEL_SORT_ROW = 54;
constexpr S32 SEL_LIST_TOP = 439;
constexpr U32 SEL_NAME_SIZE = 2 * 40 + 2;

MENU_TEXT const s_aSortByChoices[] = {Name, Time, Distance, Waypoints, Gravanes, Routes, Ferrowes};
const U32 s_aSortByValues[] = {0, 1, 2, 3, 4, 5, 6};

// What differs between the two pickers.
typedef struct tag_SEL_VIEW {
  S32 nPosition;
  S32 nTop;
  U32 nCount;
  U32 u32SortBy;
  U32 u32Choices;
  NAV_FORMAT_ENUM ePosFormat;
  U32 nLang;
  BOOLEAN bPoints;
} SEL_VIEW;

// Entry k's name, widened, in pName (SEL_NAME_SIZE bytes).
void SEL_vName(const SEL_VIEW& v, S32 k, char* pName) {
  memset(pName, 0, SEL_NAME_SIZE);
  if (v.bPoints) {
    T_NAV_vGetTwrPointName(&s_TwrPointSel.atSortedList[k], pName, 40, TRUE);
  } else {
    const WAYPOINT* pWaypoint = T_NAV_pGetWaypoint(s_WptSel.au16SortedIndexes[k]);
    if (pWaypoint != nullptr) memcpy(pName, pWaypoint->sName, sizeof pWaypoint->sName);
  }
  U_WSTRING_vReplaceNarrowWithWide(pName, SEL_NAME_SIZE);
}

BOOLEAN SEL_bWhen(const SEL_VIEW& v, S32 k, U32* pu32DateTime, POINT* pPoint) {
  if (v.bPoints) {
    T_NAV_vGetTwrPointDateTime(&s_TwrPointSel.atSortedList[k], pu32DateTime, pPoint);
    return TRUE;
  }
  const WAYPOINT* pWaypoint = T_NAV_pGetWaypoint(s_WptSel.au16SortedIndexes[k]);
  if (pWaypoint == nullptr) return FALSE;
  *pu32DateTime = pWaypoint->u32DateTime;
  *pPoint = pWaypoint->pt;
  return TRUE;
}

// The short title of the known picker titles; any other is shown whole.
const char* SEL_pTitle(const SEL_VIEW& v) {
  NAV_EDIT_TEXT pTitle = s_pNavEditTitle;
  if (pTitle == Select_Waypoint_To_Move_Cursor_To || pTitle == Select_Point_To_Cursor_To) pTitle = Cursor_To;
  if (pTitle == Select_Waypoint_to_Go_To || pTitle == Select_Point_to_Go_To) pTitle = GoTo_;
  if (pTitle == Select_Waypoint_to_Target) pTitle = Target;
  return NAV_EDIT_pText(pTitle, v.nLang);
}

U32 SEL_u32Width(const SEL_VIEW& v) {
  const FONT_DEF* pFont = NAV_EDIT_pFont();
  U32 width = v.bPoints ? 267 : 268;
  if (!v.bPoints && T_MENU_u32GetMinMenuWidth() > width) width = T_MENU_u32GetMinMenuWidth();
  U32 widest = 0;
  char name[SEL_NAME_SIZE + 40];
  for (S32 k = v.nTop < 0 ? 0 : v.nTop; k < v.nTop + (S32)NAV_EDIT_ROWS && k < (S32)v.nCount; k++) {
    SEL_vName(v, k, name);
    U32 w = G_STRING_u32GetWidth(pFont, (const BYTE*)name);
    if (v.bPoints) {
      // Room for the longest form a route end can take.
      U_WSTRING_vAscii2UnicodeCat(name, " ", 2);
      U_WSTRING_vw_strncat(name, NAV_EDIT_pText(to_start, v.nLang), 36, FALSE);
      w = G_STRING_u32GetWidth(pFont, (const BYTE*)name);
    } else {
      w += 40;
    }
    if (w > widest) widest = w;
  }
  if (widest > width + 1) width = widest - 1;
  // The sort row's label and its longest choice, side by side.
  U32 choice = 0;
  for (U32 i = 0; i < v.u32Choices; i++) {
    const U32 w = G_STRING_u32GetWidth(NAV_EDIT_pBoldFont(), (const BYTE*)NAV_EDIT_pText(s_aSortByChoices[i], v.nLang));
    if (w > choice) choice = w;
  }
  const U32 label = G_STRING_u32GetWidth(pFont, (const BYTE*)NAV_EDIT_pText(Sort_By, v.nLang));
  const U32 sortRow = 11 + label + 16 + choice + 11;
  if (sortRow > width) width = sortRow;
  return width;
}

void SEL_vFramedBox(BITMAP* pBitmap, U32 u32Entry, S32 x, S32 y, U32 w, U32 h) {
  const POINT at = {x, y};
  G_BOX_vDraw(pBitmap, NAV_EDIT_color(u32Entry), &at, w, h);
}

void SEL_vFill(BITMAP* pBitmap, U32 u32Entry, S32 x, S32 y, U32 w, U32 h) {
  const POINT at = {x, y};
  G_BOX_vDrawFilled(pBitmap, NAV_EDIT_color(u32Entry), &at, w, h);
}

void SEL_vIcon(BITMAP* pBitmap, const ICON* pIcon, S32 x, S32 y) {
  const POINT at = {x, y};
  G_ICON_vPut(pBitmap, pIcon, &at);
}

void SEL_vSortRow(BITMAP* pBitmap, const SEL_VIEW& v, S32 x, U32 W) {
  const S32 bottom = SEL_LIST_TOP - SEL_SORT_ROW;
  const FONT_DEF* pBold = NAV_EDIT_pBoldFont();
  const U32 sortBy = v.u32SortBy < v.u32Choices ? v.u32SortBy : 0;
  // While highlighted the choice box takes the row's middle, over the label.
  if (v.nPosition != -1) NAV_EDIT_vText(pBitmap, x + 11, bottom + 20, NAV_EDIT_pFont(), NAV_EDIT_pText(Sort_By, v.nLang));
  if (v.nPosition == -1) {
    U32 widest = 0;
    for (U32 i = 0; i < v.u32Choices; i++) {
      const U32 w = G_STRING_u32GetWidth(pBold, (const BYTE*)NAV_EDIT_pText(s_aSortByChoices[i], v.nLang));
      if (w > widest) widest = w;
    }
    M_SELECTION_BOX_PARAMETERS box = {0, s_aSortByChoices, nullptr, s_aSortByValues, (U8)sortBy, v.u32Choices};
    const U32 boxWidth = widest + 64 < W ? widest + 64 : W - 2;
    const POINT at = {x + (S32)(W - boxWidth) / 2, bottom + 11};
    U_MENU_vDrawControlSelectionBox(pBitmap, at, (U8)sortBy, &box, boxWidth, 32, NAV_EDIT_color(238));
    NAV_EDIT_vHighlight(pBitmap, x + 1, bottom, W - 2, SEL_SORT_ROW);
  } else {
    NAV_EDIT_vTextRight(pBitmap, x + (S32)W - 11, bottom + 20, pBold,
                        NAV_EDIT_pText(s_aSortByChoices[sortBy], v.nLang));
  }
  NAV_EDIT_vHLine(pBitmap, 32, x + 1, x + (S32)W - 2, bottom);
}

void SEL_vDetails(BITMAP* pBitmap, const SEL_VIEW& v, S32 x, U32 W, S32 listBottom) {
  U32 u32DateTime = 0;
  POINT pt = {};
  if (!SEL_bWhen(v, v.nPosition, &u32DateTime, &pt)) return;
  const S32 y = listBottom - 136;
  SEL_vFramedBox(pBitmap, 32, x, y, W, 136);
  SEL_vFill(pBitmap, 239, x + 2, y + 2, W - 4, 132);
  SEL_vFramedBox(pBitmap, 236, x + 1, y + 1, W - 2, 134);
  const FONT_DEF* pFont = NAV_EDIT_pFont();
  POSITION pos = {};
  nv_MeterToDegr(&pt, &pos);
  U32 datum = 0;
  if (H_DATABASE_bFetchU32(FCID("SDTM"), &datum, nullptr, nullptr)) {
    WGS84_2_Datum(pos.lat, pos.lon, &pos.lat, &pos.lon, (DATUM_PLANE)datum);
  }
  char text[U_NAV_POSITION_TEXT_SIZE];
  U_NAV_vFormatPosition(D_POSITION_LAT, pos.lat, text, v.ePosFormat, v.nLang, IPS_SPACE);
  NAV_EDIT_vText(pBitmap, x + 11, y + 104, pFont, text);
  U_NAV_vFormatPosition(D_POSITION_LON, pos.lon, text, v.ePosFormat, v.nLang, IPS_SPACE);
  NAV_EDIT_vText(pBitmap, x + 11, y + 72, pFont, text);
  const BOOLEAN bWide = U_WSTRING_bIsUnicodeLanguage();
  char sTime[40] = {}, sDate[40] = {};
  char line[2 * 80 + 2] = {};
  for (int seconds = 1; seconds >= 0; seconds--) {
    T_INFO_vFormatTime((time_t)u32DateTime, seconds, TRUE, sTime, sDate, nullptr);
    U_WSTRING_vw_strncpy(line, NAV_EDIT_pText(Created, v.nLang), 60, FALSE);
    U_WSTRING_vAscii2UnicodeCat(line, bWide ? ":" : ": ", 4);
    U_WSTRING_vw_strncat(line, sTime, 40, FALSE);
    U_WSTRING_vAscii2UnicodeCat(line, " ", 2);
    const U32 w = G_STRING_u32GetWidth(pFont, (const BYTE*)line) + G_STRING_u32GetWidth(pFont, (const BYTE*)sDate);
    if (w <= W - 32) break;
  }
  NAV_EDIT_vText(pBitmap, x + 11, y + 40, pFont, line);
  NAV_EDIT_vText(pBitmap, x + 11, y + 8, pFont, sDate);
}

void SEL_vRender(BITMAP* pBitmap, const SEL_VIEW& v) {
  const U32 menuWidth = SEL_u32Width(v);
  const U32 W = menuWidth + 1;
  const U32 o = U_VIEW_u32XOrigin();
  const S32 x = (S32)o - 1 + (S32)((800 - menuWidth - o) >> 1);
  const BOOLEAN bUp = v.nTop > -1, bDown = v.nTop + (S32)NAV_EDIT_ROWS < (S32)v.nCount;
  const BOOLEAN bFooter = bUp || bDown, bSortRow = v.nTop == -1;
  const U32 h = 281 + (bFooter ? 24 : 0) + (bSortRow ? 14 : 0);
  const S32 y = 480 - (S32)h;
  SEL_vFramedBox(pBitmap, 32, x, y, W, h);
  SEL_vFill(pBitmap, 238, x + 1, y + 1, W - 2, h - 41);
  SEL_vFill(pBitmap, 239, x + 1, 441, W - 2, 38);
  NAV_EDIT_vHLine(pBitmap, 32, x + 1, x + (S32)W - 2, 440);
  NAV_EDIT_vHLine(pBitmap, 236, x + 1, x + (S32)W - 2, 439);
  SEL_vFramedBox(pBitmap, 236, x, 441, W - 2, 38);
  SEL_vFramedBox(pBitmap, 239, x + 1, 441, W - 3, 37);
  NAV_EDIT_vText(pBitmap, x + 10, 452, NAV_EDIT_pBoldFont(), SEL_pTitle(v));

  L_MUTEX_LockWait(RES_NAV_DATA);
  S32 rowTop = SEL_LIST_TOP;
  if (bSortRow) {
    SEL_vSortRow(pBitmap, v, x, W);
    rowTop -= SEL_SORT_ROW;
  }
  char name[SEL_NAME_SIZE];
  const FONT_DEF* pFont = NAV_EDIT_pFont();
  for (S32 k = bSortRow ? 0 : v.nTop; k < v.nTop + (S32)NAV_EDIT_ROWS && k < (S32)v.nCount; k++) {
    const S32 bottom = rowTop - SEL_ROW;
    NAV_EDIT_vHLine(pBitmap, 236, x + 11, x + (S32)W - 12, bottom);
    SEL_vName(v, k, name);
    NAV_EDIT_vText(pBitmap, x + 11, bottom + 13, pFont, name);
    if (k == v.nPosition) {
      const ICON* pArrow = &QX_Vorne_Action_Arrow;
      SEL_vIcon(pBitmap, pArrow, x + (S32)W - 4 - (S32)G_ICON_u32GetWidth(pArrow),
                bottom + (SEL_ROW - (S32)G_ICON_u32GetHeight(pArrow)) / 2);
      NAV_EDIT_vHighlight(pBitmap, x + 1, bottom, W - 2, SEL_ROW);
    }
    rowTop = bottom;
  }
  if (bFooter) {
    const ICON* pIcon = bUp && bDown ? &QX_Vorne_Footer_Both : (bUp ? &QX_Vorne_Footer_Up : &QX_Vorne_Footer_Down);
    SEL_vIcon(pBitmap, pIcon, x + ((S32)W - (S32)G_ICON_u32GetWidth(pIcon)) / 2,
              y + (24 - (S32)G_ICON_u32GetHeight(pIcon)) / 2);
  }
  if (v.nPosition >= 0 && (U32)v.nPosition < v.nCount) SEL_vDetails(pBitmap, v, x, W, y);
  L_MUTEX_Unlock(RES_NAV_DATA);
}

}  // namespace

void T_NAV_vSelectWaypointRender(BITMAP* pBitmap) {
  const NAV_WPT_SEL& s = s_WptSel;
  const SEL_VIEW v = {s.nPosition, s.nTop, s.nCount, (U32)s.eSortBy, 3, s.ePosFormat, s.nLang, FALSE};
  SEL_vRender(pBitmap, v);
}

void T_NAV_vSelectTWRPointRender(BITMAP* pBitmap) {
  T_MENU_vDrawMaskBackground(pBitmap);
  const NAV_POINT_SEL& s = s_TwrPointSel;
  const SEL_VIEW v = {s.nPosition, s.nTop, s.nCount, (U32)s.eSortBy, 6, s.ePosFormat, s.nLang, TRUE};
  SEL_vRender(pBitmap, v);
}
