// The battery task turns each supply reading into the voltage and charge the
// readouts show, warns of a low battery and of an input above 18 V, and asks
// the keyboard task for an orderly power-down once the smoothed supply falls
// below 8 V; from then on it only keeps its mailbox empty.

#include "t_battery.h"

#include <math.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "error.h"
#include "h_database.h"
#include "h_dbtable.h"
#include "h_memory.h"
#include "linuxsvc.h"
#include "u_alarm.h"
#include "u_language.h"
#include "u_menu.h"
#include "ui_texts.h"

// ---------------------------------------------------------------------------
// State (the battery task's own)

// The threshold at its lowest means no low-battery alarm.
constexpr float BATTERY_ALARM_OFF = 8.0f;
constexpr U32 BATTERY_HIGH_CENTIVOLTS = 1800;
constexpr float BATTERY_POWER_DOWN = 8.0f;
// The filter register holds 13 times the smoothed voltage; it starts at 13 V.
constexpr float BATTERY_FILTER_START = 169.0f;
constexpr MENU_PRIORITY MENU_LOW_BATTERY_ALARM = 510;

// Charge steps of 10 % (hundredths of a volt): the first entry above the
// supply gives the step, and the supply's place between it and the entry
// before (10.50 V below the first) the tenths of that step. Whole hundredths
// keep readings that fall exactly on an entry from being truncated a percent
// low by rounding.
static const U32 s_au32Volt[] = {1160, 1165, 1175, 1185, 1195, 1205, 1210, 1220, 1225, 1235};
constexpr U32 BATTERY_EMPTY_CENTIVOLTS = 1050;

static float s_fLowVoltageAlarmSetpoint = BATTERY_ALARM_OFF;
static BOOLEAN s_bBatAlarmActive = FALSE;
static BOOLEAN s_bHighVoltageAlarmActive = FALSE;
static U32 s_u32AdcTimeOut = 0;
static BOOLEAN s_bWaitingForShutdown = FALSE;
static float s_fFilter = BATTERY_FILTER_START;
static S8 s_s8DisplayPercentage = -1;

static const MENU_LIMITS s_LowVoltageLimits = {U_NONE, 8.0f, 13.5f, 0.5f};

// ---------------------------------------------------------------------------
// Conversions

U32 T_BATTERY_u32Centivolts(U32 u32Raw) { return ((u32Raw >> 6) * 227 + 7147) / 100; }

S32 T_BATTERY_s32Percentage(U32 u32Centivolts) {
  constexpr U32 steps = sizeof s_au32Volt / sizeof s_au32Volt[0];
  if (u32Centivolts >= s_au32Volt[steps - 1]) return 100;
  if (u32Centivolts < BATTERY_EMPTY_CENTIVOLTS) return 0;
  U32 i = 0;
  while (s_au32Volt[i] <= u32Centivolts) i++;
  const U32 lower = i == 0 ? BATTERY_EMPTY_CENTIVOLTS : s_au32Volt[i - 1];
  return (S32)((10 * i * (s_au32Volt[i] - lower) + 10 * (u32Centivolts - lower)) / (s_au32Volt[i] - lower));
}

// The shown charge does not creep up a percent at a time: a rise shows only
// when it is more than 2, or full; a fall shows at once.
static S8 BATTERY_s8Displayed(S32 s32Percent) {
  if (s_s8DisplayPercentage < 0 || s32Percent < s_s8DisplayPercentage || s32Percent == 100 ||
      s32Percent > s_s8DisplayPercentage + 2) {
    s_s8DisplayPercentage = (S8)s32Percent;
  }
  return s_s8DisplayPercentage;
}

// ---------------------------------------------------------------------------
// Alarms and the power-down

static void BATTERY_vRaise(ALARM_PRIORITY ePriority, const char* const* pText, TONE_SEQUENCE eTone) {
  ALARM_SET_MESSAGE alarm = {};
  alarm.Priority = ePriority;
  alarm.pMessageString = pText[nCurrentLanguage()];
  alarm.InitialToneID = eTone;
  U_ALARM_bSetAlarm(&alarm, FALSE);
}

