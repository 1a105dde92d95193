// The in-line test's measuring routines: each reads one value, judges it
// against the limits the test PC gave and says PASS, FAIL or PENDING (no
// valid measurement). Also the backlight steps, the keypad sequence, file
// presence and the map checksum list.
#pragma once

#include "basetypes.h"
#include "u_keyboard.h"

typedef enum tag_TEST_RESULT {
  PENDING = 1,
  PASS = 2,
  FAIL = 3,
} INLINETEST_RESULT;

// The keypad sequence: a press and a release step per key.
typedef enum tag_TESTING_KEY {
  TESTING_KEY_VIEW_DOWN = 0,
  TESTING_KEY_VIEW_UP = 1,
  TESTING_KEY_MENU_DOWN = 2,
  TESTING_KEY_MENU_UP = 3,
  TESTING_KEY_EXIT_DOWN = 4,
  TESTING_KEY_EXIT_UP = 5,
  TESTING_KEY_POWER_DOWN = 6,
  TESTING_KEY_POWER_UP = 7,
  TESTING_KEY_CURSOR_NORTH_DOWN = 8,
  TESTING_KEY_CURSOR_NORTH_UP = 9,
  TESTING_KEY_CURSOR_SOUTH_DOWN = 10,
  TESTING_KEY_CURSOR_SOUTH_UP = 11,
  TESTING_KEY_CURSOR_EAST_DOWN = 12,
  TESTING_KEY_CURSOR_EAST_UP = 13,
  TESTING_KEY_CURSOR_WEST_DOWN = 14,
  TESTING_KEY_CURSOR_WEST_UP = 15,
  TESTING_KEY_DONE = 16,
} TESTING_KEY;

constexpr U32 INLINETEST_KEY_TEXT_SIZE = 200;

INLINETEST_RESULT H_INLINETEST_eTestSpeedWaterTemperatue(U32* p_u32DisplayValue, U16 u16MinValue, U16 u16MaxValue);
INLINETEST_RESULT H_INLINETEST_eTestTransducerWaterTemperatue(U32* p_u32DisplayValue, U16 u16MinValue, U16 u16MaxValue);
INLINETEST_RESULT H_INLINETEST_eTestSpeed(U32* p_u32DisplayValue, S16 s16MinValue, S16 s16MaxValue);
INLINETEST_RESULT H_INLINETEST_eBatteryVoltage(U32* p_u32DisplayValue, S16 s16MaxVal, S16 s16MinVal);
INLINETEST_RESULT H_INLINETEST_eAccessoryPort(U32* p_u32DisplayValue);
// The next of the backlight levels 3, 6, 10 into SBAK.
void H_INLINETEST_eTestBackLight(void);
// PASS when both files open, or one does and both are not required.
INLINETEST_RESULT H_INLINETEST_eCheckNand(const char* pFile1, const char* pFile2, BOOLEAN bRequireBoth);
// TRUE when SNMV says the maps were verified, or "md5sum -c" of the list
// passes now (and SNMV is then set).
BOOLEAN H_INLINETEST_bVerifyMapChecksums(const char* md5Name);
// One key change into the sequence; the texts are INLINETEST_KEY_TEXT_SIZE.
void H_INLINETEST_vHandleKeypadTest(const MSG_KEY_CHANGE* pMessage, TESTING_KEY* p_eCurrentKey,
                                    char* s_strLastKeyAction, char* s_strPrevKeyAction);
