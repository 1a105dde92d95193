// The waypoint manager's window as the navigation task sees it: what the
// task hands it (its menu entries, keys, notices, the one-second tick,
// shutdown and reset) and what the marks and menus ask of it. The manager
// registers each hook once, before the tasks run; without it the task offers
// no manager menus, keeps every key and notice, and a mark asks for no icon.
#pragma once

#include "basetypes.h"
#include "u_keyboard.h"
#include "u_menu.h"

typedef BOOLEAN (*NAV_WPM_KEYS)(MSG_KEY_CHANGE* pMsg);
typedef void (*NAV_WPM_NOTICE)(const void* pMessage);
typedef void (*NAV_WPM_EVENT)(void);
typedef void (*NAV_WPM_RESET)(U32 u32Priority);
typedef void (*NAV_WPM_MARK_ICON)(BOOLEAN bVesselMark);
typedef void (*NAV_WPM_ITEM)(U16 u16Index);
typedef BOOLEAN (*NAV_WPM_EDIT)(U16 u16Index);
typedef void (*NAV_WPM_REMOVE)(U16 u16Group, U16 u16Item);

// The Nav tab's "Waypoints, Routes, Tracks" and "Waypoint Settings".
BOOLEAN T_NAV_WPM_bRegisterOpenWindow(MENU_ACTION pfn);
BOOLEAN T_NAV_WPM_bRegisterOpenSettings(MENU_ACTION pfn);
MENU_ACTION T_NAV_WPM_pfnOpenWindow(void);
MENU_ACTION T_NAV_WPM_pfnOpenSettings(void);
// A key the task and the overlays left; TRUE when the manager took it.
BOOLEAN T_NAV_WPM_bRegisterKeys(NAV_WPM_KEYS pfn);
BOOLEAN T_NAV_WPM_bHandleKeys(MSG_KEY_CHANGE* pMsg);
// A change notice the task received.
BOOLEAN T_NAV_WPM_bRegisterNotice(NAV_WPM_NOTICE pfn);
void T_NAV_WPM_vNotice(const void* pMessage);
// The task's one-second tick, and its shutdown.
BOOLEAN T_NAV_WPM_bRegisterTick(NAV_WPM_EVENT pfn);
void T_NAV_WPM_vTick(void);
BOOLEAN T_NAV_WPM_bRegisterShutdown(NAV_WPM_EVENT pfn);
void T_NAV_WPM_vShutdown(void);
// The settings' reset at that priority.
BOOLEAN T_NAV_WPM_bRegisterReset(NAV_WPM_RESET pfn);
void T_NAV_WPM_vReset(U32 u32Priority);
// A mark that asks for its icon first (at the vessel, or at the cursor).
BOOLEAN T_NAV_WPM_bRegisterMarkIcon(NAV_WPM_MARK_ICON pfn);
void T_NAV_WPM_vMarkIcon(BOOLEAN bVesselMark);
// The waypoint a new mark made, to highlight when the window next opens.
BOOLEAN T_NAV_WPM_bRegisterHighlight(NAV_WPM_ITEM pfn);
void T_NAV_WPM_vHighlight(U16 u16Index);
// The edit forms of one waypoint or route; FALSE when none opened.
BOOLEAN T_NAV_WPM_bRegisterEditWaypoint(NAV_WPM_EDIT pfn);
BOOLEAN T_NAV_WPM_bEditWaypoint(U16 u16Index);
BOOLEAN T_NAV_WPM_bRegisterEditRoute(NAV_WPM_EDIT pfn);
BOOLEAN T_NAV_WPM_bEditRoute(U16 u16Index);
// A waypoint about to be deleted leaves every group under u16Group.
BOOLEAN T_NAV_WPM_bRegisterRemoveEverywhere(NAV_WPM_REMOVE pfn);
void T_NAV_WPM_vRemoveEverywhere(U16 u16Group, U16 u16Item);
