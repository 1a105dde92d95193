// The store's tables: the 3,000 waypoint and group slots, the 50 routes and
// the 50 saved-track headers, each change written through to its record
// file, and the lists the selection screens sort.
//
// Every change runs under mutex 9 (RES_NAV_DATA), which nests; the pointer
// accessors take no lock, and their callers hold mutex 9 while another task
// may change the slot. Index 65535 means none everywhere and does nothing.
// Whatever reports success has its record in its file; a failed write
// leaves the table and the old file as they were.
#pragma once

#include "basetypes.h"
#include "t_nav_records.h"

// ---------------------------------------------------------------------------
// Waypoint table

// Adds a copy of the waypoint by the slot policy: shared waypoints from the
// bottom, not-shared ones from the top, six slots of guard band on each side
// of the separator (none for status 3); a side that is full is compacted
// once first. An empty name gets the next default name unless bImport, a
// date of 0 the live IDTM. Statuses 1 and 3 are written to their file. The
// slot, or 65535 when there is no room, the status is not 1-3 or the write
// failed. bFromGateway is not used.
U16 T_NAV_u16WaypointAdd(WAYPOINT* pWaypoint, BOOLEAN bImport, BOOLEAN bFromGateway);
U16 T_NAV_nAddWaypoint(WAYPOINT* pWaypoint, BOOLEAN bImport);
// Stores the record into slot nIndex as saved (status 3 stays 3, any other
// becomes 1) and writes its file; FALSE when the write failed.
BOOLEAN T_NAV_bSaveWaypoint(U32 nIndex, WAYPOINT* pWaypoint, BOOLEAN bOverridePointOfSale, BOOLEAN bFromGateway);
// TRUE when a saved waypoint was deleted and its file removed. A slot of
// another status in use loses its status (FALSE); a free slot: FALSE. When
// the file cannot be removed the waypoint stays (FALSE).
BOOLEAN T_NAV_bDeleteWaypoint(U32 nIndex, BOOLEAN bOverridePointOfSale);
// Clears the slot's status, lowers the counts, and tells the navigation
// task; releases mutex 9 when bUnLock.
void T_NAV_vProcessWaypointDeletion(U32 nIndex, BOOLEAN bUnLock);
// Moves a waypoint to the far free end of its side; the new slot or 65535.
U16 T_NAV_u16MoveWaypoint(int nOldIndex);
// A temporary waypoint (status 2) only: the slot is zeroed; TRUE. The first
// also rebuilds the declutter table.
BOOLEAN T_NAV_bClearTemporaryWaypoint(U32 nIndex);
BOOLEAN T_NAV_bDeleteTemporaryWaypoint(U32 nIndex);
// A temporary waypoint becomes saved and is written; FALSE when it is no
// temporary waypoint or the write failed (it then stays temporary).
BOOLEAN T_NAV_bMakeWaypointPermanent(U32 nIndex);

// The slot itself, its 8-bit name widened in a wide language (free slots and
// group bodies excepted); null for an index beyond the table.
WAYPOINT* T_NAV_pGetWaypoint(U32 nIndex);
void T_NAV_vCopyWaypoint(U32 nIndex, WAYPOINT* pWaypoint);
U8 T_NAV_u8GetWaypointIcon(U32 nIndex);
void T_NAV_vCopyWaypointPoint(U32 nIndex, POINT* pPoint);
// At most nLimit bytes of the name, its last byte 0, widened.
void T_NAV_vCopyWaypointName(U32 nIndex, char* sName, U32 nLimit);
// Iterator over slots of any status below the max-used index: start
// *pnIndex at -1. bOnlyScanRemote is not used.
BOOLEAN T_NAV_bScanWaypoints(S32* pnIndex, WAYPOINT** ppWaypoint, BOOLEAN bOnlyScanRemote);

BOOLEAN T_NAV_bWaypointsExist(void);
int T_NAV_TWR_nGetWaypointCount(void);
int T_NAV_TWR_nGetGroupVisibleCount(void);
int T_NAV_TWR_nGetGroupTotalCount(void);
U16 T_NAV_TWR_u16GetMaxUsedWaypoint(void);

