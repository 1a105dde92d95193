// The unit's own NMEA 0183 output on channel 2: once a second depth and
// heading, and in a four-second cycle the fix, time, water temperature and,
// while navigating, the leg. A value that cannot be read sends its sentence's
// empty form, so a listener always sees the sentence and knows it is void.

#include <math.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>
#include <time.h>

#include "t_nav_twr.h"
#include "t_nmea_internal.h"
#include "u_convert.h"
#include "u_uart.h"
#include "u_wstring.h"

constexpr U8 NMEA_OUT_CHANNEL = 2;
constexpr int NMEA_OUT_BUFFER = 100;

static const char* const s_aNmeaTalkerId[] = {"IN", "GP"};

// ---------------------------------------------------------------------------
// Gathering

// Degrees and minutes to 1e-4 minute, the rounding carried into the degrees,
// so that 59.99997' never shows as 60.0000'.
static void NMEA_vDegreesMinutes(double dDegrees, int* pnDegrees, int* pnMinutes, int* pnFraction) {
  const long long total = llround(fabs(dDegrees) * 600000.0);
  *pnDegrees = (int)(total / 600000);
  *pnMinutes = (int)(total % 600000 / 10000);
  *pnFraction = (int)(total % 10000);
}

void T_NMEA_vFormatPosition(double dLat, double dLon, char* sOut, size_t size) {
  int latD, latM, latF, lonD, lonM, lonF;
  NMEA_vDegreesMinutes(dLat, &latD, &latM, &latF);
  NMEA_vDegreesMinutes(dLon, &lonD, &lonM, &lonF);
  snprintf(sOut, size, "%02d%02d.%04d,%c,%03d%02d.%04d,%c,", latD % 100, latM, latF, dLat < 0 ? 'S' : 'N',
           lonD % 1000, lonM, lonF, dLon < 0 ? 'W' : 'E');
}

static BOOLEAN NMEA_bValidFloat(FOURCHARID id, float* pf) {
  BOOLEAN bValid = FALSE;
  return H_DATABASE_bFetchFloat(id, pf, &bValid, nullptr) && bValid && isfinite(*pf);
}

static BOOLEAN NMEA_bValidU32(FOURCHARID id, U32* pu) {
  BOOLEAN bValid = FALSE;
  return H_DATABASE_bFetchU32(id, pu, &bValid, nullptr) && bValid;
}

static BOOLEAN NMEA_bReadFloat(FOURCHARID id, float* pf) {
  return H_DATABASE_bFetchFloat(id, pf, nullptr, nullptr) && isfinite(*pf);
}

// A waypoint id as a field: 12 characters at most, and nothing that would
// end the field or the sentence or is not printable.
static void NMEA_vWaypointId(U32 u32Index, char* sOut) {
  char name[13] = {};
  T_NAV_vCopyWaypointName(u32Index, name, sizeof name);
  name[12] = 0;
  for (char* p = name; *p != 0; p++) {
    const unsigned char c = (unsigned char)*p;
    if (c < 0x20 || c > 0x7E || strchr(",*$!", c) != nullptr) *p = '_';
  }
  memcpy(sOut, name, sizeof name);
}

static BOOLEAN NMEA_bPosition(POINT pt, char* sOut, size_t size) {
  POSITION pos = {};
  if (nv_MeterToDegr(&pt, &pos) != NV_OK) return FALSE;
  T_NMEA_vFormatPosition(pos.lat, pos.lon, sOut, size);
  return TRUE;
}

