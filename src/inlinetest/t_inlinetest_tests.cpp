// The production tests of command "t": the test number, then its fields
// separated by ','. Tests that need the operator or repeated pings go on in
// the key handling and the timer step and send their verdict as a line of
// their own.

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <algorithm>
#include <string>

#include "h_coproc.h"
#include "h_database.h"
#include "h_memory.h"
#include "h_nvram.h"
#include "h_testlinks.h"
#include "s_coproc.h"
#include "s_demultiplex.h"
#include "t_inlinetest.h"
#include "t_inlinetest_priv.h"
#include "t_nvram.h"
#include "u_uart.h"

constexpr U32 INLINETEST_FIELDS = 16;
constexpr U32 INLINETEST_POLL_MS = 10;
constexpr TICKS INLINETEST_LOOPBACK_MS = 250;
constexpr U32 INLINETEST_PASSED_BIT = 0x40000000;
constexpr U8 INLINETEST_BASEBAND_POWER = 236;
constexpr U32 INLINETEST_FIRST_SIGNAL_SAMPLE = 50;
constexpr U8 INLINETEST_MFI_ADDRESS = 0x11;
constexpr U32 INLINETEST_MFI_SELECT_TRIES = 1000;
constexpr U32 INLINETEST_MFI_READ_TRIES = 1000;
constexpr S32 INLINETEST_NO_RSSI = 9999;
constexpr U32 INLINETEST_RSSI_TRIES = 100;
constexpr const char* INLINETEST_HELLO = "Hello World";
static const char s_acLoopback[] = "%TEST PASSED\n";

const std::array<INLINETEST_BEAM_ROW, INLINETEST_BEAM_ROWS> aBeamOrder = {{
    {BEAM_DOWN_1, " KHz ", "Switch #2 ", 0},
    {BEAM_DOWN_0, " KHz ", "Switch #2 ", 0},
    {BEAM_IMAGING_LEFT, " KHz Down ", "Switch #2 ", 1},
    {BEAM_IMAGING_LEFT, " KHz Left ", "Switch #3 ", 1},
    {BEAM_IMAGING_RIGHT, " KHz Right ", "Switch #4 ", 2},
    {BEAM_IMAGING_DOWN, " KHz DI ", "Switch #6 ", 2},
}};

static const char* s_pcI2cDevice = "/dev/i2c-1";
void T_INLINETEST_vSetI2cDevice(const char* pcPath) { s_pcI2cDevice = pcPath; }

static INLINETEST_STATE& S(void) { return *INLINETEST_psState(); }

static void INLINETEST_vEnd(void) { S().eCurrentTest = WAITING_FOR_TEST; }

static void INLINETEST_vStartTimer(U32 u32First, U32 u32Period) {
  L_TIMER_Start(S().pUpdateTimer, u32First, u32Period, SEMA_TIMER_SONAR_TEST);
}

// ---------------------------------------------------------------------------
// Fields

static U32 INLINETEST_u32ScanInts(const char* pcData, S32* as32Fields) {
  U32 u32Count = 0;
  for (const char* p = pcData; u32Count < INLINETEST_FIELDS;) {
    as32Fields[u32Count++] = *p == 'F' ? 1 : (S32)strtol(p, nullptr, 10);
    p = strchr(p, ',');
    if (p == nullptr) break;
    p++;
  }
  for (U32 i = u32Count; i < INLINETEST_FIELDS; i++) as32Fields[i] = 0;
  return u32Count;
}

static U32 INLINETEST_u32ScanStrs(const char* pcData, std::string* asFields) {
  U32 u32Count = 0;
  for (const char* p = pcData; u32Count < INLINETEST_FIELDS;) {
    const char* pEnd = strchr(p, ',');
    asFields[u32Count++] = pEnd != nullptr ? std::string(p, (size_t)(pEnd - p)) : std::string(p);
    if (pEnd == nullptr) break;
    p = pEnd + 1;
  }
  return u32Count;
}

static void INLINETEST_vResultReply(char* pcBuffer, const char* pcText, INLINETEST_RESULT eResult) {
  snprintf(pcBuffer, INLINETEST_BUFFER_SIZE, "%s%s, %d", pcText, eResult == PASS ? "Pass " : "Fail ",
           (S32)S().u32DisplayValue);
}

// ---------------------------------------------------------------------------
// Operator tests

static void T_INLINETEST_vRunKeypadTest(const S32* as32Fields, char* pcBuffer) {
  S().eTestResult = PENDING;
  L_TIMER_Stop(S().pUpdateTimer);
  S().eCurrentKey = TESTING_KEY_VIEW_DOWN;
  const U32 u32Timeout = as32Fields[1] > 0 ? (U32)as32Fields[1] / 10 * 10 : 2000;
  INLINETEST_vStartTimer(u32Timeout == 0 ? 10 : u32Timeout, 0);
  L_SEMA_Signal(SEMA_VIEW_UPDATE);
  pcBuffer[0] = 0;
}