// Equal icon, depth, date, position and name (status and flags aside).
BOOLEAN T_NAV_bWaypointCompare(const WAYPOINT* pWaypoint1, const WAYPOINT* pWaypoint2);
// The first saved slot of the data space equal to the waypoint; with a null
// space, the waypoint manager's search of the live table.
U16 T_NAV_TWR_u16FindWaypointEX(NAV_DATA_SPACE* pData, WAYPOINT* pWaypoint);
// The waypoint nearest (|dx| + |dy|) to ptMM within the square of half-side
// max(nWidthMM, nLengthMM); nDirection is not used.
U16 T_NAV_nFindNearbyWaypoint(POINT ptMM, S32 nWidthMM, S32 nLengthMM, U16 nDirection);
U16 T_NAV_nFindWaypointAtPosition(POINT ptMM, BOOLEAN bIncludeNonLocalWaypoints);

// The highest default-name number in use or stored in SWID.
S32 T_NAV_s32GetMaxWayPointCounter(void);
void T_NAV_vUpdateWaypointCounter(U32 nIndex);
void T_NAV_vCancelWaypointCounterIncrease(void);

// CRC-16 of the 28 bytes; the table holds it for saved slots, 0 for others.
U16 T_NAV_TWR_u16HashWaypoint(const WAYPOINT* pWaypoint);
void T_NAV_TWR_vHashWaypoints(void);
void T_NAV_vUpdateWaypointHashTableItem(U16 u16Index);
const U16* T_NAV_TWR_pu16GetWaypointsHash(void);

// The declutter table: per slot -1 when its icon overlaps another, else the
// metres to the nearest waypoint east of it in the same icon row, else
// 0x7FFFFFFF.
typedef enum tag_DCLTR_TABLE {
  DCLTR_TABLE_RIGHT = 0,
  DCLTR_TABLE_LEFT = 1,
  DCLTR_TABLE_BOTH = 2,
} DCLTR_TABLE;
constexpr S32 NAV_DECLUTTER_NONE = 0x7FFFFFFF;
void T_NAV_TWR_vInitialScan(void);
void T_NAV_TWR_vDeclutterWaypointsScan(DCLTR_TABLE eTable);
void T_NAV_TWR_vDeclutterWaypointsAdd(U32 nIndex);
S32* T_NAV_TWR_pGetDeclutterWaypointTable(BOOLEAN bLeftPane);
void T_NAV_TWR_vSetMultiWaypointFlag(BOOLEAN bMulti);
BOOLEAN T_NAV_TWR_bGetMultiWaypointFlag(void);
void T_NAV_TWR_vTemporarilyDisableDeclutterWaypointsScan(S32 bDisable);
S32 T_NAV_TWR_bDeclutterScanDisabled(void);
void T_NAV_TWR_vTemporarilyEnableCLWCUpdateForAllModels(BOOLEAN bEnable);
void T_NAV_TWR_vTemporarilyDisableCLWCUpdate(BOOLEAN bDisable);
BOOLEAN T_NAV_TWR_bDisableShareLockSeperator(BOOLEAN bDisable);
// Whether bulk copies have suspended the separators (waypoints and routes).
BOOLEAN T_NAV_TWR_bSeparatorSuspended(void);

// Whether a waypoint (or group slot) of that side still finds a slot.
BOOLEAN T_NAV_bThereIsMoreRoomForWP(BOOLEAN bWpNotShared);
BOOLEAN T_NAV_bThereIsMoreRoomForGroup(BOOLEAN bNotShared);
// Recounts the sides and sets the separator; unless bOnlyStatistic first
// moves waypoints until the sides are ten slots apart.
void T_NAV_TWR_vStatisticWaypointStore(BOOLEAN bOnlyStatistic);
// Compactions that moved waypoints since start, and where the last one
// moved a slot (the slot itself when it did not).
U32 T_NAV_TWR_u32Compactions(void);
U16 T_NAV_TWR_u16MovedTo(U16 u16Slot);

