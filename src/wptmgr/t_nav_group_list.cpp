// The list of the group or route shown: entering a directory, its visible
// rows and path, the chart preview's items and zoom, and the keys of the
// bottom selection bar. The store may come from an import and be corrupt:
// every walk over its chains is bounded, so a loop ends the walk instead of
// hanging the task.

#include <string.h>

#include <bitset>

#include "h_database.h"
#include "linuxsvc.h"
#include "t_nav_group_data.h"
#include "t_nav_group_edit.h"
#include "t_nav_group_priv.h"
#include "t_nav_group_sel.h"
#include "t_nav_twr.h"
#include "u_wstring.h"
#include "ui_texts.h"

// ---------------------------------------------------------------------------
// Item ids

BOOLEAN WPM_bIsGroupId(U16 id) { return id != NAV_NONE && (id & 0xC000) == 0xC000 && (id & 0x0FFF) <= 2999; }
BOOLEAN WPM_bIsRouteId(U16 id) { return id != NAV_NONE && (id & 0xC800) == 0x8800 && (id & 0x07FF) <= 49; }

WPM_ITEM_CLASS WPM_eClass(U16 id) {
  if (id == NAV_NONE) return WPM_ITEM_NONE;
  if (WPM_bIsGroupId(id)) return WPM_ITEM_GROUP;
  if ((id & 0xC000) == 0 && (id & 0x0FFF) <= 2999) return WPM_ITEM_WAYPOINT;
  if (WPM_bIsRouteId(id)) return WPM_ITEM_ROUTE;
  if ((id & 0xC800) == 0x8000 && (id & 63) <= 49 && (id & NAV_ITEM_UNIT_BITS) == T_NAV_GROUP_DATA_u16Getu7UnitID()) {
    return WPM_ITEM_TRACK;
  }
  return WPM_ITEM_OTHER;
}

const GROUP_HEADER* WPM_pHeader(U16 id) {
  const GROUP_SLOT* s = WPM_bIsGroupId(id) ? T_NAV_pGetGroupSlot(id) : nullptr;
  return (s != nullptr && s->sHeader.u8Status == WPT_STATUS_GROUP_HEADER) ? &s->sHeader : nullptr;
}

const ROUTE* WPM_pRoute(U16 id) {
  if (!WPM_bIsRouteId(id)) return nullptr;
  const U32 index = id & 0x37FF;
  if (index >= NAV_MAX_ROUTES) return nullptr;
  const ROUTE* r = T_NAV_pGetRoute(index);
  return (r != nullptr && (r->nCount != 0 || r->u32DateTime != 0) && r->nCount <= NAV_MAX_ROUTE_POINTS) ? r : nullptr;
}

static void WPM_vCopyName(char* out, U32 u32Size, const char* src, U32 u32Field) {
  memset(out, 0, u32Size);
  memcpy(out, src, u32Field < u32Size - 2 ? u32Field : u32Size - 2);
}

BOOLEAN WPM_bItemName(U16 id, char* out, U32 u32Size) {
  switch (WPM_eClass(id)) {
    case WPM_ITEM_GROUP: {
      const GROUP_HEADER* h = WPM_pHeader(id);
      if (h == nullptr) break;
      WPM_vCopyName(out, u32Size, h->sName, NAV_WAYPOINT_NAME_SIZE);
      return TRUE;
    }
    case WPM_ITEM_WAYPOINT: {
      const WAYPOINT* w = T_NAV_pGetWaypoint(id & 0x0FFF);
      if (w == nullptr || w->u8Status == WPT_STATUS_FREE || w->u8Status > WPT_STATUS_SAVED_2) break;
      WPM_vCopyName(out, u32Size, w->sName, NAV_WAYPOINT_NAME_SIZE);
      return TRUE;
    }
    case WPM_ITEM_ROUTE: {
      const ROUTE* r = WPM_pRoute(id);
      if (r == nullptr) break;
      WPM_vCopyName(out, u32Size, r->sName, NAV_ROUTE_NAME_SIZE);
      return TRUE;
    }
    case WPM_ITEM_TRACK: {
      const TRACK_HEADER* t = T_NAV_pGetTrackHeader(id & 63);
      if (t == nullptr) break;
      WPM_vCopyName(out, u32Size, t->sName, TRACK_NAME_SIZE);
      return TRUE;
    }
    default:
      break;
  }
  memset(out, 0, u32Size);
  return FALSE;
}

