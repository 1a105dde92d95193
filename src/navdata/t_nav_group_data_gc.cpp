// Garbage collection of the store: what the tree reaches from the root is
// kept, broken links are cut, equal records of one side are merged into
// one, and every record nothing reaches is deleted with its file.
//
// One collection holds mutex 9 from start to end and one work block: the
// marks, the headers and bodies met, and the stack of the groups being
// walked. Each body belongs to one chain: a body met a second time (a loop,
// or a body two chains share) is cut from the chain that meets it later,
// the cut written through, and the collection runs again, twice at most,
// so it always ends.

#include <string.h>

#include "h_memory.h"
#include "linuxsvc.h"
#include "t_nav_group_data.h"
#include "t_nav_group_data_int.h"
#include "t_nav_twr.h"

constexpr U32 GC_MARK_ROUTES = NAV_MAX_WAYPOINTS;
constexpr U32 GC_MARK_TRACKS = GC_MARK_ROUTES + NAV_MAX_ROUTES;
constexpr U32 GC_MARK_SIZE = GC_MARK_TRACKS + NAV_MAX_TRACKS;
constexpr U32 GC_MAX_REPEATS = 2;

// A group being walked: the body it is in and the next place to look at.
typedef struct tag_GC_FRAME {
  U16 u16Body;
  U8 u8Place;
  U8 bChanged;
  U8 bRootShared;  // in the root's shared chain, where a cut goes on to the lock chain
  GROUP_SLOT sBody;
} GC_FRAME;

typedef struct tag_GC_WORK {
  U8 au8Mark[GC_MARK_SIZE];
  U8 au8MetHeader[NAV_MAX_WAYPOINTS];
  U8 au8MetBody[NAV_MAX_WAYPOINTS];
  // A group can be entered once: the stack never holds more than every slot.
  GC_FRAME aFrame[NAV_MAX_WAYPOINTS];
} GC_WORK;

// Present while a collection from the root runs.
static GC_WORK* s_pWork;
static BOOLEAN s_bRepeat;
static NAV_GC_STATS s_Stats;

void T_NAV_GROUP_DATA_vGetGcStats(NAV_GC_STATS* pStats) {
  if (pStats != nullptr) *pStats = s_Stats;
}

static BOOLEAN GC_bInUse(const ROUTE* r) { return r != nullptr && (r->nCount != 0 || r->u32DateTime != 0); }

// ---------------------------------------------------------------------------
// Marking

static void GC_vWriteCut(NAV_DATA_SPACE* pData, U16 u16Id, const GROUP_SLOT* pSlot) {
  TREE_bWrite(pData, u16Id, pSlot);
  s_Stats.u32Cut++;
}

// Marks the group's header and starts the walk of its chain. A chain start
// that names no body, or one met before, is cut from the header.
static void GC_vEnter(NAV_DATA_SPACE* pData, U16 u16Group, BOOLEAN bRoot, U32* pDepth) {
  GC_WORK* w = s_pWork;
  GROUP_SLOT header, body;
  if (!TREE_bReadAs(pData, u16Group, WPT_STATUS_GROUP_HEADER, &header)) return;
  w->au8Mark[TREE_nSlot(u16Group)] = 1;
  U16 first = header.sHeader.u16FirstBodyIndex;
  if (first == NAV_NONE) return;
  const S32 slot = TREE_nSlot(first);
  const S32 lock = TREE_nSlot(NAV_ITEM_ROOT_LOCK_BODY);
  // Only the root's chain may begin at the lock body.
  if ((first == NAV_ITEM_ROOT_LOCK_BODY && !bRoot) || !TREE_bReadAs(pData, first, WPT_STATUS_GROUP_BODY, &body) ||
      w->au8MetBody[slot]) {
    const BOOLEAN bMet = slot >= 0 && w->au8MetBody[slot];
    // The root keeps its way to the lock chain, when there is one.
    const BOOLEAN bToLock = bRoot && first != NAV_ITEM_ROOT_LOCK_BODY && !w->au8MetBody[lock] &&
                            TREE_bReadAs(pData, NAV_ITEM_ROOT_LOCK_BODY, WPT_STATUS_GROUP_BODY, &body);
    header.sHeader.u16FirstBodyIndex = bToLock ? NAV_ITEM_ROOT_LOCK_BODY : NAV_NONE;
    GC_vWriteCut(pData, u16Group, &header);
    s_bRepeat = s_bRepeat || bMet;
    if (!bToLock) return;
    first = NAV_ITEM_ROOT_LOCK_BODY;
  }
  w->au8MetBody[TREE_nSlot(first)] = 1;
  w->au8Mark[TREE_nSlot(first)] = 1;
  GC_FRAME* f = &w->aFrame[(*pDepth)++];
  f->u16Body = first;
  f->u8Place = 0;
  f->bChanged = FALSE;
  f->bRootShared = bRoot && first != NAV_ITEM_ROOT_LOCK_BODY;
  f->sBody = body;
}

