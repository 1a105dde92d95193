// The five searches over the whole group tree: their forms, the criterion,
// the walk from the root, and jumping to or deleting a result.

#include <stdio.h>
#include <string.h>

#include <bitset>

#include "h_database.h"
#include "linuxsvc.h"
#include "t_info.h"
#include "t_messagebox.h"
#include "t_nav.h"
#include "t_nav_alarm.h"
#include "t_nav_group_data.h"
#include "t_nav_group_edit.h"
#include "t_nav_group_sel.h"
#include "t_nav_twr.h"
#include "u_wstring.h"
#include "ui_texts.h"

// Icon categories: the members of each, in table order.
static const U16 s_aEnvironment[] = {4, 27, 12, 13, 64, 39, 57, 41, 62, 11, 44, 61, 68, 45, 50, 43};
static const U16 s_aFish[] = {3, 32, 53, 67, 63, 56, 60, 49, 48};
static const U16 s_aRecreation[] = {8, 15, 55, 33, 69, 65, 54};
static const U16 s_aNavigation[] = {6, 7, 20, 70, 5, 1, 17, 18, 19, 36, 35, 38, 47, 34, 29, 28, 0};
static const U16 s_aSupplies[] = {16, 10, 14, 25, 26};
static const U16 s_aAlerts[] = {9, 11, 51, 52, 30, 58};
static const U16 s_aGeometry[] = {0, 21, 2, 40, 22, 23, 24};
static const U16 s_aIce[] = {82, 31, 37, 46, 66, 81, 80, 78, 79, 42, 75, 76, 74, 73, 72, 77};
typedef struct tag_WPM_CATEGORY {
  const U16* pIcons;
  U32 u32Count;
} WPM_CATEGORY;
#define WPM_CAT(a) {a, sizeof a / sizeof a[0]}
static const WPM_CATEGORY s_aCategories[WPM_SEARCH_CATEGORIES] = {
    {nullptr, 0},          WPM_CAT(s_aEnvironment), WPM_CAT(s_aFish),     WPM_CAT(s_aRecreation), WPM_CAT(s_aNavigation),
    WPM_CAT(s_aSupplies), WPM_CAT(s_aAlerts),      WPM_CAT(s_aGeometry), WPM_CAT(s_aIce)};
const char* const* const s_StringListIconCategory[WPM_SEARCH_CATEGORIES] = {
    All,
    Category_Environment,
    Category_Fish,
    Category_Recreation,
    Category_Navigation,
    Category_Supplies,
    Category_Alerts,
    Category_Geometry,
    Category_Ice};

const U16* WPM_pCategoryIcons(U32 u32Category, U16* pu16Count) {
  if (u32Category == 0 || u32Category >= WPM_SEARCH_CATEGORIES) {
    *pu16Count = WPM_ICON_ALL_COUNT;
    return ICONCATEGORY_DEFAULT_ARRAY;
  }
  *pu16Count = (U16)s_aCategories[u32Category].u32Count;
  return s_aCategories[u32Category].pIcons;
}

BOOLEAN WPM_bIconInCategory(U8 u8Icon, U32 u32Category) {
  if (u32Category == 0) return TRUE;
  if (u32Category >= WPM_SEARCH_CATEGORIES) return FALSE;
  const WPM_CATEGORY& c = s_aCategories[u32Category];
  for (U32 i = 0; i < c.u32Count; i++) {
    if (c.pIcons[i] == u8Icon) return TRUE;
  }
  return FALSE;
}

constexpr U8 WPM_ICON_GROUP = 200, WPM_ICON_ROUTE = 201, WPM_ICON_TRACK = 202;

WPM_SEARCH_STATE g_WPMSearch;

// ---------------------------------------------------------------------------
// Matching

const char* WPM_pcStrIStr(const char* pcText, const char* pcPattern) {
  if (pcText == nullptr || pcPattern == nullptr || pcPattern[0] == '\0') return nullptr;
  for (const char* p = pcText; *p != '\0'; p++) {
    U32 i = 0;
    // Case folds by bit 0x20, so "@" and "`" match too; kept as the unit does.
    while (pcPattern[i] != '\0' && p[i] != '\0' && ((p[i] ^ pcPattern[i]) & ~0x20) == 0) i++;
    if (pcPattern[i] == '\0') return p;
  }
  return nullptr;
}

