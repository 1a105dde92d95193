// What the NMEA task says to its receivers: the baud-rate scan of a silent
// line, the probes that tell a u-blox from a SiRF-type receiver, the sentence
// sets each situation needs, baud-rate changes, initialisation and resets,
// the SiRF switch to SBAS, the GLONASS choice of u-blox receivers and the
// heading sensor's calibration.

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "h_memory.h"
#include "t_nmea_internal.h"
#include "t_startup.h"
#include "t_uart.h"
#include "u_menu.h"
#include "u_uart.h"
#include "u_view.h"
#include "ui_texts.h"

static const int s_BaudRates[] = {38400, 9600, 4800};
constexpr int NMEA_BAUD_RATES = 3;
constexpr U32 NMEA_INIT_GAP_MS = 1000;
constexpr U32 NMEA_BAUD_ACK_MS = 2000;
constexpr U32 NMEA_DRAIN_MS = 2000;
constexpr U32 NMEA_PROBE_DRAIN_MS = 100;
// The calibration stop repeats the mode command this often (every 200 ms)
// before it gives up on a silent sensor.
constexpr int NMEA_COMPASS_STOP_TRIES = 10;

// ---------------------------------------------------------------------------
// Sentence sets

typedef struct tag_NMEA_RATE_ROW {
  const char* pcName;  // u-blox sentence name, null for the SiRF-only message
  int nSirfMessage;
  int anRate[3];       // DIAG, TEST, CHART
} NMEA_RATE_ROW;

static const NMEA_RATE_ROW s_aRates[] = {
    {"RMC", 4, {1, 1, 1}}, {"GGA", 0, {1, 1, 1}}, {"GSV", 3, {2, 1, 0}}, {"GSA", 2, {2, 2, 0}},
    {"VTG", 5, {0, 0, 0}}, {"GLL", 1, {0, 0, 0}}, {nullptr, 7, {1, 1, 0}},
};

static int NMEA_nColumn(NMEA_SENTENCE_RATE eRate) {
  if (eRate == NMEA_SENTENCE_RATE_DIAG) return 0;
  if (eRate == NMEA_SENTENCE_RATE_TEST) return 1;
  return 2;
}

static void NMEA_vSendf(const NMEA_PORT_INFO* pPort, const char* pcFormat, ...) __attribute__((format(printf, 2, 3)));
static void NMEA_vSendf(const NMEA_PORT_INFO* pPort, const char* pcFormat, ...) {
  char text[NMEA_SENTENCE_SIZE];
  va_list args;
  va_start(args, pcFormat);
  const int n = vsnprintf(text, sizeof text, pcFormat, args);
  va_end(args);
  if (n > 0 && n < (int)sizeof text) T_NMEA_u8SendSentence(pPort, text);
}

// Probes go out only over a line that drains: a far end that takes nothing
// would hold the task for every probe while the receive queue fills. A
// sentence takes 70 ms at 4800 baud.
static BOOLEAN NMEA_bLineDrains(const NMEA_PORT_INFO* pPort) {
  return U_UART_bWaitTransmitDone(pPort->pSerialInfo->u8Port, NMEA_PROBE_DRAIN_MS);
}

static BOOLEAN NMEA_bSetupUBloxSentences(const NMEA_PORT_INFO* pPort, BOOLEAN bProbe) {
  const int column = NMEA_nColumn(pPort->eSentenceRate);
  for (const NMEA_RATE_ROW& row : s_aRates) {
    if (row.pcName == nullptr) continue;
    if (bProbe && !NMEA_bLineDrains(pPort)) return FALSE;
    NMEA_vSendf(pPort, "$PUBX,40,%s,0,%d,0,0*", row.pcName, row.anRate[column]);
    L_CLOCK_Sleep(10);
  }
  return TRUE;
}

