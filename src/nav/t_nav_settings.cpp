// The navigation settings: registered with their defaults at start-up
// (priority 15, so that a stored or user value wins), and forced back to
// them (priority 2) by a factory reset or an ice-mode change.

#include <math.h>
#include <string.h>

#include "h_database.h"
#include "model_current.h"
#include "t_nav_group.h"
#include "t_nav_int.h"
#include "u_convert.h"
#include "u_nav_edit.h"
#include "u_view.h"
#include "ui_texts.h"

typedef enum tag_NAV_SETTING_KIND {
  NSK_U32,
  NSK_S32,
  NSK_BOOL,
  NSK_FLOAT,
  NSK_DISTANCE,  // domestic default in feet, other in metres
} NAV_SETTING_KIND;

typedef struct tag_NAV_SETTING {
  FOURCHARID id;
  NAV_SETTING_KIND eKind;
  DATA_TYPE eType;
  double dDomestic;
  double dOther;
  const char* const* ppcName;
} NAV_SETTING;

// Written in every call, in this order.
static const NAV_SETTING s_aFirstSettings[] = {
    {FCID("SUHD"), NSK_U32, D_UNITS, 30, 30, North_Reference},
    {FCID("SCUV"), NSK_BOOL, D_UNKNOWN, 0, 0, View_Orientation},
    {FCID("SNTI"), NSK_S32, D_TIME, 1, 1, Trackpoint_Interval},
    {FCID("SNTD"), NSK_DISTANCE, D_DISTANCE, 16, 5, Track_Min_Distance},
    {FCID("SNCR"), NSK_DISTANCE, D_DISTANCE, 0, 0, Casting_Rings},
    {FCID("SNWP"), NSK_BOOL, D_UNKNOWN, 0, 0, Waypoint_Proximity_Flags},
    {FCID("SNWD"), NSK_BOOL, D_UNKNOWN, 1, 1, Waypoint_Decluttering},
    {FCID("SSCW"), NSK_U32, D_UNKNOWN, 266, 266, nullptr},
    {FCID("SSDW"), NSK_U32, D_UNKNOWN, 266, 266, nullptr},
    {FCID("SNAO"), NSK_DISTANCE, D_DISTANCE, 300, 100, Off_Course_Alarm},
    {FCID("SNAA"), NSK_DISTANCE, D_DISTANCE, 150, 50, Arrival_Alarm},
    {FCID("CNDA"), NSK_DISTANCE, D_DISTANCE, 0, 0, Drift_Alarm},
    {FCID("SDTM"), NSK_U32, D_UNKNOWN, 0, 0, nullptr},
    {FCID("SCCP"), NSK_U32, D_UNKNOWN, 1, 1, Course_Projection_Line},
    {FCID("SPVO"), NSK_BOOL, D_UNKNOWN, 1, 1, nullptr},
    {FCID("SNGA"), NSK_FLOAT, D_FLOAT, 0, 0, Trolling_Grid_Rotation},
    {FCID("ITWP"), NSK_U32, D_WAYPOINT, 0xFFFF, 0xFFFF, nullptr},
    {FCID("IGWP"), NSK_U32, D_WAYPOINT, 0xFFFF, 0xFFFF, nullptr},
    {FCID("SNCM"), NSK_BOOL, D_UNKNOWN, 0, 0, Continuous_Navigation_Mode},
    {FCID("SNUP"), NSK_BOOL, D_UNKNOWN, 1, 1, North_Up_Indicator},
};

static const NAV_SETTING s_aTimeAndZoomSettings[] = {
    {FCID("SDST"), NSK_BOOL, D_UNKNOWN, 0, 0, Daylight_Saving_Time},
    {FCID("SLTZ"), NSK_S32, D_SIGNED32, -300, -300, Local_Time_Zone},
    {FCID("SIDF"), NSK_U32, D_UNKNOWN, 0, 0, Date_Format},
    {FCID("SITF"), NSK_U32, D_UNKNOWN, 3, 3, Time_Format},
    {FCID("SIPF"), NSK_U32, D_UNKNOWN, 6, 6, Position_Format},
    {FCID("SNBS"), NSK_S32, D_SIGNED32, 18, 18, nullptr},
    {FCID("SNCS"), NSK_S32, D_SIGNED32, 17, 17, nullptr},
    {FCID("SNCL"), NSK_S32, D_SIGNED32, 17, 17, nullptr},
};

