// The almanac: the low-precision solar position of the astronomical almanac
// for sunrise, sunset and civil twilight, and a mean synodic month for the
// moon's phases. Every time is built and read in UTC, so the host's own time
// zone never enters a result.

#include "astro.h"

#include <math.h>
#include <stdio.h>
#include <string.h>

static const double PI = 3.14159265358979323846;
static const double DEG = PI / 180.0;
// Altitude of the sun's centre at rise and set (refraction and radius), and
// at the end of civil twilight.
static const double ASTRO_RISE_ALTITUDE = -0.8333 * DEG;
static const double ASTRO_TWILIGHT_ALTITUDE = -6.0 * DEG;
static const double ASTRO_SYNODIC_DAYS = 29.530588861;
static const double ASTRO_SYNODIC_SECONDS = 2551442.8775904;
// Days from the day-number origin (0h) to a mean new moon.
static const double ASTRO_NEW_MOON_EPOCH = 5.59766;

CAstroInfo::CAstroInfo(double dLatitude, double dLongitude) {
  memset(static_cast<void*>(this), 0, sizeof *this);
  m_dLatitude = dLatitude;
  m_dLongitude = dLongitude;
  m_eQuadrum = AstroQuadrumNewMoon;
  m_u32ValidityFlags = ASTRO_CONSTRUCTED;
}

double CAstroInfo::dAngleInRange(double x) {
  double r = fmod(x, 2 * PI);
  if (r < 0) r += 2 * PI;
  return r;
}

double CAstroInfo::dConvertDaysToJ2000(U32 u32Year, U32 u32Month, U32 u32Day, double dHours) {
  const S32 y = (S32)u32Year, m = (S32)u32Month, D = (S32)u32Day;
  const S32 dayNumber = 367 * y - (7 * (y + (m + 9) / 12)) / 4 + (275 * m) / 9 + D;
  return dayNumber - 730531.5 + dHours / 24.0;
}

double CAstroInfo::dGetSunEclipticLongitude(double d) {
  m_dMeanLongitude = dAngleInRange((280.461 + 0.9856474 * d) * DEG);
  m_dMeanAnomaly = dAngleInRange((357.528 + 0.9856003 * d) * DEG);
  const double g = m_dMeanAnomaly;
  return dAngleInRange(m_dMeanLongitude + 1.915 * DEG * sin(g) + 0.020 * DEG * sin(2 * g));
}

// The hour angle at which the sun's centre stands at altitude h0: π when it
// stays above all day, NaN when it never reaches it.
static double ASTRO_dHourAngle(double dLatitude, double dDeclination, double h0) {
  const double phi = dLatitude * DEG;
  const double c = (sin(h0) - sin(phi) * sin(dDeclination)) / (cos(phi) * cos(dDeclination));
  if (c < -1.0) return PI;
  if (c > 1.0) return NAN;
  return acos(c);
}

double CAstroInfo::dHourAngle(double dLatitude, double dDeclination) {
  return ASTRO_dHourAngle(dLatitude, dDeclination, ASTRO_RISE_ALTITUDE);
}

double CAstroInfo::dTwilightHourAngle(double dLatitude, double dDeclination) {
  return ASTRO_dHourAngle(dLatitude, dDeclination, ASTRO_TWILIGHT_ALTITUDE);
}

// The sun at day number dd: its declination, and the UTC hour of its transit
// over the longitude on that day.
static void ASTRO_vSunAt(CAstroInfo* p, double dd, double* pdDeclination, double* pdTransit) {
  const double lambda = p->dGetSunEclipticLongitude(dd);
  const double epsilon = (23.439 - 4e-7 * dd) * DEG;
  const double alpha = CAstroInfo::dAngleInRange(atan2(cos(epsilon) * sin(lambda), cos(lambda)));
  *pdDeclination = asin(sin(epsilon) * sin(lambda));
  const double L = p->m_dMeanLongitude;
  const double k = L < PI ? L - alpha + 2 * PI : L - alpha;
  double E = 24.0 * (1.0 - k / (2 * PI));
  // The equation of time is a few minutes; k carries whole turns with it.
  E -= 24.0 * floor(E / 24.0 + 0.5);
  *pdTransit = 12.0 - p->m_dLongitude / 15.0 + E;
}

