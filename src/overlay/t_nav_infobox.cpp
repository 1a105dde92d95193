// The navigation data boxes drawn by their own renderers. The boxes decide
// only whether and where to draw; the navigation values inside them go
// through the readouts' box renderer, which fetches, formats and flags them.
// Every text lives in a fixed buffer of the call: nothing is allocated at
// the view rate.

#include <stdio.h>
#include <string.h>

#include "astro.h"
#include "color.h"
#include "g_box.h"
#include "g_fonts.h"
#include "g_icon.h"
#include "g_iconset.h"
#include "g_line.h"
#include "g_string.h"
#include "h_database.h"
#include "linuxsvc.h"
#include "l_hook.h"
#include "t_nav_icons.h"
#include "t_nav_twr.h"
#include "u_language.h"
#include "u_nav.h"
#include "u_infobox_text.h"
#include "u_nav_infobox.h"
#include "u_wstring.h"
#include "ui_texts.h"

static std::atomic<NAV_INFOBOX_CURRENT_ROUTE> s_pfnCurrentRoute{nullptr};

BOOLEAN T_NAV_INFOBOX_bRegisterCurrentRoute(NAV_INFOBOX_CURRENT_ROUTE pfn) {
  return L_HOOK_bSetOnce(&s_pfnCurrentRoute, pfn, "current route");
}