U32 WPM_u32ItemDate(U16 id) {
  switch (WPM_eClass(id)) {
    case WPM_ITEM_GROUP: {
      const GROUP_HEADER* h = WPM_pHeader(id);
      return h != nullptr ? h->u32DateTime : 0;
    }
    case WPM_ITEM_WAYPOINT:
      return T_NAV_pGetWaypoint(id & 0x0FFF)->u32DateTime;
    case WPM_ITEM_ROUTE: {
      const ROUTE* r = WPM_pRoute(id);
      return r != nullptr ? r->u32DateTime : 0;
    }
    case WPM_ITEM_TRACK: {
      const TRACK_HEADER* t = T_NAV_pGetTrackHeader(id & 63);
      return t != nullptr ? t->u32DateTime : 0;
    }
    default:
      return 0;
  }
}

BOOLEAN WPM_bReachesRoot(U16 groupId) {
  const U16 root = T_NAV_GROUP_DATA_nGetRootGroup();
  U16 id = groupId;
  for (U32 steps = 0; steps < NAV_GROUP_MAX_PARENT_STEPS; steps++) {
    if (id == root) return TRUE;
    const GROUP_HEADER* h = WPM_pHeader(id);
    if (h == nullptr || h->u16ParentIndex == NAV_NONE) return FALSE;
    id = h->u16ParentIndex;
  }
  return FALSE;
}

// ---------------------------------------------------------------------------
// Entering a directory

void WPM_vRefillShown(void) {
  const U16 first = g_WPM.u16FirstShowItemIndexInList;
  const U16 left = first < g_WPM.u16ListCount ? (U16)(g_WPM.u16ListCount - first) : 0;
  g_WPM.u16ShowItemsCount = left < g_WPM.u16MaxShowItems ? left : g_WPM.u16MaxShowItems;
  for (U32 i = 0; i < NAV_GROUP_SHOW_MAX; i++) {
    g_WPM.au16ShowItemIDs[i] = i < g_WPM.u16ShowItemsCount ? g_WPM.au16ListIDs[first + i] : NAV_NONE;
  }
}

// Highlight and paging for the child, then the visible rows.
static void WPM_vPlaceChild(U16 child) {
  g_WPM.u16FirstShowItemIndexInList = 0;
  g_WPM.u16HighlightIndex = 0;
  if (child != NAV_NONE) {
    for (U16 p = 0; p < g_WPM.u16ListCount; p++) {
      if (g_WPM.au16ListIDs[p] != child) continue;
      g_WPM.u16HighlightIndex = (U16)(p % g_WPM.u16MaxShowItems);
      g_WPM.u16FirstShowItemIndexInList = (U16)(p - g_WPM.u16HighlightIndex);
      break;
    }
  }
  WPM_vRefillShown();
  if (g_WPM.u16ShowItemsCount == 0) {
    g_WPM.u16HighlightIndex = NAV_NONE;
    if (g_WPM.eInputState != STATE_SLEEP) g_WPM.eInputState = STATE_OPTIONS_MENU;
  } else {
    T_NAV_GROUP_vComputeChartScale();
  }
}

static void WPM_vSetHighBar(const char* const* ppText) {
  memset(g_WPM.acHighBarText, 0, sizeof g_WPM.acHighBarText);
  U_WSTRING_vw_strncpy(g_WPM.acHighBarText, WPM_pcText(ppText), sizeof g_WPM.acHighBarText - 2, FALSE);
}

// The root keeps the Home text of the language it was made in; the path
// names it in the language of the day.
const char* WPM_pcGroupName(const GROUP_HEADER* h, char* pcHome) {
  if (h->u16ParentIndex != NAV_NONE) return h->sName;
  memset(pcHome, 0, NAV_WAYPOINT_NAME_SIZE);
  U_WSTRING_vw_strncpy(pcHome, WPM_pcText(Home), NAV_WAYPOINT_NAME_SIZE, FALSE);
  return pcHome;
}