// The UTC hour of the event at altitude h0 on day d, before (sign -1) or
// after (sign +1) the transit: first with the sun of the place's noon, then
// once more with the sun of that first answer, since far from Greenwich and
// near an equinox the declination moves enough within the day to matter.
// NaN when the sun never reaches that altitude.
static double ASTRO_dEvent(CAstroInfo* p, double d, double h0Degrees, double sign) {
  double delta = 0, transit = 0;
  // The solar terms count days from J2000.0, noon; d counts from 0h.
  const double j2000 = d - 0.5;
  ASTRO_vSunAt(p, j2000 + (12.0 - p->m_dLongitude / 15.0) / 24.0, &delta, &transit);
  auto hours = [&](void) {
    const double H = h0Degrees > -1.0 ? CAstroInfo::dHourAngle(p->m_dLatitude, delta)
                                      : CAstroInfo::dTwilightHourAngle(p->m_dLatitude, delta);
    return transit + sign * H * 12.0 / PI;
  };
  const double first = hours();
  if (isnan(first)) return first;
  ASTRO_vSunAt(p, j2000 + first / 24.0, &delta, &transit);
  return hours();
}

bool CAstroInfo::bCalculateAlmanc(bool bTomorrow, double& d, double& dRise, double& dSet, double& dMorningTwilight,
                                  double& dEveningTwilight) {
  const S32 y = (S32)(bTomorrow ? m_u32YearTomorrow : m_u32Year);
  const S32 m = (S32)(bTomorrow ? m_u32MonthTomorrow : m_u32Month);
  const S32 D = (S32)(bTomorrow ? m_u32DayTomorrow : m_u32Day);
  d = 367 * y - (7 * (y + (m + 9) / 12)) / 4 + (275 * m) / 9 + D - 730531;
  dRise = m_dTimezone + ASTRO_dEvent(this, d, ASTRO_RISE_ALTITUDE / DEG, -1.0);
  dSet = m_dTimezone + ASTRO_dEvent(this, d, ASTRO_RISE_ALTITUDE / DEG, 1.0);
  dMorningTwilight = m_dTimezone + ASTRO_dEvent(this, d, ASTRO_TWILIGHT_ALTITUDE / DEG, -1.0);
  dEveningTwilight = m_dTimezone + ASTRO_dEvent(this, d, ASTRO_TWILIGHT_ALTITUDE / DEG, 1.0);
  if (dRise > 24.0) dRise -= 24.0;
  if (dSet > 24.0) dSet -= 24.0;
  return true;
}

bool CAstroInfo::bConvertHoursAndMinutesFromDouble(double dHours, U32 u32Year, U32 u32Month, U32 u32Day, U32& u32H,
                                                   U32& u32M, U32& u32S) {
  u32H = u32M = u32S = 0;
  if (!isfinite(dHours) || fabs(dHours) > 1000.0) return false;
  const double whole = floor(dHours);
  const double minutes = (dHours - whole) * 60.0;
  const double seconds = (minutes - floor(minutes)) * 60.0;
  struct tm t = {};
  t.tm_year = (int)u32Year - 1900;
  t.tm_mon = (int)u32Month - 1;
  t.tm_mday = (int)u32Day;
  t.tm_hour = (int)whole;
  t.tm_min = (int)floor(minutes);
  t.tm_sec = (int)floor(seconds);
  const time_t when = timegm(&t);
  struct tm back = {};
  if (when == (time_t)-1 || gmtime_r(&when, &back) == nullptr) return false;
  u32H = (U32)back.tm_hour;
  u32M = (U32)back.tm_min;
  u32S = (U32)back.tm_sec;
  return true;
}

void CAstroInfo::vSetTomorrowDate(void) {
  static const U32 s_au32Days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  U32 y = m_u32Year, m = m_u32Month, d = m_u32Day + 1;
  const bool bLeap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  const U32 length = m == 2 && bLeap ? 29 : (m >= 1 && m <= 12 ? s_au32Days[m - 1] : 31);
  if (d > length) {
    d = 1;
    if (++m > 12) {
      m = 1;
      y++;
    }
  }
  m_u32YearTomorrow = y;
  m_u32MonthTomorrow = m;
  m_u32DayTomorrow = d;
  m_u32ValidityFlags |= ASTRO_TOMORROW;
}

static void ASTRO_vStore(CAstroInfo* p, double dHours, U32 y, U32 m, U32 d, U32& h, U32& mi, U32& s, U32 u32Flag) {
  if (p->bConvertHoursAndMinutesFromDouble(dHours, y, m, d, h, mi, s)) {
    p->m_u32ValidityFlags |= u32Flag;
  } else {
    p->m_u32ValidityFlags &= ~u32Flag;
  }
}