namespace {

constexpr S32 IB_WIDTH = 158;
constexpr S32 IB_HEIGHT = 94;
// Waypoint names are cut to this many bytes (terminator included).
constexpr U32 IB_NAME_LIMIT = 8;
constexpr U32 IB_NO_WAYPOINT = 65535;

COLOR IB_color(U32 u32Entry) { return gCOLOR_pcolColorTable[u32Entry]; }

void IB_vBar(BITMAP* pBitmap, POINT o) {
  T_INFO_vDrawInfoBar(pBitmap, IB_WIDTH, IB_HEIGHT, o.x, o.y, IBS_SEMITRANSPARENT_VORNE_DARK_GRAY_BAR);
}

void IB_vLine(BITMAP* pBitmap, S32 x0, S32 y0, S32 x1, S32 y1) {
  POINT a = {x0, y0};
  POINT b = {x1, y1};
  G_LINE_vDraw(pBitmap, IB_color(236), &a, &b);
}

// The two one-pixel rules across the middle of the stacked boxes.
void IB_vDoubleRule(BITMAP* pBitmap, S32 x0, S32 x1, S32 y) {
  IB_vLine(pBitmap, x0, y, x1, y);
  IB_vLine(pBitmap, x0, y + 1, x1, y + 1);
}

void IB_vBand(BITMAP* pBitmap, S32 x, S32 y, U32 w, U32 h) {
  const POINT at = {x, y};
  G_BOX_vDrawFilled(pBitmap, IB_color(236), &at, w, h);
}

void IB_vPutRight(BITMAP* pBitmap, S32 xEnd, S32 y, const FONT_DEF* pFont, const char* sText) {
  IB_nPut(pBitmap, xEnd - IB_nWidth(pFont, sText), y, pFont, sText);
}

void IB_vPutIcon(BITMAP* pBitmap, const ICON* pIcon, S32 x, S32 y) {
  const POINT at = {x, y};
  G_ICON_vPut(pBitmap, pIcon, &at);
}

S32 IB_nIconHeight(const ICON* pIcon) { return (S32)G_ICON_u32GetHeight(pIcon); }

// "---" in the current language's text form.
void IB_vDashes(char* sText, U32 u32Size) {
  snprintf(sText, u32Size, "---");
  U_WSTRING_vReplaceNarrowWithWide(sText, u32Size);
}

// Boat position and the UTC calendar day of IDTM for the almanac; FALSE when
// any of them is missing or not valid, so that a stale or never-set value
// never feeds the almanac.
struct IB_ALMANAC_INPUT {
  double dLatitude;
  double dLongitude;
  struct tm tmDay;
};

BOOLEAN IB_bAlmanacInput(IB_ALMANAC_INPUT* p) {
  DB_DATA_TYPE lat, lon;
  BOOLEAN bPosition = FALSE;
  U32 u32Now = 0;
  if (!H_DATABASE_bFetchPair(FCID("ILTD"), FCID("ILND"), &lat, &lon, &bPosition) || !bPosition ||
      !IB_bFetchValidU32(FCID("IDTM"), &u32Now)) {
    return FALSE;
  }
  p->dLatitude = lat.fVal;
  p->dLongitude = lon.fVal;
  const time_t now = (time_t)u32Now;
  p->tmDay = {};
  gmtime_r(&now, &p->tmDay);
  return TRUE;
}

// Computes the almanac of the day and place; the rise and set in UTC.
BOOLEAN IB_bSunTimes(const IB_ALMANAC_INPUT* p, U32* pRiseH, U32* pRiseM, U32* pSetH, U32* pSetM) {
  U32 u32TomorrowH = 0;
  U32 u32TomorrowM = 0;
  return ASTRO_bGetSunriseSunsetTimes(p->dLatitude, p->dLongitude, (U32)p->tmDay.tm_year + 1900,
                                      (U32)p->tmDay.tm_mon + 1, (U32)p->tmDay.tm_mday, 0.0, pRiseH, pRiseM, pSetH,
                                      pSetM, &u32TomorrowH, &u32TomorrowM);
}

// ---------------------------------------------------------------------------
// Stacked and waypoint boxes

// Two navigation values one over the other, only while navigating.
void IB_vDual(BITMAP* pBitmap, POINT o, U32 nLang, FOURCHARID fcidUpper, FOURCHARID fcidLower) {
  if (!T_INFO_bNavigating()) return;
  IB_vBar(pBitmap, o);
  IB_vDoubleRule(pBitmap, o.x + 4, o.x + 155, o.y + 48);
  T_INFO_nDrawInfoBox(pBitmap, IB_WIDTH, 44, o.x, o.y + 50, fcidUpper, T_INFO_pFont(26), T_INFO_pFont(14), IBS_NONE,
                      JUSTIFY_LEFT, nLang);
  T_INFO_nDrawInfoBox(pBitmap, IB_WIDTH, 49, o.x, o.y - 1, fcidLower, T_INFO_pFont(26), T_INFO_pFont(14), IBS_NONE,
                      JUSTIFY_LEFT, nLang);
}

// The waypoint a box names, its icon and its name (cut to the box); "---"
// and icon 0 for none.
void IB_vWaypoint(U32 u32Index, U8* pu8Icon, char* sName, U32 u32Size) {
  if (u32Index == IB_NO_WAYPOINT) {
    *pu8Icon = 0;
    IB_vDashes(sName, u32Size);
    return;
  }
  *pu8Icon = T_NAV_u8GetWaypointIcon(u32Index);
  memset(sName, 0, u32Size);
  T_NAV_vCopyWaypointName(u32Index, sName, IB_NAME_LIMIT);
}

U32 IB_u32Destination(void) {
  U32 u32Index = IB_NO_WAYPOINT;
  if (!T_INFO_bNavigating() || !H_DATABASE_bFetchU32(FCID("IDWP"), &u32Index, nullptr, nullptr)) {
    return IB_NO_WAYPOINT;
  }
  return u32Index;
}

// The last waypoint of the route being followed, read under the navigation
// data lock; none when not navigating or when the route holds no point.
U32 IB_u32RouteEnd(void) {
  if (!T_INFO_bNavigating()) return IB_NO_WAYPOINT;
  U32 u32Index = IB_NO_WAYPOINT;
  NAV_INFOBOX_CURRENT_ROUTE pfn = s_pfnCurrentRoute.load();
  if (pfn == nullptr) return IB_NO_WAYPOINT;
  L_MUTEX_LockWait(RES_NAV_DATA);
  const ROUTE* pRoute = pfn();
  const U32 u32Count = pRoute->nCount;
  if (u32Count > 0 && u32Count <= NAV_MAX_ROUTE_POINTS) u32Index = pRoute->anWaypoint[u32Count - 1];
  L_MUTEX_Unlock(RES_NAV_DATA);
  return u32Index;
}

void IB_vThreeRow(BITMAP* pBitmap, POINT o, U32 nLang, const char* sLabel, const char* sName, FOURCHARID fcidTop,
                  FOURCHARID fcidBottom, U8 u8Icon) {
  IB_vBar(pBitmap, o);
  IB_vBand(pBitmap, o.x + 2, o.y + 62, 154, 2);
  IB_vBand(pBitmap, o.x + 2, o.y + 30, 154, 2);
  T_INFO_nDrawInfoBox(pBitmap, IB_WIDTH, 30, o.x + 2, o.y + 64, fcidTop, T_INFO_pFont(26), T_INFO_pFont(14),
                      IBS_NONE, JUSTIFY_LEFT, nLang);
  const ICON* pIcon = T_NAV_pWaypointIcon(u8Icon);
  IB_vPutIcon(pBitmap, pIcon, o.x + 2, o.y + 47 - IB_nIconHeight(pIcon) / 2);
  if (sLabel != nullptr) {
    const FONT_DEF* pFont = T_INFO_pFont(9);
    IB_vPutRight(pBitmap, o.x + 156, o.y + 64 - (S32)G_STRING_u32GetHeight(pFont), pFont, sLabel);
  }
  if (sName != nullptr) IB_vPutRight(pBitmap, o.x + 156, o.y + 36, T_INFO_pFont(14), sName);
  T_INFO_nDrawInfoBox(pBitmap, IB_WIDTH, 31, o.x + 2, o.y - 1, fcidBottom, T_INFO_pFont(26), T_INFO_pFont(14),
                      IBS_NONE, JUSTIFY_LEFT, nLang);
}

void IB_vWaypointBox(BITMAP* pBitmap, POINT o, U32 nLang, U32 u32Index, const char* const* pLabel,
                     FOURCHARID fcidTop, FOURCHARID fcidBottom) {
  U8 u8Icon = 0;
  char sName[IB_TEXT_SIZE] = {};
  IB_vWaypoint(u32Index, &u8Icon, sName, sizeof sName);
  IB_vThreeRow(pBitmap, o, nLang, pLabel[nCurrentLanguage()], sName, fcidTop, fcidBottom, u8Icon);
}

// ---------------------------------------------------------------------------
// Sun and moon

const ICON* const s_apMoonIcons[4] = {&DataBox_NewMoon, &DataBox_FirstQuarter, &DataBox_FullMoon,
                                      &DataBox_LastQuarter};

// One almanac time (UTC hour and minute of the day of *p) right-aligned to
// end at xEnd: the clock in the value font, the AM/PM suffix in the unit
// font.
void IB_vSunTime(BITMAP* pBitmap, S32 xEnd, S32 y, const IB_ALMANAC_INPUT* p, U32 u32Hour, U32 u32Minute) {
  struct tm t = p->tmDay;
  t.tm_sec = 0;
  t.tm_min = (int)u32Minute;
  t.tm_hour = (int)u32Hour;
  t.tm_isdst = 0;
  const time_t at = timegm(&t);
  char sTime[IB_TEXT_SIZE] = {};
  T_INFO_vFormatTime(at, FALSE, FALSE, sTime, nullptr, nullptr);
  S32 s32Zone = 0;
  BOOLEAN bDst = FALSE;
  time_t local = at;
  if (H_DATABASE_bFetchS32(FCID("SLTZ"), &s32Zone, nullptr, nullptr) &&
      H_DATABASE_bFetchBoolean(FCID("SDST"), &bDst, nullptr, nullptr)) {
    local += (time_t)s32Zone * 60 + (bDst ? 3600 : 0);
  }
  struct tm tmLocal = {};
  gmtime_r(&local, &tmLocal);
  char sSuffix[IBRF_AMPM_SIZE + 2] = {};
  IBRF_vAddAmPm(sSuffix, &tmLocal);
  const FONT_DEF* pValue = T_INFO_pFont(26);
  const FONT_DEF* pUnit = T_INFO_pFont(16);
  const S32 x = xEnd - (IB_nWidth(pValue, sTime) + IB_nWidth(pUnit, sSuffix));
  IB_nPut(pBitmap, IB_nPut(pBitmap, x, y, pValue, sTime), y, pUnit, sSuffix);
}

void IB_vMoonCell(BITMAP* pBitmap, S32 xCell, S32 yTop, S32 yText, const ICON* pIcon, const char* sDate) {
  IB_vPutIcon(pBitmap, pIcon, xCell + (79 - (S32)G_ICON_u32GetWidth(pIcon)) / 2, yTop - IB_nIconHeight(pIcon));
  const FONT_DEF* pFont = T_INFO_pFont(16);
  const S32 w = IB_nWidth(pFont, sDate);
  IB_nPut(pBitmap, w <= 78 ? xCell + (79 - w) / 2 : xCell, yText, pFont, sDate);
}

}  // namespace

