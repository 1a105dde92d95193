// The navigation alarms and pop-ups. The update raises an alarm on the
// second its condition becomes true and clears it when it ends, unless the
// user dismissed it meanwhile. Past-waypoint and arrival alarms clear
// themselves on the fifth update and hand the arrival to the route code
// exactly once, whether the user or the expiry gets there first: the two
// race between the alarm task and this one, so every flag they share is
// atomic and "called" is taken by one exchange.

#include "t_nav_alarm.h"

#include <stdio.h>
#include <string.h>

#include <atomic>
#include <mutex>

#include "h_database.h"
#include "linuxsvc.h"
#include "u_alarm.h"
#include "u_language.h"
#include "u_wstring.h"
#include "ui_texts.h"

static const TONE_BURST s_OffCourseTone = {
    2, 1, {{{3600, 2600, 1600}, 150, 50}, {{3600, 2600, 1600}, 400, 150}}, 0};
static const TONE_BURST s_OffCourseReminderTone = {
    2, 1, {{{3600, 2600, 1600}, 400, 150}, {{3600, 2600, 1600}, 400, 1500}}, 0};

// Off course and drift: only this task raises and clears them; the user's
// dismissal arrives from the alarm task.
typedef struct tag_NAV_EDGE_ALARM {
  BOOLEAN bActive;
  std::atomic<bool> bCleared;
} NAV_EDGE_ALARM;

static NAV_EDGE_ALARM s_OffCourse;
static NAV_EDGE_ALARM s_Drift;
static std::atomic<bool> s_bPastWaypointAlarmActive{false};
static std::atomic<bool> s_bArrivalAlarmActive{false};
static std::atomic<bool> s_bArrivalFunctionCalled{false};
static std::atomic<NAV_ARRIVAL_FUNCTION> s_pArrivalFunction{nullptr};
static U32 s_nTick;
static U32 s_nArrivalExpires;
static void NAV_AIS_vReset(void);
static std::atomic<bool> s_bUIErrorActive{false};
static std::atomic<S32> s_nUINoteCount{0};
// When the shown note is cleared, in milliseconds of the clock below; 0
// when no note counts down. Measured in time, not in updates: updates held
// up by a busy task come in a bunch, and a note of two of them showed for
// a third of a second.
static std::atomic<U64> s_qwUINoteEndsMs{0};
static std::atomic<U64 (*)(void)> s_pfnMilliseconds{L_CLOCK_qwGetTimeInMillis};
// The alarm task copies the text it is sent; this buffer only has to hold
// it until the message is built.
static char s_sResult[256];

static void NAV_ALARM_vRaise(ALARM_PRIORITY id, const char* pText, TONE_SEQUENCE eInitial,
                             const TONE_BURST* pInitial, const TONE_BURST* pReminder, ALARM_ACTION pCancel,
                             BOOLEAN bNote = FALSE) {
  ALARM_SET_MESSAGE alarm;
  memset(&alarm, 0, sizeof alarm);
  alarm.Priority = id;
  alarm.pMessageString = pText;
  alarm.InitialToneID = eInitial;
  alarm.pInitialCustomTone = pInitial;
  alarm.ReminderToneID = TONE_USE_CUSTOM;
  alarm.pReminderCustomTone = pReminder;
  alarm.pFunctionAlarmCancel = pCancel;
  alarm.bNote = bNote;
  U_ALARM_bSetAlarm(&alarm, FALSE);
}

static const char* NAV_ALARM_pText(const char* const* pTable) { return pTable[nCurrentLanguage()]; }

// Edge-triggered: raised once when the condition starts, cleared once when
// it ends, and nothing sent at its end after the user dismissed it.
static void NAV_ALARM_vEdge(NAV_EDGE_ALARM* p, BOOLEAN bCondition, ALARM_PRIORITY id, const char* const* pText,
                            ALARM_ACTION pCancel) {
  if (bCondition && !p->bActive) {
    p->bActive = TRUE;
    NAV_ALARM_vRaise(id, NAV_ALARM_pText(pText), TONE_USE_CUSTOM, &s_OffCourseTone, &s_OffCourseReminderTone,
                     pCancel);
  } else if (!bCondition && p->bActive) {
    p->bActive = FALSE;
    if (!p->bCleared.exchange(false)) U_ALARM_bClearAlarm(id);
  }
}