bool CAstroInfo::bCalculateAlmanacToday(void) {
  double d = 0, rise = 0, set = 0, morning = 0, evening = 0;
  bCalculateAlmanc(false, d, rise, set, morning, evening);
  const U32 y = m_u32Year, m = m_u32Month, D = m_u32Day;
  ASTRO_vStore(this, rise, y, m, D, m_u32SunriseHours, m_u32SunriseMinutes, m_u32SunriseSeconds, ASTRO_SUNRISE);
  ASTRO_vStore(this, set, y, m, D, m_u32SunsetHours, m_u32SunsetMinutes, m_u32SunsetSeconds, ASTRO_SUNSET);
  ASTRO_vStore(this, morning, y, m, D, m_u32MorningTwilightHours, m_u32MorningTwilightMinutes,
               m_u32MorningTwilightSeconds, ASTRO_MORNING_TWILIGHT);
  ASTRO_vStore(this, evening, y, m, D, m_u32EveningTwilightHours, m_u32EveningTwilightMinutes,
               m_u32EveningTwilightSeconds, ASTRO_EVENING_TWILIGHT);
  vCalculateMoonPhase(d);
  return true;
}

bool CAstroInfo::bCalculateAlmanacTomorrow(void) {
  double d = 0, rise = 0, set = 0, morning = 0, evening = 0;
  bCalculateAlmanc(true, d, rise, set, morning, evening);
  const U32 y = m_u32YearTomorrow, m = m_u32MonthTomorrow, D = m_u32DayTomorrow;
  ASTRO_vStore(this, rise, y, m, D, m_u32SunriseTomorrowHours, m_u32SunriseTomorrowMinutes,
               m_u32SunriseTomorrowSeconds, ASTRO_SUNRISE_TOMORROW);
  ASTRO_vStore(this, set, y, m, D, m_u32SunsetTomorrowHours, m_u32SunsetTomorrowMinutes, m_u32SunsetTomorrowSeconds,
               ASTRO_SUNSET_TOMORROW);
  return true;
}

bool CAstroInfo::bCalculateAlmanac(U32 u32Year, U32 u32Month, U32 u32Day, double dTimezone) {
  m_u32Year = u32Year;
  m_u32Month = u32Month;
  m_u32Day = u32Day;
  m_dTimezone = dTimezone;
  m_u32ValidityFlags |= ASTRO_DATE;
  vSetTomorrowDate();
  bCalculateAlmanacToday();
  return bCalculateAlmanacTomorrow();
}

static void ASTRO_vDateAfter(time_t t0, double dFraction, U32& y, U32& m, U32& d) {
  const time_t when = t0 + (time_t)(dFraction * ASTRO_SYNODIC_SECONDS);
  struct tm t = {};
  gmtime_r(&when, &t);
  y = (U32)t.tm_year + 1900;
  m = (U32)t.tm_mon + 1;
  d = (U32)t.tm_mday;
}