static BOOLEAN NMEA_bGatherFix(NMEA_OUT_DATA* d) {
  BOOLEAN bDst = FALSE;
  S32 s32Zone = 0;
  U32 u32Fix = 0, u32Time = 0;
  DB_DATA_TYPE lat, lon;
  BOOLEAN bPosition = FALSE;
  if (!H_DATABASE_bFetchBoolean(FCID("SDST"), &bDst, nullptr, nullptr)) return FALSE;
  if (!H_DATABASE_bFetchS32(FCID("SLTZ"), &s32Zone, nullptr, nullptr)) return FALSE;
  if (!NMEA_bValidU32(FCID("IPFI"), &u32Fix) || u32Fix == 0) return FALSE;
  if (!H_DATABASE_bFetchPair(FCID("ILAT"), FCID("ILON"), &lat, &lon, &bPosition) || !bPosition) return FALSE;
  if (!NMEA_bPosition({lon.s32Val, lat.s32Val}, d->sPosition, sizeof d->sPosition)) return FALSE;
  if (!NMEA_bValidU32(FCID("IDTM"), &u32Time)) return FALSE;
  if (!NMEA_bValidFloat(FCID("IHDG"), &d->fHeading)) return FALSE;
  if (!NMEA_bValidFloat(FCID("ISPD"), &d->fSpeed)) return FALSE;
  d->nFixIndicator = u32Fix;
  d->nLocalTimeZone = s32Zone + (bDst ? 60 : 0);
  const time_t t = (time_t)u32Time;
  struct tm tm = {};
  gmtime_r(&t, &tm);
  snprintf(d->sTime, sizeof d->sTime, "%02u%02u%02u,", (unsigned)tm.tm_hour % 100u, (unsigned)tm.tm_min % 100u,
           (unsigned)tm.tm_sec % 100u);
  snprintf(d->sDate, sizeof d->sDate, "%02u%02u%02u,", (unsigned)tm.tm_mday % 100u, (unsigned)(tm.tm_mon + 1) % 100u,
           (unsigned)(tm.tm_year % 100 + 100) % 100u);
  return TRUE;
}

static BOOLEAN NMEA_bGatherLeg(NMEA_OUT_DATA* d) {
  U32 origin = 0, destination = 0;
  if (!H_DATABASE_bFetchU32(FCID("IOWP"), &origin, nullptr, nullptr)) return FALSE;
  if (!H_DATABASE_bFetchU32(FCID("IDWP"), &destination, nullptr, nullptr)) return FALSE;
  if (!NMEA_bReadFloat(FCID("ITRK"), &d->fTRK) || !NMEA_bReadFloat(FCID("IXTE"), &d->fXTE) ||
      !NMEA_bReadFloat(FCID("IBRG"), &d->fBRG) || !NMEA_bReadFloat(FCID("IDTG"), &d->fDTG) ||
      !NMEA_bReadFloat(FCID("IDCV"), &d->fDCV)) {
    return FALSE;
  }
  if (!H_DATABASE_bFetchBoolean(FCID("IACE"), &d->bACE, nullptr, nullptr)) return FALSE;
  if (!H_DATABASE_bFetchBoolean(FCID("IPPD"), &d->bPPD, nullptr, nullptr)) return FALSE;
  POINT pt = {};
  T_NAV_vCopyWaypointPoint(destination, &pt);
  if (!NMEA_bPosition(pt, d->sDestPosition, sizeof d->sDestPosition)) return FALSE;
  if (U_WSTRING_bIsUnicodeLanguage()) {
    snprintf(d->sOrigName, sizeof d->sOrigName, "PREV_WPT");
    snprintf(d->sDestName, sizeof d->sDestName, "NEXT_WPT");
  } else {
    NMEA_vWaypointId(origin, d->sOrigName);
    NMEA_vWaypointId(destination, d->sDestName);
  }
  return TRUE;
}

void T_NMEA_vGatherOutput(NMEA_OUT_DATA* d) {
  memset(d, 0, sizeof *d);
  H_DATABASE_bFetchBoolean(FCID("SNOE"), &d->bNMEAOutEnabled, nullptr, nullptr);
  if (!d->bNMEAOutEnabled) return;
  H_DATABASE_bFetchBoolean(FCID("SNGE"), &d->bGPSOutEnabled, nullptr, nullptr);
  NMEA_bReadFloat(FCID("IMGV"), &d->fMagneticVariation);
  d->bHeadingTrueValid = NMEA_bValidFloat(FCID("IHDC"), &d->fHeadingTrue);
  d->bMagneticHeadingValid = NMEA_bValidFloat(FCID("IHDM"), &d->fMagneticSensorHeading);
  d->bGPSValid = d->bGPSOutEnabled && NMEA_bGatherFix(d);

  BOOLEAN bNav = FALSE;
  U32 u32Navigating = 0;
  H_DATABASE_bFetchBoolean(FCID("SNNE"), &bNav, nullptr, nullptr);
  d->bNavOutEnabled = bNav && H_DATABASE_bFetchU32(FCID("INIP"), &u32Navigating, nullptr, nullptr) &&
                      u32Navigating != 0;
  d->bNavValid = d->bNavOutEnabled && d->bGPSValid && NMEA_bGatherLeg(d);

  d->bDepthValid = NMEA_bValidFloat(FCID("IDEP"), &d->fDepth) && NMEA_bReadFloat(FCID("SDPO"), &d->fDepthOffset);
  d->bTempValid = NMEA_bValidFloat(FCID("ITMP"), &d->fTemp);
}

