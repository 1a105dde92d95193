// Sentences into the database: the bytes of a port's receive queue are
// framed and checked, and each sentence writes its values with the port's
// priority and a short validity, so the best source wins and a silent one
// fades. The remote's dongle and the heading sensor talk through the same
// port; their sentences go to the remote task or identify the sensor.

#include <ctype.h>
#include <math.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include <atomic>
#include <climits>

#include "h_memory.h"
#include "linux_fs.h"
#include "msg_bluetooth_remote.h"
#include "t_nmea_internal.h"
#include "t_startup.h"
#include "u_convert.h"
#include "u_datum.h"
#include "u_geomag.h"
#include "u_view.h"

constexpr U32 NMEA_VALIDITY_S = 4;
constexpr int NMEA_COMPARISONS_PER_CALL = 12;
constexpr int NMEA_MAX_FIELDS = 48;
constexpr U32 NMEA_SPEED_SAMPLES = 10;
constexpr U32 NMEA_HEADING_SAMPLES = 5;
constexpr U32 NMEA_GSV_HOLD_MS = 3000;
constexpr U32 NMEA_SAT_CHANNELS = 20;
constexpr U32 NMEA_STDB = 1213461000;
constexpr PRIORITY NMEA_REMOTE_MAIL_PRIORITY = 3;

// A sentence cut into its address and fields, in place of the separators.
typedef struct tag_NMEA_FIELDS {
  char acText[NMEA_SENTENCE_SIZE];  // split copy
  char acRaw[NMEA_SENTENCE_SIZE];   // unsplit copy, cut at "*"
  const char* pcAddress;
  const char* apcField[NMEA_MAX_FIELDS];
  int nCount;
  char acChecksum[3];               // the received checksum characters there were
} NMEA_FIELDS;

typedef void (*NMEA_HANDLER)(const NMEA_FIELDS* pFields, NMEA_PORT_INFO* pPort, NMEA_FIX_TRACE* pTrace);

// Speed over ground of one source, averaged over its last ten RMC sentences
// of the current fix.
typedef struct tag_NMEA_SPEED_RING {
  float afSpeed[NMEA_SPEED_SAMPLES];
  U32 u32Count;
  float fPrevCOG;
  U64 qwLastMs;  // service-layer time of the last sample
} NMEA_SPEED_RING;

// Whose satellite view is shown: GSV of a weaker port waits until the
// stronger one has been silent for a while.
typedef struct tag_NMEA_GSV_ARBITER {
  BOOLEAN bAccepted;
  U32 u32Priority;
  U32 u32AcceptedMs;
} NMEA_GSV_ARBITER;

enum NMEA_SAT_VIEW { NMEA_VIEW_GPS = 0, NMEA_VIEW_GLONASS = 1, NMEA_VIEW_COUNT = 2 };

static NMEA_SPEED_RING s_aSpeedRing[3];  // internal, external, network GPS
static float s_afHeading[NMEA_HEADING_SAMPLES];
static U32 s_u32Headings;
static U32 s_u32HdgSentences;
// The deviation of the last HDG sentence that gave one, for the output.
static float s_fHdgDeviation;
static char s_cHdgDeviation;  // 'E', 'W', or 0 before any
static NMEA_GSV_ARBITER s_aGsv[NMEA_VIEW_COUNT];
static BOOLEAN s_bAisSeen;
static BOOLEAN s_bGPSDetected;
static BOOLEAN s_bExternalGPSConnected;
static POSITION s_sPosition;  // published under IPOS, in the chosen datum
static std::atomic<void (*)(const NMEA_FIX_TRACE*)> s_pfFixTrace{nullptr};
static std::atomic<U32> s_u32Parsed{0};

void T_NMEA_vSetFixTrace(void (*pfTrace)(const NMEA_FIX_TRACE*)) { s_pfFixTrace = pfTrace; }

U32 T_NMEA_u32SentencesParsed(void) { return s_u32Parsed.load(); }

char T_NMEA_cHdgDeviation(float* pfDeviation) {
  *pfDeviation = s_fHdgDeviation;
  return s_cHdgDeviation;
}

void T_NMEA_vResetInput(void) {
  memset(s_aSpeedRing, 0, sizeof s_aSpeedRing);
  memset(s_afHeading, 0, sizeof s_afHeading);
  s_u32Headings = 0;
  s_u32HdgSentences = 0;
  s_fHdgDeviation = 0.0f;
  s_cHdgDeviation = 0;
  memset(s_aGsv, 0, sizeof s_aGsv);
  s_bAisSeen = FALSE;
  s_bGPSDetected = FALSE;
  s_bExternalGPSConnected = FALSE;
}

// ---------------------------------------------------------------------------
// Fields and numbers

static void NMEA_vSplit(const char* pSentence, NMEA_FIELDS* f) {
  size_t length = 0;
  while (length < NMEA_SENTENCE_SIZE - 1 && pSentence[length] != '\0' && pSentence[length] != '*') length++;
  memcpy(f->acText, pSentence, length);
  f->acText[length] = '\0';
  memcpy(f->acRaw, f->acText, length + 1);
  size_t digits = 0;
  if (pSentence[length] == '*') {
    while (digits < 2 && pSentence[length + 1 + digits] != '\0') digits++;
    memcpy(f->acChecksum, pSentence + length + 1, digits);
  }
  f->acChecksum[digits] = '\0';
  f->pcAddress = f->acText;
  f->nCount = 0;
  for (size_t i = 0; i < length && f->nCount < NMEA_MAX_FIELDS; i++) {
    if (f->acText[i] != ',') continue;
    f->acText[i] = '\0';
    f->apcField[f->nCount++] = f->acText + i + 1;
  }
}

// Field i, null when the sentence has fewer.
static const char* NMEA_pcField(const NMEA_FIELDS* f, int i) { return i < f->nCount ? f->apcField[i] : nullptr; }

// The text of field i onward, separators and all.
static const char* NMEA_pcRawFrom(const NMEA_FIELDS* f, int i) {
  return i < f->nCount ? f->acRaw + (f->apcField[i] - f->acText) : "";
}

// A decimal number: sign, digits and one point, nothing else.
static BOOLEAN NMEA_bIsDecimal(const char* pc) {
  if (pc == nullptr || *pc == '\0') return FALSE;
  int digits = 0, points = 0;
  for (const char* c = (*pc == '-' || *pc == '+') ? pc + 1 : pc; *c != '\0'; c++) {
    if (isdigit((unsigned char)*c)) {
      digits++;
    } else if (*c != '.' || ++points > 1) {
      return FALSE;
    }
  }
  return digits > 0;
}

static BOOLEAN NMEA_bDouble(const char* pc, double* pd) {
  if (!NMEA_bIsDecimal(pc)) return FALSE;
  *pd = strtod(pc, nullptr);
  return TRUE;
}

// Sign and at most nine digits.
static BOOLEAN NMEA_bInt(const char* pc, S32* pn) {
  if (pc == nullptr) return FALSE;
  const BOOLEAN bNegative = *pc == '-';
  const char* c = (*pc == '-' || *pc == '+') ? pc + 1 : pc;
  S32 value = 0;
  int digits = 0;
  for (; isdigit((unsigned char)*c); c++) {
    if (++digits > 9) return FALSE;
    value = value * 10 + (*c - '0');
  }
  if (digits == 0 || *c != '\0') return FALSE;
  *pn = bNegative ? -value : value;
  return TRUE;
}

static int NMEA_nHexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Exactly two hexadecimal digits.
static BOOLEAN NMEA_bHexByte(const char* pc, U8* pu8) {
  if (pc == nullptr || strlen(pc) != 2) return FALSE;
  int hi = NMEA_nHexDigit(pc[0]), lo = NMEA_nHexDigit(pc[1]);
  if (hi < 0 || lo < 0) return FALSE;
  *pu8 = (U8)(hi << 4 | lo);
  return TRUE;
}