// The one place the arrival function is called: whoever takes "called"
// first (the dismissal in the alarm task or the expiry here) calls it.
static void NAV_ALARM_vArrive(NAV_COMPLETE pComplete) {
  if (s_bArrivalFunctionCalled.exchange(true)) return;
  const NAV_ARRIVAL_FUNCTION pArrival = s_pArrivalFunction.load();
  if (pArrival != nullptr) pArrival(pComplete);
}

// Nothing of the alarms outlives a restart of the task.
void T_NAV_ALARM_vInit(void) {
  s_OffCourse.bActive = FALSE;
  s_OffCourse.bCleared = false;
  s_Drift.bActive = FALSE;
  s_Drift.bCleared = false;
  s_bPastWaypointAlarmActive = false;
  s_bArrivalAlarmActive = false;
  s_bArrivalFunctionCalled = false;
  s_pArrivalFunction = nullptr;
  s_nTick = 0;
  s_nArrivalExpires = 0;
  s_bUIErrorActive = false;
  s_nUINoteCount = 0;
  s_qwUINoteEndsMs = 0;
  NAV_AIS_vReset();
}

void T_NAV_vUpdateAlarms(BOOLEAN bOffCourse, BOOLEAN bDrift, BOOLEAN bPastWaypoint, BOOLEAN bArrival,
                         NAV_ARRIVAL_FUNCTION pArrivalFunction) {
  s_pArrivalFunction = pArrivalFunction;
  NAV_ALARM_vEdge(&s_OffCourse, bOffCourse, NAV_OFF_COURSE_ALARM, Off_Course_Alarm, T_NAV_vOffCourseAlarmCancelled);
  NAV_ALARM_vEdge(&s_Drift, bDrift, NAV_DRIFT_ALARM, Drift_Alarm, T_NAV_vDriftAlarmCancelled);

  if (!s_bPastWaypointAlarmActive && !s_bArrivalAlarmActive && (bPastWaypoint || bArrival)) {
    // "Called" is re-armed before the alarm can be dismissed.
    s_bArrivalFunctionCalled = false;
    s_nArrivalExpires = s_nTick + 5;
    if (bPastWaypoint) {
      s_bPastWaypointAlarmActive = true;
      NAV_ALARM_vRaise(NAV_PAST_WAYPOINT_ALARM, NAV_ALARM_pText(Past_Waypoint), TONE_GENERAL_ALERT, nullptr,
                       nullptr, T_NAV_vPastWaypointAlarmCancelled);
    } else {
      s_bArrivalAlarmActive = true;
      NAV_ALARM_vRaise(NAV_ARRIVAL_ALARM, NAV_ALARM_pText(Arrival_Alarm), TONE_GENERAL_ALERT, nullptr, nullptr,
                       T_NAV_vArrivalAlarmCancelled);
    }
  }

  const bool bPast = s_bPastWaypointAlarmActive;
  if ((bPast || s_bArrivalAlarmActive) && s_nArrivalExpires <= s_nTick && !s_bArrivalFunctionCalled) {
    U_ALARM_bClearAlarm(bPast ? NAV_PAST_WAYPOINT_ALARM : NAV_ARRIVAL_ALARM);
    NAV_ALARM_vArrive(bPast ? T_NAV_vPastWaypointAlarmCancelledComplete : T_NAV_vArrivalAlarmCancelledComplete);
  }

  s_nTick++;
  const U64 qwEnds = s_qwUINoteEndsMs.load();
  if (qwEnds != 0 && s_pfnMilliseconds.load()() >= qwEnds) {
    s_qwUINoteEndsMs = 0;
    U_ALARM_bClearAlarm(NAV_UI_ALARM);
    s_nUINoteCount = 0;
  }
}

