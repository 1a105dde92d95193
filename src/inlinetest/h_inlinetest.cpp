#include "h_inlinetest.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <array>

#include "h_database.h"
#include "h_keyboard.h"
#include "linuxsvc.h"

// ---------------------------------------------------------------------------
// Limit checks

// The measurement as shown: rounded to the nearest whole number, never below 0.
static U32 H_INLINETEST_u32Shown(float fValue) {
  const float fRounded = fValue + 0.5f;
  return fRounded <= 0.0f ? 0u : (U32)fRounded;
}

static INLINETEST_RESULT H_INLINETEST_eJudge(float fValue, float fMin, float fMax) {
  if (fValue < fMin) return FAIL;
  return fValue <= fMax ? PASS : FAIL;
}

// A float item, or FALSE when absent (or stale when bNeedValid).
static BOOLEAN H_INLINETEST_bMeasure(FOURCHARID key, BOOLEAN bNeedValid, float* pfValue) {
  BOOLEAN bValid = FALSE;
  if (!H_DATABASE_bFetchFloat(key, pfValue, &bValid, nullptr)) return FALSE;
  return bValid || !bNeedValid;
}

// Temperatures and speed: the float judged against the limits. A stale
// reading is no measurement for any of them: an old value passed now
// would pass a unit whose sensor has gone quiet.
static INLINETEST_RESULT H_INLINETEST_eLimitCheck(FOURCHARID key, U32* p_u32DisplayValue, float fMin, float fMax) {
  float fValue = 0.0f;
  if (!H_INLINETEST_bMeasure(key, TRUE, &fValue)) return PENDING;
  *p_u32DisplayValue = H_INLINETEST_u32Shown(fValue);
  return H_INLINETEST_eJudge(fValue, fMin, fMax);
}

INLINETEST_RESULT H_INLINETEST_eTestSpeedWaterTemperatue(U32* p_u32DisplayValue, U16 u16MinValue, U16 u16MaxValue) {
  return H_INLINETEST_eLimitCheck(FCID("ITMS"), p_u32DisplayValue, u16MinValue, u16MaxValue);
}

INLINETEST_RESULT H_INLINETEST_eTestTransducerWaterTemperatue(U32* p_u32DisplayValue, U16 u16MinValue, U16 u16MaxValue) {
  return H_INLINETEST_eLimitCheck(FCID("ITMT"), p_u32DisplayValue, u16MinValue, u16MaxValue);
}

INLINETEST_RESULT H_INLINETEST_eTestSpeed(U32* p_u32DisplayValue, S16 s16MinValue, S16 s16MaxValue) {
  return H_INLINETEST_eLimitCheck(FCID("ISTW"), p_u32DisplayValue, s16MinValue, s16MaxValue);
}

// Judged on the rounded value, as the display shows it.
INLINETEST_RESULT H_INLINETEST_eBatteryVoltage(U32* p_u32DisplayValue, S16 s16MaxVal, S16 s16MinVal) {
  float fValue = 0.0f;
  if (!H_INLINETEST_bMeasure(FCID("IVLT"), TRUE, &fValue)) return PENDING;
  const U32 u32Shown = H_INLINETEST_u32Shown(fValue);
  *p_u32DisplayValue = u32Shown;
  if (u32Shown < (U32)s16MinVal || u32Shown > (U32)s16MaxVal) return FAIL;
  return PASS;
}

INLINETEST_RESULT H_INLINETEST_eAccessoryPort(U32* p_u32DisplayValue) {
  (void)p_u32DisplayValue;
  U32 u32Value = 0;
  BOOLEAN bValid = FALSE;
  if (!H_DATABASE_bFetchU32(FCID("AC01"), &u32Value, &bValid, nullptr) || !bValid) return PENDING;
  return u32Value != 0 ? PASS : FAIL;
}

// ---------------------------------------------------------------------------
// Backlight, files, maps

static constexpr std::array<S32, 3> s_as32BacklightLevels = {3, 6, 10};
static U32 s_u32BacklightStep;

void H_INLINETEST_eTestBackLight(void) {
  H_DATABASE_bUpdateValueS32(FCID("SBAK"), s_as32BacklightLevels[s_u32BacklightStep], P_TESTMODE);
  s_u32BacklightStep = (s_u32BacklightStep + 1) % s_as32BacklightLevels.size();
  L_SEMA_Signal(SEMA_VIEW_UPDATE);
}

static BOOLEAN H_INLINETEST_bFilePresent(const char* pcPath) {
  if (pcPath == nullptr) return FALSE;
  FILE* pFile = fopen(pcPath, "r");
  if (pFile == nullptr) return FALSE;
  fclose(pFile);
  return TRUE;
}

INLINETEST_RESULT H_INLINETEST_eCheckNand(const char* pFile1, const char* pFile2, BOOLEAN bRequireBoth) {
  const BOOLEAN b1 = H_INLINETEST_bFilePresent(pFile1);
  const BOOLEAN b2 = H_INLINETEST_bFilePresent(pFile2);
  if (b1 && b2) return PASS;
  return (!bRequireBoth && (b1 || b2)) ? PASS : FAIL;
}

