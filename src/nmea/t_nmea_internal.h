// What the files of the NMEA task share: the port records, the task's state
// and the steps one file calls in another. Other tasks use t_nmea.h.
#pragma once

#include "basetypes.h"
#include "fourcharid.h"
#include "h_database.h"
#include "linuxsvc.h"
#include "navmath.h"
#include "t_nmea.h"
#include "t_nmea_ais.h"

enum NMEA_STATE : U32 {
  NMEA_STATE_OFFLINE = 0,
  NMEA_STATE_SCAN = 1,
  NMEA_STATE_DETECT = 2,
  NMEA_STATE_IDENT = 3,
  NMEA_STATE_INIT = 4,
  NMEA_STATE_RESET = 5,
  NMEA_STATE_BAUDRATE = 6,
  NMEA_STATE_NAVMAN_SBAS_1 = 7,
  NMEA_STATE_NAVMAN_SBAS_2 = 8,
  NMEA_STATE_NAVMAN_SBAS_3 = 9,
  NMEA_STATE_ONLINE = 10,
};

enum GPS_TYPE : U32 {
  GPS_TYPE_DISCONNECTED = 0,
  GPS_TYPE_LEGACY = 1,
  GPS_TYPE_UBLOX = 2,
  GPS_TYPE_NAVMAN = 3,
  GPS_TYPE_TESEOII = 4,
  GPS_TYPE_COMPASS = 5,
};

enum NMEA_PORT_TYPE : U32 {
  NMEA_PORT_TYPE_SERIAL = 0,
  NMEA_PORT_TYPE_NETWORK = 1,
  NMEA_PORT_TYPE_GATEWAY = 2,
  NMEA_PORT_TYPE_NMEA2K = 3,
};

enum NMEA_SENTENCE_RATE : U32 {
  NMEA_SENTENCE_RATE_UNKNOWN = 0,
  NMEA_SENTENCE_RATE_DIAG = 1,
  NMEA_SENTENCE_RATE_TEST = 2,
  NMEA_SENTENCE_RATE_CHART = 3,
};

enum PORT_INDEX : S32 {
  PORT_INDEX_INVALID = -1,
  PORT_INDEX_NETWORK_GPS = 0,
  PORT_INDEX_GATEWAY_GPS = 1,
  PORT_INDEX_EXTERNAL_GPS = 2,
  PORT_INDEX_INTERNAL_GPS = 3,
  PORT_INDEX_REMOTE_EXTERNAL_GPS = 4,
  PORT_INDEX_REMOTE_INTERNAL_GPS = 5,
  PORT_INDEX_EXTERNAL_AIS = 6,
  PORT_INDEX_EXTERNAL_AIS2 = 7,
  PORT_INDEX_COUNT = 8,
};

enum NMEA_RECEIVE_STATE : U32 {
  WAITING_DOLLAR = 0,
  WAITING_STAR = 1,
  WAITING_CHECKSUM1 = 2,
  WAITING_CHECKSUM2 = 3,
};

// The longest sentence body kept, without its start character; "*hh" and the
// terminator come on top.
constexpr int NMEA_MAX_BODY = 149;
constexpr int NMEA_SENTENCE_SIZE = NMEA_MAX_BODY + 3 + 1;
constexpr int NMEA_SATS_IN_USE = 24;

typedef struct tag_RX_PARSE_INFO {
  NMEA_RECEIVE_STATE eReceiveState;
  int nCharCount;                     // characters stored
  char sSentence[NMEA_SENTENCE_SIZE];
  U8 cGivenChecksum;
  U8 cRunningChecksum;
  // A SiRF binary message read alongside: A0 A2, length, payload, sum, B0 B3.
  U8 u8BinaryStep;                    // 0: outside one
  U16 u16BinaryLength;
  U16 u16BinaryCount;
  U16 u16BinarySum;
} RX_PARSE_INFO;

typedef struct tag_NMEA_SERIAL_INFO {
  U8 u8Port;               // UART channel
  U8 u8BaudRateIndex;      // next entry of the scan list
  U8 u8BaudShiftCounter;   // ticks left at the scan rate
  int nBaudRate;           // in use
  int nNewBaudRate;        // wanted
  QUEUE RxDataQueue;
  QUEUE TxDataQueue;
  SEMA semaRx;             // what the receive queue signals
} NMEA_SERIAL_INFO;

