// Mercator conversions, rhumb bearings and distances, and the small helpers
// around them. The constants are kept exactly as the charts and stored
// positions of the unit were made with them: a change in the last digit moves
// a stored waypoint by a metre.

#include "navmath.h"

#include <math.h>

static constexpr double NV_RADIUS = 6378388.0;
static constexpr double NV_METERS_PER_DEGREE = 111323.8715697006;
static constexpr double NV_DEGREES_PER_METER = 8.982799339438115e-06;
static constexpr double NV_INV_RADIUS = 1.5677942451917318e-07;
// The latitude goes through atan(k tan(lat)) before the spherical formula:
// the ellipsoid's flattening in one factor each way.
static constexpr double NV_LAT_REDUCTION = 0.9932811555305968;
static constexpr double NV_LAT_EXPANSION = 1.0067642927;
static constexpr double NV_D2R = 0.017453292519944003;
static constexpr double NV_R2D = 57.29577951308;
static constexpr double NV_HALF_PI = 1.570796327;
static constexpr double NV_PI = 3.141592654;
static constexpr double NV_TWO_PI = 6.283185308;
static constexpr double NV_HALF_D2R = 0.008726646259972002;
static constexpr double NV_MAX_LAT = 80.0;
static constexpr double NV_MAX_LON = 180.0;
static constexpr S32 NV_Y_BEARING_LIMIT = NV_Y_LIMIT + 1;
static constexpr double NV_MAX_DISTANCE = 21600.0;

// Written as "not within" so that a NaN fails too.
static inline BOOLEAN bLatOk(double lat) { return fabs(lat) <= NV_MAX_LAT; }
static inline BOOLEAN bLonOk(double lon) { return fabs(lon) <= NV_MAX_LON; }

NV_STATUS nv_DegrToMeter(const POSITION* pos, POINT* out) {
  if (!bLatOk(pos->lat)) {
    out->y = 0;
    return NV_ERR_LATITUDE;
  }
  const double reduced = atan(NV_LAT_REDUCTION * tan(pos->lat * NV_D2R));
  out->y = (S32)lrint(NV_RADIUS * log(tan((reduced + NV_HALF_PI) * 0.5)));
  if (!bLonOk(pos->lon)) {
    out->x = 0;
    return NV_ERR_LONGITUDE;
  }
  S32 x = (S32)lrint(pos->lon * NV_METERS_PER_DEGREE);
  if (x > NV_X_LIMIT) x = NV_X_LIMIT;
  if (x < -NV_X_LIMIT) x = -NV_X_LIMIT;
  out->x = x;
  return NV_OK;
}

NV_STATUS nv_MeterToDegr(const POINT* pt, POSITION* out) {
  if (pt->y < -NV_Y_LIMIT || pt->y > NV_Y_LIMIT) {
    out->lat = 0.0;
    return NV_ERR_LATITUDE;
  }
  if (pt->y == 0) {
    out->lat = 0.0;
  } else {
    out->lat = atan(NV_LAT_EXPANSION * tan(2.0 * atan(exp(pt->y * NV_INV_RADIUS)) - NV_HALF_PI)) * NV_R2D;
  }
  if (pt->x < -NV_X_LIMIT || pt->x > NV_X_LIMIT) {
    out->lon = 0.0;
    return NV_ERR_LONGITUDE;
  }
  double lon = pt->x * NV_DEGREES_PER_METER;
  if (lon > NV_MAX_LON) lon = NV_MAX_LON;
  if (lon < -NV_MAX_LON) lon = -NV_MAX_LON;
  out->lon = lon;
  return NV_OK;
}

static inline BOOLEAN bBearingPointOk(const POINT* p) {
  return p->y >= -NV_Y_BEARING_LIMIT && p->y <= NV_Y_BEARING_LIMIT && p->x >= -NV_X_LIMIT && p->x <= NV_X_LIMIT;
}

NV_STATUS nv_RouteAngle(const POINT* from, const POINT* to, double* bearing) {
  if (!bBearingPointOk(from) || !bBearingPointOk(to)) {
    *bearing = 0.0;
    return NV_ERR_POINT;
  }
  S32 dx = to->x - from->x;
  if (dx < -NV_X_LIMIT) dx = NV_X_CIRCUMFERENCE + dx;
  if (dx > NV_X_LIMIT) dx = dx - NV_X_CIRCUMFERENCE;
  const double dy = (double)to->y - (double)from->y;
  if (fabs(dy) < NV_ZERO) {
    if (dx == 0) {
      *bearing = 0.0;
      return NV_WARN_SAME_POINT;
    }
    *bearing = dx > 0 ? 90.0 : 270.0;
    return NV_OK;
  }
  double t = atan(dx / dy);
  if (dy < NV_ZERO) {
    t += NV_PI;
  } else if (t < NV_ZERO) {
    t += NV_TWO_PI;
  }
  *bearing = nv_RoundTo360(t * NV_R2D);
  return NV_OK;
}

