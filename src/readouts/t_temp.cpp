// The water-temperature task turns the transducer's thermistor reading AD02
// into degrees Celsius through the generated table, adds the user's offset,
// publishes the temperature and its readout once a plausible reading comes,
// and raises the temperature alarm when the water reaches the set point.

#include "t_temp.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>

#include "error.h"
#include "h_memory.h"
#include "linuxsvc.h"
#include "model_current.h"
#include "t_startup.h"
#include "u_alarm.h"
#include "u_info.h"
#include "u_language.h"
#include "u_menu.h"
#include "ui_texts.h"

constexpr MENU_PRIORITY MENU_UNITS_TEMP = 116;
constexpr MENU_PRIORITY MENU_TEMP_OFFSET = 135;
constexpr MENU_PRIORITY MENU_TEMP_ALARM = 512;
constexpr U32 TEMP_START_DELAY_MS = 5000;
constexpr U32 TEMP_DATA_BOX_WINDOW = 1;
// Plausible water: anything else is a faulty probe and publishes nothing.
constexpr float TEMP_LOWEST = -20.0f;
constexpr float TEMP_HIGHEST = 80.0f;
constexpr float TEMP_ALARM_ON = 0.1f;
constexpr float TEMP_HALF_DEGREE_C = 0.5f;
constexpr float TEMP_HALF_DEGREE_F = 0.2777778f;
constexpr float TEMP_OFFSET_LIMIT = 10.0f;
// The simulated reading sweeps a triangle of this many notices.
constexpr U16 TEMP_SIM_PERIOD = 480;

typedef struct tag_TEMP_SENSOR_CONTROL {
  U32 u32Source;
  BOOLEAN bSensorFound;
  BOOLEAN bMenusUp;
  BOOLEAN bAlarmEnabled;
  U8 u8SensorType;
  U32 u32RawCounts;
  UNIT_TYPE eUnits;
  FOURCHARID fcidInfoItem;
  FOURCHARID fcidAlarmItem;
  FOURCHARID fcidCalibrationItem;
  FOURCHARID fcidFoundItem;
  ALARM_PRIORITY eAlarm;
  float fTemperature;
  float fAlarmSetpoint;
  float fCalibration;
  float fAlarmHysteresis;
  float fAlarmWindow;
  U32 u32AdcTimeOut;
  U16 u16SimPosition;
  TEMP_ALARM_STATE eTempAlarmState;
} TEMP_SENSOR_CONTROL;

static TEMP_SENSOR_CONTROL s_sTempControl[2];
static BOOLEAN s_bTempPosMode = FALSE;
static BOOLEAN s_bStartDelayComplete = FALSE;
static BOOLEAN s_bMenusInitialized = FALSE;
static BOOLEAN s_bShutdown = FALSE;
static U64 s_StartTimeStamp = 0;
static T_TEMP_CLOCK* s_pfnTempClock = nullptr;

void T_TEMP_vSetClock(T_TEMP_CLOCK* pfnClock) { s_pfnTempClock = pfnClock; }

static U64 TEMP_u64Now(void) { return s_pfnTempClock != nullptr ? s_pfnTempClock() : L_CLOCK_qwGetTimeInMillis(); }

static const MENU_LIMITS s_OffsetLimits = {U_NONE, -TEMP_OFFSET_LIMIT, TEMP_OFFSET_LIMIT, 0.5f};
static const MENU_LIMITS s_AlarmLimits[] = {
    {U_FAHRENHEIT, 32.0f, 120.0f, 1.0f}, {U_CELSIUS, 0.0f, 50.0f, 1.0f}, {}};
static const MENU_TEXT s_apUnits[] = {Degrees_C, Degrees_F};
static const U32 s_au32Units[] = {U_CELSIUS, U_FAHRENHEIT};

// ---------------------------------------------------------------------------
// Conversions and the alarm's states