void CAstroInfo::vCalculateMoonPhase(double d) {
  GTIME t0 = {};
  GTIME_bMakeDate(&t0, m_u32Year, m_u32Month, m_u32Day, TRUE);
  double f = (d - ASTRO_NEW_MOON_EPOCH) / ASTRO_SYNODIC_DAYS;
  f -= floor(f);
  m_dMoonPhase = 2 * f - 1;
  m_dMoonPhaseAngle = 180.0 * m_dMoonPhase;
  m_dMoonPercentIlluminated = 50.0 + 50.0 * cos(m_dMoonPhaseAngle * DEG);
  m_bMoonWaxing = m_dMoonPhaseAngle < 0;
  m_u32ValidityFlags |= ASTRO_MOON_PHASE;
  const double phase = m_dMoonPhase;
  const struct {
    double dFraction;
    U32 *py, *pm, *pd;
    U32 u32Flag;
  } events[] = {
      {(1 - phase) / 2, &m_u32NextNewMoon_u32Year, &m_u32NextNewMoon_u32Month, &m_u32NextNewMoon_u32Day,
       ASTRO_NEW_MOON},
      {(-0.5 - phase) / 2, &m_u32NextFirstQuarterMoon_u32Year, &m_u32NextFirstQuarterMoon_u32Month,
       &m_u32NextFirstQuarterMoon_u32Day, ASTRO_FIRST_QUARTER},
      {(-phase) / 2, &m_u32NextFullMoon_u32Year, &m_u32NextFullMoon_u32Month, &m_u32NextFullMoon_u32Day,
       ASTRO_FULL_MOON},
      {(0.5 - phase) / 2, &m_u32NextLastQuarterMoon_u32Year, &m_u32NextLastQuarterMoon_u32Month,
       &m_u32NextLastQuarterMoon_u32Day, ASTRO_LAST_QUARTER},
  };
  for (const auto& e : events) {
    ASTRO_vDateAfter(t0.tv_sec, e.dFraction < 0 ? e.dFraction + 1 : e.dFraction, *e.py, *e.pm, *e.pd);
    m_u32ValidityFlags |= e.u32Flag;
  }
  if (m_bMoonWaxing) {
    m_eQuadrum = m_dMoonPercentIlluminated > 50 ? AstroQuadrumWaxingGibbous : AstroQuadrumWaxingCrescent;
  } else {
    m_eQuadrum = m_dMoonPercentIlluminated > 50 ? AstroQuadrumWaningGibbous : AstroQuadrumWaningCrescent;
  }
  auto today = [this](U32 mo, U32 da) { return mo == m_u32Month && da == m_u32Day; };
  if (today(m_u32NextNewMoon_u32Month, m_u32NextNewMoon_u32Day)) {
    m_eQuadrum = AstroQuadrumNewMoon;
  } else if (today(m_u32NextFirstQuarterMoon_u32Month, m_u32NextFirstQuarterMoon_u32Day)) {
    m_eQuadrum = AstroQuadrumFirstQuarter;
  } else if (today(m_u32NextFullMoon_u32Month, m_u32NextFullMoon_u32Day)) {
    m_eQuadrum = AstroQuadrumFullMoon;
  } else if (today(m_u32NextLastQuarterMoon_u32Month, m_u32NextLastQuarterMoon_u32Day)) {
    m_eQuadrum = AstroQuadrumThirdQuarter;
  }
}

void CAstroInfo::vPrint(void) {
  printf("Lat: %f\nLon: %f\nTimezone: %f\nDate: %u/%u/%u\nTomorrow: %u/%u/%u\n", m_dLatitude, m_dLongitude,
         m_dTimezone, m_u32Year, m_u32Month, m_u32Day, m_u32YearTomorrow, m_u32MonthTomorrow, m_u32DayTomorrow);
  printf("Sunrise Today:    %02u:%02u:%02u\nSunset Today:     %02u:%02u:%02u\n", m_u32SunriseHours,
         m_u32SunriseMinutes, m_u32SunriseSeconds, m_u32SunsetHours, m_u32SunsetMinutes, m_u32SunsetSeconds);
  printf("Sunrise Tomorrow: %02u:%02u:%02u\nSunset Tomorrow:  %02u:%02u:%02u\n", m_u32SunriseTomorrowHours,
         m_u32SunriseTomorrowMinutes, m_u32SunriseTomorrowSeconds, m_u32SunsetTomorrowHours,
         m_u32SunsetTomorrowMinutes, m_u32SunsetTomorrowSeconds);
  printf("Morning Twilight: %02u:%02u:%02u\nEvening Twilight: %02u:%02u:%02u\n", m_u32MorningTwilightHours,
         m_u32MorningTwilightMinutes, m_u32MorningTwilightSeconds, m_u32EveningTwilightHours,
         m_u32EveningTwilightMinutes, m_u32EveningTwilightSeconds);
  printf("New Moon:    %u/%u/%u\nFirst Quarter: %u/%u/%u\nFull Moon:   %u/%u/%u\nLast Quarter: %u/%u/%u\n",
         m_u32NextNewMoon_u32Year, m_u32NextNewMoon_u32Month, m_u32NextNewMoon_u32Day,
         m_u32NextFirstQuarterMoon_u32Year, m_u32NextFirstQuarterMoon_u32Month, m_u32NextFirstQuarterMoon_u32Day,
         m_u32NextFullMoon_u32Year, m_u32NextFullMoon_u32Month, m_u32NextFullMoon_u32Day,
         m_u32NextLastQuarterMoon_u32Year, m_u32NextLastQuarterMoon_u32Month, m_u32NextLastQuarterMoon_u32Day);
  printf("Phase: %f\nPhase Angle: %f\nIlluminated: %f\nWaxing: %d\nQuadrum: %u\nFlags: 0x%x\n", m_dMoonPhase,
         m_dMoonPhaseAngle, m_dMoonPercentIlluminated, m_bMoonWaxing ? 1 : 0, (U32)m_eQuadrum, m_u32ValidityFlags);
}

// ---------------------------------------------------------------------------
// The shared instance

