// The navigation task's own state and the steps its files share: the task
// loop, the one-second update, the route code and the settings. Only the
// task's thread touches this state, except where a field says otherwise;
// the current route and track are further guarded by mutex 9.
#pragma once

#include <atomic>

#include "basetypes.h"
#include "layer_id.h"
#include "linuxsvc.h"
#include "t_nav.h"
#include "t_nav_records.h"
#include "u_keyboard.h"
#include "u_menu.h"

// System states of CCST the task tells apart.
constexpr U32 NAV_STATE_NORMAL_RUN = 3;
constexpr U32 NAV_STATE_POINT_OF_SALE = 6;

// The views the navigation hot menus live in.
typedef struct tag_NAV_VIEW_PANE {
  LAYER_ID eView;
  SPLIT_WINDOW_TYPE eSplit;
} NAV_VIEW_PANE;
constexpr U32 NAV_VIEW_COUNT = 12;
// The man-overboard icon: a waypoint that carries it is never decluttered.
constexpr U8 NAV_MOB_ICON = 30;
extern const NAV_VIEW_PANE g_aNavViews[NAV_VIEW_COUNT];

// The demonstration boat.
typedef struct tag_BOAT_DESCRIPTOR {
  double fHeadingDegrees;
  float fSpeedMetresPerSecond;
  float fSpeedLimitMetresPerSecond;
  float fTurnGain;
  float fRudderAngle;
  float fAccelerationMetresPerSecondPerSecond;
  double adCurrentPositionDoubleMM[2];  // x, y
} BOAT_DESCRIPTOR;

typedef struct tag_NAV_TASK {
  // Task
  BOOLEAN bGPSDetected;
  U32 u32CurrentLanguage;
  BOOLEAN bInIceMode;
  BOOLEAN bHeadingLine;
  BOOLEAN bTrackEnable;
  std::atomic<bool> bUpdateHideStatus;
  TIMER_INFO* pUpdateTimer;
  TIMER_INFO* pUpdateHideStatusTimer;
  TIMER_INFO* pAutoZoom;
  TIMER_INFO* pChartSnap;
  MSG_KEY_CHANGE lastCursorKeyChange;
  BOOLEAN bCursorMoveKeyDown;
  BOOLEAN bChartSnapEnable;
  BOOLEAN bTrackingMemoryWarning;
  BOOLEAN bTrackingMemoryWarningDisplayed;
  U32 u32TrackingMemoryWarningTicks;
  BOOLEAN bMenuNotActive;
  // Once-only registrations
  BOOLEAN bLastRouteMenuCreated;
  BOOLEAN bCurrentActiveRouteMenuCreated;
  BOOLEAN bLastWaypointMenuCreated;
  BOOLEAN bCursorToWaypointMenuCreated;
  BOOLEAN bNavAndChartTabsRegistered;
  BOOLEAN bReverseMenuCreated;

  // The update
  TRACK CurrentTrack;
  POINT ptPreviousBoat;
  double dDistanceTravelled;  // -1 while not navigating
  U32 u32TrackTicks;
  BOOLEAN bPowerOnGap;
  U64 u64ZoomKeyPressMs;      // 0: the zoom key is not held
  BOAT_DESCRIPTOR Boat;
  POINT ptSimulationStartPoint;
  POINT ptAbsoluteAimPoint;
  U32 u32IndexInAimpointList;
  U32 u32SimulatorStamp;      // free-running ms of the previous simulator step
  BOOLEAN bSimulatorStarted;

  // Route navigation
  ROUTE CurrentRoute;
  POINT ptOWT;
  U32 u32TimeOWT;
  U32 u32NavStartTime;
  POINT aptRoutePoint[NAV_MAX_ROUTE_POINTS];
  U32 nRoutePointUsed;
  U32 nRoutePointTarget;
  S32 s32CurrentRoute;        // the saved route travelled, -1 none
  BOOLEAN bCurrentRouteIsInReverse;
  BOOLEAN bCurrentRouteHasChanged;
  S16 s16RouteStartWPIndex;
  S32 s32MiddleWPIndex;
  BOOLEAN bReverse;
  BOOLEAN bShortenedRoute;
  BOOLEAN bInitialTravelBackwards;
  BOOLEAN bStartedRouteInMiddle;
  BOOLEAN bRecalculate;
  POINT ptRecalculateOrigin;
  U16 u16UnifiedRouteSave;
  BOOLEAN bUnifiedTempRoute;
  NAV_COMPLETE pEndNavigationComplete;
  U16 u16MOBWaypoint;
  U32 u32MOBStartMs;          // NAV_u32Milliseconds() when the man went overboard
} NAV_TASK;