// The same over big-endian 16-bit units of at most u32Size bytes, compared
// lower-cased.
static U16 WPM_u16WideAt(const char* p, U32 i, U32 u32Size) {
  return 2 * i + 1 < u32Size ? (U16)(((U8)p[2 * i] << 8) | (U8)p[2 * i + 1]) : 0;
}

static U16 WPM_u16Lower(U16 c) { return c >= 'A' && c <= 'Z' ? (U16)(c + 0x20) : c; }

static BOOLEAN WPM_bWideContains(const char* pcText, const char* pcPattern, U32 u32Size) {
  if (WPM_u16WideAt(pcPattern, 0, u32Size) == 0) return FALSE;
  for (U32 p = 0; WPM_u16WideAt(pcText, p, u32Size) != 0; p++) {
    U32 i = 0;
    while (WPM_u16WideAt(pcPattern, i, u32Size) != 0 && WPM_u16WideAt(pcText, p + i, u32Size) != 0 &&
           WPM_u16Lower(WPM_u16WideAt(pcPattern, i, u32Size)) == WPM_u16Lower(WPM_u16WideAt(pcText, p + i, u32Size))) {
      i++;
    }
    if (WPM_u16WideAt(pcPattern, i, u32Size) == 0) return TRUE;
  }
  return FALSE;
}

typedef struct tag_WPM_CANDIDATE {
  U8 u8Icon;
  double dDistance;
  BOOLEAN bDistance;
  char sDateTime[40];
  char sName[24];
} WPM_CANDIDATE;

static BOOLEAN WPM_bMatches(const WPM_CANDIDATE& c) {
  const WPM_SEARCH_STATE& s = g_WPMSearch;
  switch (s.eMode) {
    case SEARCHBY_NAME:
      if (U_WSTRING_bIsUnicodeLanguage()) {
        return WPM_u16WideAt(s.sName, 0, sizeof s.sName) == 0 || WPM_bWideContains(c.sName, s.sName, sizeof s.sName);
      }
      return s.sName[0] == '\0' || strlen(s.sName) > 12 || WPM_pcStrIStr(c.sName, s.sName) != nullptr;
    case SEARCHBY_DATE:
      return strcmp(c.sDateTime, s.sDateTime) == 0;
    case SEARCHBY_DISTANCE:
      if (!c.bDistance) return FALSE;
      if (s.dMaxNm > s.dMinNm) return c.dDistance >= s.dMinNm && c.dDistance <= s.dMaxNm;
      return c.dDistance >= s.dMinNm;
    case SEARCHBY_ICON:
      return c.u8Icon == s.u8Icon;
    case SEARCHBY_ICON_CATEGORY:
      return WPM_bIconInCategory(c.u8Icon, s.u8IconCategory);
  }
  return FALSE;
}

// ---------------------------------------------------------------------------
// The walk

// Only what the search compares is made: a date's text or a distance costs
// far more than the name.
static void WPM_vCandidate(U16 id, U8 u8Icon, WPM_CANDIDATE* c) {
  c->u8Icon = u8Icon;
  c->bDistance = FALSE;
  c->sName[0] = c->sDateTime[0] = '\0';
  switch (g_WPMSearch.eMode) {
    case SEARCHBY_NAME:
      WPM_bItemName(id, c->sName, sizeof c->sName);
      break;
    case SEARCHBY_DATE:
      if (const U32 date = WPM_u32ItemDate(id); date != 0) {
        // 8-bit, as the form's date row is read back.
        T_INFO_vFormatTimeAscii((time_t)date, FALSE, FALSE, nullptr, c->sDateTime, nullptr, FALSE);
      }
      break;
    default:
      break;
  }
}

static void WPM_vAppend(U16 id, U16 parent, U16 grand) {
  WPM_SEARCH_STATE& s = g_WPMSearch;
  if (g_WPM.u16ListCount >= NAV_GROUP_LIST_MAX) return;
  s.au16Parent[g_WPM.u16ListCount] = parent;
  s.au16GrandParent[g_WPM.u16ListCount] = grand;
  g_WPM.au16ListIDs[g_WPM.u16ListCount++] = id;
}