float T_TEMP_fTemperature(U32 u32Raw, float fOffset, UNIT_TYPE eUnits) {
  const float fCelsiusOffset = eUnits == U_FAHRENHEIT ? fOffset * 0.5555556f : fOffset;
  return T_TEMP_afWaterTempLookup[(u32Raw >> 6) % T_TEMP_TABLE_SIZE] + fCelsiusOffset;
}

float T_TEMP_fConvertOffset(float fOffset, UNIT_TYPE eFrom, UNIT_TYPE eTo) {
  if (eFrom == eTo) return fOffset;
  if (eTo == U_FAHRENHEIT) return std::clamp(fOffset * 1.8f, -TEMP_OFFSET_LIMIT, TEMP_OFFSET_LIMIT);
  return fOffset * 0.5555556f;
}

TEMP_ALARM_STATE T_TEMP_eAlarmStep(TEMP_ALARM_STATE eState, float fT, float fSp, float fW, float fH,
                                   BOOLEAN* pbRaise) {
  *pbRaise = FALSE;
  switch (eState) {
    case INITIAL_STATE:
      return fT > fSp ? WAITING_TO_DROP_BELOW_SP : WAITING_TO_EXCEED_SP;
    case WAITING_TO_EXCEED_SP:
      if (fT < fSp - fW) return eState;
      *pbRaise = TRUE;
      return WAITING_TO_EXCEED_SP_PLUS_HYST;
    case WAITING_TO_DROP_BELOW_SP:
      if (fT >= fSp + fW) return eState;
      *pbRaise = TRUE;
      return WAITING_TO_DROP_BELOW_SP_LESS_HYST;
    case WAITING_TO_EXCEED_SP_PLUS_HYST:
      if (fT > fSp + fW + fH) return WAITING_TO_DROP_BELOW_SP;
      if (fT <= fSp - (fW + fH)) return WAITING_TO_EXCEED_SP;
      return eState;
    case WAITING_TO_DROP_BELOW_SP_LESS_HYST:
      if (fT < fSp - (fW + fH)) return WAITING_TO_EXCEED_SP;
      if (fT >= fSp + fW + fH) return WAITING_TO_DROP_BELOW_SP;
      return eState;
    default:
      return INITIAL_STATE;
  }
}

BOOLEAN T_TEMP_bIsSensorPresent(int nSensorIndex) {
  if (nSensorIndex < 0 || nSensorIndex > 1) return FALSE;
  return s_sTempControl[nSensorIndex].bSensorFound;
}

// ---------------------------------------------------------------------------
// Settings

static UNIT_TYPE TEMP_eDefaultUnits(void) {
  U32 u32Set = 0;
  if (H_DATABASE_bFetchU32(FCID("SLNS"), &u32Set, nullptr, nullptr) && u32Set == 1) return U_CELSIUS;
  return MODEL_bDomesticModel() ? U_FAHRENHEIT : U_CELSIUS;
}

static void TEMP_vDefault(FOURCHARID id, DATA_TYPE type, DB_DATA_TYPE value, MENU_TEXT pName, BOOLEAN bForce) {
  if (bForce) {
    H_DATABASE_bUpdateEverything(id, value, P_NORMAL, type, pName, DB_NEVER_STALE);
    return;
  }
  DB_ATTRIBUTES extra = {type, pName, DB_NEVER_STALE};
  H_DATABASE_vReadOrSetDefault(id, &value, P_DEFAULT_SETTING, &extra);
}

