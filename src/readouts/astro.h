// The sun and moon almanac behind the ice readouts: sunrise, sunset and civil
// twilight for a position and date, and the dates of the next moon phases.
// Low-precision solar position and a mean synodic month; all in UTC.
#pragma once

#include <time.h>

#include "basetypes.h"

enum AstroQuadrum : U32 {
  AstroQuadrumNewMoon = 1,
  AstroQuadrumWaxingCrescent = 2,
  AstroQuadrumFirstQuarter = 3,
  AstroQuadrumWaxingGibbous = 4,
  AstroQuadrumFullMoon = 5,
  AstroQuadrumWaningGibbous = 6,
  AstroQuadrumThirdQuarter = 7,
  AstroQuadrumWaningCrescent = 8,
};

// Validity bits of CAstroInfo::m_u32ValidityFlags.
constexpr U32 ASTRO_CONSTRUCTED = 0x1, ASTRO_DATE = 0x2, ASTRO_TOMORROW = 0x4, ASTRO_SUNRISE = 0x8,
              ASTRO_SUNSET = 0x10, ASTRO_SUNRISE_TOMORROW = 0x20, ASTRO_SUNSET_TOMORROW = 0x40,
              ASTRO_MORNING_TWILIGHT = 0x200, ASTRO_EVENING_TWILIGHT = 0x400, ASTRO_NEW_MOON = 0x800,
              ASTRO_FIRST_QUARTER = 0x1000, ASTRO_FULL_MOON = 0x2000, ASTRO_LAST_QUARTER = 0x4000,
              ASTRO_MOON_PHASE = 0x8000;

class CAstroInfo {
 public:
  CAstroInfo(double dLatitude, double dLongitude);
  bool bCalculateAlmanac(U32 u32Year, U32 u32Month, U32 u32Day, double dTimezone);
  void vSetTomorrowDate(void);
  bool bCalculateAlmanacToday(void);
  bool bCalculateAlmanacTomorrow(void);
  // Rise, set and the two twilights in decimal hours for today's or
  // tomorrow's date; d receives the day number. Without a rise or set (the
  // sun stays below the horizon all day) rise and set are NaN, and so is a
  // twilight that never comes.
  bool bCalculateAlmanc(bool bTomorrow, double& d, double& dRise, double& dSet, double& dMorningTwilight,
                        double& dEveningTwilight);
  double dGetSunEclipticLongitude(double d);
  void vCalculateMoonPhase(double d);
  static double dConvertDaysToJ2000(U32 u32Year, U32 u32Month, U32 u32Day, double dHours);
  static double dAngleInRange(double x);
  static double dHourAngle(double dLatitude, double dDeclination);
  static double dTwilightHourAngle(double dLatitude, double dDeclination);
  bool bConvertHoursAndMinutesFromDouble(double dHours, U32 u32Year, U32 u32Month, U32 u32Day, U32& u32H, U32& u32M,
                                         U32& u32S);
  void vPrint(void);