// ---------------------------------------------------------------------------
// Sentences

typedef struct tag_NMEA_RUN {
  char* pcOut;
  size_t size;
  int nUsed;
  const char* pcTalker;
} NMEA_RUN;

// Appends one sentence: the valid form when it fits a line, else its empty
// form; each gets its checksum and CR LF.
static void NMEA_vAppendLine(NMEA_RUN* r, const char* pcBody) {
  const int nBody = (int)strlen(pcBody);
  if (nBody + 4 > NMEA_OUT_MAX_SENTENCE || r->nUsed + nBody + 6 > (int)r->size) return;
  const U8 sum = T_NMEA_u8Checksum(pcBody);
  r->nUsed += snprintf(r->pcOut + r->nUsed, r->size - (size_t)r->nUsed, "%s%02X\r\n", pcBody, sum);
}

static void NMEA_vEmit(NMEA_RUN* r, BOOLEAN bValid, const char* pcEmpty, const char* pcFormat, ...) {
  char body[NMEA_OUT_BUFFER];
  int n = -1;
  if (bValid) {
    va_list args;
    va_start(args, pcFormat);
    n = vsnprintf(body, sizeof body, pcFormat, args);
    va_end(args);
  }
  if (n < 0 || n + 4 > NMEA_OUT_MAX_SENTENCE) snprintf(body, sizeof body, pcEmpty, r->pcTalker);
  NMEA_vAppendLine(r, body);
}

static double NMEA_dKnots(float fSpeed) { return dConvertFromInternal(fSpeed, D_SPEED, U_KNOTS); }
static double NMEA_dNm(float fDistance) { return dConvertFromInternal(fDistance, D_DISTANCE, U_NAUT_MILES); }
static double NMEA_dMagnetic(float fTrue, float fVariation) { return fmod(fTrue - fVariation + 360.0, 360.0); }
static char NMEA_cEastWest(float fVariation) { return fVariation < 0 ? 'W' : 'E'; }

static void NMEA_vEveryRun(NMEA_RUN* r, const NMEA_OUT_DATA* d) {
  const char* t = r->pcTalker;
  NMEA_vEmit(r, d->bDepthValid, "$%sDPT,,*", "$%sDPT,%3.1f,%3.1f*", t,
             dConvertFromInternal(d->fDepth - d->fDepthOffset, D_DEPTH, U_METRES),
             dConvertFromInternal(d->fDepthOffset, D_DEPTH, U_METRES));
  if (!d->bGPSOutEnabled) return;
  float fDeviation = 0.0f;
  const char cDeviation = T_NMEA_cHdgDeviation(&fDeviation);
  char deviation[24] = ",";
  if (cDeviation != 0) snprintf(deviation, sizeof deviation, "%3.1f,%c", fDeviation, cDeviation);
  // Without a heading source an autopilot must read no heading, not north.
  // The direction fields take only E or W, so theirs are empty too: a 'V'
  // there makes a strict reader refuse the sentence.
  NMEA_vEmit(r, d->bGPSValid && d->bMagneticHeadingValid, "$%sHDG,,,,,*", "$%sHDG,%3.1f,%s,%3.1f,%c*", t,
             d->fMagneticSensorHeading, deviation, fabsf(d->fMagneticVariation),
             NMEA_cEastWest(d->fMagneticVariation));
  NMEA_vEmit(r, d->bGPSValid && d->bHeadingTrueValid, "$%sHDT,,T*", "$%sHDT,%3.1f,T*", t, d->fHeadingTrue);
}