void T_NMEA_vSetupNavmanSentences(const NMEA_PORT_INFO* pPort) {
  int column = NMEA_nColumn(pPort->eSentenceRate);
  if (pPort->pSerialInfo != nullptr && pPort->pSerialInfo->u8Port == 2 && g_NMEA.bNmeaOutOn) column = 0;
  if (g_NMEA.u32SystemState == STATE_INLINE_TEST) column = 1;
  static const int s_anOrder[] = {4, 0, 3, 2, 5, 1, 7};
  for (int message : s_anOrder) {
    for (const NMEA_RATE_ROW& row : s_aRates) {
      if (row.nSirfMessage != message) continue;
      NMEA_vSendf(pPort, "$PSRF103,%02d,00,%02d,01*", message, row.anRate[column]);
      L_CLOCK_Sleep(10);
    }
  }
}

void T_NMEA_vSetupSentences(NMEA_PORT_INFO* pPort, LAYER_ID eView) {
  const GPS_TYPE type = pPort->eGPSType;
  if (type != GPS_TYPE_UBLOX && type != GPS_TYPE_NAVMAN && type != GPS_TYPE_TESEOII && type != GPS_TYPE_COMPASS) {
    return;
  }
  const LAYER_ID view = eView == UNKNOWN_VIEW ? U_VIEW_eCurrentView() : eView;
  const BOOLEAN bChannel2 = pPort->pSerialInfo != nullptr && pPort->pSerialInfo->u8Port == 2;
  NMEA_SENTENCE_RATE eRate = NMEA_SENTENCE_RATE_CHART;
  COMPASS_MODE eMode = COMPASS_NORMAL_MODE;
  if (view == DIAGNOSTIC_GPS_CARTOGRAPHY) {
    eRate = NMEA_SENTENCE_RATE_DIAG;
    eMode = COMPASS_DIAG_MODE;
  } else if (view == IN_LINE_TEST_LAYER) {
    eRate = NMEA_SENTENCE_RATE_TEST;
  }
  if (bChannel2 && g_NMEA.bNmeaOutOn) eRate = NMEA_SENTENCE_RATE_DIAG;
  const BOOLEAN bAlways = pPort->eSourceID == ID_INTERNAL_GPS && pPort->bCalculateCOG && !pPort->bReceivedVELNED;
  if (eRate == pPort->eSentenceRate && !bAlways) return;
  pPort->eSentenceRate = eRate;
  switch (type) {
    case GPS_TYPE_NAVMAN:
      T_NMEA_vSetupNavmanSentences(pPort);
      break;
    case GPS_TYPE_UBLOX:
      NMEA_bSetupUBloxSentences(pPort, FALSE);
      break;
    case GPS_TYPE_COMPASS:
      T_NMEA_vSetCompassMode(eMode);
      break;
    default:
      break;
  }
}

void T_NMEA_vIdentifyGPS(NMEA_PORT_INFO* pPort) {
  if (pPort->ePortType != NMEA_PORT_TYPE_SERIAL || pPort->pSerialInfo == nullptr) return;
  if (!T_UART_bTransmitIdle(pPort->pSerialInfo->u8Port)) return;
  if (!NMEA_bSetupUBloxSentences(pPort, TRUE) || !NMEA_bLineDrains(pPort)) return;
  T_NMEA_u8SendSentence(pPort, "$PUBX,04*");
  L_CLOCK_Sleep(100);
  if (!NMEA_bLineDrains(pPort)) return;
  T_NMEA_u8SendSentence(pPort, "$PSRF101,0,0,0,0,0,0,12,1*");
  L_CLOCK_Sleep(100);
  pPort->bProbed = TRUE;
}

// ---------------------------------------------------------------------------
// Baud rates

// Bytes already queued came in at the rate the line ran at until now, so
// they are read before the rate changes: a receiver or the remote's dongle
// that spoke just before the change is heard. What is queued meanwhile waits
// for the task's next turn at the queue.
static void NMEA_vReadQueued(NMEA_PORT_INFO* pPort) {
  if (pPort->pRxParseInfo == nullptr) return;
  for (S32 left = L_QUEUE_Inquire(pPort->pSerialInfo->RxDataQueue); left > 0;) {
    T_NMEA_vHandleReceive(g_NMEA.bIgnoreInput, pPort);
    const S32 now = L_QUEUE_Inquire(pPort->pSerialInfo->RxDataQueue);
    left = now < left ? now : 0;
  }
}

