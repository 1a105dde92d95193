// The instrumentation layers: what the readouts look like on each view. By
// SDBO a view gets the data-box column at its left edge or light overlays of
// outlined text over its picture, and in either case the cursor bar and,
// while navigating, the man-overboard or waypoint bar. All of it runs in the
// view task and reads its values from the database on every draw.

#include <math.h>
#include <stdio.h>
#include <string.h>

#include "astro.h"
#include "color.h"
#include "g_box.h"
#include "g_circle.h"
#include "g_fonts.h"
#include "g_icon.h"
#include "g_iconset.h"
#include "g_line.h"
#include "g_string.h"
#include "g_truetype.h"
#include "l_hook.h"
#include "t_info.h"
#include "t_nav_twr.h"
#include "u_convert.h"
#include "u_infobox_text.h"
#include "u_language.h"
#include "u_view.h"
#include "u_viewarea.h"
#include "u_wstring.h"
#include "ui_texts.h"

constexpr S32 INFO_SCREEN_WIDTH = 800;
constexpr S32 INFO_BOX_PITCH = 96;
constexpr S32 INFO_COLUMN_BOX_WIDTH = 160;
constexpr S32 INFO_TOP_BOX_Y = 385;
constexpr S32 INFO_CURSOR_BAR_Y = 421;
// Rows the sonar view's frequency label takes at the bottom left.
constexpr S32 INFO_CHIRP_LABEL_ROWS = 24;


static void INFO_vFill(BITMAP* pBitmap, U32 u32Entry, S32 x, S32 y, S32 w, S32 h) {
  if (w <= 0 || h <= 0) return;
  const POINT pt = {x, y};
  G_BOX_vDrawFilled(pBitmap, COLOR_colEntry(u32Entry), &pt, (U32)w, (U32)h);
}

static void INFO_vHLine(BITMAP* pBitmap, U32 u32Entry, S32 x0, S32 x1, S32 y) {
  POINT a = {x0, y};
  POINT b = {x1, y};
  G_LINE_vDraw(pBitmap, COLOR_colEntry(u32Entry), &a, &b);
}

static void INFO_vVLine(BITMAP* pBitmap, U32 u32Entry, S32 x, S32 y0, S32 y1) {
  POINT a = {x, y0};
  POINT b = {x, y1};
  G_LINE_vDraw(pBitmap, COLOR_colEntry(u32Entry), &a, &b);
}

static BOOLEAN INFO_bFetchValid(FOURCHARID id, DB_DATA_TYPE* pValue) {
  BOOLEAN bValid = FALSE;
  return H_DATABASE_bFetch(id, pValue, &bValid, nullptr) && bValid;
}


static BOOLEAN INFO_bIce(void) {
  BOOLEAN bIce = FALSE;
  return H_DATABASE_bFetchBoolean(FCID("SICE"), &bIce, nullptr, nullptr) && bIce;
}

static BOOLEAN INFO_bInList(S32 view, const S32* list, size_t n) {
  for (size_t i = 0; i < n; i++) {
    if (list[i] == view) return TRUE;
  }
  return FALSE;
}

static const S32 s_anSonarOverlayViews[] = {21, 22, 24, 28, 29, 30, 32, 33, 38, 39, 40,
                                            48, 49, 50, 57, 61, 62, 63, 64, 67};
static const S32 s_anChartOverlayViews[] = {47, 51, 52, 53, 54, 55, 56, 65, 160};
// Views whose overlay shows no clock.
static const S32 s_anNoClockViews[] = {36, 38, 39};

static BOOLEAN INFO_bSonarOverlayView(S32 view) {
  return INFO_bInList(view, s_anSonarOverlayViews, sizeof s_anSonarOverlayViews / sizeof s_anSonarOverlayViews[0]);
}
static BOOLEAN INFO_bChartOverlayView(S32 view) {
  return INFO_bInList(view, s_anChartOverlayViews, sizeof s_anChartOverlayViews / sizeof s_anChartOverlayViews[0]);
}

// The live item a readout names, 0 when there is none.
static FOURCHARID INFO_fcidLiveItem(FOURCHARID readout) {
  U32 live = 0;
  if (!H_DATABASE_bFetchU32(readout, &live, nullptr, nullptr)) return 0;
  return live;
}

// ---------------------------------------------------------------------------
// Overlay lines: outlined text, a value's whole part large, its tenths by
// SFMT, then its units

struct INFO_OVERLAY {
  BITMAP* pBitmap;
  COLOR colorText;
  COLOR colorOutline;
  S32 x;
  S32 y;
};

static void INFO_vOverlayBegin(INFO_OVERLAY* o, BITMAP* pBitmap, LAYER_ID eView, S32 y) {
  U32 outline = 0;
  const U32 text = T_INFO_u32GetDataBoxOverlayColor(eView, &outline);
  o->pBitmap = pBitmap;
  o->colorText = COLOR_colEntry(text);
  o->colorOutline = COLOR_colEntry(outline);
  o->x = 10;
  o->y = y + (T_INFO_bChirpLabelOn() ? INFO_CHIRP_LABEL_ROWS : 0);
}

static void INFO_vOverlayText(INFO_OVERLAY* o, POINT* pt, const FONT_DEF* pFont, const char* sText) {
  G_STRING_vPutWithOutline(o->pBitmap, o->colorText, pt, pFont, (const BYTE*)sText, o->colorOutline);
}

// One text of an overlay line, drawn dx pixels after the one before.
struct INFO_PART {
  const FONT_DEF* pFont;
  const char* pText;
  S32 dx;
};

// Asked before an overlay line is drawn, with the box of anything it draws
// beside its texts (an icon; w 0 for none): FALSE when a window would cut
// the line, which is then not drawn at all.
static BOOLEAN INFO_bOverlayLineShown(const INFO_OVERLAY* o, S32 x, const INFO_PART* aParts, U32 u32Parts,
                                      VIEWAREA_BOX extra) {
  S32 left = extra.x, right = extra.x + extra.w, bottom = extra.y, top = extra.y + extra.h;
  BOOLEAN bAny = extra.w > 0;
  for (U32 i = 0; i < u32Parts; i++) {
    x += aParts[i].dx;
    G_TEXT_BOX ink;
    if (G_TRUETYPE_M_bInkBox(aParts[i].pText, aParts[i].pFont, &ink)) {
      // The outline reaches a pixel further each way.
      const S32 l = x + ink.left - 1, r = x + ink.right + 2, b = o->y + ink.bottom - 1, t = o->y + ink.top + 2;
      left = bAny && left < l ? left : l;
      right = bAny && right > r ? right : r;
      bottom = bAny && bottom < b ? bottom : b;
      top = bAny && top > t ? top : t;
      bAny = TRUE;
    }
    x += (S32)G_STRING_u32GetWidth(aParts[i].pFont, (const BYTE*)aParts[i].pText);
  }
  if (!bAny) return TRUE;
  const VIEWAREA_BOX box = {left, bottom, right - left, top - bottom};
  return U_VIEWAREA_bReadout(&box);
}

