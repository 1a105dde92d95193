// The menu store: fixed pools of items and containers, kept in order by
// priority, looked up by name. Registration order never matters: an item
// that names a tab or sub-menu nobody registered yet makes it.

#include "t_menustore.h"

#include <string.h>

#include "linuxsvc.h"
#include "u_language.h"
#include "u_menupanel.h"

MENU_OPEN g_sMenuOpen;

static MENU_ITEM s_aItems[MENU_MAX_ITEMS];
static MENU_CONTAINER s_aContainers[MENU_MAX_CONTAINERS];
static MENU_SINGLE s_aSingles[MENU_MAX_SINGLE];
static U16 s_u16FreeItems = MENU_NONE;
static U32 s_u32Uses = 0;  // containers made so far: the order of implicit tabs
static BOOLEAN s_bSuperUser = FALSE;

static const char* const s_apcEmpty[LANGUAGE_COUNT] = {
    "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "",
    "\0", "\0", "\0", "\0", "\0"};

// ---------------------------------------------------------------------------
// Names and texts

BOOLEAN T_MENUSTORE_bSameName(MENU_TEXT a, MENU_TEXT b) {
  if (a == b) return TRUE;
  if (a == nullptr || b == nullptr || a[0] == nullptr || b[0] == nullptr) return FALSE;
  return strcmp(a[0], b[0]) == 0;
}

const char* T_MENUSTORE_pcEnglish(MENU_TEXT pText) {
  return pText != nullptr && pText[0] != nullptr ? pText[0] : "?";
}

const char* T_MENUSTORE_pcText(MENU_TEXT pText, unsigned nLanguage) {
  if (nLanguage >= LANGUAGE_COUNT) nLanguage = LANGUAGE_ENGLISH;
  if (pText == nullptr || pText[nLanguage] == nullptr) return s_apcEmpty[nLanguage];
  return pText[nLanguage];
}

static void STORE_vFull(const char* pcWhat) { log_me("[%d]%s: menu store full (%s)", __LINE__, __func__, pcWhat); }

// ---------------------------------------------------------------------------
// Pools

void T_MENUSTORE_vClear(void) {
  memset(s_aItems, 0, sizeof s_aItems);
  memset(s_aContainers, 0, sizeof s_aContainers);
  memset(s_aSingles, 0, sizeof s_aSingles);
  for (U32 i = 0; i < MENU_MAX_ITEMS; i++) s_aItems[i].u16Next = i + 1 < MENU_MAX_ITEMS ? (U16)(i + 1) : MENU_NONE;
  s_u16FreeItems = 0;
  for (MENU_CONTAINER& c : s_aContainers) c.u16First = MENU_NONE;
  s_aContainers[MENU_QUICK_LIST].eKind = MENU_BOX_QUICK;
  s_aContainers[MENU_ALL_VIEWS_LIST].eKind = MENU_BOX_ALL_VIEWS;
  s_aContainers[MENU_ALL_VIEWS_LIST].eView = USED_BY_ALL;
  s_u32Uses = 0;
}

MENU_ITEM* T_MENUSTORE_pItem(U16 u16Item) { return u16Item < MENU_MAX_ITEMS ? &s_aItems[u16Item] : nullptr; }

MENU_CONTAINER* T_MENUSTORE_pContainer(U16 u16Container) {
  return u16Container < MENU_MAX_CONTAINERS ? &s_aContainers[u16Container] : nullptr;
}

static BOOLEAN STORE_bMatches(const MENU_CONTAINER& c, MENU_CONTAINER_KIND eKind, MENU_TEXT pName, LAYER_ID eView,
                              SPLIT_WINDOW_TYPE eSplit) {
  if (c.eKind != eKind) return FALSE;
  if (eKind == MENU_BOX_EXPRESS) return c.eView == eView && c.eSplit == eSplit;
  if (eKind == MENU_BOX_QUICK || eKind == MENU_BOX_ALL_VIEWS) return TRUE;
  return T_MENUSTORE_bSameName(c.pName, pName);
}

U16 T_MENUSTORE_u16Find(MENU_CONTAINER_KIND eKind, MENU_TEXT pName, LAYER_ID eView, SPLIT_WINDOW_TYPE eSplit) {
  for (U32 i = 0; i < MENU_MAX_CONTAINERS; i++) {
    if (STORE_bMatches(s_aContainers[i], eKind, pName, eView, eSplit)) return (U16)i;
  }
  return MENU_NONE;
}

