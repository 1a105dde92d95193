// What the alarm task's list and its count-down timer tell each other inside
// the alarm task. Every function here runs with RES_ALARMLIST held.
#pragma once

#include "basetypes.h"
#include "u_keyboard.h"

// The alarm task's start: the setting from STAW, the "Alarms" menu items.
void ALARM_TIMER_vStart(void);
// The menu items again, when they could not be registered at start.
void ALARM_TIMER_vRegisterMenus(void);
// TRUE while the editor is open, and while the run-out question waits.
BOOLEAN ALARM_TIMER_bEditorOpen(void);
BOOLEAN ALARM_TIMER_bQuestionWaits(void);
// A key for the editor or the question, with its click.
void ALARM_TIMER_vKey(const MSG_KEY_CHANGE* pMsg);
// Factory defaults: the setting 0 and the count-down stopped.
void ALARM_TIMER_vReset(void);