void T_NMEA_vHandleScanBaudRate(NMEA_PORT_INFO* pPort, int nMinShift, int nMaxShift) {
  const U32 s = g_NMEA.u32SystemState;
  if ((s == STATE_POINT_OF_SALE || s == STATE_PC_CONNECT || s == STATE_INLINE_TEST) &&
      pPort->eSourceID != ID_INTERNAL_GPS) {
    return;
  }
  NMEA_SERIAL_INFO* serial = pPort->pSerialInfo;
  if (serial == nullptr || T_NMEA_pPortScanStatus(serial->u8Port)->bLocked) return;
  if (serial->u8Port == 2 && g_NMEA.bChannel2Released) return;
  if (serial->u8BaudShiftCounter > 0) {
    serial->u8BaudShiftCounter--;
    return;
  }
  serial->nNewBaudRate = s_BaudRates[serial->u8BaudRateIndex % NMEA_BAUD_RATES];
  serial->u8BaudRateIndex = (U8)((serial->u8BaudRateIndex + 1) % NMEA_BAUD_RATES);
  const int span = nMaxShift - nMinShift;
  const int dwell = span < 1 ? nMinShift : nMinShift + rand() % span;
  serial->u8BaudShiftCounter = (U8)(dwell > 0 ? dwell - 1 : 0);
  if (serial->nBaudRate == serial->nNewBaudRate) return;
  NMEA_vReadQueued(pPort);
  // A receiver heard at this rate keeps it: the next tick takes it on.
  if (pPort->bSentenceReceived) {
    serial->nNewBaudRate = serial->nBaudRate;
    return;
  }
  serial->nBaudRate = serial->nNewBaudRate;
  U_UART_bChangeBaudRate(serial->u8Port, (U32)serial->nBaudRate);
  // The receive queue is not emptied: all it held at the old rate has just
  // been read, and what came since may be a whole sentence at the new one (a
  // dongle's acknowledgement, whose loss would have it asked again). Bytes
  // garbled by the change fail their sentence's checksum.
  L_QUEUE_Purge(serial->TxDataQueue);
}

// The channel at a rate once the UART task says so (bounded wait).
static void NMEA_vChannelRate(U8 u8Channel, int nBaud) {
  U32 mbox = 0;
  if (!H_DATABASE_bFetchU32(FCID("TURT"), &mbox, nullptr, nullptr) || mbox == 0) return;
  MSG_CHANGE_BAUD_RATE msg = {};
  msg.Header.Cmd = CMD_ID_CHANGE_BAUD_RATE;
  msg.uart = u8Channel;
  msg.baud_rate = (U32)nBaud;
  if (L_MBOX_SendWaitTicks((MBOX)mbox, &msg, 3, SEMA_BAUDRATE_CHANGED, NMEA_BAUD_ACK_MS) != 0 ||
      !L_MBOX_bIsAcknowledged(&msg)) {
    log_me("[%d]%s: channel %u did not confirm %d baud", __LINE__, __func__, u8Channel, nBaud);
  }
}

static void NMEA_vWaitSent(U8 u8Channel) {
  U_UART_bWaitTransmitDone(u8Channel, NMEA_DRAIN_MS);
  L_CLOCK_Sleep(100);
}

// The receiver's present rate is unknown: the command goes out at each rate.
static void NMEA_vBaudCommand(NMEA_PORT_INFO* pPort, const char* pcFormat, int nBaudRate) {
  static const int s_anTry[] = {4800, 9600, 38400};
  const U8 ch = pPort->pSerialInfo->u8Port;
  for (int baud : s_anTry) {
    NMEA_vChannelRate(ch, baud);
    NMEA_vSendf(pPort, pcFormat, nBaudRate);
    NMEA_vWaitSent(ch);
  }
}

static void NMEA_vSettle(NMEA_PORT_INFO* pPort, int nBaudRate) {
  NMEA_vChannelRate(pPort->pSerialInfo->u8Port, nBaudRate);
  L_CLOCK_Sleep(100);
  L_QUEUE_Purge(pPort->pSerialInfo->RxDataQueue);
  L_QUEUE_Purge(pPort->pSerialInfo->TxDataQueue);
}