static void WPM_vWaypoint(U16 id, U16 parent, U16 grand) {
  const WAYPOINT* w = T_NAV_pGetWaypoint(id & 0x0FFF);
  if (w == nullptr || w->u8Status == WPT_STATUS_FREE || w->u8Status > WPT_STATUS_SAVED_2) return;
  WPM_CANDIDATE c;
  WPM_vCandidate(id, w->u8Icon, &c);
  if (g_WPMSearch.eMode == SEARCHBY_DISTANCE) c.bDistance = WPM_bDistanceNm(w->pt, &c.dDistance);
  if (WPM_bMatches(c)) WPM_vAppend(id, parent, grand);
}

static BOOLEAN WPM_bFull(void) { return g_WPM.u16ListCount >= WPM_SEARCH_MAX; }

// Groups already walked: a tree that links back on itself is walked once.
typedef std::bitset<4096> WPM_VISITED;

static void WPM_vWalk(U16 indexGroup, U16 u16Parent, WPM_VISITED* pVisited) {
  const GROUP_SLOT* pHead = T_NAV_pGetGroupSlot(indexGroup);
  if (pHead == nullptr || pHead->sHeader.u8Status != WPT_STATUS_GROUP_HEADER) return;
  pVisited->set(indexGroup & 0x0FFF);
  const SEARCHBY_MENU_MODE eMode = g_WPMSearch.eMode;
  std::bitset<4096> seenBody;
  U16 body = pHead->sHeader.u16FirstBodyIndex;
  while (body != NAV_NONE && !WPM_bFull() && !seenBody.test(body & 0x0FFF)) {
    seenBody.set(body & 0x0FFF);
    const GROUP_SLOT* s = T_NAV_pGetGroupSlot(body);
    if (s == nullptr || s->sBody.u8Status != WPT_STATUS_GROUP_BODY) break;
    // The slot is read again after each step below: the walk may move it.
    const GROUP_BODY b = s->sBody;
    for (U16 id : b.u16Item) {
      if (WPM_bFull()) break;
      if (id == NAV_NONE) continue;
      WPM_CANDIDATE c;
      switch (WPM_eClass(id)) {
        case WPM_ITEM_WAYPOINT:
          WPM_vWaypoint(id, indexGroup, u16Parent);
          break;
        case WPM_ITEM_GROUP:
          if (pVisited->test(id & 0x0FFF) || T_NAV_pGetGroupSlot(id) == nullptr) break;
          WPM_vCandidate(id, WPM_ICON_GROUP, &c);
          if (eMode != SEARCHBY_DISTANCE && WPM_bMatches(c)) WPM_vAppend(id, indexGroup, u16Parent);
          WPM_vWalk(id, indexGroup, pVisited);
          break;
        case WPM_ITEM_ROUTE: {
          const ROUTE* r = T_NAV_pGetRoute(id & 0x07FF);
          if (r == nullptr || r->u32DateTime == 0) break;
          WPM_vCandidate(id, WPM_ICON_ROUTE, &c);
          if ((eMode == SEARCHBY_NAME || eMode == SEARCHBY_DATE || eMode == SEARCHBY_ICON_CATEGORY) &&
              WPM_bMatches(c)) {
            WPM_vAppend(id, indexGroup, u16Parent);
          }
          ROUTE copy = *r;
          for (U32 i = 0; i < copy.nCount && i < NAV_MAX_ROUTE_POINTS && !WPM_bFull(); i++) {
            if (WPM_eClass(copy.anWaypoint[i]) == WPM_ITEM_WAYPOINT) WPM_vWaypoint(copy.anWaypoint[i], id, indexGroup);
          }
          break;
        }
        case WPM_ITEM_TRACK:
          // A track has no single position: distance searches pass it over.
          WPM_vCandidate(id, WPM_ICON_TRACK, &c);
          if ((eMode == SEARCHBY_NAME || eMode == SEARCHBY_DATE || eMode == SEARCHBY_ICON_CATEGORY) &&
              WPM_bMatches(c)) {
            WPM_vAppend(id, indexGroup, u16Parent);
          }
          break;
        default:
          break;
      }
    }
    const GROUP_SLOT* again = T_NAV_pGetGroupSlot(body);
    body = again != nullptr ? again->sBody.u16NextIndex : NAV_NONE;
  }
}