NV_STATUS nv_GeoRouteAngle(const POSITION* from, const POSITION* to, double* bearing) {
  POINT a, b;
  NV_STATUS status = nv_DegrToMeter(from, &a);
  if (status == NV_OK) status = nv_DegrToMeter(to, &b);
  if (status != NV_OK) {
    *bearing = 0.0;
    return status;
  }
  return nv_RouteAngle(&a, &b, bearing);
}

static double dMod360(double v) {
  double r = fmod(v, 360.0);
  if (r < 0.0) r += 360.0;
  return r;
}

NV_STATUS nv_CalcDistance(const POSITION* from, const POSITION* to, double course, double* distance) {
  *distance = 0.0;
  if (!bLatOk(from->lat) || !bLatOk(to->lat)) return NV_ERR_LATITUDE;
  if (!bLonOk(from->lon) || !bLonOk(to->lon)) return NV_ERR_LONGITUDE;
  if (!(fabs(course) <= 360.0)) return NV_ERR_ANGLE;
  // Near east or west the latitude change says too little about the
  // distance: measure along the parallel instead.
  if (fabs(fabs(course - 180.0) - 90.0) <= 5.0) {
    double d = fmod(dMod360(to->lon) - dMod360(from->lon), 360.0);
    if (d > 180.0) d -= 360.0;
    if (d < -180.0) d += 360.0;
    *distance = fabs(d * 60.0 / sin(course * NV_D2R) * cos((from->lat + to->lat) * NV_HALF_D2R));
  } else {
    *distance = fabs((to->lat - from->lat) * 60.0 / cos(course * NV_D2R));
  }
  return NV_OK;
}

NV_STATUS nv_PolarToGeographic(POINT origin, double bearing, double distance, POINT* out) {
  if (origin.y < -NV_Y_BEARING_LIMIT || origin.y > NV_Y_BEARING_LIMIT) return NV_ERR_LATITUDE;
  if (origin.x < -NV_X_LIMIT || origin.x > NV_X_LIMIT) return NV_ERR_LONGITUDE;
  if (!(fabs(bearing) <= 360.0)) return NV_ERR_ANGLE;
  if (!(distance >= 0.0 && distance <= NV_MAX_DISTANCE)) return NV_ERR_DISTANCE;
  // Quadrant rules are for [0, 360): a negative bearing or a full turn is
  // brought there first.
  bearing = nv_RoundTo360(bearing);
  POSITION from;
  NV_STATUS status = nv_MeterToDegr(&origin, &from);
  if (status != NV_OK) return status;
  const int quadrant = (int)(bearing / 90.0);
  const double theta = fabs(fabs(bearing - 180.0) - 90.0) * NV_D2R;
  const double d = distance / 60.0;
  const double dLat = sin(theta) * d;
  POSITION to;
  to.lat = (quadrant == 0 || quadrant == 3) ? from.lat + dLat : from.lat - dLat;
  const double dLon = cos(theta) * d / cos((to.lat + from.lat) * NV_HALF_D2R);
  to.lon = nv_Coangle((quadrant == 0 || quadrant == 1) ? from.lon + dLon : from.lon - dLon);
  return nv_DegrToMeter(&to, out);
}

NV_STATUS nv_CalcAppWind(double angle, double speedA, double heading, double speedB, double* outSpeed,
                         double* outAngle, double* outDirection) {
  double n = isfinite(angle) ? trunc(fmod(angle, 360.0)) : 0.0;
  if (n > 180.0) n -= 360.0;
  if (n <= -180.0) n += 360.0;
  if (speedA < NV_ZERO) {
    *outSpeed = speedB;
    *outAngle = 0.0;
    *outDirection = heading;
    return NV_OK;
  }
  if (speedB > NV_ZERO) {
    const double c = speedB + cos(n * NV_D2R) * speedA;
    const double s = sin(n * NV_D2R) * speedA;
    *outSpeed = sqrt(c * c + s * s);
    double a = n;
    if (fabs(c) <= NV_ZERO) {
      // Straight across the reference direction.
      if (s > NV_ZERO) a = 90.0;
      if (s < -NV_ZERO) a = -90.0;
    } else {
      a = trunc(atan(s / c) * NV_R2D);
      // atan alone cannot tell a vector from behind from one ahead.
      if (c < 0.0) {
        if (a <= 0.0 && n > 0.0) {
          a += 180.0;
        } else if (a >= 0.0 && n < 0.0) {
          a -= 180.0;
        } else if (a == 0.0) {
          a = 180.0;
        }
      }
    }
    *outAngle = a;
    *outDirection = fmod(heading + 360.0 + a, 360.0);
  } else {
    *outSpeed = speedA;
    *outAngle = n;
    *outDirection = fmod(n + heading + 360.0, 360.0);
  }
  return NV_OK;
}