  double m_dLatitude, m_dLongitude;
  double m_dTimezone;
  U32 m_u32Year, m_u32Month, m_u32Day;
  U32 m_u32YearTomorrow, m_u32MonthTomorrow, m_u32DayTomorrow;
  U32 m_u32SunriseHours, m_u32SunriseMinutes, m_u32SunriseSeconds;
  U32 m_u32SunsetHours, m_u32SunsetMinutes, m_u32SunsetSeconds;
  U32 m_u32SunriseTomorrowHours, m_u32SunriseTomorrowMinutes, m_u32SunriseTomorrowSeconds;
  U32 m_u32SunsetTomorrowHours, m_u32SunsetTomorrowMinutes, m_u32SunsetTomorrowSeconds;
  U32 m_u32MoonriseHours, m_u32MoonriseMinutes, m_u32MoonriseSeconds;
  U32 m_u32MoonsetHours, m_u32MoonsetMinutes, m_u32MoonsetSeconds;
  U32 m_u32MorningTwilightHours, m_u32MorningTwilightMinutes, m_u32MorningTwilightSeconds;
  U32 m_u32EveningTwilightHours, m_u32EveningTwilightMinutes, m_u32EveningTwilightSeconds;
  U32 m_u32NextNewMoon_u32Year, m_u32NextNewMoon_u32Month, m_u32NextNewMoon_u32Day;
  U32 m_u32NextFirstQuarterMoon_u32Year, m_u32NextFirstQuarterMoon_u32Month, m_u32NextFirstQuarterMoon_u32Day;
  U32 m_u32NextFullMoon_u32Year, m_u32NextFullMoon_u32Month, m_u32NextFullMoon_u32Day;
  U32 m_u32NextLastQuarterMoon_u32Year, m_u32NextLastQuarterMoon_u32Month, m_u32NextLastQuarterMoon_u32Day;
  double m_dMoonPhase;
  double m_dMoonPhaseAngle;
  double m_dMoonPercentIlluminated;
  bool m_bMoonWaxing;
  AstroQuadrum m_eQuadrum;
  U32 m_u32ValidityFlags;
  double m_dMeanLongitude, m_dMeanAnomaly;
};

// Today's sunrise and sunset and tomorrow's sunrise (hours and minutes, in
// the time zone dTimezone hours from UTC). FALSE, the outputs untouched, when
// the sun does not rise that day.
BOOLEAN ASTRO_bGetSunriseSunsetTimes(double dLatitude, double dLongitude, U32 u32Year, U32 u32Month, U32 u32Day,
                                     double dTimezone, U32* pu32SunriseHour, U32* pu32SunriseMinute,
                                     U32* pu32SunsetHour, U32* pu32SunsetMinute, U32* pu32SunriseTomorrowHour,
                                     U32* pu32SunriseTomorrowMinute);
// Month and day of the next new moon, full moon, first and last quarter of
// the last computation (made here only when none was made before).
BOOLEAN ASTRO_bGetMoonPhaseDates(double dLatitude, double dLongitude, U32 u32Year, U32 u32Month, U32 u32Day,
                                 double dTimezone, U32* pu32NewMonth, U32* pu32NewDay, U32* pu32FullMonth,
                                 U32* pu32FullDay, U32* pu32FirstMonth, U32* pu32FirstDay, U32* pu32LastMonth,
                                 U32* pu32LastDay);
// The phase that comes next (an AstroQuadrum value) and its month and day.
BOOLEAN ASTRO_bGetNextMoonPhase(double dLatitude, double dLongitude, U32 u32Year, U32 u32Month, U32 u32Day,
                                double dTimezone, U32* pu32Phase, U32* pu32Month, U32* pu32Day);
// The day after the last computation's date; FALSE before any computation.
BOOLEAN ASTRO_bGetDateTomorrow(U32* pu32Day, U32* pu32Month, U32* pu32Year);

// The POSIX timespec the almanac's time functions work on.
typedef struct timespec GTIME;
BOOLEAN GTIME_bInitTime(GTIME* pTime, U32 u32Milliseconds);
BOOLEAN GTIME_bMakeTime(GTIME* pTime, U32 u32Hours, U32 u32Minutes, U32 u32Seconds, U32 u32Milliseconds);
// Midnight of the date, in UTC with bUTC, else in the host's time zone.
BOOLEAN GTIME_bMakeDate(GTIME* pTime, U32 u32Year, U32 u32Month, U32 u32Day, BOOLEAN bUTC);
BOOLEAN GTIME_bGetTime(GTIME* pTime);
int GTIME_nCompareTime(const GTIME* a, const GTIME* b);
BOOLEAN GTIME_bAddTime(const GTIME* a, const GTIME* b, GTIME* pResult);
BOOLEAN GTIME_bSubTime(const GTIME* a, const GTIME* b, GTIME* pResult);
BOOLEAN GTIME_bAbsTime(GTIME* pTime);
