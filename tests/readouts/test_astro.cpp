// The almanac against two independent implementations: libnova (full solar
// theory, iterated at the event) and PyEphem, over a grid of latitudes,
// longitudes and dates; plus its calendar and its polar cases.

#include <gtest/gtest.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "astro.h"

#if VELMORA_ASTRO_LIBNOVA
#include <libnova/lunar.h>
#include <libnova/solar.h>
#endif

namespace {

struct PLACE_DAY {
  double lat, lon;
  U32 y, m, d;
};

// An event of the almanac as a POSIX time: its hours counted from 0h UTC of
// the date it was computed for.
double At(U32 y, U32 m, U32 d, double hours) {
  struct tm t = {};
  t.tm_year = (int)y - 1900;
  t.tm_mon = (int)m - 1;
  t.tm_mday = (int)d;
  return (double)timegm(&t) + hours * 3600.0;
}

struct EVENTS {
  double rise, set, dawn, dusk;  // POSIX times
};

EVENTS Ours(const PLACE_DAY& p) {
  CAstroInfo a(p.lat, p.lon);
  a.bCalculateAlmanac(p.y, p.m, p.d, 0.0);
  double dn = 0, rise = 0, set = 0, dawn = 0, dusk = 0;
  a.bCalculateAlmanc(false, dn, rise, set, dawn, dusk);
  // A set past midnight UTC is given as a time of that date: the event
  // itself comes a day later, after the day's rise.
  if (set < rise) set += 24.0;
  return {At(p.y, p.m, p.d, rise), At(p.y, p.m, p.d, set), At(p.y, p.m, p.d, dawn), At(p.y, p.m, p.d, dusk)};
}

std::vector<PLACE_DAY> Grid(void) {
  const double lats[] = {0, 20, 40, 60, -20, -40, -60};
  const double lons[] = {-120, 0, 135};
  const U32 dates[][3] = {{2024, 1, 15}, {2024, 3, 20}, {2024, 5, 10}, {2024, 6, 21}, {2024, 9, 22}, {2025, 12, 21}};
  std::vector<PLACE_DAY> grid;
  for (double lat : lats) {
    for (double lon : lons) {
      for (const auto& d : dates) grid.push_back({lat, lon, d[0], d[1], d[2]});
    }
  }
  return grid;
}

double Minutes(double a, double b) { return fabs(a - b) / 60.0; }

// Days between two calendar dates.
double DaysApart(U32 y1, U32 m1, U32 d1, U32 y2, U32 m2, U32 d2) {
  return fabs(At(y1, m1, d1, 0) - At(y2, m2, d2, 0)) / 86400.0;
}

TEST(Almanac, TheEquinoxAtFortyNorthHasItsKnownTimes) {
  CAstroInfo a(40.0, 0.0);
  ASSERT_TRUE(a.bCalculateAlmanac(2024, 3, 20, 0.0));
  const U32 rise = a.m_u32SunriseHours * 60 + a.m_u32SunriseMinutes;
  const U32 set = a.m_u32SunsetHours * 60 + a.m_u32SunsetMinutes;
  EXPECT_GE(rise, 6u * 60 + 2);
  EXPECT_LE(rise, 6u * 60 + 4);
  EXPECT_GE(set, 18u * 60 + 11);
  EXPECT_LE(set, 18u * 60 + 13);
  const U32 dawn = a.m_u32MorningTwilightHours * 60 + a.m_u32MorningTwilightMinutes;
  const U32 dusk = a.m_u32EveningTwilightHours * 60 + a.m_u32EveningTwilightMinutes;
  EXPECT_NEAR(27.0, (double)(rise - dawn), 1.5);
  EXPECT_NEAR(27.0, (double)(dusk - set), 1.5);
  // The full moon of 25 March is found from five days before.
  EXPECT_EQ(3u, a.m_u32NextFullMoon_u32Month);
  EXPECT_EQ(25u, a.m_u32NextFullMoon_u32Day);
}

TEST(Almanac, TomorrowFollowsTheGregorianCalendar) {
  const struct {
    U32 y, m, d, ty, tm, td;
  } rows[] = {{2100, 2, 28, 2100, 3, 1}, {2400, 2, 28, 2400, 2, 29}, {2024, 12, 31, 2025, 1, 1},
              {2024, 2, 28, 2024, 2, 29}, {2023, 2, 28, 2023, 3, 1},   {2024, 4, 30, 2024, 5, 1}};
  for (const auto& r : rows) {
    CAstroInfo a(0, 0);
    a.bCalculateAlmanac(r.y, r.m, r.d, 0.0);
    EXPECT_EQ((std::vector<U32>{r.ty, r.tm, r.td}),
              (std::vector<U32>{a.m_u32YearTomorrow, a.m_u32MonthTomorrow, a.m_u32DayTomorrow}))
        << r.y << "-" << r.m << "-" << r.d;
  }
}

TEST(Almanac, MidnightSunHasAFullDayAndPolarNightNoSunriseAtAll) {
  CAstroInfo summer(80.0, 0.0);
  summer.bCalculateAlmanac(2024, 6, 21, 0.0);
  double dn = 0, rise = 0, set = 0, dawn = 0, dusk = 0;
  summer.bCalculateAlmanc(false, dn, rise, set, dawn, dusk);
  EXPECT_NEAR(0.0, fmod(set - rise + 48.0 + 0.5, 24.0) - 0.5, 0.01);  // 12 hours either side of noon
  U32 h[6] = {};
  EXPECT_TRUE(ASTRO_bGetSunriseSunsetTimes(80.0, 0.0, 2024, 6, 21, 0.0, &h[0], &h[1], &h[2], &h[3], &h[4], &h[5]));
  U32 untouched[6] = {99, 99, 99, 99, 99, 99};
  EXPECT_FALSE(ASTRO_bGetSunriseSunsetTimes(80.0, 0.0, 2024, 12, 21, 0.0, &untouched[0], &untouched[1],
                                            &untouched[2], &untouched[3], &untouched[4], &untouched[5]));
  EXPECT_EQ(99u, untouched[0]);
}

TEST(Almanac, ResultsDoNotDependOnTheHostTimeZone) {
  const char* saved = getenv("TZ");
  std::vector<U32> seen[2];
  const char* zones[] = {"UTC", "Pacific/Chatham"};
  for (int z = 0; z < 2; z++) {
    setenv("TZ", zones[z], 1);
    tzset();
    CAstroInfo a(-37.0, 174.0);
    a.bCalculateAlmanac(2024, 12, 31, 13.0);
    seen[z] = {a.m_u32SunriseHours, a.m_u32SunriseMinutes, a.m_u32SunsetHours, a.m_u32SunsetMinutes,
               a.m_u32NextNewMoon_u32Month, a.m_u32NextNewMoon_u32Day, a.m_u32DayTomorrow, (U32)a.m_eQuadrum};
  }
  if (saved != nullptr) setenv("TZ", saved, 1); else unsetenv("TZ");
  tzset();
  EXPECT_EQ(seen[0], seen[1]);
}

TEST(Almanac, TheSharedInstanceKeepsItsMoonDatesUntilThePositionChanges) {
  U32 h[6] = {};
  ASTRO_bGetSunriseSunsetTimes(10.0, 10.0, 2024, 3, 20, 0.0, &h[0], &h[1], &h[2], &h[3], &h[4], &h[5]);
  U32 first[8] = {}, later[8] = {};
  ASTRO_bGetMoonPhaseDates(10.0, 10.0, 2024, 3, 20, 0.0, &first[0], &first[1], &first[2], &first[3], &first[4],
                           &first[5], &first[6], &first[7]);
  ASTRO_bGetMoonPhaseDates(10.0, 10.0, 2024, 7, 1, 0.0, &later[0], &later[1], &later[2], &later[3], &later[4],
                           &later[5], &later[6], &later[7]);
  EXPECT_EQ(std::vector<U32>(first, first + 8), std::vector<U32>(later, later + 8));
  EXPECT_EQ((std::vector<U32>{4, 8, 3, 25}), std::vector<U32>(first, first + 4));  // new 8 April, full 25 March
  U32 phase = 0, month = 0, day = 0;
  ASTRO_bGetNextMoonPhase(10.0, 10.0, 2024, 3, 20, 0.0, &phase, &month, &day);
  EXPECT_EQ((std::vector<U32>{AstroQuadrumFullMoon, 3, 25}), (std::vector<U32>{phase, month, day}));
  U32 td = 0, tm = 0, ty = 0;
  ASSERT_TRUE(ASTRO_bGetDateTomorrow(&td, &tm, &ty));
  EXPECT_EQ((std::vector<U32>{2024, 3, 21}), (std::vector<U32>{ty, tm, td}));
  // On the day of a new moon the quadrant says so and the first quarter is next.
  CAstroInfo a(0, 0);
  a.bCalculateAlmanac(2024, 4, 8, 0.0);
  EXPECT_EQ(AstroQuadrumNewMoon, a.m_eQuadrum);
}

#if VELMORA_ASTRO_LIBNOVA
double Jd(double unixTime) { return unixTime / 86400.0 + 2440587.5; }
double Unix(double jd) { return (jd - 2440587.5) * 86400.0; }

// libnova's event of the kind nearest to t, from the days around it.
double Nova(const PLACE_DAY& p, double horizon, bool bRise, double t) {
  ln_lnlat_posn observer = {p.lon, p.lat};
  double best = NAN;
  // libnova answers with the events after the moment it is given, and
  // not always the first ones: ask from many moments around t.
  for (double k = -2; k <= 2; k += 0.25) {
    ln_rst_time rst = {};
    if (ln_get_solar_rst_horizon(Jd(t) + k, &observer, horizon, &rst) != 0) continue;
    const double e = Unix(bRise ? rst.rise : rst.set);
    if (isnan(best) || fabs(e - t) < fabs(best - t)) best = e;
  }
  return best;
}

TEST(AlmanacPeers, SunriseSunsetAndTwilightAgreeWithLibnova) {
  double worstSun = 0, worstTwilight = 0;
  for (const PLACE_DAY& p : Grid()) {
    const EVENTS e = Ours(p);
    const double sun[] = {Minutes(e.rise, Nova(p, LN_SOLAR_STANDART_HORIZON, true, e.rise)),
                          Minutes(e.set, Nova(p, LN_SOLAR_STANDART_HORIZON, false, e.set))};
    const double twilight[] = {Minutes(e.dawn, Nova(p, LN_SOLAR_CIVIL_HORIZON, true, e.dawn)),
                               Minutes(e.dusk, Nova(p, LN_SOLAR_CIVIL_HORIZON, false, e.dusk))};
    for (double m : sun) {
      EXPECT_LE(m, 2.5) << p.lat << " " << p.lon << " " << p.y << "-" << p.m << "-" << p.d;
      worstSun = fmax(worstSun, m);
    }
    for (double m : twilight) {
      EXPECT_LE(m, 3.0) << p.lat << " " << p.lon << " " << p.y << "-" << p.m << "-" << p.d;
      worstTwilight = fmax(worstTwilight, m);
    }
  }
  RecordProperty("worst_sun_minutes", std::to_string(worstSun));
  RecordProperty("worst_twilight_minutes", std::to_string(worstTwilight));
}

// The next moment after t0 at which the lit fraction passes its extreme
// (new: least, full: most) or crosses one half (waxing: first quarter).
double NovaMoon(double t0, int kind) {
  double prev = ln_get_lunar_disk(Jd(t0));
  double before = prev;
  for (double t = t0 + 1800; t < t0 + 32 * 86400.0; t += 1800) {
    const double now = ln_get_lunar_disk(Jd(t));
    const bool found = kind == 0   ? (prev < before && prev <= now)
                       : kind == 2 ? (prev > before && prev >= now)
                       : kind == 1 ? (prev < 0.5 && now >= 0.5)
                                   : (prev > 0.5 && now <= 0.5);
    if (found) return kind == 0 || kind == 2 ? t - 1800 : t;
    before = prev;
    prev = now;
  }
  return NAN;
}

TEST(AlmanacPeers, MoonPhaseDatesAgreeWithLibnovaWithinADay) {
  for (const PLACE_DAY& p : Grid()) {
    if (p.lat != 0 || p.lon != 0) continue;
    CAstroInfo a(0, 0);
    a.bCalculateAlmanac(p.y, p.m, p.d, 0.0);
    const double t0 = At(p.y, p.m, p.d, 0);
    const U32* ours[4][3] = {
        {&a.m_u32NextNewMoon_u32Year, &a.m_u32NextNewMoon_u32Month, &a.m_u32NextNewMoon_u32Day},
        {&a.m_u32NextFirstQuarterMoon_u32Year, &a.m_u32NextFirstQuarterMoon_u32Month,
         &a.m_u32NextFirstQuarterMoon_u32Day},
        {&a.m_u32NextFullMoon_u32Year, &a.m_u32NextFullMoon_u32Month, &a.m_u32NextFullMoon_u32Day},
        {&a.m_u32NextLastQuarterMoon_u32Year, &a.m_u32NextLastQuarterMoon_u32Month,
         &a.m_u32NextLastQuarterMoon_u32Day}};
    for (int kind = 0; kind < 4; kind++) {
      const double t = NovaMoon(t0, kind);
      ASSERT_FALSE(isnan(t));
      const time_t tt = (time_t)t;
      struct tm u = {};
      gmtime_r(&tt, &u);
      EXPECT_LE(DaysApart(*ours[kind][0], *ours[kind][1], *ours[kind][2], (U32)u.tm_year + 1900, (U32)u.tm_mon + 1,
                          (U32)u.tm_mday),
                1.0)
          << "phase " << kind << " from " << p.y << "-" << p.m << "-" << p.d;
    }
  }
}
#endif

TEST(AlmanacPeers, SunEventsAndMoonDatesAgreeWithPyEphem) {
  const std::string script = READOUTS_TEST_DIR "/almanac_peer.py";
  char dirTemplate[] = "/tmp/almanacXXXXXX";
  ASSERT_NE(nullptr, mkdtemp(dirTemplate));
  const std::string dir = dirTemplate;
  const std::string in = dir + "/questions", out = dir + "/answers";
  FILE* f = fopen(in.c_str(), "w");
  ASSERT_NE(nullptr, f);
  const std::vector<PLACE_DAY> grid = Grid();
  const char* kinds[] = {"rise", "set", "dawn", "dusk"};
  for (const PLACE_DAY& p : grid) {
    const EVENTS e = Ours(p);
    const double t[] = {e.rise, e.set, e.dawn, e.dusk};
    for (int k = 0; k < 4; k++) fprintf(f, "sun %s %.4f %.4f %.0f\n", kinds[k], p.lat, p.lon, t[k]);
    fprintf(f, "moon %u %u %u\n", p.y, p.m, p.d);
  }
  fclose(f);
  const std::string command = std::string(VELMORA_PYTHON_PATH) + " -c 'import ephem' 2>/dev/null";
  if (system(command.c_str()) != 0) GTEST_SKIP() << "python3-ephem is not installed";
  const std::string run = std::string(VELMORA_PYTHON_PATH) + " " + script + " < " + in + " > " + out;
  ASSERT_EQ(0, system(run.c_str()));
  FILE* a = fopen(out.c_str(), "r");
  ASSERT_NE(nullptr, a);
  for (const PLACE_DAY& p : grid) {
    const EVENTS e = Ours(p);
    const double t[] = {e.rise, e.set, e.dawn, e.dusk};
    for (int k = 0; k < 4; k++) {
      char word[64] = {};
      ASSERT_EQ(1, fscanf(a, "%63s", word));
      ASSERT_STRNE("none", word);
      EXPECT_LE(Minutes(t[k], atof(word)), k < 2 ? 2.5 : 3.0)
          << kinds[k] << " " << p.lat << " " << p.lon << " " << p.y << "-" << p.m << "-" << p.d;
    }
    CAstroInfo ours(p.lat, p.lon);
    ours.bCalculateAlmanac(p.y, p.m, p.d, 0.0);
    const U32 mine[4][3] = {
        {ours.m_u32NextNewMoon_u32Year, ours.m_u32NextNewMoon_u32Month, ours.m_u32NextNewMoon_u32Day},
        {ours.m_u32NextFirstQuarterMoon_u32Year, ours.m_u32NextFirstQuarterMoon_u32Month,
         ours.m_u32NextFirstQuarterMoon_u32Day},
        {ours.m_u32NextFullMoon_u32Year, ours.m_u32NextFullMoon_u32Month, ours.m_u32NextFullMoon_u32Day},
        {ours.m_u32NextLastQuarterMoon_u32Year, ours.m_u32NextLastQuarterMoon_u32Month,
         ours.m_u32NextLastQuarterMoon_u32Day}};
    for (int kind = 0; kind < 4; kind++) {
      U32 y = 0, m = 0, d = 0;
      ASSERT_EQ(3, fscanf(a, " %u-%u-%u", &y, &m, &d));
      EXPECT_LE(DaysApart(mine[kind][0], mine[kind][1], mine[kind][2], y, m, d), 1.0)
          << "phase " << kind << " from " << p.y << "-" << p.m << "-" << p.d;
    }
  }
  fclose(a);
}

}  // namespace
