// The route info screen (state 9): the route's legs with distance and
// bearing, a page of eight rows, and the title band the older editor screens
// share.

#include <stdio.h>
#include <string.h>

#include "color.h"
#include "g_box.h"
#include "g_fonts.h"
#include "g_string.h"
#include "h_database.h"
#include "linuxsvc.h"
#include "t_info.h"
#include "t_nav_edit_int.h"
#include "u_language.h"
#include "u_wstring.h"
#include "ui_texts.h"

namespace {

constexpr S32 RI_ROWS = 8;

U32 RI_u32Points(void) {
  const U32 n = s_RteInfo.Route.nCount;
  return n > NAV_MAX_ROUTE_POINTS ? NAV_MAX_ROUTE_POINTS : n;
}

void RI_vRounded(BITMAP* pBitmap, U32 u32Entry, S32 x, S32 y, U32 w, U32 h, U32 r, BOOLEAN bFill) {
  const POINT at = {x, y};
  (bFill ? G_BOX_vDrawRoundedFilled : G_BOX_vDrawRounded)(pBitmap, NAV_EDIT_color(u32Entry), &at, w, h, r);
}

// The screen's texts are dark on its light panels.
void RI_vText(BITMAP* pBitmap, S32 x, S32 y, const FONT_DEF* pFont, const char* pText) {
  POINT at = {x, y};
  G_STRING_vPut(pBitmap, NAV_EDIT_color(131), &at, pFont, (const BYTE*)pText);
}

void RI_vTextRight(BITMAP* pBitmap, S32 xRight, S32 y, const FONT_DEF* pFont, const char* pText) {
  RI_vText(pBitmap, xRight - (S32)G_STRING_u32GetWidth(pFont, (const BYTE*)pText), y, pFont, pText);
}

void RI_vPointName(BITMAP* pBitmap, U32 k, S32 y, const FONT_DEF* pFont) {
  const WAYPOINT* p = T_NAV_pGetWaypoint(s_RteInfo.Route.anWaypoint[k]);
  if (p == nullptr) return;
  POINT at = {296, y};
  T_NAV_EDIT_vRenderWyptRteTrkName(pBitmap, NAV_EDIT_color(131), &at, pFont, p->sName, sizeof p->sName);
}

void RI_vLeg(BITMAP* pBitmap, U32 k, S32 y, const FONT_DEF* pFont, U32 nLang) {
  UNIT_TYPE units = H_DATABASE_CurrentUnits(D_DISTANCE);
  char value[40] = {}, line[2 * 80 + 2] = {};
  T_INFO_vFormatDistance(s_RteInfo.fDTG[k], &units, value);
  U_WSTRING_vAscii2Unicode(line, value, 40, FALSE);
  U_WSTRING_vAscii2UnicodeCat(line, H_DATABASE_pcUnitsString(units, nLang), 40);
  RI_vTextRight(pBitmap, 595, y, pFont, line);
  snprintf(value, sizeof value, "%03.0f", s_RteInfo.fBRG[k]);
  U_WSTRING_vAscii2Unicode(line, value, 40, FALSE);
  U_WSTRING_vAscii2UnicodeCat(line, H_DATABASE_pcUnitsString(H_DATABASE_CurrentUnits(D_HEADING), nLang), 40);
  RI_vTextRight(pBitmap, 665, y, pFont, line);
}

}  // namespace

void T_NAV_vDrawTitleBoxString(BITMAP* pBitmap, const BYTE* sTitle) {
  const BOOLEAN bWide = U_WSTRING_bIsUnicodeLanguage();
  const S32 W = pBitmap->pixels_wide;
  const FONT_DEF* pFont = bWide ? arialuni_size17_font_def_ptr : myriad_pro_bold_size17_font_def_ptr;
  S32 t = (S32)G_STRING_u32GetWidth(pFont, sTitle);
  S32 baseline = 423;
  if (t >= W - 38) {
    pFont = bWide ? arialuni_size14_font_def_ptr : myriad_pro_bold_size14_font_def_ptr;
    t = (S32)G_STRING_u32GetWidth(pFont, sTitle);
    baseline = 425;
  }
  S32 band = 384;
  if (t + 38 < W) {
    band = t > 344 ? t + 39 : 384;
  } else if (W >= 384) {
    band = W;
  }
  const S32 x = (W - 160 - band) / 2 + 160;
  POINT at = {x, 410};
  G_BOX_vDraw(pBitmap, NAV_EDIT_color(32), &at, (U32)band, 50);
  at = {x + 1, 411};
  G_BOX_vDrawFilled(pBitmap, NAV_EDIT_color(238), &at, (U32)band - 2, 48);
  at = {(W - 160 - t) / 2 + 160, baseline};
  G_STRING_vPut(pBitmap, NAV_EDIT_color(35), &at, pFont, sTitle);
}