static void INFO_vOverlayParts(INFO_OVERLAY* o, S32 x, const INFO_PART* aParts, U32 u32Parts) {
  POINT pt = {x, o->y};
  for (U32 i = 0; i < u32Parts; i++) {
    pt.x += aParts[i].dx;
    INFO_vOverlayText(o, &pt, aParts[i].pFont, aParts[i].pText);
  }
}

// An overlay line of texts, whole or not at all.
static void INFO_vOverlayLine(INFO_OVERLAY* o, const INFO_PART* aParts, U32 u32Parts) {
  if (INFO_bOverlayLineShown(o, o->x, aParts, u32Parts, {0, 0, 0, 0})) INFO_vOverlayParts(o, o->x, aParts, u32Parts);
}

// An ASCII text in the current language's form.
static void INFO_vWide(char* s) { U_WSTRING_vReplaceNarrowWithWide(s, INFO_VALUE_SIZE); }

// A number's text as an overlay line draws it: its whole part, the point and
// tenths by SFMT, then the units. ASCII in; drawn in the language's form.
static void INFO_vOverlayNumber(INFO_OVERLAY* o, char* text, const FONT_DEF* pWhole, const char* sUnits) {
  char* point = strchr(text, '.');
  char tenths[INFO_VALUE_SIZE] = {};
  if (point != nullptr) {
    strcpy(tenths, point);
    *point = 0;
  }
  const DIGITS_FORMAT eFormat = (DIGITS_FORMAT)T_INFO_u32Setting(FCID("SFMT"), SMALL_TENTHS);
  INFO_vWide(text);
  INFO_vWide(tenths);
  const INFO_PART parts[] = {{pWhole, text, 0},
                             {eFormat == LARGE_TENTHS ? pWhole : T_INFO_pFont(32), tenths, 0},
                             {T_INFO_pFont(21), sUnits, 2}};
  if (eFormat == NO_TENTHS) {
    const INFO_PART whole[] = {parts[0], parts[2]};
    INFO_vOverlayLine(o, whole, 2);
  } else {
    INFO_vOverlayLine(o, parts, 3);
  }
}

static void INFO_vOverlayValue(INFO_OVERLAY* o, double dValue, const FONT_DEF* pWhole, const char* sUnits) {
  char text[INFO_VALUE_SIZE] = {};
  snprintf(text, sizeof text, "%0.1f", dValue);
  INFO_vOverlayNumber(o, text, pWhole, sUnits);
}

static BOOLEAN INFO_bReadoutValue(FOURCHARID readout, double* pd) {
  DB_DATA_TYPE value = {};
  const FOURCHARID live = INFO_fcidLiveItem(readout);
  if (live == 0 || !INFO_bFetchValid(live, &value)) return FALSE;
  *pd = value.fVal;
  return TRUE;
}

static BOOLEAN INFO_bOverlayClock(INFO_OVERLAY* o) {
  DB_DATA_TYPE now = {};
  if (!INFO_bFetchValid(FCID("IDTM"), &now)) return FALSE;
  char text[INFO_VALUE_SIZE] = {};
  T_INFO_vFormatTime((time_t)now.u32Val, FALSE, TRUE, text, nullptr, nullptr);
  const INFO_PART part = {T_INFO_pFont(32), text, 0};
  INFO_vOverlayLine(o, &part, 1);
  return TRUE;
}

// The outlined lines of a readout in the unit its setting picks: the first
// listed unit equal to the setting, else the last one.
struct INFO_OVERLAY_LINE {
  FOURCHARID readout;
  FOURCHARID unitSetting;
  DATA_TYPE type;
  U32 u32Points;
  U32 u32Units;
  UNIT_TYPE aeUnits[3];
  const char* const* apText[3];
};
static const INFO_OVERLAY_LINE s_sTemperatureLine = {
    FCID("BTMP"), FCID("SUTE"), D_TEMPERATURE, 44, 2, {U_FAHRENHEIT, U_CELSIUS}, {Degrees_F, Degrees_C}};
static const INFO_OVERLAY_LINE s_sSpeedLine = {
    FCID("BSPD"), FCID("SUSP"), D_SPEED, 44, 3, {U_KNOTS, U_KPH, U_MPH}, {kts_LC, kph_LC, mph_LC}};
static const INFO_OVERLAY_LINE s_sDepthLine = {
    FCID("BDEP"), FCID("SUDP"), D_DEPTH, 62, 3, {U_FEET, U_FATHOMS, U_METRES}, {ft, fthm, m}};

static BOOLEAN INFO_bOverlayLine(INFO_OVERLAY* o, const INFO_OVERLAY_LINE& line, U32 nLang) {
  double d = 0;
  const BOOLEAN bValue = INFO_bReadoutValue(line.readout, &d);
  const BOOLEAN bNoDepth = !bValue && T_INFO_bNoDepth(INFO_fcidLiveItem(line.readout));
  if (!bValue && !bNoDepth) return FALSE;
  const U32 setting = T_INFO_u32Setting(line.unitSetting, U_NONE);
  U32 i = 0;
  while (i + 1 < line.u32Units && line.aeUnits[i] != setting) i++;
  if (bNoDepth) {
    char dashes[INFO_VALUE_SIZE] = "--";
    INFO_vOverlayNumber(o, dashes, T_INFO_pFont(line.u32Points), line.apText[i][nLang]);
  } else {
    INFO_vOverlayValue(o, dConvertFromInternal(d, line.type, line.aeUnits[i]), T_INFO_pFont(line.u32Points),
                       line.apText[i][nLang]);
  }
  return TRUE;
}

static BOOLEAN INFO_bOverlayTemperature(INFO_OVERLAY* o, U32 nLang) { return INFO_bOverlayLine(o, s_sTemperatureLine, nLang); }
static BOOLEAN INFO_bOverlaySpeed(INFO_OVERLAY* o, U32 nLang) { return INFO_bOverlayLine(o, s_sSpeedLine, nLang); }
static BOOLEAN INFO_bOverlayDepth(INFO_OVERLAY* o, U32 nLang) { return INFO_bOverlayLine(o, s_sDepthLine, nLang); }

