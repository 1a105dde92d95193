// The navigation settings: registered with their defaults at start-up
// (priority 15, so that a stored or user value wins), and forced back to
// them (priority 2) by a factory reset or an ice-mode change.

#include <math.h>

#include "h_database.h"
#include "h_dbtable.h"
#include "model_current.h"
#include "t_nav_group_store.h"
#include "t_nav_int.h"
#include "t_nav_wpm.h"
#include "u_nav_edit.h"
#include "u_view.h"
#include "ui_texts.h"

// A setting's factory value is the key table's; here are what the
// navigation task gives each of its settings besides: data type and name.
typedef struct tag_NAV_SETTING {
  FOURCHARID id;
  DATA_TYPE eType;
  const char* const* ppcName;
} NAV_SETTING;

// Written in every call, in this order.
static const NAV_SETTING s_aFirstSettings[] = {
    {FCID("SUHD"), D_UNITS, North_Reference},
    {FCID("SCUV"), D_UNKNOWN, View_Orientation},
    {FCID("SNTI"), D_TIME, Trackpoint_Interval},
    {FCID("SNTD"), D_DISTANCE, Track_Min_Distance},
    {FCID("SNCR"), D_DISTANCE, Casting_Rings},
    {FCID("SNWP"), D_UNKNOWN, Waypoint_Proximity_Flags},
    {FCID("SNWD"), D_UNKNOWN, Waypoint_Decluttering},
    {FCID("SSCW"), D_UNKNOWN, nullptr},
    {FCID("SSDW"), D_UNKNOWN, nullptr},
    {FCID("SNAO"), D_DISTANCE, Off_Course_Alarm},
    {FCID("SNAA"), D_DISTANCE, Arrival_Alarm},
    {FCID("CNDA"), D_DISTANCE, Drift_Alarm},
    {FCID("SDTM"), D_UNKNOWN, nullptr},
    {FCID("SCCP"), D_UNKNOWN, Course_Projection_Line},
    {FCID("SPVO"), D_UNKNOWN, nullptr},
    {FCID("SNGA"), D_FLOAT, Trolling_Grid_Rotation},
    {FCID("ITWP"), D_WAYPOINT, nullptr},
    {FCID("IGWP"), D_WAYPOINT, nullptr},
    {FCID("SNCM"), D_UNKNOWN, Continuous_Navigation_Mode},
    {FCID("SNUP"), D_UNKNOWN, North_Up_Indicator},
};

static const NAV_SETTING s_aTimeAndZoomSettings[] = {
    {FCID("SDST"), D_UNKNOWN, Daylight_Saving_Time}, {FCID("SLTZ"), D_SIGNED32, Local_Time_Zone},
    {FCID("SIDF"), D_UNKNOWN, Date_Format},          {FCID("SITF"), D_UNKNOWN, Time_Format},
    {FCID("SIPF"), D_UNKNOWN, Position_Format},      {FCID("SNBS"), D_SIGNED32, nullptr},
    {FCID("SNCS"), D_SIGNED32, nullptr},             {FCID("SNCL"), D_SIGNED32, nullptr},
};

static const NAV_SETTING s_aTrackDisplaySettings[] = {
    {FCID("SNTV"), D_UNKNOWN, nullptr}, {FCID("SNV2"), D_UNKNOWN, nullptr}, {FCID("SNS1"), D_UNKNOWN, nullptr},
    {FCID("SNS2"), D_UNKNOWN, nullptr}, {FCID("SNS3"), D_UNKNOWN, nullptr}, {FCID("SNS4"), D_UNKNOWN, nullptr},
    {FCID("SNS5"), D_UNKNOWN, nullptr}, {FCID("SNS6"), D_UNKNOWN, nullptr}, {FCID("SNS7"), D_UNKNOWN, nullptr},
    {FCID("SNS8"), D_UNKNOWN, nullptr}, {FCID("SNC1"), D_UNKNOWN, nullptr}, {FCID("SNC2"), D_UNKNOWN, nullptr},
    {FCID("SNC3"), D_UNKNOWN, nullptr}, {FCID("SNC4"), D_UNKNOWN, nullptr}, {FCID("SNC5"), D_UNKNOWN, nullptr},
    {FCID("SNC6"), D_UNKNOWN, nullptr}, {FCID("SNC7"), D_UNKNOWN, nullptr}, {FCID("SNC8"), D_UNKNOWN, nullptr},
    {FCID("SNRC"), D_UNKNOWN, nullptr}, {FCID("SNDC"), D_UNKNOWN, nullptr}, {FCID("SNDS"), D_UNKNOWN, nullptr},
    {FCID("SNDV"), D_UNKNOWN, nullptr}, {FCID("SNCC"), D_UNKNOWN, nullptr}, {FCID("SNCP"), D_UNKNOWN, nullptr},
};