// Degrees and minutes, "ddmm.mmm" or "dddmm.mmm": the degrees are the digits
// before the last two of the whole part.
static BOOLEAN NMEA_bDegrees(const char* pc, double dMaxDegrees, double* pd) {
  if (!NMEA_bIsDecimal(pc) || *pc == '-' || *pc == '+') return FALSE;
  const char* point = strchr(pc, '.');
  size_t whole = point != nullptr ? (size_t)(point - pc) : strlen(pc);
  if (whole < 3) return FALSE;
  double degrees = 0;
  for (size_t i = 0; i + 2 < whole; i++) degrees = degrees * 10 + (pc[i] - '0');
  double minutes = strtod(pc + whole - 2, nullptr);
  if (minutes >= 60 || degrees > dMaxDegrees) return FALSE;
  *pd = degrees + minutes / 60;
  return *pd <= dMaxDegrees;
}

// "hhmmss" with an optional fraction; seconds of the day.
static BOOLEAN NMEA_bTimeOfDay(const char* pc, int* pnHour, int* pnMinute, double* pdSecond) {
  if (!NMEA_bIsDecimal(pc) || strlen(pc) < 6 || !isdigit((unsigned char)pc[0])) return FALSE;
  *pnHour = (pc[0] - '0') * 10 + pc[1] - '0';
  *pnMinute = (pc[2] - '0') * 10 + pc[3] - '0';
  *pdSecond = strtod(pc + 4, nullptr);
  return *pnHour < 24 && *pnMinute < 60 && *pdSecond < 61;
}

// ---------------------------------------------------------------------------
// Database writes

static void NMEA_vWriteU32(FOURCHARID id, U32 value, U32 u32Priority, DATA_TYPE type) {
  H_DATABASE_bUpdateEverythingU32(id, value, u32Priority, type, nullptr, NMEA_VALIDITY_S);
}

static void NMEA_vWriteS32(FOURCHARID id, S32 value, U32 u32Priority, DATA_TYPE type) {
  H_DATABASE_bUpdateEverythingS32(id, value, u32Priority, type, nullptr, NMEA_VALIDITY_S);
}

static void NMEA_vWriteFloat(FOURCHARID id, float value, U32 u32Priority, DATA_TYPE type) {
  H_DATABASE_bUpdateEverythingFloat(id, value, u32Priority, type, nullptr, NMEA_VALIDITY_S);
}

static U32 NMEA_u32Fetch(FOURCHARID id, U32 u32Default) {
  U32 value = u32Default;
  H_DATABASE_bFetchU32(id, &value, nullptr, nullptr);
  return value;
}

// ---------------------------------------------------------------------------
// Position

// The field model is costly and the variation changes by hundredths of a
// degree across a kilometre or a day: it is computed again only when the
// position leaves its cell of a hundredth of a degree or the day changes.
static float NMEA_fVariation(const POSITION* pPosition, U32 TimeOfPos) {
  static BOOLEAN s_bKnown = FALSE;
  static S32 s_nLatCell, s_nLonCell;
  static U32 s_u32Day;
  static float s_fVariation;
  const S32 latCell = (S32)lround(pPosition->lat * 100), lonCell = (S32)lround(pPosition->lon * 100);
  const U32 day = TimeOfPos / 86400;
  if (!s_bKnown || latCell != s_nLatCell || lonCell != s_nLonCell || day != s_u32Day) {
    s_fVariation = (float)dMagneticVariation(0, pPosition->lat, pPosition->lon, TimeOfPos);
    s_bKnown = TRUE;
    s_nLatCell = latCell;
    s_nLonCell = lonCell;
    s_u32Day = day;
  }
  return s_fVariation;
}