// The slot policy's state, for the group code and for tests.
typedef struct tag_NAV_SLOT_POLICY {
  S32 nSeparator;
  S32 nMaxShared;     // -1: no shared item
  S32 nMinLocked;     // 2999: no not-shared item
  S32 nMaxUsed;       // one past the highest slot filled
  S32 nUsed;          // waypoint slots in use
  S32 nShared;        // saved waypoints of each side, as the hash pass counts them
  S32 nLocked;
} NAV_SLOT_POLICY;
void T_NAV_TWR_vGetSlotPolicy(NAV_SLOT_POLICY* pPolicy);

// Empties every table and loads them from the record files; then the
// counter, the hashes, the group tree (which drops what no group reaches)
// and the slot policy. Called once by the navigation task before it runs,
// and again when an import has replaced the files.
void T_NAV_vInitTracksWaypointsRoutes(void);

// ---------------------------------------------------------------------------
// Group slots, the sides, and deleting everything
//
// Group headers (status 16) and bodies (17) live in the waypoint table; 63
// marks a slot taken for a group and not yet written. A group id is the
// slot | 0xC000, and 0xCFFF names slot 2999, the root's lock body.

// The 28 bytes of a slot as they are (no lock: callers hold mutex 9).
void T_NAV_TWR_vReadSlot(U32 nIndex, void* pSlot);
// The slot a group id names when its status is 16, 17 or 63, else null. No
// lock: callers hold mutex 9. The slot is the table's: write it only through
// T_NAV_bSetGroupSlot.
GROUP_SLOT* T_NAV_pGetGroupSlot(U16 slotIndex);
// Writes a header or a body into the slot the group id names, and its file.
// FALSE for any other id or status, for a body whose next names its own
// slot (both with a note), and for a failed write, which leaves the slot.
BOOLEAN T_NAV_bSetGroupSlot(U16 slotIndex, const GROUP_SLOT* pSlot);
// Takes a free slot on that side (status 63, zeroed); its group id, or
// 65535 when the side is full. Callers hold mutex 9.
U16 T_NAV_nAllocGroupSlot(BOOLEAN bNotShared);
// While set, an allocation whose side is full up to the separator takes any
// free slot short of the other side's nearest item: a tree built whole (at
// start, after an import) then fills every slot the table has left.
void T_NAV_TWR_vPackGroupSlots(BOOLEAN bPack);
// Frees a group slot (16, 17 or 63) and removes its file; anything else is
// left alone.
void T_NAV_vFreeGroupSlot(U16 slotIndex);
// Clears a waypoint or group slot with its file, without the point-of-sale
// override.
void T_NAV_vDeleteGpWpSlot(U16 slotIndex);
// The not-shared bit of the group slot, waypoint or route the id names;
// FALSE for anything else.
BOOLEAN T_NAV_bIsNotSharedLink(U16 indexLinkToAdd);
// Whether that side has a free slot short of its guard band.
BOOLEAN T_NAV_vRoomForWptOrGroup(BOOLEAN bWpNotShared);
S16 T_NAV_s16GetMaxShareWaypointIndex(void);
S16 T_NAV_s16GetMinLockWaypointIndex(void);

// Empties the store: every saved track, route, waypoint and group with its
// file, then a new root. The current-track journal stays. SWID becomes 0.
void T_NAV_vDeleteAllTracksWaypointsRoutes(BOOLEAN bOverridePointOfSale);
// Before the store is emptied or replaced: which of the waypoints the
// navigation task holds by slot (cursor, last created, target, grid) are
// there; after it, the task is told to let those go.
constexpr U32 NAV_HELD_WAYPOINTS = 4;
void T_NAV_TWR_vNoteHeldWaypoints(BOOLEAN abHeld[NAV_HELD_WAYPOINTS]);
void T_NAV_TWR_vTellStoreReplaced(const BOOLEAN abHeld[NAV_HELD_WAYPOINTS]);

// ---------------------------------------------------------------------------
// Data spaces: a detached set of tables
//
// Each EX operation works on the data space given, writing no file, and is
// the live operation when it is null. Indexes must lie below the space's
// counts. The accessors take no lock.