static void vSetDefaultSettings(BOOLEAN bForceFactoryDefaults) {
  DB_DATA_TYPE zero = {};
  zero.fVal = 0.0f;
  DB_DATA_TYPE units = {};
  units.u32Val = TEMP_eDefaultUnits();
  TEMP_vDefault(FCID("SUTE"), D_UNITS, units, nullptr, bForceFactoryDefaults);
  TEMP_vDefault(FCID("SATM"), D_TEMPERATURE, zero, Temp_Alarm, bForceFactoryDefaults);
  TEMP_vDefault(FCID("SCAT"), D_FLOAT, zero, nullptr, bForceFactoryDefaults);
  TEMP_vDefault(FCID("SATX"), D_TEMPERATURE, zero, Temp_Alarm, bForceFactoryDefaults);
  TEMP_vDefault(FCID("SCAX"), D_FLOAT, zero, nullptr, bForceFactoryDefaults);
  DB_DATA_TYPE no = {};
  for (FOURCHARID id : {FCID("SFTM"), FCID("IFTS"), FCID("IFTA")}) {
    TEMP_vDefault(id, D_UNKNOWN, no, nullptr, bForceFactoryDefaults);
  }
  if (MODEL_bDomesticModel()) {
    static const U32 s_au32Domestic[] = {U_FAHRENHEIT};
    H_DATABASE_vCheckForValidUnits(FCID("SUTE"), s_au32Domestic, 1, U_FAHRENHEIT);
  }
}

static void TEMP_vUnits(UNIT_TYPE eUnits) {
  for (TEMP_SENSOR_CONTROL& s : s_sTempControl) {
    s.eUnits = eUnits;
    s.fAlarmHysteresis = eUnits == U_FAHRENHEIT ? TEMP_HALF_DEGREE_F : TEMP_HALF_DEGREE_C;
    s.fAlarmWindow = s.fAlarmHysteresis;
  }
}

// ---------------------------------------------------------------------------
// Publishing and the alarm

// The offset is kept in the user's temperature unit, not converted by the
// menu, so its row names that unit itself and is put again on a change.
static void TEMP_vRegisterOffsetRow(void) {
  const MENU_TEXT pSuffix = s_sTempControl[0].eUnits == U_FAHRENHEIT ? Degrees_F : Degrees_C;
  U_MENU_bRegisterMainSliderMenu(Temp_Offset, Setup, MENU_TEMP_OFFSET, FCID("SCAT"), &s_OffsetLimits, nullptr,
                                 nullptr, pSuffix, M_ADVANCED);
}

static void vInitializeMenus(void) {
  if (s_bMenusInitialized) return;
  s_bMenusInitialized = TRUE;
  TEMP_vRegisterOffsetRow();
  U_MENU_bRegisterMainSliderMenu(Temp_Alarm, Alarms, MENU_TEMP_ALARM, FCID("SATM"), s_AlarmLimits, Off, nullptr,
                                 nullptr, M_BASIC);
  H_DATABASE_bUpdateEverythingU32(FCID("BTMP"), FCID("ITMP"), P_NORMAL, D_FCID, Temperature, DB_NEVER_STALE);
  L_SEMA_Signal(SEMA_INFOBOX_UPDATE);
  BOOLEAN bShown = FALSE;
  H_DATABASE_bFetchBoolean(FCID("SFTM"), &bShown, nullptr, nullptr);
  if ((s_bTempPosMode || !bShown) && U_INFO_bDisplayInInfoBox(FCID("BTMP"), TEMP_DATA_BOX_WINDOW)) {
    H_DATABASE_bUpdateValueBoolean(FCID("SFTM"), TRUE, P_NORMAL);
  }
}

static BOOLEAN TEMP_bSelected(const TEMP_SENSOR_CONTROL* psTemp) {
  if (psTemp->u32Source == 0) return psTemp->bSensorFound;
  return psTemp->bSensorFound && !s_sTempControl[0].bSensorFound;
}

static void vCheckForTemperatureAlarm(TEMP_SENSOR_CONTROL* psTemp) {
  if (!s_bStartDelayComplete || !psTemp->bAlarmEnabled) return;
  BOOLEAN bRaise = FALSE;
  psTemp->eTempAlarmState = T_TEMP_eAlarmStep(psTemp->eTempAlarmState, psTemp->fTemperature, psTemp->fAlarmSetpoint,
                                              psTemp->fAlarmWindow, psTemp->fAlarmHysteresis, &bRaise);
  if (!bRaise || !TEMP_bSelected(psTemp)) return;
  ALARM_SET_MESSAGE alarm = {};
  alarm.Priority = psTemp->eAlarm;
  alarm.pMessageString = Temp_Alarm[nCurrentLanguage()];
  alarm.InitialToneID = TONE_GENERAL_ALERT;
  U_ALARM_bSetAlarm(&alarm, FALSE);
}

