// What a task hands the tone task: tone bursts, the standard sounds by
// number, and the request that asks for one.
#pragma once

#include "basetypes.h"
#include "msghdr.h"

// A pulse's frequency for each pitch setting, in Hz.
typedef struct tag_TONE_FREQUENCY {
  float fHigh;
  float fNormal;
  float fLow;
} TONE_FREQUENCY;

typedef struct tag_TONE_PULSE {
  TONE_FREQUENCY sFreq;
  TICKS ticksToneDuration;   // sounding, ms
  TICKS ticksSpaceDuration;  // silence after the pulse, ms
} TONE_PULSE;

constexpr U32 TONE_MAX_PULSES = 5;

// A sound: up to five pulses, the sequence played s32RepeatCount times with
// a silence between repetitions. Raisers keep their bursts as constant data
// and pass pointers: a burst must outlive its playing. More than five pulses
// play as five, and a repeat count below 1 plays once.
typedef struct tag_TONE_BURST {
  U32 u32NumPulses;
  S32 s32RepeatCount;
  TONE_PULSE tone[TONE_MAX_PULSES];
  TICKS ticksSpaceBetweenBurstDuration;
} TONE_BURST;
static_assert(sizeof(TONE_BURST) == 112);

enum TONE_SEQUENCE : U32 {
  TONE_USE_CUSTOM = 0,
  TONE_TEST = 1,
  TONE_START = 2,
  TONE_KEYCLICK_GOOD = 3,
  TONE_KEYCLICK_BAD = 4,
  TONE_LARGE_FISH = 5,
  TONE_MEDIUM_FISH = 6,
  TONE_SMALL_FISH = 7,
  TONE_GENERAL_ALERT = 8,
  TONE_ALARM_ALERT = 9,
  NUM_STANDARD_TONES = 10,
};

enum TONE_PITCH : U32 {
  PITCH_HIGH = 1,
  PITCH_NORMAL = 2,
  PITCH_LOW = 3,
};

enum TONE_MODE : U32 {
  TONE_MODE_SILENT = 0,
  TONE_MODE_ALARMS_ONLY = 1,
  TONE_MODE_ALL = 2,
};

// CMD_ID_PLAY_TONE, to the mailbox under TTON. A standard id (1..9) plays
// its own burst; any other plays pCustomTone.
typedef struct tag_MSG_PLAY_TONE {
  GENERIC_MESSAGE header;
  U32 u32Priority;  // senders pass 0; not used
  TONE_SEQUENCE StandardToneID;
  const TONE_BURST* pCustomTone;
  BOOLEAN bAlarmTone;  // TRUE for alarm sounds, which "Alarms Only" lets through
} MSG_PLAY_TONE;

// Mails a tone request; FALSE, sending nothing, while TTON is missing.
BOOLEAN U_TONE_bPlayTone(TONE_SEQUENCE eTone, const TONE_BURST* pCustomTone, BOOLEAN bAlarmTone);

// The time in ms a standard tone (1..9), else the burst (0 for none), takes
// the alarm task's reminders: repetitions x (the pulses' sounds and silences
// plus the silence between repetitions), with the pulses and repetitions
// counted as the tone task plays them.
U32 T_TONE_u32CalculateToneLength(TONE_SEQUENCE tone_sequence, const TONE_BURST* ptone_burst);