typedef struct tag_NMEA_PORT_INFO {
  NMEA_STATE eState;
  GPS_TYPE eGPSType;
  NMEA_PORT_TYPE ePortType;
  NMEA_SENTENCE_RATE eSentenceRate;
  GPS_SOURCE_ID eSourceID;
  U32 GPSWritePriority;        // ITEM_PRIORITY
  BOOLEAN bDataReceived;
  BOOLEAN bSentenceReceived;
  BOOLEAN bBinaryMsgReceived;
  BOOLEAN bConfiguredNavmanSBAS;
  BOOLEAN bChannelIsAIS;
  BOOLEAN bCalculateCOG;
  BOOLEAN bReceivedVELNED;
  float fLastCOG;
  FOURCHARID fcidGPSStatus;    // 0: none
  U32 u32StatusWritten;        // what this port last wrote to fcidGPSStatus
  BOOLEAN bStatusWritten;      // FALSE: nothing since the port was set up
  int nDataTimeout;            // 500 ms ticks since the last recognised sentence
  int nStateTimeout;           // 500 ms ticks in the state
  int nWarmStarts;
  int nTries;                  // commands repeated in the state without an answer
  BOOLEAN bProbed;             // asked who it is since the port was last set up
  U32 u32PFI;                  // last fix quality
  float fPositionError;
  int* pnSatsInUse;            // NMEA_SATS_IN_USE PRNs, 0 = free
  NMEA_SERIAL_INFO* pSerialInfo;
  RX_PARSE_INFO* pRxParseInfo;
  double RMC_Lat, RMC_Lon, RMC_pre_Lat, RMC_pre_Lon;
  char acFixTime[12];          // time field of the last GGA or RMC
  char acUsedListTime[12];     // the fix time whose used list GNGSA is filling
} NMEA_PORT_INFO;

typedef struct tag_PORT_SCAN_STATUS {
  BOOLEAN bLocked;
  BOOLEAN bTimedOutLock;
} PORT_SCAN_STATUS;

// The task-wide state that more than one file reads.
typedef struct tag_NMEA_TASK_STATE {
  BOOLEAN bIgnoreInput;        // received data is dropped until the system runs
  U32 u32SystemState;          // CCST
  BOOLEAN bNmeaOutOn;          // SNOE
  S8 s8AcquisitionPeriod;      // 500 ms ticks of the start-up scan left
  BOOLEAN bPortScanTimeOut;
  U32 eNmeaTalkerId;           // SNTP
  BOOLEAN bCompassIdentified;
  BOOLEAN bCompassMenusOn;
  BOOLEAN bAlreadyDisconnected;
  U32 eDataBoxOption;          // SDBO
  BOOLEAN bChannel2Released;   // handed back after silence: no more scanning on it
} NMEA_TASK_STATE;

extern NMEA_TASK_STATE g_NMEA;

// ---- t_nmea.cpp ----

// The record of a port slot, null while the slot is empty.
NMEA_PORT_INFO* T_NMEA_pPortInfo(PORT_INDEX eIndex);
// (Re)initialises a source's port and returns its record; null for a source
// without a slot or a row.
NMEA_PORT_INFO* T_NMEA_pInitPortInfo(GPS_SOURCE_ID eSourceID);
PORT_SCAN_STATUS* T_NMEA_pPortScanStatus(U8 u8Channel);
void T_NMEA_vUpdateNavCompassMenus(void);
// The heading-rate slider and the calibration action, once a sensor is found.
void T_NMEA_vRegisterCompassSetupMenus(void);
// One 500 ms tick of a port's state machine: its counters and one step.
void T_NMEA_vPortTick(NMEA_PORT_INFO* pPort);
// Adds "*hh\r\n" to a sentence that ends with "*" (or has none; the "*" is
// added) and queues it on the port's channel; returns the checksum.
U8 T_NMEA_u8SendSentence(const NMEA_PORT_INFO* pPort, const char* pcSentence);
// The XOR of the characters between the start character and "*".
U8 T_NMEA_u8Checksum(const char* pcSentence);

// ---- t_nmea_input.cpp ----

