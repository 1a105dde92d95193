// What the tests feed the store: points recorded into the current track and
// journaled as the navigation task does it, and the records of the crash
// test, each a function of its slot and a generation so that a record made
// of two generations does not decode.
#pragma once

#include <stdio.h>
#include <string.h>

#include "t_nav_nvram_flash.h"

// Adds a point and journals every new ring entry, oldest first.
inline void NAVTEST_vRecord(TRACK* t, POINT p, U16 depth, BOOLEAN bGap) {
  const U32 N = TRACK_DELTA_ENTRIES;
  const U16 before = t->sHeader.u16Count;
  const U32 previous = (t->sHeader.u16FirstDelta + before + N - 2) % N;
  U_NAV_vAddTrackPoint(t, p, depth, bGap);
  if (before == 0) {
    T_NAV_NVRAM_vAddCurrentTrackPoint(t, t->sHeader.u16FirstDelta, 0xFFFF, FALSE);
    return;
  }
  const U32 newest = (t->sHeader.u16FirstDelta + t->sHeader.u16Count - 2) % N;
  for (U32 i = (previous + 1) % N, left = (newest + N - previous) % N; left > 0;) {
    const BOOLEAN bGapEntry = U_NAV_bTrackDeltaIsGapPoint(t, i);
    T_NAV_NVRAM_vAddCurrentTrackPoint(t, (U16)i, (U16)newest, bGapEntry);
    const U32 step = bGapEntry ? 3 : 1;
    i = (i + step) % N;
    left -= step;
  }
}

// ---- The crash test's records ----

constexpr U32 NAVSAVER_WAYPOINTS = 40;
// Above the root and its first body.
constexpr U32 NAVSAVER_FIRST_SLOT = 10;
constexpr U32 NAVSAVER_ROUTES = 5;
constexpr U32 NAVSAVER_POINTS_PER_GENERATION = 3;

inline U32 NAVSAVER_u32Mix(U32 k) { return (k + 1) * 2654435761u; }

inline WAYPOINT NAVSAVER_Waypoint(U32 k, U32 g) {
  WAYPOINT w;
  memset(&w, 0, sizeof w);
  w.u8Status = WPT_STATUS_SAVED;
  w.u8Icon = (U8)(g % 83);
  w.u16Depth = (U16)(g * 3 + k);
  w.u32DateTime = g ^ NAVSAVER_u32Mix(k);
  w.pt = {(S32)(g * 7 + k), (S32)(k * 1000) - (S32)g};
  snprintf(w.sName, sizeof w.sName, "G%uK%u", g, k);
  return w;
}

inline ROUTE NAVSAVER_Route(U32 r, U32 g) {
  ROUTE route;
  memset(&route, 0, sizeof route);
  route.nCount = g % 50 + 1;
  route.u32DateTime = g ^ NAVSAVER_u32Mix(100 + r);
  for (U32 i = 0; i < route.nCount; i++) route.anWaypoint[i] = (U16)(NAVSAVER_FIRST_SLOT + (g + i * r) % NAVSAVER_WAYPOINTS);
  snprintf(route.sName, sizeof route.sName, "ROUTE %u OF %u", r, g);
  return route;
}

// The generation a stored record claims, to be checked against the record
// that generation makes.
inline U32 NAVSAVER_u32WaypointGeneration(U32 k, const WAYPOINT* w) { return w->u32DateTime ^ NAVSAVER_u32Mix(k); }
inline U32 NAVSAVER_u32RouteGeneration(U32 r, const ROUTE* p) { return p->u32DateTime ^ NAVSAVER_u32Mix(100 + r); }

// Point i of the current track; every 17th from the fifth on follows a gap.
inline POINT NAVSAVER_Point(U32 i) { return {(S32)(i * 10 + i * 37 % 1000), (S32)(i * 91 % 500)}; }
inline BOOLEAN NAVSAVER_bGap(U32 i) { return i % 17 == 5; }