U16 T_MENUSTORE_u16Get(MENU_CONTAINER_KIND eKind, MENU_TEXT pName, LAYER_ID eView, SPLIT_WINDOW_TYPE eSplit) {
  const U16 found = T_MENUSTORE_u16Find(eKind, pName, eView, eSplit);
  if (found != MENU_NONE) return found;
  if (eKind == MENU_BOX_FLOATING) {
    U32 n = 0;
    for (const MENU_CONTAINER& c : s_aContainers) n += c.eKind == MENU_BOX_FLOATING;
    if (n >= MENU_MAX_FLOATING) {
      STORE_vFull(T_MENUSTORE_pcEnglish(pName));
      return MENU_NONE;
    }
  }
  for (U32 i = 0; i < MENU_MAX_CONTAINERS; i++) {
    MENU_CONTAINER& c = s_aContainers[i];
    if (c.eKind != MENU_BOX_FREE) continue;
    memset(&c, 0, sizeof c);
    c.eKind = eKind;
    c.pName = pName;
    c.eView = eView;
    c.eSplit = eSplit;
    c.eLevel = M_BASIC;
    c.u32Order = s_u32Uses++;
    c.u16First = MENU_NONE;
    return (U16)i;
  }
  STORE_vFull(eKind == MENU_BOX_EXPRESS ? "express menu" : T_MENUSTORE_pcEnglish(pName));
  return MENU_NONE;
}

static void STORE_vFreeItem(U16 u16Item) {
  s_aItems[u16Item].bUsed = FALSE;
  s_aItems[u16Item].u16Next = s_u16FreeItems;
  s_u16FreeItems = u16Item;
}

void T_MENUSTORE_vEmpty(U16 u16Container) {
  MENU_CONTAINER* c = T_MENUSTORE_pContainer(u16Container);
  if (c == nullptr) return;
  for (U16 i = c->u16First; i != MENU_NONE;) {
    const U16 next = s_aItems[i].u16Next;
    STORE_vFreeItem(i);
    i = next;
  }
  c->u16First = MENU_NONE;
}

void T_MENUSTORE_vFreeContainer(U16 u16Container) {
  if (u16Container <= MENU_ALL_VIEWS_LIST || u16Container >= MENU_MAX_CONTAINERS) return;
  T_MENUSTORE_vEmpty(u16Container);
  s_aContainers[u16Container].eKind = MENU_BOX_FREE;
}

U16 T_MENUSTORE_u16Put(U16 u16Container, const MENU_ITEM* pItem) {
  MENU_CONTAINER* c = T_MENUSTORE_pContainer(u16Container);
  if (c == nullptr) return MENU_NONE;
  U16* pLink = &c->u16First;
  U16* pInsert = nullptr;
  for (; *pLink != MENU_NONE; pLink = &s_aItems[*pLink].u16Next) {
    MENU_ITEM& old = s_aItems[*pLink];
    if (old.u32Priority == pItem->u32Priority && T_MENUSTORE_bSameName(old.pName, pItem->pName)) {
      const U16 u16Index = *pLink, u16Next = old.u16Next;
      old = *pItem;
      old.bUsed = TRUE;
      old.u16Next = u16Next;
      old.u16Container = u16Container;
      return u16Index;
    }
    if (pInsert == nullptr && old.u32Priority > pItem->u32Priority) pInsert = pLink;
  }
  if (pInsert == nullptr) pInsert = pLink;
  if (s_u16FreeItems == MENU_NONE) {
    STORE_vFull(T_MENUSTORE_pcEnglish(pItem->pName));
    return MENU_NONE;
  }
  const U16 u16Index = s_u16FreeItems;
  s_u16FreeItems = s_aItems[u16Index].u16Next;
  MENU_ITEM& n = s_aItems[u16Index];
  n = *pItem;
  n.bUsed = TRUE;
  n.u16Container = u16Container;
  n.u16Next = *pInsert;
  *pInsert = u16Index;
  return u16Index;
}

U32 T_MENUSTORE_u32Remove(U16 u16Container, MENU_TEXT pName) {
  MENU_CONTAINER* c = T_MENUSTORE_pContainer(u16Container);
  if (c == nullptr) return 0;
  U32 n = 0;
  for (U16* pLink = &c->u16First; *pLink != MENU_NONE;) {
    const U16 u16Index = *pLink;
    if (T_MENUSTORE_bSameName(s_aItems[u16Index].pName, pName)) {
      *pLink = s_aItems[u16Index].u16Next;
      STORE_vFreeItem(u16Index);
      n++;
    } else {
      pLink = &s_aItems[u16Index].u16Next;
    }
  }
  return n;
}

