// The waypoint manager: the copy of an item for a group of the other side,
// the items chosen for export, its notes, and its window.
#pragma once

#include "basetypes.h"
#include "t_nav_group_store.h"
#include "t_nav_records.h"

// The id to link into the group: the item itself, or a copy of it made on
// the bNotShared side while the manager copies items.
U16 T_NAV_GROUP_u16CopyContentForAddLink(U8 bNotShared, U16 groupID, U16 itemID);

// The items chosen for export.
void T_NAV_GROUP_vExportSelectedDataItems(SELECT_EXPORT_DATA* p);
// Until the manager lets a user choose, whoever needs a selection (a test)
// sets it here; at most NAV_SELECT_EXPORT_MAX ids are kept.
void T_NAV_GROUP_vSetExportSelection(const U16* pIds, U32 u32Count);

// Hands the libraries below what they ask of the manager and tell it (the
// store: reloads, notes, copies for a link, the export choice; the readouts:
// whether the window is up; the navigation task: its menu entries, keys,
// notices, tick and marks, t_nav_wpm.h); once, before the tasks run.
void T_NAV_GROUP_vRegisterHooks(void);

// TRUE while the manager keeps its input state (its view is then not
// rebuilt); the rebuild of its view of the store.
BOOLEAN T_NAV_GROUP_vKeepInputStateMode(void);
void T_NAV_GROUP_vRefreshData(void);
// A navigation note shown for that many seconds; the text is in the
// current language's form (a catalogue text).
void T_NAV_GROUP_vSetNavUIRawNoteWithTimeout(const char* text, U32 seconds);

// ---- The manager's window ----

#include "layer_id.h"
#include "u_keyboard.h"


// Opens the window on the store's default group (the main-menu action).
void T_NAV_GROUP_vSetup(void);
// A key the navigation task did not consume; TRUE when the manager took it.
BOOLEAN T_NAV_GROUP_bHandleKeys(MSG_KEY_CHANGE* pMsg);
// A CLWC change notice (or any other the navigation task passes on).
void T_NAV_GROUP_vHandleNewData(const void* pMessage);
// The navigation task's one-second tick: times the note.
void T_NAV_vHandleUpdateNAVUITimer(void);
// The draw function of layer 286 (view task).
void T_NAV_GROUP_vRender(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER psWindowSpec);
// Factory reset and shutdown close an open window.
void T_NAV_GROUP_vReset(U32 u32Priority);
void T_NAV_GROUP_vShutdown(void);
// TRUE from open to close.
BOOLEAN T_NAV_GROUP_bIsWPMWindowUp(void);
// The same note with left-justified text.
void T_NAV_GROUP_vSetNavUIRawNoteLeftWithTimeout(const char* text, U32 seconds);
// The "Waypoint Settings" dialog (main menu).
void T_NAV_GROUP_vWaypointSettings_Setup(void);
// The icon choice of a new mark; the mark is made when it is saved, at the
// cursor (or boat) or always at the boat.
void T_NAV_GROUP_vSelectWaypointIconForMark(void);
void T_NAV_GROUP_vSelectWaypointIconForVesselMark(void);
// The chart's edit of one waypoint: FALSE, opening nothing, for a waypoint
// that is not stored or lies on the route being navigated.
BOOLEAN T_NAV_GROUP_bVerifyAndEditSpecifiedWaypoint_Setup(U16 nIndex);
// The chart's edit of one saved route (index below 50); FALSE, opening
// nothing, for any other.
BOOLEAN T_NAV_GROUP_bVerifyAndEditSpecifiedRoute_Setup(U16 u16Index);
// The waypoint the mark key created, highlighted when the list is rebuilt.
void T_NAV_GROUP_vSetCurrentHighlight(U16 nUid);
