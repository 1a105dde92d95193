// The NMEA task keeps one record per position, heading or AIS source, watches
// each through a state machine on a 500 ms tick (scan, identify, set up,
// online, warm start when it falls silent), and answers the requests of
// other tasks: receiver resets, heading-sensor commands, the remote's
// dongle. Its sentences are read in t_nmea_input.cpp.

#include "t_nmea.h"

#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include "error.h"
#include "h_memory.h"
#include "msg_bluetooth_remote.h"
#include "t_nmea_internal.h"
#include "t_startup.h"
#include "t_uart.h"
#include "u_language.h"
#include "u_datetime.h"
#include "u_menu.h"
#include "u_uart.h"
#include "ui_texts.h"

NMEA_TASK_STATE g_NMEA;

// ---------------------------------------------------------------------------
// Ports

typedef struct tag_NMEA_PORT_INITIALIZATION_DATA {
  GPS_SOURCE_ID eSourceID;
  NMEA_PORT_TYPE ePortType;
  U8 u8PortNumber;    // UART channel
  int nBaudRate;
  QUEUE RxDataQueue;  // 0: none
  QUEUE TxDataQueue;
  SEMA semaRx;
  U32 GPSWritePriority;
  FOURCHARID fcidGPSStatus;
} NMEA_PORT_INITIALIZATION_DATA;

static const NMEA_PORT_INITIALIZATION_DATA s_aInitializationData[] = {
    {ID_NMEA2K_GPS, NMEA_PORT_TYPE_NMEA2K, 0, 0, 0, 0, 0, 11, 0},
    {ID_EXTERNAL_GPS, NMEA_PORT_TYPE_SERIAL, 2, 38400, Q_RECEIVE_UART2, Q_TRANSMIT_UART2, SEMA_QUEUE_RX2, 6,
     FCID("GPSE")},
    {ID_NETWORK_GPS, NMEA_PORT_TYPE_NETWORK, 0, 0, 0, 0, 0, 4, 0},
    {ID_GATEWAY_ATTACHED_GPS, NMEA_PORT_TYPE_GATEWAY, 0, 0, 0, 0, 0, 5, FCID("GPSG")},
    {ID_REMOTE_EXTERNAL_GPS, NMEA_PORT_TYPE_GATEWAY, 0, 0, 0, 0, 0, 8, FCID("GPSX")},
    {ID_REMOTE_INTERNAL_GPS, NMEA_PORT_TYPE_GATEWAY, 0, 0, 0, 0, 0, 9, FCID("GPSR")},
    // Channel 3 does not exist: AIS arrives with the GPS on channel 2.
    {ID_EXTERNAL_AIS, NMEA_PORT_TYPE_SERIAL, 3, 4800, Q_RECEIVE_UART3, 0, SEMA_QUEUE_RX3, 0, 0},
};

static NMEA_PORT_INFO* s_NMEAPortInfo[PORT_INDEX_COUNT];
static PORT_SCAN_STATUS s_aPortStatusArray[UART_CHANNELS];
static PORT_SCAN_STATUS s_sNoChannel;  // what a channel above 2 reads and writes

static PORT_INDEX NMEA_ePortIndex(U32 u32Source) {
  switch (u32Source) {
    case ID_NETWORK_GPS: return PORT_INDEX_NETWORK_GPS;
    case ID_GATEWAY_ATTACHED_GPS: return PORT_INDEX_GATEWAY_GPS;
    case ID_EXTERNAL_GPS: return PORT_INDEX_EXTERNAL_GPS;
    case ID_INTERNAL_GPS: return PORT_INDEX_INTERNAL_GPS;
    case ID_REMOTE_EXTERNAL_GPS: return PORT_INDEX_REMOTE_EXTERNAL_GPS;
    case ID_REMOTE_INTERNAL_GPS: return PORT_INDEX_REMOTE_INTERNAL_GPS;
    case ID_EXTERNAL_AIS: return PORT_INDEX_EXTERNAL_AIS;
    case ID_EXTERNAL_AIS2: return PORT_INDEX_EXTERNAL_AIS2;
    default: return PORT_INDEX_INVALID;
  }
}

NMEA_PORT_INFO* T_NMEA_pPortInfo(PORT_INDEX eIndex) {
  return eIndex >= 0 && eIndex < PORT_INDEX_COUNT ? s_NMEAPortInfo[eIndex] : nullptr;
}

PORT_SCAN_STATUS* T_NMEA_pPortScanStatus(U8 u8Channel) {
  return u8Channel < UART_CHANNELS ? &s_aPortStatusArray[u8Channel] : &s_sNoChannel;
}

static NMEA_PORT_INFO* NMEA_pExternal(void) { return s_NMEAPortInfo[PORT_INDEX_EXTERNAL_GPS]; }

NMEA_PORT_INFO* T_NMEA_pInitPortInfo(GPS_SOURCE_ID eSourceID) {
  const PORT_INDEX slot = NMEA_ePortIndex(eSourceID);
  const NMEA_PORT_INITIALIZATION_DATA* row = nullptr;
  for (const NMEA_PORT_INITIALIZATION_DATA& r : s_aInitializationData) {
    if (r.eSourceID == eSourceID) row = &r;
  }
  if (row == nullptr || slot == PORT_INDEX_INVALID) return nullptr;
  NMEA_PORT_INFO* p = s_NMEAPortInfo[slot];
  if (p == nullptr) p = s_NMEAPortInfo[slot] = (NMEA_PORT_INFO*)H_MEMORY_pvCalloc(1, sizeof *p);
  NMEA_SERIAL_INFO* serial = p->pSerialInfo;
  RX_PARSE_INFO* parse = p->pRxParseInfo;
  H_MEMORY_vFree(p->pnSatsInUse);
  memset(p, 0, sizeof *p);
  p->eState = NMEA_STATE_OFFLINE;
  p->eGPSType = GPS_TYPE_DISCONNECTED;
  p->eSentenceRate = NMEA_SENTENCE_RATE_UNKNOWN;
  BOOLEAN bCalculate = FALSE;
  H_DATABASE_bFetchBoolean(FCID("SCCG"), &bCalculate, nullptr, nullptr);
  p->bCalculateCOG = bCalculate;
  p->ePortType = row->ePortType;
  p->eSourceID = row->eSourceID;
  p->GPSWritePriority = row->GPSWritePriority;
  p->fcidGPSStatus = row->fcidGPSStatus;
  if (row->ePortType == NMEA_PORT_TYPE_SERIAL) {
    if (serial == nullptr) serial = (NMEA_SERIAL_INFO*)H_MEMORY_pvCalloc(1, sizeof *serial);
    if (parse == nullptr) parse = (RX_PARSE_INFO*)H_MEMORY_pvCalloc(1, sizeof *parse);
    memset(serial, 0, sizeof *serial);
    memset(parse, 0, sizeof *parse);
    serial->u8Port = row->u8PortNumber;
    serial->nBaudRate = serial->nNewBaudRate = row->nBaudRate;
    serial->RxDataQueue = row->RxDataQueue;
    serial->TxDataQueue = row->TxDataQueue;
    serial->semaRx = row->semaRx;
    parse->eReceiveState = WAITING_DOLLAR;
    *T_NMEA_pPortScanStatus(row->u8PortNumber) = PORT_SCAN_STATUS{};
    p->pSerialInfo = serial;
    p->pRxParseInfo = parse;
  }
  return p;
}

