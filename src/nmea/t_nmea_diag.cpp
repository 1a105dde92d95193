// The GPS diagnostic view: time, position, source and fix of the receiver on
// the left, a sky plot of the satellites with their signal strengths in the
// middle, and course, speed, signal averages, position error and HDOP on the
// right. It reads only the database and keeps no state of its own.

#include <math.h>
#include <stdio.h>
#include <string.h>

#include "color.h"
#include "g_bmp.h"
#include "g_box.h"
#include "g_circle.h"
#include "g_fonts.h"
#include "g_line.h"
#include "g_string.h"
#include "t_info.h"
#include "t_nmea_internal.h"
#include "u_language.h"
#include "u_convert.h"
#include "u_nav.h"
#include "u_view.h"
#include "u_wstring.h"
#include "ui_texts.h"

constexpr S32 DIAG_PLOT_Y = 297;
constexpr S32 DIAG_PLOT_DX = 211;
constexpr S32 DIAG_VALUE_DX = 412;
constexpr U32 DIAG_DRAWN = 20;

static const FOURCHARID s_afcidSatellites[2 * NMEA_DIAG_LIST] = {
    FCID("ISA1"), FCID("ISA2"), FCID("ISA3"), FCID("ISA4"), FCID("ISA5"), FCID("ISA6"), FCID("ISA7"),
    FCID("ISA8"), FCID("ISA9"), FCID("ISAA"), FCID("ISAB"), FCID("ISAC"), FCID("ISAD"), FCID("ISAE"),
    FCID("ISAF"), FCID("ISAG"), FCID("ISAH"), FCID("ISAI"), FCID("ISAJ"), FCID("ISAK"), FCID("ISB1"),
    FCID("ISB2"), FCID("ISB3"), FCID("ISB4"), FCID("ISB5"), FCID("ISB6"), FCID("ISB7"), FCID("ISB8"),
    FCID("ISB9"), FCID("ISBA"), FCID("ISBB"), FCID("ISBC"), FCID("ISBD"), FCID("ISBE"), FCID("ISBF"),
    FCID("ISBG"), FCID("ISBH"), FCID("ISBI"), FCID("ISBJ"), FCID("ISBK"),
};

// ---------------------------------------------------------------------------
// Satellites

U32 T_NMEA_u32CollectSatellites(NMEA_DIAG_SAT* pOut) {
  U32 n = 0;
  for (FOURCHARID id : s_afcidSatellites) {
    U32 raw = 0;
    BOOLEAN bValid = FALSE;
    if (!H_DATABASE_bFetchU32(id, &raw, &bValid, nullptr) || !bValid || raw == 0) continue;
    NMEA_DIAG_SAT s = {};
    s.u8Number = (U8)(raw & 0xFF);
    s.u8Elevation = (U8)((raw >> 8) & 0x7F);
    s.u16Azimuth = (U16)((raw >> 15) & 0x1FF);
    s.u8Cno = (U8)((raw >> 24) & 0x7F);
    s.bUsed = (raw >> 31) != 0;
    if (s.u8Elevation > 90) s.u8Elevation = 90;
    if (s.u16Azimuth >= 360) s.u16Azimuth = (U16)(s.u16Azimuth % 360);
    U32 at = n;
    while (at > 0 && pOut[at - 1].u16Azimuth > s.u16Azimuth) {
      pOut[at] = pOut[at - 1];
      at--;
    }
    pOut[at] = s;
    n++;
  }
  return n;
}

void T_NMEA_vCnoAverages(const NMEA_DIAG_SAT* pSats, U32 n, S32* ps32Top4, S32* ps32Average) {
  S32 top[4] = {0, 0, 0, 0};
  S32 sum = 0, count = 0;
  for (U32 i = 0; i < n; i++) {
    const S32 cno = pSats[i].u8Cno;
    if (cno <= 0) continue;
    sum += cno;
    count++;
    for (int k = 0; k < 4; k++) {
      if (cno > top[k]) {
        for (int m = 3; m > k; m--) top[m] = top[m - 1];
        top[k] = cno;
        break;
      }
    }
  }
  *ps32Top4 = count >= 4 ? ((top[0] + top[1] + top[2] + top[3]) * 5 / 2 + 5) / 10 : 0;
  *ps32Average = count > 0 ? (sum * 10 / count + 5) / 10 : 0;
}

