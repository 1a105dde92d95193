// The one-second update: the boat position, the demonstration boat, the
// current track and its journal, the distance run, the values of the
// active leg, and the conditions the navigation alarms are raised on.

#include <math.h>
#include <string.h>

#include "h_database.h"
#include "linuxsvc.h"
#include "navmath.h"
#include "t_nav_alarm.h"
#include "t_nav_int.h"
#include "t_nav_nvram_flash.h"
#include "t_nav_twr.h"
#include "t_nmea_ais.h"
#include "u_convert.h"
#include "u_datum.h"
#include "u_geomag.h"
#include "u_nav.h"
#include "u_view.h"

// ---------------------------------------------------------------------------
// Database helpers

static BOOLEAN NAV_bFloat(FOURCHARID id, float* pf) {
  BOOLEAN bValid = FALSE;
  return H_DATABASE_bFetchFloat(id, pf, &bValid, nullptr) && bValid;
}

static BOOLEAN NAV_bU32(FOURCHARID id, U32* p) {
  BOOLEAN bValid = FALSE;
  return H_DATABASE_bFetchU32(id, p, &bValid, nullptr) && bValid;
}

// 99:58:59, the longest elapsed time the MOB bar shows.
constexpr U32 NAV_MOB_TIME_CAP = 359939;

static void NAV_vPutFloat(FOURCHARID id, double value, DATA_TYPE type) {
  H_DATABASE_bUpdateEverythingFloat(id, (float)value, P_NORMAL, type, nullptr, DB_NEVER_STALE);
}

static void NAV_vPutS32(FOURCHARID id, S32 value, DATA_TYPE type) {
  H_DATABASE_bUpdateEverythingS32(id, value, P_NORMAL, type, nullptr, DB_NEVER_STALE);
}

// The boat in metres and in degrees, under one hold of the database lock:
// readers take each pair under it and never see a step half written.
static void NAV_vPutPosition(const POINT* pMetres, const POSITION* pDegrees) {
  L_MUTEX_LockWait(RES_DATABASE);
  NAV_vPutS32(FCID("ILAT"), pMetres->y, D_POSITION_LAT_MM);
  NAV_vPutS32(FCID("ILON"), pMetres->x, D_POSITION_LON_MM);
  NAV_vPutFloat(FCID("ILTD"), pDegrees->lat, D_POSITION_LAT);
  NAV_vPutFloat(FCID("ILND"), pDegrees->lon, D_POSITION_LON);
  L_MUTEX_Unlock(RES_DATABASE);
}