static BOOLEAN INFO_bOverlayHeading(INFO_OVERLAY* o, U32 nLang) {
  double d = 0;
  if (!INFO_bReadoutValue(FCID("BHDG"), &d)) return FALSE;
  if (T_INFO_u32Setting(FCID("SUHD"), U_DEG_TRUE) == U_DEG_MAGNETIC) {
    float variation = 0;
    if (H_DATABASE_bFetchFloat(FCID("IMGV"), &variation, nullptr, nullptr)) d = fmod(d + 360.0 - variation, 360.0);
  }
  if (d >= 359.5) d = 0;
  char text[INFO_VALUE_SIZE] = {};
  snprintf(text, sizeof text, "%0.0f", d);
  INFO_vWide(text);
  const INFO_PART parts[] = {{T_INFO_pFont(44), text, 0},
                             {T_INFO_pFont(21), H_DATABASE_pcUnitsString(U_DEG_TRUE, nLang), 2}};
  INFO_vOverlayLine(o, parts, 2);
  return TRUE;
}

static BOOLEAN INFO_bOverlayDistanceToGo(INFO_OVERLAY* o, U32 nLang) {
  DB_DATA_TYPE value = {};
  if (!T_INFO_bNavigating() || !INFO_bFetchValid(FCID("IDTG"), &value)) return FALSE;
  // The menu offers nautical miles as nautical miles with feet or with
  // metres for short distances: both are nautical miles here, named "nm",
  // where they fell to statute miles.
  const U32 unit = T_INFO_u32Setting(FCID("SUDS"), U_STAT_MILES);
  const BOOLEAN bNautical = unit == U_NAUT_MILES || unit == U_NAUT_MILES_FT || unit == U_NAUT_MILES_M;
  const UNIT_TYPE u = bNautical ? U_NAUT_MILES : unit == U_KM ? U_KM : U_STAT_MILES;
  INFO_vOverlayValue(o, dConvertFromInternal(value.fVal, D_DISTANCE, u), T_INFO_pFont(44),
                     H_DATABASE_pcUnitsString(bNautical ? U_NAUT_MILES_M : u, nLang));
  return TRUE;
}

void T_INFO_vDrawSonarDataBoxOverlay(BITMAP* pBitmap, LAYER_ID eView) {
  if (T_INFO_eDataBoxOption() == DATA_BOXES_OFF) return;
  const U32 nLang = nCurrentLanguage();
  INFO_OVERLAY o;
  INFO_vOverlayBegin(&o, pBitmap, eView, 12);
  const BOOLEAN bClockHidden =
      (T_INFO_bNavigating() && INFO_bChartOverlayView(eView)) ||
      INFO_bInList(eView, s_anNoClockViews, sizeof s_anNoClockViews / sizeof s_anNoClockViews[0]);
  if (!bClockHidden && INFO_bOverlayClock(&o)) o.y += 39;
  if (INFO_bOverlayTemperature(&o, nLang)) o.y += 51;
  if (INFO_bOverlaySpeed(&o, nLang)) o.y += 51;
  INFO_bOverlayDepth(&o, nLang);
}

void T_INFO_vDrawChartDataBoxOverlay(BITMAP* pBitmap, LAYER_ID eView) {
  if (T_INFO_eDataBoxOption() == DATA_BOXES_OFF) return;
  const U32 nLang = nCurrentLanguage();
  INFO_OVERLAY o;
  if (eView == RADAR_VIEW_PRIORITY) {
    INFO_vOverlayBegin(&o, pBitmap, eView, 408 - (T_INFO_bFCIDNonZero(FCID("ICAC")) ? 45 : 0));
    o.y -= T_INFO_bChirpLabelOn() ? INFO_CHIRP_LABEL_ROWS : 0;
    if (INFO_bOverlayDepth(&o, nLang)) o.y -= 52;
    if (INFO_bOverlaySpeed(&o, nLang)) o.y -= 52;
    if (INFO_bOverlayHeading(&o, nLang)) o.y -= 52;
    if (T_INFO_bNavigating()) {
      INFO_bOverlayDistanceToGo(&o, nLang);
    } else {
      INFO_bOverlayClock(&o);
    }
    return;
  }
  INFO_vOverlayBegin(&o, pBitmap, eView, U_VIEW_bIsInstrumentView(eView) ? 99 : 13);
  if (!T_INFO_bNavigating() && INFO_bOverlayClock(&o)) o.y += 40;
  if (INFO_bOverlayDistanceToGo(&o, nLang)) o.y += 52;
  if (INFO_bOverlayHeading(&o, nLang)) o.y += 52;
  if (INFO_bOverlaySpeed(&o, nLang)) o.y += 52;
  INFO_bOverlayDepth(&o, nLang);
}

// The local calendar date and minutes of the day of a POSIX time, by SLTZ
// and SDST; the zone in hours in *pdZone.
static void INFO_vLocalDate(time_t now, U32* py, U32* pm, U32* pd, S32* pnMinutes, double* pdZone) {
  S32 zone = 0;
  BOOLEAN bDst = FALSE;
  H_DATABASE_bFetchS32(FCID("SLTZ"), &zone, nullptr, nullptr);
  H_DATABASE_bFetchBoolean(FCID("SDST"), &bDst, nullptr, nullptr);
  const S32 offset = zone * 60 + (bDst ? 3600 : 0);
  const time_t local = now + offset;
  struct tm t = {};
  gmtime_r(&local, &t);
  *py = (U32)t.tm_year + 1900;
  *pm = (U32)t.tm_mon + 1;
  *pd = (U32)t.tm_mday;
  *pnMinutes = t.tm_hour * 60 + t.tm_min;
  *pdZone = offset / 3600.0;
}

// A moon of the phase: dark for new, lit for full, half for the quarters.
static void INFO_vMoonIcon(INFO_OVERLAY* o, POINT centre, U32 u32Phase) {
  const U32 diameter = 26;
  G_CIRCLE_vDrawFilled(o->pBitmap, o->colorOutline, &centre, diameter + 2);
  if (u32Phase == AstroQuadrumFullMoon) {
    G_CIRCLE_vDrawFilled(o->pBitmap, o->colorText, &centre, diameter);
  } else if (u32Phase != AstroQuadrumNewMoon) {
    const S32 sign = u32Phase == AstroQuadrumFirstQuarter ? 1 : -1;
    for (S32 dy = -(S32)diameter / 2; dy <= (S32)diameter / 2; dy++) {
      const S32 half = (S32)sqrt((double)(diameter * diameter / 4 - dy * dy));
      INFO_vHLine(o->pBitmap, 0, centre.x, centre.x + sign * half, centre.y + dy);
    }
  }
  G_CIRCLE_vDraw(o->pBitmap, o->colorText, &centre, diameter);
}