BOOLEAN T_NMEA_bUpdateLatLon(const POSITION* pPosition, U32 TimeOfPos, U32 u32Priority) {
  POINT mm;
  NV_STATUS status = nv_DegrToMeter(pPosition, &mm);
  if (status != NV_OK && status < NV_WARN_BASE) return FALSE;
  const float variation = NMEA_fVariation(pPosition, TimeOfPos);
  U32 datum = 0;
  const BOOLEAN bDatum = H_DATABASE_bFetchU32(FCID("SDTM"), &datum, nullptr, nullptr);
  POSITION shown = {};
  if (bDatum) WGS84_2_Datum(pPosition->lat, pPosition->lon, &shown.lat, &shown.lon, (DATUM_PLANE)datum);
  // Readers take the coordinates in pairs under the database lock: held
  // across the whole fix, none of them sees it half written.
  H_DATABASE_vBeginRun();
  NMEA_vWriteS32(FCID("ILAT"), mm.y, u32Priority, D_POSITION_LAT_MM);
  NMEA_vWriteS32(FCID("ILON"), mm.x, u32Priority, D_POSITION_LON_MM);
  // The last position outlives the fix and the power; any source may renew it.
  H_DATABASE_bUpdateEverythingS32(FCID("SLAT"), mm.y, P_NORMAL, D_POSITION_LAT_MM, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingS32(FCID("SLON"), mm.x, P_NORMAL, D_POSITION_LON_MM, nullptr, DB_NEVER_STALE);
  NMEA_vWriteFloat(FCID("IMGV"), variation, u32Priority, D_UNKNOWN);
  if (bDatum) {
    s_sPosition = shown;
    NMEA_vWriteFloat(FCID("ILTD"), (float)shown.lat, u32Priority, D_POSITION_LAT);
    NMEA_vWriteFloat(FCID("ILND"), (float)shown.lon, u32Priority, D_POSITION_LON);
    H_DATABASE_bUpdateEverythingVoidPointer(FCID("IPOS"), &s_sPosition, u32Priority, D_POINTER, nullptr,
                                            NMEA_VALIDITY_S);
  }
  H_DATABASE_vEndRun();
  return TRUE;
}

// Four fields from `first`: latitude, N or S, longitude, E or W. pbParsed
// tells a position that parsed but is off the chart from one that did not.
static BOOLEAN NMEA_bParseLatLon(const NMEA_FIELDS* f, int first, U32 u32Priority, POSITION* pPosition,
                                 BOOLEAN* pbParsed) {
  *pbParsed = FALSE;
  const char* ns = NMEA_pcField(f, first + 1);
  const char* ew = NMEA_pcField(f, first + 3);
  if (ns == nullptr || ew == nullptr || (strcmp(ns, "N") != 0 && strcmp(ns, "S") != 0) ||
      (strcmp(ew, "E") != 0 && strcmp(ew, "W") != 0) ||
      !NMEA_bDegrees(NMEA_pcField(f, first), 90, &pPosition->lat) ||
      !NMEA_bDegrees(NMEA_pcField(f, first + 2), 180, &pPosition->lon)) {
    return FALSE;
  }
  if (*ns == 'S') pPosition->lat = -pPosition->lat;
  if (*ew == 'W') pPosition->lon = -pPosition->lon;
  *pbParsed = TRUE;
  return T_NMEA_bUpdateLatLon(pPosition, NMEA_u32Fetch(FCID("IDTM"), 0), u32Priority);
}

static void NMEA_vKeepFixTime(NMEA_PORT_INFO* p, const char* pcTime) {
  if (pcTime == nullptr) return;
  strncpy(p->acFixTime, pcTime, sizeof p->acFixTime - 1);
  p->acFixTime[sizeof p->acFixTime - 1] = '\0';
}

// ---------------------------------------------------------------------------
// GGA and RMC

static int NMEA_nSpeedRing(U32 u32Source) {
  switch (u32Source) {
    case ID_INTERNAL_GPS:
      return 0;
    case ID_EXTERNAL_GPS:
      return 1;
    case ID_NETWORK_GPS:
      return 2;
    default:
      return -1;
  }
}

// The speeds of a lost fix say nothing of the next one.
static void NMEA_vRestartSpeed(const NMEA_PORT_INFO* p) {
  const int ring = NMEA_nSpeedRing(p->eSourceID);
  if (ring >= 0) s_aSpeedRing[ring] = NMEA_SPEED_RING{};
}

// The mean of the ring's samples so far, after this one.
static float NMEA_fAverageSpeed(NMEA_SPEED_RING* r, float fSpeed) {
  const U64 now = L_CLOCK_qwGetTimeInMillis();
  if (r->u32Count != 0 && now - r->qwLastMs > NMEA_VALIDITY_S * 1000) *r = NMEA_SPEED_RING{};  // the fix expired
  r->qwLastMs = now;
  r->afSpeed[r->u32Count++ % NMEA_SPEED_SAMPLES] = fSpeed;
  const U32 filled = r->u32Count < NMEA_SPEED_SAMPLES ? r->u32Count : NMEA_SPEED_SAMPLES;
  float sum = 0;
  for (U32 i = 0; i < filled; i++) sum += r->afSpeed[i];
  return sum / (float)filled;
}

static void NMEA_vGGA(const NMEA_FIELDS* f, NMEA_PORT_INFO* p, NMEA_FIX_TRACE* t) {
  const U32 prio = p->GPSWritePriority;
  NMEA_vKeepFixTime(p, NMEA_pcField(f, 0));
  POSITION pos = {0, 0};
  BOOLEAN bParsed;
  BOOLEAN bPublished = NMEA_bParseLatLon(f, 1, prio, &pos, &bParsed);
  if (bParsed) {
    t->bPosition = TRUE;
    t->dLat = pos.lat;
    t->dLon = pos.lon;
  }
  if (!bPublished) {
    // The last known position stays on the chart while the fix is gone.
    NMEA_vRestartSpeed(p);
    p->u32PFI = 0;
    NMEA_vWriteU32(FCID("IPFI"), 0, prio, D_UNKNOWN);
    DB_DATA_TYPE slat, slon, ilat, ilon;
    L_MUTEX_LockWait(RES_DATABASE);
    if (H_DATABASE_bFetchPair(FCID("SLAT"), FCID("SLON"), &slat, &slon, nullptr) &&
        (!H_DATABASE_bFetchPair(FCID("ILAT"), FCID("ILON"), &ilat, &ilon, nullptr) ||
         ilat.s32Val != slat.s32Val || ilon.s32Val != slon.s32Val)) {
      NMEA_vWriteS32(FCID("ILAT"), slat.s32Val, prio, D_POSITION_LAT_MM);
      NMEA_vWriteS32(FCID("ILON"), slon.s32Val, prio, D_POSITION_LON_MM);
    }
    L_MUTEX_Unlock(RES_DATABASE);
    return;
  }
  S32 quality, satellites;
  if (!NMEA_bInt(NMEA_pcField(f, 5), &quality) || quality < 0) return;
  if ((U32)quality != p->u32PFI) {
    p->u32PFI = (U32)quality;
    H_DATABASE_bUpdateEverythingU32(FCID("UGPS"), 1, P_NORMAL, D_UNKNOWN, nullptr, 0);
  }
  NMEA_vWriteU32(FCID("IPFI"), p->u32PFI, prio, D_UNKNOWN);
  if (!NMEA_bInt(NMEA_pcField(f, 6), &satellites) || satellites < 0) return;
  if (quality != 0 && satellites == 0) satellites = 12;
  NMEA_vWriteU32(FCID("ISAN"), (U32)satellites, prio, D_UNKNOWN);
  double hdop, altitude, age;
  S32 station;
  if (!NMEA_bDouble(NMEA_pcField(f, 7), &hdop)) return;
  NMEA_vWriteFloat(FCID("IHDP"), (float)hdop, prio, D_FLOAT);
  if (p->eGPSType == GPS_TYPE_LEGACY || p->eSourceID == ID_NMEA2K_GPS) {
    p->fPositionError = (float)(hdop * 5.3);
    NMEA_vWriteFloat(FCID("IEPE"), p->fPositionError, prio, D_DISTANCE);
  }
  if (!NMEA_bDouble(NMEA_pcField(f, 8), &altitude)) return;
  NMEA_vWriteFloat(FCID("IALT"), (float)dConvertToInternal(altitude, D_DEPTH, U_METRES), prio, D_DEPTH);
  if (!NMEA_bDouble(NMEA_pcField(f, 12), &age)) return;
  NMEA_vWriteFloat(FCID("IDGA"), (float)age, prio, D_FLOAT);
  if (!NMEA_bInt(NMEA_pcField(f, 13), &station)) return;
  NMEA_vWriteU32(FCID("IDGS"), (U32)station, prio, D_UNKNOWN);
}

// The course when the boat moves (or nothing is there yet); else the
// heading stays, renewed.
static void NMEA_vWriteHeading(BOOLEAN bCourse, float fCourse, U32 u32Priority) {
  float current;
  if (!bCourse && H_DATABASE_bFetchFloat(FCID("IHDG"), &current, nullptr, nullptr)) fCourse = current;
  NMEA_vWriteFloat(FCID("IHDG"), fCourse, u32Priority, D_HEADING);
}

static BOOLEAN NMEA_bChartShowing(void) {
  static const LAYER_ID s_aCharts[] = {
      CHART_ON_LEFT_PLUS_SI_DI_ON_RIGHT_VIEW_PRIORITY, BIRDS_EYE_INSTRUMENT_VIEW_PRIORITY,
      CHART_PLUS_SIDESCAN_VIEW_PRIORITY, CHART_PLUS_SI_VIEW_PRIORITY, CHART_PLUS_2D_VIEW_PRIORITY,
      CHART_PLUS_3D_VIEW_PRIORITY, CHART_VIEW_PRIORITY, CHART_INSTRUMENT_VIEW_PRIORITY,
      CHART_PLUS_BIRDS_EYE_VIEW_PRIORITY, CHART_PLUS_BIRDS_EYE_INSTRUMENT_VIEW_PRIORITY, BIRDS_EYE_VIEW_PRIORITY,
      CHART_PLUS_DOWNIMAGING_VIEW_PRIORITY, CHART_ICE_VIEW_PRIORITY, CHART_PLUS_FLASHER_ICE_VIEW_PRIORITY,
      CHART_PLUS_2D_ICE_VIEW_PRIORITY, CHART_PLUS_CHART_ICE_VIEW_PRIORITY, CHART_PLUS_DOWNRIGGER_VIEW_PRIORITY,
      CHART_PLUS_XMWEATHER_VIEW_PRIORITY,
  };
  LAYER_ID view = U_VIEW_eCurrentView();
  for (LAYER_ID chart : s_aCharts) {
    if (chart == view) return TRUE;
  }
  return FALSE;
}

// A fix's time for the system clock, set once the sentence is stored.
static U64 s_qwClockToSet;
static BOOLEAN s_bClockToSet;

// Date and time in UTC, whatever the process's time zone.
static void NMEA_vRmcTime(const NMEA_FIELDS* f, NMEA_PORT_INFO* p, NMEA_FIX_TRACE* t) {
  const char* date = NMEA_pcField(f, 8);
  int hour, minute;
  double second;
  if (date == nullptr || strlen(date) < 6 || !NMEA_bTimeOfDay(NMEA_pcField(f, 0), &hour, &minute, &second)) return;
  for (int i = 0; i < 6; i++) {
    if (!isdigit((unsigned char)date[i])) return;
  }
  struct tm utc = {};
  utc.tm_mday = (date[0] - '0') * 10 + date[1] - '0';
  utc.tm_mon = (date[2] - '0') * 10 + date[3] - '0' - 1;
  utc.tm_year = 100 + (date[4] - '0') * 10 + date[5] - '0';
  utc.tm_hour = hour;
  utc.tm_min = minute;
  utc.tm_sec = (int)second;
  if (utc.tm_mday < 1 || utc.tm_mday > 31 || utc.tm_mon < 0 || utc.tm_mon > 11) return;
  time_t seconds = timegm(&utc);
  if (seconds < 0 || seconds > (time_t)UINT32_MAX) return;
  const U32 prio = p->GPSWritePriority;
  NMEA_vWriteU32(FCID("ITME"), (U32)seconds, prio, D_DATETIME);
  NMEA_vWriteU32(FCID("IDTM"), (U32)seconds, prio, D_DATETIME);
  NMEA_vWriteU32(FCID("STDB"), NMEA_STDB, prio, D_DATETIME);
  t->bTime = TRUE;
  t->dTimeOfDay = hour * 3600.0 + minute * 60.0 + second;
  t->u32DateTime = (U32)seconds;
  s_qwClockToSet = (U64)seconds;
  s_bClockToSet = TRUE;
}

// Setting the clock may run a shell, so it waits until the sentence's
// database run has ended.
static void NMEA_vSetClockFromFix(void) {
  if (!s_bClockToSet) return;
  s_bClockToSet = FALSE;
  if (s_qwClockToSet <= INT32_MAX) {
    L_UTILS_vSetSysDate((S32)s_qwClockToSet);
  } else {
    log_me("[%d]%s: %llu is past what the clock holds; not set", __LINE__, __func__,
           (unsigned long long)s_qwClockToSet);
  }
}

static void NMEA_vRMC(const NMEA_FIELDS* f, NMEA_PORT_INFO* p, NMEA_FIX_TRACE* t) {
  const char* time = NMEA_pcField(f, 0);
  const char* status = NMEA_pcField(f, 1);
  if (status != nullptr && strcmp(status, "A") != 0) NMEA_vRestartSpeed(p);
  if (time == nullptr || strlen(time) < 6 || status == nullptr || strcmp(status, "A") != 0) return;
  NMEA_vKeepFixTime(p, time);
  POSITION pos = {0, 0};
  BOOLEAN bParsed;
  const BOOLEAN bPublished = NMEA_bParseLatLon(f, 2, p->GPSWritePriority, &pos, &bParsed);
  t->bPosition = bParsed;
  t->dLat = pos.lat;
  t->dLon = pos.lon;
  if (!bPublished) return;
  p->RMC_pre_Lat = p->RMC_Lat;
  p->RMC_pre_Lon = p->RMC_Lon;
  p->RMC_Lat = pos.lat;
  p->RMC_Lon = pos.lon;

  const char* speedField = NMEA_pcField(f, 6);
  double knots = 0, course = 0;
  if (speedField == nullptr || (*speedField != '\0' && !NMEA_bDouble(speedField, &knots))) return;
  t->bMotion = TRUE;
  t->dKnots = knots;
  const BOOLEAN bCourse = NMEA_bDouble(NMEA_pcField(f, 7), &course);
  t->bCourse = bCourse;
  t->dCourse = course;

  const U32 prio = p->GPSWritePriority;
  const int ring = NMEA_nSpeedRing(p->eSourceID);
  const BOOLEAN bUblox = p->eGPSType == GPS_TYPE_UBLOX;
  const float fMoving = p->eSourceID == ID_EXTERNAL_GPS ? 0.09f : 0.12f;
  float speed = (float)dConvertToInternal(knots, D_SPEED, U_KNOTS);
  if (!bCourse) {
    NMEA_vWriteFloat(FCID("ISOG"), speed, prio, D_SPEED);
    if (p->eSourceID == ID_INTERNAL_GPS && speed > 0.25f) {
      p->bCalculateCOG = TRUE;
      H_DATABASE_bUpdateEverythingBoolean(FCID("SCCG"), TRUE, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
    }
  } else if (ring >= 0 && !bUblox) {
    NMEA_SPEED_RING* r = &s_aSpeedRing[ring];
    if (p->RMC_Lat == p->RMC_pre_Lat && p->RMC_Lon == p->RMC_pre_Lon && speed <= 0.09f) speed = 0;
    speed = NMEA_fAverageSpeed(r, speed);
    r->fPrevCOG = (float)course;
  } else {
    NMEA_vWriteFloat(FCID("ISOG"), speed, prio, D_SPEED);
    NMEA_vWriteHeading(speed >= fMoving || !H_DATABASE_bFetch(FCID("IHDG"), nullptr, nullptr, nullptr),
                       (float)course, prio);
  }

  if (!(p->eSourceID == ID_INTERNAL_GPS && p->bCalculateCOG && p->bReceivedVELNED)) {
    // Averaged speeds go out with every other sample of the source in use,
    // the first one included.
    const U32 preference = NMEA_u32Fetch(FCID("SGPP"), ID_AUTO_SELECT);
    const int inUse = NMEA_nSpeedRing(NMEA_u32Fetch(FCID("CGPS"), ID_INVALID));
    BOOLEAN bWrite = TRUE;
    if (preference == ID_AUTO_SELECT || prio < P_NETWORK_GPS) {
      if (inUse >= 0 && !bUblox) bWrite = s_aSpeedRing[inUse].u32Count % 2 == 1;
    } else if ((p->eSourceID == ID_EXTERNAL_GPS || p->eSourceID == ID_NETWORK_GPS) && !bUblox) {
      bWrite = s_aSpeedRing[ring].u32Count % 2 == 1;
    }
    if (bWrite) NMEA_vWriteFloat(FCID("ISOG"), speed, prio, D_SPEED);
    NMEA_vWriteHeading((speed >= fMoving && bCourse) || !H_DATABASE_bFetch(FCID("IHDG"), nullptr, nullptr, nullptr),
                       (float)course, prio);
  }
  NMEA_vRmcTime(f, p, t);
  if (NMEA_bChartShowing()) L_SEMA_Signal(SEMA_VIEW_UPDATE);
}

// ---------------------------------------------------------------------------
// Headings

static float NMEA_fWrap360(double d) {
  double w = fmod(d, 360.0);
  if (w < 0) w += 360.0;
  return (float)(w >= 360.0 ? 0.0 : w);
}

// The mean of the last five true headings, each taken within half a turn of
// the newest, so that 359 and 1 average to 0 rather than 180.
static float NMEA_fSmoothHeading(float fTrue) {
  if (s_u32Headings < NMEA_HEADING_SAMPLES) {
    s_afHeading[s_u32Headings++] = fTrue;
    return fTrue;
  }
  s_afHeading[s_u32Headings++ % NMEA_HEADING_SAMPLES] = fTrue;
  double sum = 0;
  for (float h : s_afHeading) {
    double d = h - fTrue;
    if (d > 180) d -= 360;
    if (d < -180) d += 360;
    sum += d;
  }
  return NMEA_fWrap360(fTrue + sum / NMEA_HEADING_SAMPLES);
}

static BOOLEAN NMEA_bEastWest(const char* pc) { return pc != nullptr && (!strcmp(pc, "E") || !strcmp(pc, "W")); }

static void NMEA_vHDG(const NMEA_FIELDS* f, NMEA_PORT_INFO* p, NMEA_FIX_TRACE*) {
  const U32 prio = p->GPSWritePriority;
  double heading, deviation, variation;
  if (!NMEA_bDouble(NMEA_pcField(f, 0), &heading)) return;
  S32 offset;
  if (H_DATABASE_bFetchS32(FCID("SCHO"), &offset, nullptr, nullptr)) heading = NMEA_fWrap360(heading + offset);
  NMEA_vWriteFloat(FCID("IHDM"), (float)heading, prio, D_HEADING);
  if (!NMEA_bDouble(NMEA_pcField(f, 1), &deviation)) deviation = 0;
  if (!NMEA_bEastWest(NMEA_pcField(f, 2))) return;
  s_fHdgDeviation = (float)deviation;
  s_cHdgDeviation = *NMEA_pcField(f, 2);
  if (!NMEA_bDouble(NMEA_pcField(f, 3), &variation) || !NMEA_bEastWest(NMEA_pcField(f, 4))) return;
  if (*NMEA_pcField(f, 4) == 'W') variation = -variation;
  float smoothed = NMEA_fSmoothHeading(NMEA_fWrap360(heading + variation));
  if (s_u32HdgSentences++ % 2 == 0) NMEA_vWriteFloat(FCID("IHDC"), smoothed, prio, D_HEADING);
}

static void NMEA_vHeadingField(const NMEA_FIELDS* f, NMEA_PORT_INFO* p, FOURCHARID id) {
  double heading;
  if (NMEA_bDouble(NMEA_pcField(f, 0), &heading)) NMEA_vWriteFloat(id, (float)heading, p->GPSWritePriority, D_HEADING);
}

static void NMEA_vHDT(const NMEA_FIELDS* f, NMEA_PORT_INFO* p, NMEA_FIX_TRACE*) {
  NMEA_vHeadingField(f, p, FCID("IHDT"));
}

static void NMEA_vHDM(const NMEA_FIELDS* f, NMEA_PORT_INFO* p, NMEA_FIX_TRACE*) {
  NMEA_vHeadingField(f, p, FCID("IHDM"));
}

static void NMEA_vROT(const NMEA_FIELDS* f, NMEA_PORT_INFO* p, NMEA_FIX_TRACE*) {
  double rate;
  const char* status = NMEA_pcField(f, 1);
  if (NMEA_bDouble(NMEA_pcField(f, 0), &rate) && status != nullptr && !strcmp(status, "A")) {
    NMEA_vWriteFloat(FCID("IROT"), (float)rate, p->GPSWritePriority, D_FLOAT);
  }
}

// ---------------------------------------------------------------------------
// Satellites

static int* NMEA_pnSatsInUse(NMEA_PORT_INFO* p) {
  if (p->pnSatsInUse == nullptr) p->pnSatsInUse = (int*)H_MEMORY_pvCalloc(NMEA_SATS_IN_USE, sizeof(int));
  return p->pnSatsInUse;
}

// A combined-systems receiver sends one GNGSA per system for each fix: the
// first after a new fix time starts the list again, the others add to it.
static void NMEA_vGSA(const NMEA_FIELDS* f, NMEA_PORT_INFO* p, NMEA_FIX_TRACE*) {
  S32 mode;
  if (!NMEA_bInt(NMEA_pcField(f, 1), &mode)) return;
  int* used = NMEA_pnSatsInUse(p);
  int next = 0;
  const BOOLEAN bCombined = strncmp(f->pcAddress, "GN", 2) == 0;
  if (bCombined && p->acUsedListTime[0] != '\0' && strcmp(p->acUsedListTime, p->acFixTime) == 0) {
    while (next < NMEA_SATS_IN_USE && used[next] != 0) next++;
  } else {
    memcpy(p->acUsedListTime, p->acFixTime, sizeof p->acUsedListTime);
    NMEA_vWriteU32(FCID("IGSM"), (U32)mode, p->GPSWritePriority, D_UNKNOWN);
    memset(used, 0, NMEA_SATS_IN_USE * sizeof(int));
  }
  for (int i = 2; i < 14 && next < NMEA_SATS_IN_USE; i++) {
    S32 prn = 0;
    if (!NMEA_bInt(NMEA_pcField(f, i), &prn)) prn = 0;
    if (bCombined && prn == 0) continue;
    used[next++] = prn;
  }
}

// ISA1..ISA9, ISAA..ISAK; ISB for GLONASS.
static FOURCHARID NMEA_fcidSatellite(BOOLEAN bGlonass, U32 u32Channel) {
  const char key[5] = {'I', 'S', bGlonass ? 'B' : 'A',
                       (char)(u32Channel <= 9 ? '0' + u32Channel : 'A' + u32Channel - 10), 0};
  return FCID(key);
}

static void NMEA_vWriteSatellite(BOOLEAN bGlonass, U32 u32Channel, U32 u32Record, U32 u32Priority) {
  NMEA_vWriteU32(NMEA_fcidSatellite(bGlonass, u32Channel), u32Record, u32Priority, D_SAT_DATA);
}

// PRN, elevation, azimuth and SNR from field `first`; a channel outside
// their ranges, or without a PRN, is written as 0.
static void NMEA_vParseSatelliteDetails(const NMEA_FIELDS* f, int first, U32 u32Channel, NMEA_PORT_INFO* p,
                                        BOOLEAN bGlonass) {
  S32 v[4] = {0, 0, 0, 0};
  static const S32 s_aLimit[4] = {99, 90, 359, 99};
  U32 record = 0;
  BOOLEAN bGood = NMEA_bInt(NMEA_pcField(f, first), &v[0]) && v[0] > 0 && v[0] <= s_aLimit[0];
  for (int i = 1; i < 4 && bGood; i++) {
    const char* field = NMEA_pcField(f, first + i);
    if (field == nullptr || *field == '\0') continue;
    bGood = NMEA_bInt(field, &v[i]) && v[i] >= 0 && v[i] <= s_aLimit[i];
  }
  if (bGood) {
    record = (U32)v[0] | (U32)v[1] << 8 | (U32)v[2] << 15 | (U32)v[3] << 24;
    const int* used = NMEA_pnSatsInUse(p);
    for (int i = 0; i < NMEA_SATS_IN_USE; i++) {
      if (used[i] == v[0]) record |= 0x80000000u;
    }
  }
  NMEA_vWriteSatellite(bGlonass, u32Channel, record, p->eSourceID);
}

static void NMEA_vGSV(const NMEA_FIELDS* f, NMEA_PORT_INFO* p, NMEA_FIX_TRACE*) {
  // Only GPS (GP, and GN from combined receivers) and GLONASS have views;
  // Galileo, BeiDou and QZSS would overwrite the GPS satellites.
  BOOLEAN bGlonass;
  if (!strncmp(f->pcAddress, "GP", 2) || !strncmp(f->pcAddress, "GN", 2)) {
    bGlonass = FALSE;
  } else if (!strncmp(f->pcAddress, "GL", 2)) {
    bGlonass = TRUE;
  } else {
    return;
  }
  NMEA_GSV_ARBITER* a = &s_aGsv[bGlonass ? NMEA_VIEW_GLONASS : NMEA_VIEW_GPS];
  const U32 now = H_TICK_u32ReadFreeRunningTimerInMilliSeconds();
  if (a->bAccepted && H_TICK_u32ElapsedTime(a->u32AcceptedMs, now) <= NMEA_GSV_HOLD_MS &&
      p->GPSWritePriority > a->u32Priority) {
    return;
  }
  a->bAccepted = TRUE;
  a->u32Priority = p->GPSWritePriority;
  a->u32AcceptedMs = now;
  S32 total, number;
  if (!NMEA_bInt(NMEA_pcField(f, 0), &total) || !NMEA_bInt(NMEA_pcField(f, 1), &number) || number < 1) return;
  if (number <= 5) {
    // Receivers of the newer standard put a signal id after the last
    // satellite: a field left over from whole groups of four is not one.
    const int satelliteFields = f->nCount - 3 - ((f->nCount - 3) % 4 == 1 ? 1 : 0);
    for (int slot = 0; slot < 4; slot++) {
      const U32 channel = (U32)(number - 1) * 4 + (U32)slot + 1;
      if (4 * slot < satelliteFields) {
        NMEA_vParseSatelliteDetails(f, 3 + 4 * slot, channel, p, bGlonass);
      } else {
        NMEA_vWriteSatellite(bGlonass, channel, 0, p->eSourceID);
      }
    }
  }
  if (number == total) {
    for (U32 channel = 4 * (U32)total + 1; total >= 0 && channel <= NMEA_SAT_CHANNELS; channel++) {
      NMEA_vWriteSatellite(bGlonass, channel, 0, p->eSourceID);
    }
  }
}

// ---------------------------------------------------------------------------
// The remote's dongle and the heading sensor

static MBOX NMEA_mboxRemote(void) {
  U32 mbox = 0;
  BOOLEAN bValid = FALSE;
  if (!H_DATABASE_bFetchU32(FCID("TBTR"), &mbox, &bValid, nullptr) || !bValid) return 0;
  return (MBOX)mbox;
}

// A zeroed remote mail of `size` bytes, or null when the heap or the remote
// task is not there: such a mail is dropped.
static GENERIC_MESSAGE* NMEA_pRemoteMail(U32 size, REMOTE_MSG_TYPE eType) {
  if (NMEA_mboxRemote() == 0) return nullptr;
  GENERIC_MESSAGE* pMsg = (GENERIC_MESSAGE*)H_MEMORY_pvMallocNoWait(size);
  if (pMsg == nullptr) return nullptr;
  memset(pMsg, 0, size);
  pMsg->Cmd = CMD_ID_BLUETOOTH_REMOTE_RX;
  ((MSG_BLUETOOTH_REMOTE_GENERIC*)pMsg)->eMsgtype = eType;
  return pMsg;
}

static void NMEA_vSendRemote(GENERIC_MESSAGE* pMsg) {
  MBOX mbox = NMEA_mboxRemote();
  if (pMsg == nullptr) return;
  if (mbox == 0 || L_MBOX_Send(mbox, pMsg, NMEA_REMOTE_MAIL_PRIORITY, 0) != 0) H_MEMORY_vFree(pMsg);
}

static void NMEA_vRemoteGeneric(REMOTE_MSG_TYPE eType, U8 u8Value) {
  GENERIC_MESSAGE* pMsg = NMEA_pRemoteMail(sizeof(MSG_BLUETOOTH_REMOTE_GENERIC), eType);
  if (pMsg != nullptr) ((MSG_BLUETOOTH_REMOTE_GENERIC*)pMsg)->u8Value = u8Value;
  NMEA_vSendRemote(pMsg);
}

// The dongle wants its sentence's checksum back, as it came.
static void NMEA_vRemoteAcknowledge(const NMEA_FIELDS* f) {
  const NMEA_PORT_INFO* ext = T_NMEA_pPortInfo(PORT_INDEX_EXTERNAL_GPS);
  if (ext == nullptr || ext->pSerialInfo == nullptr) return;
  char reply[24];
  snprintf(reply, sizeof reply, "$PQVM125,%s*", f->acChecksum);
  T_NMEA_u8SendSentence(ext, reply);
}

static void NMEA_vRemoteSentence(const NMEA_FIELDS* f, int nNumber) {
  U8 first = 0, second = 0;
  // A status or a hello is answered with its own checksum: one without a
  // whole checksum is refused, as a wrong one would be.
  if ((nNumber == 101 || nNumber == 102) && strlen(f->acChecksum) != 2) return;
  switch (nNumber) {
    case 100: {
      if (f->nCount < 2 || f->nCount > 3 || !NMEA_bHexByte(NMEA_pcField(f, 0), &first) ||
          !NMEA_bHexByte(NMEA_pcField(f, 1), &second)) {
        return;
      }
      GENERIC_MESSAGE* pMsg = NMEA_pRemoteMail(sizeof(MSG_BLUETOOTH_REMOTE_BUTTON), BLUETOOTH_TYPE_BUTTON);
      if (pMsg != nullptr) {
        MSG_BLUETOOTH_REMOTE_BUTTON* b = (MSG_BLUETOOTH_REMOTE_BUTTON*)pMsg;
        b->eRemoteKey = (REMOTE_KEY)(U8)(first - 58);
        b->eRemoteKeyState = (REMOTE_KEY_STATE)second;
        b->u32Timestamp = H_TICK_u32ReadFreeRunningTimerInMilliSeconds();
      }
      NMEA_vSendRemote(pMsg);
      return;
    }
    case 101: {
      if (!NMEA_bHexByte(NMEA_pcField(f, 0), &first)) return;
      NMEA_vRemoteAcknowledge(f);
      GENERIC_MESSAGE* pMsg = NMEA_pRemoteMail(sizeof(MSG_BLUETOOTH_REMOTE_STATUS), BLUETOOTH_TYPE_STATUS);
      if (pMsg != nullptr) {
        MSG_BLUETOOTH_REMOTE_STATUS* s = (MSG_BLUETOOTH_REMOTE_STATUS*)pMsg;
        s->eStatusType = (REMOTE_STATUS_TYPE)first;
        const char* text = NMEA_pcRawFrom(f, 1);
        memcpy(s->au8Status, text, strnlen(text, REMOTE_STATUS_BYTES));
      }
      NMEA_vSendRemote(pMsg);
      return;
    }
    case 102:
      NMEA_vRemoteAcknowledge(f);
      NMEA_vRemoteGeneric(BLUETOOTH_TYPE_HELLO, 0);
      return;
    case 103:
    case 125:
      if (NMEA_bHexByte(NMEA_pcField(f, 0), &first)) {
        NMEA_vRemoteGeneric(nNumber == 103 ? BLUETOOTH_TYPE_HEARTBEAT : BLUETOOTH_TYPE_ACK, first);
      }
      return;
    default:
      return;
  }
}

// The whole numbers of the keys come first, then the floats.
static void NMEA_vWriteCalibration(const NMEA_FIELDS* f, int first, const FOURCHARID* pKeys, int nInts, int nFloats,
                                   U32 u32Priority) {
  for (int i = 0; i < nInts + nFloats; i++) {
    const FOURCHARID id = pKeys[i];
    double value;
    if (!NMEA_bDouble(NMEA_pcField(f, first + i), &value)) return;
    if (i < nInts) {
      S32 n;
      if (!NMEA_bInt(NMEA_pcField(f, first + i), &n)) return;
      H_DATABASE_bUpdateEverythingS32(id, n, u32Priority, D_UNKNOWN, nullptr, 0);
    } else {
      H_DATABASE_bUpdateEverythingFloat(id, (float)value, u32Priority, D_UNKNOWN, nullptr, 0);
    }
  }
}

static void NMEA_vHeadingSensor(const NMEA_FIELDS* f, NMEA_PORT_INFO* p, int nNumber) {
  const U32 prio = p->GPSWritePriority;
  p->eGPSType = GPS_TYPE_COMPASS;
  if (p->pSerialInfo != nullptr) T_NMEA_pPortScanStatus(p->pSerialInfo->u8Port)->bLocked = TRUE;
  if (!g_NMEA.bCompassIdentified) {
    g_NMEA.bCompassIdentified = TRUE;
    T_NMEA_vUpdateNavCompassMenus();
    T_NMEA_u8SendSentence(p, "$PQVM153,5*");
    BOOLEAN bMenus = FALSE;
    if (H_DATABASE_bFetchBoolean(FCID("SMSU"), &bMenus, nullptr, nullptr) && bMenus) {
      H_DATABASE_bUpdateEverythingU32(FCID("CHDR"), 5, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
      H_DATABASE_bRegisterForDataWithConditions(FCID("CHDR"), M_NMEA, TRUE, FALSE, FALSE);
      T_NMEA_vRegisterCompassSetupMenus();
    }
  }
  if (nNumber == 160) {
    S32 pitch, roll;
    if (NMEA_bInt(NMEA_pcField(f, 0), &pitch)) NMEA_vWriteS32(FCID("IPTH"), pitch, prio, D_ELEVATION_ANGLE);
    if (NMEA_bInt(NMEA_pcField(f, 1), &roll)) NMEA_vWriteS32(FCID("IROL"), roll, prio, D_ELEVATION_ANGLE);
    return;
  }
  S32 subType;
  if (!NMEA_bInt(NMEA_pcField(f, 0), &subType)) return;
  static const FOURCHARID s_aCompass1[] = {FCID("JCSV"), FCID("JCHV"), FCID("JCCB")};
  static const FOURCHARID s_aCompass5[] = {FCID("JCZX"), FCID("JCZY"), FCID("JCZZ"), FCID("JCHX"),
                                           FCID("JCHY"), FCID("JCSX"), FCID("JCSY")};
  if (subType == 1) NMEA_vWriteCalibration(f, 1, s_aCompass1, 3, 0, prio);
  if (subType == 5) NMEA_vWriteCalibration(f, 1, s_aCompass5, 5, 2, prio);
}

// ---------------------------------------------------------------------------
// Recognition

void T_NMEA_vGPSDetected(NMEA_PORT_INFO* p) {
  if (!s_bGPSDetected) {
    s_bGPSDetected = TRUE;
    T_NMEA_vRegisterGPSDiagnosticView();
    L_SEMA_Signal(SEMA_GPS_DETECTED);
  }
  const U32 prio = p->GPSWritePriority;
  H_DATABASE_vBeginRun();
  NMEA_vWriteU32(FCID("IPFI"), NMEA_u32Fetch(FCID("IPFI"), 0), prio, D_UNKNOWN);
  NMEA_vWriteU32(FCID("CGPS"), p->eSourceID, prio, D_UNKNOWN);
  p->nDataTimeout = 0;
  p->nWarmStarts = 0;
  U32 status = p->eGPSType;
  if (p->eGPSType != GPS_TYPE_COMPASS) {
    if (p->eGPSType == GPS_TYPE_DISCONNECTED) p->eGPSType = GPS_TYPE_LEGACY;
    status = p->eGPSType;
  } else {
    U32 fix = 0;
    BOOLEAN bValid = FALSE;
    if (H_DATABASE_bFetchU32(FCID("IPFI"), &fix, &bValid, nullptr) && bValid && fix != 0 &&
        g_NMEA.bAlreadyDisconnected) {
      H_DATABASE_bUpdateEverythingU32(FCID("GPSC"), 5, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
      g_NMEA.bAlreadyDisconnected = FALSE;
    }
    status = 5;
  }
  // Only this port and the task's start write its status, which never goes
  // stale: an unchanged one is not written again.
  if (p->fcidGPSStatus != 0 && (!p->bStatusWritten || p->u32StatusWritten != status)) {
    H_DATABASE_bUpdateEverythingU32(p->fcidGPSStatus, status, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
    p->u32StatusWritten = status;
    p->bStatusWritten = TRUE;
  }
  H_DATABASE_vEndRun();
  if (p->eSourceID == ID_EXTERNAL_GPS) {
    s_bExternalGPSConnected = TRUE;
    if (p->pSerialInfo != nullptr) T_NMEA_pPortScanStatus(p->pSerialInfo->u8Port)->bLocked = TRUE;
  }
  T_NMEA_vAisCalculateCollisionValueEverySecond();
}

typedef struct tag_NMEA_SENTENCE_TYPE {
  char acType[4];
  NMEA_HANDLER pfHandler;
} NMEA_SENTENCE_TYPE;

// Dispatched on every port, an AIS port included: GPS and AIS share channel
// 2, and an AIS receiver must not end the position feed.
static const NMEA_SENTENCE_TYPE s_aStandard[] = {
    {"GGA", NMEA_vGGA}, {"RMC", NMEA_vRMC}, {"HDG", NMEA_vHDG}, {"HDT", NMEA_vHDT},
    {"HDM", NMEA_vHDM}, {"ROT", NMEA_vROT}, {"GSA", NMEA_vGSA}, {"GSV", NMEA_vGSV},
};

static const char* NMEA_pcType(const NMEA_FIELDS* f) { return strlen(f->pcAddress) >= 2 ? f->pcAddress + 2 : ""; }

static BOOLEAN NMEA_bIsAisSentence(const NMEA_FIELDS* f) {
  const char* type = NMEA_pcType(f);
  return !strcmp(type, "VDM") || !strcmp(type, "VDO") || !strcmp(type, "BBM") || !strcmp(type, "ABM") ||
         !strncmp(f->pcAddress, "PSMT", 4);
}

// The QVM number, or -1 for any other address.
static int NMEA_nQvmNumber(const NMEA_FIELDS* f) {
  S32 number;
  if (strncmp(f->pcAddress, "PQVM", 4) != 0 || !NMEA_bInt(f->pcAddress + 4, &number)) return -1;
  return number;
}

// FALSE for a sentence that ends without the detection bookkeeping.
static BOOLEAN NMEA_bIdentify(const NMEA_FIELDS* f, NMEA_PORT_INFO* p) {
  const int qvm = NMEA_nQvmNumber(f);
  if (qvm == 151 || qvm == 160) {
    NMEA_vHeadingSensor(f, p, qvm);
  } else if (qvm >= 0 || !strncmp(f->pcAddress, "PQVM", 4)) {
    return FALSE;
  } else if (!strcmp(NMEA_pcType(f), "TXT") || !strcmp(f->pcAddress, "PEMT")) {
    if (p->ePortType == NMEA_PORT_TYPE_SERIAL) T_NMEA_vInitializeGPS(NMEA_RESET_HOT, p);
  } else if (!strncmp(f->pcAddress, "PUBX", 4)) {
    p->eGPSType = GPS_TYPE_UBLOX;
  } else if (!strncmp(f->pcAddress, "PSRF", 4)) {
    if (!(p->eGPSType == GPS_TYPE_COMPASS && p->eState == NMEA_STATE_ONLINE)) p->eGPSType = GPS_TYPE_NAVMAN;
    if (p->eSourceID == ID_EXTERNAL_GPS && p->pSerialInfo != nullptr) p->pSerialInfo->nNewBaudRate = 38400;
  }
  return TRUE;
}

void T_NMEA_vParseSentence(const char* pSentence, NMEA_PORT_INFO* p) {
  NMEA_FIELDS f;
  NMEA_vSplit(pSentence, &f);
  const int qvm = NMEA_nQvmNumber(&f);
  if (qvm == 100 || qvm == 101 || qvm == 102 || qvm == 103 || qvm == 125) {
    NMEA_vRemoteSentence(&f, qvm);
    return;
  }
  p->bSentenceReceived = TRUE;
  if (NMEA_bIsAisSentence(&f)) {
    const BOOLEAN bVDM = !strcmp(NMEA_pcType(&f), "VDM");
    if (!s_bAisSeen) {
      s_bAisSeen = TRUE;
      T_NMEA_vSetupAISMenuItems();
      p->bChannelIsAIS = TRUE;
      if (!bVDM) return;
    }
    BOOLEAN bAis = FALSE;
    if (bVDM && H_DATABASE_bFetchBoolean(FCID("SAIS"), &bAis, nullptr, nullptr) && bAis) {
      U32 u32MMSI = 0;
      L_MUTEX_LockWait(RES_AIS_DATA);
      if (T_NMEA_bAisDecodeVDM(pSentence, T_NMEA_u32AisNow(), &u32MMSI)) T_NMEA_vAisCalculateCollisionValueOf(u32MMSI);
      L_MUTEX_Unlock(RES_AIS_DATA);
      return;
    }
  } else if (g_NMEA.u32SystemState == STATE_SIMULATION) {
    return;
  }
  if (f.nCount == 0) return;
  const char* type = NMEA_pcType(&f);
  for (const NMEA_SENTENCE_TYPE& standard : s_aStandard) {
    if (strcmp(type, standard.acType) != 0) continue;
    NMEA_FIX_TRACE trace = {};
    trace.pcSentence = pSentence;
    trace.u32Priority = p->GPSWritePriority;
    // One hold of the database and one reading of its clock per sentence.
    // Nothing may wait for memory while the database is held, so the port's
    // satellite list is made before.
    NMEA_pnSatsInUse(p);
    H_DATABASE_vBeginRun();
    standard.pfHandler(&f, p, &trace);
    H_DATABASE_vEndRun();
    NMEA_vSetClockFromFix();
    void (*pfTrace)(const NMEA_FIX_TRACE*) = s_pfFixTrace.load();
    if (pfTrace != nullptr && (standard.pfHandler == NMEA_vGGA || standard.pfHandler == NMEA_vRMC)) pfTrace(&trace);
    T_NMEA_vGPSDetected(p);
    return;
  }
  if (p->bChannelIsAIS) return;
  if (NMEA_bIdentify(&f, p)) T_NMEA_vGPSDetected(p);
}

// ---------------------------------------------------------------------------
// Framing

static void NMEA_vStart(RX_PARSE_INFO* r) {
  r->nCharCount = 0;
  r->cRunningChecksum = 0;
  r->eReceiveState = WAITING_STAR;
}

static void NMEA_vStore(RX_PARSE_INFO* r, U8 c) {
  r->sSentence[r->nCharCount++] = (char)c;
  r->sSentence[r->nCharCount] = '\0';
}

// A sentence the simulator would repeat only counts as heard.
static void NMEA_vComplete(NMEA_PORT_INFO* p, BOOLEAN bParse) {
  p->pRxParseInfo->eReceiveState = WAITING_DOLLAR;
  if (bParse) {
    s_u32Parsed++;
    T_NMEA_vParseSentence(p->pRxParseInfo->sSentence, p);
  } else {
    p->bSentenceReceived = TRUE;
  }
}

// SiRF binary messages: a receiver switched to its binary protocol still
// shows it is there. The bytes also go through the sentence framing, which
// cannot take binary for a sentence with a good checksum, so a stray A0 A2
// never hides the sentences that follow.
enum NMEA_BINARY_STEP : U8 {
  BINARY_OUTSIDE = 0,
  BINARY_SYNC2,
  BINARY_LENGTH1,
  BINARY_LENGTH2,
  BINARY_PAYLOAD,
  BINARY_SUM1,
  BINARY_SUM2,
  BINARY_END1,
  BINARY_END2,
};
// The receivers' payloads stay far below the 11 bits their length allows.
constexpr U16 NMEA_BINARY_MAX_PAYLOAD = 2047;

static void NMEA_vBinaryByte(NMEA_PORT_INFO* p, U16 u16Entry) {
  RX_PARSE_INFO* r = p->pRxParseInfo;
  const U8 c = (U8)u16Entry;
  U8 next = BINARY_OUTSIDE;
  if (u16Entry & 0xF00) {
    r->u8BinaryStep = BINARY_OUTSIDE;
    return;
  }
  switch (r->u8BinaryStep) {
    case BINARY_OUTSIDE:
      if (c == 0xA0) next = BINARY_SYNC2;
      break;
    case BINARY_SYNC2:
      next = c == 0xA2 ? BINARY_LENGTH1 : c == 0xA0 ? BINARY_SYNC2 : BINARY_OUTSIDE;
      break;
    case BINARY_LENGTH1:
      r->u16BinaryLength = (U16)(c << 8);
      next = BINARY_LENGTH2;
      break;
    case BINARY_LENGTH2:
      r->u16BinaryLength |= c;
      r->u16BinaryCount = 0;
      r->u16BinarySum = 0;
      if (r->u16BinaryLength > 0 && r->u16BinaryLength <= NMEA_BINARY_MAX_PAYLOAD) next = BINARY_PAYLOAD;
      break;
    case BINARY_PAYLOAD:
      r->u16BinarySum = (U16)((r->u16BinarySum + c) & 0x7FFF);
      next = ++r->u16BinaryCount < r->u16BinaryLength ? BINARY_PAYLOAD : BINARY_SUM1;
      break;
    case BINARY_SUM1:
      if (c == (U8)(r->u16BinarySum >> 8)) next = BINARY_SUM2;
      break;
    case BINARY_SUM2:
      if (c == (U8)r->u16BinarySum) next = BINARY_END1;
      break;
    case BINARY_END1:
      if (c == 0xB0) next = BINARY_END2;
      break;
    case BINARY_END2:
      if (c == 0xB3) p->bBinaryMsgReceived = TRUE;
      break;
    default:
      break;
  }
  r->u8BinaryStep = next;
}

BOOLEAN T_NMEA_bFrameEntry(NMEA_PORT_INFO* p, U16 u16Entry) {
  RX_PARSE_INFO* r = p->pRxParseInfo;
  const U8 c = (U8)u16Entry;
  // Most bytes are a sentence's body outside any binary message: they only
  // go into the sentence and its checksum.
  if (r->eReceiveState == WAITING_STAR && r->u8BinaryStep == BINARY_OUTSIDE && u16Entry >= 32 && u16Entry <= 126 &&
      c != '*' && c != '$' && c != '!' && r->nCharCount < NMEA_MAX_BODY) {
    NMEA_vStore(r, c);
    r->cRunningChecksum ^= c;
    return FALSE;
  }
  NMEA_vBinaryByte(p, u16Entry);
  if (u16Entry & 0xF00) r->eReceiveState = WAITING_DOLLAR;
  switch (r->eReceiveState) {
    case WAITING_DOLLAR:
      if (c == '$' || c == '!') NMEA_vStart(r);
      return FALSE;
    case WAITING_STAR: {
      const U32 state = g_NMEA.u32SystemState;
      if (c == '\r') {
        NMEA_vComplete(p, state != STATE_SIMULATION && state != STATE_POINT_OF_SALE);
      } else if (c == '*') {
        NMEA_vStore(r, c);
        r->eReceiveState = WAITING_CHECKSUM1;
      } else if (c == '$' || c == '!') {
        NMEA_vStart(r);
      } else if (c < 32 || c > 126 || r->nCharCount >= NMEA_MAX_BODY) {
        r->eReceiveState = WAITING_DOLLAR;
      } else {
        NMEA_vStore(r, c);
        r->cRunningChecksum ^= c;
      }
      return FALSE;
    }
    case WAITING_CHECKSUM1: {
      NMEA_vStore(r, c);
      int nibble = NMEA_nHexDigit((char)c);
      r->eReceiveState = nibble < 0 ? WAITING_DOLLAR : WAITING_CHECKSUM2;
      r->cGivenChecksum = (U8)(nibble << 4);
      return FALSE;
    }
    case WAITING_CHECKSUM2: {
      NMEA_vStore(r, c);
      int nibble = NMEA_nHexDigit((char)c);
      r->eReceiveState = WAITING_DOLLAR;
      if (nibble < 0) return FALSE;
      r->cGivenChecksum |= (U8)nibble;
      if (r->cGivenChecksum == r->cRunningChecksum) NMEA_vComplete(p, g_NMEA.u32SystemState != STATE_SIMULATION);
      return TRUE;
    }
  }
  return FALSE;
}

void T_NMEA_vHandleReceive(BOOLEAN bIgnoreInput, NMEA_PORT_INFO* p) {
  if (p == nullptr || p->pSerialInfo == nullptr || p->pRxParseInfo == nullptr) return;
  const QUEUE queue = p->pSerialInfo->RxDataQueue;
  if (bIgnoreInput && g_NMEA.u32SystemState != STATE_SIMULATION) {
    L_QUEUE_Purge(queue);
    return;
  }
  p->bDataReceived = TRUE;
  int comparisons = 0;
  U16 entry;
  while (L_QUEUE_Get(queue, &entry) == 0) {
    if (T_NMEA_bFrameEntry(p, entry) && ++comparisons == NMEA_COMPARISONS_PER_CALL) {
      // The mailbox and the tick get their turn; the rest is not forgotten.
      if (L_QUEUE_Inquire(queue) > 0) L_SEMA_Signal(p->pSerialInfo->semaRx);
      return;
    }
  }
}
