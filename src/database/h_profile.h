// Profiles: three chart and three sonar sets of settings the user can switch
// between. A profile's values live in ordinary S settings (S101..S320 for the
// chart, Sp21..Sp59 without Sp46 and Sp48 for the sonar), so the NVR task keeps
// them like any other setting; SUPC and SUPS hold the index (0..2) of the
// current profile. Every database write here is at priority 2.
#pragma once

#include "basetypes.h"
#include "fourcharid.h"
#include "h_database.h"

struct FCID_DB_PAIR {
  FOURCHARID fcid;  // 0 in a row that governs no setting
  DB_DATA_TYPE value;
};

constexpr U32 PROFILE_COUNT = 3;
constexpr U32 CHART_PROFILE_SETTINGS = 20;
constexpr U32 SONAR_PROFILE_SETTINGS = 37;

struct CHART_PROFILE_TYPE {
  FCID_DB_PAIR Settings[CHART_PROFILE_SETTINGS];
};
struct SONAR_PROFILE_TYPE {
  FCID_DB_PAIR Settings[SONAR_PROFILE_SETTINGS];
};

// Refresh the template's values from the live settings: the chart rows, the
// navigation rows, the chart layer (SLAY); all sonar rows.
void H_PROFILE_vSetChartDefaultValue(void);
void H_PROFILE_vSetNavDefaultValue(void);
void H_PROFILE_vSetChartLayerDefaultValue(void);
void H_PROFILE_vSetSonarDefaultValue(void);

// The template into all three profiles, then each profile's stored values;
// the profile named by SUPC (SUPS) becomes current, the first one when the
// setting is absent or out of range. The argument is not used.
BOOLEAN H_PROFILE_bLoadChartProfile(CHART_PROFILE_TYPE* pSrc);
BOOLEAN H_PROFILE_bLoadSonarProfile(SONAR_PROFILE_TYPE* pSrc);

// Every profile value back into its storage setting. The argument is not used.
BOOLEAN H_PROFILE_bSaveChartProfile(CHART_PROFILE_TYPE* pDest);
BOOLEAN H_PROFILE_bSaveSonarProfile(SONAR_PROFILE_TYPE* pDest);

// Switches to profile nSelectProfile (0..2): only the settings whose values
// differ between the two profiles are written. FALSE when no profile is
// current or the index is out of range.
BOOLEAN H_PROFILE_bUpdateChartMenuSetting(int nSelectProfile);
BOOLEAN H_PROFILE_bUpdateSonarMenuSetting(int nSelectProfile);

// A setting changed outside the profile menu: its value goes into the current
// profile's row of that key. FALSE when no profile is current or no row has
// the key. The chart keeps only SLAY this way; other keys are ignored (TRUE).
BOOLEAN H_PROFILE_bSaveSonarNonMenuSetting(FOURCHARID fcid, DB_DATA_TYPE value);
BOOLEAN H_PROFILE_bSaveChartNonMenuSetting(FOURCHARID fcid, DB_DATA_TYPE value);

// Writes into the live settings every value of the current profile that
// differs from the template's; FALSE when no profile is current.
BOOLEAN H_PROFILE_bRestoreSonarMenuSetting(void);
BOOLEAN H_PROFILE_bRestoreChartMenuSetting(void);

// The template into all three profiles.
BOOLEAN H_PROFILE_bResetSonarMenuSetting(void);
BOOLEAN H_PROFILE_bResetChartMenuSetting(void);
