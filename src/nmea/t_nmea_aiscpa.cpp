// Closest point of approach of every AIS target to the own boat, and the
// collision danger test, in the Mercator plane of the charts with the
// whole-degree sines the chart overlay draws the course lines with, so that
// the alarm and the picture agree. Relative motion is used whatever the
// own speed: a boat at anchor still sees a ship coming at it.

#include <math.h>

#include "h_database.h"
#include "linuxsvc.h"
#include "navmath.h"
#include "t_nmea_ais.h"
#include "u_convert.h"
#include "u_nav.h"

// Metres a minute per knot.
constexpr double AIS_METRES_PER_MINUTE_PER_KNOT = 1852.0 / 60.0;
// Own speeds up to this count as stationary.
constexpr double AIS_OWN_STILL_KNOTS = 0.25;
// Squared relative speeds up to this (Mercator metres a minute) mean no
// relative motion.
constexpr double AIS_STILL_RELATIVE = 0.0001;

// A ship in the plane: where it is and its velocity in Mercator metres a
// minute.
typedef struct tag_AIS_MOTION {
  POINT pt;
  double dVx;
  double dVy;
} AIS_MOTION;

static void AIS_vVelocity(double dKnots, double dCourse, AIS_MOTION* m) {
  const S32 heading = (S32)lround(dCourse);
  const double scale = U_NAV_u16ScalingMMPerKm(m->pt.y) / 1024.0;
  const double speed = dKnots * AIS_METRES_PER_MINUTE_PER_KNOT * scale;
  m->dVx = speed * U_NAV_nIntSin(heading) / 65536.0;
  m->dVy = speed * U_NAV_nIntCos(heading) / 65536.0;
}

// The own boat's place and motion; FALSE when its position, speed or course
// cannot be had (a stale position too when bValidOnly).
static BOOLEAN AIS_bOwnBoat(BOOLEAN bValidOnly, AIS_MOTION* m) {
  DB_DATA_TYPE lat, lon;
  BOOLEAN bPositionValid = FALSE;
  float fSog = 0, fCourse = 0, fCompass = 0;
  BOOLEAN bCompass = FALSE;
  if (!H_DATABASE_bFetchPair(FCID("ILAT"), FCID("ILON"), &lat, &lon, &bPositionValid) ||
      !H_DATABASE_bFetchFloat(FCID("ISOG"), &fSog, nullptr, nullptr) ||
      !H_DATABASE_bFetchFloat(FCID("IHDG"), &fCourse, nullptr, nullptr)) {
    return FALSE;
  }
  if (bValidOnly && !bPositionValid) return FALSE;
  if (H_DATABASE_bFetchFloat(FCID("IHDC"), &fCompass, &bCompass, nullptr) && bCompass) fCourse = fCompass;
  m->pt = {lon.s32Val, lat.s32Val};
  const double knots = dConvertFromInternal(fSog, D_SPEED, U_KNOTS);
  AIS_vVelocity(knots > AIS_OWN_STILL_KNOTS ? knots : 0.0, fCourse, m);
  return TRUE;
}

// A target without a position has no place in the plane; one without speed
// or course is taken as still.
static BOOLEAN AIS_bTarget(const aisTargetINFO* t, AIS_MOTION* m) {
  if (!t->validityFlag[SHIPPOS_FLAG_INDEX]) return FALSE;
  const POSITION pos = {t->Latitude, t->Longitude};
  if (nv_DegrToMeter(&pos, &m->pt) != NV_OK) return FALSE;
  const BOOLEAN bMoving = t->validityFlag[SOG_FLAG_INDEX] && t->validityFlag[COG_FLAG_INDEX];
  AIS_vVelocity(bMoving ? t->Sog : 0.0, t->Cog, m);
  return TRUE;
}

// The x step from a to b, the short way round the globe.
static double AIS_dDx(S32 a, S32 b) {
  double dx = (double)b - a;
  if (dx > NV_X_LIMIT) dx -= NV_X_CIRCUMFERENCE;
  if (dx < -NV_X_LIMIT) dx += NV_X_CIRCUMFERENCE;
  return dx;
}