// Offsets from the plot's centre: halved, rounded and doubled, so even.
POINT T_NMEA_ptSkyOffset(U16 u16Azimuth, U8 u8Elevation) {
  const S32 r = 90 - (S32)u8Elevation;
  auto even = [r](S32 trig) {
    const S32 half = (S32)lround((double)trig * r / 65536.0 / 2.0);
    return half * 2;
  };
  return {even(U_NAV_nIntSin(u16Azimuth)), even(U_NAV_nIntCos(u16Azimuth))};
}

// ---------------------------------------------------------------------------
// Drawing


static const FONT_DEF* DIAG_pFont(U32 u32Points, BOOLEAN bBold) {
  // Plain text keeps the regular Latin face in a wide language too.
  if (!bBold) return myriad_pro_size14_font_def_ptr;
  if (U_WSTRING_bIsUnicodeLanguage()) return u32Points >= 16 ? arialuni_size16_font_def_ptr : arialuni_size14_font_def_ptr;
  if (u32Points >= 19) return myriad_pro_bold_size19_font_def_ptr;
  return u32Points >= 16 ? myriad_pro_bold_size16_font_def_ptr : myriad_pro_bold_size14_font_def_ptr;
}

static void DIAG_vText(BITMAP* pBitmap, S32 x, S32 y, const FONT_DEF* pFont, const char* pc, U32 u32Colour = 35) {
  POINT pt = {x, y};
  G_STRING_vPut(pBitmap, COLOR_colEntry(u32Colour), &pt, pFont, (const BYTE*)pc);
}

static void DIAG_vRight(BITMAP* pBitmap, S32 xRight, S32 y, const FONT_DEF* pFont, const char* pc) {
  DIAG_vText(pBitmap, xRight - (S32)G_STRING_u32GetWidth(pFont, (const BYTE*)pc), y, pFont, pc);
}

void T_NMEA_vDrawDiagnosticLatLon(BITMAP* pBitmap, POINT origin, BOOLEAN bBlinkOn, U32 nLang) {
  DB_DATA_TYPE latitude, longitude;
  BOOLEAN bValid = FALSE;
  if (!H_DATABASE_bFetchPair(FCID("ILTD"), FCID("ILND"), &latitude, &longitude, &bValid)) return;
  if (!bValid && !bBlinkOn) return;
  const float lat = latitude.fVal, lon = longitude.fVal;
  U32 format = 6;
  H_DATABASE_bFetchU32(FCID("SIPF"), &format, nullptr, nullptr);
  const FONT_DEF* pFont = DIAG_pFont(14, TRUE);
  char text[U_NAV_POSITION_TEXT_SIZE];
  DIAG_vText(pBitmap, origin.x + 10, origin.y + 22, pFont, (lat < 0 ? SOUTH : NORTH)[nLang]);
  U_NAV_vFormatPosition(D_POSITION_LAT, lat, text, (NAV_FORMAT_ENUM)format, nLang, IPS_SPACE);
  DIAG_vRight(pBitmap, origin.x + DIAG_VALUE_DX, origin.y + 22, pFont, text);
  DIAG_vText(pBitmap, origin.x + 10, origin.y, pFont, (lon < 0 ? WEST : EAST)[nLang]);
  U_NAV_vFormatPosition(D_POSITION_LON, lon, text, (NAV_FORMAT_ENUM)format, nLang, IPS_SPACE);
  DIAG_vRight(pBitmap, origin.x + DIAG_VALUE_DX, origin.y, pFont, text);
}