static U32 TEMP_u32Timeout(const TEMP_SENSOR_CONTROL* psTemp) {
  if (psTemp->u32AdcTimeOut == 0) return 1;
  return psTemp->u32AdcTimeOut >= DB_NEVER_STALE / 2 ? DB_NEVER_STALE : 2 * psTemp->u32AdcTimeOut;
}

static void TEMP_vWrite(const TEMP_SENSOR_CONTROL* psTemp) {
  const U32 u32Timeout = TEMP_u32Timeout(psTemp);
  H_DATABASE_bUpdateEverythingFloat(psTemp->fcidInfoItem, psTemp->fTemperature, P_NORMAL, D_TEMPERATURE,
                                    Temperature, u32Timeout);
  if (TEMP_bSelected(psTemp)) {
    H_DATABASE_bUpdateEverythingFloat(FCID("ITMP"), psTemp->fTemperature, P_NORMAL, D_TEMPERATURE, Temperature,
                                      u32Timeout);
  }
}

static void vUpdateDatabaseNormal(TEMP_SENSOR_CONTROL* psTemp) {
  if (!(psTemp->fTemperature > TEMP_LOWEST && psTemp->fTemperature < TEMP_HIGHEST)) return;
  if (!psTemp->bSensorFound) {
    psTemp->bSensorFound = TRUE;
    log_me("[%d]%s: water temperature sensor %u found", __LINE__, __func__, (unsigned)psTemp->u32Source);
    H_DATABASE_bUpdateValueBoolean(psTemp->fcidFoundItem, TRUE, P_NORMAL);
    vInitializeMenus();
    psTemp->bMenusUp = TRUE;
  }
  TEMP_vWrite(psTemp);
  vCheckForTemperatureAlarm(psTemp);
}

// The point-of-sale and simulation states sweep the reading up and down.
static void TEMP_vSimulate(TEMP_SENSOR_CONTROL* psTemp) {
  psTemp->u16SimPosition = (U16)((psTemp->u16SimPosition + 1) % TEMP_SIM_PERIOD);
  const U32 p = psTemp->u16SimPosition;
  const U32 u32Raw = p < TEMP_SIM_PERIOD / 2 ? 41600 - p * 6400 / 240 : 35200 + (p - 240) * 6400 / 240;
  psTemp->u32RawCounts = u32Raw;
  psTemp->fTemperature = T_TEMP_fTemperature(u32Raw, psTemp->fCalibration, psTemp->eUnits);
  if (!psTemp->bSensorFound) {
    psTemp->bSensorFound = TRUE;
    vInitializeMenus();
    psTemp->bMenusUp = TRUE;
  }
  TEMP_vWrite(psTemp);
  vCheckForTemperatureAlarm(psTemp);
}

static void TEMP_vReading(TEMP_SENSOR_CONTROL* psTemp, U32 u32Raw) {
  if (psTemp->u32AdcTimeOut == 0) {
    DB_ATTRIBUTES attributes = {};
    if (H_DATABASE_bFetch(FCID("AD02"), nullptr, nullptr, &attributes)) psTemp->u32AdcTimeOut = attributes.u32TimeOut;
  }
  psTemp->u32RawCounts = u32Raw;
  psTemp->fTemperature = T_TEMP_fTemperature(u32Raw, psTemp->fCalibration, psTemp->eUnits);
  vUpdateDatabaseNormal(psTemp);
}

// ---------------------------------------------------------------------------
// Mail

