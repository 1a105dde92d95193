// Datum shift by the standard Molodensky formulas at height 0. A local datum
// is described by its shift to WGS 84; the reverse direction uses the same
// shift evaluated at the WGS 84 position, which is within centimetres of the
// exact inverse for these datums.

#include "u_datum.h"

#include <math.h>

static constexpr double DATUM_RAD_TO_DEG = 57.29577951308232;
static constexpr double WGS84_A = 6378137.0;
static constexpr double WGS84_F = 0.00335281066474748;

const GEODETIC_DATUM GeodeticDatum[DATUM_ROWS] = {
    {DATUM_WGS_84, ELLIPSOID_WGS_84, {0, 0, 0, 0, 0}},
    {DATUM_Chatham_1971, ELLIPSOID_INTERNATIONAL, {-251, -0.14192702, 175, -38, 113}},
    {DATUM_European_1950_mean, ELLIPSOID_INTERNATIONAL, {-251, -0.14192702, -87, -98, -121}},
    {DATUM_European_1979_mean, ELLIPSOID_INTERNATIONAL, {-251, -0.14192702, -86, -98, -119}},
    {DATUM_Ireland_1965, ELLIPSOID_MODIFIED_AIRY, {796.811, 0.11960023, 506, -122, 611}},
    {DATUM_Ordnance_Survey_of_Great_Britain_36, ELLIPSOID_AIRY, {573.604, 0.11960023, 375, -111, 431}},
    {DATUM_Rome_1940, ELLIPSOID_INTERNATIONAL, {-251, -0.14192702, -225, -65, 9}},
    {DATUM_Australian_Geodetic_1966, ELLIPSOID_AUSTRALIAN_NATIONAL, {-23, -0.00081204, -133, -48, 148}},
    {DATUM_Australian_Geodetic_1984, ELLIPSOID_AUSTRALIAN_NATIONAL, {-23, -0.00081204, -134, -48, 149}},
    {DATUM_Swiss_CH_1903, ELLIPSOID_BESSEL_1841, {739.845, 0.10037483, 674, 15, 405}},
    {DATUM_Bermuda_1957, ELLIPSOID_CLARKE_1866, {-69.4, -0.37264639, -73, 213, 296}},
    {DATUM_Cape_Canaveral_Mean, ELLIPSOID_CLARKE_1866, {-69.4, -0.37264639, -2, 151, 181}},
    {DATUM_Geodetic_Datum_1949, ELLIPSOID_INTERNATIONAL, {-251, -0.14192702, 84, -22, 209}},
    {DATUM_LC_5_Astro, ELLIPSOID_CLARKE_1866, {-69.4, -0.37264639, 42, 124, 147}},
    {DATUM_North_American_1927_Alaska, ELLIPSOID_CLARKE_1866, {-69.4, -0.37264639, -5, 135, 172}},
    {DATUM_North_American_1927_Bahamas, ELLIPSOID_CLARKE_1866, {-69.4, -0.37264639, -4, 154, 178}},
    {DATUM_North_American_1927_Canada_Mean, ELLIPSOID_CLARKE_1866, {-69.4, -0.37264639, -10, 158, 187}},
    {DATUM_North_American_1927_Canal_Zone, ELLIPSOID_CLARKE_1866, {-69.4, -0.37264639, 0, 125, 201}},
    {DATUM_North_American_1927_Carribean, ELLIPSOID_CLARKE_1866, {-69.4, -0.37264639, -3, 142, 183}},
    {DATUM_North_American_1927_Central_America, ELLIPSOID_CLARKE_1866,
     {-69.4, -0.37264639, 0, 125, 194}},
    {DATUM_North_American_1927_Cuba, ELLIPSOID_CLARKE_1866, {-69.4, -0.37264639, -9, 152, 178}},
    {DATUM_North_American_1927_Greenland, ELLIPSOID_CLARKE_1866, {-69.4, -0.37264639, 11, 114, 195}},
    {DATUM_North_American_1927_Mean, ELLIPSOID_CLARKE_1866, {-69.4, -0.37264639, -8, 160, 176}},
    {DATUM_North_American_1927_Mexico, ELLIPSOID_CLARKE_1866, {-69.4, -0.37264639, -12, 130, 190}},
    {DATUM_North_American_1927_San_Salvador, ELLIPSOID_CLARKE_1866, {-69.4, -0.37264639, 1, 140, 165}},
    {DATUM_North_American_1983, ELLIPSOID_GRS_1980, {0, -1.6e-07, 0, 0, 0}},
    {DATUM_Old_Hawaiian_Mean, ELLIPSOID_CLARKE_1866, {-69.4, -0.37264639, 61, -285, -181}},
    {DATUM_Puerto_Rico, ELLIPSOID_CLARKE_1866, {-69.4, -0.37264639, 11, 72, -101}},
    {DATUM_South_American_1969_Mean, ELLIPSOID_SOUTH_AMERICAN_1969, {-23, -0.00081204, -57, 1, -41}},
    {DATUM_Tokyo_Mean, ELLIPSOID_BESSEL_1841, {739.845, 0.10037483, -148, 507, 685}},
    {NO_MORE_DATUMS, ELLIPSOID_WGS_84, {0, 0, 0, 0, 0}},
};