static void T_INLINETEST_vRunDisplayTest(const S32* as32Fields, char* pcBuffer) {
  S().eTestResult = PENDING;
  L_TIMER_Stop(S().pUpdateTimer);
  S().s32DisplayNextColor = 5;
  if (as32Fields[1] == 0) {
    INLINETEST_vStartTimer(500, 500);
    S().s32DisplayColor = -1;
    S().s32DisplaySplash = 0;
  } else if (as32Fields[1] == 1) {
    S().s32DisplaySplash = 1;
    S().s32DisplayColor = -1;
  } else if (as32Fields[1] == 2) {
    S().s32DisplaySplash = 0;
    S().s32DisplayColor =
        ((as32Fields[2] & 0xF8) << 8) + ((as32Fields[3] & 0xFC) << 3) + ((as32Fields[4] & 0xFF) >> 3);
  }
  L_SEMA_Signal(SEMA_VIEW_UPDATE);
  pcBuffer[0] = 0;
}

static void T_INLINETEST_vRunBacklightTest(const S32* as32Fields) {
  S().eTestResult = PENDING;
  L_TIMER_Stop(S().pUpdateTimer);
  S().s32backlightLevelCount = as32Fields[1] != 0 ? 3 : 0;
  INLINETEST_vStartTimer(500, 500);
}

static void T_INLINETEST_vRunBuzzerTest(void) {
  S().eTestResult = PENDING;
  L_TIMER_Stop(S().pUpdateTimer);
  INLINETEST_vStartTimer(500, 500);
}

// ---------------------------------------------------------------------------
// Sonar

// One ping of the beam of the current row into the sample buffers. FALSE,
// with the buffers empty, when the co-processor does not answer.
static BOOLEAN T_INLINETEST_bPingForSonarTestData(void) {
  INLINETEST_STATE& s = S();
  const INLINETEST_BEAM_ROW& row = aBeamOrder[s.u8CurrentBeam];
  const V3_BEAM_DATA& beam = s.testParams.aBeamData[s.u8CurrentBeam];
  memset(s.au8RawSonarData, 0, sizeof s.au8RawSonarData);
  memset(s.au8RawNoiseData, 0, sizeof s.au8RawNoiseData);
  const U8 u8Cycles = (U8)std::clamp<S32>(s.s32TxCycles, 0, 255);
  const TXPOWER ePower = (TXPOWER)std::clamp<S32>(s.s32TxPower, 0, 255);
  MULTI_TX tx;
  if (row.u32Beam > BEAM_DOWN_1) {
    S_COPROC_vBuildSingleBeamSSPing455kHzLR(&tx, (BEAM)row.u32Beam, u8Cycles, ePower, (U16)beam.s16Bandwidth,
                                            INLINETEST_ECHO_SAMPLES, (U16)beam.s16TransmitFrequency, FALSE);
  } else {
    S_COPROC_vBuildTxSequenceForSingleDown(&tx, u8Cycles, ePower, (U16)beam.s16Bandwidth, INLINETEST_ECHO_SAMPLES,
                                           (U16)beam.s16TransmitFrequency, (U8)beam.s16RecieverNumber, FALSE,
                                           INLINETEST_BASEBAND_POWER, (U16)beam.s16TransmitFrequency);
  }
  U8* pu8Block = gpu8NonCachedDataBlock;
  memcpy(pu8Block, tx.au8Bytes, S_COPROC_TX_BYTES);
  if (H_COPROC_s32Transfer(pu8Block, S_COPROC_TX_BYTES, SEND_TO_COPROC) <= 0 ||
      H_COPROC_s32Transfer(pu8Block, S_COPROC_BLOCK_BYTES, RECEIVE_FROM_COPROC) <= 0) {
    log_me("[%d]%s: Failed to communicate with coprocessor", __LINE__, __func__);
    return FALSE;
  }
  TX_SEQUENCE echoed;
  const U8* pu8Samples = nullptr;
  S_DEMULTIPLEX_bExtractTxSequence(pu8Block, &echoed, &pu8Samples);
  S_DEMULTIPLEX_vGetExtractRxData(pu8Samples, (U32)std::clamp<S16>(beam.s16RecieverNumber, 0, 2),
                                  INLINETEST_NOISE_SAMPLES, INLINETEST_ECHO_SAMPLES, s.au8RawNoiseData,
                                  s.au8RawSonarData);
  return TRUE;
}

// The strongest echo sample past the transmit pulse (the first of equal ones).
static U32 INLINETEST_u32PeakIndex(void) {
  const U8* pBegin = S().au8RawSonarData;
  return (U32)(std::max_element(pBegin + INLINETEST_FIRST_SIGNAL_SAMPLE, pBegin + INLINETEST_ECHO_SAMPLES) - pBegin);
}

// Depth in feet of a sample; 32 bits, as deep samples overflow 16.
static U32 INLINETEST_u32DepthFeet(U32 u32Index) {
  return u32Index * S_COPROC_SAMPLE_PERIOD_US / S_SONAR_US_PER_FOOT;
}

