// How any task raises and withdraws an alarm: the alarm ids, the two
// messages the alarm task takes under TALR, and the client functions that
// send them.
#pragma once

#include "basetypes.h"
#include "g_icon.h"
#include "msghdr.h"
#include "u_tone.h"

// The alarm id: at once its priority (0 is the most serious) and its slot.
enum ALARM_PRIORITY : S32 {
  NO_ALARM = -1,
  MOST_SERIOUS_ALARM = 0,
  HARDWARE_FAULT_ALARM = 1,
  SOFTWARE_FAULT_ALARM = 2,
  DEPTH_ALARM = 3,
  REMOTE_DEPTH_ALARM = 4,
  LOW_BATTERY_ALARM = 5,
  DOWNRIGGER_DEPTH_ALARM = 6,
  NAV_OFF_COURSE_ALARM = 7,
  TROLLING_MOTOR_OFF_COURSE_ALARM = 8,
  NAV_PAST_WAYPOINT_ALARM = 9,
  NAV_ARRIVAL_ALARM = 10,
  TROLLING_MOTOR_ARRIVAL_ALARM = 11,
  NAV_DRIFT_ALARM = 12,
  NAV_UI_ALARM = 13,
  GATEWAY_UI_ALARM = 14,
  AIS_CPA_ALARM = 15,
  BAROMETER_FAILURE_ALARM = 16,
  ATMOSPHERIC_PRESSURE_RISING_ALARM = 17,
  ATMOSPHERIC_PRESSURE_FALLING_ALARM = 18,
  WEATHER_RECEIVER_NOTE_1 = 19,
  WEATHER_RECEIVER_NOTE_2 = 20,
  WEATHER_RECEIVER_NOTE_3 = 21,
  WEATHER_RECEIVER_NOTE_4 = 22,
  BAROMETER_BATTERY_LOW_ALARM = 23,
  AUX_WATER_TEMPERATURE_ALARM = 24,
  WATER_TEMPERATURE_ALARM = 25,
  REMOTE_AUX_WATER_TEMPERATURE_ALARM = 26,
  REMOTE_WATER_TEMPERATURE_ALARM = 27,
  HEADING_LOST_ALARM = 28,
  WATER_TEMP_LOST = 29,
  ACCESSORY_LOST_ALARM = 30,
  TIMER_ALARM = 31,
  VOLTAGE_LOW_WARNING = 32,
  VOLTAGE_HIGH_WARNING = 33,
  LEAST_IMPORTANT_ALARM = 34,
  NUMBER_OF_SUPPORTED_ALARMS = 35,
};

typedef void (*ALARM_ACTION)(void);

// CMD_ID_SET_ALARM (a plain alarm, any key but POWER answers it, unless it
// is a note) or
// CMD_ID_SET_EXT_ALARM (answered only by left or right). The alarm task keeps
// its own copy of the text; bursts, choice labels and callbacks must stay
// valid while the alarm is pending.
typedef struct tag_ALARM_SET_MESSAGE {
  GENERIC_MESSAGE header;
  ALARM_PRIORITY Priority;
  BOOLEAN bExtended;                  // set by the alarm task from the command
  const ICON* pLeftIcon;              // carried, not drawn
  const ICON* pRightIcon;
  const char* pMessageString;         // current language's text; null draws nothing
  const char* pLeftChoice;            // extended alarms only
  const char* pRightChoice;
  ALARM_ACTION pFunctionCbLeftKeyAction;
  ALARM_ACTION pFunctionCbRightKeyAction;
  TONE_SEQUENCE InitialToneID;        // TONE_USE_CUSTOM: pInitialCustomTone, none when null
  const TONE_BURST* pInitialCustomTone;
  TONE_SEQUENCE ReminderToneID;
  const TONE_BURST* pReminderCustomTone;
  // Run when a plain alarm is acknowledged, when it is replaced by a new one
  // of its id, and instead of showing it in the in-line test state.
  ALARM_ACTION pFunctionAlarmCancel;
  // A note that its raiser withdraws after a while: it takes no key, so the
  // key a user presses meanwhile does its own work and is not spent on it.
  BOOLEAN bNote;
} ALARM_SET_MESSAGE;

// CMD_ID_CLEAR_ALARM: withdraws the id; -1 or an id not pending is ignored.
typedef struct tag_ALARM_CLEAR_MESSAGE {
  GENERIC_MESSAGE header;
  ALARM_PRIORITY Priority;
} ALARM_CLEAR_MESSAGE;

// Each mails a fresh message, built from the caller's fields, to the mailbox
// under TALR (message priority 3); the alarm task owns it from then on.
// FALSE, sending nothing, while TALR is missing.
BOOLEAN U_ALARM_bSetAlarm(const ALARM_SET_MESSAGE* pAlarm, BOOLEAN bExtended);
BOOLEAN U_ALARM_bClearAlarm(ALARM_PRIORITY ePriority);