// Half a sun over the horizon, with an arrow up for a rise, down for a set.
static void INFO_vSunIcon(INFO_OVERLAY* o, POINT centre, BOOLEAN bRise) {
  for (S32 dy = 0; dy <= 9; dy++) {
    const S32 half = (S32)sqrt((double)(81 - dy * dy));
    const POINT a = {centre.x - half - 1, centre.y + dy};
    G_BOX_vDrawFilled(o->pBitmap, o->colorText, &a, (U32)(2 * half + 3), 1);
  }
  const POINT horizon = {centre.x - 13, centre.y - 2};
  G_BOX_vDrawFilled(o->pBitmap, o->colorText, &horizon, 27, 2);
  const S32 tipY = bRise ? centre.y + 20 : centre.y + 12;
  const S32 baseY = bRise ? centre.y + 12 : centre.y + 20;
  for (S32 dx = -4; dx <= 4; dx++) {
    POINT a = {centre.x + 14 + dx, baseY};
    POINT b = {centre.x + 14, tipY};
    G_LINE_vDraw(o->pBitmap, o->colorText, &a, &b);
  }
}

static void INFO_vIceMoonLine(INFO_OVERLAY* o, double lat, double lon, U32 y, U32 m, U32 d, double zone) {
  U32 newM = 0, newD = 0, fullM = 0, fullD = 0, firstM = 0, firstD = 0, lastM = 0, lastD = 0, phase = 0, pm = 0,
      pd = 0;
  ASTRO_bGetNextMoonPhase(lat, lon, y, m, d, zone, &phase, &pm, &pd);
  ASTRO_bGetMoonPhaseDates(lat, lon, y, m, d, zone, &newM, &newD, &fullM, &fullD, &firstM, &firstD, &lastM, &lastD);
  char text[INFO_VALUE_SIZE] = {};
  snprintf(text, sizeof text, "%02u/%02u  %02u/%02u", newM, newD, fullM, fullD);
  INFO_vWide(text);
  const INFO_PART part = {T_INFO_pFont(21), text, 0};
  if (!INFO_bOverlayLineShown(o, o->x + 34, &part, 1, {o->x, o->y, 30, 30})) return;
  INFO_vMoonIcon(o, {o->x + 14, o->y + 14}, phase);
  INFO_vOverlayParts(o, o->x + 34, &part, 1);
}

static void INFO_vIceSunLine(INFO_OVERLAY* o, double lat, double lon, U32 y, U32 m, U32 d, S32 minutes,
                             double zone) {
  U32 riseH = 0, riseM = 0, setH = 0, setM = 0, tomorrowH = 0, tomorrowM = 0;
  char text[INFO_VALUE_SIZE] = {};
  char suffix[IBRF_AMPM_SIZE] = {};
  BOOLEAN bRise = TRUE;
  if (!ASTRO_bGetSunriseSunsetTimes(lat, lon, y, m, d, zone, &riseH, &riseM, &setH, &setM, &tomorrowH,
                                    &tomorrowM)) {
    strcpy(text, "---");
  } else {
    U32 h = riseH, mi = riseM;
    if (minutes >= (S32)(riseH * 60 + riseM) && minutes < (S32)(setH * 60 + setM)) {
      h = setH;
      mi = setM;
      bRise = FALSE;
    } else if (minutes >= (S32)(setH * 60 + setM)) {
      U32 td = 0, tm = 0, ty = 0;
      ASTRO_bGetDateTomorrow(&td, &tm, &ty);
      U32 rh = 0, rm = 0, sh = 0, sm = 0, th = 0, tmi = 0;
      if (ASTRO_bGetSunriseSunsetTimes(lat, lon, ty, tm, td, zone, &rh, &rm, &sh, &sm, &th, &tmi)) {
        h = rh;
        mi = rm;
      } else {
        h = tomorrowH;
        mi = tomorrowM;
      }
    }
    // The almanac's times are local already; the 12-hour clock shows the
    // hour from 1 to 12 and the suffix after it.
    struct tm local = {};
    local.tm_hour = (int)h;
    local.tm_min = (int)mi;
    IBRF_vAddAmPm(suffix, &local);
    if (suffix[0] != 0 || suffix[1] != 0) {
      snprintf(text, sizeof text, "%u:%02u", h % 12 == 0 ? 12 : h % 12, mi);
    } else {
      snprintf(text, sizeof text, "%02u:%02u", h, mi);
    }
  }
  INFO_vWide(text);
  const INFO_PART parts[] = {{T_INFO_pFont(32), text, 0}, {T_INFO_pFont(21), suffix, 0}};
  if (!INFO_bOverlayLineShown(o, o->x + 34, parts, 2, {o->x, o->y + 10, 34, 24})) return;
  INFO_vSunIcon(o, {o->x + 14, o->y + 12}, bRise);
  INFO_vOverlayParts(o, o->x + 34, parts, 2);
}

void T_INFO_vDrawIceDataBoxOverlay(BITMAP* pBitmap, LAYER_ID eView) {
  const U32 nLang = nCurrentLanguage();
  INFO_OVERLAY o;
  INFO_vOverlayBegin(&o, pBitmap, eView, 13);
  DB_DATA_TYPE now = {};
  if (INFO_bOverlayClock(&o)) o.y += 40;
  if (INFO_bFetchValid(FCID("IDTM"), &now)) {
    U32 y = 0, m = 0, d = 0;
    S32 minutes = 0;
    double zone = 0;
    INFO_vLocalDate((time_t)now.u32Val, &y, &m, &d, &minutes, &zone);
    DB_DATA_TYPE lat = {}, lon = {};
    BOOLEAN bPosition = FALSE;
    H_DATABASE_bFetchPair(FCID("ILTD"), FCID("ILND"), &lat, &lon, &bPosition);
    INFO_vIceMoonLine(&o, bPosition ? lat.fVal : 0.0, bPosition ? lon.fVal : 0.0, y, m, d, zone);
    o.y += 34;
    if (bPosition) {
      INFO_vIceSunLine(&o, lat.fVal, lon.fVal, y, m, d, minutes, zone);
      o.y += 40;
    }
  }
  DB_DATA_TYPE battery = {};
  const FOURCHARID live = INFO_fcidLiveItem(FCID("BBAT"));
  if (live != 0 && INFO_bFetchValid(live, &battery)) {
    char text[INFO_VALUE_SIZE] = {};
    snprintf(text, sizeof text, "%d", battery.s32Val);
    INFO_vWide(text);
    char percent[INFO_VALUE_SIZE] = "%";
    INFO_vWide(percent);
    const INFO_PART parts[] = {{T_INFO_pFont(44), text, 0}, {T_INFO_pFont(21), percent, 2}};
    INFO_vOverlayLine(&o, parts, 2);
  }
  (void)nLang;
}