void T_NAV_vRouteInfoRender(BITMAP* pBitmap) {
  const NAV_RTE_INFO& s = s_RteInfo;
  const U32 nLang = nCurrentLanguage();
  const U32 count = RI_u32Points();
  char title[2 * 80 + 2 * NAV_ROUTE_NAME_SIZE + 2] = {};
  char name[NAV_ROUTE_NAME_SIZE + 2] = {};
  memcpy(name, s.Route.sName, NAV_ROUTE_NAME_SIZE);
  U_WSTRING_vAscii2Unicode(title, NAV_EDIT_pText(s_pNavEditTitle, nLang), 2 * 60, FALSE);
  U_WSTRING_vAscii2UnicodeCat(title, ": ", 4);
  U_WSTRING_vAscii2UnicodeCat(title, name, NAV_ROUTE_NAME_SIZE);
  T_NAV_vDrawTitleBoxString(pBitmap, (const BYTE*)title);

  RI_vRounded(pBitmap, 128, 289, 109, 382, 263, 4, FALSE);
  RI_vRounded(pBitmap, 131, 290, 110, 380, 261, 4, FALSE);
  RI_vRounded(pBitmap, 131, 291, 111, 378, 259, 2, FALSE);
  RI_vRounded(pBitmap, 129, 292, 112, 376, 257, 2, TRUE);
  POINT tab = {669, 110};
  T_NAV_vDrawScrollTab(pBitmap, &tab, 40, s.nRteTop != -1, s.nRteTop + RI_ROWS < (S32)count);

  const FONT_DEF* pFont = NAV_EDIT_pBoldFont();
  L_MUTEX_LockWait(RES_NAV_DATA);
  for (S32 row = 0; row < RI_ROWS; row++) {
    const S32 k = s.nRteTop + row;
    const S32 y = 340 - 32 * row;
    if (k >= (S32)count) break;
    if (k < 0) {
      RI_vText(pBitmap, 296, y, pFont, NAV_EDIT_pText(Current_Position, nLang));
      continue;
    }
    RI_vPointName(pBitmap, (U32)k, y, pFont);
    if (k + 1 < (S32)count && (U32)k < s.nLegs) RI_vLeg(pBitmap, (U32)k, y - 16, pFont, nLang);
  }
  L_MUTEX_Unlock(RES_NAV_DATA);

  RI_vRounded(pBitmap, 128, 289, 7, 382, 78, 6, TRUE);
  RI_vRounded(pBitmap, 131, 290, 8, 380, 76, 5, FALSE);
  RI_vRounded(pBitmap, 131, 291, 9, 378, 74, 3, FALSE);
  char sTime[40] = {}, sDate[40] = {}, line[2 * 80 + 2] = {};
  T_INFO_vFormatTime((time_t)s.Route.u32DateTime, TRUE, TRUE, sTime, sDate, nullptr);
  U_WSTRING_vAscii2Unicode(line, NAV_EDIT_pText(Created, nLang), 60, FALSE);
  U_WSTRING_vAscii2UnicodeCat(line, ": ", 4);
  U_WSTRING_vAscii2UnicodeCat(line, sDate, 40);
  RI_vText(pBitmap, 310, 22, pFont, line);
  const S32 end = 310 + (S32)G_STRING_u32GetWidth(pFont, (const BYTE*)line);
  const S32 w = (S32)G_STRING_u32GetWidth(pFont, (const BYTE*)sTime);
  RI_vText(pBitmap, end + (670 - end - w) / 2, 22, pFont, sTime);
  char number[16] = {};
  snprintf(number, sizeof number, "%u ", (unsigned)count);
  U_WSTRING_vAscii2Unicode(line, number, 16, FALSE);
  U_WSTRING_vAscii2UnicodeCat(line, NAV_EDIT_pText(Waypoints, nLang), 60);
  RI_vText(pBitmap, 310, 52, pFont, line);
}