// ---------------------------------------------------------------------------
// Renderers

void IBRF_vRenderPositionInfoBox(BITMAP* pBitmap, POINT* ppt, VIBD_DIRECTION, U32 nLang) {
  const POINT o = *ppt;
  DB_DATA_TYPE lat, lon;
  BOOLEAN bValid = FALSE;
  if (!H_DATABASE_bFetchPair(FCID("ILTD"), FCID("ILND"), &lat, &lon, &bValid)) return;
  IB_vBar(pBitmap, o);
  U32 u32Format = F_DD_MM_MMM;
  H_DATABASE_bFetchU32(FCID("SIPF"), &u32Format, nullptr, nullptr);
  const FONT_DEF* pFont = T_INFO_pFont(16);
  const struct {
    float fValue;
    DATA_TYPE eType;
    S32 y;
  } rows[] = {{lat.fVal, D_POSITION_LAT, o.y + 55},
              {lon.fVal, D_POSITION_LON, o.y + 47 - (S32)G_STRING_u32GetHeight(pFont)}};
  // A stale position blinks.
  if (!bValid && !T_INFO_bBlinkState()) return;
  for (const auto& r : rows) {
    char sText[U_NAV_POSITION_TEXT_SIZE] = {};
    U_NAV_vFormatPosition(r.eType, r.fValue, sText, (NAV_FORMAT_ENUM)u32Format, nLang, IPS_SPACE);
    IB_vPutCentred(pBitmap, o.x, IB_WIDTH, r.y, pFont, sText);
  }
}