// ---------------------------------------------------------------------------
// The box column

static const S32 s_anSideImagingViews[] = {SONAR_SIDEVIEW, SI_ON_TOP_AND_DI_ON_BOTTOM_VIEW_PRIORITY,
                                           SI_ON_TOP_AND_2D_DI_ON_BOTTOM_VIEW_PRIORITY,
                                           CHART_PLUS_SIDESCAN_VIEW_PRIORITY};
static const S32 s_anWaypointManagerChartViews[] = {52, 53, 54, 56, 65};
// Readouts whose tenths are drawn smaller in the column.
static const FOURCHARID s_afcidSmallTenths[] = {FCID("ISPD"), FCID("ISOG"), FCID("ISTW"), FCID("ITMP"),
                                                FCID("ITMS"), FCID("ITMT"), FCID("IRTP"), FCID("IRTS"),
                                                FCID("IVLT"), FCID("IVMG"), FCID("IDEP")};

static std::atomic<BOOLEAN (*)(void)> s_pfnWaypointManagerOpen{nullptr};

BOOLEAN T_INFO_bRegisterWaypointManagerOpen(BOOLEAN (*pfn)(void)) {
  return L_HOOK_bSetOnce(&s_pfnWaypointManagerOpen, pfn, "waypoint manager open");
}

static BOOLEAN INFO_bWaypointManagerOpen(void) {
  BOOLEAN (*pfn)(void) = s_pfnWaypointManagerOpen.load();
  return pfn != nullptr && pfn();
}

// Draws the box of one slot at y; FALSE when it draws nothing.
static BOOLEAN INFO_bDrawSlot(BITMAP* pBitmap, FOURCHARID slot, S32 y, S32 view, U32 nLang) {
  U32 readout = 0;
  if (!H_DATABASE_bFetchU32(slot, &readout, nullptr, nullptr) || readout == 0) return FALSE;
  DB_DATA_TYPE value = {};
  DB_ATTRIBUTES attributes = {};
  if (!H_DATABASE_bFetch(readout, &value, nullptr, &attributes)) return FALSE;
  if (attributes.DataType == D_POINTER) {
    INFO_BOX_RENDERING_FUNCTION* pRender = (INFO_BOX_RENDERING_FUNCTION*)value.vpPointer;
    if (pRender == nullptr) return FALSE;
    const VIEWAREA_BOX box = {0, y - 1, INFO_COLUMN_BOX_WIDTH, INFO_BOX_PITCH};
    if (!U_VIEWAREA_bReadout(&box)) return TRUE;
    POINT pt = {0, y};
    pRender(pBitmap, &pt, VIBD_DOWN, nLang);
    return TRUE;
  }
  if (attributes.DataType != D_FCID) return FALSE;
  const FOURCHARID live = value.u32Val;
  BOOLEAN bSmall = FALSE;
  for (FOURCHARID f : s_afcidSmallTenths) bSmall = bSmall || f == live;
  const INFO_BOX_STYLE style =
      view == SONAR_PPI_DISPLAY_VIEW_PRIORITY ? IBS_VORNE_DARK_GRAY_BAR : IBS_SEMITRANSPARENT_VORNE_DARK_GRAY_BAR;
  return T_INFO_nDrawDigitsInfoBox(pBitmap, 158, 94, 0, y, live, T_INFO_pFont(62), T_INFO_pFont(17),
                                   T_INFO_pFont(bSmall ? 32 : 62), DONT_FORCE, style, INSTRUMENTATION_JUSTIFY_RIGHT,
                                   nLang) > 0;
}

// The column of five boxes; returns the lowest row the column reached (481
// when it drew nothing).
static S32 INFO_nDrawColumn(BITMAP* pBitmap, const FOURCHARID* slots, S32 view, U32 nLang) {
  const BOOLEAN bBackground =
      INFO_bInList(view, s_anSideImagingViews, sizeof s_anSideImagingViews / sizeof s_anSideImagingViews[0]) ||
      (INFO_bWaypointManagerOpen() &&
       INFO_bInList(view, s_anWaypointManagerChartViews,
                    sizeof s_anWaypointManagerChartViews / sizeof s_anWaypointManagerChartViews[0]));
  if (bBackground && T_INFO_u32XOrigin() != 0) INFO_vFill(pBitmap, 238, 0, 0, 160, 480);
  BOOLEAN abDrawn[INFO_SLOTS] = {};
  S32 reached = 481;
  for (U32 k = 0; k < INFO_SLOTS; k++) {
    const S32 y = INFO_TOP_BOX_Y - (S32)k * INFO_BOX_PITCH;
    abDrawn[k] = INFO_bDrawSlot(pBitmap, slots[k], y, view, nLang);
    if (abDrawn[k]) reached = y - 1;
  }
  for (U32 k = 0; k < INFO_SLOTS; k++) {
    if (!abDrawn[k]) continue;
    const S32 y = INFO_TOP_BOX_Y - (S32)k * INFO_BOX_PITCH;
    const S32 bottom = y > 0 ? y - 1 : y;
    INFO_vFill(pBitmap, 239, 158, bottom, 2, y + 95 - bottom);
    if (k == 0 || !abDrawn[k - 1]) INFO_vFill(pBitmap, 239, 0, y + 93, 158, 2);
    if (k + 1 == INFO_SLOTS || !abDrawn[k + 1]) {
      INFO_vFill(pBitmap, 239, 0, bottom, 158, 2);
    } else {
      INFO_vFill(pBitmap, 236, 4, y - 2, 152, 2);
    }
  }
  return reached;
}

// ---------------------------------------------------------------------------
// Bars on top

static BOOLEAN INFO_bMOBInProgress(void) {
  DB_DATA_TYPE value = {};
  return T_INFO_bNavigating() && INFO_bFetchValid(FCID("MOBT"), &value);
}