static BOOLEAN GC_bLiveWaypoint(NAV_DATA_SPACE* pData, U16 u16Slot) {
  GROUP_SLOT slot;
  if (!TREE_bRead(pData, u16Slot, &slot)) return FALSE;
  WAYPOINT wp;
  memcpy(&wp, &slot, sizeof wp);
  return wp.u8Status >= WPT_STATUS_SAVED && wp.u8Status <= WPT_STATUS_SAVED_2 && wp.u32DateTime != 0;
}

// Looks at one link of a body: marks what it reaches, FALSE when the link is
// broken and goes. A group not met before is entered (*pbEntered).
static BOOLEAN GC_bKeepLink(NAV_DATA_SPACE* pData, U16 u16Item, U32* pDepth, BOOLEAN* pbEntered) {
  GC_WORK* w = s_pWork;
  GROUP_SLOT slot;
  if (u16Item == NAV_NONE || u16Item == NAV_ITEM_ROOT_LOCK_BODY) return TRUE;
  if ((u16Item & 0xC000) == NAV_ITEM_GROUP_BASE) {
    const S32 n = TREE_nSlot(u16Item);
    if (n < 0 || !TREE_bReadAs(pData, u16Item, WPT_STATUS_GROUP_HEADER, &slot) || w->au8MetHeader[n]) return FALSE;
    w->au8MetHeader[n] = 1;
    const U32 before = *pDepth;
    GC_vEnter(pData, u16Item, FALSE, pDepth);
    *pbEntered = *pDepth > before;
    return TRUE;
  }
  if ((u16Item & 0xC000) == 0) {
    if (!GC_bLiveWaypoint(pData, u16Item)) return FALSE;
    w->au8Mark[u16Item] = 1;
    return TRUE;
  }
  if ((u16Item & 0xC800) == NAV_ITEM_ROUTE_BASE) {
    const U16 index = u16Item & 0x07FF;
    if (index >= NAV_MAX_ROUTES) return TRUE;
    const ROUTE* r = T_NAV_pGetRouteEX(pData, index);
    if (r == nullptr || r->nCount > NAV_MAX_ROUTE_POINTS || r->u32DateTime == 0) return FALSE;
    w->au8Mark[GC_MARK_ROUTES + index] = 1;
    BOOLEAN bWhole = TRUE;
    for (U32 k = 0; k < r->nCount; k++) {
      const U16 point = r->anWaypoint[k];
      if (point == NAV_NONE) continue;
      const U8 status = TREE_bRead(pData, point, &slot) ? TREE_u8Status(&slot) : (U8)WPT_STATUS_FREE;
      if (status == WPT_STATUS_FREE || status >= WPT_STATUS_GROUP_HEADER) {
        bWhole = FALSE;
      } else {
        w->au8Mark[point] = 1;
      }
    }
    return bWhole;
  }
  if ((u16Item & 0xC800) == NAV_ITEM_TRACK_BASE) {
    const U16 index = u16Item & 0x003F;
    if (index < NAV_MAX_TRACKS && (u16Item & NAV_ITEM_UNIT_BITS) == T_NAV_GROUP_DATA_u16Getu7UnitID()) {
      w->au8Mark[GC_MARK_TRACKS + index] = 1;
    }
  }
  return TRUE;
}

