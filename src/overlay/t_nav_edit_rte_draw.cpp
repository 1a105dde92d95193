// The route editor's screen: the name row, the list of all waypoints beside
// the route's own points, the point menu over the route list and Save.

#include <string.h>

#include "g_box.h"
#include "g_line.h"
#include "linuxsvc.h"
#include "t_nav_edit_draw.h"
#include "t_nav_edit_rte.h"
#include "t_nav_edit_wpt.h"
#include "ui_texts.h"

namespace {

constexpr S32 RD_ROWS = 8;
constexpr S32 RD_FIRST_ROW = 290;
constexpr S32 RD_ROW = 28;

U32 RD_u32Points(void) {
  const U32 n = s_RteEdit.Route.nCount;
  return n > NAV_MAX_ROUTE_POINTS ? NAV_MAX_ROUTE_POINTS : n;
}

void RD_vTitle(BITMAP* pBitmap) {
  NAV_EDIT_vRounded(pBitmap, NAV_EDIT_INK, 160, 430, 640, 50, 5, FALSE);
  NAV_EDIT_vRounded(pBitmap, NAV_EDIT_INK, 161, 431, 638, 48, 3, FALSE);
  NAV_EDIT_vRounded(pBitmap, NAV_EDIT_MARK, 162, 432, 636, 46, 3, TRUE);
  const char* pTitle = NAV_EDIT_pText(s_pNavEditTitle, s_RteEdit.nLang);
  NAV_EDIT_vInk(pBitmap, 160 + (640 - (S32)NAV_EDIT_u32Width(NAV_EDIT_pBoldFont(), pTitle)) / 2, 450,
                NAV_EDIT_pBoldFont(), pTitle);
}

void RD_vNameRow(BITMAP* pBitmap) {
  const NAV_RTE_EDIT& e = s_RteEdit;
  const char* pLabel = NAV_EDIT_pText(Name, e.nLang);
  const S32 w = (S32)NAV_EDIT_u32Width(NAV_EDIT_pBoldFont(), pLabel);
  if (e.eState == RTE_EDIT_NAME) NAV_EDIT_vMarked(pBitmap, 170, 384, (U32)w + 9, 33, NAV_EDIT_INK);
  NAV_EDIT_vInk(pBitmap, 175, 389, NAV_EDIT_pBoldFont(), pLabel);
  const S32 x = 175 + w + 15;
  if (e.eState == RTE_EDIT_NAME_VALUE) {
    NAV_EDIT_vMarked(pBitmap, x, 384, (U32)(795 - x), 33, NAV_EDIT_FIELD);
    NAV_EDIT_vEditName(pBitmap, x + 5, 389, e.Route.sName, sizeof e.Route.sName, e.nPosition);
    return;
  }
  NAV_EDIT_vRounded(pBitmap, NAV_EDIT_FIELD, x, 384, (U32)(795 - x), 33, 3, FALSE);
  char name[NAV_ROUTE_NAME_SIZE] = {};
  NAV_EDIT_vNarrowName(name, e.Route.sName, sizeof name);
  NAV_EDIT_vName(pBitmap, x + 5, 389, name, sizeof name);
}

void RD_vWaypointsRow(BITMAP* pBitmap) {
  const char* pLabel = NAV_EDIT_pText(Waypoints, s_RteEdit.nLang);
  const S32 w = (S32)NAV_EDIT_u32Width(NAV_EDIT_pBoldFont(), pLabel);
  if (s_RteEdit.eState == RTE_EDIT_WPTS) {
    NAV_EDIT_vMarked(pBitmap, 170, 349, (U32)w + 31, 33, NAV_EDIT_INK);
    NAV_EDIT_vArrow(pBitmap, w + 178, 354);
  }
  NAV_EDIT_vInk(pBitmap, 175, 354, NAV_EDIT_pBoldFont(), pLabel);
}

// One of the two lists: its frame and header at x, eight rows of the
// waypoint slots that pfSlot gives for rows nTop on, nSelected highlighted.
void RD_vList(BITMAP* pBitmap, S32 x, NAV_EDIT_TEXT pHeader, S32 nTop, U32 u32Count, S32 nSelected,
              U16 (*pfSlot)(U32)) {
  NAV_EDIT_vRounded(pBitmap, NAV_EDIT_INK, x, 88, 248, 238, 4, FALSE);
  NAV_EDIT_vRounded(pBitmap, NAV_EDIT_INK, x + 1, 89, 246, 236, 2, FALSE);
  NAV_EDIT_vInkRight(pBitmap, x + 246, 328, NAV_EDIT_pSmallFont(), NAV_EDIT_pText(pHeader, s_RteEdit.nLang));
  for (S32 row = 0; row < RD_ROWS; row++) {
    const S32 k = nTop + row;
    const S32 y = RD_FIRST_ROW - RD_ROW * row;
    if (k < 0 || k >= (S32)u32Count) break;
    if (k == nSelected) {
      NAV_EDIT_vMarked(pBitmap, x + 3, y - 3, 242, 29, NAV_EDIT_INK);
      NAV_EDIT_vArrow(pBitmap, x + 253, y);
    }
    const WAYPOINT* p = T_NAV_pGetWaypoint(pfSlot((U32)k));
    if (p != nullptr) NAV_EDIT_vName(pBitmap, x + 6, y, p->sName, sizeof p->sName);
  }
}

U16 RD_u16Sorted(U32 k) { return s_RteEdit.au16SortedIndexes[k]; }
U16 RD_u16Point(U32 k) { return s_RteEdit.Route.anWaypoint[k]; }

// The point menu beside the selected route point: Up (unless first), Down
// (unless last) and Delete, kept within the list's height.
void RD_vPointMenu(BITMAP* pBitmap) {
  const NAV_RTE_EDIT& e = s_RteEdit;
  const U32 nLang = e.nLang;
  const FONT_DEF* pFont = NAV_EDIT_pSmallFont();
  const BOOLEAN bFirst = e.nRtePosition <= 0, bLast = e.nRtePosition + 1 >= (S32)RD_u32Points();
  NAV_EDIT_TEXT apEntry[3] = {};
  RTE_EDIT_STATE aeEntry[3] = {};
  S32 n = 0;
  const auto add = [&](NAV_EDIT_TEXT pText, RTE_EDIT_STATE eEntry) {
    apEntry[n] = pText;
    aeEntry[n++] = eEntry;
  };
  if (!bFirst) add(Move_Up, RTE_EDIT_MENU_UP);
  if (!bLast) add(Move_Down, RTE_EDIT_MENU_DOWN);
  add(Delete, RTE_EDIT_MENU_DEL);
  // As wide as its widest entry, with room for the arrow after it.
  S32 w = 0;
  for (S32 i = 0; i < n; i++) {
    const S32 entry = (S32)NAV_EDIT_u32Width(pFont, NAV_EDIT_pText(apEntry[i], nLang)) + 24;
    w = entry > w ? entry : w;
  }
  const S32 h = 28 * n;
  S32 x = 706;
  if (x + w > pBitmap->pixels_wide) x = pBitmap->pixels_wide - w;
  const S32 rowY = RD_FIRST_ROW - RD_ROW * (e.nRtePosition - e.nRteTop);
  S32 y = rowY + 11 - h / 2;
  if (y > 324 - h) y = 324 - h;
  if (y < 90) y = 90;
  NAV_EDIT_vRounded(pBitmap, NAV_EDIT_PANEL, x, y, (U32)w, (U32)h, 3, TRUE);
  NAV_EDIT_vRounded(pBitmap, NAV_EDIT_MARK, x, y, (U32)w, (U32)h, 3, FALSE);
  for (S32 i = 0; i < n; i++) {
    const S32 top = y + h - 28 * i;
    if (aeEntry[i] == e.eState) {
      const POINT at = {x + 1, top - 27};
      G_BOX_vDrawFilled(pBitmap, NAV_EDIT_color(NAV_EDIT_MARK), &at, (U32)w - 2, 26);
      NAV_EDIT_vArrow(pBitmap, x + w - 16, top - 20);
    }
    NAV_EDIT_vInk(pBitmap, x + 6, top - 20, pFont, NAV_EDIT_pText(apEntry[i], nLang));
    if (i > 0) NAV_EDIT_vHLine(pBitmap, NAV_EDIT_INK, x + 2, x + w - 3, top);
  }
}

void RD_vSave(BITMAP* pBitmap) {
  const char* pSave = NAV_EDIT_pText(Save, s_RteEdit.nLang);
  const U32 w = NAV_EDIT_u32Width(NAV_EDIT_pBoldFont(), pSave) + 23;
  if (s_RteEdit.eState == RTE_EDIT_SAVE) {
    NAV_EDIT_vMarked(pBitmap, 170, 4, w, 33, NAV_EDIT_INK);
  } else {
    NAV_EDIT_vRounded(pBitmap, NAV_EDIT_FIELD, 170, 4, w, 33, 3, FALSE);
  }
  NAV_EDIT_vInk(pBitmap, 175, 9, NAV_EDIT_pBoldFont(), pSave);
}

}  // namespace

