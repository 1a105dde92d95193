// The in-line test task: waits for a production-line PC on channel 2, takes
// the unit over (its own screen, every key, the sonar and chart tasks
// stopped) and answers its "#" commands.

#include "t_inlinetest.h"

#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <mutex>
#include <string>

#include "dd_devpath.h"
#include "error.h"
#include "h_coproc.h"
#include "h_database.h"
#include "h_dbtable.h"
#include "h_memory.h"
#include "h_nvram.h"
#include "h_shutdown.h"
#include "layer_id.h"
#include "t_inlinetest_priv.h"
#include "t_nav_twr.h"
#include "t_nav_nvram_flash.h"
#include "t_nvram.h"
#include "t_startup.h"
#include "u_keyboard.h"
#include "u_shutdown.h"
#include "u_uart.h"
#include "u_view.h"
#include "u_wstring.h"
#include "version.h"

typedef BOOLEAN TEST_FUNCTION(char* pcBuffer);

typedef struct tag_INLINETEST_COMMAND {
  TEST_FUNCTION* pFunction;
  U8 u8FunctionCode;
  BOOLEAN bHasData;
} INLINETEST_COMMAND;

typedef enum tag_INLINETEST_RX_STATE {
  RX_WAIT_PREFIX = 1,
  RX_WAIT_COMMAND = 2,
  RX_WAIT_DATA = 3,
  RX_WAIT_CR = 4,
  RX_DISCARD_LINE = 5,  // data too long for the buffer, dropped to its line end
} INLINETEST_RX_STATE;

constexpr U8 INLINETEST_CHANNEL = 2;
constexpr U32 INLINETEST_KEY_MASK = 0xFFFE;  // every key but POWER
constexpr PRIORITY INLINETEST_MAIL_PRIORITY = 3;
constexpr U32 INLINETEST_COPROC_POLL_MS = 100;
constexpr U32 INLINETEST_COPROC_WAIT_MS = 10000;
constexpr U32 INLINETEST_HISTORY_WAIT_MS = 5000;
constexpr TICKS INLINETEST_SHUTDOWN_WAIT_MS = 1000;
constexpr U32 INLINETEST_RX_SLOT = 5;
constexpr const char* INLINETEST_WAITING = "Waiting for Test Command";
constexpr const char* INLINETEST_MAP_LIST = "/usr/velmora/charts/maps.md5";
constexpr const char* INLINETEST_GPU_PATH = "/sys/devices/platform/sgx";
constexpr const char* INLINETEST_BOOT_FLASH = "/dev/mtd1";

static INLINETEST_STATE s_state;
static SEMA s_wait_list[7] = {SEMA_MBOX_INLINETEST, SEMA_TEST_CONNECT, SEMA_USER_TEST, SEMA_TIMER_SONAR_TEST,
                              SEMA_QUEUE_RQXBCAST_RX, 0, 0};
static BOOLEAN s_bFactoryMode;

INLINETEST_STATE* INLINETEST_psState(void) { return &s_state; }

// ---------------------------------------------------------------------------
// Output: one writer per line, whichever task sends it.

static void INLINETEST_vChannelOutput(const U8* pu8Bytes, U32 u32Count) {
  U_UART_bTransmitData(INLINETEST_CHANNEL, pu8Bytes, (int)u32Count);
}
static INLINETEST_OUTPUT_FUNCTION* s_pfnOutput = INLINETEST_vChannelOutput;
static std::mutex s_lineLock;

void T_INLINETEST_vSetOutputSink(INLINETEST_OUTPUT_FUNCTION* pfnOutput) {
  s_pfnOutput = pfnOutput != nullptr ? pfnOutput : INLINETEST_vChannelOutput;
}

void T_INLINETEST_vSendString(const char* pcText) {
  std::string line(pcText);
  line += "\r\n";
  const std::lock_guard<std::mutex> hold(s_lineLock);
  s_pfnOutput((const U8*)line.data(), (U32)line.size());
}

static void T_INLINETEST_vSendAck(void) { T_INLINETEST_vSendString("#ACK"); }

void T_INLINETEST_vSetFactoryMode(BOOLEAN bOn) { s_bFactoryMode = bOn; }

static void INLINETEST_vSetStatus(const char* pcText) {
  L_MUTEX_LockWait(RES_INLINETEST);
  snprintf(s_state.strStartingTest, sizeof s_state.strStartingTest, "%s", pcText);
  L_MUTEX_Unlock(RES_INLINETEST);
}

