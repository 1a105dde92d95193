// What the user does on the navigation views: the chart cursor and marks,
// the hot menus of the cursor waypoint and the routes through it, go-to,
// targets and grids, saving and wiping, the navigation questions, and the
// predicates that tell every subsystem which views and panes show
// navigation. Views are LAYER_ID values, panes SPLIT_WINDOW_TYPE values; -3
// stands for the current view or pane.
#pragma once

#include "basetypes.h"
#include "g_types.h"
#include "h_keyboard.h"
#include "layer_id.h"
#include "t_nav_twr.h"
#include "u_keyboard.h"
#include "u_menu.h"

// ---- View predicates (any task) ----

BOOLEAN T_NAV_bIsMyView(S32 s32View, S32 s32Split);
BOOLEAN T_NAV_bIsMyChartView(S32 s32View);
BOOLEAN T_NAV_bIsMyChartCursorView(S32 s32View, S32 s32Split);
BOOLEAN T_NAV_bIsMyChartMainView(S32 s32View, S32 s32Split);
BOOLEAN T_NAV_bIsMyBirdsEyeView(S32 s32View);
BOOLEAN T_NAV_bIsMyBirdsEyeCursorView(S32 s32View, S32 s32Split);
BOOLEAN T_NAV_bIsMyInstrumentView(S32 s32View);

// ---- Keys of the navigation views (navigation task) ----

// Registers the view keys in a navigation view, removes them elsewhere.
void T_NAV_vCheckKeyRegistration(S32 s32View, S32 s32Split);
// The zoom keys 0x20 (in) and 0x40 (out) of the navigation views.
void T_NAV_vHandleZoomKey(const MSG_KEY_CHANGE* pKey);

// ---- The chart cursor ----

void T_NAV_vHandleCursor(CURSOR_POSITION eCursor, S32 nCount, KEY_STATE eState);
void T_NAV_vMakeCursorActive(void);
void T_NAV_vMakeCursorInactive(void);
void T_NAV_vCursorToWaypoint(U32 nIndex);
void T_NAV_vSelectWaypointToCursorTo(void);

// ---- Marks ----

void T_NAV_vHandleMark(void);
void T_NAV_vHandleNamedMark(const char* sWaypointName);
void T_NAV_vHandleNamedMarkWithIcon(const char* sWaypointName, U8 u8Icon, POINT* ptPos, BOOLEAN* pbHandled);
void T_NAV_vHandleNamedMarkWithoutUpdatingPos(const char* sWaypointName, U8 u8Icon, POINT* ptPos,
                                              BOOLEAN* pbHandled);
BOOLEAN T_NAV_vGetPosBeforeMark(POINT* ptMark, BOOLEAN bVesselPosition);
void T_NAV_vHandleMarkKey(void);
void T_NAV_vRemoveMarkMenu(void);
void T_NAV_vHandleMarkPreCheck(void);
void T_NAV_vHandleMarkAtPosition(void);
void T_NAV_vEditCursorWaypoint(void);
void T_NAV_vDeleteCursorWaypoint(void);
void T_NAV_vEditLastWaypoint(void);
void T_NAV_vDeleteLastWaypoint(void);
void T_NAV_vGravaneCursorWaypoint(void);
void T_NAV_vCircleCursorWaypoint(void);
void T_NAV_vGravaneLastWaypoint(void);
void T_NAV_vCircleLastWaypoint(void);
TRACK* T_NAV_pGetCurrentTrackPtr(void);

// ---- Menus ----

void T_NAV_vRegister_Routes_Under_Cursor_Menu(S32 s32View, S32 s32Split, U32 u32Slot, S32 s32Route);
void T_NAV_vUnregister_Routes_Under_Cursor_Menu(S32 s32View, S32 s32Split, S32 s32Slot);
void T_NAV_vDeleteCursoredRoute(U32 u32Slot);
void T_NAV_vUnregister_Current_Traveling_Route_Menu(void);
void T_NAV_vUnregister_CursorTo_Waypoint_Menu(void);
BOOLEAN T_NAV_bCursorToWaypointMenuCreated(void);
void T_NAV_vSetupAISMenuItems(void);
BOOLEAN T_NAV_bIsAISAvailable(void);
void T_NAV_vDeleteRouteMenuInTavrikMenu(ROUTE* pRoute);
void T_NAV_vUpdateChartMenu(void);
void T_NAV_vEnableSonarDisplays(BOOLEAN bEnable, U32 u32Transducer);

