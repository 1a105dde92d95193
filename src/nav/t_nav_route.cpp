// Route navigation: the current route the boat follows, its active leg in
// the database (INIP, IOWP, IDWP, ITRK), go-to, travelling a saved route,
// arrival, skip, recalculation and the end of navigation with the question
// whether to keep the route. Every change of the route and the leg happens
// under mutex 9, whichever task asks for it (the menus, the message box, the
// alarm task's dismissal of an arrival).

#include <string.h>

#include "h_database.h"
#include "linuxsvc.h"
#include "navmath.h"
#include "t_messagebox.h"
#include "t_nav_alarm.h"
#include "t_nav_int.h"
#include "t_nav_twr.h"
#include "u_language.h"
#include "u_menu.h"
#include "u_wstring.h"
#include "ui_texts.h"

// The question is tracked here: it is on show between its asking and its
// answer (or its removal), and nothing else says so.
static std::atomic<bool> s_bQuestionPending{false};

// The message-box task runs the answers holding its queue's mutex and then
// takes mutex 9; so this side never touches that queue while it holds 9.
// Asking and withdrawing the question wait for the outermost unlock.
static thread_local int t_nNavDataDepth;
static std::atomic<bool> s_bAskDeferred{false};
static std::atomic<bool> s_bRemoveDeferred{false};

static const char* NAV_ROUTE_pText(MENU_TEXT pTable);

static void NAV_ROUTE_vLock(void) {
  L_MUTEX_LockWait(RES_NAV_DATA);
  t_nNavDataDepth++;
}

static void NAV_ROUTE_vUnlock(void) {
  t_nNavDataDepth--;
  L_MUTEX_Unlock(RES_NAV_DATA);
  if (t_nNavDataDepth > 0) return;
  if (s_bRemoveDeferred.exchange(false)) T_MESSAGEBOX_vRemoveAllMatching(NAV_ROUTE_pText(Save_Current_Route));
  if (s_bAskDeferred.exchange(false)) {
    T_MESSAGEBOX_vSetupConfMessageWithTitle(NAV_ROUTE_pText(Save_Current_Route), T_NAV_vEndNavigationOnly,
                                            T_NAV_vSaveRouteAndEndNavigation, TRUE, 0);
  }
}

static const char* NAV_ROUTE_pText(MENU_TEXT pTable) { return pTable[nCurrentLanguage()]; }

static void NAV_ROUTE_vPutU32(FOURCHARID id, U32 value, DATA_TYPE type) {
  H_DATABASE_bUpdateEverythingU32(id, value, P_NORMAL, type, nullptr, DB_NEVER_STALE);
}

static U32 NAV_ROUTE_u32Get(FOURCHARID id, U32 fallback) {
  U32 value = fallback;
  H_DATABASE_bFetchU32(id, &value, nullptr, nullptr);
  return value;
}

static BOOLEAN NAV_ROUTE_bWaypoint(U32 nIndex, POINT* pt) {
  if (nIndex >= NAV_MAX_WAYPOINTS) return FALSE;
  const WAYPOINT* w = T_NAV_pGetWaypoint(nIndex);
  if (w == nullptr || w->u8Status < WPT_STATUS_SAVED || w->u8Status > WPT_STATUS_SAVED_2) return FALSE;
  if (pt != nullptr) *pt = w->pt;
  return TRUE;
}

BOOLEAN NAV_ROUTE_bPoint(U32 n, POINT* pt) {
  return n < g_NAV.CurrentRoute.nCount && NAV_ROUTE_bWaypoint(g_NAV.CurrentRoute.anWaypoint[n], pt);
}

static double NAV_ROUTE_dBearing(const POINT* a, const POINT* b) {
  double bearing = 0.0;
  nv_RouteAngle(a, b, &bearing);
  return bearing;
}

// A waypoint's name as a terminated text.
typedef struct tag_NAV_NAME {
  char s[NAV_WAYPOINT_NAME_SIZE + 2];
} NAV_NAME;

static NAV_NAME NAV_ROUTE_Name(U32 nIndex) {
  NAV_NAME name;
  memset(&name, 0, sizeof name);
  if (nIndex < NAV_MAX_WAYPOINTS) memcpy(name.s, T_NAV_pGetWaypoint(nIndex)->sName, NAV_WAYPOINT_NAME_SIZE);
  return name;
}

static BOOLEAN NAV_ROUTE_bMayAsk(void) {
  U32 state = 0;
  return g_NAV.CurrentRoute.nCount > 2 && H_DATABASE_bFetchU32(FCID("CCST"), &state, nullptr, nullptr) &&
         state != NAV_STATE_POINT_OF_SALE;
}