static void WPM_vShowFirstPage(void) {
  g_WPM.u16FirstShowItemIndexInList = 0;
  WPM_vRefillShown();
  g_WPM.u16HighlightIndex = 0;
  g_WPM.u16PathDepth = 1;
}

void WPM_vRunSearch(void) {
  memset(g_WPM.au16ListIDs, 0xFF, sizeof g_WPM.au16ListIDs);
  memset(g_WPM.au16ShowItemIDs, 0xFF, sizeof g_WPM.au16ShowItemIDs);
  memset(g_WPMSearch.au16Parent, 0xFF, sizeof g_WPMSearch.au16Parent);
  memset(g_WPMSearch.au16GrandParent, 0xFF, sizeof g_WPMSearch.au16GrandParent);
  g_WPM.u16ListCount = 0;
  WPM_VISITED* pVisited = new WPM_VISITED();
  WPM_vWalk(T_NAV_GROUP_DATA_nGetRootGroup(), NAV_NONE, pVisited);
  delete pVisited;
  WPM_vJoinTexts(g_WPM.acLowBarText, sizeof g_WPM.acLowBarText, {WPM_pcText(Done)});
  WPM_vJoinTexts(g_WPM.acHighBarText, sizeof g_WPM.acHighBarText, {WPM_pcText(Search_Results)});
  g_WPM.eMode = MODE_SEARCH;
  g_WPM.eInputState = STATE_ITEM_LIST;
  WPM_vShowFirstPage();
}

// ---------------------------------------------------------------------------
// Forms

static EDIT_FIELD s_aSearchFields[4];
static POPUP_EDIT_WINDOW s_SearchForm;

BOOLEAN WPM_bValidDate(const char* pcText) {
  int m = 0, d = 0, y = 0;
  if (sscanf(pcText, "%d/%d/%d", &m, &d, &y) != 3 || m < 1 || m > 12 || d < 1) return FALSE;
  static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const int year = y + 2000;
  const bool bLeap = (year % 400 == 0) || (year % 4 == 0 && year % 100 != 0);
  return d <= days[m - 1] + (m == 2 && bLeap ? 1 : 0);
}

static double WPM_dToNm(double d) {
  U32 unit = 0;
  if (!H_DATABASE_bFetchU32(FCID("SUDS"), &unit, nullptr, nullptr)) unit = 0;
  if (unit == 4) return d * 0.539957;
  if (unit == 2) return d * 0.868976;
  return d;
}

static BOOLEAN T_NAV_GROUP_bUpdateSearch(POPUP_WINDOW*) {
  WPM_SEARCH_STATE& s = g_WPMSearch;
  switch (s.eMode) {
    case SEARCHBY_NAME:
      WPM_vTakeName(s.sName, sizeof s.sName, &s_aSearchFields[0]);
      if (WPM_bBlankName(s.sName)) memset(s.sName, 0, sizeof s.sName);
      break;
    case SEARCHBY_DATE: {
      U32 format = 0;
      H_DATABASE_bFetchU32(FCID("SIDF"), &format, nullptr, nullptr);
      WPM_vRowText(&s_aSearchFields[0], s.sDateTime, sizeof s.sDateTime);
      if (format == 0 && !WPM_bValidDate(s.sDateTime)) WPM_vClick(FALSE);
      break;
    }
    case SEARCHBY_DISTANCE: {
      char acMin[EDIT_FIELD_VALUE_SIZE], acMax[EDIT_FIELD_VALUE_SIZE];
      WPM_vRowText(&s_aSearchFields[0], acMin, sizeof acMin);
      WPM_vRowText(&s_aSearchFields[1], acMax, sizeof acMax);
      s.dMinNm = WPM_dToNm(strtol(acMin, nullptr, 10));
      s.dMaxNm = WPM_dToNm(strtol(acMax, nullptr, 10));
      log_me("[%d]%s: fDistanceMin(nm) %f, fDistanceMax(nm) %f\n", __LINE__, __func__, s.dMinNm, s.dMaxNm);
      break;
    }
    case SEARCHBY_ICON:
      s.u8Icon = (U8)s_aSearchFields[0].value_string[0];
      break;
    case SEARCHBY_ICON_CATEGORY:
      s.u8IconCategory = (U8)s_aSearchFields[0].value_string[0];
      break;
  }
  return TRUE;
}