// Walks the groups on the stack to their ends.
static void GC_vWalk(NAV_DATA_SPACE* pData, U32 depth) {
  GC_WORK* w = s_pWork;
  while (depth > 0) {
    GC_FRAME* f = &w->aFrame[depth - 1];
    BOOLEAN bEntered = FALSE;
    while (f->u8Place < NAV_GROUP_BODY_ITEMS && !bEntered) {
      U16* pItem = &f->sBody.sBody.u16Item[f->u8Place++];
      if (!GC_bKeepLink(pData, *pItem, &depth, &bEntered)) {
        *pItem = NAV_NONE;
        f->bChanged = TRUE;
        s_Stats.u32Cut++;
      }
    }
    if (bEntered) continue;  // this body is taken up again when the group below is done
    const U16 next = f->sBody.sBody.u16NextIndex;
    const S32 slot = TREE_nSlot(next);
    GROUP_SLOT body;
    memset(&body, 0, sizeof body);
    BOOLEAN bCut = FALSE;
    U16 cut = f->bRootShared ? NAV_ITEM_ROOT_LOCK_BODY : NAV_NONE;
    if (next == NAV_NONE) {
    } else if (next == NAV_ITEM_ROOT_LOCK_BODY) {
      // Only the root's shared chain goes on to the lock chain, and only
      // when there is one; the lock body met before is left to its walk.
      if (!f->bRootShared || !TREE_bReadAs(pData, next, WPT_STATUS_GROUP_BODY, &body)) {
        bCut = TRUE;
        cut = NAV_NONE;
      }
    } else if (TREE_bSameSlot(next, f->u16Body)) {
      bCut = TRUE;
    } else if (!TREE_bReadAs(pData, next, WPT_STATUS_GROUP_BODY, &body) || w->au8MetBody[slot]) {
      bCut = TRUE;
      s_bRepeat = TRUE;
    }
    if (bCut) {
      f->sBody.sBody.u16NextIndex = cut;
      f->bChanged = TRUE;
      s_Stats.u32Cut++;
    }
    if (f->bChanged) TREE_bWrite(pData, f->u16Body, &f->sBody);
    if (next == NAV_NONE || bCut || (next == NAV_ITEM_ROOT_LOCK_BODY && w->au8MetBody[slot]) ||
        TREE_u8Status(&body) != WPT_STATUS_GROUP_BODY) {
      depth--;
      continue;
    }
    w->au8MetBody[slot] = 1;
    w->au8Mark[slot] = 1;
    if (next == NAV_ITEM_ROOT_LOCK_BODY) f->bRootShared = FALSE;
    f->u16Body = next;
    f->u8Place = 0;
    f->bChanged = FALSE;
    f->sBody = body;
  }
}

// Walks the tree from the root with an explicit stack of groups. The lock
// chain is the root's even when its shared chain lost the way there.
static void GC_vMark(NAV_DATA_SPACE* pData, U16 u16Root) {
  GC_WORK* w = s_pWork;
  U32 depth = 0;
  w->au8MetHeader[TREE_nSlot(u16Root)] = 1;
  GC_vEnter(pData, u16Root, TRUE, &depth);
  GC_vWalk(pData, depth);
  const S32 lock = TREE_nSlot(NAV_ITEM_ROOT_LOCK_BODY);
  GC_FRAME* f = &w->aFrame[0];
  if (!w->au8MetBody[lock] && TREE_bReadAs(pData, NAV_ITEM_ROOT_LOCK_BODY, WPT_STATUS_GROUP_BODY, &f->sBody) &&
      f->sBody.sBody.bWpNotShared) {
    w->au8MetBody[lock] = w->au8Mark[lock] = 1;
    f->u16Body = NAV_ITEM_ROOT_LOCK_BODY;
    f->u8Place = 0;
    f->bChanged = FALSE;
    f->bRootShared = FALSE;
    GC_vWalk(pData, 1);
  }
}

// ---------------------------------------------------------------------------
// Merging duplicates

// One group's chain: the first link to either becomes the origin, later ones
// go. Bounded, since unreached groups may still loop.
static void GC_vMergeChain(U16 u16First, U16 u16Origin, U16 u16Duplicate) {
  GROUP_SLOT body;
  BOOLEAN bSeen = FALSE;
  U32 steps = 0;
  for (U16 b = u16First; b != NAV_NONE && steps++ < NAV_MAX_WAYPOINTS;) {
    if (!TREE_bReadAs(nullptr, b, WPT_STATUS_GROUP_BODY, &body)) return;
    BOOLEAN bChanged = FALSE;
    for (U16& item : body.sBody.u16Item) {
      if (item != u16Origin && item != u16Duplicate) continue;
      const U16 now = bSeen ? NAV_NONE : u16Origin;
      bChanged = bChanged || item != now;
      item = now;
      bSeen = TRUE;
    }
    if (bChanged) T_NAV_bSetGroupSlot(b, &body);
    b = body.sBody.u16NextIndex;
    if (b == NAV_ITEM_ROOT_LOCK_BODY) return;
  }
}

