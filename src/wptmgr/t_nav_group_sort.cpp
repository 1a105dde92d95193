// The six orders of a group's list and the distances from the boat they
// use. Each key is computed once per entry before sorting; every compare is
// a true three-way one that ends on the item id, so an order is total and
// a sort gives the same list each time.

#include <math.h>
#include <string.h>

#include <algorithm>
#include <bitset>
#include <vector>

#include "h_database.h"
#include "navmath.h"
#include "t_nav_group_data.h"
#include "t_nav_group_priv.h"
#include "t_nav_group_routeinfo.h"
#include "t_nav_twr.h"
#include "u_wstring.h"

namespace {

constexpr double WPM_EMPTY_ROUTE_DISTANCE = 40075004.0;

struct WPM_SORT_ROW {
  char acName[24];      // terminated; 16-bit big-endian units in wide languages
  U32 u32Date;
  double dDistance;
  BOOLEAN bKnown;       // a distance could be measured
  U8 u8Icon;
  U16 u16Id;
};

}  // namespace

BOOLEAN WPM_bBoat(POINT* pBoat) {
  DB_DATA_TYPE lat, lon;
  BOOLEAN bValid = FALSE;
  if (!H_DATABASE_bFetchPair(FCID("ILAT"), FCID("ILON"), &lat, &lon, &bValid) || !bValid) return FALSE;
  // A receiver without a fix reports 0: the boat is then unknown, never at 0N 0E.
  if (lat.s32Val == 0 && lon.s32Val == 0) return FALSE;
  *pBoat = {lon.s32Val, lat.s32Val};
  return TRUE;
}

static double WPM_dUnit(double nm) {
  U32 unit = 0;
  if (!H_DATABASE_bFetchU32(FCID("SUDS"), &unit, nullptr, nullptr)) unit = 0;
  if (unit == 2) return nm * 1.15078;
  if (unit == 4) return nm * 1.852;
  return nm;
}

static double WPM_dFrom(const POINT* pBoat, POINT pt) {
  double course = 0.0, nm = 0.0;
  POSITION from, to;
  nv_RouteAngle(pBoat, &pt, &course);
  nv_MeterToDegr(pBoat, &from);
  nv_MeterToDegr(&pt, &to);
  nv_CalcDistance(&from, &to, course, &nm);
  return nm;
}

BOOLEAN WPM_bDistanceNm(POINT pt, double* pdNm) {
  POINT boat;
  if (!WPM_bBoat(&boat)) return FALSE;
  *pdNm = WPM_dFrom(&boat, pt);
  return TRUE;
}

BOOLEAN T_NAV_GROUP_bCalDistance(POINT ptWaypointMM, double* pfDistance) {
  POINT boat;
  if (!WPM_bBoat(&boat)) return FALSE;
  *pfDistance = WPM_dUnit(WPM_dFrom(&boat, ptWaypointMM));
  return TRUE;
}

// Calls f with the position of each of the route's points that is a waypoint.
template <typename F>
static void WPM_vRoutePoints(U16 id, F f) {
  const ROUTE* r = (id & 0x37FF) < NAV_MAX_ROUTES ? T_NAV_pGetRoute(id & 0x37FF) : nullptr;
  for (U32 i = 0; r != nullptr && i < r->nCount && i < NAV_MAX_ROUTE_POINTS; i++) {
    if (WPM_eClass(r->anWaypoint[i]) == WPM_ITEM_WAYPOINT) f(T_NAV_pGetWaypoint(r->anWaypoint[i])->pt);
  }
}

// The largest distance of the group's waypoints, its routes' points and its
// subgroups', walked once each however the tree links them.
static double WPM_dGroupMax(const POINT* pBoat, U16 indexGroup) {
  std::bitset<4096> visited, seenBody;
  std::vector<U16> stack{indexGroup};
  visited.set(indexGroup & 0x0FFF);
  double best = 0.0;
  while (!stack.empty()) {
    const GROUP_SLOT* g = T_NAV_pGetGroupSlot(stack.back());
    stack.pop_back();
    if (g == nullptr || g->sHeader.u8Status != WPT_STATUS_GROUP_HEADER) continue;
    for (U16 body = g->sHeader.u16FirstBodyIndex; body != NAV_NONE && !seenBody.test(body & 0x0FFF);) {
      seenBody.set(body & 0x0FFF);
      const GROUP_SLOT* s = T_NAV_pGetGroupSlot(body);
      if (s == nullptr || s->sBody.u8Status != WPT_STATUS_GROUP_BODY) break;
      for (U16 item : s->sBody.u16Item) {
        switch (WPM_eClass(item)) {
          case WPM_ITEM_WAYPOINT:
            best = std::max(best, WPM_dFrom(pBoat, T_NAV_pGetWaypoint(item & 0x0FFF)->pt));
            break;
          case WPM_ITEM_ROUTE:
            WPM_vRoutePoints(item, [&](POINT pt) { best = std::max(best, WPM_dFrom(pBoat, pt)); });
            break;
          case WPM_ITEM_GROUP:
            if (!visited.test(item & 0x0FFF)) {
              visited.set(item & 0x0FFF);
              stack.push_back(item);
            }
            break;
          default:
            break;
        }
      }
      body = s->sBody.u16NextIndex;
    }
  }
  return best;
}

BOOLEAN T_NAV_GROUP_bCalGroupDistance(U16 indexGroup, double* pfDistance) {
  POINT boat;
  if (!WPM_bBoat(&boat)) return FALSE;
  *pfDistance = WPM_dUnit(WPM_dGroupMax(&boat, indexGroup));
  return TRUE;
}