static void T_INLINETEST_vCheckSonarTestResults(void) {
  INLINETEST_STATE& s = S();
  SONAR_DISPLAY_DATA& d = s.sonarCurrentDisplayData;
  const V3_BEAM_DATA& beam = s.testParams.aBeamData[s.u8CurrentBeam];
  s.u32Ticks++;
  const U32 u32Peak = INLINETEST_u32PeakIndex();
  const U32 u32Depth = INLINETEST_u32DepthFeet(u32Peak);
  U32 u32NoiseSum = 0;
  for (const U8 u8 : s.au8RawNoiseData) u32NoiseSum += u8;
  L_MUTEX_LockWait(RES_INLINETEST);
  d.u16Signal = s.au8RawSonarData[u32Peak];
  d.u16Depth = (U16)std::min<U32>(u32Depth, 0xFFFF);
  d.u16Noise = (U16)(u32NoiseSum / INLINETEST_NOISE_SAMPLES);
  d.bSignalPass = beam.s16MinSignalLevel <= (S32)d.u16Signal && (S32)d.u16Signal <= beam.s16MaxSignalLevel;
  d.bDepthPass = beam.s16MinDepth <= (S32)u32Depth && (S32)u32Depth <= beam.s16MaxDepth;
  d.bNoisePass = (S32)d.u16Noise <= beam.s16NoiseFloor;
  if (d.bSignalPass && d.bDepthPass && d.bNoisePass) {
    s.eTestResult = PASS;
    s.u32Ticks = 0;
  } else if ((S64)s.s32timeBetweenPingsMs * s.u32Ticks >= s.s32BeamTimeoutms) {
    s.eTestResult = FAIL;
    s.u32Ticks = 0;
  }
  L_MUTEX_Unlock(RES_INLINETEST);
}

static void T_INLINETEST_HandleTestSonarBeam(void) {
  INLINETEST_STATE& s = S();
  if (!T_INLINETEST_bPingForSonarTestData()) {
    if (s.eTestResult == PENDING) {
      s.eTestResult = FAIL;
      T_INLINETEST_vSendString("Sonar Test FAIL--Failed to communicate with coprocessor");
      s.bReturnPingResults = FALSE;
    }
    return;
  }
  if (s.eTestResult == PENDING) {
    T_INLINETEST_vCheckSonarTestResults();
    return;
  }
  if (s.bReturnPingResults) {
    const SONAR_DISPLAY_DATA& d = s.sonarCurrentDisplayData;
    char acLine[80];
    snprintf(acLine, sizeof acLine, "Sonar Test %s,%d,%d,%d", s.eTestResult == FAIL ? "Fail" : "Pass",
             d.u16Signal, d.u16Depth, d.u16Noise);
    s.testParams.u8NumberSonarBeams++;
    T_INLINETEST_vSendString(acLine);
    s.bReturnPingResults = FALSE;
  }
}

// Fields 1-4 of a sonar test: the beam row, refused outside the table (the
// row indexes the beam table and the stored limits), then the frequency,
// receiver and bandwidth of that beam. The reply is "#NAK" for a bad row.
static V3_BEAM_DATA* INLINETEST_pSetBeam(const S32* f, char* pcBuffer) {
  if (f[1] < 0 || f[1] >= (S32)INLINETEST_BEAM_ROWS) {
    snprintf(pcBuffer, INLINETEST_BUFFER_SIZE, "#NAK");
    return nullptr;
  }
  S().u8CurrentBeam = (U8)f[1];
  V3_BEAM_DATA* pBeam = &S().testParams.aBeamData[S().u8CurrentBeam];
  pBeam->s16TransmitFrequency = (S16)f[2];
  pBeam->s16RecieverNumber = (S16)f[3];
  pBeam->s16Bandwidth = (S16)f[4];
  return pBeam;
}

static void T_INLINETEST_vStartSonarTest(const S32* f, char* pcBuffer) {
  INLINETEST_STATE& s = S();
  L_TIMER_Stop(s.pUpdateTimer);
  pcBuffer[0] = 0;
  V3_BEAM_DATA* pBeam = INLINETEST_pSetBeam(f, pcBuffer);
  if (pBeam == nullptr) return;
  V3_BEAM_DATA& beam = *pBeam;
  beam.s16MinSignalLevel = (S16)f[5];
  beam.s16MaxSignalLevel = (S16)f[6];
  beam.s16MinDepth = (S16)f[7];
  beam.s16MaxDepth = (S16)f[8];
  beam.s16NoiseFloor = (S16)f[9];
  s.s32BeamTimeoutms = f[10];
  if (f[11] > 0) {
    s.s32TxPower = f[11];
    if (f[12] > 0) {
      s.s32timeBetweenPingsMs = f[12];
      if (f[13] > 0) s.s32TxCycles = f[13];
    }
  }
  L_MUTEX_LockWait(RES_INLINETEST);
  s.sonarCurrentDisplayData.bDepthPass = s.sonarCurrentDisplayData.bSignalPass =
      s.sonarCurrentDisplayData.bNoisePass = FALSE;
  s.eTestResult = PENDING;
  L_MUTEX_Unlock(RES_INLINETEST);
  s.bReturnPingResults = TRUE;
  s.u32Ticks = 0;
  INLINETEST_vStartTimer(15, s.s32BeamTimeoutms != 0 ? (U32)std::max<S32>(s.s32timeBetweenPingsMs, 1) : 0);
}