BOOLEAN H_INLINETEST_bVerifyMapChecksums(const char* md5Name) {
  U32 u32Verified = 0;
  if (H_DATABASE_bFetchU32(FCID("SNMV"), &u32Verified, nullptr, nullptr) && u32Verified != 0) return TRUE;
  // The list names its files relative to itself, so md5sum runs beside it.
  char acCommand[600];
  if (md5Name == nullptr || strchr(md5Name, '\'') != nullptr ||
      snprintf(acCommand, sizeof acCommand, "md5sum -c '%s' > /dev/null 2>&1", md5Name) >= (int)sizeof acCommand) {
    return FALSE;
  }
  if (system(acCommand) != 0) return FALSE;
  H_DATABASE_bUpdateEverythingU32(FCID("SNMV"), TRUE, P_TESTMODE, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  L_SEMA_Signal(SEMA_NVRAM_UPDATE);
  return TRUE;
}

// ---------------------------------------------------------------------------
// Keypad sequence

// The keys in sequence order: pair p of the sequence is steps 2p and 2p+1.
typedef enum tag_PAD_KEY {
  PAD_VIEW = 0,
  PAD_MENU = 1,
  PAD_EXIT = 2,
  PAD_POWER = 3,
  PAD_NORTH = 4,
  PAD_SOUTH = 5,
  PAD_EAST = 6,
  PAD_WEST = 7,
  PAD_CURSOR_UP = 8,
  PAD_DIAGONAL = 9,
  PAD_OTHER = 10,
} PAD_KEY;

static PAD_KEY H_INLINETEST_ePadKey(const MSG_KEY_CHANGE* pMessage, const char** ppcName) {
  *ppcName = "";
  switch (pMessage->key) {
    case HKEY_MASK_POWER: *ppcName = "Power Key--"; return PAD_POWER;
    case HKEY_MASK_VIEW: *ppcName = "View Key--"; return PAD_VIEW;
    case HKEY_MASK_MENU: *ppcName = "Menu Key--"; return PAD_MENU;
    case HKEY_MASK_EXIT: *ppcName = "Exit Key--"; return PAD_EXIT;
    case HKEY_MASK_CURSOR: break;
    default: return PAD_OTHER;
  }
  switch (pMessage->cursor) {
    case CURSOR_NORTH: *ppcName = "Cursor North Key--"; return PAD_NORTH;
    case CURSOR_EAST: *ppcName = "Cursor East Key--"; return PAD_EAST;
    case CURSOR_SOUTH: *ppcName = "Cursor South Key--"; return PAD_SOUTH;
    case CURSOR_WEST: *ppcName = "Cursor West Key--"; return PAD_WEST;
    case CURSOR_UP: *ppcName = "Cursor Key--"; return PAD_CURSOR_UP;
    default: return PAD_DIAGONAL;
  }
}

static void H_INLINETEST_vAppend(char* pcText, const char* pcMore) {
  const size_t used = strnlen(pcText, INLINETEST_KEY_TEXT_SIZE - 1);
  snprintf(pcText + used, INLINETEST_KEY_TEXT_SIZE - used, "%s", pcMore);
}

void H_INLINETEST_vHandleKeypadTest(const MSG_KEY_CHANGE* pMessage, TESTING_KEY* p_eCurrentKey,
                                    char* s_strLastKeyAction, char* s_strPrevKeyAction) {
  if (s_strLastKeyAction[0] != 0) {
    snprintf(s_strPrevKeyAction, INLINETEST_KEY_TEXT_SIZE, "%s", s_strLastKeyAction);
    s_strLastKeyAction[0] = 0;
  }
  const char* pcName = "";
  const PAD_KEY eKey = H_INLINETEST_ePadKey(pMessage, &pcName);
  if (eKey == PAD_DIAGONAL) return;
  H_INLINETEST_vAppend(s_strLastKeyAction, pcName);

  const U32 u32Step = (U32)*p_eCurrentKey;
  const U32 u32Pair = u32Step / 2;
  const U32 u32PressStep = u32Pair * 2;
  const BOOLEAN bPressStep = (u32Step % 2) == 0;
  const BOOLEAN bDown = pMessage->state == KEY_DOWN;
  if (eKey == PAD_OTHER) {
    L_SEMA_Signal(SEMA_KEYCLICK_BAD);
  } else if (eKey == PAD_CURSOR_UP) {
    if (!bPressStep && u32Pair >= PAD_NORTH && u32Pair <= PAD_WEST) *p_eCurrentKey = (TESTING_KEY)(u32Step + 1);
  } else if ((U32)eKey == u32Pair && bPressStep) {
    if (bDown) {
      *p_eCurrentKey = (TESTING_KEY)(u32Step + 1);
      L_SEMA_Signal(SEMA_KEYCLICK_GOOD);
    }
  } else if ((U32)eKey == u32Pair && eKey <= PAD_POWER) {
    if (pMessage->state == KEY_UP) *p_eCurrentKey = (TESTING_KEY)(u32Step + 1);
  } else if (eKey <= PAD_POWER) {
    *p_eCurrentKey = (TESTING_KEY)u32PressStep;
    if (bDown) L_SEMA_Signal(SEMA_KEYCLICK_BAD);
  } else {
    *p_eCurrentKey = (TESTING_KEY)u32PressStep;
    L_SEMA_Signal(SEMA_KEYCLICK_BAD);
  }
  if (pMessage->state == KEY_DOWN) H_INLINETEST_vAppend(s_strLastKeyAction, "Pressed");
  if (pMessage->state == KEY_UP) H_INLINETEST_vAppend(s_strLastKeyAction, "Released");
}
