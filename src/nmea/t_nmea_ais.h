// The AIS targets the unit hears: up to 150 ships kept in MMSI order, each
// with what its reports said, when the last one came, its closest approach
// to the own boat and its collision-alarm state. The NMEA task fills the
// pool from VDM sentences; the navigation task ages it and raises the alarm
// once a second; the chart, the highway view and the target list read it.
// Every access holds mutex 68 (RES_AIS_DATA); entries move on every insert
// and removal, so a pointer into the pool is good only while it is held.
#pragma once

#include "basetypes.h"

constexpr U32 AIS_MAX_TARGETS = 150;
// Seconds without a report after which a target is dropped.
constexpr U32 AIS_TARGET_TIMEOUT_S = 960;
// The navigation task's alarm text: the longest language's "AIS Alarm for",
// " <", ten digits, ">" and the end, wide texts two bytes a character.
constexpr U32 AIS_ALARM_TEXT_SIZE = 64;

// Which fields of a target are meaningful.
enum enValFlagIndex : U32 {
  MMSI_FLAG_INDEX = 0,
  LASTMSG_FLAG_INDEX = 1,
  NAVSTATUS_FLAG_INDEX = 2,
  ROT_FLAG_INDEX = 3,
  SOG_FLAG_INDEX = 4,
  COG_FLAG_INDEX = 5,
  POSACC_FLAG_INDEX = 6,
  SHIPPOS_FLAG_INDEX = 7,   // Latitude and Longitude
  SHIPTYPE_FLAG_INDEX = 8,
  SHIPDIM_FLAG_INDEX = 9,
  TRUEHEAD_FLAG_INDEX = 10,
  UTCSEC_FLAG_INDEX = 11,
  ALTITUDE_FLAG_INDEX = 12,
  NAME_FLAG_INDEX = 13,
  IMO_FLAG_INDEX = 14,
  DEST_FLAG_INDEX = 15,
  ETA_FLAG_INDEX = 16,
  CALLSIGN_FLAG_INDEX = 17,
  DRAUGHT_FLAG_INDEX = 18,
  LAST_VALFLAG_INDEX = 19,
};

enum enNavStatus : U32 {
  UNDER_WAY_USING_ENGINE = 0,
  AT_ANCHOR = 1,
  NOT_UNDER_COMMAND = 2,
  RESTRICTED_MAN = 3,
  CONSTRAINED_BY_DRAUGHT = 4,
  MOORED = 5,
  AGROUND = 6,
  ENGAGED_IN_FISHING = 7,
  UNDER_WAY_SAILING = 8,
  FOR_FUTURE_HSC = 9,
  FOR_FUTURE_WIG = 10,
  FOR_FUTURE_11 = 11,
  FOR_FUTURE_12 = 12,
  FOR_FUTURE_13 = 13,
  FOR_FUTURE_14 = 14,
  NAV_STATUS_NOT_DEFINED = 15,
};

enum enPosAccuracy : U32 {
  GREATER_TEN_METERS = 0,
  LOWER_TEN_METERS = 1,
};

typedef struct tag_strRot {
  double Value;    // degrees per minute, negative to port
  BOOLEAN Right;   // turning to starboard
} strRot;

// Metres from the position reference to bow, stern, port and starboard.
typedef struct tag_strDimRefPos {
  U32 DimBow_A;
  U32 DimStern_B;
  U32 DimPort_C;
  U32 DimStarboard_D;
} strDimRefPos;

typedef struct tag_UT_DATETIME {
  U32 Date;  // day x 10000 + month x 100
  U32 Time;  // hour x 10000 + minute x 100
} UT_DATETIME;

typedef struct tag_aisTargetINFO {
  BOOLEAN validTarget;
  U32 MMSI;
  U8 LastMsg;              // id of the message that last updated the target
  enNavStatus NavStatus;
  strRot Rot;
  double Sog;              // knots
  enPosAccuracy PosAccuracy;
  double Latitude;         // degrees, north positive
  double Longitude;        // degrees, east positive
  double Cog;              // degrees
  U32 TrueHeading;         // degrees
  U8 TimeStamp_UTCsec;
  U32 Altitude;            // metres
  char Name[21];
  U8 ShipType;
  strDimRefPos ShipDimension;
  U32 IMO;
  char CallSign[8];
  UT_DATETIME Eta;
  char Destination[21];
  double Draught;          // metres
  double CPA;              // nautical miles
  double TCPA;             // minutes; 0 when the closest approach is now or past
  BOOLEAN validityFlag[LAST_VALFLAG_INDEX];
} aisTargetINFO;