void T_NMEA_vChangeBaudRate(int nBaudRate, NMEA_PORT_INFO* pPort) {
  if (pPort == nullptr || pPort->pSerialInfo == nullptr) return;
  if (g_NMEA.u32SystemState == STATE_BURN_IN || g_NMEA.u32SystemState == STATE_POINT_OF_SALE) nBaudRate = 4800;
  static const char s_acUblox[] = "$PUBX,41,1,0007,0003,%d,0*";
  static const char s_acSirf[] = "$PSRF100,1,%d,8,1,0*";
  if (pPort->eGPSType == GPS_TYPE_DISCONNECTED || pPort->eGPSType == GPS_TYPE_LEGACY) {
    // Nothing has been heard on the line, or a receiver that answered no
    // probe: no receiver to tell, and whatever is there (a service PC, a
    // plain NMEA talker) is not to be sent receiver commands.
  } else if (pPort->eGPSType == GPS_TYPE_UBLOX) {
    NMEA_vBaudCommand(pPort, s_acUblox, nBaudRate);
  } else if (pPort->eGPSType == GPS_TYPE_NAVMAN) {
    NMEA_vBaudCommand(pPort, s_acSirf, nBaudRate);
  } else {
    NMEA_vBaudCommand(pPort, s_acUblox, nBaudRate);
    NMEA_vSettle(pPort, nBaudRate);
    NMEA_vBaudCommand(pPort, s_acSirf, nBaudRate);
  }
  NMEA_vSettle(pPort, nBaudRate);
}

// ---------------------------------------------------------------------------
// Initialisation

static const U8 s_aCfgRst[] = {0xB5, 0x62, 0x06, 0x04, 0x04, 0x00, 0xFF, 0xFF, 0x02, 0x00, 0x0E, 0x61};
static const U8 s_aCfgSbas[] = {0xB5, 0x62, 0x06, 0x16, 0x08, 0x00, 0x03, 0x03,
                                0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x2B, 0xBD};

int T_NMEA_nUbxFrame(U8 u8Class, U8 u8Id, const U8* pPayload, int nLength, U8* pOut, int nSize) {
  if (nLength < 0 || nLength + 8 > nSize) return 0;
  pOut[0] = 0xB5;
  pOut[1] = 0x62;
  pOut[2] = u8Class;
  pOut[3] = u8Id;
  pOut[4] = (U8)nLength;
  pOut[5] = (U8)(nLength >> 8);
  memcpy(pOut + 6, pPayload, (size_t)nLength);
  U8 a = 0, b = 0;
  for (int i = 2; i < 6 + nLength; i++) {
    a = (U8)(a + pOut[i]);
    b = (U8)(b + a);
  }
  pOut[6 + nLength] = a;
  pOut[7 + nLength] = b;
  return nLength + 8;
}

int T_NMEA_nSirfFrame(const U8* pPayload, int nLength, U8* pOut, int nSize) {
  if (nLength < 0 || nLength + 8 > nSize) return 0;
  pOut[0] = 0xA0;
  pOut[1] = 0xA2;
  pOut[2] = (U8)(nLength >> 8);
  pOut[3] = (U8)nLength;
  U32 sum = 0;
  for (int i = 0; i < nLength; i++) {
    pOut[4 + i] = pPayload[i];
    sum += pPayload[i];
  }
  sum &= 0x7FFF;
  pOut[4 + nLength] = (U8)(sum >> 8);
  pOut[5 + nLength] = (U8)sum;
  pOut[6 + nLength] = 0xB0;
  pOut[7 + nLength] = 0xB3;
  return nLength + 8;
}

int T_NMEA_nGnssConfiguration(BOOLEAN bGlonass, U8* pOut, int nSize) {
  const U8 on = bGlonass ? 1 : 0;
  const U8 payload[] = {0x00, 0x20, 0x20, 0x05,                          //
                        0x00, 0x08, 0x10, 0x00, 0x01, 0x00, 0x01, 0x01,  // GPS
                        0x01, 0x01, 0x03, 0x00, 0x01, 0x00, 0x01, 0x01,  // SBAS
                        0x03, 0x08, 0x10, 0x00, 0x00, 0x00, 0x01, 0x01,  // BeiDou
                        0x05, 0x00, 0x03, 0x00, 0x00, 0x00, 0x01, 0x01,  // QZSS
                        0x06, 0x08, 0x0E, 0x00, on,   0x00, on,   0x01};  // GLONASS
  return T_NMEA_nUbxFrame(0x06, 0x3E, payload, (int)sizeof payload, pOut, nSize);
}

