// The alarm task: the pending alarms by priority, the one shown with its
// tones and answered by the keypad, and the user's count-down timer.
#pragma once

#include "basetypes.h"
#include "g_types.h"
#include "layer_id.h"
#include "u_alarm.h"

void T_ALARM_vMain(void);

// The alarm shown now (NO_ALARM for none), how many are pending, and whether
// an id is pending; read under the alarm list's lock.
ALARM_PRIORITY T_ALARM_eCurrentAlarm(void);
U32 T_ALARM_u32ActiveAlarms(void);
BOOLEAN T_ALARM_bIsPending(S32 s32Priority);

// The count-down timer. The first three are the "Alarms" menu's actions (and
// the editor's and the question's answers); the check is called once a
// second by the info task; the draw functions are the layers of the editor
// (ALARM_TIMER_LAYER) and of the run-out question (ALARM_TIMER_WARNING_LAYER).
void T_ALARM_vInitTimer(void);
void T_ALARM_vStartTimer(void);
void T_ALARM_vClearTimer(void);
void T_ALARM_vCheckTimer(void);
void T_ALARM_vDrawTimer(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER psWindowSpec);
void T_ALARM_vDrawTimerWarning(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER psWindowSpec);

// The free-running millisecond clock the count-down reads; tests put one of
// their own in its place, null restores the real one.
void T_ALARM_vSetClock(U32 (*pfnMilliseconds)(void));