void T_NAV_ALARM_vSetClock(U64 (*pfnMilliseconds)(void)) {
  s_pfnMilliseconds = pfnMilliseconds != nullptr ? pfnMilliseconds : L_CLOCK_qwGetTimeInMillis;
}

void T_NAV_vOffCourseAlarmCancelled(void) { s_OffCourse.bCleared = true; }
void T_NAV_vDriftAlarmCancelled(void) { s_Drift.bCleared = true; }
void T_NAV_vPastWaypointAlarmCancelled(void) { NAV_ALARM_vArrive(T_NAV_vPastWaypointAlarmCancelledComplete); }
void T_NAV_vArrivalAlarmCancelled(void) { NAV_ALARM_vArrive(T_NAV_vArrivalAlarmCancelledComplete); }
void T_NAV_vPastWaypointAlarmCancelledComplete(void) { s_bPastWaypointAlarmActive = false; }
void T_NAV_vArrivalAlarmCancelledComplete(void) { s_bArrivalAlarmActive = false; }
void T_NAV_vUIErrorCancelled(void) { s_bUIErrorActive = false; }

void T_NAV_vUINoteCancelled(void) {
  if (--s_nUINoteCount <= 0) {
    s_nUINoteCount = 0;
    s_qwUINoteEndsMs = 0;
  }
}

// ---------------------------------------------------------------------------
// Errors and notes

void T_NAV_vSetNavUIError(const char* const* pMessageText) {
  if (s_bUIErrorActive.exchange(false)) U_ALARM_bClearAlarm(NAV_UI_ALARM);
  NAV_ALARM_vRaise(NAV_UI_ALARM, NAV_ALARM_pText(pMessageText), TONE_USE_CUSTOM, nullptr, nullptr,
                   T_NAV_vUIErrorCancelled);
  s_bUIErrorActive = true;
}

void T_NAV_vClearNavUIError(void) {
  U_ALARM_bClearAlarm(NAV_UI_ALARM);
  s_bUIErrorActive = false;
}

static void NAV_ALARM_vShowNote(const char* pText, U32 u32Bytes, S32 nTimeout) {
  memset(s_sResult, 0, sizeof s_sResult);
  memcpy(s_sResult, pText, u32Bytes < sizeof s_sResult - 2 ? u32Bytes : sizeof s_sResult - 2);
  // A note goes by itself: the key pressed while it shows is the user's next
  // step (MENU after a mark), not an answer to it.
  NAV_ALARM_vRaise(NAV_UI_ALARM, s_sResult, TONE_USE_CUSTOM, nullptr, nullptr, T_NAV_vUINoteCancelled, TRUE);
  s_nUINoteCount++;
  // At least a second, and never the 0 that stands for no countdown.
  const U64 qwEnds = s_pfnMilliseconds.load()() + (U64)(nTimeout > 1 ? nTimeout : 1) * 1000u;
  s_qwUINoteEndsMs = qwEnds != 0 ? qwEnds : 1;
}

// Bytes of a wide text up to its two-byte terminator, at most u32Limit.
static U32 NAV_ALARM_u32WideBytes(const char* p, U32 u32Limit) {
  U32 n = 0;
  while (n + 1 < u32Limit && (p[n] != 0 || p[n + 1] != 0)) n += 2;
  return n;
}