typedef struct tag_ais_DeviceInfo {
  aisTargetINFO aisInfo;
  U32 ReceiveLastTime;     // T_NMEA_u32AisNow() of the last report: for ages
  U32 ReceiveDateTime;     // IDTM then, 0 without GPS time: for showing
  BOOLEAN bAisAlarmActive;
  BOOLEAN bAisAlarmCleared;
  char sAlarmString[AIS_ALARM_TEXT_SIZE];
} ais_DeviceInfo;

typedef struct tag_AISPOOL {
  ais_DeviceInfo TargetStruct[AIS_MAX_TARGETS];
  U32 NumOfTargets;
} AISPOOL;

// The entry at nIndex while it is a live target; FALSE past the end. The
// caller holds mutex 68 while it uses the entry.
BOOLEAN T_NMEA_bScanAisPoints(S32 nIndex, ais_DeviceInfo** ppInfo);
U32 T_NMEA_u32GetAisNumOfTargets(void);
// Takes mutex 68 itself; -1 for an MMSI not held.
S32 T_NMEA_s32GetAisIndex(U32 u32MMSI);

// What a target is called on every screen and in its alarm: its name once a
// static report gave one, else its call sign, else its MMSI in decimal; an
// ASCII text cut to u32Size bytes with its terminator. TRUE for a name or
// call sign, FALSE when it is the MMSI.
BOOLEAN T_NMEA_bAisLabel(const aisTargetINFO* pTarget, char* pcLabel, U32 u32Size);

// The clock of ReceiveLastTime: seconds that run on across calendar clock
// steps and without GPS time. The age of a report is now minus its stamp.
U32 T_NMEA_u32AisNow(void);

// Removes the entry at nIndex when it has been silent AIS_TARGET_TIMEOUT_S
// or more and returns TRUE; the target list hears of it only from
// T_NMEA_vAisSendTargetListNotices. Caller holds mutex 68.
BOOLEAN T_NMEA_bAisCheckTimeout(ais_DeviceInfo* pInfo, U32 nIndex);
// Tells the target list of the targets dropped since the last call. Call
// with mutex 68 released (the list takes 10 and then 68); a caller still
// holding it leaves the notices for a later call.
void T_NMEA_vAisSendTargetListNotices(void);
// Where those notices go: the target list's handler (MMSI and the index the
// target had), registered once before the tasks run (see l_hook.h); without
// one they are dropped.
BOOLEAN T_NMEA_bRegisterAisTargetDropped(void (*pfDropped)(U32 u32MMSI, int nIndex));

// The navigation task's one-second pass, when AIS is on: under mutex 68
// drops every silent target (an alarmed one has its alarm ended first) and
// hands each other one to pfUpdateAlarm with its danger test; then, 68
// released, tells the target list.
void T_NMEA_vAisCheckTargets(void (*pfUpdateAlarm)(BOOLEAN bAisAlarm, ais_DeviceInfo* pInfo));

// Recomputes CPA and TCPA of every target from the own boat's position,
// course and speed; takes mutex 68 (nested in the VDM path's hold).
void T_NMEA_vAisCalculateCollisionValue(void);
// The same for the one target a report changed; nothing for an MMSI not held.
void T_NMEA_vAisCalculateCollisionValueOf(U32 u32MMSI);
// The own boat's motion moves every target's closest approach: the whole
// pool again when the pool's clock (T_NMEA_u32AisNow) has reached another
// second since the last whole pass.
void T_NMEA_vAisCalculateCollisionValueEverySecond(void);
// TRUE when the target is a collision danger by the limits SCPA (nautical
// miles) and STCP (minutes); FALSE without a valid own or target position.
// Caller holds mutex 68.
BOOLEAN T_NMEA_bAisHasAlarm(const ais_DeviceInfo* pInfo);