void T_INFO_vDrawInfoLayer_MOBBar(BITMAP* pBitmap, S32 nX) {
  const U32 nLang = nCurrentLanguage();
  const S32 x = nX;
  const VIEWAREA_BOX bar = {x, 0, INFO_SCREEN_WIDTH - x, 48};
  if (!U_VIEWAREA_bReadout(&bar)) return;
  INFO_vFill(pBitmap, 238, x, 0, INFO_SCREEN_WIDTH - x, 48);
  INFO_vVLine(pBitmap, 239, x, 0, 47);
  INFO_vHLine(pBitmap, 239, x, INFO_SCREEN_WIDTH - 1, 47);
  INFO_vFill(pBitmap, 36, x + 46, 2, 2, 43);
  INFO_vFill(pBitmap, 36, x + 356, 2, 2, 43);
  const FONT_DEF* p14 = T_INFO_pFont(14);
  T_INFO_vDrawText(pBitmap, x + 50, 28, MOB_at, p14, nLang);
  const S32 boxX = x + 50 + (S32)G_STRING_u32GetWidth(p14, (const BYTE*)MOB_at[nLang]) + 4;
  const FONT_DEF* p17 = T_INFO_pFont(17);
  T_INFO_nDrawInfoBox(pBitmap, x + 352 - boxX, 24, boxX, 24, FCID("MOBX"), p17, p17, IBS_BLACK_BAR,
                      INSTRUMENTATION_JUSTIFY_LEFT, nLang);
  T_INFO_nDrawInfoBox(pBitmap, x + 352 - boxX, 24, boxX, 0, FCID("MOBY"), p17, p17, IBS_BLACK_BAR,
                      INSTRUMENTATION_JUSTIFY_LEFT, nLang);
  T_INFO_nDrawInfoBox(pBitmap, INFO_SCREEN_WIDTH - 6 - (x + 360), 48, x + 360, 2, FCID("MOBT"), T_INFO_pFont(32),
                      T_INFO_pFont(21), IBS_NONE, INSTRUMENTATION_JUSTIFY_LEFT, nLang);
  T_INFO_vDrawText(pBitmap, x + 360, 28, Elapsed_Time, p14, nLang);
  // The destination of a man-overboard navigation is always its MOB waypoint.
  const POINT icon = {x + 4, (48 - (S32)G_ICON_u32GetHeight(&MOB_icon)) / 2};
  G_ICON_vPut(pBitmap, &MOB_icon, &icon);
}

void T_INFO_vDrawInfoLayer_WaypointIndicatorBar(BITMAP* pBitmap, POINT* ppt) {
  if (T_INFO_eDataBoxOption() != DATA_BOXES_ON) return;
  char name[INFO_VALUE_SIZE] = {};
  U32 u32Waypoint = 0;
  if (T_INFO_bNavigating() && H_DATABASE_bFetchU32(FCID("IDWP"), &u32Waypoint, nullptr, nullptr)) {
    T_NAV_vCopyWaypointName(u32Waypoint, name, 13);
    name[12] = 0;
  }
  const FONT_DEF* p17 = T_INFO_pFont(17);
  const S32 width = (S32)G_STRING_u32GetWidth(p17, (const BYTE*)name) + 29;
  const S32 height = 47;
  const S32 y = ppt->y + (U_VIEW_bIsInstrumentView(U_VIEW_eCurrentView()) ? 81 : 0);
  const VIEWAREA_BOX bar = {ppt->x, y, width, height};
  if (!U_VIEWAREA_bReadout(&bar)) return;
  INFO_vFill(pBitmap, 238, ppt->x, y, width, height);
  const POINT outer = {ppt->x, y};
  const POINT inner = {ppt->x + 1, y + 1};
  G_BOX_vDraw(pBitmap, COLOR_colEntry(32), &outer, (U32)width, (U32)height);
  G_BOX_vDraw(pBitmap, COLOR_colEntry(32), &inner, (U32)width - 2, (U32)height - 2);
  POINT pt = {ppt->x + 10, y + 16};
  G_STRING_vPut(pBitmap, COLOR_colEntry(35), &pt, p17, (const BYTE*)name);
}

void T_INFO_vDrawCursor(BITMAP* pBitmap, U32 nLang, BOOLEAN bWaypointCursorEnabled) {
  (void)nLang;
  (void)bWaypointCursorEnabled;
  S32 x = 0, y = 0;
  if (!H_DATABASE_bFetchS32(FCID("ICPX"), &x, nullptr, nullptr) ||
      !H_DATABASE_bFetchS32(FCID("ICPY"), &y, nullptr, nullptr)) {
    return;
  }
  const S32 w = (S32)G_ICON_u32GetWidth(&Cursor_icon);
  const S32 h = (S32)G_ICON_u32GetHeight(&Cursor_icon);
  const POINT pt = {x + 1 - w / 2, y - h / 2};
  G_ICON_vPut(pBitmap, &Cursor_icon, &pt);
  if (U_VIEW_eCurrentView() == SI_ON_TOP_AND_2D_DI_ON_BOTTOM_VIEW_PRIORITY &&
      U_VIEW_eCurrentSplit() == SPLIT_RIGHT_WINDOW) {
    const POINT second = {pt.x - 400 + (S32)T_INFO_u32XOrigin() / 2, pt.y};
    G_ICON_vPut(pBitmap, &Cursor_icon, &second);
  }
}

