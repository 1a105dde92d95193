// The speed task reads the paddle-wheel once a second, publishes the
// calibrated water speed, the boat speed (the GPS speed over ground while it
// is valid, else the water speed) and keeps the trip log: distance, time and
// average speed, counted whenever a speed exists, stops included.

#include "t_speed.h"

#include <sys/syscall.h>
#include <unistd.h>

#include "color.h"
#include "dd_devpath.h"
#include "error.h"
#include "g_box.h"
#include "g_fonts.h"
#include "h_database.h"
#include "h_memory.h"
#include "h_speed.h"
#include "linuxsvc.h"
#include "model_current.h"
#include "t_startup.h"
#include "u_convert.h"
#include "u_info.h"
#include "u_menu.h"
#include "ui_texts.h"

constexpr MENU_PRIORITY MENU_UNITS_DISTANCE = 117;
constexpr MENU_PRIORITY MENU_UNITS_SPEED = 118;
constexpr MENU_PRIORITY MENU_TRIPLOG_RESET = 124;
constexpr MENU_PRIORITY MENU_SPEED_CALIBRATION = 136;
constexpr U32 SPEED_POLL_MS = 1000;
constexpr U32 SPEED_WATER_TIMEOUT = 4;
constexpr U32 SPEED_BOAT_TIMEOUT = 2;
constexpr U32 SPEED_DATA_BOX_WINDOW = 4;
// The simulated speed of the point-of-sale state wanders inside this band.
constexpr float SPEED_SIM_LOW = 4.0f;
constexpr float SPEED_SIM_HIGH = 9.9f;

static TIMER_INFO* s_pPollTimer = nullptr;
static S32 s_s32SpeedCalibration = 0;
static float s_fTimeLogDistance = 0.0f;
static U32 s_u32TimeLogTime = 0;
static U32 s_nExcessTicks = 0;
static U32 s_nTicks = 0;
static BOOLEAN s_bPOS_mode = FALSE;
static BOOLEAN s_bInlinetest_mode = FALSE;
static BOOLEAN s_bFirstPaddleWheelDetected = FALSE;
static BOOLEAN s_bWaterSpeedDetected = FALSE;
static BOOLEAN s_bSpeedDetected = FALSE;
static float s_fCurrentSpeedx10 = SPEED_SIM_LOW;
static U32 s_u32Random = 12345;

static T_SPEED_SENSOR* s_pfnSensor = nullptr;
static T_SPEED_ELAPSED* s_pfnElapsed = nullptr;

static const MENU_LIMITS s_CalibrationLimits = {U_NONE, -20.0f, 20.0f, 1.0f};

static const MENU_TEXT s_apDomesticSpeed[] = {mph_LC, kts_LC};
static const U32 s_au32DomesticSpeed[] = {U_MPH, U_KNOTS};
static const MENU_TEXT s_apDomesticDistance[] = {Statute_Miles, Nautical_Miles};
static const U32 s_au32DomesticDistance[] = {U_STAT_MILES, U_NAUT_MILES_FT};
static const MENU_TEXT s_apSpeed[] = {kph_LC, mph_LC, kts_LC};
static const U32 s_au32Speed[] = {U_KPH, U_MPH, U_KNOTS};
static const MENU_TEXT s_apDistance[] = {Meters_Kilometers, Meters_Nautical_Miles, Feet_Statute_Miles,
                                         Feet_Nautical_Miles};
static const U32 s_au32Distance[] = {U_KM, U_NAUT_MILES_M, U_STAT_MILES, U_NAUT_MILES_FT};

void T_SPEED_vSetSource(T_SPEED_SENSOR* pfnSensor, T_SPEED_ELAPSED* pfnElapsed) {
  s_pfnSensor = pfnSensor;
  s_pfnElapsed = pfnElapsed;
}

static BOOLEAN s_bSensorDevice = FALSE;

static BOOLEAN SPEED_bRead(float* pfSpeed) {
  if (s_pfnSensor != nullptr) return s_pfnSensor(pfSpeed);
  return s_bSensorDevice && H_SPEED_bGetSpeed(pfSpeed);
}

// A unit run without the paddle-wheel's device (a host without a rig) has no
// water speed; the GPS speed and the trip log work as ever.
static BOOLEAN SPEED_bSensorDevicePresent(void) {
  char path[256];
  const char* pc = DD_DEVPATH_pcResolve("/dev/paddlewheel", path, sizeof path);
  if (pc != nullptr && access(pc, R_OK) == 0) return TRUE;
  log_me("[%d]%s: no paddle-wheel device: no water speed", __LINE__, __func__);
  return FALSE;
}