void IBRF_vRenderTimeDateInfoBox(BITMAP* pBitmap, POINT* ppt, VIBD_DIRECTION, U32) {
  const POINT o = *ppt;
  char sTime[IB_TEXT_SIZE] = {};
  char sDate[IB_TEXT_SIZE] = {};
  if (!IB_bClock(TRUE, sTime, sDate)) return;
  IB_vBar(pBitmap, o);
  IB_vBand(pBitmap, o.x + 18, o.y + 46, 120, 2);
  const FONT_DEF* pFont = T_INFO_pFont(17);
  IB_vPutCentred(pBitmap, o.x, IB_WIDTH, o.y + 63, pFont, sTime);
  IB_vPutCentred(pBitmap, o.x, IB_WIDTH, o.y + 15, pFont, sDate);
}

void IBRF_vRenderTimeOnlyInfoBox(BITMAP* pBitmap, POINT* ppt, VIBD_DIRECTION, U32 nLang) {
  const POINT o = *ppt;
  char sTime[IB_TEXT_SIZE] = {};
  if (!IB_bClock(FALSE, sTime, nullptr)) return;
  IB_vBar(pBitmap, o);
  IB_vPutCentred(pBitmap, o.x, IB_WIDTH, o.y + 4, T_INFO_pFont(44), sTime);
  const FONT_DEF* pLabel = T_INFO_pFont(17);
  IB_nPut(pBitmap, o.x + 5, o.y + 97 - (S32)G_FONTS_u32GetCoreHeight(pLabel), pLabel, Time[nLang]);
}


void IBRF_vRenderSunriseSunsetInfoBox(BITMAP* pBitmap, POINT* ppt, VIBD_DIRECTION, U32) {
  const POINT o = *ppt;
  IB_ALMANAC_INPUT in = {};
  const BOOLEAN bInput = IB_bAlmanacInput(&in);
  U32 u32RiseH = 0, u32RiseM = 0, u32SetH = 0, u32SetM = 0;
  if (bInput && !IB_bSunTimes(&in, &u32RiseH, &u32RiseM, &u32SetH, &u32SetM)) return;
  IB_vBar(pBitmap, o);
  const ICON* pIcon = &DataBox_SunriseSunset;
  IB_vDoubleRule(pBitmap, o.x + (S32)G_ICON_u32GetWidth(pIcon) + 8, o.x + 155, o.y + 48);
  IB_vPutIcon(pBitmap, pIcon, o.x + 4, o.y + (IB_HEIGHT - IB_nIconHeight(pIcon)) / 2);
  if (!bInput) {
    char sDashes[IB_TEXT_SIZE] = {};
    IB_vDashes(sDashes, sizeof sDashes);
    IB_vPutRight(pBitmap, o.x + 155, o.y + 54, T_INFO_pFont(26), sDashes);
    IB_vPutRight(pBitmap, o.x + 155, o.y + 4, T_INFO_pFont(26), sDashes);
    return;
  }
  IB_vSunTime(pBitmap, o.x + 155, o.y + 54, &in, u32RiseH, u32RiseM);
  IB_vSunTime(pBitmap, o.x + 155, o.y + 4, &in, u32SetH, u32SetM);
}