static CAstroInfo* s_pAstroInfo = nullptr;

static void ASTRO_vEnsure(double dLatitude, double dLongitude, U32 y, U32 m, U32 d, double dTimezone) {
  if (s_pAstroInfo != nullptr) return;
  s_pAstroInfo = new CAstroInfo(dLatitude, dLongitude);
  s_pAstroInfo->bCalculateAlmanac(y, m, d, dTimezone);
}

BOOLEAN ASTRO_bGetSunriseSunsetTimes(double dLatitude, double dLongitude, U32 u32Year, U32 u32Month, U32 u32Day,
                                     double dTimezone, U32* pu32SunriseHour, U32* pu32SunriseMinute,
                                     U32* pu32SunsetHour, U32* pu32SunsetMinute, U32* pu32SunriseTomorrowHour,
                                     U32* pu32SunriseTomorrowMinute) {
  if (s_pAstroInfo != nullptr &&
      (s_pAstroInfo->m_dLatitude != dLatitude || s_pAstroInfo->m_dLongitude != dLongitude)) {
    delete s_pAstroInfo;
    s_pAstroInfo = nullptr;
  }
  if (s_pAstroInfo == nullptr) s_pAstroInfo = new CAstroInfo(dLatitude, dLongitude);
  CAstroInfo* p = s_pAstroInfo;
  p->bCalculateAlmanac(u32Year, u32Month, u32Day, dTimezone);
  const U32 needed = ASTRO_SUNRISE | ASTRO_SUNSET;
  if ((p->m_u32ValidityFlags & needed) != needed) return FALSE;
  *pu32SunriseHour = p->m_u32SunriseHours;
  *pu32SunriseMinute = p->m_u32SunriseMinutes;
  *pu32SunsetHour = p->m_u32SunsetHours;
  *pu32SunsetMinute = p->m_u32SunsetMinutes;
  *pu32SunriseTomorrowHour = p->m_u32SunriseTomorrowHours;
  *pu32SunriseTomorrowMinute = p->m_u32SunriseTomorrowMinutes;
  return TRUE;
}

BOOLEAN ASTRO_bGetMoonPhaseDates(double dLatitude, double dLongitude, U32 u32Year, U32 u32Month, U32 u32Day,
                                 double dTimezone, U32* pu32NewMonth, U32* pu32NewDay, U32* pu32FullMonth,
                                 U32* pu32FullDay, U32* pu32FirstMonth, U32* pu32FirstDay, U32* pu32LastMonth,
                                 U32* pu32LastDay) {
  ASTRO_vEnsure(dLatitude, dLongitude, u32Year, u32Month, u32Day, dTimezone);
  const CAstroInfo* p = s_pAstroInfo;
  *pu32NewMonth = p->m_u32NextNewMoon_u32Month;
  *pu32NewDay = p->m_u32NextNewMoon_u32Day;
  *pu32FullMonth = p->m_u32NextFullMoon_u32Month;
  *pu32FullDay = p->m_u32NextFullMoon_u32Day;
  *pu32FirstMonth = p->m_u32NextFirstQuarterMoon_u32Month;
  *pu32FirstDay = p->m_u32NextFirstQuarterMoon_u32Day;
  *pu32LastMonth = p->m_u32NextLastQuarterMoon_u32Month;
  *pu32LastDay = p->m_u32NextLastQuarterMoon_u32Day;
  return TRUE;
}

BOOLEAN ASTRO_bGetNextMoonPhase(double dLatitude, double dLongitude, U32 u32Year, U32 u32Month, U32 u32Day,
                                double dTimezone, U32* pu32Phase, U32* pu32Month, U32* pu32Day) {
  ASTRO_vEnsure(dLatitude, dLongitude, u32Year, u32Month, u32Day, dTimezone);
  const CAstroInfo* p = s_pAstroInfo;
  switch (p->m_eQuadrum) {
    case AstroQuadrumNewMoon:
    case AstroQuadrumWaxingCrescent:
      *pu32Phase = AstroQuadrumFirstQuarter;
      *pu32Month = p->m_u32NextFirstQuarterMoon_u32Month;
      *pu32Day = p->m_u32NextFirstQuarterMoon_u32Day;
      break;
    case AstroQuadrumFirstQuarter:
    case AstroQuadrumWaxingGibbous:
      *pu32Phase = AstroQuadrumFullMoon;
      *pu32Month = p->m_u32NextFullMoon_u32Month;
      *pu32Day = p->m_u32NextFullMoon_u32Day;
      break;
    case AstroQuadrumFullMoon:
    case AstroQuadrumWaningGibbous:
      *pu32Phase = AstroQuadrumThirdQuarter;
      *pu32Month = p->m_u32NextLastQuarterMoon_u32Month;
      *pu32Day = p->m_u32NextLastQuarterMoon_u32Day;
      break;
    case AstroQuadrumThirdQuarter:
    case AstroQuadrumWaningCrescent:
      *pu32Phase = AstroQuadrumNewMoon;
      *pu32Month = p->m_u32NextNewMoon_u32Month;
      *pu32Day = p->m_u32NextNewMoon_u32Day;
      break;
  }
  return TRUE;
}