WAYPOINT* T_NAV_pGetWaypointEX(NAV_DATA_SPACE* pData, U32 nIndex);
ROUTE* T_NAV_pGetRouteEX(NAV_DATA_SPACE* pData, U32 nIndex);
TRACK_HEADER* T_NAV_pGetTrackHeaderEX(NAV_DATA_SPACE* pData, U32 nIndex);
GROUP_SLOT* T_NAV_pGetGroupSlotEX(NAV_DATA_SPACE* pData, U16 slotIndex);
// The space's root: the first header named Home (in any language) with no parent; null or
// 65535 when it has none. The live root for a null space.
GROUP_SLOT* T_NAV_pGetRootGroupSlotEX(NAV_DATA_SPACE* pData);
U16 T_NAV_vGetRootGroupIDEx(NAV_DATA_SPACE* pData);
// A waypoint of status 1-3 into the lowest free slot; 65535 when the space
// is full (after a collection of its tree).
U16 T_NAV_u16WaypointAddEX(NAV_DATA_SPACE* pData, WAYPOINT* pWaypoint, BOOLEAN bImport);
U16 T_NAV_nAddWaypointEX(NAV_DATA_SPACE* pData, WAYPOINT* pWaypoint, BOOLEAN bImport);
BOOLEAN T_NAV_bDeleteWaypointEX(NAV_DATA_SPACE* pData, U32 nIndex, BOOLEAN bOverridePointOfSale);
U16 T_NAV_nAllocGroupSlotEX(NAV_DATA_SPACE* pData, BOOLEAN bNotShared);
void T_NAV_vFreeGroupSlotEX(NAV_DATA_SPACE* pData, U16 slotIndex);
BOOLEAN T_NAV_bSetGroupSlotEX(NAV_DATA_SPACE* pData, U16 slotIndex, const GROUP_SLOT* pSlot);
// Date and name (null: the index + 1 as "%02d") into the track, and its
// header into the space's slot u16TrackIndex.
U16 T_NAV_nAddTrackEX(NAV_DATA_SPACE* pData, TRACK* pTrack, U32 u32DateTime, char* sName,
                      BOOLEAN bOverridePointOfSale, U16 u16TrackIndex);
void T_NAV_vDeleteTrackEX(NAV_DATA_SPACE* pData, U32 nIndex, BOOLEAN bOverridePointOfSale);
BOOLEAN T_NAV_bGetTrackVisibilityEX(NAV_DATA_SPACE* pData, U32 nIndex);
U16 T_NAV_u16FindAvailableRouteEX(NAV_DATA_SPACE* pData, BOOLEAN bNotShared);
U16 T_NAV_u16RouteAddEX(NAV_DATA_SPACE* pData, ROUTE* pRoute);
U16 T_NAV_nAddRouteEX(NAV_DATA_SPACE* pData, ROUTE* pRoute);
void T_NAV_vRouteStoreEX(NAV_DATA_SPACE* pData, U32 nIndex, ROUTE* pRoute, BOOLEAN bOverridePointOfSale);
void T_NAV_vSaveRouteEX(NAV_DATA_SPACE* pData, U32 nIndex, ROUTE* pRoute, BOOLEAN bOverridePointOfSale);
BOOLEAN T_NAV_bDeleteRouteEX(NAV_DATA_SPACE* pData, U32 nIndex, BOOLEAN bOverridePointOfSale);
BOOLEAN T_NAV_bIsNotSharedLinkEX(NAV_DATA_SPACE* pData, U16 indexLinkToAdd);
BOOLEAN T_NAV_bWaypointsExistEX(NAV_DATA_SPACE* pData);
// Whether the live group links a route equal to the given one (its points
// compared as records of the data space, when one is given).
BOOLEAN T_NAV_bFindRouteInGroup(ROUTE* pDataInMMC, NAV_DATA_SPACE* pData, U16 index);
// Same status and flags, icon, depth, date and name.
BOOLEAN T_NAV_bGroupCompare(const GROUP_HEADER* pGroup1, const GROUP_HEADER* pGroup2);