// Datums that are WGS 84 under another name.
static constexpr int s_anSameAsWgs84[] = {0, 63, 89, 111};

// Equatorial radius and inverse flattening of each ellipsoid.
static constexpr double s_adEllipsoids[ELLIPSOID_NO_MORE_ELLIPSOIDS][2] = {
    {6377563.396, 299.3249646}, {6378160.0, 298.25},        {6377397.155, 299.1528128}, {6377483.865, 299.1528128},
    {6378206.4, 294.9786982},   {6378249.145, 293.465},     {6377276.345, 300.8017},    {6377304.063, 300.8017},
    {6377301.243, 300.8017},    {6377295.664, 300.8017},    {6377298.556, 300.8017},    {6377309.613, 300.8017},
    {6378166.0, 298.3},         {6378150.0, 298.3},         {6378160.0, 298.247167427}, {6378137.0, 298.257222101},
    {6378200.0, 298.3},         {6378270.0, 297.0},         {6378388.0, 297.0},         {6378245.0, 298.3},
    {6377340.189, 299.3249646}, {6378155.0, 298.3},         {6378160.0, 298.25},        {6378165.0, 298.3},
    {6378145.0, 298.25},        {6378135.0, 298.26},        {6378137.0, 298.257223563},
};

ELLIPSOID_PARAMETERS U_DATUM_EllipsoidParameters(ELLIPSOID e) {
  if ((unsigned)e >= ELLIPSOID_NO_MORE_ELLIPSOIDS) e = ELLIPSOID_WGS_84;
  const double f = 1.0 / s_adEllipsoids[e][1];
  return ELLIPSOID_PARAMETERS{s_adEllipsoids[e][0], (2.0 - f) * f, f};
}

// The row of dp, or the terminator's zero shift when it has none.
static const ELLIPSOID_DELTAS* pDeltasOf(DATUM_PLANE dp) {
  for (int n : s_anSameAsWgs84) {
    if (dp == n) return nullptr;
  }
  const GEODETIC_DATUM* pRow = GeodeticDatum;
  while (pRow->datum != dp && pRow->datum < NO_MORE_DATUMS) pRow++;
  return &pRow->deltas;
}

// The local-to-WGS 84 change of latitude and longitude (radians) at (phi,
// lam) on the ground.
static void datum_Molodensky(const ELLIPSOID_DELTAS* d, double phi, double lam, double* pdPhi, double* pdLam) {
  const double df = d->df * 0.0001;
  const double f = WGS84_F - df;
  const double a = WGS84_A - d->da;
  const double e2 = (2.0 - f) * f;
  const double sinPhi = sin(phi), cosPhi = cos(phi), sinLam = sin(lam), cosLam = cos(lam);
  const double w = 1.0 - e2 * sinPhi * sinPhi;
  const double rn = a / sqrt(w);
  const double rm = a * (1.0 - e2) / (w * sqrt(w));
  const double b = (1.0 - f) * a;
  *pdPhi = (-d->dx * sinPhi * cosLam - d->dy * sinPhi * sinLam + e2 * d->da * sinPhi * cosPhi * rn / a +
            (d->dz + sinPhi * df * (rn * b / a + rm * a / b)) * cosPhi) /
           rm;
  // At a pole every longitude is the same point: no longitude shift.
  *pdLam = cosPhi == 0.0 ? 0.0 : (-d->dx * sinLam + d->dy * cosLam) / (rn * cosPhi);
}

static double dFoldLongitude(double lon) {
  double r = fmod(lon, 360.0);
  if (r > 180.0) r -= 360.0;
  if (r <= -180.0) r += 360.0;
  return r;
}

static void Shift(const ELLIPSOID_DELTAS* d, double sign, double lat, double lon, double* pLat, double* pLon) {
  double dPhi, dLam;
  datum_Molodensky(d, lat / DATUM_RAD_TO_DEG, lon / DATUM_RAD_TO_DEG, &dPhi, &dLam);
  *pLat = lat + sign * dPhi * DATUM_RAD_TO_DEG;
  *pLon = dFoldLongitude(lon + sign * dLam * DATUM_RAD_TO_DEG);
}

void WGS84_2_Datum(double WLatDeg, double WLonDeg, double* pLatDeg, double* pLonDeg, DATUM_PLANE dp) {
  const ELLIPSOID_DELTAS* d = pDeltasOf(dp);
  if (d == nullptr) {
    *pLatDeg = WLatDeg;
    *pLonDeg = WLonDeg;
    return;
  }
  Shift(d, -1.0, WLatDeg, WLonDeg, pLatDeg, pLonDeg);
}

void Datum_2_WGS84(DATUM_PLANE dp, double LatDeg, double LonDeg, double* pLatDeg, double* pLonDeg) {
  const ELLIPSOID_DELTAS* d = pDeltasOf(dp);
  if (d == nullptr) {
    *pLatDeg = LatDeg;
    *pLonDeg = LonDeg;
    return;
  }
  Shift(d, 1.0, LatDeg, LonDeg, pLatDeg, pLonDeg);
}