void WPM_vRebuildPath(U16 groupId) {
  char rows[NAV_GROUP_PATH_LEVELS][NAV_GROUP_PATH_NAME + 2] = {};
  U32 filled = 0;
  U16 id = groupId;
  while (id != NAV_NONE && filled < NAV_GROUP_PATH_LEVELS) {
    const GROUP_HEADER* h = WPM_pHeader(id);
    if (h == nullptr) break;
    char home[NAV_WAYPOINT_NAME_SIZE];
    memcpy(rows[NAV_GROUP_PATH_LEVELS - 1 - filled], WPM_pcGroupName(h, home), NAV_WAYPOINT_NAME_SIZE);
    filled++;
    id = h->u16ParentIndex;
  }
  memset(g_WPM.aacGroupPath, 0, sizeof g_WPM.aacGroupPath);
  for (U32 i = 0; i < filled; i++) {
    memcpy(g_WPM.aacGroupPath[i], rows[NAV_GROUP_PATH_LEVELS - filled + i], sizeof rows[0]);
  }
  g_WPM.u16PathDepth = (U16)filled;
}

static void WPM_vPathLevel(const char* src, U32 u32Field) {
  const U32 level = g_WPM.u16PathDepth > 0 ? g_WPM.u16PathDepth - 1u : 0u;
  if (level >= NAV_GROUP_PATH_LEVELS) return;
  memset(g_WPM.aacGroupPath[level], 0, sizeof g_WPM.aacGroupPath[level]);
  memcpy(g_WPM.aacGroupPath[level], src, u32Field < NAV_GROUP_PATH_NAME ? u32Field : NAV_GROUP_PATH_NAME);
}

BOOLEAN T_NAV_GROUP_bEnterGroup(U16 indexGroup, U16 indexChildToHighlight) {
  const GROUP_HEADER* h = WPM_pHeader(indexGroup);
  if (h == nullptr) {
    if (g_WPM.u16ShowItemsCount > 0) {
      T_NAV_GROUP_vComputeChartScale();
    } else {
      g_WPM.u16HighlightIndex = NAV_NONE;
      if (g_WPM.eInputState != STATE_SLEEP) g_WPM.eInputState = STATE_OPTIONS_MENU;
    }
  } else {
    char home[NAV_WAYPOINT_NAME_SIZE];
    WPM_vPathLevel(WPM_pcGroupName(h, home), NAV_WAYPOINT_NAME_SIZE);
    g_WPM.u16CurrentGroupID = indexGroup;
    g_WPM.u16ParentGroupID = h->u16ParentIndex;
    memset(g_WPM.au16ListIDs, 0xFF, sizeof g_WPM.au16ListIDs);
    g_WPM.u16ListCount = 0;
    // Bodies already walked: a chain that comes back on itself ends there.
    std::bitset<4096> seenBody;
    std::bitset<65536>* pListed = new std::bitset<65536>();
    U16 body = h->u16FirstBodyIndex;
    while (body != NAV_NONE && g_WPM.u16ListCount < NAV_GROUP_LIST_MAX && !seenBody.test(body & 0x0FFF)) {
      seenBody.set(body & 0x0FFF);
      const GROUP_SLOT* s = T_NAV_pGetGroupSlot(body);
      if (s == nullptr || s->sBody.u8Status != WPT_STATUS_GROUP_BODY) break;
      for (U16 item : s->sBody.u16Item) {
        if (item == NAV_NONE || pListed->test(item)) continue;
        const WPM_ITEM_CLASS c = WPM_eClass(item);
        if (c == WPM_ITEM_NONE || c == WPM_ITEM_OTHER || !T_NAV_GROUP_DATA_bIsValidGroupNavData(item)) continue;
        pListed->set(item);
        g_WPM.au16ListIDs[g_WPM.u16ListCount++] = item;
        if (g_WPM.u16ListCount >= NAV_GROUP_LIST_MAX) break;
      }
      body = s->sBody.u16NextIndex;
    }
    delete pListed;
    T_NAV_GROUP_vSortByOrder(g_WPM.eSortByOrder);
    WPM_vPlaceChild(indexChildToHighlight);
  }
  WPM_vSetHighBar(Sort_By);
  if (!WPM_bIsRouteId(g_WPM.u16CurrentGroupID) && h != nullptr) WPM_vRebuildPath(g_WPM.u16CurrentGroupID);
  return TRUE;
}