static FOURCHARID INLINETEST_fcidKey(const char* pcData) {
  return (FOURCHARID)(U8)pcData[0] | (FOURCHARID)(U8)pcData[1] << 8 | (FOURCHARID)(U8)pcData[2] << 16 |
         (FOURCHARID)(U8)pcData[3] << 24;
}

// ---------------------------------------------------------------------------
// Handlers: the data in, the reply out, both in the 512-byte buffer.

static void INLINETEST_vReply(char* pcBuffer, const char* pcText) {
  snprintf(pcBuffer, INLINETEST_BUFFER_SIZE, "%s", pcText);
}

static BOOLEAN T_INLINETEST_bWriteDatabaseItem(char* pcBuffer) {
  if (strnlen(pcBuffer, 6) < 6) {
    INLINETEST_vReply(pcBuffer, "#NAK");
    return TRUE;
  }
  const FOURCHARID id = INLINETEST_fcidKey(pcBuffer);
  // The number is taken in the key's own type (a float key as a float), and
  // only a key the unit has and a value it allows are written.
  DB_DATA_TYPE value = {};
  const DB_CHECK eCheck = H_DBTABLE_bWordOfNumber(id, (S32)strtol(pcBuffer + 5, nullptr, 10), &value.u32Val)
                              ? H_DBTABLE_eCheck(id, value.u32Val)
                              : DBC_NO_KEY;
  if (eCheck != DBC_TAKEN) {
    log_me("[%d]%s: %.4s refused: %s", __LINE__, __func__, (const char*)&id, H_DBTABLE_pcCheckText(eCheck));
    INLINETEST_vReply(pcBuffer, "#NAK");
    return TRUE;
  }
  H_DATABASE_bUpdateValue(id, value, P_TESTMODE);
  DB_DATA_TYPE held = {};
  if (H_DATABASE_bFetch(id, &held, nullptr, nullptr) && held.u32Val == value.u32Val) {
    L_SEMA_Signal(SEMA_NVRAM_UPDATE);
    INLINETEST_vReply(pcBuffer, "#ACK");
  } else {
    INLINETEST_vReply(pcBuffer, "#NAK");
  }
  return TRUE;
}

// A float key answers its value as the nearest whole number, as it is
// written.
static BOOLEAN T_INLINETEST_bReadDatabaseItem(char* pcBuffer) {
  DB_DATA_TYPE value = {};
  if (strnlen(pcBuffer, 4) < 4) {
    INLINETEST_vReply(pcBuffer, "#NAK");
    return TRUE;
  }
  const FOURCHARID id = INLINETEST_fcidKey(pcBuffer);
  const DB_TABLE_ROW* pRow = H_DBTABLE_pRow(id);
  if (pRow == nullptr || !H_DATABASE_bFetch(id, &value, nullptr, nullptr)) {
    INLINETEST_vReply(pcBuffer, "#NAK");
    return TRUE;
  }
  S32 s32Shown = value.s32Val;
  if (pRow->eType == DBT_FLOAT) {
    const float f = isfinite(value.fVal) ? value.fVal : 0.0f;
    s32Shown = f >= 2.0e9f ? INT32_MAX : f <= -2.0e9f ? INT32_MIN : (S32)lroundf(f);
  }
  snprintf(pcBuffer, INLINETEST_BUFFER_SIZE, "%d", (int)s32Shown);
  return TRUE;
}

static BOOLEAN T_INLINETEST_bClearUserInfo(char* pcBuffer) {
  U32 u32Mbox = 0;
  BOOLEAN bValid = FALSE;
  if (H_DATABASE_bFetchU32(FCID("TNVR"), &u32Mbox, &bValid, nullptr) && bValid) {
    static PERSONALIZATION_DATA_BLOCK s_block;
    memset(&s_block, 0, sizeof s_block);
    MSG_WRITE_PERSONALIZED* pMsg = (MSG_WRITE_PERSONALIZED*)H_MEMORY_pvMallocNoWait(sizeof(MSG_WRITE_PERSONALIZED));
    if (pMsg != nullptr) {
      memset(pMsg, 0, sizeof *pMsg);
      pMsg->Header.Cmd = CMD_ID_WRITE_PERSONALIZED;
      pMsg->pPersonData = &s_block;
      // An answer that never comes leaves the message with the NVR task.
      if (L_MBOX_SendWaitTicks((MBOX)u32Mbox, pMsg, INLINETEST_MAIL_PRIORITY, SEMA_TEST_CONNECT,
                               INLINETEST_NVR_WAIT_MS) == 0 &&
          L_MBOX_bIsAcknowledged(pMsg)) {
        H_MEMORY_vFree(pMsg);
      }
    }
  }
  T_NAV_vDeleteAllTracksWaypointsRoutes(TRUE);
  INLINETEST_vReply(pcBuffer, "#ACK");
  return TRUE;
}