// The leg sentences carry waypoint ids: a long id is shortened (both alike)
// until the sentence fits a line, rather than the leg being lost.
#define NMEA_LEG_SENTENCE(r, bValid, pcEmpty, pcFormat, ...)                            \
  do {                                                                                  \
    char body[NMEA_OUT_BUFFER];                                                         \
    int w = 12;                                                                         \
    for (; (bValid) && w >= 0; w--) {                                                   \
      const int n = snprintf(body, sizeof body, pcFormat, __VA_ARGS__);                 \
      if (n >= 0 && n + 4 <= NMEA_OUT_MAX_SENTENCE) break;                              \
    }                                                                                   \
    if (!(bValid) || w < 0) snprintf(body, sizeof body, pcEmpty, (r)->pcTalker);        \
    NMEA_vAppendLine(r, body);                                                          \
  } while (0)

static void NMEA_vAPB(NMEA_RUN* r, const NMEA_OUT_DATA* d) {
  if (!d->bNavOutEnabled) return;
  NMEA_LEG_SENTENCE(r, d->bNavValid, "$%sAPB,A,V,,,,V,V,,,,,,,*",
                    "$%sAPB,A,A,%5.3f,%c,N,%c,%c,%3.1f,T,%.*s,%3.1f,T,%3.1f,T*", r->pcTalker,
                    NMEA_dNm(fabsf(d->fXTE)), d->fXTE < 0 ? 'R' : 'L', d->bACE ? 'A' : 'V', d->bPPD ? 'A' : 'V',
                    d->fTRK, w, d->sDestName, d->fBRG, d->fBRG);
}

static void NMEA_vBWR(NMEA_RUN* r, const NMEA_OUT_DATA* d) {
  if (!d->bNavOutEnabled) return;
  NMEA_LEG_SENTENCE(r, d->bNavValid, "$%sBWR,,,,,,,,,,,,*", "$%sBWR,%s%s%3.1f,T,%3.1f,M,%5.3f,N,%.*s*", r->pcTalker,
                    d->sTime, d->sDestPosition, d->fBRG, NMEA_dMagnetic(d->fBRG, d->fMagneticVariation),
                    NMEA_dNm(d->fDTG), w, d->sDestName);
}

static void NMEA_vRMB(NMEA_RUN* r, const NMEA_OUT_DATA* d) {
  if (!d->bNavOutEnabled) return;
  NMEA_LEG_SENTENCE(r, d->bNavValid, "$%sRMB,V,,,,,,,,,,,,V*", "$%sRMB,A,%5.3f,%c,%.*s,%.*s,%s%5.3f,%3.1f,%3.1f,%c*",
                    r->pcTalker, fmin(NMEA_dNm(fabsf(d->fXTE)), 9.99), d->fXTE < 0 ? 'R' : 'L', w, d->sOrigName,
                    w, d->sDestName, d->sDestPosition, fmin(NMEA_dNm(d->fDTG), 999.9), d->fBRG,
                    NMEA_dKnots(d->fDCV), d->bACE || d->bPPD ? 'A' : 'V');
}

static void NMEA_vGLL(NMEA_RUN* r, const NMEA_OUT_DATA* d) {
  if (!d->bGPSOutEnabled) return;
  NMEA_vEmit(r, d->bGPSValid, "$%sGLL,,,,,,V*", "$%sGLL,%s%sA*", r->pcTalker, d->sPosition, d->sTime);
}

static void NMEA_vVTG(NMEA_RUN* r, const NMEA_OUT_DATA* d) {
  if (!d->bGPSOutEnabled) return;
  NMEA_vEmit(r, d->bGPSValid, "$%sVTG,,T,,M,,N,,K*", "$%sVTG,%3.1f,T,%3.1f,M,%3.1f,N,%3.1f,K*", r->pcTalker,
             d->fHeading, NMEA_dMagnetic(d->fHeading, d->fMagneticVariation), NMEA_dKnots(d->fSpeed),
             dConvertFromInternal(d->fSpeed, D_SPEED, U_KPH));
}

