// The navigation library: Mercator metres to latitude and longitude and
// back, rhumb-line bearings and distances, and the small conversions the
// sentence and drawing code share. Every position is held as a POINT in
// Mercator metres on the international equatorial radius; degrees appear
// only where a person reads or types them. Nothing here keeps state, locks
// or allocates, so any task may call it.
//
// Functions return a status word: NV_OK on success, a value of
// NV_WARN_BASE or above (but not NV_OK) a warning with a usable result, and
// anything below NV_WARN_BASE an error whose outputs are the documented
// zeros.
#pragma once

#include "basetypes.h"
#include "g_types.h"

typedef struct tag_POSITION {
  double lat;  // degrees, north positive
  double lon;  // degrees, east positive
} POSITION;

typedef U32 NV_STATUS;

enum : NV_STATUS {
  NV_OK = 0x80000000u,
  NV_WARN_BASE = 0x10000000u,
  NV_ERR_LATITUDE = 0x2001,
  NV_ERR_LONGITUDE = 0x2002,
  NV_ERR_POINT = 0x2003,
  NV_ERR_DISTANCE = 0x2004,
  NV_ERR_ANGLE = 0x2005,
  NV_ERR_RATE = 0x2006,
  NV_WARN_NO_SPEED = 0x10002001u,
  NV_WARN_LONG_TIME = 0x10002002u,
  NV_WARN_SAME_POINT = 0x10002007u,
};

// The valid Mercator range: x is half a circumference each way, y the
// Mercator y of latitude 79.9.
constexpr S32 NV_X_LIMIT = 20038300;
constexpr S32 NV_X_CIRCUMFERENCE = 40076600;
constexpr S32 NV_Y_LIMIT = 15433198;
// Every "is it zero" test on doubles uses this.
constexpr double NV_ZERO = 2.220446049250313e-16;

// Latitude to 80 degrees, longitude to 180. A bad latitude zeroes out->y and
// leaves out->x; a bad longitude zeroes out->x after y is written. x is
// clamped to +-NV_X_LIMIT.
NV_STATUS nv_DegrToMeter(const POSITION* pos, POINT* out);
// y within +-NV_Y_LIMIT and x within +-NV_X_LIMIT; a bad y zeroes out->lat
// and leaves out->lon, a bad x zeroes out->lon after lat is written.
NV_STATUS nv_MeterToDegr(const POINT* pt, POSITION* out);
// Rhumb bearing in [0, 360) from one Mercator point to another, the short
// way round across the 180 degree seam. NV_WARN_SAME_POINT (bearing 0) for
// equal points.
NV_STATUS nv_RouteAngle(const POINT* from, const POINT* to, double* bearing);
NV_STATUS nv_GeoRouteAngle(const POSITION* from, const POSITION* to, double* bearing);
// Rhumb distance in nautical miles (a minute of latitude each) along the
// known course in degrees; 0 on an error.
NV_STATUS nv_CalcDistance(const POSITION* from, const POSITION* to, double course, double* distance);
// The point `distance` nautical miles (0 to 21,600) from origin along
// bearing (degrees, |bearing| up to 360; 360 itself is north).
NV_STATUS nv_PolarToGeographic(POINT origin, double bearing, double distance, POINT* out);
// Sum of a vector speedA at `angle` degrees off the reference direction and
// a vector speedB along it (true wind and boat speed give the apparent
// wind). outAngle is relative and whole degrees in (-180, 180]; outDirection
// is that angle added to heading, in [0, 360).
NV_STATUS nv_CalcAppWind(double angle, double speedA, double heading, double speedB, double* outSpeed,
                         double* outAngle, double* outDirection);
// [0, 360) and (-180, 180].
double nv_RoundTo360(double angle);
double nv_Coangle(double angle);

NV_STATUS nv_MiddlePosition(POSITION a, POSITION b, POSITION* mid);
NV_STATUS nv_MiddleMMPosition(POINT a, POINT b, POINT* mid);

// A position as whole degrees and decimal minutes, both carrying the sign.
typedef struct tag_NV_DEGMIN {
  S32 s32LatDeg;
  double dLatMin;
  S32 s32LonDeg;
  double dLonMin;
} NV_DEGMIN;
NV_STATUS nv_MetersToGeographic(const POINT* pt, NV_DEGMIN* out);
// Degrees, minutes and seconds of each coordinate; the coordinate is
// negative when any of its fields is. A minute or second field of 60 or
// more in magnitude is NV_ERR_ANGLE.
NV_STATUS nv_GeographicToMeters(S32 latDeg, S32 latMin, double latSec, S32 lonDeg, S32 lonMin, double lonSec,
                                POINT* out);
// Degrees above 360, minutes or seconds above 59: NV_ERR_ANGLE and 0.
NV_STATUS nv_SessToDecm(S32 deg, S32 min, S32 sec, double* out);
// An x difference folded into [0, NV_X_CIRCUMFERENCE).
S32 nv_AllAround(S32 x);

typedef struct tag_NV_RNGBRG {
  double dBearing;   // degrees from variation-corrected north, [0, 360)
  double dDistance;  // nautical miles
} NV_RNGBRG;
NV_STATUS nv_CalcRngBrg(POINT a, POINT b, double variation, NV_RNGBRG* result);

typedef struct tag_NV_TIME {
  S32 s32Hours;
  S32 s32Minutes;
  S32 s32Seconds;
} NV_TIME;
// distance / speed as hours, minutes and seconds.
NV_STATUS nv_CalcTimeToGo(const double* distance, double speed, NV_TIME* result);
NV_STATUS nv_CenteredSquare(POINT centre, double halfSide, POINT* lowerLeft, POINT* upperRight);
// 1 / cos of the latitude rounded to whole degrees.
NV_STATUS nv_DistCorrection(double lat, double* k);
// The nearest whole log2 of x (0 for x below 1).
NV_STATUS nv_ExpOfTwo(S32 x, float* out);
double nv_MagHead(double heading, double variation);
double nv_TrueHead(double heading, double variation);
NV_STATUS nv_DieselConsumption(double a, double b, double c, double* out);

// Unit conversions: the flag picks the direction named first.
double nv_FeetMeters(double value, BOOLEAN bToMeters);
double nv_FathomsMeters(double value, BOOLEAN bToMeters);
double nv_NMilesKilometers(double value, BOOLEAN bToNMiles);
double nv_NMilesTMiles(double value, BOOLEAN bToNMiles);
double nv_LitersGallons(double value, BOOLEAN bToGallons);

// 1 / cos of whole degrees 0..87 (generated at build time).
constexpr int NV_KLAT_ENTRIES = 88;
extern const double KlatTable[NV_KLAT_ENTRIES];