static void DIAG_vLetter(BITMAP* pBitmap, S32 xCentre, S32 yBottom, U32 u32Height, const char* pc) {
  const FONT_DEF* pFont = DIAG_pFont(14, TRUE);
  const S32 w = (S32)G_STRING_u32GetWidth(pFont, (const BYTE*)pc) + 6;
  const POINT box = {xCentre - w / 2, yBottom};
  G_BOX_vDrawFilled(pBitmap, COLOR_colEntry(67), &box, (U32)w, u32Height);
  DIAG_vText(pBitmap, box.x + 3, box.y + 3, pFont, pc, 129);
}

static void DIAG_vSkyPlot(BITMAP* pBitmap, S32 x0, const NMEA_DIAG_SAT* pSats, U32 n, U32 nLang) {
  const POINT panel = {x0 + 2, 153};
  G_BOX_vDrawFilled(pBitmap, COLOR_colEntry(129), &panel, 421, 286);
  for (S32 y = 150; y <= 152; y++) {
    POINT a = {x0, y}, b = {x0 + 424, y};
    G_LINE_vDraw(pBitmap, COLOR_colEntry(67), &a, &b);
  }
  POINT c = {x0 + DIAG_PLOT_DX, DIAG_PLOT_Y};
  for (U32 d : {60u, 120u, 180u}) {
    for (U32 dd : {d - 2, d, d - 1, d + 1}) G_CIRCLE_vDraw(pBitmap, COLOR_colEntry(67), &c, dd);
  }
  DIAG_vLetter(pBitmap, c.x - 2, c.y + 78, 25, Direction_N[nLang]);
  DIAG_vLetter(pBitmap, c.x - 2, c.y - 101, 25, Direction_S[nLang]);
  DIAG_vLetter(pBitmap, c.x + 87, c.y - 15, 23, Direction_E[nLang]);
  DIAG_vLetter(pBitmap, c.x - 92, c.y - 15, 23, Direction_W[nLang]);
  const U32 drawn = n < DIAG_DRAWN ? n : DIAG_DRAWN;
  const FONT_DEF* pNumber = DIAG_pFont(16, TRUE);
  for (U32 i = 0; i < drawn; i++) {
    const NMEA_DIAG_SAT& s = pSats[i];
    const POINT off = T_NMEA_ptSkyOffset(s.u16Azimuth, s.u8Elevation);
    POINT dot = {c.x + off.x, c.y + off.y};
    // Labels spread evenly round the plot, each drawn toward its satellite.
    S32 angle = (S32)(i * 360 / drawn);
    if (drawn > 4) {
      const S32 half = 360 / (S32)drawn / 2;
      S32 pull = U_NAV_nHeadingDiff(s.u16Azimuth, (U16)angle);
      if (pull > half) pull = half;
      if (pull < -half) pull = -half;
      angle = U_NAV_nHeadingSum((U16)angle, (S16)pull);
    }
    POINT anchor = {c.x + ((U_NAV_nIntSin(angle) + 512) >> 10) * 41 / 20,
                    c.y + ((U_NAV_nIntCos(angle) + 512) >> 10) * 41 / 20};
    for (S32 t = 0; t < 2; t++) {
      POINT a = {dot.x + t, dot.y}, b = {anchor.x + t, anchor.y};
      G_LINE_vDraw(pBitmap, COLOR_colEntry(35), &a, &b);
    }
    G_CIRCLE_vDrawFilled(pBitmap, COLOR_colEntry(s.bUsed ? 64 : 236), &dot, 10);
    const POINT box = {anchor.x - 43, anchor.y - 12};
    G_BOX_vDrawFilled(pBitmap, COLOR_colEntry(129), &box, 87, 25);
    G_BOX_vDraw(pBitmap, COLOR_colEntry(67), &box, 87, 25);
    char number[8];
    snprintf(number, sizeof number, "%d", s.u8Number);
    DIAG_vText(pBitmap, box.x + 4, box.y + 5, pNumber, number);
    const U32 bar = s.u8Cno >= 50 ? 46 : (U32)s.u8Cno * 46 / 50;
    if (bar > 0) {
      const POINT b = {box.x + 37, box.y + 2};
      G_BOX_vDrawFilled(pBitmap, COLOR_colEntry(s.bUsed ? 64 : 236), &b, bar, 21);
    }
  }
}