// ---------------------------------------------------------------------------
// Sentences out

U8 T_NMEA_u8Checksum(const char* pcSentence) {
  U8 sum = 0;
  const char* c = (*pcSentence == '$' || *pcSentence == '!') ? pcSentence + 1 : pcSentence;
  for (; *c != '\0' && *c != '*'; c++) sum ^= (U8)*c;
  return sum;
}

U8 T_NMEA_u8SendSentence(const NMEA_PORT_INFO* pPort, const char* pcSentence) {
  const U8 sum = T_NMEA_u8Checksum(pcSentence);
  char text[NMEA_SENTENCE_SIZE + 8];
  const char* star = strchr(pcSentence, '*');
  int length = star != nullptr ? (int)(star - pcSentence) : (int)strlen(pcSentence);
  int n = snprintf(text, sizeof text, "%.*s*%02X\r\n", length, pcSentence, sum);
  if (pPort != nullptr && pPort->pSerialInfo != nullptr && n > 0 && n < (int)sizeof text) {
    U_UART_bTransmitData(pPort->pSerialInfo->u8Port, (const U8*)text, n);
  }
  return sum;
}

static void NMEA_vSendValue(const NMEA_PORT_INFO* pPort, const char* pcFormat, S32 value) {
  char text[40];
  snprintf(text, sizeof text, pcFormat, value);
  T_NMEA_u8SendSentence(pPort, text);
}

// ---------------------------------------------------------------------------
// Settings and menus

static const MENU_TEXT s_aTalkerTexts[] = {Talker_IN, Talker_GP};

static void NMEA_vDefault(FOURCHARID id, U32 value, U32 u32Priority, DATA_TYPE type, const char* const* ppcName) {
  DB_DATA_TYPE data;
  data.u32Val = value;
  DB_ATTRIBUTES extra = {type, ppcName, DB_NEVER_STALE};
  if (u32Priority == P_NORMAL) {
    H_DATABASE_bUpdateEverything(id, data, u32Priority, type, ppcName, DB_NEVER_STALE);
  } else {
    H_DATABASE_vReadOrSetDefault(id, &data, u32Priority, &extra);
  }
}

static void T_NMEA_vSetDefaultSettings(BOOLEAN bForceFactoryDefaults) {
  const U32 prio = bForceFactoryDefaults ? P_NORMAL : P_DEFAULT_SETTING;
  NMEA_vDefault(FCID("SNOE"), FALSE, prio, D_UNKNOWN, nullptr);
  NMEA_vDefault(FCID("SNGE"), TRUE, prio, D_UNKNOWN, nullptr);
  NMEA_vDefault(FCID("SNNE"), TRUE, prio, D_UNKNOWN, nullptr);
  NMEA_vDefault(FCID("SNTP"), 0, prio, D_UNKNOWN, nullptr);
  NMEA_vDefault(FCID("SVGD"), FALSE, prio, D_UNKNOWN, GPS_Diagnostic_View);
  NMEA_vDefault(FCID("SGPP"), ID_AUTO_SELECT, prio, D_UNKNOWN, nullptr);
  NMEA_vDefault(FCID("SLBL"), TRUE, prio, D_UNKNOWN, nullptr);
  NMEA_vDefault(FCID("SAIS"), FALSE, prio, D_UNKNOWN, nullptr);
  NMEA_vDefault(FCID("STCL"), 300, prio, D_TIME, nullptr);
  NMEA_vDefault(FCID("SCHO"), 0, prio, D_SIGNED32, nullptr);
  NMEA_vDefault(FCID("SNHL"), FALSE, prio, D_UNKNOWN, nullptr);
  NMEA_vDefault(FCID("GPSC"), 6, prio, D_UNKNOWN, nullptr);
  NMEA_vDefault(FCID("SGSC"), FALSE, prio, D_UNKNOWN, nullptr);
  g_NMEA.bAlreadyDisconnected = TRUE;
  g_NMEA.bCompassIdentified = FALSE;
  g_NMEA.bCompassMenusOn = FALSE;
  U32 value = 0;
  H_DATABASE_bFetchU32(FCID("SNTP"), &value, nullptr, nullptr);
  g_NMEA.eNmeaTalkerId = value;
  BOOLEAN bOut = FALSE;
  H_DATABASE_bFetchBoolean(FCID("SNOE"), &bOut, nullptr, nullptr);
  g_NMEA.bNmeaOutOn = bOut;
}