// The importing buffer: one fixed data space of 3,000 slots, 50 routes and
// 50 track headers. Initialize gives it zeroed (FALSE without memory).
BOOLEAN T_NAV_vInitializeImportingBuffer(void);
void T_NAV_vFreeImportingBuffer(void);
NAV_DATA_SPACE* T_NAV_pGetWaypointDataSpaceOnMMC(void);
WAYPOINT* T_NAV_pGetWaypointFromMMC(U32 nIndex);
ROUTE* T_NAV_pGetRouteFromMMC(U32 nIndex);
TRACK_HEADER* T_NAV_pGetTrackHeaderFromMMC(U32 nIndex);
GROUP_SLOT* T_NAV_pGetGroupSlotFromMMC(U16 slotIndex);
GROUP_SLOT* T_NAV_pGetRootSlotFromMMC(void);
// A group slot (16 or 17) into slot 0; 0, or 65535.
U16 T_NAV_u16ReplaceRootGroup(GROUP_SLOT* pSlot);
U16 T_NAV_nReplaceRootGroup(GROUP_SLOT* pSlot);
// The record into the next slot of the buffer; its index, or 65535 when
// the buffer is full.
U16 T_NAV_u16GroupAddFromMMC(GROUP_SLOT* pSlot);
U16 T_NAV_u16WaypointAddFromMMC(WAYPOINT* pWaypoint);
U16 T_NAV_nAddGroupFromMMC(GROUP_SLOT* pSlot);
U16 T_NAV_nAddWaypointFromMMC(WAYPOINT* pWaypoint);
U16 T_NAV_nAddTrackFromMMC(TRACK* pTrack, U32 u32DateTime);
U16 T_NAV_u16FindAvailableRouteFromMMC(void);
void T_NAV_vSaveRouteFromMMC(U32 nIndex, ROUTE* pRoute);
// The selected data space, for copies of chosen items.
BOOLEAN T_NAV_vInitializeNavDataBuffer(void);
void T_NAV_vFreeNavDataBuffer(void);
NAV_DATA_SPACE* T_NAV_nGetSelectNavDataSpace(void);

// ---------------------------------------------------------------------------
// Hashes and synchronisation of the shared side
//
// The synchronisation block, all big-endian: the CRC-32 of the bytes from
// offset 12 on, the number W of waypoint slots (the highest shared one + 1),
// the number R of routes (the highest shared one + 1), two zero halves, then
// W slots and R routes converted as transfer-stream bodies.

constexpr U32 NAV_SYNC_HEAD_SIZE = 12;
constexpr U32 NAV_SYNC_MAX_SIZE = NAV_SYNC_HEAD_SIZE + NAV_MAX_WAYPOINTS * sizeof(WAYPOINT) + NAV_MAX_ROUTES * sizeof(ROUTE);
// CRC-32 of the shared slots and routes (or all of them) as the block
// carries them; of a block's data part sized by this side's counts.
U32 T_NAV_u32HashAllSharedNavData(void);
U32 T_NAV_u32HashAllNavData(void);
U32 T_NAV_u32HashAllSharedNavDataInBuffer(const U8* pu8NavData);
// Writes the block at p (NAV_SYNC_MAX_SIZE bytes will do); its end.
U8* T_NAV_pGetGroupNavData(U8* p);
U8* T_NAV_pBufferSendSyncedGroupNavDataBack(U8* p);
U8* T_NAV_pBufferSendSyncedGroupNavDataToParvex(U8* p);
// A block's slots and routes (big-endian) into the live shared side, with
// their files; the shared ones past them go. Records that fail the reader's
// checks are taken as free.
void T_NAV_vStoreAllSyncedGroupNavDataReceived(U8* pNetworkWaypoints, U32 nTotalSyncedWpts, U8* pNetworkRoutes,
                                               U32 nTotalsyncedRoutes);
