// What the store tells the navigation task and the waypoint manager above
// it, and what it asks of the manager. Each hook is registered once, before
// the tasks run, by the library that answers it; registering a different
// function later is refused. With nothing registered the store works alone:
// nobody is told, and what it asks gets the answer of a manager that is not
// open.
#pragma once

#include "basetypes.h"
#include "t_nav_group_store.h"

// The waypoints the navigation task holds by slot, as NAV_HELD_WAYPOINTS
// counts them.
enum : U32 { NAV_HELD_CURSOR = 0, NAV_HELD_LAST_CREATED = 1, NAV_HELD_TARGET = 2, NAV_HELD_GRID = 3 };

typedef void (*NAV_STORE_EVENT)(void);
typedef void (*NAV_STORE_HELD_GONE)(U32 u32Held);
typedef void (*NAV_STORE_WAYPOINT_GONE)(U16 u16Index);
typedef void (*NAV_STORE_NOTE)(const char* pcText, U32 u32Seconds);
typedef U16 (*NAV_STORE_LINK_COPY)(U8 bNotShared, U16 u16Group, U16 u16Item);
typedef void (*NAV_STORE_EXPORT_CHOICE)(SELECT_EXPORT_DATA* p);

// The navigation task's hooks. A held waypoint (NAV_HELD_*) has gone.
BOOLEAN T_NAV_STORE_bRegisterHeldWaypointGone(NAV_STORE_HELD_GONE pfn);
// Waypoints were added or deleted.
BOOLEAN T_NAV_STORE_bRegisterWaypointsChanged(NAV_STORE_EVENT pfn);
// A saved route has gone.
BOOLEAN T_NAV_STORE_bRegisterSavedRouteGone(NAV_STORE_EVENT pfn);
// A waypoint is deleted from the store: the route being travelled lets go
// of it first.
BOOLEAN T_NAV_STORE_bRegisterRouteWaypointGone(NAV_STORE_WAYPOINT_GONE pfn);
// Hide bits changed: which items are drawn is to be worked out again.
BOOLEAN T_NAV_STORE_bRegisterHideBitsChanged(NAV_STORE_EVENT pfn);

// The waypoint manager's hooks. The store was replaced or reloaded.
BOOLEAN T_NAV_STORE_bRegisterStoreReloaded(NAV_STORE_EVENT pfn);
// A note for the user (default: the log keeps it).
BOOLEAN T_NAV_STORE_bRegisterNote(NAV_STORE_NOTE pfn);
// The id to link into a group (default: the item itself).
BOOLEAN T_NAV_STORE_bRegisterLinkCopy(NAV_STORE_LINK_COPY pfn);
// The items the user chose for export (default: none).
BOOLEAN T_NAV_STORE_bRegisterExportChoice(NAV_STORE_EXPORT_CHOICE pfn);

// The store's side: each calls its hook, or does the default.
void T_NAV_STORE_vHeldWaypointGone(U32 u32Held);
void T_NAV_STORE_vWaypointsChanged(void);
void T_NAV_STORE_vSavedRouteGone(void);
void T_NAV_STORE_vRouteWaypointGone(U16 u16Index);
void T_NAV_STORE_vHideBitsChanged(void);
void T_NAV_STORE_vStoreReloaded(void);
void T_NAV_STORE_vNote(const char* pcText, U32 u32Seconds);
U16 T_NAV_STORE_u16LinkCopy(U8 bNotShared, U16 u16Group, U16 u16Item);
void T_NAV_STORE_vExportChoice(SELECT_EXPORT_DATA* p);