static void INLINETEST_vAppVersion(char* pcBuffer) {
  snprintf(pcBuffer, INLINETEST_BUFFER_SIZE, "app version %s", VERSION_pversion_infoGetCurrentVersion()->version);
}

// The boot loader's "U-Boot 2..." line with its build date, from the flash
// that holds it; empty when there is none.
static void INLINETEST_vBootVersion(char* pcBuffer) {
  pcBuffer[0] = 0;
  FILE* pFile = DD_DEVPATH_pfOpen(INLINETEST_BOOT_FLASH, "rb");
  if (pFile == nullptr) return;
  std::string run;
  for (int c; (c = fgetc(pFile)) != EOF;) {
    if (c >= 0x20 && c < 0x7F) {
      run += (char)c;
      continue;
    }
    if (run.find("U-Boot 2") != std::string::npos && run.find('(') != std::string::npos) {
      snprintf(pcBuffer, 61, "%s", run.c_str());
      break;
    }
    run.clear();
  }
  fclose(pFile);
}

static BOOLEAN T_INLINETEST_bReturnSoftwareVersion(char* pcBuffer) {
  if (pcBuffer[0] <= ' ' || pcBuffer[0] > '~') {
    INLINETEST_vAppVersion(pcBuffer);
    return TRUE;
  }
  const char* pcSelector = pcBuffer + 1;
  if (strcmp(pcSelector, "app") == 0) {
    INLINETEST_vAppVersion(pcBuffer);
  } else if (strcmp(pcSelector, "spi") == 0 || strcmp(pcSelector, "fs") == 0) {
    if (!s_bFactoryMode) {
      INLINETEST_vReply(pcBuffer, "#NAK");
    } else if (pcSelector[0] == 's') {
      INLINETEST_vBootVersion(pcBuffer);
    } else {
      struct utsname name;
      if (uname(&name) == 0) snprintf(pcBuffer, INLINETEST_BUFFER_SIZE, "root_fs version %s\n", name.version);
    }
  }
  return TRUE;
}

static BOOLEAN T_INLINETEST_bResetGps(char* pcBuffer) {
  INLINETEST_vReply(pcBuffer, "GPS Reset");
  return TRUE;
}

static BOOLEAN T_INLINETEST_bHandleScratchNVR(char* pcBuffer) {
  pcBuffer[0] = 0;
  if (!s_state.bInInlineTest) return TRUE;
  s_state.eCurrentTest = WAITING_FOR_TEST;
  INLINETEST_vSetStatus("Erasing NVR");
  L_CLOCK_Sleep(10);
  static const FOURCHARID s_keep[] = {FCID("TTST"), FCID("TVUE"), FCID("TDSP"), 0};
  U_SHUTDOWN_vShutdown(s_keep);
  H_NVRAM_bScratchNVR(NVRAM_SCRATCH_CODE1, NVRAM_SCRATCH_CODE2);
  T_NAV_NVRAM_vErase();
  T_NAV_NVRAM_vInit();
  H_NVRAM_vFlashWriteBack();
  INLINETEST_vSetStatus("NVR Erased");
  L_SEMA_Signal(SEMA_VIEW_UPDATE);
  return TRUE;
}

static BOOLEAN T_INLINETEST_bStopPing(char* pcBuffer) {
  L_TIMER_Stop(s_state.pUpdateTimer);
  pcBuffer[0] = 0;
  return TRUE;
}

[[noreturn]] static BOOLEAN T_INLINETEST_bExitTest(char* pcBuffer) {
  pcBuffer[0] = 0;
  T_INLINETEST_vSendAck();
  U_UART_bWaitTransmitDone(INLINETEST_CHANNEL, 500);
  H_SHUTDOWN_vShutdown();
}