static void T_NAV_GROUP_vSearchData(void*, U32) { WPM_vRunSearch(); }

static void WPM_vOpenSearch(SEARCHBY_MENU_MODE eMode, const char* const* strTitle, S32 nHeight) {
  g_WPMSearch.eMode = eMode;
  U32 r = 0;
  while (s_aSearchFields[r].name != nullptr) r++;
  for (U32 i = 0; i < r; i++) s_aSearchFields[i].left_part_percent = eMode == SEARCHBY_DISTANCE ? 55 : 0;
  s_aSearchFields[r] = WPM_Row(Enter, EDIT_TYPE_SAVE);
  WPM_vInstallForm(&s_SearchForm, s_aSearchFields,
                   {strTitle, 410, nHeight, T_NAV_GROUP_bUpdateSearch, T_NAV_GROUP_vSearchData, &g_WPMSearch,
                    NAV_NONE, nullptr});
}

void T_NAV_GROUP_vSearchByName(U32) {
  memset(s_aSearchFields, 0, sizeof s_aSearchFields);
  WPM_vNameRow(&s_aSearchFields[0], nullptr, 0, WPM_WaypointNameShape());
  WPM_vOpenSearch(SEARCHBY_NAME, Search_By_Name, 148);
}

void T_NAV_GROUP_vSearchByDate(U32) {
  memset(s_aSearchFields, 0, sizeof s_aSearchFields);
  U32 format = 0, now = 0;
  H_DATABASE_bFetchU32(FCID("SIDF"), &format, nullptr, nullptr);
  H_DATABASE_bFetchU32(FCID("IDTM"), &now, nullptr, nullptr);
  static const char* const* const labels[] = {Date_Mm_Dd_Yy, Date_Dd_Mm_Yy, Date_Yy_Mm_Dd};
  s_aSearchFields[0] = WPM_Row(labels[format < 3 ? format : 0], EDIT_TYPE_CHAR);
  s_aSearchFields[0].candidate_mask = "99 99 99";
  s_aSearchFields[0].string_len = 8;
  T_INFO_vFormatTime((time_t)now, FALSE, FALSE, nullptr, s_aSearchFields[0].value_string, nullptr);
  s_aSearchFields[0].value_string[8] = '\0';
  WPM_vWidenRow(&s_aSearchFields[0]);
  WPM_vOpenSearch(SEARCHBY_DATE, Search_By_Date, 148);
}

void T_NAV_GROUP_vSearchByDistance(U32) {
  memset(s_aSearchFields, 0, sizeof s_aSearchFields);
  U32 unit = 0;
  if (!H_DATABASE_bFetchU32(FCID("SUDS"), &unit, nullptr, nullptr)) unit = 0;
  const char* const* lo = unit == 2 ? Dist_Min_Sm : unit == 4 ? Dist_Min_Km : Dist_Min_Nm;
  const char* const* hi = unit == 2 ? Dist_Max_Sm : unit == 4 ? Dist_Max_Km : Dist_Max_Nm;
  for (U32 i = 0; i < 2; i++) {
    s_aSearchFields[i] = WPM_Row(i == 0 ? lo : hi, EDIT_TYPE_CHAR);
    s_aSearchFields[i].candidate_mask = "00000000";
    s_aSearchFields[i].string_len = 8;
    memcpy(s_aSearchFields[i].value_string, "00000000", 8);
    WPM_vWidenRow(&s_aSearchFields[i]);
  }
  s_aSearchFields[0].highlight = 0;
  WPM_vOpenSearch(SEARCHBY_DISTANCE, Search_By_Distance, 202);
}

void T_NAV_GROUP_vSearchByIcon(U32) {
  memset(s_aSearchFields, 0, sizeof s_aSearchFields);
  s_aSearchFields[0] = WPM_Row(Icon, EDIT_TYPE_ICON);
  s_aSearchFields[0].value_string[0] = (char)WPM_u32DefaultIcon();
  WPM_vOpenSearch(SEARCHBY_ICON, Search_By_Icon, 148);
}

