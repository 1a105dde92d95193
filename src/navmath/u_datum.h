// The shift of a position between WGS 84, in which positions enter and are
// kept, and the local map datum a user may show and type them in.
#pragma once

#include "basetypes.h"

// Map datums; 31..123 are further named datums that have no shift row here
// and so come back unchanged.
typedef enum tag_DATUM_PLANE {
  DATUM_WGS_84 = 0,
  DATUM_Chatham_1971 = 1,
  DATUM_European_1950_mean = 2,
  DATUM_European_1979_mean = 3,
  DATUM_Ireland_1965 = 4,
  DATUM_Ordnance_Survey_of_Great_Britain_36 = 5,
  DATUM_Rome_1940 = 6,
  DATUM_Australian_Geodetic_1966 = 7,
  DATUM_Australian_Geodetic_1984 = 8,
  DATUM_Swiss_CH_1903 = 9,
  DATUM_Bermuda_1957 = 10,
  DATUM_Cape_Canaveral_Mean = 11,
  DATUM_Geodetic_Datum_1949 = 12,
  DATUM_LC_5_Astro = 13,
  DATUM_North_American_1927_Alaska = 14,
  DATUM_North_American_1927_Bahamas = 15,
  DATUM_North_American_1927_Canada_Mean = 16,
  DATUM_North_American_1927_Canal_Zone = 17,
  DATUM_North_American_1927_Carribean = 18,
  DATUM_North_American_1927_Central_America = 19,
  DATUM_North_American_1927_Cuba = 20,
  DATUM_North_American_1927_Greenland = 21,
  DATUM_North_American_1927_Mean = 22,
  DATUM_North_American_1927_Mexico = 23,
  DATUM_North_American_1927_San_Salvador = 24,
  DATUM_North_American_1983 = 25,
  DATUM_Old_Hawaiian_Mean = 26,
  DATUM_Puerto_Rico = 27,
  DATUM_South_American_1969_Mean = 28,
  DATUM_Tokyo_Mean = 29,
  DATUM_Custom_Datum = 30,
  NO_MORE_DATUMS = 124,
} DATUM_PLANE;

typedef enum tag_ELLIPSOID {
  ELLIPSOID_AIRY = 0,
  ELLIPSOID_AUSTRALIAN_NATIONAL = 1,
  ELLIPSOID_BESSEL_1841 = 2,
  ELLIPSOID_BESSEL_1841_NAMIBIA = 3,
  ELLIPSOID_CLARKE_1866 = 4,
  ELLIPSOID_CLARKE_1880 = 5,
  ELLIPSOID_EVEREST_1830 = 6,
  ELLIPSOID_EVEREST_1948 = 7,
  ELLIPSOID_EVEREST_1956 = 8,
  ELLIPSOID_EVEREST_1969 = 9,
  ELLIPSOID_EVEREST_SABAH_SARAWAK = 10,
  ELLIPSOID_EVEREST_PAKISTAN = 11,
  ELLIPSOID_FISCHER_1960 = 12,
  ELLIPSOID_FISCHER_1968 = 13,
  ELLIPSOID_GRS_1967 = 14,
  ELLIPSOID_GRS_1980 = 15,
  ELLIPSOID_HELMERT_1906 = 16,
  ELLIPSOID_HOUGH = 17,
  ELLIPSOID_INTERNATIONAL = 18,
  ELLIPSOID_KRASSOVSKY = 19,
  ELLIPSOID_MODIFIED_AIRY = 20,
  ELLIPSOID_MODIFIED_FISCHER_1960 = 21,
  ELLIPSOID_SOUTH_AMERICAN_1969 = 22,
  ELLIPSOID_WGS_60 = 23,
  ELLIPSOID_WGS_66 = 24,
  ELLIPSOID_WGS_72 = 25,
  ELLIPSOID_WGS_84 = 26,
  ELLIPSOID_NO_MORE_ELLIPSOIDS = 27,
} ELLIPSOID;

// The shift from a local datum to WGS 84: da and df are the WGS 84 value
// minus the local one (df x 10,000), dx, dy, dz the centre offset in metres.
typedef struct tag_ELLIPSOID_DELTAS {
  double da;
  double df;
  double dx;
  double dy;
  double dz;
} ELLIPSOID_DELTAS;

typedef struct tag_GEODETIC_DATUM {
  DATUM_PLANE datum;
  ELLIPSOID ellipsoid;
  ELLIPSOID_DELTAS deltas;
} GEODETIC_DATUM;

// Rows 0..29 then a terminator row (NO_MORE_DATUMS, zero deltas).
constexpr int DATUM_ROWS = 31;
extern const GEODETIC_DATUM GeodeticDatum[DATUM_ROWS];

// The published ellipsoids by ELLIPSOID, for display; the shift derives the
// local ellipsoid from WGS 84 and the deltas.
typedef struct tag_ELLIPSOID_PARAMETERS {
  double dEquatorialRadius;
  double dEccentricitySquared;
  double dFlattening;
} ELLIPSOID_PARAMETERS;
ELLIPSOID_PARAMETERS U_DATUM_EllipsoidParameters(ELLIPSOID e);

// A WGS 84 position in datum dp, longitude in (-180, 180].
void WGS84_2_Datum(double WLatDeg, double WLonDeg, double* pLatDeg, double* pLonDeg, DATUM_PLANE dp);
// A position in datum dp in WGS 84, longitude in (-180, 180].
void Datum_2_WGS84(DATUM_PLANE dp, double LatDeg, double LonDeg, double* pLatDeg, double* pLonDeg);