BOOLEAN T_NAV_GROUP_bEnterRoute(U16 indexRoute, U16 indexChildToHighlight) {
  const ROUTE* r = WPM_pRoute(indexRoute);
  if (r != nullptr) {
    if (!WPM_bIsRouteId(g_WPM.u16CurrentGroupID)) g_WPM.u16ParentGroupID = g_WPM.u16CurrentGroupID;
    g_WPM.u16CurrentGroupID = indexRoute;
    WPM_vPathLevel(r->sName, NAV_ROUTE_NAME_SIZE);
    memset(g_WPM.au16ListIDs, 0xFF, sizeof g_WPM.au16ListIDs);
    g_WPM.u16ListCount = (U16)r->nCount;
    memcpy(g_WPM.au16ListIDs, r->anWaypoint, r->nCount * sizeof r->anWaypoint[0]);
    WPM_vPlaceChild(indexChildToHighlight);
  }
  WPM_vSetHighBar(Reverse);
  return TRUE;
}

void WPM_vEnterDirectory(U16 id, U16 child) {
  if (WPM_bIsGroupId(id)) {
    T_NAV_GROUP_bEnterGroup(id, child);
  } else if (WPM_bIsRouteId(id)) {
    T_NAV_GROUP_bEnterRoute(id, child);
  }
}

void T_NAV_GROUP_vOpenDirectory(U32) {
  if (g_WPM.u16HighlightIndex >= g_WPM.u16ShowItemsCount) return;
  const U16 id = g_WPM.au16ShowItemIDs[g_WPM.u16HighlightIndex];
  if (!WPM_bIsGroupId(id) && !WPM_bIsRouteId(id)) return;
  if (g_WPM.u16PathDepth < NAV_GROUP_PATH_LEVELS) g_WPM.u16PathDepth++;
  WPM_vEnterDirectory(id, NAV_NONE);
  if (g_WPM.u16ShowItemsCount > 0) g_WPM.u16HighlightIndex = 0;
}

// ---------------------------------------------------------------------------
// Chart preview

static void WPM_vPreviewAdd(U16 id) {
  if (g_WPM.u16PreviewCount < NAV_GROUP_LIST_MAX) g_WPM.au16PreviewIDs[g_WPM.u16PreviewCount++] = id;
}

// Gathers a group and, through a visited set, every group below it. The
// walk keeps its own stack: a deep or cyclic tree never grows the task's.
void T_NAV_GROUP_vShowGroupList(U16 indexGroup) {
  std::bitset<4096> visitedGroup, seenBody;
  U16 stack[NAV_MAX_WAYPOINTS];
  U32 depth = 0;
  stack[depth++] = indexGroup;
  visitedGroup.set(indexGroup & 0x0FFF);
  while (depth > 0 && g_WPM.u16PreviewCount < NAV_GROUP_LIST_MAX) {
    const GROUP_HEADER* h = WPM_pHeader(stack[--depth]);
    if (h == nullptr) continue;
    U16 body = h->u16FirstBodyIndex, previous = NAV_NONE;
    while (body != NAV_NONE) {
      if (seenBody.test(body & 0x0FFF)) {
        // The chain loops: it ends at the body that led back.
        const GROUP_SLOT* p = previous != NAV_NONE ? T_NAV_pGetGroupSlot(previous) : nullptr;
        if (p != nullptr) {
          GROUP_SLOT cut = *p;
          cut.sBody.u16NextIndex = NAV_NONE;
          T_NAV_bSetGroupSlot(previous, &cut);
        }
        break;
      }
      seenBody.set(body & 0x0FFF);
      const GROUP_SLOT* s = T_NAV_pGetGroupSlot(body);
      if (s == nullptr || s->sBody.u8Status != WPT_STATUS_GROUP_BODY) break;
      for (U16 item : s->sBody.u16Item) {
        const WPM_ITEM_CLASS c = WPM_eClass(item);
        if (c == WPM_ITEM_GROUP) {
          if (!visitedGroup.test(item & 0x0FFF) && depth < NAV_MAX_WAYPOINTS) {
            visitedGroup.set(item & 0x0FFF);
            stack[depth++] = item;
          }
        } else if (c == WPM_ITEM_WAYPOINT || c == WPM_ITEM_ROUTE || c == WPM_ITEM_TRACK) {
          WPM_vPreviewAdd(item);
        }
      }
      previous = body;
      body = s->sBody.u16NextIndex;
    }
  }
}