// A data space's shared side into the live tables, with files.
BOOLEAN T_NAV_bReplaceSharedNavDataSpace(NAV_DATA_SPACE* pSrcNavData);
// One received (big-endian) slot or route stored with its file; a route
// deleted with its file.
void T_NAV_vSaveGpWpSlot(U16 slotIndex, U8* pSlotData);
void T_NAV_vSaveRouteSlot(U16 slotIndex, U8* pRoute);
void T_NAV_vDeleteRouteSlot(U16 slotIndex);
// The shared waypoint slots and routes kept aside, and written back.
BOOLEAN T_NAV_bBackupAllWaypointsRoutes(void);
BOOLEAN T_NAV_bRestoreAllWaypointsRoutes(void);
// Every slot's and route's file written again.
void T_NAV_vSolidStoreAllWaypointsRoutes(void);
// Tracks and routes deleted, the waypoint files removed while the slots
// stay in memory, SWID 0.
void T_NAV_vDeleteAllTracksWaypointsRoutesForKeepDataOnNetwork(BOOLEAN bOverridePointOfSale);

// ---------------------------------------------------------------------------
// Routes and saved tracks

// A free route slot on the side (shared from 0 up, not-shared from 49
// down); 65535 when none.
U16 T_NAV_u16FindAvailableRoute(BOOLEAN bNotShared);
// Stores a copy in a free slot of its side; a date of 0 becomes the live
// IDTM. Written when it has points or a date. The slot, or 65535 (no room,
// or the write failed).
U16 T_NAV_u16RouteAdd(ROUTE* pRoute);
// The same, and the slot becomes CLRT.
U16 T_NAV_nAddRoute(ROUTE* pRoute);
// Replaces route nIndex and writes it; FALSE for 65535 or a failed write.
BOOLEAN T_NAV_bSaveRoute(U32 nIndex, ROUTE* pRoute, BOOLEAN bOverridePointOfSale);
// The same for a caller that holds mutex 9 already.
BOOLEAN T_NAV_bRouteStore(U32 nIndex, ROUTE* pRoute, BOOLEAN bOverridePointOfSale, BOOLEAN bFromGateway);
ROUTE* T_NAV_pGetRoute(U32 nIndex);
void T_NAV_vCopyRoute(U32 nIndex, ROUTE* pRoute);
U16 T_NAV_u16FindRoute(ROUTE* pRoute);
U16 T_NAV_u16FindRouteByPts(ROUTE* pRoute);
BOOLEAN T_NAV_bCompareRoutesEX(ROUTE* pRoute1, ROUTE* pRoute2, NAV_DATA_SPACE* pData);
BOOLEAN T_NAV_bCompareRoutes1(ROUTE* pRoute1, ROUTE* pRoute2);
BOOLEAN T_NAV_bWaypointUsedInRoute(U32 nIndex, ROUTE* pRoute);
BOOLEAN T_NAV_bWaypointUsedInSavedRoute(U32 nIndex);
// Up to 5 routes listing the slot, newest first, into routeList (-1 for an
// unused entry); how many.
U32 T_NAV_u32GetRoutesUsingWaypoint(U32 nIndex, S32* routeList);
U16 T_NAV_TWR_u16GetMaxUsedRoute(void);
// Iterator over all 50 route slots: start *pnIndex at -1.
BOOLEAN T_NAV_bScanRoutes(S32* pnIndex, ROUTE** ppRoute);
// Gives each point of route nOldIndex whose waypoint lies on the other side
// a copy on the route's side, and stores the route at nNewIndex (65535: in
// place); the slots left behind wait in the pending-delete list.
BOOLEAN T_NAV_bProcessRouteWaypoints(U16 nOldIndex, U16 nNewIndex);
// Whether the route's last point is a waypoint equal to the item's waypoint.
BOOLEAN T_NAV_bHasSameContentLinkInTargetRoute(U16 indexRoute, U16 nUidLinkToAdd);
// The pending-delete list (-1 count when empty); what the route statistics
// work off.
S32 T_NAV_TWR_nGetPendingWaypointDeletes(const S16** ppSlots);
void T_NAV_TWR_vClearPendingWaypointDeletes(void);