static void T_INLINETEST_vRunSonarTuneTest(const S32* f, char* pcBuffer) {
  INLINETEST_STATE& s = S();
  if (INLINETEST_pSetBeam(f, pcBuffer) == nullptr) return;
  s.eTestResult = PENDING;
  if (!T_INLINETEST_bPingForSonarTestData()) {
    snprintf(pcBuffer, INLINETEST_BUFFER_SIZE, "FAIL--Failed to communicate with coprocessor");
    return;
  }
  if (f[6] < 100) {
    snprintf(pcBuffer, INLINETEST_BUFFER_SIZE, "%d", s.au8RawSonarData[INLINETEST_u32PeakIndex()]);
    return;
  }
  const S64 s64Centre = (S64)f[5] * S_SONAR_US_PER_FOOT / S_COPROC_SAMPLE_PERIOD_US;
  std::string reply;
  for (S64 i = s64Centre - 9; i <= s64Centre + 9; i++) {
    if (i < 0 || i >= (S64)INLINETEST_ECHO_SAMPLES) continue;
    const std::string value = std::to_string(s.au8RawSonarData[i]);
    reply += i == s64Centre ? ">> " + value + " << " : value + ", ";
  }
  snprintf(pcBuffer, INLINETEST_BUFFER_SIZE, "%s", reply.c_str());
}

// ---------------------------------------------------------------------------
// Measured values

typedef INLINETEST_RESULT CHECK_FUNCTION(U32* pu32Value, S32 s32Min, S32 s32Max);

// The check once, or again every 10 ms until it passes or the time-out
// (rounded down to 10 ms) has gone by.
static INLINETEST_RESULT INLINETEST_eRepeat(CHECK_FUNCTION* pfnCheck, S32 s32Min, S32 s32Max, S32 s32TimeoutMs) {
  const U64 deadline = L_CLOCK_qwGetTimeInMillis() + (U64)(std::max<S32>(s32TimeoutMs, 0) / 10 * 10);
  for (;;) {
    const INLINETEST_RESULT eResult = pfnCheck(&S().u32DisplayValue, s32Min, s32Max);
    if (eResult == PASS || s32TimeoutMs <= 0 || L_CLOCK_qwGetTimeInMillis() >= deadline) return eResult;
    L_CLOCK_Sleep(INLINETEST_POLL_MS);
  }
}

static INLINETEST_RESULT INLINETEST_eSpeed(U32* p, S32 s32Min, S32 s32Max) {
  return H_INLINETEST_eTestSpeed(p, (S16)s32Min, (S16)s32Max);
}
static INLINETEST_RESULT INLINETEST_eXdcrTemp(U32* p, S32 s32Min, S32 s32Max) {
  return H_INLINETEST_eTestTransducerWaterTemperatue(p, (U16)s32Min, (U16)s32Max);
}
static INLINETEST_RESULT INLINETEST_eSpeedTemp(U32* p, S32 s32Min, S32 s32Max) {
  return H_INLINETEST_eTestSpeedWaterTemperatue(p, (U16)s32Min, (U16)s32Max);
}
static INLINETEST_RESULT INLINETEST_eVoltage(U32* p, S32 s32Min, S32 s32Max) {
  return H_INLINETEST_eBatteryVoltage(p, (S16)s32Max, (S16)s32Min);
}

static void INLINETEST_vSetResult(INLINETEST_RESULT eResult) {
  L_MUTEX_LockWait(RES_INLINETEST);
  S().eTestResult = eResult;
  L_MUTEX_Unlock(RES_INLINETEST);
}

static void T_INLINETEST_vRunPaddleWheelTest(const S32* f, char* pcBuffer) {
  V3_TEST_PARAMETERS& p = S().testParams;
  p.s16MaxSpeed = (S16)f[1];
  p.s16MinSpeed = (S16)f[2];
  INLINETEST_vSetResult(PENDING);
  const INLINETEST_RESULT eResult = INLINETEST_eRepeat(INLINETEST_eSpeed, f[2], f[1], f[3]);
  INLINETEST_vSetResult(eResult);
  if (eResult == PENDING) {
    snprintf(pcBuffer, INLINETEST_BUFFER_SIZE, "Paddle Wheel Test --No speed detected");
    return;
  }
  if (eResult == PASS) INLINETEST_vEnd();
  INLINETEST_vResultReply(pcBuffer, "Paddle Wheel Test ", eResult);
}