static U32 SPEED_u32Elapsed(U32* pu32Stamp) {
  return s_pfnElapsed != nullptr ? s_pfnElapsed(pu32Stamp) : L_TIMER_GetElapsed(pu32Stamp);
}

// ---------------------------------------------------------------------------
// Settings

static void SPEED_vDefault(FOURCHARID id, DATA_TYPE type, U32 u32Value, MENU_TEXT pName, BOOLEAN bForce) {
  DB_DATA_TYPE value = {};
  value.RawData = u32Value;
  if (bForce) {
    H_DATABASE_bUpdateEverything(id, value, P_NORMAL, type, pName, DB_NEVER_STALE);
    return;
  }
  DB_ATTRIBUTES extra = {type, pName, DB_NEVER_STALE};
  H_DATABASE_vReadOrSetDefault(id, &value, P_DEFAULT_SETTING, &extra);
}

void T_SPEED_vSetDefaultSettings(BOOLEAN bForceFactoryDefaults) {
  const BOOLEAN bDomestic = MODEL_bDomesticModel();
  if (bDomestic) {
    H_DATABASE_vCheckForValidUnits(FCID("SUDS"), s_au32DomesticDistance, 2, U_STAT_MILES);
    H_DATABASE_vCheckForValidUnits(FCID("SUSP"), s_au32DomesticSpeed, 2, U_MPH);
  }
  SPEED_vDefault(FCID("SCAS"), D_PERCENT, 0, Speed_Calibration, bForceFactoryDefaults);
  SPEED_vDefault(FCID("SUDS"), D_UNITS, bDomestic ? U_STAT_MILES : U_KM, nullptr, bForceFactoryDefaults);
  SPEED_vDefault(FCID("SUSP"), D_UNITS, bDomestic ? U_MPH : U_KPH, nullptr, bForceFactoryDefaults);
  SPEED_vDefault(FCID("SFSP"), D_UNKNOWN, FALSE, nullptr, bForceFactoryDefaults);
}

// ---------------------------------------------------------------------------
// The poll

void T_SPEED_vResetTripLog(void) {
  s_fTimeLogDistance = 0.0f;
  s_u32TimeLogTime = 0;
  s_nExcessTicks = 0;
  H_DATABASE_bUpdateValueFloat(FCID("STLD"), 0.0f, P_NORMAL);
  H_DATABASE_bUpdateValueU32(FCID("STLT"), 0, P_NORMAL);
  H_DATABASE_bUpdateValueFloat(FCID("ITLS"), 0.0f, P_NORMAL);
  L_SEMA_Signal(SEMA_KEYCLICK_GOOD);
}

// The point-of-sale state shows a speed that wanders a step at a time.
static float SPEED_fSimulated(void) {
  static const float s_afStep[] = {1.25f, 1.0f, 0.75f, 0.5f, 0.25f, -0.25f, -0.5f, -0.75f, -1.0f, -1.25f};
  s_u32Random = s_u32Random * 1103515245u + 12345u;
  s_fCurrentSpeedx10 += s_afStep[(s_u32Random >> 16) % 10];
  if (s_fCurrentSpeedx10 > SPEED_SIM_HIGH || s_fCurrentSpeedx10 < SPEED_SIM_LOW) s_fCurrentSpeedx10 = SPEED_SIM_LOW;
  return s_fCurrentSpeedx10;
}

static void SPEED_vPublishWater(float fSpeed) {
  if (!s_bWaterSpeedDetected) {
    s_bWaterSpeedDetected = TRUE;
    U_MENU_bRegisterMainProgBarMenu(Speed_Calibration, Setup, MENU_SPEED_CALIBRATION, FCID("SCAS"),
                                    &s_CalibrationLimits, nullptr, nullptr, Percent_Sign, M_ADVANCED);
    H_DATABASE_bUpdateEverythingU32(FCID("BSTW"), FCID("ISTW"), P_NORMAL, D_FCID, Water_Speed, DB_NEVER_STALE);
    L_SEMA_Signal(SEMA_INFOBOX_UPDATE);
    H_DATABASE_bUpdateEverythingFloat(FCID("ISTW"), fSpeed, P_NORMAL, D_SPEED, Water_Speed, SPEED_WATER_TIMEOUT);
    return;
  }
  H_DATABASE_bUpdateValueFloat(FCID("ISTW"), fSpeed, P_NORMAL);
}