// One right-column row: its label, and its value when there is one.
static void DIAG_vRow(BITMAP* pBitmap, S32 x0, S32 y, const char* const* pLabel, const char* pcValue, U32 nLang) {
  POINT a = {x0, y - 6}, b = {800, y - 6};
  G_LINE_vDraw(pBitmap, COLOR_colEntry(67), &a, &b);
  DIAG_vText(pBitmap, x0 + 8, y + 8, DIAG_pFont(14, FALSE), pLabel[nLang]);
  if (pcValue != nullptr) DIAG_vRight(pBitmap, 792, y - 12, DIAG_pFont(19, TRUE), pcValue);
}

static void DIAG_vRightColumn(BITMAP* pBitmap, S32 x0, const NMEA_DIAG_SAT* pSats, U32 n, U32 nLang) {
  char value[64];
  float f = 0.0f;
  const UNIT_TYPE heading = H_DATABASE_CurrentUnits(D_HEADING);
  const char* pc = nullptr;
  if (H_DATABASE_bFetchFloat(FCID("IHDG"), &f, nullptr, nullptr)) {
    float variation = 0.0f;
    const BOOLEAN bMagnetic = heading == U_DEG_MAGNETIC;
    if (bMagnetic && !H_DATABASE_bFetchFloat(FCID("IMGV"), &variation, nullptr, nullptr)) {
      pc = "---";
    } else {
      snprintf(value, sizeof value, "%03.0f%s", fmod(f + (bMagnetic ? 360.0f - variation : 0.0f), 360.0),
               H_DATABASE_pcUnitsString(heading, nLang));
      pc = value;
    }
  }
  DIAG_vRow(pBitmap, x0, 416, COG, pc, nLang);
  char speed[48];
  pc = nullptr;
  if (H_DATABASE_bFetchFloat(FCID("ISPD"), &f, nullptr, nullptr)) {
    const UNIT_TYPE units = H_DATABASE_CurrentUnits(D_SPEED);
    snprintf(speed, sizeof speed, "%6.1f %s", dConvertFromInternal(f, D_SPEED, units),
             H_DATABASE_pcUnitsString(units, nLang));
    pc = speed;
  }
  DIAG_vRow(pBitmap, x0, 358, Speed, pc, nLang);
  S32 top4 = 0, average = 0;
  T_NMEA_vCnoAverages(pSats, n, &top4, &average);
  char cno[16];
  snprintf(cno, sizeof cno, "%d", (int)top4);
  DIAG_vRow(pBitmap, x0, 300, Top_4, cno, nLang);
  snprintf(cno, sizeof cno, "%d", (int)average);
  DIAG_vRow(pBitmap, x0, 242, Average_CNO, cno, nLang);
  char epe[48];
  pc = nullptr;
  if (H_DATABASE_bFetchFloat(FCID("IEPE"), &f, nullptr, nullptr)) {
    UNIT_TYPE units = H_DATABASE_CurrentUnits(D_DISTANCE);
    char number[40];
    T_INFO_vFormatDistance(f, &units, number);
    snprintf(epe, sizeof epe, "%s %s", number, H_DATABASE_pcUnitsString(units, nLang));
    pc = epe;
  }
  DIAG_vRow(pBitmap, x0, 184, Est_Pos_Error, pc, nLang);
  char hdop[24];
  pc = nullptr;
  if (H_DATABASE_bFetchFloat(FCID("IHDP"), &f, nullptr, nullptr)) {
    snprintf(hdop, sizeof hdop, "%6.2f", f);
    pc = hdop;
  }
  DIAG_vRow(pBitmap, x0, 130, HDOP, pc, nLang);
}