// ---------------------------------------------------------------------------
// What shows

void T_MENUSTORE_vSetSuperUser(BOOLEAN bSuperUser) { s_bSuperUser = bSuperUser; }

BOOLEAN T_MENUSTORE_bLevelShown(MENU_USER_LEVEL eLevel) {
  switch (eLevel) {
    case M_SUPER_USER:
      return s_bSuperUser;
    case M_DIAGNOSTIC:
      return FALSE;
    default:
      return TRUE;
  }
}

static U32 STORE_u32Rows(U16 u16Container, BOOLEAN bMergeAllViews, U32 u32Depth, U16* pRows, U32 u32Max,
                         BOOLEAN bFirstOnly);

// A level this deep could never be opened, so nothing behind it counts.
static BOOLEAN STORE_bAnyShown(U16 u16Container, BOOLEAN bMergeAllViews, U32 u32Depth) {
  if (u32Depth >= MENU_MAX_LEVELS) return FALSE;
  U16 first = MENU_NONE;
  return STORE_u32Rows(u16Container, bMergeAllViews, u32Depth, &first, 1, TRUE) > 0;
}

BOOLEAN T_MENUSTORE_bItemShown(const MENU_ITEM* pItem, U32 u32Depth) {
  if (!pItem->bUsed || !T_MENUSTORE_bLevelShown(pItem->eLevel)) return FALSE;
  switch (pItem->value.eKind) {
    case MENU_ITEM_ACTION_LIST:
      return pItem->value.u32Count > 0 && pItem->value.pChoices != nullptr && u32Depth + 1 < MENU_MAX_LEVELS;
    case MENU_ITEM_SUB_MENU:
    case MENU_ITEM_SUB_MENU_NO_ARROW:
      return STORE_bAnyShown(T_MENUSTORE_u16Find(MENU_BOX_SUB, pItem->pSubMenu, NO_VIEW_PRIORITY, NO_SPLIT_WINDOW),
                             FALSE, u32Depth + 1);
    default:
      return TRUE;
  }
}

// The next shown item of a list from u16From on.
static U16 STORE_u16NextShown(U16 u16From, U32 u32Depth) {
  while (u16From != MENU_NONE && !T_MENUSTORE_bItemShown(&s_aItems[u16From], u32Depth)) u16From = s_aItems[u16From].u16Next;
  return u16From;
}

static U32 STORE_u32Rows(U16 u16Container, BOOLEAN bMergeAllViews, U32 u32Depth, U16* pRows, U32 u32Max,
                         BOOLEAN bFirstOnly) {
  const MENU_CONTAINER* c = T_MENUSTORE_pContainer(u16Container);
  U16 a = c != nullptr ? STORE_u16NextShown(c->u16First, u32Depth) : MENU_NONE;
  U16 b = bMergeAllViews ? STORE_u16NextShown(s_aContainers[MENU_ALL_VIEWS_LIST].u16First, u32Depth) : MENU_NONE;
  U32 n = 0;
  while (a != MENU_NONE || b != MENU_NONE) {
    // Ties go to the pane's own item.
    const BOOLEAN bTakeA = b == MENU_NONE || (a != MENU_NONE && s_aItems[a].u32Priority <= s_aItems[b].u32Priority);
    U16& take = bTakeA ? a : b;
    if (n < u32Max) pRows[n] = take;
    n++;
    if (bFirstOnly) return n;
    take = STORE_u16NextShown(s_aItems[take].u16Next, u32Depth);
  }
  return n;
}

U32 T_MENUSTORE_u32Rows(U16 u16Container, BOOLEAN bMergeAllViews, U32 u32Depth, U16* pRows, U32 u32Max) {
  return STORE_u32Rows(u16Container, bMergeAllViews, u32Depth, pRows, u32Max, FALSE);
}

static BOOLEAN STORE_bTabBefore(const MENU_CONTAINER& a, const MENU_CONTAINER& b) {
  if (a.bRegistered != b.bRegistered) return a.bRegistered;
  if (a.bRegistered && a.u32Priority != b.u32Priority) return a.u32Priority < b.u32Priority;
  return a.u32Order < b.u32Order;
}