BOOLEAN T_NAV_GROUP_DATA_bRemoveDuplicateItemReference(BOOLEAN bNotShared, BOOLEAN bItemType, U32 originID,
                                                       U32 duplicateID) {
  if (originID > 0xFFFF || duplicateID > 0xFFFF || originID == duplicateID) return FALSE;
  const U16 origin = (U16)originID, duplicate = (U16)duplicateID;
  TREE_vLock();
  GROUP_SLOT slot;
  const S32 top = (S32)NAV_MAX_WAYPOINTS - 1;
  const S32 from = bNotShared ? T_NAV_s16GetMinLockWaypointIndex() : 0;
  const S32 to = bNotShared ? top : T_NAV_s16GetMaxShareWaypointIndex();
  for (S32 i = from < 0 ? 0 : from; i <= to && i <= top; i++) {
    if (TREE_bRead(nullptr, i, &slot) && TREE_u8Status(&slot) == WPT_STATUS_GROUP_HEADER) {
      GC_vMergeChain(slot.sHeader.u16FirstBodyIndex, origin, duplicate);
    }
  }
  if (bNotShared) GC_vMergeChain(NAV_ITEM_ROOT_LOCK_BODY, origin, duplicate);
  if (!bItemType) {
    T_NAV_bDeleteRoute(duplicate & 0x07FF, FALSE);
  } else if (duplicate < NAV_MAX_WAYPOINTS) {
    // Every route, not only those of the side: none may keep the slot that goes.
    for (U32 r = 0; r < NAV_MAX_ROUTES; r++) {
      ROUTE route;
      T_NAV_vCopyRoute(r, &route);
      BOOLEAN bChanged = FALSE;
      for (U32 k = 0; k < route.nCount && k < NAV_MAX_ROUTE_POINTS; k++) {
        if (route.anWaypoint[k] == duplicate) {
          route.anWaypoint[k] = origin;
          bChanged = TRUE;
        }
      }
      if (bChanged) T_NAV_bSaveRoute(r, &route, FALSE);
    }
    T_NAV_bDeleteWaypoint(duplicate, FALSE);
  }
  TREE_vUnlock();
  return FALSE;
}

static void GC_vMergeWaypoints(void) {
  const U16* hash = T_NAV_TWR_pu16GetWaypointsHash();
  const S32 maxShared = T_NAV_s16GetMaxShareWaypointIndex(), minLocked = T_NAV_s16GetMinLockWaypointIndex();
  const S32 last = (S32)NAV_MAX_WAYPOINTS - 1;
  GROUP_SLOT a, b;
  for (int side = 0; side < 2; side++) {
    // Shared ones from the bottom, not-shared ones from the top.
    const S32 step = side == 0 ? 1 : -1;
    const S32 begin = side == 0 ? 0 : last - 1, end = side == 0 ? maxShared : (minLocked < 0 ? 0 : minLocked);
    for (S32 i = begin; side == 0 ? i <= end && i <= last : i >= end; i += step) {
      if (!s_pWork->au8Mark[i] || hash[i] == 0) continue;
      TREE_bRead(nullptr, i, &a);
      if (TREE_u8Status(&a) == WPT_STATUS_GROUP_HEADER || TREE_u8Status(&a) == WPT_STATUS_GROUP_BODY) continue;
      for (S32 j = i + step; side == 0 ? j <= end && j <= last : j >= end; j += step) {
        if (hash[j] != hash[i]) continue;
        TREE_bRead(nullptr, j, &b);
        const U8 status = TREE_u8Status(&b);
        if (status == WPT_STATUS_FREE || status == WPT_STATUS_GROUP_HEADER || status == WPT_STATUS_GROUP_BODY) continue;
        if (memcmp(&a, &b, sizeof a) != 0) continue;
        T_NAV_GROUP_DATA_bRemoveDuplicateItemReference(side == 1, TRUE, (U32)i, (U32)j);
        s_Stats.u32Merged++;
      }
    }
  }
}