static double WPM_dRouteMin(const POINT* pBoat, U16 id) {
  double best = WPM_EMPTY_ROUTE_DISTANCE;
  BOOLEAN bAny = FALSE;
  WPM_vRoutePoints(id, [&](POINT pt) {
    const double d = WPM_dFrom(pBoat, pt);
    best = bAny ? std::min(best, d) : d;
    bAny = TRUE;
  });
  return bAny ? WPM_dUnit(best) : WPM_EMPTY_ROUTE_DISTANCE;
}

static U8 WPM_u8IconKey(U16 id) {
  switch (WPM_eClass(id)) {
    case WPM_ITEM_WAYPOINT:
      return T_NAV_pGetWaypoint(id & 0x0FFF)->u8Icon;
    case WPM_ITEM_GROUP:
      return 200;
    case WPM_ITEM_ROUTE:
      return 201;
    default:
      return 202;
  }
}

// A name's character i: a byte, or a 16-bit big-endian unit in wide mode.
static U32 WPM_u32Char(const char* s, U32 i, BOOLEAN bWide) {
  if (!bWide) return (U8)s[i];
  return ((U32)(U8)s[2 * i] << 8) | (U8)s[2 * i + 1];
}

static U32 WPM_u32Fold(U32 c) { return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c; }

// Names ignoring the case of A-Z first, then exactly; a shorter name that
// is the start of the other sorts first.
static int WPM_iCmpName(const char* a, const char* b, BOOLEAN bWide) {
  const U32 n = bWide ? 11 : 23;
  int exact = 0;
  for (U32 i = 0; i < n; i++) {
    const U32 ca = WPM_u32Char(a, i, bWide), cb = WPM_u32Char(b, i, bWide);
    const U32 fa = WPM_u32Fold(ca), fb = WPM_u32Fold(cb);
    if (fa != fb) return fa < fb ? -1 : 1;
    if (exact == 0 && ca != cb) exact = ca < cb ? -1 : 1;
    if (ca == 0) break;
  }
  return exact;
}

static int WPM_iCmpId(const WPM_SORT_ROW& a, const WPM_SORT_ROW& b) {
  return a.u16Id < b.u16Id ? -1 : (a.u16Id > b.u16Id ? 1 : 0);
}

static int WPM_iCmp(SORTBY_ORDER eOrder, const WPM_SORT_ROW& a, const WPM_SORT_ROW& b, BOOLEAN bWide) {
  int r = 0;
  switch (eOrder) {
    case SORTBY_ATOZ:
    case SORTBY_ZTOA:
      r = WPM_iCmpName(a.acName, b.acName, bWide);
      if (r == 0) r = WPM_iCmpId(a, b);
      return eOrder == SORTBY_ZTOA ? -r : r;
    case SORTBY_NEWEST:
      r = a.u32Date > b.u32Date ? -1 : (a.u32Date < b.u32Date ? 1 : 0);
      break;
    case SORTBY_OLDEST:
      r = a.u32Date < b.u32Date ? -1 : (a.u32Date > b.u32Date ? 1 : 0);
      break;
    case SORTBY_DISTANCE:
      // Items whose distance is unknown go last, by name.
      if (a.bKnown != b.bKnown) return a.bKnown ? -1 : 1;
      if (a.bKnown && a.dDistance != b.dDistance) return a.dDistance < b.dDistance ? -1 : 1;
      r = WPM_iCmpName(a.acName, b.acName, bWide);
      break;
    case SORTBY_ICON:
      r = a.u8Icon > b.u8Icon ? -1 : (a.u8Icon < b.u8Icon ? 1 : 0);
      break;
  }
  return r != 0 ? r : WPM_iCmpId(a, b);
}

void T_NAV_GROUP_vSortByOrder(SORTBY_ORDER eOrder) {
  const U32 n = g_WPM.u16ListCount;
  if (n == 0) return;
  static std::vector<WPM_SORT_ROW> s_rows;
  s_rows.assign(n, WPM_SORT_ROW{});
  POINT boat;
  const BOOLEAN bBoat = eOrder == SORTBY_DISTANCE && WPM_bBoat(&boat);
  for (U32 i = 0; i < n; i++) {
    WPM_SORT_ROW& row = s_rows[i];
    const U16 id = g_WPM.au16ListIDs[i];
    row.u16Id = id;
    WPM_bItemName(id, row.acName, sizeof row.acName);
    row.u32Date = WPM_u32ItemDate(id);
    row.u8Icon = WPM_u8IconKey(id);
    if (!bBoat) continue;
    row.bKnown = TRUE;
    switch (WPM_eClass(id)) {
      case WPM_ITEM_WAYPOINT:
        row.dDistance = WPM_dUnit(WPM_dFrom(&boat, T_NAV_pGetWaypoint(id & 0x0FFF)->pt));
        break;
      case WPM_ITEM_GROUP:
        row.dDistance = WPM_dUnit(WPM_dGroupMax(&boat, id));
        break;
      case WPM_ITEM_ROUTE:
        row.dDistance = WPM_dRouteMin(&boat, id);
        break;
      default:
        row.dDistance = 0.0;
        break;
    }
  }
  const BOOLEAN bWide = U_WSTRING_bIsUnicodeLanguage();
  std::sort(s_rows.begin(), s_rows.end(), [eOrder, bWide](const WPM_SORT_ROW& a, const WPM_SORT_ROW& b) {
    return WPM_iCmp(eOrder, a, b, bWide) < 0;
  });
  for (U32 i = 0; i < n; i++) g_WPM.au16ListIDs[i] = s_rows[i].u16Id;
}