U32 T_MENUSTORE_u32Tabs(U16* pTabs, U32 u32Max) {
  U32 n = 0;
  for (U32 i = 0; i < MENU_MAX_CONTAINERS && n < u32Max; i++) {
    const MENU_CONTAINER& c = s_aContainers[i];
    if (c.eKind != MENU_BOX_TAB || !T_MENUSTORE_bLevelShown(c.eLevel) || !STORE_bAnyShown((U16)i, FALSE, 0)) continue;
    U32 at = n++;
    for (; at > 0 && STORE_bTabBefore(c, s_aContainers[pTabs[at - 1]]); at--) pTabs[at] = pTabs[at - 1];
    pTabs[at] = (U16)i;
  }
  return n;
}

// ---------------------------------------------------------------------------
// Single-centred definitions

MENU_SINGLE* T_MENUSTORE_pFindSingle(MENU_TEXT pTitle) {
  for (MENU_SINGLE& s : s_aSingles) {
    if (s.bUsed && T_MENUSTORE_bSameName(s.pTitle, pTitle)) return &s;
  }
  return nullptr;
}

BOOLEAN T_MENUSTORE_bPutSingle(const MENU_SINGLE* pSingle) {
  MENU_SINGLE* p = T_MENUSTORE_pFindSingle(pSingle->pTitle);
  for (U32 i = 0; p == nullptr && i < MENU_MAX_SINGLE; i++) {
    if (!s_aSingles[i].bUsed) p = &s_aSingles[i];
  }
  if (p == nullptr) {
    STORE_vFull(T_MENUSTORE_pcEnglish(pSingle->pTitle));
    return FALSE;
  }
  *p = *pSingle;
  p->bUsed = TRUE;
  return TRUE;
}

void T_MENUSTORE_vRemoveSingle(MENU_TEXT pTitle) {
  MENU_SINGLE* p = T_MENUSTORE_pFindSingle(pTitle);
  if (p != nullptr) p->bUsed = FALSE;
}

// ---------------------------------------------------------------------------
// Open levels

U32 T_MENUSTORE_u32LevelRows(U32 u32Level, U16* pRows, U32 u32Max) {
  const MENU_LEVEL& l = g_sMenuOpen.aLevels[u32Level];
  U32 n = 0;
  switch (l.eKind) {
    case MENU_LEVEL_ITEMS:
      return T_MENUSTORE_u32Rows(l.u16Container, l.bMergeAllViews, u32Level, pRows, u32Max);
    case MENU_LEVEL_ENTRIES: {
      const MENU_ITEM* p = T_MENUSTORE_pItem(l.u16Item);
      n = p != nullptr && p->bUsed ? p->value.u32Count : 0;
      break;
    }
    case MENU_LEVEL_INFO:
      n = g_sMenuOpen.u8InfoCount;
      break;
  }
  for (U32 i = 0; i < n && i < u32Max; i++) pRows[i] = (U16)i;
  return n;
}

U32 T_MENUSTORE_u32Selected(U32 u32Level, const U16* pRows, U32 u32Rows) {
  if (u32Rows == 0) return MENU_NO_ROW;
  const MENU_LEVEL& l = g_sMenuOpen.aLevels[u32Level];
  if (l.eKind != MENU_LEVEL_ITEMS) return l.u32SelEntry < u32Rows ? l.u32SelEntry : 0;
  for (U32 i = 0; i < u32Rows && l.pSelName != nullptr; i++) {
    const MENU_ITEM& item = s_aItems[pRows[i]];
    if (item.u32Priority == l.u32SelPriority && T_MENUSTORE_bSameName(item.pName, l.pSelName)) return i;
  }
  return 0;
}

void T_MENUSTORE_vSelect(U32 u32Level, const U16* pRows, U32 u32Rows, U32 u32Row) {
  MENU_LEVEL& l = g_sMenuOpen.aLevels[u32Level];
  if (u32Row >= u32Rows) return;
  if (l.eKind == MENU_LEVEL_ITEMS) {
    l.pSelName = s_aItems[pRows[u32Row]].pName;
    l.u32SelPriority = s_aItems[pRows[u32Row]].u32Priority;
  } else {
    l.u32SelEntry = u32Row;
  }
  if (u32Row < l.u32Top) l.u32Top = u32Row;
  if (u32Row >= l.u32Top + MENU_PANEL_ROWS) l.u32Top = u32Row + 1 - MENU_PANEL_ROWS;
}