static BOOLEAN BATTERY_bRequestPowerDown(void) {
  U32 mbox = 0;
  BOOLEAN bValid = FALSE;
  if (!H_DATABASE_bFetchU32(FCID("TKBD"), &mbox, &bValid, nullptr) || !bValid || mbox == 0) return FALSE;
  GENERIC_MESSAGE* pMsg = (GENERIC_MESSAGE*)H_MEMORY_pvCalloc(1, sizeof(GENERIC_MESSAGE));
  pMsg->Cmd = CMD_ID_SHUTDOWN;
  if (L_MBOX_Send((MBOX)mbox, pMsg, 3, 0) != 0) {
    H_MEMORY_vFree(pMsg);
    return FALSE;
  }
  log_me("[%d]%s: supply too low, power-down asked for", __LINE__, __func__);
  return TRUE;
}

static U32 BATTERY_u32Timeout(void) {
  if (s_u32AdcTimeOut == 0) {
    DB_ATTRIBUTES attributes = {};
    if (H_DATABASE_bFetch(FCID("AD05"), nullptr, nullptr, &attributes)) s_u32AdcTimeOut = attributes.u32TimeOut;
  }
  if (s_u32AdcTimeOut == 0) return 1;
  return s_u32AdcTimeOut >= 0x7FFFFFFFu ? DB_NEVER_STALE : 2 * s_u32AdcTimeOut;
}

static void BATTERY_vSample(U32 u32Raw) {
  const U32 u32Centivolts = T_BATTERY_u32Centivolts(u32Raw);
  const float fVolts = (float)u32Centivolts * 0.01f;

  s_fFilter = fVolts + s_fFilter * 0.9230769f;
  if (s_fFilter * 0.07692308f < BATTERY_POWER_DOWN && BATTERY_bRequestPowerDown()) {
    s_bWaitingForShutdown = TRUE;
    return;
  }

  if (u32Centivolts >= BATTERY_HIGH_CENTIVOLTS) {
    if (!s_bHighVoltageAlarmActive) BATTERY_vRaise(VOLTAGE_HIGH_WARNING, Input_Voltage_High, TONE_USE_CUSTOM);
    s_bHighVoltageAlarmActive = TRUE;
  } else if (s_bHighVoltageAlarmActive) {
    U_ALARM_bClearAlarm(VOLTAGE_HIGH_WARNING);
    s_bHighVoltageAlarmActive = FALSE;
  }

  // A shown low-battery alarm stays until the user answers it; it may come
  // again once the supply has been above the threshold.
  if (s_fLowVoltageAlarmSetpoint > BATTERY_ALARM_OFF) {
    if ((S32)u32Centivolts <= (S32)lroundf(s_fLowVoltageAlarmSetpoint * 100.0f)) {
      if (!s_bBatAlarmActive) BATTERY_vRaise(LOW_BATTERY_ALARM, Low_Voltage, TONE_GENERAL_ALERT);
      s_bBatAlarmActive = TRUE;
    } else {
      s_bBatAlarmActive = FALSE;
    }
  }

  const U32 u32Timeout = BATTERY_u32Timeout();
  H_DATABASE_bUpdateEverythingFloat(FCID("IVLT"), fVolts, P_NORMAL, D_VOLTAGE, Voltage, u32Timeout);
  H_DATABASE_bUpdateEverythingS32(FCID("IBAT"), BATTERY_s8Displayed(T_BATTERY_s32Percentage(u32Centivolts)),
                                  P_NORMAL, D_PERCENT, Battery, u32Timeout);
}

static void BATTERY_vNewThreshold(float fVolts) {
  s_fLowVoltageAlarmSetpoint = fVolts;
  s_bBatAlarmActive = FALSE;
  if (fVolts <= BATTERY_ALARM_OFF) U_ALARM_bClearAlarm(LOW_BATTERY_ALARM);
}

