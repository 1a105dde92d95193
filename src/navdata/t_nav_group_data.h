// The tree of groups that keeps the store's items alive: every waypoint,
// route and saved track hangs from the root through the link bodies of its
// groups, and what no chain reaches is garbage that the collection removes.
//
// Operations that take a NAV_DATA_SPACE* (the EX twins) work on that set of
// tables, writing no file, and on the live tables when it is null. Every
// operation takes mutex 9 (which nests) around its walk. A failure answers
// FALSE, or 65535 for an id; nothing here tells the user.
#pragma once

#include "basetypes.h"
#include "t_nav_records.h"

// ---------------------------------------------------------------------------
// Start-up, the root, the default group and this unit's id

// At start, after the records are loaded: this unit's id, the root found
// (its tree collected) or a new root with every item linked into it, and
// the default group.
void T_NAV_GROUP_DATA_vInitGroups(void);
// Whether the last load built a new tree, and how many records (waypoints,
// routes, tracks) that tree could not reach: they stay in the tables and
// their files, linked by nothing.
BOOLEAN T_NAV_GROUP_DATA_bRebuiltAtLoad(void);
U32 T_NAV_GROUP_DATA_u32Unplaced(void);
// A new root with its shared body and its lock body (slot 2999); root and
// default group become it. FALSE when no slot is free.
BOOLEAN T_NAV_GROUP_DATA_bBuildRootGroup(void);
// Gives a group a shared body and the lock body. TRUE, changing nothing,
// for an id that names no group; FALSE when no slot is free.
BOOLEAN T_NAV_GROUP_DATA_bAddShareLockBody(U16 indexGroup);
// The root's id; 65535 before the tree exists.
U16 T_NAV_GROUP_DATA_nGetRootGroup(void);
U16 T_NAV_GROUP_DATA_vGetRootGroupIndex(void);
U16 T_NAV_GROUP_DATA_nGetDefaultGroup(void);
// FALSE for an id that names no group; else the default group and SNDG.
BOOLEAN T_NAV_GROUP_DATA_bSetDefaultGroup(U16 groupID);
// This unit's id bits in track ids, a multiple of 64 from 64 to 1984.
U16 T_NAV_GROUP_DATA_u16Getu7UnitID(void);
// Gives the tracks of this unit linked in the tree the new unit bits;
// FALSE without a root or after 99,999 steps.
BOOLEAN T_NAV_GROUP_DATA_bChangeu7UnitID(U16 u7UnitID);
// A fresh root with every item linked into it; SNDG read again.
void T_NAV_GROUP_DATA_vReloadGroups(void);
// A root header alone, made root and default.
BOOLEAN T_NAV_GROUP_DATA_bCreateRootGroupForLoading(void);
// Root and default become 0, and SNDG; TRUE.
BOOLEAN T_NAV_GROUP_DATA_bLoadRootGroup(void);

// ---------------------------------------------------------------------------
// Groups and links

// Writes the header, as given, into a new slot of its side; its id or 65535.
U16 T_NAV_GROUP_DATA_nNewGroup(GROUP_HEADER* pNewGroup);
U16 T_NAV_GROUP_DATA_nNewGroupEX(NAV_DATA_SPACE* pData, GROUP_HEADER* pNewGroup);
BOOLEAN T_NAV_GROUP_DATA_bModifyGroup(U16 indexGroup, GROUP_HEADER* pGroup);
BOOLEAN T_NAV_GROUP_DATA_bModifyGroupEX(NAV_DATA_SPACE* pData, U16 indexGroup, GROUP_HEADER* pGroup);
// Frees the header of the group and of every group below it; their bodies
// and items are left to the collection.
BOOLEAN T_NAV_GROUP_DATA_bDeleteGroup(U16 indexGroup);
BOOLEAN T_NAV_GROUP_DATA_bDeleteGroupEX(NAV_DATA_SPACE* pData, U16 indexGroup);
// Fills nothing; 0.
U16 T_NAV_GROUP_DATA_nGetGroupChildList(U16 indexGroup, U16 startChild, U16* pChildList, U32 lenList);

// Links an item into a group (a waypoint into a route when the target is a
// route id). FALSE for an invalid item, the root itself, an item the group
// already holds (or, live, one of the same content), 65535, or no room. The
// root takes not-shared items into its lock chain. A group linked gets the
// target as its parent.
BOOLEAN T_NAV_GROUP_DATA_bAddLink(U16 indexGroup, U16 indexLinkToAdd);
BOOLEAN T_NAV_GROUP_DATA_bAddLinkEX(NAV_DATA_SPACE* pData, U16 indexGroup, U16 indexLinkToAdd);
// Links a list of ids of one side, skipping (and overwriting with 65535 in
// the list) those the chain holds already. FALSE for an empty list or no room.
BOOLEAN T_NAV_GROUP_DATA_bAddLinks(U16 indexGroup, U16* pLinksToAdd, U32 nLinksToAdd);
// Removes the item's link; a body left empty is freed and its neighbours
// joined, except the root's last shared body and its lock body. FALSE when
// the link is not there.
BOOLEAN T_NAV_GROUP_DATA_bRemoveLink(U16 indexGroup, U16 indexLinkToRemove);
BOOLEAN T_NAV_GROUP_DATA_bRemoveLinkEX(NAV_DATA_SPACE* pData, U16 indexGroup, U16 indexLinkToRemove);
// Does nothing; FALSE.
BOOLEAN T_NAV_GROUP_DATA_bRemoveLinks(U16 indexGroup, U16* pLinksToRemove, U32 nLinksToRemove);
// The first link to one item becomes a link to another.
BOOLEAN T_NAV_GROUP_DATA_bReplaceLink(U16 indexGroup, U16 indexLinkToRemove, U16 indexLinkToAdd);
BOOLEAN T_NAV_GROUP_DATA_bReplaceLinkEX(NAV_DATA_SPACE* pData, U16 indexGroup, U16 indexLinkToRemove,
                                        U16 indexLinkToAdd);
