// The chart cursor: the four-way key drives it across the plan views in
// accelerating steps, wrapping east-west and stopping at the chart's north
// and south edges; released near a waypoint it snaps onto it and holds there
// for a few repeats. In the bird's-eye views it moves forward and back and
// turns. Runs in the navigation task.

#include <math.h>

#include "h_database.h"
#include "linuxsvc.h"
#include "navmath.h"
#include "t_nav_alarm.h"
#include "t_nav_int.h"
#include "t_nav_views.h"
#include "u_nav.h"
#include "u_nav_edit.h"
#include "ui_texts.h"

constexpr S32 NAV_X_EDGE = 20038300;
constexpr S32 NAV_X_SPAN = 40076600;
constexpr S32 NAV_Y_EDGE = 15433198;
constexpr S32 NAV_SNAP_HOLD_REPEATS = 5;
constexpr S64 NAV_SNAP_PIXELS = 6;

static S32 s_nSnapCount;
static U16 s_lastKeyDownDirection;
static POINT s_ptLastSnap;
// A snap is held until the key has been held past the hold repeats.
static BOOLEAN s_bSnapHeld;

static BOOLEAN CURSOR_bS32(FOURCHARID id, S32* p) { return H_DATABASE_bFetchS32(id, p, nullptr, nullptr); }
static BOOLEAN CURSOR_bFloat(FOURCHARID id, float* p) { return H_DATABASE_bFetchFloat(id, p, nullptr, nullptr); }
static BOOLEAN CURSOR_bActive(void) {
  BOOLEAN b = FALSE;
  return H_DATABASE_bFetchBoolean(FCID("ICAC"), &b, nullptr, nullptr) && b;
}
static void CURSOR_vPutFloat(FOURCHARID id, double d, DATA_TYPE type) {
  H_DATABASE_bUpdateEverythingFloat(id, (float)d, P_NORMAL, type, nullptr, DB_NEVER_STALE);
}
static void CURSOR_vPutPoint(const POINT* pt) {
  H_DATABASE_bUpdateEverythingS32(FCID("ICLT"), pt->y, P_NORMAL, D_POSITION_LAT_MM, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingS32(FCID("ICLN"), pt->x, P_NORMAL, D_POSITION_LON_MM, nullptr, DB_NEVER_STALE);
}
// The heading the boat shows: IHDC when present, else IHDG.
static BOOLEAN CURSOR_bBoatHeading(float* pf) {
  return CURSOR_bFloat(FCID("IHDC"), pf) || CURSOR_bFloat(FCID("IHDG"), pf);
}
static BOOLEAN CURSOR_bBoatAndHeading(POINT* pBoat) {
  float hdg = 0.0f;
  DB_DATA_TYPE lat, lon;
  if (!H_DATABASE_bFetchPair(FCID("ILAT"), FCID("ILON"), &lat, &lon, nullptr) || !CURSOR_bFloat(FCID("IHDG"), &hdg)) {
    return FALSE;
  }
  *pBoat = {lon.s32Val, lat.s32Val};
  return TRUE;
}

void T_NAV_vMakeCursorActive(void) {
  if (CURSOR_bActive()) return;
  H_DATABASE_bUpdateEverythingBoolean(FCID("ICAC"), TRUE, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  U_KEYBOARD_bRegisterKeys(M_NAV, HKEY_MASK_EXIT, KEY_DOWN, FALSE, FALSE, NOT_CURSOR_KEY, REGISTER_VIEW);
}

void T_NAV_vMakeCursorInactive(void) {
  H_DATABASE_bUpdateEverythingBoolean(FCID("ICAC"), FALSE, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  U_KEYBOARD_bUnregisterKeys(M_NAV, HKEY_MASK_EXIT);
  T_NAV_vUpdateCursorWaypoint(NAV_NONE);
  s_bSnapHeld = FALSE;
}

// x comes in at the other edge; y stops at the chart's edges. TRUE when y
// had to be stopped.
static BOOLEAN CURSOR_bFold(S64* px, S64* py) {
  if (*px > NAV_X_EDGE) *px -= NAV_X_SPAN;
  if (*px > NAV_X_EDGE) *px -= 2 * (S64)NAV_X_SPAN;
  if (*px < -NAV_X_EDGE) *px += NAV_X_SPAN;
  if (*px < -NAV_X_EDGE || *px > NAV_X_EDGE) *px = U_NAV_nFoldX((S32)(*px % NAV_X_SPAN));
  if (*py > NAV_Y_EDGE || *py < -NAV_Y_EDGE) {
    *py = *py > 0 ? NAV_Y_EDGE : -NAV_Y_EDGE;
    return TRUE;
  }
  return FALSE;
}

// Position, degrees, bearing and distance from the boat, and a redraw.
static void CURSOR_vPublish(const POINT* pCursor, const POINT* pBoat) {
  CURSOR_vPutPoint(pCursor);
  POSITION wgs = {}, shown = {};
  nv_MeterToDegr(pCursor, &wgs);
  NAV_vShownDegrees(&wgs, &shown);
  CURSOR_vPutFloat(FCID("ICTD"), shown.lat, D_POSITION_LAT);
  CURSOR_vPutFloat(FCID("ICND"), shown.lon, D_POSITION_LON);
  T_NAV_vUpdateCursorDistAndBearing(pBoat, pCursor);
  L_SEMA_Signal(SEMA_VIEW_UPDATE);
}

// Ground metres between two points, by the rhumb line of the navigation maths.
static double CURSOR_dMetres(const POINT* a, const POINT* b) {
  double bearing = 0.0;
  nv_RouteAngle(a, b, &bearing);
  POSITION pa = {}, pb = {};
  nv_MeterToDegr(a, &pa);
  nv_MeterToDegr(b, &pb);
  double nm = 0.0;
  nv_CalcDistance(&pa, &pb, bearing, &nm);
  return nm * 1852.0;
}

static void CURSOR_vSnapTo(U16 u16Waypoint, S32 nCount, POINT* pCursor) {
  const WAYPOINT* w = T_NAV_pGetWaypoint(u16Waypoint);
  if (w == nullptr) return;
  T_NAV_vUpdateCursorWaypoint(u16Waypoint);
  s_nSnapCount += nCount;
  s_bSnapHeld = TRUE;
  *pCursor = w->pt;
  s_ptLastSnap = w->pt;
}

// Key up: the waypoint ahead of the cursor, if any, catches it.
static void CURSOR_vSnap(POINT* pCursor, S32 nCount, S32 nPixelsPerMMM) {
  const S32 width = 10485760 / nPixelsPerMMM > 5 ? 10485760 / nPixelsPerMMM : 5;
  const U16 found = T_NAV_nFindNearbyWaypoint(*pCursor, width, width + nCount / nPixelsPerMMM, s_lastKeyDownDirection);
  if (!s_bSnapHeld) {
    T_NAV_vUpdateCursorWaypoint(found);
    if (found != NAV_NONE) CURSOR_vSnapTo(found, nCount, pCursor);
    return;
  }
  const WAYPOINT* w = found != NAV_NONE ? T_NAV_pGetWaypoint(found) : nullptr;
  if (w != nullptr && (S64)(CURSOR_dMetres(&s_ptLastSnap, &w->pt) * nPixelsPerMMM / 1048576.0) > NAV_SNAP_PIXELS) {
    CURSOR_vSnapTo(found, nCount, pCursor);
    return;
  }
  s_bSnapHeld = FALSE;
  T_NAV_vUpdateCursorWaypoint(NAV_NONE);
}

// Pixels per key event: slow at first, then faster the longer it is held.
static S64 CURSOR_s64Step(S32 nCount, S32 nPixelsPerMMM) {
  S64 s = nCount <= 1 ? 1 : nCount <= 10 ? 6 * (S64)nCount - 5 : 2 * (S64)nCount + 35;
  if (nPixelsPerMMM > (1 << 20)) {
    const S64 least = ((S64)nPixelsPerMMM + (1 << 20) - 1) >> 20;
    if (s < least) s = least;
  }
  return s;
}

// The view's scale, needed as a divisor, and a direction to go: FALSE
// (refused) without either.
static BOOLEAN CURSOR_bScale(FOURCHARID id, CURSOR_POSITION eCursor, S32* pnPixelsPerMMM) {
  if (CURSOR_bS32(id, pnPixelsPerMMM) && *pnPixelsPerMMM > 0 && eCursor >= CURSOR_NORTH &&
      eCursor <= CURSOR_NORTH_WEST) {
    return TRUE;
  }
  L_SEMA_Signal(SEMA_KEYCLICK_BAD);
  return FALSE;
}

// The cursor's place and heading when it is active and placed.
static BOOLEAN CURSOR_bPlaced(POINT* pt, float* pfHeading) {
  S32 lat = 0, lon = 0;
  if (!CURSOR_bActive() || !CURSOR_bS32(FCID("ICLT"), &lat) || !CURSOR_bS32(FCID("ICLN"), &lon) ||
      !CURSOR_bFloat(FCID("ICHD"), pfHeading)) {
    return FALSE;
  }
  *pt = {lon, lat};
  return TRUE;
}

static void CURSOR_vBirdsEye(CURSOR_POSITION eCursor, S32 nCount, KEY_STATE eState, const POINT* pBoat) {
  if (eState != KEY_DOWN) return;
  S32 nPixelsPerMMM = 0;
  if (!CURSOR_bScale(FCID("IBPM"), eCursor, &nPixelsPerMMM)) return;
  float heading = 0.0f;
  POINT pt = *pBoat;
  if (!CURSOR_bPlaced(&pt, &heading) && !CURSOR_bBoatHeading(&heading)) heading = 0.0f;
  if (!isfinite(heading)) heading = 0.0f;
  S64 s = 8388608 / nPixelsPerMMM;
  s = s < 1 ? 1 : s > 32767 ? 32767 : s;
  const S32 h = (S32)lrintf(heading);
  S64 x = pt.x, y = pt.y;
  S64 sign = 0;
  if (eCursor == CURSOR_NORTH || eCursor == CURSOR_NORTH_EAST || eCursor == CURSOR_NORTH_WEST) sign = 1;
  if (eCursor == CURSOR_SOUTH || eCursor == CURSOR_SOUTH_EAST || eCursor == CURSOR_SOUTH_WEST) sign = -1;
  x += (sign * s * U_NAV_nIntSin(h) + 32768) >> 16;
  y += (sign * s * U_NAV_nIntCos(h) + 32768) >> 16;
  CURSOR_bFold(&x, &y);
  if (eCursor == CURSOR_NORTH_EAST || eCursor == CURSOR_EAST || eCursor == CURSOR_SOUTH_EAST) {
    heading = (float)fmod(heading + 3.0, 360.0);
  } else if (eCursor == CURSOR_SOUTH_WEST || eCursor == CURSOR_WEST || eCursor == CURSOR_NORTH_WEST) {
    heading = (float)fmod(heading + 357.0, 360.0);
  }
  T_NAV_vMakeCursorActive();
  const POINT moved = {(S32)x, (S32)y};
  CURSOR_vPutPoint(&moved);
  CURSOR_vPutFloat(FCID("ICHD"), heading, D_HEADING);
  L_SEMA_Signal(SEMA_VIEW_UPDATE);
  if (nCount <= 1) L_SEMA_Signal(SEMA_KEYCLICK_GOOD);
}

void T_NAV_vHandleCursor(CURSOR_POSITION eCursor, S32 nCount, KEY_STATE eState) {
  POINT boat;
  if (!T_NAV_bIsMyView(UNKNOWN_VIEW, UNKNOWN_SPLIT) || !CURSOR_bBoatAndHeading(&boat)) {
    L_SEMA_Signal(SEMA_KEYCLICK_BAD);
    return;
  }
  if (T_NAV_bIsMyBirdsEyeCursorView(UNKNOWN_VIEW, UNKNOWN_SPLIT)) {
    CURSOR_vBirdsEye(eCursor, nCount, eState, &boat);
    return;
  }
  // 1. Without a scale of the plan view no step can be worked out.
  S32 nPixelsPerMMM = 0;
  if (!CURSOR_bScale(FCID("ICPM"), eCursor, &nPixelsPerMMM)) return;
  // 2.
  float heading = 0.0f;
  POINT cursor = boat;
  if (!CURSOR_bPlaced(&cursor, &heading)) {
    T_NAV_vMakeCursorActive();
    if (!CURSOR_bFloat(FCID("ICHH"), &heading)) heading = 0.0f;
    CURSOR_vPutFloat(FCID("ICHD"), heading, D_HEADING);
  }
  // 3. A snapped cursor stays for the first repeats of a held key.
  const BOOLEAN bFirst = nCount <= 1;
  if (bFirst) s_nSnapCount = 0;
  nCount -= s_nSnapCount;
  U32 cursorWaypoint = NAV_NONE;
  H_DATABASE_bFetchU32(FCID("ICWP"), &cursorWaypoint, nullptr, nullptr);
  if (eState == KEY_DOWN && cursorWaypoint != NAV_NONE && s_bSnapHeld) {
    if (nCount < NAV_SNAP_HOLD_REPEATS) return;
    s_nSnapCount += nCount - 1;
    nCount = 1;
    s_bSnapHeld = FALSE;
  }
  // 4. 5.
  if (eState == KEY_DOWN) s_lastKeyDownDirection = (U16)(45 * (eCursor - CURSOR_NORTH));
  BOOLEAN bRefused = FALSE;
  if (eState == KEY_UP) {
    CURSOR_vSnap(&cursor, nCount, nPixelsPerMMM);
  } else {
    // 6.
    static const S8 s_aDir[8][2] = {{0, 1}, {1, 1}, {1, 0}, {1, -1}, {0, -1}, {-1, -1}, {-1, 0}, {-1, 1}};
    const S64 s = CURSOR_s64Step(nCount, nPixelsPerMMM);
    S64 dx = s_aDir[eCursor - CURSOR_NORTH][0] * s * 1024;
    S64 dy = s_aDir[eCursor - CURSOR_NORTH][1] * s * 1024;
    BOOLEAN bCourseUp = FALSE;
    if (H_DATABASE_bFetchBoolean(FCID("SCUV"), &bCourseUp, nullptr, nullptr) && bCourseUp && isfinite(heading)) {
      // The screen's up is the cursor heading.
      const S32 h = (S32)lrintf(heading);
      const S64 c = U_NAV_nIntCos(h), sn = U_NAV_nIntSin(h);
      const S64 rx = (dx * c + dy * sn) >> 16;
      const S64 ry = (dy * c - dx * sn) >> 16;
      dx = rx;
      dy = ry;
    }
    S64 x = cursor.x + dx * 1024 / nPixelsPerMMM;
    S64 y = cursor.y + dy * 1024 / nPixelsPerMMM;
    // 7.
    bRefused = CURSOR_bFold(&x, &y);
    cursor = {(S32)x, (S32)y};
  }
  // 8.
  CURSOR_vPublish(&cursor, &boat);
  // 9.
  if (eState != KEY_DOWN) return;
  if (bRefused) {
    L_SEMA_Signal(SEMA_KEYCLICK_BAD);
  } else if (bFirst) {
    L_SEMA_Signal(SEMA_KEYCLICK_GOOD);
  }
}

void T_NAV_vCursorToWaypoint(U32 nIndex) {
  POINT boat;
  const WAYPOINT* w = nIndex < NAV_MAX_WAYPOINTS ? T_NAV_pGetWaypoint(nIndex) : nullptr;
  if (!CURSOR_bBoatAndHeading(&boat) || w == nullptr) {
    L_SEMA_Signal(SEMA_KEYCLICK_BAD);
    T_NAV_vUpdateCursorWaypoint(w != nullptr ? (U16)nIndex : NAV_NONE);
    return;
  }
  L_MUTEX_LockWait(RES_NAV_DATA);
  const POINT pt = w->pt;
  L_MUTEX_Unlock(RES_NAV_DATA);
  T_NAV_vMakeCursorActive();
  float heading = 0.0f;
  CURSOR_bBoatHeading(&heading);
  CURSOR_vPutFloat(FCID("ICHD"), heading, D_HEADING);
  CURSOR_vPublish(&pt, &boat);
  L_SEMA_Signal(SEMA_KEYCLICK_GOOD);
  T_NAV_vUpdateCursorWaypoint((U16)nIndex);
}

void T_NAV_vSelectWaypointToCursorTo(void) {
  if (T_NAV_EDIT_bSelectWaypointSetup(T_NAV_vCursorToWaypoint, nullptr, Select_Waypoint_To_Move_Cursor_To, TRUE)) {
    L_SEMA_Signal(SEMA_KEYCLICK_GOOD);
    return;
  }
  T_NAV_vSetNavUIError(No_Saved_Waypoints);
  L_SEMA_Signal(SEMA_KEYCLICK_BAD);
}

TRACK* T_NAV_pGetCurrentTrackPtr(void) { return &g_NAV.CurrentTrack; }
