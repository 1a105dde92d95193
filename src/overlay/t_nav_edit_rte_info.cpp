// The route info screen (state 9): the route's legs with distance and
// bearing, a page of eight rows, and the title band the older editor screens
// share.

#include <stdio.h>
#include <string.h>

#include "g_box.h"
#include "g_fonts.h"
#include "g_string.h"
#include "h_database.h"
#include "linuxsvc.h"
#include "t_info.h"
#include "navmath.h"
#include "t_nav_edit_draw.h"
#include "u_convert.h"
#include "u_language.h"
#include "u_wstring.h"
#include "ui_texts.h"

namespace {

constexpr S32 RI_ROWS = 8;

U32 RI_u32Points(void) {
  const U32 n = s_RteInfo.Route.nCount;
  return n > NAV_MAX_ROUTE_POINTS ? NAV_MAX_ROUTE_POINTS : n;
}

void RI_vPointName(BITMAP* pBitmap, U32 k, S32 y) {
  const WAYPOINT* p = T_NAV_pGetWaypoint(s_RteInfo.Route.anWaypoint[k]);
  if (p != nullptr) NAV_EDIT_vName(pBitmap, 296, y, p->sName, sizeof p->sName);
}

// A leg's distance with the units the formatter settled on, ending at x 595,
// and its bearing with the bearing units, ending at x 665.
void RI_vLeg(BITMAP* pBitmap, double dDistance, double dBearing, S32 y, U32 nLang) {
  const FONT_DEF* pFont = NAV_EDIT_pBoldFont();
  UNIT_TYPE units = s_RteInfo.unitsDTG;
  char value[40] = {}, line[2 * 80 + 2] = {};
  T_INFO_vFormatDistance(dDistance, &units, value);
  U_WSTRING_vw_strncpy(line, value, 40, FALSE);
  U_WSTRING_vw_strncat(line, H_DATABASE_pcUnitsString(units, nLang), 40, FALSE);
  NAV_EDIT_vInkRight(pBitmap, 595, y, pFont, line);
  snprintf(value, sizeof value, "%03.0f", dBearing);
  U_WSTRING_vAscii2Unicode(line, value, 40, FALSE);
  U_WSTRING_vw_strncat(line, H_DATABASE_pcUnitsString(s_RteInfo.unitsBRG, nLang), 40, FALSE);
  NAV_EDIT_vInkRight(pBitmap, 665, y, pFont, line);
}

// The leg from the boat to the route's first point; FALSE without a valid
// position or a first point.
BOOLEAN RI_bLiveLeg(double* pdDistance, double* pdBearing) {
  DB_DATA_TYPE y, x, lat, lon;
  BOOLEAN bMetres = FALSE, bDegrees = FALSE;
  if (RI_u32Points() == 0 || !H_DATABASE_bFetchPair(FCID("ILAT"), FCID("ILON"), &y, &x, &bMetres) ||
      !H_DATABASE_bFetchPair(FCID("ILTD"), FCID("ILND"), &lat, &lon, &bDegrees) || !bMetres || !bDegrees) {
    return FALSE;
  }
  const WAYPOINT* pTo = T_NAV_pGetWaypoint(s_RteInfo.Route.anWaypoint[0]);
  if (pTo == nullptr) return FALSE;
  const POINT from = {x.s32Val, y.s32Val};
  double bearing = 0, distance = 0;
  nv_RouteAngle(&from, &pTo->pt, &bearing);
  const POSITION fromDeg = {lat.fVal, lon.fVal};
  POSITION toDeg = {};
  nv_MeterToDegr(&pTo->pt, &toDeg);
  nv_CalcDistance(&fromDeg, &toDeg, bearing, &distance);
  *pdDistance = dConvertToInternal(distance, D_DISTANCE, U_NAUT_MILES);
  *pdBearing = NAV_EDIT_dShownBearing(bearing, s_RteInfo.unitsBRG);
  return TRUE;
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
  U_WSTRING_vw_strncpy(title, NAV_EDIT_pText(s_pNavEditTitle, nLang), 2 * 60, FALSE);
  U_WSTRING_vAscii2UnicodeCat(title, ": ", 4);
  U_WSTRING_vw_strncat(title, name, NAV_ROUTE_NAME_SIZE, FALSE);
  T_NAV_vDrawTitleBoxString(pBitmap, (const BYTE*)title);

  NAV_EDIT_vRounded(pBitmap, NAV_EDIT_MARK, 289, 109, 382, 263, 4, FALSE);
  NAV_EDIT_vRounded(pBitmap, NAV_EDIT_INK, 290, 110, 380, 261, 4, FALSE);
  NAV_EDIT_vRounded(pBitmap, NAV_EDIT_INK, 291, 111, 378, 259, 2, FALSE);
  NAV_EDIT_vRounded(pBitmap, NAV_EDIT_PANEL, 292, 112, 376, 257, 2, TRUE);
  POINT tab = {669, 110};
  T_NAV_vDrawScrollTab(pBitmap, &tab, 40, s.nRteTop != -1, s.nRteTop + RI_ROWS < (S32)count);

  const FONT_DEF* pFont = NAV_EDIT_pBoldFont();
  L_MUTEX_LockWait(RES_NAV_DATA);
  for (S32 row = 0; row < RI_ROWS; row++) {
    const S32 k = s.nRteTop + row;
    const S32 y = 340 - 32 * row;
    if (k >= (S32)count) break;
    if (k < 0) {
      NAV_EDIT_vInk(pBitmap, 296, y, pFont, NAV_EDIT_pText(Current_Position, nLang));
      double distance = 0, bearing = 0;
      // Like every leg, between the rows of its two ends.
      if (RI_bLiveLeg(&distance, &bearing)) RI_vLeg(pBitmap, distance, bearing, y - 16, nLang);
      continue;
    }
    RI_vPointName(pBitmap, (U32)k, y);
    if (k + 1 < (S32)count && (U32)k < s.nLegs) RI_vLeg(pBitmap, s.fDTG[k], s.fBRG[k], y - 16, nLang);
  }
  L_MUTEX_Unlock(RES_NAV_DATA);

  NAV_EDIT_vDetailsBox(pBitmap);
  NAV_EDIT_vCreated(pBitmap, 310, 22, s.Route.u32DateTime, 0, nLang);
  NAV_EDIT_vCount(pBitmap, 310, 52, count, Waypoints, nLang);
}