static void GC_vMergeRoutes(void) {
  const S32 maxShared = T_NAV_s16GetMaxShareRouteIndex(), minLocked = T_NAV_s16GetMinLockRouteIndex();
  const S32 last = (S32)NAV_MAX_ROUTES - 1;
  for (int side = 0; side < 2; side++) {
    const S32 step = side == 0 ? 1 : -1;
    const S32 begin = side == 0 ? 0 : last, end = side == 0 ? maxShared : (minLocked < 0 ? 0 : minLocked);
    for (S32 i = begin; side == 0 ? i <= end && i <= last : i >= end; i += step) {
      if (!s_pWork->au8Mark[GC_MARK_ROUTES + i]) continue;
      for (S32 j = i + step; side == 0 ? j <= end && j <= last : j >= end; j += step) {
        const ROUTE* ri = T_NAV_pGetRoute((U32)i);
        const ROUTE* rj = T_NAV_pGetRoute((U32)j);
        if (!GC_bInUse(rj) || memcmp(ri, rj, sizeof *ri) != 0) continue;
        T_NAV_GROUP_DATA_bRemoveDuplicateItemReference(side == 1, FALSE, NAV_ITEM_ROUTE_BASE + (U32)i,
                                                       NAV_ITEM_ROUTE_BASE + (U32)j);
        s_Stats.u32Merged++;
      }
    }
  }
}

// ---------------------------------------------------------------------------
// Sweeping

static void GC_vSweep(NAV_DATA_SPACE* pData) {
  const U8* mark = s_pWork->au8Mark;
  for (U32 r = 0; r < NAV_MAX_ROUTES; r++) {
    if (mark[GC_MARK_ROUTES + r] || !GC_bInUse(T_NAV_pGetRouteEX(pData, r))) continue;
    if (pData == nullptr) {
      T_NAV_bDeleteRoute(r, FALSE);
    } else {
      T_NAV_bDeleteRouteEX(pData, r, FALSE);
    }
    s_Stats.u32Swept++;
  }
  GROUP_SLOT slot;
  for (U32 i = 0; i < TREE_u32Slots(pData); i++) {
    if (mark[i] || !TREE_bRead(pData, (S32)i, &slot)) continue;
    const U8 status = TREE_u8Status(&slot);
    if (status == WPT_STATUS_FREE || status == WPT_STATUS_TEMPORARY) continue;
    // Group slots go with their files; a file left would come back at the
    // next start.
    const BOOLEAN bGroup = status >= WPT_STATUS_GROUP_HEADER;
    if (pData == nullptr) {
      if (bGroup) {
        T_NAV_vFreeGroupSlot((U16)(NAV_ITEM_GROUP_BASE | i));
      } else {
        T_NAV_bDeleteWaypoint(i, FALSE);
      }
    } else if (bGroup) {
      T_NAV_vFreeGroupSlotEX(pData, (U16)(NAV_ITEM_GROUP_BASE | i));
    } else {
      T_NAV_bDeleteWaypointEX(pData, i, FALSE);
    }
    s_Stats.u32Swept++;
  }
  for (U32 t = 0; t < NAV_MAX_TRACKS; t++) {
    const TRACK_HEADER* h = T_NAV_pGetTrackHeaderEX(pData, t);
    if (mark[GC_MARK_TRACKS + t] || h == nullptr || h->u16Count == 0) continue;
    if (pData == nullptr) {
      T_NAV_bDeleteTrack(t, FALSE);
    } else {
      T_NAV_vDeleteTrackEX(pData, t, FALSE);
    }
    s_Stats.u32Swept++;
  }
}

// ---------------------------------------------------------------------------
// The collection