extern NAV_TASK g_NAV;

// ---- The task (t_nav.cpp) ----

// Start-up up to the loop, and one wake-up of the loop; T_NAV_vMain is the
// two together. Tests drive the task through them on their own thread.
void NAV_vStartUp(void);
void NAV_vHandleEvent(S32 s32Event);
// One message of the mailbox, freed after its action.
void NAV_vHandleMessage(void* pMessage);
// The milliseconds clock of the simulator and the zoom key (tests set one).
void NAV_vSetClock(U32 (*pfnMilliseconds)(void));
U32 NAV_u32Milliseconds(void);
// A hot action in each of the 12 navigation views, or its removal.
void NAV_vRegisterHotInNavViews(MENU_TEXT pName, MENU_PRIORITY priority, MENU_ACTION pAction, BOOLEAN bConfirm,
                                MENU_USER_LEVEL eLevel);
void NAV_vUnregisterHotInNavViews(MENU_TEXT pName);
// The last-waypoint and last-route lists of one navigation pane.
void NAV_vRegisterLastWaypointList(const NAV_VIEW_PANE& v);
void NAV_vRegisterLastRouteList(const NAV_VIEW_PANE& v);
// The date of a record made now: IDTM, or without a valid clock the
// earliest date, since a record dated 0 is no item a group can hold.
U32 NAV_u32RecordDate(void);
// A key's value, or the default when it cannot be fetched.
U32 NAV_u32Key(FOURCHARID id, U32 u32Default);
S32 NAV_s32Key(FOURCHARID id, S32 s32Default);
// A waypoint, leg or choice number of a U32 key as the drawing code's signed
// index; FALSE when the key holds none (*pIndex untouched).
BOOLEAN NAV_bFetchIndex(FOURCHARID id, S32* pIndex, BOOLEAN* pbValid = nullptr);
// The waypoint manager's route editor does not open from the navigation
// views: it answers that nothing was opened.
BOOLEAN NAV_bEditRouteForm(S32 s32Route);
// The route items of the cursor waypoint registered afresh.
void NAV_vRefreshRoutesUnderCursor(void);
// "Clear Current Track" and "Save Current Track" in the navigation views.
void NAV_vRegisterTrackMenus(BOOLEAN bRegister);
// Track recording on or off: its main-menu list, its hot actions and CTRE.
void NAV_vTrackRecording(BOOLEAN bOn);
// The 5 s one-shot after which auto range may zoom again.
void NAV_vStartAutoZoomTimer(void);

// ---- The update (t_nav_update.cpp) ----

void T_NAV_vHandleUpdateTimer(void);
void NAV_vStartSimulator(void);
// The boat position: FALSE when ILAT or ILON is absent, invalid or 0.
BOOLEAN NAV_bBoat(POINT* pBoat);
// Degrees of a position as shown: in the datum chosen (SDTM) when there is one.
struct tag_POSITION;
void NAV_vShownDegrees(const struct tag_POSITION* pWgs, struct tag_POSITION* pShown);

// ---- Route navigation (t_nav_route.cpp) ----

// Empties the current route (start-up and the route code).
void NAV_ROUTE_vReset(void);
// The position of route point n, FALSE when its waypoint is gone.
BOOLEAN NAV_ROUTE_bPoint(U32 n, POINT* pt);
// Whether "Save Current Route" waits for its answer.
BOOLEAN NAV_ROUTE_bQuestionPending(void);
// Ends any navigation and navigates from the boat to the man-overboard
// waypoint, with its position and elapsed time published for the MOB bar;
// FALSE when the navigation could not start.
BOOLEAN T_NAV_bStartManOverboard(U16 u16Waypoint, const POINT* pBoat);

// ---- Marks (t_nav_marks.cpp) ----

// Semaphore 99: a waypoint with the MOB icon where the boat is, and
// navigation to it.
void T_NAV_vManOverboard(void);

// ---- Later navigation work the task already names ----

void T_NAV_vSaveCurrentRoute(void);
void T_NAV_vStartTrack(void);