void T_NMEA_vDrawDiagnosticView(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER) {
  const U32 nLang = nCurrentLanguage();
  G_BMP_vSet(pBitmap, COLOR_colEntry(14));
  const U32 origin = T_INFO_u32XOrigin();
  const S32 x0 = origin > 0 ? (S32)origin - 1 : 0;
  const S32 h = (S32)pBitmap->pixels_high;
  const POINT page = {x0, 0};
  G_BOX_vDraw(pBitmap, COLOR_colEntry(67), &page, (U32)(800 - x0), (U32)h);
  const POINT title = {x0 + 1, h - 40};
  G_BOX_vDrawFilled(pBitmap, COLOR_colEntry(67), &title, (U32)(798 - x0), 38);
  const FONT_DEF* pTitle = DIAG_pFont(19, TRUE);
  const char* pcTitle = GPS_Diagnostic_View[nLang];
  DIAG_vText(pBitmap, x0 + (800 - x0 - (S32)G_STRING_u32GetWidth(pTitle, (const BYTE*)pcTitle)) / 2, 452, pTitle,
             pcTitle, 129);

  NMEA_DIAG_SAT sats[2 * NMEA_DIAG_LIST];
  const U32 n = T_NMEA_u32CollectSatellites(sats);
  DIAG_vSkyPlot(pBitmap, x0, sats, n, nLang);

  // The left column's information block, from the bottom up.
  const FONT_DEF* pLabel = DIAG_pFont(14, FALSE);
  const FONT_DEF* pValue = DIAG_pFont(14, TRUE);
  U32 u32Time = 0;
  char sTime[40] = "", sDate[40] = "";
  if (H_DATABASE_bFetchU32(FCID("IDTM"), &u32Time, nullptr, nullptr)) {
    T_INFO_vFormatTime((time_t)u32Time, TRUE, TRUE, sTime, sDate, nullptr);
  }
  DIAG_vText(pBitmap, x0 + 10, 9, pLabel, Time[nLang]);
  DIAG_vRight(pBitmap, x0 + DIAG_VALUE_DX, 9, pValue, sTime);
  DIAG_vText(pBitmap, x0 + 10, 30, pLabel, Date[nLang]);
  DIAG_vRight(pBitmap, x0 + DIAG_VALUE_DX, 30, pValue, sDate);
  T_NMEA_vDrawDiagnosticLatLon(pBitmap, {x0, 59}, T_INFO_bBlinkState(), nLang);
  DIAG_vText(pBitmap, x0 + 10, 108, pLabel, Source[nLang]);
  DIAG_vRight(pBitmap, x0 + DIAG_VALUE_DX, 108, pValue, T_NMEA_pGPSSource());
  DIAG_vText(pBitmap, x0 + 10, 130, pLabel, Fix_Type[nLang]);
  DIAG_vRight(pBitmap, x0 + DIAG_VALUE_DX, 130, pValue, T_NMEA_pFixType()[nLang]);
  POINT a = {x0 + 424, 0}, b = {x0 + 424, h - 40};
  G_LINE_vDraw(pBitmap, COLOR_colEntry(67), &a, &b);
  DIAG_vRightColumn(pBitmap, x0 + 426, sats, n, nLang);
}

void T_NMEA_vRegisterGPSDiagnosticView(void) {
  U_VIEW_bRegisterLayer(T_NMEA_vDrawDiagnosticView, DIAGNOSTIC_GPS_CARTOGRAPHY, DIAGNOSTIC_GPS_CARTOGRAPHY, 0,
                        FCID("SVGD"), TRUE, nullptr, nullptr, nullptr);
  U_VIEW_bRegisterLayer(T_INFO_vDrawInfoLayer_Instrumentation_TrackChartView, INFO_GPS_DIAGNOSTIC_LAYER,
                        DIAGNOSTIC_GPS_CARTOGRAPHY, 0, 0, TRUE, nullptr, nullptr, nullptr);
}