void T_NAV_GROUP_vSearchByIconCategory(U32) {
  memset(s_aSearchFields, 0, sizeof s_aSearchFields);
  s_aSearchFields[0] = WPM_Row(Category, EDIT_TYPE_STRING_LIST);
  s_aSearchFields[0].pDisplayList = s_StringListIconCategory;
  s_aSearchFields[0].nDisplayList = WPM_SEARCH_CATEGORIES;
  const U8 icon = (U8)WPM_u32DefaultIcon();
  for (U32 c = 1; c < WPM_SEARCH_CATEGORIES; c++) {
    if (WPM_bIconInCategory(icon, c)) {
      s_aSearchFields[0].value_string[0] = (char)c;
      break;
    }
  }
  WPM_vOpenSearch(SEARCHBY_ICON_CATEGORY, Search_By_Icon_Category, 148);
}

// ---------------------------------------------------------------------------
// Results

static U32 WPM_u32Highlighted(void) { return (U32)g_WPM.u16FirstShowItemIndexInList + g_WPM.u16HighlightIndex; }

static BOOLEAN WPM_bExists(U16 id) {
  char name[24];
  return WPM_bItemName(id, name, sizeof name);
}

static void WPM_vClearResults(void) {
  g_WPMSearch.u16ResultIndex = 0;
  memset(g_WPMSearch.au16Parent, 0xFF, sizeof g_WPMSearch.au16Parent);
  memset(g_WPMSearch.au16GrandParent, 0xFF, sizeof g_WPMSearch.au16GrandParent);
}

void T_NAV_GROUP_vSearchJumpTo(U32) {
  const U32 at = WPM_u32Highlighted();
  if (at >= g_WPM.u16ListCount) return;
  const U16 id = g_WPM.au16ListIDs[at], parent = g_WPMSearch.au16Parent[at];
  g_WPM.u16CurrentGroupID = g_WPMSearch.au16GrandParent[at];
  T_NAV_GROUP_vSwitchToBrowseMode();
  g_WPM.eInputState = STATE_ITEM_LIST;
  if (WPM_bExists(id)) {
    if (WPM_bIsGroupId(parent)) {
      T_NAV_GROUP_bEnterGroup(parent, id);
    } else if (WPM_bIsRouteId(parent)) {
      T_NAV_GROUP_bEnterRoute(parent, id);
    }
  }
  WPM_vClearResults();
  T_NAV_GROUP_vSwitchToBrowseMode();
}

static void T_NAV_GROUP_vSearchDelete(void) {
  const U32 at = WPM_u32Highlighted();
  if (at >= g_WPM.u16ListCount) return;
  const U16 id = g_WPM.au16ListIDs[at], parent = g_WPMSearch.au16Parent[at];
  if (WPM_eClass(id) == WPM_ITEM_WAYPOINT && WPM_bIsGroupId(parent)) {
    ROUTE* pRoute = T_NAV_pGetCurrentRoute();
    if (pRoute != nullptr && T_NAV_bWaypointUsedInRoute(id & 0x0FFF, pRoute)) {
      T_NAV_vSetNavUINote(Cannot_delete_used_waypoint, nullptr, FALSE);
      WPM_vClick(FALSE);
      return;
    }
  }
  if (WPM_bExists(id)) {
    T_NAV_GROUP_DATA_bRemoveLink(parent, id);
    WPM_vClick(TRUE);
  }
  const U32 n = g_WPM.u16ListCount;
  for (U32 i = at; i + 1 < n; i++) {
    g_WPM.au16ListIDs[i] = g_WPM.au16ListIDs[i + 1];
    g_WPMSearch.au16Parent[i] = g_WPMSearch.au16Parent[i + 1];
    g_WPMSearch.au16GrandParent[i] = g_WPMSearch.au16GrandParent[i + 1];
  }
  g_WPM.au16ListIDs[n - 1] = NAV_NONE;
  g_WPM.u16ListCount = (U16)(n - 1);
  g_WPMSearch.u16ResultIndex = 0;
  WPM_vShowFirstPage();
  T_NAV_vActivateUpdateHideStatus();
}