void T_NAV_GROUP_vComputeCenterPosition(POINT* pPosition, POINT* pPositionMin, POINT* pPositionMax) {
  BOOLEAN bAny = FALSE;
  POINT lo = {}, hi = {};
  for (U32 i = 0; i < g_WPM.u16PreviewCount; i++) {
    const U16 id = g_WPM.au16PreviewIDs[i];
    if (WPM_eClass(id) != WPM_ITEM_WAYPOINT) continue;
    POINT pt;
    T_NAV_vCopyWaypointPoint(id & 0x0FFF, &pt);
    if (!bAny) {
      lo = hi = pt;
      bAny = TRUE;
    }
    lo.x = pt.x < lo.x ? pt.x : lo.x;
    lo.y = pt.y < lo.y ? pt.y : lo.y;
    hi.x = pt.x > hi.x ? pt.x : hi.x;
    hi.y = pt.y > hi.y ? pt.y : hi.y;
  }
  if (!bAny) return;
  if (pPositionMin != nullptr) *pPositionMin = lo;
  if (pPositionMax != nullptr) *pPositionMax = hi;
  if (pPosition != nullptr) *pPosition = {(S32)(((S64)lo.x + hi.x) / 2), (S32)(((S64)lo.y + hi.y) / 2)};
}

static U32 WPM_u32BitLength(U32 v) {
  U32 n = 0;
  for (; v != 0; v >>= 1) n++;
  return n;
}

void T_NAV_GROUP_vComputeChartScale(void) {
  memset(g_WPM.au16PreviewIDs, 0xFF, sizeof g_WPM.au16PreviewIDs);
  g_WPM.u16PreviewCount = 0;
  if (g_WPM.u16HighlightIndex >= NAV_GROUP_SHOW_MAX) return;
  const U16 id = g_WPM.au16ShowItemIDs[g_WPM.u16HighlightIndex];
  switch (WPM_eClass(id)) {
    case WPM_ITEM_WAYPOINT:
      H_DATABASE_bUpdateValueS32(FCID("INCN"), 16, P_NORMAL);
      return;
    case WPM_ITEM_TRACK:
      H_DATABASE_bUpdateValueS32(FCID("INCN"), 15, P_NORMAL);
      return;
    case WPM_ITEM_ROUTE: {
      const ROUTE* r = WPM_pRoute(id);
      if (r == nullptr || r->nCount == 0) break;
      for (U32 i = 0; i < r->nCount; i++) {
        if (WPM_eClass(r->anWaypoint[i]) == WPM_ITEM_WAYPOINT) WPM_vPreviewAdd(r->anWaypoint[i]);
      }
      break;
    }
    case WPM_ITEM_GROUP:
      T_NAV_GROUP_vShowGroupList(id);
      break;
    default:
      return;
  }
  POINT lo = {}, hi = {};
  BOOLEAN bAny = FALSE;
  for (U32 i = 0; i < g_WPM.u16PreviewCount && !bAny; i++) bAny = WPM_eClass(g_WPM.au16PreviewIDs[i]) == WPM_ITEM_WAYPOINT;
  if (!bAny) return;
  T_NAV_GROUP_vComputeCenterPosition(&g_WPM.ptPreviewCentre, &lo, &hi);
  U32 dx = (U32)((S64)hi.x - lo.x), dy = (U32)((S64)hi.y - lo.y);
  if (dx == 0) dx = 1;
  if (dy == 0) dy = 1;
  const U32 qx = 0x13700000u / dx, qy = 0x0B800000u / dy;
  const S32 zx = 32 - (S32)WPM_u32BitLength(qx >> 1), zy = 32 - (S32)WPM_u32BitLength(qy >> 1);
  S32 zoom = zx > zy ? zx : zy;
  zoom = zoom < 9 ? 9 : (zoom > 23 ? 23 : zoom);
  H_DATABASE_bUpdateValueS32(FCID("INCN"), zoom, P_NORMAL);
}