// Ends navigation at once, or asks first whether to keep a route of more
// than two points; pComplete runs when navigation has ended.
static void NAV_ROUTE_vAskOrEnd(BOOLEAN bAsk, NAV_COMPLETE pComplete) {
  NAV_ROUTE_vLock();
  g_NAV.pEndNavigationComplete = pComplete;
  if (bAsk && NAV_ROUTE_bMayAsk()) {
    s_bQuestionPending = true;
    s_bAskDeferred = true;
  } else {
    T_NAV_vEndNavigationNow();
  }
  NAV_vStartAutoZoomTimer();
  NAV_ROUTE_vUnlock();
}

void NAV_ROUTE_vReset(void) {
  memset(&g_NAV.CurrentRoute, 0, sizeof g_NAV.CurrentRoute);
  g_NAV.CurrentRoute.bRtNotShared = 1;
  g_NAV.nRoutePointTarget = 1;
  g_NAV.nRoutePointUsed = 0;
  g_NAV.s32CurrentRoute = -1;
  g_NAV.s16RouteStartWPIndex = -1;
  g_NAV.s32MiddleWPIndex = -1;
  g_NAV.u16UnifiedRouteSave = NAV_NONE;
  g_NAV.u16MOBWaypoint = NAV_NONE;
  g_NAV.pEndNavigationComplete = nullptr;
  s_bQuestionPending = false;
}

BOOLEAN T_NAV_bIsMOBInProgress(void) { return g_NAV.u16MOBWaypoint != NAV_NONE; }
U16 T_NAV_u16GetMOBWaypoint(void) { return g_NAV.u16MOBWaypoint; }
ROUTE* T_NAV_pGetCurrentRoute(void) { return &g_NAV.CurrentRoute; }

// ---------------------------------------------------------------------------
// Starting