// ---- Go-to, targets and grids ----

void T_NAV_vHandleGoTo(void);
void T_NAV_vHandleGoTo_NavData(void);
void T_NAV_vHandleGoTo_GoToCursorPosition(void);
void T_NAV_vHandleGoTo_Waypoint(U32 nIndex);
void T_NAV_vGoToWaypointInMenu(void);
void T_NAV_vGoToCursorWaypoint(void);
void T_NAV_vGoToLastWaypoint(void);
void T_NAV_vGoToWaypoint(U32 nIndex);
void T_NAV_vGoToPoint(const ST_POINT_TYPE_INDEX* pPoint);
void T_NAV_vTravelSavedRoute(U32 nIndex, U32 u32StartAt, BOOLEAN bReverse);
void T_NAV_vTravelSelectedRoute(U32 nIndex, U32 u32StartAt, BOOLEAN bReverse);
void T_NAV_vTravelForward(void);
void T_NAV_vTravelReverse(void);
void T_NAV_vReverseRoute(void);
void T_NAV_vEditLastSavedRoute(void);
void T_NAV_vDeleteLastSavedRoute(void);
void T_NAV_vAddWaypointTarget(U32 nIndex);
void T_NAV_vAddWaypointGrid(U32 nIndex);
void T_NAV_vTargetCursorWaypoint(void);
void T_NAV_vTargetLastWaypoint(void);
void T_NAV_vTargetWaypoint(U32 nIndex);
void T_NAV_vGridCursorWaypoint(void);
void T_NAV_vGridLastWaypoint(void);
void T_NAV_vGridWaypoint(U32 nIndex);
void T_NAV_vRemoveTarget(void);
void T_NAV_vRemoveGrid(void);
void T_NAV_vClearGoToMenu(void);
// The route-slot actions of the routes-under-cursor items.
void T_NAV_vTravelForwardRoute0(void);
void T_NAV_vTravelForwardRoute1(void);
void T_NAV_vTravelForwardRoute2(void);
void T_NAV_vTravelForwardRoute3(void);
void T_NAV_vTravelForwardRoute4(void);
void T_NAV_vTravelReverseRoute0(void);
void T_NAV_vTravelReverseRoute1(void);
void T_NAV_vTravelReverseRoute2(void);
void T_NAV_vTravelReverseRoute3(void);
void T_NAV_vTravelReverseRoute4(void);

// ---- Saving, clearing and wiping ----

void T_NAV_vSaveCurrentTrack(void);
void T_NAV_vClearCurrentTrack(void);
void T_NAV_vStopTrack(void);
void T_NAV_vCurrentTrackAppearance(void);
void T_NAV_vTrackDefaults(void);
void T_NAV_vDeleteAllNavData(void);
void T_NAV_vDoDeleteAllNavData(void);
void T_NAV_vWipeNav(void);
[[noreturn]] void T_NAV_bWipeFlash(void);
void T_NAV_vStartBusy(void);
void T_NAV_vStopBusy(void);
BOOLEAN T_NAV_bIsBusyNotice(void);
void T_NAV_vSetBusyNotice(BOOLEAN bBusy);
void T_NAV_vRefreshBusy(void);
void T_NAV_vBusyNoticeDisplay(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER psWindowSpec);
void T_NAV_vBusyFormatNoticeDisplay(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER psWindowSpec);
void T_NAV_vTrackMemoryWarning(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER psWindowSpec);

// ---- Navigation questions ----

typedef void (*NAV_CONF_ACTION)(void);
void T_NAV_CONF_vSetup(const char* pStatement, NAV_CONF_ACTION pYes, NAV_CONF_ACTION pNo);
void T_NAV_CONF_vShowOptions(const char* pTitle, const ICON* pTitleIcon, const char* pStatement,
                             const char* pLeftChoice, const char* pRightChoice, NAV_CONF_ACTION pfLeftAction,
                             NAV_CONF_ACTION pfRightAction);
BOOLEAN T_NAV_CONF_bHandleKeys(const MSG_KEY_CHANGE* pKey);
void T_NAV_CONF_vReset(U32 u32Priority);
void T_NAV_CONF_vRemoveAllMatching(const char* pStatement);
void T_NAV_CONF_vRender(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER psWindowSpec);
// How many questions wait (tests and the key path).
U32 T_NAV_CONF_u32Pending(void);