static void T_INLINETEST_vRunWaterTempTest(TEST_TYPE eTest, const S32* f, char* pcBuffer) {
  H_COPROC_vReadAdcInputs();
  const BOOLEAN bTransducer = eTest == TESTING_TRANSDUCER_WATER_TEMPERATURE;
  INLINETEST_vSetResult(PENDING);
  const INLINETEST_RESULT eResult =
      INLINETEST_eRepeat(bTransducer ? INLINETEST_eXdcrTemp : INLINETEST_eSpeedTemp, f[2], f[1], f[3]);
  INLINETEST_vSetResult(eResult);
  if (eResult == PENDING) {
    snprintf(pcBuffer, INLINETEST_BUFFER_SIZE, "#NAK");
    return;
  }
  if (eResult == PASS) {
    INLINETEST_vEnd();
    V3_TEST_PARAMETERS& p = S().testParams;
    (bTransducer ? p.s16MaxTransducerTemp : p.s16MaxPaddleWheelTemp) = (S16)f[1];
    (bTransducer ? p.s16MinTransducerTemp : p.s16MinPaddleWheelTemp) = (S16)f[2];
  }
  INLINETEST_vResultReply(pcBuffer, bTransducer ? "Transducer Water Test " : "Speed Water Test ", eResult);
}

static void T_INLINETEST_vRunVoltageTest(const S32* f, char* pcBuffer) {
  H_COPROC_vReadAdcInputs();
  S().testParams.s16MaxVoltage = (S16)f[1];
  S().testParams.s16MinVoltage = (S16)f[2];
  INLINETEST_vSetResult(PENDING);
  const INLINETEST_RESULT eResult = INLINETEST_eRepeat(INLINETEST_eVoltage, f[2], f[1], f[3]);
  // No reading at all counts as a failed supply.
  INLINETEST_vSetResult(eResult == PASS ? PASS : FAIL);
  if (eResult == PASS) INLINETEST_vEnd();
  INLINETEST_vResultReply(pcBuffer, "Battery Test ", eResult == PASS ? PASS : FAIL);
}

static void T_INLINETEST_vRunNandMapTest(TEST_TYPE eTest, const char* pcData, char* pcBuffer) {
  std::string asFields[INLINETEST_FIELDS];
  const U32 u32Count = INLINETEST_u32ScanStrs(pcData, asFields);
  INLINETEST_vSetResult(PENDING);
  const INLINETEST_RESULT eResult = H_INLINETEST_eCheckNand(u32Count > 1 ? asFields[1].c_str() : nullptr,
                                                            u32Count > 2 ? asFields[2].c_str() : nullptr,
                                                            u32Count > 3 && asFields[3] == "1");
  INLINETEST_vSetResult(eResult);
  if (eResult == PASS) INLINETEST_vEnd();
  snprintf(pcBuffer, INLINETEST_BUFFER_SIZE, "%s%s", eTest == TESTING_NAND_MAP ? "NAND Map Test " : "NAND Simulator Test ",
           eResult == PASS ? "Pass " : "Fail ");
}

// ---------------------------------------------------------------------------
// Serial loop-back

static void T_INLINETEST_vRunNmeaTest(char* pcBuffer) {
  INLINETEST_vSetResult(PENDING);
  L_QUEUE_Purge(Q_RECEIVE_UART2);
  U_UART_bTransmitData(2, (const U8*)s_acLoopback, (int)strlen(s_acLoopback));
  char acReceived[15] = {};
  U32 u32Count = 0;
  for (U16 entry; u32Count < 14 && L_QUEUE_GetWaitTicks(Q_RECEIVE_UART2, &entry, INLINETEST_LOOPBACK_MS) == 0;) {
    acReceived[u32Count++] = (char)entry;
    if (entry == '\n') break;
  }
  const INLINETEST_RESULT eResult = memcmp(acReceived, s_acLoopback, 14) == 0 ? PASS : FAIL;
  INLINETEST_vSetResult(eResult);
  if (eResult == PASS) INLINETEST_vEnd();
  // The reply is one line: the line end that came back is not repeated.
  while (u32Count > 0 && (acReceived[u32Count - 1] == '\n' || acReceived[u32Count - 1] == '\r')) {
    acReceived[--u32Count] = 0;
  }
  snprintf(pcBuffer, INLINETEST_BUFFER_SIZE, "External NMEA Test %s%s", eResult == PASS ? "Pass " : "Fail",
           acReceived);
}

// ---------------------------------------------------------------------------
// Closing record

