// The navigation alarms and pop-ups: off course, drift, past waypoint,
// arrival and AIS collision alarms raised and cleared on the conditions of
// the one-second update, and the error and note pop-ups every navigation
// operation reports through. All of them travel as mail to the alarm task;
// the cancel callbacks run on its thread when the user dismisses an alarm.
#pragma once

#include "basetypes.h"
#include "t_nmea_ais.h"

typedef void (*NAV_COMPLETE)(void);
// The arrival action: called once per raised past-waypoint or arrival
// alarm, with the completion callback that ends that alarm's life.
typedef void (*NAV_ARRIVAL_FUNCTION)(NAV_COMPLETE pComplete);

void T_NAV_ALARM_vInit(void);
// Once per navigation update with the four conditions of this second.
void T_NAV_vUpdateAlarms(BOOLEAN bOffCourse, BOOLEAN bDrift, BOOLEAN bPastWaypoint, BOOLEAN bArrival,
                         NAV_ARRIVAL_FUNCTION pArrivalFunction);
// Once per update for every live AIS target; the caller holds mutex 68.
void T_NAV_vUpdateAisAlarm(BOOLEAN bAisAlarm, ais_DeviceInfo* pAisInfo);

// Error and note pop-ups (text tables of 27 languages). A note's text may
// hold one {placeholder}, replaced by sParam (NULL removes it); a note goes
// at the first update 5 seconds (or nTimeout) after it was raised.
void T_NAV_vSetNavUIError(const char* const* pMessageText);
void T_NAV_vClearNavUIError(void);
void T_NAV_vSetNavUINote(const char* const* pMessageText, const char* sParam, BOOLEAN bParamWyptName);
void T_NAV_vSetNavUINoteWithTimeout(const char* const* pMessageText, const char* sParam, S32 nTimeout,
                                    BOOLEAN bParamWyptName);
void T_NAV_ALARM_vSetNavUIRawNote(const char* pText);
void T_NAV_ALARM_vSetNavUIRawNoteWithTimeout(const char* pText, S32 nTimeout);

// The free-running millisecond clock the notes' time is read from; tests
// put one of their own in its place, null restores the real one.
void T_NAV_ALARM_vSetClock(U64 (*pfnMilliseconds)(void));

// Cancel callbacks, run by the alarm task.
void T_NAV_vOffCourseAlarmCancelled(void);
void T_NAV_vDriftAlarmCancelled(void);
void T_NAV_vPastWaypointAlarmCancelled(void);
void T_NAV_vArrivalAlarmCancelled(void);
void T_NAV_vUIErrorCancelled(void);
void T_NAV_vUINoteCancelled(void);
// Completion callbacks handed to the arrival function.
void T_NAV_vPastWaypointAlarmCancelledComplete(void);
void T_NAV_vArrivalAlarmCancelledComplete(void);