// Nautical miles between the two ships after t minutes.
static double AIS_dDistanceAt(const AIS_MOTION* own, const AIS_MOTION* target, double t) {
  double ax = own->pt.x + own->dVx * t, ay = own->pt.y + own->dVy * t;
  double bx = target->pt.x + target->dVx * t, by = target->pt.y + target->dVy * t;
  if (ax > NV_X_LIMIT) ax -= NV_X_CIRCUMFERENCE;
  if (ax < -NV_X_LIMIT) ax += NV_X_CIRCUMFERENCE;
  if (bx > NV_X_LIMIT) bx -= NV_X_CIRCUMFERENCE;
  if (bx < -NV_X_LIMIT) bx += NV_X_CIRCUMFERENCE;
  const POINT a = {(S32)lround(ax), (S32)lround(ay)}, b = {(S32)lround(bx), (S32)lround(by)};
  POSITION from, to;
  double bearing = 0, distance = 0;
  if (nv_MeterToDegr(&a, &from) == NV_OK && nv_MeterToDegr(&b, &to) == NV_OK &&
      nv_RouteAngle(&a, &b, &bearing) >= NV_WARN_BASE && nv_CalcDistance(&from, &to, bearing, &distance) >= NV_WARN_BASE) {
    return distance;
  }
  // Off the chart's latitudes: the plane's length at the own boat's scale.
  const double scale = U_NAV_u16ScalingMMPerKm(own->pt.y) / 1024.0;
  return hypot(AIS_dDx(a.x, b.x), (double)b.y - a.y) / scale / 1852.0;
}

static void AIS_vCollision(const AIS_MOTION* own, aisTargetINFO* t) {
  AIS_MOTION target;
  if (!AIS_bTarget(t, &target)) {
    t->CPA = 0;
    t->TCPA = 0;
    return;
  }
  const double rx = AIS_dDx(own->pt.x, target.pt.x), ry = (double)target.pt.y - own->pt.y;
  const double vx = target.dVx - own->dVx, vy = target.dVy - own->dVy;
  const double vv = vx * vx + vy * vy;
  const double tcpa = vv > AIS_STILL_RELATIVE ? -(rx * vx + ry * vy) / vv : 0.0;
  t->TCPA = tcpa > 0 ? tcpa : 0.0;
  t->CPA = AIS_dDistanceAt(own, &target, t->TCPA);
}

// The second of the last whole pass, on the pool's clock; written by the
// NMEA task only.
static U32 s_u32LastWholePass;
static BOOLEAN s_bWholePassDone;

void T_NMEA_vAisCalculateCollisionValue(void) {
  AIS_MOTION own;
  if (!AIS_bOwnBoat(FALSE, &own)) return;
  L_MUTEX_LockWait(RES_AIS_DATA);
  ais_DeviceInfo* p;
  for (S32 i = 0; T_NMEA_bScanAisPoints(i, &p); i++) AIS_vCollision(&own, &p->aisInfo);
  L_MUTEX_Unlock(RES_AIS_DATA);
}

void T_NMEA_vAisCalculateCollisionValueOf(U32 u32MMSI) {
  AIS_MOTION own;
  if (!AIS_bOwnBoat(FALSE, &own)) return;
  L_MUTEX_LockWait(RES_AIS_DATA);
  const S32 index = T_NMEA_s32GetAisIndex(u32MMSI);
  ais_DeviceInfo* p;
  if (T_NMEA_bScanAisPoints(index, &p)) AIS_vCollision(&own, &p->aisInfo);
  L_MUTEX_Unlock(RES_AIS_DATA);
}

void T_NMEA_vAisCalculateCollisionValueEverySecond(void) {
  const U32 now = T_NMEA_u32AisNow();
  if (s_bWholePassDone && now == s_u32LastWholePass) return;
  s_bWholePassDone = TRUE;
  s_u32LastWholePass = now;
  T_NMEA_vAisCalculateCollisionValue();
}

BOOLEAN T_NMEA_bAisHasAlarm(const ais_DeviceInfo* pInfo) {
  const aisTargetINFO* t = &pInfo->aisInfo;
  AIS_MOTION own, target;
  float fCPA = 0;
  U32 u32TCPA = 0;
  if (!AIS_bTarget(t, &target) || !AIS_bOwnBoat(TRUE, &own) ||
      !H_DATABASE_bFetchFloat(FCID("SCPA"), &fCPA, nullptr, nullptr) ||
      !H_DATABASE_bFetchU32(FCID("STCP"), &u32TCPA, nullptr, nullptr)) {
    return FALSE;
  }
  const double now = AIS_dDistanceAt(&own, &target, 0);
  if (now > 0 && now <= fCPA) return TRUE;
  if (t->CPA > fCPA || t->TCPA <= 0) return FALSE;
  if (t->TCPA <= u32TCPA) return TRUE;
  // The closest approach lies beyond the alarm time: a danger only if the
  // ships are inside the limit by then already.
  const double later = AIS_dDistanceAt(&own, &target, u32TCPA);
  return later > 0 && later <= fCPA;
}