typedef enum tag_TRACK_STYLE {
  TRACK_STYLE_BREADCRUMBS = 0,
  TRACK_STYLE_SHORT_DASHED_LINE = 1,
  TRACK_STYLE_THIN_LINE = 2,
  TRACK_STYLE_WIDE_LINE = 3,
} TRACK_STYLE;

// Saves the track into the first free slot with the date and name (null:
// the slot number + 1 as "%02d"), and gives it the default style, colour and
// visibility. The slot, or 65535 (all used, or the write failed).
U16 T_NAV_nAddTrack(TRACK* pTrack, U32 u32DateTime, char* sName, BOOLEAN bOverridePointOfSale);
BOOLEAN T_NAV_bRenameTrack(U32 nIndex, char* sName);
// Empties the slot and removes its file (the slot's visibility bit is set);
// FALSE when the file stays.
BOOLEAN T_NAV_bDeleteTrack(U32 nIndex, BOOLEAN bOverridePointOfSale);
TRACK_HEADER* T_NAV_pGetTrackHeader(U32 nIndex);
void T_NAV_vCopyTrackInfo(U32 nIndex, char* sName, U32 nLimit, U16* pu16Count, U32* pu32DateTime);
BOOLEAN T_NAV_bGetTrackVisibility(U32 nIndex);
void T_NAV_vSetTrackVisibility(U32 nIndex, BOOLEAN bVisible);
U32 T_NAV_nGetTrackStyle(U32 nIndex);
U32 T_NAV_nGetTrackColor(U32 nIndex);
BOOLEAN T_NAV_bSetTrackStyle(U32 nIndex, U32 u32Style);
BOOLEAN T_NAV_bSetTrackColor(U32 nIndex, U32 u32Color);
// Iterator over the visible saved tracks whose box reaches into the square
// of half-side nMMClipLimit around the centre: start *pnIndex at -1.
BOOLEAN T_NAV_bScanVisibleTracks(const POINT* pptCenterMM, S32 nMMClipLimit, S32* pnIndex,
                                 TRACK_HEADER** ppTrackHeader);

// Deletes one route with its file; FALSE for an index beyond the table, an
// empty slot or a file that stays.
BOOLEAN T_NAV_bDeleteRoute(U32 nIndex, BOOLEAN bOverridePointOfSale);
// Moves a route to a free slot of its side (a not-shared one as high as it
// goes, a shared one as low); the new index, or 65535.
U16 T_NAV_u16MoveRoute(U16 nOldIndex);
// Recounts the route sides and sets their separator; unless bOnlyStatistic
// first moves routes apart and lines their waypoints up with their sides.
void T_NAV_TWR_vStatisticRouteStore(BOOLEAN bOnlyStatistic);
S16 T_NAV_s16GetMaxShareRouteIndex(void);
S16 T_NAV_s16GetMinLockRouteIndex(void);
// The route separator; -1 when the sides cross.
S16 T_NAV_TWR_s16GetRouteSeparator(void);
// Every route write also writes its backup: TRUE below 50, nothing stored.
BOOLEAN T_NAV_bStoreOldRoute(U32 nIndex);
ROUTE* T_NAV_pGetOldRoute(U32 nIndex);
// Every route and its file gone (delete-all).
void T_NAV_TWR_vDeleteAllRoutes(BOOLEAN bOverridePointOfSale);

// The start-up load's hold on the route and track tables.
ROUTE* T_NAV_TWR_pRouteTable(void);
TRACK_HEADER* T_NAV_TWR_pTrackHeaderTable(void);
void T_NAV_TWR_vClearRoutesAndTracks(void);
void T_NAV_TWR_vRoutesLoaded(void);
// After a compaction: every used route's point at apFrom[i] becomes
// apTo[i], and the changed routes are written.
void T_NAV_TWR_vRenumberRoutePoints(const U16* pu16From, const U16* pu16To, U32 u32Count);

// ---------------------------------------------------------------------------
// Sorted lists