static BOOLEAN T_INLINETEST_bDisplayMsg(char* pcBuffer) {
  char acStatus[INLINETEST_STATUS_SIZE];
  snprintf(acStatus, sizeof acStatus, "%s", pcBuffer[0] != 0 ? pcBuffer : INLINETEST_WAITING);
  INLINETEST_vSetStatus(acStatus);
  return TRUE;
}

static BOOLEAN T_INLINETEST_bChecksumMaps(char* pcBuffer) {
  if (!s_bFactoryMode) {
    INLINETEST_vReply(pcBuffer, "#NAK");
    return TRUE;
  }
  char acPath[300];
  const char* pcList = DD_DEVPATH_pcResolve(INLINETEST_MAP_LIST, acPath, sizeof acPath);
  if (pcList != nullptr) H_INLINETEST_bVerifyMapChecksums(pcList);
  pcBuffer[0] = 0;
  return TRUE;
}

static BOOLEAN T_INLINETEST_bLinuxCommand(char* pcBuffer) {
  if (!s_bFactoryMode) {
    INLINETEST_vReply(pcBuffer, "#NAK");
    return TRUE;
  }
  printf("Trying system command %s\n", pcBuffer);
  fflush(stdout);
  if (system(pcBuffer) == 0) {
    INLINETEST_vReply(pcBuffer, "Command Completed Successfully!");
  } else {
    perror("syscmd failed!");
    INLINETEST_vReply(pcBuffer, "Error in system command!");
  }
  return TRUE;
}

static BOOLEAN T_INLINETEST_bLinuxGPUCheck(char* pcBuffer) {
  char acPath[300];
  const char* pcPath = DD_DEVPATH_pcResolve(INLINETEST_GPU_PATH, acPath, sizeof acPath);
  struct stat st;
  INLINETEST_vReply(pcBuffer, pcPath != nullptr && stat(pcPath, &st) == 0 ? "GPU present" : "No GPU");
  return TRUE;
}

static BOOLEAN T_INLINETEST_bCustomScreen(char* pcBuffer) {
  (void)pcBuffer;
  return TRUE;
}

static const INLINETEST_COMMAND s_tLookupCommand[] = {
    {T_INLINETEST_bWriteDatabaseItem, 'w', TRUE},    {T_INLINETEST_bReadDatabaseItem, 'r', TRUE},
    {T_INLINETEST_bClearUserInfo, 'c', FALSE},       {T_INLINETEST_bReturnSoftwareVersion, 'v', TRUE},
    {T_INLINETEST_bResetGps, 'g', FALSE},            {T_INLINETEST_bHandleScratchNVR, 'e', FALSE},
    {T_INLINETEST_bStopPing, 'S', FALSE},            {T_INLINETEST_bExitTest, 'x', FALSE},
    {T_INLINETEST_bDisplayMsg, 'd', TRUE},           {T_INLINETEST_bRunTest, 't', TRUE},
    {T_INLINETEST_bChecksumMaps, 'm', FALSE},        {T_INLINETEST_bLinuxCommand, 'l', TRUE},
    {T_INLINETEST_bLinuxGPUCheck, 'p', FALSE},       {T_INLINETEST_bCustomScreen, 'i', TRUE},
    {T_INLINETEST_bCustomScreen, 'f', TRUE},
};
constexpr U8 INLINETEST_COMMANDS = sizeof s_tLookupCommand / sizeof s_tLookupCommand[0];

static U8 T_INLINETEST_u8FetchCommand(U8 u8Letter) {
  U8 u8Index = 0;
  while (u8Index < INLINETEST_COMMANDS && s_tLookupCommand[u8Index].u8FunctionCode != u8Letter) u8Index++;
  return u8Index;
}

// ---------------------------------------------------------------------------
// Receiver

static INLINETEST_RX_STATE s_eRxState = RX_WAIT_PREFIX;
static char s_acCommand[INLINETEST_BUFFER_SIZE];
static U32 s_u32Length;
static U8 s_u8Command;

void T_INLINETEST_vResetReceiver(void) {
  s_eRxState = RX_WAIT_PREFIX;
  s_u32Length = 0;
  s_acCommand[0] = 0;
}

static BOOLEAN INLINETEST_bIsLineEnd(U8 u8Byte) { return u8Byte == '\r' || u8Byte == '\n'; }