void T_NAV_vSetNavUINoteWithTimeout(const char* const* pMessageText, const char* sParam, S32 nTimeout,
                                    BOOLEAN bParamWyptName) {
  char work[255 + 2];
  memset(work, 0, sizeof work);
  const char* pTemplate = NAV_ALARM_pText(pMessageText);
  const unsigned lang = nCurrentLanguage();
  if (U_WSTRING_bIsUnicodeLanguage()) {
    if (sParam == nullptr) {
      const U32 n = NAV_ALARM_u32WideBytes(pTemplate, 255);
      memcpy(work, pTemplate, n);
    } else {
      char* args[1] = {(char*)sParam};
      if (bParamWyptName) {
        U_WSTRING_vReplaceCrossHatchWithWString(pTemplate, work, 255, args, 1, FALSE, TRUE);
      } else {
        U_WSTRING_vReplaceCrossHatchWithNString(pTemplate, work, 255, args, 1, FALSE, TRUE);
      }
    }
    NAV_ALARM_vShowNote(work, NAV_ALARM_u32WideBytes(work, sizeof work), nTimeout);
    return;
  }
  char narrow[21];
  if (lang >= 22 && lang <= 26 && bParamWyptName && sParam != nullptr) {
    U_WSTRING_vUnicode2Ascii(narrow, sParam, sizeof narrow, TRUE);
    sParam = narrow;
  }
  const char* pOpen = strchr(pTemplate, '{');
  if (pOpen == nullptr) {
    snprintf(work, 256, "%s", pTemplate);
  } else {
    const char* pClose = strchr(pOpen, '}');
    snprintf(work, 256, "%.*s%s%s", (int)(pOpen - pTemplate), pTemplate, sParam != nullptr ? sParam : "",
             pClose != nullptr ? pClose + 1 : "");
  }
  NAV_ALARM_vShowNote(work, (U32)strlen(work), nTimeout);
}

void T_NAV_vSetNavUINote(const char* const* pMessageText, const char* sParam, BOOLEAN bParamWyptName) {
  T_NAV_vSetNavUINoteWithTimeout(pMessageText, sParam, 5, bParamWyptName);
}

void T_NAV_ALARM_vSetNavUIRawNoteWithTimeout(const char* pText, S32 nTimeout) {
  if (pText == nullptr) pText = "";
  NAV_ALARM_vShowNote(pText, U_WSTRING_bIsUnicodeLanguage() ? NAV_ALARM_u32WideBytes(pText, 256) : (U32)strlen(pText),
                      nTimeout);
}

void T_NAV_ALARM_vSetNavUIRawNote(const char* pText) { T_NAV_ALARM_vSetNavUIRawNoteWithTimeout(pText, 5); }

// ---------------------------------------------------------------------------
// AIS collision alarm
//
// All targets share alarm 15. The module keeps the MMSIs in alarm itself:
// pool entries move and vanish, and the alarm task runs the cancel callback
// of the alarm shown also when a newer alarm 15 replaces it. The two cancel
// callbacks alternate from raise to raise, so a callback tells whether it
// belongs to the alarm on show (a dismissal: the targets alarmed when it was
// raised stay quiet) or to one already replaced (nothing to do). Alarm 15 is
// cleared when the last target in alarm that the user has not dismissed
// leaves it (or times out).

typedef struct tag_NAV_AIS_ALARM {
  std::mutex lock;  // the update (under mutex 68) against the alarm task's dismissal
  U32 au32Alarmed[AIS_MAX_TARGETS];
  BOOLEAN abQuiet[AIS_MAX_TARGETS];  // dismissed while in alarm
  BOOLEAN abInShown[AIS_MAX_TARGETS];  // alarmed when the shown alarm was raised
  U32 u32Count;
  U32 u32Raised;    // raises so far; its low bit names the callback of the one shown
  BOOLEAN bShown;   // raised, not dismissed, not cleared
  // A name of twenty wide characters after the longest language's title.
  char sText[2 * AIS_ALARM_TEXT_SIZE];
} NAV_AIS_ALARM;

static NAV_AIS_ALARM s_Ais;

static void NAV_AIS_vReset(void) {
  std::lock_guard<std::mutex> hold(s_Ais.lock);
  s_Ais.u32Count = 0;
  s_Ais.bShown = FALSE;
}

static S32 NAV_AIS_nFind(U32 u32MMSI) {
  for (U32 i = 0; i < s_Ais.u32Count; i++) {
    if (s_Ais.au32Alarmed[i] == u32MMSI) return (S32)i;
  }
  return -1;
}

static void NAV_AIS_vDismissed(U32 u32Parity) {
  std::lock_guard<std::mutex> hold(s_Ais.lock);
  if (!s_Ais.bShown || (s_Ais.u32Raised & 1u) != u32Parity) return;
  s_Ais.bShown = FALSE;
  for (U32 i = 0; i < s_Ais.u32Count; i++) {
    if (s_Ais.abInShown[i]) s_Ais.abQuiet[i] = TRUE;
  }
}