static BOOLEAN U_INLINETEST_bWriteSonarData(SONAR_DATA_BLOCK* pBlock) {
  U32 u32Mbox = 0;
  BOOLEAN bValid = FALSE;
  if (!H_DATABASE_bFetchU32(FCID("TNVR"), &u32Mbox, &bValid, nullptr) || !bValid) return FALSE;
  MSG_WRITE_SONAR_DATA* pMsg = (MSG_WRITE_SONAR_DATA*)H_MEMORY_pvMallocNoWait(sizeof(MSG_WRITE_SONAR_DATA));
  if (pMsg == nullptr) return FALSE;
  memset(pMsg, 0, sizeof *pMsg);
  pMsg->Header.Cmd = CMD_ID_WRITE_SONAR_DATA;
  pMsg->pSonarData = pBlock;
  L_SEMA_SetPending(SEMA_TEST_PARAMS);
  if (L_MBOX_SendWaitTicks((MBOX)u32Mbox, pMsg, 3, SEMA_TEST_PARAMS, INLINETEST_NVR_WAIT_MS) != 0 ||
      !L_MBOX_bIsAcknowledged(pMsg)) {
    return FALSE;  // the NVR task still holds the message
  }
  const BOOLEAN bSuccess = pMsg->bSuccess;
  H_MEMORY_vFree(pMsg);
  return bSuccess;
}

static void T_INLINETEST_vRunTestsFinished(TEST_TYPE eTest, char* pcBuffer) {
  pcBuffer[0] = 0;
  if (S().eTestControl == PC_DRIVEN_TEST) {
    if (eTest == TESTING_FINISHED_PASS) {
      U32 u32Passed = 0;
      H_DATABASE_bFetchU32(FCID("STTP"), &u32Passed, nullptr, nullptr);
      u32Passed |= INLINETEST_PASSED_BIT;
      H_DATABASE_bUpdateEverythingU32(FCID("STTP"), u32Passed, P_TESTMODE, D_UNKNOWN, nullptr, DB_NEVER_STALE);
      S().u32PassedTests = u32Passed;
    }
    L_SEMA_Signal(SEMA_NVRAM_UPDATE);
    static SONAR_DATA_BLOCK s_block;
    memset(&s_block, 0, sizeof s_block);
    memcpy(&s_block, &S().testParams, sizeof S().testParams);
    U_INLINETEST_bWriteSonarData(&s_block);
    snprintf(pcBuffer, INLINETEST_BUFFER_SIZE, "%s", eTest == TESTING_FINISHED_PASS ? "#ACK" : "#NAK");
  }
  S().eCurrentTest = eTest;
}

// ---------------------------------------------------------------------------
// Chip and Bluetooth

static void T_INLINETEST_vRunMFITest(char* pcBuffer) {
  log_me("TESTING_MFI");
  log_me("Opening %s", s_pcI2cDevice);
  INLINETEST_vSetResult(PENDING);
  II2cBus* pBus = H_TESTLINKS_pI2cBus();
  INLINETEST_RESULT eResult = FAIL;
  if (!pBus->bOpen(s_pcI2cDevice)) {
    log_me("can't open %s\r\n", s_pcI2cDevice);
    snprintf(pcBuffer, INLINETEST_BUFFER_SIZE, "Auth Chip--FAIL--cant open i2c bus");
  } else {
    BOOLEAN bSelected = FALSE;
    for (U32 i = 0; i < INLINETEST_MFI_SELECT_TRIES && !(bSelected = pBus->bSelect(INLINETEST_MFI_ADDRESS)); i++) {
      log_me("Select Chip error");
      usleep(500);
    }
    U8 au8Regs[8] = {};
    BOOLEAN bRead = FALSE;
    for (U32 i = 0; bSelected && i < INLINETEST_MFI_READ_TRIES; i++) {
      if ((bRead = pBus->bReadRegisters(INLINETEST_MFI_ADDRESS, 0, au8Regs, sizeof au8Regs))) break;
      usleep(1000);
    }
    pBus->vClose();
    if (!bRead) {
      log_me("Failure");
      snprintf(pcBuffer, INLINETEST_BUFFER_SIZE, "Auth Chip--FAIL--cant read chip");
    } else {
      U32 u32Errors = 0;
      if (au8Regs[0] != 5) u32Errors |= 0x01;
      if (au8Regs[1] != 1) u32Errors |= 0x02;
      if (au8Regs[2] != 2) u32Errors |= 0x04;
      if (au8Regs[3] != 0) u32Errors |= 0x08;
      const U32 u32Word = (U32)au8Regs[4] << 24 | (U32)au8Regs[5] << 16 | (U32)au8Regs[6] << 8 | au8Regs[7];
      if (u32Word != 0x200) u32Errors |= 0x10;
      if (u32Errors == 0) {
        eResult = PASS;
        snprintf(pcBuffer, INLINETEST_BUFFER_SIZE, "Auth Chip--PASS");
      } else {
        log_me("Failure--error 0x%.2x", u32Errors);
        snprintf(pcBuffer, INLINETEST_BUFFER_SIZE, "FAIL--error code 0x%.2x", u32Errors);
      }
    }
  }
  INLINETEST_vSetResult(eResult);
  INLINETEST_vEnd();
}

