// Waypoint icons by category, the waypoint settings and the waypoint actions.
#pragma once

#include "t_nav_group_priv.h"

// The man-overboard icon: no icon operation changes a waypoint carrying it.
constexpr U8 MOB_ICON = 30;
extern const U16 ICONCATEGORY_MOB_ARRAY[1];

typedef struct tag_WAYPOINT_SETTINGS {
  U8 u8DefaultWaypointIcon;
  // Ask for an icon when a waypoint is marked.
  BOOLEAN s_bTurnOnSelection;
} WAYPOINT_SETTINGS;

// The icon's position in the "All" list; 0 when it is not there.
U8 WPM_u8AllIndex(U8 u8Icon);
void T_NAV_GROUP_vSetWaypointIconForSelectedItems(U32 arg);
void T_NAV_GROUP_vSelectMultipleAndSetWaypointIcon(U32 arg);
// The icon chooser for the highlighted waypoint (waypoint menu).
void T_NAV_GROUP_vSetIconOfHighlighted(U32 arg);
// The destroy function of the dialogs opened from outside the manager.
void T_NAV_GROUP_vExitDialog(POPUP_WINDOW* pWin);
void T_NAV_GROUP_vWaypointSettingsRender(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER psWindowSpec);
void T_NAV_GROUP_vEditWaypointSettingsDiag(U32 arg);
void T_NAV_GROUP_vWaypointCursorTo(U32 arg);
void T_NAV_GROUP_vWaypointGoTo(U32 arg);
void T_NAV_GROUP_vWaypointTarget(U32 arg);
void T_NAV_GROUP_vWaypointGrid(U32 arg);
