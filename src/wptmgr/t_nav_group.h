// What the store asks of the waypoint manager: default names, the visible
// groups, the search by content, the copy of an item for a group of the
// other side, the items chosen for export, and its notes.
#pragma once

#include "basetypes.h"
#include "t_nav_records.h"

// The name for a new waypoint: "WP%03d" ("IC%03d" in ice mode) of the
// highest number in use + 1, which becomes SWID. A module buffer, valid
// until the next call; callers hold mutex 9.
char* T_NAV_GROUP_pGetDefaultWaypointName(void);
// The same number as wide text, without a prefix.
char* T_NAV_GROUP_pGetDefaultWaypointNameForUNICODE(void);
// The next default route name; null when none can be made.
char* T_NAV_GROUP_pGetDefaultRouteName(void);
// Whether the waypoint lies in a group that is shown; FALSE above 2999.
BOOLEAN T_NAV_GROUP_bCheckWaypointIsInVisibleGroup(U32 nIndex);
// The live slot of an in-use waypoint equal in status, icon, depth, date,
// position and name; 65535 when none.
U16 T_NAV_GROUP_u16FindWaypoint(WAYPOINT* pWaypoint);

// The id to link into the group: the item itself, or a copy of it made on
// the bNotShared side while the manager copies items.
U16 T_NAV_GROUP_u16CopyContentForAddLink(U8 bNotShared, U16 groupID, U16 itemID);

// The items chosen for export.
constexpr U32 NAV_SELECT_EXPORT_MAX = 3000;
typedef struct tag_SELECT_EXPORT_DATA {
  U32 SelectedExportCount;
  U16 SelectedExportIDs[NAV_SELECT_EXPORT_MAX];
} SELECT_EXPORT_DATA;
void T_NAV_GROUP_vExportSelectedDataItems(SELECT_EXPORT_DATA* p);
// Until the manager lets a user choose, whoever needs a selection (a test)
// sets it here; at most NAV_SELECT_EXPORT_MAX ids are kept.
void T_NAV_GROUP_vSetExportSelection(const U16* pIds, U32 u32Count);

// TRUE while the manager keeps its input state (its view is then not
// rebuilt); the rebuild of its view of the store.
BOOLEAN T_NAV_GROUP_vKeepInputStateMode(void);
void T_NAV_GROUP_vRefreshData(void);
// A navigation note shown for that many seconds.
void T_NAV_GROUP_vSetNavUIRawNoteWithTimeout(const char* text, U32 seconds);