double nv_RoundTo360(double angle) {
  double r = fmod(angle, 360.0);
  if (r < 0.0) r += 360.0;
  // A tiny negative remainder plus 360 rounds to 360 itself.
  return r >= 360.0 ? 0.0 : r;
}

double nv_Coangle(double angle) {
  double r = fmod(angle, 360.0);
  if (r > 180.0) r -= 360.0;
  if (r <= -180.0) r += 360.0;
  return r;
}

NV_STATUS nv_MiddlePosition(POSITION a, POSITION b, POSITION* mid) {
  if (!bLatOk(a.lat) || !bLatOk(b.lat)) return NV_ERR_LATITUDE;
  if (!bLonOk(a.lon) || !bLonOk(b.lon)) return NV_ERR_LONGITUDE;
  mid->lat = (a.lat + b.lat) * 0.5;
  const BOOLEAN bSameSide = (a.lon >= 0.0 && b.lon >= 0.0) || (a.lon < 0.0 && b.lon < 0.0);
  if (!bSameSide && fabs(a.lon) + fabs(b.lon) > 180.0) {
    // The short way between them crosses the 180 degree seam.
    mid->lon = nv_Coangle((nv_RoundTo360(a.lon) + nv_RoundTo360(b.lon)) * 0.5);
  } else {
    mid->lon = (a.lon + b.lon) * 0.5;
  }
  return NV_OK;
}

NV_STATUS nv_MiddleMMPosition(POINT a, POINT b, POINT* mid) {
  POSITION pa, pb, pm;
  NV_STATUS status = nv_MeterToDegr(&a, &pa);
  if (status == NV_OK) status = nv_MeterToDegr(&b, &pb);
  if (status == NV_OK) status = nv_MiddlePosition(pa, pb, &pm);
  if (status == NV_OK) status = nv_DegrToMeter(&pm, mid);
  return status;
}

static void SplitDegMin(double v, S32* deg, double* min) {
  S32 d = (S32)trunc(v);
  double m = (v - d) * 60.0;
  if (fabs(m) >= 60.0) {
    d += m > 0 ? 1 : -1;
    m = 0.0;
  }
  *deg = d;
  *min = m;
}

NV_STATUS nv_MetersToGeographic(const POINT* pt, NV_DEGMIN* out) {
  POSITION p;
  const NV_STATUS status = nv_MeterToDegr(pt, &p);
  if (status != NV_OK) return status;
  SplitDegMin(p.lat, &out->s32LatDeg, &out->dLatMin);
  SplitDegMin(p.lon, &out->s32LonDeg, &out->dLonMin);
  return NV_OK;
}

static BOOLEAN bJoinDegMinSec(S32 deg, S32 min, double sec, double* out) {
  if (min <= -60 || min >= 60 || !(fabs(sec) < 60.0)) return FALSE;
  const double v = fabs((double)deg) + fabs((double)min) / 60.0 + fabs(sec) / 3600.0;
  *out = (deg < 0 || min < 0 || sec < 0.0) ? -v : v;
  return TRUE;
}

NV_STATUS nv_GeographicToMeters(S32 latDeg, S32 latMin, double latSec, S32 lonDeg, S32 lonMin, double lonSec,
                                POINT* out) {
  POSITION p;
  if (!bJoinDegMinSec(latDeg, latMin, latSec, &p.lat) || !bJoinDegMinSec(lonDeg, lonMin, lonSec, &p.lon)) {
    return NV_ERR_ANGLE;
  }
  return nv_DegrToMeter(&p, out);
}

NV_STATUS nv_SessToDecm(S32 deg, S32 min, S32 sec, double* out) {
  const double d = fabs((double)deg), m = fabs((double)min), s = fabs((double)sec);
  if (d > 360.0 || m > 59.0 || s > 59.0) {
    *out = 0.0;
    return NV_ERR_ANGLE;
  }
  const double v = d + m / 60.0 + s / 3600.0;
  *out = (deg < 0 || min < 0 || sec < 0) ? -v : v;
  return NV_OK;
}

S32 nv_AllAround(S32 x) {
  // In 64 bits: the magnitude of the most negative x does not fit in 32.
  S64 v = x < 0 ? -(S64)x : (S64)x;
  if (v >= NV_X_CIRCUMFERENCE) v = v < 2 * (S64)NV_X_CIRCUMFERENCE ? v - NV_X_CIRCUMFERENCE : v % NV_X_CIRCUMFERENCE;
  if (x < 0 && v != 0) v = NV_X_CIRCUMFERENCE - v;
  return (S32)v;
}