// ---------------------------------------------------------------------------
// The bottom selection bar

void T_NAV_GROUP_vSetAsDefaultGroup(U32) {
  if (WPM_bIsGroupId(g_WPM.u16CurrentGroupID)) {
    T_NAV_GROUP_DATA_bSetDefaultGroup(g_WPM.u16CurrentGroupID);
    T_NAV_GROUP_vSwitchToBrowseMode();
  } else {
    T_NAV_GROUP_vSetNavUIRawNoteWithTimeout(WPM_pcText(Only_groups_can_be_set_as_the_default), 2);
    L_CLOCK_Sleep(250);
    WPM_vClick(FALSE);
  }
}

// Up one level, highlighting the directory just left; FALSE at the root.
static BOOLEAN WPM_bGoUp(void) {
  const U16 left = g_WPM.u16CurrentGroupID;
  const U16 parent = g_WPM.u16ParentGroupID;
  if (WPM_bIsGroupId(parent)) {
    if (g_WPM.u16PathDepth > 0) g_WPM.u16PathDepth--;
    T_NAV_GROUP_bEnterGroup(parent, left);
  } else if (WPM_bIsRouteId(left) && WPM_bIsRouteId(parent)) {
    if (g_WPM.u16PathDepth > 0) g_WPM.u16PathDepth--;
    T_NAV_GROUP_bEnterRoute(parent, left);
  } else {
    return FALSE;
  }
  return TRUE;
}

BOOLEAN T_NAV_GROUP_bLowSelectionBarHandleKeys(const MSG_KEY_CHANGE* pMsg) {
  if (pMsg->key != HKEY_MASK_CURSOR) {
    WPM_vClick(FALSE);
    return TRUE;
  }
  switch (pMsg->cursor) {
    case CURSOR_NORTH:
      g_WPM.eInputState = STATE_SORTBY_MENU;
      WPM_vClick(TRUE);
      break;
    case CURSOR_EAST:
      if (g_WPM.eMode == MODE_BROWSE) {
        WPM_vOpenMenu(s_MenuNew, {g_WPM.ptItemListRightClickMenu.x - 3, 385});
      } else if (g_WPM.eMode == MODE_SEARCH) {
        T_NAV_GROUP_vExitSearch();
        WPM_vClick(TRUE);
      } else if (g_WPM.eMode == MODE_MULTI_SELECT) {
        WPM_vMultiSelectDone();
      } else if (g_WPM.eMode == MODE_PASTE) {
        T_NAV_GROUP_vPasteSelectedItems();
      } else if (g_WPM.eMode == MODE_EDIT_GROUP || g_WPM.eMode == MODE_EDIT_ROUTE ||
                 g_WPM.eMode == MODE_REORDER_WAYPOINT_IN_ROUTE) {
        T_NAV_GROUP_vSaveChanges();
      }
      break;
    case CURSOR_SOUTH:
      if (g_WPM.u16ShowItemsCount == 0) {
        WPM_vClick(FALSE);
        break;
      }
      g_WPM.u16HighlightIndex = 0;
      g_WPM.eInputState = STATE_ITEM_LIST;
      T_NAV_GROUP_vComputeChartScale();
      WPM_vClick(TRUE);
      break;
    case CURSOR_WEST:
      if (g_WPM.eMode == MODE_REORDER_WAYPOINT_IN_ROUTE || !WPM_bGoUp()) {
        WPM_vClick(FALSE);
        break;
      }
      g_WPM.eInputState = STATE_ITEM_LIST;
      WPM_vClick(TRUE);
      break;
    default:
      break;
  }
  return TRUE;
}

BOOLEAN WPM_bGoUpFromList(void) { return WPM_bGoUp(); }