static void TEMP_vSetPoint(TEMP_SENSOR_CONTROL* psTemp, float fSetPoint) {
  psTemp->fAlarmSetpoint = fSetPoint;
  psTemp->eTempAlarmState = INITIAL_STATE;
  psTemp->bAlarmEnabled = fSetPoint >= TEMP_ALARM_ON;
  if (!psTemp->bAlarmEnabled) U_ALARM_bClearAlarm(psTemp->eAlarm);
}

static void TEMP_vNewUnits(UNIT_TYPE eUnits) {
  if (eUnits != s_sTempControl[0].eUnits) {
    const FOURCHARID offsets[] = {FCID("SCAT"), FCID("SCAX")};
    for (U32 i = 0; i < 2; i++) {
      TEMP_SENSOR_CONTROL& s = s_sTempControl[i];
      s.fCalibration = T_TEMP_fConvertOffset(s.fCalibration, s.eUnits, eUnits);
      H_DATABASE_bUpdateValueFloat(offsets[i], s.fCalibration, P_NORMAL);
    }
  }
  TEMP_vUnits(eUnits);
  if (s_bMenusInitialized) TEMP_vRegisterOffsetRow();
}

static void TEMP_vSystemState(U32 u32State) {
  s_bTempPosMode = u32State == STATE_POINT_OF_SALE || u32State == STATE_SIMULATION;
  if (s_bTempPosMode) vSetDefaultSettings(TRUE);
}

static void TEMP_vNewData(const MESSAGE_NEW_DATA* p) {
  TEMP_SENSOR_CONTROL* psMain = &s_sTempControl[0];
  if (!s_bStartDelayComplete && TEMP_u64Now() - s_StartTimeStamp > TEMP_START_DELAY_MS) {
    s_bStartDelayComplete = TRUE;
  }
  if (p->FourCharId == FCID("AD02")) {
    if (s_bTempPosMode) {
      TEMP_vSimulate(psMain);
    } else if (p->bValid) {
      TEMP_vReading(psMain, p->dbValue.u32Val);
    }
  } else if (!p->bValid) {
    return;
  } else if (p->FourCharId == FCID("SATM")) {
    TEMP_vSetPoint(psMain, p->dbValue.fVal);
  } else if (p->FourCharId == FCID("SCAT")) {
    psMain->fCalibration = p->dbValue.fVal;
  } else if (p->FourCharId == FCID("SUTE")) {
    TEMP_vNewUnits((UNIT_TYPE)p->dbValue.u32Val);
  } else if (p->FourCharId == FCID("CCST")) {
    TEMP_vSystemState(p->dbValue.u32Val);
  }
}

static void TEMP_vDispatch(GENERIC_MESSAGE* pMsg) {
  if (!s_bShutdown) {
    switch (pMsg->Cmd) {
      case CMD_ID_NEW_DATA:
        TEMP_vNewData((const MESSAGE_NEW_DATA*)pMsg);
        break;
      case CMD_ID_RESET_POS:
        vSetDefaultSettings(TRUE);
        break;
      case CMD_ID_RUN_SYSTEM: {
        U32 u32State = STATE_NORMAL_RUN;
        H_DATABASE_bFetchU32(FCID("CCST"), &u32State, nullptr, nullptr);
        TEMP_vSystemState(u32State);
        H_DATABASE_bRegisterForDataWithConditions(FCID("CCST"), M_WTEMP, TRUE, FALSE, FALSE);
        break;
      }
      case CMD_ID_SHUTDOWN:
        s_bShutdown = TRUE;
        break;
      default:
        break;
    }
  }
  H_MEMORY_vDumpMail(pMsg);
}

// ---------------------------------------------------------------------------
// The task

static void TEMP_vSensor(TEMP_SENSOR_CONTROL* psTemp, U32 u32Source, FOURCHARID info, FOURCHARID alarm,
                         FOURCHARID calibration, FOURCHARID found, ALARM_PRIORITY eAlarm) {
  *psTemp = {};
  psTemp->u32Source = u32Source;
  psTemp->u8SensorType = (U8)u32Source;
  psTemp->fcidInfoItem = info;
  psTemp->fcidAlarmItem = alarm;
  psTemp->fcidCalibrationItem = calibration;
  psTemp->fcidFoundItem = found;
  psTemp->eAlarm = eAlarm;
}