static BOOLEAN T_INLINETEST_bProcessCommand(void) {
  T_INLINETEST_vSendString("Command received--processing");
  s_state.s32DisplaySplash = 0;
  s_state.s32DisplayColor = -1;
  const BOOLEAN bResult = s_tLookupCommand[s_u8Command].pFunction(s_acCommand);
  s_acCommand[INLINETEST_BUFFER_SIZE - 1] = 0;
  T_INLINETEST_vSendString(s_acCommand);
  T_INLINETEST_vResetReceiver();
  return bResult;
}

BOOLEAN T_INLINETEST_bReceiveByte(U8 u8Byte) {
  switch (s_eRxState) {
    case RX_WAIT_PREFIX:
      if (u8Byte == '#') T_INLINETEST_vResetReceiver(), s_eRxState = RX_WAIT_COMMAND;
      break;
    case RX_WAIT_COMMAND:
      s_u8Command = T_INLINETEST_u8FetchCommand(u8Byte);
      if (s_u8Command == INLINETEST_COMMANDS) {
        s_eRxState = RX_WAIT_PREFIX;
      } else {
        s_eRxState = s_tLookupCommand[s_u8Command].bHasData ? RX_WAIT_DATA : RX_WAIT_CR;
      }
      break;
    case RX_WAIT_DATA:
      if (INLINETEST_bIsLineEnd(u8Byte)) return T_INLINETEST_bProcessCommand();
      if (s_u32Length == INLINETEST_BUFFER_SIZE - 1) {
        s_eRxState = RX_DISCARD_LINE;
      } else {
        s_acCommand[s_u32Length++] = (char)u8Byte;
        s_acCommand[s_u32Length] = 0;
      }
      break;
    case RX_DISCARD_LINE:
      // Nothing inside a line too long to hold runs, not even after a '#'.
      if (INLINETEST_bIsLineEnd(u8Byte)) {
        T_INLINETEST_vSendString("#NAK");
        T_INLINETEST_vResetReceiver();
      }
      break;
    case RX_WAIT_CR:
      if (INLINETEST_bIsLineEnd(u8Byte)) return T_INLINETEST_bProcessCommand();
      break;
  }
  return TRUE;
}

static void T_INLINETEST_vHandleRX(void) {
  BOOLEAN bStay = TRUE;
  U16 entry;
  while (L_QUEUE_Get(Q_RECEIVE_UART2, &entry) == 0) bStay = T_INLINETEST_bReceiveByte((U8)entry);
  if (!bStay) {
    H_DATABASE_bUpdateValueU32(FCID("CCST"), STATE_POINT_OF_SALE, P_TESTMODE);
    s_wait_list[INLINETEST_RX_SLOT] = 0;
  }
}

// ---------------------------------------------------------------------------
// Connect sequence

static void T_INLINETEST_vInitDisplay(void) {
  if (U_WSTRING_bIsUnicodeLanguage()) {
    H_DATABASE_bUpdateValueU32(FCID("SLNG"), 0, P_TESTMODE);
    MULTI_FETCH_CONTROL_STRUCTURE walk = {};
    walk.cMatch = 'T';
    while (H_DATABASE_bFetchNextBeginningWith(&walk)) {
      if (walk.extras.DataType != D_MAILBOX || walk.data.u32Val == M_KEYB || walk.data.u32Val == 0) continue;
      GENERIC_MESSAGE* pMsg = (GENERIC_MESSAGE*)H_MEMORY_pvMallocNoWait(sizeof(GENERIC_MESSAGE));
      if (pMsg == nullptr) break;
      pMsg->Cmd = CMD_ID_RESET_POS;
      if (L_MBOX_Send((MBOX)walk.data.u32Val, pMsg, INLINETEST_MAIL_PRIORITY, 0) != 0) H_MEMORY_vFree(pMsg);
    }
  }
  if (!U_VIEW_bRegisterLayer(T_INLINETEST_vDrawTestLayer, IN_LINE_TEST_LAYER, (LAYER_ID)0, 0, 0, TRUE, nullptr,
                             nullptr, nullptr)) {
    ERROR_vFatal(__FILE_NAME__, __LINE__, "Unable to register IN_LINE_TEST_LAYER");
  }
  H_DATABASE_bUpdateValueS32(FCID("CVEW"), IN_LINE_TEST_LAYER, P_TESTMODE);
  L_SEMA_Signal(SEMA_CLEAR_ALARMS);
}