static void NMEA_vSendBytes(const NMEA_PORT_INFO* pPort, const U8* pData, int n) {
  if (pPort != nullptr && pPort->pSerialInfo != nullptr && n > 0) {
    U_UART_bTransmitData(pPort->pSerialInfo->u8Port, pData, n);
  }
}

void T_NMEA_vTransmitUBloxInitialization(NMEA_RESET eNMEAReset, NMEA_PORT_INFO* pPort) {
  if (eNMEAReset == NMEA_RESET_COLD) {
    NMEA_vSendBytes(pPort, s_aCfgRst, (int)sizeof s_aCfgRst);
    L_CLOCK_Sleep(100);
  }
  T_NMEA_vSetupSentences(pPort, UNKNOWN_VIEW);
  NMEA_vSendBytes(pPort, s_aCfgSbas, (int)sizeof s_aCfgSbas);
  L_CLOCK_Sleep(100);
  static const U8 s_aInf[] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00};
  U8 frame[16];
  NMEA_vSendBytes(pPort, frame, T_NMEA_nUbxFrame(0x06, 0x02, s_aInf, (int)sizeof s_aInf, frame, (int)sizeof frame));
  L_CLOCK_Sleep(10);
}

// One time stamp for every initialisation and reset request.
static BOOLEAN s_bDone = FALSE;
static U32 s_u32LastMs = 0;

void T_NMEA_vResetSetup(void) { s_bDone = FALSE; }