// The view-enable keys and their names; outside and in ice mode their
// values differ (the key table's).
static const NAV_SETTING s_aViewEnables[] = {
    {FCID("SV17"), D_UNKNOWN, Track_View},
    {FCID("SVNA"), D_UNKNOWN, Track_View},
    {FCID("SVHI"), D_UNKNOWN, Bird_s_Eye_View},
    {FCID("SVCB"), D_UNKNOWN, Track_Bird_s_Eye_Combo_View},
    {FCID("SVCC"), D_UNKNOWN, Chart_Chart_Combo_View},
    {FCID("SV20"), D_UNKNOWN, Chart_Chart_Combo_View},
    {FCID("SVCO"), D_UNKNOWN, Track_Sonar_Combo_View},
    {FCID("SV19"), D_UNKNOWN, Track_Sonar_Combo_View},
    {FCID("SVIC"), D_UNKNOWN, Chart_Instrument_View},
    {FCID("SVI2"), D_UNKNOWN, Chart_BE_Instrument_View},
};

// At start-up (priority 15) a stored value stays; forced (priority 2) the
// default replaces it.
static void NAV_vSetting(FOURCHARID id, DB_DATA_TYPE value, U32 u32Priority, DATA_TYPE eType,
                         const char* const* ppcName) {
  if (u32Priority == P_NORMAL) {
    H_DATABASE_bUpdateEverything(id, value, u32Priority, eType, ppcName, DB_NEVER_STALE);
  } else {
    DB_ATTRIBUTES extra = {eType, ppcName, DB_NEVER_STALE};
    H_DATABASE_vReadOrSetDefault(id, &value, u32Priority, &extra);
  }
}

// The settings with the key table's factory values, for this model and mode.
static void NAV_vSettings(const NAV_SETTING* p, U32 n, U32 u32Priority) {
  for (U32 i = 0; i < n; i++, p++) {
    DB_DATA_TYPE value;
    if (H_DBTABLE_bDefaultOf(p->id, &value)) NAV_vSetting(p->id, value, u32Priority, p->eType, p->ppcName);
  }
}

// Start-up keeps a stored value the test accepts; anything else (absent,
// stale, unusable) gives way to the default.
static void NAV_vKeepOrDefault(FOURCHARID id, BOOLEAN bForced, DATA_TYPE eType, const char* const* ppcName,
                               BOOLEAN (*pfKeep)(DB_DATA_TYPE*, const DB_ATTRIBUTES*)) {
  DB_DATA_TYPE dflt = {};
  H_DBTABLE_bDefaultOf(id, &dflt);
  if (bForced) {
    H_DATABASE_bUpdateEverything(id, dflt, P_NORMAL, eType, ppcName, DB_NEVER_STALE);
    return;
  }
  DB_DATA_TYPE stored;
  DB_ATTRIBUTES extra = {D_UNKNOWN, nullptr, 0};
  BOOLEAN bValid = FALSE;
  if (H_DATABASE_bFetch(id, &stored, &bValid, &extra) && bValid && pfKeep(&stored, &extra)) {
    H_DATABASE_bUpdateEverything(id, stored, P_NVR, eType, ppcName, DB_NEVER_STALE);
    return;
  }
  H_DATABASE_vDeleteEntry(id);
  H_DATABASE_bUpdateEverything(id, dflt, P_DEFAULT_SETTING, eType, ppcName, DB_NEVER_STALE);
}

// An offset speed stored as an integer by an older version becomes a float.
static BOOLEAN NAV_bKeepSpeed(DB_DATA_TYPE* p, const DB_ATTRIBUTES* pExtra) {
  if (pExtra->DataType != D_SPEED && pExtra->DataType != D_FLOAT) p->fVal = (float)p->s32Val;
  return isfinite(p->fVal) && p->fVal != 0.0f;
}
static BOOLEAN NAV_bKeepAny(DB_DATA_TYPE*, const DB_ATTRIBUTES*) { return TRUE; }
static BOOLEAN NAV_bKeepTrue(DB_DATA_TYPE* p, const DB_ATTRIBUTES*) { return (p->u32Val & 0xFF) == TRUE; }

static void NAV_vPut(FOURCHARID id, U32 value, U32 u32Priority, DATA_TYPE eType) {
  DB_DATA_TYPE v;
  v.u32Val = value;
  NAV_vSetting(id, v, u32Priority, eType, nullptr);
}

// Live chart state back to its factory value, at once.
static void NAV_vReset(FOURCHARID id, DATA_TYPE eType) {
  DB_DATA_TYPE value = {};
  H_DBTABLE_bDefaultOf(id, &value);
  H_DATABASE_bUpdateEverything(id, value, P_NORMAL, eType, nullptr, DB_NEVER_STALE);
}

