// Magnetic declination by spherical-harmonic synthesis of the World Magnetic
// Model to degree and order 12. The Legendre recursion needs scratch tables;
// they live on the caller's stack because the navigation and NMEA tasks ask
// at the same time.

#include "u_geomag.h"

#include <math.h>

#include "u_geomag_wmm2015.h"

static constexpr int GEOMAG_ORDER = 12;
static constexpr int GEOMAG_SIZE = GEOMAG_ORDER + 1;
// The model's years are 365.2422 days long, so a date counted from 1970 in
// Julian years (365.25 days) reads about 8 hours later in model time by 2015.
static constexpr double GEOMAG_YEARS_PER_SECOND = 3.168876464081849e-8;
static constexpr double GEOMAG_MAX_YEARS = 5.0;
// WGS 84 in kilometres, and the model's reference radius.
static constexpr double GEOMAG_A2 = 40680631.59076899;
static constexpr double GEOMAG_B2 = 40408299.98408706;
static constexpr double GEOMAG_A4 = 1654913786623872.3;
static constexpr double GEOMAG_B4 = GEOMAG_B2 * GEOMAG_B2;
static constexpr double GEOMAG_C2 = GEOMAG_A2 - GEOMAG_B2;
static constexpr double GEOMAG_C4 = GEOMAG_A4 - GEOMAG_B4;
static constexpr double GEOMAG_RE = 6371.2;
static constexpr double GEOMAG_D2R = 0.017453292519944444;
static constexpr double GEOMAG_R2D = 57.29577951307855;

// The recursion factors of the Gauss-normalised Legendre functions,
// ((n - 1)^2 - m^2) / ((2n - 1)(2n - 3)) at [m][n].
struct GEOMAG_RECURSION {
  double k[GEOMAG_SIZE][GEOMAG_SIZE];
};
static constexpr GEOMAG_RECURSION MakeRecursion() {
  GEOMAG_RECURSION r{};
  for (int n = 2; n < GEOMAG_SIZE; n++) {
    for (int m = 0; m <= n; m++) r.k[m][n] = (double)((n - 1) * (n - 1) - m * m) / ((2 * n - 1) * (2 * n - 3));
  }
  return r;
}
static constexpr GEOMAG_RECURSION s_Recursion = MakeRecursion();

double dMagneticVariation(double alt, double lat, double lon, U32 u32time) {
  double dt = u32time * GEOMAG_YEARS_PER_SECOND - GEOMAG_EPOCH_YEARS_SINCE_1970;
  if (dt < 0.0) dt = 0.0;
  if (dt > GEOMAG_MAX_YEARS) dt = GEOMAG_MAX_YEARS;

  const double rlon = lon * GEOMAG_D2R, rlat = lat * GEOMAG_D2R;
  const double srlon = sin(rlon), crlon = cos(rlon), srlat = sin(rlat), crlat = cos(rlat);
  const double srlat2 = srlat * srlat, crlat2 = crlat * crlat;

  // Geodetic to spherical: the angle between them (ca, sa) turns the field
  // back at the end.
  const double q = sqrt(GEOMAG_A2 - GEOMAG_C2 * srlat2);
  const double q1 = alt * q;
  const double q2 = ((q1 + GEOMAG_A2) / (q1 + GEOMAG_B2)) * ((q1 + GEOMAG_A2) / (q1 + GEOMAG_B2));
  const double ct = srlat / sqrt(q2 * crlat2 + srlat2);
  const double st = sqrt(1.0 - ct * ct);
  const double r = sqrt(alt * alt + 2.0 * q1 + (GEOMAG_A4 - GEOMAG_C4 * srlat2) / (q * q));
  const double d = sqrt(GEOMAG_A2 * crlat2 + GEOMAG_B2 * srlat2);
  const double ca = (alt + d) / r;
  const double sa = GEOMAG_C2 * crlat * srlat / (r * d);

  double sp[GEOMAG_SIZE], cp[GEOMAG_SIZE];
  sp[0] = 0.0;
  cp[0] = 1.0;
  sp[1] = srlon;
  cp[1] = crlon;
  for (int m = 2; m < GEOMAG_SIZE; m++) {
    sp[m] = sp[1] * cp[m - 1] + cp[1] * sp[m - 1];
    cp[m] = cp[1] * cp[m - 1] - sp[1] * sp[m - 1];
  }

  double p[GEOMAG_SIZE][GEOMAG_SIZE], dp[GEOMAG_SIZE][GEOMAG_SIZE], pp[GEOMAG_SIZE];
  p[0][0] = 1.0;
  dp[0][0] = 0.0;
  pp[0] = 1.0;
  const double aor = GEOMAG_RE / r;
  double ar = aor * aor;
  double br = 0.0, bt = 0.0, bp = 0.0, bpp = 0.0;
  for (int n = 1; n < GEOMAG_SIZE; n++) {
    ar *= aor;
    for (int m = 0; m <= n; m++) {
      if (n == m) {
        p[n][m] = st * p[n - 1][m - 1];
        dp[n][m] = st * dp[n - 1][m - 1] + ct * p[n - 1][m - 1];
      } else if (n == 1) {
        p[n][m] = ct * p[n - 1][m];
        dp[n][m] = ct * dp[n - 1][m] - st * p[n - 1][m];
      } else {
        const double k = s_Recursion.k[m][n];
        const double p2 = m > n - 2 ? 0.0 : p[n - 2][m];
        const double dp2 = m > n - 2 ? 0.0 : dp[n - 2][m];
        p[n][m] = ct * p[n - 1][m] - k * p2;
        dp[n][m] = ct * dp[n - 1][m] - st * p[n - 1][m] - k * dp2;
      }
      const double g = s_adGeomagMain[m][n] + dt * s_adGeomagSecular[m][n];
      const double h = m == 0 ? 0.0 : s_adGeomagMain[n][m - 1] + dt * s_adGeomagSecular[n][m - 1];
      const double par = ar * p[n][m];
      const double temp1 = g * cp[m] + h * sp[m];
      const double temp2 = g * sp[m] - h * cp[m];
      bt -= ar * temp1 * dp[n][m];
      bp += m * temp2 * par;
      br += (n + 1) * temp1 * par;
      // At a geographic pole the east component is a limit: its own series.
      if (st == 0.0 && m == 1) {
        pp[n] = n == 1 ? pp[n - 1] : ct * pp[n - 1] - s_Recursion.k[m][n] * pp[n - 2];
        bpp += m * temp2 * ar * pp[n];
      }
    }
  }
  bp = st == 0.0 ? bpp : bp / st;
  const double bx = -bt * ca - br * sa;
  const double by = bp;
  return atan2(by, bx) * GEOMAG_R2D;
}