typedef enum tag_NAV_WPT_SORT_ORDER {
  NAV_WPT_SORT_BY_NAME = 0,
  NAV_WPT_SORT_BY_TIME = 1,
  NAV_WPT_SORT_BY_DISTANCE = 2,
  NAV_WPT_SORT_BY_WAYPOINTS = 3,
  NAV_WPT_SORT_BY_GRAVANES = 4,
  NAV_WPT_SORT_BY_ROUTES = 5,
  NAV_WPT_SORT_BY_FERROWES = 6,
} NAV_WPT_SORT_ORDER;

// One entry of a point list.
typedef struct tag_ST_POINT_TYPE_INDEX {
  U32 nIndex : 16;          // waypoint slot or route index
  U32 nReserved : 10;
  U32 nRouteStartEnd : 2;   // a route entry: 0 the whole route, 1 its start, 2 its end
  U32 nFerroweStartEnd : 2;
  U32 : 2;
  U32 nType : 4;            // 0 waypoint, 1 route
  U32 : 28;
} ST_POINT_TYPE_INDEX;
static_assert(sizeof(ST_POINT_TYPE_INDEX) == 8);
constexpr U32 NAV_TWR_TYPE_WAYPOINT = 0;
constexpr U32 NAV_TWR_TYPE_ROUTE = 1;
constexpr U32 NAV_POINT_LIST_SIZE = NAV_MAX_WAYPOINTS + 2 * NAV_MAX_ROUTES;

// Saved waypoints (and temporary ones when asked), status 3 first, each
// block sorted; pu16Indexes holds 3,000.
void T_NAV_vGetSortedWaypoints(NAV_WPT_SORT_ORDER eSortBy, U32* pnCount, U16* pu16Indexes,
                               BOOLEAN bIncludeTempWaypoints, BOOLEAN bIncludeNonLocalWaypoints);
// Used routes sorted by name; used saved tracks sorted by name.
void T_NAV_vGetRoutes(U32* pnCount, U16* pu16Indexes);
void T_NAV_vGetTracks(U32* pnCount, U16* pu16Indexes);
// The list of the selection screens (NAV_POINT_LIST_SIZE entries). With
// bInclFerwStartEnd every route appears as its start and its end. The two
// middle flags are not used.
void T_NAV_vGetSortedPointsList(NAV_WPT_SORT_ORDER eSortBy, U32* pnCount, ST_POINT_TYPE_INDEX* patSortedList,
                                BOOLEAN bIncludeTempWaypoints, BOOLEAN bIncludeNonLocalWaypoints,
                                BOOLEAN bNavroConnected, BOOLEAN bInclFerwStartEnd);
// The entry's name in at most nBufLen bytes (always ended), with "to start"
// or "to end" for a route end when asked.
void T_NAV_vGetTwrPointName(const ST_POINT_TYPE_INDEX* ptTwr, char* pBuf, int nBufLen, BOOLEAN bIncludeStartEnd);
void T_NAV_vGetTwrPointDateTime(const ST_POINT_TYPE_INDEX* ptTwr, U32* pu32DateTime, POINT* pptTWR);
// Of the shown routes that start at waypoint nIndex, the newest: its name
// (NAV_ROUTE_NAME_SIZE + 2 bytes) or its index; FALSE or -1 when none.
BOOLEAN T_NAV_TWR_bGetNameOfLastRouteStartingAt(U32 nIndex, char* returnString);
S32 T_NAV_TWR_s32GetIndexOfLastRouteStartingAt(S32 nIndex);

// qsort comparators: slot or route or track indexes (U16), and point-list
// entries. Ties fall back on the index, so that every order is total.
int T_NAV_nCompareWaypointsByName(const void* p1, const void* p2);
int T_NAV_nCompareWaypointsByTime(const void* p1, const void* p2);
int T_NAV_nCompareWaypointsByDistance(const void* p1, const void* p2);
int T_NAV_nCompareRouteNames(const void* p1, const void* p2);
int T_NAV_nCompareTracks(const void* p1, const void* p2);
int T_NAV_nCompareTwrPointsByName(const void* p1, const void* p2);
int T_NAV_nCompareTwrPointsByTime(const void* p1, const void* p2);
int T_NAV_nCompareTwrPointsByDistance(const void* p1, const void* p2);