void IBRF_vRenderMoonPhaseInfoBox(BITMAP* pBitmap, POINT* ppt, VIBD_DIRECTION, U32) {
  const POINT o = *ppt;
  IB_ALMANAC_INPUT in = {};
  const BOOLEAN bInput = IB_bAlmanacInput(&in);
  U32 u32Unused[4] = {};
  if (bInput && !IB_bSunTimes(&in, &u32Unused[0], &u32Unused[1], &u32Unused[2], &u32Unused[3])) return;
  IB_vBar(pBitmap, o);
  IB_vDoubleRule(pBitmap, o.x + 4, o.x + 155, o.y + 46);
  IB_vLine(pBitmap, o.x + 78, o.y + 2, o.x + 78, o.y + 90);
  IB_vLine(pBitmap, o.x + 79, o.y + 2, o.x + 79, o.y + 90);
  // New, first quarter, full, last quarter: month then day each.
  U32 au32Date[4][2] = {};
  if (bInput) {
    ASTRO_bGetMoonPhaseDates(in.dLatitude, in.dLongitude, (U32)in.tmDay.tm_year + 1900, (U32)in.tmDay.tm_mon + 1,
                             (U32)in.tmDay.tm_mday, 0.0, &au32Date[0][0], &au32Date[0][1], &au32Date[2][0],
                             &au32Date[2][1], &au32Date[1][0], &au32Date[1][1], &au32Date[3][0], &au32Date[3][1]);
  }
  for (U32 i = 0; i < 4; i++) {
    char sDate[IB_TEXT_SIZE] = {};
    if (bInput) {
      snprintf(sDate, sizeof sDate, "%02u/%02u", au32Date[i][0] % 100, au32Date[i][1] % 100);
      U_WSTRING_vReplaceNarrowWithWide(sDate, sizeof sDate);
    } else {
      IB_vDashes(sDate, sizeof sDate);
    }
    const BOOLEAN bTop = i < 2;
    IB_vMoonCell(pBitmap, o.x + (i % 2 == 0 ? 0 : 79), o.y + (bTop ? 91 : 43), o.y + (bTop ? 51 : 2),
                 s_apMoonIcons[i], sDate);
  }
}

void IBRF_vRenderCrossTrackOverErrorDistanceToGoInfoBox(BITMAP* pBitmap, POINT* ppt, VIBD_DIRECTION, U32 nLang) {
  IB_vDual(pBitmap, *ppt, nLang, FCID("IXTE"), FCID("IDTG"));
}

void IBRF_vRenderTimeToGoOverSpeedInfoBox(BITMAP* pBitmap, POINT* ppt, VIBD_DIRECTION, U32 nLang) {
  IB_vDual(pBitmap, *ppt, nLang, FCID("ITTG"), FCID("ISPD"));
}

void IBRF_vRenderCourseMadeGoodOverSpeedMadeGoodInfoBox(BITMAP* pBitmap, POINT* ppt, VIBD_DIRECTION, U32 nLang) {
  IB_vDual(pBitmap, *ppt, nLang, FCID("ICMG"), FCID("ISMG"));
}

void IBRF_vRenderCurrentTrackOverCourseMadeGoodInfoBox(BITMAP* pBitmap, POINT* ppt, VIBD_DIRECTION, U32 nLang) {
  IB_vDual(pBitmap, *ppt, nLang, FCID("ITRK"), FCID("ICMG"));
}

void IBRF_vRenderWayPointOverTimeToGoInfoBox(BITMAP* pBitmap, POINT* ppt, VIBD_DIRECTION eDirection, U32 nLang) {
  const POINT o = *ppt;
  IB_vBar(pBitmap, o);
  U8 u8Icon = 0;
  char sName[IB_TEXT_SIZE] = {};
  IB_vWaypoint(IB_u32Destination(), &u8Icon, sName, sizeof sName);
  const FONT_DEF* pFont = T_INFO_pFont(14);
  IB_vPutRight(pBitmap, o.x + 156, o.y + 98 - (S32)G_STRING_u32GetHeight(pFont), pFont, sName);
  // This box always shows the plain waypoint symbol, whatever the
  // destination's own.
  const ICON* pIcon = T_NAV_pWaypointIcon(0);
  IB_vPutIcon(pBitmap, pIcon, o.x + 2, o.y + 71 - IB_nIconHeight(pIcon) / 2);
  IB_vDoubleRule(pBitmap, o.x + 4, o.x + 155, o.y + 48);
  T_INFO_nDrawInfoBox(pBitmap, 156, 49, o.x, o.y - 1, FCID("ITTG"), T_INFO_pFont(32), T_INFO_pFont(14), IBS_NONE,
                      JUSTIFY_LEFT, nLang);
  if (eDirection == VIBD_RIGHT) ppt->x += IB_WIDTH;
}