// Drains the port's receive queue through the framing; returns after twelve
// checksum comparisons and signals the queue's semaphore again, so that the
// rest waits only for the task's other work.
void T_NMEA_vHandleReceive(BOOLEAN bIgnoreInput, NMEA_PORT_INFO* pPort);
// Frames one receive-queue entry; TRUE when it completed a checksum
// comparison. SiRF binary messages are read from the same bytes: a whole one
// with a good sum sets bBinaryMsgReceived.
BOOLEAN T_NMEA_bFrameEntry(NMEA_PORT_INFO* pPort, U16 u16Entry);
// Recognises and applies one sentence (without its start character, with
// "*hh" when it had one).
void T_NMEA_vParseSentence(const char* pSentence, NMEA_PORT_INFO* pPort);
// Publishes a WGS 84 position in Mercator metres and the chosen datum; FALSE
// when it is off the chart.
BOOLEAN T_NMEA_bUpdateLatLon(const POSITION* pPosition, U32 TimeOfPos, U32 u32Priority);
void T_NMEA_vGPSDetected(NMEA_PORT_INFO* pPort);
// Forgets what the sentences of a previous run left (heading and speed
// rings, satellite arbitration, first-sentence flags).
void T_NMEA_vResetInput(void);

// What every parsed GGA and RMC gave, for those who check the parser against
// other decoders. The callback runs in the NMEA task.
typedef struct tag_NMEA_FIX_TRACE {
  const char* pcSentence;  // as framed
  U32 u32Priority;
  BOOLEAN bPosition;
  double dLat, dLon;       // WGS 84 degrees
  BOOLEAN bTime;           // RMC with a date
  double dTimeOfDay;       // seconds, fraction kept
  U32 u32DateTime;         // what IDTM got
  BOOLEAN bMotion;         // RMC with speed
  double dKnots;
  BOOLEAN bCourse;
  double dCourse;
} NMEA_FIX_TRACE;
void T_NMEA_vSetFixTrace(void (*pfTrace)(const NMEA_FIX_TRACE*));
// Sentences framed whole and handed to the parser since the program started.
U32 T_NMEA_u32SentencesParsed(void);
// The magnetic deviation of the last HDG sentence that gave one, and its
// direction letter; 0 before any.
char T_NMEA_cHdgDeviation(float* pfDeviation);

// ---- t_nmea_out.cpp ----

// What one output run sends, gathered from the database.
typedef struct tag_NMEA_OUT_DATA {
  BOOLEAN bNMEAOutEnabled;
  BOOLEAN bGPSOutEnabled;
  BOOLEAN bGPSValid;
  char sPosition[26];
  char sTime[8];
  char sDate[8];
  U32 nFixIndicator;
  float fHeading;
  float fMagneticVariation;
  float fSpeed;
  S32 nLocalTimeZone;
  BOOLEAN bNavOutEnabled;
  BOOLEAN bNavValid;
  BOOLEAN bACE;
  BOOLEAN bPPD;
  char sOrigName[13];
  char sDestName[13];
  char sDestPosition[26];
  float fTRK;
  float fBRG;
  float fXTE;
  float fDTG;
  float fDCV;
  BOOLEAN bDepthValid;
  float fDepth;
  float fDepthOffset;
  BOOLEAN bTempValid;
  float fTemp;
  float fHeadingTrue;
  float fMagneticSensorHeading;
  BOOLEAN bHeadingTrueValid;        // IHDC valid: a heading source is there
  BOOLEAN bMagneticHeadingValid;    // IHDM valid
} NMEA_OUT_DATA;

constexpr int NMEA_OUT_MAX_SENTENCE = 82;
// Room for every sentence of one run.
constexpr int NMEA_OUT_RUN_SIZE = 12 * (NMEA_OUT_MAX_SENTENCE + 1) + 1;

// One output run, every second; the cycle step advances also when nothing
// is sent.
void T_NMEA_vHandleTransmit(void);
void T_NMEA_vGatherOutput(NMEA_OUT_DATA* pData);
// "ddmm.mmmm,N,dddmm.mmmm,E," of a position in degrees.
void T_NMEA_vFormatPosition(double dLat, double dLon, char* sOut, size_t size);
// The sentences of one run at cycle step nStep (0-3), each with its
// checksum and CR LF, into pcOut; returns the characters written.
int T_NMEA_nFormatRun(const NMEA_OUT_DATA* pData, int nStep, const char* pcTalker, char* pcOut, size_t size);

// ---- t_nmea_setup.cpp: what is said to the receivers ----