static const NAV_SETTING s_aTrackDisplaySettings[] = {
    {FCID("SNTV"), NSK_U32, D_UNKNOWN, 0xFFFFFFFF, 0xFFFFFFFF, nullptr},
    {FCID("SNV2"), NSK_U32, D_UNKNOWN, 0xFFFFFFFF, 0xFFFFFFFF, nullptr},
    {FCID("SNS1"), NSK_U32, D_UNKNOWN, 0, 0, nullptr}, {FCID("SNS2"), NSK_U32, D_UNKNOWN, 0, 0, nullptr},
    {FCID("SNS3"), NSK_U32, D_UNKNOWN, 0, 0, nullptr}, {FCID("SNS4"), NSK_U32, D_UNKNOWN, 0, 0, nullptr},
    {FCID("SNS5"), NSK_U32, D_UNKNOWN, 0, 0, nullptr}, {FCID("SNS6"), NSK_U32, D_UNKNOWN, 0, 0, nullptr},
    {FCID("SNS7"), NSK_U32, D_UNKNOWN, 0, 0, nullptr}, {FCID("SNS8"), NSK_U32, D_UNKNOWN, 0, 0, nullptr},
    {FCID("SNC1"), NSK_U32, D_UNKNOWN, 0, 0, nullptr}, {FCID("SNC2"), NSK_U32, D_UNKNOWN, 0, 0, nullptr},
    {FCID("SNC3"), NSK_U32, D_UNKNOWN, 0, 0, nullptr}, {FCID("SNC4"), NSK_U32, D_UNKNOWN, 0, 0, nullptr},
    {FCID("SNC5"), NSK_U32, D_UNKNOWN, 0, 0, nullptr}, {FCID("SNC6"), NSK_U32, D_UNKNOWN, 0, 0, nullptr},
    {FCID("SNC7"), NSK_U32, D_UNKNOWN, 0, 0, nullptr}, {FCID("SNC8"), NSK_U32, D_UNKNOWN, 0, 0, nullptr},
    {FCID("SNRC"), NSK_U32, D_UNKNOWN, 0, 0, nullptr},
    {FCID("SNDC"), NSK_U32, D_UNKNOWN, 0, 0, nullptr},
    {FCID("SNDS"), NSK_U32, D_UNKNOWN, 0, 0, nullptr},
    {FCID("SNDV"), NSK_U32, D_UNKNOWN, 0xFFFFFFFF, 0xFFFFFFFF, nullptr},
    {FCID("SNCC"), NSK_U32, D_UNKNOWN, 9, 9, nullptr},
    {FCID("SNCP"), NSK_U32, D_UNKNOWN, 3, 3, nullptr},
};

// The view-enable keys: outside and in ice mode.
typedef struct tag_NAV_VIEW_ENABLE {
  FOURCHARID id;
  BOOLEAN bNormal;
  BOOLEAN bIce;
  const char* const* ppcName;
} NAV_VIEW_ENABLE;