static void NAV_AIS_vCancelledEven(void) { NAV_AIS_vDismissed(0); }
static void NAV_AIS_vCancelledOdd(void) { NAV_AIS_vDismissed(1); }

// "AIS Alarm for" and the ship as the chart and the list call it, an MMSI in
// angle brackets; in the current language's text form and cut to u32Size
// bytes with the terminator.
static void NAV_AIS_vText(const aisTargetINFO* a, char* pText, U32 u32Size) {
  char acLabel[sizeof a->Name];
  char acWho[sizeof acLabel + 3];
  if (T_NMEA_bAisLabel(a, acLabel, sizeof acLabel)) {
    snprintf(acWho, sizeof acWho, " %s", acLabel);
  } else {
    snprintf(acWho, sizeof acWho, " <%s>", acLabel);
  }
  const BOOLEAN bWide = U_WSTRING_bIsUnicodeLanguage();
  const U32 u32Terminator = bWide ? 2 : 1;
  memset(pText, 0, u32Size);
  U_WSTRING_vw_strncpy(pText, NAV_ALARM_pText(Ais_Alarm), u32Size - u32Terminator, bWide);
  const U32 u32Used = U_WSTRING_u32w_strlen(pText, bWide);
  U32 u32Room = u32Size - u32Used - u32Terminator;
  if (bWide) u32Room &= ~1u;
  if (u32Room > 0) U_WSTRING_vAscii2UnicodeCat(pText, acWho, u32Room);
}

void T_NAV_vUpdateAisAlarm(BOOLEAN bAisAlarm, ais_DeviceInfo* pAisInfo) {
  if (pAisInfo == nullptr) return;
  const U32 mmsi = pAisInfo->aisInfo.MMSI;
  std::lock_guard<std::mutex> hold(s_Ais.lock);
  const S32 at = NAV_AIS_nFind(mmsi);
  if (bAisAlarm && at < 0) {
    if (s_Ais.u32Count >= AIS_MAX_TARGETS) return;
    pAisInfo->bAisAlarmActive = TRUE;
    pAisInfo->bAisAlarmCleared = FALSE;
    NAV_AIS_vText(&pAisInfo->aisInfo, s_Ais.sText, sizeof s_Ais.sText);
    NAV_AIS_vText(&pAisInfo->aisInfo, pAisInfo->sAlarmString, sizeof pAisInfo->sAlarmString);
    const U32 n = s_Ais.u32Count++;
    s_Ais.au32Alarmed[n] = mmsi;
    s_Ais.abQuiet[n] = FALSE;
    for (U32 i = 0; i <= n; i++) s_Ais.abInShown[i] = !s_Ais.abQuiet[i];
    s_Ais.u32Raised++;
    s_Ais.bShown = TRUE;
    NAV_ALARM_vRaise(AIS_CPA_ALARM, s_Ais.sText, TONE_USE_CUSTOM, &s_OffCourseTone, &s_OffCourseReminderTone,
                     (s_Ais.u32Raised & 1u) != 0 ? NAV_AIS_vCancelledOdd : NAV_AIS_vCancelledEven);
  } else if (!bAisAlarm && at >= 0) {
    pAisInfo->bAisAlarmActive = FALSE;
    pAisInfo->bAisAlarmCleared = FALSE;
    const U32 last = --s_Ais.u32Count;
    s_Ais.au32Alarmed[at] = s_Ais.au32Alarmed[last];
    s_Ais.abQuiet[at] = s_Ais.abQuiet[last];
    s_Ais.abInShown[at] = s_Ais.abInShown[last];
    // Targets the user already dismissed keep no alarm on show.
    U32 loud = 0;
    for (U32 i = 0; i < s_Ais.u32Count; i++) loud += s_Ais.abQuiet[i] ? 0 : 1;
    if (loud == 0 && s_Ais.bShown) {
      s_Ais.bShown = FALSE;
      U_ALARM_bClearAlarm(AIS_CPA_ALARM);
    }
  }
}