// The echo check over a connected link: what is written comes back.
static INLINETEST_RESULT INLINETEST_eEcho(int fd) {
  const size_t length = strlen(INLINETEST_HELLO);
  if (write(fd, INLINETEST_HELLO, length) != (ssize_t)length) {
    log_me("Write failed: %s", strerror(errno));
    return FAIL;
  }
  char acRead[15];
  memset(acRead, 'X', sizeof acRead);
  L_CLOCK_Sleep(1000);
  const ssize_t n = read(fd, acRead, length);
  if (n <= 0) {
    log_me("Read failed: %s", strerror(errno));
    return FAIL;
  }
  acRead[n] = 0;
  log_me("we read: %s", acRead);
  return memcmp(acRead, INLINETEST_HELLO, length) == 0 ? PASS : FAIL;
}

static void T_INLINETEST_vRunBluetoothTest(const char* pcData, char* pcBuffer) {
  INLINETEST_STATE& s = S();
  std::string asFields[INLINETEST_FIELDS];
  if (INLINETEST_u32ScanStrs(pcData, asFields) > 1 && !asFields[1].empty()) {
    log_me("dest = %s", s.acBluetoothTarget);
    snprintf(s.acBluetoothTarget, sizeof s.acBluetoothTarget, "%s", asFields[1].substr(0, 18).c_str());
  }
  log_me("dest = %s", s.acBluetoothTarget);
  INLINETEST_vSetResult(PENDING);
  IBtLink* pLink = H_TESTLINKS_pBtLink();
  S32 s32Rssi = INLINETEST_NO_RSSI;
  INLINETEST_RESULT eResult = FAIL;
  log_me("Connecting to %s ...", s.acBluetoothTarget);
  const int fd = pLink->nConnect(s.acBluetoothTarget);
  if (fd < 0) {
    log_me("Error connecting: %s", strerror(errno));
  } else {
    log_me("Connection established, sock = %d", fd);
    BOOLEAN bRssi = TRUE;
    s32Rssi = 0;
    for (U32 i = 0; i < INLINETEST_RSSI_TRIES && s32Rssi >= 0 && bRssi; i++) {
      bRssi = pLink->bReadRssi(s.acBluetoothTarget, &s32Rssi);
    }
    if (!bRssi) {
      s32Rssi = INLINETEST_NO_RSSI;
    } else {
      eResult = INLINETEST_eEcho(fd);
    }
    close(fd);
  }
  INLINETEST_vSetResult(eResult);
  snprintf(pcBuffer, INLINETEST_BUFFER_SIZE, "Bluetooth Test--%sRSSI value: %d", eResult == PASS ? "Pass--" : "Fail--",
           s32Rssi);
  log_me("RSSI value: %d\r\n%s", s32Rssi, pcBuffer);
  INLINETEST_vEnd();
}

// ---------------------------------------------------------------------------
// Command "t"

BOOLEAN T_INLINETEST_bRunTest(char* pcBuffer) {
  const S32 s32Test = (S32)strtol(pcBuffer, nullptr, 10);
  S32 as32Fields[INLINETEST_FIELDS];
  INLINETEST_u32ScanInts(pcBuffer, as32Fields);
  const TEST_TYPE eTest = (TEST_TYPE)s32Test;
  switch (s32Test) {
    case TESTING_KEYPAD: case TESTING_DISPLAY: case TESTING_BACK_LIGHT: case TESTING_BUZZER:
    case TESTING_SONAR: case TESTING_SPEED: case TESTING_TRANSDUCER_WATER_TEMPERATURE:
    case TESTING_SPEED_WATER_TEMPERATURE: case TESTING_BATTERY_VOLTAGE: case TESTING_NAND_MAP:
    case TESTING_NAND_SIM: case TESTING_EXTERNAL_NMEA: case TEST_SONAR_TUNING: case TESTING_FINISHED_PASS:
    case TESTING_FINISHED_FAIL: case TESTING_MFI: case TESTING_BLUETOOTH:
      S().eCurrentTest = eTest;
      break;
    case TESTING_CONTRAST:
      L_SEMA_Signal(SEMA_VIEW_UPDATE);
      pcBuffer[0] = 0;
      return TRUE;
    default:
      return TRUE;  // the data is echoed
  }
  switch (eTest) {
    case TESTING_KEYPAD: T_INLINETEST_vRunKeypadTest(as32Fields, pcBuffer); break;
    case TESTING_DISPLAY: T_INLINETEST_vRunDisplayTest(as32Fields, pcBuffer); break;
    case TESTING_BACK_LIGHT: T_INLINETEST_vRunBacklightTest(as32Fields); break;
    case TESTING_BUZZER: T_INLINETEST_vRunBuzzerTest(); break;
    case TESTING_SONAR: T_INLINETEST_vStartSonarTest(as32Fields, pcBuffer); break;
    case TESTING_SPEED: T_INLINETEST_vRunPaddleWheelTest(as32Fields, pcBuffer); break;
    case TESTING_TRANSDUCER_WATER_TEMPERATURE:
    case TESTING_SPEED_WATER_TEMPERATURE: T_INLINETEST_vRunWaterTempTest(eTest, as32Fields, pcBuffer); break;
    case TESTING_BATTERY_VOLTAGE: T_INLINETEST_vRunVoltageTest(as32Fields, pcBuffer); break;
    case TESTING_NAND_MAP:
    case TESTING_NAND_SIM: {
      const std::string data(pcBuffer);
      T_INLINETEST_vRunNandMapTest(eTest, data.c_str(), pcBuffer);
      break;
    }
    case TESTING_EXTERNAL_NMEA: T_INLINETEST_vRunNmeaTest(pcBuffer); break;
    case TEST_SONAR_TUNING: T_INLINETEST_vRunSonarTuneTest(as32Fields, pcBuffer); break;
    case TESTING_FINISHED_PASS:
    case TESTING_FINISHED_FAIL: T_INLINETEST_vRunTestsFinished(eTest, pcBuffer); break;
    case TESTING_MFI: T_INLINETEST_vRunMFITest(pcBuffer); break;
    case TESTING_BLUETOOTH: {
      const std::string data(pcBuffer);
      T_INLINETEST_vRunBluetoothTest(data.c_str(), pcBuffer);
      break;
    }
    default: break;
  }
  L_SEMA_Signal(SEMA_VIEW_UPDATE);
  return TRUE;
}