static const NAV_VIEW_ENABLE s_aViewEnables[] = {
    {FCID("SV17"), FALSE, TRUE, Track_View},
    {FCID("SVNA"), TRUE, FALSE, Track_View},
    {FCID("SVHI"), TRUE, FALSE, Bird_s_Eye_View},
    {FCID("SVCB"), TRUE, FALSE, Track_Bird_s_Eye_Combo_View},
    {FCID("SVCC"), TRUE, FALSE, Chart_Chart_Combo_View},
    {FCID("SV20"), FALSE, FALSE, Chart_Chart_Combo_View},
    {FCID("SVCO"), TRUE, FALSE, Track_Sonar_Combo_View},
    {FCID("SV19"), FALSE, TRUE, Track_Sonar_Combo_View},
    {FCID("SVIC"), FALSE, FALSE, Chart_Instrument_View},
    {FCID("SVI2"), FALSE, FALSE, Chart_BE_Instrument_View},
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

static void NAV_vSettings(const NAV_SETTING* p, U32 n, U32 u32Priority, BOOLEAN bDomestic) {
  for (U32 i = 0; i < n; i++, p++) {
    const double d = bDomestic ? p->dDomestic : p->dOther;
    DB_DATA_TYPE value;
    value.u32Val = 0;
    switch (p->eKind) {
      case NSK_U32:
        value.u32Val = (U32)d;
        break;
      case NSK_S32:
        value.s32Val = (S32)d;
        break;
      case NSK_BOOL:
        value.u32Val = d != 0.0 ? 1 : 0;
        break;
      case NSK_FLOAT:
        value.fVal = (float)d;
        break;
      case NSK_DISTANCE:
        value.fVal = (float)dConvertToInternal(d, D_DISTANCE, bDomestic ? U_FEET : U_METRES);
        break;
    }
    NAV_vSetting(p->id, value, u32Priority, p->eType, p->ppcName);
  }
}

// Start-up keeps a stored value the test accepts; anything else (absent,
// stale, unusable) gives way to the default.
static void NAV_vKeepOrDefault(FOURCHARID id, BOOLEAN bForced, DB_DATA_TYPE dflt, DATA_TYPE eType,
                               const char* const* ppcName, BOOLEAN (*pfKeep)(DB_DATA_TYPE*, const DB_ATTRIBUTES*)) {
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

static void NAV_vPutFloat(FOURCHARID id, float value) {
  H_DATABASE_bUpdateEverythingFloat(id, value, P_NORMAL, D_FLOAT, nullptr, DB_NEVER_STALE);
}

void T_NAV_vSetDefaultSettings(BOOLEAN bForceFactoryDefaults) {
  const BOOLEAN bDomestic = MODEL_bDomesticModel();
  const BOOLEAN bIceModel = MODEL_bIceModel();
  const U32 prio = bForceFactoryDefaults ? P_NORMAL : P_DEFAULT_SETTING;
  if (bForceFactoryDefaults) {
    // The ice model's first ice icon, the ice-fishing hole.
    H_DATABASE_bUpdateEverythingU32(FCID("SWDI"), bIceModel ? NAV_MAX_ICON : 0, P_NORMAL, D_UNKNOWN, nullptr,
                                    DB_NEVER_STALE);
    H_DATABASE_bUpdateEverythingBoolean(FCID("STOS"), FALSE, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  }
  NAV_vSettings(s_aFirstSettings, sizeof s_aFirstSettings / sizeof s_aFirstSettings[0], prio, bDomestic);

  DB_DATA_TYPE v;
  v.fVal = 2.2352f;
  NAV_vKeepOrDefault(FCID("SNOS"), bForceFactoryDefaults, v, D_SPEED, Offset_Speed, NAV_bKeepSpeed);
  v.u32Val = 0;
  NAV_vKeepOrDefault(FCID("SVOS"), bForceFactoryDefaults, v, D_UNKNOWN, Vessel_Offset, NAV_bKeepAny);
  v.u32Val = FALSE;
  NAV_vKeepOrDefault(FCID("SAZM"), bForceFactoryDefaults, v, D_UNKNOWN, Auto_Zoom, NAV_bKeepTrue);
  NAV_vKeepOrDefault(FCID("SARS"), bForceFactoryDefaults, v, D_UNKNOWN, Auto_Range, NAV_bKeepTrue);

  NAV_vSettings(s_aTimeAndZoomSettings, sizeof s_aTimeAndZoomSettings / sizeof s_aTimeAndZoomSettings[0], prio,
                bDomestic);
  NAV_vPut(FCID("INCN"), 16, P_DEFAULT_SETTING, D_SIGNED32);

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

  NAV_vSettings(s_aTrackDisplaySettings, sizeof s_aTrackDisplaySettings / sizeof s_aTrackDisplaySettings[0], prio,
                bDomestic);
  if (bForceFactoryDefaults) T_NAV_EDIT_vReset(prio);

  T_NAV_GROUP_vReset(prio);
  g_NAV.pEndNavigationComplete = nullptr;
  T_NAV_vEndNavigationNow();
  if (g_NAV.pAutoZoom != nullptr) NAV_vStartAutoZoomTimer();

  g_NAV.u16MOBWaypoint = NAV_NONE;
  H_DATABASE_bUpdateEverythingU32(FCID("IGWP"), NAV_NONE, P_NORMAL, D_WAYPOINT, nullptr, DB_NEVER_STALE);
  NAV_vUnregisterHotInNavViews(Remove_Grid);
  H_DATABASE_bUpdateEverythingU32(FCID("ITWP"), NAV_NONE, P_NORMAL, D_WAYPOINT, nullptr, DB_NEVER_STALE);
  NAV_vUnregisterHotInNavViews(Remove_Target);

  for (const NAV_VIEW_ENABLE& e : s_aViewEnables) {
    DB_DATA_TYPE b;
    b.u32Val = bIce ? e.bIce : e.bNormal;
    NAV_vSetting(e.id, b, prio, D_UNKNOWN, e.ppcName);
  }
  NAV_vPut(FCID("SZCB"), 50, prio, D_PERCENT);
  NAV_vPut(FCID("SZCC"), 50, prio, D_PERCENT);
  NAV_vPut(FCID("SZCO"), 40, prio, D_PERCENT);
  NAV_vPut(FCID("SZI2"), 50, prio, D_PERCENT);
  static const FOURCHARID s_aOffsets[] = {FCID("OSXS"), FCID("OSYS"), FCID("OSXL"), FCID("OSYL"),
                                          FCID("KSMC"), FCID("KSLC")};
  for (FOURCHARID id : s_aOffsets) NAV_vPutFloat(id, 0.0f);
  static const FOURCHARID s_aKeys[] = {FCID("KZMC"), FCID("KZLC"), FCID("KTMC"), FCID("KTLC")};
  for (FOURCHARID id : s_aKeys) H_DATABASE_bUpdateEverythingS32(id, 0, P_NORMAL, D_SIGNED32, nullptr, DB_NEVER_STALE);

  if (g_NAV.bTrackEnable) {
    H_DATABASE_bUpdateEverythingBoolean(FCID("CTRE"), TRUE, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  } else {
    T_NAV_vStartTrack();
  }
}