void T_NAV_vSetDefaultSettings(BOOLEAN bForceFactoryDefaults) {
  const BOOLEAN bDomestic = MODEL_bDomesticModel();
  const U32 prio = bForceFactoryDefaults ? P_NORMAL : P_DEFAULT_SETTING;
  if (bForceFactoryDefaults) {
    // The ice model's first ice icon, the ice-fishing hole.
    NAV_vReset(FCID("SWDI"), D_UNKNOWN);
    NAV_vReset(FCID("STOS"), D_UNKNOWN);
  }
  NAV_vSettings(s_aFirstSettings, sizeof s_aFirstSettings / sizeof s_aFirstSettings[0], prio);

  NAV_vKeepOrDefault(FCID("SNOS"), bForceFactoryDefaults, D_SPEED, Offset_Speed, NAV_bKeepSpeed);
  NAV_vKeepOrDefault(FCID("SVOS"), bForceFactoryDefaults, D_UNKNOWN, Vessel_Offset, NAV_bKeepAny);
  NAV_vKeepOrDefault(FCID("SAZM"), bForceFactoryDefaults, D_UNKNOWN, Auto_Zoom, NAV_bKeepTrue);
  NAV_vKeepOrDefault(FCID("SARS"), bForceFactoryDefaults, D_UNKNOWN, Auto_Range, NAV_bKeepTrue);

  NAV_vSettings(s_aTimeAndZoomSettings, sizeof s_aTimeAndZoomSettings / sizeof s_aTimeAndZoomSettings[0], prio);
  static const NAV_SETTING s_sChartStyle = {FCID("INCN"), D_SIGNED32, nullptr};
  NAV_vSettings(&s_sChartStyle, 1, P_DEFAULT_SETTING);

  // The simulator's start; the map card's region is not known here.
  U32 state = 0;
  const BOOLEAN bPos = H_DATABASE_bFetchU32(FCID("CCST"), &state, nullptr, nullptr) && state == NAV_STATE_POINT_OF_SALE;
  const U32 startPrio = bForceFactoryDefaults && !bPos ? P_NORMAL : P_DEFAULT_SETTING;
  BOOLEAN bIce = FALSE;
  H_DATABASE_bFetchBoolean(FCID("SICE"), &bIce, nullptr, nullptr);
  S32 lat = bDomestic ? 2944465 : 6532084, lon = bDomestic ? -8930670 : -117220;
  if (bIce) {
    lat = 5796519;
    lon = -10440756;
  }
  NAV_vPut(FCID("SNLT"), (U32)lat, startPrio, D_POSITION_LAT_MM);
  NAV_vPut(FCID("SNLN"), (U32)lon, startPrio, D_POSITION_LON_MM);

  NAV_vSettings(s_aTrackDisplaySettings, sizeof s_aTrackDisplaySettings / sizeof s_aTrackDisplaySettings[0], prio);
  if (bForceFactoryDefaults) T_NAV_EDIT_vReset(prio);

  T_NAV_WPM_vReset(prio);
  g_NAV.pEndNavigationComplete = nullptr;
  T_NAV_vEndNavigationNow();
  if (g_NAV.pAutoZoom != nullptr) NAV_vStartAutoZoomTimer();

  g_NAV.u16MOBWaypoint = NAV_NONE;
  H_DATABASE_bUpdateEverythingU32(FCID("IGWP"), NAV_NONE, P_NORMAL, D_WAYPOINT, nullptr, DB_NEVER_STALE);
  NAV_vUnregisterHotInNavViews(Remove_Grid);
  H_DATABASE_bUpdateEverythingU32(FCID("ITWP"), NAV_NONE, P_NORMAL, D_WAYPOINT, nullptr, DB_NEVER_STALE);
  NAV_vUnregisterHotInNavViews(Remove_Target);

  NAV_vSettings(s_aViewEnables, sizeof s_aViewEnables / sizeof s_aViewEnables[0], prio);
  static const NAV_SETTING s_aSplits[] = {{FCID("SZCB"), D_PERCENT, nullptr},
                                          {FCID("SZCC"), D_PERCENT, nullptr},
                                          {FCID("SZCO"), D_PERCENT, nullptr},
                                          {FCID("SZI2"), D_PERCENT, nullptr}};
  NAV_vSettings(s_aSplits, sizeof s_aSplits / sizeof s_aSplits[0], prio);
  static const FOURCHARID s_aOffsets[] = {FCID("OSXS"), FCID("OSYS"), FCID("OSXL"), FCID("OSYL"),
                                          FCID("KSMC"), FCID("KSLC")};
  for (FOURCHARID id : s_aOffsets) NAV_vReset(id, D_FLOAT);
  static const FOURCHARID s_aKeys[] = {FCID("KZMC"), FCID("KZLC"), FCID("KTMC"), FCID("KTLC")};
  for (FOURCHARID id : s_aKeys) NAV_vReset(id, D_SIGNED32);

  if (g_NAV.bTrackEnable) {
    H_DATABASE_bUpdateEverythingBoolean(FCID("CTRE"), TRUE, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  } else {
    T_NAV_vStartTrack();
  }
}
