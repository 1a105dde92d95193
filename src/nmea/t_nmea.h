// The NMEA task: its entry, the requests other tasks mail to it, and what
// they may read of its ports.
#pragma once

#include "basetypes.h"
#include "layer_id.h"
#include "msghdr.h"

// A position source; its number is also its database write priority.
enum GPS_SOURCE_ID : U32 {
  ID_INVALID = 0,
  ID_NETWORK_GPS = 4,
  ID_GATEWAY_ATTACHED_GPS = 5,
  ID_EXTERNAL_GPS = 6,
  ID_INTERNAL_GPS = 7,
  ID_REMOTE_EXTERNAL_GPS = 8,
  ID_REMOTE_INTERNAL_GPS = 9,
  ID_NAVRO_GPS = 10,
  ID_NMEA2K_GPS = 11,
  ID_EXTERNAL_AIS = 12,
  ID_EXTERNAL_AIS2 = 13,
  ID_AUTO_SELECT = 14,
};

enum NMEA_RESET : U32 {
  NMEA_RESET_NONE = 0,
  NMEA_RESET_COLD = 1,
  NMEA_RESET_HOT = 2,
  NMEA_RESET_FACTORY = 3,
};

enum COMPASS_MODE : S32 {
  COMPASS_TEST_MODE = 1,
  COMPASS_NORMAL_MODE = 2,
  COMPASS_DIAG_MODE = 3,
  COMPASS_ALL_MSG_MODE = 4,
};

// The heading sensor's line rates.
enum COMPASS_BAUD : S32 {
  COMPASS_BAUD_4800 = 4800,
  COMPASS_BAUD_9600 = 9600,
  COMPASS_BAUD_38400 = 38400,
};

enum COMPASS_MSG_TYPE : S32 {
  HDG_MSG = 1,
  PNR_MSG = 2,
};

enum COMPASS_TEST : S32 {
  TEST_SEND_VERSION = 1,
  TEST_ZERO_TILT_CAL = 2,
  TEST_START_HARD_IRON_CAL = 3,
  TEST_STOP_HARD_IRON_CAL = 4,
  TEST_SEND_CAL_DATA = 5,
};

typedef struct tag_GPS_DETECT_MSG {
  GENERIC_MESSAGE Header;  // CMD_ID_NMEA_GPS_DETECT
  GPS_SOURCE_ID eSourceID;
} GPS_DETECT_MSG;

typedef struct tag_GPS_RATE_MSG {
  GENERIC_MESSAGE Header;  // CMD_ID_NMEA_GPS_RATE
  LAYER_ID eView;          // UNKNOWN_VIEW: the view now shown
} GPS_RATE_MSG;

typedef struct tag_GPS_RESET_MSG {
  GENERIC_MESSAGE Header;  // CMD_ID_NMEA_GPS_RESET
  GPS_SOURCE_ID eSourceID;
  NMEA_RESET eNMEAReset;
} GPS_RESET_MSG;

typedef struct tag_COMPASS_MSG {
  GENERIC_MESSAGE Header;  // CMD_ID_COMPASS_HDG_RATE ... CMD_ID_COMPASS_MODE_CMD
  S32 s32CompassCmd;
} COMPASS_MSG;

void T_NMEA_vMain(void);
// What to do at the first AIS sentence (the navigation task offers its AIS
// menus); registered once, before the tasks run.
BOOLEAN T_NMEA_bRegisterFirstAisSentence(void (*pfn)(void));

// Client functions: each mails the NMEA task (message priority 3, no
// acknowledgement); nothing is sent when the heap has no block.
void T_NMEA_vGPSDetectedByID(GPS_SOURCE_ID eSourceID);
void T_NMEA_vConfigureGPS(LAYER_ID eView);
void T_NMEA_vResetGPS(NMEA_RESET eNMEAReset, GPS_SOURCE_ID eSourceID);
void T_NMEA_vSetCompassMode(COMPASS_MODE eMode);
void T_NMEA_vSetCompassBaudRate(COMPASS_BAUD eBaud);
// Types other than HDG_MSG and PNR_MSG send nothing.
void T_NMEA_vSetCompassMsgRate(COMPASS_MSG_TYPE eType, S8 s8RateInHz);
void T_NMEA_vRunCompassTest(COMPASS_TEST eTest);

// What the ports show, 0 while a port has no record. Read without a lock:
// each is one word the NMEA task writes.
U32 T_NMEA_u32GetInternalIPFI(void);
U32 T_NMEA_u32GetExternalIPFI(void);
U32 T_NMEA_u32GetGPSType(BOOLEAN bExternal);
U32 T_NMEA_u32GetExternalDataTimeout(void);

// The current language's name of the source in use (key CGPS): "External
// GPS", "Internal GPS" or "Auto".
const char* T_NMEA_pGPSSource(void);
// The text table of the current fix: "No Fix", "2D Fix", "3D Fix",
// "Enhanced" or "Unknown".
const char* const* T_NMEA_pFixType(void);
