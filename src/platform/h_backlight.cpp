#include "h_backlight.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "dd_devpath.h"
#include "h_database.h"
#include "h_dbtable.h"
#include "linuxsvc.h"

static const char* const BRIGHTNESS_DIGITAL = "/sys/class/backlight/pwm-backlight/brightness";
static const char* const BACKLIGHT_PWM_RUN = "/sys/class/pwm/ehrpwm.2:0/run";
static const char* const REVISION_BITS = "/sys/module/board_am335x_Halcyra/parameters/system_id";

static const FOURCHARID SBAK = FCID("SBAK");

typedef struct tag_BACKLIGHT_LEVEL {
  DISPLAY_BACKLIGHT level;
  int brightness;
} BACKLIGHT_LEVEL;

static const BACKLIGHT_LEVEL s_nBacklightLevels[11] = {
    {DISPLAY_BACKLIGHT_OFF, 1}, {DISPLAY_BACKLIGHT_1, 2},      {DISPLAY_BACKLIGHT_2, 4},
    {DISPLAY_BACKLIGHT_LOW, 10}, {DISPLAY_BACKLIGHT_4, 25},    {DISPLAY_BACKLIGHT_5, 50},
    {DISPLAY_BACKLIGHT_MEDIUM, 75}, {DISPLAY_BACKLIGHT_7, 113}, {DISPLAY_BACKLIGHT_8, 150},
    {DISPLAY_BACKLIGHT_HIGH, 200}, {DISPLAY_BACKLIGHT_MAX, 250},
};

// The setting's display name. A stand-in until the text catalogue, whose
// table of the same name replaces this one at link time.
#define BACKLIGHT_TEXT_27(t) t, t, t, t, t, t, t, t, t, t, t, t, t, t, t, t, t, t, t, t, t, t
extern const char* const Light[27];
__attribute__((weak)) extern const char* const Light[27] = {
    BACKLIGHT_TEXT_27("Light"),
    "\0L\0i\0g\0h\0t\0", "\0L\0i\0g\0h\0t\0", "\0L\0i\0g\0h\0t\0", "\0L\0i\0g\0h\0t\0", "\0L\0i\0g\0h\0t\0",
};

static int s_nRevisionBits = 0;
static DISPLAY_BACKLIGHT s_BacklightLevelSaved = DISPLAY_BACKLIGHT_DEFAULT;

// The value in one write over the old one, then the file cut to it: the
// board's attribute takes a write whole, and a rig's plain file never shows
// a reader the empty file that truncating first would, nor keeps it when the
// process ends in between.
static void BACKLIGHT_vWriteText(const char* pcPath, const char* pcText) {
  const int fd = DD_DEVPATH_nOpen(pcPath, O_WRONLY);
  if (fd < 0) return;
  const size_t length = strlen(pcText);
  if (write(fd, pcText, length) == (ssize_t)length) (void)!ftruncate(fd, (off_t)length);
  close(fd);
}

void H_BACKLIGHT_vChangeIntensity(DISPLAY_BACKLIGHT intensityIndex) {
  if ((U32)intensityIndex > DISPLAY_BACKLIGHT_MAX) return;
  char text[16];
  snprintf(text, sizeof text, "%d", s_nBacklightLevels[intensityIndex].brightness);
  BACKLIGHT_vWriteText(BRIGHTNESS_DIGITAL, text);
}

void H_BACKLIGHT_vEnableDisableBacklight(BOOLEAN bOn) { BACKLIGHT_vWriteText(BACKLIGHT_PWM_RUN, bOn == 1 ? "1" : "0"); }

static void BACKLIGHT_vReadRevision(void) {
  s_nRevisionBits = 0;
  FILE* f = DD_DEVPATH_pfOpen(REVISION_BITS, "r");
  if (f != nullptr) {
    char text[5] = {};
    size_t n = fread(text, 1, 4, f);
    text[n] = '\0';
    s_nRevisionBits = (int)strtol(text, nullptr, 10);
    fclose(f);
  }
  log_me("[%d]%s: revision bits 0x%x (%s:%d)", __LINE__, __func__, (unsigned)s_nRevisionBits, __FILE_NAME__, __LINE__);
}

void H_BACKLIGHT_vSetup(MBOX mailbox) {
  BACKLIGHT_vReadRevision();
  const DISPLAY_BACKLIGHT fallback = (DISPLAY_BACKLIGHT)H_DBTABLE_s32Default(SBAK);

  DB_DATA_TYPE value;
  value.s32Val = fallback;
  DB_ATTRIBUTES attributes = {D_SIGNED32, Light, DB_NEVER_STALE};
  H_DATABASE_vReadOrSetDefault(SBAK, &value, P_DEFAULT_SETTING, &attributes);
  H_DATABASE_bRegisterForDataWithConditions(SBAK, mailbox, TRUE, TRUE, FALSE);

  S32 level = 0;
  BOOLEAN bValid = FALSE;
  if (H_DATABASE_bFetchS32(SBAK, &level, &bValid, nullptr) && bValid) {
    // The unit never starts darker than level 5; a stored level beyond the
    // table is taken as the brightest.
    if (level < DISPLAY_BACKLIGHT_5) level = DISPLAY_BACKLIGHT_5;
    if (level > DISPLAY_BACKLIGHT_MAX) level = DISPLAY_BACKLIGHT_MAX;
    H_BACKLIGHT_vChangeIntensity((DISPLAY_BACKLIGHT)level);
    H_DATABASE_bUpdateValueS32(SBAK, level, P_NORMAL);
  } else {
    H_BACKLIGHT_vChangeIntensity(fallback);
  }
}

BOOLEAN H_BACKLIGHT_bChange(S32 s32Amount) {
  S32 level = 0;
  BOOLEAN bValid = FALSE;
  if (!H_DATABASE_bFetchS32(SBAK, &level, &bValid, nullptr) || !bValid || s32Amount == 0) return FALSE;
  if (s32Amount < 0) {
    if (level <= DISPLAY_BACKLIGHT_OFF) return FALSE;
    level = level + s32Amount < DISPLAY_BACKLIGHT_OFF ? DISPLAY_BACKLIGHT_OFF : level + s32Amount;
  } else {
    if (level >= DISPLAY_BACKLIGHT_MAX) return FALSE;
    level = level + s32Amount > DISPLAY_BACKLIGHT_MAX ? DISPLAY_BACKLIGHT_MAX : level + s32Amount;
  }
  H_DATABASE_bUpdateValueS32(SBAK, level, P_NORMAL);
  return TRUE;
}

void H_BACKLIGHT_vSave(void) {
  S32 level = 0;
  BOOLEAN bValid = FALSE;
  if (H_DATABASE_bFetchS32(SBAK, &level, &bValid, nullptr) && bValid) s_BacklightLevelSaved = (DISPLAY_BACKLIGHT)level;
}

void H_BACKLIGHT_vRestore(void) { H_DATABASE_bUpdateValueS32(SBAK, s_BacklightLevelSaved, P_NORMAL); }

void H_BACKLIGHT_vProcessRevisionBits(U32) {}