// A receiver not known to take commands is left alone: one that keeps to
// plain NMEA would get them on every warm start and every TXT it sends.
void T_NMEA_vInitializeGPS(NMEA_RESET eNMEAReset, NMEA_PORT_INFO* pPort) {
  if (pPort == nullptr || pPort->ePortType != NMEA_PORT_TYPE_SERIAL) return;
  if (pPort->eGPSType == GPS_TYPE_DISCONNECTED || pPort->eGPSType == GPS_TYPE_LEGACY) return;
  const U32 now = H_TICK_u32ReadFreeRunningTimerInMilliSeconds();
  if (s_bDone && H_TICK_u32ElapsedTime(s_u32LastMs, now) < NMEA_INIT_GAP_MS) return;
  s_bDone = TRUE;
  s_u32LastMs = now;
  if (pPort->eGPSType == GPS_TYPE_NAVMAN) {
    if (eNMEAReset == NMEA_RESET_COLD) T_NMEA_u8SendSentence(pPort, "$PSRF101,0,0,0,0,0,0,12,4*");
    if (eNMEAReset == NMEA_RESET_FACTORY) T_NMEA_u8SendSentence(pPort, "$PSRF101,0,0,0,0,0,0,12,8*");
    if (eNMEAReset == NMEA_RESET_COLD || eNMEAReset == NMEA_RESET_FACTORY) L_CLOCK_Sleep(100);
    T_NMEA_vSetupSentences(pPort, UNKNOWN_VIEW);
  } else if (pPort->eGPSType == GPS_TYPE_COMPASS) {
    if (!g_NMEA.bAlreadyDisconnected) {
      H_DATABASE_bUpdateEverythingU32(FCID("GPSC"), 0, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
      g_NMEA.bAlreadyDisconnected = TRUE;
      g_NMEA.bCompassIdentified = FALSE;
    }
  } else {
    T_NMEA_vTransmitUBloxInitialization(eNMEAReset, pPort);
  }
}

void T_NMEA_vSendGnssConfiguration(BOOLEAN bGlonass) {
  U8 frame[64];
  const int n = T_NMEA_nGnssConfiguration(bGlonass, frame, (int)sizeof frame);
  for (PORT_INDEX index : {PORT_INDEX_INTERNAL_GPS, PORT_INDEX_EXTERNAL_GPS}) {
    const NMEA_PORT_INFO* p = T_NMEA_pPortInfo(index);
    if (p == nullptr || p->eGPSType != GPS_TYPE_UBLOX) continue;
    NMEA_vSendBytes(p, frame, n);
    L_CLOCK_Sleep(10);
  }
}

void T_NMEA_vNavmanSwitchToBinary(NMEA_SERIAL_INFO* pSerial) {
  if (pSerial == nullptr) return;
  char text[48];
  const int n = snprintf(text, sizeof text, "$PSRF100,0,38400,8,1,0*%02X\r\n",
                         T_NMEA_u8Checksum("$PSRF100,0,38400,8,1,0*"));
  U_UART_bTransmitData(pSerial->u8Port, (const U8*)text, n);
  NMEA_vWaitSent(pSerial->u8Port);
}

static void NMEA_vSendSirf(U8 u8Channel, const U8* pPayload, int nLength) {
  U8 frame[32];
  const int n = T_NMEA_nSirfFrame(pPayload, nLength, frame, (int)sizeof frame);
  if (n > 0) U_UART_bTransmitData(u8Channel, frame, n);
  NMEA_vWaitSent(u8Channel);
}

void T_NMEA_vNavmanSelectSbas(U8 u8Channel) {
  static const U8 s_aPayload[] = {0x85, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00};
  NMEA_vSendSirf(u8Channel, s_aPayload, (int)sizeof s_aPayload);
}

// GGA, GLL, GSA, GSV and RMC once a second, the rest off, 38400 baud.
void T_NMEA_vNavmanSwitchToNmea(U8 u8Channel) {
  static const U8 s_aPayload[] = {0x81, 0x02, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01,
                                  0x00, 0x01, 0x00, 0x01, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0x96, 0x00};
  NMEA_vSendSirf(u8Channel, s_aPayload, (int)sizeof s_aPayload);
}

// ---------------------------------------------------------------------------
// The heading sensor's calibration (a menu action: runs in the menu's task)

static void NMEA_vCompassSend(const char* pcFormat, int nValue) {
  const NMEA_PORT_INFO* p = T_NMEA_pPortInfo(PORT_INDEX_EXTERNAL_GPS);
  if (p != nullptr) NMEA_vSendf(p, pcFormat, nValue);
}

void T_NMEA_vCompassCalibrationStop(void);

void T_NMEA_vCompassCalibrationStart(void) {
  NMEA_vCompassSend("$PQVM150,%1d*", 1);
  L_CLOCK_Sleep(10);
  NMEA_vCompassSend("$PQVM151,%d*", 3);
  U_MENU_bUnregisterMainMenuItem(Compass_Calibration_Start, Accessories);
  U_MENU_bRegisterMainActionMenu(Compass_Calibration_Stop, Accessories, MENU_COMPASS_CALIBRATION,
                                 T_NMEA_vCompassCalibrationStop, FALSE, M_ADVANCED);
  L_SEMA_Signal(SEMA_KEYCLICK_GOOD);
}

// The sensor answers the mode command once it has left calibration; a silent
// one is given up on after about two seconds rather than holding the menu.
void T_NMEA_vCompassCalibrationStop(void) {
  NMEA_vCompassSend("$PQVM151,%d*", 4);
  L_CLOCK_Sleep(500);
  const NMEA_PORT_INFO* p = T_NMEA_pPortInfo(PORT_INDEX_EXTERNAL_GPS);
  BOOLEAN bAnswered = FALSE;
  for (int i = 0; i < NMEA_COMPASS_STOP_TRIES && !bAnswered && p != nullptr && p->pSerialInfo != nullptr; i++) {
    NMEA_vCompassSend("$PQVM150,%1d*", 2);
    U16 u16Entry = 0;
    bAnswered = L_QUEUE_GetWaitTicks(p->pSerialInfo->RxDataQueue, &u16Entry, 200) == 0;
  }
  if (!bAnswered) log_me("[%d]%s: the heading sensor did not answer the normal mode", __LINE__, __func__);
  U_MENU_bUnregisterMainMenuItem(Compass_Calibration_Stop, Accessories);
  U_MENU_bRegisterMainActionMenu(Compass_Calibration_Start, Accessories, MENU_COMPASS_CALIBRATION,
                                 T_NMEA_vCompassCalibrationStart, FALSE, M_ADVANCED);
  L_SEMA_Signal(SEMA_KEYCLICK_GOOD);
}