NV_STATUS nv_CalcRngBrg(POINT a, POINT b, double variation, NV_RNGBRG* result) {
  result->dBearing = 0.0;
  result->dDistance = 0.0;
  if (!(fabs(variation) <= 360.0)) return NV_ERR_ANGLE;
  double course = 0.0;
  NV_STATUS status = nv_RouteAngle(&a, &b, &course);
  if (status < NV_WARN_BASE) return status;
  POSITION pa, pb;
  NV_STATUS conv = nv_MeterToDegr(&a, &pa);
  if (conv == NV_OK) conv = nv_MeterToDegr(&b, &pb);
  if (conv != NV_OK) return conv;
  result->dBearing = nv_RoundTo360(course - variation);
  if (status == NV_WARN_SAME_POINT) return status;
  return nv_CalcDistance(&pa, &pb, course, &result->dDistance);
}

NV_STATUS nv_CalcTimeToGo(const double* distance, double speed, NV_TIME* result) {
  result->s32Hours = 0;
  result->s32Minutes = 0;
  result->s32Seconds = 0;
  if (!(*distance >= 0.0)) return NV_ERR_DISTANCE;
  if (!(speed >= 0.1)) return NV_WARN_NO_SPEED;
  const double hours = *distance / speed;
  if (hours > NV_MAX_DISTANCE) {
    // Beyond any passage the unit can plan; the caller shows no time.
    result->s32Hours = (S32)NV_MAX_DISTANCE;
    return NV_WARN_LONG_TIME;
  }
  S32 h = (S32)floor(hours);
  const double minutes = (hours - h) * 60.0;
  S32 m = (S32)floor(minutes);
  S32 s = (S32)floor((minutes - m) * 60.0 + 0.5);
  if (s >= 60) {
    s -= 60;
    m++;
  }
  if (m >= 60) {
    m -= 60;
    h++;
  }
  result->s32Hours = h;
  result->s32Minutes = m;
  result->s32Seconds = s;
  return NV_OK;
}

NV_STATUS nv_CenteredSquare(POINT centre, double halfSide, POINT* lowerLeft, POINT* upperRight) {
  if (!(halfSide >= 0.0 && halfSide <= NV_MAX_DISTANCE)) return NV_ERR_DISTANCE;
  POSITION c;
  NV_STATUS status = nv_MeterToDegr(&centre, &c);
  if (status != NV_OK) return status;
  const double d = halfSide / 60.0;
  POSITION ll = {c.lat - d, nv_Coangle(c.lon - d)};
  POSITION ur = {c.lat + d, nv_Coangle(c.lon + d)};
  status = nv_DegrToMeter(&ll, lowerLeft);
  if (status != NV_OK) return status;
  return nv_DegrToMeter(&ur, upperRight);
}

NV_STATUS nv_DistCorrection(double lat, double* k) {
  if (!bLatOk(lat)) {
    *k = 0.0;
    return NV_ERR_LATITUDE;
  }
  *k = KlatTable[(int)lround(fabs(lat))];
  return NV_OK;
}

NV_STATUS nv_ExpOfTwo(S32 x, float* out) {
  *out = x >= 1 ? (float)floor(0.5 + log((double)x) * 1.4426950420544162) : 0.0f;
  return NV_OK;
}

double nv_MagHead(double heading, double variation) { return nv_RoundTo360(heading - variation); }
double nv_TrueHead(double heading, double variation) { return nv_RoundTo360(heading + variation); }

NV_STATUS nv_DieselConsumption(double a, double b, double c, double* out) {
  *out = 0.0;
  if (a < 0.0) return NV_ERR_DISTANCE;
  if (b != 0.0 && c < NV_ZERO) return NV_ERR_RATE;
  if (b == 0.0) return NV_WARN_NO_SPEED;
  *out = floor(0.5 + c * 0.19 * a / b);
  return a > NV_MAX_DISTANCE ? NV_WARN_LONG_TIME : NV_OK;
}

double nv_FeetMeters(double value, BOOLEAN bToMeters) {
  return value * (bToMeters ? 0.3048000000012192 : 3.280839895);
}
double nv_FathomsMeters(double value, BOOLEAN bToMeters) {
  return value * (bToMeters ? 1.8280867578532185 : 0.54701999);
}
double nv_NMilesKilometers(double value, BOOLEAN bToNMiles) {
  return value * (bToNMiles ? 0.5398780945933315 : 1.8522700032);
}
double nv_NMilesTMiles(double value, BOOLEAN bToNMiles) {
  return value * (bToNMiles ? 0.8686663045037588 : 1.1511900425);
}
double nv_LitersGallons(double value, BOOLEAN bToGallons) {
  return value * (bToGallons ? 0.26420009458363386 : 3.78501);
}