// Each conflicting task gets a message of its own: a block that timed out may
// still sit in its mailbox, and is left to it.
static void INLINETEST_vShutdownTask(MBOX mbox) {
  GENERIC_MESSAGE* pMsg = (GENERIC_MESSAGE*)H_MEMORY_pvMallocNoWait(sizeof(GENERIC_MESSAGE));
  if (pMsg == nullptr) return;
  pMsg->Cmd = CMD_ID_SHUTDOWN;
  L_SEMA_SetPending(SEMA_SONAR_SHUTDOWN);
  if (L_MBOX_Send(mbox, pMsg, INLINETEST_MAIL_PRIORITY, SEMA_SONAR_SHUTDOWN) != 0) {
    H_MEMORY_vFree(pMsg);
    return;
  }
  const U64 deadline = L_CLOCK_qwGetTimeInMillis() + INLINETEST_SHUTDOWN_WAIT_MS;
  while (!L_MBOX_bIsAcknowledged(pMsg)) {
    const U64 now = L_CLOCK_qwGetTimeInMillis();
    if (now >= deadline) {
      log_me("[%d]%s: mailbox %d did not answer its shutdown", __LINE__, __func__, (int)mbox);
      return;
    }
    L_SEMA_WaitTicks(SEMA_SONAR_SHUTDOWN, (TICKS)(deadline - now));
  }
  H_MEMORY_vFree(pMsg);
}

static BOOLEAN INLINETEST_bWaitFor(BOOLEAN (*pfnReady)(void), U32 u32PollMs, U32 u32LimitMs) {
  for (U32 waited = 0;; waited += u32PollMs) {
    if (pfnReady()) return TRUE;
    if (waited >= u32LimitMs) return FALSE;
    L_CLOCK_Sleep(u32PollMs);
  }
}

static BOOLEAN INLINETEST_bHistoryPublished(void) {
  return H_DATABASE_bFetch(FCID("TSMG"), nullptr, nullptr, nullptr);
}

static void T_INLINETEST_vShutDownConflictingTasks(void) {
  T_INLINETEST_vSendString("Shutting down Tasks");
  if (!INLINETEST_bWaitFor(INLINETEST_bHistoryPublished, 1, INLINETEST_HISTORY_WAIT_MS)) {
    T_INLINETEST_vSendString("FAIL--Timeout waiting for the history task");
  }
  for (const MBOX mbox : {M_PING, M_PROCESS, M_HISTORY}) INLINETEST_vShutdownTask(mbox);
  static const MUTEX s_aLocks[] = {RES_FS_FOP, RES_NAND_HDWR, RES_MMC_HDWR, RES_CHART_IMAGES, RES_DATABASE};
  for (const MUTEX m : s_aLocks) L_MUTEX_LockWait(m);
  L_TASK_Terminate(CHARTTASK);
  for (int i = (int)(sizeof s_aLocks / sizeof s_aLocks[0]) - 1; i >= 0; i--) L_MUTEX_Unlock(s_aLocks[i]);
  T_INLINETEST_vSendString("All Conflicting tasks shut down");
}

static void T_INLINETEST_vInitPCTest(void) {
  const U64 start = L_CLOCK_qwGetTimeInMillis();
  s_state.bInInlineTest = TRUE;
  T_INLINETEST_vSendAck();
  H_DATABASE_bUpdateValueU32(FCID("CCST"), STATE_INLINE_TEST, P_TESTMODE);
  T_INLINETEST_vSendString("Waiting for Coprocessor");
  if (INLINETEST_bWaitFor(H_COPROC_bCoprocessorReady, INLINETEST_COPROC_POLL_MS, INLINETEST_COPROC_WAIT_MS)) {
    T_INLINETEST_vSendString("Coprocessor Ready");
  } else {
    T_INLINETEST_vSendString("FAIL--Timeout waiting for Coprocessor");
  }
  U_KEYBOARD_bRegisterKeys(M_INLINETEST, INLINETEST_KEY_MASK, KEY_CHANGE, FALSE, FALSE, CURSOR_4,
                           REGISTER_DIAGNOSTIC);
  U_KEYBOARD_bRegisterKeys(M_INLINETEST, HKEY_MASK_POWER, KEY_CHANGE, FALSE, FALSE, NOT_CURSOR_KEY,
                           REGISTER_DIAGNOSTIC);
  T_INLINETEST_vInitDisplay();
  T_INLINETEST_vShutDownConflictingTasks();
  L_TASK_SetPriority(UARTTASK, 1);
  s_state.eTestControl = PC_DRIVEN_TEST;
  U_UART_bRegisterForChannel(INLINETEST_CHANNEL, 0, UART_CLAIM_TAKE_OVER);
  L_SEMA_Signal(SEMA_VIEW_UPDATE);
  s_wait_list[INLINETEST_RX_SLOT] = SEMA_QUEUE_RX2;
  char acReady[80];
  snprintf(acReady, sizeof acReady, "Unit Ready for Test--%f seconds",
           (double)(L_CLOCK_qwGetTimeInMillis() - start) * 0.001);
  T_INLINETEST_vSendString(acReady);
}