// ---------------------------------------------------------------------------
// Keys and timer

static void INLINETEST_vVerdict(const char* pcLine, BOOLEAN bGoodClick) {
  INLINETEST_vEnd();
  T_INLINETEST_vSendString(pcLine);
  L_SEMA_Signal(bGoodClick ? SEMA_KEYCLICK_GOOD : SEMA_KEYCLICK_BAD);
}

// MENU passes, EXIT fails, anything else is refused (presses only).
static void INLINETEST_vMenuOrExit(const MSG_KEY_CHANGE* pMessage, BOOLEAN bMenuAllowed) {
  if (pMessage->state != KEY_DOWN) return;
  if (pMessage->key == HKEY_MASK_MENU && bMenuAllowed) {
    INLINETEST_vVerdict("Pass", TRUE);
  } else if (pMessage->key == HKEY_MASK_EXIT) {
    INLINETEST_vVerdict("Fail", TRUE);
  } else {
    L_SEMA_Signal(SEMA_KEYCLICK_BAD);
  }
}

void T_INLINETEST_vHandleKeys(const MSG_KEY_CHANGE* pMessage) {
  INLINETEST_STATE& s = S();
  switch (s.eCurrentTest) {
    case TESTING_KEYPAD: {
      L_MUTEX_LockWait(RES_INLINETEST);
      H_INLINETEST_vHandleKeypadTest(pMessage, &s.eCurrentKey, s.strLastKeyAction, s.strPrevKeyAction);
      const std::string last(s.strLastKeyAction);
      const BOOLEAN bDone = s.eCurrentKey > TESTING_KEY_CURSOR_WEST_UP;
      if (bDone) {
        s.strLastKeyAction[0] = 0;
        s.strPrevKeyAction[0] = 0;
        s.eCurrentTest = WAITING_FOR_TEST;
      }
      L_MUTEX_Unlock(RES_INLINETEST);
      T_INLINETEST_vSendString(last.c_str());
      if (bDone) T_INLINETEST_vSendString("Pass");
      break;
    }
    case TESTING_DISPLAY:
      if (pMessage->state == KEY_DOWN && (pMessage->key == HKEY_MASK_EXIT ||
                                          (pMessage->key == HKEY_MASK_MENU && s.s32DisplayNextColor > 4))) {
        s.s32DisplayColor = -1;
        s.s32DisplaySplash = 0;
      }
      INLINETEST_vMenuOrExit(pMessage, s.s32DisplayNextColor > 4);
      break;
    case TESTING_BACK_LIGHT: INLINETEST_vMenuOrExit(pMessage, s.s32backlightLevelCount <= 0); break;
    case TESTING_BUZZER:
    case TEST_SONAR_TUNING: INLINETEST_vMenuOrExit(pMessage, TRUE); break;
    default:
      if (pMessage->key == HKEY_MASK_MENU && pMessage->state == KEY_DOWN) L_SEMA_Signal(SEMA_KEYCLICK_BAD);
      break;
  }
  L_SEMA_Signal(SEMA_VIEW_UPDATE);
}

void T_INLINETEST_vHandleTimer(void) {
  INLINETEST_STATE& s = S();
  switch (s.eCurrentTest) {
    case TESTING_KEYPAD: T_INLINETEST_vSendString("Fail--Timeout occured"); break;
    case TESTING_DISPLAY: s.s32DisplayNextColor++; break;
    case TESTING_BACK_LIGHT:
      H_INLINETEST_eTestBackLight();
      s.s32backlightLevelCount--;
      break;
    case TESTING_BUZZER: L_SEMA_Signal(SEMA_FISH_ALARM_LARGE); break;
    case TESTING_SONAR: T_INLINETEST_HandleTestSonarBeam(); break;
    default: break;
  }
}