void T_NAV_vEditRouteRender(BITMAP* pBitmap) {
  const NAV_RTE_EDIT& e = s_RteEdit;
  const POINT at = {160, 3};
  G_BOX_vDrawFilled(pBitmap, NAV_EDIT_color(NAV_EDIT_PANEL), &at, 640, 480);
  RD_vTitle(pBitmap);
  RD_vNameRow(pBitmap);
  NAV_EDIT_vRounded(pBitmap, NAV_EDIT_INK, 160, 78, 638, 288, 4, FALSE);
  NAV_EDIT_vRounded(pBitmap, NAV_EDIT_INK, 161, 79, 636, 286, 2, FALSE);
  RD_vWaypointsRow(pBitmap);
  const BOOLEAN bRouteFocus = e.eState >= RTE_EDIT_WPTS_RTE && e.eState <= RTE_EDIT_MENU_DEL;
  L_MUTEX_LockWait(RES_NAV_DATA);
  RD_vList(pBitmap, 174, All, e.nTop, e.nCount, e.eState == RTE_EDIT_WPTS_ALL ? e.nPosition : -2, RD_u16Sorted);
  RD_vList(pBitmap, 464, In_Route, e.nRteTop, RD_u32Points(), bRouteFocus ? e.nRtePosition : -2, RD_u16Point);
  L_MUTEX_Unlock(RES_NAV_DATA);
  if (e.eState >= RTE_EDIT_MENU_UP && e.eState <= RTE_EDIT_MENU_DEL) RD_vPointMenu(pBitmap);
  RD_vSave(pBitmap);
}