static void NAV_vPutBool(FOURCHARID id, BOOLEAN value) {
  H_DATABASE_bUpdateEverythingBoolean(id, value, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
}

BOOLEAN NAV_bBoat(POINT* pBoat) {
  DB_DATA_TYPE lat, lon;
  BOOLEAN bValid = FALSE;
  if (!H_DATABASE_bFetchPair(FCID("ILAT"), FCID("ILON"), &lat, &lon, &bValid) || !bValid) return FALSE;
  // A receiver without a fix reports 0: no boat lies exactly on the equator
  // or the prime meridian often enough to matter.
  if (lat.s32Val == 0 || lon.s32Val == 0) return FALSE;
  *pBoat = {lon.s32Val, lat.s32Val};
  return TRUE;
}

// ---------------------------------------------------------------------------
// Geometry

static double NAV_dBearing(const POINT* a, const POINT* b) {
  double bearing = 0.0;
  nv_RouteAngle(a, b, &bearing);
  return bearing;
}

float T_NAV_vGetTargetBearing(U32 nTarget) {
  POINT boat, target;
  if (!NAV_bBoat(&boat)) return 0.0f;
  L_MUTEX_LockWait(RES_NAV_DATA);
  const BOOLEAN bTarget = g_NAV.CurrentRoute.nCount > 0 && NAV_ROUTE_bPoint(nTarget, &target);
  L_MUTEX_Unlock(RES_NAV_DATA);
  return bTarget ? (float)NAV_dBearing(&boat, &target) : 0.0f;
}

static double NAV_dDegrees(double d) { return fmod(fmod(d, 360.0) + 360.0, 360.0); }
static double NAV_dRad(double d) { return d * M_PI / 180.0; }

// Seconds to cover dDistance at dSpeed, -1 when the boat is not closing or
// would take 100 hours or more.
static S32 NAV_s32TimeToGo(double dDistance, double dSpeed) {
  if (dSpeed <= 0.0) return -1;
  const double t = dDistance / dSpeed;
  return t < 359940.0 ? (S32)lround(t) : -1;
}

// ---------------------------------------------------------------------------
// The demonstration boat

typedef struct tag_SIMULATION_STEP {
  float fAcceleration;
  float fSpeedLimit;
  POINT ptAimpoint;  // from the start point, Mercator metres
} SIMULATION_STEP;

static const SIMULATION_STEP s_BoatSimulatorAimPoints[] = {
    {0.1f, 2.5f, {381, -172}},   {-0.05f, 2.0f, {573, -212}}, {0.1f, 2.5f, {1221, -504}},
    {-0.1f, 2.0f, {1933, -788}}, {0.1f, 2.5f, {2093, -780}},  {0.2f, 5.0f, {2277, -548}},
    {-0.1f, 1.5f, {2285, -364}}, {0.2f, 2.0f, {2485, -664}},  {-0.1f, 1.0f, {2515, -634}},
    {0.1f, 2.0f, {2315, -334}},  {0.1f, 4.0f, {2345, -304}},  {0.1f, 4.0f, {2545, -604}},
    {-0.1f, 2.0f, {2575, -574}}, {0.2f, 4.0f, {2375, -274}},  {-0.1f, 1.0f, {2405, -244}},
    {0.1f, 2.0f, {2605, -544}},  {0.1f, 4.0f, {2635, -514}},  {-0.2f, 2.0f, {2435, -214}},
    {0.1f, 4.0f, {2465, -184}},  {-0.2f, 2.0f, {2665, -484}}, {0.2f, 5.0f, {2430, -851}},
    {-0.2f, 2.0f, {2322, -851}}, {0.2f, 4.0f, {1986, -679}},  {-0.2f, 2.0f, {1134, -303}},
    {0.2f, 2.5f, {646, 25}},     {-0.1f, 2.0f, {426, 26}},    {0.1f, 3.0f, {162, 249}},
    {-0.1f, 2.0f, {42, 209}},    {0.1f, 2.5f, {-174, 113}},
};
constexpr U32 NAV_AIM_ROWS = sizeof s_BoatSimulatorAimPoints / sizeof s_BoatSimulatorAimPoints[0];
static_assert(NAV_AIM_ROWS == 29);

static void NAV_vAim(U32 u32Row) {
  const SIMULATION_STEP* p = &s_BoatSimulatorAimPoints[u32Row];
  g_NAV.u32IndexInAimpointList = u32Row;
  g_NAV.Boat.fAccelerationMetresPerSecondPerSecond = p->fAcceleration;
  g_NAV.Boat.fSpeedLimitMetresPerSecond = p->fSpeedLimit;
  g_NAV.ptAbsoluteAimPoint = {g_NAV.ptSimulationStartPoint.x + p->ptAimpoint.x,
                              g_NAV.ptSimulationStartPoint.y + p->ptAimpoint.y};
}

// Degrees of a position as shown: in the datum chosen (SDTM) when there is one.
void NAV_vShownDegrees(const POSITION* pWgs, POSITION* pShown) {
  *pShown = *pWgs;
  U32 datum = 0;
  if (H_DATABASE_bFetchU32(FCID("SDTM"), &datum, nullptr, nullptr) && datum != 0) {
    WGS84_2_Datum(pWgs->lat, pWgs->lon, &pShown->lat, &pShown->lon, (DATUM_PLANE)datum);
  }
}

void NAV_vStartSimulator(void) {
  U32 now = 0;
  H_DATABASE_bFetchU32(FCID("IDTM"), &now, nullptr, nullptr);
  S32 lat = 0, lon = 0;
  POINT start;
  if (H_DATABASE_bFetchS32(FCID("SNLN"), &lon, nullptr, nullptr) &&
      H_DATABASE_bFetchS32(FCID("SNLT"), &lat, nullptr, nullptr)) {
    start = {lon, lat};
  } else {
    const POSITION home = {34.325, -83.958333};
    nv_DegrToMeter(&home, &start);
  }
  POSITION wgs = {}, shown;
  nv_MeterToDegr(&start, &wgs);
  g_NAV.ptSimulationStartPoint = start;
  g_NAV.Boat = {90.0, 0.0f, 2.5f, 0.2f, 0.0f, 0.1f, {(double)start.x, (double)start.y}};
  NAV_vAim(0);
  g_NAV.u32SimulatorStamp = NAV_u32Milliseconds();
  g_NAV.bSimulatorStarted = TRUE;
  NAV_vShownDegrees(&wgs, &shown);

  H_DATABASE_bUpdateEverythingU32(FCID("IPFI"), 2, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  static const U32 s_au32Satellites[9] = {0xA67B4804, 0xA60DBF07, 0xA6472B1C, 0xA873A618, 0xA51B1814,
                                          0x23911609, 0x9F9E8805, 0x002B0A02, 0xA89F3B08};
  static const FOURCHARID s_aSatelliteKeys[9] = {FCID("ISA1"), FCID("ISA2"), FCID("ISA3"), FCID("ISA4"), FCID("ISA5"),
                                                 FCID("ISA6"), FCID("ISA7"), FCID("ISA8"), FCID("ISA9")};
  for (U32 i = 0; i < 9; i++) {
    H_DATABASE_bUpdateEverythingU32(s_aSatelliteKeys[i], s_au32Satellites[i], P_NORMAL, D_SAT_DATA, nullptr,
                                    DB_NEVER_STALE);
  }
  H_DATABASE_bUpdateEverythingU32(FCID("IGSM"), 3, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  NAV_vPutFloat(FCID("IHDP"), 1.0, D_FLOAT);
  NAV_vPutFloat(FCID("IEPE"), 5.3, D_DISTANCE);
  NAV_vPutFloat(FCID("IALT"), 330.0, D_DEPTH);
  NAV_vPutPosition(&start, &shown);
  H_DATABASE_bUpdateEverythingU32(FCID("CGPS"), 6, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  NAV_vPutS32(FCID("ICLT"), start.y, D_POSITION_LAT_MM);
  NAV_vPutS32(FCID("ICLN"), start.x, D_POSITION_LON_MM);
  NAV_vPutFloat(FCID("ICTD"), shown.lat, D_POSITION_LAT);
  NAV_vPutFloat(FCID("ICND"), shown.lon, D_POSITION_LON);
  NAV_vPutFloat(FCID("IHDG"), 0.0, D_HEADING);
  NAV_vPutFloat(FCID("ISOG"), 0.0, D_SPEED);
  NAV_vPutFloat(FCID("IMGV"), dMagneticVariation(0.0, wgs.lat, wgs.lon, now), D_UNKNOWN);
  H_DATABASE_bUpdateEverythingU32(FCID("IDTM"), 1213461000u, P_NORMAL, D_DATETIME, nullptr, DB_NEVER_STALE);
}

static BOOLEAN NAV_bChartViewUp(void) {
  static const S32 s_aViews[] = {52, 65, 53, 56, 54, 55, 50, 66, 67, 40};
  S32 view = -2;
  H_DATABASE_bFetchS32(FCID("CVEW"), &view, nullptr, nullptr);
  for (S32 v : s_aViews) {
    if (v == view) return TRUE;
  }
  return FALSE;
}

static void NAV_vSimulatorStep(void) {
  float sog = 0.0f, hdg = 0.0f;
  U32 now = 0;
  if (!g_NAV.bSimulatorStarted || !H_DATABASE_bFetchFloat(FCID("ISOG"), &sog, nullptr, nullptr) ||
      !H_DATABASE_bFetchFloat(FCID("IHDG"), &hdg, nullptr, nullptr) ||
      !H_DATABASE_bFetchU32(FCID("IDTM"), &now, nullptr, nullptr)) {
    return;
  }
  BOAT_DESCRIPTOR* b = &g_NAV.Boat;
  POINT boat = {(S32)lround(b->adCurrentPositionDoubleMM[0]), (S32)lround(b->adCurrentPositionDoubleMM[1])};
  if (T_NAV_fDistanceBetweenPoints(&boat, &g_NAV.ptAbsoluteAimPoint) < 15.0f) {
    NAV_vAim((g_NAV.u32IndexInAimpointList + 1) % NAV_AIM_ROWS);
  }
  double error = NAV_dBearing(&boat, &g_NAV.ptAbsoluteAimPoint) - b->fHeadingDegrees;
  while (error > 180.0) error -= 360.0;
  while (error < -180.0) error += 360.0;
  if (b->fSpeedMetresPerSecond == 0.0f) {
    b->fRudderAngle = 0.0f;
  } else {
    const double rudder = error / ((double)b->fSpeedMetresPerSecond * b->fTurnGain);
    b->fRudderAngle = (float)(rudder > 20.0 ? 20.0 : rudder < -20.0 ? -20.0 : rudder);
  }
  const U32 stamp = NAV_u32Milliseconds();
  const double t = (double)(U32)(stamp - g_NAV.u32SimulatorStamp);
  g_NAV.u32SimulatorStamp = stamp;
  const double d = b->fSpeedMetresPerSecond * (t * 0.001) * U_NAV_u16ScalingMMPerKm(boat.y) / 1024.0;
  b->adCurrentPositionDoubleMM[0] += d * sin(NAV_dRad(b->fHeadingDegrees));
  b->adCurrentPositionDoubleMM[1] += d * cos(NAV_dRad(b->fHeadingDegrees));
  b->fHeadingDegrees =
      fmod(b->fHeadingDegrees + 360.0 + (double)b->fSpeedMetresPerSecond * b->fTurnGain * b->fRudderAngle, 360.0);
  if (g_NAV.bInIceMode) {
    b->fSpeedMetresPerSecond = 0.0f;
  } else {
    const float a = b->fAccelerationMetresPerSecondPerSecond, limit = b->fSpeedLimitMetresPerSecond;
    b->fSpeedMetresPerSecond += (float)(t * 0.001 * a);
    if (a > 0.0f && b->fSpeedMetresPerSecond > limit) b->fSpeedMetresPerSecond = limit;
    if (a <= 0.0f && b->fSpeedMetresPerSecond < limit) b->fSpeedMetresPerSecond = limit;
  }
  NAV_vPutFloat(FCID("ISOG"), b->fSpeedMetresPerSecond, D_SPEED);
  NAV_vPutFloat(FCID("IHDG"), b->fHeadingDegrees, D_HEADING);
  BOOLEAN bSine = FALSE;
  if (H_DATABASE_bFetchBoolean(FCID("SINE"), &bSine, nullptr, nullptr) && bSine) {
    H_DATABASE_bUpdateEverythingS32(FCID("IPMH"), (S32)(b->fHeadingDegrees * 10.0), P_NORMAL, D_UNKNOWN, nullptr,
                                    DB_NEVER_STALE);
  }
  double x = round(b->adCurrentPositionDoubleMM[0]);
  if (x >= 20038301.0) x -= NV_X_CIRCUMFERENCE;
  if (x < -20038300.0) x += NV_X_CIRCUMFERENCE;
  const POINT pt = {(S32)x, (S32)lround(b->adCurrentPositionDoubleMM[1])};
  POSITION wgs = {}, shown;
  nv_MeterToDegr(&pt, &wgs);
  NAV_vShownDegrees(&wgs, &shown);
  NAV_vPutPosition(&pt, &shown);
  NAV_vPutFloat(FCID("IMGV"), dMagneticVariation(0.0, wgs.lat, wgs.lon, now), D_UNKNOWN);
  H_DATABASE_bUpdateEverythingU32(FCID("IDTM"), now + 1, P_NORMAL, D_DATETIME, nullptr, DB_NEVER_STALE);
  if (NAV_bChartViewUp()) L_SEMA_Signal(SEMA_VIEW_UPDATE);
  // Where the demonstration goes, now and then, for whoever reads the log.
  static U32 s_u32Steps;
  if (++s_u32Steps % 5 == 0) log_me("[%d]%s: demonstration boat at %d %d", __LINE__, __func__, (int)pt.x, (int)pt.y);
}

// ---------------------------------------------------------------------------
// The current track

static void NAV_vTrackMemoryWarningShown(BOOLEAN bShow);

// Journals the ring entries a point added, oldest first: the absolute start
// for the first point of a track, else every entry after the one that was
// newest before (a gap marker counts three).
static void NAV_vJournal(const TRACK* t, U16 u16CountBefore, U32 u32PreviousNewest) {
  const U32 N = TRACK_DELTA_ENTRIES;
  if (t->sHeader.u16Count == 0) return;
  if (u16CountBefore == 0) {
    T_NAV_NVRAM_vAddCurrentTrackPoint(t, t->sHeader.u16FirstDelta, 0xFFFF, FALSE);
    return;
  }
  const U32 newest = (t->sHeader.u16FirstDelta + t->sHeader.u16Count - 2) % N;
  for (U32 i = (u32PreviousNewest + 1) % N, left = (newest + N - u32PreviousNewest) % N; left > 0;) {
    const BOOLEAN bGap = U_NAV_bTrackDeltaIsGapPoint(t, i);
    T_NAV_NVRAM_vAddCurrentTrackPoint(t, (U16)i, (U16)newest, bGap);
    const U32 step = bGap ? 3 : 1;
    i = (i + step) % N;
    left = left > step ? left - step : 0;
  }
}

static void NAV_vTrack(const POINT* pBoat, U32 u32State) {
  g_NAV.u32TrackTicks++;
  S32 interval = 0;
  U32 fix = 0;
  if (!H_DATABASE_bFetchS32(FCID("SNTI"), &interval, nullptr, nullptr) || (S32)g_NAV.u32TrackTicks < interval ||
      !NAV_bU32(FCID("IPFI"), &fix) || fix == 0) {
    return;
  }
  TRACK* t = &g_NAV.CurrentTrack;
  NAV_vTrackMemoryWarningShown((S64)interval * (TRACK_MAX_COUNT - t->sHeader.u16Count) < 600);

  const POINT last = t->sHeader.u16Count > 0 ? t->sHeader.ptLast : POINT{0, 0};
  S32 dx = last.x - pBoat->x;
  if (dx > NV_X_LIMIT) dx -= NV_X_CIRCUMFERENCE;
  if (dx < -NV_X_LIMIT) dx += NV_X_CIRCUMFERENCE;
  float minimum = 5.0f;
  H_DATABASE_bFetchFloat(FCID("SNTD"), &minimum, nullptr, nullptr);
  const double metres = dConvertFromInternal(minimum, D_DISTANCE, U_METRES);
  const S32 threshold = (S32)lround(metres * U_NAV_u16ScalingMMPerKm(pBoat->y)) / 1024;
  if (U_NAV_bDistanceLessThanOrEqual(POINT{dx, last.y - pBoat->y}, threshold)) return;

  const BOOLEAN bGap = g_NAV.bPowerOnGap;
  g_NAV.bPowerOnGap = FALSE;
  float depth = 0.0f;
  U16 u16Depth = 0;
  if (NAV_bFloat(FCID("IDEP"), &depth)) u16Depth = (U16)lround((depth > 655.35f ? 655.35f : depth) * 100.0f);
  if (L_MUTEX_LockTime(RES_NAV_DATA, 1000) == 0) {
    const U16 before = t->sHeader.u16Count;
    const U32 previousNewest = (t->sHeader.u16FirstDelta + before + TRACK_DELTA_ENTRIES - 2) % TRACK_DELTA_ENTRIES;
    // A full ring drops its oldest point as it takes the new one: the count
    // stays, the journal still gets the new entries.
    if (g_NAV.bTrackEnable) {
      U_NAV_vAddTrackPoint(t, *pBoat, u16Depth, bGap);
      if (u32State == NAV_STATE_NORMAL_RUN) NAV_vJournal(t, before, previousNewest);
    }
    L_MUTEX_Unlock(RES_NAV_DATA);
  }
  g_NAV.u32TrackTicks = 0;
}

// The warning that the current track is about to drop its oldest points:
// shown for ten updates when room runs short, again only after room was made.
extern DRAW_FUNCTION T_NAV_vTrackMemoryWarning;

static void NAV_vTrackMemoryWarningShown(BOOLEAN bShort) {
  if (!bShort) {
    if (g_NAV.bTrackingMemoryWarningDisplayed) {
      U_VIEW_bUnRegisterLayer((LAYER_ID)268);
      U_KEYBOARD_bUnregisterKeys(M_NAV, HKEY_MASK_EXIT);
    }
    g_NAV.bTrackingMemoryWarning = FALSE;
    g_NAV.bTrackingMemoryWarningDisplayed = FALSE;
    return;
  }
  if (!g_NAV.bTrackingMemoryWarning) {
    g_NAV.bTrackingMemoryWarning = TRUE;
    g_NAV.bTrackingMemoryWarningDisplayed = TRUE;
    g_NAV.u32TrackingMemoryWarningTicks = 0;
    U_VIEW_bRegisterLayer(T_NAV_vTrackMemoryWarning, (LAYER_ID)268, USED_BY_ALL, 0, 0, TRUE, nullptr, nullptr,
                          nullptr);
    U_KEYBOARD_bRegisterKeys(M_NAV, HKEY_MASK_EXIT, KEY_DOWN, FALSE, FALSE, NOT_CURSOR_KEY, REGISTER_EXCLUSIVE);
  } else if (g_NAV.bTrackingMemoryWarningDisplayed && ++g_NAV.u32TrackingMemoryWarningTicks > 10) {
    U_VIEW_bUnRegisterLayer((LAYER_ID)268);
    U_KEYBOARD_bUnregisterKeys(M_NAV, HKEY_MASK_EXIT);
    g_NAV.bTrackingMemoryWarningDisplayed = FALSE;
  }
}

// ---------------------------------------------------------------------------
// The leg

typedef struct tag_NAV_LEG_INPUT {
  U32 nip;
  float fOffCourse;
  float fArrival;
  U32 destination;
  float fTrack;
  float fSog;
  float fHeading;
  BOOLEAN bContinuous;
  BOOLEAN bLatch;
} NAV_LEG_INPUT;

static BOOLEAN NAV_bLegInput(NAV_LEG_INPUT* p) {
  if (!H_DATABASE_bFetchU32(FCID("INIP"), &p->nip, nullptr, nullptr) || p->nip == 0) return FALSE;
  if (!H_DATABASE_bFetchFloat(FCID("SNAO"), &p->fOffCourse, nullptr, nullptr) ||
      !H_DATABASE_bFetchFloat(FCID("SNAA"), &p->fArrival, nullptr, nullptr) ||
      !H_DATABASE_bFetchU32(FCID("IDWP"), &p->destination, nullptr, nullptr) ||
      !H_DATABASE_bFetchFloat(FCID("ITRK"), &p->fTrack, nullptr, nullptr) || !NAV_bFloat(FCID("ISOG"), &p->fSog) ||
      !NAV_bFloat(FCID("IHDG"), &p->fHeading) ||
      !H_DATABASE_bFetchBoolean(FCID("SNCM"), &p->bContinuous, nullptr, nullptr) ||
      !H_DATABASE_bFetchBoolean(FCID("CCNC"), &p->bLatch, nullptr, nullptr)) {
    return FALSE;
  }
  float compass = 0.0f;
  if (H_DATABASE_bFetchFloat(FCID("IHDC"), &compass, nullptr, nullptr)) p->fHeading = compass;
  return TRUE;
}

static BOOLEAN NAV_bWaypoint(U32 nIndex, POINT* pt) {
  if (nIndex >= NAV_MAX_WAYPOINTS) return FALSE;
  const WAYPOINT* w = T_NAV_pGetWaypoint(nIndex);
  if (w == nullptr || w->u8Status < WPT_STATUS_SAVED || w->u8Status > WPT_STATUS_SAVED_2) return FALSE;
  *pt = w->pt;
  return TRUE;
}

// Publishes the leg's values; the off-course, past and arrival conditions
// for the alarms.
static void NAV_vLeg(const NAV_LEG_INPUT* in, const POINT* pBoat, U32 now, BOOLEAN bDrift) {
  // The route, the waypoints and the leg's start may change in the menu,
  // message-box and alarm tasks: all of them are read under mutex 9.
  L_MUTEX_LockWait(RES_NAV_DATA);
  POINT dest = {0, 0};
  const BOOLEAN bDest = NAV_bWaypoint(in->destination, &dest);
  const double B = NAV_dBearing(pBoat, &dest);
  const double D = T_NAV_fDistanceBetweenPoints(pBoat, &dest);
  NAV_vPutFloat(FCID("IBRG"), B, D_HEADING);
  NAV_vPutFloat(FCID("IDTG"), D, D_DISTANCE);
  const double A = NAV_dDegrees(in->fTrack - B + 360.0);
  const double xte = sin(NAV_dRad(A)) * D;
  NAV_vPutFloat(FCID("IXTE"), xte, D_DISTANCE);
  const double V = cos(NAV_dRad(NAV_dDegrees(in->fHeading - B + 360.0))) * in->fSog;
  NAV_vPutFloat(FCID("IDCV"), V, D_SPEED);
  const S32 ttg = NAV_s32TimeToGo(D, V);
  NAV_vPutS32(FCID("ITTG"), ttg, D_TIME);
  BOOLEAN bArrival = D < in->fArrival;
  const BOOLEAN bPastRaw = A >= 90.0 && A <= 270.0;
  BOOLEAN bPast = bPastRaw;

  const U32 count = g_NAV.CurrentRoute.nCount;
  const BOOLEAN bContinuousCase = in->bContinuous && count > 0 && in->nip == count - 1;
  if (bContinuousCase) {
    // The last leg of a continuous route never arrives: the latch tells the
    // overlay that the end has been reached.
    NAV_vPutBool(FCID("CCNC"), in->bLatch || bArrival || bPast);
    bArrival = bPast = FALSE;
  } else {
    NAV_vPutBool(FCID("IACE"), bArrival);
    NAV_vPutBool(FCID("IPPD"), bPast);
    NAV_vPutBool(FCID("CCNC"), in->bLatch);
  }
  double F = D;
  for (U32 i = in->nip; i + 1 < count; i++) {
    POINT a, b;
    if (NAV_ROUTE_bPoint(i, &a) && NAV_ROUTE_bPoint(i + 1, &b)) F += T_NAV_fDistanceBetweenPoints(&a, &b);
  }
  POINT origin;
  const BOOLEAN bOrigin = NAV_ROUTE_bPoint(in->nip - 1, &origin);

  NAV_vPutFloat(FCID("IDTF"), F, D_DISTANCE);
  const S32 ttf = NAV_s32TimeToGo(F, V);
  NAV_vPutS32(FCID("ITTF"), ttf, D_TIME);
  if (bOrigin) NAV_vPutFloat(FCID("ICMG"), NAV_dBearing(&origin, pBoat), D_HEADING);
  const BOOLEAN bMob = T_NAV_bIsMOBInProgress();
  NAV_vPutFloat(FCID("IVMG"), bMob ? 0.0 : cos(NAV_dRad(NAV_dDegrees(in->fHeading - in->fTrack + 360.0))) * in->fSog,
                D_SPEED);
  double G = 0.0;
  if (bDest) {
    const double toDest = NAV_dBearing(&g_NAV.ptOWT, &dest), toBoat = NAV_dBearing(&g_NAV.ptOWT, pBoat);
    G = T_NAV_fDistanceBetweenPoints(&g_NAV.ptOWT, pBoat) * cos(NAV_dRad(NAV_dDegrees(toDest + 360.0 - toBoat)));
  }
  const S64 E = (S64)now - (S64)g_NAV.u32TimeOWT;
  if (E >= 6 && G > 5.0) {
    NAV_vPutFloat(FCID("ISMG"), G / (double)E, D_SPEED);
  } else {
    H_DATABASE_vDeleteEntry(FCID("ISMG"));
  }
  if (g_NAV.u32NavStartTime == 0) g_NAV.u32NavStartTime = now;
  NAV_vPutS32(FCID("IETM"), (S32)(now - g_NAV.u32NavStartTime), D_SIGNED32);
  NAV_vPutS32(FCID("IETA"), ttg == -1 ? -1 : ttg + (S32)now, D_DATETIME);
  NAV_vPutS32(FCID("IETF"), ttf == -1 ? -1 : ttf + (S32)now, D_DATETIME);
  U32 owp = NAV_NONE;
  POINT legOrigin;
  const BOOLEAN bLegOrigin =
      H_DATABASE_bFetchU32(FCID("IOWP"), &owp, nullptr, nullptr) && NAV_bWaypoint(owp, &legOrigin);
  L_MUTEX_Unlock(RES_NAV_DATA);

  if (bMob) {
    T_NAV_vUpdateAlarms(FALSE, bDrift, FALSE, FALSE, T_NAV_vOnArrival);
    return;
  }
  BOOLEAN bOffCourse = FALSE;
  const double limit = in->fOffCourse;
  if (limit == 0.0) {
    bOffCourse = FALSE;
  } else if (xte < -limit || xte > limit || (bContinuousCase && bPastRaw && D > limit)) {
    bOffCourse = TRUE;
  } else if (bLegOrigin) {
    // The origin still ahead of the boat, and far: it has not started the leg.
    const double O = NAV_dDegrees(in->fTrack - NAV_dBearing(pBoat, &legOrigin) + 360.0);
    bOffCourse = (O < 90.0 || O > 270.0) && T_NAV_fDistanceBetweenPoints(pBoat, &legOrigin) > limit;
  }
  T_NAV_vUpdateAlarms(bOffCourse, bDrift, bPast, bArrival, T_NAV_vOnArrival);
}

// ---------------------------------------------------------------------------
// The tick

// The time since the man went overboard runs on the unit's own clock, fix
// or no fix: a receiver's time may stall, step or stop.
static void NAV_vManOverboardTime(void) {
  if (!T_NAV_bIsMOBInProgress()) return;
  const U32 seconds = (NAV_u32Milliseconds() - g_NAV.u32MOBStartMs) / 1000;
  NAV_vPutS32(FCID("MOBT"), seconds > NAV_MOB_TIME_CAP ? -1 : (S32)seconds, D_LONG_TIME);
}

void T_NAV_vHandleUpdateTimer(void) {
  U32 now = 0;
  H_DATABASE_bFetchU32(FCID("IDTM"), &now, nullptr, nullptr);
  NAV_vManOverboardTime();
  if (g_NAV.u64ZoomKeyPressMs != 0 && NAV_u32Milliseconds() - g_NAV.u64ZoomKeyPressMs >= 1800) {
    NAV_vPutBool(FCID("KZHD"), TRUE);
    g_NAV.u64ZoomKeyPressMs = 0;
  }
  POINT boat;
  if (!NAV_bBoat(&boat)) return;
  U32 state = 0;
  const BOOLEAN bState = H_DATABASE_bFetchU32(FCID("CCST"), &state, nullptr, nullptr);
  if (bState && state == NAV_STATE_POINT_OF_SALE) NAV_vSimulatorStep();

  NAV_vTrack(&boat, bState ? state : 0);

  U32 nip = 0;
  if (!H_DATABASE_bFetchU32(FCID("INIP"), &nip, nullptr, nullptr) || nip == 0) {
    g_NAV.dDistanceTravelled = -1.0;
  } else if (g_NAV.dDistanceTravelled == -1.0) {
    g_NAV.dDistanceTravelled = 0.0;
  } else {
    g_NAV.dDistanceTravelled += T_NAV_fDistanceBetweenPoints(&g_NAV.ptPreviousBoat, &boat);
    NAV_vPutFloat(FCID("IDST"), g_NAV.dDistanceTravelled, D_UNKNOWN);
  }
  g_NAV.ptPreviousBoat = boat;

  float driftLimit = 0.0f;
  S32 anchorLat = 0, anchorLon = 0;
  BOOLEAN bDrift = FALSE;
  if (H_DATABASE_bFetchFloat(FCID("CNDA"), &driftLimit, nullptr, nullptr) && driftLimit > 0.0f &&
      H_DATABASE_bFetchS32(FCID("IDLT"), &anchorLat, nullptr, nullptr) &&
      H_DATABASE_bFetchS32(FCID("IDLN"), &anchorLon, nullptr, nullptr)) {
    const POINT anchor = {anchorLon, anchorLat};
    bDrift = T_NAV_fDistanceBetweenPoints(&boat, &anchor) > driftLimit;
  }

  NAV_LEG_INPUT leg;
  if (NAV_bLegInput(&leg)) {
    NAV_vLeg(&leg, &boat, now, bDrift);
  } else {
    T_NAV_vUpdateAlarms(FALSE, bDrift, FALSE, FALSE, T_NAV_vOnArrival);
  }

  // Silent targets leave the pool here; the target list hears of them after
  // mutex 68 is released.
  T_NMEA_vAisCheckTargets(T_NAV_vUpdateAisAlarm);

  BOOLEAN bCursor = FALSE;
  S32 cursorLat = 0, cursorLon = 0;
  if (H_DATABASE_bFetchBoolean(FCID("ICAC"), &bCursor, nullptr, nullptr) && bCursor &&
      H_DATABASE_bFetchS32(FCID("ICLT"), &cursorLat, nullptr, nullptr) &&
      H_DATABASE_bFetchS32(FCID("ICLN"), &cursorLon, nullptr, nullptr)) {
    const POINT cursor = {cursorLon, cursorLat};
    T_NAV_vUpdateCursorDistAndBearing(&boat, &cursor);
  }
}