static void BATTERY_vNewData(const MESSAGE_NEW_DATA* pMsg) {
  if (pMsg->FourCharId == FCID("AD05")) {
    if (pMsg->bValid) {
      BATTERY_vSample(pMsg->dbValue.u32Val);
    } else {
      log_me("[%d]%s: BATTERY_VOLTAGE_ADC data lost", __LINE__, __func__);
    }
  } else if (pMsg->FourCharId == FCID("SLBV") && pMsg->bValid) {
    BATTERY_vNewThreshold(pMsg->dbValue.fVal);
  }
}

static void BATTERY_vDispatch(GENERIC_MESSAGE* pMsg) {
  if (!s_bWaitingForShutdown) {
    switch (pMsg->Cmd) {
      case CMD_ID_NEW_DATA:
        BATTERY_vNewData((const MESSAGE_NEW_DATA*)pMsg);
        break;
      case CMD_ID_RESET_POS:
        H_DATABASE_bUpdateValueFloat(FCID("SLBV"), H_DBTABLE_fDefault(FCID("SLBV")), P_NORMAL);
        break;
      case CMD_ID_RUN_SYSTEM:
        U_MENU_bRegisterMainSliderMenu(Low_Battery_Alarm, Alarms, MENU_LOW_BATTERY_ALARM, FCID("SLBV"),
                                       &s_LowVoltageLimits, Off, nullptr, V, M_BASIC);
        break;
      default:
        break;
    }
  }
  H_MEMORY_vDumpMail(pMsg);
}

// ---------------------------------------------------------------------------
// The task

// The supply reading may come later than this task (the sonar's reader
// publishes it, or never with no_adc): its notices are served whenever they
// come, and the mailbox is served from the start.
static void BATTERY_vInit(void) {
  log_me("[%d]%s: LWP ID %ld", __LINE__, __func__, (long)syscall(SYS_gettid));
  if (H_DATABASE_bUpdateEverythingU32(FCID("TBAT"), (U32)M_BATTERY, P_NORMAL, D_MAILBOX, nullptr, DB_NEVER_STALE)) {
    ERROR_vFatal(__FILE_NAME__, __LINE__, "Somebody else registered the Battery Task Maibox");
  }
  s_bBatAlarmActive = FALSE;
  s_bHighVoltageAlarmActive = FALSE;
  s_u32AdcTimeOut = 0;
  s_bWaitingForShutdown = FALSE;
  s_fFilter = BATTERY_FILTER_START;
  s_s8DisplayPercentage = -1;
  H_DATABASE_bRegisterForDataWithConditions(FCID("AD05"), M_BATTERY, TRUE, TRUE, TRUE);

  DB_ATTRIBUTES attributes = {D_VOLTAGE, Low_Voltage, DB_NEVER_STALE};
  DB_DATA_TYPE value = {};
  value.fVal = H_DBTABLE_fDefault(FCID("SLBV"));
  H_DATABASE_vReadOrSetDefault(FCID("SLBV"), &value, P_DEFAULT_SETTING, &attributes);
  s_fLowVoltageAlarmSetpoint = value.fVal;

  BOOLEAN bIce = FALSE;
  H_DATABASE_bFetchBoolean(FCID("SICE"), &bIce, nullptr, nullptr);
  H_DATABASE_bUpdateEverythingU32(FCID("BVLT"), FCID("IVLT"), P_NORMAL, D_FCID, Voltage, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingU32(FCID("BBAT"), FCID("IBAT"), P_NORMAL, D_FCID, bIce ? Battery : nullptr,
                                  DB_NEVER_STALE);
  L_SEMA_Signal(SEMA_INFOBOX_UPDATE);
  H_DATABASE_bRegisterForDataWithConditions(FCID("SLBV"), M_BATTERY, TRUE, TRUE, TRUE);
}

void T_BATTERY_vMain(void) {
  BATTERY_vInit();
  const SEMA events[] = {SEMA_MBOX_BATT, 0};
  for (;;) {
    if (L_SEMA_WaitMultiple(events) != SEMA_MBOX_BATT) continue;
    while (GENERIC_MESSAGE* pMsg = (GENERIC_MESSAGE*)L_MBOX_Receive(M_BATTERY)) BATTERY_vDispatch(pMsg);
  }
}