// The reading may come long after this task starts, or never (no
// transducer): its first notice finds the sensor, and the mailbox is served
// from the start rather than after a wait for it.
static void TEMP_vInit(void) {
  log_me("[%d]%s: LWP ID %ld", __LINE__, __func__, (long)syscall(SYS_gettid));
  s_StartTimeStamp = TEMP_u64Now();
  s_bStartDelayComplete = FALSE;
  s_bMenusInitialized = FALSE;
  s_bShutdown = FALSE;
  s_bTempPosMode = FALSE;
  if (H_DATABASE_bUpdateEverythingU32(FCID("TTEM"), (U32)M_WTEMP, P_NORMAL, D_MAILBOX, nullptr, DB_NEVER_STALE)) {
    ERROR_vFatal(__FILE_NAME__, __LINE__, "Somebody else registered the Water Temperature Task Maibox");
  }
  vSetDefaultSettings(FALSE);
  TEMP_vSensor(&s_sTempControl[0], 0, FCID("ITMT"), FCID("SATM"), FCID("SCAT"), FCID("IFTS"),
               WATER_TEMPERATURE_ALARM);
  s_sTempControl[0].u16SimPosition = 34;
  TEMP_vSensor(&s_sTempControl[1], 1, FCID("ITMS"), FCID("SATX"), FCID("SCAX"), FCID("IFTA"),
               AUX_WATER_TEMPERATURE_ALARM);

  U32 u32Units = U_CELSIUS;
  H_DATABASE_bFetchU32(FCID("SUTE"), &u32Units, nullptr, nullptr);
  TEMP_vUnits((UNIT_TYPE)u32Units);
  H_DATABASE_bRegisterForDataWithConditions(FCID("SUTE"), M_WTEMP, TRUE, FALSE, FALSE);
  float fSetPoint = 0.0f;
  H_DATABASE_bFetchFloat(FCID("SATM"), &fSetPoint, nullptr, nullptr);
  s_sTempControl[0].fAlarmSetpoint = fSetPoint;
  s_sTempControl[0].bAlarmEnabled = fSetPoint > TEMP_ALARM_ON;
  H_DATABASE_bRegisterForDataWithConditions(FCID("SATM"), M_WTEMP, TRUE, FALSE, FALSE);
  H_DATABASE_bFetchFloat(FCID("SCAT"), &s_sTempControl[0].fCalibration, nullptr, nullptr);
  H_DATABASE_bRegisterForDataWithConditions(FCID("SCAT"), M_WTEMP, TRUE, FALSE, FALSE);

  U32 u32Raw = 0;
  BOOLEAN bValid = FALSE;
  if (H_DATABASE_bFetchU32(FCID("AD02"), &u32Raw, &bValid, nullptr) && bValid) {
    TEMP_vReading(&s_sTempControl[0], u32Raw);
  }
  H_DATABASE_bRegisterForDataWithConditions(FCID("AD02"), M_WTEMP, TRUE, TRUE, TRUE);
  if (!MODEL_bDomesticModel()) {
    U_MENU_bRegisterMainSelectorMenu(Units_Temp, Setup, MENU_UNITS_TEMP, FCID("SUTE"), 2, s_apUnits, s_au32Units,
                                     M_BASIC);
  }
  L_SEMA_Signal(SEMA_TEMP_INIT);
}

void T_TEMP_vMain(void) {
  TEMP_vInit();
  const SEMA events[] = {SEMA_MBOX_WTEMP, 0};
  for (;;) {
    if (L_SEMA_WaitMultiple(events) != SEMA_MBOX_WTEMP) continue;
    while (GENERIC_MESSAGE* pMsg = (GENERIC_MESSAGE*)L_MBOX_Receive(M_WTEMP)) TEMP_vDispatch(pMsg);
  }
}