void T_INFO_vDrawInfoLayer_ActiveCursor(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER psWindowSpec, POINT pt) {
  (void)psWindowSpec;
  const S32 view = U_VIEW_eCurrentView();
  if (!T_INFO_bFCIDNonZero(FCID("ICAC")) || U_VIEW_bIsBirdsEyeCursorView(view, U_VIEW_eCurrentSplit())) return;
  const BOOLEAN bSonar = INFO_bSonarOverlayView(view);
  const BOOLEAN bChart = INFO_bChartOverlayView(view);
  if (!bSonar && !bChart) return;
  const U32 nLang = nCurrentLanguage();
  if (bSonar) T_INFO_vDrawCursor(pBitmap, nLang, FALSE);
  if ((view == SONAR_ZOOM_VIEW_PRIORITY || view == SONAR_ZOOM_ICE_VIEW_PRIORITY) &&
      !T_INFO_bFCIDNonZero(FCID("ICCV"))) {
    return;
  }
  // A negative x stands for the left edge of the view's own area.
  const S32 x0 = pt.x < 0 ? (S32)T_INFO_u32XOrigin() : pt.x;
  const S32 y = pt.y < 0 ? pt.y + pBitmap->pixels_high : pt.y;
  const S32 iconWidth = (S32)G_ICON_u32GetWidth(&WhiteCursor_icon);
  const S32 span = 781 - iconWidth - x0;
  const S32 quarter = span / 4;
  const BOOLEAN bRange = T_INFO_bFCIDNonZero(FCID("ICLV"));
  const S32 width = bRange ? span + iconWidth : 2 * quarter + iconWidth + 15;
  // The bar and its boxes are one readout: a window over part of it leaves
  // all of it out.
  const VIEWAREA_BOX bar = {x0, y - 1, width, 58};
  if (!U_VIEWAREA_bReadout(&bar)) {
    if (bChart) T_INFO_vDrawCursor(pBitmap, nLang, TRUE);
    return;
  }
  T_INFO_vDrawInfoBar(pBitmap, width, 56, x0, y, IBS_VORNE_DARK_GRAY_BAR);
  const POINT edge = {x0, y};
  G_BOX_vDraw(pBitmap, COLOR_colEntry(239), &edge, (U32)width, 56);
  const FONT_DEF* p32 = T_INFO_pFont(32);
  const FONT_DEF* p14 = T_INFO_pFont(14);
  S32 x = x0 + iconWidth + 10;
  const POINT icon = {x0 + 5, y + 18};
  G_ICON_vPut(pBitmap, &WhiteCursor_icon, &icon);
  const FOURCHARID sonarItems[] = {FCID("ICBH"), FCID("ICBD"), FCID("ICDP"), FCID("ICCD")};
  const FOURCHARID chartItems[] = {FCID("ICBH"), FCID("ICBD")};
  const FOURCHARID* items = bSonar ? sonarItems : chartItems;
  const U32 count = bSonar ? 4 : 2;
  for (U32 i = bRange ? 0 : 2; i < count; i++) {
    T_INFO_nDrawInfoBox(pBitmap, quarter - 6, 52, x, y + 2, items[i], p32, p14, IBS_BLACK_BAR,
                        INSTRUMENTATION_JUSTIFY_LEFT, nLang);
    x += quarter - 4;
    INFO_vFill(pBitmap, 236, x, y + 2, 2, 52);
    x += 4;
  }
  if (bChart) {
    T_INFO_nDrawInfoBox(pBitmap, quarter - 6, 28, x, y + 28, FCID("ICND"), T_INFO_pFont(17), p14, IBS_BLACK_BAR,
                        INSTRUMENTATION_JUSTIFY_RIGHT, nLang);
    T_INFO_nDrawInfoBox(pBitmap, quarter - 6, 28, x, y, FCID("ICTD"), T_INFO_pFont(17), p14, IBS_BLACK_BAR,
                        INSTRUMENTATION_JUSTIFY_RIGHT, nLang);
    T_INFO_vDrawCursor(pBitmap, nLang, TRUE);
  }
}

// ---------------------------------------------------------------------------
// The layers

void T_INFO_vDrawInfoLayer_Instrumentation_Common(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER psWindowSpec,
                                                  const FOURCHARID* fcidSelection, S32 number_of_infoboxes) {
  const S32 view = U_VIEW_eCurrentView();
  const DATA_BOXES_OPTION eOption = T_INFO_eDataBoxOption();
  const U32 nLang = nCurrentLanguage();
  const BOOLEAN bDiagnostic =
      view == DIAGNOSTIC_SELF_TEST || view == DIAGNOSTIC_GPS_CARTOGRAPHY || view == DIAGNOSTIC_ACCESSORY_CATALOG;
  BOOLEAN bColumn = bDiagnostic;
  if (!bDiagnostic && eOption == DATA_BOXES_OVERLAY) {
    if (INFO_bSonarOverlayView(view)) {
      INFO_bIce() ? T_INFO_vDrawIceDataBoxOverlay(pBitmap, (LAYER_ID)view)
                  : T_INFO_vDrawSonarDataBoxOverlay(pBitmap, (LAYER_ID)view);
    } else if (INFO_bChartOverlayView(view)) {
      INFO_bIce() ? T_INFO_vDrawIceDataBoxOverlay(pBitmap, (LAYER_ID)view)
                  : T_INFO_vDrawChartDataBoxOverlay(pBitmap, (LAYER_ID)view);
    }
  } else if (!bDiagnostic && eOption == DATA_BOXES_ON) {
    bColumn = view != SONAR_2D_PLUS_FLASHER_ICE_PRIORITY && view != SONAR_2D_ZOOM_PLUS_FLASHER_ICE_PRIORITY &&
              view != CHART_PLUS_FLASHER_ICE_VIEW_PRIORITY;
  }
  BOOLEAN bColumnDrawn = FALSE;
  if (bColumn && number_of_infoboxes >= (S32)INFO_SLOTS) {
    bColumnDrawn = INFO_nDrawColumn(pBitmap, fcidSelection, view, nLang) <= 480;
  }
  T_INFO_vDrawInfoLayer_ActiveCursor(pBitmap, psWindowSpec, {-2, INFO_CURSOR_BAR_Y});
  if (!T_INFO_bNavigating()) return;
  const S32 x = (eOption == DATA_BOXES_ON || bColumnDrawn) && T_INFO_bFCIDIsValidSelection(FCID("SC54")) ? 160 : 0;
  if (INFO_bMOBInProgress()) {
    T_INFO_vDrawInfoLayer_MOBBar(pBitmap, x);
  } else {
    POINT pt = {x, 0};
    T_INFO_vDrawInfoLayer_WaypointIndicatorBar(pBitmap, &pt);
  }
}

void T_INFO_vDrawInfoLayer_Instrumentation_Big_Digits(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER psWindowSpec) {
  (void)psWindowSpec;
  const U32 nLang = nCurrentLanguage();
  const FOURCHARID normal[] = {FCID("IDEP"), FCID("ITMP"), FCID("ISPD")};
  const FOURCHARID ice[] = {FCID("IDEP"), FCID("IDTM"), FCID("IBAT")};
  const FOURCHARID* items = INFO_bIce() ? ice : normal;
  S32 y = 322;
  for (U32 i = 0; i < 3; i++) {
    if (items[i] == FCID("IDTM")) {
      // The clock in the large renderer over a box like its neighbours';
      // its 160-row cell sits so that the digits and the label both stay
      // inside the 154-row box.
      DB_DATA_TYPE now = {};
      if (!INFO_bFetchValid(FCID("IDTM"), &now)) continue;
      const VIEWAREA_BOX box = {2, y - 1, 290, 156};
      if (!U_VIEWAREA_bReadout(&box)) {
        y -= 160;
        continue;
      }
      T_INFO_vDrawInfoBar(pBitmap, 290, 154, 2, y, IBS_SEMITRANSPARENT_VORNE_DARK_GRAY_BAR);
      POINT pt = {0, y - 5};
      IBRF_vRenderTimeOnlyDezoInfoBox(pBitmap, &pt, nLang, T_INFO_u32XOrigin(), 160);
      y -= 160;
      continue;
    }
    const S32 w = T_INFO_nDrawDigitsInfoBox(pBitmap, 290, 154, 2, y, items[i], T_INFO_pFont(100), T_INFO_pFont(14),
                                            T_INFO_pFont(62), DONT_FORCE, IBS_SEMITRANSPARENT_VORNE_DARK_GRAY_BAR,
                                            INSTRUMENTATION_JUSTIFY_RIGHT, nLang);
    if (w > 0) y -= 160;
  }
}