static void GC_vCollect(NAV_DATA_SPACE* pData, U16 groupID) {
  if (groupID == NAV_NONE || s_pWork != nullptr) return;  // a nested call is part of the running walk
  const U16 root = TREE_u16Root(pData);
  if (groupID != root || TREE_nSlot(root) < 0) return;
  TREE_vLock();
  s_pWork = (GC_WORK*)H_MEMORY_pvMallocNoWait(sizeof(GC_WORK));
  if (s_pWork == nullptr) {
    log_me("[%d]%s: no memory for a collection\n", __LINE__, __func__);
    TREE_vUnlock();
    return;
  }
  s_Stats = {};
  const S32 bDeclutterWas = T_NAV_TWR_bDeclutterScanDisabled();
  T_NAV_TWR_vTemporarilyDisableDeclutterWaypointsScan(TRUE);
  for (U32 run = 0; run <= GC_MAX_REPEATS; run++) {
    memset(s_pWork->au8Mark, 0, sizeof s_pWork->au8Mark);
    memset(s_pWork->au8MetHeader, 0, sizeof s_pWork->au8MetHeader);
    memset(s_pWork->au8MetBody, 0, sizeof s_pWork->au8MetBody);
    s_bRepeat = FALSE;
    s_Stats.u32Runs++;
    GC_vMark(pData, root);
    if (pData == nullptr) {
      GC_vMergeWaypoints();
      GC_vMergeRoutes();
    }
    GC_vSweep(pData);
    if (!s_bRepeat) break;
  }
  T_NAV_TWR_vTemporarilyDisableDeclutterWaypointsScan(bDeclutterWas);
  H_MEMORY_vFree(s_pWork);
  s_pWork = nullptr;
  if (pData == nullptr && !bDeclutterWas) T_NAV_TWR_vInitialScan();
  TREE_vUnlock();
}

void T_NAV_GROUP_DATA_vScanGroupForGarbageCollection(U16 groupID) { GC_vCollect(nullptr, groupID); }

void T_NAV_GROUP_DATA_vScanGroupForGarbageCollectionEX(NAV_DATA_SPACE* pData, U16 groupID) {
  if (pData == nullptr) {
    GC_vCollect(nullptr, groupID);
  } else {
    GC_vCollect(pData, groupID);
  }
}

BOOLEAN T_NAV_GROUP_DATA_bIsGroupNavDataIntegralEX(NAV_DATA_SPACE* pData, U16 groupID) {
  const U16 root = TREE_u16Root(pData);
  if (groupID == NAV_NONE) return root == NAV_NONE;
  GC_WORK* w = (GC_WORK*)H_MEMORY_pvMallocNoWait(sizeof(GC_WORK));
  if (w == nullptr) return FALSE;
  memset(w->au8MetHeader, 0, sizeof w->au8MetHeader);
  memset(w->au8MetBody, 0, sizeof w->au8MetBody);
  // The frames serve as the list of groups still to check.
  U16* pending = (U16*)w->aFrame;
  U32 head = 0, tail = 0;
  BOOLEAN bWhole = TREE_nSlot(groupID) >= 0;
  GROUP_SLOT slot;
  if (bWhole) {
    w->au8MetHeader[TREE_nSlot(groupID)] = 1;
    pending[tail++] = groupID;
  }
  TREE_vLock();
  while (bWhole && head < tail) {
    bWhole = TREE_bReadAs(pData, pending[head++], WPT_STATUS_GROUP_HEADER, &slot);
    for (U16 b = bWhole ? slot.sHeader.u16FirstBodyIndex : NAV_NONE; b != NAV_NONE && bWhole;) {
      const S32 n = TREE_nSlot(b);
      bWhole = n >= 0 && !w->au8MetBody[n] && TREE_bReadAs(pData, b, WPT_STATUS_GROUP_BODY, &slot) &&
               !TREE_bSameSlot(slot.sBody.u16NextIndex, b);
      if (!bWhole) break;
      w->au8MetBody[n] = 1;
      for (U16 item : slot.sBody.u16Item) {
        if ((item & 0xC000) != NAV_ITEM_GROUP_BASE || item == NAV_ITEM_ROOT_LOCK_BODY || item == NAV_NONE) continue;
        const S32 g = TREE_nSlot(item);
        GROUP_SLOT child;
        bWhole = bWhole && g >= 0 && !w->au8MetHeader[g] && TREE_bReadAs(pData, item, WPT_STATUS_GROUP_HEADER, &child);
        if (bWhole) {
          w->au8MetHeader[g] = 1;
          pending[tail++] = item;
        }
      }
      b = slot.sBody.u16NextIndex;
    }
  }
  TREE_vUnlock();
  H_MEMORY_vFree(w);
  return bWhole;
}