BOOLEAN ASTRO_bGetDateTomorrow(U32* pu32Day, U32* pu32Month, U32* pu32Year) {
  if (s_pAstroInfo == nullptr) return FALSE;
  *pu32Day = s_pAstroInfo->m_u32DayTomorrow;
  *pu32Month = s_pAstroInfo->m_u32MonthTomorrow;
  *pu32Year = s_pAstroInfo->m_u32YearTomorrow;
  return TRUE;
}

// ---------------------------------------------------------------------------
// Time values

constexpr long GTIME_NS = 1000000000L;

BOOLEAN GTIME_bInitTime(GTIME* pTime, U32 u32Milliseconds) {
  pTime->tv_sec = u32Milliseconds / 1000;
  pTime->tv_nsec = (long)(u32Milliseconds % 1000) * 1000000L;
  return TRUE;
}

BOOLEAN GTIME_bMakeTime(GTIME* pTime, U32 u32Hours, U32 u32Minutes, U32 u32Seconds, U32 u32Milliseconds) {
  pTime->tv_sec = (time_t)u32Seconds + ((time_t)u32Minutes + (time_t)u32Hours * 60) * 60 + u32Milliseconds / 1000;
  pTime->tv_nsec = (long)(u32Milliseconds % 1000) * 1000000L;
  return TRUE;
}

BOOLEAN GTIME_bMakeDate(GTIME* pTime, U32 u32Year, U32 u32Month, U32 u32Day, BOOLEAN bUTC) {
  struct tm t = {};
  t.tm_year = (int)u32Year - 1900;
  t.tm_mon = (int)u32Month - 1;
  t.tm_mday = (int)u32Day;
  t.tm_isdst = -1;
  const time_t when = bUTC ? timegm(&t) : mktime(&t);
  if (when == (time_t)-1) return FALSE;
  pTime->tv_sec = when;
  pTime->tv_nsec = 0;
  return TRUE;
}

BOOLEAN GTIME_bGetTime(GTIME* pTime) { return clock_gettime(CLOCK_REALTIME, pTime) == 0; }

int GTIME_nCompareTime(const GTIME* a, const GTIME* b) {
  if (a->tv_sec != b->tv_sec) return a->tv_sec > b->tv_sec ? 1 : -1;
  if (a->tv_nsec != b->tv_nsec) return a->tv_nsec > b->tv_nsec ? 1 : -1;
  return 0;
}

BOOLEAN GTIME_bAddTime(const GTIME* a, const GTIME* b, GTIME* pResult) {
  pResult->tv_sec = a->tv_sec + b->tv_sec;
  pResult->tv_nsec = a->tv_nsec + b->tv_nsec;
  if (pResult->tv_nsec >= GTIME_NS) {
    pResult->tv_nsec -= GTIME_NS;
    pResult->tv_sec++;
  }
  return TRUE;
}

BOOLEAN GTIME_bSubTime(const GTIME* a, const GTIME* b, GTIME* pResult) {
  pResult->tv_sec = a->tv_sec - b->tv_sec;
  pResult->tv_nsec = a->tv_nsec - b->tv_nsec;
  if (pResult->tv_sec > 0 && pResult->tv_nsec < 0) {
    pResult->tv_nsec += GTIME_NS;
    pResult->tv_sec--;
  } else if (pResult->tv_sec < 0 && pResult->tv_nsec > 0) {
    pResult->tv_nsec -= GTIME_NS;
    pResult->tv_sec++;
  }
  return TRUE;
}

BOOLEAN GTIME_bAbsTime(GTIME* pTime) {
  if (pTime->tv_sec < 0) pTime->tv_sec = -pTime->tv_sec;
  if (pTime->tv_nsec < 0) pTime->tv_nsec = -pTime->tv_nsec;
  return TRUE;
}