void T_INFO_vDrawInfoLayer_Instrumentation_SonarView(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER psWindowSpec) {
  T_INFO_vSetAlpha(psWindowSpec != nullptr ? psWindowSpec->u32User : 0);
  const S32 view = U_VIEW_eCurrentView();
  if (view == ZOLT_DIGIT_VIEW_PRIORITY || view == ZOLT_DIGIT_ICE_VIEW_PRIORITY) {
    T_INFO_vDrawInfoLayer_Instrumentation_Big_Digits(pBitmap, psWindowSpec);
    return;
  }
  if ((view == SONAR_SIDEVIEW || view == SI_ON_TOP_AND_DI_ON_BOTTOM_VIEW_PRIORITY ||
       view == SI_ON_TOP_AND_2D_DI_ON_BOTTOM_VIEW_PRIORITY) &&
      T_INFO_u32Setting(FCID("SIRO"), 0) == 0) {
    T_INFO_vDrawInfoLayer_ActiveCursor(pBitmap, psWindowSpec, {-2, INFO_CURSOR_BAR_Y});
    INFO_bIce() ? T_INFO_vDrawIceDataBoxOverlay(pBitmap, (LAYER_ID)view)
                : T_INFO_vDrawSonarDataBoxOverlay(pBitmap, (LAYER_ID)view);
    return;
  }
  T_INFO_vDrawInfoLayer_Instrumentation_Common(pBitmap, psWindowSpec, T_INFO_pSlotSet(), (S32)INFO_SLOTS);
}

void T_INFO_vDrawInfoLayer_Instrumentation_TrackChartView(BITMAP* pBitmap,
                                                          WINDOW_SPECIFICATION_POINTER psWindowSpec) {
  T_INFO_vSetAlpha(psWindowSpec != nullptr ? psWindowSpec->u32User : 0);
  T_INFO_vDrawInfoLayer_Instrumentation_Common(pBitmap, psWindowSpec, T_INFO_pSlotSet(), (S32)INFO_SLOTS);
}

void T_INFO_vDrawInfoLayer_Instrumentation_Bare(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER psWindowSpec) {
  T_INFO_vDrawInfoLayer_ActiveCursor(pBitmap, psWindowSpec, {-2, INFO_CURSOR_BAR_Y});
}

// The compass strip of the instrument view: heading marks, the bearing
// needle and the cross-track boat over a dark bar along the top.
static void INFO_vDrawBubbleCompass(BITMAP* pBitmap, U32 nLang) {
  const S32 x0 = T_INFO_u32XOrigin() == 0 ? 0 : 159;
  const S32 width = x0 == 0 ? INFO_SCREEN_WIDTH : 642;
  T_INFO_vDrawInfoBar(pBitmap, width, 84, x0, 396, IBS_VORNE_DARK_GRAY_BAR);
  INFO_vFill(pBitmap, 131, x0, 393, width, 3);
  float heading = 0;
  BOOLEAN bValid = FALSE;
  if (!H_DATABASE_bFetchFloat(FCID("IHDG"), &heading, &bValid, nullptr) || !bValid) return;
  if (T_INFO_u32Setting(FCID("SUHD"), U_DEG_TRUE) == U_DEG_MAGNETIC) {
    float variation = 0;
    if (H_DATABASE_bFetchFloat(FCID("IMGV"), &variation, nullptr, nullptr)) heading -= variation;
  }
  // 90 degrees of heading across half the strip.
  const S32 centre = x0 + width / 2;
  const double pixelsPerDegree = (width / 2) / 90.0;
  const char* const* marks[] = {Direction_N, Direction_E, Direction_S, Direction_W};
  for (int i = 0; i < 4; i++) {
    double off = fmod(i * 90.0 - heading + 540.0, 360.0) - 180.0;
    if (fabs(off) > 90.0) continue;
    T_INFO_vDrawText(pBitmap, centre + (S32)(off * pixelsPerDegree) - 6, 440, marks[i], T_INFO_pFont(21), nLang);
  }
  float bearing = 0;
  if (H_DATABASE_bFetchFloat(FCID("IBRG"), &bearing, &bValid, nullptr) && bValid) {
    const double off = fmod(bearing - heading + 540.0, 360.0) - 180.0;
    if (fabs(off) <= 90.0) {
      const POINT needle = {centre + (S32)(off * pixelsPerDegree) - 5, 400};
      G_ICON_vPut(pBitmap, &Bearing_needle_icon, &needle);
    }
  }
  const ICON* boat = T_INFO_bUseInvertedXTEBoatIcon() ? &XTE_boat_inverted_icon : &XTE_boat_icon;
  float xte = 0;
  if (H_DATABASE_bFetchFloat(FCID("IXTE"), &xte, &bValid, nullptr) && bValid) {
    float limit = 0;
    if (H_DATABASE_bFetchFloat(FCID("SNAO"), &limit, nullptr, nullptr) && limit > 0 && fabs(xte) > limit) {
      boat = &XTE_boat_red_icon;
    }
  }
  const POINT boatAt = {centre - 14, 400};
  G_ICON_vPut(pBitmap, boat, &boatAt);
}

void T_INFO_vDrawInfoLayer_Instrumentation_ChartInstrumentView(BITMAP* pBitmap,
                                                               WINDOW_SPECIFICATION_POINTER psWindowSpec) {
  T_INFO_vSetAlpha(psWindowSpec != nullptr ? psWindowSpec->u32User : 0);
  const U32 nLang = nCurrentLanguage();
  INFO_vDrawBubbleCompass(pBitmap, nLang);
  T_INFO_vDrawInfoLayer_Instrumentation_Common(pBitmap, psWindowSpec, T_INFO_pSlotSet(), (S32)INFO_SLOTS);
}

void T_INFO_vDrawInfoLayer_Debug(BITMAP* pBitmap, INFO_JUSTIFICATION eJustify, U32 nLang) {
  const FOURCHARID items[] = {FCID("DDB1"), FCID("DDB2"), FCID("DDB3"), FCID("DDB4"), FCID("DDB5"), FCID("DDB6")};
  const FONT_DEF* p14 = T_INFO_pFont(14);
  S32 y = -24;
  for (FOURCHARID id : items) {
    T_INFO_nDrawInfoBox(pBitmap, 20, 24, 0, y, id, p14, p14, IBS_WHITE_BAR, eJustify, nLang);
    y -= 24;
  }
}