void T_NMEA_vUpdateNavCompassMenus(void) {
  BOOLEAN bWanted = g_NMEA.bCompassIdentified;
  if (!bWanted) H_DATABASE_bFetchBoolean(FCID("IPCD"), &bWanted, nullptr, nullptr);
  bWanted = bWanted != FALSE;
  if (bWanted == g_NMEA.bCompassMenusOn) return;
  g_NMEA.bCompassMenusOn = bWanted;
  if (!bWanted) {
    U_MENU_bUnregisterMainMenuItem(Heading_Offset, Nav);
    U_MENU_bUnregisterMainMenuItem(Heading_Line, Nav);
    return;
  }
  static const MENU_LIMITS s_sOffset = {U_NONE, -30, 30, 1};
  U_MENU_bRegisterMainSliderMenu(Heading_Offset, Nav, MENU_HEADING_OFFSET, FCID("SCHO"), &s_sOffset, nullptr, nullptr,
                                 Degrees, M_ADVANCED);
  U_MENU_bRegisterMainSelectorMenu(Heading_Line, Nav, MENU_HEADING_LINE, FCID("SNHL"), 2, U_MENU_apOffOn, U_MENU_au32OffOn,
                                   M_ADVANCED);
  H_DATABASE_bUpdateEverythingU32(FCID("BPTH"), FCID("IPTH"), P_NORMAL, D_FCID, Pitch, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingU32(FCID("BROL"), FCID("IROL"), P_NORMAL, D_FCID, Roll, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingU32(FCID("BHDI"), FCID("IHDC"), P_NORMAL, D_FCID, Heading, DB_NEVER_STALE);
  L_SEMA_Signal(SEMA_INFOBOX_UPDATE);
}

void T_NMEA_vRegisterCompassSetupMenus(void) {
  U_MENU_bRegisterMainSliderMenu(HDG_Frequency_Hz, Accessories, MENU_COMPASS_CALIBRATION, FCID("CHDR"),
                                 U_MENU_pLimitsOf(FCID("CHDR")), nullptr, nullptr, nullptr, M_ADVANCED);
  U_MENU_bRegisterMainActionMenu(Compass_Calibration_Start, Accessories, MENU_COMPASS_CALIBRATION,
                                 T_NMEA_vCompassCalibrationStart, FALSE, M_ADVANCED);
}

// ---------------------------------------------------------------------------
// Client functions and accessors

template <typename MSG, typename FILL>
static void NMEA_vMail(CMD_ID cmd, FILL fill) {
  MSG* pMsg = (MSG*)H_MEMORY_pvMallocNoWait(sizeof(MSG));
  if (pMsg == nullptr) return;
  memset(pMsg, 0, sizeof(MSG));
  pMsg->Header.Cmd = cmd;
  fill(pMsg);
  if (L_MBOX_Send(M_NMEA, pMsg, 3, 0) != 0) H_MEMORY_vFree(pMsg);
}

static void NMEA_vCompassCommand(CMD_ID cmd, S32 value) {
  NMEA_vMail<COMPASS_MSG>(cmd, [&](COMPASS_MSG* p) { p->s32CompassCmd = value; });
}

void T_NMEA_vGPSDetectedByID(GPS_SOURCE_ID eSourceID) {
  NMEA_vMail<GPS_DETECT_MSG>(CMD_ID_NMEA_GPS_DETECT, [&](GPS_DETECT_MSG* p) { p->eSourceID = eSourceID; });
}

void T_NMEA_vConfigureGPS(LAYER_ID eView) {
  NMEA_vMail<GPS_RATE_MSG>(CMD_ID_NMEA_GPS_RATE, [&](GPS_RATE_MSG* p) { p->eView = eView; });
}

void T_NMEA_vResetGPS(NMEA_RESET eNMEAReset, GPS_SOURCE_ID eSourceID) {
  NMEA_vMail<GPS_RESET_MSG>(CMD_ID_NMEA_GPS_RESET, [&](GPS_RESET_MSG* p) {
    p->eSourceID = eSourceID;
    p->eNMEAReset = eNMEAReset;
  });
}

void T_NMEA_vSetCompassMode(COMPASS_MODE eMode) { NMEA_vCompassCommand(CMD_ID_COMPASS_MODE_CMD, eMode); }
void T_NMEA_vSetCompassBaudRate(COMPASS_BAUD eBaud) { NMEA_vCompassCommand(CMD_ID_COMPASS_BAUD_RATE, eBaud); }
void T_NMEA_vRunCompassTest(COMPASS_TEST eTest) { NMEA_vCompassCommand(CMD_ID_COMPASS_TEST_CMD, eTest); }

void T_NMEA_vSetCompassMsgRate(COMPASS_MSG_TYPE eType, S8 s8RateInHz) {
  if (eType == HDG_MSG) NMEA_vCompassCommand(CMD_ID_COMPASS_HDG_RATE, s8RateInHz);
  if (eType == PNR_MSG) NMEA_vCompassCommand(CMD_ID_COMPASS_PNR_RATE, s8RateInHz);
}

U32 T_NMEA_u32GetInternalIPFI(void) {
  const NMEA_PORT_INFO* p = s_NMEAPortInfo[PORT_INDEX_INTERNAL_GPS];
  return p != nullptr ? p->u32PFI : 0;
}

U32 T_NMEA_u32GetExternalIPFI(void) {
  const NMEA_PORT_INFO* p = NMEA_pExternal();
  return p != nullptr ? p->u32PFI : 0;
}

U32 T_NMEA_u32GetGPSType(BOOLEAN bExternal) {
  const NMEA_PORT_INFO* p = bExternal ? NMEA_pExternal() : s_NMEAPortInfo[PORT_INDEX_INTERNAL_GPS];
  return p != nullptr ? (U32)p->eGPSType : 0;
}

U32 T_NMEA_u32GetExternalDataTimeout(void) {
  const NMEA_PORT_INFO* p = NMEA_pExternal();
  return p != nullptr ? (U32)p->nDataTimeout : 0;
}

const char* T_NMEA_pGPSSource(void) {
  U32 source = ID_AUTO_SELECT;
  H_DATABASE_bFetchU32(FCID("CGPS"), &source, nullptr, nullptr);
  const char* const* text = Auto;
  if (source == ID_EXTERNAL_GPS || source == ID_EXTERNAL_AIS || source == ID_EXTERNAL_AIS2) text = External_GPS;
  if (source == ID_INTERNAL_GPS) text = Internal_GPS;
  return text[nCurrentLanguage()];
}

const char* const* T_NMEA_pFixType(void) {
  U32 mode = 0, fix = 0, connection = 0;
  BOOLEAN bModeValid = FALSE, bFixValid = FALSE, bConnectionValid = FALSE;
  const BOOLEAN bMode = H_DATABASE_bFetchU32(FCID("IGSM"), &mode, &bModeValid, nullptr) && bModeValid;
  const BOOLEAN bFix = H_DATABASE_bFetchU32(FCID("IPFI"), &fix, &bFixValid, nullptr);
  if (!bMode && !(bFix && bFixValid && H_DATABASE_bFetchU32(FCID("GPSC"), &connection, &bConnectionValid, nullptr) &&
                  bConnectionValid)) {
    return No_Fix;
  }
  if (!bFix || !bFixValid || fix == 0) return No_Fix;
  if (fix != 1) return Enhanced;
  if (mode == 2) return Fix_2D;
  if (mode == 3) return Fix_3D;
  return Unknown;
}

// ---------------------------------------------------------------------------
// Requests

static BOOLEAN NMEA_bStateWithoutReceivers(void) {
  const U32 s = g_NMEA.u32SystemState;
  return s == STATE_POINT_OF_SALE || s == STATE_PC_CONNECT || s == STATE_INLINE_TEST;
}

static TIMER_INFO* s_pTimer = nullptr;
static S32 s_nWatchdogTicks = 1;
static S32 s_nOutputCountdown = 2;
static BOOLEAN s_bReadingChannel2 = FALSE;

// The date and time screen beside the time zone and daylight saving; its
// keys come to this task, the clock's keeper.
constexpr MENU_PRIORITY NMEA_MENU_DATE_AND_TIME = (MENU_PRIORITY)142;

static void NMEA_vOpenDateTime(void) {
  U_DATETIME_vDateTimeSetup();
  L_SEMA_Signal(SEMA_KEYCLICK_GOOD);
}

static void NMEA_vHandleDateTimeMailbox(void) {
  for (GENERIC_MESSAGE* p = (GENERIC_MESSAGE*)L_MBOX_Receive(M_SYSTIME_EDIT); p != nullptr;
       p = (GENERIC_MESSAGE*)L_MBOX_Receive(M_SYSTIME_EDIT)) {
    if (p->Cmd == CMD_ID_KEY_CHANGE) U_DATETIME_bHandleKeys((const MSG_KEY_CHANGE*)p);
    H_MEMORY_vDumpMail(p);
  }
}

static void NMEA_vRunSystem(void) {
  NMEA_PORT_INFO* ext = NMEA_pExternal();
  // A PC that took the line by its trigger keeps it, even one whose first
  // '#' arrives between this look and the UART task's handling of the claim:
  // the outright claim is refused there, and this task reads the line only
  // while it owns it.
  const TASK owner = T_UART_taskChannelOwner(2);
  if (!NMEA_bStateWithoutReceivers() && (owner == 0 || owner == L_TASK_GetID(0))) {
    U_UART_bAllocateChannel(2);
    L_SEMA_Signal(SEMA_NMEA_DETECTED);
    if (g_NMEA.u32SystemState != STATE_BURN_IN) {
      // A SiRF-type receiver may have been left in its binary protocol.
      U_UART_bChangeBaudRate(2, 38400);
      T_NMEA_vNavmanSwitchToNmea(2);
    }
    if (ext != nullptr && ext->pSerialInfo != nullptr) T_NMEA_vChangeBaudRate(ext->pSerialInfo->nBaudRate, ext);
  }
  s_pTimer = L_TIMER_Start(s_pTimer, 500, 500, SEMA_TIMER_NMEA);
  g_NMEA.s8AcquisitionPeriod = 40;
  if (g_NMEA.u32SystemState == STATE_BURN_IN || g_NMEA.u32SystemState == STATE_POINT_OF_SALE) {
    for (U8 ch = 0; ch < UART_CHANNELS; ch++) {
      U_UART_bChangeBaudRate(ch, 4800);
      T_NMEA_pPortScanStatus(ch)->bLocked = TRUE;
    }
  }
  U_MENU_bRegisterMainSelectorMenu(NMEA_0183_Output, Setup, MENU_NMEA_OUTPUT, FCID("SNOE"), 2, U_MENU_apOffOn,
                                   U_MENU_au32OffOn, M_ADVANCED);
  U_MENU_bRegisterMainSelectorMenu(Configure_NMEA_Talker_ID, Setup, MENU_NMEA_TALKER_ID, FCID("SNTP"), 2,
                                   s_aTalkerTexts, U_MENU_au32OffOn, M_ADVANCED);
  // What goes out stands beside the switch that sends it.
  U_MENU_bRegisterMainSelectorMenu(NMEA_GPS_Sentences, Setup, MENU_NMEA_TALKER_ID, FCID("SNGE"), 2, U_MENU_apOffOn,
                                   U_MENU_au32OffOn, M_ADVANCED);
  U_MENU_bRegisterMainSelectorMenu(NMEA_Nav_Sentences, Setup, MENU_NMEA_TALKER_ID, FCID("SNNE"), 2, U_MENU_apOffOn,
                                   U_MENU_au32OffOn, M_ADVANCED);
  U_MENU_bRegisterMainActionMenu(Date_And_Time, Setup, NMEA_MENU_DATE_AND_TIME, NMEA_vOpenDateTime, FALSE, M_BASIC);
  U32 state = 0;
  H_DATABASE_bFetchU32(FCID("CCST"), &state, nullptr, nullptr);
  if (state == STATE_POINT_OF_SALE) {
    T_NMEA_vRegisterGPSDiagnosticView();
    L_SEMA_Signal(SEMA_GPS_DETECTED);
  } else {
    g_NMEA.bIgnoreInput = FALSE;
  }
}

static void NMEA_vReset(const GPS_RESET_MSG* pMsg) {
  T_NMEA_vInitializeGPS(pMsg->eNMEAReset, T_NMEA_pPortInfo(NMEA_ePortIndex(pMsg->eSourceID)));
}

// The heading sensor hangs on the external GPS's line.
static void NMEA_vCompass(const COMPASS_MSG* pMsg) {
  NMEA_PORT_INFO* ext = NMEA_pExternal();
  const S32 v = pMsg->s32CompassCmd;
  switch (pMsg->Header.Cmd) {
    case CMD_ID_COMPASS_HDG_RATE:
      if (v >= 1 && v <= 10) NMEA_vSendValue(ext, "$PQVM153,%d*", v);
      break;
    case CMD_ID_COMPASS_BAUD_RATE:
      if (v == 4800 || v == 9600 || v == 38400) {
        NMEA_vSendValue(ext, "$PQVM152,%d*", v);
        U_UART_bChangeBaudRate(2, (U32)v);
      }
      break;
    case CMD_ID_COMPASS_PNR_RATE:
      if (v >= 1 && v <= 10) NMEA_vSendValue(ext, "$PQVM154,%d*", v);
      break;
    case CMD_ID_COMPASS_TEST_CMD:
      if (v >= 1 && v <= 5) NMEA_vSendValue(ext, "$PQVM151,%d*", v);
      break;
    case CMD_ID_COMPASS_MODE_CMD:
      if (v < COMPASS_TEST_MODE || v > COMPASS_ALL_MSG_MODE) break;
      NMEA_vSendValue(ext, "$PQVM150,%1d*", v);
      // The sensor's answer to a mode change is not wanted.
      if (v != COMPASS_TEST_MODE && ext != nullptr && ext->pSerialInfo != nullptr) {
        U16 entry;
        L_QUEUE_GetWaitTicks(ext->pSerialInfo->RxDataQueue, &entry, 10);
      }
      break;
    default:
      break;
  }
}

static void NMEA_vRemoteTransmit(const MSG_BLUETOOTH_REMOTE_GENERIC* pMsg) {
  NMEA_PORT_INFO* ext = NMEA_pExternal();
  if (ext == nullptr || ext->pSerialInfo == nullptr) return;
  const char* format = nullptr;
  switch (pMsg->eMsgtype) {
    case BLUETOOTH_TYPE_STATUS: format = "$PQVM127,%02x*"; break;
    case BLUETOOTH_TYPE_SET_MODE: format = "$PQVM126,%02x*"; break;
    case BLUETOOTH_TYPE_BAUDRATE: format = "$PQVM128,%02x*"; break;
    case BLUETOOTH_TYPE_POLLINGRATE: format = "$PQVM129,%02x*"; break;
    default: return;
  }
  char text[24];
  snprintf(text, sizeof text, format, pMsg->u8Value);
  const U8 sum = T_NMEA_u8SendSentence(ext, text);
  U32 mbox = 0;
  BOOLEAN bValid = FALSE;
  if (!H_DATABASE_bFetchU32(FCID("TBTR"), &mbox, &bValid, nullptr) || !bValid) return;
  MSG_BLUETOOTH_REMOTE_GENERIC* pReply = (MSG_BLUETOOTH_REMOTE_GENERIC*)H_MEMORY_pvMallocNoWait(sizeof *pReply);
  if (pReply == nullptr) return;
  memset(pReply, 0, sizeof *pReply);
  pReply->Header.Cmd = CMD_ID_BLUETOOTH_REMOTE_RX;
  pReply->eMsgtype = BLUETOOTH_TYPE_CHECKSUM;
  pReply->u8Value = sum;
  if (L_MBOX_Send((MBOX)mbox, pReply, 3, 0) != 0) H_MEMORY_vFree(pReply);
}

static void NMEA_vNewData(const MESSAGE_NEW_DATA* pMsg) {
  NMEA_PORT_INFO* ext = NMEA_pExternal();
  const U32 value = pMsg->dbValue.u32Val;
  switch (pMsg->FourCharId) {
    case FCID("SGPP"): {
      if (ext != nullptr) ext->GPSWritePriority = P_EXTERNAL_GPS;
      NMEA_PORT_INFO* preferred = T_NMEA_pPortInfo(NMEA_ePortIndex(value));
      if (preferred != nullptr) {
        preferred->GPSWritePriority = P_SELECTED_GPS_OVERRIDE;
        U32 timeout = g_NMEA.u32SystemState == STATE_POINT_OF_SALE ? DB_NEVER_STALE : 4;
        H_DATABASE_bUpdateEverythingU32(FCID("CGPS"), preferred->eSourceID, P_SELECTED_GPS_OVERRIDE, D_UNKNOWN,
                                        nullptr, timeout);
      }
      break;
    }
    case FCID("CHDR"):
      if (value >= 1 && value <= 10) NMEA_vSendValue(ext, "$PQVM153,%d*", (S32)value);
      break;
    case FCID("CCST"):
      g_NMEA.u32SystemState = value;
      break;
    case FCID("CVEW"):
      T_NMEA_vConfigureGPS((LAYER_ID)pMsg->dbValue.s32Val);
      break;
    case FCID("SNTP"):
      g_NMEA.eNmeaTalkerId = value;
      break;
    case FCID("SNOE"):
      g_NMEA.bNmeaOutOn = value != 0;
      if (g_NMEA.u32SystemState == STATE_INLINE_TEST || ext == nullptr || ext->pSerialInfo == nullptr ||
          ext->pSerialInfo->u8Port != 2 || ext->eGPSType == GPS_TYPE_COMPASS) {
        break;
      }
      if (g_NMEA.bNmeaOutOn) {
        T_NMEA_vConfigureGPS(UNKNOWN_VIEW);
        T_NMEA_vChangeBaudRate(4800, ext);
      } else {
        T_NMEA_vChangeBaudRate(38400, ext);
        ext->eSentenceRate = NMEA_SENTENCE_RATE_CHART;
        T_NMEA_vConfigureGPS(UNKNOWN_VIEW);
      }
      break;
    case FCID("SCCG"):
      T_NMEA_vConfigureGPS(UNKNOWN_VIEW);
      break;
    case FCID("SDBO"):
      g_NMEA.eDataBoxOption = value;
      break;
    case FCID("SGSC"):
      T_NMEA_vSendGnssConfiguration(value != 0);
      break;
    default:
      break;
  }
}

static void NMEA_vHandleMailbox(void) {
  while (GENERIC_MESSAGE* pMsg = (GENERIC_MESSAGE*)L_MBOX_Receive(M_NMEA)) {
    switch (pMsg->Cmd) {
      case CMD_ID_RUN_SYSTEM:
        NMEA_vRunSystem();
        break;
      case CMD_ID_NMEA_GPS_DETECT: {
        NMEA_PORT_INFO* p = T_NMEA_pPortInfo(NMEA_ePortIndex(((GPS_DETECT_MSG*)pMsg)->eSourceID));
        if (p != nullptr) {
          p->bSentenceReceived = TRUE;
          T_NMEA_vGPSDetected(p);
        }
        break;
      }
      case CMD_ID_NMEA_GPS_RATE:
        for (NMEA_PORT_INFO* p : s_NMEAPortInfo) {
          if (p != nullptr && p->ePortType == NMEA_PORT_TYPE_SERIAL && p->eGPSType != GPS_TYPE_DISCONNECTED) {
            T_NMEA_vSetupSentences(p, ((GPS_RATE_MSG*)pMsg)->eView);
          }
        }
        break;
      case CMD_ID_NMEA_GPS_RESET:
        NMEA_vReset((GPS_RESET_MSG*)pMsg);
        break;
      case CMD_ID_COMPASS_HDG_RATE:
      case CMD_ID_COMPASS_BAUD_RATE:
      case CMD_ID_COMPASS_PNR_RATE:
      case CMD_ID_COMPASS_TEST_CMD:
      case CMD_ID_COMPASS_MODE_CMD:
        NMEA_vCompass((COMPASS_MSG*)pMsg);
        break;
      case CMD_ID_BLUETOOTH_REMOTE_TX:
        NMEA_vRemoteTransmit((MSG_BLUETOOTH_REMOTE_GENERIC*)pMsg);
        break;
      case CMD_ID_NEW_DATA:
        NMEA_vNewData((MESSAGE_NEW_DATA*)pMsg);
        break;
      case CMD_ID_RESET_POS:
        T_NMEA_vSetDefaultSettings(TRUE);
        break;
      default:
        break;
    }
    H_MEMORY_vDumpMail(pMsg);
  }
}

// ---------------------------------------------------------------------------
// The 500 ms tick

// Commands are repeated every 11 ticks (5.5 s) while unanswered, three
// times at most before the receiver is looked for again.
constexpr int NMEA_RETRY_TICKS = 11;
constexpr int NMEA_TRIES = 3;

static void NMEA_vSetState(NMEA_PORT_INFO* p, NMEA_STATE eState) {
  if (p->eState == eState) return;
  p->eState = eState;
  p->nStateTimeout = 0;
  p->nTries = 0;
}

static BOOLEAN NMEA_bIsAisPort(const NMEA_PORT_INFO* p) {
  return p->eSourceID == ID_EXTERNAL_AIS || p->eSourceID == ID_EXTERNAL_AIS2;
}

static void NMEA_vLockChannel(const NMEA_PORT_INFO* p) {
  if (p->pSerialInfo != nullptr) T_NMEA_pPortScanStatus(p->pSerialInfo->u8Port)->bLocked = TRUE;
}

// One step of the scan for a silent GPS or AIS port, asking a receiver that
// may be listening who it is while the start-up scan lasts. A line handed
// back is left to whoever takes it next, a PC among them.
static void NMEA_vScanStep(NMEA_PORT_INFO* p) {
  p->nWarmStarts = 0;
  T_NMEA_vHandleScanBaudRate(p, 3, 13);
  NMEA_vSetState(p, NMEA_STATE_SCAN);
  const BOOLEAN bGivenBack = p->pSerialInfo->u8Port == 2 && g_NMEA.bChannel2Released;
  if (g_NMEA.s8AcquisitionPeriod > 0 && !NMEA_bStateWithoutReceivers() && !bGivenBack) {
    static const char s_acQuery[] = "$PSMT,0,0,0,2,appver,0*28\r\n";
    U_UART_bTransmitData(p->pSerialInfo->u8Port, (const U8*)s_acQuery, (int)sizeof s_acQuery - 1);
  }
}

// Heard from: an AIS port or a heading sensor is online at once; a GPS is
// asked who it is.
static void NMEA_vHeard(NMEA_PORT_INFO* p) {
  if (NMEA_bIsAisPort(p) || p->eGPSType == GPS_TYPE_COMPASS) {
    NMEA_vSetState(p, NMEA_STATE_ONLINE);
  } else {
    T_NMEA_vIdentifyGPS(p);
    NMEA_vSetState(p, NMEA_STATE_IDENT);
  }
}

// The SiRF-type receiver's switch to SBAS corrections goes through its
// binary protocol: the switch, the correction source, and back to NMEA.
// Binary messages show the receiver is there; one that answers neither in
// binary nor in NMEA is told to speak NMEA and looked for again, one that
// keeps to NMEA goes on without SBAS.

static void NMEA_vSwitchToBinary(NMEA_PORT_INFO* p) {
  T_NMEA_vNavmanSwitchToBinary(p->pSerialInfo);
  p->bBinaryMsgReceived = FALSE;
  p->bSentenceReceived = FALSE;
}

// The receiver answers at 38400 baud once told to speak NMEA.
static void NMEA_vBackToNmea(NMEA_PORT_INFO* p) {
  NMEA_SERIAL_INFO* serial = p->pSerialInfo;
  T_NMEA_vNavmanSwitchToNmea(serial->u8Port);
  if (serial->nBaudRate != 38400) U_UART_bChangeBaudRate(serial->u8Port, 38400);
  serial->nBaudRate = serial->nNewBaudRate = 38400;
  p->bSentenceReceived = FALSE;
  p->bBinaryMsgReceived = FALSE;
}

// A receiver heard only in binary on the external GPS's line: a SiRF-type
// one, taken through the SBAS sequence, which brings it back to NMEA.
static BOOLEAN NMEA_bBinaryFound(NMEA_PORT_INFO* p) {
  if (p->eSourceID != ID_EXTERNAL_GPS || !p->bBinaryMsgReceived || p->pSerialInfo == nullptr) return FALSE;
  p->eGPSType = GPS_TYPE_NAVMAN;
  NMEA_vLockChannel(p);
  NMEA_vSetState(p, NMEA_STATE_NAVMAN_SBAS_1);
  return TRUE;
}

static void NMEA_vSbasStep(NMEA_PORT_INFO* p) {
  const U8 ch = p->pSerialInfo->u8Port;
  const BOOLEAN bRetry = p->nStateTimeout >= NMEA_RETRY_TICKS;
  switch (p->eState) {
    case NMEA_STATE_NAVMAN_SBAS_1:
      if (p->bBinaryMsgReceived) {
        p->nWarmStarts = 0;
        T_NMEA_vNavmanSelectSbas(ch);
        NMEA_vSetState(p, NMEA_STATE_NAVMAN_SBAS_2);
      } else if (bRetry && ++p->nTries < NMEA_TRIES) {
        NMEA_vSwitchToBinary(p);
        p->nStateTimeout = 0;
      } else if (bRetry && p->bSentenceReceived) {
        p->bConfiguredNavmanSBAS = TRUE;
        T_NMEA_vSetupNavmanSentences(p);
        NMEA_vSetState(p, NMEA_STATE_ONLINE);
      } else if (bRetry) {
        NMEA_vBackToNmea(p);
        T_NMEA_pInitPortInfo(p->eSourceID);
      }
      break;
    case NMEA_STATE_NAVMAN_SBAS_2:
      NMEA_vBackToNmea(p);
      NMEA_vSetState(p, NMEA_STATE_NAVMAN_SBAS_3);
      break;
    case NMEA_STATE_NAVMAN_SBAS_3:
      if (p->bSentenceReceived) {
        p->nWarmStarts = 0;
        T_NMEA_vSetupNavmanSentences(p);
        p->bConfiguredNavmanSBAS = TRUE;
        if (g_NMEA.bNmeaOutOn) {
          H_DATABASE_bUpdateEverythingBoolean(FCID("SNOE"), TRUE, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
        }
        NMEA_vSetState(p, NMEA_STATE_ONLINE);
      } else if (bRetry) {
        NMEA_vBackToNmea(p);
        p->nStateTimeout = 0;
        if (++p->nWarmStarts >= NMEA_TRIES) T_NMEA_pInitPortInfo(p->eSourceID);
      }
      break;
    default:
      break;
  }
}

static void NMEA_vPortStep(NMEA_PORT_INFO* p) {
  const BOOLEAN bSerial = p->ePortType == NMEA_PORT_TYPE_SERIAL && p->pSerialInfo != nullptr;
  const BOOLEAN bScanned = p->eSourceID == ID_EXTERNAL_GPS || NMEA_bIsAisPort(p);
  NMEA_SERIAL_INFO* serial = p->pSerialInfo;
  switch (p->eState) {
    case NMEA_STATE_OFFLINE:
      if (!bSerial) {
        if (p->bSentenceReceived) NMEA_vSetState(p, NMEA_STATE_ONLINE);
      } else if (p->bSentenceReceived) {
        NMEA_vHeard(p);
      } else if (NMEA_bBinaryFound(p)) {
        // on to the SBAS sequence
      } else if (bScanned) {
        NMEA_vScanStep(p);
      }
      break;
    case NMEA_STATE_SCAN:
      if (p->bSentenceReceived) {
        if (p->eGPSType == GPS_TYPE_COMPASS) L_SEMA_Signal(SEMA_INFOBOX_UPDATE);
        NMEA_vHeard(p);
        NMEA_vLockChannel(p);
      } else if (g_NMEA.s8AcquisitionPeriod <= 0 && g_NMEA.bNmeaOutOn && bSerial && serial->u8Port == 2) {
        U_UART_bChangeBaudRate(2, 4800);
        L_QUEUE_Purge(serial->RxDataQueue);
        L_QUEUE_Purge(serial->TxDataQueue);
        NMEA_vLockChannel(p);
        NMEA_vSetState(p, NMEA_STATE_OFFLINE);
      } else if (NMEA_bBinaryFound(p)) {
        // on to the SBAS sequence
      } else if (bScanned && bSerial) {
        NMEA_vScanStep(p);
      } else if (p->nStateTimeout > 6) {
        T_NMEA_pInitPortInfo(p->eSourceID);
      } else {
        T_NMEA_vHandleScanBaudRate(p, 1, 1);
      }
      break;
    case NMEA_STATE_IDENT:
      // Asked once per finding: a receiver that answers no probe in the
      // wait keeps to plain NMEA and is never configured; only a line that
      // took no probes is asked again.
      if (p->eGPSType == GPS_TYPE_DISCONNECTED || p->eGPSType == GPS_TYPE_LEGACY) {
        if (p->nStateTimeout >= NMEA_RETRY_TICKS) {
          p->nStateTimeout = 0;
          if (!p->bProbed) {
            T_NMEA_vIdentifyGPS(p);
          } else if (p->eGPSType == GPS_TYPE_LEGACY) {
            log_me("[%d]%s: source %u keeps to plain NMEA: not configured", __LINE__, __func__, (U32)p->eSourceID);
            NMEA_vSetState(p, NMEA_STATE_ONLINE);
          }
        }
      } else {
        p->nWarmStarts = 0;
        T_NMEA_vInitializeGPS(NMEA_RESET_HOT, p);
        NMEA_vSetState(p, NMEA_STATE_ONLINE);
      }
      break;
    case NMEA_STATE_BAUDRATE:
      if (p->bSentenceReceived) {
        if (serial != nullptr) serial->nBaudRate = serial->nNewBaudRate;
        BOOLEAN bTest = FALSE;
        H_DATABASE_bFetchBoolean(FCID("SITP"), &bTest, nullptr, nullptr);
        if (!bTest) g_NMEA.bIgnoreInput = FALSE;
        NMEA_vSetState(p, NMEA_STATE_ONLINE);
      } else if (p->nStateTimeout >= NMEA_RETRY_TICKS && serial != nullptr) {
        // A receiver gone while its rate changed is looked for again.
        if (++p->nTries >= NMEA_TRIES) {
          T_NMEA_pInitPortInfo(p->eSourceID);
          break;
        }
        T_NMEA_vChangeBaudRate(serial->nNewBaudRate, p);
        p->bSentenceReceived = FALSE;
        p->nStateTimeout = 0;
      }
      break;
    case NMEA_STATE_NAVMAN_SBAS_1:
    case NMEA_STATE_NAVMAN_SBAS_2:
    case NMEA_STATE_NAVMAN_SBAS_3:
      if (bSerial) NMEA_vSbasStep(p);
      break;
    case NMEA_STATE_ONLINE:
      if (!bSerial) break;
      if (serial->nBaudRate != serial->nNewBaudRate) {
        T_NMEA_vChangeBaudRate(serial->nNewBaudRate, p);
        p->bSentenceReceived = FALSE;
        NMEA_vSetState(p, NMEA_STATE_BAUDRATE);
      } else if (p->eGPSType == GPS_TYPE_NAVMAN && !p->bConfiguredNavmanSBAS) {
        NMEA_vSwitchToBinary(p);
        NMEA_vSetState(p, NMEA_STATE_NAVMAN_SBAS_1);
      } else if (p->nDataTimeout > 10) {
        // Not cleared here: a receiver that stays silent is warm-started on
        // the following ticks too, and then started over.
        if (++p->nWarmStarts > 2) {
          T_NMEA_pInitPortInfo(p->eSourceID);
        } else {
          T_NMEA_vInitializeGPS(NMEA_RESET_HOT, p);
        }
      }
      break;
    case NMEA_STATE_DETECT:
    case NMEA_STATE_INIT:
    case NMEA_STATE_RESET:
      break;
  }
}

void T_NMEA_vPortTick(NMEA_PORT_INFO* pPort) {
  pPort->nStateTimeout++;
  pPort->nDataTimeout++;
  NMEA_vPortStep(pPort);
}

static void NMEA_vTick(void) {
  NMEA_PORT_INFO* ext = NMEA_pExternal();
  if (s_nWatchdogTicks < 40 && ++s_nWatchdogTicks == 40) {
    s_nWatchdogTicks = 41;
    if (ext != nullptr && !ext->bSentenceReceived && !ext->bBinaryMsgReceived) {
      // Nothing on channel 2: hand it back, so that a PC link can have it.
      U_UART_bReleaseChannel(2, TRUE);
      s_bReadingChannel2 = FALSE;
      g_NMEA.bChannel2Released = TRUE;
    }
  }
  for (NMEA_PORT_INFO* p : s_NMEAPortInfo) {
    if (p != nullptr) T_NMEA_vPortTick(p);
  }
  if (NMEA_bStateWithoutReceivers()) return;
  if (g_NMEA.s8AcquisitionPeriod > 0) {
    if (--g_NMEA.s8AcquisitionPeriod == 0) {
      // Written again, so that its notice sets the output line up.
      if (g_NMEA.bNmeaOutOn) {
        H_DATABASE_bUpdateEverythingBoolean(FCID("SNOE"), TRUE, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
      }
      for (U8 ch = 0; ch < UART_CHANNELS; ch++) T_NMEA_pPortScanStatus(ch)->bLocked = TRUE;
      g_NMEA.bPortScanTimeOut = TRUE;
    }
    return;
  }
  if (g_NMEA.s8AcquisitionPeriod == 0) {
    g_NMEA.s8AcquisitionPeriod = -1;
    return;
  }
  if (--s_nOutputCountdown <= 0) {
    s_nOutputCountdown = 2;
    T_NMEA_vHandleTransmit();
  }
}

// ---------------------------------------------------------------------------
// Start and wait loop

// A previous run in this process (tests restart the task) leaves ports,
// timers and flags behind.
static void NMEA_vResetTask(void) {
  memset(&g_NMEA, 0, sizeof g_NMEA);
  g_NMEA.bIgnoreInput = TRUE;
  g_NMEA.u32SystemState = STATE_STARTUP;
  g_NMEA.bAlreadyDisconnected = TRUE;
  s_nWatchdogTicks = 1;
  s_nOutputCountdown = 2;
  T_NMEA_vResetSetup();
  s_bReadingChannel2 = FALSE;
  if (s_pTimer != nullptr) L_TIMER_Release(s_pTimer);
  s_pTimer = nullptr;
  T_NMEA_vResetInput();
}

static void NMEA_vSubscribe(FOURCHARID id, BOOLEAN bChanged, BOOLEAN bInvalid, BOOLEAN bUpdated) {
  H_DATABASE_bRegisterForDataWithConditions(id, M_NMEA, bChanged, bInvalid, bUpdated);
}

void T_NMEA_vMain(void) {
  log_me("[%d]%s: LWP ID %ld", __LINE__, __func__, (long)gettid());
  if (H_DATABASE_bUpdateEverythingU32(FCID("TNME"), (U32)M_NMEA, P_NORMAL, D_MAILBOX, nullptr, DB_NEVER_STALE)) {
    ERROR_vFatal(__FILE_NAME__, __LINE__, "Somebody else registered the NMEA Task Mailbox");
  }
  NMEA_vResetTask();
  T_NMEA_vSetDefaultSettings(FALSE);
  NMEA_vSubscribe(FCID("SGPP"), TRUE, FALSE, TRUE);
  NMEA_vSubscribe(FCID("SNOE"), TRUE, FALSE, TRUE);
  NMEA_vSubscribe(FCID("SNTP"), TRUE, FALSE, TRUE);
  NMEA_vSubscribe(FCID("CCST"), TRUE, FALSE, FALSE);
  NMEA_vSubscribe(FCID("CVEW"), TRUE, FALSE, FALSE);
  H_DATABASE_bUpdateEverythingBoolean(FCID("SCCG"), TRUE, P_DEFAULT_SETTING, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  NMEA_vSubscribe(FCID("SCCG"), TRUE, FALSE, FALSE);

  T_NMEA_pInitPortInfo(ID_EXTERNAL_GPS);
  H_DATABASE_bUpdateEverythingU32(FCID("GPSE"), 0, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  U_UART_bRegisterForChannel(2, '$', SEMA_NMEA_DETECTED);
  NMEA_vSubscribe(FCID("GPSE"), TRUE, TRUE, FALSE);
  T_NMEA_pInitPortInfo(ID_EXTERNAL_AIS);
  H_DATABASE_bUpdateEverythingBoolean(FCID("SITP"), FALSE, P_DEFAULT_SETTING, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  U_UART_bRegisterForChannel(2, '!', SEMA_NMEA_DETECTED);
  U_UART_bRegisterForChannel(3, '!', SEMA_NMEA_DETECTED);

  T_NMEA_vAisInit();
  g_NMEA.bPortScanTimeOut = FALSE;
  memset(s_aPortStatusArray, 0, sizeof s_aPortStatusArray);
  NMEA_vSubscribe(FCID("GPSC"), TRUE, TRUE, FALSE);
  U32 option = 0;
  H_DATABASE_bFetchU32(FCID("SDBO"), &option, nullptr, nullptr);
  g_NMEA.eDataBoxOption = option;
  NMEA_vSubscribe(FCID("SDBO"), TRUE, FALSE, FALSE);
  s_pTimer = L_TIMER_Allocate();
  if (s_pTimer == nullptr) ERROR_vFatal(__FILE_NAME__, __LINE__, "NO TIMER");

  const TASK self = L_TASK_GetID(0);
  for (;;) {
    // Channel 2's queue is the PC link's while a trigger has given it the
    // line, and a semaphore has one waiter at most.
    SEMA events[7] = {SEMA_MBOX_NMEA, SEMA_NMEA_DETECTED, SEMA_TIMER_NMEA, SEMA_MBOX_SYSTIME_EDIT};
    size_t n = 4;
    if (s_bReadingChannel2 && T_UART_taskChannelOwner(2) == self) events[n++] = SEMA_QUEUE_RX2;
    if (s_bReadingChannel2) events[n++] = SEMA_QUEUE_RX3;
    events[n] = 0;
    const S32 event = L_SEMA_WaitMultiple(events);
    if (event == SEMA_QUEUE_RX2) T_NMEA_vHandleReceive(g_NMEA.bIgnoreInput, NMEA_pExternal());
    if (event == SEMA_QUEUE_RX3) T_NMEA_vHandleReceive(g_NMEA.bIgnoreInput, s_NMEAPortInfo[PORT_INDEX_EXTERNAL_AIS]);
    if (event == SEMA_NMEA_DETECTED) s_bReadingChannel2 = TRUE;
    if (event == SEMA_TIMER_NMEA) NMEA_vTick();
    if (event == SEMA_MBOX_NMEA) NMEA_vHandleMailbox();
    if (event == SEMA_MBOX_SYSTIME_EDIT) NMEA_vHandleDateTimeMailbox();
  }
}