// Whole binary messages into pOut (nSize bytes); the bytes written, 0 when
// they do not fit. UBX: B5 62, class, id, length, payload, Fletcher sum.
int T_NMEA_nUbxFrame(U8 u8Class, U8 u8Id, const U8* pPayload, int nLength, U8* pOut, int nSize);
// SiRF: A0 A2, length, payload, 15-bit sum, B0 B3.
int T_NMEA_nSirfFrame(const U8* pPayload, int nLength, U8* pOut, int nSize);
// The u-blox CFG-GNSS message with GLONASS on or off.
int T_NMEA_nGnssConfiguration(BOOLEAN bGlonass, U8* pOut, int nSize);
void T_NMEA_vCompassCalibrationStop(void);
// Forgets the time of the last initialisation (a new run of the task).
void T_NMEA_vResetSetup(void);

// ---- t_nmea_diag.cpp: the GPS diagnostic view ----

constexpr U32 NMEA_DIAG_LIST = 20;  // satellites of each list
typedef struct tag_NMEA_DIAG_SAT {
  U8 u8Number;
  U8 u8Elevation;   // degrees, 0-90
  U16 u16Azimuth;   // degrees, 0-359
  U8 u8Cno;         // dB-Hz
  BOOLEAN bUsed;    // in the fix
} NMEA_DIAG_SAT;

// Registers the view (layer 152 under SVGD) and its data boxes.
void T_NMEA_vRegisterGPSDiagnosticView(void);
void T_NMEA_vDrawDiagnosticView(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER psWindowSpec);
void T_NMEA_vDrawDiagnosticLatLon(BITMAP* pBitmap, POINT origin, BOOLEAN bBlinkOn, U32 nLang);
// The satellites of both lists (2 x NMEA_DIAG_LIST entries of room) by
// ascending azimuth; returns the count.
U32 T_NMEA_u32CollectSatellites(NMEA_DIAG_SAT* pOut);
// The average signal of the four strongest (0 with fewer than 4 received)
// and of all received satellites, rounded.
void T_NMEA_vCnoAverages(const NMEA_DIAG_SAT* pSats, U32 n, S32* ps32Top4, S32* ps32Average);
// A satellite's place in the sky plot from its centre, y upward.
POINT T_NMEA_ptSkyOffset(U16 u16Azimuth, U8 u8Elevation);

// ---- t_nmea_pending.cpp: the
// AIS menus, whose work is built later ----

void T_NMEA_vHandleScanBaudRate(NMEA_PORT_INFO* pPort, int nMinShift, int nMaxShift);
void T_NMEA_vIdentifyGPS(NMEA_PORT_INFO* pPort);
void T_NMEA_vSetupSentences(NMEA_PORT_INFO* pPort, LAYER_ID eView);
void T_NMEA_vChangeBaudRate(int nBaudRate, NMEA_PORT_INFO* pPort);
void T_NMEA_vInitializeGPS(NMEA_RESET eNMEAReset, NMEA_PORT_INFO* pPort);
void T_NMEA_vTransmitUBloxInitialization(NMEA_RESET eNMEAReset, NMEA_PORT_INFO* pPort);
void T_NMEA_vNavmanSwitchToBinary(NMEA_SERIAL_INFO* pSerial);
// The SiRF binary messages: SBAS as the correction source, and back to NMEA
// at 38400 baud; each waits until it has left and the receiver has had a
// moment.
void T_NMEA_vNavmanSelectSbas(U8 u8Channel);
void T_NMEA_vNavmanSwitchToNmea(U8 u8Channel);
void T_NMEA_vSetupNavmanSentences(const NMEA_PORT_INFO* pPort);
void T_NMEA_vSendGnssConfiguration(BOOLEAN bGlonass);
void T_NMEA_vCompassCalibrationStart(void);
void T_NMEA_vSetupAISMenuItems(void);

// ---- t_nmea_ais.cpp: the AIS target pool ----

// Empties the pool and forgets partial messages.
void T_NMEA_vAisInit(void);
// Decodes one VDM sentence (from its address on) into the pool, stamping
// the target with u32Time (T_NMEA_u32AisNow()); TRUE when a target was
// inserted or updated, whose MMSI then goes to *pu32MMSI when given. Takes
// mutex 68.
BOOLEAN T_NMEA_bAisDecodeVDM(const char* pcSentence, U32 u32Time, U32* pu32MMSI = nullptr);
// The clock the pool's stamps and time-outs run on (seconds); null restores
// the monotonic one.
void T_NMEA_vSetAisClock(U32 (*pfSeconds)(void));