// ---------------------------------------------------------------------------
// The task

void T_INLINETEST_vInitState(void) {
  TIMER_INFO* pTimer = s_state.pUpdateTimer;  // one timer for the task's life
  if (pTimer != nullptr) L_TIMER_Stop(pTimer);
  memset(&s_state, 0, sizeof s_state);
  s_state.pUpdateTimer = pTimer;
  snprintf(s_state.strStartingTest, sizeof s_state.strStartingTest, "%s", INLINETEST_WAITING);
  s_state.eTestResult = PENDING;
  s_state.s32DisplayColor = -1;
  s_state.s32DisplayNextColor = 5;
  s_state.s32timeBetweenPingsMs = 500;
  s_state.s32TxPower = 3;
  s_state.s32TxCycles = 40;
  // The stored block tells its layout by this version; 0 would read as an
  // older layout.
  s_state.testParams.u32Version_X10 = 30;
  snprintf(s_state.acBluetoothTarget, sizeof s_state.acBluetoothTarget, "%s", "00:11:22:33:44:55");
  if (s_state.pUpdateTimer == nullptr) s_state.pUpdateTimer = L_TIMER_Allocate();
  DB_DATA_TYPE passed = {};
  DB_ATTRIBUTES attributes = {D_UNKNOWN, nullptr, DB_NEVER_STALE};
  H_DATABASE_vReadOrSetDefault(FCID("STTP"), &passed, P_TESTMODE, &attributes);
  s_state.u32PassedTests = passed.u32Val;
  T_INLINETEST_vResetReceiver();
}

static void T_INLINETEST_vHandleMail(void) {
  while (void* pMessage = L_MBOX_Receive(M_INLINETEST)) {
    if (((GENERIC_MESSAGE*)pMessage)->Cmd == CMD_ID_KEY_CHANGE) T_INLINETEST_vHandleKeys((MSG_KEY_CHANGE*)pMessage);
    H_MEMORY_vDumpMail(pMessage);
  }
}

void T_INLINETEST_vMain(void) {
  log_me("[%d]%s: LWP ID %ld", __LINE__, __func__, (long)gettid());
  if (H_DATABASE_bUpdateEverythingU32(FCID("TTST"), M_INLINETEST, P_NORMAL, D_MAILBOX, nullptr, DB_NEVER_STALE)) {
    ERROR_vFatal(__FILE_NAME__, __LINE__, "Somebody else registered the Inline Test Task Maibox");
  }
  const char* pcFactory = getenv("VELMORA_FACTORY_MODE");
  s_bFactoryMode = pcFactory != nullptr && strcmp(pcFactory, "1") == 0;
  T_INLINETEST_vInitState();
  U_UART_bRegisterForChannel(INLINETEST_CHANNEL, '?', SEMA_TEST_CONNECT);
  if (s_state.pUpdateTimer == nullptr) ERROR_vFatal(__FILE_NAME__, __LINE__, "NO TIMERS");
  for (;;) {
    const S32 event = L_SEMA_WaitMultiple(s_wait_list);
    if (event == SEMA_MBOX_INLINETEST) T_INLINETEST_vHandleMail();
    if (event == SEMA_TEST_CONNECT && !s_state.bInInlineTest) T_INLINETEST_vInitPCTest();
    if (event == SEMA_QUEUE_RX2) T_INLINETEST_vHandleRX();
    if (event == SEMA_TIMER_SONAR_TEST) {
      T_INLINETEST_vHandleTimer();
      L_SEMA_Signal(SEMA_VIEW_UPDATE);
    }
  }
}