// A two-point route from ptOrigin to the waypoint, announced by the note
// pNote (its placeholder the waypoint's name).
static BOOLEAN NAV_ROUTE_bStartToward(U32 nIndex, const POINT* ptOrigin, const char* const* pNote) {
  POINT dest;
  if (ptOrigin == nullptr || !NAV_ROUTE_bWaypoint(nIndex, &dest)) return FALSE;
  NAV_ROUTE_vLock();
  BOOLEAN bAutoRange = FALSE;
  const BOOLEAN bRange = H_DATABASE_bFetchBoolean(FCID("SARS"), &bAutoRange, nullptr, nullptr) && bAutoRange;
  H_DATABASE_bUpdateEverythingBoolean(FCID("IAZR"), !bRange, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  U32 now = 0;
  BOOLEAN bNowValid = FALSE;
  if (!H_DATABASE_bFetchU32(FCID("IDTM"), &now, &bNowValid, nullptr) || !bNowValid) now = 0;

  U16 origin = T_NAV_nFindWaypointAtPosition(*ptOrigin, TRUE);
  if (origin == NAV_NONE) {
    WAYPOINT w;
    memset(&w, 0, sizeof w);
    w.u8Status = WPT_STATUS_TEMPORARY;
    float depth = 0.0f;
    BOOLEAN bDepth = FALSE;
    if (H_DATABASE_bFetchFloat(FCID("IDEP"), &depth, &bDepth, nullptr) && bDepth) {
      w.u16Depth = (U16)((depth > 655.35f ? 655.35f : depth) * 100.0f + 0.5f);
    }
    w.u32DateTime = now;
    w.pt = *ptOrigin;
    // Named in the current text form like every stored name: at most 11
    // characters, or 5 of 16 bits.
    const char* pcStart = NAV_ROUTE_pText(START);
    const U32 u32Limit = U_WSTRING_bIsUnicodeLanguage() ? 10 : 11;
    const U32 u32Length = U_WSTRING_u32w_strlen(pcStart, FALSE);
    memcpy(w.sName, pcStart, u32Length < u32Limit ? u32Length : u32Limit);
    origin = T_NAV_nAddWaypoint(&w, FALSE);
    if (origin == NAV_NONE) {
      NAV_ROUTE_vUnlock();
      T_NAV_vSetNavUIError(No_Waypoints);
      return FALSE;
    }
    g_NAV.s16RouteStartWPIndex = (S16)origin;
  }
  const NAV_NAME name = NAV_ROUTE_Name(nIndex);
  T_NAV_vSetNavUINote(pNote, name.s, TRUE);

  ROUTE* r = &g_NAV.CurrentRoute;
  r->u32DateTime = now;
  r->nCount = 2;
  r->anWaypoint[0] = origin;
  r->anWaypoint[1] = (U16)nIndex;
  g_NAV.nRoutePointTarget = 1;
  g_NAV.aptRoutePoint[0] = *ptOrigin;
  g_NAV.aptRoutePoint[1] = dest;
  g_NAV.nRoutePointUsed = 2;

  NAV_ROUTE_vPutU32(FCID("INIP"), 1, D_UNKNOWN);
  H_DATABASE_bUpdateEverythingBoolean(FCID("IARO"), FALSE, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingBoolean(FCID("IARA"), TRUE, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  NAV_ROUTE_vPutU32(FCID("IOWP"), origin, D_WAYPOINT);
  NAV_ROUTE_vPutU32(FCID("IDWP"), nIndex, D_WAYPOINT);
  g_NAV.ptOWT = *ptOrigin;
  g_NAV.u32TimeOWT = now;
  g_NAV.u32NavStartTime = now;
  g_NAV.dDistanceTravelled = -1.0;
  H_DATABASE_bUpdateEverythingFloat(FCID("ITRK"), (float)NAV_ROUTE_dBearing(ptOrigin, &dest), P_NORMAL, D_HEADING,
                                    nullptr, DB_NEVER_STALE);
  NAV_ROUTE_vUnlock();

  if (!g_NAV.bTrackEnable) NAV_vRegisterTrackMenus(FALSE);
  U_MENU_bRegisterHotActionMenu(Cancel_Navigation, nullptr, 1, T_NAV_vCancelNavigation, FALSE, M_BASIC, USED_BY_ALL,
                                SPLIT_FULL_WINDOW);
  return TRUE;
}

BOOLEAN T_NAV_bStartRouteWithWayptOrigin(U32 nIndex, const POINT* ptOrigin) {
  return NAV_ROUTE_bStartToward(nIndex, ptOrigin, Navigation_Started);
}

BOOLEAN T_NAV_bStartCurrentRouteWithWaypt(U32 nIndex) {
  POINT boat;
  if (!NAV_bBoat(&boat)) {
    T_NAV_vSetNavUIError(Fix_Required);
    return FALSE;
  }
  return T_NAV_bStartRouteWithWayptOrigin(nIndex, &boat);
}

BOOLEAN T_NAV_bWaypointToCurrentRoute(U32 nIndex) {
  POINT pt;
  if (nIndex == NAV_NONE || !NAV_ROUTE_bWaypoint(nIndex, &pt)) return FALSE;
  NAV_ROUTE_vLock();
  ROUTE* r = &g_NAV.CurrentRoute;
  BOOLEAN bDone = TRUE;
  if (r->nCount == 0) {
    bDone = T_NAV_bStartCurrentRouteWithWaypt(nIndex);
  } else if (r->anWaypoint[r->nCount - 1] == nIndex) {
    const NAV_NAME name = NAV_ROUTE_Name(nIndex);
    T_NAV_vSetNavUINote(Waypoint_Already_In_Route, name.s, TRUE);
  } else if (r->nCount >= NAV_MAX_ROUTE_POINTS) {
    T_NAV_vSetNavUIError(Max_Waypoints_in_Route);
    bDone = FALSE;
  } else {
    if (r->nCount == 2) NAV_vRegisterHotInNavViews(Save_Current_Route, 61, T_NAV_vSaveCurrentRoute, TRUE, M_BASIC);
    r->anWaypoint[r->nCount++] = (U16)nIndex;
    if (g_NAV.nRoutePointUsed < NAV_MAX_ROUTE_POINTS) g_NAV.aptRoutePoint[g_NAV.nRoutePointUsed++] = pt;
    const NAV_NAME name = NAV_ROUTE_Name(nIndex);
    T_NAV_vSetNavUINote(Waypoint_Added, name.s, TRUE);
    g_NAV.bCurrentRouteHasChanged = TRUE;
  }
  NAV_ROUTE_vUnlock();
  return bDone;
}

// Takes the route over with no points, ready to be filled.
static void NAV_ROUTE_vBegin(const ROUTE* pRoute, S32 s32Saved, BOOLEAN bReverse) {
  g_NAV.CurrentRoute = *pRoute;
  g_NAV.CurrentRoute.nCount = 0;
  g_NAV.bCurrentRouteIsInReverse = bReverse;
  g_NAV.s32CurrentRoute = s32Saved;
  H_DATABASE_bUpdateEverythingS32(FCID("CCRT"), s32Saved, P_NORMAL, D_SIGNED32, nullptr, DB_NEVER_STALE);
  g_NAV.nRoutePointTarget = 1;
  g_NAV.nRoutePointUsed = 0;
}

void T_NAV_vTravelRoute(const ROUTE* pRoute, U16 u16RouteNdx, U16 u16StartNdx, BOOLEAN bReverse,
                        const POINT* ptStart) {
  if (pRoute == nullptr) return;
  const ROUTE saved = *pRoute;  // the route may be the current one
  g_NAV.pEndNavigationComplete = nullptr;
  NAV_ROUTE_vLock();
  T_NAV_vEndNavigationNow();
  NAV_vStartAutoZoomTimer();
  NAV_ROUTE_vBegin(&saved, u16RouteNdx != NAV_NONE ? (S32)u16RouteNdx : -1, bReverse);
  const BOOLEAN bStart = ptStart != nullptr && ptStart->x != 0 && ptStart->y != 0;
  BOOLEAN bFirst = TRUE;
  auto add = [&](U16 w) {
    const BOOLEAN bOk = bFirst && bStart ? T_NAV_bStartRouteWithWayptOrigin(w, ptStart) : T_NAV_bWaypointToCurrentRoute(w);
    bFirst = FALSE;
    return bOk;
  };
  if (!bReverse) {
    for (U32 i = u16StartNdx > 0 ? u16StartNdx - 1u : 0u; i < saved.nCount && add(saved.anWaypoint[i]); i++) {
    }
  } else {
    U32 start = u16StartNdx < 2 ? saved.nCount : u16StartNdx;
    if (start > saved.nCount) start = saved.nCount;
    for (U32 i = start; i >= 1 && add(saved.anWaypoint[i - 1]); i--) {
    }
  }
  char name[NAV_ROUTE_NAME_SIZE + 1] = {};
  memcpy(name, saved.sName, NAV_ROUTE_NAME_SIZE);
  T_NAV_vSetNavUINote(bReverse ? Traveling_Route_In_Reverse : Traveling_Route, name, FALSE);
  g_NAV.bCurrentRouteHasChanged = FALSE;
  NAV_ROUTE_vUnlock();
}

BOOLEAN T_NAV_vTravelMemoryRoute(ROUTE* pRoute, U32 u32StartAt, BOOLEAN bReverse) {
  if (pRoute == nullptr) return FALSE;
  log_me("[%d]%s: start from waypoint %d in list, s_s32MiddleWPIndex = %d, s_bReverse = %d, bReverse = %d, "
         "initial travel backwards = %d\n",
         __LINE__, __func__, (int)u32StartAt, (int)g_NAV.s32MiddleWPIndex, (int)g_NAV.bReverse, (int)bReverse,
         (int)g_NAV.bInitialTravelBackwards);
  const ROUTE saved = *pRoute;
  g_NAV.pEndNavigationComplete = nullptr;
  NAV_ROUTE_vLock();
  T_NAV_vEndNavigationNow();
  NAV_vStartAutoZoomTimer();
  g_NAV.bCurrentActiveRouteMenuCreated = FALSE;
  if (g_NAV.bShortenedRoute && !g_NAV.bInitialTravelBackwards) {
    log_me("[%d]%s: shortened route, increment start\n", __LINE__, __func__);
    u32StartAt++;
    g_NAV.bShortenedRoute = FALSE;
  }
  BOOLEAN bDone = FALSE;
  if (saved.nCount > 0) {
    const S32 saveIndex = T_NAV_u16FindRoute(pRoute) != NAV_NONE ? (S32)T_NAV_u16FindRoute(pRoute) : -1;
    g_NAV.u16UnifiedRouteSave = NAV_NONE;
    NAV_ROUTE_vBegin(&saved, saveIndex, bReverse);
    const S32 middle = g_NAV.s32MiddleWPIndex;
    auto add = [&](U32 i) {
      log_me("[%d]%s: add WP %d to route\n", __LINE__, __func__, (int)i);
      return T_NAV_bWaypointToCurrentRoute(saved.anWaypoint[i]);
    };
    BOOLEAN bOk = TRUE;
    if (bReverse) {
      const S32 last = middle >= 0 && g_NAV.bReverse && !g_NAV.bInitialTravelBackwards ? middle : 0;
      for (S32 i = (S32)saved.nCount - 1; bOk && i >= last; i--) bOk = add((U32)i);
      if (bOk && last > 0 && g_NAV.s16RouteStartWPIndex >= 0) T_NAV_bWaypointToCurrentRoute((U32)g_NAV.s16RouteStartWPIndex);
    } else {
      const BOOLEAN bMiddle = middle >= 0 && g_NAV.bReverse && g_NAV.bInitialTravelBackwards;
      const U32 end = bMiddle ? (U32)middle + 1 : saved.nCount;
      for (U32 i = 0; bOk && i < end && i < saved.nCount; i++) bOk = add(i);
      if (bOk && bMiddle && g_NAV.s16RouteStartWPIndex >= 0) T_NAV_bWaypointToCurrentRoute((U32)g_NAV.s16RouteStartWPIndex);
    }
    char name[NAV_ROUTE_NAME_SIZE + 1] = {};
    memcpy(name, saved.sName, NAV_ROUTE_NAME_SIZE);
    T_NAV_vSetNavUINote(bReverse ? Traveling_Route_In_Reverse : Traveling_Route, name, FALSE);
    U32 target = bReverse ? saved.nCount - u32StartAt : u32StartAt + 1;
    if (target < 1) target = 1;
    const U32 count = g_NAV.CurrentRoute.nCount;
    if (count >= 2) {
      if (target > count - 1) target = count - 1;
      log_me("[%d]%s: start at %d, count = %d, point to target = %d, actual WP in route = %d\n", __LINE__, __func__,
             (int)u32StartAt, (int)saved.nCount, (int)target, (int)g_NAV.CurrentRoute.anWaypoint[target]);
      g_NAV.nRoutePointTarget = target;
      NAV_ROUTE_vPutU32(FCID("INIP"), target, D_UNKNOWN);
      NAV_ROUTE_vPutU32(FCID("IDWP"), g_NAV.CurrentRoute.anWaypoint[target], D_WAYPOINT);
      T_NAV_vRecalculate();
      bDone = TRUE;
    }
  }
  g_NAV.bCurrentRouteHasChanged = FALSE;
  g_NAV.bReverse = FALSE;
  NAV_ROUTE_vUnlock();
  return bDone;
}

// ---------------------------------------------------------------------------
// Under way

void T_NAV_vRecalculate(void) {
  const U32 nip = NAV_ROUTE_u32Get(FCID("INIP"), 0);
  POINT boat, target;
  if (nip == 0 || !NAV_bBoat(&boat)) return;
  g_NAV.ptRecalculateOrigin = boat;
  g_NAV.bRecalculate = TRUE;
  if (NAV_ROUTE_bPoint(nip, &target)) {
    H_DATABASE_bUpdateEverythingFloat(FCID("ITRK"), (float)NAV_ROUTE_dBearing(&boat, &target), P_NORMAL, D_HEADING,
                                      nullptr, DB_NEVER_STALE);
  }
}

// Point n leaves the route; later points move down.
static void NAV_ROUTE_vRemovePoint(U32 n) {
  ROUTE* r = &g_NAV.CurrentRoute;
  if (n >= r->nCount) return;
  memmove(&r->anWaypoint[n], &r->anWaypoint[n + 1], (r->nCount - n - 1) * sizeof r->anWaypoint[0]);
  r->nCount = r->nCount - 1;
  r->anWaypoint[r->nCount] = NAV_NONE;
}

// The recalculation point joins the drawn route line before the target.
static void NAV_ROUTE_vInsertRecalculationPoint(void) {
  if (g_NAV.nRoutePointUsed >= NAV_MAX_ROUTE_POINTS) return;
  U32 at = g_NAV.nRoutePointTarget;
  if (at > g_NAV.nRoutePointUsed) at = g_NAV.nRoutePointUsed;
  memmove(&g_NAV.aptRoutePoint[at + 1], &g_NAV.aptRoutePoint[at],
          (g_NAV.nRoutePointUsed - at) * sizeof g_NAV.aptRoutePoint[0]);
  g_NAV.aptRoutePoint[at] = g_NAV.ptRecalculateOrigin;
  g_NAV.nRoutePointUsed++;
  g_NAV.nRoutePointTarget++;
}

void T_NAV_vOnArrival(NAV_COMPLETE pComplete) {
  NAV_ROUTE_vLock();
  U32 n = NAV_ROUTE_u32Get(FCID("INIP"), 0);
  const U32 count = g_NAV.CurrentRoute.nCount;
  if (n > 0 && n + 1 < count) {
    n++;
    NAV_ROUTE_vPutU32(FCID("INIP"), n, D_UNKNOWN);
    g_NAV.nRoutePointTarget++;
    NAV_ROUTE_vPutU32(FCID("IOWP"), g_NAV.CurrentRoute.anWaypoint[n - 1], D_WAYPOINT);
    POINT boat;
    if (NAV_bBoat(&boat)) g_NAV.ptOWT = boat;
    g_NAV.u32TimeOWT = NAV_ROUTE_u32Get(FCID("IDTM"), 0);
    NAV_ROUTE_vPutU32(FCID("IDWP"), g_NAV.CurrentRoute.anWaypoint[n], D_WAYPOINT);
    POINT from, to;
    if (NAV_ROUTE_bPoint(n - 1, &from) && NAV_ROUTE_bPoint(n, &to)) {
      H_DATABASE_bUpdateEverythingFloat(FCID("ITRK"), (float)NAV_ROUTE_dBearing(&from, &to), P_NORMAL, D_HEADING,
                                        nullptr, DB_NEVER_STALE);
    }
    if (pComplete != nullptr) pComplete();
    H_DATABASE_bUpdateEverythingBoolean(FCID("IARO"), FALSE, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  } else {
    // The last leg, or no leg at all: navigation ends here.
    NAV_ROUTE_vAskOrEnd(TRUE, pComplete);
  }
  g_NAV.bRecalculate = FALSE;
  g_NAV.bStartedRouteInMiddle = FALSE;
  NAV_ROUTE_vUnlock();
}

void T_NAV_vSkipCurrentRouteWaypoint(void) {
  NAV_ROUTE_vLock();
  const U32 n = NAV_ROUTE_u32Get(FCID("INIP"), 0);
  ROUTE* r = &g_NAV.CurrentRoute;
  if (n == 0) {
  } else if (n + 1 >= r->nCount) {
    NAV_ROUTE_vAskOrEnd(TRUE, nullptr);
    g_NAV.bRecalculate = FALSE;
  } else {
    const U16 w = r->anWaypoint[n];
    if (w < NAV_MAX_WAYPOINTS && T_NAV_pGetWaypoint(w)->u8Status == WPT_STATUS_TEMPORARY) {
      T_NAV_bDeleteTemporaryWaypoint(w);
      if (NAV_ROUTE_u32Get(FCID("ICWP"), NAV_NONE) == w) T_NAV_vUpdateCursorWaypoint(NAV_NONE);
    }
    NAV_ROUTE_vRemovePoint(n);
    NAV_ROUTE_vPutU32(FCID("IDWP"), r->anWaypoint[n], D_WAYPOINT);
    T_NAV_vRecalculate();
  }
  NAV_ROUTE_vUnlock();
}

void T_NAV_vSkipNextWaypoint(void) {
  if (NAV_ROUTE_u32Get(FCID("INIP"), 0) == 0) {
    L_SEMA_Signal(SEMA_KEYCLICK_BAD);
    return;
  }
  U_MENU_vClearMenus();
  T_NAV_vSkipCurrentRouteWaypoint();
  L_SEMA_Signal(SEMA_KEYCLICK_GOOD);
}

void T_NAV_vResetXTE(void) {
  U_MENU_vClearMenus();
  NAV_ROUTE_vLock();
  T_NAV_vRecalculate();
  NAV_ROUTE_vInsertRecalculationPoint();
  NAV_ROUTE_vUnlock();
  L_SEMA_Signal(SEMA_KEYCLICK_GOOD);
}

void T_NAV_vUnifiedNextRouteWaypoint(U16 u16RteNdx) {
  const U32 n = NAV_ROUTE_u32Get(FCID("INIP"), 0);
  if (n == 0) return;
  if (n + 1 >= g_NAV.CurrentRoute.nCount) {
    const ROUTE* saved = u16RteNdx < NAV_MAX_ROUTES ? T_NAV_pGetRoute(u16RteNdx) : nullptr;
    POINT boat;
    if (saved == nullptr || !NAV_bBoat(&boat)) return;
    const BOOLEAN bReverse = g_NAV.bCurrentRouteIsInReverse;
    T_NAV_vTravelRoute(saved, u16RteNdx, bReverse ? 2 : (U16)saved->nCount, !bReverse, &boat);
    return;
  }
  NAV_ROUTE_vLock();
  NAV_ROUTE_vRemovePoint(n);
  NAV_ROUTE_vPutU32(FCID("IDWP"), g_NAV.CurrentRoute.anWaypoint[n], D_WAYPOINT);
  T_NAV_vRecalculate();
  NAV_ROUTE_vInsertRecalculationPoint();
  NAV_ROUTE_vUnlock();
}

BOOLEAN T_NAV_bStartManOverboard(U16 u16Waypoint, const POINT* pBoat) {
  NAV_ROUTE_vLock();
  g_NAV.pEndNavigationComplete = nullptr;
  T_NAV_vEndNavigationNow();
  // Said as what it is: a boater reading "navigation started" beside a
  // waypoint name would not know the man-overboard point was taken.
  const BOOLEAN bStarted = NAV_ROUTE_bStartToward(u16Waypoint, pBoat, Man_Overboard_Marked);
  if (bStarted) {
    g_NAV.u16MOBWaypoint = u16Waypoint;
    g_NAV.u32MOBStartMs = NAV_u32Milliseconds();
    POSITION wgs = {}, shown = {};
    nv_MeterToDegr(pBoat, &wgs);
    NAV_vShownDegrees(&wgs, &shown);
    H_DATABASE_bUpdateEverythingFloat(FCID("MOBX"), (float)shown.lat, P_NORMAL, D_POSITION_LAT, nullptr,
                                      DB_NEVER_STALE);
    H_DATABASE_bUpdateEverythingFloat(FCID("MOBY"), (float)shown.lon, P_NORMAL, D_POSITION_LON, nullptr,
                                      DB_NEVER_STALE);
    H_DATABASE_bUpdateEverythingS32(FCID("MOBT"), 0, P_NORMAL, D_LONG_TIME, nullptr, DB_NEVER_STALE);
  }
  NAV_ROUTE_vUnlock();
  return bStarted;
}

// ---------------------------------------------------------------------------
// Ending

// A temporary waypoint of the route goes, and every key still naming it.
static void NAV_ROUTE_vDropTemporary(U16 w) {
  if (w >= NAV_MAX_WAYPOINTS || T_NAV_pGetWaypoint(w)->u8Status != WPT_STATUS_TEMPORARY) return;
  if (NAV_ROUTE_u32Get(FCID("ICWP"), NAV_NONE) == w) T_NAV_vUpdateCursorWaypoint(NAV_NONE);
  if (NAV_ROUTE_u32Get(FCID("ITWP"), NAV_NONE) == w) NAV_ROUTE_vPutU32(FCID("ITWP"), NAV_NONE, D_WAYPOINT);
  if (NAV_ROUTE_u32Get(FCID("IGWP"), NAV_NONE) == w) NAV_ROUTE_vPutU32(FCID("IGWP"), NAV_NONE, D_WAYPOINT);
  T_NAV_bDeleteTemporaryWaypoint(w);
}

void T_NAV_vEndNavigationNow(void) {
  NAV_ROUTE_vLock();
  if (s_bQuestionPending.exchange(false) && !s_bAskDeferred.exchange(false)) s_bRemoveDeferred = true;
  const U32 oldNip = NAV_ROUTE_u32Get(FCID("INIP"), 0);
  NAV_ROUTE_vPutU32(FCID("INIP"), 0, D_UNKNOWN);
  H_DATABASE_bUpdateEverythingS32(FCID("CCRT"), -1, P_NORMAL, D_SIGNED32, nullptr, DB_NEVER_STALE);
  if (oldNip != 0) {
    U_MENU_bUnregisterHotMenuItem(Cancel_Navigation, USED_BY_ALL, SPLIT_FULL_WINDOW);
    if (!T_NAV_bIsMOBInProgress()) {
      NAV_vUnregisterHotInNavViews(Skip_Next_Waypoint);
      NAV_vUnregisterHotInNavViews(Save_Current_Route);
    }
    if (g_NAV.bTrackEnable) NAV_vRegisterTrackMenus(TRUE);
  }
  // The MOB bar is shown while MOBT is there: it goes with the navigation.
  if (T_NAV_bIsMOBInProgress()) {
    g_NAV.u16MOBWaypoint = NAV_NONE;
    for (FOURCHARID id : {FCID("MOBT"), FCID("MOBX"), FCID("MOBY")}) H_DATABASE_vDeleteEntry(id);
  }

  ROUTE* r = &g_NAV.CurrentRoute;
  for (U32 i = 0; i < r->nCount; i++) NAV_ROUTE_vDropTemporary(r->anWaypoint[i]);
  r->nCount = 0;
  memset(r->sName, 0, sizeof r->sName);
  r->u32DateTime = 0;
  g_NAV.nRoutePointTarget = 1;
  g_NAV.nRoutePointUsed = 0;
  const NAV_COMPLETE pComplete = g_NAV.pEndNavigationComplete;
  g_NAV.pEndNavigationComplete = nullptr;
  if (pComplete != nullptr) pComplete();
  g_NAV.s32MiddleWPIndex = -1;
  g_NAV.bShortenedRoute = FALSE;
  g_NAV.bInitialTravelBackwards = FALSE;
  if (g_NAV.s16RouteStartWPIndex >= 0) NAV_ROUTE_vDropTemporary((U16)g_NAV.s16RouteStartWPIndex);
  g_NAV.s16RouteStartWPIndex = -1;
  memset(r, 0, sizeof *r);
  r->bRtNotShared = 1;
  g_NAV.s32CurrentRoute = -1;
  g_NAV.bCurrentRouteIsInReverse = FALSE;
  if (g_NAV.bReverseMenuCreated) {
    NAV_vUnregisterHotInNavViews(Reverse);
    g_NAV.bReverseMenuCreated = FALSE;
  }
  g_NAV.bCurrentActiveRouteMenuCreated = FALSE;
  H_DATABASE_bUpdateEverythingBoolean(FCID("CCNC"), FALSE, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  if (g_NAV.u16UnifiedRouteSave != NAV_NONE) {
    if (g_NAV.bUnifiedTempRoute && g_NAV.u16UnifiedRouteSave < NAV_MAX_ROUTES) {
      const ROUTE* saved = T_NAV_pGetRoute(g_NAV.u16UnifiedRouteSave);
      for (U32 i = 0; saved != nullptr && i < saved->nCount; i++) NAV_ROUTE_vDropTemporary(saved->anWaypoint[i]);
      T_NAV_bDeleteRouteEX(nullptr, g_NAV.u16UnifiedRouteSave, FALSE);
    }
    g_NAV.u16UnifiedRouteSave = NAV_NONE;
  }
  NAV_ROUTE_vUnlock();
}

void T_NAV_vCancelNavigation(void) {
  U32 menu = 0;
  if (!H_DATABASE_bFetchU32(FCID("CMNU"), &menu, nullptr, nullptr) || menu != 2) U_MENU_vClearMenus();
  NAV_ROUTE_vLock();
  NAV_ROUTE_vAskOrEnd(g_NAV.CurrentRoute.nCount >= 3, nullptr);
  g_NAV.bRecalculate = FALSE;
  g_NAV.bShortenedRoute = FALSE;
  g_NAV.bInitialTravelBackwards = FALSE;
  g_NAV.s32MiddleWPIndex = -1;
  if (g_NAV.s16RouteStartWPIndex >= 0 && g_NAV.CurrentRoute.nCount == 0) {
    NAV_ROUTE_vDropTemporary((U16)g_NAV.s16RouteStartWPIndex);
    g_NAV.s16RouteStartWPIndex = -1;
  }
  NAV_ROUTE_vUnlock();
  L_SEMA_Signal(SEMA_KEYCLICK_GOOD);
}

void T_NAV_vStopNavigating(BOOLEAN bConfirm, NAV_COMPLETE pComplete) {
  NAV_ROUTE_vLock();
  NAV_ROUTE_vAskOrEnd(bConfirm, pComplete);
  NAV_ROUTE_vUnlock();
}

void T_NAV_vSaveChangedRouteAndEndNav(BOOLEAN bConfirm, NAV_COMPLETE pComplete, U16 u16SaveIndex,
                                      BOOLEAN bTempRoute) {
  NAV_ROUTE_vLock();
  g_NAV.u16UnifiedRouteSave = u16SaveIndex;
  g_NAV.bUnifiedTempRoute = bTempRoute;
  NAV_ROUTE_vAskOrEnd(bConfirm && g_NAV.bCurrentRouteHasChanged, pComplete);
  NAV_ROUTE_vUnlock();
}

void T_NAV_vSaveRouteAndEndNavigation(void) {
  s_bQuestionPending = false;
  NAV_ROUTE_vLock();
  T_NAV_vSaveCurrentRoute();
  T_NAV_vEndNavigationNow();
  NAV_ROUTE_vUnlock();
  L_SEMA_Signal(SEMA_KEYCLICK_GOOD);
}

void T_NAV_vEndNavigationOnly(void) {
  s_bQuestionPending = false;
  NAV_ROUTE_vLock();
  T_NAV_vEndNavigationNow();
  NAV_ROUTE_vUnlock();
  L_SEMA_Signal(SEMA_KEYCLICK_GOOD);
}

// ---------------------------------------------------------------------------
// What the store and the route editor tell

void T_NAV_vUpdateCurrentRoute(const ROUTE* pRoute) {
  if (pRoute == nullptr) return;
  NAV_ROUTE_vLock();
  ROUTE* r = &g_NAV.CurrentRoute;
  if (pRoute->nCount + 1 == r->nCount) {
    r->u32DateTime = pRoute->u32DateTime;
    for (U32 i = 1; i < r->nCount; i++) {
      T_NAV_bClearTemporaryWaypoint(r->anWaypoint[i]);
      r->anWaypoint[i] = pRoute->anWaypoint[i - 1];
    }
  }
  NAV_ROUTE_vUnlock();
}

void T_NAV_vUpdateCurrentRouteArray(U16 u16Index) {
  NAV_ROUTE_vLock();
  ROUTE* r = &g_NAV.CurrentRoute;
  for (U32 i = 1; i < r->nCount; i++) {
    if (r->anWaypoint[i] == u16Index) {
      NAV_ROUTE_vRemovePoint(i);
      break;
    }
  }
  NAV_ROUTE_vUnlock();
}

BOOLEAN T_NAV_bIsRouteActive(U32 u32RteId) {
  if (u32RteId >= NAV_MAX_ROUTES) return FALSE;
  NAV_ROUTE_vLock();
  const ROUTE* saved = T_NAV_pGetRoute(u32RteId);
  BOOLEAN bActive = FALSE;
  for (U32 i = 0; saved != nullptr && i < saved->nCount && !bActive; i++) {
    bActive = T_NAV_bWaypointUsedInRoute(saved->anWaypoint[i], &g_NAV.CurrentRoute);
  }
  NAV_ROUTE_vUnlock();
  return bActive;
}

// Whether "Save Current Route" waits for an answer.
BOOLEAN NAV_ROUTE_bQuestionPending(void) { return s_bQuestionPending; }