// Appends a waypoint to a route (a copy on the route's side when the sides
// differ); FALSE for a full or missing route, or the same waypoint twice in
// a row.
BOOLEAN T_NAV_GROUP_DATA_bRouteAddLink(U16 indexRoute, U16 indexWaypointToAdd);
BOOLEAN T_NAV_GROUP_DATA_bRouteAddLinkEX(NAV_DATA_SPACE* pData, U16 indexRoute, U16 indexWaypointToAdd);
// A batch of appends: the point goes at *pIndex, which then advances; a
// point equal to *pLastIndex's waypoint is skipped.
BOOLEAN T_NAV_GROUP_DATA_bRouteAddLinkOnline(U16 indexRoute, U16 indexWaypointToAdd, U32 nCount, U32* pIndex,
                                             U16* pLastIndex);
// Removes the waypoint's first occurrence from the route.
BOOLEAN T_NAV_GROUP_DATA_bRouteRemoveLink(U16 indexRoute, U16 indexWaypointToRemove);
BOOLEAN T_NAV_GROUP_DATA_bRouteRemoveLinkEX(NAV_DATA_SPACE* pData, U16 indexRoute, U16 indexWaypointToRemove);

// ---------------------------------------------------------------------------
// Membership

// Whether the id names a live item (another unit's track counts).
BOOLEAN T_NAV_GROUP_DATA_bIsValidGroupNavData(U16 nItemUid);
// Whether the waypoint is linked anywhere under the root, directly or in a
// route; the second passes over hidden groups and routes. FALSE without a
// root or after 99,999 steps.
BOOLEAN T_NAV_GROUP_DATA_bIsInAnyGroup(U16 indexWaypoint);
BOOLEAN T_NAV_GROUP_DATA_bIsInAnyVisibleGroup(U16 indexWaypoint);
// Sets pbVisible[i] (NAV_MAX_WAYPOINTS entries, cleared by the caller) for
// every waypoint not hidden itself that a group not hidden holds, directly or
// through a route not hidden. FALSE when the tree was not walked whole.
BOOLEAN T_NAV_GROUP_DATA_bMarkVisibleWaypoints(BOOLEAN* pbVisible);
// The guard of every chain walk: TRUE for 65535, and for a body not met
// before in the current walk (which it then counts as met).
BOOLEAN T_NAV_GROUP_DATA_bIsUniqueLinkedGroupBodyEX(NAV_DATA_SPACE* pData, U16 groupBody);
// The hook of the store's inconsistencies; it reports nothing.
void T_NAV_GROUP_DATA_vDisplayGroupNavDataError(char* pFileName, U32 nLine);
// Whether the group already links an item of the same content.
BOOLEAN T_NAV_bHasSameContentLinkInTargetGroup(U16 indexGroup, U16 nUidLinkToAdd);

typedef enum tag_COMPARE_STYLE {
  FIND_GROUPHEADER_IN_GROUP = 0,
  FIND_WAYPOINT_IN_GROUP = 1,
  FIND_ROUTE_IN_GROUP = 2,
  FIND_TRACK_IN_GROUP = 3,
} COMPARE_STYLE;
// The id of the first item of the group (0xCFFF: the root) equal to the
// record at pDataInMMC by the style, or 65535.
U16 T_NAV_u16FindInGroup(COMPARE_STYLE compareStyle, const void* pDataInMMC, U32 index);

// After items moved (compaction): every link to apFrom[i] becomes one to
// apTo[i], the bodies rewritten.
void T_NAV_GROUP_DATA_vRenumberLinks(const U16* pu16From, const U16* pu16To, U32 u32Count);

// ---------------------------------------------------------------------------
// Garbage collection

// From the root (other ids: nothing): marks what the tree reaches, cutting
// broken links and bodies met twice, merges equal waypoints and routes of
// one side, and deletes every unreached record with its file; temporary
// waypoints stay. At most two more runs follow one that cut a chain.
void T_NAV_GROUP_DATA_vScanGroupForGarbageCollection(U16 groupID);
// The same over a data space (no merging).
void T_NAV_GROUP_DATA_vScanGroupForGarbageCollectionEX(NAV_DATA_SPACE* pData, U16 groupID);
// Merges the duplicate into the origin: groups of the side keep one link to
// the origin, routes use it, the duplicate is deleted. Always FALSE.
BOOLEAN T_NAV_GROUP_DATA_bRemoveDuplicateItemReference(BOOLEAN bNotShared, BOOLEAN bItemType, U32 originID,
                                                       U32 duplicateID);
// Whether a subtree is whole: every body there, none linked to itself, every
// group link a header not met before. Changes nothing.
BOOLEAN T_NAV_GROUP_DATA_bIsGroupNavDataIntegralEX(NAV_DATA_SPACE* pData, U16 groupID);

// Counts of the last collection, for measurements.
typedef struct tag_NAV_GC_STATS {
  U32 u32Runs;      // 1, and a repeat for each cut
  U32 u32Cut;       // links and chains cut
  U32 u32Merged;    // duplicates merged
  U32 u32Swept;     // records deleted
} NAV_GC_STATS;
void T_NAV_GROUP_DATA_vGetGcStats(NAV_GC_STATS* pStats);
