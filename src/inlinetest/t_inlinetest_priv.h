// What the in-line test task, its production tests and its screen share:
// the state of the test under way, guarded by RES_INLINETEST where the view
// task reads it.
#pragma once

#include <array>

#include "basetypes.h"
#include "h_inlinetest.h"
#include "linuxsvc.h"
#include "u_keyboard.h"

typedef enum tag_TEST_TYPE : U32 {
  WAITING_FOR_TEST = 0,
  TESTING_KEYPAD = 1,
  TESTING_DISPLAY = 2,
  TESTING_CONTRAST = 3,
  TESTING_BACK_LIGHT = 5,
  TESTING_BUZZER = 6,
  TESTING_SONAR = 7,
  TESTING_SPEED = 8,
  TESTING_TRANSDUCER_WATER_TEMPERATURE = 9,
  TESTING_SPEED_WATER_TEMPERATURE = 10,
  TESTING_BATTERY_VOLTAGE = 12,
  TESTING_NAND_MAP = 13,
  TESTING_NAND_SIM = 14,
  TESTING_EXTERNAL_NMEA = 18,
  TEST_SONAR_TUNING = 21,
  TEST_TRANSDUCER_ID = 22,
  TESTING_FINISHED_PASS = 31,
  TESTING_FINISHED_FAIL = 32,
  TESTING_MFI = 46,
  TESTING_BLUETOOTH = 47,
} TEST_TYPE;

typedef enum tag_TEST_CONTROL { USER_TEST = 1, PC_DRIVEN_TEST = 2 } TEST_CONTROL;

// One beam's limits, also the layout of the stored sonar block.
struct V3_BEAM_DATA {
  S16 s16TransmitFrequency;  // kHz
  S16 s16RecieverNumber;
  S16 s16Bandwidth;
  S16 s16MinSignalLevel;
  S16 s16MaxSignalLevel;
  S16 s16MinDepth;  // feet
  S16 s16MaxDepth;
  S16 s16NoiseFloor;
  S16 as16BeamReserve[6];
};
static_assert(sizeof(V3_BEAM_DATA) == 28);

struct V3_TEST_PARAMETERS {
  U32 u32Version_X10;
  S16 s16MaxSpeed, s16MinSpeed;
  S16 s16MaxTransducerTemp, s16MinTransducerTemp;
  S16 s16MaxPaddleWheelTemp, s16MinPaddleWheelTemp;
  S16 s16MaxVoltage, s16MinVoltage;
  S16 s16SatelliteNo, s16MinCNOvalue, s16MaxCNOvalue;
  U8 u8NumberMMC_Slots;
  U8 u8NumberSonarBeams;
  S16 as16Reserve[6];
  V3_BEAM_DATA aBeamData[8];
};
static_assert(sizeof(V3_TEST_PARAMETERS) == 264);

struct SONAR_DISPLAY_DATA {
  U16 u16Depth;
  BOOLEAN bDepthPass;
  U16 u16Signal;
  BOOLEAN bSignalPass;
  U16 u16Noise;
  BOOLEAN bNoisePass;
};

// A row of the beam table: which beam a test row pings and how the screen
// names it.
struct INLINETEST_BEAM_ROW {
  U32 u32Beam;
  const char* pcFreqString;
  const char* pcSwitchString;
  U8 u8Reciever;
};
constexpr U32 INLINETEST_BEAM_ROWS = 6;
extern const std::array<INLINETEST_BEAM_ROW, INLINETEST_BEAM_ROWS> aBeamOrder;

constexpr U32 INLINETEST_STATUS_SIZE = 200;
// The command buffer: the data in, the reply out.
constexpr U32 INLINETEST_BUFFER_SIZE = 512;
// The longest wait for the NVR task's answer to a request.
constexpr TICKS INLINETEST_NVR_WAIT_MS = 5000;
constexpr U32 INLINETEST_ECHO_SAMPLES = 4096;
constexpr U32 INLINETEST_NOISE_SAMPLES = 50;

struct INLINETEST_STATE {
  char strStartingTest[INLINETEST_STATUS_SIZE];
  TEST_TYPE eCurrentTest;
  INLINETEST_RESULT eTestResult;
  TEST_CONTROL eTestControl;
  BOOLEAN bInInlineTest;
  TIMER_INFO* pUpdateTimer;
  U32 u32PassedTests;
  char strLastKeyAction[INLINETEST_KEY_TEXT_SIZE];
  char strPrevKeyAction[INLINETEST_KEY_TEXT_SIZE];
  TESTING_KEY eCurrentKey;
  S32 s32DisplaySplash;
  S32 s32DisplayColor;
  S32 s32DisplayNextColor;
  S32 s32backlightLevelCount;
  U32 u32DisplayValue;
  // Sonar
  U8 u8CurrentBeam;
  S32 s32BeamTimeoutms;
  S32 s32timeBetweenPingsMs;
  S32 s32TxPower;
  S32 s32TxCycles;
  BOOLEAN bReturnPingResults;
  U32 u32Ticks;
  SONAR_DISPLAY_DATA sonarCurrentDisplayData;
  V3_TEST_PARAMETERS testParams;
  U8 au8RawSonarData[INLINETEST_ECHO_SAMPLES];
  U8 au8RawNoiseData[INLINETEST_NOISE_SAMPLES];
  char acBluetoothTarget[19];
};

INLINETEST_STATE* INLINETEST_psState(void);

// One line to the test PC: the text, then CR LF. Whole lines only, whoever
// sends them.
void T_INLINETEST_vSendString(const char* pcText);

// The production tests ("t"): the data in, the reply in pcBuffer (512).
BOOLEAN T_INLINETEST_bRunTest(char* pcBuffer);
// Key changes and timer expiries for the test under way.
void T_INLINETEST_vHandleKeys(const MSG_KEY_CHANGE* pMessage);
void T_INLINETEST_vHandleTimer(void);

// The test layer's texts, for the screen and the PC.
const char* INLINETEST_pcKeyPrompt(TESTING_KEY eKey);