static void NMEA_vGGA(NMEA_RUN* r, const NMEA_OUT_DATA* d) {
  if (!d->bGPSOutEnabled) return;
  char sats[8] = "", hdop[16] = "", altitude[24] = "", age[24] = "", station[12] = "";
  U32 u32 = 0;
  float f = 0.0f;
  if (NMEA_bValidU32(FCID("ISAN"), &u32)) snprintf(sats, sizeof sats, "%02u", (unsigned)(u32 % 100));
  if (NMEA_bValidFloat(FCID("IHDP"), &f) && fabsf(f) < 1000.0f) snprintf(hdop, sizeof hdop, "%3.1f", f);
  if (NMEA_bValidFloat(FCID("IALT"), &f)) {
    const double dMetres = dConvertFromInternal(f, D_DEPTH, U_METRES);
    if (fabs(dMetres) < 1e6) snprintf(altitude, sizeof altitude, "%3.1f", dMetres);
  }
  U32 u32Station = 0;
  if (d->nFixIndicator == 2 && NMEA_bValidFloat(FCID("IDGA"), &f) && fabsf(f) < 1e5f &&
      NMEA_bValidU32(FCID("IDGS"), &u32Station)) {
    snprintf(age, sizeof age, "%3.1f", f);
    snprintf(station, sizeof station, "%04u", (unsigned)(u32Station % 10000));
  }
  NMEA_vEmit(r, d->bGPSValid, "$%sGGA,,,,,,0,,,,,,,,*", "$%sGGA,%s%s%u,%s,%s,%s,M,%s,%s,%s*", r->pcTalker,
             d->sTime, d->sPosition, (unsigned)(d->nFixIndicator % 10), sats, hdop, altitude, ",", age, station);
}

static void NMEA_vZDA(NMEA_RUN* r, const NMEA_OUT_DATA* d) {
  if (!d->bGPSOutEnabled) return;
  const S32 zone = d->nLocalTimeZone;
  const S32 magnitude = zone < 0 ? -zone : zone;
  NMEA_vEmit(r, d->bGPSValid, "$%sZDA,,,,,,*", "$%sZDA,%s%c%c,%c%c,20%c%c,%s%02d,%02d*", r->pcTalker, d->sTime,
             d->sDate[0], d->sDate[1], d->sDate[2], d->sDate[3], d->sDate[4], d->sDate[5], zone < 0 ? "-" : "",
             (int)(magnitude / 60 % 100), (int)(magnitude % 60));
}

static void NMEA_vRMC(NMEA_RUN* r, const NMEA_OUT_DATA* d) {
  if (!d->bGPSOutEnabled) return;
  NMEA_vEmit(r, d->bGPSValid, "$%sRMC,,V,,,,,,,,,*", "$%sRMC,%sA,%s%3.1f,%3.1f,%s%3.1f,%c*", r->pcTalker, d->sTime,
             d->sPosition, NMEA_dKnots(d->fSpeed), d->fHeading, d->sDate, fabsf(d->fMagneticVariation),
             NMEA_cEastWest(d->fMagneticVariation));
}

static void NMEA_vMTW(NMEA_RUN* r, const NMEA_OUT_DATA* d) {
  if (!d->bNMEAOutEnabled) return;
  NMEA_vEmit(r, d->bTempValid, "$%sMTW,,*", "$%sMTW,%3.1f,C*", r->pcTalker,
             dConvertFromInternal(d->fTemp, D_TEMPERATURE, U_CELSIUS));
}

int T_NMEA_nFormatRun(const NMEA_OUT_DATA* d, int nStep, const char* pcTalker, char* pcOut, size_t size) {
  NMEA_RUN run = {pcOut, size, 0, pcTalker};
  if (size > 0) pcOut[0] = 0;
  if (!d->bNMEAOutEnabled) return 0;
  NMEA_vEveryRun(&run, d);
  if (nStep % 2 == 0) {
    NMEA_vAPB(&run, d);
    NMEA_vBWR(&run, d);
    if (nStep == 0) {
      NMEA_vGLL(&run, d);
      NMEA_vVTG(&run, d);
    } else {
      NMEA_vGGA(&run, d);
      NMEA_vZDA(&run, d);
    }
    NMEA_vMTW(&run, d);
  } else {
    NMEA_vRMB(&run, d);
    NMEA_vRMC(&run, d);
  }
  return run.nUsed;
}

void T_NMEA_vHandleTransmit(void) {
  static int s_nState = 0;
  NMEA_OUT_DATA data;
  T_NMEA_vGatherOutput(&data);
  char out[NMEA_OUT_RUN_SIZE];
  const char* pcTalker = s_aNmeaTalkerId[g_NMEA.eNmeaTalkerId == 1 ? 1 : 0];
  const int n = T_NMEA_nFormatRun(&data, s_nState, pcTalker, out, sizeof out);
  if (n > 0) U_UART_bTransmitData(NMEA_OUT_CHANNEL, (const U8*)out, n);
  s_nState = (s_nState + 1) % 4;
}