// The first boat speed brings the menus, the readouts and the trip log's
// stored values.
static void SPEED_vFirstSpeed(float fSpeed) {
  s_bSpeedDetected = TRUE;
  const BOOLEAN bDomestic = MODEL_bDomesticModel();
  U_MENU_bRegisterMainSelectorMenu(Units_Speed, Setup, MENU_UNITS_SPEED, FCID("SUSP"), bDomestic ? 2 : 3,
                                   bDomestic ? s_apDomesticSpeed : s_apSpeed,
                                   bDomestic ? s_au32DomesticSpeed : s_au32Speed, M_BASIC);
  U_MENU_bRegisterMainSelectorMenu(Units_Distance, Setup, MENU_UNITS_DISTANCE, FCID("SUDS"), bDomestic ? 2 : 4,
                                   bDomestic ? s_apDomesticDistance : s_apDistance,
                                   bDomestic ? s_au32DomesticDistance : s_au32Distance, M_BASIC);
  U_MENU_bRegisterMainActionMenu(Triplog_Reset, Setup, MENU_TRIPLOG_RESET, T_SPEED_vResetTripLog, TRUE, M_ADVANCED);
  H_DATABASE_bUpdateEverythingVoidPointer(FCID("BTLX"), (void*)IBRF_vRenderTripLogInfoBox, P_NORMAL, D_POINTER,
                                          Triplog, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingU32(FCID("BSPD"), FCID("ISPD"), P_NORMAL, D_FCID, Speed, DB_NEVER_STALE);
  BOOLEAN bShown = FALSE;
  H_DATABASE_bFetchBoolean(FCID("SFSP"), &bShown, nullptr, nullptr);
  if ((!bShown || s_bPOS_mode) && U_INFO_bDisplayInInfoBox(FCID("BSPD"), SPEED_DATA_BOX_WINDOW)) {
    H_DATABASE_bUpdateValueBoolean(FCID("SFSP"), TRUE, P_NORMAL);
  }
  L_SEMA_Signal(SEMA_INFOBOX_UPDATE);
  SPEED_u32Elapsed(&s_nTicks);
  s_nExcessTicks = 0;
  H_DATABASE_bUpdateEverythingFloat(FCID("ISPD"), fSpeed, P_NORMAL, D_SPEED, Speed, SPEED_BOAT_TIMEOUT);

  DB_DATA_TYPE value = {};
  DB_ATTRIBUTES distance = {D_DISTANCE, nullptr, DB_NEVER_STALE};
  value.fVal = 0.0f;
  H_DATABASE_vReadOrSetDefault(FCID("STLD"), &value, P_NORMAL, &distance);
  s_fTimeLogDistance = value.fVal;
  DB_ATTRIBUTES time = {D_TIME, nullptr, DB_NEVER_STALE};
  value.u32Val = 0;
  H_DATABASE_vReadOrSetDefault(FCID("STLT"), &value, P_NORMAL, &time);
  s_u32TimeLogTime = value.u32Val;
  const float fAverage = s_u32TimeLogTime == 0 ? 0.0f : s_fTimeLogDistance / (float)s_u32TimeLogTime;
  H_DATABASE_bUpdateEverythingFloat(FCID("ITLS"), fAverage, P_NORMAL, D_SPEED, nullptr, DB_NEVER_STALE);
}

static void SPEED_vTripLog(float fSpeed) {
  const U32 u32Elapsed = SPEED_u32Elapsed(&s_nTicks);
  s_nExcessTicks += u32Elapsed;
  s_fTimeLogDistance += fSpeed * 0.001f * (float)u32Elapsed;
  s_u32TimeLogTime += s_nExcessTicks / 1000;
  s_nExcessTicks %= 1000;
  H_DATABASE_bUpdateValueFloat(FCID("ISPD"), fSpeed, P_NORMAL);
  H_DATABASE_bUpdateValueFloat(FCID("STLD"), s_fTimeLogDistance, P_NORMAL);
  H_DATABASE_bUpdateValueU32(FCID("STLT"), s_u32TimeLogTime, P_NORMAL);
  const float fAverage = s_u32TimeLogTime == 0
                             ? 0.0f
                             : s_fTimeLogDistance / ((float)s_u32TimeLogTime + (float)s_nExcessTicks * 0.001f);
  H_DATABASE_bUpdateValueFloat(FCID("ITLS"), fAverage, P_NORMAL);
}

void T_SPEED_vPollSensor(void) {
  float fReading = 0.0f;
  BOOLEAN bReading = SPEED_bRead(&fReading);
  if (!bReading && s_bPOS_mode) {
    fReading = SPEED_fSimulated();
    bReading = TRUE;
  }
  if (s_bInlinetest_mode) s_bFirstPaddleWheelDetected = TRUE;

  if (bReading) {
    fReading *= 1.0f + (float)s_s32SpeedCalibration * 0.01f;
    if (s_bFirstPaddleWheelDetected) {
      SPEED_vPublishWater(fReading);
    } else {
      s_bFirstPaddleWheelDetected = TRUE;
    }
  } else {
    s_bFirstPaddleWheelDetected = FALSE;
  }

  float fSpeed = 0.0f;
  BOOLEAN bValid = FALSE;
  if (!(H_DATABASE_bFetchFloat(FCID("ISOG"), &fSpeed, &bValid, nullptr) && bValid)) {
    if (!bReading) return;
    fSpeed = fReading;
  }
  if (!s_bSpeedDetected) {
    SPEED_vFirstSpeed(fSpeed);
    return;
  }
  SPEED_vTripLog(fSpeed);
}

// ---------------------------------------------------------------------------
// The trip-log data box

// The distance as the box shows it: short trips in the small unit.
static float SPEED_fShownDistance(float fDistance) {
  U32 units = U_STAT_MILES;
  H_DATABASE_bFetchU32(FCID("SUDS"), &units, nullptr, nullptr);
  const float fShown = (float)dConvertFromInternal(fDistance, D_DISTANCE, (UNIT_TYPE)units);
  switch (units) {
    case U_NAUT_MILES_FT:
      return fShown < 0.1f ? fShown * 6076.1f : fShown;
    case U_NAUT_MILES_M:
      return fShown < 0.1f ? fShown * 1852.0f : fShown;
    case U_KM:
      return fShown < 1.0f ? fShown * 1000.0f : fShown;
    default:
      return fShown < 0.1f ? fShown * 5280.0f : fShown;
  }
}

void IBRF_vRenderTripLogInfoBox(BITMAP* pBitmap, POINT pt, VIBD_DIRECTION, U32 nLang) {
  if (!H_DATABASE_bFetch(FCID("ISPD"), nullptr, nullptr, nullptr)) return;
  const COLOR separator = gCOLOR_pcolColorTable[236];
  T_INFO_vDrawInfoBar(pBitmap, 158, 94, pt.x, pt.y, IBS_SEMITRANSPARENT_VORNE_DARK_GRAY_BAR);
  const POINT across = {pt.x + 4, pt.y - 59};
  G_BOX_vDrawFilled(pBitmap, separator, &across, 150, 2);
  const FONT_DEF* pTitle = T_INFO_pFont(17);
  T_INFO_nDrawInfoBox(pBitmap, 158, 33, pt.x, pt.y - 61, FCID("STLT"), T_INFO_pFont(21), pTitle, IBS_NONE,
                      INSTRUMENTATION_JUSTIFY_LEFT, nLang);
  const POINT down = {pt.x + 78, pt.y - 4 - 55};
  G_BOX_vDrawFilled(pBitmap, separator, &down, 2, 55);
  float fDistance = 0.0f;
  H_DATABASE_bFetchFloat(FCID("STLD"), &fDistance, nullptr, nullptr);
  const FONT_DEF* pDistance = T_INFO_pFont(SPEED_fShownDistance(fDistance) > 99.95f ? 19 : 21);
  T_INFO_nDrawInfoBox(pBitmap, 78, 59, pt.x, pt.y, FCID("STLD"), pDistance, pTitle, IBS_NONE,
                      INSTRUMENTATION_JUSTIFY_LEFT, nLang);
  T_INFO_nDrawInfoBox(pBitmap, 78, 59, pt.x + 80, pt.y, FCID("ITLS"), T_INFO_pFont(21), pTitle, IBS_NONE,
                      INSTRUMENTATION_JUSTIFY_LEFT, nLang);
}

// ---------------------------------------------------------------------------
// The task

static BOOLEAN s_bRunning = FALSE;

static void SPEED_vSystemState(U32 u32State) {
  s_bPOS_mode = u32State == STATE_POINT_OF_SALE;
  s_bInlinetest_mode = u32State == STATE_INLINE_TEST;
}

static void SPEED_vDispatch(GENERIC_MESSAGE* pMsg) {
  switch (pMsg->Cmd) {
    case CMD_ID_NEW_DATA: {
      const MESSAGE_NEW_DATA* p = (const MESSAGE_NEW_DATA*)pMsg;
      if (p->FourCharId == FCID("SCAS") && p->bValid) s_s32SpeedCalibration = p->dbValue.s32Val;
      if (p->FourCharId == FCID("CCST") && p->bValid) s_bPOS_mode = p->dbValue.u32Val == STATE_POINT_OF_SALE;
      break;
    }
    case CMD_ID_RUN_SYSTEM:
      if (!s_bRunning) {
        s_bRunning = TRUE;
        U32 u32State = STATE_NORMAL_RUN;
        H_DATABASE_bFetchU32(FCID("CCST"), &u32State, nullptr, nullptr);
        SPEED_vSystemState(u32State);
        H_DATABASE_bRegisterForDataWithConditions(FCID("CCST"), M_SPEED, TRUE, FALSE, FALSE);
      }
      break;
    case CMD_ID_RESET_POS:
      T_SPEED_vSetDefaultSettings(TRUE);
      break;
    case CMD_ID_SHUTDOWN:
      if (s_pPollTimer != nullptr) {
        L_TIMER_Stop(s_pPollTimer);
        L_TIMER_Release(s_pPollTimer);
        s_pPollTimer = nullptr;
      }
      break;
    default:
      break;
  }
  H_MEMORY_vDumpMail(pMsg);
}

// Before the system runs, polls wait; the in-line test polls at once.
static void SPEED_vTimer(void) {
  if (!s_bRunning) {
    U32 u32State = 0;
    if (!H_DATABASE_bFetchU32(FCID("CCST"), &u32State, nullptr, nullptr) || u32State != STATE_INLINE_TEST) return;
    s_bInlinetest_mode = TRUE;
    s_bPOS_mode = FALSE;
  }
  T_SPEED_vPollSensor();
}

static void SPEED_vInit(void) {
  log_me("[%d]%s: LWP ID %ld", __LINE__, __func__, (long)syscall(SYS_gettid));
  if (H_DATABASE_bUpdateEverythingU32(FCID("TSPD"), (U32)M_SPEED, P_NORMAL, D_MAILBOX, nullptr, DB_NEVER_STALE)) {
    ERROR_vFatal(__FILE_NAME__, __LINE__, "Somebody else registered the Speed Task Maibox");
  }
  s_s32SpeedCalibration = 0;
  s_fTimeLogDistance = 0.0f;
  s_u32TimeLogTime = 0;
  s_nExcessTicks = 0;
  s_bPOS_mode = FALSE;
  s_bInlinetest_mode = FALSE;
  s_bFirstPaddleWheelDetected = FALSE;
  s_bWaterSpeedDetected = FALSE;
  s_bSpeedDetected = FALSE;
  s_fCurrentSpeedx10 = SPEED_SIM_LOW;
  s_bRunning = FALSE;
  T_SPEED_vSetDefaultSettings(FALSE);
  S32 s32Calibration = 0;
  if (H_DATABASE_bFetchS32(FCID("SCAS"), &s32Calibration, nullptr, nullptr)) s_s32SpeedCalibration = s32Calibration;
  if (!H_DATABASE_bRegisterForDataWithConditions(FCID("SCAS"), M_SPEED, TRUE, FALSE, FALSE)) {
    ERROR_vFatal(__FILE_NAME__, __LINE__, "T_SPEED: Database problem");
  }
  s_bSensorDevice = s_pfnSensor == nullptr && SPEED_bSensorDevicePresent();
  if (s_bSensorDevice) H_SPEED_vInit();
  s_pPollTimer = nullptr;
  if (s_pfnSensor == nullptr) {
    s_pPollTimer = L_TIMER_Allocate();
    s_pPollTimer = L_TIMER_Start(s_pPollTimer, SPEED_POLL_MS, SPEED_POLL_MS, SEMA_TIMER_SPEED);
  }
}

void T_SPEED_vMain(void) {
  SPEED_vInit();
  const SEMA events[] = {SEMA_MBOX_SPEED, SEMA_TIMER_SPEED, 0};
  for (;;) {
    const SEMA sema = L_SEMA_WaitMultiple(events);
    if (sema == SEMA_TIMER_SPEED) SPEED_vTimer();
    if (sema != SEMA_MBOX_SPEED) continue;
    while (GENERIC_MESSAGE* pMsg = (GENERIC_MESSAGE*)L_MBOX_Receive(M_SPEED)) SPEED_vDispatch(pMsg);
  }
}