void IBRF_vRenderDistanceToGoOverTimeToGoInfoBox(BITMAP* pBitmap, POINT* ppt, VIBD_DIRECTION, U32 nLang) {
  IB_vWaypointBox(pBitmap, *ppt, nLang, IB_u32Destination(), NEXT, FCID("ITTG"), FCID("IDTG"));
}

void IBRF_vRenderDistanceToGoOverEstimatedTimeArrivalInfoBox(BITMAP* pBitmap, POINT* ppt, VIBD_DIRECTION,
                                                             U32 nLang) {
  IB_vWaypointBox(pBitmap, *ppt, nLang, IB_u32Destination(), NEXT, FCID("IETA"), FCID("IDTG"));
}

void IBRF_vRenderDistanceToGoOverTimeToGoFinalInfoBox(BITMAP* pBitmap, POINT* ppt, VIBD_DIRECTION, U32 nLang) {
  IB_vWaypointBox(pBitmap, *ppt, nLang, IB_u32RouteEnd(), END, FCID("ITTF"), FCID("IDTF"));
}

void IBRF_vRenderDistanceToGoOverEstimatedTimeArrivalFinalInfoBox(BITMAP* pBitmap, POINT* ppt, VIBD_DIRECTION,
                                                                  U32 nLang) {
  IB_vWaypointBox(pBitmap, *ppt, nLang, IB_u32RouteEnd(), END, FCID("IETF"), FCID("IDTF"));
}

void T_NAV_INFOBOX_vDrawInfoLayer_Instrumentation_BigDigitsViews(BITMAP* pBitmap,
                                                                 WINDOW_SPECIFICATION_POINTER psWindowSpec) {
  T_INFO_vDrawInfoLayer_Instrumentation_TrackChartView(pBitmap, psWindowSpec);
}

// ---------------------------------------------------------------------------
// The catalogue

void T_NAV_INFOBOX_vPublish(void) {
  static const struct {
    FOURCHARID fcid;
    INFO_BOX_RENDERING_FUNCTION* pRender;
    const char* const* pTitle;
  } s_aBoxes[] = {
      {FCID("BPOS"), IBRF_vRenderPositionInfoBox, Position},
      {FCID("BTIM"), IBRF_vRenderTimeDateInfoBox, Time_Date},
      {FCID("BSUN"), IBRF_vRenderSunriseSunsetInfoBox, Sunrise_Sunset},
      {FCID("BMPH"), IBRF_vRenderMoonPhaseInfoBox, Moon_Phase},
      {FCID("BTMO"), IBRF_vRenderTimeOnlyInfoBox, Time},
      {FCID("QCTD"), IBRF_vRenderCrossTrackOverErrorDistanceToGoInfoBox, XTE_Over_Distance},
      {FCID("QTSP"), IBRF_vRenderTimeToGoOverSpeedInfoBox, TTG_Over_Speed},
      {FCID("QWTG"), IBRF_vRenderWayPointOverTimeToGoInfoBox, WTG},
      {FCID("QDTG"), IBRF_vRenderDistanceToGoOverTimeToGoInfoBox, WPTnextDTGOverTTG},
      {FCID("QETA"), IBRF_vRenderDistanceToGoOverEstimatedTimeArrivalInfoBox, WPTnextDTGOverETA},
      {FCID("QDTF"), IBRF_vRenderDistanceToGoOverTimeToGoFinalInfoBox, WPTendDTGOverTTG},
      {FCID("QETF"), IBRF_vRenderDistanceToGoOverEstimatedTimeArrivalFinalInfoBox, WPTendDTGOverETA},
      {FCID("QCOS"), IBRF_vRenderCourseMadeGoodOverSpeedMadeGoodInfoBox, CMGOverSMG},
      {FCID("QTOC"), IBRF_vRenderCurrentTrackOverCourseMadeGoodInfoBox, TRKOverCMG},
  };
  for (const auto& b : s_aBoxes) {
    H_DATABASE_bUpdateEverythingVoidPointer(b.fcid, (void*)b.pRender, P_NORMAL, D_POINTER, b.pTitle, DB_NEVER_STALE);
  }
}