// The path rows after the root's for a chain of groups: from the topmost
// below the root down to groupId. Returns the next free row.
static U32 WPM_u32GroupRows(U16 groupId) {
  U16 chain[NAV_GROUP_PATH_LEVELS];
  U32 n = 0;
  U16 id = groupId;
  // The root itself (no parent) keeps row 0; a broken or cyclic chain stops
  // at the rows there are.
  for (U32 steps = 0; steps < NAV_GROUP_MAX_PARENT_STEPS && n < NAV_GROUP_PATH_LEVELS - 1; steps++) {
    const GROUP_HEADER* h = WPM_pHeader(id);
    if (h == nullptr || h->u16ParentIndex == NAV_NONE) break;
    chain[n++] = id;
    id = h->u16ParentIndex;
  }
  U32 row = 1;
  while (n > 0) {
    const GROUP_HEADER* h = WPM_pHeader(chain[--n]);
    memcpy(g_WPM.aacGroupPath[row++], h->sName, NAV_WAYPOINT_NAME_SIZE);
  }
  return row;
}

void T_NAV_GROUP_vGetRootPath(void) {
  const U32 at = g_WPMSearch.u16ResultIndex;
  for (U32 i = 1; i < NAV_GROUP_PATH_LEVELS; i++) memset(g_WPM.aacGroupPath[i], 0, sizeof g_WPM.aacGroupPath[i]);
  const U16 id = at < g_WPM.u16ListCount ? g_WPM.au16ListIDs[at] : NAV_NONE;
  U32 row = 1;
  switch (WPM_eClass(id)) {
    case WPM_ITEM_GROUP: {
      const GROUP_HEADER* h = WPM_pHeader(id);
      if (h != nullptr) row = WPM_u32GroupRows(h->u16ParentIndex);
      break;
    }
    case WPM_ITEM_WAYPOINT:
    case WPM_ITEM_ROUTE:
    case WPM_ITEM_TRACK: {
      const U16 parent = g_WPMSearch.au16Parent[at];
      if (WPM_bIsRouteId(parent)) {
        // A route point: the groups above the route, then the route.
        row = WPM_u32GroupRows(g_WPMSearch.au16GrandParent[at]);
        if (const ROUTE* r = WPM_pRoute(parent); r != nullptr && row < NAV_GROUP_PATH_LEVELS) {
          memcpy(g_WPM.aacGroupPath[row++], r->sName, NAV_GROUP_PATH_NAME);
        }
      } else {
        row = WPM_u32GroupRows(parent);
      }
      break;
    }
    default:
      memset(g_WPM.aacGroupPath, 0, sizeof g_WPM.aacGroupPath);
      g_WPM.u16PathDepth = 0;
      return;
  }
  g_WPM.u16PathDepth = (U16)row;
}

void WPM_vSearchFollowHighlight(void) {
  if (g_WPM.eMode != MODE_SEARCH || g_WPM.eInputState != STATE_ITEM_LIST) return;
  const U32 at = WPM_u32Highlighted();
  g_WPMSearch.u16ResultIndex = (U16)(at < g_WPM.u16ListCount ? at : 0);
  T_NAV_GROUP_vGetRootPath();
}

void T_NAV_GROUP_vSearchDeleteEX(U32) {
  g_WPM.pfnConfYes = T_NAV_GROUP_vSearchDelete;
  T_MESSAGEBOX_vSetupConfMessageWithTitle(WPM_pcText(Confirm_Deletion), nullptr, T_NAV_GROUP_vNavConfYes, TRUE, 0);
}

void T_NAV_GROUP_vExitSearch(void) {
  T_NAV_GROUP_vSwitchToBrowseMode();
  g_WPM.eInputState = STATE_ITEM_LIST;
  for (U32 i = 1; i < NAV_GROUP_PATH_LEVELS; i++) memset(g_WPM.aacGroupPath[i], 0, sizeof g_WPM.aacGroupPath[i]);
  WPM_vClearResults();
  T_NAV_GROUP_bEnterGroup(T_NAV_GROUP_DATA_nGetRootGroup(), NAV_NONE);
  T_NAV_GROUP_vSwitchToBrowseMode();
  g_WPMSearch.eMode = SEARCHBY_NAME;
}
