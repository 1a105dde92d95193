// The backlight: an 11-step level (setting SBAK) written as a brightness to
// the board's backlight file, and the PWM run switch.
#pragma once

#include "basetypes.h"

// The values of SBAK.
typedef enum tag_DISPLAY_BACKLIGHT {
  DISPLAY_BACKLIGHT_OFF = 0,
  DISPLAY_BACKLIGHT_1 = 1,
  DISPLAY_BACKLIGHT_2 = 2,
  DISPLAY_BACKLIGHT_LOW = 3,
  DISPLAY_BACKLIGHT_4 = 4,
  DISPLAY_BACKLIGHT_5 = 5,
  DISPLAY_BACKLIGHT_MEDIUM = 6,
  DISPLAY_BACKLIGHT_7 = 7,
  DISPLAY_BACKLIGHT_8 = 8,
  DISPLAY_BACKLIGHT_HIGH = 9,
  DISPLAY_BACKLIGHT_MAX = 10,
  DISPLAY_BACKLIGHT_DEFAULT = 10,
} DISPLAY_BACKLIGHT;

// Once, after the stored settings are loaded: reads the board revision,
// registers SBAK (default 10, 7 in ice mode) with mailbox subscribed, and
// lights the panel at the stored level, never darker than 5.
void H_BACKLIGHT_vSetup(MBOX mailbox);
// Levels above 10 are ignored; a missing file is ignored.
void H_BACKLIGHT_vChangeIntensity(DISPLAY_BACKLIGHT intensityIndex);
void H_BACKLIGHT_vEnableDisableBacklight(BOOLEAN bOn);
// Steps SBAK by s32Amount within 0..10; FALSE when SBAK is missing or
// invalid, the amount is 0, or the level is already at the end it steps to.
BOOLEAN H_BACKLIGHT_bChange(S32 s32Amount);
void H_BACKLIGHT_vSave(void);
void H_BACKLIGHT_vRestore(void);
// The revision bits mean nothing on this board.
void H_BACKLIGHT_vProcessRevisionBits(U32 RevisionBits);
